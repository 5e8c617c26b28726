// In-memory dialog templates (DLGTEMPLATEEX) made from the catalogue: the one
// source of the editor form's and the language list form's layout.
#pragma once

#include <windows.h>

#include <cstdint>
#include <span>
#include <vector>

#include "form/catalogue.h"

namespace ce {

// Window class, styles and extended styles that a control of the catalogue gets.
const wchar_t* control_class(const Control& control);
DWORD control_style(const Control& control);
DWORD control_ex_style(const Control& control);
DWORD frame_style(const FormFrame& frame);

// A DLGTEMPLATEEX with its items, DWORD-aligned as the dialog manager needs.
class DialogTemplate {
public:
    DialogTemplate(const FormFrame& frame, std::span<const Control> controls);
    const DLGTEMPLATE* get() const { return reinterpret_cast<const DLGTEMPLATE*>(words_.data()); }
    std::size_t size_bytes() const { return words_.size() * sizeof(DWORD); }

private:
    std::vector<DWORD> words_;
};

DialogTemplate editor_template();         // template 37
DialogTemplate language_list_template();  // template 100
DialogTemplate window_template(const WindowLayout& layout);  // the editor's own windows

}  // namespace ce
