#include "layout/compose.h"

#include <span>
#include <utility>

#include "image/resample.h"
#include "layout/callers_page.h"
#include "layout/cover.h"
#include "layout/draw.h"
#include "layout/image_page.h"
#include "layout/section.h"
#include "layout/typed_page.h"
#include "pdf/embed.h"

namespace {

// The committee or schedule page: typed when roster.sdd gives its block and no picture
// is there, else the picture or its placeholder (never numbered: it fills the page).
void draw_text_or_image_page(PdfDocument* pdf, const PageTarget& target, const PageGeometry& geometry,
                             const TypedPage& typed, const SourceImage* image, const ImageOptions& options,
                             const char* placeholder, bool numbered) {
    if (page_is_typed(typed, image)) {
        draw_typed_page(target, geometry, pdf->fonts, typed, numbered);
    } else {
        draw_image_panel(pdf, target, pdf->fonts.regular, image, options, placeholder, geometry);
    }
}

// Marks where the shop trims the page: at each corner, a line along each edge, outside the
// bleed, in black ink only (finishing writes black as DeviceGray).
void draw_crop_marks(const PageTarget& target, const PageGeometry& g) {
    const PlacedPage placed = find_page(target);
    set_registration_stroke(placed.page);
    HPDF_Page_SetLineWidth(placed.page, 0.25f);
    for (const float x : {0.0f, g.page_width}) {
        for (const float y : {0.0f, g.page_height}) {
            const float out_x = x == 0.0f ? -1.0f : 1.0f, out_y = y == 0.0f ? -1.0f : 1.0f;
            const float left = placed.x_offset + x;
            HPDF_Page_MoveTo(placed.page, left + out_x * CROP_MARK_START, y);
            HPDF_Page_LineTo(placed.page, left + out_x * CROP_MARK_END, y);
            HPDF_Page_MoveTo(placed.page, left, y + out_y * CROP_MARK_START);
            HPDF_Page_LineTo(placed.page, left, y + out_y * CROP_MARK_END);
        }
    }
    HPDF_Page_Stroke(placed.page);
}

}  // namespace

CardPhoto card_photo(PdfDocument* pdf, const RosterImages& images, size_t card) {
    if (card >= images.photos.size() || images.photos[card] == nullptr || pdf->failed) return {true, nullptr};
    return {true, embed_prepared(pdf, *images.photos[card], photo_pixels(*images.photos[card]))};
}

std::vector<CardPhoto> card_photos(PdfDocument* pdf, const Roster& roster, const RosterImages& images) {
    std::vector<CardPhoto> photos;
    for (size_t i = 0; i < roster.people.size(); ++i) photos.push_back(card_photo(pdf, images, i));
    return photos;
}

bool compose_document(PdfDocument* pdf, const DocumentPages& pages, const PageGeometry& geometry,
                      const Settings& settings, const Roster& roster, const RosterImages& images,
                      std::span<const IndexEntry> index) {
    const PageTarget document = {pdf->pages.get(),
                                 COVER_PAGE,
                                 pages.page_count,
                                 pages.mode,
                                 geometry.sheet_width / 2.0f,
                                 settings.binding == BINDING_RIGHT,
                                 pages_right_to_left(settings)};
    const PdfFonts& fonts = pdf->fonts;
    const bool numbered = settings.page_numbers;
    draw_cover_page(pdf, document, fonts, geometry, images.pictures[SLOT_COVER], images.options, settings);
    if (pdf->failed) return false;
    draw_text_or_image_page(
        pdf, on_page(document, COMMITTEE_PAGE), geometry, settings.committee, images.pictures[SLOT_COMMITTEE],
        images.options,
        placeholder_text(settings.words, picture_shown_name(settings, SLOT_COMMITTEE)).c_str(), numbered);
    if (pdf->failed) return false;
    const std::vector<CardPhoto> photos =
        settings.member_photos ? card_photos(pdf, roster, images) : std::vector<CardPhoto>();
    if (pdf->failed) return false;
    const auto photos_of = [&](Group first, Group last) {
        return photos.empty() ? std::span<const CardPhoto>()
                              : std::span(photos).subspan(roster.starts[first],
                                                          roster.starts[last + 1] - roster.starts[first]);
    };
    draw_callers_section(on_page(document, CALLERS_PAGE), geometry, fonts,
                         group_members(roster, GROUP_CALLER), group_members(roster, GROUP_CUER),
                         settings.name_order, settings.words, numbered, photos_of(GROUP_CALLER, GROUP_CUER));
    for (const auto& [group, first_page] :
         {std::pair{GROUP_MEMBER, pages.members_page}, std::pair{GROUP_NEW_DANCER, pages.new_dancers_page}}) {
        draw_member_section(on_page(document, first_page), geometry, fonts, settings.label_sequence,
                            settings.name_order, settings.words, settings.words.group_titles[group],
                            group_members(roster, group), numbered, photos_of(group, group));
    }
    if (pages.index_pages > 0) {
        draw_name_index(on_page(document, pages.index_page), geometry, fonts, settings.words, index,
                        card_pages(roster, pages, geometry), numbered);
    }
    for (int32_t page = pages.first_spare_page;
         settings.spare_pages == SPARE_NOTES && page < pages.schedule_page; ++page) {
        draw_notes_page(on_page(document, page), geometry, fonts, settings.words.notes_title, numbered);
    }
    if (pdf->failed) return false;
    // The schedule is the back cover: it carries no number.
    draw_text_or_image_page(
        pdf, on_page(document, pages.schedule_page), geometry, settings.schedule,
        images.pictures[SLOT_SCHEDULE], images.options,
        placeholder_text(settings.words, picture_shown_name(settings, SLOT_SCHEDULE)).c_str(), false);
    for (int32_t page = COVER_PAGE;
         pages.mode == LAYOUT_PRINT_SHOP && settings.crop_marks && page <= pages.page_count; ++page) {
        draw_crop_marks(on_page(document, page), geometry);
    }
    return !pdf->failed;
}

int planned_picture_sizes(const SourceImage& image, PicturePlace place, const Settings& settings,
                          PictureSize (&sizes)[MAX_PICTURE_SIZES]) {
    int count = 0;
    for (LayoutMode mode : documents_made(settings)) {
        const bool press = mode == LAYOUT_PRINT_SHOP && settings.shop_colour == SHOP_CMYK;
        if (place == PLACE_PHOTO) {  // the same frame in every document
            sizes[count++] = {photo_pixels(image), press};
            continue;
        }
        const PageGeometry geometry = page_geometry(settings.paper_size, mode);
        const FittedSize drawn =
            place == PLACE_COVER
                ? place_cover_image(geometry, image.width, image.height, settings.cover_focus).drawn
                : panel_image_size(geometry, image.width, image.height);
        sizes[count++] = {
            embedded_size(image.width, image.height, drawn.width, drawn.height, settings.image_resolution),
            press};
    }
    return count;
}
