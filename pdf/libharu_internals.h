// libharu's private records, read and written where the library has no call for what a file
// needs: a page's content stream (the operators of shaped text), a TrueType font's glyph table
// (the parts of composite glyphs), the document's memory manager and cross-reference table
// (image XObjects the finishing step fills). The only file that includes libharu's own headers
// beyond hpdf.h. The records are libharu 2.3.0's: another version fails to compile here rather
// than misread them (CMake asks for 2.3 too).
#pragma once

#include <hpdf.h>
#include <hpdf_doc.h>
#include <hpdf_encrypt.h>
#include <hpdf_fontdef.h>
#include <hpdf_objects.h>
#include <hpdf_pages.h>
#include <hpdf_streams.h>
#include <hpdf_version.h>

#include <span>
#include <string>
#include <utility>

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

// The trailer's /ID of a document written by libharu alone: two copies of this placeholder,
// which the saved bytes' own digest replaces (write_id_placeholder, then the save's caller).
constexpr HPDF_BYTE ID_PLACEHOLDER[16] = {};

// Gives the document's trailer an /ID of two ID_PLACEHOLDERs. False when libharu failed (its
// error handler has said why).
inline bool write_id_placeholder(HPDF_Doc document) {
    HPDF_Array id = HPDF_Array_New(document->mmgr);
    if (id == nullptr) return false;
    for (int copy = 0; copy < 2; ++copy) {
        HPDF_Binary placeholder =
            HPDF_Binary_New(document->mmgr, const_cast<HPDF_BYTE*>(ID_PLACEHOLDER), sizeof ID_PLACEHOLDER);
        if (placeholder == nullptr || HPDF_Array_Add(id, placeholder) != HPDF_OK) return false;
    }
    return HPDF_Dict_Add(document->trailer, "ID", id) == HPDF_OK;
}

// Gives the catalog a /ViewerPreferences of `names`, each a key and the name it holds
// ({"Duplex", "DuplexFlipShortEdge"}). False when libharu failed.
inline bool set_viewer_preferences(HPDF_Doc document,
                                   std::span<const std::pair<const char*, const char*>> names) {
    HPDF_Dict preferences = HPDF_Dict_New(document->mmgr);
    if (preferences == nullptr) return false;
    for (const auto& [key, value] : names) {
        if (HPDF_Dict_AddName(preferences, key, value) != HPDF_OK) return false;
    }
    return HPDF_Dict_Add(document->catalog, "ViewerPreferences", preferences) == HPDF_OK;
}

// Raises the version the file's header names to PDF 1.7.
inline void use_pdf_1_7(HPDF_Doc document) { document->pdf_version = HPDF_VER_17; }

// The MD5 digest of `bytes`, libharu's own.
inline void file_digest(const std::string& bytes, HPDF_BYTE digest[16]) {
    HPDF_MD5_CTX context;
    HPDF_MD5Init(&context);
    HPDF_MD5Update(&context, reinterpret_cast<const HPDF_BYTE*>(bytes.data()),
                   static_cast<HPDF_UINT32>(bytes.size()));
    HPDF_MD5Final(digest, &context);
}

// Marks every stream of the document that libharu would write as it is (page contents, a
// ToUnicode CMap) to be compressed when it is written: what the finishing does for a file.
inline void compress_every_stream(HPDF_Doc document) {
    for (HPDF_Xref xref = document->xref; xref != nullptr; xref = xref->prev) {
        for (HPDF_UINT i = 0; i < xref->entries->count; ++i) {
            const auto* entry = static_cast<HPDF_XrefEntry>(HPDF_List_ItemAt(xref->entries, i));
            auto* object = static_cast<HPDF_Obj_Header*>(entry->obj);
            if (object == nullptr || (object->obj_class & HPDF_OCLASS_ANY) != HPDF_OCLASS_DICT) continue;
            auto* dict = reinterpret_cast<HPDF_Dict>(object);
            if (dict->stream != nullptr && dict->filter == HPDF_STREAM_FILTER_NONE)
                dict->filter = HPDF_STREAM_FILTER_FLATE_DECODE;
        }
    }
}
