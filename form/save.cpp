// Saving the shown creature into its slot of the six data files, then its lines
// of the language files.
#include "form/save.h"

#include <array>
#include <string>
#include <vector>

#include "store/data_check.h"
#include "form/editor.h"
#include "form/form.h"
#include "form/slot_binding.h"
#include "store/layouts.h"
#include "store/file_ops.h"
#include "store/whole_file.h"
#include "form/rewrite.h"

namespace ce {

namespace {

// One line per failed file; the path leads unless the error text already names it.
std::string failure_line(const std::string& path, const std::string& error) {
    if (error.find(path) != std::string::npos) return error;
    return path + ": " + error;
}

}  // namespace

bool save_creature(EditorState& state, Form& form) {
    const int c = state.current;
    FileOps& ops = state.files != nullptr ? *state.files : system_file_ops();
    const auto infos = data_files();

    // All six are read and checked before any is written: a missing or short
    // file refuses the whole Save and leaves every file as it was.
    std::vector<WholeFile> files(infos.size());
    std::vector<std::string> faults;
    for (std::size_t i = 0; i < infos.size(); ++i) {
        if (auto fault = load_data_file(state.root, infos[i], files[i])) faults.push_back(*fault);
    }
    if (!faults.empty()) {
        form.report_error(fault_message("Creature " + std::to_string(c) +
                                            " was not saved: data files are missing or too short",
                                        state.root, faults));
        return false;
    }

    // Written in the fixed order, each at its fixed size (a longer file is cut).
    // A file that cannot be written keeps its old bytes and Save goes on.
    std::vector<std::string> failures;
    for (std::size_t i = 0; i < infos.size(); ++i) {
        save_slot(form, infos[i].id, files[i].block, c);
        const std::string path = data_path(state.root, infos[i].name);
        if (auto error = store_whole_file(ops, path, files[i].data(), infos[i].size)) {
            failures.push_back(failure_line(path, *error));
        }
    }

    rewrite_creature_texts(form, ops, state.root, c, state.header_format, failures);

    if (!failures.empty()) {
        std::string message = "Creature " + std::to_string(c) +
                              " was not saved completely:";
        for (const std::string& line : failures) message += "\n    " + line;
        form.report_error(message);
        return false;
    }
    return true;
}

}  // namespace ce
