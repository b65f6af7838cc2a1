#include "bench/phases.h"

#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <functional>
#include <map>
#include <memory>
#include <vector>

#include "bench/timing.h"
#include "files/platform_file_system.h"
#include "notes/notes_store.h"
#include "res/palette.h"
#include "res/resource.h"
#include "tests/driver/scriblet_driver.h"
#include "ui/main/notes_dialog.h"

namespace scriblet::bench {

namespace {

// The real file system, adding up the time each operation takes.
class TimedFileSystem : public FileSystem {
public:
    explicit TimedFileSystem(FileSystem& real) : real_(real) {}

    void reset() { spent_.clear(); }
    double spent(const std::string& operation) const {
        const auto found = spent_.find(operation);
        return found == spent_.end() ? 0 : found->second;
    }
    double total() const {
        double sum = 0;
        for (const auto& entry : spent_) sum += entry.second;
        return sum;
    }

    FileStatus openRead(const std::string& name, std::unique_ptr<File>& file) override {
        return wrap(timed("open", [&] { return real_.openRead(name, file); }), file);
    }
    FileStatus openReadCreate(const std::string& name, std::unique_ptr<File>& file) override {
        return wrap(timed("open", [&] { return real_.openReadCreate(name, file); }), file);
    }
    FileStatus createNew(const std::string& name, std::unique_ptr<File>& file) override {
        return wrap(timed("write", [&] { return real_.createNew(name, file); }), file);
    }
    FileStatus openUpdate(const std::string& name, std::unique_ptr<File>& file) override {
        return wrap(timed("write", [&] { return real_.openUpdate(name, file); }), file);
    }
    FileStatus isReadOnly(const std::string& name, bool& readOnly) override {
        return timed("stamp", [&] { return real_.isReadOnly(name, readOnly); });
    }
    FileStatus replace(const std::string& from, const std::string& to) override {
        return timed("replace", [&] { return real_.replace(from, to); });
    }
    FileStatus rename(const std::string& from, const std::string& to) override {
        return timed("replace", [&] { return real_.rename(from, to); });
    }
    FileStatus remove(const std::string& name) override {
        return timed("replace", [&] { return real_.remove(name); });
    }
    FileStatus stamp(const std::string& name, FileStamp& stamp) override {
        return timed("stamp", [&] { return real_.stamp(name, stamp); });
    }
    FileStatus resolve(const std::string& name, std::string& target) override {
        return timed("stamp", [&] { return real_.resolve(name, target); });
    }
    FileStatus findFiles(const std::string& prefix, std::vector<FoundFile>& found) override {
        return timed("stamp", [&] { return real_.findFiles(prefix, found); });
    }
    bool sameName(const std::string& a, const std::string& b) override { return real_.sameName(a, b); }
    FileStatus lockFolder(const std::string& pathInFolder, std::unique_ptr<FolderLock>& lock) override {
        return timed("replace", [&] { return real_.lockFolder(pathInFolder, lock); });
    }
    FileStatus lockFile(const std::string& name, bool create, std::unique_ptr<FileLock>& lock) override {
        return timed("write", [&] { return real_.lockFile(name, create, lock); });
    }
    unsigned long processId() override { return real_.processId(); }
    std::string fullPath(const std::string& name) override { return real_.fullPath(name); }
    void pause(int milliseconds) override { real_.pause(milliseconds); }

private:
    class TimedFile : public File {
    public:
        TimedFile(TimedFileSystem& owner, std::unique_ptr<File> real) : owner_(owner), real_(std::move(real)) {}
        FileStatus size(std::uint64_t& bytes) override {
            return owner_.timed("stamp", [&] { return real_->size(bytes); });
        }
        FileStatus stamp(FileStamp& stamp) override {
            return owner_.timed("stamp", [&] { return real_->stamp(stamp); });
        }
        FileStatus read(char* buffer, std::size_t count, std::size_t& got) override {
            return owner_.timed("read", [&] { return real_->read(buffer, count, got); });
        }
        FileStatus write(const char* data, std::size_t count) override {
            return owner_.timed("write", [&] { return real_->write(data, count); });
        }
        FileStatus rewind() override {
            return owner_.timed("write", [&] { return real_->rewind(); });
        }
        FileStatus truncate() override {
            return owner_.timed("write", [&] { return real_->truncate(); });
        }
        FileStatus flush() override {
            return owner_.timed("flush", [&] { return real_->flush(); });
        }
        FileStatus close() override {
            return owner_.timed("close", [&] { return real_->close(); });
        }

    private:
        TimedFileSystem& owner_;
        std::unique_ptr<File> real_;
    };

    template <class Operation>
    FileStatus timed(const char* step, Operation operation) {
        const double before = nowMs();
        const FileStatus status = operation();
        spent_[step] += nowMs() - before;
        return status;
    }
    FileStatus wrap(FileStatus status, std::unique_ptr<File>& file) {
        if (status) file.reset(new TimedFile(*this, std::move(file)));
        return status;
    }

    FileSystem& real_;
    std::map<std::string, double> spent_;
};

// Named series of timings, printed as medians in the order first named.
class Steps {
public:
    void add(const std::string& step, double ms) {
        if (!series_.count(step)) order_.push_back(step);
        series_[step].push_back(ms);
    }
    double operator[](const std::string& step) const {
        const auto found = series_.find(step);
        return found == series_.end() ? 0 : median(found->second);
    }
    void print(const char* heading) const {
        std::printf("%s\n", heading);
        for (const std::string& step : order_) std::printf("  %-44s %8.1f ms\n", step.c_str(), (*this)[step]);
    }

private:
    std::vector<std::string> order_;
    std::map<std::string, std::vector<double>> series_;
};

std::string today() { return todayString(); }

// Fills a list box like template 102's title list, redrawing off, as the
// window's start does; with the list's storage reserved first or not.
double fillList(const NoteTable& table, bool reserve) {
    HWND parent = CreateWindowExA(0, "Static", "", WS_POPUP, 0, 0, 400, 300, nullptr, nullptr, nullptr, nullptr);
    HWND list = CreateWindowExA(0, "ListBox", "",
                                WS_CHILD | WS_VISIBLE | WS_VSCROLL | WS_TABSTOP | LBS_NOINTEGRALHEIGHT | LBS_NOTIFY, 0,
                                0, 100, 280, parent, nullptr, nullptr, nullptr);
    const double before = nowMs();
    SendMessageA(list, WM_SETREDRAW, FALSE, 0);
    if (reserve) {
        std::size_t text = 0;
        for (std::int16_t i = 0; i < table.noteCount(); ++i) text += table.at(i).title.size() + 1;
        SendMessageA(list, LB_INITSTORAGE, static_cast<WPARAM>(table.noteCount() + 1), static_cast<LPARAM>(text));
    }
    for (std::int16_t i = 0; i < table.noteCount(); ++i) {
        SendMessageA(list, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(table.at(i).title.c_str()));
    }
    SendMessageA(list, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>("<New>"));
    SendMessageA(list, WM_SETREDRAW, TRUE, 0);
    const double spent = nowMs() - before;
    DestroyWindow(parent);
    return spent;
}

// A plain write and flush of the bytes, the cost a save is held against.
bool plainWrite(const std::string& bytes, Steps& steps) {
    const double before = nowMs();
    HANDLE file = CreateFileA("baseline.txt", GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return false;
    DWORD written = 0;
    const bool ok = WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr) &&
                    written == bytes.size();
    const double flushing = nowMs();
    FlushFileBuffers(file);
    const double flushed = nowMs();
    CloseHandle(file);
    steps.add("write and flush", nowMs() - before);
    steps.add("  write", flushing - before);
    steps.add("  flush", flushed - flushing);
    DeleteFileA("baseline.txt");
    return ok;
}

// What runs inside the window's modal loop once it is up.
std::function<void(NotesDialog&)> insideWindow;
NotesDialog* runningWindow = nullptr;

void CALLBACK runInsideWindow(HWND, UINT, UINT_PTR id, DWORD) {
    KillTimer(nullptr, id);
    if (insideWindow && runningWindow) insideWindow(*runningWindow);
}

// Runs the main window on notes.txt as it is, with `body` inside its modal
// loop from its first idle moment (a timer: at least 10 ms after the start);
// the window then ends. The time from the start to that moment.
double runWindow(FileSystem& files, const Brushes& brushes, const std::function<void(NotesDialog&)>& body) {
    NoteTable table;
    UndoSlot undo;
    NotesDialog dialog(table, undo, files, brushes, [] {});
    double ready = 0;
    const double before = nowMs();
    insideWindow = [&](NotesDialog& window) {
        ready = nowMs() - before;
        body(window);
        window.EndDialog(IDCANCEL);
    };
    runningWindow = &dialog;
    SetTimer(nullptr, 0, USER_TIMER_MINIMUM, &runInsideWindow);
    const INT_PTR result = dialog.DoModal();
    insideWindow = nullptr;
    runningWindow = nullptr;
    return result == -1 ? -1 : ready;
}

// One note switch in the window, as the list reports a click: to the second
// note for even steps, back to the first for odd ones.
double timeSwitch(HWND window, bool edited, int step) {
    HWND list = GetDlgItem(window, IDC_TITLE_LIST);
    if (edited) {
        const std::string body = "edited " + std::to_string(step);
        SendMessageA(GetDlgItem(window, IDC_BODY), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(body.c_str()));
    }
    const double before = nowMs();
    SendMessageA(list, LB_SETCURSEL, static_cast<WPARAM>((step + 1) % 2), 0);
    SendMessageA(window, WM_COMMAND, MAKEWPARAM(IDC_TITLE_LIST, LBN_SELCHANGE), reinterpret_cast<LPARAM>(list));
    return nowMs() - before;
}

// The save of a switch on its own, as the window makes it: its steps.
bool timeSave(NoteTable& table, NotesStore& store, TimedFileSystem& files, bool edited, int run, Steps& steps) {
    if (edited) table.at(0).body = "edited " + std::to_string(run);
    files.reset();
    const double before = nowMs();
    const SaveResult result = store.save(table, table.noteCount()).result;
    const double total = nowMs() - before;
    const double write = files.spent("write") + files.spent("close");
    const double flush = files.spent("flush");
    steps.add("save", total);
    steps.add("  compare and format", total - files.total());
    if (edited) {
        steps.add("  write", write);
        steps.add("  flush", flush);
    }
    steps.add(edited ? "  lock, replace, stamps, link check" : "  stamp, link check", files.total() - write - flush);
    return result == (edited ? SaveResult::Saved : SaveResult::Unchanged);
}

}  // namespace

bool printPhases(const std::string& bytes, int runs) {
    static const HMODULE richEdit = LoadLibraryA("RICHED32.DLL");
    if (!richEdit) return false;

    e2e::ScratchDir scratch;
    char previous[MAX_PATH] = {};
    GetCurrentDirectoryA(MAX_PATH, previous);
    SetCurrentDirectoryA(scratch.path().c_str());

    std::unique_ptr<FileSystem> real = makePlatformFileSystem();
    TimedFileSystem files(*real);
    const Brushes brushes{CreateSolidBrush(kBackgroundColour), CreateSolidBrush(kAccentColour)};
    bool ok = true;

    // The start: the whole window, then its steps one by one.
    Steps start;
    for (int run = 0; run < runs && ok; ++run) {
        scratch.write("notes.txt", "");
        const double empty = runWindow(files, brushes, [](NotesDialog&) {});
        scratch.write("notes.txt", bytes);
        const double full = runWindow(files, brushes, [](NotesDialog&) {});
        ok = empty >= 0 && full >= 0;
        start.add("window ready, empty notes.txt", empty);
        start.add("window ready, this notes.txt", full);
    }
    NoteTable table;
    for (int run = 0; run < runs && ok; ++run) {
        NotesStore store(files, today);
        // The window starts with an empty table.
        table.clear();
        files.reset();
        const double before = nowMs();
        ok = store.read(table).result == ReadResult::OpenedWithData;
        const double read = nowMs() - before;
        start.add("  read the file (open, read, stamps)", files.total());
        start.add("  the table (split, memory)", read - files.total());
    }
    for (int run = 0; run < runs && ok; ++run) {
        start.add("  title list filled, storage reserved", fillList(table, true));
        start.add("    the same, entry by entry", fillList(table, false));
    }
    start.add("  first note shown and the rest",
              start["window ready, this notes.txt"] - start["window ready, empty notes.txt"] -
                  start["  read the file (open, read, stamps)"] - start["  the table (split, memory)"] -
                  start["  title list filled, storage reserved"]);

    // A switch: the whole of it in the window, then its save on its own.
    Steps plain;
    for (int run = 0; run < runs && ok; ++run) ok = plainWrite(bytes, plain);
    Steps unchanged;
    Steps edited;
    for (int run = 0; run < runs && ok; ++run) {
        scratch.write("notes.txt", bytes);
        ok = runWindow(files, brushes, [&](NotesDialog& window) {
                 unchanged.add("the whole switch", timeSwitch(window.handle(), false, 0));
                 edited.add("the whole switch", timeSwitch(window.handle(), true, 1));
             }) >= 0;
    }
    NotesStore store(files, today);
    ok = ok && store.read(table).result == ReadResult::OpenedWithData;
    for (int run = 0; run < runs && ok; ++run) ok = timeSave(table, store, files, false, run, unchanged);
    for (int run = 0; run < runs && ok; ++run) ok = timeSave(table, store, files, true, run, edited);
    for (Steps* steps : {&unchanged, &edited}) {
        steps->add("  commit, show and the rest", (*steps)["the whole switch"] - (*steps)["save"]);
    }

    DeleteObject(brushes.background);
    DeleteObject(brushes.accent);
    SetCurrentDirectoryA(previous);
    if (!ok) return false;

    std::printf("\nWhere the time goes with %d notes (%u bytes), in this process, medians of %d:\n", table.noteCount(),
                static_cast<unsigned>(bytes.size()), runs);
    start.print("start:");
    unchanged.print("switch to another note without edits:");
    edited.print("switch to another note after an edit:");
    plain.print("a plain write and flush of the same bytes, for comparison:");
    std::printf("  a save with an edit costs %.2f times a plain write and flush (target at most 1.5; the flush "
                "costs %.1f ms here)\n",
                edited["save"] / plain["write and flush"], plain["  flush"]);
    return true;
}

}  // namespace scriblet::bench
