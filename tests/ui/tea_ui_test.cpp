// The teacher page (step 4), driven as the operator drives it in the window: drops of the
// unassigned list on a teacher through the periods dialog (run after the drop has returned),
// refused drops, chips moved and deleted by dragging, the name editor's walk, the chip strip
// following selection and scrolling, the save question after a drop, and the save itself.
#include <QApplication>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMimeData>
#include <QPushButton>
#include <QScrollBar>
#include <QSpinBox>
#include <QTemporaryDir>
#include <QWheelEvent>
#include <QtTest>

#include <memory>

#include "entry/teacher_fixture.h"
#include "entry/teachers.h"
#include "entry/ui/teapage.h"
#include "spreadsheet/reader.h"
#include "spreadsheet/ui/excelimport.h"
#include "spreadsheet/workbook.h"
#include "support/uitest.h"
#include "ui/fonts.h"
#include "ui/style.h"

using namespace tavrin;
using namespace tavrin::testing;
using entry::ui::ChipStrip;
using entry::ui::TeaModel;
using entry::ui::TeaPage;
using entry::ui::TfrmJieshu;

namespace {

// The teacher fixture, with 体育 in 3班 raised to 5 periods nobody teaches, and `extra`
// teachers without assignments after the five.
struct TeaSchool {
    TeacherSchool school;
    explicit TeaSchool(int extra = 0)
    {
        auto& s = school.store();
        s.run("UPDATE kemujieshu SET jieshu = 5 WHERE kemuid = 2 AND banid = 3");
        for (int k = 0; k < extra; ++k)
            school.builder.tea("新" + std::to_string(k + 1));
    }
};

// What the periods dialog was shown with, and the answer it gives (0: "取消").
struct JieshuScript {
    int answer = 0;
    int runs = 0;
    QString caption;
    int maximum = 0, initial = 0;
    ui::DialogRunner runner()
    {
        return [this](QDialog& d) {
            auto& j = dynamic_cast<TfrmJieshu&>(d);
            ++runs;
            caption = j.windowTitle();
            maximum = j.edtJieshu()->maximum();
            initial = j.edtJieshu()->value();
            if (answer > 0) {
                j.edtJieshu()->setValue(answer);
                j.btn1()->click();
            } else {
                j.btn2()->click();
            }
        };
    }
};

struct TeaWindow {
    ScriptedAsker asker;
    std::unique_ptr<mainwin::TForm1> w;
    TeaPage* page = nullptr;
    JieshuScript jieshu;

    explicit TeaWindow(store::Store& st, QSize size = {1200, 760})
    {
        w = pageWindow(st, asker, [this](mainwin::TForm1::Options& o) {
            o.pages[4] = [this](ui::Shell& sh) { return page = new TeaPage(sh); };
        });
        w->resize(size);
        w->show();
        QVERIFY(QTest::qWaitForWindowExposed(w.get()));
        w->openStep(4);
        page->setDialogRunner(jieshu.runner());
    }
    mainwin::TForm1* operator->() const { return w.get(); }
    const entry::TeaDraft& d() const { return page->model()->draft(); }
    int rowOf(const char* name) const
    {
        for (std::size_t i = 0; i < d().rows.size(); ++i)
            if (d().rows[i].name == name)
                return static_cast<int>(i);
        return -1;
    }
    QString text(int row) const { return page->model()->index(row, TeaModel::kRenke).data().toString(); }
    // The list row of a class's subject, -1 when the list has none.
    int listRow(const std::string& cls, const std::string& subject) const
    {
        const auto& rows = page->renkeModel()->rows();
        std::string current;
        for (std::size_t i = 0; i < rows.size(); ++i) {
            if (rows[i].isClass)
                current = rows[i].caption;
            else if (current == cls && rows[i].caption == subject)
                return static_cast<int>(i);
        }
        return -1;
    }
    std::unique_ptr<QMimeData> dragRow(int listRow) const
    {
        return std::unique_ptr<QMimeData>(
            page->renkeModel()->mimeData({page->renkeModel()->index(listRow, 0)}));
    }
    bool dropOnTeacher(const QMimeData* m, int row) const
    {
        return page->model()->dropMimeData(m, Qt::CopyAction, -1, -1, page->model()->index(row, TeaModel::kName));
    }
    // A chip of a teacher's strip, as its drag carries it.
    std::unique_ptr<QMimeData> dragChip(int row, int chip) const
    {
        page->selectRow(row);
        ChipStrip* s = page->strip();
        if (!s || chip >= s->list()->count())
            return nullptr;
        s->list()->setCurrentRow(chip);
        // What a drag of the chip carries, asked of the list's model as the drag asks it.
        return std::unique_ptr<QMimeData>(s->list()->model()->mimeData({s->list()->model()->index(chip, 0)}));
    }
};

// Typed as the keyboard types it, whatever the characters.
void typeText(QWidget* w, const QString& text)
{
    for (const QChar c : text)
        QTest::sendKeyEvent(QTest::Click, w, Qt::Key_unknown, QString(c), Qt::NoModifier);
}

}  // namespace

class TeaUiTest : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void entersWithTextsListAndLabels();
    void dropAsksAfterReturningAndSelectsTheNewChip();
    void cancelledDialogChangesNothing();
    void foreignOrStaleDropsAreRefused();
    void classRowsCannotBeDragged();
    void chipDragsMoveAndDelete();
    void nameEditorWalksAndEscapeKeepsTheText();
    void stripFollowsSelectionAndScrolling();
    void returnAfterADropAsksTheSaveQuestion();
    void assignmentImportShowsAndAsksOnReturn();
    void exportsWriteTheWorkingCopy_data();
    void exportsWriteTheWorkingCopy();
    void saveWritesTheDropAndReloads();
    void addDeleteFindAndFill();
};

void TeaUiTest::entersWithTextsListAndLabels()
{
    TeaSchool s;
    TeaWindow win(s.school.store());
    QCOMPARE(win->currentIndex(), 4);
    QVERIFY(!win->dataChanged());
    QCOMPARE(win->status(), QString::fromUtf8(entry::kTeaStatus));
    QCOMPARE(win.page->model()->rowCount(), 5);
    QCOMPARE(win.page->lvtea()->verticalHeader()->defaultSectionSize(), 50);
    QCOMPARE(win.text(1), QStringLiteral("共10节:   [1班\"语文\"4节]    [3班\"语文\"4节]    [1班\"体育\"2节+2班\"体育\"2节]"));
    // 3班 is the only class with periods left: its row, then 体育 with 5.
    const auto& rows = win.page->renkeModel()->rows();
    QCOMPARE(rows.size(), std::size_t(2));
    QVERIFY(rows[0].isClass);
    QCOMPARE(win.page->renkeModel()->index(0, 0).data(Qt::BackgroundRole).value<QColor>(), QColor(0xEB, 0xEB, 0xEB));
    QCOMPARE(win.page->renkeModel()->index(1, 1).data().toInt(), 5);
    QCOMPARE(win.page->lblRenJieCount()->text(), QStringLiteral("剩余任课 5 节"));
    QCOMPARE(win.page->lblRenkeTil()->text(), QString::fromStdString(entry::assignedLabel(win.d())));
    // The title over the assignment column is as wide as the column.
    QCOMPARE(win.page->lblRenkeTil()->width(), win.page->lvtea()->columnWidth(TeaModel::kRenke));
    // Nothing selected yet: no strip, nothing to delete.
    QVERIFY(!win.page->strip());
    QVERIFY(!win.page->button("btnDelTea")->isEnabled());
    // The hint shows while the pointer is over the list.
    QEvent enter(QEvent::Enter);
    QApplication::sendEvent(win.page->lvRenke()->viewport(), &enter);
    QVERIFY(win.page->pnlTeaInfo()->isVisible());
    QCOMPARE(win.page->pnlTeaInfo()->text(), QStringLiteral("将任课拖至左边相应教师"));
    QEvent leave(QEvent::Leave);
    QApplication::sendEvent(win.page->lvRenke()->viewport(), &leave);
    QVERIFY(!win.page->pnlTeaInfo()->isVisible());
}

void TeaUiTest::dropAsksAfterReturningAndSelectsTheNewChip()
{
    TeaSchool s;
    TeaWindow win(s.school.store());
    const int wang = win.rowOf("王老师");
    const QString before = win.page->lblRenkeTil()->text();
    win.jieshu.answer = 3;
    const auto m = win.dragRow(win.listRow("3班", "体育"));
    QVERIFY(m);
    QVERIFY(win.dropOnTeacher(m.get(), wang));
    QCOMPARE(win.jieshu.runs, 0);  // never inside the drop
    QCoreApplication::processEvents();
    QCOMPARE(win.jieshu.runs, 1);
    QCOMPARE(win.jieshu.caption, QStringLiteral("王老师 3班 体育节数:"));
    QCOMPARE(win.jieshu.maximum, 5);
    QCOMPARE(win.jieshu.initial, 5);
    // 2 left in the list, the teacher's text and the total follow.
    const int row = win.listRow("3班", "体育");
    QVERIFY(row >= 0);
    QCOMPARE(win.page->renkeModel()->index(row, 1).data().toInt(), 2);
    QCOMPARE(win.page->lblRenJieCount()->text(), QStringLiteral("剩余任课 2 节"));
    QCOMPARE(win.text(wang), QStringLiteral("共8节:   [4班\"语文\"5节]    [3班\"体育\"3节]"));
    QVERIFY(before != win.page->lblRenkeTil()->text());
    QCOMPARE(win.page->lblRenkeTil()->text(), QString::fromStdString(entry::assignedLabel(win.d())));
    // The teacher is selected, his strip open with the new chip selected.
    QCOMPARE(win.page->selectedRow(), wang);
    ChipStrip* strip = win.page->strip();
    QVERIFY(strip);
    QCOMPARE(strip->tea(), win.d().rows[static_cast<std::size_t>(wang)].id);
    QCOMPARE(strip->list()->selectedEntry(), win.d().LastRenkeIdx);
    QCOMPARE(strip->list()->currentItem()->text(), QStringLiteral("[3班\"体育\"3节]"));
    QVERIFY(strip->btnDelRk()->isEnabled());
    QVERIFY(win->dataChanged());

    // The same drag again: the row it came from now holds 2, and nothing more is offered.
    win.jieshu.answer = 2;
    QVERIFY(win.dropOnTeacher(m.get(), win.rowOf("李老师")));
    QCoreApplication::processEvents();
    QCOMPARE(win.jieshu.maximum, 2);
    QCOMPARE(win.listRow("3班", "体育"), -1);
    QCOMPARE(win.page->renkeModel()->rowCount(), 0);  // the class row went with its only subject
    QCOMPARE(win.page->lblRenJieCount()->text(), QStringLiteral("剩余任课"));
    // A third drop of it finds nothing left and asks nothing.
    QVERIFY(win.dropOnTeacher(m.get(), wang));
    QCoreApplication::processEvents();
    QCOMPARE(win.jieshu.runs, 2);
    QCOMPARE(entry::remaining(win.d(), 3, 2), 0);
}

void TeaUiTest::cancelledDialogChangesNothing()
{
    TeaSchool s;
    TeaWindow win(s.school.store());
    const auto before = win.d().renke;
    const QString text = win.text(2);
    win.jieshu.answer = 0;
    const auto m = win.dragRow(win.listRow("3班", "体育"));
    QVERIFY(win.dropOnTeacher(m.get(), 2));
    QCoreApplication::processEvents();
    QCOMPARE(win.jieshu.runs, 1);
    QVERIFY(win.d().renke == before);
    QCOMPARE(win.text(2), text);
    QCOMPARE(win.page->renkeModel()->index(win.listRow("3班", "体育"), 1).data().toInt(), 5);
    QCOMPARE(win.page->lblRenJieCount()->text(), QStringLiteral("剩余任课 5 节"));
}

void TeaUiTest::foreignOrStaleDropsAreRefused()
{
    TeaSchool s;
    TeaWindow win(s.school.store());
    auto* model = win.page->model();
    const auto good = win.dragRow(win.listRow("3班", "体育"));
    const QByteArray payload = good->data(QString::fromLatin1(entry::ui::kUnassignedMime));
    auto mime = [](const char* type, const QByteArray& bytes) {
        auto m = std::make_unique<QMimeData>();
        m->setData(QString::fromLatin1(type), bytes);
        return m;
    };
    const auto fromOtherProcess = entry::ui::packDrag({QCoreApplication::applicationPid() + 1, model->generation(), 3, 2});
    const auto fromEarlierLoad = entry::ui::packDrag({QCoreApplication::applicationPid(), model->generation() - 1, 3, 2});
    struct Case {
        const char* what;
        std::unique_ptr<QMimeData> m;
        QModelIndex target;
    };
    Case cases[] = {
        {"plain text", mime("text/plain", "3班 体育"), model->index(1, 1)},
        {"another process", mime(entry::ui::kUnassignedMime, fromOtherProcess), model->index(1, 1)},
        {"an earlier load", mime(entry::ui::kUnassignedMime, fromEarlierLoad), model->index(1, 1)},
        {"cut short", mime(entry::ui::kUnassignedMime, payload.left(payload.size() - 1)), model->index(1, 1)},
        {"no row", mime(entry::ui::kUnassignedMime, payload), QModelIndex()},
    };
    for (auto& c : cases) {
        QVERIFY2(!model->canDropMimeData(c.m.get(), Qt::CopyAction, -1, -1, c.target), c.what);
        QVERIFY2(!model->dropMimeData(c.m.get(), Qt::CopyAction, -1, -1, c.target), c.what);
    }
    // The list takes chips only.
    QVERIFY(!win.page->renkeModel()->canDropMimeData(good.get(), Qt::CopyAction, -1, -1, {}));
    QVERIFY(!win.page->renkeModel()->dropMimeData(good.get(), Qt::CopyAction, -1, -1, {}));
    // Reloading makes every earlier drag stale.
    win.page->load(ui::KbNone);
    QVERIFY(!model->canDropMimeData(good.get(), Qt::CopyAction, -1, -1, model->index(1, 1)));
    QCoreApplication::processEvents();
    QCOMPARE(win.jieshu.runs, 0);
}

void TeaUiTest::classRowsCannotBeDragged()
{
    TeaSchool s;
    TeaWindow win(s.school.store());
    auto* list = win.page->renkeModel();
    const QModelIndex cls = list->index(0, 0), subject = list->index(1, 0);
    QVERIFY(list->rows()[0].isClass);
    QVERIFY(!(list->flags(cls) & Qt::ItemIsDragEnabled));
    QVERIFY(list->flags(subject) & Qt::ItemIsDragEnabled);
    QVERIFY(!list->mimeData({cls}));
    // Pressed and pulled with the mouse, a class row starts no drag: nothing reaches a teacher.
    auto* view = win.page->lvRenke();
    const QPoint from = view->visualRect(cls).center();
    QTest::mousePress(view->viewport(), Qt::LeftButton, {}, from);
    QTest::mouseMove(view->viewport(), from + QPoint(0, 40));
    QTest::mouseRelease(view->viewport(), Qt::LeftButton, {}, from + QPoint(0, 40));
    QCoreApplication::processEvents();
    QCOMPARE(win.jieshu.runs, 0);
}

void TeaUiTest::chipDragsMoveAndDelete()
{
    TeaSchool s;
    TeaWindow win(s.school.store());
    const int zhang = win.rowOf("张老师"), wang = win.rowOf("王老师");
    // 张's third chip is his combined 体育 lesson: it moves whole.
    const auto chip = win.dragChip(zhang, 2);
    QVERIFY(chip);
    QVERIFY(!win.page->model()->canDropMimeData(chip.get(), Qt::CopyAction, -1, -1,
                                                win.page->model()->index(zhang, 1)));  // his own row
    QVERIFY(win.dropOnTeacher(chip.get(), wang));
    QCoreApplication::processEvents();
    QCOMPARE(win.text(zhang), QStringLiteral("共8节:   [1班\"语文\"4节]    [3班\"语文\"4节]"));
    QCOMPARE(win.text(wang), QStringLiteral("共7节:   [4班\"语文\"5节]    [1班\"体育\"2节+2班\"体育\"2节]"));
    QCOMPARE(win.page->selectedRow(), wang);
    QCOMPARE(win.page->strip()->list()->currentItem()->text(), QStringLiteral("[1班\"体育\"2节+2班\"体育\"2节]"));

    // Dropped on the list, it is deleted; the chip before it is selected.
    const auto again = win.dragChip(wang, 1);
    QVERIFY(win.page->renkeModel()->dropMimeData(again.get(), Qt::CopyAction, -1, -1, {}));
    QCoreApplication::processEvents();
    QCOMPARE(win.text(wang), QStringLiteral("共5节:   [4班\"语文\"5节]"));
    QCOMPARE(win.page->strip()->list()->count(), 1);
    QCOMPARE(win.page->strip()->list()->currentRow(), 0);
    QVERIFY(win.listRow("1班", "体育") >= 0);
    QCOMPARE(win.page->renkeModel()->index(win.listRow("2班", "体育"), 1).data().toInt(), 2);
    // "删任课" deletes the selected chip the same way.
    QTest::mouseClick(win.page->strip()->btnDelRk(), Qt::LeftButton);
    QCoreApplication::processEvents();
    QCOMPARE(win.text(wang), QString());
    QCOMPARE(win.page->strip()->list()->count(), 0);
    QVERIFY(!win.page->strip()->btnDelRk()->isEnabled());
    QCOMPARE(win.page->renkeModel()->index(win.listRow("4班", "语文"), 1).data().toInt(), 5);
}

void TeaUiTest::nameEditorWalksAndEscapeKeepsTheText()
{
    TeaSchool s;
    TeaWindow win(s.school.store());
    auto* view = win.page->lvtea();
    QTest::mouseClick(view->viewport(), Qt::LeftButton, {},
                      view->visualRect(win.page->model()->index(0, TeaModel::kName)).center());
    QLineEdit* e = win.page->editor();
    QVERIFY(e);
    QCOMPARE(e->objectName(), QStringLiteral("edtTea"));
    QCOMPARE(e->text(), QStringLiteral("李老师"));
    typeText(e, QStringLiteral("李四"));
    QCOMPARE(win.d().rows[0].name, std::string("李四"));  // written through as typed
    QVERIFY(win->dataChanged());
    struct Step {
        Qt::Key key;
        int row, col;
    };
    const Step steps[] = {
        {Qt::Key_Left, 0, 1},  {Qt::Key_Right, 0, 2}, {Qt::Key_Right, 0, 2}, {Qt::Key_Left, 0, 1},
        {Qt::Key_Down, 1, 1},  {Qt::Key_Right, 1, 2}, {Qt::Key_Down, 2, 2},  {Qt::Key_Up, 1, 2},
        {Qt::Key_Return, 2, 2}, {Qt::Key_Up, 1, 2},   {Qt::Key_Up, 0, 2},    {Qt::Key_Up, 0, 2},
    };
    for (const auto& st : steps) {
        QTest::keyClick(win.page->editor(), st.key);
        QVERIFY(win.page->editor());
        QCOMPARE(view->currentIndex().row(), st.row);
        QCOMPARE(view->currentIndex().column(), st.col);
        QCOMPARE(win.page->selectedRow(), st.row);
    }
    QCOMPARE(win.page->editor()->selectedText(), win.page->editor()->text());
    typeText(win.page->editor(), QStringLiteral("小李"));
    QTest::keyClick(win.page->editor(), Qt::Key_Escape);
    QCoreApplication::processEvents();
    QVERIFY(!win.page->editor());
    QCOMPARE(win.d().rows[0].name2, std::string("小李"));
    QCOMPARE(win.page->model()->index(0, TeaModel::kName2).data().toString(), QStringLiteral("小李"));
    // A wheel turn anywhere in the window closes it too, the text kept.
    win.page->editCell(3, TeaModel::kName);
    typeText(win.page->editor(), QStringLiteral("赵六"));
    QWidget* target = win.page->lvRenke()->viewport();
    QWheelEvent wheel(QPointF(4, 4), target->mapToGlobal(QPointF(4, 4)), {}, {0, -120}, Qt::NoButton, {},
                      Qt::NoScrollPhase, false);
    QApplication::sendEvent(target, &wheel);
    QCoreApplication::processEvents();
    QVERIFY(!win.page->editor());
    QCOMPARE(win.d().rows[3].name, std::string("赵六"));
}

void TeaUiTest::stripFollowsSelectionAndScrolling()
{
    TeaSchool s(30);
    TeaWindow win(s.school.store(), {960, 640});
    auto* view = win.page->lvtea();
    auto onRow = [&](int row) {
        ChipStrip* strip = win.page->strip();
        if (!strip || !strip->isVisible())
            return false;
        const QRect cell = view->visualRect(win.page->model()->index(row, TeaModel::kRenke));
        return strip->tea() == win.d().rows[static_cast<std::size_t>(row)].id && cell.contains(strip->geometry().center());
    };
    win.page->selectRow(1);
    QVERIFY(onRow(1));
    QCOMPARE(win.page->strip()->list()->count(), 3);  // 张's chips
    view->verticalScrollBar()->setValue(3);
    QCoreApplication::processEvents();
    QVERIFY(onRow(1));
    QVERIFY(view->visualRect(win.page->model()->index(1, 3)).top() < 0);
    view->verticalScrollBar()->setValue(0);
    QCoreApplication::processEvents();
    QVERIFY(onRow(1));
    // Another row selected: the strip goes with it, one strip only.
    win.page->selectRow(20);
    view->scrollTo(win.page->model()->index(20, 0));
    QCoreApplication::processEvents();
    QVERIFY(onRow(20));
    const auto strips = view->viewport()->findChildren<ChipStrip*>();
    QCOMPARE(std::count_if(strips.begin(), strips.end(), [](ChipStrip* c) { return c->isVisible(); }), 1);
    // Up and Down in the chips step to the neighbouring teacher, the chips keeping the keys.
    win.page->strip()->list()->setFocus();
    QTest::keyClick(win.page->strip()->list(), Qt::Key_Up);
    QCoreApplication::processEvents();
    QCOMPARE(win.page->selectedRow(), 19);
    QVERIFY(onRow(19));
    QTest::keyClick(win.page->strip()->list(), Qt::Key_Down);
    QTest::keyClick(win.page->strip()->list(), Qt::Key_Down);
    QCoreApplication::processEvents();
    QCOMPARE(win.page->selectedRow(), 21);
    QVERIFY(onRow(21));
    // No selection, no strip.
    win.page->selectRow(-1);
    QVERIFY(!win.page->strip());
}

void TeaUiTest::returnAfterADropAsksTheSaveQuestion()
{
    TeaSchool s;
    {
        // Without an edit, Return asks nothing.
        TeaWindow win(s.school.store());
        win->goBack();
        QCOMPARE(win->currentIndex(), 0);
        QVERIFY(win.asker.shown.empty());
    }
    TeaWindow win(s.school.store());
    win.jieshu.answer = 1;
    const auto m = win.dragRow(win.listRow("3班", "体育"));
    QVERIFY(win.dropOnTeacher(m.get(), 0));
    QCoreApplication::processEvents();
    win.asker.answerSave(ui::SaveAnswer::NoSave);
    win->goBack();
    QVERIFY(win.asker.done());
    QCOMPARE(win.asker.shown.size(), std::size_t(1));
    QCOMPARE(win.asker.shown.back().kind, ScriptedAsker::Kind::Save);
    QCOMPARE(win->currentIndex(), 0);
    QCOMPARE(static_cast<long long>(s.school.store().scalar("SELECT count(*) FROM renkebd WHERE banid = 3 AND keid = 2")),
             0LL);
}

// "从Excel导入数据" runs the dialog's three steps on the page's working copy: the grid and the
// list show the import at once, and Return asks before dropping it.
void TeaUiTest::assignmentImportShowsAndAsksOnReturn()
{
    TeaSchool s;
    TeaWindow win(s.school.store());
    QTemporaryDir dir;
    const QString filled = dir.filePath(QStringLiteral("filled.xlsx"));
    {
        spreadsheet::Workbook book;
        auto& sh = book.add("t");
        sh.setText(1, 1, "科目");
        sh.setText(1, 2, "3班");
        sh.setText(2, 1, "体育");
        sh.setText(2, 2, "孙老师,3");
        QVERIFY(book.save(filled.toStdString()).ok);
    }
    int runs = 0;
    win.page->setImportSeams({[&](QDialog& d) {
                                  ++runs;
                                  dynamic_cast<spreadsheet::ExcelImportDialog&>(d).btnOpenExcel()->click();
                              },
                              [](const QUrl&) { return true; }});
    QVERIFY(win.page->btnExcelToTea()->isEnabled());
    QVERIFY(win.page->mniExcelToTea()->isEnabled());
    const int teachers = win.page->model()->rowCount();
    win.asker.answerFile(filled);
    win.page->btnExcelToTea()->click();
    QCOMPARE(runs, 1);
    QVERIFY(win.asker.done());
    // A new teacher row with his text; 体育 in 3班 has 2 of its 5 periods left.
    QCOMPARE(win.page->model()->rowCount(), teachers + 1);
    QCOMPARE(win.page->model()->index(teachers, TeaModel::kName).data().toString(), QStringLiteral("孙老师"));
    QCOMPARE(win.text(teachers), QStringLiteral("共3节:   [3班\"体育\"3节]"));
    QCOMPARE(win.page->renkeModel()->index(win.listRow("3班", "体育"), 1).data().toInt(), 2);
    QVERIFY(win->dataChanged());

    win.asker.answerSave(ui::SaveAnswer::Cancel);
    win->goBack();
    QCOMPARE(win.asker.shown.back().kind, ScriptedAsker::Kind::Save);
    QCOMPARE(win->currentIndex(), 4);

    // The menu entry starts the same dialog; the file dialog cancelled changes nothing.
    const auto before = win.d();
    win.asker.answerFile({});
    win.page->mniExcelToTea()->trigger();
    QCOMPARE(runs, 2);
    QVERIFY(win.d() == before);
}

void TeaUiTest::exportsWriteTheWorkingCopy_data()
{
    QTest::addColumn<QString>("entry");
    QTest::addColumn<bool>("reimport");
    QTest::newRow("mniTeaToExcel1") << "mniTeaToExcel1" << true;
    QTest::newRow("mniTeaToExcel1_2") << "mniTeaToExcel1_2" << true;
    QTest::newRow("mniTeaToExcel2") << "mniTeaToExcel2" << false;
    QTest::newRow("mniTeaToExcel2_2") << "mniTeaToExcel2_2" << false;
}

// Both exports, from the popup of "导出Excel数据" and from the page menu, write the working
// copy: a drop not saved yet is in the file.
void TeaUiTest::exportsWriteTheWorkingCopy()
{
    QFETCH(QString, entry);
    QFETCH(bool, reimport);
    TeaSchool s;
    TeaWindow win(s.school.store());
    QVERIFY(win.page->btnTeaToExcel()->isEnabled());
    win.jieshu.answer = 3;
    const int row = win.rowOf("李老师");
    QVERIFY(row >= 0);
    const auto m = win.dragRow(win.listRow("3班", "体育"));
    QVERIFY(win.dropOnTeacher(m.get(), row));
    QCoreApplication::processEvents();

    QTemporaryDir dir;
    const QString file = dir.filePath(QStringLiteral("任课"));
    win.asker.answerFile(file).answer(ui::Answer::No);
    QAction* act = win.page->action(entry.toUtf8().constData());
    QVERIFY(act && act->isEnabled());
    act->trigger();
    QVERIFY(win.asker.done());
    const auto read = spreadsheet::readFirstSheet((file + ".xlsx").toStdString());
    QVERIFY(read.ok());
    bool found = false;
    for (const auto& r : read.sheet.rows)
        for (const auto& [col, text] : r.cells)
            if (reimport ? text.find("李老师,3") != std::string::npos
                         : text.find("3班【体育】3节") != std::string::npos)
                found = true;
    QVERIFY2(found, "the unsaved drop is not in the exported sheet");
}

void TeaUiTest::saveWritesTheDropAndReloads()
{
    TeaSchool s;
    TeaWindow win(s.school.store());
    win.jieshu.answer = 4;
    const auto m = win.dragRow(win.listRow("3班", "体育"));
    QVERIFY(win.dropOnTeacher(m.get(), win.rowOf("钱老师")));
    QCoreApplication::processEvents();
    win->save();
    QCOMPARE(win.asker.texts(), QStringList{QString::fromUtf8(entry::kSaved)});
    QVERIFY(!win->dataChanged());
    QCOMPARE(static_cast<long long>(s.school.store().scalar("SELECT jieshu FROM renkebd r JOIN teabd t ON "
                                                            "t.teaid = r.teaid WHERE t.teaname = '钱老师' "
                                                            "AND r.banid = 3 AND r.keid = 2")),
             4LL);
    // Reloaded from the file: the list and the text show what was saved.
    QCOMPARE(win.page->renkeModel()->index(win.listRow("3班", "体育"), 1).data().toInt(), 1);
    const QString text = win.text(win.rowOf("钱老师"));
    QVERIFY2(text.startsWith(QStringLiteral("共6节:   ")), qPrintable(text));
    QVERIFY2(text.contains(QStringLiteral("[3班\"体育\"4节]")), qPrintable(text));
}

void TeaUiTest::addDeleteFindAndFill()
{
    TeaSchool s;
    TeaWindow win(s.school.store());
    QTest::mouseClick(win.page->button("btnAddTea"), Qt::LeftButton);
    QCOMPARE(win.page->model()->rowCount(), 6);
    QVERIFY(win.page->editor());
    QCOMPARE(win.page->lvtea()->currentIndex(), win.page->model()->index(5, TeaModel::kName));
    typeText(win.page->editor(), QStringLiteral("欧阳修"));
    QTest::keyClick(win.page->editor(), Qt::Key_Escape);
    QVERIFY(win.page->button("btnDelTea")->isEnabled());
    // Find wraps past the last row; an empty text finds nothing.
    win.page->edtFnTea()->setText(QStringLiteral("老师"));
    QTest::keyClick(win.page->edtFnTea(), Qt::Key_Return);
    QCOMPARE(win.page->selectedRow(), 0);
    win.page->selectRow(4);
    QTest::mouseClick(win.page->button("btnFnTea"), Qt::LeftButton);
    QCOMPARE(win.page->selectedRow(), 0);
    win.page->edtFnTea()->clear();
    QTest::mouseClick(win.page->button("btnFnTea"), Qt::LeftButton);
    QCOMPARE(win.page->selectedRow(), 0);
    // The fill takes the last two characters of a longer name.
    QTest::mouseClick(win.page->button("btnFillTeaName2"), Qt::LeftButton);
    QCOMPARE(win.page->model()->index(5, TeaModel::kName2).data().toString(), QStringLiteral("阳修"));
    // Deleting 张 frees his periods in the list and selects the row now in his place.
    win.page->selectRow(1);
    QTest::mouseClick(win.page->button("btnDelTea"), Qt::LeftButton);
    QCOMPARE(win.page->model()->rowCount(), 5);
    QCOMPARE(win.page->selectedRow(), 1);
    QCOMPARE(win.page->model()->index(1, 0).data().toInt(), 2);
    QCOMPARE(win.page->model()->index(1, TeaModel::kName).data().toString(), QStringLiteral("王老师"));
    QCOMPARE(win.page->renkeModel()->index(win.listRow("1班", "语文"), 1).data().toInt(), 4);
    QCOMPARE(win.page->lblRenJieCount()->text(), QStringLiteral("剩余任课 17 节"));
}

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    ui::useChineseFont(app);
    ui::useKitStyle(app);
    TeaUiTest t;
    return QTest::qExec(&t, argc, argv);
}

#include "tea_ui_test.moc"
