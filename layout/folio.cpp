#include "layout/folio.h"

#include <cstring>
#include <string>

#include "layout/draw.h"
#include "layout/fit.h"

namespace {

float top_line(const PageGeometry& g) { return g.page_height - g.margin_y; }

std::string page_number(const PageTarget& target) { return std::to_string(target.logical_page); }

float number_width(const PageTarget& target, const TextFont& font) {
    const std::string number = page_number(target);
    return text_width(font, number.c_str(), number.size(), FOLIO_SIZE);
}

}  // namespace

TopLine draw_page_number(const PageTarget& target, const PageGeometry& g, const TextFont& font) {
    const float width = number_width(target, font);
    const bool right = outer_edge_right(target);
    set_fill(find_page(target).page, ACCENT_COLOR);
    draw_text(target, font, FOLIO_SIZE, right ? g.page_width - g.margin_x - width : g.margin_x, top_line(g),
              page_number(target).c_str());
    return right ? TopLine{g.margin_x, g.page_width - g.margin_x - width - FOLIO_GAP}
                 : TopLine{g.margin_x + width + FOLIO_GAP, g.page_width - g.margin_x};
}

float draw_top_heading(const PageTarget& target, const PageGeometry& g, const PdfFonts& fonts,
                       const char* heading, bool numbered) {
    const TopLine line = numbered ? draw_page_number(target, g, fonts.regular)
                                  : TopLine{g.margin_x, g.page_width - g.margin_x};
    return draw_section_heading(target, fonts.bold, g.page_width, g.margin_x, top_line(g), heading, line.left,
                                line.right);
}

void draw_running_head(const PageTarget& target, const PageGeometry& g, const TextFont& font,
                       const char* continued, const char* section, const char* first_surname,
                       const char* last_surname) {
    const TopLine line = draw_page_number(target, g, font);
    std::string head = std::string(section) + " (" + continued + ") \xC2\xB7 " + first_surname;
    if (strcmp(first_surname, last_surname) != 0) head += std::string(" \xE2\x80\x93 ") + last_surname;
    std::string fitted;
    const TextFit fit =
        fit_text(font, head, FOLIO_SIZE, RUNNING_HEAD_MIN_SIZE, line.right - line.left, &fitted);
    draw_text_in(target, font, fit.size, line.left, line.right - line.left, top_line(g), fitted.c_str());
}
