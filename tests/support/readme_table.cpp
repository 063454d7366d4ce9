#include "tests/support/readme_table.h"

#include <fstream>
#include <sstream>

namespace {

std::string trimmed(const std::string& text) {
    const size_t first = text.find_first_not_of(' ');
    return first == std::string::npos ? "" : text.substr(first, text.find_last_not_of(' ') - first + 1);
}

// The cells of a "| a | b |" row; a "|" inside backticks belongs to its cell.
std::vector<std::string> cells(const std::string& row) {
    std::vector<std::string> found;
    std::string cell;
    bool quoted = false;
    for (size_t i = 1; i < row.size(); ++i) {
        if (row[i] == '`') quoted = !quoted;
        if (row[i] == '|' && !quoted) {
            found.push_back(trimmed(cell));
            cell.clear();
        } else {
            cell += row[i];
        }
    }
    return found;
}

}  // namespace

std::vector<std::vector<std::string>> readme_table(const std::string& heading) {
    std::ifstream readme(README_PATH);
    std::vector<std::vector<std::string>> rows;
    std::string line;
    bool inside = false;
    while (std::getline(readme, line)) {
        if (!inside) {
            inside = line.starts_with(heading);
            continue;
        }
        if (!line.starts_with("|")) break;
        if (!line.starts_with("|---")) rows.push_back(cells(line));
    }
    return rows;
}

std::vector<std::string> backticked(const std::string& cell) {
    std::vector<std::string> names;
    for (size_t open = cell.find('`'); open != std::string::npos; open = cell.find('`', open)) {
        const size_t close = cell.find('`', open + 1);
        if (close == std::string::npos) break;
        names.push_back(cell.substr(open + 1, close - open - 1));
        open = close + 1;
    }
    return names;
}

bool matches_pattern(const std::string& line, const std::string& pattern) {
    size_t at = 0, from = 0;
    for (size_t gap = pattern.find("...");; gap = pattern.find("...", from)) {
        const std::string part =
            pattern.substr(from, gap == std::string::npos ? std::string::npos : gap - from);
        const size_t found = from == 0 ? (line.compare(0, part.size(), part) == 0 ? 0 : std::string::npos)
                                       : line.find(part, at);
        if (found == std::string::npos) return false;
        at = found + part.size();
        if (gap == std::string::npos) return true;
        from = gap + 3;
    }
}
