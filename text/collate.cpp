#include "text/collate.h"

#include <unicode/alphaindex.h>
#include <unicode/normalizer2.h>
#include <unicode/uchar.h>
#include <unicode/uloc.h>
#include <unicode/ustring.h>

#include <algorithm>
#include <cstring>
#include <memory>
#include <vector>

Collation::~Collation() {
    if (collator != nullptr) ucol_close(collator);
}

bool open_collation(Collation* collation, const char* language) {
    UErrorCode status = U_ZERO_ERROR;
    collation->collator = ucol_open(language, &status);
    if (U_FAILURE(status)) {
        status = U_ZERO_ERROR;
        collation->collator = ucol_open("", &status);
    }
    // Secondary strength: accents count after the letters, letter case not at all.
    ucol_setStrength(collation->collator, UCOL_SECONDARY);
    // ICU falls back to the root order for a tag it has no data for, and says so only
    // through the locale it settled on.
    UErrorCode locale_status = U_ZERO_ERROR;
    const char* valid = ucol_getLocaleByType(collation->collator, ULOC_VALID_LOCALE, &locale_status);
    const bool root_asked = language[0] == '\0' || strcmp(language, "root") == 0;
    return root_asked || (valid != nullptr && strcmp(valid, "root") != 0);
}

std::vector<std::string> collation_languages() {
    std::vector<std::string> languages;
    for (int32_t i = 0; i < ucol_countAvailable(); ++i) {
        const char* tag = ucol_getAvailable(i);
        if (strchr(tag, '_') != nullptr) continue;  // a region's or script's variant
        Collation collation;
        if (open_collation(&collation, tag)) languages.push_back(tag);
    }
    return languages;
}

std::string sort_key(const Collation& collation, std::string_view utf8) {
    // ucol_getSortKey on UTF-16 is several times faster than iterating over the UTF-8.
    // Names of any length sort by all their characters: the buffers grow for a long one.
    std::vector<UChar> units(utf8.size() + 1);
    int32_t length = 0;
    UErrorCode status = U_ZERO_ERROR;
    u_strFromUTF8Lenient(units.data(), static_cast<int32_t>(units.size()), &length, utf8.data(),
                         static_cast<int32_t>(utf8.size()), &status);
    if (U_FAILURE(status)) length = 0;
    std::string key(256, '\0');
    for (;;) {
        const int32_t size =
            ucol_getSortKey(collation.collator, units.data(), length, reinterpret_cast<uint8_t*>(key.data()),
                            static_cast<int32_t>(key.size()));
        if (static_cast<size_t>(size) <= key.size()) {
            key.resize(static_cast<size_t>(size));
            return key;
        }
        key.resize(static_cast<size_t>(size));
    }
}

int compare_names(const char* a, const char* b) {
    struct Root {
        Collation order;
        Root() { open_collation(&order, ""); }
    };
    static const Root root;  // opened once, by whichever thread asks first
    UErrorCode status = U_ZERO_ERROR;
    return ucol_strcollUTF8(root.order.collator, a, -1, b, -1, &status);
}

std::string match_key(std::string_view utf8) {
    UErrorCode status = U_ZERO_ERROR;
    const int32_t capacity = static_cast<int32_t>(utf8.size()) + 1;
    std::vector<UChar> units(static_cast<size_t>(capacity)), folded(static_cast<size_t>(capacity) * 3);
    int32_t length = 0;
    u_strFromUTF8Lenient(units.data(), capacity, &length, utf8.data(), static_cast<int32_t>(utf8.size()),
                         &status);
    length = u_strFoldCase(folded.data(), capacity * 3, units.data(), length, U_FOLD_CASE_DEFAULT, &status);
    if (U_FAILURE(status)) return std::string();
    // Blanks and joiners are written every way; dropping them makes the spellings meet.
    int32_t kept = 0;
    for (int32_t i = 0; i < length; ++i) {
        const UChar c = folded[static_cast<size_t>(i)];
        const bool joiner = c == '-' || c == '_' || c == '.' || (c >= 0x2010 && c <= 0x2015);
        if (!joiner && !u_isUWhiteSpace(c)) folded[static_cast<size_t>(kept++)] = c;
    }
    if (kept > 1 && folded[static_cast<size_t>(kept - 1)] == 's') --kept;  // plurals
    std::string key(static_cast<size_t>(kept) * 3, '\0');
    int32_t bytes = 0;
    u_strToUTF8(key.data(), static_cast<int32_t>(key.size()), &bytes, folded.data(), kept, &status);
    key.resize(U_SUCCESS(status) ? static_cast<size_t>(bytes) : 0);
    return key;
}

std::string without_accents(std::string_view utf8) {
    UErrorCode status = U_ZERO_ERROR;
    const icu::Normalizer2* nfd = icu::Normalizer2::getNFDInstance(status);
    const icu::Normalizer2* nfc = icu::Normalizer2::getNFCInstance(status);
    if (U_FAILURE(status)) return std::string(utf8);
    const icu::UnicodeString decomposed = nfd->normalize(
        icu::UnicodeString::fromUTF8(icu::StringPiece(utf8.data(), static_cast<int32_t>(utf8.size()))),
        status);
    icu::UnicodeString bare;
    for (int32_t i = 0; i < decomposed.length();) {
        const UChar32 c = decomposed.char32At(i);
        if (u_charType(c) != U_NON_SPACING_MARK) bare.append(c);
        i += U16_LENGTH(c);
    }
    std::string out;
    nfc->normalize(bare, status).toUTF8String(out);
    return U_SUCCESS(status) ? out : std::string(utf8);
}

std::string name_key(std::string_view utf8, std::span<const std::string_view> ignored) {
    std::vector<std::string> words;
    size_t start = 0;
    for (size_t i = 0; i <= utf8.size(); ++i) {
        if (i < utf8.size() && strchr(" \t,_.-", utf8[i]) == nullptr) continue;
        const std::string_view word = utf8.substr(start, i - start);
        const bool left_out = std::any_of(ignored.begin(), ignored.end(), [&](std::string_view other) {
            return match_key(other) == match_key(word);
        });
        if (i > start && !left_out) words.push_back(match_key(word));
        start = i + 1;
    }
    std::sort(words.begin(), words.end());
    words.erase(std::unique(words.begin(), words.end()), words.end());
    std::string key;
    for (const std::string& word : words) key += (key.empty() ? "" : " ") + word;
    return key;
}

namespace {

// The scripts whose letters every index knows besides its language's own (Latin among them).
constexpr const char* OTHER_SCRIPTS[] = {"en", "el", "ru", "ko", "he", "ar", "hi", "th", "ja"};
constexpr const char* NO_LETTER = "#";

// The index of `language` with the other scripts' letters, or null without ICU's data.
std::unique_ptr<icu::AlphabeticIndex::ImmutableIndex> open_index(const char* language) {
    UErrorCode status = U_ZERO_ERROR;
    const icu::Locale locale = language[0] != '\0' ? icu::Locale(language) : icu::Locale::getEnglish();
    icu::AlphabeticIndex index(locale, status);
    index.setMaxLabelCount(1000, status);
    for (const char* other : OTHER_SCRIPTS) {
        if (strcmp(other, locale.getLanguage()) != 0) index.addLabels(icu::Locale(other), status);
    }
    const icu::UnicodeString none = icu::UnicodeString::fromUTF8(NO_LETTER);
    index.setUnderflowLabel(none, status).setOverflowLabel(none, status).setInflowLabel(none, status);
    std::unique_ptr<icu::AlphabeticIndex::ImmutableIndex> immutable(index.buildImmutableIndex(status));
    if (U_FAILURE(status)) immutable.reset();
    return immutable;
}

}  // namespace

std::vector<std::string> index_labels(const char* language, const std::vector<std::string>& names) {
    std::unique_ptr<icu::AlphabeticIndex::ImmutableIndex> index = open_index(language);
    std::vector<std::string> labels;
    for (const std::string& name : names) {
        std::string label;
        UErrorCode status = U_ZERO_ERROR;
        if (index != nullptr) {
            const int32_t bucket = index->getBucketIndex(icu::UnicodeString::fromUTF8(name), status);
            const icu::AlphabeticIndex::Bucket* found = index->getBucket(bucket);
            if (U_SUCCESS(status) && found != nullptr) found->getLabel().toUTF8String(label);
        }
        labels.push_back(label.empty() ? NO_LETTER : label);
    }
    return labels;
}
