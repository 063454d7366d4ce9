#include "image/heif_decode.h"

#include <libheif/heif.h>

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>

#include "base/file.h"
#include "base/library.h"
#include "image/colour.h"
#include "image/resample.h"

namespace {

// libheif decodes a whole picture at once (its tiles cannot be had one by one), in about
// five bytes a pixel: larger HEIC files than any phone makes are refused.
constexpr unsigned long long MAX_HEIC_PIXELS = 128000000ULL;

// The libheif functions a decode needs, looked up once in the loaded library.
// clang-format off
#define LIBHEIF_FUNCTIONS(F) \
    F(heif_context_alloc) F(heif_context_free) F(heif_context_set_maximum_image_size_limit) \
    F(heif_context_read_from_reader) F(heif_context_get_primary_image_handle) \
    F(heif_image_handle_get_width) F(heif_image_handle_get_height) \
    F(heif_image_handle_has_alpha_channel) F(heif_image_handle_get_raw_color_profile_size) \
    F(heif_image_handle_get_raw_color_profile) F(heif_image_handle_release) \
    F(heif_image_handle_get_list_of_thumbnail_IDs) F(heif_image_handle_get_thumbnail) \
    F(heif_decode_image) F(heif_image_get_plane_readonly) F(heif_image_get_width) \
    F(heif_image_get_height) F(heif_image_release)
// clang-format on

struct Libheif {
    bool loaded = true;  // false when a function is missing: the library did not load
    LIBHEIF_FUNCTIONS(LIBRARY_FUNCTION)
};

// The page's module links libheif and its HEVC decoder in (dlopen would abort the run there).
Libheif open_libheif() {
    Libheif lib{};
#ifdef ROSTERBOOK_WEB
    LIBHEIF_FUNCTIONS(LIBRARY_LINKED)
#else
    void* library = open_library("libheif.so.1");  // kept open for the process
    LIBHEIF_FUNCTIONS(LIBRARY_LOOKED_UP)
#endif
    return lib;
}

// Loaded at the first HEIC file and kept: the table is only read after that.
const Libheif& libheif() {
    static const Libheif lib = open_libheif();
    return lib;
}

// The open file libheif reads as it needs it: the boxes that describe the pictures, then only
// the coded data of the one decoded (a phone's thumbnail is some kilobytes of a 4 MB file).
struct HeifSource {
    FILE* file = nullptr;  // the caller's, open while the record is used
    int64_t size = 0;
};

int64_t source_position(void* source) { return ftello(static_cast<HeifSource*>(source)->file); }

int source_read(void* data, size_t size, void* source) {
    return fread(data, 1, size, static_cast<HeifSource*>(source)->file) == size ? 0 : -1;
}

int source_seek(int64_t position, void* source) {
    return fseeko(static_cast<HeifSource*>(source)->file, position, SEEK_SET) == 0 ? 0 : -1;
}

heif_reader_grow_status source_holds(int64_t size, void* source) {
    return size <= static_cast<HeifSource*>(source)->size ? heif_reader_grow_status_size_reached
                                                          : heif_reader_grow_status_size_beyond_eof;
}

constexpr heif_reader HEIF_READER = {1, source_position, source_read, source_seek, source_holds};

// A HEIC file being read, its primary picture's handle, and the decoded picture: all
// released with the record, which stays where it was made (libheif keeps its source's address).
struct HeifFile {
    const Libheif& lib = libheif();
    HeifSource source;
    heif_context* context = nullptr;
    heif_image_handle* handle = nullptr;
    heif_image_handle* thumbnail = nullptr;  // when it is what is decoded
    heif_image* image = nullptr;
    HeifFile() = default;
    HeifFile(const HeifFile&) = delete;
    HeifFile& operator=(const HeifFile&) = delete;
    ~HeifFile() {
        if (image != nullptr) lib.heif_image_release(image);
        if (thumbnail != nullptr) lib.heif_image_handle_release(thumbnail);
        if (handle != nullptr) lib.heif_image_handle_release(handle);
        if (context != nullptr) lib.heif_context_free(context);
    }
};

// libheif's own words name boxes and file offsets; a secretary needs to know the file is bad.
std::optional<Failure> failed(const heif_error& error) {
    if (error.code == heif_error_Ok) return std::nullopt;
    const bool memory = error.code == heif_error_Memory_allocation_error &&
                        error.subcode != heif_suberror_Security_limit_exceeded;  // a tile claiming too much
    return Failure{"", 0, memory ? "not enough memory" : "damaged HEIC data"};
}

// Reads the file's description of its pictures and finds its primary picture.
std::optional<Failure> open_heif(FILE* file, HeifFile* heif) {
    if (!heif->lib.loaded) {
        return Failure{
            "", 0,
            "a HEIC picture needs libheif (Debian package libheif1); install it, or save the picture "
            "as JPEG"};
    }
    if (fseeko(file, 0, SEEK_END) != 0) return Failure{"", 0, strerror(errno)};
    heif->source = {file, ftello(file)};
    if (heif->source.size > MAX_IMAGE_FILE_BYTES) return Failure{"", 0, "image too large"};
    rewind(file);
    heif->context = heif->lib.heif_context_alloc();
    if (heif->context == nullptr) return Failure{"", 0, "not enough memory"};
    // Every image in the file, a tile of the picture included, is held to the same size:
    // a damaged file claiming a huge tile took 2 GB and 7 s otherwise.
    heif->lib.heif_context_set_maximum_image_size_limit(
        heif->context, static_cast<int>(std::sqrt(static_cast<double>(MAX_HEIC_PIXELS))));
    if (std::optional<Failure> failure = failed(
            heif->lib.heif_context_read_from_reader(heif->context, &HEIF_READER, &heif->source, nullptr)))
        return failure;
    return failed(heif->lib.heif_context_get_primary_image_handle(heif->context, &heif->handle));
}

std::optional<Failure> read_heif_header(FILE* file, ImageHeader* header) {
    HeifFile heif;
    if (std::optional<Failure> failure = open_heif(file, &heif)) return failure;
    const unsigned long long pixels =
        static_cast<unsigned long long>(heif.lib.heif_image_handle_get_width(heif.handle)) *
        heif.lib.heif_image_handle_get_height(heif.handle);
    if (pixels > MAX_HEIC_PIXELS) {
        return Failure{"", 0,
                       "image too large: " + std::to_string(pixels / 1000000) + " megapixels, at most " +
                           std::to_string(MAX_HEIC_PIXELS / 1000000) + " in a HEIC file; save it as JPEG"};
    }
    *header = {static_cast<uint32_t>(heif.lib.heif_image_handle_get_width(heif.handle)),
               static_cast<uint32_t>(heif.lib.heif_image_handle_get_height(heif.handle)), 1, true};
    return std::nullopt;
}

// The conversion from the ICC profile of `handle` (else the primary picture's: a thumbnail is
// the same picture) to sRGB, when there is one.
ColourTransform heif_colour_transform(const HeifFile& heif, const heif_image_handle* handle, int channels) {
    if (heif.lib.heif_image_handle_get_raw_color_profile_size(handle) == 0) handle = heif.handle;
    const size_t size = heif.lib.heif_image_handle_get_raw_color_profile_size(handle);
    if (size == 0) return {nullptr};
    std::unique_ptr<unsigned char[]> profile(new (std::nothrow) unsigned char[size]);
    if (!profile ||
        heif.lib.heif_image_handle_get_raw_color_profile(handle, profile.get()).code != heif_error_Ok)
        return {nullptr};
    return rgb_transform(profile.get(), size, channels);
}

// A phone's HEIC file carries a thumbnail (an iPhone's is 320 x 240, against 4032 x 3024):
// decoding it in place of the picture saves nearly all the time when it has `least` pixels,
// which a card's photo at 300 ppi has from a portrait photo's thumbnail (and a landscape one's
// at about 250 ppi and below). libheif turns it upright as it does the picture; one whose
// upright shape is not the picture's (a crop or a turn the picture has and it lacks) is not used.
const heif_image_handle* smallest_enough(HeifFile* heif, PixelSize least) {
    const int width = heif->lib.heif_image_handle_get_width(heif->handle),
              height = heif->lib.heif_image_handle_get_height(heif->handle);
    heif_item_id ids[4];
    const int count = heif->lib.heif_image_handle_get_list_of_thumbnail_IDs(heif->handle, ids, 4);
    for (int i = 0; i < count && heif->thumbnail == nullptr; ++i) {
        heif_image_handle* thumbnail = nullptr;
        if (heif->lib.heif_image_handle_get_thumbnail(heif->handle, ids[i], &thumbnail).code != heif_error_Ok)
            continue;
        const int w = heif->lib.heif_image_handle_get_width(thumbnail),
                  h = heif->lib.heif_image_handle_get_height(thumbnail);
        const bool same_shape =
            std::abs(static_cast<long long>(w) * height - static_cast<long long>(h) * width) <=
            static_cast<long long>(std::max(width, height));  // a pixel's rounding
        const bool enough = w >= static_cast<int>(least.width) && h >= static_cast<int>(least.height);
        if (same_shape && enough &&
            heif->lib.heif_image_handle_has_alpha_channel(thumbnail) ==
                heif->lib.heif_image_handle_has_alpha_channel(heif->handle))
            heif->thumbnail = thumbnail;
        else
            heif->lib.heif_image_handle_release(thumbnail);
    }
    return heif->thumbnail != nullptr ? heif->thumbnail : heif->handle;
}

// libheif decodes the whole picture, or its thumbnail when that has `least` pixels (it is
// coded in tiles); its rows then go to the reducer.
std::optional<Failure> decode_heif(FILE* file, PixelSize least, AreaReducer* reducer, bool* passthrough) {
    *passthrough = false;
    HeifFile heif;
    // open_heif holds every image to MAX_HEIC_PIXELS: libheif refuses a larger one itself.
    if (std::optional<Failure> failure = open_heif(file, &heif)) return failure;
    const heif_image_handle* handle = smallest_enough(&heif, least);
    const bool alpha = heif.lib.heif_image_handle_has_alpha_channel(handle) != 0;
    if (std::optional<Failure> failure = failed(heif.lib.heif_decode_image(
            handle, &heif.image, heif_colorspace_RGB,
            alpha ? heif_chroma_interleaved_RGBA : heif_chroma_interleaved_RGB, nullptr))) {
        return failure;
    }
    int stride = 0;
    const uint8_t* pixels =
        heif.lib.heif_image_get_plane_readonly(heif.image, heif_channel_interleaved, &stride);
    const uint32_t width = heif.lib.heif_image_handle_get_width(handle),
                   height = heif.lib.heif_image_handle_get_height(handle);
    // A damaged file can decode to another size than its header gives.
    if (heif.lib.heif_image_get_width(heif.image, heif_channel_interleaved) != static_cast<int>(width) ||
        heif.lib.heif_image_get_height(heif.image, heif_channel_interleaved) != static_cast<int>(height)) {
        return Failure{"", 0, "damaged HEIC data"};
    }
    const int channels = alpha ? 4 : 3;
    if (pixels == nullptr || !start_reduction(reducer, width, height, channels))
        return Failure{"", 0, "not enough memory"};
    ColourTransform colour = heif_colour_transform(heif, handle, channels);
    std::unique_ptr<unsigned char[]> row(new (std::nothrow) unsigned char[size_t{width} * channels]);
    for (uint32_t y = 0; y < height && row; ++y) {
        const uint8_t* stored = pixels + size_t{y} * stride;
        if (colour.handle != nullptr) apply_transform(colour, stored, row.get(), width);
        add_row(reducer, colour.handle != nullptr ? row.get() : stored);
    }
    close_transform(&colour);
    if (!row) return Failure{"", 0, "not enough memory"};
    return std::nullopt;
}

// An ISO base media file ("ftyp" box first) of one of the brands libheif reads.
bool is_heif(const unsigned char* head, size_t size) {
    if (size < 12 || memcmp(head + 4, "ftyp", 4) != 0) return false;
    for (const char* brand : {"heic", "heix", "heim", "heis", "hevc", "hevx", "mif1", "msf1", "avif"}) {
        if (memcmp(head + 8, brand, 4) == 0) return true;
    }
    return false;
}

}  // namespace

const ImageDecoder HEIF_DECODER = {IMAGE_HEIC, is_heif, read_heif_header, decode_heif};
