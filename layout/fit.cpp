#include "layout/fit.h"

#include <cmath>
#include <cstring>
#include <string>
#include <vector>

#include "base/text_util.h"
#include "pdf/document.h"
#include "text/encoding.h"
#include "text/line_break.h"

namespace {

// The largest size, in whole tenths of a point, at which `units` (thousandths of the
// font size) fit `width`; float rounding is checked rather than trusted.
float largest_fitting_tenth(float units, float width) {
    int tenths = static_cast<int>(floorf(width * 10000.0f / units));
    while (tenths > 0 && units * (static_cast<float>(tenths) / 10.0f) / 1000.0f > width) --tenths;
    return static_cast<float>(tenths) / 10.0f;
}

// Width of the first `length` bytes of `text` followed by the ellipsis.
float width_with_ellipsis(const TextFont& font, std::string_view text, size_t length, float size) {
    const std::string candidate = std::string(text.substr(0, length)) + ELLIPSIS;
    return text_width(font, candidate.c_str(), candidate.size(), size);
}

// Cuts `text` (in place) to the longest start that fits `width` with the ellipsis after it,
// ending where a text may be cut (a whole letter with its marks, never inside a number).
// Widths only grow with the run, so a binary search over the cut points finds it.
void cut_with_ellipsis(const TextFont& font, std::string* text, float size, float width) {
    std::vector<size_t> ends = cut_points(*text);
    ends.insert(ends.begin(), 0);
    ends.push_back(text->size());
    if (width_with_ellipsis(font, *text, 0, size) > width) {
        text->clear();
        return;
    }
    size_t fits = 0, too_long = ends.size();
    while (too_long - fits > 1) {
        const size_t middle = (fits + too_long) / 2;
        if (width_with_ellipsis(font, *text, ends[middle], size) <= width) {
            fits = middle;
        } else {
            too_long = middle;
        }
    }
    size_t length = ends[fits];
    while (length > 0 && (*text)[length - 1] == ' ') --length;
    text->resize(length);
    text->append(ELLIPSIS);
}

}  // namespace

float text_width(const TextFont& font, const char* text, size_t length, float size) {
    if (length == 0) return 0.0f;
    std::deque<std::string> storage;
    float width = 0.0f;
    for (const FontRun& run : line_runs(font, std::string_view(text, length), &storage)) {
        width += run_width(run, size);
    }
    return width;
}

bool text_fits(const TextFont& font, std::string_view text, float size, float width) {
    return text_width(font, text.data(), text.size(), size) <= width;
}

TextFit fit_text(const TextFont& font, std::string_view text, float wanted_size, float min_size, float width,
                 std::string* fitted) {
    fitted->assign(text);
    const float units = text_width(font, fitted->data(), fitted->size(), 1000.0f);
    if (units * wanted_size / 1000.0f <= width) return {wanted_size, false, false};
    const float size = largest_fitting_tenth(units, width);
    if (size >= min_size && size < wanted_size) return {size, true, false};
    // A minimum between two tenths may still fit.
    if (units * min_size / 1000.0f <= width) return {min_size, min_size < wanted_size, false};
    cut_with_ellipsis(font, fitted, min_size, width);
    return {min_size, min_size < wanted_size, true};
}
