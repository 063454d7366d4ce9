#include "pdf/document.h"

#include <cstring>
#include <ctime>
#include <new>
#include <string>

#include "base/message.h"
#include "pdf/libharu_internals.h"
#include "text/encoding.h"

namespace {

constexpr const char* CREATOR = "rosterbook " ROSTERBOOK_VERSION;

// The plain words for the codes a club secretary can act on.
const char* error_advice(HPDF_STATUS error_no) {
    switch (error_no) {
        case HPDF_FILE_OPEN_ERROR:
        case HPDF_FILE_IO_ERROR:
            // A save names its own file; the one file libharu itself reads is an embedded font.
            return "a font file could not be read: reinstall fonts-liberation2 or set Fonts: Standard";
        case HPDF_INVALID_PNG_IMAGE:
        case HPDF_LIBPNG_ERROR:
            return "an image file could not be read as a PNG image";
        case HPDF_PAGE_INVALID_FONT_SIZE:
            return "a font size is out of range";
        case HPDF_PAGE_OUT_OF_RANGE:  // the detail is the page
            return "a page has no place in the booklet: a fault in rosterbook, please report it";
        case HPDF_FAILD_TO_ALLOC_MEM:
            return "not enough memory to make the PDFs: lower Image Resolution or use smaller images";
        default:
            return "the PDF could not be made";
    }
}

// Title, creator and creation date. A Unicode document writes its texts as UTF-16 (libharu
// does, with the UTF-8 encoder current); a standard one as the fonts' Windows-1252 bytes.
void set_document_info(HPDF_Doc document, const char* title, bool unicode, long long made_at) {
    const std::string written = unicode ? std::string(title) : to_windows_1252(title);
    HPDF_SetInfoAttr(document, HPDF_INFO_TITLE, title[0] != '\0' ? written.c_str() : "Member Roster");
    HPDF_SetInfoAttr(document, HPDF_INFO_CREATOR, CREATOR);
    const time_t now = made_at >= 0 ? static_cast<time_t>(made_at) : time(nullptr);
    struct tm utc;
    gmtime_r(&now, &utc);
    HPDF_Date date = {
        utc.tm_year + 1900, utc.tm_mon + 1, utc.tm_mday, utc.tm_hour, utc.tm_min, utc.tm_sec, 'Z', 0, 0};
    HPDF_SetInfoDateAttr(document, HPDF_INFO_CREATION_DATE, date);
    HPDF_SetInfoDateAttr(document, HPDF_INFO_MOD_DATE, date);  // a new file: modified as it was made
}

}  // namespace

PdfDocument::~PdfDocument() { close_pdf_document(this); }

void on_pdf_error(HPDF_STATUS error_no, HPDF_STATUS detail_no, void* user_data) {
    fail_pdf(static_cast<PdfDocument*>(user_data), error_no, detail_no);
}

void fail_pdf(PdfDocument* pdf, HPDF_STATUS error_no, HPDF_STATUS detail_no) {
    if (pdf->failed) return;
    pdf->failed = true;
    const bool write_error = error_no == HPDF_FILE_OPEN_ERROR || error_no == HPDF_FILE_IO_ERROR;
    if (write_error && pdf->saving_path != nullptr) {
        // Our own writer passes errno as the detail, so it can be said in words alone.
        say("Error: cannot write %s: %s\n", pdf->saving_path, strerror(static_cast<int>(detail_no)));
        return;
    }
    // libharu's own codes follow the words: all a bug report needs.
    say("Error: %s (libharu error %04X, detail %u)\n", error_advice(error_no),
        static_cast<unsigned>(error_no), static_cast<unsigned>(detail_no));
}

void fail_page_document(HPDF_Page page, HPDF_STATUS error_no, HPDF_STATUS detail_no) {
    HPDF_RaiseError(page->error, error_no, detail_no);
}

bool open_pdf_document(PdfDocument* pdf, const PdfSetup& setup) {
    pdf->document = HPDF_New(on_pdf_error, pdf);
    if (pdf->document == nullptr) {
        say("Error: not enough memory to start a PDF\n");
        return false;
    }
    // Compression must be on before pages and images are added, or they stay uncompressed.
    // Page contents are left to the finishing: qpdf decodes and recompresses libharu's
    // (its /Filter is an array), so compressing them here too only cost time.
    HPDF_SetCompressionMode(pdf->document, HPDF_COMP_IMAGE | HPDF_COMP_METADATA);
    pdf->fonts = load_fonts(pdf->document, setup.unicode_fonts);
    set_document_info(pdf->document, setup.title, setup.unicode_fonts, setup.made_at);
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
        if (page_content_size(pdf->pages[i]) > 0) continue;
        HPDF_Page_GSave(pdf->pages[i]);
        HPDF_Page_GRestore(pdf->pages[i]);
    }
}

void offset_pdf_pages(PdfDocument* pdf, float dx, float dy) {
    for (int32_t i = 0; i < pdf->page_count; ++i) HPDF_Page_Concat(pdf->pages[i], 1, 0, 0, 1, dx, dy);
}

void set_registration_stroke(HPDF_Page page) {
    write_page_operators(page, std::string(REGISTRATION_COLOUR_SPACE) + " CS 1 SCN\n");
}
