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

struct ZipDeleter {
    void operator()(zip_t* zip) const { zip_discard(zip); }
};

struct ZipFileDeleter {
    void operator()(zip_file_t* file) const { zip_fclose(file); }
};

// One spreadsheet file opened as a ZIP archive.
struct Package {
    const char* path;
    std::unique_ptr<zip_t, ZipDeleter> zip;
};

bool has_entry(const Package& package, const char* name) {
    return zip_name_locate(package.zip.get(), name, 0) >= 0;
}

// Streams the part `name` of the package through expat with `handlers`. A DOCTYPE is
// refused, so no entity is ever declared or fetched; the part may unpack to at most
// MAX_SHEET_PART_BYTES and MAX_PACKING_RATIO times its packed size.
std::optional<Failure> parse_part(const Package& package, const std::string& name, XmlHandlers* handlers) {
    zip_stat_t stat;
    zip_stat_init(&stat);
    if (zip_stat(package.zip.get(), name.c_str(), 0, &stat) != 0)
        return Failure{package.path, 0, "damaged: " + name + " is missing"};
    std::unique_ptr<zip_file_t, ZipFileDeleter> file(zip_fopen(package.zip.get(), name.c_str(), 0));
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
        const zip_int64_t got = zip_fread(file.get(), buffer.data(), buffer.size());
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

// Takes a finished row into the sheet, its hidden columns left out.
void finish_row(Sheet* sheet, int number, std::vector<std::string> cells, bool hidden, bool filtered,
                const std::set<int>& hidden_columns) {
    if (number > MAX_SHEET_ROWS) return;
    if (std::all_of(cells.begin(), cells.end(), [](const std::string& cell) { return cell.empty(); })) return;
    if (hidden || filtered) {
        ++(filtered ? sheet->filtered_rows : sheet->hidden_rows);
        return;
    }
    if (!hidden_columns.empty()) {
        std::vector<std::string> shown;
        for (size_t c = 0; c < cells.size(); ++c) {
            if (hidden_columns.count(static_cast<int>(c)) == 0) shown.push_back(std::move(cells[c]));
        }
        cells = std::move(shown);
    }
    sheet->rows.push_back({number, std::move(cells)});
}

// ---- .xlsx -----------------------------------------------------------------------------

struct Workbook {
    std::vector<std::pair<std::string, std::string>> sheets;  // name, relationship id
    bool date1904 = false;
    std::map<std::string, std::string> targets;  // relationship id -> part
    std::vector<std::string> strings;            // the shared strings
    std::vector<std::string> cell_formats;       // by style index, the number format's code
};

std::optional<Failure> read_workbook(const Package& package, Workbook* book) {
    XmlHandlers workbook;
    workbook.start = [&](std::string_view name, const char** attributes) {
        if (name == "sheet") {
            const char* sheet_name = attribute(attributes, "name");
            const char* id = attribute(attributes, "id");
            if (sheet_name != nullptr && id != nullptr) book->sheets.emplace_back(sheet_name, id);
        } else if (name == "workbookPr") {
            book->date1904 = attribute_true(attributes, "date1904");
        }
    };
    XmlHandlers relationships;
    relationships.start = [&](std::string_view name, const char** attributes) {
        if (name == "Relationship" && attribute(attributes, "Id") && attribute(attributes, "Target")) {
            std::string target = attribute(attributes, "Target");
            target = target.starts_with("/") ? target.substr(1) : "xl/" + target;
            book->targets[attribute(attributes, "Id")] = target;
        }
    };
    std::optional<Failure> failure = parse_part(package, "xl/workbook.xml", &workbook);
    if (!failure) failure = parse_part(package, "xl/_rels/workbook.xml.rels", &relationships);
    return failure;
}

std::optional<Failure> read_shared_strings(const Package& package, Workbook* book) {
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

std::optional<Failure> read_styles(const Package& package, Workbook* book) {
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

std::optional<Failure> read_xlsx_sheet(const Package& package, const Workbook& book, const std::string& part,
                                       Sheet* sheet) {
    std::set<int> hidden_columns;
    std::set<std::string> said;
    std::vector<std::string> cells;
    int row = 0, column = -1, style = -1;
    bool hidden = false, in_value = false;
    std::string type, value;
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
        } else if (name == "v" || (name == "t" && type == "inlineStr")) {
            in_value = true;
        } else if (name == "autoFilter") {
            sheet->filter = true;
        }
    };
    handlers.end = [&](std::string_view name) {
        if (name == "v" || name == "t") in_value = false;
        if (name == "c" && hidden_columns.count(column) == 0)
            put_cell(&cells, column,
                     cell_text(xlsx_cell_text(book, type, value, style, column, sheet, &said)));
        if (name == "row") finish_row(sheet, row, std::move(cells), hidden, false, hidden_columns);
    };
    handlers.text = [&](std::string_view text) {
        if (in_value && value.size() < MAX_SHEET_CELL_BYTES) value += text;
    };
    std::optional<Failure> failure = parse_part(package, part, &handlers);
    // Excel marks the rows a filter hides as hidden, as it does rows hidden by hand: with a
    // filter on, they are the filter's.
    if (sheet->filter) std::swap(sheet->filtered_rows, sheet->hidden_rows);
    sheet->hidden_columns = static_cast<int>(hidden_columns.size());
    return failure;
}

// The failure when the file has no sheet `sheet_name` ("" for none at all), naming the
// sheets it has: "has no sheet 'Members 2027'; its sheets: 'Old', 'Members'".
Failure no_such_sheet(const char* path, const std::string& sheet_name,
                      const std::vector<std::string>& names) {
    std::string list;
    for (const std::string& name : names) list += (list.empty() ? "'" : ", '") + name + "'";
    return Failure{path, 0,
                   (sheet_name.empty() ? std::string("has no sheet") : "has no sheet '" + sheet_name + "'") +
                       "; its sheets: " + (list.empty() ? "none" : list)};
}

std::optional<Failure> read_xlsx(const Package& package, const std::string& sheet_name, Sheet* sheet) {
    Workbook book;
    std::optional<Failure> failure = read_workbook(package, &book);
    if (!failure) failure = read_shared_strings(package, &book);
    if (!failure) failure = read_styles(package, &book);
    if (failure) return failure;
    std::vector<std::string> names;
    for (const auto& [name, id] : book.sheets) names.push_back(name);
    auto chosen = std::find_if(book.sheets.begin(), book.sheets.end(), [&](const auto& entry) {
        return sheet_name.empty() || entry.first == sheet_name;
    });
    if (chosen == book.sheets.end()) {
        return no_such_sheet(package.path, sheet_name, names);
    }
    auto target = book.targets.find(chosen->second);
    if (target == book.targets.end())
        return Failure{package.path, 0, "damaged: sheet '" + chosen->first + "' has no part"};
    return read_xlsx_sheet(package, book, target->second, sheet);
}

// ---- .ods ------------------------------------------------------------------------------

std::optional<Failure> read_ods(const Package& package, const std::string& sheet_name, Sheet* sheet) {
    std::vector<std::string> names;
    std::set<int> hidden_columns;
    std::vector<std::string> cells;
    std::string text;
    bool active = false, done = false, in_cell = false, hidden = false, filtered = false;
    int row = 0, row_repeat = 1, column = 0, cell_repeat = 1, column_at = 0, paragraphs = 0;
    XmlHandlers handlers;
    handlers.start = [&](std::string_view name, const char** attributes) {
        if (name == "table") {
            const char* table_name = attribute(attributes, "name");
            names.emplace_back(table_name != nullptr ? table_name : "");
            active = !done && (sheet_name.empty() || names.back() == sheet_name);
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
            hidden = visibility != nullptr && strcmp(visibility, "collapse") == 0;
            filtered = visibility != nullptr && strcmp(visibility, "filter") == 0;
            cells.clear();
            column = 0;
        } else if (name == "table-cell" || name == "covered-table-cell") {
            cell_repeat = std::max(attribute_number(attributes, "number-columns-repeated", 1), 1);
            in_cell = true;
            paragraphs = 0;
            text.clear();
        } else if (name == "p" && in_cell) {
            if (paragraphs++ > 0) text += ' ';
        } else if (name == "s" && in_cell) {
            text.append(static_cast<size_t>(std::clamp(attribute_number(attributes, "c", 1), 1, 100)), ' ');
        } else if ((name == "tab" || name == "line-break") && in_cell) {
            text += ' ';
        } else if (name == "database-range") {
            const char* buttons = attribute(attributes, "display-filter-buttons");
            sheet->filter = sheet->filter || (buttons != nullptr && strcmp(buttons, "true") == 0);
        }
    };
    handlers.end = [&](std::string_view name) {
        if (!active) return;
        if (name == "table") {
            active = false;
            done = true;
        } else if (name == "table-cell" || name == "covered-table-cell") {
            in_cell = false;
            const std::string shown = cell_text(text);
            for (int i = 0; i < cell_repeat && !shown.empty() && column + i < MAX_LIST_COLUMNS; ++i)
                put_cell(&cells, column + i, shown);
            column = static_cast<int>(
                std::min<long long>(static_cast<long long>(column) + cell_repeat, MAX_LIST_COLUMNS));
        } else if (name == "table-row") {
            // Rows repeated with a value are the same row again; empty ones only count.
            const int copies = cells.empty() ? 1 : std::min(row_repeat, 1000);
            for (int i = 0; i < copies; ++i)
                finish_row(sheet, row + 1 + i, cells, hidden, filtered, hidden_columns);
            row = std::min(row + row_repeat, MAX_SHEET_ROWS + 1);
        }
    };
    handlers.text = [&](std::string_view chunk) {
        if (in_cell && text.size() < MAX_SHEET_CELL_BYTES) text += chunk;
    };
    std::optional<Failure> failure = parse_part(package, "content.xml", &handlers);
    if (!failure && !done) {
        return no_such_sheet(package.path, sheet_name, names);
    }
    sheet->hidden_columns = static_cast<int>(hidden_columns.size());
    return failure;
}

}  // namespace

const char* row_word(std::string_view path) {
    for (const char* extension : SPREADSHEET_EXTENSIONS) {
        const std::string_view suffix(extension);
        if (path.size() >= suffix.size() &&
            strncasecmp(path.data() + path.size() - suffix.size(), extension, suffix.size()) == 0)
            return "row";
    }
    return "line";
}

bool is_spreadsheet_file(std::string_view head) {
    return head.starts_with("PK\x03\x04") || head.starts_with("\xD0\xCF\x11\xE0\xA1\xB1\x1A\xE1");
}

std::optional<Failure> read_sheet(const char* path, const std::string& sheet_name, Sheet* sheet) {
    *sheet = Sheet();
    FILE* file = fopen(path, "rb");
    char head[8] = {};
    const size_t got = file != nullptr ? fread(head, 1, sizeof head, file) : 0;
    if (file != nullptr) fclose(file);
    const std::string_view name(path);
    if (std::string_view(head, got).starts_with("\xD0\xCF\x11\xE0")) {
        // An OLE file: Excel 97-2003's own format, or an encrypted .xlsx, which Excel
        // wraps in one.
        if (name.ends_with(".xlsx") || name.ends_with(".XLSX")) {
            return Failure{path, 0, "password-protected: remove the password or save a copy as CSV UTF-8"};
        }
        return Failure{path, 0, "an Excel 97-2003 file: save it as .xlsx (Excel Workbook) or as CSV UTF-8"};
    }
    int error = 0;
    Package package = {path, std::unique_ptr<zip_t, ZipDeleter>(zip_open(path, ZIP_RDONLY, &error))};
    if (package.zip == nullptr)
        return Failure{path, 0, "damaged or cut short: not a complete spreadsheet file"};
    if (zip_get_num_entries(package.zip.get(), 0) > MAX_SHEET_ENTRIES) {
        return Failure{path, 0, "holds more than " + std::to_string(MAX_SHEET_ENTRIES) + " files: not read"};
    }
    if (name.ends_with(".numbers") || has_entry(package, "Index/Document.iwa"))
        return Failure{path, 0, "a Numbers file: export it from Numbers as Excel or CSV UTF-8"};
    if (has_entry(package, "xl/workbook.xml")) return read_xlsx(package, sheet_name, sheet);
    if (has_entry(package, "content.xml")) return read_ods(package, sheet_name, sheet);
    return Failure{path, 0,
                   "a ZIP file, not a spreadsheet: save the member list as .xlsx, .ods or CSV UTF-8"};
}
