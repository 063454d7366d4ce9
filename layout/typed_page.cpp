#include "layout/typed_page.h"

#include <algorithm>
#include <cstring>

#include "base/message.h"
#include "layout/draw.h"
#include "layout/folio.h"

namespace {

constexpr RgbColor SUBTITLE_GREY = {0.33f, 0.33f, 0.33f};
constexpr float LABEL_ADVANCE = 12.5f;  // from a label's baseline to its text's
constexpr float TEXT_INDENT = 8.0f;     // of a label's text
constexpr float TEXT_ADVANCE = 14.0f;   // from a text's baseline to the next line's
constexpr float ENTRY_SPACE = 4.0f;     // after a labelled entry
constexpr float GAP_ADVANCE = 8.0f;     // a "-" line
constexpr float NOTES_LINE_PITCH = 20.0f;

// One block line split for drawing: "Label: text" gives both, a plain line text alone.
struct Entry {
    std::string label, text;
    bool gap;
};

Entry parse_entry(const char* line) {
    if (strcmp(line, "-") == 0) return {"", "", true};
    const char* colon = strchr(line, ':');
    if (colon == nullptr) return {"", line, false};
    std::string text = colon + 1;
    text.erase(0, std::min(text.find_first_not_of(' '), text.size()));
    return {std::string(line, static_cast<size_t>(colon - line)), text, false};
}

// The height an entry takes at full size.
float entry_height(const Entry& entry) {
    if (entry.gap) return GAP_ADVANCE;
    if (entry.label.empty()) return TEXT_ADVANCE;
    return LABEL_ADVANCE + (entry.text.empty() ? 0.0f : TEXT_ADVANCE) + ENTRY_SPACE;
}

void add_line(TypedLayout* layout, const TextFont& font, const std::string& text, float size, float x,
              float y, float right, bool label, int source_line) {
    std::string fitted;
    const TextFit fit = fit_text(font, text, size, size * 0.75f, right - x, &fitted);
    layout->lines.push_back({fitted, label, source_line == 0, x, y, fit, source_line});
}

}  // namespace

TypedLayout lay_out_typed_page(const TypedPage& page, const PdfFonts& fonts, const PageGeometry& g) {
    TypedLayout layout = {{}, 0};
    const float left = g.margin_x, right = g.page_width - g.margin_x;
    float top = g.page_height - g.margin_y - HEADING_CONTENT_DROP;
    if (page.subtitle[0] != '\0') {
        add_line(&layout, fonts.regular, page.subtitle, TYPED_TEXT_SIZE, left, top - TYPED_TEXT_SIZE, right,
                 false, 0);
        top -= TYPED_TEXT_SIZE + TEXT_ADVANCE;
    }
    std::vector<Entry> entries;
    float natural = 0.0f;
    for (int i = 0; i < page.line_count; ++i) {
        entries.push_back(parse_entry(page.lines[i]));
        natural += entry_height(entries.back());
    }
    const float room = top - g.margin_y;
    const float scale = natural > 0.0f ? std::clamp(room / natural, TYPED_MIN_SCALE, TYPED_MAX_SCALE) : 1.0f;
    float y = top - TYPED_LABEL_SIZE * scale;  // the first baseline
    for (size_t i = 0; i < entries.size(); ++i) {
        const Entry& e = entries[i];
        const int source = static_cast<int>(i) + 1;
        // An entry whose last baseline would fall below the bottom margin is left out, with
        // all after it.
        const float last_baseline = (!e.label.empty() && !e.text.empty()) ? y - LABEL_ADVANCE * scale : y;
        if (!e.gap && last_baseline < g.margin_y) {
            layout.first_left_out = source;
            break;
        }
        if (!e.label.empty()) {
            add_line(&layout, fonts.bold, e.label, TYPED_LABEL_SIZE * scale, left, y, right, true, source);
            if (!e.text.empty()) {
                add_line(&layout, fonts.regular, e.text, TYPED_TEXT_SIZE * scale, left + TEXT_INDENT * scale,
                         y - LABEL_ADVANCE * scale, right, false, source);
            }
        } else if (!e.gap) {
            add_line(&layout, fonts.regular, e.text, TYPED_TEXT_SIZE * scale, left, y, right, false, source);
        }
        y -= entry_height(e) * scale;
    }
    return layout;
}

void draw_typed_page(const PageTarget& target, const PageGeometry& g, const PdfFonts& fonts,
                     const TypedPage& page, bool numbered) {
    draw_top_heading(target, g, fonts, page.title, numbered);
    const HPDF_Page physical = find_page(target).page;
    for (const TypedLine& line : lay_out_typed_page(page, fonts, g).lines) {
        set_fill(physical, line.label ? ACCENT_COLOR : line.subtitle ? SUBTITLE_GREY : BLACK);
        const float width = g.page_width - g.margin_x - line.x;
        draw_text_in(target, line.label ? fonts.bold : fonts.regular, line.fit.size,
                     reading_x(target, g.page_width, line.x, width), width, line.y, line.text.c_str());
    }
}

void report_typed_page_fit(const char* name, const TypedPage& page, const PdfFonts& fonts,
                           const PageGeometry& geometry) {
    const TypedLayout layout = lay_out_typed_page(page, fonts, geometry);
    for (const TypedLine& line : layout.lines) {
        if (line.source_line == 0) continue;  // the subtitle, said as a line of its own below
        if (line.fit.cut) {
            say("roster.conf: %s line %d is too wide for the page, cut to fit\n", name, line.source_line);
        } else if (line.fit.shrunk) {
            say("roster.conf: %s line %d is too wide for the page, printed at %g pt\n", name,
                line.source_line, line.fit.size);
        }
    }
    if (layout.first_left_out > 0) {
        say("roster.conf: %s lines %d to %d do not fit on the page, left out\n", name, layout.first_left_out,
            page.line_count);
    }
}

void draw_notes_page(const PageTarget& target, const PageGeometry& g, const PdfFonts& fonts,
                     const char* title, bool numbered) {
    float y = draw_top_heading(target, g, fonts, title, numbered);
    const PlacedPage placed = find_page(target);
    set_stroke(placed.page, FRAME_GREY);
    HPDF_Page_SetLineWidth(placed.page, 0.6f);
    for (y -= NOTES_LINE_PITCH; y >= g.margin_y; y -= NOTES_LINE_PITCH) {
        HPDF_Page_MoveTo(placed.page, g.margin_x + placed.x_offset, y);
        HPDF_Page_LineTo(placed.page, g.page_width - g.margin_x + placed.x_offset, y);
    }
    HPDF_Page_Stroke(placed.page);
}
