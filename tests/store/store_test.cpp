#include <gtest/gtest.h>

#include "users/users.h"
#include "store/dbfile.h"
#include "store/schema.h"
#include "store/store.h"
#include "support/testutil.h"

using namespace tavrin;
using tavrin::testing::TempDir;

namespace {

// A school with one row in every dependent table, so each clear command's cascade shows.
void fillSchool(store::Store& s)
{
    s.exec(R"SQL(
INSERT INTO jibd VALUES(1,'初一');
INSERT INTO banbd VALUES(1,'初一(1)班',1,0);
INSERT INTO daybd VALUES(1,'星期一');
INSERT INTO jieshu VALUES(4,4,0);
INSERT INTO timebd VALUES(1,'8:00');
INSERT INTO publictimebd VALUES(2,'课间操');
INSERT INTO gudinbd VALUES(1,'班会',1,8,1);
INSERT INTO kemubd VALUES(1,'语文','语',0,0);
INSERT INTO kemujieshu VALUES(1,1,5);
INSERT INTO teshuke VALUES(1,1,1,1,1);
INSERT INTO teabd VALUES(1,'张老师','张',0);
INSERT INTO teabd VALUES(2,'李老师','李',0);
INSERT INTO renkebd VALUES(0,1,1,1,5,0);
INSERT INTO teshutea VALUES(1,1,2,3);
INSERT INTO kechenbd VALUES(1,1,1,1,1,1,80);
INSERT INTO PaiOptJie VALUES(1,1,1,1,1,NULL);
INSERT INTO PaiOptJie VALUES(2,1,-1,NULL,NULL,2);
INSERT INTO PaiOptDay VALUES(1,1,1,NULL,1,NULL);
INSERT INTO teaman VALUES(1,1);
INSERT INTO teawife VALUES(1,2);
)SQL");
}

long long count(store::Store& s, const std::string& table)
{
    return s.scalar("SELECT count(*) FROM " + table);
}

}  // namespace

TEST(Store, NewDatabaseHasEveryTableTheDefaultUserAndOptions)
{
    TempDir d;
    auto f = d / "db.dat";
    ASSERT_TRUE(users::initDatabase(f));
    EXPECT_EQ(store::checkSchoolFile(f).message, "");
    EXPECT_TRUE(store::checkSchoolFile(f));
    store::Store s(f);
    EXPECT_EQ(s.scalar("SELECT count(*) FROM sqlite_master WHERE type='table'"), 22);
    EXPECT_EQ(count(s, "userbd"), 1);
    auto st = s.prepare("SELECT userid, username, usertype FROM userbd");
    ASSERT_TRUE(st.step());
    EXPECT_EQ(st.integer(0), 1);
    EXPECT_EQ(st.text(1), "默认用户");
    EXPECT_EQ(st.integer(2), 1);

    auto opt = s.prepare("SELECT group_concat(PaiItm || '=' || ItmVar, ',') FROM (SELECT * FROM PaiOpt ORDER BY PaiItm)");
    ASSERT_TRUE(opt.step());
    EXPECT_EQ(opt.text(0), "1=3,2=1,3=2,4=1");
    EXPECT_EQ(s.scalar("PRAGMA foreign_keys"), 1);
}

TEST(Store, InitNeverOverwritesAnExistingFile)
{
    TempDir d;
    auto f = d / "db.dat";
    tavrin::testing::writeFile(f, "precious");
    EXPECT_FALSE(users::initDatabase(f));
    EXPECT_EQ(tavrin::testing::readFile(f), "precious");
}

struct ClearCase {
    int step;
    std::vector<std::pair<std::string, long long>> after;  // table -> rows left
};

class ClearStep : public ::testing::TestWithParam<ClearCase> {};

TEST_P(ClearStep, CascadesToTheDependentRows)
{
    TempDir d;
    auto f = d / "db.dat";
    ASSERT_TRUE(users::initDatabase(f));
    store::Store s(f);
    fillSchool(s);
    ASSERT_TRUE(store::clearStep(s, GetParam().step));
    for (auto& [table, n] : GetParam().after)
        EXPECT_EQ(count(s, table), n) << table << " after clearing step " << GetParam().step;
}

INSTANTIATE_TEST_SUITE_P(
    Steps, ClearStep,
    ::testing::Values(
        ClearCase{1,
                  {{"jibd", 0}, {"banbd", 0}, {"kemujieshu", 0}, {"teshuke", 0}, {"renkebd", 0}, {"gudinbd", 0},
                   {"kechenbd", 0}, {"PaiOptJie", 1}, {"PaiOptDay", 1}, {"kemubd", 1}, {"teabd", 2}, {"daybd", 1},
                   {"teshutea", 1}, {"teaman", 1}}},
        ClearCase{2,
                  {{"gudinbd", 0}, {"publictimebd", 0}, {"timebd", 0}, {"daybd", 1}, {"jieshu", 1}, {"banbd", 1},
                   {"kechenbd", 1}}},
        ClearCase{3,
                  {{"kemubd", 0}, {"kemujieshu", 0}, {"teshuke", 0}, {"renkebd", 0}, {"kechenbd", 0},
                   {"PaiOptJie", 1}, {"PaiOptDay", 0}, {"teabd", 2}, {"banbd", 1}}},
        ClearCase{4,
                  {{"teabd", 0}, {"renkebd", 0}, {"teshutea", 0}, {"kechenbd", 0}, {"teaman", 0}, {"teawife", 0},
                   {"PaiOptJie", 1}, {"kemujieshu", 1}, {"teshuke", 1}}},
        ClearCase{6, {{"kechenbd", 0}, {"renkebd", 1}, {"banbd", 1}, {"teabd", 2}}}));

TEST(Store, RenumberingCarriesNewIdsToEveryReferringRow)
{
    TempDir d;
    auto f = d / "db.dat";
    ASSERT_TRUE(users::initDatabase(f));
    store::Store s(f);
    fillSchool(s);
    s.exec("INSERT INTO kemubd VALUES(3,'数学','数',0,0); INSERT INTO kemujieshu VALUES(3,1,4);"
           "INSERT INTO renkebd VALUES(1,2,1,3,4,0); INSERT INTO kechenbd VALUES(2,1,2,1,2,3,50);");
    s.transaction([&] {
        s.run("DELETE FROM kemubd WHERE kemuid=1");
        s.run("UPDATE kemubd SET kemuid=kemuid+500");
        s.run("UPDATE kemubd SET kemuid=1 WHERE kemuid=503");
    });
    EXPECT_EQ(s.scalar("SELECT kemuid FROM kemujieshu"), 1);
    EXPECT_EQ(s.scalar("SELECT keid FROM renkebd"), 1);
    EXPECT_EQ(s.scalar("SELECT theke FROM kechenbd"), 1);
    EXPECT_EQ(count(s, "kechenbd"), 1);
}

TEST(Store, TransactionRollsBackWholeOnError)
{
    TempDir d;
    auto f = d / "db.dat";
    ASSERT_TRUE(users::initDatabase(f));
    store::Store s(f);
    EXPECT_THROW(s.transaction([&] {
        s.run("INSERT INTO jibd VALUES(1,'a')");
        s.run("INSERT INTO jibd VALUES(1,'b')");  // duplicate key
    }),
                 store::DbError);
    EXPECT_EQ(count(s, "jibd"), 0);
}

TEST(Store, TextIsStoredExactlyAsTyped)
{
    TempDir d;
    auto f = d / "db.dat";
    ASSERT_TRUE(users::initDatabase(f));
    store::Store s(f);
    const std::string name = "O'Brien \\ \"引号\" 😀'; DROP TABLE jibd; --";
    s.run("INSERT INTO jibd VALUES(1, ?1)", name);
    auto st = s.prepare("SELECT jiname FROM jibd WHERE jiname=?1");
    st.bind(1, name);
    ASSERT_TRUE(st.step());
    EXPECT_EQ(st.text("jiname"), name);
}

TEST(DbFile, FallbackIsRenamedWhenTheMainFileIsMissing)
{
    TempDir d;
    ASSERT_TRUE(users::initDatabase(d / "db.wkt"));
    auto l = store::locateDatabase(d.path());
    EXPECT_TRUE(l.found);
    EXPECT_TRUE(l.renamedFallback);
    EXPECT_TRUE(std::filesystem::exists(d / "db.dat"));
    EXPECT_FALSE(std::filesystem::exists(d / "db.wkt"));
}

TEST(DbFile, NeitherFileIsReportedAsNotFound)
{
    TempDir d;
    auto l = store::locateDatabase(d.path());
    EXPECT_FALSE(l.found);
    EXPECT_FALSE(std::filesystem::exists(d / "db.dat"));
}

// The compaction works on the school file itself: a file named like the old temporary
// file is the user's, perhaps another school, and stays as it was.
TEST(DbFile, CompactionLeavesAFileNamedDbTempAloneAndKeepsTheData)
{
    TempDir d;
    auto f = d / "db.dat";
    ASSERT_TRUE(users::initDatabase(f));
    {
        store::Store s(f);
        fillSchool(s);
    }
    tavrin::testing::writeFile(d / "db_temp.dat", "another school, or anything else");
    EXPECT_TRUE(store::compactDatabase(f));
    EXPECT_EQ(tavrin::testing::readFile(d / "db_temp.dat"), "another school, or anything else");
    store::Store s(f);
    EXPECT_EQ(count(s, "kechenbd"), 1);
}

TEST(DbFile, CompactionOfABrokenFileFailsSilentlyAndChangesNothing)
{
    TempDir d;
    auto f = d / "db.dat";
    tavrin::testing::writeFile(f, "this is not a database at all");
    EXPECT_FALSE(store::compactDatabase(f));
    EXPECT_EQ(tavrin::testing::readFile(f), "this is not a database at all");
}

TEST(DbFile, BackupNameGetsTheExtensionOnce)
{
    EXPECT_EQ(store::backupFileName("/tmp/备份"), "/tmp/备份.wkt");
    EXPECT_EQ(store::backupFileName("/tmp/备份.wkt"), "/tmp/备份.wkt");
    EXPECT_EQ(store::backupFileName("/tmp/备份.WKT"), "/tmp/备份.WKT.wkt");
    EXPECT_EQ(store::backupFileName("a.dat"), "a.dat.wkt");
}

TEST(DbFile, BackupThenRestoreBringsBackTheData)
{
    TempDir d;
    auto f = d / "db.dat";
    ASSERT_TRUE(users::initDatabase(f));
    store::Store s(f);
    fillSchool(s);
    auto b = d / "copy.wkt";
    ASSERT_TRUE(store::backupDatabase(s, b));
    ASSERT_TRUE(store::clearStep(s, 1));
    EXPECT_EQ(count(s, "banbd"), 0);
    EXPECT_TRUE(store::restoreDatabase(s, b));
    EXPECT_EQ(count(s, "banbd"), 1);
    EXPECT_EQ(s.scalar("PRAGMA foreign_keys"), 1);
}

TEST(DbFile, RestoreRefusesFilesThatAreNotSchoolDatabases)
{
    TempDir d;
    auto f = d / "db.dat";
    ASSERT_TRUE(users::initDatabase(f));
    store::Store s(f);
    fillSchool(s);
    auto before = count(s, "kechenbd");

    auto text = d / "notes.wkt";
    tavrin::testing::writeFile(text, "hello");
    auto other = d / "other.wkt";
    {
        store::Store o(other, store::Store::Mode::CreateIfMissing);
        o.exec("CREATE TABLE t(x)");
    }
    for (auto& bad : {text, other, d / "missing.wkt"}) {
        EXPECT_NE(store::restoreDatabase(s, bad).message, "") << bad;
        EXPECT_FALSE(store::restoreDatabase(s, bad)) << bad;
        EXPECT_EQ(count(s, "kechenbd"), before);
    }
}

TEST(DbFile, CheckNamesTheFile)
{
    TempDir d;
    auto f = d / "garbage.dat";
    tavrin::testing::writeFile(f, std::string(4096, 'x'));
    auto why = store::checkSchoolFile(f).message;
    EXPECT_NE(why.find(f.string()), std::string::npos) << why;
}

namespace {
std::vector<long long> jiIds(store::Store& s)
{
    std::vector<long long> out;
    auto st = s.prepare("SELECT jiid FROM jibd ORDER BY jiid");
    while (st.step())
        out.push_back(st.int64(0));
    return out;
}
}  // namespace

// A fault inside a nested transaction undoes that part only; the outer transaction goes
// on and then commits or rolls back whole.
TEST(Store, ANestedFailureRollsBackItsOwnPartOnly)
{
    enum Fault { Constraint, Hook };
    struct C {
        const char* what;
        Fault fault;
        bool outerCommits;
        std::vector<long long> after;
    };
    const std::vector<C> cases = {
        {"constraint, outer commits", Constraint, true, {1, 4}},
        {"constraint, outer rolls back", Constraint, false, {}},
        {"injected fault, outer commits", Hook, true, {1, 4}},
        {"injected fault, outer rolls back", Hook, false, {}},
    };
    for (const auto& c : cases) {
        TempDir d;
        auto f = d / "db.dat";
        ASSERT_TRUE(users::initDatabase(f));
        store::Store s(f);
        auto outer = [&] {
            s.run("INSERT INTO jibd VALUES(1, 'a')");
            try {
                s.transaction([&] {
                    s.run("INSERT INTO jibd VALUES(2, 'b')");
                    // A deeper level that succeeded is undone with the level around it.
                    s.transaction([&] { s.run("INSERT INTO jibd VALUES(3, 'c')"); });
                    if (c.fault == Constraint) {
                        s.run("INSERT INTO jibd VALUES(2, 'again')");
                    } else {
                        s.failAfter(1);
                        s.run("INSERT INTO jibd VALUES(5, 'e')");
                    }
                });
                ADD_FAILURE() << c.what << ": the inner part did not fail";
            } catch (const store::DbError&) {
            }
            EXPECT_EQ(jiIds(s), (std::vector<long long>{1})) << c.what;
            s.run("INSERT INTO jibd VALUES(4, 'd')");
            if (!c.outerCommits)
                throw std::runtime_error("the outer part fails too");
        };
        if (c.outerCommits)
            s.transaction(outer);
        else
            EXPECT_THROW(s.transaction(outer), std::runtime_error) << c.what;
        EXPECT_FALSE(s.inTransaction()) << c.what;
        EXPECT_EQ(jiIds(s), c.after) << c.what;
    }
}

TEST(Store, TheFailureHookFailsExactlyTheNthStatement)
{
    TempDir d;
    auto f = d / "db.dat";
    ASSERT_TRUE(users::initDatabase(f));
    store::Store s(f);
    s.failAfter(3);
    s.run("INSERT INTO jibd VALUES(1, 'a')");
    s.run("INSERT INTO jibd VALUES(2, 'b')");
    EXPECT_FALSE(s.failureFired());
    EXPECT_THROW(s.run("INSERT INTO jibd VALUES(3, 'c')"), store::DbError);
    EXPECT_TRUE(s.failureFired());
    s.run("INSERT INTO jibd VALUES(4, 'd')");
    EXPECT_EQ(jiIds(s), (std::vector<long long>{1, 2, 4}));
    // Rows of one statement count once, however many there are.
    s.failAfter(2);
    auto st = s.prepare("SELECT jiid FROM jibd");
    int n = 0;
    while (st.step())
        ++n;
    EXPECT_EQ(n, 3);
    EXPECT_FALSE(s.failureFired());
}

// A store opened read-only (a second window, a command that only reads) refuses every
// write with the same message and leaves the file as it was.
TEST(Store, ReadOnlyRefusesEveryWriteWithOneMessage)
{
    TempDir d;
    auto f = d / "db.dat";
    ASSERT_TRUE(users::initDatabase(f));
    {
        store::Store s(f);
        fillSchool(s);
    }
    const std::string before = tavrin::testing::readFile(f);
    store::Store s(f, store::Store::Mode::ReadOnly);
    EXPECT_TRUE(s.readOnly());
    EXPECT_EQ(count(s, "kechenbd"), 1);

    const std::vector<std::pair<const char*, std::function<void()>>> thrown = {
        {"run", [&] { s.run("INSERT INTO jibd VALUES(9, 'x')"); }},
        {"exec", [&] { s.exec("DELETE FROM kechenbd"); }},
        {"schema", [&] { s.exec("CREATE TABLE t(x)"); }},
        {"in a transaction", [&] { s.transaction([&] { s.run("UPDATE banbd SET islock = 1"); }); }},
        {"in a savepoint",
         [&] { s.transaction([&] { s.transaction([&] { s.run("DELETE FROM teabd"); }); }); }},
    };
    for (const auto& [what, write] : thrown) {
        try {
            write();
            ADD_FAILURE() << what << " went through";
        } catch (const store::ReadOnlyError& e) {
            EXPECT_STREQ(e.what(), store::kReadOnlyRefusal) << what;
            EXPECT_EQ(e.message(), store::kReadOnlyRefusal) << what;
        }
        EXPECT_FALSE(s.inTransaction()) << what;
    }
    const std::vector<std::pair<const char*, store::Result>> refusals = {
        {"clear step 1", store::clearStep(s, 1)},
        {"clear step 6", store::clearStep(s, 6)},
        {"restore", store::restoreDatabase(s, f)},
    };
    for (const auto& [what, r] : refusals) {
        EXPECT_FALSE(r) << what;
        EXPECT_EQ(r.message, store::kReadOnlyRefusal) << what;
    }
    EXPECT_EQ(count(s, "kechenbd"), 1);
    EXPECT_EQ(tavrin::testing::readFile(f), before);
}

TEST(Store, FaultsSpeakTheProgramsWordsAndKeepSQLitesForTheLog)
{
    TempDir d;
    auto f = d / "db.dat";
    ASSERT_TRUE(users::initDatabase(f));
    store::Store s(f);
    s.run("INSERT INTO jibd VALUES(1, 'a')");
    try {
        s.run("INSERT INTO jibd VALUES(1, 'b')");
        ADD_FAILURE() << "a duplicate key went through";
    } catch (const store::DbError& e) {
        EXPECT_NE(std::string(e.what()).find("UNIQUE constraint failed"), std::string::npos) << e.what();
        EXPECT_EQ(e.message(), "读写数据库时出错：数据不符合数据库的约束。");
        EXPECT_EQ(store::userMessage(e), e.message());
    }
    try {
        store::Store missing(d / "none" / "db.dat");
        ADD_FAILURE() << "a missing file opened";
    } catch (const store::DbError& e) {
        EXPECT_EQ(e.reason(), "无法打开文件");
    }
}

// Stored text reaches the program as UTF-8: each maximal part of a broken sequence one
// U+FFFD, what follows it read again, valid text untouched; the bytes stay as stored.
TEST(StoreText, InvalidUtf8IsReplacedByMaximalParts)
{
    const std::string R = "\xEF\xBF\xBD";
    const std::pair<std::string, std::string> cases[] = {
        {"初一(1)班", "初一(1)班"},                           // valid, untouched
        {"\xF0\x9F\x98\x80", "\xF0\x9F\x98\x80"},             // four bytes, valid
        {"a\xFF" "b", "a" + R + "b"},                         // never a lead byte
        {"\xE4\xB8" "中", R + "中"},                          // cut short: one part, one mark
        {"\xE4\xB8", R},                                      // cut short at the end
        {"\xC0\xAF", R + R},                                  // overlong: neither byte can begin one
        {"\xED\xA0\x80" "x", R + R + R + "x"},                // a surrogate half
        {"\xF4\x90\x80\x80", R + R + R + R},                  // past U+10FFFF
        {"\x80\x80", R + R},                                  // lone continuation bytes
        {"\xF0\x9F\x98", R},                                  // four-byte form cut short
        {std::string("a\0b", 3), std::string("a\0b", 3)},     // NUL is a character
    };
    TempDir d;
    store::Store s(d / "t.db", store::Store::Mode::CreateIfMissing);
    s.run("CREATE TABLE t(v TEXT)");
    for (const auto& [stored, read] : cases) {
        EXPECT_EQ(store::validUtf8(stored), read);
        s.run("DELETE FROM t");
        s.run("INSERT INTO t(v) VALUES(?1)", stored);
        auto st = s.prepare("SELECT v FROM t");
        ASSERT_TRUE(st.step());
        EXPECT_EQ(st.text(0), read);
        EXPECT_EQ(st.bytes(0), stored);
    }
}
