// The exports on the xl demo school (6 grade groups x 20 classes) with its planted
// timetable and two public slots added: every class and teacher timetable in layout 1 one a
// sheet ("A4") and two a sheet ("A4L"), and both whole-school tables on A3 in both layouts.
// Each case runs in a child process of its own, so the peak memory it prints is its own
// (the loaded school included): build the workbook, write it into a temporary folder.
// Prints the seconds, the peak resident memory, the sheets and the distinct cell formats.
// The "PDF" cases also draw the workbook as it prints (the drawing the printer gets).
#include <QGuiApplication>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <functional>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

#include "demo/demo.h"
#include "model/kechen.h"
#include "model/loaders.h"
#include "spreadsheet/kbexport.h"
#include "spreadsheet/schoolexport.h"
#include "spreadsheet/sheetpaint.h"
#include "store/store.h"

namespace {

namespace fs = std::filesystem;
using namespace tavrin;

struct Case {
    const char* name;
    bool pdf;
    std::function<void(const model::School&, const model::Grids&, spreadsheet::Workbook&)> build;
};

void timetables(const model::School& s, const model::Grids& g, spreadsheet::Workbook& book, const char* paper)
{
    spreadsheet::KbExportOptions o;
    o.paper = paper;
    o.font1 = o.font2 = "宋体";
    o.timeHead = "2026至2027学年度第一学期";
    spreadsheet::KbExportJob job;
    job.classes = spreadsheet::classOrder(s);
    for (int t = 1; t <= s.TeaOldNum; ++t)
        job.teachers.push_back(t);
    spreadsheet::exportTimetables(s, {&g.Renke_B, &g.Renke_T}, o, job, book);
}

void schoolTable(const model::School& s, const model::Grids& g, spreadsheet::Workbook& book,
                 spreadsheet::SchoolTable kind, int layout)
{
    spreadsheet::SchoolExportOptions o;
    o.kind = kind;
    o.layout = layout;
    o.paper = "A3";
    o.font1 = "宋体";
    o.font2 = "黑体";  // two faces: the lessons are rich strings
    spreadsheet::exportSchoolTable(s, {&g.Renke_B, &g.Renke_T}, o, book);
}

}  // namespace

int main()
{
    const fs::path dir = fs::temp_directory_path() / ("tavrin_bench_export_" + std::to_string(::getpid()));
    fs::create_directories(dir);
    const fs::path file = dir / "xl.dat";
    demo::DemoOptions d;
    d.size = demo::DemoSize::Xl;
    d.seed = 1;
    d.writePlanted = true;
    std::string error;
    if (!demo::writeDemoSchool(file, d, &error)) {
        std::fprintf(stderr, "%s\n", error.c_str());
        return 1;
    }
    store::Store st(file);
    model::School school = model::loadSchool(st);
    const model::Grids grids = model::LoadKeChenData(st, school);
    school.PublicTime[0] = "早读";
    school.PublicTime[static_cast<std::size_t>(school.mor > 0 ? 2 : 0)] = "课间操";
    std::printf("school: %d classes, %d teachers, %d days of %d periods\n", school.MaxBanID, school.TeaOldNum,
                school.theDay, school.P());

    using spreadsheet::SchoolTable;
    const std::vector<Case> cases = {
        {"timetables A4", false, [](auto& s, auto& g, auto& b) { timetables(s, g, b, "A4"); }},
        {"timetables A4L", false, [](auto& s, auto& g, auto& b) { timetables(s, g, b, "A4L"); }},
        {"school timetable L1 A3", false, [](auto& s, auto& g, auto& b) { schoolTable(s, g, b, SchoolTable::Timetable, 1); }},
        {"school timetable L2 A3", false, [](auto& s, auto& g, auto& b) { schoolTable(s, g, b, SchoolTable::Timetable, 2); }},
        {"assignments L1 A3", false, [](auto& s, auto& g, auto& b) { schoolTable(s, g, b, SchoolTable::Assignments, 1); }},
        {"assignments L2 A3", false, [](auto& s, auto& g, auto& b) { schoolTable(s, g, b, SchoolTable::Assignments, 2); }},
        {"timetables A4 + PDF", true, [](auto& s, auto& g, auto& b) { timetables(s, g, b, "A4"); }},
        {"school timetable + PDF", true, [](auto& s, auto& g, auto& b) { schoolTable(s, g, b, SchoolTable::Timetable, 1); }},
    };
    int failures = 0;
    std::printf("%-24s %8s %9s %7s %8s\n", "case", "seconds", "peak MB", "sheets", "formats");
    if (!std::getenv("QT_QPA_PLATFORM"))
        ::setenv("QT_QPA_PLATFORM", "offscreen", 1);
    std::fflush(stdout);
    for (const Case& c : cases) {
        const pid_t pid = ::fork();
        if (pid == 0) {
            int argc = 1;
            char name[] = "bench_export";
            char* argv[] = {name, nullptr};
            std::unique_ptr<QGuiApplication> app;
            if (c.pdf)
                app = std::make_unique<QGuiApplication>(argc, argv);
            const auto t0 = std::chrono::steady_clock::now();
            spreadsheet::Workbook book;
            c.build(school, grids, book);
            spreadsheet::WriteResult w = book.save((dir / "out.xlsx").string());
            if (c.pdf && w.ok) {
                const spreadsheet::PdfResult p = spreadsheet::writePdf(book, (dir / "out.pdf").string());
                w.ok = p.ok;
                w.error = p.error;
            }
            const double secs = std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
            rusage ru{};
            ::getrusage(RUSAGE_SELF, &ru);
            std::printf("%-24s %8.2f %9.1f %7d %8d%s\n", c.name, secs, ru.ru_maxrss / 1024.0, book.count(), w.formats,
                        w.ok ? "" : ("  FAILED: " + w.error).c_str());
            std::fflush(stdout);
            ::_exit(w.ok ? 0 : 1);
        }
        int status = 0;
        ::waitpid(pid, &status, 0);
        if (!WIFEXITED(status) || WEXITSTATUS(status) != 0)
            ++failures;
    }
    std::error_code ec;
    fs::remove_all(dir, ec);
    return failures == 0 ? 0 : 1;
}
