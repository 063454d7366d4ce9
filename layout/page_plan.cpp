#include "layout/page_plan.h"

PagePlan plan_pages(int32_t member_count, int32_t new_dancer_count) {
    const int32_t booklet_cards = BOOKLET_GEOMETRY.columns * BOOKLET_GEOMETRY.rows;
    const int32_t standard_cards = STANDARD_GEOMETRY.columns * STANDARD_GEOMETRY.rows;
    PagePlan plan{};
    plan.booklet_member_pages = section_page_count(member_count, booklet_cards);
    plan.booklet_new_dancer_pages = section_page_count(new_dancer_count, booklet_cards);
    plan.booklet_new_dancer_page = plan.booklet_member_pages + FIXED_PAGES;
    plan.booklet_content_pages = plan.booklet_member_pages + plan.booklet_new_dancer_pages + FIXED_PAGES;
    plan.booklet_pages = (plan.booklet_content_pages + 3) / 4 * 4;
    plan.booklet_sheets = plan.booklet_pages / 4;
    plan.standard_member_pages = section_page_count(member_count, standard_cards);
    plan.standard_new_dancer_pages = section_page_count(new_dancer_count, standard_cards);
    plan.standard_new_dancer_page = plan.standard_member_pages + FIXED_PAGES;
    plan.standard_pages = plan.standard_member_pages + plan.standard_new_dancer_pages + FIXED_PAGES;
    return plan;
}

DocumentPages document_pages(const PagePlan& plan, LayoutMode mode) {
    if (mode == LAYOUT_STANDARD) {
        return {mode, plan.standard_pages, plan.standard_pages, plan.standard_new_dancer_page,
                plan.standard_pages};
    }
    return {mode, plan.booklet_pages, 2 * plan.booklet_sheets, plan.booklet_new_dancer_page,
            plan.booklet_pages};
}
