#include "roster/sheet.h"

#include <expat.h>
#include <strings.h>
#include <zip.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <map>
#include <memory>
#include <set>

#include "base/library.h"
#include "roster/columns.h"
#include "roster/number_format.h"

namespace {

// What expat calls back with, element names without their namespace prefix.
struct XmlHandlers {
    std::function<void(std::string_view name, const char** attributes)> start = [](auto, auto) {};
    std::function<void(std::string_view name)> end = [](auto) {};
    std::function<void(std::string_view text)> text = [](auto) {};
    XML_Parser parser = nullptr;  // set while parsing
    bool doctype = false;         // the part declared a DOCTYPE, which stopped the parse
};

std::string_view local_name(const char* name) {
    const char* colon = strrchr(name, ':');
    return colon != nullptr ? colon + 1 : name;
}

// The attribute whose local name is `name`, or null.
const char* attribute(const char** attributes, std::string_view name) {
    for (int i = 0; attributes[i] != nullptr; i += 2) {
        if (local_name(attributes[i]) == name) return attributes[i + 1];
    }
    return nullptr;
}

// An attribute's whole number, held within a billion either way; `otherwise` when absent.
// True when the attribute is set true, as "1" or "true".
bool attribute_true(const char** attributes, std::string_view name) {
    const char* value = attribute(attributes, name);
    return value != nullptr && (strcmp(value, "1") == 0 || strcmp(value, "true") == 0);
}

int attribute_number(const char** attributes, std::string_view name, int otherwise) {
    const char* value = attribute(attributes, name);
    if (value == nullptr) return otherwise;
    return static_cast<int>(std::clamp(strtoll(value, nullptr, 10), -1000000000LL, 1000000000LL));
}

struct ParserDeleter {
    void operator()(XML_Parser parser) const { XML_ParserFree(parser); }
};

// The libzip functions a spreadsheet file needs, looked up once in the loaded library. libzip
// and the libcrypto it links cost every run a few milliseconds of start-up: opened at the first
// spreadsheet file.
// clang-format off
#define LIBZIP_FUNCTIONS(F) \
    F(zip_open) F(zip_discard) F(zip_get_num_entries) F(zip_name_locate) F(zip_stat_init) F(zip_stat) \
    F(zip_fopen) F(zip_fread) F(zip_fclose)
// clang-format on

struct Libzip {
    bool loaded = true;  // false when a function is missing: the library did not load
    LIBZIP_FUNCTIONS(LIBRARY_FUNCTION)
};

Libzip open_libzip() {
    Libzip lib{};
#ifdef ROSTERBOOK_WEB
    LIBZIP_FUNCTIONS(LIBRARY_LINKED)
#else
    void* library = open_library("libzip.so.4");  // kept open for the process
    LIBZIP_FUNCTIONS(LIBRARY_LOOKED_UP)
#endif
    return lib;
}

// Loaded at the first spreadsheet file and kept: the table is only read after that.
const Libzip& libzip() {
    static const Libzip lib = open_libzip();
    return lib;
}

struct ZipDeleter {
    void operator()(zip_t* zip) const { libzip().zip_discard(zip); }
};

struct ZipFileDeleter {
    void operator()(zip_file_t* file) const { libzip().zip_fclose(file); }
};

// One spreadsheet file opened as a ZIP archive.
struct Package {
    const char* path;
    std::unique_ptr<zip_t, ZipDeleter> zip;
};

bool has_entry(const Package& package, const char* name) {
    return libzip().zip_name_locate(package.zip.get(), name, 0) >= 0;
}

// Streams the part `name` of the package through expat with `handlers`. A DOCTYPE is
// refused, so no entity is ever declared or fetched; the part may unpack to at most
// MAX_SHEET_PART_BYTES and MAX_PACKING_RATIO times its packed size.
[[nodiscard]] std::optional<Failure> parse_part(const Package& package, const std::string& name,
                                                XmlHandlers* handlers) {
    zip_stat_t stat;
    libzip().zip_stat_init(&stat);
    if (libzip().zip_stat(package.zip.get(), name.c_str(), 0, &stat) != 0)
        return Failure{package.path, 0, "damaged: " + name + " is missing"};
    std::unique_ptr<zip_file_t, ZipFileDeleter> file(libzip().zip_fopen(package.zip.get(), name.c_str(), 0));
    if (file == nullptr) return Failure{package.path, 0, "damaged: " + name + " cannot be unpacked"};
    std::unique_ptr<XML_ParserStruct, ParserDeleter> parser(XML_ParserCreate("UTF-8"));
    XML_SetUserData(parser.get(), handlers);
    XML_SetElementHandler(
        parser.get(),
        [](void* user, const XML_Char* element, const XML_Char** attributes) {
            static_cast<XmlHandlers*>(user)->start(local_name(element), attributes);
        },
        [](void* user, const XML_Char* element) {
            static_cast<XmlHandlers*>(user)->end(local_name(element));
        });
    XML_SetCharacterDataHandler(parser.get(), [](void* user, const XML_Char* text, int length) {
        static_cast<XmlHandlers*>(user)->text({text, static_cast<size_t>(length)});
    });
    // A spreadsheet's XML has no DOCTYPE; entities, which XML bombs and outside files come
    // in by, are declared in one. Stopped before anything in it is read.
    handlers->parser = parser.get();
    XML_SetStartDoctypeDeclHandler(parser.get(),
                                   [](void* user, const XML_Char*, const XML_Char*, const XML_Char*, int) {
                                       auto* self = static_cast<XmlHandlers*>(user);
                                       self->doctype = true;
                                       XML_StopParser(self->parser, XML_FALSE);
                                   });
    const long long packed =
        (stat.valid & ZIP_STAT_COMP_SIZE) != 0 ? static_cast<long long>(stat.comp_size) : 0;
    const long long limit = std::min(MAX_SHEET_PART_BYTES, MAX_PACKING_RATIO * packed + (1 << 20));
    long long unpacked = 0;
    std::vector<char> buffer(1 << 16);
    for (;;) {
        const zip_int64_t got = libzip().zip_fread(file.get(), buffer.data(), buffer.size());
        if (got < 0) return Failure{package.path, 0, "damaged or cut short: " + name + " cannot be unpacked"};
        unpacked += got;
        if (unpacked > limit) {
            return Failure{package.path, 0,
                           name + " unpacks to more than " +
                               (limit == MAX_SHEET_PART_BYTES
                                    ? std::to_string(MAX_SHEET_PART_BYTES >> 20) + " MiB"
                                    : std::to_string(MAX_PACKING_RATIO) + " times its packed size") +
                               ": not read (a damaged file, or a zip bomb)"};
        }
        if (XML_Parse(parser.get(), buffer.data(), static_cast<int>(got), got == 0) == XML_STATUS_ERROR) {
            if (handlers->doctype)
                return Failure{package.path, 0, "damaged: " + name + " declares a DOCTYPE, not read"};
            return Failure{package.path, 0,
                           "damaged: " + name + " line " +
                               std::to_string(XML_GetCurrentLineNumber(parser.get())) + ": " +
                               XML_ErrorString(XML_GetErrorCode(parser.get()))};
        }
        if (got == 0) return std::nullopt;
    }
}

// A cell's text as a card line takes it: line breaks become blanks, the ends trimmed.
std::string cell_text(std::string text) {
    std::replace_if(
        text.begin(), text.end(), [](char c) { return c == '\n' || c == '\r' || c == '\t'; }, ' ');
    const size_t start = text.find_first_not_of(' ');
    if (start == std::string::npos) return "";
    return text.substr(start, text.find_last_not_of(' ') - start + 1);
}

// "C" for column index 2.
std::string column_name(int column) {
    std::string name;
    for (int n = column + 1; n > 0; n = (n - 1) / 26)
        name.insert(name.begin(), static_cast<char>('A' + (n - 1) % 26));
    return name;
}

// The column of a cell reference ("BC12"), from 0; -1 when it has no letters.
int column_of(const char* reference) {
    int column = 0, letters = 0;
    for (; *reference >= 'A' && *reference <= 'Z' && letters < 4; ++reference, ++letters)
        column = column * 26 + (*reference - 'A' + 1);
    return letters > 0 ? column - 1 : -1;
}

// A row being read: its cells by column, kept within MAX_LIST_COLUMNS.
void put_cell(std::vector<std::string>* cells, int column, std::string text) {
    if (column < 0 || column >= MAX_LIST_COLUMNS || text.empty()) return;
    if (cells->size() <= static_cast<size_t>(column)) cells->resize(static_cast<size_t>(column) + 1);
    (*cells)[static_cast<size_t>(column)] = std::move(text);
}

// Where `column` of the sheet lands among a row's cells once the hidden columns are left out.
int shown_column(const std::set<int>& hidden_columns, int column) {
    return column -
           static_cast<int>(std::distance(hidden_columns.begin(), hidden_columns.lower_bound(column)));
}

// Takes a finished row into the sheet, its hidden columns left out.
void finish_row(Sheet* sheet, int number, std::vector<std::string> cells, RowState state,
                const std::set<int>& hidden_columns) {
    if (number > MAX_SHEET_ROWS) return;
    if (std::all_of(cells.begin(), cells.end(), [](const std::string& cell) { return cell.empty(); })) return;
    if (!hidden_columns.empty()) {
        std::vector<std::string> shown;
        for (size_t c = 0; c < cells.size(); ++c) {
            if (hidden_columns.count(static_cast<int>(c)) == 0) shown.push_back(std::move(cells[c]));
        }
        cells = std::move(shown);
    }
    sheet->rows.push_back({number, std::move(cells), state});
}

// The most rows under a merged cell that take its value: a household's, not a whole column's.
constexpr int MAX_MERGED_ROWS = 100;

// A merged range as the sheet gives it: rows from 1, columns from 0.
struct MergeRange {
    int first_row, last_row, first_column;
};

// Gives the value of each range merged down over several rows to every row under it that has
// the cell empty (a spreadsheet keeps it in the first row only), and notes the range. A
// range across columns gives nothing sideways: a title merged over A1:F1 stays one cell.
void spread_merged_cells(const std::vector<MergeRange>& ranges, const std::set<int>& hidden_columns,
                         Sheet* sheet) {
    for (const MergeRange& range : ranges) {
        if (range.last_row <= range.first_row || range.first_column < 0 ||
            hidden_columns.count(range.first_column) > 0)
            continue;
        const auto at = static_cast<size_t>(shown_column(hidden_columns, range.first_column));
        // The rows are in the sheet's order.
        const auto top =
            std::lower_bound(sheet->rows.begin(), sheet->rows.end(), range.first_row,
                             [](const SheetRow& row, int number) { return row.number < number; });
        if (top == sheet->rows.end() || top->number != range.first_row || top->cells.size() <= at ||
            top->cells[at].empty())
            continue;
        const int last_row = std::min(range.last_row, range.first_row + MAX_MERGED_ROWS);
        bool given = false;
        for (auto row = top + 1; row != sheet->rows.end() && row->number <= last_row; ++row) {
            if (row->cells.size() <= at) row->cells.resize(at + 1);
            if (!row->cells[at].empty()) continue;
            row->cells[at] = top->cells[at];
            given = true;
        }
        if (given) sheet->merged_down.push_back({range.first_row, last_row, static_cast<int>(at)});
    }
}

// Notes a formula cell saved without its value, unless its column is hidden.
void note_unsaved_formula(Sheet* sheet, const std::set<int>& hidden_columns, int column, int row) {
    if (column < 0 || column >= MAX_LIST_COLUMNS || hidden_columns.count(column) > 0) return;
    if (sheet->unsaved_formulas.size() < static_cast<size_t>(MAX_SHEET_ROWS))
        sheet->unsaved_formulas.push_back(
            {shown_column(hidden_columns, column), row, column_name(column) + std::to_string(row)});
}

// The sheet to read among `tabs`: the one named `sheet_name`, else the first not hidden;
// tabs.size() when there is none.
size_t choose_tab(const std::vector<SheetTab>& tabs, const std::string& sheet_name) {
    for (size_t i = 0; i < tabs.size(); ++i) {
        if (sheet_name.empty() ? !tabs[i].hidden : tabs[i].name == sheet_name) return i;
    }
    return tabs.size();
}

// `target` as a part's name, read from a relationship of a part in `folder` ("xl/worksheets/"):
// "../tables/table1.xml" is "xl/tables/table1.xml".
std::string part_named(std::string folder, const std::string& target) {
    if (target.starts_with("/")) return target.substr(1);
    std::string rest = target;
    while (rest.starts_with("../")) {
        rest.erase(0, 3);
        folder.erase(folder.find_last_of('/', folder.size() - 2) + 1);
    }
    return folder + rest;
}

// The relationships file of `part` ("xl/_rels/workbook.xml.rels" for "xl/workbook.xml").
std::string relationships_of(const std::string& part) {
    const size_t slash = part.rfind('/');
    const std::string folder = slash == std::string::npos ? "" : part.substr(0, slash + 1);
    return folder + "_rels/" + part.substr(folder.size()) + ".rels";
}

// Reads the relationships of `part` into `targets`: relationship id -> the part it names.
[[nodiscard]] std::optional<Failure> read_relationships(const Package& package, const std::string& part,
                                                        std::map<std::string, std::string>* targets) {
    const std::string folder = part.substr(0, part.rfind('/') + 1);
    XmlHandlers links;
    links.start = [&](std::string_view name, const char** attributes) {
        if (name == "Relationship" && attribute(attributes, "Id") && attribute(attributes, "Target"))
            (*targets)[attribute(attributes, "Id")] = part_named(folder, attribute(attributes, "Target"));
    };
    return parse_part(package, relationships_of(part), &links);
}

// ---- .xlsx -----------------------------------------------------------------------------

struct Workbook {
    std::vector<SheetTab> tabs;
    std::vector<std::string> sheet_ids;  // by tab, its relationship id
    bool date1904 = false;
    std::map<std::string, std::string> targets;  // relationship id -> part
    std::vector<std::string> strings;            // the shared strings
    std::vector<std::string> cell_formats;       // by style index, the number format's code
};

[[nodiscard]] std::optional<Failure> read_workbook(const Package& package, Workbook* book) {
    XmlHandlers workbook;
    workbook.start = [&](std::string_view name, const char** attributes) {
        if (name == "sheet") {
            const char* sheet_name = attribute(attributes, "name");
            const char* id = attribute(attributes, "id");
            const char* state = attribute(attributes, "state");  // "hidden", "veryHidden"
            if (sheet_name != nullptr && id != nullptr) {
                book->tabs.push_back({sheet_name, state != nullptr && strcmp(state, "visible") != 0});
                book->sheet_ids.emplace_back(id);
            }
        } else if (name == "workbookPr") {
            book->date1904 = attribute_true(attributes, "date1904");
        }
    };
    std::optional<Failure> failure = parse_part(package, "xl/workbook.xml", &workbook);
    if (!failure) failure = read_relationships(package, "xl/workbook.xml", &book->targets);
    return failure;
}

[[nodiscard]] std::optional<Failure> read_shared_strings(const Package& package, Workbook* book) {
    if (!has_entry(package, "xl/sharedStrings.xml")) return std::nullopt;
    XmlHandlers handlers;
    bool in_text = false;
    int phonetic = 0;  // inside a reading guide (rPh), whose text is not the cell's
    handlers.start = [&](std::string_view name, const char**) {
        if (name == "si" && book->strings.size() < MAX_SHARED_STRINGS)
            book->strings.emplace_back();
        else if (name == "rPh")
            ++phonetic;
        else if (name == "t")
            in_text = phonetic == 0 && !book->strings.empty();
    };
    handlers.end = [&](std::string_view name) {
        if (name == "rPh") --phonetic;
        if (name == "t") in_text = false;
    };
    handlers.text = [&](std::string_view text) {
        if (in_text && book->strings.back().size() < MAX_SHEET_CELL_BYTES) book->strings.back() += text;
    };
    std::optional<Failure> failure = parse_part(package, "xl/sharedStrings.xml", &handlers);
    return failure;
}

[[nodiscard]] std::optional<Failure> read_styles(const Package& package, Workbook* book) {
    if (!has_entry(package, "xl/styles.xml")) return std::nullopt;
    std::map<int, std::string> custom;
    std::vector<int> format_ids;
    bool in_cell_formats = false;
    XmlHandlers handlers;
    handlers.start = [&](std::string_view name, const char** attributes) {
        if (name == "numFmt" && attribute(attributes, "formatCode"))
            custom[attribute_number(attributes, "numFmtId", -1)] = attribute(attributes, "formatCode");
        else if (name == "cellXfs")
            in_cell_formats = true;
        else if (name == "xf" && in_cell_formats)
            format_ids.push_back(attribute_number(attributes, "numFmtId", 0));
    };
    handlers.end = [&](std::string_view name) {
        if (name == "cellXfs") in_cell_formats = false;
    };
    std::optional<Failure> failure = parse_part(package, "xl/styles.xml", &handlers);
    for (int id : format_ids) {
        auto found = custom.find(id);
        book->cell_formats.emplace_back(found != custom.end() ? found->second
                                                              : std::string(builtin_number_format(id)));
    }
    return failure;
}

// The text a cell of type `type` with the value `value` and style `style` shows.
std::string xlsx_cell_text(const Workbook& book, const std::string& type, const std::string& value, int style,
                           int column, Sheet* sheet, std::set<std::string>* said) {
    if (type == "s") {
        const long index = strtol(value.c_str(), nullptr, 10);
        return index >= 0 && static_cast<size_t>(index) < book.strings.size()
                   ? book.strings[static_cast<size_t>(index)]
                   : "";
    }
    if (type == "b") return value == "1" ? "TRUE" : "FALSE";
    if (!type.empty() && type != "n") return value;  // str, inlineStr, e, d: as written
    if (value.empty()) return "";
    char* end = nullptr;
    const double number = strtod(value.c_str(), &end);
    if (end == value.c_str()) return value;
    const std::string code = style >= 0 && static_cast<size_t>(style) < book.cell_formats.size()
                                 ? book.cell_formats[static_cast<size_t>(style)]
                                 : "";
    std::string shown;
    if (!format_number(number, code, book.date1904, &shown)) {
        const std::string raw = "column " + column_name(column) + ": " + code;
        if (said->insert(raw).second) sheet->raw_formats.push_back(raw);
    }
    return shown;
}

// One filtered column of an autoFilter: the values it shows, when it is a plain list of them
// (Excel's ticked values); a condition (a custom, date, colour or top-ten filter) cannot be read
// back, so every hidden row under it is taken for the filter's.
struct FilterColumn {
    int column = 0;  // counted from the filter's first column
    bool values_only = true, blanks = false;
    std::set<std::string> values;  // ASCII-lowercased, as Excel matches them
};

// An autoFilter's range ("A1:J40"): its first column and its first and last rows.
struct FilterRange {
    int first_column = 0, first_row = 0, last_row = 0;
    std::vector<FilterColumn> columns;
};

FilterRange filter_range(const char* reference) {
    FilterRange range;
    if (reference == nullptr) return range;
    range.first_column = std::max(column_of(reference), 0);
    const char* digits = reference + strspn(reference, "ABCDEFGHIJKLMNOPQRSTUVWXYZ$");
    range.first_row = atoi(digits);
    const char* colon = strchr(reference, ':');
    range.last_row = colon != nullptr ? atoi(colon + 1 + strspn(colon + 1, "ABCDEFGHIJKLMNOPQRSTUVWXYZ$"))
                                      : MAX_SHEET_ROWS;
    return range;
}

std::string ascii_lowercase(std::string text) {
    for (char& c : text) c = static_cast<char>(c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c);
    return text;
}

// Reads an autoFilter's range, one of its filterColumns or what that column shows into
// `filter`; false for any other element.
bool read_filter_element(std::string_view name, const char** attributes, FilterRange* filter) {
    FilterColumn* last = filter->columns.empty() ? nullptr : &filter->columns.back();
    if (name == "autoFilter") {
        *filter = filter_range(attribute(attributes, "ref"));
    } else if (name == "filterColumn" && filter->columns.size() < MAX_LIST_COLUMNS) {
        filter->columns.push_back({attribute_number(attributes, "colId", 0), true, false, {}});
    } else if (name == "filters" && last != nullptr) {
        last->blanks = attribute_true(attributes, "blank");
    } else if (name == "filter" && last != nullptr && attribute(attributes, "val") != nullptr) {
        if (last->values.size() < 65536) last->values.insert(ascii_lowercase(attribute(attributes, "val")));
    } else if (last != nullptr &&
               (name == "customFilters" || name == "dynamicFilter" || name == "top10" ||
                name == "colorFilter" || name == "iconFilter" || name == "dateGroupItem")) {
        last->values_only = false;
    } else {
        return false;
    }
    return true;
}

// Notes that a filter tests the sheet's column `column`, unless that column is hidden.
void add_filter_column(Sheet* sheet, const std::set<int>& hidden_columns, int column) {
    if (column >= 0 && column < MAX_LIST_COLUMNS && hidden_columns.count(column) == 0)
        sheet->filter_columns.push_back(shown_column(hidden_columns, column));
}

// Whether the filter would show `row`: each of its columns a plain list of values that holds
// the row's cell. Such a row, hidden all the same, was hidden by hand.
bool filter_shows(const FilterRange& range, const std::set<int>& hidden_columns, const SheetRow& row) {
    for (const FilterColumn& filtered : range.columns) {
        const int column = range.first_column + filtered.column;
        if (!filtered.values_only || hidden_columns.count(column) != 0) return false;
        const size_t shown = static_cast<size_t>(shown_column(hidden_columns, column));
        const std::string cell = shown < row.cells.size() ? row.cells[shown] : "";
        if (cell.empty() ? !filtered.blanks : filtered.values.count(ascii_lowercase(cell)) == 0) return false;
    }
    return true;
}

// Excel marks the rows a filter hides as hidden, as it does rows hidden by hand: the hidden
// rows under the headings of a filter that tests a column are the filter's, but for those the
// filter would show.
void mark_filtered_rows(const FilterRange& range, const std::set<int>& hidden_columns, Sheet* sheet) {
    if (range.columns.empty()) return;
    for (SheetRow& row : sheet->rows) {
        if (row.state == ROW_HIDDEN && row.number > range.first_row && row.number <= range.last_row &&
            !filter_shows(range, hidden_columns, row))
            row.state = ROW_FILTERED;
    }
    for (const FilterColumn& filtered : range.columns)
        add_filter_column(sheet, hidden_columns, range.first_column + filtered.column);
}

// The filters of an Excel table ("Format as Table") on the sheet at `part`: each keeps its
// own autoFilter, and the rows it hides are marked hidden in the sheet as a sheet's filter's are.
[[nodiscard]] std::optional<Failure> read_table_filters(const Package& package, const std::string& part,
                                                        const std::vector<std::string>& tables,
                                                        const std::set<int>& hidden_columns, Sheet* sheet) {
    if (!has_entry(package, relationships_of(part).c_str())) return std::nullopt;
    std::map<std::string, std::string> targets;
    if (std::optional<Failure> failure = read_relationships(package, part, &targets)) return failure;
    for (const std::string& id : tables) {
        auto target = targets.find(id);
        if (target == targets.end() || !has_entry(package, target->second.c_str())) continue;
        FilterRange filter;
        XmlHandlers table;
        table.start = [&](std::string_view name, const char** attributes) {
            read_filter_element(name, attributes, &filter);
        };
        if (std::optional<Failure> failure = parse_part(package, target->second, &table)) return failure;
        mark_filtered_rows(filter, hidden_columns, sheet);
    }
    return std::nullopt;
}

[[nodiscard]] std::optional<Failure> read_xlsx_sheet(const Package& package, const Workbook& book,
                                                     const std::string& part, Sheet* sheet) {
    std::set<int> hidden_columns;
    std::set<std::string> said;
    std::vector<std::string> cells;
    int row = 0, column = -1, style = -1;
    bool hidden = false, in_value = false, formula = false;
    std::string type, value;
    FilterRange filter;
    std::vector<std::string> tables;  // the relationship ids of the sheet's tables
    std::vector<MergeRange> merges;
    XmlHandlers handlers;
    handlers.start = [&](std::string_view name, const char** attributes) {
        if (name == "col") {
            if (attribute_true(attributes, "hidden")) {
                const int last = std::min(attribute_number(attributes, "max", 0), MAX_LIST_COLUMNS);
                for (int c = attribute_number(attributes, "min", 1); c >= 1 && c <= last; ++c)
                    hidden_columns.insert(c - 1);
            }
        } else if (name == "row") {
            row = std::min(std::max(attribute_number(attributes, "r", row + 1), row + 1), MAX_SHEET_ROWS + 1);
            hidden = attribute_true(attributes, "hidden");
            cells.clear();
            column = -1;
        } else if (name == "c") {
            const char* reference = attribute(attributes, "r");
            column = reference != nullptr ? column_of(reference) : column + 1;
            const char* cell_type = attribute(attributes, "t");
            type = cell_type != nullptr ? cell_type : "";
            style = attribute_number(attributes, "s", -1);
            value.clear();
            formula = false;
        } else if (name == "v" || (name == "t" && type == "inlineStr")) {
            in_value = true;
        } else if (name == "f") {
            formula = true;
        } else if (name == "mergeCell" && attribute(attributes, "ref") != nullptr && merges.size() < 65536) {
            const char* ref = attribute(attributes, "ref");  // "D5:D6"
            const char* colon = strchr(ref, ':');
            const auto row_of = [](const char* reference) {
                while (*reference >= 'A' && *reference <= 'Z') ++reference;
                return atoi(reference);
            };
            if (colon != nullptr) merges.push_back({row_of(ref), row_of(colon + 1), column_of(ref)});
        } else if (name == "tablePart" && attribute(attributes, "id") != nullptr && tables.size() < 256) {
            tables.emplace_back(attribute(attributes, "id"));
        } else {
            read_filter_element(name, attributes, &filter);
        }
    };
    handlers.end = [&](std::string_view name) {
        if (name == "v" || name == "t") in_value = false;
        if (name == "c" && formula && value.empty()) note_unsaved_formula(sheet, hidden_columns, column, row);
        if (name == "c" && hidden_columns.count(column) == 0)
            put_cell(&cells, column,
                     cell_text(xlsx_cell_text(book, type, value, style, column, sheet, &said)));
        if (name == "row")
            finish_row(sheet, row, std::move(cells), hidden ? ROW_HIDDEN : ROW_SHOWN, hidden_columns);
    };
    handlers.text = [&](std::string_view text) {
        if (in_value && value.size() < MAX_SHEET_CELL_BYTES) value += text;
    };
    std::optional<Failure> failure = parse_part(package, part, &handlers);
    mark_filtered_rows(filter, hidden_columns, sheet);
    spread_merged_cells(merges, hidden_columns, sheet);
    if (!failure && !tables.empty())
        failure = read_table_filters(package, part, tables, hidden_columns, sheet);
    sheet->hidden_columns = static_cast<int>(hidden_columns.size());
    return failure;
}

// The failure when the file has no sheet `sheet_name` ("" for none visible), naming the
// sheets it has: "has no sheet 'Members 2027'; its sheets: 'Old' (hidden), 'Members'".
Failure no_such_sheet(const char* path, const std::string& sheet_name, const std::vector<SheetTab>& tabs) {
    const std::string list = tabs_listed(tabs, "", true);
    return Failure{
        path, 0,
        (sheet_name.empty() ? std::string("has no visible sheet") : "has no sheet '" + sheet_name + "'") +
            "; its sheets: " + (list.empty() ? "none" : list)};
}

[[nodiscard]] std::optional<Failure> read_xlsx(const Package& package, const std::string& sheet_name,
                                               Sheet* sheet) {
    Workbook book;
    std::optional<Failure> failure = read_workbook(package, &book);
    if (!failure) failure = read_shared_strings(package, &book);
    if (!failure) failure = read_styles(package, &book);
    if (failure) return failure;
    const size_t chosen = choose_tab(book.tabs, sheet_name);
    if (chosen == book.tabs.size()) return no_such_sheet(package.path, sheet_name, book.tabs);
    sheet->tabs = book.tabs;
    sheet->name = book.tabs[chosen].name;
    auto target = book.targets.find(book.sheet_ids[chosen]);
    if (target == book.targets.end())
        return Failure{package.path, 0, "damaged: sheet '" + sheet->name + "' has no part"};
    return read_xlsx_sheet(package, book, target->second, sheet);
}

// ---- .ods ------------------------------------------------------------------------------

// Where a database range ("'Members 2026'.A1:'Members 2026'.J40", "$Members.$A$1:.$J$40")
// starts: the sheet it is on and its first column.
void range_start(const char* address, std::string* sheet_name, int* first_column) {
    std::string start = address != nullptr ? address : "";
    start = start.substr(0, start.find(':'));
    std::erase(start, '$');
    const size_t dot = start.rfind('.');
    std::string name = dot == std::string::npos ? "" : start.substr(0, dot);
    if (name.size() >= 2 && name.front() == '\'' && name.back() == '\'') {
        name = name.substr(1, name.size() - 2);
        for (size_t at = name.find("''"); at != std::string::npos; at = name.find("''", at + 1))
            name.erase(at, 1);
    }
    *sheet_name = name;
    *first_column = std::max(column_of(start.c_str() + (dot == std::string::npos ? 0 : dot + 1)), 0);
}

// True when a cell's attributes hold the value it shows (a formula's saved result among them).
bool ods_cell_valued(const char** attributes) {
    for (const char* name : {"value", "date-value", "time-value", "boolean-value", "string-value"}) {
        if (attribute(attributes, name) != nullptr) return true;
    }
    return false;
}

[[nodiscard]] std::optional<Failure> read_ods(const Package& package, const std::string& sheet_name,
                                              Sheet* sheet) {
    std::set<std::string> hidden_styles;  // the table styles that hide their sheet
    std::string style;                    // the automatic style being read
    std::set<int> hidden_columns;
    std::vector<std::string> cells;
    std::vector<int> filtered_columns;  // as the sheet counts them
    std::string text;
    bool active = false, done = false, in_cell = false, formula = false, valued = false, range_here = false;
    RowState state = ROW_SHOWN;
    int row = 0, row_repeat = 1, column = 0, cell_repeat = 1, column_at = 0, paragraphs = 0, range_column = 0;
    std::vector<MergeRange> merges;
    XmlHandlers handlers;
    handlers.start = [&](std::string_view name, const char** attributes) {
        if (name == "style") {
            const char* style_name = attribute(attributes, "name");
            style = style_name != nullptr ? style_name : "";
        } else if (name == "table-properties") {
            const char* display = attribute(attributes, "display");
            if (display != nullptr && strcmp(display, "false") == 0) hidden_styles.insert(style);
        } else if (name == "table") {
            const char* table_name = attribute(attributes, "name");
            const char* table_style = attribute(attributes, "style-name");
            sheet->tabs.push_back({table_name != nullptr ? table_name : "",
                                   table_style != nullptr && hidden_styles.count(table_style) > 0});
            const SheetTab& tab = sheet->tabs.back();
            active = !done && (sheet_name.empty() ? !tab.hidden : tab.name == sheet_name);
            if (active) sheet->name = tab.name;
        } else if (name == "database-range") {
            // LibreOffice keeps the filters after the sheets, each on its range.
            std::string on;
            range_start(attribute(attributes, "target-range-address"), &on, &range_column);
            range_here = done && on == sheet->name;
        } else if (name == "filter-condition" && range_here && filtered_columns.size() < MAX_LIST_COLUMNS) {
            filtered_columns.push_back(range_column + attribute_number(attributes, "field-number", 0));
        } else if (!active) {
            return;
        } else if (name == "table-column") {
            const int repeat =
                std::clamp(attribute_number(attributes, "number-columns-repeated", 1), 1, MAX_LIST_COLUMNS);
            const char* visibility = attribute(attributes, "visibility");
            for (int c = column_at; c < std::min(column_at + repeat, MAX_LIST_COLUMNS); ++c) {
                if (visibility != nullptr && strcmp(visibility, "visible") != 0) hidden_columns.insert(c);
            }
            column_at += repeat;
        } else if (name == "table-row") {
            row_repeat =
                std::clamp(attribute_number(attributes, "number-rows-repeated", 1), 1, MAX_SHEET_ROWS);
            const char* visibility = attribute(attributes, "visibility");
            // "filter": hidden by a filter; "collapse": by hand.
            state = visibility == nullptr                 ? ROW_SHOWN
                    : strcmp(visibility, "filter") == 0   ? ROW_FILTERED
                    : strcmp(visibility, "collapse") == 0 ? ROW_HIDDEN
                                                          : ROW_SHOWN;
            cells.clear();
            column = 0;
        } else if (name == "table-cell" || name == "covered-table-cell") {
            cell_repeat = std::max(attribute_number(attributes, "number-columns-repeated", 1), 1);
            const int rows_spanned =
                std::clamp(attribute_number(attributes, "number-rows-spanned", 1), 1, MAX_SHEET_ROWS);
            if (rows_spanned > 1 && merges.size() < 65536)
                merges.push_back({row + 1, row + rows_spanned, column});
            formula = attribute(attributes, "formula") != nullptr;
            valued = ods_cell_valued(attributes);
            in_cell = true;
            paragraphs = 0;
            text.clear();
        } else if (name == "p" && in_cell) {
            if (paragraphs++ > 0) text += ' ';
        } else if (name == "s" && in_cell) {
            text.append(static_cast<size_t>(std::clamp(attribute_number(attributes, "c", 1), 1, 100)), ' ');
        } else if ((name == "tab" || name == "line-break") && in_cell) {
            text += ' ';
        }
    };
    handlers.end = [&](std::string_view name) {
        if (name == "database-range") range_here = false;
        if (!active) return;
        if (name == "table") {
            active = false;
            done = true;
        } else if (name == "table-cell" || name == "covered-table-cell") {
            in_cell = false;
            const std::string shown = cell_text(text);
            if (formula && !valued && shown.empty())
                note_unsaved_formula(sheet, hidden_columns, column, row + 1);
            for (int i = 0; i < cell_repeat && !shown.empty() && column + i < MAX_LIST_COLUMNS; ++i)
                put_cell(&cells, column + i, shown);
            column = static_cast<int>(
                std::min<long long>(static_cast<long long>(column) + cell_repeat, MAX_LIST_COLUMNS));
        } else if (name == "table-row") {
            // Rows repeated with a value are the same row again; empty ones only count.
            const int copies = cells.empty() ? 1 : std::min(row_repeat, 1000);
            for (int i = 0; i < copies; ++i) finish_row(sheet, row + 1 + i, cells, state, hidden_columns);
            row = std::min(row + row_repeat, MAX_SHEET_ROWS + 1);
        }
    };
    handlers.text = [&](std::string_view chunk) {
        if (in_cell && text.size() < MAX_SHEET_CELL_BYTES) text += chunk;
    };
    std::optional<Failure> failure = parse_part(package, "content.xml", &handlers);
    if (!failure && !done) return no_such_sheet(package.path, sheet_name, sheet->tabs);
    for (int at : filtered_columns) add_filter_column(sheet, hidden_columns, at);
    spread_merged_cells(merges, hidden_columns, sheet);
    sheet->hidden_columns = static_cast<int>(hidden_columns.size());
    return failure;
}

// True when an OpenDocument file's manifest says its parts are encrypted (a password).
bool ods_encrypted(const Package& package) {
    if (!has_entry(package, "META-INF/manifest.xml")) return false;
    XmlHandlers handlers;
    bool encrypted = false;
    handlers.start = [&](std::string_view name, const char**) {
        encrypted = encrypted || name == "encryption-data";
    };
    return !parse_part(package, "META-INF/manifest.xml", &handlers) && encrypted;
}

// True when the OLE file at `path` holds an EncryptedPackage stream: an .xlsx with a
// password, which Excel wraps so. Its directory names streams in UTF-16.
bool ole_encrypted(const char* path) {
    FILE* file = fopen(path, "rb");
    if (file == nullptr) return false;
    static constexpr char NAME[] = "E\0n\0c\0r\0y\0p\0t\0e\0d\0P\0a\0c\0k\0a\0g\0e\0";
    const std::string_view name(NAME, sizeof NAME - 1);
    std::string window;
    std::vector<char> buffer(1 << 16);
    bool found = false;
    for (size_t got; !found && (got = fread(buffer.data(), 1, buffer.size(), file)) > 0;) {
        window.append(buffer.data(), got);
        found = window.find(name) != std::string::npos;
        window.erase(0, window.size() - std::min(window.size(), name.size()));
    }
    fclose(file);
    return found;
}

constexpr const char* PASSWORD_PROTECTED =
    "password-protected: remove the password or save a copy as CSV UTF-8";

}  // namespace

std::string tabs_listed(const std::vector<SheetTab>& tabs, const std::string& except, bool hidden_too) {
    std::string list;
    for (const SheetTab& tab : tabs) {
        if (tab.name == except || (tab.hidden && !hidden_too)) continue;
        list += (list.empty() ? "'" : ", '") + tab.name + "'" + (tab.hidden ? " (hidden)" : "");
    }
    return list;
}

bool has_extension(std::string_view path, std::string_view extension) {
    return path.size() >= extension.size() &&
           strncasecmp(path.data() + path.size() - extension.size(), extension.data(), extension.size()) == 0;
}

bool named_as_spreadsheet(std::string_view path) {
    return std::any_of(std::begin(SPREADSHEET_EXTENSIONS), std::end(SPREADSHEET_EXTENSIONS),
                       [&](const char* extension) { return has_extension(path, extension); });
}

const char* row_word(std::string_view path) { return named_as_spreadsheet(path) ? "row" : "line"; }

bool is_spreadsheet_file(std::string_view head) {
    return head.starts_with("PK\x03\x04") || head.starts_with("\xD0\xCF\x11\xE0\xA1\xB1\x1A\xE1");
}

[[nodiscard]] std::optional<Failure> not_a_spreadsheet(const char* path, std::string_view head) {
    if (is_spreadsheet_file(head) || !named_as_spreadsheet(path)) return std::nullopt;
    const std::string save_again =
        ", not a spreadsheet: open it in your spreadsheet program and save it as .xlsx";
    if (head.find_first_not_of('\0') == std::string_view::npos) {
        return Failure{
            path, 0,
            "holds nothing but zero bytes, not a spreadsheet (a copy or sync that did not finish?): "
            "copy or export the member list again"};
    }
    std::string start(head.substr(0, 4096));
    for (char& c : start) c = static_cast<char>(tolower(static_cast<unsigned char>(c)));
    const size_t first = start.find_first_not_of(" \t\r\n\xef\xbb\xbf");
    const bool markup = first != std::string::npos && start[first] == '<';
    if (markup &&
        (start.find("<html") != std::string::npos || start.find("<!doctype html") != std::string::npos ||
         start.find("<table") != std::string::npos))
        return Failure{path, 0, "a web page" + save_again};
    if (markup)
        return Failure{path, 0, "an XML file (an Excel 2003 XML or flat OpenDocument file?)" + save_again};
    const bool text =
        std::all_of(head.begin(), head.begin() + static_cast<long>(std::min<size_t>(head.size(), 4096)),
                    [](char c) { return c != '\0'; });
    if (text) {
        return Failure{
            path, 0,
            "a text file, not a spreadsheet: if it is a CSV export, name it .csv; else open it in your "
            "spreadsheet program and save it as .xlsx"};
    }
    return Failure{
        path, 0,
        "not a spreadsheet file (its first bytes are not those of an .xlsx, .ods or .xls): copy or "
        "export the member list again"};
}

[[nodiscard]] std::optional<Failure> read_sheet(const char* path, const std::string& sheet_name,
                                                Sheet* sheet) {
    *sheet = Sheet();
    FILE* file = fopen(path, "rb");
    char head[8] = {};
    const size_t got = file != nullptr ? fread(head, 1, sizeof head, file) : 0;
    if (file != nullptr) fclose(file);
    const std::string_view name(path);
    if (std::string_view(head, got).starts_with("\xD0\xCF\x11\xE0")) {
        // An OLE file: Excel 97-2003's own format, or an encrypted .xlsx, which Excel
        // wraps in one.
        if (ole_encrypted(path)) return Failure{path, 0, PASSWORD_PROTECTED};
        return Failure{path, 0, "an Excel 97-2003 file: save it as .xlsx (Excel Workbook) or as CSV UTF-8"};
    }
    if (!libzip().loaded) {
        return Failure{path, 0,
                       "a spreadsheet file needs libzip (Debian package libzip4); install it, or save the "
                       "member list as CSV UTF-8"};
    }
    int error = 0;
    Package package = {path, std::unique_ptr<zip_t, ZipDeleter>(libzip().zip_open(path, ZIP_RDONLY, &error))};
    if (package.zip == nullptr)
        return Failure{path, 0, "damaged or cut short: not a complete spreadsheet file"};
    if (libzip().zip_get_num_entries(package.zip.get(), 0) > MAX_SHEET_ENTRIES) {
        return Failure{path, 0, "holds more than " + std::to_string(MAX_SHEET_ENTRIES) + " files: not read"};
    }
    if (has_extension(name, ".numbers") || has_entry(package, "Index/Document.iwa"))
        return Failure{path, 0, NUMBERS_FILE};
    if (has_entry(package, "xl/workbook.xml")) return read_xlsx(package, sheet_name, sheet);
    if (ods_encrypted(package)) return Failure{path, 0, PASSWORD_PROTECTED};
    if (has_entry(package, "content.xml")) return read_ods(package, sheet_name, sheet);
    return Failure{path, 0,
                   "a ZIP file, not a spreadsheet: save the member list as .xlsx, .ods or CSV UTF-8"};
}
