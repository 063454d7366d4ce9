// Guesses the 8-bit code page a text file was saved in, by reading it in each code page a
// spreadsheet program writes and keeping the reading whose words look like names.
#pragma once

#include <string>
#include <string_view>

// The code page (an iconv or ICU name, e.g. "windows-1250") `bytes` most likely were saved
// in: not valid UTF-8 and without a byte order mark. `language` is the list's language tag
// (the Sort Language, "" when not set); its code page wins a tie. Never fails: "windows-1252"
// when nothing is better.
std::string guess_code_page(std::string_view bytes, std::string_view language);

// How a secretary would name `code_page`: "Windows Central European (windows-1250)"; the
// name alone for one the table does not know.
std::string code_page_in_words(const std::string& code_page);

// The `bytes` in `encoding` as UTF-8, through iconv, or ICU where iconv lacks the
// encoding (the web page's C library has no Mac or DOS code pages). False when neither has
// it or a byte is not in the code page.
bool convert_to_utf8(std::string_view bytes, const char* encoding, std::string* utf8);
