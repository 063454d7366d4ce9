// One member's card: a grey outline 74 pt high holding the bold name line and five
// detail lines, each in a fixed slot so the lines of all cards on a page line up.
#pragma once

#include <hpdf.h>

#include <cstdint>

#include "layout/geometry.h"
#include "roster/roster.h"

constexpr float CARD_HEIGHT = 74.0f;
constexpr float CARD_PITCH = 78.0f;  // card height and 4 pt of space
constexpr float CARD_NAME_SIZE = 8.5f;
constexpr float CARD_DETAIL_SIZE = 8.0f;
constexpr float CARD_LINE_PITCH = 11.5f;

// Draws `member`'s card with its top-left corner at (x, y) on the logical page,
// `card_width` wide. Leaves stroke colour FRAME_GREY, line width 0.6 and fill black.
void draw_member_card(const HPDF_Page* pages, int32_t logical_page, int32_t page_count, LayoutMode mode,
                      HPDF_Font regular_font, HPDF_Font bold_font, float x, float card_width, float y,
                      const Member& member);
