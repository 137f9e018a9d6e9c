#include "store/store.h"

#include <sqlite3.h>

#include <cstring>
#include <strings.h>

namespace tavrin::store {

namespace {
std::string errorText(sqlite3* db, const char* what)
{
    std::string msg = what;
    msg += ": ";
    msg += db ? sqlite3_errmsg(db) : "no connection";
    return msg;
}
}  // namespace

Stmt::Stmt(sqlite3* db, std::string_view sql) : db_(db)
{
    if (!db_)
        throw DbError("数据库未打开");
    const char* tail = nullptr;
    int rc = sqlite3_prepare_v2(db_, sql.data(), static_cast<int>(sql.size()), &st_, &tail);
    if (rc != SQLITE_OK)
        throw DbError(errorText(db_, "SQL") + " [" + std::string(sql) + "]");
}

Stmt::~Stmt()
{
    if (st_)
        sqlite3_finalize(st_);
}

Stmt::Stmt(Stmt&& o) noexcept : db_(o.db_), st_(o.st_) { o.st_ = nullptr; }

void Stmt::check(int rc, const char* what) const
{
    if (rc != SQLITE_OK)
        throw DbError(errorText(db_, what));
}

Stmt& Stmt::bind(int i, std::int64_t v)
{
    check(sqlite3_bind_int64(st_, i, v), "bind");
    return *this;
}

Stmt& Stmt::bind(int i, std::string_view v)
{
    check(sqlite3_bind_text(st_, i, v.data(), static_cast<int>(v.size()), SQLITE_TRANSIENT), "bind");
    return *this;
}

Stmt& Stmt::bind(int i, Null)
{
    check(sqlite3_bind_null(st_, i), "bind");
    return *this;
}

Stmt& Stmt::bind(int i, const std::optional<int>& v)
{
    return v ? bind(i, *v) : bind(i, Null{});
}

bool Stmt::step()
{
    int rc = sqlite3_step(st_);
    if (rc == SQLITE_ROW)
        return true;
    if (rc == SQLITE_DONE)
        return false;
    throw DbError(errorText(db_, "step"));
}

void Stmt::run()
{
    while (step()) {
    }
}

void Stmt::reset()
{
    sqlite3_reset(st_);
    sqlite3_clear_bindings(st_);
}

int Stmt::columnCount() const { return sqlite3_column_count(st_); }

int Stmt::column(std::string_view name) const
{
    int n = sqlite3_column_count(st_);
    for (int i = 0; i < n; ++i) {
        const char* c = sqlite3_column_name(st_, i);
        if (c && std::strlen(c) == name.size() && strncasecmp(c, name.data(), name.size()) == 0)
            return i;
    }
    throw DbError("no column " + std::string(name));
}

bool Stmt::isNull(int col) const { return sqlite3_column_type(st_, col) == SQLITE_NULL; }

std::int64_t Stmt::int64(int col) const { return sqlite3_column_int64(st_, col); }

int Stmt::integer(int col) const
{
    // Values outside 32 bits come only from hand-edited files; clamp rather than wrap.
    std::int64_t v = sqlite3_column_int64(st_, col);
    if (v > INT32_MAX)
        return INT32_MAX;
    if (v < INT32_MIN)
        return INT32_MIN;
    return static_cast<int>(v);
}

std::string Stmt::text(int col) const
{
    const unsigned char* p = sqlite3_column_text(st_, col);
    if (!p)
        return {};
    return std::string(reinterpret_cast<const char*>(p), static_cast<std::size_t>(sqlite3_column_bytes(st_, col)));
}

std::optional<int> Stmt::optInt(std::string_view name) const
{
    int c = column(name);
    if (isNull(c))
        return std::nullopt;
    return integer(c);
}

Store::Store(const std::filesystem::path& path, Mode mode) : path_(path) { open(mode); }

Store::~Store() { close(); }

void Store::open(Mode mode)
{
    int flags = SQLITE_OPEN_READWRITE | (mode == Mode::CreateIfMissing ? SQLITE_OPEN_CREATE : 0);
    int rc = sqlite3_open_v2(path_.string().c_str(), &db_, flags, nullptr);
    if (rc != SQLITE_OK) {
        std::string msg = errorText(db_, "open");
        sqlite3_close(db_);
        db_ = nullptr;
        throw DbError(msg);
    }
    sqlite3_busy_timeout(db_, 2000);
    exec("PRAGMA foreign_keys=ON");
}

void Store::close()
{
    if (db_) {
        sqlite3_close_v2(db_);
        db_ = nullptr;
    }
}

void Store::reopen()
{
    close();
    open(Mode::OpenExisting);
}

Stmt Store::prepare(std::string_view sql) { return Stmt(db_, sql); }

void Store::exec(std::string_view sql)
{
    if (!db_)
        throw DbError("数据库未打开");
    std::string s(sql);
    char* err = nullptr;
    if (sqlite3_exec(db_, s.c_str(), nullptr, nullptr, &err) != SQLITE_OK) {
        std::string msg = err ? err : "exec";
        sqlite3_free(err);
        throw DbError(msg);
    }
}

void Store::transaction(const std::function<void()>& f)
{
    if (depth_ > 0) {
        ++depth_;
        try {
            f();
        } catch (...) {
            --depth_;
            throw;
        }
        --depth_;
        return;
    }
    exec("BEGIN IMMEDIATE");
    depth_ = 1;
    try {
        f();
        exec("COMMIT");
        depth_ = 0;
    } catch (...) {
        depth_ = 0;
        try {
            exec("ROLLBACK");
        } catch (...) {
        }
        throw;
    }
}

std::int64_t Store::changes() const { return db_ ? sqlite3_changes64(db_) : 0; }

std::int64_t Store::lastInsertRowId() const { return db_ ? sqlite3_last_insert_rowid(db_) : 0; }

}  // namespace tavrin::store
