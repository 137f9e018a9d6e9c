// The login dialog and the user commands of the main window.
#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>

#include "ui_tests.h"
#include "users/ui/frmlogin.h"
#include "users/users.h"

using namespace tavrin;
using namespace tavrin::testing;
using users::ui::TfrmLogin;

namespace {
void addUser(store::Store& s, const char* name, const char* pass, int type)
{
    users::Session admin;
    admin.type = users::Operator;
    auto r = users::createUser(s, admin, name, pass, pass, type);
    if (!r.ok)
        qFatal("createUser: %s", r.message.c_str());
}

void setOnlyUser(store::Store& s, const char* name, const char* pass, int type)
{
    s.run("DELETE FROM userbd");
    s.run("INSERT INTO userbd(userid, username, password, usertype) VALUES(1, ?1, ?2, ?3)", name,
          users::hashPassword(pass), type);
}
}  // namespace

void UsersUiTest::newDatabaseLogsInAutomatically()
{
    School school;
    ScriptedAsker asker;
    users::Session session;
    TfrmLogin dlg(*school.store, session, asker);
    dlg.prepare();
    QVERIFY(dlg.autoLoginPending());
    QCOMPARE(dlg.height(), TfrmLogin::kBannerH);
    QCOMPARE(session.name, std::string("默认用户"));
    QCOMPARE(session.type, int(users::Operator));
    QCOMPARE(session.num, 1);
    QCOMPARE(dlg.userLabel(), QStringLiteral("默认用户（操作员）"));
    // The banner shows for more than one tick.
    dlg.tick();
    QCOMPARE(dlg.result(), int(QDialog::Rejected));
    QVERIFY(dlg.autoLoginPending());
    dlg.tick();
    QCOMPARE(dlg.result(), int(QDialog::Accepted));
    QVERIFY(!dlg.autoLoginPending());
    QVERIFY(asker.shown.empty());
}

void UsersUiTest::loneUserWithPasswordOrOtherNameGetsTheFullDialog_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("password");
    QTest::addColumn<int>("type");
    QTest::addColumn<QString>("label");
    QTest::newRow("default user with a password") << "默认用户" << "secret" << int(users::Operator)
                                                  << "默认用户（操作员）";
    QTest::newRow("another name, no password") << "教务处" << "" << int(users::Operator) << "教务处（操作员）";
    // A lone viewer works as an operator, yet the label tells what the row says.
    QTest::newRow("lone viewer") << "访客" << "" << int(users::Viewer) << "访客（浏览者）";
}

void UsersUiTest::loneUserWithPasswordOrOtherNameGetsTheFullDialog()
{
    QFETCH(QString, name);
    QFETCH(QString, password);
    QFETCH(int, type);
    QFETCH(QString, label);
    School school;
    setOnlyUser(*school.store, name.toUtf8().constData(), password.toUtf8().constData(), type);
    ScriptedAsker asker;
    users::Session session;
    TfrmLogin dlg(*school.store, session, asker);

    dlg.prepare();
    QVERIFY(!dlg.autoLoginPending());
    QCOMPARE(dlg.height(), TfrmLogin::kFullH);
    QCOMPARE(dlg.cbbName()->currentIndex(), 0);
    QCOMPARE(dlg.edtPass()->echoMode(), QLineEdit::Password);
    dlg.tick();
    dlg.tick();
    dlg.tick();
    QCOMPARE(dlg.result(), int(QDialog::Rejected));

    dlg.edtPass()->setText(password + QStringLiteral("x"));
    dlg.btnLogin()->click();
    QCOMPARE(asker.texts(), QStringList{QStringLiteral("密码错误。")});
    QCOMPARE(session.id, 0);

    dlg.edtPass()->setText(password);
    dlg.btnLogin()->click();
    QCOMPARE(dlg.result(), int(QDialog::Accepted));
    QCOMPARE(dlg.userLabel(), label);
    QCOMPARE(session.type, int(users::Operator));
    QCOMPARE(session.name, name.toStdString());
}

void UsersUiTest::fullDialogAfterAnAutomaticLogin()
{
    School school;
    ScriptedAsker asker;
    users::Session session;
    TfrmLogin dlg(*school.store, session, asker);
    dlg.prepare();
    QCOMPARE(dlg.height(), TfrmLogin::kBannerH);
    addUser(*school.store, "李老师", "pw", users::Operator);
    dlg.prepare();
    QCOMPARE(dlg.height(), TfrmLogin::kFullH);
    QVERIFY(!dlg.autoLoginPending());
    // Not the first login since the start: nothing is preselected.
    QCOMPARE(dlg.cbbName()->currentIndex(), -1);
    dlg.btnLogin()->click();
    QCOMPARE(asker.texts(), QStringList{QStringLiteral("请选择用户。")});
}

void UsersUiTest::sameNamesLogInTheirOwnRows()
{
    School school;
    addUser(*school.store, "王", "a", users::Operator);
    addUser(*school.store, "王", "b", users::Viewer);
    ScriptedAsker asker;
    users::Session session;
    TfrmLogin dlg(*school.store, session, asker);
    dlg.prepare();
    QCOMPARE(dlg.cbbName()->count(), 3);
    dlg.cbbName()->setCurrentIndex(2);
    dlg.edtPass()->setText("a");
    dlg.btnLogin()->click();
    QCOMPARE(asker.texts(), QStringList{QStringLiteral("密码错误。")});
    dlg.edtPass()->setText("b");
    dlg.btnLogin()->click();
    QCOMPARE(dlg.result(), int(QDialog::Accepted));
    QCOMPARE(session.id, 3);
    QCOMPARE(session.type, int(users::Viewer));
    QCOMPARE(dlg.userLabel(), QStringLiteral("王（浏览者）"));
}

void UsersUiTest::switchUserNeedsAnotherUser()
{
    School school;
    Window win(*school.store);
    win->action("mniChnUser")->trigger();
    QCOMPARE(win.asker.texts(), QStringList{QStringLiteral("未发现有其它用户，无需切换。")});
    QCOMPARE(win.logins, 0);
    win->session().num = 2;
    win->homePage()->lblUser()->setText(QStringLiteral("甲（操作员）"));
    win.loginAnswer = std::nullopt;
    win->action("mniChnUser2")->trigger();
    QCOMPARE(win.logins, 1);
    // Cancelling keeps the user and the label.
    QCOMPARE(win->homePage()->lblUser()->text(), QStringLiteral("甲（操作员）"));
    QVERIFY(!win->quitWithoutAsking());
}

void UsersUiTest::deleteUser_data()
{
    QTest::addColumn<int>("users");
    QTest::addColumn<int>("answer");
    QTest::addColumn<bool>("relogin");
    QTest::addColumn<QStringList>("texts");
    QTest::addColumn<int>("rowsAfter");
    QTest::addColumn<bool>("quits");
    QTest::newRow("the only user") << 1 << -1 << true << QStringList{"这是唯一的用户，不能再删除了。"} << 1 << false;
    QTest::newRow("declined") << 2 << int(ui::Answer::Cancel) << true << QStringList{"确认要删除该用户吗？"} << 2
                              << false;
    QTest::newRow("deleted, logged in again")
        << 2 << int(ui::Answer::Ok) << true << QStringList{"确认要删除该用户吗？", "删除完成，重新登录。"} << 1 << false;
    QTest::newRow("deleted, login cancelled")
        << 2 << int(ui::Answer::Ok) << false << QStringList{"确认要删除该用户吗？", "删除完成，重新登录。"} << 1 << true;
}

void UsersUiTest::deleteUser()
{
    QFETCH(int, users);
    QFETCH(int, answer);
    QFETCH(bool, relogin);
    QFETCH(QStringList, texts);
    QFETCH(int, rowsAfter);
    QFETCH(bool, quits);
    School school;
    if (users == 2)
        addUser(*school.store, "李老师", "", users::Viewer);
    Window win(*school.store);
    win->session().num = users;
    win->session().id = 1;
    win->setUserLabel(QStringLiteral("默认用户（操作员）"));
    if (answer >= 0)
        win.asker.answer(ui::Answer(answer));
    if (!relogin)
        win.loginAnswer = std::nullopt;

    win->action("mniDelUser")->trigger();

    QCOMPARE(win.asker.texts(), texts);
    QCOMPARE(school.count("userbd"), (long long)rowsAfter);
    QCOMPARE(win.logins, rowsAfter < users ? 1 : 0);
    QCOMPARE(win->quitWithoutAsking(), quits);
    if (answer == int(ui::Answer::Ok))
        QCOMPARE(win.asker.shown[0].title, QStringLiteral("删除用户"));
    QVERIFY(win.asker.done());
}

void UsersUiTest::newUserDialogCreatesTheUser()
{
    School school;
    ScriptedAsker asker;
    users::Session session;
    session.num = 1;
    session.id = 1;
    users::ui::TFrmNewUser dlg(*school.store, session, asker);
    dlg.prepare();
    dlg.btnNewUser()->click();
    QCOMPARE(asker.texts(), QStringList{QStringLiteral("用户名未填写")});
    dlg.edtName()->setText("访客");
    dlg.edtPass1()->setText("a");
    dlg.edtPass2()->setText("b");
    dlg.btnNewUser()->click();
    QCOMPARE(asker.texts().last(), QStringLiteral("再输入的密码与第一次输入的密码不相同。"));
    QCOMPARE(school.count("userbd"), 1LL);
    dlg.edtPass2()->setText("a");
    dlg.rb2()->setChecked(true);
    dlg.btnNewUser()->click();
    QCOMPARE(dlg.result(), int(QDialog::Accepted));
    QCOMPARE(school.count("userbd"), 2LL);
    auto rows = users::loadUsers(*school.store);
    QCOMPARE(rows.back().name, std::string("访客"));
    QCOMPARE(rows.back().type, int(users::Viewer));
    QCOMPARE(session.num, 2);
    // Showing it again empties the boxes and keeps the type.
    dlg.prepare();
    QVERIFY(dlg.edtName()->text().isEmpty() && dlg.edtPass1()->text().isEmpty());
    QVERIFY(dlg.rb2()->isChecked());
}

void UsersUiTest::passwordDialogChecksTheOldPassword()
{
    School school;
    ScriptedAsker asker;
    users::Session session;
    users::ui::TfrmLogin login(*school.store, session, asker);
    login.prepare();  // the automatic login of the new file
    users::ui::TFrmSetUserPass dlg(*school.store, session, asker);
    dlg.prepare();
    dlg.edtPassOld()->setText("wrong");
    dlg.btnChnPass()->click();
    QCOMPARE(asker.texts(), QStringList{QStringLiteral("原始密码错误。")});
    dlg.edtPassOld()->clear();
    dlg.edtPass1()->setText("n1");
    dlg.edtPass2()->setText("n2");
    dlg.btnChnPass()->click();
    QCOMPARE(asker.texts().last(), QStringLiteral("再输入的新密码不相符。"));
    dlg.edtPass2()->setText("n1");
    dlg.btnChnPass()->click();
    QCOMPARE(asker.texts().last(), QStringLiteral("密码修改完成"));
    QCOMPARE(dlg.result(), int(QDialog::Accepted));
    // The lone default user now has a password: no automatic login any more.
    login.prepare();
    QVERIFY(!login.autoLoginPending());
    QCOMPARE(login.height(), TfrmLogin::kFullH);
}
