#include "scheduler/ui/frmpaiend.h"

#include <QAction>
#include <QApplication>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QMenu>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QStyle>
#include <QTableWidget>
#include <QVBoxLayout>

namespace tavrin::scheduler::ui {

TfrmPaiend::TfrmPaiend(QWidget* parent) : QDialog(parent)
{
    setObjectName("TfrmPaiend");
    setWindowTitle(QStringLiteral("排课结果"));
    auto* lay = new QVBoxLayout(this);
    lay->setContentsMargins(16, 14, 16, 12);
    lay->setSpacing(8);

    // The headline: an icon, what the run achieved, its time and how it ended.
    auto* head = new QHBoxLayout;
    head->setSpacing(12);
    lblIcon_ = new QLabel(this);
    lblIcon_->setObjectName("lblIcon");
    lblIcon_->setFixedSize(40, 40);
    head->addWidget(lblIcon_, 0, Qt::AlignTop);
    auto* headText = new QVBoxLayout;
    headText->setSpacing(2);
    lblHead_ = new QLabel(this);
    lblHead_->setObjectName("lblHead");
    lblHead_->setStyleSheet("QLabel{font-size:20px;font-weight:bold;color:#1f3f6b;}");
    lblDetails_ = new QLabel(this);
    lblDetails_->setObjectName("lblDetails");
    lblDetails_->setWordWrap(true);
    lblDetails_->setStyleSheet("QLabel{font-size:14px;color:#25313f;}");
    lblQuality_ = new QLabel(this);
    lblQuality_->setObjectName("lblQuality");
    lblQuality_->setWordWrap(true);
    lblQuality_->setStyleSheet("QLabel{font-size:13px;color:#4a5a6e;}");
    headText->addWidget(lblHead_);
    headText->addWidget(lblDetails_);
    headText->addWidget(lblQuality_);
    head->addLayout(headText, 1);
    lay->addLayout(head);

    // What was proved before the run, first.
    lblProofs_ = new QLabel(this);
    lblProofs_->setObjectName("lblProofs");
    lblProofs_->setWordWrap(true);
    lblProofs_->setTextInteractionFlags(Qt::TextSelectableByMouse);
    lblProofs_->setStyleSheet("QLabel{background:#fff4e5;border:1px solid #f0c48a;border-radius:4px;padding:6px 8px;"
                              "color:#7a4a00;font-size:13px;}");
    lblProofs_->hide();
    lay->addWidget(lblProofs_);

    // The lessons left out, one row per assignment.
    tblUnplaced_ = new QTableWidget(0, 5, this);
    tblUnplaced_->setObjectName("tblUnplaced");
    tblUnplaced_->setHorizontalHeaderLabels(
        {QStringLiteral("班级"), QStringLiteral("科目"), QStringLiteral("教师"), QStringLiteral("未排"), QStringLiteral("原因")});
    tblUnplaced_->verticalHeader()->hide();
    tblUnplaced_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    tblUnplaced_->setSelectionBehavior(QAbstractItemView::SelectRows);
    tblUnplaced_->setWordWrap(true);
    tblUnplaced_->horizontalHeader()->setStretchLastSection(true);
    tblUnplaced_->horizontalHeader()->setSectionResizeMode(QHeaderView::ResizeToContents);
    tblUnplaced_->horizontalHeader()->setSectionResizeMode(4, QHeaderView::Stretch);
    tblUnplaced_->verticalHeader()->setSectionResizeMode(QHeaderView::ResizeToContents);
    tblUnplaced_->setStyleSheet("QTableWidget{background:white;border:1px solid #c9d4e3;font-size:13px;}");
    tblUnplaced_->hide();
    lay->addWidget(tblUnplaced_, 3);

    redt1_ = new QPlainTextEdit(this);
    redt1_->setObjectName("redt1");
    redt1_->setReadOnly(true);
    redt1_->setLineWrapMode(QPlainTextEdit::NoWrap);
    redt1_->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    redt1_->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    redt1_->setContextMenuPolicy(Qt::CustomContextMenu);
    redt1_->setStyleSheet("QPlainTextEdit{background:white;border:1px solid #c9d4e3;font-size:13px;}");
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
    // Opening the timetable is what a user wants after a run, so Enter does it.
    btnOpenKb_->setDefault(true);
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

    setFixedSize(760, 560);
}

void TfrmPaiend::setSummary(const RunSummary& s)
{
    const auto icon = s.cancelled || !s.complete ? QStyle::SP_MessageBoxWarning : QStyle::SP_DialogApplyButton;
    lblIcon_->setPixmap(style()->standardIcon(icon).pixmap(40, 40));
    lblHead_->setText(QString::fromStdString(s.headline));
    lblHead_->setStyleSheet(s.complete ? "QLabel{font-size:20px;font-weight:bold;color:#2e7d32;}"
                                       : "QLabel{font-size:20px;font-weight:bold;color:#b5482a;}");
    lblDetails_->setText(QString::fromStdString(s.details));
    lblQuality_->setText(QString::fromStdString(s.polish.empty() ? s.quality : s.quality + "\n" + s.polish));
    lblQuality_->setVisible(!s.quality.empty());
    QStringList proofs;
    for (const auto& o : s.obstacles)
        proofs << QStringLiteral("• ") + QString::fromStdString(o);
    lblProofs_->setText(QStringLiteral("无法排满的原因（排课前已查明）：\n") + proofs.join(QLatin1Char('\n')));
    lblProofs_->setVisible(!proofs.isEmpty());
    tblUnplaced_->setRowCount(static_cast<int>(s.rows.size()));
    for (int i = 0; i < static_cast<int>(s.rows.size()); ++i) {
        const auto& r = s.rows[static_cast<std::size_t>(i)];
        const QString cells[5] = {QString::fromStdString(r.cls), QString::fromStdString(r.subject),
                                  QString::fromStdString(r.teacher), QString::number(r.count),
                                  QString::fromStdString(r.reason)};
        for (int c = 0; c < 5; ++c) {
            auto* item = new QTableWidgetItem(cells[c]);
            if (c == 3)
                item->setTextAlignment(Qt::AlignCenter);
            tblUnplaced_->setItem(i, c, item);
        }
    }
    tblUnplaced_->setVisible(!s.rows.empty());
    // A run that placed everything needs no room for a table: the dialog is small then.
    const bool compact = s.rows.empty() && s.obstacles.empty();
    redt1_->setMaximumHeight(compact ? QWIDGETSIZE_MAX : 110);
    setFixedSize(compact ? QSize(620, 300) : QSize(760, 560));
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
