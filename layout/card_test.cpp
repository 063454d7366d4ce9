#include "layout/card.h"

#include <gtest/gtest.h>

#include <cstdio>

#include "layout/draw.h"
#include "tests/support/test_document.h"

namespace {

constexpr float TOLERANCE = 1e-3f;

Member make_member(const char* first, const char* last, const char* d1, const char* d2a, const char* d2b,
                   const char* d3a, const char* d3b, const char* d4, const char* d5) {
    Member m{};
    snprintf(m.first_name, sizeof m.first_name, "%s", first);
    snprintf(m.last_name, sizeof m.last_name, "%s", last);
    snprintf(m.detail1, sizeof m.detail1, "%s", d1);
    snprintf(m.detail2a, sizeof m.detail2a, "%s", d2a);
    snprintf(m.detail2b, sizeof m.detail2b, "%s", d2b);
    snprintf(m.detail3a, sizeof m.detail3a, "%s", d3a);
    snprintf(m.detail3b, sizeof m.detail3b, "%s", d3b);
    snprintf(m.detail4, sizeof m.detail4, "%s", d4);
    snprintf(m.detail5, sizeof m.detail5, "%s", d5);
    return m;
}

// A card at x 22, top 560, 171 wide on booklet page 1 (the right half, x offset 396):
// text starts at 422, slots at 546.5, 535, 523.5, 512, 500.5 and 489.
TEST(DrawMemberCard, LineSlots) {
    const struct {
        Member member;
        const char* expected;
    } cases[] = {
        {make_member("Ann", "Lee", "1 Main St", "Town", "12345", "555-1", "555-2", "ann@x.org", "Since 2011"),
         "Helvetica-Bold 8.5 422.000 546.500 Ann Lee\n"
         "Helvetica 8 422.000 535.000 1 Main St\n"
         "Helvetica 8 422.000 523.500 Town  12345\n"
         "Helvetica 8 422.000 512.000 555-1    555-2\n"
         "Helvetica 8 422.000 500.500 ann@x.org\n"
         "Helvetica 8 422.000 489.000 Since 2011\n"},
        {make_member("Ann", "Lee", "", "", "", "", "", "", ""),
         "Helvetica-Bold 8.5 422.000 546.500 Ann Lee\n"},
        {make_member("", "", "addr", "", "", "", "", "", ""),
         "Helvetica-Bold 8.5 422.000 546.500  \n"
         "Helvetica 8 422.000 535.000 addr\n"},
        {make_member("A", "B", "", "", "12345", "", "cell", "", ""),
         "Helvetica-Bold 8.5 422.000 546.500 A B\n"
         "Helvetica 8 422.000 512.000 cell\n"},
        {make_member("A", "B", "", "Town", "", "phone", "", "mail", ""),
         "Helvetica-Bold 8.5 422.000 546.500 A B\n"
         "Helvetica 8 422.000 523.500 Town\n"
         "Helvetica 8 422.000 512.000 phone\n"
         "Helvetica 8 422.000 500.500 mail\n"},
    };
    for (const auto& c : cases) {
        TestDocument doc(2, true);
        draw_member_card(doc.target(1, 4, LAYOUT_BOOKLET), doc.pdf.fonts, 22, 171, 560, c.member);
        std::vector<PdfPage> pages = doc.finish();
        const std::string what =
            std::string(c.member.first_name) + "/" + c.member.detail1 + "/" + c.member.detail3b;
        EXPECT_EQ(describe_texts(pages[0]), c.expected) << what;
        for (const PdfText& text : pages[0].texts)
            EXPECT_EQ(text.fill.red + text.fill.green + text.fill.blue, 0) << what;
        ASSERT_EQ(pages[0].rects.size(), 1u) << what;
        const PdfRect& outline = pages[0].rects[0];
        EXPECT_FALSE(outline.filled);
        expect_rect(outline, 418, 486, 171, 74, what);
        EXPECT_NEAR(outline.line_width, 0.6, TOLERANCE);
        EXPECT_NEAR(outline.color.red, FRAME_GREY.red, TOLERANCE);
    }
}

}  // namespace
