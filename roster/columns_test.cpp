// What a list's cells mean: a whole name in one cell.
#include "roster/columns.h"

#include <gtest/gtest.h>

#include <string>

// A whole name in one cell names one person or a household's people, each with the surname
// that is theirs; the comma rule holds where no joiner follows the comma.
TEST(PeopleNamed, CouplesInOneCell) {
    const struct {
        const char* name;
        const char* joiner;
        const char* people;  // "first|last" each, "; " between
    } cases[] = {
        {"Bob Smith", "&", "Bob|Smith"},
        {"Smith, Bob", "&", "Bob|Smith"},
        {"Bob & Carol Smith", "&", "Bob|Smith; Carol|Smith"},
        {"Bob, Carol & Sam Smith", "&", "Bob|Smith; Carol|Smith; Sam|Smith"},
        {"Ann Lee & Tom Park", "&", "Ann|Lee; Tom|Park"},
        {"Bob and Sue Miller", "&", "Bob|Miller; Sue|Miller"},
        {"Bob + Sue Miller Jr.", "&", "Bob|Miller Jr.; Sue|Miller Jr."},
        {"Smith, Bob & Carol", "&", "Bob|Smith; Carol|Smith"},
        {"María y José García", "y", "María|García; José|García"},
        {"José Ortega y Gasset", "&", "José Ortega y|Gasset"},
        {"Ortega y Gasset, José", "y", "José|Ortega y Gasset"},
        {"Bob & Carol", "&", "Bob &|Carol"},
        {"Anders And", "&", "Anders|And"},
    };
    for (const auto& c : cases) {
        std::string people;
        for (const PersonName& p : people_named(c.name, c.joiner))
            people += (people.empty() ? "" : "; ") + p.first_name + "|" + p.last_name;
        EXPECT_EQ(people, c.people) << c.name;
    }
}
