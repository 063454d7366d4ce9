#include "layout/card.h"

#include <cstdio>

#include "base/message.h"
#include "base/text_util.h"
#include "layout/draw.h"

namespace {

constexpr float CARD_TEXT_INSET = 4.0f;
constexpr float CARD_TOP_SPACE = 5.0f;
constexpr float CARD_OUTLINE_WIDTH = 0.6f;

// Line 3: the second part shows only together with the first.
void compose_line3(char* buffer, size_t size, const Member& member) {
    if (member.detail2a[0] == '\0') {
        buffer[0] = '\0';
    } else if (member.detail2b[0] != '\0') {
        snprintf(buffer, size, "%s  %s", member.detail2a, member.detail2b);
    } else {
        snprintf(buffer, size, "%s", member.detail2a);
    }
}

// Line 4: either part may show alone.
void compose_line4(char* buffer, size_t size, const Member& member) {
    bool has_a = member.detail3a[0] != '\0';
    bool has_b = member.detail3b[0] != '\0';
    if (has_a && has_b) {
        snprintf(buffer, size, "%s    %s", member.detail3a, member.detail3b);
    } else {
        snprintf(buffer, size, "%s", has_a ? member.detail3a : member.detail3b);
    }
}

// The bytes of each line before fitting: name, detail1, composed lines 3 and 4, detail4, detail5.
void compose_card_lines(const Member& member, CardLine lines[CARD_LINES]) {
    snprintf(lines[0].text, sizeof lines[0].text, "%s %s", member.first_name, member.last_name);
    copy_text(lines[1].text, sizeof lines[1].text, member.detail1);
    compose_line3(lines[2].text, sizeof lines[2].text, member);
    compose_line4(lines[3].text, sizeof lines[3].text, member);
    copy_text(lines[4].text, sizeof lines[4].text, member.detail4);
    copy_text(lines[5].text, sizeof lines[5].text, member.detail5);
}

}  // namespace

void fit_card_lines(const Member& member, const PdfFonts& fonts, float card_width,
                    CardLine lines[CARD_LINES]) {
    compose_card_lines(member, lines);
    const float inner_width = card_width - 2.0f * CARD_TEXT_INSET;
    for (int i = 0; i < CARD_LINES; ++i) {
        char composed[sizeof lines[i].text];
        copy_text(composed, sizeof composed, lines[i].text);
        lines[i].fit = i == 0 ? fit_text(fonts.bold, composed, CARD_NAME_SIZE, CARD_NAME_MIN_SIZE,
                                         inner_width, lines[i].text, sizeof lines[i].text)
                              : fit_text(fonts.regular, composed, CARD_DETAIL_SIZE, CARD_DETAIL_MIN_SIZE,
                                         inner_width, lines[i].text, sizeof lines[i].text);
    }
}

void draw_member_card(const PageTarget& target, const PdfFonts& fonts, float x, float card_width, float y,
                      const Member& member) {
    PlacedPage placed = find_page(target);
    set_stroke(placed.page, FRAME_GREY);
    HPDF_Page_SetLineWidth(placed.page, CARD_OUTLINE_WIDTH);
    HPDF_Page_Rectangle(placed.page, x + placed.x_offset, y - CARD_HEIGHT, card_width, CARD_HEIGHT);
    HPDF_Page_Stroke(placed.page);

    CardLine lines[CARD_LINES];
    fit_card_lines(member, fonts, card_width, lines);
    set_fill(placed.page, BLACK);
    // Every line keeps its slot: an empty line draws nothing but the next one still moves down.
    float baseline = y - CARD_TOP_SPACE - CARD_NAME_SIZE;
    for (int i = 0; i < CARD_LINES; ++i, baseline -= CARD_LINE_PITCH) {
        draw_text(target, i == 0 ? fonts.bold : fonts.regular, lines[i].fit.size, x + CARD_TEXT_INSET,
                  baseline, lines[i].text);
    }
}

void report_card_fit(const char* path, const Member& member, const PdfFonts& fonts, float card_width) {
    CardLine lines[CARD_LINES];
    fit_card_lines(member, fonts, card_width, lines);
    char name[sizeof lines[0].text];
    snprintf(name, sizeof name, "%s %s", member.first_name, member.last_name);
    for (int i = 0; i < CARD_LINES; ++i) {
        if (lines[i].fit.cut) {
            say("Warning: %s line %d: card line %d of %s is too long, cut to fit\n", path, member.line_number,
                i + 1, name);
        } else if (lines[i].fit.shrunk) {
            say("Warning: %s line %d: card line %d of %s is too long, printed at %g pt\n", path,
                member.line_number, i + 1, name, lines[i].fit.size);
        }
    }
}
