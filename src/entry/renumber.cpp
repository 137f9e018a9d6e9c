#include "entry/renumber.h"

#include <fmt/format.h>

#include <algorithm>
#include <cctype>
#include <limits>
#include <set>

#include "store/schema.h"

namespace tavrin::entry {

namespace {

// Identifiers read from the file's schema go into SQL text only when they are plain names.
bool plainIdentifier(const std::string& s)
{
    if (s.empty())
        return false;
    return std::all_of(s.begin(), s.end(), [](unsigned char c) { return std::isalnum(c) || c == '_'; });
}

}  // namespace

KeyShift::KeyShift(store::Store& s, MasterTable t, std::vector<KeyMove> moves, std::int64_t ceiling)
    : s_(s), t_(t)
{
    for (const auto& m : moves)
        if (m.from != m.to)
            moves_.push_back(m);
    if (moves_.empty())
        return;
    const auto n = static_cast<std::int64_t>(moves_.size());
    std::int64_t top = std::max<std::int64_t>(ceiling, 0);
    std::int64_t bottom = 0;
    {
        auto st = s_.prepare(fmt::format("SELECT max({0}), min({0}) FROM {1}", t_.key, t_.table));
        if (st.step() && !st.isNull(0)) {
            top = std::max(top, st.int64(0));
            bottom = std::min(bottom, st.int64(1));
        }
    }
    for (const auto& m : moves_)
        top = std::max(top, m.to);
    constexpr auto kMax = std::numeric_limits<std::int64_t>::max();
    constexpr auto kMin = std::numeric_limits<std::int64_t>::min();
    if (top <= kMax - n - 1)
        base_ = top + 1;
    else if (bottom >= kMin + n + 1)
        base_ = bottom - n - 1;  // a file whose keys reach the top of the range parks below them
    else
        throw store::DbError(fmt::format("{}的编号范围已用尽，无法重新编号", t_.table));
}

void KeyShift::run()
{
    if (moves_.empty())
        return;
    auto st = s_.prepare(fmt::format("UPDATE {0} SET {1} = ?1 WHERE {1} = ?2", t_.table, t_.key));
    auto write = [&](std::int64_t from, std::int64_t to) {
        st.reset();
        st.bind(1, to).bind(2, from);
        st.run();
    };
    std::map<std::int64_t, std::int64_t> target;  // pending moves: current key -> final key
    std::map<std::int64_t, std::int64_t> source;  // final key -> current key
    for (const auto& m : moves_) {
        target[m.from] = m.to;
        source[m.to] = m.from;
    }
    // Moves whose final key no pending row holds.
    std::vector<std::int64_t> ready;
    for (const auto& [from, to] : target)
        if (!target.count(to))
            ready.push_back(from);
    while (!target.empty()) {
        if (ready.empty()) {
            // Only cycles are left: one row of one of them steps aside.
            const auto [from, to] = *target.begin();
            const std::int64_t park = base_ + parked_++;
            write(from, park);
            target.erase(from);
            target[park] = to;
            source[to] = park;
            if (auto it = source.find(from); it != source.end())
                ready.push_back(it->second);
            continue;
        }
        const std::int64_t from = ready.back();
        ready.pop_back();
        const std::int64_t to = target.at(from);
        write(from, to);
        target.erase(from);
        source.erase(to);
        // The row that waited for this key may go now.
        if (auto it = source.find(from); it != source.end())
            ready.push_back(it->second);
    }
}

std::vector<std::pair<std::string, std::string>> referrers(store::Store& s, const char* master)
{
    std::vector<std::pair<std::string, std::string>> out;
    auto st = s.prepare("SELECT \"from\" FROM pragma_foreign_key_list(?1) WHERE lower(\"table\") = lower(?2)");
    for (const auto& t : store::tables()) {
        st.reset();
        st.bind(1, t.name).bind(2, master);
        while (st.step()) {
            std::string col = st.text(0);
            if (plainIdentifier(col))
                out.emplace_back(t.name, col);
        }
    }
    return out;
}

std::int64_t dropDangling(store::Store& s, MasterTable master)
{
    std::int64_t dropped = 0;
    for (const auto& [table, col] : referrers(s, master.table)) {
        s.run(fmt::format("DELETE FROM {0} WHERE {1} IS NOT NULL AND {1} <> 0 AND NOT EXISTS "
                          "(SELECT 1 FROM {2} WHERE {2}.{3} = {0}.{1})",
                          table, col, master.table, master.key));
        dropped += s.changes();
    }
    return dropped;
}

void deleteUnlisted(store::Store& s, MasterTable t, const std::vector<std::int64_t>& listed, std::int64_t maxKey)
{
    const std::set<std::int64_t> keep(listed.begin(), listed.end());
    std::vector<std::int64_t> gone;
    {
        auto st = s.prepare(fmt::format("SELECT {0} FROM {1} WHERE {0} >= 1 AND {0} <= ?1", t.key, t.table));
        st.bind(1, maxKey);
        while (st.step())
            if (!keep.count(st.int64(0)))
                gone.push_back(st.int64(0));
    }
    auto del = s.prepare(fmt::format("DELETE FROM {} WHERE {} = ?1", t.table, t.key));
    for (std::int64_t id : gone) {
        del.reset();
        del.bind(1, id);
        del.run();
    }
}

std::vector<std::int64_t> finalKeys(const std::vector<std::int64_t>& keys)
{
    std::vector<std::size_t> order(keys.size());
    for (std::size_t i = 0; i < order.size(); ++i)
        order[i] = i;
    std::sort(order.begin(), order.end(), [&](std::size_t a, std::size_t b) { return keys[a] < keys[b]; });
    std::vector<std::int64_t> out(keys.size());
    for (std::size_t n = 0; n < order.size(); ++n)
        out[order[n]] = static_cast<std::int64_t>(n) + 1;
    return out;
}

void renameRows(store::Store& s, MasterTable t, const std::vector<std::pair<std::int64_t, std::string>>& names)
{
    std::vector<std::pair<std::int64_t, std::string>> changed;
    std::set<std::string> taken;
    {
        auto st = s.prepare(fmt::format("SELECT {} FROM {} WHERE {} = ?1", t.name, t.table, t.key));
        for (const auto& [id, name] : names) {
            st.reset();
            st.bind(1, id);
            if (!st.step())
                continue;
            std::string now = st.text(0);
            if (now != name)
                changed.emplace_back(id, name);
        }
        auto all = s.prepare(fmt::format("SELECT {} FROM {}", t.name, t.table));
        while (all.step())
            taken.insert(all.text(0));
        for (const auto& [id, name] : names)
            taken.insert(name);
    }
    if (changed.empty())
        return;
    auto set = s.prepare(fmt::format("UPDATE {} SET {} = ?1 WHERE {} = ?2", t.table, t.name, t.key));
    auto put = [&](std::int64_t id, const std::string& name) {
        set.reset();
        set.bind(1, name).bind(2, id);
        set.run();
    };
    if (changed.size() > 1) {
        // A prefix no name of the table starts with, now or after the save.
        std::string prefix = "\x1f";
        auto used = [&] {
            auto it = taken.lower_bound(prefix);
            return it != taken.end() && it->compare(0, prefix.size(), prefix) == 0;
        };
        while (used())
            prefix += '\x1f';
        for (std::size_t i = 0; i < changed.size(); ++i)
            put(changed[i].first, prefix + std::to_string(i));
    }
    for (const auto& [id, name] : changed)
        put(id, name);
}

}  // namespace tavrin::entry
