#include "entry/ui/weekdialogs.h"

#include <algorithm>

#include <QEvent>
#include <QKeyEvent>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QSpinBox>
#include <QTextBlock>
#include <QVBoxLayout>

namespace tavrin::entry::ui {

namespace {
constexpr Qt::WindowFlags kOnTop = Qt::Dialog | Qt::WindowStaysOnTopHint | Qt::WindowTitleHint |
                                   Qt::WindowCloseButtonHint;
const char* const kStyle =
    "QDialog{background:#f4f7fb;}"
    "QLabel{color:#25313f;}"
    "QPushButton{background:white;border:1px solid #b8c6d9;border-radius:5px;padding:5px 18px;color:#1f3f6b;}"
    "QPushButton:default{background:#2f6fc4;color:white;border-color:#2f6fc4;}"
    "QPlainTextEdit,QLineEdit{background:white;border:1px solid #b8c6d9;border-radius:3px;}";
}  // namespace

// ---------------------------------------------------------------- TaddTime

TaddTime::TaddTime() : QDialog(nullptr, kOnTop)
{
    setObjectName("TaddTime");
    setWindowTitle(QStringLiteral("节次时间设置"));
    setStyleSheet(kStyle);
    auto* lay = new QVBoxLayout(this);
    auto* row = new QHBoxLayout;
    // The margin counts lines beside the box.
    QString dashes;
    for (int i = 0; i < 12; ++i)
        dashes += (i ? "\n" : "") + QStringLiteral("-");
    auto* lbl3 = new QLabel(dashes, this);
    lbl3->setObjectName("lbl3");
    lbl3->setAlignment(Qt::AlignTop | Qt::AlignHCenter);
    mmo1_ = new QPlainTextEdit(this);
    mmo1_->setObjectName("mmo1");
    mmo1_->setLineWrapMode(QPlainTextEdit::NoWrap);
    mmo1_->setMinimumSize(240, 260);
    mmo1_->installEventFilter(this);
    mmo1_->viewport()->installEventFilter(this);
    // The dashes stand beside the box's lines: same font, same top.
    lbl3->setFont(mmo1_->font());
    lbl3->setContentsMargins(0, mmo1_->frameWidth() + static_cast<int>(mmo1_->document()->documentMargin()), 0, 0);
    row->addWidget(lbl3);
    row->addWidget(mmo1_, 1);
    auto* side = new QVBoxLayout;
    lblLine_ = new QLabel(this);
    lblLine_->setObjectName("lblLine");
    lblLine_->setMinimumWidth(60);
    side->addWidget(lblLine_);
    side->addStretch(1);
    btn1_ = new QPushButton(QStringLiteral("确定(&O)"), this);
    btn1_->setObjectName("btn1");
    btn1_->setDefault(true);
    btn2_ = new QPushButton(QStringLiteral("取消(&C)"), this);
    btn2_->setObjectName("btn2");
    side->addWidget(btn1_);
    side->addWidget(btn2_);
    row->addLayout(side);
    lay->addLayout(row, 1);
    for (const char* note : {"1.节次时间可随意修改，不影响排课。", "2.每节独占一行，如:8:00～9:00占一行。",
                             "3.节次时间可以不填。"})
        lay->addWidget(new QLabel(QString::fromUtf8(note), this));
    connect(btn1_, &QPushButton::clicked, this, &QDialog::accept);
    connect(btn2_, &QPushButton::clicked, this, &QDialog::reject);
}

void TaddTime::prepare(const QString& text)
{
    mmo1_->setPlainText(text);
    mmo1_->moveCursor(QTextCursor::Start);
    mmo1_->verticalScrollBar()->setValue(0);
    lblLine_->clear();
    mmo1_->setFocus();
}

QString TaddTime::text() const
{
    return mmo1_->toPlainText();
}

void TaddTime::showLine()
{
    lblLine_->setText(QStringLiteral("第%1节").arg(mmo1_->textCursor().blockNumber() + 1));
}

bool TaddTime::eventFilter(QObject* o, QEvent* e)
{
    if ((o == mmo1_ && e->type() == QEvent::KeyRelease) || (o == mmo1_->viewport() && e->type() == QEvent::MouseButtonRelease))
        showLine();
    return QDialog::eventFilter(o, e);
}

// ---------------------------------------------------------------- TaddPublicTime

StepBox::StepBox(QWidget* parent) : QSpinBox(parent)
{
    lineEdit()->setReadOnly(true);
}

void StepBox::keyPressEvent(QKeyEvent* e)
{
    switch (e->key()) {
    case Qt::Key_Up:
    case Qt::Key_Down:
    case Qt::Key_PageUp:
    case Qt::Key_PageDown:
    case Qt::Key_Tab:
    case Qt::Key_Backtab:
    case Qt::Key_Return:
    case Qt::Key_Enter:
    case Qt::Key_Escape:
        QSpinBox::keyPressEvent(e);
        return;
    default:
        e->accept();
    }
}

TaddPublicTime::TaddPublicTime(TextAt textAt, Add add)
    : QDialog(nullptr, kOnTop), textAt_(std::move(textAt)), add_(std::move(add))
{
    setObjectName("TaddPublicTime");
    setWindowTitle(QStringLiteral("添加公共时段"));
    setStyleSheet(kStyle);
    auto* lay = new QVBoxLayout(this);
    auto* row = new QHBoxLayout;
    row->addWidget(new QLabel(QStringLiteral("于第"), this));
    edt1_ = new StepBox(this);
    edt1_->setObjectName("edt1");
    row->addWidget(edt1_);
    row->addWidget(new QLabel(QStringLiteral("节课后面添加"), this));
    row->addStretch(1);
    lay->addLayout(row);
    edt2_ = new QLineEdit(this);
    edt2_->setObjectName("edt2");
    edt2_->setMinimumWidth(260);
    lay->addWidget(edt2_);
    lay->addWidget(new QLabel(QStringLiteral("公共时段可随意修改，不影响排课。"), this));
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    btnOk_ = new QPushButton(QStringLiteral("添加"), this);
    btnOk_->setObjectName("btnOk");
    btnOk_->setDefault(true);
    btnCancel_ = new QPushButton(QStringLiteral("关闭"), this);
    btnCancel_->setObjectName("btnCancel");
    buttons->addWidget(btnOk_);
    buttons->addWidget(btnCancel_);
    lay->addLayout(buttons);
    connect(btnOk_, &QPushButton::clicked, this, &TaddPublicTime::addClick);
    connect(btnCancel_, &QPushButton::clicked, this, &QDialog::reject);
    connect(edt1_, &QSpinBox::valueChanged, this, [this](int k) { edt2_->setText(textAt_(k)); });
}

void TaddPublicTime::prepare(int k, int maxK)
{
    const QSignalBlocker quiet(edt1_);
    edt1_->setRange(0, std::max(0, maxK));
    edt1_->setValue(std::clamp(k, 0, std::max(0, maxK)));
    edt2_->setText(textAt_(edt1_->value()));
    edt2_->setFocus();
}

void TaddPublicTime::addClick()
{
    add_(edt1_->value(), edt2_->text());
}

}  // namespace tavrin::entry::ui
