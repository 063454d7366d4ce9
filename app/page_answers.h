// What the web page asks of the core, answered as JSON from the core's own tables and
// readers: the settings as a form, the lines around a message's line of the member list,
// and the pictures a run needs or has had prepared. The page holds none of this itself.
#pragma once

#include <span>
#include <string>
#include <string_view>

#include "app/run.h"

// {"keys": [{"name", "kind", "group", "choices", "default"}...], "languages": [tags],
// "sheets": [extensions]}: the form's fields in the reader's order, the languages a sort
// knows, and the spreadsheet files looked for in place of a missing members.csv.
std::string form_keys_json();

// A roster.sdd's `bytes` as the reader takes them: {"text": its UTF-8 text, "keys": [{"key",
// "value", "first", "last"}...] in the order read, "messages": what the reader says}. Bytes
// that cannot be decoded give {"text": null, ...}.
std::string form_read_json(std::string_view bytes);

// `text` (UTF-8) with `key` set to `value`, every other line as it was.
std::string form_edit(const std::string& text, const std::string& key, const std::string& value);

// The lines `line` - `around` to `line` + `around` of the member list at `path` in `folder`,
// numbered as the run's messages number them: a text list decoded and cut into lines as the
// folder's roster.sdd has it read, a spreadsheet's rows with their cells joined by " | ".
// {"lines": [{"number", "text"}...]}; no lines when the file cannot be read.
std::string lines_around_json(const std::string& folder, const std::string& path, int line, int around);

// The pictures a run asks for, as a run's first pass hands them to its PicturePreparer:
// {"resolution", "jpeg", "ink", "pictures": [{"path", "crop": [left, top, width, height], "sizes":
// [[width, height, press]...]}...]}.
std::string pictures_json(std::span<const PictureRequest> requests, const ImageOptions& options);

// The pictures prepared for `image`, or why they could not be made (`failure`, "" when they
// were): {"failure", "pictures": [{"width", "height", "press", "colors", "kind", "data",
// "size"}...]}, "data" the address of each picture's bytes in this process.
std::string prepared_json(const SourceImage& image, const std::string& failure);

// Prepares the picture at `path` in `folder` into `image` (freed first) as a run does: the
// part `crop` keeps, at each of `sizes` ("width height press" per size, one after another),
// made as `options` say. Returns why it could not be made, "" when made. Leaves the working
// folder "/".
std::string prepare_picture_in(const std::string& folder, const char* path, CropBox crop, const char* sizes,
                               const ImageOptions& options, SourceImage* image);

// One run in `folder` on its roster.sdd, on one thread, as run_rosterbook makes it with
// `streams` and `preparer`; the working folder is "/" again afterwards. -1 when `folder`
// cannot be entered.
int run_in_folder(const char* folder, MessageStreams streams, PicturePreparer preparer);
