#include "text/encoding.h"

#include <unicode/normalizer2.h>
#include <unicode/uchar.h>
#include <unicode/ucnv.h>
#include <unicode/unistr.h>
#include <unicode/uscript.h>
#include <unicode/ustring.h>
#include <unicode/utf8.h>

namespace {

// One converter of each kind for each thread: opening ICU's table on every text would cost
// more than converting it, and a converter keeps state between calls, so threads drawing
// documents side by side cannot share one.
struct ThreadConverter {
    UConverter* converter;
    explicit ThreadConverter(const char* name) {
        UErrorCode status = U_ZERO_ERROR;
        converter = ucnv_open(name, &status);
    }
    ThreadConverter(const ThreadConverter&) = delete;
    ~ThreadConverter() { ucnv_close(converter); }
};

UConverter* windows_1252() {
    thread_local const ThreadConverter windows("windows-1252");
    thread_local const bool substitutes = [] {
        UErrorCode status = U_ZERO_ERROR;
        ucnv_setSubstChars(windows.converter, "?", 1, &status);
        return true;
    }();
    (void)substitutes;
    return windows.converter;
}

UConverter* utf8_converter() {
    thread_local const ThreadConverter utf8("UTF-8");
    return utf8.converter;
}

}  // namespace

int32_t next_code_point(std::string_view text, size_t* offset) {
    const auto* bytes = reinterpret_cast<const uint8_t*>(text.data());
    int32_t i = static_cast<int32_t>(*offset);
    UChar32 c;
    U8_NEXT(bytes, i, static_cast<int32_t>(text.size()), c);
    *offset = static_cast<size_t>(i);
    return c < 0 ? 0xFFFD : c;
}

bool code_point_fits_windows_1252(int32_t code_point) {
    if (code_point < 0x80) return true;
    if (code_point > 0xFFFF || (code_point >= 0xD800 && code_point <= 0xDFFF)) return false;
    char byte;
    const UChar unit = static_cast<UChar>(code_point);
    UErrorCode status = U_ZERO_ERROR;
    ucnv_setFromUCallBack(windows_1252(), UCNV_FROM_U_CALLBACK_STOP, nullptr, nullptr, nullptr, &status);
    const bool fits = ucnv_fromUChars(windows_1252(), &byte, 1, &unit, 1, &status) == 1 && U_SUCCESS(status);
    ucnv_reset(windows_1252());
    return fits;
}

bool is_ascii(std::string_view text) {
    // One pass without an early exit, which the compiler turns into wide instructions.
    unsigned char bits = 0;
    for (char c : text) bits |= static_cast<unsigned char>(c);
    return bits < 0x80;
}

bool fits_windows_1252(std::string_view text) {
    if (is_ascii(text)) return true;  // most texts, and no converter needed
    bool fits = true;
    for_each_code_point(text,
                        [&](int32_t c, size_t, size_t) { return fits = code_point_fits_windows_1252(c); });
    return fits;
}

bool is_right_to_left(int32_t code_point) {
    const UCharDirection direction = u_charDirection(code_point);
    return direction == U_RIGHT_TO_LEFT || direction == U_RIGHT_TO_LEFT_ARABIC;
}

bool needs_shaping(int32_t code_point) {
    if (code_point < 0x0590) return false;  // Latin, Greek, Cyrillic, Armenian
    UErrorCode status = U_ZERO_ERROR;
    const UScriptCode script = uscript_getScript(code_point, &status);
    if (U_FAILURE(status) || script == USCRIPT_COMMON || script == USCRIPT_INHERITED) return false;
    if (script == USCRIPT_HEBREW) return true;  // its points sit where the font's GPOS puts them
    const int joining = u_getIntPropertyValue(code_point, UCHAR_JOINING_TYPE);
    return (joining != U_JT_NON_JOINING && joining != U_JT_TRANSPARENT) ||
           u_getIntPropertyValue(code_point, UCHAR_INDIC_SYLLABIC_CATEGORY) != U_INSC_OTHER;
}

std::u16string to_utf16(std::string_view text) {
    std::u16string units(text.size() + 1, u'\0');
    int32_t length = 0;
    UErrorCode status = U_ZERO_ERROR;
    u_strFromUTF8WithSub(units.data(), static_cast<int32_t>(units.size()), &length, text.data(),
                         static_cast<int32_t>(text.size()), 0xFFFD, nullptr, &status);
    units.resize(U_SUCCESS(status) ? static_cast<size_t>(length) : 0);
    return units;
}

std::string from_utf16(std::u16string_view units) {
    std::string bytes(units.size() * 3 + 1, '\0');
    int32_t length = 0;
    UErrorCode status = U_ZERO_ERROR;
    u_strToUTF8WithSub(bytes.data(), static_cast<int32_t>(bytes.size()), &length, units.data(),
                       static_cast<int32_t>(units.size()), 0xFFFD, nullptr, &status);
    bytes.resize(U_SUCCESS(status) ? static_cast<size_t>(length) : 0);
    return bytes;
}

std::string to_windows_1252(std::string_view text) {
    if (is_ascii(text)) return std::string(text);
    std::string bytes(text.size() + 1, '\0');
    UErrorCode status = U_ZERO_ERROR;
    ucnv_setFromUCallBack(windows_1252(), UCNV_FROM_U_CALLBACK_SUBSTITUTE, nullptr, nullptr, nullptr,
                          &status);
    char* target = bytes.data();
    const char* source = text.data();
    ucnv_convertEx(windows_1252(), utf8_converter(), &target, target + bytes.size(), &source,
                   source + text.size(), nullptr, nullptr, nullptr, nullptr, true, true, &status);
    bytes.resize(static_cast<size_t>(target - bytes.data()));
    return bytes;
}

namespace {

std::string normalized(std::string utf8, const icu::Normalizer2* form, UErrorCode status) {
    if (is_ascii(utf8) || U_FAILURE(status)) return utf8;  // ASCII is the common case, and in every form
    const icu::UnicodeString text = icu::UnicodeString::fromUTF8(utf8);
    if (form->isNormalized(text, status)) return utf8;
    std::string converted;
    form->normalize(text, status).toUTF8String(converted);
    return U_SUCCESS(status) ? converted : utf8;
}

}  // namespace

std::string to_nfc(std::string utf8) {
    UErrorCode status = U_ZERO_ERROR;
    const icu::Normalizer2* nfc = icu::Normalizer2::getNFCInstance(status);
    return normalized(std::move(utf8), nfc, status);
}

std::string to_nfd(std::string utf8) {
    UErrorCode status = U_ZERO_ERROR;
    const icu::Normalizer2* nfd = icu::Normalizer2::getNFDInstance(status);
    return normalized(std::move(utf8), nfd, status);
}
