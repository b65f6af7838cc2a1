// Two copies of Scriblet in one folder: the later save never drops the
// earlier one's notes without asking.
#include <gtest/gtest.h>

#include "res/resource.h"
#include "tests/driver/scriblet_driver.h"
#include "tests/win/e2e_fixtures.h"

namespace scriblet::e2e {
namespace {

const char* const kChangedSentence = "notes.txt was changed by another program after Scriblet read it.";

struct SecondSave {
    const char* name;
    bool closeButton;  // else Escape
    int answer;
};

void PrintTo(const SecondSave& way, std::ostream* out) {
    *out << way.name;
}

const SecondSave kSecondSaves[] = {
    {"EscapeKeepsBoth", false, IDNO},
    {"CloseButtonSavesOver", true, IDYES},
};

class TwoCopies : public ::testing::TestWithParam<SecondSave> {};

TEST_P(TwoCopies, TheLaterSaveAsksBeforeTheWindowGoes) {
    const SecondSave& way = GetParam();
    Scriblet first(withNotes(kAlpha));
    ASSERT_TRUE(first.started());
    first.typeAtEnd(IDC_BODY, " from the first");

    Scriblet::Options sameFolder;
    sameFolder.sameDirectoryAs = &first;
    Scriblet second(sameFolder);
    ASSERT_TRUE(second.started());
    second.selectEntry(1);
    second.type(IDC_TITLE, "Second");
    second.postButton(IDC_CLOSE_BUTTON);
    ASSERT_EQ(3u, second.waitForExit());
    const std::string secondNotes = kAlpha + todayStamp() + "\r\nSecond\r\n<empty>\xB0\r\n";
    ASSERT_EQ(printable(secondNotes), printable(first.notes().value_or("")));

    first.focus(IDC_TITLE_LIST);
    if (way.closeButton) first.postButton(IDC_CLOSE_BUTTON);
    else first.postKey(IDC_TITLE_LIST, VK_ESCAPE);
    const std::optional<MessageBoxInfo> box = first.waitForMessageBox();
    ASSERT_TRUE(box.has_value());
    EXPECT_TRUE(first.windowShown());
    EXPECT_EQ("scriblet", box->caption);
    EXPECT_EQ(BoxIcon::Warning, box->icon);
    EXPECT_NE(std::string::npos, box->text.find(kChangedSentence)) << box->text;
    // The box names the file that No saves to, in the same folder.
    const std::string folder = first.dir().path() + "\\";
    const std::size_t at = box->text.find(folder);
    ASSERT_NE(std::string::npos, at) << box->text;
    const std::string sideFile = box->text.substr(at + folder.size(), box->text.find('\n', at) - at - folder.size());
    first.answer(*box, way.answer);

    EXPECT_EQ(way.closeButton ? 3u : 0u, first.waitForExit());
    const std::string firstNotes = "010203\r\nAlpha\r\nfirst from the first\xB0\r\n";
    if (way.answer == IDYES) {
        EXPECT_EQ(printable(firstNotes), printable(first.notes().value_or("")));
        EXPECT_EQ(std::vector<std::string>{"notes.txt"}, first.dir().list());
    } else {
        EXPECT_EQ(printable(secondNotes), printable(first.notes().value_or("")));
        EXPECT_EQ(printable(firstNotes), printable(first.dir().read(sideFile).value_or("")));
        EXPECT_EQ((std::vector<std::string>{sideFile, "notes.txt"}), first.dir().list());
    }
}

INSTANTIATE_TEST_SUITE_P(Ways, TwoCopies, ::testing::ValuesIn(kSecondSaves),
                         [](const ::testing::TestParamInfo<SecondSave>& info) { return info.param.name; });

}  // namespace
}  // namespace scriblet::e2e
