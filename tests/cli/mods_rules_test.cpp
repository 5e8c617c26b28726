// The rules of patches, apply and merge where a one-line slip would still
// produce a plausible result: each case states what a rule decides and meets
// the tool with the input that tells a right decision from a wrong one.
#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <string>
#include <vector>

#include "store/layouts.h"
#include "support.h"

namespace ce {
namespace {

using namespace ce::test;

void copy_folder(const std::string& from, const std::string& to) {
    for (const auto& [name, bytes] : snapshot(from)) write_file(to + "/" + name, bytes);
}

// A patch of one change of creature `slot`: Speed (MonstersSetup.vrh@27000)
// with the members given (each "\"before\": 5" or the like, or empty).
std::string speed_patch(int slot, const std::string& members) {
    return "{\n  \"language\": \"English\",\n  \"creatures\": [\n    {\"slot\": " + std::to_string(slot) +
           ", \"changes\": {\n      \"MonstersSetup.vrh@27000\": {" + members + "}\n    }}\n  ]\n}\n";
}

// Byte `slot` of Speed's array (one byte a slot).
char& speed_of(std::string& monsters, int slot) { return monsters[27000 + static_cast<std::size_t>(slot)]; }

class ModRules : public ::testing::Test {
protected:
    void SetUp() override {
        fs::create_directories(base);
        write_fixture_folder(base, 11);
        monsters = read_file(base + "/MonstersSetup.vrh");
    }
    TempDir dir;
    const std::string base = dir / "base";
    std::string monsters;
};

TEST_F(ModRules, BytesPastAFileThatSeveralModsChangeStayBasesAndEachModIsNamed) {
    const std::string one = dir / "one", two = dir / "two", three = dir / "three";
    copy_folder(base, one);
    copy_folder(base, two);
    copy_folder(base, three);
    write_file(base + "/Ammo.vrh", read_file(base + "/Ammo.vrh") + "BASE");
    write_file(one + "/Ammo.vrh", read_file(one + "/Ammo.vrh") + "ONE!");
    write_file(two + "/Ammo.vrh", read_file(two + "/Ammo.vrh") + "TWO!!");
    write_file(three + "/Ammo.vrh", read_file(base + "/Ammo.vrh"));  // BASE's bytes: no change

    const ToolRun both = run_tool({"merge", base, one, two, three, "-o", dir / "out", "--json"});
    ASSERT_EQ(both.status, 0) << both.err;
    EXPECT_EQ(read_file(dir / "out/Ammo.vrh"), read_file(base + "/Ammo.vrh"));
    const auto report = nlohmann::json::parse(both.out);
    for (int m : {0, 1}) {
        const std::string left = report["mods"][m]["left_out"].dump();
        EXPECT_NE(left.find("Ammo.vrh: the bytes past its"), std::string::npos) << "MOD" << m + 1 << ": " << left;
    }
    EXPECT_EQ(report["mods"][2]["left_out"].dump().find("Ammo.vrh"), std::string::npos);

    // One mod alone changes them: its bytes are taken, in either place on the line.
    for (const auto& order : {std::vector<std::string>{one, three}, std::vector<std::string>{three, one}}) {
        fs::remove_all(dir / "out1");
        const ToolRun alone = run_tool({"merge", base, order[0], order[1], "-o", dir / "out1"});
        ASSERT_EQ(alone.status, 0) << alone.err;
        EXPECT_EQ(read_file(dir / "out1/Ammo.vrh"), read_file(one + "/Ammo.vrh"));
    }
}

TEST_F(ModRules, PrecedenceSettlesAPatchWhoseBeforeBaseDoesNotHold) {
    // BASE holds neither the patch's "before" nor its "after" for slot 5.
    speed_of(monsters, 5) = 9;
    write_file(base + "/MonstersSetup.vrh", monsters);
    write_file(dir / "other.json", speed_patch(5, "\"before\": 5, \"after\": 7"));

    const ToolRun open = run_tool({"merge", base, dir / "other.json", "-o", dir / "out"});
    EXPECT_EQ(open.status, 1) << open.out << open.err;
    EXPECT_FALSE(fs::exists(dir / "out"));

    const ToolRun named = run_tool({"merge", base, dir / "other.json", "-o", dir / "out", "--precedence", "1"});
    ASSERT_EQ(named.status, 0) << named.out << named.err;
    std::string merged = read_file(dir / "out/MonstersSetup.vrh");
    EXPECT_EQ(speed_of(merged, 5), 7);

    // Beside a folder mod that leaves slot 5 alone, naming the patch last still settles it.
    copy_folder(base, dir / "folder");
    const ToolRun with_folder =
        run_tool({"merge", base, dir / "folder", dir / "other.json", "-o", dir / "out2", "--precedence", "1,2"});
    ASSERT_EQ(with_folder.status, 0) << with_folder.out << with_folder.err;
    merged = read_file(dir / "out2/MonstersSetup.vrh");
    EXPECT_EQ(speed_of(merged, 5), 7);
}

TEST_F(ModRules, BadPrecedenceAndWinnerListsAreRefusedAndWriteNothing) {
    copy_folder(base, dir / "one");
    copy_folder(base, dir / "two");
    struct Case {
        std::vector<std::string> args;
        const char* said;
    };
    const std::vector<Case> merges = {
        {{"--precedence", "0"}, "--precedence"},
        {{"--precedence", "3"}, "--precedence"},
        {{"--precedence", "1,1"}, "--precedence"},
        {{"--precedence", "-1"}, "--precedence"},
        {{"--precedence", "1,x"}, "--precedence"},
    };
    for (const Case& c : merges) {
        std::vector<std::string> args{"merge", base, dir / "one", dir / "two", "-o", dir / "out"};
        args.insert(args.end(), c.args.begin(), c.args.end());
        const ToolRun m = run_tool(args);
        EXPECT_EQ(m.status, 2) << c.args[1] << ": " << m.out << m.err;
        EXPECT_NE(m.err.find(c.said), std::string::npos) << m.err;
        EXPECT_FALSE(fs::exists(dir / "out"));
    }

    write_file(dir / "p.json", speed_patch(5, "\"before\": 9, \"after\": 7"));  // a conflict on slot 5
    const auto before = snapshot(base);
    const std::vector<std::vector<std::string>> applies = {
        {"--patch-wins-for", "5", "--folder-wins-for", "5"},
        {"--patch-wins-for", "0-10", "--folder-wins-for", "5"},
        {"--patch-wins", "--folder-wins"},
    };
    for (const auto& extra : applies) {
        std::vector<std::string> args{"apply", "-C", base, dir / "p.json"};
        args.insert(args.end(), extra.begin(), extra.end());
        const ToolRun a = run_tool(args);
        EXPECT_EQ(a.status, 2) << extra[0] << " " << extra[1] << ": " << a.out << a.err;
        EXPECT_EQ(snapshot(base), before);
    }
}

TEST_F(ModRules, AChangeNeedsBothItsBeforeAndItsAfter) {
    const auto before = snapshot(base);
    const int speed = static_cast<unsigned char>(speed_of(monsters, 5));
    const std::string was = std::to_string(speed);
    const std::vector<std::string> incomplete = {"\"after\": 7", "\"before\": " + was,
                                                 "\"caption\": \"Speed\", \"after\": 7", "\"caption\": \"Speed\"", ""};
    for (const std::string& members : incomplete) {
        SCOPED_TRACE(members);
        write_file(dir / "p.json", speed_patch(5, members));
        const ToolRun a = run_tool({"apply", "-C", base, dir / "p.json", "--patch-wins"});
        EXPECT_EQ(a.status, 2) << a.out << a.err;
        EXPECT_NE(a.err.find("line 5"), std::string::npos) << a.err;
        EXPECT_EQ(snapshot(base), before);
        const ToolRun m = run_tool({"merge", base, dir / "p.json", "-o", dir / "out", "--precedence", "1"});
        EXPECT_EQ(m.status, 2) << m.out << m.err;
        EXPECT_FALSE(fs::exists(dir / "out"));
    }
}

}  // namespace
}  // namespace ce
