#include "users/users.h"

#include <sodium.h>

#include "store/dbfile.h"

#include <stdexcept>

namespace tavrin::users {

namespace {
void initSodium()
{
    static const bool ok = sodium_init() >= 0;
    if (!ok)
        throw std::runtime_error("libsodium could not start");
}
}  // namespace

namespace {
HashCost hashCost = HashCost::Interactive;
}

void setHashCost(HashCost cost) { hashCost = cost; }

std::string hashPassword(const std::string& plain)
{
    initSodium();
    char out[crypto_pwhash_STRBYTES];
    const bool minimal = hashCost == HashCost::Minimal;
    if (crypto_pwhash_str(out, plain.data(), plain.size(),
                          minimal ? crypto_pwhash_OPSLIMIT_MIN : crypto_pwhash_OPSLIMIT_INTERACTIVE,
                          minimal ? crypto_pwhash_MEMLIMIT_MIN : crypto_pwhash_MEMLIMIT_INTERACTIVE) != 0)
        throw std::runtime_error("out of memory while hashing a password");
    return out;
}

bool verifyPassword(const std::string& hash, const std::string& plain)
{
    initSodium();
    // A stored value that is not one of our hashes never matches.
    if (hash.empty() || hash.size() >= crypto_pwhash_STRBYTES)
        return false;
    return crypto_pwhash_str_verify(hash.c_str(), plain.data(), plain.size()) == 0;
}

std::string Session::label() const
{
    return name + (type == Operator ? "（操作员）" : "（浏览者）");
}

std::vector<UserRow> loadUsers(store::Store& s)
{
    std::vector<UserRow> rows;
    auto st = s.prepare("SELECT userid, username, password, usertype FROM userbd ORDER BY rowid");
    while (st.step()) {
        UserRow r;
        r.id = st.integer(0);
        r.name = st.text(1);
        r.hash = st.text(2);
        r.type = st.integer(3) == Viewer ? Viewer : Operator;
        rows.push_back(std::move(r));
    }
    return rows;
}

bool isAutoLogin(const std::vector<UserRow>& users)
{
    return users.size() == 1 && users[0].name == kDefaultUser && verifyPassword(users[0].hash, "");
}

void autoLogin(const std::vector<UserRow>& users, Session& session)
{
    session.num = 1;
    session.id = users[0].id;
    session.name = kDefaultUser;
    session.type = Operator;
}

Result login(const std::vector<UserRow>& users, int index, const std::string& password, Session& session)
{
    if (index < 0 || index >= static_cast<int>(users.size()))
        return {false, "请选择用户。"};
    const UserRow& u = users[static_cast<std::size_t>(index)];
    if (!verifyPassword(u.hash, password))
        return {false, "密码错误。"};
    session.num = static_cast<int>(users.size());
    session.id = u.id;
    session.name = u.name;
    // A lone user can never be locked out of changing the school, whatever its stored type.
    session.type = users.size() == 1 ? Operator : u.type;
    return {true, {}};
}

Result changePassword(store::Store& s, Session& session, const std::string& oldPass, const std::string& pass1,
                      const std::string& pass2)
{
    std::string hash;
    {
        auto st = s.prepare("SELECT password FROM userbd WHERE userid=?1");
        st.bind(1, session.id);
        if (st.step())
            hash = st.text(0);
    }
    if (!verifyPassword(hash, oldPass))
        return {false, "原始密码错误。"};
    if (pass1 != pass2)
        return {false, "再输入的新密码不相符。"};
    std::string h = hashPassword(pass1);
    s.transaction([&] { s.run("UPDATE userbd SET password=?1 WHERE userid=?2", h, session.id); });
    return {true, "密码修改完成"};
}

Result createUser(store::Store& s, Session& session, const std::string& name, const std::string& pass1,
                  const std::string& pass2, int type)
{
    if (session.isViewer())
        return {false, kViewerRefusal};
    if (name.empty())
        return {false, "用户名未填写"};
    if (pass1 != pass2)
        return {false, "再输入的密码与第一次输入的密码不相同。"};
    std::string h = hashPassword(pass1);
    s.transaction([&] {
        s.run("INSERT INTO userbd(userid, username, password, usertype) VALUES(100000, ?1, ?2, ?3)", name, h,
              type == Viewer ? Viewer : Operator);
        std::vector<std::int64_t> rowids;
        std::vector<int> oldIds;
        {
            auto st = s.prepare("SELECT rowid, userid FROM userbd ORDER BY rowid");
            while (st.step()) {
                rowids.push_back(st.int64(0));
                oldIds.push_back(st.integer(1));
            }
        }
        int newSessionId = session.id;
        bool moved = false;
        for (std::size_t i = 0; i < rowids.size(); ++i) {
            int id = static_cast<int>(i) + 1;
            s.run("UPDATE userbd SET userid=?1 WHERE rowid=?2", id, rowids[i]);
            if (!moved && oldIds[i] == session.id) {
                newSessionId = id;
                moved = true;
            }
        }
        session.id = newSessionId;
        session.num = static_cast<int>(rowids.size());
    });
    return {true, "新建用户完成"};
}

Result deleteUser(store::Store& s, Session& session)
{
    if (session.num < 2)
        return {false, "这是唯一的用户，不能再删除了。"};
    s.transaction([&] { s.run("DELETE FROM userbd WHERE userid=?1", session.id); });
    return {true, "删除完成，重新登录。"};
}

void ensureDefaultUser(store::Store& s)
{
    if (s.scalar("SELECT count(*) FROM userbd") > 0)
        return;
    std::string h = hashPassword("");
    s.transaction([&] {
        s.run("INSERT INTO userbd(userid, username, password, usertype) VALUES(1, ?1, ?2, 1)", kDefaultUser, h);
    });
}

bool initDatabase(const std::filesystem::path& file)
{
    if (!store::createDatabase(file))
        return false;
    store::Store s(file);
    ensureDefaultUser(s);
    return true;
}

}  // namespace tavrin::users
