#include "app/picture_jobs.h"

#include <condition_variable>
#include <mutex>
#include <thread>
#include <utility>
#include <vector>

namespace {

// The preparing of a run's pictures, shared by the threads doing it: each picture is
// decoded, then made at each of its sizes, a size ready to make taken before the next
// decode so decoded pictures are freed soonest. Every picture's data is the same whatever
// thread makes it and in whatever order.
struct PictureWork {
    std::span<PictureJob> jobs;
    ImageOptions options;
    std::mutex lock;  // guards everything below
    std::condition_variable changed;
    size_t next_decode = 0;
    std::vector<std::pair<PictureJob*, int>> ready;  // sizes whose picture is decoded
    int busy = 0;                                    // threads decoding or making now
};

// Decodes `job`'s picture (without the lock) and queues its sizes.
void decode_job(PictureWork* work, PictureJob* job, std::unique_lock<std::mutex>& hold) {
    hold.unlock();
    std::optional<Failure> failure =
        decode_picture(job->image, std::span(job->sizes, job->size_count), &job->decoded);
    hold.lock();
    job->failure = std::move(failure);
    for (int i = 0; !job->failure && i < job->image->picture_count; ++i) {
        work->ready.emplace_back(job, i);
        const int sized = sized_index(job->decoded, job->image->pictures[i].size.pixels);
        if (sized < job->decoded.count) ++job->users[sized];
    }
}

// Makes one size of a decoded picture (without the lock).
void make_job(PictureWork* work, PictureJob* job, int index, std::unique_lock<std::mutex>& hold) {
    hold.unlock();
    const bool made = make_picture(job->image, index, job->decoded, work->options);
    hold.lock();
    if (!made && !job->failure) job->failure = Failure{job->image->path, 0, "not enough memory"};
    const int sized = sized_index(job->decoded, job->image->pictures[index].size.pixels);
    if (sized < job->decoded.count && --job->users[sized] == 0) job->decoded.sized[sized] = Samples();
}

void picture_worker(PictureWork* work) {
    std::unique_lock<std::mutex> hold(work->lock);
    for (;;) {
        if (!work->ready.empty()) {
            const auto [job, index] = work->ready.back();
            work->ready.pop_back();
            ++work->busy;
            make_job(work, job, index, hold);
        } else if (work->next_decode < work->jobs.size()) {
            ++work->busy;
            decode_job(work, &work->jobs[work->next_decode++], hold);
        } else if (work->busy > 0) {
            work->changed.wait(hold);  // a decode under way may yet bring sizes to make
            continue;
        } else {
            return;
        }
        --work->busy;
        work->changed.notify_all();
    }
}

}  // namespace

void run_picture_jobs(std::span<PictureJob> jobs, const ImageOptions& options, int threads) {
    PictureWork work;
    work.jobs = jobs;
    work.options = options;
    std::vector<std::thread> helpers;
    for (int t = 1; t < threads && !jobs.empty(); ++t) helpers.emplace_back(picture_worker, &work);
    picture_worker(&work);
    for (std::thread& helper : helpers) helper.join();
}
