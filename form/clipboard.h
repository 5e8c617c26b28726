// The states clipboard: what "Copy all states" captures from the form.
#pragma once

namespace ce {

class Form;

struct StatesClipboard {
    // fields are filled in by the clipboard implementation
};

}  // namespace ce
