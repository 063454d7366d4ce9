// One run of rosterbook: reads the settings file, the member list and the images it names,
// and writes both PDFs, reporting on the way. Callable again in the same process.
#pragma once

#include "base/message.h"

struct RunRequest {
    const char* settings_path;  // the settings file ("roster.sdd"); the paths it holds are taken as they are
    MessageStreams streams;     // where the report lines and messages go; null ones: stdout and stderr
    int threads = 0;            // how many pictures are prepared at once; 0: one per core
    long long made_at = -1;     // the date the PDFs carry, in seconds since 1970 (UTC); -1: the run's time
};

// Makes both documents as the settings say. Returns the exit status: 0 when both PDFs were
// written, 1 when the run stopped (its reason already said on the message stream). Holds
// nothing afterwards: every file, document and buffer is released.
int run_rosterbook(const RunRequest& request);
