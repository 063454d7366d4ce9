#include "roster/number_format.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <vector>

namespace {

// Excel's built-in formats that a member list meets, by id (ECMA-376 18.8.30, as a US
// Excel shows the locale-dependent ones).
struct BuiltinFormat {
    int id;
    const char* code;
};
constexpr BuiltinFormat BUILTIN_FORMATS[] = {
    {0, "General"},
    {1, "0"},
    {2, "0.00"},
    {3, "#,##0"},
    {4, "#,##0.00"},
    {9, "0%"},
    {10, "0.00%"},
    {11, "0.00E+00"},
    {12, "# ?/?"},
    {13, "# ?\?/?\?"},
    {14, "m/d/yyyy"},
    {15, "d-mmm-yy"},
    {16, "d-mmm"},
    {17, "mmm-yy"},
    {18, "h:mm AM/PM"},
    {19, "h:mm:ss AM/PM"},
    {20, "h:mm"},
    {21, "h:mm:ss"},
    {22, "m/d/yyyy h:mm"},
    {37, "#,##0 ;(#,##0)"},
    {38, "#,##0 ;(#,##0)"},
    {39, "#,##0.00;(#,##0.00)"},
    {40, "#,##0.00;(#,##0.00)"},
    {45, "mm:ss"},
    {46, "[h]:mm:ss"},
    {47, "mm:ss.0"},
    {48, "##0.0E+0"},
    {49, "@"},
};

constexpr double MAX_DATE_SERIAL = 2958466;  // 1 January 10000, past Excel's last date

constexpr const char* MONTHS[] = {"January", "February", "March",     "April",   "May",      "June",
                                  "July",    "August",   "September", "October", "November", "December"};
constexpr const char* WEEKDAYS[] = {"Sunday",   "Monday", "Tuesday", "Wednesday",
                                    "Thursday", "Friday", "Saturday"};

// One piece of a format section.
enum PartKind { LITERAL, DIGIT, POINT, PERCENT, DATE, AMPM, TEXT };
struct Part {
    PartKind kind;
    std::string text;  // a literal's text, a digit's placeholder (0 # ?), a date code ("yyyy", "m")
};

// A section cut into its parts; false for what the subset leaves out.
// `scaled` is set by a comma after the digits (thousands), `fraction` by a slash: both
// outside the subset for numbers, though a date may hold either as a literal.
struct SectionMarks {
    bool grouped = false, scaled = false, fraction = false;
};

bool parse_section(std::string_view section, std::vector<Part>* parts, SectionMarks* marks) {
    for (size_t i = 0; i < section.size(); ++i) {
        const char c = section[i];
        const char lower = static_cast<char>(c >= 'A' && c <= 'Z' ? c + 32 : c);
        if (c == '"') {
            const size_t end = section.find('"', i + 1);
            if (end == std::string_view::npos) return false;
            parts->push_back({LITERAL, std::string(section.substr(i + 1, end - i - 1))});
            i = end;
        } else if (c == '\\' && i + 1 < section.size()) {
            parts->push_back({LITERAL, std::string(1, section[++i])});
        } else if (c == '_' && i + 1 < section.size()) {
            parts->push_back({LITERAL, " "});  // the width of the next character: a space will do
            ++i;
        } else if (c == '*' && i + 1 < section.size()) {
            ++i;  // a fill to the cell's width: nothing on a card
        } else if (c == '[') {
            const size_t end = section.find(']', i);
            if (end == std::string_view::npos) return false;
            const std::string_view inside = section.substr(i + 1, end - i - 1);
            if (inside.starts_with("$")) {  // a currency or locale: its symbol, if any
                const size_t dash = inside.find('-');
                parts->push_back(
                    {LITERAL, std::string(inside.substr(
                                  1, dash == std::string_view::npos ? std::string_view::npos : dash - 1))});
            } else if (inside == "h" || inside == "H" || inside == "hh") {
                parts->push_back({DATE, "[h]"});
            } else if (inside.find_first_of("<>=") != std::string_view::npos) {
                return false;  // a condition
            }                  // else a colour
            i = end;
        } else if (c == '0' || c == '#' || c == '?') {
            parts->push_back({DIGIT, std::string(1, c)});
        } else if (c == ',') {
            const bool between = i + 1 < section.size() && (section[i + 1] == '0' || section[i + 1] == '#');
            if (between) {
                marks->grouped = true;
            } else {
                marks->scaled = true;
                parts->push_back({LITERAL, ","});
            }
        } else if (c == '.') {
            parts->push_back({POINT, "."});
        } else if (c == '%') {
            parts->push_back({PERCENT, "%"});
        } else if (c == '@') {
            parts->push_back({TEXT, "@"});
        } else if (section.substr(i, 5) == "AM/PM" || section.substr(i, 5) == "am/pm") {
            parts->push_back({AMPM, "AM/PM"});
            i += 4;
        } else if (lower == 'y' || lower == 'm' || lower == 'd' || lower == 'h' || lower == 's') {
            size_t end = i;
            while (end < section.size() && (section[end] | 0x20) == lower) ++end;
            parts->push_back({DATE, std::string(end - i, lower)});
            i = end - 1;
        } else if (lower == 'e') {
            return false;  // scientific notation
        } else if (c == '/') {
            marks->fraction = true;
            parts->push_back({LITERAL, "/"});
        } else {
            parts->push_back({LITERAL, std::string(1, c)});
        }
    }
    return true;
}

std::string general(double value) {
    char text[40];
    if (value == std::floor(value) && std::fabs(value) < 1e15) {
        snprintf(text, sizeof text, "%.0f", value);
    } else {
        snprintf(text, sizeof text, "%.10g", value);
    }
    return text;
}

// The digits of a number laid into its placeholders, right to left from the point; digits
// beyond the first placeholder go before it. A grouped format (#,##0) puts its commas in.
std::string number_shown(double value, const std::vector<Part>& parts, bool grouped) {
    int decimals = 0, zeros = 0;
    bool after_point = false;
    for (const Part& part : parts) {
        if (part.kind == POINT) after_point = true;
        if (part.kind == DIGIT && after_point) ++decimals;
        if (part.kind == DIGIT && !after_point && part.text == "0") ++zeros;
        if (part.kind == PERCENT) value *= 100;
    }
    char digits[400];
    // Half away from zero, as Excel rounds (printf alone rounds 1234.5 to the even 1234);
    // past 2^53 a double has no fraction left to round.
    const double scale = std::pow(10.0, decimals), scaled = std::fabs(value) * scale;
    snprintf(digits, sizeof digits, "%.*f", decimals,
             scaled < 9e15 ? std::round(scaled) / scale : std::fabs(value));
    std::string whole = digits, fraction;
    if (const size_t point = whole.find('.'); point != std::string::npos) {
        fraction = whole.substr(point + 1);
        whole.resize(point);
    }
    if (whole == "0") whole.clear();  // a leading zero only where a 0 asks for it
    if (grouped) {
        if (static_cast<int>(whole.size()) < zeros)
            whole = std::string(static_cast<size_t>(zeros) - whole.size(), '0') + whole;
        std::string with_commas;
        for (size_t i = 0; i < whole.size(); ++i) {
            if (i > 0 && (whole.size() - i) % 3 == 0) with_commas += ',';
            with_commas += whole[i];
        }
        whole = with_commas;
    }
    size_t point_at = parts.size(), first_digit = parts.size();
    for (size_t i = parts.size(); i-- > 0;) {
        if (parts[i].kind == POINT) point_at = i;
    }
    for (size_t i = 0; i < point_at; ++i) {
        if (parts[i].kind == DIGIT && first_digit == parts.size()) first_digit = i;
    }
    std::string shown;
    size_t left = whole.size();
    for (size_t i = point_at; i-- > 0;) {
        const Part& part = parts[i];
        if (part.kind != DIGIT) {
            shown = part.text + shown;
        } else if (grouped) {
            if (i == first_digit) shown = whole + shown;  // the grouped digits, once
        } else {
            std::string here = left > 0           ? std::string(1, whole[--left])
                               : part.text == "0" ? "0"
                               : part.text == "?" ? " "
                                                  : "";
            if (i == first_digit) here = whole.substr(0, left) + here;
            shown = here + shown;
        }
    }
    size_t next = 0;
    for (size_t i = point_at; i < parts.size(); ++i) {
        if (parts[i].kind == DIGIT) {
            if (next < fraction.size()) shown += fraction[next++];
        } else {
            shown += parts[i].text;
        }
    }
    return (value < 0 ? "-" : "") + shown;
}

// Days since 1 March of year 0 to a civil date (Howard Hinnant's algorithm).
void civil_from_days(long days, int* year, int* month, int* day) {
    days += 719468;
    const long era = (days >= 0 ? days : days - 146096) / 146097;
    const long doe = days - era * 146097;
    const long yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    const long doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    const long mp = (5 * doy + 2) / 153;
    *day = static_cast<int>(doy - (153 * mp + 2) / 5 + 1);
    *month = static_cast<int>(mp < 10 ? mp + 3 : mp - 9);
    *year = static_cast<int>(yoe + era * 400 + (*month <= 2));
}

std::string two(int n) {
    char text[8];
    snprintf(text, sizeof text, "%02d", n);
    return text;
}

// A date serial through its date and time codes. An "m" next to an hour or a second is minutes.
std::string date_shown(double value, const std::vector<Part>& parts, bool date1904) {
    // Excel's 1900 system counts a 29 February 1900 that never was: serials from 61 on are
    // days since 30 December 1899.
    const double serial = date1904 ? value + 1462 : value;
    long days = static_cast<long>(std::floor(serial));
    long seconds = std::lround((serial - static_cast<double>(days)) * 86400.0);
    if (seconds >= 86400) ++days, seconds -= 86400;
    int year = 1899, month = 12, day = 31;
    if (days >= 61 || date1904) {
        civil_from_days(days - 25569, &year, &month, &day);  // 25569: 1 January 1970
    } else if (days > 0) {
        civil_from_days(days - 25568, &year, &month, &day);
        if (days == 60) month = 2, day = 29;
    }
    const long weekday = ((days + 6) % 7 + 7) % 7;
    int hour = static_cast<int>(seconds / 3600);
    const int minute = static_cast<int>(seconds / 60 % 60), second = static_cast<int>(seconds % 60);
    bool twelve = false;
    for (const Part& part : parts) twelve = twelve || part.kind == AMPM;
    std::string shown;
    for (size_t i = 0; i < parts.size(); ++i) {
        const Part& part = parts[i];
        if (part.kind == AMPM) {
            shown += hour < 12 ? "AM" : "PM";
            continue;
        }
        if (part.kind != DATE) {
            shown += part.text;
            continue;
        }
        const std::string& code = part.text;
        auto near_time = [&](int step) {
            for (size_t j = i + step; j < parts.size(); j += step) {
                if (parts[j].kind == DATE)
                    return parts[j].text[0] == (step > 0 ? 's' : 'h') || parts[j].text == "[h]";
            }
            return false;
        };
        const int shown_hour = twelve ? (hour % 12 == 0 ? 12 : hour % 12) : hour;
        if (code == "[h]")
            shown += std::to_string(days * 24 + hour);
        else if (code[0] == 'y')
            shown += code.size() <= 2 ? two(year % 100) : std::to_string(year);
        else if (code[0] == 'd') {
            shown += code.size() == 1   ? std::to_string(day)
                     : code.size() == 2 ? two(day)
                     : code.size() == 3 ? std::string(WEEKDAYS[weekday]).substr(0, 3)
                                        : WEEKDAYS[weekday];
        } else if (code[0] == 'h') {
            shown += code.size() == 1 ? std::to_string(shown_hour) : two(shown_hour);
        } else if (code[0] == 's') {
            shown += code.size() == 1 ? std::to_string(second) : two(second);
        } else if (code.size() <= 2 && (near_time(-1) || near_time(1))) {
            shown += code.size() == 1 ? std::to_string(minute) : two(minute);
        } else {
            shown += code.size() == 1   ? std::to_string(month)
                     : code.size() == 2 ? two(month)
                     : code.size() == 3 ? std::string(MONTHS[month - 1]).substr(0, 3)
                     : code.size() == 5 ? std::string(MONTHS[month - 1]).substr(0, 1)
                                        : MONTHS[month - 1];
        }
    }
    return shown;
}

// Reads a condition such as "[<=9999999]" off the front of `section`; false when it starts
// with none. `*holds` says whether `value` meets it.
bool take_condition(std::string_view* section, double value, bool* holds) {
    if (section->size() < 3 || (*section)[0] != '[' ||
        std::string_view("<>=").find((*section)[1]) == std::string_view::npos)
        return false;
    const size_t end = section->find(']');
    if (end == std::string_view::npos) return false;
    std::string_view inside = section->substr(1, end - 1);
    const size_t op_length = inside.size() > 1 && (inside[1] == '=' || inside[1] == '>') ? 2 : 1;
    const std::string_view op = inside.substr(0, op_length);
    const double limit = std::strtod(std::string(inside.substr(op_length)).c_str(), nullptr);
    *holds = op == "<"    ? value < limit
             : op == "<=" ? value <= limit
             : op == ">"  ? value > limit
             : op == ">=" ? value >= limit
             : op == "<>" ? value != limit
                          : value == limit;
    section->remove_prefix(end + 1);
    return true;
}

// The section of a format with conditions ("[<=9999999]###-####;(###) ###-####", Excel's
// Phone Number) that `value` takes: the first whose condition holds, or the one after them
// without a condition; false when none does.
bool conditional_section(std::vector<std::string_view> sections, double value, std::string_view* section) {
    for (std::string_view candidate : sections) {
        bool holds = true;
        take_condition(&candidate, value, &holds);
        if (holds) {
            *section = candidate;
            return true;
        }
    }
    return false;
}

// The format's sections, cut at semicolons outside quotes.
std::vector<std::string_view> sections_of(std::string_view code) {
    std::vector<std::string_view> sections;
    size_t start = 0;
    bool quoted = false;
    for (size_t i = 0; i < code.size(); ++i) {
        if (code[i] == '"') quoted = !quoted;
        if (code[i] == '\\') {
            ++i;  // the next character is a literal, a semicolon too
            continue;
        }
        if (code[i] == ';' && !quoted) {
            sections.push_back(code.substr(start, i - start));
            start = i + 1;
        }
    }
    sections.push_back(code.substr(start));
    return sections;
}

}  // namespace

std::string_view builtin_number_format(int id) {
    for (const BuiltinFormat& format : BUILTIN_FORMATS) {
        if (format.id == id) return format.code;
    }
    return "";
}

bool format_number(double value, std::string_view code, bool date1904, std::string* shown) {
    *shown = general(value);
    if (code.empty() || code == "General" || code == "@") return true;
    if (!std::isfinite(value)) return false;
    // The system's long date and time ("[$-F800]"), as a US Windows shows them.
    if (code.find("[$-F800]") != std::string_view::npos) code = "dddd, mmmm d, yyyy";
    if (code.find("[$-F400]") != std::string_view::npos) code = "h:mm:ss AM/PM";
    const std::vector<std::string_view> sections = sections_of(code);
    std::string_view section = sections[0];
    bool negative_section = false;
    bool ignored = false;
    if (std::string_view first = sections[0]; take_condition(&first, value, &ignored)) {
        if (!conditional_section(sections, value, &section)) return false;
    } else {
        if (value < 0 && sections.size() >= 2) section = sections[1], negative_section = true;
        if (value == 0 && sections.size() >= 3) section = sections[2];
    }
    std::vector<Part> parts;
    SectionMarks marks;
    if (!parse_section(section, &parts, &marks)) return false;
    bool digits = false, dates = false;
    for (const Part& part : parts) {
        digits = digits || part.kind == DIGIT;
        dates = dates || part.kind == DATE;
    }
    if ((dates && digits) || (digits && (marks.scaled || marks.fraction))) return false;
    if (dates) {
        if (value < 0 || value >= MAX_DATE_SERIAL) return false;  // Excel shows ##### there
        *shown = date_shown(value, parts, date1904);
    } else if (digits) {
        *shown = number_shown(negative_section ? std::fabs(value) : value, parts, marks.grouped);
    } else {
        std::string literal;
        for (const Part& part : parts) literal += part.kind == TEXT ? general(value) : part.text;
        *shown = literal;
    }
    return true;
}
