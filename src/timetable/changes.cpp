#include "timetable/changes.h"

#include <algorithm>
#include <map>
#include <utility>

#include "timetable/utf8.h"

namespace tavrin::timetable {
namespace {

std::size_t at(int i) { return static_cast<std::size_t>(i); }

// ---- UTF-8 characters

// Code points that never stand alone: they belong to the character before them.
bool extends(char32_t c)
{
    return (c >= 0x0300 && c <= 0x036F) || (c >= 0x1AB0 && c <= 0x1AFF) || (c >= 0x1DC0 && c <= 0x1DFF) ||
           (c >= 0x20D0 && c <= 0x20FF) || (c >= 0xFE20 && c <= 0xFE2F) ||  // combining marks
           (c >= 0xFE00 && c <= 0xFE0F) || (c >= 0xE0100 && c <= 0xE01EF) ||  // variation selectors
           (c >= 0x1F3FB && c <= 0x1F3FF) ||                                  // skin tones
           (c >= 0xE0020 && c <= 0xE007F) ||                                  // tag characters
           c == 0x200D || c == 0x3099 || c == 0x309A;
}

bool regional(char32_t c) { return c >= 0x1F1E6 && c <= 0x1F1FF; }

struct CodePoint {
    char32_t c;
    std::size_t begin, end;
};

std::vector<CodePoint> codePoints(const std::string& s)
{
    std::vector<CodePoint> out;
    for (std::size_t i = 0; i < s.size();) {
        std::size_t len = 1;
        const char32_t c = decodeUtf8At(s, i, len);
        out.push_back({c, i, i + len});
        i += len;
    }
    return out;
}

// Splits code points into whole characters: [begin, end) byte ranges.
std::vector<std::pair<std::size_t, std::size_t>> characters(const std::string& s)
{
    std::vector<std::pair<std::size_t, std::size_t>> out;
    const auto cps = codePoints(s);
    for (std::size_t i = 0; i < cps.size();) {
        std::size_t j = i + 1;
        if (regional(cps[i].c) && j < cps.size() && regional(cps[j].c))
            ++j;  // a flag is a pair of regional indicators
        while (j < cps.size()) {
            if (extends(cps[j].c)) {
                // A joiner takes the next code point into the same character.
                if (cps[j].c == 0x200D && j + 1 < cps.size())
                    ++j;
                ++j;
            } else {
                break;
            }
        }
        out.emplace_back(cps[i].begin, cps[j - 1].end);
        i = j;
    }
    return out;
}

}  // namespace

std::string firstCharacter(const std::string& utf8)
{
    const auto chars = characters(utf8);
    if (chars.empty())
        return {};
    return utf8.substr(chars.front().first, chars.front().second - chars.front().first);
}

std::string lastCharacter(const std::string& utf8)
{
    const auto chars = characters(utf8);
    if (chars.empty())
        return {};
    return utf8.substr(chars.back().first, chars.back().second - chars.back().first);
}

std::string subjectAbbrev(const model::School& school, int ke)
{
    if (ke < 1 || ke >= static_cast<int>(school.KemuName.size()))
        return {};
    if (ke < static_cast<int>(school.KemuName2.size()) && !school.KemuName2[at(ke)].empty())
        return school.KemuName2[at(ke)];
    return firstCharacter(school.KemuName[at(ke)]);
}

std::string lessonAbbrev(const model::School& school, int r)
{
    return school.isRealRenke(r) ? subjectAbbrev(school, school.RenkeKe[at(r)]) : std::string();
}

std::string miniDayHeader(const model::School& school, int day)
{
    if (day < 1 || day > school.theDay)
        return {};
    return lastCharacter(school.WeekName[school.DayToWeek[at(day)]]);
}

// ---- the change computation

ChangeFinder::ChangeFinder(const model::School& school)
    : maxBan_(school.MaxBanID), teaNum_(school.TeaOldNum), N_(school.N())
{
    const int R = school.renkeSize();
    key_.assign(at(R), -1);
    classes_.assign(at(R), {});
    std::map<std::pair<int, int>, int> groups;  // (teacher, group) -> its first member
    for (int r = 0; r < R; ++r) {
        if (!school.isRealRenke(r))
            continue;
        int k = r;
        if (school.RenkeHeban[at(r)] > 0)
            k = groups.try_emplace({school.RenkeTea[at(r)], school.RenkeHeban[at(r)]}, r).first->second;
        key_[at(r)] = k;
        auto& cls = classes_[at(k)];
        const int ban = school.RenkeBan[at(r)];
        if (std::find(cls.begin(), cls.end(), ban) == cls.end())
            cls.insert(std::upper_bound(cls.begin(), cls.end(), ban), ban);
    }
    head_.assign(at(R), -1);
    tail_.assign(at(R), -1);
    next_.assign(at(N_) + 2, -1);
    differ_.reserve(at(N_));
}

const std::vector<int>& ChangeFinder::classesOf(int r) const
{
    static const std::vector<int> none;
    const int k = key(r);
    return k < 0 ? none : classes_[at(k)];
}

namespace {

bool rowDiffers(const ChangeFinder& f, const model::Array2<int>& B, const model::Array2<int>& C, int row, int N)
{
    if (!B.inside(row, N) || !C.inside(row, N))
        return false;
    const int* b = B.row(row);
    const int* c = C.row(row);
    for (int s = 1; s <= N; ++s)
        if (b[s] != c[s] && f.key(b[s]) != f.key(c[s]))
            return true;
    return false;
}

}  // namespace

bool ChangeFinder::banChanged(KbGridsRef baseline, KbGridsRef now, int ban) const
{
    return rowDiffers(*this, baseline.B, now.B, ban, N_);
}

bool ChangeFinder::teaChanged(KbGridsRef baseline, KbGridsRef now, int tea) const
{
    return rowDiffers(*this, baseline.T, now.T, tea, N_);
}

// The k-th slot a lesson left pairs with the k-th slot it arrived at, both in slot order:
// the arrivals wait in one queue per lesson key, and each departure takes the head of its
// lesson's queue. One pass over the row and one over its differences, whatever the
// number of lessons.
void ChangeFinder::pairRow(const model::Array2<int>& B, const model::Array2<int>& C, int row,
                           std::vector<MovedLesson>& out)
{
    const int* b = B.row(row);
    const int* c = C.row(row);
    // One pass queues the arrivals and remembers the differing slots; the departures are
    // then read from those alone.
    differ_.clear();
    for (int s = 1; s <= N_; ++s) {
        if (b[s] == c[s])
            continue;
        const int kb = key(b[s]), kc = key(c[s]);
        if (kb == kc)
            continue;
        differ_.push_back(s);
        if (kc < 0)
            continue;
        if (head_[at(kc)] < 0) {
            head_[at(kc)] = s;
            touched_.push_back(kc);
        } else {
            next_[at(tail_[at(kc)])] = s;
        }
        tail_[at(kc)] = s;
        next_[at(s)] = -1;
    }
    for (int s : differ_) {
        const int kb = key(b[s]);
        if (kb < 0)
            continue;
        int to = 0;
        if (head_[at(kb)] >= 0) {
            to = head_[at(kb)];
            head_[at(kb)] = next_[at(to)];
        }
        out.push_back({b[s], s, to});
    }
    for (int k : touched_)
        head_[at(k)] = tail_[at(k)] = -1;
    touched_.clear();
}

std::vector<ChangedTable> ChangeFinder::find(KbGridsRef baseline, KbGridsRef now, bool withMoves)
{
    std::vector<ChangedTable> out;
    auto scan = [&](KbSide side, int count, const model::Array2<int>& B, const model::Array2<int>& C) {
        for (int id = 1; id <= count; ++id) {
            if (!rowDiffers(*this, B, C, id, N_))
                continue;
            ChangedTable t;
            t.side = side;
            t.id = id;
            if (withMoves)
                pairRow(B, C, id, t.moves);
            out.push_back(std::move(t));
        }
    };
    scan(KbSide::Ban, maxBan_, baseline.B, now.B);
    scan(KbSide::Tea, teaNum_, baseline.T, now.T);
    return out;
}

std::vector<ChangedTable> FindChanges(const model::School& school, KbGridsRef baseline, KbGridsRef now, bool withMoves)
{
    ChangeFinder f(school);
    return f.find(baseline, now, withMoves);
}

std::vector<ChangedTable> FindChanges(const KbData& kb, bool withMoves)
{
    if (!kb.loaded)
        return {};
    return FindChanges(kb.school, {kb.base.Renke_B, kb.base.Renke_T}, {kb.gridB(), kb.gridT()}, withMoves);
}

std::string slotTimeText(const model::School& school, int slot)
{
    if (slot < 1 || slot > school.N())
        return {};
    const int d = school.slots.SlotDay[at(slot)];
    return school.WeekName[school.DayToWeek[at(d)]] + "第" + std::to_string(school.slots.SlotJie[at(slot)]) + "节";
}

std::string movedClassText(const ChangeFinder& finder, const model::School& school, int r, KbSide side)
{
    if (!school.isRealRenke(r))
        return {};
    if (side == KbSide::Ban)
        return school.BanName[at(school.RenkeBan[at(r)])];
    std::string out;
    for (int ban : finder.classesOf(r))
        out += (out.empty() ? "" : "、") + school.BanName[at(ban)];
    return out;
}

std::string changedCaption(const model::School& school, const ChangedTable& t)
{
    return kbName(school, t.side, t.id);
}

namespace {

// The first id whose name differs between two name lists, as a sentence; empty when none.
std::string namesDiffer(const char* what, const std::vector<std::string>& a, int countA, const std::vector<std::string>& b,
                        int countB)
{
    if (countA != countB)
        return std::string(what) + "数目不同（" + std::to_string(countA) + " 与 " + std::to_string(countB) + "）";
    for (int id = 1; id <= countA; ++id) {
        const std::string& x = id < static_cast<int>(a.size()) ? a[at(id)] : std::string();
        const std::string& y = id < static_cast<int>(b.size()) ? b[at(id)] : std::string();
        if (x != y)
            return std::string(what) + " " + std::to_string(id) + " 的名称不同（“" + x + "”与“" + y + "”）";
    }
    return {};
}

}  // namespace

std::string schoolDifference(const model::School& a, const model::School& b)
{
    if (a.DaySel != b.DaySel)
        return "上课的日期不同";
    if (a.mor != b.mor || a.aft != b.aft || a.nig != b.nig)
        return "每天的节数不同（上午、下午、晚上 " + std::to_string(a.mor) + "、" + std::to_string(a.aft) + "、" +
               std::to_string(a.nig) + " 与 " + std::to_string(b.mor) + "、" + std::to_string(b.aft) + "、" +
               std::to_string(b.nig) + "）";
    if (auto d = namesDiffer("班级", a.BanName, a.MaxBanID, b.BanName, b.MaxBanID); !d.empty())
        return d;
    if (auto d = namesDiffer("教师", a.TeaName, a.TeaOldNum, b.TeaName, b.TeaOldNum); !d.empty())
        return d;
    return namesDiffer("科目", a.KemuName, a.KemuOldNum, b.KemuName, b.KemuOldNum);
}

// ---- the side panels

std::vector<int> banPanelTeachers(const model::School& school, const model::Array2<int>& B, int ban)
{
    std::vector<int> out;
    const int N = school.N();
    if (ban < 1 || !B.inside(ban, N))
        return out;
    // The earliest lesson of each subject, in one pass over the row.
    std::vector<int> first(at(school.KemuOldNum) + 1, -1);
    for (int s = 1; s <= N; ++s) {
        const int r = B(ban, s);
        if (!school.isRealRenke(r))
            continue;
        const int ke = school.RenkeKe[at(r)];
        if (ke >= 0 && ke <= school.KemuOldNum && first[at(ke)] < 0)
            first[at(ke)] = r;
    }
    for (int ke = 1; ke <= school.KemuOldNum && static_cast<int>(out.size()) < kMaxMiniPanels; ++ke) {
        if (first[at(ke)] < 0)
            continue;
        const int tea = school.RenkeTea[at(first[at(ke)])];
        if (std::find(out.begin(), out.end(), tea) == out.end())
            out.push_back(tea);
    }
    return out;
}

std::vector<int> teaPanelClasses(const ChangeFinder& finder, const model::School& school, const model::Array2<int>& T,
                                 int tea)
{
    std::vector<int> out;
    const int N = school.N();
    if (tea < 1 || !T.inside(tea, N))
        return out;
    std::vector<char> seen(at(school.MaxBanID) + 1, 0);
    for (int s = 1; s <= N; ++s)
        for (int ban : finder.classesOf(T(tea, s)))
            if (ban >= 0 && ban <= school.MaxBanID)
                seen[at(ban)] = 1;
    for (int ban = 1; ban <= school.MaxBanID && static_cast<int>(out.size()) < kMaxMiniPanels; ++ban)
        if (seen[at(ban)])
            out.push_back(ban);
    return out;
}

std::vector<MiniCell> miniPanelCells(const ChangeFinder& finder, const model::School& school, KbGridsRef now,
                                     KbSide page, int ban, int tea)
{
    const int N = school.N();
    std::vector<MiniCell> out(at(N) + 1);
    if (!now.B.inside(ban, N) || !now.T.inside(tea, N) || ban < 1 || tea < 1)
        return out;
    for (int s = 1; s <= N; ++s) {
        MiniCell& cell = out[at(s)];
        const int r = page == KbSide::Ban ? now.T(tea, s) : now.B(ban, s);
        if (!school.isRealRenke(r))
            continue;
        cell.r = r;
        cell.text = lessonAbbrev(school, r);
        cell.own = page == KbSide::Ban ? finder.key(r) == finder.key(now.B(ban, s)) : school.RenkeTea[at(r)] == tea;
    }
    return out;
}

}  // namespace tavrin::timetable
