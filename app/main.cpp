#include <windows.h>

#include "ui/win/application.h"

// The application object was made by static initialisation; its
// InitInstance runs the whole life of the program.
int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
    scriblet::win::Application* app = scriblet::win::Application::instance();
    if (!app) return 1;
    app->InitInstance();
    return app->exitCode();
}
