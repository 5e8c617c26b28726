// The catalogue of the editor form (template 37) and the language list form
// (template 100): every control with its identifier, kind, rectangle in dialog
// units, styles and fixed text, in template order (creation and tab order).
// The Win32 dialog templates and MemoryForm are both built from these tables.
#pragma once

#include <cstdint>
#include <span>

#include "form/messages.h"

namespace ce {

enum class Kind : std::uint8_t {
    GroupBox,
    PushButton,
    CheckBox,      // auto check box, two states
    RadioButton,   // auto radio button
    ComboEdit,     // editable drop-down (300)
    ComboList,     // drop-down list
    TextEdit,
    NumberEdit,    // ES_NUMBER
    NewEdit,       // class "NewEdit": numeric entry filter
    MultiLineEdit,
    Label,
    Spin,          // up-down, buddy = the control just before it
    ListBox,       // a list of rows, one selected (the editor's own windows)
};

enum class Align : std::uint8_t { Left, Center, Right };

// Style flags beyond what the kind implies.
enum ControlFlag : std::uint32_t {
    kNone = 0,
    kGroupStart = 1u << 0,    // WS_GROUP (first radio button of a group)
    kFlat = 1u << 1,          // BS_FLAT group box
    kUpperCase = 1u << 2,     // ES_UPPERCASE
    kNoAutoHScroll = 1u << 3, // edit without ES_AUTOHSCROLL
    kModalFrame = 1u << 4,    // WS_EX_DLGMODALFRAME (Save button)
};

struct Control {
    int id;
    Kind kind;
    int x, y, w, h;          // dialog units
    Align align;             // text alignment (labels, edits)
    std::uint32_t flags;     // ControlFlag bits
    const char* text;        // fixed template text, "" when none
};

struct FormFrame {
    int width, height;       // dialog units
    const char* title;       // "" for the language list form
    const char* font;        // "MS Sans Serif"
    int font_points;         // 8
    bool system_menu;
    bool minimise_box;
    int menu_id;             // 0 when none
};

// A text limit and/or spin range set at initialisation, in order.
struct LimitRow {
    int edit;   // edit identifier (may be absent from the form)
    int limit;  // characters the user may type; -1 = no limit set
    int spin;   // spin identifier, -1 = none
    int low, high;
};

struct MenuItem {
    int id;
    const char* text;   // the template's (English) text
    MessageKey words;   // the same in every language
};

constexpr int kEditorMenu = 10000;

// A language named on the language list form: its label ("<name> : "), its
// name, and the name's words.
struct ListedLanguage {
    int label;
    int name;
    MessageKey words;
};

// A window of the editor's own (History, ...): its frame and controls, and the
// editor's words for its title and for each control's text, in every language.
struct ControlWords {
    int id;
    MessageKey words;
};
struct WindowLayout {
    const FormFrame& frame;
    std::span<const Control> controls;
    MessageKey title;
    std::span<const ControlWords> words;
};

const FormFrame& editor_frame();
std::span<const Control> editor_controls();         // 288, template order
const FormFrame& language_list_frame();
std::span<const Control> language_list_controls();  // 21, template order
std::span<const LimitRow> limit_rows();             // initialisation order
std::span<const MenuItem> editor_menu();            // 10000 .. 10008
const WindowLayout& history_window();
const WindowLayout& mod_window();
const WindowLayout& table_window();
std::span<const ListedLanguage> listed_languages(); // the language list form's ten
constexpr int kLanguageListOk = 1;                   // its OK button

// The first control with this identifier in template order, or nullptr.
const Control* find_control(std::span<const Control> controls, int id);

}  // namespace ce
