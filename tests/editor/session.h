// An editor session for flow tests: a data folder, the editor's state and a
// MemoryForm whose user actions run through the editor's command routing.
#pragma once

#include <algorithm>
#include <cstdint>
#include <initializer_list>
#include <map>
#include <string>

#include "editor/fixture.h"
#include "form/catalogue.h"
#include "form/editor.h"
#include "form/memory_form.h"
#include "store/file_ops.h"
#include "text/lines.h"

namespace ce::fixture {

// Little-endian patching of a data file in the folder.
inline void patch(const DataFolder& folder, const std::string& name, std::size_t offset,
                  std::uint32_t value, int width) {
    Bytes bytes = folder.read(name);
    for (int i = 0; i < width; ++i) bytes.at(offset + i) = static_cast<std::uint8_t>(value >> (8 * i));
    folder.write(name, bytes);
}

inline std::uint32_t peek(const Bytes& bytes, std::size_t offset, int width) {
    std::uint32_t value = 0;
    for (int i = 0; i < width; ++i) value |= std::uint32_t{bytes.at(offset + i)} << (8 * i);
    return value;
}

constexpr const char* kMonsters = "MonstersSetup.vrh";

// The text that showing a text field puts into its edit: the bytes up to the
// next zero (past the end of the file the buffer holds zeros).
inline std::string field_text(const Bytes& bytes, std::size_t offset) {
    std::string text;
    while (offset < bytes.size() && bytes[offset] != 0) text += static_cast<char>(bytes[offset++]);
    return text;
}

// The counted lines of a language text.
inline std::vector<std::string> lines_of(const std::string& text) {
    std::vector<std::string> lines;
    std::size_t offset = 0;
    for (int i = 0, n = count_lines(text); i < n; ++i) {
        std::string line;
        offset = next_line(text, offset, line);
        lines.push_back(line);
    }
    return lines;
}

// Everything the user can see of every control (text, check, selection, entry
// count, enabled), by identifier, leaving out the identifiers in `skip`.
inline std::map<int, std::string> form_values(const MemoryForm& form,
                                              std::initializer_list<int> skip = {}) {
    std::map<int, std::string> out;
    for (const Control& c : editor_controls()) {
        if (out.count(c.id) != 0 || std::find(skip.begin(), skip.end(), c.id) != skip.end()) continue;
        out[c.id] = form.get_text(c.id, 1 << 20) + "|check " + std::to_string(form.get_check(c.id)) +
                    "|sel " + std::to_string(form.selected_item(c.id)) + "|items " +
                    std::to_string(form.item_count(c.id)) + (form.is_enabled(c.id) ? "|on" : "|off");
    }
    return out;
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

// FileOps over the system's, counting every step and failing the chosen ones.
class ScriptedOps : public FileOps {
public:
    // Fail the step with this number (0-based, counted over all steps), -1: none.
    int fail_at = -1;
    // Fail every write of a file whose final path ends with this name.
    std::string fail_file;
    // Skip flushing (benchmarks).
    bool skip_flush = false;
    int steps = 0;

    std::string resolve(const std::string& path) override { return sys().resolve(path); }
    FileError link_count(const std::string& path, unsigned& out) override {
        if (auto e = step()) return e;
        return sys().link_count(path, out);
    }
    FileError create_new(const std::string& path, const std::string& model, Handle& out) override {
        if (auto e = step()) return e;
        return sys().create_new(path, model, out);
    }
    FileError open_existing(const std::string& path, Handle& out) override {
        if (auto e = step()) return e;
        if (names(path)) return std::string("Permission denied (test)");
        return sys().open_existing(path, out);
    }
    FileError write(Handle file, const void* data, std::size_t count) override {
        if (auto e = step()) return e;
        return sys().write(file, data, count);
    }
    FileError set_size(Handle file, std::uint64_t size) override {
        if (auto e = step()) return e;
        return sys().set_size(file, size);
    }
    FileError flush(Handle file) override {
        if (auto e = step()) return e;
        if (skip_flush) return std::nullopt;
        return sys().flush(file);
    }
    FileError close(Handle file) override {
        // A failed close still releases the handle, as the system's does.
        FileError e = step();
        FileError closed = sys().close(file);
        return e ? e : closed;
    }
    FileError replace(const std::string& from, const std::string& to) override {
        if (auto e = step()) return e;
        if (names(to)) return std::string("Permission denied (test)");
        return sys().replace(from, to);
    }
    FileError rename_over(const std::string& from, const std::string& to) override {
        if (auto e = step()) return e;
        if (names(to)) return std::string("Permission denied (test)");
        return sys().rename_over(from, to);
    }
    FileError sync_folder(const std::string& folder) override {
        if (auto e = step()) return e;
        return sys().sync_folder(folder);
    }
    FileError copy(const std::string& from, const std::string& to) override {
        if (auto e = step()) return e;
        return sys().copy(from, to);
    }
    FileError remove(const std::string& path) override {
        if (auto e = step()) return e;
        return sys().remove(path);
    }

private:
    static FileOps& sys() { return system_file_ops(); }
    FileError step() {
        return steps++ == fail_at ? FileError("Input/output error (test)") : std::nullopt;
    }
    bool names(const std::string& path) const {
        return !fail_file.empty() && path.size() >= fail_file.size() &&
               path.compare(path.size() - fail_file.size(), fail_file.size(), fail_file) == 0;
    }
};

}  // namespace ce::fixture
