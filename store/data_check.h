// Checks of the data files before the editor reads or writes them: every file
// must be present and at least its fixed size, or the action is refused whole.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <vector>

#include "store/layouts.h"
#include "store/whole_file.h"

namespace ce {

// What keeps a data file from being used, as "<name>: <what>", or nothing: not
// read (`read` false: missing, a folder, unreadable) or shorter than its size.
std::optional<std::string> data_file_fault(const DataFileInfo& info, const std::string& path, bool read,
                                           std::size_t length);

// Loads one data file of the folder into `out`. Returns what is wrong with it
// ("MonstersSetup.vrh: missing", "...: 100 bytes, needs at least 254000"), or
// nothing when it was read and is long enough.
std::optional<std::string> load_data_file(const std::string& root, const DataFileInfo& info,
                                          WholeFile& out);

// Whether a file exists at path but could not be opened, or is simply not there.
std::string unreadable_reason(const std::string& path);

// The folder as the user knows it: root, or the current directory when root is "".
std::string folder_name(const std::string& root);

// "<headline> (folder "<folder>"):" followed by one indented line per fault.
std::string fault_message(const std::string& headline, const std::string& root,
                          const std::vector<std::string>& faults);

}  // namespace ce
