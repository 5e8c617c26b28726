// A data folder as the command-line tool reads it: the six data files, the
// settings file's language and the language text files, each read whole.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <map>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "store/inside_folder.h"
#include "store/layouts.h"
#include "text/language.h"

namespace ce {

// What a command may still hold in memory of the folders and files it is
// given and of what it builds from them, in all: a bound on its memory as a
// whole, however many it is given. A file read whole costs it about four times
// its size (its bytes as read, as kept, as merged and as written), and each
// line of a language file what its place and its change in a report take.
class ReadBudget {
public:
    static constexpr std::uint64_t kPerByte = 4, kPerLine = 384;
    explicit ReadBudget(std::uint64_t bytes) : whole_(bytes), left_(bytes) {}
    // Takes `bytes` of memory for `what` (a file's path, say), or says that
    // they would pass the bound.
    Status take(std::uint64_t bytes, const std::string& what);
    Status take_file(std::uint64_t size, const std::string& path) { return take(size * kPerByte, path); }
    Status take_lines(std::uint64_t lines, const std::string& path) { return take(lines * kPerLine, path); }
    std::uint64_t whole() const { return whole_; }

private:
    std::uint64_t whole_, left_;
};

// How the files of a folder are read.
struct FolderRead {
    // A stranger's folder (a mod): nothing through a link that leads out of
    // it, no special file (store/inside_folder.h). Otherwise the user's own,
    // whose links are followed.
    bool stranger = false;
    // When given, every file read takes its size from it, and who may read
    // the file is noted beside its bytes.
    ReadBudget* budget = nullptr;
};

// Reads the folder's file `name` ('/' between its parts) as `how` says;
// `access` (when given) receives who may read it, where that is asked.
Status read_folder_file(const std::string& root, const std::string& name, const FolderRead& how, WholeFile& out,
                        FileAccess* access = nullptr);

// One line of a language text: content bytes [begin, end), the line ender
// [end, next) (empty for a last line without a break).
struct LineSpan {
    std::size_t begin, end, next;
};

// A language text file read whole. Its text ends at the first zero byte; the
// lines are those the editor counts (a last line without a break included).
struct LanguageText {
    std::string path;            // as opened (root + separator + name)
    std::string name;            // relative name, e.g. "Eng/Monsters.txt"
    bool present = false;
    Status fault;            // why it could not be read (when !present)
    FileAccess access;           // who may read it (FolderRead::budget given)
    std::string bytes;           // the whole file
    std::size_t text_size = 0;   // bytes before the first zero (or all of them)
    std::vector<LineSpan> lines;

    std::string_view text() const { return std::string_view(bytes).substr(0, text_size); }
    int line_count() const { return static_cast<int>(lines.size()); }
    // Line k without its ender; empty past the last line.
    std::string_view line(int k) const;
};

// Reads a language file; a missing file gives present == false and no lines.
LanguageText read_language_file(const std::string& root, TextKind kind, int language, const FolderRead& how = {});
// Splits `bytes` (already in `text.bytes`) into lines.
void split_lines(LanguageText& text);

// A data file read whole: `bytes` holds the file and at least its fixed size plus
// 32 bytes (zeros past the end), so every element can be read.
struct DataBytes {
    std::string path;
    bool present = false;
    Status fault;                  // why it could not be read (when !present)
    FileAccess access;                 // who may read it (FolderRead::budget given)
    std::size_t length = 0;            // bytes in the file
    std::vector<std::uint8_t> bytes;   // length + 32, at least size + 32
    std::span<const std::uint8_t> view() const { return bytes; }
    std::span<std::uint8_t> view() { return bytes; }
};

struct Folder {
    std::string root;                   // "" is the current directory
    bool lang_present = false;
    Status lang_fault;              // why Lang could not be read (when !lang_present)
    std::size_t lang_length = 0;        // bytes in Lang
    int raw_language = 0;               // byte 0 of Lang as a signed byte (0 when missing)
    int raw_creature = 0;               // bytes 1-2 of Lang as a signed 16-bit number (0 when missing)
    int language = 0;                   // the language used: raw_language when 0 or 1, else 0
    std::array<DataBytes, 6> data;      // indexed by DataFile
    DataBytes& file(DataFile f) { return data[static_cast<std::size_t>(f)]; }
    const DataBytes& file(DataFile f) const { return data[static_cast<std::size_t>(f)]; }
};

// Reads Lang and the six data files (missing ones stay !present).
Folder load_folder(const std::string& root, const FolderRead& how = {});

// What keeps the folder's data files from being used, as the editor words it:
// "MonstersSetup.vrh: does not exist", "Ammo.vrh: 15000 bytes, needs at least 16000".
// Empty when all six are usable.
std::vector<std::string> data_faults(const Folder& folder);

// What is wrong with the folder named on the command line ("<root>: no such
// folder"), or success when it is a folder ("" is the current one).
Status folder_problem(const std::string& root);

// The folder as the user knows it: "the folder \"<root>\"", or "the current folder".
std::string folder_label(const std::string& root);

// Captions of the editor form from a Common file, decoded to UTF-8.
struct Captions {
    int language = 0;
    const LanguageText* common = nullptr;
    // Common line of caption control id (2000..2132), or "" when there is none.
    std::string caption(int id) const;
};

}  // namespace ce
