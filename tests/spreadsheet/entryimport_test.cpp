// The subject and assignment imports: the plan of a sheet against the working copy, checked
// whole, and its apply through the steps' own commands. Sheets are built in code; one case
// goes through a written workbook so that a number cell arrives as the reader gives it.
#include <gtest/gtest.h>

#include <map>

#include "entry/subject_fixture.h"
#include "entry/teacher_fixture.h"
#include "spreadsheet/entryimport.h"
#include "support/testutil.h"

namespace tavrin::spreadsheet {
namespace {

using Rows = std::vector<std::vector<std::string>>;

// A sheet from its rows, row 1 first; "" leaves a cell out, as the reader does.
SheetGrid grid(const Rows& rows)
{
    SheetGrid g;
    for (std::size_t r = 0; r < rows.size(); ++r) {
        GridRow row{static_cast<int>(r) + 1, {}};
        for (std::size_t c = 0; c < rows[r].size(); ++c)
            if (!rows[r][c].empty())
                row.cells.emplace_back(static_cast<int>(c) + 1, rows[r][c]);
        if (!row.cells.empty())
            g.rows.push_back(std::move(row));
    }
    return g;
}

std::vector<std::string> lines(const std::vector<ImportSkip>& skipped)
{
    std::vector<std::string> out;
    for (const auto& s : skipped)
        out.push_back(skipLine(s));
    return out;
}

// ---------------------------------------------------------------- subject periods

// 初一 has three classes (positions 0..2), 初二 one (position 3).
struct SubjectImport : ::testing::Test {
    testing::SubjectSchool school;
    entry::KemuDraft d = entry::loadSubjects(school.store());
    std::vector<std::int64_t> periods(const std::string& name) const
    {
        for (const auto& r : d.rows)
            if (r.name == name)
                return r.jieshu;
        return {};
    }
};

TEST_F(SubjectImport, GroupCellsReadAsTheOperatorMeantThem)
{
    struct Case {
        std::string cell;
        std::vector<std::int64_t> chu1;  // 初一's three classes
        bool reported;
    };
    const std::vector<Case> cases = {
        {"5", {5, 5, 5}, false},
        {"", {0, 0, 0}, false},             // an empty cell clears the group
        {"5,4", {5, 4, 0}, false},          // a missing piece counts 0
        {"5,5,4,3", {5, 5, 4}, true},       // a fourth class does not exist
        {"5，5，4", {5, 5, 4}, false},      // the full-width comma
        {"５", {5, 5, 5}, false},           // full-width digit
        {"\xE3\x80\x80" "6 ", {6, 6, 6}, false},  // ideographic space
        {"-3", {0, 0, 0}, true},            // never a negative count
        {"三", {0, 0, 0}, true},
        {"6.5", {0, 0, 0}, true},
        {"4,-1,2", {4, 0, 2}, true},
        {"99999999999999999999", {0, 0, 0}, true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.cell);
        entry::KemuDraft work = d;
        const auto plan = planSubjects(grid({{"科目", "初一"}, {"语文", c.cell}}), work);
        ASSERT_TRUE(plan.refusal.empty());
        applySubjects(work, plan);
        const auto& row = work.rows[static_cast<std::size_t>(work.rowOf(1))];
        EXPECT_EQ(std::vector<std::int64_t>(row.jieshu.begin(), row.jieshu.begin() + 3), c.chu1);
        EXPECT_EQ(row.jieshu[3], d.rows[0].jieshu[3]) << "初二 has no column and stays";
        EXPECT_EQ(!plan.skipped.empty(), c.reported) << ::testing::PrintToString(lines(plan.skipped));
    }
}

TEST_F(SubjectImport, UnknownSubjectBecomesANewRowOnce)
{
    const auto plan = planSubjects(grid({{"科目", "初二", "初一"}, {"物理", "2", "3,3,2"}, {"物理", "4", ""}}), d);
    EXPECT_EQ(plan.newSubjects, 1);
    ASSERT_TRUE(applySubjects(d, plan));
    ASSERT_EQ(d.rows.size(), 4u);
    EXPECT_EQ(d.rows[3].name, "物理");
    EXPECT_GT(d.rows[3].id, 3);
    EXPECT_EQ(d.rows[3].jieshu, (std::vector<std::int64_t>{3, 3, 2, 2}));
    // The repeated name is reported, not applied over the first.
    EXPECT_EQ(lines(plan.skipped), std::vector<std::string>{"第3行A列“物理”：与第2行重复，未导入"});
}

TEST_F(SubjectImport, RowsAndColumnsPastAGapAndUnknownNamesAreReported)
{
    const auto before = d;
    const auto plan = planSubjects(grid({{"科目", "初一", "高三", "", "初二"},
                                         {"语文", "1", "9", "", "7"},
                                         {"", "8"},
                                         {"数学", "2"}}),
                                   d);
    ASSERT_TRUE(applySubjects(d, plan));
    EXPECT_EQ(periods("语文"), (std::vector<std::int64_t>{1, 1, 1, before.rows[0].jieshu[3]}));
    EXPECT_EQ(periods("数学"), before.rows[1].jieshu);
    EXPECT_EQ(lines(plan.skipped), (std::vector<std::string>{"第1行C列“高三”：没有这个年级，未导入",
                                                            "第1行E列“初二”：在空白单元格之后，未导入",
                                                            "第4行A列“数学”：在空白单元格之后，未导入",
                                                            "第3行“8”：A列没有科目名称，该行未导入"}));
}

TEST_F(SubjectImport, TheFiveHundredFirstSubjectRefusesTheWholeSheet)
{
    while (d.rows.size() < 498)
        ASSERT_TRUE(entry::addSubject(d));
    const auto fits = planSubjects(grid({{"科目", "初一"}, {"物理", "1"}, {"化学", "1"}}), d);
    EXPECT_TRUE(fits.refusal.empty());
    const auto over = planSubjects(grid({{"科目", "初一"}, {"物理", "1"}, {"化学", "1"}, {"生物", "1"}}), d);
    EXPECT_EQ(over.refusal, kTooManySubjectsText);
    const auto before = d;
    EXPECT_FALSE(applySubjects(d, over));
    EXPECT_TRUE(d == before);
}

TEST_F(SubjectImport, ANumberCellOfAWrittenWorkbookAndASecondImportChangesNothing)
{
    testing::TempDir dir;
    Workbook book;
    auto& sh = book.add("s");
    sh.setText(1, 1, "科目");
    sh.setText(1, 2, "初一");
    sh.setText(2, 1, "英语");
    sh.setNumber(2, 2, 6);
    const std::string path = (dir / "k.xlsx").string();
    ASSERT_TRUE(book.save(path).ok);
    const auto read = readFirstSheet(path);
    ASSERT_TRUE(read.ok()) << read.message;
    const auto plan = planSubjects(read.sheet, d);
    EXPECT_TRUE(plan.skipped.empty());
    EXPECT_TRUE(applySubjects(d, plan));
    EXPECT_EQ(periods("英语"), (std::vector<std::int64_t>{6, 6, 6, 3}));
    EXPECT_FALSE(applySubjects(d, planSubjects(read.sheet, d)));
}

TEST_F(SubjectImport, TemplateLeavesNamelessEntriesOut)
{
    d.rows[1].name.clear();
    d.groups[0].name.clear();
    const Workbook book = subjectTemplate(d);
    const Sheet& sh = book.sheet(0);
    std::map<std::pair<int, int>, std::string> texts;
    for (const auto& [at, cell] : sh.cells())
        if (cell.kind == Cell::Kind::Text)
            texts[at] = cell.text;
    EXPECT_EQ(texts, (std::map<std::pair<int, int>, std::string>{
                         {{1, 1}, "科目"}, {{1, 2}, "初二"}, {{2, 1}, "语文"}, {{3, 1}, "英语"}}));
}

// ---------------------------------------------------------------- teaching assignments

// 1班 2班 (初一), 3班 4班 (初二); 语文: 李 3班 2, 张 1班 4, 张 3班 4, 王 4班 5; 体育: 张 1班+2班
// combined 2 each, 3班 3 periods nobody teaches; 音乐: 李 3班+4班 combined, 赵 1班 1, 钱 2班 2.
struct AssignmentImport : ::testing::Test {
    testing::TeacherSchool school;
    entry::TeaDraft d = entry::loadTeachers(school.store());

    // (teacher, class, subject) -> periods over the live entries.
    std::map<std::tuple<std::string, std::string, std::string>, std::int64_t> held(const entry::TeaDraft& t) const
    {
        std::map<std::tuple<std::string, std::string, std::string>, std::int64_t> out;
        for (const auto& e : t.renke)
            if (!e.empty())
                out[{t.rows[static_cast<std::size_t>(t.rowOf(e.tea))].name, t.className(e.ban), t.subjectName(e.ke)}] +=
                    e.jieshu;
        return out;
    }
    std::int64_t delta(const entry::TeaDraft& after, const std::string& tea, const std::string& ban,
                       const std::string& ke) const
    {
        auto a = held(after), b = held(d);
        return a[{tea, ban, ke}] - b[{tea, ban, ke}];
    }
};

TEST_F(AssignmentImport, CellsOfOneClassAndSubject)
{
    struct Case {
        std::string subject, cls, cell;
        std::vector<std::pair<std::string, std::int64_t>> added;  // (teacher, periods)
        bool reported;
    };
    const std::vector<Case> cases = {
        // A single name takes what is left; nothing left: skipped, whoever it is.
        {"体育", "3班", "孙老师", {{"孙老师", 3}}, false},
        {"语文", "1班", "张老师", {}, false},  // he holds all of it already
        {"语文", "1班", "王老师", {}, true},
        {"体育", "3班", "３", {}, true},
        // Pairs, held to what is still unassigned.
        {"体育", "3班", "王老师,2,李老师,1", {{"王老师", 2}, {"李老师", 1}}, false},
        {"体育", "3班", "王老师，2，李老师，1", {{"王老师", 2}, {"李老师", 1}}, false},
        {"体育", "3班", " 王老师 , ２ ", {{"王老师", 2}}, false},
        {"体育", "3班", "王老师,5", {{"王老师", 3}}, true},
        {"体育", "3班", "王老师,2,李老师,2", {{"王老师", 2}, {"李老师", 1}}, true},
        {"体育", "3班", "王老师,2,李老师", {{"王老师", 2}}, true},
        {"体育", "3班", "王老师,0", {}, true},
        {"体育", "3班", "王老师,-2", {}, true},
        {"体育", "3班", "王老师,三", {}, true},
        {"体育", "3班", ",2", {}, true},
        {"体育", "3班", "王老师,1,", {{"王老师", 1}}, false},
        {"体育", "3班", "王老师,1,李老师,1,王老师,1", {{"王老师", 2}, {"李老师", 1}}, false},
        // The screen's own distribution read back: nothing doubles.
        {"语文", "3班", "李老师,2,张老师,4", {}, false},
        {"语文", "3班", "张老师,4", {}, false},
        {"语文", "3班", "王老师,1", {}, true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.subject + " " + c.cls + " " + c.cell);
        entry::TeaDraft work = d;
        const auto plan = planAssignments(grid({{"科目", c.cls}, {c.subject, c.cell}}), work);
        ASSERT_TRUE(plan.refusal.empty());
        EXPECT_EQ(applyAssignments(work, plan), !c.added.empty());
        std::int64_t total = 0;
        for (const auto& [tea, n] : c.added) {
            EXPECT_EQ(delta(work, tea, c.cls, c.subject), n) << tea;
            total += n;
        }
        std::int64_t moved = 0;
        for (const auto& [key, n] : held(work))
            moved += n;
        for (const auto& [key, n] : held(d))
            moved -= n;
        EXPECT_EQ(moved, total) << "nothing else changes";
        EXPECT_EQ(!plan.skipped.empty(), c.reported) << ::testing::PrintToString(lines(plan.skipped));
    }
}

TEST_F(AssignmentImport, OverCoveredClassGetsNoWrappedCount)
{
    // 语文 in 3班 is held for 6 periods; with 5 a week the rest is -1, which must not become
    // an assignment of any size.
    d.need[static_cast<std::size_t>(d.classAt(3)) * d.subjects.size() + static_cast<std::size_t>(d.subjectAt(1))] = 5;
    const auto before = d;
    const auto plan = planAssignments(grid({{"科目", "3班"}, {"语文", "王老师"}}), d);
    EXPECT_TRUE(plan.adds.empty());
    EXPECT_EQ(lines(plan.skipped),
              std::vector<std::string>{"第2行B列“王老师”：该班该科已无未分配的节数（每周5节，已分配6节）"});
    EXPECT_FALSE(applyAssignments(d, plan));
    EXPECT_TRUE(d == before);
}

TEST_F(AssignmentImport, NewTeacherIsMadeOnceAndASecondImportChangesNothing)
{
    const auto sheet = grid({{"科目", "1班", "2班", "3班"},
                             {"语文", "", "新老师"},
                             {"体育", "", "", "新老师,2,钱老师,1"},
                             {"音乐", "", "", ""}});
    d.need[static_cast<std::size_t>(d.classAt(2)) * d.subjects.size()] = 3;  // 2班 语文 3 a week
    const auto plan = planAssignments(sheet, d);
    EXPECT_EQ(plan.newTeachers, std::vector<std::string>{"新老师"});
    const std::size_t teachers = d.rows.size();
    ASSERT_TRUE(applyAssignments(d, plan));
    ASSERT_EQ(d.rows.size(), teachers + 1);
    EXPECT_EQ(d.rows.back().name, "新老师");
    const auto after = held(d);
    EXPECT_EQ((after.at({"新老师", "2班", "语文"})), 3);
    EXPECT_EQ((after.at({"新老师", "3班", "体育"})), 2);
    EXPECT_EQ((after.at({"钱老师", "3班", "体育"})), 1);
    EXPECT_TRUE(plan.skipped.empty()) << ::testing::PrintToString(lines(plan.skipped));

    const auto again = planAssignments(sheet, d);
    EXPECT_TRUE(again.adds.empty());
    EXPECT_TRUE(again.skipped.empty()) << ::testing::PrintToString(lines(again.skipped));
    const auto before = d;
    EXPECT_FALSE(applyAssignments(d, again));
    EXPECT_TRUE(d == before);
}

TEST_F(AssignmentImport, TheThousandFirstTeacherRefusesTheWholeSheet)
{
    while (d.rows.size() < 998)
        ASSERT_TRUE(entry::addTeacher(d, "T" + std::to_string(d.rows.size())));
    d.need[static_cast<std::size_t>(d.classAt(2)) * d.subjects.size()] = 3;
    const auto fits = planAssignments(grid({{"科目", "2班"}, {"语文", "甲,1,乙,1"}}), d);
    EXPECT_TRUE(fits.refusal.empty());
    // A name met only in a skipped pair makes nobody, so it does not count.
    const auto stillFits = planAssignments(grid({{"科目", "2班"}, {"语文", "甲,1,乙,1,丙,0"}}), d);
    EXPECT_TRUE(stillFits.refusal.empty());
    const auto over = planAssignments(grid({{"科目", "2班"}, {"语文", "甲,1,乙,1,丙,1"}}), d);
    EXPECT_EQ(over.refusal, kTooManyTeachersText);
    const auto before = d;
    EXPECT_FALSE(applyAssignments(d, over));
    EXPECT_TRUE(d == before);
}

TEST_F(AssignmentImport, UnknownClassesAndSubjectsAndGapsAreReported)
{
    const auto plan = planAssignments(grid({{"科目", "9班", "3班", "", "4班"},
                                            {"物理", "王老师", "王老师"},
                                            {"体育", "", "孙老师", "", "孙老师"},
                                            {},
                                            {"音乐", "", "孙老师"}}),
                                      d);
    EXPECT_EQ(lines(plan.skipped), (std::vector<std::string>{"第1行B列“9班”：没有这个班级，未导入",
                                                            "第1行E列“4班”：在空白单元格之后，未导入",
                                                            "第2行A列“物理”：没有这个科目，未导入",
                                                            "第5行A列“音乐”：在空白单元格之后，未导入"}));
    ASSERT_EQ(plan.adds.size(), 1u);
    EXPECT_EQ(plan.adds[0].name, "孙老师");
    EXPECT_EQ(plan.adds[0].jieshu, 3);
}

TEST_F(AssignmentImport, TemplateListsNamedClassesAndSubjects)
{
    d.classes[1].name.clear();
    const Workbook book = assignmentTemplate(d);
    const Sheet& sh = book.sheet(0);
    std::vector<std::string> across, down;
    for (const auto& [at, cell] : sh.cells()) {
        if (cell.kind != Cell::Kind::Text)
            continue;
        if (at.first == 1 && at.second > 1)
            across.push_back(cell.text);
        if (at.second == 1 && at.first > 1)
            down.push_back(cell.text);
    }
    EXPECT_EQ(sh.cell(1, 1)->text, "科目");
    EXPECT_EQ(across, (std::vector<std::string>{"1班", "3班", "4班"}));
    EXPECT_EQ(down, (std::vector<std::string>{"语文", "体育", "音乐"}));
}

TEST(SkippedMessage, ListsTwentyThenCountsTheRest)
{
    std::vector<ImportSkip> skipped;
    for (int i = 0; i < 23; ++i)
        skipped.push_back({i + 2, 3, "x", "理由"});
    const std::string text = skippedMessage(skipped);
    EXPECT_NE(text.find("第21行C列“x”：理由"), std::string::npos);
    EXPECT_EQ(text.find("第22行C列"), std::string::npos);
    EXPECT_NE(text.find("另有3项未列出"), std::string::npos);
    EXPECT_TRUE(skippedMessage({}).empty());
}

}  // namespace
}  // namespace tavrin::spreadsheet
