// The fuzzer's seeds, replayed by the ordinary tests, so that the fuzz target
// and the writer cannot drift apart unseen.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "fuzz/round_trip.h"
#include "tests/support/test_files.h"

namespace scriblet {
namespace {

TEST(NotesFuzzSeeds, EachKeepsItsNotesThroughAWriteAndARead) {
    int seeds = 0;
    for (const auto& entry : std::filesystem::directory_iterator(SCRIBLET_FUZZ_SEEDS)) {
        ++seeds;
        EXPECT_EQ(fuzz::roundTripProblem(testing::readBytes(entry.path())), "") << entry.path().filename().string();
    }
    EXPECT_GE(seeds, 10);
}

}  // namespace
}  // namespace scriblet
