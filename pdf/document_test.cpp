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
    EXPECT_STREQ(said, "libharu error: 1050  detail: 0\na font size is out of range\n");
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

// Each script Liberation Sans lacks goes to the face made for it, by ICU's script
// extensions (Japanese punctuation and the ideographic comma to the CJK face); a script
// with no face here goes to none, so its warning names the script.
TEST(PdfFonts, EachScriptFindsItsFace) {
    const struct {
        int32_t code_point;
        const char* face;  // empty: none
    } cases[] = {
        {U'김', "Korean (Hangul)"},
        {U'山', "Chinese and Japanese"},
        {U'・', "Chinese and Japanese"},
        {U'、', "Chinese and Japanese"},
        {U'አ', "Ethiopic"},
        {U'Ա', "Armenian"},
        {U'ნ', "Georgian"},
        {U'ש', "Hebrew"},
        {U'م', "Arabic"},
        {U'क', "Devanagari"},
        {U'ก', "Thai"},
        {U'A', ""},
        {U'Ꮳ', ""},
    };
    for (const auto& c : cases) {
        const int face = fallback_face_for(c.code_point);
        EXPECT_EQ(face < 0 ? "" : fallback_faces()[face].name, std::string(c.face)) << c.code_point;
    }
    // Both fonts print every face's script once it is added; a letter that needs shaping only
    // from a shaping font, and Droid Sans Fallback's own Arabic letters would not do.
    PdfDocument pdf;
    ASSERT_TRUE(open_pdf_document(&pdf, {true, ""}));
    for (size_t face = 0; face < fallback_faces().size(); ++face) {
        EXPECT_TRUE(add_fallback_font(pdf.document, &pdf.fonts, static_cast<int>(face))) << face;
    }
    for (int32_t c : {U'김', U'山', U'አ', U'Ա', U'ნ', U'ש', U'A', U'م', U'क'})
        EXPECT_TRUE(fonts_print(pdf.fonts, c)) << c;
    std::string storage;
    const std::vector<FontRun> runs = font_runs(pdf.fonts.regular, "Ali علي", &storage);
    ASSERT_EQ(runs.size(), 2u);
    EXPECT_TRUE(runs[0].shaping == nullptr && runs[1].shaping != nullptr && runs[1].bytes == "علي");
    EXPECT_FALSE(fonts_print(pdf.fonts, U'Ꮳ'));
    close_pdf_document(&pdf);
}
