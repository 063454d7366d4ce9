// Finishing a serialised PDF with qpdf: what libharu 2.3.0 cannot write itself, a trailer
// /ID and /ViewerPreferences that preset the print dialog, with the version they need; the
// pictures' data and shaped text's glyph fonts; for the print shop its page boxes, black and
// greys as DeviceGray, the press's CMYK, CIDSets, output intents and XMP. Compiled as C++17
// into the module rosterbook-finish.so, which finish_loader.cpp loads at the first save (next
// to the binary, or in lib/rosterbook/ beside an installed bin/), so start-up does not pay
// for qpdf and gnutls.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "base/failure.h"

// How the print dialog should start for a document.
struct ViewerSettings {
    const char* duplex;          // "DuplexFlipShortEdge" or "DuplexFlipLongEdge"; null: no preference
    bool no_print_scaling;       // print at actual size
    bool right_to_left = false;  // bound on the right: pages shown side by side read from the right
};

// The names a document's /ViewerPreferences holds for `viewer`, key and value ({"Duplex",
// "DuplexFlipShortEdge"}); none when it has no duplex or direction to say. Written by the
// finishing, or by libharu itself for a file the finishing has nothing else to do for.
inline std::vector<std::pair<const char*, const char*>> viewer_preference_names(
    const ViewerSettings& viewer) {
    std::vector<std::pair<const char*, const char*>> names;
    if (viewer.duplex == nullptr && !viewer.right_to_left) return names;
    if (viewer.right_to_left) names.emplace_back("Direction", "R2L");
    if (viewer.duplex != nullptr) names.emplace_back("Duplex", viewer.duplex);
    if (viewer.no_print_scaling) names.emplace_back("PrintScaling", "None");
    return names;
}

// /Duplex is a PDF 1.7 key: a file that holds it says at least PDF 1.7.
inline bool needs_pdf_1_7(const ViewerSettings& viewer) { return viewer.duplex != nullptr; }

// What a print shop's file needs beyond the pages libharu writes (PDF/A-1b).
struct PrintShopFinish {
    bool enabled = false;
    float bleed = 0;      // points between the trim and the bleed's edge, every side
    float marks = 0;      // points between the bleed's edge and the sheet's: room for crop marks
    std::string author;   // the club, for the document information and XMP; "" leaves it out
    bool cmyk = false;    // PDF/X-1a in the press's inks: pictures and colours converted
    std::string profile;  // ICC bytes of the output intent: sRGB, or the press's with `cmyk`
    // The press's CMYK (0 to 1) of an sRGB colour the pages draw, within `ink_limit` percent (0:
    // the press profile's own); false when it cannot say.
    bool (*to_press)(const float rgb[3], int32_t ink_limit, float cmyk[4]) = nullptr;
    int32_t ink_limit = 0;
};

// A picture's data, compressed already, that the finished file carries in place of the
// empty stream libharu wrote for it: the image XObject marked PICTURE_KEY N, N being its
// index among the document's pictures. So the data is never copied through libharu.
struct PictureStream {
    const unsigned char* data;  // not owned
    size_t size;
    const char* filter;  // "/FlateDecode" or "/DCTDecode"
};
constexpr const char* PICTURE_KEY = "/RosterbookPicture";

// The colour space of registration colour, every plate's ink at once, which a print shop's
// pages with crop marks are given (a Separation called All) and their marks drawn in.
constexpr const char* REGISTRATION_COLOUR_SPACE = "/RBAll";

// A font whose text is drawn by glyph number (shaped text): the finished file carries it as
// a Type0 font with an Identity CIDToGIDMap, named `resource` on every page.
struct GlyphFont {
    std::string resource;   // "/RBGlyphs1"
    std::string base_name;  // "ABCDEF+NotoSansArabic-Bold": a subset's tag and the font's name
    std::string program;    // the TrueType subset, glyph numbers as in the font
    std::vector<std::pair<uint32_t, int>>
        widths;  // each glyph drawn, rising, and its advance in 1000ths of an em
    std::vector<std::pair<uint32_t, uint32_t>> extra_codes;  // codes above the glyphs, and each one's glyph
    std::string to_unicode;                                  // the ToUnicode CMap
    int bbox[4] = {0, 0, 0, 0};                              // in 1000ths of an em
    int ascent = 0, descent = 0, cap_height = 0;
};

// Writes into `into` (left open) the PDF `bytes`, its pictures' data put in from `pictures`, `glyph_fonts`
// added, with an /ID made from its content (the same bytes give the same file), `viewer`'s /ViewerPreferences
// and at least PDF 1.7 when it has them. A print shop's file instead gets a TrimBox and BleedBox on every
// page, black fills and strokes as DeviceGray, an sRGB output intent, Author, Trapped and XMP metadata that
// agree with its information, as PDF 1.4. The failure holds qpdf's words; the first write that fails (a full
// disk) ends the writing, the failure then holding its errno in `error_number` and the file left incomplete.
// Documents may be finished on several threads at once.
[[nodiscard]] std::optional<Failure> finish_pdf(const std::string& bytes,
                                                const std::vector<PictureStream>& pictures,
                                                const std::vector<GlyphFont>& glyph_fonts,
                                                const ViewerSettings& viewer, const PrintShopFinish& shop,
                                                FILE* into);

// Loads the module below now, if it is not loaded yet: see start_loading_finishing (save.h).
void load_finish_module();

// The module that holds the finishing and qpdf, when the tool loads it at the first save
// (see finish_loader.cpp), and the name under which it exports a pointer to its finish_pdf,
// of this type: the signature is written once, above.
constexpr const char* FINISH_MODULE = "rosterbook-finish.so";
constexpr const char* FINISH_SYMBOL = "rosterbook_finish_pdf";
using FinishFunction = decltype(&finish_pdf);
