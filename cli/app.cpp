// Argument parsing of the `creatures` tool (CLI11) and dispatch to the commands.
#include "tables/libraries.h"

#if CE_CLI_LIBRARIES
#include <CLI/CLI.hpp>
#endif

#include <ostream>
#include <utility>
#include <vector>

#include "cli/commands.h"
#include "cli/history.h"
#include "store/layouts.h"
#if CE_CLI_LIBRARIES
#include "cli/history_app.h"
#endif

namespace ce {

namespace {
int output_failure_slot() {
    static const int slot = std::ios_base::xalloc();
    return slot;
}
}  // namespace

void mark_output_failure_reported(std::ostream& out) { out.iword(output_failure_slot()) = 1; }
bool output_failure_reported(std::ostream& out) { return out.iword(output_failure_slot()) != 0; }

#if !CE_CLI_LIBRARIES
int run_creatures(int, const char* const*, FileOps&, std::istream&, std::ostream&, std::ostream& err) {
    err << "creatures: this build lacks the CLI11 and nlohmann-json headers (libcli11-dev, "
           "nlohmann-json3-dev) and cannot run\n";
    return kExitError;
}
#else

namespace {

const char* const kDirHelp = "Data folder (default: the current folder)";

// The options of every command, and the command that holds them.
struct Commands {
    ShowOptions show;
    ExportOptions exp;
    ImportOptions imp;
    DiffOptions diff;
    CheckOptions check;
    HistoryOptions history;
    RestoreOptions restore;
    ApplyOptions apply;
    MergeOptions merge;
    CLI::App* show_cmd = nullptr;
    CLI::App* export_cmd = nullptr;
    CLI::App* import_cmd = nullptr;
    CLI::App* diff_cmd = nullptr;
    CLI::App* check_cmd = nullptr;
    CLI::App* history_cmd = nullptr;
    CLI::App* restore_cmd = nullptr;
    CLI::App* apply_cmd = nullptr;
    CLI::App* merge_cmd = nullptr;
};

void add_show_command(CLI::App& app, Commands& c) {
    c.show_cmd = app.add_subcommand(
        "show", "Print one creature as a person reads it: every field with its caption, its place "
                "in the files, its stored value and what the editor shows for it");
    c.show_cmd->add_option("-C,--directory", c.show.root, kDirHelp);
    c.show_cmd->add_option("SLOT", c.show.slot, "Creature slot, " + slot_range())->required();
}

void add_export_command(CLI::App& app, Commands& c) {
    c.export_cmd = app.add_subcommand(
        "export",
        "Write every field of the chosen creatures to standard output: stored values keyed by "
        "file and offset (e.g. MonstersSetup.vrh@85000[3]), names, plurals and ability texts of "
        "the folder's current language (csv: the slot column's header names it)");
    c.export_cmd->add_option("-C,--directory", c.exp.root, kDirHelp);
    c.export_cmd->add_option("--format", c.exp.format, "json (default) or csv")
        ->check(CLI::IsMember({"json", "csv"}));
    c.export_cmd->add_option("--slots", c.exp.slots, "Slots to export, e.g. 0-99 or 5,7,10-20 (default: all)");
    c.export_cmd->add_option("--fields", c.exp.fields,
                             "Comma-separated keys, arrays (MonstersSetup.vrh@85000), files "
                             "(Ammo.vrh), or name, plural, ability, texts (default: all)");
    c.export_cmd->add_flag("--captions", c.exp.captions,
                           "csv: add a second header row with the editor's captions");
    c.export_cmd->add_flag("--bom", c.exp.bom,
                           "csv: start with a UTF-8 byte order mark (for spreadsheets that need one to "
                           "read UTF-8)");
}

void add_import_command(CLI::App& app, Commands& c) {
    c.import_cmd = app.add_subcommand(
        "import",
        "Apply an export (whole or partial: only the slots and fields it holds; in a CSV the slot column, "
        "headed \"slot (English)\" or \"slot (Russian)\", may be anywhere and names the texts' language). "
        "Every value is checked first; on any fault nothing is written. Prints what changed; the changes of a "
        "CSV that look like a spreadsheet's reformatting are listed apart and held back (see --accept-suspect)");
    c.import_cmd->add_option("-C,--directory", c.imp.root, kDirHelp);
    c.import_cmd->add_option("FILE", c.imp.file, "The export to apply (json or csv; - for standard input)")
        ->required();
    c.import_cmd->add_option("--format", c.imp.format, "json or csv (default: by the file's name or content)")
        ->check(CLI::IsMember({"json", "csv"}));
    c.import_cmd->add_flag("-n,--dry-run", c.imp.dry_run, "Print what would change and write nothing");
    CLI::Option* accept = c.import_cmd->add_flag(
        "--accept-suspect", c.imp.accept_suspect,
        "Write the changes that look like a spreadsheet's reformatting rather than an edit (a number-like text "
        "rewritten: 007 -> 7, 1.50 -> 1.5, 1e3 -> 1000, +5 -> 5; a text turned into a date, time, percentage or "
        "serial number; a formula's result; NA/nan/null emptied; spaces trimmed; a character set mix-up; the "
        "sign of zero; a float rounded; letters replaced; a tab dropped). Without it or --drop-suspect they "
        "are listed apart and nothing is written (exit status 3)");
    c.import_cmd
        ->add_option("--accept-suspect-for", c.imp.accept_suspect_for,
                     "Write the suspect changes of these classes or columns (a comma list, or the option again): "
                     "character-set, formula, missing, number, serial, date, time, percentage, boolean, spaces, "
                     "quotes, zero-sign, rounding, dropped, or a key")
        ->delimiter(',');
    c.import_cmd->add_flag("--drop-suspect", c.imp.drop_suspect,
                           "Leave those changes out and write the others")
        ->excludes(accept);
}

void add_diff_and_check_commands(CLI::App& app, Commands& c) {
    c.diff_cmd = app.add_subcommand(
        "diff", "Print the fields that differ between two data folders (DIR@N: the folder as it was before history entry N), slot by slot, with both "
                "values; also the name, plural and ability lines of both languages. Exit status 0 "
                "when equal, 1 when they differ, 2 on error");
    c.diff_cmd->add_option("DIR_A", c.diff.a, "First data folder")->required();
    c.diff_cmd->add_option("DIR_B", c.diff.b, "Second data folder")->required();
    c.diff_cmd->add_flag("--patch", c.diff.patch,
                         "Write the patch that makes DIR_A into DIR_B instead (JSON, for creatures apply and "
                         "creatures merge): per changed creature its slot and name, and each changed field and "
                         "text by the export's key with its caption, its value before and after. It holds the "
                         "texts of DIR_A's language; what it cannot hold (the other language's texts, other "
                         "lines of the language files) is named on standard error");

    c.check_cmd = app.add_subcommand(
        "check", "Validate a data folder: file sizes, language files (line counts, line ends) and "
                 "values the editor cannot show faithfully. Exit status 1 when a file the editor "
                 "needs cannot be read or is short");
    c.check_cmd->add_option("-C,--directory", c.check.root, kDirHelp);
    c.check_cmd->add_option("--first", c.check.first, "Slots listed for each kind of finding, 0 to 1000 (default 10)")
        ->check(CLI::Range(0, kSlots).description("0 to 1000"), "0 to 1000");
}

void add_apply_command(CLI::App& app, Commands& c) {
    c.apply_cmd = app.add_subcommand(
        "apply",
        "Apply a patch (creatures diff --patch) with a three-way check per field: where the folder holds the "
        "patch's \"before\", its \"after\" is written; where it holds \"after\" already, nothing is to do; "
        "anything else is a conflict, listed, and nothing is written while one is open. One write of the folder "
        "with one history entry naming the patch: creatures restore N takes it back out. Exit status 1 when "
        "conflicts are left open");
    c.apply_cmd->add_option("-C,--directory", c.apply.root, kDirHelp);
    c.apply_cmd->add_option("PATCH", c.apply.patch, "The patch (- for standard input)")->required();
    c.apply_cmd->add_flag("-n,--dry-run", c.apply.dry_run, "Print what would change and the conflicts; write nothing");
    CLI::Option* patch_wins =
        c.apply_cmd->add_flag("--patch-wins", c.apply.patch_wins, "Every conflict takes the patch's \"after\"");
    c.apply_cmd->add_flag("--folder-wins", c.apply.folder_wins, "Every conflict keeps what the folder holds")
        ->excludes(patch_wins);
    c.apply_cmd->add_option("--patch-wins-for", c.apply.patch_wins_for,
                            "The conflicts of these creatures take the patch's \"after\" (slots: 5,7,10-20)");
    c.apply_cmd->add_option("--folder-wins-for", c.apply.folder_wins_for,
                            "The conflicts of these creatures keep what the folder holds");
}

void add_merge_command(CLI::App& app, Commands& c) {
    c.merge_cmd = app.add_subcommand(
        "merge",
        "Merge mods onto a base into a new folder OUT: BASE with every mod's changes, field by field (the "
        "data files), line by line (the language files of both languages), file by file (the portraits under "
        "Pic). Mods that change something to the same value agree; to different values, a conflict: settled by "
        "--precedence, or listed with exit status 1 and nothing written. Prints per mod what it changed and "
        "what it lost to which other mod. OUT must not exist; it appears whole or not at all");
    c.merge_cmd->add_option("BASE", c.merge.base, "The data folder the mods were made from")->required();
    c.merge_cmd->add_option("MOD", c.merge.mods, "Each mod: a data folder, or a patch (creatures diff --patch)")
        ->required();
    c.merge_cmd->add_option("-o,--out", c.merge.out, "The new folder to write (must not exist)")->required();
    c.merge_cmd->add_option("--precedence", c.merge.precedence,
                            "The order of precedence, by the mods' numbers (1 is the first MOD): \"1,3,2\"; a "
                            "conflict goes to the mod listed last among those in it; a conflict among mods it "
                            "does not list stays open");
    c.merge_cmd->add_flag("--json", c.merge.json,
                          "Print the report as JSON, every loss and open conflict with its values (the text lists "
                          "the first 100 of each mod's losses and of the open conflicts)");
    c.merge_cmd->add_flag("-n,--dry-run", c.merge.dry_run, "Print the report and write nothing");
}

// False, after saying so, when the first argument is neither an option nor a command.
bool known_command(int argc, const char* const* argv, std::ostream& err) {
    const std::string first = argc > 1 ? argv[1] : "";
    if (first.empty() || first[0] == '-') return true;
    for (const char* name : {"show", "export", "import", "diff", "apply", "merge", "check", "history", "restore"})
        if (first == name) return true;
    err << "creatures: unknown command \"" << argv[1]
        << "\" (the commands are show, export, import, diff, apply, merge, check, history, restore)\n"
        << "Run with --help for more information.\n";
    return false;
}

int run_parsed(Commands& c, FileOps& ops, std::istream& in, std::ostream& out, std::ostream& err) {
    if (c.history_cmd->parsed()) return run_history(c.history, ops, out, err);
    if (c.restore_cmd->parsed()) return run_restore(c.restore, ops, out, err);
    if (c.show_cmd->parsed()) return run_show(c.show, out, err);
    if (c.export_cmd->parsed()) return run_export(c.exp, out, err);
    if (c.import_cmd->parsed()) return run_import(c.imp, ops, in, out, err);
    if (c.diff_cmd->parsed()) return run_diff(c.diff, out, err);
    if (c.apply_cmd->parsed()) return run_apply(c.apply, ops, in, out, err);
    if (c.merge_cmd->parsed()) return run_merge(c.merge, ops, out, err);
    if (c.check_cmd->parsed()) return run_check(c.check, out, err);
    return kExitError;
}

}  // namespace

int run_creatures(int argc, const char* const* argv, FileOps& ops, std::istream& in,
                  std::ostream& out, std::ostream& err) {
    CLI::App app{
        "creatures: show, export, import, compare and check the creature data of a data folder\n"
        "(MonstersSetup.vrh and the other data files, Lang, and the language files under Eng\n"
        "and Rus); make patches of mods, apply them, and merge mods. Texts are read and written\n"
        "as UTF-8.\n\n"
        "Exit status: 0 done, 1 differences found (diff), a folder the editor cannot use\n"
        "(check) or conflicts left open (apply, merge), 2 an error.",
        "creatures"};
    app.require_subcommand(1);
    app.set_help_all_flag("--help-all", "Print the help of every command");
    app.footer("creatures --version prints the version.");
    Commands c;
    add_show_command(app, c);
    add_export_command(app, c);
    add_import_command(app, c);
    add_diff_and_check_commands(app, c);
    add_apply_command(app, c);
    add_merge_command(app, c);
    add_history_commands(app, kDirHelp, c.history, c.history_cmd, c.restore, c.restore_cmd);

    if (!known_command(argc, argv, err)) return kExitError;
    try {
        app.parse(argc, argv);
    } catch (const CLI::ParseError& e) {
        const int code = app.exit(e, out, err);
        return code == 0 ? kExitOk : kExitError;
    }
    // Every command first finishes what a crash left in the folders it opens.
    std::vector<std::pair<const char*, const std::string*>> roots{
        {"show", &c.show.root},       {"export", &c.exp.root},     {"import", &c.imp.root},
        {"check", &c.check.root},     {"history", &c.history.root}, {"restore", &c.restore.root},
        {"diff", &c.diff.a},          {"diff", &c.diff.b},          {"apply", &c.apply.root},
        {"merge", &c.merge.base}};
    for (const std::string& mod : c.merge.mods) roots.push_back({"merge", &mod});
    if (!recover_for_command(app, roots, ops, err))
        return kExitError;
    return run_parsed(c, ops, in, out, err);
}
#endif

}  // namespace ce
