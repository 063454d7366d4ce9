#include "settings/settings.h"

#include <strings.h>

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>
#include <string_view>

#include "base/file.h"
#include "base/message.h"
#include "base/text_util.h"
#include "text/collate.h"
#include "text/decode.h"

namespace {

// The value a key is given: its text after the colon, or the lines of its block.
struct SettingValue {
    const char* text;
    const char (*lines)[SETTINGS_LINE_SIZE];
    int line_count;
};

// One key of the settings file: its name, how a value is applied to the record, and
// whether its one-line value is checked (a choice, a size, a colour): only such a key,
// with a value it accepts, ends a block it is typed in.
struct SettingKey {
    const char* name;
    void (*apply)(Settings* settings, const SettingValue& value);
    bool checked = false;
};

// The SettingKey that `key` names, or null.
const SettingKey* find_key(const char* key);

// The known key `line` starts with, followed by a colon as a setting line is; null when none.
const SettingKey* key_of_line(const char* line) {
    const char* colon = strchr(line, ':');
    if (colon == nullptr) return nullptr;
    char key[SETTINGS_KEY_SIZE];
    copy_text(key, std::min(sizeof key, static_cast<size_t>(colon - line) + 1), line);
    return find_key(key);
}

constexpr long long MAX_SETTINGS_FILE_BYTES = 1 << 24;
constexpr float DEFAULT_TITLE_COLOR[3] = {0.10f, 0.23f, 0.36f};
constexpr float DEFAULT_SUBTITLE_COLOR[3] = {0.33f, 0.33f, 0.33f};

// A block opens with a key whose colon has nothing after it; its lines follow
// until an empty line.
struct BlockState {
    bool open;
    char key[SETTINGS_KEY_SIZE];
    char lines[MAX_BLOCK_LINES][SETTINGS_LINE_SIZE];
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
    copy_text(settings->text_encoding, sizeof settings->text_encoding, AUTO_ENCODING);
    settings->page_numbers = true;
    copy_text(settings->committee.title, SETTINGS_KEY_SIZE, "Club Committee");
    copy_text(settings->schedule.title, SETTINGS_KEY_SIZE, "Dance Schedule");
}

// Copies up to `capacity` block lines into lines of LINE_SIZE bytes; returns how many.
template <size_t LINE_SIZE>
int copy_block_lines(char (*target)[LINE_SIZE], int capacity, const char (*lines)[SETTINGS_LINE_SIZE],
                     int line_count) {
    int count = 0;
    for (; lines != nullptr && count < line_count && count < capacity; ++count) {
        copy_text(target[count], LINE_SIZE, lines[count]);
    }
    return count;
}

// A size libharu cannot draw with would end the run later with a bare library error,
// so anything outside (0, 600] keeps the size it replaces.
void apply_font_size(float* size, const char* value) {
    char* end = nullptr;
    float parsed = static_cast<float>(strtod(value, &end));
    if (end == value || !(parsed > 0.0f && parsed <= MAX_FONT_SIZE)) {
        say("roster.conf: bad font size '%s', keeping %g\n", value, *size);
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
    say("roster.conf: bad colour '%s', keeping #%02x%02x%02x\n", value,
        static_cast<unsigned>(lroundf(color[0] * 255.0f)), static_cast<unsigned>(lroundf(color[1] * 255.0f)),
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
        say("roster.conf: bad image resolution '%s', keeping %d\n", value, settings->image_resolution);
    }
}

constexpr const char* LABEL_SEQUENCE_NAMES[2] = {"Row Order", "Column Order"};
constexpr const char* IMAGE_COMPRESSION_NAMES[2] = {"Lossless", "JPEG"};
constexpr const char* FONT_CHOICE_NAMES[2] = {"Standard", "Embedded"};
constexpr const char* PAPER_SIZE_NAMES[2] = {"Letter", "A4"};
constexpr const char* ON_OFF_NAMES[2] = {"Off", "On"};
constexpr const char* SPARE_PAGE_NAMES[2] = {"Blank", "Notes"};
constexpr const char* SHOP_COLOUR_NAMES[2] = {"RGB", "CMYK"};

// A key with two named values, `names[0]` and `names[1]` for the choices 0 and 1;
// anything else keeps the value it has and says so.
template <typename Choice>
void apply_choice(Choice* field, const char* value, const char* what, const char* const (&names)[2]) {
    for (int i = 0; i < 2; ++i) {
        if (keys_equal(value, names[i])) {
            *field = static_cast<Choice>(i);
            return;
        }
    }
    say("roster.conf: unknown %s '%s', keeping %s\n", what, value, names[*field]);
}

// Unlike the other choices, a label sequence nobody knows falls back to Row Order.
void apply_label_sequence(Settings* settings, const char* value) {
    settings->label_sequence =
        keys_equal(value, LABEL_SEQUENCE_NAMES[COLUMN_ORDER]) ? COLUMN_ORDER : ROW_ORDER;
    if (settings->label_sequence == ROW_ORDER && !keys_equal(value, LABEL_SEQUENCE_NAMES[ROW_ORDER])) {
        say("roster.conf: unknown label sequence '%s', using Row Order\n", value);
    }
}

// The title lines come only from a block; text after the key's colon is a mistake.
template <size_t LINE_SIZE>
void apply_lines(char (*target)[LINE_SIZE], int32_t* target_count, int capacity, const char* name,
                 const SettingValue& value) {
    if (value.text != nullptr && value.text[0] != '\0') {
        say("roster.conf: %s takes its lines as a block: write '%s:' alone, the lines below it, then an "
            "empty line\n",
            name, name);
    }
    *target_count = copy_block_lines(target, capacity, value.lines, value.line_count);
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
        return;
    }
    block->open = true;
    copy_text(block->key, SETTINGS_KEY_SIZE, key);
    block->count = 0;
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
    char* said = nullptr;
    size_t said_size = 0;
    FILE* sink = open_memstream(&said, &said_size);
    if (sink == nullptr) return false;
    const MessageStreams previous = use_message_streams({nullptr, sink});
    known->apply(scratch.get(), {value, nullptr, 0});
    use_message_streams(previous);
    fclose(sink);
    free(said);
    return said_size == 0;
}

void collect_block_line(BlockState* block, char* line, int line_number) {
    if (key_of_line(line) != nullptr) {
        say("roster.conf: line %d: '%s' is inside the %s block; end a block with an empty line\n",
            line_number, line, block->key);
    }
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

// Reads the settings file as UTF-8: as its own Text Encoding line says, else detected,
// saying so when a legacy code page was guessed. False when the file cannot be read.
bool read_settings_text(const char* path, std::string* text) {
    unsigned char* bytes = nullptr;
    size_t size = 0;
    if (read_whole_file(path, MAX_SETTINGS_FILE_BYTES, "too large", &bytes, &size)) return false;
    const std::unique_ptr<unsigned char, FreeDeleter> owner(bytes);
    const std::string_view raw(reinterpret_cast<const char*>(bytes), size);
    DecodedText decoded;
    if (decode_text(raw, AUTO_ENCODING, &decoded)) return false;
    const std::string named = text_encoding_line(decoded.utf8);
    if (!named.empty() && text_encoding_known(named.c_str()) && named != AUTO_ENCODING) {
        DecodedText forced;
        if (!decode_text(raw, named.c_str(), &forced)) decoded = forced;
    } else {
        report_guessed_encoding(SETTINGS_FILE_NAME, decoded);
    }
    *text = std::move(decoded.utf8);
    return true;
}

// An encoding iconv does not know would fail every file; detecting is the better guess.
void apply_text_encoding(Settings* settings, const char* value) {
    if (text_encoding_known(value)) {
        copy_text(settings->text_encoding, sizeof settings->text_encoding, value);
        return;
    }
    say("roster.conf: unknown text encoding '%s', detecting it\n", value);
    copy_text(settings->text_encoding, sizeof settings->text_encoding, AUTO_ENCODING);
}

void apply_sort_language(Settings* settings, const char* value) {
    Collation collation;
    if (open_collation(&collation, value)) {
        copy_text(settings->sort_language, sizeof settings->sort_language, value);
        return;
    }
    say("roster.conf: unknown sort language '%s', using the default order\n", value);
    settings->sort_language[0] = '\0';
}

// Calls `apply(left, right)` for each "left: right" line of a block (and for a value
// written after the key's own colon), both trimmed; a line without a colon is reported.
template <typename Apply>
void for_each_pair(const SettingValue& value, Apply apply) {
    auto split = [&](const char* line) {
        char text[SETTINGS_LINE_SIZE];
        copy_text(text, sizeof text, line);
        char* colon = strchr(text, ':');
        if (colon == nullptr) {
            say("roster.conf: no colon: %s\n", text);
            return;
        }
        *colon = '\0';
        trim_in_place(text);
        trim_in_place(colon + 1);
        apply(text, colon + 1);
    };
    if (value.text != nullptr && value.text[0] != '\0') split(value.text);
    for (int i = 0; value.lines != nullptr && i < value.line_count; ++i) split(value.lines[i]);
}

// "Member: Life Member, Angel" adds the club's words for a group; the block replaces any before it.
void apply_roles(Settings* settings, const SettingValue& value) {
    memset(settings->role_words, 0, sizeof settings->role_words);
    for_each_pair(value, [&](const char* group, const char* words) {
        for (int g = 0; g < GROUP_COUNT; ++g) {
            if (match_key(group) != match_key(GROUPS[g].role)) continue;
            char* list = settings->role_words[g];
            const size_t used = strlen(list);
            snprintf(list + used, SETTINGS_LINE_SIZE - used, "%s%s", used > 0 ? ", " : "", words);
            return;
        }
        say("roster.conf: unknown group '%s' in Roles\n", group);
    });
}

// The card_names entry `label` names (a CardName), or -1.
int card_name_index(const char* label) {
    for (int i = 0; i < CARD_NAME_COUNT; ++i) {
        if (match_key(label) == match_key(CARD_NAME_LABELS[i])) return i;
    }
    return -1;
}

// "Line 3: City, State, Zip" names the columns a detail line shows, "Last Name: Surname"
// the column of a name or the role; lines the block leaves out stay empty.
void apply_card(Settings* settings, const SettingValue& value) {
    memset(settings->card_lines, 0, sizeof settings->card_lines);
    memset(settings->card_names, 0, sizeof settings->card_names);
    settings->card_block = true;
    for_each_pair(value, [&](const char* label, const char* headings) {
        const int name = card_name_index(label);
        if (name >= 0) {
            copy_text(settings->card_names[name], SETTINGS_KEY_SIZE, headings);
            return;
        }
        const std::string key = match_key(label);
        char* end = nullptr;
        const long line = key.starts_with("line") ? strtol(key.c_str() + 4, &end, 10) : 0;
        if (end == nullptr || *end != '\0' || line < FIRST_DETAIL_LINE ||
            line >= FIRST_DETAIL_LINE + DETAIL_LINE_COUNT) {
            say("roster.conf: unknown card line '%s' in Card; use Line 2 to Line 6, Role, First Name, Last "
                "Name or Name\n",
                label);
            return;
        }
        copy_text(settings->card_lines[line - FIRST_DETAIL_LINE], SETTINGS_LINE_SIZE, headings);
    });
}

// The lines of a typed page come from a block, as the title's do; the page is typed even
// when the block is empty.
void apply_typed_lines(TypedPage* page, const char* name, const SettingValue& value) {
    page->given = true;
    apply_lines(page->lines, &page->line_count, MAX_TYPED_LINES, name, value);
}

void apply_shop_colour(Settings* settings, const SettingValue& value) {
    apply_choice(&settings->shop_colour, value.text, "print shop colour", SHOP_COLOUR_NAMES);
}

// Every key of the settings file, in the order they are matched.
constexpr SettingKey SETTING_KEYS[] = {
    {"Title",
     [](Settings* s, const SettingValue& v) {
         apply_lines(s->title_lines, &s->title_line_count, MAX_TITLE_LINES, "Title", v);
     }},
    {"Subtitle",
     [](Settings* s, const SettingValue& v) {
         apply_lines(s->subtitle_lines, &s->subtitle_line_count, MAX_SUBTITLE_LINES, "Subtitle", v);
     }},
    {"Title Font Size",
     [](Settings* s, const SettingValue& v) { apply_font_size(&s->title_font_size, v.text); }, true},
    {"Title Color", [](Settings* s, const SettingValue& v) { apply_color(s->title_color, v.text); }, true},
    {"Subtitle Font Size",
     [](Settings* s, const SettingValue& v) { apply_font_size(&s->subtitle_font_size, v.text); }, true},
    {"Subtitle Color", [](Settings* s, const SettingValue& v) { apply_color(s->subtitle_color, v.text); },
     true},
    {"Label Sequence", [](Settings* s, const SettingValue& v) { apply_label_sequence(s, v.text); }, true},
    {"Cover Image", [](Settings* s, const SettingValue& v) { apply_path(s->cover_image_path, v.text); }},
    {"Committee Image",
     [](Settings* s, const SettingValue& v) { apply_path(s->committee_image_path, v.text); }},
    {"Schedule Image",
     [](Settings* s, const SettingValue& v) { apply_path(s->schedule_image_path, v.text); }},
    {"Member CSV", [](Settings* s, const SettingValue& v) { apply_path(s->member_csv_path, v.text); }},
    {"Booklet PDF", [](Settings* s, const SettingValue& v) { apply_path(s->booklet_pdf_path, v.text); }},
    {"Standard PDF", [](Settings* s, const SettingValue& v) { apply_path(s->standard_pdf_path, v.text); }},
    {"Image Resolution", [](Settings* s, const SettingValue& v) { apply_image_resolution(s, v.text); }, true},
    {"Image Compression",
     [](Settings* s, const SettingValue& v) {
         apply_choice(&s->image_compression, v.text, "image compression", IMAGE_COMPRESSION_NAMES);
     },
     true},
    {"Fonts",
     [](Settings* s, const SettingValue& v) { apply_choice(&s->fonts, v.text, "fonts", FONT_CHOICE_NAMES); },
     true},
    {"Text Encoding", [](Settings* s, const SettingValue& v) { apply_text_encoding(s, v.text); }, true},
    {"Sort Language", [](Settings* s, const SettingValue& v) { apply_sort_language(s, v.text); }, true},
    {"Paper Size",
     [](Settings* s, const SettingValue& v) {
         apply_choice(&s->paper_size, v.text, "paper size", PAPER_SIZE_NAMES);
     },
     true},
    {"Page Numbers",
     [](Settings* s, const SettingValue& v) {
         apply_choice(&s->page_numbers, v.text, "page numbers", ON_OFF_NAMES);
     },
     true},
    {"Committee",
     [](Settings* s, const SettingValue& v) { apply_typed_lines(&s->committee, "Committee", v); }},
    {"Committee Title",
     [](Settings* s, const SettingValue& v) { copy_text(s->committee.title, SETTINGS_KEY_SIZE, v.text); }},
    {"Committee Subtitle",
     [](Settings* s, const SettingValue& v) { copy_text(s->committee.subtitle, SETTINGS_KEY_SIZE, v.text); }},
    {"Schedule", [](Settings* s, const SettingValue& v) { apply_typed_lines(&s->schedule, "Schedule", v); }},
    {"Schedule Title",
     [](Settings* s, const SettingValue& v) { copy_text(s->schedule.title, SETTINGS_KEY_SIZE, v.text); }},
    {"Schedule Subtitle",
     [](Settings* s, const SettingValue& v) { copy_text(s->schedule.subtitle, SETTINGS_KEY_SIZE, v.text); }},
    {"Spare Pages",
     [](Settings* s, const SettingValue& v) {
         apply_choice(&s->spare_pages, v.text, "spare pages", SPARE_PAGE_NAMES);
     },
     true},
    {"Print Shop PDF",
     [](Settings* s, const SettingValue& v) { apply_path(s->print_shop_pdf_path, v.text); }},
    {"Crop Marks",
     [](Settings* s, const SettingValue& v) {
         apply_choice(&s->crop_marks, v.text, "crop marks", ON_OFF_NAMES);
     },
     true},
    // Both spellings: the other colour keys are spelt as US clubs write them.
    {"Print Shop Colour", apply_shop_colour, true},
    {"Print Shop Color", apply_shop_colour, true},
    {"Club", [](Settings* s, const SettingValue& v) { copy_text(s->club, SETTINGS_KEY_SIZE, v.text); }},
    {"Roles", apply_roles},
    {"Card", apply_card},
    {"Private Shows",
     [](Settings* s, const SettingValue& v) { copy_text(s->private_shows, SETTINGS_LINE_SIZE, v.text); }},
};

const SettingKey* find_key(const char* key) {
    for (const SettingKey& known : SETTING_KEYS) {
        if (keys_equal(key, known.name)) return &known;
    }
    return nullptr;
}

}  // namespace

void load_settings(Settings* settings) { load_settings_from(settings, SETTINGS_FILE_NAME); }

void load_settings_from(Settings* settings, const char* path) {
    set_defaults(settings);
    std::string text;
    if (!read_settings_text(path, &text)) {
        say("Warning: cannot open %s, proceeding with defaults \n", SETTINGS_FILE_NAME);
        return;
    }
    FILE* memory = fmemopen(text.data(), text.size(), "r");
    if (memory == nullptr) return;  // an empty file holds no settings
    FilePtr file(memory);
    // Heap, not stack: the block's lines take 16 KiB, too much for a small (web) stack.
    auto block_storage = std::make_unique<BlockState>();
    BlockState& block = *block_storage;
    char line[SETTINGS_LINE_SIZE];
    int line_number = 0;
    while (read_line(file.get(), line, sizeof line)) {
        ++line_number;
        trim_in_place(line);
        if (line[0] == '\0') {
            if (block.open) apply_block(settings, &block);
        } else if (line[0] == '#') {
            continue;
        } else if (block.open && ends_block(line)) {
            say("roster.conf: line %d: '%.*s:' ends the %s block; leave an empty line after a block\n",
                line_number, static_cast<int>(strchr(line, ':') - line), line, block.key);
            apply_block(settings, &block);
            handle_key_line(settings, &block, line);
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
    const SettingKey* known = find_key(key);
    if (known == nullptr) {
        say("roster.conf: unknown key '%s'\n", key);
        return;
    }
    known->apply(settings, {value, lines, line_count});
}

const char* label_sequence_name(LabelSequence sequence) { return LABEL_SEQUENCE_NAMES[sequence]; }

const char* paper_size_name(PaperSize paper) { return PAPER_SIZE_NAMES[paper]; }

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
