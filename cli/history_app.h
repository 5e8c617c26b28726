// Registration of the history and restore commands on the tool's CLI11 parser.
#pragma once

#include <CLI/CLI.hpp>

#include <iosfwd>
#include <string>
#include <utility>
#include <vector>

namespace ce {

class FileOps;
struct HistoryOptions;
struct RestoreOptions;

void add_history_commands(CLI::App& app, const std::string& dir_help, HistoryOptions& history,
                          CLI::App*& history_cmd, RestoreOptions& restore, CLI::App*& restore_cmd);

// Runs the recovery of the folder of the parsed command (pairs of command name
// and its folder option). False when a writing command must stop.
bool recover_for_command(const CLI::App& app, const std::vector<std::pair<const char*, const std::string*>>& roots,
                         FileOps& ops, std::ostream& err);

}  // namespace ce
