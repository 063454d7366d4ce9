#include "pdf/shape.h"

#include <hb-ot.h>
#include <hb-subset.h>

#include <algorithm>
#include <cmath>
#include <cstdio>

#include "base/library.h"
#include "pdf/libharu_internals.h"
#include "text/bidi.h"
#include "text/encoding.h"

namespace {

// HarfBuzz and its subsetter are opened at the first text that needs shaping: with the
// glib, FreeType and graphite2 they link they cost every run a few milliseconds of start-up.
// clang-format off
#define HARFBUZZ_FUNCTIONS(F) \
    F(hb_blob_create_from_file_or_fail) F(hb_blob_destroy) F(hb_blob_get_data) F(hb_buffer_add_utf8) \
    F(hb_buffer_create) F(hb_buffer_destroy) F(hb_buffer_get_glyph_infos) \
    F(hb_buffer_get_glyph_positions) F(hb_buffer_guess_segment_properties) \
    F(hb_buffer_set_cluster_level) F(hb_buffer_set_direction) F(hb_draw_funcs_create) \
    F(hb_draw_funcs_make_immutable) F(hb_draw_funcs_set_close_path_func) \
    F(hb_draw_funcs_set_cubic_to_func) F(hb_draw_funcs_set_line_to_func) \
    F(hb_draw_funcs_set_move_to_func) F(hb_draw_funcs_set_quadratic_to_func) F(hb_face_create) \
    F(hb_face_destroy) F(hb_face_get_glyph_count) F(hb_face_get_upem) F(hb_face_reference_blob) \
    F(hb_face_reference_table) F(hb_font_create) F(hb_font_destroy) F(hb_font_get_face) \
    F(hb_font_get_glyph_h_advance) F(hb_font_get_glyph_shape) F(hb_font_get_nominal_glyph) \
    F(hb_font_set_scale) F(hb_ot_metrics_get_position) F(hb_ot_name_get_utf8) F(hb_set_add) \
    F(hb_shape)
#define HARFBUZZ_SUBSET_FUNCTIONS(F) \
    F(hb_subset_input_create_or_fail) F(hb_subset_input_destroy) F(hb_subset_input_glyph_set) \
    F(hb_subset_input_set) F(hb_subset_input_set_flags) F(hb_subset_or_fail)
// clang-format on

struct Harfbuzz {
    bool loaded = true;  // false when a function is missing: the library did not load
    HARFBUZZ_FUNCTIONS(LIBRARY_FUNCTION)
    HARFBUZZ_SUBSET_FUNCTIONS(LIBRARY_FUNCTION)
};

Harfbuzz open_harfbuzz() {
    Harfbuzz lib{};
#ifdef ROSTERBOOK_WEB
    HARFBUZZ_FUNCTIONS(LIBRARY_LINKED)
    HARFBUZZ_SUBSET_FUNCTIONS(LIBRARY_LINKED)
#else
    void* library = open_library("libharfbuzz.so.0");  // both kept open for the process
    HARFBUZZ_FUNCTIONS(LIBRARY_LOOKED_UP)
    library = open_library("libharfbuzz-subset.so.0");
    HARFBUZZ_SUBSET_FUNCTIONS(LIBRARY_LOOKED_UP)
#endif
    return lib;
}

// Loaded at the first shaping font and kept: the table is only read after that.
const Harfbuzz& harfbuzz() {
    static const Harfbuzz lib = open_harfbuzz();
    return lib;
}

std::string hex_units(const std::u16string& units) {
    std::string hex;
    char unit[8];
    for (char16_t u : units) {
        snprintf(unit, sizeof unit, "%04X", static_cast<unsigned>(u));
        hex += unit;
    }
    return hex;
}

std::string number(float value) {
    char text[32];
    snprintf(text, sizeof text, "%.3f", static_cast<double>(value));
    return text;
}

// The text each glyph of `shaped` stands for: its cluster's characters, in the order they
// are written (the lam-alef ligature "لا"), for the first glyph of a cluster, nothing for the
// others.
std::vector<std::u16string> glyph_texts(std::string_view text, const ShapedText& shaped) {
    std::vector<uint32_t> starts;
    for (const ShapedGlyph& g : shaped.glyphs) starts.push_back(g.cluster);
    std::sort(starts.begin(), starts.end());
    starts.erase(std::unique(starts.begin(), starts.end()), starts.end());
    std::vector<std::u16string> texts;
    std::vector<bool> given(starts.size());
    for (const ShapedGlyph& g : shaped.glyphs) {
        const size_t i =
            static_cast<size_t>(std::lower_bound(starts.begin(), starts.end(), g.cluster) - starts.begin());
        const size_t end = i + 1 < starts.size() ? starts[i + 1] : text.size();
        const std::string_view cluster = text.substr(g.cluster, end - g.cluster);
        texts.push_back(given[i] ? u"" : to_utf16(cluster));
        given[i] = true;
    }
    return texts;
}

// The share of a glyph that stands for no letter: drawn as its outline, since readers copy a glyph
// mapped to no text as U+FFFD (MuPDF) or nothing (pypdf). A noncharacter, so no roster's text is it.
const std::u16string NOTHING = u"\uFFFF";

// The characters of the UTF-8 `text`, each as UTF-16.
std::vector<std::u16string> characters_of(std::string_view text) {
    std::vector<std::u16string> characters;
    for_each_code_point(text, [&](int32_t, size_t offset, size_t length) {
        characters.push_back(to_utf16(text.substr(offset, length)));
        return true;
    });
    return characters;
}

// What each glyph of left-to-right `shaped` stands for alone, so that readers copying glyph by
// glyph in the order drawn (MuPDF, pypdf) give the text back as written: a cluster's characters
// dealt out over its glyphs in display order, one each and the rest to its last glyph. A vowel
// drawn before its consonant ("कि") so stands for the consonant, and the consonant after it for
// the vowel. A cluster with more glyphs than characters is decomposed first (Tamil's split
// vowel "ொ" is "ெ" and "ா"); a glyph still left over (Thai's "ำ" is drawn as two) stands for
// NOTHING, a sign rather than a letter where it can.
std::vector<std::u16string> glyph_shares(const ShapingFont& font, std::string_view text,
                                         const ShapedText& shaped) {
    std::vector<std::u16string> shares(shaped.glyphs.size());
    for (size_t first = 0, last = 0; first < shaped.glyphs.size(); first = last) {
        const uint32_t cluster = shaped.glyphs[first].cluster;
        uint32_t end = static_cast<uint32_t>(text.size());
        for (const ShapedGlyph& g : shaped.glyphs)
            if (g.cluster > cluster) end = std::min(end, g.cluster);
        while (last < shaped.glyphs.size() && shaped.glyphs[last].cluster == cluster) ++last;
        const std::string written(text.substr(cluster, end - cluster));
        std::vector<std::u16string> characters = characters_of(written);
        if (characters.size() < last - first) characters = characters_of(to_nfd(written));
        // Glyphs left over stand for NOTHING: signs, which take no room, first.
        std::vector<size_t> dealt;  // the glyphs that get characters, in display order
        for (size_t i = first; i < last; ++i) dealt.push_back(i);
        for (size_t i = last; i-- > first && dealt.size() > std::max<size_t>(characters.size(), 1);) {
            if (harfbuzz().hb_font_get_glyph_h_advance(font.font, shaped.glyphs[i].glyph) != 0) continue;
            shares[i] = NOTHING;
            dealt.erase(std::find(dealt.begin(), dealt.end(), i));
        }
        while (dealt.size() > std::max<size_t>(characters.size(), 1))
            shares[dealt.back()] = NOTHING, dealt.pop_back();
        for (size_t k = 0; k < characters.size(); ++k)
            shares[dealt[std::min(k, dealt.size() - 1)]] += characters[k];
    }
    return shares;
}

std::string to_unicode_cmap(const std::map<uint32_t, std::u16string>& used) {
    std::vector<std::string> entries;
    char glyph[16];
    for (const auto& [id, text] : used) {
        if (text.empty()) continue;
        snprintf(glyph, sizeof glyph, "<%04X> <", id);
        entries.push_back(glyph + hex_units(text) + ">\n");
    }
    std::string cmap =
        "/CIDInit /ProcSet findresource begin\n12 dict begin\nbegincmap\n"
        "/CIDSystemInfo << /Registry (Adobe) /Ordering (UCS) /Supplement 0 >> def\n"
        "/CMapName /Adobe-Identity-UCS def\n/CMapType 2 def\n"
        "1 begincodespacerange\n<0000> <FFFF>\nendcodespacerange\n";
    for (size_t first = 0; first < entries.size(); first += 100) {  // at most 100 to a section
        const size_t count = std::min<size_t>(100, entries.size() - first);
        cmap += std::to_string(count) + " beginbfchar\n";
        for (size_t i = first; i < first + count; ++i) cmap += entries[i];
        cmap += "endbfchar\n";
    }
    return cmap + "endcmap\nCMapName currentdict /CMap defineresource pop\nend\nend\n";
}

uint32_t glyph_of(const ShapingFont& font, uint32_t code) {
    const auto extra = font.extra_codes.find(code);
    return extra == font.extra_codes.end() ? code : extra->second;
}

// The code that draws `glyph` standing for `text`, recorded in `font`: the glyph's number, or when
// the glyph stands for another text already, a code of its own, the same for the same glyph and
// text. An empty `text` (part of a cluster another glyph stands for) takes the glyph's number.
uint32_t code_for(ShapingFont* font, uint32_t glyph, const std::u16string& text) {
    auto [entry, added] = font->used.emplace(glyph, text);
    if (added || entry->second == text || text.empty()) return glyph;
    if (entry->second.empty()) {
        entry->second = text;
        return glyph;
    }
    const auto known = font->code_of.find({glyph, text});
    if (known != font->code_of.end()) return known->second;
    const uint32_t code = font->glyph_count + static_cast<uint32_t>(font->extra_codes.size());
    if (code > 0xFFFF) return glyph;  // two-byte codes: keep the first text
    font->extra_codes[code] = glyph;
    font->used[code] = text;
    font->code_of[{glyph, text}] = code;
    return code;
}

// The subset of the glyphs drawn (and glyph 0), numbers kept, without the layout tables
// the shaping used: a PDF reader draws glyphs by number.
std::string subset_program(const ShapingFont& font) {
    hb_subset_input_t* input = harfbuzz().hb_subset_input_create_or_fail();
    if (input == nullptr) return "";
    hb_set_t* glyphs = harfbuzz().hb_subset_input_glyph_set(input);
    harfbuzz().hb_set_add(glyphs, 0);
    for (const auto& entry : font.used) harfbuzz().hb_set_add(glyphs, glyph_of(font, entry.first));
    harfbuzz().hb_subset_input_set_flags(input, HB_SUBSET_FLAGS_RETAIN_GIDS);
    hb_set_t* dropped = harfbuzz().hb_subset_input_set(input, HB_SUBSET_SETS_DROP_TABLE_TAG);
    for (hb_tag_t tag : {HB_TAG('G', 'S', 'U', 'B'), HB_TAG('G', 'P', 'O', 'S'), HB_TAG('G', 'D', 'E', 'F')})
        harfbuzz().hb_set_add(dropped, tag);
    hb_face_t* subset = harfbuzz().hb_subset_or_fail(harfbuzz().hb_font_get_face(font.font), input);
    harfbuzz().hb_subset_input_destroy(input);
    if (subset == nullptr) return "";
    hb_blob_t* blob = harfbuzz().hb_face_reference_blob(subset);
    unsigned length = 0;
    const char* data = harfbuzz().hb_blob_get_data(blob, &length);
    std::string program(data, length);
    harfbuzz().hb_blob_destroy(blob);
    harfbuzz().hb_face_destroy(subset);
    return program;
}

// A subset's tag: six capitals that differ with the glyphs it holds.
std::string subset_tag(const ShapingFont& font) {
    uint32_t hash = 2166136261u;
    for (const auto& entry : font.used) hash = (hash ^ entry.first) * 16777619u;
    std::string tag;
    for (int i = 0; i < 6; ++i, hash /= 26) tag += static_cast<char>('A' + hash % 26);
    return tag;
}

int to_thousandths(const ShapingFont& font, hb_position_t units) {
    return static_cast<int>(std::lround(units * 1000.0 / font.units_per_em));
}

// The font's bounding box from its 'head' table, in 1000ths of an em.
void read_bbox(const ShapingFont& font, int bbox[4]) {
    hb_blob_t* head = harfbuzz().hb_face_reference_table(harfbuzz().hb_font_get_face(font.font),
                                                         HB_TAG('h', 'e', 'a', 'd'));
    unsigned length = 0;
    const auto* data = reinterpret_cast<const unsigned char*>(harfbuzz().hb_blob_get_data(head, &length));
    for (int i = 0; i < 4 && length >= 44; ++i) {
        const int16_t value = static_cast<int16_t>(data[36 + 2 * i] << 8 | data[37 + 2 * i]);
        bbox[i] = to_thousandths(font, value);
    }
    harfbuzz().hb_blob_destroy(head);
}

}  // namespace

ShapingFont::~ShapingFont() { harfbuzz().hb_font_destroy(font); }

std::optional<Failure> shaping_unavailable() {
    if (harfbuzz().loaded) return std::nullopt;
    return Failure{"", 0,
                   "names in this script are shaped by HarfBuzz, which did not load: install the Debian "
                   "packages libharfbuzz0b and libharfbuzz-subset0"};
}

std::shared_ptr<ShapingFont> open_shaping_font(const char* path, const std::string& resource) {
    if (!harfbuzz().loaded) return nullptr;
    hb_blob_t* blob = harfbuzz().hb_blob_create_from_file_or_fail(path);
    if (blob == nullptr) return nullptr;
    hb_face_t* face = harfbuzz().hb_face_create(blob, 0);
    harfbuzz().hb_blob_destroy(blob);
    if (harfbuzz().hb_face_get_glyph_count(face) == 0) {
        harfbuzz().hb_face_destroy(face);
        return nullptr;
    }
    auto font = std::make_shared<ShapingFont>();
    font->font = harfbuzz().hb_font_create(face);
    font->units_per_em = harfbuzz().hb_face_get_upem(face);
    font->glyph_count = harfbuzz().hb_face_get_glyph_count(face);
    harfbuzz().hb_font_set_scale(font->font, static_cast<int>(font->units_per_em),
                                 static_cast<int>(font->units_per_em));
    char name[128] = "";
    unsigned size = sizeof name;
    harfbuzz().hb_ot_name_get_utf8(face, HB_OT_NAME_ID_POSTSCRIPT_NAME, HB_LANGUAGE_INVALID, &size, name);
    font->name = name[0] != '\0' ? name : "Font";
    font->resource = resource;
    harfbuzz().hb_face_destroy(face);  // the font holds its own reference
    return font;
}

bool shaping_font_has(const ShapingFont& font, int32_t code_point) {
    hb_codepoint_t glyph = 0;
    return harfbuzz().hb_font_get_nominal_glyph(font.font, static_cast<hb_codepoint_t>(code_point), &glyph) &&
           glyph != 0;
}

ShapedText shape_text(const ShapingFont& font, std::string_view text, bool right_to_left, float size) {
    hb_buffer_t* buffer = harfbuzz().hb_buffer_create();
    harfbuzz().hb_buffer_add_utf8(buffer, text.data(), static_cast<int>(text.size()), 0,
                                  static_cast<int>(text.size()));
    harfbuzz().hb_buffer_set_direction(buffer, right_to_left ? HB_DIRECTION_RTL : HB_DIRECTION_LTR);
    harfbuzz().hb_buffer_guess_segment_properties(buffer);
    // Right to left, a glyph to each character where the font allows: its marks and letters
    // then copy one by one, in the order they are drawn.
    if (right_to_left) harfbuzz().hb_buffer_set_cluster_level(buffer, HB_BUFFER_CLUSTER_LEVEL_CHARACTERS);
    harfbuzz().hb_shape(font.font, buffer, nullptr, 0);
    unsigned count = 0;
    const hb_glyph_info_t* infos = harfbuzz().hb_buffer_get_glyph_infos(buffer, &count);
    const hb_glyph_position_t* positions = harfbuzz().hb_buffer_get_glyph_positions(buffer, &count);
    const float scale = size / static_cast<float>(font.units_per_em);
    ShapedText shaped = {{}, 0};
    hb_position_t pen = 0;
    for (unsigned i = 0; i < count; ++i) {
        shaped.glyphs.push_back({infos[i].codepoint, static_cast<float>(pen + positions[i].x_offset) * scale,
                                 static_cast<float>(positions[i].y_offset) * scale, infos[i].cluster});
        pen += positions[i].x_advance;
    }
    shaped.width = static_cast<float>(pen) * scale;
    harfbuzz().hb_buffer_destroy(buffer);
    return shaped;
}

namespace {

// A glyph that ends (at its origin and the font's own advance for it) further than this, in ems,
// before the next glyph starts is copied by MuPDF with a word space after it: MuPDF measures
// glyphs so, nought for a sign HarfBuzz moved left under its letter, and reads a gap of about
// 0.15 em as a blank.
constexpr float MUPDF_GAP = 0.1f;

// Which glyphs of left-to-right `shaped` are drawn as outlines rather than as text: one that stands
// for NOTHING, and one after which MuPDF would read a word space. Each outlined glyph's share of
// `*shares` goes to the glyph drawn before it (the one after it, for the first), so the text still
// copies whole.
std::vector<bool> outlined_glyphs(const ShapingFont& font, const ShapedText& shaped,
                                  std::vector<std::u16string>* shares, float size) {
    const float scale = size / static_cast<float>(font.units_per_em);
    std::vector<bool> outlined(shaped.glyphs.size());
    std::u16string before_any;  // the shares of outlined glyphs before the first drawn as text
    size_t last_text = shaped.glyphs.size();
    for (size_t i = 0; i < shaped.glyphs.size(); ++i) {
        const ShapedGlyph& g = shaped.glyphs[i];
        const float next = i + 1 < shaped.glyphs.size() ? shaped.glyphs[i + 1].x : shaped.width;
        const float end =
            g.x + static_cast<float>(harfbuzz().hb_font_get_glyph_h_advance(font.font, g.glyph)) * scale;
        std::u16string& share = (*shares)[i];
        outlined[i] = share == NOTHING || next - end > MUPDF_GAP * size;
        if (!outlined[i]) {
            if (last_text == shaped.glyphs.size()) share = before_any + share;
            last_text = i;
        } else if (share != NOTHING) {
            (last_text < i ? (*shares)[last_text] : before_any) += share;
        }
    }
    return outlined;
}

// A path in a PDF content stream, from HarfBuzz's outline of a glyph (quadratic curves as cubic).
struct OutlinePath {
    std::string ops;
};

// A point of an outline, in font units: a tenth of one is far below what prints.
std::string point(float x, float y) {
    char text[48];
    snprintf(text, sizeof text, "%.1f %.1f", static_cast<double>(x), static_cast<double>(y));
    return text;
}

void move_to(hb_draw_funcs_t*, void* path, hb_draw_state_t*, float x, float y, void*) {
    static_cast<OutlinePath*>(path)->ops += point(x, y) + " m\n";
}

void line_to(hb_draw_funcs_t*, void* path, hb_draw_state_t*, float x, float y, void*) {
    static_cast<OutlinePath*>(path)->ops += point(x, y) + " l\n";
}

void cubic_to(hb_draw_funcs_t*, void* path, hb_draw_state_t*, float x1, float y1, float x2, float y2, float x,
              float y, void*) {
    static_cast<OutlinePath*>(path)->ops += point(x1, y1) + " " + point(x2, y2) + " " + point(x, y) + " c\n";
}

void quadratic_to(hb_draw_funcs_t* funcs, void* path, hb_draw_state_t* state, float cx, float cy, float x,
                  float y, void* data) {
    cubic_to(funcs, path, state, state->current_x + 2 * (cx - state->current_x) / 3,
             state->current_y + 2 * (cy - state->current_y) / 3, x + 2 * (cx - x) / 3, y + 2 * (cy - y) / 3,
             x, y, data);
}

void close_path(hb_draw_funcs_t*, void* path, hb_draw_state_t*, void*) {
    static_cast<OutlinePath*>(path)->ops += "h\n";
}

// Glyph `glyph` of `font` at `size` with its origin at (x, y), as a path filled in the fill colour,
// marked /RBGlyph with the glyph's number.
std::string outline_of(const ShapingFont& font, uint32_t glyph, float size, float x, float y) {
    static hb_draw_funcs_t* const funcs = [] {
        hb_draw_funcs_t* made = harfbuzz().hb_draw_funcs_create();
        harfbuzz().hb_draw_funcs_set_move_to_func(made, move_to, nullptr, nullptr);
        harfbuzz().hb_draw_funcs_set_line_to_func(made, line_to, nullptr, nullptr);
        harfbuzz().hb_draw_funcs_set_quadratic_to_func(made, quadratic_to, nullptr, nullptr);
        harfbuzz().hb_draw_funcs_set_cubic_to_func(made, cubic_to, nullptr, nullptr);
        harfbuzz().hb_draw_funcs_set_close_path_func(made, close_path, nullptr, nullptr);
        harfbuzz().hb_draw_funcs_make_immutable(made);
        return made;
    }();
    OutlinePath path;
    harfbuzz().hb_font_get_glyph_shape(font.font, glyph, funcs, &path);
    char scale[32];
    snprintf(scale, sizeof scale, "%.7f", static_cast<double>(size) / font.units_per_em);
    return "/RBGlyph <</Glyph " + std::to_string(glyph) + ">> BDC\nq\n" + scale + " 0 0 " +
           std::string(scale) + " " + number(x) + " " + number(y) + " cm\n" + path.ops + "f\nQ\nEMC\n";
}

// A character of text and the font's own glyph for it (0 when it has none).
struct CharacterGlyph {
    std::u16string text;
    uint32_t glyph;
};

// The characters of a right-to-left glyph's `text` with the font's glyph for each alone, when
// it stands for several that all have one (the lam-alef ligature, "لا"); else none. Readers
// differ on such a glyph: poppler spreads its characters over it left to right before putting
// the line in reading order, so reverses them; MuPDF and pypdf keep them as they are. Drawn as
// its first character, the others drawn apart after it, it reads right in both.
std::vector<CharacterGlyph> ligature_characters(const ShapingFont& font, const std::u16string& text) {
    std::vector<CharacterGlyph> characters;
    const std::string utf8 = from_utf16(text);
    bool every_glyph = true;
    for_each_code_point(utf8, [&](int32_t c, size_t offset, size_t length) {
        hb_codepoint_t glyph = 0;
        every_glyph =
            harfbuzz().hb_font_get_nominal_glyph(font.font, static_cast<hb_codepoint_t>(c), &glyph) &&
            glyph != 0;
        characters.push_back({to_utf16(utf8.substr(offset, length)), glyph});
        return every_glyph;
    });
    if (characters.size() < 2 || !every_glyph) characters.clear();
    return characters;
}

// Glyphs in the order their text is written (by cluster; a right-to-left cluster's glyphs
// last to first as displayed), each in a text object of its own at its place on the line.
void draw_glyph_by_glyph(HPDF_Page page, ShapingFont* font, std::string_view text, const ShapedText& shaped,
                         bool right_to_left, float size, float x, float y) {
    const std::vector<std::u16string> texts = glyph_texts(text, shaped);
    std::vector<size_t> order(shaped.glyphs.size());
    for (size_t i = 0; i < order.size(); ++i) order[i] = right_to_left ? order.size() - 1 - i : i;
    std::stable_sort(order.begin(), order.end(),
                     [&](size_t a, size_t b) { return shaped.glyphs[a].cluster < shaped.glyphs[b].cluster; });
    std::string ops;
    // A glyph in a text object of its own; an invisible one (3 Tr) inside q and Q, so the
    // rendering mode does not outlast it.
    const auto show = [&](uint32_t code, float at_x, float at_y, bool invisible) {
        char shown[16];
        snprintf(shown, sizeof shown, "<%04X> Tj\n", code);
        const std::string text_object = "BT\n" + font->resource + " " + number(size) + " Tf\n" +
                                        (invisible ? "3 Tr\n" : "") + number(at_x) + " " + number(at_y) +
                                        " Td " + shown + "ET\n";
        ops += invisible ? "q\n" + text_object + "Q\n" : text_object;
    };
    for (size_t i : order) {
        const ShapedGlyph& g = shaped.glyphs[i];
        const std::vector<CharacterGlyph> characters =
            right_to_left ? ligature_characters(*font, texts[i]) : std::vector<CharacterGlyph>();
        show(code_for(font, g.glyph, characters.empty() ? texts[i] : characters[0].text), x + g.x, y + g.y,
             false);
        // A ligature's other characters, invisible, each just left of the one before.
        float left = x + g.x;
        for (size_t k = 1; k < characters.size(); ++k) {
            left -=
                static_cast<float>(harfbuzz().hb_font_get_glyph_h_advance(font->font, characters[k].glyph)) *
                size / static_cast<float>(font->units_per_em);
            show(code_for(font, characters[k].glyph, characters[k].text), left, y, true);
        }
    }
    write_page_operators(page, ops);
}

}  // namespace

void draw_shaped(HPDF_Page page, ShapingFont* font, std::string_view text, const ShapedText& shaped,
                 bool right_to_left, bool glyph_by_glyph, float size, float x, float y) {
    if (glyph_by_glyph) return draw_glyph_by_glyph(page, font, text, shaped, right_to_left, size, x, y);
    std::string ops = "/Span <</ActualText <FEFF" + hex_units(to_utf16(text)) + ">>> BDC\n";
    ops += "BT\n" + font->resource + " " + number(size) + " Tf\n";
    // Each glyph placed where HarfBuzz puts it, relative to the one before; the outlined ones
    // after the text object.
    float at_x = 0, at_y = 0;
    std::vector<std::u16string> shares = glyph_shares(*font, text, shaped);
    const std::vector<bool> outlined = outlined_glyphs(*font, shaped, &shares, size);
    std::string outlines;
    char glyph[16];
    for (size_t i = 0; i < shaped.glyphs.size(); ++i) {
        const ShapedGlyph& g = shaped.glyphs[i];
        if (outlined[i]) {
            outlines += outline_of(*font, g.glyph, size, x + g.x, y + g.y);
            continue;
        }
        snprintf(glyph, sizeof glyph, "<%04X> Tj\n", code_for(font, g.glyph, shares[i]));
        ops += number(x + g.x - at_x) + " " + number(y + g.y - at_y) + " Td " + glyph;
        at_x = x + g.x;
        at_y = y + g.y;
    }
    ops += "ET\n" + outlines + "EMC\n";
    write_page_operators(page, ops);
}

GlyphFont glyph_font_of(const ShapingFont& font) {
    GlyphFont glyphs;
    if (font.used.empty()) return glyphs;
    glyphs.program = subset_program(font);
    if (glyphs.program.empty()) return glyphs;
    glyphs.resource = font.resource;
    glyphs.base_name = subset_tag(font) + "+" + font.name;
    for (const auto& entry : font.used) {
        const hb_position_t advance =
            harfbuzz().hb_font_get_glyph_h_advance(font.font, glyph_of(font, entry.first));
        glyphs.widths.emplace_back(entry.first, to_thousandths(font, advance));
    }
    glyphs.extra_codes.assign(font.extra_codes.begin(), font.extra_codes.end());
    glyphs.to_unicode = to_unicode_cmap(font.used);
    read_bbox(font, glyphs.bbox);
    hb_position_t value = 0;
    harfbuzz().hb_ot_metrics_get_position(font.font, HB_OT_METRICS_TAG_HORIZONTAL_ASCENDER, &value);
    glyphs.ascent = to_thousandths(font, value);
    harfbuzz().hb_ot_metrics_get_position(font.font, HB_OT_METRICS_TAG_HORIZONTAL_DESCENDER, &value);
    glyphs.descent = to_thousandths(font, value);
    harfbuzz().hb_ot_metrics_get_position(font.font, HB_OT_METRICS_TAG_CAP_HEIGHT, &value);
    glyphs.cap_height = to_thousandths(font, value);
    return glyphs;
}
