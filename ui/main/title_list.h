// Filling the main window's title list, in one function so that the
// benchmark times exactly what the window does.
#pragma once

#include <windows.h>

#include "notes/note_table.h"

namespace scriblet {

// Fills the empty list box `list` with one entry per table entry: each
// note's title, and the last entry, the pending note, as "<New>". The titles
// are in the ANSI code page, as the list shows them. The list repaints once,
// afterwards, however the fill ends.
void fillTitleList(HWND list, const NoteTable& table);

}  // namespace scriblet
