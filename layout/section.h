// The Members and New Dancers sections: grids of member cards over as many logical
// pages as the group needs, with the section heading on the first page only.
#pragma once

#include <hpdf.h>

#include <cstdint>

#include "layout/geometry.h"
#include "roster/roster.h"

// Draws `count` cards of `members` (already sorted) from logical page `first_page` on,
// columns x rows cards a page. `label_sequence` 1 fills each page column by column,
// any other value row by row.
void draw_member_section(const HPDF_Page* pages, int32_t first_page, int32_t page_count, LayoutMode mode,
                         const PageGeometry& geometry, HPDF_Font regular_font, HPDF_Font bold_font,
                         int32_t label_sequence, const char* heading, const Member* members, int32_t count);
