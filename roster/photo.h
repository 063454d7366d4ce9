// Where each card's photo comes from: the file a Photo column names, in the photo folder or
// beside the member list, else a file in the photo folder named after the person.
#pragma once

#include <string>
#include <vector>

#include "roster/roster.h"
#include "settings/settings.h"

// Where a photo's frame stands in the part of the picture that does not fit it: across
// (0 left, 1 right) and down (0 top, 1 bottom).
struct PhotoFocus {
    float across, down;
};

// The upper centre: most portraits have the face above the middle.
constexpr PhotoFocus DEFAULT_FOCUS = {0.5f, 0.25f};

// The photo of one card.
struct CardPhotoFile {
    std::string path;  // "" when the card has none (or may not print it)
    PhotoFocus focus;
};

// The focus a Photo Focus value names: "top", "centre" (or "center"), "bottom", "left" or
// "right", in any letter case; DEFAULT_FOCUS for "" and, with `known` set false, for
// anything else.
PhotoFocus photo_focus(const std::string& value, bool* known);

// Finds the photo of each card of `roster` (by its index in roster.people) as `settings`
// say: a card's Photo value, taken in settings.photo_folder, then beside the member list;
// else the folder's picture whose name (name_key: case, blanks, commas, underscores, word
// order folded) is the household's joined name or its first person's name. A private
// card's photo is never taken unless Private Shows names Photo. Warns on stderr, once
// each: a Photo value no file answers, a Photo Focus it does not know, each picture in the
// folder that matches no member, and how many cards have no photo.
std::vector<CardPhotoFile> find_member_photos(const Roster& roster, const Settings& settings);
