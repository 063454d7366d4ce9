// An image file decoded for a layout test, as the run decodes it once for both documents.
#pragma once

#include <string>

#include "image/image.h"

// Every image embedded as it comes, losslessly.
constexpr ImageOptions FULL_IMAGES = {0, false};

struct TestImage {
    std::string path;
    SourceImage image{};

    // Decodes `path`; a file that does not load fails the test.
    explicit TestImage(const std::string& path);
    ~TestImage();
    TestImage(const TestImage&) = delete;
    TestImage& operator=(const TestImage&) = delete;
};
