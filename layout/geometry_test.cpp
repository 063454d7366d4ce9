#include "layout/geometry.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

struct Placement {
    int lp, sheet, side;
    float x_offset;
};

void expect_placements(int page_count, std::initializer_list<Placement> expected,
                       float half_width = BOOKLET_HALF_WIDTH) {
    for (const Placement& p : expected) {
        testing::internal::CaptureStderr();
        PagePlacement got = *place_page(p.lp, page_count, LAYOUT_BOOKLET, half_width);
        EXPECT_EQ(testing::internal::GetCapturedStderr(), "") << "N=" << page_count << " lp=" << p.lp;
        EXPECT_EQ(got.sheet, p.sheet) << "N=" << page_count << " lp=" << p.lp;
        EXPECT_EQ(got.side, p.side) << "N=" << page_count << " lp=" << p.lp;
        EXPECT_EQ(got.x_offset, p.x_offset) << "N=" << page_count << " lp=" << p.lp;
    }
}

TEST(PlacePage, BookletImposition) {
    expect_placements(4, {{1, 0, 0, 396}, {2, 0, 1, 0}, {3, 0, 1, 396}, {4, 0, 0, 0}});
    expect_placements(8, {{8, 0, 0, 0},
                          {1, 0, 0, 396},
                          {2, 0, 1, 0},
                          {7, 0, 1, 396},
                          {6, 1, 0, 0},
                          {3, 1, 0, 396},
                          {4, 1, 1, 0},
                          {5, 1, 1, 396}});
    expect_placements(12, {{12, 0, 0, 0},
                           {1, 0, 0, 396},
                           {2, 0, 1, 0},
                           {11, 0, 1, 396},
                           {10, 1, 0, 0},
                           {3, 1, 0, 396},
                           {4, 1, 1, 0},
                           {9, 1, 1, 396},
                           {8, 2, 0, 0},
                           {5, 2, 0, 396},
                           {6, 2, 1, 0},
                           {7, 2, 1, 396}});
    // On A4 the right halves start at half the 841.89 pt sheet.
    const float A5 = 420.945f;
    expect_placements(12,
                      {{12, 0, 0, 0},
                       {1, 0, 0, A5},
                       {2, 0, 1, 0},
                       {11, 0, 1, A5},
                       {10, 1, 0, 0},
                       {3, 1, 0, A5},
                       {4, 1, 1, 0},
                       {9, 1, 1, A5},
                       {8, 2, 0, 0},
                       {5, 2, 0, A5},
                       {6, 2, 1, 0},
                       {7, 2, 1, A5}},
                      A5);
    // Six pages never come from the page plan; the first sheet still takes 1, 2, 5 and 6.
    expect_placements(6, {{1, 0, 0, 396}, {6, 0, 0, 0}, {2, 0, 1, 0}, {5, 0, 1, 396}});
}

TEST(PlacePage, BookletErrors) {
    const struct {
        int lp, page_count;
    } errors[] = {{0, 8}, {9, 8}, {-1, 8}, {3, 6}, {4, 6}, {1, 3}, {1, 0}, {1, -4}};
    for (const auto& e : errors) {
        testing::internal::CaptureStderr();
        EXPECT_FALSE(place_page(e.lp, e.page_count, LAYOUT_BOOKLET)) << e.lp << " of " << e.page_count;
        EXPECT_EQ(testing::internal::GetCapturedStderr(), "") << e.lp << " of " << e.page_count;
    }
}

TEST(PlacePage, StandardIsOnePagePerPage) {
    for (int n : {0, 6, 100}) {
        PagePlacement got = *place_page(5, n, LAYOUT_STANDARD);
        EXPECT_EQ(got.sheet, 4) << n;
        EXPECT_EQ(got.side, 0) << n;
        EXPECT_EQ(got.x_offset, 0.0f) << n;
    }
    // The print shop's file, like the booklet, is read off the booklet's pages.
    PagePlacement other = *place_page(1, 8, LAYOUT_PRINT_SHOP);
    EXPECT_EQ(other.x_offset, 0.0f);
}

// Both papers by one rule: the same margins and gutter, as many rows as leave the lowest
// card of a first page 0.25 in above the edge, but for Letter's standard page's eight.
TEST(PageGeometry, PaperSizes) {
    const struct {
        PaperSize paper;
        LayoutMode mode;
        std::vector<float> expected;  // page width, height, column width, columns, rows, sheet width, height
    } cases[] = {
        {PAPER_LETTER, LAYOUT_BOOKLET, {396, 612, 171, 2, 7, 792, 612}},
        {PAPER_LETTER, LAYOUT_STANDARD, {612, 792, 536.0f / 3, 3, 8, 612, 792}},
        {PAPER_A4, LAYOUT_BOOKLET, {420.945f, 595.28f, 183.4725f, 2, 6, 841.89f, 595.28f}},
        {PAPER_A4, LAYOUT_STANDARD, {595.28f, 841.89f, 173.09333f, 3, 9, 595.28f, 841.89f}},
    };
    for (const auto& c : cases) {
        const PageGeometry g = page_geometry(c.paper, c.mode);
        const std::vector<float> got = {g.page_width,  g.page_height, g.column_width, (float)g.columns,
                                        (float)g.rows, g.sheet_width, g.sheet_height};
        for (size_t i = 0; i < got.size(); ++i) {
            EXPECT_NEAR(got[i], c.expected[i], 1e-3)
                << paper_size_name(c.paper) << " mode " << c.mode << " #" << i;
        }
        EXPECT_EQ(g.margin_x, c.mode == LAYOUT_STANDARD ? 28 : 22);
        EXPECT_EQ(g.margin_y, c.mode == LAYOUT_STANDARD ? 36 : 28);
    }
}

TEST(PageGeometry, ColumnsAndSections) {
    EXPECT_EQ(column_x(BOOKLET_GEOMETRY, 1), 203.0f);
    EXPECT_NEAR(column_x(STANDARD_GEOMETRY, 1), 216.66667f, 1e-4);
    EXPECT_NEAR(column_x(STANDARD_GEOMETRY, 2), 405.33334f, 1e-4);
    EXPECT_EQ(STANDARD_GEOMETRY.column_width, 536.0f / 3.0f);
    const struct {
        int count, per_page, pages;
    } cases[] = {{0, 14, 0},    {1, 14, 1},  {14, 14, 1}, {15, 14, 2},
                 {512, 14, 37}, {24, 24, 1}, {25, 24, 2}, {512, 24, 22}};
    for (const auto& c : cases)
        EXPECT_EQ(section_page_count(c.count, c.per_page), c.pages) << c.count << "/" << c.per_page;
}

}  // namespace
