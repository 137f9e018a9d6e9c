#include "timetable/kbdrag.h"

namespace tavrin::timetable {

namespace {

std::size_t at(int i) { return static_cast<std::size_t>(i); }

bool validId(const KbData& kb, KbSide side, int id)
{
    return kb.loaded && id >= 1 && id <= (side == KbSide::Ban ? kb.school.MaxBanID : kb.school.TeaOldNum);
}

const std::string kNoHint;

}  // namespace

bool KbDrag::startCell(const KbData& kb, KbSide side, int id, int slot)
{
    end();
    if (!validId(kb, side, id) || slot < 1 || slot > kb.N())
        return false;
    const KbCell cell = side == KbSide::Ban ? banCell(kb.school, kb.gridB(), id, slot, {})
                                             : teaCell(kb.school, kb.gridT(), id, slot, {});
    if (!cell.draggable || cell.renke < 0)
        return false;
    marks_ = side == KbSide::Ban ? ShowMvKe_B(kb, id, slot) : ShowMvKe_T(kb, id, slot);
    active_ = true;
    side_ = side;
    id_ = id;
    slot_ = slot;
    renke_ = cell.renke;
    return true;
}

bool KbDrag::startHeld(const KbData& kb, KbSide side, int id, const KbHolding& held, int entry)
{
    end();
    if (!validId(kb, side, id) || entry < 1 || entry > held.count)
        return false;
    const int r = held.TmpKe[at(entry)];
    if (r < 0 || heldLocked(kb, r))
        return false;
    marks_ = side == KbSide::Ban ? ShowAddKe_B(kb, id, r) : ShowAddKe_T(kb, id, r);
    active_ = true;
    side_ = side;
    id_ = id;
    entry_ = entry;
    renke_ = r;
    instance_ = held.TmpKeNo[at(entry)];
    return true;
}

void KbDrag::end()
{
    active_ = false;
    slot_ = entry_ = instance_ = over_ = 0;
    renke_ = -1;
    id_ = 0;
    marks_ = {};
}

int KbDrag::mark(int slot) const
{
    return active_ && slot >= 1 && at(slot) < marks_.mark.size() ? marks_.mark[at(slot)] : MarkSource;
}

const std::string& KbDrag::hint(int slot) const
{
    return active_ && slot >= 1 && at(slot) < marks_.hint.size() ? marks_.hint[at(slot)] : kNoHint;
}

bool KbDrag::accepts(int slot) const
{
    if (!active_ || slot < 1 || at(slot) >= marks_.mark.size())
        return false;
    // Mark 0 also marks targets in a locked timetable: only the source takes that drop.
    const int m = marks_.mark[at(slot)];
    return m == MarkOk || m == MarkWarn || slot == slot_;
}

std::optional<KbLook> KbDrag::look(int slot) const
{
    if (!active_ || slot < 1 || at(slot) >= marks_.mark.size())
        return std::nullopt;
    if (slot == slot_)
        return KbLook::Blank;
    if (slot == over_ && accepts(slot))
        return KbLook::FromKe;
    if (marks_.locked[at(slot)])
        return KbLook::Locked;
    if (marks_.fixed[at(slot)])
        return KbLook::Gudin;
    switch (marks_.mark[at(slot)]) {
    case MarkOk:
        return KbLook::OkPai;
    case MarkWarn:
        return KbLook::LimPai;
    case MarkRefused:
        return KbLook::No;
    case MarkSame:
        return KbLook::SamKe;
    default:
        return std::nullopt;
    }
}

std::vector<std::optional<KbLook>> KbDrag::looks() const
{
    std::vector<std::optional<KbLook>> out(marks_.mark.size());
    for (std::size_t s = 1; s < out.size(); ++s)
        out[s] = look(static_cast<int>(s));
    return out;
}

int KbDrag::setOver(int slot)
{
    const int before = over_;
    over_ = active_ && slot >= 1 && at(slot) < marks_.mark.size() ? slot : 0;
    return before;
}

KbDrag::Drop KbDrag::dropOn(int slot) const
{
    if (!active_ || slot == slot_ || !accepts(slot))
        return Drop::Nothing;
    return mark(slot) == MarkWarn ? Drop::Ask : Drop::Apply;
}

MoveOutcome KbDrag::apply(KbDocument& doc, int slot, bool confirmed) const
{
    if (dropOn(slot) == Drop::Nothing)
        return {store::refused("不能调到这里。"), -1, {}};
    if (side_ == KbSide::Ban)
        return entry_ > 0 ? ChnBanJ_Tmp(doc, id_, renke_, slot, confirmed) : ChnBanJ(doc, id_, slot_, slot, confirmed);
    return entry_ > 0 ? ChnTeaJ_Tmp(doc, id_, renke_, slot, confirmed) : ChnTeaJ(doc, id_, slot_, slot, confirmed);
}

}  // namespace tavrin::timetable
