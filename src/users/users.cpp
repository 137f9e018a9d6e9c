#include "users/users.h"

#include <sodium.h>

#include <cctype>
#include <optional>

#include "store/dbfile.h"
#include <stdexcept>
#include <string>

#include "store/log.h"

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

namespace {

struct HashCostOf {
    unsigned long long m = 0;  // KiB
    unsigned long long t = 0;  // passes
    unsigned long long p = 0;  // lanes
};

// Reads "<digits>" at `i`, advancing it; false when there are none or too many.
bool readNumber(const std::string& s, std::size_t& i, unsigned long long& out)
{
    const std::size_t start = i;
    out = 0;
    while (i < s.size() && s[i] >= '0' && s[i] <= '9' && i - start < 12)
        out = out * 10 + static_cast<unsigned long long>(s[i++] - '0');
    return i > start && (i >= s.size() || s[i] < '0' || s[i] > '9');
}

bool readLiteral(const std::string& s, std::size_t& i, const char* lit)
{
    const std::size_t n = std::char_traits<char>::length(lit);
    if (s.compare(i, n, lit) != 0)
        return false;
    i += n;
    return true;
}

// The cost of an Argon2 string as libsodium writes it:
// "$argon2id$v=19$m=65536,t=2,p=1$<salt>$<hash>" (or "$argon2i$...").
std::optional<HashCostOf> parseHash(const std::string& s)
{
    if (s.size() >= crypto_pwhash_STRBYTES)
        return std::nullopt;
    std::size_t i = 0;
    if (!readLiteral(s, i, "$argon2id$") && !readLiteral(s, i, "$argon2i$"))
        return std::nullopt;
    HashCostOf c;
    unsigned long long v = 0;
    if (!readLiteral(s, i, "v=") || !readNumber(s, i, v) || !readLiteral(s, i, "$m=") || !readNumber(s, i, c.m) ||
        !readLiteral(s, i, ",t=") || !readNumber(s, i, c.t) || !readLiteral(s, i, ",p=") || !readNumber(s, i, c.p) ||
        !readLiteral(s, i, "$"))
        return std::nullopt;
    // Salt and hash: two non-empty runs of base64 letters.
    int parts = 1;
    std::size_t run = 0;
    for (; i < s.size(); ++i) {
        const unsigned char ch = static_cast<unsigned char>(s[i]);
        if (ch == '$') {
            if (run == 0)
                return std::nullopt;
            ++parts;
            run = 0;
        } else if (std::isalnum(ch) || ch == '+' || ch == '/') {
            ++run;
        } else {
            return std::nullopt;
        }
    }
    if (parts != 2 || run == 0)
        return std::nullopt;
    return c;
}

// Far beyond what this program ever asks for: a row demanding it would only keep the
// window from ever opening.
bool tooCostly(const HashCostOf& c)
{
    return c.p != 1 || c.t > 4ULL * crypto_pwhash_OPSLIMIT_INTERACTIVE ||
           c.m > 4ULL * (crypto_pwhash_MEMLIMIT_INTERACTIVE / 1024);
}

// Equal digests for equal texts; comparing the digests takes the same time whatever the
// texts' lengths and contents.
bool samePlain(const std::string& stored, const std::string& typed)
{
    unsigned char a[crypto_generichash_BYTES];
    unsigned char b[crypto_generichash_BYTES];
    crypto_generichash(a, sizeof a, reinterpret_cast<const unsigned char*>(stored.data()), stored.size(), nullptr, 0);
    crypto_generichash(b, sizeof b, reinterpret_cast<const unsigned char*>(typed.data()), typed.size(), nullptr, 0);
    return sodium_memcmp(a, b, sizeof a) == 0;
}

}  // namespace

bool isHash(const std::string& stored) { return parseHash(stored).has_value(); }

bool verifyPassword(const std::string& stored, const std::string& plain)
{
    initSodium();
    const auto cost = parseHash(stored);
    if (!cost)
        return samePlain(stored, plain);
    if (tooCostly(*cost))
        return false;
    return crypto_pwhash_str_verify(stored.c_str(), plain.data(), plain.size()) == 0;
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
        r.hash = st.bytes(2);  // compared byte for byte, as typed or hashed
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

namespace {
// After a login with the password as typed: its stored form becomes a hash. Only the value
// that was checked is replaced, in one transaction, so a change made meanwhile stays.
void hashStoredPlain(store::Store& s, const UserRow& u, const std::string& typed)
{
    if (isHash(u.hash) || s.readOnly())
        return;
    try {
        const std::string h = hashPassword(typed);
        s.transaction([&] {
            s.run("UPDATE userbd SET password=?1 WHERE userid=?2 AND username=?3 AND password=?4", h, u.id, u.name,
                  u.hash);
        });
    } catch (const std::exception& e) {
        store::logFault("login: hashing a stored password", e.what());
    }
}
}  // namespace

void autoLogin(store::Store& s, const std::vector<UserRow>& users, Session& session)
{
    autoLogin(users, session);
    hashStoredPlain(s, users[0], "");
}

Result login(store::Store& s, const std::vector<UserRow>& users, int index, const std::string& password,
             Session& session)
{
    Result r = login(users, index, password, session);
    if (r.ok)
        hashStoredPlain(s, users[static_cast<std::size_t>(index)], password);
    return r;
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
            hash = st.bytes(0);
    }
    if (s.readOnly())
        return store::refused(store::kReadOnlyRefusal);
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
    if (s.readOnly())
        return store::refused(store::kReadOnlyRefusal);
    if (name.empty())
        return {false, "用户名未填写"};
    if (pass1 != pass2)
        return {false, "再输入的密码与第一次输入的密码不相同。"};
    std::string h = hashPassword(pass1);
    // The session follows only once the rows are committed.
    int newSessionId = session.id;
    int newNum = session.num;
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
        newSessionId = session.id;
        bool moved = false;
        for (std::size_t i = 0; i < rowids.size(); ++i) {
            int id = static_cast<int>(i) + 1;
            s.run("UPDATE userbd SET userid=?1 WHERE rowid=?2", id, rowids[i]);
            if (!moved && oldIds[i] == session.id) {
                newSessionId = id;
                moved = true;
            }
        }
        newNum = static_cast<int>(rowids.size());
    });
    session.id = newSessionId;
    session.num = newNum;
    return {true, "新建用户完成"};
}

Result deleteUser(store::Store& s, Session& session)
{
    if (session.num < 2)
        return {false, "这是唯一的用户，不能再删除了。"};
    if (s.readOnly())
        return store::refused(store::kReadOnlyRefusal);
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
    return store::createDatabase(file, [](store::Store& s) { ensureDefaultUser(s); });
}

}  // namespace tavrin::users
