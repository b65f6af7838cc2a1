// The command line for the registered ".htm" handler and the texts of the
// failed-launch message.
#include <gtest/gtest.h>

#include <string>

#include "ui/about/launch_text.h"

namespace scriblet {
namespace {

const char kAddress[] = "http://www.scriblet.example/";

struct CutCase {
    const char* name;
    const char* command;
    const char* expected;  // with the address appended
};

const CutCase kCutCases[] = {
    // The blank before the placeholder stays beside the appended one; the second switch goes.
    {"QuotedPlaceholderWithSecondSwitch", "\"C:\\Browser\\browse.exe\" -nohome \"%1\" -new",
     "\"C:\\Browser\\browse.exe\" -nohome  http://www.scriblet.example/"},
    {"NoPlaceholder", "C:\\Browser\\browse.exe -nohome", "C:\\Browser\\browse.exe -nohome http://www.scriblet.example/"},
    {"BarePlaceholder", "browse.exe %1 -x", "browse.exe  http://www.scriblet.example/"},
    {"PlaceholderRightAfterProgram", "browse.exe%1", "browse.exe http://www.scriblet.example/"},
    // The quoted form wins even where a bare one comes first.
    {"QuotedFormPreferredOverEarlierBare", "browse.exe %1 \"%1\"", "browse.exe %1  http://www.scriblet.example/"},
    {"OnlyTheFirstQuotedPlaceholderCounts", "a \"%1\" b \"%1\"", "a  http://www.scriblet.example/"},
    {"PercentWithoutOneIsKept", "browse.exe %2 50%", "browse.exe %2 50% http://www.scriblet.example/"},
    {"EmptyCommand", "", " http://www.scriblet.example/"},
};

class HandlerCommandLine : public ::testing::TestWithParam<CutCase> {};

TEST_P(HandlerCommandLine, CutsAtThePlaceholderAndAppendsABlankAndTheAddress) {
    const CutCase& c = GetParam();
    EXPECT_EQ(c.expected, handlerCommandLine(c.command, kAddress).value_or("<none>"));
}

INSTANTIATE_TEST_SUITE_P(Cases, HandlerCommandLine, ::testing::ValuesIn(kCutCases),
                         [](const ::testing::TestParamInfo<CutCase>& info) { return std::string(info.param.name); });

TEST(HandlerCommandLineLimit, ALineThatFillsTheBufferIsRefusedNotTruncated) {
    // 519 characters and the terminating zero fill the 520-character buffer.
    const std::string address(200, 'a');
    const std::string fits(kCommandLineLimit - 1 - 1 - address.size(), 'c');
    ASSERT_TRUE(handlerCommandLine(fits, address).has_value());
    EXPECT_EQ(kCommandLineLimit - 1, handlerCommandLine(fits, address)->size());
    EXPECT_FALSE(handlerCommandLine(fits + "c", address).has_value());
    // What is cut away does not count.
    EXPECT_TRUE(handlerCommandLine(fits + "\"%1\"" + std::string(1000, 'x'), address).has_value());
}

struct ErrorCase {
    int code;
    const char* reason;
};

const ErrorCase kErrorCases[] = {
    {0, "The operating system is out\nof memory or resources."},
    {2, "The specified file was not found."},
    {3, "The specified path was not found."},
    {5, "The operating system denied\naccess to the specified file."},
    {8, "There was not enough memory to complete the operation."},
    {11, "The .EXE file is invalid\n(non-Win32 .EXE or error in .EXE image)."},
    {26, "A sharing violation occurred. "},
    {27, "The filename association is\nincomplete or invalid."},
    {28, "The DDE transaction could not\nbe completed because the request timed out."},
    {29, "The DDE transaction failed."},
    {30, "The DDE transaction could not\nbe completed because other DDE transactions\nwere being processed."},
    {31, "There is no application associated\nwith the given filename extension."},
    {32, "The specified dynamic-link library was not found."},
    {4, "Unknown Error (4) occurred."},
    {1, "Unknown Error (1) occurred."},
    {33, "Unknown Error (33) occurred."},
    {-7, "Unknown Error (-7) occurred."},
};

class LaunchErrorText : public ::testing::TestWithParam<ErrorCase> {};

TEST_P(LaunchErrorText, NamesTheReasonAfterTheCommonOpening) {
    EXPECT_EQ(std::string("Unable to open hyperlink:\n\n") + GetParam().reason, launchErrorText(GetParam().code));
}

INSTANTIATE_TEST_SUITE_P(Codes, LaunchErrorText, ::testing::ValuesIn(kErrorCases),
                         [](const ::testing::TestParamInfo<ErrorCase>& info) {
                             const int code = info.param.code;
                             return (code < 0 ? "Minus" + std::to_string(-code) : std::to_string(code));
                         });

}  // namespace
}  // namespace scriblet
