#include "timetable/cells.h"

#include <algorithm>

namespace tavrin::timetable {

namespace {

const std::string& at(const std::vector<std::string>& v, int i)
{
    static const std::string none;
    return i >= 0 && static_cast<std::size_t>(i) < v.size() ? v[static_cast<std::size_t>(i)] : none;
}

bool flag(const std::vector<std::uint8_t>& v, int i)
{
    return i >= 1 && static_cast<std::size_t>(i) < v.size() && v[static_cast<std::size_t>(i)] != 0;
}

bool realRenke(const model::School& s, int r)
{
    return s.isRealRenke(r);
}

int renkeBan(const model::School& s, int r)
{
    return s.RenkeBan[static_cast<std::size_t>(r)];
}
int renkeTea(const model::School& s, int r)
{
    return s.RenkeTea[static_cast<std::size_t>(r)];
}
int renkeKe(const model::School& s, int r)
{
    return s.RenkeKe[static_cast<std::size_t>(r)];
}

bool inRow(const model::Array2<int>& grid, int id, int slot)
{
    return grid.inside(id, slot);
}

}  // namespace

std::string lessonText(const model::School& school, int r, KbSide side, KbShow show)
{
    if (!realRenke(school, r))
        return {};
    const std::string& ke = at(school.KemuName, renkeKe(school, r));
    const std::string& name =
        side == KbSide::Ban ? at(school.TeaName, renkeTea(school, r)) : at(school.BanName, renkeBan(school, r));
    if (show.ke && show.name)
        return ke + "\n（" + name + "）";
    if (show.ke)
        return ke;
    if (show.name)
        return name;
    return {};
}

KbCell banCell(const model::School& school, const model::Array2<int>& B, int ban, int slot, KbShow show)
{
    KbCell c;
    const bool banLock = flag(school.BanLocked, ban);
    if (school.GudinKe.inside(ban, slot) && !school.GudinKe(ban, slot).empty()) {
        const std::string& g = school.GudinKe(ban, slot);
        c.text = g == "无课" ? std::string() : g;
        c.look = banLock ? KbLook::Locked : KbLook::Gudin;
        c.enabled = false;
        return c;
    }
    const int a = inRow(B, ban, slot) ? B(ban, slot) : -1;
    if (!realRenke(school, a)) {
        c.look = banLock ? KbLook::Locked : KbLook::Normal;
        return c;
    }
    c.renke = a;
    c.text = lessonText(school, a, KbSide::Ban, show);
    const bool locked = banLock || flag(school.TeaLocked, renkeTea(school, a));
    c.look = locked ? KbLook::Locked : KbLook::Normal;
    c.draggable = !locked;
    return c;
}

KbCell teaCell(const model::School& school, const model::Array2<int>& T, int tea, int slot, KbShow show)
{
    KbCell c;
    const bool teaLock = flag(school.TeaLocked, tea);
    const int a = inRow(T, tea, slot) ? T(tea, slot) : -1;
    if (!realRenke(school, a)) {
        c.look = teaLock ? KbLook::Locked : KbLook::Normal;
        return c;
    }
    c.renke = a;
    c.text = lessonText(school, a, KbSide::Tea, show);
    const bool locked = teaLock || flag(school.BanLocked, renkeBan(school, a));
    c.look = locked ? KbLook::Locked : KbLook::Normal;
    c.draggable = !locked;
    return c;
}

int lessonCount(const model::School& school, const model::Array2<int>& grid, int id)
{
    int n = 0;
    for (int s = 1; s <= school.N(); ++s)
        if (inRow(grid, id, s) && realRenke(school, grid(id, s)))
            ++n;
    return n;
}

std::string kbName(const model::School& school, KbSide side, int id)
{
    return side == KbSide::Ban ? at(school.BanName, id) : at(school.TeaName, id);
}

std::string kbTitle(const model::School& school, const model::Array2<int>& grid, KbSide side, int id)
{
    return kbName(school, side, id) + " " + std::to_string(lessonCount(school, grid, id)) + "节";
}

std::string kbTitle(const KbData& kb, KbSide side, int id)
{
    const int placed = lessonCount(kb.school, side == KbSide::Ban ? kb.gridB() : kb.gridT(), id);
    const int held = listHolding(kb, side, id).count;
    if (held <= 0)
        return kbName(kb.school, side, id) + " " + std::to_string(placed) + "节";
    return kbName(kb.school, side, id) + " " + std::to_string(placed) + "/" + std::to_string(placed + held) +
           "节 · " + std::to_string(held) + "节未排";
}

std::string periodHeader(const model::School& school, int j)
{
    std::string s = "第" + std::to_string(j) + "节";
    if (j >= 1 && static_cast<std::size_t>(j) < school.TimeStr.size() && !school.TimeStr[static_cast<std::size_t>(j)].empty())
        s += "\n" + school.TimeStr[static_cast<std::size_t>(j)];
    return s;
}

std::string dayHeader(const model::School& school, int d)
{
    if (d < 1 || d > model::kMaxDays)
        return {};
    const int w = school.DayToWeek[static_cast<std::size_t>(d)];
    return w >= 1 && w <= model::kMaxDays ? school.WeekName[static_cast<std::size_t>(w)] : std::string();
}

std::vector<int> heldCounts(const KbData& kb, KbSide side)
{
    const model::School& s = kb.school;
    std::vector<int> counts(static_cast<std::size_t>(std::max(0, side == KbSide::Ban ? s.MaxBanID : s.TeaOldNum)) + 1, 0);
    if (!kb.loaded)
        return counts;
    for (int a = 0; a < s.RenKeNum && a < s.renkeSize(); ++a) {
        const int owner = side == KbSide::Ban ? renkeBan(s, a) : renkeTea(s, a);
        if (owner >= 1 && owner < static_cast<int>(counts.size()))
            counts[static_cast<std::size_t>(owner)] += std::max(0, kb.unplaced(a));
    }
    return counts;
}

KbHolding listHolding(const KbData& kb, KbSide side, int id)
{
    const model::School& s = kb.school;
    const int N = s.N();
    KbHolding h;
    h.TmpKe.assign(static_cast<std::size_t>(N) + 1, -1);
    h.TmpKeNo.assign(static_cast<std::size_t>(N) + 1, 0);
    if (!kb.loaded)
        return h;
    int n = 0;
    for (int a = 0; a < s.RenKeNum && a < s.renkeSize(); ++a) {
        const int owner = side == KbSide::Ban ? renkeBan(s, a) : renkeTea(s, a);
        if (owner != id)
            continue;
        for (int left = kb.unplaced(a); left > 0; --left) {
            ++n;
            if (n > N) {
                h.overflow = true;
                h.count = N;
                return h;
            }
            const auto i = static_cast<std::size_t>(n);
            h.TmpKe[i] = a;
            h.TmpKeNo[i] = n > 1 && h.TmpKe[i - 1] == a ? h.TmpKeNo[i - 1] + 1 : 1;
        }
    }
    h.count = n;
    return h;
}

const char* holdingOverflowText(KbSide side)
{
    return side == KbSide::Ban ? "该班未排课节太多，可能是课节空间未够容纳任课，未能全部列出！"
                               : "该教师未排课节太多，可能是课节空间未够容纳任课，未能全部列出！";
}

std::vector<KbRect> placeHolding(const KbHolding& h, model::Array2<int>& posX, model::Array2<int>& posY, int w, int hgt,
                                 int areaWidth)
{
    std::vector<KbRect> out(static_cast<std::size_t>(h.count) + 1);
    KbFlow flow(w, hgt, areaWidth);
    for (int n = 1; n <= h.count; ++n) {
        const auto i = static_cast<std::size_t>(n);
        const int a = h.TmpKe[i], k = h.TmpKeNo[i];
        const bool known = posX.inside(a, k) && posY.inside(a, k);
        if (known && posX(a, k) + posY(a, k) >= 10) {
            out[i] = {posX(a, k), posY(a, k), w, hgt};
            continue;
        }
        out[i] = flow.next();
        if (known) {
            posX(a, k) = out[i].left;
            posY(a, k) = out[i].top;
        }
    }
    return out;
}

void scaleHoldingPlaces(model::Array2<int>& posX, model::Array2<int>& posY, int oldW, int oldH, int newW, int newH)
{
    if (oldW <= 0 || oldH <= 0 || (oldW == newW && oldH == newH))
        return;
    for (int a = 0; a < posX.size1(); ++a)
        for (int k = 0; k < posX.size2(); ++k) {
            if (posX(a, k) + posY(a, k) < 10)
                continue;
            posX(a, k) = static_cast<int>(static_cast<long long>(posX(a, k)) * newW / oldW);
            posY(a, k) = static_cast<int>(static_cast<long long>(posY(a, k)) * newH / oldH);
        }
}

bool heldLocked(const KbData& kb, int r)
{
    const model::School& s = kb.school;
    if (!realRenke(s, r))
        return false;
    auto lockedLesson = [&](int a) { return kb.banLocked(renkeBan(s, a)) || kb.teaLocked(renkeTea(s, a)); };
    if (lockedLesson(r))
        return true;
    // A combined lesson is placed in every class of its group at once.
    const auto i = static_cast<std::size_t>(r);
    if (s.RenkeHeban[i] <= 0)
        return false;
    for (int o = 0; o < s.renkeSize(); ++o) {
        const auto j = static_cast<std::size_t>(o);
        if (o != r && realRenke(s, o) && s.RenkeHeban[j] == s.RenkeHeban[i] && s.RenkeTea[j] == s.RenkeTea[i] &&
            lockedLesson(o))
            return true;
    }
    return false;
}

KbCell heldCell(const KbData& kb, int r, KbSide side, KbShow show)
{
    KbCell c;
    if (!realRenke(kb.school, r))
        return c;
    c.renke = r;
    c.text = lessonText(kb.school, r, side, show);
    const bool locked = heldLocked(kb, r);
    c.look = locked ? KbLook::Locked : KbLook::Normal;
    c.draggable = !locked;
    return c;
}

int findPickerItem(const std::vector<std::string>& items, const std::string& text)
{
    if (text.empty() || text == "查找班级" || text == "查找教师")
        return -1;
    // UTF-8 never matches in the middle of a character, so a byte search finds whole names.
    for (std::size_t i = 0; i < items.size(); ++i)
        if (items[i].find(text) != std::string::npos)
            return static_cast<int>(i);
    return -1;
}

int goToTarget(const model::School& school, int r, KbSide side)
{
    if (!realRenke(school, r))
        return 0;
    return side == KbSide::Ban ? renkeTea(school, r) : renkeBan(school, r);
}

std::string goToCaption(const model::School& school, KbSide side, int target)
{
    const KbSide other = side == KbSide::Ban ? KbSide::Tea : KbSide::Ban;
    return "打开“" + kbName(school, other, target) + "”(&A)";
}

}  // namespace tavrin::timetable
