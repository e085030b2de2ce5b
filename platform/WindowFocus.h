#pragma once

// Keyboard focus after a dialog: with no window manager nobody gives it back when a dialog or
// another window of the program closes, and the keys (F1, the menus' shortcuts) go nowhere until
// a click. The window that was active when such a window came up takes the focus back.

namespace quarbel::platform {

// Watches every window of the application from now on; calling it again does nothing.
void returnFocusAfterDialogs();

} // namespace quarbel::platform
