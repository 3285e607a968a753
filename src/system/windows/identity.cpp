// The Windows side of identify() (samefile.h).
#include "system/windows/api.h"

#include "system/samefile.h"
#include "system/windows/wide.h"

namespace gstboot {

namespace {

// The full path, folded to lower case: Windows names are compared without
// case (as NTFS does by default; a folder made case-sensitive is not seen).
// Dots are resolved as written, links in the folder are not followed.
std::string resolveabsent(const std::string& path, const std::wstring& wide) {
    const DWORD size = GetFullPathNameW(wide.c_str(), 0, nullptr, nullptr);
    if (size == 0) return path;
    std::wstring full(size, L'\0');
    const DWORD got = GetFullPathNameW(wide.c_str(), size, &full[0], nullptr);
    if (got == 0 || got >= size) return path;
    full.resize(got);
    CharLowerBuffW(&full[0], got);
    return windows::narrow(full.c_str());
}

}  // namespace

FileIdentity identify(const std::string& path) {
    FileIdentity id;
    std::wstring wide;
    if (!windows::widen(path, wide)) {
        id.resolved = path;  // not a name Windows can hold: opening it fails anyway
        return id;
    }
    // Without access, which a device (NUL, CON) allows as well as a file or
    // folder; links are followed.
    HANDLE h = CreateFileW(wide.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                           OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (h == INVALID_HANDLE_VALUE) {
        id.resolved = resolveabsent(path, wide);
        return id;
    }
    BY_HANDLE_FILE_INFORMATION info;
    // A device is never a clash: NUL is Windows' /dev/null.
    id.kind = FileIdentity::Kind::other;
    if (GetFileType(h) == FILE_TYPE_DISK && GetFileInformationByHandle(h, &info) &&
        (info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) == 0) {
        id.kind = FileIdentity::Kind::regular;
        id.device = info.dwVolumeSerialNumber;
        id.inode = (static_cast<std::uint64_t>(info.nFileIndexHigh) << 32) | info.nFileIndexLow;
    }
    CloseHandle(h);
    return id;
}

}  // namespace gstboot
