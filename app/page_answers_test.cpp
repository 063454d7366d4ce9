// The web page's answers: the lines a message's "show the line" opens, numbered as the
// run's messages number them, and the form's reading of a roster.sdd.
#include "app/page_answers.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "tests/support/temp_dir.h"

namespace {

TEST(PageAnswers, LinesAroundAMessageAreTheLinesTheRunNumbered) {
    TempDir club;
    club.write("mac.csv", "Role,First\rMember,Ann\rMember,Bob\r");  // an old Mac export
    club.write("dos.csv", "Role,First\r\nMember,Ann\r\n");
    club.write("latin1.csv", "Role,First\nMember,Ren\xe9\n");
    std::filesystem::copy_file(SHEETS_DIR "/members.xlsx", club.file("members.xlsx"));
    struct {
        const char* path;
        int line, around;
        const char* lines;
    } cases[] = {
        {"mac.csv", 2, 1,
         R"({"number":1,"text":"Role,First"},{"number":2,"text":"Member,Ann"},)"
         R"({"number":3,"text":"Member,Bob"})"},
        {"dos.csv", 1, 0, R"({"number":1,"text":"Role,First"})"},
        {"latin1.csv", 2, 5, R"({"number":1,"text":"Role,First"},{"number":2,"text":"Member,René"})"},
        {"members.xlsx", 2, 0,
         R"({"number":2,"text":"Member | Last | Season | 1 Old Rd | Salem, OR | 97301 | 5035550199 |  |  | 40"})"},
        {"mac.csv", 9, 1, ""},      // past the end
        {"missing.csv", 1, 1, ""},  // unreadable
    };
    for (const auto& c : cases) {
        EXPECT_EQ(lines_around_json(club.path, c.path, c.line, c.around),
                  "{\"lines\":[" + std::string(c.lines) + "]}")
            << c.path << " line " << c.line;
    }
}

TEST(PageAnswers, TheFormReadsRosterSddAsTheRunDoes) {
    EXPECT_EQ(
        form_read_json("Sort Language: de\nColour: red\nRoles:\n  Member: Dancer\n"),
        R"({"text":"Sort Language: de\u000aColour: red\u000aRoles:\u000a  Member: Dancer\u000a","keys":[)"
        R"({"key":"Sort Language","value":"de","first":1,"last":1},)"
        R"({"key":"Roles","value":"Member: Dancer","first":3,"last":4}],)"
        R"("messages":"roster.conf: unknown key 'Colour'\u000a"})");
    EXPECT_EQ(form_read_json("\xff\xfe\xff"), R"({"text":null,"keys":[],"messages":""})");
    const std::string keys = form_keys_json();
    EXPECT_NE(keys.find(R"({"name":"Direction","kind":"choice","group":"Pages","choices":)"
                        R"(["Auto","Left to Right","Right to Left"],"default":"Auto"})"),
              std::string::npos)
        << keys;
}

}  // namespace
