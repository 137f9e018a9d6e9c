#include "scheduler/ui/frmpaiend.h"

#include <QAction>
#include <QHBoxLayout>
#include <QMenu>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace tavrin::scheduler::ui {

TfrmPaiend::TfrmPaiend(QWidget* parent) : QDialog(parent)
{
    setObjectName("TfrmPaiend");
    setWindowTitle(QStringLiteral("排课结果"));
    auto* lay = new QVBoxLayout(this);
    lay->setContentsMargins(14, 14, 14, 12);
    lay->setSpacing(10);

    redt1_ = new QPlainTextEdit(this);
    redt1_->setObjectName("redt1");
    redt1_->setReadOnly(true);
    redt1_->setLineWrapMode(QPlainTextEdit::NoWrap);
    redt1_->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    redt1_->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    redt1_->setContextMenuPolicy(Qt::CustomContextMenu);
    redt1_->setStyleSheet("QPlainTextEdit{background:white;border:1px solid #c9d4e3;font-size:14px;}");
    lay->addWidget(redt1_, 1);

    pm1_ = new QMenu(this);
    pm1_->setObjectName("pm1");
    actCopy_ = pm1_->addAction(QStringLiteral("复制"));
    actCopy_->setObjectName("mniCopy");
    actCopy_->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_C));
    connect(actCopy_, &QAction::triggered, redt1_, &QPlainTextEdit::copy);
    connect(redt1_, &QWidget::customContextMenuRequested, this, [this](const QPoint& at) {
        updateMenu();
        pm1_->popup(redt1_->viewport()->mapToGlobal(at));
    });
    connect(redt1_, &QPlainTextEdit::copyAvailable, actCopy_, &QAction::setEnabled);
    actCopy_->setEnabled(false);

    auto* row = new QHBoxLayout;
    auto button = [this](const QString& text, const char* name) {
        auto* b = new QPushButton(text, this);
        b->setObjectName(name);
        b->setAutoDefault(false);
        b->setMinimumWidth(112);
        return b;
    };
    btnRePai_ = button(QStringLiteral("重排一次(&R)"), "btnRePai");
    btnOpenKb_ = button(QStringLiteral("打开课程表(&O)"), "btnOpenKb");
    btnClose_ = button(QStringLiteral("关闭(&C)"), "btnClose");
    btnClose_->setDefault(true);
    row->addWidget(btnRePai_);
    row->addStretch(1);
    row->addWidget(btnOpenKb_);
    row->addWidget(btnClose_);
    lay->addLayout(row);

    connect(btnRePai_, &QPushButton::clicked, this, [this] {
        RePai_ = true;
        accept();
    });
    connect(btnOpenKb_, &QPushButton::clicked, this, [this] {
        openKb_ = true;
        accept();
    });
    connect(btnClose_, &QPushButton::clicked, this, &QDialog::reject);

    setFixedSize(560, 380);
}

void TfrmPaiend::setReport(const QStringList& lines)
{
    redt1_->setPlainText(lines.join(QLatin1Char('\n')));
}

QString TfrmPaiend::report() const
{
    return redt1_->toPlainText();
}

void TfrmPaiend::clearChoice()
{
    RePai_ = false;
    openKb_ = false;
}

void TfrmPaiend::updateMenu()
{
    actCopy_->setEnabled(redt1_->textCursor().hasSelection());
}

}  // namespace tavrin::scheduler::ui
