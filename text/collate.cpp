#include "text/collate.h"

#include <cctype>

namespace {

// Letters of Windows-1252 from 0x80 on, as the lower-case base letter they sort with
// (0: the byte sorts as itself).
constexpr char FOLDED_HIGH_BYTES[129] =
    "\0\0\0\0\0\0\0\0\0\0s\0o\0z\0"     // 0x80: Š Œ Ž
    "\0\0\0\0\0\0\0\0\0\0s\0o\0zy"      // 0x90: š œ ž Ÿ
    "\0\0\0\0\0\0\0\0\0\0\0\0\0\0\0\0"  // 0xA0
    "\0\0\0\0\0\0\0\0\0\0\0\0\0\0\0\0"  // 0xB0
    "aaaaaaaceeeeiiii"                  // 0xC0: À..Ï
    "dnooooo\0ouuuuy\0s"                // 0xD0: Ð..ß
    "aaaaaaaceeeeiiii"                  // 0xE0: à..ï
    "dnooooo\0ouuuuy\0y";               // 0xF0: ð..ÿ

int sort_letter(unsigned char c) {
    if (c >= 0x80 && FOLDED_HIGH_BYTES[c - 0x80] != '\0') return FOLDED_HIGH_BYTES[c - 0x80];
    return tolower(c);
}

// Compares letters as their lower-case forms and other bytes by value; a prefix sorts
// first. With `fold_accents`, accented letters compare as their base letter.
int compare_text(const char* a, const char* b, bool fold_accents) {
    for (;; ++a, ++b) {
        unsigned char x = static_cast<unsigned char>(*a), y = static_cast<unsigned char>(*b);
        int left = fold_accents ? sort_letter(x) : tolower(x);
        int right = fold_accents ? sort_letter(y) : tolower(y);
        if (left != right || left == 0) return left - right;
    }
}

}  // namespace

int compare_names(const char* a, const char* b) {
    int order = compare_text(a, b, true);
    return order != 0 ? order : compare_text(a, b, false);
}
