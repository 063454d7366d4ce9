// One member's card: a grey outline 74 pt high holding the bold name line and five
// detail lines, each in a fixed slot so the lines of all cards on a page line up. A line
// too long for the card is shrunk, then cut with "…", so it never leaves its card.
#pragma once

#include <hpdf.h>

#include <cstdint>

#include "layout/fit.h"
#include "layout/geometry.h"
#include "pdf/document.h"
#include "roster/roster.h"

constexpr float CARD_HEIGHT = 74.0f;
constexpr float CARD_PITCH = 78.0f;  // card height and 4 pt of space
constexpr float CARD_NAME_SIZE = 8.5f;
constexpr float CARD_NAME_MIN_SIZE = 6.5f;
constexpr float CARD_DETAIL_SIZE = 8.0f;
constexpr float CARD_DETAIL_MIN_SIZE = 6.0f;
constexpr float CARD_LINE_PITCH = 11.5f;
constexpr int CARD_LINES = 6;

// One line of a card as it is drawn: the composed text after fitting, and its size.
struct CardLine {
    char text[256];
    TextFit fit;
};

// Composes the six lines of `member`'s card (the name line first, empty lines where the
// card leaves a slot blank) and fits each into a card `card_width` points wide.
void fit_card_lines(const Member& member, const PdfFonts& fonts, float card_width,
                    CardLine lines[CARD_LINES]);

// Draws `member`'s card with its top-left corner at (x, y) on the logical page,
// `card_width` wide. Leaves stroke colour FRAME_GREY, line width 0.6 and fill black.
void draw_member_card(const PageTarget& target, const PdfFonts& fonts, float x, float card_width, float y,
                      const Member& member);

// Writes one warning to stderr for each line of `member`'s card, `card_width` wide, that
// had to be shrunk or cut, naming `path` (the member list) and the member's line there.
void report_card_fit(const char* path, const Member& member, const PdfFonts& fonts, float card_width);
