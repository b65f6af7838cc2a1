// A save that cannot write notes.txt is reported, keeps the file as it was
// and leaves the window open; the user can try again.
#include <gtest/gtest.h>

#include <functional>
#include <memory>

#include "res/resource.h"
#include "tests/driver/scriblet_driver.h"
#include "tests/win/e2e_fixtures.h"

namespace scriblet::e2e {
namespace {

void expectFileErrorBox(const Scriblet& app) {
    const std::optional<MessageBoxInfo> box = app.waitForMessageBox();
    ASSERT_TRUE(box.has_value());
    EXPECT_EQ("scriblet", box->caption);
    EXPECT_NE(std::string::npos, box->text.find(app.dir().file("notes.txt"))) << box->text;
    EXPECT_EQ(BoxIcon::Stop, box->icon);
    EXPECT_FALSE(box->hasCancel);
    app.answer(*box, IDOK);
    ASSERT_TRUE(app.waitIdle());
}

// What stops the save, and how it is lifted again.
struct Obstacle {
    const char* name;
    std::function<std::function<void()>(const ScratchDir&)> raise;  // returns the lift
};

void PrintTo(const Obstacle& obstacle, std::ostream* out) {
    *out << obstacle.name;
}

const Obstacle kObstacles[] = {
    {"ReadOnly",
     [](const ScratchDir& dir) -> std::function<void()> {
         const std::string path = dir.file("notes.txt");
         SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_READONLY);
         return [path] { SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_NORMAL); };
     }},
    {"HeldOpenWithoutSharing",
     [](const ScratchDir& dir) -> std::function<void()> {
         auto hold = std::make_shared<FileHold>(dir.file("notes.txt"));
         EXPECT_TRUE(hold->held());
         return [hold] { hold->release(); };
     }},
};

class FailedSave : public ::testing::TestWithParam<Obstacle> {};

TEST_P(FailedSave, CloseButtonReportsItAndTheWindowStaysOpen) {
    Scriblet app(withNotes(kTwoNotes));
    ASSERT_TRUE(app.started());
    app.typeAtEnd(IDC_BODY, " more");
    std::function<void()> lift = GetParam().raise(app.dir());

    app.postButton(IDC_CLOSE_BUTTON);
    expectFileErrorBox(app);
    EXPECT_TRUE(app.running());
    EXPECT_TRUE(app.windowShown());
    lift();
    EXPECT_EQ(printable(kTwoNotes), printable(app.notes().value_or("")));
    EXPECT_EQ(std::vector<std::string>{"notes.txt"}, app.dir().list());

    app.postButton(IDC_CLOSE_BUTTON);
    EXPECT_EQ(3u, app.waitForExit());
    EXPECT_EQ(printable("010203\r\nAlpha\r\nfirst more\xB0\r\n"
                        "040506\r\nBeta\r\nsecond\xB0\r\n"),
              printable(app.notes().value_or("")));
}

TEST_P(FailedSave, SelectingAnotherNoteReportsItAndKeepsTheShownNoteSelected) {
    Scriblet app(withNotes(kTwoNotes));
    ASSERT_TRUE(app.started());
    app.typeAtEnd(IDC_BODY, " more");
    std::function<void()> lift = GetParam().raise(app.dir());

    app.postSelectEntry(1);
    expectFileErrorBox(app);
    EXPECT_EQ(0, app.listSelection());
    EXPECT_EQ("Alpha", app.text(IDC_TITLE));
    EXPECT_EQ("first more", app.text(IDC_BODY));
    lift();
    EXPECT_EQ(printable(kTwoNotes), printable(app.notes().value_or("")));

    app.selectEntry(1);
    EXPECT_EQ(1, app.listSelection());
    EXPECT_EQ("Beta", app.text(IDC_TITLE));
    EXPECT_EQ(printable("010203\r\nAlpha\r\nfirst more\xB0\r\n"
                        "040506\r\nBeta\r\nsecond\xB0\r\n"),
              printable(app.notes().value_or("")));
}

INSTANTIATE_TEST_SUITE_P(Obstacles, FailedSave, ::testing::ValuesIn(kObstacles),
                         [](const ::testing::TestParamInfo<Obstacle>& info) { return info.param.name; });

}  // namespace
}  // namespace scriblet::e2e
