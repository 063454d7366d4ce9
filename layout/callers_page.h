// The Callers and Cuers page: each group under its own heading, cards in row order, on a
// single page that has no continuation.
#pragma once

#include <span>

#include "layout/geometry.h"
#include "pdf/document.h"
#include "roster/roster.h"

// Draws the callers, then the cuers, each group only when it has someone. A card whose
// box would reach into the bottom margin is left off and its person named on stderr:
// "Warning: <member_list_path> line N: <name> is not on the Callers and Cuers page of the
// booklet: it does not fit" (or "of the standard document").
void draw_callers_page(const PageTarget& target, const PageGeometry& geometry, const PdfFonts& fonts,
                       std::span<const Member> callers, std::span<const Member> cuers,
                       const char* member_list_path);
