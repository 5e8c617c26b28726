// Restoring one creature from a folder in memory: only its elements and its
// lines come back, in both languages; the other creatures' stay as they are.
#include <gtest/gtest.h>

#include "cli/fixture.h"
#include "folder/folder_bytes.h"
#include "mods/restore.h"
#include "support/temp_dir.h"

namespace ce {
namespace {

using namespace ce::test;

BothLanguages both(const FileBytes& files) { return {dataset_from_bytes("", files, 0), dataset_from_bytes("", files, 1)}; }

// Replaces line `line` of a language file's bytes (CRLF lines) with `text`.
void set_line(std::string& bytes, int line, const std::string& text) {
    std::size_t start = 0;
    for (int k = 0; k < line; ++k) start = bytes.find("\r\n", start) + 2;
    bytes.replace(start, bytes.find("\r\n", start) - start, text);
}

TEST(RestoreCreature, PutsBackTheCreaturesElementsAndLinesAndNothingElse) {
    const TempDir dir("mods-restore");
    write_fixture_folder(dir.str(), 3);
    const FileBytes then = read_folder_bytes(dir.str());
    FileBytes now = then;
    // Slots 5 and 6 changed since: every byte of their Speed, a name, an ability in Russian.
    now["MonstersSetup.vrh"][27005] ^= 0x5A;
    now["MonstersSetup.vrh"][27006] ^= 0x5A;
    set_line(now["Eng/Monsters.txt"], 6, "Changed five");
    set_line(now["Eng/Monsters.txt"], 7, "Changed six");
    set_line(now["Rus/Ability.txt"], 5, "Changed");

    const Result<RestoreFiles> r = restore_creature(both(now), both(then), 5);
    ASSERT_TRUE(r.ok()) << r.fault();
    std::vector<std::string> names;
    for (const auto& [name, bytes] : r->bytes) names.push_back(name);
    EXPECT_EQ(names, (std::vector<std::string>{"Eng/Monsters.txt", "MonstersSetup.vrh", "Rus/Ability.txt"}));
    std::string expected = now["MonstersSetup.vrh"];
    expected[27005] = then.at("MonstersSetup.vrh")[27005];
    EXPECT_EQ(r->bytes.at("MonstersSetup.vrh"), expected);
    EXPECT_EQ(r->read.at("MonstersSetup.vrh"), now["MonstersSetup.vrh"]);
    std::string monsters = then.at("Eng/Monsters.txt");
    set_line(monsters, 7, "Changed six");
    EXPECT_EQ(r->bytes.at("Eng/Monsters.txt"), monsters);
    EXPECT_EQ(r->bytes.at("Rus/Ability.txt"), then.at("Rus/Ability.txt"));

    const Result<RestoreFiles> same = restore_creature(both(then), both(then), 5);
    ASSERT_TRUE(same.ok());
    EXPECT_TRUE(same->bytes.empty());
}

TEST(RestoreCreature, RefusesAFolderItCannotUseAndATextReadableOnlyOnOneSide) {
    const TempDir dir("mods-restore");
    write_fixture_folder(dir.str(), 4);
    const FileBytes then = read_folder_bytes(dir.str());
    FileBytes short_file = then;
    short_file["Ammo.vrh"].resize(100);
    EXPECT_FALSE(restore_creature(both(then), both(short_file), 5).ok());
    EXPECT_FALSE(restore_creature(both(short_file), both(then), 5).ok());
    FileBytes no_plural = then;
    no_plural.erase("Rus/Plural.txt");
    const Result<RestoreFiles> half = restore_creature(both(no_plural), both(then), 5);
    ASSERT_FALSE(half.ok());
    EXPECT_NE(half.fault().message().find("the creature's texts cannot be put back"), std::string::npos);
    FileBytes neither = then;
    neither.erase("Eng/Plural.txt");
    EXPECT_TRUE(restore_creature(both(neither), both(neither), 5).ok());
}

}  // namespace
}  // namespace ce
