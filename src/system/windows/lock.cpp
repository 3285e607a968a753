// The Windows side of takelock and droplock (platform.h).
#include "system/windows/api.h"

#include <cerrno>

#include "system/platform.h"
#include "system/windows/wide.h"

namespace gstboot {
namespace platform {

int takelock(const std::string& path, std::intptr_t& handle) {
    std::wstring wide;
    if (!windows::widen(path, wide)) return errno;
    // Opened without sharing: while this handle is open, every other open of
    // the file fails, which is the lock. Deleted when the handle closes, so
    // that a run that dies leaves nothing behind.
    HANDLE h = CreateFileW(wide.c_str(), GENERIC_READ | GENERIC_WRITE | DELETE, 0, nullptr, OPEN_ALWAYS,
                           FILE_ATTRIBUTE_HIDDEN | FILE_FLAG_DELETE_ON_CLOSE, nullptr);
    if (h == INVALID_HANDLE_VALUE) {
        const DWORD code = GetLastError();
        return code == ERROR_SHARING_VIOLATION ? EAGAIN : windows::errnoof(code);
    }
    handle = reinterpret_cast<std::intptr_t>(h);
    return 0;
}

void droplock(const std::string&, std::intptr_t handle) { CloseHandle(reinterpret_cast<HANDLE>(handle)); }

}  // namespace platform
}  // namespace gstboot
