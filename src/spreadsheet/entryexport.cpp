#include "spreadsheet/entryexport.h"

#include <algorithm>
#include <map>
#include <set>
#include <string_view>
#include <unordered_map>
#include <unordered_set>

#include "spreadsheet/slips.h"

namespace tavrin::spreadsheet {

namespace {

bool endsWith(const std::string& s, std::string_view tail)
{
    return s.size() >= tail.size() && s.compare(s.size() - tail.size(), tail.size(), tail) == 0;
}

// A plain count is written as a number, so the spreadsheet adds it up; anything else as text.
void setCount(Sheet& sh, int r, int c, const std::string& text)
{
    if (text.empty())
        return;
    const bool digits = text.size() <= 9 && std::all_of(text.begin(), text.end(), [](char ch) { return ch >= '0' && ch <= '9'; });
    if (digits && (text.size() == 1 || text[0] != '0'))
        sh.setNumber(r, c, std::stod(text));
    else
        sh.setText(r, c, text);
}

void header(Sheet& sh, int c, const std::string& text)
{
    sh.setText(1, c, text);
    sh.align({1, c, 1, c}, HAlign::Center);
}

// The live entries that put periods into the re-import sheet.
bool exported(const entry::RenkeEntry& e)
{
    return !e.empty() && e.jieshu > 0;
}

}  // namespace

std::string withXlsxSuffix(std::string name)
{
    if (!endsWith(name, ".xlsx"))
        name += ".xlsx";
    return name;
}

void fillSubjectSheet(const entry::KemuDraft& d, Sheet& sh)
{
    if (d.groups.empty())
        return;
    header(sh, 1, "科目");
    for (std::size_t g = 0; g < d.groups.size(); ++g)
        header(sh, static_cast<int>(g) + 2, d.groups[g].caption());
    for (std::size_t i = 0; i < d.rows.size(); ++i) {
        const int r = static_cast<int>(i) + 2;
        sh.setText(r, 1, d.rows[i].name);
        for (std::size_t g = 0; g < d.groups.size(); ++g)
            setCount(sh, r, static_cast<int>(g) + 2, d.groupCell(static_cast<int>(i), static_cast<int>(g)));
    }
    fitColumnWidths(sh);
}

namespace {

using Entries = std::vector<const entry::RenkeEntry*>;

// The cell of one class and subject from its entries in entry order.
std::string cellText(const Entries& here, std::int64_t weekly,
                     const std::unordered_map<std::int64_t, const std::string*>& names)
{
    auto name = [&](const entry::RenkeEntry& e) {
        const auto it = names.find(e.tea);
        return it == names.end() ? std::string() : *it->second;
    };
    if (here.size() == 1 && here.front()->jieshu == weekly)
        return name(*here.front());
    std::string out;
    for (const auto* e : here) {
        if (!out.empty())
            out += ',';
        out += name(*e) + ',' + std::to_string(e->jieshu);
    }
    return out;
}

std::unordered_map<std::int64_t, const std::string*> teacherNames(const entry::TeaDraft& d)
{
    std::unordered_map<std::int64_t, const std::string*> out;
    for (const auto& t : d.rows)
        out.emplace(t.id, &t.name);
    return out;
}

}  // namespace

std::string reimportCell(const entry::TeaDraft& d, std::int64_t ban, std::int64_t ke)
{
    Entries here;
    for (const auto& e : d.renke)
        if (exported(e) && e.ban == ban && e.ke == ke)
            here.push_back(&e);
    return cellText(here, d.weekly(ban, ke), teacherNames(d));
}

void fillReimportSheet(const entry::TeaDraft& d, Sheet& sh)
{
    header(sh, 1, "科目");
    for (std::size_t b = 0; b < d.classes.size(); ++b)
        header(sh, static_cast<int>(b) + 2, d.classes[b].name);
    for (std::size_t k = 0; k < d.subjects.size(); ++k)
        sh.setText(static_cast<int>(k) + 2, 1, d.subjects[k].name);
    // One pass over the entries, grouped by cell in entry order: a school's matrix is
    // thousands of cells over thousands of entries.
    std::map<std::pair<int, int>, Entries> cells;
    std::unordered_map<std::int64_t, int> classPos;
    for (std::size_t b = 0; b < d.classes.size(); ++b)
        classPos.emplace(d.classes[b].id, static_cast<int>(b));
    for (const auto& e : d.renke) {
        if (!exported(e))
            continue;
        const auto b = classPos.find(e.ban);
        const int k = d.subjectAt(e.ke);
        if (b != classPos.end() && k >= 0)
            cells[{k, b->second}].push_back(&e);
    }
    const auto names = teacherNames(d);
    for (const auto& [at, here] : cells) {
        const auto [k, b] = at;
        const std::int64_t weekly =
            d.need[static_cast<std::size_t>(b) * d.subjects.size() + static_cast<std::size_t>(k)];
        const std::string text = cellText(here, weekly, names);
        if (!text.empty())
            sh.setText(k + 2, b + 2, text);
    }
    fitColumnWidths(sh);
}

NameTrouble reimportNameTrouble(const entry::TeaDraft& d)
{
    std::unordered_set<std::int64_t> inSheet;
    for (const auto& e : d.renke)
        if (exported(e) && d.classAt(e.ban) >= 0 && d.subjectAt(e.ke) >= 0)
            inSheet.insert(e.tea);
    std::unordered_map<std::string, int> holders;
    for (const auto& t : d.rows)
        ++holders[trimSpaces(t.name)];
    NameTrouble out;
    std::set<std::string> sharedSeen;
    for (const auto& t : d.rows) {
        if (!inSheet.count(t.id))
            continue;
        const std::string trimmed = trimSpaces(t.name);
        if (trimmed.empty()) {
            ++out.nameless;
            continue;
        }
        if (t.name.find(',') != std::string::npos || t.name.find("，") != std::string::npos)
            out.comma.push_back(t.name);
        if (holders[trimmed] > 1 && sharedSeen.insert(trimmed).second)
            out.shared.push_back(trimmed);
        if (trimmed != t.name)
            out.spaced.push_back(t.name);
    }
    return out;
}

std::string reimportWarning(const NameTrouble& t)
{
    if (t.empty())
        return {};
    auto list = [](const std::vector<std::string>& names) {
        std::string s;
        for (const auto& n : names)
            s += (s.empty() ? "“" : "、“") + n + "”";
        return s;
    };
    std::string out = "导出的任课数据再导入时，以下教师的任课无法正确读回：";
    if (!t.comma.empty())
        out += "\n姓名中含有逗号：" + list(t.comma);
    if (!t.shared.empty())
        out += "\n多名教师同名：" + list(t.shared);
    if (!t.spaced.empty())
        out += "\n姓名前后有空格：" + list(t.spaced);
    if (t.nameless > 0)
        out += "\n没有姓名的教师：" + std::to_string(t.nameless) + "名";
    out += "\n请修改姓名后再导出。";
    return out;
}

void fillStatsSheet(const entry::TeaDraft& d, Sheet& sh)
{
    header(sh, 1, "姓名");
    header(sh, 2, "节数");
    header(sh, 3, "任课");
    for (std::size_t i = 0; i < d.rows.size(); ++i) {
        const auto& t = d.rows[i];
        const int r = static_cast<int>(i) + 2;
        sh.setText(r, 1, t.name);
        const std::int64_t periods = entry::teacherPeriods(d, t.id);
        if (periods > 0)
            sh.setNumber(r, 2, static_cast<double>(periods));
        int c = 3;
        for (const auto& chip : entry::chips(d, t.id)) {
            const auto members = entry::chipEntries(d, chip.entry);
            if (members.empty())
                continue;
            const auto& first = d.renke[static_cast<std::size_t>(members.front())];
            const bool oneSubject = std::all_of(members.begin(), members.end(), [&](int m) {
                return d.renke[static_cast<std::size_t>(m)].ke == first.ke;
            });
            std::string text;
            for (int m : members) {
                const auto& e = d.renke[static_cast<std::size_t>(m)];
                if (!text.empty())
                    text += '+';
                text += d.className(e.ban);
                if (!oneSubject)
                    text += "【" + d.subjectName(e.ke) + "】";
            }
            if (oneSubject)
                text += "【" + d.subjectName(first.ke) + "】";
            sh.setText(r, c++, text + std::to_string(first.jieshu) + "节");
        }
    }
    fitColumnWidths(sh);
}

EntryBook subjectBook(const entry::KemuDraft& d)
{
    EntryBook out;
    fillSubjectSheet(d, out.book.add("科目节数"));
    return out;
}

EntryBook reimportBook(const entry::TeaDraft& d)
{
    EntryBook out;
    fillReimportSheet(d, out.book.add("教师任课"));
    out.warning = reimportWarning(reimportNameTrouble(d));
    return out;
}

EntryBook statsBook(const entry::TeaDraft& d)
{
    EntryBook out;
    fillStatsSheet(d, out.book.add("任课统计"));
    return out;
}

}  // namespace tavrin::spreadsheet
