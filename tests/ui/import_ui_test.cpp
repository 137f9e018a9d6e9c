// The spreadsheet imports on screen: the subject page's "导入Excel数据" through its dialog's
// three steps to the refreshed grid, the save question on Return and the skipped-items
// message; the assignment import's entry point for the teacher page; a file dialog cancelled
// and a file that is no workbook, each leaving the data as it was.
#include <QDir>
#include <QLabel>
#include <QMenu>
#include <QPushButton>
#include <QtTest>

#include <fstream>

#include "entry/subject_fixture.h"
#include "entry/teacher_fixture.h"
#include "entry/ui/kepage.h"
#include "spreadsheet/reader.h"
#include "spreadsheet/ui/excelimport.h"
#include "support/uitest.h"

using namespace tavrin;
using namespace tavrin::testing;
using entry::ui::KePage;
using spreadsheet::ExcelImportDialog;

namespace {

struct ImportWindow {
    SubjectSchool school;
    ScriptedAsker asker;
    std::unique_ptr<mainwin::TForm1> w;
    KePage* ke = nullptr;
    QTemporaryDir dir;
    QStringList opened;      // templates handed to the spreadsheet program
    QString caption;         // the dialog's title
    bool pictureShown = false;
    bool thirdStep = true;   // the runner ends with step three, else with 取消

    ImportWindow()
    {
        w = pageWindow(school.store(), asker, [this](mainwin::TForm1::Options& o) {
            o.pages[3] = [this](ui::Shell& sh) { return ke = new KePage(sh); };
        });
        w->resize(1100, 760);
        w->show();
        w->openStep(3);
        ke->setImportSeams({[this](QDialog& d) { runSteps(d); }, [this](const QUrl& u) {
                                opened << u.toLocalFile();
                                return true;
                            }});
    }
    void runSteps(QDialog& d)
    {
        auto& dlg = dynamic_cast<ExcelImportDialog&>(d);
        caption = dlg.windowTitle();
        pictureShown = !dlg.examplePicture()->pixmap().isNull();
        dlg.btnCreat()->click();
        (thirdStep ? dlg.btnOpenExcel() : dlg.btnCancel())->click();
    }
    QString path(const char* name) const { return dir.filePath(QString::fromUtf8(name)); }
    QString cell(int row, int col) const { return ke->model()->index(row, col).data().toString(); }
};

// A filled-in subject sheet: 语文 6 in 初一, a new subject, a grade group the school lacks.
void writeFilled(const QString& file)
{
    spreadsheet::Workbook book;
    auto& sh = book.add("s");
    const std::vector<std::vector<std::string>> rows = {
        {"科目", "初一", "高三"}, {"语文", "6", "1"}, {"物理", "2,2,3", ""}};
    for (std::size_t r = 0; r < rows.size(); ++r)
        for (std::size_t c = 0; c < rows[r].size(); ++c)
            if (!rows[r][c].empty())
                sh.setText(static_cast<int>(r) + 1, static_cast<int>(c) + 1, rows[r][c]);
    QVERIFY(book.save(file.toStdString()).ok);
}

}  // namespace

class ImportUiTest : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void subjectImportRunsToTheEnd();
    void cancelledFileDialogChangesNoData();
    void notAWorkbookChangesNothing();
    void assignmentImportRunsToTheEnd();
};

void ImportUiTest::subjectImportRunsToTheEnd()
{
    ImportWindow win;
    QVERIFY(win.ke->button("btnExceToKe")->isEnabled());
    const QString tmpl = win.path("表模");  // ".xlsx" is added
    const QString filled = win.path("filled.xlsx");
    writeFilled(filled);
    win.asker.answerFile(tmpl).answerFile(filled);
    win.ke->button("btnExceToKe")->click();

    QCOMPARE(win.caption, QStringLiteral("导入EXCEL数据为科目节数"));
    QVERIFY(win.pictureShown);
    QCOMPARE(win.opened, QStringList{tmpl + ".xlsx"});
    // The template holds the school's names; step three starts at it.
    const auto read = spreadsheet::readFirstSheet((tmpl + ".xlsx").toStdString());
    QVERIFY(read.ok());
    QCOMPARE(QString::fromStdString(read.sheet.text(1, 2)), QStringLiteral("初一"));
    QCOMPARE(QString::fromStdString(read.sheet.text(4, 1)), QStringLiteral("英语"));
    QVERIFY(win.asker.starts.value(0).endsWith(QStringLiteral("/科目节数表模.xlsx")));
    QCOMPARE(win.asker.starts.value(1), tmpl + ".xlsx");
    QCOMPARE(win.asker.shown.at(1).text, QStringLiteral("Excel工作簿 (*.xlsx *.xls)"));

    // The grid shows the import; the skipped column is the one message.
    QCOMPARE(win.cell(0, 3), QStringLiteral("6"));
    QCOMPARE(win.ke->model()->rowCount(), 4);
    QCOMPARE(win.cell(3, 1), QStringLiteral("物理"));
    QCOMPARE(win.cell(3, 3), QStringLiteral("2,2,3"));
    QCOMPARE(win.asker.shown.size(), std::size_t(3));
    QCOMPARE(win.asker.shown.back().text,
             QStringLiteral("以下1项未按表中所写导入：\n第1行C列“高三”：没有这个年级，未导入"));
    QVERIFY(win.w->dataChanged());
    QVERIFY(win.asker.done());

    // Return asks before the import is dropped.
    win.asker.answerSave(ui::SaveAnswer::Cancel);
    win.w->goBack();
    QVERIFY(win.asker.shown.back().kind == ScriptedAsker::Kind::Save);
    QCOMPARE(win.w->currentIndex(), 3);

    // The menus start the same import.
    bool found = false;
    for (QMenu* m : {win.ke->pmKemu(), win.ke->pmTs3()})
        for (QAction* a : m->actions())
            if (a->objectName() == (m == win.ke->pmKemu() ? "mniExcelToKe" : "mniExcelToKe2")) {
                QVERIFY(a->isEnabled());
                found = true;
            }
    QVERIFY(found);
}

void ImportUiTest::cancelledFileDialogChangesNoData()
{
    ImportWindow win;
    const auto before = win.ke->model()->draft();
    win.asker.answerFile({}).answerFile({});  // no template saved, no file chosen
    win.ke->button("btnExceToKe")->click();
    QVERIFY(win.opened.isEmpty());
    QVERIFY(win.ke->model()->draft() == before);
    // Step three was chosen: the step counts as changed, as it always has.
    QVERIFY(win.w->dataChanged());
    QVERIFY(win.asker.done());

    ImportWindow cancelled;
    cancelled.thirdStep = false;
    cancelled.asker.answerFile({});
    cancelled.ke->button("btnExceToKe")->click();
    QVERIFY(!cancelled.w->dataChanged());
    QVERIFY(cancelled.asker.done());
}

void ImportUiTest::notAWorkbookChangesNothing()
{
    ImportWindow win;
    const QString text = win.path("plain.xlsx");
    std::ofstream(text.toStdString()) << "科目,初一\n语文,9\n";
    const auto before = win.ke->model()->draft();
    win.asker.answerFile({}).answerFile(text);
    win.ke->button("btnExceToKe")->click();
    QVERIFY(win.ke->model()->draft() == before);
    QCOMPARE(win.asker.shown.back().text, QString::fromUtf8(spreadsheet::kNotWorkbookText));
}

void ImportUiTest::assignmentImportRunsToTheEnd()
{
    TeacherSchool school;
    entry::TeaDraft d = entry::loadTeachers(school.store());
    ScriptedAsker asker;
    QTemporaryDir dir;
    const QString tmpl = dir.filePath(QStringLiteral("任课.xlsx"));
    const QString filled = dir.filePath(QStringLiteral("filled.xlsx"));
    {
        spreadsheet::Workbook book;
        auto& sh = book.add("t");
        sh.setText(1, 1, "科目");
        sh.setText(1, 2, "3班");
        sh.setText(2, 1, "体育");
        sh.setText(2, 2, "孙老师,2,钱老师,1");
        QVERIFY(book.save(filled.toStdString()).ok);
    }
    asker.answerFile(tmpl).answerFile(filled);
    QString caption;
    QStringList opened;
    spreadsheet::ImportSeams seams{[&](QDialog& dlg) {
                                       auto& x = dynamic_cast<ExcelImportDialog&>(dlg);
                                       caption = x.windowTitle();
                                       x.btnCreat()->click();
                                       x.btnOpenExcel()->click();
                                   },
                                   [&](const QUrl& u) {
                                       opened << u.toLocalFile();
                                       return true;
                                   }};
    const std::size_t teachers = d.rows.size();
    QVERIFY(spreadsheet::runTeaImport(nullptr, asker, d, seams));
    QCOMPARE(caption, QStringLiteral("导入EXCEL数据为教师任课"));
    QCOMPARE(opened, QStringList{tmpl});
    QVERIFY(asker.starts.value(0).endsWith(QStringLiteral("/教师任课表模.xlsx")));
    QCOMPARE(d.rows.size(), teachers + 1);
    QCOMPARE(QString::fromStdString(entry::renkeText(d, d.rows.back().id)).isEmpty(), false);
    QCOMPARE(entry::remaining(d, 3, 2), std::int64_t(0));
    QCOMPARE(asker.shown.size(), std::size_t(2));  // the two file dialogs: a clean import is silent
    QVERIFY(asker.done());

    // The same file again: nothing changes, nothing to report.
    const auto before = d;
    asker.clear();
    asker.answerFile({}).answerFile(filled);
    QVERIFY(!spreadsheet::runTeaImport(nullptr, asker, d, seams));
    QVERIFY(d == before);
    QCOMPARE(asker.shown.size(), std::size_t(2));
}

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    ImportUiTest t;
    return QTest::qExec(&t, argc, argv);
}

#include "import_ui_test.moc"
