// Mailing labels from the member list, on a maker's sheet of labels: one label a card (a
// household's names together when households print together), its address as the card
// prints it, placed to the maker's published geometry and numbered as the sheets are.
#pragma once

#include <span>
#include <string>
#include <vector>

#include "layout/fit.h"
#include "pdf/document.h"
#include "roster/roster.h"
#include "settings/settings.h"

// One maker's sheet of labels, in points from the sheet's top-left corner (Avery's published
// templates; check a new pack against its own template before relying on it).
struct LabelSheetGeometry {
    const char* name;  // as roster.sdd names it: "5160"
    PaperSize paper;
    int columns, rows;
    float width, height;     // one label
    float left, top;         // the first label's top-left corner
    float pitch_x, pitch_y;  // from one label's corner to the next one's
};

constexpr float INCH = 72.0f;
constexpr float MILLIMETRE = 72.0f / 25.4f;
// By LabelSheet, LABEL_SHEET_AUTO left out.
constexpr LabelSheetGeometry LABEL_SHEETS[] = {
    {LABEL_SHEET_NAMES[LABEL_5160], PAPER_LETTER, 3, 10, 2.625f * INCH, 1.0f * INCH, 0.1875f * INCH,
     0.5f * INCH, 2.75f * INCH, 1.0f * INCH},
    {LABEL_SHEET_NAMES[LABEL_5163], PAPER_LETTER, 2, 5, 4.0f * INCH, 2.0f * INCH, 0.15625f * INCH,
     0.5f * INCH, 4.1875f * INCH, 2.0f * INCH},
    {LABEL_SHEET_NAMES[LABEL_L7160], PAPER_A4, 3, 7, 63.5f * MILLIMETRE, 38.1f * MILLIMETRE,
     7.2f * MILLIMETRE, 15.15f * MILLIMETRE, 66.0f * MILLIMETRE, 38.1f * MILLIMETRE},
    {LABEL_SHEET_NAMES[LABEL_L7163], PAPER_A4, 2, 7, 99.1f * MILLIMETRE, 38.1f * MILLIMETRE,
     4.65f * MILLIMETRE, 15.15f * MILLIMETRE, 101.6f * MILLIMETRE, 38.1f * MILLIMETRE},
};

// The sheet `settings` asks for: its Label Sheet, or for Auto the one made for its paper
// (5160 on Letter, L7160 on A4).
const LabelSheetGeometry& label_sheet_of(const Settings& settings);

// The sizes a label's text is set at: the name bold, each line LABEL_LINE_PITCH times its size
// apart, shrunk to LABEL_MIN_SIZE before a line is cut; LABEL_PADDING from the label's sides.
constexpr float LABEL_TEXT_SIZE = 10.0f;
constexpr float LABEL_MIN_SIZE = 6.0f;
constexpr float LABEL_LINE_PITCH = 1.2f;
constexpr float LABEL_PADDING = 9.0f;

// One label: the lines it prints and whose it is.
struct MailingLabel {
    std::vector<std::string> lines;  // the name(s), the street, the town and postal code, the country
    const Member* card;
};

// The labels of `roster`'s cards that have an address (a street, and a town or postal code),
// in the roster's order or, with Label Order: Postal Code, by postal code (the roster's order
// within one); private members' only with Label Private on. `unaddressed` gets the cards left
// out for want of an address.
std::vector<MailingLabel> mailing_labels(const Roster& roster, const Settings& settings,
                                         std::vector<const Member*>* unaddressed);

// One line of a label as it is drawn.
struct LabelLine {
    std::string text;  // after fitting: cut with "…" when it did not fit at LABEL_MIN_SIZE
    TextFit fit;
};

// `label`'s lines fitted to `sheet`'s label width, in `fonts` (the first line bold).
std::vector<LabelLine> fit_label(const MailingLabel& label, const PdfFonts& fonts,
                                 const LabelSheetGeometry& sheet);

// The sheets `count` labels take from label `start` (from 1) of the first sheet on.
int label_sheet_count(int count, int start, const LabelSheetGeometry& sheet);

// Draws `labels` on `pdf`'s pages (label_sheet_count of them, `sheet`'s paper), from label
// `start` of the first sheet on, counted across each row, then row by row, as the makers
// number them; a line that reads from the right ends at the label's right side.
void draw_labels(PdfDocument* pdf, std::span<const MailingLabel> labels, const LabelSheetGeometry& sheet,
                 int start, bool right_to_left);

// Says, as the card warnings do, each label line cut to fit, naming the member list `path`
// and the card's row there.
void report_label_fit(const char* path, std::span<const MailingLabel> labels, const PdfFonts& fonts,
                      const LabelSheetGeometry& sheet);
