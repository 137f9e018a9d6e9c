// The subject page (step 3) and its time-mark dialog, driven as the operator drives them in
// the window: the editor's walk over the cells, Esc and the wheel, the per-class strip, the
// footer's totals, colours and alignment, the fills and the save question, the dialog's
// scopes, commit and re-targeting.
#include <QAction>
#include <QApplication>
#include <QHeaderView>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QScrollBar>
#include <QTableWidget>
#include <QToolButton>
#include <QTreeWidget>
#include <QWheelEvent>
#include <QtTest>

#include <memory>

#include "entry/ui/kepage.h"
#include "entry/ui/teshuform.h"
#include "support/name_dump.h"
#include "support/uitest.h"
#include "ui/fonts.h"
#include "ui/style.h"

using namespace tavrin;
using namespace tavrin::testing;
using entry::Scope;
using entry::ui::CountValidator;
using entry::ui::KePage;

namespace {

// 初一 with three classes, 初二 with two; Monday to Friday, 4 + 4 periods (40 slots, 初一1班
// with a fixed lesson: 39). 语文 5,5,4 in 初一 and 6 in 初二; 数学 4 everywhere; 英语 none.
void fillSchool(store::Store& s)
{
    s.transaction([&] {
        s.run("INSERT INTO jibd VALUES(1, '初一')");
        s.run("INSERT INTO jibd VALUES(2, '初二')");
        const char* names[] = {"初一1班", "初一2班", "初一3班", "初二1班", "初二2班"};
        for (int b = 1; b <= 5; ++b)
            s.run("INSERT INTO banbd VALUES(?1, ?2, ?3, 0)", b, names[b - 1], b <= 3 ? 1 : 2);
        for (int w = 1; w <= 5; ++w)
            s.run("INSERT INTO daybd VALUES(?1, '')", w);
        s.run("INSERT INTO jieshu VALUES(4, 4, 0)");
        s.run("INSERT INTO gudinbd VALUES(1, '班会', 5, 8, 1)");
        s.run("INSERT INTO kemubd VALUES(1, '语文', '语', 0, 0)");
        s.run("INSERT INTO kemubd VALUES(2, '数学', '数', 0, 0)");
        s.run("INSERT INTO kemubd VALUES(3, '英语', '英', 0, 0)");
        const int yu[] = {5, 5, 4, 6, 6};
        for (int b = 1; b <= 5; ++b) {
            s.run("INSERT INTO kemujieshu VALUES(1, ?1, ?2)", b, yu[b - 1]);
            s.run("INSERT INTO kemujieshu VALUES(2, ?1, 4)", b);
        }
    });
}

struct KeWindow {
    ScriptedAsker asker;
    std::unique_ptr<mainwin::TForm1> w;
    KePage* ke = nullptr;

    explicit KeWindow(store::Store& st, QSize size = {1100, 760})
    {
        w = pageWindow(st, asker, [this](mainwin::TForm1::Options& o) {
            o.pages[3] = [this](ui::Shell& sh) { return ke = new KePage(sh); };
        });
        w->resize(size);
        w->show();
        QVERIFY(QTest::qWaitForWindowExposed(w.get()));
        w->openStep(3);
    }
    mainwin::TForm1* operator->() const { return w.get(); }
    QString cell(int row, int col) const { return ke->model()->index(row, col).data().toString(); }
    QLineEdit* editor() const { return ke->editor(); }
    int editCol() const { return ke->lvKe()->currentIndex().column(); }
};

void typeText(QWidget* w, const QString& text)
{
    for (const QChar c : text)
        QTest::sendKeyEvent(QTest::Click, w, Qt::Key_unknown, QString(c), Qt::NoModifier);
}

}  // namespace

class KeUiTest : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void entersWithTheGridAndFooter();
    void editorStopsAtTheFirstAndLastEditableCells();
    void escapeAndWheelKeepTheText();
    void typingWritesThroughAndRefreshesTheTotals();
    void validatorTable_data();
    void validatorTable();
    void stripOpensForDifferingClasses();
    void footerStaysAlignedAfterAHorizontalScroll();
    void returnAfterAFillAsksTheSaveQuestion();
    void addDeleteAndTheLimitMessage();
    void saveOverCapacityAsksAndCancelWritesNothing();
    void marksDialogCommitsSetsChangedAndRetargets();
    void deletingASubjectClearsItInTheOpenDialog();
};

void KeUiTest::entersWithTheGridAndFooter()
{
    School school;
    fillSchool(*school.store);
    KeWindow win(*school.store);
    QCOMPARE(win->currentIndex(), 3);
    QVERIFY(!win->dataChanged());
    QVERIFY(win->status().startsWith(QStringLiteral("提示：“课时容量”")));
    auto* m = win.ke->model();
    QCOMPARE(m->rowCount(), 3);
    QCOMPARE(m->columnCount(), 2 + 3 + 3);  // 序号, names, two groups, limit, doubles, marks
    QCOMPARE(m->headerData(3, Qt::Horizontal, Qt::DisplayRole).toString(), QStringLiteral("初一"));
    QCOMPARE(m->headerData(5, Qt::Horizontal, Qt::DisplayRole).toString(), QStringLiteral("同时上课\n班级上限"));
    QCOMPARE(win.cell(0, 3), QStringLiteral("5,5,4"));
    QCOMPARE(win.cell(0, 4), QStringLiteral("6"));
    QCOMPARE(win.cell(2, 3), QString());
    auto* f = win.ke->footer();
    QCOMPARE(f->text(0, 1), QStringLiteral("合　计"));
    QCOMPARE(f->text(0, 3), QStringLiteral("9,9,8"));
    QCOMPARE(f->text(1, 3), QStringLiteral("39,40,40"));
    QCOMPARE(f->text(1, 4), QStringLiteral("40"));
    QCOMPARE(f->totalColor(3), QColor(0x52, 0x52, 0x52));
    QVERIFY(!win.ke->button("btnDelKe")->isEnabled());
    QVERIFY(win.ke->button("btnExceToKe")->isEnabled());
    QVERIFY(win.ke->button("btnKeToExcel")->isEnabled());
}

void KeUiTest::editorStopsAtTheFirstAndLastEditableCells()
{
    School school;
    fillSchool(*school.store);
    KeWindow win(*school.store);
    const int last = win.ke->model()->doublesColumn();
    QCOMPARE(last, 6);
    win.ke->editCell(1, 1);
    QVERIFY(win.editor());
    QTest::keyClick(win.editor(), Qt::Key_Left);
    QCOMPARE(win.editCol(), 1);
    QVERIFY(win.editor());
    for (int n = 0; n < 10; ++n)
        QTest::keyClick(win.editor(), Qt::Key_Right);
    QCOMPARE(win.editCol(), last);
    QCOMPARE(win.ke->lvKe()->currentIndex().row(), 1);
    QTest::keyClick(win.editor(), Qt::Key_Up);
    QCOMPARE(win.ke->lvKe()->currentIndex().row(), 0);
    QTest::keyClick(win.editor(), Qt::Key_Up);
    QCOMPARE(win.ke->lvKe()->currentIndex().row(), 0);
    QTest::keyClick(win.editor(), Qt::Key_Return);
    QTest::keyClick(win.editor(), Qt::Key_Down);
    QCOMPARE(win.ke->lvKe()->currentIndex().row(), 2);
    QTest::keyClick(win.editor(), Qt::Key_Down);
    QCOMPARE(win.ke->lvKe()->currentIndex().row(), 2);
    QCOMPARE(win.editCol(), last);
    QVERIFY(win->dataChanged());
}

void KeUiTest::escapeAndWheelKeepTheText()
{
    School school;
    fillSchool(*school.store);
    KeWindow win(*school.store);
    win.ke->editCell(0, 6);
    typeText(win.editor(), QStringLiteral("2"));
    QTest::keyClick(win.editor(), Qt::Key_Escape);
    QVERIFY(!win.editor());
    QCOMPARE(win.cell(0, 6), QStringLiteral("2"));
    QCOMPARE(win.ke->model()->draft().rows[0].lianpai, 2);

    // A wheel turn anywhere in the window ends the edit with the text kept, wherever the turn
    // lands: on the table, on the footer, or outside the page (the window's top bar, whose
    // scrolling would otherwise leave an unseen editor taking keys). Only the class strip, which
    // belongs to the editor, scrolls without ending it.
    auto turnWheel = [](QWidget* target) {
        QWheelEvent wheel(QPointF(4, 4), target->mapToGlobal(QPointF(4, 4)), {}, {0, -120}, Qt::NoButton,
                          Qt::NoModifier, Qt::NoScrollPhase, false);
        QApplication::sendEvent(target, &wheel);
    };
    QWidget* top = win->findChild<QWidget*>("pnlTop");
    QVERIFY(top && !win.ke->isAncestorOf(top));
    const struct {
        const char* where;
        QWidget* target;
    } cases[] = {{"table", win.ke->lvKe()->viewport()}, {"footer", win.ke->footer()}, {"top bar", top}};
    const QString names[] = {QStringLiteral("代数"), QStringLiteral("几何"), QStringLiteral("算术")};
    for (int k = 0; k < 3; ++k) {
        win.ke->editCell(1, 1);
        win.editor()->selectAll();
        typeText(win.editor(), names[k]);
        turnWheel(cases[k].target);
        QVERIFY2(!win.editor(), cases[k].where);
        QCOMPARE(win.cell(1, 1), names[k]);
    }

    win.ke->editCell(0, 3);  // 5,5,4: the strip opens with the editor
    QVERIFY(win.ke->pnlBanjie()->isVisible());
    turnWheel(win.ke->lvBanJie()->viewport());
    QVERIFY(win.editor());
}

void KeUiTest::typingWritesThroughAndRefreshesTheTotals()
{
    School school;
    fillSchool(*school.store);
    KeWindow win(*school.store);
    QSignalSpy resets(win.ke->model(), &QAbstractItemModel::modelReset);
    win.ke->editCell(2, 4);  // 英语 in 初二
    typeText(win.editor(), QStringLiteral("3"));
    QCOMPARE(win.ke->footer()->text(0, 4), QStringLiteral("13"));  // before the editor closes
    typeText(win.editor(), QStringLiteral("1"));
    QCOMPARE(win.ke->footer()->text(0, 4), QStringLiteral("41"));
    QCOMPARE(win.ke->footer()->totalColor(4), QColor(0xCA, 0x05, 0x00));
    QVERIFY(win.ke->overCapacity());
    QTest::keyClick(win.editor(), Qt::Key_Backspace);
    QCOMPARE(win.ke->footer()->totalColor(4), QColor(0x52, 0x52, 0x52));
    QVERIFY(!win.ke->overCapacity());
    QCOMPARE(resets.count(), 0);
    // Clearing the cell sets 0 for the group.
    QTest::keyClick(win.editor(), Qt::Key_Backspace);
    QCOMPARE(win.ke->footer()->text(0, 4), QStringLiteral("10"));
    QVERIFY(win->dataChanged());
}

void KeUiTest::validatorTable_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("max");
    QTest::addColumn<bool>("list");
    QTest::addColumn<bool>("accepted");
    QTest::newRow("empty") << QString() << 189 << false << true;
    QTest::newRow("0 into an empty cell") << QStringLiteral("0") << 189 << false << true;
    QTest::newRow("leading 0 before text") << QStringLiteral("05") << 189 << false << false;
    QTest::newRow("the weekly bound") << QStringLiteral("189") << 189 << false << true;
    QTest::newRow("past the weekly bound") << QStringLiteral("190") << 189 << false << false;
    QTest::newRow("a byte") << QStringLiteral("255") << 255 << false << true;
    QTest::newRow("past a byte") << QStringLiteral("300") << 255 << false << false;
    QTest::newRow("pasted full-width digit") << QStringLiteral("1２a") << 189 << false << false;
    QTest::newRow("pasted sign") << QStringLiteral("-3") << 189 << false << false;
    QTest::newRow("pasted Arabic-Indic digit") << QStringLiteral("٣") << 189 << false << false;
    QTest::newRow("pasted 20 digits") << QStringLiteral("12345678901234567890") << 189 << false << false;
    QTest::newRow("a comma in a plain cell") << QStringLiteral("5,5") << 189 << false << false;
    QTest::newRow("a list kept") << QStringLiteral("5,5,4") << 189 << true << true;
    QTest::newRow("a list part past the bound") << QStringLiteral("5,500,4") << 189 << true << false;
}

void KeUiTest::validatorTable()
{
    QFETCH(QString, text);
    QFETCH(int, max);
    QFETCH(bool, list);
    QFETCH(bool, accepted);
    CountValidator v(max, list);
    int pos = 0;
    QCOMPARE(v.validate(text, pos) == QValidator::Acceptable, accepted);
}

void KeUiTest::stripOpensForDifferingClasses()
{
    School school;
    fillSchool(*school.store);
    KeWindow win(*school.store);
    win.ke->editCell(0, 3);  // 5,5,4
    QVERIFY(win.ke->pnlBanjie()->isVisible());
    auto* strip = win.ke->lvBanJie();
    QCOMPARE(strip->columnCount(), 3);
    QCOMPARE(strip->item(0, 2)->text(), QStringLiteral("4"));
    QCOMPARE(strip->horizontalHeaderItem(0)->text(), QStringLiteral("初一1班"));
    // The strip editor: typed into class 2, written through; Left steps back to class 1.
    strip->setCurrentCell(0, 2);
    strip->editItem(strip->item(0, 2));
    auto* edtBanjie = strip->findChild<QLineEdit*>("edtBanjie");
    QVERIFY(edtBanjie);
    edtBanjie->selectAll();
    typeText(edtBanjie, QStringLiteral("5"));
    QCOMPARE(win.cell(0, 3), QStringLiteral("5"));
    QCOMPARE(win.editor()->text(), QStringLiteral("5"));
    QCOMPARE(win.ke->footer()->text(0, 3), QStringLiteral("9"));
    QVERIFY(win->dataChanged());
    QTest::keyClick(edtBanjie, Qt::Key_Left);
    QCOMPARE(strip->currentColumn(), 1);
    QCOMPARE(strip->item(0, 2)->text(), QStringLiteral("5"));

    // Equal classes: only the narrow button, which opens the strip.
    win.ke->editCell(1, 3);
    QVERIFY(!win.ke->pnlBanjie()->isVisible());
    QVERIFY(win.ke->btnShowban()->isVisible());
    QTest::mouseClick(win.ke->btnShowban(), Qt::LeftButton);
    QVERIFY(win.ke->pnlBanjie()->isVisible());
    // A name cell has no strip.
    win.ke->editCell(1, 1);
    QVERIFY(!win.ke->pnlBanjie()->isVisible());
    QVERIFY(!win.ke->btnShowban()->isVisible());
}

void KeUiTest::footerStaysAlignedAfterAHorizontalScroll()
{
    School school;
    fillSchool(*school.store);
    KeWindow win(*school.store, {700, 600});
    auto* view = win.ke->lvKe();
    auto* header = view->horizontalHeader();
    header->setStretchLastSection(false);
    header->resizeSection(1, 400);
    header->resizeSection(win.ke->model()->markColumn(), 300);
    QApplication::processEvents();
    auto* bar = view->horizontalScrollBar();
    QVERIFY(bar->maximum() > 0);
    for (int value : {0, bar->maximum() / 2, bar->maximum()}) {
        bar->setValue(value);
        QApplication::processEvents();
        for (int c = 1; c < win.ke->model()->columnCount(); ++c) {
            const QPoint h = header->mapTo(win.w.get(), QPoint(header->sectionViewportPosition(c), 0));
            const QPoint f = win.ke->footer()->mapTo(win.w.get(), win.ke->footer()->columnRect(c).topLeft());
            QCOMPARE(f.x(), h.x());
            QCOMPARE(win.ke->footer()->columnRect(c).width(), header->sectionSize(c) - 1);
        }
    }
}

void KeUiTest::returnAfterAFillAsksTheSaveQuestion()
{
    School school;
    fillSchool(*school.store);
    KeWindow win(*school.store);
    QVERIFY(!win->dataChanged());
    QAction* fill = nullptr;
    for (auto* a : win.ke->pmFillKemuName()->actions())
        if (a->objectName() == "mniFillEnd")
            fill = a;
    QVERIFY(fill);
    fill->trigger();
    QCOMPARE(win.cell(0, 2), QStringLiteral("文"));
    QVERIFY(win->dataChanged());
    win.asker.answerSave(ui::SaveAnswer::NoSave);
    win->goBack();
    QVERIFY(win.asker.done());
    QVERIFY(!win.asker.shown.empty());
    QCOMPARE(win.asker.shown.back().kind, ScriptedAsker::Kind::Save);
    QCOMPARE(school.store->scalar("SELECT count(*) FROM kemubd WHERE kemuname2 = '文'"), 0);
}

void KeUiTest::addDeleteAndTheLimitMessage()
{
    School school;
    fillSchool(*school.store);
    KeWindow win(*school.store);
    win.ke->btnAddKeClick();
    QCOMPARE(win.ke->model()->rowCount(), 4);
    QVERIFY(win.editor());
    QCOMPARE(win.editCol(), 1);
    typeText(win.editor(), QStringLiteral("书法"));
    QCOMPARE(win.cell(3, 0), QStringLiteral("4"));
    QCOMPARE(win.cell(3, 1), QStringLiteral("书法"));
    QVERIFY(win->dataChanged());
    win.ke->selectRow(1);
    QVERIFY(win.ke->button("btnDelKe")->isEnabled());
    win.ke->btnDelKeClick();
    QCOMPARE(win.ke->model()->rowCount(), 3);
    QCOMPARE(win.cell(1, 1), QStringLiteral("英语"));
    QCOMPARE(win.cell(1, 0), QStringLiteral("2"));
    QCOMPARE(win.ke->selectedRow(), 1);
    while (win.ke->model()->rowCount() < entry::kMaxKemuRows)
        QVERIFY(win.ke->model()->addRow(nullptr).ok);
    win.asker.clear();
    win.ke->btnAddKeClick();
    QCOMPARE(win.ke->model()->rowCount(), entry::kMaxKemuRows);
    QCOMPARE(win.asker.texts(), QStringList{QStringLiteral("科目数量已达上限（500个）。")});
}

void KeUiTest::saveOverCapacityAsksAndCancelWritesNothing()
{
    School school;
    fillSchool(*school.store);
    KeWindow win(*school.store);
    const TableDump before = rawDump(*school.store);
    win.ke->editCell(2, 3);
    typeText(win.editor(), QStringLiteral("40"));
    win.asker.answer(ui::Answer::Cancel);
    QVERIFY(!win.ke->save());
    QCOMPARE(win.asker.shown.back().title, QString::fromUtf8(entry::kOverCapacityTitle));
    QVERIFY(rawDump(*school.store) == before);
    QCOMPARE(win.ke->model()->draft().rows[2].jieshu[0], 40);  // the edits stay
    win.asker.answer(ui::Answer::Ok);
    QVERIFY(win.ke->save());
    QCOMPARE(school.store->scalar("SELECT jieshu FROM kemujieshu WHERE kemuid = 3 AND banid = 2"), 40);
    QCOMPARE(win.asker.shown.back().text, QString::fromUtf8(entry::kSaved));
}

void KeUiTest::marksDialogCommitsSetsChangedAndRetargets()
{
    School school;
    fillSchool(*school.store);
    KeWindow win(*school.store);
    win.ke->openMarks(0);
    auto* dlg = win.ke->marksDialog();
    QVERIFY(dlg->isVisible());
    QCOMPARE(dlg->windowTitle(), QStringLiteral("语文 课节预设"));
    QCOMPARE(dlg->tv1()->topLevelItemCount(), 1);
    QCOMPARE(dlg->grid()->days(), 5);
    QCOMPARE(dlg->grid()->periods(), 8);
    // 5-pixel gap before the afternoon.
    const auto& g = dlg->grid()->geometry();
    QCOMPARE(g.cell(1, 5).top() - g.cell(1, 4).bottom() - 1, g.cell(1, 2).top() - g.cell(1, 1).bottom() - 1 + 5);
    dlg->clickCell(1, 1);
    dlg->clickCell(1, 1);  // 一定排 for the school
    dlg->selectScope(Scope::cls(4));
    dlg->setCell(1, 1, 3);
    dlg->selectScope(Scope::school());
    QCOMPARE(dlg->shown(1, 1), entry::kMarkVaries);
    QCOMPARE(dlg->grid()->cell(1).text, QStringLiteral("各班不同"));
    QCOMPARE(dlg->grid()->cellFill(1), entry::ui::markColor(4, dlg->grid()->hoveredSlot() == 1));
    QCOMPARE(entry::ui::markColor(1, false), QColor(0xCF, 0xFF, 0x6A));
    QCOMPARE(entry::ui::markColor(1, true), QColor(0xDD, 0xFF, 0x78));  // +14 a channel, at most 255
    // The arrow steps to 数学 in the same copy; the grid selection follows.
    QTest::mouseClick(dlg->btnV2(), Qt::LeftButton);
    QCOMPARE(dlg->subject(), 2);
    QCOMPARE(win.ke->selectedRow(), 1);
    dlg->setCell(2, 3, 1);  // still at the whole school
    win->setDataChanged(false);
    QTest::mouseClick(dlg->btnOk(), Qt::LeftButton);
    QVERIFY(!dlg->isVisible());
    QVERIFY(win->dataChanged());
    const auto& d = win.ke->model()->draft();
    QCOMPARE(int(d.rows[0].marks[entry::KemuDraft::markAt(0, 1, 1)]), 2);
    QCOMPARE(int(d.rows[0].marks[entry::KemuDraft::markAt(4, 1, 1)]), 3);
    QCOMPARE(int(d.rows[1].marks[entry::KemuDraft::markAt(2, 2, 3)]), 1);
    // The save writes them; the dialog is hidden by it.
    win.ke->openMarks(2);
    QVERIFY(win.ke->save());
    QVERIFY(!dlg->isVisible());
    QCOMPARE(school.store->scalar("SELECT count(*) FROM teshuke"), 5 + 5);
    QCOMPARE(school.store->scalar("SELECT teshu FROM teshuke WHERE kemuid = 1 AND banid = 5 AND theday = 1"), 3);
}

void KeUiTest::deletingASubjectClearsItInTheOpenDialog()
{
    School school;
    fillSchool(*school.store);
    KeWindow win(*school.store);
    win.ke->btnAddKeClick();
    typeText(win.editor(), QStringLiteral("书法"));
    win.ke->openMarks(3);
    auto* dlg = win.ke->marksDialog();
    const auto id = dlg->subject();
    dlg->setCell(1, 1, 2);
    win.ke->selectRow(3);
    win.ke->btnDelKeClick();
    win.ke->btnAddKeClick();
    QCOMPARE(win.ke->model()->draft().rows[3].id, id);
    win.ke->selectRow(3);
    QCOMPARE(dlg->subject(), id);
    QCOMPARE(dlg->shown(1, 1), 0);
    QTest::mouseClick(dlg->btnOk(), Qt::LeftButton);
    const auto& marks = win.ke->model()->draft().rows[3].marks;
    QVERIFY(std::all_of(marks.begin(), marks.end(), [](auto m) { return m == 0; }));
}

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    ui::useChineseFont(app);
    ui::useKitStyle(app);
    KeUiTest t;
    return QTest::qExec(&t, argc, argv);
}

#include "ke_ui_test.moc"
