// The file systems behind the notes file's seam (notes/file_system.h): plain
// Win32 calls in the Windows program, POSIX calls natively. Only the program,
// the tests and the benchmarks choose one; the notes code sees the interface.
#pragma once

#include <memory>

#include "notes/file_system.h"

namespace scriblet {

// The file system of the platform the code was built for.
std::unique_ptr<FileSystem> makePlatformFileSystem();

}  // namespace scriblet
