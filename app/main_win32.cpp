#include <windows.h>

#include <exception>
#include <new>
#include <string>

#include "app/editor_shell.h"
#include "app/win32_form.h"
#include "form/messages.h"
#include "store/settings.h"

namespace {

// The last word of a run that ends on a fault: in the language `Lang` names
// when it can still be read and the words put together, in plain English when
// even that fails (memory may be short).
void say_last(ce::MessageKey key, const char* what, const wchar_t* plain) noexcept {
    try {
        const int language = ce::read_language("");
        const ce::UserText text = ce::say(language, key, {{"what", ce::UserText::system(what)}});
        ce::show_error(nullptr, ce::user_text_wide(text, language), language);
    } catch (...) {
        MessageBoxW(nullptr, plain, L"Quelmarn - Creatures Editor (Tirrowe edition)", MB_OK | MB_ICONERROR);
    }
}

}  // namespace

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
    // The dialog procedure reports its own faults; this catches what start-up
    // or the end of the run throws, so the editor never ends without a word.
    UINT status = 2;
    try {
        status = static_cast<UINT>(ce::run_editor());
    } catch (const std::bad_alloc&) {
        say_last(ce::MessageKey::out_of_memory, "", L"The editor ran out of memory and stops.");
    } catch (const std::exception& e) {
        say_last(ce::MessageKey::stops_on_error, e.what(), L"The editor stops on an unexpected error.");
    } catch (...) {
        say_last(ce::MessageKey::stops_on_unknown_error, "", L"The editor stops on an unexpected error.");
    }
    ExitProcess(status);
}
