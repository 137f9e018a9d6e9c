// The result dialog `TfrmPaiend` ("排课结果"): the report of a run, and the way on from it
// (run again, open the class timetable, close).
#pragma once

#include <QDialog>
#include <QStringList>

class QAction;
class QMenu;
class QPlainTextEdit;
class QPushButton;

namespace tavrin::scheduler::ui {

class TfrmPaiend : public QDialog {
    Q_OBJECT
public:
    explicit TfrmPaiend(QWidget* parent = nullptr);

    // Replaces the text of `redt1` with the report lines.
    void setReport(const QStringList& lines);
    QString report() const;

    // `RePai`: "重排一次(&R)" was chosen; cleared by the start command before each run.
    bool rePai() const { return RePai_; }
    void clearRePai() { RePai_ = false; }
    // "打开课程表(&O)" was chosen at the last showing.
    bool openKb() const { return openKb_; }
    // Clears the choices of the last showing.
    void clearChoice();

    QPlainTextEdit* redt1() const { return redt1_; }
    QPushButton* btnRePai() const { return btnRePai_; }
    QPushButton* btnClose() const { return btnClose_; }
    QPushButton* btnOpenKb() const { return btnOpenKb_; }
    // The context menu `pm1` of the report with its one entry "复制".
    QMenu* pm1() const { return pm1_; }
    QAction* actCopy() const { return actCopy_; }
    // Sets the entries of `pm1` for the current selection, as opening it does.
    void updateMenu();

private:
    bool RePai_ = false;
    bool openKb_ = false;
    QPlainTextEdit* redt1_;
    QPushButton* btnRePai_;
    QPushButton* btnClose_;
    QPushButton* btnOpenKb_;
    QMenu* pm1_;
    QAction* actCopy_;
};

}  // namespace tavrin::scheduler::ui
