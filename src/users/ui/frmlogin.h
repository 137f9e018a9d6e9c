// The login dialog `TfrmLogin`, the password dialog `TFrmSetUserPass` and the new-user
// dialog `TFrmNewUser`. They live for the whole run and are shown again when needed.
#pragma once

#include <QDialog>
#include <QString>

#include <vector>

#include "users/users.h"

class QComboBox;
class QLineEdit;
class QPushButton;
class QRadioButton;
class QTimer;

namespace tavrin::ui {
class Asker;
}

namespace tavrin::users::ui {

// The banner on top of the login dialog.
class LoginBanner : public QWidget {
    Q_OBJECT
public:
    explicit LoginBanner(QWidget* parent);

protected:
    void paintEvent(QPaintEvent*) override;
};

class TfrmLogin : public QDialog {
    Q_OBJECT
public:
    static constexpr int kBannerH = 168;
    static constexpr int kFullH = 259;
    static constexpr int kWidth = 420;

    TfrmLogin(store::Store& store, Session& session, tavrin::ui::Asker& asker, QWidget* parent = nullptr);

    // Fills the dialog for a showing: the user list, the preselection on the first login,
    // and the automatic login of a lone "默认用户" without password.
    void prepare();
    // prepare(), then the dialog modally; true when somebody logged in.
    bool execLogin();

    // What `lblUser` shows after this login: the name and the type of the row chosen.
    QString userLabel() const { return userLabel_; }
    bool autoLoginPending() const { return autoPending_; }
    int ticks() const { return ticks_; }

    QComboBox* cbbName() const { return cbbName_; }
    QLineEdit* edtPass() const { return edtPass_; }
    QPushButton* btnLogin() const { return btnLogin_; }
    QPushButton* btnCancel() const { return btnCancel_; }
    QTimer* tmr1() const { return tmr1_; }

public Q_SLOTS:
    // The one-second timer: an automatic login ends once the count exceeds 1.
    void tick();
    void btnLoginClick();

protected:
    void paintEvent(QPaintEvent*) override;

private:
    store::Store& store_;
    Session& session_;
    tavrin::ui::Asker& asker_;
    std::vector<UserRow> rows_;
    QString userLabel_;
    bool autoPending_ = false;
    int ticks_ = 0;
    LoginBanner* banner_;
    QComboBox* cbbName_;
    QLineEdit* edtPass_;
    QPushButton* btnLogin_;
    QPushButton* btnCancel_;
    QTimer* tmr1_;
    void setClientHeight(int h);
};

class TFrmSetUserPass : public QDialog {
    Q_OBJECT
public:
    TFrmSetUserPass(store::Store& store, Session& session, tavrin::ui::Asker& asker, QWidget* parent = nullptr);
    // Empties the three boxes.
    void prepare();
    bool execDialog();

    QLineEdit* edtPassOld() const { return edtPassOld_; }
    QLineEdit* edtPass1() const { return edtPass1_; }
    QLineEdit* edtPass2() const { return edtPass2_; }
    QPushButton* btnChnPass() const { return btnChnPass_; }

public Q_SLOTS:
    void btnChnPassClick();

private:
    store::Store& store_;
    Session& session_;
    tavrin::ui::Asker& asker_;
    QLineEdit* edtPassOld_;
    QLineEdit* edtPass1_;
    QLineEdit* edtPass2_;
    QPushButton* btnChnPass_;
    QPushButton* btnCancel_;
};

class TFrmNewUser : public QDialog {
    Q_OBJECT
public:
    TFrmNewUser(store::Store& store, Session& session, tavrin::ui::Asker& asker, QWidget* parent = nullptr);
    // Empties the three boxes; the user type keeps its last choice.
    void prepare();
    bool execDialog();

    QLineEdit* edtName() const { return edtName_; }
    QLineEdit* edtPass1() const { return edtPass1_; }
    QLineEdit* edtPass2() const { return edtPass2_; }
    QRadioButton* rb1() const { return rb1_; }
    QRadioButton* rb2() const { return rb2_; }
    QPushButton* btnNewUser() const { return btnNewUser_; }

public Q_SLOTS:
    void btnNewUserClick();

private:
    store::Store& store_;
    Session& session_;
    tavrin::ui::Asker& asker_;
    QLineEdit* edtName_;
    QLineEdit* edtPass1_;
    QLineEdit* edtPass2_;
    QRadioButton* rb1_;
    QRadioButton* rb2_;
    QPushButton* btnNewUser_;
    QPushButton* btnCancel_;
};

}  // namespace tavrin::users::ui
