#include "text/decode.h"

#include <strings.h>
#include <unicode/utf8.h>

#include <cctype>

#include "base/message.h"
#include "text/encoding.h"
#include "text/guess.h"

namespace {

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

}  // namespace

[[nodiscard]] std::optional<Failure> decode_text(std::string_view bytes, const char* encoding,
                                                 DecodedText* decoded, std::string_view language) {
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
        chosen = valid_utf8 ? "utf-8" : guess_code_page(bytes, language);
        decoded->detected_legacy = !valid_utf8;
    }
    std::string utf8;
    bool read = chosen == "utf-8" ? valid_utf8 || is_valid_utf8(bytes)
                                  : convert_to_utf8(bytes, chosen.c_str(), &utf8);
    // A guess that leaves bytes unread is no answer; Latin-1 reads every byte as a letter
    // or sign, so nothing is lost and the warning says what was used.
    if (!read && decoded->detected_legacy)
        read = convert_to_utf8(bytes, (chosen = "iso-8859-1").c_str(), &utf8);
    decoded->encoding = chosen;
    if (!read) return Failure{"", 0, "not valid " + chosen + " text"};
    decoded->utf8 = to_nfc(chosen == "utf-8" ? std::string(bytes) : std::move(utf8));
    return std::nullopt;
}

void report_guessed_encoding(const char* name, const DecodedText& decoded, const char* remedy) {
    if (!decoded.detected_legacy) return;
    say("Warning: %s read as %s: if %s\n", name, code_page_in_words(decoded.encoding).c_str(), remedy);
}

bool text_encoding_known(const char* name) {
    std::string nothing;  // what converting no bytes gives: known is what convert can open
    return strcasecmp(name, AUTO_ENCODING) == 0 || convert_to_utf8({}, name, &nothing);
}
