#include "store/settings.h"

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <thread>

#include "store/file_ops.h"
#include "store/folder_lock.h"
#include "support/temp_dir.h"

namespace ce {
namespace {

using Bytes = std::vector<unsigned char>;

TEST(Settings, ReadsLanguageAndIndexWithFallbacks) {
    test::TempDir dir;
    // Missing: everything reads as zero.
    EXPECT_EQ(read_language(dir.str()), 0);
    EXPECT_EQ(read_creature_index(dir.str()), 0);

    dir.write("Lang", {});
    EXPECT_EQ(read_language(dir.str()), 0);
    EXPECT_EQ(read_creature_index(dir.str()), 0);

    dir.write("Lang", {1});
    EXPECT_EQ(read_language(dir.str()), 1);
    EXPECT_EQ(read_creature_index(dir.str()), 0);

    dir.write("Lang", {1, 0xE7, 0x03, 9, 9});
    EXPECT_EQ(read_language(dir.str()), 1);
    EXPECT_EQ(read_creature_index(dir.str()), 999);

    // Index 1200, a negative index and language 7 are used as 0.
    dir.write("Lang", {7, 0xB0, 0x04});
    EXPECT_EQ(read_language(dir.str()), 0);
    EXPECT_EQ(read_creature_index(dir.str()), 0);
    dir.write("Lang", {0xFF, 0xFF, 0xFF});
    EXPECT_EQ(read_language(dir.str()), 0);
    EXPECT_EQ(read_creature_index(dir.str()), 0);
    dir.write("Lang", {0, 0x00, 0x01});
    EXPECT_EQ(read_creature_index(dir.str()), 256);
}

TEST(Settings, WritesKeepTheOtherFieldAndAlwaysThreeBytes) {
    test::TempDir dir;
    FileOps& ops = system_file_ops();

    // A missing file is created by the next write.
    EXPECT_TRUE(write_creature_index(ops, dir.str(), 999).ok());
    EXPECT_EQ(dir.bytes("Lang"), (Bytes{0, 0xE7, 0x03}));

    // Language 7 stays 7 through the close write; the index stays through a switch.
    dir.write("Lang", {7, 5, 0});
    EXPECT_TRUE(write_creature_index(ops, dir.str(), 12).ok());
    EXPECT_EQ(dir.bytes("Lang"), (Bytes{7, 12, 0}));
    EXPECT_TRUE(write_language(ops, dir.str(), 1).ok());
    EXPECT_EQ(dir.bytes("Lang"), (Bytes{1, 12, 0}));

    // An index of 1200 in the file is kept by a language switch (only shown as 0).
    dir.write("Lang", {0, 0xB0, 0x04});
    EXPECT_TRUE(write_language(ops, dir.str(), 1).ok());
    EXPECT_EQ(dir.bytes("Lang"), (Bytes{1, 0xB0, 0x04}));

    // Short and long files become exactly 3 bytes.
    dir.write("Lang", {});
    EXPECT_TRUE(write_language(ops, dir.str(), 1).ok());
    EXPECT_EQ(dir.bytes("Lang"), (Bytes{1, 0, 0}));
    dir.write("Lang", {1});
    EXPECT_TRUE(write_creature_index(ops, dir.str(), 3).ok());
    EXPECT_EQ(dir.bytes("Lang"), (Bytes{1, 3, 0}));
    dir.write("Lang", {0, 1, 2, 3, 4});
    EXPECT_TRUE(write_language(ops, dir.str(), 0).ok());
    EXPECT_EQ(dir.bytes("Lang"), (Bytes{0, 1, 2}));
    // No temporary file is left; the lock file of the folder's writers stays,
    // and the history folder that journals every write (Lang's makes no entry).
    EXPECT_EQ(dir.entries(), (std::vector<std::string>{kLockFileName, kHistoryFolder, "Lang"}));
}

// A write of Lang (the language switch, the editor's close) is a write of the
// folder like any other: it waits while another writer holds the folder.
TEST(Settings, WritesWaitForTheFoldersLock) {
    test::TempDir dir;
    dir.write("Lang", {0, 5, 0});
    for (const bool language : {true, false}) {
        FolderLock other;
        ASSERT_TRUE(other.acquire(dir.str(), 0).ok());
        Status result = Fault("not run");
        std::thread writer([&] {
            result = language ? write_language(system_file_ops(), dir.str(), 1)
                              : write_creature_index(system_file_ops(), dir.str(), 7);
        });
        std::this_thread::sleep_for(std::chrono::milliseconds(300));
        const Bytes while_held = dir.bytes("Lang");
        other.release();
        writer.join();
        EXPECT_EQ(while_held, language ? (Bytes{0, 5, 0}) : (Bytes{1, 5, 0}));
        EXPECT_TRUE(result.ok()) << result.fault();
    }
    EXPECT_EQ(dir.bytes("Lang"), (Bytes{1, 7, 0}));
    FolderLock other;
    ASSERT_TRUE(other.acquire(dir.str(), 0).ok());
    const Status busy = write_language(system_file_ops(), dir.str(), 0, 50);
    ASSERT_FALSE(busy.ok());
    EXPECT_NE(busy.message().find("another program is writing this data folder"), std::string::npos) << busy.fault();
    EXPECT_EQ(dir.bytes("Lang"), (Bytes{1, 7, 0}));
}

// A write of Lang is one write of the folder, journaled, no history entry: a
// Lang with another name (a mod manager's) is rewritten in place, its old
// bytes kept by the journal and never in a backup copy beside it, and nothing
// of the write is left in the history once it is done.
TEST(Settings, AWriteOfLangIsJournaledWithoutAnEntryAndKeepsItsOtherNames) {
    test::TempDir dir;
    test::TempDir elsewhere;
    dir.write("Lang", {0, 5, 0});
    std::filesystem::create_hard_link(dir.file("Lang"), elsewhere.file("Lang"));
    ASSERT_TRUE(write_language(system_file_ops(), dir.str(), 1).ok());
    ASSERT_TRUE(write_creature_index(system_file_ops(), dir.str(), 300).ok());
    EXPECT_EQ(dir.bytes("Lang"), (Bytes{1, 0x2C, 0x01}));
    EXPECT_EQ(elsewhere.bytes("Lang"), (Bytes{1, 0x2C, 0x01}));
    EXPECT_EQ(dir.entries(), (std::vector<std::string>{kLockFileName, kHistoryFolder, "Lang"}));
    std::vector<std::string> left;
    for (const auto& e : std::filesystem::recursive_directory_iterator(dir.file(kHistoryFolder)))
        if (!e.is_directory()) left.push_back(e.path().filename().string());
    EXPECT_TRUE(left.empty()) << left.front();
}

}  // namespace
}  // namespace ce
