// What the cells of a member list record mean: which column fills which field of a
// Member (by position, as lists have always been read, or by the header's headings), the
// role words that put a member in a group, and which members are private.
#pragma once

#include <array>
#include <string>
#include <vector>

#include "roster/roster.h"
#include "settings/settings.h"

// A record's cells, as split_csv_line gives them.
using Cells = std::vector<std::string>;

// Cells after the 1024th are never read: no member list has that many columns, and a
// line of nothing but separators must not take gigabytes.
constexpr int MAX_COLUMNS = 1024;
constexpr int FIRST_DETAIL_COLUMN = 3;  // read by position, columns 4 to 10 fill the details in order

// Where a Member's fields come from: column numbers counted from 0.
struct ColumnMap {
    int role = 0;
    int first_name = 1;
    int last_name = 2;
    std::vector<int> parts[DETAIL_COUNT];  // by Detail: the columns each detail joins with ", "
    int private_column = -1;               // -1 when no column marks members private
    std::vector<bool> shown_when_private;  // per column: printed for a private member too
    int min_fields = CSV_MIN_FIELDS;       // the cells a record needs to be a member
    bool card_block = false;               // the Card block says what each line shows
};

// The words that put a member in each group, as match keys: the group's own name in any
// spelling, and the club's words from the Roles block.
struct RoleWords {
    std::vector<std::string> keys[GROUP_COUNT];
};

// The role words of `settings`.
RoleWords role_words(const Settings& settings);

// The group whose words hold `role`, or -1.
int role_group(const RoleWords& words, const std::string& role);

// True when a header row is really a member: its first cell is a role word and it holds
// at least CSV_MIN_FIELDS cells.
bool looks_like_member(const RoleWords& words, const Cells& cells);

// The map of a list without a header row: columns by position.
ColumnMap positional_columns();

// How messages name each detail under `map`: the headings of its columns joined with
// ", ", or its DETAIL_NAMES entry when they have none.
std::array<std::string, DETAIL_COUNT> detail_columns(const ColumnMap& map, const Cells& headings);

// The map for a list whose header row holds `headings`. Columns are read by their
// headings when a Card block asks for it, or when the headings name the role and both
// names and reading by position would put a known column on the wrong card line;
// otherwise by position. Says on stderr which columns a list read by heading leaves
// unprinted, and which headings of the Card block or of Private Shows it lacks.
ColumnMap map_columns(const Cells& headings, const Settings& settings, const char* path);

// Fills `member` (replaced; its line number is left 0) from a record's cells as `map`
// says. Returns true when the member is private: their details are then left empty but
// for the columns shown when private.
bool fill_member(Member* member, const Cells& cells, const ColumnMap& map);
