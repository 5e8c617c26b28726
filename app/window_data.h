// What a procedure of ours put on top of a window keeps for that window,
// looked up in the process by the window's handle: a window property would
// ask the window server at every message the window gets.
#pragma once

#include <windows.h>

#include <unordered_map>

namespace ce {

// One map for each kind of data.
template <class Data>
std::unordered_map<HWND, Data>& window_data() {
    static std::unordered_map<HWND, Data> map;
    return map;
}

}  // namespace ce
