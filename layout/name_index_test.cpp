#include "layout/name_index.h"

#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

namespace {

// Every entry is placed once, in order, in the page's columns between the margins; a guide
// letter stands over the first entry of its letter only, never alone at a column's foot.
TEST(NameIndex, EveryEntryOnceUnderItsGuide) {
    const struct {
        const char* what;
        PageGeometry geometry;
        int entries;
        int32_t pages;
    } cases[] = {
        {"none", BOOKLET_GEOMETRY, 0, 0},
        {"one", STANDARD_GEOMETRY, 1, 1},
        {"a booklet page", BOOKLET_GEOMETRY, 60, 1},
        {"continued", BOOKLET_GEOMETRY, 200, 3},
        {"A4 standard", A4_STANDARD_GEOMETRY, 500, 3},
    };
    for (const auto& c : cases) {
        std::vector<IndexEntry> entries;
        for (int i = 0; i < c.entries; ++i)  // 26 letters, some with many names, some with one
            entries.push_back(
                {"Name " + std::to_string(i), std::string(1, static_cast<char>('A' + i / 8 % 26)), 0});
        const std::vector<IndexItem> items = lay_out_index(c.geometry, entries);
        EXPECT_EQ(index_page_count(c.geometry, entries), c.pages) << c.what;
        size_t next = 0;
        for (size_t k = 0; k < items.size(); ++k) {
            const IndexItem& item = items[k];
            const float top = c.geometry.page_height - c.geometry.margin_y;
            EXPECT_TRUE(item.baseline >= c.geometry.margin_y && item.baseline < top)
                << c.what << " item " << k;
            EXPECT_LT(item.column, c.geometry.columns) << c.what;
            if (item.guide) {
                EXPECT_TRUE(item.entry == 0 || entries[item.entry].guide != entries[item.entry - 1].guide)
                    << c.what;
                ASSERT_LT(k + 1, items.size()) << c.what;
                EXPECT_TRUE(items[k + 1].entry == item.entry && !items[k + 1].guide &&
                            items[k + 1].column == item.column && items[k + 1].page == item.page)
                    << c.what << ": the guide of entry " << item.entry << " stands alone";
            } else {
                EXPECT_EQ(item.entry, next++) << c.what;
            }
        }
        EXPECT_EQ(next, entries.size()) << c.what;
    }
}

}  // namespace
