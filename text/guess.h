// Guesses the 8-bit code page a text file was saved in, by reading it in each code page a
// spreadsheet program writes and keeping the reading whose words look like names.
//
// A file that is neither UTF-8 nor marked by a byte order mark is read by guess_code_page
//. uchardet alone gives one answer, often wrong on a short list (a US list
// with one "Peña" comes out as ISO-8859-10), so it is only one of the candidates:
//
// 1. Candidates. The Sort Language's code page, windows-1252, uchardet's guess, then every
//    code page in CODE_PAGES (what spreadsheets write). A file with lone-CR line ends is
//    "CSV (Macintosh)": only the Mac code pages are tried.
// 2. The sample. Only the words holding a byte past ASCII carry evidence; they are cut out
//    (at most 64 KiB) and read in each candidate, then put in NFC (Vietnamese tones).
// 3. The score, compared in order, lower better (Excel's typographic punctuation, ’ “ ” – —
//    … and €, at the same bytes in every Windows code page, counts as punctuation between words,
//    not as a symbol inside one):
//    - *misread*: symbols touching letters ("Wa³êsa": windows-1250 read as 1252), words that no
//      alphabet in ALPHABETS writes whole ("Dvøák"), and words with a capital after a small
//      letter ("сЕМЕНОВ": KOI8 read as windows-1251). Scripts without a table (CJK, Hebrew,
//      Arabic, Thai) count as written when a word is in one script;
//    - *same code page*: minus the most words the languages of one code page write (a Baltic
//      list mixes Lithuanian, Latvian and Estonian names; a US list Spanish and French ones);
//    - *order*: the candidates' order above, so windows-1252 wins a tie unless the Sort
//      Language names another.
// 4. DOS code pages (dos in CODE_PAGES) are only taken on evidence no other code page
//    gives: when every Windows, ISO and KOI8 reading misreads some word. No spreadsheet of today
//    writes them, and a Windows list of O’Connor and “Sparky” read as DOS Central European
//    ("OĺConnor") must never win.
// 5. No single language is asked to write the whole list: a US list's "Fernández" and "Søren"
//    read in windows-1250 ("Sřren") are both Czech, while in 1252 they need two languages.
//    The price is that a list whose letters all have Western look-alikes (Hungarian ő and ű
//    read as õ and û) is read as Western unless its Sort Language says otherwise.
//
// The corpus (tests/data/make-encodings.py, made into build/encodings/ by the build) is read
// by EncodingCorpus.ListsReadAsTheyWereWritten, which prints the figures by language, size,
// encoding and unseen names (build/text_tests --gtest_filter=EncodingCorpus.*) and holds the
// bar: no Western list in windows-1252 or ISO-8859-1 misread, 99 % of lists of 20 or more right.
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
