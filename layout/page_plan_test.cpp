#include "layout/page_plan.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

TEST(PlanPages, Table) {
    const struct {
        PaperSize paper;
        GroupSizes sizes;
        // booklet: callers pages, member pages, new dancer pages, new dancer page, content,
        // padded, sheets; standard: callers pages, member pages, new dancer pages, new dancer
        // page, pages
        std::vector<int> expected;
    } cases[] = {
        {PAPER_LETTER, {0, 0, 0, 0}, {0, 0, 0, 3, 3, 4, 1, 0, 0, 0, 3, 3}},
        {PAPER_LETTER, {0, 0, 14, 14}, {0, 1, 1, 4, 5, 8, 2, 0, 1, 1, 4, 5}},
        {PAPER_LETTER, {0, 0, 15, 0}, {0, 2, 0, 5, 5, 8, 2, 0, 1, 0, 4, 4}},
        {PAPER_LETTER, {0, 0, 30, 0}, {0, 3, 0, 6, 6, 8, 2, 0, 2, 0, 5, 5}},
        {PAPER_LETTER, {0, 0, 24, 1}, {0, 2, 1, 5, 6, 8, 2, 0, 1, 1, 4, 5}},
        {PAPER_LETTER, {0, 0, 25, 25}, {0, 2, 2, 5, 7, 8, 2, 0, 2, 2, 5, 7}},
        {PAPER_LETTER, {0, 0, 43, 0}, {0, 4, 0, 7, 7, 8, 2, 0, 2, 0, 5, 5}},
        {PAPER_LETTER, {0, 0, 512, 0}, {0, 37, 0, 40, 40, 40, 10, 0, 22, 0, 25, 25}},
        // A section nobody is in takes no page. Callers and cuers go on: 14 callers fill the
        // booklet's page as 14 members do; 10
        // callers and 6 cuers take two booklet pages, the Cuer heading on the first.
        {PAPER_LETTER, {14, 0, 0, 0}, {1, 0, 0, 4, 4, 4, 1, 1, 0, 0, 4, 4}},
        {PAPER_LETTER, {15, 0, 0, 0}, {2, 0, 0, 5, 5, 8, 2, 1, 0, 0, 4, 4}},
        {PAPER_LETTER, {10, 6, 0, 0}, {2, 0, 0, 5, 5, 8, 2, 1, 0, 0, 4, 4}},
        {PAPER_LETTER, {40, 40, 3, 3}, {6, 1, 1, 10, 11, 12, 3, 4, 1, 1, 8, 9}},
        // Households of eight card lines: 10 cards a booklet page, 21 a portrait page.
        {PAPER_LETTER, {0, 0, 14, 0, CARD_LINES, 8, CARD_LINES}, {0, 2, 0, 5, 5, 8, 2, 0, 1, 0, 4, 4}},
        {PAPER_LETTER, {0, 0, 22, 0, CARD_LINES, 8, CARD_LINES}, {0, 3, 0, 6, 6, 8, 2, 0, 2, 0, 5, 5}},
        // A4: 12 cards on an A5 booklet page, 27 on an A4 page.
        {PAPER_A4, {0, 0, 27, 12}, {0, 3, 1, 6, 7, 8, 2, 0, 1, 1, 4, 5}},
        {PAPER_A4, {13, 0, 28, 13}, {2, 3, 2, 8, 10, 12, 3, 1, 2, 1, 6, 7}},
    };
    for (const auto& c : cases) {
        const PagePlan p = plan_pages(c.paper, c.sizes);
        const std::vector<int> got = {p.booklet_callers_pages,    p.booklet_member_pages,
                                      p.booklet_new_dancer_pages, p.booklet_new_dancer_page,
                                      p.booklet_content_pages,    p.booklet_pages,
                                      p.booklet_sheets,           p.standard_callers_pages,
                                      p.standard_member_pages,    p.standard_new_dancer_pages,
                                      p.standard_new_dancer_page, p.standard_pages};
        EXPECT_EQ(got, c.expected) << paper_size_name(c.paper) << " " << c.sizes.callers << " callers, "
                                   << c.sizes.cuers << " cuers, " << c.sizes.members << " members, "
                                   << c.sizes.new_dancers << " new dancers";
    }
}

}  // namespace
