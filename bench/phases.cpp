#include "bench/phases.h"

#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "bench/timing.h"
#include "files/platform_file_system.h"
#include "notes/notes_store.h"
#include "res/palette.h"
#include "res/resource.h"
#include "tests/driver/scriblet_driver.h"
#include "ui/main/notes_dialog.h"
#include "ui/main/title_list.h"

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
        for (const std::string& step : order_) std::printf("  %-60s %8.1f ms\n", step.c_str(), (*this)[step]);
    }

private:
    std::vector<std::string> order_;
    std::map<std::string, std::vector<double>> series_;
};

std::string today() { return todayString(); }

// A list box like the window's title list, in a hidden window of its own.
struct TitleListBox {
    HWND parent = CreateWindowExA(0, "Static", "", WS_POPUP, 0, 0, 400, 300, nullptr, nullptr, nullptr, nullptr);
    HWND list = CreateWindowExA(0, "ListBox", "",
                                WS_CHILD | WS_VISIBLE | WS_VSCROLL | WS_TABSTOP | LBS_NOINTEGRALHEIGHT | LBS_NOTIFY,
                                0, 0, 100, 280, parent, nullptr, nullptr, nullptr);
    TitleListBox() = default;
    TitleListBox(const TitleListBox&) = delete;
    TitleListBox& operator=(const TitleListBox&) = delete;
    ~TitleListBox() { DestroyWindow(parent); }
    bool holds(std::size_t entries) const {
        return SendMessageW(list, LB_GETCOUNT, 0, 0) == static_cast<LRESULT>(entries);
    }
};

// The titles as the list keeps them, "<New>" last, for the bare fill; and
// the storage the window reserves for them: every title's bytes and its
// terminating zero, in UTF-16.
struct WideTitles {
    std::vector<std::wstring> titles;
    std::size_t reservedBytes = 0;

    explicit WideTitles(const NoteTable& table) {
        for (std::int16_t i = 0; i < table.noteCount(); ++i) {
            const std::string title = i + 1 == table.noteCount()
                                          ? std::string("<New>")
                                          : std::string(table.title(i));
            std::wstring wide(title.size(), L'\0');
            const int units = title.empty() ? 0
                                            : MultiByteToWideChar(CP_ACP, 0, title.data(), static_cast<int>(title.size()),
                                                                  &wide[0], static_cast<int>(wide.size()));
            wide.resize(static_cast<std::size_t>(units));
            titles.push_back(std::move(wide));
            reservedBytes += (title.size() + 1) * sizeof(WCHAR);
        }
    }
};

// The floor of the list's fill: a bare list box takes the titles, already
// in UTF-16, one LB_ADDSTRING each, redrawing off and its storage reserved
// as the window reserves it.
double bareFill(const WideTitles& wide) {
    TitleListBox box;
    const double before = nowMs();
    SendMessageW(box.list, WM_SETREDRAW, FALSE, 0);
    SendMessageW(box.list, LB_INITSTORAGE, wide.titles.size(), static_cast<LPARAM>(wide.reservedBytes));
    for (const std::wstring& title : wide.titles) {
        SendMessageW(box.list, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(title.c_str()));
    }
    SendMessageW(box.list, WM_SETREDRAW, TRUE, 0);
    const double spent = nowMs() - before;
    return box.holds(wide.titles.size()) ? spent : -1;
}

// The window's own fill of the same list, the table as the window has it
// once started (the pending note last).
double programFill(const NoteTable& table) {
    TitleListBox box;
    const double before = nowMs();
    fillTitleList(box.list, table);
    const double spent = nowMs() - before;
    return box.holds(static_cast<std::size_t>(table.noteCount())) ? spent : -1;
}

// The floor of the start's reading: the file's bytes into memory.
double bareRead(const char* name) {
    const double before = nowMs();
    HANDLE file = CreateFileA(name, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE) return -1;
    LARGE_INTEGER size{};
    bool ok = GetFileSizeEx(file, &size);
    const std::unique_ptr<char[]> bytes(new char[static_cast<std::size_t>(size.QuadPart) + 1]);
    DWORD got = 0;
    ok = ok && ReadFile(file, bytes.get(), static_cast<DWORD>(size.QuadPart), &got, nullptr) && got == size.QuadPart;
    CloseHandle(file);
    return ok ? nowMs() - before : -1;
}

// Flushes a file the benchmark just wrote: the first flush after it would
// otherwise write it back too (the file system commits pending data in
// order), a cost of the set-up, not of the save timed.
void settle(const char* name) {
    HANDLE file = CreateFileA(name, GENERIC_WRITE, FILE_SHARE_READ, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return;
    FlushFileBuffers(file);
    CloseHandle(file);
}

// The floor of a save: the bytes written beside the file, flushed, and put
// in its place in one step.
double atomicSave(const std::string& bytes, const char* name) {
    const double before = nowMs();
    HANDLE file = CreateFileA("floor.new", GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return -1;
    DWORD written = 0;
    bool ok = WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr) &&
              written == bytes.size();
    ok = FlushFileBuffers(file) && ok;
    ok = CloseHandle(file) && ok;
    ok = MoveFileExA("floor.new", name, MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH) && ok;
    return ok ? nowMs() - before : -1;
}

// What runs inside the window's modal loop once it is up.
std::function<void(NotesDialog&)> insideWindow;
NotesDialog* runningWindow = nullptr;

void CALLBACK runInsideWindow(HWND, UINT, UINT_PTR, DWORD) {
    if (insideWindow && runningWindow) insideWindow(*runningWindow);
}

// Runs the main window on notes.txt as it is, with `body` inside its modal
// loop as soon as the window's set-up has returned and it is shown; the
// window then ends. The time from the start to that moment.
double runWindow(FileSystem& files, const Brushes& brushes, const std::function<void(NotesDialog&)>& body) {
    NoteTable table;
    UndoSlot undo;
    NotesDialog dialog(table, undo, files, brushes, [] {});
    double ready = -1;
    const double before = nowMs();
    insideWindow = [&](NotesDialog& window) {
        ready = nowMs() - before;
        body(window);
        window.EndDialog(IDCANCEL);
    };
    runningWindow = &dialog;
    // The system dispatches a timer message to a callback only for a timer
    // that has it; the posted copy comes first in the window's loop, without
    // a timer's wait of at least 10 ms.
    const UINT_PTR timer = SetTimer(nullptr, 0, USER_TIMER_MAXIMUM, &runInsideWindow);
    PostThreadMessageA(GetCurrentThreadId(), WM_TIMER, timer, reinterpret_cast<LPARAM>(&runInsideWindow));
    const INT_PTR result = dialog.DoModal();
    KillTimer(nullptr, timer);
    insideWindow = nullptr;
    runningWindow = nullptr;
    return result == -1 ? -1 : ready;
}

// One note switch in the window, as the list reports a click: to the second
// note for even steps, back to the first for odd ones; after a one-character
// edit at the end of the shown note's body when `edited`.
double timeSwitch(HWND window, bool edited, int step) {
    HWND list = GetDlgItem(window, IDC_TITLE_LIST);
    if (edited) {
        HWND body = GetDlgItem(window, IDC_BODY);
        SendMessageA(body, EM_SETSEL, static_cast<WPARAM>(-1), -1);
        SendMessageA(body, EM_REPLACESEL, TRUE, reinterpret_cast<LPARAM>("x"));
    }
    const double before = nowMs();
    SendMessageA(list, LB_SETCURSEL, static_cast<WPARAM>((step + 1) % 2), 0);
    SendMessageA(window, WM_COMMAND, MAKEWPARAM(IDC_TITLE_LIST, LBN_SELCHANGE), reinterpret_cast<LPARAM>(list));
    return nowMs() - before;
}

// The save of a switch on its own, as the window makes it: its steps.
bool timeSave(NoteTable& table, NotesStore& store, TimedFileSystem& files, bool edited, Steps& steps) {
    if (edited) table.at(0).body += "x";
    files.reset();
    const double before = nowMs();
    const SaveResult result = store.save(table, table.noteCount()).result;
    const double total = nowMs() - before;
    const double write = files.spent("write") + files.spent("close");
    const double flush = files.spent("flush");
    steps.add("  the save on its own", total);
    steps.add("    compare and format", total - files.total());
    if (edited) {
        steps.add("    write", write);
        steps.add("    flush", flush);
    }
    steps.add(edited ? "    lock, replace, stamps, link check" : "    stamp, link check", files.total() - write - flush);
    return result == (edited ? SaveResult::Saved : SaveResult::Unchanged);
}

}  // namespace

bool printPhases(const std::string& bytes, int runs, PhaseTargets& targets) {
    static const HMODULE richEdit = LoadLibraryA("RICHED32.DLL");
    if (!richEdit) return false;

    e2e::ScratchDir scratch;
    char previous[MAX_PATH] = {};
    GetCurrentDirectoryA(MAX_PATH, previous);
    SetCurrentDirectoryA(scratch.path().c_str());

    std::unique_ptr<FileSystem> real = makePlatformFileSystem();
    TimedFileSystem files(*real);
    const Brushes brushes{CreateSolidBrush(kBackgroundColour), CreateSolidBrush(kAccentColour)};

    NoteTable table;
    scratch.write("notes.txt", bytes);
    bool ok = NotesStore(files, today).read(table).result == ReadResult::OpenedWithData && table.appendNote();
    const WideTitles wide(table);

    // The start. Every part is timed in every run, one after the other, so
    // that what else the host does weighs on each alike; the program's own
    // cost is taken run by run.
    Steps start;
    Steps own;
    for (int run = 0; run < runs && ok; ++run) {
        scratch.write("notes.txt", "");
        const double empty = runWindow(files, brushes, [](NotesDialog&) {});
        scratch.write("notes.txt", bytes);
        const double full = runWindow(files, brushes, [](NotesDialog&) {});
        const double read = bareRead("notes.txt");
        const double fill = bareFill(wide);
        ok = empty >= 0 && full >= 0 && read >= 0 && fill >= 0;
        start.add("window ready, empty notes.txt", empty);
        start.add("window ready, this notes.txt", full);
        start.add("  floor: the file's bytes read (open, size, read, close)", read);
        start.add("  floor: a bare list box filled with the titles", fill);
        own.add("own", full - empty - read - fill);

        // The window's own steps, one by one.
        NoteTable again;
        NotesStore store(files, today);
        files.reset();
        const double before = nowMs();
        ok = ok && store.read(again).result == ReadResult::OpenedWithData && again.appendNote();
        const double storeRead = nowMs() - before;
        const double listFill = ok ? programFill(again) : -1;
        ok = ok && listFill >= 0;
        start.add("  the program: read the file (open, read, stamps)", files.total());
        start.add("  the program: the table (split, memory)", storeRead - files.total());
        start.add("  the program: fill the title list", listFill);
    }
    start.add("  the program: first note shown and the rest",
              start["window ready, this notes.txt"] - start["window ready, empty notes.txt"] -
                  start["  the program: read the file (open, read, stamps)"] -
                  start["  the program: the table (split, memory)"] - start["  the program: fill the title list"]);

    // A switch after a one-character edit beside an atomic save of the same
    // bytes, run by run; and a switch without edits.
    Steps edited;
    Steps unchanged;
    std::vector<double> switchRatios;
    std::vector<double> laterSwitchRatios;
    Steps later;
    for (int run = 0; run < runs && ok; ++run) {
        scratch.write("notes.txt", bytes);
        scratch.write("floor.txt", bytes);
        settle("notes.txt");
        settle("floor.txt");
        double withEdit = -1;
        double laterWithEdit = -1;
        ok = runWindow(files, brushes, [&](NotesDialog& window) {
                 unchanged.add("the whole switch", timeSwitch(window.handle(), false, 0));
                 withEdit = timeSwitch(window.handle(), true, 1);
                 laterWithEdit = timeSwitch(window.handle(), true, 2);
             }) >= 0;
        const double save = atomicSave(bytes, "floor.txt");
        ok = ok && save >= 0;
        edited.add("the whole switch", withEdit);
        edited.add("  floor: write beside, flush, replace (MoveFileEx)", save);
        switchRatios.push_back(withEdit / save);
        later.add("the whole switch, the session's second save", laterWithEdit);
        laterSwitchRatios.push_back(laterWithEdit / save);
    }
    NotesStore store(files, today);
    table.clear();
    scratch.write("notes.txt", bytes);
    settle("notes.txt");
    ok = ok && store.read(table).result == ReadResult::OpenedWithData;
    for (int run = 0; run < runs && ok; ++run) ok = timeSave(table, store, files, true, edited);
    for (int run = 0; run < runs && ok; ++run) ok = timeSave(table, store, files, false, unchanged);
    for (Steps* steps : {&edited, &unchanged}) {
        steps->add("  commit, show and the rest", (*steps)["the whole switch"] - (*steps)["  the save on its own"]);
    }

    DeleteObject(brushes.background);
    DeleteObject(brushes.accent);
    SetCurrentDirectoryA(previous);
    if (!ok) return false;

    std::printf("\nIn this process, on the program's own code, with %d notes (%u bytes), medians of %d interleaved "
                "runs:\n",
                table.noteCount(), static_cast<unsigned>(bytes.size()), runs);
    start.print("start:");
    edited.print("switch to another note after a one-character edit, the session's first save:");
    later.print("a later switch after a one-character edit:");
    unchanged.print("switch to another note without edits:");
    targets.ownStartMs = own["own"];
    targets.switchRatio = median(switchRatios);
    targets.laterSwitchRatio = median(laterSwitchRatios);
    return true;
}

}  // namespace scriblet::bench
