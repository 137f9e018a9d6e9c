// The scheduling page `ts5` ("5.自动排课"): the classes to schedule, the four options, the
// custom conditions, and the start command with its progress and cancel. The search runs
// on a worker thread; the page follows its progress through queued calls and a second
// press of the start button sets the cancel flag the search polls. "优化课表" polishes the
// stored timetable of the chosen classes the same way: on the worker, with progress and cancel.
#pragma once

#include <QPointer>
#include <QStringList>

#include <array>
#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

#include "model/loaders.h"
#include "model/school.h"
#include "scheduler/conditions.h"
#include "scheduler/engine.h"
#include "scheduler/options.h"
#include "scheduler/save.h"
#include "store/store.h"
#include "ui/longjob.h"
#include "ui/page.h"
#include "ui/widgets.h"

class QButtonGroup;
class QLabel;
class QListWidget;
class QMenu;
class QProgressBar;
class QPushButton;
class QRadioButton;
class QSpinBox;
class QCheckBox;
class QVBoxLayout;

namespace tavrin::scheduler::ui {

using tavrin::ui::CheckList;
using tavrin::ui::DialogRunner;
using tavrin::ui::runDialog;

class TfrmPaiOpt;
class TfrmPaiend;
struct RunJob;
struct PolishJob;

class PaiPage : public tavrin::ui::Page {
    Q_OBJECT
public:
    explicit PaiPage(tavrin::ui::Shell& shell, QWidget* parent = nullptr);
    ~PaiPage() override;

    // `actLoadPaiData`: the class list, the options, the condition list.
    void load(int table) override;
    QMenu* pageMenu() override;

    // `btnStartClick`: starts a run, or cancels the run under way.
    void btnStartClick();
    // "优化课表": polishes the stored timetable of the classes checked, or cancels the polish
    // under way.
    void btnPolishClick();
    void btnAddOptClick();
    void btnDelOptClick();
    // "全选" of the condition list's menu.
    void selectAllConditions();

    // `PaiRunning`: a run or a polish is being prepared or searched.
    bool running() const { return running_; }
    bool polishing() const { return polishing_; }
    // `PaiPercent`: the percentage last shown.
    int paiPercent() const { return percent_; }

    // The options the radio buttons stand for, and showing stored ones.
    PaiOptions chosenOptions() const;
    void showOptions(const PaiOptions& o);

    // The report lines of the last run (empty while none ended).
    const QStringList& lastReport() const { return lastReport_; }

    // ---- seams for screen tests and pictures
    // A fixed seed instead of the clock.
    void setSeed(std::optional<std::uint32_t> seed) { seed_ = seed; }
    // Called by the search at every step, on the search's thread.
    void setStepHook(std::function<void(long long)> hook) { stepHook_ = std::move(hook); }
    // The polish's steps instead of the default for the school's size.
    void setPolishBudget(std::optional<long long> steps) { polishBudget_ = steps; }
    // How the condition dialog and the result dialog are shown (default: modally).
    void setDialogRunner(DialogRunner r) { dialogRunner_ = std::move(r); }

    QPushButton* btnStart() const { return btnStart_; }
    QPushButton* btnPolish() const { return btnPolish_; }
    QProgressBar* pbPai() const { return pbPai_; }
    QLabel* lblLoad() const { return lblLoad_; }
    CheckList* lvPaiBan() const { return lvPaiBan_; }
    QListWidget* lvPaiItm() const { return lvPaiItm_; }
    QPushButton* btnAddOpt() const { return btnAddOpt_; }
    QPushButton* btnDelOpt() const { return btnDelOpt_; }
    QMenu* pmPaikeItm() const { return pmPaikeItm_; }
    // What is proved before a run: the school cannot hold all lessons of the chosen classes.
    QLabel* lblProof() const { return lblProof_; }
    // The search's step budget (0: none), kept between sessions.
    QSpinBox* sbSteps() const { return sbSteps_; }
    // "排课后优化": the polishing pass after a run, kept between sessions.
    QCheckBox* chkPolish() const { return chkPolish_; }
    // Finds the proofs for the classes checked now and shows them.
    void updateProofs();
    // Option group 1..4, button 1..3 (`rbP11` .. `rbp42`).
    QRadioButton* rb(int group, int k) const;
    TfrmPaiOpt* frmPaiOpt() const { return frmPaiOpt_; }
    TfrmPaiend* frmPaiend() const { return frmPaiend_; }

Q_SIGNALS:
    // A run's search has ended and the page is idle again; the result dialog follows.
    void runEnded(bool cancelled);
    // A polish of the stored timetable has ended and the page is idle again.
    void polishEnded(bool cancelled);

private:
    model::School school_;
    bool running_ = false;
    bool searching_ = false;
    bool polishing_ = false;
    bool hasTimetable_ = false;
    std::optional<long long> polishBudget_;
    std::shared_ptr<PolishJob> polishJob_;
    int percent_ = 0;
    QStringList lastReport_;
    std::optional<std::uint32_t> seed_;
    std::function<void(long long)> stepHook_;
    DialogRunner dialogRunner_;
    std::shared_ptr<RunJob> job_;
    tavrin::ui::LongJob* runner_;

    QPushButton* btnStart_;
    QPushButton* btnPolish_;
    QProgressBar* pbPai_;
    QLabel* lblLoad_;
    QLabel* lblProof_;
    QSpinBox* sbSteps_;
    QCheckBox* chkPolish_;
    CheckList* lvPaiBan_;
    QListWidget* lvPaiItm_;
    QPushButton* btnAddOpt_;
    QPushButton* btnDelOpt_;
    QMenu* pmPaikeItm_;
    QMenu* pmPage_;
    std::array<QButtonGroup*, 5> groups_{};
    TfrmPaiOpt* frmPaiOpt_;
    TfrmPaiend* frmPaiend_;

    void buildOptions(QWidget* parent, QVBoxLayout* into);
    void updateDelOpt();
    void showProgress(const Progress& p);
    void setBar(int p);
    void finishRun();
    void finishPolish();
    void showPolishProgress(int percent);
    // Reads whether a timetable is stored and enables "优化课表" by it and by the run under way.
    void updatePolishButton();
    void setCancelLook(QPushButton* b, bool cancel, const QString& idleText);
    void endRun();
    void topBar(bool on);
    void openClassTimetable();
};

}  // namespace tavrin::scheduler::ui
