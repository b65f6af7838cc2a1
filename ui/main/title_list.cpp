#include "ui/main/title_list.h"

#include <cstring>
#include <vector>

#include "ui/main/notes_controller.h"

namespace scriblet {

namespace {

// Holds the list's redrawing off while it lives.
class RedrawOff {
public:
    explicit RedrawOff(HWND list) : list_(list) { SendMessageW(list_, WM_SETREDRAW, FALSE, 0); }
    ~RedrawOff() {
        SendMessageW(list_, WM_SETREDRAW, TRUE, 0);
        InvalidateRect(list_, nullptr, TRUE);
    }
    RedrawOff(const RedrawOff&) = delete;
    RedrawOff& operator=(const RedrawOff&) = delete;

private:
    HWND list_;
};

// The ANSI code page's conversion to UTF-16. A single-byte code page maps
// every byte alone, so its table, taken once, converts as the system does;
// other code pages are left to the system.
class AnsiToWide {
public:
    AnsiToWide() {
        CPINFO info{};
        char bytes[256];
        for (int i = 0; i < 256; ++i) bytes[i] = static_cast<char>(i);
        byTable_ = GetCPInfo(CP_ACP, &info) && info.MaxCharSize == 1 &&
                   MultiByteToWideChar(CP_ACP, 0, bytes, 256, table_, 256) == 256;
    }

    // Converts `size` bytes into `wide`, which holds at least size + 1
    // units (no ANSI byte makes more than one), and ends them with a zero.
    void operator()(const char* text, std::size_t size, WCHAR* wide) const {
        std::size_t units = 0;
        if (byTable_) {
            for (; units < size; ++units) wide[units] = table_[static_cast<unsigned char>(text[units])];
        } else if (size) {
            units = static_cast<std::size_t>(
                MultiByteToWideChar(CP_ACP, 0, text, static_cast<int>(size), wide, static_cast<int>(size)));
        }
        wide[units] = L'\0';
    }

private:
    bool byTable_ = false;
    WCHAR table_[256] = {};
};

}  // namespace

void fillTitleList(HWND list, const NoteTable& table) {
    const std::int16_t entries = table.noteCount();
    if (entries <= 0) return;
    const std::int16_t titles = static_cast<std::int16_t>(entries - 1);

    // Every title, terminating zero included: the list keeps them as UTF-16.
    std::size_t bytes = std::strlen(kNewEntryText) + 1;
    for (std::int16_t i = 0; i < titles; ++i) bytes += table.title(i).size() + 1;

    RedrawOff redrawOff(list);
    // The storage for every entry at once, instead of growing entry by entry.
    SendMessageW(list, LB_INITSTORAGE, static_cast<WPARAM>(entries), static_cast<LPARAM>(bytes * sizeof(WCHAR)));
    // The titles go in already wide, converted as the system converts an
    // ANSI LB_ADDSTRING, but into one reused buffer instead of one the
    // system allocates and frees per title.
    const AnsiToWide convert;
    std::vector<WCHAR> wide;
    const auto add = [&](const char* title, std::size_t size) {
        if (wide.size() < size + 1) wide.resize(size + 1);
        convert(title, size, wide.data());
        SendMessageW(list, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(wide.data()));
    };
    // The titles lie scattered among the notes' other text: each is fetched
    // a few entries ahead, while the list takes the ones before it.
    const std::int16_t kAhead = 16;
    for (std::int16_t i = 0; i < titles; ++i) {
        if (i < titles - kAhead) __builtin_prefetch(table.title(static_cast<std::int16_t>(i + kAhead)).data());
        add(table.title(i).data(), table.title(i).size());
    }
    add(kNewEntryText, std::strlen(kNewEntryText));
}

}  // namespace scriblet
