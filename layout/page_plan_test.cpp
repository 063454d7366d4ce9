#include "layout/page_plan.h"

#include <gtest/gtest.h>

namespace {

TEST(PlanPages, Table) {
    const struct {
        int members, new_dancers;
        PagePlan expected;
    } cases[] = {
        // booklet: member pages, new dancer pages, new dancer page, content, padded, sheets;
        // standard: member pages, new dancer pages, new dancer page, pages
        {0, 0, {1, 1, 5, 6, 8, 2, 1, 1, 5, 6}},   {14, 14, {1, 1, 5, 6, 8, 2, 1, 1, 5, 6}},
        {15, 0, {2, 1, 6, 7, 8, 2, 1, 1, 5, 6}},  {30, 0, {3, 1, 7, 8, 8, 2, 2, 1, 6, 7}},
        {24, 1, {2, 1, 6, 7, 8, 2, 1, 1, 5, 6}},  {25, 25, {2, 2, 6, 8, 8, 2, 2, 2, 6, 8}},
        {43, 0, {4, 1, 8, 9, 12, 3, 2, 1, 6, 7}}, {512, 0, {37, 1, 41, 42, 44, 11, 22, 1, 26, 27}},
    };
    for (const auto& c : cases) {
        PagePlan got = plan_pages(c.members, c.new_dancers);
        const PagePlan& e = c.expected;
        SCOPED_TRACE(testing::Message() << c.members << " members, " << c.new_dancers << " new dancers");
        EXPECT_EQ(got.booklet_member_pages, e.booklet_member_pages);
        EXPECT_EQ(got.booklet_new_dancer_pages, e.booklet_new_dancer_pages);
        EXPECT_EQ(got.booklet_new_dancer_page, e.booklet_new_dancer_page);
        EXPECT_EQ(got.booklet_content_pages, e.booklet_content_pages);
        EXPECT_EQ(got.booklet_pages, e.booklet_pages);
        EXPECT_EQ(got.booklet_sheets, e.booklet_sheets);
        EXPECT_EQ(got.standard_member_pages, e.standard_member_pages);
        EXPECT_EQ(got.standard_new_dancer_pages, e.standard_new_dancer_pages);
        EXPECT_EQ(got.standard_new_dancer_page, e.standard_new_dancer_page);
        EXPECT_EQ(got.standard_pages, e.standard_pages);
    }
}

}  // namespace
