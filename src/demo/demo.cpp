#include "demo/demo.h"

#include "model/kechen.h"

#include <algorithm>
#include <array>
#include <map>
#include <random>
#include <set>
#include <stdexcept>
#include <system_error>
#include <tuple>

#include "users/users.h"

namespace tavrin::demo {

namespace {

// The school week of the demo: Monday to Friday.
constexpr int kDays = 5;
// Classes are laid out in blocks of four; every teacher teaches inside one block.
constexpr int kBlock = 4;

enum Ke { YW, SX, YY, WL, HX, SW, ZZ, LS, DL, TY, YIN, MS, XX, XL, KeCount };

struct SubjectDef {
    const char* name;
    const char* shortName;
};
constexpr SubjectDef kSubjects[KeCount] = {
    {"语文", "语"}, {"数学", "数"}, {"英语", "英"},   {"物理", "物"}, {"化学", "化"},
    {"生物", "生"}, {"政治", "政"}, {"历史", "史"},   {"地理", "地"}, {"体育", "体"},
    {"音乐", "音"}, {"美术", "美"}, {"信息技术", "信"}, {"心理健康", "心"},
};

// Weekly periods of every subject in a grade.
using Weekly = std::array<int, KeCount>;
struct GradeDef {
    const char* name;
    Weekly w;  // in the order of Ke
};
//                                   语 数 英 物 化 生 政 史 地 体 音 美 信 心
constexpr GradeDef kSmallGrade = {"初一", {6, 6, 5, 0, 0, 2, 2, 2, 2, 3, 1, 1, 2, 0}};
constexpr GradeDef kGrades[6] = {
    {"初一", {6, 6, 6, 0, 0, 2, 2, 2, 2, 3, 2, 2, 2, 1}},
    {"初二", {6, 6, 5, 3, 0, 2, 2, 2, 2, 3, 1, 1, 2, 1}},
    {"初三", {7, 7, 6, 4, 4, 0, 3, 3, 0, 3, 1, 1, 0, 1}},
    {"高一", {6, 6, 6, 4, 4, 3, 2, 2, 2, 2, 1, 1, 2, 0}},
    {"高二", {6, 6, 6, 4, 4, 4, 2, 2, 2, 2, 1, 0, 2, 0}},
    {"高三", {7, 7, 7, 5, 5, 5, 1, 1, 1, 2, 0, 0, 0, 0}},
};

constexpr const char* kSurnames[] = {
    "王", "李", "张", "刘", "陈", "杨", "黄", "赵", "吴", "周", "徐", "孙", "马", "朱", "胡", "郭", "何",
    "高", "林", "罗", "郑", "梁", "谢", "宋", "唐", "许", "韩", "冯", "邓", "曹", "彭", "曾", "肖", "田",
    "董", "袁", "潘", "于", "蒋", "蔡", "余", "杜", "叶", "程", "苏", "魏", "吕", "丁", "任", "沈", "姚",
    "卢", "姜", "崔", "钟", "谭", "陆", "汪", "范", "金", "石", "廖", "贾", "夏", "韦", "方", "白", "邹",
    "孟", "熊", "秦", "邱", "江", "尹", "薛", "段", "雷", "侯", "龙", "陶", "黎", "贺", "顾", "毛", "郝",
    "龚", "邵", "万", "钱", "严", "武", "戴", "莫", "孔", "向", "汤", "欧阳", "司马", "诸葛",
};
constexpr const char* kGiven[] = {
    "伟", "芳", "娜", "敏", "静", "丽", "强", "磊", "军", "洋", "勇", "艳", "杰", "娟", "涛", "明", "超",
    "霞", "平", "刚", "英", "华", "玲", "文", "辉", "建", "国", "红", "燕", "鹏", "飞", "斌", "宇", "浩",
    "凯", "秀", "兰", "梅", "琳", "婷", "雪", "倩", "颖", "晨", "欣", "佳", "瑞", "志", "海", "春", "晓",
    "东", "丹", "峰", "波", "宁", "亮", "俊", "思", "雨", "慧", "嘉", "琪", "子", "振", "德", "永", "家",
    "立", "庆", "昊", "然", "睿", "淑", "凤", "秋", "桂", "龙", "鑫", "蕾", "萍", "莉", "坤", "岩", "松",
};

constexpr const char* kWeekNames[8] = {"", "星期一", "星期二", "星期三", "星期四", "星期五", "星期六", "星期日"};

// A cell of a class's week: a subject (>= 0) or one of these.
constexpr int kFree = -1;
constexpr int kBanhui = -2;  // 班会
constexpr int kZixi = -3;    // 自习
constexpr int kWuke = -4;    // 无课

const char* fixedName(int cell)
{
    switch (cell) {
    case kBanhui:
        return "班会";
    case kZixi:
        return "自习";
    default:
        return "无课";
    }
}

// Our own draws, so that a seed gives the same school with every standard library.
struct Rng {
    std::mt19937 gen;
    explicit Rng(std::uint32_t seed) : gen(seed) {}
    int below(int n) { return n <= 1 ? 0 : static_cast<int>(gen() % static_cast<std::uint32_t>(n)); }
    template <class V>
    void shuffle(V& v)
    {
        for (int i = static_cast<int>(v.size()) - 1; i > 0; --i)
            std::swap(v[static_cast<std::size_t>(i)], v[static_cast<std::size_t>(below(i + 1))]);
    }
};

// The shape of a grade's week. Rows are periods 1..P (index 0 unused), columns days 0..4.
struct Frame {
    int mor = 0, aft = 0, nig = 0;
    int P() const { return mor + aft + nig; }
    int section(int r) const { return r <= mor ? 1 : (r > mor + aft ? 3 : 2); }
    bool sameSection(int a, int b) const { return section(a) == section(b); }
};

struct GradePlan {
    Frame f;
    Weekly w{};
    bool eveningTaught = false;  // the upper grades teach their evening period
    int zixi = 0;                // self-study periods a week
    std::array<int, KeCount> lianpai{};
};

using Grid = std::vector<std::array<int, kDays>>;  // [row 1..P][column]

// One week of the first class of a block. The other classes of the block take it turned by
// one day each: class i holds on day d what the first class holds on day d + i. A subject
// stands at most once in every row, so no two classes of a block ever have the same subject
// in the same slot, whoever teaches them. Doubles are two cells of one column in neighbouring
// rows of a section; apart from them no subject stands next to itself in a column.
std::optional<Grid> makeGrid(const GradePlan& g, Rng& rng)
{
    const Frame& f = g.f;
    const int P = f.P();
    Grid grid(static_cast<std::size_t>(P) + 1);
    for (auto& row : grid)
        row.fill(kFree);
    auto at = [&](int r, int c) -> int& { return grid[static_cast<std::size_t>(r)][static_cast<std::size_t>(c)]; };

    // Fixed lessons: the evening is closed for the lower grades; the class meeting ends an
    // afternoon, self-study lies in the afternoons and evenings, each on its own day while
    // days remain.
    if (f.nig > 0 && !g.eveningTaught)
        for (int r = f.mor + f.aft + 1; r <= P; ++r)
            for (int c = 0; c < kDays; ++c)
                at(r, c) = kWuke;
    std::vector<int> cols = {0, 1, 2, 3, 4};
    rng.shuffle(cols);
    at(f.mor + f.aft, cols[0]) = kBanhui;
    const int lastTaught = g.eveningTaught ? P : f.mor + f.aft;
    for (int z = 0; z < g.zixi; ++z) {
        int c = cols[static_cast<std::size_t>((z + 1) % kDays)];
        std::vector<int> rows;
        for (int r = f.mor + 1; r <= lastTaught; ++r)
            if (at(r, c) == kFree)
                rows.push_back(r);
        if (rows.empty())
            return std::nullopt;
        at(rows[static_cast<std::size_t>(rng.below(static_cast<int>(rows.size())))], c) = kZixi;
    }

    std::vector<int> cap(static_cast<std::size_t>(P) + 1, 0);
    for (int r = 1; r <= P; ++r)
        for (int c = 0; c < kDays; ++c)
            cap[static_cast<std::size_t>(r)] += at(r, c) == kFree;

    // Which rows each subject takes.
    std::array<std::vector<char>, KeCount> inRow;
    for (auto& v : inRow)
        v.assign(static_cast<std::size_t>(P) + 1, 0);
    std::array<int, KeCount> left = g.w;
    std::array<int, KeCount> doubleRow{};  // first row of the subject's double, 0 = none
    auto forbidden = [&](int k, int r) { return k == TY && (r == 1 || r == f.mor + 1); };
    auto take = [&](int k, int r) {
        inRow[static_cast<std::size_t>(k)][static_cast<std::size_t>(r)] = 1;
        --cap[static_cast<std::size_t>(r)];
        --left[static_cast<std::size_t>(k)];
    };
    for (int k = 0; k < KeCount; ++k) {
        if (g.lianpai[static_cast<std::size_t>(k)] == 0 || g.w[static_cast<std::size_t>(k)] < 2)
            continue;
        std::vector<int> starts;
        for (int r = 1; r < P; ++r)
            if (f.sameSection(r, r + 1) && cap[static_cast<std::size_t>(r)] > 0 &&
                cap[static_cast<std::size_t>(r) + 1] > 0 && !forbidden(k, r) && !forbidden(k, r + 1))
                starts.push_back(r);
        if (starts.empty())
            return std::nullopt;
        int r = starts[static_cast<std::size_t>(rng.below(static_cast<int>(starts.size())))];
        doubleRow[static_cast<std::size_t>(k)] = r;
        take(k, r);
        take(k, r + 1);
    }
    // One lesson of 语文 in the first period of every class (the period condition).
    if (g.w[YW] > 0 && !inRow[YW][1]) {
        if (cap[1] == 0)
            return std::nullopt;
        take(YW, 1);
    }
    std::vector<int> order;
    for (int k = 0; k < KeCount; ++k)
        if (left[static_cast<std::size_t>(k)] > 0)
            order.push_back(k);
    rng.shuffle(order);
    std::stable_sort(order.begin(), order.end(),
                     [&](int a, int b) { return left[static_cast<std::size_t>(a)] > left[static_cast<std::size_t>(b)]; });
    for (int k : order) {
        std::vector<int> rows;
        for (int r = 1; r <= P; ++r)
            if (cap[static_cast<std::size_t>(r)] > 0 && !inRow[static_cast<std::size_t>(k)][static_cast<std::size_t>(r)] &&
                !forbidden(k, r))
                rows.push_back(r);
        rng.shuffle(rows);
        std::stable_sort(rows.begin(), rows.end(),
                         [&](int a, int b) { return cap[static_cast<std::size_t>(a)] > cap[static_cast<std::size_t>(b)]; });
        if (static_cast<int>(rows.size()) < left[static_cast<std::size_t>(k)])
            return std::nullopt;
        for (int i = 0, n = left[static_cast<std::size_t>(k)]; i < n; ++i)
            take(k, rows[static_cast<std::size_t>(i)]);
    }
    for (int r = 1; r <= P; ++r)
        if (cap[static_cast<std::size_t>(r)] != 0)
            return std::nullopt;

    // Which column (day) each subject takes in each row, row by row: the best of all
    // arrangements of the row's free cells.
    for (int r = 1; r <= P; ++r) {
        std::vector<int> subs, freeCols;
        for (int k = 0; k < KeCount; ++k)
            if (inRow[static_cast<std::size_t>(k)][static_cast<std::size_t>(r)])
                subs.push_back(k);
        for (int c = 0; c < kDays; ++c)
            if (at(r, c) == kFree)
                freeCols.push_back(c);
        if (subs.empty())
            continue;
        rng.shuffle(subs);
        std::vector<int> perm = freeCols;
        std::sort(perm.begin(), perm.end());
        int best = -1;
        std::vector<std::vector<int>> bests;
        do {
            int cost = 0;
            bool ok = true;
            for (std::size_t i = 0; i < subs.size() && ok; ++i) {
                int k = subs[i], c = perm[i];
                bool secondOfDouble = doubleRow[static_cast<std::size_t>(k)] == r - 1 && r > 1;
                bool firstOfDouble = doubleRow[static_cast<std::size_t>(k)] == r;
                if (secondOfDouble) {
                    ok = at(r - 1, c) == k;
                    continue;
                }
                if (r > 1 && f.sameSection(r - 1, r) && at(r - 1, c) == k)
                    ok = false;
                if (firstOfDouble && at(r + 1, c) != kFree)
                    ok = false;
                for (int rr = 1; rr < r; ++rr)
                    cost += at(rr, c) == k ? 10 : 0;
            }
            if (!ok)
                continue;
            if (best < 0 || cost < best) {
                best = cost;
                bests.clear();
            }
            if (cost == best)
                bests.push_back(perm);
        } while (std::next_permutation(perm.begin(), perm.end()));
        if (bests.empty())
            return std::nullopt;
        const auto& chosen = bests[static_cast<std::size_t>(rng.below(static_cast<int>(bests.size())))];
        for (std::size_t i = 0; i < subs.size(); ++i)
            at(r, chosen[i]) = subs[i];
    }
    return grid;
}

// A class's week: [day 0..4][row 1..P].
using Week = std::vector<std::vector<int>>;

// How a subject's classes of a block are shared among teachers: groups of class positions,
// and whether a group is one combined lesson.
struct TeachGroup {
    std::vector<int> members;  // positions 0..3 in the block
    bool combined = false;
};

struct BlockPlan {
    std::array<Week, kBlock> weeks;
    std::array<std::vector<TeachGroup>, KeCount> groups;
};

// Turns the grid into the four classes' weeks and, where asked, makes one pair of classes
// share their lessons of a subject: the second class takes the subject in the first class's
// slot and gives that slot's lesson the first class's day. With the pair chosen so that the
// moved lesson lands on the day turn that no class of the block uses, nobody meets twice.
BlockPlan makeBlock(const Grid& grid, const Frame& f, const std::vector<std::pair<int, std::pair<int, int>>>& combine)
{
    BlockPlan b;
    const int P = f.P();
    for (int i = 0; i < kBlock; ++i) {
        auto& wk = b.weeks[static_cast<std::size_t>(i)];
        wk.assign(kDays, std::vector<int>(static_cast<std::size_t>(P) + 1, kFree));
        for (int d = 0; d < kDays; ++d)
            for (int r = 1; r <= P; ++r)
                wk[static_cast<std::size_t>(d)][static_cast<std::size_t>(r)] =
                    grid[static_cast<std::size_t>(r)][static_cast<std::size_t>((d + i) % kDays)];
    }
    for (const auto& [k, pair] : combine) {
        auto [anchor, moved] = pair;
        auto& a = b.weeks[static_cast<std::size_t>(anchor)];
        auto& m = b.weeks[static_cast<std::size_t>(moved)];
        for (int r = 1; r <= P; ++r) {
            int da = -1, dm = -1;
            for (int d = 0; d < kDays; ++d) {
                if (a[static_cast<std::size_t>(d)][static_cast<std::size_t>(r)] == k)
                    da = d;
                if (m[static_cast<std::size_t>(d)][static_cast<std::size_t>(r)] == k)
                    dm = d;
            }
            if (da >= 0 && dm >= 0 && da != dm)
                std::swap(m[static_cast<std::size_t>(da)][static_cast<std::size_t>(r)],
                          m[static_cast<std::size_t>(dm)][static_cast<std::size_t>(r)]);
        }
    }
    return b;
}

// The rules a block's weeks must keep: every subject its weekly count, the wanted doubles and
// no other neighbouring lessons of a subject, 体育 off the first period of the morning and of
// the afternoon, 语文 exactly once in the first period, and no teacher in two classes at once
// except for a combined lesson.
bool blockKeepsRules(const BlockPlan& b, const GradePlan& g)
{
    const Frame& f = g.f;
    const int P = f.P();
    for (const auto& wk : b.weeks) {
        std::array<int, KeCount> count{}, pairs{};
        int ywFirst = 0;
        for (int d = 0; d < kDays; ++d) {
            const auto& day = wk[static_cast<std::size_t>(d)];
            for (int r = 1; r <= P; ++r) {
                int k = day[static_cast<std::size_t>(r)];
                if (k < 0)
                    continue;
                ++count[static_cast<std::size_t>(k)];
                if (k == TY && (r == 1 || r == f.mor + 1))
                    return false;
                if (k == YW && r == 1)
                    ++ywFirst;
                if (r < P && f.sameSection(r, r + 1) && day[static_cast<std::size_t>(r) + 1] == k)
                    ++pairs[static_cast<std::size_t>(k)];
            }
        }
        if (count != g.w)
            return false;
        if (g.w[YW] > 0 && ywFirst != 1)
            return false;
        for (int k = 0; k < KeCount; ++k) {
            int want = g.w[static_cast<std::size_t>(k)] >= 2 ? g.lianpai[static_cast<std::size_t>(k)] : 0;
            if (pairs[static_cast<std::size_t>(k)] != want)
                return false;
        }
    }
    for (int k = 0; k < KeCount; ++k) {
        for (const auto& grp : b.groups[static_cast<std::size_t>(k)]) {
            for (int d = 0; d < kDays; ++d)
                for (int r = 1; r <= P; ++r) {
                    int n = 0;
                    for (int i : grp.members)
                        n += b.weeks[static_cast<std::size_t>(i)][static_cast<std::size_t>(d)][static_cast<std::size_t>(r)] == k;
                    if (grp.combined ? (n != 0 && n != static_cast<int>(grp.members.size())) : n > 1)
                        return false;
                }
        }
    }
    return true;
}

std::vector<std::string> utf8Chars(const std::string& s)
{
    std::vector<std::string> out;
    for (std::size_t i = 0; i < s.size();) {
        unsigned char c = static_cast<unsigned char>(s[i]);
        std::size_t n = c < 0x80 ? 1 : (c >> 5) == 6 ? 2 : (c >> 4) == 14 ? 3 : 4;
        out.push_back(s.substr(i, n));
        i += n;
    }
    return out;
}

// The short name the teacher screen fills in: the last two characters of a longer name.
std::string teacherShortName(const std::string& full)
{
    auto ch = utf8Chars(full);
    if (ch.size() <= 2)
        return full;
    return ch[ch.size() - 2] + ch[ch.size() - 1];
}

struct Builder {
    const DemoOptions& opt;
    Rng rng;
    DemoSchool s;
    std::array<int, KeCount> keId{};  // Ke -> kemuid, 0 = not taught in this school
    std::set<std::string> names;
    Frame frame;
    // Lessons of the week, per class: [banid][day][row] cell, and the teacher of each subject.
    std::vector<Week> week;
    std::vector<std::array<int, KeCount>> teacherOf;  // [banid][Ke] -> teaid
    std::vector<std::array<int, KeCount>> hebanOf;    // [banid][Ke] -> heban
    int nextHeban = 1;

    explicit Builder(const DemoOptions& o) : opt(o), rng(o.seed) {}

    int newTeacher()
    {
        std::string name;
        do {
            name = kSurnames[rng.below(static_cast<int>(std::size(kSurnames)))];
            name += kGiven[rng.below(static_cast<int>(std::size(kGiven)))];
            if (rng.below(10) < 7)
                name += kGiven[rng.below(static_cast<int>(std::size(kGiven)))];
        } while (!names.insert(name).second);
        s.teachers.push_back({name, teacherShortName(name)});
        return static_cast<int>(s.teachers.size());
    }

    int slotOf(int d, int r) const { return d * frame.P() + r; }  // 1-based within the week

    void build();
    void buildGrade(int ji, const GradeDef& def, int classes, bool upper);
    void deriveMarksAndConditions();
};

void Builder::build()
{
    const bool small = opt.size == DemoSize::Small;
    int gradeCount = 1, classesPerGrade = 4;
    switch (opt.size) {
    case DemoSize::Small:
        break;
    case DemoSize::Medium:
        gradeCount = 3;
        classesPerGrade = 8;
        break;
    case DemoSize::Large:
        gradeCount = 6;
        classesPerGrade = 12;
        break;
    case DemoSize::Xl:
        gradeCount = 6;
        classesPerGrade = 20;
        break;
    }
    frame = small ? Frame{4, 3, 0} : Frame{4, 4, 1};

    s.schoolName = "临江市实验中学";
    s.weekdays = {1, 2, 3, 4, 5};
    s.mor = frame.mor;
    s.aft = frame.aft;
    s.nig = frame.nig;
    const char* morning[] = {"08:00-08:45", "08:55-09:40", "10:05-10:50", "11:00-11:45"};
    const char* afternoon[] = {"14:30-15:15", "15:25-16:10", "16:20-17:05", "17:15-18:00"};
    int j = 0;
    for (int i = 0; i < frame.mor; ++i)
        s.times.emplace_back(++j, morning[i]);
    for (int i = 0; i < frame.aft; ++i)
        s.times.emplace_back(++j, afternoon[i]);
    if (frame.nig > 0)
        s.times.emplace_back(++j, "19:00-19:45");
    s.publicTimes = {{0, "早读"}, {2, "课间操"}, {frame.mor + 1, "眼保健操"}};

    // Subjects taught anywhere in the school, in the usual order.
    std::array<bool, KeCount> used{};
    for (int g = 0; g < gradeCount; ++g) {
        const GradeDef& def = small ? kSmallGrade : kGrades[g];
        for (int k = 0; k < KeCount; ++k)
            used[static_cast<std::size_t>(k)] = used[static_cast<std::size_t>(k)] || def.w[static_cast<std::size_t>(k)] > 0;
    }
    for (int k = 0; k < KeCount; ++k) {
        if (!used[static_cast<std::size_t>(k)])
            continue;
        int lianpai = 0;
        if (small ? k == XX : (k == WL || k == HX))
            lianpai = 1;
        s.subjects.push_back({kSubjects[k].name, kSubjects[k].shortName, 0, lianpai});
        keId[static_cast<std::size_t>(k)] = static_cast<int>(s.subjects.size());
    }

    const int totalClasses = gradeCount * classesPerGrade;
    week.assign(static_cast<std::size_t>(totalClasses) + 1, {});
    teacherOf.assign(static_cast<std::size_t>(totalClasses) + 1, {});
    hebanOf.assign(static_cast<std::size_t>(totalClasses) + 1, {});
    s.jieshu.assign(s.subjects.size(), std::vector<int>(static_cast<std::size_t>(totalClasses), 0));
    for (int g = 0; g < gradeCount; ++g) {
        const GradeDef& def = small ? kSmallGrade : kGrades[g];
        buildGrade(g + 1, def, classesPerGrade, !small && g >= 2);
    }

    // The planted timetable, class by class, slot by slot.
    const int P = frame.P();
    for (int b = 1; b <= totalClasses; ++b)
        for (int d = 0; d < kDays; ++d)
            for (int r = 1; r <= P; ++r) {
                int cell = week[static_cast<std::size_t>(b)][static_cast<std::size_t>(d)][static_cast<std::size_t>(r)];
                if (cell >= 0)
                    s.planted.push_back({b, d + 1, r, teacherOf[static_cast<std::size_t>(b)][static_cast<std::size_t>(cell)],
                                         keId[static_cast<std::size_t>(cell)]});
                else if (cell != kFree)
                    s.gudin.push_back({fixedName(cell), d + 1, r, b});
            }

    // Assignments in the loader's order: subject, teacher, class.
    for (int b = 1; b <= totalClasses; ++b)
        for (int k = 0; k < KeCount; ++k) {
            int t = teacherOf[static_cast<std::size_t>(b)][static_cast<std::size_t>(k)];
            if (t == 0)
                continue;
            int id = keId[static_cast<std::size_t>(k)];
            s.renke.push_back({t, b, id, s.jieshu[static_cast<std::size_t>(id) - 1][static_cast<std::size_t>(b) - 1],
                               hebanOf[static_cast<std::size_t>(b)][static_cast<std::size_t>(k)]});
        }
    std::sort(s.renke.begin(), s.renke.end(), [](const DemoRenke& a, const DemoRenke& b) {
        return std::tie(a.ke, a.tea, a.ban) < std::tie(b.ke, b.tea, b.ban);
    });

    deriveMarksAndConditions();
}

void Builder::buildGrade(int ji, const GradeDef& def, int classes, bool upper)
{
    const bool small = opt.size == DemoSize::Small;
    s.grades.push_back({def.name});
    GradePlan g;
    g.f = frame;
    g.w = def.w;
    g.eveningTaught = upper && frame.nig > 0;
    int cells = kDays * (frame.mor + frame.aft + (g.eveningTaught ? frame.nig : 0));
    int lessons = 0;
    for (int x : g.w)
        lessons += x;
    g.zixi = cells - lessons - 1;  // one class meeting a week
    for (const auto& sub : s.subjects)
        for (int k = 0; k < KeCount; ++k)
            if (sub.name == kSubjects[k].name)
                g.lianpai[static_cast<std::size_t>(k)] = sub.lianpai;

    const int P = frame.P();
    const int firstBan = static_cast<int>(s.classes.size()) + 1;
    for (int c = 1; c <= classes; ++c)
        s.classes.push_back({std::string(def.name) + "(" + std::to_string(c) + ")班", ji});
    for (int k = 0; k < KeCount; ++k)
        if (g.w[static_cast<std::size_t>(k)] > 0)
            for (int c = 0; c < classes; ++c)
                s.jieshu[static_cast<std::size_t>(keId[static_cast<std::size_t>(k)]) - 1]
                        [static_cast<std::size_t>(firstBan + c) - 1] = g.w[static_cast<std::size_t>(k)];

    // Slots of the whole week already holding 体育, to keep the sports ground's limit low.
    std::vector<int> tyCount(static_cast<std::size_t>(kDays * P) + 1, 0);
    for (std::size_t b = 1; b < static_cast<std::size_t>(firstBan); ++b)
        for (int d = 0; d < kDays; ++d)
            for (int r = 1; r <= P; ++r)
                tyCount[static_cast<std::size_t>(slotOf(d, r))] += week[b][static_cast<std::size_t>(d)][static_cast<std::size_t>(r)] == TY;

    for (int blk = 0; blk < classes / kBlock; ++blk) {
        // Who teaches what in this block.
        std::array<std::vector<TeachGroup>, KeCount> groups;
        std::vector<std::pair<int, std::pair<int, int>>> combine;
        for (int k = 0; k < KeCount; ++k) {
            int w = g.w[static_cast<std::size_t>(k)];
            if (w == 0)
                continue;
            bool quad = false;
            switch (k) {
            case WL:
            case HX:
            case SW:
                quad = !small && w <= 4;
                break;
            case ZZ:
            case LS:
            case DL:
            case YIN:
            case MS:
            case XX:
            case XL:
                quad = true;
                break;
            default:
                break;
            }
            auto& gr = groups[static_cast<std::size_t>(k)];
            if (opt.combined && blk == 0 && k == TY) {
                gr = {{{0, 2}, true}, {{1, 3}, false}};
                combine.push_back({TY, {0, 2}});
            } else if (opt.combined && blk == 0 && small && k == YIN) {
                gr = {{{3, 1}, true}, {{0, 2}, false}};
                combine.push_back({YIN, {3, 1}});
            } else if (quad) {
                gr = {{{0, 1, 2, 3}, false}};
            } else {
                gr = {{{0, 1}, false}, {{2, 3}, false}};
            }
        }

        BlockPlan plan;
        bool done = false;
        for (int attempt = 0; attempt < 2000 && !done; ++attempt) {
            auto grid = makeGrid(g, rng);
            if (!grid)
                continue;
            plan = makeBlock(*grid, frame, combine);
            plan.groups = groups;
            done = blockKeepsRules(plan, g);
        }
        if (!done)
            throw std::runtime_error("示例学校生成失败");

        // Turn the whole block by the number of days that keeps 体育 best spread.
        int bestShift = 0, bestMax = -1;
        std::vector<int> shifts = {0, 1, 2, 3, 4};
        rng.shuffle(shifts);
        for (int sh : shifts) {
            std::vector<int> t = tyCount;
            int mx = 0;
            for (const auto& wk : plan.weeks)
                for (int d = 0; d < kDays; ++d)
                    for (int r = 1; r <= P; ++r)
                        if (wk[static_cast<std::size_t>(d)][static_cast<std::size_t>(r)] == TY)
                            mx = std::max(mx, ++t[static_cast<std::size_t>(slotOf((d + sh) % kDays, r))]);
            if (bestMax < 0 || mx < bestMax) {
                bestMax = mx;
                bestShift = sh;
            }
        }
        for (int i = 0; i < kBlock; ++i) {
            const int ban = firstBan + blk * kBlock + i;
            auto& wk = week[static_cast<std::size_t>(ban)];
            wk.assign(kDays, {});
            for (int d = 0; d < kDays; ++d)
                wk[static_cast<std::size_t>((d + bestShift) % kDays)] = plan.weeks[static_cast<std::size_t>(i)][static_cast<std::size_t>(d)];
            for (int d = 0; d < kDays; ++d)
                for (int r = 1; r <= P; ++r)
                    if (wk[static_cast<std::size_t>(d)][static_cast<std::size_t>(r)] == TY)
                        ++tyCount[static_cast<std::size_t>(slotOf(d, r))];
        }
        for (int k = 0; k < KeCount; ++k)
            for (const auto& grp : groups[static_cast<std::size_t>(k)]) {
                int t = newTeacher();
                int heban = grp.combined ? nextHeban++ : 0;
                for (int i : grp.members) {
                    const int ban = firstBan + blk * kBlock + i;
                    teacherOf[static_cast<std::size_t>(ban)][static_cast<std::size_t>(k)] = t;
                    hebanOf[static_cast<std::size_t>(ban)][static_cast<std::size_t>(k)] = heban;
                }
            }
    }
}

void Builder::deriveMarksAndConditions()
{
    const int P = frame.P();
    const int N = kDays * P;
    const int T = static_cast<int>(s.teachers.size());
    const int C = static_cast<int>(s.classes.size());

    // Where every teacher stands, and the classes of every subject at every slot.
    std::vector<std::vector<char>> busy(static_cast<std::size_t>(T) + 1, std::vector<char>(static_cast<std::size_t>(N) + 1, 0));
    std::vector<int> tyAt(static_cast<std::size_t>(N) + 1, 0);
    for (const auto& l : s.planted) {
        int slot = slotOf(l.weekday - 1, l.jie);
        busy[static_cast<std::size_t>(l.tea)][static_cast<std::size_t>(slot)] = 1;
        if (l.ke == keId[TY])
            ++tyAt[static_cast<std::size_t>(slot)];
    }

    // The sports ground takes as many classes as the planted timetable puts there at most.
    if (keId[TY] > 0)
        s.subjects[static_cast<std::size_t>(keId[TY]) - 1].maxjie = *std::max_element(tyAt.begin(), tyAt.end());

    // 体育 never in the first period of the morning or of the afternoon.
    if (keId[TY] > 0)
        for (int b = 1; b <= C; ++b)
            if (s.jieshu[static_cast<std::size_t>(keId[TY]) - 1][static_cast<std::size_t>(b) - 1] > 0)
                for (int wd : s.weekdays)
                    for (int r : {1, frame.mor + 1})
                        s.keMarks.push_back({keId[TY], b, wd, r, 3});

    // 数学 preferably where the planted timetable has it in the morning, in the first class of
    // every grade; one certain 英语 lesson in the first class.
    for (std::size_t gi = 0; gi < s.grades.size(); ++gi) {
        int first = 0;
        for (int b = 1; b <= C && !first; ++b)
            if (s.classes[static_cast<std::size_t>(b) - 1].ji == static_cast<int>(gi) + 1)
                first = b;
        for (const auto& l : s.planted)
            if (l.ban == first && l.ke == keId[SX] && l.jie <= frame.mor)
                s.keMarks.push_back({l.ke, l.ban, l.weekday, l.jie, 1});
    }
    {
        std::vector<const PlantedLesson*> en;
        for (const auto& l : s.planted)
            if (l.ban == 1 && l.ke == keId[YY])
                en.push_back(&l);
        if (!en.empty()) {
            const auto* l = en[static_cast<std::size_t>(rng.below(static_cast<int>(en.size())))];
            s.keMarks.push_back({l->ke, l->ban, l->weekday, l->jie, 2});
        }
    }

    // Some teachers never teach in one half-day where they are free, some prefer a few of
    // their own slots.
    std::vector<int> tea(static_cast<std::size_t>(T));
    for (int t = 1; t <= T; ++t)
        tea[static_cast<std::size_t>(t) - 1] = t;
    rng.shuffle(tea);
    const int offCount = std::max(2, T / 20);
    int marked = 0;
    std::size_t next = 0;
    for (; next < tea.size() && marked < offCount; ++next) {
        int t = tea[next];
        std::vector<std::pair<int, int>> halves;  // (day, section)
        for (int d = 0; d < kDays; ++d)
            for (int sec = 1; sec <= 2; ++sec) {
                bool freeHalf = true;
                for (int r = 1; r <= P; ++r)
                    if (frame.section(r) == sec && busy[static_cast<std::size_t>(t)][static_cast<std::size_t>(slotOf(d, r))])
                        freeHalf = false;
                if (freeHalf)
                    halves.emplace_back(d, sec);
            }
        if (halves.empty())
            continue;
        auto [d, sec] = halves[static_cast<std::size_t>(rng.below(static_cast<int>(halves.size())))];
        for (int r = 1; r <= P; ++r)
            if (frame.section(r) == sec)
                s.teaMarks.push_back({t, d + 1, r, 3});
        ++marked;
    }
    const int preferCount = std::max(2, T / 25);
    for (int i = 0; i < preferCount && next < tea.size(); ++i, ++next) {
        int t = tea[next];
        std::vector<int> slots;
        for (int x = 1; x <= N; ++x)
            if (busy[static_cast<std::size_t>(t)][static_cast<std::size_t>(x)])
                slots.push_back(x);
        rng.shuffle(slots);
        for (std::size_t n = 0; n < slots.size() && n < 2; ++n)
            s.teaMarks.push_back({t, (slots[n] - 1) / P + 1, (slots[n] - 1) % P + 1, 1});
    }
    std::sort(s.teaMarks.begin(), s.teaMarks.end(), [](const DemoTeaMark& a, const DemoTeaMark& b) {
        return std::tie(a.tea, a.weekday, a.jie) < std::tie(b.tea, b.weekday, b.jie);
    });

    // 语文 exactly once a week in the first period, in every class.
    s.jieConditions.push_back({1, 1, 1, std::nullopt, keId[YW], std::nullopt});

    // A 数学 teacher at most as many periods on one weekday as the planted timetable gives.
    {
        std::vector<int> maths;
        for (const auto& r : s.renke)
            if (r.ke == keId[SX] && (maths.empty() || maths.back() != r.tea))
                maths.push_back(r.tea);
        int t = maths[static_cast<std::size_t>(rng.below(static_cast<int>(maths.size())))];
        std::vector<std::pair<int, int>> days;  // (weekday, periods)
        for (int d = 0; d < kDays; ++d) {
            int n = 0;
            for (int r = 1; r <= P; ++r)
                n += busy[static_cast<std::size_t>(t)][static_cast<std::size_t>(slotOf(d, r))];
            if (n > 0)
                days.emplace_back(d + 1, n);
        }
        auto [wd, n] = days[static_cast<std::size_t>(rng.below(static_cast<int>(days.size())))];
        s.dayConditions.push_back({1, wd, -n, std::nullopt, std::nullopt, t});
    }

    // Two teachers who never stand in the same slot in the planted timetable, lightest first.
    {
        std::vector<int> load(static_cast<std::size_t>(T) + 1, 0);
        for (int t = 1; t <= T; ++t)
            for (int x = 1; x <= N; ++x)
                load[static_cast<std::size_t>(t)] += busy[static_cast<std::size_t>(t)][static_cast<std::size_t>(x)];
        std::vector<int> order = tea;
        std::stable_sort(order.begin(), order.end(),
                         [&](int a, int b) { return load[static_cast<std::size_t>(a)] < load[static_cast<std::size_t>(b)]; });
        bool found = false;
        for (std::size_t i = 0; i < order.size() && !found; ++i)
            for (std::size_t k = i + 1; k < order.size() && !found; ++k) {
                int a = order[i], b = order[k];
                bool disjoint = true;
                for (int x = 1; x <= N && disjoint; ++x)
                    disjoint = !(busy[static_cast<std::size_t>(a)][static_cast<std::size_t>(x)] &&
                                 busy[static_cast<std::size_t>(b)][static_cast<std::size_t>(x)]);
                if (disjoint) {
                    s.exclusions.push_back({std::min(a, b), std::max(a, b)});
                    found = true;
                }
            }
    }
}

}  // namespace

const char* demoSizeName(DemoSize size)
{
    switch (size) {
    case DemoSize::Small:
        return "small";
    case DemoSize::Medium:
        return "medium";
    case DemoSize::Large:
        return "large";
    case DemoSize::Xl:
        return "xl";
    }
    return "small";
}

std::optional<DemoSize> parseDemoSize(std::string_view name)
{
    for (DemoSize s : {DemoSize::Small, DemoSize::Medium, DemoSize::Large, DemoSize::Xl})
        if (name == demoSizeName(s))
            return s;
    return std::nullopt;
}

int DemoSchool::subjectId(std::string_view name) const
{
    for (std::size_t i = 0; i < subjects.size(); ++i)
        if (subjects[i].name == name)
            return static_cast<int>(i) + 1;
    return 0;
}

int DemoSchool::totalLessons() const
{
    int n = 0;
    for (const auto& r : renke)
        n += r.jieshu;
    return n;
}

DemoSchool makeDemoSchool(const DemoOptions& options)
{
    Builder b(options);
    b.build();
    return std::move(b.s);
}

void writePlantedTimetable(store::Store& st, const DemoSchool& school)
{
    std::vector<model::KechenRow> rows;
    rows.reserve(school.planted.size());
    for (const auto& l : school.planted)
        rows.push_back({l.weekday, l.jie, l.ban, l.tea, l.ke, 0});
    st.transaction([&] { model::writeKechen(st, rows); });
}

void fillDemoSchool(store::Store& st, const DemoSchool& s, bool planted)
{
    st.transaction([&] {
        auto each = [&](const char* sql, auto&& rows, auto&& bind) {
            auto ins = st.prepare(sql);
            for (const auto& row : rows) {
                bind(ins, row);
                ins.run();
                ins.reset();
            }
        };
        for (std::size_t i = 0; i < s.grades.size(); ++i)
            st.run("INSERT INTO jibd(jiid, jiname) VALUES(?1, ?2)", static_cast<int>(i) + 1, s.grades[i].name);
        {
            auto ins = st.prepare("INSERT INTO banbd(banid, banname, jiid, islock) VALUES(?1, ?2, ?3, 0)");
            for (std::size_t i = 0; i < s.classes.size(); ++i) {
                ins.bindAll(static_cast<int>(i) + 1, s.classes[i].name, s.classes[i].ji);
                ins.run();
                ins.reset();
            }
        }
        for (int wd : s.weekdays)
            st.run("INSERT INTO daybd(dayid, dayname) VALUES(?1, ?2)", wd, kWeekNames[wd]);
        st.run("DELETE FROM jieshu");
        st.run("INSERT INTO jieshu(mor, aft, nig) VALUES(?1, ?2, ?3)", s.mor, s.aft, s.nig);
        for (const auto& [j, t] : s.times)
            st.run("INSERT INTO timebd(jieid, jietime) VALUES(?1, ?2)", j, t);
        for (const auto& [k, t] : s.publicTimes)
            st.run("INSERT INTO publictimebd(beforjie, timestr) VALUES(?1, ?2)", k, t);
        {
            auto ins = st.prepare("INSERT INTO gudinbd(gudinid, gudinname, theday, thejie, theban) VALUES(?1, ?2, ?3, ?4, ?5)");
            int n = 0;
            for (const auto& g : s.gudin) {
                ins.bindAll(++n, g.name, g.weekday, g.jie, g.ban);
                ins.run();
                ins.reset();
            }
        }
        {
            auto ins = st.prepare("INSERT INTO kemubd(kemuid, kemuname, kemuname2, maxjie, lianpai) VALUES(?1, ?2, ?3, ?4, ?5)");
            for (std::size_t i = 0; i < s.subjects.size(); ++i) {
                const auto& k = s.subjects[i];
                ins.bindAll(static_cast<int>(i) + 1, k.name, k.shortName, k.maxjie, k.lianpai);
                ins.run();
                ins.reset();
            }
        }
        {
            auto ins = st.prepare("INSERT INTO kemujieshu(kemuid, banid, jieshu) VALUES(?1, ?2, ?3)");
            for (std::size_t k = 0; k < s.jieshu.size(); ++k)
                for (std::size_t b = 0; b < s.jieshu[k].size(); ++b)
                    if (s.jieshu[k][b] > 0) {
                        ins.bindAll(static_cast<int>(k) + 1, static_cast<int>(b) + 1, s.jieshu[k][b]);
                        ins.run();
                        ins.reset();
                    }
        }
        each("INSERT INTO teshuke(kemuid, banid, theday, thejie, teshu) VALUES(?1, ?2, ?3, ?4, ?5)", s.keMarks,
             [](store::Stmt& q, const DemoKeMark& m) { q.bindAll(m.ke, m.ban, m.weekday, m.jie, m.teshu); });
        {
            auto ins = st.prepare("INSERT INTO teabd(teaid, teaname, teaname2, islock) VALUES(?1, ?2, ?3, 0)");
            for (std::size_t i = 0; i < s.teachers.size(); ++i) {
                ins.bindAll(static_cast<int>(i) + 1, s.teachers[i].name, s.teachers[i].shortName);
                ins.run();
                ins.reset();
            }
        }
        {
            auto ins = st.prepare("INSERT INTO renkebd(difid, teaid, banid, keid, jieshu, heban) VALUES(?1, ?2, ?3, ?4, ?5, ?6)");
            for (std::size_t i = 0; i < s.renke.size(); ++i) {
                const auto& r = s.renke[i];
                ins.bindAll(static_cast<int>(i), r.tea, r.ban, r.ke, r.jieshu, r.heban);
                ins.run();
                ins.reset();
            }
        }
        each("INSERT INTO teshutea(teaid, theday, thejie, teshu) VALUES(?1, ?2, ?3, ?4)", s.teaMarks,
             [](store::Stmt& q, const DemoTeaMark& m) { q.bindAll(m.tea, m.weekday, m.jie, m.teshu); });
        auto cond = [](store::Stmt& q, const DemoCondition& c) { q.bindAll(c.optId, c.at, c.num, c.ban, c.ke, c.tea); };
        each("INSERT INTO PaiOptJie(OptId, theJie, theNum, BanId, KeId, TeaId) VALUES(?1, ?2, ?3, ?4, ?5, ?6)",
             s.jieConditions, cond);
        each("INSERT INTO PaiOptDay(OptId, theDay, theNum, BanId, KeId, TeaId) VALUES(?1, ?2, ?3, ?4, ?5, ?6)",
             s.dayConditions, cond);
        for (std::size_t i = 0; i < s.exclusions.size(); ++i) {
            st.run("INSERT INTO teaman(wmid, man) VALUES(?1, ?2)", static_cast<int>(i) + 1, s.exclusions[i].man);
            st.run("INSERT INTO teawife(wmid, wife) VALUES(?1, ?2)", static_cast<int>(i) + 1, s.exclusions[i].wife);
        }
        st.run("DELETE FROM setting WHERE setName = ?1", "学校名称");
        st.run("INSERT INTO setting(setName, setVar) VALUES(?1, ?2)", "学校名称", s.schoolName);
        if (planted)
            writePlantedTimetable(st, s);
    });
}

bool writeDemoSchool(const std::filesystem::path& file, const DemoOptions& options, std::string* error)
{
    auto fail = [&](const std::string& why) {
        if (error)
            *error = why;
        return false;
    };
    std::error_code ec;
    if (std::filesystem::exists(file, ec) || std::filesystem::is_symlink(file, ec))
        return fail("文件已存在，未覆盖：" + file.string());
    DemoSchool school;
    try {
        school = makeDemoSchool(options);
    } catch (const std::exception& e) {
        return fail(e.what());
    }
    try {
        if (!users::initDatabase(file))
            return fail("文件已存在，未覆盖：" + file.string());
    } catch (const std::exception& e) {
        return fail(store::userMessage(e));
    }
    try {
        store::Store st(file);
        fillDemoSchool(st, school, options.writePlanted);
    } catch (const std::exception& e) {
        std::filesystem::remove(file, ec);
        return fail("写入示例学校时出错（" + store::userReason(e) + "）：" + file.string());
    }
    return true;
}

}  // namespace tavrin::demo
