// The school file as a file: a save a crash interrupted, hostile contents, the compaction
// in place, the lock beside it, and a new file that cannot be made.
#include <gtest/gtest.h>

#include <sqlite3.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <csignal>

#include "app/home.h"
#include "store/dbfile.h"
#include "store/lock.h"
#include "store/store.h"
#include "support/testutil.h"
#include "users/users.h"

using namespace tavrin;
using tavrin::testing::TempDir;
namespace fs = std::filesystem;

namespace {

// Runs `f` in a child process and returns its exit status (-1: it did not exit normally).
template <class F>
int inChild(F f)
{
    std::fflush(nullptr);
    const pid_t pid = ::fork();
    if (pid == 0)
        ::_exit(f());
    int status = 0;
    ::waitpid(pid, &status, 0);
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

// Raw SQL on a plain connection, as another program would write the file.
void rawExec(const fs::path& f, const char* sql)
{
    sqlite3* db = nullptr;
    ASSERT_EQ(sqlite3_open(f.c_str(), &db), SQLITE_OK);
    char* err = nullptr;
    const int rc = sqlite3_exec(db, sql, nullptr, nullptr, &err);
    const std::string why = err ? err : "";
    sqlite3_free(err);
    sqlite3_close(db);
    ASSERT_EQ(rc, SQLITE_OK) << why;
}

long long rows(const fs::path& f, const char* table)
{
    store::Store s(f, store::Store::Mode::ReadOnly);
    return s.scalar(std::string("SELECT count(*) FROM ") + table);
}

unsigned modeOf(const fs::path& p)
{
    struct stat st {};
    ::lstat(p.c_str(), &st);
    return st.st_mode & 07777;
}

// A school with a few hundred lessons, then all of them deleted: the file holds free pages
// that a compaction gives back.
void schoolWithFreePages(const fs::path& f)
{
    ASSERT_TRUE(users::initDatabase(f));
    store::Store s(f);
    s.transaction([&] {
        s.run("INSERT INTO jibd VALUES(1, ?1)", std::string(2000, 'g'));
        for (int i = 1; i <= 400; ++i)
            s.run("INSERT INTO setting(setName, setVar) VALUES(?1, ?2)", "x" + std::to_string(i), std::string(500, 'v'));
    });
    s.run("DELETE FROM setting WHERE setName LIKE 'x%'");
}

}  // namespace

// A save killed while it writes leaves a hot journal; the file must open as it was before.
TEST(SchoolFile, ASaveKilledHalfwayOpensAsBeforeTheCrash)
{
    TempDir d;
    const auto f = d / "db.dat";
    ASSERT_TRUE(users::initDatabase(f));
    {
        store::Store s(f);
        s.run("INSERT INTO jibd VALUES(1, '初一')");
    }
    const int child = inChild([&] {
        store::Store s(f);
        // A tiny cache makes SQLite write changed pages into the file before the commit.
        s.exec("PRAGMA cache_size=1");
        s.exec("BEGIN IMMEDIATE");
        for (int i = 2; i < 3000; ++i)
            s.run("INSERT INTO jibd VALUES(?1, ?2)", i, std::string(200, 'x'));
        ::_exit(0);  // no commit, no rollback, no close: as if killed
        return 1;
    });
    ASSERT_EQ(child, 0);
    fs::path journal = f;
    journal += "-journal";
    ASSERT_TRUE(fs::exists(journal)) << "the fixture must leave a hot journal";
    {
        // What a read-only look at the file meets: it cannot roll the journal back.
        store::Store ro(f, store::Store::Mode::ReadOnly);
        try {
            ro.scalar("SELECT count(*) FROM jibd");
            ADD_FAILURE() << "a read-only open read past a hot journal";
        } catch (const store::DbError& e) {
            EXPECT_EQ(e.code(), SQLITE_READONLY_ROLLBACK) << e.what();
        }
    }

    const store::Result checked = store::checkSchoolFile(f);
    EXPECT_TRUE(checked) << checked.message;
    EXPECT_FALSE(fs::exists(journal));
    EXPECT_EQ(rows(f, "jibd"), 1);
    EXPECT_TRUE(store::quickCheck(f));
}

// Files that are SQLite databases with our names but not our tables: each is refused with
// its reason, at once (a recursive view once hung every command).
TEST(SchoolFile, HostileStandInsAreRefused)
{
    struct C {
        const char* what;
        const char* sql;
        const char* reason;
    };
    const std::vector<C> cases = {
        {"recursive view for banbd",
         "DROP TABLE banbd; CREATE VIEW banbd AS WITH RECURSIVE r(banid, banname, jiid, islock) AS "
         "(SELECT 1, '', 1, 0 UNION ALL SELECT banid + 1, '', 1, 0 FROM r) SELECT * FROM r;",
         "banbd 不是数据表"},
        {"trigger on the timetable", "CREATE TRIGGER wipe AFTER INSERT ON kechenbd BEGIN DELETE FROM jibd; END;",
         "含有触发器 wipe"},
        {"virtual table for jibd", "DROP TABLE jibd; CREATE VIRTUAL TABLE jibd USING fts5(jiid, jiname);",
         "jibd 不是普通数据表"},
        {"a table missing", "DROP TABLE teawife;", "缺少数据表 teawife"},
    };
    for (const auto& c : cases) {
        TempDir d;
        const auto f = d / "db.dat";
        ASSERT_TRUE(users::initDatabase(f));
        rawExec(f, c.sql);
        const std::string before = tavrin::testing::readFile(f);
        const store::Result r = store::checkSchoolFile(f);
        EXPECT_FALSE(r) << c.what;
        EXPECT_NE(r.message.find(c.reason), std::string::npos) << c.what << ": " << r.message;
        EXPECT_NE(r.message.find(f.string()), std::string::npos) << c.what << ": " << r.message;
        EXPECT_EQ(tavrin::testing::readFile(f), before) << c.what;

        // A restore applies the same check.
        const auto target = d / "school.dat";
        ASSERT_TRUE(users::initDatabase(target));
        store::Store s(target);
        const store::Result restored = store::restoreDatabase(s, f);
        EXPECT_FALSE(restored) << c.what;
        EXPECT_NE(restored.message.find(c.reason), std::string::npos) << c.what << ": " << restored.message;
    }
}

TEST(SchoolFile, ConnectionsAreDefensive)
{
    TempDir d;
    const auto f = d / "db.dat";
    ASSERT_TRUE(users::initDatabase(f));
    store::Store s(f);
    // Ordinary SQL may not rewrite the schema behind SQLite's back.
    EXPECT_THROW(s.exec("PRAGMA writable_schema=ON;"
                        "UPDATE sqlite_master SET sql = 'CREATE TABLE jibd(x)' WHERE name = 'jibd'"),
                 store::DbError);
    EXPECT_EQ(s.scalar("PRAGMA trusted_schema"), 0);
}

TEST(SchoolFile, NotAFileAndMissingAreToldApart)
{
    TempDir d;
    fs::create_directory(d / "folder.dat");
    EXPECT_EQ(store::checkSchoolFile(d / "folder.dat").message, "不是文件：" + (d / "folder.dat").string());
    EXPECT_EQ(store::checkSchoolFile(d / "none.dat").message, "文件不存在：" + (d / "none.dat").string());
}

// The compaction is SQLite's VACUUM on the file itself: whatever the file is (private, read-
// only, a link), it stays that, and only a file the user may change is compacted.
TEST(SchoolFile, CompactionKeepsTheFilesModeAndNature)
{
    struct C {
        const char* what;
        unsigned mode;
        bool link;
        bool compacted;
    };
    const std::vector<C> cases = {
        {"ordinary", 0644, false, true},
        {"private", 0600, false, true},
        {"read-only", 0444, false, false},
        {"through a link", 0640, true, true},
    };
    for (const auto& c : cases) {
        TempDir d;
        const auto real = d / "real.dat";
        schoolWithFreePages(real);
        fs::permissions(real, static_cast<fs::perms>(c.mode));
        const auto name = c.link ? d / "db.dat" : real;
        if (c.link)
            fs::create_symlink(real, name);
        const auto size = fs::file_size(real);
        const std::string before = tavrin::testing::readFile(real);

        EXPECT_TRUE(store::compactDatabase(name)) << c.what;

        EXPECT_EQ(modeOf(real), c.mode) << c.what;
        EXPECT_EQ(fs::is_symlink(name), c.link) << c.what;
        if (c.compacted) {
            EXPECT_LT(fs::file_size(real), size) << c.what;
            EXPECT_EQ(rows(real, "jibd"), 1) << c.what;
        } else {
            EXPECT_EQ(tavrin::testing::readFile(real), before) << c.what;
        }
        EXPECT_EQ(std::distance(fs::directory_iterator(d.path()), fs::directory_iterator()), c.link ? 2 : 1)
            << c.what << ": no file left beside it";
    }
}

// A damaged file is reported and left as it is: rewriting it would turn a damaged page
// into changed lessons.
TEST(SchoolFile, ADamagedFileIsReportedNotCompacted)
{
    TempDir d;
    const auto f = d / "db.dat";
    schoolWithFreePages(f);
    int root = 0, pageSize = 0;
    {
        store::Store s(f);
        s.transaction([&] {
            for (int i = 1; i <= 300; ++i)
                s.run("INSERT INTO setting(setName, setVar) VALUES(?1, 'v')", "名称" + std::to_string(i));
        });
        root = static_cast<int>(s.scalar("SELECT rootpage FROM sqlite_master WHERE name = 'setting'"));
        pageSize = static_cast<int>(s.scalar("PRAGMA page_size"));
    }
    std::string bytes = tavrin::testing::readFile(f);
    // The b-tree page type of the settings' root page becomes nonsense.
    bytes[static_cast<std::size_t>((root - 1) * pageSize)] = '\x7f';
    tavrin::testing::writeFile(f, bytes);

    const store::Result r = store::compactDatabase(f);
    EXPECT_FALSE(r);
    EXPECT_NE(r.message.find("已损坏"), std::string::npos) << r.message;
    EXPECT_NE(r.message.find(f.string()), std::string::npos) << r.message;
    EXPECT_EQ(tavrin::testing::readFile(f), bytes);
}

TEST(SchoolLock, OneHolderAtATimeAndFreedWithIt)
{
    TempDir d;
    const auto f = d / "db.dat";
    ASSERT_TRUE(users::initDatabase(f));
    {
        store::SchoolLock first(f);
        ASSERT_TRUE(first.held());
        EXPECT_TRUE(fs::exists(first.lockPath()));
        store::SchoolLock second(f);
        EXPECT_EQ(second.state(), store::SchoolLock::State::Busy);
        // Another name of the same file shares its lock.
        fs::create_symlink(f, d / "link.dat");
        EXPECT_EQ(store::SchoolLock(d / "link.dat").state(), store::SchoolLock::State::Busy);
    }
    EXPECT_FALSE(fs::exists(f.string() + ".lock"));
    EXPECT_TRUE(store::SchoolLock(f).held());
}

// A copy that crashed leaves its lock file behind; the next start takes it over.
TEST(SchoolLock, ALockLeftByACrashedCopyIsTakenOver)
{
    TempDir d;
    const auto f = d / "db.dat";
    ASSERT_TRUE(users::initDatabase(f));
    const int child = inChild([&] {
        auto* lock = new store::SchoolLock(f);  // never released: the process dies holding it
        return lock->held() ? 0 : 1;
    });
    ASSERT_EQ(child, 0);
    ASSERT_TRUE(fs::exists(store::SchoolLock::lockPathOf(f)));
    store::SchoolLock again(f);
    EXPECT_TRUE(again.held());
}

TEST(SchoolLock, AReadOnlyFolderCannotBeWritten)
{
    TempDir d;
    const auto dir = d / "只读 文件夹";
    fs::create_directory(dir);
    const auto f = dir / "db.dat";
    ASSERT_TRUE(users::initDatabase(f));
    fs::permissions(dir, fs::perms::owner_read | fs::perms::owner_exec);
    EXPECT_FALSE(store::canWrite(f));
    EXPECT_TRUE(store::checkSchoolFile(f));
    const std::string before = tavrin::testing::readFile(f);
    EXPECT_TRUE(store::compactDatabase(f));
    EXPECT_EQ(tavrin::testing::readFile(f), before);
    fs::permissions(dir, fs::perms::owner_all);
}

// A new school that cannot be made: one message naming the path and why, and no file left
// for every later start to refuse.
TEST(SchoolFile, ANewFileThatCannotBeMadeLeavesNothing)
{
    TempDir d;
    const auto readOnlyDir = d / "只读";
    fs::create_directory(readOnlyDir);
    fs::permissions(readOnlyDir, fs::perms::owner_read | fs::perms::owner_exec);
    const std::vector<std::pair<fs::path, const char*>> cases = {
        {d / "没有 这个文件夹" / "db.dat", "文件夹不存在"},
        {readOnlyDir / "db.dat", "没有写入权限"},
    };
    for (const auto& [f, reason] : cases) {
        try {
            users::initDatabase(f);
            ADD_FAILURE() << f << " was made";
        } catch (const store::DbError& e) {
            EXPECT_EQ(e.message(), "无法建立数据库文件：" + f.string() + "（" + reason + "）");
        }
        EXPECT_FALSE(fs::exists(f)) << f;
    }
    fs::permissions(readOnlyDir, fs::perms::owner_all);
}

// A full disk, as a limit on the size of the files this process may write.
TEST(SchoolFile, ANewFileOnAFullDiskLeavesNothing)
{
    TempDir d;
    const auto f = d / "学校 文件.dat";
    const int child = inChild([&] {
        std::signal(SIGXFSZ, SIG_IGN);
        rlimit lim{8192, 8192};
        ::setrlimit(RLIMIT_FSIZE, &lim);
        try {
            users::initDatabase(f);
            return 2;
        } catch (const store::DbError& e) {
            const bool named = e.message().find(f.string()) != std::string::npos;
            return fs::exists(f) ? 3 : named ? 0 : 4;
        }
    });
    EXPECT_EQ(child, 0) << "2: made anyway, 3: a file left behind, 4: the message does not name it";
    EXPECT_TRUE(fs::is_empty(d.path()));
}

TEST(SchoolFile, APathWithSpacesAndChineseWorksThroughout)
{
    TempDir d;
    const auto dir = d / "二〇二四 秋季 学期";
    fs::create_directory(dir);
    const auto f = dir / "学校 数据.dat";
    ASSERT_TRUE(users::initDatabase(f));
    EXPECT_TRUE(store::checkSchoolFile(f));
    store::SchoolLock lock(f);
    EXPECT_TRUE(lock.held());
    EXPECT_TRUE(store::compactDatabase(f));
    EXPECT_EQ(rows(f, "userbd"), 1);
}
