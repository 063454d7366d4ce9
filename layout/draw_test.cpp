#include "layout/draw.h"

#include <gtest/gtest.h>

#include "tests/support/png_writer.h"
#include "tests/support/test_document.h"
#include "tests/support/test_image.h"

namespace {

constexpr float TOLERANCE = 1e-3f;

void expect_color(const Rgb& got, RgbColor expected, const std::string& what) {
    EXPECT_NEAR(got.red, expected.red, TOLERANCE) << what;
    EXPECT_NEAR(got.green, expected.green, TOLERANCE) << what;
    EXPECT_NEAR(got.blue, expected.blue, TOLERANCE) << what;
}

// Booklet of 8 logical pages: page 1 is the right half of the first side (x offset 396).
constexpr int BOOKLET_PAGES = 8;

TEST(DrawText, EmptyTextDrawsNothing) {
    TestDocument doc(booklet_sides(BOOKLET_PAGES), true);
    draw_text(doc.pages.data(), 1, BOOKLET_PAGES, LAYOUT_BOOKLET, doc.regular_font, 9, 10, 10, "");
    draw_text(doc.pages.data(), 1, BOOKLET_PAGES, LAYOUT_BOOKLET, doc.regular_font, 9, 10, 10, nullptr);
    draw_text_centered(doc.pages.data(), 1, BOOKLET_PAGES, LAYOUT_BOOKLET, doc.regular_font, 9, 10, 10, "");
    // A missing page is never looked up for an empty text, so no imposition error either.
    testing::internal::CaptureStderr();
    draw_text(doc.pages.data(), 99, BOOKLET_PAGES, LAYOUT_BOOKLET, doc.regular_font, 9, 10, 10, "");
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "");
    std::vector<PdfPage> pages = doc.finish();
    EXPECT_TRUE(pages[0].texts.empty());
}

TEST(DrawText, PlacesTextOnItsHalf) {
    TestDocument doc(booklet_sides(BOOKLET_PAGES), true);
    HPDF_Page_SetRGBFill(doc.pages[1], 0.2f, 0.4f, 0.6f);
    draw_text(doc.pages.data(), 7, BOOKLET_PAGES, LAYOUT_BOOKLET, doc.bold_font, 8.5f, 26, 546.5f, "Ann Lee");
    // "xxxx" is 2000 thousandths wide in Helvetica: at 9 pt it starts 9 pt left of the centre.
    draw_text_centered(doc.pages.data(), 2, BOOKLET_PAGES, LAYOUT_BOOKLET, doc.regular_font, 9, 198, 306,
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
        float next = draw_section_heading(doc.pages.data(), 1, BOOKLET_PAGES, LAYOUT_BOOKLET, doc.bold_font,
                                          396, 22, 584, c.text);
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

TEST(DrawImagePanel, FitsImagesToTheBox) {
    const struct {
        int width, height;
        float x, y, drawn_width, drawn_height;
    } cases[] = {
        {1000, 500, 396 + 22, 408, 352, 176},
        {500, 1000, 396 + 59, 28, 278, 556},
        {352, 556, 396 + 22, 28, 352, 556},
        {704, 1112, 396 + 22, 28, 352, 556},
    };
    for (const auto& c : cases) {
        TestDocument doc(booklet_sides(BOOKLET_PAGES), true);
        const std::string path = doc.dir.file("panel.png");
        write_rgb_png(path, c.width, c.height);
        TestImage panel(path);
        draw_image_panel(doc.document, doc.pages.data(), 3, BOOKLET_PAGES, LAYOUT_BOOKLET, doc.regular_font,
                         &panel.image, FULL_IMAGES, "[committee.png not found]", 396, 612, 22, 28);
        std::vector<PdfPage> pages = doc.finish();
        const std::string what = std::to_string(c.width) + "x" + std::to_string(c.height);
        ASSERT_EQ(pages[2].images.size(), 1u) << what;  // page 3 is the right half of sheet 1's front
        const PdfImage& image = pages[2].images[0];
        EXPECT_EQ(image.width, c.width) << what;
        EXPECT_EQ(image.height, c.height) << what;
        expect_placement(image, c.x, c.y, c.drawn_width, c.drawn_height, what);
        EXPECT_TRUE(pages[2].texts.empty()) << what;
    }
}

TEST(DrawImagePanel, MissingFileDrawsPlaceholder) {
    {
        const char* path = "missing";
        TestDocument doc(booklet_sides(BOOKLET_PAGES), true);
        draw_image_panel(doc.document, doc.pages.data(), 1, BOOKLET_PAGES, LAYOUT_BOOKLET, doc.regular_font,
                         nullptr, FULL_IMAGES, "[committee.png not found]", 396, 612, 22, 28);
        std::vector<PdfPage> pages = doc.finish();
        ASSERT_EQ(pages[0].rects.size(), 1u) << path;
        const PdfRect& frame = pages[0].rects[0];
        EXPECT_FALSE(frame.filled);
        expect_rect(frame, 418, 28, 352, 556, path);
        EXPECT_NEAR(frame.line_width, 1, TOLERANCE);
        expect_color(frame.color, FRAME_GREY, "frame");
        ASSERT_EQ(pages[0].texts.size(), 1u);
        const PdfText& text = pages[0].texts[0];
        EXPECT_EQ(text.text, "[committee.png not found]");
        EXPECT_EQ(text.size, 9);
        EXPECT_NEAR(text.y, 306, TOLERANCE);
        // Centred on 396 + 198; the text is 11562 thousandths wide in Helvetica.
        EXPECT_NEAR(text.x, 594 - 11562 * 9 / 1000.0f / 2, TOLERANCE);
        expect_color(text.fill, ACCENT_COLOR, "placeholder text");
        EXPECT_TRUE(pages[0].images.empty());
    }
}

}  // namespace
