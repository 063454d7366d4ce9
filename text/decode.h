// Reads the bytes of a text file in whatever encoding it was saved (UTF-8 with or without
// a byte order mark, UTF-16 with one, or an 8-bit code page) as NFC UTF-8.
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "base/failure.h"

// The Text Encoding that detects the encoding instead of naming it.
constexpr const char* AUTO_ENCODING = "auto";

struct DecodedText {
    std::string utf8;      // NFC, without a byte order mark
    std::string encoding;  // what the bytes were read as, e.g. "utf-8", "utf-16le", "windows-1250"
    bool detected_legacy;  // an 8-bit code page was guessed: worth a word to the user
};

// Decodes `bytes`. A byte order mark decides first; then `encoding` (an iconv name, or
// AUTO_ENCODING) is used as given; in auto, valid UTF-8 (ASCII included) stays as it is and
// any other is read in the code page guess_code_page finds, `language` (the Sort Language's
// tag, or "") weighing in. The failure, when the bytes do not convert, gives the reason
// ("not valid windows-1250 text") and no file: the caller names it.
[[nodiscard]] std::optional<Failure> decode_text(std::string_view bytes, const char* encoding,
                                                 DecodedText* decoded, std::string_view language = {});

// Says which code page was guessed for the file `name`, when one was, and what to do if the
// guess is wrong: "Warning: <name> read as Windows Central European (windows-1250): if
// <remedy>" (the member list's is CSV_REMEDY).
void report_guessed_encoding(const char* name, const DecodedText& decoded, const char* remedy);
constexpr const char* CSV_REMEDY = "names look wrong, save the sheet as CSV UTF-8";

// True when `name` is AUTO_ENCODING or an encoding iconv or ICU converts from.
bool text_encoding_known(const char* name);
