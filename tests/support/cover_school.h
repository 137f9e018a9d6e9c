// A small school file for the cover tests: a five-day week of four morning periods, three
// classes in two grade groups, seven teachers, a stored timetable, and a term of 20 weeks
// from 2026-09-07. Monday of week 2 (2026-09-14) is the day most tests cover.
//
//   张 语文 一(1)班  Mon 1, Mon 4, Wed 1      (the usual absentee)
//   李 语文 一(2)班  Mon 2, Tue 2             same subject, one lesson on Monday
//   王 数学 一(1)班  Mon 2, Tue 2             teaches the class
//   赵 数学 一(2)班  Mon 3, Tue 3             teaches the grade group
//   钱 英语 二(1)班  Tue 4                    another subject and grade
//   孙 语文 一(2)班  Wed 2                    as 李, but free all Monday
//   周 语文 二(1)班  Mon 1                    busy at Monday's first period
#pragma once

#include "model/covers.h"
#include "model/dates.h"
#include "support/school_builder.h"
#include "timetable/cover.h"
#include "timetable/kbdata.h"

namespace tavrin::testing {

struct CoverSchool {
    SchoolBuilder b{{1, 2, 3, 4, 5}, 4, 0, 0};
    int c1 = 0, c2 = 0, c3 = 0;
    int yu = 0, shu = 0, ying = 0;
    int zhang = 0, li = 0, wang = 0, zhao = 0, qian = 0, sun = 0, zhou = 0;
    const int monday = *model::parseDate("2026-09-14");
    timetable::KbData kb;
    timetable::CoverBook book;

    CoverSchool()
    {
        const int j1 = b.ji("初一"), j2 = b.ji("初二");
        c1 = b.ban("初一(1)班", j1);
        c2 = b.ban("初一(2)班", j1);
        c3 = b.ban("初二(1)班", j2);
        yu = b.ke("语文");
        shu = b.ke("数学");
        ying = b.ke("英语");
        zhang = b.tea("张老师");
        li = b.tea("李老师");
        wang = b.tea("王老师");
        zhao = b.tea("赵老师");
        qian = b.tea("钱老师");
        sun = b.tea("孙老师");
        zhou = b.tea("周老师");
        b.renke(zhang, c1, yu, 3);
        b.renke(li, c2, yu, 2);
        b.renke(wang, c1, shu, 2);
        b.renke(zhao, c2, shu, 2);
        b.renke(qian, c3, ying, 1);
        b.renke(sun, c2, yu, 1);
        b.renke(zhou, c3, yu, 1);
        b.lesson(c1, 1, 1, zhang, yu);
        b.lesson(c1, 1, 4, zhang, yu);
        b.lesson(c1, 3, 1, zhang, yu);
        b.lesson(c2, 1, 2, li, yu);
        b.lesson(c2, 2, 2, li, yu);
        b.lesson(c1, 1, 2, wang, shu);
        b.lesson(c1, 2, 2, wang, shu);
        b.lesson(c2, 1, 3, zhao, shu);
        b.lesson(c2, 2, 3, zhao, shu);
        b.lesson(c3, 2, 4, qian, ying);
        b.lesson(c2, 3, 2, sun, yu);
        b.lesson(c3, 1, 1, zhou, yu);
        b.store().run("INSERT INTO setting(setName, setVar) VALUES('学期开始', '2026-09-07')");
        b.store().run("INSERT INTO setting(setName, setVar) VALUES('学期周数', '20')");
    }

    void load()
    {
        timetable::LoadKbData(b.store(), kb);
        book = timetable::loadCoverBook(b.store());
    }
    store::Store& store() { return b.store(); }

    model::Absence absence(int tea, int from, int to, std::vector<int> jies = {})
    {
        model::Absence a;
        a.tea = tea;
        a.from = from;
        a.to = to;
        a.jies = std::move(jies);
        return a;
    }
    // 张 away all Monday, his lessons there (periods 1 and 4) covered by `first` and `fourth`.
    bool zhangAwayMondayCoveredBy(int first, int fourth)
    {
        return timetable::addAbsence(store(), kb, book, absence(zhang, monday, monday)).ok &&
               timetable::addCovers(store(), kb, book,
                                    {substitute(monday, 1, c1, zhang, yu, first),
                                     substitute(monday, 4, c1, zhang, yu, fourth)})
                   .ok;
    }
    model::Cover substitute(int date, int jie, int ban, int tea, int ke, int by,
                            model::CoverKind kind = model::CoverKind::Substitute)
    {
        model::Cover c;
        c.date = date;
        c.jie = jie;
        c.ban = ban;
        c.tea = tea;
        c.ke = ke;
        c.kind = kind;
        c.by = by;
        return c;
    }
};

}  // namespace tavrin::testing
