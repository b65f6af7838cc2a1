#include "ui/win/application.h"

namespace scriblet::win {

Application* Application::instance_ = nullptr;

Application::Application() {
    instance_ = this;
}

Application::~Application() {
    if (instance_ == this) instance_ = nullptr;
}

std::string applicationName() {
    char path[MAX_PATH];
    const DWORD length = GetModuleFileNameA(nullptr, path, MAX_PATH);
    std::string name(path, length < MAX_PATH ? length : 0);
    const std::string::size_type slash = name.find_last_of("\\/:");
    if (slash != std::string::npos) name.erase(0, slash + 1);
    const std::string::size_type dot = name.rfind('.');
    if (dot != std::string::npos) name.erase(dot);
    return name;
}

int applicationMessageBox(const std::string& text, UINT type) {
    // Owned by what the user is looking at: the main window's last active
    // popup (the about box while it is open, so it gives up the mouse
    // capture), else the active window.
    HWND owner = nullptr;
    if (Application* app = Application::instance()) owner = app->mainWindow();
    owner = owner && IsWindow(owner) ? GetLastActivePopup(owner) : GetActiveWindow();
    return MessageBoxA(owner, text.c_str(), applicationName().c_str(), type);
}

void fileErrorBox(const std::string& text) {
    applicationMessageBox(text, MB_ICONSTOP | MB_OK);
}

}  // namespace scriblet::win
