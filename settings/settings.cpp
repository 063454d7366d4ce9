#include "settings/settings.h"

#include <strings.h>

#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "settings/encoding.h"
#include "settings/text_util.h"

namespace {

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
    copy_text(settings->cover_image_path, PATH_SIZE, "cover.png");
    copy_text(settings->committee_image_path, PATH_SIZE, "committee.png");
    copy_text(settings->schedule_image_path, PATH_SIZE, "schedule.png");
    copy_text(settings->member_csv_path, PATH_SIZE, "members.csv");
    copy_text(settings->booklet_pdf_path, PATH_SIZE, "booklet.pdf");
    copy_text(settings->standard_pdf_path, PATH_SIZE, "standard.pdf");
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
    if (block->count >= MAX_TITLE_LINES) return;
    if (keys_equal(block->key, "Title") || keys_equal(block->key, "Subtitle")) {
        if (convert_to_windows_1252(line) > 0) {
            fprintf(stderr, "Warning: %s line %d: characters the PDF fonts cannot show are printed as '?'\n",
                    SETTINGS_FILE_NAME, line_number);
        }
    }
    copy_text(block->lines[block->count++], SETTINGS_LINE_SIZE, line);
}

void skip_byte_order_mark(char* line) {
    if (strncmp(line, "\xEF\xBB\xBF", 3) == 0) memmove(line, line + 3, strlen(line + 3) + 1);
}

}  // namespace

void load_settings(Settings* settings) { load_settings_from(settings, SETTINGS_FILE_NAME); }

void load_settings_from(Settings* settings, const char* path) {
    set_defaults(settings);
    FilePtr file(fopen(path, "r"));
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
        strip_line_end(line);
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
    if (keys_equal(key, "Title")) {
        settings->title_line_count =
            copy_block_lines(settings->title_lines, MAX_TITLE_LINES, lines, line_count);
    } else if (keys_equal(key, "Subtitle")) {
        settings->subtitle_line_count =
            copy_block_lines(settings->subtitle_lines, MAX_SUBTITLE_LINES, lines, line_count);
    } else if (keys_equal(key, "Title Font Size")) {
        apply_font_size(&settings->title_font_size, value);
    } else if (keys_equal(key, "Title Color")) {
        parse_hex_color(value, settings->title_color);
    } else if (keys_equal(key, "Subtitle Font Size")) {
        apply_font_size(&settings->subtitle_font_size, value);
    } else if (keys_equal(key, "Subtitle Color")) {
        parse_hex_color(value, settings->subtitle_color);
    } else if (keys_equal(key, "Label Sequence")) {
        settings->label_sequence = keys_equal(value, "Column Order") ? 1 : 0;
    } else if (keys_equal(key, "Cover Image")) {
        apply_path(settings->cover_image_path, value);
    } else if (keys_equal(key, "Committee Image")) {
        apply_path(settings->committee_image_path, value);
    } else if (keys_equal(key, "Schedule Image")) {
        apply_path(settings->schedule_image_path, value);
    } else if (keys_equal(key, "Member CSV")) {
        apply_path(settings->member_csv_path, value);
    } else if (keys_equal(key, "Booklet PDF")) {
        apply_path(settings->booklet_pdf_path, value);
    } else if (keys_equal(key, "Standard PDF")) {
        apply_path(settings->standard_pdf_path, value);
    } else {
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
    unsigned int red, green, blue;
    if (sscanf(text, "#%02x%02x%02x", &red, &green, &blue) != 3) return false;
    color[0] = static_cast<float>(red / 255.0);
    color[1] = static_cast<float>(green / 255.0);
    color[2] = static_cast<float>(blue / 255.0);
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
