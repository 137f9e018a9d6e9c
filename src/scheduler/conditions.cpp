#include "scheduler/conditions.h"

#include <algorithm>
#include <charconv>

namespace tavrin::scheduler {

namespace {

constexpr const char* kDun = "、";

template <class V>
std::string nameAt(const std::vector<V>& names, std::optional<int> id)
{
    if (!id || *id < 0 || *id >= static_cast<int>(names.size()))
        return {};
    return names[static_cast<std::size_t>(*id)];
}

// Drops the last character of a UTF-8 text (the trailing "、" of a name list).
std::string dropLastChar(std::string t)
{
    if (t.empty())
        return t;
    std::size_t i = t.size() - 1;
    while (i > 0 && (static_cast<unsigned char>(t[i]) & 0xC0) == 0x80)
        --i;
    t.erase(i);
    return t;
}

std::string weekName(const model::School& s, int w)
{
    return w >= 1 && w <= 7 ? s.WeekName[static_cast<std::size_t>(w)] : std::string();
}

// The captions of one table's conditions; the rows of one OptId come together.
void loadCaptions(store::Store& st, const model::School& s, CondKind kind, std::vector<ConditionItem>& out)
{
    const bool byDay = kind == CondKind::Day;
    auto q = st.prepare(byDay ? "SELECT OptId, theDay AS theAt, theNum, BanId, KeId, TeaId FROM PaiOptDay "
                                "ORDER BY OptId, rowid"
                              : "SELECT OptId, theJie AS theAt, theNum, BanId, KeId, TeaId FROM PaiOptJie "
                                "ORDER BY OptId, rowid");
    struct Group {
        std::optional<int> id;
        std::string O, S, L;
    } g;
    auto flush = [&] {
        if (!g.id)
            return;
        const std::string head = byDay ? "日期限制:每班 " : "时段限制: ";
        out.push_back({head + dropLastChar(g.O) + "的" + dropLastChar(g.S) + g.L,
                       (byDay ? "Day" : "Jie") + std::to_string(*g.id)});
    };
    while (q.step()) {
        const std::optional<int> id = q.optInt("OptId");
        if (!id)
            continue;  // a row of no condition: nothing could delete it from the list
        if (id != g.id) {
            flush();
            g = Group{id, {}, {}, {}};
            const int at = q.integer("theAt"), num = q.integer("theNum");
            const std::string n = std::to_string(num >= 1 ? num : -static_cast<long long>(num));
            if (byDay)
                g.L = weekName(s, at) + (num >= 1 ? "固定上" : "最多上") + n + "节";
            else
                g.L = "每班一个星期内第" + std::to_string(at) + (num >= 1 ? "节固定上" : "节最多上") + n + "次";
        }
        const auto ke = q.optInt("KeId");
        if (!ke) {
            g.O += nameAt(s.TeaName, q.optInt("TeaId")) + kDun;
            continue;
        }
        const auto ban = q.optInt("BanId");
        if (!ban || *ban == 0)
            g.O = std::string("全校") + kDun;
        else
            g.O += nameAt(s.BanName, ban) + kDun;
        g.S += nameAt(s.KemuName, ke) + kDun;
    }
    flush();
}

std::vector<int> distinctColumn(store::Store& st, const char* sql)
{
    std::vector<int> v;
    auto q = st.prepare(sql);
    while (q.step())
        if (!q.isNull(0))
            v.push_back(q.integer(0));
    return v;
}

std::optional<int> idOrNull(int v)
{
    return v > 0 ? std::optional<int>(v) : std::nullopt;
}

bool isSet(const std::vector<bool>& v, int i)
{
    return i >= 0 && i < static_cast<int>(v.size()) && v[static_cast<std::size_t>(i)];
}

}  // namespace

std::vector<ConditionItem> loadConditionItems(store::Store& st, const model::School& s)
{
    std::vector<ConditionItem> out;
    auto q = st.prepare(
        "SELECT teaman.wmid AS wmid, man, wife FROM teaman, teawife WHERE teaman.wmid = teawife.wmid "
        "ORDER BY teaman.rowid, teawife.rowid");
    while (q.step())
        out.push_back({exclusionCaption(nameAt(s.TeaName, q.optInt("man")), nameAt(s.TeaName, q.optInt("wife"))),
                       "Tea" + std::to_string(q.integer("wmid"))});
    loadCaptions(st, s, CondKind::Jie, out);
    loadCaptions(st, s, CondKind::Day, out);
    return out;
}

std::string replacedPairNotice(store::Store& st, const model::School& s, int tea1, int tea2)
{
    // The partners as loading the stored pairs gives them, later rows overwriting earlier.
    std::vector<int> partner(static_cast<std::size_t>(std::max({s.TeaOldNum, tea1, tea2, 0})) + 1, 0);
    auto at = [&](int t) -> int& {
        if (t < 0 || t >= static_cast<int>(partner.size()))
            partner.resize(static_cast<std::size_t>(std::max(t, 0)) + 1, 0);
        return partner[static_cast<std::size_t>(std::max(t, 0))];
    };
    auto q = st.prepare(
        "SELECT man, wife FROM teaman, teawife WHERE teaman.wmid = teawife.wmid ORDER BY teaman.rowid, teawife.rowid");
    while (q.step()) {
        const int man = q.integer(0), wife = q.integer(1);
        if (man <= 0 || wife <= 0 || man == wife)
            continue;
        at(man) = wife;
        at(wife) = man;
    }
    std::string out;
    std::vector<std::pair<int, int>> said;
    for (int t : {tea1, tea2}) {
        const int x = at(t);
        if (x <= 0 || at(x) != t || x == tea1 || x == tea2)
            continue;
        const std::pair<int, int> pair(std::min(t, x), std::max(t, x));
        if (std::find(said.begin(), said.end(), pair) != said.end())
            continue;
        said.push_back(pair);
        out += "“" + nameAt(s.TeaName, t) + "”已与“" + nameAt(s.TeaName, x) +
               "”互斥；每位教师只能有一位互斥教师，添加后原来这一对将不再起作用。";
    }
    return out;
}

std::string exclusionCaption(const std::string& tea1, const std::string& tea2)
{
    return "教师互斥: \"" + tea1 + "\"与\"" + tea2 + "\"不在同一时间上课";
}

std::string newConditionCaption(CondKind kind, const std::string& object, int at, int n, bool fixed,
                                const model::School& s)
{
    const std::string count = (fixed ? "固定上" : "最多上") + std::to_string(n) + "次";
    if (kind == CondKind::Jie)
        return "时段限制: " + object + "每班一个星期内第" + std::to_string(at) + "节" + count;
    return "日期限制: 每班" + object + weekName(s, at) + count;
}

int smallestUnused(const std::vector<int>& used)
{
    int c = 1;
    for (int v : used) {
        if (v < c)
            continue;
        if (v > c)
            break;
        ++c;
    }
    return c;
}

int nextOptId(store::Store& st, CondKind kind)
{
    return smallestUnused(distinctColumn(st, kind == CondKind::Day
                                                 ? "SELECT DISTINCT OptId FROM PaiOptDay ORDER BY OptId"
                                                 : "SELECT DISTINCT OptId FROM PaiOptJie ORDER BY OptId"));
}

int nextWmid(store::Store& st)
{
    return smallestUnused(distinctColumn(st, "SELECT DISTINCT wmid FROM teaman ORDER BY wmid"));
}

void Selection::reset(const model::School& s)
{
    ban.assign(static_cast<std::size_t>(s.MaxBanID + 1), false);
    ke.assign(static_cast<std::size_t>(s.KemuOldNum + 1), false);
    tea.assign(static_cast<std::size_t>(s.TeaOldNum + 1), false);
}

std::optional<int> writeCondition(store::Store& st, CondKind kind, int at, int num, const Selection& sel)
{
    std::optional<int> written;
    st.transaction([&] {
        const int id = nextOptId(st, kind);
        auto ins = st.prepare(kind == CondKind::Day
                                  ? "INSERT INTO PaiOptDay(theDay, theNum, OptId, BanId, KeId, TeaId) "
                                    "VALUES(?1, ?2, ?3, ?4, ?5, ?6)"
                                  : "INSERT INTO PaiOptJie(theJie, theNum, OptId, BanId, KeId, TeaId) "
                                    "VALUES(?1, ?2, ?3, ?4, ?5, ?6)");
        auto row = [&](std::optional<int> b, std::optional<int> k, std::optional<int> t) {
            ins.reset();
            ins.bindAll(at, num, id, b, k, t);
            ins.run();
            written = id;
        };
        for (int b = 0; b < static_cast<int>(sel.ban.size()); ++b) {
            if (!isSet(sel.ban, b))
                continue;
            for (int k = 1; k < static_cast<int>(sel.ke.size()); ++k)
                if (isSet(sel.ke, k))
                    row(idOrNull(b), k, std::nullopt);
        }
        for (int t = 1; t < static_cast<int>(sel.tea.size()); ++t)
            if (isSet(sel.tea, t))
                row(std::nullopt, std::nullopt, t);
    });
    return written;
}

int writeExclusion(store::Store& st, int tea1, int tea2)
{
    int id = 0;
    st.transaction([&] {
        id = nextWmid(st);
        st.run("INSERT INTO teaman(wmid, man) VALUES(?1, ?2)", id, tea1);
        st.run("INSERT INTO teawife(wmid, wife) VALUES(?1, ?2)", id, tea2);
    });
    return id;
}

void deleteConditions(store::Store& st, const std::vector<std::string>& values)
{
    st.transaction([&] {
        for (const auto& v : values) {
            if (v.size() <= 3)
                continue;
            int n = 0;
            const char* first = v.data() + 3;
            const char* last = v.data() + v.size();
            auto [end, ec] = std::from_chars(first, last, n);
            if (ec != std::errc() || end != last)
                continue;
            const std::string prefix = v.substr(0, 3);
            if (prefix == "Tea") {
                st.run("DELETE FROM teaman WHERE wmid = ?1", n);
                st.run("DELETE FROM teawife WHERE wmid = ?1", n);
            } else if (prefix == "Jie") {
                st.run("DELETE FROM PaiOptJie WHERE OptId = ?1", n);
            } else if (prefix == "Day") {
                st.run("DELETE FROM PaiOptDay WHERE OptId = ?1", n);
            }
        }
    });
}

std::vector<bool> applyClassCheck(std::vector<bool> checks, int row, bool on)
{
    if (row < 0 || row >= static_cast<int>(checks.size()))
        return checks;
    checks[static_cast<std::size_t>(row)] = on;
    if (row == 0) {
        for (std::size_t i = 1; i < checks.size(); ++i)
            checks[i] = on;
        return checks;
    }
    if (!on) {
        checks[0] = false;
        return checks;
    }
    bool all = true;
    for (std::size_t i = 1; i < checks.size(); ++i)
        all = all && checks[i];
    checks[0] = all;
    return checks;
}

std::vector<int> classesToSchedule(std::vector<bool>& checks, const std::vector<int>& banids)
{
    bool any = false;
    for (std::size_t i = 1; i < checks.size(); ++i)
        any = any || checks[i];
    if (!any)
        checks.assign(checks.size(), true);
    std::vector<int> out;
    for (std::size_t i = 1; i < checks.size() && i <= banids.size(); ++i)
        if (checks[i])
            out.push_back(banids[i - 1]);
    return out;
}

int findNextName(const std::vector<std::string>& names, int selected, const std::string& text)
{
    const int n = static_cast<int>(names.size());
    if (n == 0)
        return -1;
    const int start = (selected < 0 || selected >= n) ? 0 : selected + 1;
    for (int k = 0; k < n; ++k) {
        const int i = (start + k) % n;
        if (names[static_cast<std::size_t>(i)].find(text) != std::string::npos)
            return i;
    }
    return -1;
}

}  // namespace tavrin::scheduler
