// Page geometry of both documents, the page target every drawing operation names, and the
// booklet imposition: which physical page, and which half of it, carries each logical page.
#pragma once

#include <hpdf.h>

#include <cstdint>

// Only LAYOUT_STANDARD selects the portrait document; every other value is the booklet.
using LayoutMode = int32_t;
constexpr LayoutMode LAYOUT_BOOKLET = 0;
constexpr LayoutMode LAYOUT_STANDARD = 1;

// The paper a roster is printed on.
enum PaperSize { PAPER_LETTER };

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
};

constexpr float COLUMN_GUTTER = 10.0f;
constexpr int MAX_COLUMNS = 3;
constexpr PageGeometry BOOKLET_GEOMETRY = {396.0f, 612.0f, 22.0f, 28.0f, 171.0f, 2, 7, 792.0f, 612.0f};
constexpr PageGeometry STANDARD_GEOMETRY = {612.0f, 792.0f, 28.0f,  36.0f, 536.0f / 3.0f,
                                            3,      8,      612.0f, 792.0f};
constexpr float BOOKLET_HALF_WIDTH = 396.0f;  // half of the 792 pt landscape sheet

// The geometry of the booklet (`mode` LAYOUT_BOOKLET) or the standard document on `paper`.
PageGeometry page_geometry(PaperSize paper, LayoutMode mode);

// Member cards on one page of a card section.
inline int32_t cards_per_page(const PageGeometry& geometry) { return geometry.columns * geometry.rows; }

// The logical page a drawing operation draws on: the document's physical pages, the
// page's number (from 1), the document's logical page count and its kind.
struct PageTarget {
    const HPDF_Page* pages;
    int32_t logical_page;
    int32_t page_count;
    LayoutMode mode;
};

// The same document's page `logical_page`.
inline PageTarget on_page(const PageTarget& target, int32_t logical_page) {
    return {target.pages, logical_page, target.page_count, target.mode};
}

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
PlacedPage find_page(const PageTarget& target);

// Pages a card section of `count` members takes at `cards_per_page`: at least one,
// rounded up in single precision.
int32_t section_page_count(int32_t count, int32_t cards_per_page);

// Left edge of card column `column` (from 0) on the logical page.
float column_x(const PageGeometry& geometry, int column);
