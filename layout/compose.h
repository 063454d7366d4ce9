// Draws every logical page of one output document: cover, committee page, Callers and
// Cuers, the Members and New Dancers sections, and the schedule page.
#pragma once

#include <hpdf.h>

#include <cstdint>

#include "layout/geometry.h"
#include "layout/image.h"
#include "roster/roster.h"
#include "settings/settings.h"

// The three pictures of a roster, decoded once for both documents; a null one is missing
// and its page shows a placeholder.
struct RosterImages {
    const SourceImage* cover;
    const SourceImage* committee;
    const SourceImage* schedule;
    ImageOptions options;
};

// Composes one document of `page_count` logical pages on `pages`. The page numbers say
// where each part goes (the schedule on the last page); the groups and images are only
// read. Each caller or cuer whose card the Callers and Cuers page cannot hold is named
// in a warning.
void compose_document(HPDF_Doc document, const HPDF_Page* pages, int32_t page_count, LayoutMode mode,
                      const PageGeometry& geometry, HPDF_Font regular_font, HPDF_Font bold_font,
                      const Settings& settings, int32_t cover_page, int32_t committee_page,
                      int32_t callers_page, int32_t members_page, int32_t member_count,
                      int32_t new_dancers_page, int32_t new_dancer_count, int32_t schedule_page,
                      const Member* callers, int32_t caller_count, const Member* cuers, int32_t cuer_count,
                      const Member* members, const Member* new_dancers, const RosterImages& images);
