// The web page's entry into the tool: one run on the files the page has put into the
// module's virtual file system. The report and messages go to the page through stdout
// and stderr, line by line, as the command line prints them.
#include <emscripten.h>
#include <unistd.h>

#include <cstdio>

#include "app/run.h"
#include "settings/settings.h"

// Runs rosterbook in `folder` (holding roster.sdd, the member list and the pictures) and
// returns its exit status: 0 when the PDFs were written there, 1 after a message.
extern "C" EMSCRIPTEN_KEEPALIVE int rosterbook_run(const char* folder) {
    int status = 1;
    if (chdir(folder) != 0) {
        fprintf(stderr, "Error: cannot open the folder %s\n", folder);
    } else {
        status = run_rosterbook({SETTINGS_FILE_NAME, {nullptr, nullptr}, 1});  // one thread: no workers here
        chdir("/");  // the page removes the folder before the next run
    }
    fflush(stdout);
    fflush(stderr);
    return status;
}

// The page calls rosterbook_run for each roster; starting the module runs nothing.
int main() { return 0; }
