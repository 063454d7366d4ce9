// The pictures of a run: a PNG, JPEG, HEIC or WebP file is opened for its header, then
// decoded once, row by row, into every pixel size the documents draw it at, each
// compressed once for whichever documents share it. One decoder per format (libpng,
// libjpeg-turbo, libheif, libwebp), told apart by the file's signature; each reads every
// variant of its format and reports a bad file instead of aborting.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <memory>
#include <optional>
#include <span>

#include "base/failure.h"

// Largest picture accepted, in pixels, as its header claims: a billion. Anything smaller is
// decoded in a few tens of megabytes, since no full-size picture is ever held.
constexpr unsigned long long MAX_IMAGE_PIXELS = 1000000000ULL;
constexpr long long MAX_IMAGE_FILE_BYTES = 1LL << 30;

enum ImageKind { IMAGE_PNG, IMAGE_JPEG, IMAGE_HEIC, IMAGE_WEBP };

struct PixelSize {
    uint32_t width, height;
};

inline bool operator==(PixelSize a, PixelSize b) { return a.width == b.width && a.height == b.height; }

// A picture as one document draws it: its pixels, and whether in the press's CMYK (the CMYK
// print-shop file) rather than sRGB.
struct PictureSize {
    PixelSize pixels;
    bool press;
};

inline bool operator==(PictureSize a, PictureSize b) { return a.pixels == b.pixels && a.press == b.press; }

// How one prepared picture's data goes into a PDF.
enum PictureData {
    PICTURE_FLATE,     // zlib-compressed 8-bit samples (FlateDecode)
    PICTURE_DCT,       // a JPEG file's bytes (DCTDecode), the source's own or written anew
    PICTURE_PNG_FILE,  // the source's own palette PNG, which libharu reads as it is
};

// One pixel size of a picture, ready to embed: colours only, translucency already laid
// onto white paper.
struct PreparedPicture {
    PictureSize size;
    int colors;  // 1 grey, 3 RGB, 4 the press's CMYK
    PictureData kind;
    unsigned char* data;  // malloc'd, owned by the SourceImage
    size_t data_size;
};

// A run draws a picture at most once per document: booklet, standard and print shop.
constexpr int MAX_PICTURE_SIZES = 3;

// The part of an upright picture its prepared pictures show, in fractions of its width and
// height from its top-left corner.
struct CropBox {
    float left, top, width, height;
};
constexpr CropBox WHOLE_PICTURE = {0.0f, 0.0f, 1.0f, 1.0f};

// One picture file, opened once and shared by every document; owned by whoever opened it
// (free_source_image).
struct SourceImage {
    const char* path;  // named in messages; not owned
    ImageKind kind;
    uint32_t width;  // pixels, upright (after the file's orientation)
    uint32_t height;
    int orientation;  // EXIF orientation of the stored pixels, 1 to 8
    bool lossy;       // a photograph's compression (JPEG, HEIC, lossy WebP): embedded as JPEG
    CropBox crop;     // WHOLE_PICTURE when opened; a member's photo shows the part its frame holds
    PreparedPicture pictures[MAX_PICTURE_SIZES];  // filled by prepare_pictures
    int picture_count;
};

// How pictures are embedded: reduced to `resolution` pixels per inch (0: never), and PNG
// images without transparency stored as JPEG when `jpeg_compression`. A JPEG file goes in
// as it is only where `copies_jpeg` accepts its bytes (null: never).
struct ImageOptions {
    int32_t resolution;
    bool jpeg_compression;
    bool (*copies_jpeg)(const unsigned char* bytes, size_t size) = nullptr;
    int32_t ink_limit = 0;  // the press's inks, in percent all four together; 0: the press profile's own
};

struct AreaReducer;

// Samples held in memory: width x height pixels of `channels` 8-bit sRGB values (1 grey,
// 2 grey + alpha, 3 RGB, 4 RGBA), rows top to bottom.
struct Samples {
    std::unique_ptr<unsigned char[]> data;
    uint32_t width = 0, height = 0;
    int channels = 0;
};

// A picture decoded once and reduced, as it was read, to each pixel size its prepared
// pictures need: what they are made from.
struct DecodedPicture {
    Samples sized[MAX_PICTURE_SIZES];  // upright, at pixels[i]
    PixelSize pixels[MAX_PICTURE_SIZES];
    int count = 0;
    bool passthrough = false;  // the file's own bytes may go in as they are, at its own size
};

// What a file's header tells before any pixel is decoded.
struct ImageHeader {
    uint32_t width, height;  // as stored, before turning upright
    int orientation;         // EXIF orientation, 1 to 8
    bool lossy;              // a photograph's compression: written anew as JPEG, never as Flate
};

// The decoder of one format. `recognises` is shown the file's first bytes; `read_header`
// and `decode` read the file from its start. `decode` hands the rows, at the smallest size
// its format can decode cheaply that still has `least` pixels (as stored), to `reducer`
// (start_reduction, then add_row), and sets `*passthrough` when the file's own bytes may be
// embedded as they are. A failure holds the decoder's short reason; the caller names the file.
struct ImageDecoder {
    ImageKind kind;
    bool (*recognises)(const unsigned char* head, size_t size);
    std::optional<Failure> (*read_header)(FILE* file, ImageHeader* header);
    std::optional<Failure> (*decode)(FILE* file, PixelSize least, AreaReducer* reducer, bool* passthrough);
};

// Opens the picture at `path` and reads its header: kind, upright size. The failure names
// `path` with a short reason: "a GIF image; save it as PNG or JPEG" and the like for known
// formats that are not pictures rosterbook reads, "not a picture file; save it as PNG or
// JPEG" for anything else, "image too large: N megapixels, at most 1000", or the decoder's
// own words. `image` then owns nothing.
[[nodiscard]] std::optional<Failure> open_source_image(const char* path, SourceImage* image);

// Decodes the opened picture once into `decoded`, reduced as it is read to each of `sizes`
// (upright pixels), and readies one empty picture per distinct size in `image->pictures`
// (`picture_count` of them) for make_picture. The failure names the picture's path with
// the decoder's reason, or "not enough memory"; `image` keeps its header either way.
[[nodiscard]] std::optional<Failure> decode_picture(SourceImage* image, std::span<const PictureSize> sizes,
                                                    DecodedPicture* decoded);

// Which of `decoded.sized` is at `pixels`: decoded.count when none is.
int sized_index(const DecodedPicture& decoded, PixelSize pixels);

// Makes `image->pictures[index]` from `decoded`: translucency laid onto white, colour converted to the
// press's CMYK for a press size (in JPEG stored inverted, as Adobe's CMYK JPEGs are), compressed as JPEG
// (lossy sources, or `options.jpeg_compression` without translucency) or Flate, or the file's own bytes where
// they can go in as they are. Pictures of one image may be made on several threads at
// once. Returns false when out of memory.
bool make_picture(SourceImage* image, int index, const DecodedPicture& decoded, const ImageOptions& options);

// decode_picture, then make_picture for each size, on this thread; the failure as they give it.
[[nodiscard]] std::optional<Failure> prepare_pictures(SourceImage* image, std::span<const PictureSize> sizes,
                                                      const ImageOptions& options);

// The picture prepared at `size`, or null when none was.
const PreparedPicture* find_picture(const SourceImage& image, PictureSize size);

// Opens `path` and prepares it at its own size: what a test or a fuzzer decodes.
[[nodiscard]] std::optional<Failure> load_source_image(const char* path, SourceImage* image,
                                                       const ImageOptions& options);

// The crop of a width x height picture in the proportions of a frame frame_width x
// frame_height, as large as the picture allows: the part cut away on either side is shared
// as `across` (0: all on the right, the crop at the left edge; 1: at the right edge) and
// `down` (0: the crop at the top) say.
CropBox crop_to_frame(uint32_t width, uint32_t height, float frame_width, float frame_height, float across,
                      float down);

// The pixels of `image`'s crop, upright (its own size when it is not cropped); at least 1 x 1.
PixelSize cropped_size(const SourceImage& image);

// `samples` with an alpha channel (2 or 4 channels) laid onto white paper: 1 or 3 channels.
// Empty (null data) when out of memory.
Samples laid_onto_white(const Samples& samples);

// Releases the prepared pictures, keeping the header.
void free_pictures(SourceImage* image);

// Releases what `image` owns and clears it.
void free_source_image(SourceImage* image);
