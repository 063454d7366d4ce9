// The Callers and Cuers section: each group under its own heading, cards in row order,
// continued on as many pages as the cards need, like the member sections.
#pragma once

#include <cstdint>
#include <span>
#include <vector>

#include "layout/card.h"
#include "layout/geometry.h"
#include "pdf/document.h"
#include "roster/roster.h"

// Where one heading or card of the section goes.
struct SectionItem {
    int32_t page;  // from 0, the section's first page
    float x;       // left edge on the logical page
    float y;       // a heading's baseline, a card's top
    int group;     // 0 callers, 1 cuers
    int index;     // the card's member within its group; -1 for the group's heading
};

// Lays out `caller_count` callers and `cuer_count` cuers on cards of `lines` lines (the
// most either group's section_card_lines gives). A group's heading starts a new
// page when not even one row of cards fits under it; a card row that would come nearer
// the page's bottom edge than the lowest row of a member section continues on the next
// page, 4 pt below the top margin.
std::vector<SectionItem> lay_out_callers(const PageGeometry& geometry, int32_t caller_count,
                                         int32_t cuer_count, int lines = CARD_LINES);

// The pages the section takes: none when nobody is in it.
int32_t callers_page_count(const PageGeometry& geometry, int32_t caller_count, int32_t cuer_count,
                           int lines = CARD_LINES);

// Draws the section from the target page on; with `numbered`, every page carries its
// number and each page that goes on with a group carries a running head. Names print in
// `order`, the groups' headings and "(continued)" in `words`. `photos` holds the callers'
// then the cuers' photos when photos are on (empty: off).
void draw_callers_section(const PageTarget& first_page, const PageGeometry& geometry, const PdfFonts& fonts,
                          std::span<const Member> callers, std::span<const Member> cuers, NameOrder order,
                          const PageWords& words, bool numbered, std::span<const CardPhoto> photos = {});
