#include "entry/teamarks.h"

namespace tavrin::entry {

namespace {

bool cellInRange(int day, int jie)
{
    return day >= 1 && day <= model::kMaxDays && jie >= 1 && jie <= model::kMaxJie;
}

}  // namespace

TeaMarkWork takeTeaMarks(const TeaDraft& d)
{
    TeaMarkWork w;
    w.tea.reserve(d.rows.size());
    for (const auto& r : d.rows)
        w.tea.emplace(r.id, r.marks);
    return w;
}

int shownTeaMark(const TeaMarkWork& w, std::int64_t tea, int day, int jie)
{
    auto it = w.tea.find(tea);
    if (it == w.tea.end() || !cellInRange(day, jie))
        return 0;
    return it->second[teaMarkAt(day, jie)];
}

void setTeaMark(TeaMarkWork& w, std::int64_t tea, int day, int jie, int mark)
{
    if (!cellInRange(day, jie) || mark < model::MarkNone || mark > model::MarkNever)
        return;
    // A teacher added after the copy was taken starts unmarked in it.
    w.tea.try_emplace(tea).first->second[teaMarkAt(day, jie)] = static_cast<std::uint8_t>(mark);
}

void clearTeaMarks(const TeaDraft& d, TeaMarkWork& w, std::int64_t tea)
{
    auto it = w.tea.find(tea);
    if (it == w.tea.end())
        return;
    for (int day = 1; day <= d.theDay && day <= model::kMaxDays; ++day)
        for (int j = 1; j <= d.P && j <= model::kMaxJie; ++j)
            it->second[teaMarkAt(day, j)] = model::MarkNone;
}

bool commitTeaMarks(TeaDraft& d, const TeaMarkWork& w)
{
    bool changed = false;
    for (auto& r : d.rows) {
        auto it = w.tea.find(r.id);
        if (it == w.tea.end() || it->second == r.marks)
            continue;
        r.marks = it->second;
        changed = true;
    }
    return changed;
}

void forgetTeacher(TeaMarkWork& w, std::int64_t tea)
{
    w.tea.erase(tea);
}

int stepTeacher(const TeaDraft& d, std::int64_t tea, int delta)
{
    const int row = d.rowOf(tea);
    if (row < 0)
        return -1;
    const int next = row + delta;
    return next >= 0 && next < static_cast<int>(d.rows.size()) ? next : -1;
}

}  // namespace tavrin::entry
