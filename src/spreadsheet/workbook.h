// An in-memory workbook: the sheets the exports build cell by cell and range by range, the
// way a spreadsheet application is filled, written at the end as one .xlsx file. Range
// operations only record each cell's look; the writer turns every distinct look into one
// shared cell format, so a sheet of thousands of cells needs a few dozen formats.
#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <utility>
#include <vector>

namespace tavrin::spreadsheet {

// Rows and columns count from 1, sizes are points, column widths character units.
enum class HAlign : std::uint8_t { General, Left, Center, Right, Distributed };
enum class VAlign : std::uint8_t { Bottom, Center, Top, Distributed };

// Border weights: 0 none, 1 hairline, 2 thin, 3 medium.
struct Edges {
    std::uint8_t top = 0, bottom = 0, left = 0, right = 0;
    bool operator==(const Edges&) const = default;
};

struct Style {
    std::string font;  // empty: the workbook's default face
    double size = 0;   // 0: the workbook's default size
    HAlign h = HAlign::General;
    VAlign v = VAlign::Bottom;
    bool wrap = false, shrink = false, vertical = false;
    std::uint8_t indent = 0;
    Edges edges;
    bool operator==(const Style&) const = default;
};

// A run of a rich text cell with its own face and size (empty/0: the cell's).
struct Run {
    std::string text;
    std::string font;
    double size = 0;
};

struct Cell {
    enum class Kind : std::uint8_t { Empty, Text, Number };
    Kind kind = Kind::Empty;
    std::string text;
    double number = 0;
    std::vector<Run> runs;  // two or more: a rich text (text holds the whole string)
    Style style;
};

struct Range {
    int r1 = 1, c1 = 1, r2 = 1, c2 = 1;
    bool contains(int r, int c) const { return r >= r1 && r <= r2 && c >= c1 && c <= c2; }
    bool operator==(const Range&) const = default;
};

enum class Paper : std::uint8_t { Default = 0, A3 = 8, A4 = 9, A5 = 11 };

struct PageSetup {
    Paper paper = Paper::Default;
    bool landscape = false;
    bool fitToPage = false;  // one page wide and one page tall
    // Margins in points.
    double left = 54, right = 54, top = 72, bottom = 72, header = 36, footer = 36;
    bool centerH = false, centerV = false;
    int zoom = 100;  // the window's zoom
    int titleRow1 = 0, titleRow2 = 0;  // rows repeated on every printed page; 0 = none
    int titleCol1 = 0, titleCol2 = 0;  // columns likewise
    std::vector<int> breaksBefore;     // rows that begin a printed page (row 1 needs none)
};

// A transparent picture anchored at a cell, sized in pixels (PNG bytes).
struct Picture {
    int row = 1, col = 1;
    std::string png;
};

inline constexpr double kMaxRowHeight = 409;

class Sheet {
public:
    std::string name;  // as asked; the workbook makes it valid and unique
    PageSetup page;

    // Names and other texts are always text, so "0701" stays "0701".
    void setText(int r, int c, const std::string& text);
    void setNumber(int r, int c, double v);
    // Two or more runs; when a run is empty the cell is a plain text in the first
    // non-empty run's look.
    void setRuns(int r, int c, std::vector<Run> runs);
    void clear(int r, int c);

    void merge(const Range& rg);
    void font(const Range& rg, const std::string& name);
    void fontSize(const Range& rg, double size);
    void align(const Range& rg, HAlign h);
    void valign(const Range& rg, VAlign v);
    void wrap(const Range& rg, bool on = true);
    void shrink(const Range& rg, bool on = true);
    void vertical(const Range& rg, bool on = true);
    void indent(const Range& rg, int level);
    // Every edge of every cell of the range.
    void bordersAll(const Range& rg, int weight);
    // The lines between the range's columns (rows).
    void bordersInsideVertical(const Range& rg, int weight);
    void bordersInsideHorizontal(const Range& rg, int weight);
    void borderAround(const Range& rg, int weight);

    void columnWidth(int c, double w) { widths_[c] = w; }
    // Clamped to what the file format holds.
    void rowHeight(int r, double h) { heights_[r] = h < 0 ? 0 : (h > kMaxRowHeight ? kMaxRowHeight : h); }
    void addPicture(Picture p) { pictures_.push_back(std::move(p)); }

    // Copies rows r1..r2 (cells, merges inside them, heights) to start at row `to`.
    void copyRows(int r1, int r2, int to);

    const Cell* cell(int r, int c) const;
    const std::map<std::pair<int, int>, Cell>& cells() const { return cells_; }
    const std::vector<Range>& merges() const { return merges_; }
    const std::map<int, double>& widths() const { return widths_; }
    const std::map<int, double>& heights() const { return heights_; }
    const std::vector<Picture>& pictures() const { return pictures_; }
    // The merge a cell lies in, or nullptr.
    const Range* mergeAt(int r, int c) const;
    int lastRow() const;
    int lastCol() const;

private:
    Cell& at(int r, int c) { return cells_[{r, c}]; }
    template <class F>
    void each(const Range& rg, F f)
    {
        for (int r = rg.r1; r <= rg.r2; ++r)
            for (int c = rg.c1; c <= rg.c2; ++c)
                f(at(r, c), r, c);
    }
    std::map<std::pair<int, int>, Cell> cells_;
    std::vector<Range> merges_;
    std::map<int, double> widths_, heights_;
    std::vector<Picture> pictures_;
};

// What a sheet is called in the file: at most 31 characters (UTF-16 units, as the
// spreadsheet counts), none of []:*?/\, no apostrophe at either end, never empty, and
// unique ignoring case among `taken`. A name that must change keeps as much of itself as
// fits and takes "(2)", "(3)"… when it collides.
std::string validSheetName(const std::string& wanted, const std::vector<std::string>& taken);

// The width in character units a text needs in a cell of `size` points (0: `defaultSize`),
// as a spreadsheet measures it: a CJK or other wide character about two units, any other
// one, the longest line of a text that breaks, and a little room on either side.
double textWidthUnits(const std::string& text, double size, double defaultSize = 11);
// Every column holding a value made as wide as its widest value, the fit to contents a
// spreadsheet offers; columns without values keep their width.
void fitColumnWidths(Sheet& sh, double defaultSize = 11);

struct WriteResult {
    bool ok = false;
    std::string error;  // the reason, for "无法保存EXCEL文件。"
    int formats = 0;    // distinct cell formats written
};

class Workbook {
public:
    std::string defaultFont = "宋体";
    double defaultSize = 11;

    // A new sheet at the end.
    Sheet& add(const std::string& name);
    // Inserts a copy of `src` after sheet index `after` (-1: at the front).
    Sheet& insertCopy(const Sheet& src, int after);
    void remove(int index);
    int count() const { return static_cast<int>(sheets_.size()); }
    Sheet& sheet(int i) { return sheets_[static_cast<std::size_t>(i)]; }
    const Sheet& sheet(int i) const { return sheets_[static_cast<std::size_t>(i)]; }
    // The names the file will hold, in order.
    std::vector<std::string> sheetNames() const;

    // Writes the .xlsx through a temporary file in the same folder, renamed over `path`
    // only when complete, so a failure leaves no half-written file.
    WriteResult save(const std::string& path) const;

private:
    std::vector<Sheet> sheets_;
};

}  // namespace tavrin::spreadsheet
