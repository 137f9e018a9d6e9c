#include "timetable/ui/timetablepage.h"

#include <QAbstractButton>
#include <QAction>
#include <QApplication>
#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QCoreApplication>
#include <QEvent>
#include <QFontMetrics>
#include <QIcon>
#include <QPainter>
#include <QPixmap>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollArea>
#include <QScreen>
#include <QScrollBar>
#include <QSplitter>
#include <QToolButton>
#include <QVBoxLayout>

#include <algorithm>
#include <cstdlib>

#include "model/school.h"
#include "store/store.h"
#include "timetable/cells.h"
#include "timetable/history.h"
#include "timetable/kbdata.h"
#include "timetable/layout.h"
#include "ui/kbgrid.h"
#include "timetable/ui/changelist.h"
#include "timetable/ui/kbdragcontroller.h"
#include "timetable/ui/minfrm.h"
#include "timetable/ui/minipanels.h"
#include "timetable/ui/kbholding.h"
#include "ui/asker.h"
#include "ui/busy.h"
#include "ui/kbart.h"
#include "ui/kbstep.h"

namespace tavrin::timetable::ui {

using tavrin::ui::KbAll;
using tavrin::ui::KbBan;
using tavrin::ui::KbRenke;
using tavrin::ui::KbTea;

namespace {

QString qs(const std::string& s)
{
    return QString::fromStdString(s);
}

const char* const kHintProperty = "kbHint";
const char* const kHintOnFocus = "kbHintOnFocus";
constexpr int kHoldingHeight = 120;

}  // namespace

TimetablePage::TimetablePage(tavrin::ui::Shell& shell, QWidget* parent)
    : Page(shell, 6, parent), doc_(shell.kbStep().document()), kb_(doc_.data())
{
    buildControls();
    buildMenus();
    drag_ = new KbDragController(*this);
    drag_->onStart = [this](const KbDrag& d) { startMinFrm(d); };
    drag_->onOver = [this](const KbDrag& d, const QPoint& at) { followMinFrm(d, at); };
    drag_->onEnd = [this] {
        if (minFrm_)
            minFrm_->hide();
    };
    connect(&shell.kbStep(), &tavrin::ui::KbStep::changed, this, &TimetablePage::kbChanged);
}

TimetablePage::~TimetablePage() = default;

TimetablePage* TimetablePage::of(tavrin::ui::Shell& shell)
{
    return qobject_cast<TimetablePage*>(shell.page(6));
}

// ---------------------------------------------------------------- controls

void TimetablePage::hint(QWidget* w, const char* text, bool onFocus)
{
    w->setProperty(onFocus ? kHintOnFocus : kHintProperty, QString::fromUtf8(text));
    w->installEventFilter(this);
}

bool TimetablePage::eventFilter(QObject* o, QEvent* e)
{
    // The wheel over the grid turns the picker to the next or previous timetable, without the
    // pointer taking the focus from a keyboard move; during a move it does nothing.
    if (o == grid_ && e->type() == QEvent::Wheel) {
        if (!(drag_ && drag_->active()) && kb_.loaded)
            QCoreApplication::sendEvent(SelKB == KbBan ? cbbBan_ : cbbTea_, e);
        return true;
    }
    if (o == spl4_ && e->type() == QEvent::Resize && !holdingSized_ && spl4_->height() > 3 * kHoldingHeight) {
        // The holding area starts 120 pixels high along the bottom; the grid takes the rest.
        holdingSized_ = true;
        spl4_->setSizes({spl4_->height() - kHoldingHeight - spl4_->handleWidth(), kHoldingHeight});
    }
    if (e->type() == QEvent::Enter || e->type() == QEvent::Leave) {
        const QVariant v = o->property(kHintProperty);
        if (v.isValid())
            shell().setStatus(e->type() == QEvent::Enter ? v.toString() : QString());
    } else if (e->type() == QEvent::FocusIn) {
        const QVariant v = o->property(kHintOnFocus);
        if (v.isValid())
            shell().setStatus(v.toString());
    }
    return Page::eventFilter(o, e);
}

void TimetablePage::buildControls()
{
    setStyleSheet(
        "#pnlTs6Tool{background:#f5f7fb;border-bottom:1px solid #d9e0ea;}"
        "#pnlTs6Tool QLabel{color:#44526a;}"
        "#pnlTs6Tool QToolButton,#pnlTs6Tool QPushButton{background:white;border:1px solid #c9d3e0;border-radius:5px;"
        "padding:3px 10px;color:#23344f;}"
        "#pnlTs6Tool QToolButton:hover,#pnlTs6Tool QPushButton:hover{background:#eaf1fb;border-color:#8fb0dc;}"
        "#pnlTs6Tool QToolButton:disabled,#pnlTs6Tool QPushButton:disabled{color:#a8b2c0;background:#f3f5f8;"
        "border-color:#dde3eb;}"
        "#pnlTs6Tool #btnPrevKbCom,#pnlTs6Tool #btnNextKbCom{padding:3px 4px;}"
        "#pnlTs6Tool #btnLock{color:#8a5a00;}"
        "#pnlTs6Tool #btnUnLock{color:#8a5a00;background:#fff4d6;border-color:#e2b84f;}"
        "#pnlTs6Tool QLineEdit{background:white;border:1px solid #c9d3e0;border-radius:5px;"
        "padding:2px 6px;min-height:20px;}"
        "#pnlTmpHead{background:#eef2f7;border-top:1px solid #d9e0ea;}"
        "#pnlTmpHead QLabel{color:#5a6a80;}");

    auto* outer = new QVBoxLayout(this);
    outer->setContentsMargins(0, 0, 0, 0);
    outer->setSpacing(0);

    // ---- the tool bar: finding and picking a timetable, history, undo, locks, export;
    // then the layout and content boxes.
    auto* tool = new QWidget(this);
    tool->setObjectName("pnlTs6Tool");
    tool->setAttribute(Qt::WA_StyledBackground);
    auto* toolLay = new QVBoxLayout(tool);
    toolLay->setContentsMargins(10, 6, 10, 6);
    toolLay->setSpacing(5);
    auto* row1 = new QHBoxLayout;
    row1->setSpacing(6);
    auto* row2 = new QHBoxLayout;
    row2->setSpacing(6);
    toolLay->addLayout(row1);
    toolLay->addLayout(row2);
    outer->addWidget(tool);

    auto* lbl19 = new QLabel(QStringLiteral("查找："), tool);
    lbl19->setObjectName("lbl19");
    row1->addWidget(lbl19);
    edtFnKebiao_ = new QLineEdit(tool);
    edtFnKebiao_->setObjectName("edtFnKebiao");
    edtFnKebiao_->setPlaceholderText(QStringLiteral("查找班级"));
    edtFnKebiao_->setClearButtonEnabled(true);
    edtFnKebiao_->setFixedWidth(130);
    row1->addWidget(edtFnKebiao_);
    connect(edtFnKebiao_, &QLineEdit::textChanged, this, &TimetablePage::search);

    btnPrevKbCom_ = new QToolButton(tool);
    btnPrevKbCom_->setObjectName("btnPrevKbCom");
    btnPrevKbCom_->setArrowType(Qt::LeftArrow);
    btnPrevKbCom_->setToolTip(QStringLiteral("上一个"));
    row1->addWidget(btnPrevKbCom_);
    cbbBan_ = new QComboBox(tool);
    cbbBan_->setObjectName("cbbBan");
    cbbTea_ = new QComboBox(tool);
    cbbTea_->setObjectName("cbbTea");
    for (auto* c : {cbbBan_, cbbTea_}) {
        c->setMinimumWidth(150);
        c->setMaxVisibleItems(24);
        row1->addWidget(c);
    }
    cbbTea_->hide();
    btnNextKbCom_ = new QToolButton(tool);
    btnNextKbCom_->setObjectName("btnNextKbCom");
    btnNextKbCom_->setArrowType(Qt::RightArrow);
    btnNextKbCom_->setToolTip(QStringLiteral("下一个"));
    row1->addWidget(btnNextKbCom_);
    connect(cbbBan_, &QComboBox::currentIndexChanged, this, &TimetablePage::pickBan);
    connect(cbbTea_, &QComboBox::currentIndexChanged, this, &TimetablePage::pickTea);
    connect(btnPrevKbCom_, &QToolButton::clicked, this, [this] { movePicker(-1); });
    connect(btnNextKbCom_, &QToolButton::clicked, this, [this] { movePicker(1); });
    row1->addSpacing(10);

    auto makeAction = [this](const char* name, const char* caption) {
        auto* a = new QAction(QString::fromUtf8(caption), this);
        a->setObjectName(name);
        a->setShortcutContext(Qt::WidgetWithChildrenShortcut);
        addAction(a);
        return a;
    };
    actPrevKb_ = makeAction("actPrevKb", "前页");
    actNextKb_ = makeAction("actNextKb", "后页");
    connect(actPrevKb_, &QAction::triggered, this, &TimetablePage::backKb);
    connect(actNextKb_, &QAction::triggered, this, &TimetablePage::forwardKb);
    // The undo ring's commands attach to these two; until a step is recorded there is
    // nothing to undo or redo.
    actUndoKb_ = makeAction("actUndoKb", "撤消");
    actUndoKb_->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_Z));
    actRedoKb_ = makeAction("actRedoKb", "重做");
    // Besides its own Ctrl+R, the keys every other program redoes with.
    actRedoKb_->setShortcuts({QKeySequence(Qt::CTRL | Qt::Key_R), QKeySequence(Qt::CTRL | Qt::Key_Y),
                              QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Z)});
    connect(actUndoKb_, &QAction::triggered, this, &TimetablePage::undoKb);
    connect(actRedoKb_, &QAction::triggered, this, &TimetablePage::redoKb);
    actExKb_ = makeAction("actExKb", "导出打印");
    connect(actExKb_, &QAction::triggered, this, [this] {
        if (exportHandler_)
            exportHandler_();
    });
    for (auto* a : {actPrevKb_, actNextKb_, actUndoKb_, actRedoKb_, actExKb_})
        a->setEnabled(false);

    auto toolButton = [&](const char* name, QAction* a) {
        auto* b = new QToolButton(tool);
        b->setObjectName(name);
        b->setDefaultAction(a);
        b->setToolButtonStyle(Qt::ToolButtonTextOnly);
        row1->addWidget(b);
        return b;
    };
    btnPrevKb_ = toolButton("btnPrevKb", actPrevKb_);
    btnNextKb_ = toolButton("btnNextKb", actNextKb_);
    row1->addSpacing(10);
    btnUndoKb_ = toolButton("btnUndoKb", actUndoKb_);
    btnRedoKb_ = toolButton("btnRedoKb", actRedoKb_);
    row1->addSpacing(10);
    btnLock_ = new QPushButton(QStringLiteral("锁定"), tool);
    btnLock_->setObjectName("btnLock");
    btnUnLock_ = new QPushButton(QStringLiteral("解锁"), tool);
    btnUnLock_->setObjectName("btnUnLock");
    btnUnLock_->hide();
    row1->addWidget(btnLock_);
    row1->addWidget(btnUnLock_);
    connect(btnLock_, &QPushButton::clicked, this, [this] { lockShown(true); });
    connect(btnUnLock_, &QPushButton::clicked, this, [this] { lockShown(false); });
    btnExKb_ = new QPushButton(QStringLiteral("导出打印"), tool);
    btnExKb_->setObjectName("btnExKb");
    btnExKb_->setEnabled(false);
    connect(btnExKb_, &QPushButton::clicked, actExKb_, &QAction::trigger);
    connect(actExKb_, &QAction::changed, btnExKb_, [this] { btnExKb_->setEnabled(actExKb_->isEnabled()); });
    row1->addWidget(btnExKb_);
    row1->addStretch(1);

    auto* lblStyle = new QLabel(QStringLiteral("表格样式："), tool);
    row2->addWidget(lblStyle);
    rbShow1_ = new QRadioButton(QStringLiteral("每天一列"), tool);
    rbShow1_->setObjectName("rbShow1");
    rbShow2_ = new QRadioButton(QStringLiteral("每天一行"), tool);
    rbShow2_->setObjectName("rbShow2");
    rbShow1_->setChecked(true);
    auto* rbGroup = new QButtonGroup(this);
    rbGroup->addButton(rbShow1_, 1);
    rbGroup->addButton(rbShow2_, 2);
    row2->addWidget(rbShow1_);
    row2->addWidget(rbShow2_);
    connect(rbShow1_, &QRadioButton::toggled, this, [this](bool on) {
        if (on)
            onLayoutRadio(1);
    });
    connect(rbShow2_, &QRadioButton::toggled, this, [this](bool on) {
        if (on)
            onLayoutRadio(2);
    });
    row2->addSpacing(16);
    auto* lblShow = new QLabel(QStringLiteral("显示内容："), tool);
    row2->addWidget(lblShow);
    chkShow1_ = new QCheckBox(QStringLiteral("显示科目"), tool);
    chkShow1_->setObjectName("chkShow1");
    chkShow2_ = new QCheckBox(QStringLiteral("显示教师"), tool);
    chkShow2_->setObjectName("chkShow2");
    for (auto* c : {chkShow1_, chkShow2_}) {
        c->setChecked(true);
        row2->addWidget(c);
        connect(c, &QCheckBox::toggled, this, [this] { redraw(); });
    }
    row2->addSpacing(16);
    chkShowMovFrm_ = new QCheckBox(QStringLiteral("显示拖动的微型课表"), tool);
    chkShowMovFrm_->setObjectName("chkShowMovFrm");
    chkShowMovFrm_->setChecked(true);
    row2->addWidget(chkShowMovFrm_);
    chkShowChn_ = new QCheckBox(QStringLiteral("显示调动情况"), tool);
    chkShowChn_->setObjectName("chkShowChn");
    row2->addWidget(chkShowChn_);
    row2->addStretch(1);

    // ---- the grid over the holding area, the mini timetables beside them, the change
    // list at the right edge.
    auto* body = new QHBoxLayout;
    body->setContentsMargins(0, 0, 0, 0);
    body->setSpacing(0);
    outer->addLayout(body, 1);

    spl6_ = new QSplitter(Qt::Horizontal, this);
    spl6_->setObjectName("spl6");
    spl6_->setChildrenCollapsible(false);
    body->addWidget(spl6_, 1);

    spl4_ = new QSplitter(Qt::Vertical, spl6_);
    spl4_->setObjectName("spl4");
    spl4_->setChildrenCollapsible(false);
    grid_ = new KbGrid(spl4_);
    grid_->setObjectName("pnlKebiao");
    grid_->setCellFunction([this](int s) { return gridCell(s); });
    grid_->installEventFilter(this);

    auto* tmp = new QWidget(spl4_);
    tmp->setObjectName("pnlTmpKe");
    auto* tmpLay = new QVBoxLayout(tmp);
    tmpLay->setContentsMargins(0, 0, 0, 0);
    tmpLay->setSpacing(0);
    // The caption stays above the lessons however they are scrolled.
    auto* tmpHead = new QWidget(tmp);
    tmpHead->setObjectName("pnlTmpHead");
    tmpHead->setAttribute(Qt::WA_StyledBackground);
    auto* headLay = new QHBoxLayout(tmpHead);
    headLay->setContentsMargins(8, 2, 8, 2);
    auto* tmpTxt = new QLabel(QStringLiteral("课程暂放区"), tmpHead);
    tmpTxt->setObjectName("pnlTmpTxt");
    headLay->addWidget(tmpTxt);
    headLay->addStretch(1);
    tmpLay->addWidget(tmpHead);
    holding_ = new KbHoldingBox(tmp);
    holding_->setMinimumHeight(24);
    holding_->setFocusPolicy(Qt::NoFocus);
    tmpLay->addWidget(holding_, 1);
    spl4_->addWidget(grid_);
    spl4_->addWidget(tmp);
    spl4_->setStretchFactor(0, 1);
    spl4_->setStretchFactor(1, 0);
    spl4_->installEventFilter(this);
    grid_->setHotOnHover(true);
    QWidget::setTabOrder(grid_, holding_->area());

    scrlbxMinFrm_ = new QScrollArea(spl6_);
    scrlbxMinFrm_->setObjectName("scrlbxMinFrm");
    scrlbxMinFrm_->setFrameShape(QFrame::NoFrame);
    scrlbxMinFrm_->setStyleSheet("#scrlbxMinFrm{background:#dfe5ed;}");
    scrlbxMinFrm_->setMinimumWidth(40);
    minPanels_ = new MiniPanels;
    scrlbxMinFrm_->setWidget(minPanels_);
    scrlbxMinFrm_->setWidgetResizable(false);
    scrlbxMinFrm_->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    // A notch of the wheel scrolls the panels by 10 pixels.
    scrlbxMinFrm_->verticalScrollBar()->setSingleStep(10 / std::max(1, QApplication::wheelScrollLines()));
    connect(minPanels_, &MiniPanels::openRequested, this, &TimetablePage::openOther);
    spl6_->addWidget(spl4_);
    spl6_->addWidget(scrlbxMinFrm_);
    spl6_->setStretchFactor(0, 1);
    spl6_->setStretchFactor(1, 0);
    // An empty grey column beside the grid only takes its room: it shows once it holds a
    // mini timetable.
    scrlbxMinFrm_->setVisible(scrlbxMinFrm_->widget() != nullptr);

    pnlChnKe_ = new QWidget(this);
    pnlChnKe_->setObjectName("pnlChnKe");
    pnlChnKe_->setFixedWidth(84);
    auto* chnLay = new QVBoxLayout(pnlChnKe_);
    chnLay->setContentsMargins(2, 4, 2, 4);
    chnLay->setSpacing(4);
    auto* lbl2 = new QLabel(QStringLiteral("被调动的表"), pnlChnKe_);
    lbl2->setObjectName("lbl2");
    lbl2->setAlignment(Qt::AlignCenter);
    lvChnKe_ = new QListWidget(pnlChnKe_);
    lvChnKe_->setObjectName("lvChnKe");
    hint(lvChnKe_, "改动过的课表");
    chnList_ = new ChangeList(lvChnKe_);
    connect(chnList_, &ChangeList::openRequested, this, &TimetablePage::openOther);
    btnOutChn_ = new QPushButton(QStringLiteral("调动课程表"), pnlChnKe_);
    btnOutChn_->setObjectName("btnOutChn");
    btnOutChn_->setEnabled(false);
    connect(btnOutChn_, &QPushButton::clicked, this, [this] {
        if (changedExportHandler_ && kb_.loaded)
            changedExportHandler_(chnList_->tables());
    });
    btnOutTz_ = new QPushButton(QStringLiteral("调课通知"), pnlChnKe_);
    btnOutTz_->setObjectName("btnOutTz");
    btnOutTz_->setEnabled(false);
    connect(btnOutTz_, &QPushButton::clicked, this, [this] {
        if (noticeHandler_ && kb_.loaded)
            noticeHandler_();
    });
    chnLay->addWidget(lbl2);
    chnLay->addWidget(lvChnKe_, 1);
    chnLay->addWidget(btnOutChn_);
    chnLay->addWidget(btnOutTz_);
    pnlChnKe_->hide();
    body->addWidget(pnlChnKe_);
    connect(chkShowChn_, &QCheckBox::toggled, pnlChnKe_, &QWidget::setVisible);

    // The grid, laid out again, gives the held lessons their new size.
    connect(grid_, &KbGrid::laidOut, this, &TimetablePage::layoutHolding);
    connect(grid_, &KbGrid::laidOut, this, &TimetablePage::layoutMinFrm);
    // The pointer over a cell of the grid leaves the panels unhighlighted.
    connect(grid_, &KbGrid::cellEntered, minPanels_, &MiniPanels::clearHot);
    connect(holding_, &KbHoldingBox::widthChanged, this, &TimetablePage::layoutHolding);
    connect(grid_, &KbGrid::cellMenuRequested, this, [this](int slot, const QPoint& at) {
        prepareCellMenu(slot);
        pmKb_->popup(at);
    });
    connect(holding_->area(), &KbHoldingArea::tileMenuRequested, this, [this](int n, const QPoint& at) {
        prepareCellMenu(n, true);
        pmKb_->popup(at);
    });
    auto dragHint = [this](int n) {
        if (n > 0)
            shell().setStatus(QStringLiteral("拖动课表进行调课"));
    };
    connect(grid_, &KbGrid::cellEntered, this, dragHint);
    connect(holding_->area(), &KbHoldingArea::tileEntered, this, dragHint);

    hint(btnPrevKb_, "返回前一张课表。");
    hint(btnNextKb_, "返回后一张课表");
    hint(btnExKb_, "导出EXCEL、打印课程表。");
    hint(btnRedoKb_, "重做下一步操作。(CTRL+R)");
    hint(btnLock_, "锁定这张课表，这样不会受其它课表调课影响");
    hint(btnUnLock_, "解锁这张课表");
    hint(rbShow1_, "改变课程表显示样式(不会影响数据)", true);
    hint(rbShow2_, "改变课程表显示样式(不会影响数据)", true);
    hint(holding_, "可以将课表中的课拖下来放到这里", true);
}

void TimetablePage::buildMenus()
{
    pmTs6_ = new QMenu(this);
    pmTs6_->setObjectName("pmTs6");
    auto add = [this](const char* name, const char* caption, auto slot) {
        auto* a = pmTs6_->addAction(QString::fromUtf8(caption));
        a->setObjectName(name);
        connect(a, &QAction::triggered, this, slot);
        return a;
    };
    add("mniKbSave", "保存", [this] { shell().save(); });
    add("mniKbBack", "返回", [this] { shell().goBack(); });
    pmTs6_->addSeparator();
    auto* lock = add("mniKbLock", "锁定", [this] { lockShown(true); });
    auto* unlock = add("mniKbUnLock", "解锁", [this] { lockShown(false); });
    pmTs6_->addSeparator();
    auto* prev = add("mniKbPrev", "前一页", [this] { backKb(); });
    auto* next = add("mniKbNext", "后一页", [this] { forwardKb(); });
    auto* undo = add("mniKbUndo", "撤消", [this] { actUndoKb_->trigger(); });
    auto* redo = add("mniKbRedo", "重做", [this] { actRedoKb_->trigger(); });
    pmTs6_->addSeparator();
    for (int k = 1; k <= 4; ++k) {
        static const char* const names[] = {"", "mniKbBiao1", "mniKbBiao2", "mniKbBiao3", "mniKbBiao4"};
        static const char* const captions[] = {"", "班级表", "教师表", "总课程表", "总任课表"};
        add(names[k], captions[k], [this, k] { showTable(k); });
    }
    pmTs6_->addSeparator();
    auto* ex = add("mniKbExport", "导出Excel打印", [this] { actExKb_->trigger(); });
    add("mniKbHelp", "帮助", [this] { shell().help(); });
    connect(pmTs6_, &QMenu::aboutToShow, this, [=, this] {
        lock->setVisible(!btnLock_->isHidden());
        unlock->setVisible(!btnUnLock_->isHidden());
        prev->setEnabled(btnPrevKb_->isEnabled());
        next->setEnabled(btnNextKb_->isEnabled());
        undo->setEnabled(btnUndoKb_->isEnabled());
        redo->setEnabled(btnRedoKb_->isEnabled());
        ex->setEnabled(actExKb_->isEnabled());
    });

    pmKb_ = new QMenu(this);
    pmKb_->setObjectName("pmKb");
    NGoKb_ = pmKb_->addAction(QStringLiteral("转至.."));
    NGoKb_->setObjectName("NGoKb");
    connect(NGoKb_, &QAction::triggered, this, &TimetablePage::goToKb);
    pmKb_->addSeparator();
    pmKb_->addAction(actPrevKb_);
    pmKb_->addAction(actNextKb_);
    pmKb_->addAction(actUndoKb_);
    pmKb_->addAction(actRedoKb_);
}

QAction* TimetablePage::action(const char* name) const
{
    return findChild<QAction*>(QString::fromUtf8(name));
}

void TimetablePage::setExportHandler(std::function<void()> f)
{
    exportHandler_ = std::move(f);
    actExKb_->setEnabled(static_cast<bool>(exportHandler_));
}

// ---------------------------------------------------------------- Page

void TimetablePage::load(int table)
{
    enterStep(table);
}

bool TimetablePage::save()
{
    return saveKb();
}

QString TimetablePage::statusText() const
{
    return QStringLiteral("提示：选择“表格样式”，选择一种自己习惯的课程表格式进行操作和打印。");
}

QMenu* TimetablePage::pageMenu()
{
    return pmTs6_;
}

void TimetablePage::leave()
{
    freeStep();
}

void TimetablePage::showTable(int table)
{
    if (!kb_.loaded)
        return;
    if (table == KbBan) {
        showBanPage();
    } else if (table == KbTea) {
        showTeaPage();
    } else if (table == KbAll || table == KbRenke) {
        SelKB = table;
        const int target = tavrin::ui::pageOfTable(table);
        shell().switchToPage(target);
        if (Page* p = shell().page(target); p && p != this)
            p->showTable(table);
    }
}

void TimetablePage::showEvent(QShowEvent* e)
{
    Page::showEvent(e);
    // Another page of the step may hand over by showing this one with its switch button
    // pressed; show the table the button names.
    if (!kb_.loaded || loading_)
        return;
    for (int k : {KbBan, KbTea}) {
        QAbstractButton* b = shell().biaoButton(k);
        if (b && b->isChecked() && SelKB != k) {
            showTable(k);
            return;
        }
    }
}

// ---------------------------------------------------------------- the step

void TimetablePage::enterStep(int table)
{
    loading_ = true;
    try {
        doc_.load(shell().store());
    } catch (...) {
        loading_ = false;
        freeStep();
        throw;
    }
    history_.clear();
    held_ = {};
    overflowTold_ = 0;
    SelKB = 0;
    NowBan = 1;
    NowTea = 1;
    GoKbId = 0;
    shown_ = KbSide::Ban;
    cellW_ = cellH_ = 0;
    applyShape();
    fillPickers();
    for (auto* a : {actPrevKb_, actNextKb_, actUndoKb_, actRedoKb_})
        a->setEnabled(false);
    edtFnKebiao_->blockSignals(true);
    edtFnKebiao_->clear();
    edtFnKebiao_->blockSignals(false);

    // Checking the other radio button acts as a layout change, which stores it again.
    KbLayout = shell().kbLayout() == 2 ? 2 : 1;
    minPanels_->setKbLayout(KbLayout);
    // The floating mini timetable lives from here until the step is left.
    delete minFrm_;
    minFrm_ = new MinFrm(window());
    layoutMinFrm();
    loading_ = false;
    QRadioButton* rb = KbLayout == 2 ? rbShow2_ : rbShow1_;
    if (!rb->isChecked())
        rb->setChecked(true);
    else
        setMinFrmWidth(minFrmWidth(KbLayout, weekShape()));

    if (kb_.school.MaxBanID < 1)
        return;
    showBanPage();
    if (table == KbTea)
        showTeaPage();
    else if (table == KbAll || table == KbRenke)
        showTable(table);
}

void TimetablePage::freeStep()
{
    if (drag_)
        drag_->cancel();
    overflowTold_ = 0;
    doc_.free();
    delete minFrm_;
    minFrm_ = nullptr;
    minPanels_->clear();
    chnList_->clear();
    history_.clear();
    held_ = {};
    SelKB = 0;
    NowBan = 0;
    NowTea = 0;
    KbLayout = 0;
    GoKbId = 0;
    cellW_ = cellH_ = 0;
    grid_->clear();
    grid_->setCellFunction([this](int s) { return gridCell(s); });
    holding_->area()->clear();
    for (auto* c : {cbbBan_, cbbTea_}) {
        c->blockSignals(true);
        c->clear();
        c->blockSignals(false);
    }
    for (auto* a : {actPrevKb_, actNextKb_, actUndoKb_, actRedoKb_})
        a->setEnabled(false);
}

bool TimetablePage::saveKb()
{
    if (!kb_.loaded)
        return true;
    store::Result r;
    {
        tavrin::ui::Busy busy(window());
        r = doc_.save(shell().store());
    }
    shell().asker().inform(QString::fromStdString(r.message), {},
                           r.ok ? tavrin::ui::Icon::Information : tavrin::ui::Icon::Warning);
    return r.ok;
}

void TimetablePage::applyShape()
{
    const model::School& s = kb_.school;
    grid_->setWeek(s.theDay, s.P());
    layoutGrid();
    QStringList periods, days;
    for (int j = 1; j <= s.P(); ++j)
        periods << qs(periodHeader(s, j));
    for (int d = 1; d <= s.theDay; ++d)
        days << qs(dayHeader(s, d));
    grid_->setPeriodHeaders(periods);
    grid_->setDayHeaders(days);
}

void TimetablePage::fillPickers()
{
    const model::School& s = kb_.school;
    for (auto* c : {cbbBan_, cbbTea_}) {
        c->blockSignals(true);
        c->clear();
    }
    // Item i stands for id i + 1.
    for (int b = 1; b <= s.MaxBanID; ++b)
        cbbBan_->addItem(qs(s.BanName[static_cast<std::size_t>(b)]));
    for (int t = 1; t <= s.TeaOldNum; ++t)
        cbbTea_->addItem(qs(s.TeaName[static_cast<std::size_t>(t)]));
    for (auto* c : {cbbBan_, cbbTea_})
        c->blockSignals(false);
    markPickers();
}

// Entries with held lessons carry a mark and say how many, so they are found without
// visiting every class; the names stay as they are for the search.
void TimetablePage::markPickers()
{
    const QIcon mark = [] {
        QPixmap p(10, 10);
        p.fill(Qt::transparent);
        QPainter painter(&p);
        painter.setRenderHint(QPainter::Antialiasing);
        painter.setPen(Qt::NoPen);
        painter.setBrush(QColor(0xc0, 0x50, 0x10));
        painter.drawEllipse(1, 1, 8, 8);
        return QIcon(p);
    }();
    for (const KbSide side : {KbSide::Ban, KbSide::Tea}) {
        QComboBox* c = side == KbSide::Ban ? cbbBan_ : cbbTea_;
        const std::vector<int> counts = heldCounts(kb_, side);
        for (int i = 0; i < c->count(); ++i) {
            const auto id = static_cast<std::size_t>(i + 1);
            const int n = id < counts.size() ? counts[id] : 0;
            c->setItemIcon(i, n > 0 ? mark : QIcon());
            c->setItemData(i, n > 0 ? QStringLiteral("%1节未排").arg(n) : QVariant(), Qt::ToolTipRole);
        }
    }
}

KbShow TimetablePage::show() const
{
    return {chkShow1_->isChecked(), chkShow2_->isChecked()};
}

bool TimetablePage::showMovFrm() const
{
    return chkShowMovFrm_->isChecked();
}

// ---------------------------------------------------------------- switching and picking

void TimetablePage::pressBiao(int k)
{
    if (QAbstractButton* b = shell().biaoButton(k))
        b->setChecked(true);
}

// The class page and the teacher page differ only in their picker, texts and grid filler.
void TimetablePage::presentPage(bool ban, int id)
{
    // A class name typed in the search box means nothing among teachers, and the reverse.
    if (SelKB != (ban ? KbBan : KbTea)) {
        edtFnKebiao_->blockSignals(true);
        edtFnKebiao_->clear();
        edtFnKebiao_->blockSignals(false);
    }
    SelKB = ban ? KbBan : KbTea;
    overflowTold_ = 0;
    QComboBox* shown = ban ? cbbBan_ : cbbTea_;
    (ban ? cbbTea_ : cbbBan_)->hide();
    shown->show();
    chkShow2_->setText(ban ? QStringLiteral("显示教师") : QStringLiteral("显示班级"));
    edtFnKebiao_->setPlaceholderText(ban ? QStringLiteral("查找班级") : QStringLiteral("查找教师"));
    shown->blockSignals(true);
    shown->setCurrentIndex(id - 1);
    shown->blockSignals(false);
    if (ban)
        ShowKeBiao_B(id);
    else
        ShowKeBiao_T(id);
}

void TimetablePage::showPageOf(bool ban)
{
    const int id = ban ? NowBan : NowTea;
    const int max = ban ? kb_.school.MaxBanID : kb_.school.TeaOldNum;
    if (!kb_.loaded || id < 1 || id > max)
        return;
    if (shell().currentIndex() != index())
        shell().switchToPage(index());
    presentPage(ban, id);
    addHistory(ban ? banPage(id) : teaPage(id));
    layoutGrid();
    pressBiao(ban ? KbBan : KbTea);
    shell().setStatus({});
}

void TimetablePage::showBanPage() { showPageOf(true); }

void TimetablePage::showTeaPage() { showPageOf(false); }

void TimetablePage::showBan(int ban)
{
    if (ban < 1 || ban > kb_.school.MaxBanID)
        return;
    NowBan = ban;
    showBanPage();
}

void TimetablePage::showTea(int tea)
{
    if (tea < 1 || tea > kb_.school.TeaOldNum)
        return;
    NowTea = tea;
    showTeaPage();
}

void TimetablePage::pickBan(int i)
{
    if (!kb_.loaded || i < 0 || i >= kb_.school.MaxBanID)
        return;
    NowBan = i + 1;
    overflowTold_ = 0;
    ShowKeBiao_B(NowBan);
    addHistory(banPage(NowBan));
}

void TimetablePage::pickTea(int i)
{
    if (!kb_.loaded || i < 0 || i >= kb_.school.TeaOldNum)
        return;
    NowTea = i + 1;
    overflowTold_ = 0;
    ShowKeBiao_T(NowTea);
    addHistory(teaPage(NowTea));
}

void TimetablePage::movePicker(int delta)
{
    QComboBox* c = SelKB == KbTea ? cbbTea_ : cbbBan_;
    const int i = c->currentIndex() + delta;
    if (i < 0 || i >= c->count())
        return;  // no wrap-around
    c->blockSignals(true);
    c->setCurrentIndex(i);
    c->blockSignals(false);
    if (c == cbbTea_)
        pickTea(i);
    else
        pickBan(i);
}

void TimetablePage::search(const QString& text)
{
    if (!kb_.loaded)
        return;
    QComboBox* c = SelKB == KbTea ? cbbTea_ : cbbBan_;
    std::vector<std::string> items;
    items.reserve(static_cast<std::size_t>(c->count()));
    for (int i = 0; i < c->count(); ++i)
        items.push_back(c->itemText(i).toStdString());
    const int i = findPickerItem(items, text.toStdString());
    if (i < 0)
        return;
    c->blockSignals(true);
    c->setCurrentIndex(i);
    c->blockSignals(false);
    if (c == cbbTea_)
        pickTea(i);
    else
        pickBan(i);
}

// ---------------------------------------------------------------- history

void TimetablePage::syncHistoryActions()
{
    actPrevKb_->setEnabled(history_.canBack());
    actNextKb_->setEnabled(history_.canForward());
}

void TimetablePage::addHistory(int page)
{
    history_.add(page);
    syncHistoryActions();
}

void TimetablePage::backKb()
{
    if (!kb_.loaded || !actPrevKb_->isEnabled())
        return;
    const int p = history_.back();
    syncHistoryActions();
    showPageCode(p);
}

void TimetablePage::forwardKb()
{
    if (!kb_.loaded || !actNextKb_->isEnabled())
        return;
    const int p = history_.forward();
    syncHistoryActions();
    showPageCode(p);
}

void TimetablePage::showPageCode(int p)
{
    const bool tea = p > kTeaPageBase;
    const int id = tea ? p - kTeaPageBase : p - kBanPageBase;
    if (p <= kBanPageBase || id > (tea ? kb_.school.TeaOldNum : kb_.school.MaxBanID))
        return;
    (tea ? NowTea : NowBan) = id;
    presentPage(!tea, id);
    pressBiao(tea ? KbTea : KbBan);
}

// ---------------------------------------------------------------- drawing

KbGridCell TimetablePage::toGridCell(const KbCell& c) const
{
    KbGridCell g{qs(c.text), c.look, c.enabled, c.draggable};
    if (c.renke >= 0 && c.renke < kb_.school.renkeSize())
        g.tint = tavrin::ui::subjectTint(kb_.school.RenkeKe[static_cast<std::size_t>(c.renke)]);
    return g;
}

KbGridCell TimetablePage::gridCell(int slot) const
{
    if (!kb_.loaded)
        return {};
    if (shown_ == KbSide::Tea)
        return toGridCell(teaCell(kb_.school, kb_.gridT(), NowTea, slot, show()));
    return toGridCell(banCell(kb_.school, kb_.gridB(), NowBan, slot, show()));
}

void TimetablePage::redraw()
{
    if (!kb_.loaded)
        return;
    if (shown_ == KbSide::Tea)
        ShowKeBiao_T(NowTea);
    else
        ShowKeBiao_B(NowBan);
}

void TimetablePage::ShowKeBiao_B(int ban)
{
    if (!kb_.loaded || ban < 1 || ban > kb_.school.MaxBanID)
        return;
    NowBan = ban;
    shown_ = KbSide::Ban;
    grid_->refresh();
    grid_->setCornerText(qs(kbTitle(kb_, KbSide::Ban, ban)));
    fillHolding();
    fillMiniPanels();
}

void TimetablePage::ShowKeBiao_T(int tea)
{
    if (!kb_.loaded || tea < 1 || tea > kb_.school.TeaOldNum)
        return;
    NowTea = tea;
    shown_ = KbSide::Tea;
    grid_->refresh();
    grid_->setCornerText(qs(kbTitle(kb_, KbSide::Tea, tea)));
    fillHolding();
    fillMiniPanels();
}

void TimetablePage::fillHolding()
{
    const KbSide side = shown_;
    const int id = side == KbSide::Ban ? NowBan : NowTea;
    held_ = listHolding(kb_, side, id);
    // The first N held lessons are shown and the page is finished as always; the overflow
    // is said once per showing of the timetable, not at every redraw after an edit.
    layoutHolding();
    setLockButtons();
    markPickers();
    const int code = side == KbSide::Ban ? banPage(id) : teaPage(id);
    if (held_.overflow && overflowTold_ != code) {
        overflowTold_ = code;
        shell().asker().inform(QString::fromUtf8(holdingOverflowText(side)));
    } else if (!held_.overflow && overflowTold_ == code) {
        overflowTold_ = 0;
    }
}

void TimetablePage::layoutHolding()
{
    if (!kb_.loaded)
        return;
    const tavrin::ui::GridGeometry& geo = grid_->geometry();
    if (geo.cellW <= 0 || geo.cellH <= 0)
        return;
    if (geo.cellW != cellW_ || geo.cellH != cellH_) {
        doc_.scaleHoldingPlaces(cellW_, cellH_, geo.cellW, geo.cellH);
        cellW_ = geo.cellW;
        cellH_ = geo.cellH;
    }
    const bool tea = shown_ == KbSide::Tea;
    const KbSide side = shown_;
    const auto places = doc_.placeHolding(held_, tea, geo.cellW, geo.cellH, holding_->areaWidth());
    std::vector<KbHeldTile> tiles(places.size());
    for (int n = 1; n <= held_.count; ++n) {
        const auto i = static_cast<std::size_t>(n);
        const KbRect& r = places[i];
        tiles[i] = {QRect(r.left, r.top, r.width, r.height), toGridCell(heldCell(kb_, held_.TmpKe[i], side, show()))};
    }
    holding_->area()->setTiles(std::move(tiles), geo.fontSize);
    fitHoldingHeight();
}

// The holding area grows to the height its lessons need when a lesson would be cut off at
// its bottom, up to half of the grid's column, and shrinks back to its starting height when
// they need less; the grid gives up or takes back the room.
void TimetablePage::fitHoldingHeight()
{
    if (sizingHolding_ || !holdingSized_ || spl4_->count() < 2)
        return;
    const int cellH = grid_->geometry().cellH;
    if (cellH <= 0)
        return;
    QWidget* pane = spl4_->widget(1);
    const int head = pane->height() - holding_->height();
    int bottom = 0;
    const auto& tiles = holding_->area()->tiles();
    for (std::size_t i = 1; i < tiles.size(); ++i)
        bottom = std::max(bottom, tiles[i].rect.bottom() + 1);
    const int view = holding_->viewport()->height();
    const QList<int> sizes = spl4_->sizes();
    const int total = spl4_->height() - spl4_->handleWidth();
    if (sizes.size() < 2 || total <= 0)
        return;
    int want = sizes[1];
    if (bottom + 2 > view)
        want = head + bottom + 4 + holding_->horizontalScrollBar()->sizeHint().height();
    else if (sizes[1] > kHoldingHeight && bottom + 2 + cellH < view)
        want = std::max(kHoldingHeight, head + bottom + 4);
    want = std::min(want, std::max(kHoldingHeight, total / 2));
    if (std::abs(sizes[1] - want) <= 4)
        return;
    sizingHolding_ = true;
    spl4_->setSizes({total - want, want});
    sizingHolding_ = false;
}

void TimetablePage::setLockButtons()
{
    const bool locked = shown_ == KbSide::Tea ? kb_.teaLocked(NowTea) : kb_.banLocked(NowBan);
    btnLock_->setVisible(!locked);
    btnUnLock_->setVisible(locked);
}

void TimetablePage::layoutGrid()
{
    const model::School& s = kb_.school;
    const KbWeekShape week{s.theDay, s.mor, s.aft, s.nig};
    grid_->setGeometryFunction([layout = KbLayout == 2 ? 2 : 1, week](QSize size) {
        return tavrin::ui::kbPageGeometry(layout, size, week);
    });
}

KbWeekShape TimetablePage::weekShape() const
{
    const model::School& s = kb_.school;
    return {s.theDay, s.mor, s.aft, s.nig};
}

// ---------------------------------------------------------------- layout, menus, locks

void TimetablePage::onLayoutRadio(int layout)
{
    if (loading_)
        return;
    KbLayout = layout;
    try {
        storeKbLayout(shell().store(), layout);
    } catch (const std::exception& e) {
        shell().asker().inform(QString::fromUtf8(e.what()), QStringLiteral("Tavrin"), tavrin::ui::Icon::Critical);
    }
    layoutGrid();
    minPanels_->setKbLayout(layout);
    setMinFrmWidth(minFrmWidth(layout, weekShape()));
}

void TimetablePage::setMinFrmWidth(int w)
{
    // The grid gets back whatever the column of mini timetables gives up.
    scrlbxMinFrm_->setFixedWidth(w);
    const int total = spl6_->width() - spl6_->handleWidth();
    if (total > w)
        spl6_->setSizes({total - w, w});
}

void TimetablePage::setKbLayout(int layout)
{
    QRadioButton* rb = layout == 2 ? rbShow2_ : rbShow1_;
    if (!rb->isChecked())
        rb->setChecked(true);
    else
        onLayoutRadio(layout == 2 ? 2 : 1);
}

int TimetablePage::prepareCellMenu(int slot, bool held)
{
    GoKbId = 0;
    if (kb_.loaded) {
        const KbSide side = shown_;
        int r = -1;
        if (held) {
            if (slot >= 1 && slot <= held_.count)
                r = held_.TmpKe[static_cast<std::size_t>(slot)];
        } else if (slot >= 1 && slot <= kb_.N()) {
            r = side == KbSide::Ban ? kb_.cellB(NowBan, slot) : kb_.cellT(NowTea, slot);
        }
        GoKbId = goToTarget(kb_.school, r, side);
        if (GoKbId >= 1) {
            const QString caption = qs(goToCaption(kb_.school, side, GoKbId));
            NGoKb_->setText(caption);
            // Long names in wide quotes measure short in the menu's own metrics; the menu
            // is made wide enough to show the caption whole.
            QString shown = caption;
            shown.remove(QLatin1Char('&'));
            pmKb_->setMinimumWidth(QFontMetrics(pmKb_->font()).horizontalAdvance(shown) * 5 / 4 + 64);
        }
    }
    NGoKb_->setVisible(GoKbId >= 1);
    return GoKbId;
}

void TimetablePage::goToKb()
{
    if (!kb_.loaded || GoKbId < 1)
        return;
    if (shown_ == KbSide::Tea)
        showBan(GoKbId);
    else
        showTea(GoKbId);
}

void TimetablePage::lockShown(bool on)
{
    if (!kb_.loaded)
        return;
    if (shown_ == KbSide::Tea)
        doc_.setTeaLocked(NowTea, on);
    else
        doc_.setBanLocked(NowBan, on);
}

void TimetablePage::kbChanged(const KbChange& c)
{
    using K = KbChange::Kind;
    if (c.kind == K::Freed) {
        finder_.reset();
        chnList_->clear();
        return;
    }
    if (c.kind == K::Loaded || !finder_)
        finder_ = std::make_unique<ChangeFinder>(kb_.school);
    // The list follows every change, made on this page or any other.
    chnList_->rebuild(kb_, *finder_);
    if (drag_ && drag_->active() && c.kind != K::Holding)
        drag_->cancel();
    // A lock is no step of the ring, yet only the save keeps it: it marks the step changed
    // like any edit, so that leaving asks the save question.
    if (!loading_ && (c.kind == K::Step || c.kind == K::Undo || c.kind == K::Redo || c.kind == K::Lock))
        shell().setDataChanged(true);
    syncUndoActions();
    if (c.kind != K::Loaded && !loading_ && !(drag_ && drag_->active()))
        redraw();
}

void TimetablePage::setChangedExportHandler(std::function<void(const std::vector<ChangedTable>&)> f)
{
    changedExportHandler_ = std::move(f);
    btnOutChn_->setEnabled(static_cast<bool>(changedExportHandler_));
}

void TimetablePage::setNoticeHandler(std::function<void()> f)
{
    noticeHandler_ = std::move(f);
    btnOutTz_->setEnabled(static_cast<bool>(noticeHandler_));
}

// ---------------------------------------------------------------- the aids beside the timetable

void TimetablePage::fillMiniPanels()
{
    if (!kb_.loaded || !finder_)
        return;
    minPanels_->fill(kb_, *finder_, shown_, shownId());
}

void TimetablePage::openOther(KbSide side, int id)
{
    if (side == KbSide::Tea)
        showTea(id);
    else
        showBan(id);
}

void TimetablePage::layoutMinFrm()
{
    if (!minFrm_ || !kb_.loaded)
        return;
    QStringList days;
    for (int d = 1; d <= kb_.school.theDay; ++d)
        days << qs(miniDayHeader(kb_.school, d));
    // The floating copy is one grid cell wide (at least 24 pixels).
    minFrm_->layoutFor(KbLayout, std::max(grid_->geometry().cellW, 24), weekShape(), days);
}

void TimetablePage::startMinFrm(const KbDrag& d)
{
    if (!minFrm_ || !showMovFrm())
        return;
    minFrm_->fill(kb_, d);
    followMinFrm(d, drag_->floatingCopy()->geometry().center());
}

void TimetablePage::followMinFrm(const KbDrag& d, const QPoint& at)
{
    if (!minFrm_)
        return;
    if (!showMovFrm() || minFrm_->shownId() == 0) {
        minFrm_->hide();
        return;
    }
    const QLabel* copy = drag_->floatingCopy();
    const QRect global(copy->mapToGlobal(QPoint(0, 0)), copy->size());
    // The marker sits in the mini cell where the pointer sits in the grid's cell.
    const int slot = d.over();
    QPoint inCell;
    if (slot >= 1) {
        const QRect cell = grid_->geometry().slot(slot);
        const QPoint g = grid_->mapFrom(this, at) - cell.topLeft();
        const QRect mini = minFrm_->cellGeometry().slot(slot);
        if (cell.width() > 0 && cell.height() > 0)
            inCell = QPoint(g.x() * mini.width() / cell.width(), g.y() * mini.height() / cell.height());
    }
    const QScreen* screen = window()->screen();
    minFrm_->follow(global, slot, inCell, screen ? screen->availableGeometry() : QRect());
}

void TimetablePage::syncUndoActions()
{
    actUndoKb_->setEnabled(doc_.canUndo());
    actRedoKb_->setEnabled(doc_.canRedo());
}

void TimetablePage::showStepOf(int record)
{
    if (record > kTeaPageBase) {
        if (record - kTeaPageBase != NowTea || shown_ != KbSide::Tea)
            showTea(record - kTeaPageBase);
    } else if (record > kBanPageBase) {
        if (record - kBanPageBase != NowBan || shown_ != KbSide::Ban)
            showBan(record - kBanPageBase);
    }
}

void TimetablePage::undoKb()
{
    stepRing(false);
}

void TimetablePage::redoKb()
{
    stepRing(true);
}

void TimetablePage::stepRing(bool redo)
{
    if (!kb_.loaded || !(redo ? doc_.canRedo() : doc_.canUndo()))
        return;
    if (const std::string why = redo ? doc_.redoRefusal() : doc_.undoRefusal(); !why.empty()) {
        shell().asker().inform(qs(why), redo ? QStringLiteral("重做") : QStringLiteral("撤消"), tavrin::ui::Icon::Warning);
        return;
    }
    if (const auto c = redo ? doc_.redo() : doc_.undo())
        showStepOf(c->record);
}

}  // namespace tavrin::timetable::ui

namespace {
const bool registered = tavrin::ui::registerPage(6, [](tavrin::ui::Shell& sh) {
    return new tavrin::timetable::ui::TimetablePage(sh);
});
}  // namespace
