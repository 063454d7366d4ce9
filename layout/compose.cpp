#include "layout/compose.h"

#include <span>

#include "layout/callers_page.h"
#include "layout/cover.h"
#include "layout/image_page.h"
#include "layout/section.h"

bool compose_document(PdfDocument* pdf, const DocumentPages& pages, const PageGeometry& geometry,
                      const Settings& settings, const RosterGroups& groups, const RosterImages& images) {
    const PageTarget document = {pdf->pages.get(), COVER_PAGE, pages.page_count, pages.mode};
    const PdfFonts& fonts = pdf->fonts;
    draw_cover_page(pdf, document, fonts, geometry, images.cover, images.options, settings);
    if (pdf->failed) return false;
    draw_image_panel(pdf, on_page(document, COMMITTEE_PAGE), fonts.regular, images.committee, images.options,
                     "[committee.png not found]", geometry);
    if (pdf->failed) return false;
    draw_callers_page(on_page(document, CALLERS_PAGE), geometry, fonts,
                      std::span(groups.callers, groups.caller_count),
                      std::span(groups.cuers, groups.cuer_count), settings.member_csv_path);
    draw_member_section(on_page(document, MEMBERS_PAGE), geometry, fonts, settings.label_sequence, "Members",
                        std::span(groups.members, groups.member_count));
    draw_member_section(on_page(document, pages.new_dancers_page), geometry, fonts, settings.label_sequence,
                        "New Dancers", std::span(groups.new_dancers, groups.new_dancer_count));
    if (pdf->failed) return false;
    draw_image_panel(pdf, on_page(document, pages.schedule_page), fonts.regular, images.schedule,
                     images.options, "[schedule.png not found]", geometry);
    return !pdf->failed;
}
