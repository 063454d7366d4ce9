// Embedding a prepared picture into a PDF document at the pixel size its printed size
// needs, and warning when that leaves too few pixels to print sharp.
#pragma once

#include <hpdf.h>

#include "image/image.h"
#include "pdf/document.h"

// Pixels per inch below which a printed picture looks soft.
constexpr float LOW_RESOLUTION = 150.0f;
constexpr float SHOP_QUERY_RESOLUTION = 250.0f;  // print shops' preflights query pictures below it

// Loads `image` into `pdf` for drawing at drawn_width x drawn_height points, at the pixel
// size embedded_size gives: the picture prepare_pictures made at that size, or, when none
// was, one prepared here from the file (with "Error: <path>: <reason>" and `pdf` marked
// failed when that fails). Grey stays DeviceGray, colour DeviceRGB (DeviceCMYK in a CMYK print shop file);
// Flate data goes in as it was compressed, once for every document. A picture with fewer
// than LOW_RESOLUTION pixels per inch at that size is named once per document that has
// an `output_name`: "Warning: <path> prints at N ppi in <output_name>; 150 or more looks
// sharp (...)"; in a print shop's file one under SHOP_QUERY_RESOLUTION gets a note.
// Returns null, with `pdf` marked failed, after an error.
HPDF_Image embed_image(PdfDocument* pdf, const SourceImage& image, float drawn_width, float drawn_height,
                       const ImageOptions& options);

// Loads a member's photo into `pdf`: the picture prepared for it at `pixels` (in the press's
// CMYK in a CMYK print shop file). Null, with `pdf` marked failed and said, when none was.
HPDF_Image embed_prepared(PdfDocument* pdf, const SourceImage& image, PixelSize pixels);

// Whether libharu takes a JPEG file's bytes as they are (it reads their markers more
// strictly than libjpeg): for ImageOptions::copies_jpeg. Safe to call from any thread.
bool libharu_reads_jpeg(const unsigned char* bytes, size_t size);
