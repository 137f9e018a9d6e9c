// The whole-school export dialog: the school timetable (every class against every period) or
// the assignment table (every teacher, with counts) on one sheet, its layout, paper, fonts and
// heading kept in PrintSetting, the export on a worker thread over a copy of the timetable on
// show, with progress and cancel.
#pragma once

#include <QDate>
#include <QDialog>

#include <functional>
#include <string>

#include "model/school.h"
#include "spreadsheet/schoolexport.h"
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
class LongJob;
}  // namespace tavrin::ui

namespace tavrin::spreadsheet {

class TFrmPrKball : public ExportDialog {
    Q_OBJECT
public:
    // The grids are copied: the export reads the timetable as it was when the dialog opened.
    TFrmPrKball(const model::School& school, const model::Array2<int>& classGrid, const model::Array2<int>& teaGrid,
                store::Store& st, ui::Asker& asker, SchoolTable kind, QWidget* parent = nullptr);
    ~TFrmPrKball() override;

    // The date the heading's school year comes from, when none is stored.
    QDate today = QDate::currentDate();
    // The note the completion message ends with for the chosen paper (default: asks the
    // default printer).
    std::function<QString(const std::string& paper)> paperNote;

    // `actLoadData`: the captions, the stored settings and the fonts.
    void loadData();
    // `btnOutExcel`.
    void startExport();
    SchoolExportOptions options() const;

    QRadioButton* btnGdType(int i) const { return i == 1 ? btnGdType1_ : btnGdType2_; }
    QRadioButton* btnPaper(int i) const { return i == 1 ? btnPaper1_ : btnPaper2_; }
    QCheckBox* chkFont(int i) const { return i == 1 ? chkFont1_ : chkFont2_; }
    QRadioButton* rbJian(int i) const { return i == 1 ? rbJian1_ : rbJian2_; }
    QLabel* lblFont(int i) const { return i == 1 ? lblFont1_ : lblFont2_; }
    QLineEdit* edtTimeHead() const { return edtTimeHead_; }

protected:
    void showEvent(QShowEvent* e) override;

private:
    model::School school_;
    model::Array2<int> classGrid_, teaGrid_;
    store::Store& st_;
    SchoolTable kind_;
    std::string font1_, font2_;
    int size1_ = 8, size2_ = 6;

    QRadioButton *btnGdType1_, *btnGdType2_, *btnPaper1_, *btnPaper2_;
    QRadioButton *rbAll1_, *rbJian1_, *rbAll2_, *rbJian2_;
    QCheckBox *chkFont1_, *chkFont2_;
    QLabel *lblFont1_, *lblFont2_;
    QLineEdit* edtTimeHead_;
    QPushButton *btnFont1_, *btnFont2_;

    void showFonts();
};

// `btnExKball` (the school timetable) and `btnExKbRen` (the assignment table): the dialog
// over the timetable on show, modal.
void openSchoolExport(QWidget* parent, const model::School& school, const model::Array2<int>& classGrid,
                      const model::Array2<int>& teaGrid, store::Store& st, ui::Asker& asker, SchoolTable kind);

}  // namespace tavrin::spreadsheet
