// Loading the PNG images of the cover and the full-page panels into a document. Images
// are decoded here with libpng, which reads every PNG variant and reports a bad file
// instead of aborting, and handed to libharu as raw 8-bit samples.
#pragma once

#include <hpdf.h>

// Largest image accepted, in pixels (10000 x 10000); larger ones are refused as unreadable
// rather than exhausting memory.
constexpr unsigned long long MAX_IMAGE_PIXELS = 100000000ULL;

// True when `path` opens for reading, without waiting on a FIFO; an empty path does not.
// A folder, FIFO or device opens here and is then refused by load_png_image.
bool image_file_opens(const char* path);

// Loads the PNG at `path` into `document`: grey images as DeviceGray, colour ones as
// DeviceRGB, 8 bits per component, with a soft mask only when some pixel is not fully
// opaque. Width and height are the PNG's own. A file that is not a regular file or cannot
// be decoded writes
// "Error: cannot read image <path>: <reason>" to stderr and ends the process with status 1.
HPDF_Image load_png_image(HPDF_Doc document, const char* path);
