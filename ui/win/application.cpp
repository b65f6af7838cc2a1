#include "ui/win/application.h"

#include <cstring>

namespace scriblet::win {

Application* Application::instance_ = nullptr;

Application::Application() {
    instance_ = this;
}

Application::~Application() {
    if (instance_ == this) instance_ = nullptr;
}

namespace {

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

int messageBox(const char* text, UINT type, const char* caption) noexcept {
    HWND owner = nullptr;
    if (Application* app = Application::instance()) owner = app->mainWindow();
    owner = owner && IsWindow(owner) ? GetLastActivePopup(owner) : GetActiveWindow();
    char path[MAX_PATH];
    return MessageBoxA(owner, text, caption ? caption : nameIn(path), type);
}

}  // namespace scriblet::win
