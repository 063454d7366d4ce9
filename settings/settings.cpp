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
#include "text/bidi.h"
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
    SettingKind kind = SETTING_TEXT;
    const char* group = "";
    std::string (*shown)(const Settings& settings) = nullptr;  // its value as roster.sdd writes it
    std::span<const char* const> choices = {};                 // a choice's words, by the enum's order
    const char* alias = nullptr;                               // a second spelling the reader takes
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
    copy_text(settings->cover_image_path, PATH_SIZE, DEFAULT_COVER_IMAGE);
    copy_text(settings->committee_image_path, PATH_SIZE, DEFAULT_COMMITTEE_IMAGE);
    copy_text(settings->schedule_image_path, PATH_SIZE, DEFAULT_SCHEDULE_IMAGE);
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
// "Profile" (the press profile's own limit), or a total ink in percent a press takes.
void apply_ink_limit(Settings* settings, const char* value) {
    char* end = nullptr;
    const long parsed = strtol(value, &end, 10);
    if (keys_equal(value, "Profile")) {
        settings->ink_limit = 0;
    } else if (end != value && (*end == '\0' || (end[0] == '%' && end[1] == '\0')) &&
               parsed >= MIN_INK_LIMIT && parsed <= MAX_INK_LIMIT) {
        settings->ink_limit = static_cast<int32_t>(parsed);
    } else {
        say("roster.conf: bad ink limit '%s' (200 to 400, or Profile), keeping %s\n", value,
            settings->ink_limit == 0 ? "Profile" : std::to_string(settings->ink_limit).c_str());
    }
}

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
constexpr const char* NAME_ORDER_NAMES[2] = {"Given First", "Family First"};
constexpr const char* BINDING_NAMES[2] = {"Left", "Right"};
constexpr const char* DIRECTION_NAMES[3] = {"Auto", "Left to Right", "Right to Left"};
constexpr const char* COVER_FOCUS_NAMES[6] = {"Fit", "Centre", "Top", "Bottom", "Left", "Right"};
constexpr const char* HOUSEHOLDS_NAMES[2] = {"Apart", "Together"};
constexpr const char* FILTERED_ROWS_NAMES[3] = {"Stop", "Print", "Leave Out"};

// A key with named values, `names[i]` for the choice i; anything else keeps the value it
// has and says so.
template <typename Choice, size_t N>
void apply_choice(Choice* field, const char* value, const char* what, const char* const (&names)[N]) {
    for (size_t i = 0; i < N; ++i) {
        if (keys_equal(value, names[i])) {
            *field = static_cast<Choice>(i);
            return;
        }
    }
    say("roster.conf: unknown %s '%s', keeping %s\n", what, value, names[*field]);
}

// One of the page's own words; an empty value keeps the word it has (a heading never
// prints empty), and says so.
void apply_word(char (&word)[SETTINGS_KEY_SIZE], const char* value, const char* key) {
    if (value[0] == '\0') {
        say("roster.conf: %s is empty, keeping '%s'\n", key, word);
        return;
    }
    copy_text(word, SETTINGS_KEY_SIZE, value);
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
    return said_by([&] { known->apply(scratch.get(), {value, nullptr, 0}); }).empty();
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
                "Name, Name or Sort As\n",
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

// Block lines as the form shows them, one per line.
template <size_t LINE_SIZE>
std::string lines_shown(const char (*lines)[LINE_SIZE], int count) {
    std::string text;
    for (int i = 0; i < count; ++i) text += (i > 0 ? "\n" : "") + std::string(lines[i]);
    return text;
}

std::string number_shown(float number) {
    char text[32];
    snprintf(text, sizeof text, "%g", static_cast<double>(number));
    return text;
}

std::string colour_shown(const float colour[3]) {
    char text[8];
    snprintf(text, sizeof text, "#%02x%02x%02x", static_cast<unsigned>(lroundf(colour[0] * 255.0f)),
             static_cast<unsigned>(lroundf(colour[1] * 255.0f)),
             static_cast<unsigned>(lroundf(colour[2] * 255.0f)));
    return text;
}

void apply_shop_colour(Settings* settings, const SettingValue& value) {
    apply_choice(&settings->shop_colour, value.text, "print shop colour", SHOP_COLOUR_NAMES);
}

// The parts of the form a key is shown in.
constexpr const char* COVER = "Cover";
constexpr const char* PAGES = "Pages";
constexpr const char* LIST = "Member list";
constexpr const char* PRINTING = "Printing";
constexpr const char* SHOP = "Print shop";

// Every key of the settings file, in the order they are matched.
constexpr SettingKey SETTING_KEYS[] = {
    {"Title",
     [](Settings* s, const SettingValue& v) {
         apply_lines(s->title_lines, &s->title_line_count, MAX_TITLE_LINES, "Title", v);
     },
     false, SETTING_LINES, COVER,
     [](const Settings& s) { return lines_shown(s.title_lines, s.title_line_count); }},
    {"Subtitle",
     [](Settings* s, const SettingValue& v) {
         apply_lines(s->subtitle_lines, &s->subtitle_line_count, MAX_SUBTITLE_LINES, "Subtitle", v);
     },
     false, SETTING_LINES, COVER,
     [](const Settings& s) { return lines_shown(s.subtitle_lines, s.subtitle_line_count); }},
    {"Title Font Size",
     [](Settings* s, const SettingValue& v) { apply_font_size(&s->title_font_size, v.text); }, true,
     SETTING_NUMBER, COVER, [](const Settings& s) { return number_shown(s.title_font_size); }},
    {"Title Color", [](Settings* s, const SettingValue& v) { apply_color(s->title_color, v.text); }, true,
     SETTING_COLOUR, COVER, [](const Settings& s) { return colour_shown(s.title_color); }},
    {"Subtitle Font Size",
     [](Settings* s, const SettingValue& v) { apply_font_size(&s->subtitle_font_size, v.text); }, true,
     SETTING_NUMBER, COVER, [](const Settings& s) { return number_shown(s.subtitle_font_size); }},
    {"Subtitle Color", [](Settings* s, const SettingValue& v) { apply_color(s->subtitle_color, v.text); },
     true, SETTING_COLOUR, COVER, [](const Settings& s) { return colour_shown(s.subtitle_color); }},
    {"Cover Image",
     [](Settings* s, const SettingValue& v) {
         apply_path(s->cover_image_path, v.text);
         s->cover_named = s->cover_image_path[0] != '\0';
     },
     false, SETTING_FILE, COVER, [](const Settings& s) { return std::string(s.cover_image_path); }},
    {"Cover Focus",
     [](Settings* s, const SettingValue& v) {
         if (keys_equal(v.text, "Center")) {  // as Photo Focus takes it
             s->cover_focus = COVER_CENTRE;
         } else {
             apply_choice(&s->cover_focus, v.text, "cover focus", COVER_FOCUS_NAMES);
         }
     },
     true, SETTING_CHOICE, COVER,
     [](const Settings& s) { return std::string(COVER_FOCUS_NAMES[s.cover_focus]); }, COVER_FOCUS_NAMES},
    {"Label Sequence", [](Settings* s, const SettingValue& v) { apply_label_sequence(s, v.text); }, true,
     SETTING_CHOICE, PAGES,
     [](const Settings& s) { return std::string(LABEL_SEQUENCE_NAMES[s.label_sequence]); },
     LABEL_SEQUENCE_NAMES},
    {"Name Order",
     [](Settings* s, const SettingValue& v) {
         apply_choice(&s->name_order, v.text, "name order", NAME_ORDER_NAMES);
     },
     true, SETTING_CHOICE, PAGES,
     [](const Settings& s) { return std::string(NAME_ORDER_NAMES[s.name_order]); }, NAME_ORDER_NAMES},
    // The page's own words, in the club's language.
    {"Caller Title",
     [](Settings* s, const SettingValue& v) {
         apply_word(s->words.group_titles[GROUP_CALLER], v.text, "Caller Title");
     },
     true, SETTING_TEXT, PAGES,
     [](const Settings& s) { return std::string(s.words.group_titles[GROUP_CALLER]); }},
    {"Cuer Title",
     [](Settings* s, const SettingValue& v) {
         apply_word(s->words.group_titles[GROUP_CUER], v.text, "Cuer Title");
     },
     true, SETTING_TEXT, PAGES,
     [](const Settings& s) { return std::string(s.words.group_titles[GROUP_CUER]); }},
    {"Members Title",
     [](Settings* s, const SettingValue& v) {
         apply_word(s->words.group_titles[GROUP_MEMBER], v.text, "Members Title");
     },
     true, SETTING_TEXT, PAGES,
     [](const Settings& s) { return std::string(s.words.group_titles[GROUP_MEMBER]); }},
    {"New Dancers Title",
     [](Settings* s, const SettingValue& v) {
         apply_word(s->words.group_titles[GROUP_NEW_DANCER], v.text, "New Dancers Title");
     },
     true, SETTING_TEXT, PAGES,
     [](const Settings& s) { return std::string(s.words.group_titles[GROUP_NEW_DANCER]); }},
    {"Continued",
     [](Settings* s, const SettingValue& v) { apply_word(s->words.continued, v.text, "Continued"); }, true,
     SETTING_TEXT, PAGES, [](const Settings& s) { return std::string(s.words.continued); }},
    {"Notes Title",
     [](Settings* s, const SettingValue& v) { apply_word(s->words.notes_title, v.text, "Notes Title"); },
     true, SETTING_TEXT, PAGES, [](const Settings& s) { return std::string(s.words.notes_title); }},
    {"Picture Missing",
     [](Settings* s, const SettingValue& v) {
         apply_word(s->words.picture_missing, v.text, "Picture Missing");
     },
     true, SETTING_TEXT, PAGES, [](const Settings& s) { return std::string(s.words.picture_missing); }},
    {"Households",
     [](Settings* s, const SettingValue& v) {
         apply_choice(&s->households, v.text, "households", HOUSEHOLDS_NAMES);
     },
     true, SETTING_CHOICE, PAGES,
     [](const Settings& s) { return std::string(HOUSEHOLDS_NAMES[s.households]); }, HOUSEHOLDS_NAMES},
    {"Household Joiner",
     [](Settings* s, const SettingValue& v) {
         apply_word(s->words.household_joiner, v.text, "Household Joiner");
     },
     true, SETTING_TEXT, PAGES, [](const Settings& s) { return std::string(s.words.household_joiner); }},
    {"Member Photos",
     [](Settings* s, const SettingValue& v) {
         apply_choice(&s->member_photos, v.text, "member photos", ON_OFF_NAMES);
     },
     true, SETTING_CHOICE, PAGES,
     [](const Settings& s) { return std::string(ON_OFF_NAMES[s.member_photos]); }, ON_OFF_NAMES},
    {"Photo Folder", [](Settings* s, const SettingValue& v) { apply_path(s->photo_folder, v.text); }, false,
     SETTING_TEXT, PAGES, [](const Settings& s) { return std::string(s.photo_folder); }},
    {"Index",
     [](Settings* s, const SettingValue& v) { apply_choice(&s->name_index, v.text, "index", ON_OFF_NAMES); },
     true, SETTING_CHOICE, PAGES, [](const Settings& s) { return std::string(ON_OFF_NAMES[s.name_index]); },
     ON_OFF_NAMES},
    {"Index Title",
     [](Settings* s, const SettingValue& v) { apply_word(s->words.index_title, v.text, "Index Title"); },
     true, SETTING_TEXT, PAGES, [](const Settings& s) { return std::string(s.words.index_title); }},
    {"Committee Image",
     [](Settings* s, const SettingValue& v) { apply_path(s->committee_image_path, v.text); }, false,
     SETTING_FILE, PAGES, [](const Settings& s) { return std::string(s.committee_image_path); }},
    {"Schedule Image", [](Settings* s, const SettingValue& v) { apply_path(s->schedule_image_path, v.text); },
     false, SETTING_FILE, PAGES, [](const Settings& s) { return std::string(s.schedule_image_path); }},
    // The older name is kept: last season's roster.sdd says Member CSV.
    {"Member List",
     [](Settings* s, const SettingValue& v) {
         apply_path(s->member_csv_path, v.text);
         s->member_list_named = true;
     },
     false,
     SETTING_FILE,
     LIST,
     [](const Settings& s) { return std::string(s.member_csv_path); },
     {},
     "Member CSV"},
    {"Sheet", [](Settings* s, const SettingValue& v) { copy_text(s->sheet_name, SETTINGS_KEY_SIZE, v.text); },
     false, SETTING_TEXT, LIST, [](const Settings& s) { return std::string(s.sheet_name); }},
    {"Filtered Rows",
     [](Settings* s, const SettingValue& v) {
         apply_choice(&s->filtered_rows, v.text, "filtered rows", FILTERED_ROWS_NAMES);
     },
     true, SETTING_CHOICE, LIST,
     [](const Settings& s) { return std::string(FILTERED_ROWS_NAMES[s.filtered_rows]); },
     FILTERED_ROWS_NAMES},
    {"Booklet PDF", [](Settings* s, const SettingValue& v) { apply_path(s->booklet_pdf_path, v.text); },
     false, SETTING_TEXT, PRINTING, [](const Settings& s) { return std::string(s.booklet_pdf_path); }},
    {"Standard PDF", [](Settings* s, const SettingValue& v) { apply_path(s->standard_pdf_path, v.text); },
     false, SETTING_TEXT, PRINTING, [](const Settings& s) { return std::string(s.standard_pdf_path); }},
    {"Image Resolution", [](Settings* s, const SettingValue& v) { apply_image_resolution(s, v.text); }, true,
     SETTING_NUMBER, PRINTING,
     [](const Settings& s) {
         return s.image_resolution == FULL_IMAGE_RESOLUTION ? std::string("Full")
                                                            : std::to_string(s.image_resolution);
     }},
    {"Image Compression",
     [](Settings* s, const SettingValue& v) {
         apply_choice(&s->image_compression, v.text, "image compression", IMAGE_COMPRESSION_NAMES);
     },
     true, SETTING_CHOICE, PRINTING,
     [](const Settings& s) { return std::string(IMAGE_COMPRESSION_NAMES[s.image_compression]); },
     IMAGE_COMPRESSION_NAMES},
    {"Fonts",
     [](Settings* s, const SettingValue& v) { apply_choice(&s->fonts, v.text, "fonts", FONT_CHOICE_NAMES); },
     true, SETTING_CHOICE, PRINTING,
     [](const Settings& s) { return std::string(FONT_CHOICE_NAMES[s.fonts]); }, FONT_CHOICE_NAMES},
    {"Text Encoding", [](Settings* s, const SettingValue& v) { apply_text_encoding(s, v.text); }, true,
     SETTING_TEXT, LIST, [](const Settings& s) { return std::string(s.text_encoding); }},
    {"Sort Language", [](Settings* s, const SettingValue& v) { apply_sort_language(s, v.text); }, true,
     SETTING_LANGUAGE, LIST, [](const Settings& s) { return std::string(s.sort_language); }},
    {"Paper Size",
     [](Settings* s, const SettingValue& v) {
         apply_choice(&s->paper_size, v.text, "paper size", PAPER_SIZE_NAMES);
     },
     true, SETTING_CHOICE, PRINTING,
     [](const Settings& s) { return std::string(PAPER_SIZE_NAMES[s.paper_size]); }, PAPER_SIZE_NAMES},
    {"Binding",
     [](Settings* s, const SettingValue& v) {
         apply_choice(&s->binding, v.text, "binding", BINDING_NAMES);
         s->binding_named = true;
     },
     true, SETTING_CHOICE, PRINTING, [](const Settings& s) { return std::string(BINDING_NAMES[s.binding]); },
     BINDING_NAMES},
    {"Direction",
     [](Settings* s, const SettingValue& v) {
         apply_choice(&s->direction, v.text, "direction", DIRECTION_NAMES);
     },
     true, SETTING_CHOICE, PAGES, [](const Settings& s) { return std::string(DIRECTION_NAMES[s.direction]); },
     DIRECTION_NAMES},
    {"Page Numbers",
     [](Settings* s, const SettingValue& v) {
         apply_choice(&s->page_numbers, v.text, "page numbers", ON_OFF_NAMES);
     },
     true, SETTING_CHOICE, PAGES, [](const Settings& s) { return std::string(ON_OFF_NAMES[s.page_numbers]); },
     ON_OFF_NAMES},
    {"Committee",
     [](Settings* s, const SettingValue& v) { apply_typed_lines(&s->committee, "Committee", v); }, false,
     SETTING_LINES, PAGES,
     [](const Settings& s) { return lines_shown(s.committee.lines, s.committee.line_count); }},
    {"Committee Title",
     [](Settings* s, const SettingValue& v) { copy_text(s->committee.title, SETTINGS_KEY_SIZE, v.text); },
     false, SETTING_TEXT, PAGES, [](const Settings& s) { return std::string(s.committee.title); }},
    {"Committee Subtitle",
     [](Settings* s, const SettingValue& v) { copy_text(s->committee.subtitle, SETTINGS_KEY_SIZE, v.text); },
     false, SETTING_TEXT, PAGES, [](const Settings& s) { return std::string(s.committee.subtitle); }},
    {"Schedule", [](Settings* s, const SettingValue& v) { apply_typed_lines(&s->schedule, "Schedule", v); },
     false, SETTING_LINES, PAGES,
     [](const Settings& s) { return lines_shown(s.schedule.lines, s.schedule.line_count); }},
    {"Schedule Title",
     [](Settings* s, const SettingValue& v) { copy_text(s->schedule.title, SETTINGS_KEY_SIZE, v.text); },
     false, SETTING_TEXT, PAGES, [](const Settings& s) { return std::string(s.schedule.title); }},
    {"Schedule Subtitle",
     [](Settings* s, const SettingValue& v) { copy_text(s->schedule.subtitle, SETTINGS_KEY_SIZE, v.text); },
     false, SETTING_TEXT, PAGES, [](const Settings& s) { return std::string(s.schedule.subtitle); }},
    {"Spare Pages",
     [](Settings* s, const SettingValue& v) {
         apply_choice(&s->spare_pages, v.text, "spare pages", SPARE_PAGE_NAMES);
     },
     true, SETTING_CHOICE, PAGES,
     [](const Settings& s) { return std::string(SPARE_PAGE_NAMES[s.spare_pages]); }, SPARE_PAGE_NAMES},
    {"Print Shop PDF", [](Settings* s, const SettingValue& v) { apply_path(s->print_shop_pdf_path, v.text); },
     false, SETTING_TEXT, SHOP, [](const Settings& s) { return std::string(s.print_shop_pdf_path); }},
    {"Crop Marks",
     [](Settings* s, const SettingValue& v) {
         apply_choice(&s->crop_marks, v.text, "crop marks", ON_OFF_NAMES);
     },
     true, SETTING_CHOICE, SHOP, [](const Settings& s) { return std::string(ON_OFF_NAMES[s.crop_marks]); },
     ON_OFF_NAMES},
    // Also spelt as US clubs write the other colour keys.
    {"Print Shop Colour", apply_shop_colour, true, SETTING_CHOICE, SHOP,
     [](const Settings& s) { return std::string(SHOP_COLOUR_NAMES[s.shop_colour]); }, SHOP_COLOUR_NAMES,
     "Print Shop Color"},
    {"Ink Limit", [](Settings* s, const SettingValue& v) { apply_ink_limit(s, v.text); }, true,
     SETTING_NUMBER, SHOP,
     [](const Settings& s) {
         return s.ink_limit == 0 ? std::string("Profile") : std::to_string(s.ink_limit);
     }},
    {"Club", [](Settings* s, const SettingValue& v) { copy_text(s->club, SETTINGS_KEY_SIZE, v.text); }, false,
     SETTING_TEXT, SHOP, [](const Settings& s) { return std::string(s.club); }},
    // Blocks of "name: words" lines; nothing is set until roster.sdd has them.
    {"Roles", apply_roles, false, SETTING_LINES, LIST, [](const Settings&) { return std::string(); }},
    {"Card", apply_card, false, SETTING_LINES, LIST, [](const Settings&) { return std::string(); }},
    {"Private Shows",
     [](Settings* s, const SettingValue& v) { copy_text(s->private_shows, SETTINGS_LINE_SIZE, v.text); },
     false, SETTING_TEXT, LIST, [](const Settings& s) { return std::string(s.private_shows); }},
};

const SettingKey* find_key(const char* key) {
    for (const SettingKey& known : SETTING_KEYS) {
        if (keys_equal(key, known.name) || (known.alias != nullptr && keys_equal(key, known.alias)))
            return &known;
    }
    return nullptr;
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
    known->apply(settings, {value, lines, line_count});
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

const char* label_sequence_name(LabelSequence sequence) { return LABEL_SEQUENCE_NAMES[sequence]; }

const char* paper_size_name(PaperSize paper) { return PAPER_SIZE_NAMES[paper]; }

const char* cover_focus_name(CoverFocus focus) { return COVER_FOCUS_NAMES[focus]; }

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
    for (const SettingKey& key : SETTING_KEYS) {
        infos.push_back(
            {key.name, key.kind, key.group, {key.choices.begin(), key.choices.end()}, key.shown(*defaults)});
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
