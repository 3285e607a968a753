// What differs between operating systems, for this folder's own use: each
// function has one implementation in posix/ and one in windows/, and
// CMakeLists.txt builds the one for the target. Paths are UTF-8 on every
// system. Every error is an errno code, so that messages read
// "<what>: <strerror text>" whatever the system (windows/ maps its own codes
// to the nearest errno one).
#pragma once

#include <cstdio>
#include <string>

namespace gstboot {
namespace platform {

// What an output path names, before anything is written.
struct OutputTarget {
    enum class Kind {
        absent,   // nothing there yet
        regular,  // a file to replace
        folder,   // refused
        direct,   // a device, pipe or descriptor: written directly
    };
    Kind kind = Kind::absent;
    std::string target;  // the file to replace: the path, or a link's target
    unsigned mode = 0;   // permission bits for the temporary file (POSIX)
};

// The descriptor that `path` names by its spelling alone: 1 for
// /dev/stdout, 2 for /dev/stderr, N for /dev/fd/N and /proc/self/fd/N; -1 for
// any other path (always on Windows, which has no such names).
int descriptoralias(const std::string& path);

// Fills `out` for `path`: a descriptor alias is direct whatever it leads to;
// otherwise the file decides, wherever its name lies: a regular file (even
// under /dev/shm or /proc/self/cwd) is replaced, anything else that is not
// // a folder is direct. Returns 0, or the errno code that refuses the path (an
// existing file the user may not write: EACCES).
int examine(const std::string& path, OutputTarget& out);

// Opens a direct target for writing, in binary mode; null with errno set.
std::FILE* opendirect(const std::string& path);

// Creates a new file named `pattern` with its trailing "XXXXXX" replaced
// by characters that make it unique, with permission bits `mode`, and
// opens it for writing in binary mode. Returns the stream, with the name in
// `name`, or null with errno set and nothing left behind. Called with
// signals blocked, so the caller can register the name before one arrives.
std::FILE* createunique(const std::string& pattern, unsigned mode, std::string& name);

// Makes what was written to `file` durable (fsync); 0 or an errno code.
int syncfile(std::FILE* file);

// Puts `temp` in the place of `target`, replacing it if it exists, as one
// step of the file system; 0 or an errno code.
int replacefile(const std::string& temp, const std::string& target);

// Removes a file. Safe in a signal handler: no allocation, no lock.
void removefile(const char* path);

// Where the name in a path starts: just after its last folder
// separator, or 0.
std::size_t namestart(const std::string& path);

}  // namespace platform

// The registered temporary paths (signals.cpp) removed, for the platform's
// interrupt handler. Takes no lock and allocates nothing.
void removetemps();

}  // namespace gstboot
