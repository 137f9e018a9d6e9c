// The cover page on the window: absences added through the dialog, a suggestion picked, the
// table and the day grid following, a viewer kept from every change, a cover the timetable
// broke shown as broken, and the cover sheet and notices printed to one page each.
#include <QApplication>
#include <QComboBox>
#include <QDateEdit>
#include <QDialogButtonBox>
#include <QLineEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QtTest>

#include <cstdio>
#include <memory>

#include "support/cover_school.h"
#include "support/uitest.h"
#include "support/xlsx_reader.h"
#include "timetable/ui/coverpage.h"
#include "ui/fonts.h"
#include "ui/style.h"

using namespace tavrin;
using namespace tavrin::testing;
using model::CoverKind;
using timetable::TeaDayState;
using timetable::ui::CoverAbsenceDialog;
using timetable::ui::CoverPage;

namespace {

std::string output(const std::string& cmd)
{
    std::string out;
    if (FILE* p = popen(cmd.c_str(), "r")) {
        char buf[4096];
        std::size_t n = 0;
        while ((n = fread(buf, 1, sizeof buf, p)) > 0)
            out.append(buf, n);
        pclose(p);
    }
    return out;
}

bool have(const char* program) { return !output(std::string("command -v ") + program + " 2>/dev/null").empty(); }

int pdfPages(const QString& pdf)
{
    const std::string info = output("pdfinfo '" + pdf.toStdString() + "' 2>/dev/null");
    const auto at = info.find("Pages:");
    return at == std::string::npos ? -1 : std::stoi(info.substr(at + 6));
}

// The cover school in a window showing the cover page alone.
struct CoverWindow {
    ScriptedAsker asker;
    std::unique_ptr<mainwin::TForm1> w;
    CoverPage* page = nullptr;
    int dialogs = 0;
    std::function<void(QDialog&)> fill;

    CoverWindow(store::Store& st, int userType = users::Operator)
    {
        w = pageWindow(
            st, asker,
            [this](mainwin::TForm1::Options& o) {
                o.pages[timetable::ui::kCoverPageIndex] = [this](ui::Shell& sh) {
                    page = new CoverPage(sh);
                    page->setDialogRunner([this](QDialog& d) {
                        ++dialogs;
                        if (fill)
                            fill(d);
                        else
                            d.reject();
                    });
                    return page;
                };
            },
            userType);
        w->resize(1200, 800);
        w->show();
        w->action("mniCover")->trigger();
    }
    QTableWidget* lessons() const { return page->lessonTable(); }
    // The day grid's state colour for a teacher at a period.
    QColor fillOf(int tea, int jie) const
    {
        const int P = page->dayGrid()->periods();
        for (int d = 1; d <= page->dayGrid()->days(); ++d)
            if (page->teaOfRow(d) == tea)
                return page->dayGrid()->cellFill((d - 1) * P + jie);
        return {};
    }
    void pick(int row, int index)
    {
        QComboBox* box = page->coverBox(row);
        QVERIFY(box);
        box->setCurrentIndex(index);
        Q_EMIT box->activated(index);
    }
};

// Fills the absence dialog: teacher, dates, periods, reason, then OK.
std::function<void(QDialog&)> absenceFill(int tea, int from, int to, const QString& jies, const QString& reason)
{
    return [=](QDialog& dlg) {
        auto& d = dynamic_cast<CoverAbsenceDialog&>(dlg);
        d.teaBox()->setCurrentIndex(d.teaBox()->findData(tea));
        d.fromEdit()->setDate(timetable::ui::dateOfSerial(from));
        d.toEdit()->setDate(timetable::ui::dateOfSerial(to));
        d.jiesEdit()->setText(jies);
        d.reasonEdit()->setText(reason);
        d.accept();
    };
}

int rows(store::Store& s, const char* table)
{
    return static_cast<int>(s.scalar((std::string("SELECT COUNT(*) FROM ") + table).c_str()));
}

}  // namespace

class CoverUiTest : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void menuOpensTheCoverPageOnTheTermsFirstDay();
    void addingAnAbsenceListsItsLessonsAndTheGridShowsIt();
    void pickingASuggestionStoresItAndTheDayFollows();
    void editingAnAbsenceKeepsTheCoversItStillAsksFor();
    void badInputIsToldAndNothingIsStored_data();
    void badInputIsToldAndNothingIsStored();
    void aViewerSeesEverythingAndChangesNothing();
    void aCoverTheTimetableBrokeShowsAsBroken();
    void aTermStartThatIsNoMondayMovesToItsMonday();
    void coverSheetAndNoticePrintToOnePageEach();
    void workbooksHoldTheDayAndTheTermsCounts();
};

void CoverUiTest::menuOpensTheCoverPageOnTheTermsFirstDay()
{
    CoverSchool cs;
    CoverWindow win(cs.store());
    QCOMPARE(win.w->currentIndex(), timetable::ui::kCoverPageIndex);
    QVERIFY(win.page);
    QCOMPARE(win.page->date(), *model::parseDate("2026-09-07"));
    QCOMPARE(win.page->weekLabel()->text(), QStringLiteral("第1周 星期一"));
    win.page->setDate(cs.monday);
    QCOMPARE(win.page->weekLabel()->text(), QStringLiteral("第2周 星期一"));
    QCOMPARE(win.page->dateEdit()->date(), QDate(2026, 9, 14));
    // Outside the term: said on the page, nothing listed.
    win.page->setDate(*model::parseDate("2027-03-01"));
    QCOMPARE(win.page->weekLabel()->text(), QStringLiteral("不在学期内"));
    QVERIFY(!win.page->dayNote()->text().isEmpty());
    QCOMPARE(win.lessons()->rowCount(), 0);
}

void CoverUiTest::addingAnAbsenceListsItsLessonsAndTheGridShowsIt()
{
    CoverSchool cs;
    CoverWindow win(cs.store());
    win.page->setDate(cs.monday);
    QCOMPARE(win.lessons()->rowCount(), 0);
    QCOMPARE(win.fillOf(cs.zhang, 1), CoverPage::stateColour(TeaDayState::Busy));
    QCOMPARE(win.fillOf(cs.zhang, 2), CoverPage::stateColour(TeaDayState::Free));

    win.fill = absenceFill(cs.zhang, cs.monday, cs.monday, QString(), QStringLiteral("病假"));
    QTest::mouseClick(win.page->button("btnAddAbsence"), Qt::LeftButton);
    QCOMPARE(win.dialogs, 1);
    QVERIFY2(win.asker.shown.empty(), qPrintable(win.asker.texts().join('\n')));
    QCOMPARE(rows(cs.store(), "qingjiabd"), 1);
    QCOMPARE(win.page->absenceTable()->rowCount(), 1);
    QCOMPARE(win.page->absenceTable()->item(0, 0)->text(), QStringLiteral("张老师"));
    QCOMPARE(win.page->absenceTable()->item(0, 2)->text(), QStringLiteral("全天"));
    // 张 teaches 初一(1)班 at Monday's periods 1 and 4: two lessons, nothing chosen.
    QCOMPARE(win.lessons()->rowCount(), 2);
    QCOMPARE(win.lessons()->item(0, 0)->text(), QStringLiteral("第1节"));
    QCOMPARE(win.lessons()->item(1, 0)->text(), QStringLiteral("第4节"));
    QCOMPARE(win.lessons()->item(0, 1)->text(), QStringLiteral("初一(1)班"));
    QCOMPARE(win.page->coverBox(0)->itemText(0), QStringLiteral("（未安排）"));
    // The suggestions follow, each with its reason, then the office's own choice.
    const auto& e = win.page->day().lessons.at(0);
    QVERIFY(!e.suggestions.empty());
    QCOMPARE(win.page->coverBox(0)->count(), static_cast<int>(e.suggestions.size()) + 2);
    QVERIFY(win.page->coverBox(0)->itemText(1).contains(QString::fromStdString(e.suggestions[0].reason)));
    QCOMPARE(win.page->coverBox(0)->itemText(win.page->coverBox(0)->count() - 1), QStringLiteral("自行安排…"));
    for (int j = 1; j <= 4; ++j)
        QCOMPARE(win.fillOf(cs.zhang, j), CoverPage::stateColour(TeaDayState::Absent));

    // Periods only: the absence empties only the lesson of period 4.
    win.fill = absenceFill(cs.wang, cs.monday, cs.monday, QStringLiteral("2"), QStringLiteral("培训"));
    QTest::mouseClick(win.page->button("btnAddAbsence"), Qt::LeftButton);
    QCOMPARE(win.page->absenceTable()->rowCount(), 2);
    QCOMPARE(win.lessons()->rowCount(), 3);
    QCOMPARE(win.fillOf(cs.wang, 2), CoverPage::stateColour(TeaDayState::Absent));
    QCOMPARE(win.fillOf(cs.wang, 1), CoverPage::stateColour(TeaDayState::Free));
}

// Correcting an absence's reason keeps its chosen covers; narrowing it asks before the covers
// it no longer needs go, and "否" keeps everything.
void CoverUiTest::editingAnAbsenceKeepsTheCoversItStillAsksFor()
{
    CoverSchool cs;
    cs.load();
    QVERIFY(cs.zhangAwayMondayCoveredBy(cs.qian, cs.sun));
    CoverWindow win(cs.store());
    win.page->setDate(cs.monday);
    win.page->absenceTable()->setCurrentCell(0, 0);

    win.fill = absenceFill(cs.zhang, cs.monday, cs.monday, QString(), QStringLiteral("病假（补假条）"));
    QTest::mouseClick(win.page->button("btnEditAbsence"), Qt::LeftButton);
    QVERIFY2(win.asker.shown.empty(), qPrintable(win.asker.texts().join('\n')));
    QCOMPARE(rows(cs.store(), "qingjiabd"), 1);
    QCOMPARE(rows(cs.store(), "daikebd"), 2);
    QCOMPARE(win.page->absenceTable()->item(0, 3)->text(), QStringLiteral("病假（补假条）"));

    win.page->absenceTable()->setCurrentCell(0, 0);
    win.fill = absenceFill(cs.zhang, cs.monday, cs.monday, QStringLiteral("4"), QString());
    win.asker.answer(ui::Answer::No);
    QTest::mouseClick(win.page->button("btnEditAbsence"), Qt::LeftButton);
    QCOMPARE(win.asker.shown.size(), std::size_t(1));
    QVERIFY(win.asker.texts().join('\n').contains(QStringLiteral("1节课已有代课安排")));
    QCOMPARE(rows(cs.store(), "daikebd"), 2);

    win.page->absenceTable()->setCurrentCell(0, 0);
    win.asker.answer(ui::Answer::Yes);
    QTest::mouseClick(win.page->button("btnEditAbsence"), Qt::LeftButton);
    QCOMPARE(rows(cs.store(), "qingjiabd"), 1);
    QCOMPARE(rows(cs.store(), "daikebd"), 1);
    QCOMPARE(cs.store().scalar("SELECT thejie FROM daikebd"), 4);
}

void CoverUiTest::pickingASuggestionStoresItAndTheDayFollows()
{
    CoverSchool cs;
    cs.load();
    QVERIFY(timetable::addAbsence(cs.store(), cs.kb, cs.book, cs.absence(cs.zhang, cs.monday, cs.monday)).ok);
    CoverWindow win(cs.store());
    win.page->setDate(cs.monday);
    QCOMPARE(win.lessons()->rowCount(), 2);
    const timetable::CoverSuggestion s = win.page->day().lessons.at(0).suggestions.at(0);
    QCOMPARE(s.cover.kind, CoverKind::Substitute);
    const int by = s.cover.by;
    QCOMPARE(win.fillOf(by, 1), CoverPage::stateColour(TeaDayState::Free));

    win.pick(0, 1);
    QVERIFY2(win.asker.shown.empty(), qPrintable(win.asker.texts().join('\n')));
    QCOMPARE(rows(cs.store(), "daikebd"), 1);
    QCOMPARE(cs.store().scalar("SELECT COUNT(*) FROM daikebd WHERE thejie = 1"), 1);
    QVERIFY(win.page->day().lessons.at(0).hasCover);
    QCOMPARE(win.page->day().lessons.at(0).cover.by, by);
    QVERIFY(win.page->coverBox(0)->itemText(0).startsWith(QStringLiteral("已定 代课：")));
    QVERIFY(win.page->coverBox(0)->itemText(0).contains(QString::fromStdString(cs.kb.school.TeaName[by])));
    QCOMPARE(win.page->coverBox(1)->itemText(0), QStringLiteral("（未安排）"));
    QCOMPARE(win.fillOf(by, 1), CoverPage::stateColour(TeaDayState::Covering));
    // The term's counts: the covering teacher gave one, 张 missed two.
    QTableWidget* counts = win.page->countsTable();
    QMap<QString, QPair<QString, QString>> byName;
    for (int r = 0; r < counts->rowCount(); ++r)
        byName[counts->item(r, 0)->text()] = {counts->item(r, 1)->text(), counts->item(r, 2)->text()};
    QCOMPARE(byName.value(QString::fromStdString(cs.kb.school.TeaName[by])).first, QStringLiteral("1"));
    QCOMPARE(byName.value(QStringLiteral("张老师")).second, QStringLiteral("2"));

    // Another pick replaces the chosen one; 取消安排 takes it away.
    const int second = win.page->coverBox(0)->count() > 3 ? 2 : 1;
    const int by2 = win.page->day().lessons.at(0).suggestions.at(second - 1).cover.by;
    win.pick(0, second);
    QCOMPARE(rows(cs.store(), "daikebd"), 1);
    QCOMPARE(win.page->day().lessons.at(0).cover.by, by2);
    QComboBox* box = win.page->coverBox(0);
    win.pick(0, box->findText(QStringLiteral("取消安排")));
    QCOMPARE(rows(cs.store(), "daikebd"), 0);
    QCOMPARE(win.page->coverBox(0)->itemText(0), QStringLiteral("（未安排）"));
}

void CoverUiTest::badInputIsToldAndNothingIsStored_data()
{
    QTest::addColumn<int>("fromOffset");
    QTest::addColumn<int>("toOffset");
    QTest::addColumn<QString>("jies");
    QTest::addRow("ends before it starts") << 1 << 0 << QString();
    QTest::addRow("outside the term") << 400 << 400 << QString();
    QTest::addRow("periods that are no list") << 0 << 0 << QStringLiteral("一二");
}

void CoverUiTest::badInputIsToldAndNothingIsStored()
{
    QFETCH(int, fromOffset);
    QFETCH(int, toOffset);
    QFETCH(QString, jies);
    CoverSchool cs;
    CoverWindow win(cs.store());
    win.page->setDate(cs.monday);
    win.fill = absenceFill(cs.zhang, cs.monday + fromOffset, cs.monday + toOffset, jies, QString());
    QTest::mouseClick(win.page->button("btnAddAbsence"), Qt::LeftButton);
    QCOMPARE(static_cast<int>(win.asker.shown.size()), 1);
    QVERIFY(!win.asker.shown[0].text.isEmpty());
    QVERIFY(cs.store().scalar("SELECT COUNT(*) FROM sqlite_master WHERE name = 'qingjiabd'") == 0 ||
            rows(cs.store(), "qingjiabd") == 0);
    QCOMPARE(win.page->absenceTable()->rowCount(), 0);
}

void CoverUiTest::aViewerSeesEverythingAndChangesNothing()
{
    CoverSchool cs;
    cs.load();
    QVERIFY(timetable::addAbsence(cs.store(), cs.kb, cs.book, cs.absence(cs.zhang, cs.monday, cs.monday)).ok);
    QVERIFY(timetable::addCovers(cs.store(), cs.kb, cs.book, {cs.substitute(cs.monday, 1, cs.c1, cs.zhang, cs.yu, cs.sun)})
                .ok);
    CoverWindow win(cs.store(), users::Viewer);
    win.fill = absenceFill(cs.li, cs.monday, cs.monday, QString(), QString());
    win.page->setDate(cs.monday);
    // Everything is shown.
    QCOMPARE(win.page->absenceTable()->rowCount(), 1);
    QCOMPARE(win.lessons()->rowCount(), 2);
    QVERIFY(win.page->coverBox(0)->itemText(0).contains(QStringLiteral("孙老师")));
    QCOMPARE(win.fillOf(cs.sun, 1), CoverPage::stateColour(TeaDayState::Covering));
    QVERIFY(win.page->countsTable()->rowCount() > 0);
    // Nothing that changes is on offer...
    for (const char* name : {"btnAddAbsence", "btnEditAbsence", "btnDelAbsence", "btnTerm"})
        QVERIFY2(!win.page->button(name)->isEnabled(), name);
    for (int r = 0; r < win.lessons()->rowCount(); ++r)
        QVERIFY(!win.page->coverBox(r)->isEnabled());
    // ...and every command refuses on its own.
    win.page->addAbsence();
    win.page->editAbsence();
    win.page->deleteAbsence();
    win.page->setTerm();
    win.page->pickCover(0, win.page->coverBox(0)->findText(QStringLiteral("取消安排")));
    win.page->pickCover(1, 1);
    QCOMPARE(win.dialogs, 0);
    QCOMPARE(static_cast<int>(win.asker.shown.size()), 6);
    for (const auto& s : win.asker.shown)
        QCOMPARE(s.text, QString::fromUtf8(users::kViewerRefusal));
    QCOMPARE(rows(cs.store(), "qingjiabd"), 1);
    QCOMPARE(rows(cs.store(), "daikebd"), 1);
    // What goes out changes nothing, so a viewer may send it.
    QVERIFY(win.page->button("btnSheet")->isEnabled());
}

void CoverUiTest::aCoverTheTimetableBrokeShowsAsBroken()
{
    CoverSchool cs;
    cs.load();
    QVERIFY(timetable::addAbsence(cs.store(), cs.kb, cs.book, cs.absence(cs.zhang, cs.monday, cs.monday)).ok);
    QVERIFY(timetable::addCovers(cs.store(), cs.kb, cs.book, {cs.substitute(cs.monday, 1, cs.c1, cs.zhang, cs.yu, cs.sun)})
                .ok);
    // The timetable changes after the cover was chosen: 孙's Wednesday lesson moves to
    // Monday's first period, when 孙 was to cover.
    cs.store().run("UPDATE kechenbd SET theday = 1, thejie = 1 WHERE thetea = ?1", cs.sun);
    CoverWindow win(cs.store());
    win.page->setDate(cs.monday);
    QCOMPARE(win.lessons()->rowCount(), 2);
    QVERIFY(!win.page->day().lessons.at(0).broken.empty());
    QVERIFY(win.lessons()->item(0, 5)->text().startsWith(QStringLiteral("失效：")));
    QCOMPARE(win.lessons()->item(0, 0)->background().color(), QColor(0xfb, 0xe3, 0xe0));
    // Never dropped: still chosen, still stored, and still on the cover sheet's row.
    QVERIFY(win.page->coverBox(0)->itemText(0).contains(QStringLiteral("孙老师")));
    QCOMPARE(rows(cs.store(), "daikebd"), 1);
    // The lesson that holds is not marked.
    QVERIFY(!win.lessons()->item(1, 5)->text().startsWith(QStringLiteral("失效")));
}

void CoverUiTest::aTermStartThatIsNoMondayMovesToItsMonday()
{
    CoverSchool cs;
    cs.store().run("DELETE FROM setting WHERE setName IN ('学期开始', '学期周数')");
    CoverWindow win(cs.store());
    win.page->setDate(*model::parseDate("2026-09-16"));
    QCOMPARE(win.page->weekLabel()->text(), QStringLiteral("未设置学期"));
    QVERIFY(!win.page->dayNote()->text().isEmpty());
    win.fill = [](QDialog& d) {
        d.findChild<QDateEdit*>("dteFirst")->setDate(QDate(2026, 9, 9));  // a Wednesday
        d.findChild<QSpinBox*>("spWeeks")->setValue(18);
        d.accept();
    };
    QTest::mouseClick(win.page->button("btnTerm"), Qt::LeftButton);
    QCOMPARE(static_cast<int>(win.asker.shown.size()), 1);
    QVERIFY(win.asker.shown[0].text.contains(QStringLiteral("2026-09-07")));
    QCOMPARE(win.page->book().term.monday, *model::parseDate("2026-09-07"));
    QCOMPARE(win.page->book().term.weeks, 18);
    QCOMPARE(win.page->weekLabel()->text(), QStringLiteral("第2周 星期三"));
}

void CoverUiTest::coverSheetAndNoticePrintToOnePageEach()
{
    CoverSchool cs;
    cs.load();
    QVERIFY(cs.zhangAwayMondayCoveredBy(cs.sun, cs.sun));
    CoverWindow win(cs.store());
    win.page->setDate(cs.monday);
    QTemporaryDir dir;
    const QString sheetPdf = dir.filePath("sheet.pdf"), noticePdf = dir.filePath("notice.pdf");
    const QString sheetXlsx = dir.filePath("sheet.xlsx"), noticeXlsx = dir.filePath("notice.xlsx");
    win.asker.answerFile(sheetPdf).answerFile(noticePdf).answerFile(sheetXlsx).answerFile(noticeXlsx);
    win.page->sendCoverSheet(1);
    win.page->sendNotices(1);
    win.page->sendCoverSheet(0);
    win.page->sendNotices(0);
    for (const auto& s : win.asker.shown)
        QVERIFY2(s.kind == ScriptedAsker::Kind::SaveFile, qPrintable(s.text));
    QVERIFY(win.asker.unexpected.isEmpty());
    QVERIFY(QFileInfo::exists(sheetXlsx));
    QVERIFY(QFileInfo::exists(noticeXlsx));
    if (!have("pdfinfo"))
        QSKIP("pdfinfo not installed");
    QCOMPARE(pdfPages(sheetPdf), 1);
    QCOMPARE(pdfPages(noticePdf), 1);
    if (!have("soffice"))
        QSKIP("soffice not installed");
    for (const QString& x : {sheetXlsx, noticeXlsx}) {
        const QString out = dir.filePath(QFileInfo(x).baseName());
        const std::string cmd = "soffice -env:UserInstallation=file://" + out.toStdString() +
                                "/profile --headless --convert-to pdf --outdir '" + out.toStdString() + "' '" +
                                x.toStdString() + "' >/dev/null 2>&1";
        QCOMPARE(std::system(cmd.c_str()), 0);
        const QString pdf = out + "/" + QFileInfo(x).baseName() + ".pdf";
        QCOMPARE(pdfPages(pdf), 1);
        const std::string text = output("pdftotext -layout '" + pdf.toStdString() + "' - 2>/dev/null");
        QVERIFY(text.find("孙老师") != std::string::npos);
    }
}

void CoverUiTest::workbooksHoldTheDayAndTheTermsCounts()
{
    // 张 away on Monday (two lessons) and on Wednesday (one); 孙 covers Monday's first period,
    // 李 supervises Wednesday's; Monday's fourth stays open. 孙 gives one, 李 one, 张 misses three.
    CoverSchool cs;
    cs.load();
    const int wednesday = cs.monday + 2;
    QVERIFY(timetable::addAbsence(cs.store(), cs.kb, cs.book, cs.absence(cs.zhang, cs.monday, wednesday)).ok);
    QVERIFY(timetable::addCovers(cs.store(), cs.kb, cs.book,
                                 {cs.substitute(cs.monday, 1, cs.c1, cs.zhang, cs.yu, cs.sun),
                                  cs.substitute(wednesday, 1, cs.c1, cs.zhang, cs.yu, cs.li, CoverKind::Study)})
                .ok);
    CoverWindow win(cs.store());
    win.page->setDate(cs.monday);
    QTemporaryDir dir;
    const QString sheet = dir.filePath("sheet.xlsx"), notices = dir.filePath("notices.xlsx"),
                  counts = dir.filePath("counts.xlsx");
    win.asker.answerFile(sheet).answerFile(notices).answerFile(counts);
    win.page->sendCoverSheet(0);
    win.page->sendNotices(0);
    win.page->sendCounts(0);
    QVERIFY(win.asker.unexpected.isEmpty());

    // The sheet: both of Monday's lessons, the open one said to be open, a column to sign.
    const XlsxBook dayBook = readXlsx(sheet.toStdString());
    const XlsxSheet& day = dayBook.sheets.at(0);
    QCOMPARE(day.text(3, 6), std::string("签名"));
    QCOMPARE(day.text(4, 1), std::string("第1节"));
    QCOMPARE(day.text(4, 4), std::string("张老师"));
    QCOMPARE(day.text(4, 5), std::string("代课：孙老师"));
    QCOMPARE(day.text(5, 1), std::string("第4节"));
    QCOMPARE(day.text(5, 5), std::string("未安排"));
    QVERIFY(day.fitToPage);

    // One notice for the one teacher covering on Monday.
    const XlsxBook n = readXlsx(notices.toStdString());
    QCOMPARE(static_cast<int>(n.sheets.size()), 1);
    QCOMPARE(n.sheets[0].name, std::string("孙老师"));
    QVERIFY(n.sheets[0].text(3, 1).find("孙老师") == 0);

    // The counts, on the page and in the workbook alike.
    const XlsxBook countsBook = readXlsx(counts.toStdString());
    const XlsxSheet& c = countsBook.sheets.at(0);
    QMap<QString, QStringList> book, page;
    for (int r = 5; !c.text(r, 1).empty(); ++r)
        book[QString::fromStdString(c.text(r, 1))] = {QString::fromStdString(c.text(r, 2)),
                                                      QString::fromStdString(c.text(r, 3))};
    QTableWidget* t = win.page->countsTable();
    for (int r = 0; r < t->rowCount(); ++r)
        page[t->item(r, 0)->text()] = {t->item(r, 1)->text(), t->item(r, 2)->text()};
    const QMap<QString, QStringList> want{{QStringLiteral("张老师"), {"0", "3"}},
                                          {QStringLiteral("孙老师"), {"1", "0"}},
                                          {QStringLiteral("李老师"), {"1", "0"}}};
    QCOMPARE(book, want);
    QCOMPARE(page, want);
    QCOMPARE(c.text(3, 4), std::string("2026-09"));
}

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    ui::useChineseFont(app);
    ui::useKitStyle(app);
    CoverUiTest t;
    return QTest::qExec(&t, argc, argv);
}

#include "cover_ui_test.moc"
