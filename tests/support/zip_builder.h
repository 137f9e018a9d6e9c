// Builds zip archives and small .xlsx workbooks in code for the reader's tests: each part's
// XML is given as text, so a test shows exactly the bytes a hostile or unusual writer puts
// in the file.
#pragma once

#include <zip.h>

#include <filesystem>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

namespace tavrin::testing {

using ZipEntries = std::vector<std::pair<std::string, std::string>>;  // (name, bytes)

inline void writeZip(const std::filesystem::path& path, const ZipEntries& entries)
{
    int err = 0;
    std::filesystem::remove(path);
    zip_t* z = zip_open(path.c_str(), ZIP_CREATE | ZIP_TRUNCATE, &err);
    if (!z)
        throw std::runtime_error("cannot create zip");
    for (const auto& [name, bytes] : entries) {
        zip_source_t* s = zip_source_buffer(z, bytes.data(), bytes.size(), 0);
        if (!s || zip_file_add(z, name.c_str(), s, ZIP_FL_ENC_UTF_8) < 0)
            throw std::runtime_error("cannot add " + name);
    }
    if (zip_close(z) != 0)
        throw std::runtime_error("cannot write zip");
}

inline constexpr const char* kMainNs = "http://schemas.openxmlformats.org/spreadsheetml/2006/main";
inline constexpr const char* kRelNs = "http://schemas.openxmlformats.org/officeDocument/2006/relationships";

// One sheet of a hand-made workbook: its name, its part's name under xl/, the relationship
// type's last word ("worksheet", "chartsheet") and the part's whole XML.
struct PartSheet {
    std::string name, part, kind = "worksheet", xml;
};

// A worksheet part whose sheetData holds `rows` (the <row> elements as text).
inline std::string sheetXml(const std::string& rows)
{
    return std::string("<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>\n<worksheet xmlns=\"") + kMainNs +
           "\" xmlns:r=\"" + kRelNs + "\"><sheetData>" + rows + "</sheetData></worksheet>";
}

// A shared string table of the given <si> contents (each the inside of one <si>).
inline std::string sharedStringsXml(const std::vector<std::string>& items)
{
    std::string x = std::string("<?xml version=\"1.0\" encoding=\"UTF-8\"?><sst xmlns=\"") + kMainNs + "\">";
    for (const auto& i : items)
        x += "<si>" + i + "</si>";
    return x + "</sst>";
}

// The parts of a workbook with the sheets in the given order and, when `strings` is not
// empty, a shared string table.
inline ZipEntries workbookParts(const std::vector<PartSheet>& sheets, const std::string& strings = {})
{
    std::string book = std::string("<?xml version=\"1.0\" encoding=\"UTF-8\"?><workbook xmlns=\"") + kMainNs +
                       "\" xmlns:r=\"" + kRelNs + "\"><sheets>";
    std::string rels = "<?xml version=\"1.0\" encoding=\"UTF-8\"?><Relationships "
                       "xmlns=\"http://schemas.openxmlformats.org/package/2006/relationships\">";
    ZipEntries parts;
    int id = 0;
    for (const auto& s : sheets) {
        ++id;
        book += "<sheet name=\"" + s.name + "\" sheetId=\"" + std::to_string(id) + "\" r:id=\"rId" + std::to_string(id) +
                "\"/>";
        rels += "<Relationship Id=\"rId" + std::to_string(id) +
                "\" Type=\"http://schemas.openxmlformats.org/officeDocument/2006/relationships/" + s.kind +
                "\" Target=\"" + s.part + "\"/>";
        if (!s.xml.empty())
            parts.push_back({s.part[0] == '/' ? s.part.substr(1) : "xl/" + s.part, s.xml});
    }
    if (!strings.empty()) {
        rels += "<Relationship Id=\"rIdS\" Type=\"http://schemas.openxmlformats.org/officeDocument/2006/relationships/"
                "sharedStrings\" Target=\"sharedStrings.xml\"/>";
        parts.push_back({"xl/sharedStrings.xml", strings});
    }
    book += "</sheets></workbook>";
    rels += "</Relationships>";
    parts.insert(parts.begin(),
                 {{"[Content_Types].xml",
                   "<?xml version=\"1.0\" encoding=\"UTF-8\"?><Types "
                   "xmlns=\"http://schemas.openxmlformats.org/package/2006/content-types\"/>"},
                  {"_rels/.rels",
                   "<?xml version=\"1.0\" encoding=\"UTF-8\"?><Relationships "
                   "xmlns=\"http://schemas.openxmlformats.org/package/2006/relationships\"><Relationship Id=\"rId1\" "
                   "Type=\"http://schemas.openxmlformats.org/officeDocument/2006/relationships/officeDocument\" "
                   "Target=\"xl/workbook.xml\"/></Relationships>"},
                  {"xl/workbook.xml", book},
                  {"xl/_rels/workbook.xml.rels", rels}});
    return parts;
}

// The common case: one worksheet of the given rows, with an optional shared string table.
inline ZipEntries oneSheetBook(const std::string& rows, const std::vector<std::string>& strings = {})
{
    return workbookParts({{"Sheet1", "worksheets/sheet1.xml", "worksheet", sheetXml(rows)}},
                         strings.empty() ? std::string() : sharedStringsXml(strings));
}

}  // namespace tavrin::testing
