// An editor session for flow tests: a data folder, the editor's state and a
// MemoryForm whose user actions run through the editor's command routing.
#pragma once

#include <cstdint>
#include <string>

#include "editor/fixture.h"
#include "form/editor.h"
#include "form/memory_form.h"
#include "store/file_ops.h"
#include "support/forwarding_ops.h"
#include "support/form_values.h"

namespace ce::fixture {

// Little-endian patching of a data file in the folder.
inline void patch(const DataFolder& folder, const std::string& name, std::size_t offset,
                  std::uint32_t value, int width) {
    Bytes bytes = folder.read(name);
    for (int i = 0; i < width; ++i) bytes.at(offset + i) = static_cast<std::uint8_t>(value >> (8 * i));
    folder.write(name, bytes);
}

constexpr const char* kMonsters = "MonstersSetup.vrh";

// The text that showing a text field puts into its edit: the bytes up to the
// next zero (past the end of the file the buffer holds zeros).
inline std::string field_text(const Bytes& bytes, std::size_t offset) {
    std::string text;
    while (offset < bytes.size() && bytes[offset] != 0) text += static_cast<char>(bytes[offset++]);
    return text;
}

// Bit of box 2019 + k in the flag word at 21000.
inline void set_flag(const DataFolder& folder, int slot, int box, bool on) {
    Bytes bytes = folder.read(kMonsters);
    const std::size_t at = 21000 + 4 * static_cast<std::size_t>(slot);
    std::uint32_t word = peek(bytes, at, 4);
    const std::uint32_t bit = 1u << (box - 2019);
    word = on ? (word | bit) : (word & ~bit);
    for (int i = 0; i < 4; ++i) bytes[at + i] = static_cast<std::uint8_t>(word >> (8 * i));
    folder.write(kMonsters, bytes);
}

class Session {
public:
    explicit Session(unsigned seed = 1) : folder(seed) {
        state.root = folder.root();
        form.set_command_sink([this](std::uint32_t wparam) {
            if (on_command(state, form, wparam) == CommandResult::Close) ++closes;
        });
    }
    Session(const Session&) = delete;
    Session& operator=(const Session&) = delete;

    void start() { on_initialise(state, form); }
    void command(std::uint32_t wparam) {
        if (on_command(state, form, wparam) == CommandResult::Close) ++closes;
    }
    // The user chooses creature `slot` in list 300.
    void choose_creature(int slot) { form.choose(300, slot); }
    // Replaces an edit's text the way a user would: backspaces, then typing.
    void retype(int id, const std::string& text) {
        form.type(id, std::string(form.get_text(id, 100000).size(), '\b'));
        form.type(id, text);
    }

    DataFolder folder;
    EditorState state;
    MemoryForm form;
    int closes = 0;
};

// The system's file operations, counting every step and failing the chosen ones.
class ScriptedOps : public test::ForwardingOps {
public:
    // Fail the step with this number (0-based, counted over all steps but
    // making folders, asking whether a file may be written and taking the
    // folder's lock), -1: none.
    int fail_at = -1;
    // Fail every open and replacement of a file whose final path ends with this name.
    std::string fail_file;
    // Skip flushing (benchmarks).
    bool skip_flush = false;
    int steps = 0;

    Status before(Step step, const std::string& path) override {
        if (step == MakeFolder || step == MayWrite || step == LockFolder) return {};
        if (steps++ == fail_at) return std::string("Input/output error (test)");
        if ((step == Open || step == Replace || step == RenameOver) && names(path)) return std::string("Permission denied (test)");
        return {};
    }
    Status flush(Handle file) override {
        if (Status e = before(Flush, ""); !e.ok()) return e;
        return skip_flush ? Status() : sys().flush(file);
    }

private:
    bool names(const std::string& path) const { return !fail_file.empty() && path.ends_with(fail_file); }
};

}  // namespace ce::fixture
