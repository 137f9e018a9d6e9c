// ke_shots SCHOOL OUTDIR WIDTHxHEIGHT: pictures of the time-mark dialog's steps on a copy of a
// school file, the window at that size (run under xvfb-run, not a test):
//   step3-subjects-WxH.png  the subject grid with a grade group over capacity (red total)
//                           and the per-class strip of a differing group cell open;
//   step3-marks-WxH.png     the time-mark dialog at a grade-group scope showing all five
//                           states;
//   step4-teacher-marks-WxH.png  the same dialog over the first teacher, a mark of each kind.
// ke_shots --measure SCHOOL: a keystroke in a grade-group cell (the cell, the strip and the
// footer redrawn) on that school, averaged over 200 keystrokes.
#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QLineEdit>
#include <QPixmap>
#include <QTimer>

#include <cstdio>

#include "entry/ui/kepage.h"
#include "entry/teachers.h"
#include "entry/ui/teshuform.h"
#include "main/form1.h"
#include "support/shot_window.h"
#include "support/shots.h"
#include "store/store.h"
#include "ui/fonts.h"
#include "ui/style.h"
#include "ui/widget_asker.h"
#include "users/users.h"

using namespace tavrin;

namespace {

using testing::settle;
using testing::saveShot;

}  // namespace

int measure(const QString& school)
{
    testing::ShotWindow shot;
    if (!shot.open(school, {1920, 1080}))
        return 1;
    mainwin::TForm1& w = *shot.w;
    w.openStep(3);
    auto* ke = dynamic_cast<entry::ui::KePage*>(w.page(3));
    if (!ke || ke->model()->rowCount() == 0 || ke->model()->groupCount() == 0)
        return 1;
    settle();
    ke->editCell(0, 3);
    QLineEdit* e = ke->editor();
    if (!e)
        return 1;
    QPixmap footer(ke->footer()->size());
    const QRect cell = ke->lvKe()->visualRect(ke->model()->index(0, 3));
    QPixmap cellPicture(cell.size());
    const int rounds = 200;
    for (bool draw : {false, true}) {
        QElapsedTimer t;
        t.start();
        for (int i = 0; i < rounds; ++i) {
            e->setText(QString::number(i % 9 + 1));
            Q_EMIT e->textEdited(e->text());
            if (draw) {
                ke->lvKe()->viewport()->render(&cellPicture, {}, QRegion(cell));
                ke->footer()->render(&footer);
            }
        }
        std::printf("keystroke in a grade-group cell, %d subjects x %d classes: %.3f ms (%s)\n",
                    ke->model()->rowCount(), static_cast<int>(ke->model()->draft().classes.size()),
                    double(t.nsecsElapsed()) / 1e6 / rounds,
                    draw ? "with the cell and the footer drawn" : "the working copy, the cell and the totals");
    }
    return 0;
}

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    ui::useChineseFont(app);
    ui::useKitStyle(app);
    if (argc == 3 && QString::fromLocal8Bit(argv[1]) == QStringLiteral("--measure"))
        return measure(QString::fromLocal8Bit(argv[2]));
    if (argc < 4) {
        std::fprintf(stderr, "ke_shots SCHOOL OUTDIR WIDTHxHEIGHT\n");
        return 2;
    }
    const QDir out(QString::fromLocal8Bit(argv[2]));
    const QString size = QString::fromLocal8Bit(argv[3]);
    const auto wh = testing::shotSize(size);
    if (!wh)
        return 2;
    testing::ShotWindow shot;
    if (!shot.open(QString::fromLocal8Bit(argv[1]), *wh))
        return 1;
    mainwin::TForm1& w = *shot.w;
    store::Store& store = *shot.store;
    w.openStep(3);
    auto* ke = dynamic_cast<entry::ui::KePage*>(w.page(3));
    if (!ke || ke->model()->rowCount() < 3 || ke->model()->groupCount() < 2)
        return 1;
    settle();
    // The first group over capacity in its first class, the strip of that cell open.
    const auto& d = ke->model()->draft();
    const int cap = d.classes[0].capacity;
    const auto totals = d.totals();
    ke->model()->setClassCount(0, 0, static_cast<int>(d.rows[0].jieshu[0] + cap - totals[0] + 2));
    ke->editCell(0, 3);
    bool ok = saveShot(w, out.filePath(QStringLiteral("step3-subjects-%1.png").arg(size)));
    w.setDataChanged(false);

    // All five states at the first grade group: one class marked apart makes the rest differ.
    ke->openMarks(1);
    auto* dlg = ke->marksDialog();
    dlg->selectScope(entry::Scope::group(0));
    const int first = d.groups[0].first;
    dlg->setCell(1, 2, 1);
    dlg->setCell(2, 3, 2);
    dlg->setCell(3, 4, 3);
    dlg->selectScope(entry::Scope::cls(first));
    dlg->setCell(4, 1, 2);
    dlg->selectScope(entry::Scope::group(0));
    ok = saveShot(*dlg, out.filePath(QStringLiteral("step3-marks-%1.png").arg(size))) && ok;
    dlg->hide();

    // The same dialog over teachers: the first teacher with a mark of each kind, no scope tree.
    entry::TeaDraft teachers = entry::loadTeachers(store);
    if (teachers.rows.empty())
        return 1;
    entry::ui::TteshuForm teaDlg(&w);
    const auto mor = store.scalar("SELECT mor FROM jieshu"), aft = store.scalar("SELECT aft FROM jieshu"),
               nig = store.scalar("SELECT nig FROM jieshu");
    const auto& head = teachers.rows[0];
    teaDlg.showForTeacher(teachers, static_cast<int>(mor), static_cast<int>(aft), static_cast<int>(nig), head.id,
                          QString::fromStdString(head.name));
    teaDlg.setCell(1, 1, 1);
    teaDlg.setCell(2, 3, 2);
    teaDlg.setCell(3, 5, 3);
    ok = saveShot(teaDlg, out.filePath(QStringLiteral("step4-teacher-marks-%1.png").arg(size))) && ok;
    return ok ? 0 : 1;
}
