// Number texts of the form: through the dialog manager's readings (store/value_text.h).
#include "form/form.h"

#include <cstdint>
#include <string>

namespace ce {

namespace {
// Longer than any number text the editor shows; get_number reads no further.
constexpr int kNumberCapacity = 1024;
}  // namespace

void Form::set_number(int id, std::int32_t value, bool is_signed) {
    set_text(id, format_number(value, is_signed));
}

std::int32_t Form::get_number(int id, bool is_signed) const {
    return parse_number(get_text(id, kNumberCapacity), is_signed);
}

}  // namespace ce
