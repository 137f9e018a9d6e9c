// The school the subject tests edit: a Tuesday-to-Saturday week (so that day numbers and
// weekdays differ), rows in every table that refers to a subject, and assignments split
// between teachers so that a change of weekly periods has to pick rows.
//
//   初一 (1): 初一1班 (1), 初一2班 (2), 初一3班 (3);   初二 (2): 初二1班 (4)
//   subjects 语文 (1), 数学 (2), 英语 (3); teachers 张老师 (1), 李老师 (2), 王老师 (3)
//   语文: 初一1班 张 3 + 李 2 (all five placed, 张's lessons first), 初一2班 张 2 + 李 2,
//         初一3班 and 初二1班 张 5
//   数学: 李 4 in every class, one lesson placed in each
//   英语: 王 3 in every class, two lessons placed in 初一3班
// Each subject has a mark in 初一1班 and in 初二1班, a period and a weekday condition.
#pragma once

#include "support/name_dump.h"
#include "support/school_builder.h"

namespace tavrin::testing {

inline std::vector<int> tuesdayToSaturday()
{
    return {2, 3, 4, 5, 6};
}

inline void fillSubjectSchool(SchoolBuilder& b)
{
    auto& s = b.store();
    s.transaction([&] {
        const int g1 = b.ji("初一"), g2 = b.ji("初二");
        const int c1 = b.ban("初一1班", g1), c2 = b.ban("初一2班", g1), c3 = b.ban("初一3班", g1),
                  c4 = b.ban("初二1班", g2);
        const int yu = b.ke("语文"), shu = b.ke("数学"), ying = b.ke("英语");
        const int zhang = b.tea("张老师"), li = b.tea("李老师"), wang = b.tea("王老师");
        b.renke(zhang, c1, yu, 3);
        b.renke(li, c1, yu, 2);
        b.renke(zhang, c2, yu, 2);
        b.renke(li, c2, yu, 2);
        b.renke(zhang, c3, yu, 5);
        b.renke(zhang, c4, yu, 5);
        for (int c : {c1, c2, c3, c4}) {
            b.renke(li, c, shu, 4);
            b.renke(wang, c, ying, 3);
        }
        // 初一1班's 语文, 张's three lessons before 李's two, on Tuesday and Wednesday.
        b.lesson(c1, 2, 1, zhang, yu);
        b.lesson(c1, 2, 2, zhang, yu);
        b.lesson(c1, 2, 3, zhang, yu);
        b.lesson(c1, 3, 1, li, yu);
        b.lesson(c1, 3, 2, li, yu);
        for (int c : {c1, c2, c3, c4})
            b.lesson(c, 4, 1, li, shu);
        b.lesson(c3, 5, 1, wang, ying);
        b.lesson(c3, 5, 2, wang, ying);
        for (int k : {yu, shu, ying}) {
            b.markKe(k, c1, 2, k, 1);
            b.markKe(k, c4, 6, 8, 3);
            b.jieOpt(k, 2, -1, c1, k);
            b.dayOpt(k, 3, -2, 0, k);
        }
    });
}

// The school above in a fresh file.
struct SubjectSchool {
    SchoolBuilder builder{tuesdayToSaturday()};
    SubjectSchool() { fillSubjectSchool(builder); }
    store::Store& store() { return builder.store(); }
};

}  // namespace tavrin::testing
