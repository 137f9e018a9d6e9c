// school_shots DB OUTDIR WIDTHxHEIGHT: pictures of the whole-school timetable and the
// assignment table as the operator sees them (run under xvfb-run, not a test):
//   school-all-WxH.png     a teacher highlighted, a class locked, a pick list with a grey entry
//   school-drag-WxH.png    a drag in progress, its row coloured, the drop image and the hint
//   school-renke-WxH.png   the assignment table scrolled to the middle
// Two lessons of one class are sent to the holding area for the pick list; nothing is saved.
#include <QAbstractButton>
#include <QAction>
#include <QApplication>
#include <QListWidget>
#include <QMouseEvent>
#include <QScrollBar>

#include <cstdio>

#include "main/form1.h"
#include "store/store.h"
#include "support/mousedrag.h"
#include "support/shots.h"
#include "timetable/schoolcells.h"
#include "timetable/ui/schoolpage.h"
#include "ui/kbstep.h"
#include "ui/schoolgrid.h"
#include "ui/widget_asker.h"
#include "users/users.h"

using namespace tavrin;
using namespace tavrin::testing;

namespace {

// A class and a slot whose pick list, after two of its lessons are parked, shows one entry
// that may be chosen and one that may not.
bool preparePick(timetable::KbDocument& doc, int& ban, int& slot)
{
    const timetable::KbData& kb = doc.data();
    for (int b = 1; b <= kb.school.MaxBanID; ++b) {
        int parked = 0;
        for (int s = 1; s <= kb.N() && parked < 2; ++s)
            if (kb.school.isRealRenke(kb.cellB(b, s)) && timetable::MvKbToTmp(doc, timetable::KbSide::Ban, b, s).result)
                ++parked;
        for (int s = 1; s <= kb.N(); ++s) {
            const auto entries = timetable::schoolPickEntries(kb, b, s, {}, nullptr);
            bool ok = false, grey = false;
            for (const auto& e : entries)
                (e.enabled ? ok : grey) = true;
            if (ok && grey && !kb.school.isRealRenke(kb.cellB(b, s))) {
                ban = b;
                slot = s;
                return true;
            }
        }
    }
    return false;
}

}  // namespace

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    if (argc < 4) {
        std::fprintf(stderr, "用法：school_shots DB OUTDIR WIDTHxHEIGHT\n");
        return 2;
    }
    const QString out = QString::fromLocal8Bit(argv[2]);
    const QStringList size = QString::fromLocal8Bit(argv[3]).split(QLatin1Char('x'));
    const QString tag = QString::fromLocal8Bit(argv[3]);
    store::Store store(argv[1]);
    ui::QuietAsker quiet;
    mainwin::TForm1::Options options;
    options.asker = &quiet;
    mainwin::TForm1 w(store, options);
    users::autoLogin(users::loadUsers(store), w.session());
    w.resize(size.value(0).toInt(), size.value(1).toInt());
    w.show();
    settle();
    w.openTimetable(ui::KbAll);
    auto* all = qobject_cast<timetable::ui::SchoolPage*>(w.page(7));
    if (!all || !w.kbStep().document().loaded()) {
        std::fprintf(stderr, "总课程表打不开。\n");
        return 1;
    }
    timetable::KbDocument& doc = w.kbStep().document();
    ui::SchoolGrid* g = all->grid();
    settle();

    int ban = 1, slot = 1;
    const bool pick = preparePick(doc, ban, slot);
    // A teacher of row 2 highlighted, row 3 locked, the pick list open on the prepared class.
    for (int s = 1; s <= g->slots(); ++s)
        if (doc.school().isRealRenke(doc.data().cellB(2, s))) {
            all->prepareCellMenu(2, s);
            all->action("NHotTea")->trigger();
            break;
        }
    doc.setBanLocked(3, true);
    g->scrollToRow(ban);
    g->horizontalScrollBar()->setValue(std::max(0, g->geometry().cell(ban, slot).left - g->geometry().w * 3));
    settle();
    if (pick) {
        const QPoint at = g->cellRect(ban, slot).center();
        mouse(g->viewport(), QEvent::MouseButtonPress, at, Qt::LeftButton, Qt::LeftButton);
        mouse(g->viewport(), QEvent::MouseButtonRelease, at, Qt::LeftButton, Qt::NoButton);
    }
    mouse(g->viewport(), QEvent::MouseMove, g->cellRect(2, 2).center(), Qt::NoButton, Qt::NoButton);
    if (!saveShot(w, out + QStringLiteral("/school-all-%1.png").arg(tag)))
        return 1;
    all->pickList()->hide();

    // A drag in progress on row 5, the pointer over a cell of its row.
    const int row = std::min(5, g->rows());
    g->scrollToRow(row);
    g->horizontalScrollBar()->setValue(0);
    settle();
    int from = 0;
    for (int s = 1; s <= g->slots() && !from; ++s)
        if (g->cell(row, s).draggable && g->cellRect(row, s).right() < g->viewport()->width() / 2)
            from = s;
    if (from) {
        const QPoint a = g->cellRect(row, from).center();
        mouse(g->viewport(), QEvent::MouseButtonPress, a, Qt::LeftButton, Qt::LeftButton);
        mouse(g->viewport(), QEvent::MouseMove, a + QPoint(12, 2), Qt::NoButton, Qt::LeftButton);
        const int to = std::min(g->slots(), from + 3);
        mouse(g->viewport(), QEvent::MouseMove, g->cellRect(row, to).center() + QPoint(4, 3), Qt::NoButton,
              Qt::LeftButton);
    }
    if (!saveShot(w, out + QStringLiteral("/school-drag-%1.png").arg(tag)))
        return 1;
    g->cancelDrag();

    w.biaoButton(4)->click();
    auto* renke = qobject_cast<timetable::ui::AssignPage*>(w.page(8));
    settle();
    renke->grid()->horizontalScrollBar()->setValue(renke->grid()->horizontalScrollBar()->maximum() / 2);
    renke->grid()->verticalScrollBar()->setValue(renke->grid()->verticalScrollBar()->maximum() / 2);
    if (!saveShot(w, out + QStringLiteral("/school-renke-%1.png").arg(tag)))
        return 1;
    return 0;
}
