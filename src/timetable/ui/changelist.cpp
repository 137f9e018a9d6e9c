#include "timetable/ui/changelist.h"

#include <QAction>
#include <QListWidget>
#include <QMenu>

namespace tavrin::timetable::ui {

ChangeList::ChangeList(QListWidget* list) : QObject(list), list_(list)
{
    list_->setSelectionMode(QAbstractItemView::SingleSelection);
    list_->setSelectionBehavior(QAbstractItemView::SelectRows);
    list_->setContextMenuPolicy(Qt::CustomContextMenu);
    menu_ = new QMenu(list_);
    menu_->setObjectName("pmChnKeKb");
    open_ = menu_->addAction(QStringLiteral("打开这张课表"));
    open_->setObjectName("mniOpChnKb");
    open_->setEnabled(false);
    connect(open_, &QAction::triggered, this, &ChangeList::openSelected);
    connect(list_, &QListWidget::itemDoubleClicked, this, &ChangeList::openItem);
    connect(list_, &QListWidget::itemSelectionChanged, this, &ChangeList::syncOpen);
    connect(list_, &QWidget::customContextMenuRequested, this,
            [this](const QPoint& at) { menu_->popup(list_->viewport()->mapToGlobal(at)); });
}

void ChangeList::rebuild(const KbData& kb, ChangeFinder& finder)
{
    if (!kb.loaded) {
        clear();
        return;
    }
    tables_ = finder.find({kb.base.Renke_B, kb.base.Renke_T}, {kb.gridB(), kb.gridT()}, false);
    // The selection survives a rebuild when its timetable is still listed.
    const QListWidgetItem* cur = list_->currentItem();
    const QVariant side = cur ? cur->data(kSideRole) : QVariant(), id = cur ? cur->data(kIdRole) : QVariant();
    list_->blockSignals(true);
    list_->clear();
    for (const auto& t : tables_) {
        auto* item = new QListWidgetItem(QString::fromStdString(changedCaption(kb.school, t)), list_);
        item->setData(kSideRole, static_cast<int>(t.side));
        item->setData(kIdRole, t.id);
        item->setToolTip((t.side == KbSide::Ban ? QStringLiteral("班级") : QStringLiteral("教师")) + item->text());
        if (side.isValid() && item->data(kSideRole) == side && item->data(kIdRole) == id)
            list_->setCurrentItem(item);
    }
    list_->blockSignals(false);
    syncOpen();
}

void ChangeList::clear()
{
    tables_.clear();
    list_->clear();
    syncOpen();
}

void ChangeList::syncOpen()
{
    open_->setEnabled(!list_->selectedItems().isEmpty());
}

void ChangeList::openSelected()
{
    const auto sel = list_->selectedItems();
    if (!sel.isEmpty())
        openItem(sel.front());
}

void ChangeList::openItem(QListWidgetItem* item)
{
    if (!item)
        return;
    const int side = item->data(kSideRole).toInt();
    const int id = item->data(kIdRole).toInt();
    Q_EMIT openRequested(side == static_cast<int>(KbSide::Tea) ? KbSide::Tea : KbSide::Ban, id);
}

}  // namespace tavrin::timetable::ui
