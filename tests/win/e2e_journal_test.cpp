// Typing survives a stop: the program is killed while a body is being typed,
// as a crash, Task Manager or a power cut would end it, and the next start
// offers back all of it but the last two seconds or so.
#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

#include "res/resource.h"
#include "tests/win/e2e_fixtures.h"
#include "tests/driver/scriblet_driver.h"

namespace scriblet::e2e {
namespace {

const char* const kRestoreQuestion =
    "Scriblet was stopped before it saved your changes to \"Alpha\".\n\n"
    "Restore them? Choose No to keep them in a file beside notes.txt.";
// About a fast typist's pace.
const DWORD kKeystrokeMs = 40;
// The journal lags the typing by up to two seconds, and Wine's timers and
// the write itself may add to that on a busy host.
const double kJournalLagMs = 2000;
const double kLeewayMs = 1000;

struct Kill {
    const char* name;
    DWORD afterMs;  // from the first keystroke
    int answer;     // to the question at the next start; 0: none is asked
};

void PrintTo(const Kill& kill, std::ostream* out) { *out << kill.name; }

const Kill kKills[] = {
    {"BeforeTheFirstJournal", 1200, 0},
    {"AfterAJournalRestored", 3300, IDYES},
    {"JustBeforeAJournalKeptInAFile", 5900, IDNO},
};

double nowMs() {
    LARGE_INTEGER frequency;
    LARGE_INTEGER counter;
    QueryPerformanceFrequency(&frequency);
    QueryPerformanceCounter(&counter);
    return 1000.0 * static_cast<double>(counter.QuadPart) / static_cast<double>(frequency.QuadPart);
}

// The body of the single note of a notes file.
std::string bodyOf(const std::string& bytes) {
    const std::size_t start = bytes.find("\r\n", bytes.find("\r\n") + 2) + 2;
    return bytes.substr(start, bytes.find('\xB0', start) - start);
}

class KilledWhileTyping : public ::testing::TestWithParam<Kill> {};

TEST_P(KilledWhileTyping, LosesAtMostTheLastTwoSeconds) {
    const Kill& kill = GetParam();
    Scriblet app(withNotes(kAlpha));
    ASSERT_TRUE(app.started());
    const std::string phrase = " the quick brown fox jumps over the lazy dog";
    std::string typed;
    std::vector<double> typedAt;
    app.typeAtEnd(IDC_BODY, "");
    const double firstKey = nowMs();
    while (nowMs() - firstKey < kill.afterMs) {
        const char c = phrase[typed.size() % phrase.size()];
        app.typeChars(IDC_BODY, std::string(1, c));
        typed += c;
        typedAt.push_back(nowMs());
        Sleep(kKeystrokeMs);
    }
    app.kill();
    const double killedAt = nowMs();
    ASSERT_EQ(printable(kAlpha), printable(app.notes().value_or(""))) << "the journal wrote notes.txt";

    Scriblet::Options again;
    again.sameDirectoryAs = &app;
    again.waitForWindow = false;
    Scriblet next(again);
    ASSERT_TRUE(next.started());
    std::string kept;
    if (kill.answer) {
        const std::optional<MessageBoxInfo> question = next.waitForMessageBox(15000);
        ASSERT_TRUE(question.has_value());
        EXPECT_EQ("scriblet", question->caption);
        EXPECT_EQ(kRestoreQuestion, question->text);
        EXPECT_EQ(BoxIcon::Question, question->icon);
        EXPECT_EQ(IDYES, question->defaultButton);
        EXPECT_FALSE(question->hasCancel);
        next.answer(*question, kill.answer);
        if (kill.answer == IDNO) {
            // The box names the file that keeps the note, beside notes.txt.
            const std::optional<MessageBoxInfo> told = next.waitForMessageBox(15000);
            ASSERT_TRUE(told.has_value());
            const std::string folder = next.dir().path() + "\\";
            const std::size_t at = told->text.find(folder);
            ASSERT_NE(std::string::npos, at) << told->text;
            kept = told->text.substr(at + folder.size(), told->text.find('\n', at) - at - folder.size());
            EXPECT_EQ(0u, kept.rfind("notes (unsaved ", 0)) << kept;
            next.answer(*told, IDOK);
        }
    }
    ASSERT_TRUE(next.attachWindow());
    EXPECT_FALSE(next.waitForMessageBox(300).has_value());

    const std::string body = kill.answer == IDNO ? bodyOf(next.dir().read(kept).value_or("")) : next.text(IDC_BODY);
    ASSERT_EQ(0u, body.rfind("first", 0)) << body;
    const std::string restored = body.substr(5);
    ASSERT_EQ(typed.substr(0, restored.size()), restored) << "not what was typed";
    const double lostMs = restored.size() < typed.size() ? killedAt - typedAt[restored.size()] : 0;
    std::printf("killed %.0f ms into typing: %u of %u characters kept, the last %.0f ms of typing lost\n",
                killedAt - firstKey, static_cast<unsigned>(restored.size()), static_cast<unsigned>(typed.size()),
                lostMs);
    EXPECT_LE(lostMs, kJournalLagMs + kLeewayMs);

    // Restored, the note is shown as changed and saved by the way out; kept
    // in a file, notes.txt stays as it was. No journal is left either way.
    next.postButton(IDC_CLOSE_BUTTON);
    EXPECT_EQ(3u, next.waitForExit());
    const std::string saved = kill.answer == IDYES ? "010203\r\nAlpha\r\n" + body + "\xB0\r\n" : kAlpha;
    EXPECT_EQ(printable(saved), printable(next.notes().value_or("")));
    std::vector<std::string> left{"notes.txt"};
    if (!kept.empty()) left.insert(left.begin(), kept);
    EXPECT_EQ(left, next.dir().list());
}

INSTANTIATE_TEST_SUITE_P(Moments, KilledWhileTyping, ::testing::ValuesIn(kKills),
                         [](const ::testing::TestParamInfo<Kill>& info) { return info.param.name; });

}  // namespace
}  // namespace scriblet::e2e
