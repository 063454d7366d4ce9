#include "image/jpeg_codec.h"

#include <gtest/gtest.h>

#include <string>

#include "tests/support/jpeg_writer.h"
#include "tests/support/temp_dir.h"

namespace {

TEST(DecodeJpeg, DamagedFilesAreRefused) {
    TempDir dir;
    const std::string path = dir.file("photo.jpg");
    write_jpeg(path, {64, 64});
    const std::string whole = dir.read("photo.jpg");
    const struct {
        std::string bytes;
        const char* reason;
    } errors[] = {
        {whole.substr(0, whole.size() / 2), "Premature end of JPEG file"},
        {whole.substr(0, 3) + std::string(200, 'x'), "Unsupported marker type 0x78"},
    };
    for (const auto& e : errors) {
        dir.write("damaged.jpg", e.bytes);
        SourceImage image;
        const std::optional<Failure> failure = load_source_image(dir.file("damaged.jpg").c_str(), &image, {});
        ASSERT_TRUE(failure) << e.reason;
        EXPECT_EQ(failure_message(*failure), "Error: " + dir.file("damaged.jpg") + ": " + e.reason);
        EXPECT_EQ(image.picture_count, 0);
    }
}

// A phone's 108-megapixel photo is decoded at a DCT scaling, never whole.
TEST(DecodeJpeg, TakesA108MegapixelPhoto) {
    TempDir dir;
    const std::string path = dir.file("huge.jpg");
    write_jpeg(path, {12000, 9000});
    SourceImage image;
    ASSERT_FALSE(open_source_image(path.c_str(), &image));
    const PictureSize size = {{2200, 1650}, false};
    ASSERT_FALSE(prepare_pictures(&image, {&size, 1}, {300, false}));
    EXPECT_EQ(image.picture_count, 1);
    EXPECT_TRUE(image.pictures[0].size == size && image.pictures[0].kind == PICTURE_DCT);
    free_source_image(&image);
}

}  // namespace
