#include "tests/support/text_bounds.h"

#include <gtest/gtest.h>
#include <hpdf.h>

#include "layout/fit.h"
#include "pdf/document.h"
#include "text/encoding.h"

namespace {

constexpr float TOLERANCE = 1e-3f;

}  // namespace

float measured_width(const PdfText& text) {
    if (text.encoding == "Identity-H") {
        static PdfDocument unicode;
        if (unicode.document == nullptr) open_pdf_document(&unicode, {true, ""});
        const bool bold = text.font.find("Bold") != std::string::npos;
        return text_width(bold ? unicode.fonts.bold : unicode.fonts.regular, text.text.c_str(),
                          text.text.size(), text.size);
    }
    static HPDF_Doc document = HPDF_New(nullptr, nullptr);
    HPDF_Font font = HPDF_GetFont(document, text.font.c_str(), PDF_FONT_ENCODING);
    HPDF_TextWidth width = HPDF_Font_TextWidth(font, reinterpret_cast<const HPDF_BYTE*>(text.text.data()),
                                               static_cast<HPDF_UINT>(text.text.size()));
    return static_cast<float>(width.width) * text.size / 1000.0f;
}

const PdfRect* enclosing_outline(const PdfPage& page, const PdfText& text) {
    for (const PdfRect& r : page.rects) {
        if (!r.filled && text.x >= r.x && text.x <= r.x + r.width && text.y >= r.y &&
            text.y <= r.y + r.height) {
            return &r;
        }
    }
    return nullptr;
}

void expect_texts_inside(const PdfPage& page, bool booklet, const std::string& what) {
    const float margin = booklet ? 22.0f : 28.0f;
    const float half = booklet ? page.width / 2.0f : page.width;
    for (const PdfText& text : page.texts) {
        const float end = text.x + measured_width(text);
        float left, right;
        if (const PdfRect* outline = enclosing_outline(page, text)) {
            left = outline->x;
            right = outline->x + outline->width;
        } else {
            left = (text.x >= half ? half : 0.0f) + margin;
            right = (text.x >= half ? 2 * half : half) - margin;
        }
        EXPECT_GE(text.x, left - TOLERANCE) << what << ": " << text.text;
        EXPECT_LE(end, right + TOLERANCE) << what << ": " << text.text << " at " << text.x;
        // Nothing within 0.25 in of the sheet's edges, where printers leave the paper blank:
        // Helvetica's capitals rise 0.718 of the size, its descenders drop 0.207.
        constexpr float EDGE = 18.0f;
        EXPECT_GE(text.y - 0.207f * text.size, EDGE - TOLERANCE) << what << ": " << text.text;
        EXPECT_LE(text.y + 0.718f * text.size, page.height - EDGE + TOLERANCE) << what << ": " << text.text;
    }
}
