// import_shots SCHOOL OUTDIR WIDTHxHEIGHT: pictures of the spreadsheet imports over the subject
// page of a copy of a school file, the window at that size (run under xvfb-run, not a test):
//   import-subjects-WxH.png     the subject import's dialog;
//   import-assignments-WxH.png  the assignment import's dialog;
//   import-skipped-WxH.png      the message after an import that skipped more than 20 cells.
#include <QApplication>
#include <QPushButton>
#include <QScreen>
#include <QTimer>

#include <cstdio>

#include "entry/ui/kepage.h"
#include "main/form1.h"
#include "spreadsheet/ui/excelimport.h"
#include "store/store.h"
#include "support/shot_window.h"
#include "support/shots.h"
#include "ui/fonts.h"
#include "ui/style.h"
#include "ui/widget_asker.h"
#include "users/users.h"

using namespace tavrin;
using testing::settle;

namespace {

bool grabWindow(QWidget& w, const QString& file)
{
    settle();
    const QRect r = w.frameGeometry();
    if (!w.screen()->grabWindow(0, r.x(), r.y(), r.width(), r.height()).save(file, "PNG")) {
        std::fprintf(stderr, "无法保存图片：%s\n", qUtf8Printable(file));
        return false;
    }
    std::printf("%s\n", qUtf8Printable(file));
    return true;
}

// Answers the file dialog with a fixed file; messages are the window's own boxes.
struct ShotAsker : ui::WidgetAsker {
    QString file;
    using WidgetAsker::WidgetAsker;
    QString openFileNameAt(const QString&, const QString&, const QString&) override { return file; }
};

}  // namespace

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    ui::useChineseFont(app);
    ui::useKitStyle(app);
    if (argc != 4)
        return 2;
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
    ui::QuietAsker& quiet = shot.quiet;
    w.openStep(3);
    auto* ke = dynamic_cast<entry::ui::KePage*>(w.page(3));
    if (!ke)
        return 1;
    settle();

    bool ok = true;
    auto shoot = [&](const QString& name) {
        return spreadsheet::ImportSeams{[&, name](QDialog& d) {
                                            d.show();
                                            ok = grabWindow(w, out.filePath(name.arg(size))) && ok;
                                            d.reject();
                                        },
                                        {}};
    };
    entry::KemuDraft subjects = ke->model()->draft();
    spreadsheet::runKeImport(&w, quiet, subjects, shoot(QStringLiteral("import-subjects-%1.png")));
    entry::TeaDraft teachers = entry::loadTeachers(store);
    spreadsheet::runTeaImport(&w, quiet, teachers, shoot(QStringLiteral("import-assignments-%1.png")));

    // A filled-in sheet with 24 cells that are no counts.
    spreadsheet::Workbook book;
    auto& sh = book.add("s");
    sh.setText(1, 1, "科目");
    for (std::size_t g = 0; g < subjects.groups.size() && g < 3; ++g)
        sh.setText(1, static_cast<int>(g) + 2, subjects.groups[g].name);
    const char* bad[] = {"-3", "三", "5.5", "五节"};
    for (int r = 0; r < 8; ++r) {
        sh.setText(r + 2, 1, r < static_cast<int>(subjects.rows.size()) ? subjects.rows[static_cast<std::size_t>(r)].name
                                                                        : "选修" + std::to_string(r));
        for (int c = 0; c < 3; ++c)
            sh.setText(r + 2, c + 2, bad[(r + c) % 4]);
    }
    const QString filled = shot.dir.filePath(QStringLiteral("filled.xlsx"));
    if (!book.save(filled.toStdString()).ok)
        return 1;
    ShotAsker asker(&w);
    asker.file = filled;
    QTimer::singleShot(400, [&] {
        ok = grabWindow(w, out.filePath(QStringLiteral("import-skipped-%1.png").arg(size))) && ok;
        if (QWidget* box = QApplication::activeModalWidget())
            box->close();
    });
    spreadsheet::runKeImport(&w, asker, subjects,
                             {[](QDialog& d) { static_cast<spreadsheet::ExcelImportDialog&>(d).btnOpenExcel()->click(); }, {}});
    return ok ? 0 : 1;
}
