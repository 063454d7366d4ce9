// One run of rosterbook: reads the settings file, the member list and the images it names,
// and writes both PDFs, reporting on the way. Callable again in the same process.
#pragma once

#include <optional>
#include <span>

#include "base/failure.h"
#include "base/message.h"
#include "image/image.h"

// A picture of a run to prepare: the opened file (its crop set for a member's photo) and
// the sizes the documents draw it at.
struct PictureRequest {
    SourceImage* image;
    std::span<const PictureSize> sizes;
    std::optional<Failure> failure;  // set by the preparer when the picture cannot be made
};

// Prepares a run's pictures in place of its own threads (the web page hands them to its
// workers): makes each request's image->pictures as prepare_pictures does with `options`, or
// sets its failure. Returning false ends the run there, with nothing more said or written: a
// first pass that only asks which pictures the run needs.
using PicturePreparer = bool (*)(std::span<PictureRequest> requests, const ImageOptions& options,
                                 void* context);

// How a run embeds its pictures: reduced to `resolution` pixels per inch (0: never), PNGs as
// JPEG when `jpeg`, a JPEG file's own bytes wherever libharu reads them, the press's inks
// within `ink_limit` percent (0: the press profile's own). A preparer elsewhere (the web
// page's workers) makes pictures with the same.
ImageOptions run_image_options(int32_t resolution, bool jpeg, int32_t ink_limit);

struct RunRequest {
    const char* settings_path;  // the settings file ("roster.sdd"); the paths it holds are taken as they are
    MessageStreams streams;     // where the report lines and messages go; null ones: stdout and stderr
    int threads = 0;            // how many pictures are prepared at once; 0: one per core
    long long made_at = -1;     // the date the PDFs carry, in seconds since 1970 (UTC); -1: the run's time
    PicturePreparer prepare_pictures = nullptr;  // null: the pictures are prepared on `threads` threads
    void* preparer_context = nullptr;            // handed to prepare_pictures
};

// Makes both documents as the settings say. Returns the exit status: 0 when both PDFs were
// written, 1 when the run stopped (its reason already said on the message stream). Holds
// nothing afterwards: every file, document and buffer is released.
int run_rosterbook(const RunRequest& request);
