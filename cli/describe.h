// Fields as a person reads them: captions and places (folder/field_facts.h),
// the text the editor would show (form/folder_view.h), and the tool's warning
// about language texts that read as empty.
#pragma once

#include <iosfwd>

#include "folder/dataset.h"
#include "folder/field_facts.h"
#include "form/folder_view.h"
#include "tables/import_table.h"

namespace ce {

// Names on `err` ("creatures <command>: <file>: <why>; read as empty") each
// language text of `data` that could not be read and so reads as empty.
void warn_unread_texts(const Dataset& data, const char* command, std::ostream& err);

}  // namespace ce
