#include "model/covers.h"

#include <algorithm>
#include <charconv>

#include "model/dates.h"

namespace tavrin::model {

namespace {

const char* kCoverSchema = R"SQL(
CREATE TABLE IF NOT EXISTS qingjiabd (
  qingjiaid INTEGER PRIMARY KEY NOT NULL,
  teaid INTEGER NOT NULL REFERENCES teabd(teaid) ON DELETE CASCADE ON UPDATE CASCADE,
  fromdate TEXT NOT NULL,
  todate TEXT NOT NULL,
  jies TEXT NOT NULL DEFAULT '',
  reason TEXT NOT NULL DEFAULT ''
);
CREATE TABLE IF NOT EXISTS daikebd (
  daikeid INTEGER PRIMARY KEY NOT NULL,
  thedate TEXT NOT NULL,
  thejie INTEGER NOT NULL,
  theban INTEGER NOT NULL REFERENCES banbd(banid) ON DELETE CASCADE ON UPDATE CASCADE,
  thetea INTEGER NOT NULL REFERENCES teabd(teaid) ON DELETE CASCADE ON UPDATE CASCADE,
  theke INTEGER NOT NULL REFERENCES kemubd(kemuid) ON DELETE CASCADE ON UPDATE CASCADE,
  kind INTEGER NOT NULL,
  daitea INTEGER REFERENCES teabd(teaid) ON DELETE CASCADE ON UPDATE CASCADE,
  swapdate TEXT,
  swapjie INTEGER,
  swapke INTEGER REFERENCES kemubd(kemuid) ON DELETE CASCADE ON UPDATE CASCADE,
  note TEXT NOT NULL DEFAULT ''
);
CREATE INDEX IF NOT EXISTS idx_qingjiabd_teaid ON qingjiabd(teaid);
CREATE INDEX IF NOT EXISTS idx_daikebd_theban ON daikebd(theban);
CREATE INDEX IF NOT EXISTS idx_daikebd_thetea ON daikebd(thetea);
CREATE INDEX IF NOT EXISTS idx_daikebd_theke ON daikebd(theke);
CREATE INDEX IF NOT EXISTS idx_daikebd_daitea ON daikebd(daitea);
CREATE INDEX IF NOT EXISTS idx_daikebd_swapke ON daikebd(swapke);
)SQL";

std::string settingValue(store::Store& s, const char* name)
{
    auto st = s.prepare("SELECT setVar FROM setting WHERE setName = ?1");
    st.bind(1, name);
    return st.step() && !st.isNull(0) ? st.text(0) : std::string();
}

void writeSetting(store::Store& s, const char* name, const std::string& value)
{
    s.run("DELETE FROM setting WHERE setName = ?1", name);
    s.run("INSERT INTO setting(setName, setVar) VALUES(?1, ?2)", name, value);
}

}  // namespace

bool Absence::at(int date, int jie) const
{
    if (date < from || date > to)
        return false;
    return jies.empty() || std::binary_search(jies.begin(), jies.end(), jie);
}

std::optional<Term> readTerm(store::Store& s)
{
    const auto monday = parseDate(settingValue(s, kTermStartSetting));
    const std::string weeksText = settingValue(s, kTermWeeksSetting);
    int weeks = 0;
    auto [p, ec] = std::from_chars(weeksText.data(), weeksText.data() + weeksText.size(), weeks);
    if (!monday || ec != std::errc() || p != weeksText.data() + weeksText.size() || weeks < 1 || weeks > 60)
        return std::nullopt;
    return Term{*monday, weeks};
}

void writeTerm(store::Store& s, const Term& t)
{
    writeSetting(s, kTermStartSetting, dateText(t.monday));
    writeSetting(s, kTermWeeksSetting, std::to_string(t.weeks));
}

bool coverTablesPresent(store::Store& s)
{
    return s.scalar("SELECT count(*) FROM sqlite_master WHERE type = 'table' AND name IN ('qingjiabd', 'daikebd')") ==
           2;
}

void createCoverTables(store::Store& s)
{
    s.exec(kCoverSchema);
}

std::string jiesText(const std::vector<int>& jies)
{
    std::string out;
    for (int j : jies) {
        if (!out.empty())
            out += ',';
        out += std::to_string(j);
    }
    return out;
}

std::optional<std::vector<int>> parseJies(const std::string& text)
{
    std::vector<int> out;
    std::size_t pos = 0;
    while (pos < text.size()) {
        std::size_t end = text.find(',', pos);
        if (end == std::string::npos)
            end = text.size();
        int j = 0;
        auto [p, ec] = std::from_chars(text.data() + pos, text.data() + end, j);
        if (ec != std::errc() || p != text.data() + end || j < 1)
            return std::nullopt;
        out.push_back(j);
        pos = end + 1;
        if (end + 1 == text.size())
            return std::nullopt;  // a trailing comma
    }
    std::sort(out.begin(), out.end());
    out.erase(std::unique(out.begin(), out.end()), out.end());
    return out;
}

std::vector<Absence> readAbsences(store::Store& s, int from, int to)
{
    std::vector<Absence> out;
    if (!coverTablesPresent(s))
        return out;
    // ISO dates order as text, so the range is a text comparison.
    auto st = s.prepare("SELECT qingjiaid, teaid, fromdate, todate, jies, reason FROM qingjiabd "
                        "WHERE fromdate <= ?2 AND todate >= ?1 ORDER BY qingjiaid");
    st.bind(1, dateText(from)).bind(2, dateText(to));
    while (st.step()) {
        const auto f = parseDate(st.text(2));
        const auto t = parseDate(st.text(3));
        const auto jies = parseJies(st.text(4));
        if (!f || !t || !jies || st.isNull(1))
            continue;
        out.push_back({st.int64(0), st.integer(1), *f, *t, *jies, st.text(5)});
    }
    return out;
}

std::vector<Cover> readCovers(store::Store& s, int from, int to)
{
    std::vector<Cover> out;
    if (!coverTablesPresent(s))
        return out;
    auto st = s.prepare("SELECT daikeid, thedate, thejie, theban, thetea, theke, kind, daitea, swapdate, swapjie, "
                        "swapke, note FROM daikebd WHERE thedate >= ?1 AND thedate <= ?2 ORDER BY daikeid");
    st.bind(1, dateText(from)).bind(2, dateText(to));
    while (st.step()) {
        const auto date = parseDate(st.text(1));
        const int kind = st.integer(6);
        if (!date || kind < 1 || kind > 3)
            continue;
        Cover c;
        c.id = st.int64(0);
        c.date = *date;
        c.jie = st.integer(2);
        c.ban = st.integer(3);
        c.tea = st.integer(4);
        c.ke = st.integer(5);
        c.kind = static_cast<CoverKind>(kind);
        c.by = st.isNull(7) ? 0 : st.integer(7);
        if (c.kind == CoverKind::Swap) {
            const auto sd = st.isNull(8) ? std::nullopt : parseDate(st.text(8));
            if (!sd || st.isNull(9) || st.isNull(10) || c.by == 0)
                continue;
            c.swapDate = *sd;
            c.swapJie = st.integer(9);
            c.swapKe = st.integer(10);
        }
        c.note = st.text(11);
        out.push_back(std::move(c));
    }
    return out;
}

std::int64_t insertAbsence(store::Store& s, const Absence& a)
{
    s.run("INSERT INTO qingjiabd(teaid, fromdate, todate, jies, reason) VALUES(?1, ?2, ?3, ?4, ?5)", a.tea,
          dateText(a.from), dateText(a.to), jiesText(a.jies), a.reason);
    return s.lastInsertRowId();
}

std::int64_t insertCover(store::Store& s, const Cover& c)
{
    auto st = s.prepare("INSERT INTO daikebd(thedate, thejie, theban, thetea, theke, kind, daitea, swapdate, swapjie, "
                        "swapke, note) VALUES(?1, ?2, ?3, ?4, ?5, ?6, ?7, ?8, ?9, ?10, ?11)");
    const bool swap = c.kind == CoverKind::Swap;
    st.bind(1, dateText(c.date)).bind(2, c.jie).bind(3, c.ban).bind(4, c.tea).bind(5, c.ke);
    st.bind(6, static_cast<int>(c.kind));
    if (c.by > 0)
        st.bind(7, c.by);
    else
        st.bind(7, store::Null{});
    if (swap) {
        st.bind(8, dateText(c.swapDate)).bind(9, c.swapJie).bind(10, c.swapKe);
    } else {
        st.bind(8, store::Null{}).bind(9, store::Null{}).bind(10, store::Null{});
    }
    st.bind(11, c.note);
    st.run();
    return s.lastInsertRowId();
}

void deleteAbsence(store::Store& s, std::int64_t id)
{
    s.run("DELETE FROM qingjiabd WHERE qingjiaid = ?1", id);
}

void deleteCover(store::Store& s, std::int64_t id)
{
    s.run("DELETE FROM daikebd WHERE daikeid = ?1", id);
}

std::int64_t trimCovers(store::Store& s)
{
    if (!coverTablesPresent(s))
        return 0;
    // A row of no periods is no assignment, as the loader and the timetable's trim read it.
    s.run("DELETE FROM daikebd WHERE NOT EXISTS (SELECT 1 FROM renkebd r WHERE r.banid = daikebd.theban AND "
          "r.teaid = daikebd.thetea AND r.keid = daikebd.theke AND r.jieshu > 0) OR (kind = 2 AND NOT EXISTS "
          "(SELECT 1 FROM renkebd r WHERE r.banid = daikebd.theban AND r.teaid = daikebd.daitea AND "
          "r.keid = daikebd.swapke AND r.jieshu > 0))");
    return s.changes();
}

}  // namespace tavrin::model
