// The commands of the `creatures` tool. Each writes its results to `out` and
// its errors to `err` (each error names the file and what is wrong) and returns
// the process exit status.
#pragma once

#include <iosfwd>
#include <string>
#include <vector>

namespace ce {

class FileOps;

// Exit statuses: 0 done (no difference, no fault), 1 a difference (diff), a
// folder the editor cannot use (check) or conflicts left open (apply, merge),
// 2 an error.
constexpr int kExitOk = 0;
constexpr int kExitFound = 1;
constexpr int kExitError = 2;
constexpr int kExitHeld = 3;  // an import's changes held back as a program's reformatting: nothing written

struct ShowOptions {
    std::string root;
    std::string slot;
};
int run_show(const ShowOptions& options, std::ostream& out, std::ostream& err);

struct ExportOptions {
    std::string root;
    std::string format = "json";  // json or csv
    std::string slots;            // "" = all
    std::string fields;           // "" = all
    bool captions = false;        // csv: a second header row of captions
    bool bom = false;             // csv: start with a UTF-8 byte order mark
};
int run_export(const ExportOptions& options, std::ostream& out, std::ostream& err);

struct ImportOptions {
    std::string root;
    std::string file;             // "-" reads standard input
    std::string format;           // json, csv or "" (by the file's name, then its first byte)
    bool dry_run = false;
    // Changes that look like a program's reformatting (import_suspect.h) are
    // held back: nothing is written unless one of these says what to do.
    bool accept_suspect = false;  // write them with the rest
    bool drop_suspect = false;    // write the rest without them
    // Classes ("rounding") or column keys whose suspect changes are written.
    std::vector<std::string> accept_suspect_for;
    bool class_changes = true;    // false only to measure what the classing costs (bench/import.cpp)
};
int run_import(const ImportOptions& options, FileOps& ops, std::istream& in, std::ostream& out,
               std::ostream& err);

struct DiffOptions {
    std::string a, b;
    bool patch = false;           // write the patch that makes A into B (JSON) instead
};
int run_diff(const DiffOptions& options, std::ostream& out, std::ostream& err);

// Applies a patch (cli/patch.h). Conflicts (fields holding neither the patch's
// "before" nor its "after") keep anything from being written unless these say
// who wins: for all, or per creature (the lists win over the all-options).
struct ApplyOptions {
    std::string root;
    std::string patch;            // "-" reads standard input
    bool dry_run = false;
    bool patch_wins = false, folder_wins = false;
    std::string patch_wins_for, folder_wins_for;  // slots, as --slots names them
};
int run_apply(const ApplyOptions& options, FileOps& ops, std::istream& in, std::ostream& out, std::ostream& err);

// Merges mods (data folders or patches) onto a base into a new folder.
struct MergeOptions {
    std::string base;
    std::vector<std::string> mods;
    std::string out;
    std::string precedence;       // "2,1": mod numbers; of those that conflict, the one listed last wins
    bool json = false;            // the report as JSON
    bool dry_run = false;
};
int run_merge(const MergeOptions& options, FileOps& ops, std::ostream& out, std::ostream& err);

struct CheckOptions {
    std::string root;
    int first = 10;               // slots listed per kind of finding
};
int run_check(const CheckOptions& options, std::ostream& out, std::ostream& err);

// A command that has itself told the user that its standard output failed
// (saying what it did despite that) marks the stream, so that the program does
// not report the failure again as if nothing had been done.
void mark_output_failure_reported(std::ostream& out);
bool output_failure_reported(std::ostream& out);

// The whole tool: parses the arguments (argv[0] is the program) and runs the
// command; --help prints the usage of the tool or of a command.
int run_creatures(int argc, const char* const* argv, FileOps& ops, std::istream& in,
                  std::ostream& out, std::ostream& err);

}  // namespace ce
