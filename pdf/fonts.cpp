#include "pdf/fonts.h"

#include <unicode/uchar.h>
#include <unicode/uscript.h>

#include <algorithm>
#include <cstdio>

#include "base/file.h"
#include "base/message.h"
#include "pdf/libharu_internals.h"
#include "text/bidi.h"
#include "text/encoding.h"

namespace {

// Liberation Sans has Helvetica's widths, so embedding it moves no text.
constexpr const char* EMBEDDED_REGULAR_FONT = ROSTERBOOK_FONT_DIR "/LiberationSans-Regular.ttf";
constexpr const char* EMBEDDED_BOLD_FONT = ROSTERBOOK_FONT_DIR "/LiberationSans-Bold.ttf";
#define NOTO ROSTERBOOK_NOTO_DIR "/NotoSans"
#define NOTO_SERIF ROSTERBOOK_NOTO_DIR "/NotoSerif"

// The fallback faces; the first is tried for any character no other is for, as it has the
// widest repertoire. Droid Sans Fallback has Chinese and Japanese but neither Latin letters
// nor Hangul.
constexpr FallbackFace FACES[] = {
    {"Chinese and Japanese", ROSTERBOOK_FALLBACK_FONT, nullptr, "fonts-droid-fallback", false,
     "Hani Hira Kana Bopo "},
    {"Korean (Hangul)", ROSTERBOOK_NANUM_DIR "/NanumGothic.ttf", ROSTERBOOK_NANUM_DIR "/NanumGothicBold.ttf",
     "fonts-nanum", false, "Hang "},
    {"Ethiopic", NOTO "Ethiopic-Regular.ttf", NOTO "Ethiopic-Bold.ttf", "fonts-noto-core", false, "Ethi "},
    {"Armenian", NOTO "Armenian-Regular.ttf", NOTO "Armenian-Bold.ttf", "fonts-noto-core", false, "Armn "},
    {"Georgian", NOTO "Georgian-Regular.ttf", NOTO "Georgian-Bold.ttf", "fonts-noto-core", false, "Geor "},
    {"Hebrew", NOTO "Hebrew-Regular.ttf", NOTO "Hebrew-Bold.ttf", "fonts-noto-core", true, "Hebr "},
    {"Arabic", NOTO "Arabic-Regular.ttf", NOTO "Arabic-Bold.ttf", "fonts-noto-core", true, "Arab "},
    {"Devanagari", NOTO "Devanagari-Regular.ttf", NOTO "Devanagari-Bold.ttf", "fonts-noto-core", true,
     "Deva "},
    {"Bengali", NOTO "Bengali-Regular.ttf", NOTO "Bengali-Bold.ttf", "fonts-noto-core", true, "Beng "},
    {"Tamil", NOTO "Tamil-Regular.ttf", NOTO "Tamil-Bold.ttf", "fonts-noto-core", true, "Taml "},
    {"Thai", NOTO "Thai-Regular.ttf", NOTO "Thai-Bold.ttf", "fonts-noto-core", true, "Thai "},
    {"Khmer", NOTO "Khmer-Regular.ttf", NOTO "Khmer-Bold.ttf", "fonts-noto-core", true, "Khmr "},
    {"Telugu", NOTO "Telugu-Regular.ttf", NOTO "Telugu-Bold.ttf", "fonts-noto-core", true, "Telu "},
    {"Kannada", NOTO "Kannada-Regular.ttf", NOTO "Kannada-Bold.ttf", "fonts-noto-core", true, "Knda "},
    {"Malayalam", NOTO "Malayalam-Regular.ttf", NOTO "Malayalam-Bold.ttf", "fonts-noto-core", true, "Mlym "},
    {"Gujarati", NOTO "Gujarati-Regular.ttf", NOTO "Gujarati-Bold.ttf", "fonts-noto-core", true, "Gujr "},
    {"Gurmukhi", NOTO "Gurmukhi-Regular.ttf", NOTO "Gurmukhi-Bold.ttf", "fonts-noto-core", true, "Guru "},
    {"Oriya", NOTO "Oriya-Regular.ttf", NOTO "Oriya-Bold.ttf", "fonts-noto-core", true, "Orya "},
    {"Sinhala", NOTO "Sinhala-Regular.ttf", NOTO "Sinhala-Bold.ttf", "fonts-noto-core", true, "Sinh "},
    {"Lao", NOTO "Lao-Regular.ttf", NOTO "Lao-Bold.ttf", "fonts-noto-core", true, "Laoo "},
    {"Myanmar", NOTO "Myanmar-Regular.ttf", NOTO "Myanmar-Bold.ttf", "fonts-noto-core", true, "Mymr "},
    {"Tibetan", NOTO_SERIF "Tibetan-Regular.ttf", NOTO_SERIF "Tibetan-Bold.ttf", "fonts-noto-core", true,
     "Tibt "},
    {"Thaana", NOTO "Thaana-Regular.ttf", NOTO "Thaana-Bold.ttf", "fonts-noto-core", true, "Thaa "},
    // Shaped, though its letters do not change, because libharu's fonts draw the first plane only.
    {"Chinese characters of the second plane", ROSTERBOOK_HANAZONO_DIR "/HanaMinB.ttf", nullptr,
     "fonts-hanazono", true, "", 0x20000, 0x2FFFF, false},
    {"Canadian syllabics", NOTO "CanadianAboriginal-Regular.ttf", NOTO "CanadianAboriginal-Bold.ttf",
     "fonts-noto-core", false, "Cans "},
};

// A ToUnicode map for fonts whose codes are the characters' own UTF-16 units, as
// libharu's UTF-8 fonts draw them: identity over the whole plane but the surrogates, in
// ranges that each stay within one high byte, as the format asks.
std::string identity_to_unicode_cmap() {
    std::vector<std::string> ranges;
    for (int high = 0; high < 256; ++high) {
        if (high >= 0xD8 && high <= 0xDF) continue;
        char range[32];
        snprintf(range, sizeof range, "<%02X00> <%02XFF> <%02X00>\n", high, high, high);
        ranges.push_back(range);
    }
    std::string cmap =
        "/CIDInit /ProcSet findresource begin\n12 dict begin\nbegincmap\n"
        "/CIDSystemInfo << /Registry (Adobe) /Ordering (UCS) /Supplement 0 >> def\n"
        "/CMapName /Adobe-Identity-UCS def\n/CMapType 2 def\n"
        "1 begincodespacerange\n<0000> <FFFF>\nendcodespacerange\n";
    // A section holds at most 100 ranges.
    for (size_t first = 0; first < ranges.size(); first += 100) {
        const size_t count = std::min<size_t>(100, ranges.size() - first);
        cmap += std::to_string(count) + " beginbfrange\n";
        for (size_t i = first; i < first + count; ++i) cmap += ranges[i];
        cmap += "endbfrange\n";
    }
    return cmap + "endcmap\nCMapName currentdict /CMap defineresource pop\nend\nend\n";
}

// libharu 2.3.0 writes its encoding CMap as the ToUnicode map of a UTF-8 font, which
// poppler refuses ("Invalid 'begincidrange' operator"), so text would not search or copy
// right. The stream is in memory until the save, so its contents are replaced here.
void correct_to_unicode(HPDF_Font font) {
    if (font == nullptr) return;
    auto* to_unicode = static_cast<HPDF_Dict>(HPDF_Dict_GetItem(font, "ToUnicode", HPDF_OCLASS_DICT));
    if (to_unicode == nullptr || to_unicode->stream == nullptr) return;
    HPDF_MemStream_FreeData(to_unicode->stream);
    HPDF_Stream_WriteStr(to_unicode->stream, identity_to_unicode_cmap().c_str());
}

// A Unicode font from the TrueType file at `path`, embedded and subset.
TextFont load_unicode_font(HPDF_Doc document, const char* path) {
    TextFont font;
    const char* name = HPDF_LoadTTFontFromFile(document, path, HPDF_TRUE);
    if (name == nullptr) return font;
    font.font = HPDF_GetFont(document, name, PDF_UNICODE_ENCODING);
    font.glyphs = HPDF_GetFontDef(document, name);
    correct_to_unicode(font.font);
    return font;
}

// libharu's fonts draw characters of the first plane only: their codes are 16-bit.
bool has_glyph(HPDF_FontDef glyphs, int32_t code_point) {
    return glyphs != nullptr && code_point <= 0xFFFF &&
           HPDF_TTFontDef_GetGlyphid(glyphs, static_cast<HPDF_UINT16>(code_point)) != 0;
}

// True when `fallback` prints `code_point`; a letter that needs shaping only a shaping font prints.
bool fallback_prints(const FallbackFont& fallback, int32_t code_point, bool shaped_letter) {
    if (fallback.shaping != nullptr) return shaping_font_has(*fallback.shaping, code_point);
    return !shaped_letter && has_glyph(fallback.glyphs, code_point);
}

// Reads a big-endian 16-bit value of the font file at `offset`; false past its end.
bool read_u16(HPDF_Stream stream, HPDF_UINT offset, unsigned* value) {
    HPDF_BYTE bytes[2];
    HPDF_UINT size = 2;
    if (HPDF_Stream_Seek(stream, static_cast<HPDF_INT>(offset), HPDF_SEEK_SET) != HPDF_OK ||
        HPDF_Stream_Read(stream, bytes, &size) != HPDF_OK || size != 2) {
        return false;
    }
    *value = static_cast<unsigned>(bytes[0] << 8 | bytes[1]);
    return true;
}

// Marks the parts of glyph `glyph` if it is composite, adding newly marked ones to `todo`.
void mark_parts(HPDF_TTFontDefAttr attr, unsigned glyph, std::vector<unsigned>* todo) {
    HPDF_UINT offset = attr->glyph_tbl.offsets[glyph] * (attr->header.index_to_loc_format == 0 ? 2 : 1) +
                       attr->glyph_tbl.base_offset;
    unsigned contours = 0, flags = 0, part = 0;
    if (!read_u16(attr->stream, offset, &contours) || contours < 0x8000) return;  // a simple glyph
    offset += 10;  // number of contours and bounding box
    do {
        if (!read_u16(attr->stream, offset, &flags) || !read_u16(attr->stream, offset + 2, &part)) return;
        offset += 4 + ((flags & 0x0001) ? 4 : 2);  // the arguments, words or bytes
        offset += (flags & 0x0008) ? 2 : (flags & 0x0040) ? 4 : (flags & 0x0080) ? 8 : 0;  // the scale
        if (part < attr->num_glyphs && !attr->glyph_tbl.flgs[part]) {
            attr->glyph_tbl.flgs[part] = 1;
            todo->push_back(part);
        }
    } while (flags & 0x0020);  // more parts follow
}

void complete_glyphs_of(HPDF_FontDef glyphs) {
    if (glyphs == nullptr) return;
    auto attr = static_cast<HPDF_TTFontDefAttr>(glyphs->attr);
    std::vector<unsigned> todo;
    for (unsigned glyph = 0; glyph < attr->num_glyphs; ++glyph) {
        if (attr->glyph_tbl.flgs[glyph]) todo.push_back(glyph);
    }
    while (!todo.empty()) {
        const unsigned glyph = todo.back();
        todo.pop_back();
        mark_parts(attr, glyph, &todo);
    }
}

}  // namespace

PdfFonts load_fonts(HPDF_Doc document, bool unicode) {
    if (!unicode) {
        PdfFonts fonts;
        fonts.regular.font = HPDF_GetFont(document, "Helvetica", PDF_FONT_ENCODING);
        fonts.bold.font = HPDF_GetFont(document, "Helvetica-Bold", PDF_FONT_ENCODING);
        return fonts;
    }
    HPDF_UseUTFEncodings(document);
    HPDF_SetCurrentEncoder(document, PDF_UNICODE_ENCODING);
    return {load_unicode_font(document, EMBEDDED_REGULAR_FONT),
            load_unicode_font(document, EMBEDDED_BOLD_FONT)};
}

std::span<const FallbackFace> fallback_faces() { return FACES; }

int fallback_face_for(int32_t code_point) {
    UErrorCode status = U_ZERO_ERROR;
    UScriptCode scripts[16];
    const int count = uscript_getScriptExtensions(code_point, scripts, 16, &status);
    for (size_t face = 0; face < std::size(FACES); ++face) {
        if (code_point >= FACES[face].first && code_point <= FACES[face].last) return static_cast<int>(face);
    }
    for (size_t face = 0; face < std::size(FACES); ++face) {
        for (int i = 0; U_SUCCESS(status) && i < count; ++i) {
            const std::string code = std::string(uscript_getShortName(scripts[i])) + " ";
            if (std::string_view(FACES[face].scripts).find(code) != std::string_view::npos)
                return static_cast<int>(face);
        }
    }
    return -1;
}

bool fallback_face_here(int face) {
    for (const char* path : {FACES[face].regular, FACES[face].bold}) {
        FilePtr file;
        if (path != nullptr && open_regular_file(path, &file)) return false;
    }
    return true;
}

bool add_fallback_font(HPDF_Doc document, PdfFonts* fonts, int face) {
    const FallbackFace& files = FACES[face];
    if (!fallback_face_here(face)) return false;
    if (files.shaped) {
        // Named on the pages after the shaping fonts added before them.
        const size_t before = static_cast<size_t>(
            std::count_if(fonts->regular.fallbacks.begin(), fonts->regular.fallbacks.end(),
                          [](const FallbackFont& f) { return f.shaping != nullptr; }));
        std::shared_ptr<ShapingFont> regular =
            open_shaping_font(files.regular, "/RBGlyphs" + std::to_string(2 * before + 1));
        std::shared_ptr<ShapingFont> bold = open_shaping_font(
            files.bold != nullptr ? files.bold : files.regular, "/RBGlyphs" + std::to_string(2 * before + 2));
        if (regular == nullptr || bold == nullptr) return false;
        fonts->regular.fallbacks.push_back({nullptr, nullptr, false, regular});
        fonts->bold.fallbacks.push_back({nullptr, nullptr, files.bold == nullptr, bold});
        const int script =
            u_getPropertyValueEnum(UCHAR_SCRIPT, std::string(files.scripts).substr(0, 4).c_str());
        if (uscript_isRightToLeft(static_cast<UScriptCode>(script)) && fonts->regular.mirrored == nullptr) {
            fonts->regular.mirrored = open_shaping_font(EMBEDDED_REGULAR_FONT, "/RBMirrored1");
            fonts->bold.mirrored = open_shaping_font(EMBEDDED_BOLD_FONT, "/RBMirrored2");
        }
        return true;
    }
    const TextFont regular = load_unicode_font(document, files.regular);
    const TextFont bold = files.bold != nullptr ? load_unicode_font(document, files.bold) : regular;
    if (regular.font == nullptr || bold.font == nullptr) return false;
    fonts->regular.fallbacks.push_back({regular.font, regular.glyphs, false, nullptr});
    fonts->bold.fallbacks.push_back({bold.font, bold.glyphs, files.bold == nullptr, nullptr});
    return true;
}

[[nodiscard]] std::optional<Failure> font_files_missing(bool unicode_fonts) {
    if (!unicode_fonts) return std::nullopt;
    for (const char* path : {EMBEDDED_REGULAR_FONT, EMBEDDED_BOLD_FONT}) {
        FilePtr file;
        if (std::optional<Failure> failure = open_regular_file(path, &file)) {
            failure->reason = "cannot open this font file (" + failure->reason +
                              "); install the Debian package fonts-liberation2";
            return failure;
        }
    }
    return std::nullopt;
}

bool font_prints(const TextFont& font, int32_t code_point) {
    if (font.glyphs == nullptr) return code_point_fits_windows_1252(code_point);
    // libharu draws one glyph per character: a letter that needs shaping takes a shaping font.
    const bool shaped_letter = needs_shaping(code_point);
    if (!shaped_letter && has_glyph(font.glyphs, code_point)) return true;
    return std::any_of(font.fallbacks.begin(), font.fallbacks.end(),
                       [&](const FallbackFont& f) { return fallback_prints(f, code_point, shaped_letter); });
}

bool fonts_print(const PdfFonts& fonts, int32_t code_point) {
    return font_prints(fonts.regular, code_point) && font_prints(fonts.bold, code_point);
}

std::vector<FontRun> font_runs(const TextFont& font, std::string_view text, std::string* storage) {
    if (font.fallbacks.empty()) {
        // Most texts are ASCII, which both encodings write as it is: no copy for them.
        if (font.glyphs != nullptr || is_ascii(text)) return {{font.font, text}};
        *storage = to_windows_1252(text);
        return {{font.font, *storage}};
    }
    std::vector<FontRun> runs;
    size_t start = 0;
    int current = -2;  // the font of the run: -1 the font itself, else its fallback; -2 none yet
    auto prints = [&](int which, int32_t c, bool shaped_letter) {
        return which < 0 ? !shaped_letter && has_glyph(font.glyphs, c)
                         : fallback_prints(font.fallbacks[static_cast<size_t>(which)], c, shaped_letter);
    };
    auto close_run = [&](size_t end) {
        if (current == -2) return;
        const std::string_view bytes = text.substr(start, end - start);
        if (current < 0) return runs.push_back({font.font, bytes});
        const FallbackFont& fallback = font.fallbacks[static_cast<size_t>(current)];
        runs.push_back({fallback.font, bytes, fallback.embolden, fallback.shaping.get()});
    };
    for_each_code_point(text, [&](int32_t c, size_t offset, size_t) {
        const bool shaped_letter = needs_shaping(c);
        if (current != -2 && prints(current, c, shaped_letter)) return true;
        int chosen = -1;  // the font itself, also for a character no font has
        for (int i = -1; i < static_cast<int>(font.fallbacks.size()); ++i) {
            if (prints(i, c, shaped_letter)) {
                chosen = i;
                break;
            }
        }
        if (chosen != current) {
            close_run(offset);
            current = chosen;
            start = offset;
        }
        return true;
    });
    close_run(text.size());
    return runs;
}

std::vector<FontRun> line_runs(const TextFont& font, std::string_view text,
                               std::deque<std::string>* storage) {
    if (!has_right_to_left(text)) return font_runs(font, text, &storage->emplace_back());
    std::vector<FontRun> runs;
    for (const BidiRun& part : visual_runs(text)) {
        const std::string_view part_text = text.substr(part.start, part.length);
        std::vector<FontRun> pieces = font_runs(font, part_text, &storage->emplace_back());
        for (FontRun& piece : pieces) {
            const bool inside = piece.bytes.data() >= part_text.data() &&
                                piece.bytes.data() < part_text.data() + part_text.size();
            piece.logical =
                part.start + (inside ? static_cast<size_t>(piece.bytes.data() - part_text.data()) : 0);
        }
        if (part.right_to_left) {
            std::reverse(pieces.begin(), pieces.end());
            for (FontRun& piece : pieces) {
                piece.right_to_left = true;
                if (piece.shaping == nullptr && piece.font == font.font && font.mirrored != nullptr)
                    piece.shaping = font.mirrored.get();
                if (piece.shaping == nullptr)
                    piece.bytes = storage->emplace_back(reversed_for_display(piece.bytes));
            }
        }
        runs.insert(runs.end(), pieces.begin(), pieces.end());
    }
    return runs;
}

float run_width(const FontRun& run, float size) {
    if (run.shaping != nullptr) return shape_text(*run.shaping, run.bytes, run.right_to_left, size).width;
    const HPDF_TextWidth width =
        HPDF_Font_TextWidth(run.font, reinterpret_cast<const HPDF_BYTE*>(run.bytes.data()),
                            static_cast<HPDF_UINT>(run.bytes.size()));
    return static_cast<float>(width.width) * size / 1000.0f;
}

std::vector<GlyphFont> glyph_fonts_of(const PdfFonts& fonts) {
    std::vector<GlyphFont> glyph_fonts;
    for (const TextFont* font : {&fonts.regular, &fonts.bold}) {
        std::vector<const ShapingFont*> shaping;
        for (const FallbackFont& fallback : font->fallbacks) shaping.push_back(fallback.shaping.get());
        shaping.push_back(font->mirrored.get());
        for (const ShapingFont* each : shaping) {
            if (each == nullptr) continue;
            GlyphFont glyphs = glyph_font_of(*each);
            if (!glyphs.program.empty()) glyph_fonts.push_back(std::move(glyphs));
        }
    }
    return glyph_fonts;
}

void complete_composite_glyphs(const PdfFonts& fonts) {
    std::vector<HPDF_FontDef> done;
    for (const TextFont* font : {&fonts.regular, &fonts.bold}) {
        std::vector<HPDF_FontDef> all = {font->glyphs};
        for (const FallbackFont& fallback : font->fallbacks) all.push_back(fallback.glyphs);
        for (HPDF_FontDef glyphs : all) {
            // The bold font shares a one-weight fallback with the regular one: completed once.
            if (std::find(done.begin(), done.end(), glyphs) != done.end()) continue;
            complete_glyphs_of(glyphs);
            done.push_back(glyphs);
        }
    }
}
