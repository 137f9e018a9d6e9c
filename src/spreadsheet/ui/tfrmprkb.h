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
#include "spreadsheet/ui/exportdialog.h"
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

class TfrmPrKb : public ExportDialog {
    Q_OBJECT
public:
    // `classGrid` and `teaGrid` are copied: the export reads the timetable as it was when
    // the dialog opened. `defaultLayout` is the export layout the page's display suggests.
    TfrmPrKb(const model::School& school, const model::Array2<int>& classGrid, const model::Array2<int>& teaGrid,
             store::Store& st, ui::Asker& asker, int defaultLayout, QWidget* parent = nullptr);
    ~TfrmPrKb() override;

    // The classes (by ID) and teachers (by number) to tick when the lists are built.
    std::vector<bool> BanIsSel, TeaIsSel;
    // The date the heading's school year comes from.
    QDate today = QDate::currentDate();
    // Where "导出后自动打印" sends the finished sheets (default: the default printer); false
    // with the reason when nothing was printed.
    std::function<bool(const Workbook&, QString*)> printSheets;

    // `actLoadData`: the lists, the stored settings and the fonts.
    void loadData();
    // `btnOutExcel`.
    void startExport();
    // `btnFnTea`: the next teacher whose name holds the text; `btnFnBan` likewise for classes.
    void findTeacher();
    void findClass();
    KbExportOptions options() const;

    ui::CheckList* lvSelBan() const { return lvSelBan_; }
    ui::CheckList* lvSelTea() const { return lvSelTea_; }
    QLineEdit* edtFnTea() const { return edtFnTea_; }
    QLineEdit* edtFnBan() const { return edtFnBan_; }
    QLineEdit* edtTimeHead() const { return edtTimeHead_; }
    QLineEdit* edtBottomText() const { return edtBottomText_; }
    QRadioButton* btnGdType(int i) const { return i == 1 ? btnGdType1_ : btnGdType2_; }
    QRadioButton* btnPaper(int i) const { return i == 1 ? btnPaper1_ : i == 2 ? btnPaper2_ : btnPaper3_; }
    QCheckBox* chkPr() const { return chkPr_; }

protected:
    void showEvent(QShowEvent* e) override;

private:
    model::School school_;
    model::Array2<int> classGrid_, teaGrid_;
    store::Store& st_;
    int defaultLayout_;
    std::string font1_, font2_;
    int size1_ = 16, size2_ = 10;

    ui::CheckList* lvSelBan_;
    ui::CheckList* lvSelTea_;
    QLineEdit *edtFnBan_, *edtFnTea_, *edtTimeHead_, *edtBottomText_;
    QRadioButton *btnGdType1_, *btnGdType2_, *btnPaper1_, *btnPaper2_, *btnPaper3_;
    QCheckBox *chkFont1_, *chkFont2_, *chkPr_;
    QLabel *lblFont1_, *lblFont2_;
    QPushButton *btnFont1_, *btnFont2_;

    void showFonts();
    void pickFont(int which);
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
