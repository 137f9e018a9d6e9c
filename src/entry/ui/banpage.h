// The class page `ts1` ("1.班级"): grade groups and their classes in one grouped list, the
// commands that add, delete and fill them, and the save that renumbers them.
#pragma once

#include "entry/classes.h"
#include "entry/ui/banlist.h"
#include "ui/page.h"

class QAction;
class QLabel;
class QMenu;
class QPushButton;

namespace tavrin::entry::ui {

class BanPage : public tavrin::ui::Page {
    Q_OBJECT
public:
    explicit BanPage(tavrin::ui::Shell& shell, QWidget* parent = nullptr);

    // `actLoadBan`.
    void load(int table) override;
    // `btnBanSaveClick`: false when refused or failed, the edits kept.
    bool save() override;
    // `pmBanJi` with help, save and return shown; the list takes the focus.
    QMenu* pageMenu() override;
    void leave() override;

    // The editing commands.
    void btnAddJiClick();
    void btnDelJiClick();
    void addBan(int group);
    void btnDelBanClick();
    void btnFillBanClick();

    BanModel* model() const { return model_; }
    BanListView* lvBanji() const { return lvBanji_; }
    QMenu* pmBanJi() const { return pmBanJi_; }
    QMenu* pmAddBan() const { return pmAddBan_; }
    QAction* action(const char* name) const;
    QPushButton* button(const char* name) const;
    // Fills `pmAddBan` (and the context menu's submenu) from the groups.
    void rebuildAddMenu(QMenu* menu);
    // The context menu as it opens over the list (help, save and return hidden).
    void prepareListMenu();

private:
    BanModel* model_;
    BanListView* lvBanji_;
    QPushButton* btnAddJi_;
    QPushButton* btnDelJi_;
    QPushButton* btnAddBanji2_;
    QPushButton* btnDelBan_;
    QPushButton* btnFillBan_;
    QMenu* pmBanJi_;
    QMenu* pmAddBan_;
    QMenu* nAddBan_;

    // Each command ends an open editor, keeping its text, and marks the page changed.
    void beginCommand();
    void updateButtons();
    void refuse(const Result& r);
};

}  // namespace tavrin::entry::ui
