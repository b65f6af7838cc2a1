// The notes store: the one owner of what this session knows of notes.txt. It
// reads the file (after putting right what saves cut short left beside it),
// saves the table over it without ever destroying what is on disk, tells
// when another program changed it, and keeps the side file a session saves
// to instead. docs/notes-file.md describes saving, locking and recovery.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "notes/digest.h"
#include "notes/file_system.h"
#include "notes/journal_format.h"
#include "notes/last_bytes.h"
#include "notes/local_time.h"
#include "notes/note_table.h"
#include "notes/notes_format.h"

namespace scriblet {

inline constexpr const char* kNotesFileName = "notes.txt";

// A failed read or save, with what the user is told: the cause and the full
// path of the file the notes go to.
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
    // notes.txt was missing and the latest complete save became notes.txt.
    bool recovered = false;
    // Full paths of the files that now hold the notes of other saves cut
    // short, which the user must be told of: complete saves that differ from
    // the file they were meant for, kept under a visible name, and side files
    // put back in place.
    std::vector<std::string> keptFiles;
};

enum class SaveResult {
    Saved,
    // Nothing new to write and the file exists: nothing written.
    Unchanged,
    // Another program changed notes.txt: nothing written until
    // answerChangedFile says what to do.
    ChangedElsewhere,
    // No file may be created beside notes.txt: nothing written until the
    // user was told and allowSavingInPlace was called.
    InPlaceAhead,
    Failed,
};

struct SaveOutcome {
    SaveResult result = SaveResult::Failed;
    std::optional<FileError> error;  // set with Failed
};

// A journal that a copy no longer running left beside notes.txt.
struct LeftJournal {
    JournalNote note;
    // notes.txt is still the file the journal names, so the note's position
    // still holds that note.
    bool sameFile = false;
};

// Where a left journal's text was kept for the user.
struct KeptJournal {
    std::string path;                // the visible file's full path
    std::optional<FileError> error;  // it could not be written: the journal stays
};

class NotesStore {
public:
    // `today` stands in for empty dates when the notes are written.
    NotesStore(FileSystem& files, std::function<std::string()> today);

    // Fills the empty table from notes.txt. First the saves that other
    // sessions cut short are dealt with: when notes.txt is missing, the
    // latest complete save becomes it; every other complete save is removed
    // where its bytes equal its file's and otherwise kept as a visible file
    // (outcome.keptFiles); incomplete ones are removed.
    ReadOutcome read(NoteTable& table);

    // Writes the first n entries of the table, the text kept beyond the table
    // and the bytes kept from a stop byte on, to notes.txt (or to the side
    // file, once the user chose it). Nothing is written when the bytes are
    // those last read or written and the file exists. The old file is
    // replaced only when the new one is complete on disk, under a lock that
    // keeps other copies' saves apart.
    SaveOutcome save(const NoteTable& table, std::int16_t n);

    // Whether a save of the first n entries would write anything new.
    bool wouldChange(const NoteTable& table, std::int16_t n);

    // Whether notes.txt exists and another program changed it since this
    // session last read or wrote it (or the user last allowed saving over it).
    // Errors count as unchanged: the save that follows decides again.
    bool changedElsewhere();

    // notes.txt was changed by another program. Creates the file the notes go
    // to should the user keep notes.txt as it is, and gives its full path.
    std::string reserveSideFile();
    // The user's answer: save over the change that was seen (only that one),
    // or save to the side file from now on.
    void answerChangedFile(bool saveOver);

    // The user was told that notes.txt is rewritten in place from now on.
    void allowSavingInPlace() { inPlaceAllowed_ = true; }

    // The journal of this session's unsaved typing: one note's fields,
    // written beside notes.txt under a name of this session's own and put in
    // place only once whole. False, with nothing else changed, when it could
    // not be written. A successful save removes it (and the journals this
    // session took over), and so does endJournal.
    bool writeJournal(const JournalNote& note);
    // A clean end: this session's journal and those it took over go.
    void endJournal();

    // The next journal beside notes.txt whose writer is no longer running,
    // read and held until it is answered below (or the next one is asked
    // for); none when no other is left. Asked after read().
    std::optional<LeftJournal> nextLeftJournal();
    // Its fields are back in the table: it goes once this session's own
    // journal or a save holds them.
    void adoptLeftJournal();
    // notes.txt holds its note as it stands: it goes.
    void dropLeftJournal();
    // Its note is kept as a visible file beside notes.txt, and it goes;
    // should that file not be written it stays for a later start.
    KeptJournal keepLeftJournal();

private:
    enum class OnDisk { Known, Missing, Changed };

    // What the saves' file held when this session last read, wrote or was
    // allowed to save over it.
    struct DiskState {
        bool known = false;
        FileStamp stamp;
        // Another program's file that the user allowed saving over: told by
        // its digest, as this session never held its bytes.
        bool foreign = false;
        Digest digest;
    };

    std::string saveTarget();
    const std::string& errorName() const;
    FileError errorFor(const FileStatus& status) const;
    FileError errorFor(const std::string& name, const FileStatus& status) const;
    // A save under way: what it writes, and what it wrote.
    struct Saving {
        const NoteTable& table;
        std::int16_t n;
        // The dates that stood in for empty ones, in order.
        std::vector<std::string> todays;
        std::uint64_t size = 0;
    };
    // The save's bytes, written to `file` as they are made.
    FileStatus writeNotesTo(File& file, Saving& saving);
    FileStatus compareWithDisk(const std::string& target, OnDisk& found);
    SaveOutcome writeBytes(const std::string& target, Saving& saving);
    SaveOutcome writeInPlace(const std::string& target, Saving& saving);
    // Another program's file, as found: what a Yes to the question allows saving over.
    void seeChange(const FileStamp& stamp, const Digest& digest);
    // The save's bytes are in the file, whose stamp is `written` (none when
    // it could not be taken).
    SaveOutcome saved(FileStamp written, const Saving& saving);
    FileStatus takeLock(const std::string& pathInFolder, std::unique_ptr<FolderLock>& lock);
    // Makes `name` "<base>.<number><suffix>" with this process's number, a
    // further number added while `make` finds the name taken.
    template <class Make>
    FileStatus firstFreeName(const std::string& base, const char* suffix, std::string& name, Make make);
    FileStatus createUnique(const std::string& base, const char* suffix, std::unique_ptr<File>& file,
                            std::string& name);
    FileStatus renameUnique(const std::string& from, const std::string& base, const char* suffix,
                            std::string& name);
    void dropOwnFiles(const std::string& target);

    // A journal's files by their stem "notes.txt.<number>", and its lock
    // while this session holds it.
    struct HeldJournal {
        std::string stem;
        std::unique_ptr<FileLock> lock;
    };
    // notes.txt as this session last read or saved it, which a journal names.
    JournalBase journalBase();
    // notes.txt holds the notes (a save put them there, or had nothing new
    // to write): no journal is needed any more.
    void journalCovered();
    // Takes a stem of this session's own, whose lock it holds and under which
    // no file is left.
    bool takeJournalStem();
    // Removes a held journal's files and lets its lock go.
    void dropJournal(HeldJournal& journal);
    void findLeftJournals();

    std::optional<FileError> recoverNotesSaves(const std::string& target, ReadOutcome& outcome);
    void recoverSideSaves(ReadOutcome& outcome);
    FileStatus recoverSaves(const std::string& base, std::vector<FoundFile> saves, bool& putInPlace,
                            std::vector<std::string>& kept);
    std::string keepVisibly(const std::string& path, const std::string& base);

    FileSystem& files_;
    std::function<std::string()> today_;

    // The bytes the saves' file holds as this session last read or wrote
    // them: a save with the same bytes has nothing new to write.
    LastBytes last_;
    DiskState disk_;
    // The change that the last comparison found, which the user may allow
    // saving over.
    std::optional<DiskState> seenChange_;

    // The side file, a name in the current directory, once reserved; the
    // saves go there once the user chose it.
    std::string sideFile_;
    bool sideReserved_ = false;
    bool sideChosen_ = false;
    std::optional<FileStatus> sideFailure_;

    bool inPlaceAllowed_ = false;

    // A save's own files while it runs.
    std::string ownIncomplete_;
    std::string ownComplete_;

    // This session's journal: its stem once taken, and whether a journal
    // file of it is in place.
    HeldJournal ownJournal_;
    bool ownJournalWritten_ = false;
    std::string journalBuffer_;
    // Left journals whose fields went back into the table, the one being
    // offered, and the stems still to offer (oldest first), once looked for.
    std::vector<HeldJournal> adoptedJournals_;
    HeldJournal offeredJournal_;
    Note offeredFields_;
    std::optional<std::vector<std::string>> leftJournals_;
};

}  // namespace scriblet
