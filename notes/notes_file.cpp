#include "notes/notes_file.h"

#include <algorithm>
#include <cstring>
#include <ctime>
#include <new>
#include <utility>

#include "notes/text_mode.h"

namespace scriblet {

namespace {

const char kTerminator = '\xB0';
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

bool isUpperHex(char c) { return (c >= '0' && c <= '9') || (c >= 'A' && c <= 'F'); }

int hexValue(char c) { return c <= '9' ? c - '0' : c - 'A' + 10; }

const char kHexDigits[] = "0123456789ABCDEF";

// The splitting state of the reader: C's strtok over a zero-free text, with
// the body's delimiter refined by the escapes.
class Tokenizer {
public:
    explicit Tokenizer(const std::string& text) : text_(text.data()), size_(text.size()) {}

    // The next run of bytes up to a line feed, leading line feeds skipped.
    bool nextLine(std::string& token) {
        while (pos_ < size_ && text_[pos_] == '\n') ++pos_;
        if (pos_ == size_) return false;
        const std::size_t start = pos_;
        const void* found = std::memchr(text_ + pos_, '\n', size_ - pos_);
        const std::size_t end = found ? static_cast<std::size_t>(static_cast<const char*>(found) - text_) : size_;
        token.assign(text_ + start, end - start);
        pos_ = found ? end + 1 : size_;
        return true;
    }

    // The next body: up to the first 0xB0 that does not start an escape,
    // leading such bytes skipped. Escapes are decoded, and a body of exactly
    // "<empty>" comes back empty.
    bool nextBody(std::string& body) {
        while (pos_ < size_ && text_[pos_] == kTerminator && !isEscape(pos_)) ++pos_;
        if (pos_ == size_) return false;
        const std::size_t start = pos_;
        std::size_t end = size_;
        bool escaped = false;
        std::size_t from = start;
        while (from < size_) {
            const void* found = std::memchr(text_ + from, kTerminator, size_ - from);
            if (!found) break;
            const std::size_t at = static_cast<std::size_t>(static_cast<const char*>(found) - text_);
            if (!isEscape(at)) {
                end = at;
                break;
            }
            escaped = true;
            from = at + 3;
        }
        pos_ = end < size_ ? end + 1 : size_;

        const std::size_t length = end - start;
        if (length == std::strlen(kEmptyBody) && std::memcmp(text_ + start, kEmptyBody, length) == 0) {
            body.clear();
        } else if (!escaped) {
            body.assign(text_ + start, length);
        } else {
            body.clear();
            body.reserve(length);
            std::size_t i = start;
            while (i < end) {
                const void* found = std::memchr(text_ + i, kTerminator, end - i);
                const std::size_t at = found ? static_cast<std::size_t>(static_cast<const char*>(found) - text_) : end;
                body.append(text_ + i, at - i);
                if (at == end) break;
                body.push_back(static_cast<char>(hexValue(text_[at + 1]) * 16 + hexValue(text_[at + 2])));
                i = at + 3;
            }
        }
        return true;
    }

    // What follows the last token, from where the next record's date would start.
    std::string rest() {
        while (pos_ < size_ && text_[pos_] == '\n') ++pos_;
        return std::string(text_ + pos_, size_ - pos_);
    }

private:
    bool isEscape(std::size_t at) const {
        return at + 2 < size_ && isUpperHex(text_[at + 1]) && isUpperHex(text_[at + 2]);
    }

    const char* text_;
    std::size_t size_;
    std::size_t pos_ = 0;
};

// Bytes that a title or date cannot carry.
bool breaksLine(char c) { return c == '\r' || c == '\n' || c == '\x1A' || c == '\0'; }

// A title or date goes on one line: each line break (CR LF, LF or CR) and
// each byte 0x1A or NUL becomes a blank.
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
    out.push_back(kTerminator);
    out.push_back(kHexDigits[byte >> 4]);
    out.push_back(kHexDigits[byte & 15]);
}

// The body with its escapes, in disk form (LF as CR LF).
void appendBody(std::string& out, const std::string& body) {
    if (body.empty()) {
        out += kEmptyBody;
        return;
    }
    std::size_t from = 0;
    if (body == kEmptyBody) {
        appendEscape(out, '<');
        from = 1;
    }
    const char* p = body.data() + from;
    const char* const end = body.data() + body.size();
    const char* degree = nextOf(p, end, kTerminator);
    const char* substitute = nextOf(p, end, '\x1A');
    const char* nul = nextOf(p, end, '\0');
    for (;;) {
        const char* next = std::min(degree, std::min(substitute, nul));
        appendTextToDisk(out, p, static_cast<std::size_t>(next - p));
        if (next == end) break;
        appendEscape(out, static_cast<unsigned char>(*next));
        p = next + 1;
        if (next == degree) degree = nextOf(p, end, kTerminator);
        if (next == substitute) substitute = nextOf(p, end, '\x1A');
        if (next == nul) nul = nextOf(p, end, '\0');
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

FileError errorFor(FileSystem& files, FileErrorCause cause, int osError) {
    return FileError{cause, files.fullPath(kNotesFileName), osError};
}

FileError errorFor(FileSystem& files, const FileStatus& status) {
    return errorFor(files, status.cause, status.osError);
}

ReadOutcome notOpened(FileError error) {
    ReadOutcome outcome;
    outcome.result = ReadResult::NotOpened;
    outcome.error = std::move(error);
    return outcome;
}

std::optional<FileError> saveBytes(const std::string& bytes, FileSystem& files) {
    std::unique_ptr<File> temp;
    FileStatus status =
        withRetries(files, kSaveRetries, false, [&] { return files.createWrite(kNotesTempFileName, temp); });
    if (!status) return errorFor(files, status);

    status = temp->write(bytes.data(), bytes.size());
    if (status) status = temp->flush();
    const FileStatus closed = temp->close();
    temp.reset();
    if (status && !closed) status = closed;

    if (status) {
        bool readOnly = false;
        status = files.isReadOnly(kNotesFileName, readOnly);
        if (status && readOnly) status = FileStatus::failure(FileErrorCause::AccessDenied);
    }
    if (status) {
        status = withRetries(files, kSaveRetries, true,
                             [&] { return files.replace(kNotesTempFileName, kNotesFileName); });
    }
    if (status) return std::nullopt;

    files.remove(kNotesTempFileName);
    return errorFor(files, status);
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
    std::size_t estimate = table.unreadText.size() + table.unreadText.size() / 16;
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
    return out;
}

void parseNotes(const std::string& diskBytes, NoteTable& table,
                const std::function<void(const std::string& title)>& addTitle) {
    table.clear();
    std::string text = textFromDisk(diskBytes.data(), diskBytes.size());
    const std::size_t zero = text.find('\0');
    if (zero != std::string::npos) text.resize(zero);

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
                      const std::function<void(const std::string& title)>& addTitle) {
    table.clear();
    // A save cut short by a crash leaves its temporary file behind.
    files.remove(kNotesTempFileName);

    std::unique_ptr<File> file;
    FileStatus status =
        withRetries(files, kStartRetries, false, [&] { return files.openRead(kNotesFileName, file); });
    if (!status && status.cause == FileErrorCause::NotFound) {
        status = files.openReadCreate(kNotesFileName, file);
    }
    if (!status) return notOpened(errorFor(files, status));

    std::uint64_t size = 0;
    status = file->size(size);
    if (!status) return notOpened(errorFor(files, FileErrorCause::BadSeek, status.osError));
    if (size == 0) {
        file->close();
        ReadOutcome outcome;
        outcome.result = ReadResult::OpenedEmpty;
        return outcome;
    }

    std::string bytes;
    try {
        if (size > bytes.max_size()) throw std::bad_alloc();
        bytes.resize(static_cast<std::size_t>(size));
        std::size_t got = 0;
        status = file->read(&bytes[0], bytes.size(), got);
        if (!status) return notOpened(errorFor(files, status));
        bytes.resize(got);
        file->close();
        file.reset();
        parseNotes(bytes, table, addTitle);
    } catch (const std::bad_alloc&) {
        table.clear();
        return notOpened(errorFor(files, FileErrorCause::Generic, 0));
    }

    ReadOutcome outcome;
    outcome.result = ReadResult::OpenedWithData;
    return outcome;
}

std::optional<FileError> writeNotes(const NoteTable& table, std::int16_t n, FileSystem& files,
                                    const std::function<std::string()>& today) {
    // Whatever fails in between (memory, the file system) is a file error:
    // notes.txt is replaced only by a complete new file, so it is kept.
    try {
        return saveBytes(formatNotes(table, n, today), files);
    } catch (...) {
    }
    try {
        files.remove(kNotesTempFileName);
    } catch (...) {
    }
    return errorFor(files, FileErrorCause::Generic, 0);
}

}  // namespace scriblet
