#include "notes/notes_store.h"

#include <algorithm>
#include <cstring>
#include <new>
#include <utility>

#include "notes/store_files.h"

namespace scriblet {

using namespace store_files;

namespace {

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

template <class Make>
FileStatus NotesStore::firstFreeName(const std::string& base, const char* suffix, std::string& name, Make make) {
    const std::string stem = base + "." + std::to_string(files_.processId());
    for (int number = 1; number <= kMaxNameTries; ++number) {
        name = numbered(stem, number) + suffix;
        const FileStatus status = make();
        if (status || status.cause != FileErrorCause::AlreadyExists) return status;
    }
    return FileStatus::failure(FileErrorCause::AlreadyExists);
}

FileStatus NotesStore::createUnique(const std::string& base, const char* suffix, std::unique_ptr<File>& file,
                                    std::string& name) {
    return firstFreeName(base, suffix, name, [&] {
        return withRetries(files_, kSaveRetries, false, [&] { return files_.createNew(name, file); });
    });
}

FileStatus NotesStore::renameUnique(const std::string& from, const std::string& base, const char* suffix,
                                    std::string& name) {
    return firstFreeName(base, suffix, name, [&] { return files_.rename(from, name); });
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
    journalCovered();
    return outcomeOf(SaveResult::Saved);
}

}  // namespace scriblet
