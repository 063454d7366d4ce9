// The whole member-list loader, with and without the club's Roles, Card block and private
// columns: every group holds only its own roles, sorted, within its size, every field
// terminated.
#include <cstdio>
#include <span>

#include "fuzz_support.h"
#include "roster/columns.h"
#include "roster/roster.h"

namespace {

void check_group(std::span<const Member> group, const RoleWords& words, int index) {
    promise(group.size() <= MAX_MEMBERS, "group within 512");
    for (size_t i = 0; i < group.size(); ++i) {
        const Member& m = group[i];
        for (const char* field : {m.role, m.first_name, m.last_name, m.detail1, m.detail2a, m.detail2b,
                                  m.detail3a, m.detail3b, m.detail4, m.detail5})
            promise(terminated(field, 128), "field terminated");
        promise(role_group(words, m.role) == index, "member in its own group");
        promise(m.line_number >= 1, "line number in the file");
        if (i > 0) promise(compare_members(group[i - 1], m) <= 0, "group sorted");
    }
}

// The club's own words, a Card block and Private Shows, as roster.sdd would set them.
void set_club_words(Settings* settings) {
    snprintf(settings->role_words[2], SETTINGS_LINE_SIZE, "Life Member, Angel");
    snprintf(settings->role_words[3], SETTINGS_LINE_SIZE, "Student");
    snprintf(settings->card_lines[1], SETTINGS_LINE_SIZE, "City, State, Zip");
    snprintf(settings->card_lines[4], SETTINGS_LINE_SIZE, "Member Since, Dues");
    snprintf(settings->private_shows, SETTINGS_LINE_SIZE, "Email");
    settings->card_block = 1;
}

}  // namespace

// The first byte chooses the settings: odd gives the club's own, even the defaults.
extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static Settings settings;
    static RosterGroups groups;
    settings = Settings{};
    if (size > 0 && (data[0] & 1) != 0) set_club_words(&settings);
    const std::string path = write_input(data, size, ".csv");
    snprintf(settings.member_csv_path, PATH_SIZE, "%s", path.c_str());
    if (!load_roster(settings, &groups)) return 0;
    const RoleWords words = role_words(settings);
    check_group({groups.callers, static_cast<size_t>(groups.caller_count)}, words, 0);
    check_group({groups.cuers, static_cast<size_t>(groups.cuer_count)}, words, 1);
    check_group({groups.members, static_cast<size_t>(groups.member_count)}, words, 2);
    check_group({groups.new_dancers, static_cast<size_t>(groups.new_dancer_count)}, words, 3);
    promise(groups.caller_count + groups.cuer_count + groups.member_count + groups.new_dancer_count <=
                MAX_MEMBERS,
            "at most 512 in all");
    return 0;
}
