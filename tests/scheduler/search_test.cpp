#include <gtest/gtest.h>

#include <set>

#include "scheduler/engine.h"
#include "scheduler/save.h"
#include "support/school_builder.h"

using namespace tavrin;
using tavrin::testing::SchoolBuilder;

namespace {

constexpr int slot(int day, int jie) { return (day - 1) * 8 + jie; }

// Two parallel classes with their own teachers for most subjects and a shared 体育 teacher.
void twoClasses(SchoolBuilder& b)
{
    int g = b.ji("初一");
    int c1 = b.ban("初一(1)班", g), c2 = b.ban("初一(2)班", g);
    int yw = b.ke("语文"), sx = b.ke("数学", 0, 1), yy = b.ke("英语"), ty = b.ke("体育", 1);
    b.renke(b.tea("张"), c1, yw, 6);
    b.renke(b.tea("王"), c2, yw, 6);
    b.renke(b.tea("李"), c1, sx, 6);
    b.renke(b.tea("赵"), c2, sx, 6);
    int en = b.tea("周");
    b.renke(en, c1, yy, 5);
    b.renke(en, c2, yy, 5);
    int pe = b.tea("吴");
    b.renke(pe, c1, ty, 3);
    b.renke(pe, c2, ty, 3);
}

scheduler::RunRequest request(std::uint32_t seed, int strength = 3)
{
    scheduler::RunRequest r;
    r.seed = seed;
    r.opts.strength = strength;
    return r;
}

// The invariants any saved timetable keeps, checked straight from the grids.
void expectSound(const model::School& s, const model::Grids& g)
{
    const int N = s.N();
    for (int t = 1; t <= s.TeaOldNum; ++t)
        for (int x = 1; x <= N; ++x) {
            std::set<int> groups;
            int lessons = 0;
            for (int b = 1; b <= s.MaxBanID; ++b)
                if (int r = g.Renke_B(b, x); r >= 0 && s.RenkeTea[r] == t) {
                    ++lessons;
                    groups.insert(s.RenkeHeban[r] > 0 ? s.RenkeHeban[r] : -1 - r);
                    EXPECT_GE(g.Renke_T(t, x), 0) << "teacher row free under a lesson, slot " << x;
                }
            EXPECT_LE(groups.size(), 1u) << "teacher " << t << " in two places at slot " << x;
            if (lessons == 0) {
                EXPECT_EQ(g.Renke_T(t, x), -1) << "teacher row busy without a lesson, slot " << x;
            }
        }
    std::vector<int> placed(s.renkeSize(), 0);
    for (int b = 1; b <= s.MaxBanID; ++b)
        for (int x = 1; x <= N; ++x)
            if (int r = g.Renke_B(b, x); r >= 0) {
                placed[r]++;
                EXPECT_TRUE(s.GudinKe(b, x).empty()) << "lesson on a fixed lesson";
                const int d = s.slots.SlotDay[x], j = s.slots.SlotJie[x];
                EXPECT_NE(s.TeshuKe(s.RenkeKe[r], b, d, j), model::MarkNever);
                EXPECT_NE(s.TeshuTea(s.RenkeTea[r], d, j), model::MarkNever);
            }
    for (int r = 0; r < s.renkeSize(); ++r) {
        EXPECT_LE(placed[r], s.RenkeJieshu[r]);
        EXPECT_EQ(placed[r], g.RenkePlaced[r]);
    }
}

long long rows(store::Store& st, const char* table)
{
    return st.scalar(std::string("SELECT count(*) FROM ") + table);
}

}  // namespace

TEST(Search, EverythingFitsAtEveryStrength)
{
    for (int strength : {1, 2, 3}) {
        SchoolBuilder b;
        twoClasses(b);
        auto school = b.load();
        auto res = scheduler::runSchedule(b.store(), school, request(7, strength));
        EXPECT_FALSE(res.cancelled);
        EXPECT_EQ(res.total, 40);
        EXPECT_EQ(res.placed, 40) << "strength " << strength;
        EXPECT_TRUE(res.unplaced.empty());
        expectSound(school, res.grids);
    }
}

TEST(Search, OverfullAssignmentStopsAndTheRunEnds)
{
    SchoolBuilder b;
    int g = b.ji("初一");
    int c = b.ban("初一(1)班", g);
    int k = b.ke("语文");
    b.renke(b.tea("张"), c, k, 5);
    // Only two free slots in the whole week.
    for (int s = 3; s <= 40; ++s)
        b.gudin(c, (s - 1) / 8 + 1, (s - 1) % 8 + 1, "自习");
    auto school = b.load();
    // The search alone gives up once the assignment has failed often enough; the run ends.
    auto alone = request(3, 1);
    alone.repair = false;
    auto res = scheduler::runSchedule(b.store(), school, alone);
    EXPECT_FALSE(res.cancelled);
    EXPECT_LE(res.placed, 2);
    // The last sweep then places what fits, and the report names the rest.
    res = scheduler::runSchedule(b.store(), school, request(3, 1));
    EXPECT_EQ(res.placed, 2);
    ASSERT_EQ(res.unplaced.size(), 1u);
    EXPECT_EQ(res.unplaced[0].count, 3);
    auto lines = scheduler::reportLines(school, res.grids, res.banKeep);
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_EQ(lines[0], "进行排课总节数：5节；已排总节数：2节。");
    EXPECT_EQ(lines[1], "初一(1)班语文(张)有3节未排。");
}

TEST(Search, AnAssignmentLargerThanTheWeekEndsTheRunQuickly)
{
    SchoolBuilder b({1, 2, 3, 4, 5}, 3, 3, 0);  // 30 slots
    int g = b.ji("初一");
    int c = b.ban("初一(1)班", g);
    b.renke(b.tea("张"), c, b.ke("语文"), 40);
    auto school = b.load();
    for (int strength : {1, 3}) {
        auto res = scheduler::runSchedule(b.store(), school, request(1, strength));
        EXPECT_EQ(res.placed, 30) << strength;
        EXPECT_LT(res.steps, 200000) << strength;
        ASSERT_EQ(res.unplaced.size(), 1u);
        EXPECT_EQ(res.unplaced[0].count, 10);
    }
}

TEST(Search, CertainLessonStaysOnItsPeriod)
{
    SchoolBuilder b;
    twoClasses(b);
    // 语文 of class 1 must be on Monday period 1 and Wednesday period 1.
    b.markKe(1, 1, 1, 1, 2);
    b.markKe(1, 1, 3, 1, 2);
    auto school = b.load();
    for (std::uint32_t seed : {1u, 2u, 3u}) {
        auto res = scheduler::runSchedule(b.store(), school, request(seed));
        for (int s : {slot(1, 1), slot(3, 1)}) {
            int r = res.grids.Renke_B(1, s);
            ASSERT_GE(r, 0);
            EXPECT_EQ(school.RenkeKe[r], 1);
            EXPECT_GE(res.grids.Teshu_B(1, s), 1000);
        }
    }
}

TEST(Search, KeptClassesKeepTheirLessonsAndBlockTheirTeachers)
{
    SchoolBuilder b;
    twoClasses(b);
    auto school = b.load();
    // A first run of the whole school, saved.
    auto first = scheduler::scheduleAndSave(b.store(), school, request(11));
    ASSERT_FALSE(first.result.cancelled);
    // Then class 1 only: class 2 must stay exactly as it was.
    auto req = request(12);
    req.classes = {1};
    auto again = scheduler::runSchedule(b.store(), school, req);
    for (int x = 1; x <= school.N(); ++x) {
        EXPECT_EQ(again.grids.Renke_B(2, x), first.result.grids.Renke_B(2, x)) << x;
        EXPECT_EQ(again.grids.Teshu_B(2, x), first.result.grids.Teshu_B(2, x)) << x;
    }
    EXPECT_EQ(again.total, 20);
    expectSound(school, again.grids);
    auto lines = scheduler::reportLines(school, again.grids, again.banKeep);
    EXPECT_EQ(lines[0], "进行排课总节数：20节；已排总节数：" + std::to_string(again.placed) + "节。");
}

TEST(Search, CancelAfterSomeStepsWritesNothing)
{
    SchoolBuilder b;
    twoClasses(b);
    auto school = b.load();
    auto done = scheduler::scheduleAndSave(b.store(), school, request(5));
    ASSERT_FALSE(done.result.cancelled);
    auto before = b.store().scalar("SELECT total(kechenid * 131 + theday * 31 + thejie * 7 + theban + thetea * 3 + teshu) FROM kechenbd");
    const auto beforeRows = rows(b.store(), "kechenbd");
    b.store().run("UPDATE PaiOpt SET ItmVar=2 WHERE PaiItm=3");

    for (long long k : {1LL, 5LL, 30LL}) {
        std::atomic<bool> cancel{false};
        auto req = request(99, 1);
        req.opts.teaDay = 1;
        req.cancel = &cancel;
        req.stepHook = [&](long long step) {
            if (step >= k)
                cancel = true;
        };
        auto res = scheduler::scheduleAndSave(b.store(), school, req);
        EXPECT_TRUE(res.result.cancelled) << k;
        EXPECT_TRUE(res.lines.empty());
        EXPECT_EQ(rows(b.store(), "kechenbd"), beforeRows);
        EXPECT_EQ(b.store().scalar("SELECT total(kechenid * 131 + theday * 31 + thejie * 7 + theban + thetea * 3 + teshu) FROM kechenbd"), before);
        EXPECT_EQ(b.store().scalar("SELECT ItmVar FROM PaiOpt WHERE PaiItm=3"), 2);
    }
}

TEST(Search, SameSeedSameTimetableOtherSeedsDiffer)
{
    SchoolBuilder b;
    twoClasses(b);
    auto school = b.load();
    auto a = scheduler::runSchedule(b.store(), school, request(42));
    auto again = scheduler::runSchedule(b.store(), school, request(42));
    EXPECT_EQ(a.startR, again.startR);
    EXPECT_TRUE(a.grids == again.grids);
    // Given the drawn start itself, the run replays exactly.
    auto replay = request(0);
    replay.seed.reset();
    replay.start = a.startR;
    EXPECT_TRUE(scheduler::runSchedule(b.store(), school, replay).grids == a.grids);

    std::set<std::vector<int>> distinct;
    for (std::uint32_t seed = 1; seed <= 8; ++seed) {
        auto r = scheduler::runSchedule(b.store(), school, request(seed));
        std::vector<int> flat;
        for (int x = 1; x <= school.N(); ++x)
            flat.push_back(r.grids.Renke_B(1, x));
        distinct.insert(flat);
    }
    EXPECT_GT(distinct.size(), 1u);
}

TEST(Search, CombinedLessonsMoveTogetherAndHoldTheTeacher)
{
    SchoolBuilder b;
    int g = b.ji("初一");
    std::vector<int> cs;
    for (int i = 1; i <= 3; ++i)
        cs.push_back(b.ban("初一(" + std::to_string(i) + ")班", g));
    int yw = b.ke("语文"), ty = b.ke("体育"), yy = b.ke("音乐");
    int pe = b.tea("体育老师"), mu = b.tea("音乐老师");
    for (int c : cs) {
        b.renke(b.tea("语文" + std::to_string(c)), c, yw, 7);
        b.renke(pe, c, ty, 3, 1);  // one 体育 lesson for all three classes
    }
    b.renke(mu, cs[0], yy, 2, 1);
    b.renke(mu, cs[1], yy, 2, 1);
    b.renke(mu, cs[2], yy, 2);  // not combined: must not share the teacher's slot
    auto school = b.load();
    for (std::uint32_t seed = 1; seed <= 6; ++seed) {
        auto res = scheduler::runSchedule(b.store(), school, request(seed));
        EXPECT_EQ(res.placed, res.total) << seed;
        expectSound(school, res.grids);
        // Every 体育 lesson stands in all three classes at once.
        for (int x = 1; x <= school.N(); ++x) {
            int n = 0;
            for (int c : cs)
                if (int r = res.grids.Renke_B(c, x); r >= 0 && school.RenkeKe[r] == ty)
                    ++n;
            EXPECT_TRUE(n == 0 || n == 3) << "seed " << seed << " slot " << x;
        }
    }
}

TEST(Search, OneStuckAssignmentDoesNotEndTheRun)
{
    SchoolBuilder b;
    twoClasses(b);
    // 数学 of class 2 wants a double, but its teacher may only teach on single-period islands.
    for (int d = 1; d <= 5; ++d)
        for (int j = 1; j <= 8; ++j)
            if (!(j == 1 || j == 4))
                b.markTea(4, d, j, 3);
    b.gudin(2, 1, 2);
    auto school = b.load();
    for (bool repair : {false, true}) {
        auto req = request(1);
        req.repair = repair;
        auto res = scheduler::runSchedule(b.store(), school, req);
        expectSound(school, res.grids);
        int stuck = 0;
        for (const auto& u : res.unplaced) {
            EXPECT_EQ(school.RenkeTea[u.renke], 4) << "only the stuck assignment may stay out";
            stuck += u.count;
            EXPECT_FALSE(u.refusedBy.empty());
        }
        EXPECT_EQ(res.placed + stuck, res.total);
        EXPECT_GE(res.placed, res.total - 6);
    }
}

TEST(Search, DeepChainsOfALargeSchoolRunWithoutExhaustingTheStack)
{
    // 120 classes of 45 lessons in a 50-slot week: chains thousands of lessons deep.
    SchoolBuilder b({1, 2, 3, 4, 5}, 5, 5, 0);
    std::vector<int> kes;
    for (const char* n : {"语文", "数学", "英语", "物理", "化学", "生物", "历史", "地理", "政治"})
        kes.push_back(b.ke(n));
    for (int gi = 0; gi < 6; ++gi) {
        int g = b.ji("年级" + std::to_string(gi + 1));
        for (int ci = 0; ci < 20; ci += 2) {
            int c1 = b.ban("班" + std::to_string(gi) + "-" + std::to_string(ci), g);
            int c2 = b.ban("班" + std::to_string(gi) + "-" + std::to_string(ci + 1), g);
            for (int k : kes) {
                int t = b.tea("师" + std::to_string(gi) + "-" + std::to_string(ci) + "-" + std::to_string(k));
                b.renke(t, c1, k, 5);
                b.renke(t, c2, k, 5);
            }
        }
    }
    auto school = b.load();
    ASSERT_EQ(school.MaxBanID, 120);
    auto res = scheduler::runSchedule(b.store(), school, request(3, 1));
    EXPECT_EQ(res.total, 120 * 45);
    EXPECT_GT(res.placed, res.total * 9 / 10);
    expectSound(school, res.grids);
}

// A worker whose stack cannot be had (here: far more than any machine maps) refuses the
// run with a message instead of running the search on the caller's own, smaller stack.
TEST(Search, NoWorkerThreadRefusesTheRunInsteadOfOverflowing)
{
    bool ran = false;
    try {
        scheduler::runWithLargeStack([&] { ran = true; }, std::size_t(1) << 60);
        FAIL() << "the run went ahead without its worker";
    } catch (const std::runtime_error& e) {
        EXPECT_STREQ(e.what(), "无法为排课创建工作线程（内存不足），未排课。");
    }
    EXPECT_FALSE(ran);
    // The usual stack still runs the work, and the work's own failure reaches the caller.
    scheduler::runWithLargeStack([&] { ran = true; });
    EXPECT_TRUE(ran);
    EXPECT_THROW(scheduler::runWithLargeStack([] { throw std::logic_error("x"); }), std::logic_error);
}

TEST(Report, WordingOfTheLines)
{
    SchoolBuilder b;
    int g = b.ji("初一");
    int c = b.ban("初一(1)班", g);
    int k = b.ke("语文");
    b.renke(b.tea("张老师"), c, k, 2);
    auto school = b.load();
    model::Grids grids;
    grids.reset(school);
    std::vector<std::uint8_t> keep(school.MaxBanID + 1, 0);
    auto none = scheduler::reportLines(school, grids, keep);
    ASSERT_EQ(none.size(), 2u);
    EXPECT_EQ(none[0], "进行排课总节数：2节；已排总节数：0节。");
    EXPECT_EQ(none[1], "初一(1)班语文(张老师)有2节未排。");
    for (int x : {1, 2, 3})
        grids.Renke_B(c, x) = 0;
    auto over = scheduler::reportLines(school, grids, keep);
    ASSERT_EQ(over.size(), 2u);
    EXPECT_EQ(over[0], "进行排课总节数：2节；已排总节数：3节。");
    EXPECT_EQ(over[1], "初一(1)班语文(张老师)有-1节排出。");
    grids.Renke_B(c, 3) = -1;
    EXPECT_EQ(scheduler::reportLines(school, grids, keep).size(), 1u);
}

TEST(Report, SavePaiWritesRowsInClassThenSlotOrder)
{
    SchoolBuilder b({2, 3, 4, 5, 6});  // Tuesday to Saturday
    twoClasses(b);
    auto school = b.load();
    auto saved = scheduler::scheduleAndSave(b.store(), school, request(8));
    auto st = b.store().prepare("SELECT kechenid, theday, thejie, theban, thetea, theke, teshu FROM kechenbd ORDER BY kechenid");
    int expectId = 0, lastBan = 0, lastSlot = 0;
    while (st.step()) {
        EXPECT_EQ(st.integer(0), ++expectId);
        int day = st.integer(1), jie = st.integer(2), ban = st.integer(3);
        EXPECT_GE(day, 2);
        EXPECT_LE(day, 6);
        int s = (school.WeektoDay[day] - 1) * school.P() + jie;
        EXPECT_TRUE(ban > lastBan || (ban == lastBan && s > lastSlot));
        lastBan = ban;
        lastSlot = s;
        int r = saved.result.grids.Renke_B(ban, s);
        ASSERT_GE(r, 0);
        EXPECT_EQ(st.integer(4), school.RenkeTea[r]);
        EXPECT_EQ(st.integer(5), school.RenkeKe[r]);
        EXPECT_EQ(st.integer(6), saved.result.grids.Teshu_B(ban, s));
        EXPECT_GT(st.integer(6), 0);
    }
    EXPECT_EQ(expectId, saved.result.placed);
    EXPECT_EQ(b.store().scalar("SELECT ItmVar FROM PaiOpt WHERE PaiItm=1"), 3);
}
