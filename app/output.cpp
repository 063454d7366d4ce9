#include "app/output.h"

#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <memory>
#include <new>
#include <span>

#include "layout/card.h"
#include "layout/compose.h"
#include "layout/cover.h"
#include "layout/geometry.h"
#include "layout/image.h"
#include "settings/text_util.h"

namespace {

// Text is converted to Windows-1252 as it is read; the fonts must print those bytes.
constexpr const char* PDF_FONT_ENCODING = "WinAnsiEncoding";
// Liberation Sans has Helvetica's widths, so embedding it moves no text.
constexpr const char* EMBEDDED_REGULAR_FONT = ROSTERBOOK_FONT_DIR "/LiberationSans-Regular.ttf";
constexpr const char* EMBEDDED_BOLD_FONT = ROSTERBOOK_FONT_DIR "/LiberationSans-Bold.ttf";
constexpr const char* CREATOR = "rosterbook " ROSTERBOOK_VERSION;

// The file a save is writing into, removed by on_pdf_error when the save fails and by
// on_fatal_signal when the run is killed, so neither leaves a truncated PDF or a stray
// file behind. The path is complete before the flag is raised, as a signal may read it
// at any moment.
char pending_temp_path[PATH_SIZE + 32];
volatile sig_atomic_t temp_file_pending = 0;
const char* pending_output_path = nullptr;  // the file being saved, named in write errors

// One PDF under construction: owned by produce_documents from creation to saving.
struct OutputDocument {
    HPDF_Doc document = nullptr;
    HPDF_Font regular_font = nullptr;
    HPDF_Font bold_font = nullptr;
    std::unique_ptr<HPDF_Page[]> pages;
};

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

void get_fonts(OutputDocument* output, bool embedded) {
    const char* regular = "Helvetica";
    const char* bold = "Helvetica-Bold";
    if (embedded) {
        regular = HPDF_LoadTTFontFromFile(output->document, EMBEDDED_REGULAR_FONT, HPDF_TRUE);
        bold = HPDF_LoadTTFontFromFile(output->document, EMBEDDED_BOLD_FONT, HPDF_TRUE);
    }
    output->regular_font = HPDF_GetFont(output->document, regular, PDF_FONT_ENCODING);
    output->bold_font = HPDF_GetFont(output->document, bold, PDF_FONT_ENCODING);
}

// A font file that is not there would otherwise end the run with a bare library code.
bool font_files_present(const Settings& settings) {
    if (!settings.embedded_fonts) return true;
    for (const char* path : {EMBEDDED_REGULAR_FONT, EMBEDDED_BOLD_FONT}) {
        const char* reason = nullptr;
        if (!open_regular_file(path, &reason)) {
            fprintf(stderr, "Error: cannot open font file %s: %s\n", path, reason);
            return false;
        }
    }
    return true;
}

// Title (the title lines joined by a blank), creator and creation date.
void set_document_info(HPDF_Doc document, const Settings& settings) {
    static char title[MAX_TITLE_LINES * SETTINGS_LINE_SIZE];
    title[0] = '\0';
    for (int i = 0; i < settings.title_line_count; ++i) {
        if (i > 0) strcat(title, " ");
        strcat(title, settings.title_lines[i]);
    }
    HPDF_SetInfoAttr(document, HPDF_INFO_TITLE, title[0] != '\0' ? title : "Member Roster");
    HPDF_SetInfoAttr(document, HPDF_INFO_CREATOR, CREATOR);
    const time_t now = time(nullptr);
    struct tm utc;
    gmtime_r(&now, &utc);
    HPDF_Date date = {
        utc.tm_year + 1900, utc.tm_mon + 1, utc.tm_mday, utc.tm_hour, utc.tm_min, utc.tm_sec, 'Z', 0, 0};
    HPDF_SetInfoDateAttr(document, HPDF_INFO_CREATION_DATE, date);
}

// The run's three pictures, each decoded once for both documents.
SourceImage loaded_images[3];

// Decodes the images whose files are there; false after "Error: cannot read image ..."
// when one cannot be read.
bool load_roster_images(const Settings& settings, RosterImages* images) {
    const char* paths[3] = {settings.cover_image_path, settings.committee_image_path,
                            settings.schedule_image_path};
    const SourceImage** slots[3] = {&images->cover, &images->committee, &images->schedule};
    char reason[256];
    for (int i = 0; i < 3; ++i) {
        *slots[i] = nullptr;
        if (!image_file_opens(paths[i])) continue;
        if (!load_source_image(paths[i], &loaded_images[i], reason, sizeof reason)) {
            fprintf(stderr, "Error: cannot read image %s: %s\n", paths[i], reason);
            return false;
        }
        *slots[i] = &loaded_images[i];
    }
    images->options = {settings.image_resolution, settings.jpeg_compression != 0};
    return true;
}

bool add_pages(OutputDocument* output, int count, HPDF_PageDirection direction) {
    output->pages.reset(new (std::nothrow) HPDF_Page[count]);
    if (!output->pages) {
        fprintf(stderr, "Error: cannot allocate %d page handles\n", count);
        return false;
    }
    for (int i = 0; i < count; ++i) {
        output->pages[i] = HPDF_AddPage(output->document);
        HPDF_Page_SetSize(output->pages[i], HPDF_PAGE_SIZE_LETTER, direction);
    }
    return true;
}

void compose(const OutputDocument& output, int32_t page_count, LayoutMode mode, const PageGeometry& geometry,
             int32_t new_dancers_page, const Settings& settings, const RosterGroups& groups,
             const RosterImages& images) {
    compose_document(output.document, output.pages.get(), page_count, mode, geometry, output.regular_font,
                     output.bold_font, settings, 1, 2, 3, 4, groups.member_count, new_dancers_page,
                     groups.new_dancer_count, page_count, groups.callers, groups.caller_count, groups.cuers,
                     groups.cuer_count, groups.members, groups.new_dancers, images);
}

// Copies the serialised document into `file`; false when a write fails (errno set).
bool write_stream(HPDF_Doc document, FILE* file) {
    static HPDF_BYTE chunk[1 << 16];
    HPDF_UINT32 remaining = HPDF_GetStreamSize(document);
    HPDF_ResetStream(document);
    while (remaining > 0) {
        HPDF_UINT32 size = remaining < sizeof chunk ? remaining : static_cast<HPDF_UINT32>(sizeof chunk);
        HPDF_ReadFromStream(document, chunk, &size);
        if (size == 0 || fwrite(chunk, 1, size, file) != size) return false;
        remaining -= size;
    }
    return fflush(file) == 0;
}

// Only async-signal-safe calls: remove the half-written file, then die of the signal.
void on_fatal_signal(int signal_number) {
    if (temp_file_pending) unlink(pending_temp_path);
    signal(signal_number, SIG_DFL);
    raise(signal_number);
}

// A signal the run was started with ignored (nohup, a test's SIGXFSZ) stays ignored.
void remove_temp_file_on_signals() {
    for (int signal_number : {SIGINT, SIGTERM, SIGHUP, SIGXFSZ}) {
        struct sigaction current;
        if (sigaction(signal_number, nullptr, &current) == 0 && current.sa_handler == SIG_IGN) continue;
        signal(signal_number, on_fatal_signal);
    }
}

// Saves the document and frees it. The PDF is written next to `path` and renamed over
// it once complete, so the previous file stays whole until the new one is. libharu's own
// file writer ignores a failing close (a full disk), so the bytes are written here and
// every write checked; failures are reported through on_pdf_error like libharu's own.
// The temporary file is opened before the document is serialised, which is the slow
// part, so a folder that cannot be written fails at once.
// Returns false after a message when the finished file cannot replace `path`.
bool save_and_free(OutputDocument* output, const char* path) {
    snprintf(pending_temp_path, sizeof pending_temp_path, "%s.%ld.tmp", path, static_cast<long>(getpid()));
    pending_output_path = path;
    temp_file_pending = 1;
    FILE* file = fopen(pending_temp_path, "wb");
    if (file == nullptr) on_pdf_error(HPDF_FILE_OPEN_ERROR, errno, nullptr);
    HPDF_SaveToStream(output->document);
    bool written = write_stream(output->document, file);
    int write_errno = errno;
    if (fclose(file) != 0 && written) written = false, write_errno = errno;
    if (!written) on_pdf_error(HPDF_FILE_IO_ERROR, write_errno, nullptr);
    HPDF_Free(output->document);
    output->document = nullptr;
    output->pages.reset();
    bool renamed = rename(pending_temp_path, path) == 0;
    if (!renamed) {
        fprintf(stderr, "Error: cannot write %s: %s\n", path, strerror(errno));
        remove(pending_temp_path);
    }
    temp_file_pending = 0;
    pending_output_path = nullptr;
    return renamed;
}

// Names every card line and cover line that had to shrink or be cut, once per run: the
// booklet's card and cover are the narrower, so its sizes are the ones given. Cards are
// reported in the order of the member list.
void report_text_fitting(const Settings& settings, const RosterGroups& groups,
                         const OutputDocument& booklet) {
    report_cover_fit(settings, booklet.regular_font, booklet.bold_font,
                     BOOKLET_GEOMETRY.page_width - 2.0f * BOOKLET_GEOMETRY.margin_x);
    const Member* people[4 * MAX_MEMBERS];
    int count = 0;
    for (std::span<const Member> group :
         {std::span(groups.callers, groups.caller_count), std::span(groups.cuers, groups.cuer_count),
          std::span(groups.members, groups.member_count),
          std::span(groups.new_dancers, groups.new_dancer_count)}) {
        for (const Member& person : group) people[count++] = &person;
    }
    std::sort(people, people + count,
              [](const Member* a, const Member* b) { return a->line_number < b->line_number; });
    for (int i = 0; i < count; ++i) {
        report_card_fit(settings.member_csv_path, *people[i], booklet.regular_font, booklet.bold_font,
                        BOOKLET_GEOMETRY.column_width);
    }
}

// Frees the documents of a run that stops before saving; nothing is written.
bool abandon(OutputDocument* booklet, OutputDocument* standard) {
    if (booklet->document != nullptr) HPDF_Free(booklet->document);
    if (standard->document != nullptr) HPDF_Free(standard->document);
    return false;
}

}  // namespace

void on_pdf_error(HPDF_STATUS error_no, HPDF_STATUS detail_no, void* /*user_data*/) {
    fprintf(stderr, "libharu error: %04X  detail: %u\n", static_cast<unsigned>(error_no),
            static_cast<unsigned>(detail_no));
    const bool write_error = error_no == HPDF_FILE_OPEN_ERROR || error_no == HPDF_FILE_IO_ERROR;
    const char* advice = error_advice(error_no);
    if (write_error && pending_output_path != nullptr) {
        // Our own writer passes errno as the detail, so it can be said in words.
        fprintf(stderr, "cannot write %s: %s\n", pending_output_path, strerror(static_cast<int>(detail_no)));
    } else if (advice != nullptr) {
        fputs(advice, stderr);
    }
    if (temp_file_pending) remove(pending_temp_path);
    exit(1);
}

bool produce_documents(const Settings& settings, const RosterGroups& groups, const PagePlan& plan) {
    RosterImages images;
    if (!font_files_present(settings) || !load_roster_images(settings, &images)) return false;
    OutputDocument booklet, standard;
    booklet.document = HPDF_New(on_pdf_error, nullptr);
    standard.document = HPDF_New(on_pdf_error, nullptr);
    if (booklet.document == nullptr || standard.document == nullptr) {
        fprintf(stderr, "HPDF_New failed\n");
        return abandon(&booklet, &standard);
    }
    // Compression must be on before pages and images are added, or they stay uncompressed.
    HPDF_SetCompressionMode(booklet.document, HPDF_COMP_ALL);
    HPDF_SetCompressionMode(standard.document, HPDF_COMP_ALL);
    get_fonts(&booklet, settings.embedded_fonts);
    get_fonts(&standard, settings.embedded_fonts);
    set_document_info(booklet.document, settings);
    set_document_info(standard.document, settings);
    if (!add_pages(&booklet, 2 * plan.booklet_sheets, HPDF_PAGE_LANDSCAPE) ||
        !add_pages(&standard, plan.standard_pages, HPDF_PAGE_PORTRAIT)) {
        return abandon(&booklet, &standard);
    }

    report_text_fitting(settings, groups, booklet);
    compose(booklet, plan.booklet_pages, LAYOUT_BOOKLET, BOOKLET_GEOMETRY, plan.booklet_new_dancer_page,
            settings, groups, images);
    compose(standard, plan.standard_pages, LAYOUT_STANDARD, STANDARD_GEOMETRY, plan.standard_new_dancer_page,
            settings, groups, images);
    for (SourceImage& image : loaded_images) free_source_image(&image);

    remove_temp_file_on_signals();
    if (!save_and_free(&booklet, settings.booklet_pdf_path)) return abandon(&booklet, &standard);
    if (!save_and_free(&standard, settings.standard_pdf_path)) return false;
    printf("Booklet : %s  (landscape, SHORT-edge duplex, collate-fold-staple)\n", settings.booklet_pdf_path);
    printf("Standard: %s  (portrait,  LONG-edge  duplex)\n", settings.standard_pdf_path);
    return true;
}
