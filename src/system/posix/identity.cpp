// The POSIX side of identify() (samefile.h).
#include <sys/stat.h>

#include <cstdlib>

#include "system/platform.h"
#include "system/samefile.h"

namespace gstboot {

namespace {

// The folder resolved through links and dots, the name kept.
std::string resolveabsent(const std::string& path) {
    const std::size_t slash = path.rfind('/');
    const std::string dir = slash == std::string::npos ? "." : (slash == 0 ? "/" : path.substr(0, slash));
    const std::string name = slash == std::string::npos ? path : path.substr(slash + 1);
    char* real = ::realpath(dir.c_str(), nullptr);
    if (!real) return path;  // a missing folder: creating the file will fail anyway
    std::string resolved = std::string(real) + "/" + name;
    std::free(real);
    return resolved;
}

}  // namespace

FileIdentity identify(const std::string& path) {
    FileIdentity id;
    // /dev/stdout and its kind name a descriptor, which may be a file the
    // shell opened: writing there twice is what the user asked for. Any
    // other name is the file it leads to, under /dev/ and /proc/ as well.
    if (platform::descriptoralias(path) >= 0) {
        id.kind = FileIdentity::Kind::other;
        return id;
    }
    struct stat st;
    if (::stat(path.c_str(), &st) != 0) {
        id.kind = FileIdentity::Kind::absent;
        // A dangling link is the file it would create.
        id.resolved = resolveabsent(platform::linkend(path));
        return id;
    }
    id.kind = S_ISREG(st.st_mode) ? FileIdentity::Kind::regular : FileIdentity::Kind::other;
    id.device = static_cast<std::uint64_t>(st.st_dev);
    id.inode = static_cast<std::uint64_t>(st.st_ino);
    return id;
}

}  // namespace gstboot
