#include "spreadsheet/entryimport.h"

#include <fmt/format.h>

#include <algorithm>
#include <map>
#include <set>
#include <unordered_map>

#include "entry/subjects.h"
#include "spreadsheet/slips.h"

namespace tavrin::spreadsheet {

namespace {

// A cell's text in a message: a pasted essay must not fill the screen.
std::string shortText(const std::string& s)
{
    constexpr std::size_t kMaxChars = 30;
    std::size_t chars = 0, i = 0;
    while (i < s.size() && chars < kMaxChars) {
        const auto c = static_cast<unsigned char>(s[i]);
        i += c < 0x80 ? 1 : c < 0xE0 ? 2 : c < 0xF0 ? 3 : 4;
        ++chars;
    }
    return i >= s.size() ? s : s.substr(0, i) + "…";
}

// The first and the label row/column of the sheet, read as a list of names that ends at the
// first empty cell. Names after that gap are reported, never guessed at.
struct Axis {
    std::map<int, std::int64_t> mapped;  // row or column -> what it names
    std::set<int> reported;              // rows or columns already in the report
    std::unordered_map<std::int64_t, int> first;  // what is named -> where first
};

// `what` names the thing a label must match, for the reason ("年级", "班级", "科目").
template <class Lookup>
void addLabel(Axis& axis, std::vector<ImportSkip>& skipped, int row, int col, int at, bool& gap,
              const std::string& raw, const char* what, const Lookup& lookup)
{
    const std::string name = trimSpaces(raw);
    if (name.empty()) {
        gap = true;
        return;
    }
    if (gap) {
        skipped.push_back({row, col, raw, "在空白单元格之后，未导入"});
        axis.reported.insert(at);
        return;
    }
    const std::optional<std::int64_t> hit = lookup(name);
    if (!hit) {
        skipped.push_back({row, col, raw, fmt::format("没有这个{}，未导入", what)});
        axis.reported.insert(at);
        return;
    }
    if (auto [it, fresh] = axis.first.emplace(*hit, at); !fresh) {
        const int other = it->second;
        skipped.push_back({row, col, raw,
                           fmt::format("与{}重复，未导入", row == 1 ? columnLetters(other) + "列" : fmt::format("第{}行", other))});
        axis.reported.insert(at);
        return;
    }
    axis.mapped.emplace(at, *hit);
}

// Row 1 from column B on.
template <class Lookup>
Axis headerColumns(const SheetGrid& sheet, std::vector<ImportSkip>& skipped, const char* what, const Lookup& lookup)
{
    Axis axis;
    if (sheet.rows.empty() || sheet.rows.front().row != 1)
        return axis;
    bool gap = false;
    int expect = 2;
    for (const auto& [col, text] : sheet.rows.front().cells) {
        if (col < 2)
            continue;
        if (col != expect)
            gap = true;
        expect = col + 1;
        addLabel(axis, skipped, 1, col, col, gap, text, what, lookup);
    }
    return axis;
}

// Column A from row 2 on.
template <class Lookup>
Axis labelRows(const SheetGrid& sheet, std::vector<ImportSkip>& skipped, const char* what, const Lookup& lookup)
{
    Axis axis;
    bool gap = false;
    int expect = 2;
    for (const auto& r : sheet.rows) {
        if (r.row < 2)
            continue;
        if (r.row != expect)
            gap = true;
        expect = r.row + 1;
        const std::string& text = !r.cells.empty() && r.cells.front().first == 1 ? r.cells.front().second : std::string();
        addLabel(axis, skipped, r.row, 1, r.row, gap, text, what, lookup);
    }
    return axis;
}

// Filled cells in a row or column that no label names (or that comes after the lists' end)
// are reported once per row or column, unless that row or column is reported already.
void reportUnlabelled(const SheetGrid& sheet, Axis& rows, Axis& cols, std::vector<ImportSkip>& skipped,
                      const char* rowWhat, const char* colWhat)
{
    for (const auto& r : sheet.rows) {
        if (r.row < 2)
            continue;
        for (const auto& [col, text] : r.cells) {
            if (col < 2 || trimSpaces(text).empty())
                continue;
            const bool rowKnown = rows.mapped.count(r.row) || rows.reported.count(r.row);
            const bool colKnown = cols.mapped.count(col) || cols.reported.count(col);
            if (!rowKnown) {
                skipped.push_back({r.row, 0, text, fmt::format("A列没有{}名称，该行未导入", rowWhat)});
                rows.reported.insert(r.row);
            } else if (!colKnown) {
                skipped.push_back({0, col, text, fmt::format("第1行没有{}名称，该列未导入", colWhat)});
                cols.reported.insert(col);
            }
        }
    }
}

void fillTemplate(Sheet& sh, const std::vector<std::string>& across, const std::vector<std::string>& down)
{
    sh.setText(1, 1, kCornerText);
    int c = 2;
    for (const auto& name : across)
        if (!name.empty())
            sh.setText(1, c++, name);
    int r = 2;
    for (const auto& name : down)
        if (!name.empty())
            sh.setText(r++, 1, name);
    sh.columnWidth(1, 16);
    for (int k = 2; k < c; ++k)
        sh.columnWidth(k, 12);
    const int lastRow = std::max(r - 1, 1), lastCol = std::max(c - 1, 1);
    sh.bordersAll({1, 1, lastRow, lastCol}, 1);
    sh.align({1, 2, 1, lastCol}, HAlign::Center);
}

// The names of a list, in order, and where each name first stands (nameless entries left out).
template <class List, class Name>
std::vector<std::string> namesOf(const List& list, Name name)
{
    std::vector<std::string> out;
    for (const auto& x : list)
        out.push_back(name(x));
    return out;
}
std::unordered_map<std::string, std::int64_t> firstByName(const std::vector<std::string>& names)
{
    std::unordered_map<std::string, std::int64_t> out;
    for (std::size_t i = 0; i < names.size(); ++i)
        if (!names[i].empty())
            out.emplace(names[i], static_cast<std::int64_t>(i));
    return out;
}

std::uint64_t pairKey(std::size_t a, std::size_t b)
{
    return (static_cast<std::uint64_t>(a) << 32) | static_cast<std::uint64_t>(b);
}

struct TeaKey {
    std::uint64_t cell;
    std::int64_t tea;
    bool operator==(const TeaKey&) const = default;
};
struct TeaKeyHash {
    std::size_t operator()(const TeaKey& k) const
    {
        return std::hash<std::uint64_t>()(k.cell * 1000003u ^ static_cast<std::uint64_t>(k.tea));
    }
};

}  // namespace

std::string skipLine(const ImportSkip& s)
{
    std::string where;
    if (s.row > 0 && s.col > 0)
        where = fmt::format("第{}行{}列", s.row, columnLetters(s.col));
    else if (s.row > 0)
        where = fmt::format("第{}行", s.row);
    else
        where = fmt::format("{}列", columnLetters(s.col));
    return fmt::format("{}“{}”：{}", where, shortText(s.text), s.reason);
}

std::string skippedMessage(const std::vector<ImportSkip>& skipped, std::size_t shown)
{
    if (skipped.empty())
        return {};
    std::string out = fmt::format("以下{}项未按表中所写导入：", skipped.size());
    for (std::size_t i = 0; i < skipped.size() && i < shown; ++i)
        out += "\n" + skipLine(skipped[i]);
    if (skipped.size() > shown)
        out += fmt::format("\n……另有{}项未列出。", skipped.size() - shown);
    return out;
}

// ---------------------------------------------------------------- subject periods

Workbook subjectTemplate(const entry::KemuDraft& d)
{
    Workbook book;
    fillTemplate(book.add("科目节数"), namesOf(d.groups, [](const auto& g) { return g.name; }),
                 namesOf(d.rows, [](const auto& r) { return r.name; }));
    return book;
}

SubjectPlan planSubjects(const SheetGrid& sheet, const entry::KemuDraft& d)
{
    SubjectPlan plan;
    const auto groupByName = firstByName(namesOf(d.groups, [](const auto& g) { return g.name; }));
    const auto rowByName = firstByName(namesOf(d.rows, [](const auto& r) { return r.name; }));

    Axis cols = headerColumns(sheet, plan.skipped, "年级", [&](const std::string& n) -> std::optional<std::int64_t> {
        auto it = groupByName.find(n);
        return it == groupByName.end() ? std::nullopt : std::optional<std::int64_t>(it->second);
    });
    // Every name in column A is a subject: one the grid lacks becomes a new row, so only a gap
    // ends the list.
    std::unordered_map<std::string, std::int64_t> seen;
    Axis rows = labelRows(sheet, plan.skipped, "科目", [&](const std::string& n) -> std::optional<std::int64_t> {
        return seen.emplace(n, static_cast<std::int64_t>(seen.size())).first->second;
    });
    std::set<std::string> newNames;
    for (const auto& [sheetRow, unused] : rows.mapped) {
        SubjectPlan::Row row;
        row.sheetRow = sheetRow;
        row.name = trimSpaces(sheet.text(sheetRow, 1));
        auto hit = rowByName.find(row.name);
        row.draftRow = hit == rowByName.end() ? -1 : static_cast<int>(hit->second);
        if (row.draftRow < 0 && newNames.insert(row.name).second)
            ++plan.newSubjects;
        row.cells.resize(d.groups.size());
        for (const auto& [col, g] : cols.mapped) {
            const auto& group = d.groups[static_cast<std::size_t>(g)];
            const std::string& raw = sheet.text(sheetRow, col);
            const std::vector<std::string> pieces = splitList(raw);
            auto value = [](const std::string& p) -> std::optional<long long> {
                const auto v = parseCount(p);
                if (!v || *v < 0 || *v > entry::kMaxKemuJie)
                    return std::nullopt;
                return v;
            };
            std::string text;
            bool bad = false;
            if (pieces.size() == 1) {
                if (!pieces[0].empty()) {
                    if (const auto v = value(pieces[0]))
                        text = std::to_string(*v);
                    else
                        bad = true;
                }
            } else {
                const std::size_t used = std::min<std::size_t>(pieces.size(), static_cast<std::size_t>(group.count));
                for (std::size_t i = 0; i < used; ++i) {
                    const auto v = value(pieces[i]);
                    bad = bad || !v;
                    text += (i ? "," : "") + std::to_string(v.value_or(0));
                }
                if (pieces.size() > used)
                    plan.skipped.push_back({sheetRow, col, raw,
                                            fmt::format("多于该年级的{}个班，多出的节数未导入", group.count)});
            }
            if (bad)
                plan.skipped.push_back({sheetRow, col, raw,
                                        fmt::format("不是0到{}的整数，按0计", entry::kMaxKemuJie)});
            row.cells[static_cast<std::size_t>(g)] = std::move(text);
        }
        plan.rows.push_back(std::move(row));
    }
    reportUnlabelled(sheet, rows, cols, plan.skipped, "科目", "年级");
    if (d.rows.size() + static_cast<std::size_t>(plan.newSubjects) > static_cast<std::size_t>(entry::kMaxKemuRows))
        plan.refusal = kTooManySubjectsText;
    return plan;
}

bool applySubjects(entry::KemuDraft& d, const SubjectPlan& plan)
{
    if (!plan.refusal.empty())
        return false;
    bool changed = false;
    std::unordered_map<std::string, int> made;
    for (const auto& pr : plan.rows) {
        int row = pr.draftRow;
        if (row < 0) {
            auto it = made.find(pr.name);
            if (it != made.end()) {
                row = it->second;
            } else {
                if (!entry::addSubject(d, &row))
                    return changed;  // the plan's count rules this out
                d.rows[static_cast<std::size_t>(row)].name = pr.name;
                made.emplace(pr.name, row);
                changed = true;
            }
        }
        for (std::size_t g = 0; g < pr.cells.size(); ++g) {
            if (!pr.cells[g])
                continue;
            const auto before = d.rows[static_cast<std::size_t>(row)].jieshu;
            entry::setGroupText(d, row, static_cast<int>(g), *pr.cells[g]);
            changed = changed || before != d.rows[static_cast<std::size_t>(row)].jieshu;
        }
    }
    return changed;
}

// ---------------------------------------------------------------- teaching assignments

Workbook assignmentTemplate(const entry::TeaDraft& d)
{
    Workbook book;
    fillTemplate(book.add("教师任课"), namesOf(d.classes, [](const auto& c) { return c.name; }),
                 namesOf(d.subjects, [](const auto& k) { return k.name; }));
    return book;
}

AssignmentPlan planAssignments(const SheetGrid& sheet, const entry::TeaDraft& d)
{
    AssignmentPlan plan;
    const auto classByName = firstByName(namesOf(d.classes, [](const auto& c) { return c.name; }));
    const auto subjectByName = firstByName(namesOf(d.subjects, [](const auto& k) { return k.name; }));
    std::unordered_map<std::string, std::int64_t> teaByName;
    for (const auto& t : d.rows)
        teaByName.emplace(t.name, t.id);
    auto finder = [](const std::unordered_map<std::string, std::int64_t>& m) {
        return [&m](const std::string& n) -> std::optional<std::int64_t> {
            auto it = m.find(n);
            return it == m.end() ? std::nullopt : std::optional<std::int64_t>(it->second);
        };
    };
    Axis cols = headerColumns(sheet, plan.skipped, "班级", finder(classByName));
    Axis rows = labelRows(sheet, plan.skipped, "科目", finder(subjectByName));

    // What is assigned already, per (class, subject) and per teacher there.
    std::unordered_map<std::int64_t, std::size_t> classPos, subjectPos;
    for (std::size_t c = 0; c < d.classes.size(); ++c)
        classPos.emplace(d.classes[c].id, c);
    for (std::size_t k = 0; k < d.subjects.size(); ++k)
        subjectPos.emplace(d.subjects[k].id, k);
    std::unordered_map<std::uint64_t, std::int64_t> assigned;
    std::unordered_map<TeaKey, std::int64_t, TeaKeyHash> held;
    for (const auto& e : d.renke) {
        if (e.empty() || e.jieshu <= 0)
            continue;
        auto c = classPos.find(e.ban);
        auto k = subjectPos.find(e.ke);
        if (c == classPos.end() || k == subjectPos.end())
            continue;
        const std::uint64_t cell = pairKey(c->second, k->second);
        assigned[cell] += e.jieshu;
        held[{cell, e.tea}] += e.jieshu;
    }

    // Teachers the import makes get keys below zero until the apply gives them an ID.
    std::unordered_map<std::string, std::int64_t> made;
    auto teacherKey = [&](const std::string& name) {
        if (auto it = teaByName.find(name); it != teaByName.end())
            return it->second;
        auto [it, fresh] = made.emplace(name, -static_cast<std::int64_t>(made.size()) - 1);
        if (fresh)
            plan.newTeachers.push_back(name);
        return it->second;
    };
    auto add = [&](int r, int c, const std::string& name, std::int64_t tea, std::uint64_t cell, std::size_t cp,
                   std::size_t kp, std::int64_t n) {
        assigned[cell] += n;
        held[{cell, tea}] += n;
        plan.adds.push_back({r, c, name, tea > 0 ? tea : 0, d.classes[cp].id, d.subjects[kp].id, n});
    };

    for (const auto& gr : sheet.rows) {
        auto rowIt = rows.mapped.find(gr.row);
        if (rowIt == rows.mapped.end())
            continue;
        const auto kp = static_cast<std::size_t>(rowIt->second);
        for (const auto& [col, raw] : gr.cells) {
            auto colIt = cols.mapped.find(col);
            if (colIt == cols.mapped.end())
                continue;
            const auto cp = static_cast<std::size_t>(colIt->second);
            const std::uint64_t cell = pairKey(cp, kp);
            const std::int64_t weekly = d.need[cp * d.subjects.size() + kp];
            auto skip = [&](std::string reason) { plan.skipped.push_back({gr.row, col, raw, std::move(reason)}); };
            const std::vector<std::string> pieces = splitList(raw);
            if (pieces.size() == 1) {
                const std::string& name = pieces[0];
                if (name.empty())
                    continue;
                if (parseCount(name)) {
                    skip("只有节数，没有教师姓名");
                    continue;
                }
                const std::int64_t tea = teacherKey(name);
                // The rest in a signed count: a class covered already leaves nothing to give.
                const std::int64_t rest = weekly - assigned[cell];
                if (rest > 0)
                    add(gr.row, col, name, tea, cell, cp, kp, rest);
                else if (held[{cell, tea}] == 0 || held[{cell, tea}] != assigned[cell])
                    skip(fmt::format("该班该科已无未分配的节数（每周{}节，已分配{}节）", weekly, assigned[cell]));
                continue;
            }
            // A teacher named twice in one cell holds the sum of his counts.
            std::vector<std::pair<std::string, std::int64_t>> wanted;
            for (std::size_t i = 0; i < pieces.size(); i += 2) {
                const std::string& name = pieces[i];
                if (i + 1 >= pieces.size()) {
                    if (!name.empty())
                        skip(fmt::format("“{}”后缺少节数，未导入", shortText(name)));
                    break;
                }
                const std::string& count = pieces[i + 1];
                if (name.empty()) {
                    if (!count.empty())
                        skip(fmt::format("节数“{}”前缺少教师姓名，未导入", shortText(count)));
                    continue;
                }
                const auto v = parseCount(count);
                if (!v || *v < 1) {
                    skip(fmt::format("{}的节数“{}”不是1或以上的整数，未导入", shortText(name), shortText(count)));
                    continue;
                }
                const auto n = static_cast<std::int64_t>(std::min<long long>(*v, 1000000));
                auto same = std::find_if(wanted.begin(), wanted.end(), [&](const auto& w) { return w.first == name; });
                if (same == wanted.end())
                    wanted.emplace_back(name, n);
                else
                    same->second = std::min<std::int64_t>(same->second + n, 1000000);
            }
            for (const auto& [name, n] : wanted) {
                const std::int64_t tea = teacherKey(name);
                const std::int64_t want = n - held[{cell, tea}];
                if (want <= 0)
                    continue;  // he holds that much already
                const std::int64_t free = weekly - assigned[cell];
                if (free <= 0) {
                    skip(fmt::format("{}：该班该科已无未分配的节数，未导入", shortText(name)));
                    continue;
                }
                if (want > free)
                    skip(fmt::format("{}：该班该科只剩{}节未分配，只导入{}节", shortText(name), free, free));
                add(gr.row, col, name, tea, cell, cp, kp, std::min(want, free));
            }
        }
    }
    reportUnlabelled(sheet, rows, cols, plan.skipped, "科目", "班级");
    // Names only ever seen in skipped cells make nobody.
    std::set<std::string> used;
    for (const auto& a : plan.adds)
        if (a.tea == 0)
            used.insert(a.name);
    plan.newTeachers.erase(std::remove_if(plan.newTeachers.begin(), plan.newTeachers.end(),
                                          [&](const std::string& n) { return !used.count(n); }),
                           plan.newTeachers.end());
    if (d.rows.size() + plan.newTeachers.size() > static_cast<std::size_t>(entry::kMaxTeaRows))
        plan.refusal = kTooManyTeachersText;
    return plan;
}

bool applyAssignments(entry::TeaDraft& d, const AssignmentPlan& plan)
{
    if (!plan.refusal.empty())
        return false;
    std::unordered_map<std::string, std::int64_t> made;
    for (const auto& a : plan.adds) {
        std::int64_t tea = a.tea;
        if (tea == 0) {
            if (auto it = made.find(a.name); it != made.end()) {
                tea = it->second;
            } else {
                // The first use makes the teacher, as typing the name on the page would.
                if (!entry::inputRenke(d, a.name, a.ke, a.jieshu, a.ban))
                    continue;
                made.emplace(a.name, d.rows.back().id);
                continue;
            }
        }
        entry::addRenke(d, tea, a.ban, 0, a.jieshu, a.ke);
    }
    return !plan.adds.empty();
}

}  // namespace tavrin::spreadsheet
