// The main window `TForm1`: the top bar, the page stack `pgc1` with the home page and the
// eight step and timetable pages and the cover page, the status bar, and the window's own commands (save,
// return, close, help, the step-clear commands, backup, restore, the user commands).
#pragma once

#include <QMainWindow>
#include <QUrl>

#include <array>
#include <functional>
#include <map>
#include <memory>
#include <optional>

#include "app/home.h"
#include "ui/asker.h"
#include "ui/kbstep.h"
#include "ui/page.h"
#include "users/users.h"

class QAction;
class QButtonGroup;
class QLabel;
class QMenu;
class QPushButton;
class QStackedWidget;
class QTextBrowser;

namespace tavrin::users::ui {
class TfrmLogin;
class TFrmSetUserPass;
class TFrmNewUser;
}  // namespace tavrin::users::ui

namespace tavrin::app::ui {
class HomePage;
}  // namespace tavrin::app::ui

namespace tavrin::mainwin {

using app::HomeState;
using app::ui::HomePage;

// The top bar's menu picture `imgTopMu`.
class MenuImage : public QWidget {
    Q_OBJECT
public:
    explicit MenuImage(QWidget* parent);
    int state() const { return state_; }
Q_SIGNALS:
    void released();

protected:
    void paintEvent(QPaintEvent*) override;
    void enterEvent(QEnterEvent*) override;
    void leaveEvent(QEvent*) override;
    void mousePressEvent(QMouseEvent*) override;
    void mouseReleaseEvent(QMouseEvent*) override;

private:
    int state_ = 0;  // 0 normal, 1 hover, 2 pressed
};

class TForm1 : public QMainWindow, public tavrin::ui::Shell {
    Q_OBJECT
public:
    struct Options {
        // The Asker to use; nullptr: message boxes over this window.
        tavrin::ui::Asker* asker = nullptr;
        // Take the pages that subsystems registered (tests leave them out).
        bool useRegisteredPages = true;
        // Pages given directly, by index; they win over registered ones.
        std::map<int, tavrin::ui::PageFactory> pages;
    };

    explicit TForm1(store::Store& store);
    TForm1(store::Store& store, Options options);
    ~TForm1() override;

    // ---- Shell
    store::Store& store() override { return store_; }
    tavrin::ui::KbStep& kbStep() override { return *kbStep_; }
    users::Session& session() override { return session_; }
    tavrin::ui::Asker& asker() override { return *asker_; }
    bool dataChanged() const override { return dataChanged_; }
    void setDataChanged(bool on) override { dataChanged_ = on; }
    void setStatus(const QString& text) override;
    QString status() const override;
    bool refuseViewer() override;
    void save() override;
    void goBack() override;
    void help() override;
    int kbLayout() const override { return home_.kbLayout; }
    tavrin::ui::Page* page(int index) override;
    int currentIndex() const override;
    void switchToPage(int index) override;
    QAbstractButton* biaoButton(int k) override;
    void processEvents() override;
    void setTopBarEnabled(bool on) override;

    // ---- the window's commands
    // `LoadMain`: refreshes the home page from the file.
    void loadMain();
    const HomeState& homeState() const { return home_; }
    // Tells, before anything else is done with the school, how many rows of the file could
    // not be loaded and why: every page and every run covers only the rows that loaded.
    // Says nothing when the school loaded whole.
    void tellRowsNotLoaded();
    // Opens a step page (1..5) or the timetable step (6..8 with the table asked for).
    void openPage(int index, int table = tavrin::ui::KbNone);
    // The home page's step commands: 1..5 the steps, 6 the class timetable; they do
    // nothing while the step is unavailable.
    void openStep(int step);
    void openTimetable(int table) override;
    // The cover page (9), from the home page's menu: open when the timetable step is.
    void openCover();
    void goHome();
    // The close query: the save question when DataChanged, else the exit question unless
    // QuitWithoutAsking.
    bool closeQuery();
    bool quitWithoutAsking() const { return quitWithoutAsking_; }

    void clearStep(int step);
    void backupData();
    void restoreData();
    void switchUser();
    void changePassword();
    void newUser();
    void deleteUser();

    // Shows the login dialog (or the test's stand-in); on success sets the user label.
    bool runLogin();
    void setUserLabel(const QString& text);

    // Enables the home menu's entries as the home page shows its steps.
    void updateHomeMenu();

    // ---- seams for tests and the screenshot mode
    // Replaces the login dialog: returns the user label on success, nullopt when cancelled.
    void setLoginRunner(std::function<std::optional<QString>()> f) { loginRunner_ = std::move(f); }
    // Replaces the desktop's URL opener (help pages, the backup folder).
    void setUrlOpener(std::function<bool(const QUrl&)> f) { urlOpener_ = std::move(f); }
    // The folder of the help pages; default: "help" beside the executable.
    void setHelpDir(const QString& dir) { helpDir_ = dir; }

    HomePage* homePage() const { return ts0_; }
    QMenu* pmTs0() const { return pmTs0_; }
    QMenu* pmUser() const { return pmUser_; }
    QMenu* pmOpenKb() const { return pmOpenKb_; }
    QAction* action(const char* name) const;
    users::ui::TfrmLogin* frmLogin() const { return frmLogin_; }
    QTextBrowser* helpBrowser() const { return helpBrowser_; }

protected:
    void closeEvent(QCloseEvent* e) override;
    bool eventFilter(QObject* o, QEvent* e) override;

private:
    store::Store& store_;
    users::Session session_;
    tavrin::ui::KbStep* kbStep_;
    std::unique_ptr<tavrin::ui::Asker> ownAsker_;
    tavrin::ui::Asker* asker_ = nullptr;
    bool dataChanged_ = false;
    bool quitWithoutAsking_ = false;
    HomeState home_;

    QWidget* pnlTop_ = nullptr;
    QWidget* topLeft_ = nullptr;   // the menu picture and the caption
    QWidget* topRight_ = nullptr;  // 保存, 返回/关闭, 帮助
    MenuImage* imgTopMu_ = nullptr;
    QLabel* lblCaption_ = nullptr;
    QPushButton* btnClose_ = nullptr;
    QPushButton* btnCancel_ = nullptr;
    QPushButton* btnSave_ = nullptr;
    QPushButton* btnHelp_ = nullptr;
    std::array<QPushButton*, 5> btnBiao_{};
    QButtonGroup* biaoGroup_ = nullptr;
    QStackedWidget* pgc1_ = nullptr;
    HomePage* ts0_ = nullptr;
    std::array<tavrin::ui::Page*, 10> pages_{};
    QLabel* stat1_ = nullptr;

    QAction* actSave_ = nullptr;
    QAction* actHelp_ = nullptr;
    QMenu* pmTs0_ = nullptr;
    QMenu* pmUser_ = nullptr;
    QMenu* pmOpenKb_ = nullptr;
    QMenu* pmPage_ = nullptr;  // the window's own menu for pages without one

    users::ui::TfrmLogin* frmLogin_ = nullptr;
    users::ui::TFrmSetUserPass* frmSetUserPass_ = nullptr;
    users::ui::TFrmNewUser* frmNewUser_ = nullptr;
    QWidget* helpWindow_ = nullptr;
    QTextBrowser* helpBrowser_ = nullptr;

    std::function<std::optional<QString>()> loginRunner_;
    std::function<bool(const QUrl&)> urlOpener_;
    QString helpDir_;

    void buildTopBar();
    void balanceTopBarSides();
    void buildPages(const Options& options);
    void buildMenus();
    void setTopBarForPage(int index);
    void popupCommandMenu();
    void popupOpenKb();
    void showHelpWindow(const QString& file);
    // Runs `f`; a failure reaches the operator as one message, as the default error
    // report would. False when it failed.
    bool guarded(const std::function<void()>& f);
};

}  // namespace tavrin::mainwin
