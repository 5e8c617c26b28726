// Argument parsing of the `creatures` tool (CLI11) and dispatch to the commands.
#include "cli/libraries.h"

#if CE_CLI_LIBRARIES
#include <CLI/CLI.hpp>
#endif

#include <ostream>

#include "cli/commands.h"
#include "cli/history.h"
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

int run_creatures(int argc, const char* const* argv, FileOps& ops, std::istream& in,
                  std::ostream& out, std::ostream& err) {
    CLI::App app{
        "creatures: show, export, import, compare and check the creature data of a data folder\n"
        "(MonstersSetup.vrh and the other data files, Lang, and the language files under Eng\n"
        "and Rus). Texts are read and written as UTF-8.\n\n"
        "Exit status: 0 done, 1 differences found (diff) or a folder the editor cannot use\n"
        "(check), 2 an error.",
        "creatures"};
    app.require_subcommand(1);
    app.set_help_all_flag("--help-all", "Print the help of every command");
    app.footer("creatures --version prints the version.");

    const std::string dir_help = "Data folder (default: the current folder)";

    ShowOptions show;
    CLI::App* show_cmd = app.add_subcommand(
        "show", "Print one creature as a person reads it: every field with its caption, its place "
                "in the files, its stored value and what the editor shows for it");
    show_cmd->add_option("-C,--directory", show.root, dir_help);
    show_cmd->add_option("SLOT", show.slot, "Creature slot, 0 to 999")->required();

    ExportOptions exp;
    CLI::App* export_cmd = app.add_subcommand(
        "export",
        "Write every field of the chosen creatures to standard output: stored values keyed by "
        "file and offset (e.g. MonstersSetup.vrh@85000[3]), names, plurals and ability texts of "
        "the folder's current language");
    export_cmd->add_option("-C,--directory", exp.root, dir_help);
    export_cmd->add_option("--format", exp.format, "json (default) or csv")
        ->check(CLI::IsMember({"json", "csv"}));
    export_cmd->add_option("--slots", exp.slots, "Slots to export, e.g. 0-99 or 5,7,10-20 (default: all)");
    export_cmd->add_option("--fields", exp.fields,
                           "Comma-separated keys, arrays (MonstersSetup.vrh@85000), files "
                           "(Ammo.vrh), or name, plural, ability, texts (default: all)");
    export_cmd->add_flag("--captions", exp.captions,
                         "csv: add a second header row with the editor's captions");
    export_cmd->add_flag("--bom", exp.bom,
                         "csv: start with a UTF-8 byte order mark (for spreadsheets that need one to "
                         "read UTF-8)");

    ImportOptions imp;
    CLI::App* import_cmd = app.add_subcommand(
        "import",
        "Apply an export (whole or partial: only the slots and fields it holds). Every value is "
        "checked first; on any fault nothing is written. Prints what changed");
    import_cmd->add_option("-C,--directory", imp.root, dir_help);
    import_cmd->add_option("FILE", imp.file, "The export to apply (json or csv; - for standard input)")
        ->required();
    import_cmd->add_option("--format", imp.format, "json or csv (default: by the file's name or content)")
        ->check(CLI::IsMember({"json", "csv"}));
    import_cmd->add_flag("-n,--dry-run", imp.dry_run, "Print what would change and write nothing");

    DiffOptions diff;
    CLI::App* diff_cmd = app.add_subcommand(
        "diff", "Print the fields that differ between two data folders (DIR@N: the folder as it was before history entry N), slot by slot, with both "
                "values; also the name, plural and ability lines of both languages. Exit status 0 "
                "when equal, 1 when they differ, 2 on error");
    diff_cmd->add_option("DIR_A", diff.a, "First data folder")->required();
    diff_cmd->add_option("DIR_B", diff.b, "Second data folder")->required();

    CheckOptions check;
    CLI::App* check_cmd = app.add_subcommand(
        "check", "Validate a data folder: file sizes, language files (line counts, line ends) and "
                 "values the editor cannot show faithfully. Exit status 1 when a file the editor "
                 "needs cannot be read or is short");
    check_cmd->add_option("-C,--directory", check.root, dir_help);
    check_cmd->add_option("--first", check.first, "Slots listed for each kind of finding, 0 to 1000 (default 10)")
        ->check(CLI::Range(0, 1000).description("0 to 1000"), "0 to 1000");

    HistoryOptions history;
    RestoreOptions restore;
    CLI::App* history_cmd = nullptr;
    CLI::App* restore_cmd = nullptr;
    add_history_commands(app, dir_help, history, history_cmd, restore, restore_cmd);

    const std::string first = argc > 1 ? argv[1] : "";
    if (!first.empty() && first[0] != '-' && first != "show" && first != "export" && first != "import" &&
        first != "diff" && first != "check" && first != "history" && first != "restore") {
        err << "creatures: unknown command \"" << argv[1]
            << "\" (the commands are show, export, import, diff, check, history, restore)\n"
            << "Run with --help for more information.\n";
        return kExitError;
    }
    try {
        app.parse(argc, argv);
    } catch (const CLI::ParseError& e) {
        const int code = app.exit(e, out, err);
        return code == 0 ? kExitOk : kExitError;
    }

    // Every command first finishes what a crash left in the folders it opens.
    if (!recover_for_command(app,
                             {{"show", &show.root}, {"export", &exp.root}, {"import", &imp.root},
                              {"check", &check.root}, {"history", &history.root}, {"restore", &restore.root},
                              {"diff", &diff.a}, {"diff", &diff.b}},
                             ops, err))
        return kExitError;
    if (history_cmd->parsed()) return run_history(history, ops, out, err);
    if (restore_cmd->parsed()) return run_restore(restore, ops, out, err);
    if (show_cmd->parsed()) return run_show(show, out, err);
    if (export_cmd->parsed()) return run_export(exp, out, err);
    if (import_cmd->parsed()) return run_import(imp, ops, in, out, err);
    if (diff_cmd->parsed()) return run_diff(diff, out, err);
    if (check_cmd->parsed()) return run_check(check, out, err);
    return kExitError;
}
#endif

}  // namespace ce
