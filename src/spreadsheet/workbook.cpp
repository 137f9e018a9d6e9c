#include "spreadsheet/workbook.h"

#include <xlsxwriter.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fmt/format.h>
#include <system_error>
#include <unistd.h>

#include "timetable/kbtext.h"

namespace tavrin::spreadsheet {

void Sheet::setText(int r, int c, const std::string& text)
{
    Cell& x = at(r, c);
    x.kind = Cell::Kind::Text;
    x.text = text;
    x.runs.clear();
}

void Sheet::setNumber(int r, int c, double v)
{
    Cell& x = at(r, c);
    x.kind = Cell::Kind::Number;
    x.number = v;
    x.text.clear();
    x.runs.clear();
}

void Sheet::setRuns(int r, int c, std::vector<Run> runs)
{
    Cell& x = at(r, c);
    x.kind = Cell::Kind::Text;
    x.text.clear();
    for (const Run& run : runs)
        x.text += run.text;
    // The file format has no empty run: a rich text needs two runs with text.
    std::erase_if(runs, [](const Run& run) { return run.text.empty(); });
    if (runs.size() >= 2) {
        x.runs = std::move(runs);
    } else {
        x.runs.clear();
        if (runs.size() == 1) {
            if (!runs[0].font.empty())
                x.style.font = runs[0].font;
            if (runs[0].size > 0)
                x.style.size = runs[0].size;
        }
    }
}

void Sheet::clear(int r, int c)
{
    auto it = cells_.find({r, c});
    if (it == cells_.end())
        return;
    it->second.kind = Cell::Kind::Empty;
    it->second.text.clear();
    it->second.runs.clear();
}

void Sheet::merge(const Range& rg)
{
    std::erase_if(merges_, [&](const Range& m) {
        return !(m.r2 < rg.r1 || m.r1 > rg.r2 || m.c2 < rg.c1 || m.c1 > rg.c2);
    });
    if (rg.r1 == rg.r2 && rg.c1 == rg.c2)
        return;
    merges_.push_back(rg);
    // The merged area keeps the top-left value only.
    for (int r = rg.r1; r <= rg.r2; ++r)
        for (int c = rg.c1; c <= rg.c2; ++c)
            if (r != rg.r1 || c != rg.c1)
                clear(r, c);
}

void Sheet::font(const Range& rg, const std::string& name)
{
    each(rg, [&](Cell& x, int, int) { x.style.font = name; });
}
void Sheet::fontSize(const Range& rg, double size)
{
    each(rg, [&](Cell& x, int, int) { x.style.size = size; });
}
void Sheet::align(const Range& rg, HAlign h)
{
    each(rg, [&](Cell& x, int, int) { x.style.h = h; });
}
void Sheet::valign(const Range& rg, VAlign v)
{
    each(rg, [&](Cell& x, int, int) { x.style.v = v; });
}
void Sheet::wrap(const Range& rg, bool on)
{
    each(rg, [&](Cell& x, int, int) { x.style.wrap = on; });
}
void Sheet::shrink(const Range& rg, bool on)
{
    each(rg, [&](Cell& x, int, int) { x.style.shrink = on; });
}
void Sheet::vertical(const Range& rg, bool on)
{
    each(rg, [&](Cell& x, int, int) { x.style.vertical = on; });
}
void Sheet::indent(const Range& rg, int level)
{
    each(rg, [&](Cell& x, int, int) { x.style.indent = static_cast<std::uint8_t>(std::clamp(level, 0, 15)); });
}

void Sheet::bordersAll(const Range& rg, int weight)
{
    const auto w = static_cast<std::uint8_t>(weight);
    each(rg, [&](Cell& x, int, int) { x.style.edges = {w, w, w, w}; });
}
void Sheet::bordersInsideVertical(const Range& rg, int weight)
{
    const auto w = static_cast<std::uint8_t>(weight);
    each(rg, [&](Cell& x, int, int c) {
        if (c > rg.c1)
            x.style.edges.left = w;
        if (c < rg.c2)
            x.style.edges.right = w;
    });
}
void Sheet::bordersInsideHorizontal(const Range& rg, int weight)
{
    const auto w = static_cast<std::uint8_t>(weight);
    each(rg, [&](Cell& x, int r, int) {
        if (r > rg.r1)
            x.style.edges.top = w;
        if (r < rg.r2)
            x.style.edges.bottom = w;
    });
}
void Sheet::borderAround(const Range& rg, int weight)
{
    const auto w = static_cast<std::uint8_t>(weight);
    each(rg, [&](Cell& x, int r, int c) {
        if (r == rg.r1)
            x.style.edges.top = w;
        if (r == rg.r2)
            x.style.edges.bottom = w;
        if (c == rg.c1)
            x.style.edges.left = w;
        if (c == rg.c2)
            x.style.edges.right = w;
    });
}

void Sheet::copyRows(int r1, int r2, int to)
{
    const int shift = to - r1;
    std::vector<std::pair<std::pair<int, int>, Cell>> copied;
    for (const auto& [key, x] : cells_)
        if (key.first >= r1 && key.first <= r2)
            copied.push_back({{key.first + shift, key.second}, x});
    for (auto& [key, x] : copied)
        cells_[key] = std::move(x);
    std::vector<Range> more;
    for (const Range& m : merges_)
        if (m.r1 >= r1 && m.r2 <= r2)
            more.push_back({m.r1 + shift, m.c1, m.r2 + shift, m.c2});
    for (const Range& m : more)
        merges_.push_back(m);
    std::vector<std::pair<int, double>> hs;
    for (const auto& [r, h] : heights_)
        if (r >= r1 && r <= r2)
            hs.push_back({r + shift, h});
    for (const auto& [r, h] : hs)
        heights_[r] = h;
    std::vector<Picture> pics;
    for (const Picture& p : pictures_)
        if (p.row >= r1 && p.row <= r2)
            pics.push_back({p.row + shift, p.col, p.png});
    for (Picture& p : pics)
        pictures_.push_back(std::move(p));
}

const Cell* Sheet::cell(int r, int c) const
{
    auto it = cells_.find({r, c});
    return it == cells_.end() ? nullptr : &it->second;
}

const Range* Sheet::mergeAt(int r, int c) const
{
    for (const Range& m : merges_)
        if (m.contains(r, c))
            return &m;
    return nullptr;
}

int Sheet::lastRow() const
{
    int n = 0;
    for (const auto& [key, x] : cells_)
        n = std::max(n, key.first);
    for (const auto& [r, h] : heights_)
        n = std::max(n, r);
    return n;
}

int Sheet::lastCol() const
{
    int n = 0;
    for (const auto& [key, x] : cells_)
        n = std::max(n, key.second);
    for (const auto& [c, w] : widths_)
        n = std::max(n, c);
    return n;
}

namespace {

// UTF-8 code points with their byte length; a broken sequence counts one byte as one point.
struct Point {
    std::size_t bytes;
    int units;  // UTF-16 units
};

Point nextPoint(const std::string& s, std::size_t i)
{
    const auto b = static_cast<unsigned char>(s[i]);
    std::size_t len = b < 0x80 ? 1 : (b >> 5) == 6 ? 2 : (b >> 4) == 14 ? 3 : (b >> 3) == 30 ? 4 : 1;
    if (i + len > s.size())
        len = 1;
    for (std::size_t k = 1; k < len; ++k)
        if ((static_cast<unsigned char>(s[i + k]) & 0xC0) != 0x80)
            return {1, 1};
    return {len, len == 4 ? 2 : 1};
}

// Keeps whole characters up to `units` UTF-16 units.
std::string cut(const std::string& s, int units)
{
    std::size_t i = 0;
    int used = 0;
    while (i < s.size()) {
        Point p = nextPoint(s, i);
        if (used + p.units > units)
            break;
        used += p.units;
        i += p.bytes;
    }
    return s.substr(0, i);
}

std::string folded(std::string s)
{
    for (char& ch : s)
        if (ch >= 'A' && ch <= 'Z')
            ch = static_cast<char>(ch - 'A' + 'a');
    return s;
}

constexpr int kSheetNameMax = 31;

}  // namespace

double textWidthUnits(const std::string& text, double size, double defaultSize)
{
    int widest = 0;
    std::size_t from = 0;
    while (from <= text.size()) {
        std::size_t nl = text.find('\n', from);
        if (nl == std::string::npos)
            nl = text.size();
        widest = std::max(widest, timetable::displayWidth(text.substr(from, nl - from)));
        from = nl + 1;
    }
    const double scale = (size > 0 ? size : defaultSize) / 11.0;
    return widest * scale + 1.5;
}

void fitColumnWidths(Sheet& sh, double defaultSize)
{
    // The widest a column can be in the file format.
    constexpr double kMaxWidth = 255;
    std::map<int, double> need;
    for (const auto& [rc, x] : sh.cells()) {
        if (x.kind == Cell::Kind::Empty || sh.mergeAt(rc.first, rc.second) != nullptr)
            continue;
        const std::string text = x.kind == Cell::Kind::Number ? fmt::format("{}", x.number) : x.text;
        double& w = need[rc.second];
        w = std::max(w, textWidthUnits(text, x.style.size, defaultSize));
    }
    for (const auto& [c, w] : need)
        sh.columnWidth(c, std::min(w, kMaxWidth));
}

std::string validSheetName(const std::string& wanted, const std::vector<std::string>& taken)
{
    std::string base;
    for (std::size_t i = 0; i < wanted.size();) {
        Point p = nextPoint(wanted, i);
        if (p.bytes == 1) {
            const char ch = wanted[i];
            const auto u = static_cast<unsigned char>(ch);
            if (std::string_view("[]:*?/\\").find(ch) != std::string_view::npos || u < 0x20)
                base += '_';
            else if (u < 0x80)
                base += ch;
            // a stray byte of a broken sequence is dropped
        } else {
            base.append(wanted, i, p.bytes);
        }
        i += p.bytes;
    }
    while (!base.empty() && base.front() == '\'')
        base.erase(0, 1);
    while (!base.empty() && base.back() == '\'')
        base.pop_back();
    if (base.empty())
        base = "Sheet";
    base = cut(base, kSheetNameMax);
    while (!base.empty() && base.back() == '\'')
        base.pop_back();

    auto used = [&](const std::string& n) {
        const std::string f = folded(n);
        return std::any_of(taken.begin(), taken.end(), [&](const std::string& t) { return folded(t) == f; });
    };
    if (!used(base))
        return base;
    for (int k = 2;; ++k) {
        const std::string tail = fmt::format("({})", k);
        std::string n = cut(base, kSheetNameMax - static_cast<int>(tail.size())) + tail;
        if (!used(n))
            return n;
    }
}

Sheet& Workbook::add(const std::string& name)
{
    sheets_.emplace_back();
    sheets_.back().name = name;
    return sheets_.back();
}

Sheet& Workbook::insertCopy(const Sheet& src, int after)
{
    Sheet copy = src;
    auto pos = sheets_.begin() + (after + 1);
    return *sheets_.insert(pos, std::move(copy));
}

void Workbook::remove(int index)
{
    sheets_.erase(sheets_.begin() + index);
}

std::vector<std::string> Workbook::sheetNames() const
{
    std::vector<std::string> out;
    for (const Sheet& s : sheets_)
        out.push_back(validSheetName(s.name, out));
    return out;
}

namespace {

std::uint8_t lxwBorder(std::uint8_t w)
{
    switch (w) {
    case 1: return LXW_BORDER_HAIR;
    case 2: return LXW_BORDER_THIN;
    case 3: return LXW_BORDER_MEDIUM;
    default: return LXW_BORDER_NONE;
    }
}

class Formats {
public:
    Formats(lxw_workbook* wb, const Workbook& book) : wb_(wb), book_(book) {}

    lxw_format* cell(const Style& s)
    {
        const std::string key = fmt::format("{}|{}|{}|{}|{}{}{}|{}|{}{}{}{}", s.font, s.size, int(s.h), int(s.v), s.wrap,
                                            s.shrink, s.vertical, s.indent, s.edges.top, s.edges.bottom,
                                            s.edges.left, s.edges.right);
        auto it = map_.find(key);
        if (it != map_.end())
            return it->second;
        lxw_format* f = workbook_add_format(wb_);
        face(f, s.font, s.size);
        switch (s.h) {
        case HAlign::Left: format_set_align(f, LXW_ALIGN_LEFT); break;
        case HAlign::Center: format_set_align(f, LXW_ALIGN_CENTER); break;
        case HAlign::Right: format_set_align(f, LXW_ALIGN_RIGHT); break;
        case HAlign::Distributed: format_set_align(f, LXW_ALIGN_DISTRIBUTED); break;
        case HAlign::General: break;
        }
        switch (s.v) {
        case VAlign::Center: format_set_align(f, LXW_ALIGN_VERTICAL_CENTER); break;
        case VAlign::Top: format_set_align(f, LXW_ALIGN_VERTICAL_TOP); break;
        case VAlign::Distributed: format_set_align(f, LXW_ALIGN_VERTICAL_DISTRIBUTED); break;
        case VAlign::Bottom: break;
        }
        if (s.wrap)
            format_set_text_wrap(f);
        if (s.shrink)
            format_set_shrink(f);
        if (s.vertical)
            format_set_rotation(f, 270);  // stacked letters, one under another
        if (s.indent > 0)
            format_set_indent(f, s.indent);
        format_set_top(f, lxwBorder(s.edges.top));
        format_set_bottom(f, lxwBorder(s.edges.bottom));
        format_set_left(f, lxwBorder(s.edges.left));
        format_set_right(f, lxwBorder(s.edges.right));
        map_.emplace(key, f);
        return f;
    }

    lxw_format* run(const std::string& font, double size)
    {
        const std::string key = fmt::format("run|{}|{}", font, size);
        auto it = map_.find(key);
        if (it != map_.end())
            return it->second;
        lxw_format* f = workbook_add_format(wb_);
        face(f, font, size);
        map_.emplace(key, f);
        return f;
    }

    int count() const { return static_cast<int>(map_.size()); }

private:
    void face(lxw_format* f, const std::string& font, double size)
    {
        format_set_font_name(f, font.empty() ? book_.defaultFont.c_str() : font.c_str());
        format_set_font_size(f, size > 0 ? size : book_.defaultSize);
    }
    lxw_workbook* wb_;
    const Workbook& book_;
    std::map<std::string, lxw_format*> map_;
};

struct Fail {
    std::string why;
};

void check(lxw_error e, const char* what)
{
    if (e != LXW_NO_ERROR)
        throw Fail{fmt::format("{}：{}", what, lxw_strerror(e))};
}

std::uint8_t paperCode(Paper p) { return static_cast<std::uint8_t>(p); }

void writeSheet(lxw_workbook* wb, lxw_worksheet* ws, const Sheet& sh, Formats& formats)
{
    for (const auto& [c, w] : sh.widths())
        check(worksheet_set_column(ws, static_cast<lxw_col_t>(c - 1), static_cast<lxw_col_t>(c - 1), w, nullptr),
              "列宽");
    for (const auto& [r, h] : sh.heights())
        check(worksheet_set_row(ws, static_cast<lxw_row_t>(r - 1), h, nullptr), "行高");
    for (const Range& m : sh.merges())
        check(worksheet_merge_range(ws, static_cast<lxw_row_t>(m.r1 - 1), static_cast<lxw_col_t>(m.c1 - 1),
                                    static_cast<lxw_row_t>(m.r2 - 1), static_cast<lxw_col_t>(m.c2 - 1), "",
                                    nullptr),
              "合并单元格");
    for (const auto& [key, x] : sh.cells()) {
        const auto r = static_cast<lxw_row_t>(key.first - 1);
        const auto c = static_cast<lxw_col_t>(key.second - 1);
        lxw_format* f = formats.cell(x.style);
        if (x.kind == Cell::Kind::Number) {
            check(worksheet_write_number(ws, r, c, x.number, f), "写入单元格");
        } else if (x.kind == Cell::Kind::Text && x.runs.size() >= 2) {
            std::vector<lxw_rich_string_tuple> tuples(x.runs.size());
            std::vector<lxw_rich_string_tuple*> ptrs;
            for (std::size_t i = 0; i < x.runs.size(); ++i) {
                const Run& run = x.runs[i];
                tuples[i].format = formats.run(run.font.empty() ? x.style.font : run.font,
                                               run.size > 0 ? run.size : x.style.size);
                tuples[i].string = const_cast<char*>(run.text.c_str());
                ptrs.push_back(&tuples[i]);
            }
            ptrs.push_back(nullptr);
            check(worksheet_write_rich_string(ws, r, c, ptrs.data(), f), "写入单元格");
        } else if (x.kind == Cell::Kind::Text && !x.text.empty()) {
            check(worksheet_write_string(ws, r, c, x.text.c_str(), f), "写入单元格");
        } else {
            check(worksheet_write_blank(ws, r, c, f), "写入单元格");
        }
    }
    for (const Picture& p : sh.pictures()) {
        // Anchored to the cells it covers and sized with them, so a picture drawn for a corner
        // still fills it where the application measures columns with other character widths.
        lxw_image_options opts{};
        opts.object_position = LXW_OBJECT_MOVE_AND_SIZE;
        check(worksheet_insert_image_buffer_opt(ws, static_cast<lxw_row_t>(p.row - 1), static_cast<lxw_col_t>(p.col - 1),
                                                reinterpret_cast<const unsigned char*>(p.png.data()), p.png.size(),
                                                &opts),
              "插入图片");
    }
    const PageSetup& pg = sh.page;
    if (pg.paper != Paper::Default)
        worksheet_set_paper(ws, paperCode(pg.paper));
    if (pg.landscape)
        worksheet_set_landscape(ws);
    else
        worksheet_set_portrait(ws);
    if (pg.fitToPage)
        worksheet_fit_to_pages(ws, 1, 1);
    worksheet_set_margins(ws, pg.left / 72.0, pg.right / 72.0, pg.top / 72.0, pg.bottom / 72.0);
    lxw_header_footer_options hopt{};
    hopt.margin = pg.header / 72.0;
    lxw_header_footer_options fopt{};
    fopt.margin = pg.footer / 72.0;
    check(worksheet_set_header_opt(ws, "", &hopt), "页眉");
    check(worksheet_set_footer_opt(ws, "", &fopt), "页脚");
    if (pg.centerH)
        worksheet_center_horizontally(ws);
    if (pg.centerV)
        worksheet_center_vertically(ws);
    if (pg.zoom != 100)
        worksheet_set_zoom(ws, static_cast<std::uint16_t>(std::clamp(pg.zoom, 10, 400)));
    if (pg.titleRow1 > 0)
        check(worksheet_repeat_rows(ws, static_cast<lxw_row_t>(pg.titleRow1 - 1),
                                    static_cast<lxw_row_t>(std::max(pg.titleRow1, pg.titleRow2) - 1)),
              "打印标题");
    if (pg.titleCol1 > 0)
        check(worksheet_repeat_columns(ws, static_cast<lxw_col_t>(pg.titleCol1 - 1),
                                       static_cast<lxw_col_t>(std::max(pg.titleCol1, pg.titleCol2) - 1)),
              "打印标题");
    // Breaks above each row; the file holds at most 1023, and a break above row 1 is none.
    std::vector<lxw_row_t> breaks;
    for (int r : pg.breaksBefore)
        if (r > 1 && breaks.size() < 1023)
            breaks.push_back(static_cast<lxw_row_t>(r - 1));
    if (!breaks.empty()) {
        breaks.push_back(0);
        check(worksheet_set_h_pagebreaks(ws, breaks.data()), "分页符");
    }
    (void)wb;
}

}  // namespace

WriteResult Workbook::save(const std::string& path) const
{
    namespace fs = std::filesystem;
    WriteResult out;
    const fs::path target(path);
    const fs::path dir = target.has_parent_path() ? target.parent_path() : fs::path(".");
    std::error_code ec;
    if (!fs::is_directory(dir, ec)) {
        out.error = "文件夹不存在：" + dir.string();
        return out;
    }
    const fs::path tmp = dir / fmt::format(".{}.{}.tmp", target.filename().string(), ::getpid());
    lxw_workbook_options opts{};
    opts.constant_memory = LXW_FALSE;
    std::string tmpdir = dir.string();
    opts.tmpdir = tmpdir.data();
    lxw_workbook* wb = workbook_new_opt(tmp.string().c_str(), &opts);
    if (wb == nullptr) {
        out.error = "无法创建文件";
        return out;
    }
    try {
        Formats formats(wb, *this);
        const std::vector<std::string> names = sheetNames();
        for (std::size_t i = 0; i < sheets_.size(); ++i) {
            lxw_worksheet* ws = workbook_add_worksheet(wb, names[i].c_str());
            if (ws == nullptr)
                throw Fail{"工作表名称无效：" + names[i]};
            writeSheet(wb, ws, sheets_[i], formats);
        }
        if (sheets_.empty())
            workbook_add_worksheet(wb, nullptr);
        out.formats = formats.count();
    } catch (const Fail& f) {
        workbook_close(wb);
        fs::remove(tmp, ec);
        out.error = f.why;
        return out;
    }
    const lxw_error e = workbook_close(wb);
    if (e != LXW_NO_ERROR) {
        fs::remove(tmp, ec);
        out.error = lxw_strerror(e);
        return out;
    }
    fs::rename(tmp, target, ec);
    if (ec) {
        std::error_code ignore;
        fs::remove(tmp, ignore);
        out.error = ec.message();
        return out;
    }
    out.ok = true;
    return out;
}

}  // namespace tavrin::spreadsheet
