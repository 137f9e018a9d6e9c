// The time-mark dialog over subjects: its working copy and the pure functions behind its
// grid (what a cell shows for a scope, the click cycle, setting over a scope, clearing a
// subject, committing). The dialog takes the copy once when it is shown; stepping to
// another subject only changes which subject it looks at.
#pragma once

#include <array>
#include <cstdint>
#include <unordered_map>

#include "entry/subjectdraft.h"

namespace tavrin::entry {

// What a day cell shows: the four stored marks and, for a scope whose classes differ, a
// fifth state that is never stored.
inline constexpr int kMarkVaries = 4;
inline constexpr std::array<const char*, 5> kMarkNames = {"", "尽量排", "一定排", "不排", "各班不同"};
inline constexpr const char* kMarkTitleSuffix = " 课节预设";

struct MarkWork {
    std::unordered_map<std::int64_t, MarkPlane> ke;  // by subject ID, as the draft's rows
};

// `FormShow`: a copy of every row's marks.
MarkWork takeMarks(const KemuDraft& d);

// `LoadKeTeshu` for one cell: the mark of a class; of a group's or the school's first class,
// or `kMarkVaries` when another class of the scope differs. 0 for an unknown subject.
int shownMark(const KemuDraft& d, const MarkWork& w, std::int64_t ke, Scope s, int day, int jie);
// The click on a cell: the mark that follows the one shown (a differing cell goes to none).
int nextMark(int shown);
// `Setteshuke`: every class of the scope takes the mark, in the working copy only.
void setMark(const KemuDraft& d, MarkWork& w, std::int64_t ke, Scope s, int day, int jie, int mark);
// "全部恢复为自动": the subject's marks in every class, on every school day and period, go.
void clearMarks(const KemuDraft& d, MarkWork& w, std::int64_t ke);
// "确定": the whole copy goes into the rows of the draft (every subject stepped through).
// Answers whether any mark changed.
bool commitMarks(KemuDraft& d, const MarkWork& w);
// A subject deleted while the dialog is open leaves nothing behind in its copy.
void forgetSubject(MarkWork& w, std::int64_t ke);

}  // namespace tavrin::entry
