// A folder kept as text: a full export imported into any other folder of the
// same language rebuilds the source's data files byte for byte, and its name,
// plural and ability lines. Checked on folders of random bytes.
#include <gtest/gtest.h>

#include <cstring>

#include "store/binding.h"
#include "store/layouts.h"
#include "support.h"
#include "text/lines.h"

namespace ce {
namespace {

using namespace ce::test;

// A line's content: any byte that does not end a line or the text (tab, 14..255).
std::string random_line(Random& r, int longest) {
    std::string line;
    const int n = r.below(4) == 0 ? 0 : r.below(longest + 1);
    for (int i = 0; i < n; ++i) {
        char c;
        do c = static_cast<char>(r.below(256));
        while (c >= 0 && c <= 13 && c != 9);
        line += c;
    }
    return line;
}

std::string random_lines(Random& r, int count, int longest) {
    static constexpr const char* kEnders[] = {"\r\n", "\n", "\r"};
    std::string text;
    for (int i = 0; i < count; ++i) text += random_line(r, longest) + kEnders[r.below(3)];
    return text;
}

// Every byte of the data files random, with some elements made what random
// bytes rarely give: texts that fill their field, zeros after a text, -0.0,
// NaNs with payloads.
void write_random_folder(const std::string& dir, std::uint64_t seed, int language) {
    write_data_folder(dir, {.data = Data::None, .texts = Texts::None, .language = language});
    std::vector<test::Bytes> files = data_file_bytes({.data = Data::Bytes, .seed = seed});
    Random r(~seed);
    for (const DataFileInfo& info : data_files()) {
        test::Bytes& bytes = files[static_cast<std::size_t>(info.id)];
        for (const BindingRow& row : binding_rows(info.id)) {
            for (int s = 0; s < kSlots; ++s) {
                const int pick = r.below(8);
                std::uint8_t* p = bytes.data() + element_position(row, s);
                if (row.kind == Conversion::Text && pick == 0) {
                    for (int i = 0; i < row.width; ++i) p[i] = static_cast<std::uint8_t>('A' + r.below(26));
                } else if (row.kind == Conversion::Text && pick == 1) {
                    p[r.below(row.width)] = 0;
                } else if (row.kind == Conversion::Text && pick == 2) {
                    std::memset(p + r.below(row.width), 0, 1);
                    std::memset(p + row.width - 1, 0, 1);
                } else if (row.kind == Conversion::Float && pick == 0) {
                    write_int(row, bytes, s, 0x80000000);
                } else if (row.kind == Conversion::Float && pick == 1) {
                    write_int(row, bytes, s, 0x7F800000 | (r.next() & 0x807FFFFF) | 1);
                }
            }
        }
    }
    write_data_files(dir, files);
    for (const char* folder : {"Eng", "Rus"}) {
        fs::create_directories(dir + "/" + folder);
        write_file(dir + "/" + folder + "/Monsters.txt", random_lines(r, kSlots + 1, 63));
        write_file(dir + "/" + folder + "/Plural.txt", random_lines(r, kSlots, 63));
        write_file(dir + "/" + folder + "/Ability.txt", random_lines(r, kSlots, r.below(2) ? 999 : 80));
        write_file(dir + "/" + folder + "/Spells.txt", random_lines(r, 50, 20));
        write_file(dir + "/" + folder + "/Common.txt", random_lines(r, 200, 30));
    }
}

// Every line of a language file, without its ender.
std::vector<std::string> all_lines(const std::string& path) {
    const std::string bytes = read_file(path);
    const std::string_view text = text_of(bytes);
    std::vector<std::string> lines(static_cast<std::size_t>(count_lines(text)));
    std::size_t at = 0;
    for (std::string& line : lines) at = next_line(text, at, line);
    return lines;
}

// The first creature line that differs between two language files (a line
// past a file's end reads as empty), or -1.
int first_different_line(const std::string& a, const std::string& b, int first) {
    const std::vector<std::string> la = all_lines(a), lb = all_lines(b);
    auto line = [](const std::vector<std::string>& lines, int k) {
        return static_cast<std::size_t>(k) < lines.size() ? lines[static_cast<std::size_t>(k)] : std::string();
    };
    for (int k = first; k < first + kSlots; ++k)
        if (line(la, k) != line(lb, k)) return k;
    return -1;
}

class RoundTrip : public ::testing::TestWithParam<std::uint64_t> {};

// Seeds 1 to 20: odd ones English, even ones Russian.
TEST_P(RoundTrip, AFullExportRebuildsAnyFolderOfTheSameLanguage) {
    {
        const std::uint64_t seed = GetParam();
        const int language = static_cast<int>(1 - seed % 2);
        const std::string lang = language == 1 ? "/Rus/" : "/Eng/";
        TempDir source;
        write_random_folder(source.str(), seed, language);
        for (const char* format : {"json", "csv"}) {
            SCOPED_TRACE("seed " + std::to_string(seed) + ", " + format);
            TempDir target;
            write_random_folder(target.str(), seed + 1000, language);
            ToolRun e = run_tool({"export", "-C", source.str(), "--format", format});
            ASSERT_EQ(e.status, 0) << e.err;
            const std::string file = target / (std::string("all.") + format);
            write_file(file, e.out);
            ToolRun i = run_tool({"import", "-C", target.str(), file});
            ASSERT_EQ(i.status, 0) << i.err.substr(0, 2000);
            for (const DataFileInfo& info : data_files())
                EXPECT_TRUE(read_file(source / info.name) == read_file(target / info.name)) << info.name;
            EXPECT_EQ(first_different_line(source.str() + lang + "Monsters.txt", target.str() + lang + "Monsters.txt", 1), -1);
            EXPECT_EQ(first_different_line(source.str() + lang + "Plural.txt", target.str() + lang + "Plural.txt", 0), -1);
            EXPECT_EQ(first_different_line(source.str() + lang + "Ability.txt", target.str() + lang + "Ability.txt", 0), -1);
        }
    }
}

INSTANTIATE_TEST_SUITE_P(RandomFolders, RoundTrip, ::testing::Range<std::uint64_t>(1, 21));

// Applied to the folder it came from, an export changes nothing, even where
// texts fill their fields, NaNs carry payloads and bytes follow a text's zero.
TEST(RoundTripSame, ReimportingChangesNothing) {
    TempDir dir;
    write_random_folder(dir.str(), 77, 1);
    const auto before = snapshot(dir.str());
    for (const char* format : {"json", "csv"}) {
        ToolRun e = run_tool({"export", "-C", dir.str(), "--format", format});
        ASSERT_EQ(e.status, 0) << e.err;
        ToolRun i = run_tool({"import", "-C", dir.str(), "-", "--format", format}, e.out);
        EXPECT_EQ(i.out, "0 fields changed in 0 slots; nothing to write\n") << format << i.err.substr(0, 500);
    }
    EXPECT_EQ(snapshot(dir.str()), before);
}

}  // namespace
}  // namespace ce
