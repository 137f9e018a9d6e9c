// The oracle of the renumbering saves: every table of a school file as sorted lines of text,
// with every grade-group, class, subject and teacher ID replaced by that row's name. A save
// that renumbers keeps the name dump as it was, less exactly the rows it was meant to
// delete; a row that lost its class or moved to another shows up as a changed line.
//
// `rawDump` is the same without the names (IDs as stored): a refused or failed save leaves
// it unchanged, row for row.
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <string>
#include <vector>

#include "store/schema.h"
#include "store/store.h"

namespace tavrin::testing {

struct TableDump {
    std::map<std::string, std::vector<std::string>> tables;  // table -> sorted lines

    bool operator==(const TableDump&) const = default;
    const std::vector<std::string>& operator[](const std::string& t) const
    {
        static const std::vector<std::string> none;
        auto it = tables.find(t);
        return it == tables.end() ? none : it->second;
    }
    // Lines only in this dump ("-") and only in `o` ("+"), for a test's failure message.
    std::string diff(const TableDump& o) const
    {
        std::string out;
        auto names = [](const TableDump& d) {
            std::vector<std::string> n;
            for (const auto& [t, lines] : d.tables)
                n.push_back(t);
            return n;
        };
        std::vector<std::string> all = names(*this), theirs = names(o);
        all.insert(all.end(), theirs.begin(), theirs.end());
        std::sort(all.begin(), all.end());
        all.erase(std::unique(all.begin(), all.end()), all.end());
        for (const auto& t : all) {
            const auto &a = (*this)[t], &b = o[t];
            std::vector<std::string> gone, added;
            std::set_difference(a.begin(), a.end(), b.begin(), b.end(), std::back_inserter(gone));
            std::set_difference(b.begin(), b.end(), a.begin(), a.end(), std::back_inserter(added));
            for (const auto& l : gone)
                out += "- " + t + ": " + l + "\n";
            for (const auto& l : added)
                out += "+ " + t + ": " + l + "\n";
        }
        return out;
    }
};

namespace detail {

struct Master {
    const char* table;
    const char* key;
    const char* name;
};
inline const Master kMasters[] = {
    {"jibd", "jiid", "jiname"}, {"banbd", "banid", "banname"}, {"kemubd", "kemuid", "kemuname"}, {"teabd", "teaid", "teaname"}};

inline std::string cellText(store::Stmt& st, int col)
{
    return st.isNull(col) ? std::string("空") : st.text(col);
}

inline TableDump dump(store::Store& s, bool names)
{
    // Names of the master rows, by table and key.
    std::map<std::string, std::map<std::string, std::string>> nameOf;
    if (names)
        for (const auto& m : kMasters) {
            auto st = s.prepare(std::string("SELECT ") + m.key + ", " + m.name + " FROM " + m.table);
            while (st.step())
                nameOf[m.table][st.text(0)] = st.text(1);
        }
    TableDump out;
    for (const auto& t : store::tables()) {
        // Which columns refer to which master.
        std::map<std::string, std::string> refers;
        if (names) {
            auto fk = s.prepare("SELECT \"from\", \"table\" FROM pragma_foreign_key_list(?1)");
            fk.bind(1, t.name);
            while (fk.step())
                refers[fk.text(0)] = fk.text(1);
        }
        const Master* self = nullptr;
        for (const auto& m : kMasters)
            if (names && std::string(m.table) == t.name)
                self = &m;
        std::string cols;
        for (const char* c : t.columns)
            cols += (cols.empty() ? "" : ", ") + std::string(c);
        auto st = s.prepare("SELECT " + cols + " FROM " + t.name);
        auto& lines = out.tables[t.name];
        while (st.step()) {
            std::string line;
            for (int i = 0; i < static_cast<int>(t.columns.size()); ++i) {
                const std::string col = t.columns[static_cast<std::size_t>(i)];
                if (self && col == self->key)
                    continue;  // the row's own ID: its name stands for it
                std::string v = cellText(st, i);
                auto r = refers.find(col);
                if (r != refers.end() && !st.isNull(i)) {
                    const auto& table = nameOf[r->second];
                    auto n = table.find(v);
                    v = n == table.end() ? (v == "0" ? v : "?" + v) : "«" + n->second + "»";
                }
                line += (line.empty() ? "" : " | ") + col + "=" + v;
            }
            lines.push_back(std::move(line));
        }
        std::sort(lines.begin(), lines.end());
    }
    return out;
}

}  // namespace detail

// Every table with IDs replaced by names ("«初一1班»"; "?7" for an ID that names nothing).
inline TableDump nameDump(store::Store& s)
{
    return detail::dump(s, true);
}

// Every table as stored.
inline TableDump rawDump(store::Store& s)
{
    return detail::dump(s, false);
}

// Edits of an expected dump.
// `difid` is checked on its own by the saves that renumber it; in the dump it would only
// repeat the row's position.
inline TableDump withoutDifid(TableDump d)
{
    for (auto& l : d.tables["renkebd"]) {
        const auto bar = l.find(" |");
        if (l.rfind("difid=", 0) == 0 && bar != std::string::npos)
            l = "difid=*" + l.substr(bar);
    }
    std::sort(d.tables["renkebd"].begin(), d.tables["renkebd"].end());
    return d;
}

// Drops the master row named `name` (its name column `nameColumn`) and every row that refers to it.
inline void dropNamed(TableDump& d, const std::string& nameColumn, const std::string& name)
{
    for (auto& [t, lines] : d.tables)
        std::erase_if(lines, [&](const std::string& l) {
            return l.find("«" + name + "»") != std::string::npos || l.rfind(nameColumn + "=" + name + " |", 0) == 0;
        });
}

// Replaces one line (an empty `to` removes it); a line that is not there is a failure.
inline void replaceLine(TableDump& d, const std::string& table, const std::string& from, const std::string& to)
{
    auto& lines = d.tables[table];
    auto it = std::find(lines.begin(), lines.end(), from);
    ASSERT_NE(it, lines.end()) << table << ": " << from;
    if (to.empty())
        lines.erase(it);
    else
        *it = to;
    std::sort(lines.begin(), lines.end());
}

inline void addLine(TableDump& d, const std::string& table, const std::string& line)
{
    d.tables[table].push_back(line);
    std::sort(d.tables[table].begin(), d.tables[table].end());
}

// The rows `PRAGMA foreign_key_check` reports, as "table rowid -> parent".
inline std::vector<std::string> foreignKeyProblems(store::Store& s)
{
    std::vector<std::string> out;
    auto st = s.prepare("PRAGMA foreign_key_check");
    while (st.step())
        out.push_back(st.text(0) + " " + st.text(1) + " -> " + st.text(2));
    return out;
}

// The keys of a master table in order; dense when they are exactly 1..n.
inline std::vector<long long> keysOf(store::Store& s, const std::string& table, const std::string& key)
{
    std::vector<long long> out;
    auto st = s.prepare("SELECT " + key + " FROM " + table + " ORDER BY " + key);
    while (st.step())
        out.push_back(st.int64(0));
    return out;
}
inline bool denseKeys(store::Store& s, const std::string& table, const std::string& key)
{
    const auto k = keysOf(s, table, key);
    for (std::size_t i = 0; i < k.size(); ++i)
        if (k[i] != static_cast<long long>(i) + 1)
            return false;
    return true;
}

}  // namespace tavrin::testing
