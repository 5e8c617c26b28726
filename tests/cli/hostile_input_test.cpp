// Hostile input around the commands: standard input that cannot be read, and
// control characters in a folder's captions on their way to the terminal.
#include <gtest/gtest.h>

#include <map>
#include <streambuf>

#include "folder/dataset.h"
#include "store/quoted_text.h"
#include "store/value_text.h"
#include "folder/fields.h"
#include "folder/folder.h"
#include "text/lines.h"
#include "cli/table_text.h"
#include "tables/libraries.h"
#include "support.h"

#if CE_CLI_LIBRARIES
#include <nlohmann/json.hpp>
#endif

namespace ce {
namespace {

using namespace ce::test;

// A stream buffer whose reading fails as a closed descriptor or a folder's does
// under the standard library: by throwing from underflow.
class ThrowingBuffer : public std::streambuf {
protected:
    int_type underflow() override { throw std::ios_base::failure("underflow error reading the file"); }
};

TEST(StandardInput, ThatCannotBeReadIsAnErrorNotAnAbort) {
    TempDir dir;
    ThrowingBuffer buffer;
    std::istream in(&buffer);
    std::ostringstream out, err;
    const char* argv[] = {"creatures", "import", "-C", nullptr, "-"};
    const std::string root = dir.str();
    argv[3] = root.c_str();
    int status = -1;
    EXPECT_NO_THROW(status = run_creatures(5, argv, system_file_ops(), in, out, err));
    EXPECT_EQ(status, kExitError);
    EXPECT_NE(err.str().find("creatures import: cannot read standard input"), std::string::npos) << err.str();
    EXPECT_TRUE(out.str().empty());

    // The same when the stream would rethrow its buffer's failure.
    std::istream rethrowing(&buffer);
    rethrowing.exceptions(std::ios::badbit);
    std::ostringstream out2, err2;
    EXPECT_NO_THROW(status = run_creatures(5, argv, system_file_ops(), rethrowing, out2, err2));
    EXPECT_EQ(status, kExitError);
    EXPECT_NE(err2.str().find("cannot read standard input"), std::string::npos) << err2.str();
}

TEST(StandardInput, LongerThanOneReadArrivesWhole) {
    // Standard input is read in pieces: a document whose end lies far past the
    // first piece still reads whole.
    TempDir dir;
    write_fixture_folder(dir.str());
    const std::string json = "{\"creatures\": [{\"slot\": 5, \"name\": \"Zed\"}" + std::string(300000, ' ') + "]}";
    const ToolRun r = run_tool({"import", "-C", dir.str(), "--dry-run", "-"}, json);
    EXPECT_EQ(r.status, kExitOk) << r.err;
    EXPECT_NE(r.out.find("-> \"Zed\""), std::string::npos) << r.out;
}

// Standard input of `size` bytes of spaces, made as they are read: a pipe
// that never ends, as far as any reader can tell.
class EndlessInput : public std::streambuf {
public:
    explicit EndlessInput(std::uint64_t size) : left_(size), piece_(std::size_t{1} << 16, ' ') {}

protected:
    int_type underflow() override {
        if (left_ == 0) return traits_type::eof();
        const std::size_t n = static_cast<std::size_t>(std::min<std::uint64_t>(left_, piece_.size()));
        left_ -= n;
        setg(piece_.data(), piece_.data(), piece_.data() + n);
        return traits_type::to_int_type(piece_[0]);
    }

private:
    std::uint64_t left_;
    std::string piece_;
};

// Standard input is held to the bound of a file: a patch or a table on it of
// more than 1 GiB is refused as such a file is, before it fills the memory.
TEST(StandardInput, LargerThanAFileMayBeIsRefusedForEveryCommandThatReadsIt) {
    TempDir dir;
    write_fixture_folder(dir.str());
    const auto before = snapshot(dir.str());
    const std::string root = dir.str();
    for (const char* command : {"apply", "import"}) {
        SCOPED_TRACE(command);
        EndlessInput buffer((std::uint64_t{1} << 30) + 1);
        std::istream in(&buffer);
        std::ostringstream out, err;
        const char* argv[] = {"creatures", command, "-C", root.c_str(), "-"};
        EXPECT_EQ(run_creatures(5, argv, system_file_ops(), in, out, err), kExitError);
        EXPECT_EQ(err.str(), std::string("creatures ") + command + ": standard input: larger than 1 GiB\n");
        EXPECT_EQ(snapshot(dir.str()), before);
    }
}

// A message names a bad value by a short piece of it, whatever its size, in
// every reader: a patch's (for apply and merge) and the import's.
TEST(FaultMessages, QuoteAShortPieceOfEveryBadValue) {
    TempDir dir;
    write_fixture_folder(dir.str());
    const std::string big(std::size_t{1} << 20, '7'), text(std::size_t{1000} * 1000, 'x');
    const std::string hostile = "\x1B]0;owned\x07\xC2\x9B" "2J" + std::string(60, 'x');
    struct Bad {
        const char* what;
        const char* command;
        std::string input;
    };
    const Bad bad[] = {
        {"a patch's language as a long number", "apply", "{\"language\": " + big + ", \"creatures\": []}"},
        {"a patch's language as a long text", "apply", "{\"language\": \"" + text + "\", \"creatures\": []}"},
        {"a patch's unknown key", "apply", "{\"" + text + "\": 1, \"language\": \"English\", \"creatures\": []}"},
        {"a patch's slot", "apply", "{\"language\": \"English\", \"creatures\": [{\"slot\": " + big + ", \"changes\": {}}]}"},
        {"a patch's creature name as a number", "apply",
         "{\"language\": \"English\", \"creatures\": [{\"slot\": 1, \"name\": " + big + ", \"changes\": {}}]}"},
        {"a patch's field key", "apply",
         "{\"language\": \"English\", \"creatures\": [{\"slot\": 1, \"changes\": {\"" + text + "\": {}}}]}"},
        {"a patch's value as a number in a text", "apply",
         "{\"language\": \"English\", \"creatures\": [{\"slot\": 1, \"changes\": {\"name\": {\"before\": " +
             big + ", \"after\": \"x\"}}}]}"},
        {"a table's language as a long text", "import", "{\"language\": \"" + text + "\", \"creatures\": []}"},
        {"a table's unknown key", "import", "{\"" + text + "\": 1, \"creatures\": []}"},
        {"a table's creature as a number", "import", "{\"creatures\": [" + big + "]}"},
        {"a table's name as a number", "import", "{\"creatures\": [{\"slot\": 1, \"name\": " + big + "}]}"},
        {"a table's column", "import", "slot," + text + "\r\n1,x\r\n"},
        // Short pieces, and escaped: a control or a C1 control never reaches the terminal.
        {"a patch's language holding controls", "apply",
         "{\"language\": \"\\u001b]0;owned\\u0007\\u009b2J" + std::string(60, 'x') + "\", \"creatures\": []}"},
        {"a table's name holding controls", "import", "slot,name\r\n1," + hostile + "\r\n"},
        {"a table's number holding controls", "import", "slot,MonstersSetup.vrh@27000\r\n1," + hostile + "\r\n"},
    };
    for (const Bad& b : bad) {
        SCOPED_TRACE(b.what);
        const ToolRun r = run_tool({b.command, "-C", dir.str(), "-"}, b.input);
        EXPECT_EQ(r.status, kExitError);
        std::size_t longest = 0;
        std::istringstream lines(r.err);
        for (std::string line; std::getline(lines, line);) longest = std::max(longest, line.size());
        EXPECT_LT(longest, 300u) << r.err.substr(0, 400);
        EXPECT_NE(r.err.find("..."), std::string::npos) << r.err.substr(0, 400);
        EXPECT_EQ(r.err.find('\x1B'), std::string::npos) << r.err.substr(0, 400);
        EXPECT_EQ(r.err.find('\x07'), std::string::npos) << r.err.substr(0, 400);
        EXPECT_EQ(r.err.find("\xC2\x9B"), std::string::npos) << r.err.substr(0, 400);
    }
}

// The one cut of a quoted value: 40 characters, a UTF-8 sequence never split,
// every control escaped; the editor's quoting of its code page's bytes cuts
// at the same place.
TEST(FaultMessages, TheCutOfAQuotedValueIsTheSameEverywhere) {
    const std::string a40(40, 'a'), zhe = "\xD0\x96";
    const std::pair<std::string, std::string> table[] = {
        {"", "\"\""},
        {a40, "\"" + a40 + "\""},
        {a40 + "b", "\"" + a40 + "\"..."},
        {std::string(39, 'a') + zhe, "\"" + std::string(39, 'a') + zhe + "\""},
        {std::string(39, 'a') + zhe + zhe, "\"" + std::string(39, 'a') + zhe + "\"..."},
        {std::string(39, 'a') + "\xE2\x82\xAC!", "\"" + std::string(39, 'a') + "\xE2\x82\xAC\"..."},
        {std::string(50, '\x1B'), "\"" + [] {
             std::string e;
             for (int i = 0; i < 40; ++i) e += "\\u001b";
             return e;
         }() + "\"..."},
        {std::string(45, '\xFF'), "\"" + [] {
             std::string e;
             for (int i = 0; i < 40; ++i) e += "\xEF\xBF\xBD";
             return e;
         }() + "\"..."},
    };
    for (const auto& [text, quoted] : table) EXPECT_EQ(quoted_piece(text), quoted) << ::testing::PrintToString(text);
    EXPECT_EQ(message_piece(std::string(45, '9')), std::string(40, '9') + "...");
    EXPECT_EQ(message_piece("-12"), "-12");
    Random r(40);
    for (int round = 0; round < 2000; ++round) {
        std::string bytes;
        for (std::uint64_t i = 0, n = r.below(90); i < n; ++i) bytes += static_cast<char>(r.below(256));
        const std::string editor = quoted_value(bytes);
        const bool cut = editor.ends_with("...\"");
        EXPECT_EQ(editor.size() - 2 - (cut ? 3 : 0), quoted_length(bytes)) << ::testing::PrintToString(bytes);
        EXPECT_EQ(cut, quoted_piece(bytes).ends_with("..."));
    }
}

TEST(TerminalText, ControlCharactersBecomeQuestionMarks) {
    EXPECT_EQ(terminal_text("\x1B]0;title\x07rest"), "?]0;title?rest");
    EXPECT_EQ(terminal_text("a\tb\r\nc\x7F"), "a\tb??c?");
    // C1 controls in UTF-8 (CSI U+009B, OSC U+009D) go; letters and no-break space stay.
    EXPECT_EQ(terminal_text("\xC2\x9B" "2J\xC2\x9D" "x\xC2\x80\xC2\x9F"), "?2J?x??");
    EXPECT_EQ(terminal_text("caf\xC3\xA9 \xD0\x96\xC2\xA0\xE2\x80\xBA"), "caf\xC3\xA9 \xD0\x96\xC2\xA0\xE2\x80\xBA");
    // A lead byte cut off at the end stays as it is (it commands nothing).
    EXPECT_EQ(terminal_text("x\xC2"), "x\xC2");
    EXPECT_EQ(terminal_text(""), "");
}

// The fixture folder with every caption of its English Common file replaced by
// one that tries to retitle the terminal and clear it (ESC ] 0 ; ... ESC \ and
// ESC [ 2 J; a BEL would end the line) and holds the Windows-1252 bytes that
// decode to the C1 controls U+009D (OSC) and U+0081.
void write_hostile_captions(const std::string& root) {
    LanguageText common = read_language_file(root, TextKind::Common, 0);
    ASSERT_TRUE(common.present);
    std::map<int, std::string> lines;
    for (int k = 0; k <= 132; ++k)
        lines[k] = "\x1B]0;owned\x1B\\\x9D" "0;x\x81\x1B[2J caption " + std::to_string(k);
    write_file(common.path, replace_lines(common.bytes, lines, OtherLines::KeepEnders, EmptyPastEnd::Extends));
}

void expect_clean(const std::string& text, const char* what) {
    EXPECT_EQ(text.find('\x1B'), std::string::npos) << what;
    EXPECT_EQ(text.find("\xC2\x9D"), std::string::npos) << what;
    EXPECT_EQ(text.find("\xC2\x81"), std::string::npos) << what;
    EXPECT_NE(text.find("?]0;owned?\\?0;x??[2J caption"), std::string::npos) << what << ": the caption is still shown";
}

// A JSON import that changes one integer of slot 5 (the field's smallest value,
// or its largest when it holds the smallest already).
std::string one_change(const std::string& root) {
    const std::vector<Field> fields = make_fields();
    for (const Field& f : fields) {
        if (f.kind != FieldKind::Integer || !f.row || !f.row->caption || f.min == f.max) continue;
        const ToolRun e = run_tool({"export", "-C", root, "--slots", "5", "--fields", f.key, "--format", "csv"});
        const std::string value = e.out.find("\n5," + std::to_string(f.min) + "\r") != std::string::npos
                                      ? std::to_string(f.max) : std::to_string(f.min);
        return "{\"creatures\": [{\"slot\": 5, \"" + f.key + "\": " + value + "}]}";
    }
    ADD_FAILURE() << "no integer field with a caption";
    return {};
}

TEST(TerminalText, CaptionsReachTheTerminalCleanInShowImportAndDiff) {
    TempDir a, b;
    write_fixture_folder(a.str());
    write_fixture_folder(b.str());
    write_hostile_captions(a.str());
    write_hostile_captions(b.str());

    const ToolRun show = run_tool({"show", "-C", a.str(), "5"});
    ASSERT_EQ(show.status, kExitOk) << show.err;
    expect_clean(show.out, "show");

    const std::string change = one_change(a.str());
    const ToolRun dry = run_tool({"import", "-C", a.str(), "--dry-run", "-"}, change);
    ASSERT_EQ(dry.status, kExitOk) << dry.err;
    expect_clean(dry.out, "import");

    const ToolRun applied = run_tool({"import", "-C", b.str(), "-"}, change);
    ASSERT_EQ(applied.status, kExitOk) << applied.err;
    const ToolRun diff = run_tool({"diff", a.str(), b.str()});
    ASSERT_EQ(diff.status, kExitFound) << diff.err;
    expect_clean(diff.out, "diff");
}

// Texts that a diff or a fault message quotes have every control escaped, the
// C1 ones (which a text's code page byte 0x81 or 0x9D becomes) too, and stay
// the same JSON string.
TEST(TerminalText, QuotedTextsEscapeEveryControl) {
    EXPECT_EQ(quote_text("a\x1B[2J\xC2\x9B" "31m\xC2\x81z\xC2\xA0\xD0\x96"),
              "\"a\\u001b[2J\\u009b31m\\u0081z\xC2\xA0\xD0\x96\"");
    EXPECT_EQ(quote_text("\xC2"), "\"\xEF\xBF\xBD\"");  // a broken sequence is replaced, not passed on

    TempDir a, b;
    write_fixture_folder(a.str());
    write_fixture_folder(b.str());
    std::string ammo = read_file(b / "Ammo.vrh");
    ammo.replace(16 * 5, 5, std::string("A\x81\x9DZ\0", 5));
    write_file(b / "Ammo.vrh", ammo);
    const ToolRun diff = run_tool({"diff", a.str(), b.str()});
    ASSERT_EQ(diff.status, kExitFound) << diff.err;
    EXPECT_NE(diff.out.find("\"A\\u0081\\u009dZ\""), std::string::npos) << diff.out;
    EXPECT_EQ(diff.out.find("\xC2\x81"), std::string::npos) << diff.out;
}

#if CE_CLI_LIBRARIES
// The one escaping of the tool is a JSON string as the JSON writer of the
// exports makes it (malformed UTF-8 replaced the same way), with the C1
// controls escaped too: the same text for every input, here random bytes
// weighted towards the lead and follow bytes of multi-byte sequences.
TEST(TerminalText, QuotedTextIsTheJsonWritersStringWithC1ControlsEscaped) {
    auto by_json_writer = [](const std::string& bytes) {
        std::string json =
            nlohmann::json(bytes).dump(-1, ' ', false, nlohmann::json::error_handler_t::replace);
        escape_c1_controls(json);
        return json;
    };
    static const unsigned char kBytes[] = {0x00, 0x08, 0x0A, 0x1B, 0x22, 0x41, 0x5C, 0x7F, 0x80, 0x8F, 0x90,
                                           0x9F, 0xA0, 0xBF, 0xC0, 0xC1, 0xC2, 0xDF, 0xE0, 0xE1, 0xED, 0xEF,
                                           0xF0, 0xF3, 0xF4, 0xF5, 0xFF};
    std::uint64_t seed = 27;
    for (int round = 0; round < 20000; ++round) {
        std::string bytes;
        const int length = static_cast<int>(seed % 9);
        for (int i = 0; i < length; ++i) {
            seed = seed * 6364136223846793005ull + 1442695040888963407ull;
            bytes += static_cast<char>(kBytes[(seed >> 33) % sizeof kBytes]);
        }
        seed = seed * 6364136223846793005ull + 1442695040888963407ull;
        ASSERT_EQ(quoted_text(bytes), by_json_writer(bytes)) << ::testing::PrintToString(bytes);
    }
    EXPECT_EQ(shown_text("import of 2 slots"), "import of 2 slots");
    EXPECT_EQ(shown_text("bell\x07"), "\"bell\\u0007\"");
    EXPECT_EQ(shown_text("\x1B[31m"), "\"\\u001b[31m\"");
}
#endif

}  // namespace
}  // namespace ce
