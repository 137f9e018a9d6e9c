// The school as the screens and the engine see it, filled from the file by the loaders
// (loaders.h). Arrays are indexed by the dense IDs directly (a class by its banid, a
// subject by its kemuid, a teacher by its teaid); entry 0 of an ID dimension holds nothing
// unless stated. Days are day numbers 1..theDay inside the model, weekdays 1..7 in the file.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "model/arrays.h"
#include "model/slots.h"

namespace tavrin::model {

// Time marks of a subject in a class or of a teacher.
enum Mark : std::uint8_t { MarkNone = 0, MarkPrefer = 1, MarkCertain = 2, MarkNever = 3 };

// A stored row the loaders could not use (no slot in the current calendar, an ID that
// names nothing, a count out of range); `info` lists them.
struct SkippedRow {
    std::string table;
    std::string row;     // the row's values, for the reader
    std::string reason;  // why it was skipped, in the program's words
};

// The custom conditions as the search and the move checks read them (`LoadMyPaiOpt`).
// theNum > 0: exactly n; theNum <= 0: at most -n; 0 in the array: no condition.
struct Conditions {
    Array3<int> JieOptBK;  // [0..MaxBanID][0..KemuOldNum][0..P]; class 0 = every class
    Array2<int> JieOptT;   // [0..TeaOldNum][0..P]
    Array3<int> DayOptBK;  // [0..MaxBanID][0..KemuOldNum][0..7] by weekday
    Array2<int> DayOptT;   // [0..TeaOldNum][0..7] by weekday
    std::vector<int> TeaExclusive;  // [0..TeaOldNum], the partner, 0 = none
};

// One teaching assignment as every reader sees it. `real` is false for an index outside the
// list and for the empty entries the merge of repeated rows leaves behind (0 lessons): such
// an index names no lesson, wherever it turns up.
struct Renke {
    int r = -1;
    int ban = 0, tea = 0, ke = 0;
    int jieshu = 0;  // lessons a week
    int heban = 0;   // combined group with the same teacher; 0 = none
    bool real = false;
};

struct School {
    // Calendar (`LoadDayBanJi`).
    std::array<std::uint8_t, 8> DaySel{};    // [weekday] 1 = taught
    int theDay = 0;                          // school days
    std::array<std::uint8_t, 8> DayToWeek{}; // [day number] -> weekday
    std::array<std::uint8_t, 8> WeektoDay{}; // [weekday] -> day number, 0 = not taught
    std::array<std::string, 8> WeekName = {" ", "星期一", "星期二", "星期三", "星期四", "星期五", "星期六", "星期日"};
    int mor = 0, aft = 0, nig = 0;
    std::array<std::string, 28> TimeStr;     // [period] display time
    std::array<std::string, 28> PublicTime;  // [k] public slot shown after period k (0: before the first)
    int PublicNum = 0;
    std::string XiaoName;                    // the school's name

    // Slot tables (`JieAtWhere`), built by the calendar loader.
    SlotTable slots;
    int P() const { return mor + aft + nig; }
    int N() const { return P() * theDay; }
    WeekShape week() const { return {theDay, mor, aft, nig}; }

    // Classes.
    int MaxBanID = 0;
    int MaxJiID = 0;
    std::vector<std::string> JiName;    // [jiid]
    std::vector<std::string> BanName;   // [banid]
    std::vector<int> BanInJi;           // [banid] -> jiid
    Array2<int> BanID;                  // [jiid][k], k from 1: banid of the k-th class of the group
    std::vector<int> BanCountInJi;      // [jiid] number of classes in the group
    std::vector<std::uint8_t> BanLocked;// [banid]
    Array2<std::string> GudinKe;        // [banid][slot 0..N+1] fixed lesson name, empty = free
    std::vector<int> BanCapacity;       // [banid] slots not taken by a fixed lesson

    // Subjects (`actLoadKemuData`). Subject dimensions run 0..KemuOldNum.
    int KemuOldNum = 0;
    std::vector<std::string> KemuName;  // [kemuid]
    std::vector<std::string> KemuName2; // [kemuid]
    std::vector<std::uint8_t> KemuMaxJie;  // [kemuid] room limit, 0 = none
    std::vector<std::uint8_t> KemuLianpai; // [kemuid] doubles wanted a week
    Array2<int> KemuJieshu;             // [kemuid][banid] weekly periods
    Array4<std::uint8_t> TeshuKe;       // [kemuid][banid][day number 0..7][period 0..27]

    // Teachers (`actLoadTeaData`). Teacher dimensions run 0..TeaOldNum.
    int TeaOldNum = 0;
    std::vector<std::string> TeaName;   // [teaid]
    std::vector<std::string> TeaName2;  // [teaid]
    std::vector<std::uint8_t> TeaLocked;// [teaid]
    Array3<std::uint8_t> TeshuTea;      // [teaid][day number 0..7][period 0..27]

    // Teaching assignments, by 0-based index r. After the merge of repeated rows the
    // entries from RenKeNum to the end are empty (teacher, class, subject 0, 0 lessons);
    // loops over all entries skip them by their lesson count.
    int RenKeNum = 0;
    std::vector<int> RenkeTea, RenkeBan, RenkeKe, RenkeJieshu, RenkeHeban;
    int RenkeMaxJieshu = 0;
    Array3<int> BTKtoRenkeid;           // [banid][teaid][kemuid] -> r, -1 = none
    int renkeSize() const { return static_cast<int>(RenkeJieshu.size()); }
    int btk(int ban, int tea, int ke) const
    {
        return BTKtoRenkeid.inside(ban, tea, ke) ? BTKtoRenkeid(ban, tea, ke) : -1;
    }
    Renke renke(int r) const
    {
        if (r < 0 || r >= renkeSize())
            return {};
        const auto i = static_cast<std::size_t>(r);
        return {r, RenkeBan[i], RenkeTea[i], RenkeKe[i], RenkeJieshu[i], RenkeHeban[i], RenkeJieshu[i] > 0};
    }
    bool isRealRenke(int r) const { return r >= 0 && r < renkeSize() && RenkeJieshu[static_cast<std::size_t>(r)] > 0; }

    // Custom conditions (`LoadMyPaiOpt`).
    Conditions opt;

    // Rows the loaders skipped.
    std::vector<SkippedRow> skipped;
};

// The two timetable grids with the scores and the placed counts, always kept in step.
struct Grids {
    Array2<int> Renke_B;  // [banid][slot 0..N+1] assignment or -1
    Array2<int> Renke_T;  // [teaid][slot 0..N+1] assignment or -1
    Array2<int> Teshu_B;  // [banid][slot] placement score
    std::vector<int> RenkePlaced;  // [r]

    void reset(const School& s)
    {
        Renke_B.resize(s.MaxBanID + 1, s.N() + 2, -1);
        Renke_T.resize(s.TeaOldNum + 1, s.N() + 2, -1);
        Teshu_B.resize(s.MaxBanID + 1, s.N() + 2, 0);
        RenkePlaced.assign(static_cast<std::size_t>(s.renkeSize()), 0);
    }
    bool operator==(const Grids&) const = default;
};

}  // namespace tavrin::model
