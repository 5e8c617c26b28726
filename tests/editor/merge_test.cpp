// A Save stores what the user changed since the show onto the files as they
// are then; what it cannot store exactly it refuses; closing asks before
// anything unsaved is lost; a paste carries values exactly.
#include <gtest/gtest.h>

#include <filesystem>

#include "editor/session.h"
#include "store/binding.h"
#include "store/merge.h"

namespace ce {
namespace {

using fixture::Bytes;
using fixture::kMonsters;
using fixture::lines_of;
using fixture::Session;

constexpr const char* kDefense = "DefenseBonus.vrh";  // edit 98: one unsigned byte per slot

// Another program's change of a creature's line in the English files.
void write_line(const Session& s, TextKind kind, int line, const std::string& text) {
    std::vector<std::string> lines = lines_of(s.folder.text(kind, 0));
    lines.at(static_cast<std::size_t>(line)) = text;
    fixture::write_text(s.folder.path(kind, 0), fixture::join_lines(lines));
}
std::string line_of(const Session& s, TextKind kind, int line) {
    return lines_of(s.folder.text(kind, 0)).at(static_cast<std::size_t>(line));
}

std::size_t history_entries(const Session& s) {
    const auto dir = std::filesystem::path(s.folder.root()) / ".history";
    std::size_t n = 0;
    if (std::filesystem::exists(dir))
        for (const auto& e : std::filesystem::directory_iterator(dir)) n += e.path().extension() == ".entry";
    return n;
}

TEST(SaveMerge, AnotherProgramsChangesSurviveASave) {
    Session s;
    s.start();
    s.choose_creature(11);
    s.retype(98, "12");
    // Meanwhile another program changes creature 11's name and a value, and creature 20.
    fixture::patch(s.folder, kMonsters, 69000 + 2 * 11, 777, 2);
    fixture::patch(s.folder, kMonsters, 69000 + 2 * 20, 555, 2);
    write_line(s, TextKind::Monsters, 12, "Outsider");
    s.form.click(2100);

    EXPECT_TRUE(s.form.errors().empty());
    EXPECT_TRUE(s.form.questions().empty());
    EXPECT_EQ(s.folder.read(kDefense)[11], 12);
    EXPECT_EQ(fixture::peek(s.folder.read(kMonsters), 69000 + 2 * 11, 2), 777u);
    EXPECT_EQ(fixture::peek(s.folder.read(kMonsters), 69000 + 2 * 20, 2), 555u);
    EXPECT_EQ(line_of(s, TextKind::Monsters, 12), "Outsider");
    // The form shows what the files now hold, and nothing is left unsaved.
    EXPECT_EQ(s.form.get_text(251, 100), "777");
    EXPECT_EQ(s.form.get_text(300, 100), "Outsider");
    s.form.key_escape();
    EXPECT_TRUE(s.form.questions().empty());
    EXPECT_EQ(s.closes, 1);
}

TEST(SaveMerge, AFieldChangedOnBothSidesIsAskedAbout) {
    struct Case {
        Form::Answer answer;
        int defense;        // what DefenseBonus holds for creature 11 afterwards
        const char* plural;
    };
    for (const Case& c : {Case{Form::Answer::Cancel, 77, "Theirs"}, Case{Form::Answer::No, 77, "Theirs"},
                          Case{Form::Answer::Yes, 12, "Mine"}}) {
        SCOPED_TRACE(static_cast<int>(c.answer));
        Session s;
        s.start();
        s.choose_creature(11);
        const std::string shown = s.form.get_text(98, 10);
        s.retype(98, "12");
        s.retype(5000, "Mine");
        s.retype(5001, "Ability typed");  // changed here only: saved unless cancelled
        fixture::patch(s.folder, kDefense, 11, 77, 1);
        write_line(s, TextKind::Plural, 11, "Theirs");
        const std::size_t entries = history_entries(s);
        s.form.answer_next(c.answer);
        s.form.click(2100);

        ASSERT_EQ(s.form.questions().size(), 1u);
        const std::string& q = s.form.questions()[0];
        EXPECT_NE(q.find("shown " + shown + ", yours 12, on disk 77"), std::string::npos) << q;
        EXPECT_NE(q.find("shown \"Beasts 11\", yours \"Mine\", on disk \"Theirs\""), std::string::npos) << q;
        EXPECT_EQ(s.folder.read(kDefense)[11], c.defense);
        EXPECT_EQ(line_of(s, TextKind::Plural, 11), c.plural);
        const bool saved = c.answer != Form::Answer::Cancel;
        EXPECT_EQ(history_entries(s), entries + (saved ? 1 : 0));
        EXPECT_EQ(line_of(s, TextKind::Ability, 11), saved ? "Ability typed" : fixture::ability_of(0, 11));
        // Where the files' value stands, the form shows it.
        if (c.answer == Form::Answer::No) {
            EXPECT_EQ(s.form.get_text(98, 10), "77");
        }
    }
}

TEST(SaveRefusal, ValuesThatCannotBeStoredRefuseTheWholeSave) {
    Session s;
    s.start();
    s.choose_creature(11);
    s.retype(98, "300");
    s.form.set_text(5002, "1.2.3");
    s.form.set_text(5003, "--");
    s.form.set_text(5004, ".");
    s.form.set_text(5017, "7x");
    s.form.set_text(121, std::string(20, 'n'));
    const auto before = s.folder.snapshot();
    s.form.click(2100);
    EXPECT_TRUE(s.folder.snapshot().bytes == before.bytes);
    EXPECT_EQ(history_entries(s), 0u);
    ASSERT_EQ(s.form.errors().size(), 1u);
    const std::string& m = s.form.errors()[0];
    for (const char* part : {"Creature 11 was not saved", "300 is outside 0..255", "\"1.2.3\" is not a number",
                             "\"--\" is not a number", "\".\" is not a number", "\"7x\" is not a number",
                             "has 20 characters; the field holds at most 15", "Nothing was written."})
        EXPECT_NE(m.find(part), std::string::npos) << part << "\n" << m;
    EXPECT_EQ(s.form.focused(), 121);  // the first field in the order a Save stores them
    // The typed texts stay for the user to mend.
    EXPECT_EQ(s.form.get_text(98, 10), "300");

    s.retype(98, "255");
    for (int id : {5002, 5003, 5004, 5017}) s.form.set_text(id, "1.5");
    s.form.set_text(121, "Fifteen letters");
    s.form.clear_records();
    s.form.click(2100);
    EXPECT_TRUE(s.form.errors().empty());
    EXPECT_EQ(s.folder.read(kDefense)[11], 255);
}

TEST(SaveRefusal, AnUnreadableLanguageFileWritesNothingAndSaysSo) {
    Session s;
    s.start();
    s.choose_creature(11);
    s.retype(98, "12");
    std::filesystem::remove(s.folder.path(TextKind::Plural, 0));
    const auto before = s.folder.snapshot();
    s.form.click(2100);
    EXPECT_TRUE(s.folder.snapshot().bytes == before.bytes);
    EXPECT_EQ(history_entries(s), 0u);
    ASSERT_EQ(s.form.errors().size(), 1u);
    EXPECT_NE(s.form.errors()[0].find("nothing was written"), std::string::npos) << s.form.errors()[0];
    EXPECT_NE(s.form.errors()[0].find("Plural.txt: does not exist"), std::string::npos) << s.form.errors()[0];
}

TEST(Close, AsksOnlyWhenSomethingIsUnsaved) {
    {
        // Nothing changed (the fixed slot's emptied names included): closes at once.
        Session s;
        s.folder.write_settings(0, 149);
        s.start();
        s.form.key_escape();
        EXPECT_TRUE(s.form.questions().empty());
        EXPECT_EQ(s.closes, 1);
    }
    {
        // A typed float that a Save stored in another spelling is saved.
        Session s;
        s.start();
        s.form.set_text(5002, "1.5");
        s.form.click(2100);
        s.form.key_escape();
        EXPECT_TRUE(s.form.questions().empty());
        EXPECT_EQ(s.closes, 1);
    }
    struct Case {
        Form::Answer answer;
        const char* typed;
        bool closes;
        int stored;  // DefenseBonus of creature 11 afterwards; -1: as before
    };
    for (const Case& c : {Case{Form::Answer::Cancel, "12", false, -1}, Case{Form::Answer::No, "12", true, -1},
                          Case{Form::Answer::Yes, "12", true, 12}, Case{Form::Answer::Yes, "300", false, -1}}) {
        SCOPED_TRACE(std::string(c.typed) + " " + std::to_string(static_cast<int>(c.answer)));
        Session s;
        s.start();
        s.choose_creature(11);
        const int before = s.folder.read(kDefense)[11];
        s.retype(98, c.typed);
        s.form.answer_next(c.answer);
        s.form.key_escape();
        EXPECT_EQ(s.form.questions().size(), 1u);
        EXPECT_EQ(s.closes, c.closes ? 1 : 0);
        EXPECT_EQ(s.folder.read(kDefense)[11], c.stored < 0 ? before : c.stored);
    }
}

// Every element a paste carries, as the copied creature had it.
TEST(Paste, AllStatesAndCrAnimStoreTheCopiedValuesExactly) {
    for (unsigned seed : {3u, 4u}) {
        for (bool cranim_only : {false, true}) {
            SCOPED_TRACE(std::to_string(seed) + (cranim_only ? " CrAnim" : " all"));
            Session s(seed);
            s.start();
            const int source = 7, target = 9;
            std::array<Bytes, kDataFileCount> before;
            for (const DataFileInfo& info : data_files()) before[static_cast<std::size_t>(info.id)] = s.folder.read(info.name);
            s.choose_creature(source);
            s.form.menu(10000);
            s.choose_creature(target);
            s.form.menu(cranim_only ? 10002 : 10001);
            s.form.click(2100);
            ASSERT_TRUE(s.form.errors().empty()) << s.form.errors()[0];
            const bool zeroed = (fixture::peek(before[0], 21000 + 4 * source, 4) >> 6) & 1;  // 2025 empties 212
            int compared = 0;
            for (const DataFileInfo& info : data_files()) {
                const Bytes after = s.folder.read(info.name);
                const Bytes& was = before[static_cast<std::size_t>(info.id)];
                for (const BindingRow& row : binding_rows(info.id)) {
                    const bool cranim = row.file == DataFile::Monsters && row.offset == 169000;
                    if (row.kind == Conversion::None || row.control == 323 || (zeroed && row.control == 212) ||
                        (cranim_only && !cranim))
                        continue;
                    EXPECT_EQ(element_bytes(row, after, target), element_bytes(row, was, source))
                        << info.name << "@" << row.offset << "[" << int(row.element) << "]";
                    ++compared;
                }
            }
            EXPECT_GT(compared, cranim_only ? 20 : 100);
        }
    }
}

}  // namespace
}  // namespace ce
