// The text-mode translation under the notes file, both ways.
#include <gtest/gtest.h>

#include <string>

#include "notes/text_mode.h"
#include "notes_test_support.h"

namespace scriblet {
namespace {

using testing::printable;
using testing::raw;

TEST(NotesTextMode, DiskToText) {
    const struct {
        std::string disk;
        std::string text;
    } cases[] = {
        {"", ""},
        {"a\r\nb", "a\nb"},
        {"a\r\r\nb", "a\r\nb"},
        {"\r", "\r"},
        {"a\r", "a\r"},
        {"\r\r", "\r\r"},
        {"\n\r\n\n", "\n\n\n"},
        {"a\nb", "a\nb"},
        {"x\r\x1A\ny", "x\r"},
        {"\x1A" "abc", ""},
        {raw("a\0\r\nb"), raw("a\0\nb")},
        {"\xB0\r\n", "\xB0\n"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(printable(textFromDisk(c.disk.data(), c.disk.size())), printable(c.text)) << printable(c.disk);
    }
}

TEST(NotesTextMode, TextToDiskAndBack) {
    const struct {
        std::string text;
        std::string disk;
    } cases[] = {
        {"", ""},
        {"a\nb", "a\r\nb"},
        {"a\r\nb", "a\r\r\nb"},
        {"\n\n", "\r\n\r\n"},
        {"a\rb\r", "a\rb\r"},
        {"\r\r\n\n", "\r\r\r\n\r\n"},
    };
    for (const auto& c : cases) {
        std::string disk = "kept";
        appendTextToDisk(disk, c.text.data(), c.text.size());
        EXPECT_EQ(printable(disk), printable("kept" + c.disk));
        EXPECT_EQ(printable(textFromDisk(c.disk.data(), c.disk.size())), printable(c.text));
    }
}

}  // namespace
}  // namespace scriblet
