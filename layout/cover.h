// The cover: the cover picture (or a tinted placeholder band) in the upper half, and
// the title and subtitle lines centred in the white lower half.
#pragma once

#include <hpdf.h>

#include <cstdint>

#include "layout/geometry.h"
#include "layout/image.h"
#include "settings/settings.h"

// Draws the whole cover on `logical_page`, a page of page_width x page_height points,
// with `cover` (null: its file is missing) embedded as `options` say. Reads the title
// and subtitle lines, sizes and colours of `settings`. Each
// line fits page_width - 2 * margin_x: shrunk down to half its set size, then cut with
// "…"; it keeps the baseline its set size gives it. Leaves the fill colour at the
// subtitle colour.
void draw_cover_page(HPDF_Doc document, const HPDF_Page* pages, int32_t logical_page, int32_t page_count,
                     LayoutMode mode, HPDF_Font regular_font, HPDF_Font bold_font, float page_width,
                     float page_height, float margin_x, const SourceImage* cover, const ImageOptions& options,
                     const Settings& settings);

// Writes "roster.conf: title line N is too wide for the cover, ..." (and for subtitle
// lines) to stderr for each line that does not fit `text_width` points at its set size.
void report_cover_fit(const Settings& settings, HPDF_Font regular_font, HPDF_Font bold_font,
                      float text_width);
