#include "entry/ui/kepage.h"

#include <QApplication>
#include <QFrame>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMenu>
#include <QMouseEvent>
#include <QPainter>
#include <QPushButton>
#include <QScrollBar>
#include <QStyleOption>
#include <QTableWidget>
#include <QToolButton>
#include <QToolTip>
#include <QVBoxLayout>

#include <algorithm>

#include "entry/ui/gridcells.h"
#include "entry/ui/teshuform.h"
#include "model/loaders.h"
#include "spreadsheet/ui/entryexportui.h"
#include "store/store.h"
#include "ui/asker.h"
#include "ui/widgets.h"

namespace tavrin::entry::ui {

namespace {

const bool registered = tavrin::ui::registerPage(3, [](tavrin::ui::Shell& sh) { return new KePage(sh); });

QString qs(const std::string& s)
{
    return QString::fromStdString(s);
}

const QColor kBar(0x52, 0x52, 0x52), kOver(0xCA, 0x05, 0x00);
constexpr int kSumH = 19, kCapH = 20;

// The strip's editor `edtBanjie`: one class's count, written through at every keystroke;
// Left and Right step to the neighbouring class, Enter to the next; Esc leaves the text.
class StripDelegate : public QStyledItemDelegate {
public:
    explicit StripDelegate(QTableWidget* strip) : QStyledItemDelegate(strip), strip_(strip) {}
    QWidget* createEditor(QWidget* parent, const QStyleOptionViewItem&, const QModelIndex&) const override
    {
        auto* e = new QLineEdit(parent);
        e->setObjectName("edtBanjie");
        e->setAlignment(Qt::AlignCenter);
        e->setValidator(new CountValidator(kMaxKemuJie, false, e));
        connect(e, &QLineEdit::textEdited, this,
                [this, e] { Q_EMIT const_cast<StripDelegate*>(this)->commitData(e); });
        return e;
    }

protected:
    bool eventFilter(QObject* o, QEvent* e) override
    {
        auto* editor = qobject_cast<QLineEdit*>(o);
        if (!editor || e->type() != QEvent::KeyPress)
            return QStyledItemDelegate::eventFilter(o, e);
        const int key = static_cast<QKeyEvent*>(e)->key();
        int step = 0;
        if (key == Qt::Key_Left)
            step = -1;
        else if (key == Qt::Key_Right || key == Qt::Key_Return || key == Qt::Key_Enter)
            step = 1;
        else if (key != Qt::Key_Escape)
            return QStyledItemDelegate::eventFilter(o, e);
        Q_EMIT commitData(editor);
        Q_EMIT closeEditor(editor, NoHint);
        const int col = strip_->currentColumn() + step;
        if (step != 0 && col >= 0 && col < strip_->columnCount()) {
            strip_->setCurrentCell(0, col);
            strip_->editItem(strip_->item(0, col));
        } else {
            strip_->setFocus();
        }
        return true;
    }

private:
    QTableWidget* strip_;
};

std::string countText(std::int64_t v)
{
    return v == 0 ? std::string() : std::to_string(v);
}

}  // namespace

// ---------------------------------------------------------------- model

KeModel::KeModel(QObject* parent) : QAbstractTableModel(parent) {}

void KeModel::setDraft(KemuDraft d)
{
    beginResetModel();
    d_ = std::move(d);
    endResetModel();
}

int KeModel::groupOf(int column) const
{
    return column >= 3 && column < 3 + groupCount() ? column - 3 : -1;
}

int KeModel::maxOf(int column) const
{
    return groupOf(column) >= 0 ? kMaxKemuJie : kMaxKemuByte;
}

int KeModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : static_cast<int>(d_.rows.size());
}

int KeModel::columnCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : markColumn() + 1;
}

QVariant KeModel::data(const QModelIndex& index, int role) const
{
    if (!index.isValid())
        return {};
    const int row = index.row(), col = index.column();
    const auto& r = d_.rows[static_cast<std::size_t>(row)];
    switch (role) {
    case Qt::DisplayRole:
    case Qt::EditRole:
        if (col == 0)
            return row + 1;
        if (col == 1)
            return qs(r.name);
        if (col == 2)
            return qs(r.name2);
        if (groupOf(col) >= 0)
            return qs(d_.groupCell(row, groupOf(col)));
        if (col == roomColumn())
            return qs(countText(r.maxjie));
        if (col == doublesColumn())
            return qs(countText(r.lianpai));
        return QString::fromUtf8(kMarkCell);
    case Qt::TextAlignmentRole:
        return static_cast<int>(Qt::AlignVCenter | (col == markColumn() ? Qt::AlignLeft : Qt::AlignHCenter));
    case Qt::BackgroundRole:
        return rowBackground(row);
    default:
        return {};
    }
}

bool KeModel::setData(const QModelIndex& index, const QVariant& value, int role)
{
    if (!index.isValid() || role != Qt::EditRole)
        return false;
    const int row = index.row(), col = index.column();
    auto& r = d_.rows[static_cast<std::size_t>(row)];
    const std::string text = value.toString().toStdString();
    if (col == 1)
        r.name = text;
    else if (col == 2)
        r.name2 = text;
    else if (groupOf(col) >= 0) {
        // A list changes nothing until it is a plain number again.
        if (text.find(',') != std::string::npos)
            return false;
        setGroupText(d_, row, groupOf(col), text);
    } else if (col == roomColumn() || col == doublesColumn()) {
        const std::int64_t v = text.empty() ? 0 : parseCount(text, kMaxKemuByte).value_or(-1);
        if (v < 0)
            return false;
        (col == roomColumn() ? r.maxjie : r.lianpai) = v;
    } else {
        return false;
    }
    Q_EMIT dataChanged(index, index);
    Q_EMIT edited();
    return true;
}

QVariant KeModel::headerData(int section, Qt::Orientation o, int role) const
{
    if (o != Qt::Horizontal)
        return {};
    if (role == Qt::DisplayRole) {
        if (section == 0)
            return QStringLiteral("序号");
        if (section == 1)
            return QStringLiteral("科目全称");
        if (section == 2)
            return QStringLiteral("简称");
        if (groupOf(section) >= 0)
            return qs(d_.groups[static_cast<std::size_t>(groupOf(section))].caption());
        if (section == roomColumn())
            return QStringLiteral("同时上课\n班级上限");
        if (section == doublesColumn())
            return QStringLiteral("两节课\n连堂次数");
        return QStringLiteral("尽量、不排、一定排");
    }
    if (role == Qt::TextAlignmentRole)
        return static_cast<int>(Qt::AlignCenter);
    return {};
}

Qt::ItemFlags KeModel::flags(const QModelIndex& index) const
{
    if (!index.isValid())
        return Qt::NoItemFlags;
    Qt::ItemFlags f = Qt::ItemIsEnabled | Qt::ItemIsSelectable;
    if (index.column() >= 1 && index.column() <= doublesColumn())
        f |= Qt::ItemIsEditable;
    return f;
}

Result KeModel::addRow(int* added)
{
    if (static_cast<int>(d_.rows.size()) >= kMaxKemuRows)
        return addSubject(d_, added);
    const int at = rowCount();
    beginInsertRows({}, at, at);
    const Result r = addSubject(d_, added);
    endInsertRows();
    Q_EMIT edited();
    return r;
}

int KeModel::deleteRow(int row, MarkWork* openDialog)
{
    if (row < 0 || row >= rowCount())
        return -1;
    beginRemoveRows({}, row, row);
    const int next = deleteSubject(d_, row, openDialog);
    endRemoveRows();
    if (row < rowCount())
        Q_EMIT dataChanged(index(row, 0), index(rowCount() - 1, 0));  // the row numbers below
    Q_EMIT edited();
    return next;
}

void KeModel::fillShortNames(bool first)
{
    entry::fillShortNames(d_, first);
    if (rowCount() > 0)
        Q_EMIT dataChanged(index(0, 2), index(rowCount() - 1, 2));
    Q_EMIT edited();
}

void KeModel::setClassCount(int row, int cls, int value)
{
    entry::setClassCount(d_, row, cls, value);
    const int col = 3 + d_.classes[static_cast<std::size_t>(cls)].group;
    Q_EMIT dataChanged(index(row, col), index(row, col));
    Q_EMIT edited();
}

// ---------------------------------------------------------------- validator

CountValidator::CountValidator(int max, bool list, QObject* parent) : QValidator(parent), max_(max), list_(list) {}

QValidator::State CountValidator::validate(QString& input, int&) const
{
    if (input.isEmpty())
        return Acceptable;
    const std::string text = input.toStdString();
    if (!list_ || text.find(',') == std::string::npos)
        return parseCount(text, max_) && (text.size() == 1 || text.front() != '0') ? Acceptable : Invalid;
    // A list shown by the cell: each part a count (or empty), no leading zero.
    std::size_t pos = 0;
    while (pos <= text.size()) {
        const std::size_t comma = text.find(',', pos);
        const std::string part = text.substr(pos, comma == std::string::npos ? std::string::npos : comma - pos);
        if (!part.empty() && (!parseCount(part, max_) || (part.size() > 1 && part.front() == '0')))
            return Invalid;
        if (comma == std::string::npos)
            break;
        pos = comma + 1;
    }
    return Acceptable;
}

// ---------------------------------------------------------------- delegate

KeDelegate::KeDelegate(KeModel* model, QObject* parent) : QStyledItemDelegate(parent), model_(model) {}

QWidget* KeDelegate::createEditor(QWidget* parent, const QStyleOptionViewItem&, const QModelIndex& index) const
{
    auto* e = new QLineEdit(parent);
    e->setObjectName("edtJieshu");
    e->setAlignment(Qt::AlignCenter);
    e->setFrame(false);
    if (model_->isNumeric(index.column())) {
        const bool list = model_->groupOf(index.column()) >= 0;
        auto* v = new CountValidator(model_->maxOf(index.column()), list, e);
        e->setValidator(v);
        if (list) {
            // The list's commas stay, but none may be typed or pasted in.
            connect(e, &QLineEdit::textEdited, e, [e, last = std::make_shared<QString>(index.data().toString())](
                                                       const QString& t) mutable {
                if (t.count(',') > last->count(',')) {
                    e->setText(*last);
                    return;
                }
                *last = t;
            });
        }
    }
    // Every keystroke reaches the working copy at once.
    connect(e, &QLineEdit::textEdited, this, [this, e] { Q_EMIT const_cast<KeDelegate*>(this)->commitData(e); });
    e->installEventFilter(const_cast<KeDelegate*>(this));
    return e;
}

void KeDelegate::setEditorData(QWidget* editor, const QModelIndex& index) const
{
    auto* e = static_cast<QLineEdit*>(editor);
    if (e->text().isEmpty() && !e->isModified()) {
        e->setText(index.data(Qt::EditRole).toString());
        e->selectAll();
    }
}

void KeDelegate::setModelData(QWidget* editor, QAbstractItemModel* model, const QModelIndex& index) const
{
    model->setData(index, static_cast<QLineEdit*>(editor)->text(), Qt::EditRole);
}

void KeDelegate::paint(QPainter* p, const QStyleOptionViewItem& o, const QModelIndex& index) const
{
    if (index.column() != model_->markColumn()) {
        QStyledItemDelegate::paint(p, selectedLook(o), index);
        return;
    }
    // The marks cell is a button of its own on the row's background.
    QRect button = o.rect.adjusted(2, 2, -2, -2);
    button.setWidth(std::min(button.width(), 80));
    paintMarkButton(p, o, index.row(), button);
}

bool KeDelegate::editorEvent(QEvent* e, QAbstractItemModel* model, const QStyleOptionViewItem& o,
                             const QModelIndex& index)
{
    if (index.column() == model_->markColumn() && e->type() == QEvent::MouseButtonRelease) {
        auto* me = static_cast<QMouseEvent*>(e);
        if (me->button() == Qt::LeftButton && o.rect.adjusted(2, 2, -2, -2).contains(me->position().toPoint())) {
            Q_EMIT markButtonClicked(index.row());
            return true;
        }
    }
    return QStyledItemDelegate::editorEvent(e, model, o, index);
}

bool KeDelegate::eventFilter(QObject* o, QEvent* e)
{
    auto* editor = qobject_cast<QLineEdit*>(o);
    if (editor && e->type() == QEvent::FocusOut) {
        // The per-class strip belongs to this cell: the editor stays open while it is used.
        for (QWidget* w = QApplication::focusWidget(); w; w = w->parentWidget())
            if (w->objectName() == QLatin1String("pnlBanjie"))
                return false;
    }
    if (!editor || e->type() != QEvent::KeyPress)
        return QStyledItemDelegate::eventFilter(o, e);
    switch (static_cast<QKeyEvent*>(e)->key()) {
    case Qt::Key_Left:
        Q_EMIT moveRequested(0, -1);
        return true;
    case Qt::Key_Right:
        Q_EMIT moveRequested(0, 1);
        return true;
    case Qt::Key_Up:
        Q_EMIT moveRequested(-1, 0);
        return true;
    case Qt::Key_Down:
    case Qt::Key_Return:
    case Qt::Key_Enter:
        Q_EMIT moveRequested(1, 0);
        return true;
    case Qt::Key_Escape:
        // The text typed stays: it is already in the working copy.
        Q_EMIT closeRequested();
        return true;
    default:
        return QStyledItemDelegate::eventFilter(o, e);
    }
}

// ---------------------------------------------------------------- footer

KeFooter::KeFooter(QTableView* view, KeModel* model, QWidget* parent) : QWidget(parent), view_(view), model_(model)
{
    setObjectName("scrlbxKeGdBtm");
    setFixedHeight(kSumH + kCapH + 1);
    auto* header = view->horizontalHeader();
    connect(header, &QHeaderView::sectionResized, this, qOverload<>(&QWidget::update));
    connect(header, &QHeaderView::geometriesChanged, this, qOverload<>(&QWidget::update));
    connect(view->horizontalScrollBar(), &QScrollBar::valueChanged, this, qOverload<>(&QWidget::update));
    connect(model, &KeModel::edited, this, qOverload<>(&QWidget::update));
    connect(model, &QAbstractItemModel::modelReset, this, qOverload<>(&QWidget::update));
}

QSize KeFooter::sizeHint() const
{
    return {200, kSumH + kCapH + 1};
}

QRect KeFooter::columnRect(int column) const
{
    const auto* header = view_->horizontalHeader();
    const QPoint at = view_->viewport()->mapTo(window(), QPoint(header->sectionViewportPosition(column), 0));
    return {mapFrom(window(), at).x(), 0, header->sectionSize(column) - 1, height()};
}

QString KeFooter::text(int row, int column) const
{
    const auto& d = model_->draft();
    if (column == 1)
        return row == 0 ? QStringLiteral("合　计") : QStringLiteral("课时容量");
    const int g = model_->groupOf(column);
    if (g >= 0)
        return qs(row == 0 ? d.groupTotalText(g, d.totals()) : d.groupCapacityText(g));
    if (column == model_->roomColumn())
        return QStringLiteral("一般用于\n场室限制");
    if (column == model_->doublesColumn())
        return QStringLiteral("一般\n不用连堂");
    if (column == model_->markColumn())
        return QStringLiteral("可弹出预设窗口进行设置");
    return {};
}

bool KeFooter::event(QEvent* e)
{
    if (e->type() == QEvent::ToolTip) {
        auto* he = static_cast<QHelpEvent*>(e);
        for (int c = 1; c < model_->columnCount(); ++c)
            if (columnRect(c).contains(he->pos())) {
                const QString t = text(he->pos().y() <= kSumH || c >= model_->roomColumn() ? 0 : 1, c);
                QToolTip::showText(he->globalPos(), t, this);
                return true;
            }
        QToolTip::hideText();
        return true;
    }
    return QWidget::event(e);
}

QColor KeFooter::totalColor(int column) const
{
    const int g = model_->groupOf(column);
    const auto& d = model_->draft();
    return g >= 0 && d.groupOverCapacity(g, d.totals()) ? kOver : kBar;
}

void KeFooter::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    p.fillRect(rect(), QColor(0xE8, 0xE8, 0xE8));
    p.setPen(Qt::white);
    const int n = model_->columnCount();
    for (int c = 1; c < n; ++c) {
        const QRect r = columnRect(c);
        if (c >= model_->roomColumn()) {
            p.fillRect(r, kBar);
            p.drawText(r, Qt::AlignCenter, text(0, c));
            continue;
        }
        const QRect top(r.x(), 0, r.width(), kSumH), bottom(r.x(), kSumH + 1, r.width(), kCapH);
        p.fillRect(top, totalColor(c));
        p.fillRect(bottom, kBar);
        // A list wider than its column ends in "…"; the tool tip shows it whole.
        const auto& fm = p.fontMetrics();
        p.drawText(top, Qt::AlignCenter, fm.elidedText(text(0, c), Qt::ElideRight, top.width() - 2));
        p.drawText(bottom, Qt::AlignCenter, fm.elidedText(text(1, c), Qt::ElideRight, bottom.width() - 2));
    }
}

// ---------------------------------------------------------------- page

KePage::KePage(tavrin::ui::Shell& sh, QWidget* parent) : Page(sh, 3, parent)
{
    setObjectName("ts3");
    auto* outer = new QVBoxLayout(this);
    auto* bar = new QHBoxLayout;
    auto button = [&](const char* name, const char* caption) {
        auto* b = new QPushButton(QString::fromUtf8(caption), this);
        b->setObjectName(name);
        bar->addWidget(b);
        return b;
    };
    auto* add = button("btnAddKe", "添加科目");
    auto* del = button("btnDelKe", "删除科目");
    auto* btnFill = button("btnFillKemuName", "自动填充科目简称");
    auto* imp = button("btnExceToKe", "导入Excel数据");
    auto* exp = button("btnKeToExcel", "导出Excel数据");
    bar->addStretch(1);
    outer->addLayout(bar);

    model_ = new KeModel(this);
    lvKe_ = new QTableView(this);
    lvKe_->setObjectName("lvKe");
    lvKe_->setModel(model_);
    delegate_ = new KeDelegate(model_, lvKe_);
    lvKe_->setItemDelegate(delegate_);
    lvKe_->setSelectionBehavior(QAbstractItemView::SelectRows);
    lvKe_->setSelectionMode(QAbstractItemView::SingleSelection);
    lvKe_->setEditTriggers(QAbstractItemView::SelectedClicked | QAbstractItemView::DoubleClicked |
                           QAbstractItemView::AnyKeyPressed);
    lvKe_->verticalHeader()->hide();
    lvKe_->verticalHeader()->setDefaultSectionSize(26);
    lvKe_->horizontalHeader()->setMinimumHeight(40);
    lvKe_->horizontalHeader()->setStyleSheet("QHeaderView::section{background:#525252;color:white;border:0;"
                                             "border-right:1px solid white;}");
    lvKe_->setContextMenuPolicy(Qt::CustomContextMenu);
    lvKe_->viewport()->installEventFilter(this);
    outer->addWidget(lvKe_, 1);
    footer_ = new KeFooter(lvKe_, model_, this);
    outer->addWidget(footer_);

    pnlBanjie_ = new QFrame(lvKe_->viewport());
    pnlBanjie_->setObjectName("pnlBanjie");
    pnlBanjie_->setFrameShape(QFrame::Box);
    auto* stripLay = new QHBoxLayout(pnlBanjie_);
    stripLay->setContentsMargins(1, 1, 1, 1);
    lvBanJie_ = new QTableWidget(1, 0, pnlBanjie_);
    lvBanJie_->setObjectName("lvBanJie");
    lvBanJie_->verticalHeader()->hide();
    lvBanJie_->setItemDelegate(new StripDelegate(lvBanJie_));
    lvBanJie_->setFixedHeight(56);
    stripLay->addWidget(lvBanJie_);
    pnlBanjie_->hide();
    // The class strip belongs to the open editor: its own scrolling does not end the edit.
    tavrin::ui::watchWindowWheel(this, [this](QWidget* target) {
        if (editor() && target != pnlBanjie_ && !pnlBanjie_->isAncestorOf(target))
            closeEditor();
    });
    btnShowban_ = new QToolButton(lvKe_->viewport());
    btnShowban_->setObjectName("btnShowban");
    btnShowban_->setText(QStringLiteral("›"));
    btnShowban_->setFixedWidth(14);
    btnShowban_->hide();

    pmFill_ = new QMenu(this);
    pmFill_->setObjectName("pmFillKemuName");
    pmFill_->addAction(QStringLiteral("全填为全称首个字"), this, [this] { this->fill(true); })->setObjectName("mniFillStart");
    pmFill_->addAction(QStringLiteral("全填为全称最末字"), this, [this] { this->fill(false); })->setObjectName("mniFillEnd");
    pmKemu_ = new QMenu(this);
    pmKemu_->setObjectName("pmKemu");
    pmKemu_->addAction(QStringLiteral("添加科目"), this, &KePage::btnAddKeClick)->setObjectName("mniAddKe");
    pmKemu_->addAction(QStringLiteral("删除科目"), this, &KePage::btnDelKeClick)->setObjectName("mniDelKe");
    pmKemu_->addSeparator();
    pmKemu_->addAction(QStringLiteral("导入EXCEL数据"), this, &KePage::btnExceToKeClick)->setObjectName("mniExcelToKe");
    pmKemu_->addAction(QStringLiteral("导出EXCEL数据"), this, &KePage::btnKeToExcelClick)->setObjectName("mniKeToExcel");
    pmTs3_ = new QMenu(this);
    pmTs3_->setObjectName("pmTs3");
    pmTs3_->addAction(QStringLiteral("保存"), this, [this] { shell().save(); });
    pmTs3_->addAction(QStringLiteral("返回"), this, [this] { shell().goBack(); });
    pmTs3_->addSeparator();
    pmTs3_->addAction(QStringLiteral("添加科目"), this, &KePage::btnAddKeClick)->setObjectName("mniAddKe2");
    pmTs3_->addAction(QStringLiteral("删除科目"), this, &KePage::btnDelKeClick)->setObjectName("mniDelKe2");
    pmTs3_->addSeparator();
    pmTs3_->addAction(QStringLiteral("填充简称(首字)"), this, [this] { this->fill(true); })->setObjectName("mniFillStart2");
    pmTs3_->addAction(QStringLiteral("填充简称(末字)"), this, [this] { this->fill(false); })->setObjectName("mniFillEnd2");
    pmTs3_->addSeparator();
    pmTs3_->addAction(QStringLiteral("导入EXCEL数据"), this, &KePage::btnExceToKeClick)->setObjectName("mniExcelToKe2");
    pmTs3_->addAction(QStringLiteral("导出EXCEL数据"), this, &KePage::btnKeToExcelClick)->setObjectName("mniKeToExcel2");
    pmTs3_->addSeparator();
    pmTs3_->addAction(QStringLiteral("帮助"), this, [this] { shell().help(); });

    teshu_ = std::make_unique<TteshuForm>(this);

    connect(add, &QPushButton::clicked, this, &KePage::btnAddKeClick);
    connect(del, &QPushButton::clicked, this, &KePage::btnDelKeClick);
    connect(imp, &QPushButton::clicked, this, &KePage::btnExceToKeClick);
    connect(exp, &QPushButton::clicked, this, &KePage::btnKeToExcelClick);
    connect(btnFill, &QPushButton::released, this,
            [this, btnFill] { pmFill_->popup(btnFill->mapToGlobal(QPoint(0, btnFill->height()))); });
    connect(lvKe_, &QWidget::customContextMenuRequested, this,
            [this](const QPoint& at) { pmKemu_->popup(lvKe_->viewport()->mapToGlobal(at)); });
    connect(model_, &KeModel::edited, this, [this] { markChanged(); });
    connect(delegate_, &KeDelegate::moveRequested, this, &KePage::moveEditor);
    connect(delegate_, &KeDelegate::closeRequested, this, &KePage::closeEditor);
    connect(delegate_, &KeDelegate::markButtonClicked, this, &KePage::openMarks);
    connect(lvKe_->horizontalScrollBar(), &QScrollBar::valueChanged, this, [this] { hideStrip(); });
    connect(btnShowban_, &QToolButton::clicked, this, [this] {
        pnlBanjie_->show();
        placeStrip();
    });
    connect(lvBanJie_, &QTableWidget::itemChanged, this, [this](QTableWidgetItem* item) {
        if (loadingStrip_ || stripRow_ < 0)
            return;
        const auto& g = model_->draft().groups[static_cast<std::size_t>(stripGroup_)];
        const int v = item->text().isEmpty() ? 0 : parseCount(item->text().toStdString(), kMaxKemuJie).value_or(0);
        model_->setClassCount(stripRow_, g.first + item->column(), v);
        if (QLineEdit* e = editor())
            e->setText(qs(model_->draft().groupCell(stripRow_, stripGroup_)));
    });
    connect(lvKe_->selectionModel(), &QItemSelectionModel::selectionChanged, this, [this] {
        updateButtons();
        const int row = selectedRow();
        if (teshu_->isVisible() && row >= 0) {
            const auto& r = model_->draft().rows[static_cast<std::size_t>(row)];
            teshu_->retarget(r.id, qs(r.name));
        }
    });
    connect(teshu_.get(), &TteshuForm::committed, this, [this] { model_->marksCommitted(); });
    connect(teshu_.get(), &TteshuForm::stepRequested, this, [this](int delta) {
        const int row = selectedRow() + delta;
        if (row >= 0 && row < model_->rowCount()) {
            selectRow(row);
            lvKe_->scrollTo(model_->index(row, 0));
        }
    });
}

KePage::~KePage() = default;

void KePage::load(int)
{
    teshu_->hide();
    hideStrip();
    model_->setDraft(loadSubjects(shell().store()));
    const int G = model_->groupCount();
    auto* h = lvKe_->horizontalHeader();
    h->resizeSection(0, 40);
    h->resizeSection(1, 100);
    h->resizeSection(2, 40);
    for (int j = 0; j < G; ++j)
        h->resizeSection(3 + j, 50);
    h->resizeSection(model_->roomColumn(), 60);
    h->resizeSection(model_->doublesColumn(), 60);
    h->setStretchLastSection(true);
    updateButtons();
    footer_->update();
    lvKe_->setFocus();
}

QString KePage::statusText() const
{
    return QString::fromUtf8(kKemuStatus);
}

QMenu* KePage::pageMenu()
{
    return pmTs3_;
}

void KePage::leave()
{
    teshu_->hide();
    hideStrip();
    closeEditor();
    Page::leave();
}

QPushButton* KePage::button(const char* name) const
{
    return findChild<QPushButton*>(name);
}

QLineEdit* KePage::editor() const
{
    // The open editor of the current cell; one being closed no longer counts.
    return qobject_cast<QLineEdit*>(lvKe_->indexWidget(lvKe_->currentIndex()));
}

int KePage::selectedRow() const
{
    const QModelIndex i = lvKe_->currentIndex();
    return i.isValid() && lvKe_->selectionModel()->isRowSelected(i.row(), {}) ? i.row() : -1;
}

void KePage::selectRow(int row)
{
    if (row < 0 || row >= model_->rowCount()) {
        lvKe_->clearSelection();
        lvKe_->setCurrentIndex({});
        return;
    }
    const int col = std::max(lvKe_->currentIndex().column(), 1);
    lvKe_->setCurrentIndex(model_->index(row, col));
    lvKe_->selectRow(row);
    lvKe_->setCurrentIndex(model_->index(row, col));
}

void KePage::updateButtons()
{
    const bool any = selectedRow() >= 0;
    button("btnDelKe")->setEnabled(any);
    for (auto* a : findChildren<QAction*>())
        if (a->objectName() == "mniDelKe" || a->objectName() == "mniDelKe2")
            a->setEnabled(any);
}

void KePage::editCell(int row, int column)
{
    if (row < 0 || row >= model_->rowCount() || column < 1 || column > model_->doublesColumn())
        return;
    closeEditor();
    const QModelIndex i = model_->index(row, column);
    lvKe_->selectRow(row);
    lvKe_->setCurrentIndex(i);
    lvKe_->edit(i);
    if (model_->groupOf(column) >= 0)
        showStrip(row, column);
    else
        hideStrip();
}

void KePage::moveEditor(int dr, int dc)
{
    const QModelIndex i = lvKe_->currentIndex();
    if (!i.isValid())
        return;
    const int row = std::clamp(i.row() + dr, 0, model_->rowCount() - 1);
    const int col = std::clamp(i.column() + dc, 1, model_->doublesColumn());
    markChanged();
    editCell(row, col);
}

void KePage::closeEditor()
{
    if (QLineEdit* e = editor()) {
        Q_EMIT delegate_->commitData(e);
        Q_EMIT delegate_->closeEditor(e, QAbstractItemDelegate::NoHint);
    }
    hideStrip();
    lvKe_->setFocus();
}

void KePage::showStrip(int row, int column)
{
    stripRow_ = row;
    stripGroup_ = model_->groupOf(column);
    const auto& d = model_->draft();
    const auto& g = d.groups[static_cast<std::size_t>(stripGroup_)];
    loadingStrip_ = true;
    lvBanJie_->clear();
    lvBanJie_->setColumnCount(g.count);
    for (int k = 0; k < g.count; ++k) {
        const auto& c = d.classes[static_cast<std::size_t>(g.first + k)];
        lvBanJie_->setHorizontalHeaderItem(k, new QTableWidgetItem(qs(c.name)));
        const std::int64_t v = d.rows[static_cast<std::size_t>(row)].jieshu[static_cast<std::size_t>(g.first + k)];
        auto* item = new QTableWidgetItem(qs(countText(v)));
        item->setTextAlignment(Qt::AlignCenter);
        item->setBackground(kRowSelected);
        lvBanJie_->setItem(0, k, item);
        lvBanJie_->setColumnWidth(k, 65);
    }
    loadingStrip_ = false;
    pnlBanjie_->setVisible(d.groupCell(row, stripGroup_).find(',') != std::string::npos);
    placeStrip();
}

void KePage::placeStrip()
{
    const QRect cell = lvKe_->visualRect(model_->index(stripRow_, 3 + stripGroup_));
    const int classes = lvBanJie_->columnCount();
    btnShowban_->setGeometry(cell.right() + 1, cell.top(), 14, cell.height());
    btnShowban_->setVisible(!pnlBanjie_->isVisible());
    btnShowban_->raise();
    pnlBanjie_->setGeometry(cell.right() + 1, cell.top(), 67 * classes + 4, 60);
    pnlBanjie_->raise();
}

void KePage::hideStrip()
{
    pnlBanjie_->hide();
    btnShowban_->hide();
    stripRow_ = stripGroup_ = -1;
}

void KePage::btnExceToKeClick()
{
    closeEditor();
    hideStrip();
    KemuDraft work = model_->draft();
    const auto out = spreadsheet::runKeImport(this, shell().asker(), work, importSeams_);
    if (out.changed) {
        teshu_->hide();
        const int row = selectedRow();
        model_->setDraft(std::move(work));
        footer_->update();
        if (row >= 0 && row < model_->rowCount())
            selectRow(row);
    }
    // Choosing step three marks the step changed, as the screen always has.
    if (out.thirdStep || out.changed)
        markChanged();
}

void KePage::btnAddKeClick()
{
    int added = -1;
    const Result r = model_->addRow(&added);
    if (!r) {
        shell().asker().inform(qs(r.message), {}, tavrin::ui::Icon::Warning);
        return;
    }
    lvKe_->scrollTo(model_->index(added, 1));
    editCell(added, 1);
}

void KePage::btnDelKeClick()
{
    const int row = selectedRow();
    if (row < 0)
        return;
    closeEditor();
    const int next = model_->deleteRow(row, teshu_->work());
    selectRow(next);
    lvKe_->setFocus();
    updateButtons();
}

void KePage::fill(bool first)
{
    closeEditor();
    model_->fillShortNames(first);
}

void KePage::btnKeToExcelClick()
{
    closeEditor();
    tavrin::spreadsheet::exportSubjectPeriods(this, shell().asker(), model_->draft());
}

void KePage::openMarks(int row)
{
    if (row < 0 || row >= model_->rowCount())
        return;
    closeEditor();
    selectRow(row);
    const auto& r = model_->draft().rows[static_cast<std::size_t>(row)];
    model::School sc;
    model::LoadDayBanJi(shell().store(), sc);
    teshu_->showFor(model_->draft(), sc.mor, sc.aft, sc.nig, r.id, qs(r.name));
}

bool KePage::save()
{
    closeEditor();
    auto& asker = shell().asker();
    teshu_->hide();
    try {
        int twin = -1;
        const Result r = saveSubjects(
            shell().store(), model_->draft(),
            [&](const std::string& q) {
                return asker.ask(qs(q), QString::fromUtf8(kOverCapacityTitle), tavrin::ui::Buttons::OkCancel) ==
                       tavrin::ui::Answer::Ok;
            },
            &twin);
        if (!r) {
            if (!r.message.empty())
                asker.inform(qs(r.message), {}, tavrin::ui::Icon::Warning);
            if (twin >= 0)
                selectRow(twin);
            lvKe_->setFocus();
            return false;
        }
    } catch (const std::exception& e) {
        asker.inform(QStringLiteral("保存失败，数据未作任何修改：") + QString::fromUtf8(e.what()), {},
                     tavrin::ui::Icon::Critical);
        return false;
    }
    load(tavrin::ui::KbNone);
    asker.inform(QString::fromUtf8(kSaved));
    return true;
}

bool KePage::eventFilter(QObject* o, QEvent* e)
{
    if (o == lvKe_->viewport()) {
        if (e->type() == QEvent::MouseButtonRelease) {
            auto* me = static_cast<QMouseEvent*>(e);
            const QModelIndex i = lvKe_->indexAt(me->position().toPoint());
            markChanged();
            if (!i.isValid()) {
                closeEditor();
                return false;
            }
            if (i.column() >= 1 && i.column() <= model_->doublesColumn()) {
                editCell(i.row(), i.column());
                return true;
            }
            hideStrip();
        }
    }
    return Page::eventFilter(o, e);
}

}  // namespace tavrin::entry::ui
