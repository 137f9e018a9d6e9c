// timetable_shots DB OUTDIR [CLASS TEACHER [WIDTHxHEIGHT]]: pictures of the class and teacher
// timetable pages in both layouts (timetable-class-1.png, timetable-class-2.png,
// timetable-teacher-1.png, timetable-teacher-2.png; with a window size, named
// timetable-class-1-960x640.png and so on), taken from the window as the operator sees it
// after opening the class timetable. The layout setting of DB is changed.
//
// After them, the editing pictures on CLASS: a drag through the controller with every mark
// picture, a fixed lesson, a locked target, the hint and the floating copy (editing-drag.png);
// the question of a move with warnings (editing-question.png); lessons parked at chosen
// places (editing-holding.png); the class locked (editing-locked-class.png); a teacher of it
// with its locked cells (editing-teacher-locks.png); the keyboard cursor in the middle of a
// move (editing-keyboard.png). Nothing is saved.
//
// timetable_shots --measure DB: how long entering the step on DB takes, and a redraw and a
// re-layout of a week of 7 days x 27 periods (189 slots), averaged over many rounds.
#include <QAbstractButton>
#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QPixmap>
#include <QMessageBox>
#include <QPushButton>
#include <QTimer>

#include <cstdio>

#include "main/form1.h"
#include "store/store.h"
#include "ui/kbgrid.h"
#include "timetable/kbdrag.h"
#include "timetable/ui/kbdragcontroller.h"
#include "timetable/ui/kbholding.h"
#include "timetable/ui/timetablepage.h"
#include "ui/kbstep.h"
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

// Answers as the quiet one does, but shows the question first and keeps its picture.
class ShotAsker : public ui::QuietAsker {
public:
    QString questionFile;
    ui::Answer ask(const QString& text, const QString& title, ui::Buttons buttons, ui::Icon icon) override
    {
        if (questionFile.isEmpty())
            return QuietAsker::ask(text, title, buttons, icon);
        QMessageBox box(QMessageBox::Question, title, text, QMessageBox::Yes | QMessageBox::No);
        box.button(QMessageBox::Yes)->setText(QStringLiteral("是(&Y)"));
        box.button(QMessageBox::No)->setText(QStringLiteral("否(&N)"));
        box.show();
        settle();
        box.grab().save(questionFile, "PNG");
        questionFile.clear();
        return ui::Answer::No;
    }
};

// The source on class `ban` whose drag shows the most kinds of mark.
int richestSource(const timetable::KbData& kb, int ban)
{
    int best = 0, bestKinds = -1;
    for (int s = 1; s <= kb.N(); ++s) {
        timetable::KbDrag d;
        if (!d.startCell(kb, timetable::KbSide::Ban, ban, s))
            continue;
        bool seen[5] = {};
        for (int t = 1; t <= kb.N(); ++t)
            seen[d.mark(t)] = true;
        const int kinds = seen[1] + seen[2] + seen[3] + seen[4];
        if (kinds > bestKinds) {
            best = s;
            bestKinds = kinds;
        }
    }
    return best;
}

int firstMarked(const timetable::KbDrag& d, int n, int mark, bool withHint)
{
    for (int t = 1; t <= n; ++t)
        if (d.mark(t) == mark && (!withHint || !d.hint(t).empty()))
            return t;
    return 0;
}

bool editingShots(mainwin::TForm1& w, timetable::ui::TimetablePage& page, ShotAsker& asker, const QDir& out, int ban)
{
    using timetable::KbSide;
    auto& doc = w.kbStep().document();
    const timetable::KbData& kb = doc.data();
    page.setKbLayout(1);
    page.showBan(ban);
    const int source = richestSource(kb, ban);
    if (!source) {
        std::fprintf(stderr, "这个班没有可拖动的课。\n");
        return false;
    }
    // A teacher of another lesson of the class locked, so that a target shows the locked picture.
    const int srcTea = kb.school.RenkeTea[static_cast<std::size_t>(kb.cellB(ban, source))];
    int lockedTea = 0;
    for (int s = 1; s <= kb.N() && !lockedTea; ++s) {
        const int r = kb.cellB(ban, s);
        if (r >= 0 && kb.school.RenkeTea[static_cast<std::size_t>(r)] != srcTea)
            lockedTea = kb.school.RenkeTea[static_cast<std::size_t>(r)];
    }
    if (lockedTea)
        doc.setTeaLocked(lockedTea, true);
    auto* ctl = page.dragController();
    auto* grid = page.grid();
    auto at = [&](int slot) { return grid->mapTo(&page, grid->slotRect(slot).center()); };
    bool ok = true;

    ctl->startFromCell(source, at(source));
    const timetable::KbDrag& d = ctl->drag();
    int over = firstMarked(d, kb.N(), 2, true);
    if (!over)
        over = firstMarked(d, kb.N(), 3, true);
    if (!over)
        over = firstMarked(d, kb.N(), 1, false);
    ctl->moveTo(at(over) + QPoint(6, 4));
    ok = shoot(w, out.filePath(QStringLiteral("editing-drag.png"))) && ok;
    const int warn = firstMarked(d, kb.N(), 2, true);
    if (warn) {
        asker.questionFile = out.filePath(QStringLiteral("editing-question.png"));
        ctl->dropOnSlot(warn);
    } else {
        ctl->cancel();
        std::fprintf(stderr, "没有需要确认的位置，未拍提问。\n");
    }
    if (lockedTea)
        doc.setTeaLocked(lockedTea, false);

    // Three lessons parked at chosen places.
    auto* box = page.holdingBox();
    const int w0 = grid->geometry().cellW, h0 = grid->geometry().cellH;
    const QPoint places[] = {{w0, h0 / 2 + 4}, {w0 * 2 + w0 / 3, h0 / 2 + 16}, {w0 * 4 - w0 / 3, h0 / 2 + 4}};
    int parked = 0;
    for (int s = 1; s <= kb.N() && parked < 3; ++s) {
        if (!grid->cell(s).draggable)
            continue;
        if (ctl->startFromCell(s, at(s))) {
            ctl->dropAt(box->area()->mapTo(&page, places[parked]));
            ++parked;
        }
    }
    ok = shoot(w, out.filePath(QStringLiteral("editing-holding.png"))) && ok;

    page.lockShown(true);
    ok = shoot(w, out.filePath(QStringLiteral("editing-locked-class.png"))) && ok;
    page.showTea(srcTea);
    ok = shoot(w, out.filePath(QStringLiteral("editing-teacher-locks.png"))) && ok;
    page.showBan(ban);
    page.lockShown(false);

    // The keyboard: the cursor's lesson picked up and the cursor moved onto an allowed target.
    w.activateWindow();
    grid->setFocus();
    int picked = 0;
    for (int s = 1; s <= kb.N() && !picked; ++s)
        if (grid->cell(s).draggable)
            picked = s;
    grid->setCursorSlot(picked);
    ctl->pickUpCell(picked);
    const int to = firstMarked(ctl->drag(), kb.N(), 1, false);
    grid->setCursorSlot(to ? to : picked);
    ok = shoot(w, out.filePath(QStringLiteral("editing-keyboard.png"))) && ok;
    ctl->cancel();
    w.setDataChanged(false);
    return ok;
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
    ShotAsker quiet;
    mainwin::TForm1::Options options;
    options.asker = &quiet;
    mainwin::TForm1 w(store, options);
    users::autoLogin(users::loadUsers(store), w.session());
    w.setUserLabel(QString::fromUtf8(users::kDefaultUser) + QStringLiteral("（操作员）"));
    // A size given after the teacher, or TAVRIN_SHOT_SIZE=WxH, takes the pictures at that window size.
    const QStringList envWh = qEnvironmentVariable("TAVRIN_SHOT_SIZE").split(QLatin1Char('x'));
    if (const QStringList& use = wh.size() == 2 ? wh : envWh; use.size() == 2)
        w.resize(use[0].toInt(), use[1].toInt());
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
    ok = editingShots(w, *page, quiet, out, ban) && ok;
    page->setKbLayout(1);
    return ok ? 0 : 1;
}
