#include "app/page_answers.h"

#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <memory>
#include <optional>
#include <vector>

#include "base/file.h"
#include "roster/csv.h"
#include "roster/roster.h"
#include "roster/sheet.h"
#include "settings/settings.h"
#include "text/collate.h"
#include "text/decode.h"

namespace {

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

// "," before every item of a list but its first, whose "[" ends `answer` so far.
const char* separator(const std::string& answer) { return answer.back() == '[' ? "" : ","; }

// The form's word for a kind of value; the compiler names a kind added without one.
const char* kind_name(SettingKind kind) {
    switch (kind) {
        case SETTING_TEXT:
            return "text";
        case SETTING_LINES:
            return "lines";
        case SETTING_CHOICE:
            return "choice";
        case SETTING_COLOUR:
            return "colour";
        case SETTING_NUMBER:
            return "number";
        case SETTING_FILE:
            return "file";
        case SETTING_LANGUAGE:
            return "language";
    }
    return "text";
}

// The settings of `folder`'s roster.sdd, read without a word: the run says what is wrong in them.
std::unique_ptr<Settings> quietly_loaded_settings(const std::string& folder) {
    auto settings = std::make_unique<Settings>();
    FILE* quiet = fopen("/dev/null", "w");
    const MessageStreams previous = use_message_streams({quiet, quiet});
    load_settings_from(settings.get(), (folder + "/" + SETTINGS_FILE_NAME).c_str());
    use_message_streams(previous);
    if (quiet != nullptr) fclose(quiet);
    return settings;
}

}  // namespace

std::string form_keys_json() {
    std::string answer = "{\"keys\":[";
    for (const SettingInfo& info : setting_infos()) {
        answer += separator(answer) + std::string("{\"name\":") + json(info.name) +
                  ",\"kind\":" + json(kind_name(info.kind)) + ",\"group\":" + json(info.group) +
                  ",\"choices\":" + json_list(info.choices) + ",\"default\":" + json(info.default_value) +
                  "}";
    }
    const std::span<const char* const> sheets =
        std::span(SPREADSHEET_EXTENSIONS).first(LOOKED_FOR_SPREADSHEETS);
    return answer + "],\"languages\":" + json_list(collation_languages()) +
           ",\"sheets\":" + json_list({sheets.begin(), sheets.end()}) + "}";
}

std::string form_read_json(std::string_view bytes) {
    std::string text, messages;
    const bool decoded = decode_settings_file(bytes, &text);
    std::string answer = "{\"text\":" + (decoded ? json(text) : std::string("null")) + ",\"keys\":[";
    for (const SettingLines& at : read_setting_lines(text, &messages)) {
        answer += separator(answer) + std::string("{\"key\":") + json(at.key) +
                  ",\"value\":" + json(at.value) + ",\"first\":" + std::to_string(at.first_line) +
                  ",\"last\":" + std::to_string(at.last_line) + "}";
    }
    return answer + "],\"messages\":" + json(messages) + "}";
}

std::string form_edit(const std::string& text, const std::string& key, const std::string& value) {
    return edit_setting(text, key, value);
}

std::string lines_around_json(const std::string& folder, const std::string& path, int line, int around) {
    std::string answer = "{\"lines\":[";
    auto add = [&answer](int number, std::string_view text) {
        answer += separator(answer) + std::string("{\"number\":") + std::to_string(number) +
                  ",\"text\":" + json(text) + "}";
    };
    const std::unique_ptr<Settings> settings = quietly_loaded_settings(folder);
    const std::string where = folder + "/" + path;
    unsigned char* bytes = nullptr;
    size_t size = 0;
    Sheet sheet;
    if (std::optional<Failure> failed =
            read_whole_file(where.c_str(), MAX_MEMBER_FILE_BYTES, "too large", &bytes, &size)) {
        // unreadable: no lines
    } else if (is_spreadsheet_file(std::string_view(reinterpret_cast<char*>(bytes), size))) {
        if (read_sheet(where.c_str(), settings->sheet_name, &sheet) == std::nullopt) {
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
            add(number, lines[static_cast<size_t>(number - 1)]);
    }
    free(bytes);
    return answer + "]}";
}

std::string pictures_json(std::span<const PictureRequest> requests, const ImageOptions& options) {
    std::string answer = "{\"resolution\":" + std::to_string(options.resolution) +
                         ",\"jpeg\":" + (options.jpeg_compression ? "true" : "false") +
                         ",\"ink\":" + std::to_string(options.ink_limit) + ",\"pictures\":[";
    for (const PictureRequest& request : requests) {
        const CropBox& crop = request.image->crop;
        answer += separator(answer) + std::string("{\"path\":") + json(request.image->path) + ",\"crop\":[" +
                  json_float(crop.left) + "," + json_float(crop.top) + "," + json_float(crop.width) + "," +
                  json_float(crop.height) + "],\"sizes\":[";
        for (const PictureSize& size : request.sizes) {
            answer += separator(answer) + std::string("[") + std::to_string(size.pixels.width) + "," +
                      std::to_string(size.pixels.height) + "," + (size.press ? "1" : "0") + "]";
        }
        answer += "]}";
    }
    return answer + "]}";
}

std::string prepared_json(const SourceImage& image, const std::string& failure) {
    std::string answer = "{\"failure\":" + json(failure) + ",\"pictures\":[";
    for (int i = 0; failure.empty() && i < image.picture_count; ++i) {
        const PreparedPicture& picture = image.pictures[i];
        answer += separator(answer) + std::string("{\"width\":") + std::to_string(picture.size.pixels.width) +
                  ",\"height\":" + std::to_string(picture.size.pixels.height) +
                  ",\"press\":" + (picture.size.press ? "1" : "0") +
                  ",\"colors\":" + std::to_string(picture.colors) +
                  ",\"kind\":" + std::to_string(picture.kind) +
                  ",\"data\":" + std::to_string(reinterpret_cast<uintptr_t>(picture.data)) +
                  ",\"size\":" + std::to_string(picture.data_size) + "}";
    }
    return answer + "]}";
}

std::string prepare_picture_in(const std::string& folder, const char* path, CropBox crop, const char* sizes,
                               const ImageOptions& options, SourceImage* image) {
    free_source_image(image);
    std::vector<PictureSize> wanted;
    unsigned width = 0, height = 0;
    int press = 0, used = 0;
    for (const char* at = sizes; sscanf(at, "%u %u %d%n", &width, &height, &press, &used) == 3; at += used) {
        wanted.push_back({{width, height}, press != 0});
    }
    std::optional<Failure> failure =
        chdir(folder.c_str()) == 0 ? std::nullopt : std::optional(Failure{path, 0, "no folder"});
    if (!failure) failure = open_source_image(path, image);
    if (!failure) {
        image->crop = crop;
        failure = prepare_pictures(image, wanted, options);
    }
    if (chdir("/") != 0) failure = Failure{path, 0, "no folder"};
    return failure ? failure->reason : std::string();
}

int run_in_folder(const char* folder, MessageStreams streams, PicturePreparer preparer) {
    if (chdir(folder) != 0) return -1;
    const int status = run_rosterbook({SETTINGS_FILE_NAME, streams, 1, -1, preparer, nullptr});
    if (chdir("/") != 0) return -1;  // the page removes the folder before the next run
    return status;
}
