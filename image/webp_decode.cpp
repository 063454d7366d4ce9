#include "image/webp_decode.h"

#include <webp/decode.h>
#include <webp/demux.h>

#include <cmath>
#include <cstring>
#include <memory>

#include "base/file.h"
#include "image/colour.h"
#include "image/jpeg_codec.h"
#include "image/resample.h"

namespace {

// A WebP file read whole, with its container parsed for the EXIF and ICC chunks.
struct WebpFile {
    std::unique_ptr<unsigned char, FreeDeleter> bytes;
    size_t size = 0;
    WebPBitstreamFeatures features{};
    WebPDemuxer* demux = nullptr;
    ~WebpFile() { WebPDemuxDelete(demux); }
};

// The data of the file's `fourcc` chunk, empty when it has none.
WebPData chunk_of(const WebpFile& webp, const char* fourcc) {
    WebPChunkIterator chunk;
    WebPData data = {nullptr, 0};
    if (webp.demux != nullptr && WebPDemuxGetChunk(webp.demux, fourcc, 1, &chunk)) data = chunk.chunk;
    if (webp.demux != nullptr) WebPDemuxReleaseChunkIterator(&chunk);
    return data;
}

std::optional<Failure> open_webp(FILE* file, WebpFile* webp) {
    unsigned char* bytes = nullptr;
    if (std::optional<Failure> failure =
            read_open_file(file, "", MAX_IMAGE_FILE_BYTES, "image too large", &bytes, &webp->size)) {
        return failure;
    }
    webp->bytes.reset(bytes);
    if (WebPGetFeatures(bytes, webp->size, &webp->features) != VP8_STATUS_OK)
        return Failure{"", 0, "damaged WebP data"};
    if (webp->features.has_animation)
        return Failure{"", 0, "an animated WebP picture; save one frame as PNG or JPEG"};
    const WebPData data = {bytes, webp->size};
    webp->demux = WebPDemux(&data);
    return std::nullopt;
}

// The orientation in the file's EXIF chunk (stored as a JPEG's APP1 data after "Exif\0\0").
int webp_orientation(const WebpFile& webp) {
    const WebPData exif = chunk_of(webp, "EXIF");
    if (exif.size == 0) return 1;
    if (exif.size > 6 && memcmp(exif.bytes, "Exif\0\0", 6) == 0)
        return exif_orientation(exif.bytes, exif.size);
    std::string app1 =
        std::string("Exif\0\0", 6) + std::string(reinterpret_cast<const char*>(exif.bytes), exif.size);
    return exif_orientation(reinterpret_cast<const unsigned char*>(app1.data()), app1.size());
}

std::optional<Failure> read_webp_header(FILE* file, ImageHeader* header) {
    WebpFile webp;
    if (std::optional<Failure> failure = open_webp(file, &webp)) return failure;
    *header = {static_cast<uint32_t>(webp.features.width), static_cast<uint32_t>(webp.features.height),
               webp_orientation(webp), webp.features.format == 1};
    return std::nullopt;
}

// The size libwebp decodes at: its own, or scaled down to no fewer than `least` pixels.
void choose_webp_scale(WebPDecoderConfig* config, PixelSize least) {
    const int width = config->input.width, height = config->input.height;
    const double scale =
        std::max(static_cast<double>(least.width) / width, static_cast<double>(least.height) / height);
    if (scale >= 1.0) return;
    config->options.use_scaling = 1;
    config->options.scaled_width = std::max(1, static_cast<int>(std::ceil(width * scale)));
    config->options.scaled_height = std::max(1, static_cast<int>(std::ceil(height * scale)));
}

std::optional<Failure> decode_webp(FILE* file, PixelSize least, AreaReducer* reducer, bool* passthrough) {
    *passthrough = false;
    WebpFile webp;
    if (std::optional<Failure> failure = open_webp(file, &webp)) return failure;
    WebPDecoderConfig config;
    WebPInitDecoderConfig(&config);
    config.input = webp.features;
    choose_webp_scale(&config, least);
    const int channels = webp.features.has_alpha ? 4 : 3;
    config.output.colorspace = webp.features.has_alpha ? MODE_RGBA : MODE_RGB;
    if (WebPDecode(webp.bytes.get(), webp.size, &config) != VP8_STATUS_OK)
        return Failure{"", 0, "damaged WebP data"};
    const WebPRGBABuffer& decoded = config.output.u.RGBA;
    const uint32_t width = config.output.width, height = config.output.height;
    bool started = start_reduction(reducer, width, height, channels);
    const WebPData icc = chunk_of(webp, "ICCP");
    ColourTransform colour = rgb_transform(icc.bytes, icc.size, channels);
    std::unique_ptr<unsigned char[]> row(new (std::nothrow) unsigned char[size_t{width} * channels]);
    for (uint32_t y = 0; started && row && y < height; ++y) {
        const uint8_t* stored = decoded.rgba + size_t{y} * decoded.stride;
        if (colour.handle != nullptr) apply_transform(colour, stored, row.get(), width);
        add_row(reducer, colour.handle != nullptr ? row.get() : stored);
    }
    close_transform(&colour);
    WebPFreeDecBuffer(&config.output);
    if (!started || !row) return Failure{"", 0, "not enough memory"};
    return std::nullopt;
}

bool is_webp(const unsigned char* head, size_t size) {
    return size >= 12 && memcmp(head, "RIFF", 4) == 0 && memcmp(head + 8, "WEBP", 4) == 0;
}

}  // namespace

const ImageDecoder WEBP_DECODER = {IMAGE_WEBP, is_webp, read_webp_header, decode_webp};
