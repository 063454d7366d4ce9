#include "layout/draw.h"

#include <cstring>

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

void show_text_at(HPDF_Page page, HPDF_Font font, float size, float x, float y, const char* text) {
    HPDF_Page_BeginText(page);
    HPDF_Page_SetFontAndSize(page, font, size);
    HPDF_Page_MoveTextPos(page, x, y);
    HPDF_Page_ShowText(page, text);
    HPDF_Page_EndText(page);
}

}  // namespace

void draw_text(const HPDF_Page* pages, int32_t logical_page, int32_t page_count, LayoutMode mode,
               HPDF_Font font, float size, float x, float y, const char* text) {
    if (text == nullptr || text[0] == '\0') return;
    PlacedPage placed = find_page(pages, logical_page, page_count, mode);
    show_text_at(placed.page, font, size, x + placed.x_offset, y, text);
}

void draw_text_centered(const HPDF_Page* pages, int32_t logical_page, int32_t page_count, LayoutMode mode,
                        HPDF_Font font, float size, float x, float y, const char* text) {
    if (text == nullptr || text[0] == '\0') return;
    PlacedPage placed = find_page(pages, logical_page, page_count, mode);
    HPDF_TextWidth measured = HPDF_Font_TextWidth(font, reinterpret_cast<const HPDF_BYTE*>(text),
                                                  static_cast<HPDF_UINT>(strlen(text)));
    float width = static_cast<float>(measured.width);
    float start_x = (x + placed.x_offset) - (width * size / 1000.0f) * 0.5f;
    show_text_at(placed.page, font, size, start_x, y, text);
}

float draw_section_heading(const HPDF_Page* pages, int32_t logical_page, int32_t page_count, LayoutMode mode,
                           HPDF_Font font, float page_width, float x, float y, const char* text) {
    PlacedPage placed = find_page(pages, logical_page, page_count, mode);
    set_fill(placed.page, ACCENT_COLOR);
    draw_text(pages, logical_page, page_count, mode, font, HEADING_FONT_SIZE, x, y, text);
    set_stroke(placed.page, ACCENT_COLOR);
    HPDF_Page_SetLineWidth(placed.page, 1.0f);
    HPDF_Page_MoveTo(placed.page, x + placed.x_offset, y - 10.0f);
    HPDF_Page_LineTo(placed.page, page_width - x + placed.x_offset, y - 10.0f);
    HPDF_Page_Stroke(placed.page);
    return y - HEADING_CONTENT_DROP;
}

void draw_image_panel(HPDF_Doc document, const HPDF_Page* pages, int32_t logical_page, int32_t page_count,
                      LayoutMode mode, HPDF_Font font, const SourceImage* image, const ImageOptions& options,
                      const char* placeholder_text, float page_width, float page_height, float margin_x,
                      float margin_y) {
    const float box_width = page_width - 2.0f * margin_x;
    const float box_height = page_height - 2.0f * margin_y;
    PlacedPage placed = find_page(pages, logical_page, page_count, mode);
    if (image != nullptr) {
        // Fitted with the source's own pixel size, so a reduced copy is drawn just as large.
        FittedSize drawn = fit_image(box_width, box_height, static_cast<float>(image->width),
                                     static_cast<float>(image->height));
        HPDF_Image embedded = embed_image(document, *image, drawn.width, drawn.height, options);
        HPDF_Page_DrawImage(placed.page, embedded,
                            placed.x_offset + margin_x + (box_width - drawn.width) * 0.5f,
                            page_height - margin_y - drawn.height, drawn.width, drawn.height);
        return;
    }
    set_stroke(placed.page, FRAME_GREY);
    HPDF_Page_SetLineWidth(placed.page, 1.0f);
    HPDF_Page_Rectangle(placed.page, placed.x_offset + margin_x, margin_y, box_width, box_height);
    HPDF_Page_Stroke(placed.page);
    set_fill(placed.page, ACCENT_COLOR);
    draw_text_centered(pages, logical_page, page_count, mode, font, PLACEHOLDER_FONT_SIZE, page_width * 0.5f,
                       page_height * 0.5f, placeholder_text);
}
