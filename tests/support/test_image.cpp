#include "tests/support/test_image.h"

#include <gtest/gtest.h>

#include "layout/image_page.h"
#include "tests/support/test_document.h"

TestImage::TestImage(const std::string& image_path) : path(image_path) {
    const std::optional<Failure> failure = load_source_image(path.c_str(), &image, FULL_IMAGES);
    EXPECT_FALSE(failure) << failure_message(*failure);
}

TestImage::~TestImage() { free_source_image(&image); }

PdfImage embedded_image(const std::string& path) {
    TestDocument doc(1, false);
    TestImage source(path);
    draw_image_panel(&doc.pdf, doc.target(1, 1, LAYOUT_STANDARD), doc.pdf.fonts.regular, &source.image,
                     {300, false, libharu_reads_jpeg}, "[schedule.png not found]", STANDARD_GEOMETRY);
    std::vector<PdfPage> pages = doc.finish();
    EXPECT_EQ(pages[0].images.size(), 1u) << path;
    return pages[0].images.empty() ? PdfImage{} : pages[0].images[0];
}
