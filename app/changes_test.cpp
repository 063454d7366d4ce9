#include "app/changes.h"

#include <gtest/gtest.h>

#include <memory>

#include "tests/support/loaded_roster.h"

namespace {

const std::string HEADER = "Role,First Name,Last Name,Phone,Email\n";

// Who is the same person from one season to the next: the name with its letter case, accents
// and word order aside; else a shared e-mail address or phone number, as probably the same.
TEST(SeasonChanges, PeopleMatchedByNameElseByAnAddressOrNumber) {
    const struct {
        const char* last;
        const char* now;
        int added, gone, changed;
        const char* probably;  // why the report says a match is probable; "" none
    } cases[] = {
        {"Member,José,Núñez,555-0101,\n", "Member,JOSE,NUNEZ,555-0101,\n", 0, 0, 1, ""},
        {"Member,Ann,Lee,555-0101,ann@x.org\n", "Member,Ann,Park,555-0199,ANN@X.ORG\n", 0, 0, 1,
         "the same e-mail"},
        {"Member,Ann,Lee,(555) 010-1234,\n", "Member,Ann,Park,555.010.1234,\n", 0, 0, 1,
         "the same phone number"},
        {"Member,Ann,Lee,12,\n", "Member,Ann,Park,12,\n", 1, 1, 0, ""},  // an extension: too short
        {"Member,Ann,Lee,555-0101,\n", "Member,Ann,Lee,555-0101,\n", 0, 0, 0, ""},
        // Two of one name: each matched once, the one left over gone.
        {"Member,Ann,Lee,,\nMember,Ann,Lee,,\n", "Member,Ann,Lee,,\n", 0, 1, 0, ""},
    };
    for (const auto& c : cases) {
        TempDir before, after;
        const Loaded last = load_csv(before, HEADER + c.last);
        const Loaded now = load_csv(after, HEADER + c.now);
        ASSERT_TRUE(last.ok && now.ok) << last.err << now.err;
        auto settings = std::make_unique<Settings>();
        const SeasonChanges changes = season_changes(last.roster, now.roster, *settings);
        EXPECT_EQ(changes.added, c.added) << c.now;
        EXPECT_EQ(changes.gone, c.gone) << c.now;
        EXPECT_EQ(changes.changed, c.changed) << c.now;
        EXPECT_EQ(changes.text.find("probably") == std::string::npos, c.probably[0] == '\0') << c.now;
        const std::string said =
            std::string(", probably Ann Lee (") + last.path + " line 2): " + c.probably + "\n";
        if (c.probably[0] != '\0') {
            EXPECT_NE(changes.text.find(said), std::string::npos) << changes.text;
        }
    }
}

}  // namespace
