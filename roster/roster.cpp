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
#include "roster/columns.h"
#include "roster/csv.h"
#include "text/collate.h"
#include "text/decode.h"

namespace {

// A member list is a few hundred lines; anything this large is the wrong file.
constexpr long long MAX_MEMBER_FILE_BYTES = 256LL << 20;

using Cells = char[CSV_FIELD_SIZE];

// The records in file order, before grouping, with the group each one's role names.
struct LoadedTable {
    Member records[MAX_MEMBERS];
    int groups[MAX_MEMBERS];  // -1: an unknown role
    int count;
};

// What became of the records.
struct ReadCounts {
    int records;          // records that are not blank
    int past_limit;       // of those, the ones after the table filled up
    int last_line;        // first line of the last record taken into the table
    int private_members;  // members of a group marked private
};

// The reading of one member list: how its cells are read and what was read.
struct TableReader {
    const char* path;
    ColumnMap map;
    RoleWords words;
    LoadedTable* table;
    ReadCounts counts;
};

// A spreadsheet row whose cells are all empty counts as a blank line.
bool is_blank(const Cells* cells, int count) {
    for (int i = 0; i < count; ++i) {
        if (cells[i][0] != '\0') return false;
    }
    return true;
}

// Takes one non-blank record of `count` cells into the table, or says why it is dropped.
void take_record(TableReader* reader, const Cells* cells, int count, int line_number) {
    LoadedTable* table = reader->table;
    ++reader->counts.records;
    if (table->count == MAX_MEMBERS) {
        ++reader->counts.past_limit;
        return;
    }
    if (count < reader->map.min_fields) {
        say("Warning: %s line %d: %d field(s), at least %d needed, line skipped\n", reader->path, line_number,
            count, reader->map.min_fields);
        return;
    }
    Member* member = &table->records[table->count];
    const bool hidden = fill_member(member, cells, count, reader->map);
    member->line_number = line_number;
    const int group = role_group(reader->words, member->role);
    table->groups[table->count++] = group;
    reader->counts.last_line = line_number;
    if (group < 0) {
        say("Warning: %s line %d: unknown role '%s', line skipped\n", reader->path, line_number,
            member->role);
    } else if (hidden) {
        ++reader->counts.private_members;
    }
}

// Reads the records after the header until the file ends; `cells` has room for MAX_COLUMNS.
void read_records(CsvReader* csv, TableReader* reader, Cells* cells) {
    auto record_storage = std::unique_ptr<char[]>(new char[CSV_RECORD_SIZE]);
    char* record = record_storage.get();
    int line_number;
    while ((line_number = read_csv_record(csv, record)) > 0) {
        const int count = split_csv_line(record, cells, MAX_COLUMNS, csv->separator);
        if (!is_blank(cells, count)) take_record(reader, cells, count, line_number);
    }
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
    Member* arrays[GROUP_COUNT] = {groups->callers, groups->cuers, groups->members, groups->new_dancers};
    int32_t* counts[GROUP_COUNT] = {&groups->caller_count, &groups->cuer_count, &groups->member_count,
                                    &groups->new_dancer_count};
    for (int i = 0; i < table.count; ++i) {
        const int group = table.groups[i];
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

// Says once how many members print their name only (and the columns Private Shows keeps).
void report_private_members(int count, const Settings& settings) {
    if (count == 0) return;
    if (settings.private_shows[0] == '\0') {
        say("Note: %d member(s) marked private: only their names are printed\n", count);
    } else {
        say("Note: %d member(s) marked private: only their names and %s are printed\n", count,
            settings.private_shows);
    }
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
    // The record buffers, the cells and the table live on the heap: 64 KiB, 16 KiB and
    // 360 KiB are more than a small (web) stack holds.
    auto header_storage = std::unique_ptr<char[]>(new char[CSV_RECORD_SIZE]);
    char* header = header_storage.get();
    CsvReader csv = {file.get(), path, detect_file_separator(file.get(), header), 0};
    if (read_csv_record(&csv, header) == 0) return false;

    auto cells = std::make_unique<Cells[]>(MAX_COLUMNS);
    auto table = std::unique_ptr<LoadedTable>(new LoadedTable);
    table->count = 0;
    TableReader reader = {path, {}, role_words(settings), table.get(), {0, 0, 1, 0}};
    const int header_count = split_csv_line(header, cells.get(), MAX_COLUMNS, csv.separator);
    if (looks_like_member(reader.words, cells.get(), header_count)) {
        say("Warning: %s line 1 looks like a member, not a header: read as a member\n", path);
        reader.map = positional_columns();
        take_record(&reader, cells.get(), header_count, 1);
    } else {
        reader.map = map_columns(cells.get(), header_count, settings, path);
    }
    read_records(&csv, &reader, cells.get());
    const ReadCounts& counts = reader.counts;
    if (counts.past_limit > 0) {
        say("Warning: %s: more than %d members, %d line(s) after line %d skipped\n", path, MAX_MEMBERS,
            counts.past_limit, counts.last_line);
    }
    Collation collation;
    open_collation(&collation, settings.sort_language);
    group_records(*table, collation, groups);
    if (!report_totals(path, counts.records, group_total(*groups))) return false;
    report_private_members(counts.private_members, settings);
    return true;
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
