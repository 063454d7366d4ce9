#include "pdf/embed.h"

// libharu's public calls cannot take data already compressed: an image XObject is built
// here from its own objects, as HPDF_LoadRawImageFromMem builds one.

#include <algorithm>
#include <cmath>
#include <cstring>

#include "base/message.h"
#include "image/resample.h"
#include "pdf/libharu_internals.h"

namespace {

// A prepared picture's colour space by its number of colours.
constexpr const char* COLOUR_SPACES[] = {"", "DeviceGray", "", "DeviceRGB", "DeviceCMYK"};

// [1 0 1 0 1 0 1 0]: four inverted channels.
HPDF_Array inverted_decode(HPDF_Doc document) {
    HPDF_Array decode = HPDF_Array_New(document->mmgr);
    for (int i = 0; decode != nullptr && i < 8; ++i) HPDF_Array_AddNumber(decode, i % 2 == 0 ? 1 : 0);
    return decode;
}

// An image XObject with an empty stream, marked with the index of `picture` among the
// document's pictures: finishing the saved file puts the data in. So the data, compressed
// once, is never copied into libharu and out again.
HPDF_Image load_placeholder(PdfDocument* pdf, const PreparedPicture& picture) {
    HPDF_Doc document = pdf->document;
    HPDF_Dict image = HPDF_DictStream_New(document->mmgr, document->xref);
    if (image == nullptr) return nullptr;
    image->header.obj_class |= HPDF_OSUBCLASS_XOBJECT;
    image->filter = HPDF_STREAM_FILTER_NONE;
    const bool added =
        HPDF_Dict_AddName(image, "Type", "XObject") == HPDF_OK &&
        HPDF_Dict_AddName(image, "Subtype", "Image") == HPDF_OK &&
        HPDF_Dict_AddName(image, "ColorSpace", COLOUR_SPACES[picture.colors]) == HPDF_OK &&
        HPDF_Dict_AddNumber(image, "Width", static_cast<HPDF_INT32>(picture.size.pixels.width)) == HPDF_OK &&
        HPDF_Dict_AddNumber(image, "Height", static_cast<HPDF_INT32>(picture.size.pixels.height)) ==
            HPDF_OK &&
        HPDF_Dict_AddNumber(image, "BitsPerComponent", 8) == HPDF_OK &&
        HPDF_Dict_AddNumber(image, PICTURE_KEY + 1, static_cast<HPDF_INT32>(pdf->pictures.size())) == HPDF_OK;
    // CMYK JPEG data is stored inverted, as Adobe's is; the Decode array says so to every reader.
    if (!added || (picture.colors == 4 && picture.kind == PICTURE_DCT &&
                   HPDF_Dict_Add(image, "Decode", inverted_decode(document)) != HPDF_OK)) {
        return nullptr;
    }
    pdf->pictures.push_back(
        {picture.data, picture.data_size, picture.kind == PICTURE_DCT ? "/DCTDecode" : "/FlateDecode"});
    return image;
}

HPDF_Image load_picture(PdfDocument* pdf, const PreparedPicture& picture) {
    const HPDF_UINT size = static_cast<HPDF_UINT>(picture.data_size);
    return picture.kind == PICTURE_PNG_FILE ? HPDF_LoadPngImageFromMem(pdf->document, picture.data, size)
                                            : load_placeholder(pdf, picture);
}

// A picture drawn with too few pixels prints soft: said once for this document. A print
// shop's own check asks for more, which is noted for its file.
void warn_low_resolution(const PdfDocument& pdf, const SourceImage& image, float drawn_width,
                         float drawn_height) {
    if (pdf.output_name == nullptr || drawn_width <= 0.0f || drawn_height <= 0.0f) return;
    const float ppi = std::min(static_cast<float>(image.width) / (drawn_width / 72.0f),
                               static_cast<float>(image.height) / (drawn_height / 72.0f));
    if (ppi >= LOW_RESOLUTION) {
        if (pdf.shop.enabled && ppi < SHOP_QUERY_RESOLUTION) {
            say("Note: %s prints at %ld ppi in %s; print shops may query pictures under %ld ppi\n",
                image.path, lroundf(ppi), pdf.output_name, lroundf(SHOP_QUERY_RESOLUTION));
        }
        return;
    }
    say("Warning: %s prints at %ld ppi in %s; 150 or more looks sharp (a larger picture, or type the page as "
        "text)\n",
        image.path, lroundf(ppi), pdf.output_name);
}

}  // namespace

bool libharu_reads_jpeg(const unsigned char* bytes, size_t size) {
    HPDF_Doc scratch = HPDF_New(nullptr, nullptr);  // no error handler: a refusal is an answer
    if (scratch == nullptr) return false;
    const bool read = HPDF_LoadJpegImageFromMem(scratch, bytes, static_cast<HPDF_UINT>(size)) != nullptr;
    HPDF_Free(scratch);
    return read;
}

HPDF_Image embed_image(PdfDocument* pdf, const SourceImage& image, float drawn_width, float drawn_height,
                       const ImageOptions& options) {
    warn_low_resolution(*pdf, image, drawn_width, drawn_height);
    const PictureSize size = {
        embedded_size(image.width, image.height, drawn_width, drawn_height, options.resolution),
        pdf->shop.cmyk};
    const PreparedPicture* picture = find_picture(image, size);
    SourceImage prepared_here = image;  // holds only a picture made here
    prepared_here.picture_count = 0;
    if (picture == nullptr) {
        if (const std::optional<Failure> failure = prepare_pictures(&prepared_here, {&size, 1}, options)) {
            if (!pdf->failed) say_failure(*failure);
            pdf->failed = true;
            return nullptr;
        }
        picture = &prepared_here.pictures[0];
    }
    HPDF_Image result = load_picture(pdf, *picture);
    if (prepared_here.picture_count > 0) {  // the document keeps what it refers to
        pdf->own_pictures.emplace_back(prepared_here.pictures[0].data, free);
        prepared_here.pictures[0].data = nullptr;
    }
    free_pictures(&prepared_here);
    return pdf->failed ? nullptr : result;
}

HPDF_Image embed_prepared(PdfDocument* pdf, const SourceImage& image, PixelSize pixels) {
    const PreparedPicture* picture = find_picture(image, {pixels, pdf->shop.cmyk});
    if (picture == nullptr) {
        if (!pdf->failed) say("Error: %s: not prepared for %s\n", image.path, pdf->output_name);
        pdf->failed = true;
        return nullptr;
    }
    HPDF_Image result = load_picture(pdf, *picture);
    return pdf->failed ? nullptr : result;
}
