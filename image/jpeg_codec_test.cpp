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
        char reason[256];
        EXPECT_FALSE(load_source_image(dir.file("damaged.jpg").c_str(), &image, reason, sizeof reason))
            << e.reason;
        EXPECT_STREQ(reason, e.reason);
        EXPECT_EQ(image.samples, nullptr);
    }
}

}  // namespace
