// The local clock, read in one place: today's date for the notes and the
// time in the names of the files a save or a recovery makes.
#pragma once

#include <string>

namespace scriblet {

// The current local date as "%m%d%y" (3 December 2003 gives "120603"), or
// an empty string when the time or the formatting fails.
std::string todayString();

// The current local time in strftime's `format`; empty when the clock cannot
// be read.
std::string localTimeNow(const char* format);

}  // namespace scriblet
