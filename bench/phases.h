// Where the time of a start and of a note switch goes, measured inside the
// benchmark's own process on the program's own code, beside the platform's
// floor for the same work.
#pragma once

#include <string>

namespace scriblet::bench {

// The targets' figures that only this process can measure.
struct PhaseTargets {
    // The start with this file less the empty start, the bare read of the
    // file and the bare fill of a list with its titles: median of the runs.
    double ownStartMs = 0;
    // A switch after a one-character edit against an atomic save (write
    // beside, flush, replace) of the same bytes: median of the runs' ratios.
    double switchRatio = 0;
    // The same for a later switch after an edit in the same session, beside
    // the session's first save.
    double laterSwitchRatio = 0;
};

// Prints, for notes.txt holding `bytes`, the steps of a start (window ready
// empty and full, the floor's read and fill, the program's read, table, list
// and the rest) and of a switch (the whole, the floor's atomic save, the
// save's compare, format, write, flush, replace), medians of `runs` runs.
// False when a step failed.
bool printPhases(const std::string& bytes, int runs, PhaseTargets& targets);

}  // namespace scriblet::bench
