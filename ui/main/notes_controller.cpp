#include "ui/main/notes_controller.h"

#include <cstring>
#include <new>
#include <optional>
#include <utility>

namespace scriblet {

namespace {

bool isBlank(const Note& note) {
    return note.title.empty() && note.date.empty() && note.body.empty();
}

// The note a journal's question names: by its title in notes.txt, else as
// the list showed it.
std::string journalTitle(const JournalNote& note) {
    if (note.position >= 0) return note.savedTitle.empty() ? kUntitled : note.savedTitle;
    return note.fields.title.empty() ? kNewEntryText : note.fields.title;
}

// Puts a new value into a note's field; true when that changed it.
bool assign(std::string& field, const std::string& value) {
    if (field == value) return false;
    field = value;
    return true;
}

// Holds a flag up for as long as it lives, however the scope is left.
class FlagUp {
public:
    explicit FlagUp(bool& flag) : flag_(flag) { flag_ = true; }
    ~FlagUp() { flag_ = false; }
    FlagUp(const FlagUp&) = delete;
    FlagUp& operator=(const FlagUp&) = delete;

private:
    bool& flag_;
};

}  // namespace

NotesController::NotesController(NotesView& view, NoteTable& table, UndoSlot& undo,
                                 FileSystem& files, std::function<std::string()> today)
    : view_(view), table_(table), undo_(undo), files_(files), today_(std::move(today)), store_(files_, today_) {}

bool NotesController::hasShownNote() const {
    return started_ && currentIndex_ >= 0 && currentIndex_ < table_.noteCount();
}

bool NotesController::showsPendingNote() const {
    return hasShownNote() && currentIndex_ == table_.noteCount() - 1;
}

void NotesController::commitShownNote() {
    view_.readField(Field::Date, fields_.date);
    view_.readField(Field::Body, fields_.body);
    // Compared on a copy first: a note only looked at stays as it was read.
    Note shown;
    table_.copyNote(currentIndex_, shown);
    if (shown.date == fields_.date && shown.body == fields_.body) return;
    Note& note = table_.at(currentIndex_);
    if (assign(note.date, fields_.date)) changed_ = true;
    if (assign(note.body, fields_.body)) changed_ = true;
}

void NotesController::startNotes() {
    if (started_) return;

    const ReadOutcome outcome = store_.read(table_);
    const bool unicode = outcome.result == ReadResult::NotNotesEncoding;
    const bool unreadable = unicode || outcome.result == ReadResult::NotOpened || outcome.error.has_value();
    if (unreadable) {
        // Whatever was read before the failure goes: the session starts with
        // only the pending note, and nothing is saved over the file.
        table_.clear();
        savingEnabled_ = false;
        const std::string path = outcome.error && !outcome.error->path.empty()
                                     ? outcome.error->path
                                     : files_.fullPath(kNotesFileName);
        // Denied, and there is no notes.txt: the folder takes no new file.
        FileStamp stamp;
        const bool notCreated = outcome.error && outcome.error->cause == FileErrorCause::AccessDenied &&
                                files_.stamp(kNotesFileName, stamp) && !stamp.exists;
        view_.showWarning(unicode      ? unicodeNotesMessage(path)
                          : notCreated ? cannotCreateNotesMessage(path)
                                       : unreadableNotesMessage(path));
    } else if (outcome.recovered || !outcome.keptFiles.empty()) {
        view_.showWarning(recoveredNotesMessage(files_.fullPath(kNotesFileName), outcome.recovered, outcome.keptFiles));
    }

    started_ = true;
    currentIndex_ = table_.noteCount();
    places_.reset(table_.noteCount());
    // The reader leaves the table room for the pending note. The list is
    // filled in one go, its storage taken once for every entry.
    table_.appendNote();
    saveTrailingNote_ = false;
    view_.listFill(table_);
    // Selected once: selecting the pending note first would scroll a long
    // list to its end and back for nothing.
    if (!unreadable && outcome.result == ReadResult::OpenedWithData) {
        currentIndex_ = 0;
        showNote(0);
    } else {
        view_.listSelect(currentIndex_);
    }
    // What a copy that was stopped typed goes into this notes.txt, once it could be read.
    if (!unreadable) offerLeftJournals();
}

void NotesController::offerLeftJournals() {
    const std::int16_t fileNotes = static_cast<std::int16_t>(table_.noteCount() - 1);
    bool restored = false;
    while (const std::optional<LeftJournal> left = store_.nextLeftJournal()) {
        const JournalNote& note = left->note;
        // Nothing typed, or notes.txt holds it as it stands: nothing to ask.
        const bool inFile = left->sameFile && note.position >= 0 && note.position < fileNotes &&
                            table_.at(note.position) == note.fields;
        if (inFile || (note.position < 0 && isBlank(note.fields))) {
            store_.dropLeftJournal();
            continue;
        }
        if (view_.offer(restoreQuestion(journalTitle(note))) && restore(*left, fileNotes)) {
            store_.adoptLeftJournal();
            restored = true;
            continue;
        }
        const KeptJournal kept = store_.keepLeftJournal();
        if (kept.error) view_.showFileError(*kept.error);
        else view_.showWarning(keptChangesMessage(journalTitle(note), kept.path));
    }
    // The restored fields are this session's unsaved typing now.
    if (restored) writeJournal();
}

bool NotesController::restore(const LeftJournal& left, std::int16_t fileNotes) {
    const JournalNote& note = left.note;
    const bool intoNote = left.sameFile && note.position >= 0 && note.position < fileNotes;
    if (!intoNote && table_.isFull()) return false;
    const std::int16_t at = intoNote ? note.position : static_cast<std::int16_t>(table_.noteCount() - 1);
    Note fields = note.fields;
    if (intoNote) {
        places_.retitling(at, table_.at(at).title);
    } else {
        // A new note, as the pending note becomes one once typed into.
        if (fields.title.empty()) fields.title = kUntitled;
        if (fields.date.empty()) fields.date = today_();
    }
    table_.at(at) = fields;
    view_.listDelete(at);
    view_.listInsert(at, fields.title);
    if (!intoNote) appendPending();
    changed_ = true;
    currentIndex_ = at;
    showNote(at);
    return true;
}

std::int16_t NotesController::notesToWrite() const {
    // An untouched pending note is never written, whatever the flag says:
    // it would come back as a real "Untitled" note at the next start.
    const std::int16_t count = table_.noteCount();
    const bool writeTrailing = saveTrailingNote_ && !isBlank(table_.at(count - 1));
    return writeTrailing ? count : static_cast<std::int16_t>(count - 1);
}

bool NotesController::saveNotes(SaveFor saveFor) {
    if (!hasShownNote()) return true;
    FlagUp saving(saving_);
    commitShownNote();
    if (!savingEnabled_) return true;
    const bool telling = saveFor == SaveFor::User;
    if (!telling && !changed_) return true;

    const std::int16_t n = notesToWrite();
    SaveOutcome outcome = store_.save(table_, n);
    // Each question is asked with nothing held; the save then goes again.
    for (;;) {
        if (outcome.result == SaveResult::ChangedElsewhere) {
            if (telling) {
                askAboutChangedFile();
            } else {
                // Nobody to ask at the end of the session: notes.txt is kept as it is.
                store_.reserveSideFile();
                store_.answerChangedFile(false);
            }
        } else if (outcome.result == SaveResult::InPlaceAhead && telling) {
            view_.showWarning(kInPlaceMessage);
            store_.allowSavingInPlace();
        } else {
            break;
        }
        outcome = store_.save(table_, n);
    }
    if (outcome.error) {
        if (telling) view_.showFileError(*outcome.error);
        return false;
    }
    // Only the end of the session leaves a save in place untold, and so unwritten.
    if (outcome.result == SaveResult::InPlaceAhead) return false;
    changed_ = false;
    // The save holds every change: the store removed the journal.
    places_.reset(n);
    view_.stopJournalTimer();
    journalDue_ = false;
    return true;
}

void NotesController::askAboutChangedFile() {
    const std::string side = store_.reserveSideFile();
    store_.answerChangedFile(view_.ask(changedNotesQuestion(side)));
}

bool NotesController::queryClose() {
    // Asked here, while the window is shown; the save on the way out only
    // asks again if notes.txt changes in between. Without changes that save
    // writes nothing, so there is nothing to ask.
    if (hasShownNote() && savingEnabled_ && store_.changedElsewhere()) {
        commitShownNote();
        if (store_.wouldChange(table_, notesToWrite())) askAboutChangedFile();
    }
    if (savingEnabled_ || !hasShownNote()) return true;
    // Nothing will be saved: changes are only discarded when the user says so.
    commitShownNote();
    return !changed_ || view_.ask(kDiscardQuestion);
}

void NotesController::showNote(std::int16_t p) {
    if (p < 0 || p >= table_.noteCount()) return;
    // Copied without handing the note out: one only looked at stays as it was read.
    Note note;
    table_.copyNote(p, note);
    fields_.title = std::move(note.title);
    fields_.date = std::move(note.date);
    fields_.body = std::move(note.body);
    view_.listSelect(p);
    view_.showField(Field::Body, fields_.body);
    view_.showField(Field::Date, fields_.date);
    view_.showField(Field::Title, fields_.title);
}

bool NotesController::appendPending() {
    if (!table_.appendNote()) return false;
    view_.listAppend(kNewEntryText);
    saveTrailingNote_ = false;
    return true;
}

void NotesController::commitTitle() {
    if (!hasShownNote()) return;
    view_.readField(Field::Title, fields_.title);
    retitle();
    noteTyped();
}

void NotesController::retitle() {
    const bool wasPending = showsPendingNote();
    if (wasPending && table_.isFull()) {
        // No room for a new pending note: the entry stays "<New>".
        fields_.title.clear();
        view_.showField(Field::Title, fields_.title);
        view_.showWarning(tableFullMessage());
        return;
    }

    view_.listDelete(currentIndex_);
    view_.listInsert(currentIndex_, fields_.title);
    view_.listSelect(currentIndex_);
    if (table_.title(currentIndex_) != fields_.title) {
        places_.retitling(currentIndex_, table_.at(currentIndex_).title);
        table_.at(currentIndex_).title = fields_.title;
        changed_ = true;
    }

    if (wasPending) {
        appendPending();
        view_.readField(Field::Date, fields_.date);
        if (fields_.date.empty()) stampDate();
    }
    saveTrailingNote_ = true;
}

void NotesController::stampDate() {
    if (!hasShownNote()) return;
    fields_.date = today_();
    if (assign(table_.at(currentIndex_).date, fields_.date)) changed_ = true;
    view_.showField(Field::Date, fields_.date);
    noteTyped();
}

void NotesController::commitBody() {
    if (!showsPendingNote()) return;
    fields_.title = kUntitled;
    view_.showField(Field::Title, fields_.title);
    retitle();
}

void NotesController::onSelectNote() {
    if (!started_) return;
    const int selected = view_.listSelection();
    if (selected < 0 || selected >= table_.noteCount()) return;

    if (!saveNotes()) {
        // The fields still show the note that could not be saved: so must the list.
        view_.listSelect(currentIndex_);
        return;
    }
    currentIndex_ = static_cast<std::int16_t>(selected);
    showNote(currentIndex_);
}

void NotesController::onTitleLeft() { saveTrailingNote_ = false; }

// The date reaches the table with the next save, which reads it.
void NotesController::onDateTyped() {
    saveTrailingNote_ = true;
    noteTyped();
}

// The body reaches the table with the next save; the journal reads it sooner.
void NotesController::onBodyTyped() { noteTyped(); }

void NotesController::noteTyped() {
    if (journalDue_ || !journaling()) return;
    journalDue_ = true;
    view_.startJournalTimer(kJournalPauseMs);
}

void NotesController::onJournalDue() {
    view_.stopJournalTimer();
    journalDue_ = false;
    if (!journaling()) return;
    // A save is asking or telling: its outcome decides whether a journal is still needed.
    if (saving_) {
        noteTyped();
        return;
    }
    // Skipped without a word: typing and saving go on, and it is tried again.
    if (!writeJournal()) view_.startJournalTimer(kJournalRetryMs);
}

bool NotesController::writeJournal() {
    // Out of memory for a copy of the fields is a journal not written, not a
    // failed handler: saving goes on.
    try {
        JournalNote note;
        note.position = places_.positionOf(currentIndex_);
        if (note.position >= 0) note.savedTitle = places_.savedTitle(note.position, table_.at(currentIndex_).title);
        view_.readField(Field::Title, note.fields.title);
        view_.readField(Field::Date, note.fields.date);
        view_.readField(Field::Body, note.fields.body);
        return store_.writeJournal(note);
    } catch (const std::bad_alloc&) {
        return false;
    }
}

void NotesController::onBodyLeft() {
    if (hasShownNote() && view_.bodyModified() && view_.bodyLength() > 0) commitBody();
    saveTrailingNote_ = false;
}

void NotesController::onDateButtonDoubleClicked() { view_.pressDateButton(); }

void NotesController::onDeleteNote() {
    if (!view_.confirm(kDeleteQuestion, kDeleteCaption)) return;
    if (!hasShownNote()) return;

    // The undo copy must hold what the user saw, not the last saved state.
    commitShownNote();
    if (showsPendingNote()) return;

    view_.enableUndoButton(true);
    undo_.undoIndex = currentIndex_;
    undo_.note = table_.at(currentIndex_);
    view_.listDelete(currentIndex_);
    places_.removed(currentIndex_);
    table_.removeNoteAt(currentIndex_);
    changed_ = true;
    showNote(currentIndex_);
}

void NotesController::onUndoDelete() {
    if (undo_.isEmpty() || !hasShownNote()) return;

    // showNote below overwrites the fields: keep what the user typed first.
    commitShownNote();
    if (table_.isFull()) {
        view_.showWarning(tableFullMessage());
        return;
    }
    if (!table_.reinsertFromUndo(undo_)) return;
    changed_ = true;

    view_.enableUndoButton(false);
    const std::int16_t restored = static_cast<std::int16_t>(undo_.undoIndex);
    places_.reinserted(restored);
    view_.listInsert(restored, undo_.note.title);
    view_.listSelect(restored);
    currentIndex_ = restored;
    showNote(currentIndex_);
    undo_.undoIndex = -1;
    // A note that a save dropped is new to notes.txt again.
    noteTyped();
}

bool NotesController::leave() {
    if (!queryClose()) return false;
    // The save failed and was reported: the window stays unless the user lets the changes go.
    if (!saveNotes() && !view_.ask(kCloseAnywayQuestion)) return false;
    leaving_ = true;
    // A clean end: the user saved, or let the changes go.
    view_.stopJournalTimer();
    journalDue_ = false;
    store_.endJournal();
    return true;
}

bool NotesController::onCloseButton() { return leave(); }

bool NotesController::onCancel() { return leave(); }

bool NotesController::onOK() { return leave(); }

void NotesController::onDestroy() {
    // The modal loop can also end without a way out (a quit request). What
    // could not be saved stays in the journal for the next start.
    if (!leaving_ && !sessionEnded_ && !saveNotes() && journaling()) writeJournal();
}

bool NotesController::onQueryEndSession() { return queryClose() && saveNotes(); }

void NotesController::onEndSession(bool ending) {
    // A save running (its question or its error box is up) is left to finish.
    if (!ending || sessionEnded_ || saving_) return;
    sessionEnded_ = true;
    // The process ends after this: what could not be saved is offered at the next start.
    if (!saveNotes(SaveFor::SessionEnd) && journaling()) writeJournal();
}

void NotesController::onInternalError(bool outOfMemory) {
    holdBackSaving();
    view_.stopJournalTimer();
    // A handler failing again while the box is up is not told twice.
    if (reportingInternalError_) return;
    FlagUp reporting(reportingInternalError_);
    view_.showWarning(internalErrorMessage(outOfMemory));
}

}  // namespace scriblet
