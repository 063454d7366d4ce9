// Decoding a text file in any encoding: valid UTF-8 comes out, already in NFC, and a
// failure says why. The first decoded line's bidi runs cover it, and keep their letters.
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
    // A line's bidi runs cover it once; reversing a run for display keeps every letter.
    const std::string line = decoded.utf8.substr(0, decoded.utf8.find('\n'));
    size_t covered = 0;
    for (const BidiRun& run : visual_runs(line)) {
        promise(run.start + run.length <= line.size(), "runs inside the line");
        covered += run.length;
        const std::string_view part = std::string_view(line).substr(run.start, run.length);
        size_t letters = 0, shown_letters = 0;
        for_each_code_point(part, [&](int32_t c, size_t, size_t) { return letters += u_isalpha(c), true; });
        for_each_code_point(reversed_for_display(part),
                            [&](int32_t c, size_t, size_t) { return shown_letters += u_isalpha(c), true; });
        promise(letters == shown_letters, "display order keeps every letter");
    }
    promise(covered == line.size(), "runs cover the line");
    return 0;
}
