// rosterbook: turns the club's member list into a saddle-stitch booklet and a standard
// portrait document. Everything comes from "roster.sdd"; the only arguments are --help
// and --version.
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "app/run.h"
#include "base/message.h"
#include "settings/settings.h"

namespace {

constexpr const char* USAGE =
    "Usage: rosterbook [--help | --version]\n"
    "Run it in the folder that holds your member list. It reads roster.sdd (settings), the\n"
    "member list (members.csv, .xlsx or .ods) and its pictures (the cover, the committee and\n"
    "schedule pages, the members' photos), and writes booklet.pdf and standard.pdf, and the\n"
    "print shop's file when roster.sdd asks for one. The README describes the settings keys.\n";

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

// The last second a PDF date can say: 9999-12-31 23:59:59 UTC.
constexpr long long LAST_PDF_SECOND = 253402300799LL;

// SOURCE_DATE_EPOCH, as reproducible builds set it: the date the PDFs carry, so the same
// roster makes the same files byte for byte. -1 when it is not set, or, said as a warning,
// when it is not whole seconds from 1970 to the year 9999.
long long source_date_epoch() {
    const char* text = getenv("SOURCE_DATE_EPOCH");
    if (text == nullptr || text[0] == '\0') return -1;
    char* end = nullptr;
    errno = 0;
    const long long seconds = strtoll(text, &end, 10);
    if (*end == '\0' && errno == 0 && seconds >= 0 && seconds <= LAST_PDF_SECOND) return seconds;
    say("Warning: SOURCE_DATE_EPOCH '%s' is not whole seconds from 1970 to the year 9999: the PDFs carry the "
        "run's own date\n",
        text);
    return -1;
}

}  // namespace

int main(int argc, char** argv) {
    const int answered = answer_arguments(argc, argv);
    if (answered >= 0) return answered;
    RunRequest request = {SETTINGS_FILE_NAME, {nullptr, nullptr}};
    request.made_at = source_date_epoch();
    const int status = run_rosterbook(request);
    // The run has closed its files and freed what it held: ending here skips the exit
    // handlers of the libraries loaded for it (qpdf's TLS libraries among them), which took
    // 3 to 4 ms, a tenth of a small roster's run.
    fflush(stdout);
    fflush(stderr);
    _exit(status);
}
