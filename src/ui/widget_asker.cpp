#include "ui/widget_asker.h"

#include <QApplication>
#include <QFileDialog>
#include <QGridLayout>
#include <QHeaderView>
#include <QHBoxLayout>
#include <QInputDialog>
#include <QLabel>
#include <QMessageBox>
#include <QScreen>
#include <QPushButton>
#include <QSplitter>
#include <QTreeView>
#include <QStyle>
#include <QVBoxLayout>

#include <algorithm>
#include <cstdio>

#include "users/users.h"

namespace tavrin::ui {

bool refuseViewer(const users::Session& session, Asker& asker)
{
    if (!session.isViewer())
        return false;
    asker.inform(QString::fromUtf8(users::kViewerRefusal));
    return true;
}

TFrmMsgbox::TFrmMsgbox(QWidget* parent) : QDialog(parent)
{
    setObjectName("TFrmMsgbox");
    setWindowFlag(Qt::WindowContextHelpButtonHint, false);
    auto* lay = new QVBoxLayout(this);
    lay->setContentsMargins(24, 20, 24, 16);
    lay->setSpacing(18);
    auto* row = new QHBoxLayout;
    auto* icon = new QLabel(this);
    const int sign = style()->pixelMetric(QStyle::PM_MessageBoxIconSize, nullptr, this);
    icon->setPixmap(style()->standardIcon(QStyle::SP_MessageBoxQuestion, nullptr, this).pixmap(sign, sign));
    icon->setAlignment(Qt::AlignTop);
    lblMsg_ = new QLabel(this);
    lblMsg_->setObjectName("lblMsg");
    lblMsg_->setWordWrap(true);
    lblMsg_->setMinimumWidth(240);
    row->addWidget(icon);
    row->addWidget(lblMsg_, 1);
    lay->addLayout(row);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    btnSave_ = new QPushButton(QStringLiteral("保存(&S)"), this);
    btnNoSave_ = new QPushButton(QStringLiteral("不保存(&N)"), this);
    btnCancel_ = new QPushButton(QStringLiteral("取消(&C)"), this);
    btnSave_->setObjectName("btnSave");
    btnNoSave_->setObjectName("btnNoSave");
    btnCancel_->setObjectName("btnCancel");
    for (auto* b : {btnSave_, btnNoSave_, btnCancel_}) {
        b->setAutoDefault(false);
        buttons->addWidget(b);
    }
    btnCancel_->setDefault(true);
    lay->addLayout(buttons);
    connect(btnSave_, &QPushButton::clicked, this, [this] {
        answer_ = SaveAnswer::Save;
        accept();
    });
    connect(btnNoSave_, &QPushButton::clicked, this, [this] {
        answer_ = SaveAnswer::NoSave;
        accept();
    });
    // Esc and the window's close button reject, which leaves the answer at Cancel.
    connect(btnCancel_, &QPushButton::clicked, this, &QDialog::reject);
}

SaveAnswer TFrmMsgbox::showMyMsg(const QString& title, const QString& text)
{
    setWindowTitle(title);
    lblMsg_->setText(text);
    answer_ = SaveAnswer::Cancel;
    btnCancel_->setFocus();
    exec();
    return answer_;
}

QWidget* WidgetAsker::owner() const
{
    if (QWidget* w = QApplication::activeModalWidget())
        return w;
    if (QWidget* w = QApplication::activeWindow())
        return w;
    return parent_.data();
}

static QString titleOr(const QString& t)
{
    return t.isEmpty() ? QStringLiteral("Tavrin") : t;
}

static QMessageBox::Icon boxIcon(Icon i)
{
    switch (i) {
    case Icon::Information:
        return QMessageBox::Information;
    case Icon::Question:
        return QMessageBox::Question;
    case Icon::Warning:
        return QMessageBox::Warning;
    case Icon::Critical:
        return QMessageBox::Critical;
    }
    return QMessageBox::NoIcon;
}

// The platform's box sets its text hard against the sign and the edges, and shrinks to a
// few characters for a short statement; the program's boxes get the room of its own dialogs.
static void giveRoom(QMessageBox& box)
{
    if (auto* grid = qobject_cast<QGridLayout*>(box.layout())) {
        grid->setContentsMargins(24, 20, 24, 16);
        grid->setHorizontalSpacing(12);
        grid->setVerticalSpacing(18);
    }
    if (auto* label = box.findChild<QLabel*>(QStringLiteral("qt_msgbox_label"))) {
        // The box sizes itself from the label's minimum width and, for a long list, left the
        // ends of its lines cut off: ask for the widest line, up to most of the screen, and
        // let anything wider wrap.
        const QFontMetrics fm(label->font());
        int widest = 0;
        for (const QString& line : label->text().split(QLatin1Char('\n')))
            widest = std::max(widest, fm.horizontalAdvance(line));
        int cap = 900;
        if (const QScreen* screen = box.screen())
            cap = std::min(cap, screen->availableGeometry().width() * 3 / 4);
        label->setWordWrap(true);
        label->setMinimumWidth(std::max(280, std::min(widest + 8, cap)));
    }
}

void WidgetAsker::inform(const QString& text, const QString& title, Icon icon)
{
    QMessageBox box(boxIcon(icon), titleOr(title), text, QMessageBox::Ok, owner());
    box.button(QMessageBox::Ok)->setText(QStringLiteral("确定"));
    giveRoom(box);
    box.exec();
}

Answer WidgetAsker::ask(const QString& text, const QString& title, Buttons buttons, Icon icon)
{
    QMessageBox box(boxIcon(icon), titleOr(title), text, QMessageBox::NoButton, owner());
    switch (buttons) {
    case Buttons::Ok:
        box.setStandardButtons(QMessageBox::Ok);
        break;
    case Buttons::OkCancel:
        box.setStandardButtons(QMessageBox::Ok | QMessageBox::Cancel);
        break;
    case Buttons::YesNo:
        box.setStandardButtons(QMessageBox::Yes | QMessageBox::No);
        break;
    case Buttons::YesNoCancel:
        box.setStandardButtons(QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel);
        break;
    }
    const std::pair<QMessageBox::StandardButton, const char*> captions[] = {
        {QMessageBox::Ok, "确定"}, {QMessageBox::Cancel, "取消"}, {QMessageBox::Yes, "是(&Y)"}, {QMessageBox::No, "否(&N)"}};
    for (auto [b, c] : captions)
        if (auto* button = box.button(b))
            button->setText(QString::fromUtf8(c));
    // Every question here commits to something (clearing, restoring, deleting): Enter and a
    // hasty click keep things as they are.
    if (box.button(QMessageBox::No))
        box.setDefaultButton(QMessageBox::No);
    else if (box.button(QMessageBox::Cancel))
        box.setDefaultButton(QMessageBox::Cancel);
    giveRoom(box);
    switch (box.exec()) {
    case QMessageBox::Ok:
        return Answer::Ok;
    case QMessageBox::Yes:
        return Answer::Yes;
    case QMessageBox::No:
        return Answer::No;
    default:
        return buttons == Buttons::YesNo ? Answer::No : Answer::Cancel;
    }
}

SaveAnswer WidgetAsker::askSave(const QString& title, const QString& text)
{
    TFrmMsgbox box(owner());
    return box.showMyMsg(title, text);
}

std::optional<QString> WidgetAsker::askText(const QString& title, const QString& label, const QString& initial)
{
    bool ok = false;
    QString s = QInputDialog::getText(owner(), title, label, QLineEdit::Normal, initial, &ok);
    if (!ok)
        return std::nullopt;
    return s;
}

// The file dialog at a size where the places' names and the date column read whole; the
// platform's own dialog, where there is one, keeps its own look.
static QString chooseFile(QWidget* owner, const QString& title, const QString& filter, QFileDialog::AcceptMode mode,
                          const QString& start = {})
{
    QFileDialog dialog(owner, title, start, filter);
    dialog.setAcceptMode(mode);
    dialog.setFileMode(mode == QFileDialog::AcceptOpen ? QFileDialog::ExistingFile : QFileDialog::AnyFile);
    QSize size(900, 560);
    if (owner)
        size = size.boundedTo(owner->window()->size() - QSize(40, 40));
    dialog.resize(size.expandedTo(QSize(640, 400)));
    if (auto* split = dialog.findChild<QSplitter*>(QStringLiteral("splitter")); split && split->count() == 2)
        split->setSizes({180, dialog.width() - 180});
    // Size, type and date as wide as what they show, the name taking the rest.
    if (auto* tree = dialog.findChild<QTreeView*>(QStringLiteral("treeView"))) {
        QHeaderView* header = tree->header();
        for (int c = 1; c < header->count(); ++c)
            header->setSectionResizeMode(c, QHeaderView::ResizeToContents);
    }
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return {};
    return dialog.selectedFiles().constFirst();
}

QString WidgetAsker::openFileName(const QString& title, const QString& filter)
{
    return chooseFile(owner(), title, filter, QFileDialog::AcceptOpen);
}

QString WidgetAsker::saveFileName(const QString& title, const QString& filter)
{
    return chooseFile(owner(), title, filter, QFileDialog::AcceptSave);
}

QString WidgetAsker::openFileNameAt(const QString& title, const QString& filter, const QString& start)
{
    return chooseFile(owner(), title, filter, QFileDialog::AcceptOpen, start);
}

QString WidgetAsker::saveFileNameAt(const QString& title, const QString& filter, const QString& start)
{
    return chooseFile(owner(), title, filter, QFileDialog::AcceptSave, start);
}

void QuietAsker::inform(const QString& text, const QString& title, Icon)
{
    std::fprintf(stderr, "%s: %s\n", qUtf8Printable(titleOr(title)), qUtf8Printable(text));
}

Answer QuietAsker::ask(const QString& text, const QString& title, Buttons buttons, Icon icon)
{
    inform(text, title, icon);
    return buttons == Buttons::YesNo ? Answer::No : Answer::Cancel;
}

SaveAnswer QuietAsker::askSave(const QString& title, const QString& text)
{
    inform(text, title, Icon::Question);
    return SaveAnswer::Cancel;
}

std::optional<QString> QuietAsker::askText(const QString&, const QString&, const QString&)
{
    return std::nullopt;
}

QString QuietAsker::openFileName(const QString&, const QString&)
{
    return {};
}

QString QuietAsker::saveFileName(const QString&, const QString&)
{
    return {};
}

}  // namespace tavrin::ui
