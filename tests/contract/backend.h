// What the form contract suite needs from a form implementation: the form
// itself and a user's actions on it, performed as a user would (real input on
// the real dialog). Nothing a user does reaches a disabled control.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "form/form.h"

namespace ce {

struct ContractBackend {
    virtual ~ContractBackend();
    // The editor form (template 37), fresh: no texts, lists, limits or ranges
    // set beyond what the template carries.
    virtual ce::Form& form() = 0;
    // A mouse click on the first push button, check box or radio button with
    // this identifier (2101: the jump button, not the portrait frame).
    virtual void click(int id) = 0;
    // Keystrokes at the end of the text of an edit (for 300: its edit field),
    // one character message per byte.
    virtual void type(int id, std::string_view chars) = 0;
    // Clicks on a spin's arrows: steps > 0 up, < 0 down.
    virtual void spin(int spin_id, int steps) = 0;
    // A user's choice of entry index in a list, as a mouse or arrow-key choice.
    virtual void choose(int id, int index) = 0;
    // wParam of every command the dialog received since the last call.
    virtual std::vector<std::uint32_t> take_commands() = 0;
    // Beeps sounded since the last call.
    virtual int take_beeps() = 0;
    // Caption or content of the occurrence-th control (0-based, template
    // order) that carries id; reads the controls a shared identifier hides.
    virtual std::string text_at(int id, int occurrence) = 0;
    // Runs the operations of `action` as the handling of one event of the
    // editor does (the real dialog draws what they changed once, at the end).
    virtual void in_one_event(const std::function<void()>& action) { action(); }
};

inline ContractBackend::~ContractBackend() = default;

using ContractFactory = std::function<std::unique_ptr<ContractBackend>()>;

}  // namespace ce
