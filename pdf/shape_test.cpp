#include "pdf/shape.h"

#include <gtest/gtest.h>

#include <set>
#include <string>

#include "pdf/document.h"
#include "text/encoding.h"

namespace {

// The texts a glyph font's ToUnicode map gives its codes (its bfchar entries), as UTF-8.
std::set<std::string> mapped_texts(const GlyphFont& font) {
    std::set<std::string> texts;
    const std::string& cmap = font.to_unicode;
    for (size_t at = cmap.find("> <", cmap.find("endcodespacerange")); at != std::string::npos;
         at = cmap.find("> <", at + 3)) {
        const size_t end = cmap.find('>', at + 3);
        std::u16string units;
        for (size_t i = at + 3; i + 4 <= end; i += 4)
            units += static_cast<char16_t>(std::stoul(cmap.substr(i, 4), nullptr, 16));
        texts.insert(from_utf16(units));
    }
    return texts;
}

// A document with a page to draw on.
class Shape : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(open_pdf_document(&pdf, {true, ""}));
        ASSERT_TRUE(add_pdf_pages(&pdf, 1, 612, 792));
    }
    PdfDocument pdf;
};

// Right-to-left text drawn glyph by glyph: each glyph stands for its own characters in the
// order written (a ligature for its first letter, the second drawn apart), and a glyph that
// stands for another text elsewhere (a bracket HarfBuzz mirrored) gets a code of its own
// above the font's glyphs that maps back to it.
TEST_F(Shape, RightToLeftGlyphsStandForTheirOwnCharacters) {
    const auto arabic = open_shaping_font(ROSTERBOOK_NOTO_DIR "/NotoSansArabic-Regular.ttf", "/RBGlyphs1");
    const auto latin = open_shaping_font(ROSTERBOOK_FONT_DIR "/LiberationSans-Regular.ttf", "/RBMirrored1");
    ASSERT_TRUE(arabic && latin);
    for (auto [font, text, right_to_left] : {std::tuple{arabic.get(), "\xD9\x84\xD8\xA7", true},  // lam-alef
                                             {latin.get(), ")", false},
                                             {latin.get(), "(", true}}) {
        const ShapedText shaped = shape_text(*font, text, right_to_left, 10);
        draw_shaped(pdf.pages[0], font, text, shaped, right_to_left, true, 10, 100, 700);
    }
    const GlyphFont lam_alef = glyph_font_of(*arabic);
    EXPECT_EQ(mapped_texts(lam_alef), (std::set<std::string>{"\xD9\x84", "\xD8\xA7"}));
    EXPECT_TRUE(lam_alef.extra_codes.empty());
    const GlyphFont brackets = glyph_font_of(*latin);
    EXPECT_EQ(mapped_texts(brackets), (std::set<std::string>{"(", ")"}));
    ASSERT_EQ(brackets.extra_codes.size(), 1u);
    EXPECT_EQ(brackets.extra_codes[0].first, latin->glyph_count);  // the first code above the glyphs
    EXPECT_EQ(brackets.extra_codes[0].second, brackets.widths.front().first);  // the glyph of ')'
}

// Left-to-right shaped text: each glyph stands for its share of its cluster in the order drawn
// (the vowel "ि", drawn before its consonant, for the consonant), so the same glyph before another
// consonant gets a code of its own; a glyph left with no letter (Thai's "ำ" is drawn as two) is
// drawn as an outline, not from the font.
TEST_F(Shape, LeftToRightGlyphsStandForTheirShareOfTheText) {
    const auto hindi = open_shaping_font(ROSTERBOOK_NOTO_DIR "/NotoSansDevanagari-Regular.ttf", "/RBGlyphs1");
    const auto thai = open_shaping_font(ROSTERBOOK_NOTO_DIR "/NotoSansThai-Regular.ttf", "/RBGlyphs2");
    ASSERT_TRUE(hindi && thai);
    for (auto [font, text] : {std::pair{hindi.get(), "कि"}, {hindi.get(), "गि"}, {thai.get(), "น้ำ"}}) {
        draw_shaped(pdf.pages[0], font, text, shape_text(*font, text, false, 10), false, false, 10, 100, 700);
    }
    const GlyphFont devanagari = glyph_font_of(*hindi);
    EXPECT_EQ(mapped_texts(devanagari), (std::set<std::string>{"क", "ि", "ग"}));
    EXPECT_EQ(devanagari.extra_codes.size(), 1u);  // "ि" standing for "ग"
    const GlyphFont thai_glyphs = glyph_font_of(*thai);
    EXPECT_EQ(mapped_texts(thai_glyphs), (std::set<std::string>{"น", "้", "ำ"}));
    EXPECT_EQ(thai_glyphs.widths.size(), 3u);  // of four glyphs: the fourth drawn as its outline
}

}  // namespace
