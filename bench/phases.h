// Where the time of a start and of a note switch goes, measured inside the
// benchmark's own process on the program's own code.
#pragma once

#include <string>

namespace scriblet::bench {

// Prints, for notes.txt holding `bytes`, the steps of a start (file read,
// table, title list, the whole window) and of a switch (commit, format,
// compare, write, flush, replace, show), medians of `runs` runs. False when
// a step failed.
bool printPhases(const std::string& bytes, int runs);

}  // namespace scriblet::bench
