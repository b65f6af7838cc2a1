// Starts that cannot go as usual: a notes file that cannot be read or is
// not in the notes encoding, a save cut short, and a missing rich edit library.
#include <gtest/gtest.h>

#include <memory>

#include "res/resource.h"
#include "tests/driver/scriblet_driver.h"
#include "tests/win/e2e_fixtures.h"

namespace scriblet::e2e {
namespace {

using Entries = std::vector<std::string>;

// A notes file the program cannot take in: held by another program, or
// saved as UTF-16 by an editor.
struct Unreadable {
    const char* name;
    std::string bytes;
    bool held;
    const char* told;  // a phrase of the box
};

void PrintTo(const Unreadable& unreadable, std::ostream* out) {
    *out << unreadable.name;
}

const Unreadable kUnreadable[] = {
    {"HeldByAnotherProgram", kAlpha, true, "could not read"},
    {"Utf16", std::string("\xFF\xFE" "0\0" "1\0\r\0\n\0" "A\0", 12), false, "saved as Unicode text"},
};

class UnreadableStart : public ::testing::TestWithParam<Unreadable> {};

TEST_P(UnreadableStart, IsToldOnceAndNeverSavedOver) {
    const Unreadable& c = GetParam();
    std::shared_ptr<FileHold> hold;
    Scriblet::Options options = withNotes(c.bytes);
    options.waitForWindow = false;
    options.beforeStart = [&](const ScratchDir& dir) {
        if (c.held) hold = std::make_shared<FileHold>(dir.file("notes.txt"));
    };
    Scriblet app(options);
    ASSERT_TRUE(!c.held || (hold && hold->held()));
    ASSERT_TRUE(app.started());

    const std::optional<MessageBoxInfo> box = app.waitForMessageBox(15000);
    ASSERT_TRUE(box.has_value());
    EXPECT_EQ("scriblet", box->caption);
    EXPECT_NE(std::string::npos, box->text.find(app.dir().file("notes.txt"))) << box->text;
    EXPECT_NE(std::string::npos, box->text.find(c.told)) << box->text;
    EXPECT_EQ(BoxIcon::Warning, box->icon);
    app.answer(*box, IDOK);
    ASSERT_TRUE(app.attachWindow());
    EXPECT_FALSE(app.waitForMessageBox(300).has_value()) << "told twice";
    EXPECT_EQ(Entries{"<New>"}, app.listEntries());

    // Even once the file could be written, this session leaves it alone.
    if (hold) hold->release();
    app.type(IDC_TITLE, "Typed");
    EXPECT_EQ((Entries{"Typed", "<New>"}), app.listEntries());
    app.selectEntry(1);

    // Every way out asks before the changes are discarded, while the window
    // is still shown; No keeps it open.
    for (const int closeButton : {0, 1}) {
        if (closeButton) app.postButton(IDC_CLOSE_BUTTON);
        else app.postKey(IDC_TITLE_LIST, VK_ESCAPE);
        const std::optional<MessageBoxInfo> question = app.waitForMessageBox();
        ASSERT_TRUE(question.has_value());
        EXPECT_NE(std::string::npos, question->text.find("Discard your changes?")) << question->text;
        EXPECT_EQ(BoxIcon::Warning, question->icon);
        EXPECT_TRUE(app.windowShown());
        app.answer(*question, closeButton ? IDYES : IDNO);
    }
    EXPECT_EQ(3u, app.waitForExit());
    EXPECT_EQ(printable(c.bytes), printable(app.notes().value_or("")));
    EXPECT_EQ(std::vector<std::string>{"notes.txt"}, app.dir().list());
}

INSTANTIATE_TEST_SUITE_P(StartProblems, UnreadableStart, ::testing::ValuesIn(kUnreadable),
                         [](const ::testing::TestParamInfo<Unreadable>& info) { return info.param.name; });

TEST(StartProblems, NotesFileHeldBrieflyAtStartIsReadAfterAll) {
    std::shared_ptr<FileHold> hold;
    Scriblet::Options options = withNotes(kAlpha);
    options.waitForWindow = false;
    options.beforeStart = [&](const ScratchDir& dir) { hold = std::make_shared<FileHold>(dir.file("notes.txt")); };
    Scriblet app(options);
    ASSERT_TRUE(hold && hold->held());
    ASSERT_TRUE(app.started());
    Sleep(1200);
    hold->release();

    ASSERT_TRUE(app.attachWindow());
    EXPECT_FALSE(app.waitForMessageBox(300).has_value());
    EXPECT_EQ((Entries{"Alpha", "<New>"}), app.listEntries());
}

// A save of another session was cut short after it was complete: its notes
// differ from notes.txt, so they are kept under a visible name and told, once.
TEST(StartProblems, SaveCutShortIsKeptVisiblyAndTold) {
    const std::string theirs = "070809\r\nTheirs\r\nkept\xB0\r\n";
    Scriblet::Options options = withNotes(kAlpha);
    options.waitForWindow = false;
    options.beforeStart = [&](const ScratchDir& dir) { dir.write("notes.txt.4242.saved", theirs); };
    Scriblet app(options);
    ASSERT_TRUE(app.started());

    const std::optional<MessageBoxInfo> box = app.waitForMessageBox(15000);
    ASSERT_TRUE(box.has_value());
    EXPECT_EQ(BoxIcon::Warning, box->icon);
    const std::string prefix = app.dir().path() + "\\notes (recovered ";
    const std::size_t at = box->text.find(prefix);
    ASSERT_NE(std::string::npos, at) << box->text;
    const std::string kept = box->text.substr(at + app.dir().path().size() + 1,
                                              box->text.find('\n', at) - at - app.dir().path().size() - 1);
    app.answer(*box, IDOK);
    ASSERT_TRUE(app.attachWindow());
    EXPECT_FALSE(app.waitForMessageBox(300).has_value()) << "told twice";
    EXPECT_EQ((Entries{"Alpha", "<New>"}), app.listEntries());
    EXPECT_EQ(printable(theirs), printable(app.dir().read(kept).value_or("")));
    EXPECT_EQ((std::vector<std::string>{kept, "notes.txt"}), app.dir().list());
}

// Switches a DLL off for one program name in Wine's settings, while it lives.
// (WINEDLLOVERRIDES in the environment given to CreateProcess does not reach
// the loader of the new process under Wine 8, so the setting goes by name.)
class DllSwitchedOff {
public:
    DllSwitchedOff(const std::string& program, const std::string& dll)
        : appKey_("Software\\Wine\\AppDefaults\\" + program) {
        HKEY key = nullptr;
        const std::string overrides = appKey_ + "\\DllOverrides";
        if (RegCreateKeyExA(HKEY_CURRENT_USER, overrides.c_str(), 0, nullptr, 0, KEY_SET_VALUE, nullptr, &key,
                            nullptr) == ERROR_SUCCESS) {
            ok_ = RegSetValueExA(key, dll.c_str(), 0, REG_SZ, reinterpret_cast<const BYTE*>(""), 1) ==
                  ERROR_SUCCESS;
            RegCloseKey(key);
        }
    }
    ~DllSwitchedOff() {
        RegDeleteKeyA(HKEY_CURRENT_USER, (appKey_ + "\\DllOverrides").c_str());
        RegDeleteKeyA(HKEY_CURRENT_USER, appKey_.c_str());
    }
    bool ok() const { return ok_; }

private:
    std::string appKey_;
    bool ok_ = false;
};

TEST(StartProblems, MissingRichEditLibraryIsToldAndNothingIsSaved) {
    DllSwitchedOff switchedOff("norichedit.exe", "riched32");
    ASSERT_TRUE(switchedOff.ok());
    Scriblet::Options options = withNotes(kAlpha);
    options.programName = "norichedit.exe";
    options.waitForWindow = false;
    Scriblet app(options);
    ASSERT_TRUE(app.started());

    const std::optional<MessageBoxInfo> box = app.waitForMessageBox(15000);
    ASSERT_TRUE(box.has_value());
    // Captioned with the application name: the program's file name.
    EXPECT_EQ("norichedit", box->caption);
    EXPECT_NE(std::string::npos, box->text.find("RICHED32.DLL")) << box->text;
    EXPECT_EQ(BoxIcon::Stop, box->icon);
    app.answer(*box, IDOK);

    EXPECT_EQ(1u, app.waitForExit());
    EXPECT_FALSE(app.window());
    EXPECT_EQ(printable(kAlpha), printable(app.notes().value_or("")));
    EXPECT_EQ((std::vector<std::string>{"norichedit.exe", "notes.txt"}), app.dir().list());
}

}  // namespace
}  // namespace scriblet::e2e
