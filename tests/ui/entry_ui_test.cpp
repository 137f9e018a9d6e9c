// The class page (step 1) and the week page (step 2), driven as the operator drives them in
// the window: the list's keys and editors, the menus and questions, the week's scope tree,
// counts, grid, menus and dialogs, and both saves with their refusals and faults.
#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QContextMenuEvent>
#include <QLineEdit>
#include <QMenu>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QTreeWidget>
#include <QWheelEvent>
#include <QtTest>

#include <memory>

#include "entry/classes.h"
#include "entry/ui/banpage.h"
#include "entry/ui/weekdialogs.h"
#include "entry/ui/weekpage.h"
#include "entry/week.h"
#include "support/name_dump.h"
#include "support/uitest.h"
#include "ui/fonts.h"
#include "ui/style.h"
#include "ui/kbgrid.h"

using namespace tavrin;
using namespace tavrin::testing;
using entry::BanPos;
using entry::Scope;
using entry::ui::BanListView;
using entry::ui::BanModel;
using entry::ui::BanPage;
using entry::ui::WeekPage;

namespace {

// Three grade groups: 初一 with 4 classes, 初二 with 2, 初三 with 3 (banid 1..9 in that
// order); Monday to Friday, 4 + 4 + 0 periods. 初一1班 and 初一2班 have a lesson on Monday
// period 1; every class of 初二 has 自习 on Tuesday period 3, 初二1班 also 班会 on Friday 8.
void fillSchool(store::Store& s)
{
    s.transaction([&] {
        const char* groups[] = {"初一", "初二", "初三"};
        const int counts[] = {4, 2, 3};
        int ban = 0;
        for (int g = 0; g < 3; ++g) {
            s.run("INSERT INTO jibd VALUES(?1, ?2)", g + 1, groups[g]);
            for (int c = 1; c <= counts[g]; ++c)
                s.run("INSERT INTO banbd VALUES(?1, ?2, ?3, 0)", ++ban, std::string(groups[g]) + std::to_string(c) + "班",
                      g + 1);
        }
        for (int w = 1; w <= 5; ++w)
            s.run("INSERT INTO daybd VALUES(?1, ?2)", w, entry::kWeekNames[w]);
        s.run("INSERT INTO jieshu VALUES(4, 4, 0)");
        s.run("INSERT INTO publictimebd VALUES(2, '课间操')");
        s.run("INSERT INTO timebd VALUES(1, '8:00～8:45')");
        s.run("INSERT INTO gudinbd VALUES(1, '自习', 2, 3, 5)");
        s.run("INSERT INTO gudinbd VALUES(2, '自习', 2, 3, 6)");
        s.run("INSERT INTO gudinbd VALUES(3, '班会', 5, 8, 5)");
        s.run("INSERT INTO kemubd VALUES(1, '语文', '语', 0, 0)");
        s.run("INSERT INTO teabd VALUES(1, '王老师', '王', 0)");
        s.run("INSERT INTO renkebd VALUES(0, 1, 1, 1, 5, 0)");
        s.run("INSERT INTO renkebd VALUES(1, 1, 2, 1, 5, 0)");
        s.run("INSERT INTO kemujieshu VALUES(1, 1, 5)");
        s.run("INSERT INTO kemujieshu VALUES(1, 2, 5)");
        s.run("INSERT INTO kechenbd VALUES(1, 1, 1, 1, 1, 1, 0)");
        s.run("INSERT INTO kechenbd VALUES(2, 1, 1, 2, 1, 1, 0)");
    });
}

struct EntryWindow {
    ScriptedAsker asker;
    std::unique_ptr<mainwin::TForm1> w;
    BanPage* ban = nullptr;
    WeekPage* week = nullptr;

    explicit EntryWindow(store::Store& st)
    {
        w = pageWindow(st, asker, [this](mainwin::TForm1::Options& o) {
            o.pages[1] = [this](ui::Shell& sh) { return ban = new BanPage(sh); };
            o.pages[2] = [this](ui::Shell& sh) { return week = new WeekPage(sh); };
        });
        w->resize(1100, 760);
        w->show();
        QVERIFY(QTest::qWaitForWindowExposed(w.get()));
    }
    mainwin::TForm1* operator->() const { return w.get(); }
    BanListView* list() const { return ban->lvBanji(); }
    BanModel* model() const { return ban->model(); }
    QString name(BanPos p) const { return model()->data(model()->classIndex(p)).toString(); }
    QString group(int g) const { return model()->data(model()->groupIndex(g)).toString(); }
    QLineEdit* editor() const { return list()->editor(); }
    // The centre of a class's tile or of a group's header, in the list's viewport.
    QPoint at(const QModelIndex& i) const { return list()->visualRect(i).center(); }
};

// Types text as key presses (QTest::keyClicks takes only ASCII).
void typeText(QWidget* w, const QString& text)
{
    for (const QChar c : text)
        QTest::sendKeyEvent(QTest::Click, w, Qt::Key_unknown, QString(c), Qt::NoModifier);
}

long long count(store::Store& s, const char* sql)
{
    return s.scalar(sql);
}

}  // namespace

// ================================================================ step 1

class BanUiTest : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void entersWithTheGroupsAndClasses();
    void listKeys_data();
    void listKeys();
    void pressOpensTheEditorAtOnce();
    void typedTextReachesTheModelThroughSetData();
    void groupEditorStepsAndStaysOnTheLastHeader();
    void escapeKeepsTheText();
    void wheelTurnEndsTheEditorKeepingTheText();
    void editorFollowsScrolling();
    void addMenusListTheGroups();
    void listMenuHidesHelpSaveAndReturn();
    void deleteGroupAsksFirst();
    void deleteLastClassTakesTheGroup();
    void fillAsksFirst();
    void saveRenumbersAndReloads();
    void duplicateNamesAreRefusedAndTheTwinSelected();
    void aFailingSaveKeepsTheFileAndTheEdits();
};

void BanUiTest::entersWithTheGroupsAndClasses()
{
    School school;
    fillSchool(*school.store);
    EntryWindow win(*school.store);
    win->openStep(1);
    QCOMPARE(win->currentIndex(), 1);
    QCOMPARE(win.model()->rowCount(), 3);
    QCOMPARE(win.group(1), QStringLiteral("初二"));
    QCOMPARE(win.model()->rowCount(win.model()->groupIndex(0)), 4);
    QCOMPARE(win.name({2, 2}), QStringLiteral("初三3班"));
    QVERIFY(!win.ban->button("btnDelBan")->isEnabled());
    QVERIFY(!win.ban->button("btnDelJi")->isEnabled());
    QVERIFY(!win->dataChanged());
    QVERIFY(win->status().startsWith(QStringLiteral("提示：点击年级名称可以修改")));
    // Headers stand above their tiles, each group below the one before.
    const QRect h1 = win.list()->visualRect(win.model()->groupIndex(1));
    QVERIFY(h1.bottom() < win.list()->visualRect(win.model()->classIndex({1, 0})).top());
    QVERIFY(win.list()->visualRect(win.model()->classIndex({0, 3})).bottom() < h1.top());
}

void BanUiTest::listKeys_data()
{
    QTest::addColumn<int>("group");
    QTest::addColumn<int>("index");
    QTest::addColumn<int>("key");
    QTest::addColumn<int>("toGroup");  // -1: nothing happens
    QTest::addColumn<int>("toIndex");
    QTest::newRow("right within the group") << 0 << 1 << int(Qt::Key_Right) << 0 << 2;
    QTest::newRow("left within the group") << 0 << 2 << int(Qt::Key_Left) << 0 << 1;
    QTest::newRow("right at the group's end") << 1 << 1 << int(Qt::Key_Right) << -1 << 0;
    QTest::newRow("left at the group's start") << 1 << 0 << int(Qt::Key_Left) << -1 << 0;
    QTest::newRow("down to the next group's first") << 0 << 3 << int(Qt::Key_Down) << 1 << 0;
    QTest::newRow("up to the previous group's first") << 2 << 2 << int(Qt::Key_Up) << 1 << 0;
    QTest::newRow("down at the last group") << 2 << 1 << int(Qt::Key_Down) << -1 << 0;
    QTest::newRow("up at the first group") << 0 << 2 << int(Qt::Key_Up) << -1 << 0;
    QTest::newRow("enter opens the selected class") << 1 << 1 << int(Qt::Key_Return) << 1 << 1;
}

void BanUiTest::listKeys()
{
    QFETCH(int, group);
    QFETCH(int, index);
    QFETCH(int, key);
    QFETCH(int, toGroup);
    QFETCH(int, toIndex);
    School school;
    fillSchool(*school.store);
    EntryWindow win(*school.store);
    win->openStep(1);
    win.list()->selectClass({group, index});
    win.list()->setFocus();
    QVERIFY(!win.editor());
    QTest::keyClick(win.list(), static_cast<Qt::Key>(key));
    QVERIFY(win->dataChanged());  // every key counts as an edit
    if (toGroup < 0) {
        QCOMPARE(win.list()->selectedClass(), (BanPos{group, index}));
        QVERIFY(!win.editor());
        return;
    }
    QCOMPARE(win.list()->selectedClass(), (BanPos{toGroup, toIndex}));
    QVERIFY(win.editor());
    QCOMPARE(win.editor()->objectName(), QStringLiteral("edtBan"));
    QCOMPARE(win.list()->editedIndex(), win.model()->classIndex({toGroup, toIndex}));
    QCOMPARE(win.editor()->text(), win.name({toGroup, toIndex}));
}

void BanUiTest::pressOpensTheEditorAtOnce()
{
    School school;
    fillSchool(*school.store);
    EntryWindow win(*school.store);
    win->openStep(1);
    QTest::mouseClick(win.list()->viewport(), Qt::LeftButton, {}, win.at(win.model()->classIndex({2, 1})));
    QVERIFY(win.editor());
    QCOMPARE(win.editor()->objectName(), QStringLiteral("edtBan"));
    QCOMPARE(win.editor()->text(), QStringLiteral("初三2班"));
    QVERIFY(win.ban->button("btnDelBan")->isEnabled());
    // A header: the group editor over it, the group's first class selected.
    QTest::mouseClick(win.list()->viewport(), Qt::LeftButton, {}, win.at(win.model()->groupIndex(1)));
    QVERIFY(win.editor());
    QCOMPARE(win.editor()->objectName(), QStringLiteral("edtGroup"));
    QCOMPARE(win.editor()->text(), QStringLiteral("初二"));
    QCOMPARE(win.editor()->selectedText(), QStringLiteral("初二"));
    QCOMPARE(win.list()->selectedClass(), (BanPos{1, 0}));
    QCOMPARE(win.editor()->geometry(), win.list()->visualRect(win.model()->groupIndex(1)));
}

void BanUiTest::typedTextReachesTheModelThroughSetData()
{
    School school;
    fillSchool(*school.store);
    EntryWindow win(*school.store);
    win->openStep(1);
    QSignalSpy changed(win.model(), &QAbstractItemModel::dataChanged);
    win.list()->openEditor(win.model()->classIndex({0, 0}));
    typeText(win.editor(), QStringLiteral("七年级一班"));
    // Still open, and already in the model.
    QVERIFY(win.editor());
    QCOMPARE(win.name({0, 0}), QStringLiteral("七年级一班"));
    QCOMPARE(win.model()->draft().groups[0].classes[0].name, std::string("七年级一班"));
    QVERIFY(changed.count() >= 5);
    QVERIFY(win->dataChanged());
}

void BanUiTest::groupEditorStepsAndStaysOnTheLastHeader()
{
    School school;
    fillSchool(*school.store);
    EntryWindow win(*school.store);
    win->openStep(1);
    win.list()->openHeader(0);
    typeText(win.editor(), QStringLiteral("七年级"));
    QTest::keyClick(win.editor(), Qt::Key_Down);
    QCOMPARE(win.group(0), QStringLiteral("七年级"));
    QCOMPARE(win.list()->editedIndex(), win.model()->groupIndex(1));
    QTest::keyClick(win.editor(), Qt::Key_Return);
    QCOMPARE(win.list()->editedIndex(), win.model()->groupIndex(2));
    QTest::keyClick(win.editor(), Qt::Key_End);
    typeText(win.editor(), QStringLiteral("级"));
    // Enter on the last header: the editor stays where it is, open.
    QTest::keyClick(win.editor(), Qt::Key_Enter);
    QVERIFY(win.editor());
    QCOMPARE(win.list()->editedIndex(), win.model()->groupIndex(2));
    QCOMPARE(win.group(2), QStringLiteral("初三级"));
    QTest::keyClick(win.editor(), Qt::Key_Up);
    QCOMPARE(win.list()->editedIndex(), win.model()->groupIndex(1));
    QTest::keyClick(win.editor(), Qt::Key_Up);
    QTest::keyClick(win.editor(), Qt::Key_Up);  // the first header: stays
    QCOMPARE(win.list()->editedIndex(), win.model()->groupIndex(0));
    QVERIFY(win.editor());
}

void BanUiTest::escapeKeepsTheText()
{
    School school;
    fillSchool(*school.store);
    EntryWindow win(*school.store);
    win->openStep(1);
    for (bool group : {false, true}) {
        const QModelIndex i = group ? win.model()->groupIndex(2) : win.model()->classIndex({1, 1});
        win.list()->openEditor(i);
        win.editor()->selectAll();
        typeText(win.editor(), QStringLiteral("新名"));
        QTest::keyClick(win.editor(), Qt::Key_Escape);
        QVERIFY(!win.editor());
        QCOMPARE(win.model()->data(i).toString(), QStringLiteral("新名"));
    }
}

void BanUiTest::wheelTurnEndsTheEditorKeepingTheText()
{
    School school;
    fillSchool(*school.store);
    EntryWindow win(*school.store);
    win->openStep(1);
    win.list()->openEditor(win.model()->classIndex({0, 2}));
    win.editor()->setText(QStringLiteral("滚轮"));  // programmatic text: not yet written through
    const QPoint pos = win.at(win.model()->classIndex({0, 3}));
    QWheelEvent wheel(pos, win.list()->viewport()->mapToGlobal(pos), {}, QPoint(0, -120), Qt::NoButton, Qt::NoModifier,
                      Qt::NoScrollPhase, false);
    QApplication::sendEvent(win.list()->viewport(), &wheel);
    QVERIFY(!win.editor());
    QCOMPARE(win.name({0, 2}), QStringLiteral("滚轮"));
}

void BanUiTest::editorFollowsScrolling()
{
    School school;
    fillSchool(*school.store);
    EntryWindow win(*school.store);
    win->openStep(1);
    for (int i = 0; i < 120; ++i)  // more classes than the list can show at once
        QVERIFY(win.model()->addClass(0, nullptr).ok);
    auto* bar = win.list()->verticalScrollBar();
    QVERIFY(bar->maximum() > 0);
    win.list()->openEditor(win.model()->classIndex({1, 0}));
    bar->setValue(bar->value() + 30);
    QCOMPARE(win.editor()->geometry(), win.list()->visualRect(win.model()->classIndex({1, 0})));
}

void BanUiTest::addMenusListTheGroups()
{
    School school;
    fillSchool(*school.store);
    EntryWindow win(*school.store);
    win->openStep(1);
    QMenu* m = win.ban->pmAddBan();
    win.ban->rebuildAddMenu(m);
    QStringList captions;
    for (QAction* a : m->actions())
        captions << a->text();
    QCOMPARE(captions, (QStringList{"至：初一", "至：初二", "至：初三"}));
    m->actions()[1]->trigger();
    QCOMPARE(win.model()->rowCount(win.model()->groupIndex(1)), 3);
    QCOMPARE(win.name({1, 2}), QStringLiteral("未命名 班级"));
    QCOMPARE(win.list()->selectedClass(), (BanPos{1, 2}));
    QVERIFY(win.editor());
    QCOMPARE(win.list()->editedIndex(), win.model()->classIndex({1, 2}));
    QVERIFY(win->dataChanged());

    // A new grade group comes with one class and its name open for typing.
    win.ban->btnAddJiClick();
    QCOMPARE(win.model()->rowCount(), 4);
    QCOMPARE(win.group(3), QStringLiteral("未命名 年级"));
    QCOMPARE(win.name({3, 0}), QStringLiteral("未命名 班级"));
    QCOMPARE(win.editor()->objectName(), QStringLiteral("edtGroup"));
    QCOMPARE(win.list()->editedIndex(), win.model()->groupIndex(3));
}

void BanUiTest::listMenuHidesHelpSaveAndReturn()
{
    School school;
    fillSchool(*school.store);
    EntryWindow win(*school.store);
    win->openStep(1);
    const QPoint pos = win.at(win.model()->classIndex({0, 0}));
    QContextMenuEvent e(QContextMenuEvent::Mouse, pos, win.list()->viewport()->mapToGlobal(pos));
    QApplication::sendEvent(win.list()->viewport(), &e);
    QMenu* m = win.ban->pmBanJi();
    QTRY_VERIFY(m->isVisible());
    for (const char* n : {"mniBanHelp", "mniBanSave", "mniBanBack"})
        QVERIFY2(!win.ban->action(n)->isVisible(), n);
    QVERIFY(win.ban->action("NFillBanName")->isVisible());
    m->hide();
    QCOMPARE(win.ban->pageMenu(), m);
    for (const char* n : {"mniBanHelp", "mniBanSave", "mniBanBack"})
        QVERIFY2(win.ban->action(n)->isVisible(), n);
}

void BanUiTest::deleteGroupAsksFirst()
{
    School school;
    fillSchool(*school.store);
    EntryWindow win(*school.store);
    win->openStep(1);
    win.list()->selectClass({1, 1});
    win.asker.answer(ui::Answer::Cancel).answer(ui::Answer::Ok);
    win.ban->btnDelJiClick();
    QCOMPARE(win.asker.shown.back().title, QStringLiteral("删除级组"));
    QCOMPARE(win.asker.shown.back().text, QStringLiteral("删除级组时，会将下属的班级一概删除，真的要删除吗？"));
    QCOMPARE(win.model()->rowCount(), 3);
    QVERIFY(win->dataChanged());  // whichever the answer
    win.ban->btnDelJiClick();
    QCOMPARE(win.model()->rowCount(), 2);
    QCOMPARE(win.group(1), QStringLiteral("初三"));
    QVERIFY(!win.ban->button("btnDelJi")->isEnabled());
    QVERIFY(win.asker.done());
}

void BanUiTest::deleteLastClassTakesTheGroup()
{
    School school;
    fillSchool(*school.store);
    EntryWindow win(*school.store);
    win->openStep(1);
    win.list()->selectClass({1, 1});
    win.ban->btnDelBanClick();  // no question
    QCOMPARE(win.list()->selectedClass(), (BanPos{1, 0}));
    win.ban->btnDelBanClick();
    QCOMPARE(win.model()->rowCount(), 2);
    QCOMPARE(win.group(1), QStringLiteral("初三"));
    QVERIFY(!win.list()->selectedClass().valid());
    QVERIFY(win.asker.shown.empty());
}

void BanUiTest::fillAsksFirst()
{
    School school;
    fillSchool(*school.store);
    EntryWindow win(*school.store);
    win->openStep(1);
    win.model()->setData(win.model()->groupIndex(0), QStringLiteral("七年级"));
    win.asker.answer(ui::Answer::Cancel).answer(ui::Answer::Ok);
    win.ban->btnFillBanClick();
    QCOMPARE(win.asker.shown.back().title, QStringLiteral("自动填充班级名称"));
    QCOMPARE(win.asker.shown.back().text, QStringLiteral("要将所有班级名称填为”年级+班序“的形式吗?"));
    QCOMPARE(win.name({0, 3}), QStringLiteral("初一4班"));
    win.ban->btnFillBanClick();
    QCOMPARE(win.name({0, 3}), QStringLiteral("七年级4班"));
    QCOMPARE(win.name({2, 0}), QStringLiteral("初三1班"));
}

void BanUiTest::saveRenumbersAndReloads()
{
    School school;
    fillSchool(*school.store);
    EntryWindow win(*school.store);
    win->openStep(1);
    win.list()->selectClass({0, 0});
    win.ban->btnDelBanClick();
    win.list()->openEditor(win.model()->classIndex({2, 0}));
    win.editor()->setText(QStringLiteral("初三(1)班"));  // still open at the save
    win->save();
    QCOMPARE(win.asker.texts().back(), QStringLiteral("保存完成"));
    QVERIFY(!win->dataChanged());
    QVERIFY(!win.editor());
    QCOMPARE(count(*school.store, "SELECT max(banid) FROM banbd"), 8);
    QCOMPARE(count(*school.store, "SELECT banid FROM banbd WHERE banname = '初三(1)班'"), 6);
    // 初一2班 is class 1 now and keeps its lesson; 初一1班's went with it.
    QCOMPARE(count(*school.store, "SELECT theban FROM kechenbd"), 1);
    QCOMPARE(win.model()->draft().groups[0].classes[0].id, std::optional<std::int64_t>(1));
    QCOMPARE(win.name({0, 0}), QStringLiteral("初一2班"));
}

void BanUiTest::duplicateNamesAreRefusedAndTheTwinSelected()
{
    School school;
    fillSchool(*school.store);
    EntryWindow win(*school.store);
    win->openStep(1);
    const TableDump before = rawDump(*school.store);
    win.model()->setData(win.model()->classIndex({2, 1}), QStringLiteral("初一2班"));
    win->save();
    QCOMPARE(win.asker.texts().back(), QStringLiteral("班级名称不能重复，请修正。"));
    QVERIFY(win->dataChanged());
    QCOMPARE(win.list()->selectedClass(), (BanPos{2, 1}));
    QVERIFY(rawDump(*school.store) == before);
}

void BanUiTest::aFailingSaveKeepsTheFileAndTheEdits()
{
    School school;
    fillSchool(*school.store);
    EntryWindow win(*school.store);
    win->openStep(1);
    school.store->exec("CREATE TEMP TRIGGER full BEFORE INSERT ON banbd BEGIN SELECT RAISE(ABORT, 'database or disk is full'); END");
    const TableDump before = rawDump(*school.store);
    win.ban->addBan(0);
    win.list()->selectClass({1, 0});
    win.ban->btnDelBanClick();
    const entry::ClassDraft edited = win.model()->draft();
    win->save();
    QVERIFY(win.asker.texts().back().contains(QStringLiteral("database or disk is full")));
    QVERIFY(win.asker.texts().back().startsWith(QStringLiteral("保存失败")));
    QVERIFY(win->dataChanged());
    QVERIFY(win.model()->draft() == edited);
    QVERIFY(rawDump(*school.store) == before);
}

// ================================================================ step 2

class WeekUiTest : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void beforeTheFirstSaveTheWeekIsMondayToFriday();
    void entersAtTheRootWithDifferingCellsAndBands();
    void geometryOfTheWeek();
    void clickTogglesNoLessonOverTheScope();
    void differingClassesAskAndCancelChangesNothing();
    void groupScopeShowsItsOwnClasses();
    void daysAndCountsRebuildTheGrid();
    void cellMenuSetsNamedLessons();
    void bandsAndHeadersOpenTheirEditors();
    void periodTimeDialog();
    void publicSlotDialog();
    void saveTakesCoveredLessonsOutAndSaysHowMany();
    void allCountsZeroIsRefused();
    void aFailingSaveKeepsTheFileAndTheEdits();
};

void WeekUiTest::beforeTheFirstSaveTheWeekIsMondayToFriday()
{
    School school(Fixture::ClassesOnly);
    EntryWindow win(*school.store);
    win->openStep(2);
    for (int w = 1; w <= 7; ++w)
        QCOMPARE(win.week->chkDay(w)->isChecked(), w <= 5);
    QCOMPARE(win.week->edtJie(0)->value(), 3);
    QCOMPARE(win.week->edtJie(1)->value(), 3);
    QCOMPARE(win.week->edtJie(2)->value(), 9);
    QCOMPARE(win.week->grid()->slotCount(), 5 * 15);
    QVERIFY(!win->dataChanged());
    QVERIFY(win->status().startsWith(QStringLiteral("提示：自习、班会")));
}

void WeekUiTest::entersAtTheRootWithDifferingCellsAndBands()
{
    School school;
    fillSchool(*school.store);
    EntryWindow win(*school.store);
    win->openStep(2);
    auto* g = win.week->grid();
    QCOMPARE(g->days(), 5);
    QCOMPARE(g->periods(), 8);
    QCOMPARE(g->cornerText(), QStringLiteral("全校"));
    QCOMPARE(g->periodHeader(1), QStringLiteral("第1节\n8:00～8:45"));
    QCOMPARE(g->dayHeader(2), QStringLiteral("星期二"));
    const int tue3 = model::slotOf(2, 3, 8);
    QCOMPARE(g->cell(tue3).text, QStringLiteral("各班不一样"));
    QCOMPARE(g->cellFill(tue3), QColor(0xa8, 0x7b, 0x66));
    QCOMPARE(g->cellFill(model::slotOf(1, 1, 8)), QColor(0x59, 0xac, 0xff));
    QCOMPARE(g->cellFill(model::slotOf(1, 5, 8)), QColor(0x8d, 0xca, 0x00));
    // The public slot after period 2, across the week, between periods 2 and 3.
    QCOMPARE(g->geometry().bands.size(), std::size_t(1));
    const QRect band = g->geometry().band(0);
    QCOMPARE(g->geometry().bands[0].text, QStringLiteral("课间操"));
    QVERIFY(band.top() >= g->slotRect(model::slotOf(1, 2, 8)).bottom());
    QVERIFY(band.bottom() <= g->slotRect(model::slotOf(1, 3, 8)).top());
    QCOMPARE(win.week->bandSlot(0), 2);
    // The tree: groups with their classes, the root selected.
    QTreeWidget* t = win.week->tvBanGudin();
    QCOMPARE(t->topLevelItem(0)->text(0), QStringLiteral("全校"));
    QCOMPARE(t->topLevelItem(0)->childCount(), 3);
    QCOMPARE(t->topLevelItem(0)->child(2)->childCount(), 3);
    QCOMPARE(t->currentItem(), t->topLevelItem(0));
}

void WeekUiTest::geometryOfTheWeek()
{
    entry::WeekDraft d;
    d.days = {false, true, true, true, true, true, false, false};
    d.mor = 4;
    d.aft = 3;
    d.nig = 2;
    d.publicTimes[0] = "早读";
    d.publicTimes[4] = "午休";
    const auto geo = entry::ui::weekGeometry(QSize(602, 702), d);
    // W = (602 - 2) / 6 - 2, H = (702 - 40 - 2) / (9 + 1 + 1) - 2.
    QCOMPARE(geo.cellW, 100);
    QCOMPARE(geo.cellH, 60);
    QCOMPARE(geo.fontSize, std::max(8, std::min(98 / 12, 58 / 4)));
    QCOMPARE(geo.gapBefore[5], 20);
    QCOMPARE(geo.gapBefore[8], 20);
    QCOMPARE(geo.bands.size(), std::size_t(2));
    QCOMPARE(geo.bands[0].beforePeriod, 1);
    QCOMPARE(geo.bands[1].beforePeriod, 5);
    QCOMPARE(geo.bands[1].size, 29);
    // The band after the morning's last period lies before the afternoon's gap.
    QVERIFY(geo.band(1).bottom() < geo.cell(1, 5).top() - 19);
    // A tiny panel: nothing negative, the font never below 8.
    const auto tiny = entry::ui::weekGeometry(QSize(40, 30), d);
    QCOMPARE(tiny.fontSize, 8);
    QVERIFY(tiny.cellW >= 2 && tiny.cellH >= 2);
}

void WeekUiTest::clickTogglesNoLessonOverTheScope()
{
    School school;
    fillSchool(*school.store);
    EntryWindow win(*school.store);
    win->openStep(2);
    auto* g = win.week->grid();
    const int mon4 = model::slotOf(1, 4, 8);
    QTest::mouseClick(g, Qt::LeftButton, {}, g->slotRect(mon4).center());
    QCOMPARE(g->cell(mon4).text, QStringLiteral("无课"));
    QCOMPARE(g->cellFill(mon4), QColor(0xe4, 0x29, 0x29));
    for (int k = 0; k < 9; ++k)
        QCOMPARE(QString::fromStdString(entry::cellShown(win.week->draft(), Scope::cls(k), 1, 4).text),
                 QStringLiteral("无课"));
    QVERIFY(win.asker.shown.empty());
    QVERIFY(win->dataChanged());
    QTest::mouseClick(g, Qt::LeftButton, {}, g->slotRect(mon4).center());
    QCOMPARE(g->cell(mon4).text, QString());
    QCOMPARE(win.week->selDay(), 1);
    QCOMPARE(win.week->selJie(), 4);
}

void WeekUiTest::differingClassesAskAndCancelChangesNothing()
{
    School school;
    fillSchool(*school.store);
    EntryWindow win(*school.store);
    win->openStep(2);
    auto* g = win.week->grid();
    const int tue3 = model::slotOf(2, 3, 8);
    const entry::WeekDraft before = win.week->draft();
    win.asker.answer(ui::Answer::Cancel).answer(ui::Answer::Ok);
    QTest::mouseClick(g, Qt::LeftButton, {}, g->slotRect(tue3).center());
    QCOMPARE(win.asker.shown.back().text, QStringLiteral("各个班在这节课上的设置不完全一样，真的要全设置为有课"));
    QCOMPARE(win.asker.shown.back().title, QString());
    QVERIFY(win.week->draft() == before);
    QTest::mouseClick(g, Qt::LeftButton, {}, g->slotRect(tue3).center());
    QCOMPARE(g->cell(tue3).text, QString());
    QCOMPARE(QString::fromStdString(entry::cellShown(win.week->draft(), Scope::cls(4), 2, 3).text), QString());
    QVERIFY(win.asker.done());
}

void WeekUiTest::groupScopeShowsItsOwnClasses()
{
    School school;
    fillSchool(*school.store);
    EntryWindow win(*school.store);
    win->openStep(2);
    auto* g = win.week->grid();
    win.week->selectScope(Scope::group(1));
    QCOMPARE(g->cornerText(), QStringLiteral("初二"));
    QCOMPARE(g->cell(model::slotOf(2, 3, 8)).text, QStringLiteral("自习"));
    QCOMPARE(g->cell(model::slotOf(5, 8, 8)).text, QStringLiteral("各班不一样"));
    // Setting 无课 where the group differs asks, with the name in the question.
    win.asker.answer(ui::Answer::Ok);
    QTest::mouseClick(g, Qt::RightButton, {}, g->slotRect(model::slotOf(5, 8, 8)).center());
    win.week->setGudin(QStringLiteral("无课"));
    QCOMPARE(win.asker.shown.back().text, QStringLiteral("各个班在这节课上的设置不完全一样，真的要全设置为无课"));
    QCOMPARE(g->cell(model::slotOf(5, 8, 8)).text, QStringLiteral("无课"));
    // Only the group's classes changed.
    QCOMPARE(QString::fromStdString(entry::cellShown(win.week->draft(), Scope::cls(0), 5, 8).text), QString());
    win.week->selectScope(Scope::cls(5));
    QCOMPARE(g->cornerText(), QStringLiteral("初二2班"));
    QCOMPARE(g->cell(model::slotOf(5, 8, 8)).text, QStringLiteral("无课"));
}

void WeekUiTest::daysAndCountsRebuildTheGrid()
{
    School school;
    fillSchool(*school.store);
    EntryWindow win(*school.store);
    win->openStep(2);
    auto* g = win.week->grid();
    win.week->chkDay(2)->click();  // Tuesday off: its fixed lessons stay in memory
    QVERIFY(win->dataChanged());
    QCOMPARE(g->days(), 4);
    QCOMPARE(g->dayHeader(2), QStringLiteral("星期三"));
    win.week->chkDay(2)->click();
    QCOMPARE(g->cell(model::slotOf(2, 3, 8)).text, QStringLiteral("各班不一样"));
    // Typed digits do nothing; the arrows step.
    auto* evening = win.week->edtJie(2);
    evening->setFocus();
    QTest::keyClicks(evening, QStringLiteral("7"));
    QCOMPARE(evening->value(), 0);
    QTest::keyClick(evening, Qt::Key_Up);
    QCOMPARE(evening->value(), 1);
    QCOMPARE(g->periods(), 9);
    QCOMPARE(g->cellFill(model::slotOf(1, 9, 9)), QColor(0xff, 0x80, 0x40));
    QCOMPARE(g->geometry().gapBefore[9], 20);
}

void WeekUiTest::cellMenuSetsNamedLessons()
{
    School school;
    fillSchool(*school.store);
    EntryWindow win(*school.store);
    win->openStep(2);
    auto* g = win.week->grid();
    win.week->selectScope(Scope::cls(0));
    const int wed2 = model::slotOf(3, 2, 8);
    const QPoint at = g->slotRect(wed2).center();
    QContextMenuEvent e(QContextMenuEvent::Mouse, at, g->mapToGlobal(at));
    QApplication::sendEvent(g, &e);
    QMenu* pm2 = win.week->pm2();
    QTRY_VERIFY(pm2->isVisible());
    QStringList captions;
    for (QAction* a : pm2->actions())
        if (!a->isSeparator())
            captions << a->text();
    QCOMPARE(captions, (QStringList{"无课", "自习", "班会", "级会", "劳动", "教研活动", "党团活动", "其他...",
                                    "添加公共时段..."}));
    pm2->hide();
    pm2->actions()[3]->trigger();  // 班会, after 无课 and a separator
    QCOMPARE(g->cell(wed2).text, QStringLiteral("班会"));
    win.asker.answerText(QStringLiteral("社团活动"));
    pm2->findChild<QAction*>("mniOther")->trigger();
    QCOMPARE(win.asker.shown.back().text, QStringLiteral("固定课名称："));
    QCOMPARE(g->cell(wed2).text, QStringLiteral("社团活动"));
    win.asker.answerText(QString());  // an empty name changes nothing
    pm2->findChild<QAction*>("mniOther")->trigger();
    QCOMPARE(g->cell(wed2).text, QStringLiteral("社团活动"));
}

void WeekUiTest::bandsAndHeadersOpenTheirEditors()
{
    School school;
    fillSchool(*school.store);
    EntryWindow win(*school.store);
    win->openStep(2);
    auto* g = win.week->grid();
    win.asker.answerText(QStringLiteral("眼保健操"));
    QTest::mouseClick(g, Qt::LeftButton, {}, g->geometry().band(0).center());
    QCOMPARE(win.asker.shown.back().text, QStringLiteral("公共时段名称："));
    QCOMPARE(g->geometry().bands[0].text, QStringLiteral("眼保健操"));
    // The band's menu removes it.
    const QPoint at = g->geometry().band(0).center();
    QContextMenuEvent e(QContextMenuEvent::Mouse, at, g->mapToGlobal(at));
    QApplication::sendEvent(g, &e);
    QTRY_VERIFY(win.week->pm3()->isVisible());
    win.week->pm3()->hide();
    win.week->pm3()->findChild<QAction*>("mniDelPublic")->trigger();
    QVERIFY(g->geometry().bands.empty());
    // A click on a period header opens the period times.
    int opened = 0;
    win.week->setDialogRunner([&](QDialog& d) {
        ++opened;
        QCOMPARE(d.objectName(), QStringLiteral("TaddTime"));
        d.reject();
    });
    QTest::mouseClick(g, Qt::LeftButton, {}, g->headerRect(0, 3).center());
    QCOMPARE(opened, 1);
}

void WeekUiTest::periodTimeDialog()
{
    School school;
    fillSchool(*school.store);
    EntryWindow win(*school.store);
    win->openStep(2);
    bool disabled = false;
    win.week->setDialogRunner([&](QDialog& d) {
        auto& dlg = static_cast<entry::ui::TaddTime&>(d);
        disabled = !win->isEnabled();
        QCOMPARE(dlg.windowTitle(), QStringLiteral("节次时间设置"));
        QCOMPARE(dlg.mmo1()->document()->blockCount(), 27);
        QCOMPARE(dlg.mmo1()->textCursor().position(), 0);
        QCOMPARE(dlg.lblLine()->text(), QString());
        QTest::keyClick(dlg.mmo1(), Qt::Key_Down);
        QCOMPARE(dlg.lblLine()->text(), QStringLiteral("第2节"));
        dlg.mmo1()->setPlainText(QStringLiteral("7:30\n8:30\n9:30"));
        dlg.btn1()->click();
    });
    win.week->btnSetTime()->click();
    QVERIFY(disabled);
    QVERIFY(win->isEnabled());
    const auto& t = win.week->draft().times;
    QCOMPARE(QString::fromStdString(t[1]), QStringLiteral("7:30"));
    QCOMPARE(QString::fromStdString(t[3]), QStringLiteral("9:30"));
    QVERIFY(t[4].empty());
    QCOMPARE(win.week->grid()->periodHeader(2), QStringLiteral("第2节\n8:30"));
    // Cancel changes nothing.
    win.week->setDialogRunner([](QDialog& d) {
        static_cast<entry::ui::TaddTime&>(d).mmo1()->setPlainText("x");
        static_cast<entry::ui::TaddTime&>(d).btn2()->click();
    });
    win.week->btnSetTime()->click();
    QCOMPARE(QString::fromStdString(win.week->draft().times[1]), QStringLiteral("7:30"));
}

void WeekUiTest::publicSlotDialog()
{
    School school;
    fillSchool(*school.store);
    EntryWindow win(*school.store);
    win->openStep(2);
    bool disabled = false;
    win.week->setDialogRunner([&](QDialog& d) {
        auto& dlg = static_cast<entry::ui::TaddPublicTime&>(d);
        disabled = !win->isEnabled();
        QCOMPARE(dlg.windowTitle(), QStringLiteral("添加公共时段"));
        QCOMPARE(dlg.edt1()->value(), 0);
        QCOMPARE(dlg.edt1()->maximum(), 8);
        QCOMPARE(dlg.edt2()->text(), QString());
        dlg.edt1()->stepBy(2);
        QCOMPARE(dlg.edt2()->text(), QStringLiteral("课间操"));
        dlg.edt1()->stepBy(-2);
        dlg.edt2()->setText(QStringLiteral("早读"));
        dlg.btnOk()->click();  // added; the dialog stays for more
        dlg.edt1()->stepBy(2);
        dlg.edt2()->clear();
        dlg.btnOk()->click();  // an empty text removes the slot
        dlg.btnCancel()->click();
    });
    win.week->btnAddPublicTime()->click();
    QVERIFY(disabled);
    QVERIFY(win->isEnabled());
    QCOMPARE(QString::fromStdString(win.week->draft().publicTimes[0]), QStringLiteral("早读"));
    QVERIFY(win.week->draft().publicTimes[2].empty());
    const auto& bands = win.week->grid()->geometry().bands;
    QCOMPARE(bands.size(), std::size_t(1));
    QCOMPARE(bands[0].beforePeriod, 1);
    QVERIFY(win->dataChanged());
}

void WeekUiTest::saveTakesCoveredLessonsOutAndSaysHowMany()
{
    School school;
    fillSchool(*school.store);
    EntryWindow win(*school.store);
    win->openStep(2);
    auto* g = win.week->grid();
    win.week->selectScope(Scope::group(0));
    QTest::mouseClick(g, Qt::LeftButton, {}, g->slotRect(model::slotOf(1, 1, 8)).center());
    win->save();
    QCOMPARE(win.asker.texts(), (QStringList{"保存完成", QString::fromStdString(entry::unplacedMessage(2))}));
    QVERIFY(!win->dataChanged());
    QCOMPARE(count(*school.store, "SELECT count(*) FROM kechenbd"), 0);
    QCOMPARE(count(*school.store, "SELECT count(*) FROM gudinbd WHERE theday = 1 AND thejie = 1"), 4);
}

void WeekUiTest::allCountsZeroIsRefused()
{
    School school;
    fillSchool(*school.store);
    EntryWindow win(*school.store);
    win->openStep(2);
    const TableDump before = rawDump(*school.store);
    for (int i = 0; i < 3; ++i)
        win.week->edtJie(i)->setValue(0);
    QCOMPARE(win.week->grid()->slotCount(), 0);
    win->save();
    QCOMPARE(win.asker.texts().back(), QStringLiteral("每天节数不能全为0。"));
    QVERIFY(win->dataChanged());
    QVERIFY(rawDump(*school.store) == before);
}

void WeekUiTest::aFailingSaveKeepsTheFileAndTheEdits()
{
    School school;
    fillSchool(*school.store);
    EntryWindow win(*school.store);
    win->openStep(2);
    school.store->exec("CREATE TEMP TRIGGER locked BEFORE INSERT ON timebd BEGIN SELECT RAISE(ABORT, 'database is locked'); END");
    const TableDump before = rawDump(*school.store);
    win.week->chkDay(6)->click();
    win.week->cellClick(1, 1);
    const entry::WeekDraft edited = win.week->draft();
    win->save();
    QCOMPARE(win.asker.texts().size(), qsizetype(1));
    QVERIFY(win.asker.texts().back().startsWith(QStringLiteral("保存失败")));
    QVERIFY(win.asker.texts().back().contains(QStringLiteral("database is locked")));
    QVERIFY(win->dataChanged());
    QVERIFY(win.week->draft() == edited);
    QCOMPARE(win.week->grid()->days(), 6);
    QVERIFY(rawDump(*school.store) == before);
}

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    ui::useChineseFont(app);
    ui::useKitStyle(app);
    QStringList args = app.arguments();
    QString only;
    if (args.size() > 1 && !args[1].startsWith('-')) {
        only = args[1];
        args.removeAt(1);
    }
    int failed = 0;
    if (only.isEmpty() || only == QLatin1String("BanUiTest")) {
        BanUiTest t;
        failed += QTest::qExec(&t, args);
    }
    if (only.isEmpty() || only == QLatin1String("WeekUiTest")) {
        WeekUiTest t;
        failed += QTest::qExec(&t, args);
    }
    return failed == 0 ? 0 : 1;
}

#include "entry_ui_test.moc"
