#include "layout/typed_page.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "layout/draw.h"
#include "tests/support/test_document.h"

namespace {

std::unique_ptr<TypedPage> typed_page(const char* subtitle, const std::vector<std::string>& lines) {
    auto page = std::make_unique<TypedPage>();
    snprintf(page->title, sizeof page->title, "Club Committee");
    snprintf(page->subtitle, sizeof page->subtitle, "%s", subtitle);
    for (const std::string& line : lines)
        snprintf(page->lines[page->line_count++], TYPED_LINE_SIZE, "%s", line.c_str());
    page->given = 1;
    return page;
}

// Page 2 of a booklet of 8, the left half of the first sheet's back: the number stands at
// the outer (left) corner and the heading after it; labels bold in the accent colour over
// their indented text, a gap, a plain line, all grown to fill more of the page.
TEST(TypedPage, LabelsTextsAndGaps) {
    const auto page =
        typed_page("Season 2026", {"President: Margaret Olsen · 555-0142", "-", "Meets monthly"});
    TestDocument doc(booklet_sides(8), true);
    draw_typed_page(doc.target(2, 8, LAYOUT_BOOKLET), BOOKLET_GEOMETRY, doc.pdf.fonts, *page, true);
    const std::vector<PdfPage> pages = doc.finish();
    EXPECT_EQ(describe_texts(pages[1]),
              "Helvetica 7.5 22.000 584.000 2\n"
              "Helvetica-Bold 13 34.170 584.000 Club Committee\n"
              "Helvetica 10 22.000 550.000 Season 2026\n"
              "Helvetica-Bold 15 22.000 521.000 President\n"
              "Helvetica 15 34.000 502.250 Margaret Olsen \xB7 555-0142\n"
              "Helvetica 15 22.000 463.250 Meets monthly\n");
    const RgbColor colors[] = {ACCENT_COLOR, ACCENT_COLOR, {0.33f, 0.33f, 0.33f}, ACCENT_COLOR, BLACK, BLACK};
    for (size_t i = 0; i < pages[1].texts.size(); ++i)
        expect_color(pages[1].texts[i].fill, colors[i], pages[1].texts[i].text);
}

// A line too wide shrinks, then is cut; a page too long shrinks every size to 70 %, then
// leaves its last lines out; each is said once.
TEST(TypedPage, ReportsWhatDoesNotFit) {
    std::vector<std::string> lines = {"Note: " + std::string(120, 'x'), "Note: " + std::string(200, 'x')};
    for (int i = 0; i < 38; ++i)
        lines.push_back("Officer " + std::to_string(i) + ": Name " + std::to_string(i));
    const auto page = typed_page("", lines);
    TestDocument doc(booklet_sides(8), true);
    testing::internal::CaptureStderr();
    report_typed_page_fit("Committee", *page, doc.pdf.fonts, BOOKLET_GEOMETRY);
    EXPECT_EQ(testing::internal::GetCapturedStderr(),
              "roster.conf: Committee line 1 is too wide for the page, printed at 5.7 pt\n"
              "roster.conf: Committee line 2 is too wide for the page, cut to fit\n"
              "roster.conf: Committee lines 26 to 40 do not fit on the page, left out\n");
    const TypedLayout layout = lay_out_typed_page(*page, doc.pdf.fonts, BOOKLET_GEOMETRY);
    EXPECT_NEAR(layout.lines.back().y, 28, 20);  // the last line drawn sits just above the bottom margin
    EXPECT_GE(layout.lines.back().y, 28);
    EXPECT_NEAR(layout.lines[0].fit.size, TYPED_LABEL_SIZE * TYPED_MIN_SCALE, 1e-3);
}

}  // namespace
