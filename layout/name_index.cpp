#include "layout/name_index.h"

#include <algorithm>

#include "layout/callers_page.h"
#include "layout/draw.h"
#include "layout/fit.h"
#include "layout/folio.h"
#include "text/bidi.h"
#include "text/collate.h"

namespace {

// A person as the index prints and sorts them.
struct IndexPerson {
    PersonName name;
    size_t card;
};

// "Smith, Bob" ("العلي، محمد" in Arabic script); family first "山田 太郎", "王小华"; a single name as it is.
std::string index_text(const PersonName& person, NameOrder order) {
    if (person.first_name.empty() || person.last_name.empty()) {
        return !person.last_name.empty()    ? person.last_name
               : !person.first_name.empty() ? person.first_name
                                            : person.name;
    }
    if (order == FAMILY_NAME_FIRST) return family_first(person.last_name, person.first_name);
    return person.last_name + list_comma(person.last_name) + " " + person.first_name;
}

// The top of the index's columns on its page `page`: under the heading on the first.
float column_top(const PageGeometry& g, int32_t page) {
    const float top = g.page_height - g.margin_y;
    return page == 0 ? top - HEADING_CONTENT_DROP : top - CONTINUATION_TOP_SPACE;
}

constexpr float GUIDE_SPACE_BELOW = 4.0f;

}  // namespace

std::vector<IndexEntry> index_entries(const Roster& roster, const Settings& settings) {
    std::vector<IndexPerson> people;
    for (size_t card = 0; card < roster.people.size(); ++card) {
        const Member& m = roster.people[card];
        people.push_back({{m.first_name, m.last_name, m.name, m.sort_as, m.line_number}, card});
        for (const PersonName& mate : m.housemates) people.push_back({mate, card});
    }
    Collation collation;
    open_collation(&collation, settings.sort_language);
    // What each person sorts by, as a member section sorts them: the reading or the last name,
    // then the first name.
    const auto sorted_by = [](const PersonName& p) -> const std::string& {
        return p.sort_as.empty() ? p.last_name : p.sort_as;
    };
    std::vector<std::pair<std::string, size_t>> keys;
    for (size_t i = 0; i < people.size(); ++i) {
        const PersonName& p = people[i].name;
        keys.emplace_back(sort_key(collation, sorted_by(p)) + '\x01' + sort_key(collation, p.first_name), i);
    }
    std::stable_sort(keys.begin(), keys.end());
    std::vector<std::string> sorted_names;
    for (const auto& [key, i] : keys) sorted_names.push_back(sorted_by(people[i].name));
    const std::vector<std::string> guides = index_labels(settings.sort_language, sorted_names);
    std::vector<IndexEntry> entries;
    for (size_t k = 0; k < keys.size(); ++k) {
        const IndexPerson& person = people[keys[k].second];
        entries.push_back({index_text(person.name, settings.name_order), guides[k], person.card});
    }
    return entries;
}

std::vector<IndexItem> lay_out_index(const PageGeometry& g, std::span<const IndexEntry> entries) {
    std::vector<IndexItem> items;
    int32_t page = 0;
    int column = 0;
    float y = column_top(g, 0);  // the top of the next line
    for (size_t i = 0; i < entries.size(); ++i) {
        const bool guide = i == 0 || entries[i].guide != entries[i - 1].guide;
        const bool at_top = y == column_top(g, page);
        float guide_room =
            guide ? (at_top ? 0.0f : INDEX_GUIDE_GAP) + INDEX_GUIDE_SIZE + GUIDE_SPACE_BELOW : 0;
        if (!at_top && y - guide_room - INDEX_LINE_PITCH < g.margin_y) {  // the next column
            if (++column == g.columns) {
                column = 0;
                ++page;
            }
            y = column_top(g, page);
            guide_room = guide ? INDEX_GUIDE_SIZE + GUIDE_SPACE_BELOW : 0.0f;
        }
        if (guide) {
            items.push_back({page, column, y - guide_room + GUIDE_SPACE_BELOW, i, true});
            y -= guide_room;
        }
        items.push_back({page, column, y - INDEX_SIZE, i, false});
        y -= INDEX_LINE_PITCH;
    }
    return items;
}

int32_t index_page_count(const PageGeometry& geometry, std::span<const IndexEntry> entries) {
    const std::vector<IndexItem> items = lay_out_index(geometry, entries);
    return items.empty() ? 0 : items.back().page + 1;
}

std::vector<int32_t> card_pages(const Roster& roster, const DocumentPages& pages, const PageGeometry& g) {
    std::vector<int32_t> on(roster.people.size(), 0);
    const GroupSizes sizes = group_sizes(roster);
    const std::vector<SectionItem> callers =
        lay_out_callers(g, sizes.callers, sizes.cuers, sizes.callers_lines);
    for (const SectionItem& item : callers) {
        if (item.index < 0) continue;
        const Group group = item.group == 0 ? GROUP_CALLER : GROUP_CUER;
        on[roster.starts[group] + static_cast<size_t>(item.index)] = CALLERS_PAGE + item.page;
    }
    for (const auto& [group, first, lines] :
         {std::tuple{GROUP_MEMBER, pages.members_page, sizes.members_lines},
          std::tuple{GROUP_NEW_DANCER, pages.new_dancers_page, sizes.new_dancers_lines}}) {
        const int32_t per_page = g.columns * card_rows(g, lines);
        for (size_t i = roster.starts[group]; i < roster.starts[group + 1]; ++i)
            on[i] = first + static_cast<int32_t>(i - roster.starts[group]) / per_page;
    }
    return on;
}

void draw_name_index(const PageTarget& first_page, const PageGeometry& g, const PdfFonts& fonts,
                     const PageWords& words, std::span<const IndexEntry> entries,
                     std::span<const int32_t> pages, bool numbered) {
    const std::vector<IndexItem> items = lay_out_index(g, entries);
    for (auto start = items.begin(); start != items.end();) {
        const int32_t p = start->page;
        const auto end =
            std::find_if(start, items.end(), [&](const IndexItem& item) { return item.page != p; });
        const PageTarget page = on_page(first_page, first_page.logical_page + p);
        if (p == 0) {
            draw_top_heading(page, g, fonts, words.index_title, numbered);
        } else if (numbered) {
            draw_running_head(page, g, fonts.regular, words.continued, words.index_title,
                              entries[start->entry].guide.c_str(), entries[(end - 1)->entry].guide.c_str());
        }
        const HPDF_Page handle = find_page(page).page;
        for (auto item = start; item != end; ++item) {
            const float x = reading_x(page, g.page_width, column_x(g, item->column), g.column_width);
            const IndexEntry& entry = entries[item->entry];
            if (item->guide) {
                set_fill(handle, ACCENT_COLOR);
                draw_text_in(page, fonts.bold, INDEX_GUIDE_SIZE, x, g.column_width, item->baseline,
                             entry.guide.c_str());
                continue;
            }
            set_fill(handle, BLACK);
            const std::string number = std::to_string(pages[entry.card]);
            const float number_width = text_width(fonts.regular, number.c_str(), number.size(), INDEX_SIZE);
            // The name at the column's reading edge, its page number at the other.
            const float room = g.column_width - number_width - INDEX_SIZE;
            std::string fitted;
            const TextFit fit =
                fit_text(fonts.regular, entry.text, INDEX_SIZE, INDEX_MIN_SIZE, room, &fitted);
            const bool mirrored = page.right_to_left;
            draw_text_in(page, fonts.regular, fit.size, mirrored ? x + g.column_width - room : x, room,
                         item->baseline, fitted.c_str());
            draw_text(page, fonts.regular, INDEX_SIZE, mirrored ? x : x + g.column_width - number_width,
                      item->baseline, number.c_str());
        }
        start = end;
    }
}
