#include <gtest/gtest.h>

#include "app/home.h"
#include "store/store.h"
#include "support/testutil.h"
#include "users/users.h"

using namespace tavrin;
using tavrin::testing::TempDir;

namespace {

struct Fixture {
    TempDir dir;
    std::unique_ptr<store::Store> s;
    Fixture()
    {
        users::initDatabase(dir / "db.dat");
        s = std::make_unique<store::Store>(dir / "db.dat");
    }
    void setUsers(const std::vector<std::tuple<int, std::string, std::string, int>>& rows)
    {
        s->run("DELETE FROM userbd");
        for (auto& [id, name, pass, type] : rows)
            s->run("INSERT INTO userbd VALUES(?1, ?2, ?3, ?4)", id, name, users::hashPassword(pass), type);
    }
    // Rows whose password column holds exactly `stored`, hash or not.
    void setStored(const std::vector<std::tuple<int, std::string, std::string, int>>& rows)
    {
        s->run("DELETE FROM userbd");
        for (auto& [id, name, stored, type] : rows)
            s->run("INSERT INTO userbd VALUES(?1, ?2, ?3, ?4)", id, name, stored, type);
    }
    // The bytes as stored: what the login must leave alone when it does not replace them.
    std::string storedOf(int id)
    {
        auto st = s->prepare("SELECT password FROM userbd WHERE userid=?1");
        st.bind(1, id);
        return st.step() ? st.bytes(0) : std::string("<no row>");
    }
};

}  // namespace

TEST(Users, HashesAreSaltedAndVerify)
{
    auto a = users::hashPassword("秘密'\\😀");
    auto b = users::hashPassword("秘密'\\😀");
    EXPECT_NE(a, b);
    EXPECT_TRUE(users::verifyPassword(a, "秘密'\\😀"));
    EXPECT_FALSE(users::verifyPassword(a, "秘密"));
    EXPECT_TRUE(users::isHash(a));
    // A stored value that is not a hash is the password as typed (a file written by hand).
    EXPECT_FALSE(users::isHash("plain text"));
    EXPECT_TRUE(users::verifyPassword("plain text", "plain text"));
    EXPECT_FALSE(users::verifyPassword("plain text", "plain tex"));
    EXPECT_FALSE(users::verifyPassword("plain text", "Plain text"));
}

struct AutoCase {
    const char* what;
    std::vector<std::tuple<int, std::string, std::string, int>> rows;
    bool automatic;
};

TEST(Users, AutomaticLoginOnlyForALoneDefaultUserWithoutPassword)
{
    const std::vector<AutoCase> cases = {
        {"lone default user", {{1, "默认用户", "", 1}}, true},
        {"lone default user stored as viewer", {{1, "默认用户", "", 2}}, true},
        {"default user with a password", {{1, "默认用户", "x", 1}}, false},
        {"lone user with another name", {{1, "教务处", "", 1}}, false},
        {"two users", {{1, "默认用户", "", 1}, {2, "王", "", 1}}, false},
        {"no user", {}, false},
    };
    for (const auto& c : cases) {
        Fixture f;
        f.setUsers(c.rows);
        EXPECT_EQ(users::isAutoLogin(users::loadUsers(*f.s)), c.automatic) << c.what;
    }
}

struct LoginCase {
    const char* what;
    int index;
    const char* password;
    bool ok;
    const char* message;
    int type;      // session type after a good login
    int id;        // session id after a good login
};

TEST(Users, LoginRules)
{
    const std::vector<std::tuple<int, std::string, std::string, int>> rows = {
        {1, "张三", "", 1}, {3, "张三", "abc", 2}, {4, "李四'\\", "😀", 2}};
    const std::vector<LoginCase> cases = {
        {"nothing chosen", -1, "", false, "请选择用户。", 0, 0},
        {"empty password matches empty box", 0, "", true, "", 1, 1},
        {"same name, own password", 1, "abc", true, "", 2, 3},
        {"same name, other row's password", 1, "", false, "密码错误。", 0, 0},
        {"case matters", 1, "ABC", false, "密码错误。", 0, 0},
        {"quotes and emoji", 2, "😀", true, "", 2, 4},
    };
    for (const auto& c : cases) {
        Fixture f;
        f.setUsers(rows);
        users::Session s;
        auto r = users::login(users::loadUsers(*f.s), c.index, c.password, s);
        EXPECT_EQ(r.ok, c.ok) << c.what;
        EXPECT_EQ(r.message, c.message) << c.what;
        if (c.ok) {
            EXPECT_EQ(s.type, c.type) << c.what;
            EXPECT_EQ(s.id, c.id) << c.what;
            EXPECT_EQ(s.num, 3) << c.what;
        } else {
            EXPECT_EQ(s.id, 0) << c.what;
        }
    }
}

TEST(Users, ALoneViewerWorksAsOperatorButIsLabelledViewer)
{
    Fixture f;
    f.setUsers({{1, "小王", "", 2}});
    users::Session s;
    auto list = users::loadUsers(*f.s);
    ASSERT_TRUE(users::login(list, 0, "", s).ok);
    EXPECT_EQ(s.type, users::Operator);
    EXPECT_FALSE(s.isViewer());
    EXPECT_EQ(list[0].type, users::Viewer);
}

TEST(Users, CreatingAUserRenumbersAndTheSessionFollowsItsRow)
{
    Fixture f;
    f.setUsers({{1, "甲", "", 1}, {3, "乙", "", 1}});
    users::Session s;
    ASSERT_TRUE(users::login(users::loadUsers(*f.s), 1, "", s).ok);
    EXPECT_EQ(s.id, 3);
    auto r = users::createUser(*f.s, s, "丙", "p", "p", users::Viewer);
    EXPECT_TRUE(r.ok);
    EXPECT_EQ(r.message, "新建用户完成");
    auto list = users::loadUsers(*f.s);
    ASSERT_EQ(list.size(), 3u);
    EXPECT_EQ(list[0].id, 1);
    EXPECT_EQ(list[1].id, 2);
    EXPECT_EQ(list[2].id, 3);
    EXPECT_EQ(list[2].type, users::Viewer);
    EXPECT_EQ(s.id, 2);
    EXPECT_EQ(s.num, 3);
}

TEST(Users, CreateUserRefusals)
{
    struct C {
        const char* name;
        const char* p1;
        const char* p2;
        int sessionType;
        const char* message;
    };
    const std::vector<C> cases = {
        {"新人", "", "", users::Viewer, "以“浏览者”身份登陆时不能修改数据。"},
        {"", "a", "a", users::Operator, "用户名未填写"},
        {"新人", "a", "b", users::Operator, "再输入的密码与第一次输入的密码不相同。"},
    };
    for (const auto& c : cases) {
        Fixture f;
        users::Session s;
        s.id = 1;
        s.num = 1;
        s.type = c.sessionType;
        auto r = users::createUser(*f.s, s, c.name, c.p1, c.p2, users::Operator);
        EXPECT_FALSE(r.ok);
        EXPECT_EQ(r.message, c.message);
        EXPECT_EQ(f.s->scalar("SELECT count(*) FROM userbd"), 1);
    }
}

TEST(Users, ChangePasswordChecksTheOldOneAndTheRepeat)
{
    Fixture f;
    f.setUsers({{1, "甲", "old", 2}, {2, "乙", "", 1}});
    users::Session s;
    ASSERT_TRUE(users::login(users::loadUsers(*f.s), 0, "old", s).ok);
    EXPECT_EQ(users::changePassword(*f.s, s, "wrong", "n", "n").message, "原始密码错误。");
    EXPECT_EQ(users::changePassword(*f.s, s, "old", "n", "m").message, "再输入的新密码不相符。");
    // A viewer may change his own password.
    auto r = users::changePassword(*f.s, s, "old", "新'密码", "新'密码");
    EXPECT_TRUE(r.ok);
    EXPECT_EQ(r.message, "密码修改完成");
    users::Session again;
    EXPECT_TRUE(users::login(users::loadUsers(*f.s), 0, "新'密码", again).ok);
    EXPECT_FALSE(users::login(users::loadUsers(*f.s), 0, "old", again).ok);
}

TEST(Users, DeleteUserKeepsOthersNumbersAndRefusesTheLastOne)
{
    Fixture f;
    f.setUsers({{1, "甲", "", 1}, {2, "乙", "", 2}, {3, "丙", "", 1}});
    users::Session s;
    ASSERT_TRUE(users::login(users::loadUsers(*f.s), 1, "", s).ok);
    auto r = users::deleteUser(*f.s, s);
    EXPECT_TRUE(r.ok);
    EXPECT_EQ(r.message, "删除完成，重新登录。");
    auto list = users::loadUsers(*f.s);
    ASSERT_EQ(list.size(), 2u);
    EXPECT_EQ(list[0].id, 1);
    EXPECT_EQ(list[1].id, 3);

    users::Session lone;
    lone.num = 1;
    lone.id = 1;
    EXPECT_EQ(users::deleteUser(*f.s, lone).message, "这是唯一的用户，不能再删除了。");
}

namespace {
// Argon2 strings with a well-formed salt and hash whose cost no copy of this program asks
// for; verifying one would take hours or more memory than the machine has.
const std::string kSalt = "$c2FsdHNhbHRzYWx0c2FsdA$aGFzaGhhc2hoYXNoaGFzaGhhc2hoYXNoaGFzaGhhc2g";
const std::string kManyPasses = "$argon2id$v=19$m=65536,t=100000,p=1" + kSalt;
const std::string kHugeMemory = "$argon2id$v=19$m=4194304,t=2,p=1" + kSalt;
const std::string kManyLanes = "$argon2i$v=19$m=65536,t=2,p=64" + kSalt;
}  // namespace

// The login on every form a stored password can take: our hash, the password as typed
// (written by hand, by another copy, restored from a backup), of any length and bytes,
// and hashes too costly to verify.
TEST(Users, LoginOnEveryStoredForm)
{
    struct C {
        const char* what;
        std::string stored;  // "#hash:" + password: hashed here; anything else stored as is
        std::string typed;
        bool ok;
    };
    const std::string odd("a\0b'\\\"😀\n", 9);
    const std::string longOne(10000, 'x');
    const std::vector<C> cases = {
        {"hash, right", "#hash:abc", "abc", true},
        {"hash, wrong", "#hash:abc", "abd", false},
        {"hash of empty, empty", "#hash:", "", true},
        {"hash of empty, something", "#hash:", "x", false},
        {"plain, right", "abc", "abc", true},
        {"plain, wrong", "abc", "abd", false},
        {"plain, prefix only", "abc", "ab", false},
        {"plain, longer", "abc", "abcd", false},
        {"plain empty, empty", "", "", true},
        {"plain empty, something", "", "x", false},
        {"plain, odd bytes", odd, odd, true},
        {"plain, odd bytes, wrong", odd, "a", false},
        {"plain, very long", longOne, longOne, true},
        {"plain, very long, one short", longOne, longOne.substr(1), false},
        {"plain that looks like a broken hash", "$argon2id$v=19$m=1", "$argon2id$v=19$m=1", true},
        {"hash demanding 100000 passes", kManyPasses, "", false},
        {"hash demanding 4 GiB", kHugeMemory, "", false},
        {"hash demanding 64 lanes", kManyLanes, "", false},
    };
    for (const auto& c : cases) {
        Fixture f;
        const bool hashed = c.stored.rfind("#hash:", 0) == 0;
        const std::string stored = hashed ? users::hashPassword(c.stored.substr(6)) : c.stored;
        f.setStored({{1, "甲", stored, 1}, {2, "乙", "other", 2}});
        users::Session s;
        const auto rows = users::loadUsers(*f.s);
        const auto r = users::login(*f.s, rows, 0, c.typed, s);
        EXPECT_EQ(r.ok, c.ok) << c.what;
        EXPECT_EQ(r.message, c.ok ? "" : "密码错误。") << c.what;
        const std::string after = f.storedOf(1);
        if (c.ok && !hashed) {
            // The password as typed is replaced by its hash, which verifies it.
            EXPECT_TRUE(users::isHash(after)) << c.what;
            EXPECT_TRUE(users::verifyPassword(after, c.typed)) << c.what;
            users::Session again;
            EXPECT_TRUE(users::login(*f.s, users::loadUsers(*f.s), 0, c.typed, again).ok) << c.what;
        } else {
            EXPECT_EQ(after, stored) << c.what;
        }
        EXPECT_EQ(f.storedOf(2), "other") << c.what;
    }
}

TEST(Users, ALoneDefaultUserWithAnEmptyPasswordLogsInOnEitherForm)
{
    const std::vector<std::pair<const char*, std::string>> cases = {
        {"stored as typed", ""},
        {"stored as a hash", users::hashPassword("")},
    };
    for (const auto& [what, stored] : cases) {
        Fixture f;
        f.setStored({{1, users::kDefaultUser, stored, 1}});
        const auto rows = users::loadUsers(*f.s);
        ASSERT_TRUE(users::isAutoLogin(rows)) << what;
        users::Session s;
        users::autoLogin(*f.s, rows, s);
        EXPECT_EQ(s.id, 1) << what;
        EXPECT_EQ(s.name, users::kDefaultUser) << what;
        EXPECT_TRUE(users::isHash(f.storedOf(1))) << what;
        EXPECT_TRUE(users::isAutoLogin(users::loadUsers(*f.s))) << what;
    }
    // Too costly to verify: no automatic login, no wait.
    Fixture f;
    f.setStored({{1, users::kDefaultUser, kManyPasses, 1}});
    EXPECT_FALSE(users::isAutoLogin(users::loadUsers(*f.s)));
}

// A password changed meanwhile (another copy of the program) is not overwritten by the
// hash of the old one.
TEST(Users, HashingAStoredPasswordReplacesOnlyTheValueChecked)
{
    Fixture f;
    f.setStored({{1, "甲", "old", 1}, {2, "乙", "", 1}});
    const auto rows = users::loadUsers(*f.s);
    f.s->run("UPDATE userbd SET password='changed' WHERE userid=1");
    users::Session s;
    EXPECT_TRUE(users::login(*f.s, rows, 0, "old", s).ok);
    EXPECT_EQ(f.storedOf(1), "changed");
}

TEST(Users, ReadOnlyStoreLogsInButWritesNothing)
{
    Fixture f;
    f.setStored({{1, "甲", "abc", 1}, {2, "乙", "", 1}});
    f.s.reset();
    store::Store ro(f.dir / "db.dat", store::Store::Mode::ReadOnly);
    users::Session s;
    EXPECT_TRUE(users::login(ro, users::loadUsers(ro), 0, "abc", s).ok);
    EXPECT_EQ(ro.scalar("SELECT count(*) FROM userbd WHERE password='abc'"), 1);
    for (const auto& r : {users::changePassword(ro, s, "abc", "n", "n"), users::createUser(ro, s, "丙", "", "", 1),
                          users::deleteUser(ro, s)}) {
        EXPECT_FALSE(r.ok);
        EXPECT_EQ(r.message, store::kReadOnlyRefusal);
    }
}
