// Reads the first worksheet of a workbook the operator chose, as the cell texts a
// spreadsheet application shows: .xlsx/.xlsm (libzip + pugixml) and .xls (libfreexl), told
// apart by content, never by the file's extension. Every file is treated as hostile: sizes are
// counted while unpacking, references and indexes are checked, XML entities are never
// expanded and nothing is fetched. A file that cannot be read gives one message in the
// operator's words and no cells.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace tavrin::spreadsheet {

// The messages a failed read shows, as the operator reads them.
inline constexpr const char* kNotWorkbookText = "所选文件不是Excel工作簿（.xlsx或.xls），无法导入。";
inline constexpr const char* kOdsText = "请在电子表格程序中将其另存为Excel工作簿（.xlsx）后再导入。";
inline constexpr const char* kPasswordText = "该工作簿设有密码，无法读取。请取消密码并另存后再导入。";
inline constexpr const char* kCorruptText = "工作簿已损坏或过大，无法导入。";

// Limits on what is read: the file itself, each unpacked part, the sheet's extent.
inline constexpr std::uint64_t kMaxWorkbookFile = 50ull << 20;
inline constexpr std::uint64_t kMaxUnpackedPart = 100ull << 20;
inline constexpr int kMaxSheetRow = 1048576;
inline constexpr int kMaxSheetCol = 16384;

// One row of the sheet: its cells sorted by column, empty texts left out.
struct GridRow {
    int row = 0;
    std::vector<std::pair<int, std::string>> cells;  // (column, UTF-8 text)
};

// The cells of one sheet, rows sorted; rows and columns count from 1.
struct SheetGrid {
    std::vector<GridRow> rows;
    // The cell's text, empty where there is none.
    const std::string& text(int row, int col) const;
    int lastRow() const { return rows.empty() ? 0 : rows.back().row; }
    int lastCol() const;
};

struct ReadResult {
    enum class Status : std::uint8_t { Ok, NotWorkbook, Ods, Password, Corrupt, ErrorCell, Cancelled };
    Status status = Status::Ok;
    std::string message;  // the text to show; empty when Ok or Cancelled
    SheetGrid sheet;
    bool ok() const { return status == Status::Ok; }
};

// Polled once per row read: the rows read so far and the share of the sheet read (0..100).
// Returning false cancels the read.
using ReadProgress = std::function<bool(int rowsRead, int percent)>;

ReadResult readFirstSheet(const std::string& path, const ReadProgress& progress = {});

// The same from bytes already in memory (the fuzz target's way in). A .xls still goes
// through a file, since libfreexl reads only files: `scratchPath` is where it is written.
ReadResult readFirstSheetBytes(std::string_view bytes, const std::string& scratchPath,
                               const ReadProgress& progress = {});

// Test hook: the child process that reads a .xls dies before reading, as it would when the
// library crashed on the file.
void setXlsChildCrashForTest(bool crash);

// Runs first thing in the child that reads a .xls. The fuzz target uses it so that the
// library's own overruns, which the child exists to contain, are not reported as findings
// of the reader: the parent turns the child's death into the damaged-workbook message.
void setXlsChildStartHook(void (*hook)());

// Column letters as a spreadsheet shows them: 1 -> "A", 27 -> "AA", 16384 -> "XFD".
std::string columnLetters(int col);
// "第5行C列是错误值（#REF!），请修正后再导入。"
std::string errorCellText(int row, int col, std::string_view value);
// A number as its shortest text that reads back the same: 701 -> "701", 0.1 -> "0.1".
std::string numberText(double value);

}  // namespace tavrin::spreadsheet
