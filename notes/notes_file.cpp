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
// Stands in for today's date when the clock cannot be read: an empty date
// would shift every later field of the file by one.
const char* const kUnknownDate = "000000";

// A save waits half a second for a file another program holds; the start,
// which would otherwise hold saving back for the whole session, two seconds.
const int kSaveRetries = 5;
const int kStartRetries = 20;
const int kRetryPauseMs = 100;
// Files are read in pieces of this size, each digested while it is still in
// the cache.
const std::size_t kReadPiece = 1u << 20;

bool isUpperHex(char c) { return (c >= '0' && c <= '9') || (c >= 'A' && c <= 'F'); }

int hexValue(char c) { return c <= '9' ? c - '0' : c - 'A' + 10; }

const char kHexDigits[] = "0123456789ABCDEF";

// Whether the escape byte at p (before end) starts an escape.
bool startsEscape(const char* p, const char* end) {
    return end - p >= 3 && isUpperHex(p[1]) && isUpperHex(p[2]);
}

// Appends the bytes from `from` up to `to` (by length: the iterator form
// goes the long way round through replace).
void appendSpan(std::string& out, const char* from, const char* to) {
    out.append(from, static_cast<std::size_t>(to - from));
}

bool isStopByte(char c) { return c == '\0' || c == '\x1A'; }

// A body token as the plain rules give it, from its bytes on disk: each CR LF
// reads as LF, and its escapes are decoded; exactly "<empty>" is the empty
// body. `plain`: the token holds neither a line feed nor the escape byte.
void decodeBody(const char* token, const char* end, bool plain, std::string& body) {
    const std::size_t length = static_cast<std::size_t>(end - token);
    if (plain) {
        if (length == std::strlen(kEmptyBody) && std::memcmp(token, kEmptyBody, length) == 0) body.clear();
        else body.assign(token, length);
        return;
    }
    body.clear();
    body.reserve(length);
    const char* p = token;
    for (const char* at = p;; ++at) {
        at = nextControlOrDegree(at, end);
        if (at == end) break;
        if (*at == '\n') {
            appendSpan(body, p, at > p && at[-1] == '\r' ? at - 1 : at);
            body.push_back('\n');
            p = at + 1;
        } else if (*at == kEscape && startsEscape(at, end)) {
            appendSpan(body, p, at);
            body.push_back(static_cast<char>(hexValue(at[1]) * 16 + hexValue(at[2])));
            p = at + 3;
            at += 2;
        }
    }
    appendSpan(body, p, end);
}

// C's strtok over the file's text, with the delimiter sets the reader
// alternates (a line feed for dates and titles, 0xB0 for bodies), run on the
// bytes on disk themselves: a CR LF pair is the line feed it reads as, and
// the first NUL or 0x1A ends the data. One pass, no copy of the text.
class Tokenizer {
public:
    Tokenizer(const char* data, std::size_t size) : p_(data), end_(data + size) {}

    bool nextLine(std::string& token) {
        skipLineBreaks();
        if (p_ == end_) return false;
        const char* const start = p_;
        const char* at = start;
        for (;; ++at) {
            at = nextControlOrDegree(at, end_);
            if (at == end_ || *at == '\n') break;
            if (isStopByte(*at)) {
                end_ = at;
                break;
            }
        }
        const char* tokenEnd = at;
        if (at < end_) {
            p_ = at + 1;
            // The CR of a CR LF pair is part of the line break.
            if (at > start && at[-1] == '\r') --tokenEnd;
        } else {
            p_ = at;
        }
        token.clear();
        appendSpan(token, start, tokenEnd);
        return true;
    }

    // The next body, decoded.
    bool nextBody(std::string& body) {
        while (p_ < end_ && *p_ == kTerminator) ++p_;
        if (p_ < end_ && isStopByte(*p_)) end_ = p_;
        if (p_ == end_) return false;
        const char* const start = p_;
        const char* at = start;
        bool plain = true;
        for (;; ++at) {
            at = nextControlOrDegree(at, end_);
            if (at == end_ || *at == kTerminator) break;
            if (isStopByte(*at)) {
                end_ = at;
                break;
            }
            if (*at == '\n' || *at == kEscape) plain = false;
        }
        p_ = at == end_ ? at : at + 1;
        decodeBody(start, at, plain, body);
        return true;
    }

    // What follows the last token, from where the next record's date would
    // start, as text.
    std::string rest() {
        skipLineBreaks();
        const char* stop = p_;
        for (;; ++stop) {
            stop = nextControlOrDegree(stop, end_);
            if (stop == end_ || isStopByte(*stop)) break;
        }
        end_ = stop;
        return textFromDisk(p_, static_cast<std::size_t>(end_ - p_));
    }

    // Where the data ends: the stop byte, once a token or rest() met it, or
    // the end of the bytes.
    const char* end() const { return end_; }

private:
    // Leading line feeds, as strtok skips them; a stop byte ends the data.
    void skipLineBreaks() {
        while (p_ < end_) {
            if (*p_ == '\n') ++p_;
            else if (*p_ == '\r' && end_ - p_ >= 2 && p_[1] == '\n') p_ += 2;
            else break;
        }
        if (p_ < end_ && isStopByte(*p_)) end_ = p_;
    }

    const char* p_;
    const char* end_;
};

// Bytes that a title or date cannot carry.
bool breaksLine(char c) { return c == '\n' || c == '\x1A' || c == '\0'; }

// A title or date goes on one line: each line break (CR LF or LF) and each
// byte 0x1A or NUL becomes a blank. A lone CR stays: the reader gives it back
// as it was, so a title read with one is written back unchanged.
void appendOneLine(std::string& out, const std::string& field) {
    const char* const end = field.data() + field.size();
    const char* run = field.data();
    for (const char* at = run;; ++at) {
        at = nextControlOrDegree(at, end);
        if (at == end) break;
        const bool crLf = *at == '\r' && end - at >= 2 && at[1] == '\n';
        if (!crLf && !breaksLine(*at)) continue;
        appendSpan(out, run, at);
        out.push_back(' ');
        if (crLf) ++at;
        run = at + 1;
    }
    appendSpan(out, run, end);
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
    // Bytes from `run` on are copied as they are until one needs more.
    const char* run = p;
    for (const char* at = p;; ++at) {
        at = nextControlOrDegree(at, end);
        if (at == end) break;
        const char c = *at;
        if (c == '\n') {
            appendSpan(out, run, at);
            out.append("\r\n", 2);
        } else if (c == kTerminator || isStopByte(c) || (c == kEscape && startsEscape(at, end))) {
            appendSpan(out, run, at);
            appendEscape(out, static_cast<unsigned char>(c));
        } else {
            continue;
        }
        run = at + 1;
    }
    appendSpan(out, run, end);
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
    std::string buffer(kReadPiece, '\0');
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

// Removes a complete save that did not take the target's place, unless the
// target is gone: then it is the only copy of the notes, which the next start
// puts in place.
void dropCompleteSave(FileSystem& files, const OwnSave& own) {
    FileStamp left;
    if (!files.stamp(own.target, left) || left.exists) files.remove(own.complete);
}

// Writes the bytes beside `target` under a name of this process's own, marks
// them complete once flushed, and moves them over `target`.
SaveOutcome saveBytes(const std::string& bytes, const Digest& digest, FileSystem& files, const std::string& name,
                      const OwnSave& own, KnownFile& known, bool saveOverChanges) {
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
        dropCompleteSave(files, own);
        return failed(errorFor(files, name, status));
    }

    known.known = true;
    known.stamp = written;
    known.digest = digest;
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

namespace {

// The local time now in strftime's `format`; empty when the clock cannot be read.
std::string localTimeNow(const char* format) {
    const std::time_t now = std::time(nullptr);
    if (now == static_cast<std::time_t>(-1)) return std::string();
    const std::tm* local = std::localtime(&now);
    if (!local) return std::string();
    char buffer[128];
    const std::size_t length = std::strftime(buffer, sizeof buffer, format, local);
    return std::string(buffer, length);
}

}  // namespace

std::string todayString() { return localTimeNow("%m%d%y"); }

namespace {

// The bytes are digested as they are made, a run of this many at a time,
// while they are still in the cache.
const std::size_t kDigestRun = 1u << 16;

// formatNotes into `out`, with the digest of the bytes when `digest` is given.
void formatAndDigest(const NoteTable& table, std::int16_t n, const std::function<std::string()>& today,
                     Digest* digest, std::string& out) {
    if (n > table.noteCount()) n = table.noteCount();
    std::size_t estimate = table.unreadText.size() + table.unreadText.size() / 16 + table.stopTail.size();
    for (std::int16_t i = 0; i < n; ++i) {
        const Note& note = table.at(i);
        const std::size_t fields = note.title.size() + note.date.size() + note.body.size();
        estimate += fields + fields / 16 + 32;
    }
    out.clear();
    out.reserve(estimate);
    Digester digester;
    std::size_t digested = 0;
    for (std::int16_t i = 0; i < n; ++i) {
        const Note& note = table.at(i);
        if (note.date.empty()) {
            const std::string stamp = today();
            appendOneLine(out, stamp.empty() ? std::string(kUnknownDate) : stamp);
        } else {
            appendOneLine(out, note.date);
        }
        out.append("\r\n", 2);
        if (note.title.empty()) out += kUntitled;
        else appendOneLine(out, note.title);
        out.append("\r\n", 2);
        appendBody(out, note.body);
        out.push_back(kTerminator);
        out.append("\r\n", 2);
        if (digest && out.size() - digested >= kDigestRun) {
            digester.add(out.data() + digested, out.size() - digested);
            digested = out.size();
        }
    }
    appendTextToDisk(out, table.unreadText.data(), table.unreadText.size());
    out += table.stopTail;
    if (digest) {
        digester.add(out.data() + digested, out.size() - digested);
        *digest = digester.finish();
    }
}

// Whether `bytes` are exactly those `known` describes.
bool sameAsKnown(const KnownFile& known, const std::string& bytes, const Digest& digest) {
    return known.known && known.stamp.size == bytes.size() && known.digest == digest;
}

}  // namespace

std::string formatNotes(const NoteTable& table, std::int16_t n, const std::function<std::string()>& today) {
    std::string out;
    formatAndDigest(table, n, today, nullptr, out);
    return out;
}

void parseNotes(const std::string& diskBytes, NoteTable& table,
                const std::function<void(const std::string& title)>& addTitle) {
    table.clear();
    Tokenizer tokens(diskBytes.data(), diskBytes.size());
    std::string field;
    while (table.noteCount() < kMaxNotesRead && tokens.nextLine(field)) {
        table.appendNote();
        Note& note = table.at(static_cast<std::int16_t>(table.noteCount() - 1));
        note.date.swap(field);
        if (tokens.nextLine(field)) note.title.swap(field);
        if (addTitle) addTitle(note.title);
        if (tokens.nextBody(field)) note.body.swap(field);
        field.clear();
    }
    if (table.noteCount() == kMaxNotesRead) table.unreadText = tokens.rest();
    table.stopTail.assign(tokens.end(), diskBytes.data() + diskBytes.size());
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
        // Room for the first save's bytes too, which it makes in this memory
        // (saveBuffer below): a little more than the file, for the line ends
        // and escapes a save may add. Memory never written takes no pages.
        if (size < bytes.max_size() / 2) bytes.reserve(static_cast<std::size_t>(size + size / 4));
        bytes.resize(static_cast<std::size_t>(size));
        Digester digester;
        std::size_t got = 0;
        while (got < bytes.size()) {
            const std::size_t want = std::min(kReadPiece, bytes.size() - got);
            std::size_t piece = 0;
            status = file->read(&bytes[got], want, piece);
            if (!status) return notOpened(errorFor(files, kNotesFileName, status));
            digester.add(bytes.data() + got, piece);
            got += piece;
            if (piece < want) break;
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
            known->digest = digester.finish();
        }
        if (bytes.empty()) {
            outcome.result = ReadResult::OpenedEmpty;
            return outcome;
        }
        parseNotes(bytes, table, addTitle);
        // The first save makes its bytes in this memory, already mapped.
        if (known) known->saveBuffer.swap(bytes);
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
        Digest digest;
        std::string& bytes = known.saveBuffer;
        formatAndDigest(table, n, today, &digest, bytes);
        // The file still holds these bytes, or another program's instead,
        // which they must not replace unasked: nothing to write. Only a
        // missing file is written.
        FileStamp now;
        if (sameAsKnown(known, bytes, digest) && files.stamp(own->target, now) && now.exists) {
            SaveOutcome outcome;
            outcome.result = SaveResult::Unchanged;
            return outcome;
        }
        return saveBytes(bytes, digest, files, name, *own, known, saveOverChanges);
    } catch (...) {
    }
    try {
        if (own) {
            files.remove(own->incomplete);
            dropCompleteSave(files, *own);
        }
    } catch (...) {
    }
    return failed(errorFor(files, name, FileErrorCause::Generic, 0));
}

bool wouldChange(const NoteTable& table, std::int16_t n, const std::function<std::string()>& today,
                 const KnownFile& known) {
    try {
        Digest digest;
        std::string bytes;
        formatAndDigest(table, n, today, &digest, bytes);
        return !sameAsKnown(known, bytes, digest);
    } catch (const std::bad_alloc&) {
        return true;
    }
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
    const std::string base = "notes (Scriblet" + localTimeNow(" %Y-%m-%d %H.%M.%S") + ")";
    std::string name = base + ".txt";
    for (int copy = 2; copy < 1000; ++copy) {
        FileStamp stamp;
        if (files.stamp(name, stamp) && !stamp.exists) break;
        name = base + " " + std::to_string(copy) + ".txt";
    }
    return name;
}

}  // namespace scriblet
