#include "layout/cover.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <memory>

#include "layout/draw.h"
#include "tests/support/png_writer.h"
#include "tests/support/test_document.h"
#include "tests/support/test_image.h"

namespace {

constexpr float TOLERANCE = 1e-3f;

std::unique_ptr<Settings> cover_settings(const std::string& cover_path, std::vector<const char*> titles,
                                         std::vector<const char*> subtitles) {
    auto s = std::make_unique<Settings>();
    *s = Settings{};
    s->words = default_page_words();
    s->title_font_size = 20;
    s->subtitle_font_size = 10;
    s->title_color[0] = 0.5f;
    s->subtitle_color[2] = 0.25f;
    snprintf(s->picture_paths[SLOT_COVER], PATH_SIZE, "%s", cover_path.c_str());
    for (const char* t : titles) snprintf(s->title_lines[s->title_line_count++], SETTINGS_LINE_SIZE, "%s", t);
    for (const char* t : subtitles)
        snprintf(s->subtitle_lines[s->subtitle_line_count++], SETTINGS_LINE_SIZE, "%s", t);
    return s;
}

// Baselines of the cover's texts, "text@y" in drawing order.
std::string baselines(const PdfPage& page) {
    std::string result;
    for (const PdfText& t : page.texts) {
        char item[128];
        snprintf(item, sizeof item, "%s@%.3f ", t.text.c_str(), t.y);
        result += item;
    }
    return result;
}

TEST(DrawCoverPage, TextBlockIsCentredOnItsEstimate) {
    const struct {
        std::vector<const char*> titles, subtitles;
        const char* expected;
    } cases[] = {
        {{"Spring", "Roster"}, {"2026"}, "Spring@182.375 Roster@162.375 2026@125.125 "},
        {{"Spring"}, {}, "Spring@162.250 "},
        {{}, {"One", "Two"}, "One@168.000 Two@158.000 "},
        {{"Top", "", "Bottom"}, {}, "Top@173.750 Bottom@133.750 "},
        {{}, {}, ""},
    };
    for (const auto& c : cases) {
        TestDocument doc(2, true);
        auto settings = cover_settings("/nonexistent/cover.png", c.titles, c.subtitles);
        draw_cover_page(&doc.pdf, doc.target(2, 4, LAYOUT_BOOKLET), doc.pdf.fonts, BOOKLET_GEOMETRY, nullptr,
                        FULL_IMAGES, *settings);
        std::vector<PdfPage> pages = doc.finish();
        std::string got = baselines(pages[1]);
        EXPECT_EQ(got, std::string("[/nonexistent/cover.png not found]@459.000 ") + c.expected) << c.expected;
        for (const PdfText& t : pages[1].texts) {
            if (t.text == "[/nonexistent/cover.png not found]") continue;  // the file as roster.sdd names it
            bool title = t.font == "Helvetica-Bold";
            EXPECT_EQ(t.size, title ? 20 : 10) << t.text;
            EXPECT_NEAR(t.fill.red, title ? 0.5f : 0.0f, TOLERANCE) << t.text;
            EXPECT_NEAR(t.fill.blue, title ? 0.0f : 0.25f, TOLERANCE) << t.text;
        }
    }
}

TEST(DrawCoverPage, PlaceholderBandAndWhiteBand) {
    TestDocument doc(2, true);
    auto settings = cover_settings("", {}, {});
    draw_cover_page(&doc.pdf, doc.target(1, 4, LAYOUT_BOOKLET), doc.pdf.fonts, BOOKLET_GEOMETRY, nullptr,
                    FULL_IMAGES, *settings);
    std::vector<PdfPage> pages = doc.finish();
    const PdfPage& page = pages[0];
    ASSERT_EQ(page.rects.size(), 2u);
    const struct {
        float y;
        Rgb color;
    } bands[] = {{306, {0.80f, 0.86f, 0.93f}}, {0, {1, 1, 1}}};
    for (int i = 0; i < 2; ++i) {
        EXPECT_TRUE(page.rects[i].filled) << i;
        expect_rect(page.rects[i], 396, bands[i].y, 396, 306, "band " + std::to_string(i));
        EXPECT_NEAR(page.rects[i].color.green, bands[i].color.green, TOLERANCE) << i;
    }
    ASSERT_EQ(page.texts.size(), 1u);
    EXPECT_EQ(page.texts[0].text, "[cover.png not found]");
    EXPECT_EQ(page.texts[0].font, "Helvetica");
    EXPECT_EQ(page.texts[0].size, 9);
    EXPECT_NEAR(page.texts[0].fill.blue, ACCENT_COLOR.blue, TOLERANCE);
    EXPECT_TRUE(page.images.empty());
}

TEST(DrawCoverPage, FitsPictureToTheUpperHalf) {
    const struct {
        int width, height;
        float x, y, drawn_width, drawn_height;
    } cases[] = {
        {800, 600, 396, 305, 396, 297},
        {600, 800, 396 + 83.25f, 296, 229.5f, 306},
        {792, 612, 396, 296, 396, 306},
    };
    for (const auto& c : cases) {
        TestDocument doc(2, true);
        const std::string path = doc.dir.file("cover.png");
        write_rgb_png(path, c.width, c.height);
        auto settings = cover_settings(path, {"Title"}, {});
        TestImage cover(path);
        draw_cover_page(&doc.pdf, doc.target(1, 4, LAYOUT_BOOKLET), doc.pdf.fonts, BOOKLET_GEOMETRY,
                        &cover.image, FULL_IMAGES, *settings);
        std::vector<PdfPage> pages = doc.finish();
        const std::string what = std::to_string(c.width) + "x" + std::to_string(c.height);
        ASSERT_EQ(pages[0].images.size(), 1u) << what;
        const PdfImage& image = pages[0].images[0];
        expect_placement(image, c.x, c.y, c.drawn_width, c.drawn_height, what);
        // Only the white lower band is painted, after the picture.
        ASSERT_EQ(pages[0].rects.size(), 1u) << what;
        EXPECT_NEAR(pages[0].rects[0].y, 0, TOLERANCE) << what;
        EXPECT_EQ(baselines(pages[0]), "Title@162.250 ") << what;
    }
}

}  // namespace
