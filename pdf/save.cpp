#include "pdf/save.h"

#include <unistd.h>

#include <algorithm>
#include <atomic>
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

// One document's finished bytes and the messages said while they were made.
struct Finished {
    std::string bytes;  // empty when the document failed
    char* messages = nullptr;
    size_t messages_size = 0;
    ~Finished() { free(messages); }
};

// Serialises the document and finishes it with qpdf, in memory. Its messages go into
// `finished`, to be said in the documents' order whichever thread made them.
void finish_document(PdfDocument* pdf, Finished* finished) {
    FILE* captured = open_memstream(&finished->messages, &finished->messages_size);
    const MessageStreams previous = use_message_streams({nullptr, captured});
    if (!pdf->failed) {
        fill_blank_pages(pdf);
        complete_composite_glyphs(pdf->fonts);
        HPDF_SaveToStream(pdf->document);
    }
    const std::string bytes = pdf->failed ? std::string() : serialised(pdf->document);
    // libharu's copy of the file and of every picture in it is not needed any more.
    if (!pdf->failed) close_pdf_document(pdf);
    std::string reason;
    if (!pdf->failed && bytes.empty()) {
        fail_pdf(pdf, HPDF_FILE_IO_ERROR, ENOMEM);
    } else if (!pdf->failed &&
               !finish_pdf(bytes, pdf->pictures, pdf->viewer, pdf->shop, &finished->bytes, &reason)) {
        say("Error: cannot finish %s: %s\n", pdf->output_name != nullptr ? pdf->output_name : "the PDF",
            reason.c_str());
        pdf->failed = true;
    }
    use_message_streams(previous);
    if (captured != nullptr) fclose(captured);
    if (pdf->failed) finished->bytes.clear();
}

void end_pending_save(PdfDocument* pdf) {
    temp_file_pending = 0;
    pdf->saving_path = nullptr;
}

// Writes `bytes` into the temporary file and puts it at `path`. Every write is checked:
// libharu's own file writer ignores a failing close (a full disk).
bool write_document(PdfDocument* pdf, const std::string& bytes, const char* path) {
    snprintf(pending_temp_path, sizeof pending_temp_path, "%s.%ld.tmp", path, static_cast<long>(getpid()));
    pdf->saving_path = path;
    temp_file_pending = 1;
    FILE* file = fopen(pending_temp_path, "wb");
    if (file == nullptr) {
        fail_pdf(pdf, HPDF_FILE_OPEN_ERROR, errno);
        end_pending_save(pdf);
        return false;
    }
    errno = 0;
    bool written = fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size() && fflush(file) == 0;
    int write_errno = errno;
    if (fclose(file) != 0 || !written) {
        if (written) write_errno = errno;
        written = false;
        fail_pdf(pdf, HPDF_FILE_IO_ERROR, write_errno != 0 ? write_errno : EIO);
    }
    const bool renamed = written && rename(pending_temp_path, path) == 0;
    if (written && !renamed) say("Error: cannot write %s: %s\n", path, strerror(errno));
    if (!renamed) remove(pending_temp_path);
    end_pending_save(pdf);
    return renamed;
}

}  // namespace

bool save_pdf_documents(std::span<PdfDocument* const> documents, std::span<const char* const> paths,
                        int threads) {
    std::vector<Finished> finished(documents.size());
    std::atomic<size_t> next = 0;
    auto work = [&] {
        for (size_t i = next++; i < documents.size(); i = next++) finish_document(documents[i], &finished[i]);
    };
    std::vector<std::thread> helpers;
    for (int t = 1; t < threads && static_cast<size_t>(t) < documents.size(); ++t) helpers.emplace_back(work);
    work();
    for (std::thread& helper : helpers) helper.join();
    for (size_t i = 0; i < documents.size(); ++i) {
        if (finished[i].messages_size > 0) say("%s", finished[i].messages);
        if (documents[i]->failed || !write_document(documents[i], finished[i].bytes, paths[i])) return false;
        close_pdf_document(documents[i]);
    }
    return true;
}

bool save_pdf_document(PdfDocument* pdf, const char* path) {
    PdfDocument* const documents[1] = {pdf};
    const char* const paths[1] = {path};
    return save_pdf_documents(documents, paths, 1);
}

void remove_temp_file_on_signals() {
    for (int signal_number : {SIGINT, SIGTERM, SIGHUP, SIGXFSZ}) {
        struct sigaction current;
        if (sigaction(signal_number, nullptr, &current) != 0) continue;
        if (current.sa_handler == SIG_IGN || current.sa_handler == on_fatal_signal) continue;
        signal(signal_number, on_fatal_signal);
    }
}
