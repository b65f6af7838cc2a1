// The application object: one per process, made before any window. WinMain
// hands control to its InitInstance.
#pragma once

#include <windows.h>

#include <string>

namespace scriblet::win {

class Application {
public:
    Application();
    Application(const Application&) = delete;
    Application& operator=(const Application&) = delete;
    virtual ~Application();

    // Runs the program. True would ask for a message loop of the
    // application's own; every Scriblet run ends inside it and returns false.
    virtual bool InitInstance() = 0;

    static Application* instance() { return instance_; }

    // The owner of the application's message boxes.
    HWND mainWindow() const { return mainWindow_; }
    void setMainWindow(HWND hwnd) { mainWindow_ = hwnd; }

    // The process's exit status when InitInstance returns.
    int exitCode() const { return exitCode_; }
    void setExitCode(int code) { exitCode_ = code; }

private:
    static Application* instance_;
    HWND mainWindow_ = nullptr;
    int exitCode_ = 0;
};

// The application name: the executable's file name without directory and
// extension. It captions every message box the program raises itself.
std::string applicationName();

// A message box captioned with the application name, owned by the main window.
int applicationMessageBox(const std::string& text, UINT type);

// The box a file error is reported in: stop icon, OK.
void fileErrorBox(const std::string& text);

}  // namespace scriblet::win
