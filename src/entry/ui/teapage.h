// The teacher page `ts4` ("4.教师"): the teacher grid on model/view (names edited in place,
// the assignment text, the marks button), the chip strip of the selected teacher, the list
// of periods nobody teaches yet, and the drags between them. Every rule lives in
// entry/teachers.h; the page only shows the working copy and forwards the operator's acts.
//
// Drags carry one of two MIME types of this program: a row of the unassigned list or a chip.
// Their payload names the process and the load it came from, so that a drag from another
// window, or from before a reload, is refused instead of being read as this copy's rows.
#pragma once

#include <QAbstractTableModel>
#include <QDialog>
#include <QListWidget>
#include <QStyledItemDelegate>
#include <QTableView>

#include <memory>
#include <optional>

#include "entry/teachers.h"
#include "spreadsheet/ui/excelimport.h"
#include "ui/page.h"
#include "ui/widgets.h"

class QFrame;
class QLabel;
class QLineEdit;
class QMenu;
class QPushButton;
class QSpinBox;

namespace tavrin::entry::ui {

class TteshuForm;

inline constexpr const char* kUnassignedMime = "application/x-tavrin-unassigned";
inline constexpr const char* kChipMime = "application/x-tavrin-chip";

// What a drag of this program carries.
struct DragLoad {
    qint64 pid = 0;
    quint64 generation = 0;
    qint64 a = 0, b = 0;  // unassigned row: class, subject; chip: entry, its teacher
};
QByteArray packDrag(const DragLoad& l);
// nullopt for a payload of another process or load, or one that does not parse.
std::optional<DragLoad> unpackDrag(const QByteArray& bytes, quint64 generation);

// The teacher grid's columns: 0 row number, 1 full name, 2 short name, 3 assignment text,
// 4 the marks button.
class TeaModel : public QAbstractTableModel {
    Q_OBJECT
public:
    static constexpr int kName = 1, kName2 = 2, kRenke = 3, kTeshu = 4;
    explicit TeaModel(QObject* parent = nullptr);

    void setDraft(TeaDraft d);
    TeaDraft& draft() { return d_; }
    const TeaDraft& draft() const { return d_; }
    // The load the drags of this copy belong to; a new draft starts a new one.
    quint64 generation() const { return generation_; }
    std::int64_t teaId(int row) const;

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    bool setData(const QModelIndex& index, const QVariant& value, int role) override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;
    QStringList mimeTypes() const override;
    Qt::DropActions supportedDropActions() const override;
    bool canDropMimeData(const QMimeData* data, Qt::DropAction action, int row, int column,
                         const QModelIndex& parent) const override;
    bool dropMimeData(const QMimeData* data, Qt::DropAction action, int row, int column,
                      const QModelIndex& parent) override;

    Result addRow(int* added);
    int deleteRow(int row, TeaMarkWork* openDialog);
    void fillShortNames();
    // The assignment text of every row (after entries changed).
    void refreshTexts();
    // Marks committed by the dialog, or anything else changed outside the grid's cells.
    void touched() { Q_EMIT edited(); }

Q_SIGNALS:
    void edited();
    // A drop on a teacher's row, accepted and to be carried out after the drop returns.
    void unassignedDropped(std::int64_t tea, std::int64_t ban, std::int64_t ke);
    void chipDropped(std::int64_t tea, int entry);

private:
    TeaDraft d_;
    quint64 generation_ = 0;
};

// The unassigned list `lvRenke`: class rows (not draggable) and subject rows with their
// remaining periods. Accepts chips only, which it deletes.
class RenkeModel : public QAbstractTableModel {
    Q_OBJECT
public:
    RenkeModel(TeaModel* teachers, QObject* parent = nullptr);
    void rebuild();
    const std::vector<UnassignedRow>& rows() const { return rows_; }

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;
    QStringList mimeTypes() const override;
    QMimeData* mimeData(const QModelIndexList& indexes) const override;
    Qt::DropActions supportedDragActions() const override;
    Qt::DropActions supportedDropActions() const override;
    bool canDropMimeData(const QMimeData* data, Qt::DropAction action, int row, int column,
                         const QModelIndex& parent) const override;
    bool dropMimeData(const QMimeData* data, Qt::DropAction action, int row, int column,
                      const QModelIndex& parent) override;

Q_SIGNALS:
    void chipDropped(int entry);

private:
    TeaModel* tea_;
    std::vector<UnassignedRow> rows_;
};

// The chips of one teacher `lvRenkeTmp`; each item keeps its first entry index.
class ChipList : public QListWidget {
    Q_OBJECT
public:
    ChipList(const TeaModel* model, std::int64_t tea, QWidget* parent = nullptr);
    int selectedEntry() const;
    void selectEntry(int entry);

Q_SIGNALS:
    // Up and Down: the neighbouring teacher.
    void stepRequested(int delta);

protected:
    QStringList mimeTypes() const override;
    QMimeData* mimeData(const QList<QListWidgetItem*>& items) const override;
    void keyPressEvent(QKeyEvent* e) override;

private:
    const TeaModel* model_;
    std::int64_t tea_;
};

// The strip `pnlRkTmp` over the selected teacher's assignment cell: the chips and "删任课".
class ChipStrip : public QFrame {
    Q_OBJECT
public:
    ChipStrip(const TeaModel* model, std::int64_t tea, QWidget* parent = nullptr);
    std::int64_t tea() const { return tea_; }
    ChipList* list() const { return list_; }
    QPushButton* btnDelRk() const { return btnDelRk_; }

private:
    std::int64_t tea_;
    ChipList* list_;
    QPushButton* btnDelRk_;
};

class TeaDelegate : public QStyledItemDelegate {
    Q_OBJECT
public:
    explicit TeaDelegate(TeaModel* model, QObject* parent = nullptr);
    QWidget* createEditor(QWidget* parent, const QStyleOptionViewItem& o, const QModelIndex& index) const override;
    void setEditorData(QWidget* editor, const QModelIndex& index) const override;
    void setModelData(QWidget* editor, QAbstractItemModel* model, const QModelIndex& index) const override;
    void updateEditorGeometry(QWidget* editor, const QStyleOptionViewItem& o, const QModelIndex& index) const override;
    void paint(QPainter* p, const QStyleOptionViewItem& o, const QModelIndex& index) const override;
    bool editorEvent(QEvent* e, QAbstractItemModel* model, const QStyleOptionViewItem& o,
                     const QModelIndex& index) override;
    // The marks button's place in its cell.
    static QRect buttonRect(const QRect& cell);

Q_SIGNALS:
    void moveRequested(int dr, int dc);
    void closeRequested();
    void markButtonClicked(int row);
    // A strip was made for a row (the page wires its chips).
    void stripCreated(ChipStrip* strip);

protected:
    bool eventFilter(QObject* o, QEvent* e) override;

private:
    TeaModel* model_;
};

// `TfrmJieshu`: how many of the remaining periods the teacher takes.
class TfrmJieshu : public QDialog {
    Q_OBJECT
public:
    TfrmJieshu(QWidget* parent = nullptr);
    // The caption and the maximum (also the number shown); placed from the pointer.
    void prepare(const QString& caption, int max);
    // What "确定" chose; 0 after "取消" or a close.
    int theJie() const { return theJie_; }

    QLabel* lblCaption() const { return lblCaption_; }
    QSpinBox* edtJieshu() const { return edtJieshu_; }
    QPushButton* btn1() const { return btn1_; }
    QPushButton* btn2() const { return btn2_; }

private:
    int theJie_ = 0;
    QLabel* lblCaption_;
    QSpinBox* edtJieshu_;
    QPushButton* btn1_;
    QPushButton* btn2_;
};

class TeaPage : public tavrin::ui::Page {
    Q_OBJECT
public:
    explicit TeaPage(tavrin::ui::Shell& shell, QWidget* parent = nullptr);
    ~TeaPage() override;

    void load(int table) override;
    bool save() override;
    QString statusText() const override;
    QMenu* pageMenu() override;
    void leave() override;

    // The working copy, for the spreadsheet import; call refreshAfterImport after changing it.
    TeaDraft& draft() { return model_->draft(); }
    void refreshAfterImport();
    // "从Excel导入数据": the import dialog on a copy of the working copy, taken over when it changed.
    void btnExcelToTeaClick();
    // The two exports of the working copy, unsaved edits included: for re-import, for statistics.
    void exportForImport();
    void exportStatistics();
    void setImportSeams(tavrin::spreadsheet::ImportSeams s) { importSeams_ = std::move(s); }

    void btnAddTeaClick();
    void btnDelTeaClick();
    void fillShortNames();
    void btnFnTeaClick();
    void btnDelRkClick();
    // The name editor on a cell (column 1 or 2), as a click there opens it.
    void editCell(int row, int column);
    void openMarks(int row);
    int selectedRow() const;
    void selectRow(int row);

    // How the periods dialog is shown (default: modally).
    void setDialogRunner(tavrin::ui::DialogRunner r) { runner_ = std::move(r); }

    TeaModel* model() const { return model_; }
    RenkeModel* renkeModel() const { return renke_; }
    QTableView* lvtea() const { return lvtea_; }
    QTableView* lvRenke() const { return lvRenke_; }
    QLineEdit* editor() const;
    // The strip of the selected row, nullptr when none is open.
    ChipStrip* strip() const;
    QLabel* lblRenkeTil() const { return lblRenkeTil_; }
    QLabel* lblRenJieCount() const { return lblRenJieCount_; }
    QLabel* pnlTeaInfo() const { return pnlTeaInfo_; }
    QLineEdit* edtFnTea() const { return edtFnTea_; }
    TteshuForm* marksDialog() const { return teshu_.get(); }
    TfrmJieshu* jieshuDialog() const { return jieshu_.get(); }
    QPushButton* button(const char* name) const;
    QAction* action(const char* name) const;
    QMenu* pmTeaGd() const { return pmTeaGd_; }
    QMenu* pmTs4() const { return pmTs4_; }
    QMenu* pmTeaToExcel() const { return pmTeaToExcel_; }
    // The spreadsheet controls.
    QPushButton* btnExcelToTea() const { return button("btnExcelToTea"); }
    QPushButton* btnTeaToExcel() const { return button("btnTeaToExcel"); }
    QAction* mniExcelToTea() const { return action("mniExcelToTea"); }
    QAction* mniTeaToExcel1_2() const { return action("mniTeaToExcel1_2"); }
    QAction* mniTeaToExcel2_2() const { return action("mniTeaToExcel2_2"); }

protected:
    bool eventFilter(QObject* o, QEvent* e) override;
    void resizeEvent(QResizeEvent* e) override;

private:
    TeaModel* model_;
    RenkeModel* renke_;
    TeaDelegate* delegate_;
    QTableView* lvtea_;
    QTableView* lvRenke_;
    QWidget* pnlTeaGdTil_;
    std::vector<QLabel*> titles_;
    QLabel* lblRenkeTil_;
    QLabel* lblRenJieCount_;
    QLabel* pnlTeaInfo_;
    QLineEdit* edtFnTea_;
    QMenu* pmTeaGd_;
    QMenu* pmTs4_;
    QMenu* pmTeaToExcel_;
    std::unique_ptr<TteshuForm> teshu_;
    std::unique_ptr<TfrmJieshu> jieshu_;
    tavrin::ui::DialogRunner runner_;
    tavrin::spreadsheet::ImportSeams importSeams_;
    QPersistentModelIndex stripIndex_;

    void moveEditor(int dr, int dc);
    void closeEditor();
    // Puts the strip on a row (or none), with the chip of `entry` selected when given.
    void showStrip(int row, int entry = -1, bool focus = false);
    void wireStrip(ChipStrip* strip);
    void placeTitles();
    void updateButtons();
    void updateLabels();
    // The unassigned list again, at the same scroll position.
    void rebuildList();
    void assignDropped(std::int64_t tea, std::int64_t ban, std::int64_t ke);
    void moveDropped(std::int64_t tea, int entry);
    void deleteDropped(int entry);
    // After entries changed: texts, list, labels, the teacher selected with the chip.
    void afterEntries(std::int64_t tea, int entry);
};

}  // namespace tavrin::entry::ui
