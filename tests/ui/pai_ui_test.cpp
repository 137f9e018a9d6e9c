// The scheduling page and its dialogs, driven as the operator drives them: the class
// checks, the stored options, the condition list and the condition dialogs, and runs
// started, followed and cancelled through the start button.
#include "model/kechen.h"
#include "model/loaders.h"
#include "model/school.h"
#include "scheduler/conditions.h"
#include "scheduler/engine.h"
#include "scheduler/options.h"
#include "scheduler/save.h"
#include "store/store.h"

#include <QCheckBox>
#include <QApplication>
#include <QClipboard>
#include <QComboBox>
#include <QAbstractButton>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QSemaphore>
#include <QSignalSpy>
#include <QSpinBox>
#include <QTableWidget>
#include <QStyle>
#include <QStyleOptionViewItem>
#include <QTabWidget>
#include <QSettings>
#include <QTemporaryDir>
#include <QtTest>

#include <atomic>
#include <memory>

#include "scheduler/ui/frmpaiend.h"
#include "scheduler/ui/frmpaiopt.h"
#include "scheduler/ui/paipage.h"
#include "ui/fonts.h"
#include "ui/style.h"
#include "support/polish_schools.h"
#include "support/uitest.h"
#include "timetable/quality.h"

using namespace tavrin;
using namespace tavrin::testing;
using tavrin::testing::SchoolBuilder;
using scheduler::ui::CheckList;
using scheduler::ui::PaiPage;
using scheduler::ui::TfrmPaiend;
using scheduler::ui::TfrmPaiOpt;
using scheduler::ui::TfrmSelObj;
using scheduler::ui::TFrmSelTea;

namespace {

const QString kViewer = QStringLiteral("以“浏览者”身份登陆时不能修改数据。");
constexpr int kRunWait = 120000;  // a run of the small school under the sanitizers

// Two grade groups with four classes (class 4 belongs to the first group), a week of five
// days with 4 + 2 periods, three subjects, five teachers, and a stored timetable of three
// lessons.
void fillSchool(store::Store& s, bool withRenke = true)
{
    s.transaction([&] {
        s.run("INSERT INTO jibd(jiid, jiname) VALUES(1, '初一'), (2, '初二')");
        s.run("INSERT INTO banbd(banid, banname, jiid, islock) VALUES(1, '初一1班', 1, 0), (2, '初一2班', 1, 0), "
              "(3, '初二1班', 2, 0), (4, '初一3班', 1, 0)");
        for (int w = 1; w <= 5; ++w)
            s.run("INSERT INTO daybd(dayid, dayname) VALUES(?1, '')", w);
        s.run("INSERT INTO jieshu(mor, aft, nig) VALUES(4, 2, 0)");
        s.run("INSERT INTO kemubd(kemuid, kemuname, kemuname2, maxjie, lianpai) VALUES(1, '语文', '语', 0, 0), "
              "(2, '数学', '数', 0, 0), (3, '英语', '英', 0, 0)");
        s.run("INSERT INTO teabd(teaid, teaname, teaname2, islock) VALUES(1, '张明', '张', 0), (2, '李华', '李', 0), "
              "(3, '王芳', '王', 0), (4, '赵强', '赵', 0), (5, '刘洋', '刘', 0)");
        if (!withRenke)
            return;
        struct R {
            int tea, ban, ke, n;
        };
        const R rows[] = {{1, 1, 1, 6}, {1, 2, 1, 6}, {2, 3, 1, 6}, {2, 4, 1, 6}, {3, 1, 2, 6}, {3, 2, 2, 6},
                          {4, 3, 2, 6}, {4, 4, 2, 6}, {5, 1, 3, 4}, {5, 2, 3, 4}, {5, 3, 3, 4}, {5, 4, 3, 4}};
        int difid = 0;
        for (const auto& r : rows) {
            s.run("INSERT INTO renkebd(difid, teaid, banid, keid, jieshu, heban) VALUES(?1, ?2, ?3, ?4, ?5, 0)",
                  difid++, r.tea, r.ban, r.ke, r.n);
            s.run("INSERT INTO kemujieshu(kemuid, banid, jieshu) VALUES(?1, ?2, ?3)", r.ke, r.ban, r.n);
        }
        s.run("INSERT INTO kechenbd(kechenid, theday, thejie, theban, thetea, theke, teshu) VALUES "
              "(1, 1, 1, 1, 1, 1, 40), (2, 1, 2, 1, 3, 2, 37), (3, 2, 1, 3, 2, 1, 1000)");
    });
}

// The stored timetable, row by row, for before-and-after comparisons.
QStringList kechenRows(store::Store& s)
{
    QStringList out;
    auto q = s.prepare("SELECT kechenid, theday, thejie, theban, thetea, theke, teshu FROM kechenbd ORDER BY rowid");
    while (q.step())
        out << QStringLiteral("%1:%2/%3 b%4 t%5 k%6 s%7")
                   .arg(q.integer(0))
                   .arg(q.integer(1))
                   .arg(q.integer(2))
                   .arg(q.integer(3))
                   .arg(q.integer(4))
                   .arg(q.integer(5))
                   .arg(q.integer(6));
    return out;
}

QList<int> paiOptRows(store::Store& s)
{
    QList<int> out;
    auto q = s.prepare("SELECT PaiItm, ItmVar FROM PaiOpt ORDER BY PaiItm");
    while (q.step())
        out << q.integer(0) * 10 + q.integer(1);
    return out;
}

// The main window with the real scheduling page and the scripted asker, shown.
struct PaiWindow {
    ScriptedAsker asker;
    std::unique_ptr<mainwin::TForm1> w;
    PaiPage* page = nullptr;
    // What the result dialog showed, one report per showing; its headline and the rows of its
    // table of lessons left out, and whether Enter opens the timetable.
    QStringList reports;
    QStringList heads;
    QList<int> tableRows;
    // Whether "重排一次" was offered at each showing.
    QList<bool> rePaiOffered;
    bool openIsDefault = false;
    // What the result dialog answers, in order; "close" when none is left.
    QStringList resultAnswers;
    // Fills and answers the condition dialog when the page shows it.
    std::function<void(TfrmPaiOpt&)> onCondition;

    explicit PaiWindow(store::Store& st, int userType = users::Operator)
    {
        w = pageWindow(
            st, asker,
            [this](mainwin::TForm1::Options& o) {
                o.pages[5] = [this](ui::Shell& sh) {
                    page = new PaiPage(sh);
                    return page;
                };
            },
            userType);
        page->setSeed(7);
        page->setDialogRunner([this](QDialog& d) {
            if (auto* end = qobject_cast<TfrmPaiend*>(&d)) {
                reports << end->report();
                heads << end->lblHead()->text();
                tableRows << end->tblUnplaced()->rowCount();
                rePaiOffered << !end->btnRePai()->isHidden();
                openIsDefault = end->btnOpenKb()->isDefault() && !end->btnClose()->isDefault();
                const QString a = resultAnswers.isEmpty() ? QStringLiteral("close") : resultAnswers.takeFirst();
                (a == "again" ? end->btnRePai() : a == "open" ? end->btnOpenKb() : end->btnClose())->click();
            } else if (auto* opt = qobject_cast<TfrmPaiOpt*>(&d)) {
                opt->show();
                if (onCondition)
                    onCondition(*opt);
                opt->hide();
            }
        });
        w->show();
        if (!QTest::qWaitForWindowExposed(w.get()))
            qFatal("window not shown");
        w->openPage(5);
    }
    mainwin::TForm1* operator->() const { return w.get(); }
    QWidget* topBar() const { return w->findChild<QWidget*>("pnlTop"); }
    QStringList conditionTexts() const
    {
        QStringList out;
        for (int i = 0; i < page->lvPaiItm()->count(); ++i)
            out << page->lvPaiItm()->item(i)->text();
        return out;
    }
    QStringList conditionValues() const
    {
        QStringList out;
        for (int i = 0; i < page->lvPaiItm()->count(); ++i)
            out << page->lvPaiItm()->item(i)->data(Qt::UserRole).toString();
        return out;
    }
};

QList<bool> checksOf(CheckList* lv)
{
    QList<bool> out;
    for (int i = 0; i < lv->rowCount(); ++i)
        out << lv->isChecked(i);
    return out;
}

void pressRow(CheckList* lv, int row, int x)
{
    const QRect r = lv->rowRect(row);
    QTest::mouseClick(lv->viewport(), Qt::LeftButton, {}, QPoint(x, r.center().y()));
}

// Where a row's check box is drawn, as the style lays it out.
QRect checkBox(CheckList* lv, int row)
{
    QStyleOptionViewItem opt;
    opt.initFrom(lv->viewport());
    opt.rect = lv->rowRect(row);
    opt.features = QStyleOptionViewItem::HasCheckIndicator | QStyleOptionViewItem::HasDisplay;
    return lv->style()->subElementRect(QStyle::SE_ItemViewItemCheckIndicator, &opt, lv);
}

// A picker shown as exec() would show it, so that its rows have their places.
void showPicker(QDialog& d)
{
    d.show();
    if (!QTest::qWaitForWindowExposed(&d))
        qFatal("picker not shown");
}

// Holds the search at step `k` until released, so that a test can act while it stands.
struct StepGate {
    QSemaphore gate;
    std::atomic<bool> reached{false};
    long long at;
    explicit StepGate(long long k) : at(k) {}
    ~StepGate() { gate.release(1000); }  // never leave a worker waiting
    std::function<void(long long)> hook()
    {
        return [this](long long step) {
            if (step == at) {
                reached.store(true);
                gate.acquire();
            }
        };
    }
};

}  // namespace

class PaiUiTest : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void opensWithEveryClassCheckedInGroupOrder();
    void classChecksFollowThePresses_data();
    void classChecksFollowThePresses();
    void listsTakeTheFocusWhenTheMouseEnters();
    void pickLabelsTurnOpaqueUnderTheMouse();
    void storedOptionsAreShown_data();
    void storedOptionsAreShown();
    void chosenOptionsAreStoredByACompletedRun();
    void conditionCaptionsOfAllThreeKinds();
    void addConditionWritesRowsAndAppendsItsItem_data();
    void addConditionWritesRowsAndAppendsItsItem();
    void conditionWithoutObjectIsRefused_data();
    void conditionWithoutObjectIsRefused();
    void sameTeacherTwiceIsRefused();
    void pickerSelectionsAccumulate();
    void pickerMessages_data();
    void pickerMessages();
    void teacherPickerSearchesAndWraps();
    void deleteRemovesTheSelectedConditions();
    void viewerIsRefused_data();
    void viewerIsRefused();
    void cancelThroughTheButtonWritesNothing();
    void progressFollowsTheSearch();
    void completedRunSavesAndReports();
    void polishAfterRunFollowsItsBoxAndIsKept();
    void rePaiRunsAgainWithTheSameChoices();
    void openTimetableShowsTheClassTimetable();
    void badInputsEndWithAReport_data();
    void badInputsEndWithAReport();
    void resultDialogCopiesTheSelection();
    void proofShowsBeforeARunAndFollowsTheClassChoice();
    void resultDialogNamesWhatIsLeftOut();
    void stepBudgetIsKeptBetweenSessions();
    void textsFitAtTheSmallestWindow();
    void polishNeedsAStoredTimetable();
    void polishLowersRepeatsAndShowsBeforeAndAfter();
    void polishKeepsTheClassesNotChosen();
    void polishCancelledAfterSomeStepsWritesNothing_data();
    void polishCancelledAfterSomeStepsWritesNothing();
    void polishWithEverythingLockedSaysSo();
};

void PaiUiTest::opensWithEveryClassCheckedInGroupOrder()
{
    School school;
    fillSchool(*school.store);
    PaiWindow win(*school.store);
    auto* lv = win.page->lvPaiBan();
    QStringList captions, values;
    for (int i = 0; i < lv->rowCount(); ++i) {
        captions << lv->caption(i);
        values << lv->value(i);
    }
    QCOMPARE(captions, (QStringList{"全校", "初一1班", "初一2班", "初一3班", "初二1班"}));
    QCOMPARE(values, (QStringList{"0", "1", "2", "4", "3"}));
    QCOMPARE(checksOf(lv), (QList<bool>{true, true, true, true, true}));
    QCOMPARE(lv->headerItem()->text(0), QStringLiteral("选择排课班级:"));

    // Whatever was unchecked last time, opening the page checks everything again.
    pressRow(lv, 0, 60);
    QCOMPARE(checksOf(lv), (QList<bool>{false, false, false, false, false}));
    win->goBack();
    win->openStep(5);
    QCOMPARE(checksOf(lv), (QList<bool>{true, true, true, true, true}));
}

void PaiUiTest::classChecksFollowThePresses_data()
{
    QTest::addColumn<QList<int>>("rows");
    QTest::addColumn<bool>("onBox");  // press on the check box instead of the caption
    QTest::addColumn<QList<bool>>("after");
    QTest::newRow("uncheck a class unchecks the whole school")
        << QList<int>{2} << false << QList<bool>{false, true, false, true, true};
    QTest::newRow("checking it again rechecks the whole school")
        << QList<int>{2, 2} << false << QList<bool>{true, true, true, true, true};
    QTest::newRow("whole school off takes every class")
        << QList<int>{0} << false << QList<bool>{false, false, false, false, false};
    QTest::newRow("one class back leaves the whole school off")
        << QList<int>{0, 3} << false << QList<bool>{false, false, false, true, false};
    QTest::newRow("all classes back one by one bring the whole school")
        << QList<int>{0, 1, 2, 3, 4} << false << QList<bool>{true, true, true, true, true};
    QTest::newRow("whole school on after two classes went")
        << QList<int>{1, 4, 0} << false << QList<bool>{true, true, true, true, true};
    QTest::newRow("the box itself follows the same rules")
        << QList<int>{1} << true << QList<bool>{false, false, true, true, true};
    QTest::newRow("the whole school's box takes every class")
        << QList<int>{0} << true << QList<bool>{false, false, false, false, false};
}

void PaiUiTest::classChecksFollowThePresses()
{
    QFETCH(QList<int>, rows);
    QFETCH(bool, onBox);
    QFETCH(QList<bool>, after);
    School school;
    fillSchool(*school.store);
    PaiWindow win(*school.store);
    auto* lv = win.page->lvPaiBan();
    for (int r : rows) {
        const QRect box = checkBox(lv, r);
        // A press on the caption is well right of 18 pixels; the box lies left of it.
        QVERIFY(box.right() < 40);
        pressRow(lv, r, onBox ? box.center().x() : 60);
    }
    QCOMPARE(checksOf(lv), after);
}

void PaiUiTest::listsTakeTheFocusWhenTheMouseEnters()
{
    School school;
    fillSchool(*school.store);
    PaiWindow win(*school.store);
    auto* lv = win.page->lvPaiBan();
    win.page->btnAddOpt()->setFocus();
    QVERIFY(win->focusWidget() != lv);
    QEnterEvent enter(QPointF(30, 30), QPointF(30, 30), lv->mapToGlobal(QPointF(30, 30)));
    QApplication::sendEvent(lv, &enter);
    QCOMPARE(win->focusWidget(), static_cast<QWidget*>(lv));
}

void PaiUiTest::pickLabelsTurnOpaqueUnderTheMouse()
{
    School school;
    fillSchool(*school.store);
    ScriptedAsker asker;
    TfrmPaiOpt dlg(*school.store, asker);
    auto s = model::loadSchool(*school.store);
    dlg.prepare(s);
    dlg.show();
    QVERIFY(QTest::qWaitForWindowExposed(&dlg));
    for (QLabel* l : {static_cast<QLabel*>(dlg.lblA()), static_cast<QLabel*>(dlg.lblC1())}) {
        dlg.pgc()->setCurrentWidget(l->parentWidget());
        // The label as it shows on its tab, a little inside its border.
        auto shown = [l] {
            return l->parentWidget()->grab(l->geometry()).toImage().pixelColor(4, l->height() / 2).name();
        };
        const QString before = shown();
        const QPointF at(4, l->height() / 2);
        QEnterEvent enter(at, at, l->mapToGlobal(at));
        QApplication::sendEvent(l, &enter);
        const QString over = shown();
        QEvent leave(QEvent::Leave);
        QApplication::sendEvent(l, &leave);
        QVERIFY2(over != before, qPrintable(l->objectName()));
        QCOMPARE(shown(), before);
        QCOMPARE(before, dlg.pgc()->currentWidget()->grab(QRect(0, 0, 4, 4)).toImage().pixelColor(1, 1).name());
    }
}

void PaiUiTest::storedOptionsAreShown_data()
{
    QTest::addColumn<QList<int>>("stored");  // item * 10 + value
    QTest::addColumn<QStringList>("checked");
    QTest::newRow("no rows: the defaults") << QList<int>{} << QStringList{"rbP13", "rbP21", "rbP32", "rbp41"};
    QTest::newRow("every first button") << QList<int>{11, 21, 31, 41} << QStringList{"rbP11", "rbP21", "rbP31", "rbp41"};
    QTest::newRow("every last button") << QList<int>{13, 22, 33, 42} << QStringList{"rbP13", "rbP22", "rbP33", "rbp42"};
    QTest::newRow("values no button stands for fall back to the last")
        << QList<int>{19, 20, 37, 45} << QStringList{"rbP13", "rbP22", "rbP33", "rbp42"};
    QTest::newRow("missing rows keep their defaults") << QList<int>{12, 32} << QStringList{"rbP12", "rbP21", "rbP32", "rbp41"};
}

void PaiUiTest::storedOptionsAreShown()
{
    QFETCH(QList<int>, stored);
    QFETCH(QStringList, checked);
    School school;
    fillSchool(*school.store);
    school.store->run("DELETE FROM PaiOpt");
    for (int v : stored)
        school.store->run("INSERT INTO PaiOpt(PaiItm, ItmVar) VALUES(?1, ?2)", v / 10, v % 10);
    PaiWindow win(*school.store);
    QStringList on;
    for (auto* rb : win.page->findChildren<QRadioButton*>())
        if (rb->isChecked())
            on << rb->objectName();
    on.sort();
    checked.sort();
    QCOMPARE(on, checked);
}

void PaiUiTest::chosenOptionsAreStoredByACompletedRun()
{
    School school;
    fillSchool(*school.store);
    PaiWindow win(*school.store);
    QSignalSpy ended(win.page, &PaiPage::runEnded);
    win.page->rb(1, 1)->click();
    win.page->rb(2, 2)->click();
    win.page->rb(3, 3)->click();
    win.page->rb(4, 2)->click();
    QTest::mouseClick(win.page->btnStart(), Qt::LeftButton);
    QTRY_VERIFY_WITH_TIMEOUT(!ended.isEmpty(), kRunWait);
    QCOMPARE(ended.first().first().toBool(), false);
    QCOMPARE(paiOptRows(*school.store), (QList<int>{11, 22, 33, 42}));

    // Opening the page again shows what the run stored.
    win.page->rb(1, 3)->click();
    win->goBack();
    win->openStep(5);
    for (auto [g, k] : {std::pair{1, 1}, {2, 2}, {3, 3}, {4, 2}})
        QVERIFY2(win.page->rb(g, k)->isChecked(), qPrintable(win.page->rb(g, k)->objectName()));
}

void PaiUiTest::conditionCaptionsOfAllThreeKinds()
{
    School school;
    fillSchool(*school.store);
    auto& s = *school.store;
    s.run("INSERT INTO PaiOptJie(OptId, theJie, theNum, BanId, KeId, TeaId) VALUES(1, 1, 1, NULL, 1, NULL), "
          "(1, 1, 1, NULL, 2, NULL), (2, 3, -2, NULL, NULL, 4)");
    s.run("INSERT INTO PaiOptDay(OptId, theDay, theNum, BanId, KeId, TeaId) VALUES(1, 5, -1, 2, 3, NULL)");
    s.run("INSERT INTO teaman(wmid, man) VALUES(3, 1)");
    s.run("INSERT INTO teawife(wmid, wife) VALUES(3, 5)");
    PaiWindow win(*school.store);
    QCOMPARE(win.conditionTexts(), (QStringList{"教师互斥: \"张明\"与\"刘洋\"不在同一时间上课",
                                                "时段限制: 全校的语文、数学每班一个星期内第1节固定上1次",
                                                "时段限制: 赵强的每班一个星期内第3节最多上2次",
                                                "日期限制:每班 初一2班的英语星期五最多上1节"}));
    QCOMPARE(win.conditionValues(), (QStringList{"Tea3", "Jie1", "Jie2", "Day1"}));
    QVERIFY(!win.page->btnDelOpt()->isEnabled());
}

void PaiUiTest::addConditionWritesRowsAndAppendsItsItem_data()
{
    QTest::addColumn<int>("tab");
    QTest::addColumn<int>("first");  // cbbA1 / cbbB1 entry
    QTest::addColumn<int>("kind");   // cbbA2 / cbbB2 entry
    QTest::addColumn<int>("count");  // cbbA3 / cbbB3 entry
    QTest::addColumn<QString>("caption");
    QTest::addColumn<QString>("value");
    QTest::addColumn<QStringList>("rows");
    // Period conditions 1, 2 and 4 and day condition 1 are stored already.
    QTest::newRow("period, whole school, the example")
        << 0 << 0 << 0 << 0 << "时段限制: 全校的语文、数学每班一个星期内第1节固定上1次" << "Jie3"
        << QStringList{"3/1/1 b- k1 t-", "3/1/1 b- k2 t-"};
    QTest::newRow("period, at most two on period 5")
        << 0 << 4 << 1 << 1 << "时段限制: 全校的语文、数学每班一个星期内第5节最多上2次" << "Jie3"
        << QStringList{"3/5/-2 b- k1 t-", "3/5/-2 b- k2 t-"};
    QTest::newRow("day, the third school day is Wednesday")
        << 1 << 2 << 1 << 1 << "日期限制: 每班全校的语文、数学星期三最多上2次" << "Day2"
        << QStringList{"2/3/-2 b- k1 t-", "2/3/-2 b- k2 t-"};
}

void PaiUiTest::addConditionWritesRowsAndAppendsItsItem()
{
    QFETCH(int, tab);
    QFETCH(int, first);
    QFETCH(int, kind);
    QFETCH(int, count);
    QFETCH(QString, caption);
    QFETCH(QString, value);
    QFETCH(QStringList, rows);
    School school;
    fillSchool(*school.store);
    auto& s = *school.store;
    for (int id : {1, 2, 4})
        s.run("INSERT INTO PaiOptJie(OptId, theJie, theNum, BanId, KeId, TeaId) VALUES(?1, 6, 1, NULL, NULL, 5)", id);
    s.run("INSERT INTO PaiOptDay(OptId, theDay, theNum, BanId, KeId, TeaId) VALUES(1, 1, 1, NULL, NULL, 5)");
    PaiWindow win(*school.store);
    const QStringList before = win.conditionTexts();

    win.onCondition = [&](TfrmPaiOpt& dlg) {
        dlg.setPickerRunner([](QDialog& d) {
            auto& obj = dynamic_cast<TfrmSelObj&>(d);
            showPicker(obj);
            obj.pgc()->setCurrentIndex(0);
            pressRow(obj.lvSelBan(), 0, 60);  // 全校
            pressRow(obj.lvSelKe(), 0, 60);   // 语文
            pressRow(obj.lvSelKe(), 1, 60);   // 数学
            obj.btnOk()->click();
        });
        dlg.pgc()->setCurrentIndex(tab);
        QTest::mouseClick(tab == 0 ? dlg.lblA() : dlg.lblB(), Qt::LeftButton);
        QCOMPARE((tab == 0 ? dlg.lblA() : dlg.lblB())->text(), QStringLiteral("  对象：全校的语文、数学"));
        (tab == 0 ? dlg.cbbA1() : dlg.cbbB1())->setCurrentIndex(first);
        (tab == 0 ? dlg.cbbA2() : dlg.cbbB2())->setCurrentIndex(kind);
        (tab == 0 ? dlg.cbbA3() : dlg.cbbB3())->setCurrentIndex(count);
        dlg.btnOk()->click();
    };
    QTest::mouseClick(win.page->btnAddOpt(), Qt::LeftButton);

    QVERIFY(win.asker.shown.empty());
    QCOMPARE(win.conditionTexts(), before + QStringList{caption});
    QCOMPARE(win.conditionValues().last(), value);
    const char* table = tab == 0 ? "PaiOptJie" : "PaiOptDay";
    QStringList got;
    auto q = s.prepare(std::string("SELECT OptId, ") + (tab == 0 ? "theJie" : "theDay") +
                       ", theNum, BanId, KeId, TeaId FROM " + table + " WHERE OptId = ?1 ORDER BY rowid");
    q.bind(1, value.mid(3).toInt());
    while (q.step())
        got << QStringLiteral("%1/%2/%3 b%4 k%5 t%6")
                   .arg(q.integer(0))
                   .arg(q.integer(1))
                   .arg(q.integer(2))
                   .arg(q.isNull(3) ? "-" : QString::number(q.integer(3)))
                   .arg(q.isNull(4) ? "-" : QString::number(q.integer(4)))
                   .arg(q.isNull(5) ? "-" : QString::number(q.integer(5)));
    QCOMPARE(got, rows);

    // Reloaded, the new condition is shown as the page builds captions at load.
    win->goBack();
    win->openStep(5);
    QCOMPARE(win.conditionValues().contains(value), true);
}

void PaiUiTest::conditionWithoutObjectIsRefused_data()
{
    QTest::addColumn<int>("tab");
    QTest::newRow("period") << 0;
    QTest::newRow("day") << 1;
}

void PaiUiTest::conditionWithoutObjectIsRefused()
{
    QFETCH(int, tab);
    School school;
    fillSchool(*school.store);
    PaiWindow win(*school.store);
    bool stayedOpen = false;
    win.onCondition = [&](TfrmPaiOpt& dlg) {
        dlg.pgc()->setCurrentIndex(tab);
        dlg.btnOk()->click();
        stayedOpen = dlg.result() != QDialog::Accepted;
    };
    QTest::mouseClick(win.page->btnAddOpt(), Qt::LeftButton);
    QVERIFY(stayedOpen);
    QCOMPARE(win.asker.texts(), QStringList{"未选择要限制的对象，请点击“对象”选择"});
    QCOMPARE(school.count("PaiOptJie") + school.count("PaiOptDay"), 0LL);
    QCOMPARE(win.page->lvPaiItm()->count(), 0);
}

void PaiUiTest::sameTeacherTwiceIsRefused()
{
    School school;
    fillSchool(*school.store);
    PaiWindow win(*school.store);
    QList<int> picks{2, 2, 3};  // the teacher chosen at each showing of the teacher picker
    win.onCondition = [&](TfrmPaiOpt& dlg) {
        dlg.setPickerRunner([&](QDialog& d) {
            auto& tea = dynamic_cast<TFrmSelTea&>(d);
            tea.lvSelTea()->setCurrentItem(tea.lvSelTea()->topLevelItem(picks.takeFirst() - 1));
            tea.btnOk()->click();
        });
        dlg.pgc()->setCurrentIndex(2);
        QTest::mouseClick(dlg.lblC1(), Qt::LeftButton);
        QTest::mouseClick(dlg.lblC2(), Qt::LeftButton);
        QCOMPARE(dlg.tea2(), 0);
        // Only one teacher chosen: nothing can be stored yet.
        dlg.btnOk()->click();
        QVERIFY(dlg.result() != QDialog::Accepted);
        QCOMPARE(school.count("teaman"), 0LL);
        QTest::mouseClick(dlg.lblC2(), Qt::LeftButton);
        QCOMPARE(dlg.lblC1()->text(), QStringLiteral("李华"));
        QCOMPARE(dlg.lblC2()->text(), QStringLiteral("王芳"));
        dlg.btnOk()->click();
    };
    QTest::mouseClick(win.page->btnAddOpt(), Qt::LeftButton);
    QCOMPARE(win.asker.texts(), (QStringList{"教师互斥必须是不同的教师", "请先选择互斥的两位教师"}));
    QCOMPARE(win.conditionTexts(), QStringList{"教师互斥: \"李华\"与\"王芳\"不在同一时间上课"});
    QCOMPARE(win.conditionValues(), QStringList{"Tea1"});
    QCOMPARE(school.store->scalar("SELECT man FROM teaman WHERE wmid = 1"), 2);
    QCOMPARE(school.store->scalar("SELECT wife FROM teawife WHERE wmid = 1"), 3);

    // The two teachers stay chosen for the next showing.
    win.onCondition = [&](TfrmPaiOpt& dlg) {
        QCOMPARE(dlg.pgc()->currentIndex(), 2);
        QCOMPARE(dlg.lblC1()->text(), QStringLiteral("李华"));
        QCOMPARE(dlg.lblC2()->text(), QStringLiteral("王芳"));
        dlg.btnCancel()->click();
    };
    QTest::mouseClick(win.page->btnAddOpt(), Qt::LeftButton);
    QCOMPARE(win.page->lvPaiItm()->count(), 1);
}

void PaiUiTest::pickerSelectionsAccumulate()
{
    School school;
    fillSchool(*school.store);
    PaiWindow win(*school.store);
    int showing = 0;
    win.onCondition = [&](TfrmPaiOpt& dlg) {
        dlg.setPickerRunner([&](QDialog& d) {
            auto& obj = dynamic_cast<TfrmSelObj&>(d);
            showPicker(obj);
            if (++showing == 1) {
                obj.pgc()->setCurrentIndex(0);
                pressRow(obj.lvSelBan(), 0, 60);  // every class ...
                pressRow(obj.lvSelBan(), 0, 60);  // ... and none again
                pressRow(obj.lvSelBan(), 4, 60);  // 初二1班 (class 3)
                pressRow(obj.lvSelKe(), 2, 60);   // 英语
            } else {
                // The earlier choice shows checked.
                QVERIFY(obj.lvSelBan()->isChecked(4));
                QVERIFY(obj.lvSelKe()->isChecked(2));
                obj.pgc()->setCurrentIndex(1);
                pressRow(obj.lvSelTea(), 4, 60);  // 刘洋
            }
            obj.btnOk()->click();
        });
        QTest::mouseClick(dlg.lblA(), Qt::LeftButton);
        QCOMPARE(dlg.lblA()->text(), QStringLiteral("  对象：初二1班的英语"));
        QTest::mouseClick(dlg.lblA(), Qt::LeftButton);
        QCOMPARE(dlg.lblA()->text(), QStringLiteral("  对象：刘洋"));
        dlg.pgc()->setCurrentIndex(0);
        dlg.btnOk()->click();
    };
    QTest::mouseClick(win.page->btnAddOpt(), Qt::LeftButton);
    QCOMPARE(win.conditionTexts(), QStringList{"时段限制: 刘洋每班一个星期内第1节固定上1次"});
    QCOMPARE(school.store->scalar("SELECT count(*) FROM PaiOptJie WHERE BanId = 3 AND KeId = 3"), 1);
    QCOMPARE(school.store->scalar("SELECT count(*) FROM PaiOptJie WHERE TeaId = 5 AND KeId IS NULL"), 1);
    QCOMPARE(school.count("PaiOptJie"), 2LL);
}

void PaiUiTest::pickerMessages_data()
{
    QTest::addColumn<int>("tab");
    QTest::addColumn<QList<int>>("banRows");
    QTest::addColumn<QList<int>>("keRows");
    QTest::addColumn<QString>("message");
    QTest::newRow("no class") << 0 << QList<int>{0} << QList<int>{1} << "请选择班级";
    QTest::newRow("no subject") << 0 << QList<int>{} << QList<int>{} << "请选择科目";
    QTest::newRow("no teacher") << 1 << QList<int>{} << QList<int>{} << "请选择教师";
}

void PaiUiTest::pickerMessages()
{
    QFETCH(int, tab);
    QFETCH(QList<int>, banRows);
    QFETCH(QList<int>, keRows);
    QFETCH(QString, message);
    School school;
    fillSchool(*school.store);
    ScriptedAsker asker;
    TfrmSelObj obj(asker);
    auto s = model::loadSchool(*school.store);
    scheduler::Selection sel;
    sel.reset(s);
    sel.ban[0] = true;  // "全校" from an earlier showing
    obj.prepare(s, &sel);
    obj.show();
    QVERIFY(QTest::qWaitForWindowExposed(&obj));
    QVERIFY(obj.lvSelBan()->isChecked(0));
    obj.pgc()->setCurrentIndex(tab);
    for (int r : banRows)
        pressRow(obj.lvSelBan(), r, 60);
    for (int r : keRows)
        pressRow(obj.lvSelKe(), r, 60);
    obj.btnOk()->click();
    QCOMPARE(asker.texts(), QStringList{message});
    QVERIFY(obj.isVisible());
    QVERIFY(obj.objectText().isEmpty());
}

void PaiUiTest::teacherPickerSearchesAndWraps()
{
    School school;
    fillSchool(*school.store);
    school.store->run("UPDATE teabd SET teaname = '张小明' WHERE teaid = 4");
    ScriptedAsker asker;
    TFrmSelTea dlg(asker);
    auto s = model::loadSchool(*school.store);
    dlg.prepare(s);
    dlg.show();
    QVERIFY(QTest::qWaitForWindowExposed(&dlg));
    QCOMPARE(dlg.lblTop()->text(), QStringLiteral("  选择："));
    dlg.btnOk()->click();
    QCOMPARE(asker.texts(), QStringList{"未选择"});
    QVERIFY(dlg.isVisible());

    QStringList found;
    dlg.edtFnTea()->setText(QStringLiteral("张"));
    for (int i = 0; i < 3; ++i) {
        QTest::keyClick(dlg.edtFnTea(), Qt::Key_Return);
        found << dlg.lblTop()->text();
    }
    QCOMPARE(found, (QStringList{"  选择：张明", "  选择：张小明", "  选择：张明"}));
    QVERIFY(dlg.isVisible());  // Enter in the box searches, it does not confirm

    dlg.edtFnTea()->setText(QStringLiteral("钱"));
    dlg.btnFnTea()->click();
    QCOMPARE(dlg.lblTop()->text(), QStringLiteral("  选择：张明"));
    dlg.btnOk()->click();
    QCOMPARE(dlg.result(), int(QDialog::Accepted));
    QCOMPARE(dlg.selId(), 1);

    dlg.prepare(s);
    dlg.btnCancel()->click();
    QCOMPARE(dlg.selId(), 0);
}

void PaiUiTest::deleteRemovesTheSelectedConditions()
{
    School school;
    fillSchool(*school.store);
    auto& s = *school.store;
    s.run("INSERT INTO PaiOptJie(OptId, theJie, theNum, BanId, KeId, TeaId) VALUES(1, 1, 1, NULL, 1, NULL), "
          "(2, 2, 1, NULL, 2, NULL)");
    s.run("INSERT INTO PaiOptDay(OptId, theDay, theNum, BanId, KeId, TeaId) VALUES(1, 1, 1, NULL, NULL, 2)");
    s.run("INSERT INTO teaman(wmid, man) VALUES(1, 1)");
    s.run("INSERT INTO teawife(wmid, wife) VALUES(1, 5)");
    PaiWindow win(*school.store);
    QCOMPARE(win.conditionValues(), (QStringList{"Tea1", "Jie1", "Jie2", "Day1"}));
    auto* lv = win.page->lvPaiItm();
    QVERIFY(!win.page->btnDelOpt()->isEnabled());
    lv->item(0)->setSelected(true);
    lv->item(2)->setSelected(true);
    QVERIFY(win.page->btnDelOpt()->isEnabled());
    QTest::mouseClick(win.page->btnDelOpt(), Qt::LeftButton);
    QCOMPARE(win.conditionValues(), (QStringList{"Jie1", "Day1"}));
    QCOMPARE(school.count("teaman") + school.count("teawife"), 0LL);
    QCOMPARE(s.scalar("SELECT count(*) FROM PaiOptJie WHERE OptId = 2"), 0);
    QCOMPARE(school.count("PaiOptJie") + school.count("PaiOptDay"), 2LL);
    QVERIFY(!win.page->btnDelOpt()->isEnabled());

    // "全选" then the menu's delete entry empties the list and the tables.
    auto* menu = win.page->pmPaikeItm();
    QStringList entries;
    for (auto* a : menu->actions())
        entries << (a->isSeparator() ? QStringLiteral("-") : a->text());
    QCOMPARE(entries, (QStringList{"添加排课条件", "删除排课条件", "-", "全选"}));
    menu->findChild<QAction*>("mniSelAll")->trigger();
    QCOMPARE(lv->selectedItems().size(), 2);
    menu->findChild<QAction*>("mniDelOpt")->trigger();
    QCOMPARE(lv->count(), 0);
    QCOMPARE(school.count("PaiOptJie") + school.count("PaiOptDay"), 0LL);
    QVERIFY(win.asker.shown.empty());
}

void PaiUiTest::viewerIsRefused_data()
{
    QTest::addColumn<QString>("command");
    QTest::newRow("add") << "add";
    QTest::newRow("delete") << "delete";
    QTest::newRow("start") << "start";
    QTest::newRow("polish") << "polish";
}

void PaiUiTest::viewerIsRefused()
{
    QFETCH(QString, command);
    School school;
    fillSchool(*school.store);
    school.store->run("INSERT INTO PaiOptJie(OptId, theJie, theNum, BanId, KeId, TeaId) VALUES(1, 1, 1, NULL, 1, NULL)");
    const QStringList kechen = kechenRows(*school.store);
    PaiWindow win(*school.store, users::Viewer);
    bool dialogShown = false;
    win.onCondition = [&](TfrmPaiOpt&) { dialogShown = true; };
    QSignalSpy ended(win.page, &PaiPage::runEnded);
    win.page->lvPaiItm()->item(0)->setSelected(true);
    if (command == "add")
        QTest::mouseClick(win.page->btnAddOpt(), Qt::LeftButton);
    else if (command == "delete")
        QTest::mouseClick(win.page->btnDelOpt(), Qt::LeftButton);
    else if (command == "start")
        QTest::mouseClick(win.page->btnStart(), Qt::LeftButton);
    else
        QTest::mouseClick(win.page->btnPolish(), Qt::LeftButton);
    QCOMPARE(win.asker.texts(), QStringList{kViewer});
    QVERIFY(!dialogShown);
    QVERIFY(!win.page->running());
    QCOMPARE(win.page->btnStart()->text(), QStringLiteral("开始排课"));
    QCOMPARE(win.page->lvPaiItm()->count(), 1);
    QCOMPARE(school.count("PaiOptJie"), 1LL);
    QCOMPARE(kechenRows(*school.store), kechen);
    QVERIFY(ended.isEmpty());
}

void PaiUiTest::cancelThroughTheButtonWritesNothing()
{
    School school;
    fillSchool(*school.store);
    const QStringList kechen = kechenRows(*school.store);
    const QList<int> opts = paiOptRows(*school.store);
    PaiWindow win(*school.store);
    StepGate gate(3);
    win.page->setStepHook(gate.hook());
    QSignalSpy ended(win.page, &PaiPage::runEnded);
    win.page->rb(1, 1)->click();  // a choice that a saved run would store

    QTest::mouseClick(win.page->btnStart(), Qt::LeftButton);
    QTRY_VERIFY_WITH_TIMEOUT(gate.reached.load(), kRunWait);
    // The search stands at its third step: the window is free, the top bar is not.
    QVERIFY(win.page->running());
    QCOMPARE(win.page->btnStart()->text(), QStringLiteral("取消"));
    QVERIFY(win.page->btnStart()->isEnabled());
    QVERIFY(!win.page->btnPolish()->isEnabled());
    QVERIFY(!win.topBar()->isEnabled());

    QTest::mouseClick(win.page->btnStart(), Qt::LeftButton);
    gate.gate.release();
    QTRY_VERIFY_WITH_TIMEOUT(!ended.isEmpty(), kRunWait);

    QCOMPARE(ended.first().first().toBool(), true);
    QCOMPARE(kechenRows(*school.store), kechen);
    QCOMPARE(paiOptRows(*school.store), opts);
    QCOMPARE(win.page->pbPai()->value(), 0);
    QVERIFY(win.page->lblLoad()->text().isEmpty());
    QCOMPARE(win.page->btnStart()->text(), QStringLiteral("开始排课"));
    QVERIFY(win.topBar()->isEnabled());
    QVERIFY(!win.page->running());
    QCOMPARE(win.reports, QStringList{"排课已取消，未保存任何数据。"});
}

void PaiUiTest::progressFollowsTheSearch()
{
    School school;
    fillSchool(*school.store);
    PaiWindow win(*school.store);
    StepGate gate(40);
    win.page->setStepHook(gate.hook());
    QSignalSpy ended(win.page, &PaiPage::runEnded);
    QList<int> shown;
    connect(win.page->pbPai(), &QProgressBar::valueChanged, win.page, [&](int v) { shown << v; });

    QTest::mouseClick(win.page->btnStart(), Qt::LeftButton);
    QTRY_VERIFY_WITH_TIMEOUT(gate.reached.load(), kRunWait);
    // What the search reported before it stopped reaches the bar and the label.
    QTRY_COMPARE(win.page->pbPai()->value(), win.page->paiPercent());
    QVERIFY(win.page->paiPercent() > 0);
    // The percentage, then the stage under way.
    const QString label = win.page->lblLoad()->text();
    QVERIFY(label.startsWith(QStringLiteral("%1% ").arg(win.page->paiPercent())));
    QVERIFY(label.endsWith(QString::fromUtf8(scheduler::stageName(scheduler::Stage::FirstPass))) ||
            label.endsWith(QString::fromUtf8(scheduler::stageName(scheduler::Stage::Special))));
    gate.gate.release();
    QTRY_VERIFY_WITH_TIMEOUT(!ended.isEmpty(), kRunWait);
    QCOMPARE(ended.first().first().toBool(), false);
    // Preparing shows 20 and 40, the search starts again from 0 and ends with every lesson.
    QCOMPARE(shown.mid(0, 3), (QList<int>{20, 40, 0}));
    QCOMPARE(shown.last(), 100);
    QVERIFY(win.page->lblLoad()->text().isEmpty());
}

void PaiUiTest::completedRunSavesAndReports()
{
    School school;
    fillSchool(*school.store);
    school.store->run("DELETE FROM PaiOpt");
    PaiWindow win(*school.store);
    QSignalSpy ended(win.page, &PaiPage::runEnded);
    QTest::mouseClick(win.page->btnStart(), Qt::LeftButton);
    QTRY_VERIFY_WITH_TIMEOUT(!ended.isEmpty(), kRunWait);
    QCOMPARE(win.reports, QStringList{"进行排课总节数：64节；已排总节数：64节。"});
    QCOMPARE(school.count("kechenbd"), 64LL);
    // Every class has its weekly periods in the stored timetable.
    auto q = school.store->prepare("SELECT theban, count(*) FROM kechenbd GROUP BY theban ORDER BY theban");
    QList<int> perClass;
    while (q.step())
        perClass << q.integer(1);
    QCOMPARE(perClass, (QList<int>{16, 16, 16, 16}));
    QCOMPARE(paiOptRows(*school.store), (QList<int>{13, 21, 32, 41}));
    QVERIFY(win.topBar()->isEnabled());
}

void PaiUiTest::polishAfterRunFollowsItsBoxAndIsKept()
{
    School school;
    fillSchool(*school.store);
    school.store->run("DELETE FROM PaiOpt");
    {
        PaiWindow win(*school.store);
        QVERIFY(win.page->chkPolish()->isChecked());
        win.page->chkPolish()->setChecked(false);
        QSignalSpy ended(win.page, &PaiPage::runEnded);
        QTest::mouseClick(win.page->btnStart(), Qt::LeftButton);
        QTRY_VERIFY_WITH_TIMEOUT(!ended.isEmpty(), kRunWait);
        QVERIFY(!win.page->frmPaiend()->lblQuality()->text().contains(QStringLiteral("优化：")));
    }
    PaiWindow again(*school.store);
    QVERIFY(!again.page->chkPolish()->isChecked());
    again.page->chkPolish()->setChecked(true);
    QSignalSpy ended(again.page, &PaiPage::runEnded);
    QTest::mouseClick(again.page->btnStart(), Qt::LeftButton);
    QTRY_VERIFY_WITH_TIMEOUT(!ended.isEmpty(), kRunWait);
    QVERIFY(again.page->frmPaiend()->lblQuality()->text().contains(QStringLiteral("优化：")));
}

void PaiUiTest::rePaiRunsAgainWithTheSameChoices()
{
    School school;
    fillSchool(*school.store);
    PaiWindow win(*school.store);
    QSignalSpy ended(win.page, &PaiPage::runEnded);
    // Only 初二1班 (class 3): the other classes keep their stored lessons.
    pressRow(win.page->lvPaiBan(), 0, 60);
    pressRow(win.page->lvPaiBan(), 4, 60);
    win.resultAnswers = {"again", "close"};
    QTest::mouseClick(win.page->btnStart(), Qt::LeftButton);
    QTRY_VERIFY_WITH_TIMEOUT(ended.size() == 2, kRunWait);
    QCOMPARE(win.reports, (QStringList{"进行排课总节数：16节；已排总节数：16节。",
                                       "进行排课总节数：16节；已排总节数：16节。"}));
    QCOMPARE(checksOf(win.page->lvPaiBan()), (QList<bool>{false, false, false, false, true}));
    // The kept classes' stored lessons are still there, with their scores.
    QCOMPARE(school.store->scalar("SELECT count(*) FROM kechenbd WHERE theban <> 3"), 2);
    QCOMPARE(school.store->scalar("SELECT teshu FROM kechenbd WHERE theban = 1 AND theday = 1 AND thejie = 2"), 37);
    QCOMPARE(school.store->scalar("SELECT count(*) FROM kechenbd WHERE theban = 3"), 16);
}

void PaiUiTest::openTimetableShowsTheClassTimetable()
{
    School school;
    fillSchool(*school.store);
    PaiWindow win(*school.store);
    QSignalSpy ended(win.page, &PaiPage::runEnded);
    win.resultAnswers = {"open"};
    QTest::mouseClick(win.page->btnStart(), Qt::LeftButton);
    QTRY_VERIFY_WITH_TIMEOUT(!ended.isEmpty(), kRunWait);
    QCOMPARE(win->currentIndex(), 6);
    auto* kb = dynamic_cast<ui::PlaceholderPage*>(win->page(6));
    QVERIFY(kb);
    QCOMPARE(kb->shownTable(), int(ui::KbBan));
    QVERIFY(win->biaoButton(ui::KbBan)->isChecked());
    QVERIFY(win.topBar()->isEnabled());
    QCOMPARE(ended.size(), 1);
}

void PaiUiTest::badInputsEndWithAReport_data()
{
    QTest::addColumn<QString>("school");
    QTest::addColumn<QString>("firstLine");
    QTest::addColumn<QString>("missing");  // a line the report must hold, empty: none
    QTest::newRow("no assignments") << "no renke" << "进行排课总节数：0节；已排总节数：0节。" << "";
    QTest::newRow("every class unchecked schedules the whole school")
        << "none checked" << "进行排课总节数：64节；已排总节数：64节。" << "";
    QTest::newRow("lessons that cannot fit") << "too many" << "" << "英语(刘洋)有";
}

void PaiUiTest::badInputsEndWithAReport()
{
    QFETCH(QString, school);
    QFETCH(QString, firstLine);
    QFETCH(QString, missing);
    School file;
    fillSchool(*file.store, school != "no renke");
    if (school == "too many") {
        // 刘洋 teaches 英语 8 times in each of four classes: 32 lessons in a week of 30 periods.
        file.store->run("UPDATE renkebd SET jieshu = 8 WHERE keid = 3");
        file.store->run("UPDATE kemujieshu SET jieshu = 8 WHERE kemuid = 3");
    }
    PaiWindow win(*file.store);
    QSignalSpy ended(win.page, &PaiPage::runEnded);
    win.page->rb(1, 1)->click();  // fast
    if (school == "none checked")
        pressRow(win.page->lvPaiBan(), 0, 60);
    QTest::mouseClick(win.page->btnStart(), Qt::LeftButton);
    QTRY_VERIFY_WITH_TIMEOUT(!ended.isEmpty(), kRunWait);
    QCOMPARE(ended.first().first().toBool(), false);
    QCOMPARE(win.reports.size(), 1);
    const QStringList lines = win.reports.first().split('\n');
    if (!firstLine.isEmpty())
        QCOMPARE(lines.first(), firstLine);
    if (school == "none checked")
        QCOMPARE(checksOf(win.page->lvPaiBan()), (QList<bool>{true, true, true, true, true}));
    if (!missing.isEmpty()) {
        QVERIFY2(lines.first().startsWith("进行排课总节数：80节；") && !lines.first().endsWith("已排总节数：80节。"),
                 qPrintable(lines.first()));
        QVERIFY2(lines.size() > 1 && lines[1].contains(missing) && lines[1].endsWith("节未排。"),
                 qPrintable(win.reports.first()));
    }
}

void PaiUiTest::resultDialogCopiesTheSelection()
{
    TfrmPaiend dlg;
    dlg.setReport({"进行排课总节数：5节；已排总节数：3节。", "初一1班语文(张明)有2节未排。"});
    QCOMPARE(dlg.windowTitle(), QStringLiteral("排课结果"));
    QVERIFY(dlg.redt1()->isReadOnly());
    dlg.updateMenu();
    QVERIFY(!dlg.actCopy()->isEnabled());
    QCOMPARE(dlg.actCopy()->text(), QStringLiteral("复制"));
    QCOMPARE(dlg.actCopy()->shortcut(), QKeySequence(Qt::CTRL | Qt::Key_C));
    QTextCursor c = dlg.redt1()->textCursor();
    c.movePosition(QTextCursor::Start);
    c.movePosition(QTextCursor::NextBlock);
    c.movePosition(QTextCursor::EndOfBlock, QTextCursor::KeepAnchor);
    dlg.redt1()->setTextCursor(c);
    dlg.updateMenu();
    QVERIFY(dlg.actCopy()->isEnabled());
    QApplication::clipboard()->clear();
    dlg.actCopy()->trigger();
    QCOMPARE(QApplication::clipboard()->text(), QStringLiteral("初一1班语文(张明)有2节未排。"));
}

void PaiUiTest::proofShowsBeforeARunAndFollowsTheClassChoice()
{
    School school;
    fillSchool(*school.store);
    // 初一1班: 21 + 6 + 4 lessons in a week of 30 periods.
    school.store->run("UPDATE renkebd SET jieshu = 21 WHERE banid = 1 AND keid = 1");
    school.store->run("UPDATE kemujieshu SET jieshu = 21 WHERE banid = 1 AND kemuid = 1");
    PaiWindow win(*school.store);
    auto* proof = win.page->lblProof();
    QVERIFY(proof->isVisible());
    QVERIFY2(proof->text().contains(QStringLiteral("初一1班每周31节，可用30节")), qPrintable(proof->text()));
    // Not scheduling the class takes its proof away; choosing it again brings it back.
    pressRow(win.page->lvPaiBan(), 1, 60);
    QVERIFY(!proof->isVisible());
    pressRow(win.page->lvPaiBan(), 1, 60);
    QVERIFY(proof->isVisible());
    // The run may still start, and places the rest.
    QSignalSpy ended(win.page, &PaiPage::runEnded);
    QTest::mouseClick(win.page->btnStart(), Qt::LeftButton);
    QTRY_VERIFY_WITH_TIMEOUT(!ended.isEmpty(), kRunWait);
    QCOMPARE(win.heads, QStringList{QStringLiteral("还有 1 节未排")});
}

void PaiUiTest::resultDialogNamesWhatIsLeftOut()
{
    School school;
    fillSchool(*school.store);
    // 李华 never teaches: his 语文 of 初二1班 and 初一3班, six lessons each, cannot stand.
    for (int w = 1; w <= 5; ++w)
        for (int j = 1; j <= 6; ++j)
            school.store->run("INSERT INTO teshutea(teaid, theday, thejie, teshu) VALUES(2, ?1, ?2, 3)", w, j);
    PaiWindow win(*school.store);
    QVERIFY(win.page->lblProof()->isVisible());
    QSignalSpy ended(win.page, &PaiPage::runEnded);
    QTest::mouseClick(win.page->btnStart(), Qt::LeftButton);
    QTRY_VERIFY_WITH_TIMEOUT(!ended.isEmpty(), kRunWait);
    // One row per assignment, none with a count of slots that is 0; Enter opens the timetable.
    QCOMPARE(win.heads, QStringList{QStringLiteral("还有 12 节未排")});
    QCOMPARE(win.tableRows, QList<int>{2});
    QVERIFY(win.openIsDefault);
    auto* end = win.page->frmPaiend();
    QVERIFY(end->lblProofs()->text().contains(QStringLiteral("李华每周12节，可用0节")));
    for (int r = 0; r < end->tblUnplaced()->rowCount(); ++r) {
        QCOMPARE(end->tblUnplaced()->item(r, 2)->text(), QStringLiteral("李华"));
        QCOMPARE(end->tblUnplaced()->item(r, 3)->text(), QStringLiteral("6"));
        QVERIFY(!end->tblUnplaced()->item(r, 4)->text().contains(QStringLiteral(" 0 节")));
    }
}

void PaiUiTest::stepBudgetIsKeptBetweenSessions()
{
    School school;
    fillSchool(*school.store);
    {
        PaiWindow win(*school.store);
        win.page->sbSteps()->setValue(500000);
    }
    PaiWindow again(*school.store);
    QCOMPARE(again.page->sbSteps()->value(), 500000);
    again.page->sbSteps()->setValue(0);
    QCOMPARE(again.page->sbSteps()->text(), QStringLiteral("不限"));
}

// At the smallest window every text of the page reads whole: each label, button, check box,
// radio button and group title as wide (and a wrapping label as high) as its text by the
// font's metrics, and no option runs out of its box or the page. The top bar too.
void PaiUiTest::textsFitAtTheSmallestWindow()
{
    School school;
    fillSchool(*school.store);
    PaiWindow win(*school.store);
    win->resize(960, 640);
    QCoreApplication::processEvents();
    QVERIFY(win.page->isVisible());
    for (QWidget* root : {static_cast<QWidget*>(win.page), win.topBar()}) {
        const TextFit fit = measureTexts(root);
        QVERIFY2(fit.cut.isEmpty(), qPrintable(fit.cut.join(QStringLiteral("\n"))));
    }
    const TextFit fit = measureTexts(win.page);
    // The longest option and the start button were among the texts measured.
    QVERIFY(fit.measured.contains(QStringLiteral("开始排课")));
    QVERIFY(std::any_of(fit.measured.begin(), fit.measured.end(),
                        [](const QString& t) { return t.startsWith(QStringLiteral("（推荐）")); }));
    for (QAbstractButton* b : win.page->findChildren<QAbstractButton*>()) {
        if (!b->isVisible() || b->text().isEmpty())
            continue;
        const QRect inPage(b->mapTo(win.page, QPoint(0, 0)), b->size());
        QVERIFY2(win.page->rect().contains(inPage), qPrintable(b->text()));
        if (auto* box = qobject_cast<QWidget*>(b->parent()))
            QVERIFY2(box->rect().contains(b->geometry()), qPrintable(b->text()));
    }
}

namespace {

// The polish's steps in the screen tests: far more than the planted repeats need.
constexpr long long kPolishSteps = 20000;

// The stored timetable's same-day repeats.
int storedRepeats(store::Store& st)
{
    const auto school = model::loadSchool(st);
    return timetable::measureQuality(school, model::LoadKeChenData(st, school)).sameDayRepeats;
}

// The main window on a built school, polishing with the tests' budget.
struct PolishWindow : PaiWindow {
    explicit PolishWindow(store::Store& st) : PaiWindow(st) { page->setPolishBudget(kPolishSteps); }
};

}  // namespace

void PaiUiTest::polishNeedsAStoredTimetable()
{
    School school;
    fillSchool(*school.store);
    school.store->run("DELETE FROM kechenbd");
    school.store->run("DELETE FROM PaiOpt");
    PaiWindow win(*school.store);
    win.page->chkPolish()->setChecked(false);
    QVERIFY(!win.page->btnPolish()->isEnabled());
    QSignalSpy ended(win.page, &PaiPage::runEnded);
    QTest::mouseClick(win.page->btnStart(), Qt::LeftButton);
    QTRY_VERIFY_WITH_TIMEOUT(!ended.isEmpty(), kRunWait);
    // The run stored a timetable: now there is something to polish.
    QVERIFY(win.page->btnPolish()->isEnabled());
    QCOMPARE(win.page->btnPolish()->text(), QStringLiteral("优化课表"));
}

void PaiUiTest::polishLowersRepeatsAndShowsBeforeAndAfter()
{
    SchoolBuilder b({1, 2}, 2, 0, 0);
    twoRepeats(b, true);
    QCOMPARE(storedRepeats(b.store()), 2);
    PolishWindow win(b.store());
    QSignalSpy ended(win.page, &PaiPage::polishEnded);
    QList<int> shown;
    connect(win.page->pbPai(), &QProgressBar::valueChanged, win.page, [&](int v) { shown << v; });
    QVERIFY(win.page->btnPolish()->isEnabled());
    QTest::mouseClick(win.page->btnPolish(), Qt::LeftButton);
    QTRY_VERIFY_WITH_TIMEOUT(!ended.isEmpty(), kRunWait);

    QCOMPARE(ended.first().first().toBool(), false);
    QCOMPARE(storedRepeats(b.store()), 0);
    QCOMPARE(static_cast<int>(b.store().scalar("SELECT count(*) FROM kechenbd")), 8);
    QVERIFY(win.asker.texts().isEmpty());
    QCOMPARE(win.heads, QStringList{QStringLiteral("优化完成")});
    const QString figures = win.page->frmPaiend()->lblQuality()->text();
    QVERIFY2(figures.contains(QStringLiteral("同日重复 2 → 0")), qPrintable(figures));
    QVERIFY2(figures.contains(QStringLiteral("教师空节 ")), qPrintable(figures));
    QVERIFY(win.reports.first().contains(QStringLiteral("已保存优化后的课程表。")));
    // Running the search again is no way on from a polish; the run's dialog offers it again.
    QCOMPARE(win.rePaiOffered, QList<bool>{false});
    QVERIFY(!win.page->frmPaiend()->btnRePai()->isHidden());
    QVERIFY(!shown.isEmpty());
    QVERIFY(!win.page->running());
    QVERIFY(win.topBar()->isEnabled());
    QVERIFY(win.page->btnStart()->isEnabled());
}

void PaiUiTest::polishKeepsTheClassesNotChosen()
{
    SchoolBuilder b({1, 2}, 2, 0, 0);
    twoRepeats(b, true);
    const QStringList before = kechenRows(b.store());
    PolishWindow win(b.store());
    QSignalSpy ended(win.page, &PaiPage::polishEnded);
    // Class 2 unchecked: the chain through its lessons is closed and it stands as it is.
    CheckList* lv = win.page->lvPaiBan();
    QCOMPARE(lv->rowCount(), 3);
    lv->setChecks({false, true, false});
    QTest::mouseClick(win.page->btnPolish(), Qt::LeftButton);
    QTRY_VERIFY_WITH_TIMEOUT(!ended.isEmpty(), kRunWait);
    QStringList class2Before, class2After;
    for (const QString& r : before)
        if (r.contains(QStringLiteral(" b2 ")))
            class2Before << r.section(QLatin1Char(':'), 1);
    for (const QString& r : kechenRows(b.store()))
        if (r.contains(QStringLiteral(" b2 ")))
            class2After << r.section(QLatin1Char(':'), 1);
    class2Before.sort();
    class2After.sort();
    QCOMPARE(class2After, class2Before);
    QCOMPARE(storedRepeats(b.store()), 2);
    QCOMPARE(win.heads, QStringList{QStringLiteral("没有找到更好的排法")});
}

void PaiUiTest::polishCancelledAfterSomeStepsWritesNothing_data()
{
    QTest::addColumn<bool>("last");
    QTest::newRow("first step") << false;
    QTest::newRow("last step of an uncancelled polish") << true;
}

void PaiUiTest::polishCancelledAfterSomeStepsWritesNothing()
{
    QFETCH(bool, last);
    SchoolBuilder b({1, 2}, 2, 0, 0);
    twoRepeats(b, true);
    const QStringList before = kechenRows(b.store());
    // The steps the page's polish takes uncancelled: same school, seed, budget and options.
    const auto school = b.load();
    scheduler::PolishRequest req;
    req.opts = scheduler::loadPaiOpt(b.store());
    req.seed = 7;
    req.stepBudget = kPolishSteps;
    const long long steps =
        scheduler::polishTimetable(school, model::LoadKeChenData(b.store(), school),
                                   std::vector<std::uint8_t>(static_cast<std::size_t>(school.MaxBanID) + 1, 0), req)
            .steps;
    QVERIFY(steps >= 1);

    PolishWindow win(b.store());
    StepGate gate(last ? steps : 1);
    win.page->setStepHook(gate.hook());
    QSignalSpy ended(win.page, &PaiPage::polishEnded);
    QTest::mouseClick(win.page->btnPolish(), Qt::LeftButton);
    QTRY_VERIFY_WITH_TIMEOUT(gate.reached.load(), kRunWait);
    // The polish stands at its step: its button cancels, the start button and the top bar wait.
    QVERIFY(win.page->running());
    QCOMPARE(win.page->btnPolish()->text(), QStringLiteral("取消"));
    QVERIFY(win.page->btnPolish()->isEnabled());
    QVERIFY(!win.page->btnStart()->isEnabled());
    QVERIFY(!win.topBar()->isEnabled());

    QTest::mouseClick(win.page->btnPolish(), Qt::LeftButton);
    gate.gate.release();
    QTRY_VERIFY_WITH_TIMEOUT(!ended.isEmpty(), kRunWait);
    QCOMPARE(ended.first().first().toBool(), true);
    QCOMPARE(kechenRows(b.store()), before);
    QCOMPARE(win.reports, QStringList{QStringLiteral("优化已取消，未保存任何数据。")});
    QCOMPARE(win.heads, QStringList{QStringLiteral("优化已取消")});
    QCOMPARE(win.page->btnPolish()->text(), QStringLiteral("优化课表"));
    QCOMPARE(win.page->pbPai()->value(), 0);
    QVERIFY(win.page->btnStart()->isEnabled());
    QVERIFY(win.topBar()->isEnabled());
}

void PaiUiTest::polishWithEverythingLockedSaysSo()
{
    SchoolBuilder b({1, 2}, 2, 0, 0);
    twoRepeats(b, false);
    b.lock(1);
    const QStringList before = kechenRows(b.store());
    PolishWindow win(b.store());
    QSignalSpy ended(win.page, &PaiPage::polishEnded);
    QTest::mouseClick(win.page->btnPolish(), Qt::LeftButton);
    QTRY_VERIFY_WITH_TIMEOUT(!ended.isEmpty(), kRunWait);
    QCOMPARE(win.asker.texts(), QStringList{QStringLiteral("没有可以优化的课")});
    QVERIFY(win.reports.isEmpty());
    QCOMPARE(kechenRows(b.store()), before);
    QVERIFY(win.page->btnPolish()->isEnabled());
}

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    tavrin::ui::useChineseFont(app);
    tavrin::ui::useKitStyle(app);
    // The page keeps its choices in the user's settings: the tests keep theirs in a folder of
    // their own, so they neither change the user's nor see another run's.
    QTemporaryDir settingsDir;
    QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, settingsDir.path());
    PaiUiTest t;
    return QTest::qExec(&t, argc, argv);
}

#include "pai_ui_test.moc"
