// The whole member-list loader, with and without the club's Roles, Card block and private
// columns, households apart or together: every group holds only its own roles (a household's
// card its first person's), sorted, the groups one after the other covering everyone, every
// member from a line of the file, no more cards than people, everyone on a card named (a
// couple's cell, "Bob, Carol & Sam Smith", read as its people). With photos on, each card's photo
// is found among a folder of photos named every way, and the index lists every person once,
// each with a card and a guide letter.
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <span>

#include "fuzz_support.h"
#include "layout/name_index.h"
#include "roster/columns.h"
#include "roster/photo.h"
#include "roster/roster.h"

namespace {

void check_group(std::span<const Member> group, const RoleWords& words, int index) {
    for (size_t i = 0; i < group.size(); ++i) {
        const Member& m = group[i];
        promise(role_group(words, m.role) == index, "member in its own group");
        for (const PersonName& mate : m.housemates)  // a couple's cell read as its people
            promise(!mate.first_name.empty() || !mate.last_name.empty(), "everyone on a card named");
        promise(m.line_number >= 1, "line number in the file");
        if (i > 0) promise(compare_members(group[i - 1], m) <= 0, "group sorted");
    }
}

// The club's own words, a Card block and Private Shows, as roster.sdd would set them.
void set_club_words(Settings* settings) {
    snprintf(settings->role_words[GROUP_MEMBER], SETTINGS_LINE_SIZE, "Life Member, Angel");
    snprintf(settings->role_words[GROUP_NEW_DANCER], SETTINGS_LINE_SIZE, "Student");
    snprintf(settings->card_lines[1], SETTINGS_LINE_SIZE, "City, State, Zip");
    snprintf(settings->card_lines[4], SETTINGS_LINE_SIZE, "Member Since, Dues");
    snprintf(settings->private_shows, SETTINGS_LINE_SIZE, "Email");
    settings->card_block = true;
}

// A photo folder made once, its pictures named as secretaries name them (empty files: only
// their names are read here).
const char* photo_folder() {
    static const std::string folder = [] {
        const std::string path = std::filesystem::temp_directory_path() / "fuzz-roster-photos";
        std::filesystem::create_directories(path);
        for (const char* name : {"Bob Smith.jpg", "smith, carol.PNG", "lee_ann.heic", "Ann & Bo Lee.webp",
                                 "x.gif", "notes.txt", ".hidden.jpg"})
            std::ofstream(path + "/" + name);
        return path;
    }();
    return folder.c_str();
}

void check_photos_and_index(const Roster& roster, const Settings& settings) {
    const std::vector<CardPhotoFile> photos = find_member_photos(roster, settings);
    promise(photos.size() == roster.people.size(), "a photo slot per card");
    size_t people = 0;
    for (size_t i = 0; i < photos.size(); ++i) {
        people += 1 + roster.people[i].housemates.size();
        promise(photos[i].path.empty() || !roster.people[i].photo_hidden, "no private photo");
        promise(photos[i].focus.across >= 0 && photos[i].focus.across <= 1 && photos[i].focus.down >= 0 &&
                    photos[i].focus.down <= 1,
                "focus inside the picture");
    }
    const std::vector<IndexEntry> entries = index_entries(roster, settings);
    promise(entries.size() == people, "everyone in the index once");
    for (const IndexEntry& entry : entries)
        promise(entry.card < roster.people.size() && !entry.guide.empty(), "an entry's card and guide");
}

}  // namespace

// The first byte chooses the settings: odd gives the club's own, even the defaults; its
// second bit puts households together, its third turns photos and the index on.
extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static Settings settings;
    settings = Settings{};
    settings.words = default_page_words();
    if (size > 0 && (data[0] & 1) != 0) set_club_words(&settings);
    if (size > 0 && (data[0] & 2) != 0) settings.households = HOUSEHOLDS_TOGETHER;
    const bool photos = size > 0 && (data[0] & 4) != 0;
    snprintf(settings.photo_folder, PATH_SIZE, "%s", photo_folder());
    const std::string path = write_input(data, size, ".csv");
    snprintf(settings.member_csv_path, PATH_SIZE, "%s", path.c_str());
    Roster roster;
    if (load_roster(settings, &roster)) return 0;
    const RoleWords words = role_words(settings);
    promise(roster.starts[0] == 0 && roster.starts[GROUP_COUNT] == roster.people.size(),
            "groups cover everyone");
    for (int g = 0; g < GROUP_COUNT; ++g) {
        promise(roster.starts[g] <= roster.starts[g + 1], "groups in order");
        check_group(group_members(roster, static_cast<Group>(g)), words, g);
    }
    if (roster.households_joined) {
        size_t people = 0;
        for (int32_t count : roster.people_in_group) people += static_cast<size_t>(count);
        promise(roster.people.size() <= people, "no more cards than people");
    }
    if (photos) check_photos_and_index(roster, settings);
    return 0;
}
