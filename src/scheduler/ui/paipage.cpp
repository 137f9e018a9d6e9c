#include "scheduler/ui/paipage.h"

#include <QButtonGroup>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QListWidget>
#include <QMenu>
#include <QProgressBar>
#include <QRandomGenerator>
#include <QPushButton>
#include <QRadioButton>
#include <QCheckBox>
#include <QSettings>
#include <QSignalBlocker>
#include <QSpinBox>
#include <QStyle>
#include <QVBoxLayout>

#include <filesystem>
#include <string>

#include "scheduler/ui/frmpaiend.h"
#include "scheduler/ui/frmpaiopt.h"
#include "model/loaders.h"
#include "model/school.h"
#include "scheduler/conditions.h"
#include "scheduler/engine.h"
#include "scheduler/options.h"
#include "scheduler/save.h"
#include "store/store.h"
#include "ui/asker.h"
#include "ui/longjob.h"

namespace tavrin::scheduler::ui {

// What one run or polish shares between the page and its worker thread. The worker reads
// the school and the request and writes the outcome; the page reads the outcome only after
// the thread has finished.
struct WorkerJob {
    std::filesystem::path db;
    std::shared_ptr<const model::School> school;
    std::string error;

    template <class F>
    void onOwnConnection(F&& f)
    {
        try {
            // Its own connection: the window's stays with the window's thread.
            store::Store st(db);
            f(st);
        } catch (const std::exception& e) {
            error = e.what();
        }
    }
};

struct RunJob : WorkerJob {
    RunRequest req;
    SavedRun out;
    void work()
    {
        onOwnConnection([this](store::Store& st) { out = scheduleAndSave(st, *school, req); });
    }
};

struct PolishJob : WorkerJob {
    std::vector<int> classes;
    PolishRequest req;
    StoredPolish out;
    void work()
    {
        onOwnConnection([this](store::Store& st) { out = polishStored(st, *school, classes, req); });
    }
};

namespace {

const QString kPolishCancelled = QStringLiteral("优化已取消，未保存任何数据。");

// The classes the class list asks for, as the start command reads them: none checked is
// every class, and every class checked is the empty choice.
std::vector<int> chosenClasses(CheckList& lv)
{
    std::vector<bool> checks = lv.checks();
    std::vector<int> banids;
    for (int i = 1; i < lv.rowCount(); ++i)
        banids.push_back(lv.value(i).toInt());
    const std::vector<int> classes = classesToSchedule(checks, banids);
    lv.setChecks(checks);
    bool all = true;
    for (std::size_t i = 1; i < checks.size(); ++i)
        all = all && checks[i];
    return all ? std::vector<int>{} : classes;
}

const QString kCancelled = QStringLiteral("排课已取消，未保存任何数据。");

// The four option groups: title, then the captions of the buttons in stored order.
struct OptionGroup {
    const char* title;
    std::vector<std::pair<const char*, const char*>> buttons;  // name, caption
};

const std::array<OptionGroup, 4>& optionGroups()
{
    static const std::array<OptionGroup, 4> g = {{
        {"自动排课强度",
         {{"rbP11", "快速排课，可能会影响排课质量。"},
          {"rbP12", "正常排课，排课质量较好，成功率高。"},
          {"rbP13", "（推荐）高精度排课，排课质量最好，班数多时速度慢。"}}},
        {"执行课程\"进度一致\"的强度",
         {{"rbP21", "（默认）尽量一致，若排课难度大，允许个别不一致。"},
          {"rbP22", "一定要一致，宁可不排，也要100%使课程一致。"}}},
        {"当某个教师在一天内有多节课时",
         {{"rbP31", "尽量让他的课在一个上午或下午之内集中上完。"},
          {"rbP32", "（默认）尽量让他上下午都有课。"},
          {"rbP33", "无所谓。"}}},
        {"不需要连堂的课", {{"rbp41", "（默认）尽量不连堂。"}, {"rbp42", "一节都不连堂，宁可不排，也不连堂。"}}},
    }};
    return g;
}

// Where the page keeps its step budget between sessions.
const QString kStepsKey = QStringLiteral("scheduling/stepBudget");
// Whether a run ends with the polishing pass; on unless the user turns it off.
const QString kPolishKey = QStringLiteral("scheduling/polishAfterRun");
QSettings& settings()
{
    static QSettings s(QStringLiteral("Tavrin"), QStringLiteral("Tavrin"));
    return s;
}

QLabel* title(const QString& text, QWidget* parent)
{
    auto* l = new QLabel(text, parent);
    l->setStyleSheet("QLabel{font-size:15px;font-weight:bold;color:#1f3f6b;padding:2px 0 4px 0;}");
    return l;
}

}  // namespace

PaiPage::PaiPage(tavrin::ui::Shell& shell, QWidget* parent) : Page(shell, 5, parent)
{
    setObjectName("ts5");
    setAttribute(Qt::WA_StyledBackground);
    setStyleSheet(
        "#ts5{background:#f4f7fb;}"
        "QGroupBox{background:white;border:1px solid #d3dce8;border-radius:6px;margin-top:14px;"
        "padding:8px 10px 6px 10px;font-weight:bold;color:#1f3f6b;}"
        "QGroupBox::title{subcontrol-origin:margin;left:10px;padding:0 4px;}"
        "QRadioButton{font-weight:normal;color:#25313f;padding:2px 0;}"
        "QTreeWidget,QListWidget{background:white;border:1px solid #c9d4e3;border-radius:4px;}"
        "#lvPaiItm::item{padding:5px 0px;border-bottom:1px solid #edf1f6;color:#25313f;}"
        "#lvPaiItm::item:selected{background:#cfe0f7;color:#10243f;}"
        "#btnStart,#btnPolish{background:#2f6fc4;color:white;font-size:16px;font-weight:bold;border:none;"
        "border-radius:6px;padding:8px 28px;}"
        "#btnPolish{background:#3d8b5a;padding:8px 18px;}"
        "#btnStart:hover{background:#3b7fd6;}"
        "#btnPolish:hover{background:#4a9c68;}"
        "#btnStart:disabled,#btnPolish:disabled{background:#9bb4d6;}"
        "#btnStart[cancel=\"true\"],#btnPolish[cancel=\"true\"]{background:#c0504d;}"
        "#btnStart[cancel=\"true\"]:hover,#btnPolish[cancel=\"true\"]:hover{background:#d0605d;}"
        "QProgressBar{border:1px solid #b8c6d9;border-radius:5px;background:white;height:18px;text-align:center;}"
        "QProgressBar::chunk{background:#4a8ad8;border-radius:4px;}");

    auto* outer = new QVBoxLayout(this);
    outer->setContentsMargins(18, 14, 18, 14);
    outer->setSpacing(12);
    auto* columns = new QHBoxLayout;
    columns->setSpacing(16);
    outer->addLayout(columns, 1);

    // The classes.
    auto* left = new QVBoxLayout;
    left->addWidget(title(QStringLiteral("选择需要排课的班级"), this));
    lvPaiBan_ = new CheckList(QStringLiteral("选择排课班级:"), this);
    lvPaiBan_->setObjectName("lvPaiBan");
    lvPaiBan_->setToggleRule(applyClassCheck);
    // Narrow enough at 960 pixels for the options' longest line to stay whole.
    lvPaiBan_->setMinimumWidth(170);
    lvPaiBan_->setMaximumWidth(240);
    left->addWidget(lvPaiBan_, 1);
    columns->addLayout(left);

    // The options.
    auto* middle = new QVBoxLayout;
    middle->setSpacing(4);
    middle->addWidget(title(QStringLiteral("排课选项"), this));
    buildOptions(this, middle);
    middle->addStretch(1);
    columns->addLayout(middle, 3);

    // The custom conditions.
    auto* right = new QVBoxLayout;
    right->addWidget(title(QStringLiteral("自定义排课条件"), this));
    lvPaiItm_ = new QListWidget(this);
    lvPaiItm_->setObjectName("lvPaiItm");
    lvPaiItm_->setSelectionMode(QAbstractItemView::ExtendedSelection);
    lvPaiItm_->setContextMenuPolicy(Qt::CustomContextMenu);
    lvPaiItm_->setWordWrap(true);
    lvPaiItm_->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    lvPaiItm_->setResizeMode(QListView::Adjust);
    lvPaiItm_->setTextElideMode(Qt::ElideNone);
    lvPaiItm_->setMinimumWidth(240);
    right->addWidget(lvPaiItm_, 1);
    auto* optButtons = new QHBoxLayout;
    btnAddOpt_ = new QPushButton(QStringLiteral("添加"), this);
    btnAddOpt_->setObjectName("btnAddOpt");
    btnDelOpt_ = new QPushButton(QStringLiteral("删除"), this);
    btnDelOpt_->setObjectName("btnDelOpt");
    for (auto* b : {btnAddOpt_, btnDelOpt_})
        b->setMinimumWidth(90);
    optButtons->addStretch(1);
    optButtons->addWidget(btnAddOpt_);
    optButtons->addWidget(btnDelOpt_);
    right->addLayout(optButtons);
    // What is proved before a run; the run may still start.
    lblProof_ = new QLabel(this);
    lblProof_->setObjectName("lblProof");
    lblProof_->setWordWrap(true);
    lblProof_->setTextInteractionFlags(Qt::TextSelectableByMouse);
    lblProof_->setStyleSheet("QLabel{background:#fff4e5;border:1px solid #f0c48a;border-radius:5px;padding:8px 10px;"
                             "color:#7a4a00;font-size:14px;}");
    lblProof_->hide();
    right->addWidget(lblProof_);

    columns->addLayout(right, 2);

    // Start, progress.
    auto* bottom = new QHBoxLayout;
    bottom->setSpacing(14);
    btnStart_ = new QPushButton(QStringLiteral("开始排课"), this);
    btnStart_->setObjectName("btnStart");
    btnStart_->setCursor(Qt::PointingHandCursor);
    btnStart_->setMinimumWidth(150);
    btnPolish_ = new QPushButton(QStringLiteral("优化课表"), this);
    btnPolish_->setObjectName("btnPolish");
    btnPolish_->setCursor(Qt::PointingHandCursor);
    btnPolish_->setToolTip(QStringLiteral("调整已排好的课表：减少同一天重复的课和教师的空节，未选的班级保持不动"));
    btnPolish_->setEnabled(false);  // until the page has read whether a timetable is stored
    pbPai_ = new QProgressBar(this);
    pbPai_->setObjectName("pbPai");
    pbPai_->setRange(0, 100);
    pbPai_->setValue(0);
    pbPai_->setTextVisible(false);
    lblLoad_ = new QLabel(this);
    lblLoad_->setObjectName("lblLoad");
    lblLoad_->setMinimumWidth(48);
    lblLoad_->setStyleSheet("QLabel{font-size:15px;font-weight:bold;color:#1f3f6b;}");
    bottom->addWidget(btnStart_);
    bottom->addWidget(btnPolish_);
    bottom->addWidget(pbPai_, 1);
    bottom->addWidget(lblLoad_);
    // The step budget: a run ends with the best timetable found once it is spent.
    bottom->addWidget(new QLabel(QStringLiteral("搜索步数上限："), this));
    sbSteps_ = new QSpinBox(this);
    sbSteps_->setObjectName("sbSteps");
    sbSteps_->setRange(0, 2000000000);
    sbSteps_->setSingleStep(100000);
    sbSteps_->setSpecialValueText(QStringLiteral("不限"));
    sbSteps_->setMinimumWidth(110);
    sbSteps_->setToolTip(QStringLiteral("用完即结束排课，保存已找到的最好课表；每次最多运行%1秒")
                             .arg(static_cast<int>(kDefaultTimeLimit)));
    bottom->addWidget(sbSteps_);
    chkPolish_ = new QCheckBox(QStringLiteral("排课后优化"), this);
    chkPolish_->setObjectName("chkPolish");
    chkPolish_->setToolTip(QStringLiteral("排完后调整课表，减少同一天重复的课和教师的空节，不违反任何规则"));
    bottom->addWidget(chkPolish_);
    outer->addLayout(bottom);

    pmPaikeItm_ = new QMenu(this);
    pmPaikeItm_->setObjectName("pmPaikeItm");
    auto* mniAdd = pmPaikeItm_->addAction(QStringLiteral("添加排课条件"));
    mniAdd->setObjectName("mniAddOpt");
    auto* mniDel = pmPaikeItm_->addAction(QStringLiteral("删除排课条件"));
    mniDel->setObjectName("mniDelOpt");
    pmPaikeItm_->addSeparator();
    auto* mniAll = pmPaikeItm_->addAction(QStringLiteral("全选"));
    mniAll->setObjectName("mniSelAll");
    connect(mniAdd, &QAction::triggered, this, &PaiPage::btnAddOptClick);
    connect(mniDel, &QAction::triggered, this, &PaiPage::btnDelOptClick);
    connect(mniAll, &QAction::triggered, this, &PaiPage::selectAllConditions);
    connect(lvPaiItm_, &QWidget::customContextMenuRequested, this,
            [this](const QPoint& at) { pmPaikeItm_->popup(lvPaiItm_->viewport()->mapToGlobal(at)); });

    pmPage_ = new QMenu(this);
    pmPage_->setObjectName("pmPai");
    auto* mniStart = pmPage_->addAction(QStringLiteral("开始排课"));
    mniStart->setObjectName("mniStartPai1");
    connect(mniStart, &QAction::triggered, this, &PaiPage::btnStartClick);
    auto* mniPolish = pmPage_->addAction(QStringLiteral("优化课表"));
    mniPolish->setObjectName("mniPolish");
    connect(mniPolish, &QAction::triggered, this, &PaiPage::btnPolishClick);
    pmPage_->addSeparator();
    auto* mniBack = pmPage_->addAction(QStringLiteral("返回"));
    mniBack->setObjectName("mniPaiBack");
    connect(mniBack, &QAction::triggered, this, [this] { this->shell().goBack(); });
    auto* mniHelp = pmPage_->addAction(QStringLiteral("帮助"));
    mniHelp->setObjectName("mniPaiHelp");
    connect(mniHelp, &QAction::triggered, this, [this] { this->shell().help(); });

    connect(btnStart_, &QPushButton::clicked, this, &PaiPage::btnStartClick);
    connect(btnPolish_, &QPushButton::clicked, this, &PaiPage::btnPolishClick);
    connect(btnAddOpt_, &QPushButton::clicked, this, &PaiPage::btnAddOptClick);
    connect(btnDelOpt_, &QPushButton::clicked, this, &PaiPage::btnDelOptClick);
    connect(lvPaiItm_, &QListWidget::itemSelectionChanged, this, &PaiPage::updateDelOpt);
    connect(lvPaiBan_, &CheckList::rowToggled, this, [this] { updateProofs(); });
    connect(sbSteps_, &QSpinBox::valueChanged, this, [](int v) { settings().setValue(kStepsKey, v); });
    connect(chkPolish_, &QCheckBox::toggled, this, [](bool on) { settings().setValue(kPolishKey, on); });

    frmPaiOpt_ = new TfrmPaiOpt(shell.store(), shell.asker(), this);
    frmPaiend_ = new TfrmPaiend(this);
    runner_ = new tavrin::ui::LongJob(this);
    updateDelOpt();
}

// The window is going: the runner stops the search and waits for it; it writes nothing then.
PaiPage::~PaiPage() = default;

void PaiPage::buildOptions(QWidget* parent, QVBoxLayout* into)
{
    const auto& gs = optionGroups();
    for (std::size_t g = 0; g < gs.size(); ++g) {
        auto* box = new QGroupBox(QString::fromUtf8(gs[g].title), parent);
        box->setObjectName(QStringLiteral("gbP%1").arg(g + 1));
        auto* v = new QVBoxLayout(box);
        v->setSpacing(2);
        auto* group = new QButtonGroup(box);
        group->setExclusive(true);
        int id = 0;
        for (const auto& [name, caption] : gs[g].buttons) {
            auto* rb = new QRadioButton(QString::fromUtf8(caption), box);
            rb->setObjectName(QString::fromUtf8(name));
            group->addButton(rb, ++id);
            v->addWidget(rb);
        }
        groups_[g + 1] = group;
        into->addWidget(box);
    }
    showOptions(PaiOptions{});
}

QRadioButton* PaiPage::rb(int group, int k) const
{
    if (group < 1 || group > 4)
        return nullptr;
    return qobject_cast<QRadioButton*>(groups_[static_cast<std::size_t>(group)]->button(k));
}

PaiOptions PaiPage::chosenOptions() const
{
    auto pick = [this](int g, int dflt) {
        const int id = groups_[static_cast<std::size_t>(g)]->checkedId();
        return id > 0 ? id : dflt;
    };
    PaiOptions o;
    o.strength = pick(1, o.strength);
    o.align = pick(2, o.align);
    o.teaDay = pick(3, o.teaDay);
    o.noLian = pick(4, o.noLian);
    return o;
}

void PaiPage::showOptions(const PaiOptions& o)
{
    const int values[5] = {0, o.strength, o.align, o.teaDay, o.noLian};
    for (int g = 1; g <= 4; ++g)
        if (auto* b = rb(g, values[g]))
            b->setChecked(true);
}

void PaiPage::load(int)
{
    auto& st = shell().store();
    school_ = model::loadSchool(st);

    lvPaiBan_->clearRows();
    lvPaiBan_->addRow(QStringLiteral("全校"), QStringLiteral("0"), true);
    auto q = st.prepare("SELECT banid, banname FROM banbd ORDER BY jiid, banid");
    while (q.step())
        lvPaiBan_->addRow(QString::fromStdString(q.text(1)), QString::number(q.integer(0)), true);

    showOptions(loadPaiOpt(st));
    {
        const QSignalBlocker quiet(sbSteps_);
        sbSteps_->setValue(settings().value(kStepsKey, 0).toInt());
    }
    {
        const QSignalBlocker quiet(chkPolish_);
        chkPolish_->setChecked(settings().value(kPolishKey, true).toBool());
    }

    lvPaiItm_->clear();
    for (const auto& item : loadConditionItems(st, school_)) {
        auto* it = new QListWidgetItem(QString::fromStdString(item.caption), lvPaiItm_);
        it->setData(Qt::UserRole, QString::fromStdString(item.value));
    }
    updateDelOpt();
    updateProofs();
    updatePolishButton();
    if (!running_) {
        setBar(0);
        lblLoad_->clear();
    }
}

void PaiPage::updateProofs()
{
    std::vector<std::string> found;
    try {
        auto& st = shell().store();
        std::vector<bool> checks = lvPaiBan_->checks();
        std::vector<int> banids;
        for (int i = 1; i < lvPaiBan_->rowCount(); ++i)
            banids.push_back(lvPaiBan_->value(i).toInt());
        // As the start command will read it: nothing checked schedules every class.
        const std::vector<int> classes = classesToSchedule(checks, banids);
        const auto keep = keepFromChoice(school_, classes.size() == banids.size() ? std::vector<int>{} : classes);
        for (const auto& o : findObstacles(school_, keep, loadKeptLessons(st, school_, keep)))
            found.push_back(o.text);
    } catch (const std::exception&) {
        found.clear();  // a file that cannot be read shows its error when a run starts
    }
    QStringList lines;
    for (const auto& t : found)
        lines << QStringLiteral("• ") + QString::fromStdString(t);
    lblProof_->setText(QStringLiteral("以下原因使部分课程无法排入（仍可开始排课，将排入其余课程）：\n") +
                       lines.join(QLatin1Char('\n')));
    lblProof_->setVisible(!lines.isEmpty());
}

QMenu* PaiPage::pageMenu()
{
    return pmPage_;
}

void PaiPage::updateDelOpt()
{
    const bool any = !lvPaiItm_->selectedItems().isEmpty();
    btnDelOpt_->setEnabled(any);
    if (auto* a = pmPaikeItm_->findChild<QAction*>("mniDelOpt"))
        a->setEnabled(any);
}

void PaiPage::selectAllConditions()
{
    lvPaiItm_->selectAll();
}

void PaiPage::btnAddOptClick()
{
    if (shell().refuseViewer())
        return;
    frmPaiOpt_->prepare(school_);
    runDialog(dialogRunner_, *frmPaiOpt_);
    if (frmPaiOpt_->result() != QDialog::Accepted || !frmPaiOpt_->added())
        return;
    const auto& item = *frmPaiOpt_->added();
    auto* it = new QListWidgetItem(QString::fromStdString(item.caption), lvPaiItm_);
    it->setData(Qt::UserRole, QString::fromStdString(item.value));
}

void PaiPage::btnDelOptClick()
{
    if (shell().refuseViewer())
        return;
    std::vector<int> rows;
    for (int i = lvPaiItm_->count() - 1; i >= 0; --i)
        if (lvPaiItm_->item(i)->isSelected())
            rows.push_back(i);
    if (rows.empty())
        return;
    std::vector<std::string> values;
    for (int i : rows)
        values.push_back(lvPaiItm_->item(i)->data(Qt::UserRole).toString().toStdString());
    try {
        deleteConditions(shell().store(), values);
    } catch (const std::exception& e) {
        shell().asker().inform(QString::fromUtf8(e.what()), QStringLiteral("Tavrin"), tavrin::ui::Icon::Critical);
        return;
    }
    for (int i : rows)
        delete lvPaiItm_->takeItem(i);
    updateDelOpt();
}

void PaiPage::setBar(int p)
{
    pbPai_->setValue(p);
}

void PaiPage::showProgress(const Progress& p)
{
    if (!searching_)
        return;
    percent_ = p.percent;
    setBar(p.percent);
    // The stage, and in the repair the lessons still out, so a long run shows it moves on.
    QString text = QStringLiteral("%1% %2").arg(p.percent).arg(QString::fromUtf8(stageName(p.stage)));
    if (p.stage == Stage::Repair)
        text += QStringLiteral("，还有%1节未排").arg(p.unplaced);
    lblLoad_->setText(text);
}

void PaiPage::btnStartClick()
{
    if (shell().refuseViewer())
        return;
    frmPaiend_->clearRePai();
    setBar(0);
    if (running_) {
        // The second press: the search stops at its next step.
        if (searching_ && job_)
            runner_->cancel();
        return;
    }
    running_ = true;
    percent_ = 0;
    topBar(false);
    setCursor(Qt::BusyCursor);
    btnStart_->setEnabled(false);
    updatePolishButton();
    shell().processEvents();

    auto job = std::make_shared<RunJob>();
    try {
        auto& st = shell().store();
        auto school = std::make_shared<model::School>();
        model::actLoadTeaData(st, *school);
        setBar(20);
        shell().processEvents();

        const std::vector<int> classes = chosenClasses(*lvPaiBan_);
        model::LoadMyPaiOpt(st, *school);
        setBar(40);
        shell().processEvents();

        job->db = st.path();
        job->school = school;
        job->req.classes = classes;
        job->req.opts = chosenOptions();
        job->req.seed = seed_;
        job->req.repair = true;
        job->req.polish = chkPolish_->isChecked();
        job->req.stepBudget = sbSteps_->value();
        job->req.cancel = &runner_->cancelFlag();
        job->req.stepHook = stepHook_;
        job->req.progress = [page = this](const Progress& p) {
            QMetaObject::invokeMethod(page, [page, p] { page->showProgress(p); }, Qt::QueuedConnection);
        };
    } catch (const std::exception& e) {
        shell().asker().inform(QString::fromUtf8(e.what()), QStringLiteral("Tavrin"), tavrin::ui::Icon::Critical);
        setBar(0);
        endRun();
        return;
    }

    percent_ = 0;
    setBar(0);
    setCancelLook(btnStart_, true, {});
    btnStart_->setEnabled(true);
    searching_ = true;
    job_ = job;
    runner_->start([job](tavrin::ui::LongJob::Context&) { job->work(); }, [this](const QString&) { finishRun(); });
}

void PaiPage::finishRun()
{
    auto job = std::move(job_);
    searching_ = false;
    if (!job)
        return;
    const bool cancelled = job->error.empty() && job->out.result.cancelled;
    if (!job->error.empty() || cancelled)
        setBar(0);
    lastReport_.clear();
    if (cancelled) {
        lastReport_ << kCancelled;
    } else {
        for (const auto& l : job->out.lines)
            lastReport_ << QString::fromStdString(l);
    }
    endRun();
    Q_EMIT runEnded(cancelled);

    if (!job->error.empty()) {
        shell().asker().inform(QString::fromStdString(job->error), QStringLiteral("Tavrin"),
                               tavrin::ui::Icon::Critical);
        return;
    }
    frmPaiend_->setReport(lastReport_);
    RunSummary summary;
    if (cancelled) {
        summary.cancelled = true;
        summary.headline = "排课已取消";
        summary.details = "未保存任何数据。";
    } else {
        summary = summarizeRun(*job->school, job->out.result);
    }
    frmPaiend_->setSummary(summary);
    frmPaiend_->clearChoice();
    runDialog(dialogRunner_, *frmPaiend_);
    if (frmPaiend_->openKb()) {
        openClassTimetable();
        return;
    }
    if (frmPaiend_->rePai())
        btnStartClick();
}

void PaiPage::endRun()
{
    unsetCursor();
    lblLoad_->clear();
    running_ = false;
    polishing_ = false;
    topBar(true);
    setCancelLook(btnStart_, false, QStringLiteral("开始排课"));
    setCancelLook(btnPolish_, false, QStringLiteral("优化课表"));
    btnStart_->setEnabled(true);
    updatePolishButton();
}

void PaiPage::setCancelLook(QPushButton* b, bool cancel, const QString& idleText)
{
    b->setText(cancel ? QStringLiteral("取消") : idleText);
    b->setProperty("cancel", cancel);
    b->style()->unpolish(b);
    b->style()->polish(b);
}

void PaiPage::updatePolishButton()
{
    if (!running_) {
        try {
            auto q = shell().store().prepare("SELECT EXISTS(SELECT 1 FROM kechenbd)");
            hasTimetable_ = q.step() && q.integer(0) != 0;
        } catch (const std::exception&) {
            hasTimetable_ = false;  // a file that cannot be read has nothing to polish
        }
    }
    // While it polishes the button is the way to cancel; a search run keeps it off.
    const bool on = polishing_ || (!running_ && hasTimetable_);
    btnPolish_->setEnabled(on);
    if (auto* a = pmPage_->findChild<QAction*>("mniPolish"))
        a->setEnabled(on);
}

void PaiPage::showPolishProgress(int percent)
{
    if (!polishing_ || !polishJob_)
        return;
    percent_ = percent;
    setBar(percent);
    lblLoad_->setText(QStringLiteral("%1% 优化").arg(percent));
}

void PaiPage::btnPolishClick()
{
    if (shell().refuseViewer())
        return;
    if (running_) {
        // The second press: the polish stops at its next step and writes nothing.
        if (polishing_ && polishJob_)
            runner_->cancel();
        return;
    }
    updatePolishButton();
    if (!hasTimetable_)
        return;
    frmPaiend_->clearRePai();
    running_ = true;
    polishing_ = true;
    percent_ = 0;
    setBar(0);
    topBar(false);
    setCursor(Qt::BusyCursor);
    btnStart_->setEnabled(false);
    btnPolish_->setEnabled(false);
    shell().processEvents();

    auto job = std::make_shared<PolishJob>();
    try {
        auto& st = shell().store();
        auto school = std::make_shared<model::School>(model::loadSchool(st));
        auto q = st.prepare("SELECT count(*) FROM kechenbd");
        const int lessons = q.step() ? static_cast<int>(q.integer(0)) : 0;
        job->db = st.path();
        job->school = school;
        job->classes = chosenClasses(*lvPaiBan_);
        job->req.opts = chosenOptions();
        job->req.seed = seed_ ? *seed_ : QRandomGenerator::global()->generate();
        job->req.stepBudget = polishBudget_ ? *polishBudget_ : polishStepsFor(lessons);
        job->req.cancel = &runner_->cancelFlag();
        job->req.stepHook = stepHook_;
        job->req.progress = [page = this](int p) {
            QMetaObject::invokeMethod(page, [page, p] { page->showPolishProgress(p); }, Qt::QueuedConnection);
        };
    } catch (const std::exception& e) {
        shell().asker().inform(QString::fromUtf8(e.what()), QStringLiteral("Tavrin"), tavrin::ui::Icon::Critical);
        setBar(0);
        endRun();
        return;
    }

    setCancelLook(btnPolish_, true, {});
    btnPolish_->setEnabled(true);
    polishJob_ = job;
    runner_->start([job](tavrin::ui::LongJob::Context&) { job->work(); }, [this](const QString&) { finishPolish(); });
}

void PaiPage::finishPolish()
{
    auto job = std::move(polishJob_);
    if (!job) {
        endRun();
        return;
    }
    const auto& r = job->out.result;
    const bool cancelled = job->error.empty() && r.cancelled;
    if (!job->error.empty() || cancelled || r.nothingToMove)
        setBar(0);
    lastReport_.clear();
    if (cancelled) {
        lastReport_ << kPolishCancelled;
    } else if (job->error.empty()) {
        lastReport_ << QString::fromStdString(polishLine(r));
        if (!r.nothingToMove)
            lastReport_ << (job->out.saved ? QStringLiteral("已保存优化后的课程表。")
                                           : QStringLiteral("没有找到更好的排法，课程表未改动。"));
    }
    endRun();
    Q_EMIT polishEnded(cancelled);

    if (!job->error.empty()) {
        shell().asker().inform(QString::fromStdString(job->error), QStringLiteral("Tavrin"),
                               tavrin::ui::Icon::Critical);
        return;
    }
    if (r.nothingToMove) {
        shell().asker().inform(QString::fromUtf8(kNothingToPolish), QStringLiteral("Tavrin"));
        return;
    }
    frmPaiend_->setReport(lastReport_);
    frmPaiend_->setSummary(summarizePolish(job->out));
    frmPaiend_->clearChoice();
    // Running the search again is no way on from a polish.
    frmPaiend_->btnRePai()->hide();
    runDialog(dialogRunner_, *frmPaiend_);
    frmPaiend_->btnRePai()->show();
    if (frmPaiend_->openKb())
        openClassTimetable();
}

void PaiPage::topBar(bool on)
{
    shell().setTopBarEnabled(on);
}

void PaiPage::openClassTimetable()
{
    shell().openTimetable(tavrin::ui::KbBan);
}

namespace {
const bool registered = tavrin::ui::registerPage(5, [](tavrin::ui::Shell& sh) { return new PaiPage(sh); });
}  // namespace

}  // namespace tavrin::scheduler::ui
