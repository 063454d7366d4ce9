#include "roster/photo.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "tests/support/temp_dir.h"

namespace {

// Each card's photo as "file focus-across,focus-down" (its name within the temporary folder)
// and what the search said, the folder's path written as "D".
TEST(FindMemberPhotos, ByColumnByNameAndPrivacy) {
    const struct {
        const char* private_shows;
        std::vector<std::string> photos;  // by card, in sort order: Lee, North, Smith Bob, Smith Carol, West
        const char* err;
    } cases[] = {
        {"",
         {"photos/lee, ann.jpg 0.5,0.25", "", "photos/Bob Smith.jpg 0.5,0.25", "", "dee.jpg 0.5,0.25"},
         "Warning: photos/lee_ann.heic names the same person as photos/lee, ann.jpg, which is used\n"
         "Warning: D/members.csv line 4 (Ann Lee): Photo Focus 'middle' is not top, centre, bottom, left or "
         "right; the upper centre is shown\n"
         "Warning: D/members.csv line 6 (Eve North): photo 'eve.jpg' is neither in photos/ nor beside the "
         "member "
         "list\n"
         "Warning: photos/Nobody Here.jpg matches no member\n"
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
        dir.write("members.csv",
                  "Role,First Name,Last Name,Photo,Photo Focus,Private\nMember,Bob,Smith,,,\n"
                  "Member,Carol,Smith,,Bottom,yes\nMember,Ann,Lee,,middle,\nMember,Dee,West,dee.jpg,,\n"
                  "Member,Eve,North,eve.jpg,,\n");
        auto settings = std::make_unique<Settings>();
        dir.write("roster.sdd", std::string("Private Shows: ") + c.private_shows + "\n");
        load_settings_from(settings.get(), dir.file("roster.sdd").c_str());
        snprintf(settings->member_csv_path, PATH_SIZE, "%s", dir.file("members.csv").c_str());
        snprintf(settings->photo_folder, PATH_SIZE, "photos/");
        const std::filesystem::path before = std::filesystem::current_path();
        std::filesystem::current_path(dir.path);  // the photo folder is taken as roster.sdd writes it
        Roster roster;
        testing::internal::CaptureStderr();
        ASSERT_FALSE(load_roster(*settings, &roster));
        const std::string loaded = testing::internal::GetCapturedStderr();
        testing::internal::CaptureStderr();
        const std::vector<CardPhotoFile> found = find_member_photos(roster, *settings);
        std::string err = testing::internal::GetCapturedStderr();
        std::filesystem::current_path(before);
        for (size_t at; (at = err.find(dir.path)) != std::string::npos;)
            err.replace(at, dir.path.size(), "D");
        std::vector<std::string> photos;
        for (const CardPhotoFile& photo : found) {
            const std::string file =
                photo.path.starts_with(dir.path) ? photo.path.substr(dir.path.size() + 1) : photo.path;
            char focus[32];
            snprintf(focus, sizeof focus, " %g,%g", photo.focus.across, photo.focus.down);
            photos.push_back(file.empty() ? "" : file + focus);
        }
        EXPECT_EQ(photos, c.photos) << c.private_shows;
        if (c.err != nullptr) {
            EXPECT_EQ(err, c.err) << loaded;
        }
    }
}

}  // namespace
