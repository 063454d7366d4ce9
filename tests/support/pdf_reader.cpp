#define POINTERHOLDER_TRANSITION 4
#include "tests/support/pdf_reader.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <map>
#include <qpdf/Buffer.hh>
#include <qpdf/QPDF.hh>
#include <qpdf/QPDFObjectHandle.hh>
#include <qpdf/QPDFPageDocumentHelper.hh>
#include <qpdf/QPDFPageObjectHelper.hh>
#include <qpdf/QPDFWriter.hh>
#include <qpdf/QUtil.hh>
#include <set>

namespace {

// Affine matrix [a b c d e f] as in PDF.
struct Matrix {
    double a = 1, b = 0, c = 0, d = 1, e = 0, f = 0;
    Matrix times(const Matrix& m) const {  // this applied first, then m
        return {a * m.a + b * m.c, a * m.b + b * m.d,       c * m.a + d * m.c,
                c * m.b + d * m.d, e * m.a + f * m.c + m.e, e * m.b + f * m.d + m.f};
    }
};

struct GraphicsState {
    Rgb fill, stroke;
    std::vector<float> fill_inks;  // CMYK set with k
    float line_width = 1;
    int render_mode = 0;  // Tr
    Matrix ctm;
};

std::string name_or_empty(QPDFObjectHandle object) {
    if (object.isName()) return object.getName().substr(1);
    if (object.isArray() && object.getArrayNItems() > 0) return name_or_empty(object.getArrayItem(0));
    return "";
}

std::string decoded(QPDFObjectHandle stream) {
    std::shared_ptr<Buffer> data = stream.getStreamData(qpdf_dl_all);  // JPEG data decoded too
    return std::string(reinterpret_cast<const char*>(data->getBuffer()), data->getSize());
}

// An Indexed image's samples as the RGB colours its palette gives them, so that tests
// compare what is printed whatever the storage.
std::string expand_indexed(QPDFObjectHandle color_space, const std::string& indices, int width, int bits) {
    QPDFObjectHandle lookup = color_space.getArrayItem(3);
    const std::string palette = lookup.isStream() ? decoded(lookup) : lookup.getStringValue();
    const size_t row_bytes = (static_cast<size_t>(width) * bits + 7) / 8;
    std::string rgb;
    for (size_t row = 0; row * row_bytes < indices.size(); ++row) {
        for (int x = 0; x < width; ++x) {
            const size_t bit = static_cast<size_t>(x) * bits;
            const unsigned byte = static_cast<unsigned char>(indices[row * row_bytes + bit / 8]);
            const unsigned index = (byte >> (8 - bits - bit % 8)) & ((1u << bits) - 1);
            rgb += palette.substr(index * 3, 3);
        }
    }
    return rgb;
}

uint32_t big_endian(const std::string& bytes, size_t offset, int size) {
    uint32_t value = 0;
    for (int i = 0; i < size && offset + i < bytes.size(); ++i)
        value = (value << 8) | static_cast<unsigned char>(bytes[offset + i]);
    return value;
}

class ContentCollector : public QPDFObjectHandle::ParserCallbacks {
public:
    ContentCollector(PdfPage* page, QPDFObjectHandle resources) : page_(page), resources_(resources) {}

    void handleObject(QPDFObjectHandle object) override {
        if (!object.isOperator()) {
            operands_.push_back(object);
            return;
        }
        run(object.getOperatorValue());
        operands_.clear();
    }
    void handleEOF() override {}

private:
    float num(size_t i) { return static_cast<float>(operands_.at(i).getNumericValue()); }
    Rgb rgb() { return {num(0), num(1), num(2)}; }
    // CMYK read naively as RGB: enough to tell white, black and colour apart.
    Rgb rgb_of_inks() {
        const float white = 1 - num(3);
        return {(1 - num(0)) * white, (1 - num(1)) * white, (1 - num(2)) * white};
    }

    void run(const std::string& op) {
        if (op == "q")
            stack_.push_back(state_);
        else if (op == "Q" && !stack_.empty())
            state_ = stack_.back(), stack_.pop_back();
        else if (op == "cm")
            state_.ctm = Matrix{num(0), num(1), num(2), num(3), num(4), num(5)}.times(state_.ctm);
        else if (op == "rg")
            state_.fill = rgb(), state_.fill_inks.clear(), ++page_->rgb_colours;
        else if (op == "RG")
            state_.stroke = rgb(), ++page_->rgb_colours;
        else if (op == "k")
            state_.fill = rgb_of_inks(), state_.fill_inks = {num(0), num(1), num(2), num(3)};
        else if (op == "K")
            state_.stroke = rgb_of_inks();
        else if (op == "g")
            state_.fill = {num(0), num(0), num(0)};
        else if (op == "G")
            state_.stroke = {num(0), num(0), num(0)};
        else if (op == "w")
            state_.line_width = num(0);
        else if (op == "re")
            path_rects_.push_back({num(0), num(1), num(2), num(3), false, {}, 0});
        else if (op == "m")
            last_point_[0] = num(0), last_point_[1] = num(1);
        else if (op == "l") {
            path_lines_.push_back({last_point_[0], last_point_[1], num(0), num(1), {}, 0});
            last_point_[0] = num(0), last_point_[1] = num(1);
        } else if (op == "S")
            paint(false);
        else if (op == "f" || op == "F" || op == "f*")
            paint(true);
        else if (op == "n")
            path_rects_.clear(), path_lines_.clear();
        else if (op == "BT")
            text_x_ = text_y_ = 0;
        else if (op == "Tr")
            state_.render_mode = static_cast<int>(num(0));
        else if (op == "Tf")
            font_ = operands_.at(0).getName(), font_size_ = num(1);
        else if (op == "Td")
            text_x_ += num(0), text_y_ += num(1);
        else if (op == "Tj")
            show_text(operands_.at(0).getStringValue());
        else if (op == "Do")
            draw_image(operands_.at(0).getName());
        else if (op == "BDC" && operands_.at(0).getName() == "/RBGlyph")
            outline_glyph_ = operands_.at(1).getKey("/Glyph").getIntValueAsInt();
    }

    void paint(bool filled) {
        if (outline_glyph_ >= 0 && filled) {
            const std::string font =
                name_or_empty(resources_.getKey("/Font").getKey(font_).getKey("/BaseFont"));
            page_->outlines.push_back({font, font_size_, static_cast<float>(state_.ctm.e),
                                       static_cast<float>(state_.ctm.f),
                                       static_cast<uint32_t>(outline_glyph_), page_->texts.size()});
            outline_glyph_ = -1;
        }
        for (PdfRect rect : path_rects_) {
            rect.filled = filled;
            rect.color = filled ? state_.fill : state_.stroke;
            rect.line_width = state_.line_width;
            page_->rects.push_back(rect);
        }
        if (!filled) {
            for (PdfLine line : path_lines_) {
                line.color = state_.stroke;
                line.line_width = state_.line_width;
                page_->lines.push_back(line);
            }
        }
        path_rects_.clear();
        path_lines_.clear();
    }

    void show_text(const std::string& bytes) {
        PdfText text;
        QPDFObjectHandle font = resources_.getKey("/Font").getKey(font_);
        text.font = name_or_empty(font.getKey("/BaseFont"));
        text.encoding = name_or_empty(font.getKey("/Encoding"));
        // A Unicode (Type0) font keeps its descriptor in its descendant font, and its codes
        // are the characters' UTF-16 units.
        const bool unicode = text.encoding == "Identity-H";
        if (unicode) font = font.getKey("/DescendantFonts").getArrayItem(0);
        QPDFObjectHandle descriptor = font.getKey("/FontDescriptor");
        text.embedded =
            descriptor.isDictionary() && (descriptor.hasKey("/FontFile") || descriptor.hasKey("/FontFile2") ||
                                          descriptor.hasKey("/FontFile3"));
        text.size = font_size_;
        text.x = text_x_;
        text.y = text_y_;
        text.fill = state_.fill;
        text.fill_inks = state_.fill_inks;
        if (state_.render_mode == 2) text.outline = state_.line_width, text.outline_colour = state_.stroke;
        text.invisible = state_.render_mode == 3;
        text.text = unicode ? utf16_units_as_utf8(bytes) : bytes;
        text.codes = bytes;
        if (unicode) {
            QPDFObjectHandle map = font.getKey("/CIDToGIDMap");
            std::string& gids = gid_maps_[map.getObjGen()];
            if (map.isStream() && gids.empty()) gids = decoded(map);
            for (size_t at = 0; at + 1 < bytes.size(); at += 2) {
                const uint32_t cid = big_endian(bytes, at, 2);
                text.glyphs.push_back(map.isStream() ? big_endian(gids, 2 * cid, 2) : cid);
            }
        }
        page_->texts.push_back(text);
    }

    void draw_image(const std::string& name) {
        QPDFObjectHandle xobject = resources_.getKey("/XObject").getKey(name);
        QPDFObjectHandle dict = xobject.getDict();
        PdfImage image;
        image.width = dict.getKey("/Width").getIntValueAsInt();
        image.height = dict.getKey("/Height").getIntValueAsInt();
        image.color_space = name_or_empty(dict.getKey("/ColorSpace"));
        image.bits_per_component = dict.getKey("/BitsPerComponent").getIntValueAsInt();
        image.filter = name_or_empty(dict.getKey("/Filter"));
        QPDFObjectHandle mask = dict.getKey("/SMask");
        image.has_soft_mask = mask.isStream();
        image.pixels = decoded(xobject);
        std::shared_ptr<Buffer> raw = xobject.getRawStreamData();
        image.raw_data.assign(reinterpret_cast<const char*>(raw->getBuffer()), raw->getSize());
        // Adobe's CMYK JPEGs are stored inverted, which a Decode array of [1 0 ...] says.
        QPDFObjectHandle decode = dict.getKey("/Decode");
        if (decode.isArray() && decode.getArrayNItems() > 0 &&
            decode.getArrayItem(0).getNumericValue() == 1) {
            for (char& sample : image.pixels)
                sample = static_cast<char>(255 - static_cast<unsigned char>(sample));
        }
        if (image.color_space == "Indexed") {
            image.pixels = expand_indexed(dict.getKey("/ColorSpace"), image.pixels, image.width,
                                          image.bits_per_component);
        }
        if (image.has_soft_mask) {
            image.soft_mask_filter = name_or_empty(mask.getDict().getKey("/Filter"));
            image.mask_pixels = decoded(mask);
        }
        image.x = static_cast<float>(state_.ctm.e);
        image.y = static_cast<float>(state_.ctm.f);
        image.drawn_width = static_cast<float>(state_.ctm.a);
        image.drawn_height = static_cast<float>(state_.ctm.d);
        page_->images.push_back(image);
    }

    PdfPage* page_;
    QPDFObjectHandle resources_;
    std::vector<QPDFObjectHandle> operands_;
    GraphicsState state_;
    std::vector<GraphicsState> stack_;
    std::vector<PdfRect> path_rects_;
    std::vector<PdfLine> path_lines_;
    float last_point_[2] = {0, 0};
    std::string font_;
    int outline_glyph_ = -1;  // the glyph a path marked /RBGlyph outlines, until it is filled
    std::map<QPDFObjGen, std::string> gid_maps_;  // each CIDToGIDMap stream, decoded
    float font_size_ = 0;
    float text_x_ = 0, text_y_ = 0;
};

}  // namespace

namespace {

// Runs `command` and expects it to end with status 0; failures show its output.
void expect_command_passes(const std::string& command, const std::string& path) {
    FILE* pipe = popen((command + " 2>&1").c_str(), "r");
    ASSERT_NE(pipe, nullptr) << command;
    std::string report;
    char chunk[512];
    while (fgets(chunk, sizeof chunk, pipe) != nullptr) report += chunk;
    EXPECT_EQ(pclose(pipe), 0) << path << ":\n" << command << "\n" << report;
}

}  // namespace

// Ghostscript sits behind most Linux print queues and reads streams more strictly than qpdf.
void expect_valid_pdf(const std::string& path) {
    expect_command_passes("qpdf --check '" + path + "'", path);
    expect_command_passes(
        "gs -q -dNOPAUSE -dBATCH -dSAFER -dPDFSTOPONERROR -dPDFSTOPONWARNING -sDEVICE=nullpage '" + path +
            "'",
        path);
}

std::string pdf_info(const std::string& path, const std::string& key) {
    QPDF pdf;
    pdf.setSuppressWarnings(true);
    pdf.processFile(path.c_str());
    QPDFObjectHandle value = pdf.getTrailer().getKey("/Info").getKey(key);
    return value.isString() ? value.getUTF8Value() : "";
}

std::string pdf_file_facts(const std::string& path) {
    QPDF pdf;
    pdf.setSuppressWarnings(true);
    pdf.processFile(path.c_str());
    QPDFObjectHandle id = pdf.getTrailer().getKey("/ID");
    return pdf.getPDFVersion() + " ID=" + std::to_string(id.isArray() ? id.getArrayNItems() : 0) + " " +
           pdf.getRoot().getKey("/ViewerPreferences").unparse();
}

std::string pdf_id_and_unfiltered_streams(const std::string& path) {
    QPDF pdf;
    pdf.setSuppressWarnings(true);
    pdf.processFile(path.c_str());
    std::string id;
    QPDFObjectHandle ids = pdf.getTrailer().getKey("/ID");
    for (int i = 0; ids.isArray() && i < ids.getArrayNItems(); ++i)
        id += (i > 0 ? " " : "") + QUtil::hex_encode(ids.getArrayItem(i).getStringValue());
    int unfiltered = 0;
    for (QPDFObjectHandle& object : pdf.getAllObjects())
        unfiltered += object.isStream() && !object.getDict().hasKey("/Filter");
    return id + " unfiltered=" + std::to_string(unfiltered);
}

namespace {

bool near_box(QPDFObjectHandle box, double left, double bottom, double right, double top) {
    if (!box.isRectangle()) return false;
    const QPDFObjectHandle::Rectangle r = box.getArrayAsRectangle();
    return std::abs(r.llx - left) < 1e-2 && std::abs(r.lly - bottom) < 1e-2 &&
           std::abs(r.urx - right) < 1e-2 && std::abs(r.ury - top) < 1e-2;
}

bool font_embedded(QPDFObjectHandle font) {
    if (font.getKey("/Subtype").isNameAndEquals("/Type0"))
        font = font.getKey("/DescendantFonts").getArrayItem(0);
    QPDFObjectHandle descriptor = font.getKey("/FontDescriptor");
    return descriptor.isDictionary() && (descriptor.hasKey("/FontFile2") || descriptor.hasKey("/FontFile") ||
                                         descriptor.hasKey("/FontFile3"));
}

// True when the content sets a neutral colour as RGB: "0 0 0 rg", "0.83 0.83 0.83 RG".
bool has_rgb_neutral(const std::string& content) {
    std::vector<std::string> words;
    std::string word;
    for (char c : content + " ") {
        if (!isspace(static_cast<unsigned char>(c))) {
            word += c;
            continue;
        }
        if (word.empty()) continue;
        const size_t n = words.size();
        if ((word == "rg" || word == "RG") && n >= 3 && words[n - 1] == words[n - 2] &&
            words[n - 2] == words[n - 3] &&
            words[n - 1].find_first_not_of("0123456789.") == std::string::npos) {
            return true;
        }
        words.push_back(word);
        word.clear();
    }
    return false;
}

// The glyph slots of a TrueType program: its 'maxp' table's numGlyphs.
uint32_t glyph_slots(const std::string& font) {
    for (uint32_t i = 0; i < big_endian(font, 4, 2); ++i) {
        const size_t entry = 12 + 16 * static_cast<size_t>(i);
        if (font.compare(std::min(entry, font.size()), 4, "maxp") == 0)
            return big_endian(font, big_endian(font, entry + 8, 4) + 4, 2);
    }
    return 0;
}

// The CIDSet rules a Type0 font of a PDF/A-1 file breaks (6.3.5): it must be there, list
// every CID of `shown` (the font's 2-byte codes shown on a page), and list no CID its
// program lacks (one the CIDToGIDMap, a stream or /Identity, sends to no glyph slot of the subset).
std::vector<std::string> cid_set_problems(QPDFObjectHandle type0, const std::string& shown) {
    QPDFObjectHandle cid_font = type0.getKey("/DescendantFonts").getArrayItem(0);
    QPDFObjectHandle set = cid_font.getKey("/FontDescriptor").getKey("/CIDSet");
    QPDFObjectHandle program = cid_font.getKey("/FontDescriptor").getKey("/FontFile2");
    QPDFObjectHandle map = cid_font.getKey("/CIDToGIDMap");
    const bool identity = map.isName() && map.getName() == "/Identity";
    if (!set.isStream() || !program.isStream() || !(map.isStream() || identity))
        return {"CIDSet of a subset CID font"};
    const std::string bits = decoded(set), gids = identity ? "" : decoded(map);
    const uint32_t slots = glyph_slots(decoded(program));
    auto listed = [&](size_t cid) {
        return cid / 8 < bits.size() && (bits[cid / 8] & (0x80 >> (cid % 8))) != 0;
    };
    std::vector<std::string> problems;
    for (size_t at = 0; at + 1 < shown.size(); at += 2) {
        if (!listed(big_endian(shown, at, 2))) {
            problems.push_back("CIDSet lists every CID shown");
            break;
        }
    }
    for (size_t cid = 1; cid < bits.size() * 8; ++cid) {
        const uint32_t gid = identity ? static_cast<uint32_t>(cid) : big_endian(gids, 2 * cid, 2);
        if (listed(cid) && ((!identity && 2 * cid + 1 >= gids.size()) || gid == 0 || gid >= slots)) {
            problems.push_back("CIDSet lists only CIDs in the font");
            break;
        }
    }
    // The full count: the program holds no glyph the CIDSet's CIDs do not reach.
    std::set<uint32_t> reached = {0};
    for (size_t cid = 1; cid < bits.size() * 8; ++cid) {
        const uint32_t gid = identity ? static_cast<uint32_t>(cid) : big_endian(gids, 2 * cid, 2);
        if (listed(cid) && gid < slots) reached.insert(gid);
    }
    if (reached.size() != slots) problems.push_back("CIDSet reaches every glyph of its font program");
    return problems;
}

// The rules of PDF/X-1a:2003 (ISO 15930-4) a file claiming it breaks beyond those every
// shop file keeps: its version and dates (6.1, 6.3), one output intent naming a CMYK press
// condition with a printer's profile, the same object PDF/A's names (6.2.2; ISO 19005-1,
// 6.2.2), and nothing in RGB: no colour set as DeviceRGB, every picture CMYK or grey (6.2.3).
std::vector<std::string> pdfx_problems(QPDF& pdf, const std::vector<PdfPage>& pages) {
    std::vector<std::string> problems;
    QPDFObjectHandle info = pdf.getTrailer().getKey("/Info");
    if (!info.getKey("/GTS_PDFXVersion").isString() ||
        info.getKey("/GTS_PDFXVersion").getUTF8Value() != "PDF/X-1a:2003") {
        problems.push_back("GTS_PDFXVersion PDF/X-1a:2003");
    }
    if (pdf.getPDFVersion() > "1.4") problems.push_back("PDF 1.4 at most");
    if (!info.getKey("/CreationDate").isString() || !info.getKey("/ModDate").isString())
        problems.push_back("CreationDate and ModDate");
    QPDFObjectHandle intents = pdf.getRoot().getKey("/OutputIntents");
    QPDFObjectHandle pdfx, pdfa;
    for (int i = 0; intents.isArray() && i < intents.getArrayNItems(); ++i) {
        QPDFObjectHandle intent = intents.getArrayItem(i);
        if (intent.getKey("/S").isNameAndEquals("/GTS_PDFX")) pdfx = intent;
        if (intent.getKey("/S").isNameAndEquals("/GTS_PDFA1")) pdfa = intent;
    }
    QPDFObjectHandle profile = pdfx.isInitialized() ? pdfx.getKey("/DestOutputProfile") : pdfx;
    const std::string icc = profile.isInitialized() && profile.isStream() ? decoded(profile) : "";
    if (!pdfx.isInitialized() || !pdfx.getKey("/OutputConditionIdentifier").isString() || icc.size() < 128 ||
        icc.compare(12, 8, "prtrCMYK") != 0) {
        problems.push_back("PDF/X output intent: a CMYK press condition with its profile");
    } else if (!pdfa.isInitialized() ||
               pdfa.getKey("/DestOutputProfile").getObjGen() != profile.getObjGen()) {
        problems.push_back("PDF/A and PDF/X output intents name one profile");
    }
    for (size_t i = 0; i < pages.size(); ++i) {
        if (pages[i].rgb_colours > 0) problems.push_back("no RGB colour: page " + std::to_string(i + 1));
        for (const PdfImage& image : pages[i].images) {
            if (image.color_space != "DeviceCMYK" && image.color_space != "DeviceGray")
                problems.push_back("pictures in CMYK or grey: page " + std::to_string(i + 1));
        }
    }
    return problems;
}

}  // namespace

std::vector<std::string> preflight_print_shop(const std::string& path, float bleed, float marks) {
    QPDF pdf;
    pdf.setSuppressWarnings(true);
    pdf.processFile(path.c_str());
    std::vector<std::string> broken;
    const std::vector<PdfPage> pages = read_pdf(path);
    int page_number = 0;
    for (QPDFPageObjectHelper& page : QPDFPageDocumentHelper(pdf).getAllPages()) {
        const std::string where = "page " + std::to_string(++page_number);
        std::map<std::string, std::string> shown;  // the codes each font shows on the page, by /BaseFont
        for (const PdfText& text : pages[static_cast<size_t>(page_number - 1)].texts)
            shown[text.font] += text.codes;
        const QPDFObjectHandle::Rectangle media = page.getMediaBox().getArrayAsRectangle();
        QPDFObjectHandle dict = page.getObjectHandle();
        if (!near_box(dict.getKey("/BleedBox"), media.llx + marks, media.lly + marks, media.urx - marks,
                      media.ury - marks)) {
            broken.push_back("BleedBox at the bleed's edge: " + where);
        }
        const float trim = bleed + marks;
        if (!near_box(dict.getKey("/TrimBox"), media.llx + trim, media.lly + trim, media.urx - trim,
                      media.ury - trim)) {
            broken.push_back("TrimBox inside the bleed: " + where);
        }
        QPDFObjectHandle fonts = dict.getKey("/Resources").getKey("/Font");
        for (const std::string& name : fonts.isDictionary() ? fonts.getKeys() : std::set<std::string>{}) {
            QPDFObjectHandle font = fonts.getKey(name);
            if (!font_embedded(font)) broken.push_back("font embedded: " + where + " " + name);
            if (font.getKey("/Subtype").isNameAndEquals("/Type0")) {
                for (const std::string& rule :
                     cid_set_problems(font, shown[name_or_empty(font.getKey("/BaseFont"))]))
                    broken.push_back(rule + ": " + where + " " + name);
            }
        }
        for (auto& [name, image] : page.getImages()) {
            if (image.getDict().hasKey("/SMask")) broken.push_back("no soft mask: " + where + " " + name);
        }
        std::string content;
        for (QPDFObjectHandle stream : page.getPageContents()) {
            std::shared_ptr<Buffer> data = stream.getStreamData();
            content.append(reinterpret_cast<const char*>(data->getBuffer()), data->getSize());
        }
        if (has_rgb_neutral(content)) broken.push_back("black and greys as DeviceGray: " + where);
    }
    QPDFObjectHandle id = pdf.getTrailer().getKey("/ID");
    if (!id.isArray() || id.getArrayNItems() != 2) broken.push_back("trailer /ID");
    QPDFObjectHandle intents = pdf.getRoot().getKey("/OutputIntents");
    if (!intents.isArray() || intents.getArrayNItems() < 1 ||
        !intents.getArrayItem(0).getKey("/DestOutputProfile").isStream()) {
        broken.push_back("output intent with its profile");
    }
    QPDFObjectHandle metadata = pdf.getRoot().getKey("/Metadata");
    std::string xmp;
    if (metadata.isStream()) {
        std::shared_ptr<Buffer> data = metadata.getStreamData();
        xmp.assign(reinterpret_cast<const char*>(data->getBuffer()), data->getSize());
    }
    QPDFObjectHandle info = pdf.getTrailer().getKey("/Info");
    for (const char* key : {"/Title", "/Creator", "/Author"}) {
        const std::string value = info.getKey(key).isString() ? info.getKey(key).getUTF8Value() : "";
        const bool absent = std::string(key) == "/Author" && !info.hasKey(key) &&
                            xmp.find("<dc:creator>") == std::string::npos;
        if (!absent && (value.empty() || xmp.find(">" + value + "<") == std::string::npos)) {
            broken.push_back(std::string("Info and XMP agree: ") + key);
        }
        std::string plain;
        if (info.getKey(key).isString() && info.getKey(key).getStringValue().starts_with("\xFE\xFF") &&
            QUtil::utf8_to_pdf_doc(value, plain)) {
            broken.push_back(std::string(key + 1) + " as PDFDocEncoding text");
        }
    }
    if (!info.getKey("/Trapped").isNameAndEquals("/False")) broken.push_back("Trapped False");
    if (xmp.find("pdf:Trapped") != std::string::npos && xmp.find("pdfaExtension") == std::string::npos)
        broken.push_back("XMP pdf:Trapped only with its extension schema");
    // A cover without a picture is finished as it is; one with a picture has it reach the bleed.
    const bool pictured = !pages.empty() && !pages[0].images.empty();
    if (pictured) {
        const PdfImage& cover = pages[0].images[0];
        const float width = pages[0].width, height = pages[0].height;
        const bool reaches = cover.x <= marks + 0.01f &&
                             cover.x + cover.drawn_width >= width - marks - 0.01f &&
                             cover.y + cover.drawn_height >= height - marks - 0.01f;
        if (!reaches) broken.push_back("cover picture reaches the bleed");
        // A white band covers the page's lower half, bleed included, up to the picture if it
        // hangs lower. Rects are read in the content's own coordinates: the shop's content is
        // moved in by the bleed and the marks.
        bool covered = false;
        for (const PdfRect& rect : pages[0].rects) {
            const float x = rect.x + bleed + marks, y = rect.y + bleed + marks;
            covered = covered ||
                      (rect.filled && rect.color.red == 1 && rect.color.green == 1 && rect.color.blue == 1 &&
                       x <= marks + 0.01f && x + rect.width >= width - marks - 0.01f && y <= marks + 0.01f &&
                       y + rect.height >= std::min(cover.y, height * 0.5f) - 0.01f);
        }
        if (!covered) broken.push_back("cover picture kept out of the bleed below it");
    }
    // Crop marks: lines wholly outside the bleed (in the content's coordinates, the trim's).
    int outside = 0;
    for (const PdfLine& line : pages.empty() ? std::vector<PdfLine>{} : pages[0].lines) {
        const float trim_width = pages[0].width - 2 * (bleed + marks),
                    trim_height = pages[0].height - 2 * (bleed + marks);
        auto out = [&](float x, float y) {
            return x < -bleed || x > trim_width + bleed || y < -bleed || y > trim_height + bleed;
        };
        outside += out(line.x1, line.y1) && out(line.x2, line.y2);
    }
    if (marks > 0 && outside < 8) broken.push_back("crop marks outside the bleed");
    // Crop marks in registration colour (a Separation called All), so every plate shows them.
    if (marks > 0) {
        QPDFPageObjectHelper first = QPDFPageDocumentHelper(pdf).getAllPages().at(0);
        QPDFObjectHandle spaces = first.getObjectHandle().getKey("/Resources").getKey("/ColorSpace");
        std::string named;
        for (const std::string& name : spaces.isDictionary() ? spaces.getKeys() : std::set<std::string>{}) {
            QPDFObjectHandle space = spaces.getKey(name);
            if (space.isArray() && space.getArrayNItems() == 4 &&
                space.getArrayItem(0).isNameAndEquals("/Separation") &&
                space.getArrayItem(1).isNameAndEquals("/All"))
                named = name;
        }
        std::string content;
        for (QPDFObjectHandle stream : first.getPageContents()) {
            std::shared_ptr<Buffer> data = stream.getStreamData();
            content.append(reinterpret_cast<const char*>(data->getBuffer()), data->getSize());
        }
        if (named.empty() || content.find(named + " CS") == std::string::npos)
            broken.push_back("crop marks in registration colour");
    }
    for (const PdfPage& page : pages) {
        for (const PdfText& text : page.texts) {
            if (text.text.find("not found]") != std::string::npos)
                broken.push_back("no placeholder: " + text.text);
        }
    }
    if (info.hasKey("/GTS_PDFXVersion")) {
        for (std::string& rule : pdfx_problems(pdf, pages)) broken.push_back(std::move(rule));
    }
    return broken;
}

void write_broken_copy(const std::string& path, const std::string& copy, Breakage breakage) {
    QPDF pdf;
    pdf.setSuppressWarnings(true);
    pdf.processFile(path.c_str());
    for (QPDFObjectHandle object : pdf.getAllObjects()) {
        if (breakage != BROKEN_CID_SETS || !object.isDictionary() || !object.getKey("/CIDSet").isStream())
            continue;
        const size_t size = decoded(object.getKey("/CIDSet")).size();
        std::string bits(size + 8192, '\0');
        bits[0] = '\x80';
        bits[size + 8191] = '\x01';
        object.getKey("/CIDSet").replaceStreamData(bits, QPDFObjectHandle::newNull(),
                                                   QPDFObjectHandle::newNull());
    }
    if (breakage == NO_OUTPUT_INTENT) pdf.getRoot().removeKey("/OutputIntents");
    if (breakage == AN_RGB_COLOUR) {
        QPDFPageObjectHelper first = QPDFPageDocumentHelper(pdf).getAllPages().at(0);
        first.addPageContents(QPDFObjectHandle::newStream(&pdf, "0.9 0.1 0.1 rg\n"), true);
    }
    QPDFWriter writer(pdf, copy.c_str());
    writer.write();
}

std::vector<PdfPage> read_pdf(const std::string& path) {
    QPDF pdf;
    pdf.setSuppressWarnings(true);
    pdf.processFile(path.c_str());
    std::vector<PdfPage> pages;
    for (QPDFPageObjectHelper& helper : QPDFPageDocumentHelper(pdf).getAllPages()) {
        PdfPage page;
        QPDFObjectHandle::Rectangle box = helper.getMediaBox().getArrayAsRectangle();
        page.width = static_cast<float>(box.urx - box.llx);
        page.height = static_cast<float>(box.ury - box.lly);
        QPDFObjectHandle contents = helper.getObjectHandle().getKey("/Contents");
        if (contents.isArray() && contents.getArrayNItems() > 0) contents = contents.getArrayItem(0);
        if (contents.isStream()) page.content_filter = name_or_empty(contents.getDict().getKey("/Filter"));
        ContentCollector collector(&page, helper.getAttribute("/Resources", false));
        helper.parseContents(&collector);
        pages.push_back(page);
    }
    return pages;
}

void expect_rect(const PdfRect& rect, float x, float y, float width, float height, const std::string& what) {
    EXPECT_NEAR(rect.x, x, 1e-3) << what;
    EXPECT_NEAR(rect.y, y, 1e-3) << what;
    EXPECT_NEAR(rect.width, width, 1e-3) << what;
    EXPECT_NEAR(rect.height, height, 1e-3) << what;
}

void expect_placement(const PdfImage& image, float x, float y, float width, float height,
                      const std::string& what) {
    EXPECT_NEAR(image.x, x, 1e-3) << what;
    EXPECT_NEAR(image.y, y, 1e-3) << what;
    EXPECT_NEAR(image.drawn_width, width, 1e-3) << what;
    EXPECT_NEAR(image.drawn_height, height, 1e-3) << what;
}

std::string describe_texts(const PdfPage& page) {
    std::string result;
    for (const PdfText& text : page.texts) {
        char line[512];
        snprintf(line, sizeof line, "%s %g %.3f %.3f %s\n", text.font.c_str(), text.size, text.x, text.y,
                 text.text.c_str());
        result += line;
    }
    return result;
}

std::string utf16_units_as_utf8(const std::string& bytes) {
    std::string utf8;
    for (size_t i = 0; i + 1 < bytes.size(); i += 2) {
        utf8 += QUtil::toUTF8((static_cast<unsigned char>(bytes[i]) << 8) |
                              static_cast<unsigned char>(bytes[i + 1]));
    }
    return utf8;
}
