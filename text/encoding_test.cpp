#include "text/encoding.h"

#include <gtest/gtest.h>

#include <string>

#include "text/collate.h"
#include "text/decode.h"

namespace {

TEST(ToWindows1252, Cases) {
    const struct {
        std::string input;
        std::string expected;
        bool fits;
    } cases[] = {
        {"", "", true},
        {"Plain ASCII, 100% unchanged ~\x7F", "Plain ASCII, 100% unchanged ~\x7F", true},
        // The 27 characters Windows-1252 keeps in 0x80..0x9F.
        {"€‚ƒ„…†‡ˆ‰Š‹ŒŽ‘’“”•–—˜™š›œžŸ",
         "\x80\x82\x83\x84\x85\x86\x87\x88\x89\x8A\x8B\x8C\x8E\x91\x92\x93\x94\x95\x96\x97\x98\x99\x9A\x9B"
         "\x9C\x9E\x9F",
         true},
        {"José Müller, Zoë, François, Ñandú, Øystein, Straße",
         "Jos\xE9 M\xFCller, Zo\xEB, Fran\xE7ois, \xD1"
         "and\xFA, \xD8ystein, Stra\xDF"
         "e",
         true},
        {"\xC2\xA0\xC2\xA9\xC3\xBF", "\xA0\xA9\xFF", true},  // no-break space, ©, ÿ
        {"Łukasz", "?ukasz", false},
        {"Smile 😀 and Ωmega", "Smile ? and ?mega", false},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(to_windows_1252(c.input), c.expected) << "input: " << c.input;
        EXPECT_EQ(fits_windows_1252(c.input), c.fits) << "input: " << c.input;
    }
}

// One sheet saved the ways spreadsheets save it reads back as the same UTF-8.
TEST(DecodeText, EncodingsSpreadsheetsWrite) {
    const std::string utf8 = "Member,Łukasz,Wałęsa,Łódź\nMember,Jiří,Čermák,Brno\n";
    const std::string west = "Member,José,Müller,Málaga\n";
    const std::string western = "Member,François,Lefèvre,Besançon\nMember,Iñaki,Muñoz,Logroño\n";
    const struct {
        std::string bytes;
        const char* setting;
        std::string expected;
        const char* encoding;
        bool legacy;
        const char* language = "";  // the Sort Language
    } cases[] = {
        {utf8, "auto", utf8, "utf-8", false},
        {"\xEF\xBB\xBF" + utf8, "auto", utf8, "utf-8", false},
        {"\xEF\xBB\xBF" + utf8, "windows-1250", utf8, "utf-8", false},  // the mark wins
        {std::string("\xFF\xFEM\0e\0,\0\x41\x01", 10), "auto", "Me,Ł", "utf-16le", false},
        {std::string("\xFE\xFF\0M\x01\x41", 6), "auto", "MŁ", "utf-16be", false},
        {"Member,\xA3ukasz,Wa\xB3\xEAsa,\xA3\xF3\x64\x9F\nMember,Ji\xF8\xED,\xC8\x65rm\xE1k,Brno\n",
         "windows-1250", utf8, "windows-1250", false},
        {"Member,Fran\xE7ois,Lef\xE8vre,Besan\xE7on\nMember,I\xF1"
         "aki,Mu\xF1oz,Logro\xF1o\n",
         "auto", western, "windows-1252", true},
        {"Member,\xA3ukasz,Wa\xB3\xEAsa,\xA3\xF3\x64\x9F\nMember,Ji\xF8\xED,\xC8\x65rm\xE1k,Brno\n", "auto",
         utf8, "windows-1250", true},
        {"Member,Jos\x8E,M\x9Fller,M\x87laga\r", "auto", "Member,José,Müller,Málaga\r", "macintosh", true},
        {"Member,~{VPND~}\n", "HZ-GB-2312", "Member,中文\n", "hz-gb-2312", false},  // ICU's, not iconv's
        {"Member,Jose\xCC\x81,Mu\xCC\x88ller,Ma\xCC\x81laga\n", "auto", west, "utf-8",
         false},  // NFD in, NFC out
        // A short US list with one accented name, which uchardet takes for a Baltic code page.
        {"Member,Mary,Smith\r\nMember,Ana,Pe\xF1"
         "a\r\nMember,Linda,Brown\r\n",
         "auto", "Member,Mary,Smith\r\nMember,Ana,Peña\r\nMember,Linda,Brown\r\n", "windows-1252", true},
        {"Member,Pawe\xB8,\x8Cwik\r", "auto", "Member,Paweł,Ćwik\r", "x-mac-centraleurroman", true},
        // Turkish names that read as Icelandic ones ("Ayþe Yýlmaz") in windows-1252: the
        // Sort Language decides.
        {"Member,Ay\xFE"
         "e,Y\xFDlmaz\n",
         "auto", "Member,Ayşe,Yılmaz\n", "windows-1254", true, "tr-TR"},
    };
    for (const auto& c : cases) {
        DecodedText decoded;
        const std::optional<Failure> failure = decode_text(c.bytes, c.setting, &decoded, c.language);
        EXPECT_FALSE(failure) << c.encoding << ": " << failure->reason;
        EXPECT_EQ(decoded.utf8, c.expected) << c.encoding;
        EXPECT_EQ(decoded.encoding, c.encoding) << c.encoding;
        EXPECT_EQ(decoded.detected_legacy, c.legacy) << c.encoding;
    }
    const struct {
        std::string bytes;
        const char* setting;
        const char* reason;
    } errors[] = {
        {"Jos\xE9", "utf-8", "not valid utf-8 text"},
        {"\x81", "shift_jis", "not valid shift_jis text"},
    };
    for (const auto& e : errors) {
        DecodedText decoded;
        const std::optional<Failure> failure = decode_text(e.bytes, e.setting, &decoded);
        ASSERT_TRUE(failure) << e.setting;
        EXPECT_EQ(failure_message(*failure), std::string("Error: ") + e.reason) << e.setting;
    }
    EXPECT_TRUE(text_encoding_known("MACINTOSH") && text_encoding_known("auto"));
    EXPECT_FALSE(text_encoding_known("klingon-8"));
}

// Names in the order each language's readers expect, letter case ignored, under the guide
// letters of that language's index.
TEST(Collation, OrdersByLanguage) {
    const struct {
        const char* language;
        std::vector<std::string> sorted;
        bool known;
        std::vector<std::string> guides;
    } cases[] = {
        {"",
         {"Abel", "ábel", "Ćwik", "Eluard", "Éluard", "Lach", "Lyko", "Łyżwa", "Nguyễn", "Zorn", "Ωmega",
          "Шевченко"},
         true,
         {"A", "A", "C", "E", "E", "L", "L", "L", "N", "Z", "Ω", "Ш"}},
        {"pl", {"Ćwik", "Lach", "Lyko", "Łyżwa", "Zorn"}, true, {"Ć", "L", "L", "Ł", "Z"}},
        {"cs",
         {"Cibulka", "Čermák", "Černá", "Hrubý", "Chalupa", "Zeman"},
         true,
         {"C", "Č", "Č", "H", "CH", "Z"}},
        {"sv", {"Andersson", "Zorn", "Åberg", "Ängel", "Öberg"}, true, {"A", "Z", "Å", "Ä", "Ö"}},
        {"ja",
         {"Adams", "あおき", "いとう", "かとう", "さとう", "やまだ"},
         true,
         {"A", "あ", "あ", "か", "さ", "や"}},
        {"ko", {"김민준", "박서연", "이지은"}, true, {"ㄱ", "ㅂ", "ㅇ"}},
        {"xx-klingon", {"42nd Street", "Abel", "Zorn"}, false, {"#", "A", "Z"}},
    };
    for (const auto& c : cases) {
        Collation collation;
        EXPECT_EQ(index_labels(c.language, c.sorted), c.guides) << c.language;
        EXPECT_EQ(open_collation(&collation, c.language), c.known) << c.language;
        for (size_t i = 1; i < c.sorted.size(); ++i) {
            EXPECT_LT(sort_key(collation, c.sorted[i - 1]), sort_key(collation, c.sorted[i]))
                << c.language << ": " << c.sorted[i - 1] << " before " << c.sorted[i];
        }
    }
    EXPECT_EQ(compare_names("smith", "SMITH"), 0);
    // A photo's file name as secretaries write it meets the person's name.
    for (const char* written : {"Smith, Bob", "smith_bob", " Bob  SMITH ", "BOB-Smith", "Bob Smith Smith"})
        EXPECT_EQ(name_key(written), "bob smith") << written;
}

}  // namespace
