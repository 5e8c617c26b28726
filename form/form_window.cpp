#include "form/form_window.h"

#include "form/form.h"

namespace ce {

void word_window(Form& window, const WindowLayout& layout) {
    for (const ControlWords& w : layout.words) window.set_text(w.id, message_text(window.language(), w.words));
}

}  // namespace ce
