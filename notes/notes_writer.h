// A notes file's bytes made piece by piece, for saving and comparing without
// a full-size copy of them: records read that the writer writes alike go
// straight from the bytes they were read from, the others are formatted into
// a small buffer.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "notes/note_table.h"

namespace scriblet {

// Takes a file's bytes in order, a piece at a time (a piece lives only for
// the call); false stops the making.
class ByteSink {
public:
    virtual ~ByteSink() = default;
    virtual bool take(const char* data, std::size_t size) = 0;
};

// The bytes formatNotes gives for the first n entries and the tail, into
// `sink`, asking today() for each empty date. False when the sink stopped it.
bool writeNotes(const NoteTable& table, std::int16_t n, const std::function<std::string()>& today, ByteSink& sink);

// Whether the first n entries of `now` and the first m of `then`, with the
// dates that stand in for empty ones (those `then` was written with, in
// order), and the two tails make the same bytes: told by their text, note by
// note, without making any bytes.
bool sameNotes(const NoteTable& now, std::int16_t n, const std::function<std::string()>& todayNow,
               const NoteTable& then, std::int16_t m, const std::vector<std::string>& todaysThen);

}  // namespace scriblet
