#include "text/collate.h"

#include <unicode/uloc.h>
#include <unicode/ustring.h>

#include <cstring>

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

std::string sort_key(const Collation& collation, std::string_view utf8) {
    UErrorCode status = U_ZERO_ERROR;
    UCharIterator iterator;
    uiter_setUTF8(&iterator, utf8.data(), static_cast<int32_t>(utf8.size()));
    // ucol_getSortKey wants UTF-16; a key of the UTF-8 text through ucol_nextSortKeyPart avoids the copy.
    std::string key;
    uint32_t state[2] = {0, 0};
    char chunk[256];
    for (;;) {
        const int32_t written = ucol_nextSortKeyPart(
            collation.collator, &iterator, state, reinterpret_cast<uint8_t*>(chunk), sizeof chunk, &status);
        if (U_FAILURE(status) || written <= 0) break;
        key.append(chunk, static_cast<size_t>(written));
        if (written < static_cast<int32_t>(sizeof chunk)) break;
    }
    return key;
}

int compare_names(const char* a, const char* b) {
    static Collation root;
    if (root.collator == nullptr) open_collation(&root, "");
    UErrorCode status = U_ZERO_ERROR;
    return ucol_strcollUTF8(root.collator, a, -1, b, -1, &status);
}
