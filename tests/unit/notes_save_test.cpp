// A save never destroys what is on disk: failures of every kind leave the old
// notes.txt byte for byte and no temporary file behind, leftovers never make
// it fail, and two copies never overwrite each other's notes unasked.
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "files/platform_file_system.h"
#include "notes/notes_store.h"
#include "notes_test_support.h"

namespace scriblet {
namespace {

using testing::CurrentScratchDir;
using testing::directoryListing;
using testing::FailingFileSystem;
using testing::FileHold;
using testing::fixedToday;
using testing::makeTable;
using testing::notesOf;
using testing::printable;
using testing::readBytes;
using testing::saveFresh;
using testing::writeBytes;

const std::string kOldBytes = "120603\r\nShopping\r\nmilk\r\r\nbread\xB0\r\n";
const std::vector<std::string> kOnlyNotesFile{"notes.txt"};

class NotesSave : public ::testing::Test {
protected:
    void SetUp() override { writeBytes("notes.txt", kOldBytes); }

    std::optional<FileError> save(FileSystem& through) { return saveFresh(table, table.noteCount(), through); }
    ReadOutcome readThrough(FileSystem& through, NoteTable& read) { return NotesStore(through, fixedToday).read(read); }

    // The old file is all there is, whatever the save did.
    void expectOldFileKept(const std::string& context) {
        EXPECT_EQ(printable(readBytes("notes.txt")), printable(kOldBytes)) << context;
        EXPECT_EQ(directoryListing(), kOnlyNotesFile) << context;
    }

    CurrentScratchDir scratch;
    std::unique_ptr<FileSystem> real = makePlatformFileSystem();
    NoteTable table = makeTable({{"New", "1", "replaces the old"}, {"Two", "2", "and more"}});
    const std::string newBytes = formatNotes(table, table.noteCount(), fixedToday);
};

// An operation that throws (memory running out) is a file error too.
TEST_F(NotesSave, EachFailingOrThrowingOperationSavesAllOrNothing) {
    FailingFileSystem counting(*real, FailingFileSystem::never());
    ASSERT_FALSE(save(counting).has_value());
    const int operations = counting.operations();
    ASSERT_GE(operations, 8);

    for (const bool throws : {false, true}) {
        int failures = 0;
        for (int n = 1; n <= operations; ++n) {
            writeBytes("notes.txt", kOldBytes);
            FailingFileSystem failing(*real, FailingFileSystem::nth(n));
            failing.throws = throws;
            const std::optional<FileError> error = save(failing);
            const std::string context = (throws ? "throwing operation " : "operation ") + std::to_string(n);
            if (!error) {
                // Finding the link's target and stamping our own file may fail harmlessly.
                EXPECT_FALSE(throws) << context;
                EXPECT_EQ(readBytes("notes.txt"), newBytes) << context;
                EXPECT_EQ(directoryListing(), kOnlyNotesFile) << context;
                continue;
            }
            ++failures;
            EXPECT_EQ(error->cause, FileErrorCause::Generic);
            EXPECT_EQ(error->path, real->fullPath("notes.txt"));
            expectOldFileKept(context);
        }
        EXPECT_GE(failures, operations - 2);
    }
}

TEST_F(NotesSave, EachFailingOperationWithoutAFileLeavesNothingOrTheCompleteSave) {
    std::filesystem::remove("notes.txt");
    const std::string complete = "notes.txt." + std::to_string(real->processId()) + ".saved";
    int leftComplete = 0;
    for (int n = 1; n <= 10; ++n) {
        const std::string context = "operation " + std::to_string(n);
        FailingFileSystem failing(*real, FailingFileSystem::nth(n));
        if (!save(failing)) {
            EXPECT_EQ(readBytes("notes.txt"), newBytes) << context;
        } else if (directoryListing() == std::vector<std::string>{complete}) {
            // Written and flushed but not yet in place: the next start puts it there.
            ++leftComplete;
            NoteTable read;
            const ReadOutcome outcome = readThrough(*real, read);
            EXPECT_TRUE(outcome.recovered) << context;
            EXPECT_EQ(readBytes("notes.txt"), newBytes) << context;
        } else {
            EXPECT_EQ(directoryListing(), std::vector<std::string>()) << context;
        }
        std::filesystem::remove("notes.txt");
        EXPECT_EQ(directoryListing(), std::vector<std::string>()) << context;
    }
    EXPECT_GE(leftComplete, 1);
}

// A stop at any point of a save (from the N-th operation on everything
// fails, so nothing is cleaned up) leaves notes.txt old or new and whole, and
// after the next start nothing beside it that the user is not told of.
TEST_F(NotesSave, StopAtAnyPointLeavesNothingUnseenAfterTheNextStart) {
    for (int n = 1;; ++n) {
        writeBytes("notes.txt", kOldBytes);
        const std::string context = "stopped at operation " + std::to_string(n);
        bool armed = false;
        int count = 0;
        FailingFileSystem stopping(*real, [&](const std::string&, int) { return armed && ++count >= n; });
        NotesStore store(stopping, fixedToday);
        NoteTable read;
        ASSERT_EQ(store.read(read).result, ReadResult::OpenedWithData);
        armed = true;
        const bool saved = store.save(table, table.noteCount()).result == SaveResult::Saved;

        NoteTable after;
        const ReadOutcome outcome = readThrough(*real, after);
        const std::string notes = readBytes("notes.txt");
        EXPECT_TRUE(notes == kOldBytes || notes == newBytes) << context << ": " << printable(notes);
        std::vector<std::string> told;
        for (const std::string& path : outcome.keptFiles) {
            told.push_back(std::filesystem::path(path).filename().string());
            EXPECT_EQ(readBytes(path), newBytes) << context;
        }
        told.push_back("notes.txt");
        std::sort(told.begin(), told.end());
        EXPECT_EQ(directoryListing(), told) << context;
        for (const std::string& name : directoryListing()) {
            if (name != "notes.txt") std::filesystem::remove(name);
        }
        if (saved) break;
        ASSERT_LT(n, 50);
    }
}

TEST_F(NotesSave, CauseOfTheFailureIsReported) {
    FailingFileSystem diskFull(*real, FailingFileSystem::firstCalls("write", 1), FileErrorCause::DiskFull);
    const std::optional<FileError> error = save(diskFull);
    ASSERT_TRUE(error.has_value());
    EXPECT_EQ(error->cause, FileErrorCause::DiskFull);
    EXPECT_EQ(fileErrorMessage(*error), "Disk full while accessing " + real->fullPath("notes.txt") + ".");
    expectOldFileKept("disk full");
}

struct RetryCase {
    const char* name;
    const char* operation;
    FileErrorCause cause;
    int failures;
    bool saved;
    int pauses;
};

void PrintTo(const RetryCase& c, std::ostream* out) { *out << c.name; }

class NotesSaveRetries : public NotesSave, public ::testing::WithParamInterface<RetryCase> {};

TEST_P(NotesSaveRetries, RetriesOnlyWhatAnotherProgramMayRelease) {
    const RetryCase& c = GetParam();
    FailingFileSystem failing(*real, FailingFileSystem::firstCalls(c.operation, c.failures), c.cause);
    const std::optional<FileError> error = save(failing);
    EXPECT_EQ(failing.pauses(), c.pauses);
    if (c.saved) {
        EXPECT_FALSE(error.has_value());
        EXPECT_EQ(readBytes("notes.txt"), newBytes);
        EXPECT_EQ(directoryListing(), kOnlyNotesFile);
    } else {
        ASSERT_TRUE(error.has_value());
        EXPECT_EQ(error->cause, c.cause);
        expectOldFileKept(c.name);
    }
}

INSTANTIATE_TEST_SUITE_P(
    NotesSave, NotesSaveRetries,
    ::testing::Values(
        RetryCase{"ReplaceSharedBriefly", "replace", FileErrorCause::SharingViolation, 5, true, 5},
        RetryCase{"ReplaceSharedTooLong", "replace", FileErrorCause::SharingViolation, 6, false, 5},
        RetryCase{"ReplaceDeniedBriefly", "replace", FileErrorCause::AccessDenied, 3, true, 3},
        RetryCase{"ReplaceDeniedTooLong", "replace", FileErrorCause::AccessDenied, 6, false, 5},
        RetryCase{"ReplaceFailsOtherwise", "replace", FileErrorCause::Generic, 1, false, 0},
        RetryCase{"TemporarySharedBriefly", "createNew", FileErrorCause::SharingViolation, 2, true, 2},
        // Another copy's save holds the folder's lock: waited for about two seconds.
        RetryCase{"LockHeldBriefly", "lockFolder", FileErrorCause::SharingViolation, 3, true, 3},
        RetryCase{"LockHeldTooLong", "lockFolder", FileErrorCause::SharingViolation, 21, false, 20}),
    [](const ::testing::TestParamInfo<RetryCase>& info) { return std::string(info.param.name); });

TEST_F(NotesSave, FileHeldByAnotherProgramIsKept) {
    FileHold hold("notes.txt");
    ASSERT_TRUE(hold.held());
    FailingFileSystem noSleep(*real, FailingFileSystem::never());
    const std::optional<FileError> error = save(noSleep);
    ASSERT_TRUE(error.has_value());
    // Windows refuses the move with access denied, the open with a sharing violation.
    EXPECT_TRUE(error->cause == FileErrorCause::SharingViolation || error->cause == FileErrorCause::AccessDenied)
        << static_cast<int>(error->cause);
    EXPECT_EQ(noSleep.pauses(), 5);
    hold.release();
    expectOldFileKept("held");
}

TEST_F(NotesSave, FileReleasedWhileRetryingIsSaved) {
    FileHold hold("notes.txt");
    ASSERT_TRUE(hold.held());
    FailingFileSystem waiting(*real, FailingFileSystem::never());
    waiting.onPause = [&] {
        if (waiting.pauses() == 2) hold.release();
    };
    EXPECT_FALSE(save(waiting).has_value());
    EXPECT_EQ(readBytes("notes.txt"), newBytes);
    EXPECT_EQ(directoryListing(), kOnlyNotesFile);
}

TEST_F(NotesSave, FileHeldByAnotherProgramIsNotRead) {
    FileHold hold("notes.txt");
    ASSERT_TRUE(hold.held());
    FailingFileSystem noSleep(*real, FailingFileSystem::never());
    NoteTable read = makeTable({{"stale", "0", "x"}});
    const ReadOutcome outcome = readThrough(noSleep, read);
    EXPECT_EQ(outcome.result, ReadResult::NotOpened);
    ASSERT_TRUE(outcome.error.has_value());
    EXPECT_EQ(outcome.error->cause, FileErrorCause::SharingViolation);
    EXPECT_EQ(outcome.error->path, real->fullPath("notes.txt"));
    EXPECT_EQ(read.noteCount(), 0);
    // At start a held file is waited for about two seconds, 100 ms apart.
    EXPECT_EQ(noSleep.pauses(), 20);
    hold.release();
    expectOldFileKept("held while reading");
}

TEST_F(NotesSave, ReadOnlyFileIsKept) {
    std::filesystem::permissions("notes.txt", std::filesystem::perms::owner_write | std::filesystem::perms::group_write |
                                                  std::filesystem::perms::others_write,
                                 std::filesystem::perm_options::remove);
    const std::optional<FileError> error = save(*real);
    ASSERT_TRUE(error.has_value());
    EXPECT_EQ(error->cause, FileErrorCause::AccessDenied);
    EXPECT_EQ(fileErrorMessage(*error), "Access to " + real->fullPath("notes.txt") + " was denied.");
    expectOldFileKept("read-only");

    NoteTable read;
    EXPECT_EQ(readThrough(*real, read).result, ReadResult::OpenedWithData);
    EXPECT_EQ(read.noteCount(), 1);
    std::filesystem::permissions("notes.txt", std::filesystem::perms::owner_write, std::filesystem::perm_options::add);
}

TEST_F(NotesSave, EachFailingOperationOfAReadGivesAllOrNothing) {
    FailingFileSystem counting(*real, FailingFileSystem::never());
    NoteTable read;
    ASSERT_EQ(readThrough(counting, read).result, ReadResult::OpenedWithData);
    const std::vector<Note> all = notesOf(read);
    for (int n = 1; n <= counting.operations(); ++n) {
        FailingFileSystem failing(*real, FailingFileSystem::nth(n));
        const ReadOutcome outcome = readThrough(failing, read);
        if (outcome.result == ReadResult::OpenedWithData) {
            EXPECT_EQ(notesOf(read), all) << "operation " << n;
        } else {
            EXPECT_EQ(outcome.result, ReadResult::NotOpened) << "operation " << n;
            EXPECT_TRUE(outcome.error.has_value()) << "operation " << n;
            EXPECT_EQ(read.noteCount(), 0) << "operation " << n;
        }
        expectOldFileKept("read, operation " + std::to_string(n));
    }
}

TEST_F(NotesSave, EachFailingOperationOfARecoveryKeepsTheSave) {
    const auto setUp = [] {
        std::filesystem::remove("notes.txt");
        writeBytes("notes.txt.42.saved", kOldBytes);
        writeBytes("notes.txt.43.tmp", "half");
    };
    setUp();
    FailingFileSystem counting(*real, FailingFileSystem::never());
    NoteTable read;
    ASSERT_TRUE(readThrough(counting, read).recovered);
    const std::vector<Note> all = notesOf(read);

    for (int n = 1; n <= counting.operations(); ++n) {
        setUp();
        const std::string context = "operation " + std::to_string(n);
        FailingFileSystem failing(*real, FailingFileSystem::nth(n));
        const ReadOutcome outcome = readThrough(failing, read);
        if (outcome.result == ReadResult::OpenedWithData) {
            EXPECT_EQ(notesOf(read), all) << context;
        } else {
            // Saving is then held back: the notes are still on disk, under one name or the other.
            EXPECT_EQ(outcome.result, ReadResult::NotOpened) << context;
            EXPECT_TRUE(outcome.error.has_value()) << context;
            EXPECT_EQ(read.noteCount(), 0) << context;
        }
        const std::string kept =
            std::filesystem::exists("notes.txt") ? readBytes("notes.txt") : readBytes("notes.txt.42.saved");
        EXPECT_EQ(printable(kept), printable(kOldBytes)) << context;
        std::filesystem::remove("notes.txt.42.saved");
        std::filesystem::remove("notes.txt.43.tmp");
    }
}

// Another copy's save: a new file with the given bytes takes the name.
void replacedWith(const std::string& bytes) {
    writeBytes("other.tmp", bytes);
    std::filesystem::rename("other.tmp", "notes.txt");
}

// What another program does to notes.txt after this session read it.
struct ChangeCase {
    const char* name;
    std::function<void()> act;
    bool changed;
    bool bytesCompared;  // size, last write and identity could not decide
};

void PrintTo(const ChangeCase& c, std::ostream* out) { *out << c.name; }

class NotesSaveAfterAnotherProgram : public NotesSave, public ::testing::WithParamInterface<ChangeCase> {};

TEST_P(NotesSaveAfterAnotherProgram, NeverOverwritesItsChangesSilently) {
    const ChangeCase& c = GetParam();
    int reads = 0;
    FailingFileSystem counting(*real, [&reads](const std::string& operation, int) {
        reads += operation == "openRead" ? 1 : 0;
        return false;
    });
    NotesStore store(counting, fixedToday);
    NoteTable read;
    ASSERT_EQ(store.read(read).result, ReadResult::OpenedWithData);
    c.act();
    const std::optional<std::string> before =
        std::filesystem::exists("notes.txt") ? std::optional<std::string>(readBytes("notes.txt")) : std::nullopt;

    reads = 0;
    EXPECT_EQ(store.changedElsewhere(), c.changed);
    EXPECT_EQ(reads > 0, c.bytesCompared);
    const SaveOutcome outcome = store.save(table, table.noteCount());
    if (c.changed) {
        EXPECT_EQ(outcome.result, SaveResult::ChangedElsewhere);
        EXPECT_FALSE(outcome.error.has_value());
        EXPECT_EQ(printable(readBytes("notes.txt")), printable(before.value_or("")));
        EXPECT_EQ(directoryListing(), kOnlyNotesFile);
        // Saving over it is the user's choice, and covers only the change seen.
        store.answerChangedFile(true);
        replacedWith(before.value_or("") + "9\r\nAgain\r\nx\xB0\r\n");
        EXPECT_EQ(store.save(table, table.noteCount()).result, SaveResult::ChangedElsewhere);
        store.answerChangedFile(true);
        EXPECT_EQ(store.save(table, table.noteCount()).result, SaveResult::Saved);
    } else {
        EXPECT_EQ(outcome.result, SaveResult::Saved);
    }
    EXPECT_EQ(readBytes("notes.txt"), newBytes);
    EXPECT_EQ(directoryListing(), kOnlyNotesFile);

    // What this session wrote is now the known file, told by its stamp alone.
    EXPECT_FALSE(store.changedElsewhere());
    reads = 0;
    EXPECT_EQ(store.save(table, table.noteCount()).result, SaveResult::Unchanged);
    EXPECT_EQ(reads, 0);
}

INSTANTIATE_TEST_SUITE_P(
    NotesSave, NotesSaveAfterAnotherProgram,
    ::testing::Values(
        ChangeCase{"NothingDone", [] {}, false, false},
        ChangeCase{"SavedOverWithOtherBytes", [] { replacedWith(kOldBytes + "9\r\nX\r\nx\xB0\r\n"); }, true, true},
        ChangeCase{"SavedOverWithOtherBytesOfTheSameSize",
                   [] { replacedWith("120603\r\nShopping\r\nmilk\r\r\nBREAD\xB0\r\n"); }, true, true},
        ChangeCase{"ChangedInPlaceToTheSameSize",
                   [] {
                       writeBytes("notes.txt", "120603\r\nShopping\r\nMILK\r\r\nbread\xB0\r\n");
                       testing::ageFile("notes.txt", -1);
                   },
                   true, true},
        // Coarse file times, or a copy that keeps the time: only the identity tells.
        ChangeCase{"ReplacedKeepingSizeAndTime",
                   [] {
                       writeBytes("other.tmp", "120603\r\nShopping\r\nmilk\r\r\nBREAD\xB0\r\n");
                       std::filesystem::last_write_time("other.tmp", std::filesystem::last_write_time("notes.txt"));
                       std::filesystem::rename("other.tmp", "notes.txt");
                   },
                   true, true},
        ChangeCase{"SavedOverWithTheSameBytes", [] { replacedWith(kOldBytes); }, false, true},
        ChangeCase{"OnlyTouched", [] { testing::ageFile("notes.txt", -2); }, false, true},
        ChangeCase{"Removed", [] { std::filesystem::remove("notes.txt"); }, false, false}),
    [](const ::testing::TestParamInfo<ChangeCase>& info) { return std::string(info.param.name); });

// A save whose bytes equal what this session last read or wrote writes
// nothing: not over the file it read, not over what another program put
// there meanwhile. Only a removed file is written again.
TEST_F(NotesSave, SaveWithoutChangesLeavesTheFileUntouched) {
    NotesStore store(*real, fixedToday);
    NoteTable read;
    ASSERT_EQ(store.read(read).result, ReadResult::OpenedWithData);
    const auto untouched = [&](const std::string& bytes, const std::string& context) {
        testing::ageFile("notes.txt", 5);
        const auto written = std::filesystem::last_write_time("notes.txt");
        EXPECT_EQ(store.save(read, read.noteCount()).result, SaveResult::Unchanged) << context;
        EXPECT_EQ(printable(readBytes("notes.txt")), printable(bytes)) << context;
        EXPECT_EQ(std::filesystem::last_write_time("notes.txt"), written) << context;
        EXPECT_EQ(directoryListing(), kOnlyNotesFile) << context;
    };
    untouched(kOldBytes, "as read");
    const std::string theirs = kOldBytes + "9\r\nTheirs\r\nt\xB0\r\n";
    replacedWith(theirs);
    untouched(theirs, "changed by another program");

    std::filesystem::remove("notes.txt");
    EXPECT_EQ(store.save(read, read.noteCount()).result, SaveResult::Saved);
    EXPECT_EQ(printable(readBytes("notes.txt")), printable(kOldBytes));
}

// Every change is written: an edit, an empty date that becomes another
// day's date, and an edit whose bytes have the same size and digest.
TEST_F(NotesSave, ChangeIsStillWritten) {
    table = makeTable({{"A", "", "a"}});
    std::string day = "010203";
    NotesStore store(*real, [&day] { return day; });
    const auto save = [&] { return store.save(table, table.noteCount()).result; };
    EXPECT_EQ(save(), SaveResult::Saved);
    EXPECT_EQ(save(), SaveResult::Unchanged);
    day = "010303";
    EXPECT_EQ(save(), SaveResult::Saved);
    EXPECT_EQ(printable(readBytes("notes.txt")), printable("010303\r\nA\r\na\xB0\r\n"));
    table.at(0).body = "b";
    EXPECT_EQ(save(), SaveResult::Saved);
    EXPECT_EQ(printable(readBytes("notes.txt")), printable("010303\r\nA\r\nb\xB0\r\n"));
    EXPECT_EQ(directoryListing(), kOnlyNotesFile);

    writeBytes("notes.txt", "01\r\nShopping\r\nmilk and bldadaa..\xB0\r\n");
    NotesStore reader(*real, fixedToday);
    NoteTable read;
    ASSERT_EQ(reader.read(read).result, ReadResult::OpenedWithData);
    read.at(0).body = "MIlk and b-Mc4(g]x";
    EXPECT_EQ(reader.save(read, 1).result, SaveResult::Saved);
    EXPECT_EQ(printable(readBytes("notes.txt")), printable("01\r\nShopping\r\nMIlk and b-Mc4(g]x\xB0\r\n"));

    // After an edit elsewhere, records read with bare line feeds, an escape
    // or a blank line are written as the writer writes them; and a note
    // changed after the save that wrote it is written again.
    writeBytes("notes.txt", "1\r\nKept\r\nk\r\r\n\x10" "B0k\xB0\r\n2\nBare\nb\nb\xB0\n\r\n3\r\nEscape\r\n\x10" "41\xB0\r\n"
                            "4\r\nEdited\r\ne\xB0\r\n5\r\n\r\nBlank\r\nx\xB0\r\n");
    NotesStore mixer(*real, fixedToday);
    NoteTable mixed;
    ASSERT_EQ(mixer.read(mixed).result, ReadResult::OpenedWithData);
    Note& edited = mixed.at(3);
    edited.body = "E";
    EXPECT_EQ(mixer.save(mixed, 5).result, SaveResult::Saved);
    const std::string rewritten = "1\r\nKept\r\nk\r\r\n\x10" "B0k\xB0\r\n2\r\nBare\r\nb\r\nb\xB0\r\n3\r\nEscape\r\nA\xB0\r\n";
    EXPECT_EQ(printable(readBytes("notes.txt")), printable(rewritten + "4\r\nEdited\r\nE\xB0\r\n5\r\nBlank\r\nx\xB0\r\n"));
    EXPECT_EQ(mixer.save(mixed, 5).result, SaveResult::Unchanged);
    edited.body = "F";
    EXPECT_EQ(mixer.save(mixed, 5).result, SaveResult::Saved);
    EXPECT_EQ(printable(readBytes("notes.txt")), printable(rewritten + "4\r\nEdited\r\nF\xB0\r\n5\r\nBlank\r\nx\xB0\r\n"));
}

// Files left by saves cut short, with this process's id among them (ids are
// reused), and a lock file left by a crash: the save takes other names and
// replaces none of them. The rename it relies on refuses an existing file
// on both file systems, as Windows' does.
TEST_F(NotesSave, LeftoversOfAnyNameNeverMakeASaveFail) {
    const std::string own = "notes.txt." + std::to_string(real->processId());
    const std::vector<std::string> leftovers{own + ".2.saved", own + ".2.tmp", own + ".saved", own + ".tmp"};
    for (const std::string& name : leftovers) writeBytes(name, "left " + name);
    // Windows' lock file, as a crash of the whole system leaves it: taken over, and gone with the lock.
    writeBytes("scriblet.lock", "");
    EXPECT_FALSE(save(*real).has_value());
    EXPECT_EQ(readBytes("notes.txt"), newBytes);
    for (const std::string& name : leftovers) EXPECT_EQ(readBytes(name), "left " + name) << name;
    std::filesystem::remove("scriblet.lock");
    std::vector<std::string> all = leftovers;
    all.push_back("notes.txt");
    std::sort(all.begin(), all.end());
    EXPECT_EQ(directoryListing(), all);

    writeBytes("a.txt", "a");
    const FileStatus renamed = real->rename("a.txt", "notes.txt");
    EXPECT_FALSE(renamed);
    EXPECT_EQ(renamed.cause, FileErrorCause::AlreadyExists);
    EXPECT_EQ(readBytes("a.txt"), "a");
    EXPECT_EQ(readBytes("notes.txt"), newBytes);
}

// A second copy saves while the first is between its check of notes.txt and
// its replace: it waits for the lock, gives up as "in use", and its next save
// finds the first copy's notes instead of dropping them.
TEST_F(NotesSave, TwoCopiesNeverInterleaveASave) {
    FailingFileSystem secondFiles(*real, FailingFileSystem::never());
    NotesStore second(secondFiles, fixedToday);
    NoteTable secondTable;
    ASSERT_EQ(second.read(secondTable).result, ReadResult::OpenedWithData);
    secondTable.at(0).body = "second";

    std::optional<SaveOutcome> during;
    FailingFileSystem firstFiles(*real, [&](const std::string& operation, int) {
        if (operation == "replace" && !during) during = second.save(secondTable, 1);
        return false;
    });
    NotesStore first(firstFiles, fixedToday);
    NoteTable firstTable;
    ASSERT_EQ(first.read(firstTable).result, ReadResult::OpenedWithData);
    firstTable.at(0).body = "first";
    EXPECT_EQ(first.save(firstTable, 1).result, SaveResult::Saved);

    ASSERT_TRUE(during.has_value());
    EXPECT_EQ(during->result, SaveResult::Failed);
    ASSERT_TRUE(during->error.has_value());
    EXPECT_EQ(fileErrorMessage(*during->error), real->fullPath("notes.txt") + " is in use by another program.");
    EXPECT_EQ(secondFiles.pauses(), 20);
    const std::string firstBytes = formatNotes(firstTable, 1, fixedToday);
    EXPECT_EQ(readBytes("notes.txt"), firstBytes);
    EXPECT_EQ(second.save(secondTable, 1).result, SaveResult::ChangedElsewhere);
    EXPECT_EQ(readBytes("notes.txt"), firstBytes);
    EXPECT_EQ(directoryListing(), kOnlyNotesFile);
}

// A start while another copy saves leaves that copy's files alone: it waits
// about two seconds for the lock, then reads notes.txt as it is, or, when
// notes.txt is missing, holds saving back rather than create it empty.
TEST_F(NotesSave, RecoveryNeverTakesAnotherCopysSaveForALeftover) {
    const std::string complete = "notes.txt.42.saved";
    std::unique_ptr<FolderLock> lock;
    ASSERT_TRUE(real->lockFolder("notes.txt", lock));
    for (const bool notesThere : {true, false}) {
        if (!notesThere) std::filesystem::remove("notes.txt");
        writeBytes(complete, "theirs");
        FailingFileSystem noSleep(*real, FailingFileSystem::never());
        NoteTable read;
        const ReadOutcome outcome = readThrough(noSleep, read);
        EXPECT_EQ(noSleep.pauses(), 20);
        EXPECT_EQ(outcome.result, notesThere ? ReadResult::OpenedWithData : ReadResult::NotOpened);
        EXPECT_TRUE(outcome.keptFiles.empty());
        EXPECT_EQ(readBytes(complete), "theirs");
        EXPECT_EQ(std::filesystem::exists("notes.txt"), notesThere);
    }
}

// Two copies that keep notes.txt as another program left it, within the same
// second: each gets a side file of its own, named by the question.
TEST_F(NotesSave, SideFilesNeverShareAName) {
    NotesStore first(*real, fixedToday);
    NotesStore second(*real, fixedToday);
    NoteTable firstTable;
    NoteTable secondTable;
    first.read(firstTable);
    second.read(secondTable);
    replacedWith(kOldBytes + "9\r\nTheirs\r\nt\xB0\r\n");
    firstTable.at(0).body = "first";
    secondTable.at(0).body = "second";
    ASSERT_EQ(first.save(firstTable, 1).result, SaveResult::ChangedElsewhere);
    ASSERT_EQ(second.save(secondTable, 1).result, SaveResult::ChangedElsewhere);
    const std::string firstSide = first.reserveSideFile();
    const std::string secondSide = second.reserveSideFile();
    EXPECT_NE(firstSide, secondSide);
    first.answerChangedFile(false);
    second.answerChangedFile(false);
    EXPECT_EQ(first.save(firstTable, 1).result, SaveResult::Saved);
    EXPECT_EQ(second.save(secondTable, 1).result, SaveResult::Saved);
    EXPECT_EQ(readBytes(firstSide), formatNotes(firstTable, 1, fixedToday));
    EXPECT_EQ(readBytes(secondSide), formatNotes(secondTable, 1, fixedToday));
    EXPECT_EQ(readBytes("notes.txt"), kOldBytes + "9\r\nTheirs\r\nt\xB0\r\n");
    EXPECT_EQ(directoryListing().size(), 3u);
}

// Where creating files is denied but notes.txt may be written, the save
// rewrites it in place once the user was told, and a rewrite that fails
// writes the old bytes back.
TEST_F(NotesSave, FolderWhereNoFileMayBeCreatedIsSavedInPlaceOnceTold) {
    bool failWrite = false;
    FailingFileSystem folder(*real, [&failWrite](const std::string& operation, int) {
        if (operation == "write" && failWrite) {
            failWrite = false;
            return true;
        }
        return operation == "createNew" || operation == "lockFolder";
    }, FileErrorCause::AccessDenied);
    NotesStore store(folder, fixedToday);
    NoteTable read;
    ASSERT_EQ(store.read(read).result, ReadResult::OpenedWithData);
    EXPECT_EQ(store.save(table, table.noteCount()).result, SaveResult::InPlaceAhead);
    expectOldFileKept("before the user was told");

    store.allowSavingInPlace();
    EXPECT_EQ(store.save(table, table.noteCount()).result, SaveResult::Saved);
    EXPECT_EQ(readBytes("notes.txt"), newBytes);
    EXPECT_EQ(directoryListing(), kOnlyNotesFile);

    table.at(0).body = "cut short";
    failWrite = true;
    const SaveOutcome outcome = store.save(table, table.noteCount());
    EXPECT_EQ(outcome.result, SaveResult::Failed);
    EXPECT_EQ(readBytes("notes.txt"), newBytes);
    EXPECT_EQ(directoryListing(), kOnlyNotesFile);
    EXPECT_EQ(store.save(table, table.noteCount()).result, SaveResult::Saved);
    EXPECT_EQ(readBytes("notes.txt"), formatNotes(table, table.noteCount(), fixedToday));
}

TEST_F(NotesSave, FailedSizeQueryIsASeekError) {
    FailingFileSystem failing(*real, FailingFileSystem::firstCalls("size", 1));
    NoteTable read;
    const ReadOutcome outcome = readThrough(failing, read);
    EXPECT_EQ(outcome.result, ReadResult::NotOpened);
    ASSERT_TRUE(outcome.error.has_value());
    EXPECT_EQ(fileErrorMessage(*outcome.error), "Seek failed on " + real->fullPath("notes.txt"));
}

#ifndef _WIN32
// Makes the current directory read-only, with notes.txt holding `bytes` when
// given. Root writes into any directory whatever its permissions, so for root
// a read-only file system stands in for the read-only folder.
class ReadOnlyDirectory {
public:
    ReadOnlyDirectory(const std::filesystem::path& scratch, const std::string* bytes) {
        if (::geteuid() != 0) {
            if (!bytes) std::filesystem::remove("notes.txt");
            std::filesystem::permissions(".", std::filesystem::perms::owner_read | std::filesystem::perms::owner_exec);
            ready_ = true;
            return;
        }
        mount_.emplace(scratch / "ro", "size=64k");
        if (!mount_->mounted()) {
            problem_ = mount_->problem();
            return;
        }
        if (bytes) writeBytes(scratch / "ro" / "notes.txt", *bytes);
        if (!mount_->remountReadOnly()) {
            problem_ = "remounting read-only failed";
            return;
        }
        std::filesystem::current_path(scratch / "ro");
        ready_ = true;
    }

    bool ready() const { return ready_; }
    const std::string& problem() const { return problem_; }

private:
    std::optional<testing::TmpfsMount> mount_;
    bool ready_ = false;
    std::string problem_;
};

TEST_F(NotesSave, ReadOnlyDirectoryKeepsTheFile) {
    ReadOnlyDirectory directory(scratch.path(), &kOldBytes);
    if (!directory.ready()) GTEST_SKIP() << "no read-only directory: " << directory.problem();

    const std::optional<FileError> error = save(*real);
    ASSERT_TRUE(error.has_value());
    EXPECT_EQ(error->cause, FileErrorCause::AccessDenied);
    expectOldFileKept("read-only directory");

    NoteTable read;
    EXPECT_EQ(readThrough(*real, read).result, ReadResult::OpenedWithData);
    EXPECT_EQ(read.noteCount(), 1);
    std::filesystem::current_path(scratch.path());
}

TEST_F(NotesSave, ReadOnlyDirectoryWithoutNotesFileIsNotOpened) {
    ReadOnlyDirectory directory(scratch.path(), nullptr);
    if (!directory.ready()) GTEST_SKIP() << "no read-only directory: " << directory.problem();

    NoteTable read;
    const ReadOutcome outcome = readThrough(*real, read);
    EXPECT_EQ(outcome.result, ReadResult::NotOpened);
    ASSERT_TRUE(outcome.error.has_value());
    EXPECT_EQ(outcome.error->cause, FileErrorCause::AccessDenied);
    EXPECT_EQ(outcome.error->path, real->fullPath("notes.txt"));
    std::filesystem::current_path(scratch.path());
}

TEST_F(NotesSave, FullDiskKeepsTheFile) {
    testing::TmpfsMount mount(scratch.file("small"), "size=64k");
    if (!mount.mounted()) GTEST_SKIP() << "no small disk to fill: " << mount.problem();
    std::filesystem::current_path("small");
    writeBytes("notes.txt", kOldBytes);

    table = makeTable({{"Big", "1", std::string(200 * 1024, 'x')}});
    const std::optional<FileError> error = save(*real);
    ASSERT_TRUE(error.has_value());
    EXPECT_EQ(error->cause, FileErrorCause::DiskFull);
    expectOldFileKept("disk full");

    // The space the failed save took is free again.
    table = makeTable({{"Small", "1", std::string(20 * 1024, 'y')}});
    EXPECT_FALSE(save(*real).has_value());
    EXPECT_EQ(readBytes("notes.txt"), formatNotes(table, 1, fixedToday));
    std::filesystem::current_path(scratch.path());
}
#endif

}  // namespace
}  // namespace scriblet
