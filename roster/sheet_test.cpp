#include "roster/sheet.h"

#include <gtest/gtest.h>
#include <zip.h>

#include <string>
#include <utility>
#include <vector>

#include "tests/support/temp_dir.h"

namespace {

// Writes an .xlsx of the given parts (name, XML) at `path`, deflated as Excel packs them.
void write_xlsx(const std::string& path, const std::vector<std::pair<std::string, std::string>>& parts) {
    int error = 0;
    zip_t* archive = zip_open(path.c_str(), ZIP_CREATE | ZIP_TRUNCATE, &error);
    ASSERT_NE(archive, nullptr) << path;
    for (const auto& [name, xml] : parts) {
        zip_source_t* source = zip_source_buffer(archive, xml.data(), xml.size(), 0);
        ASSERT_GE(zip_file_add(archive, name.c_str(), source, ZIP_FL_OVERWRITE), 0) << name;
    }
    ASSERT_EQ(zip_close(archive), 0) << path;
}

std::string inline_row(int number, const std::vector<std::string>& values) {
    std::string row = "<row r=\"" + std::to_string(number) + "\">";
    for (const std::string& value : values) row += "<c t=\"inlineStr\"><is><t>" + value + "</t></is></c>";
    return row + "</row>";
}

// A sheet formatted down to Excel's last row, as a secretary who shaded whole rows saves it:
// the million empty rows are passed over, the rows with a value kept with their numbers.
TEST(ReadSheet, MillionEmptyStyledRows) {
    std::string xml = "<worksheet><sheetData>" + inline_row(1, {"Role", "First Name", "Last Name"}) +
                      inline_row(2, {"Member", "Ann", "Able"});
    for (int row = 3; row <= MAX_SHEET_ROWS; ++row)
        xml += "<row r=\"" + std::to_string(row) + "\" s=\"1\" customFormat=\"1\"/>";
    xml += "</sheetData></worksheet>";
    TempDir dir;
    write_xlsx(dir.file("styled.xlsx"),
               {{"xl/workbook.xml",
                 "<workbook xmlns:r=\"r\"><sheets><sheet name=\"S\" sheetId=\"1\" "
                 "r:id=\"rId1\"/></sheets></workbook>"},
                {"xl/_rels/workbook.xml.rels",
                 "<Relationships><Relationship Id=\"rId1\" Target=\"worksheets/sheet1.xml\" "
                 "Type=\"worksheet\"/></Relationships>"},
                {"xl/worksheets/sheet1.xml", xml}});
    Sheet sheet;
    ASSERT_FALSE(read_sheet(dir.file("styled.xlsx").c_str(), "", &sheet));
    ASSERT_EQ(sheet.rows.size(), 2u);
    EXPECT_EQ(sheet.rows[1].number, 2);
    EXPECT_EQ(sheet.rows[1].cells, (std::vector<std::string>{"Member", "Ann", "Able"}));
    EXPECT_EQ(sheet.rows[0].state, ROW_SHOWN);
    EXPECT_EQ(sheet.rows[1].state, ROW_SHOWN);
}

}  // namespace
