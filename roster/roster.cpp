#include "roster/roster.h"

#include <strings.h>

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <cstring>
#include <memory>
#include <span>

#include "roster/csv.h"
#include "settings/encoding.h"
#include "settings/text_util.h"

namespace {

constexpr const char* ROLE_NAMES[4] = {"Caller", "Cuer", "Member", "New Dancer"};

// The records in file order, before grouping.
struct LoadedTable {
    Member records[MAX_MEMBERS];
    int count;
};

// Returns 0..3 for Caller, Cuer, Member, New Dancer (whole field, any letter case), else -1.
int role_group(const char* role) {
    for (int i = 0; i < 4; ++i) {
        if (strcasecmp(role, ROLE_NAMES[i]) == 0) return i;
    }
    return -1;
}

bool is_blank(const char* line) {
    for (; *line != '\0'; ++line) {
        if (!isspace(static_cast<unsigned char>(*line))) return false;
    }
    return true;
}

void fill_member(Member* member, const char (*fields)[CSV_FIELD_SIZE], int count) {
    memset(member, 0, sizeof *member);
    copy_text(member->role, sizeof member->role, fields[0]);
    copy_text(member->first_name, sizeof member->first_name, fields[1]);
    copy_text(member->last_name, sizeof member->last_name, fields[2]);
    copy_text(member->detail1, sizeof member->detail1, fields[3]);
    copy_text(member->detail2a, sizeof member->detail2a, fields[4]);
    copy_text(member->detail2b, sizeof member->detail2b, fields[5]);
    copy_text(member->detail3a, sizeof member->detail3a, fields[6]);
    if (count > 7) copy_text(member->detail3b, sizeof member->detail3b, fields[7]);
    if (count > 8) copy_text(member->detail4, sizeof member->detail4, fields[8]);
    if (count > 9) copy_text(member->detail5, sizeof member->detail5, fields[9]);
}

// Reads the lines after the header into `table` until it is full or the file ends.
// Every dropped line is named on stderr; returns the number of the last line read.
int read_records(FILE* file, const char* path, LoadedTable* table) {
    char line[CSV_LINE_SIZE];
    char fields[CSV_MAX_FIELDS + 1][CSV_FIELD_SIZE];
    int line_number = 1;
    while (table->count < MAX_MEMBERS && read_line(file, line, sizeof line)) {
        ++line_number;
        // Converted before the fields are cut to their buffers, so no character is split.
        int replaced = convert_to_windows_1252(line);
        int field_count = split_csv_line(line, fields, CSV_MAX_FIELDS);
        if (field_count < CSV_MIN_FIELDS) {
            if (!is_blank(line)) {
                fprintf(stderr, "Warning: %s line %d: %d field(s), at least %d needed, line skipped\n", path,
                        line_number, field_count, CSV_MIN_FIELDS);
            }
            continue;
        }
        Member* member = &table->records[table->count++];
        fill_member(member, fields, field_count);
        if (role_group(member->role) < 0) {
            fprintf(stderr, "Warning: %s line %d: unknown role '%s', line skipped\n", path, line_number,
                    member->role);
        } else if (replaced > 0) {
            fprintf(stderr, "Warning: %s line %d: characters the PDF fonts cannot show are printed as '?'\n",
                    path, line_number);
        }
    }
    return line_number;
}

// Counts the non-blank lines left after the table filled up, so none is lost unseen.
void report_lines_past_limit(FILE* file, const char* path, int last_line_number) {
    char line[CSV_LINE_SIZE];
    int skipped = 0;
    while (read_line(file, line, sizeof line)) {
        if (!is_blank(line)) ++skipped;
    }
    if (skipped > 0) {
        fprintf(stderr, "Warning: %s: more than %d members, %d line(s) after line %d skipped\n", path,
                MAX_MEMBERS, skipped, last_line_number);
    }
}

void sort_group(std::span<Member> group) {
    std::sort(group.begin(), group.end(),
              [](const Member& a, const Member& b) { return compare_members(a, b) < 0; });
}

void group_records(const LoadedTable& table, RosterGroups* groups) {
    Member* arrays[4] = {groups->callers, groups->cuers, groups->members, groups->new_dancers};
    int32_t* counts[4] = {&groups->caller_count, &groups->cuer_count, &groups->member_count,
                          &groups->new_dancer_count};
    for (int i = 0; i < table.count; ++i) {
        int group = role_group(table.records[i].role);
        if (group >= 0) arrays[group][(*counts[group])++] = table.records[i];
    }
    for (int g = 0; g < 4; ++g) sort_group(std::span<Member>(arrays[g], *counts[g]));
}

// Letters of Windows-1252 from 0x80 on, as the lower-case base letter they sort with
// (0: the byte sorts as itself).
constexpr char FOLDED_HIGH_BYTES[129] =
    "\0\0\0\0\0\0\0\0\0\0s\0o\0z\0"     // 0x80: Š Œ Ž
    "\0\0\0\0\0\0\0\0\0\0s\0o\0zy"      // 0x90: š œ ž Ÿ
    "\0\0\0\0\0\0\0\0\0\0\0\0\0\0\0\0"  // 0xA0
    "\0\0\0\0\0\0\0\0\0\0\0\0\0\0\0\0"  // 0xB0
    "aaaaaaaceeeeiiii"                  // 0xC0: À..Ï
    "dnooooo\0ouuuuy\0s"                // 0xD0: Ð..ß
    "aaaaaaaceeeeiiii"                  // 0xE0: à..ï
    "dnooooo\0ouuuuy\0y";               // 0xF0: ð..ÿ

int sort_letter(unsigned char c) {
    if (c >= 0x80 && FOLDED_HIGH_BYTES[c - 0x80] != '\0') return FOLDED_HIGH_BYTES[c - 0x80];
    return tolower(c);
}

// Compares letters as their lower-case forms and other bytes by value; a prefix sorts
// first. With `fold_accents`, accented letters compare as their base letter.
int compare_text(const char* a, const char* b, bool fold_accents) {
    for (;; ++a, ++b) {
        unsigned char x = static_cast<unsigned char>(*a), y = static_cast<unsigned char>(*b);
        int left = fold_accents ? sort_letter(x) : tolower(x);
        int right = fold_accents ? sort_letter(y) : tolower(y);
        if (left != right || left == 0) return left - right;
    }
}

// "Éluard" sorts among the E names; names equal that way fall back to plain byte order.
int compare_names(const char* a, const char* b) {
    int order = compare_text(a, b, true);
    return order != 0 ? order : compare_text(a, b, false);
}

}  // namespace

bool load_roster(const Settings& settings, RosterGroups* groups) {
    memset(groups, 0, sizeof *groups);
    const char* path = settings.member_csv_path;
    FilePtr file(fopen(path, "r"));
    if (!file) {
        perror(path);
        return false;
    }
    char header[CSV_LINE_SIZE];
    if (!read_line(file.get(), header, sizeof header)) return false;

    static LoadedTable table;
    table.count = 0;
    int last_line = read_records(file.get(), path, &table);
    if (table.count == MAX_MEMBERS) report_lines_past_limit(file.get(), path, last_line);
    group_records(table, groups);
    return true;
}

int compare_members(const Member& a, const Member& b) {
    int order = compare_names(a.last_name, b.last_name);
    if (order != 0) return order;
    return compare_names(a.first_name, b.first_name);
}
