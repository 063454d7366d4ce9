#include "layout/image.h"

#include <cstdio>

bool image_file_opens(const char* path) {
    FILE* file = fopen(path, "rb");
    if (file == nullptr) return false;
    fclose(file);
    return true;
}

HPDF_Image load_png_image(HPDF_Doc document, const char* path) {
    return HPDF_LoadPngImageFromFile(document, path);
}
