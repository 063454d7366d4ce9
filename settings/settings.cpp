#include "settings/settings.h"

#include <strings.h>

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "settings/encoding.h"
#include "settings/text_util.h"

namespace {

// The keys of the settings file, in the order they are matched.
enum SettingKey {
    KEY_TITLE,
    KEY_SUBTITLE,
    KEY_TITLE_FONT_SIZE,
    KEY_TITLE_COLOR,
    KEY_SUBTITLE_FONT_SIZE,
    KEY_SUBTITLE_COLOR,
    KEY_LABEL_SEQUENCE,
    KEY_COVER_IMAGE,
    KEY_COMMITTEE_IMAGE,
    KEY_SCHEDULE_IMAGE,
    KEY_MEMBER_CSV,
    KEY_BOOKLET_PDF,
    KEY_STANDARD_PDF,
    KEY_IMAGE_RESOLUTION,
    KEY_IMAGE_COMPRESSION,
    KEY_FONTS,
    KEY_COUNT
};
constexpr const char* SETTING_KEYS[KEY_COUNT] = {
    "Title",          "Subtitle",       "Title Font Size", "Title Color",      "Subtitle Font Size",
    "Subtitle Color", "Label Sequence", "Cover Image",     "Committee Image",  "Schedule Image",
    "Member CSV",     "Booklet PDF",    "Standard PDF",    "Image Resolution", "Image Compression",
    "Fonts"};

// The SettingKey that `key` names, or -1.
int find_key(const char* key) {
    for (int i = 0; i < KEY_COUNT; ++i) {
        if (keys_equal(key, SETTING_KEYS[i])) return i;
    }
    return -1;
}

// True when `line` starts with a known key and a colon, as a setting line does.
bool starts_with_key(const char* line) {
    const char* colon = strchr(line, ':');
    if (colon == nullptr) return false;
    char key[SETTINGS_KEY_SIZE];
    copy_text(key, std::min(sizeof key, static_cast<size_t>(colon - line) + 1), line);
    return find_key(key) >= 0;
}

constexpr float DEFAULT_TITLE_COLOR[3] = {0.10f, 0.23f, 0.36f};
constexpr float DEFAULT_SUBTITLE_COLOR[3] = {0.33f, 0.33f, 0.33f};

// A block opens with a key whose colon has nothing after it; its lines follow
// until an empty line.
struct BlockState {
    bool open;
    char key[SETTINGS_KEY_SIZE];
    char lines[MAX_TITLE_LINES][SETTINGS_LINE_SIZE];
    int count;
};

void set_defaults(Settings* settings) {
    memset(settings, 0, sizeof *settings);
    settings->title_font_size = 20.0f;
    memcpy(settings->title_color, DEFAULT_TITLE_COLOR, sizeof DEFAULT_TITLE_COLOR);
    settings->subtitle_font_size = 10.0f;
    memcpy(settings->subtitle_color, DEFAULT_SUBTITLE_COLOR, sizeof DEFAULT_SUBTITLE_COLOR);
    copy_text(settings->cover_image_path, PATH_SIZE, DEFAULT_COVER_IMAGE);
    copy_text(settings->committee_image_path, PATH_SIZE, DEFAULT_COMMITTEE_IMAGE);
    copy_text(settings->schedule_image_path, PATH_SIZE, DEFAULT_SCHEDULE_IMAGE);
    copy_text(settings->member_csv_path, PATH_SIZE, "members.csv");
    copy_text(settings->booklet_pdf_path, PATH_SIZE, "booklet.pdf");
    copy_text(settings->standard_pdf_path, PATH_SIZE, "standard.pdf");
    settings->image_resolution = DEFAULT_IMAGE_RESOLUTION;
}

int copy_block_lines(char (*target)[SETTINGS_LINE_SIZE], int capacity,
                     const char (*lines)[SETTINGS_LINE_SIZE], int line_count) {
    int count = 0;
    for (; lines != nullptr && count < line_count && count < capacity; ++count) {
        copy_text(target[count], SETTINGS_LINE_SIZE, lines[count]);
    }
    return count;
}

// A size libharu cannot draw with would end the run later with a bare library error,
// so anything outside (0, 600] keeps the size it replaces.
void apply_font_size(float* size, const char* value) {
    char* end = nullptr;
    float parsed = static_cast<float>(strtod(value, &end));
    if (end == value || !(parsed > 0.0f && parsed <= MAX_FONT_SIZE)) {
        fprintf(stderr, "roster.conf: bad font size '%s', keeping %g\n", value, *size);
        return;
    }
    *size = parsed;
}

void apply_path(char* field, const char* value) {
    copy_text(field, PATH_SIZE, value);
    strip_quotes(field);
}

// A colour the reader refuses keeps its value, so every stored colour stays in 0..1.
void apply_color(float color[3], const char* value) {
    if (parse_hex_color(value, color)) return;
    fprintf(stderr, "roster.conf: bad colour '%s', keeping #%02x%02x%02x\n", value,
            static_cast<unsigned>(lroundf(color[0] * 255.0f)),
            static_cast<unsigned>(lroundf(color[1] * 255.0f)),
            static_cast<unsigned>(lroundf(color[2] * 255.0f)));
}

// "Full" or 0 embeds images as they come; anything else must be a whole number of pixels
// per inch from 72 on.
void apply_image_resolution(Settings* settings, const char* value) {
    char* end = nullptr;
    const long parsed = strtol(value, &end, 10);
    if (keys_equal(value, "Full") || (end != value && *end == '\0' && parsed == 0)) {
        settings->image_resolution = FULL_IMAGE_RESOLUTION;
    } else if (end != value && *end == '\0' && parsed >= MIN_IMAGE_RESOLUTION &&
               parsed <= MAX_IMAGE_RESOLUTION) {
        settings->image_resolution = static_cast<int32_t>(parsed);
    } else {
        fprintf(stderr, "roster.conf: bad image resolution '%s', keeping %d\n", value,
                settings->image_resolution);
    }
}

// A key with two named values: `second` sets 1, `first` sets 0, anything else keeps the
// value it has and says so.
void apply_choice(int32_t* field, const char* value, const char* what, const char* first,
                  const char* second) {
    if (keys_equal(value, first) || keys_equal(value, second)) {
        *field = keys_equal(value, second) ? 1 : 0;
        return;
    }
    fprintf(stderr, "roster.conf: unknown %s '%s', keeping %s\n", what, value, *field ? second : first);
}

void apply_label_sequence(Settings* settings, const char* value) {
    settings->label_sequence = keys_equal(value, "Column Order") ? 1 : 0;
    if (settings->label_sequence == 0 && !keys_equal(value, "Row Order")) {
        fprintf(stderr, "roster.conf: unknown label sequence '%s', using Row Order\n", value);
    }
}

// The title lines come only from a block; text after the key's colon is a mistake.
void apply_lines(char (*target)[SETTINGS_LINE_SIZE], int32_t* target_count, int capacity, const char* name,
                 const char* value, const char (*lines)[SETTINGS_LINE_SIZE], int line_count) {
    if (value != nullptr && value[0] != '\0') {
        fprintf(stderr,
                "roster.conf: %s takes its lines as a block: write '%s:' alone, the lines below it, then an "
                "empty line\n",
                name, name);
    }
    *target_count = copy_block_lines(target, capacity, lines, line_count);
}

void apply_block(Settings* settings, BlockState* block) {
    apply_setting(settings, block->key, "", block->lines, block->count);
    block->open = false;
    block->count = 0;
}

// Handles one trimmed, non-empty, non-comment line outside a block.
void handle_key_line(Settings* settings, BlockState* block, char* line) {
    char* colon = strchr(line, ':');
    if (colon == nullptr) {
        fprintf(stderr, "roster.conf: no colon: %s\n", line);
        return;
    }
    *colon = '\0';
    char* key = line;
    char* value = colon + 1;
    trim_in_place(key);
    trim_in_place(value);
    if (value[0] != '\0') {
        apply_setting(settings, key, value, nullptr, 0);
        return;
    }
    block->open = true;
    copy_text(block->key, SETTINGS_KEY_SIZE, key);
    block->count = 0;
}

// Title and subtitle lines are printed, so they are converted to the fonts' encoding;
// the lines of other blocks are never used and stay as read.
void collect_block_line(BlockState* block, char* line, int line_number) {
    if (starts_with_key(line)) {
        fprintf(stderr, "roster.conf: line %d: '%s' is inside the %s block; end a block with an empty line\n",
                line_number, line, block->key);
    }
    if (block->count >= MAX_TITLE_LINES) return;
    if (keys_equal(block->key, "Title") || keys_equal(block->key, "Subtitle")) {
        if (convert_to_windows_1252(line) > 0) {
            fprintf(stderr, "Warning: %s line %d: characters the PDF fonts cannot show are printed as '?'\n",
                    SETTINGS_FILE_NAME, line_number);
        }
    }
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

void skip_byte_order_mark(char* line) {
    if (strncmp(line, "\xEF\xBB\xBF", 3) == 0) memmove(line, line + 3, strlen(line + 3) + 1);
}

}  // namespace

void load_settings(Settings* settings) { load_settings_from(settings, SETTINGS_FILE_NAME); }

void load_settings_from(Settings* settings, const char* path) {
    set_defaults(settings);
    const char* reason = nullptr;
    FilePtr file = open_regular_file(path, &reason);
    if (!file) {
        fprintf(stderr, "Warning: cannot open %s, proceeding with defaults \n", SETTINGS_FILE_NAME);
        return;
    }
    static BlockState block;
    memset(&block, 0, sizeof block);
    char line[SETTINGS_LINE_SIZE];
    int line_number = 0;
    while (read_line(file.get(), line, sizeof line)) {
        ++line_number;
        // Windows editors often start the file with a UTF-8 byte order mark.
        if (line_number == 1) skip_byte_order_mark(line);
        trim_in_place(line);
        if (line[0] == '\0') {
            if (block.open) apply_block(settings, &block);
        } else if (line[0] == '#') {
            continue;
        } else if (block.open) {
            collect_block_line(&block, line, line_number);
        } else {
            handle_key_line(settings, &block, line);
        }
    }
    if (block.open && block.count > 0) apply_block(settings, &block);
}

void apply_setting(Settings* settings, const char* key, const char* value,
                   const char (*lines)[SETTINGS_LINE_SIZE], int line_count) {
    switch (find_key(key)) {
        case KEY_TITLE:
            apply_lines(settings->title_lines, &settings->title_line_count, MAX_TITLE_LINES, "Title", value,
                        lines, line_count);
            break;
        case KEY_SUBTITLE:
            apply_lines(settings->subtitle_lines, &settings->subtitle_line_count, MAX_SUBTITLE_LINES,
                        "Subtitle", value, lines, line_count);
            break;
        case KEY_TITLE_FONT_SIZE:
            apply_font_size(&settings->title_font_size, value);
            break;
        case KEY_TITLE_COLOR:
            apply_color(settings->title_color, value);
            break;
        case KEY_SUBTITLE_FONT_SIZE:
            apply_font_size(&settings->subtitle_font_size, value);
            break;
        case KEY_SUBTITLE_COLOR:
            apply_color(settings->subtitle_color, value);
            break;
        case KEY_LABEL_SEQUENCE:
            apply_label_sequence(settings, value);
            break;
        case KEY_COVER_IMAGE:
            apply_path(settings->cover_image_path, value);
            break;
        case KEY_COMMITTEE_IMAGE:
            apply_path(settings->committee_image_path, value);
            break;
        case KEY_SCHEDULE_IMAGE:
            apply_path(settings->schedule_image_path, value);
            break;
        case KEY_MEMBER_CSV:
            apply_path(settings->member_csv_path, value);
            break;
        case KEY_BOOKLET_PDF:
            apply_path(settings->booklet_pdf_path, value);
            break;
        case KEY_STANDARD_PDF:
            apply_path(settings->standard_pdf_path, value);
            break;
        case KEY_IMAGE_RESOLUTION:
            apply_image_resolution(settings, value);
            break;
        case KEY_IMAGE_COMPRESSION:
            apply_choice(&settings->jpeg_compression, value, "image compression", "Lossless", "JPEG");
            break;
        case KEY_FONTS:
            apply_choice(&settings->embedded_fonts, value, "fonts", "Standard", "Embedded");
            break;
        default:
            fprintf(stderr, "roster.conf: unknown key '%s'\n", key);
    }
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

void strip_quotes(char* text) {
    size_t length = strlen(text);
    if (length >= 2 && text[0] == '"' && text[length - 1] == '"') {
        memmove(text, text + 1, length - 2);
        text[length - 2] = '\0';
    }
}

void trim_in_place(char* text) {
    size_t start = 0;
    while (isspace(static_cast<unsigned char>(text[start]))) ++start;
    size_t length = strlen(text + start);
    while (length > 0 && isspace(static_cast<unsigned char>(text[start + length - 1]))) --length;
    memmove(text, text + start, length);
    text[length] = '\0';
}
