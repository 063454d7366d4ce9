// Prepares a run's pictures on several threads: each decoded once, then made at every size the
// documents draw it at, decoded pictures freed as soon as their sizes are made.
#pragma once

#include <optional>
#include <span>

#include "base/failure.h"
#include "image/image.h"

// One picture to prepare at the sizes the documents draw it at, and how that went.
struct PictureJob {
    SourceImage* image = nullptr;
    PictureSize sizes[MAX_PICTURE_SIZES] = {};
    int size_count = 0;
    DecodedPicture decoded;
    int users[MAX_PICTURE_SIZES] = {};  // of each of decoded.sized: pictures not yet made from it, freed at 0
    std::optional<Failure> failure;
};

// Prepares every job's picture at its sizes on `threads` threads, this one included (none
// are started for no job); each job's `failure` says how its picture went (the decoder's
// failure, or "not enough memory"). Every picture's data is the same whatever the threads.
void run_picture_jobs(std::span<PictureJob> jobs, const ImageOptions& options, int threads);
