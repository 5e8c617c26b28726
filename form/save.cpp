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
#include "store/journal.h"
#include "store/layouts.h"
#include "store/file_ops.h"
#include "store/whole_file.h"
#include "form/rewrite.h"

namespace ce {

bool save_creature(EditorState& state, Form& form) {
    const int c = state.current;
    FileOps& ops = state.files != nullptr ? *state.files : system_file_ops();
    const auto infos = data_files();

    // The nine files are one write of the folder: locked before they are read,
    // committed as a whole by rewrite_creature_texts before it refills the form.
    FolderWrite write(ops, state.root,
                      {"Save of creature " + std::to_string(c) + " in the editor", {c}});
    if (auto error = write.lock()) {
        form.report_error("Creature " + std::to_string(c) + " was not saved:\n    " + *error);
        return false;
    }

    // All six are read and checked before any is written: a missing or short
    // file refuses the whole Save and leaves every file as it was.
    std::vector<WholeFile> files(infos.size());
    std::vector<std::string> faults;
    for (std::size_t i = 0; i < infos.size(); ++i) {
        if (auto fault = load_data_file(state.root, infos[i], files[i])) faults.push_back(fault->message());
    }
    if (!faults.empty()) {
        form.report_error(fault_message("Creature " + std::to_string(c) +
                                            " was not saved: data files cannot be read or are too short",
                                        state.root, faults));
        return false;
    }

    // Each at its fixed size (a longer file is cut), collected for the one write.
    std::vector<std::string> failures;
    for (std::size_t i = 0; i < infos.size(); ++i) {
        std::string read(reinterpret_cast<const char*>(files[i].data()), files[i].length);
        save_slot(form, infos[i].id, files[i].block, c);
        write.add(data_path(state.root, infos[i].name), std::move(read),
                  std::string(reinterpret_cast<const char*>(files[i].data()), infos[i].size));
    }

    rewrite_creature_texts(form, ops, state.root, c, state.header_format, failures, &write);

    if (!failures.empty()) {
        std::string message = "Creature " + std::to_string(c) +
                              (write.failed() ? " was not saved:" : " was not saved completely:");
        for (const std::string& line : failures) message += "\n    " + line;
        form.report_error(message);
        return false;
    }
    return true;
}

}  // namespace ce
