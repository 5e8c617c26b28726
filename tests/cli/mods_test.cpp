// Patches, apply and merge, as properties over seeded random folders: a patch
// applied rebuilds the mod it was made from and a second apply changes
// nothing; a merge of one mod is that mod; a merge of mods on disjoint
// creatures is applying both in either order; the conflicts are exactly the
// fields both mods changed to different values. Then every bad input named.
#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <algorithm>
#include <cstring>
#include <set>
#include <utility>

#include "folder/fields.h"
#include "store/binding.h"
#include "store/layouts.h"
#include "support.h"

namespace ce {
namespace {

using namespace ce::test;

const char* const kLanguageFolder[2] = {"Eng", "Rus"};

// A fixture folder in `language`.
void write_base(const std::string& dir, std::uint64_t seed, int language) {
    fs::create_directories(dir);
    write_fixture_folder(dir, seed);
    std::string lang = read_file(dir + "/Lang");
    lang[0] = static_cast<char>(language);
    write_file(dir + "/Lang", lang);
}

void copy_folder(const std::string& from, const std::string& to) {
    for (const auto& [name, bytes] : snapshot(from)) write_file(to + "/" + name, bytes);
}

std::vector<std::string> split_lines(const std::string& text) {
    std::vector<std::string> lines;
    std::size_t at = 0;
    for (std::size_t end; (end = text.find("\r\n", at)) != std::string::npos; at = end + 2)
        lines.push_back(text.substr(at, end - at));
    return lines;
}

std::string join_lines(const std::vector<std::string>& lines) {
    std::string text;
    for (const std::string& l : lines) text += l + "\r\n";
    return text;
}

// The line of a creature's name, plural and ability in their files.
struct CreatureLine {
    const char* file;
    const char* key;
    int offset;
};
constexpr CreatureLine kCreatureLines[] = {{"Monsters.txt", "name", 1}, {"Plural.txt", "plural", 0},
                                           {"Ability.txt", "ability", 0}};

// Changes creatures `slots` of the folder: about a third of their elements get
// random bytes (any bytes: texts with bytes after their zero, NaNs, values no
// control shows), and about half of their lines in `language` a new text.
void mutate(const std::string& dir, std::uint64_t seed, const std::vector<int>& slots, int language) {
    Random r(seed);
    for (const DataFileInfo& info : data_files()) {
        std::string bytes = read_file(dir + "/" + info.name);
        for (const BindingRow& row : binding_rows(info.id))
            for (int slot : slots) {
                if (r.below(3) != 0) continue;
                const std::size_t at = element_position(row, slot);
                for (std::size_t i = 0; i < row.width; ++i) bytes[at + i] = static_cast<char>(r.below(256));
            }
        write_file(dir + "/" + info.name, bytes);
    }
    for (const CreatureLine& c : kCreatureLines) {
        const std::string path = dir + "/" + kLanguageFolder[language] + "/" + c.file;
        std::vector<std::string> lines = split_lines(read_file(path));
        for (int slot : slots)
            if (r.below(2) == 0) lines[static_cast<std::size_t>(slot + c.offset)] = "Mod " + std::to_string(r.below(1000));
        write_file(path, join_lines(lines));
    }
}

std::vector<int> random_slots(Random& r, int count) {
    std::set<int> slots;
    while (static_cast<int>(slots.size()) < count) slots.insert(r.below(kSlots));
    return {slots.begin(), slots.end()};
}

// The patch that makes `a` into `b`, written to `file`.
void make_patch(const std::string& a, const std::string& b, const std::string& file) {
    const ToolRun d = run_tool({"diff", a, b, "--patch"});
    ASSERT_NE(d.status, 2) << d.err;
    write_file(file, d.out);
}

// The files an apply writes: the six data files and the language files.
std::map<std::string, std::string> data_and_texts(const std::string& dir) {
    std::map<std::string, std::string> files = snapshot(dir);
    files.erase("Lang");
    for (auto it = files.begin(); it != files.end();) it = it->first.starts_with("Pic") ? files.erase(it) : std::next(it);
    return files;
}

// The names of the differing files, for a failure's message.
std::string differing(const std::map<std::string, std::string>& a, const std::map<std::string, std::string>& b) {
    std::string names;
    for (const auto& [name, bytes] : a)
        if (!b.contains(name) || b.at(name) != bytes) names += name + " ";
    for (const auto& [name, bytes] : b)
        if (!a.contains(name)) names += name + "(only in the second) ";
    return names;
}

class Mods : public ::testing::TestWithParam<std::uint64_t> {
protected:
    std::uint64_t seed() const { return GetParam(); }
    int language() const { return static_cast<int>(seed() % 2); }
    // The seed's base folder, and two copies of it to make mods of.
    void base_and_two_copies(const std::string& base, const std::string& one, const std::string& two) const {
        write_base(base, seed(), language());
        copy_folder(base, one);
        copy_folder(base, two);
    }
};

INSTANTIATE_TEST_SUITE_P(Seeds, Mods, ::testing::Values(1, 2, 3, 4, 5, 6));

TEST_P(Mods, ApplyOfDiffRebuildsTheModOnceAndRestoreTakesItBackOut) {
    TempDir dir;
    const std::string base = dir / "base", mod = dir / "mod", target = dir / "target", patch = dir / "mod.json";
    write_base(base, seed(), language());
    copy_folder(base, mod);
    Random r(seed());
    // Every third seed changes every creature: a whole-folder patch.
    std::vector<int> slots(kSlots);
    for (int s = 0; s < kSlots; ++s) slots[static_cast<std::size_t>(s)] = s;
    if (seed() % 3 != 0) slots = random_slots(r, 1 + r.below(40));
    mutate(mod, seed() + 100, slots, language());
    make_patch(base, mod, patch);
    copy_folder(base, target);

    const ToolRun first = run_tool({"apply", "-C", target, patch});
    ASSERT_EQ(first.status, 0) << first.err << first.out.substr(std::min(first.out.find("conflicts"), first.out.size()), 1500);
    EXPECT_EQ(data_and_texts(target), data_and_texts(mod)) << differing(data_and_texts(target), data_and_texts(mod));

    const auto applied = snapshot(target);
    const ToolRun second = run_tool({"apply", "-C", target, patch});
    ASSERT_EQ(second.status, 0) << second.err << second.out.substr(std::min(second.out.find("conflicts"), second.out.size()), 1500);
    EXPECT_NE(second.out.find("nothing to write"), std::string::npos) << second.out.substr(0, 500);
    EXPECT_EQ(snapshot(target), applied);

    const std::size_t entry = first.out.find("history entry ");
    ASSERT_NE(entry, std::string::npos) << first.out.substr(first.out.size() - std::min<std::size_t>(300, first.out.size()));
    const std::string number = first.out.substr(entry + 14, first.out.find(':', entry) - entry - 14);
    const ToolRun restore = run_tool({"restore", "-C", target, number});
    ASSERT_EQ(restore.status, 0) << restore.err;
    EXPECT_EQ(snapshot(target), snapshot(base));
}

TEST_P(Mods, MergeOfOneModIsThatMod) {
    TempDir dir;
    const std::string base = dir / "base", mod = dir / "mod", patch = dir / "mod.json";
    write_base(base, seed(), language());
    copy_folder(base, mod);
    Random r(seed());
    const std::vector<int> slots = random_slots(r, 1 + r.below(60));
    mutate(mod, seed() + 200, slots, language());
    mutate(mod, seed() + 300, random_slots(r, 5), 1 - language());  // the other language's lines too
    write_file(mod + "/Pic/" + std::to_string(slots[0]) + ".jpg", "a portrait of the mod's own");
    make_patch(base, mod, patch);

    const ToolRun folder = run_tool({"merge", base, mod, "-o", dir / "out"});
    ASSERT_EQ(folder.status, 0) << folder.err;
    EXPECT_EQ(snapshot(dir / "out"), snapshot(mod)) << differing(snapshot(dir / "out"), snapshot(mod));

    // A patch carries the data files and the lines of its language.
    const ToolRun from_patch = run_tool({"merge", base, patch, "-o", dir / "out2"});
    ASSERT_EQ(from_patch.status, 0) << from_patch.err;
    auto merged = data_and_texts(dir / "out2"), expected = data_and_texts(mod);
    for (const CreatureLine& c : kCreatureLines) {
        const std::string other = std::string(kLanguageFolder[1 - language()]) + "/" + c.file;
        expected[other] = read_file(base + "/" + other);
    }
    EXPECT_EQ(merged, expected) << differing(merged, expected);
}

TEST_P(Mods, MergeOfDisjointModsIsApplyingBothInEitherOrder) {
    TempDir dir;
    const std::string base = dir / "base", one = dir / "one", two = dir / "two";
    base_and_two_copies(base, one, two);
    Random r(seed());
    std::vector<int> first, second;
    for (int s : random_slots(r, 2 + r.below(80))) (r.below(2) ? first : second).push_back(s);
    mutate(one, seed() + 400, first, language());
    mutate(two, seed() + 500, second, language());
    make_patch(base, one, dir / "one.json");
    make_patch(base, two, dir / "two.json");

    // A folder and a patch of the other mod.
    const ToolRun m = run_tool({"merge", base, one, dir / "two.json", "-o", dir / "out"});
    ASSERT_EQ(m.status, 0) << m.err;
    for (const auto& order : {std::pair{"one.json", "two.json"}, std::pair{"two.json", "one.json"}}) {
        TempDir target;
        copy_folder(base, target.str());
        for (const char* p : {order.first, order.second}) {
            const ToolRun a = run_tool({"apply", "-C", target.str(), dir / p});
            ASSERT_EQ(a.status, 0) << p << ": " << a.err.substr(0, 1000);
        }
        EXPECT_EQ(data_and_texts(dir / "out"), data_and_texts(target.str()))
            << order.first << " first: " << differing(data_and_texts(dir / "out"), data_and_texts(target.str()));
    }
}

// The key of each binding row's field (its text's key for a text row).
std::map<const BindingRow*, std::string> row_keys() {
    std::map<const BindingRow*, std::string> keys;
    for (const Field& f : make_fields())
        if (f.row) keys.emplace(f.row, f.key);
    return keys;
}

TEST_P(Mods, ConflictsAreExactlyTheFieldsBothModsChangedToDifferentValues) {
    TempDir dir;
    const std::string base = dir / "base", one = dir / "one", two = dir / "two";
    base_and_two_copies(base, one, two);
    Random r(seed());
    const std::vector<int> shared = random_slots(r, 1 + r.below(20));
    mutate(one, seed() + 600, shared, language());
    mutate(two, seed() + 700, shared, language());
    // Some of the second mod's changes agree with the first's.
    for (const DataFileInfo& info : data_files()) {
        const std::string b = read_file(base + "/" + info.name), o = read_file(one + "/" + info.name);
        std::string t = read_file(two + "/" + info.name);
        for (const BindingRow& row : binding_rows(info.id))
            for (int slot : shared) {
                const std::size_t at = element_position(row, slot);
                if (r.below(4) == 0 && o.compare(at, row.width, b, at, row.width) != 0)
                    t.replace(at, row.width, o, at, row.width);
            }
        write_file(two + "/" + info.name, t);
    }

    std::set<std::pair<int, std::string>> expected;
    const auto keys = row_keys();
    for (const DataFileInfo& info : data_files()) {
        const std::string b = read_file(base + "/" + info.name), o = read_file(one + "/" + info.name),
                          t = read_file(two + "/" + info.name);
        for (const BindingRow& row : binding_rows(info.id))
            for (int slot = 0; slot < kSlots; ++slot) {
                const std::size_t at = element_position(row, slot);
                const bool one_changed = o.compare(at, row.width, b, at, row.width) != 0;
                const bool two_changed = t.compare(at, row.width, b, at, row.width) != 0;
                if (one_changed && two_changed && o.compare(at, row.width, t, at, row.width) != 0)
                    expected.insert({slot, keys.at(&row)});
            }
    }
    for (const CreatureLine& c : kCreatureLines) {
        const std::string file = std::string("/") + kLanguageFolder[language()] + "/" + c.file;
        const auto b = split_lines(read_file(base + file)), o = split_lines(read_file(one + file)),
                   t = split_lines(read_file(two + file));
        for (int slot = 0; slot < kSlots; ++slot) {
            const auto k = static_cast<std::size_t>(slot + c.offset);
            if (o[k] != b[k] && t[k] != b[k] && o[k] != t[k]) expected.insert({slot, c.key});
        }
    }
    ASSERT_FALSE(expected.empty());

    const ToolRun open = run_tool({"merge", base, one, two, "-o", dir / "out", "--json"});
    ASSERT_EQ(open.status, 1) << open.err;
    EXPECT_FALSE(fs::exists(dir / "out"));
    std::set<std::pair<int, std::string>> found;
    const auto conflicts = nlohmann::json::parse(open.out)["conflicts"];
    for (const auto& c : conflicts) {
        EXPECT_TRUE(c["taken"].is_null());
        found.insert({c["slot"].get<int>(), c["key"].get<std::string>()});
    }
    EXPECT_EQ(found, expected);

    // Settled by precedence: the mod listed last wins each, and the other lost each.
    const ToolRun settled = run_tool({"merge", base, one, two, "-o", dir / "out", "--json", "--precedence", "2,1"});
    ASSERT_EQ(settled.status, 0) << settled.err;
    const auto report = nlohmann::json::parse(settled.out);
    EXPECT_EQ(report["mods"][1]["lost"].size(), expected.size());
    EXPECT_EQ(report["mods"][0]["lost"].size(), 0u);
    for (const DataFileInfo& info : data_files()) {
        const std::string merged = read_file(dir / "out/" + info.name), o = read_file(one + "/" + info.name);
        for (const auto& [slot, key] : expected)
            for (const BindingRow& row : binding_rows(info.id))
                if (keys.at(&row) == key) {
                    const std::size_t at = element_position(row, slot);
                    EXPECT_EQ(merged.compare(at, row.width, o, at, row.width), 0) << key << " of slot " << slot;
                }
    }

    // Applied onto the first mod, the second one's patch finds the same
    // conflicts and writes nothing until a side is named for all of them.
    make_patch(base, two, dir / "two.json");
    const auto before = snapshot(one);
    const ToolRun apply = run_tool({"apply", "-C", one, dir / "two.json"});
    EXPECT_EQ(apply.status, 1) << apply.err;
    EXPECT_EQ(snapshot(one), before);
    const ToolRun folder_wins = run_tool({"apply", "-C", one, dir / "two.json", "--folder-wins"});
    ASSERT_EQ(folder_wins.status, 0) << folder_wins.err;
    for (const DataFileInfo& info : data_files()) {
        const std::string now = read_file(one + "/" + info.name), was = before.at(info.name),
                          t = read_file(two + "/" + info.name), b = read_file(base + "/" + info.name);
        for (const BindingRow& row : binding_rows(info.id)) {
            if (row.kind == Conversion::Text) continue;  // a text and its bytes after are two keys of a patch
            for (int slot : shared) {
                const std::size_t at = element_position(row, slot);
                const bool conflict = expected.contains({slot, keys.at(&row)});
                const bool two_changed = t.compare(at, row.width, b, at, row.width) != 0;
                const std::string& want = conflict || !two_changed ? was : t;
                EXPECT_EQ(now.compare(at, row.width, want, at, row.width), 0) << keys.at(&row) << " of slot " << slot;
            }
        }
    }
}

// --- bad input: each named with its place, nothing written ---------------------

struct BadInput {
    const char* name;
    std::string (*patch)(const std::string& good);  // the patch made from the good one
    const char* said;                                // what the error says
};

std::string replaced(std::string text, const std::string& from, const std::string& to) {
    const std::size_t at = text.find(from);
    if (at != std::string::npos) text.replace(at, from.size(), to);
    return text;
}

const BadInput kBadPatches[] = {
    {"unknown key", [](const std::string& p) { return replaced(p, "MonstersSetup.vrh@27000", "MonstersSetup.vrh@27001"); },
     "line 6, creatures[0] (slot 5), key \"MonstersSetup.vrh@27001\": unknown key"},
    {"value out of range", [](const std::string& p) { return replaced(p, "\"after\": 7}", "\"after\": 70000}"); },
     "line 6, creatures[0] (slot 5), key \"MonstersSetup.vrh@27000\", \"after\": 70000 is outside"},
    {"text too long", [](const std::string& p) { return replaced(p, "\"after\": \"Shaipon II\"", "\"after\": \"" + std::string(70, 'x') + "\""); },
     "line 5, creatures[0] (slot 5), key \"name\", \"after\": the text"},
    {"truncated", [](const std::string& p) { return p.substr(0, p.size() / 2); }, "is it cut short?"},
    {"given twice", [](const std::string& p) { return p + p; }, "line 10, column 1: more text after the patch's end"},
    {"a key twice", [](const std::string& p) { return replaced(p, "\"name\": {", "\"MonstersSetup.vrh@27000\": {\"before\": 5, \"after\": 6},\n      \"name\": {"); },
     "key \"MonstersSetup.vrh@27000\": the key appears twice in this creature"},
    {"a creature twice", [](const std::string& p) { return replaced(p, "  ]\n}", "    ,{\"slot\": 5, \"changes\": {}}\n  ]\n}"); },
     "creatures[1] (slot 5): slot 5 appears again (first in creatures[0])"},
    {"no language", [](const std::string& p) { return replaced(p, "\"language\": \"English\",", ""); },
     "the patch names no \"language\""},
    {"a slot of -0", [](const std::string& p) { return replaced(p, "\"slot\": 5", "\"slot\": -0"); },
     "line 4, creatures[0]: -0 is not a creature slot"},
    {"a slot of 5.0", [](const std::string& p) { return replaced(p, "\"slot\": 5", "\"slot\": 5.0"); },
     "line 4, creatures[0]: 5.0 is not a creature slot"},
};

TEST(ModsBadInput, EachBadPatchIsNamedWithItsPlaceAndNothingIsWritten) {
    TempDir dir;
    const std::string base = dir / "base", mod = dir / "mod";
    fs::create_directories(base);
    write_fixture_folder(base, 7);
    copy_folder(base, mod);
    const std::string good = dir / "good.json";
    write_file(good, "{\n  \"language\": \"English\",\n  \"creatures\": [\n    {\"slot\": 5, \"name\": \"x\", \"changes\": {\n"
                     "      \"name\": {\"caption\": \"Name\", \"before\": \"a\", \"after\": \"Shaipon II\"},\n"
                     "      \"MonstersSetup.vrh@27000\": {\"caption\": \"Speed\", \"before\": 5, \"after\": 7}\n"
                     "    }}\n  ]\n}\n");
    ASSERT_NE(run_tool({"apply", "-C", mod, good, "--patch-wins"}).status, 2);
    copy_folder(base, mod);
    const auto before = snapshot(mod);
    for (const BadInput& bad : kBadPatches) {
        SCOPED_TRACE(bad.name);
        const std::string file = dir / (std::string(bad.name) + ".json");
        write_file(file, bad.patch(read_file(good)));
        const ToolRun a = run_tool({"apply", "-C", mod, file});
        EXPECT_EQ(a.status, 2);
        EXPECT_NE(a.err.find(bad.said), std::string::npos) << a.err;
        EXPECT_NE(a.err.find(file), std::string::npos) << a.err;
        EXPECT_EQ(snapshot(mod), before);
        const ToolRun m = run_tool({"merge", base, file, "-o", dir / "out"});
        EXPECT_EQ(m.status, 2);
        EXPECT_NE(m.err.find(bad.said), std::string::npos) << m.err;
        EXPECT_FALSE(fs::exists(dir / "out"));
    }

    // A patch of English texts onto a Russian folder.
    std::string lang = read_file(mod + "/Lang");
    lang[0] = 1;
    write_file(mod + "/Lang", lang);
    const ToolRun russian = run_tool({"apply", "-C", mod, good});
    EXPECT_EQ(russian.status, 2);
    EXPECT_NE(russian.err.find("line 5, creatures[0] (slot 5), key \"name\": the patch's texts are English and the "
                               "folder's language is Russian"),
              std::string::npos)
        << russian.err;

    // Merges: a MOD that is not a data folder or not there, OUT that exists.
    fs::create_directories(dir / "empty");
    for (const auto& [args, said] :
         {std::pair{std::vector<std::string>{"merge", base, dir / "empty", "-o", dir / "out"}, "MOD1 " + (dir / "empty") + ": not a data folder"},
          std::pair{std::vector<std::string>{"merge", base, mod, dir / "none", "-o", dir / "out"}, "MOD2 " + (dir / "none") + ": no such data folder or patch"},
          std::pair{std::vector<std::string>{"merge", base, mod, "-o", dir / "empty"}, (dir / "empty") + ": exists already"},
          std::pair{std::vector<std::string>{"merge", base, mod, "-o", dir / "none/out"}, std::string("it would be made in does not exist")}}) {
        const ToolRun m = run_tool(args);
        EXPECT_EQ(m.status, 2);
        EXPECT_NE(m.err.find(said), std::string::npos) << m.err;
        EXPECT_FALSE(fs::exists(dir / "out"));
        EXPECT_TRUE(fs::is_empty(dir / "empty"));
    }
}

}  // namespace
}  // namespace ce
