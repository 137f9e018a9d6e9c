// The data-entry exports' file flow with scripted answers: the dialog's filter, the ".xlsx"
// rule, a file replaced without a further question, the open question (No: only the file;
// Yes: the opener), a failed save keeping what was there, the re-import warning; and step 3's
// button and both menu items exporting the grid with its unsaved edits.
#include <QAction>
#include <QApplication>
#include <QMenu>
#include <QPushButton>
#include <QtTest>

#include <filesystem>

#include "entry/subject_fixture.h"
#include "entry/ui/kepage.h"
#include "spreadsheet/reader.h"
#include "spreadsheet/ui/entryexportui.h"
#include "support/uitest.h"

using namespace tavrin;
using namespace tavrin::testing;
using spreadsheet::EntryBook;

namespace fs = std::filesystem;

namespace {

const QString kQuestion = QString::fromUtf8(spreadsheet::kOpenQuestion);

EntryBook smallBook(const std::string& text = "新")
{
    EntryBook b;
    b.book.add("表").setText(1, 1, text);
    return b;
}

std::string firstCell(const fs::path& p)
{
    const auto r = spreadsheet::readFirstSheet(p.string());
    return r.ok() ? r.sheet.text(1, 1) : "(" + r.message + ")";
}

// The names in a folder: a failed or finished save leaves no temporary file behind.
QStringList names(const fs::path& dir)
{
    QStringList out;
    for (const auto& e : fs::directory_iterator(dir))
        out << QString::fromStdString(e.path().filename().string());
    out.sort();
    return out;
}

struct Opened {
    QStringList paths;
    spreadsheet::WorkbookOpener opener()
    {
        return [this](const QString& p) {
            paths << p;
            return true;
        };
    }
};

}  // namespace

class EntryExportUiTest : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void suffixAndReplace_data();
    void suffixAndReplace();
    void yesOpensTheSavedFile();
    void noNameDoesNothing();
    void failedSaveKeepsWhatWasThere_data();
    void failedSaveKeepsWhatWasThere();
    void reimportWarningBeforeTheQuestion();
    void stepThreeExportsTheGridWithUnsavedEdits_data();
    void stepThreeExportsTheGridWithUnsavedEdits();
};

void EntryExportUiTest::suffixAndReplace_data()
{
    QTest::addColumn<QString>("chosen");
    QTest::addColumn<QString>("saved");
    QTest::addColumn<bool>("existing");
    QTest::newRow("plain name") << "plan" << "plan.xlsx" << false;
    QTest::newRow("already .xlsx, replaced") << "plan.xlsx" << "plan.xlsx" << true;
    QTest::newRow("upper case is not the suffix") << "plan.XLSX" << "plan.XLSX.xlsx" << false;
    QTest::newRow("suffix added, that file replaced") << "计划" << "计划.xlsx" << true;
}

void EntryExportUiTest::suffixAndReplace()
{
    QFETCH(QString, chosen);
    QFETCH(QString, saved);
    QFETCH(bool, existing);
    TempDir dir;
    const fs::path target = dir.path() / saved.toStdString();
    if (existing)
        writeFile(target, "old");
    ScriptedAsker asker;
    asker.answerFile(QString::fromStdString((dir.path() / chosen.toStdString()).string())).answer(ui::Answer::No);
    Opened opened;
    QVERIFY(spreadsheet::saveEntryBook(nullptr, asker, smallBook(), opened.opener()));
    QVERIFY(asker.done());
    // The save dialog with its filter, then only the open question: no question about replacing.
    QCOMPARE(asker.shown.size(), std::size_t{2});
    QCOMPARE(asker.shown[0].kind, ScriptedAsker::Kind::SaveFile);
    QCOMPARE(asker.shown[0].text, QStringLiteral("excel (*.xlsx)"));
    QCOMPARE(asker.shown[1].text, kQuestion);
    QCOMPARE(asker.shown[1].buttons, ui::Buttons::YesNo);
    QCOMPARE(asker.shown[1].title, QString());
    QVERIFY(opened.paths.isEmpty());
    QCOMPARE(firstCell(target), std::string("新"));
    QCOMPARE(names(dir.path()), QStringList{saved});
}

void EntryExportUiTest::yesOpensTheSavedFile()
{
    TempDir dir;
    ScriptedAsker asker;
    asker.answerFile(QString::fromStdString((dir.path() / "a").string())).answer(ui::Answer::Yes);
    Opened opened;
    QVERIFY(spreadsheet::saveEntryBook(nullptr, asker, smallBook(), opened.opener()));
    QCOMPARE(opened.paths, QStringList{QString::fromStdString((dir.path() / "a.xlsx").string())});
    QVERIFY(asker.done());

    // An opener that fails says so, naming the file.
    ScriptedAsker again;
    again.answerFile(QString::fromStdString((dir.path() / "b").string())).answer(ui::Answer::Yes);
    QVERIFY(spreadsheet::saveEntryBook(nullptr, again, smallBook(), [](const QString&) { return false; }));
    QCOMPARE(again.shown.size(), std::size_t{3});
    QVERIFY(again.shown[2].text.contains(QStringLiteral("b.xlsx")));
}

void EntryExportUiTest::noNameDoesNothing()
{
    TempDir dir;
    ScriptedAsker asker;
    asker.answerFile(QString());
    Opened opened;
    QVERIFY(!spreadsheet::saveEntryBook(nullptr, asker, smallBook(), opened.opener()));
    QCOMPARE(asker.shown.size(), std::size_t{1});
    QVERIFY(names(dir.path()).isEmpty());
}

void EntryExportUiTest::failedSaveKeepsWhatWasThere_data()
{
    QTest::addColumn<QString>("kind");
    QTest::newRow("the target is a folder") << "folder";
    QTest::newRow("the folder is gone") << "missing";
    QTest::newRow("a read-only folder with the old file") << "readonly";
}

void EntryExportUiTest::failedSaveKeepsWhatWasThere()
{
    QFETCH(QString, kind);
    TempDir dir;
    fs::path target;
    fs::path watched = dir.path();
    if (kind == "folder") {
        target = dir.path() / "plan.xlsx";
        fs::create_directory(target);
        writeFile(target / "inside.txt", "kept");
    } else if (kind == "missing") {
        target = dir.path() / "gone" / "plan.xlsx";
    } else {
        if (::geteuid() == 0)
            QSKIP("root writes into a read-only folder");
        watched = dir.path() / "ro";
        fs::create_directory(watched);
        target = watched / "plan.xlsx";
        writeFile(target, "old");
        fs::permissions(watched, fs::perms::owner_read | fs::perms::owner_exec);
    }
    const QStringList before = names(watched);
    ScriptedAsker asker;
    asker.answerFile(QString::fromStdString(target.string()));
    Opened opened;
    const bool ok = spreadsheet::saveEntryBook(nullptr, asker, smallBook(), opened.opener());
    if (kind == "readonly")
        fs::permissions(watched, fs::perms::owner_all);
    QVERIFY(!ok);
    QCOMPARE(asker.shown.size(), std::size_t{2});
    QVERIFY(asker.shown[1].text.startsWith(QStringLiteral("无法保存EXCEL文件。\n")));
    QVERIFY(asker.shown[1].text.size() > QStringLiteral("无法保存EXCEL文件。\n").size());  // with the reason
    QVERIFY(opened.paths.isEmpty());
    QCOMPARE(names(watched), before);
    if (kind == "folder")
        QCOMPARE(readFile(target / "inside.txt"), std::string("kept"));
    if (kind == "readonly")
        QCOMPARE(readFile(target), std::string("old"));
}

void EntryExportUiTest::reimportWarningBeforeTheQuestion()
{
    entry::TeaDraft d;
    d.classes = {{1, "1班"}};
    d.subjects = {{1, "语文"}};
    d.need = {5};
    d.nextId = 1;
    int row = -1;
    QVERIFY(entry::addTeacher(d, "王,芳", &row).ok);
    entry::addRenke(d, d.rows[0].id, 1, 0, 5, 1);
    TempDir dir;
    ScriptedAsker asker;
    asker.answerFile(QString::fromStdString((dir.path() / "任课").string())).answer(ui::Answer::No);
    Opened opened;
    QVERIFY(spreadsheet::exportAssignmentsForImport(nullptr, asker, d, opened.opener()));
    QCOMPARE(asker.shown.size(), std::size_t{3});
    QVERIFY(asker.shown[1].text.contains(QStringLiteral("“王,芳”")));
    QCOMPARE(asker.shown[2].text, kQuestion);
    const auto r = spreadsheet::readFirstSheet((dir.path() / "任课.xlsx").string());
    QVERIFY(r.ok());
    QCOMPARE(r.sheet.text(2, 2), std::string("王,芳"));
}

void EntryExportUiTest::stepThreeExportsTheGridWithUnsavedEdits_data()
{
    QTest::addColumn<QString>("how");
    QTest::newRow("btnKeToExcel") << "btnKeToExcel";
    QTest::newRow("mniKeToExcel") << "mniKeToExcel";
    QTest::newRow("mniKeToExcel2") << "mniKeToExcel2";
}

void EntryExportUiTest::stepThreeExportsTheGridWithUnsavedEdits()
{
    QFETCH(QString, how);
    SchoolBuilder b(tuesdayToSaturday());
    fillSubjectSchool(b);
    ScriptedAsker asker;
    entry::ui::KePage* ke = nullptr;
    auto w = pageWindow(b.store(), asker, [&](mainwin::TForm1::Options& o) {
        o.pages[3] = [&](ui::Shell& sh) { return ke = new entry::ui::KePage(sh); };
    });
    w->resize(1100, 760);
    w->show();
    QVERIFY(QTest::qWaitForWindowExposed(w.get()));
    w->openStep(3);
    QVERIFY(ke);
    // An edit not saved yet: 数学 for 初一 becomes 5 in every class.
    QVERIFY(ke->model()->setData(ke->model()->index(1, 3), QStringLiteral("5"), Qt::EditRole));
    QVERIFY(w->dataChanged());

    TempDir dir;
    const fs::path target = dir.path() / "科目.xlsx";
    asker.answerFile(QString::fromStdString((dir.path() / "科目").string())).answer(ui::Answer::No);
    if (how == "btnKeToExcel") {
        auto* btn = ke->findChild<QPushButton*>(how);
        QVERIFY(btn && btn->isEnabled());
        btn->click();
    } else {
        QAction* act = nullptr;
        for (auto* a : ke->findChildren<QAction*>())
            if (a->objectName() == how)
                act = a;
        QVERIFY(act && act->isEnabled());
        act->trigger();
    }
    QVERIFY(asker.done());
    const auto r = spreadsheet::readFirstSheet(target.string());
    QVERIFY2(r.ok(), r.message.c_str());
    QCOMPARE(r.sheet.text(1, 1), std::string("科目"));
    QCOMPARE(r.sheet.text(1, 2), std::string("初一"));
    QCOMPARE(r.sheet.text(2, 1), std::string("语文"));
    QCOMPARE(r.sheet.text(3, 1), std::string("数学"));
    QCOMPARE(r.sheet.text(3, 2), std::string("5"));
    QCOMPARE(r.sheet.text(3, 3), std::string("4"));
    // Exporting is no edit: the page is as changed as before, nothing saved.
    QVERIFY(w->dataChanged());
}

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    EntryExportUiTest t;
    return QTest::qExec(&t, argc, argv);
}

#include "entryexport_ui_test.moc"
