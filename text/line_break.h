// Where a line of text may be broken when it goes on to the next line, as Unicode's line
// breaking rules say (ICU): after a blank or a hyphen, between two CJK characters, and so on;
// and where a text too long for its place may be cut short.
#pragma once

#include <cstddef>
#include <string_view>
#include <vector>

// The byte offsets in the UTF-8 `text`, rising, after which a line may end (the blanks
// before a break stay with the line before it); the end of the text is not among them.
// Empty when the text has no break opportunity or ICU cannot say.
std::vector<size_t> line_breaks(std::string_view text);

// The byte offsets in the UTF-8 `text`, rising, where it may be cut short: the ends of its
// user-perceived characters (ICU's grapheme clusters: "शि" of "शिवाजी" is one, as is "é" written
// with a combining accent), but not inside a number ("2015", "555-0100", "12.5"). Neither 0
// nor the end of the text is among them. Every character's end when ICU cannot say.
std::vector<size_t> cut_points(std::string_view text);
