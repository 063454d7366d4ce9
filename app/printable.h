// Which fonts a run's texts need, and what to do with characters no font here has.
#pragma once

#include <optional>
#include <span>
#include <vector>

#include "base/failure.h"
#include "pdf/fonts.h"
#include "roster/roster.h"
#include "settings/settings.h"

// True when every printed text of the run (title and subtitle lines, typed pages, every name and detail
// of `people`) can be drawn with the standard fonts' Windows-1252 bytes.
bool texts_fit_windows_1252(const Settings& settings, std::span<Member* const> people);

// The fallback faces (indexes into fallback_faces(), in order) that the characters `fonts`
// lack in some printed text are for; the first face also when some such character is of no
// script a face is for. Empty when `fonts` print every text, as for most Western rosters.
std::vector<int> fallback_faces_needed(const PdfFonts& fonts, const Settings& settings,
                                       std::span<Member* const> people);

// Replaces each character `fonts` cannot print with "?" in every printed text, so nothing
// prints wrong or blank in silence, and names each such text once, `people` in the order
// given: "Warning: <member list> line N: '<text>' has characters no font here can print
// (<script>: install the Debian package <package>)", or "(<script> script)" when no font is
// known for it (for the titles: "Warning: roster.sdd: '<text>' has ..."). The failure, changing nothing,
// when no letter of any name of `people` prints: the roster would be question marks.
[[nodiscard]] std::optional<Failure> replace_unprintable(const PdfFonts& fonts, Settings* settings,
                                                         std::span<Member* const> people);
