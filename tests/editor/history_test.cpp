// The folder's history in the editor: the History window lists every entry
// newest first with what it changed, its two restores, and the undo of the
// shown creature's last Save, with and without unsaved changes.
#include <gtest/gtest.h>

#include <string>

#include "editor/session.h"
#include "form/controls.h"
#include "form/history_window.h"
#include "store/history.h"

namespace ce {
namespace {

using fixture::Session;

constexpr int kEdit = 76;  // MonstersSetup.vrh, the number block's seventh value

std::vector<HistoryEntry> history_of(const Session& s) {
    std::vector<HistoryEntry> entries;
    EXPECT_TRUE(list_history(s.state.root, entries).ok());
    return entries;
}

// Shows creature `slot`, types `value` into the edit and saves.
void save_value(Session& s, int slot, const std::string& value) {
    s.choose_creature(slot);
    s.retype(kEdit, value);
    s.form.click(ctl::kSave);
    ASSERT_TRUE(s.form.errors().empty()) << s.form.errors().front();
}

bool contains(const std::string& text, const std::string& part) { return text.find(part) != std::string::npos; }

TEST(Undo, PutsTheCreatureBackAsBeforeItsLastSaveAndAsksFirst) {
    struct Case {
        const char* what;
        bool unsaved;
        Form::Answer answer;
        bool undone;
    };
    for (const Case& c : {Case{"clean, yes", false, Form::Answer::Yes, true},
                          Case{"clean, no", false, Form::Answer::No, false},
                          Case{"unsaved, yes", true, Form::Answer::Yes, true},
                          Case{"unsaved, cancel", true, Form::Answer::Cancel, false}}) {
        SCOPED_TRACE(c.what);
        Session s(5);
        s.start();
        s.choose_creature(31);
        const std::string shown = s.form.get_text(kEdit, 20);
        const auto before = s.folder.snapshot();
        save_value(s, 31, "123456789");
        const auto saved = s.folder.snapshot();
        if (c.unsaved) s.retype(70, "77");
        s.form.answer_next(c.answer);
        s.form.menu(ctl::kUndoSave);
        ASSERT_EQ(s.form.questions().size(), 1u);
        EXPECT_EQ(contains(s.form.questions()[0], "not saved"), c.unsaved) << s.form.questions()[0];
        EXPECT_TRUE(contains(s.form.questions()[0], "entry 1")) << s.form.questions()[0];
        EXPECT_TRUE(s.form.errors().empty());
        const std::vector<HistoryEntry> entries = history_of(s);
        if (!c.undone) {
            EXPECT_EQ(entries.size(), 1u);
            EXPECT_TRUE(s.folder.snapshot().bytes == saved.bytes);
            continue;
        }
        // Byte for byte as before the Save, one more entry, and the form shows it.
        EXPECT_TRUE(s.folder.snapshot().bytes == before.bytes);
        ASSERT_EQ(entries.size(), 2u);
        EXPECT_EQ(entries[1].made_by, "restore of entry 1 for creature 31");
        EXPECT_EQ(entries[1].slots, std::vector<int>{31});
        EXPECT_EQ(s.form.get_text(kEdit, 20), shown);
        if (c.unsaved) {
            EXPECT_NE(s.form.get_text(70, 20), "77");  // dropped
        }
        EXPECT_FALSE(has_unsaved_changes(s.state.shown, s.form));
        // That Save is undone: nothing older of creature 31 is left to undo.
        s.form.clear_records();
        s.form.menu(ctl::kUndoSave);
        EXPECT_TRUE(s.form.questions().empty());
        ASSERT_EQ(s.form.errors().size(), 1u);
        EXPECT_TRUE(contains(s.form.errors()[0], "no Save")) << s.form.errors()[0];
    }
}

TEST(Undo, WalksBackThroughTheCreaturesSavesAndLeavesOthersAlone) {
    // Oldest first: what wrote each entry, and the Save the undo of creature 4 takes.
    const auto entry = [](EntryNumber n, std::string made_by) {
        HistoryEntry e;
        e.number = n;
        e.made_by = std::move(made_by);
        return e;
    };
    const std::vector<HistoryEntry> entries = {
        entry(1, "Save of creature 4 in the editor"), entry(2, "Save of creature 4 in the editor"),
        entry(3, "Save of creature 5 in the editor"), entry(4, "restore of entry 2 for creature 4"),
        entry(5, "import of 3 slots"),                entry(6, "Save of creature 44 in the editor")};
    EXPECT_EQ(last_save_to_undo(entries, 4), 1);
    EXPECT_EQ(last_save_to_undo(entries, 5), 3);
    EXPECT_EQ(last_save_to_undo(entries, 44), 6);
    EXPECT_EQ(last_save_to_undo(entries, 0), std::nullopt);
    std::vector<HistoryEntry> whole = entries;
    whole.push_back(entry(7, "restore of entry 3"));
    EXPECT_EQ(last_save_to_undo(whole, 5), std::nullopt);
    // Nobody's Save in another's words: a lookalike record is not a Save.
    EXPECT_EQ(last_save_to_undo({entry(1, "Save of creature 4 in the editor!")}, 4), std::nullopt);

    EXPECT_EQ(entry_author(0, "Save of creature 4 in the editor").flat(), "Save of creature 4 in the editor");
    EXPECT_EQ(entry_author(0, "restore of entry 2 for creature 4").flat(), "Restore of creature 4 as before entry 2");
    EXPECT_EQ(entry_author(0, "restore of entry 12").flat(), "Restore of the folder as before entry 12");
    EXPECT_EQ(entry_author(0, "import of 3 slots").flat(), "Import of a table (3 creatures)");
    EXPECT_EQ(entry_author(0, "apply of patch fire.json").flat(), "Apply of the mod fire.json");
    EXPECT_EQ(entry_author(0, "someone\x01").flat(), "\"someone\\u0001\"");
}

TEST(HistoryWindow, ListsTheEntriesNewestFirstWithWhatEachChanged) {
    Session s(6);
    s.start();
    save_value(s, 31, "123456789");
    s.choose_creature(40);
    s.retype(5000, "Forty plural");
    save_value(s, 40, "42");
    s.form.click(ctl::kRussian);  // a write of Lang: no entry
    bool ran = false;
    s.form.on_next_window([&](MemoryForm& w) {
        ran = true;
        EXPECT_EQ(w.get_text(ctl::kRestoreFolder, 200), message_text(1, MessageKey::history_restore_folder));
        ASSERT_EQ(w.item_count(ctl::kHistoryEntries), 2);
        EXPECT_EQ(w.selected_item(ctl::kHistoryEntries), 0);
        const std::string newest = *w.item_text(ctl::kHistoryEntries, 0);
        EXPECT_EQ(newest.substr(0, 4), "2   ");
        EXPECT_TRUE(contains(newest, say(1, MessageKey::history_by_save, {{"slot", 40}}).flat())) << newest;
        EXPECT_TRUE(contains(newest, "MonstersSetup.vrh")) << newest;
        // Each row: the creature, the field's caption, before -> after (a Save may
        // also store what its interlocks reset).
        const auto rows = [&w] {
            std::vector<std::string> out;
            for (int i = 0; i < w.item_count(ctl::kHistoryChanges); ++i) out.push_back(*w.item_text(ctl::kHistoryChanges, i));
            return out;
        };
        const auto has_row = [](const std::vector<std::string>& all, const std::string& head, const std::string& tail) {
            for (const std::string& row : all)
                if (row.substr(0, head.size()) == head && row.size() >= tail.size() &&
                    row.compare(row.size() - tail.size(), tail.size(), tail) == 0)
                    return true;
            return false;
        };
        EXPECT_TRUE(has_row(rows(), "40 ", " -> 42"));
        EXPECT_TRUE(has_row(rows(), "40 ", " -> Forty plural"));
        for (const std::string& row : rows()) EXPECT_EQ(row.substr(0, 3), "40 ") << row;
        w.choose(ctl::kHistoryEntries, 1);
        EXPECT_TRUE(has_row(rows(), "31 ", " -> 123456789"));
        for (const std::string& row : rows()) EXPECT_EQ(row.substr(0, 3), "31 ") << row;
        w.key_escape();
        w.click(ctl::kRestoreFolder);  // closed: nothing more happens
        EXPECT_TRUE(w.questions().empty());
    });
    s.form.menu(ctl::kHistory);
    EXPECT_TRUE(ran);
    EXPECT_EQ(s.form.windows_opened(), 1);
    EXPECT_EQ(history_of(s).size(), 2u);

    // An empty history says so, and offers no restore.
    Session empty(7);
    empty.start();
    empty.form.on_next_window([&](MemoryForm& w) {
        ASSERT_EQ(w.item_count(ctl::kHistoryEntries), 1);
        EXPECT_EQ(*w.item_text(ctl::kHistoryEntries, 0), "No history yet.");
        EXPECT_EQ(w.selected_item(ctl::kHistoryEntries), -1);
        EXPECT_FALSE(w.is_enabled(ctl::kRestoreCreature));
        EXPECT_FALSE(w.is_enabled(ctl::kRestoreFolder));
    });
    empty.form.menu(ctl::kHistory);
}

TEST(HistoryWindow, EachRestoreAsksWritesOneEntryAndRefreshesTheForm) {
    struct Case {
        const char* what;
        int button;
        Form::Answer answer;
        const char* made_by;  // "" when nothing is written
    };
    for (const Case& c : {Case{"creature", ctl::kRestoreCreature, Form::Answer::Yes, "restore of entry 1 for creature 40"},
                          Case{"folder", ctl::kRestoreFolder, Form::Answer::Yes, "restore of entry 1"},
                          Case{"folder, no", ctl::kRestoreFolder, Form::Answer::No, ""}}) {
        SCOPED_TRACE(c.what);
        Session s(8);
        s.start();
        s.choose_creature(40);
        const std::string shown = s.form.get_text(kEdit, 20);
        const auto before = s.folder.snapshot();
        save_value(s, 31, "123456789");
        save_value(s, 40, "42");
        const auto saved = s.folder.snapshot();
        s.form.on_next_window([&](MemoryForm& w) {
            w.choose(ctl::kHistoryEntries, 1);  // entry 1, the Save of creature 31
            w.answer_next(c.answer);
            w.click(c.button);
            ASSERT_EQ(w.questions().size(), 1u);
            EXPECT_TRUE(contains(w.questions()[0], "before entry 1")) << w.questions()[0];
            EXPECT_TRUE(w.errors().empty()) << w.errors().front();
            // The restore is listed, newest, and selected.
            EXPECT_EQ(w.item_count(ctl::kHistoryEntries), *c.made_by ? 3 : 2);
            EXPECT_EQ(w.selected_item(ctl::kHistoryEntries), *c.made_by ? 0 : 1);
        });
        s.form.menu(ctl::kHistory);
        const std::vector<HistoryEntry> entries = history_of(s);
        if (!*c.made_by) {
            EXPECT_EQ(entries.size(), 2u);
            EXPECT_TRUE(s.folder.snapshot().bytes == saved.bytes);
            EXPECT_EQ(s.form.get_text(kEdit, 20), "42");
            continue;
        }
        ASSERT_EQ(entries.size(), 3u);
        EXPECT_EQ(entries[2].made_by, c.made_by);
        // Creature 40 is as before both Saves either way; the folder restore also puts 31 back.
        EXPECT_EQ(s.form.get_text(kEdit, 20), shown);
        const auto after = s.folder.snapshot();
        EXPECT_EQ(after.bytes == before.bytes, c.button == ctl::kRestoreFolder);
    }
}

}  // namespace
}  // namespace ce
