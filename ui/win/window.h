// The base of every window class: a C++ object tied to an HWND, and the
// message table through which each class routes what it handles.
#pragma once

#include <windows.h>

#include <cstddef>
#include <new>
#include <optional>
#include <string>

namespace scriblet::win {

// A parent that does not answer a control's notification or colour message
// hands it back to the control's own class as kReflectBase + the message.
constexpr UINT kReflectBase = WM_USER + 0x1C00;

class Window;

// What a message handler answers: the message's result, or nothing when it
// declines the message, which then gets the default handling (the base
// class's table, then the window's own procedure).
using Answer = std::optional<LRESULT>;
inline constexpr std::nullopt_t kDeclined = std::nullopt;

// One row of a class's message table. A row with a command handler matches
// WM_COMMAND by control identifier and notification code; any other row
// matches its message and gets wParam and lParam.
template <class T>
struct MessageEntry {
    UINT message;
    UINT id;
    UINT code;
    Answer (T::*onMessage)(WPARAM, LPARAM);
    void (T::*onCommand)();
};

template <class T>
constexpr MessageEntry<T> onMessage(UINT message, Answer (T::*handler)(WPARAM, LPARAM)) {
    return {message, 0, 0, handler, nullptr};
}

template <class T>
constexpr MessageEntry<T> onCommand(UINT id, UINT code, void (T::*handler)()) {
    return {WM_COMMAND, id, code, nullptr, handler};
}

// Looks the message up in a class's table and runs the first matching
// handler. False when no row matches or its handler declined.
template <class T, std::size_t N>
bool dispatchMessage(const MessageEntry<T> (&table)[N], T& self, UINT message, WPARAM wParam,
                     LPARAM lParam, LRESULT& result) {
    for (const MessageEntry<T>& entry : table) {
        if (entry.message != message) continue;
        if (entry.onCommand) {
            if (LOWORD(wParam) != entry.id || HIWORD(wParam) != entry.code) continue;
            (self.*entry.onCommand)();
            result = 0;
            return true;
        }
        const Answer answer = (self.*entry.onMessage)(wParam, lParam);
        if (!answer) return false;
        result = *answer;
        return true;
    }
    return false;
}

class Window {
public:
    Window() = default;
    Window(const Window&) = delete;
    Window& operator=(const Window&) = delete;
    virtual ~Window();

    HWND handle() const { return hwnd_; }

    // The object attached to a window, if any.
    static Window* fromHandle(HWND hwnd);

    // Runs the class's handler for a message; false when the class has none,
    // so that the window's default handling runs.
    virtual bool routeMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result);

    // Offered every message taken from the queue for this window or one of
    // its children before the dialog manager sees it; true consumes it.
    virtual bool PreTranslateMessage(MSG& message);

    // Ties an existing control to this object: its messages come here first
    // and the control's own window procedure handles the rest.
    bool subclassWindow(HWND hwnd);
    // Runs just before subclassWindow takes the control over.
    virtual void PreSubclassWindow() {}
    // Destroys the window (after the class's own clean-up).
    virtual bool DestroyWindow();

    // Centres a top-level window over its owner when the owner is visible and
    // not minimised, else over the work area, and keeps it inside the work area.
    void CenterWindow();

    // A handler of this window, or of a control inside it, let an exception
    // escape. True when this window told the user and took its measures;
    // otherwise a control's parent is asked. A top-level window that declines
    // leaves it to the plain box (handlerFailed).
    virtual bool OnHandlerFailed(bool outOfMemory);

protected:
    void attach(HWND hwnd);
    void detach();

private:
    static LRESULT CALLBACK subclassProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);

    HWND hwnd_ = nullptr;
    WNDPROC originalProc_ = nullptr;
};

// The cursor position of the message being handled, in screen coordinates
// (GetMessagePos, each half a signed 16-bit value).
POINT messagePoint();

// A window's whole text. Room is made for twice its reported length: a rich
// edit counts a line break as one character and returns two.
std::string windowText(HWND hwnd);

// Sets a control's whole text as plain text: a rich edit takes it as text
// even when it begins like RTF. A NUL, which no control can hold (it would
// cut the text there), is shown as a blank.
void setPlainText(HWND control, const std::string& text);

// The boundary of every window procedure of ours: an exception that escaped
// a handler of `hwnd` is told to the user by the nearest window from `hwnd`
// up to its top-level window that takes it on (OnHandlerFailed), else in a
// plain box. It never ends the process.
void handlerFailed(HWND hwnd, bool outOfMemory) noexcept;

// Runs `handler` inside that boundary; false when it failed.
template <class Handler>
bool runGuarded(HWND hwnd, Handler&& handler) noexcept {
    try {
        handler();
        return true;
    } catch (const std::bad_alloc&) {
        handlerFailed(hwnd, true);
    } catch (...) {
        handlerFailed(hwnd, false);
    }
    return false;
}

// Hands a message a parent did not answer back to the child control's own
// class. Returns true when the child's class handled it.
bool reflectToChild(HWND child, UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result);

}  // namespace scriblet::win
