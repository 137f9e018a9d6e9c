// cover_shots DB OUTDIR WIDTHxHEIGHT [SHEET.xlsx]: the cover page of a day with three
// teachers absent and covers picked for some of their lessons (cover-page-WxH.png), taken
// from the window; with SHEET.xlsx, the day's cover sheet written there, for
// scripts/render-workbook to show as printed. The school file gets a term and the absences:
// run it on a copy.
#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QScreen>

#include <algorithm>
#include <cstdio>

#include "main/form1.h"
#include "model/dates.h"
#include "model/slots.h"
#include "spreadsheet/coversheet.h"
#include "store/store.h"
#include "support/shots.h"
#include "timetable/cover.h"
#include "timetable/ui/coverpage.h"
#include "ui/fonts.h"
#include "ui/style.h"
#include "ui/widget_asker.h"
#include "users/users.h"

using namespace tavrin;

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    ui::useChineseFont(app);
    ui::useKitStyle(app);
    if (argc < 4) {
        std::fprintf(stderr, "usage: cover_shots DB OUTDIR WIDTHxHEIGHT [SHEET.xlsx]\n");
        return 2;
    }
    store::Store store(argv[1]);
    const QString out = QString::fromLocal8Bit(argv[2]);
    const QString size = QString::fromLocal8Bit(argv[3]);

    // A term from the first Monday of September, and the second Monday as the day shown.
    timetable::KbData kb;
    timetable::LoadKbData(store, kb);
    timetable::CoverBook book = timetable::loadCoverBook(store);
    std::string note;
    if (!timetable::saveTerm(store, book, model::daySerial(2026, 9, 7), 20, note).ok)
        return 1;
    const int day = model::daySerial(2026, 9, 14);
    // Three teachers with the most lessons that Monday are away: one all day, one for the
    // morning, one for the afternoon.
    const auto& s = kb.school;
    const int P = s.P();
    const int monday = s.WeektoDay[1];
    if (monday == 0) {
        std::fprintf(stderr, "the school has no lessons on Monday\n");
        return 1;
    }
    std::vector<std::pair<int, int>> busy;  // (lessons, teacher)
    for (int t = 1; t <= s.TeaOldNum; ++t) {
        int n = 0;
        for (int j = 1; j <= P; ++j)
            n += kb.cellT(t, model::slotOf(monday, j, P)) >= 0;
        if (n > 0)
            busy.emplace_back(-n, t);
    }
    std::sort(busy.begin(), busy.end());
    if (busy.size() < 3) {
        std::fprintf(stderr, "the school has fewer than three teachers with lessons on Monday\n");
        return 1;
    }
    const char* const reasons[] = {"病假", "外出培训", "事假"};
    for (int i = 0; i < 3; ++i) {
        model::Absence a;
        a.tea = busy[static_cast<std::size_t>(i)].second;
        a.from = a.to = day;
        if (i == 1)
            for (int j = 1; j <= s.mor; ++j)
                a.jies.push_back(j);
        if (i == 2)
            for (int j = s.mor + 1; j <= P; ++j)
                a.jies.push_back(j);
        a.reason = reasons[i];
        if (const auto r = timetable::addAbsence(store, kb, book, a); !r.ok) {
            std::fprintf(stderr, "%s\n", r.message.c_str());
            return 1;
        }
    }

    ui::QuietAsker quiet;
    mainwin::TForm1::Options options;
    options.asker = &quiet;
    mainwin::TForm1 w(store, options);
    users::autoLogin(users::loadUsers(store), w.session());
    w.setUserLabel(QString::fromUtf8(users::kDefaultUser) + QStringLiteral("（操作员）"));
    const QStringList wh = size.split(QLatin1Char('x'));
    if (wh.size() == 2)
        w.resize(wh[0].toInt(), wh[1].toInt());
    w.move(0, 0);  // the picture is taken from the screen
    w.show();
    w.openCover();
    auto* page = qobject_cast<timetable::ui::CoverPage*>(w.page(timetable::ui::kCoverPageIndex));
    if (!page || w.currentIndex() != timetable::ui::kCoverPageIndex) {
        std::fprintf(stderr, "the cover page did not open\n");
        return 1;
    }
    page->setDate(day);
    // The best suggestion for every other lesson; the rest wait with their drop-downs.
    for (int row = 0; row < static_cast<int>(page->day().lessons.size()); row += 2)
        if (!page->day().lessons[static_cast<std::size_t>(row)].suggestions.empty())
            page->pickCover(row, 1);
    // The suggestions of the first lesson still waiting, its drop-down open; taken from the
    // screen, where the list is.
    for (int row = 0; row < static_cast<int>(page->day().lessons.size()); ++row)
        if (!page->day().lessons[static_cast<std::size_t>(row)].hasCover) {
            page->coverBox(row)->showPopup();
            break;
        }
    testing::settle();
    const QString file = QDir(out).filePath(QStringLiteral("cover-page-%1.png").arg(size));
    const QRect r = w.frameGeometry();
    if (!w.screen()->grabWindow(0, r.x(), r.y(), r.width(), r.height()).save(file, "PNG")) {
        std::fprintf(stderr, "cannot write %s\n", qUtf8Printable(file));
        return 1;
    }
    std::printf("%s\n", qUtf8Printable(file));
    if (argc > 4) {
        spreadsheet::Workbook sheet;
        spreadsheet::exportCoverSheet(page->data(), page->day(), sheet);
        const auto r = sheet.save(argv[4]);
        if (!r.ok) {
            std::fprintf(stderr, "%s\n", r.error.c_str());
            return 1;
        }
        std::printf("%s\n", argv[4]);
    }
    return 0;
}
