#include "app/run.h"

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <map>
#include <memory>
#include <optional>
#include <set>
#include <span>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "app/changes.h"
#include "app/contacts.h"
#include "app/email_list.h"
#include "app/path_check.h"
#include "app/picture_jobs.h"
#include "app/printable.h"
#include "base/failure.h"
#include "base/file.h"
#include "base/message.h"
#include "base/text_util.h"
#include "image/colour.h"
#include "image/image.h"
#include "layout/card.h"
#include "layout/compose.h"
#include "layout/cover.h"
#include "layout/geometry.h"
#include "layout/labels.h"
#include "layout/name_index.h"
#include "layout/page_plan.h"
#include "layout/proofs.h"
#include "layout/typed_page.h"
#include "pdf/document.h"
#include "pdf/embed.h"
#include "pdf/save.h"
#include "pdf/shape.h"
#include "roster/photo.h"
#include "roster/roster.h"
#include "roster/sheet.h"
#include "settings/settings.h"

namespace {

// The run's pictures and the members' photos, each decoded once for every document and
// freed with the record.
struct LoadedImages {
    SourceImage images[PICTURE_SLOT_COUNT] = {};  // by PictureSlot
    std::vector<std::string> photo_paths;         // by card; named by the photos' records
    std::vector<SourceImage> photos;              // by card; an empty record where it has none
    std::vector<const SourceImage*> photo_of;     // by card: its opened photo, or null
    ~LoadedImages() { free_images(); }
    void free_images() {
        for (SourceImage& image : images) free_source_image(&image);
        for (SourceImage& photo : photos) free_source_image(&photo);
    }
};

// Puts the caller's message streams in place for one run and the previous ones back after.
struct StreamsInUse {
    MessageStreams previous;
    explicit StreamsInUse(MessageStreams streams) : previous(use_message_streams(streams)) {}
    ~StreamsInUse() { use_message_streams(previous); }
};

// A long-reach stapler goes through about 20 sheets of ordinary paper folded (80 pages);
// a thicker booklet will not close flat nor staple.
constexpr int32_t MAX_STAPLED_SHEETS = 20;

void report_plan(const PagePlan& plan) {
    report("Booklet : %d content pages => padded to %d (%d sheets)\n", plan.booklet_content_pages,
           plan.booklet_pages, plan.booklet_sheets);
    report("Portrait: %d pages\n", plan.standard_pages);
    if (plan.booklet_sheets > MAX_STAPLED_SHEETS) {
        say("Note: the booklet takes %d sheets, more than a stapler goes through (%d): print standard.pdf on "
            "both sides and bind it, or send the Print Shop PDF to a shop that binds it\n",
            plan.booklet_sheets, MAX_STAPLED_SHEETS);
    }
}

// "3 Caller(s), 2 Cuer(s), ...": how many people each group holds, and with households
// together the cards they take ("... on 41 card(s)").
std::string group_counts(const Roster& roster) {
    std::string counts;
    for (int g = 0; g < GROUP_COUNT; ++g) {
        counts += (g > 0 ? ", " : "") + std::to_string(group_people(roster, static_cast<Group>(g))) + " " +
                  GROUPS[g].role + "(s)";
    }
    if (roster.households_joined) counts += " on " + std::to_string(roster.people.size()) + " card(s)";
    return counts;
}

// What a run's pictures are prepared for: its settings and members, how it was asked to
// prepare them (on `threads` threads, or by the request's preparer).
struct PictureRun {
    const Settings& settings;
    const Roster& roster;
    bool unicode;  // the home PDFs need the Unicode fonts
    const RunRequest& request;
    int threads;
};

// The run's pictures once prepared: the decoded images, what the documents draw, and
// whether the run goes on.
struct RunPictures {
    LoadedImages loaded;
    RosterImages images = {};
    bool shop_unfinished = false;  // the shop's file alone is left out: a page of it would be unfinished
    bool stopped = false;          // the request's picture preparer ended the run
};

// Opens the images whose files are there; the failure of the first that cannot be read.
[[nodiscard]] std::optional<Failure> open_roster_images(const Settings& settings, LoadedImages* loaded,
                                                        RosterImages* images) {
    for (int slot = 0; slot < PICTURE_SLOT_COUNT; ++slot) {
        const char* path = settings.picture_paths[slot];
        images->pictures[slot] = nullptr;
        if (!file_opens(path)) continue;
        if (typed_instead(settings, static_cast<PictureSlot>(slot)) != nullptr)
            say("Warning: %s exists, the %s block is not printed\n", path, PICTURE_SLOTS[slot].label);
        if (std::optional<Failure> failure = open_source_image(path, &loaded->images[slot])) return failure;
        images->pictures[slot] = &loaded->images[slot];
    }
    images->options = run_image_options(settings.image_resolution,
                                        settings.image_compression == COMPRESSION_JPEG, settings.ink_limit);
    return std::nullopt;
}

// Names, in one warning, the photos with too few pixels for the card's frame, as a cover's
// are named: each photo once, with the pixels per inch it prints at.
void warn_soft_photos(const LoadedImages& loaded) {
    std::vector<std::string> soft;
    for (const SourceImage* photo : loaded.photo_of) {
        if (photo == nullptr) continue;
        const float ppi = static_cast<float>(photo->width) * photo->crop.width / (PHOTO_WIDTH / 72.0f);
        const std::string named =
            std::string(photo->path) + " (" + std::to_string(std::lround(ppi)) + " ppi)";
        if (ppi < LOW_RESOLUTION && std::find(soft.begin(), soft.end(), named) == soft.end())
            soft.push_back(named);
    }
    if (soft.empty()) return;
    say("Warning: %zu member photo(s) print at fewer than %g ppi and look soft (a larger photo looks sharp): "
        "%s\n",
        soft.size(), LOW_RESOLUTION, joined_words(soft, ", ").c_str());
}

// Opens the photo of each card that has one, cropped to the card's frame; a photo that
// cannot be read is said and the card shows initials.
void open_member_photos(const Settings& settings, const Roster& roster, LoadedImages* loaded) {
    const std::vector<CardPhotoFile> files = find_member_photos(roster, settings);
    loaded->photo_paths.resize(files.size());
    loaded->photos.assign(files.size(), SourceImage{});
    loaded->photo_of.assign(files.size(), nullptr);
    for (size_t i = 0; i < files.size(); ++i) {
        if (files[i].path.empty()) continue;
        loaded->photo_paths[i] = files[i].path;
        SourceImage* photo = &loaded->photos[i];
        if (const std::optional<Failure> failure = open_source_image(loaded->photo_paths[i].c_str(), photo)) {
            say("Warning: %s: %s; the card shows initials\n", failure->file.c_str(), failure->reason.c_str());
            continue;
        }
        photo->crop = crop_to_frame(photo->width, photo->height, PHOTO_WIDTH, PHOTO_HEIGHT,
                                    files[i].focus.across, files[i].focus.down);
        loaded->photo_of[i] = photo;
    }
    warn_soft_photos(*loaded);
}

// Decodes each opened picture once into every size the documents need, in parallel (or
// hands them to the request's preparer, which sets `stopped` when it ends the run); the
// failure of the first that fails, in the order of the pages. A photo that fails to
// decode is said, and its card shows initials.
[[nodiscard]] std::optional<Failure> prepare_roster_images(const PictureRun& run, RunPictures* pictures) {
    const Settings& settings = run.settings;
    const RunRequest& request = run.request;
    LoadedImages* loaded = &pictures->loaded;
    const RosterImages& images = pictures->images;
    std::vector<PictureJob> jobs(PICTURE_SLOT_COUNT + loaded->photo_of.size());
    size_t count = 0;
    for (int slot = 0; slot < PICTURE_SLOT_COUNT; ++slot) {
        if (images.pictures[slot] == nullptr) continue;
        PictureJob& job = jobs[count++];
        job.image = &loaded->images[slot];
        job.size_count = planned_picture_sizes(*job.image, PICTURE_SLOTS[slot].place, settings, job.sizes);
    }
    const size_t slots = count;
    for (size_t i = 0; i < loaded->photo_of.size(); ++i) {
        if (loaded->photo_of[i] == nullptr) continue;
        PictureJob& job = jobs[count++];
        job.image = &loaded->photos[i];
        job.size_count = planned_picture_sizes(*job.image, PLACE_PHOTO, settings, job.sizes);
    }
    if (request.prepare_pictures != nullptr) {
        std::vector<PictureRequest> requests;
        for (PictureJob& job : std::span(jobs.data(), count)) {
            requests.push_back({job.image, std::span(job.sizes, job.size_count), std::nullopt});
        }
        pictures->stopped = !request.prepare_pictures(requests, images.options, request.preparer_context);
        if (pictures->stopped) return std::nullopt;
        for (size_t i = 0; i < count; ++i) jobs[i].failure = std::move(requests[i].failure);
    } else {
        run_picture_jobs(std::span(jobs.data(), count), images.options, run.threads);
    }
    for (const PictureJob& job : std::span(jobs.data(), slots)) {
        if (job.failure) return job.failure;
    }
    for (const PictureJob& job : std::span(jobs.data() + slots, count - slots)) {
        if (!job.failure) continue;
        say("Warning: %s: %s; the card shows initials\n", job.failure->file.c_str(),
            job.failure->reason.c_str());
        loaded->photo_of[static_cast<size_t>(job.image - loaded->photos.data())] = nullptr;
    }
    return std::nullopt;
}

// Nothing unfinished goes to the print shop: the failure when the cover picture roster.sdd
// names is missing, or the committee or schedule page has neither its picture nor a block of
// roster.sdd typing it (the shop would get a placeholder).
[[nodiscard]] std::optional<Failure> shop_pages_unfinished(const Settings& settings,
                                                           const RosterImages& images) {
    // A cover named but missing would go as a pictureless cover nobody chose.
    if (settings.cover_named && images.pictures[SLOT_COVER] == nullptr) {
        return Failure{
            settings.print_shop_pdf_path, 0,
            std::string("not written, its cover would be unfinished: ") + settings.picture_paths[SLOT_COVER] +
                " is not there; add it, or take the Cover Image line out of roster.sdd for a cover "
                "without a picture, and run again"};
    }
    for (const PictureSlot slot : {SLOT_COMMITTEE, SLOT_SCHEDULE}) {
        if (typed_instead(settings, slot) != nullptr || images.pictures[slot] != nullptr) continue;
        const char* block = PICTURE_SLOTS[slot].label;
        return Failure{settings.print_shop_pdf_path, 0,
                       std::string("not written, its ") + block + " page would be unfinished: " +
                           settings.picture_paths[slot] + " is not there and roster.sdd has no " + block +
                           " block to type the page; add one or the other and run again"};
    }
    return std::nullopt;
}

// The club's name: Club, else the first title line; "" when there is neither.
const char* club_name(const Settings& settings) {
    return settings.club[0] != '\0'        ? settings.club
           : settings.title_line_count > 0 ? settings.title_lines[0]
                                           : "";
}

// The title lines joined by a blank, for the documents' information.
std::string document_title(const Settings& settings) {
    std::string title;
    for (int i = 0; i < settings.title_line_count; ++i) {
        if (i > 0) title += ' ';
        title += settings.title_lines[i];
    }
    return title;
}

// The documents of one run, by kind: the print shop's only when roster.sdd asks for it
// and its pages can be finished.
struct RunDocuments {
    PdfDocument of[LAYOUT_COUNT];
    bool wanted[LAYOUT_COUNT] = {true, true, false};
};

// Where the document of `mode` is saved.
const char* output_path(const Settings& settings, LayoutMode mode) {
    return mode == LAYOUT_BOOKLET    ? settings.booklet_pdf_path
           : mode == LAYOUT_STANDARD ? settings.standard_pdf_path
                                     : settings.print_shop_pdf_path;
}

// Opens one document with its pages, sized as `mode` is on the run's paper.
bool open_document(PdfDocument* pdf, const PdfSetup& setup, const PagePlan& plan, LayoutMode mode,
                   const Settings& settings) {
    const PageGeometry geometry = page_geometry(settings.paper_size, mode);
    pdf->output_name = output_path(settings, mode);
    // The booklet's sheets turn on their short edge; both print at actual size. The standard
    // document's pages, in reading order, show side by side from the right when bound there.
    pdf->viewer = {mode == LAYOUT_STANDARD ? "DuplexFlipLongEdge" : "DuplexFlipShortEdge", true,
                   mode == LAYOUT_STANDARD && settings.binding == BINDING_RIGHT};
    return open_pdf_document(pdf, setup) && add_pdf_pages(pdf, document_pages(plan, mode).physical_pages,
                                                          geometry.sheet_width, geometry.sheet_height);
}

// Opens the print shop's file: the booklet's pages one by one at trim size plus the bleed,
// the content moved inside the bleed, always in the embedded Unicode fonts.
bool open_print_shop_document(PdfDocument* pdf, const PdfSetup& setup, const PagePlan& plan,
                              const Settings& settings) {
    const PageGeometry geometry = page_geometry(settings.paper_size, LAYOUT_PRINT_SHOP);
    pdf->output_name = output_path(settings, LAYOUT_PRINT_SHOP);
    pdf->shop.enabled = true;
    pdf->shop.bleed = geometry.bleed;
    pdf->shop.marks = settings.crop_marks ? CROP_MARKS_MARGIN : 0.0f;
    const float border = geometry.bleed + pdf->shop.marks;  // from the sheet's edge to the trim
    pdf->shop.author = club_name(settings);
    pdf->shop.cmyk = settings.shop_colour == SHOP_CMYK;
    pdf->shop.profile = pdf->shop.cmyk ? std::string(press_profile_bytes()) : srgb_profile_bytes();
    pdf->shop.to_press = rgb_to_press;
    pdf->shop.ink_limit = settings.ink_limit;
    pdf->viewer.right_to_left = settings.binding == BINDING_RIGHT;
    if (!open_pdf_document(pdf, {true, setup.title, setup.made_at}) ||
        !add_pdf_pages(pdf, document_pages(plan, LAYOUT_PRINT_SHOP).physical_pages,
                       geometry.sheet_width + 2.0f * pdf->shop.marks,
                       geometry.sheet_height + 2.0f * pdf->shop.marks)) {
        return false;
    }
    offset_pdf_pages(pdf, border, border);
    return true;
}

// Names every card line, cover line and typed line that had to shrink or be cut, once per
// run: the booklet's pages are the narrower, so its sizes are the ones given. Cards are
// reported in the order of `people`.
void report_text_fitting(const Settings& settings, const Roster& roster, std::span<Member* const> people,
                         const PdfFonts& booklet_fonts, const RosterImages& images) {
    const PageGeometry booklet = page_geometry(settings.paper_size, LAYOUT_BOOKLET);
    report_cover_fit(settings, booklet_fonts, booklet.page_width - 2.0f * booklet.margin_x);
    if (images.pictures[SLOT_COVER] != nullptr) report_cover_cut(settings, *images.pictures[SLOT_COVER]);
    for (const PictureSlot slot : {SLOT_COMMITTEE, SLOT_SCHEDULE}) {
        const TypedPage& typed = settings.*PICTURE_SLOTS[slot].typed;
        if (page_is_typed(typed, images.pictures[slot]))
            report_typed_page_fit(PICTURE_SLOTS[slot].label, typed, booklet_fonts, booklet);
    }
    ShrunkLines shrunk;
    const GroupSizes sizes = group_sizes(roster);
    for (const Member* person : people) {
        // The lines of the card's section, as the section draws it.
        const auto card = static_cast<size_t>(person - roster.people.data());
        const int lines = card >= roster.starts[GROUP_NEW_DANCER] ? sizes.new_dancers_lines
                          : card >= roster.starts[GROUP_MEMBER]   ? sizes.members_lines
                                                                  : sizes.callers_lines;
        report_card_fit(settings.member_csv_path, *person, settings.name_order, roster.detail_columns,
                        booklet_fonts, booklet.column_width, settings.member_photos ? &shrunk : nullptr,
                        lines);
    }
    if (shrunk.count > 0) {
        say("Note: %d card line(s) beside the photos print smaller than %g pt, down to %g pt\n", shrunk.count,
            CARD_DETAIL_SIZE, shrunk.smallest);
    }
}

bool compose(PdfDocument* pdf, const PagePlan& plan, LayoutMode mode, const Settings& settings,
             const Roster& roster, const RosterImages& images, std::span<const IndexEntry> index) {
    return compose_document(pdf, document_pages(plan, mode), page_geometry(settings.paper_size, mode),
                            settings, roster, images, index);
}

// Adds to `pdf` the fallback faces the texts of `people` need. A face whose package is
// missing leaves its characters unprintable, which is said; false after a message when the
// texts need shaping and HarfBuzz did not load.
bool add_fallback_faces(PdfDocument* pdf, const Settings& settings, std::span<Member* const> people) {
    for (int face : fallback_faces_needed(pdf->fonts, settings, people)) {
        if (add_fallback_font(pdf->document, &pdf->fonts, face) || !fallback_faces()[face].shaped) continue;
        if (const std::optional<Failure> failure = shaping_unavailable()) {
            say_failure(*failure);
            return false;
        }
    }
    return true;
}

// Opens each wanted document with its pages and the fonts its texts need; false after a
// message.
bool open_documents(RunDocuments* documents, const PdfSetup& setup, const PagePlan& plan,
                    const Settings& settings, std::span<Member* const> people) {
    for (LayoutMode mode : {LAYOUT_BOOKLET, LAYOUT_STANDARD, LAYOUT_PRINT_SHOP}) {
        if (!documents->wanted[mode]) continue;
        PdfDocument* pdf = &documents->of[mode];
        const bool opened = mode == LAYOUT_PRINT_SHOP ? open_print_shop_document(pdf, setup, plan, settings)
                                                      : open_document(pdf, setup, plan, mode, settings);
        if (!opened || !add_fallback_faces(pdf, settings, people)) return false;
    }
    return true;
}

// Writes the closing report lines of the documents saved.
void report_documents(const RunDocuments& documents, const Settings& settings, const PagePlan& plan) {
    // Letter is named by omission, as the report has always read.
    const std::string paper =
        settings.paper_size == PAPER_LETTER ? "" : std::string(" ") + paper_size_name(settings.paper_size);
    const char* bound = settings.binding == BINDING_RIGHT ? ", right-bound" : "";
    report("Booklet : %s  (landscape%s, SHORT-edge duplex, collate-fold-staple%s)\n",
           settings.booklet_pdf_path, paper.c_str(), bound);
    report("Standard: %s  (portrait%s,  LONG-edge  duplex)\n", settings.standard_pdf_path, paper.c_str());
    if (documents.wanted[LAYOUT_PRINT_SHOP]) {
        // What to tell the shop, in the measures of the club's paper.
        const std::string colour = settings.shop_colour == SHOP_CMYK
                                       ? std::string("PDF/X-1a, CMYK for ") + PRESS_CONDITION
                                       : std::string("sRGB");
        report("Shop    : %s  (tell the shop: saddle-stitched booklet%s, %d pages, trim %s, %s)\n",
               settings.print_shop_pdf_path, bound, plan.booklet_pages,
               settings.paper_size == PAPER_A4 ? "A5 148 x 210 mm, 3.2 mm bleed"
                                               : "5.5 x 8.5 in, 0.125 in bleed",
               colour.c_str());
    }
}

// Opens and prepares the run's pictures into `pictures`, deciding whether the shop's file
// can be made; the failure that stops the run.
[[nodiscard]] std::optional<Failure> prepare_pictures_for(const PictureRun& run, RunPictures* pictures,
                                                          RunDocuments* documents) {
    const Settings& settings = run.settings;
    documents->wanted[LAYOUT_PRINT_SHOP] = settings.print_shop_pdf_path[0] != '\0';
    std::optional<Failure> failure = font_files_missing(run.unicode || documents->wanted[LAYOUT_PRINT_SHOP]);
    if (!failure) failure = open_roster_images(settings, &pictures->loaded, &pictures->images);
    if (failure) return failure;
    if (documents->wanted[LAYOUT_PRINT_SHOP]) {
        if (const std::optional<Failure> unfinished = shop_pages_unfinished(settings, pictures->images)) {
            say_failure(*unfinished);  // the home PDFs are made all the same
            documents->wanted[LAYOUT_PRINT_SHOP] = false;
            pictures->shop_unfinished = true;
        }
    }
    if (settings.member_photos) {
        open_member_photos(settings, run.roster, &pictures->loaded);
        pictures->images.photos = pictures->loaded.photo_of;
    }
    return prepare_roster_images(run, pictures);
}

// Opens a document of `pages` pages `width` x `height`, saved as `name`, for `texts`: in
// the standard fonts when they print every one of them (and Fonts is not Embedded), else in
// the embedded ones with the fallback faces the texts need. Its texts are checked here:
// what it prints beyond the cards (a private member's address, a proof's left-off fields)
// is checked nowhere else.
bool open_extra_document(PdfDocument* pdf, const PdfSetup& setup, const Settings& settings, const char* name,
                         int pages, float width, float height, const std::vector<std::string>& texts) {
    std::vector<Member> holders(texts.size());
    std::vector<Member*> people;
    for (size_t i = 0; i < texts.size(); ++i) {
        holders[i].name = texts[i];
        people.push_back(&holders[i]);
    }
    const bool unicode = settings.fonts == FONTS_EMBEDDED || !texts_fit_windows_1252(settings, people);
    pdf->output_name = name;
    if (!open_pdf_document(pdf, {unicode, setup.title, setup.made_at}) ||
        !add_pdf_pages(pdf, pages, width, height))
        return false;
    return (!unicode || add_fallback_faces(pdf, settings, people)) && !pdf->failed;
}

// Every text of the proofs of `cards`: the cards' and their field lines.
std::vector<std::string> proof_texts(const Roster& roster, const Settings& settings,
                                     std::span<const Member* const> cards) {
    std::vector<std::string> texts;
    for (const Member* card : cards) {
        texts.push_back(printed_name(*card, settings.name_order));
        for (const ProofLine& line : proof_lines(*card, roster)) texts.push_back(line.text);
    }
    return texts;
}

// Writes the proofs of `cards` into one document at `path`: two a page, a cut line between,
// or one when `cards` is one card; false after a message.
bool write_proofs(const Settings& settings, const Roster& roster, const PdfSetup& setup,
                  const RosterImages& images, std::span<const Member* const> cards, const char* path) {
    const PageGeometry geometry = page_geometry(settings.paper_size, LAYOUT_STANDARD);
    const int pages = static_cast<int>((cards.size() + 1) / 2);
    PdfDocument pdf;
    if (!open_extra_document(&pdf, setup, settings, path, pages, geometry.page_width, geometry.page_height,
                             proof_texts(roster, settings, cards)))
        return false;
    const bool right_to_left = pages_right_to_left(settings);
    for (size_t i = 0; i < cards.size() && !pdf.failed; ++i) {
        const PageTarget target = {
            pdf.pages.get(), static_cast<int32_t>(i / 2 + 1), pages, LAYOUT_STANDARD, 0.0f, false,
            right_to_left};
        const float half = geometry.page_height / 2.0f;
        const float top = (i % 2 == 0 ? geometry.page_height : half) - geometry.margin_y;
        const size_t index = static_cast<size_t>(cards[i] - roster.people.data());
        const CardPhoto photo = settings.member_photos ? card_photo(&pdf, images, index) : CardPhoto{};
        draw_proof(target, pdf.fonts, geometry, top, *cards[i], proof_lines(*cards[i], roster),
                   proof_card_lines(roster, *cards[i]), photo, settings);
        if (i % 2 == 1) draw_cut_line(target, geometry, half);
    }
    return !pdf.failed && save_pdf_document(&pdf, path);
}

// A file name for a card's proof: its printed name, characters a file name cannot hold
// replaced, "Ann Lee.pdf"; a name used already gets " 2", " 3", ...
std::string proof_file_name(const Member& card, const Settings& settings, std::set<std::string>* used) {
    std::string name = printed_name(card, settings.name_order);
    for (char& c : name) {
        if (c == '/' || c == '\\' || c == ':' || static_cast<unsigned char>(c) < 0x20) c = '-';
    }
    if (name.empty() || name[0] == '.') name = "card " + std::to_string(card.line_number);
    std::string file = name + ".pdf";
    for (int n = 2; !used->insert(file).second; ++n) file = name + " " + std::to_string(n) + ".pdf";
    return file;
}

// Whether roster.sdd asks for proofs (Proofs PDF, Proofs Folder), which are drawn after the documents.
bool proofs_wanted(const Settings& settings) {
    return settings.proofs_pdf_path[0] != '\0' || settings.proofs_folder[0] != '\0';
}

// Writes the proofs Proofs PDF and Proofs Folder name, and their report lines; false after a message.
bool produce_proofs(const Settings& settings, const Roster& roster, const PdfSetup& setup,
                    const RosterImages& images) {
    if (!proofs_wanted(settings)) return true;
    std::vector<const Member*> cards;
    for (const Member& card : roster.people) cards.push_back(&card);
    if (settings.proofs_pdf_path[0] != '\0') {
        if (!write_proofs(settings, roster, setup, images, cards, settings.proofs_pdf_path)) return false;
        report("Proofs  : %s  (%zu proof(s), two a page)\n", settings.proofs_pdf_path, cards.size());
    }
    if (settings.proofs_folder[0] == '\0') return true;
    std::error_code error;
    std::filesystem::create_directories(settings.proofs_folder, error);
    if (error) {
        say("Error: cannot make the folder %s: %s\n", settings.proofs_folder, error.message().c_str());
        return false;
    }
    std::set<std::string> used;
    for (const Member* card : cards) {
        const std::string path =
            path_in(settings.proofs_folder, proof_file_name(*card, settings, &used).c_str());
        if (!write_proofs(settings, roster, setup, images, std::span(&card, 1), path.c_str())) return false;
    }
    report("Proofs  : %s  (%zu PDF(s), one a card)\n", settings.proofs_folder, cards.size());
    return true;
}

// Writes `text` to `path`, beside it first, so a failed write leaves last season's file whole,
// as a PDF's save does; false after a message.
bool write_text_file(const char* path, const std::string& text) {
    const std::string temporary = std::string(path) + ".tmp";
    FILE* file = fopen(temporary.c_str(), "w");
    bool written = file != nullptr && fwrite(text.data(), 1, text.size(), file) == text.size();
    written = file != nullptr && fclose(file) == 0 && written && rename(temporary.c_str(), path) == 0;
    if (!written) {
        say("Error: cannot write %s: %s\n", path, strerror(errno));
        remove(temporary.c_str());
    }
    return written;
}

// The contacts' photos, by row of `rows`: each JPEG made on `threads` threads; a photo that
// cannot be made is said, and its contact goes without.
std::vector<std::string> contact_photos(const Roster& rows, const Settings& settings, int threads) {
    std::vector<CardPhotoFile> files;
    // Where the roster's photos were found, each row's, said already of the cards.
    kept_messages([&] { files = find_member_photos(rows, settings); });
    std::vector<std::string> photos(files.size());
    std::vector<std::optional<Failure>> failures(files.size());
    run_in_order(
        files.size(), threads,
        [&](size_t i) {
            if (!files[i].path.empty())
                failures[i] = contact_photo(files[i].path, files[i].focus, &photos[i]);
        },
        [&](size_t i) {
            if (failures[i]) {
                say("Warning: %s: %s; the contact goes without a photo\n", failures[i]->file.c_str(),
                    failures[i]->reason.c_str());
            }
            return true;
        });
    return photos;
}

// Writes the files made from the member list that Changes, Contacts File and Email List name,
// each with its report line; false after a message. `last_season` is the list Last Season
// names, read one record a row, or null.
bool produce_member_files(const Settings& settings, const Roster& roster, const Roster* last_season,
                          int threads) {
    // The list again, one record a row, its texts as typed (the roster's hold what the fonts
    // print); what reading it says was said the first time.
    Roster rows;
    if ((last_season != nullptr && settings.changes_path[0] != '\0') || settings.contacts_path[0] != '\0') {
        std::optional<Failure> failure;
        kept_messages([&] { failure = load_rows(settings, roster.path, &rows); });
        if (failure) {
            say_failure(*failure);
            return false;
        }
    }
    if (last_season != nullptr && settings.changes_path[0] != '\0') {
        const SeasonChanges changes = season_changes(*last_season, rows, settings);
        if (!write_text_file(settings.changes_path, changes.text)) return false;
        report("Changes : %d new, %d gone, %d changed (%s)\n", changes.added, changes.gone, changes.changed,
               settings.changes_path);
    }
    if (settings.contacts_path[0] != '\0') {
        const std::vector<std::string> photos =
            settings.member_photos ? contact_photos(rows, settings, threads) : std::vector<std::string>();
        int count = 0;
        const std::string file = contacts_file(rows, settings, club_name(settings), photos, &count);
        if (!write_text_file(settings.contacts_path, file)) return false;
        const auto pictured = std::count_if(photos.begin(), photos.end(), [](auto& p) { return !p.empty(); });
        report("Contacts: %s  (%d contact(s), %ld photo(s))\n", settings.contacts_path, count,
               static_cast<long>(pictured));
    }
    if (settings.email_list_path[0] != '\0') {
        int count = 0;
        if (!write_text_file(settings.email_list_path, email_list(roster, settings, &count))) return false;
        report("Emails  : %s  (%d address(es))\n", settings.email_list_path, count);
    }
    return true;
}

// Names, in one warning, the cards that get no label for want of an address.
void warn_unaddressed(const Settings& settings, std::span<const Member* const> unaddressed) {
    if (unaddressed.empty()) return;
    std::vector<std::string> named;
    for (const Member* card : unaddressed) {
        named.push_back(printed_name(*card, settings.name_order) + " (" + row_word(settings.member_csv_path) +
                        " " + std::to_string(card->line_number) + ")");
    }
    say("Warning: %s: %zu card(s) without an address get no label: %s\n", settings.member_csv_path,
        unaddressed.size(), joined_words(named, ", ").c_str());
}

// Writes the mailing labels Labels PDF names, and its report line; false after a message.
bool produce_labels(const Settings& settings, const Roster& roster, const PdfSetup& setup) {
    std::vector<const Member*> unaddressed;
    const std::vector<MailingLabel> labels = mailing_labels(roster, settings, &unaddressed);
    warn_unaddressed(settings, unaddressed);
    if (labels.empty()) {
        say("Warning: nobody has an address to label: %s is not written\n", settings.labels_pdf_path);
        return true;
    }
    const LabelSheetGeometry& sheet = label_sheet_of(settings);
    int start = settings.label_start;
    if (start > sheet.columns * sheet.rows) {
        say("Warning: roster.sdd: Label Start %d is past the %d labels of a %s sheet; starting at label 1\n",
            start, sheet.columns * sheet.rows, sheet.name);
        start = 1;
    }
    const int sheets = label_sheet_count(static_cast<int>(labels.size()), start, sheet);
    PdfDocument pdf;
    std::vector<std::string> texts;
    for (const MailingLabel& label : labels)
        texts.insert(texts.end(), label.lines.begin(), label.lines.end());
    const PageGeometry paper = page_geometry(sheet.paper, LAYOUT_STANDARD);
    if (!open_extra_document(&pdf, setup, settings, settings.labels_pdf_path, sheets, paper.page_width,
                             paper.page_height, texts))
        return false;
    report_label_fit(settings.member_csv_path, labels, pdf.fonts, sheet);
    draw_labels(&pdf, labels, sheet, start, pages_right_to_left(settings));
    if (pdf.failed || !save_pdf_document(&pdf, settings.labels_pdf_path)) return false;
    const auto private_labelled = std::count_if(
        labels.begin(), labels.end(), [](const MailingLabel& label) { return label.card->private_member; });
    report(
        "Labels  : %s  (%zu label(s) on %d sheet(s) of %s from label %d, %ld private member(s) labelled)\n",
        settings.labels_pdf_path, labels.size(), sheets, sheet.name, start,
        static_cast<long>(private_labelled));
    return true;
}

// qpdf holds two copies of each picture it writes into a file (its buffer, and the buffer made
// from that), in every document finished at once. With a picture this large (a cover from a
// 100-megapixel PNG takes 9 MB) those copies outweigh what finishing on every core saves, and
// the documents are saved one at a time.
constexpr size_t ONE_AT_A_TIME_BYTES = 4u << 20;

// The largest picture any of `documents` passes through to its file, in bytes.
size_t largest_picture(std::span<PdfDocument* const> documents) {
    size_t largest = 0;
    for (const PdfDocument* pdf : documents) {
        for (const PictureStream& picture : pdf->pictures) largest = std::max(largest, picture.size);
    }
    return largest;
}

// Each picture's data, by the index of the last of the documents drawing it.
using LastUsers = std::map<const unsigned char*, size_t>;

// Frees the prepared pictures of `loaded` whose last user is document `done`.
void free_pictures_last_drawn_by(size_t done, const LastUsers& last_user, LoadedImages* loaded) {
    for (std::span<SourceImage> images :
         {std::span<SourceImage>(loaded->images), std::span(loaded->photos)}) {
        for (SourceImage& image : images) {
            for (PreparedPicture& picture :
                 std::span(image.pictures, static_cast<size_t>(image.picture_count))) {
                const auto user = last_user.find(picture.data);
                if (user == last_user.end() || user->second != done) continue;
                free(picture.data);
                picture = {picture.size, picture.colors, picture.kind, nullptr, 0};
            }
        }
    }
}

// Saves `documents` to `paths` one at a time, as save_pdf_documents does. With `loaded` given
// (nothing drawn after them needs its pictures), each of its prepared pictures is freed once the
// last document drawing it is written.
bool save_one_at_a_time(std::span<PdfDocument* const> documents, std::span<const char* const> paths,
                        LoadedImages* loaded) {
    LastUsers last_user;
    for (size_t i = 0; i < documents.size(); ++i) {
        for (const PictureStream& picture : documents[i]->pictures) last_user[picture.data] = i;
    }
    for (size_t i = 0; i < documents.size(); ++i) {
        if (!save_pdf_documents(documents.subspan(i, 1), paths.subspan(i, 1), 1)) return false;
        if (loaded != nullptr) free_pictures_last_drawn_by(i, last_user, loaded);
    }
    return true;
}

// Creates, composes and saves the documents as `plan` lays them out, then writes the
// closing report lines. Texts with characters no font here prints are changed as
// replace_unprintable says. All are drawn before any is saved, so a failure while drawing
// writes no file. Pictures are prepared as `request` says (on `threads` threads, or by its
// preparer) and documents saved on `threads` threads (one at a time with a picture over
// ONE_AT_A_TIME_BYTES), every file dated `request.made_at`.
// Returns false after a message, also when the home PDFs were written but the shop's file
// could not be finished, or when the preparer ended the run.
bool produce_documents(Settings& settings, Roster& roster, const Roster* last_season, const PagePlan& plan,
                       std::span<const IndexEntry> index, const RunRequest& request, int threads) {
    const std::vector<Member*> people = members_in_list_order(&roster);
    // The standard fonts print Western European text only; anything more takes Unicode fonts.
    const bool unicode = settings.fonts == FONTS_EMBEDDED || !texts_fit_windows_1252(settings, people);
    RunPictures pictures;
    RunDocuments documents;
    if (const std::optional<Failure> failure =
            prepare_pictures_for({settings, roster, unicode, request, threads}, &pictures, &documents)) {
        say_failure(*failure);
        return false;
    }
    if (pictures.stopped) return false;
    const RosterImages& images = pictures.images;
    const std::string title = document_title(settings);
    const PdfSetup setup = {unicode, title.c_str(),
                            request.made_at >= 0 ? request.made_at : static_cast<long long>(time(nullptr))};
    if (!open_documents(&documents, setup, plan, settings, people)) return false;
    if (unicode) {
        if (std::optional<Failure> failure =
                replace_unprintable(documents.of[LAYOUT_BOOKLET].fonts, &settings, people)) {
            say_failure(*failure);
            return false;
        }
    }
    report_text_fitting(settings, roster, people, documents.of[LAYOUT_BOOKLET].fonts, images);
    std::vector<LayoutMode> modes;
    std::vector<PdfDocument*> saved;
    std::vector<const char*> paths;
    for (LayoutMode mode : {LAYOUT_BOOKLET, LAYOUT_STANDARD, LAYOUT_PRINT_SHOP}) {
        if (!documents.wanted[mode]) continue;
        modes.push_back(mode);
        saved.push_back(&documents.of[mode]);
        paths.push_back(output_path(settings, mode));
    }
    // Each document is drawn on a core of its own; what they say comes out in their order.
    std::vector<char> composed(modes.size(), 0);
    if (!run_in_order(
            modes.size(), threads,
            [&](size_t i) {
                composed[i] = compose(saved[i], plan, modes[i], settings, roster, images, index);
            },
            [&](size_t i) { return composed[i] != 0; })) {
        return false;
    }
    // The pictures' data goes into the files as they are finished: `pictures` holds it till then,
    // or, saved one at a time, till the last document drawing each is written (the proofs,
    // drawn after, need the card photos).
    remove_temp_file_on_signals();
    if (largest_picture(saved) > ONE_AT_A_TIME_BYTES) {
        if (!save_one_at_a_time(saved, paths, proofs_wanted(settings) ? nullptr : &pictures.loaded))
            return false;
    } else if (!save_pdf_documents(saved, paths, threads)) {
        return false;
    }
    report_documents(documents, settings, plan);
    if (settings.labels_pdf_path[0] != '\0' && !produce_labels(settings, roster, setup)) return false;
    if (!produce_proofs(settings, roster, setup, images)) return false;
    if (!produce_member_files(settings, roster, last_season, threads)) return false;
    return !pictures.shop_unfinished;
}

}  // namespace

ImageOptions run_image_options(int32_t resolution, bool jpeg, int32_t ink_limit) {
    return {resolution, jpeg, libharu_reads_jpeg, ink_limit};
}

// The first line of a notes file: what it is, and how an earlier run's is known.
constexpr const char* NOTES_FIRST_LINE = "rosterbook: every name the run's messages list in part\n";

// Writes the run's notes beside its PDFs, or, with none, removes an earlier run's, so none
// is left to mislead; a file of that name that is an input, or not an earlier run's notes,
// is never touched.
void write_notes(const Settings& settings, const char* settings_path) {
    const std::string path = path_in(folder_of(settings.booklet_pdf_path), NOTES_FILE_NAME);
    std::vector<const char*> inputs = {settings_path, settings.member_csv_path};
    for (const auto& picture_path : settings.picture_paths) inputs.push_back(picture_path);
    for (const char* input : inputs) {
        if (!same_file(path.c_str(), input)) continue;
        if (!kept_notes().empty())
            say("Warning: %s is also an input: the notes are not written\n", path.c_str());
        return;
    }
    if (kept_notes().empty()) {
        char first_line[128] = "";
        if (FILE* before = fopen(path.c_str(), "r")) {
            if (fgets(first_line, sizeof first_line, before) == nullptr) first_line[0] = '\0';
            fclose(before);
        }
        if (strcmp(first_line, NOTES_FIRST_LINE) == 0) std::remove(path.c_str());
        return;
    }
    FILE* file = fopen(path.c_str(), "w");
    if (file == nullptr || fprintf(file, "%s\n%s", NOTES_FIRST_LINE, kept_notes().c_str()) < 0) {
        say("Warning: %s could not be written: %s\n", path.c_str(), strerror(errno));
    }
    if (file != nullptr) fclose(file);
}

// Says which way the pages read, when roster.sdd forces it or they read from the right, and
// why; a right-to-left booklet bound on the left, as nobody asked, gets a word on Binding.
void report_direction(const Settings& settings) {
    std::string why;
    const bool right_to_left = pages_right_to_left(settings, &why);
    if (why.empty()) return;
    report("Pages   : %s (%s)\n", right_to_left ? "right to left" : "left to right", why.c_str());
    if (right_to_left && !settings.binding_named) {
        say("Warning: the pages read from the right, but the booklet is bound on the left: say 'Binding: "
            "Right' in roster.sdd to fold it to open from the right\n");
    }
}

// The print shop's keys are said when there is no print shop's file for them to shape.
void warn_unused_shop_keys(const Settings& settings) {
    if (settings.print_shop_pdf_path[0] != '\0') return;
    const char* keys = settings.crop_marks && settings.shop_colour == SHOP_CMYK
                           ? "Crop Marks and Print Shop Colour"
                       : settings.crop_marks               ? "Crop Marks"
                       : settings.shop_colour == SHOP_CMYK ? "Print Shop Colour"
                                                           : nullptr;
    if (keys != nullptr) {
        say("Warning: roster.sdd: %s shape only the print shop's file: add 'Print Shop PDF: shop.pdf' to "
            "make "
            "one\n",
            keys);
    }
}

// Last Season and Changes go together: one without the other makes nothing, and is said.
void warn_unpaired_season_keys(const Settings& settings) {
    const bool last = settings.last_season_path[0] != '\0', changes = settings.changes_path[0] != '\0';
    if (last && !changes) {
        say("Warning: roster.sdd: Last Season is read only to report what changed: add 'Changes: "
            "changes.txt' "
            "to write the report\n");
    } else if (changes && !last) {
        say("Warning: roster.sdd: Changes needs last season's member list to compare with: add 'Last Season: "
            "members-2025.xlsx' naming it; no report is written\n");
    }
}

// One run, as run_rosterbook describes; `settings` is its to fill.
int make_roster(const RunRequest& request, Settings* settings) {
    Roster roster;
    load_settings_from(settings, request.settings_path);
    use_notes_file(path_in(folder_of(settings->booklet_pdf_path), NOTES_FILE_NAME));
    report("Config  : title=%d line(s), subtitle=%d line(s), %s\n", settings->title_line_count,
           settings->subtitle_line_count, label_sequence_name(settings->label_sequence));
    warn_missing_images(*settings);
    warn_unused_shop_keys(*settings);
    warn_unpaired_season_keys(*settings);
    const std::vector<Failure> overwriting = outputs_overwriting_inputs(*settings, request.settings_path);
    for (const Failure& failure : overwriting) say_failure(failure);
    if (!overwriting.empty()) return 1;
    // qpdf loads on the other core while the members are read and the pages drawn, when the
    // run will have pictures for it to put in or makes the print shop's file.
    bool qpdf_likely = settings->member_photos || settings->print_shop_pdf_path[0] != '\0';
    for (const char* path : settings->picture_paths) qpdf_likely = qpdf_likely || file_opens(path);
    const JoinedThread finishing = start_loading_finishing(qpdf_likely);
    if (const std::optional<Failure> failure = load_roster(*settings, &roster)) {
        say_failure(*failure);
        return 1;
    }
    // From here on, messages name the list read: members.xlsx where members.csv is missing.
    copy_text(settings->member_csv_path, PATH_SIZE, roster.path.c_str());
    report("Members : %s\n", group_counts(roster).c_str());
    // Last season's list is read before anything is written: a list that fails stops the run.
    std::optional<Roster> last_season;
    if (settings->last_season_path[0] != '\0' && settings->changes_path[0] != '\0') {
        last_season.emplace();
        if (const std::optional<Failure> failure =
                load_rows(*settings, settings->last_season_path, &*last_season)) {
            say_failure(*failure);
            return 1;
        }
    }
    report_direction(*settings);
    const std::vector<IndexEntry> index =
        settings->name_index ? index_entries(roster, *settings) : std::vector<IndexEntry>();
    const IndexPages index_pages = {
        index_page_count(page_geometry(settings->paper_size, LAYOUT_BOOKLET), index),
        index_page_count(page_geometry(settings->paper_size, LAYOUT_STANDARD), index)};
    const PagePlan plan = plan_pages(settings->paper_size, group_sizes(roster), index_pages);
    report_plan(plan);
    if (settings->name_index) {
        report("Index   : %zu name(s) on %d booklet page(s), %d portrait page(s)\n", index.size(),
               index_pages.booklet, index_pages.standard);
    }
    flush_report();
    const int threads = request.threads > 0
                            ? request.threads
                            : static_cast<int>(std::max(1u, std::thread::hardware_concurrency()));
    return produce_documents(*settings, roster, last_season ? &*last_season : nullptr, plan, index, request,
                             threads)
               ? 0
               : 1;
}

int run_rosterbook(const RunRequest& request) {
    StreamsInUse streams(request.streams);
    // Too large for a stack. Left unset here: the loader clears it first.
    auto settings = std::unique_ptr<Settings>(new Settings);
    const int status = make_roster(request, settings.get());
    write_notes(*settings, request.settings_path);
    use_notes_file("");
    return status;
}
