// The timetable step's whole-school pages: `ts7` ("总课程表", a row per class, editable by
// drag within a row, a drop image to the holding area, a pick list of held lessons, class
// locks and highlights) and `ts8` ("总任课表", a row per teacher, read-only). Both read the
// window's `KbDocument` and follow its notifications; every change goes through it and the
// moves. Entering and saving the step belong to the class page (`TimetablePage`).
#pragma once

#include <QPointer>

#include "timetable/kbdrag.h"
#include "timetable/schoolcells.h"
#include "ui/page.h"
#include "ui/schoolgrid.h"

class QAction;
class QCheckBox;
class QLabel;
class QListWidget;
class QMenu;
class QPushButton;
class QToolButton;

namespace tavrin::timetable::ui {

class SchoolTablePage : public tavrin::ui::Page {
    Q_OBJECT
public:
    SchoolTablePage(tavrin::ui::Shell& shell, int index, QWidget* parent = nullptr);

    void load(int table) override;
    bool save() override;
    void leave() override;
    void showTable(int table) override;
    QMenu* pageMenu() override { return menu_; }

    tavrin::ui::SchoolGrid* grid() const { return grid_; }
    QAction* action(const char* name) const;
    KbShow show() const;
    // Lays the table out and asks every cell again.
    void present();
    // The export of this table ("导出打印" and the menu's export entry); both stay disabled
    // until it is given.
    void setExportHandler(std::function<void()> f);

protected:
    KbDocument& doc_;
    tavrin::ui::SchoolGrid* grid_ = nullptr;
    QWidget* top_ = nullptr;
    QCheckBox* chk1_ = nullptr;
    QCheckBox* chk2_ = nullptr;
    QMenu* menu_ = nullptr;
    QPushButton* btnEx_ = nullptr;
    QAction* mniEx_ = nullptr;
    std::function<void()> export_;

    virtual int tableKind() const = 0;
    // The button and menu entry of the export, disabled, calling the handler once given.
    void addExport(QPushButton* button, QAction* entry);
    virtual void fillShape() = 0;
    // The rows (classes or teachers), the headers and the corner.
    void fillTable(KbSide side, const std::string& corner);
    virtual void kbChanged(const KbChange& c);
    QAction* addAction(QMenu* m, const char* name, const char* caption);
    void buildShowBoxes(const char* second, const char* name1, const char* name2);
};

class SchoolPage : public SchoolTablePage {
    Q_OBJECT
public:
    explicit SchoolPage(tavrin::ui::Shell& shell, QWidget* parent = nullptr);

    QString statusText() const override { return {}; }
    const SchoolHot& hot() const { return hot_; }
    const SchoolPicker& picker() const { return picker_; }
    QListWidget* pickList() const { return pickList_; }
    QLabel* hintPanel() const { return hint_; }
    QMenu* cellMenu() const { return pmKbAll_; }
    // The cell menu prepared for class `ban`'s cell at `slot` (as a right click does).
    void prepareCellMenu(int ban, int slot);
    void undoKb();
    void redoKb();

protected:
    int tableKind() const override;
    void fillShape() override;
    void kbChanged(const KbChange& c) override;
    bool eventFilter(QObject* o, QEvent* e) override;

private:
    SchoolHot hot_;
    SchoolPicker picker_;
    KbDrag drag_;
    int overSlot_ = 0;
    int popBan_ = 0, popSlot_ = 0;
    QListWidget* pickList_ = nullptr;
    QLabel* hint_ = nullptr;
    QMenu* pmKbAll_ = nullptr;
    QAction* toBan_ = nullptr;
    QAction* toTea_ = nullptr;
    QAction* hotKe_ = nullptr;
    QAction* hotTea_ = nullptr;
    QAction* undo_ = nullptr;
    QAction* redo_ = nullptr;

    tavrin::ui::SchoolGrid::Cell cellOf(int ban, int slot) const;
    void onCellClicked(int ban, int slot);
    void onPick(int n);
    void closePick();
    void onDragStarted(int ban, int slot);
    void onDragMoved(int ban, int slot, bool onImage);
    void onDragDropped(int ban, int slot, bool onImage, const QPoint& imagePos);
    void endDrag();
    void showHint(const std::string& text);
    void rowMarks(int targetSlot, bool accepted);
    void syncUndo();
    void stepRing(bool redo);
};

class AssignPage : public SchoolTablePage {
    Q_OBJECT
public:
    explicit AssignPage(tavrin::ui::Shell& shell, QWidget* parent = nullptr);
    QString statusText() const override;

protected:
    int tableKind() const override;
    void fillShape() override;
};

}  // namespace tavrin::timetable::ui
