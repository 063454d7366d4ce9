// The member list: reads the member CSV into fixed-size records, groups them by role
// (Caller, Cuer, Member, New Dancer) and sorts each group by last, then first name.
#pragma once

#include <cstdint>
#include <vector>

#include "settings/settings.h"

constexpr int MAX_MEMBERS = 512;
constexpr int CSV_MIN_FIELDS = 7;  // cells a record read by position needs

struct Member {
    char role[32];
    char first_name[64];
    char last_name[64];
    char detail1[128];
    char detail2a[64];
    char detail2b[16];
    char detail3a[32];
    char detail3b[32];
    char detail4[128];
    char detail5[128];
    int32_t line_number;  // first line of the member's record in the member list (header: 1)
};

struct RosterGroups {
    Member callers[MAX_MEMBERS];
    int32_t caller_count;
    Member cuers[MAX_MEMBERS];
    int32_t cuer_count;
    Member members[MAX_MEMBERS];
    int32_t member_count;
    Member new_dancers[MAX_MEMBERS];
    int32_t new_dancer_count;
};

// Reads settings.member_csv_path into `groups`, which it clears first. The first record
// is a header, unless it looks like a member (then it is read as one, with a warning); its
// headings decide how the columns are read; the header's first line decides the
// separator (comma, semicolon or tab). Private members are counted in a note on stderr.
// Skipped lines are reported on stderr, with a total. Returns false after a one-line
// message when the path is not a regular file or does not open ("<path>: <reason>"), a
// read fails, the file is an .xlsx/.ods/.xls spreadsheet, or it holds lines but nobody
// in any group; an empty file (no header) fails with no message.
bool load_roster(const Settings& settings, RosterGroups* groups);

// Orders members by last name, then first name, in ICU's root order, letter case ignored.
// Returns negative, zero or positive.
int compare_members(const Member& a, const Member& b);

// Everyone in the groups, in the order of the member list (by line number): the order
// messages about them are given in.
std::vector<Member*> members_in_list_order(RosterGroups* groups);
