// The folder's lock between the two worlds: the editor under Wine and a Linux
// program on the same folder (the native tool, or anything that holds the lock
// file with flock) exclude each other, whichever holds it first.
#include <gtest/gtest.h>

#include <windows.h>

#include <fstream>
#include <sstream>
#include <string>

#include "save_fixture.h"
#include "store/folder_lock.h"

namespace ce {
namespace {

using flows::DataFolder;
using flows::kMonstersFile;
using flows::peek;
using flows::retype;
using test::EditorHarness;

constexpr int kSave = 2100;
constexpr const char* kNativeBuild = CE_NATIVE_BUILD;

bool exists(const std::string& path) { return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

// Waits up to `seconds` for the file to (dis)appear.
bool wait_for(const std::string& path, bool present, int seconds) {
    for (int i = 0; i < seconds * 20; ++i) {
        if (exists(path) == present) return true;
        Sleep(50);
    }
    return false;
}

// Runs a shell command line of the host in the background (Wine would wait for it).
bool host_shell(const std::string& line) { return flows::start_host("/bin/sh", "-c \"" + line + " &\""); }

std::string quoted(const std::string& host) { return "'" + host + "'"; }

std::string read_text(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

// A folder whose creature 10 takes a typed speed (edit 212, byte 27000 + slot).
struct SpeedFolder {
    DataFolder folder{18};
    SpeedFolder() {
        auto m = folder.read(kMonstersFile);
        flows::poke(m, 21000 + 4 * 10, 0, 4);
        m[27000 + 10] = 9;
        folder.write(kMonstersFile, m);
    }
    unsigned speed() const { return peek(folder.read(kMonstersFile), 27000 + 10, 1); }
};

class LockAcrossWorlds : public ::testing::Test {
protected:
    void SetUp() override {
        if (flows::host_path("C:\\").empty()) GTEST_SKIP() << "not under Wine";
        if (!exists(windows_name(tool("creatures")))) GTEST_SKIP() << "no native build at " << kNativeBuild;
    }
    static std::string tool(const std::string& name) {
        return std::string(kNativeBuild) + (name == "creatures" ? "/" : "/tests/") + name;
    }
    static std::string windows_name(std::string host) {
        std::replace(host.begin(), host.end(), '/', '\\');
        return "Z:" + host;
    }
};

// While a Linux program holds the folder, the dialog's Save is refused and
// writes nothing; once it lets go, the same Save stores the value.
TEST_F(LockAcrossWorlds, TheDialogsSaveWaitsForALinuxHolderAndIsRefusedWhileItHolds) {
    const struct {
        const char* holder;
        bool native_tool;
    } holders[] = {{"the native tool's lock", true}, {"the flock command", false}};
    for (const auto& h : holders) {
        SCOPED_TRACE(h.holder);
        SpeedFolder f;
        const std::string root = f.folder.root();
        const std::string marker = root + ".held";
        const std::string host_root = flows::host_path(root), host_marker = flows::host_path(marker);
        EditorHarness editor(root);
        editor.choose(300, 10);
        retype(editor, 212, "99");

        const std::string line =
            h.native_tool
                ? quoted(tool("hold_folder_lock")) + " " + quoted(host_root) + " 9 " + quoted(host_marker)
                : "flock " + quoted(host_root + "/" + kLockFileName) + " -c 'touch " + quoted(host_marker) +
                      "; sleep 9; rm -f " + quoted(host_marker) + "'";
        ASSERT_TRUE(host_shell(line + " >/dev/null 2>&1"));
        ASSERT_TRUE(wait_for(marker, true, 20)) << "the holder never took the lock: " << line;

        editor.click(kSave);
        const auto refused = editor.take_errors();
        ASSERT_EQ(refused.size(), 1u);
        EXPECT_NE(refused[0].find("another program is writing this data folder"), std::string::npos) << refused[0];
        EXPECT_EQ(f.speed(), 9u) << "nothing was written";

        ASSERT_TRUE(wait_for(marker, false, 20));
        editor.click(kSave);  // waits out the holder's last moments
        EXPECT_TRUE(editor.take_errors().empty());
        EXPECT_EQ(f.speed(), 99u);
    }
}

// While the editor holds the folder (the lock its Save takes), the native
// tool's import waits, is refused and writes nothing; afterwards it goes through.
TEST_F(LockAcrossWorlds, TheNativeToolIsRefusedWhileTheEditorHoldsTheFolder) {
    SpeedFolder f;
    const std::string root = f.folder.root();
    const std::string table = root + ".json", out = root + ".out", code = root + ".code";
    {
        std::ofstream json(table, std::ios::binary);
        json << "{\"language\": \"English\", \"creatures\": [{\"slot\": 10, \"MonstersSetup.vrh@27000\": 44}]}";
    }
    const std::string line = quoted(tool("creatures")) + " import -C " + quoted(flows::host_path(root)) + " " +
                             quoted(flows::host_path(table)) + " >" + quoted(flows::host_path(out)) + " 2>&1; echo $? >" +
                             quoted(flows::host_path(code));
    auto import_exit = [&]() -> std::string {
        DeleteFileA(code.c_str());
        if (!host_shell("(" + line + ")")) return "not started";
        if (!wait_for(code, true, 30)) return "no exit";
        Sleep(100);  // the shell's echo written whole
        std::string text = read_text(code);
        while (!text.empty() && (text.back() == '\n' || text.back() == '\r')) text.pop_back();
        return text;
    };

    FolderLock editors;
    const Status held = editors.acquire(root, 0);
    ASSERT_TRUE(held.ok()) << held.message();
    EXPECT_EQ(import_exit(), "2");
    EXPECT_NE(read_text(out).find("another program is writing this data folder"), std::string::npos)
        << read_text(out);
    EXPECT_EQ(f.speed(), 9u);

    editors.release();
    EXPECT_EQ(import_exit(), "0") << read_text(out);
    EXPECT_EQ(f.speed(), 44u);
}

}  // namespace
}  // namespace ce
