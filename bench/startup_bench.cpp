// Times the real scriblet.exe: from process start to the window ready (list
// filled, first note shown), and the switch to another note (save plus show),
// for an empty notes file, 100 notes and 32767 notes. Prints one table row
// per file with the median of several runs. Run by scripts/bench-startup.
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "res/resource.h"
#include "tests/win/scriblet_driver.h"

namespace {

using scriblet::e2e::Scriblet;
using scriblet::e2e::ScratchDir;

double nowMs() {
    static LARGE_INTEGER frequency = [] {
        LARGE_INTEGER f;
        QueryPerformanceFrequency(&f);
        return f;
    }();
    LARGE_INTEGER counter;
    QueryPerformanceCounter(&counter);
    return 1000.0 * static_cast<double>(counter.QuadPart) / static_cast<double>(frequency.QuadPart);
}

// A fixed pseudo-random sequence, so every run times the same file.
class Random {
public:
    unsigned next(unsigned bound) {
        state_ = state_ * 1103515245u + 12345u;
        return (state_ >> 8) % bound;
    }

private:
    unsigned state_ = 20031206u;
};

const char* const kWords[] = {"meeting", "call",    "buy",     "milk",   "bread",   "report", "draft",
                              "garden",  "invoice", "train",   "Monday", "friday",  "review", "notes",
                              "budget",  "email",   "dentist", "school", "project", "ideas",  "book",
                              "weekend", "plan",    "kitchen", "Anna",   "Peter",   "office", "list"};

std::string words(Random& random, int count) {
    std::string text;
    for (int i = 0; i < count; ++i) {
        if (i) text += ' ';
        text += kWords[random.next(sizeof kWords / sizeof kWords[0])];
    }
    return text;
}

// notes.txt bytes as the program writes them: date, title, body (a few
// hundred bytes, every fourth one on several lines), CR LF line ends.
std::string notesFile(int count) {
    Random random;
    std::string bytes;
    for (int i = 0; i < count; ++i) {
        char date[16];
        std::snprintf(date, sizeof date, "%02u%02u%02u", 1 + random.next(12), 1 + random.next(28),
                      random.next(30));
        std::string body;
        const int lines = i % 4 == 0 ? 2 + static_cast<int>(random.next(4)) : 1;
        for (int line = 0; line < lines; ++line) {
            if (line) body += "\r\r\n";
            body += words(random, (40 + static_cast<int>(random.next(40))) / lines);
        }
        bytes += std::string(date) + "\r\n" + words(random, 2 + static_cast<int>(random.next(3))) + " " +
                 std::to_string(i) + "\r\n" + body + "\xB0\r\n";
    }
    return bytes;
}

struct FindRequest {
    DWORD processId;
    HWND found;
};

BOOL CALLBACK findMainWindow(HWND hwnd, LPARAM param) {
    auto* request = reinterpret_cast<FindRequest*>(param);
    DWORD owner = 0;
    GetWindowThreadProcessId(hwnd, &owner);
    if (owner != request->processId || !IsWindowVisible(hwnd)) return TRUE;
    char caption[32] = {};
    GetWindowTextA(hwnd, caption, sizeof caption);
    if (std::string(caption) != "Scriblet") return TRUE;
    request->found = hwnd;
    return FALSE;
}

bool failed(const char* why) {
    std::fprintf(stderr, "%s\n", why);
    return false;
}

struct Sample {
    double startMs = 0;
    std::vector<double> switchMs;
};

// One start: the program's time to a ready window, then a few switches
// between the first two notes. False when the program did not come up.
bool measure(const std::string& bytes, int notes, int switches, Sample& sample) {
    double started = 0;
    Scriblet::Options options;
    options.notes = bytes;
    options.waitForWindow = false;
    options.beforeStart = [&started](const ScratchDir&) { started = nowMs(); };
    Scriblet app(options);
    if (!app.started()) return failed("the program did not start");

    // The window turns visible once its set-up (which loads the notes) has
    // returned; the sent WM_NULL comes back once it is idle.
    FindRequest request{app.processId(), nullptr};
    const double deadline = started + 60000;
    while (!request.found && nowMs() < deadline && app.running()) {
        EnumWindows(&findMainWindow, reinterpret_cast<LPARAM>(&request));
        if (!request.found) Sleep(1);
    }
    if (!request.found) return failed("no window");
    DWORD_PTR ignored = 0;
    if (!SendMessageTimeoutA(request.found, WM_NULL, 0, 0, SMTO_NORMAL, 60000, &ignored)) {
        return failed("the window did not answer");
    }
    sample.startMs = nowMs() - started;

    if (!app.attachWindow()) return failed("the window was lost");
    if (app.listCount() != notes + 1) return failed("the list does not hold every note");
    // Let the window settle (first paint, pointer entering) outside the timing.
    Sleep(100);
    app.waitIdle();
    for (int i = 0; i < switches && notes >= 2; ++i) {
        const int target = (i + 1) % 2;
        const double before = nowMs();
        app.selectEntry(target);
        sample.switchMs.push_back(nowMs() - before);
        if (app.listSelection() != target) return failed("the clicked note was not selected");
    }
    app.postButton(IDC_CLOSE_BUTTON);
    const std::optional<DWORD> status = app.waitForExit(60000);
    if (status != 3u) {
        std::fprintf(stderr, "exit status %ld\n", status ? static_cast<long>(*status) : -1L);
        return failed("the close button did not end the program");
    }
    return true;
}

double median(std::vector<double> values) {
    if (values.empty()) return 0;
    std::sort(values.begin(), values.end());
    const std::size_t middle = values.size() / 2;
    return values.size() % 2 ? values[middle] : (values[middle - 1] + values[middle]) / 2;
}

}  // namespace

int main(int argc, char** argv) {
    const int runs = argc > 1 ? std::max(1, std::atoi(argv[1])) : 5;
    const int switchesPerRun = 5;
    const int counts[] = {0, 100, 32767};
    // A 32767-note file fills the table: 32766 notes are listed, the pending one is the last place.
    const int listed[] = {0, 100, 32766};

    std::printf("%-12s %10s %6s %14s %14s %14s %14s\n", "notes.txt", "bytes", "runs", "start median",
                "start min", "start max", "switch median");
    bool ok = true;
    for (int c = 0; c < 3; ++c) {
        const std::string bytes = notesFile(counts[c]);
        std::vector<double> starts;
        std::vector<double> switches;
        for (int run = 0; run < runs; ++run) {
            Sample sample;
            if (!measure(bytes, listed[c], switchesPerRun, sample)) {
                std::fprintf(stderr, "run %d with %d notes failed\n", run + 1, counts[c]);
                ok = false;
                continue;
            }
            starts.push_back(sample.startMs);
            switches.insert(switches.end(), sample.switchMs.begin(), sample.switchMs.end());
        }
        if (starts.empty()) continue;
        char label[32];
        std::snprintf(label, sizeof label, counts[c] ? "%d notes" : "empty", counts[c]);
        char switchText[32] = "-";
        if (!switches.empty()) std::snprintf(switchText, sizeof switchText, "%.1f ms", median(switches));
        std::printf("%-12s %10u %6u %11.1f ms %11.1f ms %11.1f ms %14s\n", label,
                    static_cast<unsigned>(bytes.size()), static_cast<unsigned>(starts.size()), median(starts),
                    *std::min_element(starts.begin(), starts.end()),
                    *std::max_element(starts.begin(), starts.end()), switchText);
        std::fflush(stdout);
    }
    return ok ? 0 : 1;
}
