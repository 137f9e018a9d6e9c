// The week page `ts2` ("2.课节"): the scope tree, the taught weekdays, the three period
// counts, the week grid with its fixed lessons and public slots, and the two dialogs.
#pragma once

#include <QSize>

#include <array>
#include <memory>

#include "entry/week.h"
#include "ui/kbgrid.h"
#include "ui/page.h"
#include "ui/widgets.h"

class QCheckBox;
class QMenu;
class QPushButton;
class QTreeWidget;
class QTreeWidgetItem;

namespace tavrin::entry::ui {

class StepBox;
class TaddTime;
class TaddPublicTime;

// Where the week grid puts things in a panel of that size: a column per taught weekday
// after the header column, a row per period after the header row, 20 pixels before the
// afternoon and before the evening, a band half a row high under each period with a public
// slot; the font follows the cells and is never below 8.
tavrin::ui::GridGeometry weekGeometry(QSize size, const WeekDraft& d);

// The colours of the week's day cells: free by section, differing classes, a fixed lesson.
QColor weekCellColor(const WeekDraft& d, int period, const CellShown& c);

class WeekPage : public tavrin::ui::Page {
    Q_OBJECT
public:
    explicit WeekPage(tavrin::ui::Shell& shell, QWidget* parent = nullptr);
    ~WeekPage() override;

    // `actKeJieShow`.
    void load(int table) override;
    // `actKeJieSave`.
    bool save() override;

    const WeekDraft& draft() const { return draft_; }
    Scope scope() const { return scope_; }
    void selectScope(Scope s);
    // The cell last pressed: weekday and period (`SelDay`, `SelJie`).
    int selDay() const { return selDay_; }
    int selJie() const { return selJie_; }

    // `SetGudin` on the cell last pressed, asking first when the scope's classes differ.
    void setGudin(const QString& name);
    // A click on a day cell, a band, a period header.
    void cellClick(int weekday, int period);
    void bandClick(int k);
    void openTimes();
    void openPublicTime(int k);

    // How the dialogs are shown (default: modally, the window disabled meanwhile).
    void setDialogRunner(tavrin::ui::DialogRunner r) { runner_ = std::move(r); }

    tavrin::ui::KbGrid* grid() const { return grid_; }
    QTreeWidget* tvBanGudin() const { return tvBanGudin_; }
    QCheckBox* chkDay(int weekday) const { return chkDay_[weekday]; }
    StepBox* edtJie(int section) const { return edtJie_[section]; }
    QPushButton* btnSetTime() const { return btnSetTime_; }
    QPushButton* btnAddPublicTime() const { return btnAddPublicTime_; }
    QMenu* pm2() const { return pm2_; }
    QMenu* pm3() const { return pm3_; }
    QMenu* pm4() const { return pm4_; }
    TaddTime* timeDialog() const { return time_.get(); }
    TaddPublicTime* publicDialog() const { return public_.get(); }
    // The public slot shown by band i.
    int bandSlot(int band) const;
    // The grid's column of a weekday (1..), 0 when the day is not taught.
    int columnOf(int weekday) const;

private:
    WeekDraft draft_;
    Scope scope_;
    bool shown_ = false;  // `KeJieShown`
    int selDay_ = 0, selJie_ = 0;
    std::vector<int> weekdays_;  // the grid's columns
    std::vector<int> bandK_;     // the grid's bands
    tavrin::ui::DialogRunner runner_;

    QTreeWidget* tvBanGudin_;
    std::array<QCheckBox*, 8> chkDay_{};
    std::array<StepBox*, 3> edtJie_{};
    QPushButton* btnSetTime_;
    QPushButton* btnAddPublicTime_;
    tavrin::ui::KbGrid* grid_;
    QMenu* pm2_;
    QMenu* pm3_;
    QMenu* pm4_;
    std::unique_ptr<TaddTime> time_;
    std::unique_ptr<TaddPublicTime> public_;

    // `actKeJieComCreat`: shows the working copy again; `mark` sets DataChanged first.
    void rebuildGrid(bool mark);
    void buildTree();
    void runModal(QDialog& d);
    void onHit(const tavrin::ui::GridHit& hit);
};

}  // namespace tavrin::entry::ui
