#include "app/dialog_template.h"

#include <commctrl.h>

#include <cstring>
#include <stdexcept>
#include <string>

namespace ce {
namespace {

// Writes the template as 16-bit words; items start on DWORD boundaries.
class Writer {
public:
    void word(std::uint16_t w) { words_.push_back(w); }
    void dword(std::uint32_t d) {
        word(static_cast<std::uint16_t>(d & 0xFFFF));
        word(static_cast<std::uint16_t>(d >> 16));
    }
    void coordinate(int v) { word(static_cast<std::uint16_t>(static_cast<std::int16_t>(v))); }
    void text(const wchar_t* s) {
        for (; *s != 0; ++s) word(static_cast<std::uint16_t>(*s));
        word(0);
    }
    // Catalogue texts are ASCII (the only template texts are symbols, names
    // of languages and the title).
    void ascii(const char* s) {
        for (; *s != 0; ++s) word(static_cast<unsigned char>(*s));
        word(0);
    }
    void align_dword() {
        if (words_.size() % 2 != 0) word(0);
    }
    std::vector<DWORD> finish() {
        align_dword();
        std::vector<DWORD> out(words_.size() / 2);
        std::memcpy(out.data(), words_.data(), words_.size() * sizeof(std::uint16_t));
        return out;
    }

private:
    std::vector<std::uint16_t> words_;
};

DWORD edit_alignment(Align align) {
    switch (align) {
        case Align::Center: return ES_CENTER;
        case Align::Right: return ES_RIGHT;
        case Align::Left: break;
    }
    return ES_LEFT;
}

DWORD static_alignment(Align align) {
    switch (align) {
        case Align::Center: return SS_CENTER;
        case Align::Right: return SS_RIGHT;
        case Align::Left: break;
    }
    return SS_LEFT;
}

}  // namespace

const wchar_t* control_class(const Control& c) {
    switch (c.kind) {
        case Kind::GroupBox:
        case Kind::PushButton:
        case Kind::CheckBox:
        case Kind::RadioButton: return L"BUTTON";
        case Kind::ComboEdit:
        case Kind::ComboList: return L"COMBOBOX";
        case Kind::TextEdit:
        case Kind::NumberEdit:
        case Kind::MultiLineEdit: return L"EDIT";
        case Kind::NewEdit: return L"NewEdit";
        case Kind::Label: return L"STATIC";
        case Kind::Spin: return UPDOWN_CLASSW;
        case Kind::ListBox: return L"LISTBOX";
    }
    return L"STATIC";
}

DWORD control_style(const Control& c) {
    DWORD style = WS_CHILD | WS_VISIBLE;
    const bool auto_scroll = (c.flags & kNoAutoHScroll) == 0;
    switch (c.kind) {
        case Kind::GroupBox:
            style |= BS_GROUPBOX | BS_CENTER;
            if (c.flags & kFlat) style |= BS_FLAT;
            break;
        case Kind::PushButton: style |= BS_PUSHBUTTON | WS_TABSTOP; break;
        case Kind::CheckBox: style |= BS_AUTOCHECKBOX | WS_TABSTOP; break;
        case Kind::RadioButton: style |= BS_AUTORADIOBUTTON; break;
        case Kind::ComboEdit: style |= CBS_DROPDOWN | WS_VSCROLL | WS_TABSTOP; break;
        case Kind::ComboList: style |= CBS_DROPDOWNLIST | WS_VSCROLL; break;
        case Kind::TextEdit:
            style |= WS_BORDER | WS_TABSTOP | edit_alignment(c.align);
            if (auto_scroll) style |= ES_AUTOHSCROLL;
            break;
        case Kind::NumberEdit:
            style |= WS_BORDER | WS_TABSTOP | ES_NUMBER | edit_alignment(c.align);
            if (auto_scroll) style |= ES_AUTOHSCROLL;
            break;
        case Kind::NewEdit:
            // Centred with a sunken client edge instead of a border.
            style |= WS_TABSTOP | ES_CENTER;
            if (auto_scroll) style |= ES_AUTOHSCROLL;
            break;
        case Kind::MultiLineEdit:
            style |= ES_MULTILINE | WS_VSCROLL | WS_TABSTOP | edit_alignment(c.align);
            break;
        case Kind::Label: style |= static_alignment(c.align); break;
        case Kind::Spin:
            style |= UDS_AUTOBUDDY | UDS_SETBUDDYINT | UDS_ALIGNRIGHT | UDS_ARROWKEYS |
                     UDS_NOTHOUSANDS;
            break;
        case Kind::ListBox:
            style |= LBS_NOTIFY | LBS_NOINTEGRALHEIGHT | WS_VSCROLL | WS_HSCROLL | WS_BORDER | WS_TABSTOP;
            break;
    }
    if (c.flags & kUpperCase) style |= ES_UPPERCASE;
    if (c.flags & kGroupStart) style |= WS_GROUP;
    return style;
}

DWORD control_ex_style(const Control& c) {
    DWORD ex = 0;
    if (c.kind == Kind::NewEdit || c.kind == Kind::MultiLineEdit) ex |= WS_EX_CLIENTEDGE;
    if (c.flags & kModalFrame) ex |= WS_EX_DLGMODALFRAME;
    return ex;
}

DWORD frame_style(const FormFrame& f) {
    // Fixed size: no maximise box, no sizing border.
    DWORD style = DS_SETFONT | DS_CENTER | WS_POPUP | WS_CAPTION | WS_VISIBLE;
    if (f.system_menu) style |= WS_SYSMENU;
    if (f.minimise_box) style |= WS_MINIMIZEBOX;
    return style;
}

DialogTemplate::DialogTemplate(const FormFrame& frame, std::span<const Control> controls) {
    if (controls.size() > 0xFFFF) throw std::length_error("too many controls for a dialog template");
    Writer w;
    w.word(1);       // dlgVer
    w.word(0xFFFF);  // signature of the extended template
    w.dword(0);      // helpID
    w.dword(0);      // exStyle
    w.dword(frame_style(frame));
    w.word(static_cast<std::uint16_t>(controls.size()));
    w.coordinate(0);
    w.coordinate(0);
    w.coordinate(frame.width);
    w.coordinate(frame.height);
    if (frame.menu_id != 0) {
        w.word(0xFFFF);
        w.word(static_cast<std::uint16_t>(frame.menu_id));
    } else {
        w.word(0);
    }
    w.word(0);  // the standard dialog class
    w.ascii(frame.title);
    w.word(static_cast<std::uint16_t>(frame.font_points));
    w.word(FW_NORMAL);
    w.word(0);  // italic 0, character set 0 (two bytes)
    w.ascii(frame.font);
    for (const Control& c : controls) {
        w.align_dword();
        w.dword(0);  // helpID
        w.dword(control_ex_style(c));
        w.dword(control_style(c));
        w.coordinate(c.x);
        w.coordinate(c.y);
        w.coordinate(c.w);
        w.coordinate(c.h);
        w.dword(static_cast<std::uint32_t>(c.id));
        w.text(control_class(c));
        w.ascii(c.text != nullptr ? c.text : "");
        w.word(0);  // no creation data
    }
    words_ = w.finish();
}

DialogTemplate editor_template() { return DialogTemplate(editor_frame(), editor_controls()); }

DialogTemplate window_template(const WindowLayout& layout) { return DialogTemplate(layout.frame, layout.controls); }

DialogTemplate language_list_template() {
    return DialogTemplate(language_list_frame(), language_list_controls());
}

}  // namespace ce
