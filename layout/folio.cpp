#include "layout/folio.h"

#include <cstdio>
#include <cstring>
#include <string>

#include "layout/draw.h"
#include "layout/fit.h"

namespace {

float top_line(const PageGeometry& g) { return g.page_height - g.margin_y; }

}  // namespace

float draw_page_number(const PageTarget& target, const PageGeometry& g, const TextFont& font) {
    char number[16];
    snprintf(number, sizeof number, "%d", target.logical_page);
    const float width = text_width(font, number, strlen(number), FOLIO_SIZE);
    const bool odd = target.logical_page % 2 == 1;
    set_fill(find_page(target).page, ACCENT_COLOR);
    draw_text(target, font, FOLIO_SIZE, odd ? g.page_width - g.margin_x - width : g.margin_x, top_line(g),
              number);
    return odd ? g.margin_x : g.margin_x + width + FOLIO_GAP;
}

void draw_running_head(const PageTarget& target, const PageGeometry& g, const TextFont& font,
                       const char* section, const char* first_surname, const char* last_surname) {
    const float start = draw_page_number(target, g, font);
    std::string head = std::string(section) + " (continued) \xC2\xB7 " + first_surname;
    if (strcmp(first_surname, last_surname) != 0) head += std::string(" \xE2\x80\x93 ") + last_surname;
    char number[16];
    snprintf(number, sizeof number, "%d", target.logical_page);
    // The line holds the number and the gap beside it on either side.
    const float room =
        g.page_width - 2.0f * g.margin_x - text_width(font, number, strlen(number), FOLIO_SIZE) - FOLIO_GAP;
    char fitted[512];
    const TextFit fit =
        fit_text(font, head.c_str(), FOLIO_SIZE, RUNNING_HEAD_MIN_SIZE, room, fitted, sizeof fitted);
    draw_text(target, font, fit.size, start, top_line(g), fitted);
}
