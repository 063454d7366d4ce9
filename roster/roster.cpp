#include "roster/roster.h"

#include <strings.h>

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <memory>
#include <span>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "base/file.h"
#include "base/message.h"
#include "base/text_util.h"
#include "roster/columns.h"
#include "roster/csv.h"
#include "roster/household.h"
#include "roster/sheet.h"
#include "text/collate.h"
#include "text/decode.h"

namespace {

// A member list is a few hundred lines, a regional directory some tens of thousands;
// anything this large is the wrong file.

// A record read, before grouping, with the group its role names.
struct LoadedRecord {
    Member member;
    int group;  // -1: an unknown role
};

// What became of the records.
struct ReadCounts {
    int records = 0;          // records that are not blank
    int private_members = 0;  // members of a group marked private
};

// The reading of one member list: how its cells are read and what was read.
struct TableReader {
    const char* path;
    ColumnMap map;
    RoleWords words;
    std::vector<LoadedRecord> records;
    ReadCounts counts;
    std::vector<std::pair<std::string, int>> unknown_roles;  // each role word no group has, and how often
};

// Title rows, notes and blank rows above the headings are passed over within the first
// lines; a header further down is not looked for.
constexpr int HEADER_SEARCH_LINES = 10;

// A record read ahead while the header is looked for.
struct ReadAhead {
    int line;
    Cells cells;
};

// A spreadsheet row whose cells are all empty counts as a blank line.
bool is_blank(const Cells& cells) {
    for (const std::string& cell : cells) {
        if (!cell.empty()) return false;
    }
    return true;
}

// Takes one non-blank record into the table, or says why it is dropped.
void take_record(TableReader* reader, const Cells& cells, int line_number) {
    ++reader->counts.records;
    const int count = static_cast<int>(cells.size());
    if (count < reader->map.min_fields) {
        const char* row = row_word(reader->path);
        say("Warning: %s %s %d: %d field(s), at least %d needed, %s skipped\n", reader->path, row,
            line_number, count, reader->map.min_fields, row);
        return;
    }
    LoadedRecord& record = reader->records.emplace_back();
    const bool hidden = fill_member(&record.member, cells, reader->map);
    record.member.line_number = line_number;
    record.group = role_group(reader->words, record.member.role);
    if (record.group < 0) {
        auto& unknown = reader->unknown_roles;
        auto same = std::find_if(unknown.begin(), unknown.end(),
                                 [&](const auto& word) { return word.first == record.member.role; });
        if (same == unknown.end()) {
            unknown.emplace_back(record.member.role, 0);
            same = unknown.end() - 1;
        }
        ++same->second;
    } else if (hidden) {
        ++reader->counts.private_members;
    }
}

// Sorts by last name, then first name, in `collation`'s order; people equal in it keep
// the order of the list. Each name's key is made once, and members are moved, not copied.
void sort_group(std::span<Member> group, const Collation& collation) {
    struct Keyed {
        std::string last, first;
        size_t index;
    };
    std::vector<Keyed> keys(group.size());
    for (size_t i = 0; i < group.size(); ++i) {
        const Member& m = group[i];
        keys[i] = {sort_key(collation, sorted_by(m)),
                   m.sort_as.empty() ? sort_key(collation, m.first_name) : "", i};
    }
    std::stable_sort(keys.begin(), keys.end(), [](const Keyed& a, const Keyed& b) {
        return a.last != b.last ? a.last < b.last : a.first < b.first;
    });
    std::vector<Member> sorted;
    sorted.reserve(group.size());
    for (const Keyed& keyed : keys) sorted.push_back(std::move(group[keyed.index]));
    std::move(sorted.begin(), sorted.end(), group.begin());
}

// Puts the records of known roles into `roster`, group after group, each sorted.
void group_records(std::vector<LoadedRecord>* records, const Collation& collation, Roster* roster) {
    roster->people.clear();
    for (int g = 0; g < GROUP_COUNT; ++g) {
        roster->starts[g] = roster->people.size();
        for (LoadedRecord& record : *records) {
            if (record.group == g) roster->people.push_back(std::move(record.member));
        }
        sort_group(std::span(roster->people).subspan(roster->starts[g]), collation);
    }
    roster->starts[GROUP_COUNT] = roster->people.size();
}

// Says once who was left out for a role word no group has, and how to keep them: the
// words most often met first; the example puts the first word naming a group in it ("Life
// Member" in Member), else the first word in Member.
void report_unknown_roles(const char* path, std::vector<std::pair<std::string, int>> unknown) {
    if (unknown.empty()) return;
    std::stable_sort(unknown.begin(), unknown.end(),
                     [](const auto& a, const auto& b) { return a.second > b.second; });
    int people = 0;
    std::string words;
    for (const auto& [word, count] : unknown) {
        people += count;
        words += (words.empty() ? "'" : ", '") + word + "' (" + std::to_string(count) + ")";
    }
    std::string example;
    for (const auto& [word, count] : unknown) {
        for (int g = 0; g < GROUP_COUNT && example.empty() && !word.empty(); ++g) {
            if (match_key(word).find(match_key(GROUPS[g].role)) != std::string::npos)
                example = std::string(GROUPS[g].role) + ": " + word;
        }
    }
    for (const auto& [word, count] : unknown) {
        if (example.empty() && !word.empty()) example = std::string(GROUPS[GROUP_MEMBER].role) + ": " + word;
    }
    say("Warning: %s: %d %s left out for their role: %s; to print them, %s\n", path, people,
        people == 1 ? "person" : "people", words.c_str(),
        example.empty() ? "give each a role in the sheet"
                        : ("add a Roles block, e.g. '" + example + "'").c_str());
}

// Sums up the skipped records; a list in which nobody was read fails the run.
std::optional<Failure> report_totals(const char* path, int records, int members) {
    if (records > members) {
        say("Warning: %s: %d %s(s) skipped, %d member(s) read\n", path, records - members, row_word(path),
            members);
    }
    if (records > 0 && members == 0) {
        return Failure{path, 0,
                       "none of its " + std::to_string(records) + " " + row_word(path) +
                           "(s) after the header holds a member, nothing written"};
    }
    return std::nullopt;
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

// A spreadsheet program's own file where the member list named in roster.sdd is missing:
// list.xlsx, .ods, .xls or .numbers beside where list.csv should be; "" when the list is
// there or no such file is.
std::string spreadsheet_instead(const char* path) {
    std::error_code error;
    if (std::filesystem::exists(path, error)) return "";
    for (const char* extension : SPREADSHEET_EXTENSIONS) {
        const std::filesystem::path sheet = std::filesystem::path(path).replace_extension(extension);
        if (std::filesystem::exists(sheet, error)) return sheet.string();
    }
    return "";
}

// The sheet's rows as records, and what it left out said once each.
void take_sheet_rows(const char* path, Sheet* sheet, std::vector<ReadAhead>* rows) {
    if (sheet->hidden_rows > 0) {
        say("Warning: %s: %d hidden row(s) not printed (unhide them to print them)\n", path,
            sheet->hidden_rows);
    }
    if (sheet->filter) {
        say("Warning: %s: a filter is on and hides %d row(s): they are not printed (clear the filter to "
            "print "
            "them)\n",
            path, sheet->filtered_rows);
    }
    if (sheet->hidden_columns > 0) {
        say("Warning: %s: %d hidden column(s) not read (unhide them to print them)\n", path,
            sheet->hidden_columns);
    }
    for (const std::string& format : sheet->raw_formats) {
        say("Warning: %s: %s is a number format rosterbook does not read: its values print unformatted\n",
            path, format.c_str());
    }
    for (SheetRow& row : sheet->rows) rows->push_back({row.number, std::move(row.cells)});
}

// The list's rows, each with its number and cells: a spreadsheet's visible rows with a
// value, or the CSV's records decoded as settings.text_encoding says (or detected, saying
// so when a legacy code page was guessed). The failure when it is not a regular file,
// cannot be read, is larger than MAX_MEMBER_FILE_BYTES, is empty, or does not decode or
// read as a spreadsheet.
std::optional<Failure> read_member_rows(const Settings& settings, const char* path,
                                        std::vector<ReadAhead>* rows) {
    unsigned char* bytes = nullptr;
    size_t size = 0;
    if (std::optional<Failure> failure = read_whole_file(
            path, MAX_MEMBER_FILE_BYTES, "larger than 256 MiB, too large for a member list", &bytes, &size)) {
        const std::string sheet = spreadsheet_instead(path);
        if (!sheet.empty()) {
            failure->reason += "; " + sheet + " is there: name it in roster.sdd ('Member List: " +
                               std::filesystem::path(sheet).filename().string() + "')";
        }
        return failure;
    }
    const std::unique_ptr<unsigned char, FreeDeleter> owner(bytes);
    const std::string_view raw(reinterpret_cast<const char*>(bytes), size);
    if (raw.empty())
        return Failure{path, 0, "empty (0 bytes): export the member list again, with its header row"};
    if (is_spreadsheet_file(raw)) {
        Sheet sheet;
        if (std::optional<Failure> failure = read_sheet(path, settings.sheet_name, &sheet)) return failure;
        take_sheet_rows(path, &sheet, rows);
        return std::nullopt;
    }
    DecodedText decoded;
    if (std::optional<Failure> failure =
            decode_text(raw, settings.text_encoding, &decoded, settings.sort_language)) {
        return Failure{
            path, 0, failure->reason + "; set 'Text Encoding' in roster.sdd to the encoding it was saved in"};
    }
    report_guessed_encoding(path, decoded, CSV_REMEDY);
    CsvReader csv = {decoded.utf8, path, detect_separator(first_line(decoded.utf8))};
    std::string record;
    while (const int line = read_csv_record(&csv, &record)) {
        ReadAhead& next = rows->emplace_back();
        next.line = line;
        split_csv_line(record, &next.cells, MAX_LIST_COLUMNS, csv.separator);
    }
    return std::nullopt;
}

// Which of the records read ahead is the header: the first that looks like one, the rows
// above it named in a warning; the first record when none does; ahead.size() when the
// first record is a member, not a header.
size_t find_header(std::span<const ReadAhead> ahead, const RoleWords& words, const Settings& settings,
                   const char* path) {
    if (ahead.empty()) return 0;
    if (looks_like_member(words, ahead[0].cells)) return ahead.size();
    for (size_t i = 0; i < ahead.size(); ++i) {
        if (looks_like_member(words, ahead[i].cells)) break;
        if (heading_score(ahead[i].cells, settings) < 2) continue;
        if (i > 0) {
            const int before = ahead[i].line - 1;
            const std::string row = row_word(path);
            say("Warning: %s %s come%s before the headings on %s %d: not read\n", path,
                (before == 1 ? row + " 1" : row + "s 1 to " + std::to_string(before)).c_str(),
                before == 1 ? "s" : "", row.c_str(), ahead[i].line);
        }
        return i;
    }
    return 0;
}

}  // namespace

std::span<const Member> group_members(const Roster& roster, Group group) {
    return std::span(roster.people)
        .subspan(roster.starts[group], roster.starts[group + 1] - roster.starts[group]);
}

std::span<Member> group_members(Roster& roster, Group group) {
    return std::span(roster.people)
        .subspan(roster.starts[group], roster.starts[group + 1] - roster.starts[group]);
}

// The member list's path: the one roster.sdd names; when that is the default members.csv
// and it is not there, the first of members.xlsx, members.ods and members.xls that is.
std::string member_list_path(const Settings& settings) {
    std::error_code error;
    const std::filesystem::path named = settings.member_csv_path;
    if (named != DEFAULT_MEMBER_LIST || std::filesystem::exists(named, error)) return named.string();
    for (const char* extension :
         std::span(SPREADSHEET_EXTENSIONS).first(3)) {  // not Numbers: it cannot be read
        const std::filesystem::path sheet = std::filesystem::path(named).replace_extension(extension);
        if (std::filesystem::exists(sheet, error)) return sheet.string();
    }
    return named.string();
}

std::optional<Failure> load_roster(const Settings& settings, Roster* roster) {
    *roster = Roster();
    const std::string list = member_list_path(settings);
    const char* path = list.c_str();
    std::vector<ReadAhead> rows;
    if (std::optional<Failure> failure = read_member_rows(settings, path, &rows)) return failure;
    TableReader reader = {path, {}, role_words(settings), {}, {}, {}};
    // The header is looked for among the rows on the first lines.
    size_t ahead = 0;
    while (ahead < rows.size() && rows[ahead].line <= HEADER_SEARCH_LINES) ++ahead;
    const size_t header = find_header(std::span(rows).first(ahead), reader.words, settings, path);
    size_t first_member = header + 1;
    if (header == ahead) {  // the first line is a member
        say("Warning: %s %s %d looks like a member, not a header: read as a member\n", path, row_word(path),
            rows.empty() ? 1 : rows[0].line);
        reader.map = positional_columns();
        roster->detail_columns = detail_columns(reader.map, {});
        first_member = 0;
    } else {
        if (std::optional<Failure> failure =
                map_columns(rows[header].cells, settings, path, rows[header].line, &reader.map)) {
            return failure;
        }
        roster->detail_columns = detail_columns(reader.map, rows[header].cells);
    }
    for (size_t i = first_member; i < rows.size(); ++i) {
        if (!is_blank(rows[i].cells)) take_record(&reader, rows[i].cells, rows[i].line);
    }
    rows.clear();
    Collation collation;
    open_collation(&collation, settings.sort_language);
    group_records(&reader.records, collation, roster);
    report_unknown_roles(path, std::move(reader.unknown_roles));
    const int members = static_cast<int>(roster->people.size());
    if (std::optional<Failure> failure = report_totals(path, reader.counts.records, members)) return failure;
    report_private_members(reader.counts.private_members, settings);
    if (settings.households == HOUSEHOLDS_TOGETHER) join_households(roster, settings, path);
    return std::nullopt;
}

int compare_members(const Member& a, const Member& b) {
    int order = compare_names(sorted_by(a).c_str(), sorted_by(b).c_str());
    if (order != 0) return order;
    return compare_names(a.sort_as.empty() ? a.first_name.c_str() : "",
                         b.sort_as.empty() ? b.first_name.c_str() : "");
}

std::vector<Member*> members_in_list_order(Roster* roster) {
    std::vector<Member*> people;
    people.reserve(roster->people.size());
    for (Member& person : roster->people) people.push_back(&person);
    std::sort(people.begin(), people.end(),
              [](const Member* a, const Member* b) { return a->line_number < b->line_number; });
    return people;
}
