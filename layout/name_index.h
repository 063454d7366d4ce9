// The index of names: every person of the roster in sort order with the page their card is
// on, under guide letters, in the card columns over as many pages as it needs.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "layout/geometry.h"
#include "layout/page_plan.h"
#include "pdf/document.h"
#include "roster/roster.h"
#include "settings/settings.h"

constexpr float INDEX_SIZE = 8.0f;
constexpr float INDEX_MIN_SIZE = 6.0f;
constexpr float INDEX_LINE_PITCH = 10.5f;
constexpr float INDEX_GUIDE_SIZE = 10.0f;
constexpr float INDEX_GUIDE_GAP = 5.0f;  // above a guide letter that does not start a column

// One person in the index.
struct IndexEntry {
    std::string text;   // "Smith, Bob"; family first: "山田 太郎"
    std::string guide;  // the letter it stands under ("S")
    size_t card;        // its card's index in roster.people
};

// The index of `roster`: every person, each of a household's too, sorted as the sections
// sort them (by settings.sort_language), with ICU's guide letters for that language.
std::vector<IndexEntry> index_entries(const Roster& roster, const Settings& settings);

// Where one guide letter or entry of the index goes.
struct IndexItem {
    int32_t page;  // from 0, the index's first page
    int column;
    float baseline;
    size_t entry;  // in the entries
    bool guide;    // the entry's guide letter, drawn above it
};

// Lays the entries out in the geometry's columns, under the index's heading on its first
// page: a guide letter over the first entry of each letter, never alone at a column's foot.
std::vector<IndexItem> lay_out_index(const PageGeometry& geometry, std::span<const IndexEntry> entries);

// The pages the index takes: 0 when it has no entries.
int32_t index_page_count(const PageGeometry& geometry, std::span<const IndexEntry> entries);

// The logical (printed) page each card of `roster` is drawn on, by its index in roster.people,
// in the document whose parts `pages` places on `geometry`.
std::vector<int32_t> card_pages(const Roster& roster, const DocumentPages& pages,
                                const PageGeometry& geometry);

// Draws the index from the target page on: its heading `words.index_title`, each entry with
// the page its card is on (`pages`, by card) at the column's right. With `numbered`, page
// numbers, and running heads naming the guide letters on the pages after the first.
void draw_name_index(const PageTarget& first_page, const PageGeometry& geometry, const PdfFonts& fonts,
                     const PageWords& words, std::span<const IndexEntry> entries,
                     std::span<const int32_t> pages, bool numbered);
