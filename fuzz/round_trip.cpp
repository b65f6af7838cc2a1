#include "fuzz/round_trip.h"

#include <cstdint>

#include "notes/note_table.h"
#include "notes/notes_format.h"

namespace scriblet::fuzz {

namespace {

std::string fixedToday() { return "010203"; }

// A title or date as the writer puts it on one line: each line break (CR LF
// or LF), 0x1A and NUL becomes a blank; a lone CR stays.
std::string oneLine(const std::string& field) {
    std::string out;
    for (std::size_t i = 0; i < field.size(); ++i) {
        char c = field[i];
        if (c == '\r' && i + 1 < field.size() && field[i + 1] == '\n') {
            ++i;
            c = ' ';
        }
        out.push_back(c == '\n' || c == '\x1A' || c == '\0' ? ' ' : c);
    }
    return out;
}

}  // namespace

std::string roundTripProblem(const std::string& bytes) {
    NoteTable first;
    parseNotes(bytes, first);
    if (first.noteCount() > kMaxNotesRead) return "more notes read than the table may hold";
    const std::string written = formatNotes(first, first.noteCount(), fixedToday);
    const std::size_t notesEnd = written.size() - first.stopTail.size();
    if (written.compare(notesEnd, std::string::npos, first.stopTail) != 0) return "kept bytes not at the end";
    if (written.find('\x1A') < notesEnd) return "0x1A written";
    if (written.find('\0') < notesEnd) return "NUL written";
    // Records written as they were read must be what the writer makes of their notes.
    NoteTable handedOut(first);
    for (std::int16_t i = 0; i < handedOut.noteCount(); ++i) handedOut.at(i);
    if (formatNotes(handedOut, handedOut.noteCount(), fixedToday) != written) return "record kept unlike the writer";

    NoteTable second;
    parseNotes(written, second);
    if (second.noteCount() != first.noteCount()) return "note count changed";
    for (std::int16_t i = 0; i < first.noteCount(); ++i) {
        const Note& before = first.at(i);
        const Note& after = second.at(i);
        const std::string at = " (note " + std::to_string(i) + ")";
        if (after.title != (before.title.empty() ? std::string(kUntitled) : oneLine(before.title))) {
            return "title changed" + at;
        }
        if (after.date != (before.date.empty() ? fixedToday() : oneLine(before.date))) return "date changed" + at;
        if (after.body != before.body) return "body changed" + at;
    }
    if (second.unreadText != first.unreadText) return "unread text changed";
    if (second.stopTail != first.stopTail) return "kept bytes changed";
    if (formatNotes(second, second.noteCount(), fixedToday) != written) return "second write differs";
    return std::string();
}

}  // namespace scriblet::fuzz
