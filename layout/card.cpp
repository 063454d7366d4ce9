#include "layout/card.h"

#include <cstdio>

#include "layout/draw.h"

namespace {

constexpr float CARD_TEXT_INSET = 4.0f;
constexpr float CARD_TOP_SPACE = 5.0f;
constexpr float CARD_OUTLINE_WIDTH = 0.6f;

// Line 3: the second part shows only together with the first.
void compose_line3(char* buffer, size_t size, const Member& member) {
    if (member.detail2a[0] == '\0') {
        buffer[0] = '\0';
    } else if (member.detail2b[0] != '\0') {
        snprintf(buffer, size, "%s  %s", member.detail2a, member.detail2b);
    } else {
        snprintf(buffer, size, "%s", member.detail2a);
    }
}

// Line 4: either part may show alone.
void compose_line4(char* buffer, size_t size, const Member& member) {
    bool has_a = member.detail3a[0] != '\0';
    bool has_b = member.detail3b[0] != '\0';
    if (has_a && has_b) {
        snprintf(buffer, size, "%s    %s", member.detail3a, member.detail3b);
    } else {
        snprintf(buffer, size, "%s", has_a ? member.detail3a : member.detail3b);
    }
}

}  // namespace

void draw_member_card(const HPDF_Page* pages, int32_t logical_page, int32_t page_count, LayoutMode mode,
                      HPDF_Font regular_font, HPDF_Font bold_font, float x, float card_width, float y,
                      const Member& member) {
    PlacedPage placed = find_page(pages, logical_page, page_count, mode);
    char line_buffer[256] = "";
    set_stroke(placed.page, FRAME_GREY);
    HPDF_Page_SetLineWidth(placed.page, CARD_OUTLINE_WIDTH);
    HPDF_Page_Rectangle(placed.page, x + placed.x_offset, y - CARD_HEIGHT, card_width, CARD_HEIGHT);
    HPDF_Page_Stroke(placed.page);

    snprintf(line_buffer, sizeof line_buffer, "%s %s", member.first_name, member.last_name);
    set_fill(placed.page, BLACK);
    // Every line keeps its slot: an empty line draws nothing but the next one still moves down.
    const float text_x = x + CARD_TEXT_INSET;
    float baseline = y - CARD_TOP_SPACE - CARD_NAME_SIZE;
    auto draw_line = [&](HPDF_Font font, float size, const char* text) {
        draw_text(pages, logical_page, page_count, mode, font, size, text_x, baseline, text);
        baseline -= CARD_LINE_PITCH;
    };
    draw_line(bold_font, CARD_NAME_SIZE, line_buffer);
    draw_line(regular_font, CARD_DETAIL_SIZE, member.detail1);
    compose_line3(line_buffer, sizeof line_buffer, member);
    draw_line(regular_font, CARD_DETAIL_SIZE, line_buffer);
    compose_line4(line_buffer, sizeof line_buffer, member);
    draw_line(regular_font, CARD_DETAIL_SIZE, line_buffer);
    draw_line(regular_font, CARD_DETAIL_SIZE, member.detail4);
    draw_line(regular_font, CARD_DETAIL_SIZE, member.detail5);
}
