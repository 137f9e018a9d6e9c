#include "entry/classes.h"

#include <fmt/format.h>

#include <algorithm>
#include <map>
#include <set>
#include <unordered_map>

#include "entry/renumber.h"
#include "model/loaders.h"

namespace tavrin::entry {

namespace {

std::string tooManyGroups()
{
    return fmt::format("年级组不能超过{}个。", model::kMaxJi);
}
std::string tooManyClasses()
{
    return fmt::format("班级不能超过{}个。", model::kMaxBan);
}

}  // namespace

int ClassDraft::classCount() const
{
    int n = 0;
    for (const auto& g : groups)
        n += static_cast<int>(g.classes.size());
    return n;
}

bool ClassDraft::has(BanPos p) const
{
    return p.group >= 0 && p.group < static_cast<int>(groups.size()) && p.index >= 0 &&
           p.index < static_cast<int>(groups[p.group].classes.size());
}

std::vector<BanPos> ClassDraft::listOrder() const
{
    std::vector<BanPos> out;
    for (int g = 0; g < static_cast<int>(groups.size()); ++g)
        for (int c = 0; c < static_cast<int>(groups[g].classes.size()); ++c)
            out.push_back({g, c});
    return out;
}

ClassDraft loadClasses(store::Store& s)
{
    ClassDraft d;
    std::map<std::int64_t, int> groupAt;
    {
        auto st = s.prepare("SELECT jiid, jiname FROM jibd ORDER BY jiid");
        while (st.step()) {
            groupAt[st.int64(0)] = static_cast<int>(d.groups.size());
            d.groups.push_back({st.int64(0), st.text(1), {}});
        }
    }
    auto st = s.prepare("SELECT banid, banname, jiid, islock FROM banbd ORDER BY banid");
    while (st.step()) {
        auto it = st.isNull(2) ? groupAt.end() : groupAt.find(st.int64(2));
        if (it == groupAt.end()) {
            d.skipped.push_back({"banbd",
                                 fmt::format("banid={}, banname={}, jiid={}, islock={}", st.int64(0), st.text(1),
                                             st.isNull(2) ? std::string("空") : st.text(2), st.text(3)),
                                 "年级不存在"});
            continue;
        }
        d.groups[it->second].classes.push_back({st.int64(0), st.text(1)});
    }
    return d;
}

Result addGroup(ClassDraft& d)
{
    if (static_cast<int>(d.groups.size()) >= model::kMaxJi)
        return refused(tooManyGroups());
    if (d.classCount() >= model::kMaxBan)
        return refused(tooManyClasses());
    d.groups.push_back({std::nullopt, kNewJiName, {{std::nullopt, kNewBanName}}});
    return done();
}

Result addClass(ClassDraft& d, int group, BanPos* added)
{
    if (added)
        *added = {};
    if (group < 0 || group >= static_cast<int>(d.groups.size()))
        return refused("请先新增年级组。");
    if (d.classCount() >= model::kMaxBan)
        return refused(tooManyClasses());
    auto& cls = d.groups[group].classes;
    cls.push_back({std::nullopt, kNewBanName});
    if (added)
        *added = {group, static_cast<int>(cls.size()) - 1};
    return done();
}

BanPos deleteClass(ClassDraft& d, BanPos p)
{
    if (!d.has(p))
        return {};
    auto& cls = d.groups[p.group].classes;
    cls.erase(cls.begin() + p.index);
    if (!cls.empty())
        return {p.group, 0};
    d.groups.erase(d.groups.begin() + p.group);
    return {};
}

void deleteGroup(ClassDraft& d, int group)
{
    if (group >= 0 && group < static_cast<int>(d.groups.size()))
        d.groups.erase(d.groups.begin() + group);
}

void fillNames(ClassDraft& d)
{
    for (auto& g : d.groups)
        for (std::size_t c = 0; c < g.classes.size(); ++c)
            g.classes[c].name = g.name + std::to_string(c + 1) + "班";
}

BanPos duplicateName(const ClassDraft& d)
{
    const auto order = d.listOrder();
    std::unordered_map<std::string, std::vector<int>> seen;
    for (int i = 0; i < static_cast<int>(order.size()); ++i)
        seen[d.at(order[i]).name].push_back(i);
    for (int i = 0; i < static_cast<int>(order.size()); ++i) {
        const auto& where = seen[d.at(order[i]).name];
        if (where.size() > 1)
            return order[where[1]];  // `where[0]` is i, the earliest of its name
    }
    return {};
}

namespace {

struct Stored {
    std::set<std::int64_t> groups;
    std::map<std::int64_t, std::int64_t> classGroup;  // banid -> jiid, classes with a group only
};

Stored readStored(store::Store& s)
{
    Stored st;
    auto g = s.prepare("SELECT jiid FROM jibd");
    while (g.step())
        st.groups.insert(g.int64(0));
    auto b = s.prepare("SELECT banbd.banid, banbd.jiid FROM banbd JOIN jibd ON banbd.jiid = jibd.jiid");
    while (b.step())
        st.classGroup[b.int64(0)] = b.int64(1);
    return st;
}

// The rows must name what the file holds, each once.
Result checkAgainst(const ClassDraft& d, const Stored& st)
{
    if (static_cast<int>(d.groups.size()) > model::kMaxJi)
        return refused(tooManyGroups());
    if (d.classCount() > model::kMaxBan)
        return refused(tooManyClasses());
    std::set<std::int64_t> groups, classes;
    for (const auto& g : d.groups) {
        if (g.id) {
            if (!st.groups.count(*g.id))
                return refused(fmt::format("找不到编号为{}的年级组，请重新载入。", *g.id));
            if (!groups.insert(*g.id).second)
                return refused(fmt::format("年级组编号{}出现了两次。", *g.id));
        }
        for (const auto& c : g.classes)
            if (c.id) {
                if (!st.classGroup.count(*c.id))
                    return refused(fmt::format("找不到编号为{}的班级，请重新载入。", *c.id));
                if (!classes.insert(*c.id).second)
                    return refused(fmt::format("班级编号{}出现了两次。", *c.id));
            }
    }
    return done();
}

}  // namespace

Result saveClasses(store::Store& s, const ClassDraft& d, BanPos* duplicate)
{
    if (duplicate)
        *duplicate = {};
    const BanPos twin = duplicateName(d);
    if (twin.valid()) {
        if (duplicate)
            *duplicate = twin;
        return refused(kDuplicateBanName);
    }

    Result result;
    s.transaction([&] {
        const Stored stored = readStored(s);
        result = checkAgainst(d, stored);
        if (!result)
            return;

        // Final grade-group IDs: the kept groups in their old order, then the new ones.
        const int G = static_cast<int>(d.groups.size());
        std::vector<std::int64_t> finalJi(G, 0);
        {
            std::vector<int> kept, added;
            for (int g = 0; g < G; ++g)
                (d.groups[g].id ? kept : added).push_back(g);
            std::sort(kept.begin(), kept.end(), [&](int a, int b) { return *d.groups[a].id < *d.groups[b].id; });
            std::int64_t n = 0;
            for (int g : kept)
                finalJi[g] = ++n;
            for (int g : added)
                finalJi[g] = ++n;
        }

        // Final class IDs: by grade group, kept classes by their old ID, then new ones in list order.
        struct Cls {
            BanPos pos;
            std::int64_t ji;
            std::optional<std::int64_t> old;
            int order;
        };
        std::vector<Cls> cls;
        {
            int order = 0;
            for (const BanPos& p : d.listOrder())
                cls.push_back({p, finalJi[p.group], d.at(p).id, order++});
            std::stable_sort(cls.begin(), cls.end(), [](const Cls& a, const Cls& b) {
                if (a.ji != b.ji)
                    return a.ji < b.ji;
                if (a.old.has_value() != b.old.has_value())
                    return a.old.has_value();
                if (a.old)
                    return *a.old < *b.old;
                return a.order < b.order;
            });
        }

        // Rows that name no class or group would land on whichever row takes their key.
        dropDangling(s, kJiTable);
        dropDangling(s, kBanTable);

        // Classes gone from the list, with everything that refers to them.
        {
            std::set<std::int64_t> keep;
            for (const auto& c : cls)
                if (c.old)
                    keep.insert(*c.old);
            auto del = s.prepare("DELETE FROM banbd WHERE banid = ?1");
            for (const auto& [id, ji] : stored.classGroup)
                if (!keep.count(id)) {
                    del.reset();
                    del.bind(1, id);
                    del.run();
                }
        }
        // A kept class listed under another group (only a hand-written list does that) leaves
        // its old group first, so that deleting that group cannot take it along.
        std::vector<std::pair<std::int64_t, std::int64_t>> regroup;  // banid, final jiid
        for (const auto& c : cls) {
            const auto& g = d.groups[c.pos.group];
            if (c.old && (!g.id || stored.classGroup.at(*c.old) != *g.id))
                regroup.emplace_back(*c.old, c.ji);
        }
        for (const auto& [id, ji] : regroup)
            s.run("UPDATE banbd SET jiid = NULL WHERE banid = ?1", id);

        // Grade groups: delete, renumber, insert, rename.
        {
            std::set<std::int64_t> keep;
            std::vector<KeyMove> moves;
            for (int g = 0; g < G; ++g)
                if (d.groups[g].id) {
                    keep.insert(*d.groups[g].id);
                    moves.push_back({*d.groups[g].id, finalJi[g]});
                }
            auto del = s.prepare("DELETE FROM jibd WHERE jiid = ?1");
            for (std::int64_t id : stored.groups)
                if (!keep.count(id)) {
                    del.reset();
                    del.bind(1, id);
                    del.run();
                }
            KeyShift(s, kJiTable, std::move(moves), G).run();
            auto ins = s.prepare("INSERT INTO jibd(jiid, jiname) VALUES(?1, ?2)");
            for (int g = 0; g < G; ++g)
                if (!d.groups[g].id) {
                    ins.reset();
                    ins.bind(1, finalJi[g]).bind(2, d.groups[g].name);
                    ins.run();
                }
            auto name = s.prepare("UPDATE jibd SET jiname = ?1 WHERE jiid = ?2 AND jiname IS NOT ?1");
            for (int g = 0; g < G; ++g)
                if (d.groups[g].id) {
                    name.reset();
                    name.bind(1, d.groups[g].name).bind(2, finalJi[g]);
                    name.run();
                }
        }
        for (const auto& [id, ji] : regroup)
            s.run("UPDATE banbd SET jiid = ?1 WHERE banid = ?2", ji, id);

        // Classes: renumber, rename, insert.
        {
            const auto C = static_cast<std::int64_t>(cls.size());
            std::vector<KeyMove> moves;
            std::vector<std::pair<std::int64_t, std::string>> names;
            for (std::int64_t k = 0; k < C; ++k)
                if (cls[k].old) {
                    moves.push_back({*cls[k].old, k + 1});
                    names.emplace_back(k + 1, d.at(cls[k].pos).name);
                }
            KeyShift(s, kBanTable, std::move(moves), C).run();
            renameRows(s, kBanTable, names);
            auto ins = s.prepare("INSERT INTO banbd(banid, banname, jiid, islock) VALUES(?1, ?2, ?3, 0)");
            for (std::int64_t k = 0; k < C; ++k)
                if (!cls[k].old) {
                    ins.reset();
                    ins.bind(1, k + 1).bind(2, d.at(cls[k].pos).name).bind(3, cls[k].ji);
                    ins.run();
                }
        }
    });
    return result;
}

}  // namespace tavrin::entry
