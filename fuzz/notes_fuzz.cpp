// Reads arbitrary bytes as a notes file, writes the notes back and reads
// them again: the second reading must give the same notes (with what the
// writer substitutes and flattens) and the same bytes kept from a stop byte
// on, and writing them must give the same bytes.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "notes/note_table.h"
#include "notes/notes_file.h"

namespace {

using scriblet::Note;
using scriblet::NoteTable;

std::string fixedToday() { return "010203"; }

void ignoreTitle(const std::string&) {}

// A title or date as the writer puts it on one line.
std::string oneLine(const std::string& field) {
    std::string out;
    for (std::size_t i = 0; i < field.size(); ++i) {
        const char c = field[i];
        if (c == '\r' && i + 1 < field.size() && field[i + 1] == '\n') ++i;
        out.push_back(c == '\r' || c == '\n' || c == '\x1A' || c == '\0' ? ' ' : c);
    }
    return out;
}

void fail(const char* what) {
    std::fprintf(stderr, "notes_fuzz: %s\n", what);
    std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string bytes(reinterpret_cast<const char*>(data), size);

    NoteTable first;
    scriblet::parseNotes(bytes, first, ignoreTitle);
    if (first.noteCount() > scriblet::kMaxNotesRead) fail("more notes read than the table may hold");
    const std::string written = scriblet::formatNotes(first, first.noteCount(), fixedToday);
    const std::size_t notesEnd = written.size() - first.stopTail.size();
    if (written.compare(notesEnd, std::string::npos, first.stopTail) != 0) fail("kept bytes not at the end");
    if (written.find('\x1A') < notesEnd) fail("0x1A written");
    if (written.find('\0') < notesEnd) fail("NUL written");

    NoteTable second;
    scriblet::parseNotes(written, second, ignoreTitle);
    if (second.noteCount() != first.noteCount()) fail("note count changed");
    for (std::int16_t i = 0; i < first.noteCount(); ++i) {
        const Note& before = first.at(i);
        const Note& after = second.at(i);
        if (after.title != (before.title.empty() ? std::string("Untitled") : oneLine(before.title))) fail("title changed");
        if (after.date != (before.date.empty() ? fixedToday() : oneLine(before.date))) fail("date changed");
        if (after.body != before.body) fail("body changed");
    }
    if (second.unreadText != first.unreadText) fail("unread text changed");
    if (second.stopTail != first.stopTail) fail("kept bytes changed");
    if (scriblet::formatNotes(second, second.noteCount(), fixedToday) != written) fail("second write differs");
    return 0;
}
