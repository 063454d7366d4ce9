#include "layout/labels.h"

#include <algorithm>

#include "base/message.h"
#include "layout/draw.h"
#include "roster/sheet.h"

namespace {

// A label goes to a street: the street and the town or postal code it is in.
bool has_address(const Member& card) {
    return !card.home.empty() && (!card.town.empty() || !card.postal_code.empty());
}

// The town and postal code as card line 3 prints them: CARD_LINE_DETAILS' gap between them.
std::string town_line(const Member& card) {
    const char* gap = CARD_LINE_DETAILS[DETAIL_CITY].gap;
    if (card.town.empty() || card.postal_code.empty()) return card.town + card.postal_code;
    return card.town + gap + card.postal_code;
}

}  // namespace

static_assert(LABEL_SHEETS[0].columns * LABEL_SHEETS[0].rows == MAX_LABELS_A_SHEET,
              "Label Start reaches as far as the largest sheet's labels");

const LabelSheetGeometry& label_sheet_of(const Settings& settings) {
    if (settings.label_sheet != LABEL_SHEET_AUTO) return LABEL_SHEETS[settings.label_sheet - 1];
    return LABEL_SHEETS[settings.paper_size == PAPER_A4 ? LABEL_L7160 - 1 : LABEL_5160 - 1];
}

std::vector<MailingLabel> mailing_labels(const Roster& roster, const Settings& settings,
                                         std::vector<const Member*>* unaddressed) {
    std::vector<MailingLabel> labels;
    for (const Member& card : roster.people) {
        if (card.private_member && !settings.label_private) continue;
        if (!has_address(card)) {
            unaddressed->push_back(&card);
            continue;
        }
        MailingLabel label = {{printed_name(card, settings.name_order), card.home, town_line(card)}, &card};
        if (!card.country.empty()) label.lines.push_back(card.country);
        labels.push_back(std::move(label));
    }
    if (settings.label_order == LABEL_ORDER_POSTAL_CODE) {
        std::stable_sort(labels.begin(), labels.end(), [](const MailingLabel& a, const MailingLabel& b) {
            return a.card->postal_code < b.card->postal_code;
        });
    }
    return labels;
}

std::vector<LabelLine> fit_label(const MailingLabel& label, const PdfFonts& fonts,
                                 const LabelSheetGeometry& sheet) {
    std::vector<LabelLine> lines;
    for (size_t i = 0; i < label.lines.size(); ++i) {
        LabelLine line;
        line.fit = fit_text(i == 0 ? fonts.bold : fonts.regular, label.lines[i], LABEL_TEXT_SIZE,
                            LABEL_MIN_SIZE, sheet.width - 2.0f * LABEL_PADDING, &line.text);
        lines.push_back(std::move(line));
    }
    return lines;
}

int label_sheet_count(int count, int start, const LabelSheetGeometry& sheet) {
    const int per_sheet = sheet.columns * sheet.rows;
    return count == 0 ? 0 : (start - 1 + count + per_sheet - 1) / per_sheet;
}

void draw_labels(PdfDocument* pdf, std::span<const MailingLabel> labels, const LabelSheetGeometry& sheet,
                 int start, bool right_to_left) {
    const int per_sheet = sheet.columns * sheet.rows;
    const int sheets = label_sheet_count(static_cast<int>(labels.size()), start, sheet);
    const float page_height = pdf->page_count > 0 ? HPDF_Page_GetHeight(pdf->pages[0]) : 0.0f;
    const float pitch = LABEL_TEXT_SIZE * LABEL_LINE_PITCH;
    for (size_t i = 0; i < labels.size() && !pdf->failed; ++i) {
        const int slot = start - 1 + static_cast<int>(i);
        const PageTarget target = {
            pdf->pages.get(), slot / per_sheet + 1, sheets, LAYOUT_STANDARD, 0.0f, false, right_to_left};
        const int row = slot % per_sheet / sheet.columns, column = slot % sheet.columns;
        const float left = sheet.left + static_cast<float>(column) * sheet.pitch_x;
        const float top = page_height - sheet.top - static_cast<float>(row) * sheet.pitch_y;
        const std::vector<LabelLine> lines = fit_label(labels[i], pdf->fonts, sheet);
        // The lines' block, from the first line's cap height to the last baseline, centred.
        const float block = LABEL_TEXT_SIZE * 0.7f + static_cast<float>(lines.size() - 1) * pitch;
        float baseline = top - (sheet.height - block) / 2.0f - LABEL_TEXT_SIZE * 0.7f;
        for (size_t l = 0; l < lines.size(); ++l, baseline -= pitch) {
            draw_text_aligned(target, l == 0 ? pdf->fonts.bold : pdf->fonts.regular, lines[l].fit.size,
                              left + LABEL_PADDING, sheet.width - 2.0f * LABEL_PADDING, baseline,
                              lines[l].text.c_str());
        }
    }
}

void report_label_fit(const char* path, std::span<const MailingLabel> labels, const PdfFonts& fonts,
                      const LabelSheetGeometry& sheet) {
    for (const MailingLabel& label : labels) {
        const std::vector<LabelLine> lines = fit_label(label, fonts, sheet);
        for (size_t l = 0; l < lines.size(); ++l) {
            if (!lines[l].fit.cut) continue;
            say("Warning: %s %s %d (%s): label line %zu is cut to '%s' on the label\n", path, row_word(path),
                label.card->line_number, label.lines[0].c_str(), l + 1, lines[l].text.c_str());
        }
    }
}
