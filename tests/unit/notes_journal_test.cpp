// The journal of unsaved typing, through the platform's file system: each
// copy writes under a name of its own, a running copy's journal is left
// alone, a stopped one's is offered once, and a stop at any point of a write
// leaves the last journal or the new one whole.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
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
using testing::directoryListing;
using testing::FailingFileSystem;
using testing::fixedToday;
using testing::makeTable;
using testing::readBytes;
using testing::writeBytes;

const std::string kShopping = "120603\r\nShopping\r\nmilk\xB0\r\n";

class NotesJournal : public ::testing::Test {
protected:
    void SetUp() override { writeBytes("notes.txt", kShopping); }

    // A session's store once it has read notes.txt.
    std::unique_ptr<NotesStore> session(FileSystem& through) {
        auto store = std::make_unique<NotesStore>(through, fixedToday);
        NoteTable read;
        EXPECT_EQ(store->read(read).result, ReadResult::OpenedWithData);
        return store;
    }

    CurrentScratchDir scratch;
    std::unique_ptr<FileSystem> real = makePlatformFileSystem();
    const std::string stem = "notes.txt." + std::to_string(real->processId());
};

// Destroying a store without a clean end stands for a copy that was stopped:
// its lock goes, its journal stays.
TEST_F(NotesJournal, RunningCopysJournalIsLeftAloneAndAStoppedOnesIsOfferedOnce) {
    // Left under this process's number by an earlier copy, and not a whole
    // journal: never replaced, never offered.
    writeBytes(stem + ".journal", "left");

    const JournalNote renamed{0, "Shopping", {"Groceries", "120603", "milk, bread\r\nand 20\xB0" "C"}};
    auto first = session(*real);
    ASSERT_TRUE(first->writeJournal({0, "Shopping", {"Shopping", "120603", "milk"}}));
    ASSERT_TRUE(first->writeJournal(renamed));
    // A second copy saves, so notes.txt is no longer the file the first one's journal names.
    auto second = session(*real);
    NoteTable two = makeTable({{"Shopping", "120603", "milk"}, {"Second", "010101", "2"}});
    ASSERT_EQ(second->save(two, 2).result, SaveResult::Saved);
    // The journal names the file as saved, whatever changed in memory since.
    two.at(1).body = "typed since the save";
    const JournalNote pending{-1, "", {"", "", "typed into <New>"}};
    ASSERT_TRUE(second->writeJournal(pending));
    EXPECT_EQ(readBytes(stem + ".journal"), "left");
    EXPECT_TRUE(std::filesystem::exists(stem + ".2.journal"));
    EXPECT_TRUE(std::filesystem::exists(stem + ".3.journal"));
    EXPECT_FALSE(session(*real)->nextLeftJournal().has_value()) << "a running copy's journal was offered";

    first.reset();
    auto third = session(*real);
    std::optional<LeftJournal> left = third->nextLeftJournal();
    ASSERT_TRUE(left.has_value());
    EXPECT_EQ(left->note.position, 0);
    EXPECT_EQ(left->note.savedTitle, "Shopping");
    EXPECT_EQ(left->note.fields, renamed.fields);
    EXPECT_FALSE(left->sameFile);
    const KeptJournal kept = third->keepLeftJournal();
    ASSERT_FALSE(kept.error.has_value());
    EXPECT_EQ(readBytes(kept.path), formatNotes(makeTable({renamed.fields}), 1, fixedToday));
    EXPECT_FALSE(std::filesystem::exists(stem + ".2.journal"));
    EXPECT_FALSE(third->nextLeftJournal().has_value());

    second.reset();
    auto fourth = session(*real);
    left = fourth->nextLeftJournal();
    ASSERT_TRUE(left.has_value());
    EXPECT_EQ(left->note.position, -1);
    EXPECT_EQ(left->note.fields, pending.fields);
    EXPECT_TRUE(left->sameFile);
    fourth->adoptLeftJournal();
    EXPECT_FALSE(fourth->nextLeftJournal().has_value());
    // Once its own journal holds the restored fields, the one taken over goes.
    ASSERT_TRUE(fourth->writeJournal(pending));
    EXPECT_FALSE(std::filesystem::exists(stem + ".3.journal"));
    EXPECT_TRUE(std::filesystem::exists(stem + ".2.journal"));
    const NoteTable three = makeTable({{"Shopping", "120603", "milk"}, {"Second", "010101", "2"}, pending.fields});
    ASSERT_EQ(fourth->save(three, 3).result, SaveResult::Saved);
    EXPECT_FALSE(std::filesystem::exists(stem + ".2.journal"));

    fourth->endJournal();
    fourth.reset();
    third.reset();
    std::vector<std::string> expected{std::filesystem::path(kept.path).filename().string(), "notes.txt",
                                      stem + ".journal"};
    std::sort(expected.begin(), expected.end());
    EXPECT_EQ(directoryListing(), expected);
}

// From the N-th operation of a write on everything fails, so nothing is put
// right; the next start finds the journal before that write or the new one,
// whole, and after it is answered nothing of either is left.
TEST_F(NotesJournal, StopAtAnyPointOfAWriteLeavesTheLastJournalOrTheNewOneWhole) {
    const JournalNote before{0, "Shopping", {"Shopping", "120603", "milk"}};
    const JournalNote after{0, "Shopping", {"Shopping", "120603", std::string(70000, 'x') + " and bread"}};
    for (const bool hadOne : {false, true}) {
        for (int n = 1;; ++n) {
            const std::string context =
                std::string(hadOne ? "over a journal" : "first journal") + ", stopped at operation " + std::to_string(n);
            bool armed = false;
            int count = 0;
            FailingFileSystem stopping(*real, [&](const std::string&, int) { return armed && ++count >= n; });
            bool written = false;
            {
                auto stopped = session(stopping);
                if (hadOne) {
                    ASSERT_TRUE(stopped->writeJournal(before)) << context;
                }
                armed = true;
                written = stopped->writeJournal(after);
            }
            {
                auto next = session(*real);
                const std::optional<LeftJournal> left = next->nextLeftJournal();
                if (left) {
                    const bool whole = left->note.fields == after.fields || (hadOne && !written &&
                                                                             left->note.fields == before.fields);
                    EXPECT_TRUE(whole) << context << ": " << left->note.fields.body.size() << " body bytes";
                    next->dropLeftJournal();
                } else {
                    EXPECT_FALSE(hadOne || written) << context << ": the journal was lost";
                }
                EXPECT_FALSE(next->nextLeftJournal().has_value()) << context;
                next->endJournal();
            }
            EXPECT_EQ(directoryListing(), std::vector<std::string>{"notes.txt"}) << context;
            if (written) {
                // Stopped at each of its steps before: lock, create, write, flush, close, put in place.
                EXPECT_GE(n, hadOne ? 6 : 9);
                break;
            }
            ASSERT_LT(n, 40) << "the write never succeeded";
        }
    }
}

}  // namespace
}  // namespace scriblet
