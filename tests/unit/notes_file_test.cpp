// Reading and saving notes.txt through the platform's file system, in a
// scratch current directory.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <regex>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "files/platform_file_system.h"
#include "notes/notes_store.h"
#include "notes_test_support.h"

namespace scriblet {
namespace {

using testing::CurrentScratchDir;
using testing::fixedToday;
using testing::makeTable;
using testing::notesOf;
using testing::printable;
using testing::raw;
using testing::readBytes;
using testing::saveFresh;
using testing::writeBytes;

class NotesFileOnDisk : public ::testing::Test {
protected:
    ReadOutcome read() { return NotesStore(*files, fixedToday).read(table); }

    CurrentScratchDir scratch;
    std::unique_ptr<FileSystem> files = makePlatformFileSystem();
    NoteTable table;
};

TEST_F(NotesFileOnDisk, MissingFileIsCreatedEmpty) {
    EXPECT_EQ(read().result, ReadResult::OpenedEmpty);
    EXPECT_EQ(table.noteCount(), 0);
    EXPECT_TRUE(std::filesystem::exists("notes.txt"));
    EXPECT_EQ(std::filesystem::file_size("notes.txt"), 0u);
}

TEST_F(NotesFileOnDisk, EmptyFileReadsEmpty) {
    writeBytes("notes.txt", "");
    EXPECT_EQ(read().result, ReadResult::OpenedEmpty);
    EXPECT_EQ(table.noteCount(), 0);
}

TEST_F(NotesFileOnDisk, FileWithoutRecordsStillHasData) {
    writeBytes("notes.txt", "\r\n\r\n");
    const ReadOutcome outcome = read();
    EXPECT_EQ(outcome.result, ReadResult::OpenedWithData);
    EXPECT_FALSE(outcome.error.has_value());
    EXPECT_EQ(table.noteCount(), 0);
}

TEST_F(NotesFileOnDisk, ShoppingReadAndWrittenBackByteForByte) {
    const std::string bytes = "120603\r\nShopping\r\nmilk\r\r\nbread\xB0\r\n";
    writeBytes("notes.txt", bytes);
    EXPECT_EQ(read().result, ReadResult::OpenedWithData);
    EXPECT_EQ(notesOf(table), (std::vector<Note>{{"Shopping", "120603", "milk\r\nbread"}}));

    EXPECT_FALSE(saveFresh(table, table.noteCount(), *files).has_value());
    EXPECT_EQ(printable(readBytes("notes.txt")), printable(bytes));
}

TEST_F(NotesFileOnDisk, SaveReplacesTheFileAndLeavesNoTemporary) {
    writeBytes("notes.txt", "old contents that are longer than the new ones\r\n");
    table = makeTable({{"A", "1", "a"}});
    EXPECT_FALSE(saveFresh(table, 1, *files).has_value());
    EXPECT_EQ(readBytes("notes.txt"), "1\r\nA\r\na\xB0\r\n");
    EXPECT_EQ(testing::directoryListing(), std::vector<std::string>{"notes.txt"});
}

TEST_F(NotesFileOnDisk, SavingNoNotesLeavesAnEmptyFile) {
    writeBytes("notes.txt", "1\r\nA\r\na\xB0\r\n");
    EXPECT_FALSE(saveFresh(table, 0, *files).has_value());
    EXPECT_EQ(readBytes("notes.txt"), "");
}

// Files that saves of other processes may have left beside notes.txt.
struct LeftFile {
    const char* name;
    std::string bytes;
    int ageMinutes;  // negative: dated in the future
    bool held;       // open in another program, so it can be neither renamed nor removed
};

struct CutSaveCase {
    const char* name;
    std::optional<std::string> notes;  // notes.txt before the start
    std::vector<LeftFile> left;
    std::string notesAfter;
    bool recovered;
    // After the start, and after a save; "notes (recovered).txt" stands for
    // each file that keeps a save, whatever its time and number.
    std::vector<std::string> listing;
    std::vector<std::string> kept;  // the bytes of those files, sorted
    std::size_t told;               // files the user is told of
};

void PrintTo(const CutSaveCase& c, std::ostream* out) { *out << c.name; }

// The folder's names with the time and number taken out of recovered files' names.
std::vector<std::string> timelessListing(std::vector<std::string>* keptBytes = nullptr) {
    static const std::regex recovered(R"(notes \(recovered \d{4}-\d\d-\d\d \d\d\.\d\d\.\d\d\)( \d+)?\.txt)");
    std::vector<std::string> names;
    for (const std::string& name : testing::directoryListing()) {
        const bool keeps = std::regex_match(name, recovered);
        names.push_back(keeps ? "notes (recovered).txt" : name);
        if (keeps && keptBytes) keptBytes->push_back(readBytes(name));
    }
    std::sort(names.begin(), names.end());
    if (keptBytes) std::sort(keptBytes->begin(), keptBytes->end());
    return names;
}

class CutSaves : public NotesFileOnDisk, public ::testing::WithParamInterface<CutSaveCase> {};

TEST_P(CutSaves, NeverCostANoteAndNeverBlockASave) {
    const CutSaveCase& c = GetParam();
    if (c.notes) writeBytes("notes.txt", *c.notes);
    std::vector<std::unique_ptr<testing::FileHold>> holds;
    for (const LeftFile& file : c.left) {
        writeBytes(file.name, file.bytes);
        if (file.ageMinutes) testing::ageFile(file.name, file.ageMinutes);
        if (file.held) holds.push_back(std::make_unique<testing::FileHold>(file.name));
    }

    const ReadOutcome outcome = read();
    EXPECT_EQ(outcome.recovered, c.recovered);
    EXPECT_FALSE(outcome.error.has_value());
    EXPECT_EQ(printable(readBytes("notes.txt")), printable(c.notesAfter));
    std::vector<std::string> kept;
    EXPECT_EQ(timelessListing(&kept), c.listing);
    EXPECT_EQ(kept, c.kept);
    ASSERT_EQ(outcome.keptFiles.size(), c.told);
    const std::filesystem::path folder = std::filesystem::path(files->fullPath("notes.txt")).parent_path();
    for (const std::string& path : outcome.keptFiles) {
        EXPECT_TRUE(std::filesystem::exists(path)) << path;
        EXPECT_EQ(std::filesystem::path(path).parent_path(), folder) << path;
    }

    table = makeTable({{"S", "5", "saved"}});
    EXPECT_FALSE(saveFresh(table, 1, *files).has_value());
    EXPECT_EQ(readBytes("notes.txt"), "5\r\nS\r\nsaved\xB0\r\n");
    EXPECT_EQ(timelessListing(), c.listing);
}

const std::string kA = "1\r\nA\r\na\xB0\r\n";
const std::string kB = "2\r\nB\r\nb\xB0\r\n";
const std::string kC = "3\r\nC\r\nc\xB0\r\n";
const std::string kSide = "notes (Scriblet 2026-01-02 03.04.05).txt";
const std::string kKeeps = "notes (recovered).txt";

INSTANTIATE_TEST_SUITE_P(
    NotesFileOnDisk, CutSaves,
    ::testing::Values(
        CutSaveCase{"MissingNotesComeBackFromTheLatestSaveAndTheOthersAreKept", std::nullopt,
                    {{"notes.txt.123.saved", kB, 1, false}, {"notes.txt.456.saved", kC, 0, false},
                     {"notes.txt.789.tmp", kA, 0, false}, {"notes.txt.11.saved", kA, 3, false}},
                    kC, true, {kKeeps, kKeeps, "notes.txt"}, {kA, kB}, 2},
        CutSaveCase{"SaveDatedInTheFutureIsTakenByItsTimeAndTheOtherIsKept", std::nullopt,
                    {{"notes.txt.111.saved", kA, -60, false}, {"notes.txt.222.saved", kB, 5, false}},
                    kA, true, {kKeeps, "notes.txt"}, {kB}, 1},
        CutSaveCase{"IncompleteSaveIsNeverTakenForTheNotes", std::nullopt, {{"notes.txt.789.tmp", kA, 0, false}}, "",
                    false, {"notes.txt"}, {}, 0},
        CutSaveCase{"SavesBesideTheNotesGoOnlyWhenEqualWhateverTheirAge", kA,
                    {{"notes.txt.123.saved", kB, 2, false}, {"notes.txt.456.saved", kA, 0, false},
                     {"notes.txt.789.2.saved", kC, -60, false}},
                    kA, false, {kKeeps, kKeeps, "notes.txt"}, {kB, kC}, 2},
        CutSaveCase{"SavesThatCannotBeMovedStayAndAreTold", kA,
                    {{"notes.txt.123.tmp", kB, 0, true}, {"notes.txt.456.saved", kC, 5, true}}, kA, false,
                    {"notes.txt", "notes.txt.123.tmp", "notes.txt.456.saved"}, {}, 1},
        CutSaveCase{"SideFileComesBackFromItsSave", kA,
                    {{"notes (Scriblet 2026-01-02 03.04.05).txt.77.saved", kB, 0, false},
                     {"notes (Scriblet 2026-01-02 03.04.05).txt.78.tmp", kC, 0, false}},
                    kA, false, {kSide, "notes.txt"}, {}, 1},
        CutSaveCase{"OtherFilesAreLeftAlone", kA,
                    {{"notes.txt.tmp", kB, 5, false}, {"notes.txt.12a.tmp", kB, 5, false},
                     {"notes.txt.bak", kB, 5, false}, {"notes.txt.1.saved.txt", kB, 5, false},
                     {"notes.txt..saved", kB, 5, false}, {"notes (Scriblet x).txt.saved", kB, 5, false}},
                    kA, false,
                    {"notes (Scriblet x).txt.saved", "notes.txt", "notes.txt..saved", "notes.txt.1.saved.txt",
                     "notes.txt.12a.tmp", "notes.txt.bak", "notes.txt.tmp"},
                    {}, 0},
#ifdef _WIN32
        // An editor or Explorer may have named the file Notes.txt: names
        // compare as Windows compares them.
        CutSaveCase{"NamesCompareAsTheFileSystemDoes", std::nullopt, {{"Notes.txt.42.saved", kB, 0, false}}, kB, true,
                    {"notes.txt"}, {}, 0}
#else
        CutSaveCase{"NamesCompareAsTheFileSystemDoes", std::nullopt, {{"Notes.txt.42.saved", kB, 0, false}}, "", false,
                    {"Notes.txt.42.saved", "notes.txt"}, {}, 0}
#endif
        ),
    [](const ::testing::TestParamInfo<CutSaveCase>& info) { return std::string(info.param.name); });

TEST_F(NotesFileOnDisk, Utf16FileIsNeitherReadNorChanged) {
    // A file of only the byte-order mark is UTF-16 too.
    for (const std::string& bytes :
         {raw("\xFF\xFE" "1\0\r\0\n\0A\0"), raw("\xFE\xFF\0" "1\0\r\0\n"), raw("\xFF\xFE")}) {
        writeBytes("notes.txt", bytes);
        const ReadOutcome outcome = read();
        EXPECT_EQ(outcome.result, ReadResult::NotNotesEncoding);
        EXPECT_FALSE(outcome.error.has_value());
        EXPECT_EQ(table.noteCount(), 0);
        EXPECT_EQ(readBytes("notes.txt"), bytes);
    }
}

// The target's own folder holds its saves, also while the target is missing.
TEST_F(NotesFileOnDisk, LinkToAMissingFileIsRecoveredBesideItsTarget) {
#ifdef _WIN32
    GTEST_SKIP() << "Wine makes no links to missing files";
#endif
    std::filesystem::create_directory("store");
    writeBytes("store/real.txt.42.saved", kA);
    std::error_code error;
    std::filesystem::create_symlink("store/real.txt", "notes.txt", error);
    if (error) GTEST_SKIP() << "no symbolic links can be made here";

    const ReadOutcome outcome = read();
    EXPECT_TRUE(outcome.recovered);
    EXPECT_EQ(notesOf(table), (std::vector<Note>{{"A", "1", "a"}}));
    EXPECT_EQ(readBytes("store/real.txt"), kA);
    EXPECT_EQ(testing::directoryListing("store"), std::vector<std::string>{"real.txt"});
    EXPECT_TRUE(std::filesystem::is_symlink("notes.txt"));
}

TEST_F(NotesFileOnDisk, SaveThroughASymbolicLinkKeepsTheLink) {
    std::filesystem::create_directory("store");
    writeBytes("store/real.txt", "1\r\nA\r\na\xB0\r\n");
    const testing::SymbolicLink link("store/real.txt", "notes.txt");
    if (!link.made()) GTEST_SKIP() << "no symbolic links can be made here";
    ASSERT_EQ(read().result, ReadResult::OpenedWithData);

    // The temporary file goes beside the target, so the replace is one rename there.
    std::vector<std::string> besideTarget;
    testing::FailingFileSystem watching(*files, [&besideTarget](const std::string& operation, int) {
        if (operation == "replace") besideTarget = testing::directoryListing("store");
        return false;
    });
    table.at(0).body = "changed";
    ASSERT_FALSE(saveFresh(table, 1, watching).has_value());
    const std::string complete = "real.txt." + std::to_string(files->processId()) + ".saved";
    EXPECT_NE(std::find(besideTarget.begin(), besideTarget.end(), complete), besideTarget.end());

    // Had the link been replaced, the target would still hold the old bytes.
    EXPECT_EQ(readBytes("store/real.txt"), "1\r\nA\r\nchanged\xB0\r\n");
    EXPECT_EQ(testing::directoryListing("store"), std::vector<std::string>{"real.txt"});
    EXPECT_EQ(testing::directoryListing(), (std::vector<std::string>{"notes.txt", "store"}));
#ifndef _WIN32
    EXPECT_TRUE(std::filesystem::is_symlink("notes.txt"));
#endif
}

TEST_F(NotesFileOnDisk, DegreeSignSurvivesSaveAndReload) {
    table = makeTable({{"20\xB0" "C", "12\xB0", "It was 20\xB0" "C\r\nand 0\xB0" "F at night"}});
    const std::vector<Note> before = notesOf(table);
    ASSERT_FALSE(saveFresh(table, 1, *files).has_value());
    NoteTable reloaded;
    NotesStore(*files, fixedToday).read(reloaded);
    EXPECT_EQ(notesOf(reloaded), before);
}

TEST_F(NotesFileOnDisk, ReadingAgainReplacesTheTable) {
    writeBytes("notes.txt", "1\r\nA\r\na\xB0\r\n");
    table = makeTable({{"X", "9", "x"}, {"Y", "9", "y"}});
    read();
    EXPECT_EQ(notesOf(table), (std::vector<Note>{{"A", "1", "a"}}));
}

TEST_F(NotesFileOnDisk, ErrorNamesTheFullPathOfNotesFile) {
    const std::string path = files->fullPath("notes.txt");
    EXPECT_TRUE(std::filesystem::equivalent(std::filesystem::path(path).parent_path(), scratch.path())) << path;
    EXPECT_EQ(std::filesystem::path(path).filename(), "notes.txt");
    EXPECT_EQ(fileErrorMessage({FileErrorCause::DiskFull, path, 0}), "Disk full while accessing " + path + ".");
}

TEST_F(NotesFileOnDisk, SaveKeepsWhatTheSystemAttachedToTheOldFile) {
    writeBytes("notes.txt", "1\r\nA\r\na\xB0\r\n");
#ifdef _WIN32
    const DWORD kept = FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM;
    SetFileAttributesA("notes.txt", kept);
    if ((GetFileAttributesA("notes.txt") & kept) != kept) {
        GTEST_SKIP() << "this file system (under Wine) does not keep the hidden and system attributes";
    }
#else
    const auto privateMode = std::filesystem::perms::owner_read | std::filesystem::perms::owner_write;
    std::filesystem::permissions("notes.txt", privateMode);
#endif
    table = makeTable({{"B", "2", "b"}});
    ASSERT_FALSE(saveFresh(table, 1, *files).has_value());
    EXPECT_EQ(readBytes("notes.txt"), "2\r\nB\r\nb\xB0\r\n");
#ifdef _WIN32
    EXPECT_EQ(GetFileAttributesA("notes.txt") & kept, kept);
#else
    EXPECT_EQ(std::filesystem::status("notes.txt").permissions(), privateMode);
#endif
}

TEST(NotesFileErrorMessage, TextForEachCause) {
    struct Case {
        FileErrorCause cause;
        const char* text;
    };
    const Case cases[] = {
        {FileErrorCause::Generic, "An unknown error occurred while accessing C:\\w\\notes.txt."},
        {FileErrorCause::DiskFull, "Disk full while accessing C:\\w\\notes.txt."},
        {FileErrorCause::BadSeek, "Seek failed on C:\\w\\notes.txt"},
        {FileErrorCause::AccessDenied, "Access to C:\\w\\notes.txt was denied."},
        {FileErrorCause::SharingViolation, "C:\\w\\notes.txt is in use by another program."},
        {FileErrorCause::NotFound, "C:\\w\\notes.txt was not found."},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(fileErrorMessage({c.cause, "C:\\w\\notes.txt", 0}), c.text);
    }
}

TEST(NotesDigest, SameForAnySplitOfTheBytesAndChangedByAnyByte) {
    std::string bytes;
    for (int i = 0; i < 1000; ++i) bytes.push_back(static_cast<char>(i * 37 + i / 7));
    const Digest whole = digestOf(bytes.data(), bytes.size());
    for (std::size_t piece : {1u, 5u, 16u, 17u, 333u}) {
        Digester digester;
        for (std::size_t at = 0; at < bytes.size(); at += piece) {
            digester.add(bytes.data() + at, std::min(piece, bytes.size() - at));
        }
        EXPECT_EQ(digester.finish(), whole) << piece;
    }
    for (std::size_t at : {0u, 15u, 16u, 999u}) {
        std::string changed = bytes;
        changed[at] = static_cast<char>(changed[at] ^ 1);
        EXPECT_NE(digestOf(changed.data(), changed.size()), whole) << at;
    }
    // Zero padding of the last block is no part of the bytes.
    EXPECT_NE(digestOf(bytes.data(), 999), digestOf((bytes.substr(0, 999) + '\0').data(), 1000));
}

TEST(NotesTodayString, SixDigitsMonthDayYear) {
    const std::string today = todayString();
    ASSERT_EQ(today.size(), 6u) << today;
    for (char c : today) EXPECT_TRUE(c >= '0' && c <= '9') << today;
    const int month = std::stoi(today.substr(0, 2));
    const int day = std::stoi(today.substr(2, 2));
    EXPECT_TRUE(month >= 1 && month <= 12) << today;
    EXPECT_TRUE(day >= 1 && day <= 31) << today;
}

}  // namespace
}  // namespace scriblet
