// The pages of the main window and what they may ask of it.
//
// The window (`TForm1`) is a stack of pages: ts0 the home page, ts1..ts5 the five step
// pages, ts6 the class and teacher timetables, ts7 the whole-school timetable, ts8 the
// whole-school assignment table, ts9 the cover page of a day. A page is a `Page`; a subsystem puts its real page in
// place by registering a factory for the page's index from its own source file:
//
//     namespace {
//     const bool registered = tavrin::ui::registerPage(1, [](tavrin::ui::Shell& sh) {
//         return new BanPage(sh);
//     });
//     }
//
// Pages nobody has registered show a placeholder.
#pragma once

#include <QString>
#include <QWidget>

#include <functional>
#include <map>

class QAbstractButton;
class QLabel;
class QMenu;

namespace tavrin::store {
class Store;
}
namespace tavrin::users {
struct Session;
}

namespace tavrin::ui {

class Asker;
class KbStep;
class Page;

// Which table an opening of the timetable step asks for (the four entries of `pmOpenKb`
// and the four page switch buttons `btnBiao1`..`btnBiao4`).
enum KbTable { KbNone = 0, KbBan = 1, KbTea = 2, KbAll = 3, KbRenke = 4 };

// The page index that shows a table: 6 for class and teacher, 7, 8.
int pageOfTable(int table);

// The main window as the pages see it.
class Shell {
public:
    virtual ~Shell() = default;

    virtual store::Store& store() = 0;
    virtual users::Session& session() = 0;
    virtual Asker& asker() = 0;

    // `DataChanged`: the page shown holds edits not yet saved.
    virtual bool dataChanged() const = 0;
    virtual void setDataChanged(bool on) = 0;

    // The one line of the status bar.
    virtual void setStatus(const QString& text) = 0;
    virtual QString status() const = 0;

    // Refuses a viewer with the read-only message; true when the command must stop.
    virtual bool refuseViewer() = 0;

    // The common commands, as the top bar runs them.
    virtual void save() = 0;    // Save routing (the viewer is refused first)
    virtual void goBack() = 0;  // Return, with the save question when DataChanged
    virtual void help() = 0;    // the help topic of the page shown

    // `KbLayout` of the latest home-page refresh: 1 days as columns, 2 days as rows.
    virtual int kbLayout() const = 0;

    virtual Page* page(int index) = 0;
    virtual int currentIndex() const = 0;
    // Shows another page of the timetable step (6, 7, 8) without loading it and without
    // touching DataChanged: the three share one step's data.
    virtual void switchToPage(int index) = 0;
    // The top bar's page switch buttons, 1..4 (`btnBiao1`..`btnBiao4`); checkable, one group.
    virtual QAbstractButton* biaoButton(int k) = 0;

    // Lets pending window messages run, so that long work repaints and a second click
    // can reach a cancel flag.
    virtual void processEvents() = 0;

    // The top bar (menu picture, Return, Save, Help, page switches) is off while a page's
    // long job runs, so that nobody leaves the page under it.
    virtual void setTopBarEnabled(bool on) = 0;
    // Opens the timetable step on a table (KbBan ...) as the home page's entries do.
    virtual void openTimetable(int table) = 0;

    // The timetable step's document and its signals: one for the window, shared by the
    // pages 6, 7 and 8 and every panel that shows the timetable.
    virtual KbStep& kbStep() = 0;
};

class Page : public QWidget {
    Q_OBJECT
public:
    Page(Shell& shell, int index, QWidget* parent = nullptr);

    int index() const { return index_; }
    Shell& shell() const { return shell_; }

    // Called on every opening, after the window is disabled and before the status text is
    // set and DataChanged cleared. `table` is the KbTable asked for on the timetable pages,
    // KbNone on the step pages. Reloads everything the page shows from the file.
    virtual void load(int table);

    // The page's part of Save routing, after the viewer refusal. False when the save
    // refused (DataChanged then stays set).
    virtual bool save();

    // Whether `btnSave` shows on this page (steps 1 to 4 and the timetable pages).
    virtual bool hasSave() const;

    // The status line set after the opening.
    virtual QString statusText() const;

    // Help topic "0".."7".
    virtual QString helpTopic() const;

    // The page's command menu, opened from the top bar's menu picture. nullptr: the window
    // offers its own small menu (save, return, help).
    virtual QMenu* pageMenu();

    // Going home: hide floating controls, release the page's data.
    virtual void leave();

    // A page switch button of the timetable step was pressed while this page is shown.
    virtual void showTable(int table);

protected:
    void markChanged();

private:
    Shell& shell_;
    int index_;
};

// The texts and topics every page of an index has unless it says otherwise.
QString defaultStatusText(int index);
QString defaultHelpTopic(int index);
QString pageCaption(int index);  // "欢迎使用", "1.班级", ...

using PageFactory = std::function<Page*(Shell&)>;

// Registers the real page of `index` (1..9); the latest registration wins, an empty factory
// removes it. Returns true so that it can initialise a static.
bool registerPage(int index, PageFactory factory);
const std::map<int, PageFactory>& registeredPages();

// What a page shows until its real screen is registered.
class PlaceholderPage : public Page {
    Q_OBJECT
public:
    PlaceholderPage(Shell& shell, int index, QWidget* parent = nullptr);
    void load(int table) override;
    void showTable(int table) override;
    // Nothing here can be edited, so nothing offers to save.
    bool hasSave() const override { return false; }
    int shownTable() const { return table_; }

private:
    QLabel* lblTitle_;
    QLabel* lblTable_;
    int table_ = KbNone;
    void showTableCaption();
};

}  // namespace tavrin::ui
