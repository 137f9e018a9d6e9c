// The main window's page switching and common commands: Save routing, Return with the
// save question, Close, Help, the timetable entries and the placeholders.
#include <QAbstractButton>
#include <QCheckBox>
#include <QCommonStyle>
#include <QDialogButtonBox>
#include <QFileDialog>
#include <QTranslator>
#include <QStyleOptionButton>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QTextBlock>
#include <QTextBrowser>
#include <QTimer>

#include <nlohmann/json.hpp>

#include "ui_tests.h"
#include "ui/fonts.h"
#include "ui/widget_asker.h"
#include "users/users.h"

using namespace tavrin;
using namespace tavrin::testing;
using ui::SaveAnswer;

namespace {
const QString kSaveTitle = QStringLiteral("是否保存");
const QString kSaveText = QStringLiteral("已修改过，是否保存？");
const QString kExit = QStringLiteral("确定要退出Tavrin吗？");
const QString kViewer = QStringLiteral("以“浏览者”身份登陆时不能修改数据。");
}  // namespace

void ShellTest::returnWithEditsFollowsTheAnswer_data()
{
    QTest::addColumn<int>("answer");
    QTest::addColumn<bool>("saveSucceeds");
    QTest::addColumn<int>("saves");
    QTest::addColumn<int>("pageAfter");
    QTest::addColumn<bool>("changedAfter");
    QTest::newRow("save") << int(SaveAnswer::Save) << true << 1 << 0 << false;
    QTest::newRow("no save") << int(SaveAnswer::NoSave) << true << 0 << 0 << false;
    QTest::newRow("cancel") << int(SaveAnswer::Cancel) << true << 0 << 3 << true;
    // A save that refuses (a duplicate subject name) keeps the operator on the page.
    QTest::newRow("save refused") << int(SaveAnswer::Save) << false << 1 << 3 << true;
}

void ShellTest::returnWithEditsFollowsTheAnswer()
{
    QFETCH(int, answer);
    QFETCH(bool, saveSucceeds);
    QFETCH(int, saves);
    QFETCH(int, pageAfter);
    QFETCH(bool, changedAfter);
    School school(Fixture::NoTimetable);
    Window win(*school.store);
    win->openStep(3);
    QCOMPARE(win->currentIndex(), 3);
    win.page(3)->saveSucceeds = saveSucceeds;
    win.page(3)->edit();
    win.asker.answerSave(SaveAnswer(answer));

    win->goBack();

    QCOMPARE(win.asker.shown.size(), std::size_t(1));
    QCOMPARE(win.asker.shown[0].kind, ScriptedAsker::Kind::Save);
    QCOMPARE(win.asker.shown[0].title, kSaveTitle);
    QCOMPARE(win.asker.shown[0].text, kSaveText);
    QCOMPARE(win.page(3)->saves, saves);
    QCOMPARE(win->currentIndex(), pageAfter);
    QCOMPARE(win->dataChanged(), changedAfter);
    QCOMPARE(win.page(3)->leaves, pageAfter == 0 ? 1 : 0);
    QVERIFY(win.asker.done());
}

void ShellTest::returnWithoutEditsGoesHomeWithoutAsking()
{
    School school(Fixture::NoTimetable);
    Window win(*school.store);
    win->openStep(2);
    win->goBack();
    QCOMPARE(win->currentIndex(), 0);
    QVERIFY(win.asker.shown.empty());
    // Home again: the top bar of the home page and the home status line.
    auto* bar = win->findChild<QWidget*>("pnlTop");
    QVERIFY(!bar->findChild<QPushButton*>("btnClose")->isHidden());
    QVERIFY(bar->findChild<QPushButton*>("btnCancel")->isHidden());
    QVERIFY(bar->findChild<QPushButton*>("btnSave")->isHidden());
    QCOMPARE(win->status(), QStringLiteral("未排课，点击“开始排课”进行自动排课。"));
}

void ShellTest::closeWithEditsAsksTheSaveQuestionNotTheExitQuestion_data()
{
    QTest::addColumn<int>("answer");
    QTest::addColumn<bool>("closes");
    QTest::addColumn<int>("saves");
    QTest::newRow("cancel") << int(SaveAnswer::Cancel) << false << 0;
    QTest::newRow("no save") << int(SaveAnswer::NoSave) << true << 0;
    QTest::newRow("save") << int(SaveAnswer::Save) << true << 1;
}

void ShellTest::closeWithEditsAsksTheSaveQuestionNotTheExitQuestion()
{
    QFETCH(int, answer);
    QFETCH(bool, closes);
    QFETCH(int, saves);
    School school(Fixture::NoTimetable);
    Window win(*school.store);
    win->openStep(1);
    win.page(1)->edit();
    win.asker.answerSave(SaveAnswer(answer));

    QCOMPARE(win->closeQuery(), closes);

    QCOMPARE(win.asker.texts(), QStringList{kSaveText});
    QCOMPARE(win.page(1)->saves, saves);
    QVERIFY(win.asker.done());
}

void ShellTest::closeWithoutEditsAsksTheExitQuestion_data()
{
    QTest::addColumn<int>("answer");
    QTest::addColumn<bool>("closes");
    QTest::newRow("ok") << int(ui::Answer::Ok) << true;
    QTest::newRow("cancel") << int(ui::Answer::Cancel) << false;
}

void ShellTest::closeWithoutEditsAsksTheExitQuestion()
{
    QFETCH(int, answer);
    QFETCH(bool, closes);
    School school;
    Window win(*school.store);
    win.asker.answer(ui::Answer(answer));
    QCOMPARE(win->closeQuery(), closes);
    QCOMPARE(win.asker.shown.size(), std::size_t(1));
    QCOMPARE(win.asker.shown[0].text, kExit);
    QCOMPARE(win.asker.shown[0].title, QStringLiteral("退出"));
    QCOMPARE(win.asker.shown[0].buttons, ui::Buttons::OkCancel);
}

void ShellTest::saveRoutingByPage_data()
{
    QTest::addColumn<int>("index");
    QTest::addColumn<int>("saves");
    QTest::addColumn<bool>("saveButtonShown");
    for (int i : {1, 2, 3, 4, 6, 7, 8})
        QTest::addRow("page %d", i) << i << 1 << true;
    // The scheduling page has no save of its own.
    QTest::newRow("page 5") << 5 << 0 << false;
}

void ShellTest::saveRoutingByPage()
{
    QFETCH(int, index);
    QFETCH(int, saves);
    QFETCH(bool, saveButtonShown);
    School school(Fixture::Everything);
    Window win(*school.store);
    if (index <= 5)
        win->openStep(index);
    else
        win->openTimetable(index == 6 ? ui::KbBan : index == 7 ? ui::KbAll : ui::KbRenke);
    QCOMPARE(win->currentIndex(), index);
    QCOMPARE(!win->findChild<QPushButton*>("btnSave")->isHidden(), saveButtonShown);
    win.page(index)->edit();
    win->action("actSave")->trigger();
    QCOMPARE(win.page(index)->saves, saves);
    // Only a save that happened clears DataChanged.
    QCOMPARE(win->dataChanged(), saves == 0);
    QVERIFY(win.asker.shown.empty());
}

void ShellTest::viewerIsRefusedBeforeThePageSaves()
{
    School school(Fixture::NoTimetable);
    Window win(*school.store);
    win->session().type = users::Viewer;
    win->session().num = 2;
    win->openStep(1);
    win.page(1)->edit();
    win->save();
    QCOMPARE(win.asker.texts(), QStringList{kViewer});
    QCOMPARE(win.page(1)->saves, 0);
    QVERIFY(win->dataChanged());
}

void ShellTest::openingAPageLoadsItAndSetsItsStatus_data()
{
    QTest::addColumn<int>("step");
    QTest::addColumn<QString>("status");
    QTest::newRow("1") << 1 << QStringLiteral("提示：点击年级名称可以修改；点击班级名称可以修改；自动填充班级名称时会以“年级名+班序”的方式对所有班级名称进行修改。");
    QTest::newRow("2") << 2 << QStringLiteral("提示：自习、班会...等“固定课”可以跟“无课”一样看待，在后面的环节中不用做任何设置；“公共时段”指课间操、眼健操等时段。");
    QTest::newRow("3") << 3 << QStringLiteral("提示：“课时容量”指在第二环节设置的各班的课时总数，科目节数“合计”是不能大于“课时容量”的，当合计数为红色时，表示总节数超过“课时容量”而出错。");
    QTest::newRow("4") << 4 << QStringLiteral("提示：拖动任课以分配教师任课，也可通过导入、导出EXCEL的方式设置教师任课。");
    QTest::newRow("5") << 5 << QStringLiteral("若排出的课不理想，可点击“重排一次”，以排出更理想的课。");
}

void ShellTest::openingAPageLoadsItAndSetsItsStatus()
{
    QFETCH(int, step);
    QFETCH(QString, status);
    School school(Fixture::Everything);
    Window win(*school.store);
    // Edits left over from anywhere do not survive the opening of a page.
    win->setDataChanged(true);
    win->openStep(step);
    QCOMPARE(win->currentIndex(), step);
    QCOMPARE(win.page(step)->loads, 1);
    QCOMPARE(win.page(step)->lastTable, int(ui::KbNone));
    QCOMPARE(win->status(), status);
    QVERIFY(!win->dataChanged());
    QVERIFY(win->isEnabled());
    QVERIFY(win->findChild<QPushButton*>("btnClose")->isHidden());
    QVERIFY(!win->findChild<QPushButton*>("btnCancel")->isHidden());
    for (int k = 1; k <= 4; ++k)
        QVERIFY(win->biaoButton(k)->isHidden());
}

void ShellTest::aPageThatFailsToLoadReportsAndGoesHome()
{
    School school(Fixture::Everything);
    Window win(*school.store);
    win.page(2)->loadThrows = true;
    win->openStep(2);
    QCOMPARE(win.asker.texts(), QStringList{QStringLiteral("读取失败")});
    QCOMPARE(win->currentIndex(), 0);
    QVERIFY(win->isEnabled());
}

void ShellTest::timetableEntriesOpenTheirPage_data()
{
    QTest::addColumn<QString>("action");
    QTest::addColumn<int>("index");
    QTest::addColumn<int>("table");
    QTest::newRow("班级课程表") << "mniKb1" << 6 << int(ui::KbBan);
    QTest::newRow("教师课程表") << "mniKb2" << 6 << int(ui::KbTea);
    QTest::newRow("总课程表") << "mniKb3" << 7 << int(ui::KbAll);
    QTest::newRow("总任课表") << "mniKb4" << 8 << int(ui::KbRenke);
    QTest::newRow("打开班级课程表") << "mniOpenKb1" << 6 << int(ui::KbBan);
    QTest::newRow("打开教师课程表") << "mniOpenKb2" << 6 << int(ui::KbTea);
    QTest::newRow("打开总课程表") << "mniOpenKb3" << 7 << int(ui::KbAll);
    QTest::newRow("打开总任课表") << "mniOpenKb4" << 8 << int(ui::KbRenke);
}

void ShellTest::timetableEntriesOpenTheirPage()
{
    QFETCH(QString, action);
    QFETCH(int, index);
    QFETCH(int, table);
    School school(Fixture::Everything);
    Window win(*school.store);
    win->action(action.toUtf8().constData())->trigger();
    QCOMPARE(win->currentIndex(), index);
    QCOMPARE(win.page(index)->loads, 1);
    QCOMPARE(win.page(index)->lastTable, table);
    for (int k = 1; k <= 4; ++k)
        QVERIFY(!win->biaoButton(k)->isHidden());
    QVERIFY(win->biaoButton(table)->isChecked());
    QVERIFY(!win->findChild<QPushButton*>("btnSave")->isHidden());
}

void ShellTest::timetableStepIsClosedWithoutAssignments()
{
    School school(Fixture::ClassesOnly);
    Window win(*school.store);
    win->action("mniKb3")->trigger();
    win->openStep(6);
    win->openStep(3);
    QCOMPARE(win->currentIndex(), 0);
    for (int i = 1; i <= 8; ++i)
        QCOMPARE(win.page(i)->loads, 0);
}

void ShellTest::switchingTablesKeepsTheEdits()
{
    School school(Fixture::Everything);
    Window win(*school.store);
    win->openTimetable(ui::KbBan);
    win.page(6)->edit();
    win->biaoButton(3)->click();
    QCOMPARE(win->currentIndex(), 7);
    // One step, one set of data: switching neither reloads nor forgets the edits.
    QCOMPARE(win.page(7)->loads, 0);
    QVERIFY(win->dataChanged());
    QVERIFY(!win->biaoButton(1)->isHidden());
    win.asker.answerSave(SaveAnswer::NoSave);
    win->goBack();
    QCOMPARE(win->currentIndex(), 0);
    QCOMPARE(win.page(7)->leaves, 1);
    for (int k = 1; k <= 4; ++k)
        QVERIFY(win->biaoButton(k)->isHidden());
}

void ShellTest::helpOpensTheTopicOfThePage_data()
{
    QTest::addColumn<int>("index");
    QTest::addColumn<QString>("topic");
    for (int i = 0; i <= 7; ++i)
        QTest::addRow("page %d", i) << i << QStringLiteral("%1.html").arg(i);
    QTest::newRow("page 8") << 8 << QStringLiteral("7.html");
    QTest::newRow("page 9") << 9 << QStringLiteral("9.html");
}

void ShellTest::helpOpensTheTopicOfThePage()
{
    QFETCH(int, index);
    QFETCH(QString, topic);
    School school(Fixture::Everything);
    Window win(*school.store);
    win->setHelpDir(QStringLiteral(TAVRIN_HELP_DIR));
    if (index >= 1 && index <= 5)
        win->openStep(index);
    else if (index == 9)
        win->action("mniCover")->trigger();
    else if (index >= 6)
        win->openTimetable(index == 6 ? ui::KbBan : index == 7 ? ui::KbAll : ui::KbRenke);
    QCOMPARE(win->currentIndex(), index);
    win->action("actHelp")->trigger();
    QVERIFY(win->helpBrowser());
    const QString shown = win->helpBrowser()->source().toLocalFile();
    QCOMPARE(QFileInfo(shown).fileName(), topic);
    QVERIFY(QFileInfo(shown).isFile());
    QVERIFY(win.asker.shown.empty());
}

// Even where the desktop claims to open a page (and may show nothing), help is the
// program's own window, its title readable on the page.
void ShellTest::helpFallsBackToItsOwnWindow()
{
    School school;
    Window win(*school.store);
    win->setHelpDir(QStringLiteral(TAVRIN_HELP_DIR));
    win.desktopOpens = true;
    win->help();
    QVERIFY(win.opened.isEmpty());
    QVERIFY(win->helpBrowser());
    const QTextBlock title = win->helpBrowser()->document()->findBlock(0);
    QVERIFY(title.text().contains(QStringLiteral("Tavrin")));
    const QColor ink = title.begin().fragment().charFormat().foreground().color();
    QVERIFY2(ink.lightness() < 128, qPrintable(ink.name()));
    QCOMPARE(QFileInfo(win->helpBrowser()->source().toLocalFile()).fileName(), QStringLiteral("0.html"));
    // The page's own text, not an empty browser.
    QVERIFY(win->helpBrowser()->toPlainText().contains(QStringLiteral("六个步骤")));
}

void ShellTest::placeholdersSayTheStepIsUnderConstruction()
{
    School school(Fixture::Everything);
    mainwin::TForm1::Options o;
    ScriptedAsker asker;
    o.asker = &asker;
    o.useRegisteredPages = false;
    mainwin::TForm1 w(*school.store, o);
    for (int i = 1; i <= 8; ++i) {
        auto* p = w.page(i);
        QVERIFY(dynamic_cast<ui::PlaceholderPage*>(p));
        auto* note = p->findChild<QLabel*>("lblUnderConstruction");
        QVERIFY(note);
        QCOMPARE(note->text(), QStringLiteral("该步骤的界面正在建设中。"));
    }
    // A placeholder still goes through the round: open, return; with nothing to edit it
    // offers no 保存.
    w.session().num = 1;
    w.openStep(1);
    QCOMPARE(w.currentIndex(), 1);
    auto* btnSave = w.findChild<QPushButton*>("btnSave");
    QVERIFY(btnSave);
    QVERIFY(btnSave->isHidden());
    QVERIFY(!w.dataChanged());
    w.goBack();
    QCOMPARE(w.currentIndex(), 0);
    QVERIFY(asker.shown.empty());
}

void ShellTest::registeredPagesReplacePlaceholders()
{
    School school;
    // The latest registration for an index wins; the window takes it when it is built.
    const auto before = ui::registeredPages();
    ui::registerPage(4, [](ui::Shell& sh) { return new CountingPage(sh, 4); });
    ScriptedAsker asker;
    mainwin::TForm1::Options o;
    o.asker = &asker;
    mainwin::TForm1 w(*school.store, o);
    QVERIFY(dynamic_cast<CountingPage*>(w.page(4)));
    QCOMPARE(w.page(4)->objectName(), QStringLiteral("ts4"));
    // Put back what was there, so that no other test sees this page.
    if (auto it = before.find(4); it != before.end())
        ui::registerPage(4, it->second);
    else
        ui::registerPage(4, nullptr);
}

// The real boxes: Enter on a question that clears, restores or deletes keeps things as
// they are.
void ShellTest::questionsDefaultToTheSafeAnswer_data()
{
    QTest::addColumn<int>("buttons");
    QTest::addColumn<QString>("safe");
    QTest::addColumn<int>("answer");
    QTest::newRow("yes/no") << int(ui::Buttons::YesNo) << QStringLiteral("否(&N)") << int(ui::Answer::No);
    QTest::newRow("ok/cancel") << int(ui::Buttons::OkCancel) << QStringLiteral("取消") << int(ui::Answer::Cancel);
    QTest::newRow("yes/no/cancel") << int(ui::Buttons::YesNoCancel) << QStringLiteral("否(&N)") << int(ui::Answer::No);
}

void ShellTest::questionsDefaultToTheSafeAnswer()
{
    QFETCH(int, buttons);
    QFETCH(QString, safe);
    QFETCH(int, answer);
    ui::WidgetAsker asker(nullptr);
    QString seen;
    QTimer::singleShot(0, [&] {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        if (!box)
            return;
        seen = box->defaultButton() ? box->defaultButton()->text() : QString();
        QTest::keyClick(box, Qt::Key_Return);
    });
    const ui::Answer a = asker.ask(QStringLiteral("确认要清空课程表吗？"), QStringLiteral("清空课程表"),
                                   ui::Buttons(buttons), ui::Icon::Question);
    QCOMPARE(seen, safe);
    QCOMPARE(int(a), answer);
}

// An empty check box must be seen as one: its frame against the window it sits on.
void ShellTest::uncheckedBoxesReadOnTheWindow()
{
    QWidget window;
    auto* box = new QCheckBox(&window);
    window.resize(60, 40);
    box->move(10, 10);
    box->resize(box->sizeHint());
    QStyleOptionButton opt;
    opt.initFrom(box);
    const QRect indicator =
        box->style()->subElementRect(QStyle::SE_CheckBoxIndicator, &opt, box).translated(box->pos());
    // One pixel of the window around the box, so the measure starts on the window's colour.
    const QRect area = indicator.adjusted(-1, -1, 1, 1);
    const double off = tavrin::testing::drawnContrast(&window, area);
    QVERIFY2(off >= 4.5, qPrintable(QString::number(off)));
}

// The switch buttons of the timetable step stay where the hand left them from page to page:
// the pages' captions differ in length and only the class page has 保存.
void ShellTest::switchButtonsKeepTheirPlace()
{
    School school(Fixture::Everything);
    ScriptedAsker asker;
    mainwin::TForm1::Options o;
    o.asker = &asker;
    o.useRegisteredPages = false;
    o.pages[6] = [](ui::Shell& sh) { return new CountingPage(sh, 6); };
    mainwin::TForm1 w(*school.store, o);
    w.session().num = 1;
    w.resize(960, 640);
    w.show();
    QVERIFY(QTest::qWaitForWindowExposed(&w));
    auto* bar = w.findChild<QWidget*>("pnlTop");
    std::vector<QRect> first;
    for (int table : {ui::KbBan, ui::KbAll, ui::KbRenke, ui::KbBan}) {
        w.openTimetable(table);
        QCOMPARE(w.currentIndex(), ui::pageOfTable(table));
        QCoreApplication::processEvents();
        std::vector<QRect> at;
        for (int k = 1; k <= 4; ++k) {
            QAbstractButton* b = w.biaoButton(k);
            at.emplace_back(b->mapTo(&w, QPoint(0, 0)), b->size());
        }
        if (first.empty())
            first = at;
        for (std::size_t k = 0; k < at.size(); ++k)
            QVERIFY2(at[k] == first[k], qPrintable(QStringLiteral("page %1, button %2").arg(w.currentIndex()).arg(k + 1)));
        // At the smallest window nothing in the bar overlaps or leaves it.
        std::vector<QRect> shown;
        for (QWidget* b : bar->findChildren<QWidget*>())
            if (b->isVisible() && (qobject_cast<QPushButton*>(b) || qobject_cast<QLabel*>(b)))
                shown.emplace_back(b->mapTo(bar, QPoint(0, 0)), b->size());
        for (std::size_t i = 0; i < shown.size(); ++i) {
            QVERIFY(bar->rect().contains(shown[i]));
            for (std::size_t j = i + 1; j < shown.size(); ++j)
                QVERIFY(!shown[i].intersects(shown[j]));
        }
    }
}

// The boxes draw the kit's signs, one for each kind, not the platform's fallback pictures,
// and keep their text clear of the sign and the edges even for a short statement.
void ShellTest::messageBoxesHaveTheKitSignsAndRoom()
{
    const std::pair<ui::Icon, QStyle::StandardPixmap> kinds[] = {
        {ui::Icon::Information, QStyle::SP_MessageBoxInformation},
        {ui::Icon::Question, QStyle::SP_MessageBoxQuestion},
        {ui::Icon::Warning, QStyle::SP_MessageBoxWarning},
        {ui::Icon::Critical, QStyle::SP_MessageBoxCritical},
    };
    QCommonStyle stock;
    std::vector<QImage> signs;
    for (auto [icon, sp] : kinds) {
        ui::WidgetAsker asker(nullptr);
        QImage sign, stockSign;
        QRect text, picture, box;
        QTimer::singleShot(0, [&] {
            auto* b = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
            if (!b)
                return;
            const QPixmap pm = b->iconPixmap();
            sign = pm.toImage();
            stockSign = stock.standardIcon(sp).pixmap(pm.deviceIndependentSize().toSize()).toImage();
            auto* label = b->findChild<QLabel*>(QStringLiteral("qt_msgbox_label"));
            auto* iconLabel = b->findChild<QLabel*>(QStringLiteral("qt_msgboxex_icon_label"));
            if (label && iconLabel) {
                text = label->geometry();
                picture = iconLabel->geometry();
            }
            box = b->rect();
            b->accept();
        });
        asker.inform(QStringLiteral("完成"), QStringLiteral("Tavrin"), icon);
        QVERIFY(!sign.isNull());
        QVERIFY(sign.convertToFormat(QImage::Format_ARGB32) != stockSign.convertToFormat(QImage::Format_ARGB32));
        for (const QImage& other : signs)
            QVERIFY(other != sign);
        signs.push_back(sign);
        QVERIFY(!text.isEmpty());
        QVERIFY2(text.left() - picture.right() >= 12, qPrintable(QString::number(text.left() - picture.right())));
        QVERIFY(picture.left() >= 16);
        QVERIFY(box.right() - text.right() >= 16);
        QVERIFY(text.top() >= 16);
        QVERIFY2(text.width() >= QFontMetrics(QApplication::font()).horizontalAdvance(QStringLiteral("完成")) * 4,
                 qPrintable(QString::number(text.width())));
    }
}

// A teacher numbered past the program's limit, with an assignment: the window says first
// how many rows it left out and why; a school that loaded whole hears nothing.
void ShellTest::rowsNotLoadedAreToldFirst()
{
    School school(Fixture::Everything);
    {
        Window whole(*school.store);
        whole->tellRowsNotLoaded();
        QVERIFY(whole.asker.shown.empty());
    }
    school.store->transaction([&] {
        school.store->run("INSERT INTO teabd(teaid, teaname, teaname2, islock) VALUES(5000, '远号', '远', 0)");
        school.store->run("INSERT INTO renkebd(difid, teaid, banid, keid, jieshu, heban) VALUES(0, 5000, 2, 1, 2, 0)");
    });
    Window win(*school.store);
    win->tellRowsNotLoaded();
    QCOMPARE(win.asker.shown.size(), std::size_t(1));
    const auto& told = win.asker.shown[0];
    QCOMPARE(told.kind, ScriptedAsker::Kind::Inform);
    QVERIFY2(told.text.startsWith(QStringLiteral("注意：有 ")), qPrintable(told.text));
    QVERIFY2(told.text.contains(QStringLiteral("teabd 1 行")), qPrintable(told.text));
    QVERIFY2(told.text.contains(QStringLiteral("未载入")), qPrintable(told.text));
}

// Names whose bytes are not UTF-8 read in the window as the JSON reports write them: each
// bad sequence one U+FFFD, the rest of the name kept.
void ShellTest::invalidUtf8ShowsAsInTheReports()
{
    const std::string names[] = {
        "一中\xff",           // a byte that never starts a character
        "\xe4\xb8" "中学",    // a character cut short
        "a\xc0\xaf" "b",      // an overlong slash
        "\xed\xa0\x80" "x",   // a surrogate half
    };
    School school;
    Window win(*school.store);
    for (const std::string& name : names) {
        school.store->run("DELETE FROM setting WHERE setName = '学校名称'");
        school.store->run("INSERT INTO setting(setName, setVar) VALUES('学校名称', ?1)", name);
        win->loadMain();
        std::string reported = nlohmann::json(name).dump(-1, ' ', false, nlohmann::json::error_handler_t::replace);
        reported = reported.substr(1, reported.size() - 2);  // the quotes
        const QString shown = win->homePage()->lblSchool()->text();
        QCOMPARE(shown, QString::fromUtf8(reported));
        QVERIFY(shown.contains(QChar(0xFFFD)));
    }
}

// Qt's own dialogs in Chinese once the program loads Qt's translations (where installed).
void ShellTest::qtDialogsSpeakChinese()
{
    auto* app = qobject_cast<QApplication*>(QCoreApplication::instance());
    const QLocale before;
    QTranslator* texts = ui::useChineseQtTexts(*app);
    if (!texts) {
        QLocale::setDefault(before);
        QSKIP("Qt's Chinese translations are not installed");
    }
    QString name, cancel;
    {
        QFileDialog dialog(nullptr, QStringLiteral("恢复数据"));
        dialog.setOption(QFileDialog::DontUseNativeDialog);
        if (auto* l = dialog.findChild<QLabel*>(QStringLiteral("fileNameLabel")))
            name = l->text();
        if (auto* box = dialog.findChild<QDialogButtonBox*>(QStringLiteral("buttonBox")))
            if (QPushButton* b = box->button(QDialogButtonBox::Cancel))
                cancel = b->text();
    }
    QApplication::removeTranslator(texts);
    delete texts;
    QLocale::setDefault(before);
    QVERIFY2(name.contains(QStringLiteral("文件")), qPrintable(name));
    QVERIFY2(cancel.contains(QStringLiteral("取消")), qPrintable(cancel));
}
