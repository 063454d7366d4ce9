#include "layout/cover.h"

#include <algorithm>
#include <cmath>

#include "base/message.h"
#include "layout/draw.h"
#include "layout/fit.h"
#include "layout/image_page.h"
#include "pdf/embed.h"
#include "roster/photo.h"

namespace {

constexpr RgbColor PLACEHOLDER_BAND_COLOR = {0.80f, 0.86f, 0.93f};
constexpr RgbColor WHITE = {1.0f, 1.0f, 1.0f};
constexpr float IMAGE_TOP_SPACE = 10.0f;
constexpr float ESTIMATE_LINE_PITCH = 11.5f;
constexpr float TITLE_SUBTITLE_GAP = 17.25f;

RgbColor color_of(const float color[3]) { return {color[0], color[1], color[2]}; }

void draw_cover_image(PdfDocument* pdf, PlacedPage placed, const SourceImage& cover,
                      const ImageOptions& options, const PageGeometry& geometry, CoverFocus focus) {
    const CoverPlacement at = place_cover_image(geometry, cover.width, cover.height, focus);
    HPDF_Image image = embed_image(pdf, cover, at.drawn.width, at.drawn.height, options);
    if (image == nullptr) return;
    if (at.filled) {  // shown only inside its area
        HPDF_Page_GSave(placed.page);
        HPDF_Page_Rectangle(placed.page, placed.x_offset + at.area_left, at.area_bottom, at.area_width,
                            at.area_height);
        HPDF_Page_Clip(placed.page);
        HPDF_Page_EndPath(placed.page);
    }
    HPDF_Page_DrawImage(placed.page, image, placed.x_offset + at.x, at.top - at.drawn.height, at.drawn.width,
                        at.drawn.height);
    if (at.filled) HPDF_Page_GRestore(placed.page);
}

void fill_band(HPDF_Page page, RgbColor color, float x, float y, float width, float height) {
    set_fill(page, color);
    HPDF_Page_Rectangle(page, x, y, width, height);
    HPDF_Page_Fill(page);
}

// The block is centred on its estimated height, which counts 11.5 pt per further line
// whatever the font sizes are.
float first_baseline(const Settings& settings, float page_height, float gap) {
    const float title_lines = static_cast<float>(settings.title_line_count);
    const float subtitle_lines = static_cast<float>(settings.subtitle_line_count);
    float estimate = ((title_lines - 1.0f) * ESTIMATE_LINE_PITCH + settings.title_font_size) + gap +
                     ((subtitle_lines - 1.0f) * ESTIMATE_LINE_PITCH + settings.subtitle_font_size);
    return estimate * 0.5f + page_height * 0.25f;
}

// A cover line may shrink to half its set size before it is cut.
TextFit fit_cover_line(const TextFont& font, const char* line, float size, float text_width,
                       std::string* fitted) {
    return fit_text(font, line, size, size * 0.5f, text_width, fitted);
}

}  // namespace

CoverPlacement place_cover_image(const PageGeometry& geometry, uint32_t width, uint32_t height,
                                 CoverFocus focus) {
    const float page_width = geometry.page_width, half = geometry.page_height * 0.5f, bleed = geometry.bleed;
    const float w = static_cast<float>(width), h = static_cast<float>(height);
    CoverPlacement at = {};
    at.filled = bleed > 0.0f || focus != COVER_FIT;
    if (!at.filled) {
        at.drawn = fit_image(page_width, half, w, h);
        at.x = (page_width - at.drawn.width) * 0.5f;
        at.top = geometry.page_height - IMAGE_TOP_SPACE;
        return at;
    }
    at.area_left = -bleed;
    at.area_bottom = half;
    at.area_width = page_width + 2.0f * bleed;
    at.area_height = bleed > 0.0f ? half + bleed : half - IMAGE_TOP_SPACE;
    const float scale = std::max(at.area_width / w, at.area_height / h);
    at.drawn = {w * scale, h * scale};
    bool known = true;
    const PhotoFocus keep = photo_focus(focus == COVER_FIT ? "centre" : cover_focus_name(focus), &known);
    at.x = at.area_left - (at.drawn.width - at.area_width) * keep.across;
    at.top = at.area_bottom + at.area_height + (at.drawn.height - at.area_height) * keep.down;
    return at;
}

void report_cover_cut(const Settings& settings, const SourceImage& cover) {
    float shown = 1.0f;
    for (LayoutMode mode : documents_made(settings)) {
        const CoverPlacement at = place_cover_image(page_geometry(settings.paper_size, mode), cover.width,
                                                    cover.height, settings.cover_focus);
        if (at.filled)
            shown = std::min(shown, at.area_width * at.area_height / (at.drawn.width * at.drawn.height));
    }
    if (shown < 2.0f / 3.0f) {
        say("Note: %s: filling the cover to its edges cuts off %d %% of the picture (Cover Focus says which "
            "part is kept)\n",
            cover.path, static_cast<int>(std::lround((1.0f - shown) * 100.0f)));
    }
}

void draw_cover_page(PdfDocument* pdf, const PageTarget& target, const PdfFonts& fonts,
                     const PageGeometry& geometry, const SourceImage* cover, const ImageOptions& options,
                     const Settings& settings) {
    const float page_width = geometry.page_width, page_height = geometry.page_height;
    PlacedPage placed = find_page(target);
    const float band_height = page_height * 0.5f;
    if (cover != nullptr) {
        draw_cover_image(pdf, placed, *cover, options, geometry, settings.cover_focus);
    } else if (target.mode != LAYOUT_PRINT_SHOP) {  // the shop's cover is finished as it is
        fill_band(placed.page, PLACEHOLDER_BAND_COLOR, placed.x_offset, band_height, page_width, band_height);
        set_fill(placed.page, ACCENT_COLOR);
        draw_text_centered(
            target, fonts.regular, PLACEHOLDER_FONT_SIZE, page_width * 0.5f, page_height * 0.75f,
            placeholder_text(settings.words, picture_shown_name(settings, SLOT_COVER)).c_str());
    }
    // Painted after the picture, so the white band also trims a picture that hangs lower,
    // in the bleed around the band too.
    const float bleed = geometry.bleed;
    fill_band(placed.page, WHITE, placed.x_offset - bleed, -bleed, page_width + 2.0f * bleed,
              band_height + bleed);

    const bool both_groups = settings.title_line_count > 0 && settings.subtitle_line_count > 0;
    const float gap = both_groups ? TITLE_SUBTITLE_GAP : 0.0f;
    const float text_width = page_width - 2.0f * geometry.margin_x;
    std::string fitted;
    // A shrunk line keeps its slot: the block is placed and advanced with the set sizes.
    float y = first_baseline(settings, page_height, gap);
    set_fill(placed.page, color_of(settings.title_color));
    for (int i = 0; i < settings.title_line_count; ++i) {
        TextFit fit = fit_cover_line(fonts.bold, settings.title_lines[i], settings.title_font_size,
                                     text_width, &fitted);
        draw_text_centered(target, fonts.bold, fit.size, page_width * 0.5f, y, fitted.c_str());
        y -= settings.title_font_size;
    }
    y -= gap;
    set_fill(placed.page, color_of(settings.subtitle_color));
    for (int j = 0; j < settings.subtitle_line_count; ++j) {
        TextFit fit = fit_cover_line(fonts.regular, settings.subtitle_lines[j], settings.subtitle_font_size,
                                     text_width, &fitted);
        draw_text_centered(target, fonts.regular, fit.size, page_width * 0.5f, y, fitted.c_str());
        y -= settings.subtitle_font_size;
    }
}

void report_cover_fit(const Settings& settings, const PdfFonts& fonts, float text_width) {
    const struct {
        const char* name;
        const char (*lines)[SETTINGS_LINE_SIZE];
        int count;
        float size;
        const TextFont& font;
    } groups[2] = {
        {"title", settings.title_lines, settings.title_line_count, settings.title_font_size, fonts.bold},
        {"subtitle", settings.subtitle_lines, settings.subtitle_line_count, settings.subtitle_font_size,
         fonts.regular},
    };
    std::string fitted;
    for (const auto& group : groups) {
        for (int i = 0; i < group.count; ++i) {
            TextFit fit = fit_cover_line(group.font, group.lines[i], group.size, text_width, &fitted);
            if (fit.cut) {
                say("roster.conf: %s line %d is too wide for the cover, cut to fit\n", group.name, i + 1);
            } else if (fit.shrunk) {
                say("roster.conf: %s line %d is too wide for the cover, printed at %g pt\n", group.name,
                    i + 1, fit.size);
            }
        }
    }
}
