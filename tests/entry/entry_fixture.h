// The school the step 1 and step 2 tests edit: three grade groups with rows in every table
// that refers to a class, so that a save which loses, keeps or moves a row shows in the
// name dump.
//
//   初一 (1): 初一1班 (1), 初一2班 (2)
//   初二 (2): 初二1班 (3, locked), 初二2班 (4)
//   初三 (3): 初三1班 (5)
// Monday to Friday, 4 + 4 periods. Subjects 语文 (1), 数学 (2); teachers 张老师 (1), 李老师 (2).
// Every class has an assignment of each subject (and so weekly periods), a subject mark, a
// fixed lesson "班会" on Friday period 8, two placed lessons (Monday periods 1 and 2), and a
// period and a weekday condition of its own; one period and one weekday condition hold for
// the whole school.
#pragma once

#include "support/name_dump.h"
#include "support/school_builder.h"

namespace tavrin::testing {

inline void fillEntrySchool(SchoolBuilder& b)
{
    auto& s = b.store();
    s.transaction([&] {
        const int g1 = b.ji("初一"), g2 = b.ji("初二"), g3 = b.ji("初三");
        const int c[] = {b.ban("初一1班", g1), b.ban("初一2班", g1), b.ban("初二1班", g2), b.ban("初二2班", g2),
                         b.ban("初三1班", g3)};
        b.lock(3);
        const int yu = b.ke("语文"), shu = b.ke("数学");
        const int zhang = b.tea("张老师"), li = b.tea("李老师");
        for (int ban : c) {
            b.renke(zhang, ban, yu, 5);
            b.renke(li, ban, shu, 4);
            b.markKe(yu, ban, 2, 1, 1);
            b.gudin(ban, 5, 8, "班会");
            b.lesson(ban, 1, 1, zhang, yu);
            b.lesson(ban, 1, 2, li, shu);
            b.jieOpt(1, 3, -1, ban, shu);
            b.dayOpt(2, 3, -2, ban, yu);
        }
        b.jieOpt(3, 1, -2, 0, yu);
        b.dayOpt(4, 2, -1, 0, 0, zhang);
    });
}

}  // namespace tavrin::testing
