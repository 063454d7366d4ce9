// The order right-to-left text (Hebrew, and any mixed line) is drawn in: a line as written,
// in logical order, put into display order left to right by ICU's bidi algorithm.
#pragma once

#include <string>
#include <string_view>

// True when the UTF-8 `text` has a right-to-left character, so display order may differ.
bool has_right_to_left(std::string_view text);

// True when the line reads from the right: its first strong letter is right to left.
bool reads_right_to_left(std::string_view text);

// The UTF-8 `text`, one line, in display order: each right-to-left run reversed with its
// brackets mirrored and combining marks kept after their base letter, runs placed as the
// line's direction (that of its first strong letter) says. Text with no right-to-left
// character, or that ICU cannot order, comes back as it is.
std::string display_order(std::string_view text);
