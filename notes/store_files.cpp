#include "notes/store_files.h"

namespace scriblet::store_files {

std::string numbered(const std::string& stem, int number) {
    return number == 1 ? stem : stem + "." + std::to_string(number);
}

std::string withNumber(const std::string& base, int number) {
    return number == 1 ? base : base + " " + std::to_string(number);
}

bool isDigit(char c) { return c >= '0' && c <= '9'; }

bool isSaveNumber(const std::string& text) {
    if (text.empty() || !isDigit(text.front()) || !isDigit(text.back())) return false;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (!isDigit(text[i]) && !(text[i] == '.' && isDigit(text[i + 1]))) return false;
    }
    return true;
}

std::string savedFileOf(FileSystem& files, const std::string& path, const std::string& suffix,
                        const std::string& base) {
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

SaveOutcome failed(FileError error) {
    SaveOutcome outcome;
    outcome.result = SaveResult::Failed;
    outcome.error = std::move(error);
    return outcome;
}

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

}  // namespace scriblet::store_files
