// The condition dialog `TfrmPaiOpt` ("自定义排课条件") with its two pickers: the object
// picker `TfrmSelObj` (classes and subjects, or teachers) and the teacher picker
// `TFrmSelTea`. The dialogs live as long as the page and keep their state between showings
// where the program keeps it (the tab shown, the two teachers of an exclusion).
#pragma once

#include <QDialog>

#include <optional>
#include <vector>

#include "model/loaders.h"
#include "model/school.h"
#include "scheduler/conditions.h"
#include "scheduler/engine.h"
#include "scheduler/options.h"
#include "scheduler/save.h"
#include "store/store.h"
#include "ui/widgets.h"

class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QTabWidget;

namespace tavrin::ui {
class Asker;
}

namespace tavrin::scheduler::ui {

using tavrin::ui::CheckList;
using tavrin::ui::DialogRunner;
using tavrin::ui::PickLabel;
using tavrin::ui::runDialog;

// "选择教师": one teacher out of all, with a name search.
class TFrmSelTea : public QDialog {
    Q_OBJECT
public:
    TFrmSelTea(tavrin::ui::Asker& asker, QWidget* parent = nullptr);

    // Fills the list for a showing.
    void prepare(const model::School& s);
    // The teacher chosen by the last showing; 0 or less when none.
    int selId() const { return SelID_; }

    void btnOkClick();
    void btnCancelClick();
    // "查找(Enter)": the next teacher whose name holds the typed text.
    void btnFnTeaClick();

    QTreeWidget* lvSelTea() const { return lvSelTea_; }
    QLabel* lblTop() const { return lblTop_; }
    QLineEdit* edtFnTea() const { return edtFnTea_; }
    QPushButton* btnFnTea() const { return btnFnTea_; }
    QPushButton* btnOk() const { return btnOk_; }
    QPushButton* btnCancel() const { return btnCancel_; }

protected:
    bool eventFilter(QObject* o, QEvent* e) override;

private:
    tavrin::ui::Asker& asker_;
    int SelID_ = 0;
    QLabel* lblTop_;
    QTreeWidget* lvSelTea_;
    QLineEdit* edtFnTea_;
    QPushButton* btnFnTea_;
    QPushButton* btnOk_;
    QPushButton* btnCancel_;
};

// "选择对象": classes and subjects on the tab "科目", teachers on the tab "教师". It edits the
// selection of the condition dialog directly, so that several showings add up.
class TfrmSelObj : public QDialog {
    Q_OBJECT
public:
    TfrmSelObj(tavrin::ui::Asker& asker, QWidget* parent = nullptr);

    // Builds the lists and checks the rows whose flag in `sel` is set.
    void prepare(const model::School& s, Selection* sel);
    // What the object labels show after "  对象：", set by a successful "确定".
    const QString& objectText() const { return objectText_; }

    void btnOkClick();
    void btnFnTeaClick();

    QTabWidget* pgc() const { return pgc_; }
    CheckList* lvSelBan() const { return lvSelBan_; }
    CheckList* lvSelKe() const { return lvSelKe_; }
    CheckList* lvSelTea() const { return lvSelTea_; }
    QLineEdit* edtFnTea() const { return edtFnTea_; }
    QPushButton* btnFnTea() const { return btnFnTea_; }
    QPushButton* btnOk() const { return btnOk_; }
    QPushButton* btnCancel() const { return btnCancel_; }

protected:
    bool eventFilter(QObject* o, QEvent* e) override;

private:
    tavrin::ui::Asker& asker_;
    Selection* sel_ = nullptr;
    QString objectText_;
    QTabWidget* pgc_;
    CheckList* lvSelBan_;
    CheckList* lvSelKe_;
    CheckList* lvSelTea_;
    QLineEdit* edtFnTea_;
    QPushButton* btnFnTea_;
    QPushButton* btnOk_;
    QPushButton* btnCancel_;
};

class TfrmPaiOpt : public QDialog {
    Q_OBJECT
public:
    TfrmPaiOpt(store::Store& store, tavrin::ui::Asker& asker, QWidget* parent = nullptr);

    // Sets the dialog up for a showing on `s` (which must outlive the showing).
    void prepare(const model::School& s);
    // prepare(), then the dialog modally; the list item of the condition stored, if any.
    std::optional<ConditionItem> execFor(const model::School& s);

    // The item of the condition the last "确定" stored.
    const std::optional<ConditionItem>& added() const { return added_; }

    void btnOkClick();
    // A press on `lblA`/`lblB`, on `lblC1` (which = 1) or `lblC2` (which = 2).
    void pickObject();
    void pickTeacher(int which);

    // How the pickers are shown; screen tests fill them instead of a person.
    void setPickerRunner(DialogRunner r) { pickerRunner_ = std::move(r); }

    const Selection& selection() const { return sel_; }
    int tea1() const { return Tea1_Opt_; }
    int tea2() const { return Tea2_Opt_; }

    QTabWidget* pgc() const { return pgc_; }
    PickLabel* lblA() const { return lblA_; }
    PickLabel* lblB() const { return lblB_; }
    PickLabel* lblC1() const { return lblC1_; }
    PickLabel* lblC2() const { return lblC2_; }
    QComboBox* cbbA1() const { return cbbA1_; }
    QComboBox* cbbA2() const { return cbbA2_; }
    QComboBox* cbbA3() const { return cbbA3_; }
    QComboBox* cbbB1() const { return cbbB1_; }
    QComboBox* cbbB2() const { return cbbB2_; }
    QComboBox* cbbB3() const { return cbbB3_; }
    QPushButton* btnOk() const { return btnOk_; }
    QPushButton* btnCancel() const { return btnCancel_; }
    TfrmSelObj* frmSelObj() const { return frmSelObj_; }
    TFrmSelTea* frmSelTea() const { return frmSelTea_; }

private:
    store::Store& store_;
    tavrin::ui::Asker& asker_;
    const model::School* school_ = nullptr;
    Selection sel_;
    int Tea1_Opt_ = 0, Tea2_Opt_ = 0;
    std::optional<ConditionItem> added_;
    std::vector<int> weekdays_;  // the weekday of each entry of cbbB1
    DialogRunner pickerRunner_;

    QTabWidget* pgc_;
    PickLabel* lblA_;
    PickLabel* lblB_;
    PickLabel* lblC1_;
    PickLabel* lblC2_;
    QComboBox *cbbA1_, *cbbA2_, *cbbA3_, *cbbB1_, *cbbB2_, *cbbB3_;
    QPushButton* btnOk_;
    QPushButton* btnCancel_;
    TfrmSelObj* frmSelObj_;
    TFrmSelTea* frmSelTea_;

    void okPeriodOrDay(CondKind kind);
    void okExclusion();
    QString teacherName(int t) const;
};

}  // namespace tavrin::scheduler::ui
