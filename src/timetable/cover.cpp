#include "timetable/cover.h"

#include <fmt/format.h>

#include <algorithm>
#include <climits>
#include <map>
#include <tuple>
#include <unordered_set>

#include "model/dates.h"
#include "timetable/moves.h"

namespace tavrin::timetable {

using model::Absence;
using model::Cover;
using model::CoverKind;
using store::done;
using store::refused;
using store::Result;

namespace {

std::size_t at(int i) { return static_cast<std::size_t>(i); }

const std::string& teaName(const KbData& kb, int t)
{
    static const std::string none;
    return t >= 1 && t <= kb.school.TeaOldNum ? kb.school.TeaName[at(t)] : none;
}

bool validTea(const KbData& kb, int t) { return t >= 1 && t <= kb.school.TeaOldNum && !teaName(kb, t).empty(); }

// The slot of a date's period in the week; 0 when the date is no school day or the period
// lies past the day.
int slotAt(const KbData& kb, int date, int jie)
{
    const auto& s = kb.school;
    const int day = s.WeektoDay[at(model::weekdayOf(date))];
    if (day < 1 || jie < 1 || jie > s.P())
        return 0;
    return model::slotOf(day, jie, s.P());
}

std::string when(int date, int jie) { return fmt::format("{} 第{}节", model::dateText(date), jie); }

std::string outsideTerm(const model::Term& t, int date)
{
    return fmt::format("日期 {} 不在本学期内（{} 至 {}）。", model::dateText(date), model::dateText(t.monday),
                       model::dateText(t.lastDay()));
}

// A date and period the week has, in a set term; the refusal otherwise.
Result checkWhen(const KbData& kb, const CoverBook& book, int date, int jie)
{
    if (!book.term.set())
        return refused("尚未设置学期的开始日期和周数。");
    if (!book.term.contains(date))
        return refused(outsideTerm(book.term, date));
    if (kb.school.WeektoDay[at(model::weekdayOf(date))] < 1)
        return refused(fmt::format("{} 不是上课日。", model::dateText(date)));
    if (jie < 1 || jie > kb.school.P())
        return refused(fmt::format("第{}节 不在每天的节次内。", jie));
    return done();
}

bool absentAt(const CoverBook& book, int tea, int date, int jie)
{
    return std::any_of(book.absences.begin(), book.absences.end(),
                       [&](const Absence& a) { return a.tea == tea && a.at(date, jie); });
}

// The teacher teaches a lesson of someone else's at that date and period through a cover:
// a substitute, study, the lesson brought in by a swap, or their own lesson a swap moved there.
bool coveringAt(const CoverBook& book, int tea, int date, int jie, std::int64_t except = 0)
{
    for (const auto& c : book.covers) {
        if (c.id != 0 && c.id == except)
            continue;
        if (c.by == tea && c.date == date && c.jie == jie)
            return true;
        if (c.kind == CoverKind::Swap && c.tea == tea && c.swapDate == date && c.swapJie == jie)
            return true;
    }
    return false;
}

// The members of the lesson of assignment r at slot (a combined lesson with all its classes),
// first class first; empty when it does not stand there.
std::vector<int> lessonAt(const KbData& kb, int r, int slot)
{
    if (!kb.school.isRealRenke(r) || slot < 1)
        return {};
    std::vector<int> m = combinedAt(kb, r, slot);
    std::sort(m.begin(), m.end(),
              [&](int a, int b) { return kb.school.RenkeBan[at(a)] < kb.school.RenkeBan[at(b)]; });
    return m;
}

EmptiedLesson lessonFrom(const KbData& kb, const std::vector<int>& members, int date, int jie, int slot)
{
    EmptiedLesson e;
    e.date = date;
    e.jie = jie;
    e.slot = slot;
    e.r = members.front();
    for (int m : members)
        e.bans.push_back(kb.school.RenkeBan[at(m)]);
    e.tea = kb.school.RenkeTea[at(e.r)];
    e.ke = kb.school.RenkeKe[at(e.r)];
    return e;
}

std::string slotName(const KbData& kb, int date, int jie)
{
    return fmt::format("{}第{}节", kb.school.WeekName[at(model::weekdayOf(date))], jie);
}

// What the ranking knows of every teacher on one date.
struct DayFacts {
    int date = 0, day = 0, P = 0;
    std::vector<std::uint32_t> absent;    // [tea] bit jie
    std::vector<std::uint32_t> covering;  // [tea] bit jie
    std::vector<int> coversToday, coversWeek, coversTerm, lessonsToday;
    std::vector<std::vector<int>> kes, bans, jis;  // [tea] subjects, classes, grade groups taught
};

void sortUnique(std::vector<int>& v)
{
    std::sort(v.begin(), v.end());
    v.erase(std::unique(v.begin(), v.end()), v.end());
}

DayFacts dayFacts(const KbData& kb, const CoverBook& book, int date)
{
    const auto& s = kb.school;
    DayFacts f;
    f.date = date;
    f.day = s.WeektoDay[at(model::weekdayOf(date))];
    f.P = s.P();
    const auto T = at(s.TeaOldNum + 1);
    f.absent.assign(T, 0);
    f.covering.assign(T, 0);
    f.coversToday.assign(T, 0);
    f.coversWeek.assign(T, 0);
    f.coversTerm.assign(T, 0);
    f.lessonsToday.assign(T, 0);
    f.kes.resize(T);
    f.bans.resize(T);
    f.jis.resize(T);
    for (const auto& a : book.absences)
        if (a.tea >= 1 && a.tea <= s.TeaOldNum && date >= a.from && date <= a.to)
            for (int j = 1; j <= f.P; ++j)
                if (a.at(date, j))
                    f.absent[at(a.tea)] |= 1u << j;
    const int monday = model::mondayOf(date);
    for (const auto& c : book.covers) {
        auto mark = [&](int t, int jie) {
            if (t >= 1 && t <= s.TeaOldNum && jie >= 1 && jie <= f.P)
                f.covering[at(t)] |= 1u << jie;
        };
        if (c.date == date)
            mark(c.by, c.jie);
        if (c.kind == CoverKind::Swap && c.swapDate == date)
            mark(c.tea, c.swapJie);
        if (c.by < 1 || c.by > s.TeaOldNum || c.kind == CoverKind::Swap)
            continue;
        if (c.date == date)
            ++f.coversToday[at(c.by)];
        if (model::mondayOf(c.date) == monday)
            ++f.coversWeek[at(c.by)];
        if (book.term.contains(c.date) && c.date <= date)
            ++f.coversTerm[at(c.by)];
    }
    if (f.day >= 1)
        for (int t = 1; t <= s.TeaOldNum; ++t)
            for (int j = 1; j <= f.P; ++j)
                if (kb.cellT(t, model::slotOf(f.day, j, f.P)) >= 0)
                    ++f.lessonsToday[at(t)];
    for (int r = 0; r < s.renkeSize(); ++r) {
        if (!s.isRealRenke(r))
            continue;
        const int t = s.RenkeTea[at(r)];
        if (t < 1 || t > s.TeaOldNum)
            continue;
        const int b = s.RenkeBan[at(r)];
        f.kes[at(t)].push_back(s.RenkeKe[at(r)]);
        f.bans[at(t)].push_back(b);
        if (b >= 1 && b < static_cast<int>(s.BanInJi.size()))
            f.jis[at(t)].push_back(s.BanInJi[at(b)]);
    }
    for (auto* v : {&f.kes, &f.bans, &f.jis})
        for (auto& x : *v)
            sortUnique(x);
    return f;
}

bool has(const std::vector<int>& v, int x) { return std::binary_search(v.begin(), v.end(), x); }

// Teachers free to take the lesson: no lesson of their own then, not absent, not "不排" there,
// not already covering then, under the daily cap.
std::vector<int> freeTeachers(const KbData& kb, const DayFacts& f, const EmptiedLesson& e, const CoverRules& rules)
{
    const auto& s = kb.school;
    std::vector<int> out;
    for (int t = 1; t <= s.TeaOldNum; ++t) {
        if (t == e.tea || s.TeaName[at(t)].empty())
            continue;
        if (kb.cellT(t, e.slot) >= 0)
            continue;
        if ((f.absent[at(t)] | f.covering[at(t)]) & (1u << e.jie))
            continue;
        if (s.TeshuTea(t, f.day, e.jie) == model::MarkNever)
            continue;
        if (f.coversToday[at(t)] >= rules.dailyCap)
            continue;
        out.push_back(t);
    }
    return out;
}

Cover baseCover(const EmptiedLesson& e, CoverKind kind, int by)
{
    Cover c;
    c.date = e.date;
    c.jie = e.jie;
    c.ban = e.bans.front();
    c.tea = e.tea;
    c.ke = e.ke;
    c.kind = kind;
    c.by = by;
    return c;
}

void addSubstitutes(const KbData& kb, const DayFacts& f, EmptiedLesson& e, const std::vector<int>& free,
                    const CoverRules& rules)
{
    const auto& s = kb.school;
    int ji = 0;
    if (e.bans.front() < static_cast<int>(s.BanInJi.size()))
        ji = s.BanInJi[at(e.bans.front())];
    struct Ranked {
        std::tuple<int, int, int, int, int, int> key;
        int tier;
    };
    std::vector<Ranked> ranked;
    for (int t : free) {
        const bool ke = has(f.kes[at(t)], e.ke);
        const bool ban = std::any_of(e.bans.begin(), e.bans.end(), [&](int b) { return has(f.bans[at(t)], b); });
        const bool grade = ji > 0 && has(f.jis[at(t)], ji);
        const int tier = ke ? 0 : ban ? 1 : grade ? 2 : 3;
        ranked.push_back({{!ke, !ban, !grade, f.coversTerm[at(t)], f.lessonsToday[at(t)], t}, tier});
    }
    const auto keep = std::min<std::size_t>(ranked.size(), at(std::max(rules.substitutes, 0)));
    std::partial_sort(ranked.begin(), ranked.begin() + static_cast<std::ptrdiff_t>(keep), ranked.end(),
                      [](const Ranked& a, const Ranked& b) { return a.key < b.key; });
    static const char* kTier[] = {"同科目", "任教本班", "同年级", "其他科目"};
    for (std::size_t i = 0; i < keep; ++i) {
        const int t = std::get<5>(ranked[i].key);
        CoverSuggestion sg;
        sg.cover = baseCover(e, CoverKind::Substitute, t);
        sg.reason = fmt::format("{}，本周代课{}节", kTier[ranked[i].tier], f.coversWeek[at(t)]);
        if (f.lessonsToday[at(t)] > 0)
            sg.reason += fmt::format("，当天有课{}节", f.lessonsToday[at(t)]);
        e.suggestions.push_back(std::move(sg));
    }
}

void addStudies(const DayFacts& f, EmptiedLesson& e, std::vector<int> free, const CoverRules& rules)
{
    const auto keep = std::min<std::size_t>(free.size(), at(std::max(rules.studies, 0)));
    std::partial_sort(free.begin(), free.begin() + static_cast<std::ptrdiff_t>(keep), free.end(), [&](int a, int b) {
        return std::tuple(f.coversTerm[at(a)], f.lessonsToday[at(a)], a) <
               std::tuple(f.coversTerm[at(b)], f.lessonsToday[at(b)], b);
    });
    for (std::size_t i = 0; i < keep; ++i) {
        const int t = free[i];
        CoverSuggestion sg;
        sg.cover = baseCover(e, CoverKind::Study, t);
        sg.reason = fmt::format("自习看班，本周代课{}节", f.coversWeek[at(t)]);
        e.suggestions.push_back(std::move(sg));
    }
}

// The date of a slot in the week of `date`.
int dateOfSlot(const KbData& kb, int date, int slot)
{
    const int day = kb.school.slots.SlotDay[at(slot)];
    return model::mondayOf(date) + kb.school.DayToWeek[at(day)] - 1;
}

// Another lesson of the class in the same week that may trade places with the emptied one,
// on the class page's move rules as the week stands.
void addSwaps(const KbData& kb, const CoverBook& book, EmptiedLesson& e, const CoverRules& rules)
{
    if (e.bans.size() != 1 || rules.swaps <= 0)
        return;  // a combined lesson would drag its partner classes along
    const auto& s = kb.school;
    const int ban = e.bans.front();
    const MoveMarks marks = ShowMvKe_B(kb, ban, e.slot);
    struct Found {
        std::tuple<int, int, int> key;
        CoverSuggestion sg;
    };
    std::vector<Found> found;
    for (int n = 1; n <= kb.N(); ++n) {
        const int mark = marks.mark[at(n)];
        if (mark != MarkOk && mark != MarkWarn)
            continue;
        const int a = kb.cellB(ban, n);
        if (!s.isRealRenke(a) || lessonAt(kb, a, n).size() != 1)
            continue;
        const int other = s.RenkeTea[at(a)];
        if (other == e.tea)
            continue;
        const int swapDate = dateOfSlot(kb, e.date, n);
        const int swapJie = s.slots.SlotJie[at(n)];
        if (!book.term.contains(swapDate))
            continue;
        if (absentAt(book, other, e.date, e.jie) || coveringAt(book, other, e.date, e.jie))
            continue;
        if (absentAt(book, e.tea, swapDate, swapJie) || coveringAt(book, e.tea, swapDate, swapJie))
            continue;
        // The other lesson must still be where the week has it: not emptied, covered or swapped.
        const bool taken = std::any_of(book.covers.begin(), book.covers.end(), [&](const Cover& c) {
            return (c.date == swapDate && c.jie == swapJie && (c.tea == other || c.ban == ban)) ||
                   (c.kind == CoverKind::Swap && c.swapDate == swapDate && c.swapJie == swapJie && c.ban == ban);
        });
        if (taken)
            continue;
        Found fd;
        fd.sg.cover = baseCover(e, CoverKind::Swap, other);
        fd.sg.cover.swapDate = swapDate;
        fd.sg.cover.swapJie = swapJie;
        fd.sg.cover.swapKe = s.RenkeKe[at(a)];
        fd.sg.warned = mark == MarkWarn;
        fd.sg.reason = fmt::format("与{}{}的{}对调", slotName(kb, swapDate, swapJie), teaName(kb, other),
                                   s.KemuName[at(fd.sg.cover.swapKe)]);
        if (fd.sg.warned)
            fd.sg.reason += "（" + marks.hint[at(n)] + "）";
        fd.key = {fd.sg.warned ? 1 : 0, swapDate == e.date ? 0 : 1, std::abs(n - e.slot)};
        found.push_back(std::move(fd));
    }
    std::sort(found.begin(), found.end(), [](const Found& a, const Found& b) { return a.key < b.key; });
    for (std::size_t i = 0; i < found.size() && i < at(rules.swaps); ++i)
        e.suggestions.push_back(std::move(found[i].sg));
}

}  // namespace

std::string kindName(CoverKind k)
{
    switch (k) {
    case CoverKind::Substitute:
        return "代课";
    case CoverKind::Swap:
        return "调课";
    case CoverKind::Study:
        return "自习";
    }
    return {};
}

CoverBook loadCoverBook(store::Store& s)
{
    CoverBook b;
    if (auto t = model::readTerm(s))
        b.term = *t;
    b.absences = model::readAbsences(s, INT_MIN / 2, INT_MAX / 2);
    b.covers = model::readCovers(s, INT_MIN / 2, INT_MAX / 2);
    return b;
}

model::Term termFrom(int firstDay, int weeks, std::string& note)
{
    note.clear();
    const int monday = model::mondayOf(firstDay);
    if (monday != firstDay)
        note = fmt::format("学期开始日期 {} 不是星期一，已改为该周的星期一 {}。", model::dateText(firstDay),
                           model::dateText(monday));
    return {monday, weeks};
}

std::string brokenReason(const KbData& kb, const CoverBook& book, const Cover& c)
{
    auto broken = [](const std::string& why) { return "已失效：" + why; };
    const auto& s = kb.school;
    const int slot = slotAt(kb, c.date, c.jie);
    if (slot == 0)
        return broken(fmt::format("{} 不上课", when(c.date, c.jie)));
    if (lessonAt(kb, s.btk(c.ban, c.tea, c.ke), slot).empty())
        return broken("这节课已不在课程表中");
    if (!absentAt(book, c.tea, c.date, c.jie))
        return broken(fmt::format("{} 该节已不请假", teaName(kb, c.tea)));
    if (c.by < 1)
        return {};
    if (absentAt(book, c.by, c.date, c.jie))
        return broken(fmt::format("{} 该节请假", teaName(kb, c.by)));
    if (kb.cellT(c.by, slot) >= 0)
        return broken(fmt::format("{} 该节有课", teaName(kb, c.by)));
    if (c.kind == CoverKind::Swap) {
        const int swapSlot = slotAt(kb, c.swapDate, c.swapJie);
        if (swapSlot == 0 || kb.cellB(c.ban, swapSlot) != s.btk(c.ban, c.by, c.swapKe))
            return broken("对调的课已不在原处");
        if (absentAt(book, c.tea, c.swapDate, c.swapJie))
            return broken(fmt::format("{} 在对调的时间请假", teaName(kb, c.tea)));
    }
    return {};
}

Result coverDay(const KbData& kb, const CoverBook& book, int date, bool suggest, const CoverRules& rules,
                CoverDay& out)
{
    out = {};
    if (Result r = checkWhen(kb, book, date, 1); !r)
        return r;
    const auto& s = kb.school;
    const int P = s.P();
    out.date = date;
    out.week = book.term.week(date);
    for (const auto& a : book.absences)
        if (date >= a.from && date <= a.to)
            out.absences.push_back(a);

    std::unordered_set<std::int64_t> seen;  // (teacher, period) already listed
    for (const auto& a : out.absences) {
        if (!validTea(kb, a.tea))
            continue;
        for (int j = 1; j <= P; ++j) {
            if (!a.at(date, j) || !seen.insert(std::int64_t(a.tea) * 64 + j).second)
                continue;
            const int slot = slotAt(kb, date, j);
            const std::vector<int> members = lessonAt(kb, kb.cellT(a.tea, slot), slot);
            if (!members.empty())
                out.lessons.push_back(lessonFrom(kb, members, date, j, slot));
        }
    }
    for (const auto& c : book.covers) {
        if (c.date != date)
            continue;
        auto it = std::find_if(out.lessons.begin(), out.lessons.end(),
                               [&](const EmptiedLesson& e) { return e.jie == c.jie && e.tea == c.tea && !e.hasCover; });
        if (it == out.lessons.end()) {
            // A cover no absence asks for any longer still shows, marked broken.
            EmptiedLesson e;
            e.date = date;
            e.jie = c.jie;
            e.slot = slotAt(kb, date, c.jie);
            e.r = s.btk(c.ban, c.tea, c.ke);
            e.bans = {c.ban};
            e.tea = c.tea;
            e.ke = c.ke;
            out.lessons.push_back(std::move(e));
            it = out.lessons.end() - 1;
        }
        it->hasCover = true;
        it->cover = c;
        it->broken = brokenReason(kb, book, c);
    }
    std::sort(out.lessons.begin(), out.lessons.end(), [](const EmptiedLesson& a, const EmptiedLesson& b) {
        return std::tuple(a.jie, a.bans.front(), a.tea) < std::tuple(b.jie, b.bans.front(), b.tea);
    });

    const DayFacts f = dayFacts(kb, book, date);
    if (suggest) {
        for (auto& e : out.lessons) {
            if (e.slot == 0 || lessonAt(kb, e.r, e.slot).empty())
                continue;
            const std::vector<int> free = freeTeachers(kb, f, e, rules);
            addSubstitutes(kb, f, e, free, rules);
            addSwaps(kb, book, e, rules);
            addStudies(f, e, free, rules);
        }
    }

    out.states.resize(s.TeaOldNum + 1, P + 1, TeaDayState::Free);
    for (int t = 1; t <= s.TeaOldNum; ++t)
        for (int j = 1; j <= P; ++j) {
            TeaDayState st = kb.cellT(t, model::slotOf(f.day, j, P)) >= 0 ? TeaDayState::Busy : TeaDayState::Free;
            if (f.absent[at(t)] & (1u << j))
                st = TeaDayState::Absent;
            else if (f.covering[at(t)] & (1u << j))
                st = TeaDayState::Covering;
            out.states(t, j) = st;
        }
    // A swap takes the other teacher's lesson away from its own period.
    for (const auto& c : book.covers)
        if (c.kind == CoverKind::Swap && c.swapDate == date && c.by >= 1 && c.by <= s.TeaOldNum &&
            c.swapJie >= 1 && c.swapJie <= P && out.states(c.by, c.swapJie) == TeaDayState::Busy)
            out.states(c.by, c.swapJie) = TeaDayState::Free;
    return done();
}

Result checkAbsence(const KbData& kb, const CoverBook& book, const Absence& a)
{
    if (!book.term.set())
        return refused("尚未设置学期的开始日期和周数。");
    if (a.to < a.from)
        return refused(fmt::format("请假的结束日期 {} 早于开始日期 {}。", model::dateText(a.to),
                                   model::dateText(a.from)));
    if (!book.term.contains(a.from))
        return refused(outsideTerm(book.term, a.from));
    if (!book.term.contains(a.to))
        return refused(outsideTerm(book.term, a.to));
    if (!validTea(kb, a.tea))
        return refused("没有这个教师。");
    for (int j : a.jies)
        if (j < 1 || j > kb.school.P())
            return refused(fmt::format("第{}节 不在每天的节次内。", j));
    for (const auto& c : book.covers) {
        int date = 0, jie = 0;
        if (c.by == a.tea && a.at(c.date, c.jie)) {
            date = c.date;
            jie = c.jie;
        } else if (c.kind == CoverKind::Swap && c.tea == a.tea && a.at(c.swapDate, c.swapJie)) {
            date = c.swapDate;
            jie = c.swapJie;
        } else {
            continue;
        }
        return refused(fmt::format("{} 在 {} 要代课，不能同时请假。", teaName(kb, a.tea), when(date, jie)));
    }
    return done();
}

Result checkCover(const KbData& kb, const CoverBook& book, const Cover& c)
{
    const auto& s = kb.school;
    if (Result r = checkWhen(kb, book, c.date, c.jie); !r)
        return r;
    const int slot = slotAt(kb, c.date, c.jie);
    const std::vector<int> members = lessonAt(kb, s.btk(c.ban, c.tea, c.ke), slot);
    if (members.empty())
        return refused(fmt::format("{} 没有这节课。", when(c.date, c.jie)));
    const std::string& absent = teaName(kb, c.tea);
    if (!absentAt(book, c.tea, c.date, c.jie))
        return refused(fmt::format("{} 在 {} 没有请假，这节课不需要代课。", absent, when(c.date, c.jie)));
    for (const auto& o : book.covers)
        if (o.date == c.date && o.jie == c.jie && o.tea == c.tea)
            return refused(fmt::format("{} {} 的课已安排了{}，一节课只能安排一次。", when(c.date, c.jie), absent,
                                       kindName(o.kind)));
    if (!validTea(kb, c.by))
        return refused(c.kind == CoverKind::Swap ? "请指定对调的课。" : "请指定代课的教师。");
    const std::string& by = teaName(kb, c.by);
    if (c.by == c.tea)
        return refused(fmt::format("{} 请假，不能代自己的课。", by));
    if (absentAt(book, c.by, c.date, c.jie))
        return refused(fmt::format("{} 在 {} 请假，不能同时代课。", by, when(c.date, c.jie)));
    if (kb.cellT(c.by, slot) >= 0)
        return refused(fmt::format("{} 在 {} 有课，不能代课。", by, when(c.date, c.jie)));
    if (coveringAt(book, c.by, c.date, c.jie))
        return refused(fmt::format("{} 在 {} 已在代课。", by, when(c.date, c.jie)));
    if (c.kind != CoverKind::Swap)
        return done();

    if (members.size() != 1)
        return refused("合班课不能对调，请安排代课或自习。");
    if (!book.term.contains(c.swapDate) || model::mondayOf(c.swapDate) != model::mondayOf(c.date))
        return refused("只能与同一周内的课对调。");
    if (Result r = checkWhen(kb, book, c.swapDate, c.swapJie); !r)
        return r;
    const int swapSlot = slotAt(kb, c.swapDate, c.swapJie);
    const int other = s.btk(c.ban, c.by, c.swapKe);
    if (!s.isRealRenke(other) || kb.cellB(c.ban, swapSlot) != other || lessonAt(kb, other, swapSlot).size() != 1)
        return refused(fmt::format("{} 没有{}的这节课可对调。", when(c.swapDate, c.swapJie), by));
    if (absentAt(book, c.tea, c.swapDate, c.swapJie))
        return refused(fmt::format("{} 在 {} 也请假，对调后仍上不了课。", absent, when(c.swapDate, c.swapJie)));
    if (coveringAt(book, c.tea, c.swapDate, c.swapJie))
        return refused(fmt::format("{} 在 {} 已在代课。", absent, when(c.swapDate, c.swapJie)));
    for (const auto& o : book.covers)
        if ((o.date == c.swapDate && o.jie == c.swapJie && (o.tea == c.by || o.ban == c.ban)) ||
            (o.kind == CoverKind::Swap && o.swapDate == c.swapDate && o.swapJie == c.swapJie && o.ban == c.ban))
            return refused(fmt::format("{} 的这节课已有代课安排，不能再对调。", when(c.swapDate, c.swapJie)));
    const MoveMarks marks = ShowMvKe_B(kb, c.ban, slot);
    const int mark = marks.mark[at(swapSlot)];
    if (mark == MarkSource)
        return refused("课程表已锁定，不能对调。");
    if (mark != MarkOk && mark != MarkWarn)
        return refused("不能对调：" + marks.hint[at(swapSlot)]);
    return done();
}

Result saveTerm(store::Store& s, CoverBook& book, int firstDay, int weeks, std::string& note)
{
    if (weeks < 1 || weeks > 60)
        return refused("学期周数应在 1 到 60 之间。");
    const model::Term t = termFrom(firstDay, weeks, note);
    s.transaction([&] { model::writeTerm(s, t); });
    book.term = t;
    return done(note);
}

Result addAbsence(store::Store& s, const KbData& kb, CoverBook& book, Absence a)
{
    std::sort(a.jies.begin(), a.jies.end());
    a.jies.erase(std::unique(a.jies.begin(), a.jies.end()), a.jies.end());
    if (Result r = checkAbsence(kb, book, a); !r)
        return r;
    s.transaction([&] {
        model::createCoverTables(s);
        a.id = model::insertAbsence(s, a);
    });
    book.absences.push_back(std::move(a));
    return done();
}

Result removeAbsence(store::Store& s, CoverBook& book, std::int64_t id)
{
    auto it = std::find_if(book.absences.begin(), book.absences.end(), [&](const Absence& a) { return a.id == id; });
    if (it == book.absences.end())
        return refused("没有这条请假记录。");
    CoverBook after = book;
    after.absences.erase(after.absences.begin() + (it - book.absences.begin()));
    std::vector<std::int64_t> gone;
    for (const auto& c : book.covers)
        if (c.tea == it->tea && it->at(c.date, c.jie) && !absentAt(after, c.tea, c.date, c.jie))
            gone.push_back(c.id);
    s.transaction([&] {
        model::deleteAbsence(s, id);
        for (auto g : gone)
            model::deleteCover(s, g);
    });
    after.covers.erase(std::remove_if(after.covers.begin(), after.covers.end(),
                                      [&](const Cover& c) {
                                          return std::find(gone.begin(), gone.end(), c.id) != gone.end();
                                      }),
                       after.covers.end());
    book = std::move(after);
    return done();
}

std::vector<std::int64_t> coversDroppedByReplacing(const CoverBook& book, std::int64_t id, const Absence& a)
{
    std::vector<std::int64_t> gone;
    auto it = std::find_if(book.absences.begin(), book.absences.end(), [&](const Absence& x) { return x.id == id; });
    if (it == book.absences.end())
        return gone;
    CoverBook after = book;
    after.absences.erase(after.absences.begin() + (it - book.absences.begin()));
    after.absences.push_back(a);
    for (const auto& c : book.covers)
        if (c.tea == it->tea && it->at(c.date, c.jie) && !absentAt(after, c.tea, c.date, c.jie))
            gone.push_back(c.id);
    return gone;
}

Result replaceAbsence(store::Store& s, const KbData& kb, CoverBook& book, std::int64_t id, Absence a)
{
    auto it = std::find_if(book.absences.begin(), book.absences.end(), [&](const Absence& x) { return x.id == id; });
    if (it == book.absences.end())
        return refused("没有这条请假记录。");
    std::sort(a.jies.begin(), a.jies.end());
    a.jies.erase(std::unique(a.jies.begin(), a.jies.end()), a.jies.end());
    a.id = 0;
    CoverBook after = book;
    after.absences.erase(after.absences.begin() + (it - book.absences.begin()));
    if (Result r = checkAbsence(kb, after, a); !r)
        return r;
    // Correcting a reason or a date must not cost the covers already chosen: only those the
    // new version no longer asks for go, in the same transaction as the change itself.
    const std::vector<std::int64_t> gone = coversDroppedByReplacing(book, id, a);
    s.transaction([&] {
        model::deleteAbsence(s, id);
        a.id = model::insertAbsence(s, a);
        for (auto g : gone)
            model::deleteCover(s, g);
    });
    after.absences.push_back(std::move(a));
    std::erase_if(after.covers, [&](const Cover& c) { return std::find(gone.begin(), gone.end(), c.id) != gone.end(); });
    book = std::move(after);
    return done();
}

Result addCovers(store::Store& s, const KbData& kb, CoverBook& book, std::vector<Cover> covers)
{
    CoverBook next = book;
    for (auto& c : covers) {
        if (Result r = checkCover(kb, next, c); !r)
            return r;
        // A combined lesson is kept under its first class.
        const int slot = slotAt(kb, c.date, c.jie);
        const auto members = lessonAt(kb, kb.school.btk(c.ban, c.tea, c.ke), slot);
        c.ban = kb.school.RenkeBan[at(members.front())];
        c.ke = kb.school.RenkeKe[at(members.front())];
        if (c.kind != CoverKind::Swap) {
            c.swapDate = c.swapJie = c.swapKe = 0;
        }
        c.id = 0;
        next.covers.push_back(c);
    }
    s.transaction([&] {
        model::createCoverTables(s);
        for (std::size_t i = book.covers.size(); i < next.covers.size(); ++i)
            next.covers[i].id = model::insertCover(s, next.covers[i]);
    });
    book = std::move(next);
    return done();
}

Result removeCover(store::Store& s, CoverBook& book, std::int64_t id)
{
    auto it = std::find_if(book.covers.begin(), book.covers.end(), [&](const Cover& c) { return c.id == id; });
    if (it == book.covers.end())
        return refused("没有这条代课记录。");
    s.transaction([&] { model::deleteCover(s, id); });
    book.covers.erase(it);
    return done();
}

Result coverReport(const KbData& kb, const CoverBook& book, int from, int to, std::vector<TeaCoverCount>& out)
{
    out.clear();
    if (to < from)
        return refused(fmt::format("结束日期 {} 早于开始日期 {}。", model::dateText(to), model::dateText(from)));
    const auto& s = kb.school;
    const int P = s.P();
    std::map<int, std::map<std::string, CoverMonth>> counts;
    for (const auto& c : book.covers)
        if (c.kind != CoverKind::Swap && c.date >= from && c.date <= to && validTea(kb, c.by))
            ++counts[c.by][model::monthText(c.date)].given;
    std::unordered_set<std::int64_t> missed;  // (teacher, date, period) counted once
    for (const auto& a : book.absences) {
        if (!validTea(kb, a.tea))
            continue;
        for (int d = std::max(from, a.from); d <= std::min(to, a.to); ++d) {
            const int day = s.WeektoDay[at(model::weekdayOf(d))];
            if (day < 1)
                continue;
            for (int j = 1; j <= P; ++j) {
                if (!a.at(d, j) || kb.cellT(a.tea, model::slotOf(day, j, P)) < 0)
                    continue;
                const std::int64_t key = (std::int64_t(a.tea) * 4000000 + d) * 32 + j;
                if (missed.insert(key).second)
                    ++counts[a.tea][model::monthText(d)].missed;
            }
        }
    }
    for (auto& [t, months] : counts) {
        TeaCoverCount row;
        row.tea = t;
        for (auto& [m, c] : months) {
            c.month = m;
            row.given += c.given;
            row.missed += c.missed;
            row.months.push_back(c);
        }
        out.push_back(std::move(row));
    }
    return done();
}

}  // namespace tavrin::timetable
