// The order names sort in: a language's own alphabet (ICU's collation), letter case
// ignored; without a language, ICU's root order, which sorts accented letters with their
// base letter, Ł after L and Greek and Cyrillic after Latin.
#pragma once

#include <unicode/ucol.h>

#include <span>
#include <string>
#include <string_view>
#include <vector>

// A collator for one language, owned by the record and closed with it.
struct Collation {
    UCollator* collator = nullptr;
    Collation() = default;
    Collation(const Collation&) = delete;
    Collation& operator=(const Collation&) = delete;
    ~Collation();
};

// Opens the collation of the language tag `language` ("pl", "cs", "sv", "de-AT"; "" for the
// root order). Returns false when ICU has no order of its own for that language (an
// unknown tag); `collation` then holds the root order.
bool open_collation(Collation* collation, const char* language);

// The language tags ICU has an order of its own for ("cs", "de", "pl", "sv", ...), by tag:
// the languages open_collation takes. Languages that sort as the root order (English) are
// not among them.
std::vector<std::string> collation_languages();

// A byte string that compares (as std::string does) in the collation's order.
std::string sort_key(const Collation& collation, std::string_view utf8);

// Compares two UTF-8 names in the root order. Returns negative, zero or positive.
int compare_names(const char* a, const char* b);

// `utf8` folded for matching words people type, such as role words and column headings:
// letter case folded, blanks, hyphens, underscores and dots dropped, then one final "s",
// so " New-Dancers ", "new  dancer" and "NewDancer" all give "newdancer". Two words match
// when their keys are equal.
std::string match_key(std::string_view utf8);

// `utf8` without its accents and other combining marks ("José Núñez" gives "Jose Nunez"),
// in NFC: for matching a name typed with and without them.
std::string without_accents(std::string_view utf8);

// `utf8` folded for matching a file name to a person's name: letter case folded, blanks,
// commas, underscores, hyphens and dots all separating words, and each word once in sorted
// order, so "Bob Smith", "Smith, Bob" and "smith_bob" give the same key, "bob smith". The
// words that match one of `ignored` (as match_key has them) are left out.
std::string name_key(std::string_view utf8, std::span<const std::string_view> ignored = {});

// The guide letter each of `names` stands under in an index of names sorted for `language`
// ("" or a tag ICU has no index for: English), by ICU's alphabetic index: "S" for "Smith",
// "Ł" for "Łukasz" in Polish, "か" for "かとう" in Japanese. Letters of other scripts (Latin, Greek,
// Cyrillic, Hangul, Hebrew, Arabic, Devanagari, Thai, kana) get their own; a name that
// starts with no letter, or with one no label covers, stands under "#".
std::vector<std::string> index_labels(const char* language, const std::vector<std::string>& names);
