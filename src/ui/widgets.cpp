#include "ui/widgets.h"

#include <QApplication>
#include <QEnterEvent>
#include <QHeaderView>
#include <QMouseEvent>
#include <QStyle>
#include <QStyleOptionViewItem>


namespace tavrin::ui {

void runDialog(const DialogRunner& runner, QDialog& d)
{
    if (runner)
        runner(d);
    else
        d.exec();
}

namespace {

class WheelWatch : public QObject {
public:
    WheelWatch(QWidget* owner, std::function<void(QWidget*)> turned)
        : QObject(owner), owner_(owner), turned_(std::move(turned))
    {
        qApp->installEventFilter(this);
    }

protected:
    bool eventFilter(QObject* o, QEvent* e) override
    {
        if (e->type() == QEvent::Wheel && o->isWidgetType()) {
            auto* w = static_cast<QWidget*>(o);
            if (w->window() == owner_->window())
                turned_(w);
        }
        return false;
    }

private:
    QWidget* owner_;
    std::function<void(QWidget*)> turned_;
};

}  // namespace

void watchWindowWheel(QWidget* owner, std::function<void(QWidget* target)> turned)
{
    new WheelWatch(owner, std::move(turned));
}

// ---------------------------------------------------------------- CheckList

CheckList::CheckList(const QString& title, QWidget* parent) : QTreeWidget(parent)
{
    setColumnCount(1);
    setRootIsDecorated(false);
    setIndentation(0);
    setUniformRowHeights(true);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setAllColumnsShowFocus(true);
    if (title.isEmpty()) {
        setHeaderHidden(true);
    } else {
        setHeaderLabels({title});
        header()->setSectionsClickable(false);
        header()->setStretchLastSection(true);
    }
    connect(this, &QTreeWidget::itemChanged, this, &CheckList::onItemChanged);
}

void CheckList::clearRows()
{
    quiet_ = true;
    clear();
    quiet_ = false;
}

void CheckList::addRow(const QString& caption, const QString& value, bool checked)
{
    quiet_ = true;
    auto* it = new QTreeWidgetItem(this, {caption});
    it->setData(0, Qt::UserRole, value);
    it->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemIsUserCheckable);
    it->setCheckState(0, checked ? Qt::Checked : Qt::Unchecked);
    quiet_ = false;
}

QString CheckList::caption(int row) const
{
    auto* it = topLevelItem(row);
    return it ? it->text(0) : QString();
}

QString CheckList::value(int row) const
{
    auto* it = topLevelItem(row);
    return it ? it->data(0, Qt::UserRole).toString() : QString();
}

bool CheckList::isChecked(int row) const
{
    auto* it = topLevelItem(row);
    return it && it->checkState(0) == Qt::Checked;
}

void CheckList::setChecked(int row, bool on)
{
    auto* it = topLevelItem(row);
    if (!it)
        return;
    quiet_ = true;
    it->setCheckState(0, on ? Qt::Checked : Qt::Unchecked);
    quiet_ = false;
}

std::vector<bool> CheckList::checks() const
{
    std::vector<bool> v(static_cast<std::size_t>(rowCount()));
    for (int i = 0; i < rowCount(); ++i)
        v[static_cast<std::size_t>(i)] = isChecked(i);
    return v;
}

void CheckList::setChecks(const std::vector<bool>& on)
{
    for (int i = 0; i < rowCount() && i < static_cast<int>(on.size()); ++i)
        setChecked(i, on[static_cast<std::size_t>(i)]);
}

QRect CheckList::rowRect(int row) const
{
    auto* it = topLevelItem(row);
    return it ? visualItemRect(it) : QRect();
}

void CheckList::onItemChanged(QTreeWidgetItem* item, int column)
{
    if (quiet_ || column != 0)
        return;
    const int row = indexOfTopLevelItem(item);
    const bool on = item->checkState(0) == Qt::Checked;
    if (rule_)
        setChecks(rule_(checks(), row, on));
    Q_EMIT rowToggled(row, on);
}

bool CheckList::onIndicator(QTreeWidgetItem* item, const QPoint& pos) const
{
    QStyleOptionViewItem opt;
    initViewItemOption(&opt);
    const QModelIndex idx = indexFromItem(item, 0);
    opt.rect = visualRect(idx);
    opt.index = idx;
    opt.features |= QStyleOptionViewItem::HasCheckIndicator;
    opt.checkState = item->checkState(0);
    const QRect box = style()->subElementRect(QStyle::SE_ItemViewItemCheckIndicator, &opt, this);
    return box.contains(pos);
}

bool CheckList::pressToggle(QMouseEvent* e)
{
    const QPoint pos = e->position().toPoint();
    if (e->button() != Qt::LeftButton || pos.x() <= kPressMargin)
        return false;
    auto* it = itemAt(pos);
    // A press on the box itself is the box's own business (it toggles on release).
    if (!it || onIndicator(it, pos))
        return false;
    it->setCheckState(0, it->checkState(0) == Qt::Checked ? Qt::Unchecked : Qt::Checked);
    return true;
}

void CheckList::mousePressEvent(QMouseEvent* e)
{
    pressToggle(e);
    QTreeWidget::mousePressEvent(e);
}

void CheckList::mouseDoubleClickEvent(QMouseEvent* e)
{
    if (pressToggle(e)) {
        e->accept();
        return;
    }
    QTreeWidget::mouseDoubleClickEvent(e);
}

void CheckList::enterEvent(QEnterEvent* e)
{
    setFocus(Qt::MouseFocusReason);
    QTreeWidget::enterEvent(e);
}

// ---------------------------------------------------------------- PickLabel

PickLabel::PickLabel(const QString& text, QWidget* parent) : QLabel(text, parent)
{
    setCursor(Qt::PointingHandCursor);
    setMinimumHeight(28);
    setAttribute(Qt::WA_Hover);
    showHover(false);
}

void PickLabel::showHover(bool on)
{
    hovered_ = on;
    // Transparent until the mouse is over it, then an opaque field that invites the press.
    setStyleSheet(on ? "QLabel{background:#dce8f8;border:1px solid #5b8bd0;border-radius:3px;color:#123a73;}"
                     : "QLabel{background:transparent;border:1px dashed #9db3d0;border-radius:3px;color:#1d4f91;}");
}

void PickLabel::mousePressEvent(QMouseEvent* e)
{
    if (e->button() == Qt::LeftButton)
        Q_EMIT pressed();
    QLabel::mousePressEvent(e);
}

void PickLabel::enterEvent(QEnterEvent* e)
{
    showHover(true);
    QLabel::enterEvent(e);
}

void PickLabel::leaveEvent(QEvent* e)
{
    showHover(false);
    QLabel::leaveEvent(e);
}

}  // namespace tavrin::ui
