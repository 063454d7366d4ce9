// An image file decoded for a layout test, as the run decodes it once for both documents.
#pragma once

#include <string>

#include "image/image.h"
#include "pdf/embed.h"
#include "tests/support/pdf_reader.h"

// Every image embedded as it comes, losslessly, a JPEG file copied where libharu reads it.
constexpr ImageOptions FULL_IMAGES = {0, false, libharu_reads_jpeg};

struct TestImage {
    std::string path;
    SourceImage image{};

    // Decodes `path`, the part `crop` keeps, at that part's own size; a file that does not
    // load fails the test.
    explicit TestImage(const std::string& path, CropBox crop = WHOLE_PICTURE);
    ~TestImage();
    TestImage(const TestImage&) = delete;
    TestImage& operator=(const TestImage&) = delete;
};

// The picture at `path` (the part `crop` keeps) drawn on a standard page at 300 ppi, read
// back from the PDF.
PdfImage embedded_image(const std::string& path, CropBox crop = WHOLE_PICTURE);
