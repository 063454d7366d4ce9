// The fonts a PDF document draws text with: the standard Helvetica (WinAnsi text), or
// Liberation Sans embedded as Unicode (CID) fonts, with fallback fonts for the scripts
// Liberation Sans lacks (Chinese, Japanese, Korean, Ethiopic, Armenian, Georgian, Hebrew
// points; FACES, each loaded only when a text needs it); which characters they print; text
// split into runs by font and placed in display order; and the bytes each draws.
#pragma once

#include <hpdf.h>

#include <cstdint>
#include <deque>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "base/failure.h"
#include "pdf/shape.h"

// A font that prints the characters a Unicode font lacks: a libharu font, or one whose
// text is shaped and drawn by glyph number.
struct FallbackFont {
    HPDF_Font font = nullptr;
    HPDF_FontDef glyphs = nullptr;
    // The fallback has one weight only and bold is wanted: its text is emboldened as drawn.
    bool embolden = false;
    std::shared_ptr<ShapingFont> shaping;  // set, and the others null, for a shaping font
};

// A font as text is drawn in it: a standard font alone, or a Unicode font with the glyphs
// it has and, for the characters it lacks, fallback fonts tried in order.
struct TextFont {
    HPDF_Font font = nullptr;
    HPDF_FontDef glyphs = nullptr;  // a Unicode font's TrueType data; null for a standard font
    std::vector<FallbackFont> fallbacks;
    // The same font shaped, for the blanks and punctuation of right-to-left text: HarfBuzz
    // mirrors its brackets, and each glyph copies as the character written. Opened with the
    // first right-to-left face; null before.
    std::shared_ptr<ShapingFont> mirrored;
};

// The two fonts every text is drawn with.
struct PdfFonts {
    TextFont regular;
    TextFont bold;
};

// One part of a text that one font draws, as the bytes it draws it with.
struct FontRun {
    HPDF_Font font;  // null for shaped text
    std::string_view bytes;
    bool embolden = false;           // drawn bold by outlining: the font has no bold of its own
    ShapingFont* shaping = nullptr;  // shaped text: `bytes` is its UTF-8, in logical order
    bool right_to_left = false;      // shaped text of a right-to-left run
    size_t logical = 0;              // line_runs: the byte in the line where its characters start
};

// A script Liberation Sans does not print, the font files that do and the Debian package
// they come from. FALLBACK_FACES lists them in the order they are tried.
struct FallbackFace {
    const char* name;     // the script(s) in words, for messages: "Korean (Hangul)"
    const char* regular;  // TrueType file
    const char* bold;     // TrueType file; null when the font has one weight
    const char* package;
    bool shaped;          // its script's letters change with their neighbours: drawn shaped
    const char* scripts;  // the scripts it is for, ISO 15924 codes and a blank after each: "Hang "
    // Or the characters from `first` to `last`, whatever their script (Chinese characters beyond
    // the first plane, which the face for their script lacks).
    int32_t first = 0, last = -1;
    bool on_web = true;  // the every-script web page carries it
};

// Loads the fonts into `document`: Unicode ones when `unicode` (making UTF-8 the
// document's encoder, so its information is written as UTF-16 too), else the standard
// ones. libharu errors reach the document's error handler.
PdfFonts load_fonts(HPDF_Doc document, bool unicode);

// The fallback faces, in the order they are tried; the first (Droid Sans Fallback, for Chinese
// and Japanese) is also the one tried for characters of no script the others are for.
std::span<const FallbackFace> fallback_faces();

// The index in fallback_faces() of the face made for `code_point`'s script (or one of the
// scripts it is used with, as ICU's script extensions say); -1 when there is none.
int fallback_face_for(int32_t code_point);

// True when the font files of fallback face `face` can be opened here.
bool fallback_face_here(int face);

// Adds fallback face `face` to both Unicode fonts of `document`, after those it has. Returns
// false, changing nothing, when a file of the face cannot be opened.
bool add_fallback_font(HPDF_Doc document, PdfFonts* fonts, int face);

// Nothing when the font files `unicode_fonts` needs can be opened; else the failure of the
// first that cannot, with what to install.
[[nodiscard]] std::optional<Failure> font_files_missing(bool unicode_fonts);

// True when `font` prints `code_point`: as a Windows-1252 byte for a standard font; from
// its own glyphs or a fallback's for a Unicode one.
bool font_prints(const TextFont& font, int32_t code_point);

// True when both fonts print `code_point`, as font_prints says.
bool fonts_print(const PdfFonts& fonts, int32_t code_point);

// The runs of the UTF-8 `text` in `font`, as the bytes each draws them with: measure and
// draw these, never the UTF-8 itself. A font without a fallback gives one run: the text
// itself for a Unicode font or plain ASCII, else its Windows-1252 bytes, written into
// `*storage`. With fallbacks each character goes to the first font that has it, staying with
// the current run's font when that has it too; a letter that needs shaping goes only to a
// shaping font. The runs point into `text` or `*storage`.
std::vector<FontRun> font_runs(const TextFont& font, std::string_view text, std::string* storage);

// The runs of the UTF-8 `text`, one line, as font_runs gives them but placed left to right
// as displayed: each right-to-left part's runs in reverse, their characters reversed for
// display (shaped runs instead marked right_to_left, to be shaped so), each with where it
// starts in `text`. The runs point into `text` or strings added to `*storage`.
std::vector<FontRun> line_runs(const TextFont& font, std::string_view text, std::deque<std::string>* storage);

// The width of `run` at `size` points.
float run_width(const FontRun& run, float size);

// The shaping fonts of both fonts as the finished file carries them, those drawn with only.
std::vector<GlyphFont> glyph_fonts_of(const PdfFonts& fonts);

// Marks, for embedding, every part of every composite glyph the fonts' text uses. libharu
// 2.3.0 reads a part's glyph number as a signed 16-bit value and looks one level deep, so
// parts numbered above 32767 (most CJK ideographs built from radicals) were left out and
// printed blank or half drawn. Call before saving.
void complete_composite_glyphs(const PdfFonts& fonts);
