// The order right-to-left text (Hebrew, Arabic, and any mixed line) is drawn in: a line as
// written, in logical order, cut into runs of one direction placed in display order, left to
// right, by ICU's bidi algorithm.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

// True when the UTF-8 `text` has a right-to-left character, so display order may differ.
bool has_right_to_left(std::string_view text);

// True when the language `tag` ("he", "ar-EG", "ur_PK") is written from the right, as ICU's
// locale data for it says (its layout); false for a language ICU has no data for.
bool language_reads_right_to_left(const char* tag);

// True when the line reads from the right: its first strong letter is right to left.
bool reads_right_to_left(std::string_view text);

// The list separator of the UTF-8 `text`'s script: "،" where its first letter is Arabic
// script (Arabic, Persian, Urdu), else ",".
const char* list_comma(std::string_view text);

// One run of a line in one direction: bytes [start, start + length) of the UTF-8 text.
struct BidiRun {
    size_t start, length;
    bool right_to_left;
};

// The runs of the UTF-8 `text`, one line, from left to right as displayed, the line's
// direction being that of its first strong letter. One left-to-right run for text with no
// right-to-left character or that ICU cannot order.
std::vector<BidiRun> visual_runs(std::string_view text);

// The UTF-8 `text`, all of one right-to-left run, in display order: its characters
// reversed, brackets mirrored, combining marks kept after their base letter.
std::string reversed_for_display(std::string_view text);
