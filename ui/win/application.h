// The application object: one per process, made before any window. WinMain
// hands control to its InitInstance.
#pragma once

#include <windows.h>

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

// Every message box the program shows. It is owned by what the user is
// looking at: the main window's last active popup (the about box while it is
// open, so that it gives up the mouse capture), else the active window. It is
// captioned `caption`, or without one the application name: the executable's
// file name without directory and extension. It takes no memory, so it can
// also tell that memory ran out.
int messageBox(const char* text, UINT type, const char* caption = nullptr) noexcept;

}  // namespace scriblet::win
