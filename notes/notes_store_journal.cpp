// The notes store's journal of unsaved typing: written while the shown note
// has changes, removed by a save, offered back by the next start.
#include "notes/notes_store.h"

#include <algorithm>
#include <cstring>
#include <new>
#include <utility>

#include "notes/store_files.h"

namespace scriblet {

using namespace store_files;

JournalBase NotesStore::journalBase() {
    // Saves to a file of its own leave nothing to name in notes.txt.
    if (sideChosen_ || !last_.known()) return JournalBase();
    JournalBase base;
    base.known = true;
    base.size = last_.size();
    base.digest = last_.digest();
    return base;
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
