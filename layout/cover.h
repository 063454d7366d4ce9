// The cover: the cover picture (or a tinted placeholder band) in the upper half, and
// the title and subtitle lines centred in the white lower half.
#pragma once

#include <hpdf.h>

#include <cstdint>

#include "layout/geometry.h"
#include "settings/settings.h"

// Draws the whole cover on `logical_page`, a page of page_width x page_height points.
// Reads the cover path, title and subtitle lines, sizes and colours of `settings`.
// Leaves the fill colour at the subtitle colour.
void draw_cover_page(HPDF_Doc document, const HPDF_Page* pages, int32_t logical_page, int32_t page_count,
                     LayoutMode mode, HPDF_Font regular_font, HPDF_Font bold_font, float page_width,
                     float page_height, const Settings& settings);
