// The proofs that a school cannot hold its lessons, each on the smallest school that shows
// it, and runs on contradictory data that place what they can and end.
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>

#include "scheduler/engine.h"
#include "scheduler/proof.h"
#include "scheduler/save.h"
#include "support/school_builder.h"
#include "timetable/checker.h"

using namespace tavrin;
using scheduler::Obstacle;
using tavrin::testing::SchoolBuilder;

namespace {

std::vector<Obstacle> obstaclesOf(const model::School& s)
{
    return scheduler::findObstacles(s, std::vector<std::uint8_t>(s.MaxBanID + 1, 0), {});
}

std::string texts(const std::vector<Obstacle>& v)
{
    std::string out;
    for (const auto& o : v)
        out += o.text + "\n";
    return out;
}

// Two days of four morning periods: 8 slots, weekday w, period j.
struct Week {
    SchoolBuilder b{{1, 2}, 4, 0, 0};
    int g = b.ji("初一");
    int c1 = b.ban("初一(1)班", g);
};

}  // namespace

struct ProofCase {
    const char* name;
    std::function<void(Week&)> build;
    Obstacle::Kind kind;
    std::string text;
    int shortBy;
};

class Proofs : public ::testing::TestWithParam<ProofCase> {};

TEST_P(Proofs, NameTheCauseOnTheSmallestSchool)
{
    const auto& c = GetParam();
    Week w;
    c.build(w);
    auto school = w.b.load();
    auto found = obstaclesOf(school);
    ASSERT_EQ(found.size(), 1u) << texts(found);
    EXPECT_EQ(found[0].kind, c.kind);
    EXPECT_EQ(found[0].text, c.text);
    EXPECT_EQ(found[0].shortBy, c.shortBy);

    // A run places what it can and ends on its own, its timetable keeping every rule.
    scheduler::RunRequest req;
    req.seed = 1;
    auto res = scheduler::runSchedule(w.b.store(), school, req);
    EXPECT_FALSE(res.timedOut);
    EXPECT_EQ(res.obstacles.size(), 1u);
    EXPECT_GT(res.placed, 0);
    EXPECT_LE(res.placed, res.total - scheduler::lessonsThatCannotStand(found));
    EXPECT_TRUE(timetable::checkTimetable(school, res.grids).empty());
}

INSTANTIATE_TEST_SUITE_P(
    Minimal, Proofs,
    ::testing::Values(
        ProofCase{"class_week",
                  [](Week& w) {
                      w.b.renke(w.b.tea("甲"), w.c1, w.b.ke("语文"), 6);
                      w.b.renke(w.b.tea("乙"), w.c1, w.b.ke("数学"), 2);
                      w.b.gudin(w.c1, 2, 4);
                  },
                  Obstacle::Kind::ClassWeek, "初一(1)班每周8节，可用7节", 1},
        ProofCase{"teacher_week",
                  [](Week& w) {
                      const int c2 = w.b.ban("初一(2)班", w.g), t = w.b.tea("张"), k = w.b.ke("语文");
                      w.b.renke(t, w.c1, k, 3);
                      w.b.renke(t, c2, k, 3);
                      for (int j = 1; j <= 3; ++j)
                          w.b.markTea(t, 1, j, 3);
                  },
                  Obstacle::Kind::TeacherWeek, "张每周6节，可用5节", 1},
        ProofCase{"combined_group",
                  [](Week& w) {
                      const int c2 = w.b.ban("初一(2)班", w.g), t = w.b.tea("体育师"), k = w.b.ke("体育");
                      w.b.renke(t, w.c1, k, 2, 1);
                      w.b.renke(t, c2, k, 2, 1);
                      for (int j = 1; j <= 4; ++j)
                          w.b.gudin(w.c1, 1, j);
                      for (int j = 1; j <= 3; ++j)
                          w.b.gudin(c2, 2, j);
                  },
                  Obstacle::Kind::CombinedGroup, "初一(1)班、初一(2)班的合班体育（体育师）每周2节，共同可用1节", 1},
        ProofCase{"class_lessons",
                  [](Week& w) {
                      const int a = w.b.tea("甲"), b = w.b.tea("乙");
                      w.b.renke(a, w.c1, w.b.ke("语文"), 2);
                      w.b.renke(b, w.c1, w.b.ke("数学"), 2);
                      w.b.renke(w.b.tea("丙"), w.c1, w.b.ke("英语"), 2);
                      for (int d = 1; d <= 2; ++d)
                          for (int j = 1; j <= 4; ++j)
                              if (!(d == 1 && j <= 2)) {
                                  w.b.markTea(a, d, j, 3);
                                  w.b.markTea(b, d, j, 3);
                              }
                  },
                  Obstacle::Kind::ClassLessons, "初一(1)班的语文（甲）、数学（乙）每周共4节，只能排在2个节次", 2},
        ProofCase{"teacher_lessons",
                  [](Week& w) {
                      const int c2 = w.b.ban("初一(2)班", w.g), t = w.b.tea("张"), k = w.b.ke("语文");
                      w.b.renke(t, w.c1, k, 2);
                      w.b.renke(t, c2, k, 2);
                      for (int c : {w.c1, c2})
                          for (int d = 1; d <= 2; ++d)
                              for (int j = 1; j <= 4; ++j)
                                  if (!(d == 1 && j <= 3))
                                      w.b.gudin(c, d, j);
                  },
                  Obstacle::Kind::TeacherLessons, "张在初一(1)班、初一(2)班的课每周共4节，只能排在3个节次", 1},
        ProofCase{"doubles_in_single_periods",
                  [](Week& w) {
                      w.b.renke(w.b.tea("物理师"), w.c1, w.b.ke("物理", 0, 1), 2);
                      w.b.renke(w.b.tea("语文师"), w.c1, w.b.ke("语文"), 2);
                      // Every second period is fixed: no two neighbouring periods are free.
                      for (int d = 1; d <= 2; ++d)
                          for (int j : {2, 4})
                              w.b.gudin(w.c1, d, j);
                  },
                  Obstacle::Kind::Doubles, "初一(1)班物理（物理师）每周要1个连堂，没有可以连排的相邻两节", 1}),
    [](const ::testing::TestParamInfo<ProofCase>& i) { return std::string(i.param.name); });

// A school that can hold everything gets no proof, whatever its combined lessons, doubles
// and "不排" periods.
TEST(Proofs, ASchoolThatFitsGetsNone)
{
    Week w;
    const int c2 = w.b.ban("初一(2)班", w.g);
    const int pe = w.b.tea("体育师"), ty = w.b.ke("体育"), wl = w.b.ke("物理", 0, 1);
    w.b.renke(pe, w.c1, ty, 2, 1);
    w.b.renke(pe, c2, ty, 2, 1);
    const int tw = w.b.tea("物理师");
    w.b.renke(tw, w.c1, wl, 2);
    w.b.renke(tw, c2, wl, 2);
    for (int c : {w.c1, c2})
        w.b.renke(w.b.tea("语文" + std::to_string(c)), c, w.b.ke("语文" + std::to_string(c)), 4);
    for (int j = 1; j <= 4; ++j)
        w.b.markTea(pe, 1, j, 3);
    auto school = w.b.load();
    EXPECT_TRUE(obstaclesOf(school).empty()) << texts(obstaclesOf(school));
    scheduler::RunRequest req;
    req.seed = 2;
    auto res = scheduler::runSchedule(w.b.store(), school, req);
    EXPECT_EQ(res.placed, res.total);
}

// Contradictory data: a teacher who never teaches, a combined lesson whose classes are never
// free together, a double in one-period sections. Each is named; the run places the rest.
TEST(Proofs, ContradictoryDataGetTheirProofAndARunOfWhatFits)
{
    SchoolBuilder b({1, 2, 3}, 1, 1, 0);  // sections of one period
    const int g = b.ji("初一");
    const int c1 = b.ban("初一(1)班", g), c2 = b.ban("初一(2)班", g);
    const int never = b.tea("从不上课"), pe = b.tea("体育师"), tw = b.tea("物理师");
    b.renke(never, c1, b.ke("美术"), 1);
    b.renke(pe, c1, b.ke("体育"), 1, 1);
    b.renke(pe, c2, b.ke("体育"), 1, 1);
    b.renke(tw, c2, b.ke("物理", 0, 1), 2);
    for (int d = 1; d <= 3; ++d)
        for (int j = 1; j <= 2; ++j) {
            b.markTea(never, d, j, 3);
            b.gudin(d == 1 ? c1 : c2, d, j);
        }
    auto school = b.load();
    auto found = obstaclesOf(school);
    std::vector<Obstacle::Kind> kinds;
    for (const auto& o : found)
        kinds.push_back(o.kind);
    EXPECT_NE(std::find(kinds.begin(), kinds.end(), Obstacle::Kind::TeacherWeek), kinds.end()) << texts(found);
    EXPECT_NE(std::find(kinds.begin(), kinds.end(), Obstacle::Kind::CombinedGroup), kinds.end()) << texts(found);
    EXPECT_NE(std::find(kinds.begin(), kinds.end(), Obstacle::Kind::Doubles), kinds.end()) << texts(found);
    for (std::uint32_t seed : {1u, 2u}) {
        scheduler::RunRequest req;
        req.seed = seed;
        auto res = scheduler::runSchedule(b.store(), school, req);
        EXPECT_FALSE(res.timedOut);
        // 物理's two lessons stand as singles; 美术 and the combined 体育 cannot.
        EXPECT_EQ(res.placed, 2) << seed;
        EXPECT_TRUE(timetable::checkTimetable(school, res.grids).empty());
    }
}

// The result as the dialog shows it: the proofs first, one row per assignment left out with
// the proof that concerns it or what holds the class's free slots, never a count of 0.
TEST(Proofs, TheRunSummaryNamesEveryLessonLeftOutOnce)
{
    Week w;
    const int c2 = w.b.ban("初一(2)班", w.g);
    const int zhang = w.b.tea("张"), li = w.b.tea("李");
    w.b.renke(zhang, w.c1, w.b.ke("语文"), 9);  // 9 lessons in 8 slots
    w.b.renke(li, c2, w.b.ke("数学"), 4);
    for (int j = 1; j <= 4; ++j)
        w.b.markTea(li, 1, j, 3);
    w.b.renke(w.b.tea("王"), c2, w.b.ke("英语"), 4);
    w.b.gudin(c2, 2, 4);  // 李 may teach 初一(2)班 on Tuesday 1-3 only
    auto school = w.b.load();
    scheduler::RunRequest req;
    req.seed = 3;
    auto res = scheduler::runSchedule(w.b.store(), school, req);
    auto sum = scheduler::summarizeRun(school, res);
    EXPECT_FALSE(sum.complete);
    EXPECT_EQ(sum.headline, "还有 2 节未排");
    ASSERT_EQ(sum.obstacles.size(), 2u);
    EXPECT_EQ(sum.obstacles[0], "初一(1)班每周9节，可用8节");
    ASSERT_EQ(sum.rows.size(), 2u);
    int left = 0;
    for (const auto& r : sum.rows) {
        left += r.count;
        EXPECT_EQ(r.reason.find(" 0 节"), std::string::npos) << r.reason;
        EXPECT_FALSE(r.reason.empty());
    }
    EXPECT_EQ(left, res.total - res.placed);
    EXPECT_EQ(sum.rows[0].cls, "初一(1)班");
    EXPECT_EQ(sum.rows[0].reason, "初一(1)班每周9节，可用8节");
    EXPECT_EQ(sum.rows[1].teacher, "李");
    EXPECT_EQ(sum.rows[1].reason, sum.obstacles[1]);

    // Everything placed: the headline says so and there is no row.
    Week ok;
    ok.b.renke(ok.b.tea("张"), ok.c1, ok.b.ke("语文"), 8);
    auto fits = ok.b.load();
    auto done = scheduler::summarizeRun(fits, scheduler::runSchedule(ok.b.store(), fits, req));
    EXPECT_TRUE(done.complete);
    EXPECT_EQ(done.headline, "全部排完");
    EXPECT_TRUE(done.rows.empty());
    EXPECT_TRUE(done.obstacles.empty());
}
