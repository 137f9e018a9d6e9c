// The one connection to the school's database file, and the statement wrapper every
// part of the program reads and writes through. Values are always bound, never spliced
// into the SQL text, so names with quotes, backslashes or emoji are stored as typed.
#pragma once

#include <cstdint>
#include <filesystem>
#include <functional>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

struct sqlite3;
struct sqlite3_stmt;

namespace tavrin::store {

// A fault of the file or the engine. `what()` is the full text for the log; `message()`
// is what the user is told, in the program's words, never SQLite's own text.
class DbError : public std::runtime_error {
public:
    // A fault the program itself describes: the text is the message.
    explicit DbError(const std::string& message) : std::runtime_error(message) {}
    // A fault SQLite reported: its own text (for the log) and its extended result code.
    DbError(const std::string& detail, int code) : std::runtime_error(detail), code_(code) {}

    // SQLite's extended result code; 0 when the program raised the fault itself.
    int code() const { return code_; }
    // The kind of fault in a few words ("磁盘空间不足"); empty for the program's own faults.
    std::string reason() const;
    std::string message() const;

private:
    int code_ = 0;
};

// What every write to a store opened read-only is refused with.
inline constexpr const char* kReadOnlyRefusal = "学校文件是以只读方式打开的，不能修改数据。";

// A write tried on a store opened read-only; `what()` is kReadOnlyRefusal.
class ReadOnlyError : public DbError {
public:
    ReadOnlyError() : DbError(kReadOnlyRefusal) {}
};

// Why a SQLite result code failed, in the program's words ("磁盘空间不足").
std::string describeCode(int code);

// What the user is told of a fault: a DbError's message, else the exception's own text.
std::string userMessage(const std::exception& e);
// The same in a few words, to put beside a file's name ("磁盘空间不足").
std::string userReason(const std::exception& e);

class Store;

// A NULL value to bind (the "empty" class, subject or teacher of a condition row).
struct Null {};

// `s` with every byte sequence that is not UTF-8 replaced by U+FFFD, one for each maximal
// part of a sequence that could have begun a character (the rule of the Unicode standard and
// of the JSON reports); valid text is returned unchanged.
std::string validUtf8(std::string_view s);

class Stmt {
public:
    // `owner` (the store that prepared it) counts statements for the failure hook and
    // knows whether writes are refused.
    Stmt(sqlite3* db, std::string_view sql, Store* owner = nullptr);
    ~Stmt();
    Stmt(Stmt&& o) noexcept;
    Stmt& operator=(Stmt&&) = delete;
    Stmt(const Stmt&) = delete;

    // Parameters are 1-based, as in SQLite.
    Stmt& bind(int i, std::int64_t v);
    Stmt& bind(int i, int v) { return bind(i, static_cast<std::int64_t>(v)); }
    Stmt& bind(int i, std::string_view v);
    Stmt& bind(int i, const std::string& v) { return bind(i, std::string_view(v)); }
    Stmt& bind(int i, const char* v) { return bind(i, std::string_view(v)); }
    Stmt& bind(int i, Null);
    Stmt& bind(int i, const std::optional<int>& v);

    template <class... A>
    Stmt& bindAll(A&&... a)
    {
        int i = 0;
        (bind(++i, std::forward<A>(a)), ...);
        return *this;
    }

    // Steps once; true while a row is available.
    bool step();
    // Steps to the end (for statements that return no rows).
    void run();
    void reset();

    int columnCount() const;
    // Column index by name (case-insensitive); throws when the statement has no such column.
    // The names are read once per statement, not once per row.
    int column(std::string_view name) const;
    bool isNull(int col) const;
    std::int64_t int64(int col) const;
    int integer(int col) const;
    // A text column as valid UTF-8 (see validUtf8): names reach every screen and report alike.
    std::string text(int col) const;
    // The column's bytes exactly as stored, for values compared byte for byte (passwords).
    std::string bytes(int col) const;
    // Read by column name, as the loaders do.
    int integer(std::string_view name) const { return integer(column(name)); }
    std::string text(std::string_view name) const { return text(column(name)); }
    std::optional<int> optInt(std::string_view name) const;

private:
    sqlite3* db_;
    sqlite3_stmt* st_ = nullptr;
    Store* owner_ = nullptr;
    bool running_ = false;  // stepped to a row; the next step continues the same run
    mutable std::vector<std::string> names_;  // lower-case column names, read on first use
    void check(int rc, const char* what) const;
    [[noreturn]] void fail(const char* what) const;
};

class Store {
public:
    enum class Mode { OpenExisting, CreateIfMissing, ReadOnly };

    // Opens the file. OpenExisting refuses a missing file instead of creating an empty one.
    // ReadOnly (commands that only read, a second copy of the program) refuses every write
    // with kReadOnlyRefusal. Every connection runs in SQLite's defensive mode and does not
    // trust the file's schema to call functions.
    explicit Store(const std::filesystem::path& path, Mode mode = Mode::OpenExisting);
    ~Store();
    Store(const Store&) = delete;
    Store& operator=(const Store&) = delete;

    const std::filesystem::path& path() const { return path_; }
    bool readOnly() const { return mode_ == Mode::ReadOnly; }

    Stmt prepare(std::string_view sql);
    // Runs SQL without parameters (schema statements, PRAGMAs); several statements allowed.
    void exec(std::string_view sql);

    template <class... A>
    void run(std::string_view sql, A&&... a)
    {
        auto st = prepare(sql);
        st.bindAll(std::forward<A>(a)...);
        st.run();
    }

    // First column of the first row, or `dflt` when there is no row or it is NULL.
    template <class... A>
    std::int64_t scalar(std::string_view sql, A&&... a)
    {
        auto st = prepare(sql);
        st.bindAll(std::forward<A>(a)...);
        if (!st.step() || st.isNull(0))
            return 0;
        return st.int64(0);
    }

    // Runs `f` inside one transaction: it commits whole, or rolls back whole and rethrows.
    // A nested call is a savepoint: its failure undoes its own part only and leaves the
    // outer transaction free to go on, commit or roll back.
    void transaction(const std::function<void()>& f);
    bool inTransaction() const { return depth_ > 0; }

    // Test hook: the n-th statement from now (1 = the next; BEGIN, COMMIT and savepoints
    // count) fails as a SQLite fault would, before it runs. 0 disarms. Lets a test prove
    // that a save failing at any point leaves the file as it was.
    void failAfter(int n);
    // True once the armed failure has fired (a sweep over n stops when it no longer does).
    bool failureFired() const { return failFired_; }

    std::int64_t changes() const;
    std::int64_t lastInsertRowId() const;

    // Backup and restore copy the file; they need the connection closed meanwhile.
    void close();
    void reopen();
    bool isOpen() const { return db_ != nullptr; }

private:
    friend class Stmt;
    std::filesystem::path path_;
    Mode mode_;
    sqlite3* db_ = nullptr;
    int depth_ = 0;
    bool aborted_ = false;  // SQLite rolled the whole transaction back under a savepoint
    int failCountdown_ = 0;
    bool failFired_ = false;
    void open();
    // Called before every statement runs: the failure hook and the aborted transaction.
    void beforeStatement();
    void undoSavepoint(const std::string& name);
    void rollbackAll();
};

}  // namespace tavrin::store
