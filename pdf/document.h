// One PDF document under construction with libharu: its fonts, its physical pages, and the
// first error libharu reported, which stops the run instead of ending the process.
#pragma once

#include <hpdf.h>

#include <cstdint>
#include <memory>
#include <vector>

#include "pdf/finish.h"
#include "pdf/fonts.h"

// What a document is made with: the fonts to draw with and the title its information names.
// Unicode fonts are Liberation Sans and Liberation Sans Bold, embedded and subset, drawing
// UTF-8 text in any script they have; the standard fonts are Helvetica and Helvetica-Bold,
// drawing WinAnsi (Windows-1252) text.
struct PdfSetup {
    bool unicode_fonts;
    const char* title;       // UTF-8; "" gives "Member Roster"
    long long made_at = -1;  // the file's date, in seconds since 1970 (UTC); -1: now
};

// Owned by whoever opened it, from open_pdf_document to close_pdf_document or its end of
// scope; it never moves, as libharu's error handler holds its address.
struct PdfDocument {
    PdfDocument() = default;
    PdfDocument(const PdfDocument&) = delete;
    PdfDocument& operator=(const PdfDocument&) = delete;
    ~PdfDocument();

    HPDF_Doc document = nullptr;
    PdfFonts fonts;
    std::unique_ptr<HPDF_Page[]> pages;  // physical pages, in file order
    int32_t page_count = 0;
    bool failed = false;                       // an error was reported: nothing more is drawn or saved
    const char* saving_path = nullptr;         // the file being saved, named in write errors
    const char* output_name = nullptr;         // the file the document becomes, named in warnings; not owned
    ViewerSettings viewer = {nullptr, false};  // how a print dialog should start
    PrintShopFinish shop;                      // what a print shop's file needs; off for others
    std::vector<PictureStream> pictures;       // the data of its pictures, put in when it is finished
    std::vector<std::unique_ptr<unsigned char, void (*)(void*)>> own_pictures;  // data prepared for it alone
};

// Moves the origin of every page by (dx, dy) points: a print shop's pages draw inside the bleed.
void offset_pdf_pages(PdfDocument* pdf, float dx, float dy);

// libharu's error handler, with the PdfDocument as `user_data`: the first error says what
// went wrong in words and what to do about it, then libharu's codes ("Error: a font size is
// out of range (libharu error 1050, detail 0)"; a failed save "Error: cannot write
// booklet.pdf: File too large") and marks the document failed; later errors of a failed
// document, which libharu raises for every call after the first, say nothing.
void on_pdf_error(HPDF_STATUS error_no, HPDF_STATUS detail_no, void* user_data);

// Reports an error of `pdf` as on_pdf_error does (also for the errors of its own save).
void fail_pdf(PdfDocument* pdf, HPDF_STATUS error_no, HPDF_STATUS detail_no);

// Fails the document `page` belongs to, through its error handler, as libharu would.
void fail_page_document(HPDF_Page page, HPDF_STATUS error_no, HPDF_STATUS detail_no);

// Creates the document with full compression, its fonts and its information (title,
// creator, creation date). Returns false after "Error: not enough memory to start a PDF"
// when libharu cannot create it, or when setting it up reported an error.
bool open_pdf_document(PdfDocument* pdf, const PdfSetup& setup);

// Adds `count` pages of width x height points. Returns false after a message when the
// page array cannot be allocated or libharu reported an error.
bool add_pdf_pages(PdfDocument* pdf, int32_t count, float width, float height);

// Frees the document and its pages (a closed or never opened one is left alone).
void close_pdf_document(PdfDocument* pdf);

// Gives each page on which nothing was drawn a content stream readers accept: libharu
// writes an empty compressed stream, which Ghostscript and mutool refuse.
void fill_blank_pages(PdfDocument* pdf);

// Strokes on `page` from here on in registration colour (REGISTRATION_COLOUR_SPACE), as crop
// marks are drawn so they show on every plate; libharu is not told, so set the next stroke
// colour again.
void set_registration_stroke(HPDF_Page page);
