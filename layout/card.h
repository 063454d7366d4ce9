// One member's card: a grey outline 74 pt high holding the bold name line and up to five
// detail lines in fixed slots, so the lines of all cards on a page line up. Empty details
// leave no gap: the lines below move up. A text too long for the card is shrunk; then,
// when the card has a free line, it goes on there; only then is it cut with "…".
#pragma once

#include <hpdf.h>

#include <array>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "image/image.h"
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
constexpr int CARD_NAME = -1;  // the name, where a CardCut names a Detail
// The most lines a section's cards grow to for its largest household; beyond, lines are cut.
constexpr int MAX_CARD_LINES = 16;

// The height of a card of `lines` lines (CARD_LINES or more), in points: each line past
// CARD_LINES adds CARD_LINE_PITCH.
constexpr float card_height(int lines) {
    return CARD_HEIGHT + static_cast<float>(lines - CARD_LINES) * CARD_LINE_PITCH;
}
constexpr float card_pitch(int lines) { return card_height(lines) + (CARD_PITCH - CARD_HEIGHT); }

// With member photos on, each card has a photo frame at its left, 3:4 like a passport
// photo, the text beside it; the grid stays as it is.
constexpr float PHOTO_WIDTH = 51.0f;
constexpr float PHOTO_HEIGHT = 68.0f;
constexpr float PHOTO_INSET = 3.0f;                       // from the card's top and left edges
constexpr float PHOTO_SPACE = PHOTO_INSET + PHOTO_WIDTH;  // the width the card's text gives up
constexpr int32_t PHOTO_RESOLUTION = 300;                 // pixels per inch a photo is embedded at

// What a card shows in its photo frame: nothing (photos off), the photo, or the person's
// initials on grey when `image` is null.
struct CardPhoto {
    bool on = false;
    HPDF_Image image = nullptr;
};

// The pixels a photo cropped to the frame is embedded at: PHOTO_RESOLUTION of the frame, or
// the crop's own when it has no more than half as many again.
PixelSize photo_pixels(const SourceImage& photo);

// One line of a card as it is drawn, from the top slot down.
struct CardLine {
    std::string text;  // after fitting
    TextFit fit;
    bool name;  // drawn in bold
};

// A text the card could not hold whole: cut (`printed` is what the card shows of it,
// ending with "…") or left out (`printed` is empty).
struct CardCut {
    int detail;  // a Detail, or CARD_NAME
    std::string printed;
    std::string text;  // the whole text
};

struct CardLayout {
    std::vector<CardLine> lines;  // at most CARD_LINES, the name first
    std::vector<CardCut> cuts;
};

// The lines `member`'s card holds before fitting: the name and each detail line with text,
// a household's each person's differing values on lines of their own.
int card_line_count(const Member& member);

// The lines of every card of a section of `members`: CARD_LINES, or as many as its largest
// card needs, up to MAX_CARD_LINES; all alike, so a page's cards line up.
int section_card_lines(std::span<const Member> members);

// The card rows of `lines` lines that fit a page of `geometry`: geometry.rows for
// CARD_LINES, fewer for taller cards (at least 1), the lowest card as high above the page's
// bottom edge as rows_that_fit keeps it.
int32_t card_rows(const PageGeometry& geometry, int lines);

// Lays out `member`'s card, `card_width` points wide and `lines` lines high: the name,
// then each card line that has text (city and zip on one, two blanks apart; phone and cell
// on one, four apart). The name is in `order` (printed_name). Beside a photo (`photo`), a
// free line is taken before a line is shrunk.
CardLayout lay_out_card(const Member& member, NameOrder order, const PdfFonts& fonts, float card_width,
                        bool photo = false, int lines = CARD_LINES);

// Draws `member`'s card with its top-left corner at (x, y) on the logical page,
// `card_width` wide and `lines` lines high, with `photo` in its frame when photos are on
// (the text then laid out PHOTO_SPACE narrower). Leaves stroke colour FRAME_GREY, line
// width 0.6 and fill black.
void draw_member_card(const PageTarget& target, const PdfFonts& fonts, float x, float card_width, float y,
                      const Member& member, NameOrder order, CardPhoto photo = {}, int lines = CARD_LINES);

// Card lines beside photos printed smaller than CARD_DETAIL_SIZE: counted for one note,
// since nearly every card beside a photo has one.
struct ShrunkLines {
    int count = 0;
    float smallest = CARD_NAME_SIZE;  // points
};

// Writes one warning to stderr for each line of `member`'s card, `card_width` wide, that
// had to be shrunk, and for each text cut or left out, naming `path` (the member list),
// the member's line there and the column (`columns`, by Detail) with what the card shows;
// the card `lines` lines high.
// With `beside_photos` (photos on) the card is laid out beside its photo and shrunk lines
// are counted there instead of named.
void report_card_fit(const char* path, const Member& member, NameOrder order,
                     const std::array<std::string, DETAIL_COUNT>& columns, const PdfFonts& fonts,
                     float card_width, ShrunkLines* beside_photos = nullptr, int lines = CARD_LINES);
