// The settings record of one run and the reader of the settings file "roster.sdd":
// cover titles with their sizes and colours, the card order and the six file paths.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

constexpr int MAX_TITLE_LINES = 8;
constexpr int MAX_SUBTITLE_LINES = 4;
constexpr int SETTINGS_LINE_SIZE = 2048;  // one title line, and the read buffer of a settings line
constexpr int SETTINGS_KEY_SIZE = 256;
constexpr int MAX_BLOCK_LINES = 40;  // lines a block collects; each key keeps as many as it uses
constexpr int PATH_SIZE = 4096;
constexpr const char* SETTINGS_FILE_NAME = "roster.sdd";
constexpr float MAX_FONT_SIZE = 600.0f;                     // the largest size libharu accepts
constexpr const char* DEFAULT_MEMBER_LIST = "members.csv";  // else members.xlsx, .ods, .xls
constexpr const char* DEFAULT_PHOTO_FOLDER = "photos/";     // member photos, named after the members
constexpr int32_t DEFAULT_IMAGE_RESOLUTION = 300;           // pixels per inch; print needs no more
constexpr int32_t MIN_IMAGE_RESOLUTION = 72;
constexpr int32_t MAX_IMAGE_RESOLUTION = 100000;
// The total ink a print shop's file may be held to, in percent: a press takes 200 (newsprint)
// to 400 (some sheet-fed presses).
constexpr int32_t MIN_INK_LIMIT = 200;
constexpr int32_t MAX_INK_LIMIT = 400;
constexpr int32_t FULL_IMAGE_RESOLUTION = 0;  // every image embedded as it comes
// The roster's groups, in the order their sections print.
enum Group : int32_t { GROUP_CALLER = 0, GROUP_CUER = 1, GROUP_MEMBER = 2, GROUP_NEW_DANCER = 3 };
constexpr int GROUP_COUNT = 4;
// What every place knows of a group, by Group: its role word (also its name in the Roles
// block and, with "(s)", in the report) and the heading its cards print under.
struct GroupInfo {
    const char* role;
    const char* heading;
};
constexpr GroupInfo GROUPS[GROUP_COUNT] = {
    {"Caller", "Caller"}, {"Cuer", "Cuer"}, {"Member", "Members"}, {"New Dancer", "New Dancers"}};
// A card's detail lines, under the name on line 1, are numbered 2 to 6.
constexpr int FIRST_DETAIL_LINE = 2;
constexpr int DETAIL_LINE_COUNT = 5;
// What the Card block may name besides the detail lines, by CardName: the role, the first
// and last names, one column holding the whole name as it prints, and the name's reading
// (furigana) the list sorts by.
enum CardName : int32_t {
    CARD_ROLE = 0,
    CARD_FIRST_NAME = 1,
    CARD_LAST_NAME = 2,
    CARD_FULL_NAME = 3,
    CARD_SORT_AS = 4
};
constexpr int CARD_NAME_COUNT = 5;
constexpr const char* CARD_NAME_LABELS[CARD_NAME_COUNT] = {"Role", "First Name", "Last Name", "Name",
                                                           "Sort As"};

// The paper both documents are made for: the booklet folds its landscape sheets to half size.
enum PaperSize : int32_t { PAPER_LETTER = 0, PAPER_A4 = 1 };
// What the booklet's padding pages before the back cover hold.
enum SparePages : int32_t { SPARE_BLANK = 0, SPARE_NOTES = 1 };
// The print shop's file in screen colours (sRGB), or in a press's inks (CMYK, PDF/X-1a).
enum ShopColour : int32_t { SHOP_RGB = 0, SHOP_CMYK = 1 };

// A committee or schedule page typed in roster.sdd instead of drawn as a picture.
constexpr int MAX_TYPED_LINES = 40;
constexpr int TYPED_LINE_SIZE = 512;
struct TypedPage {
    bool given;  // roster.sdd has the block, even an empty one
    char title[SETTINGS_KEY_SIZE];
    char subtitle[SETTINGS_KEY_SIZE];
    char lines[MAX_TYPED_LINES][TYPED_LINE_SIZE];  // "Label: text", plain text, or "-" for a gap
    int32_t line_count;
};

// The order a card prints a person's names in: the given name first ("Taro Yamada"), or the
// family name first, without a comma, as Japanese, Chinese, Korean and Hungarian write it.
enum NameOrder : int32_t { GIVEN_NAME_FIRST = 0, FAMILY_NAME_FIRST = 1 };

// Whether the people of one household print on one card.
enum Households : int32_t { HOUSEHOLDS_APART = 0, HOUSEHOLDS_TOGETHER = 1 };

// What becomes of the rows a filter left on in the member list's sheet hides: the run stops
// until roster.sdd says, or they print, or they are left out.
enum FilteredRows : int32_t { FILTERED_ROWS_STOP = 0, FILTERED_ROWS_PRINT = 1, FILTERED_ROWS_LEAVE_OUT = 2 };

// The booklet's spine: on the left, or on the right, as Hebrew and Arabic books open.
enum Binding : int32_t { BINDING_LEFT = 0, BINDING_RIGHT = 1 };
// Which way the pages read: as the club's language and words say, or as roster.sdd forces.
enum Direction : int32_t { DIRECTION_AUTO = 0, DIRECTION_LEFT_TO_RIGHT = 1, DIRECTION_RIGHT_TO_LEFT = 2 };
// How the cover picture takes its area: fitted whole in the home PDFs and filled to the
// print shop's bleed from its centre, or filled in every PDF keeping the part named.
enum CoverFocus : int32_t { COVER_FIT = 0, COVER_CENTRE, COVER_TOP, COVER_BOTTOM, COVER_LEFT, COVER_RIGHT };
// The word roster.sdd gives `focus`: "Fit", "Centre", "Top", ...
const char* cover_focus_name(CoverFocus focus);
// The words the pages print of their own, as the club writes them (English by default).
struct PageWords {
    char group_titles[GROUP_COUNT]
                     [SETTINGS_KEY_SIZE];      // by Group: "Caller", "Cuer", "Members", "New Dancers"
    char continued[SETTINGS_KEY_SIZE];         // the word in a running head's "(continued)"
    char notes_title[SETTINGS_KEY_SIZE];       // a notes page's heading
    char picture_missing[SETTINGS_KEY_SIZE];   // a missing picture's placeholder; {file} is its name
    char household_joiner[SETTINGS_KEY_SIZE];  // between the last two names of a household: "&"
    char index_title[SETTINGS_KEY_SIZE];       // the index of names' heading
};
// Where a missing picture's file name goes in its placeholder.
constexpr const char* PICTURE_MISSING_FILE = "{file}";

// The page's words in English, as a roster.sdd without them prints them.
PageWords default_page_words();

// Calls `visit(word)` for each word of `words` (a PageWords, const or not), each a buffer of
// SETTINGS_KEY_SIZE: the one list of them, walked where every printed text is.
template <typename Words, typename Visit>
void for_each_page_word(Words& words, Visit visit) {
    for (auto& title : words.group_titles) visit(title);
    for (auto* word : {&words.continued, &words.notes_title, &words.picture_missing, &words.household_joiner,
                       &words.index_title})
        visit(*word);
}

// The run's own pictures, each in a slot of its own (PICTURE_SLOTS below).
enum PictureSlot : int32_t { SLOT_COVER = 0, SLOT_COMMITTEE = 1, SLOT_SCHEDULE = 2 };
constexpr int PICTURE_SLOT_COUNT = 3;
// Where a picture is drawn, which decides the sizes it is prepared at: the cover's upper
// area, a whole page, a member photo's frame.
enum PicturePlace : int32_t { PLACE_COVER, PLACE_PAGE, PLACE_PHOTO };

// The maker's sheet mailing labels print on (LABEL_SHEETS, layout/labels.h, gives each one's
// geometry); Auto takes 5160 on Letter, L7160 on A4.
enum LabelSheet : int32_t { LABEL_SHEET_AUTO = 0, LABEL_5160, LABEL_5163, LABEL_L7160, LABEL_L7163 };
// The words roster.sdd gives each, by LabelSheet: also the names the sheets' table and the report use.
constexpr const char* LABEL_SHEET_NAMES[5] = {"Auto", "5160", "5163", "L7160", "L7163"};
// The order of the labels: the roster's, or by postal code, as a bulk mailing is presorted.
enum LabelOrder : int32_t { LABEL_ORDER_ROSTER = 0, LABEL_ORDER_POSTAL_CODE = 1 };
// The lines a proof's note holds.
constexpr int MAX_PROOF_NOTE_LINES = 8;
// The most labels a sheet holds (5160's 30): the furthest Label Start can be.
constexpr int32_t MAX_LABELS_A_SHEET = 30;

// The order cards fill a page in.
enum LabelSequence : int32_t { ROW_ORDER = 0, COLUMN_ORDER = 1 };
// How PNG images without transparency are stored: as they are, or as JPEG (smaller files).
enum ImageCompression : int32_t { COMPRESSION_LOSSLESS = 0, COMPRESSION_JPEG = 1 };
// The fonts text is drawn with: the standard Helvetica, or Liberation Sans embedded.
enum FontChoice : int32_t { FONTS_STANDARD = 0, FONTS_EMBEDDED = 1 };

struct Settings {
    char title_lines[MAX_TITLE_LINES][SETTINGS_LINE_SIZE];
    int32_t title_line_count;
    char subtitle_lines[MAX_SUBTITLE_LINES][SETTINGS_LINE_SIZE];
    int32_t subtitle_line_count;
    float title_font_size;     // points
    float title_color[3];      // red, green, blue in 0..1
    float subtitle_font_size;  // points
    float subtitle_color[3];
    LabelSequence label_sequence;
    NameOrder name_order;
    Binding binding;
    bool binding_named;  // roster.sdd says which edge is bound
    Direction direction;
    Households households;
    bool member_photos;            // a photo (or the person's initials) on every card
    char photo_folder[PATH_SIZE];  // where photos named after the members are; "photos/"
    bool name_index;               // an index of names with their pages after the sections
    PageWords words;
    char picture_paths[PICTURE_SLOT_COUNT][PATH_SIZE];  // by PictureSlot; "" for none
    bool cover_named;  // roster.sdd names a cover picture (not the default cover.png)
    CoverFocus cover_focus;
    int32_t ink_limit;  // the print shop's inks, percent all four together; 0: the press profile's own
    char member_csv_path[PATH_SIZE];     // the member list: CSV, .xlsx or .ods
    bool member_list_named;              // roster.sdd names it: no other list is looked for
    char sheet_name[SETTINGS_KEY_SIZE];  // the spreadsheet's sheet to read; "" for the first visible one
    FilteredRows filtered_rows;
    char booklet_pdf_path[PATH_SIZE];
    char standard_pdf_path[PATH_SIZE];
    int32_t image_resolution;  // pixels per inch images are reduced to; FULL_IMAGE_RESOLUTION: never
    ImageCompression image_compression;
    FontChoice fonts;
    char text_encoding[64];  // the member list's and roster.sdd's encoding; "auto" detects it
    char sort_language[64];  // a language tag for sorting names; "" is ICU's root order
    // The club's own role words for each group (by Group), comma-separated.
    char role_words[GROUP_COUNT][SETTINGS_LINE_SIZE];
    // The Card block: the column headings each detail line shows, comma-separated, and
    // the headings of the role, first-name and last-name columns ("" when not named).
    char card_lines[DETAIL_LINE_COUNT][SETTINGS_LINE_SIZE];
    char card_names[CARD_NAME_COUNT][SETTINGS_KEY_SIZE];
    bool card_block;                         // roster.sdd has a Card block: columns are then read by heading
    char private_shows[SETTINGS_LINE_SIZE];  // headings still printed for private members
    PaperSize paper_size;
    bool page_numbers;    // page numbers and running heads (the default), or none
    TypedPage committee;  // title "Club Committee" by default
    TypedPage schedule;   // title "Dance Schedule" by default
    SparePages spare_pages;
    char print_shop_pdf_path[PATH_SIZE];  // "" (the default): no print-shop file
    bool crop_marks;                      // trim marks around the print shop's pages, outside the bleed
    ShopColour shop_colour;               // SHOP_RGB (the default) or SHOP_CMYK
    char club[SETTINGS_KEY_SIZE];     // the club's name as the files' author; "" takes the first title line
    char labels_pdf_path[PATH_SIZE];  // "" (the default): no mailing labels
    LabelSheet label_sheet;
    LabelOrder label_order;
    int32_t label_start;  // the first label used on the first sheet, from 1, counted across row by row
    bool label_private;   // private members get labels too (the default)
    char proofs_pdf_path[PATH_SIZE];       // "" (the default): no proofs in one PDF
    char proofs_folder[PATH_SIZE];         // "" (the default): no proofs one PDF a card
    char proof_shows[SETTINGS_LINE_SIZE];  // the other columns a proof shows, comma-separated headings
    char proof_note[MAX_PROOF_NOTE_LINES][TYPED_LINE_SIZE];  // the lines under every proof
    int32_t proof_note_count;
    char email_list_path[PATH_SIZE];   // "" (the default): no e-mail list
    char last_season_path[PATH_SIZE];  // last season's member list; "" (the default): none
    char changes_path[PATH_SIZE];      // "" (the default): no report of what changed since last season
    char contacts_path[PATH_SIZE];     // "" (the default): no vCard file
};

// What every place knows of a picture slot, by PictureSlot.
struct PictureSlotInfo {
    const char* label;           // "Committee": the page, and the block of roster.sdd typing it
    const char* key;             // "Committee Image": the key of roster.sdd naming its file
    const char* default_name;    // "committee.png": the file read when roster.sdd names none
    TypedPage Settings::*typed;  // the page typed instead when its block is given; null for the cover
    PicturePlace place;
};
constexpr PictureSlotInfo PICTURE_SLOTS[PICTURE_SLOT_COUNT] = {
    {"Cover", "Cover Image", "cover.png", nullptr, PLACE_COVER},
    {"Committee", "Committee Image", "committee.png", &Settings::committee, PLACE_PAGE},
    {"Schedule", "Schedule Image", "schedule.png", &Settings::schedule, PLACE_PAGE}};

// The block of `settings` typing `slot`'s page, when roster.sdd gives it; else null.
inline const TypedPage* typed_instead(const Settings& settings, PictureSlot slot) {
    const TypedPage Settings::*typed = PICTURE_SLOTS[slot].typed;
    return typed != nullptr && (settings.*typed).given ? &(settings.*typed) : nullptr;
}

// The name `slot`'s placeholder shows: its file as roster.sdd names it, or the default name
// when roster.sdd leaves it empty.
inline const char* picture_shown_name(const Settings& settings, PictureSlot slot) {
    return settings.picture_paths[slot][0] != '\0' ? settings.picture_paths[slot]
                                                   : PICTURE_SLOTS[slot].default_name;
}

// "Letter" or "A4", as roster.sdd and the closing report lines name the paper.
const char* paper_size_name(PaperSize paper);

// Resets every byte of `settings` to the defaults, then applies "roster.sdd" from the
// working directory (lines end at LF, CRLF or CR; a folder or FIFO there is not read).
// Problems are written to stderr, each message starting "roster.conf:"; the run always goes on.
void load_settings(Settings* settings);

// As load_settings, reading the settings file at `path` (messages still name "roster.sdd").
void load_settings_from(Settings* settings, const char* path);

// Applies one setting. `key` and `value` are trimmed; `lines` holds `line_count` block
// lines (null and 0 for a one-line setting, whose block value is then ""). Unknown keys,
// bad font sizes and bad colours are reported on stderr and change nothing; a label
// sequence other than Column Order or Row Order is reported and gives row order.
void apply_setting(Settings* settings, const char* key, const char* value,
                   const char (*lines)[SETTINGS_LINE_SIZE], int line_count);

// What a form shows of a key: the kind of value it takes.
enum SettingKind : int32_t {
    SETTING_TEXT,      // one line of text
    SETTING_LINES,     // a block of lines below the key
    SETTING_CHOICE,    // one of its choices
    SETTING_COLOUR,    // "#rrggbb"
    SETTING_NUMBER,    // a number (a size in points, pixels per inch)
    SETTING_FILE,      // the name of a file beside roster.sdd
    SETTING_LANGUAGE,  // a language tag, one collation_languages gives
};

// One key of roster.sdd as a form shows it, from the table the reader applies.
struct SettingInfo {
    std::string name;  // as roster.sdd spells it
    SettingKind kind;
    std::string group;  // the part of the form: "Cover", "Pages", "Member list", "Printing", "Print shop"
    std::vector<std::string> choices;  // a choice's words; empty for other kinds
    std::string default_value;         // the tool's own default as roster.sdd writes it ("" for none)
};

// Every key, in the order the reader matches them.
std::vector<SettingInfo> setting_infos();

// Where a settings text sets a key: the value the reader takes from there (a block's lines
// joined by "\n") and its lines, counted from 1 (a block's from its key to its last line).
struct SettingLines {
    std::string key;  // the table's name, whatever spelling or case the file used
    std::string value;
    int first_line, last_line;
};

// `bytes` of a roster.sdd as UTF-8 text, decoded as the reader decodes the file. False when
// they cannot be decoded.
bool decode_settings_file(std::string_view bytes, std::string* text);

// Reads the settings `text` (UTF-8) as the tool does: each key where it is set, in the
// order read (a key set twice appears twice; the reader takes the last), and in `messages`
// what the reader says of it, line by line.
std::vector<SettingLines> read_setting_lines(const std::string& text, std::string* messages);

// `text` cut into lines as the reader cuts it (at "\r\n", "\n" or "\r"), each line with its end.
std::vector<std::string> settings_lines(const std::string& text);

// `text` with `key` set to `value` where the reader takes it from (its last setting), every
// other line kept as it was; added at the end when `text` has none; an empty `value` takes
// out every setting of the key (the tool's default then holds). A block's `value` is its
// lines joined by "\n". An unknown key leaves `text` as it is.
std::string edit_setting(const std::string& text, const std::string& key, const std::string& value);

// Whether the pages read from the right: as `direction` forces, else when the Sort Language is
// written from the right (he, yi, ar, fa, ur, ps, sd, ug, as ICU knows) or the title or a section title
// reads from the right. `why`, when given, gets the reason in the report's words:
// "Direction: Right to Left", "Sort Language: he", "the title" or "the section titles".
bool pages_right_to_left(const Settings& settings, std::string* why = nullptr);

// "Row Order" or "Column Order", as the report and roster.sdd name them.
const char* label_sequence_name(LabelSequence sequence);

// True when `a` and `b` match after each is cut to 255 characters and trimmed,
// ignoring ASCII letter case.
bool keys_equal(const char* a, const char* b);

// Reads "#" and three groups of one or two hexadecimal digits ("#rrggbb"; "#12345" gives
// 12, 34, 5; anything after the third group is ignored) into `color` as fractions of 255.
// Returns false and leaves `color` unchanged unless all three groups were read.
bool parse_hex_color(const char* text, float color[3]);
