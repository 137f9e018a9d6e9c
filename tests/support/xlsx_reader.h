// Reads back what the tests care about in a written .xlsx (libzip and pugixml): sheet names
// and order, cell texts with their runs, merges, column widths, row heights, page set-up,
// print titles, borders and the number of cell formats. Tests compare these, never bytes.
#pragma once

#include <zip.h>

#include <map>
#include <pugixml.hpp>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

namespace tavrin::testing {

struct XlsxRun {
    std::string text, font;
    double size = 0;
};

struct XlsxBorder {
    std::string top, bottom, left, right;  // "thin", "medium", "hair" or empty
};

struct XlsxCell {
    std::string text;  // the value as text (numbers as written)
    bool number = false;
    std::vector<XlsxRun> runs;  // a rich text's runs
    std::string font;
    double size = 0;
    std::string halign, valign;
    bool wrap = false, shrink = false;
    int rotation = 0;
    XlsxBorder border;
};

struct XlsxSheet {
    std::string name;
    std::map<std::pair<int, int>, XlsxCell> cells;  // 1-based (row, column)
    std::vector<std::string> merges;                // "A1:F1"
    std::map<int, double> widths;                   // column -> width as stored
    std::map<int, double> heights;                  // row -> height
    int paper = 0;
    std::string orientation;
    bool fitToPage = false;
    int fitWidth = -1, fitHeight = -1;
    double marginLeft = 0, marginRight = 0, marginTop = 0, marginBottom = 0, marginHeader = 0, marginFooter = 0;
    bool centerH = false, centerV = false;
    std::string printTitles;  // the defined name's formula
    std::vector<int> breaksBefore;  // the rows a manual page break puts at the top of a page

    const XlsxCell* at(int r, int c) const
    {
        auto it = cells.find({r, c});
        return it == cells.end() ? nullptr : &it->second;
    }
    std::string text(int r, int c) const
    {
        const XlsxCell* x = at(r, c);
        return x ? x->text : std::string();
    }
    bool merged(const std::string& ref) const
    {
        for (const auto& m : merges)
            if (m == ref)
                return true;
        return false;
    }
};

struct XlsxBook {
    std::vector<XlsxSheet> sheets;
    int cellFormats = 0;
    const XlsxSheet& sheet(const std::string& name) const
    {
        for (const auto& s : sheets)
            if (s.name == name)
                return s;
        throw std::runtime_error("no sheet " + name);
    }
};

// "B12" -> (12, 2)
inline std::pair<int, int> xlsxRef(const std::string& ref)
{
    int c = 0;
    std::size_t i = 0;
    while (i < ref.size() && ref[i] >= 'A' && ref[i] <= 'Z')
        c = c * 26 + (ref[i++] - 'A' + 1);
    return {std::stoi(ref.substr(i)), c};
}

namespace detail {

inline std::string zipEntry(zip_t* z, const std::string& name)
{
    zip_stat_t st;
    if (zip_stat(z, name.c_str(), 0, &st) != 0)
        return {};
    zip_file_t* f = zip_fopen(z, name.c_str(), 0);
    if (!f)
        throw std::runtime_error("cannot open " + name);
    std::string out(st.size, '\0');
    zip_fread(f, out.data(), st.size);
    zip_fclose(f);
    return out;
}

inline void loadXml(pugi::xml_document& doc, const std::string& text)
{
    if (!text.empty() && !doc.load_buffer(text.data(), text.size()))
        throw std::runtime_error("bad xml");
}

inline std::vector<XlsxRun> runsOf(pugi::xml_node si, std::string& whole)
{
    std::vector<XlsxRun> runs;
    whole.clear();
    if (auto t = si.child("t"))
        whole = t.text().get();
    for (auto r : si.children("r")) {
        XlsxRun run;
        run.text = r.child("t").text().get();
        run.font = r.child("rPr").child("rFont").attribute("val").value();
        run.size = r.child("rPr").child("sz").attribute("val").as_double();
        whole += run.text;
        runs.push_back(run);
    }
    return runs;
}

}  // namespace detail

inline XlsxBook readXlsx(const std::string& path)
{
    int err = 0;
    zip_t* z = zip_open(path.c_str(), ZIP_RDONLY, &err);
    if (!z)
        throw std::runtime_error("not a zip: " + path);
    XlsxBook book;
    pugi::xml_document wb, rels, sst, styles;
    detail::loadXml(wb, detail::zipEntry(z, "xl/workbook.xml"));
    detail::loadXml(rels, detail::zipEntry(z, "xl/_rels/workbook.xml.rels"));
    detail::loadXml(sst, detail::zipEntry(z, "xl/sharedStrings.xml"));
    detail::loadXml(styles, detail::zipEntry(z, "xl/styles.xml"));

    std::vector<std::pair<std::string, std::vector<XlsxRun>>> strings;
    for (auto si : sst.child("sst").children("si")) {
        std::string whole;
        auto runs = detail::runsOf(si, whole);
        strings.push_back({whole, runs});
    }
    auto ss = styles.child("styleSheet");
    std::vector<std::pair<std::string, double>> fonts;
    for (auto f : ss.child("fonts").children("font"))
        fonts.push_back({f.child("name").attribute("val").value(), f.child("sz").attribute("val").as_double()});
    std::vector<XlsxBorder> borders;
    for (auto b : ss.child("borders").children("border"))
        borders.push_back({b.child("top").attribute("style").value(), b.child("bottom").attribute("style").value(),
                           b.child("left").attribute("style").value(), b.child("right").attribute("style").value()});
    std::vector<pugi::xml_node> xfs;
    for (auto xf : ss.child("cellXfs").children("xf"))
        xfs.push_back(xf);
    book.cellFormats = static_cast<int>(xfs.size());

    std::map<std::string, std::string> targets;
    for (auto r : rels.child("Relationships").children("Relationship"))
        targets[r.attribute("Id").value()] = r.attribute("Target").value();
    std::vector<std::string> names;
    for (auto s : wb.child("workbook").child("sheets").children("sheet")) {
        XlsxSheet sheet;
        sheet.name = s.attribute("name").value();
        names.push_back(sheet.name);
        pugi::xml_document ws;
        detail::loadXml(ws, detail::zipEntry(z, "xl/" + targets[s.attribute("r:id").value()]));
        auto root = ws.child("worksheet");
        for (auto col : root.child("cols").children("col"))
            for (int c = col.attribute("min").as_int(); c <= col.attribute("max").as_int(); ++c)
                sheet.widths[c] = col.attribute("width").as_double();
        for (auto row : root.child("sheetData").children("row")) {
            if (row.attribute("ht"))
                sheet.heights[row.attribute("r").as_int()] = row.attribute("ht").as_double();
            for (auto c : row.children("c")) {
                XlsxCell cell;
                const std::string t = c.attribute("t").value();
                if (t == "s") {
                    const auto& str = strings.at(c.child("v").text().as_uint());
                    cell.text = str.first;
                    cell.runs = str.second;
                } else if (t == "inlineStr") {
                    cell.runs = detail::runsOf(c.child("is"), cell.text);
                } else if (c.child("v")) {
                    cell.text = c.child("v").text().get();
                    cell.number = true;
                }
                const auto xfIndex = c.attribute("s").as_uint();
                if (xfIndex < xfs.size()) {
                    auto xf = xfs[xfIndex];
                    const auto fid = xf.attribute("fontId").as_uint();
                    if (fid < fonts.size()) {
                        cell.font = fonts[fid].first;
                        cell.size = fonts[fid].second;
                    }
                    const auto bid = xf.attribute("borderId").as_uint();
                    if (bid < borders.size())
                        cell.border = borders[bid];
                    auto al = xf.child("alignment");
                    cell.halign = al.attribute("horizontal").value();
                    cell.valign = al.attribute("vertical").value();
                    cell.wrap = al.attribute("wrapText").as_bool();
                    cell.shrink = al.attribute("shrinkToFit").as_bool();
                    cell.rotation = al.attribute("textRotation").as_int();
                }
                sheet.cells[xlsxRef(c.attribute("r").value())] = cell;
            }
        }
        for (auto m : root.child("mergeCells").children("mergeCell"))
            sheet.merges.push_back(m.attribute("ref").value());
        auto pm = root.child("pageMargins");
        sheet.marginLeft = pm.attribute("left").as_double();
        sheet.marginRight = pm.attribute("right").as_double();
        sheet.marginTop = pm.attribute("top").as_double();
        sheet.marginBottom = pm.attribute("bottom").as_double();
        sheet.marginHeader = pm.attribute("header").as_double();
        sheet.marginFooter = pm.attribute("footer").as_double();
        auto ps = root.child("pageSetup");
        sheet.paper = ps.attribute("paperSize").as_int();
        sheet.orientation = ps.attribute("orientation").value();
        sheet.fitWidth = ps.attribute("fitToWidth") ? ps.attribute("fitToWidth").as_int() : -1;
        sheet.fitHeight = ps.attribute("fitToHeight") ? ps.attribute("fitToHeight").as_int() : -1;
        sheet.fitToPage = root.child("sheetPr").child("pageSetUpPr").attribute("fitToPage").as_bool();
        for (auto brk : root.child("rowBreaks").children("brk"))
            sheet.breaksBefore.push_back(brk.attribute("id").as_int() + 1);
        auto po = root.child("printOptions");
        sheet.centerH = po.attribute("horizontalCentered").as_bool();
        sheet.centerV = po.attribute("verticalCentered").as_bool();
        book.sheets.push_back(std::move(sheet));
    }
    for (auto dn : wb.child("workbook").child("definedNames").children("definedName")) {
        if (std::string(dn.attribute("name").value()) != "_xlnm.Print_Titles")
            continue;
        const auto id = dn.attribute("localSheetId").as_uint();
        if (id < book.sheets.size())
            book.sheets[id].printTitles = dn.text().get();
    }
    zip_close(z);
    return book;
}

}  // namespace tavrin::testing
