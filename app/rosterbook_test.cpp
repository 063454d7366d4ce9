// End-to-end runs of the built tool in temporary club folders.
#include <gtest/gtest.h>

#include <string>

#include "tests/support/run_tool.h"
#include "tests/support/temp_dir.h"

namespace {

const std::string HEADER = "role,first,last,address,city,zip,phone,email,note1,note2\n";
const std::string NO_SETTINGS = "Warning: cannot open roster.sdd, proceeding with defaults \n";

RunResult run_in(const TempDir& dir) { return run_tool(ROSTERBOOK_BINARY, dir.path); }

TEST(Rosterbook, HeaderOnlyListPlansEmptySections) {
    TempDir dir;
    dir.write("members.csv", HEADER);
    RunResult run = run_in(dir);
    EXPECT_EQ(run.status, 0);
    EXPECT_EQ(run.out,
              "Config  : title=0 line(s), subtitle=0 line(s), Row Order\n"
              "Members : 0 Caller(s), 0 Cuer(s), 0 Member(s), 0 New Dancer(s)\n"
              "Booklet : 6 content pages => padded to 8 (2 sheets)\n"
              "Portrait: 6 pages\n");
    EXPECT_EQ(run.err, NO_SETTINGS);
}

TEST(Rosterbook, MemberListProblemsEndTheRun) {
    const struct {
        const char* name;
        const char* contents;  // null: no member list at all
        std::string err;
    } errors[] = {
        {"missing", nullptr, NO_SETTINGS + "members.csv: No such file or directory\n"},
        {"empty", "", NO_SETTINGS},
    };
    for (const auto& e : errors) {
        TempDir dir;
        if (e.contents != nullptr) dir.write("members.csv", e.contents);
        RunResult run = run_in(dir);
        EXPECT_EQ(run.status, 1) << e.name;
        EXPECT_EQ(run.out, "Config  : title=0 line(s), subtitle=0 line(s), Row Order\n") << e.name;
        EXPECT_EQ(run.err, e.err) << e.name;
    }
}

TEST(Rosterbook, SettingsAndSkippedLinesAreReported) {
    TempDir dir;
    dir.write(
        "roster.sdd",
        "\xEF\xBB\xBF# club settings\nTitle:\nSpring\nRoster\n\nSubtitle:\n2026\n\n"
        "Label Sequence: column order\nMember CSV: \"club list.csv\"\nTitle Font Size: huge\nColour: red\n");
    std::string csv = HEADER + "Caller,Cal,Lee,a,b,c,d\nCuers,Pat,Plural,a,b,c,d\n\nMember,Too,Short\n";
    for (int i = 0; i < 30; ++i) csv += "Member,M" + std::to_string(i) + ",Last,a,b,c,d\n";
    for (int i = 0; i < 3; ++i) csv += "New Dancer,N" + std::to_string(i) + ",Last,a,b,c,d\n";
    dir.write("club list.csv", csv);
    RunResult run = run_in(dir);
    EXPECT_EQ(run.status, 0);
    EXPECT_EQ(run.out,
              "Config  : title=2 line(s), subtitle=1 line(s), Column Order\n"
              "Members : 1 Caller(s), 0 Cuer(s), 30 Member(s), 3 New Dancer(s)\n"
              "Booklet : 8 content pages => padded to 8 (2 sheets)\n"
              "Portrait: 7 pages\n");
    EXPECT_EQ(run.err,
              "roster.conf: bad font size 'huge', keeping 20\n"
              "roster.conf: unknown key 'Colour'\n"
              "Warning: club list.csv line 3: unknown role 'Cuers', line skipped\n"
              "Warning: club list.csv line 5: 3 field(s), at least 7 needed, line skipped\n");
}

}  // namespace
