#include "text/line_break.h"

#include <unicode/ubrk.h>
#include <unicode/utext.h>

#include <memory>

namespace {

struct BreakCloser {
    void operator()(UBreakIterator* iterator) const { ubrk_close(iterator); }
};

}  // namespace

std::vector<size_t> line_breaks(std::string_view text) {
    std::vector<size_t> breaks;
    UErrorCode status = U_ZERO_ERROR;
    // A UTF-8 UText makes the iterator's positions byte offsets into `text`.
    UText utext = UTEXT_INITIALIZER;
    utext_openUTF8(&utext, text.data(), static_cast<int64_t>(text.size()), &status);
    const std::unique_ptr<UBreakIterator, BreakCloser> iterator(
        ubrk_open(UBRK_LINE, "", nullptr, 0, &status));
    if (U_SUCCESS(status)) ubrk_setUText(iterator.get(), &utext, &status);
    if (U_SUCCESS(status)) {
        for (int32_t at = ubrk_next(iterator.get()); at != UBRK_DONE; at = ubrk_next(iterator.get())) {
            if (static_cast<size_t>(at) < text.size()) breaks.push_back(static_cast<size_t>(at));
        }
    }
    utext_close(&utext);
    return breaks;
}
