#include "entry/week.h"

#include "entry/rowtext.h"

#include <fmt/format.h>

#include <map>
#include <sstream>

namespace tavrin::entry {

namespace {

bool countOk(std::int64_t n)
{
    return n >= 0 && n <= kMaxSectionJie;
}

}  // namespace

int WeekDraft::dayCount() const
{
    int n = 0;
    for (int w = 1; w <= model::kMaxDays; ++w)
        n += days[w] ? 1 : 0;
    return n;
}

std::vector<int> WeekDraft::weekdays() const
{
    std::vector<int> out;
    for (int w = 1; w <= model::kMaxDays; ++w)
        if (days[w])
            out.push_back(w);
    return out;
}

int WeekDraft::publicCount() const
{
    int n = 0;
    for (const auto& t : publicTimes)
        n += t.empty() ? 0 : 1;
    return n;
}

std::pair<int, int> WeekDraft::span(Scope s) const
{
    return scopeSpan(s, groups, static_cast<int>(classes.size()));
}

std::string WeekDraft::scopeName(Scope s) const
{
    if (s.kind == Scope::Group && s.index >= 0 && s.index < static_cast<int>(groups.size()))
        return groups[s.index].name;
    if (s.kind == Scope::Class && s.index >= 0 && s.index < static_cast<int>(classes.size()))
        return classes[s.index].name;
    return kWholeSchool;
}

WeekDraft loadWeek(store::Store& s)
{
    WeekDraft d;
    auto skip = [&](const char* table, std::string row, const char* why) {
        d.skipped.push_back({table, std::move(row), why});
    };
    bool stored = false;
    {
        std::array<bool, 8> days{};
        auto st = s.prepare("SELECT dayid, dayname FROM daybd ORDER BY dayid");
        while (st.step()) {
            const auto w = st.int64(0);
            if (w < 1 || w > model::kMaxDays) {
                skip("daybd", rowText(st, {{"dayid", 0}, {"dayname", 1}}), "星期无效");
                continue;
            }
            days[static_cast<std::size_t>(w)] = true;
            stored = true;
        }
        if (stored)
            d.days = days;
        else
            for (int w = 1; w <= 5; ++w)
                d.days[w] = true;
    }
    if (stored) {
        auto st = s.prepare("SELECT mor, aft, nig FROM jieshu");
        if (st.step()) {
            const auto m = st.int64(0), a = st.int64(1), n = st.int64(2);
            if (countOk(m) && countOk(a) && countOk(n)) {
                d.mor = static_cast<int>(m);
                d.aft = static_cast<int>(a);
                d.nig = static_cast<int>(n);
            } else {
                skip("jieshu", rowText(st, {{"mor", 0}, {"aft", 1}, {"nig", 2}}), "每天节数无效");
            }
        }
    }
    {
        auto st = s.prepare("SELECT beforjie, timestr FROM publictimebd ORDER BY rowid");
        while (st.step()) {
            const auto k = st.int64(0);
            if (k < 0 || k > model::kMaxJie)
                skip("publictimebd", rowText(st, {{"beforjie", 0}, {"timestr", 1}}), "节次超出范围");
            else
                d.publicTimes[static_cast<std::size_t>(k)] = st.text(1);
        }
    }
    {
        auto st = s.prepare("SELECT jieid, jietime FROM timebd ORDER BY rowid");
        while (st.step()) {
            const auto j = st.int64(0);
            if (j < 1 || j > model::kMaxJie)
                skip("timebd", rowText(st, {{"jieid", 0}, {"jietime", 1}}), "节次超出范围");
            else
                d.times[static_cast<std::size_t>(j)] = st.text(1);
        }
    }

    // The scope tree: only groups that have classes.
    std::map<std::int64_t, int> classAt;
    {
        auto st = s.prepare("SELECT banbd.banid, banbd.banname, banbd.jiid, jibd.jiname FROM banbd "
                            "JOIN jibd ON banbd.jiid = jibd.jiid ORDER BY banbd.jiid, banbd.banid");
        while (st.step()) {
            const auto ji = st.int64(2);
            if (d.groups.empty() || d.groups.back().id != ji)
                d.groups.push_back({ji, st.text(3), static_cast<int>(d.classes.size()), 0});
            ++d.groups.back().count;
            classAt[st.int64(0)] = static_cast<int>(d.classes.size());
            d.classes.push_back({st.int64(0), st.text(1), static_cast<int>(d.groups.size()) - 1});
        }
    }
    d.fixed.resize(d.classes.size());
    {
        auto st = s.prepare("SELECT gudinid, gudinname, theday, thejie, theban FROM gudinbd ORDER BY rowid");
        while (st.step()) {
            auto row = [&] {
                return rowText(st, {{"gudinid", 0}, {"gudinname", 1}, {"theday", 2}, {"thejie", 3}, {"theban", 4}});
            };
            const auto w = st.int64(2), j = st.int64(3);
            auto it = st.isNull(4) ? classAt.end() : classAt.find(st.int64(4));
            if (it == classAt.end())
                skip("gudinbd", row(), "班级不存在");
            else if (w < 1 || w > model::kMaxDays)
                skip("gudinbd", row(), "星期无效");
            else if (j < 1 || j > model::kMaxJie)
                skip("gudinbd", row(), "节次超出范围");
            else
                d.fixed[static_cast<std::size_t>(it->second)][static_cast<std::size_t>(w)][static_cast<std::size_t>(j)] =
                    st.text(1);
        }
    }
    return d;
}

namespace {

bool cellInRange(int weekday, int period)
{
    return weekday >= 1 && weekday <= model::kMaxDays && period >= 1 && period <= model::kMaxJie;
}

const std::string& entryOf(const WeekDraft& d, int k, int weekday, int period)
{
    return d.fixed[static_cast<std::size_t>(k)][static_cast<std::size_t>(weekday)][static_cast<std::size_t>(period)];
}

}  // namespace

CellShown cellShown(const WeekDraft& d, Scope s, int weekday, int period)
{
    const auto [first, last] = d.span(s);
    if (first >= last || !cellInRange(weekday, period))
        return {};
    const std::string& head = entryOf(d, first, weekday, period);
    for (int k = first + 1; k < last; ++k)
        if (entryOf(d, k, weekday, period) != head)
            return {kVaries, true};
    return {head, false};
}

std::string clickName(const WeekDraft& d, Scope s, int weekday, int period)
{
    return cellShown(d, s, weekday, period).text.empty() ? std::string(kNoLesson) : std::string();
}

bool needsScopeQuestion(const WeekDraft& d, Scope s, int weekday, int period)
{
    return s.kind != Scope::Class && cellShown(d, s, weekday, period).differs;
}

std::string scopeQuestion(const std::string& name)
{
    return "各个班在这节课上的设置不完全一样，真的要全设置为" + (name.empty() ? std::string("有课") : name);
}

void setGudin(WeekDraft& d, Scope s, int weekday, int period, const std::string& name)
{
    if (!cellInRange(weekday, period))
        return;
    const auto [first, last] = d.span(s);
    for (int k = first; k < last; ++k)
        d.fixed[static_cast<std::size_t>(k)][static_cast<std::size_t>(weekday)][static_cast<std::size_t>(period)] = name;
}

void setPublicTime(WeekDraft& d, int k, const std::string& text)
{
    if (k >= 0 && k <= model::kMaxJie)
        d.publicTimes[static_cast<std::size_t>(k)] = text;
}

std::string timesText(const WeekDraft& d)
{
    std::string out;
    for (int i = 1; i <= model::kMaxJie; ++i) {
        out += d.times[static_cast<std::size_t>(i)];
        if (i < model::kMaxJie)
            out += '\n';
    }
    return out;
}

void setTimes(WeekDraft& d, const std::string& text)
{
    for (auto& t : d.times)
        t.clear();
    std::size_t pos = 0;
    for (int i = 1; i <= model::kMaxJie && pos <= text.size(); ++i) {
        std::size_t end = text.find('\n', pos);
        if (end == std::string::npos)
            end = text.size();
        std::string line = text.substr(pos, end - pos);
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        d.times[static_cast<std::size_t>(i)] = std::move(line);
        pos = end + 1;
    }
}

Result saveWeek(store::Store& s, const WeekDraft& d, std::int64_t* unplaced)
{
    if (unplaced)
        *unplaced = 0;
    if (!countOk(d.mor) || !countOk(d.aft) || !countOk(d.nig))
        return refused(fmt::format("每天节数必须在0到{}之间。", kMaxSectionJie));
    if (d.dayCount() > 0 && d.P() == 0)
        return refused(kAllCountsZero);
    if (d.fixed.size() != d.classes.size())
        return refused("固定课与班级不符，请重新载入。");

    s.transaction([&] {
        // Weekdays: only the differences are written, so a kept day keeps its row.
        {
            std::array<bool, 8> stored{};
            auto st = s.prepare("SELECT dayid FROM daybd");
            while (st.step()) {
                const auto w = st.int64(0);
                if (w >= 1 && w <= model::kMaxDays)
                    stored[static_cast<std::size_t>(w)] = true;
            }
            s.run("DELETE FROM daybd WHERE dayid < 1 OR dayid > ?1", model::kMaxDays);
            for (int w = 1; w <= model::kMaxDays; ++w) {
                if (d.days[w] && !stored[w])
                    s.run("INSERT INTO daybd(dayid, dayname) VALUES(?1, ?2)", w, kWeekNames[w]);
                else if (!d.days[w] && stored[w])
                    s.run("DELETE FROM daybd WHERE dayid = ?1", w);
            }
        }
        // Fixed lessons of the ticked weekdays, every period number.
        s.run("DELETE FROM gudinbd");
        {
            auto ins = s.prepare(
                "INSERT INTO gudinbd(gudinid, gudinname, theday, thejie, theban) VALUES(?1, ?2, ?3, ?4, ?5)");
            int n = 0;
            for (std::size_t k = 0; k < d.classes.size(); ++k)
                for (int w = 1; w <= model::kMaxDays; ++w) {
                    if (!d.days[w])
                        continue;
                    for (int j = 1; j <= model::kMaxJie; ++j) {
                        const std::string& name = d.fixed[k][w][j];
                        if (name.empty())
                            continue;
                        ins.reset();
                        ins.bindAll(++n, name, w, j, d.classes[k].id);
                        ins.run();
                    }
                }
        }
        s.run("DELETE FROM publictimebd");
        for (int k = 0; k <= model::kMaxJie; ++k)
            if (!d.publicTimes[k].empty())
                s.run("INSERT INTO publictimebd(beforjie, timestr) VALUES(?1, ?2)", k, d.publicTimes[k]);
        s.run("DELETE FROM timebd");
        for (int j = 1; j <= model::kMaxJie; ++j)
            if (!d.times[j].empty())
                s.run("INSERT INTO timebd(jieid, jietime) VALUES(?1, ?2)", j, d.times[j]);
        s.run("DELETE FROM jieshu");
        s.run("INSERT INTO jieshu(mor, aft, nig) VALUES(?1, ?2, ?3)", d.mor, d.aft, d.nig);

        // A lesson under a fixed lesson of its own class would be counted as placed yet never
        // shown; it goes back to the lessons waiting to be placed.
        s.run("DELETE FROM kechenbd WHERE thejie >= 1 AND thejie <= ?1 AND EXISTS (SELECT 1 FROM gudinbd g "
              "WHERE g.theban = kechenbd.theban AND g.theday = kechenbd.theday AND g.thejie = kechenbd.thejie)",
              d.P());
        if (unplaced)
            *unplaced = s.changes();
    });
    return done();
}

std::string unplacedMessage(std::int64_t n)
{
    return fmt::format("有{}节已排的课与固定课重叠，已改为未排，可在课程表的待排区重新安排。", n);
}

}  // namespace tavrin::entry
