// The real window's geometry: its ten controls sit where the program's layout
// table puts them, after set-up and after a resize, and it is made no smaller
// than its minimum. The table's own values are checked by the unit tests.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/driver/scriblet_driver.h"
#include "ui/main/layout.h"

namespace scriblet::e2e {
namespace {

std::string describe(const RECT& r) {
    return "(" + std::to_string(r.left) + ", " + std::to_string(r.top) + ") " + std::to_string(r.right - r.left) +
           " x " + std::to_string(r.bottom - r.top);
}

void expectLaidOut(const Scriblet& app) {
    const RECT client = app.clientRect();
    for (const ControlPlacement& place : mainWindowLayout(client.right, client.bottom)) {
        const RECT expected{place.x, place.y, place.x + place.width, place.y + place.height};
        EXPECT_EQ(describe(expected), describe(app.controlRect(place.controlId)))
            << "control " << place.controlId << " in a client area of " << client.right << " x " << client.bottom;
    }
}

void resizeWindow(const Scriblet& app, int width, int height) {
    SetWindowPos(app.window(), nullptr, 0, 0, width, height, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    app.waitIdle();
}

TEST(WindowLayout, ControlsFollowTheLayoutTableAfterSetUp) {
    Scriblet app;
    ASSERT_TRUE(app.started());
    // It opens large enough for every control to be seen.
    const RECT client = app.clientRect();
    for (const ControlPlacement& place : mainWindowLayout(client.right, client.bottom)) {
        ASSERT_GT(place.width, 0) << "control " << place.controlId;
        ASSERT_GT(place.height, 0) << "control " << place.controlId;
    }
    expectLaidOut(app);
}

TEST(WindowLayout, GrowingByAHundredLaysTheControlsOutForTheNewSize) {
    Scriblet app;
    ASSERT_TRUE(app.started());
    const RECT clientBefore = app.clientRect();
    const RECT frame = windowRect(app.window());

    resizeWindow(app, frame.right - frame.left + 100, frame.bottom - frame.top + 100);
    const RECT clientAfter = app.clientRect();
    ASSERT_EQ(clientBefore.right + 100, clientAfter.right);
    ASSERT_EQ(clientBefore.bottom + 100, clientAfter.bottom);
    expectLaidOut(app);
}

TEST(WindowLayout, WindowCannotBeMadeSmallerThanTheMinimum) {
    Scriblet app;
    ASSERT_TRUE(app.started());
    resizeWindow(app, 100, 100);
    const RECT frame = windowRect(app.window());
    EXPECT_EQ(kMinimumTrackWidth, frame.right - frame.left);
    EXPECT_EQ(kMinimumTrackHeight, frame.bottom - frame.top);
    expectLaidOut(app);
}

// Mouse input as the user gives it, at a point on the screen.
void mouseAt(int x, int y, DWORD buttons = 0) {
    INPUT input{};
    input.type = INPUT_MOUSE;
    input.mi.dx = x * 65535 / (GetSystemMetrics(SM_CXSCREEN) - 1);
    input.mi.dy = y * 65535 / (GetSystemMetrics(SM_CYSCREEN) - 1);
    input.mi.dwFlags = buttons | MOUSEEVENTF_MOVE | MOUSEEVENTF_ABSOLUTE;
    SendInput(1, &input, sizeof input);
    Sleep(30);
}

// Drags the window's bottom right corner by dx, dy in small steps.
void dragCorner(const Scriblet& app, int dx, int dy) {
    const RECT frame = windowRect(app.window());
    const int x = frame.right - 2;
    const int y = frame.bottom - 2;
    mouseAt(x, y);
    mouseAt(x, y, MOUSEEVENTF_LEFTDOWN);
    const int steps = 10;
    for (int i = 1; i <= steps; ++i) mouseAt(x + dx * i / steps, y + dy * i / steps);
    mouseAt(x + dx, y + dy, MOUSEEVENTF_LEFTUP);
    app.waitIdle();
}

TEST(WindowLayout, DraggingTheFrameStopsAtTheMinimumSize) {
    Scriblet app;
    ASSERT_TRUE(app.started());
    dragCorner(app, -400, -400);
    RECT frame = windowRect(app.window());
    EXPECT_EQ(kMinimumTrackWidth, frame.right - frame.left);
    EXPECT_EQ(kMinimumTrackHeight, frame.bottom - frame.top);
    expectLaidOut(app);

    // The same drag outwards grows it by as much as the mouse moved.
    dragCorner(app, 150, 120);
    frame = windowRect(app.window());
    EXPECT_EQ(kMinimumTrackWidth + 150, frame.right - frame.left);
    EXPECT_EQ(kMinimumTrackHeight + 120, frame.bottom - frame.top);
    expectLaidOut(app);
    mouseAt(0, 0);
}

// What the fields report back: the edit controls add their margins, round
// the bottom to whole lines and the rich edit clips to its client area, so
// only the top edge and the left inset come back as the layout set them
// (the exact rectangles sent are checked in-process).
TEST(WindowLayout, FieldsTextIsInsetByTheirFormattingRectangles) {
    Scriblet app;
    ASSERT_TRUE(app.started());
    const RECT client = app.clientRect();
    int fields = 0;
    for (const ControlPlacement& place : mainWindowLayout(client.right, client.bottom)) {
        if (place.formatKind == FormatRect::None) continue;
        ++fields;
        RECT format{};
        DWORD_PTR ignored = 0;
        SendMessageTimeoutA(app.control(place.controlId), EM_GETRECT, 0, reinterpret_cast<LPARAM>(&format),
                            SMTO_NORMAL, 5000, &ignored);
        EXPECT_EQ(place.format.top, format.top) << "control " << place.controlId;
        EXPECT_GE(format.left, place.format.left) << "control " << place.controlId;
    }
    EXPECT_EQ(3, fields);
}

TEST(WindowLayout, MinimisingLeavesTheControlsWhereTheyAre) {
    Scriblet app;
    ASSERT_TRUE(app.started());
    const RECT client = app.clientRect();
    const auto controls = mainWindowLayout(client.right, client.bottom);
    std::vector<RECT> before;
    for (const ControlPlacement& place : controls) before.push_back(app.controlRect(place.controlId));

    ShowWindow(app.window(), SW_MINIMIZE);
    app.waitIdle();
    ASSERT_TRUE(IsIconic(app.window()));
    EXPECT_EQ(0, app.clientRect().right);
    // A minimised window's 0 x 0 client area is not laid out.
    for (std::size_t i = 0; i < controls.size(); ++i) {
        EXPECT_EQ(describe(before[i]), describe(app.controlRect(controls[i].controlId)))
            << "control " << controls[i].controlId;
    }

    ShowWindow(app.window(), SW_RESTORE);
    app.waitIdle();
    ASSERT_FALSE(IsIconic(app.window()));
    EXPECT_EQ(client.right, app.clientRect().right);
    EXPECT_EQ(client.bottom, app.clientRect().bottom);
    expectLaidOut(app);
}

}  // namespace
}  // namespace scriblet::e2e
