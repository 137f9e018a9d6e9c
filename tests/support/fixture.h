// A small school built in code for the timetable tests, with a timetable that keeps every
// rule: Monday and Tuesday, two periods in the morning and two in the afternoon (slots 1..4
// Monday, 5..8 Tuesday); three classes, three teachers, 语文 and 体育.
//
//   r0  一(1)班 张老师 语文 3   slots 1 5 7
//   r1  一(2)班 张老师 语文 3   slots 2 6 8
//   r2  一(1)班 李老师 体育 2   slots 3 4  } combined (heban 1): 李老师's row holds r3
//   r3  一(2)班 李老师 体育 2   slots 3 4  }
//   r4  二(1)班 王老师 语文 2   slots 1 5
//   r5  二(1)班 李老师 体育 1   slot 2
#pragma once

#include "model/school.h"

namespace tavrin::testing {

inline model::School smallSchool()
{
    model::School s;
    s.theDay = 2;
    s.DaySel = {0, 1, 1, 0, 0, 0, 0, 0};
    s.DayToWeek = {0, 1, 2, 0, 0, 0, 0, 0};
    s.WeektoDay = {0, 1, 2, 0, 0, 0, 0, 0};
    s.mor = 2;
    s.aft = 2;
    s.nig = 0;
    s.slots.build(s.theDay, s.mor, s.aft, s.nig);
    const int N = s.N(), P = s.P();

    s.MaxBanID = 3;
    s.MaxJiID = 2;
    s.JiName = {"", "一年级", "二年级"};
    s.BanName = {"", "一(1)班", "一(2)班", "二(1)班"};
    s.BanInJi = {0, 1, 1, 2};
    s.BanLocked.assign(4, 0);
    s.GudinKe.resize(4, N + 2, "");
    s.BanCapacity = {0, N, N, N};

    s.KemuOldNum = 2;
    s.KemuName = {"", "语文", "体育"};
    s.KemuName2 = {"", "语", "体"};
    s.KemuMaxJie = {0, 0, 0};
    s.KemuLianpai = {0, 0, 0};
    s.KemuJieshu.resize(3, 4, 0);
    s.TeshuKe.resize(3, 4, model::kMaxDays + 1, model::kMaxJie + 1, 0);

    s.TeaOldNum = 3;
    s.TeaName = {"", "张老师", "李老师", "王老师"};
    s.TeaName2 = s.TeaName;
    s.TeaLocked.assign(4, 0);
    s.TeshuTea.resize(4, model::kMaxDays + 1, model::kMaxJie + 1, 0);

    s.RenkeBan = {1, 2, 1, 2, 3, 3};
    s.RenkeTea = {1, 1, 2, 2, 3, 2};
    s.RenkeKe = {1, 1, 2, 2, 1, 2};
    s.RenkeJieshu = {3, 3, 2, 2, 2, 1};
    s.RenkeHeban = {0, 0, 1, 1, 0, 0};
    s.RenKeNum = 6;
    s.RenkeMaxJieshu = 3;
    s.BTKtoRenkeid.resize(4, 4, 3, -1);
    for (int r = 0; r < s.RenKeNum; ++r) {
        s.BTKtoRenkeid(s.RenkeBan[r], s.RenkeTea[r], s.RenkeKe[r]) = r;
        s.KemuJieshu(s.RenkeKe[r], s.RenkeBan[r]) += s.RenkeJieshu[r];
    }

    s.opt.JieOptBK.resize(4, 3, P + 1, 0);
    s.opt.JieOptT.resize(4, P + 1, 0);
    s.opt.DayOptBK.resize(4, 3, model::kMaxDays + 1, 0);
    s.opt.DayOptT.resize(4, model::kMaxDays + 1, 0);
    s.opt.TeaExclusive.assign(4, 0);
    return s;
}

// Puts a lesson of r at slot into both grids, as every edit does.
inline void place(const model::School& s, model::Grids& g, int r, int slot)
{
    g.Renke_B(s.RenkeBan[r], slot) = r;
    g.Renke_T(s.RenkeTea[r], slot) = r;
    ++g.RenkePlaced[r];
}

inline model::Grids smallTimetable(const model::School& s)
{
    model::Grids g;
    g.reset(s);
    for (int slot : {1, 5, 7})
        place(s, g, 0, slot);
    for (int slot : {2, 6, 8})
        place(s, g, 1, slot);
    for (int slot : {3, 4}) {
        place(s, g, 2, slot);
        place(s, g, 3, slot);
    }
    for (int slot : {1, 5})
        place(s, g, 4, slot);
    place(s, g, 5, 2);
    return g;
}

}  // namespace tavrin::testing
