// Compiled as C++17: clang 14, which builds the fuzz targets, cannot read qpdf 11's
// headers in C++20 mode.
#define POINTERHOLDER_TRANSITION 4
#include "pdf/finish.h"

#include <cerrno>
#include <cstdio>
#include <exception>
#include <map>
#include <memory>
#include <qpdf/Buffer.hh>
#include <qpdf/Pipeline.hh>
#include <qpdf/QPDF.hh>
#include <qpdf/QPDFPageDocumentHelper.hh>
#include <qpdf/QPDFPageObjectHelper.hh>
#include <qpdf/QPDFWriter.hh>
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
        if (shop_.to_press == nullptr || !shop_.to_press(rgb, cmyk))
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
           xml_escaped(info_text(info, "/Title")) +
           "</rdf:li></rdf:Alt></dc:title>\n"
           "<dc:creator><rdf:Seq><rdf:li>" +
           xml_escaped(info_text(info, "/Author")) +
           "</rdf:li></rdf:Seq></dc:creator>\n"
           "<xmp:CreatorTool>" +
           xml_escaped(info_text(info, "/Creator")) + "</xmp:CreatorTool>\n<xmp:CreateDate>" +
           xmp_date(info_text(info, "/CreationDate")) + "</xmp:CreateDate>\n<xmp:ModifyDate>" +
           xmp_date(info_text(info, "/ModDate")) + "</xmp:ModifyDate>\n<pdf:Producer>" +
           xml_escaped(info_text(info, "/Producer")) +
           "</pdf:Producer>\n<pdf:Trapped>False</pdf:Trapped>\n"
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

// How many glyph slots a TrueType program has (its 'maxp' table's numGlyphs); 0 when it
// has no such table.
uint32_t glyph_count(const std::string& font) {
    const uint32_t tables = big_endian(font, 4, 2);
    for (uint32_t i = 0; i < tables; ++i) {
        const size_t entry = 12 + 16 * static_cast<size_t>(i);
        if (font.compare(std::min(entry, font.size()), 4, "maxp") == 0)
            return big_endian(font, big_endian(font, entry + 8, 4) + 4, 2);
    }
    return 0;
}

// PDF/A-1 (ISO 19005-1, 6.3.5) asks each subset CID font to list in a /CIDSet every CID
// present in its program: CID 0, and each CID the CIDToGIDMap maps to a glyph slot of the
// subset, an empty glyph such as the space's included.
void add_cid_set(QPDF& pdf, QPDFObjectHandle cid_font) {
    QPDFObjectHandle descriptor = cid_font.getKey("/FontDescriptor");
    QPDFObjectHandle program = descriptor.getKey("/FontFile2");
    QPDFObjectHandle map = cid_font.getKey("/CIDToGIDMap");
    if (!program.isStream() || !map.isStream() || descriptor.hasKey("/CIDSet")) return;
    const uint32_t glyphs = glyph_count(stream_bytes(program));
    const std::string gids = stream_bytes(map);
    const size_t cids = gids.size() / 2;
    std::string bits((cids + 7) / 8, '\0');
    for (size_t cid = 0; cid < cids; ++cid) {
        const uint32_t gid = big_endian(gids, 2 * cid, 2);
        if (cid == 0 || (gid != 0 && gid < glyphs)) {
            bits[cid / 8] = static_cast<char>(bits[cid / 8] | (0x80 >> (cid % 8)));
        }
    }
    if (bits.empty()) bits.assign(1, '\x80');
    descriptor.replaceKey("/CIDSet", QPDFObjectHandle::newStream(&pdf, bits));
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

void finish_for_print_shop(QPDF& pdf, const PrintShopFinish& shop) {
    for (QPDFPageObjectHelper& page : QPDFPageDocumentHelper(pdf).getAllPages()) {
        const QPDFObjectHandle::Rectangle media = page.getMediaBox().getArrayAsRectangle();
        const float width = static_cast<float>(media.urx - media.llx);
        const float height = static_cast<float>(media.ury - media.lly);
        const float m = shop.marks, trim = shop.marks + shop.bleed;
        page.getObjectHandle().replaceKey("/BleedBox", box(m, m, width - m, height - m));
        page.getObjectHandle().replaceKey("/TrimBox", box(trim, trim, width - trim, height - trim));
        page.addContentTokenFilter(std::make_shared<ShopColours>(shop));
        QPDFObjectHandle fonts = page.getObjectHandle().getKey("/Resources").getKey("/Font");
        for (const std::string& name : fonts.isDictionary() ? fonts.getKeys() : std::set<std::string>{}) {
            QPDFObjectHandle font = fonts.getKey(name);
            if (font.getKey("/Subtype").isNameAndEquals("/Type0")) {
                add_cid_set(pdf, font.getKey("/DescendantFonts").getArrayItem(0));
            }
        }
    }
    QPDFObjectHandle info = pdf.getTrailer().getKey("/Info");
    info.replaceKey("/Author", QPDFObjectHandle::newUnicodeString(shop.author));
    // PDFDocEncoding where the title's letters allow, UTF-16 only where they do not:
    // converters to PDF/A refuse a UTF-16 title they could have read as plain text.
    info.replaceKey("/Title", QPDFObjectHandle::newUnicodeString(info_text(info, "/Title")));
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
// page's fonts. A print shop's file also lists its glyphs in a CIDSet, as for the others.
void add_glyph_font(QPDF& pdf, const GlyphFont& font, bool shop) {
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
    std::vector<uint32_t> cids;
    for (const auto& [glyph, width] : font.widths) {
        widths += std::to_string(glyph) + " [" + std::to_string(width) + "] ";
        cids.push_back(glyph);
    }
    if (shop) descriptor.replaceKey("/CIDSet", cid_set(pdf, cids));
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

bool finish_pdf(const std::string& bytes, const std::vector<PictureStream>& pictures,
                const std::vector<GlyphFont>& glyph_fonts, const ViewerSettings& viewer,
                const PrintShopFinish& shop, FILE* into, int* write_error, std::string* reason) {
    *write_error = 0;
    try {
        QPDF pdf;
        pdf.setSuppressWarnings(true);
        pdf.processMemoryFile("document", bytes.data(), bytes.size());
        put_pictures(pdf, pictures);
        for (const GlyphFont& font : glyph_fonts) add_glyph_font(pdf, font, shop.enabled);
        if (shop.enabled) finish_for_print_shop(pdf, shop);
        if (viewer.duplex != nullptr) {
            QPDFObjectHandle preferences = QPDFObjectHandle::newDictionary();
            preferences.replaceKey("/Duplex", QPDFObjectHandle::newName(std::string("/") + viewer.duplex));
            if (viewer.no_print_scaling)
                preferences.replaceKey("/PrintScaling", QPDFObjectHandle::newName("/None"));
            pdf.getRoot().replaceKey("/ViewerPreferences", preferences);
        }
        QPDFWriter writer(pdf);
        // Straight into the file: a finished file held in memory as well would double what a
        // run of photos takes.
        CheckedFileWriter into_file(into, write_error);
        writer.setOutputPipeline(&into_file);
        // Streams go through as libharu compressed them: recompressing photos costs seconds.
        // The print shop's content streams must be decoded for their black to be rewritten.
        writer.setDecodeLevel(shop.enabled ? qpdf_dl_generalized : qpdf_dl_none);
        writer.setDeterministicID(true);
        if (viewer.duplex != nullptr) writer.setMinimumPDFVersion("1.7");  // /Duplex is a PDF 1.7 key
        if (shop.enabled) writer.setMinimumPDFVersion("1.4");              // PDF/A-1 is PDF 1.4
        writer.write();
    } catch (const std::exception& error) {
        *reason = error.what();
        return false;
    }
    return true;
}

#ifdef ROSTERBOOK_FINISH_MODULE
// What the tool looks up after loading the module.
extern "C" __attribute__((visibility("default"))) bool rosterbook_finish_pdf(
    const std::string& bytes, const std::vector<PictureStream>& pictures,
    const std::vector<GlyphFont>& glyph_fonts, const ViewerSettings& viewer, const PrintShopFinish& shop,
    FILE* into, int* write_error, std::string* reason) {
    return finish_pdf(bytes, pictures, glyph_fonts, viewer, shop, into, write_error, reason);
}
#endif
