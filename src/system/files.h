// Opening a file by its name, the same way on every system.
#pragma once

#include <cstdio>
#include <string>

namespace gstboot {

// Opens `path`, a UTF-8 name (Windows: converted to its UTF-16 name, so any
// character works), with fopen's `mode`; give "rb" or "wb": text mode would
// change line ends on Windows and stop reading at a 0x1A byte. A folder is
// refused on every system with errno EISDIR (fopen would open one for
// reading on Linux and refuse it with EACCES on Windows). Null with errno
// set on failure.
std::FILE* openfile(const std::string& path, const char* mode);

// The size in bytes of the regular file `path`; -1 for anything else (a
// pipe, a device, a file that cannot be examined), whose size is not known
// before it is read.
long long regularsize(const std::string& path);

}  // namespace gstboot
