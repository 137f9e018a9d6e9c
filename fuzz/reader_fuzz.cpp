// libFuzzer target for the workbook reader: any bytes, as a file the operator chose. The
// reader must end with cells or one of its messages, never crash, hang or leak.
#include "spreadsheet/reader.h"

#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    // libfreexl reads only files: a .xls goes through a scratch file of this process's own.
    static const std::string scratch = "/tmp/tavrin-reader-fuzz-" + std::to_string(::getpid()) + ".xls";
    std::string_view bytes(reinterpret_cast<const char*>(data), size);
    auto result = tavrin::spreadsheet::readFirstSheetBytes(bytes, scratch);
    if (result.ok()) {
        // Touch every cell so a dangling text would show under the sanitizers.
        std::size_t total = 0;
        for (const auto& row : result.sheet.rows)
            for (const auto& cell : row.cells)
                total += cell.second.size();
        (void)total;
    }
    ::unlink(scratch.c_str());
    return 0;
}
