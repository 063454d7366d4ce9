#include "layout/card.h"

#include <gtest/gtest.h>

#include <array>
#include <string>

#include "layout/draw.h"
#include "tests/support/test_document.h"

namespace {

constexpr float TOLERANCE = 1e-3f;

// A member with the details given in Detail order (address, city, zip, phone, cell, email, notes).
Member make_member(const char* first, const char* last, std::array<const char*, DETAIL_COUNT> details) {
    Member m;
    m.first_name = first;
    m.last_name = last;
    m.line_number = 14;
    for (int d = 0; d < DETAIL_COUNT; ++d) m.details[d] = details[d];
    return m;
}

const std::array<std::string, DETAIL_COUNT> COLUMNS = {"Address", "City",  "Zip",  "Phone",
                                                       "Cell",    "Email", "Notes"};

// A card at x 22, top 560, 171 wide on booklet page 1 (the right half, x offset 396):
// text starts at 422, slots at 546.5, 535, 523.5, 512, 500.5 and 489. Empty details leave
// no gap; a text too long goes on to a free line, else is cut, and the warnings say so.
TEST(DrawMemberCard, LinesCloseUpGoOnOrAreCut) {
    const struct {
        Member member;
        const char* texts;
        std::string warnings;  // "@" stands for "members.csv line 14 (<name>)"
    } cases[] = {
        {make_member("Ann", "Lee",
                     {"1 Main St", "Town", "12345", "555-1", "555-2", "ann@x.org", "Since 2011"}),
         "Helvetica-Bold 8.5 422.000 546.500 Ann Lee\n"
         "Helvetica 8 422.000 535.000 1 Main St\n"
         "Helvetica 8 422.000 523.500 Town  12345\n"
         "Helvetica 8 422.000 512.000 555-1    555-2\n"
         "Helvetica 8 422.000 500.500 ann@x.org\n"
         "Helvetica 8 422.000 489.000 Since 2011\n",
         ""},
        {make_member("Ann", "Lee", {"", "", "", "", "", "", ""}),
         "Helvetica-Bold 8.5 422.000 546.500 Ann Lee\n", ""},
        {make_member("", "", {"addr", "", "", "", "", "", ""}),
         "Helvetica-Bold 8.5 422.000 546.500  \n"
         "Helvetica 8 422.000 535.000 addr\n",
         ""},
        // A zip without a city and a cell without a phone still print, the lines closed up.
        {make_member("A", "B", {"", "", "12345", "", "cell", "", "notes"}),
         "Helvetica-Bold 8.5 422.000 546.500 A B\n"
         "Helvetica 8 422.000 535.000 12345\n"
         "Helvetica 8 422.000 523.500 cell\n"
         "Helvetica 8 422.000 512.000 notes\n",
         ""},
        // Phone and cell fit together only when shrunk.
        {make_member("Bob & Carol", "Smith",
                     {"12 Oak St", "Salem, OR", "97301", "503-555-0199 (Bob) / 503-555-0198 (Carol)",
                      "503-555-0100", "", ""}),
         "Helvetica-Bold 8.5 422.000 546.500 Bob & Carol Smith\n"
         "Helvetica 8 422.000 535.000 12 Oak St\n"
         "Helvetica 8 422.000 523.500 Salem, OR  97301\n"
         "Helvetica 6.1 422.000 512.000 503-555-0199 (Bob) / 503-555-0198 (Carol)    503-555-0100\n",
         "Warning: members.csv line 14: card line 4 of Bob & Carol Smith is too long, printed at 6.1 pt\n"},
        // Too long even then: the phone goes on to the free line below, broken between words,
        // and the cell after it.
        {make_member(
             "Bob & Carol", "Smith",
             {"12 Oak St", "Salem, OR", "97301",
              "503-555-0199 (Bob) / 503-555-0198 (Carol), evenings; not Sunday", "503-555-0100", "", ""}),
         "Helvetica-Bold 8.5 422.000 546.500 Bob & Carol Smith\n"
         "Helvetica 8 422.000 535.000 12 Oak St\n"
         "Helvetica 8 422.000 523.500 Salem, OR  97301\n"
         "Helvetica 8 422.000 512.000 503-555-0199 (Bob) / 503-555-0198 (Carol),\n"
         "Helvetica 8 422.000 500.500 evenings; not Sunday\n"
         "Helvetica 8 422.000 489.000 503-555-0100\n",
         ""},
        // A full card has no free line: the phone is cut at the smallest size and the cell left off.
        {make_member("Bob & Carol", "Smith",
                     {"12 Oak St", "Salem, OR", "97301",
                      "503-555-0199 (Bob) / 503-555-0198 (Carol) evenings only, never on Sunday",
                      "503-555-0100", "bob@x.org", "Since 1999"}),
         "Helvetica-Bold 8.5 422.000 546.500 Bob & Carol Smith\n"
         "Helvetica 8 422.000 535.000 12 Oak St\n"
         "Helvetica 8 422.000 523.500 Salem, OR  97301\n"
         "Helvetica 6 422.000 512.000 503-555-0199 (Bob) / 503-555-0198 (Carol) evenings only,\x85\n"
         "Helvetica 8 422.000 500.500 bob@x.org\n"
         "Helvetica 8 422.000 489.000 Since 1999\n",
         "Warning: @: Phone is cut to '503-555-0199 (Bob) / 503-555-0198 (Carol) evenings only,…' on the "
         "card\n"
         "Warning: @: Cell is left off the card: '503-555-0100'\n"},
    };
    for (const auto& c : cases) {
        TestDocument doc(2, true);
        draw_member_card(doc.target(1, 4, LAYOUT_BOOKLET), doc.pdf.fonts, 22, 171, 560, c.member,
                         GIVEN_NAME_FIRST);
        testing::internal::CaptureStderr();
        report_card_fit("members.csv", c.member, GIVEN_NAME_FIRST, COLUMNS, doc.pdf.fonts, 171);
        const std::string warnings = testing::internal::GetCapturedStderr();
        std::vector<PdfPage> pages = doc.finish();
        const std::string what = c.member.first_name + "/" + c.member.details[DETAIL_ADDRESS];
        EXPECT_EQ(describe_texts(pages[0]), c.texts) << what;
        std::string expected = c.warnings;
        const std::string who =
            "members.csv line 14 (" + c.member.first_name + " " + c.member.last_name + ")";
        for (size_t at; (at = expected.find('@')) != std::string::npos;) expected.replace(at, 1, who);
        EXPECT_EQ(warnings, expected) << what;
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
