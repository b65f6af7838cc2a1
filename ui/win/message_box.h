// The program's message boxes, and the one window that owns them (and the
// dialogs opened without a parent): the main window once it is up.
#pragma once

#include <windows.h>

namespace scriblet::win {

// The main window: the owner of message boxes and of parentless dialogs.
void setMainWindow(HWND hwnd);
// It, while it exists; null before it opens and after it is gone.
HWND mainWindow();

// Every message box the program shows. It is owned by what the user is
// looking at: the main window's last active popup (the about box while it is
// open, so that it gives up the mouse capture), else the active window. It is
// captioned `caption`, or without one the application name: the executable's
// file name without directory and extension. It takes no memory, so it can
// also tell that memory ran out.
int messageBox(const char* text, UINT type, const char* caption = nullptr) noexcept;

}  // namespace scriblet::win
