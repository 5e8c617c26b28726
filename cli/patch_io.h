// Reading a patch from a file or standard input, and the tool's words for the
// faults found in one.
#pragma once

#include <cstddef>
#include <iosfwd>
#include <string>
#include <string_view>
#include <vector>

#include "mods/patch.h"
#include "store/fault.h"

namespace ce {

// Reads and parses the patch at `path` ("-": `in`): the fault that kept it
// from being read, or success with the patch's faults (if any) in `faults`.
Status read_patch_from(const std::string& path, std::istream& in, const std::vector<Field>& fields, Patch& patch,
                       FaultList& faults);

// "1 field", "3 fields": a count of things for the reports of apply and merge.
std::string counted(std::size_t n, const char* one, const char* many);

// Names the faults on `err`, the first 25 and how many more:
// "creatures <command>: <label>: <fault>".
void report_patch_faults(const char* command, const std::string& label, const FaultList& faults, std::ostream& err);

}  // namespace ce
