// Laying out one line of any text in every font: its runs in display order, shaped runs
// measured by HarfBuzz. Every byte of the text lands in one run that starts inside it, no
// letter that needs shaping reaches a libharu font, and every width is a finite length. The
// places it may be cut rise inside it, between characters, never between two digits.
#include <cctype>
#include <cmath>
#include <deque>
#include <string>

#include "fuzz_support.h"
#include "pdf/document.h"
#include "text/decode.h"
#include "text/encoding.h"
#include "text/line_break.h"

namespace {

// The document with every fallback face, made once: loading the fonts is not under test.
PdfDocument* document_with_every_face() {
    static PdfDocument pdf;
    if (pdf.document == nullptr) {
        open_pdf_document(&pdf, {true, ""});
        for (size_t face = 0; face < fallback_faces().size(); ++face)
            add_fallback_font(pdf.document, &pdf.fonts, static_cast<int>(face));
    }
    return &pdf;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    // Texts reach the drawing decoded: valid UTF-8 in NFC.
    DecodedText decoded;
    if (decode_text(std::string_view(reinterpret_cast<const char*>(data), size), "utf-8", &decoded)) return 0;
    const std::string& text = decoded.utf8;
    const PdfDocument* pdf = document_with_every_face();
    for (const TextFont* font : {&pdf->fonts.regular, &pdf->fonts.bold}) {
        std::deque<std::string> storage;
        size_t bytes = 0;
        for (const FontRun& run : line_runs(*font, text, &storage)) {
            bytes += run.bytes.size();
            promise(run.logical < text.size() || text.empty(), "a run starts inside the line");
            const float width = run_width(run, 9.0f);
            promise(std::isfinite(width) && width >= 0, "a finite width");
            if (run.shaping != nullptr) continue;
            for_each_code_point(run.bytes, [&](int32_t c, size_t, size_t) {
                promise(!needs_shaping(c) || !fonts_print(pdf->fonts, c), "shaped letters are shaped");
                return true;
            });
        }
        promise(bytes == text.size(), "every byte in one run");
    }
    size_t previous = 0;
    for (size_t at : cut_points(text)) {
        promise(at > previous && at < text.size(), "cut points rise inside the text");
        promise((static_cast<unsigned char>(text[at]) & 0xC0) != 0x80, "a cut between characters");
        promise(!(isdigit(static_cast<unsigned char>(text[at - 1])) &&
                  isdigit(static_cast<unsigned char>(text[at]))),
                "no cut between two digits");
        previous = at;
    }
    return 0;
}
