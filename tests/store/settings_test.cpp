#include "store/settings.h"

#include <gtest/gtest.h>

#include "store/file_ops.h"
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
    EXPECT_FALSE(write_creature_index(ops, dir.str(), 999));
    EXPECT_EQ(dir.bytes("Lang"), (Bytes{0, 0xE7, 0x03}));

    // Language 7 stays 7 through the close write; the index stays through a switch.
    dir.write("Lang", {7, 5, 0});
    EXPECT_FALSE(write_creature_index(ops, dir.str(), 12));
    EXPECT_EQ(dir.bytes("Lang"), (Bytes{7, 12, 0}));
    EXPECT_FALSE(write_language(ops, dir.str(), 1));
    EXPECT_EQ(dir.bytes("Lang"), (Bytes{1, 12, 0}));

    // An index of 1200 in the file is kept by a language switch (only shown as 0).
    dir.write("Lang", {0, 0xB0, 0x04});
    EXPECT_FALSE(write_language(ops, dir.str(), 1));
    EXPECT_EQ(dir.bytes("Lang"), (Bytes{1, 0xB0, 0x04}));

    // Short and long files become exactly 3 bytes.
    dir.write("Lang", {});
    EXPECT_FALSE(write_language(ops, dir.str(), 1));
    EXPECT_EQ(dir.bytes("Lang"), (Bytes{1, 0, 0}));
    dir.write("Lang", {1});
    EXPECT_FALSE(write_creature_index(ops, dir.str(), 3));
    EXPECT_EQ(dir.bytes("Lang"), (Bytes{1, 3, 0}));
    dir.write("Lang", {0, 1, 2, 3, 4});
    EXPECT_FALSE(write_language(ops, dir.str(), 0));
    EXPECT_EQ(dir.bytes("Lang"), (Bytes{0, 1, 2}));
    EXPECT_EQ(dir.entries(), std::vector<std::string>{"Lang"});
}

}  // namespace
}  // namespace ce
