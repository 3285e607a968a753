// Whether two paths name one file, as the file system sees it.
#pragma once

#include <cstdint>
#include <string>

namespace gstboot {

struct FileIdentity {
    enum class Kind {
        regular,  // an existing regular file: device and inode
        absent,   // nothing there yet: its resolved folder and name
        other,    // a device, pipe, socket or folder: never shared by outputs
    };
    Kind kind = Kind::absent;
    std::uint64_t device = 0;
    std::uint64_t inode = 0;
    std::string resolved;
};

// Follows symbolic links, so `./x`, `dir/../x`, a link to x and a hard link
// of x all give x's identity (a link to an x that does not exist yet too), wherever the name lies (/dev/shm/x,
// /proc/self/cwd/x). A device, and a descriptor named by /dev/stdout,
// /dev/stderr, /dev/fd/N or /proc/self/fd/N, is never a clash, even when
// the descriptor leads to a regular file.
//
// Windows: an existing file is its volume serial number and file index; a
// device (NUL, CON) is never a clash; an absent path is its full path with
// dots resolved as written, compared without case (as NTFS compares names
// by default), links in its folder not followed.
FileIdentity identify(const std::string& path);

// Two regular files with one device and inode, or two absent paths that
// resolve to one folder and name. Devices (/dev/null, /dev/stdout) never.
bool samefile(const FileIdentity& a, const FileIdentity& b);

}  // namespace gstboot
