#include "ui/main/notes_dialog.h"

#include <richedit.h>

#include <utility>
#include <vector>

#include "res/product.h"
#include "res/resource.h"
#include "ui/about/about_dialog.h"
#include "ui/main/layout.h"
#include "ui/main/title_list.h"
#include "ui/win/message_box.h"

namespace scriblet {

using win::onCommand;
using win::onMessage;

namespace {

// The journal's timer.
const UINT_PTR kJournalTimer = 1;

// Shown by the system beside Scriblet when it refuses the end of the session.
const wchar_t kSessionBlockReason[] = L"Scriblet has notes that are not saved.";

using ShutdownBlockReasonFunction = BOOL(WINAPI*)(HWND, LPCWSTR);
using ShutdownBlockReasonDestroyFunction = BOOL(WINAPI*)(HWND);

// The block reason calls exist from Windows Vista on; looked up, not linked.
FARPROC user32Function(const char* name) {
    HMODULE user32 = GetModuleHandleA("user32.dll");
    return user32 ? GetProcAddress(user32, name) : nullptr;
}

void setSessionBlockReason(HWND window) {
    if (FARPROC create = user32Function("ShutdownBlockReasonCreate")) {
        reinterpret_cast<ShutdownBlockReasonFunction>(reinterpret_cast<void*>(create))(window, kSessionBlockReason);
    }
}

void clearSessionBlockReason(HWND window) {
    if (FARPROC destroy = user32Function("ShutdownBlockReasonDestroy")) {
        reinterpret_cast<ShutdownBlockReasonDestroyFunction>(reinterpret_cast<void*>(destroy))(window);
    }
}

int fieldId(Field field) {
    switch (field) {
    case Field::Title:
        return IDC_TITLE;
    case Field::Date:
        return IDC_DATE;
    case Field::Body:
        break;
    }
    return IDC_BODY;
}

}  // namespace

const win::MessageEntry<NotesDialog> NotesDialog::kMessageMap[] = {
    onMessage(WM_SIZE, &NotesDialog::onSize),
    onMessage(WM_GETMINMAXINFO, &NotesDialog::onGetMinMaxInfo),
    onMessage(WM_CTLCOLOREDIT, &NotesDialog::onEditColour),
    onMessage(WM_CTLCOLORLISTBOX, &NotesDialog::onOtherColour),
    onMessage(WM_CTLCOLORSTATIC, &NotesDialog::onOtherColour),
    onMessage(WM_CTLCOLORBTN, &NotesDialog::onOtherColour),
    onMessage(WM_CTLCOLORDLG, &NotesDialog::onOtherColour),
    onMessage(WM_CTLCOLORSCROLLBAR, &NotesDialog::onOtherColour),
    onMessage(WM_CTLCOLORMSGBOX, &NotesDialog::onOtherColour),
    onMessage(WM_ERASEBKGND, &NotesDialog::onEraseBackground),
    onMessage(WM_PAINT, &NotesDialog::onPaint),
    onMessage(WM_QUERYDRAGICON, &NotesDialog::onQueryDragIcon),
    onMessage(WM_SYSCOMMAND, &NotesDialog::onSysCommand),
    onMessage(WM_DESTROY, &NotesDialog::onDestroy),
    onMessage(WM_QUERYENDSESSION, &NotesDialog::onQueryEndSession),
    onMessage(WM_ENDSESSION, &NotesDialog::onEndSession),
    onMessage(WM_TIMER, &NotesDialog::onTimer),
    onCommand(IDC_CLOSE_BUTTON, BN_CLICKED, &NotesDialog::onCloseButton),
};

// The controls' notifications go straight to the editing rules.
const win::MessageEntry<NotesController> NotesDialog::kUserActions[] = {
    onCommand(IDC_TITLE_LIST, LBN_SELCHANGE, &NotesController::onSelectNote),
    onCommand(IDC_TITLE, EN_CHANGE, &NotesController::commitTitle),
    onCommand(IDC_TITLE, EN_KILLFOCUS, &NotesController::onTitleLeft),
    onCommand(IDC_DATE, EN_CHANGE, &NotesController::onDateTyped),
    onCommand(IDC_BODY, EN_CHANGE, &NotesController::onBodyTyped),
    onCommand(IDC_BODY, EN_KILLFOCUS, &NotesController::onBodyLeft),
    onCommand(IDC_DATE_BUTTON, BN_CLICKED, &NotesController::stampDate),
    onCommand(IDC_DATE_BUTTON, BN_DOUBLECLICKED, &NotesController::onDateButtonDoubleClicked),
    onCommand(IDC_DELETE_BUTTON, BN_CLICKED, &NotesController::onDeleteNote),
    onCommand(IDC_UNDO_BUTTON, BN_CLICKED, &NotesController::onUndoDelete),
};

NotesDialog::NotesDialog(NoteTable& table, UndoSlot& undo, FileSystem& files, const Brushes& brushes,
                         std::function<void()> endProcess)
    : win::Dialog(IDD_SCRIBLET, nullptr),
      icon_(LoadIconA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDI_SCRIBLET))),
      brushes_(brushes),
      endProcess_(std::move(endProcess)),
      controller_(*this, table, undo, files, todayString) {}

bool NotesDialog::routeMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) {
    return win::dispatchMessage(kMessageMap, *this, message, wParam, lParam, result) ||
           win::dispatchMessage(kUserActions, controller_, message, wParam, lParam, result) ||
           win::Dialog::routeMessage(message, wParam, lParam, result);
}

bool NotesDialog::PreTranslateMessage(MSG& message) {
    // Ctrl+Enter in the title or date field would enter a line break, which
    // the notes file cannot carry there: the key enters nothing.
    if (message.message == WM_KEYDOWN && message.wParam == VK_RETURN && GetKeyState(VK_CONTROL) < 0 &&
        (message.hwnd == item(IDC_TITLE) || message.hwnd == item(IDC_DATE))) {
        return true;
    }
    return win::Dialog::PreTranslateMessage(message);
}

bool NotesDialog::OnHandlerFailed(bool outOfMemory) {
    controller_.onInternalError(outOfMemory);
    return true;
}

bool NotesDialog::OnInitDialog() {
    win::Dialog::OnInitDialog();
    win::setMainWindow(handle());
    titleField_.subclassWindow(item(IDC_TITLE));
    dateField_.subclassWindow(item(IDC_DATE));
    addAboutEntryToSystemMenu();
    SendMessageA(handle(), WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(icon_));
    SendMessageA(handle(), WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(icon_));
    deleteButton_.autoLoad(IDC_DELETE_BUTTON, handle());
    undoButton_.autoLoad(IDC_UNDO_BUTTON, handle());
    dateButton_.autoLoad(IDC_DATE_BUTTON, handle());
    closeButton_.autoLoad(IDC_CLOSE_BUTTON, handle());
    setUpBody();
    RECT client{};
    GetClientRect(handle(), &client);
    layoutReady_ = true;
    layout(client.right, client.bottom);
    EnableWindow(item(IDC_UNDO_BUTTON), FALSE);
    controller_.startNotes();
    return true;
}

void NotesDialog::addAboutEntryToSystemMenu() {
    HMENU menu = GetSystemMenu(handle(), FALSE);
    if (!menu) return;
    AppendMenuA(menu, MF_SEPARATOR, 0, nullptr);
    AppendMenuA(menu, MF_STRING, IDM_ABOUTBOX, "&About " SCRIBLET_PRODUCT_NAME " ...");
}

void NotesDialog::setUpBody() {
    HWND body = item(IDC_BODY);
    SendMessageA(body, EM_SETBKGNDCOLOR, 0, kBackgroundColour);
    CHARFORMATA format{};
    format.cbSize = sizeof format;
    format.dwMask = CFM_COLOR;
    format.crTextColor = kAccentColour;
    SendMessageA(body, EM_SETCHARFORMAT, SCF_DEFAULT, reinterpret_cast<LPARAM>(&format));
    SendMessageA(body, EM_EXLIMITTEXT, 0, 999999999);
    SendMessageA(body, EM_SETOPTIONS, ECOOP_SET, ECO_AUTOVSCROLL | ECO_NOHIDESEL | ECO_WANTRETURN | ECO_SAVESEL);
    const LRESULT mask = SendMessageA(body, EM_GETEVENTMASK, 0, 0);
    SendMessageA(body, EM_SETEVENTMASK, 0, mask | ENM_CHANGE);
}

void NotesDialog::layout(int width, int height) {
    if (!layoutReady_) return;
    // Redrawing waits until every control has moved: one repaint, no
    // intermediate positions.
    SendMessageA(handle(), WM_SETREDRAW, FALSE, 0);
    for (const ControlPlacement& place : mainWindowLayout(width, height)) {
        HWND control = item(place.controlId);
        MoveWindow(control, place.x, place.y, place.width, place.height, TRUE);
        RECT format{place.format.left, place.format.top, place.format.right, place.format.bottom};
        if (place.formatKind == FormatRect::SetRect) {
            SendMessageA(control, EM_SETRECT, 0, reinterpret_cast<LPARAM>(&format));
        } else if (place.formatKind == FormatRect::SetRectNoRepaint) {
            SendMessageA(control, EM_SETRECTNP, 0, reinterpret_cast<LPARAM>(&format));
        }
    }
    SendMessageA(handle(), WM_SETREDRAW, TRUE, 0);
    RedrawWindow(handle(), nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW);
}

// The ways out save while the window is still shown; the window ends only
// once they let it.
void NotesDialog::OnOK() {
    if (takeWayOut(&NotesController::onOK)) EndDialog(IDOK);
}

void NotesDialog::OnCancel() {
    if (takeWayOut(&NotesController::onCancel)) EndDialog(IDCANCEL);
}

bool NotesDialog::takeWayOut(bool (NotesController::*wayOut)()) {
    HWND focused = leaveFocusedField();
    const bool leaving = (controller_.*wayOut)();
    if (!leaving && focused && IsWindow(focused)) SetFocus(focused);
    return leaving;
}

HWND NotesDialog::leaveFocusedField() {
    HWND focused = GetFocus();
    if (!focused || !IsChild(handle(), focused)) return nullptr;
    SetFocus(nullptr);
    return focused;
}

win::Answer NotesDialog::onSize(WPARAM kind, LPARAM size) {
    // A minimised window has no client area to lay out; restoring sends its real size.
    if (kind == SIZE_MINIMIZED) return 0;
    layout(LOWORD(size), HIWORD(size));
    return 0;
}

win::Answer NotesDialog::onGetMinMaxInfo(WPARAM, LPARAM info) {
    auto* limits = reinterpret_cast<MINMAXINFO*>(info);
    limits->ptMinTrackSize.x = kMinimumTrackWidth;
    limits->ptMinTrackSize.y = kMinimumTrackHeight;
    return 0;
}

win::Answer NotesDialog::onEditColour(WPARAM dc, LPARAM) {
    // Title and date: white text on the accent colour.
    HDC context = reinterpret_cast<HDC>(dc);
    SetTextColor(context, kEditTextColour);
    SetBkColor(context, kAccentColour);
    return reinterpret_cast<LRESULT>(brushes_.accent);
}

win::Answer NotesDialog::onOtherColour(WPARAM dc, LPARAM) {
    // The list, the statics and the window: accent-coloured text on white.
    HDC context = reinterpret_cast<HDC>(dc);
    SetBkColor(context, kBackgroundColour);
    SetTextColor(context, kAccentColour);
    return reinterpret_cast<LRESULT>(brushes_.background);
}

win::Answer NotesDialog::onEraseBackground(WPARAM, LPARAM) {
    // The controls cover the whole client area.
    return TRUE;
}

win::Answer NotesDialog::onPaint(WPARAM, LPARAM) {
    // Only the minimised window paints itself, as its icon.
    if (!IsIconic(handle())) return win::kDeclined;
    PAINTSTRUCT paint;
    HDC dc = BeginPaint(handle(), &paint);
    SendMessageA(handle(), WM_ICONERASEBKGND, reinterpret_cast<WPARAM>(dc), 0);
    const int iconWidth = GetSystemMetrics(SM_CXICON);
    const int iconHeight = GetSystemMetrics(SM_CYICON);
    RECT client{};
    GetClientRect(handle(), &client);
    DrawIcon(dc, (client.right - iconWidth + 1) / 2, (client.bottom - iconHeight + 1) / 2, icon_);
    EndPaint(handle(), &paint);
    return 0;
}

win::Answer NotesDialog::onQueryDragIcon(WPARAM, LPARAM) {
    return reinterpret_cast<LRESULT>(icon_);
}

win::Answer NotesDialog::onSysCommand(WPARAM command, LPARAM) {
    // Close, move, size, minimise and restore keep their usual meaning.
    if ((command & 0xFFF0) != IDM_ABOUTBOX) return win::kDeclined;
    AboutDialog about(brushes_);
    about.DoModal();
    return 0;
}

win::Answer NotesDialog::onDestroy(WPARAM, LPARAM) {
    // Ended without a way out (a quit request): the controls still exist, so
    // the texts last typed are saved.
    controller_.onDestroy();
    return 0;
}

win::Answer NotesDialog::onQueryEndSession(WPARAM, LPARAM) {
    clearSessionBlockReason(handle());
    // Inside a modal loop (a question, a message box, the about box, a menu)
    // a save or a question is already running: refuse rather than save there.
    const bool ending = messageDepth() == 1 && controller_.onQueryEndSession();
    if (!ending) setSessionBlockReason(handle());
    return ending ? TRUE : FALSE;
}

win::Answer NotesDialog::onEndSession(WPARAM ending, LPARAM) {
    // Ending: the process is ended after this without WM_DESTROY, so what
    // changed since the query is saved now. Called off: the window carries
    // on as before.
    if (ending) leaveFocusedField();
    controller_.onEndSession(ending != FALSE);
    clearSessionBlockReason(handle());
    return 0;
}

win::Answer NotesDialog::onTimer(WPARAM timer, LPARAM) {
    if (timer != kJournalTimer) return win::kDeclined;
    controller_.onJournalDue();
    return 0;
}

void NotesDialog::onCloseButton() {
    // Saved, or the user closes all the same: the process ends here, without
    // destroying the window.
    if (takeWayOut(&NotesController::onCloseButton) && endProcess_) endProcess_();
}

void NotesDialog::listAppend(const std::string& text) {
    SendMessageA(item(IDC_TITLE_LIST), LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(text.c_str()));
}

void NotesDialog::listInsert(int index, const std::string& text) {
    SendMessageA(item(IDC_TITLE_LIST), LB_INSERTSTRING, static_cast<WPARAM>(index),
                 reinterpret_cast<LPARAM>(text.c_str()));
}

void NotesDialog::listDelete(int index) {
    SendMessageA(item(IDC_TITLE_LIST), LB_DELETESTRING, static_cast<WPARAM>(index), 0);
}

void NotesDialog::listSelect(int index) {
    SendMessageA(item(IDC_TITLE_LIST), LB_SETCURSEL, static_cast<WPARAM>(index), 0);
}

int NotesDialog::listSelection() {
    const LRESULT selected = SendMessageA(item(IDC_TITLE_LIST), LB_GETCURSEL, 0, 0);
    return selected == LB_ERR ? -1 : static_cast<int>(selected);
}

void NotesDialog::listFill(const NoteTable& table) {
    fillTitleList(item(IDC_TITLE_LIST), table);
}

void NotesDialog::readField(Field field, std::string& text) {
    std::string shown = win::windowText(item(fieldId(field)));
    const ShownText& last = shownTexts_[static_cast<int>(field)];
    if (last.differs && last.shown == shown) text = last.text;
    else text = std::move(shown);
}

void NotesDialog::showField(Field field, const std::string& text) {
    HWND control = item(fieldId(field));
    ShownText& last = shownTexts_[static_cast<int>(field)];
    const std::string shown = win::windowText(control);
    // Setting an unchanged text would only flicker and move the caret.
    if (shown == text) {
        last = ShownText();
        return;
    }
    if (last.differs && last.shown == shown && last.text == text) return;

    quietly([&] { win::setPlainText(control, text); });
    std::string readBack = win::windowText(control);
    if (readBack == text) last = ShownText();
    else last = ShownText{true, text, std::move(readBack)};
}

bool NotesDialog::bodyModified() {
    return SendMessageA(item(IDC_BODY), EM_GETMODIFY, 0, 0) != 0;
}

int NotesDialog::bodyLength() {
    return static_cast<int>(SendMessageA(item(IDC_BODY), WM_GETTEXTLENGTH, 0, 0));
}

void NotesDialog::enableUndoButton(bool enable) {
    EnableWindow(item(IDC_UNDO_BUTTON), enable ? TRUE : FALSE);
}

void NotesDialog::pressDateButton() {
    SendMessageA(item(IDC_DATE_BUTTON), WM_LBUTTONDOWN, 0, 0);
}

bool NotesDialog::confirm(const std::string& text, const std::string& caption) {
    return win::messageBox(text.c_str(), MB_OKCANCEL, caption.c_str()) == IDOK;
}

bool NotesDialog::ask(const std::string& text) {
    return win::messageBox(text.c_str(), MB_ICONEXCLAMATION | MB_YESNO | MB_DEFBUTTON2) == IDYES;
}

void NotesDialog::showFileError(const FileError& error) {
    win::messageBox(fileErrorMessage(error).c_str(), MB_ICONSTOP | MB_OK);
}

void NotesDialog::showWarning(const std::string& text) {
    win::messageBox(text.c_str(), MB_ICONEXCLAMATION | MB_OK);
}

bool NotesDialog::offer(const std::string& text) {
    return win::messageBox(text.c_str(), MB_ICONQUESTION | MB_YESNO | MB_DEFBUTTON1) == IDYES;
}

void NotesDialog::startJournalTimer(int milliseconds) {
    SetTimer(handle(), kJournalTimer, static_cast<UINT>(milliseconds), nullptr);
}

void NotesDialog::stopJournalTimer() {
    KillTimer(handle(), kJournalTimer);
}

}  // namespace scriblet
