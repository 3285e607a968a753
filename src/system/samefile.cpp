#include "system/samefile.h"

// identify() differs by system: posix/identity.cpp, windows/identity.cpp.

namespace gstboot {

bool samefile(const FileIdentity& a, const FileIdentity& b) {
    if (a.kind != b.kind) return false;
    switch (a.kind) {
        case FileIdentity::Kind::regular: return a.device == b.device && a.inode == b.inode;
        case FileIdentity::Kind::absent: return a.resolved == b.resolved;
        case FileIdentity::Kind::other: return false;
    }
    return false;
}

}  // namespace gstboot
