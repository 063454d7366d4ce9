#include "pdf/save.h"

#include <pthread.h>
#include <sched.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <new>
#include <string>
#include <thread>
#include <vector>

#include "base/message.h"
#include "pdf/finish.h"
#include "pdf/libharu_internals.h"

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

// Whether qpdf has anything to do for the document: put its pictures' data in, add glyph fonts
// for shaped text, make a print shop's file, or leave out embedded faces loaded for texts that
// no page ended up drawing in them (libharu writes every font it loaded). Documents in the
// standard fonts with none of these are written by libharu alone. ROSTERBOOK_FINISH_WITH_QPDF=1
// in the environment sends every document through qpdf, so the tests can compare the two ways.
bool needs_qpdf(const PdfDocument& pdf, const std::vector<GlyphFont>& glyph_fonts) {
    static const bool always = getenv("ROSTERBOOK_FINISH_WITH_QPDF") != nullptr;
    return always || !pdf.pictures.empty() || !glyph_fonts.empty() || pdf.shop.enabled ||
           pdf.fonts.regular.glyphs != nullptr;
}

// Gives libharu's document what the finishing would add to it: the viewer preferences, the
// version they need, compressed streams and a trailer /ID, a placeholder until the file's
// bytes are known (put_id).
bool add_own_finish(PdfDocument* pdf) {
    const std::vector<std::pair<const char*, const char*>> names = viewer_preference_names(pdf->viewer);
    if (!names.empty() && !set_viewer_preferences(pdf->document, names)) return false;
    if (needs_pdf_1_7(pdf->viewer)) use_pdf_1_7(pdf->document);
    compress_every_stream(pdf->document);
    return write_id_placeholder(pdf->document);
}

// Puts the digest of `bytes` (as written, placeholder and all) in place of both copies of the
// placeholder in their trailer's /ID: the same document gives the same file, run after run.
void put_id(std::string* bytes) {
    char digest_hex[2 * sizeof ID_PLACEHOLDER + 1];
    HPDF_BYTE digest[sizeof ID_PLACEHOLDER];
    file_digest(*bytes, digest);
    for (size_t i = 0; i < sizeof digest; ++i) snprintf(digest_hex + 2 * i, 3, "%02X", digest[i]);
    const std::string placeholder = "<" + std::string(2 * sizeof ID_PLACEHOLDER, '0') + ">";
    size_t at = bytes->rfind("trailer");
    while (at != std::string::npos && (at = bytes->find(placeholder, at)) != std::string::npos) {
        bytes->replace(at + 1, 2 * sizeof ID_PLACEHOLDER, digest_hex);
        at += placeholder.size();
    }
}

// Writes `bytes` into `file`, leaving in `write_error` the errno of a write that failed.
void write_bytes(const std::string& bytes, FILE* file, int* write_error) {
    errno = 0;
    if (fwrite(bytes.data(), 1, bytes.size(), file) != bytes.size()) *write_error = errno != 0 ? errno : EIO;
}

// Serialises the document into its temporary file `file`: finished with qpdf when it needs
// what only qpdf writes, else as libharu writes it. Leaves in `write_error` the errno of a
// write that failed (else 0).
void finish_document(PdfDocument* pdf, FILE* file, int* write_error) {
    if (pdf->failed) return;
    fill_blank_pages(pdf);
    complete_composite_glyphs(pdf->fonts);
    const std::vector<GlyphFont> glyph_fonts = glyph_fonts_of(pdf->fonts);
    const bool by_qpdf = needs_qpdf(*pdf, glyph_fonts);
    if (!by_qpdf && !add_own_finish(pdf)) return;
    HPDF_SaveToStream(pdf->document);
    if (pdf->failed) return;
    std::string bytes = serialised(pdf->document);
    // libharu's copy of the file and of every picture in it is not needed any more.
    close_pdf_document(pdf);
    if (bytes.empty()) {
        fail_pdf(pdf, HPDF_FILE_IO_ERROR, ENOMEM);
    } else if (!by_qpdf) {
        put_id(&bytes);
        write_bytes(bytes, file, write_error);
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

JoinedThread start_loading_finishing([[maybe_unused]] bool likely) {
#ifdef ROSTERBOOK_FINISH_MODULE
    if (likely) return {std::thread(load_finish_module)};
    return {};
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
