// The cover page (`ts9`, "代课安排"): the absences of a day, the lessons they empty with the
// chosen cover and the ranked suggestions, every teacher's state that day, and what goes out
// (the cover sheet, the notices of the covering teachers, the term's counts). Reached from
// the home page's menu, not one of the six steps. Every change is stored at once, each one
// transaction; the weekly timetable is only read. A viewer sees everything and changes
// nothing.
#pragma once

#include <QDialog>

#include <functional>
#include <optional>

#include "timetable/cover.h"
#include "timetable/kbdata.h"
#include "ui/kbgrid.h"
#include "ui/page.h"
#include "ui/widgets.h"

class QComboBox;
class QDateEdit;
class QLabel;
class QLineEdit;
class QMenu;
class QPushButton;
class QScrollArea;
class QSpinBox;
class QTableWidget;

namespace tavrin::spreadsheet {
class Workbook;
}

namespace tavrin::timetable::ui {

inline constexpr int kCoverPageIndex = 9;

// Day serial <-> QDate.
QDate dateOfSerial(int serial);
int serialOfDate(const QDate& d);

// The absence dialog: teacher, first and last date, periods ("1,3,5", empty for all day),
// reason.
class CoverAbsenceDialog : public QDialog {
    Q_OBJECT
public:
    CoverAbsenceDialog(const KbData& kb, const model::Absence& a, QWidget* parent = nullptr);
    QComboBox* teaBox() const { return cbTea_; }
    QDateEdit* fromEdit() const { return dteFrom_; }
    QDateEdit* toEdit() const { return dteTo_; }
    QLineEdit* jiesEdit() const { return edJies_; }
    QLineEdit* reasonEdit() const { return edReason_; }
    // The absence as filled in; the periods' text is checked by the page.
    model::Absence absence() const;

private:
    QComboBox* cbTea_;
    QDateEdit* dteFrom_;
    QDateEdit* dteTo_;
    QLineEdit* edJies_;
    QLineEdit* edReason_;
    std::int64_t id_;
};

// The cover typed by the office itself: a substitute or a supervised study, a teacher and a
// note.
class CoverOwnDialog : public QDialog {
    Q_OBJECT
public:
    CoverOwnDialog(const KbData& kb, QWidget* parent = nullptr);
    QComboBox* kindBox() const { return cbKind_; }
    QComboBox* teaBox() const { return cbTea_; }
    QLineEdit* noteEdit() const { return edNote_; }

private:
    QComboBox* cbKind_;
    QComboBox* cbTea_;
    QLineEdit* edNote_;
};

// The term: its first Monday and its weeks.
class CoverTermDialog : public QDialog {
    Q_OBJECT
public:
    CoverTermDialog(const model::Term& term, int suggestedDay, QWidget* parent = nullptr);
    QDateEdit* firstEdit() const { return dteFirst_; }
    QSpinBox* weeksBox() const { return spWeeks_; }

private:
    QDateEdit* dteFirst_;
    QSpinBox* spWeeks_;
};

class CoverPage : public tavrin::ui::Page {
    Q_OBJECT
public:
    // What a lesson's drop-down entry stands for.
    enum Choice { Chosen = -1, Own = -2, Remove = -3 };
    // The day grid's colours by state: free, busy, absent, covering.
    static QColor stateColour(TeaDayState s);

    explicit CoverPage(tavrin::ui::Shell& shell, QWidget* parent = nullptr);

    void load(int table) override;
    void leave() override;
    bool hasSave() const override { return false; }
    QString statusText() const override;

    // The day shown; a date outside the term shows why and nothing else.
    void setDate(int serial);
    int date() const { return date_; }
    const CoverDay& day() const { return day_; }
    const KbData& data() const { return kb_; }
    const CoverBook& book() const { return book_; }

    // Dialogs are run through this (tests fill and press them).
    void setDialogRunner(tavrin::ui::DialogRunner r) { runner_ = std::move(r); }

    // ---- the commands, as the buttons and drop-downs run them
    void addAbsence();
    void editAbsence();
    void deleteAbsence();
    void setTerm();
    // Entry `index` of lesson `row`'s drop-down was picked.
    void pickCover(int row, int index);
    // The outputs: `how` 0 a workbook, 1 a PDF, 2 the printer.
    void sendCoverSheet(int how);
    void sendNotices(int how);
    void sendCounts(int how);

    QDateEdit* dateEdit() const { return dteDay_; }
    QLabel* weekLabel() const { return lblWeek_; }
    QLabel* dayNote() const { return lblDayNote_; }
    QTableWidget* absenceTable() const { return tblAbsences_; }
    QTableWidget* lessonTable() const { return tblLessons_; }
    QTableWidget* countsTable() const { return tblCounts_; }
    tavrin::ui::KbGrid* dayGrid() const { return grdDay_; }
    QComboBox* coverBox(int row) const;
    QPushButton* button(const char* name) const;
    // The teacher of the day grid's row d (1..).
    int teaOfRow(int d) const;

private:
    KbData kb_;
    CoverBook book_;
    CoverDay day_;
    int date_ = 0;
    bool dayOk_ = false;
    std::vector<int> teaRows_;  // [row - 1] -> teaid
    tavrin::ui::DialogRunner runner_;

    QDateEdit* dteDay_ = nullptr;
    QLabel* lblWeek_ = nullptr;
    QLabel* lblDayNote_ = nullptr;
    QTableWidget* tblAbsences_ = nullptr;
    QTableWidget* tblLessons_ = nullptr;
    QTableWidget* tblCounts_ = nullptr;
    tavrin::ui::KbGrid* grdDay_ = nullptr;
    QScrollArea* gridArea_ = nullptr;
    std::vector<QPushButton*> changers_;  // off for a viewer

    void guarded(const std::function<void()>& f);
    std::optional<model::Absence> selectedAbsence();
    void showDay();
    void fillAbsences();
    void fillLessons();
    void fillGrid();
    void fillCounts();
    void reloadBook();
    bool viewer() const;
    void tell(const std::string& message);
    // The day's absences, as the absence table lists them.
    std::vector<model::Absence> dayAbsences() const;
    // Runs the absence dialog; nullopt when cancelled or refused as text.
    std::optional<model::Absence> askAbsence(const model::Absence& start);
    // Stores `c` for lesson `e`, replacing its chosen cover: the new one is checked first, so
    // a refusal leaves the old in place.
    void storeCover(const EmptiedLesson& e, model::Cover c);
    void send(const spreadsheet::Workbook& book, int how, const QString& title, const QString& name);
    QMenu* outputMenu(QPushButton* b, const char* prefix, void (CoverPage::*f)(int));
};

}  // namespace tavrin::timetable::ui
