// The editor's undo, the History window's restores, the Apply mod window and
// the Import table window write what the tool's restore, apply and import
// write: the same files and the same history entries (but for their times),
// over copies of one folder; the editor's table export is the tool's.
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

// The rows of a window's list.
std::vector<std::string> rows_of(MemoryForm& w, int list) {
    std::vector<std::string> out;
    for (int i = 0; i < w.item_count(list); ++i) out.push_back(*w.item_text(list, i));
    return out;
}

TEST(EditorTables, ExportAndImportWriteWhatTheToolWrites) {
    const TempDir tool_dir("table-tool"), editor_dir("table-editor"), files("table-files");
    write_fixture_folder(tool_dir.str(), 5);
    write_fixture_folder(editor_dir.str(), 5);
    Editor tool(tool_dir.str()), editor(editor_dir.str());
    // The editor's exports are the tool's, byte for byte, CSV and JSON.
    const std::string csv = (fs::path(files.str()) / "all.csv").string();
    const std::string json = csv.substr(0, csv.size() - 3) + "json";
    for (const std::string& path : {csv, json}) {
        editor.form.answer_path_next(path);
        editor.form.menu(ctl::kExportTable);
        ASSERT_TRUE(editor.form.errors().empty()) << editor.form.errors().front();
    }
    EXPECT_EQ(read_file(csv), run_tool({"export", "-C", tool_dir.str(), "--format", "csv"}).out);
    EXPECT_EQ(read_file(json), run_tool({"export", "-C", tool_dir.str()}).out);
    EXPECT_EQ(editor.form.path_choices(),
              (std::vector<Form::PathChoice>{Form::PathChoice::SaveTable, Form::PathChoice::SaveTable}));

    // A table with one edit and one change a spreadsheet makes ("007" -> "7").
    const std::string table = (fs::path(csv).parent_path() / "edited.csv").string();
    write_file(table, "slot,name,plural\r\n3,007,Imps\r\n");
    ASSERT_EQ(run_tool({"import", "-C", tool_dir.str(), table, "--accept-suspect"}).status, 0);
    editor.form.answer_path_next(table);
    editor.form.on_next_window([](MemoryForm& w) {
        w.answer_next(Form::Answer::Yes);
        w.click(ctl::kImportAll);
    });
    editor.form.menu(ctl::kImportTable);
    ASSERT_TRUE(editor.form.errors().empty()) << editor.form.errors().front();
    ASSERT_EQ(everything(tool_dir.str()), everything(editor_dir.str()));
    write_file(table, "slot,name,plural\r\n3,7,Fire Imps\r\n");

    // Held back: listed first with its class; closing writes nothing.
    const auto before = everything(editor_dir.str());
    editor.form.answer_path_next(table);
    editor.form.on_next_window([](MemoryForm& w) {
        const std::vector<std::string> rows = rows_of(w, ctl::kTableChanges);
        ASSERT_EQ(rows.size(), 2u);
        EXPECT_TRUE(rows[0].starts_with("held back (a number-like text rewritten): 3 ")) << rows[0];
        EXPECT_NE(rows[0].find("\"007\" -> \"7\""), std::string::npos) << rows[0];
        EXPECT_NE(rows[1].find("\"Imps\" -> \"Fire Imps\""), std::string::npos) << rows[1];
        EXPECT_NE(w.get_text(ctl::kTableSummary, 1000).find("2 changes; 1 of them held back"), std::string::npos);
        w.answer_next(Form::Answer::No);
        w.click(ctl::kImportWithoutHeld);
        w.click(ctl::kClose);
    });
    editor.form.menu(ctl::kImportTable);
    EXPECT_EQ(everything(editor_dir.str()), before);

    // Left out, as the tool's --drop-suspect: the edit alone, one history entry.
    ASSERT_EQ(run_tool({"import", "-C", tool_dir.str(), table, "--drop-suspect"}).status, 0);
    editor.form.answer_path_next(table);
    editor.form.on_next_window([](MemoryForm& w) {
        w.answer_next(Form::Answer::Yes);
        w.click(ctl::kImportWithoutHeld);
        EXPECT_TRUE(w.errors().empty()) << w.errors().front();
    });
    editor.form.menu(ctl::kImportTable);
    EXPECT_EQ(everything(tool_dir.str()), everything(editor_dir.str()));
    std::vector<HistoryEntry> entries;
    ASSERT_TRUE(list_history(editor_dir.str(), entries).ok());
    EXPECT_EQ(entries.size(), 2u);
    // The shown creature is read again: the form shows what the import wrote.
    editor.form.choose(300, 3);
    EXPECT_EQ(editor.form.get_text(5000, 1000), "Fire Imps");

    // A refusal names the cell, and no window opens.
    write_file(table, "slot,MonstersSetup.vrh@27000\r\n3,seven\r\n");
    editor.form.clear_records();
    editor.form.answer_path_next(table);
    const int opened = editor.form.windows_opened();
    editor.form.menu(ctl::kImportTable);
    ASSERT_EQ(editor.form.errors().size(), 1u);
    EXPECT_NE(editor.form.errors().front().find("row 2, column 2 (B, MonstersSetup.vrh@27000)"), std::string::npos)
        << editor.form.errors().front();
    EXPECT_EQ(editor.form.windows_opened(), opened);
}

}  // namespace
}  // namespace ce
