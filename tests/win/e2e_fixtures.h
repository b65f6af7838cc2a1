// What several end-to-end tests start the program on: the notes files, and
// the program on two notes with its saves counted.
#pragma once

#include <gtest/gtest.h>

#include <string>

#include "tests/driver/scriblet_driver.h"

namespace scriblet::e2e {

const std::string kAlpha = "010203\r\nAlpha\r\nfirst\xB0\r\n";
const std::string kTwoNotes =
    "010203\r\nAlpha\r\nfirst\xB0\r\n"
    "040506\r\nBeta\r\nsecond\xB0\r\n";

// The program on the two notes, its saves counted from the start.
class TwoNotesWithSavesCounted : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(app.started());
        ASSERT_TRUE(counter.watching());
    }

    Scriblet app{withNotes(kTwoNotes)};
    SaveCounter counter{app.dir().path()};
};

}  // namespace scriblet::e2e
