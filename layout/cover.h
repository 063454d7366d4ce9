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

// The size, in points, a cover picture of width x height pixels is drawn at on a page
// `geometry` gives.
FittedSize cover_image_size(const PageGeometry& geometry, uint32_t width, uint32_t height);

// Writes "roster.conf: title line N is too wide for the cover, ..." (and for subtitle
// lines) to stderr for each line that does not fit `text_width` points at its set size.
void report_cover_fit(const Settings& settings, const PdfFonts& fonts, float text_width);
