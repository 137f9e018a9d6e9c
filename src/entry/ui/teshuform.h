// The time-mark dialog `TteshuForm` in subject mode: a tool window beside the subject page
// with the scope tree, the week grid of marks and the buttons that commit or drop its copy.
// The copy is taken when the dialog is shown; stepping to another subject only re-targets.
#pragma once

#include <QDialog>

#include <functional>

#include "entry/kemumarks.h"
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
    MarkWork* work() { return isVisible() ? &work_ : nullptr; }

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
    // "确定" put the copy into the draft.
    void committed();
    // The arrow buttons: the previous (-1) or next (+1) row of the subject grid.
    void stepRequested(int delta);

private:
    KemuDraft* draft_ = nullptr;
    MarkWork work_;
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
    void redraw();
    int dayOf(int slot) const;
    int jieOf(int slot) const;
};

}  // namespace tavrin::entry::ui
