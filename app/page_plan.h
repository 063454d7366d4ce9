// The page plan of a run: how many logical pages each section of the booklet and of
// the standard document takes, and where the New Dancers section starts.
#pragma once

#include <cstdint>

// The booklet's page total is padded to a multiple of 4, one sheet per 4 pages.
struct PagePlan {
    int32_t booklet_member_pages;
    int32_t booklet_new_dancer_pages;
    int32_t booklet_new_dancer_page;  // logical page where New Dancers start
    int32_t booklet_content_pages;
    int32_t booklet_pages;
    int32_t booklet_sheets;
    int32_t standard_member_pages;
    int32_t standard_new_dancer_pages;
    int32_t standard_new_dancer_page;
    int32_t standard_pages;
};

// Cover, committee page, callers and cuers, and the schedule page around the two sections.
constexpr int32_t FIXED_PAGES = 4;

// Plans both documents for groups of `member_count` members and `new_dancer_count`
// new dancers; every section gets at least one page.
PagePlan plan_pages(int32_t member_count, int32_t new_dancer_count);
