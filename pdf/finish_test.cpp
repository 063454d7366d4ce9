// The finishing step: a document libharu wrote goes in, and out comes a file with what the
// step promises (an /ID, the print dialog's preferences, text that copies as it was written,
// a print shop's boxes, CIDSets and output intent), or its failure said.
#include "pdf/finish.h"

#include <gtest/gtest.h>
#include <hpdf.h>

#include <cerrno>
#include <cstdio>
#include <string>

#include "image/colour.h"
#include "pdf/document.h"
#include "pdf/save.h"
#include "tests/support/pdf_reader.h"
#include "tests/support/run_tool.h"
#include "tests/support/temp_dir.h"

namespace {

// A one-page document with `text` on it, in the embedded Unicode fonts (UTF-8) or the standard
// ones (Windows-1252), saved to `path` for the viewer `viewer`.
void write_text_document(const std::string& path, ViewerSettings viewer, bool unicode = true,
                         const char* text = "\xC3\x85sa \xC5\x8Cta") {
    PdfDocument pdf;
    ASSERT_TRUE(open_pdf_document(&pdf, {unicode, "Finish", 1700000000}));
    ASSERT_TRUE(add_pdf_pages(&pdf, 1, 612, 792));
    HPDF_Page page = pdf.pages[0];
    HPDF_Page_BeginText(page);
    HPDF_Page_SetFontAndSize(page, pdf.fonts.regular.font, 12);
    HPDF_Page_TextOut(page, 72, 700, text);
    HPDF_Page_EndText(page);
    pdf.viewer = viewer;
    ASSERT_TRUE(save_pdf_document(&pdf, path.c_str()));
}

TEST(FinishPdf, KeepsItsPromisesOrSaysWhyNot) {
    TempDir dir;
    write_text_document(dir.file("home.pdf"), {"DuplexFlipShortEdge", true});
    expect_valid_pdf(dir.file("home.pdf"));
    EXPECT_EQ(pdf_file_facts(dir.file("home.pdf")),
              "1.7 ID=2 << /Duplex /DuplexFlipShortEdge /PrintScaling /None >>");
    EXPECT_EQ(command_output("pdftotext -q '" + dir.file("home.pdf") + "' -"), "Åsa Ōta\n\n\f");

    // The same promises whether qpdf finishes the document (embedded fonts) or libharu writes it
    // alone (the standard fonts): an /ID of two copies of a digest of its own, the same again for
    // the same document and another for another, and every stream compressed.
    const struct {
        bool unicode;
        const char* text;
    } ways[] = {{true, "\xC3\x85sa \xC5\x8Cta"}, {false, "\xC5sa \xD6ta"}};
    for (const auto& way : ways) {
        for (const char* name : {"a.pdf", "again.pdf"})
            write_text_document(dir.file(name), {"DuplexFlipShortEdge", true}, way.unicode, way.text);
        write_text_document(dir.file("other.pdf"), {"DuplexFlipShortEdge", true}, way.unicode, "Ann Lee");
        EXPECT_EQ(pdf_file_facts(dir.file("a.pdf")),
                  "1.7 ID=2 << /Duplex /DuplexFlipShortEdge /PrintScaling /None >>")
            << way.unicode;
        const std::string id = pdf_id_and_unfiltered_streams(dir.file("a.pdf"));
        ASSERT_EQ(id.size(), 32 + 1 + 32 + std::string(" unfiltered=0").size()) << id;
        EXPECT_EQ(id.substr(0, 32), id.substr(33, 32)) << id;
        EXPECT_NE(id.substr(0, 32), std::string(32, '0')) << id;
        EXPECT_EQ(id.substr(65), " unfiltered=0") << id;
        EXPECT_EQ(dir.read("a.pdf"), dir.read("again.pdf")) << way.unicode;
        EXPECT_NE(id, pdf_id_and_unfiltered_streams(dir.file("other.pdf"))) << way.unicode;
    }

    // A document finished for a print shop: boxes 9 pt in, CIDSets for the embedded subsets, the sRGB intent.
    write_text_document(dir.file("plain.pdf"), {nullptr, false});
    const std::string plain = dir.read("plain.pdf");
    PrintShopFinish shop;
    shop.enabled = true;
    shop.bleed = 9;
    shop.author = "Club";
    shop.profile = srgb_profile_bytes();
    FILE* file = fopen(dir.file("shop.pdf").c_str(), "wb");
    const std::optional<Failure> shop_failure = finish_pdf(plain, {}, {}, {nullptr, false}, shop, file);
    fclose(file);
    EXPECT_FALSE(shop_failure) << shop_failure->reason;
    expect_valid_pdf(dir.file("shop.pdf"));
    EXPECT_EQ(preflight_print_shop(dir.file("shop.pdf"), 9), std::vector<std::string>{});
    EXPECT_EQ(pdf_file_facts(dir.file("shop.pdf")), "1.4 ID=2 null");

    const struct {
        const char* what;
        std::string bytes;
        const char* into;
        int write_error;
        const char* reason;
    } errors[] = {
        {"not a PDF", "Name,Phone\n", "/dev/null", 0,
         "document: unable to find trailer dictionary while recovering damaged file"},
        {"a full disk", plain, "/dev/full", ENOSPC, "No space left on device"},
    };
    for (const auto& c : errors) {
        file = fopen(c.into, "wb");
        const std::optional<Failure> failed = finish_pdf(c.bytes, {}, {}, {nullptr, false}, {}, file);
        fclose(file);
        ASSERT_TRUE(failed) << c.what;
        EXPECT_EQ(failed->error_number, c.write_error) << c.what;
        EXPECT_EQ(failed->reason, c.reason) << c.what;
    }
}

}  // namespace
