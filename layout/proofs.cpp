#include "layout/proofs.h"

#include <algorithm>

#include "layout/draw.h"
#include "layout/fit.h"

namespace {

// A household's values, one a line on its card, as one line of the proof.
std::string one_line(std::string text) {
    while (!text.empty() && text.back() == PERSON_BREAK) text.pop_back();
    for (size_t at = text.find(PERSON_BREAK); at != std::string::npos; at = text.find(PERSON_BREAK, at))
        text.replace(at, 1, "; ");
    return text;
}

// The details some card of the roster has: a detail no card has is no column of the list.
std::vector<int> details_held(const Roster& roster) {
    std::vector<int> held;
    for (int d = 0; d < DETAIL_COUNT; ++d) {
        if (std::any_of(roster.people.begin(), roster.people.end(),
                        [d](const Member& m) { return !m.details[d].empty() || !m.left_off[d].empty(); }))
            held.push_back(d);
    }
    return held;
}

// Draws `text` fitted to `width` at PROOF_TEXT_SIZE (bold when asked) with its baseline at y.
void draw_fitted(const PageTarget& target, const TextFont& font, float x, float width, float y,
                 const std::string& text) {
    std::string fitted;
    const TextFit fit = fit_text(font, text, PROOF_TEXT_SIZE, PROOF_MIN_SIZE, width, &fitted);
    draw_text_in(target, font, fit.size, x, width, y, fitted.c_str());
}

}  // namespace

std::vector<ProofLine> proof_lines(const Member& card, const Roster& roster) {
    std::vector<ProofLine> lines;
    for (int d : details_held(roster)) {
        const std::string& heading = roster.detail_columns[d];
        if (!card.details[d].empty()) lines.push_back({heading + ": " + one_line(card.details[d]), false});
        if (!card.left_off[d].empty())
            lines.push_back({heading + ": " + one_line(card.left_off[d]) + " " + NOT_PRINTED, true});
        if (card.details[d].empty() && card.left_off[d].empty()) lines.push_back({heading + ": —", false});
    }
    for (const auto& [heading, value] : card.proof_fields) {
        // A column the card prints is listed above already.
        if (std::find(roster.detail_columns.begin(), roster.detail_columns.end(), heading) !=
            roster.detail_columns.end())
            continue;
        lines.push_back({heading + ": " + (value.empty() ? std::string("—") : value), false});
    }
    return lines;
}

int proof_card_lines(const Roster& roster, const Member& card) {
    const auto index = static_cast<size_t>(&card - roster.people.data());
    return section_card_lines(group_members(roster, group_of(roster, index)));
}

void draw_proof(const PageTarget& target, const PdfFonts& fonts, const PageGeometry& geometry, float top,
                const Member& card, std::span<const ProofLine> lines, int card_lines, CardPhoto photo,
                const Settings& settings) {
    const float card_x = geometry.margin_x;
    draw_member_card(target, fonts, card_x, geometry.column_width, top, card, settings.name_order, photo,
                     card_lines);
    // The fields to the card's right, from its name line down.
    const float fields_x = card_x + geometry.column_width + 2.0f * COLUMN_GUTTER;
    const float fields_width = geometry.page_width - geometry.margin_x - fields_x;
    float y = top - PROOF_LINE_PITCH;
    set_fill(find_page(target).page, BLACK);
    for (const ProofLine& line : lines) {
        draw_fitted(target, fonts.regular, fields_x, fields_width, y, line.text);
        y -= PROOF_LINE_PITCH;
    }
    // The note under the card and the fields, across the page.
    y = std::min(y, top - card_height(card_lines)) - PROOF_LINE_PITCH;
    for (int i = 0; i < settings.proof_note_count; ++i, y -= PROOF_LINE_PITCH) {
        draw_fitted(target, fonts.regular, geometry.margin_x, geometry.page_width - 2.0f * geometry.margin_x,
                    y, settings.proof_note[i]);
    }
}

void draw_cut_line(const PageTarget& target, const PageGeometry& geometry, float y) {
    const HPDF_Page page = find_page(target).page;
    set_stroke(page, FRAME_GREY);
    HPDF_Page_SetLineWidth(page, 0.6f);
    const HPDF_UINT16 dash[] = {4, 3};
    HPDF_Page_SetDash(page, dash, 2, 0);
    HPDF_Page_MoveTo(page, geometry.margin_x / 2.0f, y);
    HPDF_Page_LineTo(page, geometry.page_width - geometry.margin_x / 2.0f, y);
    HPDF_Page_Stroke(page);
    HPDF_Page_SetDash(page, nullptr, 0, 0);
}
