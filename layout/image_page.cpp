#include "layout/image_page.h"

#include "layout/draw.h"
#include "pdf/embed.h"

// Fitted with the source's own pixel size, so a reduced copy is drawn just as large.
FittedSize panel_image_size(const PageGeometry& geometry, uint32_t width, uint32_t height) {
    return fit_image(geometry.page_width - 2.0f * geometry.margin_x,
                     geometry.page_height - 2.0f * geometry.margin_y, static_cast<float>(width),
                     static_cast<float>(height));
}

void draw_image_panel(PdfDocument* pdf, const PageTarget& target, const TextFont& font,
                      const SourceImage* image, const ImageOptions& options, const char* placeholder_text,
                      const PageGeometry& geometry) {
    const float margin_x = geometry.margin_x, margin_y = geometry.margin_y;
    const float box_width = geometry.page_width - 2.0f * margin_x;
    const float box_height = geometry.page_height - 2.0f * margin_y;
    PlacedPage placed = find_page(target);
    if (image != nullptr) {
        const FittedSize drawn = panel_image_size(geometry, image->width, image->height);
        HPDF_Image embedded = embed_image(pdf, *image, drawn.width, drawn.height, options);
        if (embedded == nullptr) return;
        HPDF_Page_DrawImage(placed.page, embedded,
                            placed.x_offset + margin_x + (box_width - drawn.width) * 0.5f,
                            geometry.page_height - margin_y - drawn.height, drawn.width, drawn.height);
        return;
    }
    set_stroke(placed.page, FRAME_GREY);
    HPDF_Page_SetLineWidth(placed.page, 1.0f);
    HPDF_Page_Rectangle(placed.page, placed.x_offset + margin_x, margin_y, box_width, box_height);
    HPDF_Page_Stroke(placed.page);
    set_fill(placed.page, ACCENT_COLOR);
    draw_text_centered(target, font, PLACEHOLDER_FONT_SIZE, geometry.page_width * 0.5f,
                       geometry.page_height * 0.5f, placeholder_text);
}

std::string placeholder_text(const PageWords& words, const std::string& file) {
    std::string text = words.picture_missing;
    const size_t at = text.find(PICTURE_MISSING_FILE);
    if (at != std::string::npos) text.replace(at, std::string_view(PICTURE_MISSING_FILE).size(), file);
    return text;
}
