// The images of a run: each PNG or JPEG file is read and decoded once into 8-bit upright
// samples, then embedded into each document at the pixel size its drawn size needs at
// print resolution. Decoding is done with libpng and libjpeg-turbo, which read every
// variant and report a bad file instead of aborting.
#pragma once

#include <hpdf.h>

#include <cstddef>
#include <cstdint>

// Largest image accepted, in pixels (10000 x 10000); larger ones are refused as unreadable
// rather than exhausting memory.
constexpr unsigned long long MAX_IMAGE_PIXELS = 100000000ULL;
constexpr long long MAX_IMAGE_FILE_BYTES = 1LL << 30;
// An image is reduced only when it has more than this many times the pixels per inch asked for.
constexpr float RESAMPLE_THRESHOLD = 1.5f;
constexpr int JPEG_QUALITY = 90;

enum ImageKind { IMAGE_PNG, IMAGE_JPEG };

// One image file, decoded once and shared by both documents; owned by whoever loaded it
// (free_source_image).
struct SourceImage {
    const char* path;  // named in messages; not owned
    ImageKind kind;
    unsigned char* samples;  // malloc'd, width * height * channels bytes, rows top to bottom
    uint32_t width;          // pixels, upright (after a JPEG's EXIF orientation)
    uint32_t height;
    int channels;  // 1 grey, 2 grey + alpha, 3 RGB, 4 RGBA; alpha only when some pixel is translucent
    // The file's own bytes (malloc'd), kept only when they may be embedded as they are: a
    // grey or RGB JPEG that needs no turning, or a palette PNG that libharu reads correctly.
    unsigned char* file_bytes;
    size_t file_size;
};

// How images are embedded: reduced to `resolution` pixels per inch (0: never), and PNG
// images without transparency stored as JPEG when `jpeg_compression`.
struct ImageOptions {
    int32_t resolution;
    bool jpeg_compression;
};

struct PixelSize {
    uint32_t width, height;
};

// True when `path` opens for reading, without waiting on a FIFO; an empty path does not.
// A folder, FIFO or device opens here and is then refused by load_source_image.
bool image_file_opens(const char* path);

// Reads and decodes the PNG or JPEG (told by its signature) at `path` into `image`.
// Returns false with a short reason in `reason` (capacity `reason_size`), e.g. "not a
// PNG or JPEG file", "image too large" or libpng's or libjpeg's own words; `image` then
// owns nothing.
bool load_source_image(const char* path, SourceImage* image, char* reason, size_t reason_size);

// Releases what `image` owns and clears it.
void free_source_image(SourceImage* image);

// The pixel size an image of width x height pixels, drawn drawn_width x drawn_height
// points, is embedded at: its own when `resolution` is 0 or the image has at most 1.5
// times `resolution` pixels per inch across; else exactly `resolution` pixels per inch of
// its drawn size, each side rounded to the nearest pixel (at least 1).
PixelSize embedded_size(uint32_t width, uint32_t height, float drawn_width, float drawn_height,
                        int32_t resolution);

// Loads `image` into `document` for drawing at drawn_width x drawn_height points, reduced
// as embedded_size says (stb_image_resize, in linear light, alpha premultiplied). Grey
// stays DeviceGray, colour DeviceRGB, with a soft mask only for translucent images;
// JPEG data is copied as it is where it can be, else written anew at quality 90. Running
// out of memory ends the run with "Error: cannot read image <path>: not enough memory".
HPDF_Image embed_image(HPDF_Doc document, const SourceImage& image, float drawn_width, float drawn_height,
                       const ImageOptions& options);
