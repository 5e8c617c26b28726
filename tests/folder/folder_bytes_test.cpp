// A folder made from its files' bytes is the folder read from disk.
#include <gtest/gtest.h>

#include <filesystem>

#include "cli/fixture.h"
#include "folder/folder_bytes.h"
#include "support/temp_dir.h"

namespace ce {
namespace {

using namespace ce::test;

void expect_same(const Dataset& disk, const Dataset& memory) {
    EXPECT_EQ(disk.language, memory.language);
    EXPECT_EQ(disk.folder.lang_present, memory.folder.lang_present);
    EXPECT_EQ(disk.folder.raw_language, memory.folder.raw_language);
    EXPECT_EQ(disk.folder.raw_creature, memory.folder.raw_creature);
    for (const DataFileInfo& info : data_files()) {
        const DataBytes& a = disk.folder.file(info.id);
        const DataBytes& b = memory.folder.file(info.id);
        EXPECT_EQ(a.present, b.present) << info.name;
        EXPECT_EQ(a.path, b.path) << info.name;
        EXPECT_EQ(a.length, b.length) << info.name;
        EXPECT_EQ(a.bytes, b.bytes) << info.name;
        EXPECT_EQ(a.fault.is(FaultKind::missing), b.fault.is(FaultKind::missing)) << info.name;
    }
    for (std::size_t k = 0; k < 5; ++k) {
        const LanguageText& a = disk.texts[k];
        const LanguageText& b = memory.texts[k];
        EXPECT_EQ(a.name, b.name);
        EXPECT_EQ(a.path, b.path);
        EXPECT_EQ(a.present, b.present) << a.name;
        EXPECT_EQ(a.bytes, b.bytes) << a.name;
        ASSERT_EQ(a.line_count(), b.line_count()) << a.name;
        for (int line = 0; line < a.line_count(); ++line) EXPECT_EQ(a.line(line), b.line(line)) << a.name;
    }
}

TEST(FolderBytes, AFolderFromItsBytesIsTheFolderOnDiskInEitherLanguage) {
    const TempDir dir("folder-bytes");
    write_fixture_folder(dir.str(), 5);
    // Odd files: a data file past its size, one missing, a text with a zero and no last break.
    std::filesystem::remove(dir / "Firewall.vrh");
    write_file(dir / "Eng/Plural.txt", std::string("one\r\ntwo\0after\r\nthree", 21));
    std::filesystem::remove(dir / "Rus/Ability.txt");
    const FileBytes files = read_folder_bytes(dir.str());
    EXPECT_FALSE(files.contains("Firewall.vrh"));
    for (int language : {-1, 0, 1}) expect_same(load_dataset(dir.str(), language), dataset_from_bytes(dir.str(), files, language));
}

}  // namespace
}  // namespace ce
