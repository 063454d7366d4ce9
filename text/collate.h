// The order names sort in: letter case ignored, accented Windows-1252 letters with their
// base letter.
#pragma once

// Compares two names: "Éluard" sorts among the E names, and names equal that way fall
// back to plain byte order, letter case still ignored. Returns negative, zero or positive.
int compare_names(const char* a, const char* b);
