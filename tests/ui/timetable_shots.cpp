// timetable_shots DB OUTDIR [CLASS TEACHER [WIDTHxHEIGHT]]: pictures of the class and teacher
// timetable pages in both layouts (timetable-class-1.png, timetable-class-2.png,
// timetable-teacher-1.png, timetable-teacher-2.png; with a window size, named
// timetable-class-1-960x640.png and so on), taken from the window as the operator sees it
// after opening the class timetable. The layout setting of DB is changed.
//
// timetable_shots --measure DB: how long entering the step on DB takes, and a redraw and a
// re-layout of a week of 7 days x 27 periods (189 slots), averaged over many rounds.
#include <QAbstractButton>
#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QPixmap>
#include <QTimer>

#include <cstdio>

#include "main/form1.h"
#include "store/store.h"
#include "ui/kbgrid.h"
#include "timetable/ui/timetablepage.h"
#include "ui/fonts.h"
#include "ui/style.h"
#include "ui/widget_asker.h"
#include "users/users.h"

using namespace tavrin;

namespace {

void settle()
{
    for (int i = 0; i < 3; ++i) {
        QEventLoop loop;
        QTimer::singleShot(30, &loop, &QEventLoop::quit);
        loop.exec();
    }
}

bool shoot(mainwin::TForm1& w, const QString& file)
{
    const QString status = w.status();
    settle();
    w.setStatus(status);
    settle();
    if (!w.grab().save(file, "PNG")) {
        std::fprintf(stderr, "无法保存图片：%s\n", qUtf8Printable(file));
        return false;
    }
    return true;
}

int measure(const char* db)
{
    store::Store store(db);
    ui::QuietAsker quiet;
    mainwin::TForm1::Options options;
    options.asker = &quiet;
    mainwin::TForm1 w(store, options);
    users::autoLogin(users::loadUsers(store), w.session());
    w.show();
    settle();
    QElapsedTimer t;
    t.start();
    w.openTimetable(ui::KbBan);
    const qint64 enter = t.elapsed();
    auto* page = timetable::ui::TimetablePage::of(w);
    if (!page || !page->stepLoaded())
        return 1;
    std::printf("entering the step: %lld ms (%d classes, %d teachers, %d slots)\n", static_cast<long long>(enter),
                page->data().school.MaxBanID, page->data().school.TeaOldNum, page->data().N());

    ui::KbGrid grid;
    grid.resize(1200, 800);
    grid.setWeek(7, 27);
    grid.setGeometryFunction([](QSize size) { return ui::kbPageGeometry(1, size, {7, 9, 9, 9}); });
    int round = 0;
    grid.setCellFunction([&round](int s) {
        ui::KbGridCell c;
        c.text = QStringLiteral("语文\n（张老师%1）").arg((s + round) % 50);
        c.look = (s + round) % 7 == 0 ? timetable::KbLook::Locked : timetable::KbLook::Normal;
        return c;
    });
    QPixmap target(grid.size());
    const int rounds = 200;
    t.restart();
    for (round = 0; round < rounds; ++round) {
        grid.refresh();
        grid.render(&target);
    }
    std::printf("redraw of 189 slots, painted: %.3f ms\n", double(t.nsecsElapsed()) / 1e6 / rounds);
    t.restart();
    for (round = 0; round < rounds; ++round) {
        grid.resize(1000 + round % 300, 700 + round % 200);
        grid.render(&target);
    }
    std::printf("re-layout on a resize, painted: %.3f ms\n", double(t.nsecsElapsed()) / 1e6 / rounds);
    grid.setCellFunction([](int) { return ui::KbGridCell{}; });
    grid.refresh();
    t.restart();
    for (round = 0; round < rounds; ++round)
        grid.render(&target);
    std::printf("blank cells painted: %.3f ms\n", double(t.nsecsElapsed()) / 1e6 / rounds);
    return 0;
}

}  // namespace

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    ui::useChineseFont(app);
    ui::useKitStyle(app);
    if (argc == 3 && QString::fromLocal8Bit(argv[1]) == QStringLiteral("--measure"))
        return measure(argv[2]);
    if (argc < 3) {
        std::fprintf(stderr, "timetable_shots DB OUTDIR [CLASS TEACHER [WxH]] | timetable_shots --measure DB\n");
        return 2;
    }
    const int ban = argc > 3 ? std::atoi(argv[3]) : 1;
    const int tea = argc > 4 ? std::atoi(argv[4]) : 1;
    const QString size = argc > 5 ? QString::fromLocal8Bit(argv[5]) : QString();
    const QStringList wh = size.split(QLatin1Char('x'));
    const QString suffix = wh.size() == 2 ? QStringLiteral("-") + size : QString();
    const QDir out(QString::fromLocal8Bit(argv[2]));
    store::Store store(argv[1]);
    ui::QuietAsker quiet;
    mainwin::TForm1::Options options;
    options.asker = &quiet;
    mainwin::TForm1 w(store, options);
    users::autoLogin(users::loadUsers(store), w.session());
    w.setUserLabel(QString::fromUtf8(users::kDefaultUser) + QStringLiteral("（操作员）"));
    if (wh.size() == 2)
        w.resize(wh[0].toInt(), wh[1].toInt());
    w.show();
    w.openTimetable(ui::KbBan);
    auto* page = timetable::ui::TimetablePage::of(w);
    if (!page || w.currentIndex() != 6) {
        std::fprintf(stderr, "课程表打不开。\n");
        return 1;
    }
    bool ok = true;
    for (int layout : {1, 2}) {
        page->setKbLayout(layout);
        page->showBan(ban);
        ok = ok && shoot(w, out.filePath(QStringLiteral("timetable-class-%1%2.png").arg(layout).arg(suffix)));
        page->showTea(tea);
        ok = ok && shoot(w, out.filePath(QStringLiteral("timetable-teacher-%1%2.png").arg(layout).arg(suffix)));
    }
    page->setKbLayout(1);
    return ok ? 0 : 1;
}
