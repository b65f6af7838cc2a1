// Reading and saving a full notes file (32767 realistic notes), each next to
// a baseline on the same run: the same bytes read into memory, the same
// bytes written to a file with the same flush to disk, and those written
// beside a file, flushed and renamed onto it (an atomic save); and a save
// without changes, which writes nothing.
#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <random>
#include <string>

#include "files/platform_file_system.h"
#include "notes/notes_store.h"

namespace {

using scriblet::NoteTable;

const char* const kWords[] = {"milk",   "bread",   "meeting", "call",    "garden", "invoice", "train",  "Monday",
                              "tax",    "return",  "dentist", "project", "review", "birthday", "gift",  "paint",
                              "window", "plumber", "budget",  "quarter", "notes",  "draft",   "letter", "20\xB0" "C"};

std::string words(std::mt19937& random, std::size_t minLength, std::size_t maxLength) {
    std::uniform_int_distribution<std::size_t> target(minLength, maxLength);
    std::uniform_int_distribution<std::size_t> pick(0, sizeof kWords / sizeof kWords[0] - 1);
    const std::size_t length = target(random);
    std::string text;
    while (text.size() < length) {
        if (!text.empty()) text.push_back(' ');
        text += kWords[pick(random)];
    }
    text.resize(length);
    return text;
}

// 32767 notes: titles of 10 to 40 characters, six-digit dates, bodies of a
// few hundred bytes, a third of them over several lines.
const NoteTable& realisticTable() {
    static const NoteTable table = [] {
        NoteTable made;
        std::mt19937 random(120603);
        std::uniform_int_distribution<int> month(1, 12), day(1, 28), year(0, 99), lines(2, 6), third(0, 2);
        while (!made.isFull()) {
            made.appendNote();
            scriblet::Note& note = made.at(static_cast<std::int16_t>(made.noteCount() - 1));
            note.title = words(random, 10, 40);
            char date[16];
            std::snprintf(date, sizeof date, "%02d%02d%02d", month(random), day(random), year(random));
            note.date = date;
            if (third(random) == 0) {
                const int count = lines(random);
                for (int i = 0; i < count; ++i) {
                    if (i) note.body += "\r\n";
                    note.body += words(random, 40, 120);
                }
            } else {
                note.body = words(random, 150, 500);
            }
        }
        return made;
    }();
    return table;
}

std::string today() { return "120603"; }

// The notes file on disk, written once, in a scratch folder of the current one.
void prepareFile() {
    static bool ready = false;
    if (ready) return;
    ::mkdir("notes_bench_scratch", 0777);
    if (::chdir("notes_bench_scratch") != 0) std::abort();
    std::unique_ptr<scriblet::FileSystem> files = scriblet::makePlatformFileSystem();
    scriblet::NotesStore store(*files, today);
    if (store.save(realisticTable(), realisticTable().noteCount()).error) std::abort();
    ready = true;
}

std::uint64_t fileSize(const char* name) {
    struct stat info;
    return ::stat(name, &info) == 0 ? static_cast<std::uint64_t>(info.st_size) : 0;
}

void BM_ReadNotes(benchmark::State& state) {
    prepareFile();
    std::unique_ptr<scriblet::FileSystem> files = scriblet::makePlatformFileSystem();
    NoteTable table;
    for (auto _ : state) {
        // Dropping the previous reading's notes is no part of reading.
        state.PauseTiming();
        table.clear();
        scriblet::NotesStore store(*files, today);
        state.ResumeTiming();
        // As the window reads: the store keeps what it read, for its saves.
        const scriblet::ReadOutcome outcome = store.read(table);
        if (outcome.result != scriblet::ReadResult::OpenedWithData) state.SkipWithError("read failed");
        benchmark::DoNotOptimize(table.noteCount());
    }
    state.counters["file_bytes"] = static_cast<double>(fileSize(scriblet::kNotesFileName));
    state.counters["notes"] = table.noteCount();
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * fileSize(scriblet::kNotesFileName)));
}

void BM_ReadBaseline(benchmark::State& state) {
    prepareFile();
    std::string bytes;
    for (auto _ : state) {
        const int fd = ::open(scriblet::kNotesFileName, O_RDONLY);
        struct stat info;
        ::fstat(fd, &info);
        bytes.assign(static_cast<std::size_t>(info.st_size), '\0');
        std::size_t got = 0;
        while (got < bytes.size()) {
            const ssize_t n = ::read(fd, &bytes[got], bytes.size() - got);
            if (n <= 0) break;
            got += static_cast<std::size_t>(n);
        }
        ::close(fd);
        benchmark::DoNotOptimize(bytes.data());
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * bytes.size()));
}

// As the window saves: only over the file it last read or wrote, each save
// with a change (one body alternates), or none.
void saveAsTheWindow(benchmark::State& state, bool edited) {
    prepareFile();
    std::unique_ptr<scriblet::FileSystem> files = scriblet::makePlatformFileSystem();
    NoteTable table;
    scriblet::NotesStore store(*files, today);
    store.read(table);
    const scriblet::SaveResult expected = edited ? scriblet::SaveResult::Saved : scriblet::SaveResult::Unchanged;
    std::string& body = table.at(0).body;
    for (auto _ : state) {
        if (edited) body.back() ^= 1;
        const scriblet::SaveOutcome outcome = store.save(table, table.noteCount());
        if (outcome.result != expected) state.SkipWithError("save failed");
    }
    state.counters["file_bytes"] = static_cast<double>(fileSize(scriblet::kNotesFileName));
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * fileSize(scriblet::kNotesFileName)));
}

void BM_WriteNotes(benchmark::State& state) { saveAsTheWindow(state, true); }

void BM_SaveWithoutChanges(benchmark::State& state) { saveAsTheWindow(state, false); }

// The same bytes written and flushed; `atomic`: written beside the file and
// put in its place in one step, a save's floor.
void writeBaseline(benchmark::State& state, bool atomic) {
    prepareFile();
    const std::string bytes = scriblet::formatNotes(realisticTable(), realisticTable().noteCount(), today);
    const char* const name = atomic ? "baseline.new" : "baseline.txt";
    for (auto _ : state) {
        const int fd = ::open(name, O_WRONLY | O_CREAT | O_TRUNC, 0666);
        std::size_t done = 0;
        while (done < bytes.size()) {
            const ssize_t n = ::write(fd, bytes.data() + done, bytes.size() - done);
            if (n <= 0) break;
            done += static_cast<std::size_t>(n);
        }
        ::fsync(fd);
        ::close(fd);
        if (atomic && (done != bytes.size() || ::rename(name, "baseline.txt") != 0)) state.SkipWithError("save failed");
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * bytes.size()));
}

void BM_WriteBaseline(benchmark::State& state) { writeBaseline(state, false); }

void BM_AtomicSaveBaseline(benchmark::State& state) { writeBaseline(state, true); }

BENCHMARK(BM_ReadBaseline)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ReadNotes)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_WriteBaseline)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_AtomicSaveBaseline)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_WriteNotes)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_SaveWithoutChanges)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
