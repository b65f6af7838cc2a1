// The hyperlink label and the about box, created in the test's own process:
// the label in a test-only host dialog that leaves colours to the label, the
// about box from template 100.
#include <gtest/gtest.h>

#include <windows.h>
#include <commctrl.h>

#include <memory>
#include <string>
#include <vector>

#include "res/product.h"
#include "res/resource.h"
#include "tests/driver/pixels.h"
#include "tests/win/inproc_support.h"
#include "tests/win/label_host_resource.h"
#include "ui/about/about_dialog.h"
#include "ui/about/hyperlink_label.h"

namespace scriblet::inproc {
namespace {

using e2e::centreOf;
using e2e::windowRect;
using e2e::windowText;

// Handles this thread's messages for a while, as a modal loop would.
void pumpFor(DWORD ms) {
    const DWORD start = GetTickCount();
    do {
        MSG message;
        while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&message);
            DispatchMessageA(&message);
        }
        Sleep(5);
    } while (GetTickCount() - start < ms);
}

// Handles messages until `done` holds; false when it did not within `ms`.
bool pumpUntil(const std::function<bool()>& done, DWORD ms = 3000) {
    const DWORD start = GetTickCount();
    while (!done()) {
        if (GetTickCount() - start >= ms) return false;
        pumpFor(10);
    }
    return true;
}

// Makes HKEY_CLASSES_ROOT of this process a scratch key, so that the shell
// and the ".htm" look-up see only what a test puts there (and no browser of
// the test machine is ever started).
class ScratchClassesRoot {
public:
    ScratchClassesRoot() {
        path_ = "Software\\ScribletTests\\Classes" + std::to_string(GetCurrentProcessId());
        RegCreateKeyExA(HKEY_CURRENT_USER, path_.c_str(), 0, nullptr, REG_OPTION_VOLATILE, KEY_ALL_ACCESS,
                        nullptr, &root_, nullptr);
        overridden_ = root_ && RegOverridePredefKey(HKEY_CLASSES_ROOT, root_) == ERROR_SUCCESS;
    }
    ~ScratchClassesRoot() {
        RegOverridePredefKey(HKEY_CLASSES_ROOT, nullptr);
        if (root_) {
            deleteTree(root_);
            RegCloseKey(root_);
        }
        RegDeleteKeyA(HKEY_CURRENT_USER, path_.c_str());
    }
    bool ready() const { return overridden_; }

    void setString(const std::string& subKey, const std::string& value) {
        setValue(subKey, REG_SZ, value.c_str(), static_cast<DWORD>(value.size() + 1));
    }
    void setValue(const std::string& subKey, DWORD type, const void* data, DWORD size) {
        HKEY key = nullptr;
        RegCreateKeyExA(root_, subKey.c_str(), 0, nullptr, REG_OPTION_VOLATILE, KEY_ALL_ACCESS, nullptr, &key,
                        nullptr);
        RegSetValueExA(key, nullptr, 0, type, static_cast<const BYTE*>(data), size);
        RegCloseKey(key);
    }
    // ".htm" -> a class whose open command is `command`.
    void setHandler(const std::string& command) {
        setString(".htm", "scriblettest.html");
        setString("scriblettest.html\\shell\\open\\command", command);
    }

private:
    static void deleteTree(HKEY key) {
        char name[256];
        for (;;) {
            DWORD size = sizeof name;
            if (RegEnumKeyExA(key, 0, name, &size, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS) break;
            HKEY child = nullptr;
            if (RegOpenKeyExA(key, name, 0, KEY_ALL_ACCESS, &child) == ERROR_SUCCESS) {
                deleteTree(child);
                RegCloseKey(child);
            }
            if (RegDeleteKeyA(key, name) != ERROR_SUCCESS) break;
        }
    }

    std::string path_;
    HKEY root_ = nullptr;
    bool overridden_ = false;
};

// A command line that starts and ends at once: a launch that succeeds.
const char kQuietHandler[] = "\"C:\\windows\\system32\\cmd.exe\" /c rem \"%1\"";
const char kMissingHandler[] = "\"C:\\scriblet-no-such-dir\\browse.exe\" -nohome \"%1\"";

// The tool a label registers with its tooltip, with room for its text.
TTTOOLINFOA labelTool(HWND label, char* text) {
    TTTOOLINFOA tool{};
    tool.cbSize = TTTOOLINFOA_V2_SIZE;
    tool.hwnd = label;
    tool.uId = 1;
    tool.lpszText = text;
    return tool;
}

struct ToolTipSearch {
    HWND label;
    HWND found;
};

BOOL CALLBACK findToolTip(HWND hwnd, LPARAM lParam) {
    auto* search = reinterpret_cast<ToolTipSearch*>(lParam);
    char className[32] = {};
    GetClassNameA(hwnd, className, sizeof className);
    TTTOOLINFOA tool = labelTool(search->label, nullptr);
    if (_stricmp(className, TOOLTIPS_CLASSA) != 0 ||
        !SendMessageA(hwnd, TTM_GETTOOLINFOA, 0, reinterpret_cast<LPARAM>(&tool))) {
        return TRUE;
    }
    search->found = hwnd;
    return FALSE;
}

// The tooltip of this thread that holds the label's tool.
HWND toolTipOf(HWND label) {
    ToolTipSearch search{label, nullptr};
    EnumThreadWindows(GetCurrentThreadId(), &findToolTip, reinterpret_cast<LPARAM>(&search));
    return search.found;
}

std::string toolTipText(HWND label) {
    char text[1024] = {};
    TTTOOLINFOA tool = labelTool(label, text);
    SendMessageA(toolTipOf(label), TTM_GETTEXTA, sizeof text, reinterpret_cast<LPARAM>(&tool));
    return text;
}

LOGFONTA fontOf(HWND hwnd) {
    LOGFONTA font{};
    HFONT handle = reinterpret_cast<HFONT>(SendMessageA(hwnd, WM_GETFONT, 0, 0));
    if (handle) GetObjectA(handle, sizeof font, &font);
    return font;
}

bool underlined(HWND hwnd) {
    return fontOf(hwnd).lfUnderline != 0;
}

bool moveCursorTo(POINT point) {
    SetCursorPos(point.x, point.y);
    POINT now{};
    GetCursorPos(&now);
    return now.x == point.x && now.y == point.y;
}

// A point on the screen away from every test window.
const POINT kFarAway{1000, 740};

// How many pixels of the window's client area have exactly this colour, read
// back from what the window has drawn.
int pixelsOfColour(HWND hwnd, COLORREF colour) {
    UpdateWindow(hwnd);
    RECT client{};
    GetClientRect(hwnd, &client);
    e2e::Pixels pixels(client.right, client.bottom);
    HDC window = GetDC(hwnd);
    pixels.copyFrom(window, 0, 0);
    ReleaseDC(hwnd, window);
    return pixels.count(client, colour);
}

// The label's text colour, as it answers the colour message that its parent
// hands back to it: the hover colour while the pointer is over it, else the
// visited colour after a successful opening, else the link colour.
COLORREF textColour(HWND label) {
    return colourAnswer(GetParent(label), WM_CTLCOLORSTATIC, label).text;
}

// The pointer moved onto the label, as the mouse reports it.
void hover(HWND label) {
    moveCursorTo(centreOf(windowRect(label)));
    SendMessageA(label, WM_MOUSEMOVE, 0, MAKELPARAM(3, 3));
}

// A press on a control, as the mouse gives it: the static raises STN_CLICKED,
// which the host does not answer and hands back to the label.
void press(HWND control) {
    SendMessageA(control, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(2, 2));
    SendMessageA(control, WM_LBUTTONUP, 0, MAKELPARAM(2, 2));
}

// The host: no colour handling of its own, no other behaviour.
class LabelHost : public win::Dialog {
public:
    LabelHost() : win::Dialog(IDD_LABEL_HOST, nullptr) {}
    HyperlinkLabel textLink;
    HyperlinkLabel emptyLink;

protected:
    bool OnInitDialog() override {
        textLink.subclassWindow(item(IDC_HOST_TEXT_LINK));
        emptyLink.subclassWindow(item(IDC_HOST_EMPTY_LINK));
        return true;
    }
};

const COLORREF kLinkBlue = RGB(0, 0, 238);
const COLORREF kHoverRed = RGB(255, 0, 0);
const COLORREF kVisitedPurple = RGB(85, 26, 139);

class LabelInHost : public ::testing::Test {
protected:
    // A pointer resting where the host opens would start hover tracking.
    void SetUp() override { moveCursorTo(kFarAway); }

    void run(const std::function<void(LabelHost&)>& body) {
        runModal(host_, [&](HWND) { body(host_); });
    }
    LabelHost host_;
};

TEST_F(LabelInHost, AttachmentTakesAddressAndTextFromEachOther) {
    host_.emptyLink.setAddress("http://empty.example/");
    run([](LabelHost& host) {
        EXPECT_EQ("http://text.example/", toolTipText(host.textLink.handle()));
        EXPECT_EQ("http://empty.example/", windowText(host.emptyLink.handle()));
        EXPECT_EQ("http://empty.example/", toolTipText(host.emptyLink.handle()));
        for (const HyperlinkLabel* link : {&host.textLink, &host.emptyLink}) {
            HWND label = link->handle();
            EXPECT_TRUE(GetWindowLongA(label, GWL_STYLE) & SS_NOTIFY);
            // Underlined on hover only, in copies of the control's font.
            const LOGFONTA own = fontOf(label);
            EXPECT_FALSE(own.lfUnderline);
            hover(label);
            const LOGFONTA hovered = fontOf(label);
            ASSERT_TRUE(moveCursorTo(kFarAway));
            EXPECT_TRUE(pumpUntil([&] { return !underlined(label); })) << "hover did not end";
            const LOGFONTA left = fontOf(label);
            EXPECT_TRUE(hovered.lfUnderline);
            EXPECT_FALSE(left.lfUnderline);
            for (const LOGFONTA& copy : {hovered, left}) {
                EXPECT_STREQ(own.lfFaceName, copy.lfFaceName);
                EXPECT_EQ(own.lfHeight, copy.lfHeight);
            }
        }
    });
}

TEST_F(LabelInHost, AddressSetAfterAttachmentReplacesTheTooltipText) {
    run([](LabelHost& host) {
        host.textLink.setAddress("http://later.example/page");
        EXPECT_EQ("http://later.example/page", toolTipText(host.textLink.handle()));
        EXPECT_EQ("http://text.example/", windowText(host.textLink.handle()));
    });
}

TEST_F(LabelInHost, AModeChosenBeforeAttachmentGivesWayToUnderlineOnHover) {
    host_.emptyLink.setUnderlineMode(HyperlinkLabel::UnderlineAlways);
    run([](LabelHost& host) {
        HWND label = host.emptyLink.handle();
        EXPECT_FALSE(underlined(label));
        hover(label);
        EXPECT_TRUE(underlined(label));
    });
}

TEST_F(LabelInHost, SettingTheModeInForceSendsNoFontAndPaintsNothing) {
    run([](LabelHost& host) {
        HWND label = host.textLink.handle();
        host.textLink.setUnderlineMode(HyperlinkLabel::UnderlineNever);
        // A font the label never sets shows whether it sets one now.
        HFONT stranger = static_cast<HFONT>(GetStockObject(SYSTEM_FONT));
        SendMessageA(label, WM_SETFONT, reinterpret_cast<WPARAM>(stranger), FALSE);
        ValidateRect(label, nullptr);
        host.textLink.setUnderlineMode(HyperlinkLabel::UnderlineNever);
        EXPECT_EQ(stranger, reinterpret_cast<HFONT>(SendMessageA(label, WM_GETFONT, 0, 0)));
        EXPECT_FALSE(GetUpdateRect(label, nullptr, FALSE));
    });
}

TEST_F(LabelInHost, HandCursorOverTheLabel) {
    run([](LabelHost& host) {
        HWND label = host.textLink.handle();
        const HCURSOR arrow = LoadCursorA(nullptr, MAKEINTRESOURCEA(32512));
        SetCursor(arrow);
        const LRESULT answered =
            SendMessageA(label, WM_SETCURSOR, reinterpret_cast<WPARAM>(label), MAKELPARAM(HTCLIENT, WM_MOUSEMOVE));
        EXPECT_TRUE(answered);
        const HCURSOR shown = GetCursor();
        EXPECT_NE(nullptr, shown);
        EXPECT_NE(arrow, shown);
    });
}

struct UnderlineCase {
    const char* name;
    int mode;
    bool idle;
    bool hovering;
};

const UnderlineCase kUnderlineCases[] = {
    {"OnHover", HyperlinkLabel::UnderlineOnHover, false, true},
    {"Always", HyperlinkLabel::UnderlineAlways, true, true},
    {"Never", HyperlinkLabel::UnderlineNever, false, false},
};

class UnderlineModes : public LabelInHost, public ::testing::WithParamInterface<UnderlineCase> {};

TEST_P(UnderlineModes, FollowTheModeThroughHoverAndLeaving) {
    const UnderlineCase& c = GetParam();
    run([&](LabelHost& host) {
        HWND label = host.textLink.handle();
        host.textLink.setUnderlineMode(c.mode);
        EXPECT_EQ(c.idle, underlined(label)) << "before hover";

        ASSERT_TRUE(moveCursorTo(centreOf(windowRect(label))));
        SendMessageA(label, WM_MOUSEMOVE, 0, MAKELPARAM(3, 3));
        EXPECT_EQ(kHoverRed, textColour(label));
        EXPECT_EQ(c.hovering, underlined(label)) << "while hovering";

        // Ticks with the pointer still inside change nothing.
        pumpFor(350);
        EXPECT_EQ(kHoverRed, textColour(label));
        EXPECT_EQ(c.hovering, underlined(label)) << "after ticks inside";

        ASSERT_TRUE(moveCursorTo(kFarAway));
        EXPECT_TRUE(pumpUntil([&] { return textColour(label) == kLinkBlue; })) << "hover did not end";
        EXPECT_EQ(c.idle, underlined(label)) << "after leaving";
    });
}

INSTANTIATE_TEST_SUITE_P(Modes, UnderlineModes, ::testing::ValuesIn(kUnderlineCases),
                         [](const ::testing::TestParamInfo<UnderlineCase>& info) { return std::string(info.param.name); });

TEST_F(LabelInHost, ColoursFollowHoverAndTheOutcomeOfEachClick) {
    ScratchClassesRoot classes;
    ASSERT_TRUE(classes.ready());
    // The shell can't open this address; the handler then decides.
    host_.textLink.setAddress("C:\\scriblet-no-such-dir\\page.htm");
    run([&](LabelHost& host) {
        HWND label = host.textLink.handle();
        // Always underlined, so every colour repaints the same pixels.
        host.textLink.setUnderlineMode(HyperlinkLabel::UnderlineAlways);
        ASSERT_TRUE(moveCursorTo(kFarAway));
        pumpFor(50);
        InvalidateRect(label, nullptr, TRUE);
        EXPECT_GT(pixelsOfColour(label, kLinkBlue), 0);
        EXPECT_EQ(0, pixelsOfColour(label, kHoverRed));

        ASSERT_TRUE(moveCursorTo(centreOf(windowRect(label))));
        SendMessageA(label, WM_MOUSEMOVE, 0, MAKELPARAM(3, 3));
        EXPECT_GT(pixelsOfColour(label, kHoverRed), 0);
        EXPECT_EQ(0, pixelsOfColour(label, kLinkBlue));

        // A click that succeeds shows the visited colour at once, pointer still over it.
        classes.setHandler(kQuietHandler);
        press(label);
        EXPECT_EQ(kVisitedPurple, textColour(label));
        EXPECT_GT(pixelsOfColour(label, kVisitedPurple), 0);
        EXPECT_EQ(0, pixelsOfColour(label, kHoverRed));

        // A later failed attempt turns it back to the link colour.
        classes.setHandler(kMissingHandler);
        auto seen = std::make_shared<SeenMessageBox>();
        answerNextMessageBox(seen);
        ASSERT_TRUE(moveCursorTo(kFarAway));
        press(label);
        EXPECT_TRUE(seen->seen);
        EXPECT_EQ(kLinkBlue, textColour(label));
        EXPECT_GT(pixelsOfColour(label, kLinkBlue), 0);
        EXPECT_EQ(0, pixelsOfColour(label, kVisitedPurple));
    });
}

struct FailureCase {
    const char* name;
    std::function<void(ScratchClassesRoot&)> registry;
    const char* reason;
    std::string address = "http://www.scriblet.example/";
};

const char kNoAssociation[] = "There is no application associated\nwith the given filename extension.";

class FailedLaunch : public LabelInHost, public ::testing::WithParamInterface<FailureCase> {};

TEST_P(FailedLaunch, BeepsAndExplainsInABoxCaptionedWithTheApplicationName) {
    ScratchClassesRoot classes;
    ASSERT_TRUE(classes.ready());
    GetParam().registry(classes);
    host_.textLink.setAddress(GetParam().address);
    run([&](LabelHost& host) {
        auto seen = std::make_shared<SeenMessageBox>();
        answerNextMessageBox(seen);
        host.textLink.openLink();
        ASSERT_TRUE(seen->seen);
        EXPECT_EQ(std::string("Unable to open hyperlink:\n\n") + GetParam().reason, seen->text);
        EXPECT_EQ("scriblet_inproc_tests", seen->caption);
        EXPECT_EQ(host.handle(), seen->owner);
        EXPECT_EQ(kLinkBlue, textColour(host.textLink.handle()));
    });
}

const FailureCase kFailureCases[] = {
    // The shell finds nothing for http here; its own code is reported.
    {"NoHtmHandler", [](ScratchClassesRoot&) {}, kNoAssociation},
    {"HtmClassWithoutCommand", [](ScratchClassesRoot& c) { c.setString(".htm", "scriblettest.html"); },
     kNoAssociation},
    {"HandlerValueTooLong",
     [](ScratchClassesRoot& c) {
         c.setString(".htm", "scriblettest.html");
         c.setString("scriblettest.html\\shell\\open\\command", "\"C:\\windows\\system32\\cmd.exe\" /c rem " +
                                                                     std::string(300, 'x') + " \"%1\"");
     },
     kNoAssociation},
    {"HandlerValueNotAString",
     [](ScratchClassesRoot& c) {
         const DWORD number = 7;
         c.setValue(".htm", REG_DWORD, &number, sizeof number);
     },
     kNoAssociation},
    // A handler that would start, were its line not too long with the address.
    {"HandlerLineTooLongForTheBuffer",
     [](ScratchClassesRoot& c) { c.setHandler("\"C:\\windows\\system32\\cmd.exe\" /c rem " + std::string(200, 'x') + " %1"); },
     kNoAssociation, "http://www.scriblet.example/" + std::string(300, 'p')},
    // The handler is found but can't be started: WinExec's code is reported.
    {"HandlerProgramMissing", [](ScratchClassesRoot& c) { c.setHandler(kMissingHandler); },
     "The specified file was not found."},
};

INSTANTIATE_TEST_SUITE_P(Registry, FailedLaunch, ::testing::ValuesIn(kFailureCases),
                         [](const ::testing::TestParamInfo<FailureCase>& info) { return std::string(info.param.name); });

TEST_F(LabelInHost, TheTooltipGoesWithTheDialogAndTheLabel) {
    HWND toolTip = nullptr;
    {
        LabelHost host;
        runModal(host, [&](HWND) {
            toolTip = toolTipOf(host.textLink.handle());
            EXPECT_TRUE(IsWindow(toolTip));
        });
    }
    EXPECT_FALSE(IsWindow(toolTip));
}

// The about box.

class AboutBoxInProcess : public ::testing::Test {
protected:
    void run(const std::function<void(HWND)>& body) {
        AboutDialog about(brushes_);
        runModal(about, body);
    }

    TestBrushes brushes_;
};

struct ExpectedControl {
    int id;
    const char* className;
    DWORD style;
    RECT units;  // x, y, width, height in dialog units
};

const ExpectedControl kAboutControls[] = {
    {-1, "Static", WS_CHILD | WS_VISIBLE | WS_GROUP | SS_LEFT, {121, 34, 53, 34}},
    {IDC_ABOUT_LOGO, "Static", WS_CHILD | WS_VISIBLE | WS_GROUP | SS_LEFT, {5, 0, 95, 107}},
    {IDC_ABOUT_FIRST_LINK, "Static", WS_CHILD | WS_VISIBLE | WS_GROUP | SS_LEFT | SS_NOTIFY, {50, 97, 67, 10}},
    {IDC_ABOUT_SECOND_LINK, "Static", WS_CHILD | WS_VISIBLE | WS_GROUP | SS_LEFT | SS_NOTIFY, {117, 97, 69, 10}},
    {IDOK, "Button", WS_CHILD | WS_VISIBLE | WS_TABSTOP | BS_PUSHBUTTON, {69, 189, 25, 10}},
    {IDC_ABOUT_FRAME, "Static", WS_CHILD | WS_VISIBLE | SS_BLACKFRAME, {0, 0, 194, 112}},
};

std::vector<std::string> linesOf(const std::string& text) {
    std::vector<std::string> lines;
    std::string::size_type start = 0;
    for (std::string::size_type end; (end = text.find('\n', start)) != std::string::npos; start = end + 1) {
        lines.push_back(text.substr(start, end - start));
    }
    if (start < text.size()) lines.push_back(text.substr(start));
    return lines;
}

TEST_F(AboutBoxInProcess, TemplateIsABorderlessPopupWithItsSixControls) {
    run([](HWND box) {
        const DWORD style = static_cast<DWORD>(GetWindowLongA(box, GWL_STYLE));
        EXPECT_TRUE(style & WS_POPUP);
        EXPECT_TRUE(style & WS_VISIBLE);
        EXPECT_EQ(0u, style & (WS_CAPTION | WS_BORDER | WS_SYSMENU | WS_THICKFRAME));
        EXPECT_EQ("", windowText(box));

        RECT size{0, 0, 194, 112};
        MapDialogRect(box, &size);
        RECT client{};
        GetClientRect(box, &client);
        EXPECT_EQ(size.right, client.right);
        EXPECT_EQ(size.bottom, client.bottom);
        // The logo and the identification text use the template's font.
        EXPECT_STREQ("Courier New", fontOf(GetDlgItem(box, IDC_ABOUT_LOGO)).lfFaceName);
        HDC screen = GetDC(nullptr);
        EXPECT_EQ(-MulDiv(8, GetDeviceCaps(screen, LOGPIXELSY), 72), fontOf(box).lfHeight);
        ReleaseDC(nullptr, screen);

        HWND child = GetWindow(box, GW_CHILD);
        for (const ExpectedControl& expected : kAboutControls) {
            ASSERT_NE(nullptr, child) << "missing control " << expected.id;
            EXPECT_EQ(expected.id, static_cast<int>(static_cast<short>(GetDlgCtrlID(child))));
            char className[32] = {};
            GetClassNameA(child, className, sizeof className);
            EXPECT_STRCASEEQ(expected.className, className) << expected.id;
            EXPECT_EQ(expected.style, static_cast<DWORD>(GetWindowLongA(child, GWL_STYLE))) << "control " << expected.id;
            RECT units = expected.units;
            MapDialogRect(box, &units);
            RECT actual{};
            GetWindowRect(child, &actual);
            MapWindowPoints(nullptr, box, reinterpret_cast<POINT*>(&actual), 2);
            EXPECT_EQ(units.left, actual.left) << expected.id;
            EXPECT_EQ(units.top, actual.top) << expected.id;
            EXPECT_EQ(units.right, actual.right - actual.left) << expected.id;
            EXPECT_EQ(units.bottom, actual.bottom - actual.top) << expected.id;
            child = GetWindow(child, GW_HWNDNEXT);
        }
        EXPECT_EQ(nullptr, child) << "more than six controls";
    });
}

TEST_F(AboutBoxInProcess, TextsReadAsLogoIdentificationAndTheAddressWithoutItsScheme) {
    run([](HWND box) {
        EXPECT_EQ("www.scribletapp.", windowText(GetDlgItem(box, IDC_ABOUT_FIRST_LINK)));
        EXPECT_EQ("example/", windowText(GetDlgItem(box, IDC_ABOUT_SECOND_LINK)));
        EXPECT_EQ(std::string("http://") + windowText(GetDlgItem(box, IDC_ABOUT_FIRST_LINK)) +
                      windowText(GetDlgItem(box, IDC_ABOUT_SECOND_LINK)),
                  SCRIBLET_MAKER_ADDRESS);
        EXPECT_EQ("--", windowText(GetDlgItem(box, IDOK)));

        const std::string logo = windowText(GetDlgItem(box, IDC_ABOUT_LOGO));
        ASSERT_FALSE(logo.empty());
        EXPECT_EQ('\n', logo.back());
        const std::vector<std::string> lines = linesOf(logo);
        EXPECT_EQ(13u, lines.size());
        for (const std::string& line : lines) {
            EXPECT_LE(line.size(), 23u) << line;
            EXPECT_EQ(std::string::npos, line.find_first_not_of(" /\\_")) << line;
        }
        // The last line shares its row with the links, which start 45 units
        // (eleven characters) to the right of the logo.
        EXPECT_LE(lines.back().size(), 11u) << lines.back();

        HWND identification = GetWindow(box, GW_CHILD);
        const std::vector<std::string> id = linesOf(windowText(identification));
        ASSERT_EQ(4u, id.size());
        EXPECT_EQ("scriblet", id[1]);
        for (const std::string& line : {id[0], id[1], id[2]}) {
            EXPECT_EQ(std::string::npos, line.find_first_of("ABCDEFGHIJKLMNOPQRSTUVWXYZ")) << line;
        }
        EXPECT_NE(std::string::npos, id[3].find_first_of("0123456789")) << id[3];
    });
}

TEST_F(AboutBoxInProcess, SetUpUnderlinesBothLinksCentresAndTakesTheCapture) {
    run([](HWND box) {
        for (int id : {IDC_ABOUT_FIRST_LINK, IDC_ABOUT_SECOND_LINK}) {
            EXPECT_TRUE(underlined(GetDlgItem(box, id)));
            EXPECT_EQ(SCRIBLET_MAKER_ADDRESS, toolTipText(GetDlgItem(box, id)));
        }
        EXPECT_EQ(box, GetCapture());
        EXPECT_EQ(GetDlgItem(box, IDOK), GetFocus());
        // Without an owner: centred in the work area.
        RECT area{};
        SystemParametersInfoA(SPI_GETWORKAREA, 0, &area, 0);
        RECT rect{};
        GetWindowRect(box, &rect);
        EXPECT_NEAR((area.left + area.right) / 2, (rect.left + rect.right) / 2, 1);
        EXPECT_NEAR((area.top + area.bottom) / 2, (rect.top + rect.bottom) / 2, 1);
    });
}

struct ColourCase {
    UINT message;
    int id;  // 0: the box itself
    COLORREF text;
    COLORREF background;
};

const COLORREF kWhite = RGB(255, 255, 255);
const COLORREF kLightBlue = RGB(102, 102, 255);
const COLORREF kOrange = RGB(255, 102, 0);

const ColourCase kColourCases[] = {
    {WM_CTLCOLORSTATIC, IDC_ABOUT_FIRST_LINK, kOrange, kWhite},
    {WM_CTLCOLORSTATIC, IDC_ABOUT_SECOND_LINK, kOrange, kWhite},
    {WM_CTLCOLORSTATIC, IDC_ABOUT_LOGO, kLightBlue, kWhite},
    {WM_CTLCOLORSTATIC, -1, kLightBlue, kWhite},
    {WM_CTLCOLORSTATIC, IDC_ABOUT_FRAME, kLightBlue, kLightBlue},
    {WM_CTLCOLORBTN, IDOK, kLightBlue, kWhite},
    {WM_CTLCOLORDLG, 0, kLightBlue, kWhite},
};

TEST_F(AboutBoxInProcess, ColoursWhiteBackgroundOrangeLinksLightBlueElse) {
    run([&](HWND box) {
        for (const ColourCase& c : kColourCases) {
            HWND control = c.id ? GetDlgItem(box, c.id) : box;
            if (c.id == -1) control = GetWindow(box, GW_CHILD);
            const ColourAnswer answer = colourAnswer(box, c.message, control);
            EXPECT_EQ(reinterpret_cast<LRESULT>(brushes_.background), answer.brush) << "control " << c.id;
            EXPECT_EQ(c.text, answer.text) << "control " << c.id;
            EXPECT_EQ(c.background, answer.background) << "control " << c.id;
        }
    });
}

TEST_F(AboutBoxInProcess, CursorIsTheHandOverEitherLinkAndTheArrowElsewhere) {
    run([](HWND box) {
        HCURSOR hand = LoadCursorA(GetModuleHandleA(nullptr), "HANDCUR");
        HCURSOR arrow = LoadCursorA(nullptr, MAKEINTRESOURCEA(32512));
        ASSERT_NE(nullptr, hand);
        const struct {
            POINT at;
            HCURSOR expected;
        } moves[] = {
            {centreOf(windowRect(GetDlgItem(box, IDC_ABOUT_FIRST_LINK))), hand},
            {centreOf(windowRect(GetDlgItem(box, IDC_ABOUT_LOGO))), arrow},
            {centreOf(windowRect(GetDlgItem(box, IDC_ABOUT_SECOND_LINK))), hand},
            {kFarAway, arrow},
        };
        for (const auto& move : moves) {
            ASSERT_TRUE(moveCursorTo(move.at));
            PostMessageA(box, WM_MOUSEMOVE, 0, 0);
            pumpFor(30);
            EXPECT_EQ(move.expected, GetCursor()) << move.at.x << "," << move.at.y;
        }
    });
}

// A press as the capture delivers it: to the box, wherever the pointer is.
void pressAt(HWND box, POINT at) {
    moveCursorTo(at);
    PostMessageA(box, WM_LBUTTONDOWN, MK_LBUTTON, 0);
    PostMessageA(box, WM_LBUTTONUP, 0, 0);
}

struct StepRun {
    AboutDialog* about = nullptr;
    std::vector<std::function<void(HWND)>> steps;
    bool finished = false;
};

// Takes the steps one by one from inside the box's own loop (so they pass
// its PreTranslateMessage), waiting while a message box is up.
void runStep(const std::shared_ptr<StepRun>& run, std::size_t index, UINT gapMs) {
    runSoon(
        [run, index, gapMs] {
            // Ended by a step: its loop has returned, or the window is gone.
            if (run->finished || !run->about->handle()) return;
            if (threadMessageBox()) return runStep(run, index, gapMs);
            if (index == run->steps.size()) return run->about->EndDialog(IDCANCEL);
            run->steps[index](run->about->handle());
            runStep(run, index + 1, gapMs);
        },
        gapMs);
}

class AboutBoxLoop : public AboutBoxInProcess {
protected:
    // A box still open after the last step ends with IDCANCEL.
    INT_PTR runSteps(std::vector<std::function<void(HWND)>> steps, UINT gapMs = 150) {
        AboutDialog about(brushes_);
        auto run = std::make_shared<StepRun>();
        run->about = &about;
        run->steps = std::move(steps);
        runStep(run, 0, gapMs);
        const INT_PTR result = about.DoModal();
        run->finished = true;
        return result;
    }
};

// Wine may cancel the box's capture once more, late, when the focus comes
// back from the message box. A cancel that finds the box holding the capture
// after the message was answered shows the box took it back all the same.
struct CaptureWatch {
    HWND box = nullptr;
    std::shared_ptr<SeenMessageBox> message;
    bool heldAfterMessage = false;
};
CaptureWatch captureWatch;

LRESULT CALLBACK watchLateCancel(int code, WPARAM wParam, LPARAM lParam) {
    const auto* sent = reinterpret_cast<const CWPSTRUCT*>(lParam);
    if (code == HC_ACTION && sent->message == WM_CANCELMODE && sent->hwnd == captureWatch.box &&
        captureWatch.message && captureWatch.message->seen && GetCapture() == captureWatch.box) {
        captureWatch.heldAfterMessage = true;
    }
    return CallNextHookEx(nullptr, code, wParam, lParam);
}

class LinkPress : public AboutBoxLoop, public ::testing::WithParamInterface<int> {};

TEST_P(LinkPress, OpensTheAddressOnceKeepsTheBoxAndTakesTheCaptureBack) {
    ScratchClassesRoot classes;
    ASSERT_TRUE(classes.ready());
    auto seen = std::make_shared<SeenMessageBox>();
    bool stillOpen = false;
    HWND captureAfter = nullptr;
    HWND aboutBox = nullptr;
    int opensAfterFirstPress = 0;
    HHOOK hook = SetWindowsHookExA(WH_CALLWNDPROC, &watchLateCancel, nullptr, GetCurrentThreadId());
    const INT_PTR result = runSteps({
        [&](HWND box) {
            aboutBox = box;
            captureWatch = CaptureWatch{box, seen, false};
            seen->answerAll = true;
            answerNextMessageBox(seen);
            pressAt(box, centreOf(windowRect(GetDlgItem(box, GetParam()))));
        },
        [&](HWND box) {
            stillOpen = IsWindowVisible(box) != FALSE;
            captureAfter = GetCapture() == box || captureWatch.heldAfterMessage ? box : GetCapture();
            opensAfterFirstPress = seen->count;
            // Once the box has lost the capture, the press goes to the label itself.
            ReleaseCapture();
            HWND link = GetDlgItem(box, GetParam());
            moveCursorTo(centreOf(windowRect(link)));
            PostMessageA(link, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(2, 2));
            PostMessageA(link, WM_LBUTTONUP, 0, MAKELPARAM(2, 2));
        },
        [&](HWND box) {
            seen->answerAll = false;
            pressAt(box, centreOf(windowRect(GetDlgItem(box, IDC_ABOUT_LOGO))));
        },
    });
    UnhookWindowsHookEx(hook);
    captureWatch = CaptureWatch{};
    seen->answerAll = false;
    // Nothing here can open the address, so each opening is reported: the
    // same address from either half, in a message owned by the box.
    ASSERT_TRUE(seen->seen);
    EXPECT_EQ(std::string("Unable to open hyperlink:\n\n") + kNoAssociation, seen->text);
    EXPECT_EQ(aboutBox, seen->owner);
    EXPECT_TRUE(stillOpen);
    EXPECT_EQ(aboutBox, captureAfter);
    EXPECT_EQ(1, opensAfterFirstPress);
    EXPECT_EQ(2, seen->count) << "one press, one opening";
    EXPECT_EQ(IDOK, result);
}

INSTANTIATE_TEST_SUITE_P(Halves, LinkPress, ::testing::Values(IDC_ABOUT_FIRST_LINK, IDC_ABOUT_SECOND_LINK));

TEST_F(AboutBoxLoop, APressOutsideTheLinksEndsTheBox) {
    EXPECT_EQ(IDOK, runSteps({[](HWND box) { pressAt(box, centreOf(windowRect(GetDlgItem(box, IDC_ABOUT_LOGO)))); }}));
}

TEST_F(AboutBoxLoop, APressAwayFromTheBoxEndsItToo) {
    EXPECT_EQ(IDOK, runSteps({[](HWND box) { pressAt(box, kFarAway); }}));
}

TEST_F(AboutBoxLoop, AQueuedCommandEndsTheBox) {
    EXPECT_EQ(IDOK, runSteps({[](HWND box) { PostMessageA(box, WM_COMMAND, MAKEWPARAM(1234, 0), 0); }}));
}

TEST_F(AboutBoxLoop, LeftAloneTheBoxStaysOpen) {
    EXPECT_EQ(IDCANCEL, runSteps({[](HWND box) { PostMessageA(box, WM_MOUSEMOVE, 0, 0); }}));
}

}  // namespace
}  // namespace scriblet::inproc
