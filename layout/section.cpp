#include "layout/section.h"

#include <algorithm>

#include "layout/card.h"
#include "layout/draw.h"
#include "layout/folio.h"

void draw_member_section(const PageTarget& first_page, const PageGeometry& geometry, const PdfFonts& fonts,
                         LabelSequence sequence, NameOrder order, const PageWords& words, const char* heading,
                         std::span<const Member> members, bool numbered, std::span<const CardPhoto> photos) {
    const int32_t count = static_cast<int32_t>(members.size());
    const int lines = section_card_lines(members);
    const int32_t rows = card_rows(geometry, lines);
    const int32_t per_page = geometry.columns * rows;
    const int32_t section_pages = section_page_count(count, per_page);
    const float top = geometry.page_height - geometry.margin_y;
    float x[MAX_COLUMNS];
    for (int c = 0; c < geometry.columns; ++c)
        x[c] = reading_x(first_page, geometry.page_width, column_x(geometry, c), geometry.column_width);

    for (int32_t p = 0; p < section_pages; ++p) {
        const PageTarget page = on_page(first_page, first_page.logical_page + p);
        int32_t i = p * per_page;
        const int32_t end = std::min((p + 1) * per_page, count);
        float y0 = top - CONTINUATION_TOP_SPACE;
        if (p == 0) {
            y0 = draw_top_heading(page, geometry, fonts, heading, numbered);
        } else if (numbered) {
            draw_running_head(page, geometry, fonts.regular, words.continued, heading,
                              members[i].last_name.c_str(), members[end - 1].last_name.c_str());
        }
        auto draw_card = [&](int c, float y) {
            draw_member_card(page, fonts, x[c], geometry.column_width, y, members[i], order,
                             photos.empty() ? CardPhoto() : photos[i], lines);
        };
        if (sequence == COLUMN_ORDER) {
            for (int c = 0; c < geometry.columns && i < end; ++c) {
                float y = y0;
                for (int row = 0; row < rows && i < end; ++row, ++i, y -= card_pitch(lines)) draw_card(c, y);
            }
        } else {
            float y[MAX_COLUMNS];
            std::fill(y, y + geometry.columns, y0);
            for (int c = 0; i < end; ++i, c = (c + 1) % geometry.columns) {
                draw_card(c, y[c]);
                y[c] -= card_pitch(lines);
            }
        }
    }
}
