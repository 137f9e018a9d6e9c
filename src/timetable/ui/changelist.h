// The change list (`lvChnKe` in `pnlChnKe`): every class and teacher timetable that now
// differs from the one loaded on entry to the step, rebuilt at every change the document
// tells of, on whichever page it was made. Each item keeps its side and id as data; a
// double-click or "打开这张课表" asks the page to show it.
#pragma once

#include <QObject>

#include <memory>
#include <vector>

#include "timetable/changes.h"
#include "timetable/kbdata.h"

class QAction;
class QListWidget;
class QListWidgetItem;
class QMenu;

namespace tavrin::timetable::ui {

class ChangeList : public QObject {
    Q_OBJECT
public:
    // Item data roles: the side (1 class, 2 teacher) and the id.
    static constexpr int kSideRole = Qt::UserRole;
    static constexpr int kIdRole = Qt::UserRole + 1;

    explicit ChangeList(QListWidget* list);

    // The list against the baseline of `kb`, by `finder` (built for kb's school).
    void rebuild(const KbData& kb, ChangeFinder& finder);
    void clear();
    // The listed timetables, in list order, for the export's preset selection.
    const std::vector<ChangedTable>& tables() const { return tables_; }

    QAction* openAction() const { return open_; }
    QMenu* menu() const { return menu_; }
    // Opens the selected item; nothing without a selection.
    void openSelected();

Q_SIGNALS:
    void openRequested(tavrin::timetable::KbSide side, int id);

private:
    QListWidget* list_;
    QMenu* menu_;
    QAction* open_;
    std::vector<ChangedTable> tables_;

    void openItem(QListWidgetItem* item);
    void syncOpen();
};

}  // namespace tavrin::timetable::ui
