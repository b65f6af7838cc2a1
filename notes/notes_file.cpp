#include "notes/notes_file.h"

#include <algorithm>
#include <cstring>
#include <ctime>
#include <new>
#include <utility>
#include <vector>

#include "notes/text_mode.h"

namespace scriblet {

namespace {

const char kTerminator = '\xB0';
// Starts an escape in a body: it and two upper-case hex digits stand for the
// byte with that value. None of the format's delimiters and stop bytes, and
// no typed text, contains it.
const char kEscape = '\x10';
const char* const kEmptyBody = "<empty>";
const char* const kUntitled = "Untitled";
// Stands in for today's date when the clock cannot be read: an empty date
// would shift every later field of the file by one.
const char* const kUnknownDate = "000000";

// A save waits half a second for a file another program holds; the start,
// which would otherwise hold saving back for the whole session, two seconds.
const int kSaveRetries = 5;
const int kStartRetries = 20;
const int kRetryPauseMs = 100;
// A file compared byte by byte is read in pieces of this size.
const std::size_t kCompareChunk = 1u << 20;

bool isUpperHex(char c) { return (c >= '0' && c <= '9') || (c >= 'A' && c <= 'F'); }

int hexValue(char c) { return c <= '9' ? c - '0' : c - 'A' + 10; }

const char kHexDigits[] = "0123456789ABCDEF";

// Whether the escape byte at p (before end) starts an escape.
bool startsEscape(const char* p, const char* end) {
    return end - p >= 3 && isUpperHex(p[1]) && isUpperHex(p[2]);
}

// A body token as the plain rules give it, with its escapes decoded; exactly
// "<empty>" is the empty body.
void decodeBody(const char* token, std::size_t length, std::string& body) {
    if (length == std::strlen(kEmptyBody) && std::memcmp(token, kEmptyBody, length) == 0) {
        body.clear();
        return;
    }
    const char* const end = token + length;
    const void* first = std::memchr(token, kEscape, length);
    if (!first) {
        body.assign(token, length);
        return;
    }
    body.clear();
    body.reserve(length);
    const char* p = token;
    for (const char* at = static_cast<const char*>(first); at; ) {
        body.append(p, at);
        if (startsEscape(at, end)) {
            body.push_back(static_cast<char>(hexValue(at[1]) * 16 + hexValue(at[2])));
            p = at + 3;
        } else {
            body.push_back(kEscape);
            p = at + 1;
        }
        at = p < end ? static_cast<const char*>(std::memchr(p, kEscape, static_cast<std::size_t>(end - p))) : nullptr;
    }
    body.append(p, end);
}

// C's strtok over a zero-free text, with the delimiter sets the reader
// alternates: a line feed for dates and titles, 0xB0 for bodies.
class Tokenizer {
public:
    explicit Tokenizer(const std::string& text) : text_(text.data()), size_(text.size()) {}

    bool nextLine(std::string& token) {
        std::size_t start = 0;
        std::size_t length = 0;
        if (!nextSpan('\n', start, length)) return false;
        token.assign(text_ + start, length);
        return true;
    }

    // The next body, decoded.
    bool nextBody(std::string& body) {
        std::size_t start = 0;
        std::size_t length = 0;
        if (!nextSpan(kTerminator, start, length)) return false;
        decodeBody(text_ + start, length, body);
        return true;
    }

    // What follows the last token, from where the next record's date would start.
    std::string rest() {
        while (pos_ < size_ && text_[pos_] == '\n') ++pos_;
        return std::string(text_ + pos_, size_ - pos_);
    }

private:
    // Leading delimiters skipped, then the bytes up to the next one.
    bool nextSpan(char delimiter, std::size_t& start, std::size_t& length) {
        while (pos_ < size_ && text_[pos_] == delimiter) ++pos_;
        if (pos_ == size_) return false;
        start = pos_;
        const void* found = std::memchr(text_ + pos_, delimiter, size_ - pos_);
        const std::size_t end = found ? static_cast<std::size_t>(static_cast<const char*>(found) - text_) : size_;
        length = end - start;
        pos_ = found ? end + 1 : size_;
        return true;
    }

    const char* text_;
    std::size_t size_;
    std::size_t pos_ = 0;
};

// Where the plain rules stop reading: the first NUL or 0x1A of the disk bytes.
std::size_t stopOf(const std::string& bytes) {
    return std::min(bytes.find('\0'), bytes.find('\x1A'));
}

// Bytes that a title or date cannot carry.
bool breaksLine(char c) { return c == '\n' || c == '\x1A' || c == '\0'; }

// A title or date goes on one line: each line break (CR LF or LF) and each
// byte 0x1A or NUL becomes a blank. A lone CR stays: the reader gives it back
// as it was, so a title read with one is written back unchanged.
void appendOneLine(std::string& out, const std::string& field) {
    if (std::none_of(field.begin(), field.end(), breaksLine)) {
        out += field;
        return;
    }
    for (std::size_t i = 0; i < field.size(); ++i) {
        const char c = field[i];
        if (c == '\r' && i + 1 < field.size() && field[i + 1] == '\n') {
            out.push_back(' ');
            ++i;
        } else {
            out.push_back(breaksLine(c) ? ' ' : c);
        }
    }
}

const char* nextOf(const char* from, const char* end, char c) {
    const void* found = std::memchr(from, c, static_cast<std::size_t>(end - from));
    return found ? static_cast<const char*>(found) : end;
}

void appendEscape(std::string& out, unsigned char byte) {
    out.push_back(kEscape);
    out.push_back(kHexDigits[byte >> 4]);
    out.push_back(kHexDigits[byte & 15]);
}

// The body with its escapes, in disk form (LF as CR LF). The escape byte
// itself is escaped only where two upper-case hex digits follow it, so that
// a file holding it otherwise is written back as it was.
void appendBody(std::string& out, const std::string& body) {
    if (body.empty()) {
        out += kEmptyBody;
        return;
    }
    const char* p = body.data();
    const char* const end = body.data() + body.size();
    if (body == kEmptyBody) {
        appendEscape(out, '<');
        ++p;
    }
    const char kSpecial[] = {kTerminator, '\x1A', '\0', kEscape};
    const char* next[4];
    for (int k = 0; k < 4; ++k) next[k] = nextOf(p, end, kSpecial[k]);
    for (;;) {
        const char* at = std::min(std::min(next[0], next[1]), std::min(next[2], next[3]));
        appendTextToDisk(out, p, static_cast<std::size_t>(at - p));
        if (at == end) break;
        if (*at != kEscape || startsEscape(at, end)) appendEscape(out, static_cast<unsigned char>(*at));
        else out.push_back(kEscape);
        p = at + 1;
        for (int k = 0; k < 4; ++k) {
            if (next[k] == at) next[k] = nextOf(p, end, kSpecial[k]);
        }
    }
}

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

FileError errorFor(FileSystem& files, const std::string& name, FileErrorCause cause, int osError) {
    return FileError{cause, files.fullPath(name), osError};
}

FileError errorFor(FileSystem& files, const std::string& name, const FileStatus& status) {
    return errorFor(files, name, status.cause, status.osError);
}

ReadOutcome notOpened(FileError error) {
    ReadOutcome outcome;
    outcome.result = ReadResult::NotOpened;
    outcome.error = std::move(error);
    return outcome;
}

// Where a save of `name` goes: behind a link, its target; the name itself
// when that cannot be found out (a link then becomes a plain file, but the
// notes are saved).
std::string saveTarget(FileSystem& files, const std::string& name) {
    std::string target;
    if (!files.resolve(name, target) || target.empty()) return name;
    return target;
}

// "<target>.<digits><suffix>": a save of some process.
bool isSaveOf(const std::string& path, const std::string& target, const std::string& suffix) {
    const std::size_t start = target.size() + 1;
    if (path.size() <= start + suffix.size() || path.compare(0, target.size(), target) != 0 || path[target.size()] != '.' ||
        path.compare(path.size() - suffix.size(), suffix.size(), suffix) != 0) {
        return false;
    }
    const std::size_t digits = path.size() - suffix.size() - start;
    for (std::size_t i = 0; i < digits; ++i) {
        if (path[start + i] < '0' || path[start + i] > '9') return false;
    }
    return true;
}

// Deals with saves that were cut short beside `target` before it is read:
// when it is missing, the newest complete one becomes it; incomplete ones,
// and complete ones older than kStaleSaveAgeMs beside an existing target,
// are removed where they can be (another copy may still hold its own).
std::optional<FileError> recoverCutSaves(FileSystem& files, const std::string& target, bool& recovered) {
    recovered = false;
    std::vector<FoundFile> found;
    const FileStatus listed = files.findFiles(target + ".", found);
    if (!listed) {
        // A missing notes.txt would be created empty over a save that may be there.
        FileStamp stamp;
        if (files.stamp(target, stamp) && stamp.exists) return std::nullopt;
        return errorFor(files, kNotesFileName, listed);
    }
    std::vector<FoundFile> complete;
    for (const FoundFile& file : found) {
        if (isSaveOf(file.path, target, kIncompleteSaveSuffix)) files.remove(file.path);
        else if (isSaveOf(file.path, target, kCompleteSaveSuffix)) complete.push_back(file);
    }
    if (complete.empty()) return std::nullopt;

    FileStamp stamp;
    const FileStatus status = files.stamp(target, stamp);
    if (!status) return errorFor(files, kNotesFileName, status);
    if (!stamp.exists) {
        const auto newest = std::min_element(complete.begin(), complete.end(), [](const FoundFile& a, const FoundFile& b) {
            return a.ageMs < b.ageMs || (a.ageMs == b.ageMs && a.path > b.path);
        });
        const std::string from = newest->path;
        const FileStatus replaced = withRetries(files, kSaveRetries, true, [&] { return files.replace(from, target); });
        // Without it, notes.txt would be created empty and the save, the
        // only copy of the notes, removed later as stale.
        if (!replaced) return errorFor(files, kNotesFileName, replaced);
        recovered = true;
        complete.erase(newest);
    }
    for (const FoundFile& file : complete) {
        if (file.ageMs > kStaleSaveAgeMs) files.remove(file.path);
    }
    return std::nullopt;
}

// Reads a whole file into a digest.
FileStatus digestFile(FileSystem& files, const std::string& name, Digest& digest) {
    std::unique_ptr<File> file;
    FileStatus status = withRetries(files, kSaveRetries, false, [&] { return files.openRead(name, file); });
    if (!status) return status;
    Digester digester;
    std::string buffer(kCompareChunk, '\0');
    for (;;) {
        std::size_t got = 0;
        status = file->read(&buffer[0], buffer.size(), got);
        if (!status) return status;
        digester.add(buffer.data(), got);
        if (got < buffer.size()) break;
    }
    digest = digester.finish();
    return file->close();
}

enum class OnDisk { Known, Missing, Changed };

// Whether `target` is still the file `known` describes: by size, last write
// and identity, and by its bytes where those cannot decide.
FileStatus compareWithKnown(FileSystem& files, const std::string& target, const KnownFile& known, OnDisk& found) {
    FileStamp now;
    FileStatus status = files.stamp(target, now);
    if (!status) return status;
    const FileStamp& then = known.stamp;
    if (!now.exists) found = OnDisk::Missing;
    else if (now.size != then.size) found = OnDisk::Changed;
    else if ((now.volume != 0 || now.index != 0) && now.volume == then.volume && now.index == then.index &&
             now.lastWrite == then.lastWrite) {
        found = OnDisk::Known;
    } else {
        Digest digest;
        status = digestFile(files, target, digest);
        if (!status) return status;
        found = digest == known.digest ? OnDisk::Known : OnDisk::Changed;
    }
    return FileStatus::success();
}

SaveOutcome failed(FileError error) {
    SaveOutcome outcome;
    outcome.result = SaveResult::Failed;
    outcome.error = std::move(error);
    return outcome;
}

// The files a save of `name` by this process writes beside its target.
struct OwnSave {
    std::string target;
    std::string incomplete;
    std::string complete;
};

OwnSave ownSaveOf(FileSystem& files, const std::string& name) {
    OwnSave save;
    save.target = saveTarget(files, name);
    const std::string own = save.target + "." + std::to_string(files.processId());
    save.incomplete = own + kIncompleteSaveSuffix;
    save.complete = own + kCompleteSaveSuffix;
    return save;
}

// Writes the bytes beside `target` under a name of this process's own, marks
// them complete once flushed, and moves them over `target`.
SaveOutcome saveBytes(const std::string& bytes, FileSystem& files, const std::string& name, const OwnSave& own,
                      KnownFile& known, bool saveOverChanges) {
    const std::string& target = own.target;
    const std::string& incomplete = own.incomplete;
    const std::string& complete = own.complete;

    std::unique_ptr<File> temp;
    FileStatus status = withRetries(files, kSaveRetries, false, [&] { return files.createWrite(incomplete, temp); });
    if (!status) return failed(errorFor(files, name, status));
    status = temp->write(bytes.data(), bytes.size());
    if (status) status = temp->flush();
    const FileStatus closed = temp->close();
    temp.reset();
    if (status && !closed) status = closed;
    if (status) status = files.rename(incomplete, complete);
    if (!status) {
        files.remove(incomplete);
        return failed(errorFor(files, name, status));
    }

    // Taken now, from our own file: the replace keeps size, last write and identity.
    FileStamp written;
    if (!files.stamp(complete, written) || !written.exists) {
        written = FileStamp();
        written.exists = true;
        written.size = bytes.size();
    }

    bool readOnly = false;
    status = files.isReadOnly(target, readOnly);
    if (status && readOnly) status = FileStatus::failure(FileErrorCause::AccessDenied);
    OnDisk found = OnDisk::Missing;
    if (status && known.known && !saveOverChanges) status = compareWithKnown(files, target, known, found);
    if (status && found == OnDisk::Changed) {
        files.remove(complete);
        SaveOutcome outcome;
        outcome.result = SaveResult::ChangedElsewhere;
        return outcome;
    }
    if (status) status = withRetries(files, kSaveRetries, true, [&] { return files.replace(complete, target); });
    if (!status) {
        // The complete save stays where nothing else holds the notes: the
        // next start puts it in place.
        FileStamp left;
        if (!files.stamp(target, left) || left.exists) files.remove(complete);
        return failed(errorFor(files, name, status));
    }

    known.known = true;
    known.stamp = written;
    known.digest = digestOf(bytes.data(), bytes.size());
    SaveOutcome outcome;
    outcome.result = SaveResult::Saved;
    return outcome;
}

}  // namespace

std::string fileErrorMessage(const FileError& error) {
    const char* text = "An unknown error occurred while accessing %1.";
    switch (error.cause) {
        case FileErrorCause::Generic: break;
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

std::string todayString() {
    const std::time_t now = std::time(nullptr);
    if (now == static_cast<std::time_t>(-1)) return std::string();
    const std::tm* local = std::localtime(&now);
    if (!local) return std::string();
    char buffer[128];
    const std::size_t length = std::strftime(buffer, sizeof buffer, "%m%d%y", local);
    return std::string(buffer, length);
}

std::string formatNotes(const NoteTable& table, std::int16_t n, const std::function<std::string()>& today) {
    if (n > table.noteCount()) n = table.noteCount();
    std::size_t estimate = table.unreadText.size() + table.unreadText.size() / 16 + table.stopTail.size();
    for (std::int16_t i = 0; i < n; ++i) {
        const Note& note = table.at(i);
        const std::size_t fields = note.title.size() + note.date.size() + note.body.size();
        estimate += fields + fields / 16 + 32;
    }
    std::string out;
    out.reserve(estimate);
    for (std::int16_t i = 0; i < n; ++i) {
        const Note& note = table.at(i);
        if (note.date.empty()) {
            std::string stamp = today();
            appendOneLine(out, stamp.empty() ? std::string(kUnknownDate) : stamp);
        } else {
            appendOneLine(out, note.date);
        }
        out.append("\r\n", 2);
        appendOneLine(out, note.title.empty() ? std::string(kUntitled) : note.title);
        out.append("\r\n", 2);
        appendBody(out, note.body);
        out.push_back(kTerminator);
        out.append("\r\n", 2);
    }
    appendTextToDisk(out, table.unreadText.data(), table.unreadText.size());
    out += table.stopTail;
    return out;
}

void parseNotes(const std::string& diskBytes, NoteTable& table,
                const std::function<void(const std::string& title)>& addTitle) {
    table.clear();
    const std::size_t stop = stopOf(diskBytes);
    if (stop != std::string::npos) table.stopTail.assign(diskBytes, stop, std::string::npos);
    const std::string text = textFromDisk(diskBytes.data(), stop == std::string::npos ? diskBytes.size() : stop);

    Tokenizer tokens(text);
    std::string field;
    while (table.noteCount() < kMaxNotesRead) {
        if (!tokens.nextLine(field)) return;
        table.appendNote();
        Note& note = table.at(static_cast<std::int16_t>(table.noteCount() - 1));
        note.date.swap(field);
        if (tokens.nextLine(field)) note.title.swap(field);
        addTitle(note.title);
        if (tokens.nextBody(field)) note.body.swap(field);
        field.clear();
    }
    table.unreadText = tokens.rest();
}

ReadOutcome readNotes(NoteTable& table, FileSystem& files,
                      const std::function<void(const std::string& title)>& addTitle, KnownFile* known) {
    table.clear();
    if (known) *known = KnownFile();

    bool recovered = false;
    if (std::optional<FileError> error = recoverCutSaves(files, saveTarget(files, kNotesFileName), recovered)) {
        return notOpened(std::move(*error));
    }

    std::unique_ptr<File> file;
    FileStatus status =
        withRetries(files, kStartRetries, false, [&] { return files.openRead(kNotesFileName, file); });
    if (!status && status.cause == FileErrorCause::NotFound) {
        status = files.openReadCreate(kNotesFileName, file);
    }
    if (!status) return notOpened(errorFor(files, kNotesFileName, status));

    std::uint64_t size = 0;
    status = file->size(size);
    if (!status) return notOpened(errorFor(files, kNotesFileName, FileErrorCause::BadSeek, status.osError));

    ReadOutcome outcome;
    outcome.recovered = recovered;
    std::string bytes;
    try {
        if (size > bytes.max_size()) throw std::bad_alloc();
        bytes.resize(static_cast<std::size_t>(size));
        std::size_t got = 0;
        if (size > 0) {
            status = file->read(&bytes[0], bytes.size(), got);
            if (!status) return notOpened(errorFor(files, kNotesFileName, status));
        }
        bytes.resize(got);
        FileStamp stamp;
        if (!file->stamp(stamp)) {
            // Without the file's identity its bytes decide at the next save.
            stamp = FileStamp();
            stamp.exists = true;
            stamp.size = bytes.size();
        }
        file->close();
        file.reset();

        const bool utf16 = bytes.size() >= 2 && ((bytes[0] == '\xFF' && bytes[1] == '\xFE') ||
                                                 (bytes[0] == '\xFE' && bytes[1] == '\xFF'));
        if (utf16) {
            outcome.result = ReadResult::NotNotesEncoding;
            return outcome;
        }
        if (known) {
            known->known = true;
            known->stamp = stamp;
            known->digest = digestOf(bytes.data(), bytes.size());
        }
        if (bytes.empty()) {
            outcome.result = ReadResult::OpenedEmpty;
            return outcome;
        }
        parseNotes(bytes, table, addTitle);
    } catch (const std::bad_alloc&) {
        table.clear();
        if (known) *known = KnownFile();
        return notOpened(errorFor(files, kNotesFileName, FileErrorCause::Generic, 0));
    }
    outcome.result = ReadResult::OpenedWithData;
    return outcome;
}

SaveOutcome saveNotesFile(const NoteTable& table, std::int16_t n, FileSystem& files,
                          const std::function<std::string()>& today, KnownFile& known, bool saveOverChanges,
                          const std::string& name) {
    // Whatever fails in between (memory, the file system) is a file error:
    // the target is replaced only by a complete save, so it is kept.
    std::optional<OwnSave> own;
    try {
        own = ownSaveOf(files, name);
        return saveBytes(formatNotes(table, n, today), files, name, *own, known, saveOverChanges);
    } catch (...) {
    }
    try {
        if (own) {
            files.remove(own->incomplete);
            // A complete save stays where nothing else holds the notes.
            FileStamp left;
            if (!files.stamp(own->target, left) || left.exists) files.remove(own->complete);
        }
    } catch (...) {
    }
    return failed(errorFor(files, name, FileErrorCause::Generic, 0));
}

bool changedElsewhere(FileSystem& files, const KnownFile& known) {
    if (!known.known) return false;
    OnDisk found = OnDisk::Known;
    try {
        if (!compareWithKnown(files, saveTarget(files, kNotesFileName), known, found)) return false;
    } catch (const std::bad_alloc&) {
        return false;
    }
    return found == OnDisk::Changed;
}

std::optional<FileError> writeNotes(const NoteTable& table, std::int16_t n, FileSystem& files,
                                    const std::function<std::string()>& today) {
    KnownFile none;
    return saveNotesFile(table, n, files, today, none, true).error;
}

std::string sideFileName(FileSystem& files) {
    char when[64] = "";
    const std::time_t now = std::time(nullptr);
    if (const std::tm* local = now == static_cast<std::time_t>(-1) ? nullptr : std::localtime(&now)) {
        std::strftime(when, sizeof when, " %Y-%m-%d %H.%M.%S", local);
    }
    const std::string base = std::string("notes (Scriblet") + when + ")";
    std::string name = base + ".txt";
    for (int copy = 2; copy < 1000; ++copy) {
        FileStamp stamp;
        if (files.stamp(name, stamp) && !stamp.exists) break;
        name = base + " " + std::to_string(copy) + ".txt";
    }
    return name;
}

}  // namespace scriblet
