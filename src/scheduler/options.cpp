#include "scheduler/options.h"

namespace tavrin::scheduler {

PaiOptions loadPaiOpt(store::Store& s)
{
    PaiOptions o;
    auto st = s.prepare("SELECT PaiItm, ItmVar FROM PaiOpt");
    while (st.step()) {
        int item = st.integer(0);
        int v = st.integer(1);
        switch (item) {
        case 1:
            o.strength = (v >= 1 && v <= 3) ? v : 3;
            break;
        case 2:
            o.align = (v == 1 || v == 2) ? v : 2;
            break;
        case 3:
            o.teaDay = (v >= 1 && v <= 3) ? v : 3;
            break;
        case 4:
            o.noLian = (v == 1 || v == 2) ? v : 2;
            break;
        default:
            break;
        }
    }
    return o;
}

void actSavePaiOpt(store::Store& s, const PaiOptions& o)
{
    s.transaction([&] {
        s.run("DELETE FROM PaiOpt");
        const int values[4] = {o.strength, o.align, o.teaDay, o.noLian};
        for (int i = 0; i < 4; ++i)
            s.run("INSERT INTO PaiOpt(PaiItm, ItmVar) VALUES(?1, ?2)", i + 1, values[i]);
    });
}

}  // namespace tavrin::scheduler
