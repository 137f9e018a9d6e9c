// changes_shots DB OUTDIR [CLASS [WIDTHxHEIGHT]]: pictures of the aids beside the class
// timetable, taken from the window after opening the class timetable: the side panels with
// one highlighted and the change list after a few exchanges (changes-panels.png), a drag in
// progress with the floating mini timetable below the copy (changes-drag.png, taken from the
// screen so that the floating window is in it), the panels in layout 2
// (changes-layout2.png), and the change notice dialog over the window (notices-dialog.png). With a window size the names end in "-WxH". Nothing is saved.
#include <QApplication>
#include <QCheckBox>
#include <QDir>
#include <QEventLoop>
#include <QMouseEvent>
#include <QPixmap>
#include <QScreen>
#include <QTimer>

#include <cstdio>

#include "main/form1.h"
#include "spreadsheet/ui/tfrmchninfo.h"
#include "store/store.h"
#include "timetable/moves.h"
#include "timetable/ui/kbdragcontroller.h"
#include "timetable/ui/minfrm.h"
#include "timetable/ui/minipanels.h"
#include "timetable/ui/timetablepage.h"
#include "ui/fonts.h"
#include "ui/kbgrid.h"
#include "ui/kbstep.h"
#include "ui/style.h"
#include "ui/widget_asker.h"
#include "support/shots.h"
#include "users/users.h"

using namespace tavrin;

namespace {

using tavrin::testing::saveShot;
using tavrin::testing::settle;

bool save(const QPixmap& p, const QString& file)
{
    if (!p.save(file, "PNG")) {
        std::fprintf(stderr, "无法保存图片：%s\n", qUtf8Printable(file));
        return false;
    }
    std::printf("%s\n", qUtf8Printable(file));
    return true;
}

// The first `count` exchanges of class `ban` allowed without a question, made as drops are.
int exchange(timetable::KbDocument& doc, int ban, int count)
{
    const timetable::KbData& kb = doc.data();
    int done = 0;
    for (int s = 1; s <= kb.N() && done < count; ++s) {
        if (kb.cellB(ban, s) < 0)
            continue;
        const timetable::MoveMarks m = timetable::ShowMvKe_B(kb, ban, s);
        for (int t = s + 1; t <= kb.N(); ++t)
            if (m.mark[static_cast<std::size_t>(t)] == timetable::MarkOk) {
                if (timetable::ChnBanJ(doc, ban, s, t, false).result.ok)
                    ++done;
                break;
            }
    }
    return done;
}

}  // namespace

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    ui::useChineseFont(app);
    ui::useKitStyle(app);
    if (argc < 3) {
        std::fprintf(stderr, "changes_shots DB OUTDIR [CLASS [WxH]]\n");
        return 2;
    }
    const int ban = argc > 3 ? std::atoi(argv[3]) : 1;
    const QString size = argc > 4 ? QString::fromLocal8Bit(argv[4]) : QString();
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
    w.move(0, 0);
    w.show();
    w.openTimetable(ui::KbBan);
    auto* page = timetable::ui::TimetablePage::of(w);
    if (!page || w.currentIndex() != 6) {
        std::fprintf(stderr, "课程表打不开。\n");
        return 1;
    }
    auto& doc = w.kbStep().document();
    page->setKbLayout(1);
    page->showBan(ban);
    page->findChild<QCheckBox*>("chkShowChn")->setChecked(true);
    exchange(doc, ban, 3);
    page->showBan(ban);
    settle();
    auto* panels = page->miniPanels();
    auto hover = [&](int n) {
        const QPointF at = panels->panelGeometry().panel(n).center();
        QMouseEvent e(QEvent::MouseMove, at, panels->mapToGlobal(at), Qt::NoButton, Qt::NoButton, Qt::NoModifier);
        QApplication::sendEvent(panels, &e);
    };
    hover(1);
    bool ok = saveShot(w, out.filePath(QStringLiteral("changes-panels%1.png").arg(suffix)));

    // The change notice dialog over the window, as "调课通知" opens it (shown here without
    // its modal loop), taken from the screen with the window behind it.
    {
        const timetable::KbData& kb = doc.data();
        spreadsheet::TfrmChnInfo d(kb.school, kb.base, kb.gridB(), kb.gridT(), store.path(), quiet, &w);
        d.show();
        d.move(w.frameGeometry().center() - d.rect().center());
        settle();
        const QRect area = w.frameGeometry().united(d.frameGeometry());
        ok = save(w.screen()->grabWindow(0, area.x(), area.y(), area.width(), area.height()),
                  out.filePath(QStringLiteral("notices-dialog%1.png").arg(suffix))) &&
             ok;
    }

    // A drag from the class's first lesson, held over the middle of the week.
    auto* ctl = page->dragController();
    auto* grid = page->grid();
    auto at = [&](int slot) { return grid->mapTo(page, grid->slotRect(slot).center()); };
    int source = 0;
    for (int s = 1; s <= doc.data().N() && !source; ++s)
        if (grid->cell(s).draggable)
            source = s;
    if (source && ctl->startFromCell(source, at(source))) {
        const int P = doc.data().school.P();
        ctl->moveTo(at(P + P / 2 + 1));
        settle();
        QRect area = w.frameGeometry();
        if (auto* f = page->minFrm(); f && f->isVisible())
            area = area.united(f->geometry());
        ok = save(w.screen()->grabWindow(0, area.x(), area.y(), area.width(), area.height()),
                  out.filePath(QStringLiteral("changes-drag%1.png").arg(suffix))) && ok;
        ctl->cancel();
    } else {
        std::fprintf(stderr, "这个班没有可拖动的课。\n");
        ok = false;
    }

    page->setKbLayout(2);
    page->showBan(ban);
    settle();
    hover(0);
    ok = saveShot(w, out.filePath(QStringLiteral("changes-layout2%1.png").arg(suffix))) && ok;
    page->setKbLayout(1);
    return ok ? 0 : 1;
}
