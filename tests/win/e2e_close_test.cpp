// Every way out of the program saves exactly once, with what the fields show.
#include <gtest/gtest.h>

#include "res/resource.h"
#include "tests/win/scriblet_driver.h"

namespace scriblet::e2e {
namespace {

const std::string kTwoNotes =
    "010203\r\nAlpha\r\nfirst\xB0\r\n"
    "040506\r\nBeta\r\nsecond\xB0\r\n";

TEST(Close, CloseButtonSavesOnceAndEndsWithStatusThree) {
    Scriblet::Options options;
    options.notes = kTwoNotes;
    Scriblet app(options);
    ASSERT_TRUE(app.started());
    SaveCounter counter(app.dir().path());
    ASSERT_TRUE(counter.watching());

    app.typeAtEnd(IDC_BODY, " and more");
    app.postButton(IDC_CLOSE_BUTTON);

    EXPECT_EQ(3u, app.waitForExit());
    EXPECT_EQ(1, counter.saves());
    EXPECT_EQ(printable("010203\r\nAlpha\r\nfirst and more\xB0\r\n"
                        "040506\r\nBeta\r\nsecond\xB0\r\n"),
              printable(app.notes().value_or("")));
    EXPECT_EQ(std::vector<std::string>{"notes.txt"}, app.dir().list());
}

struct ClosingWay {
    const char* name;
    void (*close)(const Scriblet&);
};

const ClosingWay kClosingWays[] = {
    {"Escape", [](const Scriblet& app) { app.postKey(IDC_TITLE_LIST, VK_ESCAPE); }},
    {"CloseBox", [](const Scriblet& app) { app.postSysCommand(SC_CLOSE); }},
};

void PrintTo(const ClosingWay& way, std::ostream* out) {
    *out << way.name;
}

class CloseWithoutButton : public testing::TestWithParam<ClosingWay> {};

TEST_P(CloseWithoutButton, SavesTheFieldsDateAndBodyOnce) {
    Scriblet::Options options;
    options.notes = kTwoNotes;
    Scriblet app(options);
    ASSERT_TRUE(app.started());
    SaveCounter counter(app.dir().path());
    ASSERT_TRUE(counter.watching());

    // Typed, not yet committed by any save: only the fields hold them.
    app.replaceText(IDC_DATE, "0707");
    app.replaceText(IDC_BODY, "changed");
    app.focus(IDC_TITLE_LIST);
    GetParam().close(app);

    EXPECT_EQ(0u, app.waitForExit());
    EXPECT_EQ(1, counter.saves());
    EXPECT_EQ(printable("0707\r\nAlpha\r\nchanged\xB0\r\n"
                        "040506\r\nBeta\r\nsecond\xB0\r\n"),
              printable(app.notes().value_or("")));
}

INSTANTIATE_TEST_SUITE_P(Ways, CloseWithoutButton, testing::ValuesIn(kClosingWays),
                         [](const testing::TestParamInfo<ClosingWay>& info) { return info.param.name; });

TEST(Close, EnterInTheTitleFieldEndsThroughOkAndSavesTheFields) {
    Scriblet::Options options;
    options.notes = kTwoNotes;
    Scriblet app(options);
    ASSERT_TRUE(app.started());
    SaveCounter counter(app.dir().path());
    ASSERT_TRUE(counter.watching());

    app.replaceText(IDC_BODY, "body typed");
    app.type(IDC_TITLE, "!");
    ASSERT_EQ("Alpha!", app.text(IDC_TITLE));
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

}  // namespace
}  // namespace scriblet::e2e
