// The code of stb_image_resize for the web build, which has no libstb to link.
#define STB_IMAGE_RESIZE_IMPLEMENTATION
#include <stb_image_resize.h>
