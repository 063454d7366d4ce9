#include "image/image.h"

#include <zlib.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>

#include "base/file.h"
#include "image/colour.h"
#include "image/heif_decode.h"
#include "image/jpeg_codec.h"
#include "image/png_decode.h"
#include "image/resample.h"
#include "image/webp_decode.h"

namespace {

// Every format a picture may come in, asked in turn whether the file is theirs.
const ImageDecoder* const DECODERS[] = {&PNG_DECODER, &JPEG_DECODER, &HEIF_DECODER, &WEBP_DECODER};

// Files people take for pictures, or save by mistake under a picture's name, told by their
// first bytes, so the message can say what the file is.
struct KnownFormat {
    const char* signature;
    size_t offset, length;
    const char* name;
};
constexpr KnownFormat OTHER_FORMATS[] = {
    {"GIF8", 0, 4, "a GIF image"},
    {"%PDF", 0, 4, "a PDF file"},
    {"II*\0", 0, 4, "a TIFF image"},
    {"MM\0*", 0, 4, "a TIFF image"},
    {"BM", 0, 2, "a BMP image"},
    {"8BPS", 0, 4, "a Photoshop file"},
    {"jP  ", 4, 4, "a JPEG 2000 image"},
    {"ftyp", 4, 4, "a video or a picture format rosterbook cannot read"},
    {"PK\3\4", 0, 4, "a ZIP file (a Word or office document?)"},
    {"<svg", 0, 4, "an SVG drawing"},
    {"<?xml", 0, 5, "an XML file (an SVG drawing?)"},
    {"\0\0\1\0", 0, 4, "an icon file"},
};

const ImageDecoder* decoder_recognising(const unsigned char* head, size_t size) {
    for (const ImageDecoder* decoder : DECODERS) {
        if (decoder->recognises(head, size)) return decoder;
    }
    return nullptr;
}

const ImageDecoder* decoder_of(ImageKind kind) {
    for (const ImageDecoder* decoder : DECODERS) {
        if (decoder->kind == kind) return decoder;
    }
    return nullptr;
}

// Names what a file no decoder recognises looks like, and what to do with it.
std::string name_unknown_format(const unsigned char* head, size_t size) {
    const char* name = "not a picture file";
    for (const KnownFormat& format : OTHER_FORMATS) {
        if (size >= format.offset + format.length &&
            memcmp(head + format.offset, format.signature, format.length) == 0) {
            name = format.name;
            break;
        }
    }
    return std::string(name) + "; save it as PNG or JPEG";
}

// Where the upright point (across, down), in fractions of the picture, lies in the stored
// picture of EXIF `orientation`.
void stored_point(int orientation, float across, float down, float* x, float* y) {
    switch (orientation) {
        case 2:
            *x = 1 - across, *y = down;
            break;
        case 3:
            *x = 1 - across, *y = 1 - down;
            break;
        case 4:
            *x = across, *y = 1 - down;
            break;
        case 5:
            *x = down, *y = across;
            break;
        case 6:
            *x = down, *y = 1 - across;
            break;
        case 7:
            *x = 1 - down, *y = 1 - across;
            break;
        case 8:
            *x = 1 - down, *y = across;
            break;
        default:
            *x = across, *y = down;
    }
}

// An upright crop as the stored picture holds it.
CropBox stored_crop(const SourceImage& image) {
    const CropBox& crop = image.crop;
    float x1, y1, x2, y2;
    stored_point(image.orientation, crop.left, crop.top, &x1, &y1);
    stored_point(image.orientation, crop.left + crop.width, crop.top + crop.height, &x2, &y2);
    return {std::min(x1, x2), std::min(y1, y2), std::fabs(x2 - x1), std::fabs(y2 - y1)};
}

PixelSize stored_size(const SourceImage& image, PixelSize upright) {
    return image.orientation >= 5 ? PixelSize{upright.height, upright.width} : upright;
}

// The fewest pixels, as stored, the decoder must deliver so that the crop has at least each
// of `sizes` (as stored) to average from.
PixelSize least_pixels(const SourceImage& image, std::span<const PixelSize> sizes, const CropBox& crop) {
    PixelSize least = {1, 1};
    for (const PixelSize& size : sizes) {
        least.width = std::max(least.width, static_cast<uint32_t>(std::ceil(size.width / crop.width)));
        least.height = std::max(least.height, static_cast<uint32_t>(std::ceil(size.height / crop.height)));
    }
    const PixelSize whole = stored_size(image, {image.width, image.height});
    return {std::min(least.width, whole.width), std::min(least.height, whole.height)};
}

bool is_cropped(const SourceImage& image) {
    return image.crop.left != 0.0f || image.crop.top != 0.0f || image.crop.width != 1.0f ||
           image.crop.height != 1.0f;
}

}  // namespace

// A soft mask would need PDF 1.4 transparency, which some printers ignore and print the
// hidden colour (often black) instead.
Samples laid_onto_white(const Samples& samples) {
    const int colors = samples.channels - 1;
    const size_t pixels = size_t{samples.width} * samples.height;
    Samples flat;
    flat.data.reset(new (std::nothrow) unsigned char[pixels * colors]);
    if (flat.data == nullptr) return flat;
    flat.width = samples.width;
    flat.height = samples.height;
    flat.channels = colors;
    for (size_t i = 0; i < pixels; ++i) {
        const unsigned char* pixel = samples.data.get() + i * samples.channels;
        const unsigned alpha = pixel[colors];
        for (int c = 0; c < colors; ++c) {
            flat.data[i * colors + c] =
                static_cast<unsigned char>((pixel[c] * alpha + 255u * (255u - alpha) + 127u) / 255u);
        }
    }
    return flat;
}

namespace {

// sRGB `samples` (3 channels) in the press's CMYK within `ink_limit` percent (0: the
// profile's own), `inverted` (255 no ink) if asked; empty
// when out of memory or lcms2 cannot convert. Grey stays grey: it prints in black ink alone.
Samples in_press_colours(const Samples& samples, bool inverted, int32_t ink_limit) {
    Samples inks;
    ColourTransform transform = press_transform(inverted, ink_limit);
    const size_t pixels = size_t{samples.width} * samples.height;
    if (transform.handle != nullptr) inks.data.reset(new (std::nothrow) unsigned char[pixels * 4]);
    if (inks.data != nullptr) {
        inks.width = samples.width;
        inks.height = samples.height;
        inks.channels = 4;
        apply_transform(transform, samples.data.get(), inks.data.get(), pixels);
    }
    close_transform(&transform);
    return inks;
}

bool compress_flate(const Samples& samples, PreparedPicture* picture) {
    const uLong raw = static_cast<uLong>(samples.width) * samples.height * samples.channels;
    uLongf size = compressBound(raw);
    picture->data = static_cast<unsigned char*>(malloc(size));
    if (picture->data == nullptr ||
        compress2(picture->data, &size, samples.data.get(), raw, Z_DEFAULT_COMPRESSION) != Z_OK) {
        return false;
    }
    picture->data_size = size;
    picture->kind = PICTURE_FLATE;
    return true;
}

bool compress_jpeg(const Samples& samples, PreparedPicture* picture) {
    unsigned long size = 0;
    if (!encode_jpeg(samples.data.get(), samples.width, samples.height, samples.channels, JPEG_QUALITY,
                     &picture->data, &size)) {
        return false;
    }
    picture->data_size = size;
    picture->kind = PICTURE_DCT;
    return true;
}

// Compresses `samples` (already at the picture's size) as the picture is to be stored: a
// press size in the press's CMYK, inverted in JPEG as Adobe's CMYK JPEGs are.
bool compress_picture(const SourceImage& image, const Samples& samples, const ImageOptions& options,
                      PreparedPicture* picture) {
    const bool translucent = samples.channels == 2 || samples.channels == 4;
    Samples flat;
    if (translucent) {
        flat = laid_onto_white(samples);
        if (flat.data == nullptr) return false;
    }
    const Samples& colours = translucent ? flat : samples;
    const bool jpeg = (image.lossy || options.jpeg_compression) && !translucent;
    picture->colors = colours.channels;
    if (picture->size.press && colours.channels == 3) {
        const Samples inks = in_press_colours(colours, jpeg, options.ink_limit);
        picture->colors = 4;
        return inks.data != nullptr && (jpeg ? compress_jpeg(inks, picture) : compress_flate(inks, picture));
    }
    return jpeg ? compress_jpeg(colours, picture) : compress_flate(colours, picture);
}

// The file's own bytes as the picture at its own size, where they may go in as they are.
bool copy_own_bytes(const SourceImage& image, int colors, const ImageOptions& options,
                    PreparedPicture* picture) {
    unsigned char* bytes = nullptr;
    size_t size = 0;
    if (std::optional<Failure> failed = read_whole_file(image.path, MAX_IMAGE_FILE_BYTES, "", &bytes, &size))
        return false;
    const bool jpeg = image.kind == IMAGE_JPEG;
    if (jpeg && (options.copies_jpeg == nullptr || !options.copies_jpeg(bytes, size))) {
        free(bytes);
        return false;
    }
    *picture = {
        {{image.width, image.height}, false}, colors, jpeg ? PICTURE_DCT : PICTURE_PNG_FILE, bytes, size};
    return true;
}

}  // namespace

[[nodiscard]] std::optional<Failure> open_source_image(const char* path, SourceImage* image) {
    memset(image, 0, sizeof *image);
    image->path = path;
    FilePtr file;
    if (std::optional<Failure> failure = open_regular_file(path, &file)) return failure;
    unsigned char head[32];
    const size_t size = fread(head, 1, sizeof head, file.get());
    rewind(file.get());
    const ImageDecoder* decoder = decoder_recognising(head, size);
    if (decoder == nullptr) return Failure{path, 0, name_unknown_format(head, size)};
    ImageHeader header;
    if (std::optional<Failure> failure = decoder->read_header(file.get(), &header))
        return Failure{path, 0, failure->reason};
    const unsigned long long pixels = static_cast<unsigned long long>(header.width) * header.height;
    if (pixels > MAX_IMAGE_PIXELS) {
        return Failure{path, 0,
                       "image too large: " + std::to_string(pixels / 1000000) + " megapixels, at most " +
                           std::to_string(MAX_IMAGE_PIXELS / 1000000)};
    }
    if (pixels == 0) return Failure{path, 0, "the picture has no pixels"};
    const bool swapped = header.orientation >= 5;
    image->kind = decoder->kind;
    image->width = swapped ? header.height : header.width;
    image->height = swapped ? header.width : header.height;
    image->orientation = header.orientation;
    image->lossy = header.lossy;
    image->crop = WHOLE_PICTURE;
    return std::nullopt;
}

[[nodiscard]] std::optional<Failure> decode_picture(SourceImage* image, std::span<const PictureSize> sizes,
                                                    DecodedPicture* decoded) {
    free_pictures(image);
    *decoded = DecodedPicture();
    for (const PictureSize& size : sizes) {
        if (find_picture(*image, size) != nullptr || image->picture_count == MAX_PICTURE_SIZES) continue;
        image->pictures[image->picture_count++] = {size, 0, PICTURE_FLATE, nullptr, 0};
        if (sized_index(*decoded, size.pixels) == decoded->count)
            decoded->pixels[decoded->count++] = size.pixels;
    }
    PixelSize stored[MAX_PICTURE_SIZES];
    for (int i = 0; i < decoded->count; ++i) stored[i] = stored_size(*image, decoded->pixels[i]);
    const std::span<const PixelSize> targets(stored, decoded->count);
    AreaReducer reducer;
    plan_reduction(&reducer, targets, stored_crop(*image));
    FilePtr file;
    if (std::optional<Failure> failure = open_regular_file(image->path, &file)) return failure;
    if (std::optional<Failure> failure = decoder_of(image->kind)
                                             ->decode(file.get(), least_pixels(*image, targets, reducer.crop),
                                                      &reducer, &decoded->passthrough)) {
        return Failure{image->path, 0, failure->reason};
    }
    decoded->passthrough = decoded->passthrough && !is_cropped(*image);
    for (int i = 0; i < decoded->count; ++i) {
        decoded->sized[i] = std::move(reducer.targets[i].out);
        if (!turn_upright(&decoded->sized[i], image->orientation))
            return Failure{image->path, 0, "not enough memory"};
        drop_opaque_alpha(&decoded->sized[i]);
    }
    return std::nullopt;
}

int sized_index(const DecodedPicture& decoded, PixelSize pixels) {
    return static_cast<int>(std::find(decoded.pixels, decoded.pixels + decoded.count, pixels) -
                            decoded.pixels);
}

bool make_picture(SourceImage* image, int index, const DecodedPicture& decoded, const ImageOptions& options) {
    PreparedPicture* picture = &image->pictures[index];
    const PixelSize size = picture->size.pixels;
    const int found = sized_index(decoded, size);
    if (found == decoded.count) return false;
    const Samples& samples = decoded.sized[found];
    if (decoded.passthrough && !picture->size.press && size == PixelSize{image->width, image->height} &&
        copy_own_bytes(*image, samples.channels, options, picture)) {
        return true;
    }
    return compress_picture(*image, samples, options, picture);
}

[[nodiscard]] std::optional<Failure> prepare_pictures(SourceImage* image, std::span<const PictureSize> sizes,
                                                      const ImageOptions& options) {
    DecodedPicture decoded;
    if (std::optional<Failure> failure = decode_picture(image, sizes, &decoded)) return failure;
    for (int i = 0; i < image->picture_count; ++i) {
        if (!make_picture(image, i, decoded, options)) {
            free_pictures(image);
            return Failure{image->path, 0, "not enough memory"};
        }
    }
    return std::nullopt;
}

const PreparedPicture* find_picture(const SourceImage& image, PictureSize size) {
    for (int i = 0; i < image.picture_count; ++i) {
        if (image.pictures[i].size == size) return &image.pictures[i];
    }
    return nullptr;
}

[[nodiscard]] std::optional<Failure> load_source_image(const char* path, SourceImage* image,
                                                       const ImageOptions& options) {
    if (std::optional<Failure> failure = open_source_image(path, image)) return failure;
    const PictureSize own = {{image->width, image->height}, false};
    std::optional<Failure> failure = prepare_pictures(image, {&own, 1}, options);
    if (failure) free_source_image(image);
    return failure;
}

CropBox crop_to_frame(uint32_t width, uint32_t height, float frame_width, float frame_height, float across,
                      float down) {
    const float picture = static_cast<float>(width) / static_cast<float>(height);
    const float frame = frame_width / frame_height;
    if (picture > frame) {  // wider than the frame: the sides are cut
        const float kept = frame / picture;
        return {(1.0f - kept) * across, 0.0f, kept, 1.0f};
    }
    const float kept = picture / frame;
    return {0.0f, (1.0f - kept) * down, 1.0f, kept};
}

PixelSize cropped_size(const SourceImage& image) {
    const auto part = [](float fraction, uint32_t full) {
        return std::max(1u, static_cast<uint32_t>(std::lround(fraction * static_cast<float>(full))));
    };
    return {part(image.crop.width, image.width), part(image.crop.height, image.height)};
}

void free_pictures(SourceImage* image) {
    for (int i = 0; i < image->picture_count; ++i) free(image->pictures[i].data);
    memset(image->pictures, 0, sizeof image->pictures);
    image->picture_count = 0;
}

void free_source_image(SourceImage* image) {
    free_pictures(image);
    memset(image, 0, sizeof *image);
}
