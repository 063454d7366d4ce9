// The whole member-list loader: every group holds only its own role, sorted, within its
// size, every field terminated.
#include <strings.h>

#include <cstdio>
#include <span>

#include "fuzz_support.h"
#include "roster/roster.h"

namespace {

void check_group(std::span<const Member> group, const char* role) {
    promise(group.size() <= MAX_MEMBERS, "group within 512");
    for (size_t i = 0; i < group.size(); ++i) {
        const Member& m = group[i];
        for (const char* field : {m.role, m.first_name, m.last_name, m.detail1, m.detail2a, m.detail2b,
                                  m.detail3a, m.detail3b, m.detail4, m.detail5})
            promise(terminated(field, 128), "field terminated");
        promise(strcasecmp(m.role, role) == 0, "member in its own group");
        promise(m.line_number >= 2, "line number after the header");
        if (i > 0) promise(compare_members(group[i - 1], m) <= 0, "group sorted");
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static Settings settings;
    static RosterGroups groups;
    const std::string path = write_input(data, size, ".csv");
    snprintf(settings.member_csv_path, PATH_SIZE, "%s", path.c_str());
    if (!load_roster(settings, &groups)) return 0;
    check_group({groups.callers, static_cast<size_t>(groups.caller_count)}, "Caller");
    check_group({groups.cuers, static_cast<size_t>(groups.cuer_count)}, "Cuer");
    check_group({groups.members, static_cast<size_t>(groups.member_count)}, "Member");
    check_group({groups.new_dancers, static_cast<size_t>(groups.new_dancer_count)}, "New Dancer");
    promise(groups.caller_count + groups.cuer_count + groups.member_count + groups.new_dancer_count <=
                MAX_MEMBERS,
            "at most 512 in all");
    return 0;
}
