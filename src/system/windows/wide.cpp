#include "system/windows/wide.h"

#include "system/windows/api.h"

#include <cerrno>
#include <climits>

namespace gstboot {
namespace windows {

bool widen(const std::string& text, std::wstring& wide) {
    wide.clear();
    if (text.empty()) return true;
    if (text.size() > INT_MAX) {
        errno = ENAMETOOLONG;
        return false;
    }
    const int size = static_cast<int>(text.size());
    const int count = MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, text.data(), size, nullptr, 0);
    if (count <= 0) {
        errno = EILSEQ;
        return false;
    }
    wide.resize(static_cast<std::size_t>(count));
    MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, text.data(), size, &wide[0], count);
    return true;
}

std::string narrow(const wchar_t* wide) {
    const int count = WideCharToMultiByte(CP_UTF8, 0, wide, -1, nullptr, 0, nullptr, nullptr);
    if (count <= 1) return std::string();
    std::string text(static_cast<std::size_t>(count), '\0');
    WideCharToMultiByte(CP_UTF8, 0, wide, -1, &text[0], count, nullptr, nullptr);
    text.pop_back();  // the terminating zero
    return text;
}

int errnoof(unsigned long code) {
    struct Pair {
        unsigned long code;
        int err;
    };
    static constexpr Pair TABLE[] = {
        {ERROR_FILE_NOT_FOUND, ENOENT},      {ERROR_PATH_NOT_FOUND, ENOENT},
        {ERROR_INVALID_DRIVE, ENOENT},       {ERROR_BAD_NETPATH, ENOENT},
        {ERROR_BAD_NET_NAME, ENOENT},        {ERROR_INVALID_NAME, EINVAL},
        {ERROR_ACCESS_DENIED, EACCES},       {ERROR_SHARING_VIOLATION, EACCES},
        {ERROR_LOCK_VIOLATION, EACCES},      {ERROR_WRITE_PROTECT, EROFS},
        {ERROR_FILE_EXISTS, EEXIST},         {ERROR_ALREADY_EXISTS, EEXIST},
        {ERROR_DISK_FULL, ENOSPC},           {ERROR_HANDLE_DISK_FULL, ENOSPC},
        {ERROR_NOT_SAME_DEVICE, EXDEV},      {ERROR_DIRECTORY, ENOTDIR},
        {ERROR_DIR_NOT_EMPTY, ENOTEMPTY},    {ERROR_NOT_ENOUGH_MEMORY, ENOMEM},
        {ERROR_OUTOFMEMORY, ENOMEM},         {ERROR_FILENAME_EXCED_RANGE, ENAMETOOLONG},
        {ERROR_BUFFER_OVERFLOW, ENAMETOOLONG}, {ERROR_TOO_MANY_OPEN_FILES, EMFILE},
        {ERROR_INVALID_HANDLE, EBADF},       {ERROR_BROKEN_PIPE, EPIPE},
        {ERROR_NO_DATA, EPIPE},
    };
    for (const Pair& p : TABLE) {
        if (p.code == code) return p.err;
    }
    return EIO;
}

int lasterrno() { return errnoof(GetLastError()); }

}  // namespace windows
}  // namespace gstboot
