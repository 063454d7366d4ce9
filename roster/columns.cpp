#include "roster/columns.h"

#include <strings.h>

#include <algorithm>
#include <cstring>
#include <string_view>

#include "base/message.h"
#include "base/text_util.h"
#include "text/collate.h"

namespace {

// What a column heading says its cells hold.
enum HeadingKind { ROLE, FIRST, LAST, ADDRESS, CITY, STATE, ZIP, PHONE, CELL, EMAIL, NOTE, PRIVATE, OTHER };

struct KnownHeading {
    const char* name;
    HeadingKind kind;
};

// The headings recognised, in any letter case, blanks, hyphens and plural.
constexpr KnownHeading KNOWN_HEADINGS[] = {
    {"Role", ROLE},
    {"Status", ROLE},
    {"Type", ROLE},
    {"Member Type", ROLE},
    {"First", FIRST},
    {"First Name", FIRST},
    {"Given Name", FIRST},
    {"Forename", FIRST},
    {"Last", LAST},
    {"Last Name", LAST},
    {"Surname", LAST},
    {"Family Name", LAST},
    {"Address", ADDRESS},
    {"Address 1", ADDRESS},
    {"Address 2", ADDRESS},
    {"Address Line 1", ADDRESS},
    {"Address Line 2", ADDRESS},
    {"Street", ADDRESS},
    {"Street Address", ADDRESS},
    {"City", CITY},
    {"Town", CITY},
    {"State", STATE},
    {"Province", STATE},
    {"Region", STATE},
    {"Zip", ZIP},
    {"Zip Code", ZIP},
    {"Postcode", ZIP},
    {"Postal Code", ZIP},
    {"Phone", PHONE},
    {"Home Phone", PHONE},
    {"Telephone", PHONE},
    {"Cell", CELL},
    {"Cell Phone", CELL},
    {"Mobile", CELL},
    {"Mobile Phone", CELL},
    {"Email", EMAIL},
    {"E-mail", EMAIL},
    {"Email Address", EMAIL},
    {"Note", NOTE},
    {"Comment", NOTE},
    {"Private", PRIVATE},
    {"Unlisted", PRIVATE},
    {"Privacy", PRIVATE},
};

// The detail each kind of detail column fills when read by heading (ROLE..LAST and
// PRIVATE fill none): city and state join on line 3 as "City, ST", the zip after them.
constexpr int DEFAULT_PART[OTHER] = {-1,          -1,           -1,           DETAIL_ADDRESS,
                                     DETAIL_CITY, DETAIL_CITY,  DETAIL_ZIP,   DETAIL_PHONE,
                                     DETAIL_CELL, DETAIL_EMAIL, DETAIL_NOTES, -1};

// The columns (first, last) where reading by position puts a kind on the card line it
// belongs on: a state after the city and a phone and a cell in either order print as well.
constexpr int RIGHT_POSITIONS[OTHER][2] = {{0, 0}, {1, 1}, {2, 2}, {3, 3}, {4, 4}, {4, 5},
                                           {5, 5}, {6, 7}, {6, 7}, {8, 8}, {9, 9}, {10, MAX_COLUMNS}};

// The details under each card line's Card block entry: lines 3 and 4 fill two, the last
// heading named going into the second, printed after the card's wider gap.
constexpr Detail LINE_PARTS[DETAIL_LINE_COUNT][2] = {{DETAIL_ADDRESS, DETAIL_ADDRESS},
                                                     {DETAIL_CITY, DETAIL_ZIP},
                                                     {DETAIL_PHONE, DETAIL_CELL},
                                                     {DETAIL_EMAIL, DETAIL_EMAIL},
                                                     {DETAIL_NOTES, DETAIL_NOTES}};

// The kind of each heading, told by its match key (`keys`).
std::vector<HeadingKind> heading_kinds(const std::vector<std::string>& keys) {
    std::vector<std::string> known_keys;
    for (const KnownHeading& known : KNOWN_HEADINGS) known_keys.push_back(match_key(known.name));
    std::vector<HeadingKind> kinds(keys.size(), OTHER);
    for (size_t c = 0; c < keys.size(); ++c) {
        for (size_t k = 0; k < known_keys.size() && !keys[c].empty(); ++k) {
            if (known_keys[k] == keys[c]) {
                kinds[c] = KNOWN_HEADINGS[k].kind;
                break;
            }
        }
    }
    return kinds;
}

// The first column of `kind`, or -1.
int find_kind(const std::vector<HeadingKind>& kinds, HeadingKind kind) {
    for (size_t c = 0; c < kinds.size(); ++c) {
        if (kinds[c] == kind) return static_cast<int>(c);
    }
    return -1;
}

// The first column whose heading has the match key of `heading`, or -1.
int find_heading(const std::vector<std::string>& keys, const char* heading) {
    const std::string key = match_key(heading);
    for (size_t c = 0; c < keys.size(); ++c) {
        if (!key.empty() && keys[c] == key) return static_cast<int>(c);
    }
    return -1;
}

// Calls `use(heading)` for each trimmed, non-empty heading of a comma-separated list.
template <typename Use>
void for_each_heading(const char* list, Use use) {
    std::string_view rest(list);
    while (!rest.empty()) {
        const size_t comma = rest.find(',');
        char heading[SETTINGS_LINE_SIZE];
        copy_text(heading, sizeof heading, std::string(rest.substr(0, comma)).c_str());
        trim_in_place(heading);
        if (heading[0] != '\0') use(heading);
        rest = comma == std::string_view::npos ? std::string_view() : rest.substr(comma + 1);
    }
}

// True when reading by position would print a known column on another line than its own.
bool misplaced(const std::vector<HeadingKind>& kinds) {
    for (size_t c = 0; c < kinds.size(); ++c) {
        const int column = static_cast<int>(c);
        if (kinds[c] != OTHER &&
            (column < RIGHT_POSITIONS[kinds[c]][0] || column > RIGHT_POSITIONS[kinds[c]][1])) {
            return true;
        }
    }
    return false;
}

// The column of the role or a name (`which` indexes card_names): the one the Card block
// names, else `found`, the column its heading or position gives.
int card_name_column(const std::vector<std::string>& keys, const Settings& settings, int which, int found,
                     const char* path) {
    const char* heading = settings.card_names[which];
    if (heading[0] == '\0') return found;
    const int column = find_heading(keys, heading);
    if (column >= 0) return column;
    say("roster.conf: Card %s: no column '%s' in %s\n", CARD_NAME_LABELS[which], heading, path);
    return found;
}

// Fills the detail fields from the Card block's lines.
void map_card_block(const std::vector<std::string>& keys, const Settings& settings, const char* path,
                    ColumnMap* map) {
    for (int line = 0; line < DETAIL_LINE_COUNT; ++line) {
        std::vector<int> columns;
        for_each_heading(settings.card_lines[line], [&](const char* heading) {
            const int column = find_heading(keys, heading);
            if (column >= 0) {
                columns.push_back(column);
            } else {
                say("roster.conf: Card line %d: no column '%s' in %s\n", line + FIRST_DETAIL_LINE, heading,
                    path);
            }
        });
        const auto [first, second] = LINE_PARTS[line];
        map->parts[first] = columns;
        if (second != first && columns.size() > 1) {
            map->parts[second] = {columns.back()};
            map->parts[first].pop_back();
        }
    }
}

// Fills the detail fields by the kinds of their headings and names the columns left out.
void map_known_kinds(const Cells& headings, const std::vector<HeadingKind>& kinds, const char* path,
                     ColumnMap* map) {
    std::string left_out;
    for (size_t c = 0; c < kinds.size(); ++c) {
        if (kinds[c] != OTHER) {
            if (DEFAULT_PART[kinds[c]] >= 0)
                map->parts[DEFAULT_PART[kinds[c]]].push_back(static_cast<int>(c));
        } else if (!headings[c].empty()) {
            left_out += std::string(left_out.empty() ? "" : ", ") + "'" + headings[c] + "'";
        }
    }
    if (!left_out.empty()) {
        say("Warning: %s: column(s) %s not printed; name them in the Card block of roster.sdd to print "
            "them\n",
            path, left_out.c_str());
    }
}

// Marks the columns Private Shows names.
void map_private_shows(const std::vector<std::string>& keys, const Settings& settings, const char* path,
                       ColumnMap* map) {
    map->shown_when_private.assign(keys.size(), false);
    for_each_heading(settings.private_shows, [&](const char* heading) {
        const int column = find_heading(keys, heading);
        if (column >= 0) {
            map->shown_when_private[static_cast<size_t>(column)] = true;
        } else {
            say("roster.conf: Private Shows: no column '%s' in %s\n", heading, path);
        }
    });
}

// "yes", "y", "x", "true" or "1" in any letter case.
bool is_yes(const std::string& cell) {
    for (const char* yes : {"yes", "y", "x", "true", "1"}) {
        if (strcasecmp(cell.c_str(), yes) == 0) return true;
    }
    return false;
}

}  // namespace

RoleWords role_words(const Settings& settings) {
    RoleWords words;
    for (int g = 0; g < GROUP_COUNT; ++g) {
        words.keys[g].push_back(match_key(GROUPS[g].role));
        for_each_heading(settings.role_words[g],
                         [&](const char* word) { words.keys[g].push_back(match_key(word)); });
    }
    return words;
}

int role_group(const RoleWords& words, const std::string& role) {
    const std::string key = match_key(role.c_str());
    if (key.empty()) return -1;
    for (int g = 0; g < GROUP_COUNT; ++g) {
        for (const std::string& word : words.keys[g]) {
            if (word == key) return g;
        }
    }
    return -1;
}

bool looks_like_member(const RoleWords& words, const Cells& cells) {
    return cells.size() >= CSV_MIN_FIELDS && role_group(words, cells[0]) >= 0;
}

ColumnMap positional_columns() {
    ColumnMap map;
    for (int part = 0; part < DETAIL_COUNT; ++part) map.parts[part] = {FIRST_DETAIL_COLUMN + part};
    return map;
}

std::array<std::string, DETAIL_COUNT> detail_columns(const ColumnMap& map, const Cells& headings) {
    std::array<std::string, DETAIL_COUNT> names;
    for (int part = 0; part < DETAIL_COUNT; ++part) {
        for (const int column : map.parts[part]) {
            if (static_cast<size_t>(column) >= headings.size() || headings[column].empty()) continue;
            names[part] += (names[part].empty() ? "" : ", ") + headings[column];
        }
        if (names[part].empty()) names[part] = DETAIL_NAMES[part];
    }
    return names;
}

ColumnMap map_columns(const Cells& headings, const Settings& settings, const char* path) {
    std::vector<std::string> keys;
    for (const std::string& heading : headings) keys.push_back(match_key(heading.c_str()));
    const std::vector<HeadingKind> kinds = heading_kinds(keys);
    const int role = find_kind(kinds, ROLE), first = find_kind(kinds, FIRST), last = find_kind(kinds, LAST);
    ColumnMap map = positional_columns();
    const bool by_name = settings.card_block || (role >= 0 && first >= 0 && last >= 0 && misplaced(kinds));
    map.private_column = find_kind(kinds, PRIVATE);
    if (by_name) {
        map.role = card_name_column(keys, settings, 0, role >= 0 ? role : 0, path);
        map.first_name = card_name_column(keys, settings, 1, first >= 0 ? first : 1, path);
        map.last_name = card_name_column(keys, settings, 2, last >= 0 ? last : 2, path);
        map.min_fields = std::max({map.role, map.first_name, map.last_name}) + 1;
        for (std::vector<int>& part : map.parts) part.clear();
        if (settings.card_block) {
            map.card_block = true;
            map_card_block(keys, settings, path, &map);
        } else {
            map_known_kinds(headings, kinds, path, &map);
        }
    } else if (map.private_column >= FIRST_DETAIL_COLUMN &&
               map.private_column < FIRST_DETAIL_COLUMN + DETAIL_COUNT) {
        map.parts[map.private_column - FIRST_DETAIL_COLUMN].clear();  // the mark itself is never printed
    }
    map_private_shows(keys, settings, path, &map);
    return map;
}

bool fill_member(Member* member, const Cells& cells, const ColumnMap& map) {
    static const std::string NONE;
    auto cell = [&](int column) -> const std::string& {
        return static_cast<size_t>(column) < cells.size() ? cells[column] : NONE;
    };
    *member = Member();
    member->role = cell(map.role);
    member->first_name = cell(map.first_name);
    member->last_name = cell(map.last_name);
    const bool hidden = map.private_column >= 0 && is_yes(cell(map.private_column));
    for (int part = 0; part < DETAIL_COUNT; ++part) {
        std::string& text = member->details[part];
        for (int column : map.parts[part]) {
            const bool shown = !hidden || (static_cast<size_t>(column) < map.shown_when_private.size() &&
                                           map.shown_when_private[static_cast<size_t>(column)]);
            if (!shown || cell(column).empty()) continue;
            if (!text.empty()) text += ", ";
            text += cell(column);
        }
    }
    return hidden;
}
