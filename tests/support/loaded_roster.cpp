#include "tests/support/loaded_roster.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <memory>
#include <optional>

#include "settings/settings.h"

Loaded load_csv(const TempDir& dir, const std::string& contents, const std::string& sdd) {
    dir.write("members.csv", contents);
    auto settings = std::make_unique<Settings>();
    Loaded loaded;
    loaded.path = dir.file("members.csv");
    testing::internal::CaptureStderr();
    if (!sdd.empty()) {
        dir.write("roster.sdd", sdd);
        load_settings_from(settings.get(), dir.file("roster.sdd").c_str());
    }
    snprintf(settings->member_csv_path, PATH_SIZE, "%s", loaded.path.c_str());
    const std::optional<Failure> failure = load_roster(*settings, &loaded.roster);
    loaded.ok = !failure;
    loaded.err = testing::internal::GetCapturedStderr() + (failure ? failure_message(*failure) + "\n" : "");
    return loaded;
}

std::vector<std::string> cards(const Roster& roster) {
    std::vector<std::string> result;
    for (int g = 0; g < GROUP_COUNT; ++g) {
        for (const Member& m : group_members(roster, static_cast<Group>(g))) {
            std::string card = std::string(GROUPS[g].role) + ": " + printed_name(m, GIVEN_NAME_FIRST);
            for (const std::string& detail : m.details) card += " | " + detail;
            result.push_back(card);
        }
    }
    return result;
}
