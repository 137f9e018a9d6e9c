// libFuzzer target for the workbook reader: any bytes, as a file the operator chose. The
// reader must end with cells or one of its messages, never crash, hang or leak.
#include "spreadsheet/reader.h"

#include <unistd.h>

#if defined(__SANITIZE_ADDRESS__)
#define TAVRIN_FUZZ_ASAN 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define TAVRIN_FUZZ_ASAN 1
#endif
#endif
#ifdef TAVRIN_FUZZ_ASAN
#include <sanitizer/common_interface_defs.h>
#endif

#include <cstddef>
#include <cstdint>
#include <string>

namespace {

#ifdef TAVRIN_FUZZ_ASAN
void childDied() { ::_exit(86); }

// libfreexl overruns its buffers on some crafted .xls files (seen in iconv on a string
// record). The reader runs it in a child for exactly that reason, and the parent's answer,
// the damaged-workbook message, is what is under test here. Without this the child's report
// would be saved as a crash of the reader, burying real findings in the library's.
void quietChild()
{
    __sanitizer_set_report_path("/dev/null");
    __sanitizer_set_death_callback(childDied);
}
#endif

const bool hooked = [] {
#ifdef TAVRIN_FUZZ_ASAN
    tavrin::spreadsheet::setXlsChildStartHook(quietChild);
#endif
    return true;
}();

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    (void)hooked;
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
