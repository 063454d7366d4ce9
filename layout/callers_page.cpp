#include "layout/callers_page.h"

#include <algorithm>

#include "layout/card.h"
#include "layout/draw.h"
#include "layout/folio.h"

namespace {

constexpr float HEADING_SPACE_BELOW_CARDS = 18.0f;

// The lowest a card's bottom edge may come: where the last row of a member section's
// first page ends.
float lowest_card_bottom(const PageGeometry& g, int lines) {
    const float first_row = g.page_height - g.margin_y - HEADING_CONTENT_DROP;
    return first_row - card_pitch(lines) * static_cast<float>(card_rows(g, lines) - 1) - card_height(lines);
}

// The pages `items` reach over: none for an empty section.
int32_t pages_of(const std::vector<SectionItem>& items) { return items.empty() ? 0 : items.back().page + 1; }

}  // namespace

std::vector<SectionItem> lay_out_callers(const PageGeometry& g, int32_t caller_count, int32_t cuer_count,
                                         int lines) {
    std::vector<SectionItem> items;
    const float top = g.page_height - g.margin_y;
    const float lowest = lowest_card_bottom(g, lines);
    const float height = card_height(lines), pitch = card_pitch(lines);
    int32_t page = 0;
    float heading_y = top;
    const int32_t counts[2] = {caller_count, cuer_count};
    for (int group = 0; group < 2; ++group) {
        if (counts[group] == 0) continue;
        if (heading_y - HEADING_CONTENT_DROP - height < lowest) {
            ++page;
            heading_y = top;
        }
        items.push_back({page, g.margin_x, heading_y, group, -1});
        float row_top = heading_y - HEADING_CONTENT_DROP;
        for (int i = 0; i < counts[group]; ++i) {
            const int column = i % g.columns;
            if (column == 0 && i > 0) row_top -= pitch;
            if (column == 0 && row_top - height < lowest) {
                ++page;
                row_top = top - CONTINUATION_TOP_SPACE;
            }
            items.push_back({page, column_x(g, column), row_top, group, i});
        }
        heading_y = row_top - pitch - HEADING_SPACE_BELOW_CARDS;
    }
    return items;
}

int32_t callers_page_count(const PageGeometry& geometry, int32_t caller_count, int32_t cuer_count,
                           int lines) {
    return pages_of(lay_out_callers(geometry, caller_count, cuer_count, lines));
}

void draw_callers_section(const PageTarget& first_page, const PageGeometry& g, const PdfFonts& fonts,
                          std::span<const Member> callers, std::span<const Member> cuers, NameOrder order,
                          const PageWords& words, bool numbered, std::span<const CardPhoto> photos) {
    const std::span<const Member> groups[2] = {callers, cuers};
    const int lines = std::max(section_card_lines(callers), section_card_lines(cuers));
    const std::vector<SectionItem> items =
        lay_out_callers(g, static_cast<int32_t>(callers.size()), static_cast<int32_t>(cuers.size()), lines);
    for (int32_t p = 0; p < pages_of(items); ++p) {
        const PageTarget page = on_page(first_page, first_page.logical_page + p);
        auto first =
            std::find_if(items.begin(), items.end(), [&](const SectionItem& it) { return it.page == p; });
        auto last = std::find_if(first, items.end(), [&](const SectionItem& it) { return it.page != p; });
        // The top line: a group's heading with the page number, or the running head of a page
        // that goes on with a group (every page holds one or the other).
        const bool opens_with_heading = first->index < 0;
        if (opens_with_heading) {
            draw_top_heading(page, g, fonts, words.group_titles[first->group], numbered);
        } else if (numbered) {
            const SectionItem& final_card = *(last - 1);
            draw_running_head(page, g, fonts.regular, words.continued, words.group_titles[first->group],
                              groups[first->group][first->index].last_name.c_str(),
                              groups[final_card.group][final_card.index].last_name.c_str());
        }
        for (auto it = opens_with_heading ? first + 1 : first; it != last; ++it) {
            if (it->index < 0) {
                draw_section_heading(page, fonts.bold, g.page_width, g.margin_x, it->y,
                                     words.group_titles[it->group], g.margin_x, g.page_width - g.margin_x);
            } else {
                set_fill(find_page(page).page, BLACK);
                const size_t card = (it->group == 0 ? 0 : callers.size()) + static_cast<size_t>(it->index);
                draw_member_card(page, fonts, reading_x(page, g.page_width, it->x, g.column_width),
                                 g.column_width, it->y, groups[it->group][it->index], order,
                                 photos.empty() ? CardPhoto() : photos[card], lines);
            }
        }
    }
}
