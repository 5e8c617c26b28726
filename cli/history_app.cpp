// The history and restore commands' arguments, and the recovery that runs
// before every command.
#include "tables/libraries.h"

#if CE_CLI_LIBRARIES
#include <algorithm>
#include <ostream>

#include "folder/folder.h"
#include "cli/history.h"
#include "cli/history_app.h"

namespace ce {

void add_history_commands(CLI::App& app, const std::string& dir_help, HistoryOptions& history,
                          CLI::App*& history_cmd, RestoreOptions& restore, CLI::App*& restore_cmd) {
    history_cmd = app.add_subcommand(
        "history", "List the folder's history, newest first: every completed write (editor Save, import, "
                   "restore) with its number, time (UTC), what made it, its slots and files. With --on, "
                   "--off, --keep-entries or --keep-mib, change what is kept instead");
    history_cmd->add_option("-C,--directory", history.root, dir_help);
    history_cmd->add_flag("--json", history.json, "Print the list as JSON");
    history_cmd->add_option("--keep-entries", history.keep_entries, "Keep at most this many entries (default 200)")
        ->check(CLI::PositiveNumber);
    history_cmd->add_option("--keep-mib", history.keep_mib, "Keep at most this many MiB of old contents (default 64)")
        ->check(CLI::NonNegativeNumber);
    history_cmd->add_flag("--on", history.on, "Keep a history of the folder's writes (the default)");
    history_cmd->add_flag("--off", history.off,
                          "Keep no history (each write is still journaled until it is complete)");

    restore_cmd = app.add_subcommand(
        "restore", "Put the folder back as it was before history entry N (a write like any other: locked, "
                   "journaled, and itself undoable)");
    restore_cmd->add_option("-C,--directory", restore.root, dir_help);
    restore_cmd->add_option("N", restore.entry, "The history entry (see creatures history)")->required();
    restore_cmd->add_option("--slot", restore.slot,
                            "Put back only this creature's fields and texts; every other creature stays");
    restore_cmd->add_flag("-n,--dry-run", restore.dry_run, "Print what would change, as diff prints it, and write nothing");
    restore_cmd->add_flag("--force", restore.force,
                          "Restore also when files do not hold what the history's last write left there (changed "
                          "since by another program): their changes are replaced too, and the restore is itself "
                          "a history entry");
}

bool recover_for_command(const CLI::App& app, const std::vector<std::pair<const char*, const std::string*>>& roots,
                         FileOps& ops, std::ostream& err) {
    std::vector<std::string> done;
    for (const auto& [name, root] : roots) {
        bool parsed = false;
        for (const CLI::App* command : app.get_subcommands()) parsed = parsed || command->get_name() == name;
        if (!parsed) continue;
        const std::string folder = folder_of_source(*root);
        if (!folder_problem(folder).ok()) continue;  // the command itself says what is wrong
        // A folder named twice (diff DIR@3 DIR) is put right, and spoken of, once.
        if (std::find(done.begin(), done.end(), folder) != done.end()) continue;
        done.push_back(folder);
        const bool recovered = recover_at_open(folder, ops, name, err);
        // A writer must not write over what it could not recover; a reader goes on
        // (check reports the folder as needing recovery).
        const std::string n = name;
        if (!recovered && (n == "import" || n == "apply" || n == "restore" || n == "history")) return false;
    }
    return true;
}

}  // namespace ce
#endif
