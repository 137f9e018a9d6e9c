// The exports of the demo school on paper: our own drawing as PDF (page count, names and
// headings on each page, the school table's headings repeated on its later pages), and,
// where LibreOffice is installed, the written .xlsx converted by it (one page a sheet for
// the papers that fit to a page, the print titles repeated).
#include <gtest/gtest.h>

#include <QGuiApplication>

#include <array>
#include <cstdio>
#include <memory>
#include <set>
#include <string>

#include "demo/demo.h"
#include "model/kechen.h"
#include "model/loaders.h"
#include "spreadsheet/kbexport.h"
#include "spreadsheet/schoolexport.h"
#include "spreadsheet/sheetpaint.h"
#include "store/store.h"
#include "support/testutil.h"

namespace tavrin::spreadsheet {
namespace {

std::string output(const std::string& command)
{
    std::string out;
    std::unique_ptr<FILE, int (*)(FILE*)> pipe(::popen(command.c_str(), "r"), ::pclose);
    if (!pipe)
        return out;
    std::array<char, 4096> buf{};
    std::size_t n = 0;
    while ((n = std::fread(buf.data(), 1, buf.size(), pipe.get())) > 0)
        out.append(buf.data(), n);
    return out;
}

bool have(const char* program) { return !output(std::string("command -v ") + program + " 2>/dev/null").empty(); }

int pageCount(const std::string& pdf)
{
    const std::string info = output("pdfinfo '" + pdf + "' 2>/dev/null");
    const auto at = info.find("Pages:");
    return at == std::string::npos ? -1 : std::stoi(info.substr(at + 6));
}

// A page's text, compatibility forms folded: a PDF may map a glyph back to its Kangxi
// radical ("⼀") rather than the ideograph ("一") it was drawn for.
std::string pageText(const std::string& pdf, int page)
{
    const std::string n = std::to_string(page);
    const std::string raw = output("pdftotext -layout -f " + n + " -l " + n + " '" + pdf + "' - 2>/dev/null");
    return QString::fromStdString(raw).normalized(QString::NormalizationForm_KC).toStdString();
}

// The medium demo school (3 grade groups of 8 classes) with its planted timetable.
struct Demo {
    testing::TempDir dir;
    model::School s;
    model::Grids g;
    Demo()
    {
        const auto file = dir / "demo.dat";
        demo::DemoOptions o;
        o.size = demo::DemoSize::Medium;
        o.seed = 1;
        o.writePlanted = true;
        std::string error;
        if (!demo::writeDemoSchool(file, o, &error))
            throw std::runtime_error(error);
        store::Store st(file);
        s = model::loadSchool(st);
        g = model::LoadKeChenData(st, s);
    }
    KbGrids grids() const { return {&g.Renke_B, &g.Renke_T}; }
    const std::string& ban(int i) const { return s.BanName[static_cast<std::size_t>(classOrder(s)[static_cast<std::size_t>(i)])]; }
};

Workbook timetables(const Demo& d, const std::string& paper)
{
    KbExportOptions o;
    o.paper = paper;
    o.font1 = o.font2 = "宋体";
    o.timeHead = "2026至2027学年度第一学期";
    const auto order = classOrder(d.s);
    KbExportJob job{{order[0], order[1], order[2]}, {1, 2}};
    Workbook book;
    EXPECT_TRUE(exportTimetables(d.s, d.grids(), o, job, book));
    return book;
}

Workbook schoolTable(const Demo& d, int layout, const std::string& paper)
{
    SchoolExportOptions o;
    o.layout = layout;
    o.paper = paper;
    o.font1 = o.font2 = "宋体";
    o.timeHead = "2026至2027学年度第一学期";
    Workbook book;
    EXPECT_TRUE(exportSchoolTable(d.s, d.grids(), o, book));
    return book;
}

class ExportPdf : public ::testing::Test {
protected:
    static void SetUpTestSuite() { demo_ = new Demo; }
    static void TearDownTestSuite()
    {
        delete demo_;
        demo_ = nullptr;
    }
    static Demo* demo_;
};
Demo* ExportPdf::demo_ = nullptr;

TEST_F(ExportPdf, TimetablesOnePagePerSheet)
{
    if (!have("pdfinfo") || !have("pdftotext"))
        GTEST_SKIP() << "poppler-utils not installed";
    const Demo& d = *demo_;
    struct Case {
        const char* paper;
        int pages;
    };
    // Three classes and two teachers: five sheets, or three with two timetables a sheet.
    for (const Case c : {Case{"A4", 5}, Case{"A5", 5}, Case{"A4L", 3}}) {
        testing::TempDir dir;
        const Workbook book = timetables(d, c.paper);
        const auto pdf = (dir / "kb.pdf").string();
        const PdfResult r = writePdf(book, pdf);
        ASSERT_TRUE(r.ok) << r.error;
        EXPECT_EQ(r.pages, c.pages) << c.paper;
        EXPECT_EQ(pageCount(pdf), c.pages) << c.paper;
        for (int p = 1; p <= c.pages; ++p) {
            const std::string text = pageText(pdf, p);
            EXPECT_NE(text.find("星期一"), std::string::npos) << c.paper << " page " << p;
            EXPECT_NE(text.find("2026至2027学年度第一学期"), std::string::npos) << c.paper << " page " << p;
        }
        const std::string first = pageText(pdf, 1);
        EXPECT_NE(first.find(d.ban(0)), std::string::npos) << c.paper;
        if (std::string(c.paper) == "A4L") {
            EXPECT_NE(first.find(d.ban(1)), std::string::npos) << "the lower copy";
            EXPECT_NE(pageText(pdf, 3).find(d.s.TeaName[2]), std::string::npos);
        } else {
            EXPECT_NE(pageText(pdf, 2).find(d.ban(1)), std::string::npos) << c.paper;
            EXPECT_NE(pageText(pdf, 5).find(d.s.TeaName[2]), std::string::npos) << c.paper;
        }
    }
}

TEST_F(ExportPdf, SchoolTableRepeatsItsHeadingsOnEveryPage)
{
    if (!have("pdfinfo") || !have("pdftotext"))
        GTEST_SKIP() << "poppler-utils not installed";
    const Demo& d = *demo_;
    testing::TempDir dir;
    const Workbook book = schoolTable(d, 1, "A4");
    const auto pdf = (dir / "all.pdf").string();
    const PdfResult r = writePdf(book, pdf);
    ASSERT_TRUE(r.ok) << r.error;
    ASSERT_GE(r.pages, 2) << "24 classes of two-line lessons run over an A4 page";
    EXPECT_EQ(pageCount(pdf), r.pages);
    const auto order = classOrder(d.s);
    std::size_t seen = 0;
    for (int p = 1; p <= r.pages; ++p) {
        const std::string text = pageText(pdf, p);
        EXPECT_NE(text.find("星期一"), std::string::npos) << "page " << p;
        EXPECT_NE(text.find("上午"), std::string::npos) << "page " << p;
        for (int id = 1; id <= d.s.MaxBanID; ++id)
            if (text.find(d.s.BanName[static_cast<std::size_t>(id)]) != std::string::npos)
                ++seen;
    }
    EXPECT_EQ(seen, static_cast<std::size_t>(d.s.MaxBanID)) << "every class on exactly one page";
}

// The written file as LibreOffice prints it: its page set-up and print titles at work.
TEST_F(ExportPdf, LibreOfficeReadsThePageSetUp)
{
    if (!have("soffice") || !have("pdfinfo") || !have("pdftotext"))
        GTEST_SKIP() << "LibreOffice or poppler-utils not installed";
    const Demo& d = *demo_;
    testing::TempDir dir;
    const auto kb = (dir / "kb.xlsx").string();
    const auto all = (dir / "all.xlsx").string();
    ASSERT_TRUE(timetables(d, "A4L").save(kb).ok);
    ASSERT_TRUE(schoolTable(d, 1, "A4").save(all).ok);
    const std::string profile = "file://" + (dir / "profile").string();
    output("cd '" + dir.path().string() + "' && soffice -env:UserInstallation=" + profile +
           " --headless --convert-to pdf kb.xlsx all.xlsx >/dev/null 2>&1");
    const auto kbPdf = (dir / "kb.pdf").string();
    const auto allPdf = (dir / "all.pdf").string();
    EXPECT_EQ(pageCount(kbPdf), 3) << "two timetables a sheet, fitted to one page";
    const int pages = pageCount(allPdf);
    ASSERT_GE(pages, 2);
    // Later pages, whichever way the table was cut, start with the heading rows.
    for (int p = 1; p <= pages; ++p)
        EXPECT_NE(pageText(allPdf, p).find("上午"), std::string::npos) << "page " << p;
}

}  // namespace
}  // namespace tavrin::spreadsheet

int main(int argc, char** argv)
{
    ::testing::InitGoogleTest(&argc, argv);
    // Fonts and drawing need a platform, never a display.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    return RUN_ALL_TESTS();
}
