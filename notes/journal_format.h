// The bytes of a journal of unsaved typing: one note's fields as they stood
// in the window, where that note belongs, and which notes.txt it belongs to.
// No files here; docs/notes-file.md describes the bytes.
#pragma once

#include <cstdint>
#include <string>

#include "notes/digest.h"
#include "notes/note_table.h"

namespace scriblet {

// One note's unsaved fields and where they belong.
struct JournalNote {
    // The note's position in notes.txt as the session last read or saved it,
    // and its title there; -1 for a note that is not in it (the pending
    // note, or one added since).
    std::int16_t position = -1;
    std::string savedTitle;
    Note fields;
};

// notes.txt as the session last read or saved it: its size and digest.
// Unknown while the session saves to a file of its own.
struct JournalBase {
    bool known = false;
    std::uint64_t size = 0;
    Digest digest;
};

bool operator==(const JournalBase& a, const JournalBase& b);

// The journal's bytes, into `out` (its storage is reused).
void formatJournal(const JournalNote& note, const JournalBase& base, std::string& out);
// False, with nothing decided, for bytes that are not a whole journal.
bool parseJournal(const std::string& bytes, JournalNote& note, JournalBase& base);

}  // namespace scriblet
