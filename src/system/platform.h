// What differs between operating systems, for this folder's own use: each
// function has one implementation in posix/ and one in windows/, and
// CMakeLists.txt builds the one for the target. Paths are UTF-8 on every
// system. Every error is an errno code, so that messages read
// "<what>: <strerror text>" whatever the system (windows/ maps its own codes
// to the nearest errno one).
#pragma once

#include <cstdint>
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
    std::string target;  // the file to replace or create: the path, or a link's target
    unsigned mode = 0;   // permission bits for the temporary file (POSIX)
    long long owner = -1;  // user and group of the file replaced (POSIX); -1: none
    long long group = -1;
};

// The descriptor that `path` names by its spelling alone: 1 for
// /dev/stdout, 2 for /dev/stderr, N for /dev/fd/N and /proc/self/fd/N; -1 for
// any other path (always on Windows, which has no such names).
int descriptoralias(const std::string& path);

// Where writing through `path` puts a file: `path` itself, or, for a
// symbolic link (or chain of them) whose end does not exist, that end, as
// the shell's `>` would create it. Windows: `path`.
std::string linkend(const std::string& path);

// Fills `out` for `path`: a descriptor alias is direct whatever it leads to;
// otherwise the file decides, wherever its name lies: a regular file (even
// under /dev/shm or /proc/self/cwd) is replaced, anything else that is not
// a folder is direct, and a dangling link is absent with its end as target.
// Returns 0, or the errno code that refuses the path: EACCES for an existing
// file the user may not write; EPERM, with the kind set to regular, for one
// the rename could not replace (another user's file in a sticky folder, an
// immutable or append-only file or folder), so that the run stops before
// any work.
int examine(const std::string& path, OutputTarget& out);

// Opens a direct target for writing, in binary mode; null with errno set.
std::FILE* opendirect(const std::string& path);

// Creates a new file named `pattern` with its trailing "XXXXXX" replaced
// by characters that make it unique, with the permission bits of `like`, and
// its owner and group where the process may give them (root may; another
// user may give a group of their own), and opens it for writing in binary
// mode. Returns the stream, with the name in `name`, or null with errno set
// and nothing left behind. Called with signals blocked, so the caller can
// register the name before one arrives.
std::FILE* createunique(const std::string& pattern, const OutputTarget& like, std::string& name);

// An exclusive advisory lock, held through the open lock file `path`, which
// takelock creates when it is missing. Returns 0 with `handle` set, EAGAIN
// when another process holds the lock (no waiting), or an errno code. A lock
// left by a process that died is free: the system releases it. POSIX: flock
// on the file. Windows: the file opened without sharing, deleted when it is
// closed, so that a second opener is refused as a second locker would be.
int takelock(const std::string& path, std::intptr_t& handle);

// Removes the lock file while the lock is still held (no other process can
// then lock a file that is about to vanish), then releases it.
void droplock(const std::string& path, std::intptr_t handle);

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
