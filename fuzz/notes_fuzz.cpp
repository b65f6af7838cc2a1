// libFuzzer's entry: a failed check is a crash, so that the fuzzer keeps the
// input that found it.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "fuzz/round_trip.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string problem = scriblet::fuzz::roundTripProblem(std::string(reinterpret_cast<const char*>(data), size));
    if (!problem.empty()) {
        std::fprintf(stderr, "notes_fuzz: %s\n", problem.c_str());
        std::abort();
    }
    return 0;
}
