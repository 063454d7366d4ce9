#include "image/colour.h"

#include <lcms2.h>

#include <algorithm>
#include <cstring>

namespace {

// lcms2 says what it cannot read through this handler; a picture whose profile it cannot
// read is printed as it is stored, so its messages are not wanted.
void ignore_lcms_error(cmsContext, cmsUInt32Number, const char*) {}

// Set once: pictures are read on several threads, and the handler is lcms2's global.
void quiet_lcms() {
    static const bool quiet = (cmsSetLogErrorHandler(ignore_lcms_error), true);
    (void)quiet;
}

// A profile named as sRGB in its description needs no conversion.
bool is_srgb(cmsHPROFILE profile) {
    char description[64] = "";
    cmsGetProfileInfoASCII(profile, cmsInfoDescription, cmsNoLanguage, cmsNoCountry, description,
                           sizeof description);
    return strncmp(description, "sRGB", 4) == 0;
}

ColourTransform to_srgb(cmsHPROFILE input, cmsUInt32Number input_format, cmsUInt32Number output_format,
                        cmsUInt32Number flags) {
    cmsHPROFILE srgb = cmsCreate_sRGBProfile();
    cmsHTRANSFORM transform =
        cmsCreateTransform(input, input_format, srgb, output_format, INTENT_PERCEPTUAL, flags);
    cmsCloseProfile(srgb);
    cmsCloseProfile(input);
    return {transform};
}

// sRGB to the press profile, samples as `input_format` and `output_format`, the inks held
// within `ink_limit` percent by lcms2's ink-limiting link when it is below the profile's own;
// null when lcms2 cannot make it.
cmsHTRANSFORM to_press(cmsUInt32Number input_format, cmsUInt32Number output_format, int32_t ink_limit) {
    quiet_lcms();
    const std::string_view bytes = press_profile_bytes();
    cmsHPROFILE profiles[3] = {
        cmsCreate_sRGBProfile(),
        cmsOpenProfileFromMem(bytes.data(), static_cast<cmsUInt32Number>(bytes.size())),
        ink_limit > 0 && ink_limit < PRESS_INK_LIMIT
            ? cmsCreateInkLimitingDeviceLink(cmsSigCmykData, ink_limit)
            : nullptr};
    const cmsUInt32Number count = profiles[2] != nullptr ? 3 : 2;
    cmsHTRANSFORM transform =
        profiles[0] == nullptr || profiles[1] == nullptr
            ? nullptr
            : cmsCreateMultiprofileTransform(profiles, count, input_format, output_format,
                                             INTENT_RELATIVE_COLORIMETRIC, cmsFLAGS_BLACKPOINTCOMPENSATION);
    for (cmsHPROFILE profile : profiles) {
        if (profile != nullptr) cmsCloseProfile(profile);
    }
    return transform;
}

}  // namespace

extern const unsigned char PRESS_PROFILE_DATA[];  // press_profile_data.cpp, made at build time
extern const size_t PRESS_PROFILE_SIZE;

std::string_view press_profile_bytes() {
    return {reinterpret_cast<const char*>(PRESS_PROFILE_DATA), PRESS_PROFILE_SIZE};
}

ColourTransform press_transform(bool inverted, int32_t ink_limit) {
    return {to_press(TYPE_RGB_8, inverted ? TYPE_CMYK_8_REV : TYPE_CMYK_8, ink_limit)};
}

bool rgb_to_press(const float rgb[3], int32_t ink_limit, float cmyk[4]) {
    cmsHTRANSFORM transform = to_press(TYPE_RGB_FLT, TYPE_CMYK_FLT, ink_limit);
    if (transform == nullptr) return false;
    float ink[4];
    cmsDoTransform(transform, rgb, ink, 1);
    cmsDeleteTransform(transform);
    for (int i = 0; i < 4; ++i) cmyk[i] = std::clamp(ink[i] / 100.0f, 0.0f, 1.0f);  // lcms2 gives percent
    return true;
}

ColourTransform rgb_transform(const unsigned char* profile, size_t size, int channels) {
    if (profile == nullptr || size == 0) return {nullptr};
    quiet_lcms();
    cmsHPROFILE input = cmsOpenProfileFromMem(profile, static_cast<cmsUInt32Number>(size));
    if (input == nullptr) return {nullptr};
    if (cmsGetColorSpace(input) != cmsSigRgbData || is_srgb(input)) {
        cmsCloseProfile(input);
        return {nullptr};
    }
    const bool alpha = channels == 4;
    return to_srgb(input, alpha ? TYPE_RGBA_8 : TYPE_RGB_8, alpha ? TYPE_RGBA_8 : TYPE_RGB_8,
                   alpha ? cmsFLAGS_COPY_ALPHA : 0);
}

ColourTransform cmyk_transform(const unsigned char* profile, size_t size, bool inverted) {
    quiet_lcms();
    cmsHPROFILE input = profile != nullptr
                            ? cmsOpenProfileFromMem(profile, static_cast<cmsUInt32Number>(size))
                            : cmsOpenProfileFromFile(DEFAULT_CMYK_PROFILE, "r");
    if (input == nullptr) return {nullptr};
    if (cmsGetColorSpace(input) != cmsSigCmykData) {
        cmsCloseProfile(input);
        return {nullptr};
    }
    return to_srgb(input, inverted ? TYPE_CMYK_8_REV : TYPE_CMYK_8, TYPE_RGB_8, 0);
}

void apply_transform(const ColourTransform& transform, const void* input, void* output, size_t pixels) {
    cmsDoTransform(static_cast<cmsHTRANSFORM>(transform.handle), input, output,
                   static_cast<cmsUInt32Number>(pixels));
}

void close_transform(ColourTransform* transform) {
    if (transform->handle != nullptr) cmsDeleteTransform(static_cast<cmsHTRANSFORM>(transform->handle));
    transform->handle = nullptr;
}

std::string srgb_profile_bytes() {
    cmsHPROFILE srgb = cmsCreate_sRGBProfile();
    cmsSetProfileVersion(srgb, 2.1);  // PDF 1.4, and so PDF/A-1, reads ICC version 2 profiles
    cmsUInt32Number size = 0;
    cmsSaveProfileToMem(srgb, nullptr, &size);
    std::string bytes(size, '\0');
    if (!cmsSaveProfileToMem(srgb, bytes.data(), &size)) bytes.clear();
    cmsCloseProfile(srgb);
    // lcms2 stamps the profile with the time it was made; a fixed date (2026-01-01, bytes
    // 24 to 35 of the header) keeps the same roster's file the same from run to run.
    constexpr char FIXED_DATE[12] = {0x07, static_cast<char>(0xEA), 0, 1, 0, 1, 0, 0, 0, 0, 0, 0};
    if (bytes.size() >= 36) bytes.replace(24, sizeof FIXED_DATE, FIXED_DATE, sizeof FIXED_DATE);
    return bytes;
}
