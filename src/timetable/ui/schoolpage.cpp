#include "timetable/ui/schoolpage.h"

#include <QAbstractButton>
#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QEvent>
#include <QHBoxLayout>
#include <QLabel>
#include <QListWidget>
#include <QMenu>
#include <QPushButton>
#include <QScrollBar>
#include <QToolButton>
#include <QVBoxLayout>

#include "timetable/ui/timetablepage.h"
#include "ui/asker.h"
#include "ui/kbstep.h"

namespace tavrin::timetable::ui {

using tavrin::ui::KbAll;
using tavrin::ui::KbBan;
using tavrin::ui::KbRenke;
using tavrin::ui::KbTea;
using tavrin::ui::SchoolGrid;
using tavrin::ui::schoolColor;

namespace {

QString qs(const std::string& s)
{
    return QString::fromStdString(s);
}

const std::string& nameAt(const std::vector<std::string>& v, int i)
{
    static const std::string none;
    return i >= 0 && static_cast<std::size_t>(i) < v.size() ? v[static_cast<std::size_t>(i)] : none;
}

// The pictures of a drag's marks on the row, as the class page draws them.
QColor markColor(KbLook look)
{
    switch (look) {
    case KbLook::OkPai:
        return {0x3B, 0x8E, 0x3B};
    case KbLook::LimPai:
        return {0xC0, 0x86, 0x20};
    case KbLook::No:
        return {0x3A, 0x3A, 0x3A};
    case KbLook::SamKe:
        return {0x2F, 0x64, 0xA8};
    case KbLook::Locked:
        return schoolColor(SchoolColour::Locked);
    case KbLook::Gudin:
        return schoolColor(SchoolColour::Fixed);
    default:
        return {};
    }
}

}  // namespace

// ---------------------------------------------------------------- both tables

SchoolTablePage::SchoolTablePage(tavrin::ui::Shell& shell, int index, QWidget* parent)
    : Page(shell, index, parent), doc_(shell.kbStep().document())
{
    auto* v = new QVBoxLayout(this);
    v->setContentsMargins(0, 0, 0, 0);
    v->setSpacing(0);
    top_ = new QWidget(this);
    auto* h = new QHBoxLayout(top_);
    h->setContentsMargins(6, 4, 6, 4);
    v->addWidget(top_);
    grid_ = new SchoolGrid(this);
    grid_->setObjectName(index == 7 ? QStringLiteral("scrlbxKbAll") : QStringLiteral("scrlbxKbRk"));
    v->addWidget(grid_, 1);
    menu_ = new QMenu(this);
    connect(&shell.kbStep(), &tavrin::ui::KbStep::changed, this, [this](const KbChange& c) { kbChanged(c); });
}

QAction* SchoolTablePage::addAction(QMenu* m, const char* name, const char* caption)
{
    auto* a = m->addAction(QString::fromUtf8(caption));
    a->setObjectName(QString::fromUtf8(name));
    return a;
}

QAction* SchoolTablePage::action(const char* name) const
{
    return findChild<QAction*>(QString::fromUtf8(name));
}

void SchoolTablePage::buildShowBoxes(const char* second, const char* name1, const char* name2)
{
    auto* h = static_cast<QHBoxLayout*>(top_->layout());
    h->addWidget(new QLabel(QStringLiteral("显示内容"), top_));
    chk1_ = new QCheckBox(QStringLiteral("显示科目"), top_);
    chk1_->setObjectName(QString::fromUtf8(name1));
    chk2_ = new QCheckBox(QString::fromUtf8(second), top_);
    chk2_->setObjectName(QString::fromUtf8(name2));
    for (auto* c : {chk1_, chk2_}) {
        c->setChecked(true);
        h->addWidget(c);
        connect(c, &QCheckBox::toggled, this, [this] { grid_->refresh(); });
    }
}

KbShow SchoolTablePage::show() const
{
    return {chk1_->isChecked(), chk2_->isChecked()};
}

void SchoolTablePage::load(int table)
{
    if (auto* tp = TimetablePage::of(shell())) {
        // The class page runs the step's entry and hands over to this table.
        tp->enterStep(table == KbRenke || table == KbAll ? table : tableKind());
        return;
    }
    doc_.load(shell().store());
    present();
}

bool SchoolTablePage::save()
{
    if (auto* tp = TimetablePage::of(shell()))
        return tp->saveKb();
    const store::Result r = doc_.save(shell().store());
    shell().asker().inform(qs(r.message), {}, r.ok ? tavrin::ui::Icon::Information : tavrin::ui::Icon::Warning);
    return r.ok;
}

void SchoolTablePage::leave()
{
    if (auto* tp = TimetablePage::of(shell()))
        tp->freeStep();
    else
        doc_.free();
}

void SchoolTablePage::showTable(int table)
{
    if (!doc_.loaded())
        return;
    if (table == tableKind()) {
        present();
        return;
    }
    if (table == KbBan || table == KbTea) {
        if (auto* tp = TimetablePage::of(shell()))
            tp->showTable(table);
        return;
    }
    const int target = tavrin::ui::pageOfTable(table);
    shell().switchToPage(target);
    if (Page* p = shell().page(target); p && p != this)
        p->showTable(table);
}

void SchoolTablePage::addExport(QPushButton* button, QAction* entry)
{
    btnEx_ = button;
    mniEx_ = entry;
    button->setEnabled(false);
    entry->setEnabled(false);
    auto run = [this] {
        if (export_)
            export_();
    };
    connect(button, &QPushButton::clicked, this, run);
    connect(entry, &QAction::triggered, this, run);
}

void SchoolTablePage::setExportHandler(std::function<void()> f)
{
    export_ = std::move(f);
    btnEx_->setEnabled(static_cast<bool>(export_));
    mniEx_->setEnabled(static_cast<bool>(export_));
}

void SchoolTablePage::present()
{
    if (shell().currentIndex() != index())
        shell().switchToPage(index());
    fillShape();
    if (QAbstractButton* b = shell().biaoButton(tableKind()))
        b->setChecked(true);
    shell().setStatus(statusText());
    grid_->setFocus(Qt::OtherFocusReason);
}

void SchoolTablePage::fillTable(KbSide side, const std::string& corner)
{
    const model::School& s = doc_.school();
    const int rows = side == KbSide::Ban ? s.MaxBanID : s.TeaOldNum;
    grid_->setShape(doc_.loaded() ? rows : 0, s.week());
    QStringList names, days, slots;
    for (int id = 1; id <= rows; ++id)
        names << qs(kbName(s, side, id));
    for (int d = 1; d <= s.theDay; ++d)
        days << qs(dayHeader(s, d));
    for (int slot = 1; slot <= s.N(); ++slot)
        slots << qs(slotHeader(s, slot));
    grid_->setRowNames(names);
    grid_->setDayHeaders(days);
    grid_->setSlotHeaders(slots);
    grid_->setCornerText(qs(corner));
    grid_->setBodyColor(schoolColor(SchoolColour::Body));
}

void SchoolTablePage::kbChanged(const KbChange& c)
{
    if (c.kind == KbChange::Kind::Freed) {
        grid_->setShape(0, {});
        return;
    }
    if (c.kind != KbChange::Kind::Holding && c.kind != KbChange::Kind::Saved)
        grid_->refresh();
}

// ---------------------------------------------------------------- ts7

SchoolPage::SchoolPage(tavrin::ui::Shell& shell, QWidget* parent) : SchoolTablePage(shell, 7, parent)
{
    top_->setObjectName(QStringLiteral("pnlTs6Top"));
    auto* h = static_cast<QHBoxLayout*>(top_->layout());
    undo_ = new QAction(QStringLiteral("撤消"), this);
    undo_->setObjectName(QStringLiteral("actUndoKbAll"));
    undo_->setShortcut(QKeySequence::Undo);
    redo_ = new QAction(QStringLiteral("重做"), this);
    redo_->setObjectName(QStringLiteral("actRedoKbAll"));
    redo_->setShortcut(QKeySequence::Redo);
    for (QAction* a : {undo_, redo_}) {
        a->setShortcutContext(Qt::WidgetWithChildrenShortcut);
        a->setEnabled(false);
        QWidget::addAction(a);
    }
    connect(undo_, &QAction::triggered, this, &SchoolPage::undoKb);
    connect(redo_, &QAction::triggered, this, &SchoolPage::redoKb);
    auto tool = [&](const char* name, QAction* a) {
        auto* b = new QToolButton(top_);
        b->setObjectName(QString::fromUtf8(name));
        b->setDefaultAction(a);
        h->addWidget(b);
    };
    tool("btnUndoKbAll", undo_);
    tool("btnRedoKbAll", redo_);
    auto button = [&](const char* name, const char* caption) {
        auto* b = new QPushButton(QString::fromUtf8(caption), top_);
        b->setObjectName(QString::fromUtf8(name));
        h->addWidget(b);
        return b;
    };
    connect(button("btnAll", "全部锁定"), &QPushButton::clicked, this, [this] { doc_.lockAllBans(); });
    connect(button("btnUnlockAll", "全部解锁"), &QPushButton::clicked, this, [this] { doc_.unlockAll(); });
    buildShowBoxes("显示教师", "chkKbAllShow1", "chkKbAllShow2");
    btnEx_ = button("btnExKball", "导出打印");
    h->addStretch(1);

    grid_->setDragEnabled(true);
    grid_->setCellFunction([this](int ban, int slot) { return cellOf(ban, slot); });
    connect(grid_, &SchoolGrid::cellClicked, this, &SchoolPage::onCellClicked);
    connect(grid_, &SchoolGrid::rowNameClicked, this, [this](int ban) {
        closePick();
        doc_.setBanLocked(ban, !doc_.data().banLocked(ban));
        grid_->setFocus();
    });
    connect(grid_, &SchoolGrid::dragStarted, this, &SchoolPage::onDragStarted);
    connect(grid_, &SchoolGrid::dragMoved, this, &SchoolPage::onDragMoved);
    connect(grid_, &SchoolGrid::dragDropped, this, &SchoolPage::onDragDropped);
    connect(grid_, &SchoolGrid::dragCancelled, this, &SchoolPage::endDrag);
    connect(grid_, &SchoolGrid::cellMenuRequested, this, [this](int ban, int slot, const QPoint& at) {
        closePick();
        prepareCellMenu(ban, slot);
        pmKbAll_->popup(at);
    });
    connect(grid_->verticalScrollBar(), &QScrollBar::valueChanged, this, [this] { closePick(); });
    connect(grid_->horizontalScrollBar(), &QScrollBar::valueChanged, this, [this] { closePick(); });

    pickList_ = new QListWidget(grid_->viewport());
    pickList_->setObjectName(QStringLiteral("scrlbxKbAllTmp"));
    pickList_->hide();
    pickList_->setSpacing(0);
    pickList_->setStyleSheet(QStringLiteral("QListWidget { background: #484848; border: 2px solid white; }"));
    pickList_->installEventFilter(this);
    connect(pickList_, &QListWidget::itemClicked, this,
            [this](QListWidgetItem* it) { onPick(pickList_->row(it)); });
    hint_ = new QLabel(grid_->viewport());
    hint_->setObjectName(QStringLiteral("lblKbAllInfo"));
    hint_->setWordWrap(true);
    hint_->setStyleSheet(QStringLiteral("QLabel { background: #FFFFE1; color: black; border: 1px solid #808080; padding: 3px; }"));
    hint_->hide();

    pmKbAll_ = new QMenu(this);
    pmKbAll_->setObjectName(QStringLiteral("pmKbAll"));
    toBan_ = addAction(pmKbAll_, "mniNAllToBan", "转至班");
    toTea_ = addAction(pmKbAll_, "mniNAllToTea", "转至教师");
    pmKbAll_->addSeparator();
    pmKbAll_->addAction(undo_);
    pmKbAll_->addAction(redo_);
    pmKbAll_->addSeparator();
    hotKe_ = addAction(pmKbAll_, "NHotKe", "突出显示科");
    hotTea_ = addAction(pmKbAll_, "NHotTea", "突出显示人");
    hotKe_->setCheckable(true);
    hotTea_->setCheckable(true);
    connect(toBan_, &QAction::triggered, this, [this] {
        if (auto* tp = TimetablePage::of(this->shell()))
            tp->showBan(popBan_);
    });
    connect(toTea_, &QAction::triggered, this, [this] {
        const int r = doc_.data().cellB(popBan_, popSlot_);
        if (auto* tp = TimetablePage::of(this->shell()); tp && doc_.school().isRealRenke(r))
            tp->showTea(doc_.school().RenkeTea[static_cast<std::size_t>(r)]);
    });
    connect(hotKe_, &QAction::triggered, this, [this] {
        const int r = doc_.data().cellB(popBan_, popSlot_);
        if (!doc_.school().isRealRenke(r))
            return;
        const int k = doc_.school().RenkeKe[static_cast<std::size_t>(r)];
        hot_.setKe(k, !hot_.keHot(k));
        grid_->refresh();
    });
    connect(hotTea_, &QAction::triggered, this, [this] {
        const int r = doc_.data().cellB(popBan_, popSlot_);
        if (!doc_.school().isRealRenke(r))
            return;
        const int t = doc_.school().RenkeTea[static_cast<std::size_t>(r)];
        hot_.setTea(t, !hot_.teaHot(t));
        grid_->refresh();
    });

    menu_->setObjectName(QStringLiteral("pmTs7"));
    connect(addAction(menu_, "mniTs7Save", "保存"), &QAction::triggered, this, [this] { this->shell().save(); });
    connect(addAction(menu_, "mniTs7Back", "返回"), &QAction::triggered, this, [this] { this->shell().goBack(); });
    menu_->addSeparator();
    connect(addAction(menu_, "mniTs7LockAll", "全校锁定"), &QAction::triggered, this, [this] { doc_.lockAllBans(); });
    connect(addAction(menu_, "mniTs7UnlockAll", "全校解锁"), &QAction::triggered, this, [this] { doc_.unlockAll(); });
    menu_->addSeparator();
    menu_->addAction(undo_);
    menu_->addAction(redo_);
    menu_->addSeparator();
    static const char* const tables[] = {"", "班级表", "教师表", "总课程表", "总任课表"};
    for (int k = 1; k <= 4; ++k)
        connect(addAction(menu_, QStringLiteral("mniTs7Biao%1").arg(k).toUtf8().constData(), tables[k]),
                &QAction::triggered, this, [this, k] { showTable(k); });
    menu_->addSeparator();
    addExport(btnEx_, addAction(menu_, "mniTs7Export", "导出Excel打印"));
    connect(addAction(menu_, "mniTs7Help", "帮助"), &QAction::triggered, this, [this] { this->shell().help(); });
}

int SchoolPage::tableKind() const
{
    return KbAll;
}

void SchoolPage::fillShape()
{
    fillTable(KbSide::Ban, schoolCornerText());
    syncUndo();
}

SchoolGrid::Cell SchoolPage::cellOf(int ban, int slot) const
{
    const KbData& kb = doc_.data();
    if (!kb.loaded)
        return {};
    const SchoolCell c = schoolBanCell(kb.school, kb.gridB(), ban, slot, show(), hot_);
    return {qs(c.text), schoolColor(c.fill), schoolColor(c.textColour), c.live, c.draggable};
}

void SchoolPage::kbChanged(const KbChange& c)
{
    using K = KbChange::Kind;
    if (c.kind == K::Freed)
        hot_.clear();
    if (c.kind != K::Holding && c.kind != K::Saved) {
        // Whatever the list or the drag was built on is gone.
        closePick();
        if (drag_.active())
            grid_->cancelDrag();
    }
    SchoolTablePage::kbChanged(c);
    syncUndo();
    if ((c.kind == K::Undo || c.kind == K::Redo) && c.record > kBanPageBase && c.record < kTeaPageBase && isVisible())
        grid_->scrollToRow(c.record - kBanPageBase);
}

void SchoolPage::syncUndo()
{
    undo_->setEnabled(doc_.canUndo());
    redo_->setEnabled(doc_.canRedo());
}

void SchoolPage::undoKb()
{
    stepRing(false);
}

void SchoolPage::redoKb()
{
    stepRing(true);
}

void SchoolPage::stepRing(bool redo)
{
    if (!doc_.loaded() || drag_.active() || !(redo ? doc_.canRedo() : doc_.canUndo()))
        return;
    if (const std::string why = redo ? doc_.redoRefusal() : doc_.undoRefusal(); !why.empty()) {
        shell().asker().inform(qs(why), redo ? QStringLiteral("重做") : QStringLiteral("撤消"),
                               tavrin::ui::Icon::Warning);
        return;
    }
    if (redo)
        doc_.redo();
    else
        doc_.undo();
}

// ---- the pick list

void SchoolPage::onCellClicked(int ban, int slot)
{
    if (drag_.active())
        return;
    switch (picker_.click(doc_.data(), ban, slot, show())) {
    case SchoolPicker::Click::Ignored:
        return;
    case SchoolPicker::Click::Closed:
    case SchoolPicker::Click::Fixed:
        pickList_->hide();
        hint_->hide();
        grid_->setFocus();
        return;
    case SchoolPicker::Click::Overflow:
        pickList_->hide();
        shell().setStatus(QString::fromUtf8(holdingOverflowText(KbSide::Ban)));
        return;
    case SchoolPicker::Click::Opened:
        break;
    }
    pickList_->clear();
    const QRect cell = grid_->cellRect(ban, slot);
    for (const SchoolPickEntry& e : picker_.entries()) {
        auto* it = new QListWidgetItem(qs(e.text), pickList_);
        it->setTextAlignment(Qt::AlignCenter);
        it->setSizeHint(cell.size() + QSize(0, 1));
        it->setForeground(Qt::white);
        it->setBackground(schoolColor(e.enabled ? SchoolColour::PickOk : SchoolColour::PickRefused));
        it->setToolTip(qs(oneLine(e.text)));
        if (!e.enabled) {
            it->setFlags(Qt::NoItemFlags);
            it->setToolTip(qs(e.hint));
        } else {
            it->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable);
        }
    }
    if (picker_.entries().empty()) {
        pickList_->hide();
        return;
    }
    const int y = static_cast<int>(picker_.entries().size()) * (cell.height() + 1) + 1;
    const int height = y > 166 ? 170 : y + 3;
    const int width = height < y ? cell.width() + 26 : cell.width() + 4;
    pickList_->setGeometry(cell.left() - 2, cell.bottom() + 1, width, height);
    pickList_->show();
    pickList_->raise();
    pickList_->setFocus();
}

void SchoolPage::onPick(int n)
{
    if (n < 0 || !picker_.isOpen())
        return;
    const MoveOutcome out = picker_.choose(doc_, static_cast<std::size_t>(n));
    closePick();
    grid_->setFocus();
    if (!out.result.ok && !out.result.message.empty())
        shell().setStatus(qs(out.result.message));
}

void SchoolPage::closePick()
{
    picker_.close();
    if (pickList_ && pickList_->isVisible())
        pickList_->hide();
}

bool SchoolPage::eventFilter(QObject* o, QEvent* e)
{
    if (o == pickList_ && e->type() == QEvent::FocusOut) {
        // The list hides itself when the focus leaves it, as a pop-up would; a press on the
        // table is left to the click, which closes the list on its own cell and moves it to
        // another, and to the drag, which closes it.
        if (QApplication::focusWidget() != grid_)
            closePick();
    }
    return SchoolTablePage::eventFilter(o, e);
}

// ---- the cell menu

void SchoolPage::prepareCellMenu(int ban, int slot)
{
    popBan_ = ban;
    popSlot_ = slot;
    const model::School& s = doc_.school();
    toBan_->setText(qs("打开“" + nameAt(s.BanName, ban) + "”"));
    const int r = doc_.loaded() ? doc_.data().cellB(ban, slot) : -1;
    const bool lesson = s.isRealRenke(r);
    for (QAction* a : {toTea_, hotKe_, hotTea_})
        a->setVisible(lesson);
    if (!lesson)
        return;
    const int t = s.RenkeTea[static_cast<std::size_t>(r)];
    const int k = s.RenkeKe[static_cast<std::size_t>(r)];
    toTea_->setText(qs("打开“" + nameAt(s.TeaName, t) + "”"));
    hotKe_->setText(qs("突出显示“" + nameAt(s.KemuName, k) + "”"));
    hotKe_->setChecked(hot_.keHot(k));
    hotTea_->setText(qs("突出显示“" + nameAt(s.TeaName, t) + "”"));
    hotTea_->setChecked(hot_.teaHot(t));
}

// ---- dragging

void SchoolPage::onDragStarted(int ban, int slot)
{
    closePick();
    if (!drag_.startCell(doc_.data(), KbSide::Ban, ban, slot)) {
        grid_->cancelDrag();
        return;
    }
    overSlot_ = 0;
    rowMarks(0, false);
    const KbRect img = dropImageRect(grid_->geometry(), ban, slot);
    QRect r(img.left, img.top, img.width, img.height);
    // A few rows, or a row scrolled to an edge, would put the image under a frozen strip or
    // past the window: it goes to the side of the cell that is in view.
    const KbRect cell = grid_->geometry().cell(ban, slot);
    const int top = grid_->verticalScrollBar()->value();
    const int bottom = top + grid_->viewport()->height() - grid_->topHeight();
    if (r.top() < top)
        r.moveTop(cell.bottom() + 4);
    else if (r.bottom() > bottom && cell.top - 90 >= top)
        r.moveTop(cell.top - 90);
    const int left = grid_->horizontalScrollBar()->value();
    const int right = left + grid_->viewport()->width() - grid_->leftWidth();
    if (r.left() < left)
        r.moveLeft(cell.left);
    else if (r.right() > right && cell.left - 200 >= left)
        r.moveLeft(cell.left - 200);
    grid_->setDropImage(r);
}

void SchoolPage::rowMarks(int target, bool accepted)
{
    std::vector<QColor> fills(static_cast<std::size_t>(doc_.N()) + 1);
    for (int s = 1; s <= doc_.N(); ++s)
        if (const auto look = drag_.look(s); look && s != drag_.sourceSlot())
            fills[static_cast<std::size_t>(s)] = markColor(*look);
    if (target >= 1 && target <= doc_.N() && target != drag_.sourceSlot())
        fills[static_cast<std::size_t>(target)] =
            schoolColor(accepted ? SchoolColour::TargetAccept : SchoolColour::TargetRefuse);
    grid_->setRowOverlay(drag_.id(), std::move(fills));
}

void SchoolPage::showHint(const std::string& text)
{
    if (text.empty()) {
        hint_->hide();
        return;
    }
    hint_->setText(qs(text));
    const QRect fr = grid_->floatingRect();
    hint_->setFixedWidth(std::max(fr.width() + 10, 160));
    hint_->adjustSize();
    hint_->move(fr.left(), fr.bottom() + 4);
    hint_->show();
    hint_->raise();
}

void SchoolPage::onDragMoved(int ban, int slot, bool onImage)
{
    if (!drag_.active())
        return;
    if (onImage) {
        grid_->setFloatingFill(schoolColor(SchoolColour::DragAccept));
        if (overSlot_ != 0)
            rowMarks(0, false);
        overSlot_ = 0;
        hint_->hide();
        return;
    }
    if (ban != drag_.id() || slot < 1) {
        grid_->setFloatingFill(schoolColor(SchoolColour::DragRefuse));
        if (overSlot_ != 0)
            rowMarks(0, false);
        overSlot_ = 0;
        hint_->hide();
        return;
    }
    const bool accepted = drag_.accepts(slot);
    grid_->setFloatingFill(schoolColor(accepted ? SchoolColour::DragAccept : SchoolColour::DragRefuse));
    if (slot != overSlot_) {
        drag_.setOver(slot);
        rowMarks(slot, accepted);
        overSlot_ = slot;
    }
    showHint(drag_.hint(slot));
}

void SchoolPage::onDragDropped(int ban, int slot, bool onImage, const QPoint& imagePos)
{
    if (!drag_.active())
        return;
    const int from = drag_.sourceSlot(), row = drag_.id();
    // The drag's state is over before the step, whose notification repaints.
    KbDrag drag = drag_;
    endDrag();
    MoveOutcome out;
    if (onImage) {
        out = dropToHolding(doc_, row, from, imagePos.x(), imagePos.y());
    } else {
        out = schoolDrop(doc_, drag, ban, slot, [this] {
            return shell().asker().ask(QString::fromUtf8(kMoveQuestion), QString::fromUtf8(kMoveCaption),
                                       tavrin::ui::Buttons::YesNo) == tavrin::ui::Answer::Yes;
        });
    }
    if (!out.result.ok && onImage && !out.result.message.empty())
        shell().setStatus(qs(out.result.message));
    grid_->setFocus();
}

void SchoolPage::endDrag()
{
    const int row = drag_.active() ? drag_.id() : 0;
    drag_.end();
    overSlot_ = 0;
    grid_->clearOverlay();
    grid_->setDropImage({});
    hint_->hide();
    if (row >= 1)
        grid_->refreshRow(row);
}

// ---------------------------------------------------------------- ts8

AssignPage::AssignPage(tavrin::ui::Shell& shell, QWidget* parent) : SchoolTablePage(shell, 8, parent)
{
    top_->setObjectName(QStringLiteral("pnl29"));
    buildShowBoxes("显示班级", "chkKbRkShow1", "chkKbRkShow2");
    auto* h = static_cast<QHBoxLayout*>(top_->layout());
    auto* ex = new QPushButton(QStringLiteral("导出打印"), top_);
    ex->setObjectName(QStringLiteral("btnExKbRen"));
    h->addWidget(ex);
    h->addStretch(1);
    grid_->setDragEnabled(false);
    grid_->setCellFunction([this](int tea, int slot) -> SchoolGrid::Cell {
        const KbData& kb = doc_.data();
        if (!kb.loaded)
            return {};
        const SchoolCell c = schoolTeaCell(kb.school, kb.gridT(), tea, slot, show());
        return {qs(c.text), schoolColor(c.fill), schoolColor(c.textColour), false, false};
    });
    menu_->setObjectName(QStringLiteral("pmTs8"));
    connect(addAction(menu_, "mniTs8Save", "保存"), &QAction::triggered, this, [this] { this->shell().save(); });
    connect(addAction(menu_, "mniTs8Back", "返回"), &QAction::triggered, this, [this] { this->shell().goBack(); });
    menu_->addSeparator();
    addExport(ex, addAction(menu_, "mniTs8Export", "导出EXCEL打印"));
    connect(addAction(menu_, "mniTs8Help", "帮助"), &QAction::triggered, this, [this] { this->shell().help(); });
}

QString AssignPage::statusText() const
{
    return QString::fromUtf8(kAssignStatus);
}

int AssignPage::tableKind() const
{
    return KbRenke;
}

void AssignPage::fillShape()
{
    fillTable(KbSide::Tea, assignCornerText());
}

}  // namespace tavrin::timetable::ui

namespace {
const bool registeredAll = tavrin::ui::registerPage(7, [](tavrin::ui::Shell& sh) {
    return new tavrin::timetable::ui::SchoolPage(sh);
});
const bool registeredRenke = tavrin::ui::registerPage(8, [](tavrin::ui::Shell& sh) {
    return new tavrin::timetable::ui::AssignPage(sh);
});
}  // namespace
