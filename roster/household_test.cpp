// Households on one card, joined as a run joins them from a loaded list.
#include "roster/household.h"

#include <gtest/gtest.h>

#include <cstdio>

#include "tests/support/loaded_roster.h"

// With households together, the rows of one household share a card: by a Household column,
// else by surname and address, or by a Partner column naming the other; a surname alone
// never joins. Shared details print once, differing ones with the first name.
TEST(JoinHouseholds, JoinsTheRowsOfOneHousehold) {
    const char* head = "role,first,last,address,city,phone,email";
    const struct {
        const char* what;
        std::string sheet;  // rows after `head` and its own extra headings
        std::string settings;
        std::vector<std::string> cards;
        const char* err;
    } cases[] = {
        {"surname and address",
         ",private\nMember,Bob,Smith,12 Oak St,Salem,555-0101,bob@x.org,\n"
         "Member,Carol,smith,12  oak st,Salem,555-0102,carol@x.org,yes\nMember,Ann,Smith,9 Elm St,Salem,,,\n",
         "",
         {"Member: Ann Smith | 9 Elm St | Salem |  |  |  |  | ",
          "Member: Bob & Carol Smith | 12 Oak St | Salem |  | 555-0101 (Bob)\n |  | bob@x.org (Bob)\n | "},
         ""},
        {"Household column, three people, different surnames",
         ",household\n"
         "Member,Bob,Smith,1 A St,Salem,555-0101,,H1\nMember,Carol,Jones,1 A St,Salem,555-0102,,h1\n"
         "New Dancer,Sam,Smith,1 A St,Salem,,,H1\nMember,Ann,Smith,1 A St,Salem,,,\n",
         "",
         {"Member: Carol Jones, Bob Smith & Sam Smith (New Dancer) | 1 A St | Salem |  | "
          "555-0102 (Carol)\n555-0101 (Bob) |  |  | ",
          "Member: Ann Smith | 1 A St | Salem |  |  |  |  | "},
         ""},
        {"Partner column, roles, joiner",
         ",partner\nMember,Carol,Lee,2 B St,Salem,,,Bob Lee\n"
         "Caller,Bob,Lee,3 C St,Salem,,,\nMember,Tom,Ray,4 D St,Salem,,,Tim Ray\n",
         "Household Joiner: and\n",
         {"Caller: Bob (Caller) and Carol Lee | 3 C St (Bob)\n2 B St (Carol) | Salem | "
          " |  |  |  | ",
          "Member: Tom Ray | 4 D St | Salem |  |  |  |  | "},
         "Warning: %s line 4: partner 'Tim Ray' matches nobody in the list\n"},
        // One address is street, town and postal code, however abbreviated; the same street in
        // another town, a street without a town, or one name twice at one address never joins.
        {"whole address",
         "\nMember,Bob,Smith,12 Oak Street #4,Salem,,\nMember,Carol,Smith,12 oak st. apt 4,SALEM,,\n"
         "Member,Pat,Smith,3 Elm St,Salem,,\nMember,Sam,Smith,3 Elm St,Portland,,\n"
         "Member,Ann,Gray,7 Fir St,,,\nMember,Bo,Gray,7 Fir St,,,\n"
         "Member,Linda,Lee,5 Ash Rd,Salem,,\nMember,Linda,Lee,5 Ash Road,Salem,,\n",
         "",
         {"Member: Ann Gray | 7 Fir St |  |  |  |  |  | ", "Member: Bo Gray | 7 Fir St |  |  |  |  |  | ",
          "Member: Linda Lee | 5 Ash Rd | Salem |  |  |  |  | ",
          "Member: Linda Lee | 5 Ash Road | Salem |  |  |  |  | ",
          "Member: Bob & Carol Smith | 12 Oak Street #4 | Salem |  |  |  |  | ",
          "Member: Pat Smith | 3 Elm St | Salem |  |  |  |  | ",
          "Member: Sam Smith | 3 Elm St | Portland |  |  |  |  | "},
         "Warning: %s: Linda Lee (lines 8 and 9): one name at one address, so each keeps a card of their own "
         "(a "
         "Household or Partner column joins them)\n"},
        {"Partner written surname first, accents left out",
         ",partner\nMember,José,Núñez,1 A St,Salem,,,\"Nunez, Maria\"\nMember,María,Núñez,2 B St,Salem,,,\n",
         "",
         {"Member: José & María Núñez | 1 A St (José)\n2 B St (María) | Salem |  |  |  |  | "},
         ""},
        {"one first name twice: each person's values in the sheet's order, untagged",
         ",household\nMember,Pat,Murphy,1 A St,Salem,555-1029,pa@x.org,M\n"
         "Member,Pat,Murphy,1 A St,Salem,555-1028,,M\n",
         "",
         {"Member: Pat & Pat Murphy | 1 A St | Salem |  | 555-1029\n555-1028 |  | pa@x.org\n | "},
         ""},
        {"apart",
         ",partner\nMember,Bob,Smith,12 Oak St,Salem,,,Carol\nMember,Carol,Smith,12 Oak St,Salem,,,\n",
         "Households: Apart\n",
         {"Member: Bob Smith | 12 Oak St | Salem |  |  |  |  | ",
          "Member: Carol Smith | 12 Oak St | Salem |  |  |  |  | "},
         ""},
    };
    for (const auto& c : cases) {
        TempDir dir;
        const Loaded loaded = load_csv(dir, head + c.sheet, "Households: Together\n" + c.settings);
        ASSERT_TRUE(loaded.ok) << c.what << ": " << loaded.err;
        EXPECT_EQ(cards(loaded.roster), c.cards) << c.what;
        char err[512];
        snprintf(err, sizeof err, c.err, loaded.path.c_str());
        const std::string private_note =
            c.sheet.find("yes") != std::string::npos
                ? "Note: 1 member(s) marked private: only their names are printed\n"
                : "";
        EXPECT_EQ(loaded.err, err + private_note) << c.what;
    }
}
