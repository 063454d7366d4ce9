#include "roster/photo.h"

#include <strings.h>

#include <algorithm>
#include <cstdint>
#include <filesystem>
#include <map>

#include "base/file.h"
#include "base/message.h"
#include "base/text_util.h"
#include "roster/sheet.h"
#include "text/collate.h"

namespace {

// The endings of the files in the photo folder taken for photos: what rosterbook reads, and
// the pictures it names when it cannot (a GIF is told to be saved as JPEG).
constexpr const char* PHOTO_ENDINGS[] = {".jpg",  ".jpeg", ".jpe", ".png",  ".heic", ".heif",
                                         ".webp", ".gif",  ".tif", ".tiff", ".bmp"};

struct NamedFocus {
    const char* word;
    PhotoFocus focus;
};
constexpr NamedFocus FOCUS_WORDS[] = {
    {"top", {0.5f, 0.0f}},    {"centre", {0.5f, 0.5f}}, {"center", {0.5f, 0.5f}},
    {"bottom", {0.5f, 1.0f}}, {"left", {0.0f, 0.25f}},  {"right", {1.0f, 0.25f}},
};

// The file name without its picture ending; "" when it has none.
std::string photo_stem(const std::string& file) {
    const size_t dot = file.rfind('.');
    if (dot == std::string::npos || dot == 0) return "";
    for (const char* ending : PHOTO_ENDINGS) {
        if (strcasecmp(file.c_str() + dot, ending) == 0) return file.substr(0, dot);
    }
    return "";
}

bool is_file(const std::string& path) {
    std::error_code error;
    return std::filesystem::is_regular_file(path, error);
}

// A name's key for finding its photo: name_key without the words that join a household's
// names ("&", "+", "and", the club's Household Joiner), which people write either way.
std::string photo_key(const std::string& name, const Settings& settings) {
    const std::string_view joiners[] = {"&", "+", "and", settings.words.household_joiner};
    return name_key(name, joiners);
}

// The pictures of the photo folder by photo_key of their names, the first of each key kept;
// why each one not printed is not, for the one warning that names them.
struct PhotoFolder {
    std::string path;
    std::vector<std::string> files;  // picture files, by name
    std::map<std::string, size_t> by_key;
    std::vector<bool> used;
    std::vector<std::string> unused_because;  // by file: "" until a reason is known
    std::map<std::string, std::string>
        shared_names;  // photo keys of several people: why no photo goes by them
};

PhotoFolder read_photo_folder(const char* path, const Settings& settings) {
    PhotoFolder folder{path, {}, {}, {}, {}, {}};
    for (const std::string& file : list_folder(path)) {
        const std::string stem = photo_stem(file);
        if (stem.empty()) continue;
        const auto [first, added] = folder.by_key.emplace(photo_key(stem, settings), folder.files.size());
        folder.files.push_back(file);
        folder.used.push_back(false);
        folder.unused_because.push_back(added ? "" : "the same person as " + folder.files[first->second]);
    }
    return folder;
}

// The file a Photo value names: in the photo folder, else beside the member list; "" when neither.
std::string named_photo(PhotoFolder* folder, const std::string& value, const Settings& settings) {
    const std::string in_folder = path_in(folder->path, value);
    if (is_file(in_folder)) {
        for (size_t i = 0; i < folder->files.size(); ++i) {
            if (folder->files[i] == value) folder->used[i] = true;
        }
        return in_folder;
    }
    const std::string beside = path_in(folder_of(settings.member_csv_path), value);
    return is_file(beside) ? beside : "";
}

// The folder's picture named after `key`; SIZE_MAX when there is none, or when several
// people go by that name, so it could be any of theirs.
size_t photo_named(const PhotoFolder& folder, const std::string& key) {
    const auto found = folder.by_key.find(key);
    if (found == folder.by_key.end() || folder.shared_names.count(key) > 0) return SIZE_MAX;
    return found->second;
}

// Notes each name two or more people of `roster` go by, with their rows, so that a picture
// named after it goes to none of them and says why.
void note_shared_names(const Roster& roster, const Settings& settings, PhotoFolder* folder) {
    std::map<std::string, std::vector<std::pair<std::string, int32_t>>> people;
    const auto add = [&](const std::string& first, const std::string& last, int32_t line) {
        people[photo_key(first + " " + last, settings)].emplace_back(first + " " + last, line);
    };
    for (const Member& card : roster.people) {
        add(card.first_name, card.last_name, card.line_number);
        for (const PersonName& mate : card.housemates) add(mate.first_name, mate.last_name, mate.line_number);
    }
    const char* list = settings.member_csv_path;
    for (auto& [key, named] : people) {
        if (named.size() < 2 || folder->by_key.count(key) == 0) continue;
        std::sort(named.begin(), named.end(),
                  [](const auto& a, const auto& b) { return a.second < b.second; });
        std::vector<std::string> rows;
        for (const auto& person : named) rows.push_back(std::to_string(person.second));
        folder->shared_names[key] = std::to_string(named.size()) + " members are named " + named[0].first +
                                    ", " + list + " " + row_word(list) + "s " + joined_words(rows, " and ") +
                                    ": name each one's photo in a Photo column";
        folder->unused_because[folder->by_key[key]] = folder->shared_names[key];
    }
}

// The folder's picture named after the card: its household's names together ("Bob & Carol
// Smith"), else the first of its people, in the sheet's order, whose picture there is. The
// pictures of its other people are not printed, and said so.
std::string photo_by_name(PhotoFolder* folder, const Member& card, const Settings& settings) {
    std::vector<std::pair<int32_t, std::string>> in_sheet = {
        {card.line_number, photo_key(card.first_name + " " + card.last_name, settings)}};
    std::string everyone = card.first_name + " " + card.last_name;
    for (const PersonName& mate : card.housemates) {
        everyone += " " + mate.first_name + " " + mate.last_name;
        in_sheet.emplace_back(mate.line_number, photo_key(mate.first_name + " " + mate.last_name, settings));
    }
    std::stable_sort(in_sheet.begin(), in_sheet.end(),
                     [](const auto& a, const auto& b) { return a.first < b.first; });
    std::vector<std::string> people;
    for (const auto& [line, key] : in_sheet) people.push_back(key);
    size_t chosen = SIZE_MAX;
    if (!card.housemates.empty()) chosen = photo_named(*folder, photo_key(everyone, settings));
    // A couple's row names its photo as the row names them: "Bob, Carol & Sam Smith.jpg".
    if (chosen == SIZE_MAX && !card.name.empty())
        chosen = photo_named(*folder, photo_key(card.name, settings));
    for (const std::string& key : people) {
        if (chosen == SIZE_MAX) chosen = photo_named(*folder, key);
    }
    if (chosen == SIZE_MAX) return "";
    folder->used[chosen] = true;
    for (const std::string& key : people) {
        const auto other = folder->by_key.find(key);
        if (other != folder->by_key.end() && !folder->used[other->second] &&
            folder->shared_names.count(key) == 0)
            folder->unused_because[other->second] =
                "the card of " + printed_name(card, settings.name_order) + " shows " + folder->files[chosen];
    }
    return path_in(folder->path, folder->files[chosen]);
}

// The card's photo, warning about a Photo value or a Photo Focus that does not work.
CardPhotoFile card_photo(PhotoFolder* folder, const Member& card, const Settings& settings) {
    const char* list = settings.member_csv_path;
    const std::string name = printed_name(card, settings.name_order);
    bool known = true;
    CardPhotoFile photo = {"", photo_focus(card.photo_focus, &known)};
    if (!known) {
        say("Warning: %s %s %d (%s): Photo Focus '%s' is not top, centre, bottom, left or right; the "
            "upper centre is shown\n",
            list, row_word(list), card.line_number, name.c_str(), card.photo_focus.c_str());
    }
    if (!card.photo.empty()) {
        photo.path = named_photo(folder, card.photo, settings);
        if (photo.path.empty()) {
            say("Warning: %s %s %d (%s): photo '%s' is neither in %s nor beside the member list\n", list,
                row_word(list), card.line_number, name.c_str(), card.photo.c_str(), folder->path.c_str());
        }
    }
    if (photo.path.empty()) photo.path = photo_by_name(folder, card, settings);
    if (card.photo_hidden) photo.path.clear();  // found, so its file matches somebody
    return photo;
}

}  // namespace

PhotoFocus photo_focus(const std::string& value, bool* known) {
    *known = true;
    if (value.empty()) return DEFAULT_FOCUS;
    for (const NamedFocus& named : FOCUS_WORDS) {
        if (match_key(value) == match_key(named.word)) return named.focus;
    }
    *known = false;
    return DEFAULT_FOCUS;
}

std::vector<CardPhotoFile> find_member_photos(const Roster& roster, const Settings& settings) {
    PhotoFolder folder = read_photo_folder(settings.photo_folder, settings);
    note_shared_names(roster, settings, &folder);
    std::vector<CardPhotoFile> photos;
    std::vector<std::string> without;
    for (const Member& card : roster.people) {
        photos.push_back(card_photo(&folder, card, settings));
        if (photos.back().path.empty() && !card.photo_hidden)
            without.push_back(printed_name(card, settings.name_order));
    }
    std::vector<std::string> unused;
    for (size_t i = 0; i < folder.files.size(); ++i) {
        if (folder.used[i]) continue;
        unused.push_back(folder.files[i] + " (" +
                         (folder.unused_because[i].empty() ? "matches no member" : folder.unused_because[i]) +
                         ")");
    }
    if (!unused.empty()) {
        say("Warning: %zu photo(s) in %s not printed: %s\n", unused.size(), folder.path.c_str(),
            joined_words(unused, ", ").c_str());
    }
    if (without.empty()) return photos;
    const std::string heading = std::to_string(without.size()) + " card(s) have no photo in " +
                                settings.photo_folder + " and show initials:";
    say("Warning: %s %s\n", heading.c_str(), names_in_message(without, heading).c_str());
    return photos;
}
