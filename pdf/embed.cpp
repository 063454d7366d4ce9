#include "pdf/embed.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <memory>

#include "base/message.h"
#include "image/jpeg_codec.h"
#include "image/resample.h"

namespace {

// Memory ran out for a picture: said with its name, and the document stops.
HPDF_Image out_of_memory(PdfDocument* pdf, const SourceImage& image) {
    if (!pdf->failed) say("Error: cannot read image %s: not enough memory\n", image.path);
    pdf->failed = true;
    return nullptr;
}

// Writes `samples` as JPEG and loads that into the document.
HPDF_Image load_as_jpeg(PdfDocument* pdf, const SourceImage& image, const unsigned char* samples,
                        PixelSize size) {
    unsigned char* jpeg = nullptr;
    unsigned long jpeg_size = 0;
    if (!encode_jpeg(samples, size.width, size.height, image.channels, JPEG_QUALITY, &jpeg, &jpeg_size)) {
        return out_of_memory(pdf, image);
    }
    HPDF_Image result = HPDF_LoadJpegImageFromMem(pdf->document, jpeg, static_cast<HPDF_UINT>(jpeg_size));
    free(jpeg);
    return result;
}

// Loads `samples` as raw 8-bit data (compressed by libharu on saving). Translucent pixels
// are laid onto white paper first: a soft mask would need PDF 1.4 transparency, which
// some printers ignore and print the hidden colour (often black) instead.
HPDF_Image load_raw(PdfDocument* pdf, const SourceImage& image, const unsigned char* samples,
                    PixelSize size) {
    const bool has_alpha = image.channels == 2 || image.channels == 4;
    const int colors = has_alpha ? image.channels - 1 : image.channels;
    const size_t pixels = static_cast<size_t>(size.width) * size.height;
    std::unique_ptr<unsigned char[]> color(new (std::nothrow) unsigned char[pixels * colors]);
    if (!color) return out_of_memory(pdf, image);
    for (size_t i = 0; i < pixels; ++i) {
        const unsigned char* pixel = samples + i * image.channels;
        const unsigned alpha = has_alpha ? pixel[colors] : 255u;
        for (int c = 0; c < colors; ++c) {
            color[i * colors + c] =
                static_cast<unsigned char>((pixel[c] * alpha + 255u * (255u - alpha) + 127u) / 255u);
        }
    }
    return HPDF_LoadRawImageFromMem(pdf->document, color.get(), size.width, size.height,
                                    colors == 3 ? HPDF_CS_DEVICE_RGB : HPDF_CS_DEVICE_GRAY, 8);
}

// libharu parses a copied JPEG's markers itself, more strictly than libjpeg; it is asked
// first, in a scratch document without an error handler, so that a file libjpeg reads is
// written anew rather than failing the document with a library error.
bool libharu_reads_jpeg(const unsigned char* bytes, size_t size) {
    HPDF_Doc scratch = HPDF_New(nullptr, nullptr);
    if (scratch == nullptr) return false;
    const bool read = HPDF_LoadJpegImageFromMem(scratch, bytes, static_cast<HPDF_UINT>(size)) != nullptr;
    HPDF_Free(scratch);
    return read;
}

// The file's own bytes go in unchanged: a palette PNG libharu reads right, or a JPEG.
HPDF_Image copy_file_bytes(PdfDocument* pdf, const SourceImage& image) {
    const HPDF_UINT length = static_cast<HPDF_UINT>(image.file_size);
    return image.kind == IMAGE_JPEG ? HPDF_LoadJpegImageFromMem(pdf->document, image.file_bytes, length)
                                    : HPDF_LoadPngImageFromMem(pdf->document, image.file_bytes, length);
}

// A picture drawn with too few pixels prints soft: said once for this document.
void warn_low_resolution(const PdfDocument& pdf, const SourceImage& image, float drawn_width,
                         float drawn_height) {
    if (pdf.output_name == nullptr || drawn_width <= 0.0f || drawn_height <= 0.0f) return;
    const float ppi = std::min(static_cast<float>(image.width) / (drawn_width / 72.0f),
                               static_cast<float>(image.height) / (drawn_height / 72.0f));
    if (ppi >= LOW_RESOLUTION) return;
    say("Warning: %s prints at %ld ppi in %s; 150 or more looks sharp (a larger picture, or type the page as "
        "text)\n",
        image.path, lroundf(ppi), pdf.output_name);
}

}  // namespace

HPDF_Image embed_image(PdfDocument* pdf, const SourceImage& image, float drawn_width, float drawn_height,
                       const ImageOptions& options) {
    warn_low_resolution(*pdf, image, drawn_width, drawn_height);
    const PixelSize size =
        embedded_size(image.width, image.height, drawn_width, drawn_height, options.resolution);
    const bool resampled = size.width != image.width || size.height != image.height;
    if (!resampled && image.file_bytes != nullptr &&
        (image.kind != IMAGE_JPEG || libharu_reads_jpeg(image.file_bytes, image.file_size))) {
        return copy_file_bytes(pdf, image);
    }
    std::unique_ptr<unsigned char, void (*)(void*)> reduced(resampled ? resample(image, size) : nullptr,
                                                            free);
    if (resampled && !reduced) return out_of_memory(pdf, image);
    const unsigned char* samples = resampled ? reduced.get() : image.samples;
    const bool translucent = image.channels == 2 || image.channels == 4;
    HPDF_Image result = image.kind == IMAGE_JPEG || (options.jpeg_compression && !translucent)
                            ? load_as_jpeg(pdf, image, samples, size)
                            : load_raw(pdf, image, samples, size);
    return pdf->failed ? nullptr : result;
}
