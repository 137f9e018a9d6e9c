// The workbook reader: each format feature and each hostile input as a table of cases, the
// workbooks built in code (libzip) or, for .xls, made once by LibreOffice; our own writer's
// workbooks read back cell for cell; cancel through the progress hook.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <unistd.h>

#include <cstdlib>
#include <cstdint>
#include <filesystem>
#include <map>

#include "spreadsheet/reader.h"
#include "spreadsheet/schoolexport.h"
#include "spreadsheet/workbook.h"
#include "support/fixture.h"
#include "support/testutil.h"
#include "support/xlsx_reader.h"
#include "support/zip_builder.h"

namespace tavrin::spreadsheet {
namespace {

using testing::oneSheetBook;
using testing::PartSheet;
using testing::sheetXml;
using testing::TempDir;
using testing::ZipEntries;
using Status = ReadResult::Status;
using Cells = std::map<std::string, std::string>;  // "C5" -> text

const std::string kFixtures = TAVRIN_READER_FIXTURES;

// Every built fixture is also copied where TAVRIN_READER_CORPUS_OUT points, which is how the
// fuzz corpus gets its seeds.
void offerToCorpus(const std::filesystem::path& file, const std::string& name)
{
    if (const char* out = std::getenv("TAVRIN_READER_CORPUS_OUT")) {
        std::string safe;
        for (char c : name)
            safe += std::isalnum(static_cast<unsigned char>(c)) ? c : '-';
        std::filesystem::copy_file(file, std::filesystem::path(out) / safe,
                                   std::filesystem::copy_options::overwrite_existing);
    }
}

std::filesystem::path zipFile(const TempDir& dir, const std::string& name, const ZipEntries& parts)
{
    auto p = dir / (std::to_string(std::hash<std::string>{}(name)) + ".xlsx");
    testing::writeZip(p, parts);
    offerToCorpus(p, name);
    return p;
}

Cells cellsOf(const SheetGrid& g)
{
    Cells out;
    for (const auto& r : g.rows)
        for (const auto& [c, text] : r.cells)
            out[columnLetters(c) + std::to_string(r.row)] = text;
    return out;
}

// A minimal compound file (512-byte sectors: header, one FAT sector, one directory sector)
// whose directory names the given streams, as an encrypted .xlsx or a .doc is built.
std::string compoundFile(const std::vector<std::string>& streams)
{
    std::string b(512 * 3, '\0');
    auto put32 = [&](std::size_t at, std::uint32_t v) {
        for (int i = 0; i < 4; ++i)
            b[at + i] = char((v >> (8 * i)) & 0xFF);
    };
    auto put16 = [&](std::size_t at, std::uint16_t v) {
        b[at] = char(v & 0xFF);
        b[at + 1] = char(v >> 8);
    };
    const char magic[] = "\xD0\xCF\x11\xE0\xA1\xB1\x1A\xE1";
    b.replace(0, 8, magic, 8);
    put16(0x18, 0x3E);
    put16(0x1A, 3);
    put16(0x1C, 0xFFFE);
    put16(0x1E, 9);
    put16(0x20, 6);
    put32(0x2C, 1);            // one FAT sector
    put32(0x30, 1);            // the directory in sector 1
    put32(0x38, 4096);
    put32(0x3C, 0xFFFFFFFE);
    put32(0x44, 0xFFFFFFFE);
    for (int i = 0; i < 109; ++i)
        put32(0x4C + 4 * i, i == 0 ? 0 : 0xFFFFFFFF);
    const std::size_t fat = 512, dir = 1024;
    for (int i = 0; i < 128; ++i)
        put32(fat + 4 * i, i == 0 ? 0xFFFFFFFD : i == 1 ? 0xFFFFFFFE : 0xFFFFFFFF);
    std::vector<std::string> names = {"Root Entry"};
    names.insert(names.end(), streams.begin(), streams.end());
    for (std::size_t e = 0; e < names.size() && e < 4; ++e) {
        std::size_t at = dir + 128 * e;
        for (std::size_t i = 0; i < names[e].size(); ++i)
            put16(at + 2 * i, std::uint16_t(names[e][i]));
        put16(at + 0x40, std::uint16_t(2 * (names[e].size() + 1)));
        b[at + 0x42] = char(e == 0 ? 5 : 2);
        b[at + 0x43] = 1;
        put32(at + 0x44, e + 1 < names.size() && e > 0 ? std::uint32_t(e + 1) : 0xFFFFFFFF);
        put32(at + 0x48, 0xFFFFFFFF);
        put32(at + 0x4C, e == 0 && names.size() > 1 ? 1 : 0xFFFFFFFF);
        put32(at + 0x74, 0xFFFFFFFE);
    }
    return b;
}

// ---- format features ----

struct FeatureCase {
    const char* name;
    std::string rows;                  // the sheetData's rows
    std::vector<std::string> strings;  // shared string items
    Cells want;
};

TEST(ReaderTest, XlsxCellsAsTheApplicationShowsThem)
{
    const std::vector<FeatureCase> cases = {
        {"shared string", R"(<row r="1"><c r="A1" t="s"><v>0</v></c><c r="B1" t="s"><v>1</v></c></row>)",
         {"<t>科目</t>", "<t>高一</t>"}, {{"A1", "科目"}, {"B1", "高一"}}},
        {"rich string without its phonetic run",
         R"(<row r="2"><c r="A2" t="s"><v>0</v></c></row>)",
         {R"(<r><t>王</t></r><r><rPr><b/></rPr><t>芳</t></r><rPh sb="0" eb="1"><t>ワン</t></rPh><phoneticPr fontId="1"/>)"},
         {{"A2", "王芳"}}},
        {"plain string with a phonetic run", R"(<row r="1"><c r="A1" t="s"><v>0</v></c></row>)",
         {R"(<t>语文</t><rPh sb="0" eb="2"><t>ゴブン</t></rPh>)"}, {{"A1", "语文"}}},
        {"inline string and rich inline string",
         R"(<row r="2"><c r="B2" t="inlineStr"><is><t>语文</t></is></c><c r="C2" t="inlineStr"><is><r><t>数</t></r><r><t>学</t></r></is></c></row>)",
         {}, {{"B2", "语文"}, {"C2", "数学"}}},
        {"numbers in their shortest text",
         R"(<row r="3"><c r="A3"><v>701</v></c><c r="B3"><v>701.0</v></c><c r="C3"><v>0.1</v></c><c r="D3" t="n"><v>1E+2</v></c><c r="E3"><v>100000</v></c><c r="F3"><v>-2</v></c><c r="G3"><v>6.5</v></c><c r="H3"><v>-0</v></c></row>)",
         {}, {{"A3", "701"}, {"B3", "701"}, {"C3", "0.1"}, {"D3", "100"}, {"E3", "100000"}, {"F3", "-2"}, {"G3", "6.5"}, {"H3", "0"}}},
        {"formulas by their stored result",
         R"(<row r="4"><c r="A4"><f>B4+1</f><v>6</v></c><c r="B4" t="str"><f>"王"&amp;"芳"</f><v>王芳</v></c><c r="C4" t="b"><f>TRUE()</f><v>1</v></c></row>)",
         {}, {{"A4", "6"}, {"B4", "王芳"}, {"C4", "TRUE"}}},
        {"cells without references follow the one before",
         R"(<row><c t="inlineStr"><is><t>甲</t></is></c><c t="inlineStr"><is><t>乙</t></is></c></row><row><c r="C2"><v>3</v></c><c><v>4</v></c></row>)",
         {}, {{"A1", "甲"}, {"B1", "乙"}, {"C2", "3"}, {"D2", "4"}}},
        {"spaces kept as written, an empty cell left out",
         R"(<row r="1"><c r="A1" t="inlineStr"><is><t xml:space="preserve"> 王芳 </t></is></c><c r="B1"/><c r="C1" t="inlineStr"><is><t></t></is></c></row>)",
         {}, {{"A1", " 王芳 "}}},
        {"escaped characters", R"(<row r="1"><c r="A1" t="inlineStr"><is><t>a_x000D_b &amp; &lt;c&gt;</t></is></c></row>)", {},
         {{"A1", "a\rb & <c>"}}},
        {"rows and cells out of order, the later of two at one place",
         R"(<row r="5"><c r="B5"><v>2</v></c><c r="A5"><v>1</v></c></row><row r="2"><c r="A2"><v>7</v></c></row><row r="5"><c r="B5"><v>9</v></c></row>)",
         {}, {{"A2", "7"}, {"A5", "1"}, {"B5", "9"}}},
        {"the last row and column of a sheet",
         R"(<row r="1048576"><c r="XFD1048576"><v>1</v></c></row>)", {}, {{"XFD1048576", "1"}}},
        {"an empty sheet", "", {}, {}},
    };
    TempDir dir;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        auto r = readFirstSheet(zipFile(dir, c.name, oneSheetBook(c.rows, c.strings)));
        ASSERT_TRUE(r.ok()) << r.message;
        EXPECT_EQ(cellsOf(r.sheet), c.want);
    }
}

TEST(ReaderTest, SheetDataWithPrefixedElements)
{
    TempDir dir;
    std::string xml = std::string("<x:worksheet xmlns:x=\"") + testing::kMainNs +
                      "\"><x:sheetData><x:row r=\"1\"><x:c r=\"A1\" t=\"inlineStr\"><x:is><x:t>甲</x:t></x:is></x:c>"
                      "<x:c r=\"B1\"><x:v>5</x:v></x:c></x:row></x:sheetData></x:worksheet>";
    auto r = readFirstSheet(zipFile(dir, "prefixed", testing::workbookParts({{"S", "worksheets/s.xml", "worksheet", xml}})));
    ASSERT_TRUE(r.ok()) << r.message;
    EXPECT_EQ(cellsOf(r.sheet), (Cells{{"A1", "甲"}, {"B1", "5"}}));
}

// The first worksheet is the first in the workbook's list, whatever the parts are called;
// chart sheets before it are passed over.
TEST(ReaderTest, FirstWorksheetInWorkbookOrder)
{
    const std::string one = sheetXml(R"(<row r="1"><c r="A1" t="inlineStr"><is><t>一</t></is></c></row>)");
    const std::string two = sheetXml(R"(<row r="1"><c r="A1" t="inlineStr"><is><t>二</t></is></c></row>)");
    struct Case {
        const char* name;
        std::vector<PartSheet> sheets;
        std::string want;
    };
    const std::vector<Case> cases = {
        {"second part listed first",
         {{"B", "worksheets/sheet2.xml", "worksheet", two}, {"A", "worksheets/sheet1.xml", "worksheet", one}}, "二"},
        {"chart sheet first",
         {{"图", "chartsheets/sheet1.xml", "chartsheet", "<chartsheet/>"}, {"A", "worksheets/sheet1.xml", "worksheet", one}},
         "一"},
        {"absolute target", {{"A", "/xl/worksheets/other.xml", "worksheet", two}}, "二"},
        {"target through a parent folder", {{"A", "../xl/worksheets/x.xml", "worksheet", one}}, "一"},
    };
    TempDir dir;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        ZipEntries parts = testing::workbookParts(c.sheets);
        if (std::string(c.name) == "target through a parent folder")
            parts.push_back({"xl/worksheets/x.xml", one});
        auto r = readFirstSheet(zipFile(dir, c.name, parts));
        ASSERT_TRUE(r.ok()) << r.message;
        EXPECT_EQ(r.sheet.text(1, 1), c.want);
    }
}

// ---- what a spreadsheet shows as an error ----

TEST(ReaderTest, ErrorCellsAndFormulasWithoutResultNameTheCell)
{
    struct Case {
        const char* name;
        std::string rows;
        std::string want;
    };
    const std::vector<Case> cases = {
        {"error value", R"(<row r="5"><c r="A5"><v>1</v></c><c r="C5" t="e"><f>#REF!+1</f><v>#REF!</v></c></row>)",
         "第5行C列是错误值（#REF!），请修正后再导入。"},
        {"division by zero far out", R"(<row r="12"><c r="AB12" t="e"><v>#DIV/0!</v></c></row>)",
         "第12行AB列是错误值（#DIV/0!），请修正后再导入。"},
        {"formula without a stored result", R"(<row r="3"><c r="B3"><f>SUM(A1:A2)</f></c></row>)",
         "第3行B列是错误值（公式无结果），请修正后再导入。"},
        {"text formula without a stored result", R"(<row r="2"><c r="D2" t="str"><f>A1&amp;B1</f></c></row>)",
         "第2行D列是错误值（公式无结果），请修正后再导入。"},
    };
    TempDir dir;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        auto r = readFirstSheet(zipFile(dir, c.name, oneSheetBook(c.rows)));
        EXPECT_EQ(r.status, Status::ErrorCell);
        EXPECT_EQ(r.message, c.want);
        EXPECT_TRUE(r.sheet.rows.empty());
    }
}

// ---- hostile and foreign files: one message each, no cells ----

std::string laughs(const std::string& root)
{
    std::string d = "<?xml version=\"1.0\"?><!DOCTYPE lolz [<!ENTITY lol \"lol\">";
    for (int i = 1; i <= 9; ++i) {
        std::string prev = i == 1 ? "lol" : "lol" + std::to_string(i - 1);
        d += "<!ENTITY lol" + std::to_string(i) + " \"";
        for (int k = 0; k < 10; ++k)
            d += "&" + prev + ";";
        d += "\">";
    }
    return d + "]>" + root;
}

TEST(ReaderTest, HostileWorkbooksGiveOneMessage)
{
    const std::string laughRows = R"(<row r="1"><c r="A1" t="inlineStr"><is><t>&lol9;</t></is></c></row>)";
    const std::string external = "<?xml version=\"1.0\"?><!DOCTYPE w [<!ENTITY x SYSTEM \"file:///etc/passwd\">]>";
    const std::string bomb = "<worksheet>" + std::string(101u << 20, ' ') + "</worksheet>";
    struct Case {
        const char* name;
        ZipEntries parts;
        Status want;
    };
    auto withPart = [](ZipEntries parts, const std::string& name, const std::string& xml) {
        for (auto& p : parts)
            if (p.first == name)
                p.second = xml;
        return parts;
    };
    const ZipEntries plain = oneSheetBook(R"(<row r="1"><c r="A1" t="s"><v>0</v></c></row>)", {"<t>甲</t>"});
    std::vector<Case> cases = {
        {"row past the last", oneSheetBook(R"(<row r="1048577"><c r="A1048577"><v>1</v></c></row>)"), Status::Corrupt},
        {"column past the last", oneSheetBook(R"(<row r="1"><c r="XFE1"><v>1</v></c></row>)"), Status::Corrupt},
        {"reference past the last row", oneSheetBook(R"(<row r="1"><c r="A99999999999"><v>1</v></c></row>)"),
         Status::Corrupt},
        {"cell without reference past the last column",
         oneSheetBook(R"(<row r="1"><c r="XFD1"><v>1</v></c><c><v>2</v></c></row>)"), Status::Corrupt},
        {"reference of letters only", oneSheetBook(R"(<row r="1"><c r="AB"><v>1</v></c></row>)"), Status::Corrupt},
        {"row number zero", oneSheetBook(R"(<row r="0"><c r="A1"><v>1</v></c></row>)"), Status::Corrupt},
        {"string index past the table", oneSheetBook(R"(<row r="1"><c r="A1" t="s"><v>1</v></c></row>)", {"<t>甲</t>"}),
         Status::Corrupt},
        {"negative string index", oneSheetBook(R"(<row r="1"><c r="A1" t="s"><v>-1</v></c></row>)", {"<t>甲</t>"}),
         Status::Corrupt},
        {"string index without a table", oneSheetBook(R"(<row r="1"><c r="A1" t="s"><v>0</v></c></row>)"),
         Status::Corrupt},
        {"number that is none", oneSheetBook(R"(<row r="1"><c r="A1"><v>abc</v></c></row>)"), Status::Corrupt},
        {"infinite number", oneSheetBook(R"(<row r="1"><c r="A1"><v>1e999</v></c></row>)"), Status::Corrupt},
        {"unknown cell type", oneSheetBook(R"(<row r="1"><c r="A1" t="zz"><v>1</v></c></row>)"), Status::Corrupt},
        {"broken row XML", oneSheetBook(R"(<row r="1"><c r="A1"><v>1</c></row>)"), Status::Corrupt},
        {"unclosed sheet data", withPart(plain, "xl/worksheets/sheet1.xml", "<worksheet><sheetData><row r=\"1\">"),
         Status::Corrupt},
        {"billion laughs in the sheet",
         withPart(plain, "xl/worksheets/sheet1.xml", laughs("<worksheet><sheetData>" + laughRows + "</sheetData></worksheet>")),
         Status::Corrupt},
        {"billion laughs in the strings",
         withPart(plain, "xl/sharedStrings.xml", laughs("<sst><si><t>&lol9;</t></si></sst>")), Status::Corrupt},
        {"external entity in the workbook",
         withPart(plain, "xl/workbook.xml", external + "<workbook><sheets>&x;</sheets></workbook>"), Status::Corrupt},
        {"external entity in the relationships",
         withPart(plain, "xl/_rels/workbook.xml.rels", external + "<Relationships>&x;</Relationships>"), Status::Corrupt},
        {"sheet part missing", testing::workbookParts({{"A", "worksheets/none.xml", "worksheet", ""}}), Status::Corrupt},
        {"chart sheets only",
         testing::workbookParts({{"图", "chartsheets/sheet1.xml", "chartsheet", "<chartsheet/>"}}), Status::Corrupt},
        {"part unpacking past its limit", withPart(plain, "xl/worksheets/sheet1.xml", bomb), Status::Corrupt},
        {"open document spreadsheet",
         {{"mimetype", "application/vnd.oasis.opendocument.spreadsheet"}, {"content.xml", "<office:document-content/>"}},
         Status::Ods},
        {"binary workbook",
         {{"_rels/.rels",
           "<Relationships><Relationship Id=\"rId1\" Type=\"http://schemas.openxmlformats.org/officeDocument/2006/"
           "relationships/officeDocument\" Target=\"xl/workbook.bin\"/></Relationships>"},
          {"xl/workbook.bin", std::string("\x83\x01\x00", 3)}},
         Status::NotWorkbook},
        {"word document",
         {{"_rels/.rels",
           "<Relationships><Relationship Id=\"rId1\" Type=\"http://schemas.openxmlformats.org/officeDocument/2006/"
           "relationships/officeDocument\" Target=\"word/document.xml\"/></Relationships>"},
          {"word/document.xml", "<document/>"}},
         Status::NotWorkbook},
        {"any other zip", {{"readme.txt", "hello"}}, Status::NotWorkbook},
    };
    TempDir dir;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        auto r = readFirstSheet(zipFile(dir, std::string(c.name) == "part unpacking past its limit" ? "bomb" : c.name, c.parts));
        EXPECT_EQ(r.status, c.want);
        EXPECT_EQ(r.message, c.want == Status::Ods ? kOdsText : c.want == Status::Corrupt ? kCorruptText : kNotWorkbookText);
        EXPECT_TRUE(r.sheet.rows.empty());
    }
}

TEST(ReaderTest, FilesThatAreNoWorkbook)
{
    TempDir dir;
    testing::writeZip(dir / "good.xlsx", oneSheetBook(R"(<row r="1"><c r="A1"><v>1</v></c></row>)"));
    const std::string good = testing::readFile(dir / "good.xlsx");
    struct Case {
        const char* name;
        std::string bytes;
        Status want;
    };
    const std::vector<Case> cases = {
        {"empty", "", Status::NotWorkbook},
        {"text", "科目,语文\n高一,5\n", Status::NotWorkbook},
        {"picture", std::string("\x89PNG\r\n\x1a\n\0\0\0\rIHDR", 16), Status::NotWorkbook},
        {"zip header only", "PK\x03\x04", Status::NotWorkbook},
        {"truncated workbook", good.substr(0, good.size() / 2), Status::NotWorkbook},
        {"encrypted workbook", compoundFile({"EncryptionInfo", "EncryptedPackage"}), Status::Password},
        {"document of another kind", compoundFile({"WordDocument"}), Status::NotWorkbook},
        {"compound header only", std::string("\xD0\xCF\x11\xE0\xA1\xB1\x1A\xE1", 8) + std::string(100, '\0'),
         Status::Corrupt},
        {"workbook stream of garbage", compoundFile({"Workbook"}), Status::Corrupt},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        auto p = dir / (std::string("f") + std::to_string(&c - cases.data()));
        testing::writeFile(p, c.bytes);
        offerToCorpus(p, c.name);
        auto r = readFirstSheet(p);
        EXPECT_EQ(r.status, c.want);
        EXPECT_EQ(r.message, c.want == Status::Password ? kPasswordText
                             : c.want == Status::Corrupt ? kCorruptText
                                                         : kNotWorkbookText);
    }
    EXPECT_EQ(readFirstSheet((dir / "none.xlsx").string()).status, Status::NotWorkbook);
}

TEST(ReaderTest, FileOverTheLimitIsNotRead)
{
    TempDir dir;
    auto p = dir / "big.xlsx";
    testing::writeFile(p, "PK\x03\x04");
    std::filesystem::resize_file(p, kMaxWorkbookFile + 1);
    auto r = readFirstSheet(p);
    EXPECT_EQ(r.status, Status::Corrupt);
    EXPECT_EQ(r.message, kCorruptText);
}

// ---- .xls and LibreOffice's own .xlsx, made once by scripts/make-reader-fixtures ----

TEST(ReaderTest, LibreOfficeWorkbooks)
{
    // The template as filled: texts, counts as numbers, "5，5，4" as text, a formula (=B2+1)
    // by its result, a decimal, and a second sheet that is not read.
    const Cells want = {{"A1", "科目"}, {"B1", "高一"}, {"C1", "高二"}, {"A2", "语文"}, {"B2", "5"}, {"C2", "5，5，4"},
                        {"A3", "数学"}, {"B3", "6"},   {"C3", "0.1"},  {"A4", "王芳"}, {"B4", "701"}};
    for (const char* f : {"plain.xls", "plain-lo.xlsx"}) {
        SCOPED_TRACE(f);
        auto r = readFirstSheet(kFixtures + "/" + f);
        ASSERT_TRUE(r.ok()) << r.message;
        EXPECT_EQ(cellsOf(r.sheet), want);
    }
}

TEST(ReaderTest, XlsRefusals)
{
    struct Case {
        const char* file;
        Status want;
        std::string message;
    };
    const std::vector<Case> cases = {
        {"password.xls", Status::Password, kPasswordText},
        {"error.xls", Status::ErrorCell, "第1行B列是错误值（#DIV/0!），请修正后再导入。"},
        // A sheet that states an extent of millions of cells, which the library would try to hold.
        {"huge-extent.xls", Status::Corrupt, kCorruptText},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.file);
        auto r = readFirstSheet(kFixtures + "/" + c.file);
        EXPECT_EQ(r.status, c.want);
        EXPECT_EQ(r.message, c.message);
        EXPECT_TRUE(r.sheet.rows.empty());
    }
}

// The .xls library runs in a child process: its crash is the damaged-workbook message, and
// the reading process goes on.
TEST(ReaderTest, XlsLibraryCrashBecomesAMessage)
{
    setXlsChildCrashForTest(true);
    auto crashed = readFirstSheet(kFixtures + "/plain.xls");
    setXlsChildCrashForTest(false);
    EXPECT_EQ(crashed.status, Status::Corrupt);
    EXPECT_EQ(crashed.message, kCorruptText);
    EXPECT_TRUE(crashed.sheet.rows.empty());
    auto again = readFirstSheet(kFixtures + "/plain.xls");
    ASSERT_TRUE(again.ok()) << again.message;
    EXPECT_EQ(again.sheet.text(1, 1), "科目");
}

// Where the child that hands a .xls to the library leaves its mark, so a test can tell whether
// the library was given the file at all.
std::string gChildMark;

void markChildStart()
{
    ::close(::open(gChildMark.c_str(), O_CREAT | O_WRONLY, 0600));
}

// A compound file whose directory states what cannot be in the file is refused by our own walk
// before the library sees it: the library believed the root entry's size and filled 4 GB for a
// 5 KB file.
TEST(ReaderTest, CompoundFileStatingTheImpossibleNeverReachesTheLibrary)
{
    TempDir dir;
    const std::string plain = testing::readFile(kFixtures + "/plain.xls");
    auto le32 = [](const std::string& b, std::size_t at) {
        std::uint32_t v = 0;
        for (int i = 3; i >= 0; --i)
            v = v << 8 | std::uint8_t(b[at + std::size_t(i)]);
        return v;
    };
    auto put32 = [](std::string& b, std::size_t at, std::uint32_t v) {
        for (int i = 0; i < 4; ++i)
            b[at + std::size_t(i)] = char((v >> (8 * i)) & 0xFF);
    };
    // The fixture is written with 512-byte sectors; its first directory sector holds the root
    // entry and the workbook stream.
    const std::size_t dirAt = (std::size_t(le32(plain, 0x30)) + 1) * 512;
    std::size_t workbookAt = 0;
    for (std::size_t e = 1; e < 4; ++e) {
        std::string name;
        for (std::size_t i = 0; i < 8; ++i)
            name += plain[dirAt + 128 * e + 2 * i];
        if (name == "Workbook")
            workbookAt = dirAt + 128 * e;
    }
    ASSERT_NE(workbookAt, 0u);

    struct Case {
        const char* name;
        std::size_t at;
        std::uint32_t value;
    };
    const std::vector<Case> cases = {
        {"root entry stated as 4 GB", dirAt + 0x78, 0xFFFFFE00u},
        {"workbook stream stated past the end", workbookAt + 0x78, std::uint32_t(plain.size() + 1)},
        {"workbook stream starting past the end", workbookAt + 0x74, 0x00FFFFF0u},
    };
    gChildMark = (dir / "child-started").string();
    setXlsChildStartHook(markChildStart);
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        std::string bytes = plain;
        put32(bytes, c.at, c.value);
        auto p = dir / "crafted.xls";
        testing::writeFile(p, bytes);
        offerToCorpus(p, c.name);
        auto r = readFirstSheet(p);
        EXPECT_EQ(r.status, Status::Corrupt);
        EXPECT_EQ(r.message, kCorruptText);
        EXPECT_FALSE(std::filesystem::exists(gChildMark));
    }
    // The untouched file does reach the library, so the mark above means what it says.
    auto good = readFirstSheet(kFixtures + "/plain.xls");
    setXlsChildStartHook(nullptr);
    ASSERT_TRUE(good.ok()) << good.message;
    EXPECT_TRUE(std::filesystem::exists(gChildMark));
}

// ---- our own workbooks read back ----

TEST(ReaderTest, OwnWorkbookReadBack)
{
    Workbook book;
    Sheet& s = book.add("科目节数");
    s.setText(1, 1, "科目");
    s.setText(1, 2, "高一");
    s.setText(2, 1, "语文");
    s.setNumber(2, 2, 701);
    s.setNumber(3, 2, 0.1);
    s.setNumber(4, 2, 1234567.25);
    s.setRuns(3, 1, {{"数", "黑体", 12}, {"学", "", 0}});
    s.setText(30, 40, "远处");
    book.add("第二页").setText(1, 1, "不读");
    TempDir dir;
    auto p = (dir / "own.xlsx").string();
    ASSERT_TRUE(book.save(p).ok);
    offerToCorpus(p, "own workbook");
    auto r = readFirstSheet(p);
    ASSERT_TRUE(r.ok()) << r.message;
    EXPECT_EQ(cellsOf(r.sheet), (Cells{{"A1", "科目"}, {"B1", "高一"}, {"A2", "语文"}, {"B2", "701"}, {"A3", "数学"},
                                       {"B3", "0.1"}, {"B4", "1234567.25"}, {"AN30", "远处"}}));
}

// The whole-school timetable: every cell our reader sees is the one the test-only reader sees.
TEST(ReaderTest, SchoolTableReadBackAsTheTestReaderSeesIt)
{
    model::School school = testing::smallSchool();
    model::Grids grids = testing::smallTimetable(school);
    Workbook book;
    SchoolExportOptions o;
    ASSERT_TRUE(exportSchoolTable(school, {&grids.Renke_B, &grids.Renke_T}, o, book));
    TempDir dir;
    auto p = (dir / "school.xlsx").string();
    ASSERT_TRUE(book.save(p).ok);
    offerToCorpus(p, "school table");
    auto r = readFirstSheet(p);
    ASSERT_TRUE(r.ok()) << r.message;
    const testing::XlsxBook seen = testing::readXlsx(p);
    Cells want;
    for (const auto& [at, cell] : seen.sheets.front().cells)
        if (!cell.text.empty())
            want[columnLetters(at.second) + std::to_string(at.first)] = cell.text;
    ASSERT_FALSE(want.empty());
    EXPECT_EQ(cellsOf(r.sheet), want);
}

// ---- progress and cancel ----

TEST(ReaderTest, ProgressPerRowAndCancelAfterKRows)
{
    std::string rows;
    for (int i = 1; i <= 6; ++i)
        rows += "<row r=\"" + std::to_string(i) + "\"><c r=\"A" + std::to_string(i) + "\"><v>" + std::to_string(i) + "</v></c></row>";
    TempDir dir;
    auto p = zipFile(dir, "six rows", oneSheetBook(rows));
    std::vector<int> seen;
    int lastPercent = -1;
    bool percentsRise = true;
    auto all = readFirstSheet(p, [&](int n, int percent) {
        seen.push_back(n);
        percentsRise = percentsRise && percent >= lastPercent && percent <= 100;
        lastPercent = percent;
        return true;
    });
    ASSERT_TRUE(all.ok());
    EXPECT_EQ(seen, (std::vector<int>{1, 2, 3, 4, 5, 6}));
    EXPECT_TRUE(percentsRise);
    EXPECT_EQ(all.sheet.text(6, 1), "6");
    for (int k : {1, 3}) {
        SCOPED_TRACE(k);
        int calls = 0;
        auto r = readFirstSheet(p, [&](int, int) { return ++calls < k; });
        EXPECT_EQ(r.status, Status::Cancelled);
        EXPECT_EQ(calls, k);
        EXPECT_TRUE(r.message.empty());
        EXPECT_TRUE(r.sheet.rows.empty());
    }
    int xlsCalls = 0;
    auto x = readFirstSheet(kFixtures + "/plain.xls", [&](int, int) { return ++xlsCalls < 2; });
    EXPECT_EQ(x.status, Status::Cancelled);
    EXPECT_EQ(xlsCalls, 2);
}

TEST(ReaderTest, ColumnLettersAndNumberTexts)
{
    const std::vector<std::pair<int, std::string>> cols = {{1, "A"}, {26, "Z"}, {27, "AA"}, {52, "AZ"}, {703, "AAA"}, {16384, "XFD"}};
    for (const auto& [c, want] : cols)
        EXPECT_EQ(columnLetters(c), want) << c;
    const std::vector<std::pair<double, std::string>> nums = {
        {701, "701"}, {0.1, "0.1"}, {-3, "-3"}, {1e6, "1000000"}, {0.30000000000000004, "0.30000000000000004"}, {2.5e-3, "0.0025"}};
    for (const auto& [v, want] : nums)
        EXPECT_EQ(numberText(v), want) << v;
}

}  // namespace
}  // namespace tavrin::spreadsheet
