#include "layout/card.h"

#include <algorithm>
#include <cstdio>

#include "base/message.h"
#include "image/resample.h"
#include "layout/draw.h"
#include "roster/sheet.h"
#include "text/encoding.h"
#include "text/line_break.h"

namespace {

constexpr float CARD_TEXT_INSET = 4.0f;
constexpr float CARD_TOP_SPACE = 5.0f;
constexpr float CARD_OUTLINE_WIDTH = 0.6f;
constexpr RgbColor PHOTO_GROUND = {0.93f, 0.93f, 0.93f};  // a missing photo's frame
constexpr RgbColor INITIALS_GREY = {0.6f, 0.6f, 0.6f};
constexpr float INITIALS_SIZE = 18.0f;

// One cell's text on its way onto the card; `before` is what earlier lines already show
// of it, when it went on from one line to the next.
struct Piece {
    int detail;
    std::string text;
    std::string before;
};

// A card line before fitting: its pieces, printed `gap` apart, and how it is drawn.
struct PendingLine {
    std::vector<Piece> pieces;
    const char* gap;
    bool name;
};

// The fitting of one card: its width, the lines placed so far and the free lines left.
struct CardFitting {
    const PdfFonts& fonts;
    float width;
    int spare;
    CardLayout* layout;
    bool wrap_first;  // beside a photo: a free line is taken before a line is shrunk
};

// The values of one detail: a household card's each person's, split at PERSON_BREAK.
std::vector<std::string> person_values(const std::string& text) {
    std::vector<std::string> values;
    for (size_t at = 0;;) {
        const size_t end = text.find(PERSON_BREAK, at);
        values.push_back(text.substr(at, end == std::string::npos ? end : end - at));
        if (end == std::string::npos) return values;
        at = end + 1;
    }
}

// Adds the line of `kind` holding its details' whole texts (k < 0), or value `k` of each of
// its details that holds several people's, the pieces `gap` apart; none when all are empty.
void add_detail_line(std::vector<PendingLine>* lines, const Member& member, const CardLineDetails& kind,
                     int k) {
    PendingLine line = {{}, kind.gap, false};
    for (int i = 0; i < (kind.first == kind.second ? 1 : 2); ++i) {
        const Detail detail = i == 0 ? kind.first : kind.second;
        std::string value = member.details[detail];
        if (k >= 0) {
            const std::vector<std::string> values = person_values(value);
            value = values.size() > 1 && static_cast<size_t>(k) < values.size() ? values[k] : "";
        }
        if (!value.empty()) line.pieces.push_back({detail, value, ""});
    }
    if (!line.pieces.empty()) lines->push_back(line);
}

// True when a detail of `kind` holds several people's values.
bool split_by_person(const Member& member, const CardLineDetails& kind) {
    return member.details[kind.first].find(PERSON_BREAK) != std::string::npos ||
           member.details[kind.second].find(PERSON_BREAK) != std::string::npos;
}

// The name line, then each detail line that has text, in the card's order. A household's
// details that differ give each person's value a line of its own, detail by detail; where
// its people share a first name (by_person), person by person, each person's lines together
// where the first such detail would be.
std::vector<PendingLine> compose_card(const Member& member, NameOrder order) {
    std::vector<PendingLine> lines;
    lines.push_back({{{CARD_NAME, printed_name(member, order), ""}}, "", true});
    bool people_placed = false;
    for (const CardLineDetails& kind : CARD_LINE_DETAILS) {
        if (!split_by_person(member, kind)) {
            add_detail_line(&lines, member, kind, -1);
            continue;
        }
        for (const Detail detail : {kind.first, kind.second}) {
            const size_t values = person_values(member.details[detail]).size();
            if (values == 1) {
                add_detail_line(&lines, member, {detail, detail, ""}, -1);
            } else if (!member.by_person) {
                for (size_t k = 0; k < values; ++k)
                    add_detail_line(&lines, member, {detail, detail, ""}, static_cast<int>(k));
            }
            if (kind.first == kind.second) break;
        }
        if (!member.by_person || people_placed) continue;
        people_placed = true;
        // One value a person in every split detail (a couple's row adds no values of its own).
        size_t people = 0;
        for (const std::string& text : member.details) people = std::max(people, person_values(text).size());
        for (size_t k = 0; k < people; ++k) {
            for (const CardLineDetails& later : CARD_LINE_DETAILS) {
                if (&later >= &kind && split_by_person(member, later))
                    add_detail_line(&lines, member, later, static_cast<int>(k));
            }
        }
    }
    return lines;
}

std::string joined(const PendingLine& line) {
    std::string text;
    for (const Piece& piece : line.pieces) text += (text.empty() ? "" : line.gap) + piece.text;
    return text;
}

// Fits `text` into one slot and adds it to the card.
TextFit add_fitted(CardFitting* card, const std::string& text, bool name) {
    const TextFont& font = name ? card->fonts.bold : card->fonts.regular;
    CardLine line = {"", {}, name};
    line.fit = fit_text(font, text, name ? CARD_NAME_SIZE : CARD_DETAIL_SIZE,
                        name ? CARD_NAME_MIN_SIZE : CARD_DETAIL_MIN_SIZE, card->width, &line.text);
    card->layout->lines.push_back(line);
    return line.fit;
}

// Notes which pieces of a line cut to `printed` (ending with the ellipsis, or empty)
// the card shows only in part, or not at all.
void note_cut(CardFitting* card, const PendingLine& line, const std::string& printed) {
    const size_t ellipsis = printed.empty() ? 0 : printed.size() - std::string(ELLIPSIS).size();
    const std::string kept = printed.substr(0, ellipsis);
    size_t start = 0;
    for (const Piece& piece : line.pieces) {
        const size_t end = start + piece.text.size();
        if (kept.size() < end) {
            const std::string shown =
                kept.size() > start ? piece.before + kept.substr(start) + ELLIPSIS : std::string();
            card->layout->cuts.push_back({piece.detail, shown, piece.before + piece.text});
        }
        start = end + std::string(line.gap).size();
    }
}

// Puts `text`, the whole of `line`, on one line of the card, cut if it must be.
void place_whole(CardFitting* card, const PendingLine& line, const std::string& text) {
    if (add_fitted(card, text, line.name).cut) note_cut(card, line, card->layout->lines.back().text);
}

// Where a text that does not fit one line is broken: after the last break opportunity
// whose part before it fits at `size`; 0 when there is none.
size_t last_fitting_break(const TextFont& font, const std::vector<size_t>& breaks, const std::string& text,
                          float size, float width) {
    size_t best = 0;
    for (size_t at : breaks) {
        size_t end = at;
        while (end > 0 && text[end - 1] == ' ') --end;
        if (!text_fits(font, std::string_view(text).substr(0, end), size, width)) break;
        best = at;
    }
    return best;
}

// Where a text is broken to go on to the next line: at a break opportunity, the first
// line at the full size if it can be, else at the smallest; failing both, after the
// most whole characters that fit at the smallest size (at least one).
size_t break_point(const TextFont& font, const std::string& text, float wanted, float min, float width) {
    const std::vector<size_t> breaks = line_breaks(text);
    for (float size : {wanted, min}) {
        if (size_t at = last_fitting_break(font, breaks, text, size, width)) return at;
    }
    size_t fits = 0;
    for_each_code_point(text, [&](int32_t, size_t offset, size_t length) {
        if (fits > 0 && !text_fits(font, std::string_view(text).substr(0, offset + length), min, width))
            return false;
        fits = offset + length;
        return true;
    });
    return fits;
}

// Places one pending line on the card: whole when it fits at the smallest size; else, while
// the card has a free line, its first piece on this line and the rest on the next, or a
// single text broken over both; else cut.
void place_line(CardFitting* card, const PendingLine& line) {
    const std::string text = joined(line);
    const TextFont& font = line.name ? card->fonts.bold : card->fonts.regular;
    const float wanted = line.name ? CARD_NAME_SIZE : CARD_DETAIL_SIZE;
    const float min = line.name ? CARD_NAME_MIN_SIZE : CARD_DETAIL_MIN_SIZE;
    const float whole_at = card->wrap_first ? wanted : min;
    if (card->spare == 0 || text_fits(font, text, whole_at, card->width))
        return place_whole(card, line, text);
    if (line.pieces.size() > 1) {
        --card->spare;
        place_line(card, {{line.pieces[0]}, line.gap, line.name});
        place_line(card, {{line.pieces.begin() + 1, line.pieces.end()}, line.gap, line.name});
        return;
    }
    const Piece& piece = line.pieces[0];
    const size_t at = break_point(font, text, wanted, min, card->width);
    if (at == 0 || at >= text.size()) return place_whole(card, line, text);  // one character too wide
    --card->spare;
    std::string first = text.substr(0, at);
    while (!first.empty() && first.back() == ' ') first.pop_back();
    add_fitted(card, first, line.name);
    place_line(card, {{{piece.detail, text.substr(at), piece.before + text.substr(0, at)}}, "", line.name});
}

// The card's initials: the first letter of each name, in `order`.
std::string initials(const Member& member, NameOrder order) {
    const bool family_first = order == FAMILY_NAME_FIRST;
    std::string letters;
    for (const std::string* name : {family_first ? &member.last_name : &member.first_name,
                                    family_first ? &member.first_name : &member.last_name}) {
        for_each_code_point(*name, [&](int32_t, size_t offset, size_t length) {
            letters += name->substr(offset, length);
            return false;
        });
    }
    return letters;
}

// The photo in the card's frame, or the person's initials on a quiet grey.
void draw_card_photo(const PageTarget& target, const PdfFonts& fonts, float x, float y, const Member& member,
                     NameOrder order, HPDF_Image image) {
    const PlacedPage placed = find_page(target);
    const float left = x + PHOTO_INSET, bottom = y - PHOTO_INSET - PHOTO_HEIGHT;
    if (image != nullptr) {
        HPDF_Page_DrawImage(placed.page, image, left + placed.x_offset, bottom, PHOTO_WIDTH, PHOTO_HEIGHT);
        return;
    }
    set_fill(placed.page, PHOTO_GROUND);
    HPDF_Page_Rectangle(placed.page, left + placed.x_offset, bottom, PHOTO_WIDTH, PHOTO_HEIGHT);
    HPDF_Page_Fill(placed.page);
    set_fill(placed.page, INITIALS_GREY);
    draw_text_centered(target, fonts.bold, INITIALS_SIZE, left + PHOTO_WIDTH / 2.0f,
                       bottom + PHOTO_HEIGHT / 2.0f - INITIALS_SIZE / 3.0f, initials(member, order).c_str());
}

}  // namespace

int card_line_count(const Member& member) {
    return static_cast<int>(compose_card(member, GIVEN_NAME_FIRST).size());
}

int section_card_lines(std::span<const Member> members) {
    int lines = CARD_LINES;
    for (const Member& member : members) {
        // Only a household's card has more lines than CARD_LINES.
        const bool several =
            std::any_of(member.details.begin(), member.details.end(),
                        [](const std::string& d) { return d.find(PERSON_BREAK) != std::string::npos; });
        if (several) lines = std::max(lines, std::min(card_line_count(member), MAX_CARD_LINES));
    }
    return lines;
}

int32_t card_rows(const PageGeometry& geometry, int lines) {
    if (lines <= CARD_LINES) return geometry.rows;
    const float room = geometry.page_height - geometry.margin_y - HEADING_CONTENT_DROP - PRINTABLE_EDGE;
    const auto rows = static_cast<int32_t>((room - card_height(lines)) / card_pitch(lines)) + 1;
    return std::clamp(rows, 1, geometry.rows);
}

CardLayout lay_out_card(const Member& member, NameOrder order, const PdfFonts& fonts, float card_width,
                        bool photo, int lines) {
    CardLayout layout;
    const std::vector<PendingLine> pending = compose_card(member, order);
    CardFitting card = {fonts, card_width - 2.0f * CARD_TEXT_INSET - (photo ? PHOTO_SPACE : 0.0f),
                        std::max(lines - static_cast<int>(pending.size()), 0), &layout, photo};
    for (const PendingLine& line : pending) place_line(&card, line);
    return layout;
}

PixelSize photo_pixels(const SourceImage& photo) {
    const PixelSize crop = cropped_size(photo);
    return embedded_size(crop.width, crop.height, PHOTO_WIDTH, PHOTO_HEIGHT, PHOTO_RESOLUTION);
}

void draw_member_card(const PageTarget& target, const PdfFonts& fonts, float x, float card_width, float y,
                      const Member& member, NameOrder order, CardPhoto photo, int lines) {
    PlacedPage placed = find_page(target);
    set_stroke(placed.page, FRAME_GREY);
    HPDF_Page_SetLineWidth(placed.page, CARD_OUTLINE_WIDTH);
    HPDF_Page_Rectangle(placed.page, x + placed.x_offset, y - card_height(lines), card_width,
                        card_height(lines));
    HPDF_Page_Stroke(placed.page);
    const CardLayout layout = lay_out_card(member, order, fonts, card_width, photo.on, lines);
    if (photo.on) {
        // The photo stands where the card starts reading: at its right on a right-to-left page.
        const float photo_x = target.right_to_left ? x + card_width - PHOTO_SPACE - PHOTO_INSET : x;
        draw_card_photo(target, fonts, photo_x, y, member, order, photo.image);
        if (!target.right_to_left) x += PHOTO_SPACE;
        card_width -= PHOTO_SPACE;
    }
    set_fill(placed.page, BLACK);
    float baseline = y - CARD_TOP_SPACE - CARD_NAME_SIZE;
    for (const CardLine& line : layout.lines) {
        draw_text_aligned(target, line.name ? fonts.bold : fonts.regular, line.fit.size, x + CARD_TEXT_INSET,
                          card_width - 2.0f * CARD_TEXT_INSET, baseline, line.text.c_str());
        baseline -= CARD_LINE_PITCH;
    }
}

void report_card_fit(const char* path, const Member& member, NameOrder order,
                     const std::array<std::string, DETAIL_COUNT>& columns, const PdfFonts& fonts,
                     float card_width, ShrunkLines* beside_photos, int lines) {
    const CardLayout layout = lay_out_card(member, order, fonts, card_width, beside_photos != nullptr, lines);
    const std::string name = printed_name(member, order);
    for (size_t i = 0; i < layout.lines.size(); ++i) {
        const TextFit& fit = layout.lines[i].fit;
        if (fit.shrunk && !fit.cut && beside_photos != nullptr) {
            ++beside_photos->count;
            beside_photos->smallest = std::min(beside_photos->smallest, fit.size);
        } else if (fit.shrunk && !fit.cut) {
            say("Warning: %s %s %d: card line %zu of %s is too long, printed at %g pt\n", path,
                row_word(path), member.line_number, i + 1, name.c_str(), fit.size);
        }
    }
    for (const CardCut& cut : layout.cuts) {
        const char* column = cut.detail == CARD_NAME ? "Name" : columns[cut.detail].c_str();
        if (cut.printed.empty()) {
            say("Warning: %s %s %d (%s): %s is left off the card: '%s'\n", path, row_word(path),
                member.line_number, name.c_str(), column, cut.text.c_str());
        } else {
            say("Warning: %s %s %d (%s): %s is cut to '%s' on the card\n", path, row_word(path),
                member.line_number, name.c_str(), column, cut.printed.c_str());
        }
    }
}
