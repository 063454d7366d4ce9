#define FUZZ_SUFFIX ".jpg"
#include "fuzz_image.inc"
