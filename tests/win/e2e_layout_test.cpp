// The real window's geometry: where its ten controls sit after set-up and
// after a resize, and how small it can be made.
#include <gtest/gtest.h>

#include <iterator>
#include <string>

#include "res/resource.h"
#include "tests/win/scriblet_driver.h"

namespace scriblet::e2e {
namespace {

// A coordinate or size as a multiple of the client width (x, width) or
// height (y, height) plus a fixed number of pixels.
struct Linear {
    int perSize;
    int offset;
    int at(int size) const { return perSize * size + offset; }
};

struct ExpectedPlace {
    int id;
    const char* name;
    Linear x, y, width, height;
};

// Where each control goes for a client area of W x H pixels.
const ExpectedPlace kPlaces[] = {
    {IDC_TITLE_LIST, "title list", {1, -125}, {0, 0}, {0, 125}, {1, -34}},
    {IDC_DATE_BUTTON, "date button", {1, -147}, {0, 0}, {0, 22}, {0, 21}},
    {IDC_TITLE, "title field", {0, 0}, {0, 0}, {1, -199}, {0, 21}},
    {IDC_TITLE_SEPARATOR, "separator", {1, -199}, {0, 0}, {0, 2}, {0, 21}},
    {IDC_DATE, "date field", {1, -197}, {0, 0}, {0, 50}, {0, 21}},
    {IDC_BODY, "body", {0, 0}, {0, 21}, {1, -125}, {1, -55}},
    {IDC_BOTTOM_BAR, "bottom bar", {0, 0}, {1, -34}, {1, 0}, {0, 34}},
    {IDC_CLOSE_BUTTON, "close button", {0, 10}, {1, -28}, {0, 56}, {0, 23}},
    {IDC_DELETE_BUTTON, "delete button", {1, -85}, {1, -28}, {0, 23}, {0, 23}},
    {IDC_UNDO_BUTTON, "undo button", {1, -62}, {1, -28}, {0, 23}, {0, 23}},
};

std::string describe(const RECT& r) {
    return "(" + std::to_string(r.left) + ", " + std::to_string(r.top) + ") " + std::to_string(r.right - r.left) +
           " x " + std::to_string(r.bottom - r.top);
}

void expectLaidOut(const Scriblet& app) {
    const RECT client = app.clientRect();
    const int w = client.right;
    const int h = client.bottom;
    for (const ExpectedPlace& place : kPlaces) {
        const RECT expected{place.x.at(w), place.y.at(h), place.x.at(w) + place.width.at(w),
                            place.y.at(h) + place.height.at(h)};
        EXPECT_EQ(describe(expected), describe(app.controlRect(place.id)))
            << place.name << " in a client area of " << w << " x " << h;
    }
}

void resizeWindow(const Scriblet& app, int width, int height) {
    SetWindowPos(app.window(), nullptr, 0, 0, width, height, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    app.waitIdle();
}

TEST(WindowLayout, ControlsFollowTheLayoutTableAfterSetUp) {
    Scriblet app;
    ASSERT_TRUE(app.started());
    const RECT client = app.clientRect();
    ASSERT_GT(client.right, 199);
    ASSERT_GT(client.bottom, 55);
    expectLaidOut(app);
}

TEST(WindowLayout, GrowingByAHundredMovesAndWidensTheRightControls) {
    Scriblet app;
    ASSERT_TRUE(app.started());
    RECT before[std::size(kPlaces)];
    for (std::size_t i = 0; i < std::size(kPlaces); ++i) before[i] = app.controlRect(kPlaces[i].id);
    const RECT clientBefore = app.clientRect();
    const RECT frame = windowRect(app.window());

    resizeWindow(app, frame.right - frame.left + 100, frame.bottom - frame.top + 100);
    const RECT clientAfter = app.clientRect();
    ASSERT_EQ(clientBefore.right + 100, clientAfter.right);
    ASSERT_EQ(clientBefore.bottom + 100, clientAfter.bottom);

    // Per control, in hundreds of pixels: moved right, moved down, wider, higher.
    struct Change {
        int id;
        int right, down, wider, higher;
    };
    const Change changes[] = {
        {IDC_TITLE_LIST, 1, 0, 0, 1},    {IDC_DATE_BUTTON, 1, 0, 0, 0},  {IDC_TITLE, 0, 0, 1, 0},
        {IDC_TITLE_SEPARATOR, 1, 0, 0, 0}, {IDC_DATE, 1, 0, 0, 0},     {IDC_BODY, 0, 0, 1, 1},
        {IDC_BOTTOM_BAR, 0, 1, 1, 0},    {IDC_CLOSE_BUTTON, 0, 1, 0, 0}, {IDC_DELETE_BUTTON, 1, 1, 0, 0},
        {IDC_UNDO_BUTTON, 1, 1, 0, 0},
    };
    for (std::size_t i = 0; i < std::size(kPlaces); ++i) {
        const Change& change = changes[i];
        ASSERT_EQ(kPlaces[i].id, change.id);
        const RECT was = before[i];
        const RECT expected{was.left + 100 * change.right, was.top + 100 * change.down,
                            was.right + 100 * (change.right + change.wider),
                            was.bottom + 100 * (change.down + change.higher)};
        EXPECT_EQ(describe(expected), describe(app.controlRect(change.id))) << kPlaces[i].name;
    }
    expectLaidOut(app);
}

TEST(WindowLayout, WindowCannotBeMadeSmallerThanTheMinimum) {
    Scriblet app;
    ASSERT_TRUE(app.started());
    resizeWindow(app, 100, 100);
    const RECT frame = windowRect(app.window());
    EXPECT_EQ(282, frame.right - frame.left);
    EXPECT_EQ(172, frame.bottom - frame.top);
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
    EXPECT_EQ(282, frame.right - frame.left);
    EXPECT_EQ(172, frame.bottom - frame.top);
    expectLaidOut(app);

    // The same drag outwards grows it by as much as the mouse moved.
    dragCorner(app, 150, 120);
    frame = windowRect(app.window());
    EXPECT_EQ(432, frame.right - frame.left);
    EXPECT_EQ(292, frame.bottom - frame.top);
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
    struct Expected {
        int id;
        int top;
    };
    for (const auto& field : {Expected{IDC_TITLE, 6}, Expected{IDC_DATE, 6}, Expected{IDC_BODY, 4}}) {
        RECT format{};
        DWORD_PTR ignored = 0;
        SendMessageTimeoutA(app.control(field.id), EM_GETRECT, 0, reinterpret_cast<LPARAM>(&format), SMTO_NORMAL,
                            5000, &ignored);
        EXPECT_EQ(field.top, format.top) << "control " << field.id;
        EXPECT_GE(format.left, 4) << "control " << field.id;
    }
}

TEST(WindowLayout, MinimisingLeavesTheControlsWhereTheyAre) {
    Scriblet app;
    ASSERT_TRUE(app.started());
    const RECT client = app.clientRect();
    RECT before[std::size(kPlaces)];
    for (std::size_t i = 0; i < std::size(kPlaces); ++i) before[i] = app.controlRect(kPlaces[i].id);

    ShowWindow(app.window(), SW_MINIMIZE);
    app.waitIdle();
    ASSERT_TRUE(IsIconic(app.window()));
    EXPECT_EQ(0, app.clientRect().right);
    // A minimised window's 0 x 0 client area is not laid out.
    for (std::size_t i = 0; i < std::size(kPlaces); ++i) {
        EXPECT_EQ(describe(before[i]), describe(app.controlRect(kPlaces[i].id))) << kPlaces[i].name;
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
