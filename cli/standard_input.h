#pragma once

#include <iosfwd>
#include <string>

#include "tables/import_table.h"

namespace ce {

// Reads standard input whole into `text`, at most kLargestInput bytes; false
// after saying why on `err` ("creatures <command>: cannot read standard input:
// it is closed", "creatures <command>: standard input: larger than 1 GiB").
bool read_standard_input(std::istream& in, std::string& text, const char* command, std::ostream& err);

}  // namespace ce
