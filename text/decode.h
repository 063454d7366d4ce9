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
// AUTO_ENCODING) is used as given; in auto, valid UTF-8 (ASCII included) stays as it is,
// a file whose lines end in a lone CR is Mac Roman (Excel's "CSV (Macintosh)"), and any
// other is read as uchardet's guess, ISO Latin guesses taken as their Windows supersets
// (windows-1252 when uchardet has none). The failure, when the bytes do not convert, gives
// the reason ("not valid windows-1250 text") and no file: the caller names it.
std::optional<Failure> decode_text(std::string_view bytes, const char* encoding, DecodedText* decoded);

// Says which code page was guessed for the file `name`, when one was: "Warning: <name>
// read as <encoding>; set 'Text Encoding' in roster.sdd if names look wrong".
void report_guessed_encoding(const char* name, const DecodedText& decoded);

// True when `name` is AUTO_ENCODING or an encoding iconv or ICU converts from.
bool text_encoding_known(const char* name);
