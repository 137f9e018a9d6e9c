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

struct sqlite3;
struct sqlite3_stmt;

namespace tavrin::store {

class DbError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// A NULL value to bind (the "empty" class, subject or teacher of a condition row).
struct Null {};

class Stmt {
public:
    Stmt(sqlite3* db, std::string_view sql);
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
    int column(std::string_view name) const;
    bool isNull(int col) const;
    std::int64_t int64(int col) const;
    int integer(int col) const;
    std::string text(int col) const;
    // Read by column name, as the loaders do.
    int integer(std::string_view name) const { return integer(column(name)); }
    std::string text(std::string_view name) const { return text(column(name)); }
    std::optional<int> optInt(std::string_view name) const;

private:
    sqlite3* db_;
    sqlite3_stmt* st_ = nullptr;
    void check(int rc, const char* what) const;
};

class Store {
public:
    enum class Mode { OpenExisting, CreateIfMissing };

    // Opens the file. OpenExisting refuses a missing file instead of creating an empty one.
    explicit Store(const std::filesystem::path& path, Mode mode = Mode::OpenExisting);
    ~Store();
    Store(const Store&) = delete;
    Store& operator=(const Store&) = delete;

    const std::filesystem::path& path() const { return path_; }

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
    // Nested calls join the outer transaction.
    void transaction(const std::function<void()>& f);

    std::int64_t changes() const;
    std::int64_t lastInsertRowId() const;

    // Backup and restore copy the file; they need the connection closed meanwhile.
    void close();
    void reopen();
    bool isOpen() const { return db_ != nullptr; }

private:
    std::filesystem::path path_;
    sqlite3* db_ = nullptr;
    int depth_ = 0;
    void open(Mode mode);
};

}  // namespace tavrin::store
