// The page plan of a run: how many logical pages each section of the booklet and of
// the standard document takes on the run's paper, and where the sections start.
#pragma once

#include <cstdint>

#include "layout/card.h"
#include "layout/geometry.h"
#include "roster/roster.h"

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
    int32_t booklet_callers_pages;  // the Callers and Cuers section
    int32_t standard_callers_pages;
    int32_t booklet_index_page;  // the index of names, after the last section; 0 pages when off
    int32_t booklet_index_pages;
    int32_t standard_index_page;
    int32_t standard_index_pages;
};

// Cover, committee page and schedule page around the three sections.
constexpr int32_t FIXED_PAGES = 3;
// The logical pages that are the same in both documents.
constexpr int32_t COVER_PAGE = 1;
constexpr int32_t COMMITTEE_PAGE = 2;
constexpr int32_t CALLERS_PAGE = 3;  // the first page of the Callers and Cuers section

// How many cards each group holds, and the lines of each section's cards
// (section_card_lines): the Callers and Cuers section's, the Members', the New Dancers'.
struct GroupSizes {
    int32_t callers, cuers, members, new_dancers;
    int callers_lines = CARD_LINES, members_lines = CARD_LINES, new_dancers_lines = CARD_LINES;
};

// The sizes of `roster`'s groups and the lines of its sections' cards.
GroupSizes group_sizes(const Roster& roster);

// The pages the index of names takes in each document (index_page_count); 0 without one.
struct IndexPages {
    int32_t booklet, standard;
};

// Plans both documents on `paper` for groups of `sizes`; a section nobody is in takes no
// page. An index goes after the last section: in the booklet onto the pages it is padded
// with, more added in fours only when they are too few.
PagePlan plan_pages(PaperSize paper, const GroupSizes& sizes, IndexPages index = {0, 0});

// Where the parts of one document go, read off the plan.
struct DocumentPages {
    LayoutMode mode;
    int32_t page_count;        // logical pages; the booklet's are padded to a multiple of 4
    int32_t physical_pages;    // booklet: two sides per sheet; standard: one per logical page
    int32_t new_dancers_page;  // the first page of the New Dancers section
    int32_t schedule_page;     // always the last page
    int32_t members_page;      // the first page of the Members section
    int32_t first_spare_page;  // the booklet's padding runs from here to the schedule page
    int32_t index_page;        // the first page of the index of names
    int32_t index_pages;       // 0 without one
};

// The pages of the booklet (`mode` LAYOUT_BOOKLET), of the standard document or of the print
// shop's file (the booklet's pages, one a side) in `plan`.
DocumentPages document_pages(const PagePlan& plan, LayoutMode mode);
