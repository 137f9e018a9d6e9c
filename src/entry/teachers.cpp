#include "entry/teachers.h"

#include <fmt/format.h>

#include <algorithm>
#include <set>
#include <unordered_map>
#include <unordered_set>

#include "entry/prune.h"
#include "entry/renumber.h"
#include "entry/teamarks.h"
#include "model/covers.h"
#include "model/loaders.h"

namespace tavrin::entry {

namespace {

constexpr const char* kNegativeHeban = "合班号无效，按不合班载入";

bool isContinuation(char c)
{
    return (static_cast<unsigned char>(c) & 0xC0) == 0x80;
}

// Whole characters (UTF-8 code points) of a text, as byte offsets of their starts.
std::vector<std::size_t> charStarts(std::string_view s)
{
    std::vector<std::size_t> out;
    for (std::size_t i = 0; i < s.size(); ++i)
        if (!isContinuation(s[i]))
            out.push_back(i);
    return out;
}

// The pieces of a teacher's text: one per plain entry or combined lesson, in array order.
struct Piece {
    int entry = 0;
    std::string text;
    std::int64_t periods = 0;
};

std::string part(const TeaDraft& d, const RenkeEntry& e)
{
    return d.className(e.ban) + "\"" + d.subjectName(e.ke) + "\"" + std::to_string(e.jieshu) + "节";
}

std::vector<Piece> pieces(const TeaDraft& d, std::int64_t tea)
{
    std::vector<Piece> out;
    std::set<std::int64_t> taken;
    for (std::size_t i = 0; i < d.renke.size(); ++i) {
        const auto& e = d.renke[i];
        if (e.empty() || e.tea != tea)
            continue;
        if (e.heban <= 0) {
            out.push_back({static_cast<int>(i), "[" + part(d, e) + "]", e.jieshu});
            continue;
        }
        if (!taken.insert(e.heban).second)
            continue;
        std::string text = "[" + part(d, e);
        for (std::size_t k = i + 1; k < d.renke.size(); ++k) {
            const auto& o = d.renke[k];
            if (!o.empty() && o.tea == tea && o.heban == e.heban)
                text += "+" + part(d, o);
        }
        out.push_back({static_cast<int>(i), text + "]", e.jieshu});
    }
    return out;
}

// Assigned periods by (class, subject), in one pass over the entries.
std::unordered_map<PairKey, std::int64_t, KeyHash> assignedTotals(const TeaDraft& d)
{
    std::unordered_map<PairKey, std::int64_t, KeyHash> out;
    for (const auto& e : d.renke)
        if (!e.empty() && e.jieshu > 0)
            out[{e.ban, e.ke}] += e.jieshu;
    return out;
}

void emptyEntry(TeaDraft& d, int i)
{
    auto& e = d.renke[static_cast<std::size_t>(i)];
    if (e.empty())
        return;
    e = {};
    --d.RenKeNum;
}

}  // namespace

int TeaDraft::rowOf(std::int64_t id) const
{
    for (std::size_t i = 0; i < rows.size(); ++i)
        if (rows[i].id == id)
            return static_cast<int>(i);
    return -1;
}

int TeaDraft::classAt(std::int64_t ban) const
{
    for (std::size_t i = 0; i < classes.size(); ++i)
        if (classes[i].id == ban)
            return static_cast<int>(i);
    return -1;
}

int TeaDraft::subjectAt(std::int64_t ke) const
{
    auto it = std::lower_bound(subjects.begin(), subjects.end(), ke,
                               [](const TeaKemu& k, std::int64_t id) { return k.id < id; });
    return it != subjects.end() && it->id == ke ? static_cast<int>(it - subjects.begin()) : -1;
}

std::string TeaDraft::className(std::int64_t ban) const
{
    const int c = classAt(ban);
    return c < 0 ? std::string() : classes[static_cast<std::size_t>(c)].name;
}

std::string TeaDraft::subjectName(std::int64_t ke) const
{
    const int k = subjectAt(ke);
    return k < 0 ? std::string() : subjects[static_cast<std::size_t>(k)].name;
}

std::int64_t TeaDraft::weekly(std::int64_t ban, std::int64_t ke) const
{
    const int c = classAt(ban), k = subjectAt(ke);
    if (c < 0 || k < 0)
        return 0;
    return need[static_cast<std::size_t>(c) * subjects.size() + static_cast<std::size_t>(k)];
}

TeaDraft loadTeachers(store::Store& s)
{
    TeaDraft d;
    model::School sc;
    model::actLoadTeaData(s, sc);
    const model::PresentIds present = model::presentIds(s);
    auto has = [](const std::vector<bool>& v, std::int64_t id) {
        return id >= 1 && id < static_cast<std::int64_t>(v.size()) && v[static_cast<std::size_t>(id)];
    };
    d.theDay = sc.theDay;
    d.P = sc.P();
    d.dayToWeek = sc.DayToWeek;
    for (int j = 1; j <= sc.MaxJiID; ++j) {
        if (!has(present.ji, j))
            continue;
        for (int k = 1; k <= sc.BanCountInJi[static_cast<std::size_t>(j)]; ++k) {
            const int b = sc.BanID(j, k);
            d.classes.push_back({b, sc.BanName[static_cast<std::size_t>(b)]});
        }
    }
    for (int k = 1; k <= sc.KemuOldNum; ++k)
        if (has(present.kemu, k))
            d.subjects.push_back({k, sc.KemuName[static_cast<std::size_t>(k)]});
    d.need.assign(d.classes.size() * d.subjects.size(), 0);
    for (std::size_t c = 0; c < d.classes.size(); ++c)
        for (std::size_t k = 0; k < d.subjects.size(); ++k)
            d.need[c * d.subjects.size() + k] = sc.KemuJieshu(static_cast<int>(d.subjects[k].id),
                                                              static_cast<int>(d.classes[c].id));

    d.maxStoredId = std::max<std::int64_t>(s.scalar("SELECT max(teaid) FROM teabd"), 0);
    d.nextId = d.maxStoredId + 1;
    for (int t = 1; t <= sc.TeaOldNum; ++t) {
        if (!has(present.tea, t))
            continue;
        TeaRow r;
        r.id = t;
        r.stored = true;
        r.name = sc.TeaName[static_cast<std::size_t>(t)];
        r.name2 = sc.TeaName2[static_cast<std::size_t>(t)];
        for (int day = 1; day <= model::kMaxDays; ++day)
            for (int j = 1; j <= model::kMaxJie; ++j)
                r.marks[teaMarkAt(day, j)] = sc.TeshuTea(t, day, j);
        d.rows.push_back(r);
    }
    for (int r = 0; r < sc.RenKeNum && r < sc.renkeSize(); ++r) {
        const auto i = static_cast<std::size_t>(r);
        if (sc.RenkeTea[i] == 0 || sc.RenkeJieshu[i] < 1)
            continue;
        d.renke.push_back({sc.RenkeTea[i], sc.RenkeBan[i], sc.RenkeKe[i], sc.RenkeJieshu[i], sc.RenkeHeban[i]});
    }
    // A negative combined number names no combined lesson: the row is an ordinary assignment,
    // which a save would otherwise drop together with its lessons.
    {
        auto st = s.prepare("SELECT teaid, banid, keid, jieshu FROM renkebd WHERE heban < 0 AND teaid IS NOT NULL "
                            "AND banid IS NOT NULL AND keid IS NOT NULL ORDER BY keid, teaid, banid");
        while (st.step()) {
            const std::int64_t t = st.int64(0), b = st.int64(1), k = st.int64(2), n = st.int64(3);
            if (has(present.tea, t) && t <= sc.TeaOldNum && d.classAt(b) >= 0 && d.subjectAt(k) >= 0 && n >= 1 &&
                n <= model::kMaxWeekSlots)
                d.renke.push_back({t, b, k, n, 0});
        }
    }
    d.RenKeNum = static_cast<int>(d.renke.size());
    d.skipped = sc.skipped;
    for (auto& row : d.skipped)
        if (row.table == "renkebd" && row.reason == std::string("合班号无效"))
            row.reason = kNegativeHeban;
    d.loadedRows = d.rows;
    d.loadedRenke = d.renke;
    return d;
}

// ---- teachers

Result addTeacher(TeaDraft& d, std::string name, int* added)
{
    if (added)
        *added = -1;
    if (static_cast<int>(d.rows.size()) >= kMaxTeaRows)
        return refused(kTooManyTea);
    TeaRow r;
    r.id = std::max(d.nextId, d.maxStoredId + 1);
    d.nextId = r.id + 1;
    r.name = std::move(name);
    d.rows.push_back(std::move(r));
    if (added)
        *added = static_cast<int>(d.rows.size()) - 1;
    return done();
}

int deleteTeacher(TeaDraft& d, int row, TeaMarkWork* openDialog)
{
    if (row < 0 || row >= static_cast<int>(d.rows.size()))
        return -1;
    const std::int64_t id = d.rows[static_cast<std::size_t>(row)].id;
    if (openDialog)
        forgetTeacher(*openDialog, id);
    for (std::size_t i = 0; i < d.renke.size(); ++i)
        if (d.renke[i].tea == id)
            emptyEntry(d, static_cast<int>(i));
    d.rows.erase(d.rows.begin() + row);
    if (d.rows.empty())
        return -1;
    return std::min(row, static_cast<int>(d.rows.size()) - 1);
}

void fillTeaShortNames(TeaDraft& d)
{
    for (auto& r : d.rows) {
        const auto starts = charStarts(r.name);
        r.name2 = starts.size() > 2 ? r.name.substr(starts[starts.size() - 2]) : r.name;
    }
}

int findTeacher(const TeaDraft& d, std::string_view text, int selected)
{
    const int n = static_cast<int>(d.rows.size());
    if (text.empty() || n == 0)
        return -1;
    const int start = selected >= 0 && selected < n ? selected + 1 : 0;
    for (int k = 0; k < n; ++k) {
        const int row = (start + k) % n;
        if (d.rows[static_cast<std::size_t>(row)].name.find(text) != std::string::npos)
            return row;
    }
    return -1;
}

// ---- assignment entries

int addRenke(TeaDraft& d, std::int64_t tea, std::int64_t ban, std::int64_t heban, std::int64_t jieshu,
             std::int64_t ke)
{
    // With no entry emptied the first free one is past the end: an import adding thousands
    // must not walk the list each time.
    std::size_t i = d.RenKeNum >= static_cast<int>(d.renke.size()) ? d.renke.size() : 0;
    while (i < d.renke.size() && !d.renke[i].empty())
        ++i;
    if (i == d.renke.size())
        d.renke.emplace_back();
    d.renke[i] = {tea, ban, ke, jieshu, heban};
    ++d.RenKeNum;
    d.LastRenkeIdx = static_cast<int>(i);
    return d.LastRenkeIdx;
}

Result inputRenke(TeaDraft& d, const std::string& name, std::int64_t ke, std::int64_t jieshu, std::int64_t ban)
{
    if (jieshu < 1)
        return refused(kBadJieshu);
    if (d.classAt(ban) < 0 || d.subjectAt(ke) < 0)
        return refused("班级或科目不存在。");
    int row = -1;
    for (std::size_t i = 0; i < d.rows.size() && row < 0; ++i)
        if (d.rows[i].name == name)
            row = static_cast<int>(i);
    if (row < 0) {
        const Result r = addTeacher(d, name, &row);
        if (!r)
            return r;
    }
    addRenke(d, d.rows[static_cast<std::size_t>(row)].id, ban, 0, jieshu, ke);
    return done();
}

std::vector<int> chipEntries(const TeaDraft& d, int entry)
{
    if (entry < 0 || entry >= static_cast<int>(d.renke.size()))
        return {};
    const auto& e = d.renke[static_cast<std::size_t>(entry)];
    if (e.empty())
        return {};
    if (e.heban <= 0)
        return {entry};
    std::vector<int> out;
    for (std::size_t i = 0; i < d.renke.size(); ++i)
        if (!d.renke[i].empty() && d.renke[i].tea == e.tea && d.renke[i].heban == e.heban)
            out.push_back(static_cast<int>(i));
    return out;
}

std::vector<Chip> chips(const TeaDraft& d, std::int64_t tea)
{
    std::vector<Chip> out;
    for (auto& p : pieces(d, tea))
        out.push_back({p.entry, std::move(p.text)});
    return out;
}

std::int64_t teacherPeriods(const TeaDraft& d, std::int64_t tea)
{
    std::int64_t total = 0;
    for (const auto& p : pieces(d, tea))
        total += p.periods;
    return total;
}

std::string renkeText(const TeaDraft& d, std::int64_t tea)
{
    const auto ps = pieces(d, tea);
    std::int64_t total = 0;
    std::string body;
    for (const auto& p : ps) {
        total += p.periods;
        if (!body.empty())
            body += "    ";
        body += p.text;
    }
    if (total == 0)
        return {};
    return "共" + std::to_string(total) + "节:   " + body;
}

void deleteChip(TeaDraft& d, int entry)
{
    for (int i : chipEntries(d, entry))
        emptyEntry(d, i);
}

int moveChip(TeaDraft& d, int entry, std::int64_t tea)
{
    const auto group = chipEntries(d, entry);
    if (group.empty() || tea == 0 || d.rowOf(tea) < 0)
        return -1;
    const auto& first = d.renke[static_cast<std::size_t>(group.front())];
    if (first.tea == tea)
        return group.front();
    std::int64_t heban = first.heban;
    if (heban > 0) {
        std::set<std::int64_t> used;
        for (const auto& e : d.renke)
            if (!e.empty() && e.tea == tea && e.heban > 0)
                used.insert(e.heban);
        if (used.count(heban)) {
            heban = 1;
            while (used.count(heban))
                ++heban;
        }
    }
    for (int i : group) {
        auto& e = d.renke[static_cast<std::size_t>(i)];
        e.tea = tea;
        if (e.heban > 0)
            e.heban = heban;
    }
    d.LastRenkeIdx = group.front();
    return group.front();
}

// ---- the list of periods nobody teaches

std::vector<UnassignedRow> unassigned(const TeaDraft& d)
{
    const auto assigned = assignedTotals(d);
    std::vector<UnassignedRow> out;
    for (std::size_t c = 0; c < d.classes.size(); ++c) {
        bool head = false;
        for (std::size_t k = 0; k < d.subjects.size(); ++k) {
            std::int64_t r = d.need[c * d.subjects.size() + k];
            if (r <= 0)
                continue;
            if (auto it = assigned.find({d.classes[c].id, d.subjects[k].id}); it != assigned.end())
                r -= it->second;
            if (r <= 0)
                continue;
            if (!head) {
                out.push_back({true, d.classes[c].name, 0, 0, d.classes[c].id});
                head = true;
            }
            out.push_back({false, d.subjects[k].name, r, d.subjects[k].id, d.classes[c].id});
        }
    }
    return out;
}

std::int64_t remaining(const TeaDraft& d, std::int64_t ban, std::int64_t ke)
{
    std::int64_t r = d.weekly(ban, ke);
    for (const auto& e : d.renke)
        if (!e.empty() && e.ban == ban && e.ke == ke && e.jieshu > 0)
            r -= e.jieshu;
    return std::max<std::int64_t>(r, 0);
}

std::string remainingLabel(const std::vector<UnassignedRow>& rows)
{
    std::int64_t sum = 0;
    for (const auto& r : rows)
        if (!r.isClass)
            sum += r.remain;
    return sum == 0 ? std::string("剩余任课") : "剩余任课 " + std::to_string(sum) + " 节";
}

std::string assignedLabel(const TeaDraft& d)
{
    // A combined lesson counts once, as in its teacher's text.
    std::int64_t sum = 0;
    std::unordered_set<PairKey, KeyHash> combined;
    for (const auto& e : d.renke) {
        if (e.empty() || e.jieshu <= 0)
            continue;
        if (e.heban > 0 && !combined.insert({e.tea, e.heban}).second)
            continue;
        sum += e.jieshu;
    }
    return sum == 0 ? std::string("任课情况") : "任课情况（已分配" + std::to_string(sum) + "节）";
}

std::string dropCaption(const TeaDraft& d, std::int64_t tea, std::int64_t ban, std::int64_t ke)
{
    const int row = d.rowOf(tea);
    const std::string name = row < 0 ? std::string() : d.rows[static_cast<std::size_t>(row)].name;
    return name + " " + d.className(ban) + " " + d.subjectName(ke) + "节数:";
}

int dropOnTeacher(TeaDraft& d, std::int64_t tea, std::int64_t ban, std::int64_t ke, std::int64_t n)
{
    if (d.rowOf(tea) < 0 || d.classAt(ban) < 0 || d.subjectAt(ke) < 0)
        return -1;
    n = std::min(n, remaining(d, ban, ke));
    if (n <= 0)
        return -1;
    return addRenke(d, tea, ban, 0, n, ke);
}

// ---- the save

namespace {

std::vector<RenkeEntry> live(const std::vector<RenkeEntry>& v)
{
    std::vector<RenkeEntry> out;
    for (const auto& e : v)
        if (!e.empty() && e.jieshu > 0)
            out.push_back(e);
    return out;
}

// The rows must name what the file holds: stored teachers still there, provisional IDs still
// free, each ID once; every entry a listed teacher, a class and a subject of the file.
Result checkAgainstFile(store::Store& s, const TeaDraft& d)
{
    if (static_cast<int>(d.rows.size()) > kMaxTeaRows)
        return refused(kTooManyTea);
    std::unordered_set<std::int64_t> inFile, ids, bans, kes;
    {
        auto st = s.prepare("SELECT teaid FROM teabd");
        while (st.step())
            inFile.insert(st.int64(0));
    }
    for (const auto& r : d.rows) {
        if (!ids.insert(r.id).second)
            return refused(fmt::format("教师编号{}出现了两次。", r.id));
        if (r.stored && !inFile.count(r.id))
            return refused(fmt::format("找不到编号为{}的教师，请重新载入。", r.id));
        if (!r.stored && inFile.count(r.id))
            return refused(fmt::format("教师编号{}已被占用，请重新载入。", r.id));
    }
    {
        auto st = s.prepare("SELECT banid FROM banbd");
        while (st.step())
            bans.insert(st.int64(0));
        auto kt = s.prepare("SELECT kemuid FROM kemubd");
        while (kt.step())
            kes.insert(kt.int64(0));
    }
    for (const auto& e : d.renke) {
        if (e.empty() || e.jieshu <= 0)
            continue;
        if (!ids.count(e.tea))
            return refused(fmt::format("任课的教师编号{}不在名单中，请重新载入。", e.tea));
        if (!bans.count(e.ban) || !kes.count(e.ke))
            return refused("任课的班级或科目已不存在，请重新载入。");
    }
    return done();
}

}  // namespace

Result saveTeachers(store::Store& s, const TeaDraft& d)
{
    Result result = done();
    s.transaction([&] {
        result = checkAgainstFile(s, d);
        if (!result)
            return;
        // Rows that name no teacher would land on whichever teacher takes their key.
        dropDangling(s, kTeaTable);

        std::vector<std::int64_t> ids;
        for (const auto& r : d.rows)
            ids.push_back(r.id);
        // Teachers gone from the list, with every row that refers to them.
        deleteUnlisted(s, kTeaTable, ids, kMaxTeaRows);

        // Final IDs 1..T in ascending old ID; provisional IDs lie above every stored one.
        const std::vector<std::int64_t> finalId = finalKeys(ids);
        std::unordered_map<std::int64_t, std::int64_t> finalOf;
        for (std::size_t i = 0; i < ids.size(); ++i)
            finalOf[ids[i]] = finalId[i];
        {
            std::vector<KeyMove> moves;
            for (std::size_t i = 0; i < d.rows.size(); ++i)
                if (d.rows[i].stored)
                    moves.push_back({d.rows[i].id, finalId[i]});
            KeyShift(s, kTeaTable, std::move(moves), static_cast<std::int64_t>(d.rows.size())).run();
        }
        {
            auto upd = s.prepare("UPDATE teabd SET teaname = ?1, teaname2 = ?2 WHERE teaid = ?3 AND "
                                 "(teaname IS NOT ?1 OR teaname2 IS NOT ?2)");
            auto ins = s.prepare("INSERT INTO teabd(teaid, teaname, teaname2, islock) VALUES(?1, ?2, ?3, 0)");
            for (std::size_t i = 0; i < d.rows.size(); ++i) {
                auto& st = d.rows[i].stored ? upd : ins;
                st.reset();
                if (d.rows[i].stored)
                    st.bindAll(d.rows[i].name, d.rows[i].name2, finalId[i]);
                else
                    st.bindAll(finalId[i], d.rows[i].name, d.rows[i].name2);
                st.run();
            }
        }

        // Assignments: written afresh once any entry changed, or when the file holds rows the
        // load could not take as they stand; `difid` is the entry's index.
        const bool oddRows = std::any_of(d.skipped.begin(), d.skipped.end(),
                                         [](const model::SkippedRow& r) { return r.table == "renkebd"; });
        if (oddRows || live(d.renke) != live(d.loadedRenke)) {
            s.run("DELETE FROM renkebd");
            auto ins = s.prepare(
                "INSERT INTO renkebd(difid, teaid, banid, keid, jieshu, heban) VALUES(?1, ?2, ?3, ?4, ?5, ?6)");
            for (std::size_t i = 0; i < d.renke.size(); ++i) {
                const auto& e = d.renke[i];
                if (e.empty() || e.jieshu <= 0)
                    continue;
                ins.reset();
                ins.bindAll(static_cast<std::int64_t>(i), finalOf.at(e.tea), e.ban, e.ke, e.jieshu,
                            std::max<std::int64_t>(e.heban, 0));
                ins.run();
            }
        }

        // Marks of the teachers whose marks changed (a new one's are all new).
        {
            std::unordered_map<std::int64_t, const TeaMarks*> before;
            for (const auto& r : d.loadedRows)
                before[r.id] = &r.marks;
            auto del = s.prepare("DELETE FROM teshutea WHERE teaid = ?1");
            auto ins = s.prepare("INSERT INTO teshutea(teaid, theday, thejie, teshu) VALUES(?1, ?2, ?3, ?4)");
            for (std::size_t i = 0; i < d.rows.size(); ++i) {
                const auto& r = d.rows[i];
                auto was = before.find(r.id);
                if (r.stored && was != before.end() && *was->second == r.marks)
                    continue;
                if (r.stored) {
                    del.reset();
                    del.bind(1, finalId[i]);
                    del.run();
                }
                for (int day = 1; day <= std::min(d.theDay, model::kMaxDays); ++day) {
                    const int w = d.dayToWeek[static_cast<std::size_t>(day)];
                    if (w < 1)
                        continue;  // a day number without a weekday has nowhere to go
                    for (int j = 1; j <= model::kMaxJie; ++j) {
                        const std::uint8_t m = r.marks[teaMarkAt(day, j)];
                        if (m == 0)
                            continue;
                        ins.reset();
                        ins.bindAll(finalId[i], w, j, static_cast<int>(m));
                        ins.run();
                    }
                }
            }
        }

        if (s.scalar("SELECT count(*) FROM kechenbd") > 0)
            trimTimetable(s);
        // Covers of lessons whose assignment is gone; the rest keep their (class, teacher,
        // subject), which the renumbering carried along.
        model::trimCovers(s);

        // Pairs that lost a side. NOT IN would keep them all once one wmid is NULL.
        s.run("DELETE FROM teaman WHERE NOT EXISTS (SELECT 1 FROM teawife WHERE teawife.wmid = teaman.wmid)");
        s.run("DELETE FROM teawife WHERE NOT EXISTS (SELECT 1 FROM teaman WHERE teaman.wmid = teawife.wmid)");
    });
    return result;
}

}  // namespace tavrin::entry
