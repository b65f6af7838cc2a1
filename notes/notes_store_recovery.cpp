// The notes store at start: reading notes.txt after putting right what saves
// cut short left beside it.
#include "notes/notes_store.h"

#include <algorithm>
#include <cstring>
#include <new>
#include <utility>

#include "notes/store_files.h"

namespace scriblet {

using namespace store_files;

namespace {

// The folder part of a path, its separator included; empty for a bare name.
std::string folderOf(const std::string& path) {
    const std::size_t slash = path.find_last_of("/\\");
    return slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
}

ReadOutcome notOpened(FileError error) {
    ReadOutcome outcome;
    outcome.result = ReadResult::NotOpened;
    outcome.error = std::move(error);
    return outcome;
}

}  // namespace

ReadOutcome NotesStore::read(NoteTable& table) {
    table.clear();
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

}  // namespace scriblet
