// The change notice dialog: a sample of the notice's layout, the introduction and the
// signature kept in info.ini beside the school file, the date, which notices (teachers,
// classes), and the export on a worker thread over a copy of the timetable as loaded and as
// it stands, with progress and cancel.
#pragma once

#include <filesystem>
#include <string>

#include "model/school.h"
#include "spreadsheet/ui/exportdialog.h"

class QCheckBox;
class QLineEdit;
class QPlainTextEdit;
class QTableWidget;

namespace tavrin::spreadsheet {

class TfrmChnInfo : public ExportDialog {
    Q_OBJECT
public:
    // The grids are copied: the notices compare the timetable as it was when the dialog
    // opened. The texts are read from info.ini in `schoolFile`'s folder.
    TfrmChnInfo(const model::School& school, const model::Grids& baseline, const model::Array2<int>& nowB,
                const model::Array2<int>& nowT, const std::filesystem::path& schoolFile, ui::Asker& asker,
                QWidget* parent = nullptr);
    ~TfrmChnInfo() override;

    // `btnOut`: saves the texts, then exports.
    void startExport();
    // Where the texts are kept.
    const std::filesystem::path& iniPath() const { return ini_; }

    QPlainTextEdit* mmo1() const { return mmo1_; }
    QLineEdit* edtName() const { return edtName_; }
    QLineEdit* edtTime() const { return edtTime_; }
    QCheckBox* chkTea() const { return chkTea_; }
    QCheckBox* chkBan() const { return chkBan_; }

private:
    model::School school_;
    model::Array2<int> baseB_, baseT_, nowB_, nowT_;
    std::filesystem::path ini_;

    QPlainTextEdit* mmo1_;
    QLineEdit *edtName_, *edtTime_;
    QCheckBox *chkTea_, *chkBan_;
    QTableWidget* sample_;
};

// `btnOutTz`: the dialog over the timetable being edited, shown modally.
void openChangeNotices(QWidget* parent, const model::School& school, const model::Grids& baseline,
                       const model::Array2<int>& nowB, const model::Array2<int>& nowT,
                       const std::filesystem::path& schoolFile, ui::Asker& asker);

}  // namespace tavrin::spreadsheet
