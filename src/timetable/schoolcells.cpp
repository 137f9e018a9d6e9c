#include "timetable/schoolcells.h"

#include <algorithm>
#include <array>

namespace tavrin::timetable {

namespace {

// The colours as the forms give them, $BBGGRR; `schoolRgb` turns them round once.
constexpr std::array<std::uint32_t, static_cast<std::size_t>(SchoolColour::Count)> kBgr = {
    0x6D6D6D,  // Morning
    0x616161,  // Afternoon
    0x5E5E5E,  // Evening
    0xADADAD,  // Fixed
    0xEAEAEA,  // FixedText
    0x00C0F0,  // Locked
    0x0000DB,  // Hot
    0xFFFFFF,  // White
    0x000000,  // Black
    0xF6F6F6,  // RkMorning
    0xEAEAEA,  // RkAfternoon
    0xDDDDDD,  // RkEvening
    0x000000,  // Header
    0x484848,  // Body
    0x159F42,  // PickOk
    0xB6B6B6,  // PickRefused
    0x006C39,  // DragAccept
    0x0000FB,  // DragRefuse
    0x00CAA2,  // TargetAccept
    0xB6B8B8,  // TargetRefuse
};

constexpr std::uint32_t bgrToRgb(std::uint32_t c)
{
    return ((c & 0xFF) << 16) | (c & 0xFF00) | ((c >> 16) & 0xFF);
}

constexpr auto kRgb = [] {
    std::array<std::uint32_t, kBgr.size()> out{};
    for (std::size_t i = 0; i < kBgr.size(); ++i)
        out[i] = bgrToRgb(kBgr[i]);
    return out;
}();

bool flag(const std::vector<std::uint8_t>& v, int i)
{
    return i >= 1 && static_cast<std::size_t>(i) < v.size() && v[static_cast<std::size_t>(i)] != 0;
}

const std::string& name(const std::vector<std::string>& v, int i)
{
    static const std::string none;
    return i >= 0 && static_cast<std::size_t>(i) < v.size() ? v[static_cast<std::size_t>(i)] : none;
}

int sectionOf(const model::School& s, int slot)
{
    const auto& sec = s.slots.SlotSection;
    return slot >= 0 && static_cast<std::size_t>(slot) < sec.size() ? sec[static_cast<std::size_t>(slot)] : 1;
}

void setFlag(std::vector<char>& v, int i, bool on)
{
    if (i < 0)
        return;
    if (static_cast<std::size_t>(i) >= v.size())
        v.resize(static_cast<std::size_t>(i) + 1, 0);
    v[static_cast<std::size_t>(i)] = on ? 1 : 0;
}

}  // namespace

std::uint32_t schoolRgb(SchoolColour c)
{
    const auto i = static_cast<std::size_t>(c);
    return i < kRgb.size() ? kRgb[i] : 0;
}

std::uint32_t hoverRgb(std::uint32_t rgb)
{
    std::uint32_t out = 0;
    for (int shift = 0; shift <= 16; shift += 8) {
        const std::uint32_t ch = std::min<std::uint32_t>(((rgb >> shift) & 0xFF) + 0x40, 0xFF);
        out |= ch << shift;
    }
    return out;
}

void SchoolHot::setTea(int t, bool on)
{
    setFlag(tea, t, on);
}

void SchoolHot::setKe(int k, bool on)
{
    setFlag(ke, k, on);
}

SchoolCell schoolBanCell(const model::School& s, const model::Array2<int>& B, int ban, int slot, KbShow show,
                         const SchoolHot& hot)
{
    SchoolCell c;
    const bool banLock = flag(s.BanLocked, ban);
    if (s.GudinKe.inside(ban, slot) && !s.GudinKe(ban, slot).empty()) {
        const std::string& g = s.GudinKe(ban, slot);
        c.kind = SchoolCell::Kind::Fixed;
        c.text = g == "无课" ? std::string() : g;
        c.fill = banLock ? SchoolColour::Locked : SchoolColour::Fixed;
        c.textColour = SchoolColour::FixedText;
        c.live = !banLock;
        return c;
    }
    static constexpr SchoolColour sections[] = {SchoolColour::Morning, SchoolColour::Morning, SchoolColour::Afternoon,
                                                SchoolColour::Evening};
    const int sec = std::clamp(sectionOf(s, slot), 1, 3);
    c.fill = sections[sec];
    const int a = B.inside(ban, slot) ? B(ban, slot) : -1;
    if (!s.isRealRenke(a)) {
        if (banLock)
            c.fill = SchoolColour::Locked;
        c.live = !banLock;
        return c;
    }
    c.kind = SchoolCell::Kind::Lesson;
    c.renke = a;
    c.text = lessonText(s, a, KbSide::Ban, show);
    const int tea = s.RenkeTea[static_cast<std::size_t>(a)];
    const int ke = s.RenkeKe[static_cast<std::size_t>(a)];
    const bool locked = banLock || flag(s.TeaLocked, tea);
    c.live = !locked;
    c.draggable = !locked;
    if (locked)
        c.fill = SchoolColour::Locked;
    // A highlight shows across the whole school, locked rows included.
    if (hot.teaHot(tea) || hot.keHot(ke))
        c.fill = SchoolColour::Hot;
    return c;
}

SchoolCell schoolTeaCell(const model::School& s, const model::Array2<int>& T, int tea, int slot, KbShow show)
{
    SchoolCell c;
    static constexpr SchoolColour sections[] = {SchoolColour::RkMorning, SchoolColour::RkMorning,
                                                SchoolColour::RkAfternoon, SchoolColour::RkEvening};
    c.fill = flag(s.TeaLocked, tea) ? SchoolColour::Locked : sections[std::clamp(sectionOf(s, slot), 1, 3)];
    c.textColour = SchoolColour::Black;
    const int a = T.inside(tea, slot) ? T(tea, slot) : -1;
    if (!s.isRealRenke(a))
        return c;
    c.kind = SchoolCell::Kind::Lesson;
    c.renke = a;
    c.text = lessonText(s, a, KbSide::Tea, show);
    return c;
}

int teacherWeekCount(const model::School& s, const model::Array2<int>& T, int tea)
{
    return lessonCount(s, T, tea);
}

std::vector<int> teachersPerSlot(const model::School& s, const model::Array2<int>& T)
{
    std::vector<int> out(static_cast<std::size_t>(std::max(0, s.N())) + 1, 0);
    for (int t = 1; t <= s.TeaOldNum; ++t)
        for (int slot = 1; slot <= s.N(); ++slot)
            if (T.inside(t, slot) && s.isRealRenke(T(t, slot)))
                ++out[static_cast<std::size_t>(slot)];
    return out;
}

std::string oneLine(const std::string& text)
{
    std::string out;
    for (char c : text)
        if (c != '\n')
            out += c;
    return out;
}

std::string renderSchoolText(const KbData& kb, bool assignments)
{
    const model::School& s = kb.school;
    std::string out = assignments ? "总任课表" : "总课程表";
    for (int slot = 1; slot <= s.N(); ++slot) {
        const int d = s.slots.SlotDay[static_cast<std::size_t>(slot)];
        out += "\t" + dayHeader(s, d) + "第" + std::to_string(s.slots.SlotJie[static_cast<std::size_t>(slot)]) + "节";
    }
    if (assignments)
        out += "\t周课时";
    out += "\n";
    const int rows = assignments ? s.TeaOldNum : s.MaxBanID;
    for (int id = 1; id <= rows; ++id) {
        out += kbName(s, assignments ? KbSide::Tea : KbSide::Ban, id);
        for (int slot = 1; slot <= s.N(); ++slot) {
            const SchoolCell c = assignments ? schoolTeaCell(s, kb.gridT(), id, slot, {})
                                             : schoolBanCell(s, kb.gridB(), id, slot, {}, {});
            out += "\t" + oneLine(c.text);
        }
        if (assignments)
            out += "\t" + std::to_string(teacherWeekCount(s, kb.gridT(), id));
        out += "\n";
    }
    if (assignments) {
        out += "上课教师";
        const std::vector<int> per = teachersPerSlot(s, kb.gridT());
        for (int slot = 1; slot <= s.N(); ++slot)
            out += "\t" + std::to_string(per[static_cast<std::size_t>(slot)]);
        out += "\n";
    }
    return out;
}

std::string schoolCornerText()
{
    return "总\u3000课\n\n程\u3000表";
}

std::string assignCornerText()
{
    return "总\u3000任\n\n课\u3000表";
}

std::string slotHeader(const model::School& s, int slot)
{
    const auto& jie = s.slots.SlotJie;
    const int j = slot >= 0 && static_cast<std::size_t>(slot) < jie.size() ? jie[static_cast<std::size_t>(slot)] : 0;
    return periodHeader(s, j);
}

int SchoolGeometry::rowAt(int y) const
{
    if (y < 1)
        return 0;
    const int r = (y - 1) / (h + 1) + 1;
    return r <= rows && (y - 1) % (h + 1) < h ? r : 0;
}

int SchoolGeometry::slotAt(int x) const
{
    if (x < 1)
        return 0;
    const int s = (x - 1) / (w + 1) + 1;
    return s <= slots && (x - 1) % (w + 1) < w ? s : 0;
}

SchoolGeometry schoolGeometry(int bodyWidth, int rows, const model::WeekShape& week)
{
    SchoolGeometry g;
    g.rows = std::max(0, rows);
    g.slots = std::max(0, week.N());
    g.P = std::max(1, week.P());
    g.days = week.theDay;
    const int n = std::max(1, g.slots);
    g.w = std::max(49, (bodyWidth - 30) / n - 1);
    g.h = std::max(33, static_cast<int>(g.w * 0.67));
    return g;
}

KbRect dropImageRect(const SchoolGeometry& g, int row, int slot)
{
    const KbRect c = g.cell(row, slot);
    const KbRect last = g.cell(g.rows, g.slots);
    KbRect r{c.left, c.bottom() + 4, kDropImageW, kDropImageH};
    if (last.left < c.left + 200)
        r.left = c.left - 200;
    if (last.top < c.bottom() + 79)
        r.top = c.top - 90;
    return r;
}

std::vector<SchoolPickEntry> schoolPickEntries(const KbData& kb, int ban, int slot, KbShow show, bool* overflow)
{
    std::vector<SchoolPickEntry> out;
    const KbHolding held = listHolding(kb, KbSide::Ban, ban);
    if (overflow)
        *overflow = held.overflow;
    if (held.overflow)
        return out;
    const model::School& s = kb.school;
    for (int n = 1; n <= held.count; ++n) {
        SchoolPickEntry e;
        e.renke = held.TmpKe[static_cast<std::size_t>(n)];
        e.instance = held.TmpKeNo[static_cast<std::size_t>(n)];
        e.text = lessonText(s, e.renke, KbSide::Ban, show);
        const std::string refusal = BanToJ(kb, ban, e.renke, slot);
        if (!refusal.empty()) {
            e.hint = closeHint(refusal);
        } else if (heldLocked(kb, e.renke)) {
            // Placing it would change a locked teacher's timetable, as the class page says.
            const int tea = s.RenkeTea[static_cast<std::size_t>(e.renke)];
            e.hint = "会影响已锁定的" + (kb.teaLocked(tea) ? name(s.TeaName, tea) : name(s.BanName, ban)) + "。";
        } else {
            e.enabled = true;
        }
        out.push_back(std::move(e));
    }
    return out;
}

SchoolPicker::Click SchoolPicker::click(const KbData& kb, int ban, int slot, KbShow show)
{
    if (!kb.loaded || ban < 1 || ban > kb.school.MaxBanID || slot < 1 || slot > kb.N())
        return Click::Ignored;
    const SchoolCell cell = schoolBanCell(kb.school, kb.gridB(), ban, slot, show, {});
    if (!cell.live)
        return Click::Ignored;
    if (open_ && ban == ban_ && slot == slot_) {
        close();
        return Click::Closed;
    }
    close();
    ban_ = ban;
    slot_ = slot;
    if (cell.kind == SchoolCell::Kind::Fixed)
        return Click::Fixed;
    bool overflow = false;
    entries_ = schoolPickEntries(kb, ban, slot, show, &overflow);
    if (overflow)
        return Click::Overflow;
    open_ = true;
    return Click::Opened;
}

MoveOutcome SchoolPicker::choose(KbDocument& doc, std::size_t n)
{
    if (!open_ || n >= entries_.size()) {
        close();
        return {store::refused("没有这个待排的课。"), -1, {}};
    }
    const SchoolPickEntry chosen = entries_[n];
    const int ban = ban_, slot = slot_;
    close();
    // The list may describe a snapshot an undo or another page has since replaced.
    const KbData& kb = doc.data();
    const std::vector<SchoolPickEntry> now = schoolPickEntries(kb, ban, slot, {}, nullptr);
    const bool stillOffered = std::any_of(now.begin(), now.end(), [&](const SchoolPickEntry& e) {
        return e.renke == chosen.renke && e.enabled;
    });
    if (!chosen.enabled || !stillOffered)
        return {store::refused(chosen.hint.empty() ? "这节课已不在未排课中。" : chosen.hint), -1, {}};
    return ChnBanJ_Tmp(doc, ban, chosen.renke, slot, true);
}

KbDrag::Drop schoolDropOn(const KbDrag& drag, int ban, int slot)
{
    if (!drag.active() || drag.side() != KbSide::Ban || drag.fromHolding() || ban != drag.id())
        return KbDrag::Drop::Nothing;
    return drag.dropOn(slot);
}

MoveOutcome schoolDrop(KbDocument& doc, const KbDrag& drag, int ban, int slot, const std::function<bool()>& ask)
{
    switch (schoolDropOn(drag, ban, slot)) {
    case KbDrag::Drop::Nothing:
        return {store::refused("不能调到这里。"), -1, {}};
    case KbDrag::Drop::Ask:
        if (!ask || !ask())
            return {store::refused(kMoveQuestion), -1, {}};
        return drag.apply(doc, slot, true);
    case KbDrag::Drop::Apply:
        break;
    }
    return drag.apply(doc, slot, false);
}

MoveOutcome dropToHolding(KbDocument& doc, int ban, int slot, int x, int y)
{
    const KbData& kb = doc.data();
    if (!kb.loaded || ban < 1 || ban > kb.school.MaxBanID || slot < 1 || slot > kb.N())
        return MvKbToTmp(doc, KbSide::Ban, ban, slot);
    const int R = kb.cellB(ban, slot);
    if (!kb.school.isRealRenke(R))
        return MvKbToTmp(doc, KbSide::Ban, ban, slot);
    // The instance the lesson becomes among R's held lessons of the timetable being edited.
    const int k = std::max(0, kb.unplaced(R)) + 1;
    if (!kb.TmpPosX_B.inside(R, k) || !kb.TmpPosX_T.inside(R, k))
        return MvKbToTmp(doc, KbSide::Ban, ban, slot);
    const int oldBX = kb.TmpPosX_B(R, k), oldBY = kb.TmpPosY_B(R, k);
    const int oldTX = kb.TmpPosX_T(R, k), oldTY = kb.TmpPosY_T(R, k);
    const int bx = oldBX == 0 ? 3 * x : oldBX, by = oldBY == 0 ? y : oldBY;
    const int tx = oldBX == 0 ? 3 * x : oldTX, ty = oldBY == 0 ? y : oldTY;
    doc.setHoldingPlace(false, R, k, bx, by);
    doc.setHoldingPlace(true, R, k, tx, ty);
    MoveOutcome out = MvKbToTmp(doc, KbSide::Ban, ban, slot);
    if (!out.result) {
        doc.setHoldingPlace(false, R, k, oldBX, oldBY);
        doc.setHoldingPlace(true, R, k, oldTX, oldTY);
    }
    return out;
}

}  // namespace tavrin::timetable
