#include "entry/prune.h"

#include <unordered_map>
#include <vector>

namespace tavrin::entry {

std::int64_t trimTimetable(store::Store& s)
{
    std::unordered_map<TripleKey, std::int64_t, KeyHash> room;
    {
        // A row of no periods is no assignment: the loader skips it.
        auto st = s.prepare("SELECT banid, teaid, keid, jieshu FROM renkebd "
                            "WHERE banid IS NOT NULL AND teaid IS NOT NULL AND keid IS NOT NULL AND jieshu > 0");
        while (st.step())
            room[{st.int64(0), st.int64(1), st.int64(2)}] += st.int64(3);
    }
    std::vector<std::int64_t> gone;
    {
        auto st = s.prepare("SELECT rowid, theban, thetea, theke FROM kechenbd ORDER BY rowid");
        while (st.step()) {
            auto it = st.isNull(1) || st.isNull(2) || st.isNull(3)
                          ? room.end()
                          : room.find({st.int64(1), st.int64(2), st.int64(3)});
            if (it == room.end() || it->second <= 0)
                gone.push_back(st.int64(0));
            else
                --it->second;
        }
    }
    auto del = s.prepare("DELETE FROM kechenbd WHERE rowid = ?1");
    for (std::int64_t rowid : gone) {
        del.reset();
        del.bind(1, rowid);
        del.run();
    }
    return static_cast<std::int64_t>(gone.size());
}

}  // namespace tavrin::entry
