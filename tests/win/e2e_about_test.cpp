// The about box of the real program: opened from the system menu, ended by a
// press of the real mouse outside its links.
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "res/resource.h"
#include "tests/driver/scriblet_driver.h"

namespace scriblet::e2e {
namespace {

// A press and release of the left button at a point of the screen, through
// the system's input queue as the user's mouse gives it.
void clickScreen(POINT at) {
    SetCursorPos(at.x, at.y);
    INPUT input[2] = {};
    input[0].type = INPUT_MOUSE;
    input[0].mi.dwFlags = MOUSEEVENTF_LEFTDOWN;
    input[1].type = INPUT_MOUSE;
    input[1].mi.dwFlags = MOUSEEVENTF_LEFTUP;
    SendInput(2, input, sizeof(INPUT));
}

// Chooses the system menu's about entry and returns the box once it is up.
HWND openAboutBox(const Scriblet& app) {
    app.postSysCommand(IDM_ABOUTBOX);
    const auto box = app.waitForMessageBox();
    if (!box || !GetDlgItem(box->handle, IDC_ABOUT_FIRST_LINK)) return nullptr;
    DWORD_PTR ignored = 0;
    SendMessageTimeoutA(box->handle, WM_NULL, 0, 0, SMTO_NORMAL, 5000, &ignored);
    return box->handle;
}

// What the main window shows, to compare before and after the box.
struct WindowState {
    RECT rect;
    std::vector<std::string> entries;
    int selection;
    std::string title;
    std::string date;
    std::string body;
    bool enabled;
};

WindowState stateOf(const Scriblet& app) {
    return {windowRect(app.window()), app.listEntries(), app.listSelection(), app.text(IDC_TITLE),
            app.text(IDC_DATE),       app.text(IDC_BODY), IsWindowEnabled(app.window()) != FALSE};
}

void expectSame(const WindowState& before, const WindowState& after) {
    EXPECT_TRUE(EqualRect(&before.rect, &after.rect));
    EXPECT_EQ(before.entries, after.entries);
    EXPECT_EQ(before.selection, after.selection);
    EXPECT_EQ(before.title, after.title);
    EXPECT_EQ(before.date, after.date);
    EXPECT_EQ(before.body, after.body);
    EXPECT_EQ(before.enabled, after.enabled);
}

TEST(AboutBox, OpensCentredOverTheWindowWithTheAddressInTwoHalves) {
    Scriblet app;
    ASSERT_TRUE(app.started());
    HWND box = openAboutBox(app);
    ASSERT_NE(nullptr, box);

    EXPECT_TRUE(IsWindowVisible(box));
    EXPECT_EQ(0, GetWindowLongA(box, GWL_STYLE) & WS_CAPTION);
    EXPECT_EQ(app.window(), GetWindow(box, GW_OWNER));
    EXPECT_FALSE(IsWindowEnabled(app.window())) << "the main window stays usable under the box";

    const POINT boxCentre = centreOf(windowRect(box));
    const POINT windowCentre = centreOf(windowRect(app.window()));
    EXPECT_LE(std::abs(boxCentre.x - windowCentre.x), 1);
    EXPECT_LE(std::abs(boxCentre.y - windowCentre.y), 1);

    const std::string first = windowText(GetDlgItem(box, IDC_ABOUT_FIRST_LINK));
    const std::string second = windowText(GetDlgItem(box, IDC_ABOUT_SECOND_LINK));
    EXPECT_EQ("www.scribletapp.", first);
    EXPECT_EQ("www.scribletapp.example/", first + second);
    // Side by side on one line.
    EXPECT_EQ(windowRect(GetDlgItem(box, IDC_ABOUT_FIRST_LINK)).right,
              windowRect(GetDlgItem(box, IDC_ABOUT_SECOND_LINK)).left);
    EXPECT_EQ(windowRect(GetDlgItem(box, IDC_ABOUT_FIRST_LINK)).top,
              windowRect(GetDlgItem(box, IDC_ABOUT_SECOND_LINK)).top);
}

TEST(AboutBox, APressOutsideTheLinksClosesItAndLeavesTheWindowAsItWas) {
    Scriblet app;
    ASSERT_TRUE(app.started());
    app.type(IDC_TITLE, "groceries");
    ASSERT_TRUE(app.waitIdle());
    const WindowState before = stateOf(app);

    HWND box = openAboutBox(app);
    ASSERT_NE(nullptr, box);
    clickScreen(centreOf(windowRect(GetDlgItem(box, IDC_ABOUT_LOGO))));
    EXPECT_TRUE(waitUntil([&] { return !IsWindow(box); })) << "the box is still open";
    ASSERT_TRUE(app.waitIdle());
    ASSERT_TRUE(app.running());
    expectSame(before, stateOf(app));
}

TEST(AboutBox, APressOverTheMainWindowClosesTheBox) {
    Scriblet app;
    ASSERT_TRUE(app.started());
    const WindowState before = stateOf(app);
    HWND box = openAboutBox(app);
    ASSERT_NE(nullptr, box);

    // A point of the body field that the box does not cover.
    const RECT body = app.controlRect(IDC_BODY);
    POINT over{body.left + 8, body.top + 8};
    ClientToScreen(app.window(), &over);
    const RECT boxRect = windowRect(box);
    ASSERT_FALSE(PtInRect(&boxRect, over));
    clickScreen(over);
    EXPECT_TRUE(waitUntil([&] { return !IsWindow(box); })) << "the box is still open";
    ASSERT_TRUE(app.waitIdle());
    expectSame(before, stateOf(app));
}

}  // namespace
}  // namespace scriblet::e2e
