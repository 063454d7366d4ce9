#include "app/printable.h"

#include <algorithm>
#include <cstring>
#include <span>
#include <string>
#include <vector>

#include "base/message.h"
#include "base/text_util.h"
#include "text/encoding.h"

namespace {

// Calls `visit(text, capacity)` for every printed text of one member (a Member or a const one).
template <typename MemberRecord, typename Visit>
void for_each_member_text(MemberRecord* member, Visit visit) {
    for (auto* field : {&member->first_name, &member->last_name}) visit(*field, sizeof *field);
    visit(member->detail1, sizeof member->detail1);
    visit(member->detail2a, sizeof member->detail2a);
    visit(member->detail2b, sizeof member->detail2b);
    visit(member->detail3a, sizeof member->detail3a);
    visit(member->detail3b, sizeof member->detail3b);
    visit(member->detail4, sizeof member->detail4);
    visit(member->detail5, sizeof member->detail5);
}

// Calls `visit(member)` for everyone in the groups (RosterGroups or const ones).
template <typename Groups, typename Visit>
void for_each_member(Groups* groups, Visit visit) {
    for (auto group :
         {std::span(groups->callers, groups->caller_count), std::span(groups->cuers, groups->cuer_count),
          std::span(groups->members, groups->member_count),
          std::span(groups->new_dancers, groups->new_dancer_count)}) {
        for (auto& member : group) visit(&member);
    }
}

// Replaces the unprintable characters of `text` (capacity `size`) with "?"; true when any was.
bool replace_in(const PdfDocument& pdf, char* text, size_t size) {
    std::string kept;
    bool replaced = false;
    for_each_code_point(text, [&](int32_t c, size_t offset, size_t length) {
        const bool prints = font_prints(pdf.fonts.regular, c) && font_prints(pdf.fonts.bold, c);
        kept.append(prints ? std::string(text + offset, length) : std::string("?"));
        replaced = replaced || !prints;
        return true;
    });
    if (replaced) copy_text(text, size, kept.c_str());
    return replaced;
}

// True when `check` holds for every printed text of the run.
template <typename Check>
bool all_texts(const Settings& settings, const RosterGroups& groups, Check check) {
    bool holds = true;
    for (int i = 0; i < settings.title_line_count; ++i) holds = holds && check(settings.title_lines[i]);
    for (int i = 0; i < settings.subtitle_line_count; ++i) holds = holds && check(settings.subtitle_lines[i]);
    for_each_member(&groups, [&](const Member* member) {
        for_each_member_text(member, [&](const char* text, size_t) { holds = holds && check(text); });
    });
    return holds;
}

}  // namespace

bool texts_fit_windows_1252(const Settings& settings, const RosterGroups& groups) {
    return all_texts(settings, groups, [](const char* text) { return fits_windows_1252(text); });
}

bool texts_need_fallback(const PdfDocument& pdf, const Settings& settings, const RosterGroups& groups) {
    return !all_texts(settings, groups, [&](const char* text) {
        bool own = true;
        for_each_code_point(text, [&](int32_t c, size_t, size_t) {
            return own = font_prints(pdf.fonts.regular, c) && font_prints(pdf.fonts.bold, c);
        });
        return own;
    });
}

void replace_unprintable(const PdfDocument& pdf, Settings* settings, RosterGroups* groups) {
    auto title_lines = [&](char(*lines)[SETTINGS_LINE_SIZE], int count) {
        for (int i = 0; i < count; ++i) {
            const std::string original = lines[i];
            if (replace_in(pdf, lines[i], SETTINGS_LINE_SIZE)) {
                say("Warning: %s: '%s' has characters no font here can print\n", SETTINGS_FILE_NAME,
                    original.c_str());
            }
        }
    };
    title_lines(settings->title_lines, settings->title_line_count);
    title_lines(settings->subtitle_lines, settings->subtitle_line_count);
    // Named in the order of the member list, as the other warnings about it are.
    std::vector<Member*> people;
    for_each_member(groups, [&](Member* member) { people.push_back(member); });
    std::sort(people.begin(), people.end(),
              [](const Member* a, const Member* b) { return a->line_number < b->line_number; });
    for (Member* member : people) {
        for_each_member_text(member, [&](char* text, size_t size) {
            const std::string original = text;
            if (replace_in(pdf, text, size)) {
                say("Warning: %s line %d: '%s' has characters no font here can print\n",
                    settings->member_csv_path, member->line_number, original.c_str());
            }
        });
    }
}
