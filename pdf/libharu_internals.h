// libharu's private records, read and written where the library has no call for what a file
// needs: a page's content stream (the operators of shaped text), a TrueType font's glyph table
// (the parts of composite glyphs), the document's memory manager and cross-reference table
// (image XObjects the finishing step fills). The only file that includes libharu's own headers
// beyond hpdf.h. The records are libharu 2.3.0's: another version fails to compile here rather
// than misread them (CMake asks for 2.3 too).
#pragma once

#include <hpdf.h>
#include <hpdf_doc.h>
#include <hpdf_fontdef.h>
#include <hpdf_objects.h>
#include <hpdf_pages.h>
#include <hpdf_streams.h>
#include <hpdf_version.h>

#include <string>

static_assert(HPDF_VERSION_ID / 100 == 203,
              "pdf/ reads libharu 2.3's private records: check them for this version");

// Writes `operators` into `page`'s content stream as they are; libharu's own state (fonts,
// colours, the text object it thinks open) is not told.
inline void write_page_operators(HPDF_Page page, const std::string& operators) {
    HPDF_Stream_WriteStr(static_cast<HPDF_PageAttr>(page->attr)->stream, operators.c_str());
}

// The bytes of `page`'s content stream so far: 0 for a page nothing was drawn on.
inline HPDF_UINT32 page_content_size(HPDF_Page page) {
    return HPDF_Stream_Size(static_cast<HPDF_PageAttr>(page->attr)->stream);
}
