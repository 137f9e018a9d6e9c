#include <gtest/gtest.h>

#include "app/home.h"
#include "users/users.h"
#include "store/store.h"
#include "support/testutil.h"

using namespace tavrin;

namespace {
struct HomeCase {
    const char* what;
    bool ban, day, kemujieshu, renke, kechen;
    std::array<bool, 7> enabled;  // index 1..6
    std::array<bool, 7> cleared;  // index 1..6
    bool noPai;
    const char* status;
};
}  // namespace

TEST(Home, LoadMainUnlocksTheStepsInAChain)
{
    const std::vector<HomeCase> cases = {
        {"empty", 0, 0, 0, 0, 0, {0, 1, 0, 0, 0, 0, 0}, {0, 0, 0, 0, 0, 0, 0}, true, "请设置班级。"},
        {"classes only", 1, 0, 0, 0, 0, {0, 1, 1, 0, 0, 0, 0}, {0, 1, 0, 0, 0, 0, 0}, true, "请设置课时。"},
        {"classes and days", 1, 1, 0, 0, 0, {0, 1, 1, 1, 0, 0, 0}, {0, 1, 1, 0, 0, 0, 0}, true, "请设置科目节数。"},
        {"no assignments", 1, 1, 1, 0, 0, {0, 1, 1, 1, 1, 0, 0}, {0, 1, 1, 1, 0, 0, 0}, true, "请设置教师任课。"},
        {"assignments, no timetable", 1, 1, 1, 1, 0, {0, 1, 1, 1, 1, 1, 1}, {0, 1, 1, 1, 1, 0, 0}, true,
         "未排课，点击“开始排课”进行自动排课。"},
        {"everything", 1, 1, 1, 1, 1, {0, 1, 1, 1, 1, 1, 1}, {0, 1, 1, 1, 1, 0, 1}, false,
         "打开课程表，可以进行手工调课、打印课程表或导出至EXCEL。"},
        // The chain stops at the first missing link, whatever lies behind it.
        {"timetable rows but no days", 1, 0, 1, 1, 1, {0, 1, 1, 0, 0, 0, 0}, {0, 1, 0, 0, 0, 0, 0}, true,
         "请设置课时。"},
    };
    for (const auto& c : cases) {
        tavrin::testing::TempDir d;
        ASSERT_TRUE(users::initDatabase(d / "db.dat"));
        store::Store s(d / "db.dat");
        // Foreign keys off: the rows only need to exist, not to make sense together.
        s.exec("PRAGMA foreign_keys=OFF");
        if (c.ban)
            s.exec("INSERT INTO jibd VALUES(1,'g'); INSERT INTO banbd VALUES(1,'b',1,0)");
        if (c.day)
            s.exec("INSERT INTO daybd VALUES(1,'星期一')");
        if (c.kemujieshu)
            s.exec("INSERT INTO kemujieshu VALUES(1,1,1)");
        if (c.renke)
            s.exec("INSERT INTO renkebd VALUES(0,1,1,1,1,0)");
        if (c.kechen)
            s.exec("INSERT INTO kechenbd VALUES(1,1,1,1,1,1,0)");
        auto h = app::loadMain(s);
        for (int i = 1; i <= 6; ++i) {
            EXPECT_EQ(h.stepEnabled[i], c.enabled[i]) << c.what << " step " << i;
            EXPECT_EQ(h.clearShown[i], c.cleared[i]) << c.what << " clear " << i;
        }
        EXPECT_EQ(h.noPaiShown, c.noPai) << c.what;
        EXPECT_EQ(h.status, c.status) << c.what;
    }
}

TEST(Home, LayoutSettingIsRowsOnlyForTheExactValue)
{
    const std::vector<std::pair<std::vector<std::pair<std::string, std::string>>, int>> cases = {
        {{}, 1},
        {{{"课表显示", "日行"}}, 2},
        {{{"课表显示", "日列"}}, 1},
        {{{"课表显示", "日行 "}}, 1},
        {{{"其它", "日行"}}, 1},
        {{{"课表显示", "日列"}, {"课表显示", "日行"}}, 2},
    };
    for (const auto& [rows, layout] : cases) {
        tavrin::testing::TempDir d;
        ASSERT_TRUE(users::initDatabase(d / "db.dat"));
        store::Store s(d / "db.dat");
        for (auto& [n, v] : rows)
            s.run("INSERT INTO setting VALUES(?1, ?2)", n, v);
        EXPECT_EQ(app::loadMain(s).kbLayout, layout);
    }
}

TEST(Home, SchoolNameComesFromItsSettingRow)
{
    const std::vector<std::pair<std::vector<std::pair<std::string, std::string>>, std::string>> cases = {
        {{}, ""},
        {{{"学校名称", "第一中学"}}, "第一中学"},
        {{{"课表显示", "第一中学"}}, ""},
        {{{"学校名称", ""}, {"学校名称", "实验小学"}}, "实验小学"},
        {{{"学校名称", "甲校"}, {"学校名称", "乙校"}}, "甲校"},
    };
    for (const auto& [rows, name] : cases) {
        tavrin::testing::TempDir d;
        ASSERT_TRUE(users::initDatabase(d / "db.dat"));
        store::Store s(d / "db.dat");
        for (auto& [n, v] : rows)
            s.run("INSERT INTO setting VALUES(?1, ?2)", n, v);
        EXPECT_EQ(app::loadMain(s).xiaoName, name);
    }
}

TEST(Home, SecondClearQuestionOnlyForSteps1To4WhileDaysAreStored)
{
    app::HomeState withDays;
    withDays.hasDay = true;
    app::HomeState noDays;
    for (int step : {1, 2, 3, 4}) {
        EXPECT_TRUE(app::asksSecondQuestion(step, withDays)) << step;
        EXPECT_FALSE(app::asksSecondQuestion(step, noDays)) << step;
        EXPECT_NE(app::clearTexts(step).secondQuestion, nullptr);
    }
    EXPECT_FALSE(app::asksSecondQuestion(6, withDays));
    EXPECT_STREQ(app::clearTexts(6).title, "清空课程表");
}
