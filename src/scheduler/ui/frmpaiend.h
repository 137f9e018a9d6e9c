// The result dialog `TfrmPaiend` ("排课结果"): a headline with an icon, the time and the
// quality figures, the causes proved before the run, the lessons left out as a table with a
// reason for each, the report text, and the way on from it (run again, open the class
// timetable, close).
#pragma once

#include <QDialog>
#include <QStringList>

#include "model/school.h"
#include "scheduler/engine.h"
#include "scheduler/proof.h"
#include "scheduler/save.h"

class QAction;
class QLabel;
class QMenu;
class QPlainTextEdit;
class QPushButton;
class QTableWidget;

namespace tavrin::scheduler::ui {

class TfrmPaiend : public QDialog {
    Q_OBJECT
public:
    explicit TfrmPaiend(QWidget* parent = nullptr);

    // Replaces the text of `redt1` with the report lines.
    void setReport(const QStringList& lines);
    // Shows a finished run: headline, figures, proofs, the table of lessons left out.
    void setSummary(const RunSummary& s);
    QString report() const;

    // `RePai`: "重排一次(&R)" was chosen; cleared by the start command before each run.
    bool rePai() const { return RePai_; }
    void clearRePai() { RePai_ = false; }
    // "打开课程表(&O)" was chosen at the last showing.
    bool openKb() const { return openKb_; }
    // Clears the choices of the last showing.
    void clearChoice();

    QPlainTextEdit* redt1() const { return redt1_; }
    QLabel* lblHead() const { return lblHead_; }
    QLabel* lblDetails() const { return lblDetails_; }
    QLabel* lblQuality() const { return lblQuality_; }
    QLabel* lblProofs() const { return lblProofs_; }
    QTableWidget* tblUnplaced() const { return tblUnplaced_; }
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
    QLabel* lblIcon_;
    QLabel* lblHead_;
    QLabel* lblDetails_;
    QLabel* lblQuality_;
    QLabel* lblProofs_;
    QTableWidget* tblUnplaced_;
    QPlainTextEdit* redt1_;
    QPushButton* btnRePai_;
    QPushButton* btnClose_;
    QPushButton* btnOpenKb_;
    QMenu* pm1_;
    QAction* actCopy_;
};

}  // namespace tavrin::scheduler::ui
