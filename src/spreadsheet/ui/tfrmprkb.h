// The class and teacher timetable export dialog: the lists to choose from, layout, paper,
// fonts and texts kept in PrintSetting, and the export itself on a worker thread over a
// copy of the timetable on show, with progress and cancel.
#pragma once

#include <functional>

#include <QDate>
#include <QDialog>

#include <memory>
#include <vector>

#include "model/school.h"
#include "spreadsheet/kbexport.h"
#include "store/store.h"

class QCheckBox;
class QLabel;
class QLineEdit;
class QProgressBar;
class QPushButton;
class QRadioButton;

namespace tavrin::ui {
class Asker;
class CheckList;
class LongJob;
}  // namespace tavrin::ui

namespace tavrin::spreadsheet {

class TfrmPrKb : public QDialog {
    Q_OBJECT
public:
    // `classGrid` and `teaGrid` are copied: the export reads the timetable as it was when
    // the dialog opened. `defaultLayout` is the export layout the page's display suggests.
    TfrmPrKb(const model::School& school, const model::Array2<int>& classGrid, const model::Array2<int>& teaGrid,
             store::Store& st, ui::Asker& asker, int defaultLayout, QWidget* parent = nullptr);
    ~TfrmPrKb() override;

    // The classes (by ID) and teachers (by number) to tick when the lists are built.
    std::vector<bool> BanIsSel, TeaIsSel;
    // Where finished workbooks go (default: 文档/Tavrin导出) and whether they are opened.
    QString exportDir;
    bool openWhenDone = true;
    // The date the heading's school year comes from.
    QDate today = QDate::currentDate();
    // Test hook: cancel the export after k list items (-1: never).
    int cancelAfter = -1;
    // Where "导出后自动打印" sends the finished sheets (default: the default printer); false
    // with the reason when nothing was printed.
    std::function<bool(const Workbook&, QString*)> printSheets;

    // `actLoadData`: the lists, the stored settings and the fonts.
    void loadData();
    // `btnOutExcel`.
    void startExport();
    // `btnCancel`: cancels while exporting, else closes.
    void cancelOrClose();
    // `btnFnTea`: the next teacher whose name holds the text; `btnFnBan` likewise for classes.
    void findTeacher();
    void findClass();
    bool exporting() const { return exporting_; }
    // The file the last completed export wrote.
    QString lastFile() const { return lastFile_; }
    KbExportOptions options() const;

    ui::CheckList* lvSelBan() const { return lvSelBan_; }
    ui::CheckList* lvSelTea() const { return lvSelTea_; }
    QLineEdit* edtFnTea() const { return edtFnTea_; }
    QLineEdit* edtFnBan() const { return edtFnBan_; }
    QLineEdit* edtTimeHead() const { return edtTimeHead_; }
    QLineEdit* edtBottomText() const { return edtBottomText_; }
    QRadioButton* btnGdType(int i) const { return i == 1 ? btnGdType1_ : btnGdType2_; }
    QRadioButton* btnPaper(int i) const { return i == 1 ? btnPaper1_ : i == 2 ? btnPaper2_ : btnPaper3_; }
    QPushButton* btnOutExcel() const { return btnOutExcel_; }
    QPushButton* btnCancel() const { return btnCancel_; }
    QCheckBox* chkPr() const { return chkPr_; }
    QProgressBar* progressBar() const { return progress_; }
    ui::LongJob* job() const { return job_; }

protected:
    void showEvent(QShowEvent* e) override;
    void closeEvent(QCloseEvent* e) override;
    void reject() override;

private:
    model::School school_;
    model::Array2<int> classGrid_, teaGrid_;
    store::Store& st_;
    ui::Asker& asker_;
    int defaultLayout_;
    std::string font1_, font2_;
    int size1_ = 16, size2_ = 10;
    bool exporting_ = false;
    QString lastFile_;

    ui::CheckList* lvSelBan_;
    ui::CheckList* lvSelTea_;
    QLineEdit *edtFnBan_, *edtFnTea_, *edtTimeHead_, *edtBottomText_;
    QRadioButton *btnGdType1_, *btnGdType2_, *btnPaper1_, *btnPaper2_, *btnPaper3_;
    QCheckBox *chkFont1_, *chkFont2_, *chkPr_;
    QLabel *lblFont1_, *lblFont2_, *pnlLoading_;
    QPushButton *btnFont1_, *btnFont2_, *btnOutExcel_, *btnCancel_;
    QProgressBar* progress_;
    ui::LongJob* job_;

    void showFonts();
    void pickFont(int which);
    void backToIdle();
};

// `btnExKb`: the dialog over the timetable on show, the class (`ban` true) or teacher `id`
// ticked; `pageLayout` is the page's display (1 days as columns).
void openTimetableExport(QWidget* parent, const model::School& school, const model::Array2<int>& classGrid,
                         const model::Array2<int>& teaGrid, store::Store& st, ui::Asker& asker, int pageLayout,
                         bool ban, int id);

// The first installed face for the title: a name beginning with "楷体", else one holding
// "楷" or "Kai"; empty when none.
QString kaiTiFace();

// What both export dialogs share.
// The face of the lesson texts when none is stored: the Kai face, else the desktop's title
// and general faces, else "宋体".
std::string defaultExportFace();
// A file in `dir` named from `stem` and the time that no earlier export took.
QString freeExportFile(const QString& dir, const QString& stem);
// The font dialog preset to `face` and `size`; the choice is taken whatever button closed it,
// a size the dialog leaves open becoming `fallbackSize`.
void pickExportFont(QWidget* parent, std::string& face, int& size, int fallbackSize);
// The folder finished exports go into unless a caller sets another.
QString defaultExportDir();

}  // namespace tavrin::spreadsheet
