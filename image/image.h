// The images of a run: each PNG or JPEG file is read and decoded once into 8-bit upright
// samples, which each document then embeds at the pixel size it needs. One decoder per
// format (libpng, libjpeg-turbo), told apart by the file's signature; each reads every
// variant of its format and reports a bad file instead of aborting.
#pragma once

#include <cstddef>
#include <cstdint>

// Largest image accepted, in pixels (10000 x 10000); larger ones are refused as unreadable
// rather than exhausting memory.
constexpr unsigned long long MAX_IMAGE_PIXELS = 100000000ULL;
constexpr long long MAX_IMAGE_FILE_BYTES = 1LL << 30;

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
    // grey or RGB JPEG that needs no turning, or a palette PNG that libharu reads correctly
    // (a JPEG's markers are still to be checked by the PDF writer).
    unsigned char* file_bytes;
    size_t file_size;
};

// The decoder of one format: told by the file's first bytes, decoding them into a
// SourceImage's samples, width, height and channels. `*passthrough` says whether the file's
// own bytes may be embedded as they are; a failure leaves no samples and says why.
struct ImageDecoder {
    ImageKind kind;
    bool (*recognises)(const unsigned char* bytes, size_t size);
    bool (*decode)(const unsigned char* bytes, size_t size, SourceImage* image, bool* passthrough,
                   char* reason, size_t reason_size);
};

// How images are embedded: reduced to `resolution` pixels per inch (0: never), and PNG
// images without transparency stored as JPEG when `jpeg_compression`.
struct ImageOptions {
    int32_t resolution;
    bool jpeg_compression;
};

// Reads and decodes the PNG or JPEG (told by its signature) at `path` into `image`.
// Returns false with a short reason in `reason` (capacity `reason_size`), e.g. "not a
// PNG or JPEG file", "image too large" or libpng's or libjpeg's own words; `image` then
// owns nothing.
bool load_source_image(const char* path, SourceImage* image, char* reason, size_t reason_size);

// Releases what `image` owns and clears it.
void free_source_image(SourceImage* image);
