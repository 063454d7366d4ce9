#include "settings/settings.h"

#include <strings.h>

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <span>
#include <string>
#include <string_view>

#include "base/file.h"
#include "base/message.h"
#include "base/text_util.h"
#include "settings/setting_keys.h"
#include "text/bidi.h"
#include "text/collate.h"
#include "text/decode.h"

namespace {

// The known key `line` starts with, followed by a colon as a setting line is; null when none.
const SettingKey* key_of_line(const char* line) {
    const char* colon = strchr(line, ':');
    if (colon == nullptr) return nullptr;
    char key[SETTINGS_KEY_SIZE];
    copy_text(key, std::min(sizeof key, static_cast<size_t>(colon - line) + 1), line);
    return find_key(key);
}

constexpr long long MAX_SETTINGS_FILE_BYTES = 1 << 24;
// #1a3b5c and #545454, as a colour roster.sdd can write: a form that writes the default
// then gives the very same file.
constexpr float DEFAULT_TITLE_COLOR[3] = {0x1a / 255.0f, 0x3b / 255.0f, 0x5c / 255.0f};
constexpr float DEFAULT_SUBTITLE_COLOR[3] = {0x54 / 255.0f, 0x54 / 255.0f, 0x54 / 255.0f};

// A block opens with a key whose colon has nothing after it; its lines follow
// until an empty line.
struct BlockState {
    bool open;
    char key[SETTINGS_KEY_SIZE];
    char lines[MAX_BLOCK_LINES][SETTINGS_LINE_SIZE];
    int count;
    int first_line, last_line;  // the key's line and the block's last, from 1
    std::string text;           // every line of the block, for the form: none is cut or left out
};

void set_defaults(Settings* settings) {
    memset(settings, 0, sizeof *settings);
    settings->title_font_size = 20.0f;
    memcpy(settings->title_color, DEFAULT_TITLE_COLOR, sizeof DEFAULT_TITLE_COLOR);
    settings->subtitle_font_size = 10.0f;
    memcpy(settings->subtitle_color, DEFAULT_SUBTITLE_COLOR, sizeof DEFAULT_SUBTITLE_COLOR);
    for (int slot = 0; slot < PICTURE_SLOT_COUNT; ++slot)
        copy_text(settings->picture_paths[slot], PATH_SIZE, PICTURE_SLOTS[slot].default_name);
    copy_text(settings->member_csv_path, PATH_SIZE, DEFAULT_MEMBER_LIST);
    settings->words = default_page_words();
    copy_text(settings->booklet_pdf_path, PATH_SIZE, "booklet.pdf");
    copy_text(settings->standard_pdf_path, PATH_SIZE, "standard.pdf");
    settings->image_resolution = DEFAULT_IMAGE_RESOLUTION;
    copy_text(settings->text_encoding, sizeof settings->text_encoding, AUTO_ENCODING);
    settings->page_numbers = true;
    copy_text(settings->photo_folder, PATH_SIZE, DEFAULT_PHOTO_FOLDER);
    copy_text(settings->committee.title, SETTINGS_KEY_SIZE, "Club Committee");
    copy_text(settings->schedule.title, SETTINGS_KEY_SIZE, "Dance Schedule");
    settings->label_start = 1;
    settings->label_private = true;
}

// Where each key a roster.sdd sets is written, in the order it is read: null when no one asks.
using SeenKeys = std::vector<SettingLines>;

// Notes a key the reader applied, under the table's name for it.
void note_key(SeenKeys* seen, const char* key, std::string value, int first_line, int last_line) {
    const SettingKey* known = find_key(key);
    if (seen != nullptr && known != nullptr)
        seen->push_back({known->name, std::move(value), first_line, last_line});
}

void apply_block(Settings* settings, BlockState* block, SeenKeys* seen) {
    apply_setting(settings, block->key, "", block->lines, block->count);
    note_key(seen, block->key, block->text, block->first_line, block->last_line);
    block->open = false;
    block->count = 0;
    block->text.clear();
}

// Handles one trimmed, non-empty, non-comment line outside a block, line `line_number`.
void handle_key_line(Settings* settings, BlockState* block, char* line, int line_number, SeenKeys* seen) {
    char* colon = strchr(line, ':');
    if (colon == nullptr) {
        say("roster.conf: no colon: %s\n", line);
        return;
    }
    *colon = '\0';
    char* key = line;
    char* value = colon + 1;
    trim_in_place(key);
    trim_in_place(value);
    if (value[0] != '\0') {
        apply_setting(settings, key, value, nullptr, 0);
        note_key(seen, key, value, line_number, line_number);
        return;
    }
    block->open = true;
    copy_text(block->key, SETTINGS_KEY_SIZE, key);
    block->count = 0;
    block->first_line = block->last_line = line_number;
}

// What `work` says on the message stream (warnings go nowhere else meanwhile); a stream
// that cannot be made leaves them where they went.
template <typename Work>
std::string said_by(Work work) {
    char* said = nullptr;
    size_t said_size = 0;
    FILE* sink = open_memstream(&said, &said_size);
    const MessageStreams previous = use_message_streams({nullptr, sink});
    work();
    use_message_streams(previous);
    if (sink != nullptr) fclose(sink);
    std::string text(said != nullptr ? said : "", said_size);
    free(said);
    return text;
}

// True when `line` is a key whose value is checked, with a value it accepts: applying it
// to a scratch record says nothing.
bool ends_block(const char* line) {
    const SettingKey* known = key_of_line(line);
    if (known == nullptr || !known->checked) return false;
    char value[SETTINGS_LINE_SIZE];
    copy_text(value, sizeof value, strchr(line, ':') + 1);
    trim_in_place(value);
    if (value[0] == '\0') return false;
    auto scratch = std::make_unique<Settings>();
    set_defaults(scratch.get());
    return said_by([&] { known->apply(scratch.get(), {value, nullptr, 0, known}); }).empty();
}

void collect_block_line(BlockState* block, char* line, int line_number) {
    if (key_of_line(line) != nullptr) {
        say("roster.conf: line %d: '%s' is inside the %s block; end a block with an empty line\n",
            line_number, line, block->key);
    }
    block->text += (block->text.empty() ? "" : "\n") + std::string(line);
    block->last_line = line_number;
    if (block->count >= MAX_BLOCK_LINES) return;
    copy_text(block->lines[block->count++], SETTINGS_LINE_SIZE, line);
}

// Reads one or two hexadecimal digits at *p, as "%02x" does, but without the sign, blanks
// and "0x" that sscanf would also take. Returns false when no digit is there.
bool read_hex_group(const char** p, unsigned int* value) {
    int digits = 0;
    *value = 0;
    for (; digits < 2 && isxdigit(static_cast<unsigned char>(**p)); ++digits, ++*p) {
        const int c = tolower(static_cast<unsigned char>(**p));
        *value = *value * 16 + static_cast<unsigned int>(isdigit(c) ? c - '0' : c - 'a' + 10);
    }
    return digits > 0;
}

// The value of the first "Text Encoding" line of `text`, or "" (the keys are ASCII, so
// they read the same in any encoding the file may be in).
std::string text_encoding_line(const std::string& text) {
    size_t start = 0;
    while (start < text.size()) {
        size_t end = text.find_first_of("\r\n", start);
        if (end == std::string::npos) end = text.size();
        const std::string line = text.substr(start, end - start);
        const size_t colon = line.find(':');
        if (colon != std::string::npos && keys_equal(line.substr(0, colon).c_str(), "Text Encoding")) {
            char value[SETTINGS_KEY_SIZE];
            copy_text(value, sizeof value, line.c_str() + colon + 1);
            trim_in_place(value);
            return value;
        }
        start = end + 1;
    }
    return "";
}

// `raw` as UTF-8 text: read as its own Text Encoding line says, else detected, saying so
// when a legacy code page was guessed. False when it cannot be decoded.
bool decode_settings_bytes(std::string_view raw, std::string* text) {
    DecodedText decoded;
    if (std::optional<Failure> failed = decode_text(raw, AUTO_ENCODING, &decoded)) return false;
    const std::string named = text_encoding_line(decoded.utf8);
    if (!named.empty() && text_encoding_known(named.c_str()) && named != AUTO_ENCODING) {
        DecodedText forced;
        if (!decode_text(raw, named.c_str(), &forced)) decoded = forced;
    } else {
        report_guessed_encoding(SETTINGS_FILE_NAME, decoded,
                                "words look wrong, save it as UTF-8 or set 'Text Encoding' in it");
    }
    *text = std::move(decoded.utf8);
    return true;
}

// Reads the settings file as UTF-8 (decode_settings_bytes). False when it cannot be read.
bool read_settings_text(const char* path, std::string* text) {
    unsigned char* bytes = nullptr;
    size_t size = 0;
    if (std::optional<Failure> failed =
            read_whole_file(path, MAX_SETTINGS_FILE_BYTES, "too large", &bytes, &size))
        return false;
    const std::unique_ptr<unsigned char, FreeDeleter> owner(bytes);
    return decode_settings_bytes({reinterpret_cast<const char*>(bytes), size}, text);
}

}  // namespace

void load_settings(Settings* settings) { load_settings_from(settings, SETTINGS_FILE_NAME); }

namespace {

// Applies the settings `text` (UTF-8) to `settings`, noting in `seen` (unless null) where
// each key is written. Returns true when a block is still open at the end, so a key written
// after it would be read into it.
bool apply_settings_text(Settings* settings, std::string& text, SeenKeys* seen) {
    FILE* memory = fmemopen(text.data(), text.size(), "r");
    if (memory == nullptr) return false;  // an empty file holds no settings
    FilePtr file(memory);
    // Heap, not stack: the block's lines take 80 KiB, too much for a small (web) stack.
    auto block_storage = std::make_unique<BlockState>();
    BlockState& block = *block_storage;
    char line[SETTINGS_LINE_SIZE];
    int line_number = 0;
    while (read_line(file.get(), line, sizeof line)) {
        ++line_number;
        trim_in_place(line);
        if (line[0] == '\0') {
            if (block.open) apply_block(settings, &block, seen);
        } else if (line[0] == '#') {
            continue;
        } else if (block.open && ends_block(line)) {
            say("roster.conf: line %d: '%.*s:' ends the %s block; leave an empty line after a block\n",
                line_number, static_cast<int>(strchr(line, ':') - line), line, block.key);
            apply_block(settings, &block, seen);
            handle_key_line(settings, &block, line, line_number, seen);
        } else if (block.open) {
            collect_block_line(&block, line, line_number);
        } else {
            handle_key_line(settings, &block, line, line_number, seen);
        }
    }
    const bool open = block.open;
    if (block.open && block.count > 0) apply_block(settings, &block, seen);
    return open;
}

}  // namespace

void load_settings_from(Settings* settings, const char* path) {
    set_defaults(settings);
    std::string text;
    if (!read_settings_text(path, &text)) {
        say("Warning: cannot open %s, proceeding with defaults \n", SETTINGS_FILE_NAME);
        return;
    }
    apply_settings_text(settings, text, nullptr);
}

void apply_setting(Settings* settings, const char* key, const char* value,
                   const char (*lines)[SETTINGS_LINE_SIZE], int line_count) {
    const SettingKey* known = find_key(key);
    if (known == nullptr) {
        say("roster.conf: unknown key '%s'\n", key);
        return;
    }
    known->apply(settings, {value, lines, line_count, known});
}

bool pages_right_to_left(const Settings& settings, std::string* why) {
    std::string reason;
    bool right = false;
    const auto titled = [&](int count, auto titles) {
        for (int i = 0; i < count; ++i)
            if (reads_right_to_left(titles[i])) return true;
        return false;
    };
    if (settings.direction != DIRECTION_AUTO) {
        right = settings.direction == DIRECTION_RIGHT_TO_LEFT;
        reason = std::string("Direction: ") + DIRECTION_NAMES[settings.direction];
    } else if (language_reads_right_to_left(settings.sort_language)) {
        right = true;
        reason = std::string("Sort Language: ") + settings.sort_language;
    } else if (titled(settings.title_line_count, settings.title_lines)) {
        right = true;
        reason = "the title";
    } else if (titled(GROUP_COUNT, settings.words.group_titles)) {
        right = true;
        reason = "the section titles";
    }
    if (why != nullptr) *why = reason;
    return right;
}

bool keys_equal(const char* a, const char* b) {
    char left[SETTINGS_KEY_SIZE];
    char right[SETTINGS_KEY_SIZE];
    copy_text(left, sizeof left, a);
    copy_text(right, sizeof right, b);
    trim_in_place(left);
    trim_in_place(right);
    return strcasecmp(left, right) == 0;
}

bool parse_hex_color(const char* text, float color[3]) {
    if (text[0] != '#') return false;
    const char* p = text + 1;
    unsigned int groups[3];
    for (unsigned int& group : groups) {
        if (!read_hex_group(&p, &group)) return false;
    }
    for (int i = 0; i < 3; ++i) color[i] = static_cast<float>(groups[i] / 255.0);
    return true;
}

std::vector<SettingInfo> setting_infos() {
    auto defaults = std::make_unique<Settings>();
    set_defaults(defaults.get());
    std::vector<SettingInfo> infos;
    for (const SettingKey& key : setting_keys()) {
        infos.push_back({key.name,
                         key.kind,
                         key.group,
                         {key.choices.begin(), key.choices.end()},
                         key.shown(*defaults, key)});
    }
    return infos;
}

bool decode_settings_file(std::string_view bytes, std::string* text) {
    return decode_settings_bytes(bytes, text);
}

namespace {

// read_setting_lines, also saying in `open_at_end` whether a block is open at the end.
std::vector<SettingLines> read_lines_and_end(const std::string& text, std::string* messages,
                                             bool* open_at_end) {
    auto scratch = std::make_unique<Settings>();
    set_defaults(scratch.get());
    std::string copy = text;
    SeenKeys seen;
    *messages = said_by([&] { *open_at_end = apply_settings_text(scratch.get(), copy, &seen); });
    return seen;
}

}  // namespace

std::vector<SettingLines> read_setting_lines(const std::string& text, std::string* messages) {
    bool open_at_end = false;
    return read_lines_and_end(text, messages, &open_at_end);
}

namespace {}  // namespace

std::vector<std::string> settings_lines(const std::string& text) {
    std::vector<std::string> lines;
    size_t start = 0;
    while (start < text.size()) {
        size_t end = text.find_first_of("\r\n", start);
        end = end == std::string::npos ? text.size() : end + (text.compare(end, 2, "\r\n") == 0 ? 2 : 1);
        lines.push_back(text.substr(start, end - start));
        start = end;
    }
    return lines;
}

namespace {

// How `key` is written with `value`, each line ended by `eol`: "Key: value", or for a
// block the key alone and its lines below it (blank ones left out: they would end it).
std::string written_setting(const SettingKey& key, const std::string& value, const std::string& eol) {
    if (key.kind != SETTING_LINES) return std::string(key.name) + ": " + value + eol;
    std::string written = std::string(key.name) + ":" + eol;
    for (const std::string& line : settings_lines(value + "\n")) {
        std::string trimmed = line;
        while (!trimmed.empty() && isspace(static_cast<unsigned char>(trimmed.back()))) trimmed.pop_back();
        if (trimmed.find_first_not_of(" \t") != std::string::npos) written += trimmed + eol;
    }
    return written;
}

// True when `line` (as written, with its end) is blank, a comment or a key that ends a
// block: what may follow a block without being read into it.
bool line_ends_block(const std::string& line) {
    char trimmed[SETTINGS_LINE_SIZE];
    copy_text(trimmed, sizeof trimmed, line.c_str());
    trim_in_place(trimmed);
    return trimmed[0] == '\0' || ends_block(trimmed);
}

}  // namespace

std::string edit_setting(const std::string& text, const std::string& key, const std::string& value) {
    const SettingKey* known = find_key(key.c_str());
    if (known == nullptr) return text;
    std::string ignored;
    bool open_at_end = false;
    std::vector<SettingLines> where;
    for (const SettingLines& seen : read_lines_and_end(text, &ignored, &open_at_end)) {
        if (seen.key == known->name) where.push_back(seen);
    }
    std::vector<std::string> lines = settings_lines(text);
    const std::string eol = text.find("\r\n") != std::string::npos ? "\r\n"
                            : text.find('\n') == std::string::npos && text.find('\r') != std::string::npos
                                ? "\r"
                                : "\n";
    const bool clear = value.find_first_not_of(" \t\r\n") == std::string::npos;
    if (where.empty()) {
        if (clear) return text;
        std::string edited = text;
        if (!lines.empty() && edited.back() != '\n' && edited.back() != '\r') edited += eol;
        // A blank line, else the key would be read into the block. After a lone CR a bare
        // LF would make one CRLF line end, not a blank line.
        if (open_at_end) edited += edited.ends_with("\r") && eol == "\n" ? "\r\n" : eol;
        return edited + written_setting(*known, value, eol) + (known->kind == SETTING_LINES ? eol : "");
    }
    // From the last setting back, so earlier line numbers still hold.
    for (auto at = where.rbegin(); at != where.rend(); ++at) {
        const auto first = lines.begin() + (at->first_line - 1), last = lines.begin() + at->last_line;
        if (clear) {
            lines.erase(first, last);
        } else if (at == where.rbegin()) {
            const bool ended = last[-1].ends_with("\n") || last[-1].ends_with("\r");
            std::string written = written_setting(*known, value, eol);
            if (!ended) written.resize(written.size() - eol.size());
            // A block written where a one-line value was must not take in the line after it.
            if (known->kind == SETTING_LINES && last != lines.end() && !line_ends_block(*last))
                written += eol;
            lines.erase(first, last);
            lines.insert(lines.begin() + (at->first_line - 1), written);
        }
    }
    std::string edited;
    for (const std::string& line : lines) edited += line;
    return edited;
}

PageWords default_page_words() {
    PageWords words{};  // zeros after each word: two Settings with the same words are the same bytes
    for (int g = 0; g < GROUP_COUNT; ++g)
        copy_text(words.group_titles[g], SETTINGS_KEY_SIZE, GROUPS[g].heading);
    copy_text(words.continued, SETTINGS_KEY_SIZE, "continued");
    copy_text(words.notes_title, SETTINGS_KEY_SIZE, "Notes");
    copy_text(words.picture_missing, SETTINGS_KEY_SIZE, "[{file} not found]");
    copy_text(words.household_joiner, SETTINGS_KEY_SIZE, "&");
    copy_text(words.index_title, SETTINGS_KEY_SIZE, "Index");
    return words;
}
