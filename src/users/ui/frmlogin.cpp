#include "users/ui/frmlogin.h"

#include <QComboBox>
#include <QFormLayout>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QTimer>
#include <QVBoxLayout>

#include "ui/art.h"
#include "ui/asker.h"

namespace tavrin::users::ui {

namespace {

QString operatorOrViewer(int type)
{
    return type == Operator ? QStringLiteral("（操作员）") : QStringLiteral("（浏览者）");
}

void centreOnScreen(QWidget* w)
{
    QScreen* s = w->screen() ? w->screen() : QGuiApplication::primaryScreen();
    if (!s)
        return;
    QRect g = s->availableGeometry();
    w->move(g.center() - QPoint(w->width() / 2, w->height() / 2));
}

}  // namespace

LoginBanner::LoginBanner(QWidget* parent) : QWidget(parent)
{
    setObjectName("imgBanner");
}

void LoginBanner::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    tavrin::ui::paintBanner(p, rect());
}

// ---------------------------------------------------------------- TfrmLogin

TfrmLogin::TfrmLogin(store::Store& store, Session& session, tavrin::ui::Asker& asker, QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::FramelessWindowHint), store_(store), session_(session), asker_(asker)
{
    setObjectName("TfrmLogin");
    setWindowTitle(QStringLiteral("登录"));
    setStyleSheet("TfrmLogin{background:#f7f9fc;}");
    banner_ = new LoginBanner(this);
    banner_->setGeometry(0, 0, kWidth, kBannerH);

    auto* lblName = new QLabel(QStringLiteral("用户："), this);
    auto* lblPass = new QLabel(QStringLiteral("密码："), this);
    cbbName_ = new QComboBox(this);
    cbbName_->setObjectName("cbbName");
    edtPass_ = new QLineEdit(this);
    edtPass_->setObjectName("edtPass");
    edtPass_->setEchoMode(QLineEdit::Password);
    btnLogin_ = new QPushButton(QStringLiteral("登录"), this);
    btnLogin_->setObjectName("btnLogin");
    btnLogin_->setDefault(true);
    btnCancel_ = new QPushButton(QStringLiteral("取消"), this);
    btnCancel_->setObjectName("btnCancel");
    btnCancel_->setAutoDefault(false);

    // Two rows under the banner, the buttons beside them.
    const int y1 = kBannerH + 16, y2 = kBannerH + 52, rowH = 28;
    lblName->setGeometry(44, y1, 52, rowH);
    lblPass->setGeometry(44, y2, 52, rowH);
    cbbName_->setGeometry(96, y1, 186, rowH);
    edtPass_->setGeometry(96, y2, 186, rowH);
    btnLogin_->setGeometry(300, y1, 76, rowH);
    btnCancel_->setGeometry(300, y2, 76, rowH);

    connect(btnLogin_, &QPushButton::clicked, this, &TfrmLogin::btnLoginClick);
    connect(btnCancel_, &QPushButton::clicked, this, &QDialog::reject);

    tmr1_ = new QTimer(this);
    tmr1_->setObjectName("tmr1");
    tmr1_->setInterval(1000);
    connect(tmr1_, &QTimer::timeout, this, &TfrmLogin::tick);
    tmr1_->start();

    setClientHeight(kFullH);
}

void TfrmLogin::setClientHeight(int h)
{
    setFixedSize(kWidth, h);
    centreOnScreen(this);
}

void TfrmLogin::prepare()
{
    cbbName_->clear();
    edtPass_->clear();
    autoPending_ = false;
    ticks_ = 0;
    userLabel_.clear();

    rows_ = loadUsers(store_);
    for (const auto& r : rows_)
        cbbName_->addItem(QString::fromStdString(r.name));
    // Only the first login since the start offers the first name.
    cbbName_->setCurrentIndex(!rows_.empty() && session_.id == 0 ? 0 : -1);

    if (isAutoLogin(rows_)) {
        autoLogin(store_, rows_, session_);
        userLabel_ = QString::fromUtf8(kDefaultUser) + QStringLiteral("（操作员）");
        setClientHeight(kBannerH);
        ticks_ = 0;
        autoPending_ = true;
    } else {
        setClientHeight(kFullH);
    }
    cbbName_->setFocus();
}

bool TfrmLogin::execLogin()
{
    prepare();
    return exec() == QDialog::Accepted;
}

void TfrmLogin::tick()
{
    if (!autoPending_)
        return;
    ++ticks_;
    if (ticks_ > 1) {
        autoPending_ = false;
        accept();
    }
}

void TfrmLogin::btnLoginClick()
{
    const int i = cbbName_->currentIndex();
    Result r = login(store_, rows_, i, edtPass_->text().toStdString(), session_);
    if (!r.ok) {
        asker_.inform(QString::fromStdString(r.message));
        return;
    }
    userLabel_ = cbbName_->currentText() + operatorOrViewer(rows_[static_cast<std::size_t>(i)].type);
    accept();
}

void TfrmLogin::paintEvent(QPaintEvent* e)
{
    QDialog::paintEvent(e);
    // A borderless window needs its own edge.
    QPainter p(this);
    p.setPen(QColor(0x9a, 0xa9, 0xbd));
    p.drawRect(rect().adjusted(0, 0, -1, -1));
}

// ---------------------------------------------------------------- TFrmSetUserPass

namespace {
QLineEdit* passwordBox(QWidget* parent, const char* name)
{
    auto* e = new QLineEdit(parent);
    e->setObjectName(name);
    e->setEchoMode(QLineEdit::Password);
    e->setMinimumWidth(180);
    return e;
}
}  // namespace

TFrmSetUserPass::TFrmSetUserPass(store::Store& store, Session& session, tavrin::ui::Asker& asker, QWidget* parent)
    : QDialog(parent), store_(store), session_(session), asker_(asker)
{
    setObjectName("TFrmSetUserPass");
    setWindowTitle(QStringLiteral("修改密码"));
    auto* lay = new QVBoxLayout(this);
    lay->setContentsMargins(24, 20, 24, 16);
    auto* form = new QFormLayout;
    edtPassOld_ = passwordBox(this, "edtPassOld");
    edtPass1_ = passwordBox(this, "edtPass1");
    edtPass2_ = passwordBox(this, "edtPass2");
    form->addRow(QStringLiteral("原密码："), edtPassOld_);
    form->addRow(QStringLiteral("新密码："), edtPass1_);
    form->addRow(QStringLiteral("再输一次新密码："), edtPass2_);
    lay->addLayout(form);
    auto* note = new QLabel(QStringLiteral("注：如果无密码，留空不填即可。"), this);
    note->setStyleSheet("color:#6b778a;");
    lay->addWidget(note);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    btnChnPass_ = new QPushButton(QStringLiteral("修改密码"), this);
    btnChnPass_->setObjectName("btnChnPass");
    btnChnPass_->setDefault(true);
    btnCancel_ = new QPushButton(QStringLiteral("取消"), this);
    btnCancel_->setObjectName("btnCancel");
    btnCancel_->setAutoDefault(false);
    buttons->addWidget(btnChnPass_);
    buttons->addWidget(btnCancel_);
    lay->addLayout(buttons);
    connect(btnChnPass_, &QPushButton::clicked, this, &TFrmSetUserPass::btnChnPassClick);
    connect(btnCancel_, &QPushButton::clicked, this, &QDialog::reject);
}

void TFrmSetUserPass::prepare()
{
    edtPassOld_->clear();
    edtPass1_->clear();
    edtPass2_->clear();
    edtPassOld_->setFocus();
}

bool TFrmSetUserPass::execDialog()
{
    prepare();
    return exec() == QDialog::Accepted;
}

void TFrmSetUserPass::btnChnPassClick()
{
    Result r = changePassword(store_, session_, edtPassOld_->text().toStdString(), edtPass1_->text().toStdString(),
                              edtPass2_->text().toStdString());
    if (!r.ok) {
        asker_.inform(QString::fromStdString(r.message));
        if (r.message == "原始密码错误。")
            edtPassOld_->setFocus();
        else
            edtPass2_->setFocus();
        return;
    }
    asker_.inform(QString::fromStdString(r.message));
    accept();
}

// ---------------------------------------------------------------- TFrmNewUser

TFrmNewUser::TFrmNewUser(store::Store& store, Session& session, tavrin::ui::Asker& asker, QWidget* parent)
    : QDialog(parent), store_(store), session_(session), asker_(asker)
{
    setObjectName("TFrmNewUser");
    setWindowTitle(QStringLiteral("新建用户"));
    auto* lay = new QVBoxLayout(this);
    lay->setContentsMargins(24, 20, 24, 16);
    auto* form = new QFormLayout;
    edtName_ = new QLineEdit(this);
    edtName_->setObjectName("edtName");
    edtName_->setMinimumWidth(180);
    edtPass1_ = passwordBox(this, "edtPass1");
    edtPass2_ = passwordBox(this, "edtPass2");
    form->addRow(QStringLiteral("用户名："), edtName_);
    form->addRow(QStringLiteral("密码："), edtPass1_);
    form->addRow(QStringLiteral("再输一次密码："), edtPass2_);
    auto* types = new QHBoxLayout;
    rb1_ = new QRadioButton(QStringLiteral("操作员"), this);
    rb1_->setObjectName("rb1");
    rb2_ = new QRadioButton(QStringLiteral("浏览者"), this);
    rb2_->setObjectName("rb2");
    rb1_->setChecked(true);
    types->addWidget(rb1_);
    types->addWidget(rb2_);
    types->addStretch(1);
    form->addRow(QString(), types);
    lay->addLayout(form);
    auto* note = new QLabel(QStringLiteral("注：如果不想设置密码，\n\u3000\u3000密码留空即可。"), this);
    note->setObjectName("lblNote");
    note->setStyleSheet("color:#6b778a;");
    lay->addWidget(note);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    btnNewUser_ = new QPushButton(QStringLiteral("新建用户"), this);
    btnNewUser_->setObjectName("btnNewUser");
    btnNewUser_->setDefault(true);
    btnCancel_ = new QPushButton(QStringLiteral("取消"), this);
    btnCancel_->setObjectName("btnCancel");
    btnCancel_->setAutoDefault(false);
    buttons->addWidget(btnNewUser_);
    buttons->addWidget(btnCancel_);
    lay->addLayout(buttons);
    connect(btnNewUser_, &QPushButton::clicked, this, &TFrmNewUser::btnNewUserClick);
    connect(btnCancel_, &QPushButton::clicked, this, &QDialog::reject);
}

void TFrmNewUser::prepare()
{
    edtName_->clear();
    edtPass1_->clear();
    edtPass2_->clear();
    edtName_->setFocus();
}

bool TFrmNewUser::execDialog()
{
    prepare();
    return exec() == QDialog::Accepted;
}

void TFrmNewUser::btnNewUserClick()
{
    Result r = createUser(store_, session_, edtName_->text().toStdString(), edtPass1_->text().toStdString(),
                          edtPass2_->text().toStdString(), rb1_->isChecked() ? Operator : Viewer);
    if (!r.ok) {
        asker_.inform(QString::fromStdString(r.message));
        if (r.message == "用户名未填写")
            edtName_->setFocus();
        else
            edtPass2_->setFocus();
        return;
    }
    accept();
}

}  // namespace tavrin::users::ui
