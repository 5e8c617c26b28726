// The folder's history on the real dialog: three creatures edited and saved in
// turn, then put back entry by entry, byte for byte.
#include <gtest/gtest.h>

#include <windows.h>

#include <string>
#include <vector>

#include "save_fixture.h"
#include "store/file_ops.h"
#include "store/history.h"
#include "store/journal.h"

namespace ce {
namespace {

using flows::DataFolder;
using flows::retype;
using flows::Snapshot;
using test::EditorHarness;

constexpr int kSave = 2100;

// The folder put back as it was before history entry `number`, as a write of
// its own (what `creatures restore` does for a whole entry).
void restore_entry(const std::string& root, int number) {
    FolderBytes before;
    ASSERT_TRUE(folder_before(root, number, before).ok());
    std::vector<PlannedFile> files;
    for (const auto& [name, bytes] : before) {
        ASSERT_TRUE(bytes.has_value()) << name;
        files.push_back({name, std::nullopt, *bytes});
    }
    const Result<Committed> r = commit_folder_write(system_file_ops(), root, files, {"restore", {}});
    ASSERT_TRUE(r.ok()) << r.fault();
}

TEST(HistoryFlow, ThreeSavesOnTheDialogAreRestoredEntryByEntryByteForByte) {
    DataFolder folder(53);
    EditorHarness editor(folder.root());
    std::vector<Snapshot> states{flows::snapshot(folder.root())};
    const int slots[] = {12, 250, 12};
    for (int k = 0; k < 3; ++k) {
        editor.choose(300, slots[k]);
        retype(editor, 300, "Saved " + std::to_string(k));
        retype(editor, 5000, "Plural " + std::to_string(k));
        retype(editor, 5001, "Ability " + std::to_string(k));
        editor.click(kSave);
        ASSERT_TRUE(editor.take_errors().empty());
        states.push_back(flows::snapshot(folder.root()));
        ASSERT_FALSE(states[static_cast<std::size_t>(k) + 1] == states[static_cast<std::size_t>(k)]);
    }
    // A Save that changes nothing adds no entry.
    editor.click(kSave);
    EXPECT_TRUE(editor.take_errors().empty());
    EXPECT_TRUE(flows::snapshot(folder.root()) == states.back());
    std::vector<HistoryEntry> entries;
    ASSERT_TRUE(list_history(folder.root(), entries).ok());
    ASSERT_EQ(entries.size(), 3u);
    for (int k = 0; k < 3; ++k) {
        EXPECT_EQ(entries[static_cast<std::size_t>(k)].made_by,
                  "Save of creature " + std::to_string(slots[k]) + " in the editor");
    }
    editor.escape();  // the close stores the creature index in Lang, outside the history
    ASSERT_TRUE(editor.closed());

    for (int n = 3; n >= 1; --n) {
        SCOPED_TRACE("before entry " + std::to_string(n));
        restore_entry(folder.root(), n);
        Snapshot now = flows::snapshot(folder.root());
        Snapshot want = states[static_cast<std::size_t>(n - 1)];
        now.erase("Lang");
        want.erase("Lang");
        EXPECT_TRUE(now == want);
    }
}

}  // namespace
}  // namespace ce
