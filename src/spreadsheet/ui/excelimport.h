// The two import dialogs of the data-entry steps, `TFrmExcelToKe` (subject periods) and
// `TfrmExcelToTea` (teaching assignments), and the whole import each starts: step one saves
// a template where the operator chooses and opens it, step two is the operator's, step three
// closes the dialog with `IsOpenExcel` set; the chosen workbook is then read on a worker
// thread, planned, and applied to the page's working copy in one go. A clean import is
// silent; what was skipped is listed in one message; a file that cannot be read, or an
// import past the limits, gives one message and changes nothing.
#pragma once

#include <QDialog>
#include <QString>
#include <QUrl>

#include <functional>

#include "entry/subjectdraft.h"
#include "entry/teachers.h"
#include "spreadsheet/workbook.h"
#include "ui/widgets.h"

class QLabel;
class QPushButton;

namespace tavrin::ui {
class Asker;
}

namespace tavrin::spreadsheet {

// How a saved template is shown to the operator (default: the desktop's program for it).
using UrlOpener = std::function<bool(const QUrl&)>;

class ExcelImportDialog : public QDialog {
    Q_OBJECT
public:
    // Set by step three; the caller reads the file only then.
    bool IsOpenExcel = false;
    // The template step one saved last, where step three's file dialog starts.
    QString templateFile() const { return template_; }
    QPushButton* btnCreat() const { return btnCreat_; }
    QPushButton* btnOpenExcel() const { return btnOpenExcel_; }
    QPushButton* btnCancel() const { return btnCancel_; }
    QLabel* examplePicture() const { return picture_; }
    void setUrlOpener(UrlOpener o) { opener_ = std::move(o); }

    // Step one: asks where to save the template (文档, under `fileName`), writes it, opens it.
    void createTemplate();

protected:
    ExcelImportDialog(ui::Asker& asker, const QString& caption, const char* creatName, QString fileName,
                      std::function<Workbook()> makeTemplate, bool subjects, QWidget* parent);

private:
    ui::Asker& asker_;
    QString fileName_;
    std::function<Workbook()> make_;
    QString template_;
    UrlOpener opener_;
    QPushButton* btnCreat_;
    QPushButton* btnOpenExcel_;
    QPushButton* btnCancel_;
    QLabel* picture_;
};

class TFrmExcelToKe : public ExcelImportDialog {
    Q_OBJECT
public:
    TFrmExcelToKe(ui::Asker& asker, const entry::KemuDraft& d, QWidget* parent = nullptr);
};

class TfrmExcelToTea : public ExcelImportDialog {
    Q_OBJECT
public:
    TfrmExcelToTea(ui::Asker& asker, const entry::TeaDraft& d, QWidget* parent = nullptr);
};

// What the imports are shown through; empty members take the program's defaults.
struct ImportSeams {
    ui::DialogRunner runner;  // the dialog, modally
    UrlOpener opener;         // the saved template
};

struct ImportOutcome {
    bool thirdStep = false;  // the dialog ended with step three
    bool changed = false;    // the working copy changed
};

// The subject import on the page's working copy (`btnExceToKeClick`).
ImportOutcome runKeImport(QWidget* parent, ui::Asker& asker, entry::KemuDraft& d, const ImportSeams& seams = {});
// The assignment import on the teacher page's working copy (`btnExcelToTeaClick`); true when
// anything changed, so the page refreshes its lists and sets DataChanged.
bool runTeaImport(QWidget* parent, ui::Asker& asker, entry::TeaDraft& d, const ImportSeams& seams = {});

// The example of a filled-in template the dialogs show.
QPixmap examplePixmap(bool subjects);

}  // namespace tavrin::spreadsheet
