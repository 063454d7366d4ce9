// Embedding a decoded picture into a PDF document: reduced to print resolution, grey kept
// grey, transparency laid onto white, JPEG data copied as it is where it can be.
#pragma once

#include <hpdf.h>

#include "image/image.h"
#include "pdf/document.h"

// JPEG quality of a picture written anew as JPEG.
constexpr int JPEG_QUALITY = 90;
// Pixels per inch below which a printed picture looks soft.
constexpr float LOW_RESOLUTION = 150.0f;

// Loads `image` into `pdf` for drawing at drawn_width x drawn_height points, reduced as
// embedded_size says. Grey stays DeviceGray, colour DeviceRGB; translucent pixels are
// composited onto white (no soft mask is written); JPEG data is copied as it is where libharu reads it, else
// written anew at quality 90; PNG images without transparency are written as JPEG when
// `options.jpeg_compression`. A picture with fewer than LOW_RESOLUTION pixels per inch at
// that size is named once per document that has an `output_name`: "Warning: <path> prints
// at N ppi in <output_name>; 150 or more looks sharp (...)". Returns null, with `pdf` marked failed, after
// "Error: cannot read image <path>: not enough memory" or a libharu error.
HPDF_Image embed_image(PdfDocument* pdf, const SourceImage& image, float drawn_width, float drawn_height,
                       const ImageOptions& options);
