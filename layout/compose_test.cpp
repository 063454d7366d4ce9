#include "layout/compose.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <memory>
#include <string>
#include <tuple>
#include <vector>

#include "tests/support/test_document.h"

namespace {

// Members "A Caller0", "A Caller1", ... on lines 10, 11, ... of the member list.
std::vector<Member> people(const char* prefix, int count) {
    std::vector<Member> group(count);
    for (int i = 0; i < count; ++i) {
        snprintf(group[i].first_name, sizeof group[i].first_name, "A");
        snprintf(group[i].last_name, sizeof group[i].last_name, "%s%d", prefix, i);
        group[i].line_number = 10 + i;
    }
    return group;
}

struct Composed {
    std::vector<PdfPage> pages;
    std::string err;
};

// Composes a document of 8 logical pages with empty member sections and no images.
Composed compose(LayoutMode mode, int callers, int cuers, int label_sequence = 0) {
    const bool booklet = mode != LAYOUT_STANDARD;
    const int page_count = booklet ? 8 : 6;
    TestDocument doc(booklet ? booklet_sides(page_count) : page_count, booklet);
    auto settings = std::make_unique<Settings>();
    *settings = Settings{};
    settings->title_font_size = 20;
    settings->subtitle_font_size = 10;
    settings->label_sequence = static_cast<LabelSequence>(label_sequence);
    snprintf(settings->member_csv_path, PATH_SIZE, "members.csv");
    auto groups = std::make_unique<RosterGroups>();
    std::vector<Member> caller_group = people("Caller", callers), cuer_group = people("Cuer", cuers);
    std::copy(caller_group.begin(), caller_group.end(), groups->callers);
    std::copy(cuer_group.begin(), cuer_group.end(), groups->cuers);
    groups->caller_count = callers;
    groups->cuer_count = cuers;
    const DocumentPages pages = {mode, page_count, 0, 5, page_count};
    testing::internal::CaptureStderr();
    EXPECT_TRUE(compose_document(&doc.pdf, pages, booklet ? BOOKLET_GEOMETRY : STANDARD_GEOMETRY, *settings,
                                 *groups, RosterImages{nullptr, nullptr, nullptr, {300, false}}));
    Composed result;
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

// Headings ("Caller@584") and card tops ("22,560") of the Callers and Cuers page.
std::string callers_page(const PdfPage& page) {
    std::string result = headings(page);
    for (const PdfRect& r : page.rects) {
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
        // Booklet of 8: page 3 is the right half of the second sheet's front (x offset 396).
        {"booklet 3 callers, 1 cuer", LAYOUT_BOOKLET, 3, 1, 2,
         "Caller@584 Cuer@386 418,560 599,560 418,482 418,362 "},
        {"booklet cuers only", LAYOUT_BOOKLET, 0, 2, 2, "Cuer@584 418,560 599,560 "},
        {"booklet nobody", LAYOUT_BOOKLET, 0, 0, 2, ""},
        {"standard 1 caller, 1 cuer", LAYOUT_STANDARD, 1, 1, 2, "Caller@756 Cuer@636 28,732 28,612 "},
        {"standard 4 callers", LAYOUT_STANDARD, 4, 0, 2, "Caller@756 28,732 217,732 405,732 28,654 "},
    };
    for (const auto& c : cases) {
        Composed composed = compose(c.mode, c.callers, c.cuers);
        EXPECT_EQ(callers_page(composed.pages[c.page_index]), c.expected) << c.name;
        EXPECT_EQ(composed.err, "") << c.name;
        // Column order never changes this page.
        Composed by_column = compose(c.mode, c.callers, c.cuers, 1);
        EXPECT_EQ(callers_page(by_column.pages[c.page_index]), c.expected) << c.name << " in column order";
    }
}

// The page holds 6 rows under one heading in the booklet and 8 in the standard document;
// the cards after them, and a heading with no room for a row, are left off and named.
TEST(ComposeDocument, NamesCardsThatDoNotFitTheCallersPage) {
    const struct {
        LayoutMode mode;
        int callers, cuers;
        int first_caller_off, first_cuer_off;  // -1: all fit
        const char* headings;
    } cases[] = {
        {LAYOUT_BOOKLET, 12, 0, -1, -1, "Caller@584 "},
        {LAYOUT_BOOKLET, 10, 2, -1, -1, "Caller@584 Cuer@152 "},
        {LAYOUT_BOOKLET, 12, 1, -1, 0, "Caller@584 "},
        {LAYOUT_BOOKLET, 20, 2, 12, 0, "Caller@584 "},
        {LAYOUT_STANDARD, 24, 0, -1, -1, "Caller@756 "},
        {LAYOUT_STANDARD, 27, 0, 24, -1, "Caller@756 "},
        {LAYOUT_STANDARD, 14, 10, -1, 9, "Caller@756 Cuer@324 "},
    };
    for (const auto& c : cases) {
        Composed composed = compose(c.mode, c.callers, c.cuers);
        const std::string what =
            std::to_string(c.callers) + " callers, " + std::to_string(c.cuers) + " cuers";
        const char* document = c.mode == LAYOUT_STANDARD ? "standard document" : "booklet";
        std::string expected_err;
        int drawn = c.callers + c.cuers;
        for (const auto& [prefix, count, first_off] : {std::tuple{"Caller", c.callers, c.first_caller_off},
                                                       std::tuple{"Cuer", c.cuers, c.first_cuer_off}}) {
            for (int i = first_off; i >= 0 && i < count; ++i, --drawn) {
                expected_err += "Warning: members.csv line " + std::to_string(10 + i) + ": A " + prefix +
                                std::to_string(i) + " is not on the Callers and Cuers page of the " +
                                document + ": it does not fit\n";
            }
        }
        EXPECT_EQ(composed.err, expected_err) << what;
        const PdfPage& page = composed.pages[2];
        EXPECT_EQ(page.rects.size(), static_cast<size_t>(drawn)) << what;
        EXPECT_EQ(headings(page), c.headings) << what;
        for (const PdfRect& r : page.rects) EXPECT_GE(r.y, c.mode == LAYOUT_STANDARD ? 36 : 28) << what;
    }
}

}  // namespace
