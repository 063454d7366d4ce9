#include "layout/geometry.h"

#include <cmath>

#include "pdf/document.h"

std::optional<PagePlacement> place_page(int32_t logical_page, int32_t page_count, LayoutMode mode,
                                        float half_width, bool right_bound) {
    if (one_page_a_side(mode)) return PagePlacement{logical_page - 1, 0, 0.0f};
    const int32_t lp = logical_page;
    const int32_t n = page_count;
    // Sheet k carries pages 2k + 1 and 2k + 2 back to back on its right and left halves,
    // and their mirror pages n - 2k and n - 2k - 1 on the other halves; bound on the right,
    // the other way round.
    const float right = right_bound ? 0.0f : half_width, left = right_bound ? half_width : 0.0f;
    for (int32_t k = 0; k < n / 4; ++k) {
        if (lp == 2 * k + 1) return PagePlacement{k, 0, right};
        if (lp == n - 2 * k) return PagePlacement{k, 0, left};
        if (lp == 2 * k + 2) return PagePlacement{k, 1, left};
        if (lp == n - 2 * k - 1) return PagePlacement{k, 1, right};
    }
    return std::nullopt;
}

PageGeometry page_geometry(PaperSize paper, LayoutMode mode) {
    if (mode == LAYOUT_STANDARD) return paper == PAPER_A4 ? A4_STANDARD_GEOMETRY : STANDARD_GEOMETRY;
    PageGeometry geometry = paper == PAPER_A4 ? A4_BOOKLET_GEOMETRY : BOOKLET_GEOMETRY;
    if (mode == LAYOUT_PRINT_SHOP) {
        if (paper == PAPER_A4) {
            geometry.page_width = A5_WIDTH;
            geometry.column_width = column_width_for(A5_WIDTH, geometry.margin_x, geometry.columns);
        }
        geometry.bleed = PRINT_SHOP_BLEED;
        geometry.sheet_width = geometry.page_width + 2.0f * PRINT_SHOP_BLEED;
        geometry.sheet_height = geometry.page_height + 2.0f * PRINT_SHOP_BLEED;
    }
    return geometry;
}

PlacedPage find_page(const PageTarget& target) {
    std::optional<PagePlacement> placed = place_page(target.logical_page, target.page_count, target.mode,
                                                     target.half_width, target.right_bound);
    // Every booklet is composed to a whole number of sheets, so this is a fault of ours: the
    // document fails (nothing is saved) and the drawing goes on harmlessly on the first sheet.
    if (!placed) fail_page_document(target.pages[0], HPDF_PAGE_OUT_OF_RANGE, target.logical_page);
    const PagePlacement placement = placed.value_or(PagePlacement{0, 0, 0.0f});
    int index = one_page_a_side(target.mode) ? placement.sheet : placement.sheet * 2 + placement.side;
    return {target.pages[index], placement.x_offset};
}

int32_t section_page_count(int32_t count, int32_t cards_per_page) {
    if (count == 0) return 0;
    return static_cast<int32_t>(ceilf(static_cast<float>(count) / static_cast<float>(cards_per_page)));
}

float column_x(const PageGeometry& geometry, int column) {
    return geometry.margin_x + static_cast<float>(column) * (geometry.column_width + COLUMN_GUTTER);
}

std::span<const LayoutMode> documents_made(const Settings& settings) {
    static constexpr LayoutMode MADE[] = {LAYOUT_BOOKLET, LAYOUT_STANDARD, LAYOUT_PRINT_SHOP};
    return std::span(MADE).first(settings.print_shop_pdf_path[0] != '\0' ? 3 : 2);
}
