#include "tests/driver/scriblet_driver.h"

#include "tests/driver/pixels.h"

#include <cstdio>
#include <cstring>
#include <ctime>
#include <iterator>

namespace scriblet::e2e {

std::string programPath() {
    char path[MAX_PATH];
    const DWORD length = GetModuleFileNameA(nullptr, path, MAX_PATH);
    std::string dir(path, length);
    dir.erase(dir.find_last_of("\\/") + 1);
    return dir + "scriblet.exe";
}

namespace {

// The title list's identifier in the main window.
const int kTitleList = 1017;

std::string narrow(const std::wstring& wide) {
    if (wide.empty()) return {};
    const int size = WideCharToMultiByte(CP_ACP, 0, wide.data(), static_cast<int>(wide.size()), nullptr, 0,
                                         nullptr, nullptr);
    std::string text(static_cast<std::size_t>(size), '\0');
    WideCharToMultiByte(CP_ACP, 0, wide.data(), static_cast<int>(wide.size()), &text[0], size, nullptr,
                        nullptr);
    return text;
}

struct FindWindowRequest {
    DWORD processId;
    HWND exclude;
    const char* caption;  // null: any
    HWND found;
};

BOOL CALLBACK findDialogOfProcess(HWND hwnd, LPARAM param) {
    auto* request = reinterpret_cast<FindWindowRequest*>(param);
    DWORD owner = 0;
    GetWindowThreadProcessId(hwnd, &owner);
    if (owner != request->processId || hwnd == request->exclude || !IsWindowVisible(hwnd)) return TRUE;
    char className[64] = {};
    GetClassNameA(hwnd, className, sizeof className);
    if (std::string(className) != "#32770") return TRUE;
    if (request->caption) {
        char caption[256] = {};
        GetWindowTextA(hwnd, caption, sizeof caption);
        if (std::string(caption) != request->caption) return TRUE;
    } else if (GetDlgItem(hwnd, kTitleList)) {
        return TRUE;  // the main window (it has the title list), not a box
    }
    request->found = hwnd;
    return FALSE;
}

HWND findDialog(DWORD processId, HWND exclude, const char* caption) {
    FindWindowRequest request{processId, exclude, caption, nullptr};
    EnumWindows(&findDialogOfProcess, reinterpret_cast<LPARAM>(&request));
    return request.found;
}

LPARAM pointParam(int x, int y) {
    return MAKELPARAM(static_cast<WORD>(x), static_cast<WORD>(y));
}

// Puts the real mouse pointer where a click is sent: a mouse move that the
// display reports while the control holds the capture then points at the
// same place instead of pulling the click elsewhere.
void pointerTo(HWND target, int x, int y) {
    POINT point{x, y};
    ClientToScreen(target, &point);
    SetCursorPos(point.x, point.y);
}

BOOL CALLBACK findIconStatic(HWND hwnd, LPARAM param) {
    char className[64] = {};
    GetClassNameA(hwnd, className, sizeof className);
    const LONG style = GetWindowLongA(hwnd, GWL_STYLE);
    if (_stricmp(className, "Static") == 0 && (style & SS_TYPEMASK) == SS_ICON && IsWindowVisible(hwnd)) {
        *reinterpret_cast<HWND*>(param) = hwnd;
        return FALSE;
    }
    return TRUE;
}

// Which standard icon the icon control shows now, compared on the screen
// with our own copy of each standard icon drawn over the same background
// (the icon itself belongs to the other process).
BoxIcon iconOnScreen(HWND iconControl) {
    RECT rect{};
    GetWindowRect(iconControl, &rect);
    const int width = rect.right - rect.left;
    const int height = rect.bottom - rect.top;
    if (width <= 0 || height <= 0) return BoxIcon::Other;

    HDC screen = GetDC(nullptr);
    Pixels shown(width, height);
    shown.copyFrom(screen, rect.left, rect.top);
    ReleaseDC(nullptr, screen);
    const struct {
        LPCSTR id;
        BoxIcon icon;
    } candidates[] = {{IDI_HAND, BoxIcon::Stop},
                      {IDI_EXCLAMATION, BoxIcon::Warning},
                      {IDI_ASTERISK, BoxIcon::Other},
                      {IDI_QUESTION, BoxIcon::Question}};
    BoxIcon best = BoxIcon::Other;
    int fewestDifferences = width * height / 20;  // at most 5% of the pixels may differ
    for (const auto& candidate : candidates) {
        Pixels drawn(width, height);
        HBRUSH background = CreateSolidBrush(shown.at(0, 0));
        RECT all{0, 0, width, height};
        FillRect(drawn.dc(), &all, background);
        DeleteObject(background);
        DrawIconEx(drawn.dc(), 0, 0, LoadIconA(nullptr, candidate.id), width, height, 0, nullptr, DI_NORMAL);
        GdiFlush();
        int differences = 0;
        for (int y = 0; y < height; ++y) {
            for (int x = 0; x < width; ++x) differences += shown.at(x, y) != drawn.at(x, y) ? 1 : 0;
        }
        if (differences <= fewestDifferences) {
            fewestDifferences = differences;
            best = candidate.icon;
        }
    }
    return best;
}

// The icon of a message box: none when its icon control holds no icon;
// otherwise the picture is compared until the box has painted it.
BoxIcon iconOf(HWND box) {
    HWND iconControl = nullptr;
    EnumChildWindows(box, &findIconStatic, reinterpret_cast<LPARAM>(&iconControl));
    if (!iconControl) return BoxIcon::None;
    DWORD_PTR icon = 0;
    SendMessageTimeoutA(iconControl, STM_GETICON, 0, 0, SMTO_NORMAL, 5000, &icon);
    if (!icon) return BoxIcon::None;
    BoxIcon seen = BoxIcon::Other;
    waitUntil(
        [&] {
            seen = iconOnScreen(iconControl);
            return seen != BoxIcon::Other;
        },
        2000);
    return seen;
}

// An error code with the system's words for it, e.g. "error 2 (The system
// cannot find the file specified.)".
std::string errorText(DWORD error) {
    std::string text = "error " + std::to_string(error);
    char* words = nullptr;
    if (FormatMessageA(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
                       nullptr, error, 0, reinterpret_cast<LPSTR>(&words), 0, nullptr) &&
        words) {
        std::string said(words);
        LocalFree(words);
        while (!said.empty() && (said.back() == '\n' || said.back() == '\r' || said.back() == ' ')) said.pop_back();
        if (!said.empty()) text += " (" + said + ")";
    }
    return text;
}

std::string hex(DWORD value) {
    char text[16];
    std::snprintf(text, sizeof text, "0x%lX", static_cast<unsigned long>(value));
    return text;
}

// A process id as Wine writes it in front of its messages (WINEDEBUG=+pid).
std::string wineId(DWORD processId) {
    char text[16];
    std::snprintf(text, sizeof text, "%04lx", static_cast<unsigned long>(processId));
    return text;
}

// How long an ended process lived, from its creation to its end.
std::string lifetimeMs(HANDLE process) {
    FILETIME created{}, ended{}, kernel{}, user{};
    if (!GetProcessTimes(process, &created, &ended, &kernel, &user)) return "?";
    const auto ticks = [](const FILETIME& time) {
        return (static_cast<unsigned long long>(time.dwHighDateTime) << 32) | time.dwLowDateTime;
    };
    if (ticks(ended) < ticks(created)) return "?";
    return std::to_string((ticks(ended) - ticks(created)) / 10000);
}

}  // namespace

std::string todayStamp() {
    const std::time_t now = std::time(nullptr);
    const std::tm* local = std::localtime(&now);
    char buffer[128] = {};
    if (local) std::strftime(buffer, sizeof buffer, "%m%d%y", local);
    return buffer;
}

namespace {

std::wstring wideText(HWND window) {
    DWORD_PTR length = 0;
    SendMessageTimeoutW(window, WM_GETTEXTLENGTH, 0, 0, SMTO_NORMAL, 5000, &length);
    std::wstring text(static_cast<std::size_t>(length) * 2 + 2, L'\0');
    DWORD_PTR copied = 0;
    SendMessageTimeoutW(window, WM_GETTEXT, text.size(), reinterpret_cast<LPARAM>(&text[0]), SMTO_NORMAL,
                        5000, &copied);
    text.resize(static_cast<std::size_t>(copied) < text.size() ? static_cast<std::size_t>(copied) : 0);
    return text;
}

}  // namespace

std::string windowText(HWND window) {
    return narrow(wideText(window));
}

bool putOnClipboard(const std::wstring& text) {
    const std::size_t bytes = (text.size() + 1) * sizeof(wchar_t);
    HGLOBAL memory = GlobalAlloc(GMEM_MOVEABLE, bytes);
    if (!memory) return false;
    std::memcpy(GlobalLock(memory), text.c_str(), bytes);
    GlobalUnlock(memory);
    if (!waitUntil([] { return OpenClipboard(nullptr) != FALSE; }, 2000)) {
        GlobalFree(memory);
        return false;
    }
    EmptyClipboard();
    const bool put = SetClipboardData(CF_UNICODETEXT, memory) != nullptr;
    CloseClipboard();
    if (!put) GlobalFree(memory);
    return put;
}

RECT windowRect(HWND window) {
    RECT rect{};
    GetWindowRect(window, &rect);
    return rect;
}

POINT centreOf(const RECT& rect) {
    return POINT{(rect.left + rect.right) / 2, (rect.top + rect.bottom) / 2};
}

SaveCounter::SaveCounter(const std::string& directory) {
    directory_ = CreateFileA(directory.c_str(), FILE_LIST_DIRECTORY,
                             FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                             FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OVERLAPPED, nullptr);
    event_ = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    if (directory_ != INVALID_HANDLE_VALUE && event_) issue();
}

SaveCounter::~SaveCounter() {
    if (directory_ != INVALID_HANDLE_VALUE) {
        if (pending_) {
            CancelIo(directory_);
            DWORD ignored = 0;
            GetOverlappedResult(directory_, &overlapped_, &ignored, TRUE);
        }
        CloseHandle(directory_);
    }
    if (event_) CloseHandle(event_);
}

void SaveCounter::issue() {
    overlapped_ = OVERLAPPED{};
    overlapped_.hEvent = event_;
    ResetEvent(event_);
    pending_ = ReadDirectoryChangesW(directory_, buffer_, sizeof buffer_, FALSE, FILE_NOTIFY_CHANGE_FILE_NAME,
                                     nullptr, &overlapped_, nullptr) != FALSE;
}

bool SaveCounter::collect(DWORD waitMs) {
    if (!pending_ || WaitForSingleObject(event_, waitMs) != WAIT_OBJECT_0) return false;
    DWORD bytes = 0;
    const bool ok = GetOverlappedResult(directory_, &overlapped_, &bytes, FALSE) != FALSE;
    pending_ = false;
    if (!ok || bytes == 0) {
        overflowed_ = true;
    } else {
        const char* at = reinterpret_cast<const char*>(buffer_);
        for (;;) {
            const auto* entry = reinterpret_cast<const FILE_NOTIFY_INFORMATION*>(at);
            const std::wstring name(entry->FileName, entry->FileNameLength / sizeof(wchar_t));
            if (entry->Action == FILE_ACTION_RENAMED_NEW_NAME && _wcsicmp(name.c_str(), L"notes.txt") == 0) {
                ++saves_;
            }
            if (entry->NextEntryOffset == 0) break;
            at += entry->NextEntryOffset;
        }
    }
    issue();
    return true;
}

int SaveCounter::saves(int settleMs) {
    const DWORD start = GetTickCount();
    for (;;) {
        const int elapsed = static_cast<int>(GetTickCount() - start);
        if (elapsed >= settleMs) break;
        collect(static_cast<DWORD>(settleMs - elapsed));
    }
    while (collect(0)) {
    }
    return overflowed_ ? -1 : saves_;
}

bool waitUntil(const std::function<bool()>& done, int timeoutMs) {
    const DWORD start = GetTickCount();
    for (;;) {
        if (done()) return true;
        if (static_cast<int>(GetTickCount() - start) >= timeoutMs) return false;
        Sleep(10);
    }
}

Scriblet::Scriblet() : Scriblet(Options{}) {}

Scriblet::Scriblet(const Options& options) {
    start(options);
}

Scriblet::~Scriblet() {
    kill();
    // What the program printed reaches the test's output, as if it had
    // written there itself (a failed start has shown it already).
    if (!reported_) {
        const std::string printed = output();
        if (!printed.empty()) {
            std::fflush(stdout);
            std::fwrite(printed.data(), 1, printed.size(), stderr);
        }
    }
    if (info_.hProcess) CloseHandle(info_.hProcess);
    if (info_.hThread) CloseHandle(info_.hThread);
    if (outputFile_ != INVALID_HANDLE_VALUE) CloseHandle(outputFile_);
    if (!outputPath_.empty()) DeleteFileA(outputPath_.c_str());
}

void Scriblet::start(const Options& options) {
    if (options.sameDirectoryAs) directory_ = &options.sameDirectoryAs->dir();
    if (options.notes) dir().write("notes.txt", *options.notes);
    if (options.beforeStart) options.beforeStart(dir());

    std::string program = programPath();
    programName_ = "scriblet.exe";
    if (!options.programName.empty()) {
        programName_ = options.programName;
        const std::string copy = dir().file(options.programName);
        if (!CopyFileA(program.c_str(), copy.c_str(), FALSE)) {
            reportFailedStart("could not be copied from " + program + ": " + errorText(GetLastError()));
            return;
        }
        program = copy;
    }
    std::string commandLine = "\"" + program + "\"";
    if (!options.arguments.empty()) commandLine += " " + options.arguments;

    // The environment block: ours, plus the extra entries.
    std::string environment;
    if (!options.environment.empty()) {
        auto overridden = [&](const std::string& entry) {
            const std::string name = entry.substr(0, entry.find('=') + 1);
            for (const std::string& extra : options.environment) {
                if (_strnicmp(extra.c_str(), name.c_str(), name.size()) == 0) return true;
            }
            return false;
        };
        char* block = GetEnvironmentStringsA();
        for (const char* entry = block; *entry; entry += std::string(entry).size() + 1) {
            if (overridden(entry)) continue;
            environment += entry;
            environment += '\0';
        }
        FreeEnvironmentStringsA(block);
        for (const std::string& entry : options.environment) {
            environment += entry;
            environment += '\0';
        }
        environment += '\0';
    }

    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    openOutput(startup);
    std::vector<char> mutableCommandLine(commandLine.begin(), commandLine.end());
    mutableCommandLine.push_back('\0');
    if (!CreateProcessA(nullptr, mutableCommandLine.data(), nullptr, nullptr,
                        (startup.dwFlags & STARTF_USESTDHANDLES) != 0, 0,
                        environment.empty() ? nullptr : &environment[0], dir().path().c_str(), &startup,
                        &info_)) {
        reportFailedStart("could not be started: CreateProcess failed with " + errorText(GetLastError()));
        return;
    }
    if (!options.waitForWindow) {
        started_ = true;
        return;
    }
    started_ = attachWindow();
    if (!started_) kill();
}

void Scriblet::openOutput(STARTUPINFOA& startup) {
    char folder[MAX_PATH];
    char name[MAX_PATH];
    const DWORD length = GetTempPathA(MAX_PATH, folder);
    if (length == 0 || length >= MAX_PATH || !GetTempFileNameA(folder, "scr", 0, name)) return;
    outputPath_ = name;
    SECURITY_ATTRIBUTES inherited{sizeof inherited, nullptr, TRUE};
    outputFile_ = CreateFileA(name, GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                              &inherited, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (outputFile_ == INVALID_HANDLE_VALUE) return;
    startup.dwFlags |= STARTF_USESTDHANDLES;
    startup.hStdInput = nullptr;
    startup.hStdOutput = outputFile_;
    startup.hStdError = outputFile_;
}

std::string Scriblet::output() const {
    if (outputPath_.empty()) return {};
    return testing::fileBytes(outputPath_).value_or(std::string());
}

void Scriblet::reportFailedStart(const std::string& what) const {
    if (reported_) return;
    reported_ = true;
    std::string report = "scriblet_driver: " + programName_;
    if (info_.hProcess) report += " (process " + wineId(info_.dwProcessId) + ")";
    report += " " + what + ".\n";
    const std::string printed = output();
    if (printed.empty()) {
        report += "scriblet_driver: it printed nothing, nor did Wine for it.\n";
    } else {
        report += "scriblet_driver: its output and Wine's messages for it:\n" + printed;
        if (printed.back() != '\n') report += '\n';
    }
    std::fflush(stdout);
    std::fputs(report.c_str(), stderr);
    std::fflush(stderr);
}

bool Scriblet::attachWindow(int timeoutMs) {
    const bool found = waitUntil(
        [&] {
            window_ = findDialog(info_.dwProcessId, nullptr, "Scriblet");
            return window_ != nullptr || !running();
        },
        timeoutMs);
    if (found && window_ && waitIdle()) return true;
    if (!running()) {
        reportEnded();
    } else if (!window_) {
        reportFailedStart("showed no window in " + std::to_string(timeoutMs) + " ms");
    } else {
        reportFailedStart("showed its window but did not answer within 5000 ms");
    }
    return false;
}

void Scriblet::reportEnded() const {
    DWORD code = 0;
    GetExitCodeProcess(info_.hProcess, &code);
    reportFailedStart("ended with status " + hex(code) + " after " + lifetimeMs(info_.hProcess) +
                      " ms, before its window was ready");
}

bool Scriblet::windowShown() const {
    return window_ && IsWindow(window_) && IsWindowVisible(window_);
}

bool Scriblet::running() const {
    return info_.hProcess && WaitForSingleObject(info_.hProcess, 0) == WAIT_TIMEOUT;
}

void Scriblet::kill() {
    if (running()) {
        TerminateProcess(info_.hProcess, 0xDEAD);
        WaitForSingleObject(info_.hProcess, 5000);
    }
}

bool Scriblet::send(HWND target, UINT message, WPARAM wParam, LPARAM lParam, DWORD_PTR* result,
                    int timeoutMs) const {
    DWORD_PTR ignored = 0;
    return SendMessageTimeoutA(target, message, wParam, lParam, SMTO_NORMAL, static_cast<UINT>(timeoutMs),
                               result ? result : &ignored) != 0;
}

HWND Scriblet::control(int id) const {
    return GetDlgItem(window_, id);
}

bool Scriblet::waitIdle(int timeoutMs) const {
    // A posted message is handled before the window takes a new one from the
    // queue; the sent WM_NULL returns once the window reaches its loop again.
    Sleep(20);
    return send(window_, WM_NULL, 0, 0, nullptr, timeoutMs);
}

void Scriblet::clickAt(int id, int x, int y) const {
    pressAndRelease(control(id), x, y);
}

void Scriblet::pressAndRelease(HWND target, int x, int y) const {
    pointerTo(target, x, y);
    // Posted, so the control handles the two back to back: a thread takes
    // input only after its posted messages, so a mouse move the display
    // reports late (from where an earlier click put the pointer) cannot reach
    // the control between them and drag a list's or an edit's selection there.
    PostMessageA(target, WM_LBUTTONDOWN, MK_LBUTTON, pointParam(x, y));
    PostMessageA(target, WM_LBUTTONUP, 0, pointParam(x, y));
    waitForPosted();
}

bool Scriblet::waitForPosted(int timeoutMs) const {
    // A marker posted behind them comes out of the same queue after them: the
    // first list entry's item data, which the program never uses.
    HWND list = control(kTitleList);
    const LPARAM marker = static_cast<LPARAM>(++postMarker_);
    PostMessageA(list, LB_SETITEMDATA, 0, marker);
    const DWORD deadline = GetTickCount() + static_cast<DWORD>(timeoutMs);
    do {
        // Each answer comes when the program is back at its queue.
        DWORD_PTR data = 0;
        if (!send(list, LB_GETITEMDATA, 0, 0, &data, timeoutMs)) return false;
        if (static_cast<LPARAM>(data) == marker) return true;
    } while (static_cast<LONG>(GetTickCount() - deadline) < 0);
    return false;
}

void Scriblet::click(int id) const {
    RECT rect{};
    GetClientRect(control(id), &rect);
    clickAt(id, rect.right / 2, rect.bottom / 2);
}

void Scriblet::focus(int id) const {
    click(id);
}

void Scriblet::typeChars(int id, const std::string& text) const {
    for (unsigned char c : text) send(control(id), WM_CHAR, c, 1);
}

void Scriblet::type(int id, const std::string& text) const {
    focus(id);
    typeChars(id, text);
}

void Scriblet::pressEnter(int id) const {
    HWND target = control(id);
    const UINT scan = MapVirtualKeyA(VK_RETURN, 0);
    send(target, WM_KEYDOWN, VK_RETURN, 1 | (scan << 16));
    send(target, WM_CHAR, '\r', 1 | (scan << 16));
    send(target, WM_KEYUP, VK_RETURN, 1 | (scan << 16) | 0xC0000000u);
}

void Scriblet::pressKeys(int id, std::initializer_list<BYTE> keys) const {
    focus(id);
    SetForegroundWindow(window_);
    waitIdle();
    for (BYTE key : keys) keybd_event(key, static_cast<BYTE>(MapVirtualKeyA(key, 0)), 0, 0);
    for (auto key = std::rbegin(keys); key != std::rend(keys); ++key) {
        keybd_event(*key, static_cast<BYTE>(MapVirtualKeyA(*key, 0)), KEYEVENTF_KEYUP, 0);
    }
    waitIdle();
}

void Scriblet::pressButton(int id) const {
    send(control(id), BM_CLICK, 0, 0);
}

void Scriblet::doubleClickButton(int id) const {
    HWND target = control(id);
    send(target, WM_LBUTTONDOWN, MK_LBUTTON, pointParam(2, 2));
    send(target, WM_LBUTTONUP, 0, pointParam(2, 2));
    send(target, WM_LBUTTONDBLCLK, MK_LBUTTON, pointParam(2, 2));
    send(target, WM_LBUTTONUP, 0, pointParam(2, 2));
}

POINT Scriblet::entryCentre(int index) const {
    RECT item{};
    SendMessageTimeoutA(control(kTitleList), LB_GETITEMRECT, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(&item),
                        SMTO_NORMAL, 5000, nullptr);
    const POINT centre = centreOf(item);
    pointerTo(control(kTitleList), centre.x, centre.y);
    return centre;
}

void Scriblet::selectEntry(int index) const {
    const POINT at = entryCentre(index);
    pressAndRelease(control(kTitleList), at.x, at.y);
}

void Scriblet::replaceText(int id, const std::string& text) const {
    focus(id);
    send(control(id), EM_SETSEL, 0, -1);
    typeChars(id, text);
}

void Scriblet::typeAtEnd(int id, const std::string& text) const {
    focus(id);
    // Both edit kinds clamp a position past the end to the end.
    send(control(id), EM_SETSEL, 0x7FFFFFFF, 0x7FFFFFFF);
    typeChars(id, text);
}

std::optional<LRESULT> Scriblet::sendTo(int id, UINT message, WPARAM wParam, LPARAM lParam, int timeoutMs) const {
    DWORD_PTR result = 0;
    if (!send(id ? control(id) : window_, message, wParam, lParam, &result, timeoutMs)) return std::nullopt;
    return static_cast<LRESULT>(result);
}

void Scriblet::postButton(int id) const {
    PostMessageA(control(id), BM_CLICK, 0, 0);
}

void Scriblet::postChars(int id, const std::string& text) const {
    for (unsigned char c : text) PostMessageA(control(id), WM_CHAR, c, 1);
}

void Scriblet::postSelectEntry(int index) const {
    const POINT at = entryCentre(index);
    PostMessageA(control(kTitleList), WM_LBUTTONDOWN, MK_LBUTTON, pointParam(at.x, at.y));
    PostMessageA(control(kTitleList), WM_LBUTTONUP, 0, pointParam(at.x, at.y));
}

void Scriblet::postKey(int id, UINT virtualKey) const {
    HWND target = id ? control(id) : window_;
    const UINT scan = MapVirtualKeyA(virtualKey, 0);
    PostMessageA(target, WM_KEYDOWN, virtualKey, 1 | (scan << 16));
    PostMessageA(target, WM_KEYUP, virtualKey, 1 | (scan << 16) | 0xC0000000u);
}

void Scriblet::postSysCommand(WPARAM command) const {
    PostMessageA(window_, WM_SYSCOMMAND, command, 0);
}

void Scriblet::postCommand(int id, WORD notification) const {
    PostMessageA(window_, WM_COMMAND, MAKEWPARAM(id, notification), reinterpret_cast<LPARAM>(control(id)));
}

std::vector<std::string> Scriblet::listEntries() const {
    std::vector<std::string> entries;
    const int count = listCount();
    for (int i = 0; i < count; ++i) entries.push_back(listEntry(i));
    return entries;
}

int Scriblet::listCount() const {
    DWORD_PTR count = 0;
    if (!SendMessageTimeoutW(control(kTitleList), LB_GETCOUNT, 0, 0, SMTO_NORMAL, 5000, &count)) return 0;
    return static_cast<int>(count);
}

std::string Scriblet::listEntry(int index) const {
    // The wide call: an ANSI LB_GETTEXT across processes comes back garbled under Wine.
    HWND list = control(kTitleList);
    DWORD_PTR length = 0;
    SendMessageTimeoutW(list, LB_GETTEXTLEN, static_cast<WPARAM>(index), 0, SMTO_NORMAL, 5000, &length);
    std::wstring text(static_cast<std::size_t>(length) + 1, L'\0');
    DWORD_PTR copied = 0;
    SendMessageTimeoutW(list, LB_GETTEXT, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(&text[0]),
                        SMTO_NORMAL, 5000, &copied);
    text.resize(static_cast<std::size_t>(copied) <= length ? static_cast<std::size_t>(copied) : 0);
    return narrow(text);
}

int Scriblet::listSelection() const {
    DWORD_PTR selected = 0;
    if (!send(control(kTitleList), LB_GETCURSEL, 0, 0, &selected)) return -2;
    return static_cast<int>(static_cast<LRESULT>(selected));
}

std::string Scriblet::text(int id) const {
    return windowText(control(id));
}

std::wstring Scriblet::shownText(int id) const {
    return wideText(control(id));
}

bool Scriblet::enabled(int id) const {
    return IsWindowEnabled(control(id)) != FALSE;
}

RECT Scriblet::controlRect(int id) const {
    RECT rect{};
    GetWindowRect(control(id), &rect);
    MapWindowPoints(nullptr, window_, reinterpret_cast<POINT*>(&rect), 2);
    return rect;
}

RECT Scriblet::clientRect() const {
    RECT rect{};
    GetClientRect(window_, &rect);
    return rect;
}

HWND Scriblet::focusedWindow() const {
    GUITHREADINFO info{};
    info.cbSize = sizeof info;
    GetGUIThreadInfo(info_.dwThreadId, &info);
    return info.hwndFocus;
}

HWND Scriblet::captureWindow() const {
    GUITHREADINFO info{};
    info.cbSize = sizeof info;
    GetGUIThreadInfo(info_.dwThreadId, &info);
    return info.hwndCapture;
}

std::optional<MessageBoxInfo> Scriblet::waitForMessageBox(int timeoutMs) const {
    HWND box = nullptr;
    waitUntil(
        [&] {
            box = findDialog(info_.dwProcessId, window_, nullptr);
            return box != nullptr || !running();
        },
        timeoutMs);
    if (!box) {
        // A program started without waiting for its window that ended before showing any.
        if (!window_ && info_.hProcess && !running()) reportEnded();
        return std::nullopt;
    }
    MessageBoxInfo info;
    info.handle = box;
    wchar_t caption[256] = {};
    GetWindowTextW(box, caption, 256);
    info.caption = narrow(caption);
    // The message text is the static control with identifier 0xFFFF.
    info.text = windowText(GetDlgItem(box, 0xFFFF));
    info.icon = iconOf(box);
    info.hasCancel = GetDlgItem(box, IDCANCEL) != nullptr && IsWindowVisible(GetDlgItem(box, IDCANCEL));
    for (const int button : {IDOK, IDCANCEL, IDABORT, IDRETRY, IDIGNORE, IDYES, IDNO}) {
        HWND control = GetDlgItem(box, button);
        if (control && (GetWindowLongA(control, GWL_STYLE) & BS_TYPEMASK) == BS_DEFPUSHBUTTON) {
            info.defaultButton = button;
        }
    }
    return info;
}

void Scriblet::answer(const MessageBoxInfo& box, int command) const {
    PostMessageA(box.handle, WM_COMMAND, MAKEWPARAM(command, BN_CLICKED), 0);
    waitUntil([&] { return !IsWindow(box.handle) || !IsWindowVisible(box.handle); }, 5000);
}

std::optional<DWORD> Scriblet::waitForExit(int timeoutMs) {
    if (!info_.hProcess) return std::nullopt;
    if (WaitForSingleObject(info_.hProcess, static_cast<DWORD>(timeoutMs)) != WAIT_OBJECT_0) {
        kill();
        return std::nullopt;
    }
    DWORD code = 0;
    GetExitCodeProcess(info_.hProcess, &code);
    return code;
}

Scriblet::Options withNotes(const std::string& bytes) {
    Scriblet::Options options;
    options.notes = bytes;
    return options;
}

}  // namespace scriblet::e2e
