#include "base/text_util.h"

#include <gtest/gtest.h>

#include <cstdio>

namespace {

TEST(TextUtil, TrimAndStripQuotes) {
    const struct {
        const char* input;
        const char* trimmed;
        const char* unquoted;
    } cases[] = {
        {"", "", ""},
        {" \t\v\f\r\n", "", " \t\v\f\r\n"},
        {"  a b  ", "a b", "  a b  "},
        {"\"a\"", "\"a\"", "a"},
        {"\"\"", "\"\"", ""},
        {"\"", "\"", "\""},
        {"\"a", "\"a", "\"a"},
        {" \"a\"", "\"a\"", " \"a\""},
    };
    for (const auto& c : cases) {
        char text[64];
        snprintf(text, sizeof text, "%s", c.input);
        trim_in_place(text);
        EXPECT_STREQ(text, c.trimmed) << "trim '" << c.input << "'";
        snprintf(text, sizeof text, "%s", c.input);
        strip_quotes(text);
        EXPECT_STREQ(text, c.unquoted) << "strip_quotes '" << c.input << "'";
    }
}

}  // namespace
