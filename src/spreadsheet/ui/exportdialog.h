// What both export dialogs share: the export folder and the finished file, the two buttons'
// idle and exporting states, the progress panel, the export itself on a worker thread (a
// cancel leaves no file), and the close refused while an export runs.
#pragma once

#include <QDialog>

#include <functional>
#include <string>

#include "spreadsheet/kbexport.h"
#include "spreadsheet/workbook.h"

class QLabel;
class QProgressBar;
class QPushButton;

namespace tavrin::ui {
class Asker;
class LongJob;
}  // namespace tavrin::ui

namespace tavrin::spreadsheet {

class ExportDialog : public QDialog {
    Q_OBJECT
public:
    // Where finished workbooks go (default: 文档/Tavrin导出) and whether they are opened.
    QString exportDir;
    bool openWhenDone = true;
    // Test hook: cancel the export after k steps of its progress (-1: never).
    int cancelAfter = -1;

    // `btnCancel`: cancels while exporting, else closes.
    void cancelOrClose();
    bool exporting() const { return exporting_; }
    // The file the last completed export wrote.
    QString lastFile() const { return lastFile_; }
    QPushButton* btnOutExcel() const { return btnOutExcel_; }
    QPushButton* btnCancel() const { return btnCancel_; }
    QProgressBar* progressBar() const { return progress_; }
    ui::LongJob* job() const { return job_; }

protected:
    // `idleCaption` is the export button's caption once an export has ended.
    ExportDialog(ui::Asker& asker, const QString& idleCaption, QWidget* parent);
    ~ExportDialog() override;

    // Fills a new workbook on the worker thread (false: cancelled) and saves it at a free name
    // in the export folder made from `stem`. After a saved export `completed` gets the
    // workbook (its sheets only when `keepBook`) on the window's thread and returns the
    // completion message; the file is then opened.
    using Fill = std::function<bool(Workbook&, const Progress&)>;
    using Completed = std::function<QString(const Workbook&)>;
    void runExport(const QString& stem, Fill fill, bool keepBook, Completed completed);

    void closeEvent(QCloseEvent* e) override;
    void reject() override;

    ui::Asker& asker_;
    QPushButton* btnOutExcel_;
    QPushButton* btnCancel_;
    QLabel* pnlLoading_;
    QProgressBar* progress_;
    ui::LongJob* job_;

private:
    QString idleCaption_;
    bool exporting_ = false;
    QString lastFile_;
    void backToIdle();
};

}  // namespace tavrin::spreadsheet
