#include "roster/roster.h"

#include <gtest/gtest.h>

#include <array>
#include <cstdio>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "roster/columns.h"
#include "settings/settings.h"
#include "tests/support/loaded_roster.h"
#include "tests/support/temp_dir.h"

namespace {

// "First Last" for each member of a group, in array order.
std::vector<std::string> names(std::span<const Member> group) {
    std::vector<std::string> result;
    for (const Member& m : group) result.push_back(m.first_name + " " + m.last_name);
    return result;
}

const char* HEADER = "role,first,last,address,city,zip,phone,cell,email,note\n";

TEST(LoadRoster, GroupsSortsAndReportsSkippedLines) {
    TempDir dir;
    Loaded loaded = load_csv(dir, std::string(HEADER) +
                                      "member,Bob,smith,1 Main St,Town,12345,555-1\n"
                                      "Caller,Cal,Lee,a,b,c,d\n"
                                      "MEMBER,Ann,Smith,a,b,c,d\n"
                                      "\n"
                                      "Calers,Pat,Typo,a,b,c,d\n"
                                      "Member,Zed,adams,a,b,c,d\n"
                                      "   \n"
                                      "Cuer,Too\n"
                                      ",,,,,,,,,\n"
                                      "new dancer,Nina,New,a,b,c,d\n"
                                      "Cuer,Cue,One,a,b,c,d,e,f,g,h,i\n");
    ASSERT_TRUE(loaded.ok);
    const Roster& g = loaded.roster;
    EXPECT_EQ(names(group_members(g, GROUP_CALLER)), std::vector<std::string>{"Cal Lee"});
    EXPECT_EQ(names(group_members(g, GROUP_CUER)), std::vector<std::string>{"Cue One"});
    EXPECT_EQ(names(group_members(g, GROUP_MEMBER)),
              (std::vector<std::string>{"Zed adams", "Ann Smith", "Bob smith"}));
    EXPECT_EQ(names(group_members(g, GROUP_NEW_DANCER)), std::vector<std::string>{"Nina New"});
    EXPECT_EQ(loaded.err, "Warning: " + loaded.path +
                              " line 9: 2 field(s), at least 3 needed, line skipped\n" +
                              "Warning: " + loaded.path +
                              ": 1 person left out for their role: 'Calers' (1); to print them, add a Roles "
                              "block, e.g. 'Member: Calers'\n" +
                              "Warning: " + loaded.path + ": 2 line(s) skipped, 6 member(s) read\n");
}

// Sheets kept the way clubs keep them: nobody lost, columns read by their headings.
TEST(LoadRoster, ReadsTheClubsOwnSheet) {
    const std::string TRIAL = "Last Name,First Name,Street,City,State,Zip,Member Since,Email,Phone,Status";
    const std::string CLUB_SDD =
        "Roles:\nMember: Life Member, Angel\nNew Dancers: Student\nCoach: Pat\n\n"
        "Card:\nLine 3: City, State, Zip\nLine 5: E-mail\nLine 6: Member Since, Dues\nLine 7: Fax\nLine 4: "
        "Fax\n\n"
        "Private Shows: email, Pager\n";
    const struct {
        std::string sdd, csv;
        std::vector<std::string> cards;
        std::string err;  // "@" stands for the list's path
    } cases[] = {
        // An empty last cell, role spellings and a cell opening with a quote.
        {"",
         "Role,First,Last,Address,City,Zip,Phone\nMember,Ann,Able,1 Main St,Town,123,\n"
         " Members ,Bo,Bell,,,,\nCallers,Cy,Cole,,,,\nCUERS,Di,Dunn,,,,\nNew Dancers,Ed,Eck,,,,\n"
         "NewDancer,Fay,Fox,,,,\nnew -  dancer,Gus,Gray,,,,\n"
         "Member,Hal,Hill,\"\"\"Rose Cottage\"\", Mill Lane\",Town,1,2\nMember,Ida,Ives,a,b\n",
         {"Caller: Cy Cole |  |  |  |  |  |  | ", "Cuer: Di Dunn |  |  |  |  |  |  | ",
          "Member: Ann Able | 1 Main St | Town | 123 |  |  |  | ", "Member: Bo Bell |  |  |  |  |  |  | ",
          "Member: Hal Hill | \"Rose Cottage\", Mill Lane | Town | 1 | 2 |  |  | ",
          "Member: Ida Ives | a | b |  |  |  |  | ", "New Dancer: Ed Eck |  |  |  |  |  |  | ",
          "New Dancer: Fay Fox |  |  |  |  |  |  | ", "New Dancer: Gus Gray |  |  |  |  |  |  | "},
         ""},
        // Headings that are all known decide, however few; a row short of them is read as far as
        // it goes, one without a name is skipped; no role column makes everyone a Member.
        {"",
         "Role,First,Last\nMember,Ann,Able\nCaller,Cy\n",
         {"Member: Ann Able |  |  |  |  |  |  | "},
         "Warning: @ line 3: 2 field(s), at least 3 needed, line skipped\n"
         "Warning: @: 1 line(s) skipped, 1 member(s) read\n"},
        {"",
         "First Name,Last Name,Address\nAnn,Able,1 Main St\nBo,Bell,2 Elm St\n",
         {"Member: Ann Able | 1 Main St |  |  |  |  |  | ", "Member: Bo Bell | 2 Elm St |  |  |  |  |  | "},
         "Warning: @: no role column: all 2 people printed as Members; add a Role column for Callers, Cuers "
         "and New Dancers\n"},
        // No header row: the first line is a member.
        {"",
         "caller ,Cal,Lee,a,b,c,d\nMember,Ann,Able,a,b,c,d\n",
         {"Caller: Cal Lee | a | b | c | d |  |  | ", "Member: Ann Able | a | b | c | d |  |  | "},
         "Warning: @ line 1 looks like a member, not a header: read as a member\n"},
        // The trial's sheet: read by its headings, the unknown column named.
        {"",
         TRIAL + "\nAbbott,Gwen,1 Elm St,Salem,OR,97301,2011,gwen@x.org,555-1,Member\n",
         {"Member: Gwen Abbott | 1 Elm St | Salem, OR | 97301 | 555-1 |  | gwen@x.org | "},
         "Warning: @: column(s) 'Member Since' not printed; to print them, name them in the Card block of "
         "roster.sdd, e.g. 'Line 6: Member Since'\n"},
        // The club's own role words, a Card block and a private member.
        {CLUB_SDD,
         TRIAL + ",Dues,Unlisted\nAbbott,Gwen,1 Elm St,Salem,,97301,2011,g@x.org,555,Angel,20,\n"
                 "Baker,Hugh,2 Oak,Salem,OR,97301,2015,h@x.org,556,student,0, X \n",
         {"Member: Gwen Abbott |  | Salem | 97301 |  |  | g@x.org | 2011, 20",
          "New Dancer: Hugh Baker |  |  |  |  |  | h@x.org | "},
         "roster.conf: unknown group 'Coach' in Roles\n"
         "roster.conf: unknown card line 'Line 7' in Card; use Line 2 to Line 6, Role, First Name, Last "
         "Name, "
         "Name or Sort As\n"
         "roster.conf: Card line 4: no column 'Fax' in @\n"
         "roster.conf: Private Shows: no column 'Pager' in @\n"
         "Note: 1 member(s) marked private: only their names and email, Pager are printed\n"},
        // Headings in the club's own language, named in the Card block; a long second part.
        {"Card:\nRole: Rolle\nfirst name: Vorname\nLast Name: Name\nLine 2: Straße\nLine 3: PLZ, Ort\n\n"
         "Roles:\nMember: Mitglied\n",
         "Name;Vorname;Straße;PLZ;Ort;Rolle\nMüller;Jürgen;Hauptstr. 1;60311;Frankfurt am Main;Mitglied\n"
         "Weiß;Eva;Am Markt 2;01067;Dresden;mitglied\n",
         {"Member: Jürgen Müller | Hauptstr. 1 | 60311 | Frankfurt am Main |  |  |  | ",
          "Member: Eva Weiß | Am Markt 2 | 01067 | Dresden |  |  |  | "},
         ""},
        // One column with the whole name: printed as written, sorted by the surname.
        {"",
         "Role,Name,Address,City,Phone,Email\nMember,Bob & Carol Smith,12 Oak St,Salem,555-1,bob@x.org\n"
         "Member,\"Abbott, Gwen\",1 Elm St,Salem,555-2,\nMember,Al Baker Jr.,,,,\n",
         {"Member: Abbott, Gwen | 1 Elm St | Salem |  | 555-2 |  |  | ",
          "Member: Al Baker Jr. |  |  |  |  |  |  | ",
          "Member: Bob & Carol Smith | 12 Oak St | Salem |  | 555-1 |  | bob@x.org | "},
         ""},
        // A Card block naming only the last name: that column is the whole name, printed once.
        {"Card:\nRole: Art\nLast Name: Mitglied\nLine 2: Adresse\n\nRoles:\nMember: Aktiv\n",
         "Art,Mitglied,Adresse\nAktiv,Hans Zander,Hauptstr. 1\nAktiv,Eva Adler,Am Markt 2\n",
         {"Member: Eva Adler | Am Markt 2 |  |  |  |  |  | ",
          "Member: Hans Zander | Hauptstr. 1 |  |  |  |  |  | "},
         ""},
        // Title and blank rows above the headings are passed over, and said.
        {"",
         "Riverside Squares â Members 2027,,\n,,\nRole,First,Last,Address,City,Zip,Phone\n"
         "Member,Ann,Able,a,b,c,d\n",
         {"Member: Ann Able | a | b | c | d |  |  | "},
         "Warning: @ lines 1 to 2 come before the headings on line 3: not read\n"},
        // Headings are looked for in the first 50 lines: under ten lines of notes, line 11; with
        // none there and no member in the usual order, the run stops saying so.
        {"",
         "Club list\n\n\n\n\n\n\n\n\n\nRole,First,Last,Address,City,Zip,Phone\nMember,Ann,Able,a,b,c,d\n",
         {"Member: Ann Able | a | b | c | d |  |  | "},
         "Warning: @ lines 1 to 10 come before the headings on line 11: not read\n"},
        {"",
         "Club list\nSeason 2026\nAnn Able,1 Main St\n",
         {},
         "Error: @: no headings found in the first 50 lines: head the columns 'Role', 'First Name', 'Last "
         "Name' "
         "(or 'Name'), 'Address' and so on, or say in the Card block of roster.sdd which column is which\n"},
        // Headings that cannot be placed stop the run, naming what was found.
        {"",
         "Role,Address,City,Phone\nMember,1 Elm St,Salem,555-1\n",
         {},
         "Error: @ line 1: no name column among its headings ('Role', 'Address', 'City', 'Phone'): head the "
         "names 'First Name' and 'Last Name', or 'Name' for the whole name, or say which column it is in the "
         "Card block of roster.sdd\n"},
        {"",
         "Name,Address\nBob Smith,1 Elm St\n",
         {"Member: Bob Smith | 1 Elm St |  |  |  |  |  | "},
         "Warning: @: no role column: all 1 people printed as Members; add a Role column for Callers, Cuers "
         "and "
         "New Dancers\n"},
        // A list read by position keeps doing so, a private column after its ten columns.
        {"",
         "Role,First Name,Last Name,Address,City,Zip,Phone,Cell,Email,Notes,Private\n"
         "Member,Ann,Able,a,b,c,d,e,f,g,no\nMember,Bo,Bell,a,b,c,d,e,f,g,yes\n",
         {"Member: Ann Able | a | b | c | d | e | f | g", "Member: Bo Bell |  |  |  |  |  |  | "},
         "Note: 1 member(s) marked private: only their names are printed\n"},
    };
    for (const auto& c : cases) {
        TempDir dir;
        Loaded loaded = load_csv(dir, c.csv, c.sdd);
        std::string err = c.err;
        for (size_t at; (at = err.find('@')) != std::string::npos;) err.replace(at, 1, loaded.path);
        EXPECT_EQ(loaded.ok, !c.err.starts_with("Error")) << c.csv;
        EXPECT_EQ(cards(loaded.roster), c.cards) << c.csv;
        EXPECT_EQ(loaded.err, err) << c.csv;
    }
}

TEST(LoadRoster, FillsFieldsWhole) {
    TempDir dir;
    const std::string long_last(700, 'L');
    Loaded loaded =
        load_csv(dir, std::string(HEADER) + "Member,Seven,Fields,d1,d2a,d2b,d3a,\n" + "Member,Ten," +
                          long_last + ",d1,d2a,d2b,d3a,d3b,d4,d5,eleven,twelve\n");
    ASSERT_TRUE(loaded.ok);
    EXPECT_EQ(
        cards(loaded.roster),
        (std::vector<std::string>{"Member: Seven Fields | d1 | d2a | d2b | d3a |  |  | ",
                                  "Member: Ten " + long_last + " | d1 | d2a | d2b | d3a | d3b | d4 | d5"}));
    EXPECT_EQ(loaded.roster.detail_columns, (std::array<std::string, DETAIL_COUNT>{
                                                "address", "city", "zip", "phone", "cell", "email", "note"}));
    EXPECT_EQ(loaded.err, "");
}

// Names stay as written, in UTF-8 whatever the file's encoding; messages echo them so.
TEST(LoadRoster, KeepsNamesAsWritten) {
    TempDir dir;
    Loaded loaded = load_csv(dir, std::string(HEADER) +
                                      "Member,Zoë,Zimmer,a,b,c,d\n"
                                      "Member,José,Éluard,a,b,c,d\n"
                                      "Member,Łukasz,Eaton,Straße 1,b,c,d\n"
                                      "Member,François,edwards,a,b,c,d\n"
                                      "Membłr,Ł,Unknown,a,b,c,d\n");
    ASSERT_TRUE(loaded.ok);
    EXPECT_EQ(names(group_members(loaded.roster, GROUP_MEMBER)),
              (std::vector<std::string>{"Łukasz Eaton", "François edwards", "José Éluard", "Zoë Zimmer"}));
    EXPECT_EQ(group_members(loaded.roster, GROUP_MEMBER)[0].details[DETAIL_ADDRESS], "Straße 1");
    EXPECT_EQ(loaded.err, "Warning: " + loaded.path +
                              ": 1 person left out for their role: 'Membłr' (1); to print them, add a Roles "
                              "block, e.g. 'Member: Membłr'\n" +
                              "Warning: " + loaded.path + ": 1 line(s) skipped, 4 member(s) read\n");
}

// Nobody is left out, however long the list: 20,000 people of a regional directory.
TEST(LoadRoster, KeepsEveryone) {
    TempDir dir;
    std::string csv = HEADER;
    for (int i = 0; i < 20000; ++i) {
        csv += "Member,First" + std::to_string(100000 + i) + ",Last,a,b,c,d\n";
        if (i % 100 == 0) csv += "\n";
    }
    Loaded loaded = load_csv(dir, csv);
    ASSERT_TRUE(loaded.ok);
    ASSERT_EQ(group_size(loaded.roster, GROUP_MEMBER), 20000);
    EXPECT_EQ(group_members(loaded.roster, GROUP_MEMBER)[19999].first_name, "First119999");
    EXPECT_EQ(loaded.err, "");
}

TEST(LoadRoster, LongLineIsOneRecord) {
    TempDir dir;
    // A 3000-character cell keeps the columns after it; its tail never becomes a member.
    std::string line = "Member,Long,Line," + std::string(3000, 'x') + ",d2a,d2b,d3a,d3b,d4," +
                       std::string(70000, 'n') + ",Member,Tail,Ghost,a,b,c,d\n";
    Loaded loaded = load_csv(dir, std::string(HEADER) + line + "Cuer,Next,Line,a,b,c,d\n");
    ASSERT_TRUE(loaded.ok);
    EXPECT_EQ(cards(loaded.roster),
              (std::vector<std::string>{"Cuer: Next Line | a | b | c | d |  |  | ",
                                        "Member: Long Line | " + std::string(3000, 'x') +
                                            " | d2a | d2b | d3a | d3b | d4 | " + std::string(70000, 'n')}));
    EXPECT_EQ(loaded.err, "");
}

TEST(LoadRoster, Failures) {
    // Folders, FIFOs, .xlsx files and lists of nobody are run end to end.
    TempDir dir;
    dir.write("book.xls", "\xD0\xCF\x11\xE0\xA1\xB1\x1A\xE1\0\0\0\0");
    dir.write("empty.csv", "");
    dir.write("members.xlsx", "PK\x03\x04");
    const struct {
        std::string path;
        std::string reason;
    } errors[] = {
        {dir.file("missing.csv"), "No such file or directory"},
        {"/dev/zero", "not a regular file"},
        {"/proc/self/mem", "Input/output error"},  // opens, but every read fails
        {dir.file("book.xls"), "an Excel 97-2003 file: save it as .xlsx (Excel Workbook) or as CSV UTF-8"},
        {dir.file("empty.csv"), "empty (0 bytes): export the member list again, with its header row"},
        {dir.file("members.csv"), "No such file or directory; " + dir.file("members.xlsx") +
                                      " is there: name it in roster.sdd ('Member List: members.xlsx')"},
    };
    for (const auto& e : errors) {
        auto settings = std::make_unique<Settings>();
        Roster roster;
        snprintf(settings->member_csv_path, PATH_SIZE, "%s", e.path.c_str());
        testing::internal::CaptureStderr();
        const std::optional<Failure> failure = load_roster(*settings, &roster);
        EXPECT_EQ(testing::internal::GetCapturedStderr(), "") << e.path;
        ASSERT_TRUE(failure) << e.path;
        EXPECT_EQ(failure_message(*failure), "Error: " + e.path + ": " + e.reason) << e.path;
    }

    Loaded header_only = load_csv(dir, "role,first,last\n,,,\n\n");
    EXPECT_TRUE(header_only.ok);
    EXPECT_EQ(header_only.err, "");
    EXPECT_TRUE(header_only.roster.people.empty());
}

TEST(CompareMembers, OrdersByLastThenFirstName) {
    const struct {
        const char* first_a;
        const char* last_a;
        const char* first_b;
        const char* last_b;
        int sign;
    } cases[] = {
        {"Ann", "Smith", "Bob", "smith", -1},
        {"Bob", "SMITH", "Ann", "Smith", 1},
        {"Zed", "adams", "Ann", "Smith", -1},
        {"ann", "Lee", "ANN", "lee", 0},
        {"", "Lee", "A", "Lee", -1},
        {"A", "Le", "A", "Lee", -1},
        {"A", "O'Neil", "A", "Oakes", -1},
        // Accented letters sort with their base letter, then after it; Ł as a letter of its
        // own after L, Greek after Latin, as in ICU's root order.
        {"A", "Éluard", "A", "Zimmer", -1},
        {"A", "Éluard", "A", "edwards", 1},
        {"A", "Éluard", "A", "Eluard", 1},
        {"A", "Øst", "A", "Ostby", -1},
        {"A", "Øst", "A", "Ot", -1},
        {"A", "Straß", "A", "Strat", -1},
        {"Émile", "Dupont", "Emma", "dupont", -1},
        {"A", "Ñuñez", "A", "Nunez", 1},
        {"A", "Šimek", "A", "Sims", -1},
        {"A", "Šimek", "A", "Sin", -1},
        {"A", "Łyżwa", "A", "Lyko", 1},
        {"A", "Ωmega", "A", "Zorn", 1},
    };
    for (const auto& c : cases) {
        Member a, b;
        a.first_name = c.first_a, a.last_name = c.last_a;
        b.first_name = c.first_b, b.last_name = c.last_b;
        int order = compare_members(a, b);
        EXPECT_EQ((order > 0) - (order < 0), c.sign)
            << c.first_a << " " << c.last_a << " vs " << c.first_b << " " << c.last_b;
    }
}

}  // namespace
