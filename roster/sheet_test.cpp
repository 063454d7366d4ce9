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

// LibreOffice's way of saying what a sheet hides: last season's sheet hidden by its table
// style, a column collapsed, a row a filter hides (the filter kept after the sheets, on a
// range whose sheet name is quoted), and a formula saved without its value.
TEST(ReadSheet, OdsHiddenSheetFilterAndFormula) {
    const std::string content =
        "<office:document-content xmlns:office=\"o\" xmlns:style=\"s\" xmlns:table=\"t\" xmlns:text=\"x\">"
        "<office:automatic-styles><style:style style:name=\"ta2\" style:family=\"table\">"
        "<style:table-properties table:display=\"false\"/></style:style></office:automatic-styles>"
        "<office:body><office:spreadsheet><table:table table:name=\"Members 2025\" table:style-name=\"ta2\">"
        "<table:table-row><table:table-cell><text:p>Old</text:p></table:table-cell></table:table-row>"
        "</table:table><table:table table:name=\"Members 2026\"><table:table-column/>"
        "<table:table-column table:visibility=\"collapse\"/><table:table-column/><table:table-row>"
        "<table:table-cell><text:p>Role</text:p></table:table-cell><table:table-cell><text:p>Dues</text:p>"
        "</table:table-cell><table:table-cell><text:p>Name</text:p></table:table-cell></table:table-row>"
        "<table:table-row table:visibility=\"filter\"><table:table-cell><text:p>Caller</text:p>"
        "</table:table-cell><table:table-cell/><table:table-cell table:formula=\"of:=[.D2]\"/>"
        "</table:table-row></table:table><table:database-ranges><table:database-range "
        "table:target-range-address=\"'Members 2026'.A1:'Members 2026'.C9\"><table:filter>"
        "<table:filter-condition table:field-number=\"2\"/></table:filter></table:database-range>"
        "</table:database-ranges></office:spreadsheet></office:body></office:document-content>";
    TempDir dir;
    write_xlsx(dir.file("seasons.ods"), {{"content.xml", content}});
    Sheet sheet;
    ASSERT_FALSE(read_sheet(dir.file("seasons.ods").c_str(), "", &sheet));
    EXPECT_EQ(sheet.name, "Members 2026");
    ASSERT_EQ(sheet.tabs.size(), 2u);
    EXPECT_TRUE(sheet.tabs[0].hidden);
    EXPECT_FALSE(sheet.tabs[1].hidden);
    ASSERT_EQ(sheet.rows.size(), 2u);
    EXPECT_EQ(sheet.rows[0].cells, (std::vector<std::string>{"Role", "Name"}));
    EXPECT_EQ(sheet.rows[1].state, ROW_FILTERED);
    EXPECT_EQ(sheet.filter_columns, std::vector<int>{1});  // column C, with B hidden
    ASSERT_EQ(sheet.unsaved_formulas.size(), 1u);
    EXPECT_EQ(sheet.unsaved_formulas[0].column, 1);
    EXPECT_EQ(sheet.unsaved_formulas[0].cell, "C2");
    EXPECT_EQ(sheet.hidden_columns, 1);
    // Named, the hidden sheet is read.
    ASSERT_FALSE(read_sheet(dir.file("seasons.ods").c_str(), "Members 2025", &sheet));
    EXPECT_EQ(sheet.rows.at(0).cells, std::vector<std::string>{"Old"});
}

}  // namespace
