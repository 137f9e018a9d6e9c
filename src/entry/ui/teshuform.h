// The time-mark dialog `TteshuForm`: a tool window beside the subject or the teacher page
// with the week grid of marks and the buttons that commit or drop its copy; over subjects
// also the scope tree of classes. The copy is taken when the dialog is shown; stepping to
// another subject or teacher only re-targets.
#pragma once

#include <QDialog>

#include <functional>

#include "entry/kemumarks.h"
#include "entry/teamarks.h"
#include "ui/kbgrid.h"

class QLabel;
class QMenu;
class QPushButton;
class QTreeWidget;

namespace tavrin::entry::ui {

// The dialog grid's geometry: a column per school day after the header column, a row per
// period after the header row, 5 pixels before the afternoon and before the evening.
tavrin::ui::GridGeometry teshuGeometry(QSize size, int days, int mor, int aft, int nig);

// A day cell's colour by what it shows (0..4), lighter by 14 a channel under the pointer.
QColor markColor(int shown, bool hovered);

class TteshuForm : public QDialog {
    Q_OBJECT
public:
    explicit TteshuForm(QWidget* parent = nullptr);

    // `FormShow` in subject mode: a fresh copy of the draft's marks, the tree, the grid.
    // `draft` must outlive the showing.
    void showFor(KemuDraft& draft, int mor, int aft, int nig, std::int64_t ke, const QString& name);
    // Another subject of the same copy (a row selected in the grid, the arrow buttons).
    void retarget(std::int64_t ke, const QString& name);
    // A subject deleted while the dialog is open.
    MarkWork* work() { return isVisible() && !teaDraft_ ? &work_ : nullptr; }

    // `FormShow` in teacher mode (`TeshuTeaWork`): a fresh copy of every teacher's marks, no
    // scope tree. `draft` must outlive the showing.
    void showForTeacher(TeaDraft& draft, int mor, int aft, int nig, std::int64_t tea, const QString& name);
    // `LoadTeaTeshu`: another teacher of the same copy.
    void retargetTeacher(std::int64_t tea, const QString& name);
    // A teacher deleted while the dialog is open.
    TeaMarkWork* teaWork() { return isVisible() && teaDraft_ ? &teaWork_ : nullptr; }
    std::int64_t teacher() const { return tea_; }
    bool teacherMode() const { return teaDraft_ != nullptr; }

    std::int64_t subject() const { return ke_; }
    Scope scope() const { return scope_; }
    void selectScope(Scope s);
    // `setKeJieLabClk` and `Setteshuke` on a cell by day number and period.
    void clickCell(int day, int jie);
    void setCell(int day, int jie, int mark);
    int shown(int day, int jie) const;

    tavrin::ui::KbGrid* grid() const { return grid_; }
    QTreeWidget* tv1() const { return tv1_; }
    QMenu* pm1() const { return pm1_; }
    QLabel* lblKe() const { return lblKe_; }
    QPushButton* btnOk() const { return btnOk_; }
    QPushButton* btnClose() const { return btnClose_; }
    QPushButton* btnAuto() const { return btnAuto_; }
    QPushButton* btnV1() const { return btnV1_; }
    QPushButton* btnV2() const { return btnV2_; }

Q_SIGNALS:
    // "确定" put the copy into the draft; `changed` when any mark differs from the draft's,
    // of whichever subject or teacher the dialog was stepped through.
    void committed(bool changed);
    // The arrow buttons: the previous (-1) or next (+1) row of the subject grid. Over
    // teachers the dialog has already stepped to that row's teacher.
    void stepRequested(int delta);

private:
    KemuDraft* draft_ = nullptr;
    MarkWork work_;
    TeaDraft* teaDraft_ = nullptr;
    TeaMarkWork teaWork_;
    std::int64_t tea_ = 0;
    QWidget* pnl3_ = nullptr;
    std::int64_t ke_ = 0;
    Scope scope_;
    int mor_ = 0, aft_ = 0, nig_ = 0;
    int menuSlot_ = 0;
    tavrin::ui::KbGrid* grid_;
    QTreeWidget* tv1_;
    QMenu* pm1_;
    QLabel* lblKe_;
    QPushButton* btnOk_;
    QPushButton* btnClose_;
    QPushButton* btnAuto_;
    QPushButton* btnV1_;
    QPushButton* btnV2_;

    void buildTree();
    void setWeek(int days, const std::array<std::uint8_t, 8>& dayToWeek, int mor, int aft, int nig);
    void step(int delta);
    void redraw();
    int dayOf(int slot) const;
    int jieOf(int slot) const;
};

}  // namespace tavrin::entry::ui
