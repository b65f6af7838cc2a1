#include "ui/main/notes_controller.h"

#include <cstring>
#include <optional>
#include <utility>

namespace scriblet {

namespace {

// The text with `path` in place of %1.
std::string withPath(std::string text, const std::string& path) {
    text.replace(text.find("%1"), 2, path);
    return text;
}

}  // namespace

std::string unreadableNotesMessage(const std::string& path) {
    return withPath(
        "Scriblet could not read its notes file\n%1\n\n"
        "So that nothing in it is lost, Scriblet will not save over it while it is open. "
        "Close Scriblet, make the file readable and start Scriblet again.",
        path);
}

std::string unicodeNotesMessage(const std::string& path) {
    return withPath(
        "Scriblet's notes file is saved as Unicode text, which Scriblet cannot read:\n%1\n\n"
        "So that nothing in it is lost, Scriblet will not save over it while it is open. "
        "Open the file in your editor, save it as ANSI text and start Scriblet again.",
        path);
}

std::string recoveredNotesMessage(const std::string& path, bool putInPlace, const std::vector<std::string>& kept) {
    std::string text;
    if (putInPlace) {
        text = withPath(
            "Scriblet's notes file was missing:\n%1\n\n"
            "Its last save had been cut short after the notes were written but before they took the "
            "file's place. Scriblet has put that save in place as the notes file.",
            path);
    }
    if (!kept.empty()) {
        if (!text.empty()) text += "\n\n";
        text += "Saves cut short had left notes that are in no other file. Scriblet has kept them in:\n";
        for (const std::string& file : kept) text += file + "\n";
        text += "\nOpen them in a text editor and copy what you need into Scriblet; Scriblet does not change them.";
    }
    return text;
}

std::string changedNotesQuestion(const std::string& sidePath) {
    return withPath(
        "notes.txt was changed by another program after Scriblet read it.\n\n"
        "Do you want to save the notes in this window over it?\n\n"
        "Yes: save over it. What the other program wrote is lost.\n"
        "No: keep notes.txt as it is. The notes in this window are saved to\n%1\n"
        "instead, now and at every later save until Scriblet is closed.",
        sidePath);
}

std::string tableFullMessage() {
    return "Scriblet can hold no more than " + std::to_string(NoteTable::kMaxEntries - 1) +
           " notes.\n\nDelete a note to make room for a new one.";
}

std::string internalErrorMessage(bool outOfMemory) {
    return std::string(outOfMemory ? "Scriblet ran out of memory." : "An internal error occurred in Scriblet.") +
           "\n\nnotes.txt was not changed by it. So that nothing in it is lost, Scriblet will not save "
           "over it any more in this session: copy what you need from the window, then close Scriblet "
           "and start it again.";
}

namespace {

bool isBlank(const Note& note) {
    return note.title.empty() && note.date.empty() && note.body.empty();
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

void NotesController::pullFields() { view_.exchangeFields(fields_, true); }

void NotesController::pushFields() { view_.exchangeFields(fields_, false); }

void NotesController::commitShownNote() {
    pullFields();
    Note& shown = table_.at(currentIndex_);
    if (assign(shown.date, fields_.date)) changed_ = true;
    if (assign(shown.body, fields_.body)) changed_ = true;
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
        view_.showWarning(unicode ? unicodeNotesMessage(path) : unreadableNotesMessage(path));
    } else if (outcome.recovered || !outcome.keptFiles.empty()) {
        view_.showWarning(recoveredNotesMessage(files_.fullPath(kNotesFileName), outcome.recovered, outcome.keptFiles));
    }

    // The list is filled, and its selection set, in one go: its storage is
    // taken once for every title and "<New>" instead of growing entry by
    // entry, and it repaints once at the end (each change of its scroll
    // range or position would be drawn at once), however the start ends.
    std::size_t textBytes = std::strlen(kNewEntryText) + 1;
    for (std::int16_t i = 0; i < table_.noteCount(); ++i) textBytes += table_.at(i).title.size() + 1;
    struct Filling {
        NotesView& view;
        ~Filling() { view.listFillEnd(); }
    } filling{view_};
    view_.listFillBegin(table_.noteCount() + 1, textBytes);
    for (std::int16_t i = 0; i < table_.noteCount(); ++i) view_.listAppend(table_.at(i).title);

    started_ = true;
    currentIndex_ = table_.noteCount();
    appendPending();
    pullFields();
    pushFields();
    view_.listSelect(currentIndex_);

    if (!unreadable && outcome.result == ReadResult::OpenedWithData) {
        currentIndex_ = 0;
        showNote(0);
    }
}

std::int16_t NotesController::notesToWrite() const {
    // An untouched pending note is never written, whatever the flag says:
    // it would come back as a real "Untitled" note at the next start.
    const std::int16_t count = table_.noteCount();
    const bool writeTrailing = saveTrailingNote_ && !isBlank(table_.at(count - 1));
    return writeTrailing ? count : static_cast<std::int16_t>(count - 1);
}

bool NotesController::saveNotes() {
    if (!hasShownNote()) return true;
    commitShownNote();
    if (!savingEnabled_) return true;

    const std::int16_t n = notesToWrite();
    SaveOutcome outcome = store_.save(table_, n);
    // Each question is asked with nothing held; the save then goes again.
    for (;;) {
        if (outcome.result == SaveResult::ChangedElsewhere) {
            askAboutChangedFile();
        } else if (outcome.result == SaveResult::InPlaceAhead) {
            view_.showWarning(kInPlaceMessage);
            store_.allowSavingInPlace();
        } else {
            break;
        }
        outcome = store_.save(table_, n);
    }
    if (outcome.error) {
        view_.showFileError(*outcome.error);
        return false;
    }
    changed_ = false;
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
    pullFields();
    const Note& note = table_.at(p);
    fields_.title = note.title;
    fields_.date = note.date;
    fields_.body = note.body;
    view_.listSelect(p);
    pushFields();
}

bool NotesController::appendPending() {
    if (!table_.appendNote()) return false;
    view_.listAppend(kNewEntryText);
    saveTrailingNote_ = false;
    return true;
}

void NotesController::commitTitle() {
    if (!hasShownNote()) return;
    pullFields();

    const bool wasPending = showsPendingNote();
    if (wasPending && table_.isFull()) {
        // No room for a new pending note: the entry stays "<New>".
        fields_.title.clear();
        pushFields();
        view_.showWarning(tableFullMessage());
        return;
    }

    view_.listDelete(currentIndex_);
    view_.listInsert(currentIndex_, fields_.title);
    view_.listSelect(currentIndex_);
    if (assign(table_.at(currentIndex_).title, fields_.title)) changed_ = true;

    if (wasPending) {
        appendPending();
        if (fields_.date.empty()) stampDate();
    }
    saveTrailingNote_ = true;
}

void NotesController::stampDate() {
    if (!hasShownNote()) return;
    pullFields();
    fields_.date = today_();
    if (assign(table_.at(currentIndex_).date, fields_.date)) changed_ = true;
    pushFields();
}

void NotesController::commitBody() {
    pullFields();
    if (!showsPendingNote()) return;
    fields_.title = kUntitled;
    pushFields();
    commitTitle();
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

void NotesController::onTitleLeft() {
    pullFields();
    saveTrailingNote_ = false;
}

void NotesController::onDateTyped() {
    pullFields();
    saveTrailingNote_ = true;
}

void NotesController::onBodyLeft() {
    if (hasShownNote() && view_.bodyModified() && view_.bodyLength() > 0) commitBody();
    pullFields();
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
    view_.listInsert(restored, undo_.note.title);
    view_.listSelect(restored);
    currentIndex_ = restored;
    showNote(currentIndex_);
    undo_.undoIndex = -1;
}

bool NotesController::onOK() {
    if (!queryClose()) return false;
    pullFields();
    return true;
}

bool NotesController::onCloseButton() { return queryClose() && saveNotes(); }

void NotesController::onDestroy() {
    if (!sessionEnding_) saveNotes();
}

bool NotesController::onQueryEndSession() {
    if (!queryClose() || !saveNotes()) return false;
    sessionEnding_ = true;
    return true;
}

void NotesController::onEndSession(bool ending) {
    sessionEnding_ = sessionEnding_ && ending;
}

void NotesController::onInternalError(bool outOfMemory) {
    holdBackSaving();
    // A handler failing again while the box is up is not told twice.
    if (reportingInternalError_) return;
    FlagUp reporting(reportingInternalError_);
    view_.showWarning(internalErrorMessage(outOfMemory));
}

}  // namespace scriblet
