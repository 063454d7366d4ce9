// The page plan of a run: how many logical pages each section of the booklet and of
// the standard document takes, and where the New Dancers section starts.
#pragma once

#include <cstdint>

#include "layout/geometry.h"

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
// The logical pages that are the same in both documents.
constexpr int32_t COVER_PAGE = 1;
constexpr int32_t COMMITTEE_PAGE = 2;
constexpr int32_t CALLERS_PAGE = 3;
constexpr int32_t MEMBERS_PAGE = 4;  // the first page of the Members section

// Plans both documents for groups of `member_count` members and `new_dancer_count`
// new dancers; every section gets at least one page.
PagePlan plan_pages(int32_t member_count, int32_t new_dancer_count);

// Where the parts of one document go, read off the plan.
struct DocumentPages {
    LayoutMode mode;
    int32_t page_count;        // logical pages; the booklet's are padded to a multiple of 4
    int32_t physical_pages;    // booklet: two sides per sheet; standard: one per logical page
    int32_t new_dancers_page;  // the first page of the New Dancers section
    int32_t schedule_page;     // always the last page
};

// The pages of the booklet (`mode` LAYOUT_BOOKLET) or of the standard document in `plan`.
DocumentPages document_pages(const PagePlan& plan, LayoutMode mode);
