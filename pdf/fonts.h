// The fonts a PDF document draws text with: the standard Helvetica (WinAnsi text), or
// Liberation Sans embedded as Unicode (CID) fonts, with a fallback font for the CJK
// characters Liberation Sans lacks; which characters they print; and the bytes each draws.
#pragma once

#include <hpdf.h>

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "base/failure.h"

// A font as text is drawn in it: a standard font alone, or a Unicode font with the glyphs
// it has and, for the characters it lacks, a fallback font.
struct TextFont {
    HPDF_Font font = nullptr;
    HPDF_FontDef glyphs = nullptr;  // a Unicode font's TrueType data; null for a standard font
    HPDF_Font fallback = nullptr;   // null when there is none
    HPDF_FontDef fallback_glyphs = nullptr;
    // The fallback has one weight only and this is the bold font: text in the fallback is
    // emboldened as it is drawn.
    bool embolden_fallback = false;
};

// The two fonts every text is drawn with.
struct PdfFonts {
    TextFont regular;
    TextFont bold;
};

// One part of a text that one font draws, as the bytes it draws it with.
struct FontRun {
    HPDF_Font font;
    std::string_view bytes;
};

// Loads the fonts into `document`: Unicode ones when `unicode` (making UTF-8 the
// document's encoder, so its information is written as UTF-16 too), else the standard
// ones. libharu errors reach the document's error handler.
PdfFonts load_fonts(HPDF_Doc document, bool unicode);

// Adds the fallback font (Droid Sans Fallback, from Debian's fonts-droid-fallback) to both
// Unicode fonts of `document`. Returns false, changing nothing, when its file is not there.
bool add_fallback_font(HPDF_Doc document, PdfFonts* fonts);

// Nothing when the font files `unicode_fonts` needs can be opened; else the failure of the
// first that cannot, with what to install.
std::optional<Failure> font_files_missing(bool unicode_fonts);

// True when `font` prints `code_point`: as a Windows-1252 byte for a standard font; from
// its own glyphs or its fallback's for a Unicode one, left to right (a right-to-left
// script would print backwards, so it counts as unprintable).
bool font_prints(const TextFont& font, int32_t code_point);

// True when both fonts print `code_point`, as font_prints says.
bool fonts_print(const PdfFonts& fonts, int32_t code_point);

// The runs of the UTF-8 `text` in `font`, as the bytes each draws them with: measure and
// draw these, never the UTF-8 itself. A font without a fallback gives one run: the text
// itself for a Unicode font or plain ASCII, else its Windows-1252 bytes, written into
// `*storage`. With a fallback each character goes to the font that has it, staying with
// the current run's font when both do. The runs point into `text` or `*storage`.
std::vector<FontRun> font_runs(const TextFont& font, std::string_view text, std::string* storage);

// Marks, for embedding, every part of every composite glyph the fonts' text uses. libharu
// 2.3.0 reads a part's glyph number as a signed 16-bit value and looks one level deep, so
// parts numbered above 32767 (most CJK ideographs built from radicals) were left out and
// printed blank or half drawn. Call before saving.
void complete_composite_glyphs(const PdfFonts& fonts);
