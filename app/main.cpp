// rosterbook: turns the club's member list into a saddle-stitch booklet and a standard
// portrait document. Everything comes from "roster.sdd"; the only arguments are --help
// and --version.
#include <cstdio>
#include <cstring>

#include "app/run.h"
#include "settings/settings.h"

namespace {

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
    return run_rosterbook({SETTINGS_FILE_NAME, {nullptr, nullptr}});
}
