// Command lines of any bytes: the splitter must never read past the end,
// never loop, and never return an argument holding a blank, a control byte
// or a quote outside a double-byte pair.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "app/command_line.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string_view line(reinterpret_cast<const char*>(data), size);
    const auto args = pelomar::splitCommandLine(line);
    size_t total = 0;
    for (const std::string& arg : args) {
        total += arg.size();
        for (size_t i = 0; i < arg.size(); ++i) {
            const unsigned char c = static_cast<unsigned char>(arg[i]);
            if (c >= 0x80) {
                if (i + 1 >= arg.size()) std::abort();  // a lead byte always comes with its trail byte
                ++i;
            } else if (c == '"') {
                std::abort();
            }
        }
    }
    if (total > size) std::abort();
    (void)pelomar::startsVisible(args);
    return 0;
}
