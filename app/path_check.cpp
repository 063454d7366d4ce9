#include "app/path_check.h"

#include <sys/stat.h>

#include <cstring>
#include <filesystem>
#include <system_error>

#include "base/file.h"
#include "base/message.h"
#include "base/text_util.h"

namespace {

// One file the run reads or writes, with the words that name it in a message.
struct NamedPath {
    const char* path;
    std::string what;
};

// Absolute first: a relative path none of whose parts exists stays relative otherwise.
std::filesystem::path resolved(const char* path) {
    std::error_code error;
    const std::filesystem::path absolute = std::filesystem::absolute(path, error).lexically_normal();
    std::filesystem::path result = std::filesystem::weakly_canonical(absolute, error);
    return error ? absolute : result;
}

// Adds to `failures` one for each of `others` that the output of `setting`, `output`, would overwrite.
void check_output(const char* setting, const char* output, const std::vector<NamedPath>& others,
                  std::vector<Failure>* failures) {
    for (const NamedPath& other : others) {
        if (!same_file(output, other.path)) continue;
        failures->push_back({SETTINGS_FILE_NAME, 0,
                             std::string(setting) + " '" + output + "' is also " + other.what +
                                 ": choose another file name"});
    }
}

}  // namespace

void warn_missing_images(const Settings& settings) {
    for (int slot = 0; slot < PICTURE_SLOT_COUNT; ++slot) {
        const char* path = settings.picture_paths[slot];
        if (typed_instead(settings, static_cast<PictureSlot>(slot)) != nullptr || path[0] == '\0' ||
            strcmp(path, PICTURE_SLOTS[slot].default_name) == 0)
            continue;
        if (!file_opens(path)) say("Warning: %s not found, its page shows a placeholder\n", path);
    }
}

bool same_file(const char* a, const char* b) {
    if (a[0] == '\0' || b[0] == '\0') return false;
    struct stat first, second;
    if (stat(a, &first) == 0 && stat(b, &second) == 0) {
        return first.st_dev == second.st_dev && first.st_ino == second.st_ino;
    }
    return resolved(a) == resolved(b);
}

std::vector<Failure> outputs_overwriting_inputs(const Settings& settings, const char* settings_path) {
    std::vector<NamedPath> others = {{settings.member_csv_path, "the member list"},
                                     {settings_path, "the settings file"},
                                     {settings.last_season_path, "last season's member list"}};
    for (int slot = 0; slot < PICTURE_SLOT_COUNT; ++slot)
        others.push_back(
            {settings.picture_paths[slot], "the " + ascii_lower(PICTURE_SLOTS[slot].label) + " image"});
    // Each output is checked against the inputs and the outputs before it; an output left
    // empty is not made.
    const struct {
        const char* setting;
        const char* path;
    } outputs[] = {{"Booklet PDF", settings.booklet_pdf_path},
                   {"Standard PDF", settings.standard_pdf_path},
                   {"Print Shop PDF", settings.print_shop_pdf_path},
                   {"Labels PDF", settings.labels_pdf_path},
                   {"Proofs PDF", settings.proofs_pdf_path},
                   {"Email List", settings.email_list_path},
                   {"Changes", settings.changes_path},
                   {"Contacts File", settings.contacts_path}};
    std::vector<Failure> failures;
    for (const auto& output : outputs) {
        if (output.path[0] == '\0') continue;
        check_output(output.setting, output.path, others, &failures);
        others.push_back({output.path, std::string("the ") + output.setting});
    }
    return failures;
}
