#include "app/contacts.h"

#include <gtest/gtest.h>

namespace {

// vCard text: escaped as RFC 2426 says, and folded at 75 octets, never inside a character.
TEST(Contacts, TextEscapedAndLinesFolded) {
    const struct {
        std::string line;
        std::string written;
    } cases[] = {
        {"NOTE:" + vcard_escaped("a,b;c\\d\ne"), "NOTE:a\\,b\\;c\\\\d\\ne\r\n"},
        {"FN:" + std::string(71, 'x'), "FN:" + std::string(71, 'x') + "\r\n"},  // 74 octets
        {std::string(80, 'x'), std::string(75, 'x') + "\r\n " + std::string(5, 'x') + "\r\n"},
        {std::string(74, 'x') + "é", std::string(74, 'x') + "\r\n é\r\n"},  // é's two octets kept together
        {std::string(75 + 74 + 1, 'x'),
         std::string(75, 'x') + "\r\n " + std::string(74, 'x') + "\r\n " + "x\r\n"},
    };
    for (const auto& c : cases) EXPECT_EQ(vcard_folded(c.line), c.written) << c.line;
}

}  // namespace
