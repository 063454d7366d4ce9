#include "text/bidi.h"

#include <unicode/ubidi.h>
#include <unicode/ustring.h>

#include <memory>
#include <vector>

#include "text/encoding.h"

namespace {

struct BidiCloser {
    void operator()(UBiDi* bidi) const { ubidi_close(bidi); }
};

std::u16string to_utf16(std::string_view text) {
    std::u16string units(text.size() + 1, u'\0');
    int32_t length = 0;
    UErrorCode status = U_ZERO_ERROR;
    u_strFromUTF8WithSub(units.data(), static_cast<int32_t>(units.size()), &length, text.data(),
                         static_cast<int32_t>(text.size()), 0xFFFD, nullptr, &status);
    units.resize(U_SUCCESS(status) ? static_cast<size_t>(length) : 0);
    return units;
}

std::string to_utf8(const std::u16string& units) {
    std::string bytes(units.size() * 3 + 1, '\0');
    int32_t length = 0;
    UErrorCode status = U_ZERO_ERROR;
    u_strToUTF8WithSub(bytes.data(), static_cast<int32_t>(bytes.size()), &length, units.data(),
                       static_cast<int32_t>(units.size()), 0xFFFD, nullptr, &status);
    bytes.resize(U_SUCCESS(status) ? static_cast<size_t>(length) : 0);
    return bytes;
}

}  // namespace

bool has_right_to_left(std::string_view text) {
    if (is_ascii(text)) return false;
    bool found = false;
    for_each_code_point(text, [&](int32_t c, size_t, size_t) { return !(found = is_right_to_left(c)); });
    return found;
}

bool reads_right_to_left(std::string_view text) {
    if (!has_right_to_left(text)) return false;
    const std::u16string units = to_utf16(text);
    return ubidi_getBaseDirection(units.data(), static_cast<int32_t>(units.size())) == UBIDI_RTL;
}

std::string display_order(std::string_view text) {
    if (!has_right_to_left(text)) return std::string(text);
    const std::u16string units = to_utf16(text);
    UErrorCode status = U_ZERO_ERROR;
    const std::unique_ptr<UBiDi, BidiCloser> bidi(ubidi_open());
    // The line's own first strong letter sets its direction, as a reader would take it.
    ubidi_setPara(bidi.get(), units.data(), static_cast<int32_t>(units.size()), UBIDI_DEFAULT_LTR, nullptr,
                  &status);
    std::u16string shown(units.size() * 2 + 1, u'\0');
    const int32_t length = ubidi_writeReordered(
        bidi.get(), shown.data(), static_cast<int32_t>(shown.size()),
        UBIDI_DO_MIRRORING | UBIDI_KEEP_BASE_COMBINING | UBIDI_REMOVE_BIDI_CONTROLS, &status);
    if (U_FAILURE(status)) return std::string(text);
    shown.resize(static_cast<size_t>(length));
    return to_utf8(shown);
}
