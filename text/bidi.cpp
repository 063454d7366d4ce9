#include "text/bidi.h"

#include <unicode/ubidi.h>
#include <unicode/uchar.h>
#include <unicode/uloc.h>
#include <unicode/uscript.h>

#include <memory>

#include "text/encoding.h"

namespace {

struct BidiCloser {
    void operator()(UBiDi* bidi) const { ubidi_close(bidi); }
};

// The byte offset in the UTF-8 `text` of each UTF-16 unit's character, and the end.
std::vector<size_t> byte_offsets(std::string_view text) {
    std::vector<size_t> offsets;
    for_each_code_point(text, [&](int32_t c, size_t offset, size_t) {
        offsets.push_back(offset);
        if (c > 0xFFFF) offsets.push_back(offset);  // a surrogate pair's second unit
        return true;
    });
    offsets.push_back(text.size());
    return offsets;
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

bool language_reads_right_to_left(const char* tag) {
    UErrorCode status = U_ZERO_ERROR;
    return tag[0] != '\0' && uloc_getCharacterOrientation(tag, &status) == ULOC_LAYOUT_RTL &&
           U_SUCCESS(status);
}

const char* list_comma(std::string_view text) {
    const char* comma = ",";
    for_each_code_point(text, [&](int32_t c, size_t, size_t) {
        if (!u_isalpha(c)) return true;
        UErrorCode status = U_ZERO_ERROR;
        if (uscript_getScript(c, &status) == USCRIPT_ARABIC && U_SUCCESS(status)) comma = "\xD8\x8C";
        return false;
    });
    return comma;
}

std::vector<BidiRun> visual_runs(std::string_view text) {
    const std::vector<BidiRun> whole = {{0, text.size(), false}};
    if (!has_right_to_left(text)) return whole;
    const std::u16string units = to_utf16(text);
    const std::vector<size_t> offsets = byte_offsets(text);
    if (offsets.size() != units.size() + 1) return whole;  // not valid UTF-8
    UErrorCode status = U_ZERO_ERROR;
    const std::unique_ptr<UBiDi, BidiCloser> bidi(ubidi_open());
    // The line's own first strong letter sets its direction, as a reader would take it.
    ubidi_setPara(bidi.get(), units.data(), static_cast<int32_t>(units.size()), UBIDI_DEFAULT_LTR, nullptr,
                  &status);
    const int32_t count = ubidi_countRuns(bidi.get(), &status);
    if (U_FAILURE(status)) return whole;
    std::vector<BidiRun> runs;
    for (int32_t i = 0; i < count; ++i) {
        int32_t start = 0, length = 0;
        const UBiDiDirection direction = ubidi_getVisualRun(bidi.get(), i, &start, &length);
        const size_t first = offsets[static_cast<size_t>(start)];
        runs.push_back({first, offsets[static_cast<size_t>(start + length)] - first, direction == UBIDI_RTL});
    }
    return runs;
}

std::string reversed_for_display(std::string_view text) {
    const std::u16string units = to_utf16(text);
    std::u16string shown(units.size() + 1, u'\0');
    UErrorCode status = U_ZERO_ERROR;
    const int32_t length = ubidi_writeReverse(units.data(), static_cast<int32_t>(units.size()), shown.data(),
                                              static_cast<int32_t>(shown.size()),
                                              UBIDI_DO_MIRRORING | UBIDI_KEEP_BASE_COMBINING, &status);
    if (U_FAILURE(status)) return std::string(text);
    return from_utf16(std::u16string_view(shown.data(), static_cast<size_t>(length)));
}
