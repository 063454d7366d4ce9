// Reads HEIC pictures (iPhones' own format) with libheif, loaded when the first one is met.
#pragma once

#include "image/image.h"

// The HEIC decoder: recognises an ISO base media file whose brand is a HEIF one (heic,
// heix, mif1, ...). libheif turns the picture upright itself; an ICC profile is applied.
// libheif is opened only when a HEIC file is read: it pulls in the HEVC and AV1 codecs,
// which would otherwise cost every run several milliseconds of start-up.
extern const ImageDecoder HEIF_DECODER;
