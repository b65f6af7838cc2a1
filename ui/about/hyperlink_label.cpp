#include "ui/about/hyperlink_label.h"

#include <commctrl.h>
#include <shellapi.h>

#include <climits>
#include <optional>
#include <utility>
#include <vector>

#include "ui/about/launch_text.h"
#include "ui/win/message_box.h"

namespace scriblet {

using win::kReflectBase;
using win::onMessage;

namespace {

// The system help program whose hand cursor the label borrows, and that cursor.
const char kHelpProgram[] = "\\winhlp32.exe";
const WORD kHelpHandCursor = 106;
// The system's own hand cursor (IDC_HAND).
const WORD kSystemHandCursor = 32649;
const UINT kHoverPollMs = 100;
const UINT_PTR kToolId = 1;

void initToolTips() {
    static const bool done = [] {
        INITCOMMONCONTROLSEX controls{};
        controls.dwSize = sizeof controls;
        controls.dwICC = ICC_WIN95_CLASSES;
        return InitCommonControlsEx(&controls) != FALSE;
    }();
    (void)done;
}

// A tool description of the size every common controls version accepts.
TTTOOLINFOA toolInfo(HWND label, const std::string* text) {
    TTTOOLINFOA tool{};
    tool.cbSize = TTTOOLINFOA_V2_SIZE;
    tool.hwnd = label;
    tool.uId = kToolId;
    tool.lpszText = text ? const_cast<char*>(text->c_str()) : nullptr;
    return tool;
}

}  // namespace

const win::MessageEntry<HyperlinkLabel> HyperlinkLabel::kMessageMap[] = {
    onMessage(kReflectBase + WM_CTLCOLORSTATIC, &HyperlinkLabel::onColour),
    onMessage(kReflectBase + WM_COMMAND, &HyperlinkLabel::onReflectedCommand),
    onMessage(WM_SETCURSOR, &HyperlinkLabel::onSetCursor),
    onMessage(WM_MOUSEMOVE, &HyperlinkLabel::onMouseMove),
    onMessage(WM_TIMER, &HyperlinkLabel::onTimer),
    onMessage(WM_ERASEBKGND, &HyperlinkLabel::onEraseBackground),
};

HyperlinkLabel::~HyperlinkLabel() {
    if (underlinedFont_) DeleteObject(underlinedFont_);
    if (linkCursor_) DestroyCursor(linkCursor_);
    // The tooltip usually went with the dialog it belongs to.
    if (toolTip_ && IsWindow(toolTip_)) ::DestroyWindow(toolTip_);
    if (normalFont_) DeleteObject(normalFont_);
}

bool HyperlinkLabel::routeMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) {
    return win::dispatchMessage(kMessageMap, *this, message, wParam, lParam, result);
}

void HyperlinkLabel::setAddress(std::string address) {
    address_ = std::move(address);
    if (handle()) updateToolTipText();
}

void HyperlinkLabel::setVisited(bool visited) {
    visited_ = visited;
    if (handle()) repaint();
}

void HyperlinkLabel::setUnderlineMode(int mode) {
    if (mode == underlineMode_) return;
    if (handle()) {
        setFont(mode == UnderlineAlways ? underlinedFont_ : normalFont_);
        repaint();
    }
    underlineMode_ = mode;
}

void HyperlinkLabel::openLink() {
    // The timer and the font stay: the next move or tick sorts them out.
    hovering_ = false;
    const int result = launchAddress(address_, SW_SHOW);
    visited_ = result > 32;
    if (visited_) {
        setVisited(true);
        return;
    }
    showLaunchError(result);
    // The link colour comes back at once, not only at the next repaint.
    if (handle()) repaint();
}

bool HyperlinkLabel::PreTranslateMessage(MSG& message) {
    if (toolTip_) SendMessageA(toolTip_, TTM_RELAYEVENT, 0, reinterpret_cast<LPARAM>(&message));
    return win::Window::PreTranslateMessage(message);
}

void HyperlinkLabel::PreSubclassWindow() {
    HWND hwnd = handle();
    // A click must raise STN_CLICKED.
    SetWindowLongA(hwnd, GWL_STYLE, GetWindowLongA(hwnd, GWL_STYLE) | SS_NOTIFY);

    if (address_.empty()) address_ = win::windowText(hwnd);
    if (win::windowText(hwnd).empty()) SetWindowTextA(hwnd, address_.c_str());

    HFONT font = reinterpret_cast<HFONT>(SendMessageA(hwnd, WM_GETFONT, 0, 0));
    if (!font) font = static_cast<HFONT>(GetStockObject(DEFAULT_GUI_FONT));
    if (!font) font = static_cast<HFONT>(GetStockObject(ANSI_VAR_FONT));
    LOGFONTA description{};
    if (font && GetObjectA(font, sizeof description, &description) == sizeof description) {
        normalFont_ = CreateFontIndirectA(&description);
        description.lfUnderline = TRUE;
        underlinedFont_ = CreateFontIndirectA(&description);
    }

    loadLinkCursor();
    setUnderlineMode(UnderlineOnHover);

    initToolTips();
    toolTip_ = CreateWindowExA(0, TOOLTIPS_CLASSA, nullptr, WS_POPUP, CW_USEDEFAULT, CW_USEDEFAULT,
                               CW_USEDEFAULT, CW_USEDEFAULT, hwnd, nullptr, GetModuleHandleA(nullptr), nullptr);
    if (toolTip_) {
        TTTOOLINFOA tool = toolInfo(hwnd, &address_);
        GetClientRect(hwnd, &tool.rect);
        SendMessageA(toolTip_, TTM_ADDTOOLA, 0, reinterpret_cast<LPARAM>(&tool));
    }

    win::Window::PreSubclassWindow();
}

bool HyperlinkLabel::DestroyWindow() {
    if (handle()) KillTimer(handle(), hoverTimerId_);
    return win::Window::DestroyWindow();
}

void HyperlinkLabel::loadLinkCursor() {
    if (linkCursor_) return;
    char directory[MAX_PATH] = {};
    const UINT length = GetWindowsDirectoryA(directory, MAX_PATH);
    if (length > 0 && length < MAX_PATH) {
        const std::string path = std::string(directory, length) + kHelpProgram;
        if (HMODULE help = LoadLibraryA(path.c_str())) {
            if (HCURSOR hand = LoadCursorA(help, MAKEINTRESOURCEA(kHelpHandCursor))) linkCursor_ = CopyCursor(hand);
            FreeLibrary(help);
        }
    }
    // Systems whose help program has no hand cursor (Wine's has none) still
    // show a hand: the system's own.
    if (!linkCursor_) {
        if (HCURSOR hand = LoadCursorA(nullptr, MAKEINTRESOURCEA(kSystemHandCursor))) linkCursor_ = CopyCursor(hand);
    }
}

void HyperlinkLabel::setFont(HFONT font) {
    SendMessageA(handle(), WM_SETFONT, reinterpret_cast<WPARAM>(font), TRUE);
}

void HyperlinkLabel::repaint() {
    InvalidateRect(handle(), nullptr, TRUE);
}

void HyperlinkLabel::updateToolTipText() {
    if (!toolTip_) return;
    TTTOOLINFOA tool = toolInfo(handle(), &address_);
    SendMessageA(toolTip_, TTM_UPDATETIPTEXTA, 0, reinterpret_cast<LPARAM>(&tool));
}

win::Answer HyperlinkLabel::onColour(WPARAM dc, LPARAM) {
    // The parent's background shows through; nothing behind the text is filled.
    HDC context = reinterpret_cast<HDC>(dc);
    SetTextColor(context, hovering_ ? hoverColour_ : visited_ ? visitedColour_ : linkColour_);
    SetBkMode(context, TRANSPARENT);
    return reinterpret_cast<LRESULT>(GetStockObject(NULL_BRUSH));
}

win::Answer HyperlinkLabel::onSetCursor(WPARAM, LPARAM) {
    if (!linkCursor_) return FALSE;
    SetCursor(linkCursor_);
    return TRUE;
}

win::Answer HyperlinkLabel::onMouseMove(WPARAM, LPARAM) {
    if (!hovering_) {
        hovering_ = true;
        if (underlineMode_ == UnderlineOnHover) setFont(underlinedFont_);
        repaint();
        // No mouse-leave notification: a poll notices the pointer going.
        SetTimer(handle(), hoverTimerId_, kHoverPollMs, nullptr);
    }
    return win::kDeclined;
}

win::Answer HyperlinkLabel::onTimer(WPARAM, LPARAM) {
    POINT point = win::messagePoint();
    ScreenToClient(handle(), &point);
    RECT client{};
    GetClientRect(handle(), &client);
    if (!PtInRect(&client, point)) {
        hovering_ = false;
        KillTimer(handle(), hoverTimerId_);
        if (underlineMode_ != UnderlineAlways) setFont(normalFont_);
        repaint();
    }
    return win::kDeclined;
}

win::Answer HyperlinkLabel::onEraseBackground(WPARAM, LPARAM) {
    return TRUE;
}

win::Answer HyperlinkLabel::onReflectedCommand(WPARAM wParam, LPARAM) {
    if (HIWORD(wParam) == STN_CLICKED) openLink();
    return 0;
}

int HyperlinkLabel::launchAddress(const std::string& address, int showCommand) {
    const INT_PTR shell = reinterpret_cast<INT_PTR>(
        ShellExecuteA(nullptr, "open", address.c_str(), nullptr, nullptr, showCommand));
    if (static_cast<UINT_PTR>(shell) > 32) {
        return static_cast<UINT_PTR>(shell) > static_cast<UINT_PTR>(INT_MAX) ? INT_MAX : static_cast<int>(shell);
    }
    const int shellCode = static_cast<int>(shell);

    std::string key;
    if (readRegistryDefault(HKEY_CLASSES_ROOT, ".htm", key) != ERROR_SUCCESS) return shellCode;
    if (readRegistryDefault(HKEY_CLASSES_ROOT, key + "\\shell\\open\\command", key) != ERROR_SUCCESS) {
        return shellCode;
    }
    const std::optional<std::string> command = handlerCommandLine(key, address);
    if (!command) return shellCode;
    return static_cast<int>(WinExec(command->c_str(), static_cast<UINT>(showCommand)));
}

void HyperlinkLabel::showLaunchError(int code) {
    MessageBeep(MB_ICONEXCLAMATION);
    win::messageBox(launchErrorText(code).c_str(), MB_ICONEXCLAMATION | MB_OK);
}

LONG HyperlinkLabel::readRegistryDefault(HKEY root, const std::string& subKey, std::string& output) {
    HKEY key = nullptr;
    LONG status = RegOpenKeyExA(root, subKey.c_str(), 0, KEY_QUERY_VALUE, &key);
    if (status != ERROR_SUCCESS) return status;

    DWORD type = 0;
    DWORD size = 0;
    status = RegQueryValueExA(key, nullptr, nullptr, &type, nullptr, &size);
    if (status == ERROR_SUCCESS && type != REG_SZ) status = ERROR_UNSUPPORTED_TYPE;
    if (status == ERROR_SUCCESS && size > kRegistryValueLimit) status = ERROR_MORE_DATA;
    std::vector<char> value(static_cast<std::size_t>(size) + 1, '\0');
    if (status == ERROR_SUCCESS) {
        status = RegQueryValueExA(key, nullptr, nullptr, &type, reinterpret_cast<BYTE*>(value.data()), &size);
        // The value may have changed size or type between the two calls.
        if (status == ERROR_SUCCESS && (type != REG_SZ || size > kRegistryValueLimit)) status = ERROR_MORE_DATA;
    }
    RegCloseKey(key);
    if (status != ERROR_SUCCESS) return status;
    // The stored string need not end with a zero: the extra byte gives it one.
    output = value.data();
    return ERROR_SUCCESS;
}

}  // namespace scriblet
