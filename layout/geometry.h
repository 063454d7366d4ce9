// Page geometry of both documents, the page target every drawing operation names, and the
// booklet imposition: which physical page, and which half of it, carries each logical page.
#pragma once

#include <hpdf.h>

#include <cstdint>
#include <optional>
#include <span>

#include "settings/settings.h"

// The documents a run makes, each a kind of layout.
enum LayoutMode : int32_t {
    LAYOUT_BOOKLET = 0,     // landscape sheets, two pages a side, imposed for folding
    LAYOUT_STANDARD = 1,    // portrait pages, one a side
    LAYOUT_PRINT_SHOP = 2,  // the booklet's pages one by one, in reading order, with bleed
};
constexpr int LAYOUT_COUNT = 3;

// One logical page of a document, in points, and the physical page (sheet side) that
// carries it. Invariant: 1 <= columns <= 3, rows >= 1.
struct PageGeometry {
    float page_width;
    float page_height;
    float margin_x;      // left margin; rules and image panels keep it on the right too
    float margin_y;      // top margin; image panels keep it at the bottom too
    float column_width;  // one card column; columns are 10 pt apart
    int32_t columns;
    int32_t rows;
    float sheet_width;  // the physical page: two logical pages side by side in the booklet
    float sheet_height;
    float bleed;  // print shop: the margin around the trimmed page that pictures reach into
};

constexpr float COLUMN_GUTTER = 10.0f;
constexpr int MAX_COLUMNS = 3;
constexpr float PRINT_SHOP_BLEED = 9.0f;  // 0.125 in
// Crop marks run from 12 to 30 pt outside the trim, clear of the bleed; the print shop's
// page then grows by CROP_MARKS_MARGIN beyond the bleed on every side.
constexpr float CROP_MARK_START = 12.0f;
constexpr float CROP_MARK_END = 30.0f;
constexpr float CROP_MARKS_MARGIN = 27.0f;
// A5's width, 148 mm: the print shop trims an A4 booklet's page to it, where half the A4
// sheet is 148.5 mm.
constexpr float A5_WIDTH = 148.0f * 72.0f / 25.4f;
constexpr float BOOKLET_HALF_WIDTH = 396.0f;  // half of the 792 pt landscape Letter sheet

// A4 is 595.28 x 841.89 pt; its booklet pages are A5, half the landscape sheet.
constexpr float A4_SHORT_SIDE = 595.28f;
constexpr float A4_LONG_SIDE = 841.89f;
// The least space below the lowest card of a section's first page: 0.25 in, what most
// printers leave unprinted.
constexpr float PRINTABLE_EDGE = 18.0f;

// The card rows that fit under a section heading at the top margin with the lowest card
// at least PRINTABLE_EDGE above the page's bottom edge (cards 74 pt high, 78 pt apart,
// the first 24 pt below the heading's baseline).
constexpr int32_t rows_that_fit(float page_height, float margin_y) {
    return static_cast<int32_t>((page_height - margin_y - 24.0f - 74.0f - PRINTABLE_EDGE) / 78.0f) + 1;
}

// A page of `columns` card columns `page_width` wide with `margin_x`: the column width
// that leaves 10 pt between columns.
constexpr float column_width_for(float page_width, float margin_x, int32_t columns) {
    return (page_width - 2.0f * margin_x - static_cast<float>(columns - 1) * COLUMN_GUTTER) /
           static_cast<float>(columns);
}

// Every sheet's pages follow one rule: the booklet's page is half the landscape sheet, two
// card columns, margins 22 x 28 pt; the standard page is the portrait sheet, three columns,
// margins 28 x 36 pt; the rows are as many as rows_that_fit allows, except `rows` given.
constexpr PageGeometry booklet_geometry(float short_side, float long_side) {
    return {long_side / 2.0f,
            short_side,
            22.0f,
            28.0f,
            column_width_for(long_side / 2.0f, 22.0f, 2),
            2,
            rows_that_fit(short_side, 28.0f),
            long_side,
            short_side,
            0.0f};
}
constexpr PageGeometry standard_geometry(float short_side, float long_side, int32_t rows) {
    return {short_side, long_side, 28.0f,      36.0f,     column_width_for(short_side, 28.0f, 3),
            3,          rows,      short_side, long_side, 0.0f};
}

// Letter's standard page has room for nine rows by the rule, but has printed eight since the
// first rosters: a ninth would move every card after the first page of a roster clubs have
// printed for years, so Letter keeps its eight. A4, added later, takes the rule's nine.
constexpr int32_t LETTER_STANDARD_ROWS = 8;
constexpr float LETTER_SHORT_SIDE = 612.0f;
constexpr float LETTER_LONG_SIDE = 792.0f;

constexpr PageGeometry BOOKLET_GEOMETRY = booklet_geometry(LETTER_SHORT_SIDE, LETTER_LONG_SIDE);
constexpr PageGeometry STANDARD_GEOMETRY =
    standard_geometry(LETTER_SHORT_SIDE, LETTER_LONG_SIDE, LETTER_STANDARD_ROWS);
constexpr PageGeometry A4_BOOKLET_GEOMETRY = booklet_geometry(A4_SHORT_SIDE, A4_LONG_SIDE);
constexpr PageGeometry A4_STANDARD_GEOMETRY =
    standard_geometry(A4_SHORT_SIDE, A4_LONG_SIDE, rows_that_fit(A4_LONG_SIDE, 36.0f));
static_assert(BOOKLET_GEOMETRY.rows == 7 && BOOKLET_GEOMETRY.column_width == 171.0f &&
                  rows_that_fit(LETTER_LONG_SIDE, 36.0f) == LETTER_STANDARD_ROWS + 1,
              "Letter's pages as clubs have always printed them, the standard page's eight rows aside");

// The geometry of the booklet (`mode` LAYOUT_BOOKLET), the standard document or the print
// shop's file (the booklet's pages, each on a sheet PRINT_SHOP_BLEED larger on every side) on `paper`.
PageGeometry page_geometry(PaperSize paper, LayoutMode mode);

// The documents a run with `settings` makes, in the order it makes them: the booklet, the
// standard document, and the print shop's file when roster.sdd names one.
std::span<const LayoutMode> documents_made(const Settings& settings);

// The logical page a drawing operation draws on: the document's physical pages, the
// page's number (from 1), the document's logical page count and its kind, and the x
// offset of a booklet sheet's right half (half the sheet's width).
struct PageTarget {
    const HPDF_Page* pages;
    int32_t logical_page;
    int32_t page_count;
    LayoutMode mode;
    float half_width;
    bool right_bound = false;    // the booklet opens from the right
    bool right_to_left = false;  // the pages read from the right: grids, headings and lines mirrored
};

// The same document's page `logical_page`.
inline PageTarget on_page(const PageTarget& target, int32_t logical_page) {
    return {target.pages,      logical_page,       target.page_count,   target.mode,
            target.half_width, target.right_bound, target.right_to_left};
}

// Where a box `width` wide drawn `x` from a left-to-right page's left edge goes on `target`:
// there, or mirrored on a page that reads from the right.
inline float reading_x(const PageTarget& target, float page_width, float x, float width) {
    return target.right_to_left ? page_width - x - width : x;
}

struct PagePlacement {
    int32_t sheet;   // booklet: sheet from 0, outermost first; standard: page index from 0
    int32_t side;    // 0 = front, 1 = back (always 0 in the standard document)
    float x_offset;  // 0 = left half, half_width = right half (always 0 in the standard document)
};

// True for the documents that print one logical page per physical page.
inline bool one_page_a_side(LayoutMode mode) { return mode == LAYOUT_STANDARD || mode == LAYOUT_PRINT_SHOP; }

// Places logical page `logical_page` (from 1) of a document of `page_count` logical pages;
// a booklet's right halves start at `half_width` (396 on Letter); a `right_bound` booklet
// has its halves swapped, so the folded stack reads from the right. A booklet page outside
// every sheet has no placement (nullopt); standard pages are never checked.
std::optional<PagePlacement> place_page(int32_t logical_page, int32_t page_count, LayoutMode mode,
                                        float half_width = BOOKLET_HALF_WIDTH, bool right_bound = false);

// True when logical page `logical_page` faces outward on the right (its number at the
// right corner): the odd pages of a left-bound book, the even pages of a right-bound one.
inline bool outer_edge_right(const PageTarget& target) {
    return (target.logical_page % 2 == 1) != target.right_bound;
}

// A physical page handle and the x offset of the logical page on it.
struct PlacedPage {
    HPDF_Page page;
    float x_offset;
};

// The page lookup every drawing operation makes before each drawing step: pages[sheet]
// in the standard document, pages[2 * sheet + side] in the booklet. A page with no place
// fails the document ("Error: a page has no place in the booklet ...") and gets the first.
PlacedPage find_page(const PageTarget& target);

// Pages a card section of `count` members takes at `cards_per_page`, rounded up in single
// precision: none for nobody (an empty section has no heading and no page).
int32_t section_page_count(int32_t count, int32_t cards_per_page);

// Left edge of card column `column` (from 0) on the logical page.
float column_x(const PageGeometry& geometry, int column);
