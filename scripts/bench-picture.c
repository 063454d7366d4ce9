/* Writes a photo-like picture of any size for scripts/bench, row by row (ImageMagick's
 * limits refuse 100-megapixel pictures): smooth colour waves with a little grain.
 *   bench-picture WIDTH HEIGHT OUT.png|OUT.jpg                                        */
#include <stddef.h>
#include <stdio.h>
#include <jpeglib.h>
#include <math.h>
#include <png.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

static void fill_row(unsigned char *row, int width, int y) {
    for (int x = 0; x < width; ++x) {
        unsigned grain = ((unsigned)x * 2654435761u ^ (unsigned)y * 40503u) >> 28;
        for (int c = 0; c < 3; ++c) {
            double wave = 128 + 100 * sin(x / (300.0 + 70 * c)) * cos(y / (410.0 - 50 * c));
            row[x * 3 + c] = (unsigned char)(wave + grain);
        }
    }
}

int main(int argc, char **argv) {
    if (argc != 4) return 2;
    int width = atoi(argv[1]), height = atoi(argv[2]);
    FILE *file = fopen(argv[3], "wb");
    unsigned char *row = malloc((size_t)width * 3);
    if (file == NULL || row == NULL) return 1;
    if (strstr(argv[3], ".jpg") != NULL) {
        struct jpeg_compress_struct cinfo;
        struct jpeg_error_mgr errors;
        cinfo.err = jpeg_std_error(&errors);
        jpeg_create_compress(&cinfo);
        jpeg_stdio_dest(&cinfo, file);
        cinfo.image_width = width, cinfo.image_height = height;
        cinfo.input_components = 3, cinfo.in_color_space = JCS_RGB;
        jpeg_set_defaults(&cinfo);
        jpeg_set_quality(&cinfo, 90, TRUE);
        jpeg_start_compress(&cinfo, TRUE);
        for (int y = 0; y < height; ++y) {
            fill_row(row, width, y);
            jpeg_write_scanlines(&cinfo, &row, 1);
        }
        jpeg_finish_compress(&cinfo);
    } else {
        png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, NULL, NULL, NULL);
        png_infop info = png_create_info_struct(png);
        png_init_io(png, file);
        png_set_IHDR(png, info, width, height, 8, PNG_COLOR_TYPE_RGB, PNG_INTERLACE_NONE,
                     PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
        png_write_info(png, info);
        for (int y = 0; y < height; ++y) {
            fill_row(row, width, y);
            png_write_row(png, row);
        }
        png_write_end(png, NULL);
        png_destroy_write_struct(&png, &info);
    }
    free(row);
    return fclose(file) == 0 ? 0 : 1;
}
