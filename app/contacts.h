// Contacts for members' phones: the roster's people as vCards 3.0 (RFC 2426, which phones'
// contact apps import most reliably), one a person, with what the roster prints of them.
#pragma once

#include <optional>
#include <span>
#include <string>
#include <string_view>

#include "base/failure.h"
#include "roster/photo.h"
#include "roster/roster.h"
#include "settings/settings.h"

constexpr size_t MAX_CONTACT_PHOTO_BYTES = 20 * 1024;  // a contact's photo, as JPEG
constexpr uint32_t CONTACT_PHOTO_PIXELS = 240;         // its side, at most: a phone shows it small

// Makes `*jpeg` the photo at `path` as a contact shows it: the square `focus` frames, at most
// CONTACT_PHOTO_PIXELS a side, as a JPEG of at most MAX_CONTACT_PHOTO_BYTES. The failure names
// `path` as the picture reader does.
[[nodiscard]] std::optional<Failure> contact_photo(const std::string& path, PhotoFocus focus,
                                                   std::string* jpeg);

// The vCard file: for each row of `rows` (read by load_rows) and each person it names, in the
// roster's order, a vCard with FN and N, TEL (TYPE HOME for the Phone detail, CELL for the Cell
// one), EMAIL, ADR, ORG `club`, CATEGORIES (the row's role word) and, where `photos` (JPEG bytes,
// by row; "" for none, or an empty span) has one, PHOTO. Only what the card prints goes in: a
// private member's name and what Private Shows names. A row's value tagged with a person's
// first name ("555-0101 (Ann)") goes on that person's card alone. Lines end in CRLF and are
// folded at 75 octets. `count` gets the number of vCards.
std::string contacts_file(const Roster& rows, const Settings& settings, const std::string& club,
                          std::span<const std::string> photos, int* count);

// `text` as a vCard text value: backslashes, commas and semicolons escaped, line breaks as "\n".
std::string vcard_escaped(std::string_view text);

// One content line, folded so that no line is longer than 75 octets (a fold never splits a
// UTF-8 character; a continuation starts with a blank), CRLF-ended.
std::string vcard_folded(std::string_view line);
