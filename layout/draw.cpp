#include "layout/draw.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <deque>
#include <string>

#include "layout/fit.h"
#include "pdf/document.h"
#include "pdf/libharu_internals.h"
#include "pdf/shape.h"
#include "text/bidi.h"

FittedSize fit_image(float box_width, float box_height, float image_width, float image_height) {
    // A box relatively wider than the image fits its height, any other its width.
    float scale = (box_width / box_height > image_width / image_height) ? box_height / image_height
                                                                        : box_width / image_width;
    return {scale * image_width, scale * image_height};
}

void set_fill(HPDF_Page page, RgbColor color) {
    HPDF_Page_SetRGBFill(page, color.red, color.green, color.blue);
}

void set_stroke(HPDF_Page page, RgbColor color) {
    HPDF_Page_SetRGBStroke(page, color.red, color.green, color.blue);
}

namespace {

// Shows one run of text at the current position; a run in a font without a bold of its own,
// where bold is wanted, is filled and then outlined in its own colour, EMBOLDEN_STROKE of the
// size wide, which is how a one-weight CJK font is made bold. The stroke's colour and width
// are put back (q and Q are not allowed inside a text object).
void show_run(HPDF_Page page, const FontRun& run, float size) {
    const HPDF_RGBColor stroke = HPDF_Page_GetRGBStroke(page);
    const float width = HPDF_Page_GetLineWidth(page);
    if (run.embolden) {
        const HPDF_RGBColor fill = HPDF_Page_GetRGBFill(page);
        HPDF_Page_SetRGBStroke(page, fill.r, fill.g, fill.b);
        HPDF_Page_SetLineWidth(page, size * EMBOLDEN_STROKE);
        HPDF_Page_SetTextRenderingMode(page, HPDF_FILL_THEN_STROKE);
    }
    // libharu wants a terminated string: a run that ends its text already is one.
    const bool terminated = run.bytes.data()[run.bytes.size()] == '\0';
    HPDF_Page_ShowText(page, terminated ? run.bytes.data() : std::string(run.bytes).c_str());
    if (run.embolden) {
        HPDF_Page_SetTextRenderingMode(page, HPDF_FILL);
        HPDF_Page_SetRGBStroke(page, stroke.r, stroke.g, stroke.b);
        HPDF_Page_SetLineWidth(page, width);
    }
}

// Draws the shaped `run` as `glyphs` (draw_shaped); in a font without a bold of its own, where
// bold is wanted, filled and outlined as show_run does, inside q and Q.
void draw_shaped_run(HPDF_Page page, const FontRun& run, const ShapedText& glyphs, bool glyph_by_glyph,
                     float size, float x, float y) {
    if (run.embolden) {
        const HPDF_RGBColor fill = HPDF_Page_GetRGBFill(page);
        char state[96];
        snprintf(state, sizeof state, "q\n%.4f %.4f %.4f RG\n%.4f w\n2 Tr\n", static_cast<double>(fill.r),
                 static_cast<double>(fill.g), static_cast<double>(fill.b),
                 static_cast<double>(size * EMBOLDEN_STROKE));
        write_page_operators(page, state);
    }
    draw_shaped(page, run.shaping, run.bytes, glyphs, run.right_to_left, glyph_by_glyph, size, x, y);
    if (run.embolden) write_page_operators(page, "Q\n");
}

// A line with right-to-left text: each run where display order puts it, but drawn in the order
// the line is written, each in a text object of its own, so readers that take text in the
// order it is drawn (MuPDF, pypdf) copy it as written, and those that put it in display order
// first (poppler) find it where it shows. An ActualText span over the line, tried, was
// reversed by poppler a second time.
void show_bidi_line(HPDF_Page page, const std::vector<FontRun>& runs, float size, float x, float y) {
    std::vector<float> at;
    for (const FontRun& run : runs) {
        at.push_back(x);
        x += run_width(run, size);
    }
    std::vector<size_t> order(runs.size());
    for (size_t i = 0; i < order.size(); ++i) order[i] = i;
    std::stable_sort(order.begin(), order.end(),
                     [&](size_t a, size_t b) { return runs[a].logical < runs[b].logical; });
    for (size_t i : order) {
        const FontRun& run = runs[i];
        if (run.shaping != nullptr) {
            const ShapedText glyphs = shape_text(*run.shaping, run.bytes, run.right_to_left, size);
            draw_shaped_run(page, run, glyphs, true, size, at[i], y);
            continue;
        }
        HPDF_Page_BeginText(page);
        HPDF_Page_SetFontAndSize(page, run.font, size);
        HPDF_Page_MoveTextPos(page, at[i], y);
        show_run(page, run, size);
        HPDF_Page_EndText(page);
    }
}

// One text object; a text that needs fallback fonts changes font inside it, each run
// starting where the one before it ended. A line with shaped text is drawn run by run
// instead, each at the width of those before it, shaped runs outside libharu's text objects;
// a line with right-to-left text as show_bidi_line draws it.
void show_text_at(HPDF_Page page, const TextFont& font, float size, float x, float y, const char* text) {
    std::deque<std::string> storage;
    const std::vector<FontRun> runs = line_runs(font, text, &storage);
    if (has_right_to_left(text)) return show_bidi_line(page, runs, size, x, y);
    const bool shaped = std::any_of(runs.begin(), runs.end(), [](const FontRun& r) { return r.shaping; });
    if (!shaped) HPDF_Page_BeginText(page);
    bool first = true;
    for (const FontRun& run : runs) {
        if (run.shaping != nullptr) {
            const ShapedText glyphs = shape_text(*run.shaping, run.bytes, run.right_to_left, size);
            draw_shaped_run(page, run, glyphs, false, size, x, y);
            x += glyphs.width;
            continue;
        }
        if (shaped) HPDF_Page_BeginText(page);
        HPDF_Page_SetFontAndSize(page, run.font, size);
        if (first || shaped) HPDF_Page_MoveTextPos(page, x, y);
        first = false;
        show_run(page, run, size);
        if (shaped) {
            HPDF_Page_EndText(page);
            x += run_width(run, size);
        }
    }
    if (!shaped) HPDF_Page_EndText(page);
}

}  // namespace

void draw_text(const PageTarget& target, const TextFont& font, float size, float x, float y,
               const char* text) {
    if (text == nullptr || text[0] == '\0') return;
    PlacedPage placed = find_page(target);
    show_text_at(placed.page, font, size, x + placed.x_offset, y, text);
}

void draw_text_centered(const PageTarget& target, const TextFont& font, float size, float x, float y,
                        const char* text) {
    if (text == nullptr || text[0] == '\0') return;
    PlacedPage placed = find_page(target);
    const float width = text_width(font, text, strlen(text), size);
    float start_x = (x + placed.x_offset) - width * 0.5f;
    show_text_at(placed.page, font, size, start_x, y, text);
}

void draw_text_in(const PageTarget& target, const TextFont& font, float size, float x, float width, float y,
                  const char* text) {
    if (!target.right_to_left) return draw_text(target, font, size, x, y, text);
    draw_text_aligned(target, font, size, x, width, y, text);
}

void draw_text_aligned(const PageTarget& target, const TextFont& font, float size, float x, float width,
                       float y, const char* text) {
    if (text == nullptr || text[0] == '\0') return;
    if (!target.right_to_left && !reads_right_to_left(text)) return draw_text(target, font, size, x, y, text);
    PlacedPage placed = find_page(target);
    const float start_x = x + width - text_width(font, text, strlen(text), size);
    show_text_at(placed.page, font, size, start_x + placed.x_offset, y, text);
}

float draw_section_heading(const PageTarget& target, const TextFont& font, float page_width, float x, float y,
                           const char* text, float text_left, float text_right) {
    PlacedPage placed = find_page(target);
    set_fill(placed.page, ACCENT_COLOR);
    draw_text_in(target, font, HEADING_FONT_SIZE, text_left, text_right - text_left, y, text);
    set_stroke(placed.page, ACCENT_COLOR);
    HPDF_Page_SetLineWidth(placed.page, 1.0f);
    HPDF_Page_MoveTo(placed.page, x + placed.x_offset, y - 10.0f);
    HPDF_Page_LineTo(placed.page, page_width - x + placed.x_offset, y - 10.0f);
    HPDF_Page_Stroke(placed.page);
    return y - HEADING_CONTENT_DROP;
}
