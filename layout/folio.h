// Page numbers and running heads: the top line of every numbered page, on the baseline of
// a section heading. The number sits at the outer corner (right on odd pages, left on even,
// as in a book); a page that goes on with a section names it, with the first and last
// surname on the page, like a phone book.
#pragma once

#include "layout/geometry.h"
#include "pdf/fonts.h"

constexpr float FOLIO_SIZE = 7.5f;
constexpr float RUNNING_HEAD_MIN_SIZE = 6.0f;
constexpr float FOLIO_GAP = 8.0f;  // between the page number and the text beside it

// The part of the top line a page number leaves to the text beside it, in points.
struct TopLine {
    float left, right;
};

// Draws the target page's number in ACCENT_COLOR at the outer corner of the top line.
// Returns the rest of the line, the number and the gap beside it taken off.
TopLine draw_page_number(const PageTarget& target, const PageGeometry& geometry, const TextFont& font);

// Draws `heading` as the section heading of the top line, with the page number at the
// outer corner when `numbered` (on an even page the heading then starts after it).
// Returns where the content under the heading starts.
float draw_top_heading(const PageTarget& target, const PageGeometry& geometry, const PdfFonts& fonts,
                       const char* heading, bool numbered);

// Draws the page number and beside it "<section> (<continued>) · <first> – <last>" (one
// surname when both are the same; `continued` is the club's word for it), fitted into the
// rest of the line.
void draw_running_head(const PageTarget& target, const PageGeometry& geometry, const TextFont& font,
                       const char* continued, const char* section, const char* first_surname,
                       const char* last_surname);
