#include "tests/support/test_image.h"

#include <gtest/gtest.h>

TestImage::TestImage(const std::string& image_path) : path(image_path) {
    char reason[256];
    EXPECT_TRUE(load_source_image(path.c_str(), &image, reason, sizeof reason)) << path << ": " << reason;
}

TestImage::~TestImage() { free_source_image(&image); }
