#include "text/line_break.h"

#include <unicode/ubrk.h>
#include <unicode/uchar.h>
#include <unicode/utext.h>

#include <memory>

#include "text/encoding.h"

namespace {

struct BreakCloser {
    void operator()(UBreakIterator* iterator) const { ubrk_close(iterator); }
};

// The boundaries of `kind` ICU finds in `text`, rising, without its end; empty, with `*found`
// false, when it cannot say.
std::vector<size_t> boundaries(UBreakIteratorType kind, std::string_view text, bool* found = nullptr) {
    std::vector<size_t> breaks;
    UErrorCode status = U_ZERO_ERROR;
    // A UTF-8 UText makes the iterator's positions byte offsets into `text`.
    UText utext = UTEXT_INITIALIZER;
    utext_openUTF8(&utext, text.data(), static_cast<int64_t>(text.size()), &status);
    const std::unique_ptr<UBreakIterator, BreakCloser> iterator(ubrk_open(kind, "", nullptr, 0, &status));
    if (U_SUCCESS(status)) ubrk_setUText(iterator.get(), &utext, &status);
    if (U_SUCCESS(status)) {
        for (int32_t at = ubrk_next(iterator.get()); at != UBRK_DONE; at = ubrk_next(iterator.get())) {
            if (static_cast<size_t>(at) < text.size()) breaks.push_back(static_cast<size_t>(at));
        }
    }
    utext_close(&utext);
    if (found != nullptr) *found = U_SUCCESS(status);
    return breaks;
}

// True when the character at `*i` of `characters` is a decimal digit.
bool digit_at(const std::vector<std::pair<size_t, int32_t>>& characters, size_t i) {
    return i < characters.size() && u_isdigit(characters[i].second);
}

// True when `c` may stand between the digits of a number ("12.5", "1,200", "555-0100", "9:30").
bool number_separator(int32_t c) { return c == '.' || c == ',' || c == '-' || c == ':' || c == '/'; }

}  // namespace

std::vector<size_t> line_breaks(std::string_view text) { return boundaries(UBRK_LINE, text); }

std::vector<size_t> cut_points(std::string_view text) {
    bool found = false;
    std::vector<size_t> ends = boundaries(UBRK_CHARACTER, text, &found);
    if (!found) {
        for_each_code_point(text, [&](int32_t, size_t offset, size_t length) {
            if (offset + length < text.size()) ends.push_back(offset + length);
            return true;
        });
    }
    std::vector<std::pair<size_t, int32_t>> characters;  // each character's offset, and it
    for_each_code_point(text, [&](int32_t c, size_t offset, size_t) {
        characters.emplace_back(offset, c);
        return true;
    });
    std::vector<size_t> points;
    size_t i = 0;  // the character starting at the cut
    for (size_t at : ends) {
        while (characters[i].first < at) ++i;
        const bool digits = digit_at(characters, i - 1) && digit_at(characters, i);
        const bool separated = (number_separator(characters[i - 1].second) && i >= 2 &&
                                digit_at(characters, i - 2) && digit_at(characters, i)) ||
                               (number_separator(characters[i].second) && digit_at(characters, i - 1) &&
                                digit_at(characters, i + 1));
        if (!digits && !separated) points.push_back(at);
    }
    return points;
}
