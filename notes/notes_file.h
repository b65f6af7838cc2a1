// The notes file, notes.txt in the current directory: reading it into the
// table and writing the table back. docs/notes-file.md describes the bytes.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>

#include "notes/file_system.h"
#include "notes/note_table.h"

namespace scriblet {

inline constexpr const char* kNotesFileName = "notes.txt";
// A save writes here first and then moves it over notes.txt in one step.
inline constexpr const char* kNotesTempFileName = "notes.txt.tmp";

// A failed read or save, with what the user is told: the cause and the
// notes file's full path.
struct FileError {
    FileErrorCause cause = FileErrorCause::Generic;
    std::string path;
    int osError = 0;
};

// The text shown for a file error, with the path in place of %1.
std::string fileErrorMessage(const FileError& error);

enum class ReadResult {
    NotOpened,       // the file could be neither opened nor created
    OpenedEmpty,     // it holds no bytes (a missing file is created empty)
    OpenedWithData,  // it holds bytes, even when no record was found in them
};

struct ReadOutcome {
    ReadResult result = ReadResult::NotOpened;
    // Set with every NotOpened: why the file could not be opened, created or
    // read. The table is then empty.
    std::optional<FileError> error;
};

// At most this many notes are read, so that the pending note always fits
// into the table; the rest of a longer file is kept in table.unreadText.
inline constexpr std::int16_t kMaxNotesRead = NoteTable::kMaxEntries - 1;

// Fills the empty table from notes.txt, calling addTitle(title) once per note
// in file order.
ReadOutcome readNotes(NoteTable& table, FileSystem& files,
                      const std::function<void(const std::string& title)>& addTitle);

// Rewrites notes.txt with the first n entries of the table (and any unread
// text kept from a longer file). The old file is replaced only when the new
// one is complete on disk: on failure it keeps every byte. The table is never
// changed. `today` stands in for empty dates.
std::optional<FileError> writeNotes(const NoteTable& table, std::int16_t n, FileSystem& files,
                                    const std::function<std::string()>& today);

// The current local date as "%m%d%y" (3 December 2003 gives "120603"), or
// an empty string when the time or the formatting fails.
std::string todayString();

// The file's text for a table, and the table for a file's text: the pure
// halves of reading and writing, without any file.
std::string formatNotes(const NoteTable& table, std::int16_t n,
                        const std::function<std::string()>& today);
void parseNotes(const std::string& diskBytes, NoteTable& table,
                const std::function<void(const std::string& title)>& addTitle);

}  // namespace scriblet
