// The time-mark dialog over teachers: its working copy and the functions behind its grid. The
// dialog takes the copy once when it is shown; stepping or finding another teacher only
// changes which teacher it looks at, and "确定" commits every teacher the copy holds.
#pragma once

#include <cstdint>
#include <unordered_map>

#include "entry/teachers.h"

namespace tavrin::entry {

struct TeaMarkWork {
    std::unordered_map<std::int64_t, TeaMarks> tea;  // by teacher ID, as the draft's rows
};

// `FormShow`: a copy of every teacher's marks.
TeaMarkWork takeTeaMarks(const TeaDraft& d);
// `LoadTeaTeshu` for one cell (0 for an unknown teacher or a cell outside the week's bounds).
int shownTeaMark(const TeaMarkWork& w, std::int64_t tea, int day, int jie);
// A cell of the teacher takes the mark, in the copy only.
void setTeaMark(TeaMarkWork& w, std::int64_t tea, int day, int jie, int mark);
// "全部恢复为自动": the teacher's marks on every school day and period go.
void clearTeaMarks(const TeaDraft& d, TeaMarkWork& w, std::int64_t tea);
// "确定": the copy goes into the rows of the draft. Answers whether any mark changed, of
// whichever teacher (the operator may have stepped away from the one it opened on).
bool commitTeaMarks(TeaDraft& d, const TeaMarkWork& w);
// A teacher deleted while the dialog is open leaves nothing behind in its copy.
void forgetTeacher(TeaMarkWork& w, std::int64_t tea);
// The arrow buttons: the row `delta` away from the teacher's, or -1 past either end.
int stepTeacher(const TeaDraft& d, std::int64_t tea, int delta);

}  // namespace tavrin::entry
