#include <windows.h>

#include "app/editor_shell.h"

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
    ExitProcess(static_cast<UINT>(ce::run_editor()));
}
