#include "timetable/kbdocument.h"

#include <algorithm>
#include <array>
#include <utility>

#include "timetable/cells.h"

namespace tavrin::timetable {

void KbDocument::load(store::Store& store)
{
    LoadKbData(store, kb_);
    notify(KbChange::of(KbChange::Kind::Loaded));
}

void KbDocument::start(model::School school, model::Grids grids)
{
    startKbData(kb_, std::move(school), std::move(grids));
    notify(KbChange::of(KbChange::Kind::Loaded));
}

void KbDocument::free()
{
    FreeKbData(kb_);
    notify(KbChange::of(KbChange::Kind::Freed));
}

store::Result KbDocument::save(store::Store& store)
{
    store::Result r = SaveKbData(store, kb_);
    if (kb_.loaded && r.ok)
        notify(KbChange::of(KbChange::Kind::Saved));
    return r;
}

void KbDocument::setBanLocked(int ban, bool on)
{
    auto& v = kb_.school.BanLocked;
    if (!kb_.loaded || ban < 1 || static_cast<std::size_t>(ban) >= v.size())
        return;
    v[static_cast<std::size_t>(ban)] = on ? 1 : 0;
    KbChange c = KbChange::of(KbChange::Kind::Lock);
    c.bans = {ban};
    notify(c);
}

void KbDocument::setTeaLocked(int tea, bool on)
{
    auto& v = kb_.school.TeaLocked;
    if (!kb_.loaded || tea < 1 || static_cast<std::size_t>(tea) >= v.size())
        return;
    v[static_cast<std::size_t>(tea)] = on ? 1 : 0;
    KbChange c = KbChange::of(KbChange::Kind::Lock);
    c.teas = {tea};
    notify(c);
}

void KbDocument::lockAllBans()
{
    if (!kb_.loaded)
        return;
    KbChange c = KbChange::of(KbChange::Kind::Lock);
    auto& v = kb_.school.BanLocked;
    for (int ban = 1; ban <= kb_.school.MaxBanID && static_cast<std::size_t>(ban) < v.size(); ++ban)
        if (!v[static_cast<std::size_t>(ban)]) {
            v[static_cast<std::size_t>(ban)] = 1;
            c.bans.push_back(ban);
        }
    if (!c.bans.empty())
        notify(c);
}

void KbDocument::unlockAll()
{
    if (!kb_.loaded)
        return;
    KbChange c = KbChange::of(KbChange::Kind::Lock);
    auto clear = [](auto& v, int last, std::vector<int>& out) {
        for (int id = 1; id <= last && static_cast<std::size_t>(id) < v.size(); ++id)
            if (v[static_cast<std::size_t>(id)]) {
                v[static_cast<std::size_t>(id)] = 0;
                out.push_back(id);
            }
    };
    clear(kb_.school.BanLocked, kb_.school.MaxBanID, c.bans);
    clear(kb_.school.TeaLocked, kb_.school.TeaOldNum, c.teas);
    if (!c.bans.empty() || !c.teas.empty())
        notify(c);
}

void KbDocument::scaleHoldingPlaces(int oldW, int oldH, int newW, int newH)
{
    timetable::scaleHoldingPlaces(kb_.TmpPosX_B, kb_.TmpPosY_B, oldW, oldH, newW, newH);
    timetable::scaleHoldingPlaces(kb_.TmpPosX_T, kb_.TmpPosY_T, oldW, oldH, newW, newH);
}

void KbDocument::setHoldingPlace(bool tea, int r, int k, int x, int y)
{
    auto& X = tea ? kb_.TmpPosX_T : kb_.TmpPosX_B;
    auto& Y = tea ? kb_.TmpPosY_T : kb_.TmpPosY_B;
    // An instance past the assignment's weekly count names no lesson that can be held.
    if (!kb_.loaded || r < 0 || r >= kb_.school.renkeSize() || k < 1 ||
        k > kb_.school.RenkeJieshu[static_cast<std::size_t>(r)] || !X.inside(r, k))
        return;
    X(r, k) = x;
    Y(r, k) = y;
    notify(KbChange::of(KbChange::Kind::Holding));
}

void KbDocument::holdingAfterPlacement(int r, int k, int displaced, int heldBefore)
{
    const model::School& s = kb_.school;
    if (!kb_.loaded || r < 0 || r >= s.renkeSize() || k < 1 || !kb_.TmpPosX_B.inside(r, k))
        return;
    const int last = kb_.TmpPosX_B.size2() - 1;
    // Each page shifts its own places, and on each the displaced lesson takes the place the
    // placed one had there.
    std::array<std::pair<int, int>, 2> placedAt{};
    for (int side = 0; side < 2; ++side) {
        auto& X = side ? kb_.TmpPosX_T : kb_.TmpPosX_B;
        auto& Y = side ? kb_.TmpPosY_T : kb_.TmpPosY_B;
        const int px = X(r, k), py = Y(r, k);
        placedAt[static_cast<std::size_t>(side)] = {px, py};
        for (int i = k; i <= last; ++i) {
            const bool more = i < last;
            X(r, i) = more ? X(r, i + 1) : 0;
            Y(r, i) = more ? Y(r, i + 1) : 0;
            if (X(r, i) == 0 && Y(r, i) == 0) {
                X(r, i) = px;
                Y(r, i) = py;
                break;
            }
        }
    }
    if (displaced >= 0 && displaced < s.renkeSize() && kb_.TmpPosX_B.inside(displaced, heldBefore + 1))
        for (int side = 0; side < 2; ++side) {
            auto& X = side ? kb_.TmpPosX_T : kb_.TmpPosX_B;
            auto& Y = side ? kb_.TmpPosY_T : kb_.TmpPosY_B;
            X(displaced, heldBefore + 1) = placedAt[static_cast<std::size_t>(side)].first;
            Y(displaced, heldBefore + 1) = placedAt[static_cast<std::size_t>(side)].second;
        }
    notify(KbChange::of(KbChange::Kind::Holding));
}

std::vector<KbRect> KbDocument::placeHolding(const KbHolding& held, bool tea, int w, int h, int areaWidth)
{
    return timetable::placeHolding(held, tea ? kb_.TmpPosX_T : kb_.TmpPosX_B, tea ? kb_.TmpPosY_T : kb_.TmpPosY_B, w, h,
                                   areaWidth);
}

KbChange KbDocument::apply(int record, const Edit& edit)
{
    if (!kb_.loaded)
        return KbChange::of(KbChange::Kind::Step, record);
    // Opening: the next snapshot, giving up the oldest when the ring is full.
    const int prev = kb_.AtdoNum;
    kb_.AtdoNum = ringNext(prev);
    if (kb_.AtdoNum == kb_.UndoFirst)
        kb_.UndoFirst = ringNext(kb_.AtdoNum);
    kb_.UndoKb[static_cast<std::size_t>(kb_.AtdoNum)] = record;
    // `CopyUndoArr`: into the snapshot already there (same size, so the copy reuses its
    // storage and a step allocates nothing).
    const auto p = static_cast<std::size_t>(prev), n = static_cast<std::size_t>(kb_.AtdoNum);
    kb_.Renke_B_undo[n] = kb_.Renke_B_undo[p];
    kb_.Renke_T_undo[n] = kb_.Renke_T_undo[p];
    kb_.RenkePlaced_undo[n] = kb_.RenkePlaced_undo[p];

    Snapshot now{kb_.Renke_B_undo[n], kb_.Renke_T_undo[n], kb_.RenkePlaced_undo[n]};
    const Before before{kb_.Renke_B_undo[p], kb_.Renke_T_undo[p], kb_.RenkePlaced_undo[p]};
    if (edit)
        edit(now, before);

    // Closing.
    kb_.UndoLast = kb_.AtdoNum;
    KbChange c = diff(prev, kb_.AtdoNum, KbChange::Kind::Step, record);
    notify(c);
    return c;
}

bool KbDocument::canUndo() const
{
    return kb_.loaded && kb_.AtdoNum != kb_.UndoFirst;
}

bool KbDocument::canRedo() const
{
    if (!kb_.loaded)
        return false;
    const int next = ringNext(kb_.AtdoNum);
    return next != kb_.UndoFirst && kb_.UndoKb[static_cast<std::size_t>(next)] != 0 && kb_.AtdoNum != kb_.UndoLast;
}

std::optional<KbChange> KbDocument::undo()
{
    if (!canUndo() || !undoRefusal().empty())
        return std::nullopt;
    const int from = kb_.AtdoNum;
    const int record = kb_.UndoKb[static_cast<std::size_t>(from)];
    kb_.AtdoNum = ringPrev(from);
    KbChange c = diff(from, kb_.AtdoNum, KbChange::Kind::Undo, record);
    notify(c);
    return c;
}

std::optional<KbChange> KbDocument::redo()
{
    if (!canRedo() || !redoRefusal().empty())
        return std::nullopt;
    const int from = kb_.AtdoNum;
    kb_.AtdoNum = ringNext(from);
    KbChange c = diff(from, kb_.AtdoNum, KbChange::Kind::Redo, kb_.UndoKb[static_cast<std::size_t>(kb_.AtdoNum)]);
    notify(c);
    return c;
}

std::string KbDocument::undoRefusal() const
{
    return canUndo() ? lockedDiff(kb_.AtdoNum, ringPrev(kb_.AtdoNum)) : std::string();
}

std::string KbDocument::redoRefusal() const
{
    return canRedo() ? lockedDiff(kb_.AtdoNum, ringNext(kb_.AtdoNum)) : std::string();
}

std::string KbDocument::lockedDiff(int a, int b) const
{
    const model::School& s = kb_.school;
    const int N = s.N();
    auto differs = [&](const model::Array2<int>& x, const model::Array2<int>& y, int id) {
        for (int slot = 1; slot <= N; ++slot)
            if (x(id, slot) != y(id, slot))
                return true;
        return false;
    };
    const auto ia = static_cast<std::size_t>(a), ib = static_cast<std::size_t>(b);
    for (int ban = 1; ban <= s.MaxBanID; ++ban)
        if (kb_.banLocked(ban) && differs(kb_.Renke_B_undo[ia], kb_.Renke_B_undo[ib], ban))
            return "会影响已锁定的" + s.BanName[static_cast<std::size_t>(ban)] + "。";
    for (int tea = 1; tea <= s.TeaOldNum; ++tea)
        if (kb_.teaLocked(tea) && differs(kb_.Renke_T_undo[ia], kb_.Renke_T_undo[ib], tea))
            return "会影响已锁定的" + s.TeaName[static_cast<std::size_t>(tea)] + "。";
    return {};
}

KbChange KbDocument::diff(int a, int b, KbChange::Kind kind, int record) const
{
    KbChange c = KbChange::of(kind, record);
    const model::School& s = kb_.school;
    const int N = s.N();
    std::vector<char> slotChanged(static_cast<std::size_t>(N) + 1, 0);
    auto rows = [&](const model::Array2<int>& x, const model::Array2<int>& y, int last, std::vector<int>& out) {
        for (int id = 1; id <= last; ++id) {
            bool changed = false;
            for (int slot = 1; slot <= N; ++slot)
                if (x(id, slot) != y(id, slot)) {
                    changed = true;
                    slotChanged[static_cast<std::size_t>(slot)] = 1;
                }
            if (changed)
                out.push_back(id);
        }
    };
    const auto ia = static_cast<std::size_t>(a), ib = static_cast<std::size_t>(b);
    rows(kb_.Renke_B_undo[ia], kb_.Renke_B_undo[ib], s.MaxBanID, c.bans);
    rows(kb_.Renke_T_undo[ia], kb_.Renke_T_undo[ib], s.TeaOldNum, c.teas);
    for (int slot = 1; slot <= N; ++slot)
        if (slotChanged[static_cast<std::size_t>(slot)])
            c.slots.push_back(slot);
    return c;
}

void KbDocument::addListener(KbListener* l)
{
    if (l && std::find(listeners_.begin(), listeners_.end(), l) == listeners_.end())
        listeners_.push_back(l);
}

void KbDocument::removeListener(KbListener* l)
{
    listeners_.erase(std::remove(listeners_.begin(), listeners_.end(), l), listeners_.end());
}

void KbDocument::notify(const KbChange& c)
{
    // A copy: a listener may remove itself while it is told.
    const auto ls = listeners_;
    for (KbListener* l : ls)
        l->kbChanged(c);
}

}  // namespace tavrin::timetable
