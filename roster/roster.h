// The member list: reads it (CSV, .xlsx, .ods) into Member records of any length, groups
// them by role (Caller, Cuer, Member, New Dancer, as GROUPS names them) and sorts each
// group by last, then first name. The roster holds as many people as the list does.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "base/failure.h"
#include "settings/settings.h"

constexpr int CSV_MIN_FIELDS = 7;                         // cells a record read by position needs
constexpr long long MAX_MEMBER_FILE_BYTES = 256LL << 20;  // the largest member list read

// What a card shows under the name, by what it is, in the order the card prints them:
// the address on line 2, city and zip on line 3, phone and cell on line 4, the email on
// line 5 and the notes on line 6. A Card block puts the club's own columns in their place.
enum Detail : int32_t {
    DETAIL_ADDRESS = 0,
    DETAIL_CITY = 1,
    DETAIL_ZIP = 2,
    DETAIL_PHONE = 3,
    DETAIL_CELL = 4,
    DETAIL_EMAIL = 5,
    DETAIL_NOTES = 6,
};
constexpr int DETAIL_COUNT = 7;
// How messages name a detail when the list has no heading for it.
constexpr const char* DETAIL_NAMES[DETAIL_COUNT] = {"Address", "City",  "Zip",  "Phone",
                                                    "Cell",    "Email", "Notes"};

// The card's detail lines, 2 to 6, by the details each shows: a line of two prints the
// second `gap` after the first (the same detail twice: a line of one).
struct CardLineDetails {
    Detail first, second;
    const char* gap;
};
constexpr CardLineDetails CARD_LINE_DETAILS[DETAIL_LINE_COUNT] = {{DETAIL_ADDRESS, DETAIL_ADDRESS, ""},
                                                                  {DETAIL_CITY, DETAIL_ZIP, "  "},
                                                                  {DETAIL_PHONE, DETAIL_CELL, "    "},
                                                                  {DETAIL_EMAIL, DETAIL_EMAIL, ""},
                                                                  {DETAIL_NOTES, DETAIL_NOTES, ""}};

// Between the people's values of one detail on a household's card: each goes on a line of
// its own.
constexpr char PERSON_BREAK = '\n';

// One value of a detail's text: "ann@x.org (Ann)" is {"ann@x.org", "Ann", 0}.
struct DetailValue {
    std::string value;  // trimmed, without its tag
    std::string tag;    // the first name a household's card tags it with; "" untagged
    size_t line;        // its line (PERSON_BREAK), from 0: a by-person card's person
};

// The values of a detail's text: line by line, those a comma separates, each with its tag; no
// empty ones.
std::vector<DetailValue> detail_values(const std::string& text);

// A person's names as the list gives them: what an index lists them by.
struct PersonName {
    std::string first_name, last_name, name, sort_as;  // as Member's
    int32_t line_number;                               // their row of the member list
};

// One person of the list, every text as the list holds it (trimmed UTF-8, never cut).
struct Member {
    std::string role;  // the role word, never printed
    std::string first_name;
    std::string last_name;    // what the list sorts by
    std::string name;         // the whole name as a single name column writes it; "" when apart
    std::string sort_as;      // the name's reading (furigana), sorted by instead of the names; "" when none
    std::string household;    // the household it belongs to, as the list names it; "" when none
    std::string partner;      // the partner's name, as the list gives it; "" when none
    std::string home;         // the address as the list gives it, a private member's too: never printed
    std::string town;         // as `home`, the town (the City columns)
    std::string postal_code;  // as `home`, the postal code (the Zip columns)
    std::string country;      // as `home`, the country (a Country column); "" when none
    bool private_member = false;  // the list marks them private (a household's card: all its people)
    std::array<std::string, DETAIL_COUNT> left_off;  // by Detail: what a private member's card leaves off
    // The columns Proof Shows names, as (heading, value): shown on the member's proof alone.
    std::vector<std::pair<std::string, std::string>> proof_fields;
    std::array<std::string, DETAIL_COUNT> details;  // by Detail; "" when the card leaves it out
    std::string photo;                              // the photo's file as the list names it; "" when none
    std::string photo_focus;    // the part of the photo the card shows ("top", "left"); "" the upper centre
    bool photo_hidden = false;  // private, and Private Shows does not name Photo: no photo printed
    std::vector<PersonName> housemates;  // with households together, the others on this card
    // A household whose people go by one first name: its details that differ hold one value a
    // person, untagged, and the card prints each person's on lines of their own.
    bool by_person = false;
    int32_t line_number = 0;  // first line of the member's record in the member list (header: 1)
};

// Everyone the list puts in a group: one list, group after group in GROUPS order, each
// group sorted.
struct Roster {
    std::string path;            // the member list read, as messages name it
    std::vector<Member> people;  // with households together: one Member a card, as join_households makes it
    std::array<size_t, GROUP_COUNT + 1> starts = {};  // group g is people[starts[g], starts[g + 1])
    // The heading(s) of the column(s) each detail comes from ("City, State"), or its
    // DETAIL_NAMES entry: how messages name a detail.
    std::array<std::string, DETAIL_COUNT> detail_columns;
    // With households together, how many people (not cards) each group holds; 0 when apart.
    std::array<int32_t, GROUP_COUNT> people_in_group = {};
    bool households_joined = false;
};

// The members of `group`, sorted.
std::span<const Member> group_members(const Roster& roster, Group group);
std::span<Member> group_members(Roster& roster, Group group);

// The group of the card at `index` of roster.people.
inline Group group_of(const Roster& roster, size_t index) {
    int group = 0;
    while (group + 1 < GROUP_COUNT && index >= roster.starts[group + 1]) ++group;
    return static_cast<Group>(group);
}

// How many people `group` holds.
inline int32_t group_size(const Roster& roster, Group group) {
    return static_cast<int32_t>(roster.starts[group + 1] - roster.starts[group]);
}

// How many people `group` holds: with households together, every person of its cards.
inline int32_t group_people(const Roster& roster, Group group) {
    return roster.households_joined ? roster.people_in_group[group] : group_size(roster, group);
}

// Reads the member list into `roster`, which it replaces: the file roster.sdd names (found
// whatever its letter case), else members.csv, .xlsx, .ods or .xls; when several of those are
// there, all of them, and the first when they hold the same people (said in a note), else it
// fails naming each. The first record is a header, unless it looks like a member (then it is
// read as one, with a warning); its headings decide how the columns are read; the header's
// first line decides the separator (comma, semicolon or tab). A spreadsheet's rows hidden by
// hand are left out and named; rows a filter hides print or are left out as Filtered Rows
// says, and otherwise fail the run. Private members are counted in a note on stderr; skipped
// lines are reported on stderr, with a total. Returns the failure when the path is not a
// regular file or does not open, a read fails, the file does not decode or read as the
// spreadsheet its name says, or it holds lines but nobody in any group; an empty file (no
// header) fails with the reason "empty".
[[nodiscard]] std::optional<Failure> load_roster(const Settings& settings, Roster* roster);

// Reads the list at `path` into `roster` as load_roster reads the member list (saying what that
// says), but one record a row whatever Households says: a person, or a couple a row names
// ("Bob & Carol Smith"). What is compared with last season, and what phones' contacts come from.
// The failure is load_roster's.
[[nodiscard]] std::optional<Failure> load_rows(const Settings& settings, const std::string& path,
                                               Roster* roster);

// A family name and a given name, family first: a blank between them, except in a Chinese name
// written as Chinese writes it, a family name of one Chinese character and a given name of Chinese
// characters alone ("王小华"). A longer family name keeps the blank, as Japanese lists print their
// names ("山田 太郎"), as do Korean names in Hangul ("김 민준").
std::string family_first(const std::string& family, const std::string& given);

// The name as the card prints it: the whole name as written, or the first and last names in
// `order`, a blank between them (family first, as family_first says).
inline std::string printed_name(const std::string& first_name, const std::string& last_name,
                                const std::string& name, NameOrder order) {
    if (!name.empty()) return name;
    return order == FAMILY_NAME_FIRST ? family_first(last_name, first_name) : first_name + " " + last_name;
}
inline std::string printed_name(const Member& member, NameOrder order) {
    return printed_name(member.first_name, member.last_name, member.name, order);
}
// One person of a household's card (or of a couple's row), as printed_name names a member.
inline std::string printed_name(const PersonName& person, NameOrder order) {
    return printed_name(person.first_name, person.last_name, person.name, order);
}

// What a member sorts by first: the reading where the list gives one, else the last name
// (then the first name breaks a tie).
inline const std::string& sorted_by(const Member& member) {
    return member.sort_as.empty() ? member.last_name : member.sort_as;
}

// Orders members by sorted_by, then first name (none for a member with a reading), in ICU's
// root order, letter case ignored. Returns negative, zero or positive.
int compare_members(const Member& a, const Member& b);

// Everyone in the roster, in the order of the member list (by line number): the order
// messages about them are given in.
std::vector<Member*> members_in_list_order(Roster* roster);
