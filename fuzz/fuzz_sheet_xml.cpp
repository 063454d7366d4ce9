// The spreadsheet reader's XML: the input becomes a sheet of an .xlsx (first byte even) or
// the content of an .ods (odd), packed with libzip around a fixed workbook, so every input
// reaches the XML reader rather than stopping at the ZIP container.
#include <zip.h>

#include <string>

#include "fuzz_support.h"
#include "roster/sheet.h"
#include "sheet_checks.h"

namespace {

bool add(zip_t* zip, const char* name, const void* bytes, size_t size) {
    zip_source_t* source = zip_source_buffer(zip, bytes, size, 0);
    return source != nullptr && zip_file_add(zip, name, source, ZIP_FL_OVERWRITE) >= 0;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size == 0) return 0;
    static const std::string workbook =
        "<workbook><workbookPr/><sheets><sheet name=\"S\" sheetId=\"1\" r:id=\"rId1\"/></sheets></workbook>";
    static const std::string relationships =
        "<Relationships><Relationship Id=\"rId1\" Target=\"worksheets/sheet1.xml\"/></Relationships>";
    static const std::string strings = "<sst><si><t>shared</t></si><si><r><t>rich</t></r></si></sst>";
    static const std::string styles =
        "<styleSheet><numFmts><numFmt numFmtId=\"164\" formatCode=\"(###) ###-####\"/></numFmts>"
        "<cellXfs><xf numFmtId=\"0\"/><xf numFmtId=\"164\"/><xf numFmtId=\"14\"/></cellXfs></styleSheet>";
    const std::string path = write_input(nullptr, 0, ".zip");
    int error = 0;
    zip_t* zip = zip_open(path.c_str(), ZIP_TRUNCATE | ZIP_CREATE, &error);
    if (zip == nullptr) return 0;
    const bool ods = (data[0] & 1) != 0;
    bool added = true;
    if (ods) {
        added = add(zip, "content.xml", data + 1, size - 1);
    } else {
        added = add(zip, "xl/workbook.xml", workbook.data(), workbook.size()) &&
                add(zip, "xl/_rels/workbook.xml.rels", relationships.data(), relationships.size()) &&
                add(zip, "xl/sharedStrings.xml", strings.data(), strings.size()) &&
                add(zip, "xl/styles.xml", styles.data(), styles.size()) &&
                add(zip, "xl/worksheets/sheet1.xml", data + 1, size - 1);
    }
    if (!added || zip_close(zip) != 0) {
        zip_discard(zip);
        return 0;
    }
    Sheet sheet;
    if (!read_sheet(path.c_str(), "", &sheet)) check_sheet(sheet);
    return 0;
}
