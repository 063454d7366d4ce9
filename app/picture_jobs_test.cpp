#include "app/picture_jobs.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "tests/support/png_writer.h"
#include "tests/support/temp_dir.h"

namespace {

// Every prepared picture's bytes of `images`, in order, with each job's failure: what the
// pictures come out as, whatever thread made them.
std::vector<std::string> prepared(std::vector<SourceImage>& images, int threads) {
    std::vector<PictureJob> jobs(images.size());
    for (size_t i = 0; i < images.size(); ++i) {
        jobs[i].image = &images[i];
        // Two sizes a picture: the one the first pixel size decodes to is made twice.
        const uint32_t w = images[i].width, h = images[i].height;
        jobs[i].sizes[0] = {{w / 2 + 1, h / 2 + 1}, false};
        jobs[i].sizes[1] = {{w, h}, i % 2 == 1};
        jobs[i].size_count = 2;
    }
    run_picture_jobs(jobs, {300, false}, threads);
    std::vector<std::string> made;
    for (const PictureJob& job : jobs) {
        if (job.failure) {
            made.push_back(job.failure->file + ": " + job.failure->reason);
            continue;
        }
        for (int s = 0; s < job.size_count; ++s) {
            const PreparedPicture* picture = find_picture(*job.image, job.sizes[s]);
            made.push_back(picture != nullptr
                               ? std::string(reinterpret_cast<const char*>(picture->data), picture->data_size)
                               : "missing");
        }
        // What they were made from is freed once every size is made.
        for (const Samples& samples : job.decoded.sized) EXPECT_EQ(samples.data, nullptr) << job.image->path;
    }
    return made;
}

TEST(RunPictureJobs, EveryThreadCountMakesTheSamePictures) {
    TempDir dir;
    std::vector<std::string> paths;
    for (int i = 0; i < 7; ++i) {
        paths.push_back(dir.file("p" + std::to_string(i) + ".png"));
        write_rgb_png(paths.back(), 40 + 13 * i, 30 + 7 * i);
    }
    // A picture whose header reads but whose data stops short fails alone.
    std::filesystem::resize_file(paths[3], std::filesystem::file_size(paths[3]) - 40);
    std::vector<std::string> first;
    for (int threads : {1, 2, 5}) {
        std::vector<SourceImage> images(paths.size());
        for (size_t i = 0; i < paths.size(); ++i)
            ASSERT_FALSE(open_source_image(paths[i].c_str(), &images[i]));
        const std::vector<std::string> made = prepared(images, threads);
        for (SourceImage& image : images) free_source_image(&image);
        ASSERT_EQ(made.size(), 13u) << threads;  // six pictures at two sizes and the failure
        EXPECT_EQ(made[6], paths[3] + ": Read Error") << threads;
        if (first.empty()) first = made;
        EXPECT_EQ(made, first) << threads << " threads";
    }
}

}  // namespace
