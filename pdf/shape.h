// Text in the scripts whose letters change with their neighbours (Arabic joining, Indic
// conjuncts and reordered vowels, Thai and Khmer marks): shaped by HarfBuzz, drawn as glyph
// numbers in a font libharu cannot write, which the finished file carries (GlyphFont).
#pragma once

#include <hb.h>
#include <hpdf.h>

#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

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
    // Each glyph drawn and the text it stands for, for copy and search ("" when it stands
    // for part of a cluster only); the first text seen wins.
    std::map<uint32_t, std::u16string> used;
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

// Opens the TrueType file at `path` for shaping, named `resource` in the pages; null when
// it cannot be read as a font.
std::shared_ptr<ShapingFont> open_shaping_font(const char* path, const std::string& resource);

// True when the font maps `code_point` to a glyph of its own.
bool shaping_font_has(const ShapingFont& font, int32_t code_point);

// The UTF-8 `text` shaped at `size` points, right to left when `right_to_left` (its glyphs
// still come left to right, as displayed).
ShapedText shape_text(const ShapingFont& font, std::string_view text, bool right_to_left, float size);

// Draws `text` as `shaped` at `size` with its start at (x, y) on `page`, in the page's fill
// colour, outside any text object, and records its glyphs in `font`. Left-to-right text is
// marked as standing for `text` as written, as its glyphs may be reordered; right-to-left
// text is put back in order by readers themselves.
void draw_shaped(HPDF_Page page, ShapingFont* font, std::string_view text, const ShapedText& shaped,
                 bool right_to_left, float size, float x, float y);

// The font as the finished file carries it: the glyphs drawn, subset by HarfBuzz with their
// numbers kept, their widths and ToUnicode map. Empty `program` when nothing was drawn.
GlyphFont glyph_font_of(const ShapingFont& font);
