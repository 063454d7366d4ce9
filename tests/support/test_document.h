// A PDF document for layout tests: its pages and fonts, saved and read back on demand.
#pragma once

#include <hpdf.h>

#include <string>
#include <vector>

#include "layout/draw.h"
#include "layout/geometry.h"
#include "pdf/document.h"
#include "tests/support/pdf_reader.h"
#include "tests/support/temp_dir.h"

struct TestDocument {
    TempDir dir;
    PdfDocument pdf;  // its fonts are Helvetica and Helvetica-Bold

    // `physical_pages` Letter pages, landscape as in the booklet or portrait.
    TestDocument(int physical_pages, bool landscape);
    TestDocument(const TestDocument&) = delete;
    TestDocument& operator=(const TestDocument&) = delete;

    // Logical page `logical_page` of a document of `page_count` logical pages on these pages.
    PageTarget target(int logical_page, int page_count, LayoutMode mode) const {
        return {pdf.pages.get(), logical_page, page_count, mode, BOOKLET_HALF_WIDTH};
    }

    // Saves the document as the run does and reads it back. A libharu error or a file
    // qpdf or Ghostscript finds fault with fails the test.
    std::vector<PdfPage> finish();
};

// A booklet of `page_count` logical pages (page_count / 2 landscape sides).
inline int booklet_sides(int page_count) { return page_count / 4 * 2; }

// Expect `got` to be `expected` within 1e-3 in each component; failures name `what`.
void expect_color(const Rgb& got, RgbColor expected, const std::string& what);
