#include "pdf/save.h"

#include <pthread.h>
#include <sched.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <new>
#include <string>
#include <thread>
#include <vector>

#include "base/message.h"
#include "pdf/finish.h"

namespace {

constexpr size_t TEMP_PATH_SIZE = 4096 + 32;

// The files the saves are writing into, one slot per document of a run, for the signal
// handler, which can reach nothing else. A path is complete before its flag is raised, as
// a signal may read it at any moment; both are cleared when that save ends.
constexpr size_t MAX_SAVES = 3;
char pending_temp_paths[MAX_SAVES][TEMP_PATH_SIZE];
volatile sig_atomic_t temp_files_pending[MAX_SAVES] = {};

// Only async-signal-safe calls: remove the half-written files, then die of the signal.
void on_fatal_signal(int signal_number) {
    for (size_t slot = 0; slot < MAX_SAVES; ++slot) {
        if (temp_files_pending[slot]) unlink(pending_temp_paths[slot]);
    }
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

// Serialises the document and finishes it with qpdf into its temporary file `file`, leaving
// in `write_error` the errno of a write that failed (else 0).
void finish_document(PdfDocument* pdf, FILE* file, int* write_error) {
    if (pdf->failed) return;
    fill_blank_pages(pdf);
    complete_composite_glyphs(pdf->fonts);
    HPDF_SaveToStream(pdf->document);
    if (pdf->failed) return;
    const std::string bytes = serialised(pdf->document);
    const std::vector<GlyphFont> glyph_fonts = glyph_fonts_of(pdf->fonts);
    // libharu's copy of the file and of every picture in it is not needed any more.
    close_pdf_document(pdf);
    if (bytes.empty()) {
        fail_pdf(pdf, HPDF_FILE_IO_ERROR, ENOMEM);
    } else if (std::optional<Failure> failed =
                   finish_pdf(bytes, pdf->pictures, glyph_fonts, pdf->viewer, pdf->shop, file)) {
        *write_error = failed->error_number;  // said with the file's name when it is closed
        if (failed->error_number == 0) {
            say("Error: cannot finish %s: %s\n", pdf->output_name != nullptr ? pdf->output_name : "the PDF",
                failed->reason.c_str());
            pdf->failed = true;
        }
    }
}

void end_pending_save(PdfDocument* pdf, size_t slot) {
    temp_files_pending[slot] = 0;
    pdf->saving_path = nullptr;
}

// Opens the temporary file of the document in `slot`, next to `path`; null after its error.
FILE* open_temp_file(PdfDocument* pdf, const char* path, size_t slot) {
    snprintf(pending_temp_paths[slot], TEMP_PATH_SIZE, "%s.%ld.tmp", path, static_cast<long>(getpid()));
    pdf->saving_path = path;
    temp_files_pending[slot] = 1;
    FILE* file = fopen(pending_temp_paths[slot], "wb");
    if (file == nullptr) {
        fail_pdf(pdf, HPDF_FILE_OPEN_ERROR, errno);
        end_pending_save(pdf, slot);
    }
    return file;
}

// Drops an opened temporary file that will not be written.
void abandon_temp_file(PdfDocument* pdf, FILE* file, size_t slot) {
    fclose(file);
    remove(pending_temp_paths[slot]);
    end_pending_save(pdf, slot);
}

// Closes the written temporary file and puts it at `path`; `write_error` is the errno of a
// write that failed while it was finished. Every write is checked: libharu's own file writer
// ignores a failing close (a full disk).
bool write_document(PdfDocument* pdf, int write_error, const char* path, FILE* file, size_t slot) {
    errno = 0;
    bool written = write_error == 0 && fflush(file) == 0;
    int write_errno = write_error != 0 ? write_error : errno;
    if (fclose(file) != 0 || !written) {
        if (written) write_errno = errno;
        written = false;
        fail_pdf(pdf, HPDF_FILE_IO_ERROR, write_errno != 0 ? write_errno : EIO);
    }
    const bool renamed = written && rename(pending_temp_paths[slot], path) == 0;
    if (written && !renamed) say("Error: cannot write %s: %s\n", path, strerror(errno));
    if (!renamed) remove(pending_temp_paths[slot]);
    end_pending_save(pdf, slot);
    return renamed;
}

}  // namespace

bool save_pdf_documents(std::span<PdfDocument* const> documents, std::span<const char* const> paths,
                        int threads) {
    // Every temporary file is opened before the slow part, so a folder that cannot be
    // written fails at once; the documents before one that fails are still saved.
    const size_t count = std::min(documents.size(), MAX_SAVES);
    FILE* files[MAX_SAVES] = {};
    size_t opened = 0;
    while (opened < count && !documents[opened]->failed &&
           (files[opened] = open_temp_file(documents[opened], paths[opened], opened)) != nullptr) {
        ++opened;
    }
    std::vector<int> write_errors(opened, 0);
    const bool saved = run_in_order(
        opened, threads, [&](size_t i) { finish_document(documents[i], files[i], &write_errors[i]); },
        [&](size_t i) {
            if (!documents[i]->failed &&
                write_document(documents[i], write_errors[i], paths[i], files[i], i)) {
                close_pdf_document(documents[i]);
                return true;
            }
            if (documents[i]->failed && temp_files_pending[i]) abandon_temp_file(documents[i], files[i], i);
            for (size_t j = i + 1; j < opened; ++j) abandon_temp_file(documents[j], files[j], j);
            return false;
        });
    return saved && opened == documents.size();
}

bool save_pdf_document(PdfDocument* pdf, const char* path) {
    PdfDocument* const documents[1] = {pdf};
    const char* const paths[1] = {path};
    return save_pdf_documents(documents, paths, 1);
}

JoinedThread start_loading_finishing() {
#ifdef ROSTERBOOK_FINISH_MODULE
    return {std::thread(load_finish_module)};
#else
    return {};
#endif
}

void remove_temp_file_on_signals() {
    for (int signal_number : {SIGINT, SIGTERM, SIGHUP, SIGXFSZ}) {
        struct sigaction current;
        if (sigaction(signal_number, nullptr, &current) != 0) continue;
        if (current.sa_handler == SIG_IGN || current.sa_handler == on_fatal_signal) continue;
        signal(signal_number, on_fatal_signal);
    }
}
