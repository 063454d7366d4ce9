#include "layout/draw.h"

#include <gtest/gtest.h>

#include "tests/support/png_writer.h"
#include "tests/support/test_document.h"
#include "tests/support/test_image.h"

namespace {

constexpr float TOLERANCE = 1e-3f;

// Booklet of 8 logical pages: page 1 is the right half of the first side (x offset 396).
constexpr int BOOKLET_PAGES = 8;

TEST(DrawText, EmptyTextDrawsNothing) {
    TestDocument doc(booklet_sides(BOOKLET_PAGES), true);
    draw_text(doc.target(1, BOOKLET_PAGES, LAYOUT_BOOKLET), doc.pdf.fonts.regular, 9, 10, 10, "");
    draw_text(doc.target(1, BOOKLET_PAGES, LAYOUT_BOOKLET), doc.pdf.fonts.regular, 9, 10, 10, nullptr);
    draw_text_centered(doc.target(1, BOOKLET_PAGES, LAYOUT_BOOKLET), doc.pdf.fonts.regular, 9, 10, 10, "");
    // A missing page is never looked up for an empty text, so no imposition error either.
    testing::internal::CaptureStderr();
    draw_text(doc.target(99, BOOKLET_PAGES, LAYOUT_BOOKLET), doc.pdf.fonts.regular, 9, 10, 10, "");
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "");
    std::vector<PdfPage> pages = doc.finish();
    EXPECT_TRUE(pages[0].texts.empty());
}

TEST(DrawText, PlacesTextOnItsHalf) {
    TestDocument doc(booklet_sides(BOOKLET_PAGES), true);
    HPDF_Page_SetRGBFill(doc.pdf.pages[1], 0.2f, 0.4f, 0.6f);
    draw_text(doc.target(7, BOOKLET_PAGES, LAYOUT_BOOKLET), doc.pdf.fonts.bold, 8.5f, 26, 546.5f, "Ann Lee");
    // "xxxx" is 2000 thousandths wide in Helvetica: at 9 pt it starts 9 pt left of the centre.
    draw_text_centered(doc.target(2, BOOKLET_PAGES, LAYOUT_BOOKLET), doc.pdf.fonts.regular, 9, 198, 306,
                       "xxxx");
    std::vector<PdfPage> pages = doc.finish();
    ASSERT_EQ(pages.size(), 4u);
    EXPECT_EQ(describe_texts(pages[1]),
              "Helvetica-Bold 8.5 422.000 546.500 Ann Lee\n"
              "Helvetica 9 189.000 306.000 xxxx\n");
    expect_color(pages[1].texts[0].fill, {0.2f, 0.4f, 0.6f}, "text keeps the page's fill colour");
}

TEST(DrawSectionHeading, TextRuleAndResult) {
    const struct {
        const char* text;
        const char* expected_texts;
    } cases[] = {
        {"Members", "Helvetica-Bold 13 418.000 584.000 Members\n"},
        {"", ""},
    };
    for (const auto& c : cases) {
        TestDocument doc(booklet_sides(BOOKLET_PAGES), true);
        float next = draw_section_heading(doc.target(1, BOOKLET_PAGES, LAYOUT_BOOKLET), doc.pdf.fonts.bold,
                                          396, 22, 584, c.text, 22, 374);
        EXPECT_EQ(next, 560.0f) << c.text;
        std::vector<PdfPage> pages = doc.finish();
        EXPECT_EQ(describe_texts(pages[0]), c.expected_texts) << c.text;
        if (!pages[0].texts.empty()) expect_color(pages[0].texts[0].fill, ACCENT_COLOR, "heading text");
        ASSERT_EQ(pages[0].lines.size(), 1u) << c.text;
        const PdfLine& rule = pages[0].lines[0];
        EXPECT_NEAR(rule.x1, 418, TOLERANCE);
        EXPECT_NEAR(rule.x2, 770, TOLERANCE);
        EXPECT_NEAR(rule.y1, 574, TOLERANCE);
        EXPECT_NEAR(rule.y2, 574, TOLERANCE);
        EXPECT_NEAR(rule.line_width, 1, TOLERANCE);
        expect_color(rule.color, ACCENT_COLOR, "rule");
    }
}

}  // namespace
