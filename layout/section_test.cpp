#include "layout/section.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <string>
#include <vector>

#include "tests/support/test_document.h"

namespace {

const PageWords WORDS = default_page_words();

std::vector<Member> numbered_members(int count) {
    std::vector<Member> members(count);
    for (int i = 0; i < count; ++i) members[i].last_name = (i < 10 ? "M0" : "M") + std::to_string(i);
    return members;
}

// "x,top name" of every card on a page, in drawing order.
std::string cards_on(const PdfPage& page) {
    std::string result;
    for (size_t i = 0; i < page.rects.size(); ++i) {
        const PdfRect& r = page.rects[i];
        char text[64];
        snprintf(text, sizeof text, "%g,%g", std::round(r.x * 100) / 100, r.y + r.height);
        result += text;
        // The name line: 13.5 pt below the card's top, 4 pt in.
        for (const PdfText& t : page.texts) {
            if (std::abs(t.y - (r.y + r.height - 13.5f)) < 0.01f && std::abs(t.x - (r.x + 4)) < 0.01f)
                result += t.text;
        }
        result += " ";
    }
    return result;
}

std::string headings_on(const PdfPage& page) {
    std::string result;
    for (const PdfText& t : page.texts) {
        if (t.size == 13) result += t.text + "@" + std::to_string((int)t.y) + " ";
    }
    return result;
}

struct Case {
    const char* name;
    LayoutMode mode;
    int count;
    int label_sequence;
    std::vector<std::string> pages;  // cards of each section page
    bool household_last = false;     // the last card a household's of nine lines
};

TEST(DrawMemberSection, Grids) {
    // Booklet: section on logical pages 4.. of 8 or 12 (page 4 on side 1 left, 5 on side 3 left).
    const Case cases[] = {
        {"empty booklet", LAYOUT_BOOKLET, 0, 0, {""}},
        // One household's card of nine lines makes every card of the section that tall: four rows.
        {"booklet with a household",
         LAYOUT_BOOKLET,
         9,
         0,
         {"22,560 M00 203,560 M01 22,447.5 M02 203,447.5 M03 22,335 M04 203,335 M05 22,222.5 M06 "
          "203,222.5 M07 ",
          "418,580 M08 "},
         true},
        {"booklet 15 rows",
         LAYOUT_BOOKLET,
         15,
         0,
         {"22,560 M00 203,560 M01 22,482 M02 203,482 M03 22,404 M04 203,404 M05 22,326 M06 203,326 M07 "
          "22,248 M08 203,248 M09 22,170 M10 203,170 M11 22,92 M12 203,92 M13 ",
          "418,580 M14 "}},
        {"booklet 5 columns",
         LAYOUT_BOOKLET,
         5,
         1,
         {"22,560 M00 22,482 M01 22,404 M02 22,326 M03 22,248 M04 "}},
        {"booklet 5 rows",
         LAYOUT_BOOKLET,
         5,
         0,
         {"22,560 M00 203,560 M01 22,482 M02 203,482 M03 22,404 M04 "}},
        {"booklet 16 columns",
         LAYOUT_BOOKLET,
         16,
         1,
         {"22,560 M00 22,482 M01 22,404 M02 22,326 M03 22,248 M04 22,170 M05 22,92 M06 "
          "203,560 M07 203,482 M08 203,404 M09 203,326 M10 203,248 M11 203,170 M12 203,92 M13 ",
          "418,580 M14 418,502 M15 "}},
        {"standard 10 columns",
         LAYOUT_STANDARD,
         10,
         1,
         {"28,732 M00 28,654 M01 28,576 M02 28,498 M03 28,420 M04 28,342 M05 28,264 M06 28,186 M07 "
          "216.67,732 M08 216.67,654 M09 "}},
    };
    for (const Case& c : cases) {
        const int page_count = 12;
        TestDocument doc(c.mode == LAYOUT_STANDARD ? page_count : booklet_sides(page_count),
                         c.mode != LAYOUT_STANDARD);
        std::vector<Member> members = numbered_members(c.count);
        if (c.household_last) {
            Member& household = members.back();
            household.details = {"1 A St", "Town", "", "1 (A)\n2 (B)", "3 (A)\n4 (B)", "e (A)\nf (B)", ""};
        }
        const PageGeometry& geometry = c.mode == LAYOUT_STANDARD ? STANDARD_GEOMETRY : BOOKLET_GEOMETRY;
        draw_member_section(doc.target(4, page_count, c.mode), geometry, doc.pdf.fonts,
                            static_cast<LabelSequence>(c.label_sequence), GIVEN_NAME_FIRST, WORDS, "Members",
                            {members.data(), static_cast<size_t>(c.count)}, false);
        std::vector<PdfPage> pages = doc.finish();
        for (size_t p = 0; p < c.pages.size(); ++p) {
            // Logical page 4 + p: in the booklet of 12, pages 4 and 5 are the left halves of sides 3 and 4.
            int index = c.mode == LAYOUT_STANDARD ? 3 + p : (p == 0 ? 3 : 4);
            EXPECT_EQ(cards_on(pages[index]), c.pages[p]) << c.name << " page " << p;
            // An empty section has no heading (and, in a document, no page).
            EXPECT_EQ(
                headings_on(pages[index]),
                p == 0 && c.count > 0 ? (c.mode == LAYOUT_STANDARD ? "Members@756 " : "Members@584 ") : "")
                << c.name << " page " << p;
        }
    }
}

TEST(DrawMemberSection, StandardOverflowInRowOrder) {
    TestDocument doc(8, false);
    std::vector<Member> members = numbered_members(25);
    draw_member_section(doc.target(4, 8, LAYOUT_STANDARD), STANDARD_GEOMETRY, doc.pdf.fonts, ROW_ORDER,
                        GIVEN_NAME_FIRST, WORDS, "New Dancers", {members.data(), 25}, false);
    std::vector<PdfPage> pages = doc.finish();
    EXPECT_EQ(pages[3].rects.size(), 24u);
    const PdfRect& last = pages[3].rects[23];
    EXPECT_NEAR(last.x, 405.33334, 1e-3);
    EXPECT_NEAR(last.y + last.height, 186, 1e-3);
    EXPECT_EQ(cards_on(pages[4]), "28,752 M24 ");
    EXPECT_EQ(headings_on(pages[4]), "");
    EXPECT_TRUE(pages[5].rects.empty());
}

}  // namespace
