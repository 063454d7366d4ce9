#include "pdf/save.h"

#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <new>
#include <string>

#include "base/message.h"
#include "pdf/finish.h"

namespace {

constexpr size_t TEMP_PATH_SIZE = 4096 + 32;

// The file a save is writing into, for the signal handler, which can reach nothing else.
// The path is complete before the flag is raised, as a signal may read it at any moment;
// both are cleared when the save ends.
char pending_temp_path[TEMP_PATH_SIZE];
volatile sig_atomic_t temp_file_pending = 0;

// Only async-signal-safe calls: remove the half-written file, then die of the signal.
void on_fatal_signal(int signal_number) {
    if (temp_file_pending) unlink(pending_temp_path);
    signal(signal_number, SIG_DFL);
    raise(signal_number);
}

// The serialised document; empty when memory runs out.
std::string serialised(HPDF_Doc document) {
    std::string bytes;
    try {
        bytes.resize(HPDF_GetStreamSize(document));
    } catch (const std::bad_alloc&) {
        return std::string();
    }
    HPDF_ResetStream(document);
    size_t done = 0;
    while (done < bytes.size()) {
        HPDF_UINT32 size = static_cast<HPDF_UINT32>(std::min<size_t>(bytes.size() - done, 1 << 16));
        HPDF_ReadFromStream(document, reinterpret_cast<HPDF_BYTE*>(bytes.data() + done), &size);
        if (size == 0) return std::string();
        done += size;
    }
    return bytes;
}

// Serialises the document, finishes it with qpdf and writes it into the open temporary
// file. libharu's own file writer ignores a failing close (a full disk), so the bytes are
// written here and every write checked.
bool write_document(PdfDocument* pdf, FILE* file) {
    HPDF_SaveToStream(pdf->document);
    if (pdf->failed) {
        fclose(file);
        return false;
    }
    const std::string bytes = serialised(pdf->document);
    std::string reason;
    errno = 0;
    bool written = !bytes.empty() && write_finished_pdf(bytes, file, pdf->viewer, pdf->shop, &reason) &&
                   fflush(file) == 0;
    int write_errno = errno;
    if (fclose(file) != 0 && written) written = false, write_errno = errno;
    if (!written && write_errno == 0 && !reason.empty()) {
        say("Error: cannot finish %s: %s\n", pdf->saving_path, reason.c_str());
        pdf->failed = true;
    } else if (!written) {
        fail_pdf(pdf, HPDF_FILE_IO_ERROR, write_errno != 0 ? write_errno : ENOMEM);
    }
    return written;
}

void end_pending_save(PdfDocument* pdf) {
    temp_file_pending = 0;
    pdf->saving_path = nullptr;
}

}  // namespace

// The temporary file is opened before the document is serialised, which is the slow part,
// so a folder that cannot be written fails at once.
bool save_pdf_document(PdfDocument* pdf, const char* path) {
    if (pdf->failed) return false;
    fill_blank_pages(pdf);
    complete_composite_glyphs(pdf->fonts);
    snprintf(pending_temp_path, sizeof pending_temp_path, "%s.%ld.tmp", path, static_cast<long>(getpid()));
    pdf->saving_path = path;
    temp_file_pending = 1;
    FILE* file = fopen(pending_temp_path, "wb");
    if (file == nullptr) fail_pdf(pdf, HPDF_FILE_OPEN_ERROR, errno);
    if (file == nullptr || !write_document(pdf, file)) {
        remove(pending_temp_path);
        end_pending_save(pdf);
        return false;
    }
    close_pdf_document(pdf);
    const bool renamed = rename(pending_temp_path, path) == 0;
    if (!renamed) {
        say("Error: cannot write %s: %s\n", path, strerror(errno));
        remove(pending_temp_path);
    }
    end_pending_save(pdf);
    return renamed;
}

void remove_temp_file_on_signals() {
    for (int signal_number : {SIGINT, SIGTERM, SIGHUP, SIGXFSZ}) {
        struct sigaction current;
        if (sigaction(signal_number, nullptr, &current) != 0) continue;
        if (current.sa_handler == SIG_IGN || current.sa_handler == on_fatal_signal) continue;
        signal(signal_number, on_fatal_signal);
    }
}
