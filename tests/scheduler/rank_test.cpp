#include <gtest/gtest.h>

#include <functional>
#include <random>

#include "rank_reference.h"
#include "engine_probe.h"
#include "scheduler/engine.h"
#include "support/school_builder.h"

using namespace tavrin;
using tavrin::testing::SchoolBuilder;

namespace {

// Monday to Friday, 4 + 4 + 0 periods: slot = (day - 1) * 8 + period, N = 40.
constexpr int slot(int day, int jie) { return (day - 1) * 8 + jie; }

struct Situation {
    const char* what;
    // Builds the school; returns nothing. Assignment 0 is the one scored unless `renke` says otherwise.
    std::function<void(SchoolBuilder&)> build;
    // Lessons standing before the score is taken: (assignment, slot).
    std::vector<std::pair<int, int>> placed;
    int renke;
    int at;
    int expected;  // the exact score, 0 = refused
    scheduler::PaiOptions opts = {};
    std::vector<std::pair<int, int>> removed = {};  // (class, slot) taken off after the placing
    int nig = 0;                                    // evening periods
};

// One class, one teacher, 语文 five times a week: the plain first lesson scores
// 1 + 10 (no neighbour of the subject) + 50 (first lesson) + 20 (subject not yet placed) + 5
// (teacher's day under average) = 86.
void plain(SchoolBuilder& b)
{
    int g = b.ji("初一");
    int c = b.ban("初一(1)班", g);
    int k = b.ke("语文");
    int t = b.tea("张老师");
    b.renke(t, c, k, 5);
}

int score(const Situation& c)
{
    SchoolBuilder b({1, 2, 3, 4, 5}, 4, 4, c.nig);
    c.build(b);
    auto school = b.load();
    scheduler::Engine e(school, c.opts);
    e.setKept(std::vector<std::uint8_t>(school.MaxBanID + 1, 0), {});
    scheduler::EngineProbe::setMinScore(e, 1);
    for (auto [r, s] : c.placed)
        scheduler::EngineProbe::place(e, r, s, 50);
    for (auto [b2, s] : c.removed)
        scheduler::EngineProbe::remove(e, b2, s);
    return e.PaiRank(c.renke, c.at);
}

}  // namespace

TEST(PaiRank, RulesOnSmallSituations)
{
    scheduler::PaiOptions noLian2;
    noLian2.noLian = 2;
    scheduler::PaiOptions align2;
    align2.align = 2;
    scheduler::PaiOptions concentrate;
    concentrate.teaDay = 1;

    const std::vector<Situation> cases = {
        {"first lesson, nothing around", plain, {}, 0, slot(1, 1), 86},
        {"fixed lesson on the slot", [](SchoolBuilder& b) { plain(b); b.gudin(1, 1, 1); }, {}, 0, slot(1, 1), 0},
        {"subject never here", [](SchoolBuilder& b) { plain(b); b.markKe(1, 1, 1, 2, 3); }, {}, 0, slot(1, 2), 0},
        {"teacher never here", [](SchoolBuilder& b) { plain(b); b.markTea(1, 2, 3, 3); }, {}, 0, slot(2, 3), 0},
        {"subject certainly here adds 1000",
         [](SchoolBuilder& b) { plain(b); b.markKe(1, 1, 1, 1, 2); }, {}, 0, slot(1, 1), 1086},
        {"subject and teacher prefer here add 20 each",
         [](SchoolBuilder& b) { plain(b); b.markKe(1, 1, 3, 2, 1); b.markTea(1, 3, 2, 1); }, {}, 0, slot(3, 2), 126},
        {"room limit 2 reached by two other classes",
         [](SchoolBuilder& b) {
             int g = b.ji("初一");
             for (int i = 1; i <= 3; ++i)
                 b.ban("班" + std::to_string(i), g);
             int k = b.ke("体育", 2);
             for (int i = 1; i <= 3; ++i)
                 b.renke(b.tea("体" + std::to_string(i)), i, k, 2);
         },
         {{1, slot(1, 1)}, {2, slot(1, 1)}}, 0, slot(1, 1), 0},
        {"room limit 2 with one other class",
         [](SchoolBuilder& b) {
             int g = b.ji("初一");
             for (int i = 1; i <= 3; ++i)
                 b.ban("班" + std::to_string(i), g);
             int k = b.ke("体育", 2);
             for (int i = 1; i <= 3; ++i)
                 b.renke(b.tea("体" + std::to_string(i)), i, k, 2);
         },
         {{1, slot(1, 1)}}, 0, slot(1, 1), 81},
        {"teacher busy in another class",
         [](SchoolBuilder& b) {
             plain(b);
             int c2 = b.ban("初一(2)班", 1);
             b.renke(1, c2, 1, 5);
         },
         {{1, slot(1, 1)}}, 0, slot(1, 1), 0},
        {"combined member may join the teacher's slot",
         [](SchoolBuilder& b) {
             int g = b.ji("初一");
             int c1 = b.ban("1班", g), c2 = b.ban("2班", g);
             int k = b.ke("音乐");
             int t = b.tea("王老师");
             b.renke(t, c1, k, 1, 1);
             b.renke(t, c2, k, 2, 1);
             b.renke(b.tea("李老师"), c2, b.ke("美术"), 1);
         },
         // Class 2 is busy when the group's first lesson goes in, so only class 1 gets it.
         {{2, slot(1, 1)}, {0, slot(1, 1)}}, 1, slot(1, 1), 1 + 10 + 50 + 20, {}, {{2, slot(1, 1)}}},
        {"exclusion partner teaching there",
         [](SchoolBuilder& b) {
             plain(b);
             int c2 = b.ban("初一(2)班", 1);
             int t2 = b.tea("李老师");
             b.renke(t2, c2, 1, 5);
             b.exclusion(1, 1, t2);
         },
         {{1, slot(2, 2)}}, 0, slot(2, 2), 0},
        {"period condition 2 on period 1: other periods wait",
         [](SchoolBuilder& b) { plain(b); b.jieOpt(1, 1, 2, 0, 1); }, {{0, slot(1, 1)}}, 0, slot(2, 3), 0},
        {"period condition 2 on period 1: period 1 open until two",
         [](SchoolBuilder& b) { plain(b); b.jieOpt(1, 1, 2, 0, 1); }, {{0, slot(1, 1)}}, 0, slot(3, 1), 96},
        {"period condition 2 on period 1: full after two",
         [](SchoolBuilder& b) { plain(b); b.jieOpt(1, 1, 2, 0, 1); }, {{0, slot(1, 1)}, {0, slot(2, 1)}}, 0,
         slot(3, 1), 0},
        {"period condition 2 on period 1: others open after two",
         [](SchoolBuilder& b) { plain(b); b.jieOpt(1, 1, 2, 0, 1); }, {{0, slot(1, 1)}, {0, slot(2, 1)}}, 0,
         slot(4, 6), 1 + 10 + 50 + 30 + 5},
        {"teacher day cap 1 reached",
         [](SchoolBuilder& b) { plain(b); b.dayOpt(1, 2, -1, 0, 0, 1); }, {{0, slot(2, 1)}}, 0, slot(2, 6), 0},
        {"double wanted: next to the single lesson",
         [](SchoolBuilder& b) { plain(b); b.ke("物理", 0, 1); b.renke(1, 1, 2, 4); }, {{1, slot(1, 2)}}, 1,
         slot(1, 3), 1 + 10 + 50 + 30 + 5},
        {"double wanted: the other side too",
         [](SchoolBuilder& b) { plain(b); b.ke("物理", 0, 1); b.renke(1, 1, 2, 4); }, {{1, slot(1, 2)}}, 1,
         slot(1, 1), 1 + 10 + 50 + 30 + 5},
        {"double wanted: elsewhere refused while the single waits",
         [](SchoolBuilder& b) { plain(b); b.ke("物理", 0, 1); b.renke(1, 1, 2, 4); }, {{1, slot(1, 2)}}, 1,
         slot(3, 2), 0},
        {"double formed: next to it refused",
         [](SchoolBuilder& b) { plain(b); b.ke("物理", 0, 1); b.renke(1, 1, 2, 4); },
         {{1, slot(1, 2)}, {1, slot(1, 3)}}, 1, slot(1, 4), 0},
        {"double formed: away from it allowed",
         [](SchoolBuilder& b) { plain(b); b.ke("物理", 0, 1); b.renke(1, 1, 2, 4); },
         {{1, slot(1, 2)}, {1, slot(1, 3)}}, 1, slot(4, 6), 1 + 50 + 30 + 5},
        {"single that can never pair does not block (evening period alone)",
         [](SchoolBuilder& b) {
             int g = b.ji("高三");
             int c = b.ban("高三(1)班", g);
             int k = b.ke("物理", 0, 1);
             b.renke(b.tea("赵老师"), c, k, 4);
         },
         {{0, 9}}, 0, 29, 1 + 50 + 30 + 5, {}, {}, 1},
        {"every lesson needed for the double: not where it could never pair",
         [](SchoolBuilder& b) {
             int g = b.ji("高三");
             int c = b.ban("高三(1)班", g);
             int k = b.ke("物理", 0, 1);
             b.renke(b.tea("赵老师"), c, k, 2);
         },
         {}, 0, 9, 0, {}, {}, 1},
        {"lessons to spare: a single may stand where it cannot pair",
         [](SchoolBuilder& b) {
             int g = b.ji("高三");
             int c = b.ban("高三(1)班", g);
             int k = b.ke("物理", 0, 1);
             b.renke(b.tea("赵老师"), c, k, 3);
         },
         {}, 0, 9, 1 + 50 + 20 + 5, {}, {}, 1},
        {"single between two fixed lessons does not block",
         [](SchoolBuilder& b) {
             plain(b);
             b.ke("物理", 0, 1);
             b.renke(1, 1, 2, 4);
             b.gudin(1, 2, 1);
             b.gudin(1, 2, 3);
         },
         {{1, slot(2, 2)}}, 1, slot(4, 6), 1 + 50 + 30 + 5},
        {"no doubles wanted, never: right after the subject",
         plain, {{0, slot(1, 2)}}, 0, slot(1, 3), 0, noLian2},
        {"no doubles wanted, never: across the noon break is fine",
         plain, {{0, slot(1, 4)}}, 0, slot(1, 5), 1 + 10 + 50 + 10, noLian2},
        {"no doubles wanted, as far as possible: allowed without the 10",
         plain, {{0, slot(1, 2)}}, 0, slot(1, 3), 1 + 50},
        {"teacher concentrates: same half-day adds 10",
         plain, {{0, slot(2, 1)}}, 0, slot(2, 3), 1 + 10 + 50 + 10, concentrate},
        {"teacher spreads: other half-day adds 10",
         plain, {{0, slot(2, 1)}}, 0, slot(2, 6), 1 + 10 + 50 + 10},
        {"strict alignment: two ahead of a finished parallel class is refused",
         [](SchoolBuilder& b) {
             int g = b.ji("初一");
             int c1 = b.ban("1班", g), c2 = b.ban("2班", g);
             int k = b.ke("数学");
             b.renke(b.tea("甲"), c1, k, 2);
             b.renke(b.tea("乙"), c2, k, 2);
         },
         {{1, slot(4, 1)}, {1, slot(5, 1)}, {0, slot(1, 1)}}, 0, slot(2, 1), 0, align2},
        {"strict alignment: in step is rewarded",
         [](SchoolBuilder& b) {
             int g = b.ji("初一");
             int c1 = b.ban("1班", g), c2 = b.ban("2班", g);
             int k = b.ke("数学");
             b.renke(b.tea("甲"), c1, k, 2);
             b.renke(b.tea("乙"), c2, k, 2);
         },
         {{1, slot(1, 1)}, {1, slot(3, 1)}, {0, slot(1, 2)}}, 0, slot(4, 1), 1 + 10 + 50 + 30, align2},
    };
    for (const auto& c : cases)
        EXPECT_EQ(score(c), c.expected) << c.what;
}

TEST(PaiRank, FirstLessonOfAnOnlyAssignmentScoresAtLeast71Anywhere)
{
    SchoolBuilder b;
    plain(b);
    b.markTea(1, 1, 1, 3);
    auto school = b.load();
    scheduler::Engine e(school, {});
    e.setKept(std::vector<std::uint8_t>(school.MaxBanID + 1, 0), {});
    for (int s = 1; s <= school.N(); ++s) {
        int v = e.PaiRank(0, s);
        if (v != 0) {
            EXPECT_GE(v, 71) << s;
        }
    }
    EXPECT_EQ(e.PaiRank(0, 1), 0);
}

namespace {

// A school with a bit of everything, random in its details.
model::School randomSchool(SchoolBuilder& b, std::mt19937& rng)
{
    auto pick = [&](int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(rng); };
    int g1 = b.ji("初一"), g2 = b.ji("初二");
    std::vector<int> bans;
    for (int i = 0; i < 4; ++i)
        bans.push_back(b.ban("班" + std::to_string(i + 1), i < 2 ? g1 : g2));
    std::vector<int> kes = {b.ke("语文"), b.ke("数学", 0, 1), b.ke("体育", 2), b.ke("物理", 0, 2), b.ke("音乐")};
    std::vector<int> teas;
    for (int i = 0; i < 6; ++i)
        teas.push_back(b.tea("师" + std::to_string(i + 1)));
    for (int c : bans)
        for (int k : {kes[0], kes[1], kes[2], kes[3]})
            b.renke(teas[pick(0, 4)], c, k, pick(2, 5));
    b.renke(teas[5], bans[0], kes[4], 2, 1);
    b.renke(teas[5], bans[1], kes[4], 2, 1);
    for (int i = 0; i < 6; ++i)
        b.markTea(teas[pick(0, 5)], pick(1, 5), pick(1, 8), pick(1, 3));
    for (int i = 0; i < 6; ++i)
        b.markKe(kes[pick(0, 3)], bans[pick(0, 3)], pick(1, 5), pick(1, 8), pick(1, 3));
    b.gudin(bans[0], 5, 8);
    b.gudin(bans[2], 1, 4);
    b.jieOpt(1, pick(1, 8), pick(-2, 2) | 1, 0, kes[0]);
    b.jieOpt(2, pick(1, 8), -2, bans[1], kes[1]);
    b.jieOpt(3, pick(1, 8), pick(1, 2), 0, 0, teas[1]);
    b.dayOpt(1, pick(1, 5), -2, 0, kes[3]);
    b.dayOpt(2, pick(1, 5), 1, 0, 0, teas[2]);
    b.exclusion(1, teas[3], teas[4]);
    return b.load();
}

}  // namespace

TEST(PaiRank, IncrementalCountsAgreeWithTheRuleByRuleScore)
{
    for (unsigned seed = 1; seed <= 12; ++seed) {
        std::mt19937 rng(seed);
        SchoolBuilder b;
        auto school = randomSchool(b, rng);
        scheduler::PaiOptions o;
        o.align = 1 + seed % 2;
        o.teaDay = 1 + seed % 3;
        o.noLian = 1 + (seed / 2) % 2;
        const int minScore = o.minScore();
        scheduler::Engine e(school, o);
        std::vector<std::uint8_t> keep(school.MaxBanID + 1, 0);
        keep[4] = seed % 3 == 0;  // sometimes a kept class
        e.setKept(keep, {});
        const int N = school.N();
        for (int step = 0; step < 120; ++step) {
            // Mostly places where the reference allows, sometimes takes a lesson off.
            int r = std::uniform_int_distribution<int>(0, school.RenKeNum - 1)(rng);
            int s = std::uniform_int_distribution<int>(1, N)(rng);
            const auto& g = e.grids();
            int C = school.RenkeBan[r];
            if (step % 7 == 6 && g.Renke_B(C, s) >= 0) {
                scheduler::EngineProbe::remove(e, C, s);
            } else if (g.Renke_B(C, s) < 0 && g.RenkePlaced[r] < school.RenkeJieshu[r] &&
                       tavrin::testing::referenceRank(school, g, keep, o, 1, r, s) > 0) {
                scheduler::EngineProbe::place(e, r, s, 40);
            }
            ASSERT_TRUE(scheduler::EngineProbe::countsConsistent(e)) << "seed " << seed << " step " << step;
            if (step % 10 != 9)
                continue;
            for (int R = 0; R < school.RenKeNum; ++R)
                for (int J = 1; J <= N; ++J) {
                    if (e.grids().Renke_B(school.RenkeBan[R], J) >= 0)
                        continue;
                    ASSERT_EQ(e.PaiRank(R, J), tavrin::testing::referenceRank(school, e.grids(), keep, o, minScore, R, J))
                        << "seed " << seed << " step " << step << " renke " << R << " slot " << J;
                }
        }
    }
}
