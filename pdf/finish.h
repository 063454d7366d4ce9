// Finishing a serialised PDF with qpdf: what libharu 2.3.0 cannot write itself, a trailer
// /ID and /ViewerPreferences that preset the print dialog, with the version they need.
#pragma once

#include <cstdio>
#include <string>

// How the print dialog should start for a document.
struct ViewerSettings {
    const char* duplex;     // "DuplexFlipShortEdge" or "DuplexFlipLongEdge"; null: no preference
    bool no_print_scaling;  // print at actual size
};

// Writes the PDF `bytes` to `file` (left open) with an /ID made from its content (the same
// bytes give the same file), `viewer`'s /ViewerPreferences and at least PDF 1.7 when it
// has them. Returns false with qpdf's words in `reason`; errno is then that of a failed write.
bool write_finished_pdf(const std::string& bytes, FILE* file, const ViewerSettings& viewer,
                        std::string* reason);
