// The Windows side of platform.h and files.h.
#include "system/windows/api.h"

#include <fcntl.h>
#include <io.h>

#include <cerrno>
#include <cstdint>
#include <cwchar>

#include "system/files.h"
#include "system/platform.h"
#include "system/signals.h"
#include "system/windows/wide.h"

namespace gstboot {

namespace {

constexpr DWORD SHAREALL = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;

// Closes a handle when it goes out of scope.
struct HandleCloser {
    HANDLE handle;
    ~HandleCloser() {
        if (handle != INVALID_HANDLE_VALUE) CloseHandle(handle);
    }
};

bool isfolder(const std::wstring& wide) {
    const DWORD attributes = GetFileAttributesW(wide.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

}  // namespace

std::FILE* openfile(const std::string& path, const char* mode) {
    std::wstring wide, widemode;
    if (!windows::widen(path, wide) || !windows::widen(mode, widemode)) return nullptr;
    std::FILE* file = _wfopen(wide.c_str(), widemode.c_str());
    // The C library refuses a folder with EACCES; the message says why.
    if (!file && isfolder(wide)) errno = EISDIR;
    return file;
}

long long regularsize(const std::string& path) {
    std::wstring wide;
    WIN32_FILE_ATTRIBUTE_DATA data;
    if (!windows::widen(path, wide) || !GetFileAttributesExW(wide.c_str(), GetFileExInfoStandard, &data)) return -1;
    if ((data.dwFileAttributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_DEVICE)) != 0) return -1;
    return static_cast<long long>((static_cast<std::uint64_t>(data.nFileSizeHigh) << 32) | data.nFileSizeLow);
}

namespace platform {

int descriptoralias(const std::string&) { return -1; }

std::string linkend(const std::string& path) { return path; }

int examine(const std::string& path, OutputTarget& out) {
    out = OutputTarget();
    out.target = path;
    std::wstring wide;
    if (!windows::widen(path, wide)) return errno;
    // Opened without access, which a device (NUL, CON) allows as well as a
    // file; links are followed.
    HandleCloser h{CreateFileW(wide.c_str(), 0, SHAREALL, nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS,
                               nullptr)};
    if (h.handle == INVALID_HANDLE_VALUE) {
        const DWORD code = GetLastError();
        if (code == ERROR_FILE_NOT_FOUND || code == ERROR_PATH_NOT_FOUND) return 0;  // absent
        return windows::errnoof(code);
    }
    if (GetFileType(h.handle) != FILE_TYPE_DISK) {
        out.kind = OutputTarget::Kind::direct;
        return 0;
    }
    BY_HANDLE_FILE_INFORMATION info;
    if (!GetFileInformationByHandle(h.handle, &info)) return windows::lasterrno();
    if (info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
        out.kind = OutputTarget::Kind::folder;
        return 0;
    }
    // A read-only file may not be overwritten, so it is not replaced either.
    if (info.dwFileAttributes & FILE_ATTRIBUTE_READONLY) return EACCES;
    out.kind = OutputTarget::Kind::regular;
    // A symbolic link keeps being one: the file it leads to is replaced.
    const DWORD own = GetFileAttributesW(wide.c_str());
    if (own != INVALID_FILE_ATTRIBUTES && (own & FILE_ATTRIBUTE_REPARSE_POINT)) {
        const DWORD size = GetFinalPathNameByHandleW(h.handle, nullptr, 0, FILE_NAME_NORMALIZED);
        std::wstring real(size + 1, L'\0');
        const DWORD got = GetFinalPathNameByHandleW(h.handle, &real[0], size + 1, FILE_NAME_NORMALIZED);
        if (size == 0 || got == 0 || got > size) return windows::lasterrno();
        real.resize(got);
        // "\\?\C:\..." as "C:\...", the form every call takes.
        if (real.size() > 6 && real.compare(0, 4, L"\\\\?\\") == 0 && real[5] == L':') real.erase(0, 4);
        out.target = windows::narrow(real.c_str());
    }
    return 0;
}

std::FILE* opendirect(const std::string& path) { return openfile(path, "wb"); }

namespace {

// A well-mixed 64-bit value (splitmix64's finaliser).
std::uint64_t mixed(std::uint64_t x) {
    x = (x ^ (x >> 30)) * 0xbf58476d1ce4e5b9ULL;
    x = (x ^ (x >> 27)) * 0x94d049bb133111ebULL;
    return x ^ (x >> 31);
}

}  // namespace

std::FILE* createunique(const std::string& pattern, const OutputTarget&, std::string& name) {
    // Neither mode nor owner is used: a new file gets the permissions its
    // folder gives, as a plain create would; Windows has no mode bits to copy.
    static const char LETTERS[] = "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789";
    constexpr std::size_t SUFFIX = 6;
    if (pattern.size() < SUFFIX) {
        errno = EINVAL;
        return nullptr;
    }
    LARGE_INTEGER clock;
    QueryPerformanceCounter(&clock);
    std::uint64_t seed = mixed(static_cast<std::uint64_t>(clock.QuadPart) ^
                               (static_cast<std::uint64_t>(GetCurrentProcessId()) << 32) ^ GetCurrentThreadId());
    for (int attempt = 0; attempt < 100; ++attempt) {
        std::string candidate = pattern;
        std::uint64_t bits = mixed(seed + static_cast<std::uint64_t>(attempt));
        for (std::size_t k = candidate.size() - SUFFIX; k < candidate.size(); ++k) {
            candidate[k] = LETTERS[bits % (sizeof LETTERS - 1)];
            bits /= sizeof LETTERS - 1;
        }
        std::wstring wide;
        if (!windows::widen(candidate, wide)) return nullptr;
        // Shared for deletion, so that the interrupt handler can remove the
        // file while this stream still has it open.
        HANDLE h = CreateFileW(wide.c_str(), GENERIC_WRITE, SHAREALL, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL,
                               nullptr);
        if (h == INVALID_HANDLE_VALUE) {
            const DWORD code = GetLastError();
            if (code == ERROR_FILE_EXISTS || code == ERROR_ALREADY_EXISTS) continue;
            errno = windows::errnoof(code);
            return nullptr;
        }
        const int fd = _open_osfhandle(reinterpret_cast<std::intptr_t>(h), _O_WRONLY | _O_BINARY);
        if (fd < 0) {
            CloseHandle(h);
            DeleteFileW(wide.c_str());
            errno = EMFILE;
            return nullptr;
        }
        std::FILE* file = _fdopen(fd, "wb");
        if (!file) {
            const int err = errno;
            _close(fd);
            DeleteFileW(wide.c_str());
            errno = err;
            return nullptr;
        }
        name = candidate;
        return file;
    }
    errno = EEXIST;
    return nullptr;
}

int syncfile(std::FILE* file) { return _commit(_fileno(file)) == 0 ? 0 : errno; }

int replacefile(const std::string& temp, const std::string& target) {
    std::wstring from, to;
    if (!windows::widen(temp, from) || !windows::widen(target, to)) return errno;
    // std::rename refuses an existing target on Windows.
    if (MoveFileExW(from.c_str(), to.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) return 0;
    return windows::lasterrno();
}

void removefile(const char* path) {
    // A registered path (at most MAXTEMPPATH bytes) fits the buffer, so the
    // interrupt handler allocates nothing; a longer one is converted anew.
    wchar_t buffer[MAXTEMPPATH + 1];
    if (MultiByteToWideChar(CP_UTF8, 0, path, -1, buffer, MAXTEMPPATH + 1) > 0) {
        DeleteFileW(buffer);
        return;
    }
    std::wstring wide;
    if (windows::widen(path, wide)) DeleteFileW(wide.c_str());
}

std::size_t namestart(const std::string& path) {
    // Either slash, or the colon of a drive ("C:name").
    const std::size_t separator = path.find_last_of("/\\:");
    return separator == std::string::npos ? 0 : separator + 1;
}

}  // namespace platform

}  // namespace gstboot
