// The bytes of the notes file: a table of notes to its records and back,
// with Scriblet's escapes and the text kept beyond the table or a stop byte.
// No files here; docs/notes-file.md describes the bytes.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>

#include "notes/note_table.h"

namespace scriblet {

// The title a note without one is written with; a pending note whose body
// was typed into takes it too.
inline constexpr const char* kUntitled = "Untitled";

// At most this many notes are read, so that the pending note always fits
// into the table; the rest of a longer file is kept in table.unreadText.
inline constexpr std::int16_t kMaxNotesRead = NoteTable::kMaxEntries - 1;

// One note's record as the file holds it, appended to `out`. `today` stands
// in for an empty date.
void appendRecord(std::string& out, const Note& note, const std::function<std::string()>& today);
// What follows the notes: the text kept beyond the table, then the bytes
// kept from a stop byte on.
void appendTail(std::string& out, const NoteTable& table);
// The file's bytes for the first n entries of the table and its tail.
void formatNotes(const NoteTable& table, std::int16_t n, const std::function<std::string()>& today,
                 std::string& out);
std::string formatNotes(const NoteTable& table, std::int16_t n, const std::function<std::string()>& today);

// The table for a file's bytes, as every reader of the plain format splits
// them. The table's notes refer to the bytes (and keep them) until handed out.
void parseNotes(SharedBytes diskBytes, NoteTable& table);
// The same for bytes the table gets a copy of.
void parseNotes(const std::string& diskBytes, NoteTable& table);

// Whether the bytes begin as UTF-16 text does (FF FE or FE FF), which is not
// the notes encoding.
bool isUtf16(const std::string& diskBytes);

}  // namespace scriblet
