#include "notes/notes_store.h"

#include <algorithm>
#include <cstring>
#include <new>
#include <utility>

namespace scriblet {

namespace {

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

// The folder part of a path, its separator included; empty for a bare name.
std::string folderOf(const std::string& path) {
    const std::size_t slash = path.find_last_of("/\\");
    return slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
}

// "<stem>.<number>" from the second try on, as a save's number is made.
std::string numbered(const std::string& stem, int number) {
    return number == 1 ? stem : stem + "." + std::to_string(number);
}

std::string withNumber(const std::string& base, int number) {
    return number == 1 ? base : base + " " + std::to_string(number);
}

bool isDigit(char c) { return c >= '0' && c <= '9'; }

// The number between a file and a save's suffix: digits, in groups joined by
// single dots.
bool isSaveNumber(const std::string& text) {
    if (text.empty() || !isDigit(text.front()) || !isDigit(text.back())) return false;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (!isDigit(text[i]) && !(text[i] == '.' && isDigit(text[i + 1]))) return false;
    }
    return true;
}

// The file a save of some process was made for, from the save's name
// "<file>.<number><suffix>"; empty when it is no such save. `base`, when
// given, is the only file looked for.
std::string savedFileOf(FileSystem& files, const std::string& path, const std::string& suffix,
                        const std::string& base = std::string()) {
    if (path.size() <= suffix.size() + 2) return std::string();
    const std::size_t stemEnd = path.size() - suffix.size();
    if (!files.sameName(path.substr(stemEnd), suffix)) return std::string();
    std::size_t dot;
    if (!base.empty()) {
        if (path.size() <= base.size() + 1 + suffix.size() || !files.sameName(path.substr(0, base.size()), base)) {
            return std::string();
        }
        dot = base.size();
    } else {
        // The number is the run of digits and dots before the suffix; the
        // file's own name ends in a letter (side files in ".txt").
        std::size_t start = stemEnd;
        while (start > 0 && (isDigit(path[start - 1]) || path[start - 1] == '.')) --start;
        dot = path.find('.', start);
        if (dot == std::string::npos || dot >= stemEnd) return std::string();
    }
    if (path[dot] != '.' || !isSaveNumber(path.substr(dot + 1, stemEnd - dot - 1))) return std::string();
    return path.substr(0, dot);
}

// Whether two stamps are of the same file in the same state: equal size,
// last write and identity (where the file system gives one).
bool sameFileState(const FileStamp& now, const FileStamp& then) {
    return (now.volume != 0 || now.index != 0) && now.volume == then.volume && now.index == then.index &&
           now.lastWrite == then.lastWrite && now.size == then.size;
}

SaveOutcome outcomeOf(SaveResult result) {
    SaveOutcome outcome;
    outcome.result = result;
    return outcome;
}

SaveOutcome failed(FileError error) {
    SaveOutcome outcome;
    outcome.result = SaveResult::Failed;
    outcome.error = std::move(error);
    return outcome;
}

ReadOutcome notOpened(FileError error) {
    ReadOutcome outcome;
    outcome.result = ReadResult::NotOpened;
    outcome.error = std::move(error);
    return outcome;
}

// Reads a whole open file.
FileStatus readAll(File& file, std::string& bytes) {
    std::uint64_t size = 0;
    FileStatus status = file.size(size);
    if (!status) return FileStatus::failure(FileErrorCause::BadSeek, status.osError);
    if (size > bytes.max_size()) throw std::bad_alloc();
    bytes.resize(static_cast<std::size_t>(size));
    std::size_t got = 0;
    while (got < bytes.size()) {
        const std::size_t want = std::min(kPiece, bytes.size() - got);
        std::size_t piece = 0;
        status = file.read(&bytes[got], want, piece);
        if (!status) return status;
        got += piece;
        if (piece < want) break;
    }
    bytes.resize(got);
    return FileStatus::success();
}

FileStatus readFile(FileSystem& files, const std::string& name, std::string& bytes) {
    std::unique_ptr<File> file;
    FileStatus status = withRetries(files, kSaveRetries, false, [&] { return files.openRead(name, file); });
    if (!status) return status;
    status = readAll(*file, bytes);
    if (!status) return status;
    return file->close();
}

// Reads a file piece by piece, digesting it and comparing it with the bytes
// `expected` makes (when given), so that no second copy of it is ever held.
FileStatus scanFile(FileSystem& files, const std::string& name, const LastBytes* expected, Digest& digest,
                    bool& equal) {
    std::unique_ptr<File> file;
    FileStatus status = withRetries(files, kSaveRetries, false, [&] { return files.openRead(name, file); });
    if (!status) return status;
    // Reads as many bytes as it takes and compares them.
    struct Reading : ByteSink {
        File& file;
        Digester digester;
        std::string piece = std::string(kPiece, '\0');
        FileStatus status = FileStatus::success();
        bool atEnd = false;
        explicit Reading(File& from) : file(from) {}
        bool take(const char* data, std::size_t size) override {
            while (size > 0) {
                const std::size_t want = std::min(size, kPiece);
                std::size_t got = 0;
                status = file.read(&piece[0], want, got);
                if (!status) return false;
                digester.add(piece.data(), got);
                atEnd = got < want;
                if (atEnd || std::memcmp(piece.data(), data, got) != 0) return false;
                data += got;
                size -= got;
            }
            return true;
        }
    } reading(*file);
    equal = expected != nullptr && expected->replay(reading);
    if (!reading.status) return reading.status;
    // The rest is digested; a byte beyond the expected ones makes them differ.
    while (!reading.atEnd) {
        std::size_t got = 0;
        status = file->read(&reading.piece[0], kPiece, got);
        if (!status) return status;
        reading.digester.add(reading.piece.data(), got);
        if (got > 0) equal = false;
        reading.atEnd = got < kPiece;
    }
    digest = reading.digester.finish();
    return file->close();
}

// Writes the bytes from the start of an open file and ends it there.
FileStatus rewrite(File& file, const std::string& bytes) {
    FileStatus status = file.rewind();
    if (status) status = file.write(bytes.data(), bytes.size());
    if (status) status = file.truncate();
    if (status) status = file.flush();
    return status;
}

}  // namespace

std::string fileErrorMessage(const FileError& error) {
    const char* text = "An unknown error occurred while accessing %1.";
    switch (error.cause) {
        case FileErrorCause::Generic: break;
        case FileErrorCause::AlreadyExists: break;
        case FileErrorCause::DiskFull: text = "Disk full while accessing %1."; break;
        case FileErrorCause::BadSeek: text = "Seek failed on %1"; break;
        case FileErrorCause::AccessDenied: text = "Access to %1 was denied."; break;
        case FileErrorCause::SharingViolation: text = "%1 is in use by another program."; break;
        case FileErrorCause::NotFound: text = "%1 was not found."; break;
    }
    std::string message(text);
    const std::size_t at = message.find("%1");
    message.replace(at, 2, error.path);
    return message;
}

NotesStore::NotesStore(FileSystem& files, std::function<std::string()> today)
    : files_(files), today_(std::move(today)) {}

std::string NotesStore::saveTarget() {
    if (sideChosen_) return sideFile_;
    // Behind a link, its target; the name itself when that cannot be found
    // out (a link then becomes a plain file, but the notes are saved).
    std::string target;
    if (!files_.resolve(kNotesFileName, target) || target.empty()) return kNotesFileName;
    return target;
}

const std::string& NotesStore::errorName() const {
    static const std::string notesFile = kNotesFileName;
    return sideChosen_ ? sideFile_ : notesFile;
}

FileError NotesStore::errorFor(const FileStatus& status) const { return errorFor(errorName(), status); }

FileError NotesStore::errorFor(const std::string& name, const FileStatus& status) const {
    return FileError{status.cause, files_.fullPath(name), status.osError};
}

FileStatus NotesStore::takeLock(const std::string& pathInFolder, std::unique_ptr<FolderLock>& lock) {
    return withRetries(files_, kLongRetries, false, [&] { return files_.lockFolder(pathInFolder, lock); });
}

ReadOutcome NotesStore::read(NoteTable& table) {
    table.clear();
    journalBase_.reset();
    last_.forget();
    disk_ = DiskState();
    seenChange_.reset();

    ReadOutcome outcome;
    if (std::optional<FileError> error = recoverNotesSaves(saveTarget(), outcome)) {
        return notOpened(std::move(*error));
    }
    recoverSideSaves(outcome);

    std::unique_ptr<File> file;
    FileStatus status =
        withRetries(files_, kLongRetries, false, [&] { return files_.openRead(kNotesFileName, file); });
    if (!status && status.cause == FileErrorCause::NotFound) status = files_.openReadCreate(kNotesFileName, file);
    if (!status) return notOpened(errorFor(kNotesFileName, status));
    // A file too large for memory is one that cannot be read.
    try {
        // The notes read refer to these bytes until they are changed.
        const auto read = std::make_shared<std::string>();
        const std::string& bytes = *read;
        status = readAll(*file, *read);
        if (!status) return notOpened(errorFor(kNotesFileName, status));
        FileStamp stamp;
        if (!file->stamp(stamp)) {
            // Without the file's identity its bytes decide at the next save.
            stamp = FileStamp();
            stamp.exists = true;
            stamp.size = bytes.size();
        }
        file->close();
        file.reset();

        if (isUtf16(bytes)) {
            outcome.result = ReadResult::NotNotesEncoding;
            return outcome;
        }
        parseNotes(read, table);
        disk_.known = true;
        disk_.stamp = stamp;
        last_.setRead(read);
        outcome.result = bytes.empty() ? ReadResult::OpenedEmpty : ReadResult::OpenedWithData;
        return outcome;
    } catch (const std::bad_alloc&) {
        table.clear();
        last_.forget();
        disk_ = DiskState();
        return notOpened(errorFor(kNotesFileName, FileStatus::failure(FileErrorCause::Generic)));
    }
}

std::optional<FileError> NotesStore::recoverNotesSaves(const std::string& target, ReadOutcome& outcome) {
    // Held so that no save of a running copy is taken for a leftover.
    std::unique_ptr<FolderLock> lock;
    const FileStatus locked = takeLock(target, lock);
    std::vector<FoundFile> found;
    FileStatus status = locked ? files_.findFiles(target + ".", found) : locked;
    if (!status) {
        // Where no lock can be made no save can have been made either. A
        // missing notes.txt would otherwise be created empty over a save
        // that may be there.
        FileStamp stamp;
        if (!locked && locked.cause == FileErrorCause::AccessDenied) return std::nullopt;
        if (files_.stamp(target, stamp) && stamp.exists) return std::nullopt;
        return errorFor(kNotesFileName, status);
    }
    std::vector<FoundFile> complete;
    for (const FoundFile& file : found) {
        if (!savedFileOf(files_, file.path, kIncompleteSuffix, target).empty()) files_.remove(file.path);
        else if (!savedFileOf(files_, file.path, kCompleteSuffix, target).empty()) complete.push_back(file);
    }
    if (complete.empty()) return std::nullopt;
    status = recoverSaves(target, std::move(complete), outcome.recovered, outcome.keptFiles);
    if (!status) return errorFor(kNotesFileName, status);
    return std::nullopt;
}

void NotesStore::recoverSideSaves(ReadOutcome& outcome) {
    std::unique_ptr<FolderLock> lock;
    std::vector<FoundFile> found;
    // Not waited for: a busy lock leaves them to a later start.
    if (!files_.lockFolder(kNotesFileName, lock) || !files_.findFiles(kSidePrefix, found)) return;
    // Side files' saves, by the side file they were made for.
    std::vector<std::pair<std::string, std::vector<FoundFile>>> bySide;
    for (const FoundFile& file : found) {
        if (!savedFileOf(files_, file.path, kIncompleteSuffix).empty()) {
            files_.remove(file.path);
            continue;
        }
        const std::string side = savedFileOf(files_, file.path, kCompleteSuffix);
        if (side.empty()) continue;
        auto group = std::find_if(bySide.begin(), bySide.end(),
                                  [&](const auto& entry) { return files_.sameName(entry.first, side); });
        if (group == bySide.end()) group = bySide.insert(bySide.end(), {side, {}});
        group->second.push_back(file);
    }
    for (auto& group : bySide) {
        bool putInPlace = false;
        if (recoverSaves(group.first, std::move(group.second), putInPlace, outcome.keptFiles) && putInPlace) {
            outcome.keptFiles.push_back(files_.fullPath(group.first));
        }
    }
}

FileStatus NotesStore::recoverSaves(const std::string& base, std::vector<FoundFile> saves, bool& putInPlace,
                                    std::vector<std::string>& kept) {
    FileStamp stamp;
    FileStatus status = files_.stamp(base, stamp);
    if (!status) return status;
    if (!stamp.exists) {
        // The latest by its last write, whatever the clock said then; the
        // others are compared with it below.
        const auto latest = std::min_element(saves.begin(), saves.end(), [](const FoundFile& a, const FoundFile& b) {
            return a.ageMs < b.ageMs || (a.ageMs == b.ageMs && a.path > b.path);
        });
        const std::string from = latest->path;
        status = withRetries(files_, kSaveRetries, true, [&] { return files_.rename(from, base); });
        // Without it, the file would be created empty beside the only copy of the notes.
        if (!status) return status;
        putInPlace = true;
        saves.erase(latest);
    }
    std::string baseBytes;
    const bool compared = !saves.empty() && readFile(files_, base, baseBytes);
    for (const FoundFile& save : saves) {
        std::string bytes;
        if (compared && readFile(files_, save.path, bytes) && bytes == baseBytes) {
            files_.remove(save.path);
        } else {
            kept.push_back(files_.fullPath(keepVisibly(save.path, base)));
        }
    }
    return FileStatus::success();
}

std::string NotesStore::keepVisibly(const std::string& path, const std::string& base) {
    const std::string name = folderOf(base) + kRecoveredPrefix + localTimeNow(kNameTime) + ")";
    for (int number = 1; number <= kMaxNameTries; ++number) {
        const std::string visible = withNumber(name, number) + ".txt";
        const FileStatus status = files_.rename(path, visible);
        if (status) return visible;
        if (status.cause != FileErrorCause::AlreadyExists) break;
    }
    // It stays as it is, and the user is told where.
    return path;
}

bool NotesStore::wouldChange(const NoteTable& table, std::int16_t n) {
    try {
        return !last_.sameAs(table, n, today_);
    } catch (const std::bad_alloc&) {
        return true;
    }
}

FileStatus NotesStore::compareWithDisk(const std::string& target, OnDisk& found) {
    FileStamp now;
    FileStatus status = files_.stamp(target, now);
    if (!status) return status;
    if (!now.exists) {
        found = OnDisk::Missing;
        return FileStatus::success();
    }
    if (sameFileState(now, disk_.stamp)) {
        found = OnDisk::Known;
        return FileStatus::success();
    }
    // Size, last write and identity cannot tell: the bytes do.
    Digest digest;
    bool equal = false;
    status = scanFile(files_, target, last_.known() ? &last_ : nullptr, digest, equal);
    if (!status) return status;
    const bool same = disk_.foreign ? digest == disk_.digest : equal;
    found = same ? OnDisk::Known : OnDisk::Changed;
    if (!same) seeChange(now, digest);
    return FileStatus::success();
}

bool NotesStore::changedElsewhere() {
    if (sideChosen_ || !disk_.known) return false;
    try {
        OnDisk found = OnDisk::Known;
        return compareWithDisk(saveTarget(), found) && found == OnDisk::Changed;
    } catch (const std::bad_alloc&) {
        return false;
    }
}

std::string NotesStore::reserveSideFile() {
    if (sideReserved_) return files_.fullPath(sideFile_);
    const std::string name = kSidePrefix + localTimeNow(kNameTime) + ")";
    sideFailure_.reset();
    for (int number = 1; number <= kMaxNameTries; ++number) {
        sideFile_ = withNumber(name, number) + ".txt";
        std::unique_ptr<File> file;
        const FileStatus status = files_.createNew(sideFile_, file);
        if (status) {
            sideReserved_ = static_cast<bool>(file->close());
            if (!sideReserved_) files_.remove(sideFile_);
            break;
        }
        if (status.cause != FileErrorCause::AlreadyExists) {
            sideFailure_ = status;
            break;
        }
    }
    return files_.fullPath(sideFile_);
}

void NotesStore::answerChangedFile(bool saveOver) {
    if (saveOver) {
        if (sideReserved_) files_.remove(sideFile_);
        sideReserved_ = false;
        sideFile_.clear();
        if (seenChange_) disk_ = *seenChange_;
        seenChange_.reset();
        return;
    }
    sideChosen_ = true;
    // The reserved side file is empty; every later save goes there.
    if (sideReserved_) last_.setEmpty();
    else last_.forget();
    disk_ = DiskState();
    seenChange_.reset();
}

SaveOutcome NotesStore::save(const NoteTable& table, std::int16_t n) {
    // Whatever fails in between (memory, the file system) is a file error:
    // the file is replaced only by a complete save, so it is kept.
    std::string target;
    try {
        if (sideChosen_ && !sideReserved_) {
            reserveSideFile();
            if (!sideReserved_) {
                return failed(errorFor(sideFailure_.value_or(FileStatus::failure(FileErrorCause::Generic))));
            }
            last_.setEmpty();
        }
        target = saveTarget();
        Saving saving{table, n, {}, 0};
        FileStamp now;
        if (last_.sameAs(table, n, today_) && files_.stamp(target, now) && now.exists) {
            journalCovered();
            return outcomeOf(SaveResult::Unchanged);
        }
        return writeBytes(target, saving);
    } catch (...) {
    }
    try {
        dropOwnFiles(target);
    } catch (...) {
    }
    return failed(errorFor(FileStatus::failure(FileErrorCause::Generic)));
}

FileStatus NotesStore::writeNotesTo(File& file, Saving& saving) {
    // Passes the pieces on as they come.
    struct Writing : ByteSink {
        File& file;
        std::uint64_t size = 0;
        FileStatus status = FileStatus::success();
        explicit Writing(File& to) : file(to) {}
        bool take(const char* data, std::size_t count) override {
            status = file.write(data, count);
            size += count;
            return static_cast<bool>(status);
        }
    } writing(file);
    saving.todays.clear();
    writeNotes(saving.table, saving.n,
               [&] {
                   saving.todays.push_back(today_());
                   return saving.todays.back();
               },
               writing);
    saving.size = writing.size;
    return writing.status;
}

void NotesStore::dropOwnFiles(const std::string& target) {
    if (!ownIncomplete_.empty()) files_.remove(ownIncomplete_);
    // A complete save that did not take the file's place stays only while
    // the file is gone: then it is the only copy, which the next start puts
    // in place.
    FileStamp left;
    if (!ownComplete_.empty() && (target.empty() || !files_.stamp(target, left) || left.exists)) {
        files_.remove(ownComplete_);
    }
    ownIncomplete_.clear();
    ownComplete_.clear();
}

FileStatus NotesStore::createUnique(const std::string& base, const char* suffix, std::unique_ptr<File>& file,
                                    std::string& name) {
    const std::string stem = base + "." + std::to_string(files_.processId());
    for (int number = 1; number <= kMaxNameTries; ++number) {
        name = (number == 1 ? stem : stem + "." + std::to_string(number)) + suffix;
        const FileStatus status =
            withRetries(files_, kSaveRetries, false, [&] { return files_.createNew(name, file); });
        if (status || status.cause != FileErrorCause::AlreadyExists) return status;
    }
    return FileStatus::failure(FileErrorCause::AlreadyExists);
}

FileStatus NotesStore::renameUnique(const std::string& from, const std::string& base, const char* suffix,
                                    std::string& name) {
    const std::string stem = base + "." + std::to_string(files_.processId());
    for (int number = 1; number <= kMaxNameTries; ++number) {
        name = (number == 1 ? stem : stem + "." + std::to_string(number)) + suffix;
        const FileStatus status = files_.rename(from, name);
        if (status || status.cause != FileErrorCause::AlreadyExists) return status;
    }
    return FileStatus::failure(FileErrorCause::AlreadyExists);
}

SaveOutcome NotesStore::writeBytes(const std::string& target, Saving& saving) {
    std::unique_ptr<FolderLock> lock;
    FileStatus status = takeLock(target, lock);
    // Where no lock can be made, no file can be: the save goes in place.
    if (!status && status.cause != FileErrorCause::AccessDenied) return failed(errorFor(status));

    bool readOnly = false;
    status = files_.isReadOnly(target, readOnly);
    if (status && readOnly) status = FileStatus::failure(FileErrorCause::AccessDenied);
    if (!status) return failed(errorFor(status));
    OnDisk found = OnDisk::Missing;
    if (!sideChosen_ && disk_.known) {
        status = compareWithDisk(target, found);
        if (!status) return failed(errorFor(status));
        if (found == OnDisk::Changed) return outcomeOf(SaveResult::ChangedElsewhere);
    }

    std::unique_ptr<File> temp;
    status = createUnique(target, kIncompleteSuffix, temp, ownIncomplete_);
    if (!status) {
        ownIncomplete_.clear();
        FileStamp existing;
        const bool inPlace = status.cause == FileErrorCause::AccessDenied && !sideChosen_ &&
                             files_.stamp(target, existing) && existing.exists;
        if (!inPlace) return failed(errorFor(status));
        if (!inPlaceAllowed_) {
            // Told only where notes.txt itself may be written.
            std::unique_ptr<File> probe;
            status = withRetries(files_, kSaveRetries, false, [&] { return files_.openUpdate(target, probe); });
            if (!status) return failed(errorFor(status));
            return outcomeOf(SaveResult::InPlaceAhead);
        }
        return writeInPlace(target, saving);
    }
    status = writeNotesTo(*temp, saving);
    if (status) status = temp->flush();
    const FileStatus closed = temp->close();
    temp.reset();
    if (status && !closed) status = closed;
    // Only a complete save ever has the complete name.
    if (status) status = renameUnique(ownIncomplete_, target, kCompleteSuffix, ownComplete_);
    if (!status) {
        ownComplete_.clear();
        dropOwnFiles(target);
        return failed(errorFor(status));
    }
    ownIncomplete_.clear();

    // Taken now, from our own file: the replace keeps size, last write and identity.
    FileStamp written;
    if (!files_.stamp(ownComplete_, written)) written = FileStamp();
    status = withRetries(files_, kSaveRetries, true, [&] { return files_.replace(ownComplete_, target); });
    if (!status) {
        dropOwnFiles(target);
        return failed(errorFor(status));
    }
    ownComplete_.clear();
    return saved(written, saving);
}

SaveOutcome NotesStore::writeInPlace(const std::string& target, Saving& saving) {
    // Held without sharing for the whole rewrite: where no lock file can be
    // made, this stands in for it.
    std::unique_ptr<File> file;
    FileStatus status = withRetries(files_, kLongRetries, false, [&] { return files_.openUpdate(target, file); });
    if (!status) return failed(errorFor(status));
    std::string old;
    status = readAll(*file, old);
    if (!status) return failed(errorFor(status));
    FileStamp now;
    if (disk_.known && !(file->stamp(now) && sameFileState(now, disk_.stamp))) {
        const Digest digest = digestOf(old.data(), old.size());
        if (disk_.foreign ? digest != disk_.digest : !last_.sameAs(old)) {
            seeChange(now, digest);
            return outcomeOf(SaveResult::ChangedElsewhere);
        }
    }
    status = file->rewind();
    if (status) status = writeNotesTo(*file, saving);
    if (status) status = file->truncate();
    if (status) status = file->flush();
    if (!status) {
        // The old bytes go back, so that only a stop in between can damage the file.
        rewrite(*file, old);
        return failed(errorFor(status));
    }
    FileStamp written;
    if (!file->stamp(written)) written = FileStamp();
    status = file->close();
    if (!status) return failed(errorFor(status));
    return saved(written, saving);
}

void NotesStore::seeChange(const FileStamp& stamp, const Digest& digest) {
    DiskState seen;
    seen.known = true;
    seen.stamp = stamp;
    seen.foreign = true;
    seen.digest = digest;
    seenChange_ = seen;
}

SaveOutcome NotesStore::saved(FileStamp written, const Saving& saving) {
    if (!written.exists) {
        // Without the file's identity its bytes decide at the next save.
        written = FileStamp();
        written.exists = true;
        written.size = saving.size;
    }
    try {
        last_.setWritten(saving.table, saving.n, saving.todays, saving.size);
    } catch (const std::bad_alloc&) {
        // Saved all the same: the next save then writes whatever it has.
        last_.forget();
    }
    disk_ = DiskState();
    disk_.known = true;
    disk_.stamp = written;
    seenChange_.reset();
    journalSaved();
    return outcomeOf(SaveResult::Saved);
}

JournalBase NotesStore::journalBase() {
    // Saves to a file of its own leave nothing to name in notes.txt.
    if (sideChosen_ || !last_.known()) return JournalBase();
    if (!journalBase_) {
        JournalBase base;
        base.known = true;
        base.size = last_.size();
        base.digest = last_.digest();
        journalBase_ = base;
    }
    return *journalBase_;
}

void NotesStore::journalSaved() {
    journalBase_.reset();
    journalCovered();
}

void NotesStore::journalCovered() {
    try {
        // Kept for the next journal, which then replaces it, should it not go now.
        if (ownJournalWritten_) {
            const FileStatus removed = files_.remove(ownJournal_.stem + kJournalSuffix);
            ownJournalWritten_ = !removed && removed.cause != FileErrorCause::NotFound;
        }
        for (HeldJournal& adopted : adoptedJournals_) dropJournal(adopted);
        adoptedJournals_.clear();
    } catch (...) {
    }
}

bool NotesStore::takeJournalStem() {
    const std::string base = std::string(kNotesFileName) + "." + std::to_string(files_.processId());
    for (int number = 1; number <= kMaxNameTries; ++number) {
        HeldJournal journal{numbered(base, number), nullptr};
        const FileStatus status = files_.lockFile(journal.stem + kJournalLockSuffix, true, journal.lock);
        if (!status) {
            if (status.cause == FileErrorCause::AlreadyExists || status.cause == FileErrorCause::SharingViolation) {
                continue;
            }
            return false;
        }
        // A journal left under this number by a copy that ended is never replaced.
        FileStamp left;
        FileStamp leftIncomplete;
        if (!files_.stamp(journal.stem + kJournalSuffix, left) || left.exists ||
            !files_.stamp(journal.stem + kJournalSuffix + kIncompleteSuffix, leftIncomplete) ||
            leftIncomplete.exists) {
            continue;
        }
        ownJournal_ = std::move(journal);
        ownJournalWritten_ = false;
        return true;
    }
    return false;
}

bool NotesStore::writeJournal(const JournalNote& note) {
    try {
        if (!ownJournal_.lock && !takeJournalStem()) return false;
        formatJournal(note, journalBase(), journalBuffer_);
        const std::string name = ownJournal_.stem + kJournalSuffix;
        const std::string incomplete = name + kIncompleteSuffix;
        std::unique_ptr<File> file;
        FileStatus status = files_.createNew(incomplete, file);
        if (!status && status.cause == FileErrorCause::AlreadyExists && files_.remove(incomplete)) {
            // Left by a write of this session that failed.
            status = files_.createNew(incomplete, file);
        }
        if (!status) return false;
        status = file->write(journalBuffer_.data(), journalBuffer_.size());
        if (status) status = file->flush();
        const FileStatus closed = file->close();
        file.reset();
        if (status && !closed) status = closed;
        // Only a whole journal ever has the journal's name; the first one takes
        // it without replacing anything.
        if (status) status = ownJournalWritten_ ? files_.replace(incomplete, name) : files_.rename(incomplete, name);
        if (!status) {
            files_.remove(incomplete);
            return false;
        }
        ownJournalWritten_ = true;
        // One journal taken over holds what this one holds now. Several are
        // kept until a save: this one holds only the note shown last.
        if (adoptedJournals_.size() == 1) {
            dropJournal(adoptedJournals_.front());
            adoptedJournals_.clear();
        }
        return true;
    } catch (...) {
        return false;
    }
}

void NotesStore::dropJournal(HeldJournal& journal) {
    if (!journal.lock) return;
    files_.remove(journal.stem + kJournalSuffix);
    files_.remove(journal.stem + kJournalSuffix + kIncompleteSuffix);
    journal = HeldJournal();
}

void NotesStore::endJournal() {
    try {
        dropJournal(ownJournal_);
        ownJournalWritten_ = false;
        for (HeldJournal& adopted : adoptedJournals_) dropJournal(adopted);
        adoptedJournals_.clear();
        offeredJournal_ = HeldJournal();
    } catch (...) {
    }
}

void NotesStore::findLeftJournals() {
    leftJournals_.emplace();
    std::vector<FoundFile> found;
    if (!files_.findFiles(std::string(kNotesFileName) + ".", found)) return;
    // Oldest first, so that of two journals of one note the later one is offered last.
    std::sort(found.begin(), found.end(), [](const FoundFile& a, const FoundFile& b) {
        return a.ageMs > b.ageMs || (a.ageMs == b.ageMs && a.path < b.path);
    });
    const std::string incompleteSuffix = std::string(kJournalSuffix) + kIncompleteSuffix;
    std::vector<std::string> others;
    for (const FoundFile& file : found) {
        if (!savedFileOf(files_, file.path, kJournalSuffix, kNotesFileName).empty()) {
            leftJournals_->push_back(file.path.substr(0, file.path.size() - std::strlen(kJournalSuffix)));
        } else if (!savedFileOf(files_, file.path, incompleteSuffix, kNotesFileName).empty()) {
            others.push_back(file.path.substr(0, file.path.size() - incompleteSuffix.size()));
        } else if (!savedFileOf(files_, file.path, kJournalLockSuffix, kNotesFileName).empty()) {
            others.push_back(file.path.substr(0, file.path.size() - std::strlen(kJournalLockSuffix)));
        }
    }
    // A write cut short before its first journal, or a lock a dead copy
    // left: gone once no copy holds its lock.
    for (const std::string& stem : others) {
        const bool hasJournal = std::any_of(leftJournals_->begin(), leftJournals_->end(),
                                            [&](const std::string& journal) { return files_.sameName(journal, stem); });
        if (hasJournal || files_.sameName(stem, ownJournal_.stem)) continue;
        HeldJournal left{stem, nullptr};
        if (files_.lockFile(stem + kJournalLockSuffix, false, left.lock)) dropJournal(left);
    }
}

std::optional<LeftJournal> NotesStore::nextLeftJournal() {
    try {
        // One not answered stays for a later start.
        offeredJournal_ = HeldJournal();
        if (!leftJournals_) findLeftJournals();
        while (!leftJournals_->empty()) {
            HeldJournal left{leftJournals_->front(), nullptr};
            leftJournals_->erase(leftJournals_->begin());
            // A journal whose lock is held is a running copy's.
            if (files_.sameName(left.stem, ownJournal_.stem) ||
                !files_.lockFile(left.stem + kJournalLockSuffix, false, left.lock)) {
                continue;
            }
            // Its writer died while writing: the journal before that write counts.
            files_.remove(left.stem + kJournalSuffix + kIncompleteSuffix);
            std::string bytes;
            LeftJournal journal;
            JournalBase base;
            // One that is not whole (never written by us) is left as it is.
            if (!readFile(files_, left.stem + kJournalSuffix, bytes) || !parseJournal(bytes, journal.note, base)) {
                continue;
            }
            journal.sameFile = base.known && base == journalBase();
            offeredJournal_ = std::move(left);
            offeredFields_ = journal.note.fields;
            return journal;
        }
    } catch (...) {
    }
    return std::nullopt;
}

void NotesStore::adoptLeftJournal() {
    if (!offeredJournal_.lock) return;
    adoptedJournals_.push_back(std::move(offeredJournal_));
    offeredJournal_ = HeldJournal();
}

void NotesStore::dropLeftJournal() { dropJournal(offeredJournal_); }

KeptJournal NotesStore::keepLeftJournal() {
    KeptJournal kept;
    std::string visible;
    bool created = false;
    FileStatus status = FileStatus::failure(FileErrorCause::Generic);
    try {
        // In the notes file's format: a file of one note, which Scriblet reads as it reads notes.txt.
        NoteTable note;
        note.appendNote();
        note.at(0) = offeredFields_;
        const std::string bytes = formatNotes(note, 1, today_);
        const std::string name = kUnsavedPrefix + localTimeNow(kNameTime) + ")";
        std::unique_ptr<File> file;
        for (int number = 1; number <= kMaxNameTries; ++number) {
            visible = withNumber(name, number) + ".txt";
            status = files_.createNew(visible, file);
            if (status || status.cause != FileErrorCause::AlreadyExists) break;
        }
        created = static_cast<bool>(status);
        if (status) status = file->write(bytes.data(), bytes.size());
        if (status) status = file->flush();
        if (file) {
            const FileStatus closed = file->close();
            if (status && !closed) status = closed;
        }
    } catch (...) {
        status = FileStatus::failure(FileErrorCause::Generic);
    }
    kept.path = files_.fullPath(visible);
    if (!status) {
        if (created) files_.remove(visible);
        kept.error = errorFor(visible, status);
        offeredJournal_ = HeldJournal();
        return kept;
    }
    dropJournal(offeredJournal_);
    return kept;
}

}  // namespace scriblet
