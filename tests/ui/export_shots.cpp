// export_shots DB OUTDIR: pictures of the two export dialogs over the school in DB, each
// idle and in the middle of an export with its progress (the workbooks go to a scratch folder
// and are not opened). Run under xvfb-run, not a test.
#include <QApplication>
#include <QDir>
#include <QProgressBar>
#include <QTemporaryDir>

#include <cstdio>

#include "model/kechen.h"
#include "model/loaders.h"
#include "spreadsheet/ui/tfrmprkb.h"
#include "spreadsheet/ui/tfrmprkball.h"
#include "store/store.h"
#include "support/scripted_asker.h"
#include "support/shots.h"
#include "ui/fonts.h"
#include "ui/style.h"

using namespace tavrin;
using tavrin::testing::saveShot;
using tavrin::testing::settle;

namespace {

// Takes the picture the moment the export's bar passes a third, then cancels it.
template <typename Dialog>
bool shotMidExport(Dialog& d, const QString& file)
{
    bool ok = false, taken = false;
    auto* bar = d.progressBar();
    const auto c = QObject::connect(bar, &QProgressBar::valueChanged, bar, [&](int v) {
        if (taken || v < 33)
            return;
        taken = true;
        d.repaint();
        ok = d.grab().save(file, "PNG");
        std::printf("%s\n", qUtf8Printable(file));
        d.cancelOrClose();
    });
    d.startExport();
    while (d.exporting())
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    QObject::disconnect(c);
    return ok;
}

}  // namespace

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    ui::useChineseFont(app);
    ui::useKitStyle(app);
    ui::useChineseQtTexts(app);
    if (argc != 3) {
        std::fprintf(stderr, "用法：export_shots DB OUTDIR\n");
        return 2;
    }
    store::Store st(argv[1]);
    const model::School school = model::loadSchool(st);
    const model::Grids grids = model::LoadKeChenData(st, school);
    const QDir out(QString::fromLocal8Bit(argv[2]));
    QTemporaryDir scratch;
    tavrin::testing::ScriptedAsker asker;
    bool ok = true;

    spreadsheet::TfrmPrKb kb(school, grids.Renke_B, grids.Renke_T, st, asker, 1);
    kb.exportDir = scratch.path();
    kb.openWhenDone = false;
    kb.BanIsSel.assign(kb.BanIsSel.size(), true);
    kb.show();
    ok &= saveShot(kb, out.filePath("export-dialog.png"));
    ok &= shotMidExport(kb, out.filePath("export-dialog-exporting.png"));
    kb.hide();

    for (auto kind : {spreadsheet::SchoolTable::Timetable, spreadsheet::SchoolTable::Assignments}) {
        spreadsheet::TFrmPrKball all(school, grids.Renke_B, grids.Renke_T, st, asker, kind);
        all.exportDir = scratch.path();
        all.openWhenDone = false;
        all.show();
        const QString stem = kind == spreadsheet::SchoolTable::Timetable ? "school-export-dialog" : "assignment-export-dialog";
        ok &= saveShot(all, out.filePath(stem + ".png"));
        if (kind == spreadsheet::SchoolTable::Timetable)
            ok &= shotMidExport(all, out.filePath(stem + "-exporting.png"));
        all.hide();
    }
    settle();
    return ok ? 0 : 1;
}
