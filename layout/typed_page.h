// Pages of text: the committee and schedule pages typed in roster.sdd (a heading, an
// optional subtitle, then "Label: text" entries, plain lines and gaps), and the booklet's
// notes pages (a heading and ruled lines).
#pragma once

#include <string>
#include <vector>

#include "image/image.h"
#include "layout/fit.h"
#include "layout/geometry.h"
#include "pdf/document.h"
#include "settings/settings.h"

constexpr float TYPED_LABEL_SIZE = 10.0f;
constexpr float TYPED_TEXT_SIZE = 10.0f;
constexpr float TYPED_MIN_SCALE = 0.7f;  // a long page shrinks to this, then leaves lines out
constexpr float TYPED_MAX_SCALE = 1.5f;  // a short page grows to this, to fill the page as a picture would

// One line of a typed page as it is drawn.
struct TypedLine {
    std::string text;  // after fitting
    bool label;        // bold in ACCENT_COLOR; else regular black (or grey, the subtitle)
    bool subtitle;
    float x, y;  // start of the baseline on the logical page
    TextFit fit;
    int source_line;  // the block line it comes from, from 1; 0 for the subtitle
};

// The lines of a typed page and the first block line left out for want of room (0: none).
struct TypedLayout {
    std::vector<TypedLine> lines;
    int first_left_out;
};

// A committee or schedule page is typed when roster.sdd gives its block and no picture
// (`image`, null when its file is missing) is there to print instead.
inline bool page_is_typed(const TypedPage& page, const SourceImage* image) {
    return page.given != 0 && image == nullptr;
}

// Lays out `page` under its heading on a page of `geometry`: every size scaled together
// so that the lines fill the page down to its bottom margin (from TYPED_MIN_SCALE to
// TYPED_MAX_SCALE of their size), each line then fitted to the page's width. A label's
// text stands under it, indented.
TypedLayout lay_out_typed_page(const TypedPage& page, const PdfFonts& fonts, const PageGeometry& geometry);

// Draws `page` on the target page; with `numbered`, the page number on the heading's line.
void draw_typed_page(const PageTarget& target, const PageGeometry& geometry, const PdfFonts& fonts,
                     const TypedPage& page, bool numbered);

// Writes "roster.conf: <name> line N is too wide for the page, printed at S pt" (or "cut
// to fit") for each line that had to shrink on a page of `geometry`, and names the lines
// left out: "roster.conf: <name> lines N to M do not fit on the page, left out".
void report_typed_page_fit(const char* name, const TypedPage& page, const PdfFonts& fonts,
                           const PageGeometry& geometry);

// A notes page: the heading `title` ("Notes") and grey ruled lines down to the bottom margin.
void draw_notes_page(const PageTarget& target, const PageGeometry& geometry, const PdfFonts& fonts,
                     const char* title, bool numbered);
