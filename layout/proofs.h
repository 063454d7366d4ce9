// Proofs for members to check their entry before the roster goes to print: each card as it
// will print, with its photo, then every field the roster holds for them, those the card
// leaves off marked, the other columns Proof Shows names, and the club's Proof Note.
#pragma once

#include <span>
#include <string>
#include <vector>

#include "layout/card.h"
#include "layout/geometry.h"
#include "pdf/document.h"
#include "roster/roster.h"
#include "settings/settings.h"

// The sizes of a proof's field lines and note: PROOF_TEXT_SIZE, shrunk to PROOF_MIN_SIZE
// before a line is cut; lines PROOF_LINE_PITCH apart.
constexpr float PROOF_TEXT_SIZE = 9.0f;
constexpr float PROOF_MIN_SIZE = 6.0f;
constexpr float PROOF_LINE_PITCH = 12.0f;
// What marks a field the card leaves off (a private member's), after its value.
constexpr const char* NOT_PRINTED = "(not printed)";

// One field of a proof as it reads: "Phone: 555-0101", a left-off one ending NOT_PRINTED.
struct ProofLine {
    std::string text;
    bool not_printed;
};

// The fields of `card`'s proof: each card detail some card of `roster` has (under the
// heading(s) of its column(s)), printed or left off, "—" where this card has none; then the
// columns Proof Shows names. A household's values stand one after another, "; " between.
std::vector<ProofLine> proof_lines(const Member& card, const Roster& roster);

// Draws the proof of `card` on `target`'s page from `top` down: its card as its section
// prints it (`card_lines` lines, `photo` in its frame), its field lines to the card's right,
// and under both the Proof Note of `settings`; within `geometry`'s margins.
void draw_proof(const PageTarget& target, const PdfFonts& fonts, const PageGeometry& geometry, float top,
                const Member& card, std::span<const ProofLine> lines, int card_lines, CardPhoto photo,
                const Settings& settings);

// The dashed line to cut two proofs of a page apart, across the page at `y`.
void draw_cut_line(const PageTarget& target, const PageGeometry& geometry, float y);

// The lines a card of `roster`'s people prints with in its section: section_card_lines of its group.
int proof_card_lines(const Roster& roster, const Member& card);
