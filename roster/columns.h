// What the cells of a member list record mean: which column fills which field of a
// Member (by position, as lists have always been read, or by the header's headings), the
// role words that put a member in a group, and which members are private.
#pragma once

#include <string>
#include <vector>

#include "roster/csv.h"
#include "roster/roster.h"
#include "settings/settings.h"

constexpr int MAX_COLUMNS = 64;         // cells after the 64th are never read
constexpr int DETAIL_PARTS = 7;         // detail1, detail2a, detail2b, detail3a, detail3b, detail4, detail5
constexpr int FIRST_DETAIL_COLUMN = 3;  // read by position, columns 4 to 10 fill the detail fields

// Where a Member's fields come from: column numbers counted from 0.
struct ColumnMap {
    int role = 0;
    int first_name = 1;
    int last_name = 2;
    std::vector<int> parts[DETAIL_PARTS];  // the columns each detail field joins with ", "
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

// The group (an index into GROUP_NAMES) whose words hold `role`, or -1.
int role_group(const RoleWords& words, const char* role);

// True when a header row of `count` cells is really a member: its first cell is a role
// word and it holds at least CSV_MIN_FIELDS cells.
bool looks_like_member(const RoleWords& words, const char (*cells)[CSV_FIELD_SIZE], int count);

// The map of a list without a header row: columns by position.
ColumnMap positional_columns();

// The map for a list whose header row holds `count` `headings`. Columns are read by their
// headings when a Card block asks for it, or when the headings name the role and both
// names and reading by position would put a known column on the wrong card line;
// otherwise by position. Says on stderr which columns a list read by heading leaves
// unprinted, and which headings of the Card block or of Private Shows it lacks.
ColumnMap map_columns(const char (*headings)[CSV_FIELD_SIZE], int count, const Settings& settings,
                      const char* path);

// Fills `member` (cleared first; its line number is left 0) from a record's `count`
// cells as `map` says, each field cut to its size. Returns true when the member is private:
// their details are then left empty but for the columns shown when private.
bool fill_member(Member* member, const char (*cells)[CSV_FIELD_SIZE], int count, const ColumnMap& map);
