// The one apply on folders in memory: a patch made from two folders rebuilds
// the second from the first and then has nothing left to do; the three ways a
// folder can stand to a change, settled as the rules say; the options that
// name the winners and the order of precedence refused where they contradict.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "cli/fixture.h"
#include "folder/folder_bytes.h"
#include "mods/apply.h"
#include "mods/merge_sides.h"
#include "support/temp_dir.h"

namespace ce {
namespace {

using namespace ce::test;

// The fixture folder of `seed` in memory, its texts in `language`.
Dataset fixture(std::uint64_t seed, int language) {
    const TempDir dir("mods-apply");
    write_fixture_folder(dir.str(), seed);
    return load_dataset(dir.str(), language);
}

// Random bytes in about a third of the elements of `slots`, and a new text
// in about half of their lines.
void mutate(Dataset& d, std::uint64_t seed, const std::vector<int>& slots) {
    Random r(seed);
    for (const DataFileInfo& info : data_files())
        for (const BindingRow& row : binding_rows(info.id))
            for (int slot : slots) {
                if (r.below(3) != 0) continue;
                auto bytes = d.folder.file(info.id).view().subspan(element_position(row, slot), row.width);
                for (auto& b : bytes) b = static_cast<std::uint8_t>(r.below(256));
            }
    LineEdits lines;
    for (const Field& f : make_fields())
        if (f.kind == FieldKind::Line)
            for (int slot : slots)
                if (r.below(2) == 0)
                    lines[static_cast<std::size_t>(f.text_kind)][line_of(f, slot)] = "Mod " + std::to_string(r.below(1000));
    put_lines(d, lines);
}

Patch patch_between(const Dataset& a, const Dataset& b, const std::vector<Field>& fields) {
    const std::string text = write_patch(a, b, fields, std::vector<std::string>(fields.size()));
    FaultList faults;
    Patch p = read_patch(text, fields, faults);
    EXPECT_TRUE(faults.empty()) << faults.kept().front();
    return p;
}

bool same_files(const Dataset& a, const Dataset& b) {
    for (const DataFileInfo& info : data_files())
        if (a.folder.file(info.id).bytes != b.folder.file(info.id).bytes) return false;
    for (int k = 0; k < 5; ++k)
        if (a.texts[static_cast<std::size_t>(k)].bytes != b.texts[static_cast<std::size_t>(k)].bytes) return false;
    return true;
}

class OneApply : public ::testing::TestWithParam<std::uint64_t> {};
INSTANTIATE_TEST_SUITE_P(Seeds, OneApply, ::testing::Values(1, 2, 3, 4));

TEST_P(OneApply, APatchOfTwoFoldersRebuildsTheSecondAndThenHasNothingToDo) {
    const std::vector<Field> fields = make_fields(true);
    const int language = static_cast<int>(GetParam() % 2);
    const Dataset base = fixture(GetParam(), language);
    Dataset mod = base;
    Random r(GetParam());
    std::vector<int> slots;
    for (int i = 0; i < 30; ++i) slots.push_back(static_cast<int>(r.below(kSlots)));
    mutate(mod, GetParam() + 10, slots);
    const Patch patch = patch_between(base, mod, fields);

    FaultList faults;
    const Result<ApplyPlan> first = apply_patch(base, patch, fields, {}, faults);
    ASSERT_TRUE(first.ok()) << first.fault();
    EXPECT_EQ(first->open, 0u);
    EXPECT_TRUE(same_files(first->data, mod));
    std::vector<std::string> names;
    EXPECT_FALSE(planned_files(base, *first, names).empty());

    const Result<ApplyPlan> again = apply_patch(first->data, patch, fields, {}, faults);
    ASSERT_TRUE(again.ok()) << again.fault();
    for (Outcome o : again->outcomes) EXPECT_TRUE(o == Outcome::Already || o == Outcome::Nothing);
    names.clear();
    EXPECT_TRUE(planned_files(first->data, *again, names).empty());
}

// A patch of one change of slot 5's Speed (one byte), from 5 to 7.
Patch speed_patch(const std::vector<Field>& fields) {
    const std::string text =
        "{\"language\": \"English\", \"creatures\": [{\"slot\": 5, \"changes\": "
        "{\"MonstersSetup.vrh@27000\": {\"before\": 5, \"after\": 7}}}]}";
    FaultList faults;
    return read_patch(text, fields, faults);
}

TEST(OneApply, EachWayTheFolderStandsToAChangeIsSettledAsTheRulesSay) {
    const std::vector<Field> fields = make_fields(true);
    const Patch patch = speed_patch(fields);
    struct Case {
        std::uint8_t holds;
        Winner winner;
        Outcome outcome;
        std::uint8_t after;
    };
    const Case cases[] = {
        {5, Winner::None, Outcome::Write, 7},          {7, Winner::None, Outcome::Already, 7},
        {9, Winner::None, Outcome::Open, 9},           {9, Winner::Patch, Outcome::PatchWins, 7},
        {9, Winner::Folder, Outcome::FolderWins, 9},   {5, Winner::Folder, Outcome::Write, 7},
    };
    Dataset base = fixture(1, 0);
    for (const Case& c : cases) {
        base.folder.file(DataFile::Monsters).bytes[27005] = c.holds;
        ApplyRules rules;
        rules.winners.assign(kSlots, Winner::None);
        rules.winners[5] = c.winner;
        FaultList faults;
        const Result<ApplyPlan> plan = apply_patch(base, patch, fields, rules, faults);
        ASSERT_TRUE(plan.ok()) << plan.fault();
        EXPECT_EQ(plan->outcomes.at(0), c.outcome) << int{c.holds};
        EXPECT_EQ(plan->open, c.outcome == Outcome::Open ? 1u : 0u);
        EXPECT_EQ(plan->data.folder.file(DataFile::Monsters).bytes[27005], c.after) << int{c.holds};
    }
}

TEST(OneApply, APatchMadeFromAFolderWithLinesPastTheirMaximumAppliesToIt) {
    const std::vector<Field> fields = make_fields(true);
    Dataset base = fixture(2, 0);
    LineEdits lines;
    lines[static_cast<std::size_t>(TextKind::Monsters)][6] = std::string(80, 'n');       // slot 5's name
    lines[static_cast<std::size_t>(TextKind::Ability)][5] = std::string(1200, 'a');      // its ability
    put_lines(base, lines);
    Dataset mod = base;
    lines[static_cast<std::size_t>(TextKind::Monsters)][6] = "Short";
    lines[static_cast<std::size_t>(TextKind::Ability)][5] = "Shorter";
    put_lines(mod, lines);
    FaultList faults;
    const Result<ApplyPlan> plan = apply_patch(base, patch_between(base, mod, fields), fields, {}, faults);
    ASSERT_TRUE(plan.ok()) << (faults.empty() ? plan.fault().message() : faults.kept().front());
    EXPECT_TRUE(same_files(plan->data, mod));
}

TEST(OneApply, ContradictingWinnersAndBadOrdersOfPrecedenceAreRefused) {
    EXPECT_FALSE(conflict_winners(true, true, "", "").ok());
    EXPECT_FALSE(conflict_winners(false, false, "5", "5").ok());
    EXPECT_FALSE(conflict_winners(false, false, "1-9", "9-12").ok());
    EXPECT_NE(conflict_winners(false, false, "x", "").fault().message().find("--patch-wins-for: "), std::string::npos);
    const Result<std::vector<Winner>> w = conflict_winners(false, true, "3-4", "");
    ASSERT_TRUE(w.ok());
    EXPECT_EQ((*w)[2], Winner::Folder);
    EXPECT_EQ((*w)[3], Winner::Patch);
    EXPECT_EQ((*w)[4], Winner::Patch);
    EXPECT_EQ((*w)[5], Winner::Folder);

    for (const char* bad : {"0", "3", "1,1", "1,,2", "-1", "1.0", "x"})
        EXPECT_FALSE(parse_precedence(bad, 2).ok()) << bad;
    EXPECT_EQ(*parse_precedence("", 2), std::vector<int>{});
    EXPECT_EQ(*parse_precedence(" 2, 1", 2), (std::vector<int>{1, 0}));
}

TEST(OneApply, AChangeWithoutItsBeforeOrAfterIsNoChange) {
    const std::vector<Field> fields = make_fields(true);
    for (const char* members : {"\"before\": 5", "\"after\": 7", "\"caption\": \"Speed\""}) {
        FaultList faults;
        read_patch(std::string("{\"language\": \"English\", \"creatures\": [{\"slot\": 5, \"changes\": "
                               "{\"MonstersSetup.vrh@27000\": {") + members + "}}}]}",
                   fields, faults);
        ASSERT_EQ(faults.size(), 1u) << members;
        EXPECT_NE(faults.kept()[0].message().find("the change has no"), std::string::npos) << faults.kept()[0].message();
    }
}

}  // namespace
}  // namespace ce
