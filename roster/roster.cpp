#include "roster/roster.h"

#include <strings.h>
#include <sys/stat.h>
#include <unicode/uscript.h>

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <filesystem>
#include <map>
#include <memory>
#include <span>
#include <string>
#include <string_view>
#include <tuple>
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
#include "text/encoding.h"

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
constexpr int HEADER_SEARCH_LINES = 50;

// A record read ahead while the header is looked for.
struct ReadAhead {
    int line;
    Cells cells;
    RowState state = ROW_SHOWN;  // a spreadsheet row hidden by hand or by a filter is not shown
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
    for (PersonName& mate : record.member.housemates) mate.line_number = line_number;
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
[[nodiscard]] std::optional<Failure> report_totals(const char* path, int records, int members) {
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

// The sheet's rows as records, every one with whether it shows, and what the sheet leaves
// out of every row said once each.
void take_sheet_rows(const char* path, bool sheet_named, Sheet* sheet, std::vector<ReadAhead>* rows) {
    const std::string others = sheet_named ? "" : tabs_listed(sheet->tabs, sheet->name, false);
    if (!others.empty())
        say("Note: %s: read sheet '%s'; also there: %s\n", path, sheet->name.c_str(), others.c_str());
    if (sheet->hidden_columns > 0) {
        say("Warning: %s: %d hidden column(s) not read (unhide them to print them)\n", path,
            sheet->hidden_columns);
    }
    for (const std::string& format : sheet->raw_formats) {
        say("Warning: %s: %s is a number format rosterbook does not read: its values print unformatted\n",
            path, format.c_str());
    }
    for (SheetRow& row : sheet->rows) rows->push_back({row.number, std::move(row.cells), row.state});
    sheet->rows.clear();
}

// The list's rows, each with its number and cells: a spreadsheet's visible rows with a
// value, or the CSV's records decoded as settings.text_encoding says (or detected, saying
// so when a legacy code page was guessed). The failure when it is not a regular file,
// cannot be read, is larger than MAX_MEMBER_FILE_BYTES, is empty, or does not decode or
// read as a spreadsheet.
[[nodiscard]] std::optional<Failure> read_member_rows(const Settings& settings, const char* path,
                                                      std::vector<ReadAhead>* rows, Sheet* sheet) {
    unsigned char* bytes = nullptr;
    size_t size = 0;
    if (std::optional<Failure> failure = read_whole_file(
            path, MAX_MEMBER_FILE_BYTES, "larger than 256 MiB, too large for a member list", &bytes, &size)) {
        const std::string sheet = spreadsheet_instead(path);
        if (has_extension(sheet, ".numbers")) {
            failure->reason += "; " + sheet + " is there, " + NUMBERS_FILE;  // naming it would not help
        } else if (!sheet.empty()) {
            failure->reason += "; " + sheet + " is there: name it in roster.sdd ('Member List: " +
                               std::filesystem::path(sheet).filename().string() + "')";
        }
        return failure;
    }
    const std::unique_ptr<unsigned char, FreeDeleter> owner(bytes);
    const std::string_view raw(reinterpret_cast<const char*>(bytes), size);
    if (raw.empty())
        return Failure{path, 0, "empty (0 bytes): export the member list again, with its header row"};
    if (std::optional<Failure> failure = not_a_spreadsheet(path, raw)) return failure;
    if (is_spreadsheet_file(raw)) {
        if (std::optional<Failure> failure = read_sheet(path, settings.sheet_name, sheet)) return failure;
        take_sheet_rows(path, settings.sheet_name[0] != '\0', sheet, rows);
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
// above it named in a warning; the first record when members in the usual order follow
// without one; ahead.size() when the first record is a member, not a header; NO_HEADER when
// nothing there is a header or a member.
constexpr size_t NO_HEADER = SIZE_MAX;
size_t find_header(std::span<const ReadAhead> ahead, const RoleWords& words, const Settings& settings,
                   const char* path) {
    if (ahead.empty()) return 0;
    if (looks_like_member(words, ahead[0].cells)) return ahead.size();
    for (size_t i = 0; i < ahead.size(); ++i) {
        if (looks_like_member(words, ahead[i].cells)) return 0;  // members under a header of its own words
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
    return NO_HEADER;
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

namespace {

// How a message names column `column` of a list whose headings are `headings`.
std::string column_named(const Cells& headings, int column) {
    if (column >= 0 && static_cast<size_t>(column) < headings.size() && !headings[column].empty())
        return "'" + headings[column] + "'";
    return std::to_string(column + 1);
}

// The person a row names, as the card would print them; "row N" for a row without a name.
std::string row_person(const TableReader& reader, const ReadAhead& row, NameOrder order) {
    Member member;
    fill_member(&member, row.cells, reader.map);
    const std::string name = printed_name(member, order);
    if (name.find_first_not_of(' ') != std::string::npos) return name;
    return std::string(row_word(reader.path)) + " " + std::to_string(row.line);
}

// "Gus Gone, Hal Hidden, …": the first `most` names, an ellipsis after them when there are more.
std::string names_listed(const std::vector<std::string>& names, size_t most) {
    if (names.size() <= most) return joined_words(names, ", ");
    return joined_words({names.begin(), names.begin() + static_cast<long>(most)}, ", ") + ", \u2026";
}

// The rows the sheet does not show, below the headings. Hidden by hand, they are left out and
// named; hidden by a filter, they print or are left out as Filtered Rows says, and without it
// the run stops: a roster without its Callers must never go out because a filter was left on.
[[nodiscard]] std::optional<Failure> take_unshown_rows(TableReader* reader, const Settings& settings,
                                                       const Sheet& sheet, const Cells& headings,
                                                       std::vector<ReadAhead>* unshown, int header_line) {
    std::vector<std::string> hidden, filtered;
    for (ReadAhead& row : *unshown) {
        if (row.line <= header_line || is_blank(row.cells)) continue;
        const std::string person = row_person(*reader, row, settings.name_order);
        (row.state == ROW_HIDDEN ? hidden : filtered).push_back(person);
        if (row.state == ROW_FILTERED && settings.filtered_rows == FILTERED_ROWS_PRINT)
            take_record(reader, row.cells, row.line);
    }
    const char* path = reader->path;
    if (!hidden.empty()) {
        say("Warning: %s: %zu hidden row(s) not printed: %s (unhide them to print them)\n", path,
            hidden.size(), names_listed(hidden, hidden.size()).c_str());
    }
    if (filtered.empty()) return std::nullopt;
    std::vector<std::string> tested;
    for (int column : sheet.filter_columns) tested.push_back(column_named(headings, column));
    const std::string on = tested.empty()       ? ""
                           : tested.size() == 1 ? " on column " + tested[0]
                                                : " on columns " + joined_words(tested);
    const std::string filter = "a filter" + on + " hides " + std::to_string(filtered.size()) + " row(s)";
    if (settings.filtered_rows == FILTERED_ROWS_PRINT) {
        say("Note: %s: %s: printed all the same (Filtered Rows: Print)\n", path, filter.c_str());
    } else if (settings.filtered_rows == FILTERED_ROWS_LEAVE_OUT) {
        say("Note: %s: %s, not printed (Filtered Rows: Leave Out): %s\n", path, filter.c_str(),
            names_listed(filtered, filtered.size()).c_str());
    } else {
        return Failure{
            path, 0,
            filter + " (" + names_listed(filtered, 5) +
                "), nothing written: clear the filter, or say in roster.sdd 'Filtered Rows: Print' "
                "or 'Filtered Rows: Leave Out'"};
    }
    return std::nullopt;
}

// Says once which cells merged down over several people's rows were given to each of them:
// "cells merged over rows 5–6 (Address, Phone) given to each person".
void report_merged_cells(const Sheet& sheet, const Cells& headings, int header_line, const char* path) {
    std::map<std::pair<int, int>, std::vector<std::string>> by_rows;
    for (const MergedDown& merged : sheet.merged_down) {
        if (merged.first_row > header_line)
            by_rows[{merged.first_row, merged.last_row}].push_back(
                static_cast<size_t>(merged.column) < headings.size() && !headings[merged.column].empty()
                    ? headings[merged.column]
                    : std::to_string(merged.column + 1));
    }
    std::vector<std::string> spans;
    for (const auto& [rows, columns] : by_rows) {
        spans.push_back(std::to_string(rows.first) + "\u2013" + std::to_string(rows.second) + " (" +
                        joined_words(columns, ", ") + ")");
    }
    if (spans.empty()) return;
    say("Note: %s: cells merged over %ss %s given to each person\n", path, row_word(path),
        joined_words(spans, ", ").c_str());
}

// Says which formula cells were saved without their values, a column at a time; a name
// column left without any value stops the run, as nobody could be named.
[[nodiscard]] std::optional<Failure> report_unsaved_formulas(const TableReader& reader, const Sheet& sheet,
                                                             const Cells& headings, int header_line) {
    std::map<int, int> by_column;  // column -> cells
    for (const UnsavedFormula& formula : sheet.unsaved_formulas) {
        if (formula.row > header_line) ++by_column[formula.column];
    }
    const ColumnMap& map = reader.map;
    for (const auto& [column, count] : by_column) {
        const bool names = column == map.full_name || column == map.last_name || column == map.first_name;
        const bool nobody_named =
            names &&
            std::none_of(reader.records.begin(), reader.records.end(), [](const LoadedRecord& record) {
                const Member& m = record.member;
                return !m.name.empty() || !m.first_name.empty() || !m.last_name.empty();
            });
        const std::string said = "column " + column_named(headings, column) + ": " + std::to_string(count) +
                                 " formula cell(s) have no saved value";
        if (nobody_named) {
            return Failure{reader.path, 0,
                           said +
                               ", so nobody has a name: open and save the file in Excel or LibreOffice, "
                               "nothing written"};
        }
        say("Warning: %s: %s: open and save the file in Excel or LibreOffice\n", reader.path, said.c_str());
    }
    return std::nullopt;
}

// The sheet read holds nobody: the failure names the file's other sheets, one of which
// `Sheet:` may name.
void name_other_sheets(const Sheet& sheet, Failure* failure) {
    const std::string others = tabs_listed(sheet.tabs, sheet.name, true);
    if (others.empty()) return;
    const auto other = std::find_if(sheet.tabs.begin(), sheet.tabs.end(),
                                    [&](const SheetTab& tab) { return tab.name != sheet.name; });
    failure->reason = "sheet '" + sheet.name + "': " + failure->reason +
                      "; the file's other sheets: " + others +
                      " (name one in roster.sdd, as 'Sheet: " + other->name + "')";
}

// Reads the member list at `path` into `roster`, as load_roster describes.
[[nodiscard]] std::optional<Failure> load_list(const Settings& settings, const std::string& list,
                                               Roster* roster, bool join = true) {
    *roster = Roster();
    roster->path = list;
    const char* path = list.c_str();
    std::vector<ReadAhead> rows;
    Sheet sheet;
    if (std::optional<Failure> failure = read_member_rows(settings, path, &rows, &sheet)) return failure;
    // Rows the sheet hides are neither headings nor members until the headings are known.
    std::vector<ReadAhead> unshown;
    for (ReadAhead& row : rows) {
        if (row.state != ROW_SHOWN) unshown.push_back(std::move(row));
    }
    std::erase_if(rows, [](const ReadAhead& row) { return row.state != ROW_SHOWN; });
    if (rows.empty() && !sheet.tabs.empty()) {
        Failure failure{path, 0, "holds nothing it shows, nothing written"};
        name_other_sheets(sheet, &failure);
        return failure;
    }
    TableReader reader = {path, {}, role_words(settings), {}, {}, {}};
    // The header is looked for among the rows on the first lines.
    size_t ahead = 0;
    while (ahead < rows.size() && rows[ahead].line <= HEADER_SEARCH_LINES) ++ahead;
    const size_t header = find_header(std::span(rows).first(ahead), reader.words, settings, path);
    if (header == NO_HEADER) {
        Failure failure = {
            path, 0,
            "no headings found in the first " + std::to_string(HEADER_SEARCH_LINES) + " " + row_word(path) +
                "s: head the columns 'Role', 'First Name', 'Last Name' (or 'Name'), 'Address' and "
                "so on, or say in the Card block of roster.sdd which column is which"};
        name_other_sheets(sheet, &failure);  // perhaps the list is on another sheet
        return failure;
    }
    size_t first_member = header + 1;
    Cells headings;
    int header_line = 0;
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
        reader.map.joiner = settings.words.household_joiner;
        roster->detail_columns = detail_columns(reader.map, rows[header].cells);
        headings = rows[header].cells;
        header_line = rows[header].line;
    }
    for (size_t i = first_member; i < rows.size(); ++i) {
        if (!is_blank(rows[i].cells)) take_record(&reader, rows[i].cells, rows[i].line);
    }
    rows.clear();
    if (std::optional<Failure> failure =
            take_unshown_rows(&reader, settings, sheet, headings, &unshown, header_line)) {
        return failure;
    }
    report_merged_cells(sheet, headings, header_line, path);
    if (std::optional<Failure> failure = report_unsaved_formulas(reader, sheet, headings, header_line))
        return failure;
    Collation collation;
    open_collation(&collation, settings.sort_language);
    group_records(&reader.records, collation, roster);
    report_unknown_roles(path, std::move(reader.unknown_roles));
    const int members = static_cast<int>(roster->people.size());
    if (std::optional<Failure> failure = report_totals(path, reader.counts.records, members)) {
        name_other_sheets(sheet, &*failure);
        return failure;
    }
    if (reader.map.role < 0) {
        say("Warning: %s: no role column: all %d people printed as Members; add a Role column for Callers, "
            "Cuers and New Dancers\n",
            path, members);
    }
    report_private_members(reader.counts.private_members, settings);
    if (join && settings.households == HOUSEHOLDS_TOGETHER) join_households(roster, settings, path);
    return std::nullopt;
}

// The people a list holds (a household's card counts each of them).
int people_count(const Roster& roster) {
    int people = 0;
    for (int g = 0; g < GROUP_COUNT; ++g) people += group_people(roster, static_cast<Group>(g));
    return people;
}

// The file in `folder` named `name` whatever its letter case ("Members.XLSX"): every one,
// the exact name first.
std::vector<std::string> files_named(const std::filesystem::path& folder, const std::string& name) {
    std::vector<std::string> found;
    std::error_code error;
    for (const auto& entry : std::filesystem::directory_iterator(folder.empty() ? "." : folder, error)) {
        const std::string file = entry.path().filename().string();
        if (strcasecmp(file.c_str(), name.c_str()) == 0) found.push_back((folder / file).string());
    }
    std::sort(found.begin(), found.end(), [&](const std::string& a, const std::string& b) {
        const bool a_exact = std::filesystem::path(a).filename() == name;
        const bool b_exact = std::filesystem::path(b).filename() == name;
        return a_exact != b_exact ? a_exact : a < b;
    });
    return found;
}

// The member lists to read: the one roster.sdd names (found whatever its letter case); else,
// or when it names a members.csv that is not there, every members.csv, .xlsx, .ods and .xls
// there is, in that order; members.csv when none is.
std::vector<std::string> member_lists(const Settings& settings) {
    const std::filesystem::path named = settings.member_csv_path;
    std::error_code error;
    if (settings.member_list_named || named != DEFAULT_MEMBER_LIST) {
        if (std::filesystem::exists(named, error)) return {named.string()};
        const std::vector<std::string> found = files_named(named.parent_path(), named.filename().string());
        if (!found.empty()) return {found.front()};
        // Last season's roster.sdd names members.csv, which this season is a spreadsheet.
        if (named != DEFAULT_MEMBER_LIST) return {named.string()};
    }
    std::vector<std::string> lists = files_named("", DEFAULT_MEMBER_LIST);
    for (const char* extension : std::span(SPREADSHEET_EXTENSIONS).first(LOOKED_FOR_SPREADSHEETS)) {
        const std::string sheet = std::filesystem::path(named).replace_extension(extension).string();
        for (std::string& file : files_named("", sheet)) lists.push_back(std::move(file));
    }
    if (lists.empty()) lists.push_back(named.string());
    return lists;
}

// True when two lists give the same cards: the same people in the same groups, with the same
// names and details (the lines they come from may differ).
bool same_people(const Roster& a, const Roster& b) {
    const auto card = [](const Member& m) {
        return std::tie(m.first_name, m.last_name, m.name, m.sort_as, m.household, m.partner, m.details,
                        m.photo, m.photo_focus, m.photo_hidden);
    };
    const auto names = [](const PersonName& n) {
        return std::tie(n.first_name, n.last_name, n.name, n.sort_as);
    };
    if (a.starts != b.starts || a.people_in_group != b.people_in_group) return false;
    for (size_t i = 0; i < a.people.size(); ++i) {
        const Member& x = a.people[i];
        const Member& y = b.people[i];
        if (card(x) != card(y) || x.housemates.size() != y.housemates.size()) return false;
        for (size_t h = 0; h < x.housemates.size(); ++h) {
            if (names(x.housemates[h]) != names(y.housemates[h])) return false;
        }
    }
    return true;
}

// "members.csv (2025-09-14, 58 people)": a list as the secretary finds it in the folder.
std::string list_described(const std::string& path, const Roster& roster) {
    struct stat facts = {};
    char date[32] = "date unknown";
    struct tm local = {};
    if (stat(path.c_str(), &facts) == 0 && localtime_r(&facts.st_mtime, &local) != nullptr)
        strftime(date, sizeof date, "%Y-%m-%d", &local);
    const int people = people_count(roster);
    return path + " (" + date + ", " + std::to_string(people) + (people == 1 ? " person)" : " people)");
}

// Reads every list of `lists` (members.csv beside a members.xlsx, say). The same people in
// all: the first is read, said in a note, with what its reading said; else the run stops,
// naming each, for roster.sdd to name the one meant: a stale copy must never print.
[[nodiscard]] std::optional<Failure> load_one_of(const Settings& settings,
                                                 const std::vector<std::string>& lists, Roster* roster) {
    std::vector<Roster> read(lists.size());
    std::vector<std::string> said(lists.size());
    for (size_t i = 0; i < lists.size(); ++i) {
        std::optional<Failure> failure;
        said[i] = kept_messages([&] { failure = load_list(settings, lists[i], &read[i]); });
        if (failure) {
            say("%s", said[i].c_str());
            failure->reason += "; " + std::to_string(lists.size() - 1) +
                               " other member list(s) here too: name the one to read in roster.sdd, as "
                               "'Member List: " +
                               std::filesystem::path(lists[i == 0 ? 1 : 0]).filename().string() + "'";
            return failure;
        }
    }
    for (size_t i = 1; i < lists.size(); ++i) {
        if (same_people(read[0], read[i])) continue;
        std::vector<std::string> described;
        for (size_t j = 0; j < lists.size(); ++j) described.push_back(list_described(lists[j], read[j]));
        return Failure{"", 0,
                       joined_words(described) +
                           " are here and differ: name the one to read in roster.sdd, e.g. 'Member List: " +
                           std::filesystem::path(lists[0]).filename().string() + "'"};
    }
    say("%s", said[0].c_str());
    say("Note: %s hold the same people: read %s\n", joined_words(lists).c_str(), lists[0].c_str());
    *roster = std::move(read[0]);
    return std::nullopt;
}

}  // namespace

[[nodiscard]] std::optional<Failure> load_roster(const Settings& settings, Roster* roster) {
    const std::vector<std::string> lists = member_lists(settings);
    if (lists.size() == 1) return load_list(settings, lists[0], roster);
    return load_one_of(settings, lists, roster);
}

[[nodiscard]] std::optional<Failure> load_rows(const Settings& settings, const std::string& path,
                                               Roster* roster) {
    return load_list(settings, path, roster, false);
}

std::string family_first(const std::string& family, const std::string& given) {
    size_t characters = 0;
    bool chinese = !given.empty();
    for (const std::string* name : {&family, &given}) {
        for_each_code_point(*name, [&](int32_t c, size_t, size_t) {
            UErrorCode status = U_ZERO_ERROR;
            chinese = chinese && uscript_getScript(c, &status) == USCRIPT_HAN && U_SUCCESS(status);
            characters += name == &family;
            return chinese;
        });
    }
    return family + (chinese && characters == 1 ? "" : " ") + given;
}

std::vector<DetailValue> detail_values(const std::string& text) {
    std::vector<DetailValue> values;
    size_t line = 0;
    for (size_t start = 0; start <= text.size();) {
        const size_t end = std::min(text.find_first_of(std::string(",") + PERSON_BREAK, start), text.size());
        DetailValue value = {text.substr(start, end - start), "", line};
        if (end < text.size() && text[end] == PERSON_BREAK) ++line;
        start = end + 1;
        value.value.erase(0, std::min(value.value.find_first_not_of(' '), value.value.size()));
        value.value.erase(value.value.find_last_not_of(' ') + 1);
        const size_t open = value.value.rfind(" (");
        if (open != std::string::npos && value.value.back() == ')') {
            value.tag = value.value.substr(open + 2, value.value.size() - open - 3);
            value.value.resize(open);
        }
        if (!value.value.empty()) values.push_back(std::move(value));
    }
    return values;
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
