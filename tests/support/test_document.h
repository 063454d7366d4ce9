// A libharu document for layout tests: its pages and fonts, saved and read back on demand.
#pragma once

#include <hpdf.h>

#include <string>
#include <vector>

#include "tests/support/pdf_reader.h"
#include "tests/support/temp_dir.h"

struct TestDocument {
    TempDir dir;
    HPDF_Doc document;
    HPDF_Font regular_font;
    HPDF_Font bold_font;
    std::vector<HPDF_Page> pages;

    // `physical_pages` Letter pages, landscape as in the booklet or portrait.
    TestDocument(int physical_pages, bool landscape);
    ~TestDocument();
    TestDocument(const TestDocument&) = delete;
    TestDocument& operator=(const TestDocument&) = delete;

    // Saves the document and reads it back. A libharu error fails the test.
    std::vector<PdfPage> finish();
};

// A booklet of `page_count` logical pages (page_count / 2 landscape sides).
inline int booklet_sides(int page_count) { return page_count / 4 * 2; }
