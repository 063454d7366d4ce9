// The Members and New Dancers sections: grids of member cards over as many logical
// pages as the group needs, with the section heading on the first page only and a running
// head on the others.
#pragma once

#include <span>

#include "layout/card.h"
#include "layout/geometry.h"
#include "pdf/document.h"
#include "roster/roster.h"
#include "settings/settings.h"

// Draws the cards of `members` (already sorted) from the target page on, columns x rows
// cards a page (fewer rows when a household's card needs more lines: section_card_lines), filling each page
// column by column or row by row as `sequence` says. With `numbered`, every page carries its number, and each
// page after the first a running head. Names print in `order`; a running head says `words.continued`.
// `photos` holds each member's photo when photos are on (empty: off).
void draw_member_section(const PageTarget& first_page, const PageGeometry& geometry, const PdfFonts& fonts,
                         LabelSequence sequence, NameOrder order, const PageWords& words, const char* heading,
                         std::span<const Member> members, bool numbered,
                         std::span<const CardPhoto> photos = {});
