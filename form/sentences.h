// The editor's sentences that are built of more than one message: the folder
// and its faults, a value a Save refuses, a recovery. Our words come from the
// table (form/messages.h) in the language given; what the file layer and the
// system say (a file's name and what is wrong with it) is kept as they say it.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "form/messages.h"
#include "store/fault.h"

namespace ce {

struct BindingRow;
struct Recovery;

// "<headline> (folder "<folder>"):" followed by one indented line per fault.
UserText folder_faults(int language, const UserText& headline, const std::string& root,
                       const std::vector<Fault>& faults);

// Why a Save cannot store the text of a row's control, as read_form_text
// judged it (`kind`: out_of_range or invalid): "300 is outside 0..255".
UserText refused_value(int language, const BindingRow& row, std::string_view text, FaultKind kind);

// What the user is told once about a recovery at start-up (empty when there is
// nothing to say).
UserText recovery_text(int language, const Recovery& recovery, const std::string& root);

}  // namespace ce
