// Saving a finished PDF document: written to a temporary file next to its place and
// renamed over it once complete, so a failed or interrupted save leaves the previous file.
#pragma once

#include <span>
#include <thread>

#include "pdf/document.h"

// Saves `pdf` to `path` and closes it. Pages on which nothing was drawn get a content
// stream first (fill_blank_pages). Every write is checked; a failure writes "libharu
// error: ..." and "cannot write <path>: <reason>" (or, when the finished file cannot
// replace `path`, "Error: cannot write <path>: <reason>"), removes the temporary file and
// returns false. A document that failed before is not saved and returns false silently.
bool save_pdf_document(PdfDocument* pdf, const char* path);

// Saves each document to the path of the same index as save_pdf_document would, one after
// the other, but serialises and finishes them (the slow part) on up to `threads` threads
// at once. Their messages are said in the documents' order, and the first failure ends
// the saving as it would have: later documents are not written and say nothing.
bool save_pdf_documents(std::span<PdfDocument* const> documents, std::span<const char* const> paths,
                        int threads);

// A thread that is joined when the record goes (the web page's C++ library has no jthread).
struct JoinedThread {
    std::thread thread;
    ~JoinedThread() {
        if (thread.joinable()) thread.join();
    }
};

// Starts loading what finishing needs (qpdf and the libraries it links: a few milliseconds) on
// a thread of its own, so the first save need not wait for it, when `likely` (the run has
// pictures or a print shop's file); the thread ends when it is loaded. Otherwise the first
// save that needs it (embedded fonts, shaped text) loads it, and documents in the standard
// fonts are written by libharu alone. No thread where finishing is linked into the tool.
JoinedThread start_loading_finishing(bool likely);

// From now on a run killed by SIGINT, SIGTERM, SIGHUP or SIGXFSZ while a save is writing
// removes its temporary file before it dies. Signals ignored when the process started stay
// ignored. Calling it again changes nothing.
void remove_temp_file_on_signals();
