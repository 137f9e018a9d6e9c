#include "entry/ui/banlist.h"

#include <QKeyEvent>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>
#include <QScrollBar>

#include <algorithm>

namespace tavrin::entry::ui {

namespace {
QString qs(const std::string& s)
{
    return QString::fromStdString(s);
}
}  // namespace

// ---------------------------------------------------------------- BanModel

BanModel::BanModel(QObject* parent) : QAbstractItemModel(parent) {}

void BanModel::reset(ClassDraft d)
{
    beginResetModel();
    d_ = std::move(d);
    endResetModel();
}

QModelIndex BanModel::index(int row, int column, const QModelIndex& parent) const
{
    if (column != 0 || row < 0)
        return {};
    if (!parent.isValid())
        return row < static_cast<int>(d_.groups.size()) ? createIndex(row, 0, quintptr(0)) : QModelIndex();
    if (isGroup(parent) && row < static_cast<int>(d_.groups[parent.row()].classes.size()))
        return createIndex(row, 0, quintptr(parent.row() + 1));
    return {};
}

QModelIndex BanModel::parent(const QModelIndex& child) const
{
    if (!isClass(child))
        return {};
    return createIndex(static_cast<int>(child.internalId()) - 1, 0, quintptr(0));
}

int BanModel::rowCount(const QModelIndex& parent) const
{
    if (!parent.isValid())
        return static_cast<int>(d_.groups.size());
    if (isGroup(parent) && parent.row() < static_cast<int>(d_.groups.size()))
        return static_cast<int>(d_.groups[parent.row()].classes.size());
    return 0;
}

int BanModel::columnCount(const QModelIndex&) const
{
    return 1;
}

int BanModel::groupOf(const QModelIndex& i)
{
    if (!i.isValid())
        return -1;
    return isGroup(i) ? i.row() : static_cast<int>(i.internalId()) - 1;
}

BanPos BanModel::posOf(const QModelIndex& i) const
{
    if (!isClass(i))
        return {};
    BanPos p{groupOf(i), i.row()};
    return d_.has(p) ? p : BanPos{};
}

QModelIndex BanModel::classIndex(BanPos p) const
{
    if (!d_.has(p))
        return {};
    return createIndex(p.index, 0, quintptr(p.group + 1));
}

QVariant BanModel::data(const QModelIndex& index, int role) const
{
    if (role != Qt::DisplayRole && role != Qt::EditRole && role != Qt::ToolTipRole)
        return {};
    if (isGroup(index) && index.row() < static_cast<int>(d_.groups.size()))
        return qs(d_.groups[index.row()].name);
    const BanPos p = posOf(index);
    if (p.valid())
        return qs(d_.at(p).name);
    return {};
}

bool BanModel::setData(const QModelIndex& index, const QVariant& value, int role)
{
    if (role != Qt::EditRole)
        return false;
    const std::string text = value.toString().toStdString();
    std::string* target = nullptr;
    if (isGroup(index) && index.row() < static_cast<int>(d_.groups.size()))
        target = &d_.groups[index.row()].name;
    else if (const BanPos p = posOf(index); p.valid())
        target = &d_.at(p).name;
    if (!target)
        return false;
    if (*target != text) {
        *target = text;
        Q_EMIT dataChanged(index, index);
        Q_EMIT edited();
    }
    return true;
}

Qt::ItemFlags BanModel::flags(const QModelIndex& index) const
{
    if (!index.isValid())
        return Qt::NoItemFlags;
    if (isGroup(index))
        return Qt::ItemIsEnabled | Qt::ItemIsEditable;
    return Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemIsEditable;
}

Result BanModel::addGroup()
{
    const int g = static_cast<int>(d_.groups.size());
    ClassDraft next = d_;
    Result r = entry::addGroup(next);
    if (!r)
        return r;
    beginInsertRows({}, g, g);
    d_ = std::move(next);
    endInsertRows();
    return r;
}

Result BanModel::addClass(int group, BanPos* added)
{
    ClassDraft next = d_;
    BanPos p;
    Result r = entry::addClass(next, group, &p);
    if (added)
        *added = p;
    if (!r)
        return r;
    beginInsertRows(groupIndex(group), p.index, p.index);
    d_ = std::move(next);
    endInsertRows();
    return r;
}

BanPos BanModel::deleteClass(BanPos p)
{
    if (!d_.has(p))
        return {};
    if (d_.groups[p.group].classes.size() > 1) {
        beginRemoveRows(groupIndex(p.group), p.index, p.index);
        const BanPos next = entry::deleteClass(d_, p);
        endRemoveRows();
        return next;
    }
    // The group goes with its last class; later groups' classes change parent.
    beginResetModel();
    const BanPos next = entry::deleteClass(d_, p);
    endResetModel();
    return next;
}

void BanModel::deleteGroup(int group)
{
    if (group < 0 || group >= static_cast<int>(d_.groups.size()))
        return;
    beginResetModel();
    entry::deleteGroup(d_, group);
    endResetModel();
}

void BanModel::fillNames()
{
    entry::fillNames(d_);
    for (int g = 0; g < static_cast<int>(d_.groups.size()); ++g) {
        const int n = static_cast<int>(d_.groups[g].classes.size());
        if (n > 0)
            Q_EMIT dataChanged(classIndex({g, 0}), classIndex({g, n - 1}));
    }
}

// ---------------------------------------------------------------- BanDelegate

BanDelegate::BanDelegate(QObject* parent) : QStyledItemDelegate(parent) {}

QWidget* BanDelegate::createEditor(QWidget* parent, const QStyleOptionViewItem&, const QModelIndex& index) const
{
    auto* e = new QLineEdit(parent);
    const bool group = BanModel::isGroup(index);
    e->setObjectName(group ? "edtGroup" : "edtBan");
    e->setStyleSheet(group ? "QLineEdit{border:2px solid #2f6fc4;background:white;font-weight:bold;"
                             "color:#1f3f6b;padding:0 6px;}"
                           : "QLineEdit{border:2px solid #2f6fc4;background:white;color:#10243f;padding:0 4px;}");
    // Typed text reaches the model at once: there is nothing to cancel.
    auto* self = const_cast<BanDelegate*>(this);
    connect(e, &QLineEdit::textEdited, self, [self, e] { Q_EMIT self->commitData(e); });
    self->created_ = e;
    return e;
}

void BanDelegate::setEditorData(QWidget* editor, const QModelIndex& index) const
{
    auto* e = static_cast<QLineEdit*>(editor);
    const QString text = index.data(Qt::EditRole).toString();
    if (e->text() != text) {
        e->setText(text);
        e->selectAll();
    }
}

void BanDelegate::setModelData(QWidget* editor, QAbstractItemModel* model, const QModelIndex& index) const
{
    model->setData(index, static_cast<QLineEdit*>(editor)->text(), Qt::EditRole);
}

void BanDelegate::updateEditorGeometry(QWidget* editor, const QStyleOptionViewItem& option, const QModelIndex&) const
{
    editor->setGeometry(option.rect);
}

bool BanDelegate::eventFilter(QObject* object, QEvent* event)
{
    auto* editor = qobject_cast<QLineEdit*>(object);
    if (!editor || event->type() != QEvent::KeyPress)
        return QStyledItemDelegate::eventFilter(object, event);
    auto* ke = static_cast<QKeyEvent*>(event);
    Q_EMIT keyPressed();
    if (ke->key() == Qt::Key_Escape) {
        // Qt would revert here; this list keeps what was typed.
        Q_EMIT commitData(editor);
        Q_EMIT closeEditor(editor, NoHint);
        return true;
    }
    if (editor->objectName() == QLatin1String("edtGroup")) {
        switch (ke->key()) {
        case Qt::Key_Up:
            Q_EMIT groupStep(editor, -1);
            return true;
        case Qt::Key_Down:
        case Qt::Key_Return:
        case Qt::Key_Enter:
            Q_EMIT groupStep(editor, 1);
            return true;
        default:
            break;
        }
    }
    return QStyledItemDelegate::eventFilter(object, event);
}

// ---------------------------------------------------------------- BanListView

BanListView::BanListView(QWidget* parent) : QAbstractItemView(parent), delegate_(new BanDelegate(this))
{
    setItemDelegate(delegate_);
    setEditTriggers(NoEditTriggers);
    setSelectionMode(SingleSelection);
    setSelectionBehavior(SelectItems);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setVerticalScrollMode(ScrollPerPixel);
    viewport()->setAutoFillBackground(false);
    connect(delegate_, &BanDelegate::groupStep, this, &BanListView::onGroupStep);
    connect(delegate_, &BanDelegate::keyPressed, this, &BanListView::keyPressed);
}

void BanListView::setModel(QAbstractItemModel* model)
{
    QAbstractItemView::setModel(model);
    model_ = qobject_cast<BanModel*>(model);
    auto again = [this] {
        relayout();
        updateGeometries();
        viewport()->update();
    };
    connect(model, &QAbstractItemModel::rowsInserted, this, again);
    connect(model, &QAbstractItemModel::rowsRemoved, this, again);
    connect(model, &QAbstractItemModel::modelReset, this, again);
    connect(model, &QAbstractItemModel::dataChanged, this, [this] { viewport()->update(); });
    again();
}

void BanListView::relayout()
{
    headers_.clear();
    tiles_.clear();
    const int width = std::max(viewport()->width(), kTileW + 2 * kMargin);
    int y = kMargin;
    const int groups = model_ ? model_->rowCount() : 0;
    for (int g = 0; g < groups; ++g) {
        headers_.emplace_back(kMargin, y, width - 2 * kMargin, kHeaderH);
        y += kHeaderH + 6;
        std::vector<QRect> row;
        int x = kMargin;
        const int n = model_->rowCount(model_->groupIndex(g));
        for (int c = 0; c < n; ++c) {
            if (x > kMargin && x + kTileW > width - kMargin) {
                x = kMargin;
                y += kTileH + kGap;
            }
            row.emplace_back(x, y, kTileW, kTileH);
            x += kTileW + kGap;
        }
        if (n > 0)
            y += kTileH;
        y += 14;
        tiles_.push_back(std::move(row));
    }
    contentHeight_ = y;
}

void BanListView::updateGeometries()
{
    verticalScrollBar()->setSingleStep(20);
    verticalScrollBar()->setPageStep(viewport()->height());
    verticalScrollBar()->setRange(0, std::max(0, contentHeight_ - viewport()->height()));
    QAbstractItemView::updateGeometries();
}

void BanListView::scrollContentsBy(int dx, int dy)
{
    // The open editor is a child of the viewport and moves with it.
    viewport()->scroll(dx, dy);
}

QRect BanListView::contentRect(const QModelIndex& index) const
{
    const int g = BanModel::groupOf(index);
    if (g < 0 || g >= static_cast<int>(headers_.size()))
        return {};
    if (BanModel::isGroup(index))
        return headers_[g];
    const auto& row = tiles_[g];
    return index.row() < static_cast<int>(row.size()) ? row[index.row()] : QRect();
}

QRect BanListView::visualRect(const QModelIndex& index) const
{
    return contentRect(index).translated(0, -verticalOffset());
}

void BanListView::scrollTo(const QModelIndex& index, ScrollHint)
{
    QRect r = contentRect(index);
    if (r.isNull())
        return;
    // A group's first tiles come into view with its header.
    const int top = r.top() - kGap, bottom = r.bottom() + kGap;
    const int v = verticalOffset(), h = viewport()->height();
    if (top < v)
        verticalScrollBar()->setValue(top);
    else if (bottom > v + h)
        verticalScrollBar()->setValue(std::min(top, bottom - h));
}

QModelIndex BanListView::indexAt(const QPoint& point) const
{
    if (!model_)
        return {};
    const QPoint p = point + QPoint(0, verticalOffset());
    for (int g = 0; g < static_cast<int>(headers_.size()); ++g) {
        if (headers_[g].contains(p))
            return model_->groupIndex(g);
        for (int c = 0; c < static_cast<int>(tiles_[g].size()); ++c)
            if (tiles_[g][c].contains(p))
                return model_->classIndex({g, c});
    }
    return {};
}

QModelIndex BanListView::moveCursor(CursorAction, Qt::KeyboardModifiers)
{
    return currentIndex();
}

int BanListView::horizontalOffset() const
{
    return 0;
}

int BanListView::verticalOffset() const
{
    return verticalScrollBar()->value();
}

bool BanListView::isIndexHidden(const QModelIndex&) const
{
    return false;
}

void BanListView::setSelection(const QRect& rect, QItemSelectionModel::SelectionFlags command)
{
    if (!model_)
        return;
    const QRect r = rect.normalized();
    for (int g = 0; g < static_cast<int>(tiles_.size()); ++g)
        for (int c = 0; c < static_cast<int>(tiles_[g].size()); ++c)
            if (visualRect(model_->classIndex({g, c})).intersects(r)) {
                selectionModel()->select(model_->classIndex({g, c}), command);
                return;
            }
}

QRegion BanListView::visualRegionForSelection(const QItemSelection& selection) const
{
    QRegion region;
    for (const QModelIndex& i : selection.indexes())
        region += visualRect(i);
    return region;
}

BanPos BanListView::selectedClass() const
{
    return model_ ? model_->posOf(currentIndex()) : BanPos{};
}

void BanListView::selectClass(BanPos p)
{
    if (!model_)
        return;
    const QModelIndex i = model_->classIndex(p);
    if (!i.isValid()) {
        selectionModel()->clear();
        return;
    }
    selectionModel()->setCurrentIndex(i, QItemSelectionModel::ClearAndSelect);
    scrollTo(i);
}

QLineEdit* BanListView::editor() const
{
    return editor_.data();
}

void BanListView::commitEditor()
{
    if (QLineEdit* e = editor_.data()) {
        commitData(e);
        closeEditor(e, QAbstractItemDelegate::NoHint);
    }
}

void BanListView::openEditor(const QModelIndex& index)
{
    if (!index.isValid())
        return;
    commitEditor();
    scrollTo(index);
    editing_ = index;
    if (!edit(index, AllEditTriggers, nullptr)) {
        editing_ = QPersistentModelIndex();
        return;
    }
    editor_ = delegate_->lastCreated();
    if (editor_ && BanModel::isGroup(index))
        editor_->selectAll();
}

void BanListView::openHeader(int group)
{
    if (!model_ || group < 0 || group >= model_->rowCount())
        return;
    commitEditor();
    if (model_->rowCount(model_->groupIndex(group)) > 0)
        selectClass({group, 0});
    openEditor(model_->groupIndex(group));
}

void BanListView::closeEditor(QWidget* editor, QAbstractItemDelegate::EndEditHint hint)
{
    if (editor == editor_.data()) {
        editor_ = nullptr;
        editing_ = QPersistentModelIndex();
    }
    QAbstractItemView::closeEditor(editor, hint);
}

void BanListView::onGroupStep(QWidget* editor, int delta)
{
    if (editor != editor_.data() || !model_)
        return;
    const int target = BanModel::groupOf(editing_) + delta;
    // Past either end the editor stays open where it is.
    if (target < 0 || target >= model_->rowCount())
        return;
    openHeader(target);
}

void BanListView::currentChanged(const QModelIndex& current, const QModelIndex& previous)
{
    QAbstractItemView::currentChanged(current, previous);
    viewport()->update();
    Q_EMIT selectedClassChanged();
}

void BanListView::mousePressEvent(QMouseEvent* e)
{
    const QModelIndex i = indexAt(e->position().toPoint());
    if (!i.isValid()) {
        // A press on no class or header only ends an open editor.
        commitEditor();
        setFocus();
        return;
    }
    if (BanModel::isGroup(i)) {
        if (e->button() == Qt::LeftButton)
            openHeader(i.row());
        else if (model_->rowCount(i) > 0)
            selectClass({i.row(), 0});
        return;
    }
    commitEditor();
    selectClass(model_->posOf(i));
    if (e->button() == Qt::LeftButton)
        openEditor(i);
    else
        setFocus();
}

void BanListView::mouseDoubleClickEvent(QMouseEvent* e)
{
    mousePressEvent(e);
}

void BanListView::keyPressEvent(QKeyEvent* e)
{
    Q_EMIT keyPressed();
    const BanPos p = selectedClass();
    const int key = e->key();
    const bool ours = key == Qt::Key_Left || key == Qt::Key_Right || key == Qt::Key_Up || key == Qt::Key_Down ||
                      key == Qt::Key_Return || key == Qt::Key_Enter;
    if (!ours) {
        QAbstractItemView::keyPressEvent(e);
        return;
    }
    e->accept();
    if (!p.valid() || !model_)
        return;
    const auto& d = model_->draft();
    const int groups = static_cast<int>(d.groups.size());
    BanPos target;
    switch (key) {
    case Qt::Key_Left:
        if (p.index > 0)
            target = {p.group, p.index - 1};
        break;
    case Qt::Key_Right:
        if (p.index + 1 < static_cast<int>(d.groups[p.group].classes.size()))
            target = {p.group, p.index + 1};
        break;
    case Qt::Key_Up:
        for (int g = p.group - 1; g >= 0 && !target.valid(); --g)
            if (!d.groups[g].classes.empty())
                target = {g, 0};
        break;
    case Qt::Key_Down:
        for (int g = p.group + 1; g < groups && !target.valid(); ++g)
            if (!d.groups[g].classes.empty())
                target = {g, 0};
        break;
    default:  // Enter: the selected class's editor
        openEditor(currentIndex());
        return;
    }
    if (!target.valid())
        return;
    selectClass(target);
    openEditor(model_->classIndex(target));
}

void BanListView::wheelEvent(QWheelEvent* e)
{
    commitEditor();
    QAbstractItemView::wheelEvent(e);
}

void BanListView::resizeEvent(QResizeEvent* e)
{
    QAbstractItemView::resizeEvent(e);
    relayout();
    updateGeometries();
}

void BanListView::paintEvent(QPaintEvent*)
{
    QPainter p(viewport());
    p.fillRect(viewport()->rect(), QColor(0xf7, 0xf9, 0xfc));
    if (!model_)
        return;
    p.setRenderHint(QPainter::Antialiasing);
    const int dy = -verticalOffset();
    QFont base = font();
    QFont bold = base;
    bold.setBold(true);
    if (base.pointSizeF() > 0)
        bold.setPointSizeF(base.pointSizeF() * 1.08);
    else if (base.pixelSize() > 0)
        bold.setPixelSize(qRound(base.pixelSize() * 1.08));
    const QModelIndex current = currentIndex();
    for (int g = 0; g < static_cast<int>(headers_.size()); ++g) {
        const QRect h = headers_[g].translated(0, dy);
        if (h.bottom() >= 0 && h.top() <= viewport()->height()) {
            QPainterPath band;
            band.addRoundedRect(QRectF(h).adjusted(0.5, 0.5, -0.5, -0.5), 4, 4);
            p.fillPath(band, QColor(0xe3, 0xeb, 0xf6));
            p.setPen(QColor(0x2f, 0x6f, 0xc4));
            p.drawLine(h.left() + 4, h.bottom(), h.right() - 4, h.bottom());
            p.setFont(bold);
            p.setPen(QColor(0x1f, 0x3f, 0x6b));
            const QString name = model_->data(model_->groupIndex(g)).toString();
            p.drawText(h.adjusted(10, 0, -10, 0), Qt::AlignVCenter | Qt::AlignLeft,
                       p.fontMetrics().elidedText(name, Qt::ElideRight, h.width() - 20));
        }
        p.setFont(base);
        for (int c = 0; c < static_cast<int>(tiles_[g].size()); ++c) {
            const QRect t = tiles_[g][c].translated(0, dy);
            if (t.bottom() < 0 || t.top() > viewport()->height())
                continue;
            const QModelIndex i = model_->classIndex({g, c});
            const bool sel = i == current;
            QPainterPath tile;
            tile.addRoundedRect(QRectF(t).adjusted(0.5, 0.5, -0.5, -0.5), 5, 5);
            p.fillPath(tile, sel ? QColor(0xcf, 0xe0, 0xf7) : QColor(Qt::white));
            p.setPen(QPen(sel ? QColor(0x2f, 0x6f, 0xc4) : QColor(0xc9, 0xd4, 0xe3), sel ? 1.6 : 1.0));
            p.drawPath(tile);
            p.setPen(QColor(0x10, 0x24, 0x3f));
            const QString name = model_->data(i).toString();
            p.drawText(t.adjusted(6, 0, -6, 0), Qt::AlignCenter,
                       p.fontMetrics().elidedText(name, Qt::ElideMiddle, t.width() - 12));
        }
    }
}

}  // namespace tavrin::entry::ui
