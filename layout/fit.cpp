#include "layout/fit.h"

#include <cmath>
#include <cstring>

#include "base/text_util.h"
#include "text/encoding.h"

namespace {

// The largest size, in whole tenths of a point, at which `units` (thousandths of the
// font size) fit `width`; float rounding is checked rather than trusted.
float largest_fitting_tenth(float units, float width) {
    int tenths = static_cast<int>(floorf(width * 10000.0f / units));
    while (tenths > 0 && units * (static_cast<float>(tenths) / 10.0f) / 1000.0f > width) --tenths;
    return static_cast<float>(tenths) / 10.0f;
}

// Width of the first `length` bytes of `text` followed by the ellipsis.
float width_with_ellipsis(HPDF_Font font, char* text, size_t length, float size) {
    const char kept = text[length];
    text[length] = ELLIPSIS;
    const float width = text_width(font, text, length + 1, size);
    text[length] = kept;
    return width;
}

// Cuts `text` (in place, with room for one more byte) to the longest prefix that fits
// `width` with the ellipsis after it. Widths only grow with the prefix, so a binary
// search finds it.
void cut_with_ellipsis(HPDF_Font font, char* text, float size, float width) {
    size_t fits = 0, too_long = strlen(text) + 1;
    if (width_with_ellipsis(font, text, 0, size) > width) {
        text[0] = '\0';
        return;
    }
    while (too_long - fits > 1) {
        const size_t middle = (fits + too_long) / 2;
        if (width_with_ellipsis(font, text, middle, size) <= width) {
            fits = middle;
        } else {
            too_long = middle;
        }
    }
    while (fits > 0 && text[fits - 1] == ' ') --fits;
    text[fits] = ELLIPSIS;
    text[fits + 1] = '\0';
}

}  // namespace

float text_width(HPDF_Font font, const char* text, size_t length, float size) {
    if (length == 0) return 0.0f;
    HPDF_TextWidth measured =
        HPDF_Font_TextWidth(font, reinterpret_cast<const HPDF_BYTE*>(text), static_cast<HPDF_UINT>(length));
    return static_cast<float>(measured.width) * size / 1000.0f;
}

TextFit fit_text(HPDF_Font font, const char* text, float wanted_size, float min_size, float width,
                 char* fitted, size_t fitted_size) {
    // One byte stays free for the ellipsis of a cut.
    copy_text(fitted, fitted_size - 1, text);
    const float units = text_width(font, fitted, strlen(fitted), 1000.0f);
    if (units * wanted_size / 1000.0f <= width) return {wanted_size, false, false};
    const float size = largest_fitting_tenth(units, width);
    if (size >= min_size && size < wanted_size) return {size, true, false};
    // A minimum between two tenths may still fit.
    if (units * min_size / 1000.0f <= width) return {min_size, min_size < wanted_size, false};
    cut_with_ellipsis(font, fitted, min_size, width);
    return {min_size, min_size < wanted_size, true};
}
