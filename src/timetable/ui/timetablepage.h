// The timetable step's page `ts6` ("课程表"): the class page and the teacher page, one
// week grid at a time, with the pickers, the search box, the history of visited
// timetables, the layout and content boxes, the holding area and the page menus.
//
// The step's data is the window's `KbDocument` (`Shell::kbStep()`): the grids, the snapshot
// ring and the locks live there from entering the step to leaving it, and every page of the
// step reads it there and listens to its signals. This page runs the step's entry and save:
//
//     auto* kb = TimetablePage::of(shell());
//     kb->enterStep(table);       // their own opening: the entry sequence, once
//     kb->showBan(ban);           // go to a class timetable
//     kb->saveKb();               // the step's save
//
// A page switch button for the class or teacher table hands over with
// `shell.page(6)->showTable(KbBan)` (or KbTea).
#pragma once

#include <QPointer>

#include <functional>
#include <memory>

#include "model/school.h"
#include "store/store.h"
#include "timetable/cells.h"
#include "timetable/changes.h"
#include "timetable/history.h"
#include "timetable/kbdata.h"
#include "timetable/kbdocument.h"
#include "timetable/kbdrag.h"
#include "timetable/layout.h"
#include "ui/page.h"

class QAction;
class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QMenu;
class QPushButton;
class QRadioButton;
class QScrollArea;
class QSplitter;
class QToolButton;

namespace tavrin::ui {
class KbGrid;
struct KbGridCell;
}  // namespace tavrin::ui

namespace tavrin::timetable::ui {

using tavrin::ui::KbGrid;
using tavrin::ui::KbGridCell;
class KbHoldingBox;
class KbDragController;
class MiniPanels;
class MinFrm;
class ChangeList;

class TimetablePage : public tavrin::ui::Page {
    Q_OBJECT
public:
    explicit TimetablePage(tavrin::ui::Shell& shell, QWidget* parent = nullptr);
    ~TimetablePage() override;

    // The step's page of a window, nullptr when page 6 is something else.
    static TimetablePage* of(tavrin::ui::Shell& shell);

    // ---- Page
    void load(int table) override;
    bool save() override;
    QString statusText() const override;
    QMenu* pageMenu() override;
    void leave() override;
    void showTable(int table) override;

    // ---- the step
    // Entering step 6: the full model load, the timetable into the grids and the ring, the
    // pickers, the layout; then the class page (or the teacher page for KbTea).
    void enterStep(int table);
    // `FreeKbData`: everything released, the page back to its state before entering.
    void freeStep();
    // `actSaveKb`: writes the timetable being edited and the locks, then "保存完成。".
    bool saveKb();
    bool stepLoaded() const { return kb_.loaded; }
    const KbData& data() const { return kb_; }
    const KbHistory& history() const { return history_; }

    // ---- what is shown
    int selKB() const { return SelKB; }
    int nowBan() const { return NowBan; }
    int nowTea() const { return NowTea; }
    int kbLayout() const { return KbLayout; }
    KbShow show() const;
    bool showMovFrm() const;

    // Switching to the class page (`btnBiao1`) or the teacher page (`btnBiao2`): the
    // timetable of NowBan / NowTea, added to the history, the grid laid out.
    void showBanPage();
    void showTeaPage();
    void showPageOf(bool ban);
    void presentPage(bool ban, int id);
    // Go to one timetable: the picker follows.
    void showBan(int ban);
    void showTea(int tea);
    // Redraw the page shown, or one class / teacher timetable (`ShowKeBiao_B`, `ShowKeBiao_T`).
    void redraw();
    void ShowKeBiao_B(int ban);
    void ShowKeBiao_T(int tea);
    // Layout 1 (days as columns) or 2 (days as rows), stored in the school file.
    void setKbLayout(int layout);
    // Back and forward in the history of visited timetables.
    void backKb();
    void forwardKb();
    // The picker search.
    void search(const QString& text);
    // Prepares the cell menu for a lesson (a grid slot, or a held entry when `held`);
    // returns GoKbId, 0 when the entry is hidden.
    int prepareCellMenu(int slot, bool held = false);
    void goToKb();
    // Lock commands for the timetable shown.
    void lockShown(bool on);
    // `actUndoKb` and `actRedoKb`: a step taken back or done again, and the timetable it
    // changed brought into view as the switch buttons do.
    void undoKb();
    void redoKb();
    KbSide shownSide() const { return shown_; }
    int shownId() const { return shown_ == KbSide::Tea ? NowTea : NowBan; }
    KbDragController* dragController() const { return drag_; }

    // ---- controls, for the editing pages built on this one
    KbGrid* grid() const { return grid_; }
    KbHoldingBox* holdingBox() const { return holding_; }
    const KbHolding& holdingList() const { return held_; }
    QMenu* cellMenu() const { return pmKb_; }
    QAction* action(const char* name) const;
    // The export (`btnExKb`); the button is unavailable while none is set.
    void setExportHandler(std::function<void()> f);
    // The export of the changed timetables (`btnOutChn`), handed the listed timetables; the
    // button is unavailable while none is set.
    void setChangedExportHandler(std::function<void(const std::vector<ChangedTable>&)> f);
    // The change notices (`btnOutTz`); the button is unavailable while none is set.
    void setNoticeHandler(std::function<void()> f);

    // ---- the aids beside the timetable
    MiniPanels* miniPanels() const { return minPanels_; }
    // The floating mini timetable: from entering the step to leaving it, else nullptr.
    MinFrm* minFrm() const { return minFrm_; }
    ChangeList* changeList() const { return chnList_; }

protected:
    bool eventFilter(QObject* o, QEvent* e) override;
    void showEvent(QShowEvent* e) override;

private:
    KbDocument& doc_;
    const KbData& kb_;  // what the document holds, read-only
    KbHistory history_;
    KbHolding held_;
    int SelKB = 0;
    int NowBan = 0;
    int NowTea = 0;
    int KbLayout = 1;
    int GoKbId = 0;
    KbSide shown_ = KbSide::Ban;  // whose timetable the grid holds
    int overflowTold_ = 0;        // the page code whose overflowing holding list was reported
    bool sizingHolding_ = false;
    KbDragController* drag_ = nullptr;
    int cellW_ = 0, cellH_ = 0;  // the grid's cell size the held places belong to
    bool loading_ = false;
    bool holdingSized_ = false;
    std::function<void()> exportHandler_;
    std::function<void(const std::vector<ChangedTable>&)> changedExportHandler_;
    std::function<void()> noticeHandler_;
    std::unique_ptr<ChangeFinder> finder_;
    MiniPanels* minPanels_ = nullptr;
    MinFrm* minFrm_ = nullptr;
    ChangeList* chnList_ = nullptr;
    QPushButton* btnOutChn_ = nullptr;
    QPushButton* btnOutTz_ = nullptr;

    QLineEdit* edtFnKebiao_ = nullptr;
    QComboBox* cbbBan_ = nullptr;
    QComboBox* cbbTea_ = nullptr;
    QToolButton* btnPrevKbCom_ = nullptr;
    QToolButton* btnNextKbCom_ = nullptr;
    QToolButton* btnPrevKb_ = nullptr;
    QToolButton* btnNextKb_ = nullptr;
    QToolButton* btnUndoKb_ = nullptr;
    QToolButton* btnRedoKb_ = nullptr;
    QPushButton* btnLock_ = nullptr;
    QPushButton* btnUnLock_ = nullptr;
    QPushButton* btnExKb_ = nullptr;
    QRadioButton* rbShow1_ = nullptr;
    QRadioButton* rbShow2_ = nullptr;
    QCheckBox* chkShow1_ = nullptr;
    QCheckBox* chkShow2_ = nullptr;
    QCheckBox* chkShowMovFrm_ = nullptr;
    QCheckBox* chkShowChn_ = nullptr;
    KbGrid* grid_ = nullptr;
    KbHoldingBox* holding_ = nullptr;
    QScrollArea* scrlbxMinFrm_ = nullptr;
    QWidget* pnlChnKe_ = nullptr;
    QListWidget* lvChnKe_ = nullptr;
    QSplitter* spl4_ = nullptr;
    QSplitter* spl6_ = nullptr;

    QAction* actPrevKb_ = nullptr;
    QAction* actNextKb_ = nullptr;
    QAction* actUndoKb_ = nullptr;
    QAction* actRedoKb_ = nullptr;
    QAction* actExKb_ = nullptr;
    QMenu* pmTs6_ = nullptr;
    QMenu* pmKb_ = nullptr;
    QAction* NGoKb_ = nullptr;

    void buildControls();
    void buildMenus();
    void hint(QWidget* w, const char* text, bool onFocus = false);
    void fillPickers();
    void markPickers();
    void pickBan(int index);
    void pickTea(int index);
    void movePicker(int delta);
    void addHistory(int page);
    void showPageCode(int page);
    void syncHistoryActions();
    void layoutGrid();
    KbWeekShape weekShape() const;
    void applyShape();
    void fillHolding();
    void layoutHolding();
    void setLockButtons();
    void pressBiao(int k);
    KbGridCell gridCell(int slot) const;
    KbGridCell toGridCell(const KbCell& c) const;
    void onLayoutRadio(int layout);
    void setMinFrmWidth(int w);
    void kbChanged(const KbChange& c);
    void syncUndoActions();
    void showStepOf(int record);
    void stepRing(bool redo);
    void fitHoldingHeight();
    void fillMiniPanels();
    void openOther(KbSide side, int id);
    void layoutMinFrm();
    void startMinFrm(const KbDrag& d);
    void followMinFrm(const KbDrag& d, const QPoint& at);
};

}  // namespace tavrin::timetable::ui
