// What the real window shows, read back from the screen: the colours of its
// fields, list and bars, and the picture each button draws in each state.
#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "res/resource.h"
#include "tests/driver/pixels.h"
#include "tests/driver/scriblet_driver.h"

namespace scriblet::e2e {
namespace {

constexpr COLORREF kWhite = RGB(255, 255, 255);
constexpr COLORREF kAccent = RGB(102, 102, 255);

// Waits until the program has painted, then copies a window's client area
// from the screen.
std::unique_ptr<Pixels> captureClient(const Scriblet& app, HWND window) {
    RedrawWindow(app.window(), nullptr, nullptr, RDW_UPDATENOW | RDW_ALLCHILDREN);
    app.waitIdle();
    GdiFlush();
    Sleep(100);
    app.waitIdle();
    RECT client{};
    GetClientRect(window, &client);
    POINT origin{0, 0};
    ClientToScreen(window, &origin);
    auto pixels = std::make_unique<Pixels>(client.right, client.bottom);
    HDC screen = GetDC(nullptr);
    pixels->copyFrom(screen, origin.x, origin.y);
    ReleaseDC(nullptr, screen);
    return pixels;
}

// Text in `region` is drawn in `text` on `background`: its pixels are there,
// and between its strokes the background shows (not a box of another colour).
void expectTextOn(const Pixels& pixels, const RECT& region, COLORREF text, COLORREF background, const char* where) {
    const RECT box = pixels.bounds(region, text);
    ASSERT_GT(pixels.count(box, text), 10) << where << ": no text in " << colourName(text);
    const int area = (box.right - box.left) * (box.bottom - box.top);
    EXPECT_GT(pixels.count(box, background) * 4, area) << where << ": text not on " << colourName(background);
    EXPECT_EQ(0, pixels.count(region, RGB(0, 0, 0))) << where;
}

const char kOneNote[] = "120626\r\nShopping\r\nmilk\r\r\nbread\xB0\r\n";

class WindowColours : public ::testing::Test {
protected:
    void SetUp() override {
        app_ = std::make_unique<Scriblet>(withNotes(kOneNote));
        ASSERT_TRUE(app_->started());
    }

    // The colour of a point in a control's client area.
    COLORREF colourIn(int id, int x, int y) const {
        return captureClient(*app_, app_->control(id))->at(x, y);
    }

    std::unique_ptr<Scriblet> app_;
};

TEST_F(WindowColours, BackgroundsOfFieldsListAndBars) {
    const auto window = captureClient(*app_, app_->window());
    const RECT client = app_->clientRect();
    const int w = client.right;
    const int h = client.bottom;
    struct Sample {
        const char* where;
        int x, y;
        COLORREF colour;
    };
    // Points inside each control, away from any text.
    const Sample samples[] = {
        {"title field, right end", w - 199 - 6, 2, kAccent},
        {"date field, left end", w - 197 + 2, 2, kAccent},
        {"date field, right end", w - 147 - 2, 18, kAccent},
        {"separator", w - 198, 10, kWhite},
        {"body, lower left", 10, h - 45, kWhite},
        {"body, upper middle", (w - 125) / 2, 60, kWhite},
        {"title list, below the titles", w - 60, h - 45, kWhite},
        {"bottom bar, between the buttons", (66 + w - 85) / 2, h - 17, kWhite},
        {"bottom bar, left corner", 2, h - 2, kWhite},
        {"bottom bar, under the undo button", w - 50, h - 3, kWhite},
    };
    for (const Sample& s : samples) {
        EXPECT_EQ(colourName(s.colour), colourName(window->at(s.x, s.y))) << s.where;
    }
}

TEST_F(WindowColours, TitleAndDateShowWhiteTextOnTheAccent) {
    app_->replaceText(IDC_TITLE, "MMMM");
    app_->focus(IDC_TITLE_LIST);
    for (int id : {IDC_TITLE, IDC_DATE}) {
        const auto field = captureClient(*app_, app_->control(id));
        const RECT all{0, 0, field->width(), field->height()};
        expectTextOn(*field, all, kWhite, kAccent, id == IDC_TITLE ? "title field" : "date field");
    }
}

TEST_F(WindowColours, BodyShowsAccentTextOnWhite) {
    app_->replaceText(IDC_BODY, "MMMM");
    app_->focus(IDC_TITLE_LIST);
    const auto body = captureClient(*app_, app_->control(IDC_BODY));
    expectTextOn(*body, RECT{0, 0, 80, 25}, kAccent, kWhite, "body");
}

TEST_F(WindowColours, ListShowsAccentTitlesOnWhite) {
    // Entry 1, "<New>", is not selected, so it has the window's colours.
    RECT entry{};
    DWORD_PTR ignored = 0;
    SendMessageTimeoutA(app_->control(IDC_TITLE_LIST), LB_GETITEMRECT, 1, reinterpret_cast<LPARAM>(&entry),
                        SMTO_NORMAL, 5000, &ignored);
    ASSERT_GT(entry.bottom, entry.top);
    const auto list = captureClient(*app_, app_->control(IDC_TITLE_LIST));
    expectTextOn(*list, entry, kAccent, kWhite, "title list");
}

// A bitmap of scriblet.exe's resources, drawn into pixels of its own size.
std::unique_ptr<Pixels> programBitmap(const std::string& name) {
    HMODULE program = LoadLibraryExA(programPath().c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
    if (!program) return nullptr;
    auto bitmap = static_cast<HBITMAP>(LoadImageA(program, name.c_str(), IMAGE_BITMAP, 0, 0, LR_CREATEDIBSECTION));
    FreeLibrary(program);
    std::unique_ptr<Pixels> pixels = pixelsOf(bitmap);
    if (bitmap) DeleteObject(bitmap);
    return pixels;
}

class ButtonPictures : public WindowColours {
protected:
    // The button shows exactly the named picture: unscaled, from its top left
    // corner, no text and no focus rectangle.
    void expectShows(int id, const std::string& picture) const {
        const auto expected = programBitmap(picture);
        ASSERT_NE(nullptr, expected) << "scriblet.exe has no bitmap " << picture;
        const auto shown = captureClient(*app_, app_->control(id));
        EXPECT_EQ("", shown->differenceFrom(*expected)) << "control " << id << " should show " << picture;
    }
    void setPressed(int id, bool pressed) const { app_->sendTo(id, BM_SETSTATE, pressed ? TRUE : FALSE, 0); }
    void giveFocus(int id) const {
        app_->sendTo(0, WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(app_->control(id)), TRUE);
    }
};

TEST_F(ButtonPictures, AtStartEachButtonShowsItsNormalPictureAndUndoItsDisabledOne) {
    EXPECT_FALSE(app_->enabled(IDC_UNDO_BUTTON));
    expectShows(IDC_DELETE_BUTTON, "DELBUTTONU");
    expectShows(IDC_UNDO_BUTTON, "UNDOBUTTONX");
    expectShows(IDC_DATE_BUTTON, "DATEBUTTONU");
    expectShows(IDC_CLOSE_BUTTON, "OKU");
}

TEST_F(ButtonPictures, CloseButtonShowsItsFocusAndPressedPictures) {
    giveFocus(IDC_CLOSE_BUTTON);
    ASSERT_EQ(app_->control(IDC_CLOSE_BUTTON), app_->focusedWindow());
    expectShows(IDC_CLOSE_BUTTON, "OKF");
    setPressed(IDC_CLOSE_BUTTON, true);
    expectShows(IDC_CLOSE_BUTTON, "OKD");
    setPressed(IDC_CLOSE_BUTTON, false);
    expectShows(IDC_CLOSE_BUTTON, "OKF");
    giveFocus(IDC_TITLE_LIST);
    expectShows(IDC_CLOSE_BUTTON, "OKU");
}

TEST_F(ButtonPictures, PressedButtonsShowTheirPressedPictures) {
    const struct {
        int id;
        const char* pressed;
        const char* normal;
    } buttons[] = {
        {IDC_DELETE_BUTTON, "DELBUTTOND", "DELBUTTONU"},
        {IDC_DATE_BUTTON, "DATEBUTTOND", "DATEBUTTONU"},
    };
    for (const auto& button : buttons) {
        setPressed(button.id, true);
        expectShows(button.id, button.pressed);
        setPressed(button.id, false);
        expectShows(button.id, button.normal);
    }
}

TEST_F(ButtonPictures, EnabledUndoButtonShowsItsNormalPictureAndItsPressedOne) {
    EnableWindow(app_->control(IDC_UNDO_BUTTON), TRUE);
    expectShows(IDC_UNDO_BUTTON, "UNDOBUTTONU");
    setPressed(IDC_UNDO_BUTTON, true);
    expectShows(IDC_UNDO_BUTTON, "UNDOBUTTOND");
    setPressed(IDC_UNDO_BUTTON, false);
}

}  // namespace
}  // namespace scriblet::e2e
