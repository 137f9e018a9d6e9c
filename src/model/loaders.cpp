#include "model/loaders.h"

#include <fmt/format.h>

#include <algorithm>
#include <climits>
#include <initializer_list>
#include <optional>
#include <utility>

namespace tavrin::model {

namespace {

using store::Stmt;
using store::Store;

// Short reasons shown with a skipped row.
constexpr const char* kIdRange = "编号超出范围";
constexpr const char* kIdTwice = "编号重复";
constexpr const char* kIdSparse = "编号不连续且过大";
constexpr const char* kNoJi = "年级不存在";
constexpr const char* kNoBan = "班级不存在";
constexpr const char* kNoKemu = "科目不存在";
constexpr const char* kNoTea = "教师不存在";
constexpr const char* kBadWeekday = "星期无效";
constexpr const char* kDayOff = "该日不上课";
constexpr const char* kBadJie = "节次超出每天节数";
constexpr const char* kBadJieIndex = "节次超出范围";
constexpr const char* kBadCount = "节数无效";
constexpr const char* kBadMark = "标记无效";
constexpr const char* kBadHeban = "合班号无效";
constexpr const char* kBadSections = "每天节数无效";
constexpr const char* kBadNum = "次数无效";
constexpr const char* kNoObject = "未指定科目或教师";
constexpr const char* kSelfPair = "教师与自己互斥";
constexpr const char* kBadMaxJie = "同时上课班数无效，按0载入";
constexpr const char* kBadLianpai = "连排数无效，按0载入";

// Columns of a "select *" resolved once; values read by name as the tables define them.
class Row {
public:
    explicit Row(Stmt& st) : st_(st) {}
    int integer(const char* name) const { return st_.integer(st_.column(name)); }
    std::string text(const char* name) const { return st_.text(st_.column(name)); }
    bool isNull(const char* name) const { return st_.isNull(st_.column(name)); }
    std::optional<int> opt(const char* name) const
    {
        if (isNull(name))
            return std::nullopt;
        return integer(name);
    }
    // "a=1, b=空" for the skipped list.
    std::string show(std::initializer_list<const char*> names) const
    {
        std::string out;
        for (const char* n : names) {
            if (!out.empty())
                out += ", ";
            out += n;
            out += '=';
            out += isNull(n) ? std::string("空") : text(n);
        }
        return out;
    }

private:
    Stmt& st_;
};

// Master rows keep their text for the skipped list, should the ID gaps cost them.
struct JiRow {
    int id;
    std::string name;
};
struct BanRow {
    int id;
    std::string name;
    int ji;
    bool locked;
    std::string shown;
};
struct KemuRow {
    int id;
    std::string name, name2;
    int maxjie, lianpai;
    std::string shown;
};
struct TeaRow {
    int id;
    std::string name, name2;
    bool locked;
    std::string shown;
};

// The four master tables checked and sized together, because the arrays that cross
// classes, subjects and teachers decide whether gaps in the IDs can be afforded.
struct Masters {
    std::vector<JiRow> ji;
    std::vector<BanRow> ban;
    std::vector<KemuRow> kemu;
    std::vector<TeaRow> tea;
    int maxJi = 0, maxBan = 0, maxKemu = 0, maxTea = 0;
    std::vector<bool> jiOk, banOk, kemuOk, teaOk;
    std::vector<SkippedRow> skipped;

    bool hasBan(int b) const { return b >= 1 && b <= maxBan && banOk[b]; }
    bool hasKemu(int k) const { return k >= 1 && k <= maxKemu && kemuOk[k]; }
    bool hasTea(int t) const { return t >= 1 && t <= maxTea && teaOk[t]; }
};

long long modelBytes(long long J, long long B, long long K, long long T)
{
    return 4 * B * T * K                    // BTKtoRenkeid
           + K * B * 8 * 28                 // TeshuKe
           + 4 * K * B                      // KemuJieshu
           + 4 * B * K * (kMaxJie + 1 + 8)  // JieOptBK, DayOptBK
           + 4 * J * B                      // BanID
           + 32 * B * (kMaxWeekSlots + 2);  // GudinKe
}

template <class R>
int largestId(const std::vector<R>& rows)
{
    int m = 0;
    for (const auto& r : rows)
        m = std::max(m, r.id);
    return m;
}

template <class R>
std::vector<bool> flags(const std::vector<R>& rows, int maxId)
{
    std::vector<bool> f(static_cast<std::size_t>(maxId) + 1, false);
    for (const auto& r : rows)
        f[r.id] = true;
    return f;
}

// Keeps the rows whose ID lies within the row count; the rest are recorded as skipped.
template <class R>
void dropSparse(std::vector<R>& rows, const char* table, std::vector<SkippedRow>& skipped)
{
    const int n = static_cast<int>(rows.size());
    std::vector<R> kept;
    for (auto& r : rows) {
        if (r.id <= n)
            kept.push_back(std::move(r));
        else
            skipped.push_back({table, r.shown, kIdSparse});
    }
    rows = std::move(kept);
}

Masters readMasters(Store& s)
{
    Masters m;
    auto skip = [&](const char* table, std::string row, const char* why) {
        m.skipped.push_back({table, std::move(row), why});
    };
    {
        std::vector<bool> seen(kMaxJi + 1, false);
        auto st = s.prepare("select * from jibd order by jiid");
        Row r(st);
        while (st.step()) {
            int id = r.integer("jiid");
            if (id < 1 || id > kMaxJi)
                skip("jibd", r.show({"jiid", "jiname"}), kIdRange);
            else if (seen[id])
                skip("jibd", r.show({"jiid", "jiname"}), kIdTwice);
            else {
                seen[id] = true;
                m.ji.push_back({id, r.text("jiname")});
            }
        }
        m.maxJi = largestId(m.ji);
        m.jiOk = flags(m.ji, m.maxJi);
    }
    {
        std::vector<bool> seen(kMaxBan + 1, false);
        auto st = s.prepare("select * from banbd order by banid");
        Row r(st);
        while (st.step()) {
            int id = r.integer("banid");
            int ji = r.integer("jiid");
            auto row = [&] { return r.show({"banid", "banname", "jiid", "islock"}); };
            if (id < 1 || id > kMaxBan)
                skip("banbd", row(), kIdRange);
            else if (seen[id])
                skip("banbd", row(), kIdTwice);
            else if (ji < 1 || ji > m.maxJi || !m.jiOk[ji])
                skip("banbd", row(), kNoJi);
            else {
                seen[id] = true;
                m.ban.push_back({id, r.text("banname"), ji, r.integer("islock") == 1, row()});
            }
        }
    }
    {
        std::vector<bool> seen(kMaxKemu + 1, false);
        auto st = s.prepare("select * from kemubd order by kemuid");
        Row r(st);
        while (st.step()) {
            int id = r.integer("kemuid");
            auto row = [&] { return r.show({"kemuid", "kemuname", "kemuname2", "maxjie", "lianpai"}); };
            if (id < 1 || id > kMaxKemu) {
                skip("kemubd", row(), kIdRange);
                continue;
            }
            if (seen[id]) {
                skip("kemubd", row(), kIdTwice);
                continue;
            }
            seen[id] = true;
            KemuRow k{id, r.text("kemuname"), r.text("kemuname2"), r.integer("maxjie"), r.integer("lianpai"), row()};
            // The model keeps both in a byte; the subject itself is still good.
            if (k.maxjie < 0 || k.maxjie > 255) {
                skip("kemubd", row(), kBadMaxJie);
                k.maxjie = 0;
            }
            if (k.lianpai < 0 || k.lianpai > 255) {
                skip("kemubd", row(), kBadLianpai);
                k.lianpai = 0;
            }
            m.kemu.push_back(std::move(k));
        }
    }
    {
        std::vector<bool> seen(kMaxTea + 1, false);
        auto st = s.prepare("select * from teabd order by teaid");
        Row r(st);
        while (st.step()) {
            int id = r.integer("teaid");
            auto row = [&] { return r.show({"teaid", "teaname", "teaname2", "islock"}); };
            if (id < 1 || id > kMaxTea)
                skip("teabd", row(), kIdRange);
            else if (seen[id])
                skip("teabd", row(), kIdTwice);
            else {
                seen[id] = true;
                m.tea.push_back({id, r.text("teaname"), r.text("teaname2"), r.integer("islock") == 1, row()});
            }
        }
    }

    auto bytes = [&] {
        return modelBytes(m.maxJi + 1, largestId(m.ban) + 1, largestId(m.kemu) + 1, largestId(m.tea) + 1);
    };
    if (bytes() > kModelByteBudget) {
        dropSparse(m.ban, "banbd", m.skipped);
        dropSparse(m.kemu, "kemubd", m.skipped);
        dropSparse(m.tea, "teabd", m.skipped);
        if (bytes() > kModelByteBudget)
            throw ModelTooLarge(fmt::format("学校数据规模过大，无法载入（{}个班级、{}个科目、{}位教师）", m.ban.size(),
                                            m.kemu.size(), m.tea.size()));
    }
    m.maxBan = largestId(m.ban);
    m.maxKemu = largestId(m.kemu);
    m.maxTea = largestId(m.tea);
    m.banOk = flags(m.ban, m.maxBan);
    m.kemuOk = flags(m.kemu, m.maxKemu);
    m.teaOk = flags(m.tea, m.maxTea);
    return m;
}

void takeSkipped(const Masters& m, School& school, std::initializer_list<std::string_view> tables)
{
    for (const auto& row : m.skipped)
        for (auto t : tables)
            if (row.table == t)
                school.skipped.push_back(row);
}

// Checks a stored weekday and period against the calendar; the reason, or nullptr when the
// row has a slot.
const char* slotProblem(const School& school, int weekday, int jie)
{
    if (weekday < 1 || weekday > kMaxDays)
        return kBadWeekday;
    if (school.WeektoDay[weekday] == 0)
        return kDayOff;
    if (jie < 1 || jie > school.P())
        return kBadJie;
    return nullptr;
}

void loadCalendar(Store& s, School& school, const Masters& m)
{
    auto skip = [&](const char* table, std::string row, const char* why) {
        school.skipped.push_back({table, std::move(row), why});
    };

    // Days.
    school.DaySel.fill(0);
    school.DayToWeek.fill(0);
    school.WeektoDay.fill(0);
    {
        auto st = s.prepare("select * from daybd order by dayid");
        Row r(st);
        int p = 0;
        while (st.step()) {
            int w = r.integer("dayid");
            if (w < 1 || w > kMaxDays)
                skip("daybd", r.show({"dayid", "dayname"}), kBadWeekday);
            else if (school.DaySel[w])
                skip("daybd", r.show({"dayid", "dayname"}), kIdTwice);
            else {
                ++p;
                school.DaySel[w] = 1;
                school.DayToWeek[p] = static_cast<std::uint8_t>(w);
                school.WeektoDay[w] = static_cast<std::uint8_t>(p);
            }
        }
        school.theDay = p;
    }

    // Periods per section; an empty table leaves the counts as they were.
    {
        auto st = s.prepare("select * from jieshu");
        Row r(st);
        if (st.step()) {
            int mo = r.integer("mor"), af = r.integer("aft"), ni = r.integer("nig");
            auto ok = [](int v) { return v >= 0 && v <= 9; };
            if (ok(mo) && ok(af) && ok(ni)) {
                school.mor = mo;
                school.aft = af;
                school.nig = ni;
            } else {
                skip("jieshu", r.show({"mor", "aft", "nig"}), kBadSections);
            }
        }
    }

    for (auto& t : school.PublicTime)
        t.clear();
    school.PublicNum = 0;
    {
        std::array<bool, kMaxJie + 1> seen{};
        auto st = s.prepare("select * from publictimebd");
        Row r(st);
        while (st.step()) {
            int k = r.integer("beforjie");
            if (k < 0 || k > kMaxJie)
                skip("publictimebd", r.show({"beforjie", "timestr"}), kBadJieIndex);
            else if (seen[k])
                skip("publictimebd", r.show({"beforjie", "timestr"}), kIdTwice);
            else {
                seen[k] = true;
                school.PublicTime[k] = r.text("timestr");
                ++school.PublicNum;
            }
        }
    }

    for (auto& t : school.TimeStr)
        t.clear();
    {
        auto st = s.prepare("select * from timebd");
        Row r(st);
        while (st.step()) {
            int j = r.integer("jieid");
            if (j < 1 || j > kMaxJie)
                skip("timebd", r.show({"jieid", "jietime"}), kBadJieIndex);
            else
                school.TimeStr[j] = r.text("jietime");
        }
    }

    // The first non-empty value, as the home page shows it.
    school.XiaoName.clear();
    {
        auto st = s.prepare("select setVar from setting where setName = ?1");
        st.bind(1, "学校名称");
        while (school.XiaoName.empty() && st.step())
            school.XiaoName = st.text(0);
    }

    school.slots.build(school.week());

    // Grade groups and classes.
    takeSkipped(m, school, {"jibd", "banbd"});
    school.MaxJiID = m.maxJi;
    school.MaxBanID = m.maxBan;
    const int J = m.maxJi + 1, B = m.maxBan + 1;
    school.JiName.assign(J, {});
    for (const auto& g : m.ji)
        school.JiName[g.id] = g.name;
    school.BanName.assign(B, {});
    school.BanInJi.assign(B, 0);
    school.BanLocked.assign(B, 0);
    school.BanID.resize(J, B, 0);
    school.BanCountInJi.assign(J, 0);
    for (const auto& b : m.ban) {  // ascending banid
        school.BanName[b.id] = b.name;
        school.BanInJi[b.id] = b.ji;
        school.BanLocked[b.id] = b.locked ? 1 : 0;
        int c = ++school.BanCountInJi[b.ji];
        school.BanID(b.ji, c) = b.id;
    }

    // Fixed lessons and the capacity they leave.
    const int N = school.N(), P = school.P();
    school.GudinKe.resize(B, N + 2, std::string());
    {
        auto st = s.prepare("select * from gudinbd");
        Row r(st);
        while (st.step()) {
            int b = r.integer("theban"), w = r.integer("theday"), j = r.integer("thejie");
            const char* why = m.hasBan(b) ? slotProblem(school, w, j) : kNoBan;
            if (why) {
                skip("gudinbd", r.show({"gudinid", "gudinname", "theday", "thejie", "theban"}), why);
                continue;
            }
            school.GudinKe(b, slotOf(school.WeektoDay[w], j, P)) = r.text("gudinname");
        }
    }
    school.BanCapacity.assign(B, 0);
    for (int b = 1; b < B; ++b) {
        int taken = 0;
        for (int sl = 1; sl <= N; ++sl)
            taken += school.GudinKe(b, sl).empty() ? 0 : 1;
        school.BanCapacity[b] = N - taken;
    }
}

void loadKemu(Store& s, School& school, const Masters& m)
{
    auto skip = [&](const char* table, std::string row, const char* why) {
        school.skipped.push_back({table, std::move(row), why});
    };
    takeSkipped(m, school, {"kemubd"});
    school.KemuOldNum = m.maxKemu;
    const int K = m.maxKemu + 1, B = school.MaxBanID + 1;
    school.KemuName.assign(K, {});
    school.KemuName2.assign(K, {});
    school.KemuMaxJie.assign(K, 0);
    school.KemuLianpai.assign(K, 0);
    for (const auto& k : m.kemu) {
        school.KemuName[k.id] = k.name;
        school.KemuName2[k.id] = k.name2;
        school.KemuMaxJie[k.id] = static_cast<std::uint8_t>(k.maxjie);
        school.KemuLianpai[k.id] = static_cast<std::uint8_t>(k.lianpai);
    }

    school.KemuJieshu.resize(K, B, 0);
    {
        auto st = s.prepare("select * from kemujieshu");
        Row r(st);
        while (st.step()) {
            int k = r.integer("kemuid"), b = r.integer("banid"), n = r.integer("jieshu");
            const char* why = !m.hasKemu(k) ? kNoKemu
                              : !m.hasBan(b) ? kNoBan
                              : (n < 0 || n > kMaxWeekSlots) ? kBadCount
                                                             : nullptr;
            if (why)
                skip("kemujieshu", r.show({"kemuid", "banid", "jieshu"}), why);
            else
                school.KemuJieshu(k, b) = n;
        }
    }

    school.TeshuKe.resize(K, B, kMaxDays + 1, kMaxJie + 1, 0);
    {
        auto st = s.prepare("select * from teshuke");
        Row r(st);
        while (st.step()) {
            int k = r.integer("kemuid"), b = r.integer("banid"), w = r.integer("theday"), j = r.integer("thejie"),
                t = r.integer("teshu");
            const char* why = !m.hasKemu(k) ? kNoKemu : !m.hasBan(b) ? kNoBan : slotProblem(school, w, j);
            if (!why && (t < MarkNone || t > MarkNever))
                why = kBadMark;
            if (why)
                skip("teshuke", r.show({"kemuid", "banid", "theday", "thejie", "teshu"}), why);
            else
                school.TeshuKe(k, b, school.WeektoDay[w], j) = static_cast<std::uint8_t>(t);
        }
    }
}

struct RenkeRow {
    int tea, ban, ke, jieshu, heban;
};

void loadTea(Store& s, School& school, const Masters& m)
{
    auto skip = [&](const char* table, std::string row, const char* why) {
        school.skipped.push_back({table, std::move(row), why});
    };
    takeSkipped(m, school, {"teabd"});
    school.TeaOldNum = m.maxTea;
    const int T = m.maxTea + 1;
    school.TeaName.assign(T, {});
    school.TeaName2.assign(T, {});
    school.TeaLocked.assign(T, 0);
    for (const auto& t : m.tea) {
        school.TeaName[t.id] = t.name;
        school.TeaName2[t.id] = t.name2;
        school.TeaLocked[t.id] = t.locked ? 1 : 0;
    }

    school.BTKtoRenkeid.resize(school.MaxBanID + 1, T, school.KemuOldNum + 1, -1);
    std::vector<RenkeRow> rows;
    {
        auto st = s.prepare("select * from renkebd order by keid,teaid,banid");
        Row r(st);
        while (st.step()) {
            RenkeRow x{r.integer("teaid"), r.integer("banid"), r.integer("keid"), r.integer("jieshu"),
                       r.integer("heban")};
            const char* why = !m.hasTea(x.tea)                               ? kNoTea
                              : !m.hasBan(x.ban)                             ? kNoBan
                              : !m.hasKemu(x.ke)                             ? kNoKemu
                              : (x.jieshu < 1 || x.jieshu > kMaxWeekSlots) ? kBadCount
                              : x.heban < 0                                  ? kBadHeban
                                                                             : nullptr;
            if (why)
                skip("renkebd", r.show({"difid", "teaid", "banid", "keid", "jieshu", "heban"}), why);
            else
                rows.push_back(x);
        }
    }

    // Consecutive rows of one teacher, class, subject and combined number are one assignment;
    // the arrays keep one entry per row, so the merged ones leave empty entries at the end.
    const std::size_t n = rows.size();
    school.RenkeTea.assign(n, 0);
    school.RenkeBan.assign(n, 0);
    school.RenkeKe.assign(n, 0);
    school.RenkeJieshu.assign(n, 0);
    school.RenkeHeban.assign(n, 0);
    int i = 0;
    for (const auto& x : rows) {
        school.RenkeTea[i] = x.tea;
        school.RenkeBan[i] = x.ban;
        school.RenkeKe[i] = x.ke;
        school.RenkeJieshu[i] = x.jieshu;
        school.RenkeHeban[i] = x.heban;
        school.BTKtoRenkeid(x.ban, x.tea, x.ke) = i;
        if (i > 0 && school.RenkeTea[i - 1] == x.tea && school.RenkeBan[i - 1] == x.ban &&
            school.RenkeKe[i - 1] == x.ke && school.RenkeHeban[i - 1] == x.heban) {
            school.RenkeJieshu[i - 1] =
                static_cast<int>(std::min<long long>(static_cast<long long>(school.RenkeJieshu[i - 1]) + x.jieshu, INT_MAX));
            school.RenkeTea[i] = school.RenkeBan[i] = school.RenkeKe[i] = 0;
            school.RenkeJieshu[i] = school.RenkeHeban[i] = 0;
            school.BTKtoRenkeid(x.ban, x.tea, x.ke) = i - 1;
        } else {
            ++i;
        }
    }
    school.RenKeNum = i;
    school.RenkeMaxJieshu = 0;
    for (int v : school.RenkeJieshu)
        school.RenkeMaxJieshu = std::max(school.RenkeMaxJieshu, v);

    school.TeshuTea.resize(T, kMaxDays + 1, kMaxJie + 1, 0);
    {
        auto st = s.prepare("select * from teshutea");
        Row r(st);
        while (st.step()) {
            int t = r.integer("teaid"), w = r.integer("theday"), j = r.integer("thejie"), v = r.integer("teshu");
            const char* why = m.hasTea(t) ? slotProblem(school, w, j) : kNoTea;
            if (!why && (v < MarkNone || v > MarkNever))
                why = kBadMark;
            if (why)
                skip("teshutea", r.show({"teaid", "theday", "thejie", "teshu"}), why);
            else
                school.TeshuTea(t, school.WeektoDay[w], j) = static_cast<std::uint8_t>(v);
        }
    }
}

// One condition row checked against the loaded school: the reason, or nullptr.
const char* conditionProblem(const Masters& m, const School& school, const ConditionRow& c, bool byTeacher,
                             bool anyObject)
{
    if (!anyObject)
        return kNoObject;
    if (c.num < -kMaxWeekSlots || c.num > kMaxWeekSlots)
        return kBadNum;
    if (byTeacher)
        return (c.tea <= school.TeaOldNum && m.hasTea(c.tea)) ? nullptr : kNoTea;
    if (!(c.ke <= school.KemuOldNum && m.hasKemu(c.ke)))
        return kNoKemu;
    if (c.ban != 0 && !(c.ban <= school.MaxBanID && m.hasBan(c.ban)))
        return kNoBan;
    return nullptr;
}

void readConditionTable(Store& s, const School& school, const Masters& m, bool byDay, ConditionRows& out)
{
    const char* table = byDay ? "PaiOptDay" : "PaiOptJie";
    const char* atCol = byDay ? "theDay" : "theJie";
    auto st = s.prepare(byDay ? "select * from PaiOptDay" : "select * from PaiOptJie");
    Row r(st);
    while (st.step()) {
        ConditionRow c;
        c.OptId = r.integer("OptId");
        c.at = r.integer(atCol);
        c.num = r.integer("theNum");
        auto ke = r.opt("KeId"), tea = r.opt("TeaId");
        // A row without a subject is a teacher's row.
        bool byTeacher = !ke.has_value();
        c.ke = byTeacher ? 0 : *ke;
        c.tea = byTeacher ? tea.value_or(0) : 0;
        c.ban = byTeacher ? 0 : r.opt("BanId").value_or(0);
        const char* why = nullptr;
        if (byDay ? (c.at < 1 || c.at > kMaxDays) : (c.at < 1 || c.at > school.P()))
            why = byDay ? kBadWeekday : kBadJie;
        else
            why = conditionProblem(m, school, c, byTeacher, ke.has_value() || tea.has_value());
        if (why)
            out.skipped.push_back({table, r.show({"OptId", atCol, "theNum", "BanId", "KeId", "TeaId"}), why});
        else
            (byDay ? out.day : out.jie).push_back(c);
    }
}

ConditionRows readConditions(Store& s, const School& school, const Masters& m)
{
    ConditionRows out;
    readConditionTable(s, school, m, false, out);
    readConditionTable(s, school, m, true, out);
    auto st = s.prepare("select * from teaman,teawife where teaman.wmid=teawife.wmid");
    Row r(st);
    while (st.step()) {
        ExclusionPair p{r.integer("wmid"), r.integer("man"), r.integer("wife")};
        auto has = [&](int t) { return t <= school.TeaOldNum && m.hasTea(t); };
        const char* why = (!has(p.man) || !has(p.wife)) ? kNoTea : p.man == p.wife ? kSelfPair : nullptr;
        if (why)
            out.skipped.push_back({"teaman,teawife", r.show({"wmid", "man", "wife"}), why});
        else
            out.pairs.push_back(p);
    }
    return out;
}

bool isConditionTable(const std::string& t)
{
    return t == "PaiOptJie" || t == "PaiOptDay" || t == "teaman,teawife";
}

}  // namespace

void LoadDayBanJi(Store& s, School& school)
{
    Masters m = readMasters(s);
    school.skipped.clear();
    loadCalendar(s, school, m);
}

void actLoadKemuData(Store& s, School& school)
{
    Masters m = readMasters(s);
    school.skipped.clear();
    loadCalendar(s, school, m);
    loadKemu(s, school, m);
}

void actLoadTeaData(Store& s, School& school)
{
    Masters m = readMasters(s);
    school.skipped.clear();
    loadCalendar(s, school, m);
    loadKemu(s, school, m);
    loadTea(s, school, m);
}

ConditionRows readConditionRows(Store& s, const School& school)
{
    return readConditions(s, school, readMasters(s));
}

void LoadMyPaiOpt(Store& s, School& school)
{
    ConditionRows rows = readConditionRows(s, school);
    const int B = school.MaxBanID + 1, K = school.KemuOldNum + 1, T = school.TeaOldNum + 1, P = school.P();
    Conditions& o = school.opt;
    o.JieOptBK.resize(B, K, P + 1, 0);
    o.JieOptT.resize(T, P + 1, 0);
    o.DayOptBK.resize(B, K, kMaxDays + 1, 0);
    o.DayOptT.resize(T, kMaxDays + 1, 0);
    o.TeaExclusive.assign(T, 0);
    for (const auto& c : rows.jie) {
        if (c.ke == 0)
            o.JieOptT(c.tea, c.at) = c.num;
        else
            o.JieOptBK(c.ban, c.ke, c.at) = c.num;
    }
    for (const auto& c : rows.day) {
        if (c.ke == 0)
            o.DayOptT(c.tea, c.at) = c.num;
        else
            o.DayOptBK(c.ban, c.ke, c.at) = c.num;
    }
    for (const auto& p : rows.pairs) {
        o.TeaExclusive[p.man] = p.wife;
        o.TeaExclusive[p.wife] = p.man;
    }
    // A second load replaces what the first one reported.
    std::erase_if(school.skipped, [](const SkippedRow& r) { return isConditionTable(r.table); });
    school.skipped.insert(school.skipped.end(), rows.skipped.begin(), rows.skipped.end());
}

School loadSchool(Store& s)
{
    School school;
    actLoadTeaData(s, school);
    LoadMyPaiOpt(s, school);
    return school;
}

PresentIds presentIds(Store& s)
{
    Masters m = readMasters(s);
    return {m.jiOk, m.banOk, m.kemuOk, m.teaOk};
}

}  // namespace tavrin::model
