#include "app/printable.h"

#include <unicode/uchar.h>

#include <algorithm>
#include <string>
#include <utility>

#include "base/message.h"
#include "base/text_util.h"
#include "roster/columns.h"
#include "roster/sheet.h"
#include "text/encoding.h"

namespace {

// Calls `visit(text)` for every printed text (a std::string) of one member: the whole
// name, or the first and last names.
template <typename Visit>
void for_each_member_text(Member* member, Visit visit) {
    if (member->name.empty()) {
        visit(member->first_name);
        visit(member->last_name);
    } else {
        visit(member->name);
    }
    for (std::string& detail : member->details) visit(detail);
}

// Calls `visit(text, capacity)` for every text of roster.sdd that is printed: the cover's
// lines and the typed pages. `S` is Settings or const Settings.
template <typename S, typename Visit>
void for_each_settings_text(S& settings, Visit visit) {
    for (int i = 0; i < settings.title_line_count; ++i) visit(settings.title_lines[i], SETTINGS_LINE_SIZE);
    for (int i = 0; i < settings.subtitle_line_count; ++i)
        visit(settings.subtitle_lines[i], SETTINGS_LINE_SIZE);
    for (auto& title : settings.words.group_titles) visit(title, SETTINGS_KEY_SIZE);
    for (auto* word :
         {&settings.words.continued, &settings.words.notes_title, &settings.words.picture_missing})
        visit(*word, SETTINGS_KEY_SIZE);
    for (auto* page : {&settings.committee, &settings.schedule}) {
        if (!page->given) continue;
        visit(page->title, SETTINGS_KEY_SIZE);
        visit(page->subtitle, SETTINGS_KEY_SIZE);
        for (int i = 0; i < page->line_count; ++i) visit(page->lines[i], TYPED_LINE_SIZE);
    }
}

// True when `check` holds for every printed text of the run.
template <typename Check>
bool all_texts(const Settings& settings, std::span<Member* const> people, Check check) {
    bool holds = true;
    for_each_settings_text(settings, [&](const char* text, size_t) { holds = holds && check(text); });
    for (Member* member : people) {
        for_each_member_text(member, [&](const std::string& text) { holds = holds && check(text.c_str()); });
    }
    return holds;
}

// Replaces the unprintable characters of `text` with "?"; true when any was.
bool replace_in(const PdfFonts& fonts, std::string* text) {
    std::string kept;
    bool replaced = false;
    for_each_code_point(*text, [&](int32_t c, size_t offset, size_t length) {
        const bool prints = fonts_print(fonts, c);
        kept.append(prints ? text->substr(offset, length) : std::string("?"));
        replaced = replaced || !prints;
        return true;
    });
    if (replaced) *text = std::move(kept);
    return replaced;
}

// True when some letter of `member`'s name is one `fonts` print.
bool name_prints(const PdfFonts& fonts, const Member& member) {
    bool prints = false;
    for (const std::string* text : {&member.name, &member.first_name, &member.last_name}) {
        for_each_code_point(*text, [&](int32_t c, size_t, size_t) {
            prints = u_isalpha(c) && fonts_print(fonts, c);
            return !prints;
        });
        if (prints) return true;
    }
    return false;
}

}  // namespace

bool texts_fit_windows_1252(const Settings& settings, std::span<Member* const> people) {
    return all_texts(settings, people, [](const char* text) { return fits_windows_1252(text); });
}

bool texts_need_fallback(const PdfFonts& fonts, const Settings& settings, std::span<Member* const> people) {
    return !all_texts(settings, people, [&](const char* text) {
        bool own = true;
        for_each_code_point(text, [&](int32_t c, size_t, size_t) { return own = fonts_print(fonts, c); });
        return own;
    });
}

std::optional<Failure> replace_unprintable(const PdfFonts& fonts, Settings* settings,
                                           std::span<Member* const> people) {
    // A roster of question marks is no roster: said once, not name by name.
    if (!people.empty() &&
        std::none_of(people.begin(), people.end(), [&](const Member* m) { return name_prints(fonts, *m); })) {
        return Failure{settings->member_csv_path, 0,
                       "none of its names can be printed (no font here has the letters of '" +
                           printed_name(*people[0], settings->name_order) + "'), nothing written"};
    }
    for_each_settings_text(*settings, [&](char* text, size_t size) {
        const std::string original = text;
        std::string replaced = text;
        if (replace_in(fonts, &replaced)) {
            copy_text(text, size, replaced.c_str());
            say("Warning: %s: '%s' has characters no font here can print\n", SETTINGS_FILE_NAME,
                original.c_str());
        }
    });
    for (Member* member : people) {
        for_each_member_text(member, [&](std::string& text) {
            const std::string original = text;
            if (replace_in(fonts, &text)) {
                say("Warning: %s %s %d: '%s' has characters no font here can print\n",
                    settings->member_csv_path, row_word(settings->member_csv_path), member->line_number,
                    original.c_str());
            }
        });
        // The running heads print the surname of a whole name: it changes with it.
        if (!member->name.empty()) split_whole_name(member->name, &member->first_name, &member->last_name);
    }
    return std::nullopt;
}
