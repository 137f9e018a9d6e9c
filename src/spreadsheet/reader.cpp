#include "spreadsheet/reader.h"

#include <freexl.h>
#include <zip.h>

#include <algorithm>
#include <atomic>
#include <charconv>
#include <cctype>
#include <cmath>
#include <cstring>
#include <fstream>
#include <optional>
#include <pugixml.hpp>
#include <map>
#include <sys/stat.h>
#include <poll.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>

namespace tavrin::spreadsheet {

namespace {

using Status = ReadResult::Status;

ReadResult fail(Status s)
{
    ReadResult r;
    r.status = s;
    switch (s) {
    case Status::NotWorkbook: r.message = kNotWorkbookText; break;
    case Status::Ods: r.message = kOdsText; break;
    case Status::Password: r.message = kPasswordText; break;
    case Status::Corrupt: r.message = kCorruptText; break;
    default: break;
    }
    return r;
}

ReadResult errorCell(int row, int col, std::string_view value)
{
    ReadResult r;
    r.status = Status::ErrorCell;
    r.message = errorCellText(row, col, value);
    return r;
}

// Thrown inside the readers and turned into a result at their edge.
struct Failure {
    ReadResult result;
};

[[noreturn]] void corrupt() { throw Failure{fail(Status::Corrupt)}; }

std::string_view localName(const char* name)
{
    std::string_view n(name);
    auto colon = n.rfind(':');
    return colon == std::string_view::npos ? n : n.substr(colon + 1);
}

pugi::xml_node child(pugi::xml_node parent, std::string_view local)
{
    for (pugi::xml_node c = parent.first_child(); c; c = c.next_sibling())
        if (c.type() == pugi::node_element && localName(c.name()) == local)
            return c;
    return {};
}

// Entities are never expanded by pugixml and nothing is ever fetched, but a document that
// declares a DOCTYPE is no workbook part any writer produces: it is refused outright.
// A substring search that stays fast on a large part: glibc's memmem, where std::string::find
// would compare at every '<' of the sheet.
std::size_t findIn(std::string_view s, std::string_view pat, std::size_t from = 0)
{
    if (from > s.size())
        return std::string_view::npos;
    const void* hit = ::memmem(s.data() + from, s.size() - from, pat.data(), pat.size());
    return hit ? std::size_t(static_cast<const char*>(hit) - s.data()) : std::string_view::npos;
}

bool hasDoctype(std::string_view xml) { return findIn(xml, "<!DOCTYPE") != std::string_view::npos; }

constexpr unsigned kParseOptions = pugi::parse_default | pugi::parse_ws_pcdata_single;

void parseXml(pugi::xml_document& doc, std::string& text)
{
    if (hasDoctype(text))
        corrupt();
    if (!doc.load_buffer_inplace(text.data(), text.size(), kParseOptions, pugi::encoding_utf8))
        corrupt();
}

void appendUtf8(std::string& out, unsigned cp)
{
    if (cp < 0x80) {
        out += char(cp);
    } else if (cp < 0x800) {
        out += char(0xC0 | (cp >> 6));
        out += char(0x80 | (cp & 0x3F));
    } else {
        out += char(0xE0 | (cp >> 12));
        out += char(0x80 | ((cp >> 6) & 0x3F));
        out += char(0x80 | (cp & 0x3F));
    }
}

// Workbook text escapes characters XML cannot hold as "_xHHHH_" (a line break from the
// application comes as "_x000D_"); "_x005F_" escapes a literal underscore.
std::string unescapeOoxml(std::string_view s)
{
    if (s.find("_x") == std::string_view::npos)
        return std::string(s);
    std::string out;
    out.reserve(s.size());
    for (std::size_t i = 0; i < s.size();) {
        if (s[i] == '_' && i + 6 < s.size() && s[i + 1] == 'x' && s[i + 6] == '_') {
            unsigned cp = 0;
            auto [p, ec] = std::from_chars(s.data() + i + 2, s.data() + i + 6, cp, 16);
            if (ec == std::errc() && p == s.data() + i + 6 && !(cp >= 0xD800 && cp <= 0xDFFF)) {
                appendUtf8(out, cp);
                i += 7;
                continue;
            }
        }
        out += s[i++];
    }
    return out;
}

// A string item's text: its own text or its runs, phonetic guides left out.
std::string itemText(pugi::xml_node si)
{
    std::string out;
    for (pugi::xml_node c = si.first_child(); c; c = c.next_sibling()) {
        if (c.type() != pugi::node_element)
            continue;
        auto n = localName(c.name());
        if (n == "t") {
            out += c.text().get();
        } else if (n == "r") {
            if (pugi::xml_node t = child(c, "t"))
                out += t.text().get();
        }
    }
    return unescapeOoxml(out);
}

bool parseInt(std::string_view s, long long& v)
{
    auto [p, ec] = std::from_chars(s.data(), s.data() + s.size(), v);
    return ec == std::errc() && p == s.data() + s.size() && !s.empty();
}

std::string_view trimXml(std::string_view s)
{
    while (!s.empty() && (s.front() == ' ' || s.front() == '\t' || s.front() == '\n' || s.front() == '\r'))
        s.remove_prefix(1);
    while (!s.empty() && (s.back() == ' ' || s.back() == '\t' || s.back() == '\n' || s.back() == '\r'))
        s.remove_suffix(1);
    return s;
}

// "C5" -> (5, 3); false for anything else or beyond the sheet's extent.
bool parseRef(std::string_view ref, int& row, int& col)
{
    std::size_t i = 0;
    long c = 0;
    for (; i < ref.size() && i < 3; ++i) {
        char ch = ref[i];
        if (ch >= 'a' && ch <= 'z')
            ch = char(ch - 'a' + 'A');
        if (ch < 'A' || ch > 'Z')
            break;
        c = c * 26 + (ch - 'A' + 1);
    }
    if (i == 0 || c > kMaxSheetCol)
        return false;
    long long r = 0;
    if (!parseInt(ref.substr(i), r) || r < 1 || r > kMaxSheetRow || ref[i] == '+' || ref[i] == '-')
        return false;
    row = int(r);
    col = int(c);
    return true;
}

// Collects the cells row by row, in whatever order the file gives them.
class GridBuilder {
public:
    void add(int row, int col, std::string text)
    {
        if (text.empty())
            return;
        if (rows_.empty() || rows_.back().row != row) {
            if (!rows_.empty() && row < rows_.back().row)
                unsorted_ = true;
            rows_.push_back({row, {}});
        }
        auto& cells = rows_.back().cells;
        if (!cells.empty() && col <= cells.back().first)
            rowUnsorted_ = true;
        cells.emplace_back(col, std::move(text));
    }
    void endRow()
    {
        if (rowUnsorted_ && !rows_.empty())
            tidy(rows_.back().cells);
        rowUnsorted_ = false;
    }
    SheetGrid finish()
    {
        endRow();
        if (unsorted_) {
            std::stable_sort(rows_.begin(), rows_.end(), [](const GridRow& a, const GridRow& b) { return a.row < b.row; });
            std::vector<GridRow> merged;
            for (auto& r : rows_) {
                if (!merged.empty() && merged.back().row == r.row) {
                    for (auto& c : r.cells)
                        merged.back().cells.push_back(std::move(c));
                    tidy(merged.back().cells);
                } else {
                    merged.push_back(std::move(r));
                }
            }
            rows_ = std::move(merged);
        }
        SheetGrid g;
        g.rows = std::move(rows_);
        return g;
    }

private:
    // Sorted by column; of two cells at one place the later one stands, as the application keeps it.
    static void tidy(std::vector<std::pair<int, std::string>>& cells)
    {
        std::stable_sort(cells.begin(), cells.end(), [](const auto& a, const auto& b) { return a.first < b.first; });
        std::vector<std::pair<int, std::string>> out;
        for (auto& c : cells) {
            if (!out.empty() && out.back().first == c.first)
                out.back() = std::move(c);
            else
                out.push_back(std::move(c));
        }
        cells = std::move(out);
    }
    std::vector<GridRow> rows_;
    bool unsorted_ = false, rowUnsorted_ = false;
};

// ---- .xlsx ----

struct Rel {
    std::string id, type, target;
};

bool endsWith(std::string_view s, std::string_view tail)
{
    return s.size() >= tail.size() && s.substr(s.size() - tail.size()) == tail;
}

class ZipBook {
public:
    explicit ZipBook(std::string_view bytes)
    {
        zip_error_t err;
        zip_error_init(&err);
        src_ = zip_source_buffer_create(bytes.data(), bytes.size(), 0, &err);
        if (src_)
            zip_ = zip_open_from_source(src_, ZIP_RDONLY, &err);
        if (src_ && !zip_)
            zip_source_free(src_);
        zip_error_fini(&err);
    }
    ~ZipBook()
    {
        if (zip_)
            zip_discard(zip_);
    }
    ZipBook(const ZipBook&) = delete;
    ZipBook& operator=(const ZipBook&) = delete;

    bool open() const { return zip_ != nullptr; }
    bool has(const std::string& name) const { return locate(name) >= 0; }

    // The part's bytes, counted while unpacking: a part that unpacks beyond the limit, or
    // does not unpack, is a damaged workbook whatever its header claims.
    std::optional<std::string> read(const std::string& name) const
    {
        zip_int64_t idx = locate(name);
        if (idx < 0)
            return std::nullopt;
        zip_file_t* f = zip_fopen_index(zip_, zip_uint64_t(idx), 0);
        if (!f)
            corrupt();
        std::string out;
        char buf[1 << 16];
        for (;;) {
            zip_int64_t n = zip_fread(f, buf, sizeof buf);
            if (n < 0) {
                zip_fclose(f);
                corrupt();
            }
            if (n == 0)
                break;
            if (out.size() + std::uint64_t(n) > kMaxUnpackedPart) {
                zip_fclose(f);
                corrupt();
            }
            out.append(buf, std::size_t(n));
        }
        zip_fclose(f);
        return out;
    }

private:
    zip_int64_t locate(const std::string& name) const { return zip_name_locate(zip_, name.c_str(), ZIP_FL_NOCASE); }
    zip_source_t* src_ = nullptr;
    zip_t* zip_ = nullptr;
};

// A relationship target resolved against the folder of the part that names it.
std::string resolvePart(const std::string& folder, const std::string& target)
{
    std::string joined = !target.empty() && target[0] == '/' ? target.substr(1) : folder + target;
    std::vector<std::string> parts;
    std::size_t start = 0;
    while (start <= joined.size()) {
        std::size_t slash = joined.find('/', start);
        if (slash == std::string::npos)
            slash = joined.size();
        std::string seg = joined.substr(start, slash - start);
        if (seg == "..") {
            if (!parts.empty())
                parts.pop_back();
        } else if (!seg.empty() && seg != ".") {
            parts.push_back(seg);
        }
        start = slash + 1;
    }
    std::string out;
    for (const auto& p : parts)
        out += (out.empty() ? "" : "/") + p;
    return out;
}

std::string folderOf(const std::string& part)
{
    auto slash = part.rfind('/');
    return slash == std::string::npos ? std::string() : part.substr(0, slash + 1);
}

std::string relsOf(const std::string& part)
{
    return folderOf(part) + "_rels/" + part.substr(folderOf(part).size()) + ".rels";
}

std::vector<Rel> readRels(const ZipBook& zip, const std::string& part)
{
    std::vector<Rel> rels;
    auto text = zip.read(relsOf(part));
    if (!text)
        return rels;
    pugi::xml_document doc;
    parseXml(doc, *text);
    pugi::xml_node root = doc.document_element();
    for (pugi::xml_node r = root.first_child(); r; r = r.next_sibling()) {
        if (r.type() != pugi::node_element || localName(r.name()) != "Relationship")
            continue;
        if (std::string_view(r.attribute("TargetMode").value()) == "External")
            continue;
        rels.push_back({r.attribute("Id").value(), r.attribute("Type").value(),
                        resolvePart(folderOf(part), r.attribute("Target").value())});
    }
    return rels;
}

const Rel* relOfType(const std::vector<Rel>& rels, std::string_view tail)
{
    for (const auto& r : rels)
        if (endsWith(r.type, tail))
            return &r;
    return nullptr;
}

std::vector<std::string> readSharedStrings(const ZipBook& zip, const std::vector<Rel>& rels)
{
    std::vector<std::string> out;
    const Rel* rel = relOfType(rels, "/sharedStrings");
    if (!rel)
        return out;
    auto text = zip.read(rel->target);
    if (!text)
        return out;
    pugi::xml_document doc;
    parseXml(doc, *text);
    for (pugi::xml_node si = doc.document_element().first_child(); si; si = si.next_sibling())
        if (si.type() == pugi::node_element && localName(si.name()) == "si")
            out.push_back(itemText(si));
    text->clear();
    return out;
}

// The first sheet in workbook order that is a worksheet (chart and dialog sheets skipped).
std::string firstWorksheet(const ZipBook& zip, const std::string& bookPart, const std::vector<Rel>& rels)
{
    auto text = zip.read(bookPart);
    if (!text)
        corrupt();
    pugi::xml_document doc;
    parseXml(doc, *text);
    if (localName(doc.document_element().name()) != "workbook")
        throw Failure{fail(Status::NotWorkbook)};
    pugi::xml_node sheets = child(doc.document_element(), "sheets");
    for (pugi::xml_node s = sheets.first_child(); s; s = s.next_sibling()) {
        if (s.type() != pugi::node_element || localName(s.name()) != "sheet")
            continue;
        std::string id;
        for (pugi::xml_attribute a = s.first_attribute(); a; a = a.next_attribute())
            if (std::strchr(a.name(), ':') && localName(a.name()) == "id")
                id = a.value();
        for (const auto& r : rels)
            if (r.id == id && endsWith(r.type, "/worksheet"))
                return r.target;
    }
    corrupt();
}

class SheetReader {
public:
    SheetReader(std::string& xml, const std::vector<std::string>& strings, const ReadProgress& progress)
        : xml_(xml), strings_(strings), progress_(progress)
    {
    }

    ReadResult run()
    {
        if (hasDoctype(xml_))
            corrupt();
        std::size_t open = findTag("sheetData", 0);
        if (open == std::string::npos)
            return done();  // a sheet without cells
        std::size_t gt = xml_.find('>', open);
        if (gt == std::string::npos)
            corrupt();
        if (xml_[gt - 1] == '/')
            return done();
        std::string rowName = prefix_ + "row";
        std::size_t close = findIn(xml_, "</" + prefix_ + "sheetData", gt);
        if (close == std::string::npos)
            corrupt();
        std::size_t pos = gt + 1;
        int rowsRead = 0;
        int lastRow = 0;
        for (;;) {
            std::size_t start = findElement(rowName, pos, close);
            if (start == std::string::npos)
                break;
            std::size_t tagEnd = xml_.find('>', start);
            if (tagEnd == std::string::npos || tagEnd > close)
                corrupt();
            std::size_t end;
            if (xml_[tagEnd - 1] == '/') {
                end = tagEnd + 1;
            } else {
                std::string endTag = "</" + rowName + ">";
                std::size_t e = findIn(xml_, endTag, tagEnd);
                if (e == std::string::npos || e > close)
                    corrupt();
                end = e + endTag.size();
            }
            lastRow = readRow(start, end, lastRow);
            pos = end;
            ++rowsRead;
            if (progress_ && !progress_(rowsRead, int(std::uint64_t(pos) * 100 / xml_.size()))) {
                ReadResult r;
                r.status = Status::Cancelled;
                return r;
            }
        }
        return done();
    }

private:
    ReadResult done()
    {
        ReadResult r;
        r.sheet = grid_.finish();
        return r;
    }

    // The start tag "<sheetData" or "<x:sheetData"; remembers the prefix the part uses.
    std::size_t findTag(std::string_view name, std::size_t from)
    {
        for (std::size_t p = findIn(xml_, name, from); p != std::string::npos; p = findIn(xml_, name, p + 1)) {
            std::size_t lt = p;
            if (lt > 0 && xml_[lt - 1] == ':') {
                --lt;
                while (lt > 0 && p - lt < 64 && xml_[lt - 1] != '<' && std::isalnum(static_cast<unsigned char>(xml_[lt - 1])))
                    --lt;
            }
            if (lt == 0 || xml_[lt - 1] != '<')
                continue;
            char after = p + name.size() < xml_.size() ? xml_[p + name.size()] : '\0';
            if (after != '>' && after != '/' && after != ' ' && after != '\t' && after != '\n' && after != '\r')
                continue;
            prefix_ = xml_.substr(lt, p - lt);
            return lt - 1;
        }
        return std::string::npos;
    }

    std::size_t findElement(const std::string& name, std::size_t from, std::size_t limit)
    {
        std::string open = "<" + name;
        for (std::size_t p = findIn(xml_, open, from); p != std::string::npos && p < limit; p = findIn(xml_, open, p + 1)) {
            char after = p + open.size() < xml_.size() ? xml_[p + open.size()] : '\0';
            if (after == '>' || after == '/' || after == ' ' || after == '\t' || after == '\n' || after == '\r')
                return p;
        }
        return std::string::npos;
    }

    int readRow(std::size_t start, std::size_t end, int lastRow)
    {
        pugi::xml_document& doc = rowDoc_;  // one document reused: its memory pages stay
        if (!doc.load_buffer_inplace(xml_.data() + start, end - start, kParseOptions, pugi::encoding_utf8))
            corrupt();
        pugi::xml_node row = doc.document_element();
        int r = lastRow + 1;
        if (pugi::xml_attribute a = row.attribute("r")) {
            long long v = 0;
            if (!parseInt(trimXml(a.value()), v) || v < 1 || v > kMaxSheetRow)
                corrupt();
            r = int(v);
        }
        if (r > kMaxSheetRow)
            corrupt();
        int col = 0;
        for (pugi::xml_node c = row.first_child(); c; c = c.next_sibling()) {
            if (c.type() != pugi::node_element || localName(c.name()) != "c")
                continue;
            if (pugi::xml_attribute a = c.attribute("r")) {
                int rr = 0;
                if (!parseRef(trimXml(a.value()), rr, col))
                    corrupt();
            } else if (++col > kMaxSheetCol) {
                corrupt();
            }
            grid_.add(r, col, cellText(c, r, col));
        }
        grid_.endRow();
        return r;
    }

    std::string cellText(pugi::xml_node c, int r, int col)
    {
        std::string_view t = c.attribute("t").value();
        pugi::xml_node v = child(c, "v");
        pugi::xml_node f = child(c, "f");
        if (t == "inlineStr") {
            pugi::xml_node is = child(c, "is");
            return is ? itemText(is) : std::string();
        }
        if (!v) {
            if (f)
                throw Failure{errorCell(r, col, "公式无结果")};
            return {};
        }
        std::string_view value = v.text().get();
        if (t == "s") {
            long long idx = -1;
            if (!parseInt(trimXml(value), idx) || idx < 0 || std::uint64_t(idx) >= strings_.size())
                corrupt();
            return strings_[std::size_t(idx)];
        }
        if (t == "e")
            throw Failure{errorCell(r, col, trimXml(value))};
        if (t == "str" || t == "d")
            return unescapeOoxml(value);
        if (t == "b")
            return trimXml(value) == "1" ? "TRUE" : "FALSE";
        if (!t.empty() && t != "n")
            corrupt();
        value = trimXml(value);
        if (value.empty())
            return {};
        double d = 0;
        auto [p, ec] = std::from_chars(value.data(), value.data() + value.size(), d);
        if (ec != std::errc() || p != value.data() + value.size() || !std::isfinite(d))
            corrupt();
        return numberText(d);
    }

    std::string& xml_;
    const std::vector<std::string>& strings_;
    const ReadProgress& progress_;
    std::string prefix_;
    GridBuilder grid_;
    pugi::xml_document rowDoc_;
};

// ---- compound files (.xls, encrypted .xlsx) ----

std::uint32_t le32(std::string_view b, std::size_t at)
{
    return std::uint32_t(std::uint8_t(b[at])) | std::uint32_t(std::uint8_t(b[at + 1])) << 8 |
           std::uint32_t(std::uint8_t(b[at + 2])) << 16 | std::uint32_t(std::uint8_t(b[at + 3])) << 24;
}

std::uint16_t le16(std::string_view b, std::size_t at)
{
    return std::uint16_t(std::uint8_t(b[at]) | std::uint8_t(b[at + 1]) << 8);
}

// A compound file walked as far as the reader needs: the directory's names and one stream's
// bytes. Every sector number and chain is checked against the file, so a crafted file ends
// the walk instead of leading it astray.
class Compound {
public:
    explicit Compound(std::string_view b) : b_(b) { ok_ = load(); }
    bool ok() const { return ok_; }
    bool has(const std::string& name) const
    {
        for (const auto& e : entries_)
            if (e.name == name)
                return true;
        return false;
    }
    // The stream's bytes, or nothing when it cannot be followed.
    std::optional<std::string> stream(const std::string& name) const
    {
        for (const auto& e : entries_) {
            if (e.name != name || e.type != 2)
                continue;
            if (e.size >= cutoff_)
                return chain(fat_, e.start, e.size, ss_, [&](std::uint32_t n) { return sectorAt(n); });
            // Small streams live in the mini stream, in 64-byte sectors of its own.
            if (!mini_)
                return std::nullopt;
            const std::string& ms = *mini_;
            return chain(miniFat_, e.start, e.size, 64, [&](std::uint32_t n) -> std::optional<std::string_view> {
                std::uint64_t off = std::uint64_t(n) * 64;
                if (off + 64 > ms.size())
                    return std::nullopt;
                return std::string_view(ms).substr(std::size_t(off), 64);
            });
        }
        return std::nullopt;
    }

private:
    struct Entry {
        std::string name;
        int type = 0;
        std::uint32_t start = 0;
        std::uint64_t size = 0;
    };

    std::optional<std::string_view> sectorAt(std::uint32_t n) const
    {
        std::uint64_t off = (std::uint64_t(n) + 1) * ss_;
        if (n >= 0xFFFFFFFAu || off + ss_ > b_.size())
            return std::nullopt;
        return b_.substr(std::size_t(off), ss_);
    }
    std::optional<std::uint32_t> fatNext(std::uint32_t n) const
    {
        if (n >= fat_.size())
            return std::nullopt;
        return fat_[n];
    }
    template <class SectorFn>
    std::optional<std::string> chain(const std::vector<std::uint32_t>& table, std::uint32_t start, std::uint64_t size,
                                     std::size_t unit, SectorFn sector) const
    {
        if (size > b_.size())
            return std::nullopt;
        std::string out;
        std::uint32_t n = start;
        for (std::uint64_t guard = 0; out.size() < size; ++guard) {
            if (guard > table.size())
                return std::nullopt;
            auto sec = sector(n);
            if (!sec || n >= table.size())
                return std::nullopt;
            out.append(sec->substr(0, std::size_t(std::min<std::uint64_t>(unit, size - out.size()))));
            n = table[n];
        }
        return out;
    }
    // The table whose sectors are chained from `start` in the FAT, as 32-bit entries.
    std::optional<std::vector<std::uint32_t>> table(std::uint32_t start) const
    {
        std::vector<std::uint32_t> out;
        std::uint32_t n = start;
        for (std::uint64_t guard = 0; n != 0xFFFFFFFEu; ++guard) {
            auto sec = sectorAt(n);
            if (!sec || guard > fat_.size())
                return std::nullopt;
            for (std::size_t i = 0; i < ss_ / 4; ++i)
                out.push_back(le32(*sec, 4 * i));
            auto next = fatNext(n);
            if (!next)
                return std::nullopt;
            n = *next;
        }
        return out;
    }

    bool load()
    {
        if (b_.size() < 512)
            return false;
        unsigned shift = le16(b_, 0x1E);
        if (shift != 9 && shift != 12)
            return false;
        ss_ = std::size_t(1) << shift;
        std::uint64_t sectors = b_.size() / ss_;
        cutoff_ = le32(b_, 0x38);
        // The FAT's own sectors: 109 in the header, the rest in a chain of DIFAT sectors.
        std::vector<std::uint32_t> fatSectors;
        std::uint32_t numFat = le32(b_, 0x2C);
        if (numFat > sectors)
            return false;
        for (std::size_t i = 0; i < 109 && fatSectors.size() < numFat; ++i)
            fatSectors.push_back(le32(b_, 0x4C + 4 * i));
        std::uint32_t difat = le32(b_, 0x44);
        for (std::uint64_t guard = 0; fatSectors.size() < numFat; ++guard) {
            auto sec = sectorAt(difat);
            if (!sec || guard > sectors)
                return false;
            for (std::size_t i = 0; i + 1 < ss_ / 4 && fatSectors.size() < numFat; ++i)
                fatSectors.push_back(le32(*sec, 4 * i));
            difat = le32(*sec, ss_ - 4);
        }
        for (std::uint32_t f : fatSectors) {
            auto sec = sectorAt(f);
            if (!sec)
                return false;
            for (std::size_t i = 0; i < ss_ / 4; ++i)
                fat_.push_back(le32(*sec, 4 * i));
        }
        auto dir = table(le32(b_, 0x30));
        if (!dir)
            return false;
        // The directory read again as 128-byte entries.
        std::uint32_t n = le32(b_, 0x30);
        for (std::uint64_t guard = 0; n != 0xFFFFFFFEu; ++guard) {
            auto sec = sectorAt(n);
            if (!sec || guard > fat_.size())
                return false;
            for (std::size_t e = 0; e < ss_ / 128; ++e) {
                std::string_view at = sec->substr(e * 128, 128);
                unsigned len = le16(at, 0x40);
                if (len < 2 || len > 64 || at[0x42] == 0)
                    continue;
                Entry entry;
                for (unsigned i = 0; i + 1 < len; i += 2) {
                    std::uint16_t ch = le16(at, i);
                    if (ch == 0)
                        break;
                    entry.name += ch < 0x80 ? char(ch) : '?';
                }
                entry.type = at[0x42];
                entry.start = le32(at, 0x74);
                entry.size = le32(at, 0x78);
                entries_.push_back(std::move(entry));
            }
            auto next = fatNext(n);
            if (!next)
                return false;
            n = *next;
        }
        // No stream can be larger than the file that holds it. libfreexl trusts the root
        // entry's size and asked for 4 GB, and filled it, for a crafted 5 KB file.
        for (const auto& e : entries_)
            if ((e.type == 2 || e.type == 5) && e.size > b_.size())
                return false;
        // The mini stream hangs from the root entry, its FAT from the header.
        if (!entries_.empty() && entries_.front().type == 5) {
            if (auto mf = table(le32(b_, 0x3C)))
                miniFat_ = std::move(*mf);
            const Entry& root = entries_.front();
            if (root.size > 0 && root.size <= b_.size())
                mini_ = chain(fat_, root.start, root.size, ss_, [&](std::uint32_t k) { return sectorAt(k); });
        }
        return true;
    }

    std::string_view b_;
    std::size_t ss_ = 512;
    std::uint64_t cutoff_ = 4096;
    bool ok_ = false;
    std::vector<std::uint32_t> fat_, miniFat_;
    std::optional<std::string> mini_;
    std::vector<Entry> entries_;
};

// What libfreexl leaves out of a BIFF8 sheet: the stored results of formulas and the error
// constants. Read here from the first sheet's records, with the workbook's password record.
struct BiffExtras {
    bool password = false;
    std::map<std::pair<int, int>, std::string> values;  // (row, col) 1-based -> text
    std::map<std::pair<int, int>, std::string> errors;  // (row, col) -> "#REF!"
    std::uint64_t cells = 0;                             // the largest stated sheet extent
};

// Beyond this many cells in one sheet's stated extent a .xls is no import template.
constexpr std::uint64_t kMaxXlsCells = 4'000'000;

const char* biffError(unsigned code)
{
    switch (code) {
    case 0x00: return "#NULL!";
    case 0x07: return "#DIV/0!";
    case 0x0F: return "#VALUE!";
    case 0x17: return "#REF!";
    case 0x1D: return "#NAME?";
    case 0x24: return "#NUM!";
    case 0x2A: return "#N/A";
    default: return "#ERR!";
    }
}

// A BIFF8 string record's text: a character count, a flags byte (bit 0: two bytes a character).
std::string biffString(std::string_view rec)
{
    if (rec.size() < 3)
        return {};
    unsigned count = le16(rec, 0);
    bool wide = rec[2] & 1;
    std::string out;
    std::size_t at = 3;
    for (unsigned i = 0; i < count; ++i) {
        unsigned cp;
        if (wide) {
            if (at + 2 > rec.size())
                break;
            cp = le16(rec, at);
            at += 2;
            if (cp >= 0xD800 && cp <= 0xDBFF && at + 2 <= rec.size()) {
                unsigned lo = le16(rec, at);
                if (lo >= 0xDC00 && lo <= 0xDFFF) {
                    at += 2;
                    cp = 0x10000 + ((cp - 0xD800) << 10) + (lo - 0xDC00);
                    out += char(0xF0 | (cp >> 18));
                    out += char(0x80 | ((cp >> 12) & 0x3F));
                    out += char(0x80 | ((cp >> 6) & 0x3F));
                    out += char(0x80 | (cp & 0x3F));
                    continue;
                }
            }
            if (cp >= 0xD800 && cp <= 0xDFFF)
                cp = 0xFFFD;
        } else {
            if (at + 1 > rec.size())
                break;
            cp = std::uint8_t(rec[at++]);
        }
        appendUtf8(out, cp);
    }
    return out;
}

BiffExtras scanBiff(std::string_view wb)
{
    BiffExtras x;
    auto records = [&](std::size_t from, auto&& each) {
        for (std::size_t at = from; at + 4 <= wb.size();) {
            unsigned type = le16(wb, at), len = le16(wb, at + 2);
            if (at + 4 + len > wb.size())
                return;
            if (!each(type, wb.substr(at + 4, len)))
                return;
            at += 4 + len;
        }
    };
    // libfreexl makes room for every sheet's stated extent at once: a crafted extent would
    // cost it gigabytes and minutes, so the largest one is read first.
    for (std::size_t at = 0; at + 4 <= wb.size();) {
        unsigned type = le16(wb, at), len = le16(wb, at + 2);
        if (at + 4 + len > wb.size())
            break;
        if (type == 0x0200 && len >= 12) {
            std::uint64_t rows = le32(wb, at + 8), cols = le16(wb, at + 14);
            x.cells = std::max(x.cells, rows * cols);
        }
        at += 4 + len;
    }
    std::optional<std::size_t> sheetAt;
    bool biff8 = false;
    records(0, [&](unsigned type, std::string_view rec) {
        if (type == 0x0809 && rec.size() >= 2)
            biff8 = le16(rec, 0) == 0x0600;
        if (type == 0x002F)
            x.password = true;
        if (type == 0x0085 && rec.size() >= 6 && !sheetAt)
            sheetAt = le32(rec, 0);
        return type != 0x000A;
    });
    if (x.password || !biff8 || !sheetAt)
        return x;
    std::optional<std::pair<int, int>> pendingString;
    records(*sheetAt, [&](unsigned type, std::string_view rec) {
        if (type == 0x0006 && rec.size() >= 14) {
            std::pair<int, int> at{int(le16(rec, 0)) + 1, int(le16(rec, 2)) + 1};
            pendingString.reset();
            if (le16(rec, 12) == 0xFFFF) {
                switch (std::uint8_t(rec[6])) {
                case 0: pendingString = at; break;
                case 1: x.values[at] = rec[8] ? "TRUE" : "FALSE"; break;
                case 2: x.errors[at] = biffError(std::uint8_t(rec[8])); break;
                default: break;
                }
            } else {
                double d;
                std::memcpy(&d, rec.data() + 6, sizeof d);
                if (std::isfinite(d))
                    x.values[at] = numberText(d);
            }
        } else if (type == 0x0207 && pendingString) {
            x.values[*pendingString] = biffString(rec);
            pendingString.reset();
        } else if (type == 0x0205 && rec.size() >= 8) {
            std::pair<int, int> at{int(le16(rec, 0)) + 1, int(le16(rec, 2)) + 1};
            if (rec[7])
                x.errors[at] = biffError(std::uint8_t(rec[6]));
            else
                x.values[at] = rec[6] ? "TRUE" : "FALSE";
        }
        return type != 0x000A;
    });
    return x;
}

ReadResult readXls(const std::string& path, const BiffExtras& extras, const ReadProgress& progress)
{
    if (extras.password)
        return fail(Status::Password);
    if (!extras.errors.empty()) {
        const auto& [at, code] = *extras.errors.begin();
        return errorCell(at.first, at.second, code);
    }
    const void* h = nullptr;
    int rc = freexl_open(path.c_str(), &h);
    struct Closer {
        const void*& h;
        ~Closer()
        {
            if (h)
                freexl_close(h);
        }
    } closer{h};
    if (rc != FREEXL_OK)
        return fail(rc == FREEXL_BIFF_WORKBOOK_NOT_FOUND ? Status::NotWorkbook : Status::Corrupt);
    unsigned info = 0;
    if (freexl_get_info(h, FREEXL_BIFF_PASSWORD, &info) == FREEXL_OK && info == FREEXL_BIFF_OBFUSCATED)
        return fail(Status::Password);
    unsigned sheets = 0;
    if (freexl_get_info(h, FREEXL_BIFF_SHEET_COUNT, &sheets) != FREEXL_OK || sheets == 0)
        return fail(Status::Corrupt);
    if (freexl_select_active_worksheet(h, 0) != FREEXL_OK)
        return fail(Status::Corrupt);
    unsigned rows = 0;
    unsigned short cols = 0;
    if (freexl_worksheet_dimensions(h, &rows, &cols) != FREEXL_OK || std::uint64_t(rows) * cols > kMaxXlsCells ||
        rows > unsigned(kMaxSheetRow) || cols > unsigned(kMaxSheetCol))
        return fail(Status::Corrupt);
    // A sheet stated as millions of rows without a column holds nothing, and walking its rows
    // one by one took a crafted 6 KB file many seconds.
    if (rows == 0 || cols == 0) {
        ReadResult empty;
        empty.sheet = GridBuilder{}.finish();
        return empty;
    }
    GridBuilder grid;
    for (unsigned r = 0; r < rows; ++r) {
        for (unsigned c = 0; c < cols; ++c) {
            FreeXL_CellValue v;
            if (freexl_get_cell_value(h, r, static_cast<unsigned short>(c), &v) != FREEXL_OK)
                return fail(Status::Corrupt);
            std::string text;
            if (auto f = extras.values.find({int(r) + 1, int(c) + 1}); f != extras.values.end())
                v.type = FREEXL_CELL_NULL, text = f->second;
            switch (v.type) {
            case FREEXL_CELL_INT: text = std::to_string(v.value.int_value); break;
            case FREEXL_CELL_DOUBLE:
                if (!std::isfinite(v.value.double_value))
                    return fail(Status::Corrupt);
                text = numberText(v.value.double_value);
                break;
            case FREEXL_CELL_TEXT:
            case FREEXL_CELL_SST_TEXT:
            case FREEXL_CELL_DATE:
            case FREEXL_CELL_DATETIME:
            case FREEXL_CELL_TIME:
                if (v.value.text_value)
                    text = v.value.text_value;
                break;
            default: break;
            }
            grid.add(int(r) + 1, int(c) + 1, std::move(text));
        }
        grid.endRow();
        if (progress && !progress(int(r) + 1, int(std::uint64_t(r + 1) * 100 / rows))) {
            ReadResult res;
            res.status = Status::Cancelled;
            return res;
        }
    }
    ReadResult res;
    res.sheet = grid.finish();
    return res;
}

// libfreexl has been seen to overrun its own buffers on a crafted .xls, which no check of
// ours before the call can rule out. So it runs in a child process: a crash there becomes the
// damaged-workbook message and the screen with its unsaved data lives on. The child sends
// frames through a pipe: a row read ('R', rows done, rows in all), then either the cells
// ('C', row, column, text) and 'D', or a failure ('F', status, message).
namespace xlsfork {

std::atomic<bool> crashForTest{false};
std::atomic<void (*)()> childStartHook{nullptr};
constexpr int kSilenceMs = 15000;

void sendAll(int fd, const char* p, std::size_t n)
{
    while (n > 0) {
        ssize_t w = ::write(fd, p, n);
        if (w < 0 && errno == EINTR)
            continue;
        if (w <= 0)
            ::_exit(3);
        p += w;
        n -= std::size_t(w);
    }
}

void frame(int fd, char type, std::uint32_t a, std::uint32_t b, std::string_view text = {})
{
    char head[13];
    head[0] = type;
    std::uint32_t len = std::uint32_t(text.size());
    std::memcpy(head + 1, &a, 4);
    std::memcpy(head + 5, &b, 4);
    std::memcpy(head + 9, &len, 4);
    sendAll(fd, head, sizeof head);
    sendAll(fd, text.data(), text.size());
}

bool readAll(int fd, char* p, std::size_t n)
{
    while (n > 0) {
        ssize_t r = ::read(fd, p, n);
        if (r < 0 && errno == EINTR)
            continue;
        if (r <= 0)
            return false;
        p += r;
        n -= std::size_t(r);
    }
    return true;
}

ReadResult run(const std::string& path, const BiffExtras& extras, const ReadProgress& progress)
{
    int fds[2];
    if (::pipe(fds) != 0)
        return fail(Status::Corrupt);
    const pid_t pid = ::fork();
    if (pid < 0) {
        ::close(fds[0]);
        ::close(fds[1]);
        return fail(Status::Corrupt);
    }
    if (pid == 0) {
        ::close(fds[0]);
        if (auto hook = childStartHook.load())
            hook();
        if (crashForTest.load())
            ::raise(SIGKILL);
        const int out = fds[1];
        ReadResult r = readXls(path, extras, [out](int done, int percent) {
            frame(out, 'R', std::uint32_t(done), std::uint32_t(percent));
            return true;
        });
        if (r.ok()) {
            for (const auto& row : r.sheet.rows)
                for (const auto& [col, text] : row.cells)
                    frame(out, 'C', std::uint32_t(row.row), std::uint32_t(col), text);
            frame(out, 'D', 0, 0);
        } else {
            frame(out, 'F', std::uint32_t(r.status), 0, r.message);
        }
        ::close(out);
        ::_exit(0);
    }
    ::close(fds[1]);
    ReadResult result = fail(Status::Corrupt);
    GridBuilder grid;
    bool cancelled = false, finished = false;
    int lastRow = 0;
    for (;;) {
        // A child that says nothing for this long is stuck in the library on a crafted file.
        pollfd pf{fds[0], POLLIN, 0};
        int ready;
        while ((ready = ::poll(&pf, 1, kSilenceMs)) < 0 && errno == EINTR) {
        }
        if (ready <= 0)
            break;
        char head[13];
        if (!readAll(fds[0], head, sizeof head))
            break;
        std::uint32_t a, b, len;
        std::memcpy(&a, head + 1, 4);
        std::memcpy(&b, head + 5, 4);
        std::memcpy(&len, head + 9, 4);
        if (len > kMaxUnpackedPart)
            break;
        std::string text(len, '\0');
        if (!readAll(fds[0], text.data(), len))
            break;
        if (head[0] == 'R') {
            if (progress && !progress(int(a), int(b))) {
                cancelled = true;
                break;
            }
        } else if (head[0] == 'C') {
            if (int(a) != lastRow)
                grid.endRow();
            lastRow = int(a);
            grid.add(int(a), int(b), std::move(text));
        } else if (head[0] == 'F') {
            result.status = Status(a);
            result.message = std::move(text);
            finished = true;
            break;
        } else if (head[0] == 'D') {
            result = ReadResult();
            result.sheet = grid.finish();
            finished = true;
            break;
        } else {
            break;
        }
    }
    ::close(fds[0]);
    if (cancelled || !finished)
        ::kill(pid, SIGKILL);
    int status = 0;
    while (::waitpid(pid, &status, 0) < 0 && errno == EINTR) {
    }
    if (cancelled) {
        ReadResult r;
        r.status = Status::Cancelled;
        return r;
    }
    if (!finished || !WIFEXITED(status) || WEXITSTATUS(status) != 0)
        return fail(Status::Corrupt);
    return result;
}

}  // namespace xlsfork

enum class Kind { Zip, Compound, Other };

Kind kindOf(std::string_view b)
{
    if (b.size() >= 4 && b.substr(0, 2) == "PK" && ((b[2] == 3 && b[3] == 4) || (b[2] == 5 && b[3] == 6)))
        return Kind::Zip;
    if (b.size() >= 8 && b.substr(0, 8) == std::string_view("\xD0\xCF\x11\xE0\xA1\xB1\x1A\xE1", 8))
        return Kind::Compound;
    return Kind::Other;
}

ReadResult readZip(std::string_view bytes, const ReadProgress& progress)
{
    ZipBook zip(bytes);
    if (!zip.open())
        return fail(Status::NotWorkbook);  // a truncated or foreign archive
    if (auto mime = zip.read("mimetype"); mime && trimXml(*mime) == "application/vnd.oasis.opendocument.spreadsheet")
        return fail(Status::Ods);
    auto root = readRels(zip, "");
    const Rel* doc = relOfType(root, "/officeDocument");
    std::string bookPart = doc ? doc->target : "xl/workbook.xml";
    if (!endsWith(bookPart, ".xml") || !zip.has(bookPart))
        return fail(Status::NotWorkbook);  // .xlsb, a document of another kind, any other zip
    std::vector<Rel> bookRels = readRels(zip, bookPart);
    std::string sheetPart = firstWorksheet(zip, bookPart, bookRels);
    std::vector<std::string> strings = readSharedStrings(zip, bookRels);
    auto xml = zip.read(sheetPart);
    if (!xml)
        corrupt();
    return SheetReader(*xml, strings, progress).run();
}

ReadResult readBytes(std::string_view bytes, const std::string& xlsPath, bool writeXls, const ReadProgress& progress)
{
    try {
        if (bytes.size() > kMaxWorkbookFile)
            return fail(Status::Corrupt);
        switch (kindOf(bytes)) {
        case Kind::Zip: return readZip(bytes, progress);
        case Kind::Compound: {
            Compound cf(bytes);
            if (!cf.ok())
                return fail(Status::Corrupt);
            if (cf.has("EncryptionInfo") || cf.has("EncryptedPackage"))
                return fail(Status::Password);
            if (!cf.has("Workbook") && !cf.has("Book"))
                return fail(Status::NotWorkbook);
            // A workbook stream our own walk cannot follow is damaged: the library, led by the
            // same broken chains, is not to be trusted with it.
            const bool biff8 = cf.has("Workbook");
            auto wb = cf.stream(biff8 ? "Workbook" : "Book");
            if (!wb)
                return fail(Status::Corrupt);
            BiffExtras extras;
            if (biff8)
                extras = scanBiff(*wb);
            if (extras.password)
                return fail(Status::Password);  // the records after it are scrambled
            if (extras.cells > kMaxXlsCells)
                return fail(Status::Corrupt);
            if (writeXls) {
                std::ofstream out(xlsPath, std::ios::binary | std::ios::trunc);
                out.write(bytes.data(), std::streamsize(bytes.size()));
                if (!out.flush())
                    return fail(Status::Corrupt);
            }
            return xlsfork::run(xlsPath, extras, progress);
        }
        case Kind::Other: return fail(Status::NotWorkbook);
        }
    } catch (const Failure& f) {
        return f.result;
    } catch (const std::bad_alloc&) {
        return fail(Status::Corrupt);
    }
    return fail(Status::NotWorkbook);
}

}  // namespace

const std::string& SheetGrid::text(int row, int col) const
{
    static const std::string empty;
    auto r = std::lower_bound(rows.begin(), rows.end(), row, [](const GridRow& g, int v) { return g.row < v; });
    if (r == rows.end() || r->row != row)
        return empty;
    auto c = std::lower_bound(r->cells.begin(), r->cells.end(), col, [](const auto& p, int v) { return p.first < v; });
    return c == r->cells.end() || c->first != col ? empty : c->second;
}

int SheetGrid::lastCol() const
{
    int m = 0;
    for (const auto& r : rows)
        if (!r.cells.empty())
            m = std::max(m, r.cells.back().first);
    return m;
}

void setXlsChildCrashForTest(bool crash) { xlsfork::crashForTest.store(crash); }
void setXlsChildStartHook(void (*hook)()) { xlsfork::childStartHook.store(hook); }

std::string columnLetters(int col)
{
    std::string s;
    while (col > 0) {
        int d = (col - 1) % 26;
        s.insert(s.begin(), char('A' + d));
        col = (col - 1) / 26;
    }
    return s;
}

std::string errorCellText(int row, int col, std::string_view value)
{
    return "第" + std::to_string(row) + "行" + columnLetters(col) + "列是错误值（" + std::string(value) +
           "），请修正后再导入。";
}

std::string numberText(double value)
{
    if (value == 0)
        return "0";
    char buf[400];
    auto [p, ec] = std::to_chars(buf, buf + sizeof buf, value, std::chars_format::fixed);
    if (ec != std::errc())
        p = std::to_chars(buf, buf + sizeof buf, value).ptr;
    return std::string(buf, p);
}

ReadResult readFirstSheet(const std::string& path, const ReadProgress& progress)
{
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0 || !S_ISREG(st.st_mode))
        return fail(Status::NotWorkbook);
    if (std::uint64_t(st.st_size) > kMaxWorkbookFile)
        return fail(Status::Corrupt);
    std::ifstream in(path, std::ios::binary);
    if (!in)
        return fail(Status::NotWorkbook);
    std::string bytes(std::size_t(st.st_size), '\0');
    in.read(bytes.data(), std::streamsize(bytes.size()));
    bytes.resize(std::size_t(in.gcount()));
    return readBytes(bytes, path, false, progress);
}

ReadResult readFirstSheetBytes(std::string_view bytes, const std::string& scratchPath, const ReadProgress& progress)
{
    return readBytes(bytes, scratchPath, true, progress);
}

}  // namespace tavrin::spreadsheet
