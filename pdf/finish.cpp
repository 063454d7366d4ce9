// Compiled as C++17: clang 14, which builds the fuzz targets, cannot read qpdf 11's
// headers in C++20 mode.
#define POINTERHOLDER_TRANSITION 4
#include "pdf/finish.h"

#include <hb-subset.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <exception>
#include <map>
#include <memory>
#include <qpdf/Buffer.hh>
#include <qpdf/Pipeline.hh>
#include <qpdf/QPDF.hh>
#include <qpdf/QPDFPageDocumentHelper.hh>
#include <qpdf/QPDFPageObjectHelper.hh>
#include <qpdf/QPDFWriter.hh>
#include <set>
#include <stdexcept>
#include <vector>

#include "image/colour.h"

namespace {

// Rewrites the colours a print shop's pages set as RGB: a neutral one ("0 0 0 rg", "0.83
// 0.83 0.83 RG") as DeviceGray ("0 g", "0.83 G"), black and greys that separate to black ink
// alone where RGB would become four-colour black and greys on press; in a CMYK file every
// other one as the press's CMYK ("0.91 0.62 0.3 0.21 k").
class ShopColours : public QPDFObjectHandle::TokenFilter {
public:
    explicit ShopColours(const PrintShopFinish& shop) : shop_(shop) {}

    void handleToken(QPDFTokenizer::Token const& token) override {
        const bool word = token.getType() == QPDFTokenizer::tt_word;
        const bool rgb = word && (token.getValue() == "rg" || token.getValue() == "RG");
        const bool fill = rgb && token.getValue() == "rg";
        std::vector<std::string> numbers;
        if (rgb && pending_numbers(&numbers) && numbers[0] == numbers[1] && numbers[0] == numbers[2]) {
            write(" " + numbers[0] + (fill ? " g" : " G"));
            pending.clear();
        } else if (rgb && shop_.cmyk && numbers.size() == 3) {
            write(" " + press_colour(numbers) + (fill ? " k" : " K"));
            pending.clear();
        } else if (word) {
            flush();
            writeToken(token);
        } else {
            pending.push_back(token);
        }
    }
    void handleEOF() override { flush(); }

private:
    const PrintShopFinish& shop_;
    std::vector<QPDFTokenizer::Token> pending;     // the operands since the last operator
    std::map<std::string, std::string> converted;  // the press's inks of each colour met, as written

    // True when the operands are three numbers, put in `numbers` as written (the same
    // number is then the same text: libharu writes them alike).
    bool pending_numbers(std::vector<std::string>* numbers) const {
        for (const QPDFTokenizer::Token& token : pending) {
            const auto type = token.getType();
            if (type == QPDFTokenizer::tt_space || type == QPDFTokenizer::tt_comment) continue;
            if (type != QPDFTokenizer::tt_integer && type != QPDFTokenizer::tt_real) return false;
            numbers->push_back(token.getValue());
        }
        return numbers->size() == 3;
    }
    // "c m y k" of an sRGB colour given as three numbers; a conversion that fails throws,
    // so the file is not written with RGB left in it.
    std::string press_colour(const std::vector<std::string>& numbers) {
        const std::string key = numbers[0] + " " + numbers[1] + " " + numbers[2];
        auto found = converted.find(key);
        if (found != converted.end()) return found->second;
        const float rgb[3] = {std::stof(numbers[0]), std::stof(numbers[1]), std::stof(numbers[2])};
        float cmyk[4];
        if (shop_.to_press == nullptr || !shop_.to_press(rgb, shop_.ink_limit, cmyk))
            throw std::runtime_error("the colour " + key + " cannot be converted to the press's CMYK");
        std::string inks;
        for (float ink : cmyk) {
            char number[16];
            snprintf(number, sizeof number, "%.4g", static_cast<double>(ink));
            inks += (inks.empty() ? "" : " ") + std::string(number);
        }
        return converted[key] = inks;
    }
    void flush() {
        for (const QPDFTokenizer::Token& token : pending) writeToken(token);
        pending.clear();
    }
};

QPDFObjectHandle box(float left, float bottom, float right, float top) {
    return QPDFObjectHandle::newArray(std::vector<QPDFObjectHandle>{
        QPDFObjectHandle::newReal(left, 3), QPDFObjectHandle::newReal(bottom, 3),
        QPDFObjectHandle::newReal(right, 3), QPDFObjectHandle::newReal(top, 3)});
}

// "D:20261207231500Z" as XMP writes it, "2026-12-07T23:15:00Z".
std::string xmp_date(const std::string& pdf_date) {
    if (pdf_date.size() < 16) return "";
    const std::string d = pdf_date.substr(2);
    return d.substr(0, 4) + "-" + d.substr(4, 2) + "-" + d.substr(6, 2) + "T" + d.substr(8, 2) + ":" +
           d.substr(10, 2) + ":" + d.substr(12, 2) + "Z";
}

std::string xml_escaped(const std::string& text) {
    std::string escaped;
    for (char c : text) {
        escaped += c == '<' ? "&lt;" : c == '>' ? "&gt;" : c == '&' ? "&amp;" : std::string(1, c);
    }
    return escaped;
}

std::string info_text(QPDFObjectHandle info, const char* key) {
    QPDFObjectHandle value = info.getKey(key);
    return value.isString() ? value.getUTF8Value() : "";
}

// The XMP packet PDF/A-1b asks for, saying what the document information says.
std::string xmp_packet(QPDFObjectHandle info) {
    return "<?xpacket begin=\"\xEF\xBB\xBF\" id=\"W5M0MpCehiHzreSzNTczkc9d\"?>\n"
           "<x:xmpmeta xmlns:x=\"adobe:ns:meta/\"><rdf:RDF "
           "xmlns:rdf=\"http://www.w3.org/1999/02/22-rdf-syntax-ns#\">\n"
           "<rdf:Description rdf:about=\"\" xmlns:dc=\"http://purl.org/dc/elements/1.1/\" "
           "xmlns:xmp=\"http://ns.adobe.com/xap/1.0/\" xmlns:pdf=\"http://ns.adobe.com/pdf/1.3/\" "
           "xmlns:pdfaid=\"http://www.aiim.org/pdfa/ns/id/\">\n"
           "<dc:format>application/pdf</dc:format>\n"
           "<dc:title><rdf:Alt><rdf:li xml:lang=\"x-default\">" +
           xml_escaped(info_text(info, "/Title")) + "</rdf:li></rdf:Alt></dc:title>\n" +
           (info.hasKey("/Author")
                ? "<dc:creator><rdf:Seq><rdf:li>" + xml_escaped(info_text(info, "/Author")) +
                      "</rdf:li></rdf:Seq></dc:creator>\n"
                : std::string()) +
           "<xmp:CreatorTool>" + xml_escaped(info_text(info, "/Creator")) +
           "</xmp:CreatorTool>\n<xmp:CreateDate>" + xmp_date(info_text(info, "/CreationDate")) +
           "</xmp:CreateDate>\n<xmp:ModifyDate>" + xmp_date(info_text(info, "/ModDate")) +
           "</xmp:ModifyDate>\n<pdf:Producer>" + xml_escaped(info_text(info, "/Producer")) +
           "</pdf:Producer>\n"
           "<pdfaid:part>1</pdfaid:part><pdfaid:conformance>B</pdfaid:conformance>\n"
           "</rdf:Description></rdf:RDF></x:xmpmeta>\n<?xpacket end=\"w\"?>";
}

std::string stream_bytes(QPDFObjectHandle stream) {
    std::shared_ptr<Buffer> data = stream.getStreamData(qpdf_dl_generalized);
    return std::string(reinterpret_cast<const char*>(data->getBuffer()), data->getSize());
}

uint32_t big_endian(const std::string& bytes, size_t offset, int size) {
    uint32_t value = 0;
    for (int i = 0; i < size && offset + i < bytes.size(); ++i) {
        value = (value << 8) | static_cast<unsigned char>(bytes[offset + i]);
    }
    return value;
}

// A CIDSet with CID 0 and each of `cids`.
QPDFObjectHandle cid_set(QPDF& pdf, const std::vector<uint32_t>& cids) {
    std::string bits(1, '\0');
    for (uint32_t cid : cids) {
        if (cid / 8 >= bits.size()) bits.resize(cid / 8 + 1, '\0');
        bits[cid / 8] = static_cast<char>(bits[cid / 8] | (0x80 >> (cid % 8)));
    }
    bits[0] = static_cast<char>(bits[0] | 0x80);
    return QPDFObjectHandle::newStream(&pdf, bits);
}

// The CIDs each CID font's text shows on a page, by the CID font object: the codes of the
// strings its Tj, TJ, ' and " operators show while a Type0 font of two-byte codes is set.
class ShownCids : public QPDFObjectHandle::ParserCallbacks {
public:
    ShownCids(QPDFObjectHandle fonts, std::map<QPDFObjGen, std::set<uint32_t>>* shown)
        : fonts_(fonts), shown_(shown) {}

    void handleObject(QPDFObjectHandle object) override {
        if (!object.isOperator()) {
            operands_.push_back(object);
            return;
        }
        const std::string op = object.getOperatorValue();
        if (op == "Tf" && !operands_.empty() && operands_[0].isName()) {
            QPDFObjectHandle font = fonts_.isDictionary() ? fonts_.getKey(operands_[0].getName()) : fonts_;
            const bool cid = font.isDictionary() && font.getKey("/Subtype").isNameAndEquals("/Type0");
            current_ =
                cid ? &(*shown_)[font.getKey("/DescendantFonts").getArrayItem(0).getObjGen()] : nullptr;
        } else if ((op == "Tj" || op == "'" || op == "\"" || op == "TJ") && current_ != nullptr &&
                   !operands_.empty()) {
            QPDFObjectHandle shown = operands_.back();
            for (int i = 0; shown.isArray() && i < shown.getArrayNItems(); ++i) add(shown.getArrayItem(i));
            add(shown);
        }
        operands_.clear();
    }
    void handleEOF() override {}

private:
    QPDFObjectHandle fonts_;
    std::map<QPDFObjGen, std::set<uint32_t>>* shown_;
    std::set<uint32_t>* current_ = nullptr;
    std::vector<QPDFObjectHandle> operands_;

    void add(QPDFObjectHandle text) {
        if (!text.isString()) return;
        const std::string codes = text.getStringValue();
        for (size_t at = 0; at + 1 < codes.size(); at += 2) current_->insert(big_endian(codes, at, 2));
    }
};

// The CIDToGIDMap's glyph for `cid`: a stream two bytes a CID (glyph 0 past its end), else
// /Identity.
uint32_t glyph_of(const std::string& map, bool identity, uint32_t cid) {
    return identity ? cid : big_endian(map, 2 * static_cast<size_t>(cid), 2 * cid + 1 < map.size() ? 2 : 0);
}

// Owns a HarfBuzz object for the length of a scope.
template <typename T, void (*destroy)(T*)>
struct HbHeld {
    T* held;
    ~HbHeld() { destroy(held); }
};

// PDF/A-1 (ISO 19005-1, 6.3.5) asks each subset CID font to list in a /CIDSet every CID
// present in its program. The program is cut to the glyphs of the CIDs `shown` (and the
// parts of composite glyphs, and .notdef) with hb-subset, so the CIDSet lists a CID for
// every glyph the program holds: the CIDToGIDMap sends each CID shown to its glyph's new
// number, and a part of a composite no CID shows gets a CID of its own above the others.
void subset_cid_font(QPDF& pdf, QPDFObjectHandle cid_font, const std::set<uint32_t>& shown) {
    QPDFObjectHandle descriptor = cid_font.getKey("/FontDescriptor");
    QPDFObjectHandle program = descriptor.getKey("/FontFile2");
    QPDFObjectHandle map = cid_font.getKey("/CIDToGIDMap");
    const bool identity = map.isName() && map.getName() == "/Identity";
    if (!program.isStream() || !(map.isStream() || identity)) return;
    const std::string bytes = stream_bytes(program), old_map = identity ? "" : stream_bytes(map);
    HbHeld<hb_blob_t, hb_blob_destroy> blob{hb_blob_create(bytes.data(), static_cast<unsigned>(bytes.size()),
                                                           HB_MEMORY_MODE_READONLY, nullptr, nullptr)};
    HbHeld<hb_face_t, hb_face_destroy> face{hb_face_create(blob.held, 0)};
    HbHeld<hb_subset_input_t, hb_subset_input_destroy> input{hb_subset_input_create_or_fail()};
    if (input.held == nullptr) throw std::runtime_error("not enough memory to subset a font");
    const uint32_t slots = hb_face_get_glyph_count(face.held);
    hb_set_t* glyphs = hb_subset_input_glyph_set(input.held);
    hb_set_add(glyphs, 0);
    for (uint32_t cid : shown) {
        if (glyph_of(old_map, identity, cid) < slots) hb_set_add(glyphs, glyph_of(old_map, identity, cid));
    }
    HbHeld<hb_subset_plan_t, hb_subset_plan_destroy> plan{
        hb_subset_plan_create_or_fail(face.held, input.held)};
    HbHeld<hb_face_t, hb_face_destroy> subset{plan.held ? hb_subset_plan_execute_or_fail(plan.held)
                                                        : nullptr};
    if (subset.held == nullptr) throw std::runtime_error("a font cannot be subset");
    const hb_map_t* new_glyph = hb_subset_plan_old_to_new_glyph_mapping(plan.held);
    const uint32_t count = hb_face_get_glyph_count(subset.held);
    std::vector<uint32_t> glyph_cids;  // each CID given a glyph, rising
    std::vector<bool> reached(count, false);
    reached[0] = true;
    std::string new_map(2 * (shown.empty() ? 1 : static_cast<size_t>(*shown.rbegin()) + 1), '\0');
    const auto put = [&](uint32_t cid, uint32_t glyph) {
        if (2 * static_cast<size_t>(cid) + 1 >= new_map.size())
            new_map.resize(2 * static_cast<size_t>(cid) + 2, '\0');
        new_map[2 * cid] = static_cast<char>(glyph >> 8);
        new_map[2 * cid + 1] = static_cast<char>(glyph & 0xFF);
        glyph_cids.push_back(cid);
        reached[glyph] = true;
    };
    for (uint32_t cid : shown) {
        const uint32_t glyph = hb_map_get(new_glyph, glyph_of(old_map, identity, cid));
        if (cid != 0 && glyph != HB_MAP_VALUE_INVALID && glyph != 0 && glyph < count) put(cid, glyph);
    }
    for (uint32_t glyph = 1, cid = static_cast<uint32_t>(new_map.size() / 2); glyph < count; ++glyph) {
        if (!reached[glyph]) put(cid++, glyph);  // a composite's part
    }
    HbHeld<hb_blob_t, hb_blob_destroy> written{hb_face_reference_blob(subset.held)};
    unsigned length = 0;
    const char* data = hb_blob_get_data(written.held, &length);
    program.replaceStreamData(std::string(data, length), QPDFObjectHandle::newNull(),
                              QPDFObjectHandle::newNull());
    program.getDict().replaceKey("/Length1", QPDFObjectHandle::newInteger(length));
    cid_font.replaceKey("/CIDToGIDMap", QPDFObjectHandle::newStream(&pdf, new_map));
    descriptor.replaceKey("/CIDSet", cid_set(pdf, glyph_cids));
}

// Cuts every CID font's program to the glyphs the pages show, each listed in its CIDSet.
void subset_cid_fonts(QPDF& pdf) {
    std::map<QPDFObjGen, std::set<uint32_t>> shown;
    std::map<QPDFObjGen, QPDFObjectHandle> cid_fonts;
    for (QPDFPageObjectHelper& page : QPDFPageDocumentHelper(pdf).getAllPages()) {
        QPDFObjectHandle fonts = page.getObjectHandle().getKey("/Resources").getKey("/Font");
        ShownCids parser(fonts, &shown);
        page.parseContents(&parser);
        for (const std::string& name : fonts.isDictionary() ? fonts.getKeys() : std::set<std::string>{}) {
            QPDFObjectHandle font = fonts.getKey(name);
            if (!font.getKey("/Subtype").isNameAndEquals("/Type0")) continue;
            QPDFObjectHandle cid_font = font.getKey("/DescendantFonts").getArrayItem(0);
            cid_fonts.emplace(cid_font.getObjGen(), cid_font);
        }
    }
    for (auto& [id, cid_font] : cid_fonts) subset_cid_font(pdf, cid_font, shown[id]);
}

// The output intent that says what the colours mean: sRGB for PDF/A, or the press's
// condition for PDF/A and PDF/X alike, both naming the one profile object as PDF/A asks
// of a file with several (ISO 19005-1, 6.2.2).
void add_output_intents(QPDF& pdf, const PrintShopFinish& shop) {
    QPDFObjectHandle profile = QPDFObjectHandle::newStream(&pdf, shop.profile);
    profile.getDict().replaceKey("/N", QPDFObjectHandle::newInteger(shop.cmyk ? 4 : 3));
    const std::string condition = shop.cmyk ? "/OutputConditionIdentifier (" + std::string(PRESS_CONDITION) +
                                                  ") /RegistryName (http://www.color.org) /Info (" +
                                                  PRESS_CONDITION_INFO + ")"
                                            : "/OutputConditionIdentifier (sRGB IEC61966-2.1) "
                                              "/Info (sRGB IEC61966-2.1)";
    std::vector<QPDFObjectHandle> intents;
    for (const char* standard : {"/GTS_PDFA1", "/GTS_PDFX"}) {
        if (!shop.cmyk && std::string(standard) == "/GTS_PDFX") break;
        QPDFObjectHandle intent = QPDFObjectHandle::parse("<< /Type /OutputIntent /S " +
                                                          std::string(standard) + " " + condition + " >>");
        intent.replaceKey("/DestOutputProfile", profile);
        intents.push_back(intent);
    }
    pdf.getRoot().replaceKey("/OutputIntents", QPDFObjectHandle::newArray(intents));
}

// Names registration colour on `page`, for its crop marks: a Separation called All, which
// every plate prints, shown elsewhere as full black of the file's own kind (DeviceCMYK in a
// CMYK file, else DeviceGray, as PDF/A-1 allows beside an sRGB output intent).
void add_registration_colour(QPDFObjectHandle page, bool cmyk) {
    QPDFObjectHandle resources = page.getKey("/Resources");
    if (!resources.isDictionary()) return;
    if (!resources.getKey("/ColorSpace").isDictionary())
        resources.replaceKey("/ColorSpace", QPDFObjectHandle::newDictionary());
    resources.getKey("/ColorSpace")
        .replaceKey(
            REGISTRATION_COLOUR_SPACE,
            QPDFObjectHandle::parse(cmyk ? "[/Separation /All /DeviceCMYK << /FunctionType 2 /Domain [0 1] "
                                           "/C0 [0 0 0 0] /C1 [1 1 1 1] /N 1 >>]"
                                         : "[/Separation /All /DeviceGray << /FunctionType 2 /Domain [0 1] "
                                           "/C0 [1] /C1 [0] /N 1 >>]"));
}

void finish_for_print_shop(QPDF& pdf, const PrintShopFinish& shop) {
    for (QPDFPageObjectHelper& page : QPDFPageDocumentHelper(pdf).getAllPages()) {
        const QPDFObjectHandle::Rectangle media = page.getMediaBox().getArrayAsRectangle();
        const float width = static_cast<float>(media.urx - media.llx);
        const float height = static_cast<float>(media.ury - media.lly);
        const float m = shop.marks, trim = shop.marks + shop.bleed;
        page.getObjectHandle().replaceKey("/BleedBox", box(m, m, width - m, height - m));
        page.getObjectHandle().replaceKey("/TrimBox", box(trim, trim, width - trim, height - trim));
        page.addContentTokenFilter(std::make_shared<ShopColours>(shop));
        if (shop.marks > 0) add_registration_colour(page.getObjectHandle(), shop.cmyk);
    }
    subset_cid_fonts(pdf);
    QPDFObjectHandle info = pdf.getTrailer().getKey("/Info");
    if (shop.author.empty()) {
        info.removeKey("/Author");
    } else {
        info.replaceKey("/Author", QPDFObjectHandle::newUnicodeString(shop.author));
    }
    // PDFDocEncoding where the letters allow, UTF-16 only where they do not: converters to
    // PDF/A refuse or drop a UTF-16 title or creator they could have read as plain text.
    for (const char* key : {"/Title", "/Creator"})
        info.replaceKey(key, QPDFObjectHandle::newUnicodeString(info_text(info, key)));
    // PDF/X asks for /Trapped in the information; its XMP twin, pdf:Trapped, would need an
    // extension schema in PDF/A-1, so the XMP leaves it out.
    info.replaceKey("/Trapped", QPDFObjectHandle::newName("/False"));
    if (shop.cmyk) info.replaceKey("/GTS_PDFXVersion", QPDFObjectHandle::newString("PDF/X-1a:2003"));
    add_output_intents(pdf, shop);
    QPDFObjectHandle metadata = QPDFObjectHandle::newStream(&pdf, xmp_packet(info));
    metadata.getDict().replaceKey("/Type", QPDFObjectHandle::newName("/Metadata"));
    metadata.getDict().replaceKey("/Subtype", QPDFObjectHandle::newName("/XML"));
    pdf.getRoot().replaceKey("/Metadata", metadata);
}

// Puts each marked picture's data into its image XObject, as it is (qpdf writes it through).
void put_pictures(QPDF& pdf, const std::vector<PictureStream>& pictures) {
    for (QPDFObjectHandle object : pdf.getAllObjects()) {
        if (!object.isStream() || !object.getDict().hasKey(PICTURE_KEY)) continue;
        QPDFObjectHandle dict = object.getDict();
        const long long index = dict.getKey(PICTURE_KEY).getIntValue();
        dict.removeKey(PICTURE_KEY);
        if (index < 0 || static_cast<size_t>(index) >= pictures.size())
            throw std::runtime_error("picture missing");
        const PictureStream& picture = pictures[static_cast<size_t>(index)];
        // A Buffer made this way only lends the picture's memory.
        auto data = std::make_shared<Buffer>(const_cast<unsigned char*>(picture.data), picture.size);
        object.replaceStreamData(data, QPDFObjectHandle::newName(picture.filter),
                                 QPDFObjectHandle::newNull());
    }
}

// The CIDToGIDMap of a glyph font with codes of its own above its glyphs: two bytes a CID,
// each code below them its own glyph.
QPDFObjectHandle cid_to_gid_map(QPDF& pdf, const GlyphFont& font) {
    const uint32_t last = font.extra_codes.back().first;
    std::string map(2 * (static_cast<size_t>(last) + 1), '\0');
    const auto put = [&](uint32_t cid, uint32_t glyph) {
        map[2 * cid] = static_cast<char>(glyph >> 8);
        map[2 * cid + 1] = static_cast<char>(glyph & 0xFF);
    };
    for (uint32_t cid = 0; cid < font.extra_codes.front().first; ++cid) put(cid, cid);
    for (const auto& [cid, glyph] : font.extra_codes) put(cid, glyph);
    return QPDFObjectHandle::newStream(&pdf, map);
}

// Adds the font of shaped text, drawn by glyph number (CID = glyph), and names it in every
// page's fonts. A print shop's file cuts and lists its glyphs as for the others.
void add_glyph_font(QPDF& pdf, const GlyphFont& font) {
    QPDFObjectHandle program = QPDFObjectHandle::newStream(&pdf, font.program);
    program.getDict().replaceKey("/Length1",
                                 QPDFObjectHandle::newInteger(static_cast<long long>(font.program.size())));
    const std::string name = "/" + font.base_name;
    QPDFObjectHandle descriptor = QPDFObjectHandle::parse(
        "<< /Type /FontDescriptor /FontName " + name + " /Flags 4 /FontBBox [" +
        std::to_string(font.bbox[0]) + " " + std::to_string(font.bbox[1]) + " " +
        std::to_string(font.bbox[2]) + " " + std::to_string(font.bbox[3]) + "] /ItalicAngle 0 /Ascent " +
        std::to_string(font.ascent) + " /Descent " + std::to_string(font.descent) + " /CapHeight " +
        std::to_string(font.cap_height) + " /StemV 80 >>");
    descriptor.replaceKey("/FontFile2", program);
    std::string widths;
    for (const auto& [glyph, width] : font.widths)
        widths += std::to_string(glyph) + " [" + std::to_string(width) + "] ";
    QPDFObjectHandle cid_font =
        QPDFObjectHandle::parse("<< /Type /Font /Subtype /CIDFontType2 /BaseFont " + name +
                                " /CIDSystemInfo << /Registry (Adobe) /Ordering (Identity) /Supplement 0 >> "
                                "/CIDToGIDMap /Identity /W [" +
                                widths + "] >>");
    if (!font.extra_codes.empty()) cid_font.replaceKey("/CIDToGIDMap", cid_to_gid_map(pdf, font));
    cid_font.replaceKey("/FontDescriptor", pdf.makeIndirectObject(descriptor));
    QPDFObjectHandle type0 = QPDFObjectHandle::parse("<< /Type /Font /Subtype /Type0 /BaseFont " + name +
                                                     " /Encoding /Identity-H >>");
    type0.replaceKey("/DescendantFonts", QPDFObjectHandle::newArray({pdf.makeIndirectObject(cid_font)}));
    type0.replaceKey("/ToUnicode", QPDFObjectHandle::newStream(&pdf, font.to_unicode));
    type0 = pdf.makeIndirectObject(type0);
    for (QPDFPageObjectHelper& page : QPDFPageDocumentHelper(pdf).getAllPages()) {
        QPDFObjectHandle resources = page.getObjectHandle().getKey("/Resources");
        if (!resources.isDictionary()) continue;
        if (!resources.getKey("/Font").isDictionary())
            resources.replaceKey("/Font", QPDFObjectHandle::newDictionary());
        resources.getKey("/Font").replaceKey(font.resource, type0);
    }
}

}  // namespace

// Hands what qpdf writes to a file, every write checked: qpdf's own file pipeline misses a
// write cut short by a full disk. After the first failure nothing more is written.
class CheckedFileWriter : public Pipeline {
public:
    CheckedFileWriter(FILE* file, int* error) : Pipeline("file", nullptr), file_(file), error_(error) {}
    void write(unsigned char const* data, size_t length) override {
        errno = 0;
        if (*error_ == 0 && fwrite(data, 1, length, file_) != length) *error_ = errno != 0 ? errno : EIO;
    }
    void finish() override {}

private:
    FILE* file_;
    int* error_;
};

std::optional<Failure> finish_pdf(const std::string& bytes, const std::vector<PictureStream>& pictures,
                                  const std::vector<GlyphFont>& glyph_fonts, const ViewerSettings& viewer,
                                  const PrintShopFinish& shop, FILE* into) {
    int write_error = 0;
    try {
        QPDF pdf;
        pdf.setSuppressWarnings(true);
        pdf.processMemoryFile("document", bytes.data(), bytes.size());
        put_pictures(pdf, pictures);
        for (const GlyphFont& font : glyph_fonts) add_glyph_font(pdf, font);
        if (shop.enabled) finish_for_print_shop(pdf, shop);
        const std::vector<std::pair<const char*, const char*>> names = viewer_preference_names(viewer);
        if (!names.empty()) {
            QPDFObjectHandle preferences = QPDFObjectHandle::newDictionary();
            for (const auto& [key, value] : names)
                preferences.replaceKey(std::string("/") + key,
                                       QPDFObjectHandle::newName(std::string("/") + value));
            pdf.getRoot().replaceKey("/ViewerPreferences", preferences);
        }
        QPDFWriter writer(pdf);
        // Straight into the file: a finished file held in memory as well would double what a
        // run of photos takes.
        CheckedFileWriter into_file(into, &write_error);
        writer.setOutputPipeline(&into_file);
        // Streams go through as libharu compressed them: recompressing photos costs seconds.
        // The print shop's content streams must be decoded for their black to be rewritten.
        writer.setDecodeLevel(shop.enabled ? qpdf_dl_generalized : qpdf_dl_none);
        writer.setDeterministicID(true);
        if (needs_pdf_1_7(viewer)) writer.setMinimumPDFVersion("1.7");
        if (shop.enabled) writer.setMinimumPDFVersion("1.4");  // PDF/A-1 is PDF 1.4
        writer.write();
    } catch (const std::exception& error) {
        return Failure{"", 0, error.what()};
    }
    if (write_error != 0) return Failure{"", 0, strerror(write_error), "line", write_error};
    return std::nullopt;
}

#ifdef ROSTERBOOK_FINISH_MODULE
// What the tool looks up after loading the module (FINISH_SYMBOL).
extern "C" {
__attribute__((visibility("default"))) FinishFunction rosterbook_finish_pdf = &finish_pdf;
}
#endif
