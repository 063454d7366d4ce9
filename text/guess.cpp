#include "text/guess.h"

#include <iconv.h>
#include <string.h>
#include <strings.h>
#include <uchardet/uchardet.h>
#include <unicode/uchar.h>
#include <unicode/ucnv.h>
#include <unicode/unistr.h>
#include <unicode/uscript.h>

#include <algorithm>
#include <array>
#include <climits>
#include <memory>
#include <tuple>
#include <vector>

#include "text/encoding.h"

namespace {

// The code pages spreadsheet programs save a CSV in, in the order they win a tie after the
// list's own language's and uchardet's: what Windows writes, then ISO, KOI8 and DOS. The Mac
// ones are only tried on a file with lone-CR line ends (Excel for the Mac's "CSV
// (Macintosh)"), which is the only place they are met, and then they are the only ones.
struct CodePage {
    const char* name;   // as iconv or ICU opens it
    const char* words;  // as a secretary would know it
    bool mac;
    bool dos = false;  // written by DOS programs only: tried when nothing else reads the list
};
constexpr CodePage CODE_PAGES[] = {
    {"windows-1252", "Windows Western", false},
    {"windows-1250", "Windows Central European", false},
    {"windows-1251", "Windows Cyrillic", false},
    {"windows-1253", "Windows Greek", false},
    {"windows-1254", "Windows Turkish", false},
    {"windows-1257", "Windows Baltic", false},
    {"windows-1258", "Windows Vietnamese", false},
    {"windows-1255", "Windows Hebrew", false},
    {"windows-1256", "Windows Arabic", false},
    {"iso-8859-15", "ISO Western with the euro", false},
    {"iso-8859-2", "ISO Central European", false},
    {"iso-8859-5", "ISO Cyrillic", false},
    {"iso-8859-7", "ISO Greek", false},
    {"koi8-r", "KOI8 Russian", false},
    {"koi8-u", "KOI8 Ukrainian", false},
    {"ibm866", "DOS Cyrillic", false, true},
    {"ibm852", "DOS Central European", false, true},
    {"macintosh", "Mac Roman", true},
    {"x-mac-centraleurroman", "Mac Central European", true},
    {"x-mac-cyrillic", "Mac Cyrillic", true},
};
constexpr const char* WESTERN = "windows-1252";

// The letters beyond ASCII each language writes names with (lower case), and the code page
// its spreadsheets save in. A word read right has all its accented letters in one of them;
// a word read in the wrong code page mixes letters no language has together ("Dvøák").
struct Alphabet {
    const char* language;  // the tag Sort Language gives
    const char* letters;   // UTF-8
    bool latin;            // ASCII letters belong to it too
    const char* code_page;
};
constexpr Alphabet ALPHABETS[] = {
    {"es", "áéíóúüñ", true, WESTERN},
    {"fr", "àâæçéèêëîïôœùûüÿ", true, WESTERN},
    {"de", "äöüß", true, WESTERN},
    {"pt", "áâãàçéêíóôõú", true, WESTERN},
    {"it", "àèéìíîòóùú", true, WESTERN},
    {"nl", "áéíóúàèëïöü", true, WESTERN},
    {"ca", "àçèéíïòóúü", true, WESTERN},
    {"da", "æøåéóôò", true, WESTERN},
    {"nb", "æøåéóôò", true, WESTERN},
    {"sv", "åäöé", true, WESTERN},
    {"fi", "åäöšž", true, WESTERN},
    {"is", "áðéíóúýþæö", true, WESTERN},
    {"pl", "ąćęłńóśźż", true, "windows-1250"},
    {"cs", "áčďéěíňóřšťúůýž", true, "windows-1250"},
    {"sk", "áäčďéíĺľňóôŕšťúýž", true, "windows-1250"},
    {"hu", "áéíóöőúüű", true, "windows-1250"},
    {"sl", "čšž", true, "windows-1250"},
    {"hr", "čćđšž", true, "windows-1250"},
    {"ro", "ăâîșțşţ", true, "windows-1250"},
    {"tr", "çğıİöşüâîû", true, "windows-1254"},
    {"lv", "āčēģīķļņšūž", true, "windows-1257"},
    {"lt", "ąčęėįšųūž", true, "windows-1257"},
    {"et", "äöõüšž", true, "windows-1257"},
    {"vi", "àáảãạăằắẳẵặâầấẩẫậđèéẻẽẹêềếểễệìíỉĩịòóỏõọôồốổỗộơờớởỡợùúủũụưừứửữựỳýỷỹỵ", true, "windows-1258"},
    {"ru", "абвгдеёжзийклмнопрстуфхцчшщъыьэюя", false, "windows-1251"},
    {"uk", "абвгґдеєжзиіїйклмнопрстуфхцчшщьюя", false, "windows-1251"},
    {"be", "абвгдеёжзійклмнопрстуўфхцчшыьэюя", false, "windows-1251"},
    {"bg", "абвгдежзийклмнопрстуфхцчшщъьюя", false, "windows-1251"},
    {"sr", "абвгдђежзијклљмнњопрстћуфхцчџш", false, "windows-1251"},
    {"mk", "абвгдѓежзѕијклљмнњопрстќуфхцчџш", false, "windows-1251"},
    {"el", "αβγδεζηθικλμνξοπρσςτυφχψωάέήίόύώϊϋΐΰ", false, "windows-1253"},
};
constexpr size_t ALPHABET_COUNT = std::size(ALPHABETS);

// Enough words to judge by: a longer list only repeats the evidence.
constexpr size_t MAX_SAMPLE_BYTES = 64 * 1024;

// Converts with ICU's converter; false when ICU has no such code page or a byte is not in it.
bool convert_with_icu(std::string_view bytes, const char* encoding, std::string* utf8) {
    UErrorCode status = U_ZERO_ERROR;
    const std::unique_ptr<UConverter, decltype(&ucnv_close)> from(ucnv_open(encoding, &status), ucnv_close);
    if (U_FAILURE(status)) return false;
    ucnv_setToUCallBack(from.get(), UCNV_TO_U_CALLBACK_STOP, nullptr, nullptr, nullptr, &status);
    std::u16string units(bytes.size() * 2 + 16, u'\0');  // a byte of these code pages is one or two units
    const int32_t length = ucnv_toUChars(from.get(), units.data(), static_cast<int32_t>(units.size()),
                                         bytes.data(), static_cast<int32_t>(bytes.size()), &status);
    if (U_FAILURE(status)) return false;
    utf8->clear();
    icu::UnicodeString(false, units.data(), length).toUTF8String(*utf8);
    return true;
}

// The words of `bytes` holding a byte past ASCII, one per line: all the evidence there is
// about the code page, and a small part of a long list. Words split at the separators a CSV
// has, which no double-byte code page uses as a trailing byte either.
std::string sample_words(std::string_view bytes) {
    std::string sample;
    size_t start = 0;
    bool high = false;
    for (size_t i = 0; i <= bytes.size() && sample.size() < MAX_SAMPLE_BYTES; ++i) {
        const char c = i < bytes.size() ? bytes[i] : '\n';
        if (c == ' ' || c == ',' || c == ';' || c == '\t' || c == '"' || c == '\r' || c == '\n') {
            if (high) sample.append(bytes.substr(start, i - start)).push_back('\n');
            start = i + 1;
            high = false;
        } else if (static_cast<unsigned char>(c) >= 0x80) {
            high = true;
        }
    }
    return sample;
}

// The punctuation Excel's AutoCorrect types (’ “ ” – — … and the euro sign), at the same bytes
// in every Windows code page: between and around words, as a blank is, not a symbol inside one.
constexpr UChar32 TYPED_PUNCTUATION[] = {0x2018, 0x2019, 0x201A, 0x201C, 0x201D,
                                         0x201E, 0x2013, 0x2014, 0x2026, 0x20AC};

bool typed_punctuation(UChar32 c) {
    return std::find(std::begin(TYPED_PUNCTUATION), std::end(TYPED_PUNCTUATION), c) !=
           std::end(TYPED_PUNCTUATION);
}

// Whether `code_page` is one only DOS programs write ("ibm866", or uchardet's "IBM855").
bool dos_code_page(const std::string& code_page) {
    for (const CodePage& page : CODE_PAGES) {
        if (strcasecmp(page.name, code_page.c_str()) == 0) return page.dos;
    }
    return strncasecmp(code_page.c_str(), "ibm", 3) == 0;
}

// How a reading of the sample looks: lower is better, compared in this order.
struct Reading {
    int misread = 0;         // symbols inside words, and words no language writes
    int same_code_page = 0;  // minus the most words the languages of one code page write
    size_t order = 0;        // the code page's place in the order of ties
    std::string code_page;
};

bool letter_in(const Alphabet& alphabet, UChar32 lower) {
    if (lower < 0x80) return alphabet.latin && lower >= 'a' && lower <= 'z';
    bool found = false;
    for_each_code_point(alphabet.letters, [&](int32_t c, size_t, size_t) { return !(found = c == lower); });
    return found;
}

// The scripts written without a table of letters here (Han, Hangul, Hebrew, Arabic, Thai...):
// a word in one of them alone reads as right. Japanese kana go with Han.
UScriptCode word_script(UChar32 c) {
    UErrorCode status = U_ZERO_ERROR;
    const UScriptCode script = uscript_getScript(c, &status);
    return script == USCRIPT_HIRAGANA || script == USCRIPT_KATAKANA ? USCRIPT_HAN : script;
}

// Marks in `written` (at the first alphabet of each code page) the code pages one of whose
// languages writes `word`, a word with a letter past ASCII. False when no language does and
// no script without a table here writes it alone.
bool languages_write(const std::vector<UChar32>& word, std::array<bool, ALPHABET_COUNT>* written) {
    bool any = false;
    for (size_t a = 0; a < ALPHABET_COUNT; ++a) {
        const bool fit = std::all_of(word.begin(), word.end(), [&](UChar32 c) {
            return letter_in(ALPHABETS[a], c == 0x130 ? c : u_tolower(c));  // İ keeps its dot
        });
        if (!fit) continue;
        size_t first = 0;
        while (strcmp(ALPHABETS[first].code_page, ALPHABETS[a].code_page) != 0) ++first;
        (*written)[first] = any = true;
    }
    if (any) return true;
    const UScriptCode script = word_script(word.front());
    return script != USCRIPT_LATIN && script != USCRIPT_CYRILLIC && script != USCRIPT_GREEK &&
           std::all_of(word.begin(), word.end(), [&](UChar32 c) { return word_script(c) == script; });
}

// A capital after a small letter inside a word: "sEMENOV", KOI8 read as windows-1251.
bool capital_inside(const std::vector<UChar32>& word) {
    for (size_t i = 1; i < word.size(); ++i) {
        if (u_islower(word[i - 1]) && u_isupper(word[i])) return true;
    }
    return false;
}

// Reads the NFC UTF-8 `text` word by word: symbols next to letters ("Wa³êsa", windows-1250
// read as windows-1252), words no language writes, and how many words the languages of one
// code page write.
void score_reading(std::string_view text, Reading* reading) {
    std::array<int, ALPHABET_COUNT> code_page_words{};
    std::vector<UChar32> word;
    bool high = false, pending_symbol = false;
    const auto end_word = [&] {
        std::array<bool, ALPHABET_COUNT> written{};
        if (high && (!languages_write(word, &written) || capital_inside(word))) ++reading->misread;
        for (size_t a = 0; a < ALPHABET_COUNT; ++a) code_page_words[a] += written[a];
        word.clear();
        high = false;
    };
    for_each_code_point(text, [&](int32_t c, size_t, size_t) {
        const bool letter = u_isalpha(c) || (u_getCombiningClass(c) > 0 && !word.empty());
        const bool control = c < 0x20 && c != '\t' && c != '\r' && c != '\n';
        const bool symbol = control || (c >= 0x80 && !letter && !u_isspace(c) && !typed_punctuation(c));
        if (symbol && !word.empty()) ++reading->misread;
        if (letter && pending_symbol && word.empty()) ++reading->misread;
        if (letter) {
            word.push_back(c);
            high = high || c >= 0x80;
        } else {
            end_word();
        }
        pending_symbol = symbol;
        return true;
    });
    end_word();
    reading->same_code_page = -*std::max_element(code_page_words.begin(), code_page_words.end());
}

// uchardet's answer, ISO Latin sets taken as the Windows supersets spreadsheets write; ""
// when it has none worth trying.
std::string uchardet_guess(std::string_view bytes) {
    uchardet_t detector = uchardet_new();
    uchardet_handle_data(detector, bytes.data(), bytes.size());
    uchardet_data_end(detector);
    std::string guess = uchardet_get_charset(detector);
    uchardet_delete(detector);
    static constexpr const char* SUPERSETS[][2] = {
        {"iso-8859-1", WESTERN},        {"iso-8859-3", WESTERN},         {"ascii", ""},
        {"iso-8859-9", "windows-1254"}, {"iso-8859-13", "windows-1257"}, {"utf-8", ""},
    };
    for (char& c : guess) c = static_cast<char>(tolower(static_cast<unsigned char>(c)));
    for (const auto& superset : SUPERSETS) {
        if (guess == superset[0]) return superset[1];
    }
    return guess;
}

// The code page `language` (a tag such as "pl" or "tr-TR") writes its names in, or "".
std::string language_code_page(std::string_view language) {
    const std::string_view tag = language.substr(0, language.find_first_of("-_"));
    for (const Alphabet& alphabet : ALPHABETS) {
        if (!tag.empty() && strncasecmp(alphabet.language, tag.data(), tag.size()) == 0 &&
            alphabet.language[tag.size()] == '\0')
            return alphabet.code_page;
    }
    return "";
}

}  // namespace

bool convert_to_utf8(std::string_view bytes, const char* encoding, std::string* utf8) {
    iconv_t handle = iconv_open("UTF-8", encoding);
    if (handle == reinterpret_cast<iconv_t>(-1)) return convert_with_icu(bytes, encoding, utf8);
    utf8->assign(bytes.size() * 4 + 16, '\0');  // no 8- or 16-bit unit grows past 4 bytes
    char* in = const_cast<char*>(bytes.data());
    size_t in_left = bytes.size();
    char* out = utf8->data();
    size_t out_left = utf8->size();
    const bool converted = iconv(handle, &in, &in_left, &out, &out_left) != static_cast<size_t>(-1);
    iconv_close(handle);
    utf8->resize(utf8->size() - out_left);
    return converted;
}

std::string guess_code_page(std::string_view bytes, std::string_view language) {
    const bool mac = bytes.find('\r') != std::string_view::npos && bytes.find('\n') == std::string_view::npos;
    std::vector<std::string> candidates;
    if (!mac) candidates = {language_code_page(language), WESTERN, uchardet_guess(bytes)};
    for (const CodePage& page : CODE_PAGES) {
        if (page.mac == mac) candidates.push_back(page.name);
    }
    const std::string sample = sample_words(bytes);
    std::vector<Reading> readings;
    for (size_t i = 0; i < candidates.size(); ++i) {
        if (candidates[i].empty() ||
            std::find(candidates.begin(), candidates.begin() + i, candidates[i]) != candidates.begin() + i)
            continue;  // no answer, or tried already
        Reading reading{0, 0, i, candidates[i]};
        std::string text;
        if (!convert_to_utf8(sample, candidates[i].c_str(), &text)) continue;
        score_reading(to_nfc(std::move(text)), &reading);
        readings.push_back(std::move(reading));
    }
    if (readings.empty()) return mac ? "macintosh" : WESTERN;
    // A 2026 spreadsheet writes no DOS code page: one is only taken on evidence no other
    // gives, when every Windows, ISO and KOI8 reading misreads some word.
    const bool clean_elsewhere = std::any_of(readings.begin(), readings.end(), [](const Reading& r) {
        return r.misread == 0 && !dos_code_page(r.code_page);
    });
    if (clean_elsewhere) {
        std::erase_if(readings, [](const Reading& r) { return dos_code_page(r.code_page); });
    }
    const auto rank = [](const Reading& r) { return std::tie(r.misread, r.same_code_page, r.order); };
    const Reading* best =
        &*std::min_element(readings.begin(), readings.end(),
                           [&](const Reading& a, const Reading& b) { return rank(a) < rank(b); });
    return best->code_page;
}

std::string code_page_in_words(const std::string& code_page) {
    for (const CodePage& page : CODE_PAGES) {
        if (strcasecmp(page.name, code_page.c_str()) == 0)
            return std::string(page.words) + " (" + page.name + ")";
    }
    return code_page;
}
