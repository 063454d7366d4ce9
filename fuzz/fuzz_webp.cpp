#define FUZZ_SUFFIX ".webp"
#include "fuzz_image.inc"
