// Writing the demo folder, the command line, portraits, and the editor
// opening the folder.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <set>
#include <string>
#include <vector>

#include "demo_fixture.h"
#include "form/editor.h"
#include "form/memory_form.h"
#include "store/layouts.h"
#include "store/whole_file.h"

namespace ce {
namespace {

using demo_test::file;
using demo_test::seed1;
using demo_test::TempDir;
namespace fs = std::filesystem;

std::vector<std::uint8_t> read_file(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// Width and height from a JPEG's start-of-frame segment, {0, 0} when none.
std::pair<int, int> jpeg_size(const std::vector<std::uint8_t>& j) {
    if (j.size() < 4 || j[0] != 0xFF || j[1] != 0xD8) return {0, 0};
    std::size_t at = 2;
    while (at + 9 < j.size() && j[at] == 0xFF) {
        const std::uint8_t marker = j[at + 1];
        const std::size_t length = static_cast<std::size_t>(j[at + 2] << 8 | j[at + 3]);
        if (marker >= 0xC0 && marker <= 0xC2)
            return {j[at + 7] << 8 | j[at + 8], j[at + 5] << 8 | j[at + 6]};
        at += 2 + length;
    }
    return {0, 0};
}

TEST(DemoPortraits, EveryThirdCreatureHasAPortraitAndOneIsLarger) {
    int count = 0;
    std::set<std::uint64_t> distinct;  // FNV-1a of each picture
    for (const DemoFile& f : seed1()) {
        if (f.name.rfind(std::string("Pic") + kPathSeparator, 0) != 0) continue;
        ++count;
        std::uint64_t hash = 14695981039346656037ull;
        for (const std::uint8_t byte : f.bytes) hash = (hash ^ byte) * 1099511628211ull;
        distinct.insert(hash);
        const int slot = std::stoi(f.name.substr(4));
        EXPECT_EQ(f.name, data_path("Pic", std::to_string(slot) + ".jpg"));  // no leading zeros
        EXPECT_TRUE(demo_has_portrait(slot)) << f.name;
        ASSERT_GE(f.bytes.size(), 4u);
        EXPECT_EQ(f.bytes[f.bytes.size() - 2], 0xFF);
        EXPECT_EQ(f.bytes[f.bytes.size() - 1], 0xD9);
        const auto size = jpeg_size(f.bytes);
        if (slot == demo_slot::kLargePortrait)
            EXPECT_EQ(size, std::make_pair(kLargePortraitSize, kLargePortraitSize));
        else
            EXPECT_EQ(size, std::make_pair(kPortraitWidth, kPortraitHeight)) << f.name;
    }
    EXPECT_EQ(count, 335);  // 0, 3, ..., 999 and 7
    EXPECT_EQ(distinct.size(), 335u);
    EXPECT_TRUE(demo_has_portrait(0));
    EXPECT_FALSE(demo_has_portrait(1));
}

TEST(DemoFolder, WrittenFolderMatchesTheFilesAndTheEditorAcceptsIt) {
    TempDir dir("write");
    ASSERT_TRUE(write_demo((dir.path() / "new" / "data").string(), seed1(), false).ok());
    const fs::path root = dir.path() / "new" / "data";
    for (const DemoFile& f : seed1()) EXPECT_TRUE(read_file(root / f.name) == f.bytes) << f.name;
    EXPECT_TRUE(startup_faults(root.string()).empty());
    for (const Fault& fault : startup_faults(root.string())) ADD_FAILURE() << fault;
}

TEST(DemoFolder, RefusesToReplaceExistingDataUnlessForced) {
    TempDir dir("existing");
    fs::create_directories(dir.path() / "Eng");
    const std::string mine = "my own creatures\r\n";
    std::ofstream(dir.path() / "Eng" / "Monsters.txt", std::ios::binary) << mine;
    {
        const Status error = write_demo(dir.str(), seed1(), false);
        ASSERT_FALSE(error.ok());
        EXPECT_NE(error.message().find(std::string("Eng") + kPathSeparator + "Monsters.txt"), std::string::npos)
            << error.fault();
        EXPECT_NE(error.message().find("--force"), std::string::npos) << error.fault();
        const auto kept = read_file(dir.path() / "Eng" / "Monsters.txt");
        EXPECT_EQ(std::string(kept.begin(), kept.end()), mine);
        EXPECT_FALSE(fs::exists(dir.path() / "MonstersSetup.vrh"));  // nothing written
    }
    ASSERT_TRUE(write_demo(dir.str(), seed1(), true).ok());
    EXPECT_TRUE(read_file(dir.path() / "Eng" / "Monsters.txt") == file(seed1(), "Eng/Monsters.txt"));
    // An empty folder, or one with other files, takes the demo without --force.
    TempDir other("other");
    fs::create_directories(other.path());
    std::ofstream(other.path() / "notes.txt") << "keep";
    EXPECT_TRUE(write_demo(other.str(), seed1(), false).ok());
    EXPECT_TRUE(fs::exists(other.path() / "notes.txt"));
}

TEST(DemoFolder, ReportsAFolderThatCannotBeMade) {
    TempDir dir("unwritable");
    fs::create_directories(dir.path());
    std::ofstream(dir.path() / "plain-file") << "x";
    // A folder below a plain file cannot be made.
    const Status below = write_demo((dir.path() / "plain-file" / "demo").string(), seed1(), false);
    ASSERT_FALSE(below.ok());
    EXPECT_NE(below.message().find("cannot create the folder"), std::string::npos) << below.fault();
    // The folder named is itself a plain file.
    const Status itself = write_demo((dir.path() / "plain-file").string(), seed1(), false);
    ASSERT_FALSE(itself.ok());
    EXPECT_NE(itself.message().find("not a folder"), std::string::npos) << itself.fault();
    EXPECT_FALSE(write_demo("", seed1(), false).ok());
}

DemoArgs parse(std::vector<std::string> args) { return parse_demo_args(args); }

TEST(DemoFolder, AFolderInPlaceOfADataFileIsNamedEvenWhenForced) {
    TempDir dir("folder-in-place");
    fs::create_directories(dir.path() / "MonstersSetup.vrh");
    const Status error = write_demo(dir.str(), seed1(), true);
    ASSERT_FALSE(error.ok());
    EXPECT_EQ(error.message(), "cannot write the demo data: " + (dir.path() / "MonstersSetup.vrh").string() + ": is a folder");
    EXPECT_TRUE(fs::is_directory(dir.path() / "MonstersSetup.vrh"));
}

TEST(DemoArguments, FolderSeedForceAndHelp) {
    const DemoArgs plain = parse({"out"});
    EXPECT_EQ(plain.error, "");
    EXPECT_EQ(plain.dir, "out");
    EXPECT_EQ(plain.seed, 1u);
    EXPECT_FALSE(plain.force);

    const DemoArgs seeded = parse({"--seed", "42", "out", "--force"});
    EXPECT_EQ(seeded.error, "");
    EXPECT_EQ(seeded.seed, 42u);
    EXPECT_EQ(seeded.dir, "out");
    EXPECT_TRUE(seeded.force);
    EXPECT_EQ(parse({"out", "--seed=18446744073709551615"}).seed, 18446744073709551615u);
    EXPECT_EQ(parse({"out", "--seed", "0"}).seed, 0u);

    EXPECT_TRUE(parse({"--help"}).help);
    EXPECT_EQ(parse({"--help"}).error, "");
    EXPECT_NE(demo_usage().find("creatures-demo DIR [--seed N]"), std::string::npos);

    for (const std::vector<std::string>& bad : std::vector<std::vector<std::string>>{
             {},
             {"--seed", "5"},
             {"out", "--seed"},
             {"out", "--seed", "-3"},
             {"out", "--seed", "12x"},
             {"out", "--seed", ""},
             {"out", "--seed=18446744073709551616"},
             {"out", "--colour"},
             {"a", "b"}}) {
        std::string joined;
        for (const auto& a : bad) joined += "[" + a + "]";
        EXPECT_NE(parse(bad).error, "") << joined;
    }
}

TEST(DemoArguments, DoubleDashEndsTheOptions) {
    const DemoArgs dashed = parse({"--seed", "3", "--", "-dm2"});
    EXPECT_EQ(dashed.error, "");
    EXPECT_EQ(dashed.dir, "-dm2");
    EXPECT_EQ(dashed.seed, 3u);
    EXPECT_EQ(parse({"--", "--force"}).dir, "--force");
    EXPECT_FALSE(parse({"--", "--force"}).force);
    EXPECT_EQ(parse({"--", "--"}).dir, "--");
    EXPECT_NE(parse({"--"}).error, "");            // still a folder to name
    EXPECT_NE(parse({"a", "--", "b"}).error, "");  // and only one
}

// The editor opens the folder, shows the unusual slots, and a Save without
// changes leaves every data file as it was.
TEST(DemoFolder, EditorShowsAndSavesTheUnusualSlotsUnchanged) {
    TempDir dir("editor");
    ASSERT_TRUE(write_demo(dir.str(), seed1(), false).ok());
    EditorState state;
    state.root = dir.str();
    MemoryForm form;
    form.set_command_sink([&](std::uint32_t wparam) { on_command(state, form, wparam); });
    on_initialise(state, form);
    EXPECT_EQ(form.get_text(2100, 100), "Save");
    EXPECT_EQ(form.get_text(2003, 100), "Creature 0");
    EXPECT_EQ(form.item_count(300), 1000);
    EXPECT_EQ(form.item_count(303), 100);
    for (const int slot : {demo_slot::kNegativeNumber, demo_slot::kListNoEntry, demo_slot::kCheckTwo,
                           demo_slot::kRadioMinusOne, demo_slot::kRadioNine, demo_slot::kAmmoNoZero,
                           demo_slot::kCodeNoZero, demo_slot::kBigFloat}) {
        SCOPED_TRACE("slot " + std::to_string(slot));
        form.choose(300, slot);
        ASSERT_EQ(state.current, slot);
        if (slot == demo_slot::kNegativeNumber) { EXPECT_EQ(form.get_text(70, 100), "4294967289"); }
        if (slot == demo_slot::kListNoEntry) { EXPECT_EQ(form.selected_item(308), -1); }
        if (slot == demo_slot::kRadioMinusOne) { EXPECT_EQ(form.get_check(2008), 1); }
        if (slot == demo_slot::kBigFloat) { EXPECT_EQ(form.get_text(5002, 100), "12345"); }
        std::vector<std::vector<std::uint8_t>> before;
        for (const DataFileInfo& info : data_files()) before.push_back(read_file(dir.path() / info.name));
        form.click(2100);
        EXPECT_TRUE(form.errors().empty());
        for (std::size_t i = 0; i < data_files().size(); ++i)
            EXPECT_TRUE(read_file(dir.path() / data_files()[i].name) == before[i]) << data_files()[i].name;
    }
}

}  // namespace
}  // namespace ce
