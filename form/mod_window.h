// Mods in the editor: "Apply mod..." reads a patch, shows in the Apply mod
// window every change it makes and its conflicts, lets the user settle each
// conflict (the mod's value or the folder's) or all of them, and writes it as
// one history entry, as the tool's apply does (mods/apply.h); "Save changes as
// mod..." writes the patch of the folder's changes since a base folder, as the
// tool's diff --patch does.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "folder/fields.h"
#include "form/form_window.h"
#include "mods/apply.h"

namespace ce {

class Form;
struct EditorState;

class ModWindow : public FormWindow {
public:
    ModWindow(EditorState& state, Form& editor, std::string path, Patch patch, ApplyPlan plan);
    const WindowLayout& layout() const override;
    void on_initialise(Form& window) override;
    bool on_command(Form& window, std::uint32_t wparam) override;
    // Whether the mod was written.
    bool applied() const { return applied_; }

private:
    void list_changes(Form& window);
    void settle(Form& window, bool all, Outcome outcome);
    bool apply(Form& window);

    EditorState& state_;
    Form& editor_;
    std::string path_;
    Patch patch_;
    std::vector<Field> fields_;
    ApplyPlan plan_;
    std::vector<bool> conflict_;       // per change: a conflict the user settles
    std::vector<std::size_t> rows_;    // per row of the list: its change
    bool applied_ = false;
};

// The menu's "Apply mod...": the patch the user picks, its window, its write.
void apply_mod(EditorState& state, Form& form);

// The menu's "Save changes as mod...": the base folder and the patch's file
// the user picks; the patch of the changes from the base to the folder.
void save_as_mod(EditorState& state, Form& form);

}  // namespace ce
