// One run as a function: called twice in one process it gives what two processes give, byte
// for byte when both are dated alike (SOURCE_DATE_EPOCH on the command line).
#include "app/run.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "tests/support/jpeg_writer.h"
#include "tests/support/pdf_reader.h"
#include "tests/support/png_writer.h"
#include "tests/support/run_tool.h"
#include "tests/support/temp_dir.h"

namespace {

// 2023-11-14 22:13:20 UTC, the date both kinds of run give their files.
constexpr long long MADE_AT = 1700000000;

struct Outcome {
    int status;
    std::string out, err, booklet, standard, shop;
};

Outcome read_outcome(const TempDir& club, int status, std::string out, std::string err) {
    return {status,
            std::move(out),
            std::move(err),
            club.read("booklet.pdf"),
            club.read("standard.pdf"),
            std::filesystem::exists(club.file("shop.pdf")) ? club.read("shop.pdf") : ""};
}

// A picture preparer as the web page's workers are: each picture made on its own, here one
// after the other; or, with `context` set, one that only counts the pictures and ends the run.
bool prepare_each(std::span<PictureRequest> requests, const ImageOptions& options, void* context) {
    if (context != nullptr) {
        *static_cast<size_t*>(context) = requests.size();
        return false;
    }
    for (PictureRequest& request : requests)
        request.failure = prepare_pictures(request.image, request.sizes, options);
    return true;
}

// Runs in the club's folder in this process, preparing pictures on `threads` threads (0:
// with prepare_each, given `context`), collecting the report and messages.
Outcome run_here(const TempDir& club, int threads, void* context = nullptr) {
    char *out = nullptr, *err = nullptr;
    size_t out_size = 0, err_size = 0;
    FILE* out_stream = open_memstream(&out, &out_size);
    FILE* err_stream = open_memstream(&err, &err_size);
    const std::filesystem::path previous = std::filesystem::current_path();
    std::filesystem::current_path(club.path);
    const int status = run_rosterbook({"roster.sdd",
                                       {out_stream, err_stream},
                                       threads,
                                       MADE_AT,
                                       threads == 0 ? prepare_each : nullptr,
                                       context});
    std::filesystem::current_path(previous);
    fclose(out_stream);
    fclose(err_stream);
    Outcome outcome = read_outcome(club, status, out, err);
    free(out);
    free(err);
    return outcome;
}

// Two clubs unlike each other: one with pictures in three formats (two reduced for print; the
// cover, drawn at its own size in both home PDFs, as large as makes them saved one at a time),
// settings and warnings, one bare.
void write_clubs(const TempDir& pictured, const TempDir& bare) {
    for (const TempDir* club : {&pictured, &bare}) {
        std::filesystem::copy_file(EXAMPLES_DIR "/members.csv", club->file("members.csv"));
    }
    pictured.write(
        "roster.sdd",
        "Title:\nHarbour Squares\n\nLabel Sequence: Column Order\nColour: red\n"
        "Committee Image: committee.jpg\nSchedule Image: schedule.webp\nPrint Shop PDF: shop.pdf\n");
    PngShape cover;
    cover.width = 1500;
    cover.height = 1125;
    cover.noise = true;
    write_png(pictured.file("cover.png"), cover);
    write_jpeg(pictured.file("committee.jpg"), {1600, 3000, 3, false, 6, 2});
    write_phone_picture(pictured.file("schedule.webp"), {30, 40}, PHONE_WEBP);
    bare.write("members.csv",
               "role,first,last,a,b,c,d\nCaller,Ann,Able,1 Main St,Town,,555\nMember,Bo,Bell,,,,555\n");
}

TEST(RunRosterbook, TwiceInOneProcessAsInTwoProcesses) {
    TempDir pictured_here, bare_here, pictured_apart, bare_apart;
    write_clubs(pictured_here, bare_here);
    write_clubs(pictured_apart, bare_apart);
    // The later rounds run after a whole run of the other club; the pictures are prepared
    // on one thread, then on two, then by a preparer, and the command line uses every core.
    for (int round = 0; round < 3; ++round) {
        const int threads = (round + 1) % 3;
        const Outcome pictured = run_here(pictured_here, threads), bare = run_here(bare_here, threads);
        for (auto [here, club] : {std::pair{&pictured, &pictured_apart}, std::pair{&bare, &bare_apart}}) {
            const RunResult apart =
                run_tool(ROSTERBOOK_BINARY, club->path,
                         {.environment = {"SOURCE_DATE_EPOCH=" + std::to_string(MADE_AT)}});
            const Outcome expected = read_outcome(*club, apart.status, apart.out, apart.err);
            const std::string what = "round " + std::to_string(round) + ", " + club->path;
            EXPECT_EQ(here->status, expected.status) << what;
            EXPECT_EQ(here->out, expected.out) << what;
            EXPECT_EQ(here->err, expected.err) << what;
            EXPECT_TRUE(here->booklet == expected.booklet && !expected.booklet.empty()) << what;
            EXPECT_TRUE(here->standard == expected.standard && !expected.standard.empty()) << what;
            EXPECT_TRUE(here->shop == expected.shop) << what;
            EXPECT_EQ(pdf_info(club->file("standard.pdf"), "/CreationDate"), "D:20231114221320Z00'00'")
                << what;
        }
        // A tiny picture prints soft: it is named once per document.
        const std::string soft = "; 150 or more looks sharp (a larger picture, or type the page as text)\n";
        EXPECT_EQ(pictured.err,
                  "roster.conf: unknown key 'Colour'\n"
                  "Warning: schedule.webp prints at 6 ppi in booklet.pdf" +
                      soft + "Warning: schedule.webp prints at 4 ppi in standard.pdf" + soft +
                      "Warning: schedule.webp prints at 6 ppi in shop.pdf" + soft);
    }
    // A preparer that ends the run: nothing more is said, and no PDF is written.
    std::filesystem::remove(pictured_here.file("booklet.pdf"));
    size_t pictures = 0;
    const Outcome asked = run_here(pictured_here, 0, &pictures);
    EXPECT_EQ(pictures, 3u);
    EXPECT_EQ(asked.status, 1);
    EXPECT_EQ(asked.err, "roster.conf: unknown key 'Colour'\n");
    EXPECT_FALSE(std::filesystem::exists(pictured_here.file("booklet.pdf")));
}

}  // namespace
