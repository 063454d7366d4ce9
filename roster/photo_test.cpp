#include "roster/photo.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "tests/support/temp_dir.h"

namespace {

// Each card's photo of the list `csv` in `dir` as "file focus-across,focus-down" (its name
// within the folder), with what the search said in `err`, the folder's path written as "D".
std::vector<std::string> photos_found(const TempDir& dir, const std::string& csv, const std::string& sdd,
                                      std::string* err) {
    dir.write("members.csv", csv);
    auto settings = std::make_unique<Settings>();
    dir.write("roster.sdd", sdd);
    load_settings_from(settings.get(), dir.file("roster.sdd").c_str());
    snprintf(settings->member_csv_path, PATH_SIZE, "%s", dir.file("members.csv").c_str());
    snprintf(settings->photo_folder, PATH_SIZE, "photos/");
    const std::filesystem::path before = std::filesystem::current_path();
    std::filesystem::current_path(dir.path);  // the photo folder is taken as roster.sdd writes it
    Roster roster;
    testing::internal::CaptureStderr();
    EXPECT_FALSE(load_roster(*settings, &roster));
    testing::internal::GetCapturedStderr();
    testing::internal::CaptureStderr();
    const std::vector<CardPhotoFile> found = find_member_photos(roster, *settings);
    *err = testing::internal::GetCapturedStderr();
    std::filesystem::current_path(before);
    for (size_t at; (at = err->find(dir.path)) != std::string::npos;) err->replace(at, dir.path.size(), "D");
    std::vector<std::string> photos;
    for (const CardPhotoFile& photo : found) {
        const std::string file =
            photo.path.starts_with(dir.path) ? photo.path.substr(dir.path.size() + 1) : photo.path;
        char focus[32];
        snprintf(focus, sizeof focus, " %g,%g", photo.focus.across, photo.focus.down);
        photos.push_back(file.empty() ? "" : file + focus);
    }
    return photos;
}

TEST(FindMemberPhotos, ByColumnByNameAndPrivacy) {
    const struct {
        const char* private_shows;
        std::vector<std::string> photos;  // by card, in sort order: Lee, North, Smith Bob, Smith Carol, West
        const char* err;
    } cases[] = {
        {"",
         {"photos/lee, ann.jpg 0.5,0.25", "", "photos/Bob Smith.jpg 0.5,0.25", "", "dee.jpg 0.5,0.25"},
         "Warning: D/members.csv line 4 (Ann Lee): Photo Focus 'middle' is not top, centre, bottom, left or "
         "right; the upper centre is shown\n"
         "Warning: D/members.csv line 6 (Eve North): photo 'eve.jpg' is neither in photos/ nor beside the "
         "member list\n"
         "Warning: 2 photo(s) in photos/ not printed: Nobody Here.jpg (matches no member), lee_ann.heic (the "
         "same person as lee, ann.jpg)\n"
         "Warning: 1 card(s) have no photo in photos/ and show initials: Eve North\n"},
        // Private Shows may name Photo though no column is headed so.
        {"Photo",
         {"photos/lee, ann.jpg 0.5,0.25", "", "photos/Bob Smith.jpg 0.5,0.25",
          "photos/smith, carol.PNG 0.5,1", "dee.jpg 0.5,0.25"},
         nullptr},
    };
    for (const auto& c : cases) {
        TempDir dir;
        std::filesystem::create_directory(dir.file("photos"));
        for (const char* file :
             {"photos/Bob Smith.jpg", "photos/smith, carol.PNG", "photos/lee, ann.jpg", "photos/lee_ann.heic",
              "photos/Nobody Here.jpg", "photos/notes.txt", "dee.jpg"})
            dir.write(file, "");
        std::string err;
        const std::vector<std::string> photos = photos_found(
            dir,
            "Role,First Name,Last Name,Photo,Photo Focus,Private\nMember,Bob,Smith,,,\n"
            "Member,Carol,Smith,,Bottom,yes\nMember,Ann,Lee,,middle,\nMember,Dee,West,dee.jpg,,\n"
            "Member,Eve,North,eve.jpg,,\n",
            std::string("Private Shows: ") + c.private_shows + "\n", &err);
        EXPECT_EQ(photos, c.photos) << c.private_shows;
        if (c.err != nullptr) {
            EXPECT_EQ(err, c.err) << c.private_shows;
        }
    }
}

// A household takes the photo of the first of its people that has one (here its second
// person's), and names the one it leaves.
TEST(FindMemberPhotos, AHouseholdsPhoto) {
    TempDir dir;
    std::filesystem::create_directory(dir.file("photos"));
    for (const char* file : {"photos/Beth Cook.jpg", "photos/Cy Cook.jpg", "photos/Dan Cook.jpg"})
        dir.write(file, "");
    std::string err;
    const std::vector<std::string> photos = photos_found(
        dir,
        "Role,First Name,Last Name,Address,City,Zip,Phone\nMember,Amy,Cook,3 Oak St,Salem,97301,\n"
        "Member,Cy,Cook,3 Oak St,Salem,97301,\nMember,Beth,Cook,3 Oak St,Salem,97301,\n"
        "Member,Dan,Cook,4 Elm St,Salem,97301,\n",
        "Households: Together\n", &err);
    // Cy's photo: Cy comes before Beth in the sheet, though after her on the card.
    EXPECT_EQ(photos,
              (std::vector<std::string>{"photos/Cy Cook.jpg 0.5,0.25", "photos/Dan Cook.jpg 0.5,0.25"}));
    EXPECT_EQ(
        err,
        "Warning: 1 photo(s) in photos/ not printed: Beth Cook.jpg (the card of Amy, Beth & Cy Cook shows "
        "Cy Cook.jpg)\n");
}

}  // namespace
