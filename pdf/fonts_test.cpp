// Which face prints each script, and text split into runs by font.
#include "pdf/fonts.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "pdf/document.h"

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
