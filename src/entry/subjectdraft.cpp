#include "entry/subjectdraft.h"

#include <fmt/format.h>

#include <algorithm>
#include <limits>
#include <set>
#include <unordered_map>

#include "entry/kemumarks.h"
#include "entry/prune.h"
#include "entry/renumber.h"
#include "entry/rowtext.h"
#include "model/covers.h"
#include "model/loaders.h"

namespace tavrin::entry {

namespace {

std::string joined(const std::vector<std::int64_t>& values)
{
    if (values.empty())
        return {};
    if (std::all_of(values.begin(), values.end(), [&](std::int64_t v) { return v == values.front(); }))
        return std::to_string(values.front());
    std::string s;
    for (std::size_t i = 0; i < values.size(); ++i) {
        if (i > 0)
            s += ',';
        s += std::to_string(values[i]);
    }
    return s;
}

}  // namespace

int KemuDraft::rowOf(std::int64_t id) const
{
    for (std::size_t i = 0; i < rows.size(); ++i)
        if (rows[i].id == id)
            return static_cast<int>(i);
    return -1;
}

std::vector<int> KemuDraft::groupValues(int row, int group) const
{
    std::vector<int> out;
    const auto& g = groups[static_cast<std::size_t>(group)];
    const auto& r = rows[static_cast<std::size_t>(row)];
    for (int k = g.first; k < g.first + g.count; ++k)
        out.push_back(static_cast<int>(
            std::clamp<std::int64_t>(r.jieshu[static_cast<std::size_t>(k)], 0, std::numeric_limits<int>::max())));
    return out;
}

std::string KemuDraft::groupCell(int row, int group) const
{
    const auto& g = groups[static_cast<std::size_t>(group)];
    const auto& r = rows[static_cast<std::size_t>(row)];
    std::vector<std::int64_t> v(r.jieshu.begin() + g.first, r.jieshu.begin() + g.first + g.count);
    std::string s = joined(v);
    return s == "0" ? std::string() : s;
}

std::vector<std::int64_t> KemuDraft::totals() const
{
    std::vector<std::int64_t> t(classes.size(), 0);
    for (const auto& r : rows)
        for (std::size_t k = 0; k < t.size() && k < r.jieshu.size(); ++k)
            t[k] += r.jieshu[k];
    return t;
}

std::string KemuDraft::groupTotalText(int group, const std::vector<std::int64_t>& t) const
{
    const auto& g = groups[static_cast<std::size_t>(group)];
    return joined({t.begin() + g.first, t.begin() + g.first + g.count});
}

std::string KemuDraft::groupCapacityText(int group) const
{
    const auto& g = groups[static_cast<std::size_t>(group)];
    std::vector<std::int64_t> c;
    for (int k = g.first; k < g.first + g.count; ++k)
        c.push_back(classes[static_cast<std::size_t>(k)].capacity);
    return joined(c);
}

bool KemuDraft::groupOverCapacity(int group, const std::vector<std::int64_t>& t) const
{
    const auto& g = groups[static_cast<std::size_t>(group)];
    for (int k = g.first; k < g.first + g.count; ++k)
        if (t[static_cast<std::size_t>(k)] > classes[static_cast<std::size_t>(k)].capacity)
            return true;
    return false;
}

bool KemuDraft::overCapacity() const
{
    const auto t = totals();
    for (std::size_t k = 0; k < classes.size(); ++k)
        if (t[k] > classes[k].capacity)
            return true;
    return false;
}

std::pair<int, int> KemuDraft::span(Scope s) const
{
    return scopeSpan(s, groups, static_cast<int>(classes.size()));
}

KemuDraft loadSubjects(store::Store& s)
{
    KemuDraft d;
    model::School sc;
    model::LoadDayBanJi(s, sc);
    d.theDay = sc.theDay;
    d.P = sc.P();
    d.dayToWeek = sc.DayToWeek;
    const model::PresentIds present = model::presentIds(s);

    std::unordered_map<std::int64_t, int> classAt;
    for (int j = 1; j <= sc.MaxJiID; ++j) {
        if (j >= static_cast<int>(present.ji.size()) || !present.ji[static_cast<std::size_t>(j)])
            continue;
        KemuGroup g{j, sc.JiName[static_cast<std::size_t>(j)], static_cast<int>(d.classes.size()), 0};
        for (int k = 1; k <= sc.BanCountInJi[static_cast<std::size_t>(j)]; ++k) {
            const int b = sc.BanID(j, k);
            classAt[b] = static_cast<int>(d.classes.size());
            d.classes.push_back({b, sc.BanName[static_cast<std::size_t>(b)], static_cast<int>(d.groups.size()),
                                 sc.BanCapacity[static_cast<std::size_t>(b)]});
            ++g.count;
        }
        d.groups.push_back(std::move(g));
    }
    const std::size_t C = d.classes.size();
    auto skip = [&](const char* table, std::string row, const char* why) {
        d.skipped.push_back({table, std::move(row), why});
    };

    d.maxStoredId = s.scalar("SELECT max(kemuid) FROM kemubd");
    {
        auto st = s.prepare("SELECT kemuid, kemuname, kemuname2, maxjie, lianpai FROM kemubd ORDER BY kemuid");
        while (st.step()) {
            const std::int64_t id = st.int64(0);
            if (id < 1 || id >= static_cast<std::int64_t>(present.kemu.size()) ||
                !present.kemu[static_cast<std::size_t>(id)]) {
                skip("kemubd",
                     rowText(st, {{"kemuid", 0}, {"kemuname", 1}, {"kemuname2", 2}, {"maxjie", 3}, {"lianpai", 4}}),
                     "科目编号无效");
                continue;
            }
            KemuRow r;
            r.id = id;
            r.stored = true;
            r.name = st.text(1);
            r.name2 = st.text(2);
            r.maxjie = st.int64(3);
            r.lianpai = st.int64(4);
            r.jieshu.assign(C, 0);
            r.marks.assign(C * kMarksPerClass, 0);
            d.rows.push_back(std::move(r));
        }
    }
    std::unordered_map<std::int64_t, int> rowAt;
    for (std::size_t i = 0; i < d.rows.size(); ++i)
        rowAt[d.rows[i].id] = static_cast<int>(i);
    {
        auto st = s.prepare("SELECT kemuid, banid, jieshu FROM kemujieshu ORDER BY rowid");
        while (st.step()) {
            auto row = [&] { return rowText(st, {{"kemuid", 0}, {"banid", 1}, {"jieshu", 2}}); };
            auto r = st.isNull(0) ? rowAt.end() : rowAt.find(st.int64(0));
            auto c = st.isNull(1) ? classAt.end() : classAt.find(st.int64(1));
            if (r == rowAt.end())
                skip("kemujieshu", row(), "科目不存在");
            else if (c == classAt.end())
                skip("kemujieshu", row(), "班级不存在");
            else if (st.int64(2) < 0)
                skip("kemujieshu", row(), "节数无效");
            else
                d.rows[static_cast<std::size_t>(r->second)].jieshu[static_cast<std::size_t>(c->second)] = st.int64(2);
        }
    }
    {
        auto st = s.prepare("SELECT kemuid, banid, theday, thejie, teshu FROM teshuke ORDER BY rowid");
        while (st.step()) {
            auto row = [&] {
                return rowText(st, {{"kemuid", 0}, {"banid", 1}, {"theday", 2}, {"thejie", 3}, {"teshu", 4}});
            };
            auto r = st.isNull(0) ? rowAt.end() : rowAt.find(st.int64(0));
            auto c = st.isNull(1) ? classAt.end() : classAt.find(st.int64(1));
            const std::int64_t w = st.int64(2), j = st.int64(3), t = st.int64(4);
            if (r == rowAt.end())
                skip("teshuke", row(), "科目不存在");
            else if (c == classAt.end())
                skip("teshuke", row(), "班级不存在");
            else if (w < 1 || w > model::kMaxDays || sc.WeektoDay[static_cast<std::size_t>(w)] == 0)
                skip("teshuke", row(), "不是上课日");
            else if (j < 1 || j > d.P)
                skip("teshuke", row(), "节次超出范围");
            else if (t < model::MarkNone || t > model::MarkNever)
                skip("teshuke", row(), "预设值无效");
            else
                d.rows[static_cast<std::size_t>(r->second)]
                    .marks[KemuDraft::markAt(c->second, sc.WeektoDay[static_cast<std::size_t>(w)], static_cast<int>(j))] =
                    static_cast<std::uint8_t>(t);
        }
    }
    return d;
}

std::string setGroupText(KemuDraft& d, int row, int group, std::string_view text)
{
    const auto& g = d.groups[static_cast<std::size_t>(group)];
    const JieInput in = inputJie(text, g.count);
    auto& r = d.rows[static_cast<std::size_t>(row)];
    for (int k = 0; k < g.count; ++k)
        r.jieshu[static_cast<std::size_t>(g.first + k)] = in.values[static_cast<std::size_t>(k)];
    return in.text;
}

std::string setClassCount(KemuDraft& d, int row, int cls, int value)
{
    d.rows[static_cast<std::size_t>(row)].jieshu[static_cast<std::size_t>(cls)] = value;
    return d.groupCell(row, d.classes[static_cast<std::size_t>(cls)].group);
}

Result addSubject(KemuDraft& d, int* added)
{
    if (added)
        *added = -1;
    if (static_cast<int>(d.rows.size()) >= kMaxKemuRows)
        return refused(kTooManyKemu);
    std::set<std::int64_t> used;
    for (const auto& r : d.rows)
        used.insert(r.id);
    std::int64_t id = std::max<std::int64_t>(d.maxStoredId, 0) + 1;
    while (used.count(id))
        ++id;
    KemuRow r;
    r.id = id;
    r.jieshu.assign(d.classes.size(), 0);
    r.marks.assign(d.classes.size() * kMarksPerClass, 0);
    d.rows.push_back(std::move(r));
    if (added)
        *added = static_cast<int>(d.rows.size()) - 1;
    return done();
}

int deleteSubject(KemuDraft& d, int row, MarkWork* openDialog)
{
    if (row < 0 || row >= static_cast<int>(d.rows.size()))
        return -1;
    if (openDialog)
        forgetSubject(*openDialog, d.rows[static_cast<std::size_t>(row)].id);
    d.rows.erase(d.rows.begin() + row);
    if (d.rows.empty())
        return -1;
    return std::min(row, static_cast<int>(d.rows.size()) - 1);
}

void fillShortNames(KemuDraft& d, bool first)
{
    for (auto& r : d.rows)
        if (!r.name.empty())
            r.name2 = first ? firstChar(r.name) : lastChar(r.name);
}

int duplicateSubject(const KemuDraft& d)
{
    std::unordered_map<std::string, std::vector<int>> seen;
    for (int i = 0; i < static_cast<int>(d.rows.size()); ++i)
        seen[d.rows[static_cast<std::size_t>(i)].name].push_back(i);
    for (int i = 0; i < static_cast<int>(d.rows.size()); ++i) {
        const auto& where = seen[d.rows[static_cast<std::size_t>(i)].name];
        if (where.size() > 1)
            return where[1];
    }
    return -1;
}

namespace {

// The rows must name what the file holds: stored subjects still there, provisional IDs
// still free, every class still there, each ID once.
Result checkAgainstFile(store::Store& s, const KemuDraft& d)
{
    if (static_cast<int>(d.rows.size()) > kMaxKemuRows)
        return refused(kTooManyKemu);
    std::set<std::int64_t> inFile, ids;
    {
        auto st = s.prepare("SELECT kemuid FROM kemubd");
        while (st.step())
            inFile.insert(st.int64(0));
    }
    for (const auto& r : d.rows) {
        if (r.jieshu.size() != d.classes.size() || r.marks.size() != d.classes.size() * kMarksPerClass)
            return refused("科目数据与班级不符，请重新载入。");
        if (!ids.insert(r.id).second)
            return refused(fmt::format("科目编号{}出现了两次。", r.id));
        if (r.stored && !inFile.count(r.id))
            return refused(fmt::format("找不到编号为{}的科目，请重新载入。", r.id));
        if (!r.stored && inFile.count(r.id))
            return refused(fmt::format("科目编号{}已被占用，请重新载入。", r.id));
    }
    auto ban = s.prepare("SELECT 1 FROM banbd WHERE banid = ?1");
    for (const auto& c : d.classes) {
        ban.reset();
        ban.bind(1, c.id);
        if (!ban.step())
            return refused(fmt::format("找不到编号为{}的班级，请重新载入。", c.id));
    }
    return done();
}

// Each (subject, class) of the rows gets the new count on its assignments: a raise goes on
// the first row, a cut takes rows from the first on until it is used up.
void realignAssignments(store::Store& s, const KemuDraft& d)
{
    std::unordered_map<PairKey, std::int64_t, KeyHash> need;  // required - assigned
    for (const auto& r : d.rows)
        if (r.stored)
            for (std::size_t k = 0; k < d.classes.size(); ++k)
                need[{r.id, d.classes[k].id}] = r.jieshu[k];
    struct Row {
        std::int64_t rowid, ke, ban, jieshu, difid;
        bool known;
    };
    std::vector<Row> rows;
    {
        auto st = s.prepare("SELECT rowid, keid, banid, jieshu, difid FROM renkebd ORDER BY rowid");
        while (st.step()) {
            Row r{st.int64(0), st.int64(1), st.int64(2), st.int64(3), st.isNull(4) ? -1 : st.int64(4),
                  !st.isNull(1) && !st.isNull(2)};
            if (r.known) {
                auto it = need.find({r.ke, r.ban});
                if (it == need.end())
                    r.known = false;
                else
                    it->second -= r.jieshu;
            }
            rows.push_back(r);
        }
    }
    auto del = s.prepare("DELETE FROM renkebd WHERE rowid = ?1");
    auto set = s.prepare("UPDATE renkebd SET jieshu = ?1 WHERE rowid = ?2");
    std::vector<Row> kept;
    for (Row r : rows) {
        if (r.known) {
            std::int64_t& e = need.at({r.ke, r.ban});
            const std::int64_t delta = e;
            if (delta > 0 || (delta < 0 && r.jieshu + delta > 0)) {
                r.jieshu += delta;
                e = 0;
                set.reset();
                set.bind(1, r.jieshu).bind(2, r.rowid);
                set.run();
            } else if (delta < 0) {
                e += r.jieshu;
                del.reset();
                del.bind(1, r.rowid);
                del.run();
                continue;
            }
        }
        kept.push_back(r);
    }
    auto dif = s.prepare("UPDATE renkebd SET difid = ?1 WHERE rowid = ?2");
    for (std::size_t i = 0; i < kept.size(); ++i)
        if (kept[i].difid != static_cast<std::int64_t>(i)) {
            dif.reset();
            dif.bind(1, static_cast<std::int64_t>(i)).bind(2, kept[i].rowid);
            dif.run();
        }
}

}  // namespace

Result saveSubjects(store::Store& s, const KemuDraft& d, const CapacityQuestion& ask, int* duplicate)
{
    if (duplicate)
        *duplicate = -1;
    const int twin = duplicateSubject(d);
    if (twin >= 0) {
        if (duplicate)
            *duplicate = twin;
        return refused(kDuplicateKemuName);
    }
    // A "no" is the operator's own answer: nothing more to tell.
    if (d.overCapacity() && !(ask && ask(kOverCapacityQuestion)))
        return refused("");

    Result result = done();
    s.transaction([&] {
        result = checkAgainstFile(s, d);
        if (!result)
            return;
        // Rows that name no subject would land on whichever subject takes their key.
        dropDangling(s, kKemuTable);
        s.run("DELETE FROM kemujieshu");
        s.run("DELETE FROM teshuke");

        std::vector<std::int64_t> ids;
        for (const auto& r : d.rows)
            ids.push_back(r.id);
        // Subjects gone from the list, with everything that refers to them.
        deleteUnlisted(s, kKemuTable, ids, kMaxKemuRows);

        if (s.scalar("SELECT count(*) FROM renkebd") > 0) {
            realignAssignments(s, d);
            if (s.scalar("SELECT count(*) FROM kechenbd") > 0)
                trimTimetable(s);
        }
        // Covers of lessons whose assignment the realignment dropped.
        model::trimCovers(s);

        // Final IDs 1..S in ascending old ID; provisional IDs lie above every stored one.
        const std::vector<std::int64_t> finalId = finalKeys(ids);
        const auto S = static_cast<std::int64_t>(d.rows.size());
        {
            std::vector<KeyMove> moves;
            std::vector<std::pair<std::int64_t, std::string>> names;
            for (std::size_t i = 0; i < d.rows.size(); ++i)
                if (d.rows[i].stored) {
                    moves.push_back({d.rows[i].id, finalId[i]});
                    names.emplace_back(finalId[i], d.rows[i].name);
                }
            KeyShift(s, kKemuTable, std::move(moves), S).run();
            renameRows(s, kKemuTable, names);
        }
        {
            auto upd = s.prepare("UPDATE kemubd SET kemuname2 = ?1, maxjie = ?2, lianpai = ?3 WHERE kemuid = ?4 AND "
                                 "(kemuname2 IS NOT ?1 OR maxjie IS NOT ?2 OR lianpai IS NOT ?3)");
            auto ins = s.prepare(
                "INSERT INTO kemubd(kemuid, kemuname, kemuname2, maxjie, lianpai) VALUES(?1, ?2, ?3, ?4, ?5)");
            for (std::size_t i = 0; i < d.rows.size(); ++i) {
                const auto& r = d.rows[i];
                if (r.stored) {
                    upd.reset();
                    upd.bindAll(r.name2, r.maxjie, r.lianpai, finalId[i]);
                    upd.run();
                } else {
                    ins.reset();
                    ins.bindAll(finalId[i], r.name, r.name2, r.maxjie, r.lianpai);
                    ins.run();
                }
            }
        }
        {
            auto ins = s.prepare("INSERT INTO kemujieshu(kemuid, banid, jieshu) VALUES(?1, ?2, ?3)");
            for (std::size_t i = 0; i < d.rows.size(); ++i)
                for (std::size_t k = 0; k < d.classes.size(); ++k)
                    if (d.rows[i].jieshu[k] > 0) {
                        ins.reset();
                        ins.bindAll(finalId[i], d.classes[k].id, d.rows[i].jieshu[k]);
                        ins.run();
                    }
        }
        {
            auto ins = s.prepare("INSERT INTO teshuke(kemuid, banid, theday, thejie, teshu) VALUES(?1, ?2, ?3, ?4, ?5)");
            for (std::size_t i = 0; i < d.rows.size(); ++i)
                for (std::size_t k = 0; k < d.classes.size(); ++k)
                    for (int day = 1; day <= std::min(d.theDay, model::kMaxDays); ++day) {
                        const int w = d.dayToWeek[static_cast<std::size_t>(day)];
                        if (w < 1)
                            continue;  // a day number without a weekday has nowhere to go
                        for (int j = 1; j <= model::kMaxJie; ++j) {
                            const std::uint8_t m = d.rows[i].marks[KemuDraft::markAt(static_cast<int>(k), day, j)];
                            if (m == 0)
                                continue;
                            ins.reset();
                            ins.bindAll(finalId[i], d.classes[k].id, w, j, static_cast<int>(m));
                            ins.run();
                        }
                    }
        }
    });
    return result;
}

}  // namespace tavrin::entry
