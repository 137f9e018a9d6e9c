// The data-entry exports: the ".xlsx" rule, the re-import cells and their read-back by the
// import's reader, the names the import cannot give back, the statistics rows (periods with a
// combined lesson once, the page's teachers in its order), the subject grid and the widths
// the layer computes.
#include <gtest/gtest.h>

#include "entry/subject_fixture.h"
#include "entry/teacher_fixture.h"
#include "spreadsheet/entryexport.h"
#include "spreadsheet/reader.h"
#include "support/testutil.h"

using namespace tavrin;
using namespace tavrin::spreadsheet;
using tavrin::testing::SchoolBuilder;

namespace {

// Every cell of a sheet as rows of texts (numbers in their shortest form), up to its last
// row and column.
std::vector<std::vector<std::string>> texts(const Sheet& sh)
{
    std::vector<std::vector<std::string>> out(static_cast<std::size_t>(sh.lastRow()),
                                              std::vector<std::string>(static_cast<std::size_t>(sh.lastCol())));
    for (const auto& [rc, x] : sh.cells())
        out[static_cast<std::size_t>(rc.first - 1)][static_cast<std::size_t>(rc.second - 1)] =
            x.kind == Cell::Kind::Number ? numberText(x.number) : x.text;
    return out;
}

// Two classes and two subjects, nothing assigned: 1班 and 2班 need 语文 6 and 数学 5.
entry::TeaDraft twoClasses()
{
    entry::TeaDraft d;
    d.classes = {{1, "1班"}, {2, "2班"}};
    d.subjects = {{1, "语文"}, {2, "数学"}};
    d.need = {6, 5, 6, 5};
    d.maxStoredId = 0;
    d.nextId = 1;
    return d;
}

std::int64_t teacher(entry::TeaDraft& d, const std::string& name)
{
    for (const auto& t : d.rows)
        if (t.name == name)
            return t.id;
    int row = -1;
    EXPECT_TRUE(entry::addTeacher(d, name, &row).ok);
    return d.rows[static_cast<std::size_t>(row)].id;
}

struct Given {
    std::string name;
    std::int64_t ban, ke, periods, heban;
};

}  // namespace

TEST(EntryExport, XlsxSuffixOnlyWhenTheNameDoesNotEndExactlyInIt)
{
    const std::pair<const char*, const char*> cases[] = {
        {"plan", "plan.xlsx"},
        {"plan.xlsx", "plan.xlsx"},
        {"plan.XLSX", "plan.XLSX.xlsx"},
        {"plan.Xlsx", "plan.Xlsx.xlsx"},
        {"plan.xls", "plan.xls.xlsx"},
        {"plan.xlsx.bak", "plan.xlsx.bak.xlsx"},
        {"/tmp/任课 表/初一", "/tmp/任课 表/初一.xlsx"},
        {"/tmp/a.xlsx/b", "/tmp/a.xlsx/b.xlsx"},
    };
    for (const auto& [chosen, saved] : cases)
        EXPECT_EQ(withXlsxSuffix(chosen), saved) << chosen;
}

TEST(EntryExport, ReimportCellTexts)
{
    struct Case {
        const char* what;
        std::vector<Given> given;
        std::string cell;  // 1班 语文
    };
    const Case cases[] = {
        {"nobody", {}, ""},
        {"one teacher, all periods", {{"王芳", 1, 1, 6, 0}}, "王芳"},
        {"one teacher, part of them", {{"王芳", 1, 1, 4, 0}}, "王芳,4"},
        {"one teacher, more than needed", {{"王芳", 1, 1, 7, 0}}, "王芳,7"},
        {"shared, in entry order", {{"王芳", 1, 1, 2, 0}, {"李明", 1, 1, 4, 0}}, "王芳,2,李明,4"},
        {"shared, the first with all periods", {{"王芳", 1, 1, 6, 0}, {"李明", 1, 1, 1, 0}}, "王芳,6,李明,1"},
        {"one teacher in two entries", {{"王芳", 1, 1, 4, 0}, {"王芳", 1, 1, 2, 0}}, "王芳,4,王芳,2"},
        {"other cells leave it alone", {{"王芳", 2, 1, 6, 0}, {"李明", 1, 2, 5, 0}}, ""},
        {"a combined lesson's member", {{"王芳", 1, 1, 6, 1}, {"王芳", 2, 1, 6, 1}}, "王芳"},
    };
    for (const auto& c : cases) {
        entry::TeaDraft d = twoClasses();
        for (const auto& g : c.given)
            entry::addRenke(d, teacher(d, g.name), g.ban, g.heban, g.periods, g.ke);
        Workbook book;
        Sheet& sh = book.add("x");
        fillReimportSheet(d, sh);
        const Cell* x = sh.cell(2, 2);
        EXPECT_EQ(x ? x->text : std::string(), c.cell) << c.what;
        EXPECT_EQ(reimportCell(d, 1, 1), c.cell) << c.what;
    }
}

TEST(EntryExport, DeletedEntriesAndTeachersLeaveTheReimportSheet)
{
    entry::TeaDraft d = twoClasses();
    const auto wang = teacher(d, "王芳"), li = teacher(d, "李明");
    const int first = entry::addRenke(d, wang, 1, 0, 2, 1);
    entry::addRenke(d, li, 1, 0, 4, 1);
    entry::addRenke(d, li, 2, 0, 5, 2);
    entry::deleteChip(d, first);
    EXPECT_EQ(reimportCell(d, 1, 1), "李明,4");
    entry::deleteTeacher(d, d.rowOf(li));
    Workbook book;
    Sheet& sh = book.add("x");
    fillReimportSheet(d, sh);
    EXPECT_EQ(texts(sh), (std::vector<std::vector<std::string>>{{"科目", "1班", "2班"}, {"语文", "", ""}, {"数学", "", ""}}));
}

// The stored school written and read back by the import's own reader: the matrix it expects.
TEST(EntryExport, ReimportSheetReadsBackAsTheImportExpects)
{
    tavrin::testing::TeacherSchool school;
    const EntryBook b = reimportBook(entry::loadTeachers(school.store()));
    EXPECT_EQ(b.warning, "");
    tavrin::testing::TempDir dir;
    const auto path = (dir.path() / "任课.xlsx").string();
    ASSERT_TRUE(b.book.save(path).ok);
    const ReadResult r = readFirstSheet(path);
    ASSERT_TRUE(r.ok()) << r.message;
    const std::vector<std::vector<std::string>> want = {
        {"科目", "1班", "2班", "3班", "4班"},
        {"语文", "张老师", "", "李老师,2,张老师,4", "王老师"},
        {"体育", "张老师", "张老师", "", ""},
        {"音乐", "赵老师", "钱老师", "李老师", "李老师"},
    };
    ASSERT_EQ(r.sheet.lastRow(), 4);
    ASSERT_EQ(r.sheet.lastCol(), 5);
    for (int row = 1; row <= 4; ++row)
        for (int col = 1; col <= 5; ++col)
            EXPECT_EQ(r.sheet.text(row, col), want[static_cast<std::size_t>(row - 1)][static_cast<std::size_t>(col - 1)])
                << row << "," << col;
}

TEST(EntryExport, NamesTheImportCannotGiveBackAreNamed)
{
    struct Case {
        const char* what;
        std::vector<std::string> names;  // each teaches 语文 in 1班, 1 period, except "-": none
        NameTrouble want;
    };
    const Case cases[] = {
        {"plain names", {"王芳", "李明"}, {}},
        {"a comma of either width", {"王,芳", "李，明", "赵六"}, {{"王,芳", "李，明"}, {}, {}, 0}},
        {"one name, two teachers", {"王芳", "王芳", "李明"}, {{}, {"王芳"}, {}, 0}},
        {"spaces around a name", {" 王芳", "李明　"}, {{}, {}, {" 王芳", "李明　"}, 0}},
        {"the same name once spaced", {"王芳", "王芳 "}, {{}, {"王芳"}, {"王芳 "}, 0}},
        {"no name", {"", "李明"}, {{}, {}, {}, 1}},
    };
    for (const auto& c : cases) {
        entry::TeaDraft d = twoClasses();
        for (const auto& n : c.names) {
            int row = -1;
            ASSERT_TRUE(entry::addTeacher(d, n, &row).ok);
            entry::addRenke(d, d.rows[static_cast<std::size_t>(row)].id, 1, 0, 1, 1);
        }
        const NameTrouble t = reimportNameTrouble(d);
        EXPECT_EQ(t.comma, c.want.comma) << c.what;
        EXPECT_EQ(t.shared, c.want.shared) << c.what;
        EXPECT_EQ(t.spaced, c.want.spaced) << c.what;
        EXPECT_EQ(t.nameless, c.want.nameless) << c.what;
        EXPECT_EQ(reimportBook(d).warning.empty(), c.want.empty()) << c.what;
    }
}

TEST(EntryExport, TeachersOutOfTheSheetRaiseNoWarning)
{
    entry::TeaDraft d = twoClasses();
    // Nothing of theirs is written, so nothing can be misread.
    entry::addRenke(d, teacher(d, "王,芳"), 1, 0, 0, 2);  // no periods: not in the sheet
    teacher(d, "");
    entry::addRenke(d, teacher(d, "李明"), 1, 0, 6, 1);
    EXPECT_TRUE(reimportNameTrouble(d).empty());
    // One who is in it shares his name with one who is not: the import would take the first.
    teacher(d, "赵六");
    entry::addRenke(d, teacher(d, "赵六 "), 2, 0, 6, 1);
    const std::string w = reimportBook(d).warning;
    EXPECT_NE(w.find("多名教师同名：“赵六”"), std::string::npos) << w;
    EXPECT_NE(w.find("姓名前后有空格：“赵六 ”"), std::string::npos) << w;
    EXPECT_EQ(w.find("王,芳"), std::string::npos) << w;
    EXPECT_EQ(w.find("李明"), std::string::npos) << w;
}

TEST(EntryExport, StatisticsRows)
{
    using Rows = std::vector<std::vector<std::string>>;
    struct Case {
        const char* what;
        std::function<void(entry::TeaDraft&)> edit;
        Rows want;
    };
    const std::vector<std::string> head = {"姓名", "节数", "任课", ""};
    const Rows stored = {
        head,
        {"李老师", "3", "3班【语文】2节", "3班+4班【音乐】1节"},
        {"张老师", "10", "1班【语文】4节", "3班【语文】4节", "1班+2班【体育】2节"},
        {"王老师", "5", "4班【语文】5节"},
        {"赵老师", "1", "1班【音乐】1节"},
        {"钱老师", "2", "2班【音乐】2节"},
    };
    auto widen = [](Rows rows) {
        std::size_t w = 0;
        for (const auto& r : rows)
            w = std::max(w, r.size());
        for (auto& r : rows)
            r.resize(w);
        return rows;
    };
    const Case cases[] = {
        {"as stored: a combined lesson counts once", [](entry::TeaDraft&) {}, widen(stored)},
        {"periods, not assignments: 6 and 5 give 11",
         [](entry::TeaDraft& d) {
             int row = -1;
             entry::addTeacher(d, "孙老师", &row);
             const auto id = d.rows[static_cast<std::size_t>(row)].id;
             entry::addRenke(d, id, 1, 0, 6, 3);
             entry::addRenke(d, id, 2, 0, 5, 3);
         },
         widen([&] {
             Rows r = stored;
             r.push_back({"孙老师", "11", "1班【音乐】6节", "2班【音乐】5节"});
             return r;
         }())},
        {"a deleted teacher is gone before the save, the order kept",
         [](entry::TeaDraft& d) { entry::deleteTeacher(d, d.rowOf(3)); },
         widen([&] {
             Rows r = stored;
             r.erase(r.begin() + 3);
             return r;
         }())},
        {"a teacher without assignments: his name only",
         [](entry::TeaDraft& d) {
             entry::addTeacher(d, "新老师");
             entry::deleteChip(d, entry::chips(d, 5).front().entry);
         },
         widen([&] {
             Rows r = stored;
             r[5] = {"钱老师"};
             r.push_back({"新老师"});
             return r;
         }())},
        {"a combined lesson of two subjects names each",
         [](entry::TeaDraft& d) {
             entry::addTeacher(d, "周老师");
             const auto id = d.rows.back().id;
             entry::addRenke(d, id, 3, 2, 1, 2);
             entry::addRenke(d, id, 4, 2, 1, 3);
         },
         widen([&] {
             Rows r = stored;
             r.push_back({"周老师", "1", "3班【体育】+4班【音乐】1节"});
             return r;
         }())},
    };
    for (const auto& c : cases) {
        tavrin::testing::TeacherSchool school;
        entry::TeaDraft d = entry::loadTeachers(school.store());
        c.edit(d);
        const EntryBook b = statsBook(d);
        EXPECT_EQ(texts(b.book.sheet(0)), c.want) << c.what;
    }
}

TEST(EntryExport, StatisticsColumnsAsWideAsTheirTexts)
{
    tavrin::testing::TeacherSchool school;
    entry::TeaDraft d = entry::loadTeachers(school.store());
    entry::addTeacher(d, "欧阳老师");
    const EntryBook b = statsBook(d);
    const Sheet& sh = b.book.sheet(0);
    // A CJK character is two units: 欧阳老师 is 8, 3班+4班【音乐】1节 is 20, 1班【语文】4节 14.
    EXPECT_DOUBLE_EQ(sh.widths().at(1), textWidthUnits("欧阳老师", 0));
    EXPECT_DOUBLE_EQ(sh.widths().at(2), textWidthUnits("节数", 0));
    EXPECT_DOUBLE_EQ(sh.widths().at(4), textWidthUnits("3班+4班【音乐】1节", 0));
    EXPECT_DOUBLE_EQ(sh.widths().at(3), textWidthUnits("1班【语文】4节", 0));
    EXPECT_GT(sh.widths().at(4), sh.widths().at(3));
}

TEST(WorkbookWidths, TextUnitsCountWideCharactersTwice)
{
    struct Case {
        std::string text;
        double size;
        double units;
    };
    const Case cases[] = {
        {"abc", 0, 3 + 1.5},        {"语文", 0, 4 + 1.5},           {"1班【语文】4节", 0, 14 + 1.5},
        {"ｱ", 0, 1 + 1.5},          {"a\n语文语文\nb", 0, 8 + 1.5}, {"语文", 22, 8 + 1.5},
        {"", 0, 1.5},
    };
    for (const auto& c : cases)
        EXPECT_DOUBLE_EQ(textWidthUnits(c.text, c.size), c.units) << c.text;
}

TEST(WorkbookWidths, FitTakesTheWidestValueAndLeavesOtherColumns)
{
    Workbook book;
    Sheet& sh = book.add("x");
    sh.setText(1, 1, "姓名");
    sh.setText(2, 1, "司马相如");
    sh.setNumber(2, 2, 123456);
    sh.setText(3, 3, "一个很长的合并标题不算在列宽里");
    sh.merge({3, 3, 3, 5});
    sh.setText(4, 3, "ab");
    sh.columnWidth(6, 30);
    fitColumnWidths(sh);
    EXPECT_DOUBLE_EQ(sh.widths().at(1), 8 + 1.5);
    EXPECT_DOUBLE_EQ(sh.widths().at(2), 6 + 1.5);
    EXPECT_DOUBLE_EQ(sh.widths().at(3), 2 + 1.5);
    EXPECT_EQ(sh.widths().count(4), 0u);
    EXPECT_DOUBLE_EQ(sh.widths().at(6), 30);
}

TEST(EntryExport, SubjectSheetIsTheGridAsShown)
{
    SchoolBuilder b(tavrin::testing::tuesdayToSaturday());
    tavrin::testing::fillSubjectSchool(b);
    entry::KemuDraft d = entry::loadSubjects(b.store());
    // Unsaved edits are exported: a list for 初一, a new subject with a number for 初二.
    entry::setGroupText(d, 0, 0, "5,4,3");
    int added = -1;
    ASSERT_TRUE(entry::addSubject(d, &added).ok);
    d.rows[static_cast<std::size_t>(added)].name = "美术";
    entry::setGroupText(d, added, 1, "2");
    const EntryBook book = subjectBook(d);
    const Sheet& sh = book.book.sheet(0);
    EXPECT_EQ(texts(sh), (std::vector<std::vector<std::string>>{
                             {"科目", "初一", "初二"},
                             {"语文", "5,4,3", "5"},
                             {"数学", "4", "4"},
                             {"英语", "3", "3"},
                             {"美术", "", "2"},
                         }));
    // A single count is a number the spreadsheet can add up; a list stays text.
    EXPECT_EQ(sh.cell(3, 2)->kind, Cell::Kind::Number);
    EXPECT_EQ(sh.cell(2, 2)->kind, Cell::Kind::Text);
}

TEST(EntryExport, SubjectSheetWithoutGradeGroupsIsEmptyAndNamelessGroupsKeepTheirCaption)
{
    entry::KemuDraft none;
    none.rows.push_back({});
    none.rows.back().name = "语文";
    EXPECT_TRUE(subjectBook(none).book.sheet(0).cells().empty());

    SchoolBuilder b;
    b.store().transaction([&] {
        const int g = b.ji("");
        b.ban("1班", g);
        b.ke("语文");
    });
    const entry::KemuDraft d = entry::loadSubjects(b.store());
    const EntryBook book = subjectBook(d);
    const Sheet& sh = book.book.sheet(0);
    EXPECT_EQ(sh.cell(1, 2)->text, entry::kNamelessGroup);
    EXPECT_EQ(sh.cell(2, 1)->text, "语文");
}
