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

}  // namespace

void fillTitleList(HWND list, const NoteTable& table) {
    const std::int16_t entries = table.noteCount();
    if (entries <= 0) return;
    const std::int16_t titles = static_cast<std::int16_t>(entries - 1);

    // Every title, terminating zero included. No ANSI byte makes more than
    // one UTF-16 unit, so this many units hold them all converted.
    std::size_t bytes = std::strlen(kNewEntryText) + 1;
    for (std::int16_t i = 0; i < titles; ++i) bytes += table.at(i).title.size() + 1;

    // The titles go in already wide: an ANSI LB_ADDSTRING would have the
    // system convert each one into a buffer of its own. Converted title by
    // title, as the system would, so that no code page's lead byte ever
    // joins a title to the next.
    std::vector<WCHAR> text(bytes);
    std::vector<std::size_t> starts(static_cast<std::size_t>(entries));
    std::size_t used = 0;
    const auto convert = [&](const char* title, std::size_t size) {
        const int room = static_cast<int>(bytes - used - 1);
        const int units = size ? MultiByteToWideChar(CP_ACP, 0, title, static_cast<int>(size), &text[used], room) : 0;
        text[used + static_cast<std::size_t>(units)] = L'\0';
        const std::size_t start = used;
        used += static_cast<std::size_t>(units) + 1;
        return start;
    };
    for (std::int16_t i = 0; i < titles; ++i) {
        const auto& title = table.at(i).title;
        starts[static_cast<std::size_t>(i)] = convert(title.data(), title.size());
    }
    starts[static_cast<std::size_t>(titles)] = convert(kNewEntryText, std::strlen(kNewEntryText));

    RedrawOff redrawOff(list);
    // The storage for every entry at once, instead of growing entry by entry.
    SendMessageW(list, LB_INITSTORAGE, static_cast<WPARAM>(entries), static_cast<LPARAM>(bytes * sizeof(WCHAR)));
    for (const std::size_t start : starts) SendMessageW(list, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(&text[start]));
}

}  // namespace scriblet
