#include "ui/win/window.h"

#include <richedit.h>

#include <algorithm>
#include <cstring>
#include <new>

#include "ui/win/message_box.h"

namespace scriblet::win {

namespace {

// The property that ties a window to its C++ object.
const char kObjectProperty[] = "ScribletWindowObject";

// Told when no window of ours takes a failed handler on.
const char kOutOfMemoryText[] = "The program ran out of memory.";
const char kInternalErrorText[] = "An internal error occurred in the program.";

struct StreamSource {
    const char* next;
    std::size_t left;
};

// Hands the control the next part of the text it streams in.
DWORD CALLBACK feedText(DWORD_PTR cookie, LPBYTE buffer, LONG room, LONG* given) {
    auto* source = reinterpret_cast<StreamSource*>(cookie);
    const std::size_t count = std::min(source->left, static_cast<std::size_t>(room > 0 ? room : 0));
    std::memcpy(buffer, source->next, count);
    source->next += count;
    source->left -= count;
    *given = static_cast<LONG>(count);
    return 0;
}

bool isRichEdit(HWND control) {
    char className[32] = {};
    GetClassNameA(control, className, sizeof className);
    return _strnicmp(className, "RichEdit", 8) == 0;
}

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

bool Window::OnHandlerFailed(bool) {
    return false;
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

LRESULT CALLBACK Window::subclassProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    Window* self = fromHandle(hwnd);
    if (!self) return DefWindowProcA(hwnd, message, wParam, lParam);

    LRESULT result = 0;
    bool handled = false;
    runGuarded(hwnd, [&] { handled = self->routeMessage(message, wParam, lParam, result); });
    if (handled) return result;

    // Unhandled, declined, or the handler failed: the control's own handling.
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

void setPlainText(HWND control, const std::string& text) {
    std::string withBlanks;
    const std::string* shown = &text;
    if (text.find('\0') != std::string::npos) {
        withBlanks = text;
        std::replace(withBlanks.begin(), withBlanks.end(), '\0', ' ');
        shown = &withBlanks;
    }
    if (!isRichEdit(control)) {
        SetWindowTextA(control, shown->c_str());
        return;
    }
    // WM_SETTEXT would read a text that begins with "{\rtf" as RTF.
    StreamSource source{shown->data(), shown->size()};
    EDITSTREAM stream{};
    stream.dwCookie = reinterpret_cast<DWORD_PTR>(&source);
    stream.pfnCallback = &feedText;
    SendMessageA(control, EM_STREAMIN, SF_TEXT, reinterpret_cast<LPARAM>(&stream));
}

void handlerFailed(HWND hwnd, bool outOfMemory) noexcept {
    try {
        // Up through the parents of a control to its top-level window, not on
        // to an owner: the about box's failures are none of the main window's.
        for (HWND at = hwnd; at; at = (GetWindowLongA(at, GWL_STYLE) & WS_CHILD) ? GetParent(at) : nullptr) {
            Window* window = Window::fromHandle(at);
            if (window && window->OnHandlerFailed(outOfMemory)) return;
        }
    } catch (...) {
        // Telling it failed as well: the plain box below still can.
    }
    messageBox(outOfMemory ? kOutOfMemoryText : kInternalErrorText, MB_ICONSTOP | MB_OK);
}

bool reflectToChild(HWND child, UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) {
    Window* control = Window::fromHandle(child);
    if (!control) return false;
    return control->routeMessage(kReflectBase + message, wParam, lParam, result);
}

}  // namespace scriblet::win
