#include "layout/labels.h"

#include <gtest/gtest.h>

#include <string>

#include "tests/support/test_document.h"

namespace {

// The sheet a run takes, the sheets its labels fill from a used sheet's label, and a line
// too long for a 5160 label cut to fit, with the warning naming its row.
TEST(MailingLabels, SheetsCountedFromTheFirstLabelAndLinesCut) {
    Settings settings = {};
    const struct {
        LabelSheet asked;
        PaperSize paper;
        const char* sheet;
        int labels, start, sheets;
    } cases[] = {
        {LABEL_SHEET_AUTO, PAPER_LETTER, "5160", 30, 1, 1}, {LABEL_SHEET_AUTO, PAPER_A4, "L7160", 22, 1, 2},
        {LABEL_5163, PAPER_A4, "5163", 10, 2, 2},           {LABEL_L7163, PAPER_LETTER, "L7163", 1, 14, 1},
        {LABEL_5160, PAPER_LETTER, "5160", 0, 1, 0},
    };
    for (const auto& c : cases) {
        settings.label_sheet = c.asked;
        settings.paper_size = c.paper;
        const LabelSheetGeometry& sheet = label_sheet_of(settings);
        EXPECT_STREQ(sheet.name, c.sheet) << c.sheet;
        EXPECT_EQ(label_sheet_count(c.labels, c.start, sheet), c.sheets) << c.sheet << " from " << c.start;
    }
    TestDocument doc(1, false);
    Member card;
    card.line_number = 9;
    const MailingLabel label = {
        {"Ann Lee", "Apartment 12, The Very Long Building Name, 1234 Extraordinarily Long Road",
         "Town  97402"},
        &card};
    testing::internal::CaptureStderr();
    report_label_fit("members.csv", std::span(&label, 1), doc.pdf.fonts, LABEL_SHEETS[0]);
    EXPECT_EQ(testing::internal::GetCapturedStderr(),
              "Warning: members.csv line 9 (Ann Lee): label line 2 is cut to 'Apartment 12, The Very Long "
              "Building Name, "
              "1234 Extraordi…' on the label\n");
}

}  // namespace
