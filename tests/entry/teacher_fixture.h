// The school the teacher tests edit: a Tuesday-to-Saturday week (so that day numbers and
// weekdays differ) and rows in every table that refers to a teacher.
//
//   初一: 1班 (1), 2班 (2);   初二: 3班 (3), 4班 (4);   subjects 语文 (1), 体育 (2), 音乐 (3)
//   teachers 李老师 (1), 张老师 (2), 王老师 (3), 赵老师 (4, locked), 钱老师 (5)
//   语文: 李 3班 2, 张 1班 4, 张 3班 4, 王 4班 5      (placed: all but three of 王's)
//   体育: 张 1班+2班 combined (1), 2 each             (placed once, in both classes)
//   音乐: 李 3班+4班 combined (1), 1 each; 赵 1班 1; 钱 2班 2   (all placed)
//   体育 in 3班: 3 periods nobody teaches yet.
// Every teacher has a mark and a period and a weekday condition; 王 and 张 exclude each
// other (pair 1), so do 李 and 钱 (pair 2).
#pragma once

#include "support/name_dump.h"
#include "support/school_builder.h"

namespace tavrin::testing {

inline void fillTeacherSchool(SchoolBuilder& b)
{
    auto& s = b.store();
    s.transaction([&] {
        const int g1 = b.ji("初一"), g2 = b.ji("初二");
        const int c1 = b.ban("1班", g1), c2 = b.ban("2班", g1), c3 = b.ban("3班", g2), c4 = b.ban("4班", g2);
        const int yu = b.ke("语文"), ti = b.ke("体育"), yin = b.ke("音乐");
        const int li = b.tea("李老师"), zhang = b.tea("张老师"), wang = b.tea("王老师"), zhao = b.tea("赵老师"),
                  qian = b.tea("钱老师");
        b.renke(li, c3, yu, 2);
        b.renke(zhang, c1, yu, 4);
        b.renke(zhang, c3, yu, 4);
        b.renke(wang, c4, yu, 5);
        b.renke(zhang, c1, ti, 2, 1);
        b.renke(zhang, c2, ti, 2, 1);
        b.renke(li, c3, yin, 1, 1);
        b.renke(li, c4, yin, 1, 1);
        b.renke(zhao, c1, yin, 1);
        b.renke(qian, c2, yin, 2);
        s.run("UPDATE kemujieshu SET jieshu = jieshu + 3 WHERE kemuid = ?1 AND banid = ?2", ti, c3);
        if (s.changes() == 0)
            s.run("INSERT INTO kemujieshu VALUES(?1, ?2, 3)", ti, c3);
        s.run("UPDATE teabd SET islock = 1 WHERE teaid = ?1", zhao);
        for (int j = 1; j <= 4; ++j)
            b.lesson(c1, 2, j, zhang, yu);
        b.lesson(c3, 3, 1, li, yu);
        b.lesson(c3, 3, 2, li, yu);
        b.lesson(c3, 3, 3, zhang, yu);
        b.lesson(c3, 3, 4, zhang, yu);
        b.lesson(c3, 4, 1, zhang, yu);
        b.lesson(c3, 4, 2, zhang, yu);
        b.lesson(c4, 4, 3, wang, yu);
        b.lesson(c4, 4, 4, wang, yu);
        b.lesson(c1, 5, 1, zhang, ti);
        b.lesson(c2, 5, 1, zhang, ti);
        b.lesson(c3, 5, 2, li, yin);
        b.lesson(c4, 5, 2, li, yin);
        b.lesson(c1, 6, 1, zhao, yin);
        b.lesson(c2, 6, 2, qian, yin);
        b.lesson(c2, 6, 3, qian, yin);
        for (int t : {li, zhang, wang, zhao, qian}) {
            b.markTea(t, 3, t, 1 + t % 3);
            b.jieOpt(t, 2, -1, 0, 0, t);
            b.dayOpt(t, 4, -2, 0, 0, t);
        }
        b.exclusion(1, wang, zhang);
        b.exclusion(2, li, qian);
    });
}

struct TeacherSchool {
    SchoolBuilder builder{{2, 3, 4, 5, 6}};
    TeacherSchool() { fillTeacherSchool(builder); }
    store::Store& store() { return builder.store(); }
};

}  // namespace tavrin::testing
