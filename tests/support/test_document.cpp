#include "tests/support/test_document.h"

#include <gtest/gtest.h>

namespace {

void fail_on_error(HPDF_STATUS error_no, HPDF_STATUS detail_no, void*) {
    ADD_FAILURE() << "libharu error " << std::hex << error_no << " detail " << std::dec << detail_no;
}

}  // namespace

TestDocument::TestDocument(int physical_pages, bool landscape) {
    document = HPDF_New(fail_on_error, nullptr);
    HPDF_SetCompressionMode(document, HPDF_COMP_ALL);
    regular_font = HPDF_GetFont(document, "Helvetica", "WinAnsiEncoding");
    bold_font = HPDF_GetFont(document, "Helvetica-Bold", "WinAnsiEncoding");
    for (int i = 0; i < physical_pages; ++i) {
        HPDF_Page page = HPDF_AddPage(document);
        HPDF_Page_SetSize(page, HPDF_PAGE_SIZE_LETTER, landscape ? HPDF_PAGE_LANDSCAPE : HPDF_PAGE_PORTRAIT);
        pages.push_back(page);
    }
}

TestDocument::~TestDocument() { HPDF_Free(document); }

std::vector<PdfPage> TestDocument::finish() {
    const std::string path = dir.file("out.pdf");
    HPDF_SaveToFile(document, path.c_str());
    expect_valid_pdf(path);
    return read_pdf(path);
}
