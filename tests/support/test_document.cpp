#include "tests/support/test_document.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>

#include "base/message.h"
#include "pdf/save.h"

TestDocument::TestDocument(int physical_pages, bool landscape) {
    EXPECT_TRUE(open_pdf_document(&pdf, {false, "Test"}));
    const PageGeometry sheet = page_geometry(PAPER_LETTER, landscape ? LAYOUT_BOOKLET : LAYOUT_STANDARD);
    EXPECT_TRUE(add_pdf_pages(&pdf, physical_pages, sheet.sheet_width, sheet.sheet_height));
}

std::vector<PdfPage> TestDocument::finish() {
    const std::string path = dir.file("out.pdf");
    EXPECT_FALSE(pdf.failed) << "a libharu error while drawing (see stderr)";
    char* said = nullptr;
    size_t said_size = 0;
    FILE* sink = open_memstream(&said, &said_size);
    const MessageStreams previous = use_message_streams({nullptr, sink});
    const bool saved = save_pdf_document(&pdf, path.c_str());
    use_message_streams(previous);
    fclose(sink);
    EXPECT_TRUE(saved) << said;
    EXPECT_STREQ(said, "");
    free(said);
    expect_valid_pdf(path);
    return read_pdf(path);
}

void expect_color(const Rgb& got, RgbColor expected, const std::string& what) {
    EXPECT_NEAR(got.red, expected.red, 1e-3f) << what;
    EXPECT_NEAR(got.green, expected.green, 1e-3f) << what;
    EXPECT_NEAR(got.blue, expected.blue, 1e-3f) << what;
}
