// The cover: the cover picture (or a tinted placeholder band) in the upper half, and
// the title and subtitle lines centred in the white lower half.
#pragma once

#include <hpdf.h>

#include <cstdint>

#include "image/image.h"
#include "layout/draw.h"
#include "layout/geometry.h"
#include "pdf/document.h"
#include "settings/settings.h"

// Draws the whole cover on the target page, of the size `geometry` gives, with `cover`
// (null: its file is missing) embedded into `pdf` as `options` say. Reads the title and
// subtitle lines, sizes and colours of `settings`. Each line fits the page width less
// both side margins: shrunk down to half its set size, then cut with "…"; it keeps the
// baseline its set size gives it. Leaves the fill colour at the subtitle colour. A
// picture that cannot be embedded leaves `pdf` failed.
void draw_cover_page(PdfDocument* pdf, const PageTarget& target, const PdfFonts& fonts,
                     const PageGeometry& geometry, const SourceImage* cover, const ImageOptions& options,
                     const Settings& settings);

// Where a cover picture goes on a page `geometry` gives, in points from the trimmed page's
// bottom-left corner. Fitted, it is whole in the upper half, hung 10 pt below the top edge.
// Filled (a print shop's page, or any page with a `focus` other than COVER_FIT), it covers
// its area and is shown only inside it: the upper half out into the bleed at the sides and
// head, or without a bleed the fitted picture's box; the part `focus` names is kept (the
// centre for COVER_FIT).
struct CoverPlacement {
    FittedSize drawn;  // the whole picture's size
    float x, top;      // its left edge and top
    bool filled;
    float area_left, area_bottom, area_width, area_height;  // what shows of a filled picture
};
CoverPlacement place_cover_image(const PageGeometry& geometry, uint32_t width, uint32_t height,
                                 CoverFocus focus);

// Says once, as a note, when a filled cover in any document the run makes shows less than two
// thirds of `cover`: "Note: cover.jpg: filling the cover to its edges cuts off 41 % of the
// picture (Cover Focus says which part is kept)".
void report_cover_cut(const Settings& settings, const SourceImage& cover);

// Writes "roster.conf: title line N is too wide for the cover, ..." (and for subtitle
// lines) to stderr for each line that does not fit `text_width` points at its set size.
void report_cover_fit(const Settings& settings, const PdfFonts& fonts, float text_width);
