// Number formats: any code with any value gives a short text (or says it is outside the
// subset), never a crash or a hang. The first 8 bytes are the value, the rest the code.
#include <cstring>
#include <string>
#include <string_view>

#include "fuzz_support.h"
#include "roster/number_format.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 9) return 0;
    double value;
    memcpy(&value, data, sizeof value);
    const std::string_view code(reinterpret_cast<const char*>(data) + 9, size - 9);
    std::string shown;
    format_number(value, code, (data[8] & 1) != 0, &shown);
    // Each code character shows at most a number as General writes it (an @), or a month name.
    promise(shown.size() <= 32 * code.size() + 400, "a shown number stays short");
    return 0;
}
