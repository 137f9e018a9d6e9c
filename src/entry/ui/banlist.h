// The class list of step 1 on Qt's model/view: `BanModel` holds the working copy (grade
// groups as top-level rows, their classes as children), `BanListView` paints each group as
// a header band over its tiles, and `BanDelegate` gives the in-place editors of both.
//
// Editing keeps the step's rules: a press on a tile or a header opens its editor at once;
// the text is written to the model as it is typed; there is no cancel (Esc, leaving the
// editor and a wheel turn all keep the text); in the group editor Up, Down and Enter step to
// the neighbouring header; in the list Left and Right move within a group and Up and Down to
// the first class of the neighbouring group, each opening the editor.
#pragma once

#include <QAbstractItemModel>
#include <QAbstractItemView>
#include <QLineEdit>
#include <QPointer>
#include <QStyledItemDelegate>

#include <vector>

#include "entry/classes.h"


namespace tavrin::entry::ui {

class BanModel : public QAbstractItemModel {
    Q_OBJECT
public:
    explicit BanModel(QObject* parent = nullptr);

    void reset(ClassDraft d);
    const ClassDraft& draft() const { return d_; }

    QModelIndex index(int row, int column, const QModelIndex& parent = {}) const override;
    QModelIndex parent(const QModelIndex& child) const override;
    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    bool setData(const QModelIndex& index, const QVariant& value, int role = Qt::EditRole) override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;

    static bool isGroup(const QModelIndex& i) { return i.isValid() && i.internalId() == 0; }
    static bool isClass(const QModelIndex& i) { return i.isValid() && i.internalId() != 0; }
    QModelIndex groupIndex(int g) const { return index(g, 0); }
    QModelIndex classIndex(BanPos p) const;
    BanPos posOf(const QModelIndex& i) const;
    // The group of a group or class index, -1 for none.
    static int groupOf(const QModelIndex& i);

    // The editing commands on the working copy, with the model's notifications.
    Result addGroup();
    Result addClass(int group, BanPos* added);
    BanPos deleteClass(BanPos p);
    void deleteGroup(int group);
    void fillNames();

Q_SIGNALS:
    // A name was written through an editor.
    void edited();

private:
    ClassDraft d_;
};

class BanDelegate : public QStyledItemDelegate {
    Q_OBJECT
public:
    explicit BanDelegate(QObject* parent = nullptr);

    QWidget* createEditor(QWidget* parent, const QStyleOptionViewItem& option, const QModelIndex& index) const override;
    void setEditorData(QWidget* editor, const QModelIndex& index) const override;
    void setModelData(QWidget* editor, QAbstractItemModel* model, const QModelIndex& index) const override;
    void updateEditorGeometry(QWidget* editor, const QStyleOptionViewItem& option, const QModelIndex& index) const override;
    // The editor made last.
    QLineEdit* lastCreated() const { return created_.data(); }

Q_SIGNALS:
    // Up (-1), Down or Enter (+1) in a group editor.
    void groupStep(QWidget* editor, int delta);
    // Any key pressed in an editor.
    void keyPressed();

protected:
    bool eventFilter(QObject* editor, QEvent* event) override;

private:
    QPointer<QLineEdit> created_;
};

class BanListView : public QAbstractItemView {
    Q_OBJECT
public:
    static constexpr int kHeaderH = 28;
    static constexpr int kTileW = 132, kTileH = 40, kGap = 8, kMargin = 10;

    explicit BanListView(QWidget* parent = nullptr);

    void setModel(QAbstractItemModel* model) override;
    BanModel* banModel() const { return model_; }

    QRect visualRect(const QModelIndex& index) const override;
    void scrollTo(const QModelIndex& index, ScrollHint hint = EnsureVisible) override;
    QModelIndex indexAt(const QPoint& point) const override;

    // The class selected (the current class), or invalid.
    BanPos selectedClass() const;
    void selectClass(BanPos p);
    // Opens the editor of a class or of a group's header, closing (and keeping) an open one.
    void openEditor(const QModelIndex& index);
    void openHeader(int group);
    // The open editor, if any, and its index.
    QLineEdit* editor() const;
    QModelIndex editedIndex() const { return editing_; }
    // Ends an open editor, keeping its text.
    void commitEditor();

Q_SIGNALS:
    // Every key pressed in the list or its editors.
    void keyPressed();
    void selectedClassChanged();

protected:
    QModelIndex moveCursor(CursorAction cursorAction, Qt::KeyboardModifiers modifiers) override;
    int horizontalOffset() const override;
    int verticalOffset() const override;
    bool isIndexHidden(const QModelIndex& index) const override;
    void setSelection(const QRect& rect, QItemSelectionModel::SelectionFlags command) override;
    QRegion visualRegionForSelection(const QItemSelection& selection) const override;
    void updateGeometries() override;
    void scrollContentsBy(int dx, int dy) override;

    void paintEvent(QPaintEvent* e) override;
    void resizeEvent(QResizeEvent* e) override;
    void mousePressEvent(QMouseEvent* e) override;
    void mouseDoubleClickEvent(QMouseEvent* e) override;
    void keyPressEvent(QKeyEvent* e) override;
    void wheelEvent(QWheelEvent* e) override;
    void currentChanged(const QModelIndex& current, const QModelIndex& previous) override;
    void closeEditor(QWidget* editor, QAbstractItemDelegate::EndEditHint hint) override;

private:
    BanModel* model_ = nullptr;
    BanDelegate* delegate_;
    QPersistentModelIndex editing_;
    QPointer<QLineEdit> editor_;
    // Content coordinates, by group: its header band and its tiles.
    std::vector<QRect> headers_;
    std::vector<std::vector<QRect>> tiles_;
    int contentHeight_ = 0;

    void relayout();
    QRect contentRect(const QModelIndex& index) const;
    void onGroupStep(QWidget* editor, int delta);
};

}  // namespace tavrin::entry::ui
