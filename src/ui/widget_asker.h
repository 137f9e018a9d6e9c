// The Asker of the running program: Qt's message boxes and file dialogs, and the save
// question dialog `TFrmMsgbox`.
#pragma once

#include <QDialog>
#include <QPointer>

#include "ui/asker.h"

class QLabel;
class QPushButton;

namespace tavrin::ui {

// The save question: caption = title, `lblMsg` = the message, three buttons.
class TFrmMsgbox : public QDialog {
    Q_OBJECT
public:
    explicit TFrmMsgbox(QWidget* parent = nullptr);
    // `ShowMyMsg` with FrmType "save".
    SaveAnswer showMyMsg(const QString& title, const QString& text);

    QPushButton* btnSave() const { return btnSave_; }
    QPushButton* btnNoSave() const { return btnNoSave_; }
    QPushButton* btnCancel() const { return btnCancel_; }

private:
    QLabel* lblMsg_;
    QPushButton* btnSave_;
    QPushButton* btnNoSave_;
    QPushButton* btnCancel_;
    SaveAnswer answer_ = SaveAnswer::Cancel;
};

class WidgetAsker : public Asker {
public:
    // Boxes are shown over the active window, else over `parent`.
    explicit WidgetAsker(QWidget* parent) : parent_(parent) {}

    void inform(const QString& text, const QString& title, Icon icon) override;
    Answer ask(const QString& text, const QString& title, Buttons buttons, Icon icon) override;
    SaveAnswer askSave(const QString& title, const QString& text) override;
    std::optional<QString> askText(const QString& title, const QString& label, const QString& initial) override;
    QString openFileName(const QString& title, const QString& filter) override;
    QString saveFileName(const QString& title, const QString& filter) override;
    QString openFileNameAt(const QString& title, const QString& filter, const QString& start) override;
    QString saveFileNameAt(const QString& title, const QString& filter, const QString& start) override;

private:
    QPointer<QWidget> parent_;
    QWidget* owner() const;
};

// For runs without anybody to answer (the screenshot mode): messages go to stderr and
// every question takes its cancelling answer.
class QuietAsker : public Asker {
public:
    void inform(const QString& text, const QString& title, Icon icon) override;
    Answer ask(const QString& text, const QString& title, Buttons buttons, Icon icon) override;
    SaveAnswer askSave(const QString& title, const QString& text) override;
    std::optional<QString> askText(const QString& title, const QString& label, const QString& initial) override;
    QString openFileName(const QString& title, const QString& filter) override;
    QString saveFileName(const QString& title, const QString& filter) override;
};

}  // namespace tavrin::ui
