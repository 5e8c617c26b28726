// Filling every caption and list of the editor form from the language files.
#pragma once

#include <string>
#include <vector>

#include "form/messages.h"
#include "store/fault.h"

namespace ce {

class Form;

// Fills every caption and list of the form from the language files of the
// language in `Lang`, in the fixed order; replaces header_format (taken back from
// control 2003, at most 119 characters). A missing language file is reported
// through form.report_error (one message for all that are missing) and read as
// empty. Sets form.set_language(language) before any text is set.
void apply_language(Form& form, const std::string& root, int current_index,
                    std::string& header_format);
// The same, with the read faults ("<path>: <what went wrong>") added to `faults`
// instead of reported, for callers that report one message for a whole action.
void apply_language(Form& form, const std::string& root, int current_index,
                    std::string& header_format, std::vector<Fault>& faults);
// The one message that names every language file that could not be read, in
// `language`.
UserText language_fault_message(int language, const std::vector<Fault>& faults);

}  // namespace ce
