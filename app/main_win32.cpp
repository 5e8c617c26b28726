#include <windows.h>

#include <exception>
#include <new>
#include <string>

#include "app/editor_shell.h"
#include "app/win32_form.h"

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
    // The dialog procedure reports its own faults; this catches what start-up
    // or the end of the run throws, so the editor never ends without a word.
    UINT status = 2;
    try {
        status = static_cast<UINT>(ce::run_editor());
    } catch (const std::bad_alloc&) {
        MessageBoxW(nullptr, L"The editor ran out of memory and stops.", L"Creatures editor", MB_OK | MB_ICONERROR);
    } catch (const std::exception& e) {
        const std::wstring message = L"The editor stops on an unexpected error: " + ce::ansi_to_wide(e.what());
        MessageBoxW(nullptr, message.c_str(), L"Creatures editor", MB_OK | MB_ICONERROR);
    } catch (...) {
        MessageBoxW(nullptr, L"The editor stops on an unexpected error.", L"Creatures editor", MB_OK | MB_ICONERROR);
    }
    ExitProcess(status);
}
