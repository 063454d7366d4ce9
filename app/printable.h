// Which fonts a run's texts need, and what to do with characters no font here has.
#pragma once

#include "pdf/document.h"
#include "roster/roster.h"
#include "settings/settings.h"

// True when every printed text of the run (title and subtitle lines, every member's name
// and details) can be drawn with the standard fonts' Windows-1252 bytes.
bool texts_fit_windows_1252(const Settings& settings, const RosterGroups& groups);

// True when some printed text has a character the Unicode fonts of `pdf` lack, which
// the fallback font may have.
bool texts_need_fallback(const PdfDocument& pdf, const Settings& settings, const RosterGroups& groups);

// Replaces each character the fonts of `pdf` cannot print with "?" in every printed text,
// so nothing prints wrong or blank in silence, and names each such text once: "Warning:
// <member list> line N: '<text>' has characters no font here can print" (for the titles:
// "Warning: roster.sdd: '<text>' has ...").
void replace_unprintable(const PdfDocument& pdf, Settings* settings, RosterGroups* groups);
