// The web page's entry into the tool: one run on the files the page has put into the
// module's virtual file system, the pictures it needs prepared in the page's helpers, and
// what the page's form asks of the settings, all answered by the core (app/page_answers.h).
// The report and messages go to the page through stdout and stderr, line by line, as the
// command line prints them; the other answers as JSON.
#include <emscripten.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "app/page_answers.h"
#include "app/run.h"

namespace {

// A picture prepared before the run, by the page's helpers or by this module, as the first
// pass listed it: its pictures in the order of its sizes, or why it could not be made. The
// same file may be listed twice (a household's photo), cropped otherwise.
struct Supplied {
    std::string path;
    std::vector<PreparedPicture> pictures;  // data malloc'd, handed to the run's image
    std::string failure;
};

// What the module keeps between the page's calls: its one piece of state.
struct Module {
    std::string answer;              // the last answer, which the page copies out before it asks again
    std::vector<Supplied> supplied;  // for the next run, by the first pass's index
    SourceImage prepared = {};       // the picture rosterbook_prepare made last, until its next call
};
Module module;

const char* answer(std::string text) {
    module.answer = std::move(text);
    return module.answer.c_str();
}

// The page's first pass, which only asks which pictures the run needs: ends the run there.
bool list_pictures(std::span<PictureRequest> requests, const ImageOptions& options, void*) {
    answer(pictures_json(requests, options));
    return false;
}

void drop_supplied() {
    for (Supplied& picture : module.supplied) {
        for (PreparedPicture& prepared : picture.pictures) free(prepared.data);
    }
    module.supplied.clear();
}

// The second pass's preparer: a picture supplied goes to its image as it was made, any other
// is made here.
bool take_supplied(std::span<PictureRequest> requests, const ImageOptions& options, void*) {
    std::vector<Supplied>& supplied = module.supplied;
    for (size_t i = 0; i < requests.size(); ++i) {
        SourceImage* image = requests[i].image;
        Supplied* made = i < supplied.size() && supplied[i].path == image->path ? &supplied[i] : nullptr;
        if (made == nullptr || made->pictures.size() > MAX_PICTURE_SIZES ||
            (made->failure.empty() && made->pictures.size() != requests[i].sizes.size())) {
            requests[i].failure = prepare_pictures(image, requests[i].sizes, options);
        } else if (!made->failure.empty()) {
            requests[i].failure = Failure{image->path, 0, made->failure};
        } else {
            free_pictures(image);
            for (PreparedPicture& prepared : made->pictures) {
                image->pictures[image->picture_count++] = prepared;
                prepared.data = nullptr;
            }
        }
    }
    drop_supplied();
    return true;
}

// The entry for the first pass's picture `index`, made when new.
Supplied& supplied_at(int index) {
    std::vector<Supplied>& supplied = module.supplied;
    if (supplied.size() <= static_cast<size_t>(index)) supplied.resize(static_cast<size_t>(index) + 1);
    return supplied[static_cast<size_t>(index)];
}

}  // namespace

// Runs rosterbook in `folder` (holding roster.sdd, the member list and the pictures) and
// returns its exit status: 0 when the PDFs were written there, 1 after a message. Pictures
// supplied before (rosterbook_prepare, rosterbook_supply) are used as they were made.
extern "C" EMSCRIPTEN_KEEPALIVE int rosterbook_run(const char* folder) {
    // One thread: the page's workers prepare the pictures beforehand.
    int status = run_in_folder(folder, {nullptr, nullptr}, module.supplied.empty() ? nullptr : take_supplied);
    if (status < 0) {
        fprintf(stderr, "Error: cannot open the folder %s\n", folder);
        status = 1;
    }
    drop_supplied();
    fflush(stdout);
    fflush(stderr);
    return status;
}

// lines_around_json: the lines around a message's line of a member list, as the tool read them.
extern "C" EMSCRIPTEN_KEEPALIVE const char* rosterbook_file_lines(const char* folder, const char* path,
                                                                  int line, int around) {
    return answer(lines_around_json(folder, path, line, around));
}

// The pictures a run in `folder` needs (pictures_json), found by a run that says nothing and
// stops before preparing them; {"pictures": []} when it stops sooner.
extern "C" EMSCRIPTEN_KEEPALIVE const char* rosterbook_pictures(const char* folder) {
    answer("{\"pictures\":[]}");
    FILE* quiet = fopen("/dev/null", "w");
    if (quiet != nullptr) {
        run_in_folder(folder, {quiet, quiet}, list_pictures);
        fclose(quiet);
    }
    return module.answer.c_str();
}

// Prepares the picture at `path` (in `folder`) as prepare_picture_in does. With `keep` 0 or
// more it is supplied to the next run as the first pass's picture `keep`; else (-1) the
// answer is prepared_json's, the data in the module's memory until the next call.
extern "C" EMSCRIPTEN_KEEPALIVE const char* rosterbook_prepare(const char* folder, const char* path,
                                                               float left, float top, float width,
                                                               float height, const char* sizes,
                                                               int resolution, int jpeg, int ink_limit,
                                                               int keep) {
    SourceImage& prepared = module.prepared;
    const std::string failure =
        prepare_picture_in(folder, path, {left, top, width, height}, sizes,
                           run_image_options(resolution, jpeg != 0, ink_limit), &prepared);
    answer(prepared_json(prepared, failure));
    if (keep >= 0) {
        Supplied made = {path, {}, failure};
        if (failure.empty())
            made.pictures.assign(prepared.pictures, prepared.pictures + prepared.picture_count);
        supplied_at(keep) = std::move(made);
        prepared.picture_count = 0;  // the pictures' data is the supplied run's now
        free_source_image(&prepared);
    }
    return module.answer.c_str();
}

// Supplies the next run a picture of the first pass's picture `index` (at `path`) made
// elsewhere (a worker's rosterbook_prepare answer), its data `size` bytes at `data` (malloc'd;
// the module's from now), or, for a `failure` other than "", why it could not be made.
extern "C" EMSCRIPTEN_KEEPALIVE void rosterbook_supply(int index, const char* path, const char* failure,
                                                       int width, int height, int press, int colors, int kind,
                                                       unsigned char* data, int size) {
    Supplied& picture = supplied_at(index);
    picture.path = path;
    if (failure[0] != '\0') {
        picture.failure = failure;
        return;
    }
    picture.pictures.push_back({{{static_cast<uint32_t>(width), static_cast<uint32_t>(height)}, press != 0},
                                colors,
                                static_cast<PictureData>(kind),
                                data,
                                static_cast<size_t>(size)});
}

// form_keys_json: the keys the form shows, the languages and the spreadsheet files.
extern "C" EMSCRIPTEN_KEEPALIVE const char* rosterbook_settings_keys() { return answer(form_keys_json()); }

// form_read_json: a roster.sdd's `size` bytes at `bytes` as the reader takes them.
extern "C" EMSCRIPTEN_KEEPALIVE const char* rosterbook_settings_read(const char* bytes, int size) {
    return answer(form_read_json({bytes, static_cast<size_t>(size)}));
}

// form_edit: `text` (UTF-8) with `key` set to `value`, every other line as it was.
extern "C" EMSCRIPTEN_KEEPALIVE const char* rosterbook_settings_edit(const char* text, const char* key,
                                                                     const char* value) {
    return answer(form_edit(text, key, value));
}

// The page calls rosterbook_run for each roster; starting the module runs nothing.
int main() { return 0; }
