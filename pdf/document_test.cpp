#include "pdf/document.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <string>

#include "base/message.h"
#include "pdf/save.h"
#include "tests/support/pdf_reader.h"
#include "tests/support/temp_dir.h"

namespace {

// A libharu error no longer ends the process: the first one is said once, the document
// is marked failed, and a failed document is never saved.
TEST(PdfDocument, AnErrorFailsTheDocumentOnce) {
    TempDir dir;
    char* said = nullptr;
    size_t said_size = 0;
    FILE* sink = open_memstream(&said, &said_size);
    const MessageStreams previous = use_message_streams({nullptr, sink});
    bool saved = true;
    {
        PdfDocument pdf;
        EXPECT_TRUE(open_pdf_document(&pdf, {false, ""}));
        EXPECT_TRUE(add_pdf_pages(&pdf, 2, 612, 792));
        HPDF_Page_SetFontAndSize(pdf.pages[0], pdf.fonts.regular.font, 0);  // out of range
        HPDF_Page_SetFontAndSize(pdf.pages[1], pdf.fonts.regular.font, 700);
        EXPECT_TRUE(pdf.failed);
        saved = save_pdf_document(&pdf, dir.file("out.pdf").c_str());
    }
    use_message_streams(previous);
    fclose(sink);
    EXPECT_FALSE(saved);
    EXPECT_FALSE(dir.exists("out.pdf"));
    EXPECT_STREQ(said, "Error: a font size is out of range (libharu error 1050, detail 0)\n");
    free(said);
}

// Pages nobody drew on still carry a content stream every reader takes.
TEST(PdfDocument, BlankPagesSaveAsValidPages) {
    TempDir dir;
    PdfDocument pdf;
    EXPECT_TRUE(open_pdf_document(&pdf, {false, "Blank"}));
    EXPECT_TRUE(add_pdf_pages(&pdf, 3, 792, 612));
    EXPECT_TRUE(save_pdf_document(&pdf, dir.file("blank.pdf").c_str()));
    expect_valid_pdf(dir.file("blank.pdf"));
    EXPECT_EQ(read_pdf(dir.file("blank.pdf")).size(), 3u);
    EXPECT_EQ(pdf_info(dir.file("blank.pdf"), "/Title"), "Blank");
}

}  // namespace
