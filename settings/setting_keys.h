// The table of roster.sdd's keys, kept in setting_keys.cpp and read by the reader
// (settings.cpp): each key's name, the value it takes, where the form shows it, how a value
// is applied to the Settings record and how the record's value is written back.
#pragma once

#include <span>
#include <string>

#include "settings/settings.h"

// The words of each choice, by its enum's order.
inline constexpr const char* LABEL_SEQUENCE_NAMES[2] = {"Row Order", "Column Order"};
inline constexpr const char* IMAGE_COMPRESSION_NAMES[2] = {"Lossless", "JPEG"};
inline constexpr const char* FONT_CHOICE_NAMES[2] = {"Standard", "Embedded"};
inline constexpr const char* PAPER_SIZE_NAMES[2] = {"Letter", "A4"};
inline constexpr const char* ON_OFF_NAMES[2] = {"Off", "On"};
inline constexpr const char* SPARE_PAGE_NAMES[2] = {"Blank", "Notes"};
inline constexpr const char* SHOP_COLOUR_NAMES[2] = {"RGB", "CMYK"};
inline constexpr const char* NAME_ORDER_NAMES[2] = {"Given First", "Family First"};
inline constexpr const char* BINDING_NAMES[2] = {"Left", "Right"};
inline constexpr const char* DIRECTION_NAMES[3] = {"Auto", "Left to Right", "Right to Left"};
inline constexpr const char* COVER_FOCUS_NAMES[6] = {"Fit", "Centre", "Top", "Bottom", "Left", "Right"};
inline constexpr const char* HOUSEHOLDS_NAMES[2] = {"Apart", "Together"};
inline constexpr const char* FILTERED_ROWS_NAMES[3] = {"Stop", "Print", "Leave Out"};
inline constexpr const char* LABEL_ORDER_NAMES[2] = {"Roster", "Postal Code"};
inline constexpr const char* YES_NO_NAMES[2] = {"No", "Yes"};

struct SettingKey;

// The value a key is given: its text after the colon, or the lines of its block, and the
// key it is given to (whose name the messages say).
struct SettingValue {
    const char* text;
    const char (*lines)[SETTINGS_LINE_SIZE];
    int line_count;
    const SettingKey* key;
};

// One key of roster.sdd. Only a `checked` key (a choice, a size, a colour), with a value it
// accepts, ends a block it is typed in.
struct SettingKey {
    const char* name;  // as roster.sdd spells it, and as messages name it
    SettingKind kind = SETTING_TEXT;
    const char* group = "";                     // the part of the form it is shown in
    bool checked = false;                       // its one-line value is checked
    std::span<const char* const> choices = {};  // a choice's words, by its enum's order
    const char* alias = nullptr;                // a second spelling the reader takes
    void (*apply)(Settings* settings, const SettingValue& value) = nullptr;
    // Its value in `settings`, as roster.sdd writes it.
    std::string (*shown)(const Settings& settings, const SettingKey& key) = nullptr;
};

// Every key, in the order they are matched.
std::span<const SettingKey> setting_keys();

// The key `key` names (any case, trimmed; the alias too), or null.
const SettingKey* find_key(const char* key);
