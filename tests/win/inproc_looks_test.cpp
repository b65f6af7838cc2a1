// The main window's looks, seen from inside the process: template 102 and the
// pictures as linked, the order of the set-up, the answers to colour and
// erase messages, the window icon and the picture each button state chooses.
#include <gtest/gtest.h>

#include <windows.h>
#include <richedit.h>

#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "notes/file_system.h"
#include "res/resource.h"
#include "tests/driver/pixels.h"
#include "tests/win/inproc_support.h"
#include "ui/main/layout.h"
#include "ui/main/notes_dialog.h"

namespace scriblet::inproc {
namespace {

using LooksInProcess = MainWindowTest;

// Reads an extended dialog template as the resource holds it.
class TemplateReader {
public:
    explicit TemplateReader(const void* data) : at_(static_cast<const BYTE*>(data)) {}

    WORD word() { return take<WORD>(); }
    DWORD dword() { return take<DWORD>(); }
    short signedWord() { return take<short>(); }
    BYTE byte() { return take<BYTE>(); }
    // A string, or "#n" for an ordinal.
    std::string stringOrOrdinal() {
        const WORD first = *reinterpret_cast<const WORD*>(at_);
        if (first == 0xFFFF) {
            word();
            return "#" + std::to_string(word());
        }
        return string();
    }
    std::string string() {
        std::string text;
        while (WORD c = word()) text += static_cast<char>(c);
        return text;
    }
    void alignToDword(const void* base) {
        const auto offset = static_cast<std::size_t>(at_ - static_cast<const BYTE*>(base));
        at_ += (4 - offset % 4) % 4;
    }
    const BYTE* position() const { return at_; }

private:
    template <class T>
    T take() {
        T value;
        std::memcpy(&value, at_, sizeof value);
        at_ += sizeof value;
        return value;
    }
    const BYTE* at_;
};

std::string className(const std::string& stored) {
    const char* const predefined[] = {"BUTTON", "EDIT", "STATIC", "LISTBOX", "SCROLLBAR", "COMBOBOX"};
    if (stored.size() > 1 && stored[0] == '#') {
        const int ordinal = std::stoi(stored.substr(1));
        if (ordinal >= 0x80 && ordinal <= 0x85) return predefined[ordinal - 0x80];
    }
    return stored;
}

TEST_F(LooksInProcess, Template102IsTheMainWindowsExtendedTemplate) {
    HMODULE module = GetModuleHandleA(nullptr);
    HRSRC found = FindResourceA(module, MAKEINTRESOURCEA(IDD_SCRIBLET), MAKEINTRESOURCEA(5));  // RT_DIALOG
    ASSERT_NE(nullptr, found);
    const void* data = LockResource(LoadResource(module, found));
    TemplateReader reader(data);

    EXPECT_EQ(1, reader.word());       // version
    EXPECT_EQ(0xFFFF, reader.word());  // extended
    EXPECT_EQ(0u, reader.dword());     // help id
    EXPECT_EQ(static_cast<DWORD>(WS_EX_APPWINDOW), reader.dword());
    EXPECT_EQ(static_cast<DWORD>(WS_POPUP | WS_VISIBLE | WS_CAPTION | WS_SYSMENU | WS_THICKFRAME | WS_MINIMIZEBOX |
                                 DS_CENTER | DS_SETFONT),
              reader.dword());
    EXPECT_EQ(10, reader.word());
    EXPECT_EQ((std::vector<int>{0, 0, 341, 246}),
              (std::vector<int>{reader.signedWord(), reader.signedWord(), reader.signedWord(), reader.signedWord()}));
    EXPECT_EQ("", reader.stringOrOrdinal());  // no menu
    EXPECT_EQ("", reader.stringOrOrdinal());  // the system's dialog class
    EXPECT_EQ("Scriblet", reader.string());
    EXPECT_EQ(7, reader.word());  // points
    EXPECT_EQ(0, reader.word());  // weight
    EXPECT_EQ(0, reader.byte());  // italic
    EXPECT_EQ(1, reader.byte());  // character set
    EXPECT_EQ("Varnwick mono", reader.string());

    // A predefined class may be stored by name or by its ordinal.
    const DWORD child = WS_CHILD | WS_VISIBLE;
    const struct {
        int id;
        const char* windowClass;
        const char* text;
        DWORD style;
        DWORD exStyle;
        int x, y, w, h;
    } items[] = {
        {IDC_TITLE_LIST, "LISTBOX", "",
         child | WS_VSCROLL | WS_TABSTOP | LBS_NOINTEGRALHEIGHT | LBS_NOTIFY, 0, 237, 3, 61, 169},
        {IDC_TITLE, "EDIT", "", child | WS_TABSTOP | ES_MULTILINE | ES_AUTOHSCROLL, 0, 2, 5, 183, 13},
        {IDC_DATE, "EDIT", "", child | WS_TABSTOP | ES_MULTILINE | ES_AUTOHSCROLL | ES_CENTER, 0, 188, 5, 36, 13},
        {IDC_BODY, "RICHEDIT", "", child | WS_VSCROLL | WS_TABSTOP | ES_MULTILINE | ES_DISABLENOSCROLL,
         WS_EX_TRANSPARENT, 2, 19, 232, 154},
        {IDC_BOTTOM_BAR, "STATIC", "", child | SS_WHITERECT, 0, 0, 178, 296, 19},
        {IDC_DELETE_BUTTON, "BUTTON", "DELBUTTON", child | BS_OWNERDRAW | BS_ICON, 0, 268, 180, 10, 10},
        {IDC_UNDO_BUTTON, "BUTTON", "UNDOBUTTON", child | BS_OWNERDRAW | BS_ICON, 0, 283, 180, 10, 10},
        {IDC_CLOSE_BUTTON, "BUTTON", "OK", child | WS_TABSTOP | BS_OWNERDRAW, 0, 4, 182, 40, 15},
        {IDC_DATE_BUTTON, "BUTTON", "DATEBUTTON", child | BS_OWNERDRAW, 0, 224, 5, 11, 14},
        {IDC_TITLE_SEPARATOR, "STATIC", "", child | SS_WHITERECT, 0, 185, 0, 1, 14},
    };
    for (const auto& item : items) {
        SCOPED_TRACE("control " + std::to_string(item.id));
        reader.alignToDword(data);
        EXPECT_EQ(0u, reader.dword());  // help id
        EXPECT_EQ(item.exStyle, reader.dword());
        EXPECT_EQ(item.style, reader.dword());
        EXPECT_EQ((std::vector<int>{item.x, item.y, item.w, item.h}),
                  (std::vector<int>{reader.signedWord(), reader.signedWord(), reader.signedWord(), reader.signedWord()}));
        EXPECT_EQ(static_cast<DWORD>(item.id), reader.dword());
        EXPECT_STRCASEEQ(item.windowClass, className(reader.stringOrOrdinal()).c_str());
        EXPECT_EQ(item.text, reader.stringOrOrdinal());
        EXPECT_EQ(0, reader.word());  // no creation data
    }
}

TEST_F(LooksInProcess, PicturesIconAndCursorAreLinkedAtTheirSizes) {
    HMODULE module = GetModuleHandleA(nullptr);
    const struct {
        const char* name;
        int width, height;
    } bitmaps[] = {
        {"DELBUTTONU", 23, 23},  {"DELBUTTOND", 23, 23}, {"UNDOBUTTONU", 23, 23}, {"UNDOBUTTOND", 23, 23},
        {"UNDOBUTTONX", 23, 23}, {"DATEBUTTONU", 22, 21}, {"DATEBUTTOND", 22, 21}, {"OKU", 56, 23},
        {"OKD", 56, 23},         {"OKF", 56, 23},
    };
    for (const auto& bitmap : bitmaps) {
        HRSRC found = FindResourceA(module, bitmap.name, MAKEINTRESOURCEA(2));  // RT_BITMAP
        ASSERT_NE(nullptr, found) << bitmap.name;
        const auto* header = static_cast<const BITMAPINFOHEADER*>(LockResource(LoadResource(module, found)));
        EXPECT_EQ((std::vector<long>{bitmap.width, bitmap.height, 8}),
                  (std::vector<long>{header->biWidth, header->biHeight, header->biBitCount}))
            << bitmap.name;
    }
    for (const char* absent : {"DELBUTTONF", "DELBUTTONX", "UNDOBUTTONF", "DATEBUTTONF", "DATEBUTTONX", "OKX"}) {
        EXPECT_EQ(nullptr, FindResourceA(module, absent, MAKEINTRESOURCEA(2))) << absent;
    }

    // Icon 128: one image, 32 x 32, 256 colours.
    HRSRC group = FindResourceA(module, MAKEINTRESOURCEA(IDI_SCRIBLET), MAKEINTRESOURCEA(14));  // RT_GROUP_ICON
    ASSERT_NE(nullptr, group);
    const auto* directory = static_cast<const BYTE*>(LockResource(LoadResource(module, group)));
    WORD count = 0;
    std::memcpy(&count, directory + 4, sizeof count);
    ASSERT_EQ(1, count);
    const BYTE* entry = directory + 6;
    WORD bits = 0;
    std::memcpy(&bits, entry + 6, sizeof bits);
    EXPECT_EQ((std::vector<int>{32, 32, 0, 8}), (std::vector<int>{entry[0], entry[1], entry[2], bits}));

    EXPECT_NE(nullptr, LoadCursorA(module, "HANDCUR"));
}

// What the window does while it is set up, as the messages it sends show.
std::vector<std::string>* setUpLog = nullptr;
HWND setUpDialog = nullptr;

std::string rectText(LPARAM rect) {
    const RECT& r = *reinterpret_cast<const RECT*>(rect);
    return std::to_string(r.left) + "," + std::to_string(r.top) + "," + std::to_string(r.right) + "," +
           std::to_string(r.bottom);
}

void logSetUpMessage(const CWPSTRUCT& m) {
    if (m.message == WM_INITDIALOG) setUpDialog = m.hwnd;
    if (!setUpDialog) return;
    std::vector<std::string>& log = *setUpLog;
    if (m.hwnd == setUpDialog) {
        if (m.message == WM_SETICON) log.push_back("icon " + std::to_string(m.wParam));
        if (m.message == WM_SETREDRAW) log.push_back("redraw " + std::to_string(m.wParam));
        return;
    }
    if (GetParent(m.hwnd) != setUpDialog) return;
    const std::string id = std::to_string(GetDlgCtrlID(m.hwnd));
    switch (m.message) {
    case WM_WINDOWPOSCHANGING: {
        const auto* pos = reinterpret_cast<const WINDOWPOS*>(m.lParam);
        const std::string size = std::to_string(pos->cx) + "x" + std::to_string(pos->cy);
        if (!(pos->flags & SWP_NOMOVE)) {
            log.push_back("move " + id + " " + std::to_string(pos->x) + "," + std::to_string(pos->y) + " " + size);
        } else if (!(pos->flags & SWP_NOSIZE)) {
            log.push_back("size " + id + " " + size);
        }
        break;
    }
    case WM_ENABLE:
        log.push_back("enable " + id + " " + std::to_string(m.wParam));
        break;
    case EM_SETRECT:
        log.push_back("rect " + id + " " + rectText(m.lParam));
        break;
    case EM_SETRECTNP:
        log.push_back("rectnp " + id + " " + rectText(m.lParam));
        break;
    case EM_SETBKGNDCOLOR:
        log.push_back("background " + id + " " + std::to_string(m.wParam) + " " + std::to_string(m.lParam));
        break;
    case EM_SETCHARFORMAT: {
        const auto* format = reinterpret_cast<const CHARFORMATA*>(m.lParam);
        log.push_back("charformat " + id + " " + std::to_string(m.wParam) + " mask " +
                      std::to_string(format->dwMask) + " effects " + std::to_string(format->dwEffects) +
                      " colour " + std::to_string(format->crTextColor) + " size " +
                      std::to_string(format->cbSize));
        break;
    }
    case EM_EXLIMITTEXT:
        log.push_back("limit " + id + " " + std::to_string(m.lParam));
        break;
    case EM_SETOPTIONS:
        log.push_back("options " + id + " " + std::to_string(m.wParam) + " " + std::to_string(m.lParam));
        break;
    case EM_SETEVENTMASK:
        log.push_back("events " + id + ((m.lParam & ENM_CHANGE) ? " change" : " no change"));
        break;
    case LB_ADDSTRING:
    case LB_INSERTSTRING:
        // The notes are being loaded: the last step; what it does is the editing rules' business.
        log.push_back("notes loaded");
        setUpLog = nullptr;
        break;
    default:
        break;
    }
}

LRESULT CALLBACK onCallWindow(int code, WPARAM wParam, LPARAM lParam) {
    if (code == HC_ACTION && setUpLog) logSetUpMessage(*reinterpret_cast<const CWPSTRUCT*>(lParam));
    return CallNextHookEx(nullptr, code, wParam, lParam);
}

LRESULT CALLBACK onWindowReturn(int code, WPARAM wParam, LPARAM lParam) {
    const auto* m = reinterpret_cast<const CWPRETSTRUCT*>(lParam);
    // Set-up is over once WM_INITDIALOG returns.
    if (code == HC_ACTION && m->message == WM_INITDIALOG && m->hwnd == setUpDialog) setUpLog = nullptr;
    return CallNextHookEx(nullptr, code, wParam, lParam);
}

TEST_F(LooksInProcess, SetUpRunsItsStepsInOrderAndLaysOutOnceWithRedrawingOff) {
    std::vector<std::string> log;
    setUpLog = &log;
    setUpDialog = nullptr;
    HHOOK before = SetWindowsHookExA(WH_CALLWNDPROC, &onCallWindow, nullptr, GetCurrentThreadId());
    HHOOK after = SetWindowsHookExA(WH_CALLWNDPROCRET, &onWindowReturn, nullptr, GetCurrentThreadId());
    RECT client{};
    run([&](HWND hwnd, NotesDialog&) { GetClientRect(hwnd, &client); },
        "120626\r\nShopping\r\nmilk\xB0\r\n");
    UnhookWindowsHookEx(before);
    UnhookWindowsHookEx(after);
    setUpLog = nullptr;

    const int w = client.right;
    const int h = client.bottom;
    auto at = [](int x, int y, int cx, int cy) {
        return std::to_string(x) + "," + std::to_string(y) + " " + std::to_string(cx) + "x" + std::to_string(cy);
    };
    auto rect = [](int l, int t, int r, int b) {
        return std::to_string(l) + "," + std::to_string(t) + "," + std::to_string(r) + "," + std::to_string(b);
    };
    const std::vector<std::string> expected = {
        "icon 1",
        "icon 0",
        "size 1030 23x23",
        "size 1033 23x23",
        "size 1001 22x21",
        "size 1024 56x23",
        "background 1005 0 16777215",
        "charformat 1005 " + std::to_string(SCF_DEFAULT) + " mask " + std::to_string(CFM_COLOR) +
            " effects 0 colour " + std::to_string(kAccentColour) + " size " + std::to_string(sizeof(CHARFORMATA)),
        "limit 1005 999999999",
        "options 1005 " + std::to_string(ECOOP_SET) + " 37184",
        "events 1005 change",
        "redraw 0",
        "move 1017 " + at(w - 125, 0, 125, h - 34),
        "move 1001 " + at(w - 147, 0, 22, 21),
        "move 1026 " + at(0, 0, w - 199, 21),
        "rectnp 1026 " + rect(4, 6, w - 195, 27),
        "move 1040 " + at(w - 199, 0, 2, 21),
        "move 1000 " + at(w - 197, 0, 50, 21),
        "rect 1000 " + rect(4, 6, 50, 21),
        "move 1005 " + at(0, 21, w - 125, h - 55),
        "rect 1005 " + rect(4, 4, w - 121, h - 30),
        "move 1023 " + at(0, h - 34, w, 34),
        "move 1024 " + at(10, h - 28, 56, 23),
        "move 1030 " + at(w - 85, h - 28, 23, 23),
        "move 1033 " + at(w - 62, h - 28, 23, 23),
        "redraw 1",
        "enable 1033 0",
        "notes loaded",
    };
    EXPECT_EQ(expected, log);
}

// A window procedure hook that, while the window is being created, sends it
// a size notification before its set-up has run.
struct EarlySize {
    HWND dialog = nullptr;
    std::vector<RECT> before;
    std::vector<RECT> after;
};
EarlySize* earlySize = nullptr;

const int kControlIds[] = {IDC_TITLE_LIST,  IDC_DATE_BUTTON,  IDC_TITLE,         IDC_TITLE_SEPARATOR, IDC_DATE,
                           IDC_BODY,        IDC_BOTTOM_BAR,   IDC_CLOSE_BUTTON,  IDC_DELETE_BUTTON,   IDC_UNDO_BUTTON};

std::vector<RECT> controlRects(HWND dialog) {
    std::vector<RECT> rects;
    for (int id : kControlIds) {
        RECT r{};
        GetWindowRect(GetDlgItem(dialog, id), &r);
        MapWindowPoints(nullptr, dialog, reinterpret_cast<POINT*>(&r), 2);
        rects.push_back(r);
    }
    return rects;
}

LRESULT CALLBACK sizeBeforeSetUp(int code, WPARAM wParam, LPARAM lParam) {
    const auto* m = reinterpret_cast<const CWPSTRUCT*>(lParam);
    if (code == HC_ACTION && earlySize && !earlySize->dialog && m->message == WM_INITDIALOG) {
        // Every control exists now; the window's own set-up has not started.
        EarlySize& early = *earlySize;
        early.dialog = m->hwnd;
        early.before = controlRects(m->hwnd);
        SendMessageA(m->hwnd, WM_SIZE, SIZE_RESTORED, MAKELPARAM(900, 700));
        early.after = controlRects(m->hwnd);
    }
    return CallNextHookEx(nullptr, code, wParam, lParam);
}

bool sameRects(const std::vector<RECT>& a, const std::vector<RECT>& b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        if (!EqualRect(&a[i], &b[i])) return false;
    }
    return true;
}

TEST_F(LooksInProcess, SizeNotificationsBeforeSetUpMoveNothing) {
    NoteTable table;
    UndoSlot undo;
    NotesDialog dialog(table, undo, *files_, brushes_, [] {});
    EarlySize early;
    earlySize = &early;
    HHOOK hook = SetWindowsHookExA(WH_CALLWNDPROC, &sizeBeforeSetUp, nullptr, GetCurrentThreadId());
    std::vector<RECT> laidOut;
    runModal(dialog, [&](HWND hwnd) { laidOut = controlRects(hwnd); });
    UnhookWindowsHookEx(hook);
    earlySize = nullptr;

    ASSERT_NE(nullptr, early.dialog);
    EXPECT_TRUE(sameRects(early.before, early.after)) << "a size notification before set-up moved a control";
    EXPECT_FALSE(sameRects(early.before, laidOut)) << "set-up did not lay the window out";
}

TEST_F(LooksInProcess, FirstSizeIsTheTemplatesAndTheWindowIsCentred) {
    run([](HWND hwnd, NotesDialog&) {
        RECT units{0, 0, 341, 246};
        MapDialogRect(hwnd, &units);
        RECT client{};
        GetClientRect(hwnd, &client);
        EXPECT_EQ(units.right, client.right);
        EXPECT_EQ(units.bottom, client.bottom);

        RECT frame{};
        GetWindowRect(hwnd, &frame);
        RECT work{};
        SystemParametersInfoA(SPI_GETWORKAREA, 0, &work, 0);
        EXPECT_NEAR((work.left + work.right) / 2, (frame.left + frame.right) / 2, 1);
        EXPECT_NEAR((work.top + work.bottom) / 2, (frame.top + frame.bottom) / 2, 1);
    });
}

TEST_F(LooksInProcess, RestoringAtAnotherSizeLaysTheWindowOutForIt) {
    run([](HWND hwnd, NotesDialog&) {
        ShowWindow(hwnd, SW_MINIMIZE);
        ASSERT_TRUE(IsIconic(hwnd));
        WINDOWPLACEMENT placement{};
        placement.length = sizeof placement;
        ASSERT_TRUE(GetWindowPlacement(hwnd, &placement));
        placement.rcNormalPosition.right += 60;
        placement.rcNormalPosition.bottom += 40;
        placement.showCmd = SW_SHOWMINNOACTIVE;
        ASSERT_TRUE(SetWindowPlacement(hwnd, &placement));
        ShowWindow(hwnd, SW_RESTORE);
        ASSERT_FALSE(IsIconic(hwnd));

        RECT client{};
        GetClientRect(hwnd, &client);
        const std::vector<RECT> shown = controlRects(hwnd);
        const auto placements = mainWindowLayout(client.right, client.bottom);
        for (std::size_t i = 0; i < placements.size(); ++i) {
            const ControlPlacement& p = placements[i];
            ASSERT_EQ(kControlIds[i], p.controlId);
            const RECT expected{p.x, p.y, p.x + p.width, p.y + p.height};
            EXPECT_TRUE(EqualRect(&expected, &shown[i])) << "control " << p.controlId;
        }
    });
}

TEST_F(LooksInProcess, ColourAnswersForEachKindOfControl) {
    run([this](HWND hwnd, NotesDialog&) {
        const struct {
            UINT message;
            int from;  // 0: the window itself
            HBRUSH brush;
            COLORREF text;
            COLORREF background;
        } cases[] = {
            {WM_CTLCOLOREDIT, IDC_TITLE, brushes_.accent, kEditTextColour, kAccentColour},
            {WM_CTLCOLOREDIT, IDC_DATE, brushes_.accent, kEditTextColour, kAccentColour},
            {WM_CTLCOLORLISTBOX, IDC_TITLE_LIST, brushes_.background, kAccentColour, kBackgroundColour},
            {WM_CTLCOLORSTATIC, IDC_BOTTOM_BAR, brushes_.background, kAccentColour, kBackgroundColour},
            {WM_CTLCOLORSTATIC, IDC_TITLE_SEPARATOR, brushes_.background, kAccentColour, kBackgroundColour},
            {WM_CTLCOLORBTN, IDC_CLOSE_BUTTON, brushes_.background, kAccentColour, kBackgroundColour},
            {WM_CTLCOLORSCROLLBAR, IDC_BODY, brushes_.background, kAccentColour, kBackgroundColour},
            {WM_CTLCOLORDLG, 0, brushes_.background, kAccentColour, kBackgroundColour},
            {WM_CTLCOLORMSGBOX, 0, brushes_.background, kAccentColour, kBackgroundColour},
        };
        for (const auto& c : cases) {
            HWND from = c.from ? GetDlgItem(hwnd, c.from) : hwnd;
            const ColourAnswer answer = colourAnswer(hwnd, c.message, from);
            SCOPED_TRACE("message " + std::to_string(c.message) + " from " + std::to_string(c.from));
            EXPECT_EQ(reinterpret_cast<LRESULT>(c.brush), answer.brush);
            EXPECT_EQ(c.text, answer.text);
            EXPECT_EQ(c.background, answer.background);
        }
    });
}

TEST_F(LooksInProcess, EraseBackgroundPaintsNothing) {
    run([](HWND hwnd, NotesDialog&) {
        HDC screen = GetDC(nullptr);
        HDC dc = CreateCompatibleDC(screen);
        HBITMAP bitmap = CreateCompatibleBitmap(screen, 8, 8);
        ReleaseDC(nullptr, screen);
        HGDIOBJ old = SelectObject(dc, bitmap);
        RECT all{0, 0, 8, 8};
        HBRUSH magenta = CreateSolidBrush(RGB(255, 0, 255));
        FillRect(dc, &all, magenta);
        DeleteObject(magenta);
        EXPECT_NE(0, SendMessageA(hwnd, WM_ERASEBKGND, reinterpret_cast<WPARAM>(dc), 0));
        for (int y = 0; y < 8; ++y) {
            for (int x = 0; x < 8; ++x) ASSERT_EQ(RGB(255, 0, 255), GetPixel(dc, x, y)) << x << "," << y;
        }
        SelectObject(dc, old);
        DeleteObject(bitmap);
        DeleteDC(dc);
    });
}

TEST_F(LooksInProcess, WindowIconIsIcon128ForBothSizesAndForDragging) {
    run([](HWND hwnd, NotesDialog&) {
        const HICON icon = LoadIconA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDI_SCRIBLET));
        ASSERT_NE(nullptr, icon);
        EXPECT_EQ(reinterpret_cast<LRESULT>(icon), SendMessageA(hwnd, WM_GETICON, ICON_BIG, 0));
        EXPECT_EQ(reinterpret_cast<LRESULT>(icon), SendMessageA(hwnd, WM_GETICON, ICON_SMALL, 0));
        EXPECT_EQ(reinterpret_cast<LRESULT>(icon), SendMessageA(hwnd, WM_QUERYDRAGICON, 0, 0));
    });
}

int iconBackgroundErases = 0;

LRESULT CALLBACK countIconErases(int code, WPARAM wParam, LPARAM lParam) {
    const auto* m = reinterpret_cast<const CWPSTRUCT*>(lParam);
    if (code == HC_ACTION && m->message == WM_ICONERASEBKGND && m->wParam != 0) ++iconBackgroundErases;
    return CallNextHookEx(nullptr, code, wParam, lParam);
}

TEST_F(LooksInProcess, OnlyTheMinimisedWindowPaintsItselfAsItsIcon) {
    run([](HWND hwnd, NotesDialog&) {
        iconBackgroundErases = 0;
        HHOOK hook = SetWindowsHookExA(WH_CALLWNDPROC, &countIconErases, nullptr, GetCurrentThreadId());
        SendMessageA(hwnd, WM_PAINT, 0, 0);
        EXPECT_EQ(0, iconBackgroundErases);
        ShowWindow(hwnd, SW_MINIMIZE);
        SendMessageA(hwnd, WM_PAINT, 0, 0);
        EXPECT_EQ(1, iconBackgroundErases);
        ShowWindow(hwnd, SW_RESTORE);
        SendMessageA(hwnd, WM_PAINT, 0, 0);
        EXPECT_EQ(1, iconBackgroundErases);
        UnhookWindowsHookEx(hook);
    });
}

// The picture a button draws for a state, asked for as the system asks the
// window: the name of the bitmap whose pixels it drew, or "another picture".
std::string pictureName(HWND window, int id, UINT state, const std::string& base) {
    HWND button = GetDlgItem(window, id);
    RECT client{};
    GetClientRect(button, &client);
    e2e::Pixels drawn(client.right, client.bottom);
    DRAWITEMSTRUCT item{};
    item.CtlType = ODT_BUTTON;
    item.CtlID = static_cast<UINT>(id);
    item.itemAction = ODA_DRAWENTIRE;
    item.itemState = state;
    item.hwndItem = button;
    item.hDC = drawn.dc();
    item.rcItem = client;
    SendMessageA(window, WM_DRAWITEM, static_cast<WPARAM>(id), reinterpret_cast<LPARAM>(&item));
    GdiFlush();
    for (const char* suffix : {"U", "D", "F", "X"}) {
        HBITMAP candidate = static_cast<HBITMAP>(
            LoadImageA(GetModuleHandleA(nullptr), (base + suffix).c_str(), IMAGE_BITMAP, 0, 0, LR_DEFAULTCOLOR));
        const std::unique_ptr<e2e::Pixels> pixels = e2e::pixelsOf(candidate);
        if (candidate) DeleteObject(candidate);
        if (pixels && drawn.differenceFrom(*pixels).empty()) return base + suffix;
    }
    return "another picture";
}

TEST_F(LooksInProcess, EachButtonStateChoosesItsPicture) {
    run([](HWND hwnd, NotesDialog&) {
        const UINT pressed = ODS_SELECTED;
        const UINT focus = ODS_FOCUS;
        const UINT disabled = ODS_DISABLED;
        const struct {
            int id;
            const char* base;
            UINT state;
            const char* expected;
        } cases[] = {
            // Pressed, else focused, else disabled, else normal, each only where the button has it.
            {IDC_CLOSE_BUTTON, "OK", 0, "OKU"},
            {IDC_CLOSE_BUTTON, "OK", pressed, "OKD"},
            {IDC_CLOSE_BUTTON, "OK", focus, "OKF"},
            {IDC_CLOSE_BUTTON, "OK", pressed | focus, "OKD"},
            {IDC_CLOSE_BUTTON, "OK", disabled, "OKU"},
            {IDC_CLOSE_BUTTON, "OK", focus | disabled, "OKF"},
            {IDC_UNDO_BUTTON, "UNDOBUTTON", 0, "UNDOBUTTONU"},
            {IDC_UNDO_BUTTON, "UNDOBUTTON", disabled, "UNDOBUTTONX"},
            {IDC_UNDO_BUTTON, "UNDOBUTTON", pressed | disabled, "UNDOBUTTOND"},
            {IDC_UNDO_BUTTON, "UNDOBUTTON", focus, "UNDOBUTTONU"},
            {IDC_UNDO_BUTTON, "UNDOBUTTON", focus | disabled, "UNDOBUTTONX"},
            {IDC_DELETE_BUTTON, "DELBUTTON", pressed, "DELBUTTOND"},
            {IDC_DELETE_BUTTON, "DELBUTTON", focus | disabled, "DELBUTTONU"},
            {IDC_DATE_BUTTON, "DATEBUTTON", pressed | focus, "DATEBUTTOND"},
            {IDC_DATE_BUTTON, "DATEBUTTON", disabled, "DATEBUTTONU"},
        };
        for (const auto& c : cases) {
            EXPECT_EQ(c.expected, pictureName(hwnd, c.id, c.state, c.base)) << "control " << c.id << " state " << c.state;
        }
    });
}

TEST_F(LooksInProcess, ButtonsAreAsLargeAsTheirPicturesAndUndoStartsDisabled) {
    run([](HWND hwnd, NotesDialog&) {
        const struct {
            int id;
            int width, height;
        } buttons[] = {
            {IDC_DELETE_BUTTON, 23, 23},
            {IDC_UNDO_BUTTON, 23, 23},
            {IDC_DATE_BUTTON, 22, 21},
            {IDC_CLOSE_BUTTON, 56, 23},
        };
        for (const auto& b : buttons) {
            RECT r{};
            GetClientRect(GetDlgItem(hwnd, b.id), &r);
            EXPECT_EQ(b.width, r.right) << "control " << b.id;
            EXPECT_EQ(b.height, r.bottom) << "control " << b.id;
        }
        EXPECT_FALSE(IsWindowEnabled(GetDlgItem(hwnd, IDC_UNDO_BUTTON)));
        EXPECT_TRUE(IsWindowEnabled(GetDlgItem(hwnd, IDC_DELETE_BUTTON)));
    });
}

}  // namespace
}  // namespace scriblet::inproc
