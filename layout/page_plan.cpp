#include "layout/page_plan.h"

#include <algorithm>

#include "layout/callers_page.h"

GroupSizes group_sizes(const Roster& roster) {
    const auto lines = [&](Group group) { return section_card_lines(group_members(roster, group)); };
    return {group_size(roster, GROUP_CALLER),
            group_size(roster, GROUP_CUER),
            group_size(roster, GROUP_MEMBER),
            group_size(roster, GROUP_NEW_DANCER),
            std::max(lines(GROUP_CALLER), lines(GROUP_CUER)),
            lines(GROUP_MEMBER),
            lines(GROUP_NEW_DANCER)};
}

PagePlan plan_pages(PaperSize paper, const GroupSizes& sizes, IndexPages index) {
    const PageGeometry booklet = page_geometry(paper, LAYOUT_BOOKLET);
    const PageGeometry standard = page_geometry(paper, LAYOUT_STANDARD);
    PagePlan plan{};
    plan.booklet_callers_pages = callers_page_count(booklet, sizes.callers, sizes.cuers, sizes.callers_lines);
    plan.booklet_member_pages =
        section_page_count(sizes.members, booklet.columns * card_rows(booklet, sizes.members_lines));
    plan.booklet_new_dancer_pages =
        section_page_count(sizes.new_dancers, booklet.columns * card_rows(booklet, sizes.new_dancers_lines));
    plan.booklet_new_dancer_page = CALLERS_PAGE + plan.booklet_callers_pages + plan.booklet_member_pages;
    plan.booklet_index_page = plan.booklet_new_dancer_page + plan.booklet_new_dancer_pages;
    plan.booklet_index_pages = index.booklet;
    plan.booklet_content_pages = plan.booklet_index_page + plan.booklet_index_pages;
    plan.booklet_pages = (plan.booklet_content_pages + 3) / 4 * 4;
    plan.booklet_sheets = plan.booklet_pages / 4;
    plan.standard_callers_pages =
        callers_page_count(standard, sizes.callers, sizes.cuers, sizes.callers_lines);
    plan.standard_member_pages =
        section_page_count(sizes.members, standard.columns * card_rows(standard, sizes.members_lines));
    plan.standard_new_dancer_pages = section_page_count(
        sizes.new_dancers, standard.columns * card_rows(standard, sizes.new_dancers_lines));
    plan.standard_new_dancer_page = CALLERS_PAGE + plan.standard_callers_pages + plan.standard_member_pages;
    plan.standard_index_page = plan.standard_new_dancer_page + plan.standard_new_dancer_pages;
    plan.standard_index_pages = index.standard;
    plan.standard_pages = plan.standard_index_page + plan.standard_index_pages;
    return plan;
}

DocumentPages document_pages(const PagePlan& plan, LayoutMode mode) {
    if (mode == LAYOUT_STANDARD) {
        return {mode,
                plan.standard_pages,
                plan.standard_pages,
                plan.standard_new_dancer_page,
                plan.standard_pages,
                CALLERS_PAGE + plan.standard_callers_pages,
                plan.standard_pages,
                plan.standard_index_page,
                plan.standard_index_pages};
    }
    return {mode,
            plan.booklet_pages,
            mode == LAYOUT_PRINT_SHOP ? plan.booklet_pages : 2 * plan.booklet_sheets,
            plan.booklet_new_dancer_page,
            plan.booklet_pages,
            CALLERS_PAGE + plan.booklet_callers_pages,
            plan.booklet_content_pages,
            plan.booklet_index_page,
            plan.booklet_index_pages};
}
