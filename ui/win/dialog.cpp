#include "ui/win/dialog.h"

#include <new>
#include <utility>

#include "ui/win/message_box.h"

namespace scriblet::win {

namespace {

// The dialog being created by DoModal, so that it is tied to its window from
// the first message the dialog procedure sees.
Dialog* creatingDialog = nullptr;

// Messages whose result a dialog procedure returns directly instead of
// through DWLP_MSGRESULT.
bool returnsResultDirectly(UINT message) {
    switch (message) {
    case WM_CTLCOLORMSGBOX:
    case WM_CTLCOLOREDIT:
    case WM_CTLCOLORLISTBOX:
    case WM_CTLCOLORBTN:
    case WM_CTLCOLORDLG:
    case WM_CTLCOLORSCROLLBAR:
    case WM_CTLCOLORSTATIC:
    case WM_COMPAREITEM:
    case WM_VKEYTOITEM:
    case WM_CHARTOITEM:
    case WM_QUERYDRAGICON:
    case WM_INITDIALOG:
        return true;
    default:
        return false;
    }
}

// The control a notification, drawing or colour message comes from, if any.
HWND sourceControl(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_COMMAND:
        return reinterpret_cast<HWND>(lParam);
    case WM_NOTIFY:
        return reinterpret_cast<const NMHDR*>(lParam)->hwndFrom;
    case WM_DRAWITEM: {
        const auto* item = reinterpret_cast<const DRAWITEMSTRUCT*>(lParam);
        return item->CtlType == ODT_MENU ? nullptr : item->hwndItem;
    }
    case WM_MEASUREITEM: {
        const auto* item = reinterpret_cast<const MEASUREITEMSTRUCT*>(lParam);
        return item->CtlType == ODT_MENU ? nullptr : GetDlgItem(dialog, static_cast<int>(wParam));
    }
    case WM_CTLCOLOREDIT:
    case WM_CTLCOLORLISTBOX:
    case WM_CTLCOLORBTN:
    case WM_CTLCOLORSCROLLBAR:
    case WM_CTLCOLORSTATIC:
        return reinterpret_cast<HWND>(lParam);
    default:
        return nullptr;
    }
}

// Enter in a multi-line edit without ES_WANTRETURN stands for the dialog's
// default command. Windows' dialog manager does that; Wine's edit control
// keeps the key and only forwards it to a default button, so a dialog without
// one would never see its OK. Ctrl+Enter never does: it is the edit's own.
bool enterForDefaultCommand(HWND dialog, const MSG& message) {
    if (message.message != WM_KEYDOWN || message.wParam != VK_RETURN) return false;
    if (GetKeyState(VK_CONTROL) < 0) return false;
    if (!message.hwnd || GetParent(message.hwnd) != dialog) return false;
    char className[16] = {};
    GetClassNameA(message.hwnd, className, sizeof className);
    if (_stricmp(className, "Edit") != 0) return false;
    const LONG style = GetWindowLongA(message.hwnd, GWL_STYLE);
    if (!(style & ES_MULTILINE) || (style & ES_WANTRETURN)) return false;

    const LRESULT defaultId = SendMessageA(dialog, DM_GETDEFID, 0, 0);
    const int id = HIWORD(defaultId) == DC_HASDEFID ? LOWORD(defaultId) : IDOK;
    HWND button = GetDlgItem(dialog, id);
    if (button && !IsWindowEnabled(button)) return true;
    SendMessageA(dialog, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), reinterpret_cast<LPARAM>(button));
    return true;
}

}  // namespace

HWND Dialog::item(int controlId) const {
    const auto known = items_.find(controlId);
    if (known != items_.end()) {
        HWND control = known->second;
        // Still the same child: these checks stay inside the process.
        if (IsWindow(control) && GetParent(control) == handle() && GetDlgCtrlID(control) == controlId) {
            return control;
        }
        items_.erase(known);
    }
    HWND control = GetDlgItem(handle(), controlId);
    if (control) items_[controlId] = control;
    return control;
}

INT_PTR Dialog::DoModal() {
    ended_ = false;
    result_ = -1;
    // Without a parent, a modal dialog is owned by the main window (if it
    // has one yet), which it disables while it runs.
    HWND owner = parent_ ? parent_ : mainWindow();
    if (owner && !IsWindow(owner)) owner = nullptr;

    creatingDialog = this;
    HWND hwnd = CreateDialogParamA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(templateId_), owner,
                                   &Dialog::dialogProc, reinterpret_cast<LPARAM>(this));
    creatingDialog = nullptr;
    if (!hwnd) return -1;

    const bool ownerWasEnabled = owner && IsWindowEnabled(owner);
    if (ownerWasEnabled) EnableWindow(owner, FALSE);
    // A template without WS_VISIBLE is shown once its set-up is done.
    if (!ended_ && !IsWindowVisible(hwnd)) ShowWindow(hwnd, SW_SHOWNORMAL);

    MSG message;
    while (!ended_ && IsWindow(hwnd)) {
        const BOOL got = GetMessageA(&message, nullptr, 0, 0);
        if (got == 0) {
            // Leave the quit request for the loop outside this one.
            PostQuitMessage(static_cast<int>(message.wParam));
            break;
        }
        if (got == -1) break;
        if (preTranslateChain(message)) continue;
        if (enterForDefaultCommand(hwnd, message)) continue;
        if (IsDialogMessageA(hwnd, &message)) continue;
        TranslateMessage(&message);
        DispatchMessageA(&message);
    }

    // The owner is enabled before the dialog goes, so that it gets the activation back.
    if (ownerWasEnabled) EnableWindow(owner, TRUE);
    if (IsWindow(hwnd)) {
        SetWindowPos(hwnd, nullptr, 0, 0, 0, 0,
                     SWP_HIDEWINDOW | SWP_NOSIZE | SWP_NOMOVE | SWP_NOACTIVATE | SWP_NOZORDER);
        ::DestroyWindow(hwnd);
    }
    return result_;
}

void Dialog::EndDialog(INT_PTR result) {
    result_ = result;
    ended_ = true;
    if (handle()) PostMessageA(handle(), WM_NULL, 0, 0);
}

bool Dialog::OnInitDialog() {
    return true;
}

void Dialog::OnOK() {
    EndDialog(IDOK);
}

void Dialog::OnCancel() {
    EndDialog(IDCANCEL);
}

// The framework's own handling, behind every dialog's table.
const MessageEntry<Dialog> Dialog::kMessageMap[] = {
    onMessage(WM_INITDIALOG, &Dialog::onInitDialogMessage),
    onCommand(IDOK, BN_CLICKED, &Dialog::OnOK),
    onCommand(IDCANCEL, BN_CLICKED, &Dialog::OnCancel),
};

bool Dialog::routeMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) {
    return dispatchMessage(kMessageMap, *this, message, wParam, lParam, result);
}

Answer Dialog::onInitDialogMessage(WPARAM, LPARAM) {
    return OnInitDialog() ? TRUE : FALSE;
}

bool Dialog::PreTranslateMessage(MSG&) {
    return false;
}

bool Dialog::preTranslateChain(MSG& message) {
    bool taken = false;
    runGuarded(message.hwnd, [&] {
        for (HWND hwnd = message.hwnd; hwnd; hwnd = GetParent(hwnd)) {
            Window* window = fromHandle(hwnd);
            if (window && window->PreTranslateMessage(message)) {
                taken = true;
                return;
            }
            if (hwnd == handle()) return;
        }
    });
    return taken;
}

bool Dialog::isOwnControlNotification(UINT message, WPARAM, LPARAM lParam) const {
    HWND from = nullptr;
    if (message == WM_COMMAND) from = reinterpret_cast<HWND>(lParam);
    else if (message == WM_NOTIFY) from = reinterpret_cast<const NMHDR*>(lParam)->hwndFrom;
    return from && GetParent(from) == handle();
}

INT_PTR Dialog::handleDialogMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    if (quiet_ && isOwnControlNotification(message, wParam, lParam)) return TRUE;

    LRESULT result = 0;
    bool handled = routeMessage(message, wParam, lParam, result);
    if (!handled) {
        HWND child = sourceControl(handle(), message, wParam, lParam);
        handled = child && reflectToChild(child, message, wParam, lParam, result);
    }
    if (!handled) return FALSE;
    if (returnsResultDirectly(message)) return static_cast<INT_PTR>(result);
    SetWindowLongPtrA(handle(), DWLP_MSGRESULT, result);
    return TRUE;
}

INT_PTR CALLBACK Dialog::dialogProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    auto* self = static_cast<Dialog*>(fromHandle(hwnd));
    if (!self && creatingDialog) {
        self = creatingDialog;
        creatingDialog = nullptr;
        self->attach(hwnd);
    }
    if (!self) return FALSE;
    INT_PTR answer = FALSE;
    ++self->messageDepth_;
    runGuarded(hwnd, [&] { answer = self->handleDialogMessage(message, wParam, lParam); });
    --self->messageDepth_;
    if (message == WM_NCDESTROY) self->detach();
    return answer;
}

}  // namespace scriblet::win
