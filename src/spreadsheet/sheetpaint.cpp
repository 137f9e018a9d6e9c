#include "spreadsheet/sheetpaint.h"

#include <QFile>
#include <QFontMetricsF>
#include <QImage>
#include <QPageLayout>
#include <QPageSize>
#include <QPainter>
#include <QPdfWriter>
#include <QString>

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <functional>
#include <map>

namespace tavrin::spreadsheet {
namespace {

// Sizes as the spreadsheet lays them out: a column of w characters is trunc(7w + 5) pixels
// of 3/4 point (the default font's digit), a row without a height 15 points.
constexpr double kDefaultWidth = 8.43;
constexpr double kDefaultHeight = 15;
constexpr double kPad = 1;  // the text's distance from the cell's sides

double columnPoints(const Sheet& sh, int c)
{
    const auto it = sh.widths().find(c);
    const double w = it == sh.widths().end() ? kDefaultWidth : it->second;
    const double px = w < 1 ? std::trunc(w * 12 + 0.5) : std::trunc(w * 7 + 5);
    return px * 0.75;
}

// Rows without a height of their own, grown to their tallest text (filled in later).
using Fitted = std::map<int, double>;

double rowPoints(const Sheet& sh, const Fitted& fitted, int r)
{
    const auto it = sh.heights().find(r);
    if (it != sh.heights().end())
        return it->second;
    const auto f = fitted.find(r);
    return f == fitted.end() ? kDefaultHeight : f->second;
}

int lastRowOf(const Sheet& sh)
{
    int n = sh.lastRow();
    for (const Range& m : sh.merges())
        n = std::max(n, m.r2);
    return std::max(n, 1);
}

int lastColOf(const Sheet& sh)
{
    int n = sh.lastCol();
    for (const Range& m : sh.merges())
        n = std::max(n, m.c2);
    return std::max(n, 1);
}

QPageSize::PageSizeId pageSizeOf(Paper p)
{
    switch (p) {
    case Paper::A3: return QPageSize::A3;
    case Paper::A5: return QPageSize::A5;
    default: return QPageSize::A4;
    }
}

QPageLayout layoutOf(const Sheet& sh)
{
    return QPageLayout(QPageSize(pageSizeOf(sh.page.paper)),
                       sh.page.landscape ? QPageLayout::Landscape : QPageLayout::Portrait, QMarginsF(0, 0, 0, 0),
                       QPageLayout::Point);
}

QSizeF paperPoints(const Sheet& sh) { return layoutOf(sh).fullRect(QPageLayout::Point).size(); }

// Cuts `items` (sizes in points) into runs fitting `room`, each run after the first led by
// the title items when the run starts past them.
std::vector<std::vector<int>> cut(int last, double room, int title1, int title2, const std::function<double(int)>& size)
{
    double titles = 0;
    if (title1 > 0)
        for (int i = title1; i <= title2; ++i)
            titles += size(i);
    std::vector<std::vector<int>> out;
    int i = 1;
    while (i <= last) {
        std::vector<int> run;
        double used = 0;
        if (title1 > 0 && i > title2) {
            for (int t = title1; t <= title2; ++t)
                run.push_back(t);
            used = titles;
        }
        const std::size_t own = run.size();
        while (i <= last && (run.size() == own || used + size(i) <= room)) {
            used += size(i);
            run.push_back(i++);
        }
        out.push_back(std::move(run));
    }
    return out;
}

struct Printable {
    double x, y, w, h;
};

Printable printableOf(const Sheet& sh)
{
    const QSizeF paper = paperPoints(sh);
    const PageSetup& pg = sh.page;
    return {pg.left, pg.top, std::max(1.0, paper.width() - pg.left - pg.right),
            std::max(1.0, paper.height() - pg.top - pg.bottom)};
}

// Sizes go in as pixels of one point each: the drawing's unit is the point whatever the
// device, so measuring and drawing agree on screens, PDF writers and printers alike.
QFont fontOf(const std::string& face, double size, const Workbook& book)
{
    QFont f(QString::fromStdString(face.empty() ? book.defaultFont : face));
    f.setPixelSize(std::max(1, static_cast<int>(std::lround(size > 0 ? size : book.defaultSize))));
    return f;
}

struct Segment {
    QString text;
    QFont font;
};
using Line = std::vector<Segment>;

double lineWidth(const Line& l)
{
    double w = 0;
    for (const Segment& s : l)
        w += QFontMetricsF(s.font).horizontalAdvance(s.text);
    return w;
}

double lineHeight(const Line& l, const QFont& fallback)
{
    double h = QFontMetricsF(fallback).height();
    if (!l.empty()) {
        h = 0;
        for (const Segment& s : l)
            h = std::max(h, QFontMetricsF(s.font).height());
    }
    return h;
}

// The cell's lines, each a run of segments in their own fonts.
std::vector<Line> linesOf(const Cell& cell, const QFont& cellFont, const Workbook& book)
{
    std::vector<Line> lines(1);
    auto add = [&](const std::string& text, const QFont& font) {
        const QStringList parts = QString::fromStdString(text).split(QLatin1Char('\n'));
        for (int i = 0; i < parts.size(); ++i) {
            if (i > 0)
                lines.emplace_back();
            if (!parts[i].isEmpty())
                lines.back().push_back({parts[i], font});
        }
    };
    if (cell.runs.size() >= 2) {
        for (const Run& r : cell.runs)
            add(r.text, fontOf(r.font.empty() ? cell.style.font : r.font, r.size > 0 ? r.size : cell.style.size, book));
    } else if (cell.kind == Cell::Kind::Number) {
        add(QString::number(cell.number, 'g', 15).toStdString(), cellFont);
    } else {
        add(cell.text, cellFont);
    }
    return lines;
}

// Breaks lines wider than `room` between characters (the texts are mostly Chinese).
std::vector<Line> wrapLines(const std::vector<Line>& in, double room)
{
    std::vector<Line> out;
    for (const Line& l : in) {
        Line cur;
        double used = 0;
        for (const Segment& s : l) {
            const QFontMetricsF fm(s.font);
            QString piece;
            for (const QChar ch : s.text) {
                const double w = fm.horizontalAdvance(ch);
                if (used + w > room && (used > 0)) {
                    if (!piece.isEmpty())
                        cur.push_back({piece, s.font});
                    out.push_back(std::move(cur));
                    cur.clear();
                    piece.clear();
                    used = 0;
                }
                piece += ch;
                used += w;
            }
            if (!piece.isEmpty())
                cur.push_back({piece, s.font});
        }
        out.push_back(std::move(cur));
    }
    return out;
}

// Vertical text: one character a line, the paragraphs one after the other.
std::vector<Line> stackLines(const std::vector<Line>& in)
{
    std::vector<Line> out;
    for (const Line& l : in)
        for (const Segment& s : l)
            for (const QChar ch : s.text)
                out.push_back({{QString(ch), s.font}});
    return out;
}

// The lines a cell of `width` points shows, with their heights.
std::vector<Line> layoutLines(const Cell& cell, double width, const Workbook& book, std::vector<double>& heights,
                              double& total)
{
    const Style& st = cell.style;
    const QFont cellFont = fontOf(st.font, st.size, book);
    std::vector<Line> lines = linesOf(cell, cellFont, book);
    const double indent = st.indent * 9.0;
    const double room = std::max(1.0, width - 2 * kPad - indent);
    if (st.vertical)
        lines = stackLines(lines);
    else if (st.wrap)
        lines = wrapLines(lines, room);
    double widest = 0;
    for (const Line& l : lines)
        widest = std::max(widest, lineWidth(l));
    if (st.shrink && !st.wrap && widest > room) {
        const double k = room / widest;
        for (Line& l : lines)
            for (Segment& s : l)
                s.font.setPixelSize(std::max(1, static_cast<int>(s.font.pixelSize() * k)));
    }
    heights.clear();
    total = 0;
    for (const Line& l : lines) {
        heights.push_back(lineHeight(l, cellFont));
        total += heights.back();
    }
    return lines;
}

Fitted fitRows(const Sheet& sh, const Workbook& book)
{
    Fitted out;
    std::vector<double> heights;
    double total = 0;
    for (const auto& [rc, cell] : sh.cells()) {
        const auto [r, c] = rc;
        if (cell.kind == Cell::Kind::Empty || sh.heights().count(r) || sh.mergeAt(r, c))
            continue;
        layoutLines(cell, columnPoints(sh, c), book, heights, total);
        const double need = std::max(kDefaultHeight, total + 2);
        double& h = out[r];
        h = std::max(h, need);
    }
    return out;
}

void drawText(QPainter& p, const QRectF& rect, const Cell& cell, const Workbook& book, bool clip)
{
    const Style& st = cell.style;
    const QFont cellFont = fontOf(st.font, st.size, book);
    const double indent = st.indent * 9.0;
    std::vector<double> heights;
    double total = 0;
    const std::vector<Line> lines = layoutLines(cell, rect.width(), book, heights, total);
    double y = rect.top();
    double gap = 0;
    switch (st.v) {
    case VAlign::Top: y += 1; break;
    case VAlign::Center: y += (rect.height() - total) / 2; break;
    case VAlign::Bottom: y = rect.bottom() - total - 1; break;
    case VAlign::Distributed:
        if (lines.size() > 1 && total < rect.height() - 2 * kPad) {
            gap = (rect.height() - 2 * kPad - total) / static_cast<double>(lines.size() - 1);
            y += kPad;
        } else {
            y += (rect.height() - total) / 2;
        }
        break;
    }
    if (clip) {
        p.save();
        p.setClipRect(rect);
    }
    HAlign h = st.h;
    if (h == HAlign::General)
        h = cell.kind == Cell::Kind::Number ? HAlign::Right : HAlign::Left;
    if (st.vertical || h == HAlign::Distributed)
        h = HAlign::Center;
    for (std::size_t i = 0; i < lines.size(); ++i) {
        const Line& l = lines[i];
        const double w = lineWidth(l);
        double x = rect.left() + kPad;
        if (h == HAlign::Center)
            x = rect.left() + (rect.width() - w) / 2;
        else if (h == HAlign::Right)
            x = rect.right() - kPad - indent - w;
        else
            x += indent;
        double ascent = 0;
        for (const Segment& s : l)
            ascent = std::max(ascent, QFontMetricsF(s.font).ascent());
        if (l.empty())
            ascent = QFontMetricsF(cellFont).ascent();
        const double base = y + ascent;
        for (const Segment& s : l) {
            p.setFont(s.font);
            p.drawText(QPointF(x, base), s.text);
            x += QFontMetricsF(s.font).horizontalAdvance(s.text);
        }
        y += heights[i] + gap;
    }
    if (clip)
        p.restore();
}

double penOf(int weight) { return weight >= 3 ? 1.5 : weight == 2 ? 0.6 : 0.3; }

// Draws one page of a sheet: the rows and columns of `page`, placed from `origin` at `scale`.
void paintPage(QPainter& p, const Sheet& sh, const Fitted& fitted, const SheetPage& page, const Workbook& book)
{
    std::map<int, double> x, y, w, h;  // positions and sizes of the page's rows and columns
    double at = 0;
    for (int c : page.cols) {
        x[c] = at;
        w[c] = columnPoints(sh, c);
        at += w[c];
    }
    const double width = at;
    at = 0;
    for (int r : page.rows) {
        y[r] = at;
        h[r] = rowPoints(sh, fitted, r);
        at += h[r];
    }
    const double height = at;

    const Printable room = printableOf(sh);
    double scale = 1;
    if (sh.page.fitToPage && width > 0 && height > 0)
        scale = std::min({1.0, room.w / width, room.h / height});
    double ox = room.x, oy = room.y;
    if (sh.page.centerH)
        ox += std::max(0.0, (room.w - width * scale) / 2);
    if (sh.page.centerV)
        oy += std::max(0.0, (room.h - height * scale) / 2);
    p.save();
    p.translate(ox, oy);
    p.scale(scale, scale);

    // The extent on this page of a range's visible rows and columns.
    auto extent = [&](const Range& rg) -> QRectF {
        double x1 = -1, x2 = -1, y1 = -1, y2 = -1;
        for (int c : page.cols)
            if (c >= rg.c1 && c <= rg.c2) {
                if (x1 < 0)
                    x1 = x[c];
                x2 = x[c] + w[c];
            }
        for (int r : page.rows)
            if (r >= rg.r1 && r <= rg.r2) {
                if (y1 < 0)
                    y1 = y[r];
                y2 = y[r] + h[r];
            }
        if (x1 < 0 || y1 < 0)
            return {};
        return QRectF(QPointF(x1, y1), QPointF(x2, y2));
    };

    // Text first, lines over it.
    // A merge cut by the page shows its text in the part on this page.
    for (const auto& [rc, cell] : sh.cells()) {
        const auto [r, c] = rc;
        if (cell.kind == Cell::Kind::Empty)
            continue;
        const Range* m = sh.mergeAt(r, c);
        if (m && (m->r1 != r || m->c1 != c))
            continue;
        if (!m && (!x.count(c) || !y.count(r)))
            continue;
        const QRectF rect = m ? extent(*m) : QRectF(x[c], y[r], w[c], h[r]);
        if (rect.isEmpty())
            continue;
        drawText(p, rect, cell, book, m != nullptr || cell.style.wrap || cell.style.vertical);
    }
    for (int pass = 1; pass <= 3; ++pass) {
        QPen pen(Qt::black);
        pen.setWidthF(penOf(pass));
        pen.setCapStyle(Qt::SquareCap);
        p.setPen(pen);
        for (const auto& [rc, cell] : sh.cells()) {
            const auto [r, c] = rc;
            if (!x.count(c) || !y.count(r))
                continue;
            const Edges& e = cell.style.edges;
            const Range* m = sh.mergeAt(r, c);
            const double x1 = x[c], x2 = x[c] + w[c], y1 = y[r], y2 = y[r] + h[r];
            if (e.top == pass && (!m || r == m->r1))
                p.drawLine(QPointF(x1, y1), QPointF(x2, y1));
            if (e.bottom == pass && (!m || r == m->r2))
                p.drawLine(QPointF(x1, y2), QPointF(x2, y2));
            if (e.left == pass && (!m || c == m->c1))
                p.drawLine(QPointF(x1, y1), QPointF(x1, y2));
            if (e.right == pass && (!m || c == m->c2))
                p.drawLine(QPointF(x2, y1), QPointF(x2, y2));
        }
    }
    for (const Picture& pic : sh.pictures()) {
        if (!x.count(pic.col) || !y.count(pic.row))
            continue;
        const QImage img = QImage::fromData(reinterpret_cast<const uchar*>(pic.png.data()),
                                            static_cast<int>(pic.png.size()), "PNG");
        if (!img.isNull())
            p.drawImage(QRectF(x[pic.col], y[pic.row], img.width() * 0.75, img.height() * 0.75), img);
    }
    p.restore();
}

}  // namespace

namespace {

std::vector<SheetPage> paginateFitted(const Sheet& sh, const Fitted& fitted)
{
    const int rows = lastRowOf(sh), cols = lastColOf(sh);
    const PageSetup& pg = sh.page;
    if (pg.fitToPage) {
        SheetPage one;
        for (int r = 1; r <= rows; ++r)
            one.rows.push_back(r);
        for (int c = 1; c <= cols; ++c)
            one.cols.push_back(c);
        return {one};
    }
    const Printable room = printableOf(sh);
    const auto rowRuns = cut(rows, room.h, pg.titleRow1, pg.titleRow2, [&](int r) { return rowPoints(sh, fitted, r); });
    const auto colRuns = cut(cols, room.w, pg.titleCol1, pg.titleCol2, [&](int c) { return columnPoints(sh, c); });
    std::vector<SheetPage> out;
    // Down, then over, as the spreadsheet prints.
    for (const auto& cr : colRuns)
        for (const auto& rr : rowRuns)
            out.push_back({rr, cr});
    return out;
}

}  // namespace

std::vector<SheetPage> paginate(const Sheet& sh, const Workbook& book) { return paginateFitted(sh, fitRows(sh, book)); }

int paintWorkbook(const Workbook& book, QPagedPaintDevice& device, QPainter& painter, bool firstPage)
{
    int pages = 0;
    for (int i = 0; i < book.count(); ++i) {
        const Sheet& sh = book.sheet(i);
        const Fitted fitted = fitRows(sh, book);
        for (const SheetPage& page : paginateFitted(sh, fitted)) {
            if (!firstPage) {
                device.setPageLayout(layoutOf(sh));
                device.newPage();
            }
            firstPage = false;
            painter.save();
            painter.scale(device.logicalDpiX() / 72.0, device.logicalDpiY() / 72.0);
            paintPage(painter, sh, fitted, page, book);
            painter.restore();
            ++pages;
        }
    }
    return pages;
}

PdfResult writePdf(const Workbook& book, const std::string& path)
{
    namespace fs = std::filesystem;
    PdfResult res;
    const fs::path target(path);
    const fs::path temp = target.parent_path() / (target.filename().string() + ".part");
    {
        QPdfWriter pdf(QString::fromStdString(temp.string()));
        pdf.setCreator(QStringLiteral("Tavrin"));
        if (book.count() > 0)
            pdf.setPageLayout(layoutOf(book.sheet(0)));
        QPainter painter;
        if (!painter.begin(&pdf)) {
            res.error = "无法写入 " + temp.string();
            return res;
        }
        res.pages = paintWorkbook(book, pdf, painter);
        painter.end();
    }
    std::error_code ec;
    fs::rename(temp, target, ec);
    if (ec) {
        fs::remove(temp, ec);
        res.error = ec.message();
        return res;
    }
    res.ok = true;
    return res;
}

}  // namespace tavrin::spreadsheet
