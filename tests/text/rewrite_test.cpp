// The creature's name, plural and ability lines on Save: what the user changed
// of them goes into the language files, as one write.
#include <gtest/gtest.h>

#include <array>
#include <filesystem>
#include <string>
#include <vector>

#include "form/memory_form.h"
#include "store/file_ops.h"
#include "support/forwarding_ops.h"
#include "form/fill_language.h"
#include "text/language.h"
#include "text/lines.h"
#include "form/rewrite.h"
#include "form/shown.h"
#include "store/journal.h"
#include "text_folder.h"

namespace ce {
namespace {

using namespace textfix;

// The system's file operations, with the final rename of one file failing.
class FailingOps : public test::ForwardingOps {
public:
    explicit FailingOps(const std::string& victim) : victim_(std::filesystem::path(victim).lexically_normal()) {}
    Status replace(const std::string& from, const std::string& to) override {
        if (is_victim(to)) return std::string("No space left on device");
        return ForwardingOps::replace(from, to);
    }
    Status rename_over(const std::string& from, const std::string& to) override {
        if (is_victim(to)) return std::string("No space left on device");
        return ForwardingOps::rename_over(from, to);
    }

private:
    // The same file, whichever separators the path was made with.
    bool is_victim(const std::string& path) const { return std::filesystem::path(path).lexically_normal() == victim_; }
    std::filesystem::path victim_;
};

// The form after apply_language for creature `index`, ready for typing; a
// save stores the lines changed since then, in one write, and refills.
struct Session {
    explicit Session(const TextFolder& f, int index) : folder(f), index(index) {
        apply_language(form, folder.root(), index, header);
        remember();
    }
    void remember() {
        for (std::size_t k = 0; k < shown.size(); ++k) shown[k] = line_text(form, k);
    }
    std::vector<Fault> save(FileOps& ops = system_file_ops()) {
        LineChanges changes = plan_creature_lines(form, folder.root(), index, shown, false);
        std::vector<Fault> failures = changes.faults;
        if (failures.empty()) {
            FolderWrite write(ops, folder.root(), {"test", {index}});
            for (LineFile& f : changes.files) write.add(f.path, f.read, f.bytes);
            if (const Result<Committed> r = write.commit(); !r.ok()) failures.push_back(r.fault());
        }
        refill_after_save(form, folder.root(), index, header, failures);
        remember();
        return failures;
    }
    const TextFolder& folder;
    int index;
    MemoryForm form;
    std::string header;
    std::array<std::string, 3> shown;
};

// The folder's files but for the history and the lock that writes leave.
std::vector<std::string> texts_of(const TextFolder& folder) {
    std::vector<std::string> names = folder.files();
    std::erase_if(names, [](const std::string& n) { return n.front() == '.'; });
    return names;
}

TEST(RewriteCreatureTexts, OnlyTheCurrentCreaturesLinesChange) {
    TextFolder folder(1000, 10);
    const std::string monsters = folder.read(TextKind::Monsters, 0);
    const std::string plurals = folder.read(TextKind::Plural, 0);
    const std::string abilities = folder.read(TextKind::Ability, 0);
    const std::string russian = folder.read(TextKind::Monsters, 1);
    const std::vector<std::string> files = texts_of(folder);

    Session s(folder, 5);
    s.form.set_text(300, "Renamed");
    s.form.set_text(5000, "Renamed ones");
    s.form.set_text(5001, "Does \xE9verything");
    EXPECT_TRUE(s.save().empty());

    std::vector<std::string> m = lines_of(monsters), p = lines_of(plurals), a = lines_of(abilities);
    m[6] = "Renamed";
    p[5] = "Renamed ones";
    a[5] = "Does \xE9verything";
    EXPECT_EQ(folder.read(TextKind::Monsters, 0), join_lines(m));
    EXPECT_EQ(folder.read(TextKind::Plural, 0), join_lines(p));
    EXPECT_EQ(folder.read(TextKind::Ability, 0), join_lines(a));
    EXPECT_EQ(count_lines(folder.read(TextKind::Monsters, 0)), 1001);
    EXPECT_EQ(folder.read(TextKind::Monsters, 1), russian);  // the other language is not touched
    EXPECT_EQ(texts_of(folder), files);                        // nothing left behind

    // The form is refilled from the files just written.
    EXPECT_EQ(s.form.item_text(300, 5), "Renamed");
    EXPECT_EQ(s.form.item_text(302, 5), "005 Renamed");
    EXPECT_EQ(s.form.item_text(301, 6), "005 Renamed");
    EXPECT_EQ(s.form.item_text(323, 6), "005 Renamed");
    EXPECT_EQ(s.form.selected_item(300), 5);
    EXPECT_EQ(s.form.get_text(5000, 100), "Renamed ones");
    EXPECT_TRUE(s.form.errors().empty());

    // A Save with nothing typed writes the same bytes back.
    const std::string written = folder.read(TextKind::Ability, 0);
    Session again(folder, 7);
    EXPECT_TRUE(again.save().empty());
    EXPECT_EQ(folder.read(TextKind::Monsters, 0), join_lines(m));
    EXPECT_EQ(folder.read(TextKind::Plural, 0), join_lines(p));
    EXPECT_EQ(folder.read(TextKind::Ability, 0), written);
}

TEST(RewriteCreatureTexts, TypedTextsAreCutAndKeptOnOneLine) {
    TextFolder folder(20, 2);
    Session s(folder, 3);
    s.form.set_text(300, std::string(70, 'n'));
    s.form.set_text(5000, std::string(70, 'p'));
    s.form.set_text(5001, std::string(1200, 'a'));
    EXPECT_TRUE(s.save().empty());
    EXPECT_EQ(lines_of(folder.read(TextKind::Monsters, 0))[4], std::string(63, 'n'));
    EXPECT_EQ(lines_of(folder.read(TextKind::Plural, 0))[3], std::string(63, 'p'));
    EXPECT_EQ(lines_of(folder.read(TextKind::Ability, 0))[3], std::string(999, 'a'));

    // Line breaks typed into the multi-line field, and other control bytes,
    // become spaces: no other creature's line moves.
    s.form.set_text(5001, "first\r\nsecond\nthird\rfourth\x01\x08\x0B\x0C|\ttab \xFF");
    s.form.set_text(5000, "two\r\nlines");
    s.form.set_text(300, "Name\nbroken");
    EXPECT_TRUE(s.save().empty());
    const std::vector<std::string> a = lines_of(folder.read(TextKind::Ability, 0));
    ASSERT_EQ(a.size(), 20u);
    EXPECT_EQ(a[3], "first second third fourth    |\ttab \xFF");
    EXPECT_EQ(a[4], ability(0, 4));
    EXPECT_EQ(lines_of(folder.read(TextKind::Plural, 0))[3], "two lines");
    const std::vector<std::string> m = lines_of(folder.read(TextKind::Monsters, 0));
    ASSERT_EQ(m.size(), 21u);
    EXPECT_EQ(m[4], "Name broken");
    EXPECT_EQ(m[5], creature(0, 4));
}

TEST(RewriteCreatureTexts, ShortFilesAreExtendedUpToTheCreature) {
    TextFolder folder(3, 2);  // Monsters: the none entry and 3 names
    folder.write(TextKind::Plural, 0, join_lines({"P0", "P1", "P2"}));
    folder.write(TextKind::Ability, 0, "A0\r\nA1");  // a last line without a break
    Session s(folder, 5);
    s.form.set_text(300, "Fifth");
    s.form.set_text(5000, "Fifths");
    s.form.set_text(5001, "Fifth ability");
    EXPECT_TRUE(s.save().empty());
    EXPECT_EQ(folder.read(TextKind::Plural, 0), join_lines({"P0", "P1", "P2", "", "", "Fifths"}));
    EXPECT_EQ(folder.read(TextKind::Ability, 0), join_lines({"A0", "A1", "", "", "", "Fifth ability"}));
    EXPECT_EQ(folder.read(TextKind::Monsters, 0),
              join_lines({none_entry(0), creature(0, 0), creature(0, 1), creature(0, 2), "", "", "Fifth"}));
    EXPECT_EQ(s.form.item_text(300, 5), "Fifth");
    EXPECT_EQ(s.form.selected_item(300), 5);

    // The last line without a break is kept, and written with CR LF.
    folder.write(TextKind::Ability, 0, "A0\r\nA1");
    Session first(folder, 0);
    first.form.set_text(5001, "New A0");
    EXPECT_TRUE(first.save().empty());
    EXPECT_EQ(folder.read(TextKind::Ability, 0), "New A0\r\nA1\r\n");

    // An empty text past the end has nothing to store: the file stays short.
    folder.write(TextKind::Plural, 0, join_lines({"P0", "P1", "P2"}));
    Session untouched(folder, 5);
    untouched.form.set_text(5000, "");
    EXPECT_TRUE(untouched.save().empty());
    EXPECT_EQ(folder.read(TextKind::Plural, 0), join_lines({"P0", "P1", "P2"}));
}

TEST(RewriteCreatureTexts, NothingTheEditorDoesNotShowIsLost) {
    TextFolder folder(4, 2);
    // Bytes after a zero byte end the text but stay in the file.
    const std::string tail = std::string("\0hidden\r\n", 9);
    folder.write(TextKind::Plural, 0, join_lines({"P0", "P1", "P2", "P3"}) + tail);
    Session s(folder, 1);
    s.form.set_text(5000, "New P1");
    // Names another program changed or added after the lists were filled are
    // kept, the current creature's too while the user has not changed it.
    folder.write(TextKind::Monsters, 0,
                 join_lines({none_entry(0), "M0", "M1", "M2", "M3", "Added 4", "Added 5"}));
    EXPECT_TRUE(s.save().empty());
    EXPECT_EQ(folder.read(TextKind::Plural, 0), join_lines({"P0", "New P1", "P2", "P3"}) + tail);
    EXPECT_EQ(folder.read(TextKind::Monsters, 0),
              join_lines({none_entry(0), "M0", "M1", "M2", "M3", "Added 4", "Added 5"}));
    EXPECT_EQ(s.form.item_count(300), 6);
    EXPECT_EQ(s.form.item_text(300, 0), "M0");  // the list shows what the file holds
    EXPECT_EQ(s.form.item_text(300, 2), "M2");

    // A name the user changed that the other program changed too is a
    // conflict: the plan keeps the file's unless told to take the user's.
    s.form.set_text(300, "Mine");
    folder.write(TextKind::Monsters, 0, join_lines({none_entry(0), "M0", "Theirs", "M2", "M3"}));
    LineChanges changes = plan_creature_lines(s.form, folder.root(), 1, s.shown, false);
    ASSERT_EQ(changes.conflicts.size(), 1u);
    EXPECT_EQ(changes.conflicts[0].shown, "M1");
    EXPECT_EQ(changes.conflicts[0].yours, "Mine");
    EXPECT_EQ(changes.conflicts[0].disk, "Theirs");
    EXPECT_TRUE(changes.files.empty());
    changes = plan_creature_lines(s.form, folder.root(), 1, s.shown, true);
    ASSERT_EQ(changes.files.size(), 1u);
    EXPECT_EQ(lines_of(changes.files[0].bytes)[2], "Mine");

    // A file made shorter outside the editor stays short up to the creature.
    folder.write(TextKind::Monsters, 0, join_lines({none_entry(0), "Only"}));
    Session late(folder, 3);
    late.form.set_text(300, "Third");
    folder.write(TextKind::Monsters, 0, join_lines({none_entry(0), "Only one"}));
    EXPECT_TRUE(late.save().empty());
    EXPECT_EQ(folder.read(TextKind::Monsters, 0), join_lines({none_entry(0), "Only one", "", "", "Third"}));
}

TEST(RewriteCreatureTexts, AFailureWritesNothingAndTheTypedTextsStay) {
    TextFolder folder(10, 2);
    const std::string plurals = folder.read(TextKind::Plural, 0);
    const std::vector<std::string> files = texts_of(folder);
    const std::string plural_path = folder.path(TextKind::Plural, 0).string();
    {
        Session s(folder, 2);
        s.form.set_text(300, "Two");
        s.form.set_text(5000, "Twos");
        s.form.set_text(5001, "Second");
        const std::string monsters = folder.read(TextKind::Monsters, 0);
        const std::string abilities = folder.read(TextKind::Ability, 0);
        FailingOps ops(plural_path);
        const std::vector<Fault> failures = s.save(ops);
        ASSERT_EQ(failures.size(), 1u);
        EXPECT_NE(failures[0].message().find("No space left on device"), std::string::npos) << failures[0];
        // All or nothing: the files that were replaced before are put back.
        EXPECT_EQ(folder.read(TextKind::Plural, 0), plurals);
        EXPECT_EQ(folder.read(TextKind::Monsters, 0), monsters);
        EXPECT_EQ(folder.read(TextKind::Ability, 0), abilities);
        EXPECT_EQ(texts_of(folder), files);  // no temporary file left behind
        EXPECT_TRUE(s.form.errors().empty());  // reporting is the caller's job
    }
    {
        // A missing file stops the whole save: nothing is written, and it is not created.
        folder.remove(TextKind::Ability, 0);
        Session s(folder, 2);
        s.form.clear_records();
        s.form.set_text(5000, "Twos again");
        const std::string before = folder.read(TextKind::Plural, 0);
        const std::vector<Fault> failures = s.save();
        const std::string ability_path = folder.path(TextKind::Ability, 0).string();
        ASSERT_FALSE(failures.empty());
        EXPECT_EQ(failures[0].message(), ability_path + ": does not exist");
        EXPECT_EQ(failures[0].kind, FaultKind::missing);
        EXPECT_FALSE(std::filesystem::exists(ability_path));
        EXPECT_EQ(folder.read(TextKind::Plural, 0), before);
        EXPECT_TRUE(s.form.errors().empty());
    }
    {
        // An index that names no creature slot stores nothing.
        const std::string before = folder.read(TextKind::Plural, 0);
        Session s(folder, 0);
        s.index = -1;
        s.form.set_text(5000, "nobody");
        const std::vector<Fault> failures = s.save();
        ASSERT_FALSE(failures.empty());
        EXPECT_NE(failures[0].message().find("-1"), std::string::npos) << failures[0];
        EXPECT_EQ(failures[0].kind, FaultKind::out_of_range);
        EXPECT_EQ(folder.read(TextKind::Plural, 0), before);
    }
}

TEST(RewriteCreatureTexts, TheLanguageComesFromTheSettingsFile) {
    TextFolder folder(8, 2);
    const std::string english = folder.read(TextKind::Plural, 0);
    folder.set_settings(1, 0);
    Session s(folder, 4);
    s.form.set_text(5000, "\xCC\xED\xEE\xE3\xE8\xE5");
    EXPECT_TRUE(s.save().empty());
    EXPECT_EQ(lines_of(folder.read(TextKind::Plural, 1))[4], "\xCC\xED\xEE\xE3\xE8\xE5");
    EXPECT_EQ(folder.read(TextKind::Plural, 0), english);
    EXPECT_EQ(s.form.get_check(2002), 1);
}

}  // namespace
}  // namespace ce
