// A window of the editor's own over the editor form (History, ...): its layout
// from the catalogue and its own small event routine, portable like the
// editor's. The form opens it modally (Form::open_window): the real dialog as a
// dialog box of that layout, MemoryForm as a headless form a test drives.
#pragma once

#include <cstdint>

#include "form/catalogue.h"

namespace ce {

class Form;

class FormWindow {
public:
    virtual ~FormWindow() = default;
    virtual const WindowLayout& layout() const = 0;
    // The window is made: fill it (its words are set already).
    virtual void on_initialise(Form& window) = 0;
    // A command of the window (wParam as a whole 32-bit word). True closes it.
    virtual bool on_command(Form& window, std::uint32_t wparam) = 0;
};

// Sets the editor's words of the layout into the window's controls, in the
// window's language.
void word_window(Form& window, const WindowLayout& layout);

}  // namespace ce
