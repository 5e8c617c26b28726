// The editor and the command-line tool on one folder: a Save keeps what the
// tool wrote while the editor was open.
#include <gtest/gtest.h>

#include <windows.h>

#include <sstream>
#include <string>

#include "cli/commands.h"
#include "save_fixture.h"
#include "store/file_ops.h"

namespace ce {
namespace {

using flows::DataFolder;
using flows::kMonstersFile;
using flows::lines_of;
using flows::peek;
using flows::retype;
using test::EditorHarness;

constexpr int kSave = 2100;

TEST(OutsideChanges, ASaveKeepsANameAndAValueTheToolImportedWhileTheEditorWasOpen) {
    DataFolder folder(18);
    {
        // Creature 10's flags clear, so that edit 212 takes a typed speed.
        auto m = folder.read(kMonstersFile);
        flows::poke(m, 21000 + 4 * 10, 0, 4);
        m[27000 + 20] = 9;
        folder.write(kMonstersFile, m);
    }
    EditorHarness editor(folder.root());
    editor.choose(300, 10);
    ASSERT_EQ(editor.state().current, 10);

    // The tool renames creature 20 and changes its speed.
    const std::string name = lines_of(folder.read(TextKind::Monsters, 0))[21];
    const std::string renamed = name.substr(0, 50) + "Q";
    std::istringstream json("{\"language\": \"English\", \"creatures\": [{\"slot\": 20, \"name\": \"" + renamed +
                            "\", \"MonstersSetup.vrh@27000\": 10}]}");
    std::ostringstream out, err;
    ImportOptions options;
    options.root = folder.root();
    options.file = "-";
    options.format = "json";
    ASSERT_EQ(run_import(options, system_file_ops(), json, out, err), kExitOk) << err.str();
    ASSERT_EQ(editor.form().item_text(300, 20), name);  // the editor has not seen it yet

    // The user edits creature 10 and saves.
    retype(editor, 212, "99");
    editor.click(kSave);
    EXPECT_TRUE(editor.take_errors().empty());

    const auto monsters = folder.read(kMonstersFile);
    EXPECT_EQ(peek(monsters, 27000 + 10, 1), 99u);
    EXPECT_EQ(peek(monsters, 27000 + 20, 1), 10u);
    EXPECT_EQ(lines_of(folder.read(TextKind::Monsters, 0))[21], renamed);
    EXPECT_EQ(editor.form().item_text(300, 20), renamed);
    EXPECT_EQ(editor.state().current, 10);
}

}  // namespace
}  // namespace ce
