#include "layout/section.h"

#include <algorithm>

#include "layout/card.h"
#include "layout/draw.h"

namespace {

// Continuation pages have no heading, so their grid starts 20 pt higher than the first page's.
constexpr float CONTINUATION_TOP_SPACE = 4.0f;

}  // namespace

void draw_member_section(const HPDF_Page* pages, int32_t first_page, int32_t page_count, LayoutMode mode,
                         const PageGeometry& geometry, HPDF_Font regular_font, HPDF_Font bold_font,
                         int32_t label_sequence, const char* heading, const Member* members, int32_t count) {
    const int32_t cards_per_page = geometry.columns * geometry.rows;
    const int32_t section_pages = section_page_count(count, cards_per_page);
    const float top = geometry.page_height - geometry.margin_y;
    float x[MAX_COLUMNS];
    for (int c = 0; c < geometry.columns; ++c) x[c] = column_x(geometry, c);

    for (int32_t p = 0; p < section_pages; ++p) {
        const int32_t lp = first_page + p;
        const float y0 = (p == 0) ? draw_section_heading(pages, lp, page_count, mode, bold_font,
                                                         geometry.page_width, geometry.margin_x, top, heading)
                                  : top - CONTINUATION_TOP_SPACE;
        int32_t i = p * cards_per_page;
        const int32_t end = std::min((p + 1) * cards_per_page, count);
        auto draw_card = [&](int c, float y) {
            draw_member_card(pages, lp, page_count, mode, regular_font, bold_font, x[c],
                             geometry.column_width, y, members[i]);
        };
        if (label_sequence == 1) {
            for (int c = 0; c < geometry.columns && i < end; ++c) {
                float y = y0;
                for (int row = 0; row < geometry.rows && i < end; ++row, ++i, y -= CARD_PITCH)
                    draw_card(c, y);
            }
        } else {
            float y[MAX_COLUMNS];
            std::fill(y, y + geometry.columns, y0);
            for (int c = 0; i < end; ++i, c = (c + 1) % geometry.columns) {
                draw_card(c, y[c]);
                y[c] -= CARD_PITCH;
            }
        }
    }
}
