// Every way out of the program saves exactly once, with what the fields show.
#include <gtest/gtest.h>

#include <memory>
#include <thread>

#include "res/resource.h"
#include "tests/driver/scriblet_driver.h"
#include "tests/win/e2e_fixtures.h"

namespace scriblet::e2e {
namespace {

// The two notes once " and more" was typed at the end of the first body.
const std::string kTwoNotesAndMore =
    "010203\r\nAlpha\r\nfirst and more\xB0\r\n"
    "040506\r\nBeta\r\nsecond\xB0\r\n";

using Close = TwoNotesWithSavesCounted;

TEST_F(Close, CloseButtonSavesOnceAndEndsWithStatusThree) {
    app.typeAtEnd(IDC_BODY, " and more");
    app.postButton(IDC_CLOSE_BUTTON);

    EXPECT_EQ(3u, app.waitForExit());
    EXPECT_EQ(1, counter.saves());
    EXPECT_EQ(printable(kTwoNotesAndMore), printable(app.notes().value_or("")));
    EXPECT_EQ(std::vector<std::string>{"notes.txt"}, app.dir().list());
}

struct ClosingWay {
    const char* name;
    void (*close)(const Scriblet&);
    DWORD status;
};

// The close box and the system menu's Close both send the system's close command.
const ClosingWay kClosingWays[] = {
    {"Escape", [](const Scriblet& app) { app.postKey(IDC_TITLE_LIST, VK_ESCAPE); }, 0},
    {"CloseBox", [](const Scriblet& app) { app.postSysCommand(SC_CLOSE); }, 0},
    {"AltF4", [](const Scriblet& app) { app.pressKeys(IDC_BODY, {VK_MENU, VK_F4}); }, 0},
};

// Every way out, for the failed save.
const ClosingWay kEveryWayOut[] = {
    kClosingWays[0],
    kClosingWays[1],
    kClosingWays[2],
    {"Enter", [](const Scriblet& app) { app.postKey(IDC_TITLE, VK_RETURN); }, 0},
    {"CloseButton", [](const Scriblet& app) { app.postButton(IDC_CLOSE_BUTTON); }, 3},
};

void PrintTo(const ClosingWay& way, std::ostream* out) {
    *out << way.name;
}

class CloseWithoutButton : public Close, public ::testing::WithParamInterface<ClosingWay> {};

TEST_P(CloseWithoutButton, SavesTheFieldsDateAndBodyOnce) {
    // Typed, not yet committed by any save: only the fields hold them.
    app.replaceText(IDC_DATE, "0707");
    app.replaceText(IDC_BODY, "changed");
    app.focus(IDC_TITLE_LIST);
    GetParam().close(app);

    EXPECT_EQ(GetParam().status, app.waitForExit());
    EXPECT_EQ(1, counter.saves());
    EXPECT_EQ(printable("0707\r\nAlpha\r\nchanged\xB0\r\n"
                        "040506\r\nBeta\r\nsecond\xB0\r\n"),
              printable(app.notes().value_or("")));
}

// A body typed into "<New>" becomes a note when the body is left, and every
// way out leaves it first, as a click on the close button does.
TEST_P(CloseWithoutButton, SavesABodyTypedIntoNewAsAnUntitledNote) {
    app.selectEntry(2);
    app.type(IDC_BODY, "milk");
    GetParam().close(app);

    EXPECT_EQ(GetParam().status, app.waitForExit());
    EXPECT_EQ(1, counter.saves());
    EXPECT_EQ(printable(kTwoNotes + todayStamp() + "\r\nUntitled\r\nmilk\xB0\r\n"),
              printable(app.notes().value_or("")));
}

INSTANTIATE_TEST_SUITE_P(Ways, CloseWithoutButton, ::testing::ValuesIn(kClosingWays),
                         [](const ::testing::TestParamInfo<ClosingWay>& info) { return info.param.name; });

// A way out whose save fails reports it while the window is shown and keeps
// the window with what was typed, unless the user closes all the same.
class FailedSaveOnTheWayOut : public Close, public ::testing::WithParamInterface<ClosingWay> {
protected:
    // The way out, its file-error box and the question that follows it.
    std::optional<MessageBoxInfo> tryToClose() {
        GetParam().close(app);
        const std::optional<MessageBoxInfo> error = app.waitForMessageBox();
        if (!error) return std::nullopt;
        EXPECT_EQ(BoxIcon::Stop, error->icon);
        EXPECT_NE(std::string::npos, error->text.find(app.dir().file("notes.txt"))) << error->text;
        app.answer(*error, IDOK);
        const std::optional<MessageBoxInfo> question = app.waitForMessageBox();
        if (!question) return std::nullopt;
        EXPECT_EQ("Scriblet could not save your notes.\n\n"
                  "Close Scriblet anyway? What you changed since the last save will be lost.",
                  question->text);
        EXPECT_EQ(BoxIcon::Warning, question->icon);
        EXPECT_TRUE(app.windowShown());
        return question;
    }
};

TEST_P(FailedSaveOnTheWayOut, KeepsTheWindowUntilTheUserClosesAnyway) {
    app.typeAtEnd(IDC_BODY, " and more");
    FileHold hold(app.dir().file("notes.txt"));
    ASSERT_TRUE(hold.held());

    std::optional<MessageBoxInfo> question = tryToClose();
    ASSERT_TRUE(question.has_value());
    app.answer(*question, IDNO);
    ASSERT_TRUE(app.waitIdle());
    EXPECT_TRUE(app.windowShown());
    EXPECT_EQ("first and more", app.text(IDC_BODY));
    // The focus is back where the way out found it; a click on the close button takes it.
    const bool button = std::string(GetParam().name) == "CloseButton";
    EXPECT_EQ(app.control(button ? IDC_CLOSE_BUTTON : IDC_BODY), app.focusedWindow());

    question = tryToClose();
    ASSERT_TRUE(question.has_value());
    app.answer(*question, IDYES);
    EXPECT_EQ(GetParam().status, app.waitForExit());
    hold.release();
    EXPECT_EQ(0, counter.saves());
    EXPECT_EQ(printable(kTwoNotes), printable(app.notes().value_or("")));
}

INSTANTIATE_TEST_SUITE_P(Ways, FailedSaveOnTheWayOut, ::testing::ValuesIn(kEveryWayOut),
                         [](const ::testing::TestParamInfo<ClosingWay>& info) { return info.param.name; });

TEST_F(Close, EnterInTheTitleFieldEndsThroughOkAndSavesTheFields) {
    app.replaceText(IDC_BODY, "body typed");
    app.type(IDC_TITLE, "!");
    ASSERT_EQ("Alpha!", app.text(IDC_TITLE));
    // Ctrl+Enter, from the keyboard, enters nothing (the file cannot carry a
    // line break in a title or date) and is no OK.
    for (int field : {IDC_TITLE, IDC_DATE}) {
        app.pressKeys(field, {VK_CONTROL, VK_RETURN});
        ASSERT_TRUE(app.windowShown()) << field;
    }
    EXPECT_EQ("Alpha!", app.text(IDC_TITLE));
    EXPECT_EQ("010203", app.text(IDC_DATE));
    EXPECT_EQ(0, counter.saves(0));
    // The title field does not want Enter: the dialog manager turns it into OK.
    app.postKey(IDC_TITLE, VK_RETURN);

    const std::optional<DWORD> status = app.waitForExit();
    ASSERT_TRUE(status.has_value());
    EXPECT_NE(3u, *status);
    EXPECT_EQ(1, counter.saves());
    EXPECT_EQ(printable("010203\r\nAlpha!\r\nbody typed\xB0\r\n"
                        "040506\r\nBeta\r\nsecond\xB0\r\n"),
              printable(app.notes().value_or("")));
}

// Log-off and shut-down: the system asks, says the session ends, and then
// ends the process without destroying the window. What was typed between the
// two is saved when the session ends (a body typed into "<New>" as a note).
TEST_F(Close, EndOfTheSessionSavesWhenAskedAndWhatFollowsWhenItEnds) {
    app.typeAtEnd(IDC_BODY, " and more");
    EXPECT_EQ(TRUE, app.sendTo(0, WM_QUERYENDSESSION, 0, ENDSESSION_LOGOFF));
    EXPECT_EQ(1, counter.saves());
    EXPECT_EQ(printable(kTwoNotesAndMore), printable(app.notes().value_or("")));
    app.selectEntry(2);
    app.type(IDC_BODY, "milk");
    app.sendTo(0, WM_ENDSESSION, TRUE, ENDSESSION_LOGOFF);
    app.kill();

    EXPECT_EQ(2, counter.saves());
    EXPECT_EQ(printable(kTwoNotesAndMore + todayStamp() + "\r\nUntitled\r\nmilk\xB0\r\n"),
              printable(app.notes().value_or("")));
    EXPECT_EQ(std::vector<std::string>{"notes.txt"}, app.dir().list());
}

TEST_F(Close, EndOfTheSessionIsRefusedInsideAQuestionAndWhenTheSaveFails) {
    app.typeAtEnd(IDC_BODY, " and more");

    // Asked while the delete question is open: refused at once, nothing saved.
    app.postButton(IDC_DELETE_BUTTON);
    const std::optional<MessageBoxInfo> question = app.waitForMessageBox();
    ASSERT_TRUE(question.has_value());
    EXPECT_EQ(FALSE, app.sendTo(0, WM_QUERYENDSESSION, 0, 0));
    app.sendTo(0, WM_ENDSESSION, FALSE, 0);
    app.answer(*question, IDCANCEL);
    EXPECT_EQ(0, counter.saves());

    // A save that fails is reported and refuses the end; the query waits for the box.
    auto hold = std::make_unique<FileHold>(app.dir().file("notes.txt"));
    ASSERT_TRUE(hold->held());
    std::optional<LRESULT> answer;
    std::thread system([&] { answer = app.sendTo(0, WM_QUERYENDSESSION, 0, 0, 30000); });
    const std::optional<MessageBoxInfo> error = app.waitForMessageBox();
    ASSERT_TRUE(error.has_value());
    EXPECT_EQ(BoxIcon::Stop, error->icon);
    EXPECT_NE(std::string::npos, error->text.find(app.dir().file("notes.txt"))) << error->text;
    app.answer(*error, IDOK);
    system.join();
    EXPECT_EQ(FALSE, answer);
    app.sendTo(0, WM_ENDSESSION, FALSE, 0);
    hold.reset();
    EXPECT_EQ(printable(kTwoNotes), printable(app.notes().value_or("")));

    // The session goes on as before: the close button saves, once.
    app.postButton(IDC_CLOSE_BUTTON);
    EXPECT_EQ(3u, app.waitForExit());
    EXPECT_EQ(1, counter.saves());
    EXPECT_EQ(printable(kTwoNotesAndMore), printable(app.notes().value_or("")));
}

}  // namespace
}  // namespace scriblet::e2e
