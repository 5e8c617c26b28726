// The tool before files that are not what they should be: a pipe in place of
// a data file, of Lang, of a language file or of the import's input never
// holds a command up, and every report says what the file is.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <string>

#include "support.h"

namespace ce {
namespace {

using namespace ce::test;

// A command that waits on a pipe would never return: the alarm ends the test
// program instead, so a hang fails loudly.
class NoHang {
public:
    NoHang() { ::alarm(60); }
    ~NoHang() { ::alarm(0); }
    NoHang(const NoHang&) = delete;
    NoHang& operator=(const NoHang&) = delete;
};

void make_pipe(const std::string& path) {
    fs::remove_all(path);
    ASSERT_EQ(::mkfifo(path.c_str(), 0644), 0) << path;
}

bool has(const std::string& text, const std::string& part) { return text.find(part) != std::string::npos; }

TEST(OddFiles, APipeInPlaceOfADataFileStopsNoCommand) {
    NoHang guard;
    TempDir dir, other;
    write_fixture_folder(dir.str());
    write_fixture_folder(other.str());
    make_pipe(dir / "Ammo.vrh");
    const std::string why = "Ammo.vrh: not a regular file";

    ToolRun r = run_tool({"check", "-C", dir.str()});
    EXPECT_TRUE(has(r.out, "Ammo.vrh: CANNOT BE READ: not a regular file (the editor needs it)")) << r.out;
    r = run_tool({"show", "-C", dir.str(), "5"});
    EXPECT_EQ(r.status, kExitError);
    EXPECT_TRUE(has(r.err, why)) << r.err;
    r = run_tool({"export", "-C", dir.str(), "--format", "csv"});
    EXPECT_EQ(r.status, kExitError);
    EXPECT_TRUE(has(r.err, why)) << r.err;
    r = run_tool({"import", "-C", dir.str(), "--dry-run", "-"}, "{\"creatures\": [{\"slot\": 5, \"name\": \"Zed\"}]}");
    EXPECT_EQ(r.status, kExitError);
    EXPECT_TRUE(has(r.err, why)) << r.err;
    r = run_tool({"diff", dir.str(), other.str()});
    EXPECT_EQ(r.status, kExitError);
    EXPECT_TRUE(has(r.err, why)) << r.err;
    EXPECT_TRUE(fs::is_fifo(dir / "Ammo.vrh"));
}

TEST(OddFiles, APipeInPlaceOfALanguageFileOrLangIsReadAsEmptyAndNamed) {
    NoHang guard;
    TempDir dir, other;
    write_fixture_folder(dir.str());
    write_fixture_folder(other.str());
    make_pipe(dir / "Eng/Monsters.txt");
    make_pipe(dir / "Lang");
    const std::string why = "Monsters.txt: not a regular file";

    ToolRun r = run_tool({"check", "-C", dir.str()});
    EXPECT_TRUE(has(r.out, "Eng/Monsters.txt: CANNOT BE READ: not a regular file")) << r.out;
    EXPECT_TRUE(has(r.out, "Lang: cannot be read: not a regular file")) << r.out;
    r = run_tool({"show", "-C", dir.str(), "5"});
    EXPECT_TRUE(has(r.err, why + "; read as empty")) << r.err;
    r = run_tool({"export", "-C", dir.str(), "--format", "csv"});
    EXPECT_TRUE(has(r.err, why + "; its texts are exported empty")) << r.err;
    r = run_tool({"import", "-C", dir.str(), "--dry-run", "-"}, "{\"creatures\": [{\"slot\": 5, \"name\": \"Zed\"}]}");
    EXPECT_TRUE(has(r.out + r.err, why + ", so the text cannot be stored")) << r.out << r.err;
    r = run_tool({"diff", dir.str(), other.str()});
    EXPECT_EQ(r.status, 1) << r.err;  // the pipe reads as an empty file: the names differ
    EXPECT_TRUE(has(r.err, why + "; read as empty")) << r.err;
    EXPECT_TRUE(fs::is_fifo(dir / "Eng/Monsters.txt"));
    EXPECT_TRUE(fs::is_fifo(dir / "Lang"));
}

TEST(OddFiles, TheImportFileIsReadOnlyWhenItIsARegularFile) {
    NoHang guard;
    TempDir dir;
    write_fixture_folder(dir.str());
    const auto before = snapshot(dir.str());
    make_pipe(dir / "input.csv");
    ToolRun r = run_tool({"import", "-C", dir.str(), dir / "input.csv"});
    EXPECT_EQ(r.status, kExitError);
    EXPECT_EQ(r.err, "creatures import: " + (dir / "input.csv") + ": not a regular file\n");
    fs::remove(dir / "input.csv");
    fs::create_directory(dir / "input.csv");
    r = run_tool({"import", "-C", dir.str(), dir / "input.csv"});
    EXPECT_EQ(r.err, "creatures import: " + (dir / "input.csv") + ": is a folder\n");
    fs::create_symlink(dir / "gone.csv", dir / "link.csv");
    r = run_tool({"import", "-C", dir.str(), dir / "link.csv"});
    EXPECT_EQ(r.err, "creatures import: " + (dir / "link.csv") + ": dangling link\n");
    EXPECT_EQ(snapshot(dir.str()), before);
}

TEST(OddFiles, CheckSaysLangIsAFolder) {
    TempDir dir;
    write_fixture_folder(dir.str());
    fs::remove(dir / "Lang");
    fs::create_directory(dir / "Lang");
    const ToolRun r = run_tool({"check", "-C", dir.str()});
    EXPECT_TRUE(has(r.out, "Lang: cannot be read: is a folder (read as English and creature 0; the editor "
                           "cannot store its settings)"))
        << r.out;
    EXPECT_FALSE(has(r.out, "the editor creates it")) << r.out;
}

}  // namespace
}  // namespace ce
