// Fitting one line of text into a width: the wanted size when it fits, else a smaller
// size down to a minimum, else the minimum size with the text cut and ended with "…".
#pragma once

#include <hpdf.h>

#include <cstddef>

#include "pdf/fonts.h"

struct TextFit {
    float size;   // points to draw at
    bool shrunk;  // size is below the wanted size
    bool cut;     // the text was cut and ends with ELLIPSIS (size is then the minimum)
};

// Width in points of the first `length` bytes of the UTF-8 `text` in `font` at `size`,
// from libharu's widths of the same bytes that are drawn, run by run (font_runs).
float text_width(const TextFont& font, const char* text, size_t length, float size);

// Fits the UTF-8 `text` into `width` points: returns the size to draw at and writes the
// text to draw into `fitted` (capacity `fitted_size`, at least 4; a longer text is cut to
// it first, between characters, keeping room for the ellipsis). A text that does not fit at `wanted_size` is
// drawn at the largest tenth of a point down to `min_size` at which it fits; failing that, at `min_size`, cut
// after the longest run of characters that fits together with the ellipsis (blanks before the ellipsis
// dropped). When not even the ellipsis fits, `fitted` is empty.
TextFit fit_text(const TextFont& font, const char* text, float wanted_size, float min_size, float width,
                 char* fitted, size_t fitted_size);
