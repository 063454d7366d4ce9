// The whole settings reader: every text terminated, counts, sizes, colours and choices in
// range; and the web form's reading and editing: every key's lines inside the text, and a
// key edited reads back as edited.
#include <cstdio>
#include <memory>
#include <string>
#include <string_view>

#include "fuzz_support.h"
#include "settings/settings.h"

namespace {

// The value `key` last has in `text`, as the reader takes it; "(none)" when it is not set.
std::string last_value(const std::string& text, const std::string& key) {
    std::string messages, value = "(none)";
    for (const SettingLines& at : read_setting_lines(text, &messages))
        if (at.key == key) value = at.value;
    return value;
}

void check_form_edit(std::string_view bytes) {
    std::string text, messages;
    if (!decode_settings_file(bytes, &text)) return;
    const std::vector<SettingLines> seen = read_setting_lines(text, &messages);
    const long lines = static_cast<long>(settings_lines(text).size());
    for (const SettingLines& at : seen)
        promise(at.first_line >= 1 && at.first_line <= at.last_line && at.last_line <= lines, "key's lines");
    // A value the key accepts: one it refuses would no longer end a block it stands after.
    const std::string key = seen.empty() ? "Club" : seen.front().key;
    std::string value = "Fuzzed";
    for (const SettingInfo& info : setting_infos()) {
        if (info.name != key) continue;
        if (!info.default_value.empty() && info.kind != SETTING_LINES) value = info.default_value;
        if (info.kind == SETTING_LANGUAGE) value = "de";  // an unknown language is refused
    }
    promise(last_value(edit_setting(text, key, value), key) == value, "an edited key reads back");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string path = write_input(data, size, ".sdd");
    static Settings settings;
    load_settings_from(&settings, path.c_str());
    const Settings& s = settings;
    promise(s.title_line_count >= 0 && s.title_line_count <= MAX_TITLE_LINES, "title count");
    promise(s.subtitle_line_count >= 0 && s.subtitle_line_count <= MAX_SUBTITLE_LINES, "subtitle count");
    for (const auto& line : s.title_lines) promise(terminated(line, sizeof line), "title line terminated");
    for (const auto& line : s.subtitle_lines)
        promise(terminated(line, sizeof line), "subtitle line terminated");
    for (float font_size : {s.title_font_size, s.subtitle_font_size})
        promise(font_size > 0 && font_size <= MAX_FONT_SIZE, "font size in (0, 600]");
    for (float c : {s.title_color[0], s.title_color[1], s.title_color[2], s.subtitle_color[0],
                    s.subtitle_color[1], s.subtitle_color[2]})
        promise(c >= 0 && c <= 1, "colour in 0..1");
    promise(s.label_sequence == ROW_ORDER || s.label_sequence == COLUMN_ORDER, "label sequence");
    promise(s.image_resolution == 0 ||
                (s.image_resolution >= MIN_IMAGE_RESOLUTION && s.image_resolution <= MAX_IMAGE_RESOLUTION),
            "image resolution");
    promise(s.image_compression <= COMPRESSION_JPEG && s.fonts <= FONTS_EMBEDDED, "choices 0 or 1");
    for (const auto& line : s.role_words) promise(terminated(line, sizeof line), "role words terminated");
    for (const auto& line : s.card_lines) promise(terminated(line, sizeof line), "card line terminated");
    promise(terminated(s.private_shows, sizeof s.private_shows), "private shows terminated");
    promise(s.paper_size <= PAPER_A4 && s.spare_pages <= SPARE_NOTES, "page choices");
    promise(s.name_order <= FAMILY_NAME_FIRST, "name order");
    promise(s.label_sheet <= LABEL_L7163 && s.label_order <= LABEL_ORDER_POSTAL_CODE, "label choices");
    promise(s.label_start >= 1 && s.label_start <= MAX_LABELS_A_SHEET, "label start");
    for_each_page_word(s.words, [](const char* word) {
        promise(terminated(word, SETTINGS_KEY_SIZE) && word[0] != '\0', "page word set");
    });
    for (const TypedPage* page : {&s.committee, &s.schedule}) {
        promise(page->line_count >= 0 && page->line_count <= MAX_TYPED_LINES, "typed line count");
        promise(
            terminated(page->title, sizeof page->title) && terminated(page->subtitle, sizeof page->subtitle),
            "typed title terminated");
        for (const auto& line : page->lines) promise(terminated(line, sizeof line), "typed line terminated");
    }
    for (const char* p :
         {s.picture_paths[SLOT_COVER], s.picture_paths[SLOT_COMMITTEE], s.picture_paths[SLOT_SCHEDULE],
          s.member_csv_path, s.booklet_pdf_path, s.standard_pdf_path, s.labels_pdf_path})
        promise(terminated(p, PATH_SIZE), "path terminated");
    check_form_edit(std::string_view(reinterpret_cast<const char*>(data), size));
    return 0;
}
