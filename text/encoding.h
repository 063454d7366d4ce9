// The encodings text is printed in. Text is held as UTF-8 everywhere; the PDF standard
// fonts print WinAnsi (Windows-1252) bytes, so text for them is converted as it is drawn.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

// The font encoding the standard fonts draw with, and the one Unicode fonts draw with.
constexpr const char* PDF_FONT_ENCODING = "WinAnsiEncoding";
constexpr const char* PDF_UNICODE_ENCODING = "UTF-8";

// "…", ending a text cut to fit.
constexpr const char* ELLIPSIS = "\u2026";

// True when `text` is plain ASCII, which every encoding here writes the same.
bool is_ascii(std::string_view text);

// True when every character of the UTF-8 `text` has a Windows-1252 byte.
bool fits_windows_1252(std::string_view text);
bool code_point_fits_windows_1252(int32_t code_point);

// True for the letters of scripts written from right to left (Hebrew, Arabic, ...).
bool is_right_to_left(int32_t code_point);

// True for the letters of scripts whose glyphs change with their neighbours (Arabic joining,
// Indic conjuncts and reordered vowels, Thai and Khmer marks) or carry marks the font places
// (Hebrew points): one glyph per character would print them wrong. Symbols, digits and
// blanks shared by every script are not.
bool needs_shaping(int32_t code_point);

// The UTF-8 `text` as UTF-16 units; an invalid byte becomes U+FFFD.
std::u16string to_utf16(std::string_view text);

// The UTF-16 `units` as UTF-8; an unpaired surrogate becomes U+FFFD.
std::string from_utf16(std::u16string_view units);

// The UTF-8 `text` as Windows-1252 bytes; a character without one becomes '?'.
std::string to_windows_1252(std::string_view text);

// The UTF-8 `utf8` in Unicode's composed form (NFC): decomposed accents (e + combining
// acute, as some Mac and web sources paste) become the single characters the fonts have.
// Text ICU cannot normalize comes back as it was.
std::string to_nfc(std::string utf8);

// The UTF-8 `utf8` decomposed (NFD): Tamil's "ொ" as "ெ" and "ா", "é" as "e" and the accent.
// Text ICU cannot normalize comes back as it was.
std::string to_nfd(std::string utf8);

// Calls `visit(code_point, offset, length)` for each character of the UTF-8 `text` (an
// invalid byte is U+FFFD, one byte long). Stops early when `visit` returns false.
template <typename Visit>
void for_each_code_point(std::string_view text, Visit visit);

// Implementation detail of for_each_code_point: the character at `*offset`, which it advances.
int32_t next_code_point(std::string_view text, size_t* offset);

template <typename Visit>
void for_each_code_point(std::string_view text, Visit visit) {
    for (size_t offset = 0; offset < text.size();) {
        const size_t start = offset;
        const int32_t code_point = next_code_point(text, &offset);
        if (!visit(code_point, start, offset - start)) return;
    }
}
