// Small pieces the scheduling page and its dialogs share: the check-box list with its
// press rule, the label that opens a picker, and the seam through which dialogs are shown.
#pragma once

#include <QDialog>
#include <QLabel>
#include <QTreeWidget>

#include <functional>
#include <vector>

namespace tavrin::ui {

// Shows a dialog modally. The program runs exec(); screen tests put in a runner that fills
// the dialog and presses its buttons instead.
using DialogRunner = std::function<void(QDialog&)>;
void runDialog(const DialogRunner& runner, QDialog& d);

// Calls `turned` with the widget under the pointer for every wheel turn anywhere in
// `owner`'s window, before that widget scrolls; the watch ends with `owner`. The editing
// pages end an open editor on any wheel turn: a scroll area elsewhere in the window takes
// the turn before it could reach the page, and would move the edited cell out of sight.
void watchWindowWheel(QWidget* owner, std::function<void(QWidget* target)> turned);

// A one-column list with check boxes. A press more than 18 pixels right of the left edge
// toggles the row as a press on its check box does; entering it with the mouse gives it the
// focus. A toggle rule, when set, decides every mark after the operator changed one (the
// class lists: row 0 "全校" and rows 1.. classes, by the scheduler's `applyClassCheck`).
class CheckList : public QTreeWidget {
    Q_OBJECT
public:
    static constexpr int kPressMargin = 18;

    // `title` is the column header; empty: no header.
    explicit CheckList(const QString& title, QWidget* parent = nullptr);

    // (marks, row pressed, its new mark) -> the marks to show.
    using ToggleRule = std::function<std::vector<bool>(std::vector<bool>, int, bool)>;
    void setToggleRule(ToggleRule rule) { rule_ = std::move(rule); }

    void clearRows();
    // A row with its caption and hidden value.
    void addRow(const QString& caption, const QString& value, bool checked);
    int rowCount() const { return topLevelItemCount(); }
    QString caption(int row) const;
    QString value(int row) const;
    bool isChecked(int row) const;
    // Sets marks without the rules (as loading does).
    void setChecked(int row, bool on);
    std::vector<bool> checks() const;
    void setChecks(const std::vector<bool>& on);
    // The row's rectangle in viewport coordinates, for tests that press on it.
    QRect rowRect(int row) const;

Q_SIGNALS:
    // The operator changed a mark (press on the row or on its box), after the rules ran.
    void rowToggled(int row, bool on);

protected:
    void mousePressEvent(QMouseEvent* e) override;
    // The second press of a double click is a press too.
    void mouseDoubleClickEvent(QMouseEvent* e) override;
    void enterEvent(QEnterEvent* e) override;

private:
    bool quiet_ = false;
    ToggleRule rule_;
    void onItemChanged(QTreeWidgetItem* item, int column);
    bool onIndicator(QTreeWidgetItem* item, const QPoint& pos) const;
    bool pressToggle(QMouseEvent* e);
};

// A label that opens a picker when pressed; opaque while the mouse is over it.
class PickLabel : public QLabel {
    Q_OBJECT
public:
    explicit PickLabel(const QString& text, QWidget* parent = nullptr);
    bool hovered() const { return hovered_; }

Q_SIGNALS:
    void pressed();

protected:
    void mousePressEvent(QMouseEvent* e) override;
    void enterEvent(QEnterEvent* e) override;
    void leaveEvent(QEvent* e) override;

private:
    bool hovered_ = false;
    void showHover(bool on);
};

}  // namespace tavrin::ui
