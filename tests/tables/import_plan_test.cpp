// The planning of an import over a folder in memory: the changes it lists are
// the folder's values before and the cells' after, the files it makes hold
// exactly the written changes, and the suspect changes are held, accepted or
// left out as asked.
#include <gtest/gtest.h>

#include <filesystem>
#include <set>

#include "folder/dataset.h"
#include "store/value_text.h"
#include "support/data_folder.h"
#include "support/random.h"
#include "support/temp_dir.h"
#include "tables/import_plan.h"

namespace ce {
namespace {

using test::Random;

std::string word(Random& r, std::size_t longest) {
    std::string w;
    const std::size_t n = 1 + r.below(std::max<std::size_t>(longest, 1));
    for (std::size_t i = 0; i < n; ++i) w += static_cast<char>('a' + r.below(26));
    return w;
}

// A cell of the field's kind with a value it can store.
std::string random_value(const Field& f, Random& r) {
    switch (f.kind) {
        case FieldKind::Integer: return std::to_string(f.min + static_cast<std::int64_t>(r.next() % static_cast<std::uint64_t>(f.max - f.min + 1)));
        case FieldKind::Float: return float_value_text(static_cast<std::uint32_t>(r.next()));
        case FieldKind::Text: return r.below(4) == 0 ? std::string() : word(r, f.row->width - 1);
        case FieldKind::Line: return word(r, 40);
        case FieldKind::After: break;
    }
    return {};
}

class ImportPlanTest : public ::testing::Test {
protected:
    void SetUp() override {
        test::write_data_folder(dir.path(), test::varied_folder(7));
        data = load_dataset(dir.str());
        ASSERT_TRUE(data_faults(data.folder).empty());
    }

    // A CSV table of `rows` random slots, each with cells for random fields.
    ImportTable random_table(Random& r, int rows) {
        ImportTable table;
        table.full = false;
        std::set<int> slots;
        while (static_cast<int>(slots.size()) < rows) slots.insert(r.below(kSlots));
        for (int slot : slots) {
            ImportEntry& e = table.entries.emplace_back();
            e.slot = slot;
            for (std::size_t i = 0; i < fields.size(); ++i) {
                if (fields[i].kind == FieldKind::After || r.below(8) != 0) continue;
                e.cells.push_back({static_cast<int>(i), CellType::Text, 2, static_cast<int>(i) + 2,
                                   random_value(fields[i], r)});
            }
        }
        return table;
    }

    // The folder again, after the plan's files were written into it.
    Dataset written(const ImportPlan& plan) {
        for (const ImportFile& f : plan.files) test::write_file(f.path, f.bytes);
        return load_dataset(dir.str());
    }

    test::TempDir dir{"import-plan"};
    Dataset data;
    const std::vector<Field> fields = make_fields(true);
};

// Every change is the folder's value before and the new one after (read back
// from the files the plan makes); every other field of every slot stays.
TEST_F(ImportPlanTest, TheFilesHoldExactlyTheChanges) {
    Random r(11);
    for (int round = 0; round < 3; ++round) {
        const ImportTable table = random_table(r, 40);
        const ImportPlan plan = plan_import(table, FaultList(), data, fields, {true, SuspectChoice::Accept, {}, {}});
        ASSERT_TRUE(plan.faults.empty()) << plan.faults.kept().front();
        ASSERT_FALSE(plan.changes.empty());
        const Dataset after = written(plan);
        std::set<std::pair<int, int>> changed;
        for (const FieldChange& c : plan.changes) {
            const Field& f = fields[static_cast<std::size_t>(c.field)];
            EXPECT_EQ(stored_text(f, c.before, data.language), export_value(data, f, c.slot)) << f.key << " " << c.slot;
            EXPECT_EQ(stored_text(f, c.after, data.language), export_value(after, f, c.slot)) << f.key << " " << c.slot;
            EXPECT_NE(c.before, c.after);
            changed.insert({c.slot, c.field});
        }
        for (const ImportEntry& e : table.entries) {
            for (std::size_t i = 0; i < fields.size(); ++i) {
                if (changed.contains({e.slot, static_cast<int>(i)})) continue;
                EXPECT_EQ(export_value(data, fields[i], e.slot), export_value(after, fields[i], e.slot))
                    << fields[i].key << " " << e.slot;
            }
        }
        EXPECT_TRUE(std::is_sorted(plan.changes.begin(), plan.changes.end(), [](const auto& a, const auto& b) {
            return a.slot != b.slot ? a.slot < b.slot : a.field < b.field;
        }));
        data = after;
    }
}

// Names in quotes are a program's doing: held, nothing planned to write;
// accepted, written; left out, the files hold only the other changes.
TEST_F(ImportPlanTest, SuspectChangesAreHeldAcceptedOrLeftOut) {
    ImportTable table;
    table.full = false;
    const int ability = find_field(fields, "ability");
    for (int slot : {3, 4, 5}) {
        ImportEntry& e = table.entries.emplace_back();
        e.slot = slot;
        e.cells.push_back({0, CellType::Text, slot + 2, 2, "\"" + export_value(data, fields[0], slot) + "\""});
        e.cells.push_back({ability, CellType::Text, slot + 2, 3, "edited " + std::to_string(slot)});
    }
    const ImportPlan held = plan_import(table, FaultList(), data, fields, {true, SuspectChoice::Hold, {}, {}});
    ASSERT_TRUE(held.faults.empty());
    EXPECT_EQ(held.held, 3u);
    EXPECT_EQ(held.changes.size(), 6u);
    EXPECT_TRUE(held.files.empty());
    for (const FieldChange& c : held.changes) EXPECT_EQ(c.suspect, c.field == 0 ? Suspect::Quotes : Suspect::None);

    const ImportPlan unclassed = plan_import(table, FaultList(), data, fields, {false, SuspectChoice::Hold, {}, {}});
    EXPECT_EQ(unclassed.held, 0u);
    EXPECT_EQ(unclassed.files.size(), 2u);  // the names' file and the abilities'

    const ImportPlan dropped = plan_import(table, FaultList(), data, fields, {true, SuspectChoice::Drop, {}, {}});
    EXPECT_EQ(dropped.written_count(), 3u);
    ASSERT_EQ(dropped.files.size(), 1u);
    const Dataset after = written(dropped);
    for (int slot : {3, 4, 5}) {
        EXPECT_EQ(export_value(after, fields[0], slot), export_value(data, fields[0], slot));
        EXPECT_EQ(export_value(after, fields[static_cast<std::size_t>(ability)], slot), "edited " + std::to_string(slot));
    }
}

// A cell that cannot be stored is a fault of the file's data, placed at its
// row and column; the reader's faults come first, and nothing is planned.
TEST_F(ImportPlanTest, CellsThatCannotBeStoredAreFaultsInPlace) {
    const int number = [&] {
        for (std::size_t i = 0; i < fields.size(); ++i)
            if (fields[i].kind == FieldKind::Integer && fields[i].max < 1000) return static_cast<int>(i);
        return -1;
    }();
    ASSERT_GE(number, 0);
    ImportTable table;
    table.full = false;
    ImportEntry& e = table.entries.emplace_back();
    e.slot = 9;
    e.cells.push_back({number, CellType::Text, 4, 2, "100000"});
    e.cells.push_back({number, CellType::Text, 4, 3, "seven"});
    e.cells.push_back({0, CellType::Text, 4, 4, std::string("a\0b", 3)});
    FaultList read;
    read.push_back("row 3: 2 fields, but the header row has 3");
    const ImportPlan plan = plan_import(table, std::move(read), data, fields, {true, SuspectChoice::Accept, {}, {}});
    ASSERT_EQ(plan.faults.size(), 4u);
    EXPECT_EQ(plan.faults.kept()[0].message(), "row 3: 2 fields, but the header row has 3");
    const std::string place = "row 4, column 2 (B, " + fields[static_cast<std::size_t>(number)].key + "): ";
    EXPECT_TRUE(plan.faults.kept()[1].message().starts_with(place)) << plan.faults.kept()[1].message();
    EXPECT_NE(plan.faults.kept()[3].message().find("zero character"), std::string::npos);
    for (const Fault& f : plan.faults) EXPECT_TRUE(f.kind == FaultKind::invalid || f.kind == FaultKind::out_of_range);
    EXPECT_TRUE(plan.files.empty());
}

TEST(FaultList, KeepsTheFirstFaultsAndCountsTheRest) {
    FaultList faults(3);
    for (int i = 0; i < 10; ++i) faults.push_back("fault " + std::to_string(i));
    faults.count_only();
    EXPECT_EQ(faults.size(), 11u);
    ASSERT_EQ(faults.kept().size(), 3u);
    for (std::size_t i = 0; i < 3; ++i) {
        EXPECT_EQ(faults.kept()[i].message(), "fault " + std::to_string(i));
        EXPECT_EQ(faults.kept()[i].kind, FaultKind::invalid);
    }
    EXPECT_TRUE(faults.full());
    faults.push_back(Fault(FaultKind::missing, "Eng/Monsters.txt", "does not exist"));
    EXPECT_EQ(faults.size(), 12u);
}

}  // namespace
}  // namespace ce
