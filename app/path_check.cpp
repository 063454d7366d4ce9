#include "app/path_check.h"

#include <sys/stat.h>

#include <cstring>
#include <filesystem>
#include <system_error>

#include "base/file.h"
#include "base/message.h"

namespace {

// One file the run reads or writes, with the words that name it in a message.
struct NamedPath {
    const char* path;
    const char* what;
};

// Absolute first: a relative path none of whose parts exists stays relative otherwise.
std::filesystem::path resolved(const char* path) {
    std::error_code error;
    const std::filesystem::path absolute = std::filesystem::absolute(path, error).lexically_normal();
    std::filesystem::path result = std::filesystem::weakly_canonical(absolute, error);
    return error ? absolute : result;
}

// Adds to `failures` one for each of the `count` `others` that `output` would overwrite.
void check_output(const char* setting, const char* output, const NamedPath* others, int count,
                  std::vector<Failure>* failures) {
    for (int i = 0; i < count; ++i) {
        if (!same_file(output, others[i].path)) continue;
        failures->push_back({SETTINGS_FILE_NAME, 0,
                             std::string(setting) + " '" + output + "' is also " + others[i].what +
                                 ": choose another file name"});
    }
}

}  // namespace

void warn_missing_images(const Settings& settings) {
    const struct {
        const char* path;
        const char* default_path;
        bool typed;  // the page is typed instead
    } images[3] = {{settings.cover_image_path, DEFAULT_COVER_IMAGE, false},
                   {settings.committee_image_path, DEFAULT_COMMITTEE_IMAGE, settings.committee.given},
                   {settings.schedule_image_path, DEFAULT_SCHEDULE_IMAGE, settings.schedule.given}};
    for (const auto& image : images) {
        if (image.typed || image.path[0] == '\0' || strcmp(image.path, image.default_path) == 0) continue;
        if (!file_opens(image.path)) {
            say("Warning: %s not found, its page shows a placeholder\n", image.path);
        }
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
    const NamedPath inputs[7] = {{settings.member_csv_path, "the member list"},
                                 {settings_path, "the settings file"},
                                 {settings.cover_image_path, "the cover image"},
                                 {settings.committee_image_path, "the committee image"},
                                 {settings.schedule_image_path, "the schedule image"},
                                 {settings.booklet_pdf_path, "the Booklet PDF"},
                                 {settings.standard_pdf_path, "the Standard PDF"}};
    // Each output is checked against the inputs and the outputs before it.
    std::vector<Failure> failures;
    check_output("Booklet PDF", settings.booklet_pdf_path, inputs, 5, &failures);
    check_output("Standard PDF", settings.standard_pdf_path, inputs, 6, &failures);
    if (settings.print_shop_pdf_path[0] != '\0')
        check_output("Print Shop PDF", settings.print_shop_pdf_path, inputs, 7, &failures);
    return failures;
}
