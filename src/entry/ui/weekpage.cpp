#include "entry/ui/weekpage.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QMenu>
#include <QPushButton>
#include <QTreeWidget>
#include <QVBoxLayout>

#include <algorithm>
#include <memory>

#include "entry/ui/weekdialogs.h"
#include "store/store.h"
#include "ui/asker.h"

namespace tavrin::entry::ui {

using tavrin::ui::GridGeometry;
using tavrin::ui::GridHit;

namespace {

const bool registered = tavrin::ui::registerPage(2, [](tavrin::ui::Shell& sh) { return new WeekPage(sh); });

QString qs(const std::string& s)
{
    return QString::fromStdString(s);
}

constexpr int kGap = 20;
const QColor kHeader(0x52, 0x52, 0x52);
const QColor kMorning(0x59, 0xac, 0xff), kAfternoon(0x8d, 0xca, 0x00), kEvening(0xff, 0x80, 0x40);
const QColor kDiffers(0xa8, 0x7b, 0x66), kFixed(0xe4, 0x29, 0x29);

enum { RoleKind = Qt::UserRole, RoleIndex };

}  // namespace

GridGeometry weekGeometry(QSize size, const WeekDraft& d)
{
    GridGeometry g;
    const int e = d.dayCount(), P = d.P();
    const int B = d.publicCount();
    const int sections = (d.aft > 0 ? 1 : 0) + (d.nig > 0 ? 1 : 0);
    g.days = e;
    g.periods = P;
    const int W = std::max(0, (size.width() - 2) / (e + 1) - 2);
    const int H = std::max(0, static_cast<int>((size.height() - kGap * sections - 2) / (P + 1 + B / 2.0)) - 2);
    g.cellW = g.headerW = W + 2;
    g.cellH = g.headerH = H + 2;
    g.origin = QPoint(2, 2);
    g.fontSize = std::max(8, std::min(W / 12, H / 4));
    g.gapBefore.assign(static_cast<std::size_t>(P) + 1, 0);
    if (d.aft > 0 && d.mor + 1 <= P)
        g.gapBefore[static_cast<std::size_t>(d.mor + 1)] += kGap;
    if (d.nig > 0 && d.mor + d.aft + 1 <= P)
        g.gapBefore[static_cast<std::size_t>(d.mor + d.aft + 1)] += kGap;
    for (int r = 0; r <= P; ++r)
        if (!d.publicTimes[static_cast<std::size_t>(r)].empty())
            g.bands.push_back({r + 1, H / 2, qs(d.publicTimes[static_cast<std::size_t>(r)])});
    return g;
}

QColor weekCellColor(const WeekDraft& d, int period, const CellShown& c)
{
    if (c.differs)
        return kDiffers;
    if (!c.text.empty())
        return kFixed;
    if (period <= d.mor)
        return kMorning;
    return period <= d.mor + d.aft ? kAfternoon : kEvening;
}

WeekPage::WeekPage(tavrin::ui::Shell& sh, QWidget* parent) : Page(sh, 2, parent)
{
    setAttribute(Qt::WA_StyledBackground);
    setStyleSheet(
        "#ts2{background:#f4f7fb;}"
        "#lbl11,#lbl3,#lbl4{font-weight:bold;color:#1f3f6b;padding:4px 0 2px 0;}"
        "QTreeWidget{background:white;border:1px solid #c9d4e3;border-radius:4px;}"
        "QPushButton{background:white;border:1px solid #b8c6d9;border-radius:5px;padding:5px 10px;color:#1f3f6b;}"
        "QPushButton:hover{background:#eaf1fb;}"
        "#pnlKeJie{background:white;border:1px solid #c9d4e3;border-radius:4px;}");

    auto* outer = new QHBoxLayout(this);
    outer->setContentsMargins(14, 12, 14, 12);
    outer->setSpacing(12);

    auto* left = new QVBoxLayout;
    left->setSpacing(4);
    auto label = [&](const char* name, const char* text) {
        auto* l = new QLabel(QString::fromUtf8(text), this);
        l->setObjectName(name);
        left->addWidget(l);
        return l;
    };
    label("lbl11", "针对范围设置固定课");
    tvBanGudin_ = new QTreeWidget(this);
    tvBanGudin_->setObjectName("tvBanGudin");
    tvBanGudin_->setHeaderHidden(true);
    tvBanGudin_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    tvBanGudin_->setFixedWidth(210);
    left->addWidget(tvBanGudin_, 1);

    label("lbl3", "上课天数");
    auto* days = new QGridLayout;
    days->setHorizontalSpacing(10);
    for (int w = 1; w <= model::kMaxDays; ++w) {
        chkDay_[w] = new QCheckBox(QString::fromUtf8(kWeekNames[w]), this);
        chkDay_[w]->setObjectName(QStringLiteral("chkDay%1").arg(w));
        days->addWidget(chkDay_[w], (w - 1) / 2, (w - 1) % 2);
        connect(chkDay_[w], &QCheckBox::toggled, this, [this, w](bool on) {
            draft_.days[w] = on;
            rebuildGrid(true);
        });
    }
    left->addLayout(days);

    label("lbl4", "每天节数");
    auto* counts = new QGridLayout;
    const char* captions[] = {"上午:", "下午:", "晚上:"};
    for (int i = 0; i < 3; ++i) {
        counts->addWidget(new QLabel(QString::fromUtf8(captions[i]), this), i, 0);
        edtJie_[i] = new StepBox(this);
        edtJie_[i]->setObjectName(QStringLiteral("edtJie%1").arg(i + 1));
        edtJie_[i]->setRange(0, kMaxSectionJie);
        edtJie_[i]->setFixedWidth(56);
        counts->addWidget(edtJie_[i], i, 1);
        counts->addWidget(new QLabel(QStringLiteral("节"), this), i, 2);
        connect(edtJie_[i], &QSpinBox::valueChanged, this, [this, i](int v) {
            (i == 0 ? draft_.mor : i == 1 ? draft_.aft : draft_.nig) = v;
            rebuildGrid(true);
        });
    }
    counts->setColumnStretch(3, 1);
    left->addLayout(counts);
    btnSetTime_ = new QPushButton(QStringLiteral("节次时间..."), this);
    btnSetTime_->setObjectName("btnSetTime");
    btnAddPublicTime_ = new QPushButton(QStringLiteral("公共时段..."), this);
    btnAddPublicTime_->setObjectName("btnAddPublicTime");
    left->addSpacing(6);
    left->addWidget(btnSetTime_);
    left->addWidget(btnAddPublicTime_);
    outer->addLayout(left);

    grid_ = new tavrin::ui::KbGrid(this);
    grid_->setObjectName("pnlKeJie");
    grid_->setHeaderColor(kHeader);
    outer->addWidget(grid_, 1);

    // Menus of the grid.
    pm2_ = new QMenu(this);
    pm2_->setObjectName("pm2");
    auto fixedEntry = [this](const char* caption) {
        auto* a = pm2_->addAction(QString::fromUtf8(caption));
        connect(a, &QAction::triggered, this, [this, caption] { setGudin(QString::fromUtf8(caption)); });
    };
    fixedEntry(kNoLesson);
    pm2_->addSeparator();
    for (const char* c : {"自习", "班会", "级会", "劳动", "教研活动", "党团活动"})
        fixedEntry(c);
    auto* other = pm2_->addAction(QStringLiteral("其他..."));
    other->setObjectName("mniOther");
    connect(other, &QAction::triggered, this, [this] {
        const auto name = shell().asker().askText({}, QStringLiteral("固定课名称："), {});
        if (name && !name->isEmpty())
            setGudin(*name);
    });
    pm2_->addSeparator();
    auto* addPublic = pm2_->addAction(QStringLiteral("添加公共时段..."));
    addPublic->setObjectName("mniAddPublic");
    connect(addPublic, &QAction::triggered, this, [this] { openPublicTime(selJie_); });

    pm3_ = new QMenu(this);
    pm3_->setObjectName("pm3");
    auto* del = pm3_->addAction(QStringLiteral("删除此公共时段"));
    del->setObjectName("mniDelPublic");
    connect(del, &QAction::triggered, this, [this] {
        setPublicTime(draft_, selJie_, {});
        rebuildGrid(true);
    });
    auto* edit = pm3_->addAction(QStringLiteral("修改此公共时段"));
    edit->setObjectName("mniEditPublic");
    connect(edit, &QAction::triggered, this, [this] { bandClick(selJie_); });

    pm4_ = new QMenu(this);
    pm4_->setObjectName("pm4");
    auto* times = pm4_->addAction(QStringLiteral("节次时间..."));
    times->setObjectName("mniTimes");
    connect(times, &QAction::triggered, this, &WeekPage::openTimes);

    // The dialogs float above the window, which is disabled while one is open.
    time_ = std::make_unique<TaddTime>();
    public_ = std::make_unique<TaddPublicTime>(
        [this](int k) { return k >= 0 && k <= model::kMaxJie ? qs(draft_.publicTimes[k]) : QString(); },
        [this](int k, const QString& text) {
            setPublicTime(draft_, k, text.toStdString());
            rebuildGrid(true);
        });

    connect(tvBanGudin_, &QTreeWidget::currentItemChanged, this, [this](QTreeWidgetItem* item) {
        if (!item)
            return;
        scope_ = {static_cast<Scope::Kind>(item->data(0, RoleKind).toInt()), item->data(0, RoleIndex).toInt()};
        rebuildGrid(true);
    });
    connect(btnSetTime_, &QPushButton::clicked, this, &WeekPage::openTimes);
    connect(btnAddPublicTime_, &QPushButton::clicked, this, [this] {
        selJie_ = 0;
        openPublicTime(0);
    });
    connect(grid_, &tavrin::ui::KbGrid::cellPressed, this, [this](int slot, Qt::MouseButton) {
        const int P = grid_->periods();
        const int d = (slot - 1) / P + 1;
        selDay_ = weekdays_[static_cast<std::size_t>(d - 1)];
        selJie_ = slot - (d - 1) * P;
    });
    connect(grid_, &tavrin::ui::KbGrid::partClicked, this, [this](const GridHit& hit, Qt::MouseButton b) {
        if (b == Qt::LeftButton)
            onHit(hit);
    });
    connect(grid_, &tavrin::ui::KbGrid::partMenuRequested, this, [this](const GridHit& hit, const QPoint& at) {
        switch (hit.part) {
        case GridHit::Cell:
            selDay_ = weekdays_[static_cast<std::size_t>(hit.day - 1)];
            selJie_ = hit.period;
            pm2_->popup(at);
            break;
        case GridHit::Band:
            selJie_ = bandSlot(hit.band);
            pm3_->popup(at);
            break;
        case GridHit::PeriodHeader:
            pm4_->popup(at);
            break;
        default:
            break;
        }
    });
}

WeekPage::~WeekPage() = default;

int WeekPage::bandSlot(int band) const
{
    return band >= 0 && band < static_cast<int>(bandK_.size()) ? bandK_[static_cast<std::size_t>(band)] : -1;
}

int WeekPage::columnOf(int weekday) const
{
    auto it = std::find(weekdays_.begin(), weekdays_.end(), weekday);
    return it == weekdays_.end() ? 0 : static_cast<int>(it - weekdays_.begin()) + 1;
}

void WeekPage::onHit(const GridHit& hit)
{
    switch (hit.part) {
    case GridHit::Cell:
        cellClick(weekdays_[static_cast<std::size_t>(hit.day - 1)], hit.period);
        break;
    case GridHit::Band:
        selJie_ = bandSlot(hit.band);
        bandClick(selJie_);
        break;
    case GridHit::PeriodHeader:
        openTimes();
        break;
    default:
        break;
    }
}

void WeekPage::buildTree()
{
    const QSignalBlocker quiet(tvBanGudin_);
    tvBanGudin_->clear();
    auto* root = new QTreeWidgetItem(tvBanGudin_, {QString::fromUtf8(kWholeSchool)});
    root->setData(0, RoleKind, Scope::School);
    root->setData(0, RoleIndex, 0);
    for (int g = 0; g < static_cast<int>(draft_.groups.size()); ++g) {
        const auto& grp = draft_.groups[static_cast<std::size_t>(g)];
        auto* gi = new QTreeWidgetItem(root, {qs(grp.name)});
        gi->setData(0, RoleKind, Scope::Group);
        gi->setData(0, RoleIndex, g);
        for (int k = grp.first; k < grp.first + grp.count; ++k) {
            auto* ci = new QTreeWidgetItem(gi, {qs(draft_.classes[static_cast<std::size_t>(k)].name)});
            ci->setData(0, RoleKind, Scope::Class);
            ci->setData(0, RoleIndex, k);
        }
    }
    root->setExpanded(true);
    tvBanGudin_->setCurrentItem(root);
    scope_ = Scope::school();
}

void WeekPage::selectScope(Scope s)
{
    QTreeWidgetItem* root = tvBanGudin_->topLevelItem(0);
    if (!root)
        return;
    QTreeWidgetItem* item = root;
    if (s.kind == Scope::Group && s.index >= 0 && s.index < root->childCount())
        item = root->child(s.index);
    if (s.kind == Scope::Class && s.index >= 0 && s.index < static_cast<int>(draft_.classes.size())) {
        const auto& c = draft_.classes[static_cast<std::size_t>(s.index)];
        QTreeWidgetItem* g = root->child(c.group);
        item = g->child(s.index - draft_.groups[static_cast<std::size_t>(c.group)].first);
    }
    tvBanGudin_->setCurrentItem(item);
}

void WeekPage::load(int)
{
    shown_ = false;
    draft_ = loadWeek(shell().store());
    buildTree();
    for (int w = 1; w <= model::kMaxDays; ++w) {
        const QSignalBlocker quiet(chkDay_[w]);
        chkDay_[w]->setChecked(draft_.days[w]);
    }
    const int counts[] = {draft_.mor, draft_.aft, draft_.nig};
    for (int i = 0; i < 3; ++i) {
        const QSignalBlocker quiet(edtJie_[i]);
        edtJie_[i]->setValue(counts[i]);
    }
    selDay_ = selJie_ = 0;
    shown_ = true;
    rebuildGrid(false);
}

void WeekPage::rebuildGrid(bool mark)
{
    if (mark)
        markChanged();
    if (!shown_)
        return;
    weekdays_ = draft_.weekdays();
    bandK_.clear();
    for (int r = 0; r <= draft_.P(); ++r)
        if (!draft_.publicTimes[static_cast<std::size_t>(r)].empty())
            bandK_.push_back(r);
    const int P = draft_.P();
    // The two functions run one after the other for a slot: the cell's comparison over the
    // scope's classes is done once.
    auto shown = std::make_shared<std::pair<int, CellShown>>(0, CellShown{});
    auto at = [this, P, shown](int slot) -> const CellShown& {
        if (shown->first != slot) {
            const int d = (slot - 1) / P + 1, j = slot - (d - 1) * P;
            *shown = {slot, cellShown(draft_, scope_, weekdays_[static_cast<std::size_t>(d - 1)], j)};
        }
        return shown->second;
    };
    grid_->setCellFunction([at](int slot) {
        tavrin::ui::KbGridCell c;
        c.text = qs(at(slot).text);
        return c;
    });
    grid_->setFillFunction([this, at, P, shown](int slot) {
        const QColor c = weekCellColor(draft_, slot - (slot - 1) / P * P, at(slot));
        shown->first = 0;  // the next refresh compares again
        return c;
    });
    grid_->setGeometryFunction([this](QSize size) { return weekGeometry(size, draft_); });
    grid_->setWeek(static_cast<int>(weekdays_.size()), P);
    grid_->setCornerText(qs(draft_.scopeName(scope_)));
    QStringList periods, days;
    for (int j = 1; j <= P; ++j) {
        QString h = QStringLiteral("第%1节").arg(j);
        if (!draft_.times[static_cast<std::size_t>(j)].empty())
            h += QStringLiteral("\n") + qs(draft_.times[static_cast<std::size_t>(j)]);
        periods << h;
    }
    for (int w : weekdays_)
        days << QString::fromUtf8(kWeekNames[static_cast<std::size_t>(w)]);
    grid_->setPeriodHeaders(periods);
    grid_->setDayHeaders(days);
    grid_->refresh();
}

void WeekPage::setGudin(const QString& name)
{
    if (selDay_ < 1 || selJie_ < 1)
        return;
    const std::string n = name.toStdString();
    if (needsScopeQuestion(draft_, scope_, selDay_, selJie_) &&
        shell().asker().ask(qs(scopeQuestion(n)), {}, tavrin::ui::Buttons::OkCancel) != tavrin::ui::Answer::Ok)
        return;
    entry::setGudin(draft_, scope_, selDay_, selJie_, n);
    rebuildGrid(true);
}

void WeekPage::cellClick(int weekday, int period)
{
    selDay_ = weekday;
    selJie_ = period;
    setGudin(qs(clickName(draft_, scope_, weekday, period)));
}

void WeekPage::bandClick(int k)
{
    if (k < 0 || k > model::kMaxJie)
        return;
    const auto text =
        shell().asker().askText({}, QStringLiteral("公共时段名称："), qs(draft_.publicTimes[static_cast<std::size_t>(k)]));
    if (!text || text->isEmpty())
        return;
    setPublicTime(draft_, k, text->toStdString());
    rebuildGrid(true);
}

void WeekPage::runModal(QDialog& d)
{
    QWidget* w = window();
    w->setEnabled(false);
    struct Enable {
        QWidget* w;
        ~Enable() { w->setEnabled(true); }
    } enable{w};
    tavrin::ui::runDialog(runner_, d);
}

void WeekPage::openTimes()
{
    markChanged();
    time_->prepare(qs(timesText(draft_)));
    runModal(*time_);
    if (time_->result() != QDialog::Accepted)
        return;
    setTimes(draft_, time_->text().toStdString());
    rebuildGrid(true);
}

void WeekPage::openPublicTime(int k)
{
    markChanged();
    public_->prepare(std::max(0, k), draft_.P());
    runModal(*public_);
}

bool WeekPage::save()
{
    auto& asker = shell().asker();
    std::int64_t unplaced = 0;
    try {
        const Result r = saveWeek(shell().store(), draft_, &unplaced);
        if (!r) {
            asker.inform(qs(r.message), {}, tavrin::ui::Icon::Warning);
            return false;
        }
    } catch (const std::exception& e) {
        asker.inform(QStringLiteral("保存失败，数据未作任何修改：") + QString::fromUtf8(e.what()), {},
                     tavrin::ui::Icon::Critical);
        return false;
    }
    asker.inform(QString::fromUtf8(kSaved));
    if (unplaced > 0)
        asker.inform(qs(unplacedMessage(unplaced)));
    return true;
}

}  // namespace tavrin::entry::ui
