#include "app/contacts.h"

#include <algorithm>
#include <cstdlib>
#include <vector>

#include "image/image.h"
#include "image/jpeg_codec.h"

namespace {

constexpr size_t VCARD_LINE_OCTETS = 75;
constexpr int CONTACT_PHOTO_QUALITIES[] = {85, 70, 55, 40, 25};  // tried in turn till the photo fits

// `bytes` in base64 (RFC 4648, with padding), as a vCard's "ENCODING=b" holds binary values.
std::string base64(std::string_view bytes) {
    static constexpr char DIGITS[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
    std::string text;
    text.reserve((bytes.size() + 2) / 3 * 4);
    for (size_t i = 0; i < bytes.size(); i += 3) {
        const size_t left = std::min<size_t>(3, bytes.size() - i);
        uint32_t group = 0;
        for (size_t k = 0; k < 3; ++k)
            group = group << 8 | (k < left ? static_cast<unsigned char>(bytes[i + k]) : 0u);
        for (size_t k = 0; k < 4; ++k) text += k <= left ? DIGITS[(group >> (18 - 6 * k)) & 63] : '=';
    }
    return text;
}

// A person a row names, and which of its values are theirs.
struct RowPerson {
    PersonName name;
    bool alone;  // the row names nobody else
};

std::vector<RowPerson> people_of(const Member& row) {
    std::vector<RowPerson> people = {
        {{row.first_name, row.last_name, row.housemates.empty() ? row.name : "", "", row.line_number},
         row.housemates.empty()}};
    for (const PersonName& housemate : row.housemates) people.push_back({housemate, false});
    return people;
}

// The values of a detail that are `person`'s: each value of the row's, but one tagged with
// another person's first name ("555-0101 (Ann)"), as a couple's row may tag them.
std::vector<std::string> values_for(const std::string& text, const RowPerson& person) {
    std::vector<std::string> values;
    for (const DetailValue& value : detail_values(text)) {
        if (person.alone || value.tag.empty()) {
            values.push_back(person.alone && !value.tag.empty() ? value.value + " (" + value.tag + ")"
                                                                : value.value);
        } else if (value.tag == person.name.first_name) {
            values.push_back(value.value);
        }
    }
    return values;
}

// One person's vCard, each content line folded.
std::string vcard(const Member& row, const RowPerson& person, const Settings& settings,
                  const std::string& club, const std::string& photo) {
    std::string card = vcard_folded("BEGIN:VCARD") + vcard_folded("VERSION:3.0");
    card += vcard_folded("FN:" + vcard_escaped(printed_name(person.name, settings.name_order)));
    card += vcard_folded("N:" + vcard_escaped(person.name.last_name) + ";" +
                         vcard_escaped(person.name.first_name) + ";;;");
    const struct {
        Detail detail;
        const char* property;
    } phones[] = {{DETAIL_PHONE, "TEL;TYPE=HOME,VOICE:"},
                  {DETAIL_CELL, "TEL;TYPE=CELL,VOICE:"},
                  {DETAIL_EMAIL, "EMAIL;TYPE=INTERNET:"}};
    for (const auto& phone : phones) {
        for (const std::string& value : values_for(row.details[phone.detail], person))
            card += vcard_folded(phone.property + vcard_escaped(value));
    }
    // The country is on no card: it goes with the address the card prints.
    const std::string& street = row.details[DETAIL_ADDRESS];
    const std::string country = street.empty() ? "" : row.country;
    if (!street.empty() || !row.details[DETAIL_CITY].empty() || !row.details[DETAIL_ZIP].empty()) {
        card += vcard_folded("ADR;TYPE=HOME:;;" + vcard_escaped(street) + ";" +
                             vcard_escaped(row.details[DETAIL_CITY]) + ";;" +
                             vcard_escaped(row.details[DETAIL_ZIP]) + ";" + vcard_escaped(country));
    }
    if (!club.empty()) card += vcard_folded("ORG:" + vcard_escaped(club));
    if (!row.role.empty()) card += vcard_folded("CATEGORIES:" + vcard_escaped(row.role));
    if (!photo.empty()) card += vcard_folded("PHOTO;ENCODING=b;TYPE=JPEG:" + base64(photo));
    return card + vcard_folded("END:VCARD");
}

}  // namespace

std::string vcard_escaped(std::string_view text) {
    std::string escaped;
    for (char c : text) {
        if (c == '\\' || c == ',' || c == ';') {
            escaped += '\\';
            escaped += c;
        } else if (c == '\n') {
            escaped += "\\n";
        } else if (c != '\r') {
            escaped += c;
        }
    }
    return escaped;
}

std::string vcard_folded(std::string_view line) {
    std::string folded;
    size_t limit = VCARD_LINE_OCTETS;  // the first line's; a continuation's blank takes one of the next
    while (line.size() > limit) {
        size_t cut = limit;
        while (cut > 0 && (static_cast<unsigned char>(line[cut]) & 0xC0) == 0x80)
            --cut;  // inside a character
        folded += std::string(line.substr(0, cut)) + "\r\n ";
        line.remove_prefix(cut);
        limit = VCARD_LINE_OCTETS - 1;
    }
    return folded + std::string(line) + "\r\n";
}

std::optional<Failure> contact_photo(const std::string& path, PhotoFocus focus, std::string* jpeg) {
    SourceImage image = {};
    if (std::optional<Failure> failure = open_source_image(path.c_str(), &image)) return failure;
    image.crop = crop_to_frame(image.width, image.height, 1.0f, 1.0f, focus.across, focus.down);
    const PixelSize crop = cropped_size(image);
    const uint32_t side = std::min({CONTACT_PHOTO_PIXELS, crop.width, crop.height});
    const PictureSize size = {{side, side}, false};
    DecodedPicture decoded;
    std::optional<Failure> failure = decode_picture(&image, std::span(&size, 1), &decoded);
    free_source_image(&image);
    if (failure) return failure;
    Samples& samples = decoded.sized[0];
    if (samples.channels == 2 || samples.channels == 4)
        samples = laid_onto_white(samples);  // no alpha in JPEG
    if (samples.data == nullptr) return Failure{path, 0, "not enough memory"};
    for (int quality : CONTACT_PHOTO_QUALITIES) {
        unsigned char* bytes = nullptr;
        unsigned long length = 0;
        if (!encode_jpeg(samples.data.get(), samples.width, samples.height, samples.channels, quality, &bytes,
                         &length))
            return Failure{path, 0, "not enough memory"};
        jpeg->assign(reinterpret_cast<const char*>(bytes), length);
        free(bytes);
        if (length <= MAX_CONTACT_PHOTO_BYTES) return std::nullopt;
    }
    jpeg->clear();  // noise no quality squeezes into a contact: the card goes without
    return Failure{path, 0, "does not fit a contact's photo"};
}

std::string contacts_file(const Roster& rows, const Settings& settings, const std::string& club,
                          std::span<const std::string> photos, int* count) {
    std::string file;
    *count = 0;
    for (size_t i = 0; i < rows.people.size(); ++i) {
        const Member& row = rows.people[i];
        for (const RowPerson& person : people_of(row)) {
            file += vcard(row, person, settings, club, i < photos.size() ? photos[i] : std::string());
            ++*count;
        }
    }
    return file;
}
