#include "tests/support/test_image.h"

#include <gtest/gtest.h>

#include "layout/image_page.h"
#include "tests/support/test_document.h"

TestImage::TestImage(const std::string& image_path, CropBox crop) : path(image_path) {
    std::optional<Failure> failure = open_source_image(path.c_str(), &image);
    image.crop = crop;
    const PictureSize own = {cropped_size(image), false};
    if (!failure) failure = prepare_pictures(&image, {&own, 1}, FULL_IMAGES);
    EXPECT_FALSE(failure) << failure_message(*failure);
}

TestImage::~TestImage() { free_source_image(&image); }

PdfImage embedded_image(const std::string& path, CropBox crop) {
    TestDocument doc(1, false);
    TestImage source(path, crop);
    if (source.image.picture_count > 0 &&
        !(cropped_size(source.image) == PixelSize{source.image.width, source.image.height})) {
        // A crop, as a member's photo frame draws it: the picture prepared at the crop's size.
        HPDF_Image image = embed_prepared(&doc.pdf, source.image, cropped_size(source.image));
        HPDF_Page_DrawImage(doc.target(1, 1, LAYOUT_STANDARD).pages[0], image, 100, 100, 51, 68);
    } else {
        draw_image_panel(&doc.pdf, doc.target(1, 1, LAYOUT_STANDARD), doc.pdf.fonts.regular, &source.image,
                         {300, false, libharu_reads_jpeg}, "[schedule.png not found]", STANDARD_GEOMETRY);
    }
    std::vector<PdfPage> pages = doc.finish();
    EXPECT_EQ(pages[0].images.size(), 1u) << path;
    return pages[0].images.empty() ? PdfImage{} : pages[0].images[0];
}
