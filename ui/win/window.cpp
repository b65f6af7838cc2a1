#include "ui/win/window.h"

namespace scriblet::win {

namespace {

// The property that ties a window to its C++ object.
const char kObjectProperty[] = "ScribletWindowObject";

}  // namespace

Window::~Window() {
    detach();
}

Window* Window::fromHandle(HWND hwnd) {
    if (!hwnd) return nullptr;
    return static_cast<Window*>(GetPropA(hwnd, kObjectProperty));
}

bool Window::routeMessage(UINT, WPARAM, LPARAM, LRESULT&) {
    return false;
}

bool Window::PreTranslateMessage(MSG&) {
    return false;
}

void Window::attach(HWND hwnd) {
    hwnd_ = hwnd;
    SetPropA(hwnd, kObjectProperty, this);
}

void Window::detach() {
    if (!hwnd_) return;
    if (IsWindow(hwnd_)) {
        if (originalProc_) SetWindowLongPtrA(hwnd_, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(originalProc_));
        RemovePropA(hwnd_, kObjectProperty);
    }
    originalProc_ = nullptr;
    hwnd_ = nullptr;
}

bool Window::subclassWindow(HWND hwnd) {
    if (!hwnd || hwnd_ || fromHandle(hwnd)) return false;
    attach(hwnd);
    PreSubclassWindow();
    originalProc_ = reinterpret_cast<WNDPROC>(
        SetWindowLongPtrA(hwnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&Window::subclassProc)));
    return originalProc_ != nullptr;
}

bool Window::DestroyWindow() {
    if (!hwnd_) return false;
    return ::DestroyWindow(hwnd_) != FALSE;
}

void Window::CenterWindow() {
    if (!hwnd_) return;
    HWND owner = GetWindow(hwnd_, GW_OWNER);
    MONITORINFO monitor{};
    monitor.cbSize = sizeof monitor;
    GetMonitorInfoA(MonitorFromWindow(owner ? owner : hwnd_, MONITOR_DEFAULTTONEAREST), &monitor);
    const RECT area = monitor.rcWork;
    RECT centre = area;
    if (owner && IsWindowVisible(owner) && !IsIconic(owner)) GetWindowRect(owner, &centre);

    RECT self{};
    GetWindowRect(hwnd_, &self);
    const int width = self.right - self.left;
    const int height = self.bottom - self.top;
    int x = (centre.left + centre.right) / 2 - width / 2;
    int y = (centre.top + centre.bottom) / 2 - height / 2;
    if (x + width > area.right) x = area.right - width;
    if (x < area.left) x = area.left;
    if (y + height > area.bottom) y = area.bottom - height;
    if (y < area.top) y = area.top;
    SetWindowPos(hwnd_, nullptr, x, y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

LRESULT Window::defaultProc(UINT message, WPARAM wParam, LPARAM lParam) {
    if (originalProc_) return CallWindowProcA(originalProc_, hwnd_, message, wParam, lParam);
    return DefWindowProcA(hwnd_, message, wParam, lParam);
}

LRESULT CALLBACK Window::subclassProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    Window* self = fromHandle(hwnd);
    if (!self) return DefWindowProcA(hwnd, message, wParam, lParam);

    LRESULT result = 0;
    if (self->routeMessage(message, wParam, lParam, result)) return result;

    const WNDPROC original = self->originalProc_;
    if (message == WM_NCDESTROY) {
        // The window is going: give the control back its own procedure first.
        self->detach();
    }
    return CallWindowProcA(original, hwnd, message, wParam, lParam);
}

POINT messagePoint() {
    const DWORD position = GetMessagePos();
    return POINT{static_cast<short>(LOWORD(position)), static_cast<short>(HIWORD(position))};
}

std::string windowText(HWND hwnd) {
    const int length = GetWindowTextLengthA(hwnd);
    std::string text(static_cast<std::size_t>(length > 0 ? length : 0) * 2 + 2, '\0');
    const int copied = GetWindowTextA(hwnd, &text[0], static_cast<int>(text.size()));
    text.resize(copied > 0 ? static_cast<std::size_t>(copied) : 0);
    return text;
}

bool reflectToChild(HWND child, UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) {
    Window* control = Window::fromHandle(child);
    if (!control) return false;
    return control->routeMessage(kReflectBase + message, wParam, lParam, result);
}

}  // namespace scriblet::win
