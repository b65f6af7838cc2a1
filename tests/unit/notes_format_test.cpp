// The notes file's bytes: what the reader makes of them and what the writer
// writes, without touching the disk.
#include <gtest/gtest.h>

#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "notes/notes_format.h"
#include "notes_test_support.h"

namespace scriblet {
namespace {

using testing::fixedToday;
using testing::makeTable;
using testing::notesOf;
using testing::parsed;
using testing::printable;
using testing::raw;

const std::string kShoppingBytes = "120603\r\nShopping\r\nmilk\r\r\nbread\xB0\r\n";

struct ReadCase {
    const char* name;
    std::string bytes;
    std::vector<Note> notes;
};

void PrintTo(const ReadCase& c, std::ostream* out) { *out << c.name; }

class ReadingBytes : public ::testing::TestWithParam<ReadCase> {};

TEST_P(ReadingBytes, GivesTheNotes) {
    const ReadCase& c = GetParam();
    const NoteTable table = parsed(c.bytes);
    EXPECT_EQ(notesOf(table), c.notes) << printable(c.bytes);
    EXPECT_EQ(table.unreadText, "");
}

INSTANTIATE_TEST_SUITE_P(
    NotesFile, ReadingBytes,
    ::testing::Values(
        ReadCase{"Shopping", kShoppingBytes, {{"Shopping", "120603", "milk\r\nbread"}}},
        ReadCase{"NothingButBlankLines", "\r\n\r\n\n", {}},
        ReadCase{"BlankLinesBeforeDateAndTitle", "\r\n\r\n120603\r\n\r\nA\r\nx\xB0\r\n", {{"A", "120603", "x"}}},
        ReadCase{"LineFeedsAlone", "120603\nShopping\nmilk\nbread\xB0\n", {{"Shopping", "120603", "milk\nbread"}}},
        ReadCase{"LineFeedsWithCarriageReturns", "120603\r\nShopping\r\nmilk\r\nbread\xB0\r\n",
                 {{"Shopping", "120603", "milk\nbread"}}},
        ReadCase{"LoneCarriageReturnStays", "12\r06\r\nA\rB\r\nx\ry\xB0\r\n", {{"A\rB", "12\r06", "x\ry"}}},
        ReadCase{"EndOfFileByteEndsTheData", "1\r\nA\r\na\xB0\r\n2\r\nB\x1A\r\nb\xB0\r\n3\r\nC\r\nc\xB0\r\n",
                 {{"A", "1", "a"}, {"B", "2", ""}}},
        ReadCase{"NulEndsTheText", raw("1\r\nA\r\na\xB0\r\n2\r\nB\0\r\nb\xB0\r\n"),
                 {{"A", "1", "a"}, {"B", "2", ""}}},
        ReadCase{"BodyKeepsLeadingLineFeed", "1\r\nA\r\n\r\nbody\xB0\r\n", {{"A", "1", "\nbody"}}},
        ReadCase{"EmptyMarkerMeansEmptyBody", "1\r\nUntitled\r\n<empty>\xB0\r\n", {{"Untitled", "1", ""}}},
        ReadCase{"EmptyMarkerOnlyWhenWhole", "1\r\nA\r\n<empty> \xB0\r\n", {{"A", "1", "<empty> "}}},
        ReadCase{"TwoRecords", "1\r\nA\r\na\xB0\r\n2\r\nB\r\nb\xB0\r\n", {{"A", "1", "a"}, {"B", "2", "b"}}},
        ReadCase{"DateWithoutTitle", "120603\r\n", {{"", "120603", ""}}},
        ReadCase{"TitleWithoutBody", "120603\r\nA\r\n", {{"A", "120603", ""}}},
        ReadCase{"TitleWithoutLineEnd", "120603\r\nA", {{"A", "120603", ""}}},
        ReadCase{"BodyWithoutTerminator", "120603\r\nA\r\nsome\r\r\ntext", {{"A", "120603", "some\r\ntext"}}},
        ReadCase{"OnlyTerminatorsAfterTitle", "1\r\nA\r\n\xB0\xB0", {{"A", "1", ""}}},
        ReadCase{"LeadingTerminatorsSkipped", "1\r\nA\r\n\xB0\xB0x\xB0\r\n", {{"A", "1", "x"}}},
        ReadCase{"DegreeSignInTitleAndDate", "12\xB0\r\n20\xB0" "C\r\nwarm\xB0\r\n", {{"20\xB0" "C", "12\xB0", "warm"}}},
        ReadCase{"BodyEscapes", "1\r\nA\r\n20\x10" "B0C \x10" "1A \x10" "00 \x10" "10 \x10" "3Cempty>\xB0\r\n",
                 {{"A", "1", raw("20\xB0" "C \x1A \0 \x10 <empty>")}}},
        ReadCase{"EscapedEmptyMarkerIsText", "1\r\nA\r\n\x10" "3Cempty>\xB0\r\n", {{"A", "1", "<empty>"}}},
        ReadCase{"EscapeByteWithoutTwoHexDigitsStays", "1\r\nA\r\n\x10" "1a \x10\x10" "4 \x10\xB0\r\n",
                 {{"A", "1", "\x10" "1a \x10\x10" "4 \x10"}}},
        ReadCase{"EscapesOnlyInBodies", "\x10" "41\r\n\x10" "41\r\nx\xB0\r\n", {{"\x10" "41", "\x10" "41", "x"}}},
        ReadCase{"DegreeSignAlwaysEndsTheBody", "1\r\nA\r\nx\xB0" "B0y\r\nB\r\nz\xB0\r\n",
                 {{"A", "1", "x"}, {"B", "B0y", "z"}}},
        ReadCase{"Utf8ByteOrderMarkStaysInTheFirstDate", "\xEF\xBB\xBF" "1\r\nA\r\nx\xB0\r\n",
                 {{"A", "\xEF\xBB\xBF" "1", "x"}}},
        ReadCase{"LowerCaseHexIsNoEscape", "1\r\nA\r\nx\xB0" "1a\r\n", {{"A", "1", "x"}, {"", "1a", ""}}},
        ReadCase{"TerminatorAtTheVeryEnd", "1\r\nA\r\nx\xB0", {{"A", "1", "x"}}}),
    [](const ::testing::TestParamInfo<ReadCase>& info) { return std::string(info.param.name); });

struct WriteCase {
    const char* name;
    std::vector<Note> notes;
    std::string bytes;
};

void PrintTo(const WriteCase& c, std::ostream* out) { *out << c.name; }

class WritingNotes : public ::testing::TestWithParam<WriteCase> {};

TEST_P(WritingNotes, GivesTheBytes) {
    const WriteCase& c = GetParam();
    const NoteTable table = makeTable(c.notes);
    EXPECT_EQ(printable(formatNotes(table, table.noteCount(), fixedToday)), printable(c.bytes));
}

INSTANTIATE_TEST_SUITE_P(
    NotesFile, WritingNotes,
    ::testing::Values(
        WriteCase{"Shopping", {{"Shopping", "120603", "milk\r\nbread"}}, kShoppingBytes},
        WriteCase{"Nothing", {}, ""},
        WriteCase{"EmptyFieldsSubstituted", {{"", "", ""}}, "010203\r\nUntitled\r\n<empty>\xB0\r\n"},
        WriteCase{"BodyWithLeadingLineFeed", {{"A", "1", "\nx"}}, "1\r\nA\r\n\r\nx\xB0\r\n"},
        WriteCase{"LiteralEmptyMarkerEscaped", {{"A", "1", "<empty>"}}, "1\r\nA\r\n\x10" "3Cempty>\xB0\r\n"},
        WriteCase{"BodyBytesEscaped", {{"A", "1", raw("20\xB0" "C\x1A\0!")}},
                  "1\r\nA\r\n20\x10" "B0C\x10" "1A\x10" "00!\xB0\r\n"},
        WriteCase{"EscapeByteEscapedOnlyBeforeTwoHexDigits", {{"A", "1", "\x10" "FF \x10" "Fx \x10\xB0 \x10"}},
                  "1\r\nA\r\n\x10" "10FF \x10" "Fx \x10\x10" "B0 \x10\xB0\r\n"},
        WriteCase{"DegreeSignInTitleAndDateUnchanged", {{"20\xB0", "1\xB0", "x"}}, "1\xB0\r\n20\xB0\r\nx\xB0\r\n"},
        WriteCase{"LineBreaksInTitleAndDateFlattened",
                  {{"a\r\nb\nc\rd\r\n\r\ne\r", "1\r\n2", "x"}}, "1 2\r\na b c\rd  e\r\r\nx\xB0\r\n"},
        WriteCase{"ControlBytesInTitleAndDateBlanked",
                  {{raw("a\x1A" "b\0c"), raw("1\0"), "x"}}, "1 \r\na b c\r\nx\xB0\r\n"},
        WriteCase{"LoneCarriageReturnInBodyStays", {{"A", "1", "x\ry\r"}}, "1\r\nA\r\nx\ry\r\xB0\r\n"}),
    [](const ::testing::TestParamInfo<WriteCase>& info) { return std::string(info.param.name); });

TEST(NotesFileWriting, PendingNoteWrittenWhenCountIncludesIt) {
    NoteTable table = makeTable({{"A", "1", "a"}, {"", "", "typed"}});
    EXPECT_EQ(printable(formatNotes(table, 2, fixedToday)),
              printable("1\r\nA\r\na\xB0\r\n010203\r\nUntitled\r\ntyped\xB0\r\n"));
    EXPECT_EQ(printable(formatNotes(table, 1, fixedToday)), printable("1\r\nA\r\na\xB0\r\n"));
}

TEST(NotesFileWriting, TodayAskedAfreshForEachEmptyDate) {
    NoteTable table = makeTable({{"A", "", "a"}, {"B", "7", "b"}, {"C", "", "c"}});
    int calls = 0;
    const std::string bytes = formatNotes(table, 3, [&calls] { return "day" + std::to_string(++calls); });
    EXPECT_EQ(calls, 2);
    EXPECT_EQ(bytes, "day1\r\nA\r\na\xB0\r\n7\r\nB\r\nb\xB0\r\nday2\r\nC\r\nc\xB0\r\n");
}

TEST(NotesFileWriting, ClockFailureStillWritesADate) {
    NoteTable table = makeTable({{"A", "", "a"}, {"B", "2", "b"}});
    const std::string bytes = formatNotes(table, 2, [] { return std::string(); });
    EXPECT_EQ(notesOf(parsed(bytes)), (std::vector<Note>{{"A", "000000", "a"}, {"B", "2", "b"}}));
}

TEST(NotesFileWriting, SavedEmptyNoteReadsBackAsUntitledWithTodaysDate) {
    NoteTable table = makeTable({{"", "", ""}});
    EXPECT_EQ(notesOf(parsed(formatNotes(table, 1, fixedToday))), (std::vector<Note>{{"Untitled", "010203", ""}}));
}

// The format's plain reading rules, as the reference every other copy of the
// program follows: the text-mode translation, the text ending at the first
// 0x1A or NUL, and C's strtok with the alternating delimiter sets. Bodies
// come back as their raw tokens.
std::vector<Note> plainReading(const std::string& disk) {
    std::vector<char> text;
    for (std::size_t i = 0; i < disk.size() && disk[i] != '\x1A'; ++i) {
        if (!(disk[i] == '\r' && i + 1 < disk.size() && disk[i + 1] == '\n')) text.push_back(disk[i]);
    }
    text.push_back('\0');
    std::vector<Note> notes;
    for (char* date = std::strtok(text.data(), "\n"); date; date = std::strtok(nullptr, "\n")) {
        Note note;
        note.date = date;
        if (const char* title = std::strtok(nullptr, "\n")) note.title = title;
        if (const char* body = std::strtok(nullptr, "\xB0")) note.body = body;
        notes.push_back(note);
    }
    return notes;
}

TEST(NotesFilePlainRules, AnyBytesSplitIntoTheRecordsOfThePlainRules) {
    static const char bytes[] = {'\r', '\n', '\xB0', '\x1A', '\0', '\x10', '<', 'e', 'B', '0', '1', 'F', 'x'};
    std::mt19937 random(19990401);
    std::uniform_int_distribution<int> length(0, 60), pick(0, sizeof bytes - 1), anyByte(0, 255), choice(0, 7);
    for (int round = 0; round < 3000; ++round) {
        std::string disk;
        for (int i = length(random); i > 0; --i) {
            disk.push_back(choice(random) == 0 ? static_cast<char>(anyByte(random)) : bytes[pick(random)]);
        }
        if (choice(random) == 0) disk += "<empty>\xB0";
        const std::vector<Note> plain = plainReading(disk);
        const std::vector<Note> read = notesOf(parsed(disk));
        ASSERT_EQ(read.size(), plain.size()) << printable(disk);
        for (std::size_t i = 0; i < plain.size(); ++i) {
            ASSERT_EQ(read[i].date, plain[i].date) << printable(disk);
            ASSERT_EQ(read[i].title, plain[i].title) << printable(disk);
            // Only an escape may make a body differ from its token.
            if (plain[i].body.find('\x10') == std::string::npos) {
                ASSERT_EQ(read[i].body, plain[i].body == "<empty>" ? "" : plain[i].body) << printable(disk);
            }
        }
    }
}

TEST(NotesFileStopBytes, WhatFollowsAStopByteIsKeptAndWrittenBackAfterTheNotes) {
    const std::string a = "1\r\nA\r\na\xB0\r\n";
    const std::string after = "2\r\nB\r\nb\xB0\r\n\xFF\r\n";
    struct Case {
        std::string disk;
        std::vector<Note> notes;
        std::string written;  // with nothing changed
    };
    const Case cases[] = {
        {a + "\x1A" + after, {{"A", "1", "a"}}, a + "\x1A" + after},
        {a + raw("\0") + after, {{"A", "1", "a"}}, a + raw("\0") + after},
        {a + "\x1A", {{"A", "1", "a"}}, a + "\x1A"},
        {"1\r\nA\r\nab\r" + raw("\0cd\x1A") + after, {{"A", "1", "ab\r"}},
         "1\r\nA\r\nab\r\xB0\r\n" + raw("\0cd\x1A") + after},
        {"1\r\nA\x1A\r\nrest", {{"A", "1", ""}}, "1\r\nA\r\n<empty>\xB0\r\n\x1A\r\nrest"},
    };
    for (const Case& c : cases) {
        NoteTable table = parsed(c.disk);
        EXPECT_EQ(notesOf(table), c.notes) << printable(c.disk);
        EXPECT_EQ(printable(formatNotes(table, table.noteCount(), fixedToday)), printable(c.written));
        EXPECT_EQ(notesOf(parsed(c.written)), c.notes) << printable(c.written);

        // A note added goes before the kept bytes, where every reader finds it.
        table.appendNote();
        table.at(static_cast<std::int16_t>(table.noteCount() - 1)) = Note{"N", "9", "n"};
        const std::string more = formatNotes(table, table.noteCount(), fixedToday);
        const std::string tail = c.disk.substr(std::min(c.disk.find('\x1A'), c.disk.find('\0')));
        EXPECT_EQ(printable(more), printable(c.written.substr(0, c.written.size() - tail.size()) + "9\r\nN\r\nn\xB0\r\n" + tail));
    }
}

TEST(NotesFileRoundTrip, FileWithoutSpecialBytesIsRewrittenByteForByte) {
    const std::string bytes =
        "120603\r\nShopping\r\nmilk\r\r\nbread\xB0\r\n010203\r\nUntitled\r\n<empty>\xB0\r\n"
        "x y\r\nLine one\r\n\r\r\nstarts with a break\r\r\n\xB0\r\n"
        "1\r2\r\r\nLone\rCR\r\r\nx\xB0\r\n";
    EXPECT_EQ(printable(formatNotes(parsed(bytes), parsed(bytes).noteCount(), fixedToday)), printable(bytes));
}

// Fields drawn from every byte, the troublesome ones more often.
std::string randomField(std::mt19937& random, bool mayBeEmpty) {
    static const char special[] = {'\r', '\n', '\xB0', '\x1A', '\0', '\x10', '<', 'e', 'B', '0', '1', 'A', ' '};
    std::uniform_int_distribution<int> length(mayBeEmpty ? 0 : 1, 12);
    std::uniform_int_distribution<int> choice(0, 3);
    std::uniform_int_distribution<int> anyByte(0, 255);
    std::uniform_int_distribution<int> specialIndex(0, sizeof special - 1);
    std::string field;
    const int n = length(random);
    for (int i = 0; i < n; ++i) {
        field.push_back(choice(random) == 0 ? static_cast<char>(anyByte(random)) : special[specialIndex(random)]);
    }
    if (choice(random) == 0) field = "<empty>";
    return field;
}

// What the writer makes of a title or date that the format cannot carry.
std::string flattened(const std::string& field) {
    std::string out;
    for (std::size_t i = 0; i < field.size(); ++i) {
        const char c = field[i];
        const bool crLf = c == '\r' && i + 1 < field.size() && field[i + 1] == '\n';
        if (crLf) ++i;
        out.push_back(crLf || c == '\n' || c == '\x1A' || c == '\0' ? ' ' : c);
    }
    return out;
}

TEST(NotesFileRoundTrip, GeneratedTablesSurviveWriteAndRead) {
    std::mt19937 random(20031203);
    for (int round = 0; round < 300; ++round) {
        NoteTable table;
        std::vector<Note> expected;
        const int count = static_cast<int>(random() % 6);
        for (int i = 0; i < count; ++i) {
            Note note{randomField(random, true), randomField(random, true), randomField(random, true)};
            table.appendNote();
            table.at(static_cast<std::int16_t>(i)) = note;
            expected.push_back({note.title.empty() ? "Untitled" : flattened(note.title),
                                note.date.empty() ? fixedToday() : flattened(note.date), note.body});
        }
        const std::string bytes = formatNotes(table, table.noteCount(), fixedToday);
        const NoteTable back = parsed(bytes);
        ASSERT_EQ(notesOf(back), expected) << "round " << round << ": " << printable(bytes);
        // Any other reader finds the same records, titles and dates.
        const std::vector<Note> plain = plainReading(bytes);
        ASSERT_EQ(plain.size(), expected.size()) << "round " << round << ": " << printable(bytes);
        for (std::size_t i = 0; i < plain.size(); ++i) {
            ASSERT_EQ(plain[i].date, expected[i].date) << "round " << round;
            ASSERT_EQ(plain[i].title, expected[i].title) << "round " << round;
        }
        ASSERT_EQ(formatNotes(back, back.noteCount(), fixedToday), bytes) << "round " << round;
    }
}

}  // namespace
}  // namespace scriblet
