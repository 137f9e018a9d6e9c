#include "entry/ui/teshuform.h"

#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QMenu>
#include <QPushButton>
#include <QSplitter>
#include <QTreeWidget>
#include <QTreeWidgetItemIterator>
#include <QVBoxLayout>

#include <algorithm>

#include "entry/week.h"

namespace tavrin::entry::ui {

namespace {

constexpr int kGap = 5;
constexpr int kHover = 14;
enum { RoleKind = Qt::UserRole, RoleIndex };

QString qs(const std::string& s)
{
    return QString::fromStdString(s);
}

}  // namespace

tavrin::ui::GridGeometry teshuGeometry(QSize size, int days, int mor, int aft, int nig)
{
    tavrin::ui::GridGeometry g;
    const int P = mor + aft + nig;
    g.days = days;
    g.periods = P;
    const int W = std::max(0, (size.width() - 2) / (days + 1) - 2);
    const int H = std::max(0, (size.height() + (aft == 0 ? kGap : 0) + (nig == 0 ? kGap : 0) - 12) / (P + 1) - 2);
    g.cellW = g.headerW = W + 2;
    g.cellH = g.headerH = H + 2;
    g.origin = QPoint(2, 2);
    g.fontSize = std::max(8, std::min(W / 8, H / 3));
    g.gapBefore.assign(static_cast<std::size_t>(P) + 1, 0);
    if (aft > 0 && mor + 1 <= P)
        g.gapBefore[static_cast<std::size_t>(mor + 1)] += kGap;
    if (nig > 0 && mor + aft + 1 <= P)
        g.gapBefore[static_cast<std::size_t>(mor + aft + 1)] += kGap;
    return g;
}

QColor markColor(int shown, bool hovered)
{
    static const QColor colors[] = {QColor(0xD9, 0xD9, 0xD9), QColor(0xCF, 0xFF, 0x6A), QColor(0x63, 0xAB, 0x73),
                                    QColor(0x97, 0x0F, 0x0F), QColor(0xFF, 0xD7, 0x1A)};
    QColor c = colors[std::clamp(shown, 0, 4)];
    if (hovered)
        c = QColor(std::min(255, c.red() + kHover), std::min(255, c.green() + kHover), std::min(255, c.blue() + kHover));
    return c;
}

TteshuForm::TteshuForm(QWidget* parent) : QDialog(parent, Qt::Tool | Qt::CustomizeWindowHint | Qt::WindowTitleHint)
{
    setObjectName("TteshuForm");
    setModal(false);
    resize(760, 520);
    auto* lay = new QVBoxLayout(this);
    auto* split = new QSplitter(this);
    split->setObjectName("spl1");
    auto* left = new QWidget(split);
    left->setObjectName("pnl3");
    pnl3_ = left;
    auto* leftLay = new QVBoxLayout(left);
    leftLay->setContentsMargins(0, 0, 0, 0);
    auto* title = new QLabel(QStringLiteral("针对范围设置"), left);
    title->setObjectName("pnl4");
    leftLay->addWidget(title);
    tv1_ = new QTreeWidget(left);
    tv1_->setObjectName("tv1");
    tv1_->setHeaderHidden(true);
    leftLay->addWidget(tv1_);
    auto* right = new QWidget(split);
    auto* rightLay = new QVBoxLayout(right);
    rightLay->setContentsMargins(0, 0, 0, 0);
    auto* namePanel = new QWidget(right);
    namePanel->setObjectName("pnlKeName");
    auto* nameLay = new QHBoxLayout(namePanel);
    nameLay->setContentsMargins(0, 0, 0, 0);
    btnV1_ = new QPushButton(QStringLiteral("▲"), namePanel);
    btnV1_->setObjectName("btnV1");
    lblKe_ = new QLabel(namePanel);
    lblKe_->setObjectName("lblKe");
    lblKe_->setAlignment(Qt::AlignCenter);
    btnV2_ = new QPushButton(QStringLiteral("▼"), namePanel);
    btnV2_->setObjectName("btnV2");
    nameLay->addWidget(btnV1_);
    nameLay->addWidget(lblKe_, 1);
    nameLay->addWidget(btnV2_);
    rightLay->addWidget(namePanel);
    grid_ = new tavrin::ui::KbGrid(right);
    grid_->setObjectName("pnlKeJie");
    grid_->setHeaderColor(QColor(0x52, 0x52, 0x52));
    rightLay->addWidget(grid_, 1);
    split->addWidget(left);
    split->addWidget(right);
    split->setStretchFactor(1, 1);
    split->setSizes({160, 600});
    lay->addWidget(split, 1);
    auto* buttons = new QHBoxLayout;
    btnAuto_ = new QPushButton(QStringLiteral("全部恢复为自动"), this);
    btnAuto_->setObjectName("btnAuto");
    btnOk_ = new QPushButton(QStringLiteral("确定"), this);
    btnOk_->setObjectName("btnOk");
    btnClose_ = new QPushButton(QStringLiteral("取消"), this);
    btnClose_->setObjectName("btnClose");
    buttons->addWidget(btnAuto_);
    buttons->addStretch(1);
    buttons->addWidget(btnOk_);
    buttons->addWidget(btnClose_);
    lay->addLayout(buttons);

    pm1_ = new QMenu(this);
    pm1_->setObjectName("pm1");
    auto addMark = [this](int mark) {
        const char* text = mark == 0 ? "自动" : kMarkNames[static_cast<std::size_t>(mark)];
        pm1_->addAction(QString::fromUtf8(text), this, [this, mark] {
            if (menuSlot_ > 0)
                setCell(dayOf(menuSlot_), jieOf(menuSlot_), mark);
        });
    };
    addMark(0);
    pm1_->addSeparator();
    for (int m = 1; m <= 3; ++m)
        addMark(m);

    grid_->setCellFunction([this](int slot) {
        tavrin::ui::KbGridCell c;
        c.text = QString::fromUtf8(kMarkNames[static_cast<std::size_t>(shown(dayOf(slot), jieOf(slot)))]);
        return c;
    });
    grid_->setFillFunction([this](int slot) {
        return markColor(shown(dayOf(slot), jieOf(slot)), grid_->hoveredSlot() == slot);
    });
    // Black text, as on paper; "不排" is too dark for it and keeps white.
    grid_->setFillTextFunction([this](int slot) {
        return shown(dayOf(slot), jieOf(slot)) == model::MarkNever ? QColor(Qt::white) : QColor(Qt::black);
    });
    connect(grid_, &tavrin::ui::KbGrid::cellEntered, this, [this](int) { grid_->refresh(); });
    connect(grid_, &tavrin::ui::KbGrid::cellPressed, this, [this](int slot, Qt::MouseButton b) {
        if (b == Qt::LeftButton && slot > 0)
            clickCell(dayOf(slot), jieOf(slot));
    });
    connect(grid_, &tavrin::ui::KbGrid::cellMenuRequested, this, [this](int slot, const QPoint& at) {
        menuSlot_ = slot;
        if (slot > 0)
            pm1_->popup(at);
    });
    connect(tv1_, &QTreeWidget::currentItemChanged, this, [this](QTreeWidgetItem* item) {
        if (!item)
            return;
        scope_ = {static_cast<Scope::Kind>(item->data(0, RoleKind).toInt()), item->data(0, RoleIndex).toInt()};
        redraw();
    });
    connect(btnAuto_, &QPushButton::clicked, this, [this] {
        if (teaDraft_)
            clearTeaMarks(*teaDraft_, teaWork_, tea_);
        else if (draft_)
            clearMarks(*draft_, work_, ke_);
        redraw();
    });
    connect(btnOk_, &QPushButton::clicked, this, [this] {
        bool changed = false;
        if (teaDraft_)
            changed = commitTeaMarks(*teaDraft_, teaWork_);
        else if (draft_)
            changed = commitMarks(*draft_, work_);
        Q_EMIT committed(changed);
        hide();
    });
    connect(btnClose_, &QPushButton::clicked, this, &QDialog::hide);
    connect(btnV1_, &QPushButton::clicked, this, [this] { step(-1); });
    connect(btnV2_, &QPushButton::clicked, this, [this] { step(1); });
}

int TteshuForm::dayOf(int slot) const
{
    const int P = std::max(1, grid_->periods());
    return (slot - 1) / P + 1;
}

int TteshuForm::jieOf(int slot) const
{
    const int P = std::max(1, grid_->periods());
    return (slot - 1) % P + 1;
}

void TteshuForm::setWeek(int days, const std::array<std::uint8_t, 8>& dayToWeek, int mor, int aft, int nig)
{
    mor_ = mor;
    aft_ = aft;
    nig_ = nig;
    const int P = mor + aft + nig;
    grid_->setWeek(days, P);
    grid_->setGeometryFunction([days, mor, aft, nig](QSize s) { return teshuGeometry(s, days, mor, aft, nig); });
    QStringList dayHeaders, periodHeaders;
    for (int day = 1; day <= days; ++day)
        dayHeaders << QString::fromUtf8(kWeekNames[dayToWeek[static_cast<std::size_t>(day)]]);
    for (int j = 1; j <= P; ++j)
        periodHeaders << QStringLiteral("第%1节").arg(j);
    grid_->setDayHeaders(dayHeaders);
    grid_->setPeriodHeaders(periodHeaders);
}

void TteshuForm::showFor(KemuDraft& draft, int mor, int aft, int nig, std::int64_t ke, const QString& name)
{
    teaDraft_ = nullptr;
    draft_ = &draft;
    work_ = takeMarks(draft);  // the one copy of this showing
    pnl3_->show();
    setWeek(draft.theDay, draft.dayToWeek, mor, aft, nig);
    buildTree();
    show();
    retarget(ke, name);
}

void TteshuForm::showForTeacher(TeaDraft& draft, int mor, int aft, int nig, std::int64_t tea, const QString& name)
{
    draft_ = nullptr;
    teaDraft_ = &draft;
    teaWork_ = takeTeaMarks(draft);  // the one copy of this showing
    pnl3_->hide();  // a teacher's marks have no scope
    setWeek(draft.theDay, draft.dayToWeek, mor, aft, nig);
    show();
    retargetTeacher(tea, name);
}

void TteshuForm::retargetTeacher(std::int64_t tea, const QString& name)
{
    tea_ = tea;
    setWindowTitle(name + QString::fromUtf8(kMarkTitleSuffix));
    lblKe_->setText(name);
    redraw();
}

void TteshuForm::step(int delta)
{
    if (teaDraft_) {
        const int row = stepTeacher(*teaDraft_, tea_, delta);
        if (row < 0)
            return;
        const auto& r = teaDraft_->rows[static_cast<std::size_t>(row)];
        retargetTeacher(r.id, QString::fromStdString(r.name));
    }
    Q_EMIT stepRequested(delta);
}

void TteshuForm::retarget(std::int64_t ke, const QString& name)
{
    ke_ = ke;
    setWindowTitle(name + QString::fromUtf8(kMarkTitleSuffix));
    lblKe_->setText(name);
    redraw();
}

void TteshuForm::buildTree()
{
    tv1_->blockSignals(true);
    tv1_->clear();
    auto* root = new QTreeWidgetItem(tv1_, {QString::fromUtf8(kWholeSchool)});
    root->setData(0, RoleKind, Scope::School);
    root->setData(0, RoleIndex, 0);
    for (int g = 0; g < static_cast<int>(draft_->groups.size()); ++g) {
        const auto& grp = draft_->groups[static_cast<std::size_t>(g)];
        auto* gi = new QTreeWidgetItem(root, {qs(grp.caption())});
        gi->setData(0, RoleKind, Scope::Group);
        gi->setData(0, RoleIndex, g);
        for (int k = grp.first; k < grp.first + grp.count; ++k) {
            auto* ci = new QTreeWidgetItem(gi, {qs(draft_->classes[static_cast<std::size_t>(k)].name)});
            ci->setData(0, RoleKind, Scope::Class);
            ci->setData(0, RoleIndex, k);
        }
    }
    tv1_->expandAll();
    tv1_->setCurrentItem(root);
    scope_ = Scope::school();
    tv1_->blockSignals(false);
}

void TteshuForm::selectScope(Scope s)
{
    for (QTreeWidgetItemIterator it(tv1_); *it; ++it)
        if ((*it)->data(0, RoleKind).toInt() == s.kind && (*it)->data(0, RoleIndex).toInt() == s.index) {
            tv1_->setCurrentItem(*it);
            return;
        }
}

int TteshuForm::shown(int day, int jie) const
{
    if (teaDraft_)
        return shownTeaMark(teaWork_, tea_, day, jie);
    return draft_ ? shownMark(*draft_, work_, ke_, scope_, day, jie) : 0;
}

void TteshuForm::clickCell(int day, int jie)
{
    setCell(day, jie, nextMark(shown(day, jie)));
}

void TteshuForm::setCell(int day, int jie, int mark)
{
    if (teaDraft_)
        setTeaMark(teaWork_, tea_, day, jie, mark);
    else if (draft_)
        setMark(*draft_, work_, ke_, scope_, day, jie, mark);
    else
        return;
    redraw();
}

void TteshuForm::redraw()
{
    grid_->refresh();
}

}  // namespace tavrin::entry::ui
