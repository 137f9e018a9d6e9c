// Users, login and the read-only gate. Passwords are kept as salted hashes. A stored value
// that is not one of our hashes (a file written by hand or by another copy) is the password
// as typed: it is compared as such and replaced by its hash at the first login.
#pragma once

#include <filesystem>
#include <string>
#include <vector>

#include "store/result.h"
#include "store/store.h"

namespace tavrin::users {

inline constexpr const char* kDefaultUser = "默认用户";
inline constexpr const char* kViewerRefusal = "以“浏览者”身份登陆时不能修改数据。";

enum UserType { Operator = 1, Viewer = 2 };

std::string hashPassword(const std::string& plain);

// The work a new hash costs. Tests create hundreds of school files, each with its default
// user; they choose the cheapest hash. Verifying works whatever the cost was.
enum class HashCost { Interactive, Minimal };
void setHashCost(HashCost cost);
// Whether `stored` is one of our hashes (else it is a password as typed).
bool isHash(const std::string& stored);
// Whether `plain` is the password `stored` keeps: verified against a hash, compared in
// constant time with a value as typed. A hash asking for far more work than this program
// ever spends is refused at once, as a wrong password.
bool verifyPassword(const std::string& stored, const std::string& plain);

struct UserRow {
    int id = 0;
    std::string name;
    std::string hash;
    int type = Operator;
};

// The logged-in user. `id` 0 means nobody has logged in since the start.
struct Session {
    int num = 0;
    int id = 0;
    std::string name;
    int type = Operator;

    bool isViewer() const { return type == Viewer; }
    // "默认用户（操作员）": what the user label shows.
    std::string label() const;
};

// The rows in table order, as the login list shows them.
std::vector<UserRow> loadUsers(store::Store& s);

// A single "默认用户" whose password is empty logs in without a question.
bool isAutoLogin(const std::vector<UserRow>& users);

// The outcome of a user command: a refusal carries the message to show.
using Result = store::Result;

// Logs in the row at `index` of `users` (-1: nothing chosen). On success `session` holds the
// new user; otherwise it is left as it was.
Result login(const std::vector<UserRow>& users, int index, const std::string& password, Session& session);
// The same, and a password stored as typed is replaced by its hash (unless the store is
// read-only). A fault while replacing it is logged; the login stands.
Result login(store::Store& s, const std::vector<UserRow>& users, int index, const std::string& password,
             Session& session);
// The automatic login of a single default user.
void autoLogin(const std::vector<UserRow>& users, Session& session);
void autoLogin(store::Store& s, const std::vector<UserRow>& users, Session& session);

Result changePassword(store::Store& s, Session& session, const std::string& oldPass, const std::string& pass1,
                      const std::string& pass2);

// Creates a user and renumbers every row 1..n in table order; the session's id follows its row.
Result createUser(store::Store& s, Session& session, const std::string& name, const std::string& pass1,
                  const std::string& pass2, int type);

// Deletes the logged-in user (no renumbering). Refused when it is the only one.
Result deleteUser(store::Store& s, Session& session);

// Adds "默认用户" with an empty password when the table has no user at all.
void ensureDefaultUser(store::Store& s);

// Creates a new empty school file (schema, default options, "默认用户") in one transaction;
// false when something already exists at `file`. A file that cannot be made throws a
// DbError naming the path and the reason and leaves nothing behind. It lives here because
// the default user's password is hashed on the way in.
bool initDatabase(const std::filesystem::path& file);

}  // namespace tavrin::users
