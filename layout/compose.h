// Draws every logical page of one output document: cover, committee page, the Callers and
// Cuers, Members and New Dancers sections, spare pages and the schedule page.
#pragma once

#include <span>
#include <vector>

#include "image/image.h"
#include "layout/card.h"
#include "layout/geometry.h"
#include "layout/name_index.h"
#include "layout/page_plan.h"
#include "pdf/document.h"
#include "roster/roster.h"
#include "settings/settings.h"

// The pictures of a roster, decoded once for every document; a null one is missing and its
// page shows a placeholder.
struct RosterImages {
    const SourceImage* pictures[PICTURE_SLOT_COUNT];  // by PictureSlot
    ImageOptions options;
    // With member photos on, each card's photo by its index in roster.people, prepared at
    // photo_pixels; a null one (or none past the end) shows the person's initials.
    std::span<const SourceImage* const> photos = {};
};

// Composes one document on the physical pages of `pdf`, each part on the page `pages`
// gives it, with `geometry`'s page size and grid: page numbers and running heads unless
// settings.page_numbers is 0, typed committee and schedule pages where roster.sdd gives
// them and no picture is there, notes on the booklet's spare pages when asked. The
// settings, groups and images are only read. Stops after the part in which `pdf` failed (a
// picture that could not be embedded, a libharu error) and returns false; true when every
// page was drawn. The index of names, `index` (index_entries), goes on pages.index_page on.
bool compose_document(PdfDocument* pdf, const DocumentPages& pages, const PageGeometry& geometry,
                      const Settings& settings, const Roster& roster, const RosterImages& images,
                      std::span<const IndexEntry> index = {});

// Card `card`'s photo (by its index in roster.people) embedded in `pdf` at the size it was
// prepared at; the initials' frame (a null image) where it has none.
CardPhoto card_photo(PdfDocument* pdf, const RosterImages& images, size_t card);

// Every card's photo, card_photo of each, embedded once in `pdf`.
std::vector<CardPhoto> card_photos(PdfDocument* pdf, const Roster& roster, const RosterImages& images);

// The sizes `image` is embedded at in the run's documents as `settings` has them (the
// print shop's too when it names one, in the press's CMYK when it asks for that), drawn at
// `place`. Writes one size per document into `sizes` and returns how many.
int planned_picture_sizes(const SourceImage& image, PicturePlace place, const Settings& settings,
                          PictureSize (&sizes)[MAX_PICTURE_SIZES]);
