// The property the notes file fuzzer checks, also replayed on its seeds by a
// unit test: any bytes read as a notes file, written back and read again
// give the same notes (with what the writer substitutes and flattens), the
// same kept text and bytes, and the same bytes when written again.
#pragma once

#include <string>

namespace scriblet::fuzz {

// What went wrong with these bytes, or an empty string when nothing did.
std::string roundTripProblem(const std::string& bytes);

}  // namespace scriblet::fuzz
