#include "app/printable.h"

#include <unicode/uchar.h>
#include <unicode/uscript.h>
#include <unicode/utf8.h>

#include <algorithm>
#include <cstdio>
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
    for_each_page_word(settings.words, [&](auto& word) { visit(word, SETTINGS_KEY_SIZE); });
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

// Replaces the unprintable characters of `text` with "?"; the first that was, else 0.
int32_t replace_in(const PdfFonts& fonts, std::string* text) {
    std::string kept;
    int32_t first = 0;
    for_each_code_point(*text, [&](int32_t c, size_t offset, size_t length) {
        const bool prints = fonts_print(fonts, c);
        kept.append(prints ? text->substr(offset, length) : std::string("?"));
        if (!prints && first == 0) first = c;
        return true;
    });
    if (first != 0) *text = std::move(kept);
    return first;
}

std::string utf8_of(int32_t code_point) {
    char bytes[U8_MAX_LENGTH];
    int32_t length = 0;
    U8_APPEND_UNSAFE(bytes, length, code_point);
    return std::string(bytes, static_cast<size_t>(length));
}

// The block `code_point` is in, in words: "CJK Unified Ideographs Extension B".
std::string block_name(int32_t code_point) {
    const char* name = u_getPropertyValueName(UCHAR_BLOCK, ublock_getCode(code_point), U_LONG_PROPERTY_NAME);
    std::string words = name != nullptr ? name : "";
    std::replace(words.begin(), words.end(), '_', ' ');
    return words;
}

// What would print `code_point`, after its code point: "U+AE40 needs Korean (Hangul): install the
// Debian package fonts-nanum" (on the web page, the page that has the font) when the font made
// for its script is missing here; "U+20BB7 needs a font with CJK Unified Ideographs Extension B"
// when that font is here and lacks it; "U+13E3 needs a font for the Cherokee script" when no font
// here is for its script.
std::string font_remedy(int32_t code_point) {
    char number[16];
    snprintf(number, sizeof number, "U+%04X", static_cast<unsigned>(code_point));
    const std::string named = "'" + utf8_of(code_point) + "' " + number + " needs ";
    const int face = fallback_face_for(code_point);
    if (face >= 0 && !fallback_face_here(face)) {
        const FallbackFace& missing = fallback_faces()[face];
#ifdef ROSTERBOOK_WEB
        // The light web page leaves out some scripts' fonts; the every-script page has most.
        if (missing.on_web)
            return named + missing.name + ": open rosterbook-all, the page with every script's fonts";
        return named + missing.name + ": the command line prints them, with the Debian package " +
               missing.package;
#else
        return named + missing.name + ": install the Debian package " + missing.package;
#endif
    }
    UErrorCode status = U_ZERO_ERROR;
    const UScriptCode script = uscript_getScript(code_point, &status);
    if (face >= 0 || U_FAILURE(status) || script == USCRIPT_COMMON || script == USCRIPT_INHERITED ||
        script == USCRIPT_UNKNOWN)
        return named + "a font with " + block_name(code_point);
    return named + "a font for the " + uscript_getName(script) + " script";
}

// The warning's ending for a text whose first unprintable character is `code_point`.
std::string remedy_in_brackets(int32_t code_point) { return " (" + font_remedy(code_point) + ")"; }

// The first letter of `member`'s name, when no letter of it is one `fonts` print; else 0.
int32_t name_unprintable(const PdfFonts& fonts, const Member& member) {
    int32_t first = 0;
    for (const std::string* text : {&member.name, &member.first_name, &member.last_name}) {
        bool prints = false;
        for_each_code_point(*text, [&](int32_t c, size_t, size_t) {
            if (!u_isalpha(c)) return true;
            prints = fonts_print(fonts, c);
            if (first == 0) first = c;
            return !prints;
        });
        if (prints) return 0;
    }
    return first == 0 ? '?' : first;
}

}  // namespace

bool texts_fit_windows_1252(const Settings& settings, std::span<Member* const> people) {
    return all_texts(settings, people, [](const char* text) { return fits_windows_1252(text); });
}

std::vector<int> fallback_faces_needed(const PdfFonts& fonts, const Settings& settings,
                                       std::span<Member* const> people) {
    std::vector<bool> needed(fallback_faces().size() + 1);  // the last: a character of no face's script
    all_texts(settings, people, [&](const char* text) {
        for_each_code_point(text, [&](int32_t c, size_t, size_t) {
            if (!fonts_print(fonts, c)) {
                const int face = fallback_face_for(c);
                needed[face >= 0 ? face : needed.size() - 1] = true;
            }
            return true;
        });
        return true;
    });
    needed[0] = needed[0] || needed.back();  // the widest face may have it
    std::vector<int> faces;
    for (size_t face = 0; face + 1 < needed.size(); ++face) {
        if (needed[face]) faces.push_back(static_cast<int>(face));
    }
    return faces;
}

[[nodiscard]] std::optional<Failure> replace_unprintable(const PdfFonts& fonts, Settings* settings,
                                                         std::span<Member* const> people) {
    // A roster of question marks is no roster: said once, not name by name.
    if (!people.empty() && std::all_of(people.begin(), people.end(),
                                       [&](const Member* m) { return name_unprintable(fonts, *m) != 0; })) {
        return Failure{settings->member_csv_path, 0,
                       "none of its names can be printed (no font here has the letters of '" +
                           printed_name(*people[0], settings->name_order) + "'; " +
                           font_remedy(name_unprintable(fonts, *people[0])) + "), nothing written"};
    }
    for_each_settings_text(*settings, [&](char* text, size_t size) {
        const std::string original = text;
        std::string replaced = text;
        if (const int32_t c = replace_in(fonts, &replaced)) {
            copy_text(text, size, replaced.c_str());
            say("Warning: %s: '%s' has characters no font here can print%s\n", SETTINGS_FILE_NAME,
                original.c_str(), remedy_in_brackets(c).c_str());
        }
    });
    for (Member* member : people) {
        bool replaced = false;
        for_each_member_text(member, [&](std::string& text) {
            const std::string original = text;
            if (const int32_t c = replace_in(fonts, &text)) {
                replaced = true;
                say("Warning: %s %s %d: '%s' has characters no font here can print%s\n",
                    settings->member_csv_path, row_word(settings->member_csv_path), member->line_number,
                    original.c_str(), remedy_in_brackets(c).c_str());
            }
        });
        // The running heads print the surname of a whole name: it changes with it.
        if (replaced && !member->name.empty()) {
            const PersonName first = people_named(member->name, settings->words.household_joiner)[0];
            member->first_name = first.first_name;
            member->last_name = first.last_name;
        }
    }
    return std::nullopt;
}
