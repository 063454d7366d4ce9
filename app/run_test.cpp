// One run as a function: called twice in one process it gives what two processes give.
#include "app/run.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "tests/support/png_writer.h"
#include "tests/support/run_tool.h"
#include "tests/support/temp_dir.h"

namespace {

struct Outcome {
    int status;
    std::string out, err, booklet, standard;
};

// The PDFs with their dates blanked, the one thing that differs between runs, and the /ID
// made from them. (Plain scanning: <regex> draws false warnings from the sanitizer build.)
std::string without_date(std::string pdf) {
    for (size_t at = pdf.find("D:"); at != std::string::npos; at = pdf.find("D:", at + 2)) {
        const size_t end = at + 2 + 14;
        if (end < pdf.size() && pdf[end] == 'Z' && pdf.find_first_not_of("0123456789", at + 2) == end) {
            pdf.replace(at + 2, 14, std::string(14, '0'));
        }
    }
    const size_t id = pdf.find("/ID [<");
    if (id != std::string::npos) pdf.erase(id + 4, pdf.find(']', id) - id - 4);
    return pdf;
}

Outcome read_outcome(const TempDir& club, int status, std::string out, std::string err) {
    return {status, std::move(out), std::move(err), without_date(club.read("booklet.pdf")),
            without_date(club.read("standard.pdf"))};
}

// Runs in the club's folder in this process, collecting the report and messages.
Outcome run_here(const TempDir& club) {
    char *out = nullptr, *err = nullptr;
    size_t out_size = 0, err_size = 0;
    FILE* out_stream = open_memstream(&out, &out_size);
    FILE* err_stream = open_memstream(&err, &err_size);
    const std::filesystem::path previous = std::filesystem::current_path();
    std::filesystem::current_path(club.path);
    const int status = run_rosterbook({"roster.sdd", {out_stream, err_stream}});
    std::filesystem::current_path(previous);
    fclose(out_stream);
    fclose(err_stream);
    Outcome outcome = read_outcome(club, status, out, err);
    free(out);
    free(err);
    return outcome;
}

// Two clubs unlike each other: one with pictures, settings and a warning, one bare.
void write_clubs(const TempDir& pictured, const TempDir& bare) {
    for (const TempDir* club : {&pictured, &bare}) {
        std::filesystem::copy_file(EXAMPLES_DIR "/members.csv", club->file("members.csv"));
    }
    pictured.write("roster.sdd", "Title:\nHarbour Squares\n\nLabel Sequence: Column Order\nColour: red\n");
    write_rgb_png(pictured.file("cover.png"), 40, 30);
    write_rgb_png(pictured.file("schedule.png"), 30, 40);
    bare.write("members.csv",
               "role,first,last,a,b,c,d\nCaller,Ann,Able,1 Main St,Town,,555\nMember,Bo,Bell,,,,555\n");
}

TEST(RunRosterbook, TwiceInOneProcessAsInTwoProcesses) {
    TempDir pictured_here, bare_here, pictured_apart, bare_apart;
    write_clubs(pictured_here, bare_here);
    write_clubs(pictured_apart, bare_apart);
    for (int round = 0; round < 2; ++round) {  // the second round runs after a whole run of the other club
        const Outcome pictured = run_here(pictured_here), bare = run_here(bare_here);
        for (auto [here, club] : {std::pair{&pictured, &pictured_apart}, std::pair{&bare, &bare_apart}}) {
            const RunResult apart = run_tool(ROSTERBOOK_BINARY, club->path);
            const Outcome expected = read_outcome(*club, apart.status, apart.out, apart.err);
            const std::string what = "round " + std::to_string(round) + ", " + club->path;
            EXPECT_EQ(here->status, expected.status) << what;
            EXPECT_EQ(here->out, expected.out) << what;
            EXPECT_EQ(here->err, expected.err) << what;
            EXPECT_TRUE(here->booklet == expected.booklet && !expected.booklet.empty()) << what;
            EXPECT_TRUE(here->standard == expected.standard && !expected.standard.empty()) << what;
        }
        // Tiny pictures print soft: each is named once per document.
        const std::string soft = "; 150 or more looks sharp (a larger picture, or type the page as text)\n";
        EXPECT_EQ(pictured.err,
                  "roster.conf: unknown key 'Colour'\n"
                  "Warning: cover.png prints at 7 ppi in booklet.pdf" +
                      soft + "Warning: schedule.png prints at 6 ppi in booklet.pdf" + soft +
                      "Warning: cover.png prints at 5 ppi in standard.pdf" + soft +
                      "Warning: schedule.png prints at 4 ppi in standard.pdf" + soft);
    }
}

}  // namespace
