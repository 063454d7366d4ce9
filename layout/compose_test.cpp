#include "layout/compose.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <memory>
#include <string>
#include <tuple>
#include <vector>

#include "layout/page_plan.h"
#include "tests/support/test_document.h"

namespace {

// Members "A Caller0", "A Caller1", ... on lines 10, 11, ... of the member list.
std::vector<Member> people(const char* prefix, int count) {
    std::vector<Member> group(count);
    for (int i = 0; i < count; ++i) {
        group[i].first_name = "A";
        group[i].last_name = prefix + std::to_string(i);
        group[i].line_number = 10 + i;
    }
    return group;
}

struct Composed {
    std::vector<PdfPage> pages;
    std::string err;
    int page_count;  // logical pages
};

// Composes a Letter document as the page plan lays it out, with empty member sections, no
// images and no page numbers.
Composed compose(LayoutMode mode, int callers, int cuers, int label_sequence = 0) {
    const bool booklet = mode != LAYOUT_STANDARD;
    const DocumentPages pages = document_pages(plan_pages(PAPER_LETTER, {callers, cuers, 0, 0}), mode);
    TestDocument doc(pages.physical_pages, booklet);
    auto settings = std::make_unique<Settings>();
    *settings = Settings{};
    settings->title_font_size = 20;
    settings->subtitle_font_size = 10;
    settings->label_sequence = static_cast<LabelSequence>(label_sequence);
    settings->words = default_page_words();
    snprintf(settings->member_csv_path, PATH_SIZE, "members.csv");
    Roster roster;
    roster.people = people("Caller", callers);
    const std::vector<Member> cuer_group = people("Cuer", cuers);
    roster.people.insert(roster.people.end(), cuer_group.begin(), cuer_group.end());
    roster.starts = {0, size_t(callers), size_t(callers + cuers), size_t(callers + cuers),
                     size_t(callers + cuers)};
    testing::internal::CaptureStderr();
    EXPECT_TRUE(compose_document(&doc.pdf, pages, booklet ? BOOKLET_GEOMETRY : STANDARD_GEOMETRY, *settings,
                                 roster, RosterImages{{nullptr, nullptr, nullptr}, {300, false}}));
    Composed result;
    result.page_count = pages.page_count;
    result.err = testing::internal::GetCapturedStderr();
    result.pages = doc.finish();
    return result;
}

// The headings of a page with their baselines, "Caller@584 Cuer@386 ".
std::string headings(const PdfPage& page) {
    std::string result;
    for (const PdfText& t : page.texts) {
        if (t.size == 13) result += t.text + "@" + std::to_string(static_cast<int>(t.y)) + " ";
    }
    return result;
}

// Headings ("Caller@584") and card tops ("22,560") of the Callers and Cuers page, on the
// physical page's half from `left` on.
std::string callers_page(const PdfPage& page, float left) {
    std::string result = headings(page);
    for (const PdfRect& r : page.rects) {
        if (r.x < left) continue;
        char text[32];
        snprintf(text, sizeof text, "%g,%g ", std::round(r.x), r.y + r.height);
        result += text;
    }
    return result;
}

TEST(ComposeDocument, CallersAndCuersPage) {
    const struct {
        const char* name;
        LayoutMode mode;
        int callers, cuers, page_index;
        const char* expected;
    } cases[] = {
        // Booklet of 4 (the member sections are empty): page 3 is the right half of the back.
        {"booklet 3 callers, 1 cuer", LAYOUT_BOOKLET, 3, 1, 1,
         "Caller@584 Cuer@386 418,560 599,560 418,482 418,362 "},
        {"booklet cuers only", LAYOUT_BOOKLET, 0, 2, 1, "Cuer@584 418,560 599,560 "},
        // Nobody: no heading and no card; page 3 is the booklet's spare page.
        {"booklet nobody", LAYOUT_BOOKLET, 0, 0, 1, ""},
        {"standard 1 caller, 1 cuer", LAYOUT_STANDARD, 1, 1, 2, "Caller@756 Cuer@636 28,732 28,612 "},
        {"standard 4 callers", LAYOUT_STANDARD, 4, 0, 2, "Caller@756 28,732 217,732 405,732 28,654 "},
    };
    for (const auto& c : cases) {
        Composed composed = compose(c.mode, c.callers, c.cuers);
        ASSERT_GT(composed.pages.size(), static_cast<size_t>(c.page_index)) << c.name << composed.err;
        const float left = c.mode == LAYOUT_BOOKLET ? 396 : 0;  // the booklet's page 3: the right half
        EXPECT_EQ(callers_page(composed.pages[c.page_index], left), c.expected) << c.name;
        EXPECT_EQ(composed.err, "") << c.name;
        // Column order never changes this page.
        Composed by_column = compose(c.mode, c.callers, c.cuers, 1);
        EXPECT_EQ(callers_page(by_column.pages[c.page_index], left), c.expected)
            << c.name << " in column order";
    }
}

// Logical page `lp` of a composed Letter document: its headings, how many cards it holds
// and where the first one starts, "Caller@584 14 cards from 22,560".
std::string logical_page(const Composed& composed, LayoutMode mode, int lp) {
    const PagePlacement at = *place_page(lp, composed.page_count, mode);
    const PdfPage& page = composed.pages[mode == LAYOUT_STANDARD ? at.sheet : at.sheet * 2 + at.side];
    auto inside = [&](float x) {
        return mode == LAYOUT_STANDARD || (x >= at.x_offset && x < at.x_offset + 396);
    };
    std::string result;
    for (const PdfText& t : page.texts) {
        if (t.size == 13 && inside(t.x)) result += t.text + "@" + std::to_string(static_cast<int>(t.y)) + " ";
    }
    int cards = 0;
    char first[32] = "";
    for (const PdfRect& r : page.rects) {
        if (!inside(r.x)) continue;
        if (cards++ == 0)
            snprintf(first, sizeof first, "%g,%g", std::round(r.x - at.x_offset), r.y + r.height);
    }
    return result + std::to_string(cards) + " cards from " + first;
}

// The section goes on over as many pages as its cards need, its rows as low as a member
// section's; a heading with no room for a row under it starts the next page.
TEST(ComposeDocument, CallersAndCuersGoOnToTheNextPages) {
    const struct {
        LayoutMode mode;
        int callers, cuers;
        std::vector<std::string> pages;  // from logical page 3 on
    } cases[] = {
        {LAYOUT_BOOKLET, 14, 0, {"Caller@584 14 cards from 22,560"}},
        {LAYOUT_BOOKLET, 15, 0, {"Caller@584 14 cards from 22,560", "1 cards from 22,580"}},
        {LAYOUT_BOOKLET, 10, 6, {"Caller@584 Cuer@152 12 cards from 22,560", "4 cards from 22,580"}},
        {LAYOUT_BOOKLET, 14, 1, {"Caller@584 14 cards from 22,560", "Cuer@584 1 cards from 22,560"}},
        {LAYOUT_STANDARD, 27, 0, {"Caller@756 24 cards from 28,732", "3 cards from 28,752"}},
        {LAYOUT_STANDARD, 14, 10, {"Caller@756 Cuer@324 20 cards from 28,732", "4 cards from 28,752"}},
    };
    for (const auto& c : cases) {
        const Composed composed = compose(c.mode, c.callers, c.cuers);
        const std::string what =
            std::to_string(c.callers) + " callers, " + std::to_string(c.cuers) + " cuers";
        for (size_t p = 0; p < c.pages.size(); ++p) {
            EXPECT_EQ(logical_page(composed, c.mode, 3 + static_cast<int>(p)), c.pages[p])
                << what << " page " << p;
        }
        EXPECT_EQ(composed.err, "") << what;
    }
}

}  // namespace
