#include "app/email_list.h"

#include <gtest/gtest.h>

namespace {

// A display name goes in quotes when a mail program would read a character of it otherwise.
TEST(EmailList, DisplayNamesQuotedWhereNeeded) {
    const struct {
        const char* name;
        const char* shown;
    } cases[] = {
        {"Ann Lee", "Ann Lee"},
        {"Bob & Carol Smith", "Bob & Carol Smith"},
        {"Smith, Bob", "\"Smith, Bob\""},
        {"Bob \"Sparky\" Stanhope", "\"Bob \\\"Sparky\\\" Stanhope\""},
        {"J. R. Ewing", "\"J. R. Ewing\""},
        {"山田 太郎", "山田 太郎"},
    };
    for (const auto& c : cases) EXPECT_EQ(display_name(c.name), c.shown) << c.name;
}

}  // namespace
