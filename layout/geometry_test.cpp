#include "layout/geometry.h"

#include <gtest/gtest.h>

#include <string>

namespace {

struct Placement {
    int lp, sheet, side;
    float x_offset;
};

void expect_placements(int page_count, std::initializer_list<Placement> expected) {
    for (const Placement& p : expected) {
        testing::internal::CaptureStderr();
        PagePlacement got = place_page(p.lp, page_count, LAYOUT_BOOKLET);
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
    // Six pages never come from the page plan; the first sheet still takes 1, 2, 5 and 6.
    expect_placements(6, {{1, 0, 0, 396}, {6, 0, 0, 0}, {2, 0, 1, 0}, {5, 0, 1, 396}});
}

TEST(PlacePage, BookletErrors) {
    const struct {
        int lp, page_count;
    } errors[] = {{0, 8}, {9, 8}, {-1, 8}, {3, 6}, {4, 6}, {1, 3}, {1, 0}, {1, -4}};
    for (const auto& e : errors) {
        testing::internal::CaptureStderr();
        PagePlacement got = place_page(e.lp, e.page_count, LAYOUT_BOOKLET);
        std::string expected =
            "imposition error: lp=" + std::to_string(e.lp) + " N=" + std::to_string(e.page_count) + "\n";
        EXPECT_EQ(testing::internal::GetCapturedStderr(), expected);
        EXPECT_EQ(got.sheet, 0) << expected;
        EXPECT_EQ(got.side, 0) << expected;
        EXPECT_EQ(got.x_offset, 0.0f) << expected;
    }
}

TEST(PlacePage, StandardIsOnePagePerPage) {
    for (int n : {0, 6, 100}) {
        PagePlacement got = place_page(5, n, LAYOUT_STANDARD);
        EXPECT_EQ(got.sheet, 4) << n;
        EXPECT_EQ(got.side, 0) << n;
        EXPECT_EQ(got.x_offset, 0.0f) << n;
    }
    // Any mode other than 1 is the booklet.
    PagePlacement other = place_page(1, 8, 7);
    EXPECT_EQ(other.x_offset, 396.0f);
}

TEST(PageGeometry, ColumnsAndSections) {
    EXPECT_EQ(column_x(BOOKLET_GEOMETRY, 1), 203.0f);
    EXPECT_NEAR(column_x(STANDARD_GEOMETRY, 1), 216.66667f, 1e-4);
    EXPECT_NEAR(column_x(STANDARD_GEOMETRY, 2), 405.33334f, 1e-4);
    EXPECT_EQ(STANDARD_GEOMETRY.column_width, 536.0f / 3.0f);
    const struct {
        int count, per_page, pages;
    } cases[] = {{0, 14, 1},    {1, 14, 1},  {14, 14, 1}, {15, 14, 2},
                 {512, 14, 37}, {24, 24, 1}, {25, 24, 2}, {512, 24, 22}};
    for (const auto& c : cases)
        EXPECT_EQ(section_page_count(c.count, c.per_page), c.pages) << c.count << "/" << c.per_page;
}

}  // namespace
