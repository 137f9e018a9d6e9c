#include "store/store.h"

#include <sqlite3.h>

#include <cctype>
#include <cstring>
#include <strings.h>
#include <utility>

#include "store/log.h"

namespace tavrin::store {

namespace {
std::string errorText(sqlite3* db, const char* what)
{
    std::string msg = what;
    msg += ": ";
    msg += db ? sqlite3_errmsg(db) : "no connection";
    return msg;
}

int errorCode(sqlite3* db) { return db ? sqlite3_extended_errcode(db) : SQLITE_MISUSE; }

std::string lower(std::string_view s)
{
    std::string out(s);
    for (auto& c : out)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return out;
}
}  // namespace

std::string describeCode(int code)
{
    switch (code & 0xff) {
    case SQLITE_FULL:
        return "磁盘空间不足";
    case SQLITE_READONLY:
        return "文件只读，不能写入";
    case SQLITE_CANTOPEN:
        return "无法打开文件";
    case SQLITE_PERM:
    case SQLITE_AUTH:
        return "没有权限";
    case SQLITE_NOTADB:
    case SQLITE_CORRUPT:
        return "文件已损坏或不是排课数据库";
    case SQLITE_BUSY:
    case SQLITE_LOCKED:
        return "文件正被另一个程序使用";
    case SQLITE_IOERR:
        return "读写文件时出错";
    case SQLITE_NOMEM:
        return "内存不足";
    case SQLITE_CONSTRAINT:
        return "数据不符合数据库的约束";
    case SQLITE_TOOBIG:
        return "数据过大";
    case SQLITE_INTERRUPT:
        return "操作被中断";
    default:
        return "数据库内部错误";
    }
}

std::string DbError::reason() const { return code_ == 0 ? std::string() : describeCode(code_); }

std::string DbError::message() const
{
    if (code_ == 0)
        return what();
    return "读写数据库时出错：" + reason() + "。";
}

std::string userMessage(const std::exception& e)
{
    if (const auto* db = dynamic_cast<const DbError*>(&e))
        return db->message();
    return e.what();
}

std::string userReason(const std::exception& e)
{
    if (const auto* db = dynamic_cast<const DbError*>(&e); db && db->code() != 0)
        return db->reason();
    return userMessage(e);
}

// ---------------------------------------------------------------- Stmt

Stmt::Stmt(sqlite3* db, std::string_view sql, Store* owner) : db_(db), owner_(owner)
{
    if (!db_)
        throw DbError("数据库未打开");
    const char* tail = nullptr;
    int rc = sqlite3_prepare_v2(db_, sql.data(), static_cast<int>(sql.size()), &st_, &tail);
    if (rc != SQLITE_OK)
        throw DbError(errorText(db_, "SQL") + " [" + std::string(sql) + "]", errorCode(db_));
}

Stmt::~Stmt()
{
    if (st_)
        sqlite3_finalize(st_);
}

Stmt::Stmt(Stmt&& o) noexcept
    : db_(o.db_), st_(o.st_), owner_(o.owner_), running_(o.running_), names_(std::move(o.names_))
{
    o.st_ = nullptr;
}

void Stmt::fail(const char* what) const
{
    const int code = errorCode(db_);
    if ((code & 0xff) == SQLITE_READONLY && owner_ && owner_->readOnly())
        throw ReadOnlyError();
    throw DbError(errorText(db_, what), code);
}

void Stmt::check(int rc, const char* what) const
{
    if (rc != SQLITE_OK)
        fail(what);
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
    if (!running_ && owner_)
        owner_->beforeStatement();
    int rc = sqlite3_step(st_);
    if (rc == SQLITE_ROW) {
        running_ = true;
        return true;
    }
    running_ = false;
    if (rc == SQLITE_DONE)
        return false;
    // The statement must be reset before it can run again; its error stays readable.
    fail("step");
}

void Stmt::run()
{
    while (step()) {
    }
}

void Stmt::reset()
{
    running_ = false;
    sqlite3_reset(st_);
    sqlite3_clear_bindings(st_);
}

int Stmt::columnCount() const { return sqlite3_column_count(st_); }

int Stmt::column(std::string_view name) const
{
    if (names_.empty()) {
        const int n = sqlite3_column_count(st_);
        names_.reserve(static_cast<std::size_t>(n));
        for (int i = 0; i < n; ++i) {
            const char* c = sqlite3_column_name(st_, i);
            names_.push_back(c ? lower(c) : std::string());
        }
    }
    for (std::size_t i = 0; i < names_.size(); ++i) {
        const std::string& c = names_[i];
        if (c.size() == name.size() && strncasecmp(c.data(), name.data(), name.size()) == 0)
            return static_cast<int>(i);
    }
    throw DbError("no column " + std::string(name), SQLITE_ERROR);
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

std::string Stmt::bytes(int col) const
{
    const unsigned char* p = sqlite3_column_text(st_, col);
    if (!p)
        return {};
    return std::string(reinterpret_cast<const char*>(p), static_cast<std::size_t>(sqlite3_column_bytes(st_, col)));
}

std::string Stmt::text(int col) const
{
    return validUtf8(bytes(col));
}

std::string validUtf8(std::string_view s)
{
    static constexpr std::string_view kReplacement = "\xEF\xBF\xBD";
    std::string out;
    std::size_t copied = 0;  // s[copied, i) is valid and not yet in `out`
    std::size_t i = 0;
    const std::size_t n = s.size();
    while (i < n) {
        const auto c = static_cast<unsigned char>(s[i]);
        if (c < 0x80) {
            ++i;
            continue;
        }
        // How many continuation bytes follow the lead, and the range the first one must fall
        // in (excluding overlong forms, surrogates and values past U+10FFFF).
        int need = 0;
        unsigned char lo = 0x80, hi = 0xBF;
        if (c >= 0xC2 && c <= 0xDF) {
            need = 1;
        } else if (c == 0xE0) {
            need = 2;
            lo = 0xA0;
        } else if ((c >= 0xE1 && c <= 0xEC) || c == 0xEE || c == 0xEF) {
            need = 2;
        } else if (c == 0xED) {
            need = 2;
            hi = 0x9F;
        } else if (c == 0xF0) {
            need = 3;
            lo = 0x90;
        } else if (c >= 0xF1 && c <= 0xF3) {
            need = 3;
        } else if (c == 0xF4) {
            need = 3;
            hi = 0x8F;
        }
        std::size_t j = i + 1;
        int got = 0;
        while (got < need && j < n) {
            const auto d = static_cast<unsigned char>(s[j]);
            if (d < lo || d > hi)
                break;
            lo = 0x80;
            hi = 0xBF;
            ++j;
            ++got;
        }
        if (need > 0 && got == need) {
            i = j;
            continue;
        }
        out.append(s, copied, i - copied);
        out.append(kReplacement);
        i = j;
        copied = j;
    }
    if (copied == 0)
        return std::string(s);
    out.append(s, copied, n - copied);
    return out;
}

std::optional<int> Stmt::optInt(std::string_view name) const
{
    int c = column(name);
    if (isNull(c))
        return std::nullopt;
    return integer(c);
}

// ---------------------------------------------------------------- Store

Store::Store(const std::filesystem::path& path, Mode mode) : path_(path), mode_(mode) { open(); }

Store::~Store() { close(); }

void Store::open()
{
    int flags = mode_ == Mode::ReadOnly ? SQLITE_OPEN_READONLY : SQLITE_OPEN_READWRITE;
    if (mode_ == Mode::CreateIfMissing)
        flags |= SQLITE_OPEN_CREATE;
    int rc = sqlite3_open_v2(path_.string().c_str(), &db_, flags, nullptr);
    if (rc != SQLITE_OK) {
        std::string msg = errorText(db_, "open") + " [" + path_.string() + "]";
        const int code = db_ ? sqlite3_extended_errcode(db_) : rc;
        sqlite3_close(db_);
        db_ = nullptr;
        throw DbError(msg, code);
    }
    sqlite3_extended_result_codes(db_, 1);
    // A school file comes from anywhere (backups, mail): its schema may not corrupt the
    // file through SQL nor run functions from views and triggers.
    sqlite3_db_config(db_, SQLITE_DBCONFIG_DEFENSIVE, 1, nullptr);
    sqlite3_db_config(db_, SQLITE_DBCONFIG_TRUSTED_SCHEMA, 0, nullptr);
    sqlite3_busy_timeout(db_, 2000);
    try {
        exec("PRAGMA foreign_keys=ON");
    } catch (...) {
        // A connection without its links enforced must not be used.
        close();
        throw;
    }
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
    if (mode_ == Mode::CreateIfMissing)
        mode_ = Mode::OpenExisting;
    open();
}

Stmt Store::prepare(std::string_view sql) { return Stmt(db_, sql, this); }

void Store::beforeStatement()
{
    if (aborted_ && depth_ > 0)
        throw DbError("transaction aborted by an earlier fault", SQLITE_ABORT);
    if (failCountdown_ > 0 && --failCountdown_ == 0) {
        failFired_ = true;
        throw DbError("failure injected by a test", SQLITE_IOERR);
    }
}

void Store::failAfter(int n)
{
    failCountdown_ = n > 0 ? n : 0;
    failFired_ = false;
}

void Store::exec(std::string_view sql)
{
    if (!db_)
        throw DbError("数据库未打开");
    beforeStatement();
    std::string s(sql);
    char* err = nullptr;
    if (sqlite3_exec(db_, s.c_str(), nullptr, nullptr, &err) != SQLITE_OK) {
        std::string msg = err ? err : "exec";
        sqlite3_free(err);
        const int code = errorCode(db_);
        if ((code & 0xff) == SQLITE_READONLY && readOnly())
            throw ReadOnlyError();
        throw DbError(msg + " [" + s + "]", code);
    }
}

void Store::undoSavepoint(const std::string& name)
{
    // Some faults (a full disk, I/O) make SQLite roll back the whole transaction; then
    // there is no savepoint left, and nothing more may run until the outer one ends.
    if (sqlite3_get_autocommit(db_)) {
        aborted_ = true;
        logFault("transaction", "SQLite rolled back the whole transaction after a fault in a savepoint");
        return;
    }
    const int countdown = std::exchange(failCountdown_, 0);
    try {
        exec("ROLLBACK TO " + name);
        exec("RELEASE " + name);
    } catch (const std::exception& e) {
        aborted_ = true;
        logFault("rollback to savepoint", e.what());
    }
    failCountdown_ = countdown;
}

void Store::rollbackAll()
{
    if (!db_ || sqlite3_get_autocommit(db_))
        return;
    // The fault that brought us here is what the caller hears of; a failed rollback
    // leaves the transaction to SQLite, which undoes it when the connection closes.
    const int countdown = std::exchange(failCountdown_, 0);
    try {
        exec("ROLLBACK");
    } catch (const std::exception& e) {
        logFault("rollback", e.what());
    }
    failCountdown_ = countdown;
}

void Store::transaction(const std::function<void()>& f)
{
    if (depth_ > 0) {
        // Identifiers of our own making, never values.
        const std::string name = "tavrin_sp" + std::to_string(depth_);
        exec("SAVEPOINT " + name);
        ++depth_;
        try {
            f();
        } catch (...) {
            --depth_;
            undoSavepoint(name);
            throw;
        }
        --depth_;
        exec("RELEASE " + name);
        return;
    }
    // A reader's transaction only reads; the writes inside are refused by SQLite itself.
    exec(readOnly() ? "BEGIN" : "BEGIN IMMEDIATE");
    depth_ = 1;
    aborted_ = false;
    try {
        f();
        if (aborted_)
            throw DbError("transaction aborted by an earlier fault", SQLITE_ABORT);
        exec("COMMIT");
        depth_ = 0;
    } catch (...) {
        depth_ = 0;
        aborted_ = false;
        rollbackAll();
        throw;
    }
}

std::int64_t Store::changes() const { return db_ ? sqlite3_changes64(db_) : 0; }

std::int64_t Store::lastInsertRowId() const { return db_ ? sqlite3_last_insert_rowid(db_) : 0; }

}  // namespace tavrin::store
