#include "layout/compose.h"

#include <algorithm>
#include <cstdio>

#include "layout/card.h"
#include "layout/cover.h"
#include "layout/draw.h"
#include "layout/section.h"

namespace {

constexpr float HEADING_SPACE_BELOW_CARDS = 18.0f;

// Everything the Callers and Cuers page needs to place one group under its heading.
struct CallersPage {
    const HPDF_Page* pages;
    int32_t logical_page;
    int32_t page_count;
    LayoutMode mode;
    const PageGeometry& geometry;
    HPDF_Font regular_font;
    HPDF_Font bold_font;
    HPDF_Page page;
    const char* member_list_path;  // named in the warning for a card left off
};

// The page has no continuation, so a card it cannot hold is named instead of drawn.
void report_left_off(const CallersPage& target, const Member& person) {
    fprintf(stderr,
            "Warning: %s line %d: %s %s is not on the Callers and Cuers page of the %s: it does not fit\n",
            target.member_list_path, person.line_number, person.first_name, person.last_name,
            target.mode == LAYOUT_STANDARD ? "standard document" : "booklet");
}

// Draws one group in row order under `heading` at baseline y; returns the baseline for
// the next heading, 18 pt below the top of the first free card row. A card whose box
// would reach into the bottom margin is left off, and so is the heading when not even
// the group's first row fits under it (its rule lies higher, so it fits whenever they do).
float draw_role_group(CallersPage* target, float y, const char* heading, const Member* group, int32_t count) {
    const PageGeometry& g = target->geometry;
    auto fits = [&](float card_top) { return card_top - CARD_HEIGHT >= g.margin_y; };
    float heading_y = y - HEADING_CONTENT_DROP;
    if (fits(heading_y)) {
        draw_section_heading(target->pages, target->logical_page, target->page_count, target->mode,
                             target->bold_font, g.page_width, g.margin_x, y, heading);
    }
    float column_y[MAX_COLUMNS];
    std::fill(column_y, column_y + g.columns, heading_y);
    int c = 0;
    for (int32_t i = 0; i < count; ++i) {
        if (fits(column_y[c])) {
            set_fill(target->page, BLACK);
            draw_member_card(target->pages, target->logical_page, target->page_count, target->mode,
                             target->regular_font, target->bold_font, column_x(g, c), g.column_width,
                             column_y[c], group[i]);
        } else {
            report_left_off(*target, group[i]);
        }
        column_y[c] -= CARD_PITCH;
        c = (c + 1) % g.columns;
    }
    float drop = 0.0f;
    for (int column = 0; column < g.columns; ++column) drop = std::max(drop, heading_y - column_y[column]);
    return heading_y - (drop + HEADING_SPACE_BELOW_CARDS);
}

}  // namespace

void compose_document(HPDF_Doc document, const HPDF_Page* pages, int32_t page_count, LayoutMode mode,
                      const PageGeometry& geometry, HPDF_Font regular_font, HPDF_Font bold_font,
                      const Settings& settings, int32_t cover_page, int32_t committee_page,
                      int32_t callers_page, int32_t members_page, int32_t member_count,
                      int32_t new_dancers_page, int32_t new_dancer_count, int32_t schedule_page,
                      const Member* callers, int32_t caller_count, const Member* cuers, int32_t cuer_count,
                      const Member* members, const Member* new_dancers, const RosterImages& images) {
    const PageGeometry& g = geometry;
    draw_cover_page(document, pages, cover_page, page_count, mode, regular_font, bold_font, g.page_width,
                    g.page_height, g.margin_x, images.cover, images.options, settings);
    draw_image_panel(document, pages, committee_page, page_count, mode, regular_font, images.committee,
                     images.options, "[committee.png not found]", g.page_width, g.page_height, g.margin_x,
                     g.margin_y);

    CallersPage target = {pages,
                          callers_page,
                          page_count,
                          mode,
                          geometry,
                          regular_font,
                          bold_font,
                          find_page(pages, callers_page, page_count, mode).page,
                          settings.member_csv_path};
    float y = g.page_height - g.margin_y;
    if (caller_count >= 1) y = draw_role_group(&target, y, "Caller", callers, caller_count);
    if (cuer_count >= 1) draw_role_group(&target, y, "Cuer", cuers, cuer_count);

    draw_member_section(pages, members_page, page_count, mode, geometry, regular_font, bold_font,
                        settings.label_sequence, "Members", members, member_count);
    draw_member_section(pages, new_dancers_page, page_count, mode, geometry, regular_font, bold_font,
                        settings.label_sequence, "New Dancers", new_dancers, new_dancer_count);
    draw_image_panel(document, pages, schedule_page, page_count, mode, regular_font, images.schedule,
                     images.options, "[schedule.png not found]", g.page_width, g.page_height, g.margin_x,
                     g.margin_y);
}
