#include "layout/callers_page.h"

#include <algorithm>

#include "base/message.h"
#include "layout/card.h"
#include "layout/draw.h"

namespace {

constexpr float HEADING_SPACE_BELOW_CARDS = 18.0f;

// Everything the Callers and Cuers page needs to place one group under its heading.
struct CallersPage {
    PageTarget target;
    const PageGeometry& geometry;
    const PdfFonts& fonts;
    HPDF_Page page;
    const char* member_list_path;  // named in the warning for a card left off
};

// The page has no continuation, so a card it cannot hold is named instead of drawn.
void report_left_off(const CallersPage& page, const Member& person) {
    say("Warning: %s line %d: %s %s is not on the Callers and Cuers page of the %s: it does not fit\n",
        page.member_list_path, person.line_number, person.first_name, person.last_name,
        page.target.mode == LAYOUT_STANDARD ? "standard document" : "booklet");
}

// Draws one group in row order under `heading` at baseline y; returns the baseline for
// the next heading, 18 pt below the top of the first free card row. A card whose box
// would reach into the bottom margin is left off, and so is the heading when not even
// the group's first row fits under it (its rule lies higher, so it fits whenever they do).
float draw_role_group(const CallersPage& page, float y, const char* heading, std::span<const Member> group) {
    const PageGeometry& g = page.geometry;
    auto fits = [&](float card_top) { return card_top - CARD_HEIGHT >= g.margin_y; };
    float heading_y = y - HEADING_CONTENT_DROP;
    if (fits(heading_y)) {
        draw_section_heading(page.target, page.fonts.bold, g.page_width, g.margin_x, y, heading);
    }
    float column_y[MAX_COLUMNS];
    std::fill(column_y, column_y + g.columns, heading_y);
    int c = 0;
    for (const Member& person : group) {
        if (fits(column_y[c])) {
            set_fill(page.page, BLACK);
            draw_member_card(page.target, page.fonts, column_x(g, c), g.column_width, column_y[c], person);
        } else {
            report_left_off(page, person);
        }
        column_y[c] -= CARD_PITCH;
        c = (c + 1) % g.columns;
    }
    float drop = 0.0f;
    for (int column = 0; column < g.columns; ++column) drop = std::max(drop, heading_y - column_y[column]);
    return heading_y - (drop + HEADING_SPACE_BELOW_CARDS);
}

}  // namespace

void draw_callers_page(const PageTarget& target, const PageGeometry& geometry, const PdfFonts& fonts,
                       std::span<const Member> callers, std::span<const Member> cuers,
                       const char* member_list_path) {
    const CallersPage page = {target, geometry, fonts, find_page(target).page, member_list_path};
    float y = geometry.page_height - geometry.margin_y;
    if (!callers.empty()) y = draw_role_group(page, y, "Caller", callers);
    if (!cuers.empty()) draw_role_group(page, y, "Cuer", cuers);
}
