// Mods in the editor: the changes since a base folder saved as a mod, and a mod
// applied through the Apply mod window, with and without conflicts, each
// settled by the user; the apply is one history entry the History window takes back.
#include <gtest/gtest.h>

#include <string>

#include "editor/session.h"
#include "form/controls.h"
#include "store/history.h"
#include "support/temp_dir.h"

namespace ce {
namespace {

using fixture::Session;

constexpr int kEdit = 76;  // MonstersSetup.vrh, the number block's seventh value
constexpr unsigned kSeed = 21;

bool contains(const std::string& text, const std::string& part) { return text.find(part) != std::string::npos; }

void save_value(Session& s, int slot, int id, const std::string& value) {
    s.choose_creature(slot);
    s.retype(id, value);
    s.form.click(ctl::kSave);
    ASSERT_TRUE(s.form.errors().empty()) << s.form.errors().front();
}

std::vector<std::string> rows(MemoryForm& w) {
    std::vector<std::string> out;
    for (int i = 0; i < w.item_count(ctl::kModChanges); ++i) out.push_back(*w.item_text(ctl::kModChanges, i));
    return out;
}

// A mod made in the editor: creature 31's value and creature 40's plural
// changed over a folder like the base, saved as the changes since the base.
std::string make_mod(const test::TempDir& dir) {
    Session base(kSeed), author(kSeed);
    author.start();
    save_value(author, 31, kEdit, "123456789");
    save_value(author, 40, 5000, "Forty of them");
    const std::string path = (dir.path() / "fire mod.json").string();
    author.form.answer_path_next(base.state.root);
    author.form.answer_path_next(path);
    author.form.menu(ctl::kSaveAsMod);
    EXPECT_EQ(author.form.path_choices(),
              (std::vector<Form::PathChoice>{Form::PathChoice::BaseFolder, Form::PathChoice::SaveMod}));
    EXPECT_TRUE(author.form.errors().empty()) << author.form.errors().front();
    // Nothing changed since a folder is no mod: the user is told, nothing is asked or written.
    author.form.clear_records();
    author.form.answer_path_next(author.state.root);
    author.form.menu(ctl::kSaveAsMod);
    EXPECT_EQ(author.form.errors().size(), 1u);
    EXPECT_EQ(author.form.path_choices().size(), 3u);
    return path;
}

TEST(ApplyMod, ShowsEachChangeAndConflictTheUserSettlesThenWritesOneEntry) {
    const test::TempDir dir("mods");
    const std::string mod = make_mod(dir);
    {
        const std::string text = test::read_file(mod);
        EXPECT_TRUE(contains(text, "\"slot\": 31")) << text;
        EXPECT_TRUE(contains(text, "Forty of them")) << text;
    }
    struct Case {
        const char* what;
        bool conflict;   // the folder changed creature 31's value itself
        int settle;      // the button that settles it
        const char* value;  // creature 31's value afterwards
    };
    for (const Case& c : {Case{"no conflict", false, 0, "123456789"},
                          Case{"the mod's value", true, ctl::kTakeMod, "123456789"},
                          Case{"the folder's value", true, ctl::kKeepFolder, "555"},
                          Case{"the mod's value in all", true, ctl::kAllMod, "123456789"},
                          Case{"the folder's value in all", true, ctl::kAllFolder, "555"}}) {
        SCOPED_TRACE(c.what);
        Session s(kSeed);
        s.start();
        if (c.conflict) save_value(s, 31, kEdit, "555");
        const auto before = s.folder.snapshot();
        s.form.answer_path_next(mod);
        s.form.on_next_window([&](MemoryForm& w) {
            std::vector<std::string> shown = rows(w);
            ASSERT_EQ(shown.size(), 2u);
            EXPECT_EQ(shown[0].substr(0, 3), "31 ");
            EXPECT_TRUE(contains(shown[0], "-> 123456789")) << shown[0];
            EXPECT_EQ(contains(shown[0], "the folder holds 555   [conflict: choose]"), c.conflict) << shown[0];
            EXPECT_TRUE(contains(shown[1], "-> \"Forty of them\"")) << shown[1];
            EXPECT_EQ(w.is_enabled(ctl::kApply), !c.conflict);
            EXPECT_EQ(w.is_enabled(ctl::kAllMod), c.conflict);
            if (c.conflict) {
                w.choose(ctl::kModChanges, 1);  // not a conflict: nothing to settle
                EXPECT_FALSE(w.is_enabled(ctl::kTakeMod));
                w.choose(ctl::kModChanges, 0);
                EXPECT_TRUE(w.is_enabled(ctl::kTakeMod));
                w.click(c.settle);
                EXPECT_TRUE(contains(rows(w)[0], c.settle == ctl::kTakeMod || c.settle == ctl::kAllMod
                                                     ? "[the mod's value]" : "[the folder's value]"));
                EXPECT_TRUE(w.is_enabled(ctl::kApply));
            }
            w.answer_next(Form::Answer::Yes);
            w.click(ctl::kApply);
            EXPECT_EQ(w.questions().size(), 1u);
            EXPECT_TRUE(w.errors().empty()) << w.errors().front();
        });
        s.form.menu(ctl::kApplyMod);
        ASSERT_EQ(s.form.windows_opened(), 1);
        std::vector<HistoryEntry> entries;
        ASSERT_TRUE(list_history(s.state.root, entries).ok());
        ASSERT_FALSE(entries.empty());
        EXPECT_EQ(entries.back().made_by, "apply of patch " + mod);
        const bool both = std::string(c.value) == "123456789";
        EXPECT_EQ(entries.back().slots, both ? std::vector<int>({31, 40}) : std::vector<int>({40}));
        // The form shows the files as they are now.
        s.choose_creature(31);
        EXPECT_EQ(s.form.get_text(kEdit, 20), c.value);
        s.choose_creature(40);
        EXPECT_EQ(s.form.get_text(5000, 100), "Forty of them");

        // The folder as before the apply, from the History window: byte for byte.
        s.form.on_next_window([](MemoryForm& w) {
            w.answer_next(Form::Answer::Yes);
            w.click(ctl::kRestoreFolder);  // the newest entry is selected: the apply
        });
        s.form.menu(ctl::kHistory);
        EXPECT_TRUE(s.folder.snapshot().bytes == before.bytes);
    }
}

TEST(ApplyMod, CancelWritesNothingAndAModThatCannotBeReadIsNamed) {
    const test::TempDir dir("mods-cancel");
    const std::string mod = make_mod(dir);
    Session s(kSeed);
    s.start();
    const auto before = s.folder.snapshot();
    s.form.answer_path_next(mod);
    s.form.on_next_window([](MemoryForm& w) {
        w.answer_next(Form::Answer::No);
        w.click(ctl::kApply);  // asked, and the user says no
        w.key_escape();
    });
    s.form.menu(ctl::kApplyMod);
    s.form.menu(ctl::kApplyMod);  // the chooser cancelled: nothing opens
    EXPECT_EQ(s.form.windows_opened(), 1);
    EXPECT_TRUE(s.folder.snapshot().bytes == before.bytes);

    test::write_file(dir.path() / "broken.json", "{\"language\": \"English\", \"creatures\": [{\"slot\": 5000}]}");
    s.form.answer_path_next((dir.path() / "broken.json").string());
    s.form.menu(ctl::kApplyMod);
    s.form.answer_path_next((dir.path() / "missing.json").string());
    s.form.menu(ctl::kApplyMod);
    EXPECT_EQ(s.form.windows_opened(), 1);
    ASSERT_EQ(s.form.errors().size(), 2u);
    EXPECT_TRUE(contains(s.form.errors()[0], "broken.json cannot be applied:")) << s.form.errors()[0];
    EXPECT_TRUE(contains(s.form.errors()[1], "missing.json")) << s.form.errors()[1];
}

}  // namespace
}  // namespace ce
