#include "ui/win/ansi_edit.h"

#include <cwchar>
#include <string>

namespace scriblet::win {

namespace {

// The clipboard's text in the ANSI code page, up to its first NUL; false
// when it holds no text or cannot be opened (the control's own paste then
// pastes nothing either).
bool clipboardText(HWND owner, std::string& text) {
    if (!OpenClipboard(owner)) return false;
    struct Closing {
        ~Closing() { CloseClipboard(); }
    } closing;
    HANDLE data = GetClipboardData(CF_UNICODETEXT);
    if (!data) return false;
    const auto* wide = static_cast<const wchar_t*>(GlobalLock(data));
    if (!wide) return false;
    struct Unlocking {
        HANDLE data;
        ~Unlocking() { GlobalUnlock(data); }
    } unlocking{data};
    const int length = static_cast<int>(wcsnlen(wide, GlobalSize(data) / sizeof(wchar_t)));
    if (length == 0) return true;
    const int size = WideCharToMultiByte(CP_ACP, 0, wide, length, nullptr, 0, nullptr, nullptr);
    if (size <= 0) return false;
    text.resize(static_cast<std::size_t>(size));
    WideCharToMultiByte(CP_ACP, 0, wide, length, &text[0], size, nullptr, nullptr);
    return true;
}

}  // namespace

const MessageEntry<AnsiEdit> AnsiEdit::kMessageMap[] = {
    onMessage(WM_PASTE, &AnsiEdit::onPaste),
};

bool AnsiEdit::routeMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) {
    return dispatchMessage(kMessageMap, *this, message, wParam, lParam, result);
}

Answer AnsiEdit::onPaste(WPARAM, LPARAM) {
    if (GetWindowLongA(handle(), GWL_STYLE) & ES_READONLY) return 0;
    std::string text;
    if (clipboardText(handle(), text) && !text.empty()) {
        SendMessageA(handle(), EM_REPLACESEL, TRUE, reinterpret_cast<LPARAM>(text.c_str()));
    }
    return 0;
}

}  // namespace scriblet::win
