// Fitting one line of text into a width: the wanted size when it fits, else a smaller
// size down to a minimum, else the minimum size with the text cut and ended with "…".
#pragma once

#include <hpdf.h>

#include <cstddef>
#include <string>
#include <string_view>

#include "pdf/fonts.h"

struct TextFit {
    float size;   // points to draw at
    bool shrunk;  // size is below the wanted size
    bool cut;     // the text was cut and ends with ELLIPSIS (size is then the minimum)
};

// Width in points of the first `length` bytes of the UTF-8 `text` in `font` at `size`,
// from libharu's widths of the same bytes that are drawn, run by run (font_runs).
float text_width(const TextFont& font, const char* text, size_t length, float size);

// True when the UTF-8 `text` fits `width` points in `font` at `size`.
bool text_fits(const TextFont& font, std::string_view text, float size, float width);

// Fits the UTF-8 `text` into `width` points: returns the size to draw at and writes the
// text to draw into `fitted`. A text that does not fit at `wanted_size` is drawn at the
// largest tenth of a point down to `min_size` at which it fits; failing that, at
// `min_size`, cut after the longest run of characters that fits together with the
// ellipsis (blanks before the ellipsis dropped). When not even the ellipsis fits,
// `fitted` is empty.
TextFit fit_text(const TextFont& font, std::string_view text, float wanted_size, float min_size, float width,
                 std::string* fitted);
