// Every save of the program, failed at each of its statements in turn through the store's
// failure hook: the fault reaches the caller and the file stays byte for byte as it was.
#include <gtest/gtest.h>

#include "scheduler/save.h"
#include "support/school_builder.h"
#include "store/dbfile.h"
#include "store/log.h"
#include "timetable/kbdata.h"
#include "users/users.h"

using namespace tavrin;
using tavrin::testing::SchoolBuilder;

namespace {

// Runs `save` with its n-th statement failing, for n = 1, 2, ... until a run no longer
// reaches the failure. Each failed run must throw a DbError (unless `faultsReachCaller` is
// false: then it must go through and log the fault) and leave the file unchanged; the
// last run must change it. Returns how many statements the save runs.
template <class F>
int sweepFailures(store::Store& s, F save, bool faultsReachCaller = true)
{
    const auto file = s.path();
    const std::string before = tavrin::testing::readFile(file);
    std::vector<std::string> logged;
    auto previous = store::setLogSink([&](const std::string& line) { logged.push_back(line); });
    int n = 1;
    for (;; ++n) {
        s.failAfter(n);
        logged.clear();
        bool threw = false;
        try {
            save();
        } catch (const store::DbError&) {
            threw = true;
        }
        if (!s.failureFired())
            break;
        if (faultsReachCaller) {
            EXPECT_TRUE(threw) << "statement " << n << ": the fault did not reach the caller";
        } else {
            EXPECT_FALSE(threw) << "statement " << n;
            EXPECT_FALSE(logged.empty()) << "statement " << n << ": the fault was swallowed unseen";
        }
        EXPECT_FALSE(s.inTransaction()) << "statement " << n;
        EXPECT_EQ(tavrin::testing::readFile(file), before) << "the file changed after a failure at statement " << n;
        if (::testing::Test::HasFailure())
            break;
    }
    s.failAfter(0);
    store::setLogSink(std::move(previous));
    EXPECT_NE(tavrin::testing::readFile(file), before) << "the save that went through changed nothing";
    return n - 1;
}

// Two classes, two subjects, two teachers, a week of 5 x 4, a stored timetable, a lock and
// a second user: a row in every table the saves rewrite.
class SaveFaults : public ::testing::Test {
protected:
    SchoolBuilder b;
    model::School school;

    void SetUp() override
    {
        const int ji = b.ji("初一");
        const int c1 = b.ban("初一(1)班", ji);
        const int c2 = b.ban("初一(2)班", ji);
        const int k1 = b.ke("语文");
        const int k2 = b.ke("数学");
        const int t1 = b.tea("张老师");
        const int t2 = b.tea("李老师");
        b.renke(t1, c1, k1, 4);
        b.renke(t1, c2, k1, 4);
        b.renke(t2, c1, k2, 3);
        b.renke(t2, c2, k2, 3);
        b.gudin(c1, 5, 4);
        b.markTea(t1, 1, 1, 3);
        b.jieOpt(1, 1, 1, 0, k1);
        b.exclusion(1, t1, t2);
        b.store().run("INSERT INTO publictimebd VALUES(2, '课间操')");
        b.store().run("INSERT INTO timebd VALUES(1, '8:00')");
        b.store().run("INSERT INTO userbd VALUES(2, '教务', ?1, 1)", users::hashPassword("pw"));
        school = b.load();
        scheduler::RunRequest req;
        req.seed = 1;
        ASSERT_FALSE(scheduler::scheduleAndSave(b.store(), school, req).result.cancelled);
        ASSERT_GT(b.store().scalar("SELECT count(*) FROM kechenbd"), 0);
    }

    users::Session loggedIn(int index, const std::string& password)
    {
        users::Session s;
        EXPECT_TRUE(users::login(users::loadUsers(b.store()), index, password, s).ok);
        return s;
    }
};

}  // namespace

TEST_F(SaveFaults, Schedule)
{
    scheduler::RunRequest req;
    req.seed = 7;
    req.opts.strength = 1;  // the options row changes too
    const int statements = sweepFailures(b.store(), [&] { scheduler::scheduleAndSave(b.store(), school, req); });
    EXPECT_GT(statements, 20);
}

TEST_F(SaveFaults, Timetable)
{
    timetable::KbData kb;
    timetable::LoadKbData(b.store(), kb);
    for (int slot = 1; slot <= kb.N(); ++slot)
        kb.gridB()(1, slot) = -1;
    kb.school.BanLocked[2] = 1;
    kb.school.TeaLocked[1] = 1;
    const int statements = sweepFailures(b.store(), [&] { ASSERT_TRUE(timetable::SaveKbData(b.store(), kb)); });
    EXPECT_GT(statements, 10);
}

TEST_F(SaveFaults, Users)
{
    {
        SCOPED_TRACE("new user");
        const users::Session start = loggedIn(0, "");
        sweepFailures(b.store(), [&] {
            users::Session s = start;
            users::createUser(b.store(), s, "新用户", "p", "p", users::Viewer);
        });
    }
    {
        SCOPED_TRACE("password");
        const users::Session start = loggedIn(1, "pw");
        sweepFailures(b.store(), [&] {
            users::Session s = start;
            users::changePassword(b.store(), s, "pw", "新", "新");
        });
    }
    {
        SCOPED_TRACE("delete");
        const users::Session start = loggedIn(1, "新");
        sweepFailures(b.store(), [&] {
            users::Session s = start;
            users::deleteUser(b.store(), s);
        });
    }
    {
        SCOPED_TRACE("hashing a password stored as typed at login");
        b.store().run("UPDATE userbd SET password = 'as typed'");
        const auto rows = users::loadUsers(b.store());
        sweepFailures(
            b.store(),
            [&] {
                users::Session s;
                EXPECT_TRUE(users::login(b.store(), rows, 0, "as typed", s).ok);
            },
            false);
    }
}

class ClearFaults : public SaveFaults, public ::testing::WithParamInterface<int> {};

TEST_P(ClearFaults, ClearStep)
{
    sweepFailures(b.store(), [&] { ASSERT_TRUE(store::clearStep(b.store(), GetParam())); });
}

INSTANTIATE_TEST_SUITE_P(Steps, ClearFaults, ::testing::Values(1, 2, 3, 4, 6));
