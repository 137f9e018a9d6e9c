// The subject page `ts3` ("3.科目"): the subject grid on model/view (a table model over the
// working copy, a delegate whose editor walks the cells), the footer of totals and
// capacities that shares the header's sections, the per-class strip of a grade-group cell,
// and the opener of the time-mark dialog.
#pragma once

#include <QAbstractTableModel>
#include <QStyledItemDelegate>
#include <QTableView>

#include <memory>

#include "entry/kemumarks.h"
#include "entry/subjectdraft.h"
#include "spreadsheet/ui/excelimport.h"
#include "ui/page.h"

class QFrame;
class QLineEdit;
class QMenu;
class QPushButton;
class QTableWidget;
class QToolButton;

namespace tavrin::entry::ui {

class TteshuForm;

// The grid's columns by sub-item: 0 row number, 1 full name, 2 short name, 3..G+2 the grade
// groups, G+3 room limit, G+4 doubles, G+5 the marks button.
class KeModel : public QAbstractTableModel {
    Q_OBJECT
public:
    explicit KeModel(QObject* parent = nullptr);

    void setDraft(KemuDraft d);
    const KemuDraft& draft() const { return d_; }
    KemuDraft& draft() { return d_; }

    int groupCount() const { return static_cast<int>(d_.groups.size()); }
    int roomColumn() const { return groupCount() + 3; }
    int doublesColumn() const { return groupCount() + 4; }
    int markColumn() const { return groupCount() + 5; }
    // The grade group of a column, -1 for another column.
    int groupOf(int column) const;
    bool isNumeric(int column) const { return column >= 3 && column <= doublesColumn(); }
    int maxOf(int column) const;

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    bool setData(const QModelIndex& index, const QVariant& value, int role) override;
    QVariant headerData(int section, Qt::Orientation o, int role) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;

    // The rows' commands; each tells the view what changed.
    Result addRow(int* added);
    int deleteRow(int row, MarkWork* openDialog);
    void fillShortNames(bool first);
    // A class of the strip changed: the group cell follows.
    void setClassCount(int row, int cls, int value);
    // Marks committed by the dialog.
    void marksCommitted() { Q_EMIT edited(); }

Q_SIGNALS:
    // Any change of the working copy (totals to refresh, DataChanged to set).
    void edited();

private:
    KemuDraft d_;
};

// What the numeric cells accept, typed or pasted: plain digits within the bound, no leading
// zero; a grade-group cell showing a list keeps its commas but takes no new one.
class CountValidator : public QValidator {
    Q_OBJECT
public:
    CountValidator(int max, bool list, QObject* parent = nullptr);
    State validate(QString& input, int& pos) const override;

private:
    int max_;
    bool list_;
};

class KeDelegate : public QStyledItemDelegate {
    Q_OBJECT
public:
    explicit KeDelegate(KeModel* model, QObject* parent = nullptr);
    QWidget* createEditor(QWidget* parent, const QStyleOptionViewItem& o, const QModelIndex& index) const override;
    void setEditorData(QWidget* editor, const QModelIndex& index) const override;
    void setModelData(QWidget* editor, QAbstractItemModel* model, const QModelIndex& index) const override;
    void paint(QPainter* p, const QStyleOptionViewItem& o, const QModelIndex& index) const override;
    bool editorEvent(QEvent* e, QAbstractItemModel* model, const QStyleOptionViewItem& o,
                     const QModelIndex& index) override;

Q_SIGNALS:
    // The editor asks to move by (rows, columns); Esc asks to close, keeping the text.
    void moveRequested(int dr, int dc);
    void closeRequested();
    void markButtonClicked(int row);

protected:
    bool eventFilter(QObject* o, QEvent* e) override;

private:
    KeModel* model_;
};

// The totals and capacities under the grid, drawn in the header's sections so that they
// stay aligned whatever the widths and the horizontal scroll.
class KeFooter : public QWidget {
    Q_OBJECT
public:
    KeFooter(QTableView* view, KeModel* model, QWidget* parent = nullptr);
    // What a footer cell shows (row 0 totals, row 1 capacities) and the totals' colour.
    QString text(int row, int column) const;
    QColor totalColor(int column) const;
    // Where a column's footer cell stands, in this widget.
    QRect columnRect(int column) const;
    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent* e) override;
    bool event(QEvent* e) override;

private:
    QTableView* view_;
    KeModel* model_;
};

class KePage : public tavrin::ui::Page {
    Q_OBJECT
public:
    explicit KePage(tavrin::ui::Shell& shell, QWidget* parent = nullptr);
    ~KePage() override;

    // `actLoadKemuData` + `actLoadKemuGd`.
    void load(int table) override;
    // `SaveKe`: false when refused or failed, the edits kept.
    bool save() override;
    QString statusText() const override;
    QMenu* pageMenu() override;
    void leave() override;

    void btnAddKeClick();
    // `btnExceToKeClick`: the subject import onto the grid.
    void btnExceToKeClick();
    // How the import shows its dialog and the template (tests script both).
    void setImportSeams(spreadsheet::ImportSeams s) { importSeams_ = std::move(s); }
    void btnDelKeClick();
    void fill(bool first);
    // `btnKeToExcelClick`: the grid as it stands, unsaved edits included, into a workbook.
    void btnKeToExcelClick();
    // Opens the cell editor on a cell (as a click there does).
    void editCell(int row, int column);
    // The marks dialog for a row's subject.
    void openMarks(int row);
    // The row selected in the grid, -1 for none; selecting re-targets an open dialog.
    int selectedRow() const;
    void selectRow(int row);

    KeModel* model() const { return model_; }
    QTableView* lvKe() const { return lvKe_; }
    KeFooter* footer() const { return footer_; }
    QLineEdit* editor() const;
    QFrame* pnlBanjie() const { return pnlBanjie_; }
    QTableWidget* lvBanJie() const { return lvBanJie_; }
    QToolButton* btnShowban() const { return btnShowban_; }
    TteshuForm* marksDialog() const { return teshu_.get(); }
    QPushButton* button(const char* name) const;
    QMenu* pmKemu() const { return pmKemu_; }
    QMenu* pmTs3() const { return pmTs3_; }
    QMenu* pmFillKemuName() const { return pmFill_; }
    bool overCapacity() const { return model_->draft().overCapacity(); }

protected:
    bool eventFilter(QObject* o, QEvent* e) override;

private:
    KeModel* model_;
    KeDelegate* delegate_;
    QTableView* lvKe_;
    KeFooter* footer_;
    QFrame* pnlBanjie_;
    QTableWidget* lvBanJie_;
    QToolButton* btnShowban_;
    QMenu* pmKemu_;
    QMenu* pmTs3_;
    QMenu* pmFill_;
    std::unique_ptr<TteshuForm> teshu_;
    int stripRow_ = -1, stripGroup_ = -1;
    bool loadingStrip_ = false;
    spreadsheet::ImportSeams importSeams_;

    void moveEditor(int dr, int dc);
    void closeEditor();
    void showStrip(int row, int column);
    void hideStrip();
    void placeStrip();
    void updateButtons();
};

}  // namespace tavrin::entry::ui
