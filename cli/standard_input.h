#pragma once

#include <iosfwd>
#include <string>
#include <string_view>

#include "store/fault.h"
#include "store/whole_file.h"
#include "tables/import_table.h"

namespace ce {

// Reads standard input whole into `text`, at most kLargestInput bytes; or the
// fault that stopped it ("cannot read standard input: it is closed",
// "standard input: larger than 1 GiB").
Status read_standard_input(std::istream& in, std::string& text);

// An input the command line names: "-" reads standard input into `piped`, a
// file is read into `file` (not copied: an export may be hundreds of
// megabytes); `text` then views what was read.
Status read_named_input(const std::string& name, std::istream& in, std::string& piped, WholeFile& file,
                        std::string_view& text);

}  // namespace ce
