// The table of list sources that the form's filling and the tool both read.
#include <gtest/gtest.h>

#include <set>

#include "text/list_sources.h"

namespace ce {
namespace {

TEST(ListSources, EveryListOnceAndTheCommonOptionsWithoutGaps) {
    std::set<int> lists;
    for (const ListSource& s : list_sources()) EXPECT_TRUE(lists.insert(s.list).second) << s.list;
    for (int id = 300; id <= 323; ++id) EXPECT_EQ(lists.count(id), id == 304 ? 0u : 1u) << id;

    // The option lists follow the captions one after the other; 320..322 share theirs.
    int next = kCaptionLines;
    for (const ListSource& s : list_sources()) {
        if (s.file != TextKind::Common) continue;
        if (s.joins_previous) continue;
        EXPECT_EQ(s.first_line, next) << s.list;
        EXPECT_GT(s.count, 0) << s.list;
        next = s.first_line + s.count;
    }
    EXPECT_EQ(common_line_count(), next);
    EXPECT_EQ(common_line_count(), 217);
}

TEST(ListSources, JoinedRowsShareTheirSource) {
    const auto sources = list_sources();
    EXPECT_FALSE(sources.front().joins_previous);
    for (std::size_t i = 1; i < sources.size(); ++i) {
        if (!sources[i].joins_previous) continue;
        EXPECT_EQ(sources[i].file, sources[i - 1].file) << sources[i].list;
        EXPECT_EQ(sources[i].first_line, sources[i - 1].first_line) << sources[i].list;
        EXPECT_EQ(sources[i].count, sources[i - 1].count) << sources[i].list;
    }
    // Lists of every line keep at least one entry, even from an empty file.
    const ListSource* creatures = find_list_source(300);
    ASSERT_NE(creatures, nullptr);
    EXPECT_EQ(source_entry_count(*creatures, 0), 1);
    EXPECT_EQ(source_entry_count(*creatures, 1001), 1000);
    EXPECT_EQ(source_entry_count(*find_list_source(308), 0), 10);
    EXPECT_EQ(find_list_source(304), nullptr);
}

}  // namespace
}  // namespace ce
