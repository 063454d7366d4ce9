#include "layout/compose.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "tests/support/test_document.h"

namespace {

std::vector<Member> people(const char* prefix, int count) {
    std::vector<Member> group(count);
    for (int i = 0; i < count; ++i)
        snprintf(group[i].last_name, sizeof group[i].last_name, "%s%d", prefix, i);
    return group;
}

struct Composed {
    std::vector<PdfPage> pages;
    std::string err;
};

// Composes a document of 8 logical pages with empty member sections and no images.
Composed compose(LayoutMode mode, int callers, int cuers, int label_sequence = 0) {
    const bool booklet = mode != LAYOUT_STANDARD;
    const int page_count = booklet ? 8 : 6;
    TestDocument doc(booklet ? booklet_sides(page_count) : page_count, booklet);
    auto settings = std::make_unique<Settings>();
    *settings = Settings{};
    settings->title_font_size = 20;
    settings->subtitle_font_size = 10;
    settings->label_sequence = label_sequence;
    std::vector<Member> caller_group = people("Caller", callers), cuer_group = people("Cuer", cuers);
    testing::internal::CaptureStderr();
    compose_document(doc.document, doc.pages.data(), page_count, mode,
                     booklet ? BOOKLET_GEOMETRY : STANDARD_GEOMETRY, doc.regular_font, doc.bold_font,
                     *settings, 1, 2, 3, 4, 0, 5, 0, page_count, caller_group.data(), callers,
                     cuer_group.data(), cuers, nullptr, nullptr);
    Composed result;
    result.err = testing::internal::GetCapturedStderr();
    result.pages = doc.finish();
    return result;
}

// Headings ("Caller@584") and card tops ("22,560") of the Callers and Cuers page.
std::string callers_page(const PdfPage& page) {
    std::string result;
    for (const PdfText& t : page.texts) {
        if (t.size == 13) result += t.text + "@" + std::to_string(static_cast<int>(t.y)) + " ";
    }
    for (const PdfRect& r : page.rects) {
        char text[32];
        snprintf(text, sizeof text, "%g,%g ", std::round(r.x), r.y + r.height);
        result += text;
    }
    return result;
}

TEST(ComposeDocument, CallersAndCuersPage) {
    const struct {
        const char* name;
        LayoutMode mode;
        int callers, cuers, page_index;
        const char* expected;
    } cases[] = {
        // Booklet of 8: page 3 is the right half of the second sheet's front (x offset 396).
        {"booklet 3 callers, 1 cuer", LAYOUT_BOOKLET, 3, 1, 2,
         "Caller@584 Cuer@386 418,560 599,560 418,482 418,362 "},
        {"booklet cuers only", LAYOUT_BOOKLET, 0, 2, 2, "Cuer@584 418,560 599,560 "},
        {"booklet nobody", LAYOUT_BOOKLET, 0, 0, 2, ""},
        {"standard 1 caller, 1 cuer", LAYOUT_STANDARD, 1, 1, 2, "Caller@756 Cuer@636 28,732 28,612 "},
        {"standard 4 callers", LAYOUT_STANDARD, 4, 0, 2, "Caller@756 28,732 217,732 405,732 28,654 "},
    };
    for (const auto& c : cases) {
        Composed composed = compose(c.mode, c.callers, c.cuers);
        EXPECT_EQ(callers_page(composed.pages[c.page_index]), c.expected) << c.name;
        EXPECT_EQ(composed.err, "") << c.name;
        // Column order never changes this page.
        Composed by_column = compose(c.mode, c.callers, c.cuers, 1);
        EXPECT_EQ(callers_page(by_column.pages[c.page_index]), c.expected) << c.name << " in column order";
    }
}

TEST(ComposeDocument, ReportsCardsThatRunOffTheCallersPage) {
    const struct {
        LayoutMode mode;
        int callers, cuers;
        const char* err;
    } errors[] = {
        {LAYOUT_BOOKLET, 12, 0, ""},
        {LAYOUT_BOOKLET, 12, 1,
         "Warning: booklet: 1 of 13 caller and cuer cards do not fit on the Callers and Cuers page\n"},
        {LAYOUT_BOOKLET, 20, 2,
         "Warning: booklet: 8 of 22 caller and cuer cards do not fit on the Callers and Cuers page\n"},
        {LAYOUT_STANDARD, 27, 0, ""},
        {LAYOUT_STANDARD, 28, 0,
         "Warning: standard document: 1 of 28 caller and cuer cards do not fit on the Callers and Cuers "
         "page\n"},
    };
    for (const auto& e : errors) {
        Composed composed = compose(e.mode, e.callers, e.cuers);
        EXPECT_EQ(composed.err, e.err) << e.callers << " callers, " << e.cuers << " cuers";
        // Every card is still drawn.
        EXPECT_EQ(composed.pages[2].rects.size(), static_cast<size_t>(e.callers + e.cuers));
    }
}

}  // namespace
