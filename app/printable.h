// Which fonts a run's texts need, and what to do with characters no font here has.
#pragma once

#include <optional>
#include <span>

#include "base/failure.h"
#include "pdf/fonts.h"
#include "roster/roster.h"
#include "settings/settings.h"

// True when every printed text of the run (title and subtitle lines, typed pages, every name and detail
// of `people`) can be drawn with the standard fonts' Windows-1252 bytes.
bool texts_fit_windows_1252(const Settings& settings, std::span<Member* const> people);

// True when some printed text has a character `fonts` lack, which a fallback font may have.
bool texts_need_fallback(const PdfFonts& fonts, const Settings& settings, std::span<Member* const> people);

// Replaces each character `fonts` cannot print with "?" in every printed text, so nothing
// prints wrong or blank in silence, and names each such text once, `people` in the order
// given: "Warning: <member list> line N: '<text>' has characters no font here can print"
// (for the titles: "Warning: roster.sdd: '<text>' has ..."). The failure, changing nothing,
// when no letter of any name of `people` prints: the roster would be question marks.
std::optional<Failure> replace_unprintable(const PdfFonts& fonts, Settings* settings,
                                           std::span<Member* const> people);
