// Reading a patch from a file or standard input, and the tool's words for the
// faults found in one.
#pragma once

#include <cstddef>
#include <iosfwd>
#include <string>
#include <string_view>
#include <vector>

#include "mods/patch.h"
#include "store/whole_file.h"

namespace ce {

// Reads the patch at `path` whole: standard input ("-", `in`) into `piped`, a
// file into `file` (not copied); `text` views it. False after saying why on
// `err` ("creatures <command>: ...").
bool read_patch_file(const std::string& path, std::istream& in, std::string& piped, WholeFile& file,
                     std::string_view& text, const char* command, std::ostream& err);

// Reads and parses the patch at `path` ("-": `in`). False after saying why on
// `err` when it cannot be read, or with its faults in `faults` (not yet said).
bool read_patch_from(const std::string& path, std::istream& in, const std::vector<Field>& fields, Patch& patch,
                     FaultList& faults, const char* command, std::ostream& err);

// "1 field", "3 fields": a count of things for the reports of apply and merge.
std::string counted(std::size_t n, const char* one, const char* many);

// Names the faults on `err`, the first 25 and how many more:
// "creatures <command>: <label>: <fault>".
void report_patch_faults(const char* command, const std::string& label, const FaultList& faults, std::ostream& err);

}  // namespace ce
