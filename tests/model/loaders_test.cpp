#include <gtest/gtest.h>

#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "users/users.h"
#include "model/loaders.h"
#include "store/store.h"
#include "support/testutil.h"

using namespace tavrin;
using model::School;
using tavrin::testing::TempDir;

namespace {

// A school file made in a temporary folder from literal rows. Foreign keys are off so that
// rows a hand edit could leave behind (IDs that name nothing) get in as they are.
class SchoolFile {
public:
    explicit SchoolFile(const std::string& sql)
    {
        std::filesystem::copy_file(emptySchool(), dir_ / "db.dat");
        store_ = std::make_unique<store::Store>(dir_ / "db.dat");
        store_->exec("PRAGMA foreign_keys=OFF");
        store_->exec(sql);
    }
    store::Store& store() { return *store_; }
    School load() { return model::loadSchool(*store_); }

private:
    TempDir dir_;
    std::unique_ptr<store::Store> store_;

    // A new file costs a password hash for the default user; make it once and copy it.
    static std::filesystem::path emptySchool()
    {
        static TempDir dir;
        static const bool made = users::initDatabase(dir / "db.dat");
        EXPECT_TRUE(made);
        return dir / "db.dat";
    }
};

const char* kMonFri44 = R"SQL(
INSERT INTO daybd VALUES(1,'星期一'),(2,'星期二'),(3,'星期三'),(4,'星期四'),(5,'星期五');
INSERT INTO jieshu VALUES(4,4,0);
)SQL";

// Two classes, two subjects, two teachers, Monday to Friday with 8 periods.
const std::string kBase = std::string(kMonFri44) + R"SQL(
INSERT INTO jibd VALUES(1,'初一');
INSERT INTO banbd VALUES(1,'初一(1)班',1,0),(2,'初一(2)班',1,1);
INSERT INTO kemubd VALUES(1,'语文','语',0,0),(2,'数学','数',2,1);
INSERT INTO teabd VALUES(1,'张老师','张',0),(2,'李老师','李',1);
INSERT INTO timebd VALUES(1,'8:00'),(8,'16:00');
INSERT INTO publictimebd VALUES(0,'早读'),(2,'课间操');
INSERT INTO gudinbd VALUES(1,'班会',5,8,1);
INSERT INTO kemujieshu VALUES(1,1,5),(2,1,6),(1,2,5);
INSERT INTO teshuke VALUES(1,1,2,3,1);
INSERT INTO renkebd VALUES(0,1,1,1,5,0),(1,2,1,2,6,0),(2,1,2,1,5,0);
INSERT INTO teshutea VALUES(2,3,1,3);
INSERT INTO PaiOptJie VALUES(1,1,-2,NULL,1,NULL);
INSERT INTO PaiOptDay VALUES(1,2,1,NULL,NULL,2);
INSERT INTO teaman VALUES(1,1);
INSERT INTO teawife VALUES(1,2);
)SQL";

std::string weekdayOf(const School& s, int slot) { return s.WeekName[s.DayToWeek[s.slots.SlotDay[slot]]]; }

}  // namespace

// --- The week -------------------------------------------------------------------------

struct SlotCase {
    int slot;
    const char* weekday;
    int jie;
    int section;
};

TEST(Slots, MondayToFridayFourPlusFourNumbersFortySlots)
{
    SchoolFile f(kMonFri44);
    School s = f.load();
    ASSERT_EQ(s.theDay, 5);
    ASSERT_EQ(s.P(), 8);
    ASSERT_EQ(s.N(), 40);
    ASSERT_EQ(s.slots.N, 40);
    ASSERT_EQ(s.slots.SlotDay.size(), 42u);
    const SlotCase cases[] = {
        {1, "星期一", 1, 1},  {4, "星期一", 4, 1},  {5, "星期一", 5, 2},  {8, "星期一", 8, 2},
        {9, "星期二", 1, 1},  {13, "星期二", 5, 2}, {16, "星期二", 8, 2}, {40, "星期五", 8, 2},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.slot);
        EXPECT_EQ(weekdayOf(s, c.slot), c.weekday);
        EXPECT_EQ(s.slots.SlotJie[c.slot], c.jie);
        EXPECT_EQ(s.slots.SlotSection[c.slot], c.section);
    }
    // The sentinels belong to no day; without evening periods no slot is an evening one.
    for (int sentinel : {0, 41}) {
        EXPECT_EQ(s.slots.SlotDay[sentinel], 0);
        EXPECT_EQ(s.slots.SlotSection[sentinel], 0);
    }
    for (int sl = 1; sl <= 40; ++sl)
        EXPECT_NE(s.slots.SlotSection[sl], 3) << sl;
}

TEST(Calendar, TuesdayToSaturdayMapsDayNumbersAndDropsMondayRows)
{
    SchoolFile f(R"SQL(
INSERT INTO daybd VALUES(6,'星期六'),(2,'星期二'),(4,'星期四'),(3,'星期三'),(5,'星期五');
INSERT INTO jieshu VALUES(4,3,1);
INSERT INTO jibd VALUES(1,'高一');
INSERT INTO banbd VALUES(1,'高一(1)班',1,0);
INSERT INTO kemubd VALUES(1,'语文','语',0,0);
INSERT INTO teabd VALUES(1,'张老师','张',0);
INSERT INTO gudinbd VALUES(1,'班会',1,3,1);
INSERT INTO gudinbd VALUES(2,'自习',2,3,1);
INSERT INTO gudinbd VALUES(3,'无课',6,8,1);
INSERT INTO teshuke VALUES(1,1,4,2,2);
INSERT INTO teshuke VALUES(1,1,1,2,2);
INSERT INTO teshutea VALUES(1,6,8,3);
)SQL");
    School s = f.load();
    ASSERT_EQ(s.theDay, 5);
    const int dayToWeek[] = {0, 2, 3, 4, 5, 6, 0, 0};
    const int weekToDay[] = {0, 0, 1, 2, 3, 4, 5, 0};
    for (int i = 0; i < 8; ++i) {
        EXPECT_EQ(s.DayToWeek[i], dayToWeek[i]) << i;
        EXPECT_EQ(s.WeektoDay[i], weekToDay[i]) << i;
        EXPECT_EQ(s.DaySel[i], weekToDay[i] ? 1 : 0) << i;
    }
    // Tuesday period 3 is slot 3; Saturday period 8 is the last slot; Monday has none.
    EXPECT_EQ(s.GudinKe(1, 3), "自习");
    EXPECT_EQ(s.GudinKe(1, 40), "无课");
    EXPECT_EQ(s.slots.SlotSection[40], 3);
    EXPECT_EQ(s.BanCapacity[1], 38);
    EXPECT_EQ(s.TeshuKe(1, 1, 3, 2), model::MarkCertain);  // Thursday is day number 3
    EXPECT_EQ(s.TeshuTea(1, 5, 8), model::MarkNever);
    ASSERT_EQ(s.skipped.size(), 2u);
    EXPECT_EQ(s.skipped[0].table, "gudinbd");
    EXPECT_EQ(s.skipped[0].reason, "该日不上课");
    EXPECT_EQ(s.skipped[0].row, "gudinid=1, gudinname=班会, theday=1, thejie=3, theban=1");
    EXPECT_EQ(s.skipped[1].table, "teshuke");
    EXPECT_EQ(s.skipped[1].reason, "该日不上课");
}

TEST(Calendar, ClassesOfAGradeGroupInAscendingId)
{
    SchoolFile f(std::string(kMonFri44) + R"SQL(
INSERT INTO jibd VALUES(2,'初二'),(1,'初一');
INSERT INTO banbd VALUES(5,'初二(2)班',2,0),(4,'初一(3)班',1,0),(3,'初二(1)班',2,1),(2,'初一(2)班',1,0),(1,'初一(1)班',1,0);
)SQL");
    School s = f.load();
    ASSERT_EQ(s.MaxBanID, 5);
    ASSERT_EQ(s.MaxJiID, 2);
    EXPECT_EQ(s.BanCountInJi[1], 3);
    EXPECT_EQ(s.BanCountInJi[2], 2);
    EXPECT_EQ(s.BanID(1, 1), 1);
    EXPECT_EQ(s.BanID(1, 2), 2);
    EXPECT_EQ(s.BanID(1, 3), 4);
    EXPECT_EQ(s.BanID(2, 1), 3);
    EXPECT_EQ(s.BanID(2, 2), 5);
    EXPECT_EQ(s.BanID(2, 3), 0);
    EXPECT_EQ(s.BanInJi[5], 2);
    EXPECT_EQ(s.BanName[3], "初二(1)班");
    EXPECT_EQ(s.JiName[2], "初二");
    EXPECT_EQ(s.BanLocked[3], 1);
    EXPECT_EQ(s.BanLocked[5], 0);
}

TEST(Calendar, FixedLessonsTakeCapacityOnlyWhereTheyHaveASlot)
{
    SchoolFile f(std::string(kMonFri44) + R"SQL(
INSERT INTO jibd VALUES(1,'初一');
INSERT INTO banbd VALUES(1,'初一(1)班',1,0),(2,'初一(2)班',1,0);
INSERT INTO gudinbd VALUES(1,'班会',1,8,1),(2,'无课',5,7,1),(3,'无课',5,8,1);
INSERT INTO gudinbd VALUES(4,'班会',6,1,2),(5,'自习',2,9,2);
)SQL");
    School s = f.load();
    EXPECT_EQ(s.BanCapacity[1], 37);
    EXPECT_EQ(s.BanCapacity[2], 40);
    EXPECT_EQ(s.GudinKe(1, 8), "班会");
    EXPECT_EQ(s.GudinKe(1, 39), "无课");
    EXPECT_EQ(s.GudinKe(1, 40), "无课");
    ASSERT_EQ(s.skipped.size(), 2u);
    EXPECT_EQ(s.skipped[0].reason, "该日不上课");
    EXPECT_EQ(s.skipped[1].reason, "节次超出每天节数");
}

TEST(Calendar, SchoolNameTimesAndPublicSlots)
{
    SchoolFile f(kBase + "INSERT INTO setting VALUES('课表显示','日列'),('学校名称','实验中学');");
    School s = f.load();
    EXPECT_EQ(s.XiaoName, "实验中学");
    EXPECT_EQ(s.TimeStr[1], "8:00");
    EXPECT_EQ(s.TimeStr[8], "16:00");
    EXPECT_EQ(s.TimeStr[2], "");
    EXPECT_EQ(s.PublicTime[0], "早读");
    EXPECT_EQ(s.PublicTime[2], "课间操");
    EXPECT_EQ(s.PublicNum, 2);

    struct NameCase {
        const char* rows;
        const char* name;
    };
    const NameCase names[] = {
        {"", ""},
        {"INSERT INTO setting VALUES('学校名','甲校')", ""},
        {"INSERT INTO setting VALUES('学校名称',''),('学校名称','实验小学')", "实验小学"},
        {"INSERT INTO setting VALUES('学校名称','甲校'),('学校名称','乙校')", "甲校"},
    };
    for (const auto& c : names) {
        SCOPED_TRACE(c.rows);
        SchoolFile other(kBase + c.rows + ";");
        EXPECT_EQ(other.load().XiaoName, c.name);
    }
}

// --- Subjects, teachers, assignments ------------------------------------------------------

TEST(Load, SubjectsTeachersAndMarksByIdAndDayNumber)
{
    SchoolFile f(kBase);
    School s = f.load();
    ASSERT_EQ(s.KemuOldNum, 2);
    ASSERT_EQ(s.TeaOldNum, 2);
    EXPECT_EQ(s.KemuName[2], "数学");
    EXPECT_EQ(s.KemuName2[2], "数");
    EXPECT_EQ(s.KemuMaxJie[2], 2);
    EXPECT_EQ(s.KemuLianpai[2], 1);
    EXPECT_EQ(s.KemuJieshu(2, 1), 6);
    EXPECT_EQ(s.KemuJieshu(2, 2), 0);
    EXPECT_EQ(s.TeaName[2], "李老师");
    EXPECT_EQ(s.TeaLocked[2], 1);
    EXPECT_EQ(s.TeaLocked[1], 0);
    EXPECT_EQ(s.TeshuKe(1, 1, 2, 3), model::MarkPrefer);
    EXPECT_EQ(s.TeshuTea(2, 3, 1), model::MarkNever);
    EXPECT_TRUE(s.skipped.empty());
}

struct Entry {
    int tea, ban, ke, jieshu, heban;
    bool operator==(const Entry&) const = default;
};
std::ostream& operator<<(std::ostream& o, const Entry& e)
{
    return o << "{t" << e.tea << " b" << e.ban << " k" << e.ke << " " << e.jieshu << " h" << e.heban << "}";
}

struct MergeCase {
    const char* name;
    const char* rows;  // renkebd rows (difid, teaid, banid, keid, jieshu, heban)
    std::vector<Entry> entries;
    int renKeNum;
    int maxJieshu;
};

TEST(Load, AssignmentRowsMergeAndLeaveEmptyEntriesAtTheEnd)
{
    const MergeCase cases[] = {
        {"two rows of one teacher, class and subject add up; the other is sorted after them",
         "(0,2,1,2,4,0),(1,1,1,1,2,0),(2,1,1,1,3,0)",
         {{1, 1, 1, 5, 0}, {2, 1, 2, 4, 0}, {0, 0, 0, 0, 0}},
         2,
         5},
        {"three equal rows leave two empty entries",
         "(0,1,2,1,1,3),(1,1,2,1,1,3),(2,1,2,1,1,3)",
         {{1, 2, 1, 3, 3}, {0, 0, 0, 0, 0}, {0, 0, 0, 0, 0}},
         1,
         3},
        {"sorted by subject, then teacher, then class",
         "(0,2,2,2,1,0),(1,2,1,2,2,0),(2,1,2,2,3,0),(3,2,2,1,4,0)",
         {{2, 2, 1, 4, 0}, {1, 2, 2, 3, 0}, {2, 1, 2, 2, 0}, {2, 2, 2, 1, 0}},
         4,
         4},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        SchoolFile f(std::string(kMonFri44) + R"SQL(
INSERT INTO jibd VALUES(1,'初一');
INSERT INTO banbd VALUES(1,'一班',1,0),(2,'二班',1,0);
INSERT INTO kemubd VALUES(1,'语文','语',0,0),(2,'数学','数',0,0);
INSERT INTO teabd VALUES(1,'张','张',0),(2,'李','李',0);
INSERT INTO renkebd VALUES)SQL" + c.rows + ";");
        School s = f.load();
        std::vector<Entry> got;
        for (int r = 0; r < s.renkeSize(); ++r)
            got.push_back({s.RenkeTea[r], s.RenkeBan[r], s.RenkeKe[r], s.RenkeJieshu[r], s.RenkeHeban[r]});
        EXPECT_EQ(got, c.entries);
        EXPECT_EQ(s.RenKeNum, c.renKeNum);
        EXPECT_EQ(s.RenkeMaxJieshu, c.maxJieshu);
        // Every filled entry is found again through its class, teacher and subject.
        for (int r = 0; r < s.RenKeNum; ++r)
            EXPECT_EQ(s.BTKtoRenkeid(s.RenkeBan[r], s.RenkeTea[r], s.RenkeKe[r]), r) << r;
    }
}

TEST(Load, TriplesWithoutAnAssignmentFindNone)
{
    SchoolFile f(kBase);
    School s = f.load();
    ASSERT_EQ(s.BTKtoRenkeid.size1(), 3);
    ASSERT_EQ(s.BTKtoRenkeid.size2(), 3);
    ASSERT_EQ(s.BTKtoRenkeid.size3(), 3);
    EXPECT_EQ(s.btk(1, 1, 1), 0);
    EXPECT_EQ(s.btk(2, 1, 1), 1);
    EXPECT_EQ(s.btk(1, 2, 2), 2);
    EXPECT_EQ(s.btk(1, 2, 1), -1);
    EXPECT_EQ(s.btk(0, 0, 0), -1);
}

// --- Rows that cannot be used ----------------------------------------------------------

struct BadRow {
    const char* sql;
    const char* table;
    const char* reason;
};

// Each bad row, added to a good school, is left out and reported, and the rest of the
// school loads exactly as without it.
TEST(Skipped, EveryKindOfBadRowIsReportedAndTouchesNothing)
{
    const BadRow cases[] = {
        {"INSERT INTO jibd VALUES(1001,'太大')", "jibd", "编号超出范围"},
        {"INSERT INTO banbd VALUES(70000,'太大',1,0)", "banbd", "编号超出范围"},
        {"INSERT INTO banbd VALUES(-1,'负数',1,0)", "banbd", "编号超出范围"},
        {"INSERT INTO banbd VALUES(3,'无年级',99,0)", "banbd", "年级不存在"},
        {"INSERT INTO kemubd VALUES(600,'太大','大',0,0)", "kemubd", "编号超出范围"},
        {"INSERT INTO kemubd VALUES(0,'零','零',0,0)", "kemubd", "编号超出范围"},
        {"INSERT INTO teabd VALUES(1001,'太大','大',0)", "teabd", "编号超出范围"},
        {"UPDATE kemubd SET maxjie=-1 WHERE kemuid=1", "kemubd", "同时上课班数无效，按0载入"},
        {"UPDATE kemubd SET lianpai=300 WHERE kemuid=1", "kemubd", "连排数无效，按0载入"},
        {"INSERT INTO daybd VALUES(8,'八')", "daybd", "星期无效"},
        {"INSERT INTO timebd VALUES(99,'9:99')", "timebd", "节次超出范围"},
        {"INSERT INTO publictimebd VALUES(30,'眼操')", "publictimebd", "节次超出范围"},
        {"INSERT INTO gudinbd VALUES(9,'班会',1,1,99)", "gudinbd", "班级不存在"},
        {"INSERT INTO gudinbd VALUES(9,'班会',0,1,1)", "gudinbd", "星期无效"},
        {"INSERT INTO gudinbd VALUES(9,'班会',1,99,1)", "gudinbd", "节次超出每天节数"},
        {"INSERT INTO gudinbd VALUES(9,'班会',1,-3,1)", "gudinbd", "节次超出每天节数"},
        {"INSERT INTO kemujieshu VALUES(600,1,5)", "kemujieshu", "科目不存在"},
        {"INSERT INTO kemujieshu VALUES(2,99,5)", "kemujieshu", "班级不存在"},
        {"INSERT INTO kemujieshu VALUES(2,2,-5)", "kemujieshu", "节数无效"},
        {"INSERT INTO kemujieshu VALUES(2,2,100000)", "kemujieshu", "节数无效"},
        {"INSERT INTO teshuke VALUES(1,1,9,1,1)", "teshuke", "星期无效"},
        {"INSERT INTO teshuke VALUES(1,1,6,1,1)", "teshuke", "该日不上课"},
        {"INSERT INTO teshuke VALUES(1,1,1,99,1)", "teshuke", "节次超出每天节数"},
        {"INSERT INTO teshuke VALUES(1,1,1,1,7)", "teshuke", "标记无效"},
        {"INSERT INTO teshuke VALUES(1,-4,1,1,1)", "teshuke", "班级不存在"},
        {"INSERT INTO renkebd VALUES(9,5000,1,1,3,0)", "renkebd", "教师不存在"},
        {"INSERT INTO renkebd VALUES(9,1,0,1,3,0)", "renkebd", "班级不存在"},
        {"INSERT INTO renkebd VALUES(9,1,1,600,3,0)", "renkebd", "科目不存在"},
        {"INSERT INTO renkebd VALUES(9,1,1,1,-3,0)", "renkebd", "节数无效"},
        {"INSERT INTO renkebd VALUES(9,1,1,1,0,0)", "renkebd", "节数无效"},
        {"INSERT INTO renkebd VALUES(9,1,1,1,2147483647,0)", "renkebd", "节数无效"},
        {"INSERT INTO renkebd VALUES(9,1,1,1,99999999999,0)", "renkebd", "节数无效"},
        {"INSERT INTO renkebd VALUES(9,1,1,1,3,-1)", "renkebd", "合班号无效"},
        {"INSERT INTO teshutea VALUES(2000,1,1,3)", "teshutea", "教师不存在"},
        {"INSERT INTO teshutea VALUES(1,1,9,3)", "teshutea", "节次超出每天节数"},
        {"INSERT INTO teshutea VALUES(1,7,1,3)", "teshutea", "该日不上课"},
        {"INSERT INTO PaiOptJie VALUES(2,99,1,NULL,1,NULL)", "PaiOptJie", "节次超出每天节数"},
        {"INSERT INTO PaiOptJie VALUES(2,1,1,NULL,600,NULL)", "PaiOptJie", "科目不存在"},
        {"INSERT INTO PaiOptJie VALUES(2,1,1,99,1,NULL)", "PaiOptJie", "班级不存在"},
        {"INSERT INTO PaiOptJie VALUES(2,1,1,NULL,NULL,5000)", "PaiOptJie", "教师不存在"},
        {"INSERT INTO PaiOptJie VALUES(2,1,-2147483648,NULL,1,NULL)", "PaiOptJie", "次数无效"},
        {"INSERT INTO PaiOptJie VALUES(2,1,1,NULL,NULL,NULL)", "PaiOptJie", "未指定科目或教师"},
        {"INSERT INTO PaiOptDay VALUES(2,9,1,NULL,1,NULL)", "PaiOptDay", "星期无效"},
        {"INSERT INTO PaiOptDay VALUES(2,0,1,NULL,NULL,1)", "PaiOptDay", "星期无效"},
        {"INSERT INTO teaman VALUES(2,1); INSERT INTO teawife VALUES(2,77)", "teaman,teawife", "教师不存在"},
        {"INSERT INTO teaman VALUES(2,2); INSERT INTO teawife VALUES(2,2)", "teaman,teawife", "教师与自己互斥"},
    };

    SchoolFile good(kBase);
    const School base = good.load();
    ASSERT_TRUE(base.skipped.empty());

    for (const auto& c : cases) {
        SCOPED_TRACE(c.sql);
        SchoolFile f(kBase + c.sql + ";");
        School s = f.load();
        ASSERT_EQ(s.skipped.size(), 1u);
        EXPECT_EQ(s.skipped[0].table, c.table);
        EXPECT_EQ(s.skipped[0].reason, c.reason);
        EXPECT_FALSE(s.skipped[0].row.empty());

        EXPECT_EQ(s.theDay, base.theDay);
        EXPECT_EQ(s.P(), base.P());
        EXPECT_EQ(s.MaxJiID, base.MaxJiID);
        EXPECT_EQ(s.MaxBanID, base.MaxBanID);
        EXPECT_EQ(s.KemuOldNum, base.KemuOldNum);
        EXPECT_EQ(s.TeaOldNum, base.TeaOldNum);
        EXPECT_EQ(s.TimeStr, base.TimeStr);
        EXPECT_EQ(s.PublicTime, base.PublicTime);
        EXPECT_EQ(s.BanID, base.BanID);
        EXPECT_EQ(s.GudinKe, base.GudinKe);
        EXPECT_EQ(s.BanCapacity, base.BanCapacity);
        EXPECT_EQ(s.KemuMaxJie, base.KemuMaxJie);
        EXPECT_EQ(s.KemuLianpai, base.KemuLianpai);
        EXPECT_EQ(s.KemuJieshu, base.KemuJieshu);
        for (int k = 0; k <= s.KemuOldNum; ++k)
            for (int b = 0; b <= s.MaxBanID; ++b)
                for (int d = 0; d <= 7; ++d)
                    for (int j = 0; j <= 27; ++j)
                        ASSERT_EQ(s.TeshuKe(k, b, d, j), base.TeshuKe(k, b, d, j)) << k << ' ' << b << ' ' << d << ' ' << j;
        EXPECT_EQ(s.TeshuTea, base.TeshuTea);
        EXPECT_EQ(s.RenkeTea, base.RenkeTea);
        EXPECT_EQ(s.RenkeBan, base.RenkeBan);
        EXPECT_EQ(s.RenkeKe, base.RenkeKe);
        EXPECT_EQ(s.RenkeJieshu, base.RenkeJieshu);
        EXPECT_EQ(s.RenkeHeban, base.RenkeHeban);
        EXPECT_EQ(s.BTKtoRenkeid, base.BTKtoRenkeid);
        EXPECT_EQ(s.opt.JieOptBK, base.opt.JieOptBK);
        EXPECT_EQ(s.opt.JieOptT, base.opt.JieOptT);
        EXPECT_EQ(s.opt.DayOptBK, base.opt.DayOptBK);
        EXPECT_EQ(s.opt.DayOptT, base.opt.DayOptT);
        EXPECT_EQ(s.opt.TeaExclusive, base.opt.TeaExclusive);
    }
}

TEST(Skipped, LoadingAgainReportsEachRowOnce)
{
    SchoolFile f(kBase + "INSERT INTO teshutea VALUES(1,1,9,3); INSERT INTO PaiOptDay VALUES(2,9,1,NULL,1,NULL);");
    School s;
    for (int i = 0; i < 2; ++i) {
        model::actLoadTeaData(f.store(), s);
        model::LoadMyPaiOpt(f.store(), s);
        model::LoadMyPaiOpt(f.store(), s);
        ASSERT_EQ(s.skipped.size(), 2u);
        EXPECT_EQ(s.skipped[0].table, "teshutea");
        EXPECT_EQ(s.skipped[1].table, "PaiOptDay");
    }
}

// IDs far past the rows that exist would make the arrays that cross classes, teachers and
// subjects enormous; those rows are dropped and the school loads at its real size.
TEST(Skipped, HugeGapsInTheIdsAreDroppedInsteadOfSizingArraysByThem)
{
    SchoolFile f(kBase + R"SQL(
INSERT INTO banbd VALUES(10000,'远',1,0);
INSERT INTO kemubd VALUES(500,'远','远',0,0);
INSERT INTO teabd VALUES(1000,'远','远',0);
INSERT INTO kemujieshu VALUES(500,10000,3);
INSERT INTO renkebd VALUES(9,1000,10000,500,3,0);
INSERT INTO teshutea VALUES(1000,1,1,1);
INSERT INTO PaiOptJie VALUES(2,1,1,10000,1,NULL);
)SQL");
    School s = f.load();
    EXPECT_EQ(s.MaxBanID, 2);
    EXPECT_EQ(s.KemuOldNum, 2);
    EXPECT_EQ(s.TeaOldNum, 2);
    EXPECT_EQ(s.BTKtoRenkeid.size1(), 3);
    EXPECT_EQ(s.RenKeNum, 3);
    std::vector<std::pair<std::string, std::string>> got;
    for (const auto& r : s.skipped)
        got.emplace_back(r.table, r.reason);
    const std::vector<std::pair<std::string, std::string>> want = {
        {"banbd", "编号不连续且过大"},  {"kemubd", "编号不连续且过大"}, {"kemujieshu", "科目不存在"},
        {"teabd", "编号不连续且过大"},  {"renkebd", "教师不存在"},      {"teshutea", "教师不存在"},
        {"PaiOptJie", "班级不存在"},
    };
    EXPECT_EQ(got, want);
    EXPECT_EQ(s.skipped[0].row, "banid=10000, banname=远, jiid=1, islock=0");
}

// Small gaps (a subject deleted by hand) are kept: the arrays reach the largest ID and
// rows naming the missing ID are left out.
TEST(Skipped, SmallGapsSizeByTheLargestIdAndRowsOnTheGapAreDropped)
{
    SchoolFile f(kBase + R"SQL(
INSERT INTO kemubd VALUES(5,'英语','英',0,0);
INSERT INTO kemujieshu VALUES(5,2,4),(3,2,4);
)SQL");
    School s = f.load();
    EXPECT_EQ(s.KemuOldNum, 5);
    EXPECT_EQ(s.KemuJieshu(5, 2), 4);
    EXPECT_EQ(s.KemuJieshu(3, 2), 0);
    ASSERT_EQ(s.skipped.size(), 1u);
    EXPECT_EQ(s.skipped[0].row, "kemuid=3, banid=2, jieshu=4");
    EXPECT_EQ(s.skipped[0].reason, "科目不存在");
    auto present = model::presentIds(f.store());
    EXPECT_EQ(present.kemu, (std::vector<bool>{false, true, true, false, false, true}));
}

// A file whose tables were made by hand without keys: repeated IDs, text and fractions where
// numbers belong, NULLs. None of it may reach outside an array.
TEST(Skipped, TablesWithoutKeysAndWithWrongTypesLoadSafely)
{
    SchoolFile f(std::string(kMonFri44) + R"SQL(
DROP TABLE banbd;
CREATE TABLE banbd(banid, banname, jiid, islock);
DROP TABLE kemubd;
CREATE TABLE kemubd(kemuid, kemuname, kemuname2, maxjie, lianpai);
DROP TABLE daybd;
CREATE TABLE daybd(dayid, dayname);
INSERT INTO daybd VALUES(1,'一'),(1,'一'),(2,'二'),('x','?'),(NULL,NULL);
INSERT INTO jibd VALUES(1,'初一');
INSERT INTO banbd VALUES(1,'甲',1,0),(1,'甲',1,0),(1,'甲',1,0),('abc','文字',1,0),(NULL,'空',1,0),(2.7,'小数',1,0);
INSERT INTO kemubd VALUES(1,'语文','语',0,0),(1,'语文','语',0,0),(1e30,'巨大','巨',0,0);
INSERT INTO kemujieshu VALUES(1,1,'many'),(1,2,3.5),(NULL,NULL,2);
)SQL");
    School s = f.load();
    EXPECT_EQ(s.theDay, 2);
    EXPECT_EQ(s.MaxBanID, 2);
    EXPECT_EQ(s.BanCountInJi[1], 2);
    EXPECT_EQ(s.BanID(1, 1), 1);
    EXPECT_EQ(s.BanID(1, 2), 2);
    EXPECT_EQ(s.BanName[1], "甲");
    EXPECT_EQ(s.KemuOldNum, 1);
    EXPECT_EQ(s.KemuName[1], "语文");
    EXPECT_EQ(s.KemuJieshu(1, 1), 0);
    EXPECT_EQ(s.KemuJieshu(1, 2), 3);
    std::vector<std::string> reasons;
    for (const auto& r : s.skipped)
        reasons.push_back(r.table + ":" + r.reason);
    const std::vector<std::string> want = {
        // Rows come in ID order: NULL first, then the numbers, text last.
        "daybd:星期无效",      "daybd:编号重复",      "daybd:星期无效",
        "banbd:编号超出范围",  "banbd:编号重复",      "banbd:编号重复",  "banbd:编号超出范围",
        "kemubd:编号重复",     "kemubd:编号超出范围", "kemujieshu:科目不存在",
    };
    EXPECT_EQ(reasons, want);
}

// A broken count of periods leaves the counts as they were: a fresh model has no periods,
// so every row that needs a period is left out rather than guessed at.
TEST(Skipped, BrokenSectionCountsGiveAWeekWithoutPeriods)
{
    SchoolFile f(kBase + "UPDATE jieshu SET mor=-1;");
    School s = f.load();
    EXPECT_EQ(s.P(), 0);
    EXPECT_EQ(s.N(), 0);
    ASSERT_FALSE(s.skipped.empty());
    EXPECT_EQ(s.skipped[0].table, "jieshu");
    EXPECT_EQ(s.skipped[0].reason, "每天节数无效");
    for (const auto& r : s.skipped) {
        if (r.table == "gudinbd" || r.table == "teshuke" || r.table == "teshutea" || r.table == "PaiOptJie") {
            EXPECT_EQ(r.reason, "节次超出每天节数") << r.table;
        }
    }
}

// --- Conditions ----------------------------------------------------------------------

TEST(Conditions, LaterRowsOverwriteAndPairsLoadBothWays)
{
    SchoolFile f(std::string(kMonFri44) + R"SQL(
INSERT INTO jibd VALUES(1,'初一');
INSERT INTO banbd VALUES(1,'一班',1,0),(2,'二班',1,0);
INSERT INTO kemubd VALUES(1,'语文','语',0,0),(2,'数学','数',0,0);
INSERT INTO teabd VALUES(1,'甲','甲',0),(2,'乙','乙',0),(3,'丙','丙',0),(4,'丁','丁',0),(5,'戊','戊',0),
                        (6,'己','己',0),(7,'庚','庚',0);
INSERT INTO PaiOptJie VALUES(1,1,2,NULL,1,NULL),(2,1,-3,NULL,1,NULL);
INSERT INTO PaiOptJie VALUES(3,2,1,2,1,NULL),(3,2,1,2,2,NULL);
INSERT INTO PaiOptJie VALUES(4,8,-1,NULL,NULL,2),(4,8,-1,NULL,NULL,5);
INSERT INTO PaiOptJie VALUES(5,3,2,1,2,4);
INSERT INTO PaiOptDay VALUES(1,4,2,NULL,2,NULL),(2,5,-1,NULL,NULL,1),(3,5,-2,NULL,NULL,1),(4,3,1,1,1,NULL);
INSERT INTO teaman VALUES(1,3),(2,1),(3,1);
INSERT INTO teawife VALUES(1,7),(2,2),(3,4);
)SQL");
    School s = f.load();
    const auto& o = s.opt;
    ASSERT_EQ(o.JieOptBK.size1(), 3);
    ASSERT_EQ(o.JieOptBK.size2(), 3);
    ASSERT_EQ(o.JieOptBK.size3(), 9);
    ASSERT_EQ(o.JieOptT.size1(), 8);
    ASSERT_EQ(o.DayOptBK.size3(), 8);
    ASSERT_EQ(o.TeaExclusive.size(), 8u);

    EXPECT_EQ(o.JieOptBK(0, 1, 1), -3);  // the later of two whole-school rows
    EXPECT_EQ(o.JieOptBK(2, 1, 2), 1);
    EXPECT_EQ(o.JieOptBK(2, 2, 2), 1);
    EXPECT_EQ(o.JieOptBK(0, 1, 2), 0);
    EXPECT_EQ(o.JieOptT(2, 8), -1);
    EXPECT_EQ(o.JieOptT(5, 8), -1);
    EXPECT_EQ(o.JieOptBK(1, 2, 3), 2);  // a row naming both counts for the subject
    EXPECT_EQ(o.JieOptT(4, 3), 0);
    EXPECT_EQ(o.DayOptBK(0, 2, 4), 2);
    EXPECT_EQ(o.DayOptT(1, 5), -2);
    EXPECT_EQ(o.DayOptBK(1, 1, 3), 1);

    EXPECT_EQ(o.TeaExclusive[3], 7);
    EXPECT_EQ(o.TeaExclusive[7], 3);
    EXPECT_EQ(o.TeaExclusive[1], 4);  // in two pairs: the partner loaded last
    EXPECT_EQ(o.TeaExclusive[2], 1);
    EXPECT_EQ(o.TeaExclusive[4], 1);
    EXPECT_EQ(o.TeaExclusive[5], 0);
    EXPECT_TRUE(s.skipped.empty());

    auto rows = model::readConditionRows(f.store(), s);
    ASSERT_EQ(rows.jie.size(), 7u);
    EXPECT_EQ(rows.jie[6].ke, 2);
    EXPECT_EQ(rows.jie[6].tea, 0);
    EXPECT_EQ(rows.jie[6].ban, 1);
    ASSERT_EQ(rows.pairs.size(), 3u);
}
