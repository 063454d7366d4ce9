#define FUZZ_SUFFIX ".heic"
#include "fuzz_image.inc"
