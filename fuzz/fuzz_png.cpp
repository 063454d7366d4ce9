#define FUZZ_SUFFIX ".png"
#include "fuzz_image.inc"
