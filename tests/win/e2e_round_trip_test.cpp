// What is on disk comes back byte for byte, and what is typed reaches the
// disk in the file's own form: line breaks, degree signs and all.
#include <gtest/gtest.h>

#include "res/resource.h"
#include "tests/driver/scriblet_driver.h"
#include "tests/win/e2e_fixtures.h"

namespace scriblet::e2e {
namespace {

using testing::record;
using Entries = std::vector<std::string>;

TEST(RoundTrip, FileOfSeveralNotesIsWrittenBackByteForByte) {
    const std::string bytes =
        "120603\r\nShopping\r\nmilk\r\r\nbread\r\r\n\r\r\neggs\xB0\r\n"
        "010104\r\nOven 200\xB0 C\r\n<empty>\xB0\r\n"
        "whenever\r\nUntitled\r\nweather: 20\x10" "B0C\xB0\r\n"
        "070809\r\nLast\r\nx\xB0\r\n";
    Scriblet app(withNotes(bytes));
    ASSERT_TRUE(app.started());
    EXPECT_EQ((Entries{"Shopping", "Oven 200\xB0 C", "Untitled", "Last", "<New>"}), app.listEntries());
    EXPECT_EQ("milk\r\nbread\r\n\r\neggs", app.text(IDC_BODY));

    app.selectEntry(2);
    EXPECT_EQ("weather: 20\xB0" "C", app.text(IDC_BODY));
    EXPECT_EQ(printable(bytes), printable(app.notes().value_or("")));
    app.selectEntry(1);
    EXPECT_EQ("", app.text(IDC_BODY));

    app.postButton(IDC_CLOSE_BUTTON);
    EXPECT_EQ(3u, app.waitForExit());
    EXPECT_EQ(printable(bytes), printable(app.notes().value_or("")));
}

// Merely looking at a note never changes it, whatever its text, however
// long, and whatever was shown before it.
TEST(RoundTrip, ViewedNotesAreWrittenBackByteForByteWhateverTheyHold) {
    // A long note, then one whose date and body are the long one's first 255
    // characters (a field that showed the long text must not be left alone).
    std::string longDate;
    std::string longBody;
    for (int i = 0; i < 30; ++i) longDate += "date " + std::to_string(i % 10) + "...";
    for (int i = 0; i < 40; ++i) longBody += "line " + std::to_string(i % 10) + "\r\n";
    const std::string shorterBody = longBody.substr(0, 255);
    const std::string rtf = "{\\rtf1\\ansi plain {\\b bold} text}";
    const std::string bytes =
        record(longDate, "Long", longBody) + record(longDate.substr(0, 255), "Shorter", shorterBody) +
        "010101\r\nRTF\r\n" + rtf + "\xB0\r\n" +
        "020202\r\nNUL\r\nbefore\x10" "00after\xB0\r\n" +
        "030303\r\nBreaks\r\none\rtwo\r\nthree\r\r\n\xB0\r\n" +
        "040404\r\nHigh \x81\x8D\x8F\x90\x9D\r\n\x80\x81\x8D\x8F\x90\x9D\xA0\xFF\xB0\r\n";
    Scriblet app(withNotes(bytes));
    ASSERT_TRUE(app.started());
    ASSERT_EQ(7, app.listCount());
    ASSERT_EQ(longDate.size(), app.text(IDC_DATE).size());

    app.selectEntry(1);
    EXPECT_EQ(longDate.substr(0, 255), app.text(IDC_DATE));
    EXPECT_EQ(printable(shorterBody), printable(app.text(IDC_BODY)));
    app.selectEntry(2);
    EXPECT_EQ(rtf, app.text(IDC_BODY));
    app.selectEntry(3);
    EXPECT_EQ("before after", app.text(IDC_BODY));
    for (int entry : {4, 5, 0, 1, 0}) app.selectEntry(entry);
    EXPECT_EQ(printable(bytes), printable(app.notes().value_or("")));

    // Edited, the body keeps what followed the NUL (shown as a blank).
    app.selectEntry(3);
    app.typeAtEnd(IDC_BODY, "!");
    app.postButton(IDC_CLOSE_BUTTON);
    EXPECT_EQ(3u, app.waitForExit());
    std::string edited = bytes;
    edited.replace(edited.find("before\x10" "00after"), 14, "before after!");
    EXPECT_EQ(printable(edited), printable(app.notes().value_or("")));
}

TEST(RoundTrip, TypedLineBreaksAndDegreeSignsComeBackAfterARestart) {
    const std::string title = "Oven 200\xB0";
    const std::string body = "Heat to 200\xB0\r\nthen bake";
    std::string written;
    {
        Scriblet app(withNotes(""));
        ASSERT_TRUE(app.started());
        app.type(IDC_TITLE, title);
        app.type(IDC_BODY, "Heat to 200\xB0");
        app.pressEnter(IDC_BODY);
        app.typeChars(IDC_BODY, "then bake");
        ASSERT_EQ(body, app.text(IDC_BODY));

        app.postButton(IDC_CLOSE_BUTTON);
        EXPECT_EQ(3u, app.waitForExit());
        written = app.notes().value_or("");
        // Enter is CR LF in the field and CR CR LF on disk; a degree sign in
        // a body is escaped, as it would end the body otherwise.
        EXPECT_EQ(printable(todayStamp() + "\r\n" + title + "\r\nHeat to 200\x10" "B0\r\r\nthen bake\xB0\r\n"),
                  printable(written));
    }

    Scriblet again(withNotes(written));
    ASSERT_TRUE(again.started());
    EXPECT_EQ((Entries{title, "<New>"}), again.listEntries());
    EXPECT_EQ(title, again.text(IDC_TITLE));
    EXPECT_EQ(body, again.text(IDC_BODY));
}

// A paste into the title or date takes the clipboard's text in the file's
// code page, as one undoable insertion typed there, so what the field shows
// is what is kept. (Wine's edits keep characters the code page cannot hold,
// show them, and give them back as "?".)
TEST(RoundTrip, PastedTitleAndDateShowWhatIsKept) {
    Scriblet app(withNotes(kAlpha));
    ASSERT_TRUE(app.started());
    ASSERT_TRUE(putOnClipboard(L"Plan \x2192 \x2713 \x20AC"));
    for (int field : {IDC_TITLE, IDC_DATE}) {
        app.focus(field);
        app.sendTo(field, EM_SETSEL, 0, -1);
        app.typeChars(field, "\x16");  // Ctrl+V
        EXPECT_EQ(L"Plan ? ? \x20AC", app.shownText(field)) << field;
        EXPECT_EQ(MAKELRESULT(10, 10), app.sendTo(field, EM_GETSEL, 0, 0)) << field;
    }
    EXPECT_EQ((Entries{"Plan ? ? \x80", "<New>"}), app.listEntries());
    app.typeChars(IDC_TITLE, "\x1A");  // Ctrl+Z
    EXPECT_EQ(L"Alpha", app.shownText(IDC_TITLE));
    EXPECT_EQ((Entries{"Alpha", "<New>"}), app.listEntries());

    app.postButton(IDC_CLOSE_BUTTON);
    EXPECT_EQ(3u, app.waitForExit());
    EXPECT_EQ(printable("Plan ? ? \x80\r\nAlpha\r\nfirst\xB0\r\n"), printable(app.notes().value_or("")));
}

// A NUL or 0x1A ends what any copy of the program reads; what follows it is
// not shown, and every save keeps it after the notes.
class StopByte : public ::testing::TestWithParam<char> {};

TEST_P(StopByte, WhatFollowsItSurvivesEverySave) {
    const std::string tail = std::string(1, GetParam()) + "050505\r\nBehind\r\nkept\xB0\r\n";
    Scriblet app(withNotes(kAlpha + tail));
    ASSERT_TRUE(app.started());
    EXPECT_EQ((Entries{"Alpha", "<New>"}), app.listEntries());

    app.typeAtEnd(IDC_BODY, " more");
    app.selectEntry(1);
    EXPECT_EQ(printable("010203\r\nAlpha\r\nfirst more\xB0\r\n" + tail), printable(app.notes().value_or("")));
    app.type(IDC_TITLE, "New");
    app.postButton(IDC_CLOSE_BUTTON);
    EXPECT_EQ(3u, app.waitForExit());
    EXPECT_EQ(printable("010203\r\nAlpha\r\nfirst more\xB0\r\n" + todayStamp() + "\r\nNew\r\n<empty>\xB0\r\n" + tail),
              printable(app.notes().value_or("")));
}

INSTANTIATE_TEST_SUITE_P(RoundTrip, StopByte, ::testing::Values('\0', '\x1A'),
                         [](const ::testing::TestParamInfo<char>& info) { return info.param ? "EndOfFile" : "Nul"; });

}  // namespace
}  // namespace scriblet::e2e
