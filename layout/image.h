// Loading the PNG images of the cover and the full-page panels into a document.
#pragma once

#include <hpdf.h>

// True when `path` opens for reading; an empty path does not.
bool image_file_opens(const char* path);

// Loads the PNG at `path` into `document`. Failures go to the document's error handler.
HPDF_Image load_png_image(HPDF_Doc document, const char* path);
