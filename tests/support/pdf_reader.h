// Reads a written PDF back with qpdf: the size of each page and what is drawn on it
// (text, rectangles, lines, images), in page coordinates.
#pragma once

#include <string>
#include <vector>

struct Rgb {
    float red = 0, green = 0, blue = 0;
};

struct PdfText {
    std::string font;       // /BaseFont, e.g. "Helvetica-Bold"
    std::string encoding;   // the font's /Encoding name, e.g. "WinAnsiEncoding"
    bool embedded = false;  // the font's program is in the file
    float size = 0;
    float x = 0, y = 0;  // baseline start
    Rgb fill;
    std::vector<float> fill_inks;  // the fill's CMYK (0 to 1) when set as DeviceCMYK, else empty
    std::string text;              // raw bytes of the string; UTF-8 for a Unicode (Identity-H) font
    std::string codes;             // raw bytes of the string: for a Unicode font, its 2-byte CIDs
    std::vector<uint32_t> glyphs;  // for a Unicode font, each CID's glyph (through its CIDToGIDMap)
    float outline = 0;             // the stroke drawn round the glyphs (render mode 2), 0 when only filled
    Rgb outline_colour;
    bool invisible = false;  // render mode 3: there for copy and search only
};

struct PdfRect {
    float x = 0, y = 0, width = 0, height = 0;
    bool filled = false;  // painted with f, else stroked with S
    Rgb color;            // fill colour when filled, else stroke colour
    float line_width = 1;
};

struct PdfLine {
    float x1 = 0, y1 = 0, x2 = 0, y2 = 0;
    Rgb color;
    float line_width = 1;
};

// A glyph of shaped text drawn as its outline (a filled path marked /RBGlyph), not as text.
struct PdfGlyphOutline {
    std::string font;  // the font of the text drawn before it, whose glyph it is
    float size, x, y;  // that text's size; the glyph's origin
    uint32_t glyph;
    size_t after_text;  // the number of the page's texts drawn before it
};

struct PdfImage {
    int width = 0, height = 0;  // pixels
    std::string color_space;    // "DeviceRGB", "DeviceGray", "Indexed", ...
    int bits_per_component = 0;
    std::string filter;  // "FlateDecode" or "" when stored raw
    bool has_soft_mask = false;
    std::string soft_mask_filter;                           // filter of the soft mask stream
    float x = 0, y = 0, drawn_width = 0, drawn_height = 0;  // placement from the cm before Do
    std::string pixels;                                     // decoded samples (Indexed ones as RGB)
    std::string raw_data;                                   // the stream's bytes as stored
    std::string mask_pixels;                                // decoded soft mask samples
};

struct PdfPage {
    float width = 0, height = 0;  // media box
    std::string content_filter;   // filter of the (first) content stream
    int rgb_colours = 0;          // colours set as DeviceRGB (rg, RG)
    std::vector<PdfText> texts;
    std::vector<PdfGlyphOutline> outlines;
    std::vector<PdfRect> rects;
    std::vector<PdfLine> lines;
    std::vector<PdfImage> images;
};

// The UTF-8 text of 16-bit big-endian character codes (a Unicode font's string).
std::string utf16_units_as_utf8(const std::string& bytes);

// One entry of the document information dictionary ("/Title", "/Creator", ...) as UTF-8,
// "" when absent.
std::string pdf_info(const std::string& path, const std::string& key);

// What a print dialog and a reader see of the file at `path` beyond its pages: its version,
// how many strings its trailer /ID holds and its /ViewerPreferences, e.g.
// "1.7 ID=2 << /Duplex /DuplexFlipShortEdge /PrintScaling /None >>".
std::string pdf_file_facts(const std::string& path);

// The file's trailer /ID as hex, its two strings joined by a blank ("" without one), and how
// many of its streams have no /Filter: what a finished home PDF carries beyond its pages.
std::string pdf_id_and_unfiltered_streams(const std::string& path);

// The print shop's preflight. No PDF/A validator is packaged for Debian, so this checks, on
// every shop file the tests write, each rule of PDF/A-1b (ISO 19005-1) the file's content
// touches, and the shop's own (the clause each rule comes from in brackets):
// - every font embedded (6.3.4); a subset CID font's /CIDSet lists every CID the page shows,
//   and only CIDs its program has (6.3.5);
// - an output intent with its profile (6.2.2); XMP metadata saying what the Info dictionary
//   says, Title, Creator, Author (6.7.2, 6.7.3); /Trapped False in both (6.7.3); a trailer
//   /ID (6.1.3); no soft mask, so no transparency (6.4);
// - the title in PDFDocEncoding where its letters allow (converters to PDF/A refuse a
//   needless UTF-16 title);
// - the shop's trim: a TrimBox `bleed` points inside a BleedBox at the page's edge (or `marks`
//   points inside it), the cover picture reaching the bleed at the sides and head with white
//   below it, crop marks wholly outside the bleed; no placeholder for a missing picture;
// - the shop's plates, black ink only: no black or neutral grey written as RGB;
// - for a file claiming PDF/X-1a:2003 (ISO 15930-4): GTS_PDFXVersion, CreationDate and
//   ModDate, PDF 1.4 at most (6.1, 6.3); one GTS_PDFX output intent naming a press condition
//   with a CMYK printer profile, the same profile object the PDF/A intent names (6.2.2); no
//   colour set as DeviceRGB, every picture DeviceCMYK or DeviceGray (6.2.3).
// Returns the rules broken, as "rule: where"; empty when all hold. write_broken_copy shows
// the rules can fail.
std::vector<std::string> preflight_print_shop(const std::string& path, float bleed, float marks = 0);

// How write_broken_copy breaks a file, for proving the preflight can fail: fonts' /CIDSet
// listing only CID 0 and one past the font's last, no output intent, a red fill set as
// DeviceRGB on the first page.
enum Breakage { BROKEN_CID_SETS, NO_OUTPUT_INTENT, AN_RGB_COLOUR };

// Writes a copy of the PDF at `path` to `copy`, broken as `breakage` says.
void write_broken_copy(const std::string& path, const std::string& copy, Breakage breakage);

// Fails the test (naming `path` and the checker's report) unless `qpdf --check` finds the
// whole file sound, without errors or warnings, and Ghostscript reads every page of it
// without an error or a warning.
void expect_valid_pdf(const std::string& path);

// All pages of the PDF at `path`, in file order. Throws on a missing or broken file.
std::vector<PdfPage> read_pdf(const std::string& path);

// Expect `rect` at (x, y), `width` x `height` points, within 1e-3; failures name `what`.
void expect_rect(const PdfRect& rect, float x, float y, float width, float height, const std::string& what);

// Expect `image` drawn with its lower-left corner at (x, y), `width` x `height` points.
void expect_placement(const PdfImage& image, float x, float y, float width, float height,
                      const std::string& what);

// The texts of one page, one per line as "font size x y text", for whole-page comparisons.
std::string describe_texts(const PdfPage& page);
