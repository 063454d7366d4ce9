// Drawing primitives on logical pages: left-aligned and centred text and section headings
// with their rule. Every operation takes the page target, works in logical-page points and
// adds the imposition's x offset itself.
#pragma once

#include <hpdf.h>

#include <cstdint>

#include "layout/geometry.h"
#include "pdf/fonts.h"

struct RgbColor {
    float red, green, blue;  // 0..1
};

constexpr RgbColor ACCENT_COLOR = {0.10f, 0.23f, 0.36f};  // headings, rules, placeholder texts
constexpr RgbColor FRAME_GREY = {0.83f, 0.83f, 0.83f};    // placeholder frames and card outlines
constexpr RgbColor BLACK = {0.0f, 0.0f, 0.0f};
constexpr float HEADING_FONT_SIZE = 13.0f;
constexpr float PLACEHOLDER_FONT_SIZE = 9.0f;
constexpr float EMBOLDEN_STROKE = 0.04f;  // the outline that makes a one-weight font bold, per point of size
constexpr float HEADING_CONTENT_DROP = 24.0f;  // from a heading's baseline to the content below it
// A page that goes on with a section has no heading: its cards start 4 pt below the top margin.
constexpr float CONTINUATION_TOP_SPACE = 4.0f;

// The size an image of image_width x image_height pixels is drawn at to fit a box,
// keeping its proportions and scaled up or down without limit.
struct FittedSize {
    float width, height;
};
FittedSize fit_image(float box_width, float box_height, float image_width, float image_height);

void set_fill(HPDF_Page page, RgbColor color);
void set_stroke(HPDF_Page page, RgbColor color);

// Draws `text` with its baseline starting at (x, y) in the page's current fill colour.
// A null or empty text draws nothing and looks no page up.
void draw_text(const PageTarget& target, const TextFont& font, float size, float x, float y,
               const char* text);

// As draw_text, with the text centred on x (its width measured with `font` at `size`).
void draw_text_centered(const PageTarget& target, const TextFont& font, float size, float x, float y,
                        const char* text);

// As draw_text in the box [x, x + width]: starting at x, or ending at x + width on a page
// that reads from the right.
void draw_text_in(const PageTarget& target, const TextFont& font, float size, float x, float width, float y,
                  const char* text);

// As draw_text_in, a text that reads from the right (Hebrew) also ending at x + width on a
// left-to-right page.
void draw_text_aligned(const PageTarget& target, const TextFont& font, float size, float x, float width,
                       float y, const char* text);

// Draws `text` at 13 pt in ACCENT_COLOR on baseline y, as draw_text_in places it in
// [text_left, text_right] (the line but where a page number stands), and a 1 pt rule 10 pt
// below it from x to page_width - x. Returns y - 24, where the content below starts. Leaves
// fill and stroke colour ACCENT_COLOR and line width 1.
float draw_section_heading(const PageTarget& target, const TextFont& font, float page_width, float x, float y,
                           const char* text, float text_left, float text_right);
