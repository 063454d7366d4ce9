// The floor for scripts/bench: libharu alone loading the given PNG or JPEG files into two
// documents, one page each, and saving them (booklet.pdf, standard.pdf) with full
// compression, as rosterbook does with images embedded as they come.
#include <hpdf.h>

#include <cstdio>
#include <cstring>
#include <initializer_list>

int main(int argc, char** argv) {
    for (const char* name : {"booklet.pdf", "standard.pdf"}) {
        HPDF_Doc document = HPDF_New(nullptr, nullptr);
        HPDF_SetCompressionMode(document, HPDF_COMP_ALL);
        HPDF_Page page = HPDF_AddPage(document);
        for (int i = 1; i < argc; ++i) {
            const size_t length = strlen(argv[i]);
            const bool jpeg = length > 4 && strcmp(argv[i] + length - 4, ".jpg") == 0;
            HPDF_Image image = jpeg ? HPDF_LoadJpegImageFromFile(document, argv[i])
                                    : HPDF_LoadPngImageFromFile(document, argv[i]);
            HPDF_Page_DrawImage(page, image, 0, 0, 100, 75);
        }
        if (HPDF_SaveToFile(document, name) != HPDF_OK) {
            fprintf(stderr, "cannot save %s\n", name);
            return 1;
        }
        HPDF_Free(document);
    }
    return 0;
}
