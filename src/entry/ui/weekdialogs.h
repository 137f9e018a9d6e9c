// The two dialogs of the week page: the period times (`TaddTime`) and the public slots
// (`TaddPublicTime`). Both work on the page's working copy through the functions they are
// given, so the page decides what a change does.
#pragma once

#include <QDialog>
#include <QSpinBox>

#include <functional>

class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;
class QSpinBox;

namespace tavrin::entry::ui {

// A count changed only by its arrows: typed keys are ignored.
class StepBox : public QSpinBox {
    Q_OBJECT
public:
    explicit StepBox(QWidget* parent = nullptr);

protected:
    void keyPressEvent(QKeyEvent* e) override;
};

class TaddTime : public QDialog {
    Q_OBJECT
public:
    TaddTime();
    // Fills the box with the 27 period times, caret at the start.
    void prepare(const QString& text);
    QString text() const;
    // "第n节" for the caret's line, as shown after a key or a press in the box.
    void showLine();

    QPlainTextEdit* mmo1() const { return mmo1_; }
    QLabel* lblLine() const { return lblLine_; }
    QPushButton* btn1() const { return btn1_; }
    QPushButton* btn2() const { return btn2_; }

protected:
    bool eventFilter(QObject* o, QEvent* e) override;

private:
    QPlainTextEdit* mmo1_;
    QLabel* lblLine_;
    QPushButton* btn1_;
    QPushButton* btn2_;
};

class TaddPublicTime : public QDialog {
    Q_OBJECT
public:
    using TextAt = std::function<QString(int k)>;
    using Add = std::function<void(int k, const QString& text)>;
    TaddPublicTime(TextAt textAt, Add add);
    // Opens at slot position k of 0..maxK.
    void prepare(int k, int maxK);
    // "添加": the slot at the position takes the text (empty removes it); the dialog stays.
    void addClick();

    QSpinBox* edt1() const { return edt1_; }
    QLineEdit* edt2() const { return edt2_; }
    QPushButton* btnOk() const { return btnOk_; }
    QPushButton* btnCancel() const { return btnCancel_; }

private:
    TextAt textAt_;
    Add add_;
    QSpinBox* edt1_;
    QLineEdit* edt2_;
    QPushButton* btnOk_;
    QPushButton* btnCancel_;
};

}  // namespace tavrin::entry::ui
