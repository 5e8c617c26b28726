// The spins' buddies, cheaper to talk to.
//
// A spin hooks its buddy edit (the common controls' subclass) to step the
// number on the up and down arrow keys and the mouse wheel. Every message
// sent to a hooked window passes that hook, which looks its data up as a
// window property; under Wine that is a request to the window server, two per
// message, and a show of a creature sends the buddies a few hundred messages
// (texts set, paints). A procedure put on top of each buddy hands the hook
// only the messages it may act on and every other one straight to the edit's
// own class procedure; what the user sees and does is unchanged.
#pragma once

#include <windows.h>

namespace ce {

// Puts the procedure on top of the buddy of every spin of `dialog` that has
// hooked it. Idempotent. Returns the number of buddies it now stands on.
int shorten_buddy_hooks(HWND dialog);

// True when `buddy` has the procedure on top.
bool buddy_hook_shortened(HWND buddy);

// The messages the spin's hook gets: keys (the arrows step the number), the
// mouse wheel, focus, and the window's end (the hook removes itself).
bool spin_hook_needs(UINT message);

}  // namespace ce
