// The change notices: which lessons a notice lists and how they pair (a combined lesson as
// one), the sheet's layout read back from the written file, the introduction row's height
// and its limit, the page breaks that keep every notice on one page for a demo school with
// many changes, a cancelled export; and the texts in info.ini, round trip and hand-made files.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <functional>
#include <random>

#include "demo/demo.h"
#include "model/kechen.h"
#include "model/loaders.h"
#include "spreadsheet/notices.h"
#include "spreadsheet/noticetexts.h"
#include "store/store.h"
#include "support/fixture.h"
#include "support/school_builder.h"
#include "support/testutil.h"
#include "support/xlsx_reader.h"
#include "timetable/kbdocument.h"
#include "timetable/moves.h"

namespace tavrin::spreadsheet {
namespace {

namespace fs = std::filesystem;
using timetable::KbSide;

// ---- which lessons, paired how

// The small school (slots 1..4 Monday, 5..8 Tuesday):
//   class 1 一(1)班: 1 5 7 r0 张 语文, 3 4 r2 李 体育 (combined with class 2's r3)
//   class 2 一(2)班: 2 6 8 r1 张 语文, 3 4 r3
//   class 3 二(1)班: 1 5 r4 王 语文, 2 r5 李 体育
// 李's row holds r3 at 3 and 4.
std::string describe(const std::vector<Notice>& notices)
{
    std::string out;
    for (const Notice& n : notices) {
        out += (out.empty() ? "" : " / ") + n.title + ":";
        for (const NoticeRow& r : n.rows)
            out += " " + r.first + "|" + r.second + "|" + r.from + "|" + r.to + ";";
    }
    return out;
}

void clearLesson(const model::School& s, model::Grids& g, int r, int slot)
{
    g.Renke_B(s.RenkeBan[static_cast<std::size_t>(r)], slot) = -1;
    g.Renke_T(s.RenkeTea[static_cast<std::size_t>(r)], slot) = -1;
}

void putLesson(const model::School& s, model::Grids& g, int r, int slot)
{
    g.Renke_B(s.RenkeBan[static_cast<std::size_t>(r)], slot) = r;
    g.Renke_T(s.RenkeTea[static_cast<std::size_t>(r)], slot) = r;
}

TEST(Notices, WhichLessonsAndHowTheyPair)
{
    struct Case {
        const char* name;
        std::function<void(const model::School&, model::Grids&)> edit;
        bool teachers, classes;
        std::string expected;
    };
    const std::vector<Case> cases = {
        {"nothing changed", [](const model::School&, model::Grids&) {}, true, true, ""},
        {"a lesson taken off has no new time",
         [](const model::School& s, model::Grids& g) { clearLesson(s, g, 4, 1); }, true, true,
         "王老师老师调课通知: 二(1)班|语文|星期一第1节|; / 二(1)班调课通知: 语文|王老师|星期一第1节|;"},
        {"a lesson placed into an empty slot and nothing else moved gives no notice",
         [](const model::School& s, model::Grids& g) { putLesson(s, g, 4, 3); }, true, true, ""},
        {"two periods of one assignment pair in slot order",
         [](const model::School& s, model::Grids& g) {
             clearLesson(s, g, 4, 1);
             clearLesson(s, g, 4, 5);
             putLesson(s, g, 4, 4);
             putLesson(s, g, 4, 3);
         },
         true, false, "王老师老师调课通知: 二(1)班|语文|星期一第1节|星期一第3节; 二(1)班|语文|星期二第1节|星期一第4节;"},
        {"two lessons of one teacher swapped are two rows of his notice",
         [](const model::School& s, model::Grids& g) {
             clearLesson(s, g, 0, 1);
             clearLesson(s, g, 1, 2);
             putLesson(s, g, 0, 2);
             putLesson(s, g, 1, 1);
         },
         true, false,
         "张老师老师调课通知: 一(1)班|语文|星期一第1节|星期一第2节; 一(2)班|语文|星期一第2节|星期一第1节;"},
        {"a combined lesson taken off is one row of its teacher's notice, one of each class's",
         [](const model::School& s, model::Grids& g) {
             clearLesson(s, g, 2, 3);
             clearLesson(s, g, 3, 3);
         },
         true, true,
         "李老师老师调课通知: 一(1)班、一(2)班|体育|星期一第3节|; / 一(1)班调课通知: 体育|李老师|星期一第3节|; / "
         "一(2)班调课通知: 体育|李老师|星期一第3节|;"},
        {"the other member of a combined lesson in the teacher's cell is no change",
         [](const model::School&, model::Grids& g) { g.Renke_T(2, 3) = 2; }, true, true, ""},
        {"only the class notices when only they are asked for",
         [](const model::School& s, model::Grids& g) { clearLesson(s, g, 5, 2); }, false, true,
         "二(1)班调课通知: 体育|李老师|星期一第2节|;"},
        {"neither box ticked writes nothing",
         [](const model::School& s, model::Grids& g) { clearLesson(s, g, 5, 2); }, false, false, ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const model::School s = testing::smallSchool();
        const model::Grids base = testing::smallTimetable(s);
        model::Grids now = base;
        c.edit(s, now);
        NoticeOptions o;
        o.teachers = c.teachers;
        o.classes = c.classes;
        EXPECT_EQ(describe(buildNotices(s, {base.Renke_B, base.Renke_T}, {now.Renke_B, now.Renke_T}, o)), c.expected);
    }
}

// ---- the sheet

testing::XlsxBook writeAndRead(const Workbook& book, const testing::TempDir& dir)
{
    const auto path = (dir.path() / "notices.xlsx").string();
    const WriteResult w = book.save(path);
    EXPECT_TRUE(w.ok) << w.error;
    return testing::readXlsx(path);
}

TEST(Notices, SheetLayoutReadBack)
{
    const model::School s = testing::smallSchool();
    const model::Grids base = testing::smallTimetable(s);
    model::Grids now = base;
    clearLesson(s, now, 4, 1);
    putLesson(s, now, 4, 3);
    clearLesson(s, now, 4, 5);  // 王: two rows, the second without a new time
    clearLesson(s, now, 5, 2);  // 李 and class 3 too
    NoticeOptions o;
    o.intro = {"  第一行，前有空格", "第二行"};
    o.signature = "实验中学教务处";
    o.date = noticeDate(2026, 3, 5);
    o.classes = true;
    const auto notices = buildNotices(s, {base.Renke_B, base.Renke_T}, {now.Renke_B, now.Renke_T}, o);
    ASSERT_EQ(notices.size(), 3u);  // 李, 王, then class 3
    Workbook book;
    std::vector<NoticeSpan> spans;
    ASSERT_TRUE(exportNotices(notices, o, book, {}, &spans));
    testing::TempDir dir;
    const auto b = writeAndRead(book, dir);
    ASSERT_EQ(b.sheets.size(), 1u);
    const auto& sh = b.sheets[0];
    EXPECT_EQ(sh.name, "调课通知");
    EXPECT_EQ(sh.paper, 9);
    EXPECT_NE(sh.orientation, "landscape");
    EXPECT_TRUE(sh.centerH);
    EXPECT_NEAR(sh.marginTop * 72, 15, 0.01);
    EXPECT_NEAR(sh.marginBottom * 72, 15, 0.01);
    for (auto [col, w] : {std::pair{1, 15.0}, {2, 15.0}, {3, 23.0}, {4, 23.0}})
        EXPECT_NEAR(sh.widths.at(col), w, 1);

    // 李's notice: rows 1 to 8, then the gap row 9.
    EXPECT_EQ(sh.text(1, 1), "李老师老师调课通知");
    EXPECT_EQ(sh.at(1, 1)->size, 18);
    EXPECT_EQ(sh.at(1, 1)->halign, "center");
    EXPECT_EQ(sh.text(3, 1), "  第一行，前有空格\n第二行");
    EXPECT_TRUE(sh.at(3, 1)->wrap);
    EXPECT_EQ(sh.at(3, 1)->size, 12);
    // Two lines, 14 characters with the break: (2 + 0 + 1) × 15.
    EXPECT_DOUBLE_EQ(sh.heights.at(3), 45);
    for (const char* m : {"A1:D1", "A3:D3"})
        EXPECT_NE(std::find(sh.merges.begin(), sh.merges.end(), m), sh.merges.end()) << m;
    EXPECT_EQ((std::vector<std::string>{sh.text(4, 1), sh.text(4, 2), sh.text(4, 3), sh.text(4, 4)}),
              (std::vector<std::string>{"调课班级", "调课科目", "原上课时间", "现上课时间"}));
    EXPECT_EQ((std::vector<std::string>{sh.text(5, 1), sh.text(5, 2), sh.text(5, 3), sh.text(5, 4)}),
              (std::vector<std::string>{"二(1)班", "体育", "星期一第2节", ""}));
    // The table: medium outline, thin lines inside, centred both ways, 12-point face.
    EXPECT_EQ(sh.at(4, 1)->border.top, "medium");
    EXPECT_EQ(sh.at(4, 1)->border.left, "medium");
    EXPECT_EQ(sh.at(4, 1)->border.bottom, "thin");
    EXPECT_EQ(sh.at(4, 2)->border.right, "thin");
    EXPECT_EQ(sh.at(5, 4)->border.bottom, "medium");
    EXPECT_EQ(sh.at(5, 4)->border.right, "medium");
    EXPECT_EQ(sh.at(5, 4)->halign, "center");
    EXPECT_EQ(sh.at(5, 4)->valign, "center");
    EXPECT_EQ(sh.at(5, 1)->size, 12);
    EXPECT_EQ(sh.text(7, 4), "实验中学教务处");
    EXPECT_EQ(sh.at(7, 4)->halign, "right");
    EXPECT_EQ(sh.text(8, 4), "2026.3.5");
    EXPECT_EQ(sh.at(8, 4)->halign, "right");
    EXPECT_DOUBLE_EQ(sh.heights.at(9), 30);

    // 王's notice from row 10: two rows, the second with an empty new time.
    EXPECT_EQ(sh.text(10, 1), "王老师老师调课通知");
    EXPECT_EQ(sh.text(14, 3), "星期一第1节");
    EXPECT_EQ(sh.text(14, 4), "星期一第3节");
    EXPECT_EQ(sh.text(15, 3), "星期二第1节");
    EXPECT_EQ(sh.text(15, 4), "");
    EXPECT_EQ(sh.at(15, 4)->border.bottom, "medium");
    // The class notice after the teachers', with its own header.
    EXPECT_EQ(sh.text(20, 1), "二(1)班调课通知");
    EXPECT_EQ(sh.text(23, 1), "调课科目");
    EXPECT_EQ(sh.text(23, 2), "调课教师");
    EXPECT_EQ(sh.text(24, 2), "王老师");  // slot order: Monday 1, Monday 2, Tuesday 1
    EXPECT_EQ(sh.text(25, 2), "李老师");
    ASSERT_EQ(spans.size(), 3u);
    EXPECT_EQ(spans[0].title, 1);
    EXPECT_EQ(spans[0].last, 8);
    EXPECT_EQ(spans[1].title, 10);
    EXPECT_TRUE(sh.breaksBefore.empty());  // three short notices share the first page
}

TEST(Notices, NoChangesLeaveTheSheetEmpty)
{
    Workbook book;
    NoticeOptions o;
    o.intro = {"x"};
    ASSERT_TRUE(exportNotices({}, o, book));
    ASSERT_EQ(book.count(), 1);
    EXPECT_TRUE(book.sheet(0).cells().empty());
    testing::TempDir dir;
    const auto b = writeAndRead(book, dir);
    EXPECT_TRUE(b.sheets.at(0).cells.empty());
}

TEST(Notices, IntroductionRowHeight)
{
    struct Case {
        const char* name;
        std::vector<std::string> lines;
        double height;
    };
    const std::string c37(37, 'x');
    std::vector<std::string> ten;
    for (int i = 0; i < 10; ++i)
        ten.push_back(std::string(i ? 69 : 61, 'a'));  // 61 + 9 × 69 + 9 breaks = 700 characters
    std::string cjk;
    for (int i = 0; i < 38; ++i)
        cjk += "调";
    const std::vector<Case> cases = {
        {"one short line", {"a"}, 30},
        {"37 characters stay on one line", {c37}, 30},
        {"38 characters open a second", {c37 + "x"}, 45},
        {"characters, not bytes", {cjk}, 45},
        {"the line break counts as a character", {c37, ""}, 60},
        {"10 lines with 700 characters would be 435: held at 409", ten, 409},
        {"25 one-character lines fit: 405", std::vector<std::string>(25, "a"), 405},
        {"26 would be 420: held at 409", std::vector<std::string>(26, "a"), 409},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_DOUBLE_EQ(noticeIntroHeight(c.lines), c.height);
    }
    // The row written is held too.
    Notice n;
    n.title = "甲调课通知";
    n.rows = {{"一班", "语文", "星期一第1节", "星期一第2节"}};
    NoticeOptions o;
    o.intro = ten;
    Workbook book;
    ASSERT_TRUE(exportNotices({n}, o, book));
    testing::TempDir dir;
    EXPECT_DOUBLE_EQ(writeAndRead(book, dir).sheets.at(0).heights.at(3), 409);
}

TEST(Notices, CancelStopsTheExport)
{
    std::vector<Notice> notices(5);
    for (Notice& n : notices) {
        n.title = "甲调课通知";
        n.rows = {{"一班", "语文", "星期一第1节", ""}};
    }
    Workbook book;
    int calls = 0;
    EXPECT_FALSE(exportNotices(notices, {}, book, [&](int done, int) {
        ++calls;
        return done < 2;
    }));
    EXPECT_EQ(calls, 3);
    // Two notices were written before the cancel; the caller writes no file.
    EXPECT_EQ(book.sheet(0).cell(10, 1)->text, "甲调课通知");
    EXPECT_EQ(book.sheet(0).cell(19, 1), nullptr);
}

// ---- pages

// A demo school's planted timetable edited by `count` exchanges drawn with a fixed seed.
struct EditedDemo {
    testing::TempDir dir;
    timetable::KbDocument doc;
    EditedDemo(int count, std::uint32_t seed)
    {
        demo::DemoOptions o;
        o.size = demo::DemoSize::Medium;
        o.seed = seed;
        o.combined = true;
        o.writePlanted = true;
        std::string err;
        EXPECT_TRUE(demo::writeDemoSchool(dir / "db.dat", o, &err)) << err;
        store::Store st(dir / "db.dat");
        model::School school = model::loadSchool(st);
        model::Grids g = model::LoadKeChenData(st, school);
        doc.start(std::move(school), std::move(g));
        const timetable::KbData& kb = doc.data();
        std::mt19937 rng(seed);
        int done = 0;
        for (int tries = 0; done < count && tries < 200000; ++tries) {
            const int b = 1 + static_cast<int>(rng() % static_cast<unsigned>(kb.school.MaxBanID));
            const int s = 1 + static_cast<int>(rng() % static_cast<unsigned>(kb.N()));
            if (kb.cellB(b, s) < 0)
                continue;
            const timetable::MoveMarks m = timetable::ShowMvKe_B(kb, b, s);
            const int n = 1 + static_cast<int>(rng() % static_cast<unsigned>(kb.N()));
            if (m.mark[static_cast<std::size_t>(n)] == timetable::MarkOk && timetable::ChnBanJ(doc, b, s, n, true).result.ok)
                ++done;
        }
        EXPECT_EQ(done, count);
    }
    timetable::KbGridsRef base() const { return {doc.data().base.Renke_B, doc.data().base.Renke_T}; }
    timetable::KbGridsRef now() const { return {doc.data().gridB(), doc.data().gridT()}; }
};

// The printed page of every row, paginating as the application does: a row that does not
// fit on the rest of a page starts the next one, and so does a row with a manual break.
std::vector<int> pagesOf(const testing::XlsxSheet& sh, int lastRow, double body)
{
    std::vector<int> page(static_cast<std::size_t>(lastRow) + 1, 0);
    int p = 1;
    double used = 0;
    for (int r = 1; r <= lastRow; ++r) {
        const auto it = sh.heights.find(r);
        if (it == sh.heights.end()) {
            ADD_FAILURE() << "row " << r << " has no height of its own";
            return page;
        }
        const double h = it->second;
        const bool manual = std::find(sh.breaksBefore.begin(), sh.breaksBefore.end(), r) != sh.breaksBefore.end();
        if (manual || (used > 0 && used + h > body)) {
            ++p;
            used = 0;
        }
        used += h;
        page[static_cast<std::size_t>(r)] = p;
    }
    return page;
}

TEST(Notices, NoNoticeIsSplitAcrossPages)
{
    EditedDemo demo(150, 7);
    NoticeOptions o;
    o.intro = {"\u3000\u3000因特殊原因，需要对课程进行调整，具体调整情况如下：", "请各位老师相互转告。"};
    o.signature = "教务处";
    o.date = "2026.9.1";
    o.classes = true;
    const auto notices = buildNotices(demo.doc.data().school, demo.base(), demo.now(), o);
    ASSERT_GT(notices.size(), 40u);
    std::size_t longest = 0;
    for (const Notice& n : notices)
        longest = std::max(longest, n.rows.size());
    ASSERT_GE(longest, 4u) << "the edits should give notices of several sizes";
    Workbook book;
    std::vector<NoticeSpan> spans;
    ASSERT_TRUE(exportNotices(notices, o, book, {}, &spans));
    testing::TempDir dir;
    const auto b = writeAndRead(book, dir);
    const auto& sh = b.sheets.at(0);
    ASSERT_EQ(spans.size(), notices.size());
    const int last = spans.back().last + 1;
    // The notices as the file shows them: a title over its own table, the date at its end.
    for (std::size_t i = 0; i < spans.size(); ++i) {
        EXPECT_EQ(sh.text(spans[i].title, 1), notices[i].title);
        EXPECT_EQ(sh.text(spans[i].last, 4), "2026.9.1");
    }
    ASSERT_GE(sh.breaksBefore.size(), 3u);
    // Checked on every page height from the body the export plans with to well past the A4
    // page the sheet sets up: an application whose page is a little taller than planned must
    // not break a page on its own where the plan did not.
    const double a4Body = 842 - (sh.marginTop + sh.marginBottom) * 72;
    for (double body = kNoticePageBody; body <= a4Body + 40; body += 1.25) {
        SCOPED_TRACE(body);
        const auto page = pagesOf(sh, last, body);
        int shared = 0;
        for (std::size_t i = 0; i < spans.size(); ++i) {
            EXPECT_EQ(page[static_cast<std::size_t>(spans[i].title)], page[static_cast<std::size_t>(spans[i].last)])
                << notices[i].title << " split";
            if (i > 0 && page[static_cast<std::size_t>(spans[i].title)] == page[static_cast<std::size_t>(spans[i - 1].title)])
                ++shared;
        }
        EXPECT_GT(shared, 0) << "pages hold several notices";
    }
    // Every break is needed: the notice it starts, with the gap after it, would not have fit on
    // the page before.
    const auto page = pagesOf(sh, last, kNoticePageBody);
    for (int brk : sh.breaksBefore) {
        SCOPED_TRACE(brk);
        const auto span = std::find_if(spans.begin(), spans.end(), [&](const NoticeSpan& s) { return s.title == brk; });
        ASSERT_NE(span, spans.end()) << "a break stands before a title";
        double used = 0;
        for (int r = brk - 1; r >= 1 && page[static_cast<std::size_t>(r)] == page[static_cast<std::size_t>(brk - 1)]; --r)
            used += sh.heights.at(r);
        double need = 0;
        for (int r = span->title; r <= span->last + 1; ++r)
            need += sh.heights.at(r);
        EXPECT_GT(used + need, kNoticePageBody);
    }
}

// A notice longer than a page cannot be kept whole: it starts on a page of its own, and the
// next one starts the page after it, since where the long one ends is the application's
// choice.
TEST(Notices, ALongNoticeStartsAPage)
{
    Notice shortOne, longOne;
    shortOne.title = "甲调课通知";
    shortOne.rows = {{"一班", "语文", "星期一第1节", ""}};
    longOne.title = "乙调课通知";
    for (int i = 0; i < 45; ++i)
        longOne.rows.push_back({"一班", "语文", "星期一第1节", "星期一第2节"});
    NoticeOptions o;
    o.intro = {"x"};
    Workbook book;
    std::vector<NoticeSpan> spans;
    ASSERT_TRUE(exportNotices({shortOne, longOne, shortOne}, o, book, {}, &spans));
    ASSERT_EQ(spans.size(), 3u);
    EXPECT_EQ(book.sheet(0).page.breaksBefore, (std::vector<int>{spans[1].title, spans[2].title}));
}

// ---- the texts in info.ini

std::string fileText(const fs::path& p)
{
    std::ifstream in(p, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

void writeFile(const fs::path& p, const std::string& bytes)
{
    std::ofstream out(p, std::ios::binary);
    out << bytes;
}

TEST(NoticeTexts, RoundTripKeepsEveryCharacter)
{
    testing::TempDir dir;
    const fs::path ini = noticeIniPath(dir / "db.dat");
    EXPECT_EQ(ini, dir / "info.ini");
    NoticeTexts t;
    t.lines = {"  两个空格开头",  "a=b",          "分号;之后",   "\"引号\"",     "反斜杠\\n不是换行", "逗号,不是列表,",
               "结尾空格  ",       "",             "@at的开头",    "\t制表符",     "'单引号'",          "#井号 [节]"};
    t.signature = "教务处, \"办公室\"";
    ASSERT_EQ(t.lines.size(), 12u);  // keys 10 and 11 sort before 2 as text
    std::string why;
    ASSERT_TRUE(writeNoticeTexts(ini, t, &why)) << why;
    EXPECT_EQ(readNoticeTexts(ini), t);
    // Written again with fewer lines: the old ones are gone.
    t.lines = {"只有一行"};
    ASSERT_TRUE(writeNoticeTexts(ini, t, &why)) << why;
    EXPECT_EQ(readNoticeTexts(ini), t);
}

TEST(NoticeTexts, WritingKeepsOtherSections)
{
    testing::TempDir dir;
    const fs::path ini = dir / "info.ini";
    writeFile(ini, "[Other]\nkeep=yes\n[ChnInfo]\n0=old\n5=older\n");
    ASSERT_TRUE(writeNoticeTexts(ini, {{"new"}, "处"}));
    EXPECT_EQ(readNoticeTexts(ini), (NoticeTexts{{"new"}, "处"}));
    const std::string text = fileText(ini);
    EXPECT_NE(text.find("keep=yes"), std::string::npos);
    EXPECT_EQ(text.find("older"), std::string::npos);
}

TEST(NoticeTexts, HandMadeFiles)
{
    struct Case {
        const char* name;
        std::string bytes;
        NoticeTexts expected;
    };
    const std::vector<Case> cases = {
        {"keys in numeric order, gaps kept closed",
         "[ChnInfo]\n10=eleven\n9=ten\n0=one\n2=three\n[ChnName]\nschoolName=办公室\n",
         {{"one", "three", "ten", "eleven"}, "办公室"}},
        {"keys that are no numbers are left out",
         "[ChnInfo]\nx=no\n-1=no\n1.5=no\n3=three\n1=one\n",
         {{"one", "three"}, ""}},
        {"leading zeros count by value", "[ChnInfo]\n02=two\n1=one\n", {{"one", "two"}, ""}},
        {"an unquoted comma is joined back", "[ChnInfo]\n0=a,b,c\n[ChnName]\nschoolName=教务处,政教处\n",
         {{"a,b,c"}, "教务处,政教处"}},
        {"a line not in UTF-8 is left out",
         "[ChnInfo]\n0=ok\n1=\xb5\xf7\xbf\xce\n2=also ok\n[ChnName]\nschoolName=\xbd\xcc\xce\xf1\n",
         {{"ok", "also ok"}, ""}},
        {"no ChnInfo section", "[ChnName]\nschoolName=处\n", {{}, "处"}},
        {"an empty file", "", {}},
        {"not an INI file at all", std::string("\x89PNG\r\n\x1a\n\0\0\0", 11), {}},
        {"CRLF line ends", "[ChnInfo]\r\n0=第一\r\n1=第二\r\n", {{"第一", "第二"}, ""}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        testing::TempDir dir;
        writeFile(dir / "info.ini", c.bytes);
        EXPECT_EQ(readNoticeTexts(dir / "info.ini"), c.expected);
    }
}

TEST(NoticeTexts, MissingFileAndDefaults)
{
    testing::TempDir dir;
    const NoticeTexts t = readNoticeTexts(dir / "info.ini");
    EXPECT_EQ(t, NoticeTexts{});
    const NoticeTexts d = noticeTextsWithDefaults(t);
    EXPECT_EQ(d.lines, std::vector<std::string>{"\u3000\u3000因特殊原因，需要对课程进行调整，具体调整情况如下："});
    EXPECT_EQ(d.signature, "教务处");
    // Texts of its own stay.
    EXPECT_EQ(noticeTextsWithDefaults({{"自己的"}, "处"}), (NoticeTexts{{"自己的"}, "处"}));
}

TEST(NoticeTexts, NotWritableSaysSo)
{
    testing::TempDir dir;
    writeFile(dir / "afile", "x");  // a file where the folder should be: no user can write there
    std::string why;
    EXPECT_FALSE(writeNoticeTexts(dir / "afile" / "info.ini", {{"a"}, "b"}, &why));
    EXPECT_FALSE(why.empty());
}

TEST(NoticeTexts, MemoTextAndLines)
{
    struct Case {
        std::string text;
        std::vector<std::string> lines;
    };
    const std::vector<Case> cases = {
        {"", {}},
        {"a", {"a"}},
        {"a\n", {"a"}},
        {"a\n\nb", {"a", "", "b"}},
        {"a\r\nb", {"a", "b"}},
        {"\n", {""}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        EXPECT_EQ(splitNoticeText(c.text), c.lines);
    }
    EXPECT_EQ(joinNoticeLines({"a", "", "b"}), "a\n\nb");
}

}  // namespace
}  // namespace tavrin::spreadsheet
