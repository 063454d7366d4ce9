#include "text/encoding.h"

#include <gtest/gtest.h>

#include <string>

namespace {

TEST(ConvertToWindows1252, Cases) {
    const struct {
        std::string input;
        std::string expected;
        int replaced;
    } cases[] = {
        {"", "", 0},
        {"Plain ASCII, 100% unchanged ~\x7F", "Plain ASCII, 100% unchanged ~\x7F", 0},
        // The 27 characters Windows-1252 keeps in 0x80..0x9F.
        {"€‚ƒ„…†‡ˆ‰Š‹ŒŽ‘’“”•–—˜™š›œžŸ",
         "\x80\x82\x83\x84\x85\x86\x87\x88\x89\x8A\x8B\x8C\x8E\x91\x92\x93\x94\x95\x96\x97\x98\x99\x9A\x9B"
         "\x9C\x9E\x9F",
         0},
        {"José Müller, Zoë, François, Ñandú, Øystein, Straße",
         "Jos\xE9 M\xFCller, Zo\xEB, Fran\xE7ois, \xD1"
         "and\xFA, \xD8ystein, Stra\xDF"
         "e",
         0},
        {"\xC2\xA0\xC2\xA9\xC3\xBF", "\xA0\xA9\xFF", 0},  // no-break space, ©, ÿ
        {"Łukasz", "?ukasz", 1},
        {"Smile 😀 and Ωmega", "Smile ? and ?mega", 2},
        {"\xC2\x80", "?", 1},        // a C1 control has no glyph
        {"\xEF\xBB\xBFx", "?x", 1},  // a byte order mark inside a line
        // Not UTF-8: taken as Windows-1252 and kept byte for byte.
        {"Jos\xE9 M\xFCller", "Jos\xE9 M\xFCller", 0},
        {"\xC0\xAF overlong", "\xC0\xAF overlong", 0},
        {"\xE0\x80\xAF overlong", "\xE0\x80\xAF overlong", 0},
        {"truncated \xC3", "truncated \xC3", 0},
        {"truncated \xE2\x82", "truncated \xE2\x82", 0},
        {"lone \xA9 continuation", "lone \xA9 continuation", 0},
        {"surrogate \xED\xA0\x80", "surrogate \xED\xA0\x80", 0},
        {"too high \xF4\x90\x80\x80", "too high \xF4\x90\x80\x80", 0},
        {"\x80 euro byte", "\x80 euro byte", 0},
    };
    for (const auto& c : cases) {
        std::string text = c.input;
        int replaced = convert_to_windows_1252(text.data());
        EXPECT_EQ(std::string(text.c_str()), c.expected) << "input: " << c.input;
        EXPECT_EQ(replaced, c.replaced) << "input: " << c.input;
    }
}

}  // namespace
