#include "entry/kemumarks.h"

namespace tavrin::entry {

namespace {

bool cellInRange(int day, int jie)
{
    return day >= 1 && day <= model::kMaxDays && jie >= 1 && jie <= model::kMaxJie;
}

}  // namespace

MarkWork takeMarks(const KemuDraft& d)
{
    MarkWork w;
    w.ke.reserve(d.rows.size());
    for (const auto& r : d.rows)
        w.ke.emplace(r.id, r.marks);
    return w;
}

int shownMark(const KemuDraft& d, const MarkWork& w, std::int64_t ke, Scope s, int day, int jie)
{
    auto it = w.ke.find(ke);
    if (it == w.ke.end() || !cellInRange(day, jie))
        return 0;
    const auto [first, last] = d.span(s);
    if (first >= last || it->second.size() < static_cast<std::size_t>(last) * kMarksPerClass)
        return 0;
    const std::uint8_t head = it->second[KemuDraft::markAt(first, day, jie)];
    for (int k = first + 1; k < last; ++k)
        if (it->second[KemuDraft::markAt(k, day, jie)] != head)
            return kMarkVaries;
    return head;
}

int nextMark(int shown)
{
    switch (shown) {
    case model::MarkNone:
        return model::MarkPrefer;
    case model::MarkPrefer:
        return model::MarkCertain;
    case model::MarkCertain:
        return model::MarkNever;
    default:
        return model::MarkNone;  // "不排" and a differing cell
    }
}

void setMark(const KemuDraft& d, MarkWork& w, std::int64_t ke, Scope s, int day, int jie, int mark)
{
    if (!cellInRange(day, jie) || mark < model::MarkNone || mark > model::MarkNever)
        return;
    // A subject added after the copy was taken starts unmarked in it.
    auto it = w.ke.try_emplace(ke, d.classes.size() * kMarksPerClass, std::uint8_t{0}).first;
    const auto [first, last] = d.span(s);
    if (it->second.size() < static_cast<std::size_t>(last) * kMarksPerClass)
        return;
    for (int k = first; k < last; ++k)
        it->second[KemuDraft::markAt(k, day, jie)] = static_cast<std::uint8_t>(mark);
}

void clearMarks(const KemuDraft& d, MarkWork& w, std::int64_t ke)
{
    auto it = w.ke.find(ke);
    if (it == w.ke.end())
        return;
    const int classes = static_cast<int>(it->second.size() / kMarksPerClass);
    for (int k = 0; k < classes; ++k)
        for (int day = 1; day <= d.theDay && day <= model::kMaxDays; ++day)
            for (int j = 1; j <= d.P && j <= model::kMaxJie; ++j)
                it->second[KemuDraft::markAt(k, day, j)] = model::MarkNone;
}

bool commitMarks(KemuDraft& d, const MarkWork& w)
{
    bool changed = false;
    for (auto& r : d.rows) {
        auto it = w.ke.find(r.id);
        if (it == w.ke.end() || it->second.size() != r.marks.size() || it->second == r.marks)
            continue;
        r.marks = it->second;
        changed = true;
    }
    return changed;
}

void forgetSubject(MarkWork& w, std::int64_t ke)
{
    w.ke.erase(ke);
}

}  // namespace tavrin::entry
