// The web page's entry into the tool: one run on the files the page has put into the
// module's virtual file system, and what the page's form asks of the settings (the keys,
// a roster.sdd's values, the edit of one key), all from the core's own table. The report
// and messages go to the page through stdout and stderr, line by line, as the command
// line prints them; the settings answers as JSON.
#include <emscripten.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <memory>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "app/run.h"
#include "base/file.h"
#include "base/message.h"
#include "image/image.h"
#include "roster/csv.h"
#include "roster/roster.h"
#include "roster/sheet.h"
#include "settings/settings.h"
#include "text/collate.h"
#include "text/decode.h"

namespace {

constexpr const char* KIND_NAMES[] = {"text", "lines", "choice", "colour", "number", "file", "language"};

// The last answer given to the page, which copies it out before it asks again.
std::string answer;

// `text` as a JSON string, quotes included.
std::string json(std::string_view text) {
    std::string quoted = "\"";
    for (char c : text) {
        if (c == '"' || c == '\\') {
            quoted += '\\';
            quoted += c;
        } else if (static_cast<unsigned char>(c) < 0x20) {
            char escaped[8];
            snprintf(escaped, sizeof escaped, "\\u%04x", c);
            quoted += escaped;
        } else {
            quoted += c;
        }
    }
    return quoted + "\"";
}

std::string json_list(const std::vector<std::string>& items) {
    std::string list = "[";
    for (const std::string& item : items) list += (list.size() > 1 ? "," : "") + json(item);
    return list + "]";
}

// A float as JSON, in as many digits as bring back the same float.
std::string json_float(float value) {
    char text[32];
    snprintf(text, sizeof text, "%.9g", static_cast<double>(value));
    return text;
}

// The pictures a run needs, each {"path", "crop": [left, top, width, height], "sizes":
// [[width, height, press]...]}, with how they are made: the page's first pass, which ends
// the run here.
bool list_pictures(std::span<PictureRequest> requests, const ImageOptions& options, void*) {
    answer = "{\"resolution\":" + std::to_string(options.resolution) +
             ",\"jpeg\":" + (options.jpeg_compression ? "true" : "false") + ",\"pictures\":[";
    for (const PictureRequest& request : requests) {
        const CropBox& crop = request.image->crop;
        answer += (answer.back() == '[' ? "{" : ",{") + std::string("\"path\":") + json(request.image->path) +
                  ",\"crop\":[" + json_float(crop.left) + "," + json_float(crop.top) + "," +
                  json_float(crop.width) + "," + json_float(crop.height) + "],\"sizes\":[";
        for (const PictureSize& size : request.sizes) {
            answer += (answer.back() == '[' ? "[" : ",[") + std::to_string(size.pixels.width) + "," +
                      std::to_string(size.pixels.height) + "," + (size.press ? "1" : "0") + "]";
        }
        answer += "]}";
    }
    answer += "]}";
    return false;
}

// Pictures prepared before the run, by the page's workers or by this module, in the order
// the first pass listed them: each one's pictures in the order of its sizes, or why it could
// not be made. The same file may be listed twice (a household's photo), cropped otherwise.
struct Supplied {
    std::string path;
    std::vector<PreparedPicture> pictures;  // data malloc'd, handed to the run's image
    std::string failure;
};
std::vector<Supplied> supplied;

void drop_supplied() {
    for (Supplied& picture : supplied) {
        for (PreparedPicture& prepared : picture.pictures) free(prepared.data);
    }
    supplied.clear();
}

// The second pass's preparer: a picture supplied goes to its image as it was made, any other
// is made here.
bool take_supplied(std::span<PictureRequest> requests, const ImageOptions& options, void*) {
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
    if (supplied.size() <= static_cast<size_t>(index)) supplied.resize(static_cast<size_t>(index) + 1);
    return supplied[static_cast<size_t>(index)];
}

// The picture rosterbook_prepare made last, until the next call.
SourceImage prepared = {};

}  // namespace

// Runs rosterbook in `folder` (holding roster.sdd, the member list and the pictures) and
// returns its exit status: 0 when the PDFs were written there, 1 after a message. Pictures
// supplied before (rosterbook_prepare, rosterbook_supply) are used as they were made.
extern "C" EMSCRIPTEN_KEEPALIVE int rosterbook_run(const char* folder) {
    int status = 1;
    if (chdir(folder) != 0) {
        fprintf(stderr, "Error: cannot open the folder %s\n", folder);
    } else {
        // One thread: the page's workers prepare the pictures beforehand.
        status = run_rosterbook({SETTINGS_FILE_NAME,
                                 {nullptr, nullptr},
                                 1,
                                 -1,
                                 supplied.empty() ? nullptr : take_supplied,
                                 nullptr});
        chdir("/");  // the page removes the folder before the next run
    }
    drop_supplied();
    fflush(stdout);
    fflush(stderr);
    return status;
}

// A message's line of a member list, as the tool read it: the lines of `path` (in `folder`)
// from `line` - `around` to `line` + `around`, decoded as the folder's roster.sdd says, or a
// spreadsheet's rows there, each its cells joined by " | ". As JSON, {"lines": [{"number",
// "text"}]}; no lines when the file cannot be read.
extern "C" EMSCRIPTEN_KEEPALIVE const char* rosterbook_file_lines(const char* folder, const char* path,
                                                                  int line, int around) {
    answer = "{\"lines\":[";
    auto add = [](int number, const std::string& text) {
        answer += (answer.back() == '[' ? "{" : ",{") + std::string("\"number\":") + std::to_string(number) +
                  ",\"text\":" + json(text) + "}";
    };
    auto settings = std::unique_ptr<Settings>(new Settings);
    FILE* quiet = fopen("/dev/null", "w");  // what the settings say was said by the run
    const MessageStreams previous = use_message_streams({quiet, quiet});
    load_settings_from(settings.get(), (std::string(folder) + "/" + SETTINGS_FILE_NAME).c_str());
    use_message_streams(previous);
    if (quiet != nullptr) fclose(quiet);
    const std::string where = std::string(folder) + "/" + path;
    unsigned char* bytes = nullptr;
    size_t size = 0;
    Sheet sheet;
    if (read_whole_file(where.c_str(), MAX_MEMBER_FILE_BYTES, "too large", &bytes, &size)) {
        // unreadable: no lines
    } else if (is_spreadsheet_file(std::string_view(reinterpret_cast<char*>(bytes), size))) {
        if (!read_sheet(where.c_str(), settings->sheet_name, &sheet)) {
            for (const SheetRow& row : sheet.rows) {
                if (row.number < line - around || row.number > line + around) continue;
                std::string text;
                for (const std::string& cell : row.cells) text += (text.empty() ? "" : " | ") + cell;
                add(row.number, text);
            }
        }
    } else if (DecodedText decoded;
               !decode_text(std::string_view(reinterpret_cast<char*>(bytes), size), settings->text_encoding,
                            &decoded, settings->sort_language)) {
        // Cut as the list's reader cuts it, a lone CR ending a line too, so the numbers agree.
        const std::vector<std::string_view> lines = physical_lines(decoded.utf8);
        for (int number = std::max(1, line - around);
             number <= line + around && number <= static_cast<int>(lines.size()); ++number)
            add(number, std::string(lines[static_cast<size_t>(number - 1)]));
    }
    free(bytes);
    answer += "]}";
    return answer.c_str();
}

// The pictures a run in `folder` needs (list_pictures' JSON), found by a run that says
// nothing and stops before preparing them; {"pictures": []} when it stops sooner.
extern "C" EMSCRIPTEN_KEEPALIVE const char* rosterbook_pictures(const char* folder) {
    answer = "{\"pictures\":[]}";
    FILE* quiet = fopen("/dev/null", "w");
    if (quiet != nullptr && chdir(folder) == 0) {
        run_rosterbook({SETTINGS_FILE_NAME, {quiet, quiet}, 1, -1, list_pictures, nullptr});
        chdir("/");
    }
    if (quiet != nullptr) fclose(quiet);
    return answer.c_str();
}

// Prepares the picture at `path` (in `folder`) as a run does: the part `crop` keeps, at each
// of `sizes` ("width height press" per size, one after another), reduced to `resolution`,
// PNGs as JPEG when `jpeg`. With `keep` 0 or more it is supplied to the next run as the first
// pass's picture `keep`; else (-1) the answer is
// {"failure": reason or "", "pictures": [{"width", "height", "press", "colors", "kind",
// "data", "size"}...]}, the data in the module's memory until the next call.
extern "C" EMSCRIPTEN_KEEPALIVE const char* rosterbook_prepare(const char* folder, const char* path,
                                                               float left, float top, float width,
                                                               float height, const char* sizes,
                                                               int resolution, int jpeg, int keep) {
    free_source_image(&prepared);
    std::vector<PictureSize> wanted;
    unsigned w = 0, h = 0;
    int press = 0, used = 0;
    for (const char* at = sizes; sscanf(at, "%u %u %d%n", &w, &h, &press, &used) == 3; at += used) {
        wanted.push_back({{w, h}, press != 0});
    }
    std::optional<Failure> failure =
        chdir(folder) == 0 ? std::nullopt : std::optional(Failure{path, 0, "no folder"});
    if (!failure) failure = open_source_image(path, &prepared);
    if (!failure) {
        prepared.crop = {left, top, width, height};
        failure = prepare_pictures(&prepared, wanted, run_image_options(resolution, jpeg != 0));
    }
    chdir("/");
    Supplied made = {path, {}, failure ? failure->reason : std::string()};
    answer = "{\"failure\":" + json(made.failure) + ",\"pictures\":[";
    for (int i = 0; !failure && i < prepared.picture_count; ++i) {
        const PreparedPicture& picture = prepared.pictures[i];
        made.pictures.push_back(picture);
        answer +=
            (i > 0 ? ",{" : "{") + std::string("\"width\":") + std::to_string(picture.size.pixels.width) +
            ",\"height\":" + std::to_string(picture.size.pixels.height) +
            ",\"press\":" + (picture.size.press ? "1" : "0") +
            ",\"colors\":" + std::to_string(picture.colors) + ",\"kind\":" + std::to_string(picture.kind) +
            ",\"data\":" + std::to_string(reinterpret_cast<uintptr_t>(picture.data)) +
            ",\"size\":" + std::to_string(picture.data_size) + "}";
    }
    answer += "]}";
    if (keep >= 0) {
        supplied_at(keep) = std::move(made);
        prepared.picture_count = 0;  // the pictures' data is the supplied run's now
        free_source_image(&prepared);
    }
    return answer.c_str();
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

// {"keys": [{"name", "kind", "group", "choices", "default"}...], "languages": [tags],
// "sheets": [extensions]}: what the form shows, in the reader's order, and the spreadsheet
// files the tool looks for in place of a missing members.csv.
extern "C" EMSCRIPTEN_KEEPALIVE const char* rosterbook_settings_keys() {
    answer = "{\"keys\":[";
    for (const SettingInfo& info : setting_infos()) {
        answer += (answer.back() == '[' ? "{" : ",{") + std::string("\"name\":") + json(info.name) +
                  ",\"kind\":" + json(KIND_NAMES[info.kind]) + ",\"group\":" + json(info.group) +
                  ",\"choices\":" + json_list(info.choices) + ",\"default\":" + json(info.default_value) +
                  "}";
    }
    const std::span<const char* const> sheets =
        std::span(SPREADSHEET_EXTENSIONS).first(LOOKED_FOR_SPREADSHEETS);
    answer += "],\"languages\":" + json_list(collation_languages()) +
              ",\"sheets\":" + json_list({sheets.begin(), sheets.end()}) + "}";
    return answer.c_str();
}

// A roster.sdd's `size` bytes at `bytes`, as the reader takes them: {"text": its UTF-8 text,
// "keys": [{"key", "value", "first", "last"}...] in the order read, "messages": what the
// reader says}. A file that cannot be decoded gives {"text": null, ...}.
extern "C" EMSCRIPTEN_KEEPALIVE const char* rosterbook_settings_read(const char* bytes, int size) {
    std::string text, messages;
    const bool decoded = decode_settings_file({bytes, static_cast<size_t>(size)}, &text);
    answer = "{\"text\":" + (decoded ? json(text) : std::string("null")) + ",\"keys\":[";
    for (const SettingLines& at : read_setting_lines(text, &messages)) {
        answer += (answer.back() == '[' ? "{" : ",{") + std::string("\"key\":") + json(at.key) +
                  ",\"value\":" + json(at.value) + ",\"first\":" + std::to_string(at.first_line) +
                  ",\"last\":" + std::to_string(at.last_line) + "}";
    }
    answer += "],\"messages\":" + json(messages) + "}";
    return answer.c_str();
}

// `text` (UTF-8) with `key` set to `value`, every other line as it was (edit_setting).
extern "C" EMSCRIPTEN_KEEPALIVE const char* rosterbook_settings_edit(const char* text, const char* key,
                                                                     const char* value) {
    answer = edit_setting(text, key, value);
    return answer.c_str();
}

// The page calls rosterbook_run for each roster; starting the module runs nothing.
int main() { return 0; }
