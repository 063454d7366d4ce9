// Decoding a text file in any encoding: valid UTF-8 comes out, already in NFC, and a
// failure says why. Each decoded line put into display order (bidi) keeps its characters.
#include <unicode/normalizer2.h>
#include <unicode/uchar.h>
#include <unicode/unistr.h>

#include <iterator>
#include <string>
#include <string_view>

#include "fuzz_support.h"
#include "text/bidi.h"
#include "text/decode.h"
#include "text/encoding.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    // The first byte picks the setting, so forced encodings are fuzzed too; HZ is read by
    // ICU's converter, which iconv lacks.
    static const char* const SETTINGS[] = {"auto",  "auto",     "windows-1250", "macintosh",
                                           "utf-8", "utf-16le", "hz-gb-2312"};
    const char* setting = SETTINGS[size > 0 ? data[0] % std::size(SETTINGS) : 0];
    // The second picks the Sort Language the guess weighs.
    static const char* const LANGUAGES[] = {"", "tr", "pl-PL", "vi", "ru_RU", "-"};
    const char* language = LANGUAGES[size > 1 ? data[1] % std::size(LANGUAGES) : 0];
    DecodedText decoded;
    if (const std::optional<Failure> failure = decode_text(bytes, setting, &decoded, language)) {
        promise(!failure->reason.empty(), "a failure says why");
        return 0;
    }
    bool valid = true;
    for_each_code_point(decoded.utf8, [&](int32_t c, size_t offset, size_t length) {
        valid = c != 0xFFFD || decoded.utf8.compare(offset, length, "\xEF\xBF\xBD") == 0;
        return valid;
    });
    promise(valid, "valid UTF-8 out");
    UErrorCode status = U_ZERO_ERROR;
    const icu::Normalizer2* nfc = icu::Normalizer2::getNFCInstance(status);
    promise(nfc->isNormalized(icu::UnicodeString::fromUTF8(decoded.utf8), status), "NFC out");
    promise(!decoded.encoding.empty(), "names what it read");
    // Reordering moves and mirrors characters but never adds or drops one (controls aside).
    const std::string line = decoded.utf8.substr(0, decoded.utf8.find('\n'));
    const std::string shown = display_order(line);
    if (!has_right_to_left(line)) promise(shown == line, "left-to-right kept");
    size_t letters = 0, shown_letters = 0;
    for_each_code_point(line, [&](int32_t c, size_t, size_t) { return letters += u_isalpha(c), true; });
    for_each_code_point(shown,
                        [&](int32_t c, size_t, size_t) { return shown_letters += u_isalpha(c), true; });
    promise(letters == shown_letters, "display order keeps every letter");
    return 0;
}
