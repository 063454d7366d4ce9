#include "settings/settings.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <memory>
#include <string>

#include "tests/support/temp_dir.h"

namespace {

std::string color_text(const float color[3]) {
    char text[64];
    snprintf(text, sizeof text, "%.4f %.4f %.4f", color[0], color[1], color[2]);
    return text;
}

template <size_t SIZE>
std::string lines_text(const char (*lines)[SIZE], int count) {
    std::string text = std::to_string(count) + ":";
    for (int i = 0; i < count; ++i) text += std::string(i ? "|" : "") + lines[i];
    return text;
}

// One field of the record as text, so that cases can name what they check.
std::string field_value(const Settings& s, const std::string& field) {
    if (field == "title") return lines_text(s.title_lines, s.title_line_count);
    std::string why;
    if (field == "direction")
        return (pages_right_to_left(s, &why) ? "right to left: " : "left to right: ") + why;
    if (field == "subtitle") return lines_text(s.subtitle_lines, s.subtitle_line_count);
    if (field == "cover_focus") return cover_focus_name(s.cover_focus);
    if (field == "ink_limit") return std::to_string(s.ink_limit);
    if (field == "title_font_size") return std::to_string(s.title_font_size);
    if (field == "subtitle_font_size") return std::to_string(s.subtitle_font_size);
    if (field == "title_color") return color_text(s.title_color);
    if (field == "subtitle_color") return color_text(s.subtitle_color);
    if (field == "label_sequence") return std::to_string(s.label_sequence);
    if (field == "cover") return s.picture_paths[SLOT_COVER];
    if (field == "committee") return s.picture_paths[SLOT_COMMITTEE];
    if (field == "schedule") return s.picture_paths[SLOT_SCHEDULE];
    if (field == "csv") return s.member_csv_path;
    if (field == "booklet") return s.booklet_pdf_path;
    if (field == "standard") return s.standard_pdf_path;
    if (field == "resolution") return std::to_string(s.image_resolution);
    if (field == "jpeg") return std::to_string(s.image_compression);
    if (field == "fonts") return std::to_string(s.fonts);
    if (field == "encoding") return s.text_encoding;
    if (field == "sort") return s.sort_language;
    if (field == "paper")
        return std::to_string(s.paper_size) + " " + std::to_string(s.page_numbers) + " " +
               std::to_string(s.binding);
    if (field == "shop colour") return std::to_string(s.shop_colour);
    if (field == "photos") {
        return std::to_string(s.member_photos) + " " + s.photo_folder + " " + std::to_string(s.name_index) +
               " " + s.words.index_title;
    }
    if (field == "typed committee") {
        return std::to_string(s.committee.given) + " " + s.committee.title + "|" +
               lines_text(s.committee.lines, s.committee.line_count);
    }
    ADD_FAILURE() << "unknown field " << field;
    return "";
}

struct Loaded {
    std::unique_ptr<Settings> settings = std::make_unique<Settings>();
    std::string err;
};

Loaded load_text(const std::string& contents) {
    TempDir dir;
    dir.write("roster.sdd", contents);
    Loaded loaded;
    testing::internal::CaptureStderr();
    load_settings_from(loaded.settings.get(), dir.file("roster.sdd").c_str());
    loaded.err = testing::internal::GetCapturedStderr();
    return loaded;
}

// A folder, a FIFO or a device in place of the file is never read, nor waited for.
TEST(LoadSettings, MissingFileKeepsDefaults) {
    TempDir dir;
    mkfifo(dir.file("fifo").c_str(), 0600);
    Loaded loaded;
    for (std::string path :
         {std::string("/nonexistent/roster.sdd"), dir.path, dir.file("fifo"), std::string("/dev/zero")}) {
        testing::internal::CaptureStderr();
        load_settings_from(loaded.settings.get(), path.c_str());
        EXPECT_EQ(testing::internal::GetCapturedStderr(),
                  "Warning: cannot open roster.sdd, proceeding with defaults \n")
            << path;
    }
    const Settings& s = *loaded.settings;
    const struct {
        const char* field;
        const char* expected;
    } defaults[] = {
        {"title", "0:"},
        {"subtitle", "0:"},
        {"title_font_size", "20.000000"},
        {"subtitle_font_size", "10.000000"},
        {"title_color", "0.1020 0.2314 0.3608"},
        {"subtitle_color", "0.3294 0.3294 0.3294"},
        {"label_sequence", "0"},
        {"cover", "cover.png"},
        {"committee", "committee.png"},
        {"schedule", "schedule.png"},
        {"csv", "members.csv"},
        {"booklet", "booklet.pdf"},
        {"standard", "standard.pdf"},
        {"resolution", "300"},
        {"jpeg", "0"},
        {"fonts", "0"},
        {"encoding", "auto"},
        {"sort", ""},
    };
    for (const auto& d : defaults) EXPECT_EQ(field_value(s, d.field), d.expected) << d.field;
}

TEST(LoadSettings, FileContents) {
    const struct {
        std::string file;
        const char* field;
        std::string expected;
    } cases[] = {
        {"Title:\nSpring Dance\nClub Roster\n\n", "title", "2:Spring Dance|Club Roster"},
        {"Title:\nA\n\nTitle:\n\n", "title", "0:"},
        {"Title:\n1\n2\n3\n4\n5\n6\n7\n8\n9\n10\n", "title", "8:1|2|3|4|5|6|7|8"},
        {"Subtitle:\n1\n2\n3\n4\n5\n6\n", "subtitle", "4:1|2|3|4"},
        {"Title:\nA\n# a comment\nB\n\n", "title", "2:A|B"},
        {"Title:\nA: with colon\n  B  \n", "title", "2:A: with colon|B"},
        {"Title:\r\nWindows\r\n\r\n", "title", "1:Windows"},
        {"Title:\rMac\rLines\r\rTitle Font Size: 30\r", "title", "2:Mac|Lines"},
        {"Title:\rMac\r\rTitle Font Size: 30\r", "title_font_size", "30.000000"},
        {"Label Sequence: Column Order\nLabel Sequence:  row order \n", "label_sequence", "0"},
        {"Title Color: #aBcDeF\n", "title_color", "0.6706 0.8039 0.9373"},
        {"Image Resolution: 150\n", "resolution", "150"},
        {"Image Resolution: 72\n", "resolution", "72"},
        {"image resolution: FULL\n", "resolution", "0"},
        {"Image Resolution: 0\n", "resolution", "0"},
        {"Image Compression: jpeg\n", "jpeg", "1"},
        {"Image Compression: JPEG\nImage Compression: Lossless\n", "jpeg", "0"},
        {"Fonts: Embedded\n", "fonts", "1"},
        {"Text Encoding: Macintosh\n", "encoding", "Macintosh"},
        {"Sort Language: cs\n", "sort", "cs"},
        {"Sort Language: cs\n", "direction", "left to right: "},
        {"Sort Language: he-IL\n", "direction", "right to left: Sort Language: he-IL"},
        {"Title:\nמועדון הריקודים\n\n", "direction", "right to left: the title"},
        {"Members Title: الأعضاء\n", "direction", "right to left: the section titles"},
        {"Sort Language: ar\ndirection: left to right\n", "direction",
         "left to right: Direction: Left to Right"},
        {"Direction: Right to Left\n", "direction", "right to left: Direction: Right to Left"},
        {"\xEF\xBB\xBFTitle Font Size: 30\n", "title_font_size", "30.000000"},
        {"  title color : #FFFFFF\n", "title_color", "1.0000 1.0000 1.0000"},
        {"Title Color: #12345\n", "title_color", "0.0706 0.2039 0.0196"},
        {"Subtitle Color: #1a3A5c trailing\n", "subtitle_color", "0.1020 0.2275 0.3608"},
        {"Label Sequence: column ORDER\n", "label_sequence", "1"},
        {"Subtitle Font Size: 600\n", "subtitle_font_size", "600.000000"},
        {"Cover Image: \"my cover.png\"\n", "cover", "my cover.png"},
        {"Cover Image: C:\\club\\cover.png\n", "cover", "C:\\club\\cover.png"},
        {"Cover Image: \"\n", "cover", "\""},
        {"Cover Image:\n\n", "cover", ""},
        {"Cover Image:\n", "cover", "cover.png"},
        {"Cover Focus: center\n", "cover_focus", "Centre"},
        {"Cover Focus: TOP\n", "cover_focus", "Top"},
        {"Ink Limit: 260%\nInk Limit: 300\n", "ink_limit", "300"},
        {"Ink Limit: 300\nInk Limit: profile\n", "ink_limit", "0"},
        {"Committee Image: board.png\n", "committee", "board.png"},
        {"Schedule Image: dates.png\n", "schedule", "dates.png"},
        {"Member CSV: list.csv\n", "csv", "list.csv"},
        {"Booklet PDF: out/b.pdf\n", "booklet", "out/b.pdf"},
        {"STANDARD pdf: s.pdf\n", "standard", "s.pdf"},
        {"Subtitle:\nlast block at end of file", "subtitle", "1:last block at end of file"},
        {"Title:\n" + std::string(3000, 'x') + "\nSecond\n\n", "title",
         "2:" + std::string(2047, 'x') + "|Second"},
        {"Title:\n" + std::string(2046, 'x') + "é and more\n\n", "title", "1:" + std::string(2046, 'x')},
    };
    for (const auto& c : cases) {
        Loaded loaded = load_text(c.file);
        EXPECT_EQ(field_value(*loaded.settings, c.field), c.expected) << c.file;
        EXPECT_EQ(loaded.err, "") << c.file;
    }
}

TEST(LoadSettings, Messages) {
    const struct {
        std::string file;
        const char* field;
        const char* expected;
        const char* err;
    } errors[] = {
        {"just words\n", "title", "0:", "roster.conf: no colon: just words\n"},
        {"Ink Limit: 260\nInk Limit: 100\n", "ink_limit", "260",
         "roster.conf: bad ink limit '100' (200 to 400, or Profile), keeping 260\n"},
        {"Cover Focus: middle\n", "cover_focus", "Fit",
         "roster.conf: unknown cover focus 'middle', keeping Fit\n"},
        {"Direction: upward\n", "direction",
         "left to right: ", "roster.conf: unknown direction 'upward', keeping Auto\n"},
        {"  Colour: #000000  \n", "title_color", "0.1020 0.2314 0.3608",
         "roster.conf: unknown key 'Colour'\n"},
        {"\xEF\xBB\xBFTitle Font Size: 30\nFoo: 1\n", "title_font_size", "30.000000",
         "roster.conf: unknown key 'Foo'\n"},
        {"Title Font Size: big\n", "title_font_size", "20.000000",
         "roster.conf: bad font size 'big', keeping 20\n"},
        {"Title Font Size: 0\n", "title_font_size", "20.000000",
         "roster.conf: bad font size '0', keeping 20\n"},
        {"Title Font Size: -4\n", "title_font_size", "20.000000",
         "roster.conf: bad font size '-4', keeping 20\n"},
        {"Title Font Size: 600.5\n", "title_font_size", "20.000000",
         "roster.conf: bad font size '600.5', keeping 20\n"},
        {"Subtitle Font Size: 12.5\nSubtitle Font Size: nan\n", "subtitle_font_size", "12.500000",
         "roster.conf: bad font size 'nan', keeping 12.5\n"},
        {"Subtitle Font Size:\n\n", "subtitle_font_size", "10.000000",
         "roster.conf: bad font size '', keeping 10\n"},
        {"Title:\nA\n\nafter block\n", "title", "1:A", "roster.conf: no colon: after block\n"},
        {"Title: ignored text\n", "title", "0:",
         "roster.conf: Title takes its lines as a block: write 'Title:' alone, the lines below it, then an "
         "empty line\n"},
        {"subtitle : 2026\n", "subtitle", "0:",
         "roster.conf: Subtitle takes its lines as a block: write 'Subtitle:' alone, the lines below it, "
         "then "
         "an empty line\n"},
        // A key with a value it accepts ends a block; labels and values no key takes stay text.
        {"Title:\nClub\nTitle Color: #8b0000\n\n", "title_color", "0.5451 0.0000 0.0000",
         "roster.conf: line 3: 'Title Color:' ends the Title block; leave an empty line after a block\n"},
        {"Subtitle:\nSpring 2027\nPaper Size: A4\n", "paper", "1 1 0",
         "roster.conf: line 3: 'Paper Size:' ends the Subtitle block; leave an empty line after a block\n"},
        {"Schedule:\nSept 12: Barn dance\nPage Numbers: Off\nTitle:\nClub\n", "paper", "0 0 0",
         "roster.conf: line 3: 'Page Numbers:' ends the Schedule block; leave an empty line after a block\n"},
        {"Committee:\nNote: bring badges\nClub: Riverside Squares\nFonts: Comic\nSpare Pages: Notes\n",
         "typed committee", "1 Club Committee|3:Note: bring badges|Club: Riverside Squares|Fonts: Comic",
         "roster.conf: line 3: 'Club: Riverside Squares' is inside the Committee block; end a block with an "
         "empty line\n"
         "roster.conf: line 4: 'Fonts: Comic' is inside the Committee block; end a block with an empty line\n"
         "roster.conf: line 5: 'Spare Pages:' ends the Committee block; leave an empty line after a block\n"},
        {"# c\ntitle:\nClub\n subtitle:\nNote: fine\n", "title", "3:Club|subtitle:|Note: fine",
         "roster.conf: line 4: 'subtitle:' is inside the title block; end a block with an empty line\n"},
        {"Title Color: #123\n", "title_color", "0.1020 0.2314 0.3608",
         "roster.conf: bad colour '#123', keeping #1a3b5c\n"},
        {"Title Color: #-1-1-1\n", "title_color", "0.1020 0.2314 0.3608",
         "roster.conf: bad colour '#-1-1-1', keeping #1a3b5c\n"},
        {"Subtitle Color: #0x1122\n", "subtitle_color", "0.3294 0.3294 0.3294",
         "roster.conf: bad colour '#0x1122', keeping #545454\n"},
        {"Subtitle Color: # 1 2 3\n", "subtitle_color", "0.3294 0.3294 0.3294",
         "roster.conf: bad colour '# 1 2 3', keeping #545454\n"},
        {"Title Color: #ff0000\nTitle Color: red\n", "title_color", "1.0000 0.0000 0.0000",
         "roster.conf: bad colour 'red', keeping #ff0000\n"},
        {"Title Color:\n#FFFFFF\n\n", "title_color", "0.1020 0.2314 0.3608",
         "roster.conf: bad colour '', keeping #1a3b5c\n"},
        {"Image Resolution: 71\n", "resolution", "300",
         "roster.conf: bad image resolution '71', keeping 300\n"},
        {"Image Resolution: Full\nImage Resolution: 300 dpi\n", "resolution", "0",
         "roster.conf: bad image resolution '300 dpi', keeping 0\n"},
        {"Image Resolution: -300\n", "resolution", "300",
         "roster.conf: bad image resolution '-300', keeping 300\n"},
        {"Image Compression: JPEG\nImage Compression: zip\n", "jpeg", "1",
         "roster.conf: unknown image compression 'zip', keeping JPEG\n"},
        {"Fonts: Arial\n", "fonts", "0", "roster.conf: unknown fonts 'Arial', keeping Standard\n"},
        {"Label Sequence: Columns\n", "label_sequence", "0",
         "roster.conf: unknown label sequence 'Columns', using Row Order\n"},
        {"Label Sequence: Column Order\nLabel Sequence:\nx\n\n", "label_sequence", "0",
         "roster.conf: unknown label sequence '', using Row Order\n"},
        {"Paper Size: A4\nPaper Size: B5\nPage Numbers: off\nBinding: right\nBinding: top\n", "paper",
         "1 0 1",
         "roster.conf: unknown paper size 'B5', keeping A4\nroster.conf: unknown binding 'top', keeping "
         "Right\n"},
        {"Member Photos: on\nPhoto Folder: \"Club Photos/\"\nIndex: ON\nIndex Title: Namen\nIndex: A-Z\n",
         "photos", "1 Club Photos/ 1 Namen", "roster.conf: unknown index 'A-Z', keeping On\n"},
        {"Member Photos: yes\n", "photos", "0 photos/ 0 Index",
         "roster.conf: unknown member photos 'yes', keeping Off\n"},
        {"Print Shop Colour: cmyk\nPrint Shop Color: CMYK 4c\n", "shop colour", "1",
         "roster.conf: unknown print shop colour 'CMYK 4c', keeping CMYK\n"},
        {"Committee Title: Board\nCommittee: President: Ann\n", "typed committee", "1 Board|0:",
         "roster.conf: Committee takes its lines as a block: write 'Committee:' alone, the lines below it, "
         "then an empty line\n"},
        {"Committee:\nPresident: Ann\n-\nMeets monthly\n\n", "typed committee",
         "1 Club Committee|3:President: Ann|-|Meets monthly", ""},
        // Texts are held as UTF-8 whatever the file's encoding.
        {"Title:\nCaf\xC3\xA9 \xC5\x81\xC3\xB3"
         "d\xC5\xBA\n\n",
         "title", "1:Café Łódź", ""},
        {"# c\nSubtitle:\nJos\xE9\nZo\xEB M\xFCller\n\n", "subtitle", "2:José|Zoë Müller",
         "Warning: roster.sdd read as Windows Western (windows-1252): if words look wrong, save it as UTF-8 "
         "or "
         "set 'Text Encoding' in it\n"},
        {"Title:\n\xA3\xF3\x64\x9F\n\nText Encoding: windows-1250\n", "title", "1:Łódź", ""},
        {"Text Encoding: klingon-8\n", "encoding", "auto",
         "roster.conf: unknown text encoding 'klingon-8', detecting it\n"},
        {"Sort Language: pl\nSort Language: xx\n", "sort", "",
         "roster.conf: unknown sort language 'xx', using the default order\n"},
        {"Cover Image: \xC5\x81\xC3\xB3"
         "d\xC5\xBA.png\n",
         "cover",
         "\xC5\x81\xC3\xB3"
         "d\xC5\xBA.png",
         ""},
    };
    for (auto& e : errors) {
        std::string expected_err = e.err;
        if (e.file[0] == 'y') {
            // A line longer than the buffer is one line: one message, not two.
            expected_err = "roster.conf: no colon: " + std::string(2047, 'y') + "\n";
        }
        Loaded loaded = load_text(e.file);
        EXPECT_EQ(field_value(*loaded.settings, e.field), e.expected) << e.file;
        EXPECT_EQ(loaded.err, expected_err) << e.file;
    }
}

// A form edits one key where the reader takes it from, and nothing else.
TEST(SettingsText, EditsOneKeyInPlace) {
    const std::string club =
        "# Riverside\r\nTitle:\r\nRiverside Squares\r\n\r\nPaper Size: Letter\r\n"
        "Schedule:\r\nSept 12: Barn dance\r\nPaper size: A4\r\n";
    const struct {
        std::string text, key, value, edited;
    } cases[] = {
        // The repeated key changes where it is read (the last); CRLF stays.
        {club, "Paper Size", "Letter",
         "# Riverside\r\nTitle:\r\nRiverside Squares\r\n\r\nPaper Size: Letter\r\nSchedule:\r\n"
         "Sept 12: Barn dance\r\nPaper Size: Letter\r\n"},
        {club, "title", "Harbour\n\nSquares",
         "# Riverside\r\nTitle:\r\nHarbour\r\nSquares\r\n\r\nPaper Size: Letter\r\nSchedule:\r\n"
         "Sept 12: Barn dance\r\nPaper size: A4\r\n"},
        // A block ended by a key, and a key the file lacks (after an empty line: a block may be open).
        {club, "Schedule", "Oct 3: Social",
         "# Riverside\r\nTitle:\r\nRiverside Squares\r\n\r\nPaper Size: Letter\r\nSchedule:\r\n"
         "Oct 3: Social\r\nPaper size: A4\r\n"},
        {"Title:\nClub", "Print Shop Color", "CMYK", "Title:\nClub\n\nPrint Shop Colour: CMYK\n"},
        {"", "Committee", "President: Ann", "Committee:\nPresident: Ann\n\n"},
        // Emptied: every setting of the key goes, so the default holds.
        {club, "Paper Size", "",
         "# Riverside\r\nTitle:\r\nRiverside Squares\r\n\r\nSchedule:\r\nSept 12: Barn dance\r\n"},
        {club, "Colour of the cover", "red", club},
        // Lines ended by CR alone, as old Mac files are, are lines as the reader counts them.
        {"Title:\rA\rPaper Size: A4\r", "Paper Size", "Letter", "Title:\rA\rPaper Size: Letter\r"},
    };
    for (const auto& c : cases) EXPECT_EQ(edit_setting(c.text, c.key, c.value), c.edited) << c.key;
    std::string messages;
    std::string seen;
    for (const SettingLines& at : read_setting_lines(club, &messages))
        seen += at.key + "=" + at.value + "@" + std::to_string(at.first_line) + "-" +
                std::to_string(at.last_line) + " ";
    EXPECT_EQ(seen,
              "Title=Riverside Squares@2-3 Paper Size=Letter@5-5 Schedule=Sept 12: Barn dance@6-7 Paper "
              "Size=A4@8-8 ");
    EXPECT_EQ(
        messages,
        "roster.conf: line 8: 'Paper size:' ends the Schedule block; leave an empty line after a block\n");
}

// Every default a form shows, written into roster.sdd, reads back as the tool's own default.
TEST(SettingsText, FormDefaultsAreTheToolsDefaults) {
    std::string text;
    for (const SettingInfo& info : setting_infos()) {
        text = edit_setting(text, info.name, info.default_value);
        EXPECT_EQ(info.kind == SETTING_CHOICE, !info.choices.empty()) << info.name;
    }
    EXPECT_NE(text.find("Title Color: #1a3b5c\nSubtitle Font Size: 10\nSubtitle Color: #545454\n"),
              std::string::npos)
        << text;
    Loaded loaded = load_text(text);
    auto defaults = std::make_unique<Settings>();
    load_settings_from(defaults.get(), "/nonexistent/roster.sdd");
    // Naming the usual list is a choice of its own: no other list is looked for.
    EXPECT_TRUE(loaded.settings->member_list_named);
    loaded.settings->member_list_named = false;
    EXPECT_TRUE(loaded.settings->binding_named);  // so is the binding of a right-to-left roster
    loaded.settings->binding_named = false;
    EXPECT_TRUE(loaded.settings->cover_named);  // and the cover picture, which the shop's file then needs
    loaded.settings->cover_named = false;
    const auto* a = reinterpret_cast<const unsigned char*>(loaded.settings.get());
    const auto* b = reinterpret_cast<const unsigned char*>(defaults.get());
    EXPECT_EQ(std::mismatch(a, a + sizeof(Settings), b).first - a, static_cast<long>(sizeof(Settings)))
        << text;
    EXPECT_EQ(loaded.err, "");
}

TEST(SettingsText, KeysEqual) {
    const struct {
        std::string a, b;
        bool equal;
    } cases[] = {
        {"Title", "title", true},
        {"  TITLE\t", "Title", true},
        {"Title", "Titles", false},
        {"Title Color", "TitleColor", false},
        {std::string(255, 'k') + "extra", std::string(255, 'K'), true},
        {"", "  ", true},
    };
    for (const auto& c : cases)
        EXPECT_EQ(keys_equal(c.a.c_str(), c.b.c_str()), c.equal) << c.a << " / " << c.b;
}

}  // namespace
