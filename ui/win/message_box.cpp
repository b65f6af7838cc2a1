#include "ui/win/message_box.h"

#include <cstring>

namespace scriblet::win {

namespace {

HWND theMainWindow = nullptr;

// The application name, cut out of the executable's path in `path`.
const char* nameIn(char (&path)[MAX_PATH]) {
    const DWORD length = GetModuleFileNameA(nullptr, path, MAX_PATH);
    path[length < MAX_PATH ? length : 0] = '\0';
    char* name = path;
    for (char* at = path; *at; ++at) {
        if (*at == '\\' || *at == '/' || *at == ':') name = at + 1;
    }
    if (char* dot = std::strrchr(name, '.')) *dot = '\0';
    return name;
}

}  // namespace

void setMainWindow(HWND hwnd) {
    theMainWindow = hwnd;
}

HWND mainWindow() {
    return theMainWindow && IsWindow(theMainWindow) ? theMainWindow : nullptr;
}

int messageBox(const char* text, UINT type, const char* caption) noexcept {
    HWND owner = mainWindow();
    owner = owner ? GetLastActivePopup(owner) : GetActiveWindow();
    char path[MAX_PATH];
    return MessageBoxA(owner, text, caption ? caption : nameIn(path), type);
}

}  // namespace scriblet::win
