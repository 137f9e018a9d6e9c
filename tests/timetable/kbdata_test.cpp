// The timetable step's state: the load into the baseline and snapshot 0, the save back into
// kechenbd and the locks, the release, the layout setting.
#include <gtest/gtest.h>

#include <tuple>

#include "app/home.h"
#include "users/users.h"
#include "model/loaders.h"
#include "support/testutil.h"
#include "timetable/kbdata.h"
#include "timetable/kbdocument.h"

namespace tavrin::timetable {
namespace {

using tavrin::testing::TempDir;

// Tuesday to Saturday, 2 + 2 periods (slot = (day number - 1) * 4 + period); classes 1, 2;
// 张老师 teaches 语文 to both, 李老师 体育 to both as one combined lesson, 王老师 数学 to class 2.
class StepData : public ::testing::Test {
protected:
    TempDir dir;
    std::unique_ptr<store::Store> st;

    void SetUp() override
    {
        auto file = dir / "t.dat";
        ASSERT_TRUE(users::initDatabase(file));
        st = std::make_unique<store::Store>(file);
        st->transaction([&] {
            st->run("INSERT INTO jibd(jiid, jiname) VALUES(1, '初一')");
            st->run("INSERT INTO banbd(banid, banname, jiid, islock) VALUES(1, '初一(1)班', 1, 0), (2, '初一(2)班', 1, 0)");
            for (int w = 2; w <= 6; ++w)
                st->run("INSERT INTO daybd(dayid, dayname) VALUES(?1, '')", w);
            st->run("DELETE FROM jieshu");
            st->run("INSERT INTO jieshu(mor, aft, nig) VALUES(2, 2, 0)");
            st->run("INSERT INTO kemubd(kemuid, kemuname, kemuname2, maxjie, lianpai) VALUES(1, '语文', '语', 0, 0),"
                    " (2, '体育', '体', 0, 0), (3, '数学', '数', 0, 0)");
            st->run("INSERT INTO kemujieshu(kemuid, banid, jieshu) VALUES(1, 1, 5), (1, 2, 5), (2, 1, 2), (2, 2, 2), (3, 2, 3)");
            st->run("INSERT INTO teabd(teaid, teaname, teaname2, islock) VALUES(1, '张老师', '张', 0), (2, '李老师', '李', 0),"
                    " (3, '王老师', '王', 0)");
            st->run("INSERT INTO renkebd(difid, teaid, banid, keid, jieshu, heban) VALUES"
                    " (0, 1, 1, 1, 5, 0), (1, 1, 2, 1, 5, 0), (2, 2, 1, 2, 2, 1), (3, 2, 2, 2, 2, 1), (4, 3, 2, 3, 3, 0)");
        });
    }

    void lesson(int weekday, int jie, int ban, int tea, int ke, int teshu = 0)
    {
        st->run("INSERT INTO kechenbd(kechenid, theday, thejie, theban, thetea, theke, teshu) "
                "VALUES((SELECT count(*) + 1 FROM kechenbd), ?1, ?2, ?3, ?4, ?5, ?6)",
                weekday, jie, ban, tea, ke, teshu);
    }

    // kechenbd as (kechenid, theday, thejie, theban, thetea, theke, teshu), by kechenid.
    using Row = std::tuple<int, int, int, int, int, int, int>;
    std::vector<Row> stored()
    {
        std::vector<Row> out;
        auto q = st->prepare("SELECT kechenid, theday, thejie, theban, thetea, theke, teshu FROM kechenbd ORDER BY kechenid");
        while (q.step())
            out.emplace_back(q.integer(0), q.integer(1), q.integer(2), q.integer(3), q.integer(4), q.integer(5), q.integer(6));
        return out;
    }
    int lock(const char* table, const char* idColumn, int id)
    {
        std::string sql = std::string("SELECT islock FROM ") + table + " WHERE " + idColumn + " = ?1";  // fixed names
        return static_cast<int>(st->scalar(sql, id));
    }
};

TEST_F(StepData, CombinedLessonIsHeldByBothClassesAndSavedOncePerClass)
{
    // Friday (day 4) period 1: 王老师's 数学 in class 2. Thursday (day 3) period 3:
    // 李老师's 体育 with both classes, written as two rows.
    lesson(5, 1, 2, 3, 3, 1020);
    lesson(4, 3, 1, 2, 2, 7);
    lesson(4, 3, 2, 2, 2, 7);
    KbData kb;
    LoadKbData(*st, kb);
    ASSERT_TRUE(kb.loaded);
    const model::School& s = kb.school;
    const int combined = model::slotOf(3, 3, 4), friday = model::slotOf(4, 1, 4);
    const int r1 = s.btk(1, 2, 2), r2 = s.btk(2, 2, 2), math = s.btk(2, 3, 3);
    EXPECT_EQ(kb.cellB(1, combined), r1);
    EXPECT_EQ(kb.cellB(2, combined), r2);
    EXPECT_EQ(kb.cellT(2, combined), r2);  // the member written last
    EXPECT_EQ(kb.cellB(2, friday), math);
    EXPECT_EQ(kb.placed()[static_cast<std::size_t>(r1)], 1);
    EXPECT_EQ(kb.placed()[static_cast<std::size_t>(r2)], 1);
    EXPECT_EQ(kb.unplaced(r1), 1);
    EXPECT_EQ(kb.unplaced(math), 2);

    EXPECT_TRUE(SaveKbData(*st, kb));
    // Class 1 first, then class 2 by slot; the editor's rows carry no score.
    EXPECT_EQ(stored(), (std::vector<Row>{{1, 4, 3, 1, 2, 2, 0}, {2, 4, 3, 2, 2, 2, 0}, {3, 5, 1, 2, 3, 3, 0}}));

    // What was saved loads again into the same grids.
    KbData again;
    LoadKbData(*st, again);
    EXPECT_EQ(again.base.Renke_B, kb.base.Renke_B);
    EXPECT_EQ(again.base.Renke_T, kb.base.Renke_T);
    EXPECT_EQ(again.base.RenkePlaced, kb.base.RenkePlaced);
}

TEST_F(StepData, SnapshotZeroIsTheLoadedTimetableAndTheRingIsAllocatedOnce)
{
    lesson(2, 1, 1, 1, 1);
    lesson(2, 2, 2, 1, 1);
    KbData kb;
    LoadKbData(*st, kb);
    const int N = kb.N();
    ASSERT_EQ(N, 20);
    ASSERT_EQ(kb.Renke_B_undo.size(), 101u);
    ASSERT_EQ(kb.Renke_T_undo.size(), 101u);
    ASSERT_EQ(kb.RenkePlaced_undo.size(), 101u);
    EXPECT_EQ(kb.Renke_B_undo[0], kb.base.Renke_B);
    EXPECT_EQ(kb.Renke_T_undo[0], kb.base.Renke_T);
    EXPECT_EQ(kb.RenkePlaced_undo[0], kb.base.RenkePlaced);
    for (int k = 1; k < kRingSize; ++k) {
        const auto& b = kb.Renke_B_undo[static_cast<std::size_t>(k)];
        const auto& t = kb.Renke_T_undo[static_cast<std::size_t>(k)];
        ASSERT_EQ(b.size1(), 3);
        ASSERT_EQ(b.size2(), N + 2);
        ASSERT_EQ(t.size1(), 4);
        ASSERT_EQ(t.size2(), N + 2);
        for (int c = 0; c < 3; ++c)
            for (int x = 0; x < N + 2; ++x)
                ASSERT_EQ(b(c, x), -1);
    }
    EXPECT_EQ(kb.AtdoNum, 0);
    EXPECT_EQ(kb.UndoFirst, 0);
    EXPECT_EQ(kb.UndoLast, 0);
    EXPECT_EQ(kb.UndoKb[0], 10001);
    for (int k = 1; k < kRingSize; ++k)
        EXPECT_EQ(kb.UndoKb[static_cast<std::size_t>(k)], 0);
    // Room for every held instance of every assignment (up to the largest weekly count).
    EXPECT_EQ(kb.TmpPosX_B.size1(), kb.school.renkeSize());
    EXPECT_EQ(kb.TmpPosX_B.size2(), kb.school.RenkeMaxJieshu + 1);
    EXPECT_EQ(kb.TmpPosY_T.size2(), kb.school.RenkeMaxJieshu + 1);
}

struct BadRow {
    const char* name;
    int weekday, jie, ban, tea, ke;
};

void PrintTo(const BadRow& c, std::ostream* os)
{
    *os << c.name;
}

class StepDataBadRows : public StepData, public ::testing::WithParamInterface<BadRow> {};

TEST_P(StepDataBadRows, AreNeverShownInAnyCell)
{
    const BadRow& c = GetParam();
    st->exec("PRAGMA foreign_keys=OFF");  // files edited by hand
    lesson(3, 2, 1, 1, 1);                // Wednesday period 2: slot 6
    lesson(c.weekday, c.jie, c.ban, c.tea, c.ke);
    KbData kb;
    LoadKbData(*st, kb);
    ASSERT_EQ(kb.skipped.size(), 1u);
    const int r = kb.school.btk(1, 1, 1);
    for (int b = 0; b <= kb.school.MaxBanID; ++b)
        for (int x = 0; x <= kb.N() + 1; ++x)
            EXPECT_EQ(kb.cellB(b, x), b == 1 && x == 6 ? r : -1) << "class " << b << " slot " << x;
    for (int t = 0; t <= kb.school.TeaOldNum; ++t)
        for (int x = 0; x <= kb.N() + 1; ++x)
            EXPECT_EQ(kb.cellT(t, x), t == 1 && x == 6 ? r : -1) << "teacher " << t << " slot " << x;
    int placed = 0;
    for (int n : kb.placed())
        placed += n;
    EXPECT_EQ(placed, 1);
}

INSTANTIATE_TEST_SUITE_P(Table, StepDataBadRows,
                         ::testing::Values(BadRow{"monday_no_longer_taught", 1, 2, 1, 1, 1},
                                           BadRow{"sunday", 7, 1, 2, 1, 1},
                                           BadRow{"period_past_the_day", 3, 5, 1, 1, 1},
                                           BadRow{"teacher_no_longer_assigned", 3, 3, 1, 3, 1},
                                           BadRow{"subject_the_teacher_does_not_give", 3, 3, 2, 1, 3},
                                           BadRow{"class_gone", 3, 3, 5, 1, 1}),
                         [](const auto& info) { return info.param.name; });

TEST_F(StepData, SaveWritesTheTimetableBeingEditedInClassThenSlotOrder)
{
    // Stored out of order; two rows with scores of the search.
    lesson(6, 4, 2, 3, 3, 1005);  // Saturday period 4: class 2, slot 20
    lesson(2, 2, 1, 1, 1, 40);    // Tuesday period 2: class 1, slot 2
    lesson(2, 1, 2, 1, 1);        // Tuesday period 1: class 2, slot 1
    KbData kb;
    LoadKbData(*st, kb);
    const model::School& s = kb.school;

    // An edit lives in a later snapshot: class 1's 语文 moved from slot 2 to slot 13
    // (Friday period 1), 王老师's 数学 added at slot 3 of class 2.
    const int ban1 = s.btk(1, 1, 1), math = s.btk(2, 3, 3);
    kb.Renke_B_undo[1] = kb.Renke_B_undo[0];
    kb.Renke_T_undo[1] = kb.Renke_T_undo[0];
    kb.RenkePlaced_undo[1] = kb.RenkePlaced_undo[0];
    kb.AtdoNum = 1;
    kb.gridB()(1, 2) = -1;
    kb.gridT()(1, 2) = -1;
    kb.gridB()(1, 13) = ban1;
    kb.gridT()(1, 13) = ban1;
    kb.gridB()(2, 3) = math;
    kb.gridT()(3, 3) = math;

    EXPECT_TRUE(SaveKbData(*st, kb));
    EXPECT_EQ(stored(), (std::vector<Row>{{1, 5, 1, 1, 1, 1, 0},
                                          {2, 2, 1, 2, 1, 1, 0},
                                          {3, 2, 3, 2, 3, 3, 0},
                                          {4, 6, 4, 2, 3, 3, 0}}));
    // The baseline and snapshot 0 stay as loaded.
    EXPECT_EQ(kb.base.Renke_B(1, 2), ban1);
    EXPECT_EQ(kb.Renke_B_undo[0](1, 2), ban1);
}

TEST_F(StepData, SaveWritesEveryLockAndTheyComeBack)
{
    st->run("UPDATE banbd SET islock = 1 WHERE banid = 1");
    st->run("UPDATE teabd SET islock = 1 WHERE teaid = 3");
    KbData kb;
    LoadKbData(*st, kb);
    EXPECT_TRUE(kb.banLocked(1));
    EXPECT_FALSE(kb.banLocked(2));
    EXPECT_TRUE(kb.teaLocked(3));

    // Unlock class 1 and teacher 3, lock class 2 and teacher 1.
    kb.school.BanLocked[1] = 0;
    kb.school.BanLocked[2] = 1;
    kb.school.TeaLocked[3] = 0;
    kb.school.TeaLocked[1] = 1;
    ASSERT_TRUE(SaveKbData(*st, kb));
    EXPECT_EQ(lock("banbd", "banid", 1), 0);
    EXPECT_EQ(lock("banbd", "banid", 2), 1);
    EXPECT_EQ(lock("teabd", "teaid", 1), 1);
    EXPECT_EQ(lock("teabd", "teaid", 2), 0);
    EXPECT_EQ(lock("teabd", "teaid", 3), 0);

    KbData again;
    LoadKbData(*st, again);
    EXPECT_FALSE(again.banLocked(1));
    EXPECT_TRUE(again.banLocked(2));
    EXPECT_TRUE(again.teaLocked(1));
    EXPECT_FALSE(again.teaLocked(3));
}

TEST_F(StepData, EmptyTimetableSavesNoRowsAndEveryLessonWaits)
{
    lesson(2, 1, 1, 1, 1);
    KbData kb;
    LoadKbData(*st, kb);
    for (auto& row : kb.Renke_B_undo)
        row.fill(-1);
    for (auto& row : kb.Renke_T_undo)
        row.fill(-1);
    for (auto& p : kb.RenkePlaced_undo)
        std::fill(p.begin(), p.end(), 0);
    EXPECT_TRUE(SaveKbData(*st, kb));
    EXPECT_TRUE(stored().empty());
    KbData again;
    LoadKbData(*st, again);
    for (int r = 0; r < again.school.RenKeNum; ++r)
        EXPECT_EQ(again.unplaced(r), again.school.RenkeJieshu[static_cast<std::size_t>(r)]);
}

TEST_F(StepData, LeavingReleasesEverything)
{
    lesson(2, 1, 1, 1, 1);
    KbData kb;
    LoadKbData(*st, kb);
    kb.AtdoNum = 5;
    FreeKbData(kb);
    EXPECT_FALSE(kb.loaded);
    EXPECT_TRUE(kb.Renke_B_undo.empty());
    EXPECT_TRUE(kb.Renke_T_undo.empty());
    EXPECT_TRUE(kb.RenkePlaced_undo.empty());
    EXPECT_EQ(kb.AtdoNum, 0);
    EXPECT_EQ(kb.school.MaxBanID, 0);
    // Nothing is left to save.
    EXPECT_TRUE(SaveKbData(*st, kb));
    EXPECT_EQ(stored().size(), 1u);
}

TEST_F(StepData, LayoutSettingIsOneRow)
{
    EXPECT_EQ(readKbLayout(*st), 1);
    storeKbLayout(*st, 2);
    storeKbLayout(*st, 2);
    EXPECT_EQ(readKbLayout(*st), 2);
    EXPECT_EQ(st->scalar("SELECT count(*) FROM setting WHERE setName = '课表显示'"), 1);
    EXPECT_EQ(app::loadMain(*st).kbLayout, 2);  // the home page reads the same row
    storeKbLayout(*st, 1);
    EXPECT_EQ(readKbLayout(*st), 1);
    auto q = st->prepare("SELECT setVar FROM setting WHERE setName = '课表显示'");
    ASSERT_TRUE(q.step());
    EXPECT_EQ(q.text(0), "日列");
}


// ---------------------------------------------------------------- the document

// Records what the document tells, in order.
struct Recorder : KbListener {
    std::vector<KbChange> seen;
    void kbChanged(const KbChange& c) override { seen.push_back(c); }
};

TEST_F(StepData, DocumentLoadLockSaveRoundTripTellsEachChange)
{
    lesson(2, 1, 1, 1, 1);  // Tuesday period 1: 张老师 语文 in class 1
    lesson(4, 3, 1, 2, 2);  // Thursday period 3: 李老师 体育, both classes
    lesson(4, 3, 2, 2, 2);
    KbDocument doc;
    Recorder rec;
    doc.addListener(&rec);
    doc.load(*st);
    ASSERT_TRUE(doc.loaded());
    doc.setBanLocked(2, true);
    doc.setTeaLocked(1, true);
    doc.setBanLocked(99, true);  // no such class: nothing changes, nothing is told
    EXPECT_TRUE(doc.save(*st));
    EXPECT_EQ(stored().size(), 3u);

    ASSERT_EQ(rec.seen.size(), 4u);
    EXPECT_EQ(rec.seen[0].kind, KbChange::Kind::Loaded);
    EXPECT_TRUE(rec.seen[0].everything());
    EXPECT_EQ(rec.seen[1].kind, KbChange::Kind::Lock);
    EXPECT_EQ(rec.seen[1].bans, std::vector<int>{2});
    EXPECT_TRUE(rec.seen[1].teas.empty());
    EXPECT_EQ(rec.seen[2].teas, std::vector<int>{1});
    EXPECT_EQ(rec.seen[3].kind, KbChange::Kind::Saved);

    KbDocument again;
    again.load(*st);
    EXPECT_EQ(again.data().gridB(), doc.data().gridB());
    EXPECT_EQ(again.data().gridT(), doc.data().gridT());
    EXPECT_TRUE(again.data().banLocked(2));
    EXPECT_FALSE(again.data().banLocked(1));
    EXPECT_TRUE(again.data().teaLocked(1));
    EXPECT_EQ(lock("banbd", "banid", 2), 1);

    doc.removeListener(&rec);
    doc.free();
    EXPECT_EQ(rec.seen.size(), 4u);  // a removed listener hears nothing more
    EXPECT_FALSE(doc.loaded());
}

TEST_F(StepData, StepUndoAndRedoTellTheSlotsAndRowsThatDiffer)
{
    lesson(2, 1, 1, 1, 1);  // slot 1: 张老师 语文 in class 1
    lesson(4, 3, 1, 2, 2);  // slot 11: 李老师 体育 with both classes
    lesson(4, 3, 2, 2, 2);
    KbDocument doc;
    doc.load(*st);
    Recorder rec;
    doc.addListener(&rec);
    const model::Array2<int> before = doc.data().gridB();
    const int r = doc.school().btk(1, 1, 1);
    EXPECT_FALSE(doc.canUndo());
    EXPECT_FALSE(doc.undo().has_value());

    // Class 1's 语文 moves from slot 1 to slot 6.
    const KbChange c = doc.apply(banPage(1), [&](KbDocument::Snapshot& now, const KbDocument::Before& old) {
        EXPECT_EQ(old.B(1, 1), r);
        now.B(1, 1) = -1;
        now.T(1, 1) = -1;
        now.B(1, 6) = r;
        now.T(1, 6) = r;
    });
    EXPECT_EQ(c.kind, KbChange::Kind::Step);
    EXPECT_EQ(c.record, banPage(1));
    EXPECT_EQ(c.slots, (std::vector<int>{1, 6}));
    EXPECT_EQ(c.bans, std::vector<int>{1});
    EXPECT_EQ(c.teas, std::vector<int>{1});
    ASSERT_EQ(rec.seen.size(), 1u);
    EXPECT_EQ(rec.seen[0].slots, c.slots);
    EXPECT_EQ(doc.data().cellB(1, 6), r);
    EXPECT_EQ(doc.baseline().Renke_B(1, 1), r);  // the baseline never moves
    EXPECT_TRUE(doc.canUndo());
    EXPECT_FALSE(doc.canRedo());

    const auto u = doc.undo();
    ASSERT_TRUE(u.has_value());
    EXPECT_EQ(u->kind, KbChange::Kind::Undo);
    EXPECT_EQ(u->record, banPage(1));
    EXPECT_EQ(u->slots, c.slots);
    EXPECT_EQ(u->bans, c.bans);
    EXPECT_EQ(doc.data().gridB(), before);
    EXPECT_TRUE(doc.canRedo());

    const auto re = doc.redo();
    ASSERT_TRUE(re.has_value());
    EXPECT_EQ(re->kind, KbChange::Kind::Redo);
    EXPECT_EQ(re->teas, c.teas);
    EXPECT_EQ(doc.data().cellB(1, 6), r);
    EXPECT_FALSE(doc.redo().has_value());
    EXPECT_EQ(rec.seen.size(), 3u);
}

TEST_F(StepData, TheRingHoldsAHundredStepsAndReusesItsSnapshots)
{
    lesson(2, 1, 1, 1, 1);
    KbDocument doc;
    doc.load(*st);
    const int* storage = &doc.data().Renke_B_undo[50](0, 0);
    // 150 steps, each moving nothing but recorded; only the last 100 can be taken back.
    for (int i = 0; i < 150; ++i)
        doc.apply(banPage(1 + i % 2), [](KbDocument::Snapshot&, const KbDocument::Before&) {});
    EXPECT_EQ(&doc.data().Renke_B_undo[50](0, 0), storage);  // copied into, never reallocated
    int undone = 0;
    while (doc.undo())
        ++undone;
    EXPECT_EQ(undone, 100);
    int redone = 0;
    while (doc.redo())
        ++redone;
    EXPECT_EQ(redone, 100);
}

}  // namespace
}  // namespace tavrin::timetable
