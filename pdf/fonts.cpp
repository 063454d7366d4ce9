#include "pdf/fonts.h"

#include <hpdf_doc.h>
#include <hpdf_fontdef.h>
#include <hpdf_objects.h>
#include <hpdf_streams.h>

#include <algorithm>
#include <cstdio>

#include "base/file.h"
#include "base/message.h"
#include "text/encoding.h"

namespace {

// Liberation Sans has Helvetica's widths, so embedding it moves no text.
constexpr const char* EMBEDDED_REGULAR_FONT = ROSTERBOOK_FONT_DIR "/LiberationSans-Regular.ttf";
constexpr const char* EMBEDDED_BOLD_FONT = ROSTERBOOK_FONT_DIR "/LiberationSans-Bold.ttf";
// Chinese and Japanese (Han and Kana); it has neither Latin letters nor Hangul.
constexpr const char* FALLBACK_FONT = ROSTERBOOK_FALLBACK_FONT;

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

bool has_glyph(HPDF_FontDef glyphs, int32_t code_point) {
    return glyphs != nullptr && HPDF_TTFontDef_GetGlyphid(glyphs, static_cast<HPDF_UINT16>(code_point)) != 0;
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
        return {{HPDF_GetFont(document, "Helvetica", PDF_FONT_ENCODING)},
                {HPDF_GetFont(document, "Helvetica-Bold", PDF_FONT_ENCODING)}};
    }
    HPDF_UseUTFEncodings(document);
    HPDF_SetCurrentEncoder(document, PDF_UNICODE_ENCODING);
    return {load_unicode_font(document, EMBEDDED_REGULAR_FONT),
            load_unicode_font(document, EMBEDDED_BOLD_FONT)};
}

bool add_fallback_font(HPDF_Doc document, PdfFonts* fonts) {
    FilePtr file;
    if (open_regular_file(FALLBACK_FONT, &file)) return false;
    const TextFont fallback = load_unicode_font(document, FALLBACK_FONT);
    for (TextFont* font : {&fonts->regular, &fonts->bold}) {
        font->fallback = fallback.font;
        font->fallback_glyphs = fallback.glyphs;
    }
    fonts->bold.embolden_fallback = true;  // Droid Sans Fallback comes in one weight
    return fallback.font != nullptr;
}

std::optional<Failure> font_files_missing(bool unicode_fonts) {
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
    if (code_point > 0xFFFF || is_right_to_left(code_point)) return false;  // libharu's codes are 16-bit
    return has_glyph(font.glyphs, code_point) || has_glyph(font.fallback_glyphs, code_point);
}

bool fonts_print(const PdfFonts& fonts, int32_t code_point) {
    return font_prints(fonts.regular, code_point) && font_prints(fonts.bold, code_point);
}

std::vector<FontRun> font_runs(const TextFont& font, std::string_view text, std::string* storage) {
    if (font.fallback == nullptr) {
        // Most texts are ASCII, which both encodings write as it is: no copy for them.
        if (font.glyphs != nullptr || is_ascii(text)) return {{font.font, text}};
        *storage = to_windows_1252(text);
        return {{font.font, *storage}};
    }
    std::vector<FontRun> runs;
    size_t start = 0;
    HPDF_Font current = nullptr;
    for_each_code_point(text, [&](int32_t c, size_t offset, size_t) {
        const bool own = has_glyph(font.glyphs, c);
        const bool stays =
            current != nullptr && (current == font.font ? own : has_glyph(font.fallback_glyphs, c));
        if (!stays) {
            if (current != nullptr) runs.push_back({current, text.substr(start, offset - start)});
            current = own || !has_glyph(font.fallback_glyphs, c) ? font.font : font.fallback;
            start = offset;
        }
        return true;
    });
    if (current != nullptr) runs.push_back({current, text.substr(start)});
    return runs;
}

void complete_composite_glyphs(const PdfFonts& fonts) {
    // The bold font's fallback is the regular one's, so it is completed once.
    for (HPDF_FontDef glyphs : {fonts.regular.glyphs, fonts.bold.glyphs, fonts.regular.fallback_glyphs}) {
        complete_glyphs_of(glyphs);
    }
}
