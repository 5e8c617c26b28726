// The editor speaks the language the form shows: a Russian session's
// refusals, questions and file faults are Russian (what the file layer and the
// system say about a file stays as they say it), an English one's as before.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "editor/english_words.h"
#include "editor/session.h"
#include "form/sentences.h"
#include "store/binding.h"
#include "store/journal_recovery.h"
#include "store/value_text.h"
#include "text/code_page.h"
#include "text/language.h"

namespace ce {
namespace {

using fixture::Bytes;
using fixture::Session;
using Answer = Form::Answer;

std::string russian(std::string_view bytes) { return decode_code_page(bytes, 1); }
std::string in_1251(const char* utf8) { return *encode_code_page(utf8, 1); }

// Every text row of every file with texts that a Save refuses in all the ways
// it can: the English words are the file layer's reason, word for word, and
// the Russian ones carry no English sentence.
TEST(Words, RefusedValuesSayWhatTheFileLayerSaysInEitherLanguage) {
    const std::vector<std::string> texts = {
        "300",  "-1", "99999999999", "x",   "7x",  "1,5",     "-36,25", " 12 ", "1e40",       "-1e39",
        "inf",  "",   "   ",         "1.5", "1e9", "2147483648", "4294967296", "1,5,5",
        std::string(20, 'a'), std::string(5, 'b'), "\"quoted\""};
    int refused = 0;
    for (const DataFileInfo& info : data_files()) {
        for (const BindingRow& row : binding_rows(info.id)) {
            for (const std::string& text : texts) {
                const Result<FormValue> value = read_form_text(row, text);
                if (value.ok()) continue;
                ++refused;
                SCOPED_TRACE(std::string(info.name) + "@" + std::to_string(row.offset) + " \"" + text + "\"");
                const UserText english = refused_value(0, row, text, value.fault().kind);
                EXPECT_EQ(english.flat(), value.fault().reason);
                const std::string words = russian(refused_value(1, row, text, value.fault().kind).flat());
                EXPECT_NE(words, "");
                EXPECT_EQ(test::english_sentence(words), "") << words;
            }
        }
    }
    EXPECT_GT(refused, 200);
}

TEST(Words, FolderFaultsAndRecoveriesWordOnlyTheirOwnPart) {
    const std::vector<Fault> faults = {Fault(FaultKind::missing, "Ammo.vrh", "does not exist"),
                                       Fault(FaultKind::invalid, "Firewall.vrh", "100 bytes, needs at least 125")};
    const UserText english = folder_faults(0, say(0, MessageKey::cannot_start), "/data", faults);
    EXPECT_EQ(english.flat(),
              "The editor cannot start: files it needs cannot be read or are too short (folder \"/data\"):\n"
              "    Ammo.vrh: does not exist\n    Firewall.vrh: 100 bytes, needs at least 125");
    const UserText ru = folder_faults(1, say(1, MessageKey::cannot_start), "/data", faults);
    EXPECT_EQ(russian(ru.flat()),
              "Редактор не может запуститься: нужные ему файлы не читаются или слишком короткие (папка \"/data\"):\n"
              "    Ammo.vrh: does not exist\n    Firewall.vrh: 100 bytes, needs at least 125");
    // The folder and the faults are the system's pieces, shown by its code page.
    int system_pieces = 0;
    for (const UserText::Piece& piece : ru.pieces()) system_pieces += piece.system;
    EXPECT_EQ(system_pieces, 3);

    Recovery recovery;
    recovery.done = {"MonstersSetup.vrh put back"};
    recovery.status = Fault(FaultKind::invalid, "", "a journal names a file outside the folder");
    const std::string store_words = recovery_message(recovery, "");
    EXPECT_EQ(recovery_text(0, recovery, "").flat(), store_words);
    EXPECT_EQ(recovery_text(0, recovery, "/data").flat(), recovery_message(recovery, "/data"));
    EXPECT_EQ(russian(recovery_text(1, recovery, "").flat()),
              "Файлы текущей папки восстановлены после прерванной записи:\n    MonstersSetup.vrh put back\n"
              "Прерванную запись в текущей папке нельзя откатить, поэтому сохранять туда ничего нельзя:\n"
              "    a journal names a file outside the folder");
    recovery.status = Fault(FaultKind::busy, "", "held");
    EXPECT_EQ(recovery_text(1, recovery, "/data").flat().find("held"), std::string::npos);
    EXPECT_TRUE(recovery_text(1, Recovery{}, "").empty());
}

// A Russian session from start to close: every box the editor raises in it
// is Russian, with the captions of the Russian files.
TEST(Words, ARussianSessionSpeaksRussianInEveryBox) {
    Session s;
    s.folder.write_settings(1, 5);
    fixture::patch(s.folder, fixture::kMonsters, 83000 + 5, 0, 1);  // check box 2099 clear
    s.start();
    ASSERT_EQ(s.form.language(), 1);

    // A value that cannot be stored.
    s.retype(98, "300");
    s.form.click(2100);
    ASSERT_EQ(s.form.errors().size(), 1u);
    const std::string refusal = russian(s.form.errors()[0]);
    EXPECT_EQ(refusal.find("Существо 5 не сохранено: эти значения нельзя записать:\n    "), 0u) << refusal;
    EXPECT_NE(refusal.find(russian(s.form.get_text(2095, 100)) + ": 300 не входит в пределы от 0 до 255"),
              std::string::npos)
        << refusal;
    EXPECT_NE(refusal.find("\n\nНичего не записано."), std::string::npos);
    s.retype(98, "3");

    // Moving on three ways, then closing, each asked.
    for (int k = 0; k < 3; ++k) s.form.answer_next(Answer::Cancel);
    s.choose_creature(9);
    s.form.choose(301, 3);
    s.form.click(2101);
    s.form.click(2001);
    s.form.answer_next(Answer::Cancel);
    s.form.key_escape();
    const auto& questions = s.form.questions();
    ASSERT_EQ(questions.size(), 4u);
    EXPECT_EQ(russian(questions[0]), "Изменения существа 5 не сохранены. Сохранить их, прежде чем показать существо 9?");
    EXPECT_EQ(russian(questions[1]), "Изменения существа 5 не сохранены. Сохранить их, прежде чем показать существо 2?");
    EXPECT_EQ(russian(questions[2]), "Изменения существа 5 не сохранены. Сохранить их перед сменой языка?");
    EXPECT_EQ(russian(questions[3]), "Изменения существа 5 не сохранены. Сохранить их перед закрытием?");
    EXPECT_EQ(s.form.get_check(2002), 1);

    // Another program changed what the user changed: the Save asks, in Russian,
    // naming the fields by their Russian captions and a check box's state in words.
    s.form.click(2099);
    fixture::patch(s.folder, fixture::kMonsters, 83000 + 5, 2, 1);
    s.retype(5000, "Typed");
    std::vector<std::string> plural = fixture::lines_of(s.folder.text(TextKind::Plural, 1));
    plural.at(5) = in_1251("Чужое");
    fixture::write_text(s.folder.path(TextKind::Plural, 1), fixture::join_lines(plural));
    s.form.answer_next(Answer::Cancel);
    s.form.click(2100);
    ASSERT_EQ(questions.size(), 5u);
    const std::string conflict = russian(questions[4]);
    EXPECT_EQ(conflict.find("Существо 5 после показа изменила другая программа"), 0u) << conflict;
    EXPECT_NE(conflict.find(russian(s.form.get_text(2102, 100)) + ": было \""), std::string::npos) << conflict;
    EXPECT_NE(conflict.find("у вас \"Typed\", на диске \"Чужое\""), std::string::npos) << conflict;
    EXPECT_NE(conflict.find(russian(s.form.get_text(2099, 100)) + ": было не отмечено, у вас отмечено, на диске отмечено"),
              std::string::npos)
        << conflict;
    EXPECT_NE(conflict.find("Отмена: ничего не записывать."), std::string::npos) << conflict;

    for (const std::string& box : s.form.errors()) EXPECT_EQ(test::english_sentence(russian(box)), "") << russian(box);
    for (const std::string& box : questions) EXPECT_EQ(test::english_sentence(russian(box)), "") << russian(box);

    // The same session in English says what it always said.
    s.form.clear_records();
    s.form.answer_next(Answer::No);
    s.form.click(2001);
    ASSERT_EQ(s.form.language(), 0);
    s.retype(98, "300");
    s.form.click(2100);
    ASSERT_EQ(s.form.errors().size(), 1u);
    EXPECT_EQ(s.form.errors()[0], "Creature 5 was not saved: these values cannot be stored:\n    " +
                                      s.form.get_text(2095, 100) + ": 300 is outside 0..255\n\nNothing was written.");
}

TEST(Words, FileFaultsOfARussianSessionWordTheirHeadlineInRussian) {
    Session s;
    s.folder.write_settings(1, 0);
    s.start();
    std::filesystem::remove(s.folder.path("Ammo.vrh"));
    s.choose_creature(9);
    ASSERT_EQ(s.form.errors().size(), 1u);
    const std::string refused = russian(s.form.errors()[0]);
    EXPECT_EQ(refused.find("Существо 9 нельзя показать: файлы данных не читаются или слишком короткие (папка \""), 0u)
        << refused;
    EXPECT_NE(refused.find("Ammo.vrh: does not exist"), std::string::npos);

    const std::string start = russian(startup_message(1, s.state.root, startup_faults(s.state.root)).flat());
    EXPECT_EQ(start.find("Редактор не может запуститься"), 0u) << start;
}

}  // namespace
}  // namespace ce
