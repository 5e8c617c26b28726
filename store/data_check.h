// Checks of the data files before the editor reads or writes them: every file
// must be present and at least its fixed size, or the action is refused whole.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <vector>

#include "store/fault.h"
#include "store/layouts.h"
#include "store/whole_file.h"

namespace ce {

// What keeps a data file from being used, named by its file name in the
// folder, or success: why it could not be read (`read`, as read_whole_file gave
// it), or that it is shorter than its size.
Status data_file_fault(const DataFileInfo& info, const Status& read, std::size_t length);

// Loads one data file of the folder into `out`. Returns what is wrong with it
// ("MonstersSetup.vrh: does not exist", "...: 100 bytes, needs at least 254000"),
// or success when it was read and is long enough.
Status load_data_file(const std::string& root, const DataFileInfo& info, WholeFile& out);

// The folder as the user knows it: root, or the current directory when root is "".
std::string folder_name(const std::string& root);

// "<headline> (folder "<folder>"):" followed by one indented line per fault.
std::string fault_message(const std::string& headline, const std::string& root,
                          const std::vector<std::string>& faults);

}  // namespace ce
