// The binding table: every array of the six data files with its place in the
// file, its element and the control(s) of the editor form that show it. Showing
// and saving a creature, and the command-line tool's export and import, walk
// these rows; no field has code of its own.
//
// A row is one element of a slot: most arrays have one row; the number block
// (21 values), the CrAnim record (24 values) and the six bytes of
// ImposedSpells.vrh have one row per element of the record. A row is named by the
// stable key (file, offset, element).
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>

#include "store/layouts.h"

namespace ce {

enum class Conversion : std::uint8_t {
    Text,         // zero-terminated text field of `width` bytes in edit `control`
    Number,       // set_number(value, show_signed); get_number(control, save_signed), low bits
    NumberPlusOne,// shows value + 1 (signed); stores get_number(unsigned) - 1, low bits
    Check,        // check box byte: set_check(value); get_check
    CheckPair,    // the byte at 40000: check box `control` (2062), and `control2` (2019)
                  // for the value 2; 2019's own element is bit 0 of the word at `aux_offset`
    FlagWord,     // 32 check boxes control..control2, bit k in box control + k
    Radio,        // radio buttons control..control2, value v checks control + 1 + v
    List,         // drop-down list: selection = value + shift
    Float,        // single-precision float shown as float text
    Scaled,       // signed integer shown as float text of value / scale
    Bit,          // one flag bit per slot: bit slot & 7 of byte offset + (slot >> 3)
    None,         // no control: the bytes are kept
};

struct BindingRow {
    DataFile file;
    std::uint32_t offset;          // start of the array in the file
    std::uint16_t stride;          // bytes per slot (0 for Bit)
    std::uint8_t element;          // index of the element within the slot's record
    std::uint8_t element_offset;   // byte offset of the element within the record
    std::uint8_t width;            // bytes of the element (0 for Bit)
    bool is_signed;                // signedness of the stored value
    Conversion kind;
    int control;                   // the control, or the first of a range; 0 when none
    int control2;                  // last of a range, or the second control; 0 when none
    bool show_signed;              // set_number's flag (Number, NumberPlusOne)
    bool save_signed;              // get_number's flag (Number, NumberPlusOne)
    std::int8_t shift;             // List: selection = value + shift (1 after a none entry)
    float scale;                   // Scaled: the single-precision divisor
    std::uint32_t aux_offset;      // CheckPair: the flag word whose bit 0 shows in control2
    int caption;                   // the control whose caption names the field; 0 when none
};

// Every row of a file in the order of the file's bytes (offset, then element).
std::span<const BindingRow> binding_rows(DataFile file);
// Indices into binding_rows(file), in the order in which showing a creature
// fills the controls, and in which saving stores the elements.
std::span<const std::uint16_t> show_order(DataFile file);
std::span<const std::uint16_t> save_order(DataFile file);
// The row with this key, or nullptr.
const BindingRow* find_row(DataFile file, std::uint32_t offset, int element);

// Byte position of the slot's element in the file (for Bit: the byte holding it).
std::size_t element_position(const BindingRow& row, int slot);

// The slot's element as an integer: sign- or zero-extended from its width (Bit:
// 0 or 1; Float: the bit pattern). `bytes` must hold the element.
std::int64_t read_int(const BindingRow& row, std::span<const std::uint8_t> bytes, int slot);
// Stores the low bits of value into the slot's element (Bit: set when non-zero).
void write_int(const BindingRow& row, std::span<std::uint8_t> bytes, int slot, std::int64_t value);
// A Float element as a float (other 4-byte elements reinterpreted).
float read_float(const BindingRow& row, std::span<const std::uint8_t> bytes, int slot);
void write_float(const BindingRow& row, std::span<std::uint8_t> bytes, int slot, float value);
// A Text element: the bytes from the start of the field up to the first zero,
// running past the field when it holds none (up to the end of `bytes`).
std::string read_text(const BindingRow& row, std::span<const std::uint8_t> bytes, int slot);
// Stores at most width - 1 characters and a zero at the start of the field; the
// bytes after that zero keep their values.
void write_text(const BindingRow& row, std::span<std::uint8_t> bytes, int slot, std::string_view text);

}  // namespace ce
