// The web page's entry into the tool: one run on the files the page has put into the
// module's virtual file system, and what the page's form asks of the settings (the keys,
// a roster.sdd's values, the edit of one key), all from the core's own table. The report
// and messages go to the page through stdout and stderr, line by line, as the command
// line prints them; the settings answers as JSON.
#include <emscripten.h>
#include <unistd.h>

#include <cstdio>
#include <span>
#include <string>
#include <string_view>

#include "app/run.h"
#include "roster/sheet.h"
#include "settings/settings.h"
#include "text/collate.h"

namespace {

constexpr const char* KIND_NAMES[] = {"text", "lines", "choice", "colour", "number", "file", "language"};

// The last answer given to the page, which copies it out before it asks again.
std::string answer;

// `text` as a JSON string, quotes included.
std::string json(std::string_view text) {
    std::string quoted = "\"";
    for (char c : text) {
        if (c == '"' || c == '\\') {
            quoted += '\\';
            quoted += c;
        } else if (static_cast<unsigned char>(c) < 0x20) {
            char escaped[8];
            snprintf(escaped, sizeof escaped, "\\u%04x", c);
            quoted += escaped;
        } else {
            quoted += c;
        }
    }
    return quoted + "\"";
}

std::string json_list(const std::vector<std::string>& items) {
    std::string list = "[";
    for (const std::string& item : items) list += (list.size() > 1 ? "," : "") + json(item);
    return list + "]";
}

}  // namespace

// Runs rosterbook in `folder` (holding roster.sdd, the member list and the pictures) and
// returns its exit status: 0 when the PDFs were written there, 1 after a message.
extern "C" EMSCRIPTEN_KEEPALIVE int rosterbook_run(const char* folder) {
    int status = 1;
    if (chdir(folder) != 0) {
        fprintf(stderr, "Error: cannot open the folder %s\n", folder);
    } else {
        status = run_rosterbook({SETTINGS_FILE_NAME, {nullptr, nullptr}, 1});  // one thread: no workers here
        chdir("/");  // the page removes the folder before the next run
    }
    fflush(stdout);
    fflush(stderr);
    return status;
}

// {"keys": [{"name", "kind", "group", "choices", "default"}...], "languages": [tags],
// "sheets": [extensions]}: what the form shows, in the reader's order, and the spreadsheet
// files the tool looks for in place of a missing members.csv.
extern "C" EMSCRIPTEN_KEEPALIVE const char* rosterbook_settings_keys() {
    answer = "{\"keys\":[";
    for (const SettingInfo& info : setting_infos()) {
        answer += (answer.back() == '[' ? "{" : ",{") + std::string("\"name\":") + json(info.name) +
                  ",\"kind\":" + json(KIND_NAMES[info.kind]) + ",\"group\":" + json(info.group) +
                  ",\"choices\":" + json_list(info.choices) + ",\"default\":" + json(info.default_value) +
                  "}";
    }
    const std::span<const char* const> sheets =
        std::span(SPREADSHEET_EXTENSIONS).first(LOOKED_FOR_SPREADSHEETS);
    answer += "],\"languages\":" + json_list(collation_languages()) +
              ",\"sheets\":" + json_list({sheets.begin(), sheets.end()}) + "}";
    return answer.c_str();
}

// A roster.sdd's `size` bytes at `bytes`, as the reader takes them: {"text": its UTF-8 text,
// "keys": [{"key", "value", "first", "last"}...] in the order read, "messages": what the
// reader says}. A file that cannot be decoded gives {"text": null, ...}.
extern "C" EMSCRIPTEN_KEEPALIVE const char* rosterbook_settings_read(const char* bytes, int size) {
    std::string text, messages;
    const bool decoded = decode_settings_file({bytes, static_cast<size_t>(size)}, &text);
    answer = "{\"text\":" + (decoded ? json(text) : std::string("null")) + ",\"keys\":[";
    for (const SettingLines& at : read_setting_lines(text, &messages)) {
        answer += (answer.back() == '[' ? "{" : ",{") + std::string("\"key\":") + json(at.key) +
                  ",\"value\":" + json(at.value) + ",\"first\":" + std::to_string(at.first_line) +
                  ",\"last\":" + std::to_string(at.last_line) + "}";
    }
    answer += "],\"messages\":" + json(messages) + "}";
    return answer.c_str();
}

// `text` (UTF-8) with `key` set to `value`, every other line as it was (edit_setting).
extern "C" EMSCRIPTEN_KEEPALIVE const char* rosterbook_settings_edit(const char* text, const char* key,
                                                                     const char* value) {
    answer = edit_setting(text, key, value);
    return answer.c_str();
}

// The page calls rosterbook_run for each roster; starting the module runs nothing.
int main() { return 0; }
