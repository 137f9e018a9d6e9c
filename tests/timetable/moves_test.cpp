// Hand editing: the marks and hints of every kind of drag, the exchanges, placements and
// parking as steps, combined lessons moving as one, the ring of undo and redo, and the
// locked timetables that undo and redo must leave alone.
#include <gtest/gtest.h>

#include <functional>
#include <random>
#include <set>

#include "support/fixture.h"
#include "support/kbgrids.h"
#include "timetable/checker.h"
#include "timetable/kbdocument.h"
#include "timetable/moves.h"

using namespace tavrin;
using namespace tavrin::timetable;
using tavrin::testing::smallSchool;
using tavrin::testing::smallTimetable;

namespace {

using Setup = std::function<void(model::School&, model::Grids&)>;

// The small school: slots 1..4 Monday, 5..8 Tuesday (periods 1..4).
//   class 1: 1 r0 张语, 3 4 r2 李体 (combined with class 2), 5 7 r0
//   class 2: 2 6 8 r1 张语, 3 4 r3
//   class 3: 1 5 r4 王语, 2 r5 李体
void startDoc(KbDocument& doc, const Setup& setup = {})
{
    model::School s = smallSchool();
    model::Grids g = smallTimetable(s);
    if (setup)
        setup(s, g);
    doc.start(std::move(s), std::move(g));
}

// Moves one lesson of r4 (王 语文, class 3) off slot 5 into the holding area.
void holdR4(model::School&, model::Grids& g)
{
    g.Renke_B(3, 5) = -1;
    g.Renke_T(3, 5) = -1;
    g.RenkePlaced[4] = 1;
}

// r5 (class 3 体育) taught by 王 instead of 李.
void r5ToWang(model::School& s, model::Grids& g)
{
    s.RenkeTea[5] = 3;
    g.Renke_T(2, 2) = -1;
    g.Renke_T(3, 2) = 5;
}

struct MarkCase {
    const char* name;
    Setup setup;
    char page;  // 'B' class move, 'b' class placement, 'T' teacher move, 't' teacher placement
    int id, source, target;
    int mark;
    std::string hint;
    bool locked = false;
};

MoveMarks classify(const KbData& kb, const MarkCase& c)
{
    switch (c.page) {
    case 'B':
        return ShowMvKe_B(kb, c.id, c.source);
    case 'b':
        return ShowAddKe_B(kb, c.id, c.source);
    case 'T':
        return ShowMvKe_T(kb, c.id, c.source);
    default:
        return ShowAddKe_T(kb, c.id, c.source);
    }
}

std::vector<std::string> lines(const std::vector<Violation>& v)
{
    std::vector<std::string> out;
    for (const auto& x : v)
        out.push_back(x.kind + ":" + x.text);
    return out;
}

model::Grids current(const KbData& kb)
{
    return tavrin::testing::editedGrids(kb);
}

std::set<std::string> breaches(const KbData& kb)
{
    auto v = lines(checkTimetable(kb.school, current(kb)));
    return {v.begin(), v.end()};
}

}  // namespace

TEST(MoveMarks, EveryCheckGivesItsMarkAndText)
{
    const std::vector<MarkCase> cases = {
        {"teacher busy", {}, 'B', 1, 1, 2, MarkRefused, "张老师在星期一第2节有课。"},
        {"swap", {}, 'B', 3, 1, 2, MarkOk, "与体育调换。"},
        {"empty target", {}, 'B', 3, 1, 3, MarkOk, ""},
        {"fixed lesson", [](model::School& s, model::Grids&) { s.GudinKe(3, 3) = "班会"; }, 'B', 3, 1, 3,
         MarkRefused, "固定课"},
        {"same assignment", {}, 'B', 1, 1, 5, MarkSame, "同一任课，不需调动。"},
        {"tears a combined lesson", {}, 'B', 1, 1, 3, MarkRefused, "会拆散李老师的合班课，不能调。"},
        {"locked teacher at the target", [](model::School& s, model::Grids&) { s.TeaLocked[3] = 1; }, 'B', 3, 2, 1,
         MarkSource, "", true},
        {"room limit reached by two other classes",
         [](model::School& s, model::Grids& g) {
             r5ToWang(s, g);
             s.KemuMaxJie[2] = 2;
         },
         'B', 3, 2, 3, MarkWarn, "体育全校同时上课会超出2节。"},
        {"room limit not reached",
         [](model::School& s, model::Grids& g) {
             r5ToWang(s, g);
             s.KemuMaxJie[2] = 3;
         },
         'B', 3, 2, 3, MarkOk, ""},
        {"subject and teacher never there",
         [](model::School& s, model::Grids&) {
             s.TeshuKe(1, 3, 1, 3) = model::MarkNever;
             s.TeshuTea(3, 1, 3) = model::MarkNever;
         },
         'B', 3, 1, 3, MarkWarn, "语文在星期一第3节设置为“不排”；\n王老师在星期一第3节设置为“不排”。"},
        {"a certain lesson leaves its slot",
         [](model::School& s, model::Grids&) { s.TeshuTea(3, 1, 1) = model::MarkCertain; }, 'B', 3, 1, 3, MarkWarn,
         "王老师在该节的课被设置为“一定排”，最好不要随便移动。"},
        {"a placement is not leaving a certain slot",
         [](model::School& s, model::Grids& g) {
             holdR4(s, g);
             s.TeshuTea(3, 2, 1) = model::MarkCertain;
         },
         't', 3, 4, 5, MarkOk, ""},
        {"period limit of every class",
         [](model::School& s, model::Grids& g) {
             holdR4(s, g);
             s.opt.JieOptBK(0, 1, 1) = -1;
         },
         'b', 3, 4, 5, MarkWarn, "语文在第1节上设置了限制。"},
        {"teacher's day limit by weekday",
         [](model::School& s, model::Grids& g) {
             holdR4(s, g);
             s.DayToWeek = {0, 2, 3, 0, 0, 0, 0, 0};
             s.opt.DayOptT(3, 2) = -1;
         },
         'b', 3, 4, 3, MarkWarn, "王老师在星期二上设置了限制。"},
        {"exclusive partner teaching", [](model::School& s, model::Grids&) { s.opt.TeaExclusive[3] = 1; }, 'B', 3, 1,
         2, MarkWarn, "与张老师老师互斥，该老师此节课正好有课。"},
        {"held lesson on an occupied cell", holdR4, 'b', 3, 4, 2, MarkOk, "与体育调换。"},
        {"held member joins its partner",
         [](model::School&, model::Grids& g) {
             g.Renke_B(1, 4) = -1;
             g.RenkePlaced[2] = 1;
         },
         'b', 1, 2, 4, MarkOk, ""},
        {"held member's teacher elsewhere",
         [](model::School&, model::Grids& g) {
             g.Renke_B(1, 4) = -1;
             g.RenkePlaced[2] = 1;
         },
         'b', 1, 2, 2, MarkRefused, "李老师在星期一第2节有课；\n会拆散李老师的合班课，不能调。"},
        {"partner class's fixed lesson",
         [](model::School& s, model::Grids& g) {
             for (int slot : {3, 4}) {
                 g.Renke_B(1, slot) = g.Renke_B(2, slot) = g.Renke_T(2, slot) = -1;
             }
             g.RenkePlaced[2] = g.RenkePlaced[3] = 0;
             s.GudinKe(2, 7) = "班会";
         },
         'b', 1, 2, 7, MarkRefused, "相关位置在一(2)班中被设为班会，无法移动。"},
        {"teacher exchange across classes", {}, 'T', 1, 1, 2, MarkOk, "与一(2)班语文调换。"},
        {"teacher page moves a combined lesson whole", {}, 'T', 2, 3, 1, MarkOk, ""},
        {"teacher exchange touching another teacher",
         [](model::School&, model::Grids& g) {
             g.Renke_B(1, 4) = 0;
             g.Renke_B(1, 5) = 2;
             g.Renke_B(2, 4) = -1;
             g.Renke_B(2, 5) = 3;
             g.Renke_T(1, 4) = 0;
             g.Renke_T(1, 5) = -1;
             g.Renke_T(2, 4) = -1;
             g.Renke_T(2, 5) = 3;
         },
         'T', 3, 5, 2, MarkRefused, "会影响到李老师其它班的课，不能调。"},
        {"teacher exchange into a locked class", [](model::School& s, model::Grids&) { s.BanLocked[2] = 1; }, 'T', 1,
         1, 2, MarkSource, "", true},
        {"teacher exchange out of a locked class", [](model::School& s, model::Grids&) { s.BanLocked[1] = 1; }, 'T', 1,
         1, 2, MarkRefused, "会影响已锁定的一(1)班。"},
        {"teacher placement over another teacher", holdR4, 't', 3, 4, 2, MarkRefused,
         "此位置已被李老师占用，不能调，请先调好李老师的课。"},
        {"teacher placement over the teacher's other subject in that class",
         [](model::School& s, model::Grids& g) {
             s.RenkeTea[4] = 2;
             for (int slot : {1, 5}) {
                 g.Renke_T(3, slot) = -1;
                 g.Renke_T(2, slot) = 4;
             }
             g.Renke_B(3, 2) = -1;
             g.Renke_T(2, 2) = -1;
             g.RenkePlaced[5] = 0;
         },
         't', 2, 5, 1, MarkOk, "与二(1)班语文调换。"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        KbDocument doc;
        startDoc(doc, c.setup);
        const MoveMarks m = classify(doc.data(), c);
        ASSERT_EQ(m.mark.size(), 9u);
        EXPECT_EQ(m.mark[c.target], c.mark);
        EXPECT_EQ(m.hint[c.target], c.hint);
        EXPECT_EQ(m.locked[c.target] != 0, c.locked);
    }
}

TEST(MoveMarks, TextsEndAsTheHintShowsThem)
{
    EXPECT_EQ(closeHint(""), "");
    EXPECT_EQ(closeHint("甲；\n乙；\n"), "甲；\n乙。");
    EXPECT_EQ(closeHint("与张老师互斥。\n"), "与张老师互斥。");
    KbDocument doc;
    startDoc(doc, [](model::School& s, model::Grids&) { s.TeshuTea(3, 1, 1) = model::MarkCertain; });
    // Leaving for the holding area only asks about the slot left.
    EXPECT_EQ(TestMovR(doc.data(), 4, 1, 0), "王老师在该节的课被设置为“一定排”，最好不要随便移动；\n");
    EXPECT_EQ(TestMovR(doc.data(), 4, 0, 1), "");
    EXPECT_EQ(BanToJ(doc.data(), 1, 0, 2), "张老师在星期一第2节有课；\n");
    EXPECT_EQ(BanToJ(doc.data(), 2, 0, 2), "");
}

TEST(MoveMarks, BadArgumentsGiveNoMarksAndNoReadOutsideTheGrids)
{
    KbDocument doc;
    startDoc(doc);
    const KbData& kb = doc.data();
    for (const MoveMarks& m : {ShowMvKe_B(kb, 0, 1), ShowMvKe_B(kb, 4, 1), ShowMvKe_B(kb, 1, 0), ShowMvKe_B(kb, 1, 9),
                               ShowMvKe_B(kb, 1, 2), ShowMvKe_T(kb, 4, 1), ShowAddKe_B(kb, 1, 99),
                               ShowAddKe_B(kb, 2, 0), ShowAddKe_T(kb, 2, 0)})
        for (int mark : m.mark)
            EXPECT_EQ(mark, 0);
}

TEST(MoveOps, ClassExchangeWritesBothGridsAsOneStep)
{
    KbDocument doc;
    startDoc(doc);
    const model::Grids before = current(doc.data());
    const MoveOutcome o = ChnBanJ(doc, 3, 1, 2, false);
    ASSERT_TRUE(o.result.ok) << o.result.message;
    const KbData& kb = doc.data();
    EXPECT_EQ(kb.cellB(3, 1), 5);
    EXPECT_EQ(kb.cellB(3, 2), 4);
    EXPECT_EQ(kb.cellT(3, 2), 4);
    EXPECT_EQ(kb.cellT(3, 1), -1);
    EXPECT_EQ(kb.cellT(2, 1), 5);
    EXPECT_EQ(kb.cellT(2, 2), -1);
    EXPECT_EQ(o.change.record, banPage(3));
    EXPECT_EQ(o.change.slots, (std::vector<int>{1, 2}));
    EXPECT_EQ(o.change.bans, (std::vector<int>{3}));
    EXPECT_EQ(o.change.teas, (std::vector<int>{2, 3}));
    EXPECT_TRUE(breaches(kb).empty());
    ASSERT_TRUE(doc.undo());
    EXPECT_EQ(current(doc.data()), before);
}

TEST(MoveOps, RefusalsChangeNothingAndOpenNoStep)
{
    struct Case {
        const char* name;
        std::function<MoveOutcome(KbDocument&)> op;
        std::string message;
    };
    const std::vector<Case> cases = {
        {"teacher busy", [](KbDocument& d) { return ChnBanJ(d, 1, 1, 2, true); }, "张老师在星期一第2节有课。"},
        {"empty source", [](KbDocument& d) { return ChnBanJ(d, 1, 2, 6, true); }, "源位置没有课。"},
        {"source is target", [](KbDocument& d) { return ChnBanJ(d, 3, 1, 1, true); }, "源位置与目标位置相同。"},
        {"class 0", [](KbDocument& d) { return ChnBanJ(d, 0, 1, 2, true); }, "没有这个班级。"},
        {"slot N + 1", [](KbDocument& d) { return ChnBanJ(d, 3, 1, 9, true); }, "没有这个课时。"},
        {"teacher past the last", [](KbDocument& d) { return ChnTeaJ(d, 4, 1, 2, true); }, "没有这个教师。"},
        {"fully placed held lesson", [](KbDocument& d) { return ChnBanJ_Tmp(d, 3, 4, 3, true); },
         "这门课已全部排好，没有待排的课。"},
        {"same assignment", [](KbDocument& d) { return ChnBanJ(d, 1, 1, 5, true); }, "同一任课，不需调动。"},
        {"warning unconfirmed",
         [](KbDocument& d) { return ChnBanJ(d, 3, 1, 2, false); },
         "真的要调课？"},
        {"locked source", [](KbDocument& d) { return MvKbToTmp(d, KbSide::Ban, 1, 3); }, "会影响已锁定的李老师。"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        KbDocument doc;
        startDoc(doc, [&](model::School& s, model::Grids&) {
            s.opt.TeaExclusive[3] = 1;
            if (std::string(c.name) == "locked source")
                s.TeaLocked[2] = 1;
        });
        const model::Grids before = current(doc.data());
        const MoveOutcome o = c.op(doc);
        EXPECT_FALSE(o.result.ok);
        EXPECT_EQ(o.result.message, c.message);
        EXPECT_EQ(current(doc.data()), before);
        EXPECT_FALSE(doc.canUndo());
    }
}

TEST(MoveOps, WarningsGoThroughWhenConfirmed)
{
    KbDocument doc;
    startDoc(doc, [](model::School& s, model::Grids&) { s.opt.TeaExclusive[3] = 1; });
    EXPECT_EQ(ShowMvKe_B(doc.data(), 3, 1).mark[2], MarkWarn);
    EXPECT_TRUE(ChnBanJ(doc, 3, 1, 2, true).result.ok);
    EXPECT_TRUE(doc.canUndo());
}

TEST(MoveOps, CombinedLessonParksAndReturnsWhole)
{
    KbDocument doc;
    startDoc(doc);
    const MoveOutcome park = MvKbToTmp(doc, KbSide::Ban, 1, 3);
    ASSERT_TRUE(park.result.ok) << park.result.message;
    const KbData& kb = doc.data();
    EXPECT_EQ(park.displaced, 2);
    EXPECT_EQ(kb.cellB(1, 3), -1);
    EXPECT_EQ(kb.cellB(2, 3), -1);
    EXPECT_EQ(kb.cellT(2, 3), -1);
    EXPECT_EQ(kb.placed()[2], 1);
    EXPECT_EQ(kb.placed()[3], 1);
    EXPECT_TRUE(breaches(kb).empty());

    // Placing class 1's share brings class 2's back with it.
    const MoveOutcome back = ChnBanJ_Tmp(doc, 1, 2, 3, false);
    ASSERT_TRUE(back.result.ok) << back.result.message;
    EXPECT_EQ(kb.cellB(1, 3), 2);
    EXPECT_EQ(kb.cellB(2, 3), 3);
    EXPECT_GE(kb.cellT(2, 3), 2);
    EXPECT_EQ(kb.placed()[2], 2);
    EXPECT_EQ(kb.placed()[3], 2);
    EXPECT_TRUE(breaches(kb).empty());
}

TEST(MoveOps, TeacherPageMovesCombinedLessonWhole)
{
    KbDocument doc;
    startDoc(doc);
    const MoveOutcome o = ChnTeaJ(doc, 2, 3, 1, false);
    ASSERT_TRUE(o.result.ok) << o.result.message;
    const KbData& kb = doc.data();
    EXPECT_EQ(kb.cellB(1, 1), 2);
    EXPECT_EQ(kb.cellB(2, 1), 3);
    EXPECT_EQ(kb.cellB(1, 3), 0);
    EXPECT_EQ(kb.cellB(2, 3), -1);
    EXPECT_EQ(kb.cellT(1, 3), 0);
    EXPECT_EQ(kb.cellT(1, 1), -1);
    EXPECT_TRUE(breaches(kb).empty());
}

TEST(MoveOps, TeacherPlacementDisplacesTheOccupant)
{
    KbDocument doc;
    startDoc(doc, [](model::School& s, model::Grids& g) {
        s.RenkeTea[4] = 2;
        for (int slot : {1, 5}) {
            g.Renke_T(3, slot) = -1;
            g.Renke_T(2, slot) = 4;
        }
        g.Renke_B(3, 2) = -1;
        g.Renke_T(2, 2) = -1;
        g.RenkePlaced[5] = 0;
    });
    const MoveOutcome o = ChnTeaJ_Tmp(doc, 2, 5, 1, false);
    ASSERT_TRUE(o.result.ok) << o.result.message;
    const KbData& kb = doc.data();
    EXPECT_EQ(o.displaced, 4);
    EXPECT_EQ(kb.cellB(3, 1), 5);
    EXPECT_EQ(kb.cellT(2, 1), 5);
    EXPECT_EQ(kb.placed()[4], 1);
    EXPECT_EQ(kb.placed()[5], 1);
    EXPECT_EQ(o.change.record, teaPage(2));
}

// A locked timetable stays out of undo and redo too: the step waits for the unlock.
TEST(MoveRing, UndoAndRedoLeaveLockedTimetablesAlone)
{
    KbDocument doc;
    startDoc(doc);
    ASSERT_TRUE(ChnBanJ(doc, 3, 1, 2, false).result.ok);
    const model::Grids after = current(doc.data());
    doc.setTeaLocked(3, true);
    EXPECT_TRUE(doc.canUndo());
    EXPECT_EQ(doc.undoRefusal(), "会影响已锁定的王老师。");
    EXPECT_FALSE(doc.undo());
    EXPECT_EQ(current(doc.data()), after);
    doc.setBanLocked(3, true);
    EXPECT_EQ(doc.undoRefusal(), "会影响已锁定的二(1)班。");
    doc.setBanLocked(3, false);
    doc.setTeaLocked(3, false);
    ASSERT_TRUE(doc.undo());
    EXPECT_EQ(doc.data().cellB(3, 1), 4);
    doc.setBanLocked(3, true);
    EXPECT_EQ(doc.redoRefusal(), "会影响已锁定的二(1)班。");
    EXPECT_FALSE(doc.redo());
    doc.setBanLocked(3, false);
    ASSERT_TRUE(doc.redo());
    EXPECT_EQ(current(doc.data()), after);
    // A lock on a row the step does not touch does not stand in the way.
    doc.setBanLocked(1, true);
    EXPECT_EQ(doc.undoRefusal(), "");
    EXPECT_TRUE(doc.undo());
}

namespace {

// The state of a ring test: step k writes k into class 1's slot 1.
int mark(const KbDocument& doc) { return doc.data().cellB(1, 1); }
void step(KbDocument& doc, int k)
{
    doc.apply(banPage(1), [k](KbDocument::Snapshot& now, const KbDocument::Before&) { now.B(1, 1) = k; });
}

// The ring as a plain list: at most 101 states and a cursor.
struct RefRing {
    std::vector<int> states;
    std::size_t cur = 0;
    void stepTo(int v)
    {
        states.resize(cur + 1);
        states.push_back(v);
        if (states.size() > 101)
            states.erase(states.begin());
        cur = states.size() - 1;
    }
    bool canUndo() const { return cur > 0; }
    bool canRedo() const { return cur + 1 < states.size(); }
};

}  // namespace

TEST(MoveRing, AvailabilityFollowsTheSteps)
{
    KbDocument doc;
    startDoc(doc);
    const int first = mark(doc);
    EXPECT_FALSE(doc.canUndo());
    EXPECT_FALSE(doc.canRedo());
    EXPECT_FALSE(doc.undo());
    EXPECT_FALSE(doc.redo());
    step(doc, 100);
    ASSERT_TRUE(doc.undo());
    EXPECT_EQ(mark(doc), first);
    ASSERT_TRUE(doc.redo());
    EXPECT_EQ(mark(doc), 100);
    EXPECT_FALSE(doc.canRedo());
    step(doc, 101);
    ASSERT_TRUE(doc.undo());
    ASSERT_TRUE(doc.undo());
    step(doc, 102);
    EXPECT_FALSE(doc.canRedo());
    ASSERT_TRUE(doc.undo());
    EXPECT_EQ(mark(doc), first);
    EXPECT_FALSE(doc.canUndo());

    for (int steps : {101, 250}) {
        KbDocument d;
        startDoc(d);
        for (int k = 1; k <= steps; ++k)
            step(d, 1000 + k);
        int undos = 0;
        while (d.undo())
            ++undos;
        EXPECT_EQ(undos, 100) << steps;
        EXPECT_EQ(mark(d), 1000 + steps - 100);
        int redos = 0;
        while (d.redo())
            ++redos;
        EXPECT_EQ(redos, 100);
        EXPECT_EQ(mark(d), 1000 + steps);
        step(d, 7);
        EXPECT_FALSE(d.canRedo());
        EXPECT_TRUE(d.undo());
        EXPECT_EQ(mark(d), 1000 + steps);
    }
}

TEST(MoveRing, MatchesAPlainListOfStates)
{
    for (unsigned seed : {1u, 2u, 3u, 4u}) {
        SCOPED_TRACE(seed);
        std::mt19937 rng(seed);
        KbDocument doc;
        startDoc(doc);
        RefRing ref{{mark(doc)}, 0};
        int next = 1;
        for (int op = 0; op < 3000; ++op) {
            const int what = static_cast<int>(rng() % 10);
            if (what == 0) {  // a burst around the ring's size
                const int n = 99 + static_cast<int>(rng() % 4);
                for (int k = 0; k < n; ++k) {
                    step(doc, next);
                    ref.stepTo(next++);
                }
            } else if (what < 4) {
                step(doc, next);
                ref.stepTo(next++);
            } else if (what < 7) {
                const bool did = doc.undo().has_value();
                ASSERT_EQ(did, ref.canUndo()) << "op " << op;
                if (did)
                    --ref.cur;
            } else {
                const bool did = doc.redo().has_value();
                ASSERT_EQ(did, ref.canRedo()) << "op " << op;
                if (did)
                    ++ref.cur;
            }
            ASSERT_EQ(doc.canUndo(), ref.canUndo()) << "op " << op;
            ASSERT_EQ(doc.canRedo(), ref.canRedo()) << "op " << op;
            ASSERT_EQ(mark(doc), ref.states[ref.cur]) << "op " << op;
        }
    }
}
