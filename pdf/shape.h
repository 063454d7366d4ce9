// Text in the scripts whose letters change with their neighbours (Arabic joining, Indic
// conjuncts and reordered vowels, Thai and Khmer marks): shaped by HarfBuzz, drawn as glyph
// numbers in a font libharu cannot write, which the finished file carries (GlyphFont, a
// subset made by hb-subset). A right-to-left run is drawn a glyph to each character, in the
// order they are written; a left-to-right run's glyphs each stand for their share of their
// cluster's characters; so every reader copies both as written. A glyph standing for two texts
// (a ligature, a mirrored bracket, a vowel before two consonants) gets a code of its own above
// the font's glyphs.
#pragma once

#include <hb.h>
#include <hpdf.h>

#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "base/failure.h"
#include "pdf/finish.h"

// One font file shaped with HarfBuzz, and the glyphs a document draws with it. Owned by the
// document's fonts; drawing records into it.
struct ShapingFont {
    ShapingFont() = default;
    ShapingFont(const ShapingFont&) = delete;
    ShapingFont& operator=(const ShapingFont&) = delete;
    ~ShapingFont();

    hb_font_t* font = nullptr;  // scaled to font units
    unsigned units_per_em = 1000;
    std::string name;      // its PostScript name
    std::string resource;  // the pages' name for it, "/RBGlyphs1"
    unsigned glyph_count = 0;
    // Each character code drawn and the text it stands for, for copy and search ("" when it
    // stands for part of a cluster only). A code is its glyph's number for the first text seen;
    // a glyph standing for another text somewhere else (a mirrored bracket, a final form, an
    // Indic vowel drawn before another consonant) gets a code of its own above the font's
    // glyphs, in `extra_codes`.
    std::map<uint32_t, std::u16string> used;
    std::map<uint32_t, uint32_t> extra_codes;                         // code -> glyph
    std::map<std::pair<uint32_t, std::u16string>, uint32_t> code_of;  // (glyph, text) -> its own code
};

// A glyph of shaped text and where it is drawn, in points from the text's start.
struct ShapedGlyph {
    uint32_t glyph;
    float x, y;
    uint32_t cluster;  // the byte offset in the text of the characters it stands for
};

struct ShapedText {
    std::vector<ShapedGlyph> glyphs;  // left to right as displayed
    float width;                      // points
};

// Why text cannot be shaped here: HarfBuzz, opened at the first call, did not load. nullopt
// when it did.
[[nodiscard]] std::optional<Failure> shaping_unavailable();

// Opens the TrueType file at `path` for shaping, named `resource` in the pages; null when
// it cannot be read as a font, or HarfBuzz did not load.
std::shared_ptr<ShapingFont> open_shaping_font(const char* path, const std::string& resource);

// True when the font maps `code_point` to a glyph of its own.
bool shaping_font_has(const ShapingFont& font, int32_t code_point);

// The UTF-8 `text` shaped at `size` points, right to left when `right_to_left` (its glyphs
// still come left to right, as displayed).
ShapedText shape_text(const ShapingFont& font, std::string_view text, bool right_to_left, float size);

// Draws `text` as `shaped` at `size` with its start at (x, y) on `page`, in the page's fill
// colour, outside any text object, and records its glyphs in `font`, each standing for the
// characters of its cluster (right to left, shaped a glyph to each character). One text object
// marked as standing for `text` as written holds the glyphs (an Indic vowel may be drawn before
// its consonant); with `glyph_by_glyph` (the runs of a line with right-to-left text) each glyph
// has one of its own instead, drawn in the order the text is written, and a glyph standing for
// another text elsewhere gets a code of its own: readers that take text in drawing order (MuPDF,
// pypdf) and those that put it in display order first (poppler) both find it as written.
void draw_shaped(HPDF_Page page, ShapingFont* font, std::string_view text, const ShapedText& shaped,
                 bool right_to_left, bool glyph_by_glyph, float size, float x, float y);

// The font as the finished file carries it: the glyphs drawn, subset by HarfBuzz with their
// numbers kept, their widths and ToUnicode map. Empty `program` when nothing was drawn.
GlyphFont glyph_font_of(const ShapingFont& font);
