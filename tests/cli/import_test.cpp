// Export then import: round trips, spreadsheet edits, faults, texts and lines.
#include <gtest/gtest.h>

#include <set>

#include "tables/csv.h"
#include "folder/dataset.h"
#include "folder/fields.h"
#include "store/value_text.h"
#include "store/binding.h"
#include "store/file_ops.h"
#include "support.h"
#include "support/forwarding_ops.h"

namespace ce {
namespace {

using namespace ce::test;

class Import : public ::testing::Test {
protected:
    void SetUp() override { write_fixture_folder(dir.str()); }

    std::string data(const char* name) const { return read_file(dir / name); }
    std::string eng(const char* name) const { return read_file((dir.path() / "Eng" / name).string()); }

    // The export as CSV records (header first).
    std::vector<CsvRecord> export_csv(std::vector<std::string> extra = {}) {
        std::vector<std::string> args{"export", "-C", dir.str(), "--format", "csv"};
        args.insert(args.end(), extra.begin(), extra.end());
        ToolRun r = run_tool(args);
        EXPECT_EQ(r.status, 0) << r.err;
        std::vector<CsvRecord> records;
        EXPECT_FALSE(read_csv(r.out, records));
        return records;
    }

    static int column_of(const std::vector<CsvRecord>& records, const std::string& key) {
        const auto& h = records.front().fields;
        for (std::size_t i = 0; i < h.size(); ++i)
            if (h[i] == key) return static_cast<int>(i);
        ADD_FAILURE() << "no column " << key;
        return 0;
    }

    TempDir dir;
};

// Writes records the way a spreadsheet saves them: every field quoted, CR LF rows.
std::string spreadsheet_csv(const std::vector<CsvRecord>& records) {
    std::string out;
    for (const CsvRecord& r : records) {
        for (std::size_t i = 0; i < r.fields.size(); ++i) {
            if (i) out += ',';
            out += '"';
            for (char c : r.fields[i]) {
                if (c == '"') out += '"';
                out += c;
            }
            out += '"';
        }
        out += "\r\n";
    }
    return out;
}

TEST_F(Import, ExportThenImportLeavesEveryFileByteIdentical) {
    const auto before = snapshot(dir.str());
    for (const char* format : {"json", "csv"}) {
        ToolRun e = run_tool({"export", "-C", dir.str(), "--format", format});
        ASSERT_EQ(e.status, 0) << e.err;
        EXPECT_TRUE(e.err.empty()) << e.err;
        const std::string file = dir / (std::string("export.") + format);
        write_file(file, e.out);
        ToolRun i = run_tool({"import", "-C", dir.str(), file});
        EXPECT_EQ(i.status, 0) << i.err;
        EXPECT_EQ(i.out, "0 fields changed in 0 slots; nothing to write\n");
        fs::remove(file);
        EXPECT_EQ(snapshot(dir.str()), before) << format;
    }
    // The captions row of a CSV is skipped on import; standard input works too.
    ToolRun e = run_tool({"export", "-C", dir.str(), "--format", "csv", "--captions", "--bom"});
    EXPECT_EQ(e.out.rfind("\xEF\xBB\xBFslot (English),name,", 0), 0u);
    ASSERT_EQ(e.status, 0);
    std::vector<CsvRecord> records;
    ASSERT_FALSE(read_csv(e.out, records));
    EXPECT_EQ(records[1].fields[0], "caption");
    EXPECT_EQ(records[1].fields[1], "Name");
    ToolRun i = run_tool({"import", "-C", dir.str(), "-", "--format", "csv"}, e.out);
    EXPECT_EQ(i.status, 0) << i.err;
    EXPECT_EQ(snapshot(dir.str()), before);
}

TEST_F(Import, ImportIntoAnotherFolderRestoresEveryElement) {
    // B: the same folder with every non-text element scrambled and some texts and lines changed.
    TempDir other;
    write_fixture_folder(other.str());
    std::set<std::pair<int, std::size_t>> text_bytes;  // (file, position) inside text fields
    for (const DataFileInfo& info : data_files())
        for (const BindingRow& row : binding_rows(info.id))
            if (row.kind == Conversion::Text)
                for (int s = 0; s < kSlots; ++s)
                    for (std::size_t k = 0; k < row.width; ++k)
                        text_bytes.insert({static_cast<int>(info.id), element_position(row, s) + k});
    Random noise(7);
    for (const DataFileInfo& info : data_files()) {
        std::string bytes = read_file(other / info.name);
        for (std::size_t p = 0; p < bytes.size(); ++p) {
            if (noise.one_in(3) && !text_bytes.count({static_cast<int>(info.id), p}))
                bytes[p] = static_cast<char>(bytes[p] ^ static_cast<char>(noise.range(1, 255)));
        }
        if (info.id == DataFile::Ammo) bytes.replace(16 * 10, 3, std::string("zz\0", 3));
        write_file(other / info.name, bytes);
    }
    std::string plural = read_file((other.path() / "Eng" / "Plural.txt").string());
    plural.replace(0, plural.find('\r'), "Changed plural");
    write_file((other.path() / "Eng" / "Plural.txt").string(), plural);

    for (const char* format : {"json", "csv"}) {
        ToolRun e = run_tool({"export", "-C", dir.str(), "--format", format});
        ASSERT_EQ(e.status, 0);
        ToolRun i = run_tool({"import", "-C", other.str(), "-", "--format", format}, e.out);
        ASSERT_EQ(i.status, 0) << i.err;
        for (const DataFileInfo& info : data_files())
            EXPECT_EQ(read_file(other / info.name), data(info.name)) << info.name << " " << format;
        EXPECT_EQ(read_file((other.path() / "Eng" / "Plural.txt").string()), eng("Plural.txt"));
    }
}

TEST_F(Import, SpreadsheetEditsOf100SlotsChangeExactlyThoseElements) {
    const auto before = snapshot(dir.str());
    std::vector<CsvRecord> records = export_csv();
    ASSERT_EQ(records.size(), 1u + kSlots);
    const int c_speed = column_of(records, "MonstersSetup.vrh@27000");
    const int c_block = column_of(records, "MonstersSetup.vrh@85000[2]");
    const int c_float = column_of(records, "MonstersSetup.vrh@169000[7]");
    const int c_scaled = column_of(records, "MonstersSetup.vrh@169000[20]");
    const int c_ammo = column_of(records, "Ammo.vrh@0");
    const int c_fire = column_of(records, "Firewall.vrh@0");
    const int c_imposed = column_of(records, "ImposedSpells.vrh@0[1]");
    const int c_name = column_of(records, "name");
    const int c_ability = column_of(records, "ability");

    std::vector<int> slots;
    for (int k = 0; k < 100; ++k) slots.push_back(3 + 10 * k);
    for (int s : slots) {
        auto& f = records[static_cast<std::size_t>(s) + 1].fields;
        f[static_cast<std::size_t>(c_speed)] = std::to_string((std::stoi(f[static_cast<std::size_t>(c_speed)]) + 1) % 256);
        f[static_cast<std::size_t>(c_block)] = std::to_string(std::stoll(f[static_cast<std::size_t>(c_block)]) + 1000);
        f[static_cast<std::size_t>(c_float)] = "1.25";
        f[static_cast<std::size_t>(c_scaled)] = std::to_string(s * 7);
        f[static_cast<std::size_t>(c_ammo)] = "dart";
        f[static_cast<std::size_t>(c_fire)] = f[static_cast<std::size_t>(c_fire)] == "0" ? "1" : "0";
        f[static_cast<std::size_t>(c_imposed)] = std::to_string(s % 50);
        f[static_cast<std::size_t>(c_name)] = "Name " + std::to_string(s) + ", the \"bold\"";
        f[static_cast<std::size_t>(c_ability)] = "Line one\r\nline two";
    }
    const std::string file = dir / "edited.csv";
    write_file(file, spreadsheet_csv(records));

    ToolRun dry = run_tool({"import", "-C", dir.str(), file, "--dry-run"});
    ASSERT_EQ(dry.status, 0) << dry.err;
    for (const auto& [name, bytes] : before) EXPECT_EQ(read_file(dir / name), bytes) << name;
    ToolRun r = run_tool({"import", "-C", dir.str(), file});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(dry.out.substr(0, dry.out.rfind("; ")), r.out.substr(0, r.out.rfind("; ")));
    EXPECT_NE(r.out.find("slot 3: MonstersSetup.vrh@169000[7] ("), std::string::npos) << r.out;
    EXPECT_NE(r.out.find(" -> 1.25\n"), std::string::npos);
    EXPECT_NE(r.out.find("slot 993: name (Name): "), std::string::npos);
    EXPECT_NE(r.out.find("-> \"Line one line two\" (line breaks became spaces)"), std::string::npos);
    EXPECT_NE(r.out.find("in 100 slots; writing MonstersSetup.vrh, Ammo.vrh, ImposedSpells.vrh, Firewall.vrh, "
                         "Eng/Monsters.txt, Eng/Ability.txt\n"),
              std::string::npos)
        << r.out.substr(r.out.size() - 300);

    // Every byte that changed lies in an element that was meant to change, and
    // every such element reads back what the spreadsheet holds.
    const std::vector<Field> fields = make_fields();
    const Dataset after = load_dataset(dir.str());
    std::set<std::pair<int, std::size_t>> allowed;
    for (int s : slots) {
        for (int c : {c_speed, c_block, c_float, c_scaled, c_ammo, c_fire, c_imposed}) {
            const Field& f = fields[static_cast<std::size_t>(find_field(fields, records[0].fields[static_cast<std::size_t>(c)]))];
            for (std::size_t k = 0; k < std::max<std::size_t>(f.row->width, 1); ++k)
                allowed.insert({static_cast<int>(f.row->file), element_position(*f.row, s) + k});
            std::string expected = records[static_cast<std::size_t>(s) + 1].fields[static_cast<std::size_t>(c)];
            EXPECT_EQ(export_value(after, f, s), expected) << f.key << " slot " << s;
        }
    }
    for (const DataFileInfo& info : data_files()) {
        const std::string old_bytes = before.at(info.name), new_bytes = data(info.name);
        ASSERT_EQ(old_bytes.size(), new_bytes.size());
        for (std::size_t p = 0; p < old_bytes.size(); ++p) {
            if (old_bytes[p] != new_bytes[p]) {
                EXPECT_TRUE(allowed.count({static_cast<int>(info.id), p})) << info.name << " byte " << p;
            }
        }
    }
    // "dart" and a zero; the rest of the field as it was (the editor's way).
    const std::string ammo = data("Ammo.vrh"), old_ammo = before.at("Ammo.vrh");
    EXPECT_EQ(ammo.substr(16 * 3, 5), std::string("dart\0", 5));
    EXPECT_EQ(ammo.substr(16 * 3 + 5, 11), old_ammo.substr(16 * 3 + 5, 11));
    // Only the edited lines of the language files changed.
    const std::string monsters = eng("Monsters.txt");
    EXPECT_EQ(count_lines_of(monsters), 1001);
    EXPECT_NE(monsters.find("\r\nName 13, the \"bold\"\r\n"), std::string::npos);
    LanguageText old_monsters;
    old_monsters.bytes = before.at("Eng/Monsters.txt");
    split_lines(old_monsters);
    LanguageText old_ability;
    old_ability.bytes = before.at("Eng/Ability.txt");
    split_lines(old_ability);
    for (int s = 0; s < kSlots; ++s) {
        const bool edited = std::find(slots.begin(), slots.end(), s) != slots.end();
        if (edited) {
            EXPECT_EQ(after.text(TextKind::Ability).line(s), "Line one line two");
        } else {
            EXPECT_EQ(after.text(TextKind::Monsters).line(s + 1), old_monsters.line(s + 1)) << s;
            EXPECT_EQ(after.text(TextKind::Ability).line(s), old_ability.line(s)) << s;
        }
    }
    EXPECT_EQ(eng("Plural.txt"), before.at("Eng/Plural.txt"));
    EXPECT_EQ(read_file((dir.path() / "Rus" / "Monsters.txt").string()), before.at("Rus/Monsters.txt"));
    EXPECT_EQ(data("Demonology.vrh"), before.at("Demonology.vrh"));
}

TEST_F(Import, OneBadValueAmongThousandsIsNamedAndNothingIsWritten) {
    const std::vector<CsvRecord> good = export_csv();
    const int c_speed = column_of(good, "MonstersSetup.vrh@27000");
    const auto before = snapshot(dir.str());
    auto expect_fault = [&](const std::string& text, const std::string& format, const std::string& fault) {
        ToolRun r = run_tool({"import", "-C", dir.str(), "-", "--format", format}, text);
        EXPECT_EQ(r.status, 2);
        EXPECT_NE(r.err.find(fault), std::string::npos) << r.err;
        EXPECT_NE(r.err.find("nothing was written"), std::string::npos) << r.err;
        EXPECT_TRUE(r.out.empty()) << r.out;
        EXPECT_EQ(snapshot(dir.str()), before);
    };
    const std::string letters = column_letters(c_speed + 1);

    std::vector<CsvRecord> bad = good;
    bad[501].fields[static_cast<std::size_t>(c_speed)] = "300";  // slot 500 is on row 502
    expect_fault(spreadsheet_csv(bad), "csv",
                 "row 502, column " + std::to_string(c_speed + 1) + " (" + letters +
                     ", MonstersSetup.vrh@27000): 300 is outside 0..255 (a 1-byte unsigned value)");

    bad = good;
    bad[0].fields[static_cast<std::size_t>(c_speed)] = "MonstersSetup.vrh@27001";
    expect_fault(spreadsheet_csv(bad), "csv",
                 "row 1, column " + std::to_string(c_speed + 1) + " (" + letters + "): unknown key \"MonstersSetup.vrh@27001\"");

    bad = good;
    bad[700].fields[static_cast<std::size_t>(c_speed)] = "12\"3";
    std::string text;
    for (const CsvRecord& r : bad) append_csv_record(text, r.fields);
    const std::size_t at = text.find("\"12\"\"3\"");
    ASSERT_NE(at, std::string::npos);
    text.replace(at, 7, "\"12\"3\"");  // the inner quote is not doubled
    expect_fault(text, "csv", "row 701, column " + std::to_string(c_speed + 1) + " (" + letters + "): unexpected text after the closing quote");

    bad = good;
    bad[10].fields[1] = "Жук";  // not in Windows-1252
    expect_fault(spreadsheet_csv(bad), "csv", "row 11, column 2 (B, name): U+0416 cannot be written in Windows-1252");

    bad = good;
    bad[10].fields.pop_back();
    expect_fault(spreadsheet_csv(bad), "csv", "row 11: " + std::to_string(good[0].fields.size() - 1) + " fields");

    bad = good;
    bad[20].fields[0] = "10";  // slot 10 twice
    expect_fault(spreadsheet_csv(bad), "csv", "row 21, column 1 (A, slot): slot 10 appears again (first in row 12)");

    // JSON: the same faults name the line, the creature and the key.
    ToolRun e = run_tool({"export", "-C", dir.str(), "--slots", "0-9"});
    ASSERT_EQ(e.status, 0);
    std::string json = e.out;
    std::size_t speed = json.find("\"MonstersSetup.vrh@27000\": ", json.find("\"slot\": 4,"));
    std::size_t end = json.find(',', speed);
    const int line = count_lines_of(json.substr(0, speed)) + 1;
    json.replace(speed, end - speed, "\"MonstersSetup.vrh@27000\": 300");
    expect_fault(json, "json",
                 "line " + std::to_string(line) +
                     ", creatures[4] (slot 4), key \"MonstersSetup.vrh@27000\": 300 is outside 0..255");

    json = e.out;
    json.replace(json.find("\"MonstersSetup.vrh@28000\""), 25, "\"MonstersSetup.vrh@28001\"");
    expect_fault(json, "json", "creatures[0] (slot 0), key \"MonstersSetup.vrh@28001\": unknown key");

    json = e.out;
    json.replace(json.find("\"plural\": \""), 11, "\"plural\": ");
    expect_fault(json, "json", "not well-formed JSON");

    json = e.out;
    json.replace(json.find("\"name\": \""), 9, "\"name\": 5, \"x\": \"");
    expect_fault(json, "json", "key \"name\": expected a text in quotes, found 5");

    json = e.out;
    json.replace(json.find("\"MonstersSetup.vrh@27000\": "), 27, "\"MonstersSetup.vrh@27000\": \"7\", \"y\": ");
    expect_fault(json, "json", "key \"MonstersSetup.vrh@27000\": expected a number, found \"7\"");
}

TEST_F(Import, TextFieldsKeepTheEditorsRules) {
    const auto before = snapshot(dir.str());
    const int s = fixture_slot::kAmmoNoZero;  // 16 letters without a zero
    auto import_csv = [&](const std::string& header, const std::string& row) {
        return run_tool({"import", "-C", dir.str(), "-", "--format", "csv"}, header + "\r\n" + row + "\r\n");
    };
    // Unchanged: the field without a zero survives.
    ToolRun r = import_csv("slot,Ammo.vrh@0", std::to_string(s) + "," + std::string(kFixtureAmmoNoZero));
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(snapshot(dir.str()), before);
    // Changed to 17 letters: too long for the field.
    r = import_csv("slot,Ammo.vrh@0", std::to_string(s) + ",Quicksilver darts");
    EXPECT_EQ(r.status, 2);
    EXPECT_NE(r.err.find("the text \"Quicksilver darts\" has 17 characters; the field holds at most 16"),
              std::string::npos) << r.err;
    EXPECT_EQ(snapshot(dir.str()), before);
    // 16 letters fill the field: stored without a zero, as the export shows such a field.
    r = import_csv("slot,Ammo.vrh@0", std::to_string(s) + ",Quicksilver darx");
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(data("Ammo.vrh").substr(16 * s, 16), "Quicksilver darx");
    // A shorter text: the text and a zero, then zeros, unless the bytes after
    // the text are given by their places in the field ("..": as they are).
    r = import_csv("slot,Ammo.vrh@0,Ammo.vrh@0.after,MonstersSetup.vrh@16000,MonstersSetup.vrh@16000.after",
                   std::to_string(s) + ",ab,..........,AB,......4C");
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(data("Ammo.vrh").substr(16 * s, 16), std::string("ab\0ck", 6) + std::string(10, '\0'));
    EXPECT_EQ(data("MonstersSetup.vrh").substr(16000 + 5 * s, 5), std::string("AB\0L\0", 5));
    EXPECT_NE(r.out.find("MonstersSetup.vrh@16000.after (Caption 6 (bytes after the text)): \"....6E6D70\" -> \"......4C\""),
              std::string::npos) << r.out;
    // Without them, a partial table that gives the text unchanged keeps them;
    // a changed text ends in zeros.
    r = import_csv("slot,Ammo.vrh@0", std::to_string(s) + ",ab");
    EXPECT_EQ(r.out, "0 fields changed in 0 slots; nothing to write\n");
    EXPECT_EQ(data("Ammo.vrh").substr(16 * s, 16), std::string("ab\0ck", 6) + std::string(10, '\0'));
    r = import_csv("slot,Ammo.vrh@0", std::to_string(s) + ",xy");
    EXPECT_EQ(data("Ammo.vrh").substr(16 * s, 16), std::string("xy") + std::string(14, '\0'));
    EXPECT_NE(r.out.find("Ammo.vrh@0.after (Caption 54 (bytes after the text)): \"......636B\" -> \"\""), std::string::npos)
        << r.out;
    // Bytes that are not the field's.
    for (const char* bad : {"4", "4G", "......00000000000000000000000000000000", "0x41"}) {
        r = import_csv("slot,MonstersSetup.vrh@16000.after", std::to_string(s) + "," + bad);
        EXPECT_EQ(r.status, 2) << bad;
        EXPECT_NE(r.err.find("MonstersSetup.vrh@16000.after"), std::string::npos) << r.err;
    }
    // A zero character cannot be stored.
    r = run_tool({"import", "-C", dir.str(), "-"}, R"({"creatures": [{"slot": 1, "Ammo.vrh@0": "a\u0000b"}]})");
    EXPECT_EQ(r.status, 2);
    EXPECT_NE(r.err.find("holds a zero character"), std::string::npos) << r.err;
}

TEST_F(Import, NameLinesAreCutJoinedAndFilesExtended) {
    // A Plural file of 3 lines, and a Monsters file with bare LF line ends.
    const std::string plural_path = (dir.path() / "Eng" / "Plural.txt").string();
    write_file(plural_path, "p0\r\np1\r\np2\r\n");
    const std::string monsters_path = (dir.path() / "Eng" / "Monsters.txt").string();
    std::string monsters = "(none)\n";
    for (int i = 0; i < kSlots; ++i) monsters += "m" + std::to_string(i) + "\n";
    write_file(monsters_path, monsters);

    const std::string long_name(70, 'n');
    const std::string json = R"({"language": "English", "creatures": [)"
                             R"({"slot": 5, "plural": "five", "name": ")" + long_name + R"("},)"
                             R"({"slot": 2, "name": "a\r\nb\tc\u0001d"}]})";
    ToolRun r = run_tool({"import", "-C", dir.str(), "-"}, json);
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_NE(r.out.find("(cut to 63 characters)"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("(Eng/Plural.txt extended to 6 lines)"), std::string::npos) << r.out;
    EXPECT_EQ(read_file(plural_path), "p0\r\np1\r\np2\r\n\r\n\r\nfive\r\n");
    std::string expected = monsters;
    expected.replace(expected.find("\nm1\n") + 4, 2, "a b\tc d");      // slot 2 is line 3
    expected.replace(expected.find("\nm4\n") + 4, 2, std::string(63, 'n'));  // slot 5 is line 6
    EXPECT_EQ(read_file(monsters_path), expected);

    // A file whose last line has no break gets one before it grows.
    write_file(plural_path, "p0\r\np1");
    r = run_tool({"import", "-C", dir.str(), "-"}, R"({"creatures": [{"slot": 3, "plural": "three"}]})");
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(read_file(plural_path), "p0\r\np1\r\n\r\nthree\r\n");
}

// A zero byte would end the whole language file's text for the editor: a text
// holding one is refused before anything is written, also for the name line
// that the one-line rule stores.
TEST_F(Import, ANameWithAZeroCharacterIsRefused) {
    const std::string monsters_path = (dir.path() / "Eng" / "Monsters.txt").string();
    const std::string before = read_file(monsters_path);
    ToolRun r = run_tool({"import", "-C", dir.str(), "-"},
                         R"({"creatures": [{"slot": 2, "name": "ab\u0000cd"}]})");
    EXPECT_EQ(r.status, 2) << r.err;
    EXPECT_NE(r.err.find("zero character"), std::string::npos) << r.err;
    EXPECT_EQ(read_file(monsters_path), before);
}

TEST_F(Import, TextsFollowTheExportsLanguage) {
    // Export in Russian, switch the folder to English, import: the Russian files are written.
    write_file(dir / "Lang", std::string("\x01\x00\x00", 3));
    ToolRun e = run_tool({"export", "-C", dir.str(), "--slots", "7", "--fields", "texts"});
    ASSERT_EQ(e.status, 0) << e.err;
    EXPECT_NE(e.out.find("\"language\": \"Russian\""), std::string::npos);
    std::string json = e.out;
    const std::size_t name = json.find("\"name\": \"") + 9;
    json.insert(name, "Новый ");
    write_file(dir / "Lang", std::string("\x00\x00\x00", 3));
    const auto before = snapshot(dir.str());
    ToolRun r = run_tool({"import", "-C", dir.str(), "-"}, json);
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_NE(r.out.find("writing Rus/Monsters.txt"), std::string::npos) << r.out;
    const std::string rus = read_file((dir.path() / "Rus" / "Monsters.txt").string());
    EXPECT_NE(rus.find("\r\n\xCD\xEE\xE2\xFB\xE9 "), std::string::npos);  // "Новый " in Windows-1251
    EXPECT_EQ(read_file((dir.path() / "Eng" / "Monsters.txt").string()), before.at("Eng/Monsters.txt"));
}

// Fails the rename step of every safe replacement of a data or language file
// (the journal in .history is written).
// Every rename over a file of the folder fails (the history's own go through).
class FailingRename : public ForwardingOps {
public:
    Status before(Step step, const std::string& path) override {
        if ((step == Replace || step == RenameOver) && path.find(".history") == std::string::npos)
            return std::string("Disk on fire");
        return {};
    }
};

TEST_F(Import, AFailedWriteIsReportedAndLeavesTheFile) {
    const auto before = snapshot(dir.str());
    FailingRename ops;
    ToolRun r = run_tool({"import", "-C", dir.str(), "-", "--format", "csv"}, ops, "slot,DefenseBonus.vrh@0\r\n3,200\r\n");
    EXPECT_EQ(r.status, 2);
    EXPECT_NE(r.err.find("DefenseBonus.vrh"), std::string::npos) << r.err;
    EXPECT_NE(r.err.find("Disk on fire"), std::string::npos) << r.err;
    EXPECT_NE(r.err.find("; nothing was written"), std::string::npos) << r.err;
    EXPECT_EQ(snapshot(dir.str()), before);
}

TEST_F(Import, RefusesAFolderWithAShortDataFileAndBadArguments) {
    write_file(dir / "Firewall.vrh", "short");
    ToolRun r = run_tool({"import", "-C", dir.str(), "-", "--format", "csv"}, "slot,DefenseBonus.vrh@0\r\n3,200\r\n");
    EXPECT_EQ(r.status, 2);
    EXPECT_NE(r.err.find("Firewall.vrh: 5 bytes, needs at least 125"), std::string::npos) << r.err;
    r = run_tool({"import", "-C", dir.str(), dir / "no-such.csv"});
    EXPECT_EQ(r.status, 2);
    EXPECT_NE(r.err.find("no-such.csv: does not exist"), std::string::npos) << r.err;
    write_fixture_folder(dir.str());
    r = run_tool({"import", "-C", dir.str(), "-", "--format", "csv"}, "");
    EXPECT_EQ(r.status, 2);
    EXPECT_NE(r.err.find("the file is empty"), std::string::npos) << r.err;
    r = run_tool({"import", "-C", dir.str(), "-", "--format", "csv"}, "slot;name\r\n1;x\r\n");
    EXPECT_EQ(r.status, 2);
    EXPECT_NE(r.err.find("separated by ';'"), std::string::npos) << r.err;
}

}  // namespace
}  // namespace ce
