// Leaving a creature with changes not saved asks first, whichever way the
// user moves on (list 300, the jump button, a key held in list 300, the
// language radio buttons): Yes saves then moves, No drops the changes, Cancel
// stays with every typed value. Nothing is asked when nothing changed.
#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "editor/session.h"
#include "store/layouts.h"
#include "text/language.h"

namespace ce {
namespace {

using fixture::Bytes;
using fixture::Session;
using Answer = Form::Answer;

constexpr int kShown = 5;
constexpr int kTarget = 9;
constexpr int kDefence = 98;  // an edit of DefenseBonus.vrh, one byte per creature

enum class Way { List, Jump, HeldKey, Language };

struct WayCase {
    Way way;
    const char* name;
};
constexpr WayCase kWays[] = {
    {Way::List, "list 300"}, {Way::Jump, "jump button"}, {Way::HeldKey, "held key"}, {Way::Language, "language"}};

// The user moves on from the shown creature.
void move_on(Session& s, Way way) {
    switch (way) {
        case Way::List: s.choose_creature(kTarget); break;
        case Way::Jump:
            s.form.choose(301, kTarget + 1);
            s.form.click(2101);
            break;
        case Way::HeldKey:
            // A step of a key held down, with more steps waiting: the shell
            // defers it unless moving on must ask, and then routes it at once.
            s.form.select_item(300, kTarget);
            if (!defer_creature_choice(s.state, s.form)) s.command((1u << 16) | 300u);
            show_pending_choice(s.state, s.form);  // the keys end
            break;
        case Way::Language: s.form.click(2002); break;
    }
}

bool moved(const Session& s, Way way) {
    if (way == Way::Language) return s.folder.read("Lang")[0] == 1 && s.form.language() == 1;
    return s.state.current == kTarget && s.form.selected_item(300) == kTarget;
}

std::string question_for(Way way) {
    return way == Way::Language
               ? "Creature 5 has changes that are not saved. Save them before switching the language?"
               : "Creature 5 has changes that are not saved. Save them before showing creature 9?";
}

std::uint8_t stored_defence(const Session& s, int slot) { return s.folder.read("DefenseBonus.vrh").at(slot); }

// A value of the shown creature's that differs from the stored one.
std::string changed_defence(const Session& s) {
    return stored_defence(s, kShown) == 7 ? "8" : "7";
}

void start_on_shown(Session& s) {
    s.start();
    s.choose_creature(kShown);
    s.form.clear_records();
}

TEST(MovingOn, AsksEveryWayAndEachAnswerDoesWhatItSays) {
    for (const WayCase& way : kWays) {
        for (const Answer answer : {Answer::Yes, Answer::No, Answer::Cancel}) {
            SCOPED_TRACE(std::string(way.name) + ", answer " + std::to_string(static_cast<int>(answer)));
            Session s;
            start_on_shown(s);
            const std::uint8_t before = stored_defence(s, kShown);
            const std::string typed = changed_defence(s);
            s.retype(kDefence, typed);
            s.form.answer_next(answer);
            move_on(s, way.way);

            EXPECT_EQ(s.form.questions(), std::vector<std::string>{question_for(way.way)});
            EXPECT_TRUE(s.form.errors().empty()) << s.form.errors()[0];
            EXPECT_FALSE(s.state.asking);
            switch (answer) {
                case Answer::Yes:
                    EXPECT_EQ(stored_defence(s, kShown), std::stoi(typed));
                    EXPECT_TRUE(moved(s, way.way));
                    break;
                case Answer::No:
                    EXPECT_EQ(stored_defence(s, kShown), before);
                    EXPECT_TRUE(moved(s, way.way));
                    break;
                case Answer::Cancel:
                    // Stays: the creature, the typed value, list 300 on the
                    // creature, the jump list on the choice, the language as it was.
                    EXPECT_EQ(stored_defence(s, kShown), before);
                    EXPECT_EQ(s.state.current, kShown);
                    EXPECT_EQ(s.form.get_text(kDefence, 10), typed);
                    EXPECT_EQ(s.form.selected_item(300), kShown);
                    EXPECT_EQ(s.form.get_text(300, 100), fixture::creature_name(0, kShown));
                    if (way.way == Way::Jump) {
                        EXPECT_EQ(s.form.selected_item(301), kTarget + 1);
                    }
                    EXPECT_EQ(s.form.get_check(2001), 1);
                    EXPECT_EQ(s.form.get_check(2002), 0);
                    EXPECT_EQ(s.folder.read("Lang")[0], 0);
                    EXPECT_EQ(s.form.language(), 0);
                    // Still unsaved: closing asks.
                    s.form.answer_next(Answer::Cancel);
                    s.form.key_escape();
                    EXPECT_EQ(s.closes, 0);
                    break;
            }
        }
    }
}

TEST(MovingOn, NothingChangedNothingAsked) {
    for (const WayCase& way : kWays) {
        SCOPED_TRACE(way.name);
        Session s;
        start_on_shown(s);
        const Bytes defence = s.folder.read("DefenseBonus.vrh");
        move_on(s, way.way);
        EXPECT_TRUE(s.form.questions().empty());
        EXPECT_TRUE(moved(s, way.way));
        EXPECT_EQ(s.folder.read("DefenseBonus.vrh"), defence);
    }
    {
        // A value typed and typed back is no change.
        Session s;
        start_on_shown(s);
        const std::string shown = s.form.get_text(kDefence, 10);
        s.retype(kDefence, changed_defence(s));
        s.retype(kDefence, shown);
        s.choose_creature(kTarget);
        EXPECT_TRUE(s.form.questions().empty());
        EXPECT_EQ(s.state.current, kTarget);
    }
    {
        // Choosing in list 301 is where to jump, not a change: the jump does
        // not ask, and neither does closing after it.
        Session s;
        start_on_shown(s);
        s.form.choose(301, 40);
        s.form.click(2101);
        EXPECT_EQ(s.state.current, 39);
        s.form.key_escape();
        EXPECT_EQ(s.closes, 1);
        EXPECT_TRUE(s.form.questions().empty());
    }
}

TEST(MovingOn, ARefusedOrCancelledSaveStays) {
    {
        // Yes, but the value cannot be stored: the refusal, and the editor stays.
        Session s;
        start_on_shown(s);
        s.retype(kDefence, "300");
        s.form.answer_next(Answer::Yes);
        s.choose_creature(kTarget);
        ASSERT_EQ(s.form.errors().size(), 1u);
        EXPECT_NE(s.form.errors()[0].find("Creature 5 was not saved"), std::string::npos);
        EXPECT_EQ(s.state.current, kShown);
        EXPECT_EQ(s.form.selected_item(300), kShown);
        EXPECT_EQ(s.form.get_text(kDefence, 10), "300");
    }
    {
        // Yes, then the Save's own question about another program's change is
        // cancelled: nothing saved, the language stays.
        Session s;
        start_on_shown(s);
        s.retype(kDefence, changed_defence(s));
        Bytes defence = s.folder.read("DefenseBonus.vrh");
        defence.at(kShown) = 200;
        s.folder.write("DefenseBonus.vrh", defence);
        s.form.answer_next(Answer::Yes);
        s.form.answer_next(Answer::Cancel);
        s.form.click(2002);
        EXPECT_EQ(s.form.questions().size(), 2u);
        EXPECT_EQ(stored_defence(s, kShown), 200);
        EXPECT_EQ(s.folder.read("Lang")[0], 0);
        EXPECT_EQ(s.form.get_check(2001), 1);
        EXPECT_EQ(s.form.get_check(2002), 0);
    }
}

TEST(MovingOn, TypedTextsAreKeptOrSaved) {
    {
        // A new name typed into list 300, then another creature chosen: the
        // list's field shows that creature's name at once, yet the name typed
        // is what is asked about, kept and saved.
        Session s;
        start_on_shown(s);
        s.retype(300, "Renamed");
        s.form.answer_next(Answer::Cancel);
        s.choose_creature(kTarget);
        ASSERT_EQ(s.form.questions().size(), 1u);
        EXPECT_EQ(s.form.get_text(300, 100), "Renamed");
        EXPECT_EQ(s.form.selected_item(300), -1);
        EXPECT_EQ(s.state.current, kShown);

        s.form.answer_next(Answer::Yes);
        s.choose_creature(kTarget);
        EXPECT_EQ(s.form.questions().size(), 2u);
        EXPECT_EQ(fixture::lines_of(s.folder.text(TextKind::Monsters, 0))[kShown + 1], "Renamed");
        EXPECT_EQ(s.state.current, kTarget);
        EXPECT_EQ(s.form.item_text(300, kShown), "Renamed");
    }
    {
        // A plural and an ability typed, then the other language clicked.
        Session s;
        start_on_shown(s);
        s.retype(5000, "Many typed");
        s.retype(5001, "Typed ability");
        s.form.answer_next(Answer::Cancel);
        s.form.click(2002);
        ASSERT_EQ(s.form.questions().size(), 1u);
        EXPECT_EQ(s.form.get_text(5000, 100), "Many typed");
        EXPECT_EQ(s.form.get_text(5001, 100), "Typed ability");
        EXPECT_EQ(s.form.get_check(2001), 1);
        EXPECT_EQ(s.form.get_check(2002), 0);
        EXPECT_EQ(s.folder.read("Lang")[0], 0);

        // The already checked radio button refills the texts too: it asks.
        s.form.answer_next(Answer::Cancel);
        s.form.click(2001);
        EXPECT_EQ(s.form.questions().size(), 2u);
        EXPECT_EQ(s.form.get_text(5000, 100), "Many typed");

        s.form.answer_next(Answer::Yes);
        s.form.click(2002);
        EXPECT_EQ(fixture::lines_of(s.folder.text(TextKind::Plural, 0))[kShown], "Many typed");
        EXPECT_EQ(s.folder.read("Lang")[0], 1);
        EXPECT_EQ(s.form.get_text(5000, 100), fixture::plural_of(1, kShown));
    }
    {
        // The creature shown chosen again would show the files' values anew: asked too.
        Session s;
        start_on_shown(s);
        s.retype(kDefence, changed_defence(s));
        s.choose_creature(kShown);
        EXPECT_EQ(s.form.questions().size(), 1u);
        EXPECT_NE(s.form.get_text(kDefence, 10), "");
    }
    {
        // Jump with Yes: list 301's field keeps its stored value, the jump
        // target is not saved into it.
        Session s;
        start_on_shown(s);
        const Bytes monsters = s.folder.read(fixture::kMonsters);
        s.retype(kDefence, changed_defence(s));
        s.form.choose(301, 13);
        s.form.answer_next(Answer::Yes);
        s.form.click(2101);
        EXPECT_EQ(s.state.current, 12);
        const Bytes saved = s.folder.read(fixture::kMonsters);
        EXPECT_EQ(fixture::peek(saved, 47000 + 4 * kShown, 4), fixture::peek(monsters, 47000 + 4 * kShown, 4));
    }
}

TEST(MovingOn, HeldKeysAskAtTheFirstStep) {
    Session s;
    start_on_shown(s);
    // Nothing changed: the steps wait, the first judged, the next ones not again.
    s.form.select_item(300, 6);
    EXPECT_TRUE(defer_creature_choice(s.state, s.form));
    s.form.select_item(300, 7);
    EXPECT_TRUE(defer_creature_choice(s.state, s.form));
    EXPECT_TRUE(s.form.questions().empty());
    // What is typed while a step waits is asked about when it is shown.
    s.retype(kDefence, changed_defence(s));
    s.form.answer_next(Answer::Cancel);
    show_pending_choice(s.state, s.form);
    EXPECT_EQ(s.form.questions().size(), 1u);
    EXPECT_EQ(s.state.current, kShown);
    EXPECT_EQ(s.form.selected_item(300), kShown);
    EXPECT_FALSE(s.state.choice_pending);
    // With the change, the next step of a held key is not deferred: it asks now.
    s.form.select_item(300, 6);
    EXPECT_FALSE(defer_creature_choice(s.state, s.form));
    EXPECT_FALSE(s.state.choice_pending);
}

// A form whose user acts while a question is open (what reaches the dialog
// behind a modal box): nothing of it may act.
class BusyForm : public MemoryForm {
public:
    Answer ask(const UserText& question) override {
        if (during) during();
        return MemoryForm::ask(question);
    }
    std::function<void()> during;
};

TEST(MovingOn, NothingActsWhileAQuestionIsOpen) {
    fixture::DataFolder folder;
    EditorState state;
    state.root = folder.root();
    BusyForm form;
    int closes = 0;
    form.set_command_sink([&](std::uint32_t wparam) {
        if (on_command(state, form, wparam) == CommandResult::Close) ++closes;
    });
    on_initialise(state, form);
    form.choose(300, kShown);
    form.type(kDefence, "1");
    form.during = [&] {
        EXPECT_TRUE(state.asking);
        form.choose(300, 7);
        form.click(2100);
        form.key_escape();
    };
    form.answer_next(Answer::Cancel);
    form.choose(300, kTarget);
    EXPECT_EQ(form.questions().size(), 1u);
    EXPECT_EQ(state.questions, 1u);
    EXPECT_FALSE(state.asking);
    EXPECT_EQ(closes, 0);
    EXPECT_EQ(state.current, kShown);
    EXPECT_EQ(form.selected_item(300), kShown);
    EXPECT_EQ(form.get_text(kDefence, 10).back(), '1');
}

}  // namespace
}  // namespace ce
