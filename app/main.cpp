// rosterbook: turns the club's member list into a saddle-stitch booklet and a standard
// portrait document. Everything comes from "roster.sdd"; the only arguments are --help
// and --version.
#include <cstdio>
#include <cstring>

#include "app/output.h"
#include "app/page_plan.h"
#include "app/path_check.h"
#include "roster/roster.h"
#include "settings/settings.h"

namespace {

// The run owns these for its whole length; they are too large for the stack.
Settings settings;
RosterGroups groups;

void report_plan(const PagePlan& plan) {
    printf("Booklet : %d content pages => padded to %d (%d sheets)\n", plan.booklet_content_pages,
           plan.booklet_pages, plan.booklet_sheets);
    printf("Portrait: %d pages\n", plan.standard_pages);
}

constexpr const char* USAGE =
    "Usage: rosterbook [--help | --version]\n"
    "Run it in the folder that holds your member list. It reads roster.sdd (settings), the\n"
    "member list (members.csv) and up to three images (cover, committee and schedule page),\n"
    "and writes booklet.pdf and standard.pdf. The settings keys are described in the README.\n";

// Answers --help and --version; any other argument is a mistake. Returns the exit status,
// or -1 when there are no arguments and the run goes ahead. Never touches a file.
int answer_arguments(int argc, char** argv) {
    if (argc < 2) return -1;
    if (argc == 2 && strcmp(argv[1], "--help") == 0) {
        fputs(USAGE, stdout);
        return 0;
    }
    if (argc == 2 && strcmp(argv[1], "--version") == 0) {
        puts("rosterbook " ROSTERBOOK_VERSION);
        return 0;
    }
    fputs(USAGE, stderr);
    return 2;
}

}  // namespace

int main(int argc, char** argv) {
    const int answered = answer_arguments(argc, argv);
    if (answered >= 0) return answered;
    load_settings(&settings);
    printf("Config  : title=%d line(s), subtitle=%d line(s), %s\n", settings.title_line_count,
           settings.subtitle_line_count, settings.label_sequence == 1 ? "Column Order" : "Row Order");
    warn_missing_images(settings);
    if (!outputs_spare_inputs(settings)) return 1;
    if (!load_roster(settings, &groups)) return 1;
    printf("Members : %d Caller(s), %d Cuer(s), %d Member(s), %d New Dancer(s)\n", groups.caller_count,
           groups.cuer_count, groups.member_count, groups.new_dancer_count);
    PagePlan plan = plan_pages(groups.member_count, groups.new_dancer_count);
    report_plan(plan);
    fflush(stdout);
    if (!produce_documents(settings, groups, plan)) return 1;
    return 0;
}
