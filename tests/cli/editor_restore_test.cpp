// The editor's undo, the History window's restores and the Apply mod window
// write what the tool's restore and apply write: the same files and the same
// history entries (but for their times), over copies of one folder.
#include <gtest/gtest.h>

#include <filesystem>
#include <map>
#include <string>

#include "form/controls.h"
#include "form/editor.h"
#include "form/memory_form.h"
#include "store/history.h"
#include "support.h"

namespace ce {
namespace {

using namespace ce::test;

// Every file under the folder, its history and lock file included (relative
// path -> bytes), each manifest's time left out.
std::map<std::string, std::string> everything(const std::string& root) {
    std::map<std::string, std::string> files;
    for (const auto& item : fs::recursive_directory_iterator(root)) {
        if (!item.is_regular_file()) continue;
        std::string bytes = read_file(item.path());
        if (item.path().extension() == ".entry") {
            const std::size_t at = bytes.find("\ntime ");
            if (at != std::string::npos) bytes.erase(at + 6, bytes.find('\n', at + 1) - at - 6);
        }
        files[fs::relative(item.path(), root).generic_string()] = std::move(bytes);
    }
    return files;
}

// The editor over a folder, on MemoryForm.
struct Editor {
    EditorState state;
    MemoryForm form;
    explicit Editor(const std::string& root) {
        state.root = root;
        form.set_command_sink([this](std::uint32_t command) { (void)on_command(state, form, command); });
        on_initialise(state, form);
    }
    void retype(int id, const std::string& text) {
        form.type(id, std::string(form.get_text(id, 100000).size(), '\b'));
        form.type(id, text);
    }
};

// Two Saves of creature 4 in the editor: its name, plural, ability and values in
// all six data files, then one value again.
void two_saves(Editor& e) {
    e.form.choose(300, 4);
    e.retype(121, "Phoenix");
    e.retype(304, "Embers");
    e.form.choose(317, 1);
    e.form.click(2132);
    e.form.choose(323, 9);
    e.retype(98, "7");
    e.retype(300, "Phoenix");
    e.retype(5000, "Phoenixes");
    e.retype(5001, "Rises again");
    e.form.click(ctl::kSave);
    e.retype(98, "9");
    e.form.click(ctl::kSave);
    ASSERT_TRUE(e.form.errors().empty()) << e.form.errors().front();
}

TEST(EditorRestore, UndoAndTheHistoryWindowWriteWhatTheToolWrites) {
    const TempDir tool_dir("restore-tool"), editor_dir("restore-editor");
    write_fixture_folder(tool_dir.str(), 3);
    write_fixture_folder(editor_dir.str(), 3);
    const auto original = snapshot(tool_dir.str());
    Editor tool(tool_dir.str()), editor(editor_dir.str());
    two_saves(tool);
    two_saves(editor);
    ASSERT_EQ(everything(tool_dir.str()), everything(editor_dir.str()));

    // The undo of the last Save is the restore of creature 4 as before entry 2.
    const ToolRun undo = run_tool({"restore", "-C", tool_dir.str(), "2", "--slot", "4"});
    ASSERT_EQ(undo.status, 0) << undo.err;
    editor.form.answer_next(Form::Answer::Yes);
    editor.form.menu(ctl::kUndoSave);
    EXPECT_TRUE(editor.form.errors().empty()) << editor.form.errors().front();
    EXPECT_EQ(everything(tool_dir.str()), everything(editor_dir.str()));

    // The folder as before entry 1, from the History window: as it was made.
    const ToolRun whole = run_tool({"restore", "-C", tool_dir.str(), "1"});
    ASSERT_EQ(whole.status, 0) << whole.err;
    editor.form.on_next_window([](MemoryForm& w) {
        ASSERT_EQ(w.item_count(ctl::kHistoryEntries), 3);
        w.choose(ctl::kHistoryEntries, 2);  // newest first: entry 1 is the last row
        w.answer_next(Form::Answer::Yes);
        w.click(ctl::kRestoreFolder);
        EXPECT_TRUE(w.errors().empty()) << w.errors().front();
    });
    editor.form.menu(ctl::kHistory);
    EXPECT_EQ(everything(tool_dir.str()), everything(editor_dir.str()));
    EXPECT_EQ(snapshot(editor_dir.str()), original);
    std::vector<HistoryEntry> entries;
    ASSERT_TRUE(list_history(editor_dir.str(), entries).ok());
    ASSERT_EQ(entries.size(), 4u);
    EXPECT_EQ(entries[3].made_by, "restore of entry 1");
}

TEST(EditorApply, TheApplyModWindowWritesWhatTheToolsApplyWrites) {
    const TempDir mod_dir("apply-mod"), tool_dir("apply-tool"), editor_dir("apply-editor");
    for (const TempDir* d : {&mod_dir, &tool_dir, &editor_dir}) write_fixture_folder(d->str(), 4);
    // The mod: creature 4 as two_saves leaves it, against the folder as made.
    {
        Editor author(mod_dir.str());
        two_saves(author);
    }
    const ToolRun diff = run_tool({"diff", "--patch", tool_dir.str(), mod_dir.str()});
    ASSERT_EQ(diff.status, 1) << diff.err;
    const std::string patch = (fs::path(mod_dir.str()) / "phoenix.json").string();
    write_file(patch, diff.out);
    // Both folders changed creature 4's plural themselves since: one conflict.
    Editor tool(tool_dir.str()), editor(editor_dir.str());
    for (Editor* e : {&tool, &editor}) {
        e->form.choose(300, 4);
        e->retype(5000, "Ashes");
        e->form.click(ctl::kSave);
    }
    const ToolRun apply = run_tool({"apply", "-C", tool_dir.str(), patch, "--patch-wins"});
    ASSERT_EQ(apply.status, 0) << apply.err;
    editor.form.answer_path_next(patch);
    editor.form.on_next_window([](MemoryForm& w) {
        EXPECT_FALSE(w.is_enabled(ctl::kApply));
        w.click(ctl::kAllMod);
        w.answer_next(Form::Answer::Yes);
        w.click(ctl::kApply);
        EXPECT_TRUE(w.errors().empty()) << w.errors().front();
    });
    editor.form.menu(ctl::kApplyMod);
    EXPECT_EQ(everything(tool_dir.str()), everything(editor_dir.str()));

    // Saved as a mod from the editor, the changes since a base are what diff --patch writes.
    const TempDir base_dir("apply-base");
    write_fixture_folder(base_dir.str(), 4);
    const std::string saved = (fs::path(base_dir.str()) / "saved.json").string();
    editor.form.answer_path_next(base_dir.str());
    editor.form.answer_path_next(saved);
    editor.form.menu(ctl::kSaveAsMod);
    EXPECT_TRUE(editor.form.errors().empty()) << editor.form.errors().front();
    EXPECT_EQ(read_file(saved), run_tool({"diff", "--patch", base_dir.str(), editor_dir.str()}).out);
}

}  // namespace
}  // namespace ce
