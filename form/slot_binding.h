// Showing and saving one slot of one data file through the binding table.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>

#include "store/layouts.h"

namespace ce {

class Form;

// Puts the slot's elements of `file` into their controls, in show order.
// `bytes` is the whole-file buffer (at least the file's fixed size). Both calls
// throw std::out_of_range for a slot outside 0..999 or a shorter buffer: the
// callers check the files first, so that is a fault of the program.
void show_slot(Form& form, DataFile file, std::span<const std::uint8_t> bytes, int slot);

// Stores the slot's elements from their controls into `bytes`, in save order.
// An element whose controls still show what showing the stored bytes would put
// there keeps its bytes; arrays without a control keep theirs.
void save_slot(const Form& form, DataFile file, std::span<std::uint8_t> bytes, int slot);

}  // namespace ce
