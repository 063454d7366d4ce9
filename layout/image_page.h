// The committee and schedule pages: a picture filling the page inside its margins, or a
// framed placeholder naming the missing file.
#pragma once

#include <hpdf.h>

#include <string>

#include "image/image.h"
#include "layout/draw.h"
#include "layout/geometry.h"
#include "pdf/document.h"
#include "settings/settings.h"

// A missing picture's placeholder in the club's words (Picture Missing), `file` where {file}
// stands: "[cover.png not found]" in English.
std::string placeholder_text(const PageWords& words, const std::string& file);

// Fills the page inside its margins with `image`, keeping its aspect ratio, centred across
// and hung from the top margin, embedded into `pdf` as `options` say. A null image (its
// file is missing) gives a grey frame with `placeholder_text` in its middle instead. An
// image that cannot be embedded leaves the page empty and `pdf` failed.
void draw_image_panel(PdfDocument* pdf, const PageTarget& target, const TextFont& font,
                      const SourceImage* image, const ImageOptions& options, const char* placeholder_text,
                      const PageGeometry& geometry);

// The size, in points, a picture of width x height pixels is drawn at on a committee or
// schedule page `geometry` gives.
FittedSize panel_image_size(const PageGeometry& geometry, uint32_t width, uint32_t height);
