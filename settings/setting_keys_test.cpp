#include "settings/setting_keys.h"

#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

#include "tests/support/readme_table.h"

namespace {

// README's table of keys says what the reader takes: every key once, each key's alias, and
// each default as the form writes it ("none" for no value).
TEST(SettingKeys, ReadmeTableIsTheReadersTable) {
    // Defaults README words rather than writes, each with why.
    const std::map<std::string, std::string> worded = {
        {"Member List", "members.csv, else members.xlsx, .ods, .xls"},  // the others are looked for
        {"Sheet", "the first visible one"},
        {"Club", "first title line"},
    };
    std::map<std::string, std::string> readme;  // key → its default as README gives it
    for (const std::vector<std::string>& row : readme_table("| Key | Default |")) {
        ASSERT_EQ(row.size(), 3u) << row[0];
        std::vector<std::string> names;
        for (const std::string& name : backticked(row[0])) {
            if (row[0].find("(or `" + name + "`)") == std::string::npos) {
                names.push_back(name);
            } else {  // another spelling of the key before it
                ASSERT_NE(find_key(name.c_str()), nullptr) << name;
                EXPECT_EQ(find_key(name.c_str())->name, names.back()) << name;
            }
        }
        std::string defaults = row[1];
        std::erase(defaults, '`');
        for (size_t i = 0; i < names.size(); ++i) {
            // "Caller, Cuer, Members, New Dancers": one default a key where a row names several.
            std::string own = defaults;
            if (names.size() > 1 && defaults.find(", ") != std::string::npos) {
                size_t start = 0;
                for (size_t k = 0; k < i; ++k) start = defaults.find(", ", start) + 2;
                own = defaults.substr(start, defaults.find(", ", start) - start);
            }
            EXPECT_TRUE(readme.emplace(names[i], own == "none" ? "" : own).second) << names[i] << " twice";
        }
    }
    for (const SettingInfo& info : setting_infos()) {
        ASSERT_EQ(readme.count(info.name), 1u) << info.name << " is not in README's table";
        const auto word = worded.find(info.name);
        EXPECT_EQ(readme[info.name], word != worded.end() ? word->second : info.default_value) << info.name;
        readme.erase(info.name);
    }
    for (const auto& [name, value] : readme) ADD_FAILURE() << name << " is in README but not a key";
}

}  // namespace
