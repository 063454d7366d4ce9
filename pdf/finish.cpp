// Compiled as C++17: clang 14, which builds the fuzz targets, cannot read qpdf 11's
// headers in C++20 mode.
#define POINTERHOLDER_TRANSITION 4
#include "pdf/finish.h"

#include <cerrno>
#include <exception>
#include <memory>
#include <qpdf/Buffer.hh>
#include <qpdf/QPDF.hh>
#include <qpdf/QPDFWriter.hh>

bool write_finished_pdf(const std::string& bytes, FILE* file, const ViewerSettings& viewer,
                        std::string* reason) {
    std::shared_ptr<Buffer> finished;
    try {
        QPDF pdf;
        pdf.setSuppressWarnings(true);
        pdf.processMemoryFile("document", bytes.data(), bytes.size());
        if (viewer.duplex != nullptr) {
            QPDFObjectHandle preferences = QPDFObjectHandle::newDictionary();
            preferences.replaceKey("/Duplex", QPDFObjectHandle::newName(std::string("/") + viewer.duplex));
            if (viewer.no_print_scaling)
                preferences.replaceKey("/PrintScaling", QPDFObjectHandle::newName("/None"));
            pdf.getRoot().replaceKey("/ViewerPreferences", preferences);
        }
        QPDFWriter writer(pdf);
        // Into memory, then out with every write checked: qpdf's file writer misses a write
        // cut short by a full disk.
        writer.setOutputMemory();
        // Streams go through as libharu compressed them: recompressing photos costs seconds.
        writer.setDecodeLevel(qpdf_dl_none);
        writer.setCompressStreams(false);
        writer.setDeterministicID(true);
        if (viewer.duplex != nullptr) writer.setMinimumPDFVersion("1.7");  // /Duplex is a PDF 1.7 key
        writer.write();
        finished = writer.getBufferSharedPointer();
    } catch (const std::exception& error) {
        *reason = error.what();
        return false;
    }
    errno = 0;
    return fwrite(finished->getBuffer(), 1, finished->getSize(), file) == finished->getSize();
}
