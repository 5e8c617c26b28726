// An export rewritten as spreadsheets rewrite cells (rounded floats, trimmed
// spaces, letters a character set lacks made '?', number-like texts in their
// number form, tabs dropped, numbers typed over texts), mixed with honest
// edits, then read back and imported with the suspect changes left out: every
// rewrite is classed, nothing classed is written, and what is written is
// exactly the changes listed as written. Rows left alone are taken as they
// stand by their digests.
#include <gtest/gtest.h>

#include <cstdio>
#include <map>
#include <set>

#include "folder/dataset.h"
#include "store/value_text.h"
#include "support/data_folder.h"
#include "support/random.h"
#include "support/temp_dir.h"
#include "tables/csv.h"
#include "tables/export_table.h"
#include "tables/import_plan.h"

namespace ce {
namespace {

using test::Random;

// Texts a spreadsheet rewrites, set into the folder before it is exported.
const std::vector<std::string> kLookAlikes = {"007", "1.50", " Imp  ", "Caf\xC3\xA9 No\xC3\xABl", "Fire\tImp", "Imp"};

// `text` as a spreadsheet may rewrite it, or nothing when none applies.
std::optional<std::string> spreadsheet_text(const std::string& text) {
    if (text == "007") return "7";
    if (text == "1.50") return "1.5";
    if (text == " Imp  ") return "Imp";
    if (text == "Imp") return "42";  // typed into a cell not formatted as Text
    if (const std::size_t tab = text.find('\t'); tab != std::string::npos)
        return text.substr(0, tab) + text.substr(tab + 1);
    std::string replaced;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const auto c = static_cast<unsigned char>(text[i]);
        if (c < 0x80) replaced += text[i];
        else if ((c & 0xC0) == 0xC0) replaced += '?';  // a character the file's set lacks
    }
    if (replaced != text) return replaced;
    return std::nullopt;
}

// A float shown with fewer decimals and saved as shown, or nothing.
std::optional<std::string> rounded_float(const std::string& text, Random& r) {
    const std::size_t point = text.find('.');
    if (point == std::string::npos || text.find_first_of("eEn") != std::string::npos || point > 6) return std::nullopt;
    const int decimals = static_cast<int>(text.size() - point - 1);
    if (decimals < 2) return std::nullopt;
    char out[64];
    std::snprintf(out, sizeof out, "%.*f", r.below(decimals), std::stod(text));
    return std::string(out);
}

class DropSuspect : public ::testing::TestWithParam<int> {
protected:
    test::TempDir dir{"drop-suspect"};
    const std::vector<Field> fields = make_fields(true);
};

TEST_P(DropSuspect, WritesExactlyTheChangesItListsAsWritten) {
    Random r(static_cast<std::uint64_t>(GetParam()), 3);
    test::write_data_folder(dir.path(), test::varied_folder(static_cast<std::uint64_t>(GetParam())));
    Dataset data = load_dataset(dir.str());
    std::vector<int> slots;
    for (int s = r.below(20); s < kSlots; s += 1 + r.below(40)) slots.push_back(s);

    // Look-alike texts in the names, plurals and abilities of the chosen slots.
    const std::vector<int> lines = {find_field(fields, "name"), find_field(fields, "plural"),
                                    find_field(fields, "ability")};
    ImportTable seeds;
    seeds.full = false;
    for (int slot : slots) {
        ImportEntry& e = seeds.entries.emplace_back();
        e.slot = slot;
        for (int f : lines) e.cells.push_back({f, CellType::Text, 2, 2, kLookAlikes[r.below(kLookAlikes.size())]});
    }
    ImportPlan seeded = plan_import(seeds, FaultList(), data, fields, {true, SuspectChoice::Accept, {}, {}});
    ASSERT_TRUE(seeded.faults.empty()) << seeded.faults.kept().front();
    for (const ImportFile& f : seeded.files) test::write_file(f.path, f.bytes);
    data = load_dataset(dir.str());

    // The export, its rows rewritten here and there; each row keeps the digest of its cells as exported.
    std::vector<const Field*> columns;
    for (const Field& f : fields)
        if (f.kind != FieldKind::After) columns.push_back(&f);
    std::vector<std::size_t> floats, texts;  // indices into columns
    for (std::size_t i = 0; i < columns.size(); ++i) {
        if (columns[i]->kind == FieldKind::Float) floats.push_back(i);
        if (columns[i]->kind == FieldKind::Line) texts.push_back(i);
    }
    std::vector<std::string> header{"slot"};
    for (const Field* f : columns) header.push_back(f->key);
    std::string csv;
    std::vector<std::string> record = header;
    record.emplace_back(kDigestKey);
    append_csv_record(csv, record);
    std::map<std::pair<int, int>, bool> rewritten;  // (slot, field) -> by a spreadsheet (else an edit)
    for (int slot : slots) {
        record.assign(1, std::to_string(slot));
        for (const Field* f : columns) record.push_back(export_value(data, *f, slot));
        const std::string digest = RowDigest(header)(record);
        for (std::size_t c = 1; c < record.size() && r.below(3) == 0; ++c) {
            // A name, plural or ability a third of the time, a float another third.
            const int pick = r.below(3);
            const std::size_t at = 1 + (pick == 0   ? texts[r.below(texts.size())]
                                        : pick == 1 ? floats[r.below(floats.size())]
                                                    : r.below(columns.size()));
            const Field& f = *columns[at - 1];
            const int field = static_cast<int>(&f - fields.data());
            std::optional<std::string> changed;
            if (f.kind == FieldKind::Float) changed = rounded_float(record[at], r);
            if (f.kind == FieldKind::Line) changed = spreadsheet_text(record[at]);
            if (changed && *changed != record[at]) {
                record[at] = *changed;
                rewritten[{slot, field}] = true;
            } else if (f.kind == FieldKind::Integer && f.max > f.min) {
                record[at] = std::to_string(f.min + (std::stoll(record[at]) - f.min + 1) % (f.max - f.min + 1));
                rewritten[{slot, field}] = false;
            } else if (f.kind == FieldKind::Line) {
                record[at] = "edited " + std::to_string(r.below(1000));
                rewritten[{slot, field}] = false;
            }
        }
        record.push_back(digest);
        append_csv_record(csv, record);
    }

    FaultList faults;
    const ImportTable table = read_csv_table(csv, fields, faults);
    ASSERT_TRUE(faults.empty()) << faults.kept().front();
    const ImportPlan plan = plan_import(table, std::move(faults), data, fields, {true, SuspectChoice::Drop, {}, {}});
    ASSERT_TRUE(plan.faults.empty()) << plan.faults.kept().front();
    for (const ImportFile& f : plan.files) test::write_file(f.path, f.bytes);
    const Dataset after = load_dataset(dir.str());

    std::set<std::pair<int, int>> listed_written;
    for (const FieldChange& c : plan.changes) {
        const Field& f = fields[static_cast<std::size_t>(c.field)];
        const auto cause = rewritten.find({c.slot, f.kind == FieldKind::After ? c.field - 1 : c.field});
        ASSERT_NE(cause, rewritten.end()) << "a change of a cell left alone: " << f.key << " " << c.slot;
        if (cause->second) {
            EXPECT_NE(c.suspect, Suspect::None) << f.key << " " << c.slot << " not classed";
        } else if (f.kind != FieldKind::Float) {
            EXPECT_EQ(c.suspect, Suspect::None) << f.key << " " << c.slot;
        }
        EXPECT_EQ(plan.writes(c), c.suspect == Suspect::None);
        if (plan.writes(c)) listed_written.insert({c.slot, c.field});
    }
    std::set<std::pair<int, int>> written;
    for (int slot : slots)
        for (std::size_t i = 0; i < fields.size(); ++i)
            if (export_value(data, fields[i], slot) != export_value(after, fields[i], slot))
                written.insert({slot, static_cast<int>(i)});
    EXPECT_EQ(written, listed_written);
    EXPECT_GT(plan.held, 0u);
    EXPECT_GT(listed_written.size(), 0u);
}

INSTANTIATE_TEST_SUITE_P(Folders, DropSuspect, ::testing::Values(1, 2, 3, 4));

}  // namespace
}  // namespace ce
