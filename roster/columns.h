// What the cells of a member list record mean: which column fills which field of a
// Member (by position, as lists have always been read, or by the header's headings), the
// role words that put a member in a group, and which members are private.
#pragma once

#include <array>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "base/failure.h"
#include "roster/roster.h"
#include "settings/settings.h"

// A record's cells, as split_csv_line gives them.
using Cells = std::vector<std::string>;

// Cells after the 1024th are never read: no member list has that many columns, and a
// line of nothing but separators must not take gigabytes.
constexpr int MAX_LIST_COLUMNS = 1024;
constexpr int FIRST_DETAIL_COLUMN = 3;  // read by position, columns 4 to 10 fill the details in order

// Where a Member's fields come from: column numbers counted from 0.
struct ColumnMap {
    int role = 0;
    int first_name = 1;
    int last_name = 2;
    int full_name = -1;  // a column holding the whole name as it prints; -1: first and last apart
    std::vector<int> parts[DETAIL_COUNT];  // by Detail: the columns each detail joins with ", "
    int private_column = -1;               // -1 when no column marks members private
    int sort_as = -1;                      // the reading column the list sorts by; -1 when none
    int household = -1;                    // the column naming each person's household; -1 when none
    int partner = -1;                      // the column naming each person's partner; -1 when none
    int photo = -1;                        // the column naming each person's photo file; -1 when none
    int photo_focus = -1;                  // the column saying which part of the photo shows; -1 when none
    int country = -1;                      // the Country column mailing labels print; -1 when none
    std::vector<std::pair<int, std::string>>
        proof_columns;                        // Proof Shows' columns found, with their headings
    int second_cell = -1, second_email = -1;  // a couple's second cell and e-mail ("Cell 2"); -1 when none
    std::string joiner = "&";                 // the club's Household Joiner, between given names in one cell
    bool photo_shown_when_private = false;    // Private Shows names Photo
    std::vector<bool> shown_when_private;     // per column: printed for a private member too
    int min_fields = CSV_MIN_FIELDS;          // the cells a record needs to be a member
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

// Maps the columns of a list whose header row, on line `header_line`, holds `headings`
// into `map`. Columns are read by their headings when a Card block asks for it, when a
// column holds the whole name, or when reading by position would put a known column on
// the wrong card line; otherwise by position, said on stderr when the headings do not
// name the role and name columns. Says on stderr which columns a list read by heading
// leaves unprinted (with the Card block line that would print them), and which headings
// of the Card block or of Private Shows it lacks. The failure, naming the header line and
// its headings, when a list read by heading has no role or no name column.
[[nodiscard]] std::optional<Failure> map_columns(const Cells& headings, const Settings& settings,
                                                 const char* path, int header_line, ColumnMap* map);

// How much a row looks like the header: its cells that are known headings, or headings
// the Card block names. A header has at least 2.
int heading_score(const Cells& cells, const Settings& settings);

// Splits a whole name as written into the first name and the surname it sorts by: the part
// before a comma is the surname ("Smith, Bob"), else the last word ("Bob & Carol Smith"),
// with a generation after it ("Jr.", "III").
void split_whole_name(const std::string& name, std::string* first, std::string* last);

// The people a whole name written in one cell names: one ("Bob Smith", "Smith, Bob"), or
// several given names joined by ",", "&", "+", "and" or the club's `joiner` that share the
// surname after the last of them ("Bob, Carol & Sam Smith"); one who has a surname of their
// own keeps it ("Ann Lee & Tom Park"), and "Smith, Bob & Carol" shares the surname before
// the comma. Line numbers are 0. Never empty.
std::vector<PersonName> people_named(const std::string& name, std::string_view joiner);

// Fills `member` (replaced; its line number is left 0) from a record's cells as `map`
// says. Returns true when the member is private: their details are then left empty but
// for the columns shown when private.
bool fill_member(Member* member, const Cells& cells, const ColumnMap& map);
