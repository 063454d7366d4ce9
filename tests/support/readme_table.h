// The tables of README.md a test keeps true to the code: the keys of roster.sdd and the
// messages about it.
#pragma once

#include <string>
#include <vector>

// The rows of the README table whose heading row starts with `heading` ("| Key |"), each
// row's cells trimmed; empty when README.md has no such table.
std::vector<std::vector<std::string>> readme_table(const std::string& heading);

// The names a cell writes in backticks: "`Committee`, `Schedule`" gives both.
std::vector<std::string> backticked(const std::string& cell);

// True when `line` starts with `pattern`, where each "..." of the pattern stands for any
// text: how README writes a message with the parts that vary left out.
bool matches_pattern(const std::string& line, const std::string& pattern);
