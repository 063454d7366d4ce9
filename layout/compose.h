// Draws every logical page of one output document: cover, committee page, Callers and
// Cuers, the Members and New Dancers sections, and the schedule page.
#pragma once

#include "image/image.h"
#include "layout/geometry.h"
#include "layout/page_plan.h"
#include "pdf/document.h"
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

// Composes one document on the physical pages of `pdf`, each part on the page `pages`
// gives it, with `geometry`'s page size and grid. The settings, groups and images are only
// read. Each caller or cuer whose card the Callers and Cuers page cannot hold is named in a
// warning. Stops after the part in which `pdf` failed (a picture that could not be
// embedded, a libharu error) and returns false; true when every page was drawn.
bool compose_document(PdfDocument* pdf, const DocumentPages& pages, const PageGeometry& geometry,
                      const Settings& settings, const RosterGroups& groups, const RosterImages& images);
