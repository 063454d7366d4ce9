// Page geometry of both documents and the booklet imposition: which physical page,
// and which half of it, carries each logical page of the roster.
#pragma once

#include <hpdf.h>

#include <cstdint>

// Only LAYOUT_STANDARD selects the portrait document; every other value is the booklet.
using LayoutMode = int32_t;
constexpr LayoutMode LAYOUT_BOOKLET = 0;
constexpr LayoutMode LAYOUT_STANDARD = 1;

// One logical page of a document, in points. Invariant: 1 <= columns <= 3, rows >= 1.
struct PageGeometry {
    float page_width;
    float page_height;
    float margin_x;      // left margin; rules and image panels keep it on the right too
    float margin_y;      // top margin; image panels keep it at the bottom too
    float column_width;  // one card column; columns are 10 pt apart
    int32_t columns;
    int32_t rows;
};

constexpr float COLUMN_GUTTER = 10.0f;
constexpr int MAX_COLUMNS = 3;
constexpr PageGeometry BOOKLET_GEOMETRY = {396.0f, 612.0f, 22.0f, 28.0f, 171.0f, 2, 7};
constexpr PageGeometry STANDARD_GEOMETRY = {612.0f, 792.0f, 28.0f, 36.0f, 536.0f / 3.0f, 3, 8};
constexpr float BOOKLET_HALF_WIDTH = 396.0f;  // half of the 792 pt landscape sheet

struct PagePlacement {
    int32_t sheet;   // booklet: sheet from 0, outermost first; standard: page index from 0
    int32_t side;    // 0 = front, 1 = back (always 0 in the standard document)
    float x_offset;  // 0 = left half, 396 = right half (always 0 in the standard document)
};

// Places logical page `logical_page` (from 1) of a document of `page_count` logical pages.
// Booklet pages outside every sheet write "imposition error: lp=%d N=%d" to stderr and
// return {0, 0, 0}; standard pages are never checked.
PagePlacement place_page(int32_t logical_page, int32_t page_count, LayoutMode mode);

// A physical page handle and the x offset of the logical page on it.
struct PlacedPage {
    HPDF_Page page;
    float x_offset;
};

// The page lookup every drawing operation makes before each drawing step: pages[sheet]
// in the standard document, pages[2 * sheet + side] in the booklet.
PlacedPage find_page(const HPDF_Page* pages, int32_t logical_page, int32_t page_count, LayoutMode mode);

// Pages a card section of `count` members takes at `cards_per_page`: at least one,
// rounded up in single precision.
int32_t section_page_count(int32_t count, int32_t cards_per_page);

// Left edge of card column `column` (from 0) on the logical page.
float column_x(const PageGeometry& geometry, int column);
