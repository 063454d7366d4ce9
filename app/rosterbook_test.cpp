// End-to-end runs of the built tool in temporary club folders.
#include <gtest/gtest.h>
#include <lcms2.h>
#include <sys/stat.h>
#include <unistd.h>
#include <utime.h>
#include <zlib.h>

#include <algorithm>
#include <cmath>
#include <csignal>
#include <filesystem>
#include <fstream>
#include <functional>
#include <map>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "app/contacts.h"
#include "image/colour.h"
#include "image/image.h"
#include "layout/folio.h"
#include "layout/geometry.h"
#include "tests/support/jpeg_writer.h"
#include "tests/support/pdf_reader.h"
#include "tests/support/png_writer.h"
#include "tests/support/readme_table.h"
#include "tests/support/run_tool.h"
#include "tests/support/temp_dir.h"
#include "tests/support/text_bounds.h"

namespace {

const std::string HEADER = "role,first,last,address,city,zip,phone,cell,email,note\n";
const std::string NO_SETTINGS = "Warning: cannot open roster.sdd, proceeding with defaults \n";

const std::string CLOSING_LINES =
    "Booklet : booklet.pdf  (landscape, SHORT-edge duplex, collate-fold-staple)\n"
    "Standard: standard.pdf  (portrait,  LONG-edge  duplex)\n";

void write_file(const std::string& path, const std::string& contents) {
    std::ofstream(path, std::ios::binary) << contents;
}

void truncate_file(const std::string& path, size_t size) { std::filesystem::resize_file(path, size); }

RunResult run_in(const TempDir& dir) { return run_tool(ROSTERBOOK_BINARY, dir.path); }

// Dates `path` to noon of the day given, local time, as a copy made that day is.
void set_file_date(const std::string& path, int year, int month, int day) {
    struct tm noon = {};
    noon.tm_year = year - 1900, noon.tm_mon = month - 1, noon.tm_mday = day, noon.tm_hour = 12;
    noon.tm_isdst = -1;
    const struct utimbuf times = {mktime(&noon), mktime(&noon)};
    utime(path.c_str(), &times);
}

// What one logical page shows, told by its first text (or "blank"); `half` picks the
// left (0) or right (1) half of a booklet side, -1 the whole page.
std::string page_content(const PdfPage& page, int half) {
    bool empty = true;
    std::string first_text;
    auto inside = [&](float x) { return half < 0 || (x >= 396) == (half == 1); };
    for (const PdfText& t : page.texts) {
        if (!inside(t.x) || t.size == 7.5f) continue;  // page numbers and running heads: tested on their own
        empty = false;
        if (first_text.empty()) first_text = t.text;
    }
    for (const PdfRect& r : page.rects) empty = empty && !inside(r.x + 1);
    for (const PdfImage& i : page.images) empty = empty && !inside(i.x + 1);
    for (const PdfLine& l : page.lines) empty = empty && !inside(l.x1);
    if (empty) return "blank";
    return first_text.empty() ? "no text" : first_text;
}

// The booklet's logical pages as they lie on the sides: "left|right" for each side.
std::vector<std::string> booklet_sides(const std::vector<PdfPage>& pages) {
    std::vector<std::string> sides;
    for (const PdfPage& page : pages) {
        EXPECT_EQ(page.width, 792);
        EXPECT_EQ(page.height, 612);
        sides.push_back(page_content(page, 0) + "|" + page_content(page, 1));
    }
    return sides;
}

std::vector<std::string> standard_pages(const std::vector<PdfPage>& pages) {
    std::vector<std::string> result;
    for (const PdfPage& page : pages) {
        EXPECT_EQ(page.width, 612);
        EXPECT_EQ(page.height, 792);
        result.push_back(page_content(page, -1));
    }
    return result;
}

using Pages = std::vector<std::string>;

// Everything in the folder, so that no stray temporary file goes unseen.
std::string folder_listing(const TempDir& dir, const std::string& folder = "") {
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(dir.file(folder)))
        names.push_back(entry.path().filename());
    std::sort(names.begin(), names.end());
    std::string listing;
    for (const std::string& name : names) listing += name + " ";
    return listing;
}

// --help and --version answer and touch no file; anything else is a usage error.
TEST(Rosterbook, CommandLine) {
    const struct {
        std::vector<std::string> arguments;
        int status;
        bool usage_on_stdout, usage_on_stderr;
        std::string out;
    } cases[] = {
        {{"--help"}, 0, true, false, ""},
        {{"--version"}, 0, false, false, "rosterbook " ROSTERBOOK_VERSION "\n"},
        {{"-h"}, 2, false, true, ""},
        {{"--help", "extra"}, 2, false, true, ""},
        {{"members.csv"}, 2, false, true, ""},
    };
    for (const auto& c : cases) {
        TempDir dir;
        dir.write("members.csv", HEADER + "Member,Ann,Lee,a,b,c,d\n");
        RunOptions options;
        options.arguments = c.arguments;
        RunResult run = run_tool(ROSTERBOOK_BINARY, dir.path, options);
        const std::string what = c.arguments[0];
        EXPECT_EQ(run.status, c.status) << what;
        const std::string usage_start = "Usage: rosterbook [--help | --version]\n";
        EXPECT_EQ(run.out.rfind(usage_start, 0) == 0, c.usage_on_stdout) << what;
        EXPECT_EQ(run.err.rfind(usage_start, 0) == 0, c.usage_on_stderr) << what;
        if (!c.usage_on_stdout) {
            EXPECT_EQ(run.out, c.out) << what;
        }
        if (!c.usage_on_stderr) {
            EXPECT_EQ(run.err, "") << what;
        }
        EXPECT_EQ(folder_listing(dir), "members.csv ") << what;
    }
    // Installed anywhere (bin/ and lib/rosterbook/ of a prefix), the tool finds its finishing
    // module from its own place and makes the sample club's roster; alone, it says what is missing.
    TempDir prefix, club;
    command_output("cmake --install '" BUILD_DIR "' --prefix '" + prefix.path + "' 2>&1");
    command_output("cp -r '" EXAMPLES_DIR "'/. '" + club.path + "' && cp '" ROSTERBOOK_BINARY "' '" +
                   club.path + "'");
    const RunResult installed = run_tool(prefix.file("bin/rosterbook"), club.path);
    EXPECT_EQ(installed.status, 0) << installed.err;
    const RunResult alone = run_tool(club.file("rosterbook"), club.path);
    EXPECT_EQ(alone.status, 1);
    EXPECT_NE(alone.err.find("Error: cannot finish booklet.pdf: cannot load rosterbook-finish.so"),
              std::string::npos)
        << alone.err;
}

TEST(Rosterbook, HeaderOnlyListPlansEmptySections) {
    TempDir dir;
    dir.write("members.csv", HEADER);
    RunResult run = run_in(dir);
    EXPECT_EQ(run.status, 0);
    EXPECT_EQ(run.out,
              "Config  : title=0 line(s), subtitle=0 line(s), Row Order\n"
              "Members : 0 Caller(s), 0 Cuer(s), 0 Member(s), 0 New Dancer(s)\n"
              "Booklet : 3 content pages => padded to 4 (1 sheets)\n"
              "Portrait: 3 pages\n" +
                  CLOSING_LINES);
    EXPECT_EQ(run.err, NO_SETTINGS);
    // No section has anyone, so none has a heading or a page.
    EXPECT_EQ(booklet_sides(read_pdf(dir.file("booklet.pdf"))),
              (Pages{"[schedule.png not found]|[cover.png not found]", "[committee.png not found]|blank"}));
    EXPECT_EQ(standard_pages(read_pdf(dir.file("standard.pdf"))),
              (Pages{"[cover.png not found]", "[committee.png not found]", "[schedule.png not found]"}));
}

// Twelve booklet pages on three sheets: printed, folded and read, they go 1, 2, 3, ... 12;
// bound on the right, each sheet's halves change places (the stack reads from the right) and
// the page numbers stand at the other outer corners.
TEST(Rosterbook, BookletPagesAreImposedForFolding) {
    const struct {
        const char* binding;
        const char* bound;  // what the report adds
        Pages sides;
        float number_3_x;  // where page 3's number stands
    } cases[] = {
        {"Left",
         "",
         {"[schedule.png not found]|no text", "no text|blank", "blank|Caller", "Members|blank",
          "New Dancers|M24 Last", "M38 Last|M52 Last"},
         396 + 396 - 22 - 4.17f},
        {"Right",
         ", right-bound",
         {"no text|[schedule.png not found]", "blank|no text", "Caller|blank", "blank|Members",
          "M24 Last|New Dancers", "M52 Last|M38 Last"},
         22},
    };
    for (const auto& c : cases) {
        TempDir dir;
        std::string csv = HEADER + "Caller,Cal,Lee,a,b,c,d\n";
        for (int i = 0; i < 43; ++i) csv += "Member,M" + std::to_string(10 + i) + ",Last,a,b,c,d\n";
        dir.write("members.csv", csv + "New Dancer,Nd,Last,a,b,c,d\n");
        dir.write("roster.sdd", std::string("Binding: ") + c.binding + "\n");
        write_rgb_png(dir.file("cover.png"), 40, 30);
        write_rgb_png(dir.file("committee.png"), 30, 40);
        RunResult run = run_in(dir);
        ASSERT_EQ(run.status, 0) << run.err;
        EXPECT_EQ(run.out,
                  "Config  : title=0 line(s), subtitle=0 line(s), Row Order\n"
                  "Members : 1 Caller(s), 0 Cuer(s), 43 Member(s), 1 New Dancer(s)\n"
                  "Booklet : 9 content pages => padded to 12 (3 sheets)\n"
                  "Portrait: 7 pages\n"
                  "Booklet : booklet.pdf  (landscape, SHORT-edge duplex, collate-fold-staple" +
                      std::string(c.bound) + ")\nStandard: standard.pdf  (portrait,  LONG-edge  duplex)\n")
            << c.binding;
        // Pages 1 and 2 carry images only; the cover has no text without a title.
        const std::vector<PdfPage> booklet = read_pdf(dir.file("booklet.pdf"));
        EXPECT_EQ(booklet_sides(booklet), c.sides) << c.binding;
        const auto& front = booklet[2].texts;  // the second sheet's front: pages 10 and 3
        const auto number =
            std::find_if(front.begin(), front.end(), [](const PdfText& t) { return t.text == "3"; });
        ASSERT_NE(number, front.end()) << c.binding;
        EXPECT_NEAR(number->x, c.number_3_x, 0.01f) << c.binding;
        EXPECT_EQ(standard_pages(read_pdf(dir.file("standard.pdf"))),
                  (Pages{"no text", "no text", "Caller", "Members", "M34 Last", "New Dancers",
                         "[schedule.png not found]"}))
            << c.binding;
    }
}

TEST(Rosterbook, LibharuErrorsEndTheRunWithoutOutput) {
    const struct {
        const char* name;
        const char* settings;
        std::string err;
        std::string list = HEADER + "Member,Ann,Lee,a,b,c,d\n";
        const char* unloadable = nullptr;       // a library that does not load in this run
        const char* list_name = "members.csv";  // the member list's name
    } errors[] = {
        {"missing output folder", "Booklet PDF: no/such/folder/booklet.pdf\n",
         "Error: cannot write no/such/folder/booklet.pdf: No such file or directory\n"},
        // Libraries opened when a run first needs them: one that does not load stops the run.
        {"no libzip", "",
         "Error: members.xlsx: a spreadsheet file needs libzip (Debian package libzip4); install it, or save "
         "the member list as CSV UTF-8\n",
         "PK\x03\x04", "libzip.so.4", "members.xlsx"},
        {"no HarfBuzz", "",
         "Error: names in this script are shaped by HarfBuzz, which did not load: install the Debian "
         "packages "
         "libharfbuzz0b and libharfbuzz-subset0\n",
         HEADER + "Member,कार्तिक,शर्मा,a,b,c,d\n", "libharfbuzz.so.0"},
        // Last season's list is read before anything is written.
        {"last season missing", "Last Season: members-2025.csv\nChanges: changes.txt\n",
         "Error: members-2025.csv: No such file or directory\n"},
        {"changes alone", "Changes: changes.txt\nBooklet PDF: no/such/folder/booklet.pdf\n",
         "Warning: roster.sdd: Changes needs last season's member list to compare with: add 'Last Season: "
         "members-2025.xlsx' naming it; no report is written\n"
         "Error: cannot write no/such/folder/booklet.pdf: No such file or directory\n"},
    };
    for (const auto& e : errors) {
        TempDir dir, libraries;
        dir.write("roster.sdd", e.settings);
        dir.write(e.list_name, e.list);
        RunOptions options;
        if (e.unloadable != nullptr) {  // found first, and not a library
            libraries.write(e.unloadable, "");
            options.environment.push_back("LD_LIBRARY_PATH=" + libraries.path);
        }
        RunResult run = run_tool(ROSTERBOOK_BINARY, dir.path, options);
        EXPECT_EQ(run.status, 1) << e.name;
        EXPECT_EQ(run.err, e.err) << e.name;
        EXPECT_EQ(run.out.find("Booklet : booklet"), std::string::npos) << e.name;
        EXPECT_EQ(run.out.find("Standard:"), std::string::npos) << e.name;
        EXPECT_FALSE(dir.exists("booklet.pdf")) << e.name;
        EXPECT_FALSE(dir.exists("standard.pdf")) << e.name;
    }
}

// Nothing is written, and a FIFO or a device never makes the run wait.
TEST(Rosterbook, MemberListProblemsEndTheRun) {
    const std::string NOBODY_ERR =
        "Warning: members.csv: 1 person left out for their role: 'Mitglied' (1); to print them, add a Roles "
        "block, e.g. 'Member: Mitglied'\n"
        "Warning: members.csv: 1 line(s) skipped, 0 member(s) read\n"
        "Error: members.csv: none of its 1 line(s) after the header holds a member, "
        "nothing written\n";
    const struct {
        const char* name;
        std::function<void(const TempDir&)> make;  // creates members.csv, or not
        std::string err;
        const char* planned = "";  // what stdout says after the Config line, when the run gets that far
    } errors[] = {
        {"missing", [](const TempDir&) {}, "Error: members.csv: No such file or directory\n"},
        {"empty", [](const TempDir& dir) { dir.write("members.csv", ""); },
         "Error: members.csv: empty (0 bytes): export the member list again, with its header row\n"},
        // Without members.csv the list is looked for as members.xlsx, .ods and .xls.
        {"spreadsheet beside", [](const TempDir& dir) { dir.write("members.ods", "PK\x03\x04"); },
         "Error: members.ods: damaged or cut short: not a complete spreadsheet file\n"},
        {"fifo", [](const TempDir& dir) { mkfifo(dir.file("members.csv").c_str(), 0600); },
         "Error: members.csv: not a regular file\n"},
        {"folder", [](const TempDir& dir) { std::filesystem::create_directory(dir.file("members.csv")); },
         "Error: members.csv: not a regular file\n"},
        {"xlsx",
         [](const TempDir& dir) { dir.write("members.csv", std::string("PK\x03\x04\x14\0\x08\0", 8)); },
         "Error: members.csv: damaged or cut short: not a complete spreadsheet file\n"},
        {"nobody",
         [](const TempDir& dir) { dir.write("members.csv", HEADER + "Mitglied,Ann,Lee,a,b,c,d\n,,,,\n"); },
         NOBODY_ERR},
        // Files named as spreadsheets that are not: a sync that did not finish, a web system's
        // "Export to Excel", a CSV or an Excel 2003 XML file given a spreadsheet's name.
        {"zeros", [](const TempDir& dir) { dir.write("Members.XLSX", std::string(4096, '\0')); },
         "Error: Members.XLSX: holds nothing but zero bytes, not a spreadsheet (a copy or sync that did not "
         "finish?): copy or export the member list again\n"},
        {"web page",
         [](const TempDir& dir) {
             dir.write("members.xls", "\xEF\xBB\xBF<html><body><table><tr><td>Role</td>");
         },
         "Error: members.xls: a web page, not a spreadsheet: open it in your spreadsheet program and save it "
         "as .xlsx\n"},
        {"xml",
         [](const TempDir& dir) {
             dir.write("members.xls",
                       "<?xml version=\"1.0\"?>\n<Workbook xmlns=\"urn:schemas-microsoft-com\">");
         },
         "Error: members.xls: an XML file (an Excel 2003 XML or flat OpenDocument file?), not a spreadsheet: "
         "open it in your spreadsheet program and save it as .xlsx\n"},
        {"text", [](const TempDir& dir) { dir.write("members.ods", HEADER + "Member,Ann,Lee,a,b,c,d\n"); },
         "Error: members.ods: a text file, not a spreadsheet: if it is a CSV export, name it .csv; else open "
         "it in your spreadsheet program and save it as .xlsx\n"},
        // Last season's list beside this season's: neither is chosen by its date.
        {"two lists",
         [](const TempDir& dir) {
             dir.write("MEMBERS.CSV", HEADER + "Member,Ann,Lee,a,b,c,d\n");
             std::filesystem::copy_file(std::string(SHEETS_DIR) + "/seasons.xlsx", dir.file("members.xlsx"));
             set_file_date(dir.file("MEMBERS.CSV"), 2025, 9, 14);
             set_file_date(dir.file("members.xlsx"), 2026, 9, 2);
         },
         "Error: MEMBERS.CSV (2025-09-14, 1 person) and members.xlsx (2026-09-02, 1 person) are here and "
         "differ: name the one to read in roster.sdd, e.g. 'Member List: MEMBERS.CSV'\n"},
        {"unprintable",
         [](const TempDir& dir) {
             dir.write("members.csv", HEADER + "Member,ᏣᎳᎩ,ᎠᏂ,a,b,c,d\nMember,ⵜⴰⵎ,ⴰⵣⵔ,a,b,c,d\n");
         },
         "Error: members.csv: none of its names can be printed (no font here has the letters of 'ᏣᎳᎩ ᎠᏂ'; "
         "'Ꮳ' U+13E3 needs a font for the Cherokee script), nothing written\n",
         "Members : 0 Caller(s), 0 Cuer(s), 2 Member(s), 0 New Dancer(s)\nBooklet : 4 content pages => "
         "padded to 4 (1 sheets)\nPortrait: 4 pages\n"},
    };
    for (const auto& e : errors) {
        TempDir dir;
        e.make(dir);
        RunResult run = run_in(dir);
        EXPECT_EQ(run.status, 1) << e.name;
        EXPECT_EQ(run.out,
                  std::string("Config  : title=0 line(s), subtitle=0 line(s), Row Order\n") + e.planned)
            << e.name;
        EXPECT_EQ(run.err, NO_SETTINGS + e.err) << e.name;
        EXPECT_FALSE(dir.exists("booklet.pdf") || dir.exists("standard.pdf")) << e.name;
    }
}

// Exports of one list from LibreOffice (a two-line address cell), European Excel (semicolons,
// a byte order mark, CRLF), Excel for Mac (CR line ends), a tab export and a sheet with blank
// rows all print the same cards.
TEST(Rosterbook, SpreadsheetExportsReachThePaper) {
    const std::string files[] = {
        "Role,First,Last,Address,City,Zip,Phone\nMember,Ann,Lee,\"12 Oak St\nApt 4\",Town,97401,555-1\n"
        "Caller,Cal,Ray,\"1 Elm, Unit 2\",Town,97402,555-2\n",
        "\xEF\xBB\xBFRole;First;Last;Address;City;Zip;Phone\r\nMember;Ann;Lee;\"12 Oak St\r\nApt "
        "4\";Town;97401;555-1\r\n"
        "Caller;Cal;Ray;1 Elm, Unit 2;Town;97402;555-2\r\n",
        "Role,First,Last,Address,City,Zip,Phone\rMember,Ann,Lee,\"12 Oak St\rApt 4\",Town,97401,555-1\r"
        "Caller,Cal,Ray,\"1 Elm, Unit 2\",Town,97402,555-2\r",
        "Role\tFirst\tLast\tAddress, street\nMember\tAnn\tLee\t12 Oak St Apt 4\tTown\t97401\t555-1\n"
        "Caller\tCal\tRay\t1 Elm, Unit 2\tTown\t97402\t555-2\n",
        "Role,First,Last,Address,City,Zip,Phone\n,,,,,,\nMember,Ann,Lee,12 Oak St Apt 4,Town,97401,555-1\n"
        ",,,,,,,,,\n\nCaller,Cal,Ray,\"1 Elm, Unit 2\",Town,97402,555-2\n,,,\n",
    };
    for (const std::string& file : files) {
        TempDir dir;
        dir.write("roster.sdd", "");
        dir.write("members.csv", file);
        RunResult run = run_in(dir);
        ASSERT_EQ(run.status, 0) << file;
        EXPECT_EQ(run.err, "") << file;
        EXPECT_NE(run.out.find("Members : 1 Caller(s), 0 Cuer(s), 1 Member(s), 0 New Dancer(s)\n"),
                  std::string::npos)
            << file;
        for (const char* pdf : {"booklet.pdf", "standard.pdf"}) {
            std::string printed;
            for (const PdfPage& page : read_pdf(dir.file(pdf))) {
                for (const PdfText& t : page.texts) printed += t.text + "|";
            }
            EXPECT_NE(printed.find("Cal Ray|1 Elm, Unit 2|Town  97402|555-2|"), std::string::npos)
                << pdf << file;
            EXPECT_NE(printed.find("Ann Lee|12 Oak St Apt 4|Town  97401|555-1|"), std::string::npos)
                << pdf << file;
        }
    }
}

TEST(Rosterbook, SettingsAndSkippedLinesAreReported) {
    TempDir dir;
    dir.write(
        "roster.sdd",
        "\xEF\xBB\xBF# club settings\nTitle:\nSpring\nRoster\n\nSubtitle:\n2026\n\n"
        "Label Sequence: column order\nMember CSV: \"club list.csv\"\nTitle Font Size: huge\nColour: red\n"
        "Cover Image: covr.png\nCommittee Image: committee.png\n");
    std::string csv = HEADER + "Caller,Cal,Lee,a,b,c,d\nCuers,Pat,Plural,a,b,c,d\n\nMember,Too\n";
    for (int i = 0; i < 30; ++i) csv += "Member,M" + std::to_string(i) + ",Last,a,b,c,d\n";
    for (int i = 0; i < 3; ++i) csv += "New Dancer,N" + std::to_string(i) + ",Last,a,b,c,d\n";
    dir.write("club list.csv", csv);
    RunResult run = run_in(dir);
    EXPECT_EQ(run.status, 0);
    EXPECT_EQ(run.out,
              "Config  : title=2 line(s), subtitle=1 line(s), Column Order\n"
              "Members : 1 Caller(s), 1 Cuer(s), 30 Member(s), 3 New Dancer(s)\n"
              "Booklet : 8 content pages => padded to 8 (2 sheets)\n"
              "Portrait: 7 pages\n"
              "Booklet : booklet.pdf  (landscape, SHORT-edge duplex, collate-fold-staple)\n"
              "Standard: standard.pdf  (portrait,  LONG-edge  duplex)\n");
    EXPECT_EQ(run.err,
              "roster.conf: bad font size 'huge', keeping 20\n"
              "roster.conf: unknown key 'Colour'\n"
              "Warning: covr.png not found, its page shows a placeholder\n"
              "Warning: club list.csv line 5: 2 field(s), at least 3 needed, line skipped\n"
              "Warning: club list.csv: 1 line(s) skipped, 35 member(s) read\n");
    // The placeholder names the file roster.sdd names.
    EXPECT_EQ(read_pdf(dir.file("standard.pdf"))[0].texts[0].text, "[covr.png not found]");
}

// README's table of roster.sdd's messages names every message the reader and the pages
// say of it, and each of its rows is one the tool says: one roster.sdd with every mistake.
TEST(Rosterbook, ReadmeNamesEveryRosterSddMessage) {
    const std::string long_line = "Treasurer: " + std::string(40, 'W') + " " + std::string(60, 'M');
    std::string settings =
        "Title: Spring\nTitle:\nThe Riverside Square Dancers and Round Dancers Association of the Valley\n"
        "Subtitle:\n2026\nFonts: Standard\n\nTitle Font Size: huge\nTitle Color: red\nColour: red\n"
        "no colon here\nLabel Sequence: diagonal\nImage Resolution: 10\nImage Compression: zip\n"
        "Fonts: fancy\nPaper Size: B5\nText Encoding: klingon\nSort Language: qq\nInk Limit: 500\n"
        "Households: maybe\nLabel Start: 99\nProofs PDF: p.pdf\nProof Shows: "
        "Boot\nContinued:\n\nRoles:\nDancer: x\nMember no colon\n\nCard:\nLine "
        "9: x\n"
        "Line 3: Nowhere\nRole: Kind\n\nPrivate Shows: Shoe\nCommittee:\n" +
        long_line + "\n";
    for (int i = 0; i < 39; ++i) settings += "Line " + std::to_string(i) + ": someone\n";
    TempDir dir;
    dir.write("roster.sdd", settings + "Title Font Size: 12\n\nSchedule:\nDates\nTitle:\nx\n\n");
    dir.write("members.csv", HEADER + "Member,Ann,Lee,a,b,c,d\n");
    const RunResult run = run_in(dir);
    EXPECT_EQ(run.status, 0);
    const std::vector<std::vector<std::string>> rows = readme_table("| Message | What to do |");
    std::vector<int> used(rows.size(), 0);
    std::istringstream said(run.err);
    int lines = 0;
    for (std::string line; std::getline(said, line);) {
        if (!line.starts_with("roster.conf: ")) continue;
        ++lines;
        bool named = false;
        for (size_t r = 0; r < rows.size(); ++r) {
            const std::vector<std::string> pattern = backticked(rows[r][0]);
            if (pattern.size() == 1 && matches_pattern(line.substr(13), pattern[0])) {
                named = true;
                used[r] = 1;
            }
        }
        EXPECT_TRUE(named) << line << ": not in README's table";
    }
    EXPECT_EQ(lines, 30);
    for (size_t r = 0; r < rows.size(); ++r) EXPECT_TRUE(used[r]) << rows[r][0] << ": never said";
}

// Mailing labels on each maker's sheet: every line inside its label as the maker's published
// template places it, the labels in the order asked, from the label asked.
TEST(Rosterbook, MailingLabelsOnEachSheet) {
    // Each sheet's published template: columns, rows, label width and height, the first label's
    // left and top, the pitch across and down; in inches (Letter) or millimetres (A4).
    struct Sheet {
        int columns, rows;
        float unit, width, height, left, top, pitch_x, pitch_y;
    };
    constexpr float INCHES = 72.0f, MM = 72.0f / 25.4f;
    const Sheet S5160 = {3, 10, INCHES, 2.625f, 1, 0.1875f, 0.5f, 2.75f, 1},
                S5163 = {2, 5, INCHES, 4, 2, 0.15625f, 0.5f, 4.1875f, 2},
                L7160 = {3, 7, MM, 63.5f, 38.1f, 7.2f, 15.15f, 66.0f, 38.1f},
                L7163 = {2, 7, MM, 99.1f, 38.1f, 4.65f, 15.15f, 101.6f, 38.1f};
    const std::string fay = "Fay Abroad|1 Rue Haute|Paris  75001|France",
                      ann = "Ann Lee|12 Oak St|Town  97402", dee = "Dee Quiet|7 Pine Rd|Hamlet  97403",
                      bob = "Bob Smith|5 Elm St|Village  97401",
                      carol = "Carol Smith|5 Elm St|Village  97401";
    const struct {
        const char* settings;
        Sheet sheet;
        int first_slot;  // from 0
        std::vector<std::string> labels;
        const char* report;
        const char* warning;
    } cases[] = {
        {"",
         S5160,
         0,
         {fay, ann, dee, bob, carol},
         "5 label(s) on 1 sheet(s) of 5160 from label 1, 1 private",
         ""},
        {"Households: Together\nLabel Order: Postal Code\nLabel Sheet: 5163\nLabel Start: 4\n",
         S5163,
         3,
         {fay, "Bob & Carol Smith|5 Elm St|Village  97401", ann, dee},
         "4 label(s) on 1 sheet(s) of 5163 from label 4, 1 private",
         ""},
        {"Paper Size: A4\nLabel Private: No\n",
         L7160,
         0,
         {fay, ann, bob, carol},
         "4 label(s) on 1 sheet(s) of L7160 from label 1, 0 private",
         ""},
        {"Label Sheet: L7163\nLabel Start: 15\n",
         L7163,
         0,
         {fay, ann, dee, bob, carol},
         "5 label(s) on 1 sheet(s) of L7163 from label 1, 1 private",
         "Warning: roster.sdd: Label Start 15 is past the 14 labels of a L7163 sheet; starting at label 1\n"},
    };
    for (const auto& c : cases) {
        TempDir dir;
        dir.write("roster.sdd", std::string("Labels PDF: labels.pdf\n") + c.settings);
        dir.write(
            "members.csv",
            "Role,First Name,Last Name,Address,City,Zip,Phone,Private,Household,Country\n"
            "Member,Ann,Lee,12 Oak St,Town,97402,555-1,,,\nMember,Bob,Smith,5 Elm St,Village,97401,,,H1,\n"
            "Member,Carol,Smith,5 Elm St,Village,97401,,,H1,\nMember,Dee,Quiet,7 Pine "
            "Rd,Hamlet,97403,,yes,,\n"
            "Member,Eve,Nowhere,,,,555-5,,,\nMember,Fay,Abroad,1 Rue Haute,Paris,75001,,,,France\n");
        const RunResult run = run_in(dir);
        EXPECT_EQ(run.status, 0) << c.settings << run.err;
        EXPECT_NE(run.out.find(std::string("Labels  : labels.pdf  (") + c.report + " member(s) labelled)\n"),
                  std::string::npos)
            << c.settings << run.out;
        EXPECT_NE(run.err.find(std::string("Warning: members.csv: 1 card(s) without an address get no label: "
                                           "Eve Nowhere (line 6)\n") +
                               c.warning),
                  std::string::npos)
            << c.settings << run.err;
        // Each line goes to the label whose rectangle holds it whole; the labels read in slot order.
        const Sheet& s = c.sheet;
        std::map<int, std::string> slots;
        const std::vector<PdfPage> pages = read_pdf(dir.file("labels.pdf"));
        for (size_t p = 0; p < pages.size(); ++p) {
            for (const PdfText& t : pages[p].texts) {
                int found = -1;
                for (int slot = 0; slot < s.columns * s.rows; ++slot) {
                    const float left = (s.left + slot % s.columns * s.pitch_x) * s.unit;
                    const float top = pages[p].height - (s.top + slot / s.columns * s.pitch_y) * s.unit;
                    if (t.x >= left && t.x + measured_width(t) <= left + s.width * s.unit &&
                        t.y - t.size * 0.25f >= top - s.height * s.unit && t.y + t.size * 0.75f <= top)
                        found = slot + static_cast<int>(p) * s.columns * s.rows;
                }
                ASSERT_GE(found, 0) << c.settings << t.text << " lies in no label";
                slots[found] += (slots[found].empty() ? "" : "|") + t.text;
            }
        }
        std::vector<std::string> labels;
        for (const auto& [slot, text] : slots) {
            EXPECT_EQ(slot, c.first_slot + static_cast<int>(labels.size())) << c.settings << text;
            labels.push_back(text);
        }
        EXPECT_EQ(labels, c.labels) << c.settings;
    }
}

// Proofs: one a card, two a page, every field the card prints or leaves off (a private
// member's marked), the columns Proof Shows names and no other, the note under each; and
// the same proofs one PDF a card in a folder.
TEST(Rosterbook, ProofsForEveryCard) {
    TempDir dir;
    dir.write(
        "roster.sdd",
        "Households: Together\nProofs PDF: proofs.pdf\nProofs Folder: proofs\nProof Shows: Birthday, Shoe\n"
        "Email List: emails.txt\n\n"
        "Proof Note:\nPlease check your entry and tell Ann by 1 May.\n\n");
    dir.write("members.csv",
              "Role,First Name,Last Name,Address,City,Zip,Phone,Email,Private,Dues,Birthday\n"
              "Member,Ann,Lee,12 Oak St,Town,97402,555-1,ann@x.org,,40,1 May\n"
              "Member,Bob,Smith,5 Elm St,Village,97401,555-2,,,40,\n"
              "Member,Carol,Smith,5 Elm St,Village,97401,555-2,carol@x.org,,0,2 June\n"
              "Member,Dee,Quiet,7 Pine Rd,Hamlet,97403,555-3,dee@x.org,yes,40,3 July\n");
    const RunResult run = run_in(dir);
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(run.err,
              "Warning: members.csv: column(s) 'Dues', 'Birthday' not printed; to print them, name them in "
              "the Card "
              "block of roster.sdd, e.g. 'Line 6: Dues, Birthday'\n"
              "roster.conf: Proof Shows: no column 'Shoe' in members.csv\n"
              "Note: 1 member(s) marked private: only their names are printed\n");
    EXPECT_NE(
        run.out.find("Proofs  : proofs.pdf  (3 proof(s), two a page)\n"
                     "Proofs  : proofs  (3 PDF(s), one a card)\nEmails  : emails.txt  (2 address(es))\n"),
        std::string::npos)
        << run.out;
    // Each proof's texts, the card's first, in the roster's order.
    const std::string note = "Please check your entry and tell Ann by 1 May.|";
    const std::vector<std::string> proofs = {
        "Ann Lee|12 Oak St|Town  97402|555-1|ann@x.org|Address: 12 Oak St|City: Town|Zip: 97402|Phone: 555-1|"
        "Email: ann@x.org|Birthday: 1 May|" +
            note,
        "Dee Quiet|Address: 7 Pine Rd (not printed)|City: Hamlet (not printed)|Zip: 97403 (not printed)|"
        "Phone: 555-3 (not printed)|Email: dee@x.org (not printed)|Birthday: 3 July|" +
            note,
        "Bob & Carol Smith|5 Elm St|Village  97401|555-2|carol@x.org (Carol)|Address: 5 Elm St|City: Village|"
        "Zip: 97401|Phone: 555-2|Email: carol@x.org (Carol)|Birthday: 2 June (Carol)|" +
            note};
    const std::vector<PdfPage> pages = read_pdf(dir.file("proofs.pdf"));
    ASSERT_EQ(pages.size(), 2u);
    std::vector<std::string> read(3);
    for (size_t p = 0; p < pages.size(); ++p) {
        for (const PdfText& t : pages[p].texts)
            read[p * 2 + (t.y < pages[p].height / 2 ? 1 : 0)] += t.text + "|";
        EXPECT_EQ(pages[p].lines.size(), p == 0 ? 1u : 0u) << "the cut line, between two proofs only";
    }
    EXPECT_EQ(read, proofs);
    EXPECT_EQ(folder_listing(dir, "proofs"), "Ann Lee.pdf Bob & Carol Smith.pdf Dee Quiet.pdf ");
    const std::vector<PdfPage> alone_pages = read_pdf(dir.file("proofs/Dee Quiet.pdf"));
    ASSERT_EQ(alone_pages.size(), 1u);
    std::string alone;
    for (const PdfText& t : alone_pages[0].texts) alone += t.text + "|";
    EXPECT_EQ(alone, proofs[1]);
    // The e-mail list: the private member's address left out as on the card, the household's
    // with its person.
    EXPECT_EQ(dir.read("emails.txt"), "# Members\nAnn Lee <ann@x.org>\nCarol Smith <carol@x.org>\n\n");
}

// Two seasons' lists: what changed between them, whole, and this season's people as phones'
// contacts, parsed back; a private member's contact holds what the card prints, and a private
// partner's none of the household's shared phone.
TEST(Rosterbook, ChangesAndContactsFromTwoSeasons) {
    TempDir dir;
    dir.write("roster.sdd",
              "Households: Together\nPrivate Shows: Email\nMember Photos: On\nClub: Riverside Squares\n"
              "Last Season: members-2025.csv\nChanges: changes.txt\nContacts File: club.vcf\n");
    const std::string header = "Role,First Name,Last Name,Address,City,Zip,Phone,Cell,Email,Private\n";
    dir.write("members-2025.csv", header +
                                      "New Dancer,Ann,Lee,12 Oak St,Town,97402,555-0101,,ann@x.org,\n"
                                      "Member,Bob,Smith,5 Elm St,Village,97401,555-0202,,bob@x.org,\n"
                                      "Member,Carol,Smith,5 Elm St,Village,97401,555-0202,,carol@x.org,yes\n"
                                      "Member,Dee,Oldname,7 Pine Rd,Hamlet,97403,555-0303,,dee@x.org,\n"
                                      "Member,Gus,Gone,3 Past St,Town,97402,555-0606,,,\n"
                                      "Member,Fay,Quiet,2 Old Rd,Hamlet,97403,555-0505,,fay@x.org,yes\n"
                                      "Member,ZOË,Park,4 Bay St,Town,97402,555-0707,,,\n");
    dir.write("members.csv", header +
                                 "Caller,Ann,Lee,12 Oak St,Town,97402,555-0101,555-0199,ann@x.org,\n"
                                 "Member,Bob,Smith,5 Elm St,Village,97401,555-0202,,bob@x.org,\n"
                                 "Member,Carol,Smith,5 Elm St,Village,97401,555-0202,,carol@x.org,yes\n"
                                 "Member,Dee,Newname,7 Pine Rd,Hamlet,97403,555-0303,,dee@x.org,\n"
                                 "New Dancer,Eve,Fresh,1 New Way,Town,97402,555-0404,,,\n"
                                 "Member,Fay,Quiet,9 Hidden Ln,Hamlet,97403,555-0505,,fay@x.org,yes\n"
                                 "Member,Zoe,Park,4 Bay St,Town,97402,555-0707,,,\n");
    std::filesystem::create_directories(dir.file("photos"));
    write_jpeg(dir.file("photos/Ann Lee.jpg"), {400, 300});
    const RunResult run = run_in(dir);
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_NE(run.out.find("Changes : 1 new, 1 gone, 4 changed (changes.txt)\n"
                           "Contacts: club.vcf  (7 contact(s), 1 photo(s))\n"),
              std::string::npos)
        << run.out;
    EXPECT_EQ(
        dir.read("changes.txt"),
        "What changed since last season: members-2025.csv → members.csv\n"
        "1 new, 1 gone, 4 changed\n\n"
        "New this season (1)\n  Eve Fresh, New Dancers (members.csv line 6)\n\n"
        "Gone since last season (1)\n  Gus Gone, Members (members-2025.csv line 6)\n\n"
        "Changed (4)\n"
        "  Ann Lee (members.csv line 2)\n    Section: New Dancers → Caller\n    Cell: (none) → 555-0199\n"
        "  Dee Newname (members.csv line 5), probably Dee Oldname (members-2025.csv line 5): the same "
        "e-mail\n    Name: Dee Oldname → Dee Newname\n"
        "  Zoe Park (members.csv line 8)\n    Name: ZOË Park → Zoe Park\n"
        "  Fay Quiet (members.csv line 7)\n    Address: (private) → (private)\n");
    const std::string org = " | ORG Riverside Squares | CATEGORIES ";
    EXPECT_EQ(parsed_vcards(dir.file("club.vcf"), dir.path),
              "Ann Lee | N Lee;Ann | TEL HOME,VOICE=555-0101 | TEL CELL,VOICE=555-0199 | EMAIL=ann@x.org | "
              "ADR 12 Oak St;Town;97402;" +
                  org +
                  "Caller | PHOTO 1.jpg\n"
                  "Dee Newname | N Newname;Dee | TEL HOME,VOICE=555-0303 | EMAIL=dee@x.org | ADR 7 Pine "
                  "Rd;Hamlet;97403;" +
                  org +
                  "Member\n"
                  "Zoe Park | N Park;Zoe | TEL HOME,VOICE=555-0707 | ADR 4 Bay St;Town;97402;" +
                  org +
                  "Member\n"
                  "Fay Quiet | N Quiet;Fay | EMAIL=fay@x.org" +
                  org +
                  "Member\n"
                  "Bob Smith | N Smith;Bob | TEL HOME,VOICE=555-0202 | EMAIL=bob@x.org | ADR 5 Elm "
                  "St;Village;97401;" +
                  org +
                  "Member\n"
                  "Carol Smith | N Smith;Carol | EMAIL=carol@x.org" +
                  org +
                  "Member\n"
                  "Eve Fresh | N Fresh;Eve | TEL HOME,VOICE=555-0404 | ADR 1 New Way;Town;97402;" +
                  org + "New Dancer\n");
    SourceImage photo = {};
    ASSERT_EQ(load_source_image(dir.file("1.jpg").c_str(), &photo, {0, false}), std::nullopt);
    EXPECT_EQ(photo.width, 240u);
    EXPECT_EQ(photo.height, 240u);
    free_source_image(&photo);
    EXPECT_LE(std::filesystem::file_size(dir.file("1.jpg")), MAX_CONTACT_PHOTO_BYTES);
}

// The texts of one page joined by "|".
std::string page_text(const PdfPage& page) {
    std::string joined;
    for (const PdfText& t : page.texts) joined += t.text + "|";
    return joined;
}

// A run of glyphs as "font: gid@x,y gid@x,y ...", x and y in 1000ths of an em from the
// leftmost glyph's pen and the baseline, glyphs left to right (the order a run is drawn in
// is no part of where its glyphs land).
struct GlyphRun {
    std::string font;
    float baseline = 0;
    std::vector<std::tuple<long, long, long>> glyphs;  // x, y, glyph
};

std::string described(GlyphRun run) {
    std::sort(run.glyphs.begin(), run.glyphs.end());
    std::string text = run.font + ":";
    const long left = run.glyphs.empty() ? 0 : std::get<0>(run.glyphs[0]);
    for (const auto& [x, y, glyph] : run.glyphs)
        text += " " + std::to_string(glyph) + "@" + std::to_string(x - left) + "," + std::to_string(y);
    return text;
}

// The runs of glyphs drawn by number on `page` (shaped text: one text per glyph, in the
// Noto font of a script that needs shaping, and the glyphs drawn as outlines after their text),
// a run starting with each line's first glyph.
std::vector<std::string> drawn_glyph_runs(const PdfPage& page) {
    struct Drawn {
        std::string font;
        float size, x, y;
        uint32_t glyph;
    };
    std::vector<Drawn> drawn;  // in the order drawn
    size_t outline = 0;
    for (size_t i = 0; i <= page.texts.size(); ++i) {
        for (; outline < page.outlines.size() && page.outlines[outline].after_text == i; ++outline) {
            const PdfGlyphOutline& o = page.outlines[outline];
            drawn.push_back({o.font, o.size, o.x, o.y, o.glyph});
        }
        // A ligature's other characters, there to be copied, and running heads are left out.
        if (i < page.texts.size() && !page.texts[i].invisible && page.texts[i].size > FOLIO_SIZE) {
            const PdfText& t = page.texts[i];
            drawn.push_back({t.font, t.size, t.x, t.y, t.glyphs.empty() ? 0 : t.glyphs[0]});
        }
    }
    std::vector<GlyphRun> runs;
    const Drawn* first = nullptr;
    for (const Drawn& t : drawn) {
        const size_t plus = t.font.find("+Noto"), family = t.font.find("Sans") == plus + 5 ? 9 : 10;
        const std::string script =
            plus == std::string::npos ? "" : t.font.substr(plus + family, t.font.find('-') - plus - family);
        if (std::string(
                " Arabic Hebrew Devanagari Bengali Tamil Thai Khmer Telugu Kannada Malayalam Gujarati "
                "Gurmukhi Oriya Sinhala Lao Myanmar Tibetan Thaana ")
                .find(" " + script + " ") == std::string::npos) {
            first = nullptr;
            continue;
        }
        if (first == nullptr || first->font != t.font || std::abs(t.y - first->y) > 3) {
            first = &t;
            runs.push_back({t.font.substr(plus + 1), t.y, {}});
        }
        const auto units = [&](float points) { return std::lround(points * 1000 / t.size); };
        runs.back().glyphs.emplace_back(units(t.x), units(t.y - runs.back().baseline), t.glyph);
    }
    std::vector<std::string> described_runs;
    for (const GlyphRun& run : runs) described_runs.push_back(described(run));
    return described_runs;
}

// The same for `text` shaped by hb-shape in `font`, a Noto font file's name.
std::string harfbuzz_glyph_run(const std::string& font, const std::string& text) {
    const std::string shaped =
        command_output("hb-shape --no-glyph-names --font-size=1000 '" + std::string(ROSTERBOOK_NOTO_DIR) +
                       "/" + font + ".ttf' '" + text + "'");
    GlyphRun run = {font, 0, {}};
    long pen = 0;
    std::istringstream glyphs(shaped.substr(1, shaped.find(']') - 1));
    for (std::string glyph; std::getline(glyphs, glyph, '|');) {
        long id = 0, cluster = 0, dx = 0, dy = 0, advance = 0;
        if (glyph.find('@') != std::string::npos)
            sscanf(glyph.c_str(), "%ld=%ld@%ld,%ld+%ld", &id, &cluster, &dx, &dy, &advance);
        else
            sscanf(glyph.c_str(), "%ld=%ld+%ld", &id, &cluster, &advance);
        run.glyphs.emplace_back(pen + dx, dy, id);
        pen += advance;
    }
    return described(run);
}

std::string read_as(const char* encoding) {
    return std::string("Warning: members.csv read as ") + encoding +
           ": if names look wrong, save the sheet as CSV UTF-8\n";
}

// Western names from UTF-8, Windows-1252 and Mac Roman files print the same WinAnsi bytes
// in the standard Helvetica; a guessed encoding is named.
TEST(Rosterbook, AccentedNamesPrintAsWritten) {
    const struct {
        std::string names;
        std::string err;
    } cases[] = {
        {"Member,José,Müller,a,b,c,d\nMember,Zoë,François,a,b,c,d\nMember,Ève,Éluard,a,b,c,d\n", ""},
        {"Member,Jos\xE9,M\xFCller,a,b,c,d\nMember,Zo\xEB,Fran\xE7ois,a,b,c,d\nMember,\xC8ve,\xC9luard,a,b,c,"
         "d\n",
         read_as("Windows Western (windows-1252)")},
        {"role,first,last,a,b,c,d\rMember,Jos\x8E,M\x9Fller,a,b,c,d\rMember,Zo\x91,Fran\x8Dois,a,b,c,d\r"
         "Member,\xE9ve,\x83luard,a,b,c,d\r",
         read_as("Mac Roman (macintosh)")},
    };
    for (const auto& c : cases) {
        TempDir dir;
        dir.write("roster.sdd", "Title:\nCafé Roster\n\n");
        dir.write("members.csv", (c.names.starts_with("role") ? "" : HEADER) + c.names);
        RunResult run = run_in(dir);
        ASSERT_EQ(run.status, 0) << run.err;
        EXPECT_EQ(run.err, c.err);
        std::vector<PdfPage> pages = read_pdf(dir.file("standard.pdf"));
        const PdfText& title = pages[0].texts.at(1);  // after the missing picture's note
        EXPECT_EQ(title.text, "Caf\xE9 Roster");
        EXPECT_EQ(title.font, "Helvetica-Bold");
        EXPECT_EQ(title.encoding, "WinAnsiEncoding");
        // Centred on 306 with the width of the Windows-1252 text: 5612 thousandths at 20 pt.
        EXPECT_NEAR(title.x, 306 - 5612 * 20 / 1000.0f / 2, 1e-3);
        for (const PdfText& t : pages[2].texts) EXPECT_EQ(t.encoding, "WinAnsiEncoding") << t.text;
        EXPECT_EQ(
            page_text(pages[2]),
            "3|Members|\xC8ve \xC9luard|a|b  c|d|Zo\xEB Fran\xE7ois|a|b  c|d|Jos\xE9 M\xFCller|a|b  c|d|");
    }
}

// Page numbers and running heads of an A4 roster of three sections, read back from the
// booklet folded page by page: the number at the outer corner (right on odd pages, left on
// even), a running head with the first and last surname on each page that goes on with a
// section, nothing on the cover, the spare pages' ruled notes or the back cover.
TEST(Rosterbook, PageNumbersAndRunningHeadsOnA4) {
    // The page's own words in English, and in a German club's (WinAnsi bytes as read back).
    const struct {
        const char* words;
        const char* members;
        const char* new_dancers;
        const char* continued;
        const char* notes;
        const char* missing;
        const char* cover_missing;
    } cases[] = {
        {"", "Members", "New Dancers", "continued", "Notes", "[schedule.png not found]",
         "[cover.png not found]"},
        {"Members Title: Mitglieder\nNew Dancers Title: Neue Tänzer\nContinued: Fortsetzung\n"
         "Notes Title: Notizen\nPicture Missing: ({file} fehlt)\n",
         "Mitglieder", "Neue T\xE4nzer", "Fortsetzung", "Notizen", "(schedule.png fehlt)",
         "(cover.png fehlt)"},
    };
    for (const auto& c : cases) {
        TempDir dir;
        dir.write(
            "roster.sdd",
            std::string("Paper Size: A4\nSpare Pages: Notes\nCommittee:\nPresident: Ann Able\n\n") + c.words);
        std::string csv = HEADER;
        for (int i = 10; i < 35; ++i) csv += "Caller,Cal,Caller" + std::to_string(i) + ",a,b,c,d\n";
        for (int i = 10; i < 24; ++i) csv += "Member,Mem,Member" + std::to_string(i) + ",a,b,c,d\n";
        dir.write("members.csv", csv + "New Dancer,Ned,Newman,a,b,c,d\n");
        RunResult run = run_in(dir);
        ASSERT_EQ(run.status, 0) << run.err;
        EXPECT_EQ(run.err, "");
        EXPECT_TRUE(run.out.ends_with(
            "Booklet : 9 content pages => padded to 12 (3 sheets)\nPortrait: 6 pages\n"
            "Booklet : booklet.pdf  (landscape A4, SHORT-edge duplex, collate-fold-staple)\n"
            "Standard: standard.pdf  (portrait A4,  LONG-edge  duplex)\n"))
            << run.out;
        const std::vector<PdfPage> sides = read_pdf(dir.file("booklet.pdf"));
        ASSERT_EQ(sides.size(), 6u);
        EXPECT_NEAR(sides[0].width, 841.89, 1e-2);
        EXPECT_NEAR(sides[0].height, 595.28, 1e-2);
        std::vector<std::string> top_lines;
        for (int lp = 1; lp <= 12; ++lp) {
            const float half = 841.89f / 2;
            const PagePlacement at = *place_page(lp, 12, LAYOUT_BOOKLET, half);
            std::string line;
            for (const PdfText& t : sides[at.sheet * 2 + at.side].texts) {
                const bool on_half = at.x_offset > 0 ? t.x >= at.x_offset : t.x < half;
                if (!on_half || (t.size != 7.5f && t.size != 13)) continue;
                char at_x[32];
                snprintf(at_x, sizeof at_x, "@%.1f,%.2f ", t.x - at.x_offset, t.y);
                line += t.text + at_x;
            }
            top_lines.push_back(line);
        }
        const std::string continued = std::string(" (") + c.continued + ") \xB7 ";
        EXPECT_EQ(top_lines, (std::vector<std::string>{
                                 "",
                                 "2@22.0,567.28 Club Committee@34.2,567.28 ",
                                 "3@394.8,567.28 Caller@22.0,567.28 ",
                                 "4@22.0,567.28 Caller" + continued + "Caller22 \x96 Caller33@34.2,567.28 ",
                                 "5@394.8,567.28 Caller" + continued + "Caller34@22.0,567.28 ",
                                 "6@22.0,567.28 " + std::string(c.members) + "@34.2,567.28 ",
                                 "7@394.8,567.28 " + std::string(c.members) + continued +
                                     "Member22 \x96 Member23@22.0,567.28 ",
                                 "8@22.0,567.28 " + std::string(c.new_dancers) + "@34.2,567.28 ",
                                 "9@394.8,567.28 " + std::string(c.notes) + "@22.0,567.28 ",
                                 "10@22.0,567.28 " + std::string(c.notes) + "@38.3,567.28 ",
                                 "11@390.6,567.28 " + std::string(c.notes) + "@22.0,567.28 ",
                                 "",
                             }))
            << c.words;
        // Logical pages 12 and 1, the first side's halves: the back cover's placeholder and the
        // cover's, in the club's words.
        const auto& first_side = sides[0].texts;
        for (const char* missing : {c.missing, c.cover_missing}) {
            EXPECT_TRUE(std::any_of(first_side.begin(), first_side.end(),
                                    [&](const PdfText& t) { return t.text == missing; }))
                << c.words << missing;
        }
        for (const PdfPage& side : sides) expect_texts_inside(side, true, "A4 booklet");
        for (const PdfPage& page : read_pdf(dir.file("standard.pdf")))
            expect_texts_inside(page, false, "A4 standard");
    }
}

// The print shop's file of the sample club and of 400 members (names in every script a
// fallback font prints, shaped ones too) passes the preflight: single
// pages in reading order at trim size with bleed, as PDF/A-1b asks, and PDF/X-1a in CMYK.
TEST(Rosterbook, PrintShopFilePassesThePreflight) {
    const struct {
        int members;
        const char* paper;
        const char* colour;  // the Print Shop Colour line
        int pages;
        const char* told;     // what the report says to tell the shop
        float width, height;  // the trimmed page
        float marks;          // the crop marks' margin beyond the bleed
    } cases[] = {
        {0, "Letter", "RGB", 12, "12 pages, trim 5.5 x 8.5 in, 0.125 in bleed, sRGB", 396, 612, 0},
        {400, "Letter", "RGB", 36, "36 pages, trim 5.5 x 8.5 in, 0.125 in bleed, sRGB", 396, 612, 0},
        {0, "A4", "RGB", 12, "12 pages, trim A5 148 x 210 mm, 3.2 mm bleed, sRGB", 148 * 72 / 25.4f,
         210 * 72 / 25.4f, 0},
        {0, "Letter", "RGB", 12, "12 pages, trim 5.5 x 8.5 in, 0.125 in bleed, sRGB", 396, 612, 27},
        {0, "Letter", "CMYK", 12, "12 pages, trim 5.5 x 8.5 in, 0.125 in bleed, PDF/X-1a, CMYK for FOGRA39",
         396, 612, 0},
        {0, "A4", "CMYK", 12, "12 pages, trim A5 148 x 210 mm, 3.2 mm bleed, PDF/X-1a, CMYK for FOGRA39",
         148 * 72 / 25.4f, 210 * 72 / 25.4f, 27},
    };
    for (const auto& c : cases) {
        const int members = c.members;
        const std::string what = std::string(c.paper) + " " + c.colour + " " + std::to_string(members);
        TempDir dir;
        for (const char* name : {"roster.sdd", "members.csv", "members-2025.csv", "cover.png", "photos"}) {
            std::filesystem::copy(std::string(EXAMPLES_DIR) + "/" + name, dir.file(name),
                                  std::filesystem::copy_options::recursive);
        }
        dir.write("roster.sdd",
                  dir.read("roster.sdd") +
                      "\nPrint Shop PDF: shop.pdf\nClub: Riverside Squares\nPaper Size: " + c.paper +
                      "\nPrint Shop Colour: " + c.colour + (c.marks > 0 ? "\nCrop Marks: On\n" : "\n"));
        if (members > 0) {  // first names in every script with a fallback font
            const char* firsts[] = {"First", "太郎", "민준", "שרה",   "አበበ",
                                    "Աննա",  "ნინო", "محمد", "प्रिया", "สมชาย"};
            std::string csv = HEADER;
            for (int i = 0; i < members; ++i)
                csv += std::string("Member,") + firsts[i % 10] + ",Last" + std::to_string(1000 + i) +
                       ",a,b,c,d\n";
            dir.write("members.csv", csv);
        }
        RunResult run = run_in(dir);
        ASSERT_EQ(run.status, 0) << run.err;
        EXPECT_NE(run.out.find("\nShop    : shop.pdf  (tell the shop: saddle-stitched booklet, " +
                               std::string(c.told) + ")\n"),
                  std::string::npos)
            << run.out;
        EXPECT_EQ(preflight_print_shop(dir.file("shop.pdf"), 9, c.marks), std::vector<std::string>{}) << what;
        // The preflight can fail: a CIDSet that leaves out the CIDs shown and lists one the font
        // lacks; in the CMYK file, no output intent, or a colour set as RGB.
        const struct {
            Breakage breakage;
            std::vector<std::string> rules;  // the first rules the preflight names
        } breakages[] = {
            {BROKEN_CID_SETS,
             {"CIDSet lists every CID shown: page 1 /F1", "CIDSet lists only CIDs in the font: page 1 /F1",
              "CIDSet reaches every glyph of its font program: page 1 /F1"}},
            {NO_OUTPUT_INTENT,
             {"output intent with its profile",
              "PDF/X output intent: a CMYK press condition with its profile"}},
            {AN_RGB_COLOUR, {"no RGB colour: page 1"}},
        };
        for (const auto& b : breakages) {
            if (b.breakage != BROKEN_CID_SETS && std::string(c.colour) == "RGB") continue;
            write_broken_copy(dir.file("shop.pdf"), dir.file("broken.pdf"), b.breakage);
            const std::vector<std::string> broken = preflight_print_shop(dir.file("broken.pdf"), 9, c.marks);
            ASSERT_GE(broken.size(), b.rules.size()) << what;
            EXPECT_EQ(std::vector<std::string>(broken.begin(), broken.begin() + b.rules.size()), b.rules)
                << what;
        }
        const std::vector<PdfPage> shop = read_pdf(dir.file("shop.pdf"));
        ASSERT_EQ(shop.size(), static_cast<size_t>(c.pages));
        EXPECT_NEAR(shop[0].width, c.width + 18 + 2 * c.marks, 1e-2) << c.paper;
        EXPECT_NEAR(shop[0].height, c.height + 18 + 2 * c.marks, 1e-2) << c.paper;
        EXPECT_EQ(pdf_file_facts(dir.file("shop.pdf")), "1.4 ID=2 null");
        EXPECT_EQ(pdf_info(dir.file("shop.pdf"), "/Author"), "Riverside Squares");
        // The home PDFs are not made for a press: the same preflight fails them.
        const std::vector<std::string> home = preflight_print_shop(dir.file("booklet.pdf"), 9);
        EXPECT_EQ(std::vector<std::string>(home.end() - 4, home.end()),
                  (std::vector<std::string>{
                      members > 0 ? "Creator as PDFDocEncoding text" : "Info and XMP agree: /Creator",
                      "Trapped False", "cover picture reaches the bleed",
                      "cover picture kept out of the bleed below it"}));
    }
}

// The club's own spreadsheet file read as the sheet shows it: formats applied, what the
// secretary hid left out and said, the title row above the headings passed over; odd and
// hostile files end the run with one line.
TEST(Rosterbook, SpreadsheetFilesAreReadAsShown) {
    const struct {
        const char* file;
        std::string settings;
        std::string err;
    } cases[] = {
        {"members.xlsx", "Sheet: Members\n",
         "Warning: members.xlsx: 1 hidden column(s) not read (unhide them to print them)\n"
         "Warning: members.xlsx: column F: 0.0E+00 is a number format rosterbook does not read: its values "
         "print unformatted\n"
         "Warning: members.xlsx row 1 comes before the headings on row 2: not read\n"
         "Warning: members.xlsx: 1 hidden row(s) not printed: Hidden Person (unhide them to print them)\n"
         "Note: members.xlsx: cells merged over rows 7\u20138 (Address, Phone) given to each person\n"},
        {"members.ods", "",
         "Warning: members.ods: 1 hidden column(s) not read (unhide them to print them)\n"
         "Warning: members.ods row 1 comes before the headings on row 2: not read\n"
         "Warning: members.ods: 1 hidden row(s) not printed: Hidden Person (unhide them to print them)\n"
         "Note: members.ods: cells merged over rows 7\u20138 (Address, Phone) given to each person\n"},
    };
    for (const auto& c : cases) {
        TempDir dir;
        std::filesystem::copy_file(std::string(SHEETS_DIR) + "/" + c.file, dir.file(c.file));
        dir.write("roster.sdd", c.settings);  // without Member List: found as members.xlsx or .ods
        RunResult run = run_in(dir);
        ASSERT_EQ(run.status, 0) << run.err;
        EXPECT_EQ(run.err.substr(0, run.err.find("Warning: cover.png")), c.err) << c.file;
        std::string texts;
        for (const PdfPage& page : read_pdf(dir.file("standard.pdf"))) texts += describe_texts(page);
        // The standard fonts' text is WinAnsi: "José Núñez", "Zoë Brontë".
        for (const char* shown : {"Ann Able", "Boston, MA", "02134", "(503) 555-0101", "14 Sep 2011",
                                  "Jos\xE9 N\xFA\xF1"
                                  "ez",
                                  "Zo\xEB Bront\xEB", "TRUE"}) {
            EXPECT_NE(texts.find(shown), std::string::npos) << c.file << ": " << shown;
        }
        EXPECT_EQ(texts.find("Hidden"), std::string::npos) << c.file;
        // The couple's address and phone, merged down over both rows, print on both cards.
        EXPECT_NE(texts.find("3 Couple Ct", texts.find("3 Couple Ct") + 1), std::string::npos) << texts;
        EXPECT_NE(texts.find("(503) 555-0300", texts.find("(503) 555-0300") + 1), std::string::npos) << texts;
    }
    const struct {
        const char* file;
        const char* settings;
        std::string err;
    } errors[] = {
        {"members.xlsx", "Sheet: Members 2027\n",
         "Error: members.xlsx: has no sheet 'Members 2027'; its sheets: 'Old', 'Members'\n"},
        {"filtered.xlsx", "Member List: filtered.xlsx\nSheet: Nobody\n",
         "Error: filtered.xlsx: has no sheet 'Nobody'; its sheets: 'Sheet'\n"},
        {"bomb.xlsx", "Member List: bomb.xlsx\n",
         "Error: bomb.xlsx: xl/worksheets/sheet1.xml unpacks to more than 200 times its packed size: not "
         "read (a damaged file, or a zip bomb)\n"},
        {"entities.xlsx", "Member List: entities.xlsx\n",
         "Error: entities.xlsx: damaged: xl/worksheets/sheet1.xml declares a DOCTYPE, not read\n"},
        {"bad-utf8.xlsx", "Member List: bad-utf8.xlsx\n",
         "Error: bad-utf8.xlsx: damaged: xl/worksheets/sheet1.xml line 1: not well-formed (invalid token)\n"},
        {"club.numbers", "Member List: club.numbers\n",
         "Error: club.numbers: a Numbers file: export it from Numbers as Excel or CSV UTF-8\n"},
        // Beside a missing club.csv it is told the same at once, not to be named in roster.sdd.
        {"club.numbers", "Member List: club.csv\n",
         "Error: club.csv: No such file or directory; club.numbers is there, a Numbers file: export it from "
         "Numbers as Excel or CSV UTF-8\n"},
        {"cut.xlsx", "Member List: cut.xlsx\n",
         "Error: cut.xlsx: damaged or cut short: not a complete spreadsheet file\n"},
        {"locked.xlsx", "Member List: locked.xlsx\n",
         "Error: locked.xlsx: password-protected: remove the password or save a copy as CSV UTF-8\n"},
    };
    for (const auto& e : errors) {
        TempDir dir;
        if (std::string(e.file) == "locked.xlsx")  // Excel wraps an encrypted workbook in an OLE file
            dir.write(e.file, std::string("\xD0\xCF\x11\xE0\xA1\xB1\x1A\xE1\0\0\0\0", 12) +
                                  std::string("E\0n\0c\0r\0y\0p\0t\0e\0d\0P\0a\0c\0k\0a\0g\0e\0", 32));
        else
            std::filesystem::copy_file(std::string(SHEETS_DIR) + "/" + e.file, dir.file(e.file));
        dir.write("roster.sdd", e.settings);
        RunResult run = run_in(dir);
        EXPECT_EQ(run.status, 1) << e.file;
        EXPECT_EQ(run.err.substr(run.err.find("Error:")), e.err) << e.file;
    }
    // The sample club's members.xlsx makes the very PDFs its members.csv makes.
    std::string made[2];
    for (const char* list : {"members.csv", "members.xlsx"}) {
        TempDir club;
        for (const char* name : {list, "members-2025.csv", "roster.sdd", "cover.png"})
            std::filesystem::copy_file(std::string(EXAMPLES_DIR) + "/" + name, club.file(name));
        ASSERT_EQ(run_tool(ROSTERBOOK_BINARY, club.path, {.environment = {"SOURCE_DATE_EPOCH=1"}}).status, 0)
            << list;
        made[list[8] == 'x'] = club.read("standard.pdf");
    }
    EXPECT_TRUE(made[0] == made[1]);
    // Kept side by side and named by neither roster.sdd: both are read, the same people said.
    TempDir both;
    for (const char* name : {"members.csv", "members.xlsx", "members-2025.csv", "cover.png"})
        std::filesystem::copy_file(std::string(EXAMPLES_DIR) + "/" + name, both.file(name));
    std::string settings = TempDir::read_path(std::string(EXAMPLES_DIR) + "/roster.sdd");
    settings.erase(settings.find("Member CSV: members.csv"), strlen("Member CSV: members.csv"));
    both.write("roster.sdd", settings);
    const RunResult run = run_tool(ROSTERBOOK_BINARY, both.path, {.environment = {"SOURCE_DATE_EPOCH=1"}});
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(run.err.substr(0, run.err.find('\n') + 1),
              "Note: members.csv and members.xlsx hold the same people: read members.csv\n");
    EXPECT_TRUE(both.read("standard.pdf") == made[0]);
}

// A member list read as the club means it, never last season's sheet or part of the list:
// the first visible sheet, a filter left on stopping the run until roster.sdd says what it
// means, rows hidden by hand named, formulas without their values said.
TEST(Rosterbook, SheetsReadAsTheClubMeansThem) {
    const std::string dues =
        "Warning: %s: column(s) 'Dues' not printed; to print them, name them in the Card block of "
        "roster.sdd, "
        "e.g. 'Line 6: Dues'\n";
    const std::string gone =
        "Warning: %s: 1 hidden row(s) not printed: Gus Gone (unhide them to print them)\n";
    const std::string filter = "a filter on column 'Role' hides 3 row(s)";
    const struct {
        const char* file;
        const char* settings;
        int status;
        std::string err;  // %s: the file
        std::vector<std::string> printed;
    } cases[] = {
        {"filter-lo.ods",
         "",
         1,
         gone + "Error: %s: " + filter +
             " (Carl Caller, Cora Cuer, Ned New), nothing written: clear the filter, or say in roster.sdd "
             "'Filtered Rows: Print' or 'Filtered Rows: Leave Out'\n",
         {}},
        {"filter-lo.ods",
         "Filtered Rows: Print\n",
         0,
         gone + "Note: %s: " + filter + ": printed all the same (Filtered Rows: Print)\n",
         {"Carl Caller", "Cora Cuer", "Mia Member", "Max Member", "Ned New"}},
        {"filtered.xlsx",
         "Filtered Rows: Leave Out\n",
         0,
         dues + gone + "Note: %s: " + filter +
             ", not printed (Filtered Rows: Leave Out): Carl Caller, Cora Cuer, Ned New\n",
         {"Mia Member", "Max Member"}},
        {"seasons.xlsx",
         "",
         0,
         "Note: %s: read sheet 'Members 2026'; also there: 'Read me'\n" + dues,
         {"This Season"}},
        {"seasons.xlsx", "Sheet: Members 2025\n", 0, dues, {"Last Season"}},
        // A card's warning names the workbook's row.
        {"readme.xlsx",
         "Sheet: Members\n",
         0,
         dues + "Warning: %s row 2: card line 5 of Ann Able is too long, printed at 6 pt\n",
         {"Ann Able"}},
        {"readme.xlsx",
         "",
         1,
         "Note: %s: read sheet 'Read me'; also there: 'Members'\n"
         "Error: %s: sheet 'Read me': no headings found in the first 50 rows: head the columns 'Role', "
         "'First "
         "Name', 'Last Name' (or 'Name'), 'Address' and so on, or say in the Card block of roster.sdd which "
         "column is which; the file's other sheets: 'Members' (name one in roster.sdd, as 'Sheet: "
         "Members')\n",
         {}},
        {"formulas.xlsx",
         "",
         0,
         "Warning: %s: column 'Phone': 2 formula cell(s) have no saved value: open and save the file in "
         "Excel or LibreOffice\n",
         {"Ann Able", "Bob Best", "ann@example.org"}},
        {"formula-names.xlsx",
         "",
         1,
         "Error: %s: column 'Name': 2 formula cell(s) have no saved value, so nobody has a name: open and "
         "save the file in Excel or LibreOffice, nothing written\n",
         {}},
        {"locked.ods",
         "",
         1,
         "Error: %s: password-protected: remove the password or save a copy as CSV UTF-8\n",
         {}},
    };
    for (const auto& c : cases) {
        TempDir dir;
        std::filesystem::copy_file(std::string(SHEETS_DIR) + "/" + c.file, dir.file(c.file));
        std::filesystem::copy_file(std::string(EXAMPLES_DIR) + "/cover.png", dir.file("cover.png"));
        dir.write("roster.sdd", std::string("Member List: ") + c.file + "\nCommittee:\nBoard: Ann\n\n" +
                                    "Schedule:\nSept: Dance\n\n" + c.settings);
        const RunResult run = run_in(dir);
        const std::string what = std::string(c.file) + " " + c.settings;
        EXPECT_EQ(run.status, c.status) << what;
        std::string err = c.err;
        for (size_t at = err.find("%s"); at != std::string::npos; at = err.find("%s", at))
            err.replace(at, 2, c.file);
        EXPECT_EQ(run.err, err) << what;
        EXPECT_EQ(dir.exists("standard.pdf"), c.status == 0) << what;
        if (c.status != 0) continue;
        std::string texts;
        for (const PdfPage& page : read_pdf(dir.file("standard.pdf"))) texts += describe_texts(page);
        for (const std::string& name : c.printed)
            EXPECT_NE(texts.find(name), std::string::npos) << what << name;
        EXPECT_EQ(texts.find("Gone"), std::string::npos) << what;
    }
}

// The shop's cover picture fills its area out to the bleed at the sides and head whatever its
// shape, cut, never stretched, white below the middle; a cut of more than a third is said.
TEST(Rosterbook, ShopCoverFillsToTheBleed) {
    const struct {
        const char* paper;
        int width, height;  // the picture's pixels
        const char* said;   // stderr
    } cases[] = {
        {"Letter", 2700, 1800, ""},
        {"Letter", 2400, 1800, ""},
        {"Letter", 1800, 1800, ""},
        {"Letter", 1200, 1800,
         "Note: cover.png: filling the cover to its edges cuts off 49 % of the picture (Cover Focus says "
         "which "
         "part is kept)\nNote: cover.png prints at 209 ppi in shop.pdf; print shops may query pictures under "
         "250 "
         "ppi\n"},
        {"A4", 2700, 1800, ""},
        {"A4", 2400, 1800, ""},
        {"A4", 1800, 1800, ""},
        {"A4", 1200, 1800,
         "Note: cover.png: filling the cover to its edges cuts off 53 % of the picture (Cover Focus says "
         "which "
         "part is kept)\nNote: cover.png prints at 197 ppi in shop.pdf; print shops may query pictures under "
         "250 "
         "ppi\n"},
    };
    for (const auto& c : cases) {
        const std::string what =
            std::string(c.paper) + " " + std::to_string(c.width) + "x" + std::to_string(c.height);
        TempDir dir;
        PngShape red;
        red.width = c.width, red.height = c.height, red.solid = 0xC83C3C;
        write_png(dir.file("cover.png"), red);
        dir.write("members.csv", std::string(HEADER) + "Member,Ann,Able,a,b,c,d\n");
        // On A4 bound on the right, and with no club or title to name as the file's author.
        const bool a4 = std::string(c.paper) == "A4";
        dir.write("roster.sdd",
                  std::string("Print Shop PDF: shop.pdf\nPaper Size: ") + c.paper +
                      (a4 ? "\nBinding: Right\n" : "\nBinding: Left\nClub: Riverside Squares\n") +
                      "Committee:\nPresident: Ann Able\n\nSchedule:\nMay 1: Dance\n");
        const RunResult run = run_in(dir);
        ASSERT_EQ(run.status, 0) << what << run.err;
        EXPECT_EQ(run.err, c.said) << what;
        EXPECT_EQ(preflight_print_shop(dir.file("shop.pdf"), 9), std::vector<std::string>{}) << what;
        EXPECT_EQ(pdf_file_facts(dir.file("shop.pdf")),
                  a4 ? "1.4 ID=2 << /Direction /R2L >>" : "1.4 ID=2 null");
        EXPECT_EQ(pdf_info(dir.file("shop.pdf"), "/Author"), a4 ? "" : "Riverside Squares") << what;
        const PdfImage cover = read_pdf(dir.file("shop.pdf"))[0].images.at(0);
        EXPECT_NEAR(cover.drawn_width / cover.drawn_height, float(c.width) / float(c.height), 1e-3) << what;
        // The page at 18 dpi, a pixel every 4 pt: red in the bleed one pixel in from its corners
        // (the edge row may be half off the page) and at both sides just above the middle, white
        // just below it.
        const std::string ppm = command_output(
            "gs -q -dNOPAUSE -dBATCH -sDEVICE=ppmraw -r18 -dLastPage=1 "
            "-sOutputFile=- '" +
            dir.file("shop.pdf") + "'");
        std::istringstream header(ppm);
        std::string magic, comment;
        int columns = 0, rows = 0, depth = 0;
        header >> magic >> std::ws;
        while (header.peek() == '#') std::getline(header, comment);  // Ghostscript's own line
        header >> columns >> rows >> depth;
        const size_t pixels = static_cast<size_t>(header.tellg()) + 1;
        auto red_at = [&](int x, int y) {
            const size_t at = pixels + (static_cast<size_t>(y) * columns + x) * 3;
            return static_cast<unsigned char>(ppm.at(at)) > 150 &&
                   static_cast<unsigned char>(ppm.at(at + 1)) < 100;
        };
        const int middle = rows / 2;
        for (auto [x, y] : {std::pair{1, 1},
                            {columns - 2, 1},
                            {1, middle - 3},
                            {columns - 2, middle - 3},
                            {columns / 2, 1}}) {
            EXPECT_TRUE(red_at(x, y)) << what << " at " << x << "," << y;
        }
        EXPECT_FALSE(red_at(columns / 2, middle + 3)) << what;
    }
}

// Nothing a secretary sets for the print shop or the files' date is passed over in silence.
TEST(Rosterbook, ShopAndDateSettingsAreNeverIgnoredQuietly) {
    const std::string pages = "Committee:\nPresident: Ann Able\n\nSchedule:\nMay 1: Dance\n\n";
    const struct {
        std::string settings;
        const char* date;  // SOURCE_DATE_EPOCH
        int status;
        const char* err;
    } cases[] = {
        {"Crop Marks: On\nPrint Shop Colour: CMYK\n", "1", 0,
         "Warning: roster.sdd: Crop Marks and Print Shop Colour shape only the print shop's file: add 'Print "
         "Shop PDF: shop.pdf' to make one\n"},
        {"Print Shop PDF: shop.pdf\nCover Image: front.jpg\n" + pages, "1", 1,
         "Warning: front.jpg not found, its page shows a placeholder\n"
         "Error: shop.pdf: not written, its cover would be unfinished: front.jpg is not there; add it, or "
         "take the "
         "Cover Image line out of roster.sdd for a cover without a picture, and run again\n"},
        {"Print Shop PDF: shop.pdf\n" + pages, "1", 0, ""},  // no cover named: the shop's cover has none
        {"", "yesterday", 0,
         "Warning: SOURCE_DATE_EPOCH 'yesterday' is not whole seconds from 1970 to the year 9999: the PDFs "
         "carry "
         "the run's own date\n"},
        {"", "99999999999999", 0,
         "Warning: SOURCE_DATE_EPOCH '99999999999999' is not whole seconds from 1970 to the year 9999: the "
         "PDFs "
         "carry the run's own date\n"},
    };
    for (const auto& c : cases) {
        TempDir dir;
        dir.write("members.csv", std::string(HEADER) + "Member,Ann,Able,a,b,c,d\n");
        dir.write("roster.sdd", "Cover Image:\n\n" + c.settings);
        const RunResult run = run_tool(ROSTERBOOK_BINARY, dir.path,
                                       {.environment = {std::string("SOURCE_DATE_EPOCH=") + c.date}});
        EXPECT_EQ(run.status, c.status) << c.settings << c.date;
        EXPECT_EQ(run.err, c.err) << c.settings << c.date;
        EXPECT_EQ(dir.exists("shop.pdf"), c.status == 0 && c.settings.starts_with("Print Shop"))
            << c.settings;
        const std::string year = pdf_info(dir.file("standard.pdf"), "/CreationDate").substr(2, 4);
        EXPECT_TRUE(c.date == std::string("1") ? year == "1970" : year >= "2026") << c.date << " " << year;
    }
}

// The CMYK shop file prints a picture's flat patches and the title as the press profile's
// own conversion of their sRGB colours does (ΔE2000 under 1), near the colours the
// secretary saw on screen (ΔE2000 under 4 for these colours, inside the press's gamut:
// 1.7 to 3.3 measured, the dark title furthest, black point compensation lifting it).
TEST(Rosterbook, CmykShopFileKeepsThePressProfilesColours) {
    for (const char* compression : {"Lossless", "JPEG"}) {  // Flate, and JPEG stored inverted
        TempDir dir;
        PngShape cover;
        cover.width = 1200, cover.height = 900, cover.flat_halves = true;
        write_png(dir.file("cover.png"), cover);
        std::filesystem::copy_file(std::string(EXAMPLES_DIR) + "/members.csv", dir.file("members.csv"));
        dir.write("roster.sdd",
                  "Print Shop PDF: shop.pdf\nPrint Shop Colour: CMYK\nTitle Color: #1a3b5c\n"
                  "Title:\nRiverside Squares\n\nCommittee:\nPresident: Ann Able\n\nSchedule:\n"
                  "Sept 12: Barn dance\n\nImage Compression: " +
                      std::string(compression) + "\n");
        RunResult run = run_in(dir);
        ASSERT_EQ(run.status, 0) << run.err;
        EXPECT_EQ(preflight_print_shop(dir.file("shop.pdf"), 9), std::vector<std::string>{})
            << compression;  // typed pages in CMYK
        const std::vector<PdfPage> pages = read_pdf(dir.file("shop.pdf"));
        ASSERT_EQ(pages[0].images.size(), 1u);
        const PdfImage& image = pages[0].images[0];
        ASSERT_EQ(
            image.color_space + " " + image.filter,
            std::string("DeviceCMYK ") + (compression == std::string("JPEG") ? "DCTDecode" : "FlateDecode"));
        const std::string_view icc = press_profile_bytes();
        cmsHPROFILE press = cmsOpenProfileFromMem(icc.data(), static_cast<cmsUInt32Number>(icc.size()));
        cmsHPROFILE srgb = cmsCreate_sRGBProfile(), lab = cmsCreateLab4Profile(nullptr);
        cmsHTRANSFORM to_inks =
            cmsCreateTransform(srgb, TYPE_RGB_FLT, press, TYPE_CMYK_FLT, INTENT_RELATIVE_COLORIMETRIC,
                               cmsFLAGS_BLACKPOINTCOMPENSATION);
        cmsHTRANSFORM inks_to_lab =
            cmsCreateTransform(press, TYPE_CMYK_FLT, lab, TYPE_Lab_DBL, INTENT_RELATIVE_COLORIMETRIC, 0);
        cmsHTRANSFORM screen_to_lab =
            cmsCreateTransform(srgb, TYPE_RGB_FLT, lab, TYPE_Lab_DBL, INTENT_RELATIVE_COLORIMETRIC, 0);
        const auto pixel_inks = [&](int x, int y) {
            const size_t at = (static_cast<size_t>(y) * image.width + x) * 4;
            std::vector<float> inks;
            for (int i = 0; i < 4; ++i)
                inks.push_back(static_cast<unsigned char>(image.pixels.at(at + i)) / 2.55f);
            return inks;
        };
        const struct {
            const char* what;
            float rgb[3];
            std::vector<float> inks;  // what the file has, in percent
        } cases[] = {
            {"left patch",
             {FLAT_LEFT[0] / 255.f, FLAT_LEFT[1] / 255.f, FLAT_LEFT[2] / 255.f},
             pixel_inks(image.width / 4, image.height / 2)},
            {"right patch",
             {FLAT_RIGHT[0] / 255.f, FLAT_RIGHT[1] / 255.f, FLAT_RIGHT[2] / 255.f},
             pixel_inks(image.width * 3 / 4, image.height / 2)},
            {"title", {0x1a / 255.f, 0x3b / 255.f, 0x5c / 255.f}, {}},
        };
        for (const auto& c : cases) {
            std::vector<float> inks = c.inks;
            for (const PdfText& text : pages[0].texts) {
                if (inks.empty() && text.text == "Riverside Squares")
                    for (float ink : text.fill_inks) inks.push_back(ink * 100);
            }
            ASSERT_EQ(inks.size(), 4u) << c.what;
            float expected_inks[4];
            cmsCIELab printed, expected, screen;
            cmsDoTransform(to_inks, c.rgb, expected_inks, 1);
            cmsDoTransform(inks_to_lab, inks.data(), &printed, 1);
            cmsDoTransform(inks_to_lab, expected_inks, &expected, 1);
            cmsDoTransform(screen_to_lab, c.rgb, &screen, 1);
            EXPECT_LT(cmsCIE2000DeltaE(&printed, &expected, 1, 1, 1), 1.0) << c.what << " " << compression;
            EXPECT_LT(cmsCIE2000DeltaE(&printed, &screen, 1, 1, 1), 4.0) << c.what << " " << compression;
        }
        for (cmsHTRANSFORM t : {to_inks, inks_to_lab, screen_to_lab}) cmsDeleteTransform(t);
        for (cmsHPROFILE p : {press, srgb, lab}) cmsCloseProfile(p);
    }
}

// The CMYK shop file's darkest inks stay within the Ink Limit a shop asks for: a black photo
// and a near-black title, at the press profile's own limit (FOGRA39's 330 %: the darkest
// photo black measured 314 %) and held to 300 and 260 %.
TEST(Rosterbook, ShopInksStayWithinTheLimit) {
    const struct {
        const char* limit;                        // the Ink Limit line
        float photo_low, photo_high, title_high;  // the darkest totals, percent
    } cases[] = {
        {"", 311, 317, 330}, {"Ink Limit: 300\n", 290, 301, 301}, {"Ink Limit: 260%\n", 250, 261, 261}};
    for (const auto& c : cases) {
        TempDir dir;
        PngShape black;
        black.width = 600, black.height = 400, black.solid = 0x000000;
        write_png(dir.file("cover.png"), black);
        dir.write("members.csv", std::string(HEADER) + "Member,Ann,Able,a,b,c,d\n");
        dir.write("roster.sdd",
                  std::string("Print Shop PDF: shop.pdf\nPrint Shop Colour: CMYK\nTitle Color: #00000d\n"
                              "Title:\nRiverside Squares\n\nCommittee:\nPresident: Ann Able\n\n"
                              "Schedule:\nMay 1: Dance\n\n") +
                      c.limit);
        const RunResult run = run_in(dir);
        ASSERT_EQ(run.status, 0) << c.limit << run.err;
        const PdfPage cover = read_pdf(dir.file("shop.pdf")).at(0);
        float photo = 0, title = 0;
        const std::string& pixels = cover.images.at(0).pixels;
        for (size_t at = 0; at + 3 < pixels.size(); at += 4) {
            float total = 0;
            for (size_t i = 0; i < 4; ++i) total += static_cast<unsigned char>(pixels[at + i]) / 2.55f;
            photo = std::max(photo, total);
        }
        for (const PdfText& text : cover.texts) {
            if (text.text == "Riverside Squares")
                for (float ink : text.fill_inks) title += ink * 100;
        }
        EXPECT_TRUE(photo >= c.photo_low && photo <= c.photo_high) << c.limit << "photo " << photo;
        EXPECT_TRUE(title > 200 && title <= c.title_high) << c.limit << "title " << title;
        EXPECT_EQ(preflight_print_shop(dir.file("shop.pdf"), 9), std::vector<std::string>{}) << c.limit;
    }
}

// Nothing unfinished goes to the shop: a cover without its picture is finished as it is,
// a committee page with neither picture nor typed lines stops the shop's file alone. A
// picture a shop would query is noted.
TEST(Rosterbook, NothingUnfinishedGoesToTheShop) {
    for (bool typed_committee : {true, false}) {
        TempDir dir;
        if (typed_committee) write_rgb_png(dir.file("schedule.png"), 1200, 900);
        std::filesystem::copy_file(std::string(EXAMPLES_DIR) + "/members.csv", dir.file("members.csv"));
        dir.write("roster.sdd",
                  std::string("Print Shop PDF: shop.pdf\nTitle:\nRiverside Squares\n\nSchedule:\n"
                              "Sept 12: Barn dance\n\n") +
                      (typed_committee ? "Committee:\nPresident: Ann Able\n" : ""));
        RunResult run = run_in(dir);
        EXPECT_EQ(run.status, typed_committee ? 0 : 1) << run.err;
        EXPECT_TRUE(std::filesystem::exists(dir.file("booklet.pdf")) &&
                    std::filesystem::exists(dir.file("standard.pdf")));
        if (typed_committee) {
            EXPECT_EQ(run.err,
                      "Warning: schedule.png exists, the Schedule block is not printed\n"
                      "Note: schedule.png prints at 245 ppi in shop.pdf; print shops may query pictures "
                      "under 250 ppi\n");
            EXPECT_EQ(preflight_print_shop(dir.file("shop.pdf"), 9), std::vector<std::string>{});
            // The home booklet still shows what is missing.
            EXPECT_NE(describe_texts(read_pdf(dir.file("booklet.pdf"))[0]).find("[cover.png not found]"),
                      std::string::npos);
        } else {
            EXPECT_FALSE(std::filesystem::exists(dir.file("shop.pdf")));
            EXPECT_EQ(run.err,
                      "Error: shop.pdf: not written, its Committee page would be unfinished: "
                      "committee.png is not there and roster.sdd has no Committee block to type the "
                      "page; add one or the other and run again\n");
        }
    }
}

// The trial's sheet, its columns in the club's own order, prints each detail on its own
// card line; a private member shows the name only.
TEST(Rosterbook, ClubsOwnColumnsPrintOnTheirCardLines) {
    TempDir dir;
    dir.write("members.csv",
              "Last Name,First Name,Street,City,State,Zip,Member Since,Email,Phone,Status,Private\r\n"
              "Zimmerman,Gwen,12 Elm St,Salem,OR,97301,2011,gwen@example.org,503-555-0101,Member,\r\n"
              "Abbott,Al,3 Oak Ave,Bend,OR,97701,2019,al@example.org,541-555-0102,Members,Yes\r\n");
    RunResult run = run_in(dir);
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(run.err,
              NO_SETTINGS +
                  "Warning: members.csv: column(s) 'Member Since' not printed; to print them, name them in "
                  "the Card block of roster.sdd, e.g. 'Line 6: Member Since'\n"
                  "Note: 1 member(s) marked private: only their names are printed\n");
    const std::vector<PdfPage> pages = read_pdf(dir.file("standard.pdf"));
    ASSERT_GE(pages.size(), 3u);
    EXPECT_EQ(page_text(pages[2]),
              "3|Members|Al Abbott|Gwen Zimmerman|12 Elm St|Salem, OR  97301|503-555-0101|gwen@example.org|");
    const std::vector<PdfText>& texts = pages[2].texts;
    ASSERT_EQ(texts.size(), 8u);
    const float name_y = texts[3].y;  // Gwen's name; her details at lines 2 to 5 of her card
    for (int line = 2; line <= 5; ++line) {
        EXPECT_NEAR(texts[static_cast<size_t>(line + 2)].y, name_y - 11.5f * static_cast<float>(line - 1),
                    1e-3)
            << texts[static_cast<size_t>(line + 2)].text;
    }
}

// A couples club's sheet, one row a person: by surname and address 22 rows take 14 cards
// (partners named only in a note, and couples of two surnames, stay apart); a Household
// column joins those couples too, 12 cards. Each card's text as it prints.
TEST(Rosterbook, HouseholdsShareACard) {
    const std::string rows =
        "Caller,Bob,Smith,12 Oak St,Salem,97301,503-555-0101,,bob@smith.org,\n"
        "Member,Carol,Smith,12 Oak St,Salem,97301,503-555-0102,,carol@smith.org,\n"
        "Member,Jim,Brown,5 Elm St,Salem,97301,503-555-0103,,,\n"
        "Member,Ann,Brown,5 Elm St,Salem,97301,503-555-0103,,,\n"
        "Member,Tom,Miller,7 Pine Rd,Keizer,97303,503-555-0105,,tom@miller.org,\n"
        "New Dancer,Sue,Miller,7 Pine Rd,Keizer,97303,503-555-0105,,sue@miller.org,\n"
        "Cuer,Ted,Davis,9 Ash Ln,Salem,97302,503-555-0107,,,\n"
        "Cuer,Liz,Davis,9 Ash Ln,Salem,97302,503-555-0107,,,\n"
        "Member,Joe,Wilson,3 Birch Ct,Salem,97301,,,,\n"
        "Member,Mary,Wilson,3 Birch Ct,Salem,97301,,,,\n"
        "Member,Dan,Moore,14 Cedar Ave,Salem,97304,503-555-0111,,,\n"
        "Member,Kim,Moore,14 Cedar Ave,Salem,97304,503-555-0112,,,\n"
        "New Dancer,Ray,Hall,8 Fir St,Salem,97301,,,,\n"
        "New Dancer,Pat,Hall,8 Fir St,Salem,97301,,,,\n"
        "Member,Lee,Clark,2 Yew Way,Salem,97301,,,,\n"
        "Member,Amy,Clark,2 Yew Way,Salem,97301,,,,\n"
        "Member,Paul,Young,20 Maple Dr,Salem,97301,503-555-0117,,,\n"
        "Member,Rita,Lopez,20 Maple Dr,Salem,97301,503-555-0117,,,\n"
        "Member,Mark,Fox,22 Maple Dr,Salem,97301,,,mark@fox.org,\n"
        "Member,Jane,Gray,22 Maple Dr,Salem,97301,,,jane@gray.org,\n"
        "Member,Sam,Reed,30 Spruce St,Salem,97301,,,,Lou Park's partner\n"
        "Member,Lou,Park,30 Spruce St,Salem,97301,,,,Sam Reed's partner\n";
    // The same sheet with a Household column: each home's address, but for the two whose
    // note names the other, who live apart.
    std::string households = "Role,First Name,Last Name,Address,City,Zip,Phone,Cell,Email,Notes,Household\n";
    std::istringstream lines(rows);
    for (std::string line; std::getline(lines, line);) {
        const size_t first = line.find(',') + 1, last = line.find(',', first) + 1;
        const size_t address = line.find(',', last) + 1;
        households +=
            line + "," +
            (line.ends_with("partner") ? line.substr(first, last - first - 1) : line.substr(address, 8)) +
            "\n";
    }
    const std::string callers =
        "3|Caller|Bob (Caller) & Carol Smith|12 Oak St|Salem  97301|503-555-0101 (Bob)|503-555-0102 "
        "(Carol)|"
        "bob@smith.org (Bob)|carol@smith.org (Carol)|Cuer|Liz & Ted Davis|9 Ash Ln|Salem  "
        "97302|503-555-0107|";
    const std::string browns_to_grays =
        "4|Members|Ann & Jim Brown|5 Elm St|Salem  97301|503-555-0103|Amy & Lee Clark|2 Yew Way|Salem  "
        "97301|";
    const std::string millers_to_wilsons =
        "Tom & Sue (New Dancer) Miller|7 Pine Rd|Keizer  97303|503-555-0105|"
        "tom@miller.org (Tom)|sue@miller.org (Sue)|Dan & Kim Moore|14 Cedar Ave|Salem  97304|"
        "503-555-0111 (Dan)|503-555-0112 (Kim)|Lou Park|30 Spruce St|Salem  97301|Sam Reed's partner|"
        "Sam Reed|30 Spruce St|Salem  97301|Lou Park's partner|Joe & Mary Wilson|3 Birch Ct|Salem  97301|";
    const struct {
        const char* what;
        std::string sheet;
        const char* counted;
        std::vector<std::string> pages;  // the Callers and Cuers page, the Members page
    } cases[] = {
        {"by surname and address",
         "Role,First Name,Last Name,Address,City,Zip,Phone,Cell,Email,Notes\n" + rows,
         "1 Caller(s), 2 Cuer(s), 16 Member(s), 3 New Dancer(s) on 14 card(s)",
         {callers, browns_to_grays +
                       "Mark Fox|22 Maple Dr|Salem  97301|mark@fox.org|Jane Gray|22 Maple Dr|"
                       "Salem  97301|jane@gray.org|Rita Lopez|20 Maple Dr|Salem  97301|503-555-0117|" +
                       millers_to_wilsons + "Paul Young|20 Maple Dr|Salem  97301|503-555-0117|"}},
        {"by a Household column",
         households,
         "1 Caller(s), 2 Cuer(s), 16 Member(s), 3 New Dancer(s) on 12 card(s)",
         {callers, browns_to_grays +
                       "Mark Fox & Jane Gray|22 Maple Dr|Salem  97301|"
                       "mark@fox.org (Mark)|jane@gray.org (Jane)|Rita Lopez & Paul Young|20 Maple Dr|"
                       "Salem  97301|503-555-0117|" +
                       millers_to_wilsons}},
    };
    for (const auto& c : cases) {
        TempDir dir;
        dir.write("members.csv", c.sheet);
        dir.write("roster.sdd", "Households: Together\n");
        const RunResult run = run_in(dir);
        ASSERT_EQ(run.status, 0) << run.err;
        EXPECT_NE(run.out.find(std::string("Members : ") + c.counted + "\n"), std::string::npos) << run.out;
        const std::vector<PdfPage> pages = read_pdf(dir.file("standard.pdf"));
        EXPECT_EQ((std::vector<std::string>{page_text(pages[2]), page_text(pages[3])}), c.pages) << c.what;
    }
}

// A couples club: 52 households of two, each with a home phone and a cell and an e-mail a
// person, the second 26 with the first 26's surnames and streets in another town, and 10
// people alone.
struct ClubPerson {
    std::string first, last, cell, email;
};
struct ClubHousehold {
    std::vector<ClubPerson> people;
    std::string street, town, zip, phone;
};
std::vector<ClubHousehold> couples_club() {
    const char* firsts[2][13] = {
        {"Bob", "Tom", "Jim", "Sam", "Dan", "Joe", "Ted", "Lou", "Ray", "Max", "Ken", "Al", "Ed"},
        {"Peggy", "Carol", "Sue", "Ann", "Kim", "Mary", "Liz", "Jane", "Rita", "Amy", "Beth", "Joan", "Eve"}};
    std::vector<ClubHousehold> club;
    for (int h = 0; h < 62; ++h) {
        const std::string n = std::to_string(h),
                          last = std::string(1, static_cast<char>('A' + h % 26)) + "ankowski";
        ClubHousehold household = {{},
                                   std::to_string(100 + h % 26) + (h < 52 ? " Oak Street" : " Elm Street"),
                                   h < 26 ? "Salem" : "Portland",
                                   h < 26 ? "97301" : "97201",
                                   "503-555-" + std::to_string(1000 + h)};
        for (int p = 0; p < (h < 52 ? 2 : 1); ++p) {
            const std::string first = firsts[p][(h < 26 ? h : h + 5) % 13] + (h < 52 ? "" : n);
            household.people.push_back({first, last, "971-555-" + std::to_string(2000 + 2 * h + p),
                                        first + "." + last + "@squares.org"});
        }
        club.push_back(household);
    }
    return club;
}

// The club's member list: one row a person with a Household column (`way` 0), one row a
// person without it (1), or one row a household, its second person in Cell 2 and Email 2 (2).
std::string couples_list(const std::vector<ClubHousehold>& club, int way) {
    std::string csv = way == 2 ? "Role,Name,Address,City,Zip,Phone,Cell,Cell 2,Email,Email 2\n"
                               : "Role,First Name,Last Name,Address,City,Zip,Phone,Cell,Email,Household\n";
    for (size_t h = 0; h < club.size(); ++h) {
        const ClubHousehold& home = club[h];
        const std::string where =
            "," + home.street + "," + home.town + "," + home.zip + "," + home.phone + ",";
        if (way == 2) {
            const ClubPerson& a = home.people.front();
            const ClubPerson& b = home.people.back();
            const bool two = home.people.size() == 2;
            csv += "Member," + a.first + (two ? " & " + b.first : "") + " " + a.last + where + a.cell + "," +
                   (two ? b.cell : "") + "," + a.email + "," + (two ? b.email : "") + "\n";
            continue;
        }
        for (const ClubPerson& p : home.people)
            csv += "Member," + p.first + "," + p.last + where + p.cell + "," + p.email +
                   (way == 0 ? ",H" + std::to_string(h) : ",") + "\n";
    }
    return csv;
}

// Every text of `pages`, a line each.
std::string all_texts(const std::vector<PdfPage>& pages) {
    std::string texts;
    for (const PdfPage& page : pages) {
        for (const PdfText& t : page.texts) texts += t.text + "\n";
    }
    return texts;
}

// The cards' names by the logical page they are drawn on, and the index's entries with the
// page each gives, read from a document whose physical pages carry logical pages as `logical`
// says (by physical page and half).
struct NamesAndIndex {
    std::vector<std::pair<int, std::string>> cards;    // page, name
    std::vector<std::pair<std::string, int>> entries;  // "Smith, Bob", page
};
NamesAndIndex names_and_index(const std::vector<PdfPage>& pages,
                              const std::function<int(size_t, float)>& logical) {
    NamesAndIndex found;
    for (size_t p = 0; p < pages.size(); ++p) {
        for (const PdfText& t : pages[p].texts) {
            if (t.size == 8.5f) found.cards.emplace_back(logical(p, t.x), t.text);
            if (t.size != 8.0f || std::isdigit(static_cast<unsigned char>(t.text[0]))) continue;
            for (const PdfText& n : pages[p].texts) {  // the page number on the entry's line
                if (n.y == t.y && n.x > t.x && n.x - t.x < 190 &&
                    std::isdigit(static_cast<unsigned char>(n.text[0])))
                    found.entries.emplace_back(t.text, std::stoi(n.text));
            }
        }
    }
    return found;
}

// Photos on the cards, found by a Photo column or by the person's name in photos/ (folded
// forms), cropped to the frame as Photo Focus says; initials where there is none and for a
// private member; one photo for a household; and an index whose page numbers are the pages
// the names are drawn on, across a continued section, in a left- and a right-bound booklet.
TEST(Rosterbook, PhotosOnCardsAndAnIndexOfNames) {
    std::string csv =
        "Role,First Name,Last Name,Address,City,Zip,Phone,Cell,Email,Notes,Photo,Photo Focus,Private\n"
        "Member,Bob,Smith,1 A St,Salem,1,,,,,,,\n"
        "Member,Cy,Young,2 B St,Salem,1,,,,,,Left,\n"
        "Member,Dee,West,3 C St,Salem,1,,,,,dee.jpg,,\n"
        "Member,Eve,North,4 D St,Salem,1,,,,,gone.jpg,,\n"
        "Member,Fay,Hidden,5 E St,Salem,1,,,,,,,yes\n"
        "Caller,Gus,Lake,6 F St,Salem,1,,,,,,,\n"
        "Member,Hal,Lake,6 F St,Salem,1,,,,,,,\n"
        "Member,John,Smith,7 G St,Salem,1,,,,,,,\n"
        "Member,John,Smith,8 H St,Salem,1,,,,,,,\n";
    for (int i = 0; i < 30; ++i)
        csv += "Member,Pat," + std::string(1, static_cast<char>('A' + i % 26)) + "ller" + std::to_string(i) +
               ",,,,,,,,,,\n";
    // A wide picture with a dark marker at its top-left corner: a frame at the left shows it.
    const JpegShape wide = {640, 240, 3, false, 0, 0};
    for (const char* binding : {"Left", "Right"}) {
        TempDir dir;
        dir.write("members.csv", csv);
        dir.write("roster.sdd", std::string("Member Photos: On\nIndex: On\nHouseholds: Together\nBinding: ") +
                                    binding + "\n");
        std::filesystem::create_directory(dir.file("photos"));
        for (const char* photo :
             {"dee.jpg", "photos/Fay Hidden.jpg", "photos/Bbo Smith.jpg", "photos/John Smith.jpg"})
            write_jpeg(dir.file(photo), wide);
        // Phone photos with a thumbnail marked at the other corner: a portrait one's has the
        // frame's pixels and is drawn; a wide one's, at the left, has too few.
        write_heic_with_thumbnail(dir.file("photos/Bob Smith.heic"), {480, 640, 3, false, 0, 0},
                                  {240, 320, 3, false, 0, 3});
        write_heic_with_thumbnail(dir.file("photos/young_cy.heic"), wide, {320, 120, 3, false, 0, 3});
        write_jpeg(dir.file("photos/Gus & Hal Lake.jpg"), {80, 80, 3, false, 0, 0});  // too few pixels
        const RunResult run = run_in(dir);
        ASSERT_EQ(run.status, 0) << run.err;
        EXPECT_EQ(
            run.err,
            "Note: 1 member(s) marked private: only their names are printed\n"
            "Warning: members.csv line 5 (Eve North): photo 'gone.jpg' is neither in photos/ nor beside the "
            "member list\n"
            "Warning: 2 photo(s) in photos/ not printed: Bbo Smith.jpg (matches no member), John Smith.jpg "
            "(2 "
            "members are named John Smith, members.csv lines 9 and 10: name each one's photo in a Photo "
            "column)\n"
            "Warning: 33 card(s) have no photo in photos/ and show initials: Pat Aller0, Pat Aller26, Pat "
            "Bller1, Pat Bller27, Pat Cller2 and 28 more (all in rosterbook-notes.txt)\n"
            "Warning: 1 member photo(s) print at fewer than 150 ppi and look soft (a larger photo looks "
            "sharp): "
            "photos/Gus & Hal Lake.jpg (85 ppi)\n")
            << binding;
        EXPECT_NE(run.out.find("Booklet : 8 content pages => padded to 8 (2 sheets)\nPortrait: 7 pages\n"
                               "Index   : 39 name(s) on 1 booklet page(s), 1 portrait page(s)\n"),
                  std::string::npos)
            << run.out;

        // Each card's frame: the photo's pixels (the marker's corner) or the initials on grey.
        const std::vector<PdfPage> standard = read_pdf(dir.file("standard.pdf"));
        std::map<std::string, std::string> frames;
        for (const PdfPage& page : standard) {
            for (const PdfText& name : page.texts) {
                if (name.size != 8.5f) continue;
                const float left = name.x - 58 + 3, bottom = name.y + 13.5f - 3 - 68;
                std::string& frame = frames[name.text];
                for (const PdfImage& i : page.images) {
                    if (std::abs(i.x - left) < 0.01f && std::abs(i.y - bottom) < 0.01f &&
                        i.drawn_width == 51 && i.drawn_height == 68)
                        frame = std::to_string(i.width) + "x" + std::to_string(i.height) +
                                (static_cast<unsigned char>(i.pixels[0]) < 100 ? " marker" : " plain");
                }
                for (const PdfText& t : page.texts) {
                    if (t.size == 18 && std::abs(t.x + measured_width(t) / 2 - (left + 25.5f)) < 0.5f &&
                        t.y > bottom && t.y < bottom + 68)
                        frame = "initials " + t.text;
                }
            }
        }
        EXPECT_EQ(frames["Bob Smith"], "213x283 plain");  // the thumbnail (the picture has the marker)
        EXPECT_EQ(frames["Cy Young"], "180x240 marker");  // its left edge
        EXPECT_EQ(frames["Dee West"], "180x240 plain");
        EXPECT_EQ(frames["Gus (Caller) & Hal Lake"], "60x80 plain");
        EXPECT_EQ(frames["Eve North"], "initials EN");
        EXPECT_EQ(frames["Fay Hidden"], "initials FH");
        EXPECT_EQ(frames["Pat Aller0"], "initials PA");
        // Neither John Smith takes "John Smith.jpg", and the notes name every card without one.
        int john_smiths = 0;
        for (const PdfPage& page : standard) {
            john_smiths +=
                static_cast<int>(std::count_if(page.texts.begin(), page.texts.end(), [](const PdfText& t) {
                    return t.size == 18 && t.text == "JS";
                }));
        }
        EXPECT_EQ(john_smiths, 2) << binding;
        const std::string notes = dir.read("rosterbook-notes.txt");
        EXPECT_EQ(notes.substr(0, notes.find("  Pat Aller0")),
                  "rosterbook: every name the run's messages list in part\n\n"
                  "33 card(s) have no photo in photos/ and show initials:\n")
            << binding;
        EXPECT_NE(notes.find("  John Smith\n  John Smith\n"), std::string::npos) << notes;
        EXPECT_NE(notes.find("  Pat Zller25\n"), std::string::npos) << notes;

        // Every person is in the index, on the page their card is drawn on.
        const std::vector<PdfPage> booklet = read_pdf(dir.file("booklet.pdf"));
        std::map<std::pair<size_t, int>, int> booklet_page;  // physical page, half: logical page
        for (int lp = 1; lp <= 8; ++lp) {
            const PagePlacement at = *place_page(lp, 8, LAYOUT_BOOKLET, 396, std::string(binding) == "Right");
            booklet_page[{2 * at.sheet + at.side, at.x_offset > 0}] = lp;
        }
        const NamesAndIndex documents[2] = {
            names_and_index(standard, [](size_t p, float) { return static_cast<int>(p) + 1; }),
            names_and_index(booklet, [&](size_t p, float x) {
                return booklet_page[{p, x >= 396}];
            })};
        for (const NamesAndIndex& document : documents) {
            EXPECT_EQ(document.entries.size(), 39u) << binding;
            for (const auto& [entry, page] : document.entries) {
                const std::string last = entry.substr(0, entry.find(',')),
                                  first = entry.substr(entry.find(',') + 2);
                EXPECT_TRUE(std::any_of(document.cards.begin(), document.cards.end(),
                                        [&](const auto& card) {
                                            return card.first == page &&
                                                   card.second.find(first) != std::string::npos &&
                                                   card.second.find(last) != std::string::npos;
                                        }))
                    << entry << " on page " << page << ", " << binding;
            }
        }
        EXPECT_EQ(documents[1].entries.front(), std::make_pair(std::string("Aller0, Pat"), 4));
        EXPECT_EQ(documents[1].entries.back(), std::make_pair(std::string("Zller25, Pat"), 6));
    }
}

// A couples club kept three ways prints on one card a household: every phone and e-mail
// whole in both documents (each person's on a line of their own, tagged with the first
// name), every person in the index, the same surname and street in another town never
// joined; each card shows its own household's photo.
TEST(Rosterbook, CouplesClubEveryPhoneAndEmailWhole) {
    const std::vector<ClubHousehold> club = couples_club();
    for (int way = 0; way < 3; ++way) {
        TempDir dir;
        dir.write("members.csv", couples_list(club, way));
        dir.write("roster.sdd", "Households: Together\nIndex: On\n");
        const RunResult run = run_in(dir);
        ASSERT_EQ(run.status, 0) << run.err;
        EXPECT_EQ(run.err, "") << way;
        EXPECT_NE(
            run.out.find("Members : 0 Caller(s), 0 Cuer(s), 114 Member(s), 0 New Dancer(s) on 62 card(s)"),
            std::string::npos)
            << way << run.out;
        for (const char* pdf : {"booklet.pdf", "standard.pdf"}) {
            const std::string texts = all_texts(read_pdf(dir.file(pdf)));
            for (const ClubHousehold& home : club) {
                // A person alone has the phone and cell on one line, four blanks apart.
                const bool two = home.people.size() == 2;
                const std::string phone_line = two ? home.phone : home.phone + "    " + home.people[0].cell;
                EXPECT_NE(texts.find("\n" + phone_line + "\n"), std::string::npos)
                    << way << pdf << phone_line;
                for (const ClubPerson& p : home.people) {
                    const std::string tag = two ? " (" + p.first + ")\n" : "\n";
                    if (two) {
                        EXPECT_NE(texts.find("\n" + p.cell + tag), std::string::npos) << way << pdf << p.cell;
                    }
                    EXPECT_NE(texts.find("\n" + p.email + tag), std::string::npos) << way << pdf << p.email;
                    EXPECT_NE(texts.find("\n" + p.last + ", " + p.first + "\n"), std::string::npos)
                        << way << pdf << p.first << " " << p.last << " in the index";
                }
            }
        }
    }

    // The photos: named after the household, its second person, or a person alone; of two, the
    // first person's; each card's frame shows its own colour.
    TempDir dir;
    dir.write("members.csv", couples_list(club, 0));
    dir.write("roster.sdd", "Households: Together\nMember Photos: On\n");
    std::filesystem::create_directory(dir.file("photos"));
    const struct {
        std::string file;
        int colour;
        std::string card;  // the card that shows it; "" none
    } photos[] = {
        {"Bob & Peggy Aankowski.png", 0xC03020, "Bob & Peggy Aankowski"},
        {"Carol Bankowski.png", 0x20A040, "Carol & Tom Bankowski"},
        {"Jim Cankowski.png", 0x2040C0, "Jim & Sue Cankowski"},
        {"Sue Cankowski.png", 0xC0C020, ""},
        {"Tom61 Jankowski.png", 0x8020A0, "Tom61 Jankowski"},
    };
    for (const auto& photo : photos) {
        PngShape shape;
        shape.width = 60;
        shape.height = 80;
        shape.solid = photo.colour;
        write_png(dir.file("photos/" + photo.file), shape);
    }
    const RunResult run = run_in(dir);
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_NE(
        run.err.find("Warning: 1 photo(s) in photos/ not printed: Sue Cankowski.png (the card of Jim & Sue "
                     "Cankowski shows Jim Cankowski.png)\n"),
        std::string::npos)
        << run.err;
    std::map<std::string, int> shown;
    for (const PdfPage& page : read_pdf(dir.file("standard.pdf"))) {
        for (const PdfText& name : page.texts) {
            for (const PdfImage& i : page.images) {
                if (name.size == 8.5f && std::abs(i.x - (name.x - 55)) < 0.01f &&
                    std::abs(i.y - (name.y + 13.5f - 71)) < 0.01f)
                    shown[name.text] = static_cast<unsigned char>(i.pixels[0]) << 16 |
                                       static_cast<unsigned char>(i.pixels[1]) << 8 |
                                       static_cast<unsigned char>(i.pixels[2]);
            }
        }
    }
    for (const auto& photo : photos) {
        if (!photo.card.empty()) {
            EXPECT_EQ(shown[photo.card], photo.colour) << photo.file;
        }
    }
    EXPECT_EQ(shown.size(), 4u);
}

// Names in any script print as written in embedded Unicode fonts (Chinese, Hangul and the
// rest from fallback fonts), searchable, in the sort language's order; the same sheet in
// each encoding spreadsheets write prints the same; a character no font here has prints
// as "?" and is named with its script.
TEST(Rosterbook, EveryNameAsWritten) {
    const std::string sheet =
        "role,first,last,a,b,c,d\nMember,Łukasz,Łyżwa,ul. Długa 5,Łódź,90-001,555\n"
        "Member,Anna,Lach,a,b,c,d\nMember,Jan,Lyko,a,b,c,d\nMember,Jiří,Čermák,a,b,c,d\n";
    std::string tabbed = sheet;
    std::replace(tabbed.begin(), tabbed.end(), ',', '\t');
    const struct {
        const char* encoding;
        std::string bytes;
        std::string err;
    } encodings[] = {
        {"utf-8", sheet, ""},
        {"utf-8 with BOM", "\xEF\xBB\xBF" + sheet, ""},
        {"utf-16le, tabs", "\xFF\xFE" + to_code_page(tabbed, "UTF-16LE"), ""},
        {"windows-1250", to_code_page(sheet, "WINDOWS-1250"),
         read_as("Windows Central European (windows-1250)")},
    };
    for (const auto& e : encodings) {
        TempDir dir;
        dir.write("roster.sdd",
                  "Sort Language: pl\nTitle:\nKlub Tańca Łódź\n\nCommittee:\nPrezes: Jiří Čermák\n\n");
        dir.write("members.csv", e.bytes);
        RunResult run = run_in(dir);
        ASSERT_EQ(run.status, 0) << e.encoding << ": " << run.err;
        EXPECT_EQ(run.err, e.err) << e.encoding;
        const std::vector<PdfPage> pages = read_pdf(dir.file("standard.pdf"));
        EXPECT_EQ(pages[0].texts.at(1).text, "Klub Tańca Łódź") << e.encoding;
        EXPECT_EQ(pages[1].texts.back().text, "Jiří Čermák") << e.encoding;  // the typed committee
        EXPECT_EQ(
            page_text(pages[2]),
            "3|Members|Jiří Čermák|a|b  c|d|Anna Lach|a|b  c|d|Jan Lyko|a|b  c|d|Łukasz Łyżwa|ul. Długa 5|"
            "Łódź  90-001|555|")
            << e.encoding;
        for (const PdfText& t : pages[3].texts) {
            EXPECT_TRUE(t.embedded && t.encoding == "Identity-H") << t.font << " " << t.text;
        }
        expect_texts_inside(pages[3], false, e.encoding);
        EXPECT_EQ(command_output("pdftotext -l 4 '" + dir.file("standard.pdf") + "' - 2>&1").find("Warning"),
                  std::string::npos);
    }
    // Every script with a font here; Cherokee has none. Hebrew reads from the right: its
    // lines are drawn in display order, ending at the card's right inset, a number in them
    // on their left; a Latin line with a Hebrew word stays at the left. Pointed Hebrew's
    // points sit where the font puts them.
    TempDir dir;
    dir.write("members.csv",
              HEADER +
                  "Member,Νίκος,Παπαδόπουλος,a,b,c,d\nMember,Олена,Шевченко,a,b,c,d\n"
                  "Member,Văn An,Nguyễn,a,b,c,d\nMember,小华,王,a,b,c,d\nMember,David,כהן,a,b,c,d\n"
                  "Member,민준,김,a,b,c,d\nMember,Jose\xCC\x81,Nu\xCC\x81n\xCC\x83"
                  "ez,a,b,c,d\nMember,שרה,לוי,רחוב הרצל 12,b,c,d\nMember,አበበ,ቢቂላ,a,b,c,d\n"
                  "Member,Աննա,Սարգսյան,a,b,c,d\nMember,ნინო,ბერიძე,a,b,c,d\nMember,ᏣᎳᎩ,Smith,a,b,c,d\n"
                  "Member,سلامة,علي,a,b,c,d\nMember,דָּוִד,כֹּהֵן,a,b,c,d\nMember,प्रिया,शर्मा,a,b,c,d\nMember,সুমন,"
                  "দাস,a,b,c,d\n"
                  "Member,அருண்,குமார்,a,b,c,d\nMember,สมชาย,ใจดี,a,b,c,d\nMember,សុខា,ចាន់,a,b,c,d\n"
                  "Member,శ్రీనివాస్,రెడ్డి,a,b,c,d\nMember,ಸುಧೀರ್,ಕುಮಾರ್,a,b,c,d\nMember,ലക്ഷ്മി,നായർ,a,b,c,d\n"
                  "Member,કિશન,પટેલ,a,b,c,d\nMember,ਹਰਪ੍ਰੀਤ,ਸਿੰਘ,a,b,c,d\nMember,ପ୍ରିୟଙ୍କା,ମିଶ୍ର,a,b,c,d\n"
                  "Member,කුමාර,පෙරේරා,a,b,c,d\nMember,ສົມພອນ,ວົງສາ,a,b,c,d\nMember,အောင်,ကျော်,a,b,c,d\n"
                  "Member,བསོད་ནམས,རྡོ་རྗེ,a,b,c,d\nMember,އަޙްމަދު,ރަޝީދު,a,b,c,d\nMember,ᐊᓯᐊᕐᔪᒃ,ᖃᓪᓗᓈᖅ,a,b,c,d\n");
    RunResult run = run_in(dir);
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(run.err, NO_SETTINGS +
                           "Warning: members.csv line 13: 'ᏣᎳᎩ' has characters no font here can print "
                           "('Ꮳ' U+13E3 needs a font for the Cherokee script)\n");
    const std::vector<PdfPage> pages = read_pdf(dir.file("standard.pdf"));
    std::string shown;
    for (const PdfPage& page : pages) shown += page_text(page);
    for (const char* drawn : {"Văn An Nguyễn", "David |", "|12|", "민준 김", "小华 王", "አበበ ቢቂላ",
                              "Աննա Սարգսյան", "ნინო ბერიძე", "José Núñez", "??? Smith", "ᐊᓯᐊᕐᔪᒃ ᖃᓪᓗᓈᖅ"}) {
        EXPECT_NE(shown.find(drawn), std::string::npos) << drawn << " in " << shown;
    }
    std::string copied = command_output("pdftotext '" + dir.file("standard.pdf") + "' - 2>&1");
    for (const char* mark : {"\u202B", "\u202C", "\u202A"}) {  // poppler's bidi embeddings
        for (size_t at; (at = copied.find(mark)) != std::string::npos;) copied.erase(at, 3);
    }
    for (const char* name :
         {"David כהן", "שרה לוי", "רחוב הרצל", "민준 김", "አበበ ቢቂላ", "Աննա Սարգսյան", "ნინო ბერიძე",
          "سلامة علي", "प्रिया शर्मा", "সুমন দাস", "அருண் குமார்", "สมชาย ใจดี", "សុខា ចាន់"}) {
        EXPECT_NE(copied.find(name), std::string::npos) << name << " in " << copied;
    }
    // The scripts that need shaping are drawn glyph by glyph as HarfBuzz shapes them.
    std::vector<std::string> drawn;
    for (const PdfPage& page : pages) {
        for (const std::string& run : drawn_glyph_runs(page)) drawn.push_back(run);
    }
    std::vector<std::string> shaped;
    for (auto [font, name] : {std::pair{"NotoSansArabic-Bold", "سلامة علي"},
                              {"NotoSansHebrew-Bold", "כהן"},
                              {"NotoSansHebrew-Bold", "שרה לוי"},
                              {"NotoSansHebrew-Regular", "רחוב הרצל "},
                              {"NotoSansHebrew-Bold", "דָּוִד כֹּהֵן"},
                              {"NotoSansDevanagari-Bold", "प्रिया शर्मा"},
                              {"NotoSansBengali-Bold", "সুমন দাস"},
                              {"NotoSansTamil-Bold", "அருண் குமார்"},
                              {"NotoSansThai-Bold", "สมชาย ใจดี"},
                              {"NotoSansKhmer-Bold", "សុខា ចាន់"},
                              {"NotoSansTelugu-Bold", "శ్రీనివాస్ రెడ్డి"},
                              {"NotoSansKannada-Bold", "ಸುಧೀರ್ ಕುಮಾರ್"},
                              {"NotoSansMalayalam-Bold", "ലക്ഷ്മി നായർ"},
                              {"NotoSansGujarati-Bold", "કિશન પટેલ"},
                              {"NotoSansGurmukhi-Bold", "ਹਰਪ੍ਰੀਤ ਸਿੰਘ"},
                              {"NotoSansOriya-Bold", "ପ୍ରିୟଙ୍କା ମିଶ୍ର"},
                              {"NotoSansSinhala-Bold", "කුමාර පෙරේරා"},
                              {"NotoSansLao-Bold", "ສົມພອນ ວົງສາ"},
                              {"NotoSansMyanmar-Bold", "အောင် ကျော်"},
                              {"NotoSerifTibetan-Bold", "བསོད་ནམས རྡོ་རྗེ"},
                              {"NotoSansThaana-Bold", "އަޙްމަދު ރަޝީދު"}}) {
        shaped.push_back(harfbuzz_glyph_run(font, name));
    }
    std::sort(drawn.begin(), drawn.end());
    std::sort(shaped.begin(), shaped.end());
    EXPECT_EQ(drawn, shaped);
    for (const PdfPage& page : pages) {
        for (const PdfText& t : page.texts) {
            const PdfRect* card = enclosing_outline(page, t);
            if (t.text == "12") {  // on the left of the line's Hebrew, which starts where it ends
                float hebrew = card->x + card->width;
                for (const PdfText& u : page.texts) {
                    if (u.y == t.y && &u != &t && enclosing_outline(page, u) == card)
                        hebrew = std::min(hebrew, u.x);
                }
                EXPECT_NEAR(hebrew, t.x + measured_width(t), 0.01f) << t.text;
                EXPECT_GT(t.x, card->x + card->width / 2) << t.text;
            } else if (t.text == "David ") {
                EXPECT_NEAR(t.x, card->x + 4.0f, 0.01f) << t.text;
            } else if (t.text == "민준 김") {
                // Hangul has a bold of its own: the name line is NanumGothic Bold, not outlined.
                EXPECT_EQ(t.font.substr(7) + " " + std::to_string(t.outline),
                          "NanumGothicBold,Bold 0.000000");
            }
        }
    }
    // Family first, a Chinese name has no blank, a Japanese one keeps it; a character beyond the
    // first plane prints from HanaMinB, which only the command line has.
    TempDir china;
    china.write("roster.sdd", "Name Order: Family First\n");
    china.write("members.csv", "role,first,last\nMember,小华,王\nMember,太郎,𠮷田\n");
    run = run_tool(ROSTERBOOK_BINARY, china.path, {.command_line_only = true});
    ASSERT_EQ(run.status, 0) << run.err;
    const std::string chinese =
        command_output("pdftotext -f 3 -l 3 '" + china.file("standard.pdf") + "' - 2>&1");
    for (const char* name : {"\n王小华\n", "\n𠮷田 太郎\n"})
        EXPECT_NE(chinese.find(name), std::string::npos) << name << " in " << chinese;
    // A Japanese club: its own headings, family name first, in the order of the names' readings
    // (イ, ス, ヤ; by the kanji alone 山田 would come before 鈴木), the reading not printed.
    TempDir japan;
    japan.write("roster.sdd", "Name Order: Family First\nSort Language: ja\n");
    japan.write("members.csv",
                "役割,名,姓,フリガナ,住所,電話\nMember,太郎,山田,ヤマダ タロウ,東京,03\n"
                "Member,花子,鈴木,スズキ ハナコ,大阪,06\nMember,一郎,伊藤,イトウ イチロウ,京都,075\n");
    run = run_in(japan);
    ASSERT_EQ(run.status, 0) << run.err;
    const PdfPage members = read_pdf(japan.file("standard.pdf"))[2];
    EXPECT_EQ(page_text(members), "3|Members|伊藤 一郎|京都|075|鈴木 花子|大阪|06|山田 太郎|東京|03|");
    // The bold name lines in the one-weight CJK font are outlined in their own black; the
    // details are not, nor is the heading in Liberation Sans Bold.
    for (const PdfText& t : members.texts) {
        const bool name = t.text.find(' ') != std::string::npos;
        EXPECT_FLOAT_EQ(t.outline, name ? 8.5f * 0.04f : 0.0f) << t.text;
        EXPECT_EQ(t.outline_colour.red + t.outline_colour.green + t.outline_colour.blue, 0.0f) << t.text;
    }
}

// What a reader searches for in a club's PDFs: each name, address and e-mail of `rows`
// (Role,First Name,Last Name,Address,City,Zip,Phone,Email), one to a line.
std::string searched_texts(const std::string& rows) {
    std::string expected;
    std::istringstream lines(rows);
    for (std::string row; std::getline(lines, row);) {
        std::vector<std::string> cells;
        std::istringstream cut(row);
        for (std::string cell; std::getline(cut, cell, ',');) cells.push_back(cell);
        expected += cells[1] + " " + cells[2] + "\n" + cells[3] + "\n" + cells[7] + "\n";
    }
    return expected;
}

// Every line of `expected` comes back from dir's standard.pdf in MuPDF and pypdf, and all but
// `poppler_misses` in pdftotext. Written after the run, so the web page's comparison of the run's
// folder does not take it for the run's output.
void expect_copied(const TempDir& dir, const std::string& expected, const char* poppler_misses,
                   const char* what) {
    dir.write("expected.txt", expected);
    for (const char* extractor : {"pdftotext", "mutool", "pypdf"}) {
        EXPECT_EQ(extraction_misses(extractor, dir.file("standard.pdf"), dir.file("expected.txt")),
                  extractor == std::string("pdftotext") ? poppler_misses : "")
            << extractor << " " << what;
    }
}

// Clubs whose scripts are shaped give back every name, address and e-mail as typed in three
// text extractors (clubs-by-script.csv: two members each, with pre-base vowels, split vowels,
// conjuncts and stacked marks). What one extractor cannot give back is listed, with why.
TEST(Rosterbook, ShapedClubsCopyAsTyped) {
    // The left-to-right clubs in one list (their Sort Language changes no glyph), Thaana's apart.
    std::string left_to_right, thaana;
    std::istringstream file(TempDir::read_path(std::string(SHEETS_DIR) + "/../clubs-by-script.csv"));
    std::string line;
    std::getline(file, line);  // the headings
    while (std::getline(file, line))
        (line.rfind("dv,", 0) == 0 ? thaana : left_to_right) += line.substr(3) + "\n";
    const struct {
        const std::string& listed;
        const char* settings;
        const char* poppler_misses;  // poppler puts Thaana's vowel signs before their letters
    } cases[] = {
        {left_to_right, "", ""},
        {thaana, "Direction: Right to Left\nBinding: Right\n",
         "އަޙްމަދު ރަޝީދު\nމަޖީދީ މަގު 10\nޢާއިޝަތު ނަސީމާ\nބޮޑުތަކުރުފާނު މަގު 4\n"},
    };
    for (const auto& c : cases) {
        TempDir dir;
        dir.write("roster.sdd", c.settings);
        dir.write("members.csv", "Role,First Name,Last Name,Address,City,Zip,Phone,Email\n" + c.listed);
        const RunResult run = run_in(dir);
        ASSERT_EQ(run.status, 0) << c.settings << run.err;
        EXPECT_EQ(run.err, "") << c.settings;
        expect_copied(dir, searched_texts(c.listed), c.poppler_misses, c.settings);
    }
}

// Right-to-left clubs read from the right: the report says why, a left-bound booklet gets a
// word on Binding, the card grid fills from the right, headings end at the right margin, the
// index has its page numbers on the left and an Arabic comma, and every name, address and
// e-mail copies as written in three text extractors. poppler puts right-to-left lines in
// display order by rules of its own: what it cannot give back is listed.
TEST(Rosterbook, RightToLeftClubsReadFromTheRight) {
    const std::string bound_left =
        "Warning: the pages read from the right, but the booklet is bound on the left: say 'Binding: Right' "
        "in "
        "roster.sdd to fold it to open from the right\n";
    const struct {
        const char* settings;
        std::string rows;  // Role,First Name,Last Name,Address,City,Zip,Phone,Email
        const char* report;
        std::string err;
        const char* poppler_misses;
        const char* order;  // the e-mails as the Members page reads: from the top right
    } cases[] = {
        {"Sort Language: he\n",
         "Member,דָּוִד,כֹּהֵן,רחוב הרצל 12,תל אביב,6100000,03-5550100,david@example.org\n"
         "Member,שָׂרָה,לֵוִי,דירה 4 (קומה 2),חיפה,3100000,04-5550101,sara@example.org\n"
         "Member,Daniel,ברק,שדרות רוטשילד 5,ירושלים,9100000,02-5550102,daniel@example.org\n"
         "Member,אביגיל,פרץ,רחוב בן יהודה 7,תל אביב,6100000,03-5550104,avi@example.org\n",
         "Pages   : right to left (Sort Language: he)\n", bound_left,
         "דָּוִד כֹּהֵן\nשָׂרָה לֵוִי\nדירה 4 (קומה 2)\nDaniel ברק\n", "da da sa av "},
        {"Sort Language: ar\nIndex: On\n",
         "Member,نجلاء,حسن,شارع الملك فهد ١٢,الرياض,11564,011-5550100,najla@example.org\n"
         "Member,محمّد,العلي,حي النخيل ٤,جدة,21442,012-5550101,mo@example.org\n"
         "Member,سلمى,الأحمد,شارع التحلية ٣٠,الرياض,11564,011-5550102,salma@example.org\n",
         "Pages   : right to left (Sort Language: ar)\n", bound_left, "محمّد العلي\nالعلي، محمّد\n",
         "sa mo na "},
        {"Direction: Right to Left\n",
         "Member,مهسا,رضایی,خیابان ولیعصر ۱۲,تهران,1415000,021-5550100,mahsa@example.org\n"
         "Member,علی‌رضا,کریمی,کوچه‌ی گلستان "
         "۴,اصفهان,8100000,031-5550101,ali@example.org\n"
         "Member,نرگس,محمدی,میدان آزادی ۳,شیراز,7100000,071-5550102,narges@example.org\n",
         "Pages   : right to left (Direction: Right to Left)\n", bound_left,
         "علی‌رضا کریمی\nکوچه‌ی گلستان ۴\n", "ma al na "},
        {"Sort Language: ur\nBinding: Right\n",
         "Member,عائشہ,خان,گلبرگ روڈ ۱۲,لاہور,54000,042-5550100,ayesha@example.org\n"
         "Member,عمران,احمد,کلفٹن بلاک ۴,کراچی,75600,021-5550101,imran@example.org\n"
         "Member,فاطمہ,ملک,صدر بازار ۳,راولپنڈی,46000,051-5550102,fatima@example.org\n",
         "Pages   : right to left (Sort Language: ur)\n", "", "", "im ay fa "},
    };
    for (const auto& c : cases) {
        TempDir dir;
        dir.write("roster.sdd", c.settings);
        dir.write("members.csv", "Role,First Name,Last Name,Address,City,Zip,Phone,Email\n" + c.rows);
        const RunResult run = run_in(dir);
        ASSERT_EQ(run.status, 0) << c.settings << run.err;
        EXPECT_EQ(run.err, c.err) << c.settings;
        EXPECT_NE(run.out.find(c.report), std::string::npos) << c.settings << run.out;
        // What a reader searches for: each name, address and e-mail (and the index's lines).
        std::string expected = searched_texts(c.rows);
        if (std::string(c.settings).find("Index") != std::string::npos) expected += "العلي، محمّد\n";
        expect_copied(dir, expected, c.poppler_misses, c.settings);
        const std::vector<PdfPage> pages = read_pdf(dir.file("standard.pdf"));
        // The Members page: its heading ends at the right margin (the page number at the left),
        // its cards read from the top right.
        const PdfPage& members = pages.at(2);
        float folio = 0;
        std::map<std::pair<float, float>, std::string> emails;  // by row from the top, then from the right
        for (const PdfText& t : members.texts) {
            if (t.size == 7.5f) {  // the page number, drawn first
                folio = t.x;
            } else if (t.text == "Members") {  // 8 pt left of page 3's number, at the margin when bound right
                EXPECT_NEAR(t.x + measured_width(t), folio > 306 ? folio - 8 : 584, 0.01f) << c.settings;
            } else if (t.text.find('@') != std::string::npos) {
                emails[{-t.y, -t.x}] = t.text.substr(0, 2);
            }
        }
        std::string order;
        for (const auto& [place, email] : emails) order += email + " ";
        EXPECT_EQ(order, c.order) << c.settings;
        // Bound on the right, a reader shows two pages side by side from the right.
        const bool right_bound = std::string(c.settings).find("Binding: Right") != std::string::npos;
        EXPECT_EQ(pdf_file_facts(dir.file("standard.pdf")),
                  std::string("1.7 ID=2 << ") + (right_bound ? "/Direction /R2L " : "") +
                      "/Duplex /DuplexFlipLongEdge /PrintScaling /None >>")
            << c.settings;
        // The index: each page number left of its name.
        if (std::string(c.settings).find("Index") == std::string::npos) continue;
        int numbered = 0;
        for (const PdfText& number : pages.at(3).texts) {
            if (number.text != "3" || number.font.find("LiberationSans") == std::string::npos) continue;
            for (const PdfText& t : pages.at(3).texts) {
                if (t.y != number.y || t.font.find("Arabic") == std::string::npos) continue;
                EXPECT_GT(t.x, number.x + 20) << t.font;
                ++numbered;
            }
        }
        EXPECT_GT(numbered, 10);
    }
}

TEST(Rosterbook, DamagedImagesEndTheRunCleanly) {
    PngShape shape;
    shape.width = 64;
    shape.height = 64;
    const struct {
        const char* name;
        std::function<void(const std::string&)> make;
        const char* reason;
    } errors[] = {
        {"cover.png", [](const std::string& path) { write_file(path, "this is not a picture\n"); },
         "not a picture file; save it as PNG or JPEG"},
        {"cover.png", [](const std::string& path) { write_file(path, "GIF89a\x01\x00\x01\x00"); },
         "a GIF image; save it as PNG or JPEG"},
        {"schedule.png", [](const std::string& path) { write_file(path, "%PDF-1.7\n"); },
         "a PDF file; save it as PNG or JPEG"},
        {"committee.png",  // an iPhone photo renamed, cut short
         [](const std::string& path) {
             write_phone_picture(path, {64, 64}, PHONE_HEIC);
             truncate_file(path, std::filesystem::file_size(path) - 40);
         },
         "damaged HEIC data"},
        {"schedule.png",  // a picture saved from a web page, damaged
         [](const std::string& path) {
             write_phone_picture(path, {64, 64}, PHONE_WEBP);
             truncate_file(path, 60);
         },
         "damaged WebP data"},
        {"committee.png",
         [&](const std::string& path) {
             write_png(path, shape);
             truncate_file(path, 200);
         },
         "Read Error"},
        {"schedule.png",
         [&](const std::string& path) {
             write_png(path, shape);
             patch_png_chunk(path, "IDAT", 10, false);
         },
         "IDAT: invalid code lengths set"},
        {"cover.png",
         [&](const std::string& path) {
             write_png(path, shape);
             patch_png_chunk(path, "IDAT", -1, true);
         },
         "IDAT: CRC error"},
        {"schedule.png",
         [&](const std::string& path) {
             write_png(path, shape);
             set_png_size(path, 40000, 25001);
         },
         "image too large: 1000 megapixels, at most 1000"},
        {"cover.png", [](const std::string& path) { mkfifo(path.c_str(), 0600); }, "not a regular file"},
        {"committee.png", [](const std::string& path) { std::filesystem::create_directory(path); },
         "not a regular file"},
        {"cover.png",  // a JPEG, whatever its name, cut short
         [](const std::string& path) {
             write_jpeg(path, {64, 64});
             truncate_file(path, 300);
         },
         "Premature end of JPEG file"},
    };
    for (const auto& e : errors) {
        TempDir dir;
        dir.write("roster.sdd", "");
        dir.write("members.csv", HEADER + "Member,Ann,Lee,a,b,c,d\n");
        e.make(dir.file(e.name));
        RunResult run = run_in(dir);
        EXPECT_EQ(run.status, 1) << e.reason;
        EXPECT_EQ(run.err, std::string("Error: ") + e.name + ": " + e.reason + "\n");
        std::string expected_listing = std::string(e.name) == "schedule.png"
                                           ? "members.csv roster.sdd schedule.png "
                                           : std::string(e.name) + " members.csv roster.sdd ";
        EXPECT_EQ(folder_listing(dir), expected_listing) << e.reason;
    }
}

TEST(Rosterbook, FailedSaveKeepsThePreviousFile) {
    TempDir dir;
    dir.write("roster.sdd", "");
    dir.write("members.csv", HEADER + "Member,Ann,Lee,a,b,c,d\n");
    dir.write("booklet.pdf", "last season's booklet");
    // Every file the run writes stops at 1000 bytes, as on a full disk: the write fails,
    // or, with SIGXFSZ not ignored, the signal ends the run.
    RunResult run = run_tool(ROSTERBOOK_BINARY, dir.path, {1000});
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(run.err, "Error: cannot write booklet.pdf: File too large\n");
    EXPECT_EQ(dir.read("booklet.pdf"), "last season's booklet");
    EXPECT_EQ(folder_listing(dir), "booklet.pdf members.csv roster.sdd ");
    run = run_tool(ROSTERBOOK_BINARY, dir.path, {1000, false});
    EXPECT_EQ(run.status, 128 + SIGXFSZ);
    EXPECT_EQ(dir.read("booklet.pdf"), "last season's booklet");
    EXPECT_EQ(folder_listing(dir), "booklet.pdf members.csv roster.sdd ");

    run = run_in(dir);
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(read_pdf(dir.file("booklet.pdf")).size(), 2u);  // one sheet: Ann's section and three more pages
    EXPECT_EQ(folder_listing(dir), "booklet.pdf members.csv roster.sdd standard.pdf ");
}

// A run killed while it saves a large picture removes its temporary file.
TEST(Rosterbook, KilledSaveLeavesNoTemporaryFile) {
    TempDir dir;
    dir.write("roster.sdd", "");
    dir.write("members.csv", HEADER + "Member,Ann,Lee,a,b,c,d\n");
    dir.write("booklet.pdf", "last season's booklet");
    write_rgb_png(dir.file("cover.png"), 3000, 3000);
    StartedTool started = start_tool(ROSTERBOOK_BINARY, dir.path);
    const std::string temp_name = "booklet.pdf." + std::to_string(started.pid) + ".tmp";
    for (int i = 0; i < 20000 && !dir.exists(temp_name); ++i) usleep(500);
    ASSERT_TRUE(dir.exists(temp_name)) << "the save never started";
    kill(started.pid, SIGTERM);
    RunResult run = finish_tool(&started);
    EXPECT_EQ(run.status, 128 + SIGTERM);
    EXPECT_EQ(dir.read("booklet.pdf"), "last season's booklet");
    EXPECT_EQ(folder_listing(dir), "booklet.pdf cover.png members.csv roster.sdd ");
}

// Each output named like an input or like the other output stops the run before anything is written.
TEST(Rosterbook, OutputsNeverOverwriteInputs) {
    const struct {
        std::string settings;
        std::string err;
        std::string warning = "";
    } errors[] = {
        {"Booklet PDF: members.csv", "Booklet PDF 'members.csv' is also the member list"},
        {"Standard PDF: ./members.csv", "Standard PDF './members.csv' is also the member list"},
        {"Booklet PDF: roster.sdd", "Booklet PDF 'roster.sdd' is also the settings file"},
        {"Standard PDF: sub/../roster.sdd", "Standard PDF 'sub/../roster.sdd' is also the settings file"},
        {"Booklet PDF: cover.png", "Booklet PDF 'cover.png' is also the cover image"},
        {"Standard PDF: cover.png", "Standard PDF 'cover.png' is also the cover image"},
        {"Committee Image: board.png\nBooklet PDF: board.png",
         "Booklet PDF 'board.png' is also the committee image"},
        {"Standard PDF: committee.png", "Standard PDF 'committee.png' is also the committee image"},
        {"Booklet PDF: schedule.png",
         "Booklet PDF 'schedule.png' is also the schedule image"},  // absent file
        {"Schedule Image: dates.png\nStandard PDF: ./dates.png",
         "Standard PDF './dates.png' is also the schedule image",
         "Warning: dates.png not found, its page shows a placeholder\n"},
        {"Booklet PDF: out.pdf\nStandard PDF: ./sub/../out.pdf",
         "Standard PDF './sub/../out.pdf' is also the Booklet PDF"},
        {"Booklet PDF: link.csv", "Booklet PDF 'link.csv' is also the member list"},  // a symbolic link
        {"Labels PDF: ./standard.pdf", "Labels PDF './standard.pdf' is also the Standard PDF"},
        {"Last Season: old.csv\nChanges: old.csv", "Changes 'old.csv' is also last season's member list"},
        {"Email List: x.txt\nContacts File: ./x.txt", "Contacts File './x.txt' is also the Email List"},
    };
    for (const auto& e : errors) {
        TempDir dir;
        const std::string members = HEADER + "Member,Ann,Lee,a,b,c,d\n";
        dir.write("roster.sdd", e.settings + "\n");
        dir.write("members.csv", members);
        std::filesystem::create_directory(dir.file("sub"));
        std::filesystem::create_symlink("members.csv", dir.file("link.csv"));
        write_rgb_png(dir.file("cover.png"), 8, 8);
        write_rgb_png(dir.file("committee.png"), 8, 8);
        write_rgb_png(dir.file("board.png"), 8, 8);
        const std::string cover = dir.read("cover.png");
        RunResult run = run_in(dir);
        EXPECT_EQ(run.status, 1) << e.settings;
        EXPECT_EQ(run.err, e.warning + "Error: roster.sdd: " + e.err + ": choose another file name\n")
            << e.settings;
        EXPECT_EQ(dir.read("members.csv"), members) << e.settings;
        EXPECT_EQ(dir.read("roster.sdd"), e.settings + "\n") << e.settings;
        EXPECT_EQ(dir.read("cover.png"), cover) << e.settings;
        EXPECT_EQ(folder_listing(dir),
                  "board.png committee.png cover.png link.csv members.csv roster.sdd sub ")
            << e.settings;
    }
}

TEST(Rosterbook, OutputPathThatIsAFolder) {
    TempDir dir;
    dir.write("roster.sdd", "Standard PDF: out\n");
    dir.write("members.csv", HEADER + "Member,Ann,Lee,a,b,c,d\n");
    std::filesystem::create_directory(dir.file("out"));
    RunResult run = run_in(dir);
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(run.err, "Error: cannot write out: Is a directory\n");
    EXPECT_EQ(run.out.find("Standard:"), std::string::npos);
    EXPECT_EQ(folder_listing(dir), "booklet.pdf members.csv out roster.sdd ");
}

// Every text of every page of both PDFs ends inside its card, its frame or its half sheet.
void expect_all_texts_inside(const TempDir& dir, const std::string& what) {
    for (bool booklet : {true, false}) {
        std::vector<PdfPage> pages = read_pdf(dir.file(booklet ? "booklet.pdf" : "standard.pdf"));
        for (size_t i = 0; i < pages.size(); ++i) {
            expect_texts_inside(
                pages[i], booklet,
                what + (booklet ? " booklet side " : " standard page ") + std::to_string(i + 1));
        }
    }
}

const char* LONG_NAME = "Christopher Alexander,Vanderwoodsen-Montgomery III";
const std::string LONG_NOTE =
    "Joined 1987; past president; runs the Tuesday lessons and the summer picnic every year";

// A club name across the fold, over-long names, notes and e-mail addresses, and more
// callers and cuers than one page holds (they go on to the next page).
TEST(Rosterbook, OverLongTextStaysInsideItsBox) {
    TempDir dir;
    dir.write("roster.sdd", "Title:\nThe Riverside Squares Dance Club of Oregon\nRoster\n\nSubtitle:\n" +
                                std::string(60, 'W') +
                                " Square & Round Dance Club, Riverside County, Oregon, since 1962\n\n");
    std::string csv = HEADER + "Member," + LONG_NAME +
                      ",\"Riverside Village, 12345 North Bayshore Boulevard\",Town,97401,555-1,," +
                      "christopher.vanderwoodsen-montgomery@riverside-squares.org," + LONG_NOTE + "\n";
    for (int i = 0; i < 14; ++i) csv += "Caller,C" + std::to_string(10 + i) + ",Caller,a,b,c,d\n";
    for (int i = 0; i < 10; ++i) csv += "Cuer,Q" + std::to_string(10 + i) + ",Cuer,a,b,c,d\n";
    dir.write("members.csv", csv);
    RunResult run = run_in(dir);
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(
        run.err,
        "roster.conf: title line 1 is too wide for the cover, printed at 16.2 pt\n"
        "roster.conf: subtitle line 1 is too wide for the cover, cut to fit\n"
        "Warning: members.csv line 2: card line 2 of Christopher Alexander Vanderwoodsen-Montgomery III "
        "is too long, printed at 7.1 pt\n"
        "Warning: members.csv line 2 (Christopher Alexander Vanderwoodsen-Montgomery III): Name is cut to "
        "'Christopher Alexander Vanderwoodsen-Montgom…' on the card\n"
        "Warning: members.csv line 2 (Christopher Alexander Vanderwoodsen-Montgomery III): email is cut to "
        "'christopher.vanderwoodsen-montgomery@riverside-squar…' on the card\n"
        "Warning: members.csv line 2 (Christopher Alexander Vanderwoodsen-Montgomery III): note is cut to "
        "'Joined 1987; past president; runs the Tuesday lessons an…' on the card\n");
    expect_all_texts_inside(dir, "over-long roster");
    // A cut ends after a whole letter with its vowel sign ("भो", never "भ" alone), and never inside a
    // number. The Hindi card has no free line for the rest of its name.
    const std::string name = "शिवाजीराव छत्रपति भोसले महाराज कार्तिक शिवाजी भोसले भोसले भोसले शर्मा";
    TempDir cut;
    cut.write("members.csv",
              HEADER + "Member," + name.substr(0, name.rfind(' ')) +
                  ",शर्मा,12 Main St,Pune,411001,555-0100,555-0101,a@example.org,note\n"
                  "Member,Ann,Able,a,b,c,d,,,Joined 1987; past president; runs the Tuesday lessons "
                  "and the summer dances every year 2015201620172018\n");
    run = run_in(cut);
    EXPECT_EQ(run.err,
              NO_SETTINGS + "Warning: members.csv line 2 (" + name + "): Name is cut to '" +
                  name.substr(0, name.find(" भोसले भोसले") + 16) +
                  "…' on the card\nWarning: members.csv line 3 (Ann Able): note is cut to 'Joined 1987; past "
                  "president; runs the Tuesday lessons and the summer dances every year…' on the card\n");
}

// Nobody is left out and nothing is cut short: 5,000 members all print, a couple's two
// phones and a Japanese address go on to the card's free lines, whole.
TEST(Rosterbook, EveryoneWholeInALongList) {
    TempDir dir;
    std::string csv = HEADER +
                      "Member,Bob & Carol,Smith,12 Oak St,\"Salem, OR\",97301,"
                      "503-555-0199 (Bob) / 503-555-0198 (Carol),503-555-0101 (evenings; not Sunday),,\n"
                      "Member,太郎,山田,東京都千代田区丸の内一丁目9番2号 グラントウキョウサウスタワー 15階,"
                      "千代田区,100-6915,03-1234-5678,,,\n";
    for (int i = 0; i < 5000; ++i)
        csv += "Member,Given" + std::to_string(i) + ",Family" + std::to_string(i) + ",a,b,c,d\n";
    dir.write("members.csv", csv);
    RunResult run = run_in(dir);
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(run.err,
              NO_SETTINGS +
                  "Note: the booklet takes 91 sheets, more than a stapler goes through (20): print "
                  "standard.pdf on both sides and bind it, or send the Print Shop PDF to a shop that "
                  "binds it\n");
    EXPECT_NE(run.out.find("Members : 0 Caller(s), 0 Cuer(s), 5002 Member(s), 0 New Dancer(s)\n"),
              std::string::npos);
    // Every name as two words in a row of the text pdftotext reads off the pages.
    std::istringstream text(command_output("pdftotext " + dir.file("standard.pdf") + " - 2>/dev/null"));
    std::set<std::string> pairs;
    std::string all, joined, previous;
    for (std::string word; text >> word; previous = word) {
        pairs.insert(previous + " " + word);
        all += word + " ";
        joined += word;
    }
    for (int i = 0; i < 5000; ++i) {
        const std::string name = "Given" + std::to_string(i) + " Family" + std::to_string(i);
        ASSERT_EQ(pairs.count(name), 1u) << name;
    }
    for (const char* whole :
         {"503-555-0199 (Bob) / 503-555-0198 (Carol)", "503-555-0101 (evenings; not Sunday)"})
        EXPECT_NE(all.find(whole), std::string::npos) << whole;
    // Japanese breaks between characters, without blanks.
    EXPECT_NE(joined.find("東京都千代田区丸の内一丁目9番2号グラントウキョウサウスタワー15階"),
              std::string::npos);
}

// The sample club with its typed pages, then with pictures in their place.
TEST(Rosterbook, SampleClubAndAFullRosterStayInsideTheirBoxes) {
    TempDir sample;
    for (const char* name : {"roster.sdd", "members.csv", "members-2025.csv", "cover.png", "photos"}) {
        std::filesystem::copy(std::string(EXAMPLES_DIR) + "/" + name, sample.file(name),
                              std::filesystem::copy_options::recursive);
    }
    RunResult run = run_in(sample);
    ASSERT_EQ(run.status, 0) << run.err;
    // Beside the photos a card has less room: a household's emails, each on a line of its own,
    // print smaller but whole.
    const std::string photo_warnings =
        "Warning: 3 photo(s) in photos/ not printed: Castillo, Linda.jpg (the card of Leonard & Linda "
        "Castillo shows Leonard Castillo.jpg), Joan Abbott.jpg (the card of Alice (Caller) & Joan Abbott "
        "shows Alice Abbott.jpg), dalton_peter.jpg (the card of Clara & Peter Dalton shows "
        "dalton_clara.jpg)\n"
        "Warning: 7 card(s) have no photo in photos/ and show initials: Dennis Vasquez, S\xC3\xB8ren "
        "\xC3\x85"
        "berg, Fran\xC3\xA7ois Lef\xC3\xA8vre, Quinn MacPherson, Gwen ZIMMERMAN and 2 more (all in "
        "rosterbook-notes.txt)\n"
        "Note: 17 card line(s) beside the photos print smaller than 8 pt, down to 6.1 pt\n";
    EXPECT_EQ(run.err, photo_warnings);
    expect_all_texts_inside(sample, "sample club");
    std::vector<PdfPage> standard = read_pdf(sample.file("standard.pdf"));
    EXPECT_EQ(standard[1].texts.at(0).text, "2");
    EXPECT_EQ(standard[1].texts.at(1).text, "Club Committee");
    EXPECT_TRUE(standard[1].images.empty());
    for (const char* name : {"committee.png", "schedule.png"})
        std::filesystem::copy_file(std::string(EXAMPLES_DIR) + "/../pictures/" + name, sample.file(name));
    run = run_in(sample);
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(
        run.err,
        "Warning: committee.png exists, the Committee block is not printed\n"
        "Warning: schedule.png exists, the Schedule block is not printed\n" +
            photo_warnings +
            "Warning: committee.png prints at 110 ppi in standard.pdf; 150 or more looks sharp (a larger "
            "picture, or type the page as text)\n"
            "Warning: schedule.png prints at 110 ppi in standard.pdf; 150 or more looks sharp (a larger "
            "picture, or type the page as text)\n");
    standard = read_pdf(sample.file("standard.pdf"));
    EXPECT_EQ(standard[1].images.size(), 1u);
    EXPECT_TRUE(standard[1].texts.empty());

    // 512 people with every field at its longest, in the widest letters.
    TempDir full;
    std::string csv = HEADER;
    const char* roles[4] = {"Caller", "Cuer", "Member", "New Dancer"};
    for (int i = 0; i < 512; ++i) {
        csv += std::string(roles[i % 13 == 0 ? i % 2 : 2 + i % 2]) + "," + std::string(63, 'W') + "," +
               std::string(63, 'M') + "," + std::string(127, 'W') + "," + std::string(63, 'W') + "," +
               std::string(15, 'W') + "," + std::string(31, 'W') + "," + std::string(31, 'W') + "," +
               std::string(127, 'W') + "," + std::string(127, 'W') + "\n";
    }
    full.write("members.csv", csv);
    run = run_in(full);
    ASSERT_EQ(run.status, 0) << run.err.substr(0, 500);
    expect_all_texts_inside(full, "512 members");
}

// Everything a page draws except the pixels of its images: texts, rectangles, lines and
// where each image goes.
std::string drawing(const PdfPage& page) {
    std::string result = describe_texts(page);
    char item[160];
    for (const PdfRect& r : page.rects) {
        snprintf(item, sizeof item, "rect %g %g %g %g %d\n", r.x, r.y, r.width, r.height, r.filled);
        result += item;
    }
    for (const PdfLine& l : page.lines) {
        snprintf(item, sizeof item, "line %g %g %g %g\n", l.x1, l.y1, l.x2, l.y2);
        result += item;
    }
    for (const PdfImage& i : page.images) {
        snprintf(item, sizeof item, "image %g %g %g %g\n", i.x, i.y, i.drawn_width, i.drawn_height);
        result += item;
    }
    return result;
}

// A 3000 x 2000 cover is 545 ppi on the booklet's cover (reduced to 300 ppi) and 353 ppi on
// the standard one (left as it is); "Full" keeps both. Embedded fonts move no text.
TEST(Rosterbook, PrintReadyImagesAndFonts) {
    const struct {
        const char* settings;
        int booklet_cover_width;
    } runs[] = {
        {"", 1650},
        {"Image Resolution: Full\n", 3000},
        {"Fonts: Embedded\n", 1650},
    };
    std::vector<PdfPage> first[2];
    for (const auto& r : runs) {
        TempDir dir;
        dir.write("roster.sdd", std::string("Title:\nRiverside\nSquares\n\n") + r.settings);
        dir.write("members.csv",
                  HEADER + "Caller,Cal,Lee,1 Main St,Town,97401,555-1\nMember,Ann,Ray,a,b,c,d\n");
        write_rgb_png(dir.file("cover.png"), 3000, 2000);
        RunResult run = run_in(dir);
        ASSERT_EQ(run.status, 0) << run.err;
        EXPECT_EQ(run.err, "") << r.settings;
        for (int document = 0; document < 2; ++document) {
            const std::string path = dir.file(document == 0 ? "booklet.pdf" : "standard.pdf");
            EXPECT_EQ(pdf_info(path, "/Title"), "Riverside Squares") << path;
            EXPECT_EQ(pdf_info(path, "/Creator"), "rosterbook " ROSTERBOOK_VERSION) << path;
            EXPECT_EQ(pdf_info(path, "/CreationDate").substr(0, 4), "D:20") << path;
            EXPECT_EQ(pdf_info(path, "/ModDate"), pdf_info(path, "/CreationDate")) << path;
            // The print dialog starts right: the booklet turns on its short edge.
            EXPECT_EQ(pdf_file_facts(path),
                      document == 0 ? "1.7 ID=2 << /Duplex /DuplexFlipShortEdge /PrintScaling /None >>"
                                    : "1.7 ID=2 << /Duplex /DuplexFlipLongEdge /PrintScaling /None >>")
                << path;
            std::vector<PdfPage> pages = read_pdf(path);
            const PdfImage& cover = pages[0].images.at(0);
            EXPECT_EQ(cover.width, document == 0 ? r.booklet_cover_width : 3000) << r.settings << path;
            const bool embedded = std::string(r.settings).find("Embedded") != std::string::npos;
            if (first[document].empty()) {
                first[document] = pages;
                continue;
            }
            // The standard cover is below 450 ppi: its stream is the same whatever the resolution.
            if (document == 1) {
                EXPECT_EQ(cover.raw_data, first[1][0].images.at(0).raw_data) << r.settings;
            }
            ASSERT_EQ(pages.size(), first[document].size());
            for (size_t i = 0; i < pages.size(); ++i) {
                if (!embedded) {
                    EXPECT_EQ(drawing(pages[i]), drawing(first[document][i])) << r.settings << " page " << i;
                    continue;
                }
                ASSERT_EQ(pages[i].texts.size(), first[document][i].texts.size());
                for (size_t t = 0; t < pages[i].texts.size(); ++t) {
                    const PdfText &text = pages[i].texts[t], &standard = first[document][i].texts[t];
                    EXPECT_TRUE(text.embedded) << text.text;
                    EXPECT_FALSE(standard.embedded) << standard.text;
                    EXPECT_NE(text.font.find("LiberationSans"), std::string::npos) << text.font;
                    EXPECT_EQ(text.text, standard.text);
                    EXPECT_NEAR(text.x, standard.x, 0.5) << text.text;
                    EXPECT_EQ(text.y, standard.y) << text.text;
                }
            }
        }
    }
}

// Random bytes that are the same on every run.
std::string noise(size_t size, unsigned seed) {
    std::string bytes(size, '\0');
    for (char& b : bytes) b = static_cast<char>((seed = seed * 1103515245u + 12345u) >> 16);
    return bytes;
}

// A PNG chunk of `type` with `data`, and its CRC.
std::string png_chunk(const std::string& type, const std::string& data) {
    std::string chunk;
    for (int shift = 24; shift >= 0; shift -= 8) chunk += static_cast<char>(data.size() >> shift);
    const std::string body = type + data;
    const uLong crc = crc32(0, reinterpret_cast<const Bytef*>(body.data()), static_cast<uInt>(body.size()));
    chunk += body;
    for (int shift = 24; shift >= 0; shift -= 8) chunk += static_cast<char>(crc >> shift);
    return chunk;
}

// 200 MB of zeros, deflated into a zTXt chunk right after IHDR.
void add_decompression_bomb(const std::string& path) {
    std::string zeros(200 << 20, '\0');
    uLongf size = compressBound(zeros.size());
    std::string deflated(size, '\0');
    compress(reinterpret_cast<Bytef*>(deflated.data()), &size, reinterpret_cast<const Bytef*>(zeros.data()),
             zeros.size());
    deflated.resize(size);
    std::string png = TempDir::read_path(path);
    png.insert(33, png_chunk("zTXt", std::string("Comment\0\0", 9) + deflated));
    write_file(path, png);
}

// Sets the size in a JPEG's frame header.
void set_jpeg_size(const std::string& path, unsigned width, unsigned height) {
    std::string jpeg = TempDir::read_path(path);
    const size_t frame = jpeg.find("\xFF\xC0");
    jpeg[frame + 5] = static_cast<char>(height >> 8), jpeg[frame + 6] = static_cast<char>(height);
    jpeg[frame + 7] = static_cast<char>(width >> 8), jpeg[frame + 8] = static_cast<char>(width);
    write_file(path, jpeg);
}

// Whatever it is given, a run ends with status 0 or 1 and a readable message, never a
// signal or a hang (every run has a timeout), and every PDF it leaves passes qpdf --check.
TEST(Rosterbook, HostileInputsEndCleanly) {
    const std::string member = "Member,Ann,Lee,a,b,c,d\n";
    std::string over_long_columns = HEADER;
    for (size_t size : {31, 32, 63, 64, 127, 128, 255, 256, 300}) {
        const std::string field(size, 'x'), quoted = "\"" + std::string(size / 2, 'q') + "\"\"\"";
        over_long_columns += "Member," + field + "," + quoted + "," + field + "," + quoted + "," + field +
                             "," + field + "," + quoted + "," + field + "," + field + "," + field + "\n";
    }
    const struct {
        const char* name;
        std::function<void(const TempDir&)> make;
        int status;
    } cases[] = {
        {"10,000 member lines",
         [&](const TempDir& d) {
             std::string csv = HEADER;
             for (int i = 0; i < 10000; ++i) csv += member;
             d.write("members.csv", csv);
         },
         0},
        {"every column at and over its size",
         [&](const TempDir& d) { d.write("members.csv", over_long_columns); }, 0},
        {"NUL bytes",
         [&](const TempDir& d) {
             d.write("members.csv", HEADER + std::string("Mem\0ber,A\0nn,Lee,a,b,c,d\n", 25) + member);
         },
         0},
        {"binary member list", [&](const TempDir& d) { d.write("members.csv", noise(100000, 1)); }, 1},
        {"binary settings", [&](const TempDir& d) { d.write("roster.sdd", noise(100000, 2)); }, 0},
        {"5 MB settings file",
         [&](const TempDir& d) {
             std::string sdd;
             while (sdd.size() < 5 << 20) sdd += "Title Color: #123456\nTitle:\nline\n\n# comment\n";
             d.write("roster.sdd", sdd);
         },
         0},
        {"100,000-character settings line",
         [&](const TempDir& d) { d.write("roster.sdd", "Cover Image: " + std::string(100000, 'c') + "\n"); },
         0},
        {"settings file is a folder",
         [&](const TempDir& d) { std::filesystem::create_directory(d.file("roster.sdd")); }, 0},
        {"settings file is a FIFO", [&](const TempDir& d) { mkfifo(d.file("roster.sdd").c_str(), 0600); }, 0},
        {"schedule is a FIFO", [&](const TempDir& d) { mkfifo(d.file("schedule.png").c_str(), 0600); }, 1},
        {"read-only folder for the output",  // root writes there all the same
         [&](const TempDir& d) {
             std::filesystem::create_directory(d.file("locked"));
             std::filesystem::permissions(
                 d.file("locked"), std::filesystem::perms::owner_read | std::filesystem::perms::owner_exec);
             d.write("roster.sdd", "Booklet PDF: locked/booklet.pdf\n");
         },
         -1},
        {"zero-sized PNG", [&](const TempDir& d) { d.write("cover.png", ""); }, 1},
        {"1 x 100000 PNG", [&](const TempDir& d) { write_rgb_png(d.file("cover.png"), 1, 100000); }, 0},
        {"PNG claiming 20000 x 20000",
         [&](const TempDir& d) {
             write_rgb_png(d.file("cover.png"), 16, 16);
             set_png_size(d.file("cover.png"), 20000, 20000);
         },
         1},
        {"decompression bomb in a text chunk",
         [&](const TempDir& d) {
             write_rgb_png(d.file("cover.png"), 16, 16);
             add_decompression_bomb(d.file("cover.png"));
         },
         0},
        {"JPEG claiming 65500 x 65500",
         [&](const TempDir& d) {
             write_jpeg(d.file("cover.png"), {16, 16});
             set_jpeg_size(d.file("cover.png"), 65500, 65500);
         },
         1},
        {"garbage after the SOI marker",
         [&](const TempDir& d) { d.write("committee.png", std::string("\xFF\xD8\xFF", 3) + noise(5000, 3)); },
         1},
    };
    for (const auto& c : cases) {
        TempDir dir;
        dir.write("members.csv", HEADER + member);
        c.make(dir);
        RunResult run = run_in(dir);
        EXPECT_TRUE(run.status == 0 || run.status == 1) << c.name << ": status " << run.status;
        if (c.status >= 0) {
            EXPECT_EQ(run.status, c.status) << c.name << ": " << run.err.substr(0, 300);
        }
        if (run.status == 1) {
            EXPECT_FALSE(run.err.empty()) << c.name;
        }
        EXPECT_LT(run.err.size(), 100000u) << c.name;  // a line per problem, never a flood
    }
}

}  // namespace
