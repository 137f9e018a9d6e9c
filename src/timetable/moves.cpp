#include "timetable/moves.h"

#include <algorithm>
#include <cstdint>

namespace tavrin::timetable {

namespace {

using model::Array2;

std::size_t at(int i) { return static_cast<std::size_t>(i); }

int teaOf(const KbData& kb, int r) { return kb.school.RenkeTea[at(r)]; }
int banOf(const KbData& kb, int r) { return kb.school.RenkeBan[at(r)]; }
int keOf(const KbData& kb, int r) { return kb.school.RenkeKe[at(r)]; }

bool realLesson(const KbData& kb, int r) { return kb.school.isRealRenke(r); }
bool validBan(const KbData& kb, int ban) { return kb.loaded && ban >= 1 && ban <= kb.school.MaxBanID; }
bool validTea(const KbData& kb, int tea) { return kb.loaded && tea >= 1 && tea <= kb.school.TeaOldNum; }
bool validSlot(const KbData& kb, int s) { return s >= 1 && s <= kb.N(); }

// Two lessons of one combined group: the same teacher, the same positive group.
bool sameGroup(const KbData& kb, int a, int b)
{
    const auto& s = kb.school;
    return a >= 0 && b >= 0 && s.RenkeHeban[at(a)] > 0 && s.RenkeHeban[at(a)] == s.RenkeHeban[at(b)] &&
           s.RenkeTea[at(a)] == s.RenkeTea[at(b)];
}

const std::string& gudin(const KbData& kb, int ban, int s) { return kb.school.GudinKe(ban, s); }

std::string weekName(const KbData& kb, int s)
{
    const int d = kb.school.slots.SlotDay[at(s)];
    return kb.school.WeekName[kb.school.DayToWeek[at(d)]];
}

std::string whereText(const KbData& kb, int s)
{
    return weekName(kb, s) + "第" + std::to_string(kb.school.slots.SlotJie[at(s)]) + "节";
}

std::string busyText(const KbData& kb, int tea, int s)
{
    return kb.school.TeaName[at(tea)] + "在" + whereText(kb, s) + "有课；\n";
}

void addOnce(std::string& text, const std::string& msg)
{
    if (text.find(msg) == std::string::npos)
        text += msg;
}

bool contains(const std::vector<int>& v, int x) { return std::find(v.begin(), v.end(), x) != v.end(); }

std::vector<int> classesOf(const KbData& kb, const std::vector<int>& lessons)
{
    std::vector<int> out;
    for (int r : lessons)
        if (!contains(out, banOf(kb, r)))
            out.push_back(banOf(kb, r));
    return out;
}

// Is teacher `tea` teaching at slot s in a class outside `classes`, other than with a
// member of `r`'s group or one of the lessons `leaving`? Read from the class grid, so that
// a stored timetable whose teacher grid disagrees is still judged by what stands.
bool teacherBusy(const KbData& kb, int tea, int s, const std::vector<int>& classes, int r,
                 const std::vector<int>& leaving = {})
{
    const Array2<int>& B = kb.gridB();
    for (int c = 1; c <= kb.school.MaxBanID; ++c) {
        const int y = B(c, s);
        if (y < 0 || !realLesson(kb, y) || teaOf(kb, y) != tea || contains(classes, c))
            continue;
        if (sameGroup(kb, y, r) || contains(leaving, y))
            continue;
        return true;
    }
    return false;
}

// The checks of an exchange of slots j and n in every class of `classes`, for every row it
// touches: locks, fixed lessons, teachers taken elsewhere and combined lessons torn apart.
void exchangeCheck(const KbData& kb, const std::vector<int>& classes, int j, int n, std::string& refuse, bool& locked)
{
    const Array2<int>& B = kb.gridB();
    for (int c : classes) {
        if (kb.banLocked(c))
            locked = true;
        for (const auto& [from, to] : {std::pair{j, n}, std::pair{n, j}}) {
            const int x = B(c, from);
            if (x < 0 || !realLesson(kb, x))
                continue;
            const int t = teaOf(kb, x);
            if (kb.teaLocked(t))
                locked = true;
            if (!gudin(kb, c, to).empty())
                addOnce(refuse, "相关位置在" + kb.school.BanName[at(c)] + "中被设为" + gudin(kb, c, to) + "，无法移动。\n");
            if (teacherBusy(kb, t, to, classes, x))
                addOnce(refuse, busyText(kb, t, to));
            for (int m : combinedAt(kb, x, from))
                if (!contains(classes, banOf(kb, m)))
                    addOnce(refuse, "会拆散" + kb.school.TeaName[at(t)] + "的合班课，不能调。\n");
        }
    }
}

// The held lessons a placement of r brings: r and one held lesson of every other member of
// its group that has one and does not already stand at slot n.
std::vector<int> heldMembers(const KbData& kb, int r, int n)
{
    std::vector<int> out{r};
    const auto& s = kb.school;
    if (s.RenkeHeban[at(r)] <= 0)
        return out;
    for (int o = 0; o < s.renkeSize(); ++o)
        if (o != r && realLesson(kb, o) && sameGroup(kb, o, r) && kb.unplaced(o) > 0 && kb.gridB()(banOf(kb, o), n) != o &&
            !contains(classesOf(kb, out), banOf(kb, o)))
            out.push_back(o);
    return out;
}

// What a placement at n sends to the holding area: the lessons standing at n in the classes
// of the placed lessons and, on the teacher page, the teacher's own lesson there, each with
// its whole combined lesson.
std::vector<int> displacedBy(const KbData& kb, const std::vector<int>& placed, int n, int teacherLesson)
{
    std::vector<int> out;
    auto add = [&](int d) {
        for (int m : combinedAt(kb, d, n))
            if (!contains(out, m))
                out.push_back(m);
    };
    for (int c : classesOf(kb, placed)) {
        const int d = kb.gridB()(c, n);
        if (d >= 0 && realLesson(kb, d) && !contains(placed, d))
            add(d);
    }
    if (teacherLesson >= 0 && realLesson(kb, teacherLesson) && !sameGroup(kb, teacherLesson, placed.front()))
        add(teacherLesson);
    return out;
}

void placeCheck(const KbData& kb, const std::vector<int>& placed, const std::vector<int>& displaced, int n,
                std::string& refuse, bool& locked)
{
    const std::vector<int> classes = classesOf(kb, placed);
    for (int m : placed) {
        const int c = banOf(kb, m), t = teaOf(kb, m);
        if (kb.banLocked(c) || kb.teaLocked(t))
            locked = true;
        if (teacherBusy(kb, t, n, classes, m, displaced))
            addOnce(refuse, busyText(kb, t, n));
        if (!gudin(kb, c, n).empty())
            addOnce(refuse, "相关位置在" + kb.school.BanName[at(c)] + "中被设为" + gudin(kb, c, n) + "，无法移动。\n");
    }
    for (int d : displaced)
        if (kb.banLocked(banOf(kb, d)) || kb.teaLocked(teaOf(kb, d)))
            locked = true;
    // A member standing alone would split its combined lesson: every partner either comes
    // along from the holding area or already stands there.
    const int r = placed.front();
    const auto& sc = kb.school;
    if (sc.RenkeHeban[at(r)] > 0)
        for (int o = 0; o < sc.renkeSize(); ++o)
            if (o != r && realLesson(kb, o) && sameGroup(kb, o, r) && !contains(placed, o) &&
                kb.gridB()(banOf(kb, o), n) != o) {
                addOnce(refuse, "会拆散" + sc.TeaName[at(teaOf(kb, r))] + "的合班课，不能调。\n");
                break;
            }
}

MoveMarks blankMarks(const KbData& kb)
{
    const auto size = static_cast<std::size_t>(kb.loaded ? kb.N() + 1 : 1);
    return {std::vector<int>(size, 0), std::vector<std::string>(size), std::vector<char>(size, 0),
            std::vector<char>(size, 0)};
}

void setFixed(MoveMarks& m, int n)
{
    m.mark[at(n)] = MarkRefused;
    m.hint[at(n)] = "固定课";
    m.fixed[at(n)] = 1;
}

void setLocked(MoveMarks& m, int n)
{
    m.mark[at(n)] = MarkSource;
    m.locked[at(n)] = 1;
}

void setWarnOrOk(MoveMarks& m, int n, const std::string& warnings, const std::string& okHint)
{
    if (!warnings.empty()) {
        m.mark[at(n)] = MarkWarn;
        m.hint[at(n)] = closeHint(warnings);
    } else {
        m.mark[at(n)] = MarkOk;
        m.hint[at(n)] = okHint;
    }
}

std::string swapHintB(const KbData& kb, int a)
{
    return a >= 0 ? "与" + kb.school.KemuName[at(keOf(kb, a))] + "调换。" : std::string();
}

std::string swapHintT(const KbData& kb, int y)
{
    return y >= 0 ? "与" + kb.school.BanName[at(banOf(kb, y))] + kb.school.KemuName[at(keOf(kb, y))] + "调换。"
                  : std::string();
}

// Why lesson r (standing as `lessons`) may not be touched, or empty: the first locked class,
// else the first locked teacher.
std::string lockedText(const KbData& kb, const std::vector<int>& lessons)
{
    for (int r : lessons)
        if (kb.banLocked(banOf(kb, r)))
            return "会影响已锁定的" + kb.school.BanName[at(banOf(kb, r))] + "。";
    for (int r : lessons)
        if (kb.teaLocked(teaOf(kb, r)))
            return "会影响已锁定的" + kb.school.TeaName[at(teaOf(kb, r))] + "。";
    return {};
}

store::Result gate(const MoveMarks& m, int n, bool confirmed)
{
    switch (m.mark[at(n)]) {
    case MarkOk:
        return store::done();
    case MarkWarn:
        return confirmed ? store::done() : store::refused(kMoveQuestion);
    case MarkSame:
        return store::refused("同一任课，不需调动。");
    case MarkRefused:
        return store::refused(m.hint[at(n)]);
    default:
        return store::refused(m.locked[at(n)] ? "会影响已锁定的课表，不能调。" : "不能调到这里。");
    }
}

// After class cells changed at `slots`, the teacher cells of `teachers` there follow the
// class grid: each holds one of the teacher's lessons standing at the slot, or -1.
void followTeachers(const model::School& s, KbDocument::Snapshot& now, const std::vector<int>& teachers,
                    const std::vector<int>& slots)
{
    for (int slot : slots) {
        for (int t : teachers)
            now.T(t, slot) = -1;
        for (int c = 1; c <= s.MaxBanID; ++c) {
            const int v = now.B(c, slot);
            if (v < 0 || !s.isRealRenke(v))
                continue;
            const int t = s.RenkeTea[at(v)];
            if (contains(teachers, t) && now.T(t, slot) < 0)
                now.T(t, slot) = v;
        }
    }
}

MoveOutcome refuse(std::string msg) { return {store::refused(std::move(msg)), -1, {}}; }

MoveOutcome exchange(KbDocument& doc, int record, const std::vector<int>& classes, int j, int n, int displaced)
{
    const KbData& kb = doc.data();
    std::vector<int> teachers;
    for (int c : classes)
        for (int s : {j, n}) {
            const int v = kb.gridB()(c, s);
            if (v >= 0 && realLesson(kb, v) && !contains(teachers, teaOf(kb, v)))
                teachers.push_back(teaOf(kb, v));
        }
    const model::School& school = kb.school;
    MoveOutcome out{store::done(), displaced, {}};
    out.change = doc.apply(record, [&](KbDocument::Snapshot& now, const KbDocument::Before& before) {
        for (int c : classes) {
            now.B(c, j) = before.B(c, n);
            now.B(c, n) = before.B(c, j);
        }
        followTeachers(school, now, teachers, {j, n});
    });
    return out;
}

MoveOutcome placement(KbDocument& doc, int record, const std::vector<int>& placed, const std::vector<int>& displaced,
                      int n)
{
    const KbData& kb = doc.data();
    std::vector<int> teachers;
    for (int r : placed)
        if (!contains(teachers, teaOf(kb, r)))
            teachers.push_back(teaOf(kb, r));
    for (int r : displaced)
        if (!contains(teachers, teaOf(kb, r)))
            teachers.push_back(teaOf(kb, r));
    const model::School& school = kb.school;
    MoveOutcome out{store::done(), displaced.empty() ? -1 : displaced.front(), {}};
    out.change = doc.apply(record, [&](KbDocument::Snapshot& now, const KbDocument::Before&) {
        for (int d : displaced) {
            now.B(school.RenkeBan[at(d)], n) = -1;
            --now.placed[at(d)];
        }
        for (int r : placed) {
            now.B(school.RenkeBan[at(r)], n) = r;
            ++now.placed[at(r)];
        }
        followTeachers(school, now, teachers, {n});
    });
    return out;
}

}  // namespace

std::vector<int> combinedAt(const KbData& kb, int r, int slot)
{
    std::vector<int> out;
    if (!kb.loaded || !realLesson(kb, r) || !validSlot(kb, slot) || kb.gridB()(banOf(kb, r), slot) != r)
        return out;
    out.push_back(r);
    const auto& s = kb.school;
    if (s.RenkeHeban[at(r)] <= 0)
        return out;
    for (int o = 0; o < s.renkeSize(); ++o)
        if (o != r && realLesson(kb, o) && sameGroup(kb, o, r) && kb.gridB()(banOf(kb, o), slot) == o)
            out.push_back(o);
    return out;
}

std::string closeHint(const std::string& collected)
{
    if (collected.empty())
        return {};
    std::string t = collected;
    if (!t.empty() && t.back() == '\n')
        t.pop_back();
    // Drop the final character, counting characters, not bytes.
    while (!t.empty() && (static_cast<unsigned char>(t.back()) & 0xC0) == 0x80)
        t.pop_back();
    if (!t.empty())
        t.pop_back();
    return t + "。";
}

std::string BanToJ(const KbData& kb, int ban, int r, int slot)
{
    if (!kb.loaded || !realLesson(kb, r) || !validSlot(kb, slot))
        return {};
    const int t = teaOf(kb, r);
    const int y = kb.cellT(t, slot);
    if (y >= 0 && realLesson(kb, y) && banOf(kb, y) != ban && !sameGroup(kb, y, r))
        return busyText(kb, t, slot);
    return {};
}

std::string TeaToJ(const KbData& kb, int tea, int from, int slot)
{
    if (!validTea(kb, tea) || !validSlot(kb, from) || !validSlot(kb, slot))
        return {};
    const int r = kb.cellT(tea, from);
    if (r < 0 || !realLesson(kb, r))
        return {};
    const int a = banOf(kb, r);
    const auto& s = kb.school;
    if (kb.banLocked(a))
        return "会影响已锁定的" + s.BanName[at(a)] + "。\n";
    std::string out;
    const int x = kb.cellB(a, slot);
    if (x < 0 && !gudin(kb, a, slot).empty())
        out += "相关位置在" + s.BanName[at(a)] + "中被设为" + gudin(kb, a, slot) + "，无法移动。\n";
    if (x >= 0 && realLesson(kb, x)) {
        const int tx = teaOf(kb, x);
        if (kb.teaLocked(tx))
            return out + "会影响已锁定的" + s.TeaName[at(tx)] + "。\n";
        if (tx != tea && kb.cellT(tx, from) >= 0)
            out += "会影响到" + s.TeaName[at(tx)] + "其它班的课，不能调。\n";
    }
    return out;
}

std::string TeaAddR(const KbData& kb, int tea, int r, int slot)
{
    if (!validTea(kb, tea) || !realLesson(kb, r) || !validSlot(kb, slot))
        return {};
    const int c = banOf(kb, r);
    const int y = kb.cellB(c, slot);
    const auto& s = kb.school;
    if (y < 0 && !gudin(kb, c, slot).empty())
        return "此位置在" + s.BanName[at(c)] + "中被设为" + gudin(kb, c, slot) + "，无法移动。\n";
    if (y >= 0 && realLesson(kb, y) && teaOf(kb, y) != tea) {
        const std::string& ty = s.TeaName[at(teaOf(kb, y))];
        return "此位置已被" + ty + "占用，不能调，请先调好" + ty + "的课。\n";
    }
    return {};
}

std::string TestMovR(const KbData& kb, int r, int f, int s)
{
    if (!kb.loaded || !realLesson(kb, r) || f < 0 || f > kb.N() || s < 0 || s > kb.N())
        return {};
    const model::School& sc = kb.school;
    const auto& SlotDay = sc.slots.SlotDay;
    const auto& SlotJie = sc.slots.SlotJie;
    const int k = keOf(kb, r), c = banOf(kb, r), t = teaOf(kb, r);
    const int D = SlotDay[at(s)], j = SlotJie[at(s)];
    const int w = sc.DayToWeek[at(D)];
    const std::string W = sc.WeekName[at(w)];
    const std::string& kname = sc.KemuName[at(k)];
    const std::string& tname = sc.TeaName[at(t)];
    const int N = kb.N();
    const Array2<int>& B = kb.gridB();
    const Array2<int>& T = kb.gridT();
    auto lessonOf = [&](int v) { return v >= 0 && realLesson(kb, v) && keOf(kb, v) == k; };
    std::string out;

    if (s >= 1 && sc.TeshuKe(k, c, D, j) == model::MarkNever)
        out += kname + "在" + W + "第" + std::to_string(j) + "节设置为“不排”；\n";
    if (s >= 1 && sc.TeshuTea(t, D, j) == model::MarkNever)
        out += tname + "在" + W + "第" + std::to_string(j) + "节设置为“不排”；\n";
    if (f >= 1 && sc.TeshuKe(k, c, SlotDay[at(f)], SlotJie[at(f)]) == model::MarkCertain)
        out += kname + "在该节被设置为“一定排”，最好不要随便移动；\n";
    if (f >= 1 && sc.TeshuTea(t, SlotDay[at(f)], SlotJie[at(f)]) == model::MarkCertain)
        out += tname + "在该节的课被设置为“一定排”，最好不要随便移动；\n";
    if (s < 1)
        return out;

    if (const int max = sc.KemuMaxJie[at(k)]; max != 0) {
        int count = 0;
        for (int b = 1; b <= sc.MaxBanID; ++b)
            if (b != c && lessonOf(B(b, s)) && ++count >= max) {
                out += kname + "全校同时上课会超出" + std::to_string(max) + "节；\n";
                break;
            }
    }
    const auto& opt = sc.opt;
    if (int L = opt.JieOptBK(c, k, j) != 0 ? opt.JieOptBK(c, k, j) : opt.JieOptBK(0, k, j);
        L != 0 && SlotJie[at(f)] != j) {
        int count = 0;
        for (int m = 1; m <= N; ++m)
            if (m != s && m != f && SlotJie[at(m)] == j && lessonOf(B(c, m)) && ++count >= std::abs(L)) {
                out += kname + "在第" + std::to_string(j) + "节上设置了限制；\n";
                break;
            }
    }
    if (int L = opt.JieOptT(t, j); L != 0 && SlotJie[at(f)] != j) {
        int count = 0;
        for (int m = 1; m <= N; ++m)
            if (m != s && m != f && SlotJie[at(m)] == j && lessonOf(T(t, m)) && ++count >= std::abs(L)) {
                out += tname + "在第" + std::to_string(j) + "节上设置了限制；\n";
                break;
            }
    }
    if (int L = opt.DayOptBK(c, k, w) != 0 ? opt.DayOptBK(c, k, w) : opt.DayOptBK(0, k, w);
        L != 0 && SlotDay[at(f)] != D) {
        int count = 0;
        for (int m = 1; m <= N; ++m)
            if (m != s && SlotDay[at(m)] == D && lessonOf(B(c, m)) && ++count >= std::abs(L)) {
                out += kname + "在" + W + "上设置了限制；\n";
                break;
            }
    }
    if (int L = opt.DayOptT(t, w); L != 0 && SlotDay[at(f)] != D) {
        int count = 0;
        for (int m = 1; m <= N; ++m)
            if (m != s && SlotDay[at(m)] == D && lessonOf(T(t, m)) && ++count >= std::abs(L)) {
                out += tname + "在" + W + "上设置了限制；\n";
                break;
            }
    }
    if (const int p = opt.TeaExclusive[at(t)]; p > 0 && p <= sc.TeaOldNum && T(p, s) >= 0)
        out += "与" + sc.TeaName[at(p)] + "老师互斥，该老师此节课正好有课。\n";
    return out;
}

MoveMarks ShowMvKe_B(const KbData& kb, int ban, int from)
{
    MoveMarks m = blankMarks(kb);
    if (!validBan(kb, ban) || !validSlot(kb, from))
        return m;
    const int R = kb.cellB(ban, from);
    if (R < 0 || !realLesson(kb, R))
        return m;
    const std::vector<int> classes = classesOf(kb, combinedAt(kb, R, from));
    for (int n = 1; n <= kb.N(); ++n) {
        if (n == from)
            continue;
        if (!gudin(kb, ban, n).empty()) {
            setFixed(m, n);
            continue;
        }
        const int a = kb.cellB(ban, n);
        if (a == R) {
            m.mark[at(n)] = MarkSame;
            m.hint[at(n)] = "同一任课，不需调动。";
            continue;
        }
        std::string refusals;
        bool locked = false;
        exchangeCheck(kb, classes, from, n, refusals, locked);
        if (locked || (a >= 0 && realLesson(kb, a) && kb.teaLocked(teaOf(kb, a)))) {
            setLocked(m, n);
        } else if (!refusals.empty()) {
            m.mark[at(n)] = MarkRefused;
            m.hint[at(n)] = closeHint(refusals);
        } else {
            std::string w = TestMovR(kb, R, from, n);
            if (a >= 0)
                w += TestMovR(kb, a, n, from);
            setWarnOrOk(m, n, w, swapHintB(kb, a));
        }
    }
    return m;
}

MoveMarks ShowAddKe_B(const KbData& kb, int ban, int r)
{
    MoveMarks m = blankMarks(kb);
    if (!validBan(kb, ban) || !realLesson(kb, r) || banOf(kb, r) != ban)
        return m;
    for (int n = 1; n <= kb.N(); ++n) {
        if (!gudin(kb, ban, n).empty()) {
            setFixed(m, n);
            continue;
        }
        const int a = kb.cellB(ban, n);
        if (a == r) {
            m.mark[at(n)] = MarkSame;
            m.hint[at(n)] = "同一任课，不需调动。";
            continue;
        }
        const std::vector<int> placed = heldMembers(kb, r, n);
        const std::vector<int> displaced = displacedBy(kb, placed, n, -1);
        std::string refusals;
        bool locked = false;
        placeCheck(kb, placed, displaced, n, refusals, locked);
        if (locked || (a >= 0 && realLesson(kb, a) && kb.teaLocked(teaOf(kb, a)))) {
            setLocked(m, n);
        } else if (!refusals.empty()) {
            m.mark[at(n)] = MarkRefused;
            m.hint[at(n)] = closeHint(refusals);
        } else {
            std::string w = TestMovR(kb, r, 0, n);
            if (a >= 0)
                w += TestMovR(kb, a, n, 0);
            setWarnOrOk(m, n, w, swapHintB(kb, a));
        }
    }
    return m;
}

MoveMarks ShowMvKe_T(const KbData& kb, int tea, int from)
{
    MoveMarks m = blankMarks(kb);
    if (!validTea(kb, tea) || !validSlot(kb, from))
        return m;
    const int R = kb.cellT(tea, from);
    if (R < 0 || !realLesson(kb, R))
        return m;
    const std::vector<int> source = combinedAt(kb, R, from);
    const int A = banOf(kb, R);
    for (int n = 1; n <= kb.N(); ++n) {
        if (n == from)
            continue;
        const int y = kb.cellT(tea, n);
        if (y == R || sameGroup(kb, y, R)) {
            m.mark[at(n)] = MarkSame;
            m.hint[at(n)] = "同一任课，不需调动。";
            continue;
        }
        std::string refusals = TeaToJ(kb, tea, from, n);
        if (y >= 0)
            refusals += TeaToJ(kb, tea, n, from);
        std::vector<int> lessons = source;
        if (y >= 0)
            for (int v : combinedAt(kb, y, n))
                lessons.push_back(v);
        std::string more;
        bool locked = false;
        if (source.empty() || (y >= 0 && lessons.size() == source.size()))
            more = "课表不一致，不能调。\n";
        else
            exchangeCheck(kb, classesOf(kb, lessons), from, n, more, locked);
        if (y >= 0 && realLesson(kb, y) && kb.banLocked(banOf(kb, y))) {
            setLocked(m, n);
        } else if (!refusals.empty()) {
            m.mark[at(n)] = MarkRefused;
            m.hint[at(n)] = closeHint(refusals);
        } else if (locked) {
            setLocked(m, n);
        } else if (!more.empty()) {
            m.mark[at(n)] = MarkRefused;
            m.hint[at(n)] = closeHint(more);
        } else {
            std::string w = TestMovR(kb, R, from, n);
            if (const int x = kb.cellB(A, n); x >= 0)
                w += TestMovR(kb, x, n, from);
            if (y >= 0) {
                w += TestMovR(kb, y, n, from);
                if (const int z = kb.cellB(banOf(kb, y), from); z >= 0)
                    w += TestMovR(kb, z, from, n);
            }
            setWarnOrOk(m, n, w, swapHintT(kb, y));
        }
    }
    return m;
}

MoveMarks ShowAddKe_T(const KbData& kb, int tea, int r)
{
    MoveMarks m = blankMarks(kb);
    if (!validTea(kb, tea) || !realLesson(kb, r) || teaOf(kb, r) != tea)
        return m;
    for (int n = 1; n <= kb.N(); ++n) {
        const int y = kb.cellT(tea, n);
        if (y == r || kb.cellB(banOf(kb, r), n) == r) {
            m.mark[at(n)] = MarkSame;
            m.hint[at(n)] = "同一任课，不需调动。";
            continue;
        }
        const bool joins = sameGroup(kb, y, r);
        if (y >= 0 && !joins && realLesson(kb, y) && kb.banLocked(banOf(kb, y))) {
            setLocked(m, n);
            continue;
        }
        const std::string refusals = TeaAddR(kb, tea, r, n);
        if (!refusals.empty()) {
            m.mark[at(n)] = MarkRefused;
            m.hint[at(n)] = closeHint(refusals);
            continue;
        }
        const std::vector<int> placed = heldMembers(kb, r, n);
        const std::vector<int> displaced = displacedBy(kb, placed, n, joins ? -1 : y);
        std::string more;
        bool locked = false;
        if (y >= 0 && !joins && combinedAt(kb, y, n).empty())
            more = "课表不一致，不能调。\n";
        placeCheck(kb, placed, displaced, n, more, locked);
        if (locked) {
            setLocked(m, n);
        } else if (!more.empty()) {
            m.mark[at(n)] = MarkRefused;
            m.hint[at(n)] = closeHint(more);
        } else {
            std::string w = TestMovR(kb, r, 0, n);
            if (y >= 0 && !joins)
                w += TestMovR(kb, y, n, 0);
            setWarnOrOk(m, n, w, joins ? std::string() : swapHintT(kb, y));
        }
    }
    return m;
}

MoveOutcome ChnBanJ(KbDocument& doc, int ban, int from, int to, bool confirmed)
{
    const KbData& kb = doc.data();
    if (!kb.loaded)
        return refuse("没有打开课表。");
    if (!validBan(kb, ban))
        return refuse("没有这个班级。");
    if (!validSlot(kb, from) || !validSlot(kb, to))
        return refuse("没有这个课时。");
    if (from == to)
        return refuse("源位置与目标位置相同。");
    const int R = kb.cellB(ban, from);
    if (R < 0 || !realLesson(kb, R))
        return refuse("源位置没有课。");
    const std::vector<int> source = combinedAt(kb, R, from);
    if (const std::string l = lockedText(kb, source); !l.empty())
        return refuse(l);
    const MoveMarks m = ShowMvKe_B(kb, ban, from);
    if (store::Result g = gate(m, to, confirmed); !g)
        return {g, -1, {}};
    const int a = kb.cellB(ban, to);
    return exchange(doc, banPage(ban), classesOf(kb, source), from, to, a);
}

MoveOutcome ChnBanJ_Tmp(KbDocument& doc, int ban, int r, int to, bool confirmed)
{
    const KbData& kb = doc.data();
    if (!kb.loaded)
        return refuse("没有打开课表。");
    if (!validBan(kb, ban))
        return refuse("没有这个班级。");
    if (!validSlot(kb, to))
        return refuse("没有这个课时。");
    if (!realLesson(kb, r) || banOf(kb, r) != ban)
        return refuse("这不是本班的课。");
    if (kb.unplaced(r) <= 0)
        return refuse("这门课已全部排好，没有待排的课。");
    if (const std::string l = lockedText(kb, {r}); !l.empty())
        return refuse(l);
    const MoveMarks m = ShowAddKe_B(kb, ban, r);
    if (store::Result g = gate(m, to, confirmed); !g)
        return {g, -1, {}};
    const std::vector<int> placed = heldMembers(kb, r, to);
    return placement(doc, banPage(ban), placed, displacedBy(kb, placed, to, -1), to);
}

MoveOutcome ChnTeaJ(KbDocument& doc, int tea, int from, int to, bool confirmed)
{
    const KbData& kb = doc.data();
    if (!kb.loaded)
        return refuse("没有打开课表。");
    if (!validTea(kb, tea))
        return refuse("没有这个教师。");
    if (!validSlot(kb, from) || !validSlot(kb, to))
        return refuse("没有这个课时。");
    if (from == to)
        return refuse("源位置与目标位置相同。");
    const int R = kb.cellT(tea, from);
    if (R < 0 || !realLesson(kb, R))
        return refuse("源位置没有课。");
    const std::vector<int> source = combinedAt(kb, R, from);
    if (source.empty())
        return refuse("课表不一致，不能调。");
    if (const std::string l = lockedText(kb, source); !l.empty())
        return refuse(l);
    const MoveMarks m = ShowMvKe_T(kb, tea, from);
    if (store::Result g = gate(m, to, confirmed); !g)
        return {g, -1, {}};
    std::vector<int> lessons = source;
    const int y = kb.cellT(tea, to);
    if (y >= 0)
        for (int v : combinedAt(kb, y, to))
            lessons.push_back(v);
    return exchange(doc, teaPage(tea), classesOf(kb, lessons), from, to, y);
}

MoveOutcome ChnTeaJ_Tmp(KbDocument& doc, int tea, int r, int to, bool confirmed)
{
    const KbData& kb = doc.data();
    if (!kb.loaded)
        return refuse("没有打开课表。");
    if (!validTea(kb, tea))
        return refuse("没有这个教师。");
    if (!validSlot(kb, to))
        return refuse("没有这个课时。");
    if (!realLesson(kb, r) || teaOf(kb, r) != tea)
        return refuse("这不是该教师的课。");
    if (kb.unplaced(r) <= 0)
        return refuse("这门课已全部排好，没有待排的课。");
    if (const std::string l = lockedText(kb, {r}); !l.empty())
        return refuse(l);
    const MoveMarks m = ShowAddKe_T(kb, tea, r);
    if (store::Result g = gate(m, to, confirmed); !g)
        return {g, -1, {}};
    const int y = kb.cellT(tea, to);
    const std::vector<int> placed = heldMembers(kb, r, to);
    return placement(doc, teaPage(tea), placed, displacedBy(kb, placed, to, sameGroup(kb, y, r) ? -1 : y), to);
}

MoveOutcome MvKbToTmp(KbDocument& doc, KbSide side, int id, int slot)
{
    const KbData& kb = doc.data();
    if (!kb.loaded)
        return refuse("没有打开课表。");
    const bool tea = side == KbSide::Tea;
    if (tea ? !validTea(kb, id) : !validBan(kb, id))
        return refuse(tea ? "没有这个教师。" : "没有这个班级。");
    if (!validSlot(kb, slot))
        return refuse("没有这个课时。");
    const int R = tea ? kb.cellT(id, slot) : kb.cellB(id, slot);
    if (R < 0 || !realLesson(kb, R))
        return refuse("源位置没有课。");
    const std::vector<int> lessons = combinedAt(kb, R, slot);
    if (lessons.empty())
        return refuse("课表不一致，不能调。");
    if (const std::string l = lockedText(kb, lessons); !l.empty())
        return refuse(l);
    MoveOutcome out = placement(doc, tea ? teaPage(id) : banPage(id), {}, lessons, slot);
    out.displaced = R;
    return out;
}

}  // namespace tavrin::timetable
