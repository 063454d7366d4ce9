// Converts text read from the settings file and the member list to Windows-1252, the
// encoding the PDF fonts print with, so accented names print as written.
#pragma once

// Converts `text` in place. Text that is valid UTF-8 becomes Windows-1252, each character
// Windows-1252 cannot show becoming '?'; any other text is taken to be Windows-1252
// already and left byte for byte. ASCII never changes. Returns how many characters
// became '?'.
int convert_to_windows_1252(char* text);
