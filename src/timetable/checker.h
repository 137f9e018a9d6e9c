// The one check of a timetable's invariants, written from the rules alone and shared by the
// tests, `tavrin-cli check` and whoever wants to know whether a timetable may stand.
#pragma once

#include <string>
#include <vector>

#include "model/school.h"

namespace tavrin::timetable {

// One broken rule. `kind` is its short name ("教师冲突", "固定课", "不排", "场地限制",
// "时段条件", "日期条件", "教师互斥", "节数超出", "节数不符", "课表不一致", "合班", "合班分开",
// "无效课"),
// `text` says where and what in the program's words. ban, tea: 0 when none; slot: 0 when the
// fault is not tied to one slot; renke: -1 when it is not tied to one assignment.
struct Violation {
    std::string kind;
    int ban = 0;
    int tea = 0;
    int slot = 0;
    int renke = -1;
    std::string text;
};

// Every broken rule of the grids, in a fixed order (per class and slot, then per slot, per
// class, per teacher, per assignment):
// - every cell names an assignment of its own class or teacher; class and teacher grids
//   agree (a class lesson's teacher holds it, or a fellow member of its combined group, at
//   that slot; a teacher's lesson stands in its class);
// - no teacher in two classes at one slot, except the members of one combined group;
// - nothing on a fixed lesson, nothing on a "不排" slot of the subject in the class or of the
//   teacher; no more classes with a subject in one slot than its room limit;
// - period and day conditions as upper bounds (count <= |n|; for a subject the class's own
//   value wins over the whole-school one);
// - exclusion partners (exclusionPartner) never teach at the same slot;
// - the members of one combined group do not stand apart: of two members, one has no
//   placed lesson away from the other (a member with more weekly lessons teaches the rest
//   alone; a lesson in the holding area stands nowhere);
// - no assignment placed more often than its weekly count, and RenkePlaced equal to the
//   lessons the class grid holds.
std::vector<Violation> checkTimetable(const model::School& school, const model::Grids& grids);

// The teacher whose lessons may never share a slot with teacher t's, 0 = none. One partner
// per teacher: a later pair of a teacher replaces the earlier, so a pair counts only while
// both teachers still name each other.
int exclusionPartner(const model::School& school, int t);

// Pairs of neighbouring lessons of assignment r in one section of one day of its class.
int lessonPairs(const model::School& school, const model::Grids& grids, int r);
// The wanted doubles that stand: over the assignments of subjects with doubles, the pairs
// formed, each assignment counted up to the doubles its subject wants.
int doublesFormed(const model::School& school, const model::Grids& grids);
// The doubles wanted: KemuLianpai summed over the assignments that have lessons.
int doublesWanted(const model::School& school);
// Lessons standing in the class grids (each class of a combined lesson counts).
int placedLessons(const model::School& school, const model::Grids& grids);
// Lessons of the week: the weekly counts of all assignments.
int weeklyLessons(const model::School& school);

}  // namespace tavrin::timetable
