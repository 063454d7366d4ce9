#include "pdf/document.h"

#include <hpdf_doc.h>
#include <hpdf_fontdef.h>
#include <hpdf_objects.h>
#include <hpdf_pages.h>
#include <hpdf_streams.h>

#include <cstdio>
#include <cstring>
#include <ctime>
#include <new>
#include <string>

#include "base/file.h"
#include "base/message.h"
#include "text/encoding.h"

namespace {

// Liberation Sans has Helvetica's widths, so embedding it moves no text.
constexpr const char* EMBEDDED_REGULAR_FONT = ROSTERBOOK_FONT_DIR "/LiberationSans-Regular.ttf";
constexpr const char* EMBEDDED_BOLD_FONT = ROSTERBOOK_FONT_DIR "/LiberationSans-Bold.ttf";
constexpr const char* CREATOR = "rosterbook " ROSTERBOOK_VERSION;

// The plain words for the codes a club secretary can act on.
const char* error_advice(HPDF_STATUS error_no) {
    switch (error_no) {
        case HPDF_FILE_OPEN_ERROR:
        case HPDF_FILE_IO_ERROR:
            // A save names its own file; the one file libharu itself reads is an embedded font.
            return "a font file could not be read: reinstall fonts-liberation2 or set Fonts: Standard\n";
        case HPDF_INVALID_PNG_IMAGE:
        case HPDF_LIBPNG_ERROR:
            return "an image file could not be read as a PNG image\n";
        case HPDF_PAGE_INVALID_FONT_SIZE:
            return "a font size is out of range\n";
        case HPDF_FAILD_TO_ALLOC_MEM:
            return "not enough memory to make the PDFs: lower Image Resolution or use smaller images\n";
        default:
            return nullptr;
    }
}

// A ToUnicode map for fonts whose codes are the characters' own UTF-16 units, as
// libharu's UTF-8 fonts draw them: identity over the whole plane but the surrogates, in
// ranges that each stay within one high byte, as the format asks.
std::string identity_to_unicode_cmap() {
    std::string ranges;
    int count = 0;
    for (int high = 0; high < 256; ++high) {
        if (high >= 0xD8 && high <= 0xDF) continue;
        char range[32];
        snprintf(range, sizeof range, "<%02X00> <%02XFF> <%02X00>\n", high, high, high);
        if (count % 100 == 0) ranges += (count > 0 ? "endbfrange\n" : "") + std::string("100 beginbfrange\n");
        ranges += range;
        ++count;
    }
    // 248 ranges: two sections of 100 and one of 48.
    const size_t last = ranges.rfind("100 beginbfrange");
    ranges.replace(last, 3, std::to_string(count % 100));
    return "/CIDInit /ProcSet findresource begin\n12 dict begin\nbegincmap\n"
           "/CIDSystemInfo << /Registry (Adobe) /Ordering (UCS) /Supplement 0 >> def\n"
           "/CMapName /Adobe-Identity-UCS def\n/CMapType 2 def\n"
           "1 begincodespacerange\n<0000> <FFFF>\nendcodespacerange\n" +
           ranges + "endbfrange\nendcmap\nCMapName currentdict /CMap defineresource pop\nend\nend\n";
}

// libharu 2.3.0 writes its encoding CMap as the ToUnicode map of a UTF-8 font, which
// poppler refuses ("Invalid 'begincidrange' operator"), so text would not search or copy
// right. The stream is in memory until the save, so its contents are replaced here.
void correct_to_unicode(HPDF_Font font) {
    auto* to_unicode = static_cast<HPDF_Dict>(HPDF_Dict_GetItem(font, "ToUnicode", HPDF_OCLASS_DICT));
    if (to_unicode == nullptr || to_unicode->stream == nullptr) return;
    HPDF_MemStream_FreeData(to_unicode->stream);
    HPDF_Stream_WriteStr(to_unicode->stream, identity_to_unicode_cmap().c_str());
}

void get_fonts(PdfDocument* pdf, bool unicode) {
    pdf->unicode = unicode;
    if (!unicode) {
        pdf->fonts.regular = HPDF_GetFont(pdf->document, "Helvetica", PDF_FONT_ENCODING);
        pdf->fonts.bold = HPDF_GetFont(pdf->document, "Helvetica-Bold", PDF_FONT_ENCODING);
        return;
    }
    HPDF_UseUTFEncodings(pdf->document);
    HPDF_SetCurrentEncoder(pdf->document, PDF_UNICODE_ENCODING);
    const char* regular = HPDF_LoadTTFontFromFile(pdf->document, EMBEDDED_REGULAR_FONT, HPDF_TRUE);
    const char* bold = HPDF_LoadTTFontFromFile(pdf->document, EMBEDDED_BOLD_FONT, HPDF_TRUE);
    pdf->fonts.regular = HPDF_GetFont(pdf->document, regular, PDF_UNICODE_ENCODING);
    pdf->fonts.bold = HPDF_GetFont(pdf->document, bold, PDF_UNICODE_ENCODING);
    if (pdf->failed) return;
    pdf->unicode_glyphs[0] = HPDF_GetFontDef(pdf->document, regular);
    pdf->unicode_glyphs[1] = HPDF_GetFontDef(pdf->document, bold);
    correct_to_unicode(pdf->fonts.regular);
    correct_to_unicode(pdf->fonts.bold);
}

// Title, creator and creation date.
void set_document_info(HPDF_Doc document, const char* title) {
    HPDF_SetInfoAttr(document, HPDF_INFO_TITLE, title[0] != '\0' ? title : "Member Roster");
    HPDF_SetInfoAttr(document, HPDF_INFO_CREATOR, CREATOR);
    const time_t now = time(nullptr);
    struct tm utc;
    gmtime_r(&now, &utc);
    HPDF_Date date = {
        utc.tm_year + 1900, utc.tm_mon + 1, utc.tm_mday, utc.tm_hour, utc.tm_min, utc.tm_sec, 'Z', 0, 0};
    HPDF_SetInfoDateAttr(document, HPDF_INFO_CREATION_DATE, date);
}

}  // namespace

PdfDocument::~PdfDocument() { close_pdf_document(this); }

void on_pdf_error(HPDF_STATUS error_no, HPDF_STATUS detail_no, void* user_data) {
    fail_pdf(static_cast<PdfDocument*>(user_data), error_no, detail_no);
}

void fail_pdf(PdfDocument* pdf, HPDF_STATUS error_no, HPDF_STATUS detail_no) {
    if (pdf->failed) return;
    pdf->failed = true;
    say("libharu error: %04X  detail: %u\n", static_cast<unsigned>(error_no),
        static_cast<unsigned>(detail_no));
    const bool write_error = error_no == HPDF_FILE_OPEN_ERROR || error_no == HPDF_FILE_IO_ERROR;
    const char* advice = error_advice(error_no);
    if (write_error && pdf->saving_path != nullptr) {
        // Our own writer passes errno as the detail, so it can be said in words.
        say("cannot write %s: %s\n", pdf->saving_path, strerror(static_cast<int>(detail_no)));
    } else if (advice != nullptr) {
        say("%s", advice);
    }
}

bool open_pdf_document(PdfDocument* pdf, const PdfSetup& setup) {
    pdf->document = HPDF_New(on_pdf_error, pdf);
    if (pdf->document == nullptr) {
        say("HPDF_New failed\n");
        return false;
    }
    // Compression must be on before pages and images are added, or they stay uncompressed.
    HPDF_SetCompressionMode(pdf->document, HPDF_COMP_ALL);
    get_fonts(pdf, setup.unicode_fonts);
    set_document_info(pdf->document, setup.title);
    return !pdf->failed;
}

bool add_pdf_pages(PdfDocument* pdf, int32_t count, float width, float height) {
    pdf->pages.reset(new (std::nothrow) HPDF_Page[count]);
    if (!pdf->pages) {
        say("Error: cannot allocate %d page handles\n", count);
        return false;
    }
    pdf->page_count = count;
    for (int32_t i = 0; i < count; ++i) {
        pdf->pages[i] = HPDF_AddPage(pdf->document);
        // Height first, as libharu's own page sizes set them.
        HPDF_Page_SetHeight(pdf->pages[i], height);
        HPDF_Page_SetWidth(pdf->pages[i], width);
    }
    return !pdf->failed;
}

void close_pdf_document(PdfDocument* pdf) {
    if (pdf->document != nullptr) HPDF_Free(pdf->document);
    pdf->document = nullptr;
    pdf->pages.reset();
    pdf->page_count = 0;
}

void fill_blank_pages(PdfDocument* pdf) {
    for (int32_t i = 0; i < pdf->page_count; ++i) {
        // libharu has no call for a page's content length; its page record is public.
        const HPDF_PageAttr attr = static_cast<HPDF_PageAttr>(pdf->pages[i]->attr);
        if (HPDF_Stream_Size(attr->stream) > 0) continue;
        HPDF_Page_GSave(pdf->pages[i]);
        HPDF_Page_GRestore(pdf->pages[i]);
    }
}

bool font_files_present(bool unicode_fonts) {
    if (!unicode_fonts) return true;
    for (const char* path : {EMBEDDED_REGULAR_FONT, EMBEDDED_BOLD_FONT}) {
        const char* reason = nullptr;
        if (!open_regular_file(path, &reason)) {
            say("Error: cannot open font file %s: %s\n", path, reason);
            return false;
        }
    }
    return true;
}

bool fonts_print(const PdfDocument& pdf, int32_t code_point) {
    if (!pdf.unicode) return code_point_fits_windows_1252(code_point);
    if (code_point > 0xFFFF || is_right_to_left(code_point)) return false;  // libharu's codes are 16-bit
    for (HPDF_FontDef glyphs : pdf.unicode_glyphs) {
        if (glyphs == nullptr ||
            HPDF_TTFontDef_GetGlyphid(glyphs, static_cast<HPDF_UINT16>(code_point)) == 0) {
            return false;
        }
    }
    return true;
}

std::string_view font_bytes(HPDF_Font font, std::string_view text, std::string* storage) {
    // Most texts are ASCII, which both encodings write as it is: no copy for them.
    if (is_ascii(text)) return text;
    const char* encoding = HPDF_Font_GetEncodingName(font);
    if (encoding != nullptr && strcmp(encoding, PDF_UNICODE_ENCODING) == 0) return text;
    *storage = to_windows_1252(text);
    return *storage;
}
