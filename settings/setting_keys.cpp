#include "settings/setting_keys.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "base/message.h"
#include "base/text_util.h"
#include "text/collate.h"
#include "text/decode.h"

namespace {

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

// A key with named values, its choices[i] for the choice i, as many as it has; anything
// else keeps the value it has and says so, naming the key in small letters.
template <typename Choice>
void apply_choice(Choice* field, const SettingValue& value) {
    const std::span<const char* const> names = value.key->choices;
    for (size_t i = 0; i < names.size(); ++i) {
        if (keys_equal(value.text, names[i])) {
            *field = static_cast<Choice>(i);
            return;
        }
    }
    say("roster.conf: unknown %s '%s', keeping %s\n", ascii_lower(value.key->name).c_str(), value.text,
        names[static_cast<size_t>(*field)]);
}

// One of the page's own words; an empty value keeps the word it has (a heading never
// prints empty), and says so.
void apply_word(char (&word)[SETTINGS_KEY_SIZE], const SettingValue& value) {
    if (value.text[0] == '\0') {
        say("roster.conf: %s is empty, keeping '%s'\n", value.key->name, word);
        return;
    }
    copy_text(word, SETTINGS_KEY_SIZE, value.text);
}

// The first label of a used sheet: 1 to MAX_LABELS_A_SHEET.
void apply_label_start(Settings* settings, const char* value) {
    char* end = nullptr;
    const long parsed = strtol(value, &end, 10);
    if (end != value && *end == '\0' && parsed >= 1 && parsed <= MAX_LABELS_A_SHEET) {
        settings->label_start = static_cast<int32_t>(parsed);
        return;
    }
    say("roster.conf: bad label start '%s' (1 to %d), keeping %d\n", value, MAX_LABELS_A_SHEET,
        settings->label_start);
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
void apply_lines(char (*target)[LINE_SIZE], int32_t* target_count, int capacity, const SettingValue& value) {
    const char* name = value.key->name;
    if (value.text != nullptr && value.text[0] != '\0') {
        say("roster.conf: %s takes its lines as a block: write '%s:' alone, the lines below it, then an "
            "empty line\n",
            name, name);
    }
    *target_count = copy_block_lines(target, capacity, value.lines, value.line_count);
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
void apply_typed_lines(TypedPage* page, const SettingValue& value) {
    page->given = true;
    apply_lines(page->lines, &page->line_count, MAX_TYPED_LINES, value);
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

// The generic keys: a choice, a text or a file name kept in one field of the record.
template <auto FIELD>
void apply_choice_to(Settings* settings, const SettingValue& value) {
    apply_choice(&(settings->*FIELD), value);
}

template <auto FIELD>
std::string choice_shown(const Settings& settings, const SettingKey& key) {
    return key.choices[static_cast<size_t>(settings.*FIELD)];
}

template <auto FIELD>
void apply_text_to(Settings* settings, const SettingValue& value) {
    copy_text(settings->*FIELD, sizeof(settings->*FIELD), value.text);
}

template <auto FIELD>
void apply_path_to(Settings* settings, const SettingValue& value) {
    apply_path(settings->*FIELD, value.text);
}

template <auto FIELD>
std::string text_shown(const Settings& settings, const SettingKey&) {
    return settings.*FIELD;
}

// One of the page's own words, `WORD` of PageWords; a section's title by its group.
template <auto WORD>
void apply_word_to(Settings* settings, const SettingValue& value) {
    apply_word(settings->words.*WORD, value);
}

template <auto WORD>
std::string word_shown(const Settings& settings, const SettingKey&) {
    return settings.words.*WORD;
}

template <Group GROUP>
void apply_group_title(Settings* settings, const SettingValue& value) {
    apply_word(settings->words.group_titles[GROUP], value);
}

template <Group GROUP>
std::string group_title_shown(const Settings& settings, const SettingKey&) {
    return settings.words.group_titles[GROUP];
}

// The file of a picture slot; the cover's, once roster.sdd names it, is one the shop's file needs.
template <PictureSlot SLOT>
void apply_picture_path(Settings* settings, const SettingValue& value) {
    apply_path(settings->picture_paths[SLOT], value.text);
    if (SLOT == SLOT_COVER) settings->cover_named = settings->picture_paths[SLOT][0] != '\0';
}

template <PictureSlot SLOT>
std::string picture_path_shown(const Settings& settings, const SettingKey&) {
    return settings.picture_paths[SLOT];
}

// A typed page's block, its title and its subtitle.
template <auto PAGE>
void apply_typed_page(Settings* settings, const SettingValue& value) {
    apply_typed_lines(&(settings->*PAGE), value);
}

template <auto PAGE>
std::string typed_page_shown(const Settings& settings, const SettingKey&) {
    return lines_shown((settings.*PAGE).lines, (settings.*PAGE).line_count);
}

template <auto PAGE, auto FIELD>
void apply_typed_text(Settings* settings, const SettingValue& value) {
    copy_text((settings->*PAGE).*FIELD, SETTINGS_KEY_SIZE, value.text);
}

template <auto PAGE, auto FIELD>
std::string typed_text_shown(const Settings& settings, const SettingKey&) {
    return (settings.*PAGE).*FIELD;
}

std::string nothing_shown(const Settings&, const SettingKey&) { return std::string(); }

// The parts of the form a key is shown in.
constexpr const char* COVER = "Cover";
constexpr const char* PAGES = "Pages";
constexpr const char* LIST = "Member list";
constexpr const char* PRINTING = "Printing";
constexpr const char* SHOP = "Print shop";
constexpr const char* MAILING = "Mailing";
constexpr const char* SEASON = "Since last season";

// Every key of the settings file, in the order they are matched.
constexpr SettingKey SETTING_KEYS[] = {
    {.name = "Title",
     .kind = SETTING_LINES,
     .group = COVER,
     .apply =
         [](Settings* s, const SettingValue& v) {
             apply_lines(s->title_lines, &s->title_line_count, MAX_TITLE_LINES, v);
         },
     .shown = [](const Settings& s,
                 const SettingKey&) { return lines_shown(s.title_lines, s.title_line_count); }},
    {.name = "Subtitle",
     .kind = SETTING_LINES,
     .group = COVER,
     .apply =
         [](Settings* s, const SettingValue& v) {
             apply_lines(s->subtitle_lines, &s->subtitle_line_count, MAX_SUBTITLE_LINES, v);
         },
     .shown = [](const Settings& s,
                 const SettingKey&) { return lines_shown(s.subtitle_lines, s.subtitle_line_count); }},
    {.name = "Title Font Size",
     .kind = SETTING_NUMBER,
     .group = COVER,
     .checked = true,
     .apply = [](Settings* s, const SettingValue& v) { apply_font_size(&s->title_font_size, v.text); },
     .shown = [](const Settings& s, const SettingKey&) { return number_shown(s.title_font_size); }},
    {.name = "Title Color",
     .kind = SETTING_COLOUR,
     .group = COVER,
     .checked = true,
     .apply = [](Settings* s, const SettingValue& v) { apply_color(s->title_color, v.text); },
     .shown = [](const Settings& s, const SettingKey&) { return colour_shown(s.title_color); }},
    {.name = "Subtitle Font Size",
     .kind = SETTING_NUMBER,
     .group = COVER,
     .checked = true,
     .apply = [](Settings* s, const SettingValue& v) { apply_font_size(&s->subtitle_font_size, v.text); },
     .shown = [](const Settings& s, const SettingKey&) { return number_shown(s.subtitle_font_size); }},
    {.name = "Subtitle Color",
     .kind = SETTING_COLOUR,
     .group = COVER,
     .checked = true,
     .apply = [](Settings* s, const SettingValue& v) { apply_color(s->subtitle_color, v.text); },
     .shown = [](const Settings& s, const SettingKey&) { return colour_shown(s.subtitle_color); }},
    {.name = PICTURE_SLOTS[SLOT_COVER].key,
     .kind = SETTING_FILE,
     .group = COVER,
     .apply = apply_picture_path<SLOT_COVER>,
     .shown = picture_path_shown<SLOT_COVER>},
    {.name = "Cover Focus",
     .kind = SETTING_CHOICE,
     .group = COVER,
     .checked = true,
     .choices = COVER_FOCUS_NAMES,
     .apply =
         [](Settings* s, const SettingValue& v) {
             if (keys_equal(v.text, "Center")) {  // as Photo Focus takes it
                 s->cover_focus = COVER_CENTRE;
             } else {
                 apply_choice(&s->cover_focus, v);
             }
         },
     .shown = choice_shown<&Settings::cover_focus>},
    {.name = "Label Sequence",
     .kind = SETTING_CHOICE,
     .group = PAGES,
     .checked = true,
     .choices = LABEL_SEQUENCE_NAMES,
     .apply = [](Settings* s, const SettingValue& v) { apply_label_sequence(s, v.text); },
     .shown = choice_shown<&Settings::label_sequence>},
    {.name = "Name Order",
     .kind = SETTING_CHOICE,
     .group = PAGES,
     .checked = true,
     .choices = NAME_ORDER_NAMES,
     .apply = apply_choice_to<&Settings::name_order>,
     .shown = choice_shown<&Settings::name_order>},
    // The page's own words, in the club's language.
    {.name = "Caller Title",
     .group = PAGES,
     .checked = true,
     .apply = apply_group_title<GROUP_CALLER>,
     .shown = group_title_shown<GROUP_CALLER>},
    {.name = "Cuer Title",
     .group = PAGES,
     .checked = true,
     .apply = apply_group_title<GROUP_CUER>,
     .shown = group_title_shown<GROUP_CUER>},
    {.name = "Members Title",
     .group = PAGES,
     .checked = true,
     .apply = apply_group_title<GROUP_MEMBER>,
     .shown = group_title_shown<GROUP_MEMBER>},
    {.name = "New Dancers Title",
     .group = PAGES,
     .checked = true,
     .apply = apply_group_title<GROUP_NEW_DANCER>,
     .shown = group_title_shown<GROUP_NEW_DANCER>},
    {.name = "Continued",
     .group = PAGES,
     .checked = true,
     .apply = apply_word_to<&PageWords::continued>,
     .shown = word_shown<&PageWords::continued>},
    {.name = "Notes Title",
     .group = PAGES,
     .checked = true,
     .apply = apply_word_to<&PageWords::notes_title>,
     .shown = word_shown<&PageWords::notes_title>},
    {.name = "Picture Missing",
     .group = PAGES,
     .checked = true,
     .apply = apply_word_to<&PageWords::picture_missing>,
     .shown = word_shown<&PageWords::picture_missing>},
    {.name = "Households",
     .kind = SETTING_CHOICE,
     .group = PAGES,
     .checked = true,
     .choices = HOUSEHOLDS_NAMES,
     .apply = apply_choice_to<&Settings::households>,
     .shown = choice_shown<&Settings::households>},
    {.name = "Household Joiner",
     .group = PAGES,
     .checked = true,
     .apply = apply_word_to<&PageWords::household_joiner>,
     .shown = word_shown<&PageWords::household_joiner>},
    {.name = "Member Photos",
     .kind = SETTING_CHOICE,
     .group = PAGES,
     .checked = true,
     .choices = ON_OFF_NAMES,
     .apply = apply_choice_to<&Settings::member_photos>,
     .shown = choice_shown<&Settings::member_photos>},
    {.name = "Photo Folder",
     .group = PAGES,
     .apply = apply_path_to<&Settings::photo_folder>,
     .shown = text_shown<&Settings::photo_folder>},
    {.name = "Index",
     .kind = SETTING_CHOICE,
     .group = PAGES,
     .checked = true,
     .choices = ON_OFF_NAMES,
     .apply = apply_choice_to<&Settings::name_index>,
     .shown = choice_shown<&Settings::name_index>},
    {.name = "Index Title",
     .group = PAGES,
     .checked = true,
     .apply = apply_word_to<&PageWords::index_title>,
     .shown = word_shown<&PageWords::index_title>},
    {.name = PICTURE_SLOTS[SLOT_COMMITTEE].key,
     .kind = SETTING_FILE,
     .group = PAGES,
     .apply = apply_picture_path<SLOT_COMMITTEE>,
     .shown = picture_path_shown<SLOT_COMMITTEE>},
    {.name = PICTURE_SLOTS[SLOT_SCHEDULE].key,
     .kind = SETTING_FILE,
     .group = PAGES,
     .apply = apply_picture_path<SLOT_SCHEDULE>,
     .shown = picture_path_shown<SLOT_SCHEDULE>},
    // The older name is kept: last season's roster.sdd says Member CSV.
    {.name = "Member List",
     .kind = SETTING_FILE,
     .group = LIST,
     .alias = "Member CSV",
     .apply =
         [](Settings* s, const SettingValue& v) {
             apply_path(s->member_csv_path, v.text);
             s->member_list_named = true;
         },
     .shown = text_shown<&Settings::member_csv_path>},
    {.name = "Sheet",
     .group = LIST,
     .apply = apply_text_to<&Settings::sheet_name>,
     .shown = text_shown<&Settings::sheet_name>},
    {.name = "Filtered Rows",
     .kind = SETTING_CHOICE,
     .group = LIST,
     .checked = true,
     .choices = FILTERED_ROWS_NAMES,
     .apply = apply_choice_to<&Settings::filtered_rows>,
     .shown = choice_shown<&Settings::filtered_rows>},
    {.name = "Booklet PDF",
     .group = PRINTING,
     .apply = apply_path_to<&Settings::booklet_pdf_path>,
     .shown = text_shown<&Settings::booklet_pdf_path>},
    {.name = "Standard PDF",
     .group = PRINTING,
     .apply = apply_path_to<&Settings::standard_pdf_path>,
     .shown = text_shown<&Settings::standard_pdf_path>},
    {.name = "Image Resolution",
     .kind = SETTING_NUMBER,
     .group = PRINTING,
     .checked = true,
     .apply = [](Settings* s, const SettingValue& v) { apply_image_resolution(s, v.text); },
     .shown =
         [](const Settings& s, const SettingKey&) {
             return s.image_resolution == FULL_IMAGE_RESOLUTION ? std::string("Full")
                                                                : std::to_string(s.image_resolution);
         }},
    {.name = "Image Compression",
     .kind = SETTING_CHOICE,
     .group = PRINTING,
     .checked = true,
     .choices = IMAGE_COMPRESSION_NAMES,
     .apply = apply_choice_to<&Settings::image_compression>,
     .shown = choice_shown<&Settings::image_compression>},
    {.name = "Fonts",
     .kind = SETTING_CHOICE,
     .group = PRINTING,
     .checked = true,
     .choices = FONT_CHOICE_NAMES,
     .apply = apply_choice_to<&Settings::fonts>,
     .shown = choice_shown<&Settings::fonts>},
    {.name = "Text Encoding",
     .group = LIST,
     .checked = true,
     .apply = [](Settings* s, const SettingValue& v) { apply_text_encoding(s, v.text); },
     .shown = text_shown<&Settings::text_encoding>},
    {.name = "Sort Language",
     .kind = SETTING_LANGUAGE,
     .group = LIST,
     .checked = true,
     .apply = [](Settings* s, const SettingValue& v) { apply_sort_language(s, v.text); },
     .shown = text_shown<&Settings::sort_language>},
    {.name = "Paper Size",
     .kind = SETTING_CHOICE,
     .group = PRINTING,
     .checked = true,
     .choices = PAPER_SIZE_NAMES,
     .apply = apply_choice_to<&Settings::paper_size>,
     .shown = choice_shown<&Settings::paper_size>},
    {.name = "Binding",
     .kind = SETTING_CHOICE,
     .group = PRINTING,
     .checked = true,
     .choices = BINDING_NAMES,
     .apply =
         [](Settings* s, const SettingValue& v) {
             apply_choice(&s->binding, v);
             s->binding_named = true;
         },
     .shown = choice_shown<&Settings::binding>},
    {.name = "Direction",
     .kind = SETTING_CHOICE,
     .group = PAGES,
     .checked = true,
     .choices = DIRECTION_NAMES,
     .apply = apply_choice_to<&Settings::direction>,
     .shown = choice_shown<&Settings::direction>},
    {.name = "Page Numbers",
     .kind = SETTING_CHOICE,
     .group = PAGES,
     .checked = true,
     .choices = ON_OFF_NAMES,
     .apply = apply_choice_to<&Settings::page_numbers>,
     .shown = choice_shown<&Settings::page_numbers>},
    {.name = PICTURE_SLOTS[SLOT_COMMITTEE].label,
     .kind = SETTING_LINES,
     .group = PAGES,
     .apply = apply_typed_page<&Settings::committee>,
     .shown = typed_page_shown<&Settings::committee>},
    {.name = "Committee Title",
     .group = PAGES,
     .apply = apply_typed_text<&Settings::committee, &TypedPage::title>,
     .shown = typed_text_shown<&Settings::committee, &TypedPage::title>},
    {.name = "Committee Subtitle",
     .group = PAGES,
     .apply = apply_typed_text<&Settings::committee, &TypedPage::subtitle>,
     .shown = typed_text_shown<&Settings::committee, &TypedPage::subtitle>},
    {.name = PICTURE_SLOTS[SLOT_SCHEDULE].label,
     .kind = SETTING_LINES,
     .group = PAGES,
     .apply = apply_typed_page<&Settings::schedule>,
     .shown = typed_page_shown<&Settings::schedule>},
    {.name = "Schedule Title",
     .group = PAGES,
     .apply = apply_typed_text<&Settings::schedule, &TypedPage::title>,
     .shown = typed_text_shown<&Settings::schedule, &TypedPage::title>},
    {.name = "Schedule Subtitle",
     .group = PAGES,
     .apply = apply_typed_text<&Settings::schedule, &TypedPage::subtitle>,
     .shown = typed_text_shown<&Settings::schedule, &TypedPage::subtitle>},
    {.name = "Spare Pages",
     .kind = SETTING_CHOICE,
     .group = PAGES,
     .checked = true,
     .choices = SPARE_PAGE_NAMES,
     .apply = apply_choice_to<&Settings::spare_pages>,
     .shown = choice_shown<&Settings::spare_pages>},
    {.name = "Print Shop PDF",
     .group = SHOP,
     .apply = apply_path_to<&Settings::print_shop_pdf_path>,
     .shown = text_shown<&Settings::print_shop_pdf_path>},
    {.name = "Crop Marks",
     .kind = SETTING_CHOICE,
     .group = SHOP,
     .checked = true,
     .choices = ON_OFF_NAMES,
     .apply = apply_choice_to<&Settings::crop_marks>,
     .shown = choice_shown<&Settings::crop_marks>},
    // Also spelt as US clubs write the other colour keys.
    {.name = "Print Shop Colour",
     .kind = SETTING_CHOICE,
     .group = SHOP,
     .checked = true,
     .choices = SHOP_COLOUR_NAMES,
     .alias = "Print Shop Color",
     .apply = apply_choice_to<&Settings::shop_colour>,
     .shown = choice_shown<&Settings::shop_colour>},
    {.name = "Ink Limit",
     .kind = SETTING_NUMBER,
     .group = SHOP,
     .checked = true,
     .apply = [](Settings* s, const SettingValue& v) { apply_ink_limit(s, v.text); },
     .shown =
         [](const Settings& s, const SettingKey&) {
             return s.ink_limit == 0 ? std::string("Profile") : std::to_string(s.ink_limit);
         }},
    {.name = "Club",
     .group = SHOP,
     .apply = apply_text_to<&Settings::club>,
     .shown = text_shown<&Settings::club>},
    // Blocks of "name: words" lines; nothing is set until roster.sdd has them.
    {.name = "Roles", .kind = SETTING_LINES, .group = LIST, .apply = apply_roles, .shown = nothing_shown},
    {.name = "Card", .kind = SETTING_LINES, .group = LIST, .apply = apply_card, .shown = nothing_shown},
    {.name = "Private Shows",
     .group = LIST,
     .apply = apply_text_to<&Settings::private_shows>,
     .shown = text_shown<&Settings::private_shows>},
    {.name = "Labels PDF",
     .group = MAILING,
     .apply = apply_path_to<&Settings::labels_pdf_path>,
     .shown = text_shown<&Settings::labels_pdf_path>},
    {.name = "Label Sheet",
     .kind = SETTING_CHOICE,
     .group = MAILING,
     .checked = true,
     .choices = LABEL_SHEET_NAMES,
     .apply = apply_choice_to<&Settings::label_sheet>,
     .shown = choice_shown<&Settings::label_sheet>},
    {.name = "Label Order",
     .kind = SETTING_CHOICE,
     .group = MAILING,
     .checked = true,
     .choices = LABEL_ORDER_NAMES,
     .apply = apply_choice_to<&Settings::label_order>,
     .shown = choice_shown<&Settings::label_order>},
    {.name = "Label Start",
     .kind = SETTING_NUMBER,
     .group = MAILING,
     .checked = true,
     .apply = [](Settings* s, const SettingValue& v) { apply_label_start(s, v.text); },
     .shown = [](const Settings& s, const SettingKey&) { return std::to_string(s.label_start); }},
    {.name = "Proofs PDF",
     .group = MAILING,
     .apply = apply_path_to<&Settings::proofs_pdf_path>,
     .shown = text_shown<&Settings::proofs_pdf_path>},
    {.name = "Proofs Folder",
     .group = MAILING,
     .apply = apply_path_to<&Settings::proofs_folder>,
     .shown = text_shown<&Settings::proofs_folder>},
    {.name = "Proof Shows",
     .group = MAILING,
     .apply = apply_text_to<&Settings::proof_shows>,
     .shown = text_shown<&Settings::proof_shows>},
    {.name = "Proof Note",
     .kind = SETTING_LINES,
     .group = MAILING,
     .apply =
         [](Settings* s, const SettingValue& v) {
             apply_lines(s->proof_note, &s->proof_note_count, MAX_PROOF_NOTE_LINES, v);
         },
     .shown = [](const Settings& s,
                 const SettingKey&) { return lines_shown(s.proof_note, s.proof_note_count); }},
    {.name = "Email List",
     .group = MAILING,
     .apply = apply_path_to<&Settings::email_list_path>,
     .shown = text_shown<&Settings::email_list_path>},
    {.name = "Contacts File",
     .group = MAILING,
     .apply = apply_path_to<&Settings::contacts_path>,
     .shown = text_shown<&Settings::contacts_path>},
    {.name = "Last Season",
     .kind = SETTING_FILE,
     .group = SEASON,
     .apply = apply_path_to<&Settings::last_season_path>,
     .shown = text_shown<&Settings::last_season_path>},
    {.name = "Changes",
     .group = SEASON,
     .apply = apply_path_to<&Settings::changes_path>,
     .shown = text_shown<&Settings::changes_path>},
    {.name = "Label Private",
     .kind = SETTING_CHOICE,
     .group = MAILING,
     .checked = true,
     .choices = YES_NO_NAMES,
     .apply = apply_choice_to<&Settings::label_private>,
     .shown = choice_shown<&Settings::label_private>},
};

}  // namespace

std::span<const SettingKey> setting_keys() { return SETTING_KEYS; }

const SettingKey* find_key(const char* key) {
    for (const SettingKey& known : SETTING_KEYS) {
        if (keys_equal(key, known.name) || (known.alias != nullptr && keys_equal(key, known.alias)))
            return &known;
    }
    return nullptr;
}

const char* label_sequence_name(LabelSequence sequence) { return LABEL_SEQUENCE_NAMES[sequence]; }

const char* paper_size_name(PaperSize paper) { return PAPER_SIZE_NAMES[paper]; }

const char* cover_focus_name(CoverFocus focus) { return COVER_FOCUS_NAMES[focus]; }
