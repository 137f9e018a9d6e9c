#include "timetable/kbdata.h"

#include "model/loaders.h"
#include "model/kechen.h"

namespace tavrin::timetable {

int KbData::unplaced(int r) const
{
    if (r < 0 || r >= school.renkeSize())
        return 0;
    const auto i = static_cast<std::size_t>(r);
    return school.RenkeJieshu[i] - placed()[i];
}

bool KbData::banLocked(int ban) const
{
    return ban >= 1 && static_cast<std::size_t>(ban) < school.BanLocked.size() &&
           school.BanLocked[static_cast<std::size_t>(ban)] != 0;
}

bool KbData::teaLocked(int tea) const
{
    return tea >= 1 && static_cast<std::size_t>(tea) < school.TeaLocked.size() &&
           school.TeaLocked[static_cast<std::size_t>(tea)] != 0;
}

void startKbData(KbData& kb, model::School school, model::Grids loaded)
{
    kb.school = std::move(school);
    kb.base = std::move(loaded);
    const model::School& s = kb.school;
    const int slots = s.N() + 2;

    // The ring is allocated here once; snapshot 0 is the timetable as loaded.
    kb.Renke_B_undo.assign(kRingSize, model::Array2<int>(s.MaxBanID + 1, slots, -1));
    kb.Renke_T_undo.assign(kRingSize, model::Array2<int>(s.TeaOldNum + 1, slots, -1));
    kb.RenkePlaced_undo.assign(kRingSize, std::vector<int>(static_cast<std::size_t>(s.renkeSize()), 0));
    kb.Renke_B_undo[0] = kb.base.Renke_B;
    kb.Renke_T_undo[0] = kb.base.Renke_T;
    kb.RenkePlaced_undo[0] = kb.base.RenkePlaced;

    kb.UndoKb.fill(0);
    kb.UndoKb[0] = banPage(1);
    kb.AtdoNum = 0;
    kb.UndoFirst = 0;
    kb.UndoLast = 0;

    const int instances = s.RenkeMaxJieshu + 1;
    for (auto* a : {&kb.TmpPosX_B, &kb.TmpPosY_B, &kb.TmpPosX_T, &kb.TmpPosY_T})
        a->resize(s.renkeSize(), instances, 0);
    kb.loaded = true;
}

void LoadKbData(store::Store& store, KbData& kb)
{
    model::School school = model::loadSchool(store);
    kb.skipped.clear();
    model::Grids g = LoadKeChenData(store, school, &kb.skipped);
    startKbData(kb, std::move(school), std::move(g));
}

void FreeKbData(KbData& kb)
{
    kb = KbData{};
}

store::Result SaveKbData(store::Store& store, const KbData& kb)
{
    if (!kb.loaded)
        return store::done();
    if (store.readOnly())
        return store::refused(store::kReadOnlyRefusal);
    store.transaction([&] {
        model::writeKechen(store, model::kechenRows(kb.school, kb.gridB()));
        model::writeLocks(store, kb.school);
    });
    return store::done("保存完成。");
}
namespace {
const char* const kLayoutSetting = "课表显示";
}

int readKbLayout(store::Store& store)
{
    int layout = 1;
    auto st = store.prepare("SELECT setVar FROM setting WHERE setName = ?1");
    st.bind(1, kLayoutSetting);
    while (st.step())
        if (!st.isNull(0) && st.text(0) == "日行")
            layout = 2;
    return layout;
}

void storeKbLayout(store::Store& store, int layout)
{
    if (store.readOnly())
        return;
    store.transaction([&] {
        store.run("DELETE FROM setting WHERE setName = ?1", kLayoutSetting);
        store.run("INSERT INTO setting(setName, setVar) VALUES(?1, ?2)", kLayoutSetting, layout == 2 ? "日行" : "日列");
    });
}

}  // namespace tavrin::timetable
