// Showing and saving one slot of one data file through the binding table.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "store/binding.h"
#include "store/fault.h"
#include "store/layouts.h"

namespace ce {

class Form;

// Puts the slot's elements of `file` into their controls, in show order.
// `bytes` is the whole-file buffer (at least the file's fixed size). Both calls
// throw std::out_of_range for a slot outside 0..999 or a shorter buffer: the
// callers check the files first, so that is a fault of the program.
void show_slot(Form& form, DataFile file, std::span<const std::uint8_t> bytes, int slot);

// What else the controls of one element may hold besides its reference (what
// showing the stored bytes puts there), each as a row_state.
struct ElementMemo {
    // A state that stands for the stored bytes too: what the controls held when
    // a Save stored them (a float typed "1.5" stands for the 1.5 stored).
    std::optional<std::string> kept;
    // What the controls held after the show's interlocks: not a change of the
    // user's, though a Save stores it.
    std::optional<std::string> shown;
    // What a paste left, and the exact bytes of the element it stands for.
    std::optional<std::string> pasted;
    std::string pasted_bytes;
};
// One memo per row of binding_rows(file); empty when there is none.
using SlotMemos = std::span<const ElementMemo>;

// The state of the row's controls as one comparable text: the edit's text, the
// check states, the selection.
std::string row_state(const Form& form, const BindingRow& row);

// Whether the element's controls show what showing the slot's element of
// `bytes` puts there (before the interlocks): its reference.
bool shows_bytes(const Form& form, const BindingRow& row, std::span<const std::uint8_t> bytes, int slot);

// Puts the slot's element of `bytes` into its controls, as a show does.
void show_element(Form& form, const BindingRow& row, std::span<const std::uint8_t> bytes, int slot);

// What the user did to one element since its bytes were shown or stored.
enum class ElementEdit : std::uint8_t {
    Kept,    // the controls show the bytes (their reference, or a kept state)
    Pasted,  // the controls still show what a paste put there
    Typed,   // anything else: the controls' values are stored
};
ElementEdit element_edit(const Form& form, const BindingRow& row, std::span<const std::uint8_t> bytes, int slot,
                         const ElementMemo* memo);
// Whether the element's controls hold something the user has not saved.
bool element_unsaved(const Form& form, const BindingRow& row, std::span<const std::uint8_t> bytes, int slot,
                     const ElementMemo* memo);

// Stores the slot's elements from their controls into `bytes`, in save order.
// An element the user kept keeps its bytes, a pasted one gets the bytes it was
// pasted from, a typed one the value its controls show (read strictly: see
// check_slot); arrays without a control keep theirs.
void save_slot(const Form& form, DataFile file, std::span<std::uint8_t> bytes, int slot, SlotMemos memos = {});

// A control's text that a Save cannot store: the row, the text and why (in
// the file layer's English, and its kind: out_of_range or invalid).
struct ValueFault {
    const BindingRow* row;
    std::string text;
    std::string why;
    FaultKind kind;
};
// The texts of the slot's typed elements that cannot be stored (out of range,
// not a number, too long), in save order.
void check_slot(const Form& form, DataFile file, std::span<const std::uint8_t> bytes, int slot, SlotMemos memos,
                std::vector<ValueFault>& faults);

}  // namespace ce
