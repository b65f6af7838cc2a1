// Times typing into the real scriblet.exe and the journal that keeps it: each
// character sent into the body of a short note and of a 100 KB note, at a
// fast typist's pace, so that the journal is written as it would be while
// someone types (medians, and the slowest keystrokes, which wait for a
// journal write); then a journal of a 100 KB note written through the
// program's own store and file system in this process. Run by
// scripts/bench-typing.
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include "bench/timing.h"
#include "files/platform_file_system.h"
#include "notes/local_time.h"
#include "notes/notes_store.h"
#include "res/resource.h"
#include "tests/driver/scriblet_driver.h"

namespace {

using scriblet::bench::median;
using scriblet::bench::nowMs;
using scriblet::e2e::Scriblet;
using scriblet::e2e::ScratchDir;

const DWORD kKeystrokeMs = 40;

// A note of about `bytes` bytes of text in lines of some 70 characters.
std::string body(std::size_t bytes) {
    const std::string line = "the quick brown fox jumps over the lazy dog and types on and on and on";
    std::string text;
    while (text.size() < bytes) text += line + "\r\n";
    text.resize(bytes);
    return text;
}

double percentile(std::vector<double> values, double share) {
    if (values.empty()) return 0;
    std::sort(values.begin(), values.end());
    return values[std::min(values.size() - 1, static_cast<std::size_t>(share * static_cast<double>(values.size())))];
}

// Each keystroke's time, from the character sent to its handling done.
bool typeInto(const std::string& noteBody, int keystrokes, std::vector<double>& times) {
    // A line break in a body is stored as CR CR LF.
    std::string notes = "010203\r\nTyped\r\n";
    for (char c : noteBody) {
        if (c == '\n') notes += '\r';
        notes += c;
    }
    notes += "\xB0\r\n";
    Scriblet app(scriblet::e2e::withNotes(notes));
    if (!app.started()) return false;
    app.typeAtEnd(IDC_BODY, "");
    Sleep(100);
    app.waitIdle();
    HWND field = app.control(IDC_BODY);
    for (int i = 0; i < keystrokes; ++i) {
        const char c = "typing on "[i % 10];
        const double before = nowMs();
        DWORD_PTR ignored = 0;
        if (!SendMessageTimeoutA(field, WM_CHAR, static_cast<unsigned char>(c), 1, SMTO_NORMAL, 10000, &ignored)) {
            return false;
        }
        times.push_back(nowMs() - before);
        Sleep(kKeystrokeMs);
    }
    app.postButton(IDC_CLOSE_BUTTON);
    return app.waitForExit(30000) == 3u;
}

void printKeystrokes(const char* label, const std::vector<double>& times) {
    std::printf("  %-26s %6u %10.3f ms %10.3f ms %10.3f ms %10.3f ms\n", label, static_cast<unsigned>(times.size()),
                median(times), percentile(times, 0.9), percentile(times, 0.99),
                *std::max_element(times.begin(), times.end()));
}

// A journal of a note with a body of `bytes` bytes, written `runs` times
// over itself; the first write also takes the digest of notes.txt.
bool timeJournal(std::size_t bytes, int runs) {
    ScratchDir scratch;
    char previous[MAX_PATH] = {};
    GetCurrentDirectoryA(MAX_PATH, previous);
    SetCurrentDirectoryA(scratch.path().c_str());
    bool ok = true;
    {
        scratch.write("notes.txt", "010203\r\nTyped\r\nshort\xB0\r\n");
        std::unique_ptr<scriblet::FileSystem> files = scriblet::makePlatformFileSystem();
        scriblet::NotesStore store(*files, scriblet::todayString);
        scriblet::NoteTable table;
        ok = store.read(table).result == scriblet::ReadResult::OpenedWithData;
        scriblet::JournalNote note{0, "Typed", {"Typed", "010203", body(bytes)}};
        std::vector<double> times;
        for (int run = 0; run < runs && ok; ++run) {
            note.fields.body[static_cast<std::size_t>(run) % bytes] = 'x';
            const double before = nowMs();
            ok = store.writeJournal(note);
            times.push_back(nowMs() - before);
        }
        store.endJournal();
        if (ok) {
            std::printf("  %-26s %6d %10.3f ms %10.3f ms %10.3f ms (first: %.3f ms)\n", "journal, 100 KB note", runs,
                        median(times), percentile(times, 0.9), *std::max_element(times.begin(), times.end()),
                        times.front());
        }
    }
    SetCurrentDirectoryA(previous);
    return ok;
}

}  // namespace

int main(int argc, char** argv) {
    const int keystrokes = argc > 1 ? std::max(50, std::atoi(argv[1])) : 400;
    std::printf("Typing into the body, one character every %lu ms (the journal is written every two seconds):\n",
                static_cast<unsigned long>(kKeystrokeMs));
    std::printf("  %-26s %6s %13s %13s %13s %13s\n", "note", "keys", "median", "90%", "99%", "slowest");
    bool ok = true;
    for (const std::size_t size : {std::size_t{40}, std::size_t{100 * 1024}}) {
        std::vector<double> times;
        if (!typeInto(body(size), keystrokes, times)) {
            std::fprintf(stderr, "typing into a note of %u bytes failed\n", static_cast<unsigned>(size));
            ok = false;
            continue;
        }
        printKeystrokes(size < 1024 ? "short note" : "100 KB note", times);
    }
    std::printf("\nWriting a journal in this process (create, write, flush, close, put in place):\n");
    if (!timeJournal(100 * 1024, 50)) {
        std::fprintf(stderr, "writing the journal failed\n");
        ok = false;
    }
    return ok ? 0 : 1;
}
