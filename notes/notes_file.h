// The notes file, notes.txt in the current directory: reading it into the
// table and writing the table back. docs/notes-file.md describes the bytes.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>

#include "notes/digest.h"
#include "notes/file_system.h"
#include "notes/note_table.h"

namespace scriblet {

inline constexpr const char* kNotesFileName = "notes.txt";
// The title a note without one is written with; a pending note whose body
// was typed into takes it too.
inline constexpr const char* kUntitled = "Untitled";
// A save writes "<file>.<process id>.tmp" beside the file it saves, renames
// it "<file>.<process id>.saved" once it is complete on disk, and then moves
// it over the file in one step.
inline constexpr const char* kIncompleteSaveSuffix = ".tmp";
inline constexpr const char* kCompleteSaveSuffix = ".saved";
// A complete save left beside an existing notes file is another copy's save
// under way for this long; after it, one that was cut short.
inline constexpr std::int64_t kStaleSaveAgeMs = 60 * 1000;

// What this session last read from or wrote to a notes file: enough to tell
// whether the file on disk is still that one. Kept after every read and
// every successful save.
struct KnownFile {
    bool known = false;
    FileStamp stamp;
    Digest digest;
    // Where the saves make the file's bytes, kept from one save to the next:
    // fresh memory the size of the file would cost every save the time to
    // map it.
    std::string saveBuffer;
};

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
    NotOpened,         // the file could be neither opened nor created
    OpenedEmpty,       // it holds no bytes (a missing file is created empty)
    OpenedWithData,    // it holds bytes, even when no record was found in them
    NotNotesEncoding,  // it is UTF-16 text (it starts with FF FE or FE FF): nothing read
};

struct ReadOutcome {
    ReadResult result = ReadResult::NotOpened;
    // Set with every NotOpened: why the file could not be opened, created or
    // read. The table is then empty.
    std::optional<FileError> error;
    // notes.txt was missing and the newest complete save, cut short before
    // it replaced notes.txt, became notes.txt.
    bool recovered = false;
};

// At most this many notes are read, so that the pending note always fits
// into the table; the rest of a longer file is kept in table.unreadText.
inline constexpr std::int16_t kMaxNotesRead = NoteTable::kMaxEntries - 1;

// Fills the empty table from notes.txt, calling addTitle(title) (when given)
// once per note in file order. First a save cut short is dealt with: when notes.txt is
// missing, the newest complete save becomes notes.txt; saves left incomplete,
// and complete ones older than kStaleSaveAgeMs beside notes.txt, are removed
// where they can be. `known` (when given) learns what was read.
ReadOutcome readNotes(NoteTable& table, FileSystem& files,
                      const std::function<void(const std::string& title)>& addTitle,
                      KnownFile* known = nullptr);

enum class SaveResult {
    Saved,
    // The bytes equal those `known` describes and the file exists: nothing
    // written (it holds them, or what another program wrote instead).
    Unchanged,
    ChangedElsewhere,  // the file is no longer the one `known` describes: nothing written
    Failed,
};

struct SaveOutcome {
    SaveResult result = SaveResult::Failed;
    std::optional<FileError> error;  // set with Failed
};

// Rewrites the file `name` (notes.txt, or another file that takes the notes)
// with the first n entries of the table, any unread text kept from a longer
// file and the bytes kept from a stop byte on. Nothing is written when those
// bytes equal the ones `known` describes and the file exists (Unchanged). The
// old file is replaced only when the new one is complete on disk: on failure
// it keeps every byte. When `known` describes a file and the one on disk is
// no longer it, nothing is written unless `saveOverChanges`; a missing file
// is always written. After a save `known` describes the new file. The table
// is never changed. `today` stands in for empty dates.
SaveOutcome saveNotesFile(const NoteTable& table, std::int16_t n, FileSystem& files,
                          const std::function<std::string()>& today, KnownFile& known, bool saveOverChanges,
                          const std::string& name = kNotesFileName);

// Whether a save of the first n entries would write other bytes than those
// `known` describes (true when that cannot be found out).
bool wouldChange(const NoteTable& table, std::int16_t n, const std::function<std::string()>& today,
                 const KnownFile& known);

// Whether notes.txt exists and is no longer the file `known` describes.
// Unknown, or not decided for an error, counts as unchanged: the save that
// follows decides again and reports its errors.
bool changedElsewhere(FileSystem& files, const KnownFile& known);

// saveNotesFile to notes.txt without a known file: its error, if any.
std::optional<FileError> writeNotes(const NoteTable& table, std::int16_t n, FileSystem& files,
                                    const std::function<std::string()>& today);

// A name in the current directory, that no file has yet, for the notes of a
// session that must not save over notes.txt: "notes (Scriblet YYYY-MM-DD
// HH.MM.SS).txt" by the local time.
std::string sideFileName(FileSystem& files);

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
