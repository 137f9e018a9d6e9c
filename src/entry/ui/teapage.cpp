#include "entry/ui/teapage.h"

#include "spreadsheet/ui/entryexportui.h"

#include <QAction>
#include <QApplication>
#include <QCursor>
#include <QDataStream>
#include <QFrame>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMimeData>
#include <QMouseEvent>
#include <QPainter>
#include <QPushButton>
#include <QScreen>
#include <QScrollBar>
#include <QStyleOption>
#include <QVBoxLayout>

#include <algorithm>
#include <atomic>

#include "entry/ui/gridcells.h"
#include "entry/ui/teshuform.h"
#include "entry/ui/weekdialogs.h"
#include "model/loaders.h"
#include "store/store.h"
#include "ui/asker.h"

namespace tavrin::entry::ui {

namespace {

const bool registered = tavrin::ui::registerPage(4, [](tavrin::ui::Shell& sh) { return new TeaPage(sh); });

QString qs(const std::string& s)
{
    return QString::fromStdString(s);
}

const QColor kClassRow(0xEB, 0xEB, 0xEB);
constexpr int kRowH = 50;

// Every load gets its own number, so that a drag begun before a reload is not read as a row
// of the new copy.
std::atomic<quint64> loads{0};

}  // namespace

// ---------------------------------------------------------------- drag payloads

QByteArray packDrag(const DragLoad& l)
{
    QByteArray out;
    QDataStream s(&out, QIODevice::WriteOnly);
    s << l.pid << l.generation << l.a << l.b;
    return out;
}

std::optional<DragLoad> unpackDrag(const QByteArray& bytes, quint64 generation)
{
    DragLoad l;
    QDataStream s(bytes);
    s >> l.pid >> l.generation >> l.a >> l.b;
    if (s.status() != QDataStream::Ok || !s.atEnd() || l.pid != QCoreApplication::applicationPid() ||
        l.generation != generation)
        return std::nullopt;
    return l;
}

namespace {

std::optional<DragLoad> dragOf(const QMimeData* data, const char* type, quint64 generation)
{
    if (!data || !data->hasFormat(QString::fromLatin1(type)))
        return std::nullopt;
    return unpackDrag(data->data(QString::fromLatin1(type)), generation);
}

}  // namespace

// ---------------------------------------------------------------- teacher grid

TeaModel::TeaModel(QObject* parent) : QAbstractTableModel(parent) {}

void TeaModel::setDraft(TeaDraft d)
{
    beginResetModel();
    d_ = std::move(d);
    generation_ = ++loads;
    endResetModel();
}

std::int64_t TeaModel::teaId(int row) const
{
    return row >= 0 && row < rowCount() ? d_.rows[static_cast<std::size_t>(row)].id : 0;
}

int TeaModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : static_cast<int>(d_.rows.size());
}

int TeaModel::columnCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : kTeshu + 1;
}

QVariant TeaModel::data(const QModelIndex& index, int role) const
{
    if (!index.isValid())
        return {};
    const int row = index.row(), col = index.column();
    const auto& r = d_.rows[static_cast<std::size_t>(row)];
    switch (role) {
    case Qt::DisplayRole:
    case Qt::EditRole:
    case Qt::ToolTipRole:
        if (role == Qt::ToolTipRole && col != kRenke)
            return {};
        if (col == 0)
            return row + 1;
        if (col == kName)
            return qs(r.name);
        if (col == kName2)
            return qs(r.name2);
        if (col == kRenke)
            return qs(renkeText(d_, r.id));
        return QString::fromUtf8(kMarkCell);
    case Qt::TextAlignmentRole:
        return static_cast<int>(Qt::AlignVCenter | (col == 0 ? Qt::AlignHCenter : Qt::AlignLeft));
    case Qt::BackgroundRole:
        return rowBackground(row);
    default:
        return {};
    }
}

bool TeaModel::setData(const QModelIndex& index, const QVariant& value, int role)
{
    if (!index.isValid() || role != Qt::EditRole || (index.column() != kName && index.column() != kName2))
        return false;
    auto& r = d_.rows[static_cast<std::size_t>(index.row())];
    (index.column() == kName ? r.name : r.name2) = value.toString().toStdString();
    Q_EMIT dataChanged(index, index);
    Q_EMIT edited();
    return true;
}

Qt::ItemFlags TeaModel::flags(const QModelIndex& index) const
{
    if (!index.isValid())
        return Qt::NoItemFlags;
    Qt::ItemFlags f = Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemIsDropEnabled;
    if (index.column() == kName || index.column() == kName2)
        f |= Qt::ItemIsEditable;
    return f;
}

QStringList TeaModel::mimeTypes() const
{
    return {QString::fromLatin1(kUnassignedMime), QString::fromLatin1(kChipMime)};
}

Qt::DropActions TeaModel::supportedDropActions() const
{
    return Qt::CopyAction | Qt::MoveAction;
}

bool TeaModel::canDropMimeData(const QMimeData* data, Qt::DropAction, int, int, const QModelIndex& parent) const
{
    // Only onto a teacher's row: between rows or below the last there is nobody to take it.
    if (!parent.isValid() || parent.row() >= rowCount())
        return false;
    if (dragOf(data, kUnassignedMime, generation_))
        return true;
    const auto chip = dragOf(data, kChipMime, generation_);
    return chip && chip->b != teaId(parent.row());
}

bool TeaModel::dropMimeData(const QMimeData* data, Qt::DropAction action, int row, int column,
                            const QModelIndex& parent)
{
    if (!canDropMimeData(data, action, row, column, parent))
        return false;
    const std::int64_t tea = teaId(parent.row());
    if (const auto u = dragOf(data, kUnassignedMime, generation_))
        Q_EMIT unassignedDropped(tea, u->a, u->b);
    else if (const auto c = dragOf(data, kChipMime, generation_))
        Q_EMIT chipDropped(tea, static_cast<int>(c->a));
    return true;
}

Result TeaModel::addRow(int* added)
{
    if (static_cast<int>(d_.rows.size()) >= kMaxTeaRows)
        return addTeacher(d_, {}, added);
    const int at = rowCount();
    beginInsertRows({}, at, at);
    const Result r = addTeacher(d_, {}, added);
    endInsertRows();
    Q_EMIT edited();
    return r;
}

int TeaModel::deleteRow(int row, TeaMarkWork* openDialog)
{
    if (row < 0 || row >= rowCount())
        return -1;
    beginRemoveRows({}, row, row);
    const int next = deleteTeacher(d_, row, openDialog);
    endRemoveRows();
    if (row < rowCount())
        Q_EMIT dataChanged(index(row, 0), index(rowCount() - 1, 0));  // the row numbers below
    Q_EMIT edited();
    return next;
}

void TeaModel::fillShortNames()
{
    fillTeaShortNames(d_);
    if (rowCount() > 0)
        Q_EMIT dataChanged(index(0, kName2), index(rowCount() - 1, kName2));
    Q_EMIT edited();
}

void TeaModel::refreshTexts()
{
    if (rowCount() > 0)
        Q_EMIT dataChanged(index(0, kRenke), index(rowCount() - 1, kRenke));
}

// ---------------------------------------------------------------- unassigned list

RenkeModel::RenkeModel(TeaModel* teachers, QObject* parent) : QAbstractTableModel(parent), tea_(teachers) {}

void RenkeModel::rebuild()
{
    beginResetModel();
    rows_ = unassigned(tea_->draft());
    endResetModel();
}

int RenkeModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : static_cast<int>(rows_.size());
}

int RenkeModel::columnCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : 2;
}

QVariant RenkeModel::data(const QModelIndex& index, int role) const
{
    if (!index.isValid())
        return {};
    const auto& r = rows_[static_cast<std::size_t>(index.row())];
    switch (role) {
    case Qt::DisplayRole:
        if (index.column() == 0)
            return qs(r.caption);
        return r.isClass ? QVariant() : QVariant(static_cast<qlonglong>(r.remain));
    case Qt::BackgroundRole:
        return r.isClass ? kClassRow : QColor(Qt::white);
    case Qt::FontRole:
        if (r.isClass) {
            QFont f;
            f.setBold(true);
            return f;
        }
        return {};
    case Qt::TextAlignmentRole:
        return static_cast<int>(Qt::AlignVCenter | (index.column() == 1 ? Qt::AlignHCenter : Qt::AlignLeft));
    default:
        return {};
    }
}

Qt::ItemFlags RenkeModel::flags(const QModelIndex& index) const
{
    if (!index.isValid())
        return Qt::ItemIsDropEnabled;
    Qt::ItemFlags f = Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemIsDropEnabled;
    if (!rows_[static_cast<std::size_t>(index.row())].isClass)
        f |= Qt::ItemIsDragEnabled;
    return f;
}

QStringList RenkeModel::mimeTypes() const
{
    return {QString::fromLatin1(kChipMime)};
}

QMimeData* RenkeModel::mimeData(const QModelIndexList& indexes) const
{
    for (const QModelIndex& i : indexes) {
        if (!i.isValid() || i.row() >= rowCount())
            continue;
        const auto& r = rows_[static_cast<std::size_t>(i.row())];
        if (r.isClass)
            continue;
        auto* m = new QMimeData;
        m->setData(QString::fromLatin1(kUnassignedMime),
                   packDrag({QCoreApplication::applicationPid(), tea_->generation(), r.ban, r.ke}));
        m->setText(qs(r.caption));
        return m;
    }
    return nullptr;
}

Qt::DropActions RenkeModel::supportedDragActions() const
{
    return Qt::CopyAction;
}

Qt::DropActions RenkeModel::supportedDropActions() const
{
    return Qt::CopyAction | Qt::MoveAction;
}

bool RenkeModel::canDropMimeData(const QMimeData* data, Qt::DropAction, int, int, const QModelIndex&) const
{
    return dragOf(data, kChipMime, tea_->generation()).has_value();
}

bool RenkeModel::dropMimeData(const QMimeData* data, Qt::DropAction, int, int, const QModelIndex&)
{
    const auto c = dragOf(data, kChipMime, tea_->generation());
    if (!c)
        return false;
    Q_EMIT chipDropped(static_cast<int>(c->a));
    return true;
}

// ---------------------------------------------------------------- chips

ChipList::ChipList(const TeaModel* model, std::int64_t tea, QWidget* parent)
    : QListWidget(parent), model_(model), tea_(tea)
{
    setObjectName("lvRenkeTmp");
    setFlow(QListView::LeftToRight);
    setWrapping(false);
    setSpacing(2);
    setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setHorizontalScrollMode(QAbstractItemView::ScrollPerPixel);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setDragEnabled(true);
    setDragDropMode(QAbstractItemView::DragOnly);
    setDefaultDropAction(Qt::CopyAction);
    setFrameShape(QFrame::NoFrame);
    setStyleSheet("QListWidget{background:transparent;}"
                  "QListWidget::item{background:#eef4ff;border:1px solid #8fa9cf;border-radius:4px;"
                  "padding:3px 6px;color:#1f3f6b;}"
                  "QListWidget::item:selected{background:#2f6fc4;border-color:#2f6fc4;color:white;}"
                  // A thin bar when the chips are wider than the cell, so that they keep their height.
                  "QScrollBar:horizontal{height:6px;background:#dfe8f6;border:0;}"
                  "QScrollBar::handle:horizontal{background:#8fa9cf;border-radius:3px;min-width:20px;}"
                  "QScrollBar::add-line:horizontal,QScrollBar::sub-line:horizontal{width:0;}");
    for (const auto& c : chips(model->draft(), tea)) {
        auto* item = new QListWidgetItem(qs(c.text), this);
        item->setData(Qt::UserRole, c.entry);
        item->setToolTip(qs(c.text));
    }
}

int ChipList::selectedEntry() const
{
    const auto sel = selectedItems();
    return sel.isEmpty() ? -1 : sel.front()->data(Qt::UserRole).toInt();
}

void ChipList::selectEntry(int entry)
{
    for (int i = 0; i < count(); ++i)
        if (item(i)->data(Qt::UserRole).toInt() == entry) {
            setCurrentRow(i);
            scrollToItem(item(i));
            return;
        }
}

QStringList ChipList::mimeTypes() const
{
    return {QString::fromLatin1(kChipMime)};
}

QMimeData* ChipList::mimeData(const QList<QListWidgetItem*>& items) const
{
    if (items.isEmpty())
        return nullptr;
    auto* m = new QMimeData;
    m->setData(QString::fromLatin1(kChipMime),
               packDrag({QCoreApplication::applicationPid(), model_->generation(),
                         items.front()->data(Qt::UserRole).toLongLong(), tea_}));
    m->setText(items.front()->text());
    return m;
}

void ChipList::keyPressEvent(QKeyEvent* e)
{
    if (e->key() == Qt::Key_Up || e->key() == Qt::Key_Down) {
        Q_EMIT stepRequested(e->key() == Qt::Key_Up ? -1 : 1);
        return;
    }
    QListWidget::keyPressEvent(e);
}

ChipStrip::ChipStrip(const TeaModel* model, std::int64_t tea, QWidget* parent) : QFrame(parent), tea_(tea)
{
    setObjectName("pnlRkTmp");
    setAutoFillBackground(true);
    setStyleSheet("#pnlRkTmp{background:#dfe8f6;border:1px solid #8fa9cf;}");
    auto* lay = new QHBoxLayout(this);
    lay->setContentsMargins(2, 2, 2, 2);
    lay->setSpacing(4);
    list_ = new ChipList(model, tea, this);
    lay->addWidget(list_, 1);
    btnDelRk_ = new QPushButton(QStringLiteral("删任课"), this);
    btnDelRk_->setObjectName("btnDelRk");
    btnDelRk_->setEnabled(false);
    lay->addWidget(btnDelRk_);
    connect(list_, &QListWidget::itemSelectionChanged, this,
            [this] { btnDelRk_->setEnabled(list_->selectedEntry() >= 0); });
}

// ---------------------------------------------------------------- delegate

TeaDelegate::TeaDelegate(TeaModel* model, QObject* parent) : QStyledItemDelegate(parent), model_(model) {}

QWidget* TeaDelegate::createEditor(QWidget* parent, const QStyleOptionViewItem&, const QModelIndex& index) const
{
    if (index.column() == TeaModel::kRenke) {
        auto* strip = new ChipStrip(model_, model_->teaId(index.row()), parent);
        Q_EMIT const_cast<TeaDelegate*>(this)->stripCreated(strip);
        return strip;
    }
    auto* e = new QLineEdit(parent);
    e->setObjectName("edtTea");
    e->setProperty("column", index.column());
    // Every keystroke reaches the working copy at once.
    connect(e, &QLineEdit::textEdited, this, [this, e] { Q_EMIT const_cast<TeaDelegate*>(this)->commitData(e); });
    return e;
}

void TeaDelegate::setEditorData(QWidget* editor, const QModelIndex& index) const
{
    auto* e = qobject_cast<QLineEdit*>(editor);
    if (e && e->text().isEmpty() && !e->isModified()) {
        e->setText(index.data(Qt::EditRole).toString());
        e->selectAll();
    }
}

void TeaDelegate::setModelData(QWidget* editor, QAbstractItemModel* model, const QModelIndex& index) const
{
    if (auto* e = qobject_cast<QLineEdit*>(editor))
        model->setData(index, e->text(), Qt::EditRole);
}

void TeaDelegate::updateEditorGeometry(QWidget* editor, const QStyleOptionViewItem& o, const QModelIndex&) const
{
    if (qobject_cast<ChipStrip*>(editor))
        editor->setGeometry(o.rect.adjusted(0, 1, -1, -1));
    else
        editor->setGeometry(o.rect.x(), o.rect.y() + (o.rect.height() - 27) / 2, o.rect.width() - 1, 27);
}

QRect TeaDelegate::buttonRect(const QRect& cell)
{
    QRect r = cell.adjusted(4, 0, -4, 0);
    r.setWidth(std::min(r.width(), 80));
    r.setTop(cell.top() + (cell.height() - 30) / 2);
    r.setHeight(30);
    return r;
}

void TeaDelegate::paint(QPainter* p, const QStyleOptionViewItem& o, const QModelIndex& index) const
{
    if (index.column() != TeaModel::kTeshu)
        QStyledItemDelegate::paint(p, selectedLook(o), index);
    else
        paintMarkButton(p, o, index.row(), buttonRect(o.rect));
}

bool TeaDelegate::editorEvent(QEvent* e, QAbstractItemModel* model, const QStyleOptionViewItem& o,
                              const QModelIndex& index)
{
    if (index.column() == TeaModel::kTeshu && e->type() == QEvent::MouseButtonRelease) {
        auto* me = static_cast<QMouseEvent*>(e);
        if (me->button() == Qt::LeftButton && buttonRect(o.rect).contains(me->position().toPoint())) {
            Q_EMIT markButtonClicked(index.row());
            return true;
        }
    }
    return QStyledItemDelegate::editorEvent(e, model, o, index);
}

bool TeaDelegate::eventFilter(QObject* o, QEvent* e)
{
    auto* editor = qobject_cast<QLineEdit*>(o);
    if (!editor)
        return false;  // the chip strip handles its own keys and stays open
    if (e->type() != QEvent::KeyPress)
        return QStyledItemDelegate::eventFilter(o, e);
    const int column = editor->property("column").toInt();
    switch (static_cast<QKeyEvent*>(e)->key()) {
    case Qt::Key_Left:
        if (column == TeaModel::kName2)
            Q_EMIT moveRequested(0, -1);
        return true;
    case Qt::Key_Right:
        if (column == TeaModel::kName)
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

// ---------------------------------------------------------------- periods dialog

TfrmJieshu::TfrmJieshu(QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::WindowTitleHint | Qt::WindowCloseButtonHint)
{
    setObjectName("TfrmJieshu");
    setModal(true);
    setMinimumWidth(320);
    setStyleSheet("QDialog{background:#f4f7fb;border:1px solid #8fa9cf;}"
                  "#lblCaption{color:#1f3f6b;font-weight:bold;}"
                  "QPushButton{background:white;border:1px solid #b8c6d9;border-radius:5px;padding:5px 18px;"
                  "color:#1f3f6b;}"
                  "QPushButton:default{background:#2f6fc4;color:white;border-color:#2f6fc4;}");
    auto* lay = new QVBoxLayout(this);
    // The caption again inside: who takes which class's subject, whatever the title bar shows.
    lblCaption_ = new QLabel(this);
    lblCaption_->setObjectName("lblCaption");
    lay->addWidget(lblCaption_);
    auto* row = new QHBoxLayout;
    row->addWidget(new QLabel(QStringLiteral("节数:"), this));
    edtJieshu_ = new StepBox(this);
    edtJieshu_->setObjectName("edtJieshu");
    edtJieshu_->setMinimumWidth(90);
    row->addWidget(edtJieshu_);
    row->addStretch(1);
    lay->addLayout(row);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    btn1_ = new QPushButton(QStringLiteral("确定"), this);
    btn1_->setObjectName("btn1");
    btn1_->setDefault(true);
    btn2_ = new QPushButton(QStringLiteral("取消"), this);
    btn2_->setObjectName("btn2");
    buttons->addWidget(btn1_);
    buttons->addWidget(btn2_);
    lay->addLayout(buttons);
    connect(btn1_, &QPushButton::clicked, this, [this] {
        theJie_ = edtJieshu_->value();
        accept();
    });
    connect(btn2_, &QPushButton::clicked, this, [this] {
        theJie_ = 0;
        reject();
    });
}

void TfrmJieshu::prepare(const QString& caption, int max)
{
    setWindowTitle(caption);
    lblCaption_->setText(caption);
    edtJieshu_->setRange(1, std::max(max, 1));
    edtJieshu_->setValue(std::max(max, 1));
    theJie_ = 0;
    // Beside the pointer that dropped the row, kept on its screen.
    adjustSize();
    QPoint at = QCursor::pos() - QPoint(240, 55);
    if (const QScreen* s = QGuiApplication::screenAt(QCursor::pos())) {
        const QRect avail = s->availableGeometry();
        at.setX(std::clamp(at.x(), avail.left(), std::max(avail.left(), avail.right() - width())));
        at.setY(std::clamp(at.y(), avail.top(), std::max(avail.top(), avail.bottom() - height())));
    }
    move(at);
}

// ---------------------------------------------------------------- page

TeaPage::TeaPage(tavrin::ui::Shell& sh, QWidget* parent) : Page(sh, 4, parent)
{
    setObjectName("ts4");
    auto* outer = new QVBoxLayout(this);
    auto* bar = new QHBoxLayout;
    auto button = [&](const char* name, const char* caption) {
        auto* b = new QPushButton(QString::fromUtf8(caption), this);
        b->setObjectName(name);
        bar->addWidget(b);
        return b;
    };
    auto* add = button("btnAddTea", "添加教师");
    auto* del = button("btnDelTea", "删除教师");
    auto* fill = button("btnFillTeaName2", "自动填充教师简称");
    edtFnTea_ = new QLineEdit(this);
    edtFnTea_->setObjectName("edtFnTea");
    edtFnTea_->setPlaceholderText(QStringLiteral("教师全称的一部分"));
    edtFnTea_->setMaximumWidth(160);
    bar->addSpacing(12);
    bar->addWidget(edtFnTea_);
    auto* find = button("btnFnTea", "查找教师");
    bar->addStretch(1);
    auto* imp = button("btnExcelToTea", "从Excel导入数据");
    auto* exp = button("btnTeaToExcel", "导出Excel数据");
    outer->addLayout(bar);

    auto* body = new QHBoxLayout;
    outer->addLayout(body, 1);
    auto* left = new QVBoxLayout;
    left->setSpacing(0);
    body->addLayout(left, 1);

    pnlTeaGdTil_ = new QWidget(this);
    pnlTeaGdTil_->setObjectName("pnlTeaGdTil");
    pnlTeaGdTil_->setFixedHeight(30);
    pnlTeaGdTil_->setAutoFillBackground(true);
    pnlTeaGdTil_->setStyleSheet("#pnlTeaGdTil{background:#525252;} QLabel{color:white;}");
    for (const char* t : {"序号", "教师全称", "简称", "任课情况", "尽量、一定、不排"}) {
        auto* l = new QLabel(QString::fromUtf8(t), pnlTeaGdTil_);
        l->setAlignment(Qt::AlignCenter);
        titles_.push_back(l);
    }
    lblRenkeTil_ = titles_[3];
    lblRenkeTil_->setObjectName("lblRenkeTil");
    titles_[4]->setObjectName("lblTeaSetTil");
    left->addWidget(pnlTeaGdTil_);

    model_ = new TeaModel(this);
    renke_ = new RenkeModel(model_, this);
    lvtea_ = new QTableView(this);
    lvtea_->setObjectName("lvtea");
    lvtea_->setModel(model_);
    delegate_ = new TeaDelegate(model_, lvtea_);
    lvtea_->setItemDelegate(delegate_);
    lvtea_->setSelectionBehavior(QAbstractItemView::SelectRows);
    lvtea_->setSelectionMode(QAbstractItemView::SingleSelection);
    lvtea_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    lvtea_->setShowGrid(true);
    lvtea_->setWordWrap(false);
    lvtea_->verticalHeader()->hide();
    lvtea_->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    lvtea_->verticalHeader()->setDefaultSectionSize(kRowH);
    lvtea_->horizontalHeader()->hide();
    lvtea_->setContextMenuPolicy(Qt::CustomContextMenu);
    lvtea_->setAcceptDrops(true);
    lvtea_->setDragDropMode(QAbstractItemView::DropOnly);
    lvtea_->setDragDropOverwriteMode(true);
    lvtea_->setDefaultDropAction(Qt::CopyAction);
    lvtea_->setDropIndicatorShown(true);
    lvtea_->viewport()->installEventFilter(this);
    left->addWidget(lvtea_, 1);

    auto* right = new QVBoxLayout;
    right->setSpacing(0);
    body->addLayout(right);
    lblRenJieCount_ = new QLabel(this);
    lblRenJieCount_->setObjectName("lblRenJieCount");
    lblRenJieCount_->setAlignment(Qt::AlignCenter);
    lblRenJieCount_->setFixedHeight(24);
    lblRenJieCount_->setStyleSheet("background:#2f6fc4;color:white;");
    right->addWidget(lblRenJieCount_);
    auto* heads = new QWidget(this);
    heads->setObjectName("pnlRenkeTil");
    heads->setFixedHeight(24);
    heads->setStyleSheet("#pnlRenkeTil{background:#525252;} QLabel{color:white;}");
    auto* headLay = new QHBoxLayout(heads);
    headLay->setContentsMargins(0, 0, 0, 0);
    auto* h1 = new QLabel(QStringLiteral("任课"), heads);
    h1->setFixedWidth(78);
    h1->setAlignment(Qt::AlignCenter);
    auto* h2 = new QLabel(QStringLiteral("剩余节数"), heads);
    h2->setAlignment(Qt::AlignCenter);
    headLay->addWidget(h1);
    headLay->addWidget(h2, 1);
    right->addWidget(heads);
    lvRenke_ = new QTableView(this);
    lvRenke_->setObjectName("lvRenke");
    lvRenke_->setModel(renke_);
    lvRenke_->setFixedWidth(200);
    lvRenke_->horizontalHeader()->hide();
    lvRenke_->verticalHeader()->hide();
    lvRenke_->verticalHeader()->setDefaultSectionSize(24);
    lvRenke_->setColumnWidth(0, 78);
    lvRenke_->horizontalHeader()->setStretchLastSection(true);
    lvRenke_->setSelectionBehavior(QAbstractItemView::SelectRows);
    lvRenke_->setSelectionMode(QAbstractItemView::SingleSelection);
    lvRenke_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    lvRenke_->setDragEnabled(true);
    lvRenke_->setAcceptDrops(true);
    lvRenke_->setDragDropMode(QAbstractItemView::DragDrop);
    lvRenke_->setDragDropOverwriteMode(true);
    lvRenke_->setDefaultDropAction(Qt::CopyAction);
    lvRenke_->viewport()->installEventFilter(this);
    right->addWidget(lvRenke_, 1);
    pnlTeaInfo_ = new QLabel(QString::fromUtf8(kTeaInfoHint), lvRenke_);
    pnlTeaInfo_->setObjectName("pnlTeaInfo");
    pnlTeaInfo_->setAlignment(Qt::AlignCenter);
    pnlTeaInfo_->setStyleSheet("background:#fff6c8;color:#5a4600;border:1px solid #d9c266;");
    pnlTeaInfo_->setAttribute(Qt::WA_TransparentForMouseEvents);
    pnlTeaInfo_->hide();

    // A wheel turn anywhere in the window ends the name edit, the text kept.
    tavrin::ui::watchWindowWheel(this, [this](QWidget*) {
        if (editor())
            closeEditor();
    });

    pmTeaToExcel_ = new QMenu(this);
    pmTeaToExcel_->setObjectName("pmTeaToExcel");
    pmTeaToExcel_->addAction(QStringLiteral("用于导入的EXCEL任课数据"), this, &TeaPage::exportForImport)
        ->setObjectName("mniTeaToExcel1");
    pmTeaToExcel_->addAction(QStringLiteral("用于统计的EXCEL任课表格"), this, &TeaPage::exportStatistics)
        ->setObjectName("mniTeaToExcel2");
    pmTeaGd_ = new QMenu(this);
    pmTeaGd_->setObjectName("pmTeaGd");
    pmTeaGd_->addAction(QStringLiteral("添加教师"), this, &TeaPage::btnAddTeaClick)->setObjectName("mniAddTea");
    pmTeaGd_->addAction(QStringLiteral("删除教师"), this, &TeaPage::btnDelTeaClick)->setObjectName("mniDelTea");
    pmTs4_ = new QMenu(this);
    pmTs4_->setObjectName("pmTs4");
    pmTs4_->addAction(QStringLiteral("保存"), this, [this] { shell().save(); });
    pmTs4_->addAction(QStringLiteral("返回"), this, [this] { shell().goBack(); });
    pmTs4_->addSeparator();
    pmTs4_->addAction(QStringLiteral("添加教师"), this, &TeaPage::btnAddTeaClick)->setObjectName("mniAddTea2");
    pmTs4_->addAction(QStringLiteral("删除教师"), this, &TeaPage::btnDelTeaClick)->setObjectName("mniDelTea2");
    pmTs4_->addSeparator();
    pmTs4_->addAction(QStringLiteral("填充简称"), this, &TeaPage::fillShortNames)->setObjectName("mniFillTea2");
    pmTs4_->addSeparator();
    pmTs4_->addAction(QStringLiteral("导入EXCEL数据"), this, &TeaPage::btnExcelToTeaClick)->setObjectName("mniExcelToTea");
    pmTs4_->addAction(QStringLiteral("导出EXCEL(可再导入)"), this, &TeaPage::exportForImport)
        ->setObjectName("mniTeaToExcel1_2");
    pmTs4_->addAction(QStringLiteral("导出EXCEL(用于统计)"), this, &TeaPage::exportStatistics)
        ->setObjectName("mniTeaToExcel2_2");
    pmTs4_->addSeparator();
    pmTs4_->addAction(QStringLiteral("帮助"), this, [this] { shell().help(); });

    teshu_ = std::make_unique<TteshuForm>(this);
    jieshu_ = std::make_unique<TfrmJieshu>(this);

    connect(add, &QPushButton::clicked, this, &TeaPage::btnAddTeaClick);
    connect(del, &QPushButton::clicked, this, &TeaPage::btnDelTeaClick);
    connect(fill, &QPushButton::clicked, this, &TeaPage::fillShortNames);
    connect(find, &QPushButton::clicked, this, &TeaPage::btnFnTeaClick);
    connect(imp, &QPushButton::clicked, this, &TeaPage::btnExcelToTeaClick);
    // The export's popup opens under the button, its left edge at the button's.
    connect(exp, &QPushButton::released, this,
            [this, exp] { pmTeaToExcel_->popup(exp->mapToGlobal(QPoint(0, exp->height()))); });
    connect(edtFnTea_, &QLineEdit::returnPressed, this, &TeaPage::btnFnTeaClick);
    connect(exp, &QPushButton::clicked, this,
            [this, exp] { pmTeaToExcel_->popup(exp->mapToGlobal(QPoint(0, exp->height()))); });
    connect(lvtea_, &QWidget::customContextMenuRequested, this,
            [this](const QPoint& at) { pmTeaGd_->popup(lvtea_->viewport()->mapToGlobal(at)); });
    connect(model_, &TeaModel::edited, this, [this] { markChanged(); });
    connect(delegate_, &TeaDelegate::moveRequested, this, &TeaPage::moveEditor);
    connect(delegate_, &TeaDelegate::closeRequested, this, &TeaPage::closeEditor);
    connect(delegate_, &TeaDelegate::markButtonClicked, this, &TeaPage::openMarks);
    connect(delegate_, &TeaDelegate::stripCreated, this, &TeaPage::wireStrip);
    // A drop is carried out once the drag has ended: the periods dialog must not run inside
    // the drop event, and the chip list that started a drag may be rebuilt.
    connect(model_, &TeaModel::unassignedDropped, this, &TeaPage::assignDropped, Qt::QueuedConnection);
    connect(model_, &TeaModel::chipDropped, this, &TeaPage::moveDropped, Qt::QueuedConnection);
    connect(renke_, &RenkeModel::chipDropped, this, &TeaPage::deleteDropped, Qt::QueuedConnection);
    connect(lvRenke_, &QAbstractItemView::pressed, this, [this] { selectRow(-1); });
    auto* header = lvtea_->horizontalHeader();
    connect(header, &QHeaderView::sectionResized, this, &TeaPage::placeTitles);
    connect(header, &QHeaderView::geometriesChanged, this, &TeaPage::placeTitles);
    connect(lvtea_->horizontalScrollBar(), &QScrollBar::valueChanged, this, &TeaPage::placeTitles);
    connect(lvtea_->selectionModel(), &QItemSelectionModel::selectionChanged, this, [this] {
        updateButtons();
        const int row = selectedRow();
        if (!stripIndex_.isValid() || stripIndex_.row() != row)
            showStrip(row);
        if (teshu_->isVisible() && row >= 0) {
            const auto& r = model_->draft().rows[static_cast<std::size_t>(row)];
            teshu_->retargetTeacher(r.id, qs(r.name));
        }
    });
    connect(teshu_.get(), &TteshuForm::committed, this, [this] { model_->touched(); });
    connect(teshu_.get(), &TteshuForm::stepRequested, this, [this](int delta) {
        const int row = selectedRow() + delta;
        if (row >= 0 && row < model_->rowCount()) {
            selectRow(row);
            lvtea_->scrollTo(model_->index(row, 0));
        }
    });
}

TeaPage::~TeaPage() = default;

void TeaPage::load(int)
{
    teshu_->hide();
    closeEditor();
    showStrip(-1);
    model_->setDraft(loadTeachers(shell().store()));
    auto* h = lvtea_->horizontalHeader();
    h->setSectionResizeMode(QHeaderView::Interactive);
    h->resizeSection(0, 45);
    h->resizeSection(TeaModel::kName, 80);
    h->resizeSection(TeaModel::kName2, 80);
    h->resizeSection(TeaModel::kTeshu, 120);  // room for its title, "尽量、一定、不排"
    h->setSectionResizeMode(TeaModel::kRenke, QHeaderView::Stretch);
    renke_->rebuild();
    updateLabels();
    updateButtons();
    placeTitles();
    lvtea_->setFocus();
}

void TeaPage::refreshAfterImport()
{
    closeEditor();
    showStrip(-1);
    TeaDraft kept = std::move(model_->draft());
    model_->setDraft(std::move(kept));
    renke_->rebuild();
    updateLabels();
    updateButtons();
    markChanged();
}

void TeaPage::btnExcelToTeaClick()
{
    closeEditor();
    teshu_->hide();
    TeaDraft work = model_->draft();
    if (tavrin::spreadsheet::runTeaImport(this, shell().asker(), work, importSeams_)) {
        model_->draft() = std::move(work);
        refreshAfterImport();
    }
}

void TeaPage::exportForImport()
{
    closeEditor();
    tavrin::spreadsheet::exportAssignmentsForImport(this, shell().asker(), model_->draft());
}

void TeaPage::exportStatistics()
{
    closeEditor();
    tavrin::spreadsheet::exportAssignmentStats(this, shell().asker(), model_->draft());
}

bool TeaPage::save()
{
    closeEditor();
    teshu_->hide();
    auto& asker = shell().asker();
    try {
        const Result r = saveTeachers(shell().store(), model_->draft());
        if (!r) {
            asker.inform(qs(r.message), {}, tavrin::ui::Icon::Warning);
            lvtea_->setFocus();
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

QString TeaPage::statusText() const
{
    return QString::fromUtf8(kTeaStatus);
}

QMenu* TeaPage::pageMenu()
{
    return pmTs4_;
}

void TeaPage::leave()
{
    teshu_->hide();
    closeEditor();
    showStrip(-1);
    Page::leave();
}

QPushButton* TeaPage::button(const char* name) const
{
    return findChild<QPushButton*>(name);
}

QAction* TeaPage::action(const char* name) const
{
    return findChild<QAction*>(name);
}

QLineEdit* TeaPage::editor() const
{
    return qobject_cast<QLineEdit*>(lvtea_->indexWidget(lvtea_->currentIndex()));
}

ChipStrip* TeaPage::strip() const
{
    return stripIndex_.isValid() ? qobject_cast<ChipStrip*>(lvtea_->indexWidget(stripIndex_)) : nullptr;
}

int TeaPage::selectedRow() const
{
    const QModelIndex i = lvtea_->currentIndex();
    return i.isValid() && lvtea_->selectionModel()->isRowSelected(i.row(), {}) ? i.row() : -1;
}

void TeaPage::selectRow(int row)
{
    if (row < 0 || row >= model_->rowCount()) {
        lvtea_->clearSelection();
        lvtea_->setCurrentIndex({});
        return;
    }
    const QModelIndex i = model_->index(row, TeaModel::kName);
    lvtea_->selectionModel()->setCurrentIndex(i, QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
}

void TeaPage::updateButtons()
{
    const bool any = selectedRow() >= 0;
    button("btnDelTea")->setEnabled(any);
    for (const char* n : {"mniDelTea", "mniDelTea2"})
        action(n)->setEnabled(any);
}

void TeaPage::updateLabels()
{
    lblRenkeTil_->setText(qs(assignedLabel(model_->draft())));
    lblRenJieCount_->setText(qs(remainingLabel(renke_->rows())));
    if (renke_->rowCount() == 0)
        pnlTeaInfo_->hide();
}

void TeaPage::placeTitles()
{
    const auto* h = lvtea_->horizontalHeader();
    const int x0 = lvtea_->viewport()->x();
    for (int c = 0; c < 4; ++c)
        titles_[static_cast<std::size_t>(c)]->setGeometry(x0 + h->sectionViewportPosition(c), 0,
                                                          h->sectionSize(c), pnlTeaGdTil_->height());
    // The set-up title takes the rest, over the scroll bar too.
    const int x4 = x0 + h->sectionViewportPosition(TeaModel::kTeshu);
    titles_[4]->setGeometry(x4, 0, std::max(0, pnlTeaGdTil_->width() - x4), pnlTeaGdTil_->height());
    // The hint lies along the foot of the unassigned list.
    pnlTeaInfo_->setGeometry(1, lvRenke_->height() - 31, lvRenke_->width() - 2, 30);
}

void TeaPage::resizeEvent(QResizeEvent* e)
{
    Page::resizeEvent(e);
    placeTitles();
}

void TeaPage::rebuildList()
{
    const int at = lvRenke_->verticalScrollBar()->value();
    renke_->rebuild();
    lvRenke_->verticalScrollBar()->setValue(at);
}

void TeaPage::showStrip(int row, int entry, bool focus)
{
    if (stripIndex_.isValid())
        lvtea_->closePersistentEditor(stripIndex_);
    stripIndex_ = QPersistentModelIndex();
    if (row < 0 || row >= model_->rowCount())
        return;
    stripIndex_ = model_->index(row, TeaModel::kRenke);
    lvtea_->openPersistentEditor(stripIndex_);
    ChipStrip* s = strip();
    if (!s)
        return;
    if (entry >= 0)
        s->list()->selectEntry(entry);
    if (focus)
        s->list()->setFocus();
}

void TeaPage::wireStrip(ChipStrip* s)
{
    connect(s->btnDelRk(), &QPushButton::clicked, this, &TeaPage::btnDelRkClick);
    connect(s->list(), &ChipList::stepRequested, this, [this](int delta) {
        const int row = selectedRow() + delta;
        if (row < 0 || row >= model_->rowCount())
            return;
        selectRow(row);
        lvtea_->scrollTo(model_->index(row, TeaModel::kRenke));
        if (ChipStrip* next = strip())
            next->list()->setFocus();
    });
}

void TeaPage::editCell(int row, int column)
{
    if (row < 0 || row >= model_->rowCount() || (column != TeaModel::kName && column != TeaModel::kName2))
        return;
    closeEditor();
    selectRow(row);
    const QModelIndex i = model_->index(row, column);
    lvtea_->setCurrentIndex(i);
    lvtea_->scrollTo(i);
    lvtea_->edit(i);
}

void TeaPage::moveEditor(int dr, int dc)
{
    const QModelIndex i = lvtea_->currentIndex();
    if (!i.isValid())
        return;
    const int row = std::clamp(i.row() + dr, 0, model_->rowCount() - 1);
    const int col = std::clamp(i.column() + dc, int(TeaModel::kName), int(TeaModel::kName2));
    editCell(row, col);
}

void TeaPage::closeEditor()
{
    if (QLineEdit* e = editor()) {
        Q_EMIT delegate_->commitData(e);
        Q_EMIT delegate_->closeEditor(e, QAbstractItemDelegate::NoHint);
        lvtea_->setFocus();
    }
}

void TeaPage::btnAddTeaClick()
{
    int added = -1;
    const Result r = model_->addRow(&added);
    if (!r) {
        shell().asker().inform(qs(r.message), {}, tavrin::ui::Icon::Warning);
        return;
    }
    editCell(added, TeaModel::kName);
}

void TeaPage::btnDelTeaClick()
{
    const int row = selectedRow();
    if (row < 0)
        return;
    closeEditor();
    showStrip(-1);
    const int next = model_->deleteRow(row, teshu_->teaWork());
    model_->refreshTexts();
    rebuildList();
    updateLabels();
    selectRow(next);
    lvtea_->setFocus();
    updateButtons();
}

void TeaPage::fillShortNames()
{
    closeEditor();
    model_->fillShortNames();
}

void TeaPage::btnFnTeaClick()
{
    const int row = findTeacher(model_->draft(), edtFnTea_->text().toStdString(), selectedRow());
    if (row < 0)
        return;
    closeEditor();
    selectRow(row);
    lvtea_->scrollTo(model_->index(row, 0));
}

void TeaPage::openMarks(int row)
{
    if (row < 0 || row >= model_->rowCount())
        return;
    closeEditor();
    selectRow(row);
    const auto& r = model_->draft().rows[static_cast<std::size_t>(row)];
    model::School sc;
    model::LoadDayBanJi(shell().store(), sc);
    teshu_->showForTeacher(model_->draft(), sc.mor, sc.aft, sc.nig, r.id, qs(r.name));
}

void TeaPage::afterEntries(std::int64_t tea, int entry)
{
    closeEditor();
    model_->refreshTexts();
    rebuildList();
    updateLabels();
    const int row = model_->draft().rowOf(tea);
    selectRow(row);
    if (row >= 0)
        lvtea_->scrollTo(model_->index(row, TeaModel::kRenke));
    showStrip(row, entry, true);
    model_->touched();
}

void TeaPage::assignDropped(std::int64_t tea, std::int64_t ban, std::int64_t ke)
{
    markChanged();
    auto& d = model_->draft();
    if (d.rowOf(tea) < 0)
        return;
    // The list may have changed since the row was pressed: what remains now is the limit.
    const std::int64_t left = remaining(d, ban, ke);
    if (left <= 0) {
        rebuildList();
        updateLabels();
        return;
    }
    jieshu_->prepare(qs(dropCaption(d, tea, ban, ke)), static_cast<int>(left));
    tavrin::ui::runDialog(runner_, *jieshu_);
    const int n = jieshu_->theJie();
    if (n <= 0)
        return;
    const int entry = dropOnTeacher(d, tea, ban, ke, n);
    if (entry >= 0)
        afterEntries(tea, entry);
}

void TeaPage::moveDropped(std::int64_t tea, int entry)
{
    markChanged();
    const int moved = moveChip(model_->draft(), entry, tea);
    if (moved >= 0)
        afterEntries(tea, moved);
}

void TeaPage::deleteDropped(int entry)
{
    auto& d = model_->draft();
    if (entry < 0 || entry >= static_cast<int>(d.renke.size()) || d.renke[static_cast<std::size_t>(entry)].empty())
        return;
    const std::int64_t tea = d.renke[static_cast<std::size_t>(entry)].tea;
    const auto before = chips(d, tea);
    int at = 0;
    while (at < static_cast<int>(before.size()) && before[static_cast<std::size_t>(at)].entry != entry)
        ++at;
    deleteChip(d, entry);
    // The chip now at the removed one's place, or the one before.
    const auto after = chips(d, tea);
    const int next = after.empty() ? -1 : after[static_cast<std::size_t>(std::min(at, int(after.size()) - 1))].entry;
    afterEntries(tea, next);
}

void TeaPage::btnDelRkClick()
{
    if (ChipStrip* s = strip())
        deleteDropped(s->list()->selectedEntry());
}

bool TeaPage::eventFilter(QObject* o, QEvent* e)
{
    if (o == lvtea_->viewport() && e->type() == QEvent::MouseButtonRelease) {
        auto* me = static_cast<QMouseEvent*>(e);
        if (me->button() == Qt::LeftButton) {
            const QModelIndex i = lvtea_->indexAt(me->position().toPoint());
            if (!i.isValid()) {
                closeEditor();
            } else if (i.column() == TeaModel::kName || i.column() == TeaModel::kName2) {
                editCell(i.row(), i.column());
                return true;
            }
        }
    }
    if (o == lvRenke_->viewport()) {
        if (e->type() == QEvent::Enter && renke_->rowCount() > 0) {
            placeTitles();
            pnlTeaInfo_->show();
            pnlTeaInfo_->raise();
        } else if (e->type() == QEvent::Leave) {
            pnlTeaInfo_->hide();
        }
    }
    return Page::eventFilter(o, e);
}

}  // namespace tavrin::entry::ui
