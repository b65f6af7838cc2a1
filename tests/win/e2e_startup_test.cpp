// The program starts, shows its window from the template, and ends the two ways it can.
#include <gtest/gtest.h>

#include "res/resource.h"
#include "tests/driver/scriblet_driver.h"

namespace scriblet::e2e {
namespace {

struct ExpectedControl {
    int id;
    const char* className;
    DWORD style;  // styles that must be set
    DWORD absent;  // styles that must not be set
};

// Class names as Win32 reports them; RICHED32 registers "RICHEDIT".
const ExpectedControl kControls[] = {
    {IDC_TITLE_LIST, "ListBox", WS_TABSTOP | LBS_NOINTEGRALHEIGHT | LBS_NOTIFY,
     WS_BORDER | LBS_SORT},
    {IDC_TITLE, "Edit", WS_TABSTOP | ES_MULTILINE | ES_AUTOHSCROLL, WS_BORDER | ES_WANTRETURN},
    {IDC_DATE, "Edit", WS_TABSTOP | ES_MULTILINE | ES_AUTOHSCROLL | ES_CENTER, WS_BORDER | ES_WANTRETURN},
    {IDC_BODY, "RICHEDIT", WS_VSCROLL | WS_TABSTOP | ES_MULTILINE, WS_BORDER},
    {IDC_BOTTOM_BAR, "Static", SS_WHITERECT, 0},
    {IDC_DELETE_BUTTON, "Button", BS_OWNERDRAW | BS_ICON, WS_TABSTOP},
    {IDC_UNDO_BUTTON, "Button", BS_OWNERDRAW | BS_ICON, WS_TABSTOP},
    {IDC_CLOSE_BUTTON, "Button", WS_TABSTOP | BS_OWNERDRAW, 0},
    {IDC_DATE_BUTTON, "Button", BS_OWNERDRAW, WS_TABSTOP},
    {IDC_TITLE_SEPARATOR, "Static", SS_WHITERECT, 0},
};

TEST(Startup, WindowHasItsCaptionStylesAndTenControlsInTabOrder) {
    Scriblet app;
    ASSERT_TRUE(app.started());

    char caption[64] = {};
    GetWindowTextA(app.window(), caption, sizeof caption);
    EXPECT_STREQ("Scriblet", caption);
    const LONG style = GetWindowLongA(app.window(), GWL_STYLE);
    EXPECT_TRUE(style & WS_CAPTION);
    EXPECT_TRUE(style & WS_SYSMENU);
    EXPECT_TRUE(style & WS_THICKFRAME);
    EXPECT_TRUE(style & WS_MINIMIZEBOX);
    EXPECT_FALSE(style & WS_MAXIMIZEBOX);
    EXPECT_TRUE(GetWindowLongA(app.window(), GWL_EXSTYLE) & WS_EX_APPWINDOW);

    // Child windows come in template order, which is also the tab order.
    HWND child = GetWindow(app.window(), GW_CHILD);
    for (const ExpectedControl& expected : kControls) {
        ASSERT_NE(nullptr, child) << "missing control " << expected.id;
        EXPECT_EQ(expected.id, GetDlgCtrlID(child));
        char className[64] = {};
        GetClassNameA(child, className, sizeof className);
        EXPECT_STRCASEEQ(expected.className, className) << "control " << expected.id;
        const DWORD childStyle = static_cast<DWORD>(GetWindowLongA(child, GWL_STYLE));
        EXPECT_EQ(expected.style, childStyle & expected.style) << "control " << expected.id;
        EXPECT_EQ(0u, childStyle & expected.absent) << "control " << expected.id;
        EXPECT_TRUE(childStyle & WS_VISIBLE) << "control " << expected.id;
        child = GetWindow(child, GW_HWNDNEXT);
    }
    EXPECT_EQ(nullptr, child) << "more than ten controls";
    EXPECT_TRUE(GetWindowLongA(app.control(IDC_BODY), GWL_EXSTYLE) & WS_EX_TRANSPARENT);
}

TEST(Startup, EachWayOutEndsTheProcessWithItsStatus) {
    struct WayOut {
        const char* name;
        void (*take)(Scriblet&);
        DWORD status;
    };
    const WayOut kWaysOut[] = {
        {"close button", [](Scriblet& app) { app.postButton(IDC_CLOSE_BUTTON); }, 3},
        {"Escape", [](Scriblet& app) { app.postKey(IDC_TITLE_LIST, VK_ESCAPE); }, 0},
        {"close box", [](Scriblet& app) { app.postSysCommand(SC_CLOSE); }, 0},
    };
    for (const WayOut& way : kWaysOut) {
        SCOPED_TRACE(way.name);
        Scriblet app;
        ASSERT_TRUE(app.started());
        way.take(app);
        EXPECT_EQ(way.status, app.waitForExit());
    }
}

TEST(Startup, ArgumentsOnTheCommandLineChangeNothing) {
    Scriblet::Options options = withNotes("120603\r\nShopping\r\nmilk\xB0\r\n");
    options.arguments = "/x other.txt --help";
    Scriblet app(options);
    ASSERT_TRUE(app.started());
    EXPECT_EQ((std::vector<std::string>{"Shopping", "<New>"}), app.listEntries());
    app.postButton(IDC_CLOSE_BUTTON);
    EXPECT_EQ(3u, app.waitForExit());
    EXPECT_FALSE(app.dir().exists("other.txt"));
}

}  // namespace
}  // namespace scriblet::e2e
