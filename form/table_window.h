// Tables in the editor: "Export table..." writes the folder's CSV or JSON
// table as the tool's export does (tables/export_table.h); "Import table..."
// reads one back, shows in the Import table window every change it makes, the
// changes that look like a spreadsheet's reformatting held apart with their
// classes, and writes them, with the held ones or without, as one history
// entry, as the tool's import does.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "folder/fields.h"
#include "form/form_window.h"
#include "tables/import_plan.h"

namespace ce {

class Form;
struct EditorState;

class TableWindow : public FormWindow {
public:
    TableWindow(EditorState& state, Form& editor, std::string path, ImportTable table, ImportPlan plan);
    const WindowLayout& layout() const override;
    void on_initialise(Form& window) override;
    bool on_command(Form& window, std::uint32_t wparam) override;
    // Whether the table was written.
    bool imported() const { return imported_; }

private:
    bool write(Form& window, SuspectChoice held);

    EditorState& state_;
    Form& editor_;
    std::string path_;
    ImportTable table_;
    std::vector<Field> fields_;
    ImportPlan plan_;
    bool imported_ = false;
};

// The menu's "Export table...": the file the user names; CSV unless it ends in .json.
void export_table(EditorState& state, Form& form);

// The menu's "Import table...": the table the user picks, its window, its write.
void import_table(EditorState& state, Form& form);

}  // namespace ce
