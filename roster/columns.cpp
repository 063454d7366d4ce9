#include "roster/columns.h"

#include <strings.h>

#include <algorithm>
#include <cstring>
#include <string_view>

#include "base/message.h"
#include "base/text_util.h"
#include "roster/sheet.h"
#include "text/collate.h"

namespace {

// What a column heading says its cells hold: NAME is the whole name, as it prints.
enum HeadingKind {
    ROLE,
    FIRST,
    LAST,
    NAME,
    ADDRESS,
    CITY,
    STATE,
    ZIP,
    PHONE,
    CELL,
    EMAIL,
    NOTE,
    PRIVATE,
    READING,
    HOUSEHOLD,
    PARTNER,
    PHOTO,
    PHOTO_FOCUS,
    SECOND_CELL,   // a couple's second person's cell, on a row of its own
    SECOND_EMAIL,  // and e-mail
    OTHER
};

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
    {"Rolle", ROLE},
    {"First", FIRST},
    {"First Name", FIRST},
    {"Vorname", FIRST},
    {"Prénom", FIRST},
    {"Nombre", FIRST},
    {"Given Name", FIRST},
    {"Forename", FIRST},
    {"Last", LAST},
    {"Last Name", LAST},
    {"Surname", LAST},
    {"Family Name", LAST},
    {"Nachname", LAST},
    {"Familienname", LAST},
    {"Nom", LAST},
    {"Apellido", LAST},
    {"Apellidos", LAST},
    // Not "Member", which is a role word.
    {"Name", NAME},
    {"Full Name", NAME},
    {"Member Name", NAME},
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
    // What a name sorts by where its letters do not say how it is read.
    {"Reading", READING},
    {"Furigana", READING},
    {"フリガナ", READING},
    {"ふりがな", READING},
    {"Sort As", READING},
    {"Household", HOUSEHOLD},
    {"Household ID", HOUSEHOLD},
    {"Family", HOUSEHOLD},
    {"Couple", HOUSEHOLD},
    {"Partner", PARTNER},
    {"Spouse", PARTNER},
    {"Photo", PHOTO},
    {"Photo File", PHOTO},
    {"Picture", PHOTO},
    {"Foto", PHOTO},
    {"Photo Focus", PHOTO_FOCUS},
    {"Cell 2", SECOND_CELL},
    {"Mobile 2", SECOND_CELL},
    {"Cell Phone 2", SECOND_CELL},
    {"Email 2", SECOND_EMAIL},
    {"E-mail 2", SECOND_EMAIL},
    // Japanese lists' own headings.
    {"役割", ROLE},
    {"区分", ROLE},
    {"種別", ROLE},
    {"姓", LAST},
    {"名", FIRST},
    {"氏名", NAME},
    {"名前", NAME},
    {"住所", ADDRESS},
    {"電話", PHONE},
    {"電話番号", PHONE},
    {"携帯", CELL},
    {"メール", EMAIL},
};

// What each kind of heading means, by HeadingKind: the detail its column fills when read
// by heading (-1: none; city and state join on line 3 as "City, ST", the zip after them),
// and the columns (first, last) where reading by position puts it on the card line it
// belongs on (a state after the city, a phone and a cell in either order print as well; a
// whole name has no place there).
struct KindInfo {
    int part;
    int first_position, last_position;
};
constexpr KindInfo KINDS[OTHER] = {
    {-1, 0, 0},
    {-1, 1, 1},
    {-1, 2, 2},
    {-1, -1, -1},
    {DETAIL_ADDRESS, 3, 3},
    {DETAIL_CITY, 4, 4},
    {DETAIL_CITY, 4, 5},
    {DETAIL_ZIP, 5, 5},
    {DETAIL_PHONE, 6, 7},
    {DETAIL_CELL, 6, 7},
    {DETAIL_EMAIL, 8, 8},
    {DETAIL_NOTES, 9, 9},
    {-1, 10, MAX_LIST_COLUMNS},
    {-1, 10, MAX_LIST_COLUMNS},
    {-1, 10, MAX_LIST_COLUMNS},
    {-1, 10, MAX_LIST_COLUMNS},
    {-1, 10, MAX_LIST_COLUMNS},
    {-1, 10, MAX_LIST_COLUMNS},
    {-1, 10, MAX_LIST_COLUMNS},
    {-1, 10, MAX_LIST_COLUMNS},
};
// What reading by position takes the first columns for, as the warning names them.
constexpr const char* POSITIONAL_ORDER =
    "role, first name, last name, address, city, zip, phone, cell, email, note";

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
            (column < KINDS[kinds[c]].first_position || column > KINDS[kinds[c]].last_position)) {
            return true;
        }
    }
    return false;
}

// The column of the role or a name: the one the Card block names, else `found`, the
// column its heading or position gives (-1: none).
int card_name_column(const std::vector<std::string>& keys, const Settings& settings, CardName which,
                     int found, const char* path) {
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
        // Lines 3 and 4 fill two details, the last heading named going into the second.
        const auto [first, second, gap] = CARD_LINE_DETAILS[line];
        map->parts[first] = columns;
        if (second != first && columns.size() > 1) {
            map->parts[second] = {columns.back()};
            map->parts[first].pop_back();
        }
    }
}

// "'Role', 'Address', 'City'": the headings of a header row, for a message.
std::string quoted_headings(const Cells& headings) {
    std::string list;
    for (const std::string& heading : headings) {
        if (!heading.empty()) list += std::string(list.empty() ? "" : ", ") + "'" + heading + "'";
    }
    return list;
}

// The card line (2 to 6) columns left out would print on: the first one nothing fills,
// else the last.
int free_card_line(const ColumnMap& map) {
    for (int line = 0; line < DETAIL_LINE_COUNT; ++line) {
        const auto [first, second, gap] = CARD_LINE_DETAILS[line];
        if (map.parts[first].empty() && map.parts[second].empty()) return line + FIRST_DETAIL_LINE;
    }
    return FIRST_DETAIL_LINE + DETAIL_LINE_COUNT - 1;
}

// Fills the detail fields by the kinds of their headings and names the columns left out,
// with the Card block line that would print them.
void map_known_kinds(const Cells& headings, const std::vector<HeadingKind>& kinds, const char* path,
                     ColumnMap* map) {
    Cells left_out;
    std::string plain;
    for (size_t c = 0; c < kinds.size(); ++c) {
        if (kinds[c] != OTHER) {
            if (KINDS[kinds[c]].part >= 0) map->parts[KINDS[kinds[c]].part].push_back(static_cast<int>(c));
        } else if (!headings[c].empty()) {
            left_out.push_back(headings[c]);
            plain += (plain.empty() ? "" : ", ") + headings[c];
        }
    }
    if (!left_out.empty()) {
        say("Warning: %s: column(s) %s not printed; to print them, name them in the Card block of "
            "roster.sdd, "
            "e.g. 'Line %d: %s'\n",
            path, quoted_headings(left_out).c_str(), free_card_line(*map), plain.c_str());
    }
}

// True when the header is read by position: no Card block, no whole-name column, not every
// heading known (those say what each column is, however few: "Role,First,Last"), and no
// known heading on another card line than its place gives it.
bool read_by_position(const Cells& headings, const std::vector<HeadingKind>& kinds,
                      const Settings& settings) {
    bool all_known = true;
    for (size_t c = 0; c < kinds.size(); ++c)
        all_known = all_known && (kinds[c] != OTHER || headings[c].empty());
    return !settings.card_block && find_kind(kinds, NAME) < 0 && !all_known && !misplaced(kinds);
}

// Says so when a header read by position does not name its role and name columns.
void warn_unnamed_positions(const Cells& headings, const std::vector<HeadingKind>& kinds, const char* path,
                            int header_line) {
    const bool named = kinds.size() >= 3 && kinds[0] == ROLE && kinds[1] == FIRST && kinds[2] == LAST;
    if (!named) {
        say("Warning: %s %s %d: its headings (%s) do not name the role and name columns: columns read in "
            "the usual order (%s); name them in the Card block of roster.sdd if that is wrong\n",
            path, row_word(path), header_line, quoted_headings(headings).c_str(), POSITIONAL_ORDER);
    }
}

// The role and name columns of a list read by heading, from the Card block or the
// headings: first and last name apart, or one column with the whole name (a Card block
// naming only the last name names that). False when the names are not found.
bool map_names(const std::vector<std::string>& keys, const std::vector<HeadingKind>& kinds,
               const Settings& settings, const char* path, ColumnMap* map) {
    const bool card = settings.card_block;
    auto named = [&](CardName which) { return settings.card_names[which][0] != '\0'; };
    int role = find_kind(kinds, ROLE);
    if (role < 0 && card) role = 0;  // a Card block naming no role column: the first, by position
    map->role = card_name_column(keys, settings, CARD_ROLE, role, path);
    map->first_name = card_name_column(keys, settings, CARD_FIRST_NAME, find_kind(kinds, FIRST), path);
    map->last_name = card_name_column(keys, settings, CARD_LAST_NAME, find_kind(kinds, LAST), path);
    map->full_name = card_name_column(keys, settings, CARD_FULL_NAME, find_kind(kinds, NAME), path);
    if (named(CARD_FULL_NAME) || (named(CARD_LAST_NAME) && map->first_name < 0)) {
        if (!named(CARD_FULL_NAME)) map->full_name = map->last_name;
    } else if (map->first_name >= 0 && map->last_name >= 0) {
        map->full_name = -1;
    } else if (map->full_name < 0 && card) {  // a Card block naming no name: the names by position
        if (map->first_name < 0) map->first_name = 1;
        if (map->last_name < 0) map->last_name = 2;
    }
    return map->full_name >= 0 || (map->first_name >= 0 && map->last_name >= 0);
}

// Marks the columns Private Shows names.
void map_private_shows(const std::vector<std::string>& keys, const Settings& settings, const char* path,
                       ColumnMap* map) {
    map->shown_when_private.assign(keys.size(), false);
    for_each_heading(settings.private_shows, [&](const char* heading) {
        const int column = find_heading(keys, heading);
        // A photo found by the person's name has no column, yet Private Shows may name it.
        const bool photo = match_key(heading) == match_key("Photo");
        if (photo) map->photo_shown_when_private = true;
        if (column >= 0) {
            map->shown_when_private[static_cast<size_t>(column)] = true;
        } else if (!photo) {
            say("roster.conf: Private Shows: no column '%s' in %s\n", heading, path);
        }
    });
}

// "Jr.", "Sr", "II" to "IV": a generation written after the surname.
bool is_generation(const std::string& word) {
    for (const char* generation : {"jr", "sr", "ii", "iii", "iv"}) {
        if (match_key(word) == generation) return true;
    }
    return false;
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

void split_whole_name(const std::string& name, std::string* first, std::string* last) {
    auto trimmed = [](std::string_view text) {
        while (!text.empty() && text.front() == ' ') text.remove_prefix(1);
        while (!text.empty() && text.back() == ' ') text.remove_suffix(1);
        return std::string(text);
    };
    const size_t comma = name.find(',');
    if (comma != std::string::npos) {
        *last = trimmed(std::string_view(name).substr(0, comma));
        *first = trimmed(std::string_view(name).substr(comma + 1));
        return;
    }
    // The last word is the surname, but for a generation after it ("Jr.", "III").
    std::vector<std::string> words;
    for (size_t at = 0; at < name.size();) {
        const size_t end = std::min(name.find(' ', at), name.size());
        if (end > at) words.push_back(name.substr(at, end - at));
        at = end + 1;
    }
    size_t surname = words.empty() ? 0 : words.size() - 1;
    while (surname > 0 && is_generation(words[surname])) --surname;
    first->clear();
    last->clear();
    for (size_t i = 0; i < words.size(); ++i) {
        std::string& part = i == surname ? *last : i < surname ? *first : *last;
        part += (part.empty() ? "" : " ") + words[i];
    }
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

[[nodiscard]] std::optional<Failure> map_columns(const Cells& headings, const Settings& settings,
                                                 const char* path, int header_line, ColumnMap* map) {
    std::vector<std::string> keys;
    for (const std::string& heading : headings) keys.push_back(match_key(heading));
    std::vector<HeadingKind> kinds = heading_kinds(keys);
    // "Vorname, Name": beside a first-name column, a Name column is the last name.
    if (find_kind(kinds, FIRST) >= 0 && find_kind(kinds, LAST) < 0 && find_kind(kinds, NAME) >= 0)
        kinds[static_cast<size_t>(find_kind(kinds, NAME))] = LAST;
    *map = positional_columns();
    map->private_column = find_kind(kinds, PRIVATE);
    map->household = find_kind(kinds, HOUSEHOLD);
    map->partner = find_kind(kinds, PARTNER);
    map->photo = find_kind(kinds, PHOTO);
    map->photo_focus = find_kind(kinds, PHOTO_FOCUS);
    // Only the mailing labels print it; the card shows it where a Card block names it.
    for (const char* heading : {"Country", "Land", "Pays", "País"}) {
        if (map->country < 0) map->country = find_heading(keys, heading);
    }
    if (!settings.card_block) {  // a Card block names every column the card prints
        map->second_cell = find_kind(kinds, SECOND_CELL);
        map->second_email = find_kind(kinds, SECOND_EMAIL);
    }
    map->sort_as = card_name_column(keys, settings, CARD_SORT_AS, find_kind(kinds, READING), path);
    if (read_by_position(headings, kinds, settings)) {
        warn_unnamed_positions(headings, kinds, path, header_line);
        if (map->private_column >= FIRST_DETAIL_COLUMN &&
            map->private_column < FIRST_DETAIL_COLUMN + DETAIL_COUNT)
            map->parts[map->private_column - FIRST_DETAIL_COLUMN]
                .clear();  // the mark itself is never printed
    } else {
        // Without a role column everyone is a Member (most clubs' lists have none).
        if (!map_names(keys, kinds, settings, path, map)) {
            return Failure{
                path, header_line,
                "no name column among its headings (" + quoted_headings(headings) +
                    "): head the names 'First Name' and 'Last Name', or 'Name' for the whole name, "
                    "or say which column it is in the Card block of roster.sdd",
                row_word(path)};
        }
        map->min_fields = std::max({map->role, map->first_name, map->last_name, map->full_name}) + 1;
        for (std::vector<int>& part : map->parts) part.clear();
        if (settings.card_block) {
            map_card_block(keys, settings, path, map);
        } else {
            map_known_kinds(headings, kinds, path, map);
        }
    }
    map_private_shows(keys, settings, path, map);
    // Only proofs show these columns: they are looked for only when proofs are made.
    if (settings.proofs_pdf_path[0] != '\0' || settings.proofs_folder[0] != '\0') {
        for_each_heading(settings.proof_shows, [&](const char* heading) {
            const int column = find_heading(keys, heading);
            if (column >= 0) {
                map->proof_columns.emplace_back(column, headings[static_cast<size_t>(column)]);
            } else {
                say("roster.conf: Proof Shows: no column '%s' in %s\n", heading, path);
            }
        });
    }
    return std::nullopt;
}

int heading_score(const Cells& cells, const Settings& settings) {
    std::vector<std::string> keys;
    for (const std::string& cell : cells) keys.push_back(match_key(cell));
    int score = 0;
    for (HeadingKind kind : heading_kinds(keys)) score += kind != OTHER;
    for (const char* named : settings.card_names) {
        if (named[0] != '\0' && find_heading(keys, named) >= 0) ++score;
    }
    return score;
}

namespace {

// True for a word that joins given names in one cell: "&", "+", "and", or the club's own
// Household Joiner ("y", "und").
bool is_joiner(const std::string& word, std::string_view joiner) {
    return word == "&" || word == "+" || strcasecmp(word.c_str(), "and") == 0 ||
           (!joiner.empty() && word.size() == joiner.size() &&
            strncasecmp(word.c_str(), joiner.data(), joiner.size()) == 0);
}

// The words of a name, each comma a word of its own: "Bob, Carol" is "Bob" "," "Carol".
std::vector<std::string> name_words(const std::string& name) {
    std::vector<std::string> words;
    std::string word;
    for (const char c : name + " ") {
        if (c != ' ' && c != ',') {
            word += c;
            continue;
        }
        if (!word.empty()) words.push_back(word);
        if (c == ',') words.emplace_back(",");
        word.clear();
    }
    return words;
}

// The words from `begin` to `end` with a blank between them.
std::string words_between(const std::vector<std::string>& words, size_t begin, size_t end) {
    std::string text;
    for (size_t i = begin; i < end; ++i) text += (text.empty() ? "" : " ") + words[i];
    return text;
}

// Adds a row's Cell 2 and Email 2 to its cell and e-mail: on a line of their own, and, for
// a row of several people, each value with its person's first name ("555-0101 (Bob)").
void add_second_values(Member* member, const Cells& cells, const ColumnMap& map, bool hidden) {
    const std::pair<int, Detail> seconds[] = {{map.second_cell, DETAIL_CELL},
                                              {map.second_email, DETAIL_EMAIL}};
    for (const auto& [column, detail] : seconds) {
        if (column < 0 || static_cast<size_t>(column) >= cells.size() || cells[column].empty()) continue;
        if (hidden && (static_cast<size_t>(column) >= map.shown_when_private.size() ||
                       !map.shown_when_private[static_cast<size_t>(column)]))
            continue;
        const bool couple = !member->housemates.empty();
        const std::string second =
            cells[column] + (couple ? " (" + member->housemates[0].first_name + ")" : std::string());
        std::string& text = member->details[detail];
        if (couple && !text.empty()) text += " (" + member->first_name + ")";
        text += (text.empty() ? "" : std::string(1, PERSON_BREAK)) + second;
    }
}

}  // namespace

std::vector<PersonName> people_named(const std::string& name, std::string_view joiner) {
    const std::vector<std::string> words = name_words(name);
    size_t last_joiner = words.size();
    for (size_t i = 0; i < words.size(); ++i) {
        if (is_joiner(words[i], joiner)) last_joiner = i;
    }
    PersonName whole = {"", "", name, "", 0};
    split_whole_name(name, &whole.first_name, &whole.last_name);
    if (last_joiner == 0 || last_joiner + 1 >= words.size()) return {whole};  // no one after it
    const auto first_comma = static_cast<size_t>(std::find(words.begin(), words.end(), ",") - words.begin());
    const size_t after = words.size() - last_joiner - 1;
    std::string surname;  // the one the people share
    size_t start = 0;     // the first word of the people's names
    if (after == 1 && first_comma < last_joiner) {
        // "Smith, Bob & Carol": the surname before the comma, the given names after it.
        surname = words_between(words, 0, first_comma);
        start = first_comma + 1;
    } else if (after < 2) {
        return {whole};  // "Bob & Carol": nothing says whose surname it is
    }
    // The people, split at commas and joiners; a person of one word takes the last
    // person's surname, one of several words has their own ("Ann Lee & Tom Park").
    std::vector<PersonName> people;
    for (size_t i = start; i <= words.size(); ++i) {
        if (i < words.size() && words[i] != "," && !is_joiner(words[i], joiner)) continue;
        if (i > start) {
            PersonName person = {"", "", "", "", 0};
            const std::string part = words_between(words, start, i);
            if (i - start == 1 || !surname.empty()) {
                person.first_name = part;
            } else {
                split_whole_name(part, &person.first_name, &person.last_name);
            }
            people.push_back(person);
        }
        start = i + 1;
    }
    if (surname.empty()) surname = people.back().last_name;
    if (surname.empty()) return {whole};  // "Ortega y Gasset, José" with the joiner "y"
    for (PersonName& person : people) {
        if (person.last_name.empty()) person.last_name = surname;
    }
    return people.size() > 1 ? people : std::vector<PersonName>{whole};
}

bool fill_member(Member* member, const Cells& cells, const ColumnMap& map) {
    static const std::string NONE;
    auto cell = [&](int column) -> const std::string& {
        return static_cast<size_t>(column) < cells.size() ? cells[column] : NONE;
    };
    *member = Member();
    member->role = map.role >= 0 ? cell(map.role) : GROUPS[GROUP_MEMBER].role;
    if (map.full_name >= 0) {
        member->name = cell(map.full_name);
        // "Bob, Carol & Sam Smith": the first person's names, the others as housemates.
        std::vector<PersonName> people = people_named(member->name, map.joiner);
        member->first_name = people[0].first_name;
        member->last_name = people[0].last_name;
        member->housemates.assign(people.begin() + 1, people.end());
    } else {
        member->first_name = cell(map.first_name);
        member->last_name = cell(map.last_name);
    }
    if (map.sort_as >= 0) member->sort_as = cell(map.sort_as);
    if (map.household >= 0) member->household = cell(map.household);
    if (map.partner >= 0) member->partner = cell(map.partner);
    const bool hidden = map.private_column >= 0 && is_yes(cell(map.private_column));
    if (map.photo >= 0) member->photo = cell(map.photo);
    if (map.photo_focus >= 0) member->photo_focus = cell(map.photo_focus);
    if (map.country >= 0) member->country = cell(map.country);
    for (const auto& [column, heading] : map.proof_columns)
        member->proof_fields.emplace_back(heading, cell(column));
    member->private_member = hidden;
    member->photo_hidden = hidden && !map.photo_shown_when_private;
    for (int part = 0; part < DETAIL_COUNT; ++part) {
        std::string& text = member->details[part];
        for (int column : map.parts[part]) {
            const bool shown = !hidden || (static_cast<size_t>(column) < map.shown_when_private.size() &&
                                           map.shown_when_private[static_cast<size_t>(column)]);
            // Where the person lives, a private member too: who shares a household.
            std::string* where = part == DETAIL_ADDRESS ? &member->home
                                 : part == DETAIL_CITY  ? &member->town
                                 : part == DETAIL_ZIP   ? &member->postal_code
                                                        : nullptr;
            if (where != nullptr && !cell(column).empty())
                *where += (where->empty() ? "" : ", ") + cell(column);
            if (cell(column).empty()) continue;
            std::string& into = shown ? text : member->left_off[part];
            if (!into.empty()) into += ", ";
            into += cell(column);
        }
    }
    add_second_values(member, cells, map, hidden);
    return hidden;
}
