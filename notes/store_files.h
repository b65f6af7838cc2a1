// What the notes store's parts share: the names its files are given, how
// long it waits for a file another program holds, and how it reads and
// names files. Only the store includes this.
#pragma once

#include <string>

#include "notes/notes_store.h"

namespace scriblet::store_files {

// A save writes "<file>.<number>.tmp" beside the file it saves, renames it
// "<file>.<number>.saved" once it is complete on disk, and then moves it over
// the file in one step. The number is the process id, with ".2", ".3"...
// added while a name is taken.
const char* const kIncompleteSuffix = ".tmp";
const char* const kCompleteSuffix = ".saved";
// The side file and the files that keep recovered saves, by the local time.
const char* const kSidePrefix = "notes (Scriblet ";
const char* const kRecoveredPrefix = "notes (recovered ";
const char* const kNameTime = "%Y-%m-%d %H.%M.%S";
// A session's journal of unsaved typing is "notes.txt.<number>.journal",
// written as ".journal.tmp" first; ".journal.lock" is held while the session
// runs. The number is taken as a save's is.
const char* const kJournalSuffix = ".journal";
const char* const kJournalLockSuffix = ".journal.lock";
// A left journal's note, kept for the user, by the local time.
const char* const kUnsavedPrefix = "notes (unsaved ";
const int kMaxNameTries = 1000;

// A save waits half a second for a file another program holds; the start,
// which would otherwise hold saving back for the whole session, and a save
// waiting for another copy's save to end, about two seconds.
const int kSaveRetries = 5;
const int kLongRetries = 20;
const int kRetryPauseMs = 100;
// Files are read and compared in pieces of this size.
const std::size_t kPiece = 1u << 20;

template <class Operation>
FileStatus withRetries(FileSystem& files, int retries, bool retryDenied, Operation operation) {
    FileStatus status = operation();
    for (int attempt = 0; attempt < retries && !status; ++attempt) {
        const bool transient = status.cause == FileErrorCause::SharingViolation ||
                               (retryDenied && status.cause == FileErrorCause::AccessDenied);
        if (!transient) break;
        files.pause(kRetryPauseMs);
        status = operation();
    }
    return status;
}

// "<stem>.<number>" from the second try on, as a save's number is made.
std::string numbered(const std::string& stem, int number);

std::string withNumber(const std::string& base, int number);

bool isDigit(char c);

// The number between a file and a save's suffix: digits, in groups joined by
// single dots.
bool isSaveNumber(const std::string& text);

// The file a save of some process was made for, from the save's name
// "<file>.<number><suffix>"; empty when it is no such save. `base`, when
// given, is the only file looked for.
std::string savedFileOf(FileSystem& files, const std::string& path, const std::string& suffix,
                        const std::string& base = std::string());

SaveOutcome failed(FileError error);

// Reads a whole open file.
FileStatus readAll(File& file, std::string& bytes);

FileStatus readFile(FileSystem& files, const std::string& name, std::string& bytes);

}  // namespace scriblet::store_files
