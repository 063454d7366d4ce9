#include "text/decode.h"

#include <iconv.h>
#include <strings.h>
#include <uchardet/uchardet.h>
#include <unicode/normalizer2.h>
#include <unicode/uchar.h>
#include <unicode/ucnv.h>
#include <unicode/unistr.h>
#include <unicode/utf8.h>

#include <cctype>
#include <memory>

#include "base/message.h"
#include "text/encoding.h"

namespace {

// uchardet names the ISO Latin sets; spreadsheets on Windows write their supersets, which
// differ in the letters that matter (Š, Ś, Ž, Ź in windows-1250, curly quotes in 1252).
constexpr struct {
    const char* guess;
    const char* windows;
} WINDOWS_SUPERSETS[] = {
    {"ISO-8859-1", "windows-1252"},  {"ISO-8859-3", "windows-1252"}, {"ISO-8859-15", "windows-1252"},
    {"ISO-8859-2", "windows-1250"},  {"ISO-8859-7", "windows-1253"}, {"ISO-8859-9", "windows-1254"},
    {"ISO-8859-13", "windows-1257"},
};

bool is_valid_utf8(std::string_view text) {
    if (is_ascii(text)) return true;
    const auto* bytes = reinterpret_cast<const uint8_t*>(text.data());
    const int32_t length = static_cast<int32_t>(text.size());
    for (int32_t i = 0; i < length;) {
        UChar32 c;
        U8_NEXT(bytes, i, length, c);
        if (c < 0) return false;
    }
    return true;
}

std::string lower(std::string name) {
    for (char& c : name) c = static_cast<char>(tolower(static_cast<unsigned char>(c)));
    return name;
}

// Converts `bytes` from `encoding` to UTF-8 with ICU's converter; false when ICU has none
// of that name or a byte is not in the code page.
bool convert_with_icu(std::string_view bytes, const char* encoding, std::string* utf8) {
    UErrorCode status = U_ZERO_ERROR;
    const std::unique_ptr<UConverter, decltype(&ucnv_close)> from(ucnv_open(encoding, &status), ucnv_close);
    if (U_FAILURE(status)) return false;
    ucnv_setToUCallBack(from.get(), UCNV_TO_U_CALLBACK_STOP, nullptr, nullptr, nullptr, &status);
    std::u16string units(bytes.size() * 2 + 16, u'\0');  // a byte of these code pages is one or two units
    const int32_t length = ucnv_toUChars(from.get(), units.data(), static_cast<int32_t>(units.size()),
                                         bytes.data(), static_cast<int32_t>(bytes.size()), &status);
    if (U_FAILURE(status)) return false;
    utf8->clear();
    icu::UnicodeString(false, units.data(), length).toUTF8String(*utf8);
    return true;
}

// Converts `bytes` from `encoding` to UTF-8 with iconv, or with ICU where iconv lacks the
// encoding (the web page's C library has no Mac or DOS code pages); false when it cannot.
bool convert(std::string_view bytes, const char* encoding, std::string* utf8) {
    iconv_t handle = iconv_open("UTF-8", encoding);
    if (handle == reinterpret_cast<iconv_t>(-1)) return convert_with_icu(bytes, encoding, utf8);
    utf8->assign(bytes.size() * 4 + 16, '\0');  // no 8- or 16-bit unit grows past 4 bytes
    char* in = const_cast<char*>(bytes.data());
    size_t in_left = bytes.size();
    char* out = utf8->data();
    size_t out_left = utf8->size();
    const bool converted = iconv(handle, &in, &in_left, &out, &out_left) != static_cast<size_t>(-1);
    iconv_close(handle);
    utf8->resize(utf8->size() - out_left);
    return converted;
}

// Decomposed accents (e + combining acute, as some Mac and web sources paste) become the
// single characters the fonts have.
std::string to_nfc(std::string utf8) {
    if (is_ascii(utf8)) return utf8;  // the common case, and always NFC
    UErrorCode status = U_ZERO_ERROR;
    const icu::Normalizer2* nfc = icu::Normalizer2::getNFCInstance(status);
    if (U_FAILURE(status)) return utf8;
    const icu::UnicodeString text = icu::UnicodeString::fromUTF8(utf8);
    if (nfc->isNormalized(text, status)) return utf8;
    std::string normalized;
    nfc->normalize(text, status).toUTF8String(normalized);
    return U_SUCCESS(status) ? normalized : utf8;
}

// Excel for the Mac's "CSV (Macintosh)" ends lines with a lone CR, as nothing else does now.
bool has_only_mac_line_ends(std::string_view bytes) {
    return bytes.find('\r') != std::string_view::npos && bytes.find('\n') == std::string_view::npos;
}

// How many non-letters stand next to letters: what a wrong Latin code page makes of the
// letters another one puts at the same bytes ("Wa³êsa" for "Wałęsa" read as windows-1252).
int misread_score(const std::string& utf8) {
    int score = 0;
    bool previous_letter = false, pending_symbol = false;
    for_each_code_point(utf8, [&](int32_t c, size_t, size_t) {
        const bool letter = u_isalpha(c);
        const bool control = c < 0x20 && c != '\t' && c != '\r' && c != '\n';
        const bool symbol = control || (c >= 0x80 && !letter && !u_isspace(c));
        if (symbol && previous_letter) ++score;
        if (letter && pending_symbol && !previous_letter) ++score;
        pending_symbol = symbol;
        previous_letter = letter;
        return true;
    });
    return score;
}

// uchardet's guess is weak on a short list (a few Spanish names may come out as a DOS
// code page); where reading the file as windows-1252 leaves fewer symbols inside words,
// that is the better reading.
std::string arbitrate_latin(std::string_view bytes, const std::string& guess) {
    if (guess == "windows-1252") return guess;
    std::string as_guess, as_western;
    if (!convert(bytes, guess.c_str(), &as_guess)) return "windows-1252";
    if (!convert(bytes, "windows-1252", &as_western)) return guess;
    return misread_score(as_western) < misread_score(as_guess) ? "windows-1252" : guess;
}

std::string guess_legacy_encoding(std::string_view bytes) {
    if (has_only_mac_line_ends(bytes)) return "macintosh";
    uchardet_t detector = uchardet_new();
    uchardet_handle_data(detector, bytes.data(), bytes.size());
    uchardet_data_end(detector);
    std::string guess = uchardet_get_charset(detector);
    uchardet_delete(detector);
    for (const auto& superset : WINDOWS_SUPERSETS) {
        if (strcasecmp(guess.c_str(), superset.guess) == 0) return arbitrate_latin(bytes, superset.windows);
    }
    // Valid UTF-8 was taken already, so a UTF-8 or ASCII guess is no answer here.
    if (guess.empty() || strcasecmp(guess.c_str(), "UTF-8") == 0 || strcasecmp(guess.c_str(), "ASCII") == 0) {
        return "windows-1252";
    }
    return arbitrate_latin(bytes, lower(guess));
}

}  // namespace

std::optional<Failure> decode_text(std::string_view bytes, const char* encoding, DecodedText* decoded) {
    decoded->detected_legacy = false;
    const bool automatic =
        encoding == nullptr || encoding[0] == '\0' || strcasecmp(encoding, AUTO_ENCODING) == 0;
    std::string chosen = automatic ? "" : lower(encoding);
    if (bytes.starts_with("\xEF\xBB\xBF")) {
        bytes.remove_prefix(3);
        chosen = "utf-8";
    } else if (bytes.starts_with("\xFF\xFE") || bytes.starts_with("\xFE\xFF")) {
        chosen = bytes[0] == '\xFF' ? "utf-16le" : "utf-16be";
        bytes.remove_prefix(2);
    }
    bool valid_utf8 = false;  // checked already, so not checked twice
    if (chosen.empty()) {
        valid_utf8 = is_valid_utf8(bytes);
        chosen = valid_utf8 ? "utf-8" : guess_legacy_encoding(bytes);
        decoded->detected_legacy = !valid_utf8;
    }
    std::string utf8;
    bool read =
        chosen == "utf-8" ? valid_utf8 || is_valid_utf8(bytes) : convert(bytes, chosen.c_str(), &utf8);
    // A guess that leaves bytes unread is no answer; Latin-1 reads every byte as a letter
    // or sign, so nothing is lost and the warning says what was used.
    if (!read && decoded->detected_legacy) read = convert(bytes, (chosen = "iso-8859-1").c_str(), &utf8);
    decoded->encoding = chosen;
    if (!read) return Failure{"", 0, "not valid " + chosen + " text"};
    decoded->utf8 = to_nfc(chosen == "utf-8" ? std::string(bytes) : std::move(utf8));
    return std::nullopt;
}

void report_guessed_encoding(const char* name, const DecodedText& decoded) {
    if (!decoded.detected_legacy) return;
    say("Warning: %s read as %s; set 'Text Encoding' in roster.sdd if names look wrong\n", name,
        decoded.encoding.c_str());
}

bool text_encoding_known(const char* name) {
    std::string nothing;  // what converting no bytes gives: known is what convert can open
    return strcasecmp(name, AUTO_ENCODING) == 0 || convert({}, name, &nothing);
}
