// Reading an import workbook whose sheet unpacks to about 80 MB (shared strings, numbers and
// inline strings, as a filled template holds them), generated here. The read runs in a
// process of its own so the peak memory printed is the reader's alone.
//   bench_reader [MB]        generate, read, print seconds, peak MB, rows and cells
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "spreadsheet/reader.h"
#include "support/zip_builder.h"

namespace {

using tavrin::spreadsheet::columnLetters;

std::string makeSheet(std::size_t targetBytes, int& rowsOut)
{
    std::string rows;
    rows.reserve(targetBytes + 4096);
    int r = 0;
    while (rows.size() < targetBytes) {
        ++r;
        const std::string rs = std::to_string(r);
        rows += "<row r=\"" + rs + "\">";
        for (int c = 1; c <= 40; ++c) {
            const std::string ref = columnLetters(c) + rs;
            if (c == 1)
                rows += "<c r=\"" + ref + "\" t=\"s\"><v>" + std::to_string(r % 5000) + "</v></c>";
            else if (c % 10 == 0)
                rows += "<c r=\"" + ref + "\" t=\"inlineStr\"><is><t>王芳," + std::to_string(c % 7) + ",李明,2</t></is></c>";
            else
                rows += "<c r=\"" + ref + "\"><v>" + std::to_string((r + c) % 9) + "</v></c>";
        }
        rows += "</row>";
    }
    rowsOut = r;
    return tavrin::testing::sheetXml(rows);
}

int readOnce(const char* path)
{
    const auto t0 = std::chrono::steady_clock::now();
    auto result = tavrin::spreadsheet::readFirstSheet(path);
    const double secs = std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
    std::size_t cells = 0;
    for (const auto& row : result.sheet.rows)
        cells += row.cells.size();
    rusage ru{};
    ::getrusage(RUSAGE_SELF, &ru);
    const double cpu = double(ru.ru_utime.tv_sec + ru.ru_stime.tv_sec) + double(ru.ru_utime.tv_usec + ru.ru_stime.tv_usec) / 1e6;
    std::printf("%-20s %8.2f %8.2f %9.1f %9d %10zu %s\n", "read sheet", secs, cpu, ru.ru_maxrss / 1024.0,
                result.sheet.lastRow(), cells, result.ok() ? "ok" : result.message.c_str());
    return result.ok() ? 0 : 1;
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc == 3 && std::string(argv[1]) == "--read")
        return readOnce(argv[2]);
    const std::size_t mb = argc > 1 ? std::strtoul(argv[1], nullptr, 10) : 80;
    const auto dir = std::filesystem::temp_directory_path() / ("tavrin_bench_reader_" + std::to_string(::getpid()));
    std::filesystem::create_directories(dir);
    const auto file = dir / "big.xlsx";
    {
        int rows = 0;
        std::string sheet = makeSheet(mb << 20, rows);
        std::vector<std::string> strings;
        for (int i = 0; i < 5000; ++i)
            strings.push_back("<t>科目" + std::to_string(i) + "</t>");
        auto parts = tavrin::testing::workbookParts({{"Sheet1", "worksheets/sheet1.xml", "worksheet", std::move(sheet)}},
                                                    tavrin::testing::sharedStringsXml(strings));
        tavrin::testing::writeZip(file, parts);
        std::printf("sheet part %.1f MB unpacked, %d rows x 40 columns, file %.1f MB\n",
                    double(parts[4].second.size()) / (1 << 20), rows, double(std::filesystem::file_size(file)) / (1 << 20));
    }
    // Wall seconds depend on what else the machine runs; CPU seconds are the reader's own.
    std::printf("%-20s %8s %8s %9s %9s %10s\n", "case", "seconds", "cpu s", "peak MB", "rows", "cells");
    std::fflush(stdout);
    const pid_t pid = ::fork();
    if (pid == 0) {
        ::execl("/proc/self/exe", argv[0], "--read", file.c_str(), static_cast<char*>(nullptr));
        std::_Exit(127);
    }
    int status = 0;
    ::waitpid(pid, &status, 0);
    std::filesystem::remove_all(dir);
    return WIFEXITED(status) ? WEXITSTATUS(status) : 1;
}
