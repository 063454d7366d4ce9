// Colour management of decoded pictures with Little CMS: samples in the colours of the ICC
// profile a file carries (or, for CMYK without one, of a standard press profile) are
// converted to sRGB, perceptual intent, so they print as the photographer saw them.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

// Ghostscript's default CMYK profile (Debian libgs-common; its path is set in
// image/CMakeLists.txt): CMYK pictures that carry no profile of their own are read through it.
constexpr const char* DEFAULT_CMYK_PROFILE = ROSTERBOOK_CMYK_PROFILE;

// A conversion to 8-bit sRGB; a null `handle` means there is nothing to convert.
struct ColourTransform {
    void* handle;  // lcms2's cmsHTRANSFORM, owned: close_transform releases it
};

// The conversion of RGB samples (`channels` 3, or 4 with the alpha carried along) in
// `profile` (`size` bytes) to sRGB; none when there is no profile, it is not an RGB profile
// lcms2 reads, or it is sRGB itself.
ColourTransform rgb_transform(const unsigned char* profile, size_t size, int channels);

// The conversion of CMYK samples (Adobe's inverted ones when `inverted`) in `profile`, or
// in DEFAULT_CMYK_PROFILE when `profile` is null, to RGB; none when neither reads.
ColourTransform cmyk_transform(const unsigned char* profile, size_t size, bool inverted);

// Converts `pixels` samples from `input` into `output` (they may be the same buffer when
// the sample sizes match).
void apply_transform(const ColourTransform& transform, const void* input, void* output, size_t pixels);

// The bytes of an sRGB ICC profile, as a PDF's output intent names the colours it uses.
std::string srgb_profile_bytes();

// The press condition a CMYK print-shop file is made for, as its output intent names it
// (the ICC registry's name, and what the shop reads).
constexpr const char* PRESS_CONDITION = "FOGRA39";
constexpr const char* PRESS_CONDITION_INFO = "Coated FOGRA39 (ISO 12647-2:2004/Amd 1)";

// The ICC bytes of the press profile (FOGRA39, built with the tool from Fogra's
// measurements); static, never freed.
std::string_view press_profile_bytes();

// The most ink the press profile lays down, all four inks together, in percent: FOGRA39's
// limit for coated paper.
constexpr int32_t PRESS_INK_LIMIT = 330;

// The conversion of 8-bit sRGB samples to the press's 8-bit CMYK (Adobe's inverted CMYK,
// 255 meaning no ink, when `inverted`), relative colorimetric with black point
// compensation, as prepress converts photos, then held within `ink_limit` percent where that
// is below PRESS_INK_LIMIT (the lighter papers of uncoated and web-offset presses take 300 or
// 260); none if lcms2 refuses.
ColourTransform press_transform(bool inverted, int32_t ink_limit);

// An sRGB colour (`rgb` 0 to 1) as the press prints it, `cmyk` 0 to 1 each, by the
// conversion press_transform makes. False when lcms2 cannot convert.
bool rgb_to_press(const float rgb[3], int32_t ink_limit, float cmyk[4]);

// Releases the transform; safe on one that holds nothing.
void close_transform(ColourTransform* transform);
