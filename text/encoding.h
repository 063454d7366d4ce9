// The encoding text is printed in: everything read from the settings file and the member
// list is converted to Windows-1252 as it is read, the encoding the PDF fonts print with,
// so accented names print as written. Everything that depends on that choice lives here.
#pragma once

// The font encoding the PDFs draw with; the bytes handed to the fonts are Windows-1252.
constexpr const char* PDF_FONT_ENCODING = "WinAnsiEncoding";

// "…" in Windows-1252, ending a text cut to fit.
constexpr char ELLIPSIS = '\x85';

// Converts `text` in place. Text that is valid UTF-8 becomes Windows-1252, each character
// Windows-1252 cannot show becoming '?'; any other text is taken to be Windows-1252
// already and left byte for byte. ASCII never changes. Returns how many characters
// became '?'.
int convert_to_windows_1252(char* text);
