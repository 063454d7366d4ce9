#include "roster/roster.h"

#include <strings.h>

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <cstring>
#include <memory>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "base/file.h"
#include "base/message.h"
#include "base/text_util.h"
#include "roster/csv.h"
#include "text/collate.h"
#include "text/decode.h"

namespace {

constexpr const char* ROLE_NAMES[4] = {"Caller", "Cuer", "Member", "New Dancer"};

// A member list is a few hundred lines; anything this large is the wrong file.
constexpr long long MAX_MEMBER_FILE_BYTES = 256LL << 20;

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

// A spreadsheet row whose cells are all empty counts as a blank line.
bool is_blank(const char (*fields)[CSV_FIELD_SIZE], int count) {
    for (int i = 0; i < count; ++i) {
        if (fields[i][0] != '\0') return false;
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

// What became of the records after the header.
struct ReadCounts {
    int records;     // records that are not blank
    int past_limit;  // of those, the ones after the table filled up
    int last_line;   // first line of the last record taken into the table
};

// Splits one record; returns its field count, 0 for a blank record.
int split_record(const char* record, char separator, char (*fields)[CSV_FIELD_SIZE]) {
    int field_count = split_csv_line(record, fields, CSV_MAX_FIELDS, separator);
    return is_blank(fields, field_count) ? 0 : field_count;
}

// Reads the records after the header into `table` until it is full or the file ends,
// then counts what is left. Every dropped record is named on stderr.
ReadCounts read_records(CsvReader* reader, LoadedTable* table) {
    auto record_storage = std::make_unique_for_overwrite<char[]>(CSV_RECORD_SIZE);
    char* record = record_storage.get();
    char fields[CSV_MAX_FIELDS + 1][CSV_FIELD_SIZE];
    ReadCounts counts = {0, 0, 1};
    int line_number;
    while ((line_number = read_csv_record(reader, record)) > 0) {
        int field_count = split_record(record, reader->separator, fields);
        if (field_count == 0) continue;
        ++counts.records;
        if (table->count == MAX_MEMBERS) {
            ++counts.past_limit;
        } else if (field_count < CSV_MIN_FIELDS) {
            say("Warning: %s line %d: %d field(s), at least %d needed, line skipped\n", reader->path,
                line_number, field_count, CSV_MIN_FIELDS);
        } else {
            Member* member = &table->records[table->count++];
            fill_member(member, fields, field_count);
            member->line_number = line_number;
            counts.last_line = line_number;
            if (role_group(member->role) < 0) {
                say("Warning: %s line %d: unknown role '%s', line skipped\n", reader->path, line_number,
                    member->role);
            }
        }
    }
    return counts;
}

// Sorts by last name, then first name, in `collation`'s order; people equal in it keep
// the order of the list. Each name's key is made once.
void sort_group(std::span<Member> group, const Collation& collation) {
    struct Keyed {
        std::string last, first;
        size_t index;
    };
    std::vector<Keyed> keys(group.size());
    for (size_t i = 0; i < group.size(); ++i) {
        keys[i] = {sort_key(collation, group[i].last_name), sort_key(collation, group[i].first_name), i};
    }
    std::stable_sort(keys.begin(), keys.end(), [](const Keyed& a, const Keyed& b) {
        return a.last != b.last ? a.last < b.last : a.first < b.first;
    });
    std::vector<Member> sorted;
    sorted.reserve(group.size());
    for (const Keyed& keyed : keys) sorted.push_back(group[keyed.index]);
    std::copy(sorted.begin(), sorted.end(), group.begin());
}

void group_records(const LoadedTable& table, const Collation& collation, RosterGroups* groups) {
    Member* arrays[4] = {groups->callers, groups->cuers, groups->members, groups->new_dancers};
    int32_t* counts[4] = {&groups->caller_count, &groups->cuer_count, &groups->member_count,
                          &groups->new_dancer_count};
    for (int i = 0; i < table.count; ++i) {
        int group = role_group(table.records[i].role);
        if (group >= 0) arrays[group][(*counts[group])++] = table.records[i];
    }
    for (int g = 0; g < 4; ++g) sort_group(std::span<Member>(arrays[g], *counts[g]), collation);
}

// Spreadsheet programs' own formats: .xlsx and .ods are ZIP archives, .xls an OLE file.
bool is_spreadsheet_file(std::string_view bytes) {
    return bytes.starts_with("PK\x03\x04") || bytes.starts_with("\xD0\xCF\x11\xE0\xA1\xB1\x1A\xE1");
}

// The header's first line decides the separator of the whole file; `buffer` holds
// CSV_RECORD_SIZE bytes.
char detect_file_separator(FILE* file, char* buffer) {
    read_line(file, buffer, CSV_RECORD_SIZE);
    rewind(file);
    return detect_separator(buffer);
}

int group_total(const RosterGroups& groups) {
    return groups.caller_count + groups.cuer_count + groups.member_count + groups.new_dancer_count;
}

// Sums up the skipped records; a list in which nobody was read fails the run.
bool report_totals(const char* path, int records, int members) {
    if (records > members) {
        say("Warning: %s: %d line(s) skipped, %d member(s) read\n", path, records - members, members);
    }
    if (records > 0 && members == 0) {
        say("Error: %s: none of its %d line(s) after the header holds a member, nothing written\n", path,
            records);
        return false;
    }
    return true;
}

// Reads the whole member list as UTF-8, decoded as settings.text_encoding says (or
// detected, saying so when a legacy code page was guessed). False after a message when it
// is not a regular file, cannot be read, is larger than MAX_MEMBER_FILE_BYTES, is a
// spreadsheet program's own file or does not decode.
bool read_member_text(const Settings& settings, std::string* text) {
    const char* path = settings.member_csv_path;
    unsigned char* bytes = nullptr;
    size_t size = 0;
    char reason[256];
    if (!read_whole_file(path, MAX_MEMBER_FILE_BYTES, "larger than 256 MiB, too large for a member list",
                         &bytes, &size, reason, sizeof reason)) {
        say("%s: %s\n", path, reason);
        return false;
    }
    const std::unique_ptr<unsigned char, FreeDeleter> owner(bytes);
    const std::string_view raw(reinterpret_cast<const char*>(bytes), size);
    if (is_spreadsheet_file(raw)) {
        say("Error: %s is a spreadsheet file, not CSV: save it as CSV (comma-separated) and run again\n",
            path);
        return false;
    }
    DecodedText decoded;
    std::string why;
    if (!decode_text(raw, settings.text_encoding, &decoded, &why)) {
        say("Error: %s: %s; set 'Text Encoding' in roster.sdd to the encoding it was saved in\n", path,
            why.c_str());
        return false;
    }
    report_guessed_encoding(path, decoded);
    *text = std::move(decoded.utf8);
    return true;
}

}  // namespace

bool load_roster(const Settings& settings, RosterGroups* groups) {
    memset(groups, 0, sizeof *groups);
    const char* path = settings.member_csv_path;
    std::string text;
    if (!read_member_text(settings, &text)) return false;
    FilePtr file(fmemopen(text.data(), text.size(), "r"));
    if (!file) return false;  // an empty file (no header) fails without a message
    // The record buffers and the table live on the heap: 64 KiB and 360 KiB are more than
    // a small (web) stack holds.
    auto header_storage = std::make_unique_for_overwrite<char[]>(CSV_RECORD_SIZE);
    char* header = header_storage.get();
    CsvReader reader = {file.get(), path, detect_file_separator(file.get(), header), 0};
    if (read_csv_record(&reader, header) == 0) return false;

    auto table_storage = std::make_unique_for_overwrite<LoadedTable>();
    LoadedTable& table = *table_storage;
    table.count = 0;
    ReadCounts counts = read_records(&reader, &table);
    if (counts.past_limit > 0) {
        say("Warning: %s: more than %d members, %d line(s) after line %d skipped\n", path, MAX_MEMBERS,
            counts.past_limit, counts.last_line);
    }
    Collation collation;
    open_collation(&collation, settings.sort_language);
    group_records(table, collation, groups);
    return report_totals(path, counts.records, group_total(*groups));
}

int compare_members(const Member& a, const Member& b) {
    int order = compare_names(a.last_name, b.last_name);
    if (order != 0) return order;
    return compare_names(a.first_name, b.first_name);
}

std::vector<Member*> members_in_list_order(RosterGroups* groups) {
    std::vector<Member*> people;
    for (std::span<Member> group :
         {std::span(groups->callers, groups->caller_count), std::span(groups->cuers, groups->cuer_count),
          std::span(groups->members, groups->member_count),
          std::span(groups->new_dancers, groups->new_dancer_count)}) {
        for (Member& person : group) people.push_back(&person);
    }
    std::sort(people.begin(), people.end(),
              [](const Member* a, const Member* b) { return a->line_number < b->line_number; });
    return people;
}
