// Checks that every text on a page read back from a PDF ends inside its box: the outline
// it starts in (a card, an image frame), or else its half of the booklet sheet or its
// standard page, inside the side margins; and that none comes within 0.25 in of the
// sheet's top or bottom edge.
#pragma once

#include <string>

#include "tests/support/pdf_reader.h"

// Width in points of `text` as drawn: in the product's own Unicode fonts (Liberation Sans)
// when it was drawn with one, else in the base-14 font it names.
float measured_width(const PdfText& text);

// The card or frame outline `text` starts in, or null.
const PdfRect* enclosing_outline(const PdfPage& page, const PdfText& text);

// Measures each text of `page` with libharu's widths of its font at its drawn size and
// fails (naming `what` and the text) when it runs past its box or off the paper.
void expect_texts_inside(const PdfPage& page, bool booklet, const std::string& what);
